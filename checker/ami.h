// AMI parameter files (prefix AMI_): reading a .ami file into the AMI text
// (PARSE type 4), parsing it with the parameter tree parser and checking the
// tree (Reserved_Parameters, Model_Specific, every Format).
#pragma once

#include "base/AmiExport.h"
#include "amiparam/AmiParamTree.h"

extern "C" {

// Reads the file into the AMI text: comments cut, lines joined with one
// blank between them. Prints the banner, raises W901, W921, E923 and the
// reader's messages. Result 1, or 0 when the file cannot be opened.
AMI_EXPORT int AMI_ReadFile(const char* pszPath);
// Parses and checks the AMI text and frees the tree. Result 1.
AMI_EXPORT int AMI_Test(void);
// Parses the AMI text (freed here whatever the outcome) and checks the
// tree. On success the tree goes through ppTree (to be freed with
// FreeParsedTree) and the result is 1; with no text or a failed parse
// (E4619, E4620, E4634, E4635, B4621) the result is 0 and no tree is given.
AMI_EXPORT int AMI_ParseAndCheck(PARSED_TREE** ppTree);
// Checks a parsed tree (E4600 to E4632).
AMI_EXPORT void AMI_CheckTree(const PARSED_TREE* pTree);
// The AMI text read so far (null when there is none).
AMI_EXPORT const char* AMI_GetText(void);
// Frees the AMI text.
AMI_EXPORT void AMI_DiscardText(void);

}  // extern "C"

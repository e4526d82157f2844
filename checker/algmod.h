// [Algorithmic Model] of a model (prefix ALGMOD_): its Executable lines,
// and the whole-file checks that the named code files exist and that the
// named AMI parameter files read, parse and check (through ami.h).
#pragma once

#include "base/AmiExport.h"
#include "amiparam/AmiParamTree.h"

struct MDL_STRUCT;

#define ALGMOD_NAME_MAX 44

// One Executable line.
typedef struct ALGMOD_ENTRY {
  struct ALGMOD_ENTRY* pNext;
  char szPlatform[ALGMOD_NAME_MAX + 1];
  char szCompiler[ALGMOD_NAME_MAX + 1];
  int iBits;  // -1 until a valid number is read
  char szCodeFile[ALGMOD_NAME_MAX + 1];
  char szAmiFile[ALGMOD_NAME_MAX + 1];
  PARSED_TREE* pTree;  // the AMI file's tree once read and checked (owned)
} ALGMOD_ENTRY;

// The record of one model: its entries, newest first.
typedef struct {
  ALGMOD_ENTRY* pEntries;
  unsigned long ulKeywordLine;  // line of the last [Algorithmic Model]
} ALGMOD_STRUCT;

extern "C" {

// The [Algorithmic Model] keyword line: E4601 when *ppRecord exists (it is
// freed), a new empty record; items after the keyword raise E4605. Result 1,
// or 0 when memory runs out.
AMI_EXPORT int ALGMOD_New(const char* pszLine, ALGMOD_STRUCT** ppRecord);
// One data line: "Executable <platform>_<compiler>_<bits> <code> <ami>".
// E4605, E4609, E4610, E4611, E4612, E4613, E4614 as the line requires.
AMI_EXPORT int ALGMOD_ReceiveLine(const char* pszLine, ALGMOD_STRUCT* pRecord);
// The group is left for iNewKeyword: E259 unless it is
// [End Algorithmic Model]; E4606 for bits other than 32/64, E4607 for
// duplicate platform/compiler/bits.
AMI_EXPORT int ALGMOD_Fini(ALGMOD_STRUCT* pRecord, int iNewKeyword);
// Frees the entries, their trees and the record; *ppRecord becomes null.
AMI_EXPORT void ALGMOD_Free(ALGMOD_STRUCT** ppRecord);
// File checks of every model of the list that has a record: E5500 for a
// record in a model of a Model_type that may not carry one at the file's
// version (the version table's "Algorithmic Model banned Model_type"
// items), E4615 for an empty record, E4616 for a missing code file, E4617/E4618 for the AMI file
// name, then the AMI file is read, parsed and checked, its tree kept.
AMI_EXPORT int ALGMOD_Test(MDL_STRUCT* pModels);

}  // extern "C"

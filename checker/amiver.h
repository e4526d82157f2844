// AMI parameter files by AMI version (prefix AMIVER_): which version a file
// is checked under, the reserved parameters each version knows with their
// Usage, Type and Format, the grammar each version allows, and the value
// checks of every parameter (Type, Default, Range, List, List_Tip,
// Increment, Steps, duplicate names, the parameters Modulation ties
// together).
//
// Versions are tenths: 50 for 5.0 (and every file without AMI_Version that
// no .ibs file of a later version names), 51, 60, 61, 70, 71, 72. Files of
// 5.0 and earlier keep the checks of ami.cpp; the value checks then raise
// cautions only.
#pragma once

#include <string>
#include <vector>

#include "amiparam/AmiParamDef.h"
#include "amiparam/AmiParamTree.h"
#include "base/AmiExport.h"

// The version an AMI text is checked under: its AMI_Version (E6000 when that
// is not a version number, W6001 when it is not a known version; the nearest
// known version below it applies, 7.2 for unreadable ones), else
// iContextVersion when it is above 50 (the version of the .ibs file naming
// it), else 50.
int AMIVER_FileVersion(const char* pszText, int iContextVersion);

// "6.1" for 61.
std::string AMIVER_Text(int iVersion);

// Checks a parsed tree of a file of version 51 or later: Reserved_Parameters
// against the version's table, every parameter's leaves, formats, tables and
// values (E4600 to E4632, E6002 to E6022).
void AMIVER_CheckTree(const PARSED_TREE* pTree, int iVersion, const std::vector<Vantrel::AMI::ParamTable>& tables);

// The value checks and the Modulation ties of a file of version 50 or
// earlier, raised as cautions.
void AMIVER_CautionTree(const PARSED_TREE* pTree);

// A failed parse: the list that has no value, named by the parameter it is
// in (E6007 from 5.1 on; in older files a caution after the usual message).
// Result: such a list was found (and reported).
bool AMIVER_ReportShortList(const char* pszText, int iVersion);

// Sets the version AMI_SetIbsVersion sets, as tenths (0: none).
void AMIVER_SetContextVersion(int iVersion);

extern "C" {
// The version of the .ibs file whose [Algorithmic Model] names the AMI files
// checked next ("6.1"; null or an empty text: none). A file without
// AMI_Version is checked under it. The .ibs side sets it before its
// whole-file checks; a standalone .ami check does not use it.
AMI_EXPORT void AMI_SetIbsVersion(const char* pszIbisVersion);
// That version as tenths (61), 0 when none is set.
AMI_EXPORT int AMI_GetIbsVersion(void);
}

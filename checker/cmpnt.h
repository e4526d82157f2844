// [Component] and the keywords that belong to a component (prefix CMPNT_),
// keyword numbers 9 to 23 and 26 to 29.
//
// The module keeps one record per component, named by its keyword line, with
// its [Manufacturer] and [Package Model] names and the number of [Pin]
// rows. The component's own keyword rules are not checked here; the
// whole-file check resolves [Package Model] names (E516).
#pragma once

#include "base/AmiExport.h"

struct EXT_STRUCT;
struct MDL_STRUCT;
struct PKGMDL_STRUCT;

#define CMPNT_NAME_MAX 127
#define CMPNT_PKGMDL_MAX 40

typedef struct CMPNT_STRUCT {
  struct CMPNT_STRUCT* pNext;
  char szName[CMPNT_NAME_MAX + 1];
  char szManufacturer[CMPNT_NAME_MAX + 1];
  char szPackageModel[CMPNT_PKGMDL_MAX + 1];  // "" when no [Package Model]
  unsigned long ulLine;       // line of [Component]
  unsigned long ulPins;       // data lines under [Pin] (the header row included)
} CMPNT_STRUCT;

extern "C" {

AMI_EXPORT int CMPNT_Init(void);
AMI_EXPORT int CMPNT_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int CMPNT_Fini(int iNewKeyword);
AMI_EXPORT void CMPNT_FreeList(CMPNT_STRUCT* pHead);

// Range checks of the components (hook of the whole-file checks).
AMI_EXPORT int CMPNT_TestRanges(CMPNT_STRUCT* pList);
// Component checks: each [Package Model] name must be a package model of the
// file (pPkgMdls) or of a .pkg file in the stored directory, else E516.
AMI_EXPORT int CMPNT_Test(CMPNT_STRUCT* pList, EXT_STRUCT* pExts, MDL_STRUCT* pModels,
                          PKGMDL_STRUCT* pPkgMdls);

}  // extern "C"

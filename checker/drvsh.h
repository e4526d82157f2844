// [Driver Schedule] of a model (prefix DRVSH_): the models that the
// enclosing model switches, one entry per line with its four delays (dly.h).
// Messages: block 4200 to 4216 of the catalogue.
#pragma once

#include "base/AmiExport.h"
#include "checker/dly.h"

struct MDL_STRUCT;

#define DRVSH_NAME_MAX 40

typedef struct DRVSH_ENTRY {
  struct DRVSH_ENTRY* pNext;  // the older entry
  char szName[DRVSH_NAME_MAX + 1];
  DLY_STRUCT* pDly;           // null until the delays were read
} DRVSH_ENTRY;

typedef struct DRVSH_STRUCT {
  DRVSH_ENTRY* pEntries;  // newest first
  unsigned long ulLine;   // line of the keyword
} DRVSH_STRUCT;

extern "C" {

// The keyword line: E4200 when *ppSched already holds a schedule (freed and
// replaced), E4204 for items after the keyword. Result 1, or 0 when memory
// runs out (B4201).
AMI_EXPORT int DRVSH_New(const char* pszLine, DRVSH_STRUCT** ppSched);
// One entry line "<model> <delays>"; the name rules (E4210 to E4215) use
// the enclosing model's name. The entry is kept whatever was reported.
AMI_EXPORT int DRVSH_ReceiveLine(const char* pszLine, DRVSH_STRUCT* pSched, const char* pszModelName);
// The section ends: E4205 without entries, W4206 with only one.
AMI_EXPORT int DRVSH_Fini(DRVSH_STRUCT* pSched, const char* pszModelName);
// Whole-file check: every scheduled model exists (E4207; found ones are
// marked referenced), has no schedule of its own (E4208) and drives an
// output (E4209).
AMI_EXPORT int DRVSH_Test(MDL_STRUCT* pModels);
// Frees the entries with their delays and the schedule; *ppSched becomes null.
AMI_EXPORT void DRVSH_Free(DRVSH_STRUCT** ppSched);

}  // extern "C"

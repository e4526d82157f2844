// [Model Selector] (prefix MSEL_), keyword number 96: one record per selector, named by its keyword line; its data lines (model name and description) are kept as the number of entries.
//
// The group's own rules are not checked here: the module keeps what the
// whole-file checks need (the names, for references) and raises nothing on
// the lines of a valid file.
#pragma once

#include "base/AmiExport.h"

#define MSEL_NAME_MAX 127

typedef struct MSEL_STRUCT {
  struct MSEL_STRUCT* pNext;
  char szName[MSEL_NAME_MAX + 1];  // first field of the keyword line
  unsigned long ulLine;          // line of the opening keyword
  unsigned long ulDataLines;     // data lines received
} MSEL_STRUCT;

extern "C" {

// The opening keyword starts a new record in the whole-file object.
// Result 1, or 0 without object or memory.
AMI_EXPORT int MSEL_Init(void);
AMI_EXPORT int MSEL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int MSEL_Fini(int iNewKeyword);
AMI_EXPORT void MSEL_FreeList(MSEL_STRUCT* pHead);
AMI_EXPORT MSEL_STRUCT* MSEL_Find(MSEL_STRUCT* pList, const char* pszName);

// Whole-file checks of the records of the list (hook of IBIS_Test).
AMI_EXPORT int MSEL_Test(MSEL_STRUCT* pList);

}  // extern "C"

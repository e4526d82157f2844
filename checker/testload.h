// [Test Load] (prefix TESTLOAD_), keyword number 117: one record per test load, named by its keyword line.
//
// The group's own rules are not checked here: the module keeps what the
// whole-file checks need (the names, for references) and raises nothing on
// the lines of a valid file.
#pragma once

#include "base/AmiExport.h"

#define TESTLOAD_NAME_MAX 127

typedef struct TESTLOAD_STRUCT {
  struct TESTLOAD_STRUCT* pNext;
  char szName[TESTLOAD_NAME_MAX + 1];  // first field of the keyword line
  unsigned long ulLine;          // line of the opening keyword
  unsigned long ulDataLines;     // data lines received
} TESTLOAD_STRUCT;

extern "C" {

// The opening keyword starts a new record in the whole-file object.
// Result 1, or 0 without object or memory.
AMI_EXPORT int TESTLOAD_Init(void);
AMI_EXPORT int TESTLOAD_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int TESTLOAD_Fini(int iNewKeyword);
AMI_EXPORT void TESTLOAD_FreeList(TESTLOAD_STRUCT* pHead);
AMI_EXPORT TESTLOAD_STRUCT* TESTLOAD_Find(TESTLOAD_STRUCT* pList, const char* pszName);

// Whole-file checks of the records of the list (hook of IBIS_Test).
AMI_EXPORT int TESTLOAD_Test(TESTLOAD_STRUCT* pList);

}  // extern "C"

// [Test Data] and its waveform keywords (prefix TESTDATA_), keyword numbers 108 to 116: one record per test data set, named by its keyword line.
//
// The group's own rules are not checked here: the module keeps what the
// whole-file checks need (the names, for references) and raises nothing on
// the lines of a valid file.
#pragma once

#include "base/AmiExport.h"

#define TESTDATA_NAME_MAX 127

typedef struct TESTDATA_STRUCT {
  struct TESTDATA_STRUCT* pNext;
  char szName[TESTDATA_NAME_MAX + 1];  // first field of the keyword line
  unsigned long ulLine;          // line of the opening keyword
  unsigned long ulDataLines;     // data lines received
} TESTDATA_STRUCT;

extern "C" {

// The opening keyword starts a new record in the whole-file object.
// Result 1, or 0 without object or memory.
AMI_EXPORT int TESTDATA_Init(void);
AMI_EXPORT int TESTDATA_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int TESTDATA_Fini(int iNewKeyword);
AMI_EXPORT void TESTDATA_FreeList(TESTDATA_STRUCT* pHead);
AMI_EXPORT TESTDATA_STRUCT* TESTDATA_Find(TESTDATA_STRUCT* pList, const char* pszName);

// Whole-file checks of the records of the list (hook of IBIS_Test).
AMI_EXPORT int TESTDATA_Test(TESTDATA_STRUCT* pList);

}  // extern "C"

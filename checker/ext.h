// [External Circuit] and [End External Circuit] (prefix EXT_), keyword numbers 24 and 25: one record per external circuit, named by its keyword line.
//
// The group's own rules are not checked here: the module keeps what the
// whole-file checks need (the names, for references) and raises nothing on
// the lines of a valid file.
#pragma once

#include "base/AmiExport.h"

#define EXT_NAME_MAX 127

typedef struct EXT_STRUCT {
  struct EXT_STRUCT* pNext;
  char szName[EXT_NAME_MAX + 1];  // first field of the keyword line
  unsigned long ulLine;          // line of the opening keyword
  unsigned long ulDataLines;     // data lines received
} EXT_STRUCT;

extern "C" {

// The opening keyword starts a new record in the whole-file object.
// Result 1, or 0 without object or memory.
AMI_EXPORT int EXT_Init(void);
AMI_EXPORT int EXT_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int EXT_Fini(int iNewKeyword);
AMI_EXPORT void EXT_FreeList(EXT_STRUCT* pHead);
AMI_EXPORT EXT_STRUCT* EXT_Find(EXT_STRUCT* pList, const char* pszName);

}  // extern "C"

// [Submodel] and the keywords that belong to it (prefix SUBMDL_), keyword numbers 97 to 107: one record per submodel, named by its keyword line.
//
// The group's own rules are not checked here: the module keeps what the
// whole-file checks need (the names, for references) and raises nothing on
// the lines of a valid file.
#pragma once

#include "base/AmiExport.h"

#define SUBMDL_NAME_MAX 127

typedef struct SUBMDL_STRUCT {
  struct SUBMDL_STRUCT* pNext;
  char szName[SUBMDL_NAME_MAX + 1];  // first field of the keyword line
  unsigned long ulLine;          // line of the opening keyword
  unsigned long ulDataLines;     // data lines received
} SUBMDL_STRUCT;

extern "C" {

// The opening keyword starts a new record in the whole-file object.
// Result 1, or 0 without object or memory.
AMI_EXPORT int SUBMDL_Init(void);
AMI_EXPORT int SUBMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int SUBMDL_Fini(int iNewKeyword);
AMI_EXPORT void SUBMDL_FreeList(SUBMDL_STRUCT* pHead);
AMI_EXPORT SUBMDL_STRUCT* SUBMDL_Find(SUBMDL_STRUCT* pList, const char* pszName);

// Whole-file checks of the records of the list (hook of IBIS_Test).
AMI_EXPORT int SUBMDL_Test(SUBMDL_STRUCT* pList);

}  // extern "C"

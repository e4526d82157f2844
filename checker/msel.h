// [Model Selector] (prefix MSEL_), keyword number 96: one record per
// selector (newest first in the whole-file object) with its list of models
// and their descriptions; checked line by line, when its section ends, and
// against the file's models after the whole file is read.
#pragma once

#include "base/AmiExport.h"

struct MDL_STRUCT;

#define MSEL_NAME_MAX 40  // 20 in files of versions up to 3
#define MSEL_DESC_MAX 80  // minus the length of the model name

typedef struct MSEL_MODEL {
  struct MSEL_MODEL* pNext;  // file order
  char szName[MSEL_NAME_MAX + 1];
  char szDescription[MSEL_DESC_MAX + 1];
} MSEL_MODEL;

typedef struct MSEL_STRUCT {
  struct MSEL_STRUCT* pNext;
  MSEL_MODEL* pModels;           // file order
  char szName[MSEL_NAME_MAX + 1];
  int iDiff;                     // 2 until known, 0 differential, 1 single-ended
  unsigned long ulLine;          // line of the opening keyword
} MSEL_STRUCT;

extern "C" {

// The opening keyword starts a new record in the whole-file object (B4000
// without one, E4007 without memory).
AMI_EXPORT int MSEL_Init(void);
AMI_EXPORT int MSEL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// The section ends: E4005 without models, W4006 with one.
AMI_EXPORT int MSEL_Fini(int iNewKeyword);
AMI_EXPORT int MSEL_FreeList(MSEL_STRUCT* pHead);
AMI_EXPORT int MSEL_NameExists(const char* pszName, MSEL_STRUCT* pList);
AMI_EXPORT MSEL_STRUCT* MSEL_FindMsel(const char* pszName, MSEL_STRUCT* pList);
// Whether the selector lists a model of this name (exact comparison).
AMI_EXPORT int MSEL_HasModel(const MSEL_STRUCT* pMsel, const char* pszModel);
AMI_EXPORT void MSEL_AddLink(MSEL_STRUCT** ppLink, MSEL_STRUCT* pItem);
AMI_EXPORT int MSEL_GetLastLink(MSEL_STRUCT** ppList);

// The whole-file test of every selector (E4021, E4024, W4022, W4023) and
// its differential mark.
AMI_EXPORT int MSEL_TestList(MSEL_STRUCT* pList);

}  // extern "C"

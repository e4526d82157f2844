// [Series Switch Groups] of a component (prefix SSWCH_): groups of function
// names switched together, each line starting with On or Off and a group
// ending with "/" (it may go on over several lines).
#pragma once

#include "base/AmiExport.h"

struct SPINMPG_STRUCT;

#define SSWCH_NAME_MAX 20

typedef struct SSWCH_STRUCT {
  struct SSWCH_STRUCT* pNext;  // file order
  char szState[4];             // "On" or "Off"
  char (*paszNames)[SSWCH_NAME_MAX + 1];  // growable array of names
  unsigned uNames;
  unsigned uCapacity;
} SSWCH_STRUCT;

extern "C" {

// One line. Result 1 with the group it fed through *ppGroup (a new one, or
// the continued current one), or 0 on a fault that leaves no usable group.
AMI_EXPORT int SSWCH_ParseLine(const char* pszLine, SSWCH_STRUCT** ppGroup);
AMI_EXPORT void SSWCH_LinkSswch(SSWCH_STRUCT** ppList, SSWCH_STRUCT* pGroup);
AMI_EXPORT int SSWCH_isLinked(const SSWCH_STRUCT* pList, const SSWCH_STRUCT* pGroup);
AMI_EXPORT int SSWCH_HasFunction(const SSWCH_STRUCT* pList, const char* pszName);
AMI_EXPORT int SSWCH_TestList(SSWCH_STRUCT* pList, SPINMPG_STRUCT* pMappings, const char* pszComponent);
// Forgets the current group (a new component, or the end of the check).
AMI_EXPORT void SSWCH_Reset(void);
AMI_EXPORT void SSWCH_FreeList(SSWCH_STRUCT* pList);

}  // extern "C"

// [Series Pin Mapping] rows of a component (prefix SPINMPG_): pin pairs tied
// to a series model (or a selector of series models) and, for switches, to a
// function group.
#pragma once

#include "base/AmiExport.h"

struct PIN_STRUCT;
struct SSWCH_STRUCT;
struct MDL_STRUCT;
struct MSEL_STRUCT;

#define SPINMPG_PIN_MAX 5
#define SPINMPG_MODEL_MAX 40  // 20 in files of versions up to 3
#define SPINMPG_GROUP_MAX 20

typedef struct SPINMPG_STRUCT {
  struct SPINMPG_STRUCT* pNext;  // file order
  int iColumns;
  char szPin1[SPINMPG_PIN_MAX + 1];
  char szPin2[SPINMPG_PIN_MAX + 1];
  char szModel[SPINMPG_MODEL_MAX + 1];
  char szGroup[SPINMPG_GROUP_MAX + 1];  // "" when absent
} SPINMPG_STRUCT;

extern "C" {

// Reads the [Series Pin Mapping] keyword line (E542 frees *ppList and starts
// again; E528, E543, E532, E529).
AMI_EXPORT void SPINMPG_ParseHeader(const char* pszLine, int* piCols, SPINMPG_STRUCT** ppList);
AMI_EXPORT int SPINMPG_ParseLine(const char* pszLine, int iHeaderCols, SPINMPG_STRUCT** ppRec);
AMI_EXPORT void SPINMPG_LinkSpinMpg(SPINMPG_STRUCT** ppList, SPINMPG_STRUCT* pRec);
AMI_EXPORT int SPINMPG_TestList(SPINMPG_STRUCT* pList, PIN_STRUCT* pPins, const char* pszComponent,
                                SSWCH_STRUCT* pGroups, MDL_STRUCT* pModels, MSEL_STRUCT* pMsels);
AMI_EXPORT void SPINMPG_FreeList(SPINMPG_STRUCT* pList);

}  // extern "C"

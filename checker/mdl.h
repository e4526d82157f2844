// [Model] and the keywords that belong to a model (prefix MDL_), keyword
// numbers 30 to 73.
//
// This module keeps one current model from its [Model] line until a keyword
// of another group arrives. It stores the model's name and type, reads its
// I-V tables through CRV_ (crv.h) and its [Algorithmic Model] through
// ALGMOD_ (algmod.h). Lines of the other model keywords are received and left
// to the modules that own them. The whole-file hooks below are called by
// IBIS_Test in its fixed order.
#pragma once

#include "ami/AmiExport.h"
#include "checker/algmod.h"
#include "checker/crv.h"

#define MDL_NAME_MAX 40

// Model type numbers.
enum {
  MDL_TYPE_NONE = 0,
  MDL_TYPE_NO_TYPE = 1,
  MDL_TYPE_INPUT = 2,
  MDL_TYPE_OUTPUT,
  MDL_TYPE_IO,
  MDL_TYPE_3STATE,
  MDL_TYPE_OPEN_DRAIN,
  MDL_TYPE_IO_OPEN_DRAIN,
  MDL_TYPE_OPEN_SINK,
  MDL_TYPE_IO_OPEN_SINK,
  MDL_TYPE_OPEN_SOURCE,
  MDL_TYPE_IO_OPEN_SOURCE,
  MDL_TYPE_INPUT_ECL,
  MDL_TYPE_OUTPUT_ECL,
  MDL_TYPE_IO_ECL,
  MDL_TYPE_TERMINATOR,
  MDL_TYPE_SERIES,
  MDL_TYPE_SERIES_SWITCH,
  MDL_TYPE_3STATE_ECL,
  MDL_TYPE_IO_DIFF,
  MDL_TYPE_OUTPUT_DIFF,
  MDL_TYPE_3STATE_DIFF,
  MDL_TYPE_INPUT_DIFF
};

// The I-V tables of a model, by slot.
enum { MDL_CRV_PULLDOWN, MDL_CRV_PULLUP, MDL_CRV_GND_CLAMP, MDL_CRV_POWER_CLAMP, MDL_CRV_ISSO_PD, MDL_CRV_ISSO_PU, MDL_CRV_COUNT };

typedef struct MDL_STRUCT {
  struct MDL_STRUCT* pNext;
  char szName[MDL_NAME_MAX + 1];
  int iType;                   // MDL_TYPE_*
  unsigned long ulLine;        // line of [Model]
  CRV_STRUCT* apCrv[MDL_CRV_COUNT];
  ALGMOD_STRUCT* pAlgMod;      // [Algorithmic Model], null when absent
} MDL_STRUCT;

extern "C" {

// [Model] opens a model: a new current record added to the whole-file
// object. Result 1, or 0 without object or memory.
AMI_EXPORT int MDL_Init(void);
AMI_EXPORT int MDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// Finishes the section of the last model keyword (a table, the algorithmic
// model); a keyword outside the model group ends the model.
AMI_EXPORT int MDL_Fini(int iNewKeyword);
AMI_EXPORT void MDL_FreeList(MDL_STRUCT* pHead);

// Look-ups for the whole-file checks.
AMI_EXPORT MDL_STRUCT* MDL_FindModel(MDL_STRUCT* pList, const char* pszName);
AMI_EXPORT int MDL_NameExists(MDL_STRUCT* pList, const char* pszName);
AMI_EXPORT int MDL_GetType(const MDL_STRUCT* pModel);
// Name of a type number ("No Type" for 1, "" for 0 or unknown numbers).
AMI_EXPORT const char* MDL_FindTypeName(int iType);

// Whole-file hooks, in IBIS_Test's order.
AMI_EXPORT int MDL_TestReceiverThresholds(MDL_STRUCT* pModels);
AMI_EXPORT int MDL_TestDC(MDL_STRUCT* pModels);
AMI_EXPORT int MDL_TestRanges(MDL_STRUCT* pModels);
AMI_EXPORT int MDL_TestDriverSchedules(MDL_STRUCT* pModels);
AMI_EXPORT int MDL_TestSubmodelRefs(MDL_STRUCT* pModels);
AMI_EXPORT int MDL_TestReferences(MDL_STRUCT* pModels);

}  // extern "C"

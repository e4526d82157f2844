// [Submodel] and the keywords that belong to it (prefix SUBMDL_), keyword
// numbers 97 to 107, IBIS versions 3 to 5: an add-on circuit that a [Model]
// attaches with [Add Submodel] (a dynamic clamp, a bus-hold circuit or, from
// version 4, a fall-back driver).
//
// One record per [Submodel] in the whole-file object (newest first). The
// module reads the Submodel_type line and hands [Submodel Spec] to SMSPEC_
// (smspec.h), the I-V tables to CRV_ (crv.h), [Ramp] to RAMP_ (ramp.h) and
// the waveforms and pulse tables to WVFRM_ (wvfrm.h). When a keyword outside
// the group arrives, the whole submodel is checked against the rules of its
// type and its trigger voltages against its waveforms.
// Messages: blocks 2400 to 2444 and 2700 to 2709 of the catalogue.
#pragma once

#include "base/AmiExport.h"
#include "checker/crv.h"

struct RAMP_STRUCT;
struct WVFRM_STRUCT;
struct SMSPEC_STRUCT;

#define SUBMDL_NAME_MAX 20

// Submodel_type values.
#define SUBMDL_TYPE_NONE 0           // no Submodel_type line
#define SUBMDL_TYPE_NO_TYPE 1        // given but not recognised
#define SUBMDL_TYPE_DYNAMIC_CLAMP 2
#define SUBMDL_TYPE_BUS_HOLD 3
#define SUBMDL_TYPE_FALL_BACK 4

// The I-V tables of a submodel, by slot.
enum { SUBMDL_CRV_PULLDOWN, SUBMDL_CRV_PULLUP, SUBMDL_CRV_GND_CLAMP, SUBMDL_CRV_POWER_CLAMP, SUBMDL_CRV_COUNT };

typedef struct SUBMDL_STRUCT {
  struct SUBMDL_STRUCT* pNext;
  char szName[SUBMDL_NAME_MAX + 1];
  int iType;                                 // SUBMDL_TYPE_*
  CRV_STRUCT* apCrv[SUBMDL_CRV_COUNT];       // null until the table's keyword
  struct RAMP_STRUCT* pRamp;
  struct WVFRM_STRUCT* pRising;              // [Rising Waveform] list, file order
  struct WVFRM_STRUCT* pFalling;             // [Falling Waveform] list
  struct WVFRM_STRUCT* pGndPulse;            // [GND Pulse Table] (a list of one)
  struct WVFRM_STRUCT* pPowerPulse;          // [POWER Pulse Table]
  struct SMSPEC_STRUCT* pSpec;               // [Submodel Spec], null when absent
  unsigned long ulLine;                      // line of the keyword
} SUBMDL_STRUCT;

extern "C" {

// [Submodel] opens a record at the head of the whole-file object's list and
// makes it current (B2401 without a whole-file object, B2400 without
// memory). Result 1 when a record was made.
AMI_EXPORT int SUBMDL_Init(void);
// One keyword line or data line of the current submodel (E2402/E2403 when
// none is current).
AMI_EXPORT int SUBMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// Closes the part of the current keyword; a keyword outside the submodel
// group ends the submodel with its whole-submodel rules (E2424 to E2440,
// W2441 to W2444, named by the submodel and not tied to a line).
AMI_EXPORT int SUBMDL_Fini(int iNewKeyword);
AMI_EXPORT void SUBMDL_FreeList(SUBMDL_STRUCT* pHead);
// The submodel of exactly that name, or null.
// The submodel being read, or null.
AMI_EXPORT SUBMDL_STRUCT* SUBMDL_GetCurrent(void);
AMI_EXPORT SUBMDL_STRUCT* SUBMDL_Find(SUBMDL_STRUCT* pList, const char* pszName);
AMI_EXPORT int SUBMDL_NameExists(const char* pszName, SUBMDL_STRUCT* pList);

}  // extern "C"

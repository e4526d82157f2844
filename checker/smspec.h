// [Submodel Spec] of a submodel (prefix SMSPEC_): the trigger voltages of
// the rising and falling edges and the switch-off delay, each a typ/min/max
// range. The submodel module opens the record at the keyword, hands it every
// following line and closes it when the next keyword arrives.
// Messages: block 2700 to 2709 of the catalogue.
#pragma once

#include "base/AmiExport.h"
#include "checker/rng.h"

typedef struct SMSPEC_STRUCT {
  RNG_STRUCT* pVtriggerR;  // V_trigger_r, null until given
  RNG_STRUCT* pVtriggerF;  // V_trigger_f
  RNG_STRUCT* pOffDelay;   // Off_delay
} SMSPEC_STRUCT;

extern "C" {

// The keyword line: E2700 when *ppSpec already holds a record (it is freed
// and replaced), E2704 for items after the keyword. Result 1, or 0 when
// memory runs out (B2701; *ppSpec is then null).
AMI_EXPORT int SMSPEC_New(const char* pszLine, SMSPEC_STRUCT** ppSpec);
// One data line "name typ min max": E2706 for an unknown name, E2707 (with
// the submodel's name) for a repeated one, E2708 for a typical NA.
AMI_EXPORT int SMSPEC_ReceiveLine(const char* pszLine, SMSPEC_STRUCT* pSpec, const char* pszSubmodelName);
// The keyword's data ends: E2705 when none of the three ranges was given.
AMI_EXPORT int SMSPEC_Fini(const SMSPEC_STRUCT* pSpec, const char* pszSubmodelName);
// Frees the ranges and the record; null accepted.
AMI_EXPORT void SMSPEC_Free(SMSPEC_STRUCT** ppSpec);

}  // extern "C"

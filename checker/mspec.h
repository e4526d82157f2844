// [Model Spec] of a model (prefix MSPEC_): typ/min/max ranges for input
// thresholds (plain and hysteresis), overshoot limits, pulse immunity and the
// timing test load. Read line by line; checked against each other and
// against the model's own Vinl and Vinh when the keyword's data ends.
// Messages: block 3800 to 3820 of the catalogue.
#pragma once

#include "base/AmiExport.h"
#include "checker/rng.h"

struct MDL_STRUCT;

// Range slots, in this order.
enum {
  MSPEC_VINH, MSPEC_VINL, MSPEC_VINH_PLUS, MSPEC_VINH_MINUS, MSPEC_VINL_PLUS, MSPEC_VINL_MINUS,
  MSPEC_S_OVERSHOOT_LOW, MSPEC_S_OVERSHOOT_HIGH, MSPEC_D_OVERSHOOT_LOW, MSPEC_D_OVERSHOOT_HIGH,
  MSPEC_D_OVERSHOOT_TIME, MSPEC_PULSE_HIGH, MSPEC_PULSE_LOW, MSPEC_PULSE_TIME, MSPEC_VMEAS, MSPEC_VREF,
  MSPEC_CREF, MSPEC_RREF, MSPEC_RREF_DIFF, MSPEC_CREF_DIFF, MSPEC_VREF_RISING, MSPEC_VREF_FALLING,
  MSPEC_CREF_RISING, MSPEC_CREF_FALLING, MSPEC_RREF_RISING, MSPEC_RREF_FALLING, MSPEC_VMEAS_RISING,
  MSPEC_VMEAS_FALLING, MSPEC_D_OVERSHOOT_AMP_H, MSPEC_D_OVERSHOOT_AMP_L, MSPEC_D_OVERSHOOT_AREA_H,
  MSPEC_D_OVERSHOOT_AREA_L, MSPEC_SLOT_COUNT
};

typedef struct MSPEC_STRUCT {
  int bHysteresis;                          // all four hysteresis thresholds present
  RNG_STRUCT* apRange[MSPEC_SLOT_COUNT];    // null while absent
  unsigned long ulLine;                     // line of the [Model Spec] keyword
} MSPEC_STRUCT;

extern "C" {

// The keyword line: E3800 when *ppSpec already holds a record (freed and
// replaced), E3804 for items after the keyword. Result 1, or 0 when memory
// runs out (B3801).
AMI_EXPORT int MSPEC_New(const char* pszLine, MSPEC_STRUCT** ppSpec);
// One data line: E3806 for an unknown name (names depend on the file
// version), W3805 for a sub-parameter the current model's type does not
// take (still stored), E3807 for a repeated one, E3808 for a typical NA.
AMI_EXPORT int MSPEC_ReceiveLine(const char* pszLine, MSPEC_STRUCT* pSpec, const char* pszModelName);
// The keyword's data ends: hysteresis, overshoot, pulse and reference rules
// (W3809 to W3820, E3812 to E3816), not tied to the current line.
AMI_EXPORT int MSPEC_Fini(MDL_STRUCT* pModel);
// Frees every range and the record; null accepted.
AMI_EXPORT void MSPEC_Free(MSPEC_STRUCT** ppSpec);

}  // extern "C"

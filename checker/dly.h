// Delay values of a [Driver Schedule] line (prefix DLY_): Rise_on_dly,
// Rise_off_dly, Fall_on_dly and Fall_off_dly, each a value, NA or absent.
// Messages: block 4500 to 4506 of the catalogue.
#pragma once

#include "base/AmiExport.h"

#define DLY_ABSENT 0
#define DLY_VALUE 1
#define DLY_NA 2

enum { DLY_RISE_ON, DLY_RISE_OFF, DLY_FALL_ON, DLY_FALL_OFF, DLY_COUNT };

typedef struct {
  double adValue[DLY_COUNT];  // seconds
  int aiState[DLY_COUNT];     // DLY_ABSENT, DLY_VALUE, DLY_NA
} DLY_STRUCT;

extern "C" {

// Reads the four delays of pszText for the scheduled model pszName into a
// new record through *ppDly (even when they are not valid, unless memory
// runs out). E4501/E4502 for a wrong count, E1909/W1910 for the values,
// E4504 for fewer than two values, E4505 for forbidden pairs (unless all
// four are given), E4506 for negative values. Result 1 when the delays are
// valid.
AMI_EXPORT int DLY_ParseDly(const char* pszText, const char* pszName, DLY_STRUCT** ppDly);
// Frees the record; *ppDly becomes null.
AMI_EXPORT void DLY_Free(DLY_STRUCT** ppDly);

}  // extern "C"

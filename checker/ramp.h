// [Ramp] of a model (prefix RAMP_): the dV/dt ratios of the rising and
// falling edges, typical, minimum and maximum, and the optional R_load.
// The model module opens a record at the keyword (RAMP_New), hands every
// following line to RAMP_ReceiveLine and closes the section with RAMP_Fini.
// Messages: block 1300 to 1314 of the catalogue.
#pragma once

#include "base/AmiExport.h"

// State of one ratio column.
#define RAMP_ABSENT 0  // not given, or given but invalid
#define RAMP_READ 1    // dV and dT read
#define RAMP_NA 2

typedef struct {
  double dV;
  double dT;
  int iState;  // RAMP_ABSENT, RAMP_READ, RAMP_NA
} RAMP_RATIO;

// One dV/dt line: typical, minimum, maximum in this order.
typedef struct {
  RAMP_RATIO typ, min, max;
} RAMP_ENTRY;

typedef struct RAMP_STRUCT {
  RAMP_ENTRY* pRising;   // dV/dt_r, null until its line is met
  RAMP_ENTRY* pFalling;  // dV/dt_f
  double dRLoad;         // ohms, valid while bRLoad is set
  int bRLoad;
  unsigned long ulLine;  // line of the [Ramp] keyword
} RAMP_STRUCT;

extern "C" {

// The [Ramp] keyword line: E1300 when *ppRamp already holds a record (it is
// freed and replaced), E1304 for items after the keyword. Result 1, or 0
// when memory runs out (B1301; *ppRamp is then null).
AMI_EXPORT int RAMP_New(const char* pszLine, RAMP_STRUCT** ppRamp);
// One sub-parameter line (dV/dt_r, dV/dt_f, R_load) of the record; the model
// name is used by E1307. Unknown names raise E1305. Result 1.
AMI_EXPORT int RAMP_ReceiveLine(const char* pszLine, RAMP_STRUCT* pRamp, const char* pszModelName);
// The section ends: E1306 for each missing dV/dt line, with the [Ramp]
// line's number (not tied to the current line). Result 1.
AMI_EXPORT int RAMP_Fini(RAMP_STRUCT* pRamp);
// Frees the record with both ratio lines; *ppRamp becomes null.
AMI_EXPORT void RAMP_Free(RAMP_STRUCT** ppRamp);

}  // extern "C"

// [Receiver Thresholds] of a model (prefix RCVTH_): fifteen optional
// "name = value" entries (Reference_supply takes a supply name), checked when
// the section ends and, after the whole file, for completeness as a
// differential or single-ended receiver.
#pragma once

#include "base/AmiExport.h"

struct MDL_STRUCT;

// Entries, numbered as in the table of names (0 is NOT_RCVTH).
enum {
  RCVTH_NOT = 0,
  RCVTH_VTH = 1,
  RCVTH_VTH_MIN,
  RCVTH_VTH_MAX,
  RCVTH_VINH_AC,
  RCVTH_VINH_DC,
  RCVTH_VINL_AC,
  RCVTH_VINL_DC,
  RCVTH_THRESHOLD_SENSITIVITY,
  RCVTH_REFERENCE_SUPPLY,
  RCVTH_VCROSS_LOW,
  RCVTH_VCROSS_HIGH,
  RCVTH_VDIFF_AC,
  RCVTH_VDIFF_DC,
  RCVTH_TSLEW_AC,
  RCVTH_TDIFFSLEW_AC,
  RCVTH_ENTRIES = RCVTH_TDIFFSLEW_AC
};

typedef struct RCVTH_STRUCT {
  int abPresent[RCVTH_ENTRIES + 1];     // entry met (index 0 unused)
  double adValue[RCVTH_ENTRIES + 1];    // number entries (0.0 when the value was bad)
  char szReferenceSupply[16];           // the text entry when present
} RCVTH_STRUCT;

extern "C" {

// Opens a record for a model at its keyword line (E3200 replaces an old one).
AMI_EXPORT int RCVTH_New(const char* pszLine, RCVTH_STRUCT** ppRec);
AMI_EXPORT int RCVTH_ReceiveLine(const char* pszLine, RCVTH_STRUCT* pRec, int iLineType);
// The section of the model ends (E3205).
AMI_EXPORT int RCVTH_Fini(const MDL_STRUCT* pModel);
// The whole-file check of every model (W3206 to W3210, W3219 to W3224).
AMI_EXPORT int RCVTH_Check(MDL_STRUCT* pModels);
AMI_EXPORT void RCVTH_Free(RCVTH_STRUCT** ppRec);
// Whether the entry is present.
AMI_EXPORT int RCVTH_Has(const RCVTH_STRUCT* pRec, int iEntry);

}  // extern "C"

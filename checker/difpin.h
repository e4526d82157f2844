// [Diff Pin] rows of a component (prefix DIFPIN_): pairs of pins that form
// differential pins, with vdiff and the delays; checked against the
// component's [Pin] rows and against each other.
#pragma once

#include "base/AmiExport.h"

struct PIN_STRUCT;
struct NAMEIDX;

#define DIFPIN_NAME_MAX 5

typedef struct DIFPIN_STRUCT {
  struct DIFPIN_STRUCT* pNext;  // file order
  int iColumns;                 // fields of the data line (at most 6)
  char szPin[DIFPIN_NAME_MAX + 1];
  char szInvPin[DIFPIN_NAME_MAX + 1];
  double dVdiff;
  int iVdiffState;              // 0 absent or bad, 1 value
  double dTdelayTyp;
  int iTdelayTypState;
  double dTdelayMin;
  int iTdelayMinState;
  double dTdelayMax;
  int iTdelayMaxState;
  struct NAMEIDX* pIndex;       // first record only: records by both pin names (kept by DIFPIN_LinkDIFPIN)
} DIFPIN_STRUCT;

extern "C" {

// Reads the [Diff Pin] keyword line into *piCols (E527, E528, E532, E529).
AMI_EXPORT void DIFPIN_ParseHeader(const char* pszLine, int* piCols);
// Parses one data line under a header of iHeaderCols columns. Result 1 and a
// new record, or 0 (E800) when it cannot be made.
AMI_EXPORT int DIFPIN_ParseLine(const char* pszLine, int iHeaderCols, DIFPIN_STRUCT** ppRec);
// Appends; records are added only through here, which keeps the list's index.
AMI_EXPORT void DIFPIN_LinkDIFPIN(DIFPIN_STRUCT** ppList, DIFPIN_STRUCT* pRec);
// The end-of-component checks (E810, E811, W812 to W815).
AMI_EXPORT int DIFPIN_TestList(DIFPIN_STRUCT* pList, PIN_STRUCT* pPins, const char* pszComponent);
// Whether the pin is a Diff_Pin or inv_pin of the list (exact comparison).
AMI_EXPORT int DIFPIN_HasPin(const DIFPIN_STRUCT* pList, const char* pszPin);
AMI_EXPORT void DIFPIN_FreeList(DIFPIN_STRUCT* pList);

}  // extern "C"

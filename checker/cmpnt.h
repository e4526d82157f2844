// [Component] and the keywords that belong to a component (prefix CMPNT_),
// keyword numbers 9 to 23 and 26 to 29.
//
// The module keeps one record per [Component] (newest first in the
// whole-file object): its name, [Manufacturer], [Package] (PKG_, pkg.h),
// [Package Model] name, [Pin] rows (PIN_, pin.h), the Si_location and
// Timing_location sub-parameters, and the tables of the other component
// keywords, whose rows it hands to their modules: [Pin Mapping] (PINMPG_),
// [Diff Pin] (DIFPIN_), [Series Pin Mapping] (SPINMPG_), [Series Switch
// Groups] (SSWCH_). A component ends when a keyword of another group arrives
// (the end-of-component rules run then); CMPNT_TestList runs the whole-file
// component checks, and CMPNT_DiffQuery tells whether a model is
// differential.
#pragma once

#include "base/AmiExport.h"

struct EXT_STRUCT;
struct MDL_STRUCT;
struct MSEL_STRUCT;
struct PKG_STRUCT;
struct PIN_STRUCT;
struct PINMPG_STRUCT;
struct DIFPIN_STRUCT;
struct SPINMPG_STRUCT;
struct SSWCH_STRUCT;

#define CMPNT_NAME_MAX 40
#define CMPNT_PKGMDL_MAX 40

// Si_location and Timing_location values.
// CMPNT_LOC_BAD: the line was met but its value refused.
enum { CMPNT_LOC_UNSET = 0, CMPNT_LOC_PIN = 1, CMPNT_LOC_DIE = 2, CMPNT_LOC_BAD = 3 };

// One [Alternate Package Models] entry.
typedef struct CMPNT_NAME {
  struct CMPNT_NAME* pNext;  // file order
  char szName[CMPNT_PKGMDL_MAX + 1];
} CMPNT_NAME;

typedef struct CMPNT_STRUCT {
  struct CMPNT_STRUCT* pNext;
  char szName[CMPNT_NAME_MAX + 1];
  char szManufacturer[CMPNT_NAME_MAX + 1];
  char szPackageModel[CMPNT_PKGMDL_MAX + 1];  // "" when no [Package Model]
  unsigned long ulLine;        // line of [Component]
  int bManufacturer;           // [Manufacturer] seen
  PKG_STRUCT* pPackage;        // [Package], null when absent
  int iPinCols;                // [Pin] header column count, 0 until [Pin]
  int aiPinOrder[3];           // value held by the 4th..6th [Pin] field (PIN_COL_*)
  PIN_STRUCT* pPins;           // [Pin] rows, file order
  unsigned long ulPins;        // number of [Pin] rows
  int iSiLocation;             // CMPNT_LOC_*
  int iTimingLocation;         // CMPNT_LOC_*
  int iPinMpgCols;             // [Pin Mapping] header column count, 0 until the keyword
  PINMPG_STRUCT* pPinMpgs;     // [Pin Mapping] rows, file order
  int iDiffPinCols;            // [Diff Pin] header column count, 0 until the keyword
  DIFPIN_STRUCT* pDiffPins;    // [Diff Pin] rows, file order
  int iSpinMpgCols;            // [Series Pin Mapping] header column count, 0 until the keyword
  SPINMPG_STRUCT* pSpinMpgs;   // [Series Pin Mapping] rows, file order
  int bSswch;                  // [Series Switch Groups] seen
  SSWCH_STRUCT* pSswchs;       // switch groups, file order
  CMPNT_NAME* pAltPkgMdls;     // [Alternate Package Models] names, file order
  struct CCALL_DATA* pCcall;   // node declarations and circuit calls (ccall.h)
  struct CMPX_LABELS* pLabels; // names of [Bus Label] and [Die Supply Pads] (cmpx.h)
} CMPNT_STRUCT;

extern "C" {

AMI_EXPORT int CMPNT_Init(void);
AMI_EXPORT int CMPNT_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int CMPNT_Fini(int iNewKeyword);
AMI_EXPORT void CMPNT_FreeList(CMPNT_STRUCT* pHead);

// The component being read, or null.
AMI_EXPORT CMPNT_STRUCT* CMPNT_GetCurrent(void);

// The whole-file component checks: duplicate names (E511), package model
// names (E516), pins (E524 and PIN_TestList), then each component's
// [Pin Mapping], [Diff Pin], [Series Pin Mapping], [Series Switch Groups]
// and [Alternate Package Models] checks.
AMI_EXPORT int CMPNT_TestList(CMPNT_STRUCT* pList, EXT_STRUCT* pExts, MDL_STRUCT* pModels);

// The differential query: whether a [Diff Pin] entry of some component of
// the top whole-file object names a pin (or inverting pin) whose [Pin] model
// is this model, directly or through a model selector that lists it. When it
// is, the model is marked differential (MDL_STRUCT::bDiff), so is the
// selector it was found through (MSEL_STRUCT::iDiff = 0), *ppszPin (when
// given) gets that pin's name, and the result is 1; else 0 and "".
AMI_EXPORT int CMPNT_DiffQuery(MDL_STRUCT* pModel, const char** ppszPin);

}  // extern "C"

// Time-based tables (prefix WVFRM_): [Rising Waveform] and
// [Falling Waveform] of models and submodels, [Composite Current],
// [GND Pulse Table] and [POWER Pulse Table] of submodels and the golden
// waveforms of [Test Data]. The owning module opens a waveform at its keyword
// (WVFRM_New), hands every following line to WVFRM_ReceiveLine with the
// table name and closes it with the table's kind (WVFRM_Fini) when the next
// keyword arrives. One waveform is current at a time.
// Messages: block 2000 to 2021 of the catalogue.
#pragma once

#include "base/AmiExport.h"
#include "checker/rng.h"

// Kinds given when a table is closed.
#define WVFRM_KIND_WAVEFORM 0   // rising and falling waveforms
#define WVFRM_KIND_PULSE 1      // [GND Pulse Table], [POWER Pulse Table]
#define WVFRM_KIND_GOLDEN 2     // the waveforms of [Test Data]
#define WVFRM_KIND_COMPOSITE 3  // [Composite Current]

// Fixture sub-parameters, by slot.
enum {
  WVFRM_R_FIXTURE,
  WVFRM_V_FIXTURE,
  WVFRM_V_FIXTURE_MIN,
  WVFRM_V_FIXTURE_MAX,
  WVFRM_C_FIXTURE,
  WVFRM_L_FIXTURE,
  WVFRM_R_DUT,
  WVFRM_L_DUT,
  WVFRM_C_DUT,
  WVFRM_SUB_COUNT
};

typedef struct WVFRM_STRUCT {
  struct WVFRM_STRUCT* pNext;          // next waveform of the owner's list (file order)
  double adSub[WVFRM_SUB_COUNT];       // fixture values
  int abSub[WVFRM_SUB_COUNT];          // 1 once the sub-parameter's line was met
  RNGP_LIST rows;                      // first column "Time"
  struct WVFRM_STRUCT* pComposite;     // composite-current tables of this waveform
  unsigned long ulLine;                // line of the keyword
} WVFRM_STRUCT;

extern "C" {

// Appends a new waveform to the list at *ppList and makes it current.
// E2000 when the list already held 100 or more, E2003 for items after the
// keyword. Result 1, or 0 when memory runs out (B2012).
AMI_EXPORT int WVFRM_New(const char* pszLine, WVFRM_STRUCT** ppList, const char* pszTable);
// One fixture line or data row of the current waveform (nothing when none
// is current). Golden waveforms ("... Near", "... Far") refuse fixtures
// (E2010); the pulse tables ("GND Pulse Table", "POWER Pulse Table") keep
// 100 rows, every other table 1,000 in files of version 4 and later.
AMI_EXPORT int WVFRM_ReceiveLine(const char* pszLine, const char* pszTable);
// Closes the current waveform with its kind (WVFRM_KIND_*): missing
// fixtures, too few rows, NA in the first and last rows, and for pulse
// tables equal ends and the sign of the values. Result 1.
AMI_EXPORT int WVFRM_Fini(const char* pszTable, int iKind);
// Frees every waveform of the list with its rows and composite currents;
// *ppList becomes null.
AMI_EXPORT void WVFRM_Free(WVFRM_STRUCT** ppList);
// Whether a waveform and its composite current have the same time points:
// 1 if so; else E2021 with the model name, pszEdge ("Rising"/"Falling") and
// the index, and 0. Times differing by more than 1e-6 of the waveform's
// time (in magnitude) count as different.
AMI_EXPORT int WVFRM_Compare(const WVFRM_STRUCT* pWave, const WVFRM_STRUCT* pComposite, int iIndex,
                             const char* pszModelName, const char* pszEdge);

}  // extern "C"

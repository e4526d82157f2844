// [Model] and the keywords that belong to a model (prefix MDL_), keyword
// numbers 30 to 73.
//
// One model is current from its [Model] line until a keyword of another
// group (or the next [Model]) arrives; then the end-of-model rules run once.
// The module keeps the model's name, type, polarity, enable, its
// sub-parameters, its single-line typ/min/max keywords, its series sections
// ([R Series] ... [Series MOSFET], with [On] and [Off]) and its
// [Add Submodel] list, and hands the tables to the modules that own them:
// I-V tables to CRV_ (crv.h), [Ramp] to RAMP_ (ramp.h), waveforms and
// composite currents to WVFRM_ (wvfrm.h), [Driver Schedule] to DRVSH_
// (drvsh.h), [Model Spec] to MSPEC_ (mspec.h), [Algorithmic Model] to
// ALGMOD_ (algmod.h). The whole-file hooks below are called by IBIS_Test in
// its fixed order.
#pragma once

#include "base/AmiExport.h"
#include "checker/algmod.h"
#include "checker/crv.h"
#include "checker/rng.h"

struct RAMP_STRUCT;
struct WVFRM_STRUCT;
struct DRVSH_STRUCT;
struct MSPEC_STRUCT;
struct RCVTH_STRUCT;

#define MDL_NAME_MAX 40

// Model type numbers; MDL_TYPE_NONE until a Model_type line is read,
// MDL_TYPE_NO_TYPE when its value was refused.
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

// Polarity and Enable values (0 until set, 1 when the value was refused).
enum { MDL_POLARITY_NONE = 0, MDL_POLARITY_NO = 1, MDL_POLARITY_NON_INVERTING = 2, MDL_POLARITY_INVERTING = 3 };
enum { MDL_ENABLE_NONE = 0, MDL_ENABLE_NO = 1, MDL_ENABLE_ACTIVE_HIGH = 2, MDL_ENABLE_ACTIVE_LOW = 3 };

// Sub-parameters of [Model], in their table order.
enum {
  MDL_SUB_MODEL_TYPE,
  MDL_SUB_POLARITY,
  MDL_SUB_ENABLE,
  MDL_SUB_VINL,
  MDL_SUB_VINH,
  MDL_SUB_VMEAS,
  MDL_SUB_CREF,
  MDL_SUB_RREF,
  MDL_SUB_VREF,
  MDL_SUB_RREF_DIFF,
  MDL_SUB_CREF_DIFF,
  MDL_SUB_C_COMP,
  MDL_SUB_C_COMP_PULLUP,
  MDL_SUB_C_COMP_PULLDOWN,
  MDL_SUB_C_COMP_POWER_CLAMP,
  MDL_SUB_C_COMP_GND_CLAMP,
  MDL_SUB_COUNT
};
#define MDL_CCOMP_COUNT 5  // C_comp and its four variants, from MDL_SUB_C_COMP on

// The I-V tables of a model, by slot.
enum { MDL_CRV_PULLDOWN, MDL_CRV_PULLUP, MDL_CRV_GND_CLAMP, MDL_CRV_POWER_CLAMP, MDL_CRV_ISSO_PD, MDL_CRV_ISSO_PU, MDL_CRV_COUNT };

// The single-line typ/min/max keywords of a model, by slot.
enum {
  MDL_RNG_TEMPERATURE_RANGE,
  MDL_RNG_VOLTAGE_RANGE,
  MDL_RNG_PULLUP_REFERENCE,
  MDL_RNG_PULLDOWN_REFERENCE,
  MDL_RNG_POWER_CLAMP_REFERENCE,
  MDL_RNG_GND_CLAMP_REFERENCE,
  MDL_RNG_EXTERNAL_REFERENCE,
  MDL_RNG_RGND,
  MDL_RNG_RPOWER,
  MDL_RNG_RAC,
  MDL_RNG_CAC,
  MDL_RNG_TTGND,
  MDL_RNG_TTPOWER,
  MDL_RNG_COUNT
};

// The series R/L/C keywords of a series section, by slot.
enum { MDL_SER_R, MDL_SER_L, MDL_SER_RL, MDL_SER_C, MDL_SER_LC, MDL_SER_RC, MDL_SER_COUNT };

// One [Series MOSFET] table with its Vds line.
typedef struct MDL_MOSFET {
  struct MDL_MOSFET* pNext;  // file order
  double dVds;
  int bVds;                  // a Vds line with a value was read
  CRV_STRUCT* pTable;
} MDL_MOSFET;

// A series section: the model's own series keywords, or those after [On]
// or after [Off].
typedef struct {
  unsigned long ulLine;                  // line of [On]/[Off], or of the first series keyword
  RNG_STRUCT* apRlc[MDL_SER_COUNT];      // [R Series] ... [Rc Series]
  CRV_STRUCT* pSeriesCurrent;            // [Series Current]
  MDL_MOSFET* pMosfets;                  // [Series MOSFET] tables
} MDL_SERIES;

// One [Add Submodel] line.
#define MDL_MODE_MAX 20
typedef struct MDL_ADDSUB {
  struct MDL_ADDSUB* pNext;  // file order
  char szName[MDL_NAME_MAX + 1];
  char szMode[MDL_MODE_MAX + 1];
  unsigned long ulLine;
} MDL_ADDSUB;

#define MDL_REFSUPPLY_MAX 31

typedef struct MDL_STRUCT {
  struct MDL_STRUCT* pNext;
  char szName[MDL_NAME_MAX + 1];
  int iType;                   // MDL_TYPE_*
  int iPolarity;               // MDL_POLARITY_*
  int iEnable;                 // MDL_ENABLE_*
  unsigned long ulLine;        // line of [Model]
  int abSubSeen[MDL_SUB_COUNT];  // the sub-parameter's line was met
  int abSubSet[MDL_SUB_COUNT];   // Vinl ... Cref_diff: a value was stored
  double adSub[MDL_SUB_COUNT];   // Vinl ... Cref_diff values
  RNG_STRUCT* apCcomp[MDL_CCOMP_COUNT];  // C_comp, _pullup, _pulldown, _power_clamp, _gnd_clamp
  RNG_STRUCT* apRange[MDL_RNG_COUNT];
  CRV_STRUCT* apCrv[MDL_CRV_COUNT];
  RAMP_STRUCT* pRamp;
  WVFRM_STRUCT* pRising;       // [Rising Waveform] list, file order
  WVFRM_STRUCT* pFalling;      // [Falling Waveform] list, file order
  DRVSH_STRUCT* pDrvSh;
  MSPEC_STRUCT* pMspec;
  MDL_SERIES* pSeries;         // series keywords outside [On]/[Off]
  MDL_SERIES* pOn;             // [On] section
  MDL_SERIES* pOff;            // [Off] section
  MDL_ADDSUB* pAddSubs;        // [Add Submodel] lines
  int bReceiverThresholds;     // [Receiver Thresholds] present
  char szRefSupply[MDL_REFSUPPLY_MAX + 1];  // its Reference_supply, "" when none
  int bExternalModel;          // [External Model] present
  int bEmiModel;               // [Begin EMI Model] present
  int bReferenced;             // named by another model's [Driver Schedule]
  unsigned long long ullKeywords;  // bit (k - KW_MODEL) for every model keyword k met
  ALGMOD_STRUCT* pAlgMod;      // [Algorithmic Model], null when absent
  RCVTH_STRUCT* pRcvTh;        // [Receiver Thresholds] entries, null when absent
  int bDiff;                   // marked differential by the differential query (CMPNT_DiffQuery)
} MDL_STRUCT;

extern "C" {

// [Model] opens a model: a new current record added to the whole-file
// object. Result 1, or 0 without object (B101) or memory.
AMI_EXPORT int MDL_Init(void);
// One keyword line or data line of a model keyword (E102/E107 with no
// current model).
AMI_EXPORT int MDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// Finishes the section of the last model keyword; a keyword outside the
// model group (or [Model]) ends the model with the end-of-model rules.
AMI_EXPORT int MDL_Fini(int iNewKeyword);
AMI_EXPORT void MDL_FreeList(MDL_STRUCT* pHead);

// The current model, or null.
AMI_EXPORT MDL_STRUCT* MDL_GetCurrent(void);

// Look-ups for the whole-file checks.
AMI_EXPORT MDL_STRUCT* MDL_FindModel(MDL_STRUCT* pList, const char* pszName);
AMI_EXPORT int MDL_NameExists(MDL_STRUCT* pList, const char* pszName);
AMI_EXPORT int MDL_GetType(const MDL_STRUCT* pModel);
// Name of a type number ("No Type" for 1, "" for 0 or unknown numbers).
AMI_EXPORT const char* MDL_FindTypeName(int iType);
// As MDL_FindTypeName, but "(not set)" where there is no name, so that a
// message always shows what the type is.
AMI_EXPORT const char* MDL_TypeNameForMessage(int iType);

// Whole-file hooks, in IBIS_Test's order.
AMI_EXPORT int MDL_TestReceiverThresholds(MDL_STRUCT* pModels);
// The driver-schedule look-ups (DRVSH_Test).
AMI_EXPORT int MDL_TestDriverSchedules(MDL_STRUCT* pModels);
AMI_EXPORT int MDL_TestSubmodelRefs(MDL_STRUCT* pModels);
AMI_EXPORT int MDL_TestReferences(MDL_STRUCT* pModels);

// Whether a Model_type (MDL_TYPE_*) drives its pin: the output, 3-state,
// open and I/O types (internal to the checker).
int MDL_TypeDrives(int iType);

}  // extern "C"

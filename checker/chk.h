// Plausibility checks (prefix chk_), run by IBIS_Test after the whole file is
// read: values that read correctly but lie outside the sizes that real
// packages and buffers have (package and pin parasitics, die capacitances,
// ramp times), output models without the I-V tables their type implies,
// waveforms whose composite current does not share their time points, and
// node names that repeat or clash with pins. Every finding is a warning but
// the two node errors; none is tied to a line.
//
// Limits, in the file's units, and the scale by which a value and its limits
// are shown:
//   R_pkg, R_pin              0 to 50 ohms (pins: at most 50)       x 1
//   L_pkg, L_pin              0 to 1e-6 H, shown in nH              x 1e9
//   C_pkg, C_pin, C_comp (all five)  0 to 1e-9 F, shown in pF       x 1e12
//   ramp dT (dV/dt_r, dV/dt_f)  at most 1e-3 s, shown in ns          x 1e9
//
// Check switch: on when the library is loaded; while off, every operation
// does nothing and reports success (the list operations return 0).
// Messages: block 1700 to 1720 of the catalogue (and E2021 through
// WVFRM_Compare).
#pragma once

#include "base/AmiExport.h"
#include "checker/ramp.h"
#include "checker/rng.h"

struct CMPNT_STRUCT;
struct MDL_STRUCT;
struct PIN_STRUCT;
struct SUBMDL_STRUCT;

#define CHK_RAMP_LIMIT 1e-3  // seconds

extern "C" {

// Sets the check switch to iFlag != 0 and returns that.
AMI_EXPORT int chk_SetCheckGate(int iFlag);

// Each check of one record returns 1 when it found nothing, else 0; each list
// check returns the number of records with a finding, walking the list in
// its stored order.
AMI_EXPORT int chk_CheckAllModels(struct MDL_STRUCT* pModels);
// Ranges, curves and waveforms of one model; every step runs.
AMI_EXPORT int chk_CheckModel(const struct MDL_STRUCT* pModel);
// C_comp and its variants within 0 to 1 nF (W1716 to W1720), the ramp's dT
// (W1703).
AMI_EXPORT int chk_CheckModelRange(const struct MDL_STRUCT* pModel);
// Without [External Model]: the [Pullup] and [Pulldown] tables that the
// model's type needs (W1704 to W1707).
AMI_EXPORT int chk_CheckModelCurves(const struct MDL_STRUCT* pModel);
// Each waveform with a composite current against it (E2021), the rising
// ones counted from 1, then the falling ones from 1.
AMI_EXPORT int chk_CheckModelWaves(const struct MDL_STRUCT* pModel);

AMI_EXPORT int chk_CheckAllComponents(struct CMPNT_STRUCT* pCmpnts);
// [Package], [Pin] rows and node names of one component; every step runs.
AMI_EXPORT int chk_CheckComponent(const struct CMPNT_STRUCT* pCmpnt);
// R_pkg within 0 to 50 ohms (W1710), L_pkg within 0 to 1 uH (W1712), C_pkg
// within 0 to 1 nF (W1714), each with its Min above Max (W1711, W1713,
// W1715).
AMI_EXPORT int chk_CheckPackage(const struct CMPNT_STRUCT* pCmpnt);
// R_pin above 50 ohms (W1700), L_pin above 1 uH (W1701), C_pin above 1 nF
// (W1702) of one pin.
AMI_EXPORT int chk_CheckPin(const struct CMPNT_STRUCT* pCmpnt, const struct PIN_STRUCT* pPin);
// E1708 for each pair of equal names among the component's
// [Node Declarations] (compared with case; CCALL_, ccall.h).
AMI_EXPORT int chk_UniqueNode(const struct CMPNT_STRUCT* pCmpnt);
// The node names unique, then E1709 for each pin and node of the same name.
AMI_EXPORT int chk_CheckNode(const struct CMPNT_STRUCT* pCmpnt);

AMI_EXPORT int chk_CheckAllSubModels(struct SUBMDL_STRUCT* pSubModels);
// The ramp's dT of a submodel (W1703 with "Sub Model").
AMI_EXPORT int chk_CheckSubModel(const struct SUBMDL_STRUCT* pSubModel);
AMI_EXPORT int chk_CheckSubModelRange(const struct SUBMDL_STRUCT* pSubModel);

// Typ, Min, Max of the range (each only when it is a value) within
// [dLow, dHigh]: else iCode with the name, "TYP"/"MIN"/"MAX", the value and
// both limits, each times dScale. No range: 1.
AMI_EXPORT int chk_RngValIsInRange(const RNG_STRUCT* pRange, int iCode, const char* pszName, double dLow,
                                   double dHigh, double dScale);
// iCode with the name when both Min and Max are values and Min > Max.
AMI_EXPORT int chk_RngValMinMax(const RNG_STRUCT* pRange, int iCode, const char* pszName);
// W1703 for each read column of a dV/dt entry whose dT exceeds dLimit, with
// pszKind ("Model", "Sub Model"), the name, the column, pszEdge ("Rising",
// "Falling"), dT and the limit in ns. No entry: 1.
AMI_EXPORT int chk_RampLineIsInRange(const RAMP_ENTRY* pEntry, const char* pszEdge, const char* pszName,
                                     const char* pszKind, double dLimit);

}  // extern "C"

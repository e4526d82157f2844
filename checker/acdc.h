// DC consistency checks of models (prefix acdc_), run by IBIS_Test after the
// whole file is read.
//
// For each process corner the model's I-V tables are brought to pin voltage
// (current into the pin against the pin's voltage to ground) and combined:
//   pull-down table: negated for the ECL types, then shifted by the pull-down
//                    reference;
//   pull-up table:   negated and shifted by the pull-up reference;
//   POWER clamp:     negated and shifted by the POWER clamp reference;
//   GND clamp:       shifted by the GND clamp reference;
//   clamps = GND clamp + POWER clamp,
//   combined pull-down = clamps + pull-down, combined pull-up = clamps + pull-up
// (curve arithmetic: qry.h). Each combined curve is solved against the load
// that a waveform's fixture or the timing test load describes, and the DC
// voltages are compared with the waveform's end points and with Vmeas.
//
// The DC operating point (acdc_VI_Given_VIC_VR). The load is a resistance R
// to a voltage Vfix, driving I = (Vfix - V) / R into the pin; the device
// takes I = f(V), f being the curve for the corner. The solution is the V
// where
//      f(V) = g * (Vfix - V),   g = 1/R  (g = 1e32 when R < 1e-32).
// f is linear on each segment between consecutive points, so each segment's
// line  I = m V + c  (m = 1e32 when the segment is narrower than 1e-32 V) is
// intersected exactly with the load line:  V = (g Vfix - c) / (m + g).
// Bracketing: an intersection counts for a segment when it lies inside it,
// widened by 1e-6 V at both ends; the first segment also takes an
// intersection at or below its start (the curve extended downwards). Of the
// in-segment intersections the one closest to the preferred voltage wins (the
// first of equals); without any, the first segment's extension, and without
// that the last segment's line (the curve extended upwards).
// Stopping rule: every segment is visited exactly once; there is no
// iteration, so the solver always ends. It fails (result 0) when the curve
// has fewer than two points, when its first voltage is above its second, when
// a segment's slope equals -g within 1e-32 (a line parallel to the load
// line), or when the answer is not a finite number. A corner that cannot be
// solved is passed over without a message.
//
// Check switch: on when the library is loaded; while off,
// acdc_CheckAllModels and acdc_CheckAllSubModels do nothing and return 0.
// Messages: block 1500 to 1513 of the catalogue, none tied to a line.
#pragma once

#include "base/AmiExport.h"
#include "checker/crv.h"

struct MDL_STRUCT;
struct SUBMDL_STRUCT;
struct WVFRM_STRUCT;

extern "C" {

// Sets the check switch to iFlag != 0 and returns that.
AMI_EXPORT int acdc_SetCheckGate(int iFlag);

// acdc_CheckModel on every model in list order; the number of models with a
// finding.
AMI_EXPORT int acdc_CheckAllModels(struct MDL_STRUCT* pModels);
// One model: unless it is an Input, Input_ECL, Terminator, Series or
// Series_switch model, each corner (acdc_CheckModelProcess) and the ISSO
// tables (W1512, W1513); then the clamp currents at -1.5 V (W1506) and the
// tables an open-drain or open-source model must leave empty (E1507, E1508,
// E1510, E1511). Result 1 when nothing was found.
AMI_EXPORT int acdc_CheckModel(const struct MDL_STRUCT* pModel);
// One corner (QRY_TYP, QRY_MIN, QRY_MAX): monotonicity of the combined
// curves (W1509), the waveforms' DC end points (E1503, W1503) and the timing
// test load (W1500).
AMI_EXPORT int acdc_CheckModelProcess(const struct MDL_STRUCT* pModel, int iCorner);
// One waveform against the combined curves (a null curve is not solved).
AMI_EXPORT int acdc_CheckModelProcessWave(const struct MDL_STRUCT* pModel, int iCorner,
                                          const struct WVFRM_STRUCT* pWave, const CRV_STRUCT* pPulldown,
                                          const CRV_STRUCT* pPullup, int bRising);
// The timing test load (Vmeas, Rref, Vref) against the combined curves.
AMI_EXPORT int acdc_CheckModelProcessTestLoad(const struct MDL_STRUCT* pModel, int iCorner,
                                              const CRV_STRUCT* pPulldown, const CRV_STRUCT* pPullup);
// W1506 for a [GND Clamp] or [POWER Clamp] current beyond 10 A at -1.5 V.
AMI_EXPORT int acdc_CheckShuntCurrents(const struct MDL_STRUCT* pModel);
// E1507/E1510 (open drain, open sink) or E1508/E1511 (open source), at most
// one per model.
AMI_EXPORT int acdc_CheckOpenEndedCurrents(const struct MDL_STRUCT* pModel);

// The non-driving and driving clamp sums of every model with [Add Submodel]
// lines, its Dynamic_clamp submodels' clamps included, checked for
// monotonicity (W1509), corner by corner. The number of findings.
AMI_EXPORT int acdc_CheckAllSubModels(struct MDL_STRUCT* pModels, struct SUBMDL_STRUCT* pSubModels);

// The DC operating point of the curve for the corner into the load R to
// Vfix (above). Result 1 with *pdV and *pdI, or 0.
AMI_EXPORT int acdc_VI_Given_VIC_VR(const CRV_STRUCT* pCrv, int iCorner, double* pdV, double* pdI, double dVfix,
                                    double dR, double dVpreferred);

}  // extern "C"

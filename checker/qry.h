// Curve arithmetic of the DC checks (prefix qry_): evaluating, adding,
// mirroring and shifting I-V curves per process corner, and the reference
// voltages of a model.
//
// A curve is a CRV_STRUCT (crv.h): rows of a voltage and typical, minimum and
// maximum currents, each with a state. A corner (QRY_TYP, QRY_MIN, QRY_MAX)
// picks one current column. A point of a curve for a corner is a row whose
// voltage and whose corner column are both values; the other rows are passed
// over. A curve with fewer than two points for a corner is "bad" for it and
// has no value anywhere for it (one-point tables, NA-only columns).
//
// Evaluation is piecewise linear between consecutive points, in the curve's
// own order (ascending or descending voltage, decided by its first two
// distinct voltages); beyond the first or last point the nearest segment is
// extended. A segment of zero width (a repeated voltage) is replaced by the
// one from the point before; if that too has zero width, its far end is
// taken 1e-5 V further in the walking direction, so no evaluation divides by
// zero.
#pragma once

#include "base/AmiExport.h"
#include "checker/crv.h"

struct MDL_STRUCT;

// Process corners: the bits by which a current column is chosen.
#define QRY_TYP 1
#define QRY_MIN 2
#define QRY_MAX 4
#define QRY_ALL (QRY_TYP | QRY_MIN | QRY_MAX)

// Voltages closer than this are one voltage of a sum.
#define QRY_SAME_VOLTAGE 1e-5

extern "C" {

// "TYP", "MIN", "MAX", or "UNK" for anything else.
AMI_EXPORT const char* qry_ProcessString(int iCorner);

// The current column of a row for a corner (the typical one for an unknown
// corner).
AMI_EXPORT const RNG_VAL* qry_Column(const RNGP_STRUCT* pRow, int iCorner);

// Point walkers: the first, next and last rows that are points for the
// corner; null when there is none.
AMI_EXPORT const RNGP_STRUCT* qry_FirstYPoint(const CRV_STRUCT* pCrv, int iCorner);
AMI_EXPORT const RNGP_STRUCT* qry_NextYPoint(const RNGP_STRUCT* pRow, int iCorner);
AMI_EXPORT const RNGP_STRUCT* qry_LastYPoint(const CRV_STRUCT* pCrv, int iCorner);

// 1 when the curve is absent or has fewer than two points for the corner.
AMI_EXPORT int qry_RngpIsBad(const CRV_STRUCT* pCrv, int iCorner);

// The curve's current at dVoltage for the corner into *pdOut. Result 1, or 0
// (nothing stored) when the curve has no value for the corner, or when
// memory runs out (B3300).
AMI_EXPORT int qry_Y(const CRV_STRUCT* pCrv, int iCorner, double* pdOut, double dVoltage);

// The sum of two curves for the corners set in iCorners, as a new curve
// (free with CRV_Free). Its voltages are the union of both curves' point
// voltages for those corners, ascending, voltages within QRY_SAME_VOLTAGE of
// the last one kept counting as that one (voltages that are not numbers are
// dropped). Each asked column at each voltage is the sum of the values that
// the two curves have there; a curve without a value for the corner adds
// nothing, and the column stays absent when neither has one. The other
// columns are absent. An absent curve counts as empty. Null (after B3300)
// when memory runs out.
AMI_EXPORT CRV_STRUCT* qry_AddCrvsProcess(const CRV_STRUCT* pA, const CRV_STRUCT* pB, int iCorners);

// The fixed two-row curve 0 V and 1 V with every current 0: adding it copies
// a curve onto its own voltages plus 0 V and 1 V.
AMI_EXPORT const CRV_STRUCT* qry_NullYFriendlyCrv(void);

// Every voltage v of the curve becomes -v, or v + dOffset (rows keep their
// order).
AMI_EXPORT void qry_NegateX(CRV_STRUCT* pCrv);
AMI_EXPORT void qry_ShiftX(CRV_STRUCT* pCrv, double dOffset);

// The reference voltages of a model for a corner. Each starts from a default
// and is replaced by the typical value of each range in turn when that is a
// value, then by the range's value for the corner when that is a value:
//   POWER clamp: 0, [Voltage Range], [POWER Clamp Reference];
//   pull-up:     0, [Voltage Range], [Pullup Reference];
//   GND clamp:   0, [GND Clamp Reference];
//   pull-down:   0, for the ECL types [Voltage Range], [Pulldown Reference].
AMI_EXPORT void qry_GetRefs4Process(const struct MDL_STRUCT* pModel, int iCorner, double* pdPowerClamp,
                                    double* pdPullup, double* pdGndClamp, double* pdPulldown);

}  // extern "C"

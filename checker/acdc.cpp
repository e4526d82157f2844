// DC consistency checks of models: combined curves per corner, the DC
// operating point, waveform end points, timing test load, ISSO tables, clamp
// currents, open-ended tables and the clamps of dynamic-clamp submodels.
#include "checker/acdc.h"

#include <math.h>
#include <string.h>

#include <initializer_list>

#include "base/errlog.h"
#include "checker/mdl.h"
#include "checker/mspec.h"
#include "checker/qry.h"
#include "checker/submdl.h"
#include "checker/wvfrm.h"

namespace {

bool gbAllowChecking = true;

const int s_aiCorners[3] = {QRY_TYP, QRY_MIN, QRY_MAX};

bool s_oneOf(int t, std::initializer_list<int> types) {
  for (int x : types)
    if (t == x) return true;
  return false;
}
bool s_isOpenDrain(int t) {
  return s_oneOf(t, {MDL_TYPE_OPEN_DRAIN, MDL_TYPE_IO_OPEN_DRAIN, MDL_TYPE_OPEN_SINK, MDL_TYPE_IO_OPEN_SINK});
}
bool s_isOpenSource(int t) { return t == MDL_TYPE_OPEN_SOURCE || t == MDL_TYPE_IO_OPEN_SOURCE; }
bool s_isEcl(int t) {
  return s_oneOf(t, {MDL_TYPE_INPUT_ECL, MDL_TYPE_OUTPUT_ECL, MDL_TYPE_IO_ECL, MDL_TYPE_3STATE_ECL});
}

// The timing test load's Vmeas: the model's own, or a [Model Spec] Vmeas
// whose typical is a value.
const RNG_STRUCT* s_specVmeas(const MDL_STRUCT* m) {
  const RNG_STRUCT* r = m->pMspec ? m->pMspec->apRange[MSPEC_VMEAS] : nullptr;
  return r && r->typ.iState == RNG_VALUE ? r : nullptr;
}
bool s_hasTestLoad(const MDL_STRUCT* m) {
  return (m->abSubSet[MDL_SUB_VMEAS] || s_specVmeas(m)) && m->abSubSet[MDL_SUB_RREF] && m->abSubSet[MDL_SUB_VREF];
}

// A table for the corner, as a new curve on its own voltages plus 0 V and
// 1 V (the null curve added), negated when asked and shifted to pin voltage.
CRV_STRUCT* s_pinCurve(const CRV_STRUCT* table, int corner, bool negate, double shift) {
  CRV_STRUCT* c = qry_AddCrvsProcess(table, qry_NullYFriendlyCrv(), corner);
  if (!c) return nullptr;
  if (negate) qry_NegateX(c);
  qry_ShiftX(c, shift);
  return c;
}

// Adds b into *pSum (the old sum is freed). False when memory runs out.
bool s_addInto(CRV_STRUCT** pSum, const CRV_STRUCT* b, int corner) {
  CRV_STRUCT* s = qry_AddCrvsProcess(*pSum, b, corner);
  CRV_Free(pSum);
  *pSum = s;
  return s != nullptr;
}

// W1509 for the first reversal of the voltage column and of the corner's
// current column. True when the curve is monotonic in both.
bool s_monotonic(const CRV_STRUCT* c, int corner, const char* label, const char* model) {
  static const char* const colNames[4] = {"Voltage", "Typical", "Minimum", "Maximum"};
  const int col = corner == QRY_MIN ? 2 : corner == QRY_MAX ? 3 : 1;
  struct {
    double last;
    int state;      // 0 none, 1 active, 2 reported
    int direction;  // 0 unknown, 1 rising, -1 falling
  } track[2] = {};
  bool ok = true;
  for (const RNGP_STRUCT* r = c ? c->rows.pHead : nullptr; r; r = r->pNext) {
    const RNG_VAL* vals[2] = {&r->first, qry_Column(r, corner)};
    for (int i = 0; i < 2; ++i) {
      auto& t = track[i];
      const RNG_VAL& v = *vals[i];
      if (v.iState != RNG_VALUE || t.state == 2) continue;
      if (t.state == 0) {
        t.state = 1;
      } else if (t.direction == 0) {
        if (v.dValue > t.last) t.direction = 1;
        else if (v.dValue < t.last) t.direction = -1;
      } else if ((t.direction == 1 && v.dValue < t.last) || (t.direction == -1 && v.dValue > t.last)) {
        ERRLOG_WarnNew(1509, label, model, colNames[i == 0 ? 0 : col]);
        t.state = 2;
        ok = false;
        continue;
      }
      t.last = v.dValue;
    }
  }
  return ok;
}

// A read-only curve view of a waveform's rows (for the point walkers).
CRV_STRUCT s_view(const WVFRM_STRUCT* w) {
  CRV_STRUCT c{};
  c.rows = w->rows;
  return c;
}

// A reference for the ISSO check: the corner's value when it is a value,
// the Typical when the corner's column is NA.
enum RefResult { REF_ABSENT, REF_VALUE, REF_FAILED };
RefResult s_isoRef(const RNG_STRUCT* r, int corner, double* out) {
  if (!r) return REF_ABSENT;
  const RNG_VAL* c = corner == QRY_MIN ? &r->min : corner == QRY_MAX ? &r->max : &r->typ;
  if (c->iState == RNG_ABSENT) return REF_ABSENT;
  if (c->iState == RNG_NA) c = &r->typ;
  if (c->iState != RNG_VALUE) return REF_FAILED;
  *out = c->dValue;
  return REF_VALUE;
}

// The ISSO tables against the driver tables for one corner.
bool s_checkIsso(const MDL_STRUCT* m, int corner) {
  double vpu = 0.0, vpd = 0.0;
  RefResult r = s_isoRef(m->apRange[MDL_RNG_PULLUP_REFERENCE], corner, &vpu);
  if (r == REF_ABSENT) r = s_isoRef(m->apRange[MDL_RNG_VOLTAGE_RANGE], corner, &vpu);
  if (r != REF_VALUE) return true;
  // The pull-down reference is 0 without [Pulldown Reference], for the
  // typical corner as for the others.
  if (s_isoRef(m->apRange[MDL_RNG_PULLDOWN_REFERENCE], corner, &vpd) == REF_FAILED) return true;
  const int col = corner == QRY_MIN ? 1 : corner == QRY_MAX ? 2 : 0;
  static const char* const colNames[3] = {"Typical", "Minimum", "Maximum"};
  const char* colName = colNames[col];
  bool ok = true;
  struct Side {
    const CRV_STRUCT* isso;
    const CRV_STRUCT* driver;
    const char* issoName;
    const char* driverName;
    double driverAt;   // where the driver table is read
    double driverRef;  // the reference shown with it
    const char* otherName;
    double otherRef;
  } sides[2] = {
      {m->apCrv[MDL_CRV_ISSO_PU], m->apCrv[MDL_CRV_PULLUP], "ISSO_PU", "Pullup", vpu - vpd, vpd, "Pulldown", vpd},
      {m->apCrv[MDL_CRV_ISSO_PD], m->apCrv[MDL_CRV_PULLDOWN], "ISSO_PD", "Pulldown", vpu, vpu, "Pullup", vpu},
  };
  for (const Side& s : sides) {
    if (!s.isso || !s.driver || qry_RngpIsBad(s.isso, corner) || qry_RngpIsBad(s.driver, corner)) continue;
    double a[3], b[3];
    int ga[3], gb[3];
    CRV_GetRefValCurrent(s.isso, 0.0, a, ga);
    CRV_GetRefValCurrent(s.driver, s.driverAt, b, gb);
    if (ga[col] && gb[col] && fabs(a[col] - b[col]) > 1e-6 * fabs(a[col])) {
      // The arguments follow the placeholders of the text: the ISSO current
      // after the ISSO table's name, the driver's current after its name.
      ERRLOG_WarnNew(1512, m->szName, colName, s.issoName, a[col], s.driverName, b[col], s.driverRef);
      ok = false;
    }
    CRV_GetRefValCurrent(s.isso, vpu - vpd, a, ga);
    if (ga[col] && fabs(a[col]) > 1e-9) {
      ERRLOG_WarnNew(1513, m->szName, colName, s.issoName, a[col], s.otherName, s.otherRef, vpu - vpd);
      ok = false;
    }
  }
  return ok;
}

bool s_anyNonZero(const CRV_STRUCT* c) {
  for (const RNGP_STRUCT* r = c ? c->rows.pHead : nullptr; r; r = r->pNext)
    for (const RNG_VAL* v : {&r->typ, &r->min, &r->max})
      if (v->iState == RNG_VALUE && !(v->dValue == 0.0)) return true;
  return false;
}

// [Add Submodel] modes.
enum { MODE_DRIVING, MODE_NON_DRIVING, MODE_ALL, MODE_NONE };
int s_mode(const char* s) {
  if (strcmp(s, "Driving") == 0) return MODE_DRIVING;
  if (strcmp(s, "Non-Driving") == 0) return MODE_NON_DRIVING;
  if (strcmp(s, "All") == 0) return MODE_ALL;
  return MODE_NONE;
}

// The clamps of a model with its Dynamic_clamp submodels of one mode, for
// one corner, checked for monotonicity. False for a finding.
bool s_checkClampMode(const MDL_STRUCT* m, const SUBMDL_STRUCT* subs, int corner, bool driving, double gcRef,
                      double pcRef) {
  const char* label =
      driving ? "Combined Clamp in Driving Mode for Model" : "Combined Clamp in Non Driving Mode for Model";
  CRV_STRUCT* sum = s_pinCurve(m->apCrv[MDL_CRV_GND_CLAMP], corner, false, gcRef);
  CRV_STRUCT* part = sum ? s_pinCurve(m->apCrv[MDL_CRV_POWER_CLAMP], corner, true, pcRef) : nullptr;
  bool built = part && s_addInto(&sum, part, corner);
  CRV_Free(&part);
  for (const MDL_ADDSUB* a = m->pAddSubs; a && built; a = a->pNext) {
    const int mode = s_mode(a->szMode);
    if (!(mode == MODE_ALL || mode == (driving ? MODE_DRIVING : MODE_NON_DRIVING))) continue;
    const SUBMDL_STRUCT* s = SUBMDL_Find(const_cast<SUBMDL_STRUCT*>(subs), a->szName);
    if (!s || s->iType != SUBMDL_TYPE_DYNAMIC_CLAMP) continue;
    part = s_pinCurve(s->apCrv[SUBMDL_CRV_GND_CLAMP], corner, false, gcRef);
    built = part && s_addInto(&sum, part, corner);
    CRV_Free(&part);
    part = built ? s_pinCurve(s->apCrv[SUBMDL_CRV_POWER_CLAMP], corner, true, pcRef) : nullptr;
    built = part && s_addInto(&sum, part, corner);
    CRV_Free(&part);
  }
  const bool ok = built ? s_monotonic(sum, corner, label, m->szName) : false;
  CRV_Free(&sum);
  return ok;
}

// Smallest DC swing (V) that the end-point differences are given as a
// percentage of: below it the message's own two decimals read 0.00V.
const double kDcSwingFloor = 1e-3;

}  // namespace

extern "C" {

int acdc_SetCheckGate(int iFlag) {
  gbAllowChecking = iFlag != 0;
  return gbAllowChecking ? 1 : 0;
}

int acdc_VI_Given_VIC_VR(const CRV_STRUCT* pCrv, int iCorner, double* pdV, double* pdI, double dVfix, double dR,
                         double dVpreferred) {
  const RNGP_STRUCT* p = qry_FirstYPoint(pCrv, iCorner);
  const RNGP_STRUCT* q = qry_NextYPoint(p, iCorner);
  if (!p || !q || p->first.dValue > q->first.dValue) return 0;
  const double g = dR < 1e-32 ? 1e32 : 1.0 / dR;
  bool haveCandidate = false, inSegment = false;
  double bestV = 0.0, bestI = 0.0, lastV = 0.0, lastI = 0.0;
  for (bool firstSegment = true; q; p = q, q = qry_NextYPoint(q, iCorner), firstSegment = false) {
    const double v0 = p->first.dValue, v1 = q->first.dValue;
    const double i0 = qry_Column(p, iCorner)->dValue, i1 = qry_Column(q, iCorner)->dValue;
    const double span = v1 - v0;
    const double m = span < 1e-32 ? 1e32 : (i1 - i0) / span;
    const double c = i0 - m * v0;
    if (fabs(m + g) < 1e-32) return 0;  // parallel to the load line
    const double v = (g * dVfix - c) / (m + g);
    const double i = m * v + c;
    lastV = v;
    lastI = i;
    if (firstSegment && v <= v0) {
      haveCandidate = true;
      bestV = v;
      bestI = i;
    }
    const double lo = fmin(v0, v1) - 1e-6, hi = fmax(v0, v1) + 1e-6;
    if (lo <= v && v <= hi && (!inSegment || fabs(v - dVpreferred) < fabs(bestV - dVpreferred))) {
      haveCandidate = inSegment = true;
      bestV = v;
      bestI = i;
    }
  }
  const double v = haveCandidate ? bestV : lastV;
  const double i = haveCandidate ? bestI : lastI;
  if (!isfinite(v) || !isfinite(i)) return 0;
  if (pdV) *pdV = v;
  if (pdI) *pdI = i;
  return 1;
}

int acdc_CheckModelProcessWave(const MDL_STRUCT* pModel, int iCorner, const WVFRM_STRUCT* pWave,
                               const CRV_STRUCT* pPulldown, const CRV_STRUCT* pPullup, int bRising) {
  if (!pModel || !pWave || !pPulldown || !pPullup) return 1;
  const WVFRM_STRUCT* w = pWave;
  const double rFix = w->abSub[WVFRM_R_FIXTURE] ? w->adSub[WVFRM_R_FIXTURE] : 1e32;
  const char* fixName = "V_fixture";
  double vFix = w->abSub[WVFRM_V_FIXTURE] ? w->adSub[WVFRM_V_FIXTURE] : 0.0;
  if (iCorner == QRY_MIN && w->abSub[WVFRM_V_FIXTURE_MIN]) {
    fixName = "V_fixture_min";
    vFix = w->adSub[WVFRM_V_FIXTURE_MIN];
  } else if (iCorner == QRY_MAX && w->abSub[WVFRM_V_FIXTURE_MAX]) {
    fixName = "V_fixture_max";
    vFix = w->adSub[WVFRM_V_FIXTURE_MAX];
  }
  const CRV_STRUCT view = s_view(w);
  const RNGP_STRUCT* first = qry_FirstYPoint(&view, iCorner);
  const RNGP_STRUCT* last = qry_LastYPoint(&view, iCorner);
  if (!first || !last) return 1;
  const double vFirst = qry_Column(first, iCorner)->dValue, vLast = qry_Column(last, iCorner)->dValue;
  const double lowEnd = bRising ? vFirst : vLast, highEnd = bRising ? vLast : vFirst;
  double lowDC = 0.0, highDC = 0.0;
  if (!acdc_VI_Given_VIC_VR(pPulldown, iCorner, &lowDC, nullptr, vFix, rFix, lowEnd) ||
      !acdc_VI_Given_VIC_VR(pPullup, iCorner, &highDC, nullptr, vFix, rFix, highEnd))
    return 1;
  const double swing = fabs(highEnd - lowEnd);
  const int t = pModel->iType;
  const bool useLow = !s_isOpenSource(t), useHigh = !s_isOpenDrain(t);
  const double dLow = fabs(lowDC - lowEnd), dHigh = fabs(highDC - highEnd);
  const bool large = (useLow && dLow > 0.1 * swing) || (useHigh && dHigh > 0.1 * swing);
  const bool notable = (useLow && dLow > 0.02 * swing) || (useHigh && dHigh > 0.02 * swing);
  if (!large && !notable) return 1;
  // The differences are printed as percentages of the DC swing; where that
  // swing is within kDcSwingFloor of zero (R_fixture 0, or both tables giving
  // the same voltage) a percentage says nothing and can grow without bound,
  // so the differences are printed in volts (6500) under the same verdict.
  const double dcSwing = fabs(lowDC - highDC);
  const bool inVolts = dcSwing < kDcSwingFloor;
  const double pLow = inVolts ? dLow : 100.0 * dLow / dcSwing;
  const double pHigh = inVolts ? dHigh : 100.0 * dHigh / dcSwing;
  const int code = inVolts ? 6500 : 1503;
  const char* edge = bRising ? "Rising" : "Falling";
  if (large)
    ERRLOG_ErrorNew(code, pModel->szName, edge, rFix, fixName, vFix, qry_ProcessString(iCorner), lowEnd, highEnd,
                    lowDC, highDC, pLow, pHigh);
  else
    ERRLOG_WarnNew(code, pModel->szName, edge, rFix, fixName, vFix, qry_ProcessString(iCorner), lowEnd, highEnd,
                   lowDC, highDC, pLow, pHigh);
  return 0;
}

int acdc_CheckModelProcessTestLoad(const MDL_STRUCT* pModel, int iCorner, const CRV_STRUCT* pPulldown,
                                   const CRV_STRUCT* pPullup) {
  const MDL_STRUCT* m = pModel;
  if (!m || !s_hasTestLoad(m) || m->bExternalModel) return 1;
  const double rref = m->adSub[MDL_SUB_RREF], vref = m->adSub[MDL_SUB_VREF];
  double low = 0.0, high = 0.0;
  const bool haveLow =
      !s_isOpenSource(m->iType) && pPulldown && acdc_VI_Given_VIC_VR(pPulldown, iCorner, &low, nullptr, vref, rref, 0.0);
  const bool haveHigh =
      !s_isOpenDrain(m->iType) && pPullup && acdc_VI_Given_VIC_VR(pPullup, iCorner, &high, nullptr, vref, rref, 0.0);
  if (!haveLow && !haveHigh) return 1;
  double vmeas = m->adSub[MDL_SUB_VMEAS];
  if (const RNG_STRUCT* vmeasRange = s_specVmeas(m)) {
    vmeas = vmeasRange->typ.dValue;
    const RNG_VAL* c = iCorner == QRY_MIN ? &vmeasRange->min : iCorner == QRY_MAX ? &vmeasRange->max : &vmeasRange->typ;
    if (c->iState == RNG_VALUE) vmeas = c->dValue;
  }
  if ((haveLow && low > vmeas) || (haveHigh && high < vmeas)) {
    ERRLOG_WarnNew(1500, m->szName, qry_ProcessString(iCorner), vmeas, rref, vref);
    return 0;
  }
  return 1;
}

int acdc_CheckModelProcess(const MDL_STRUCT* pModel, int iCorner) {
  const MDL_STRUCT* m = pModel;
  if (!m) return 1;
  const CRV_STRUCT* pd = m->apCrv[MDL_CRV_PULLDOWN];
  const CRV_STRUCT* pu = m->apCrv[MDL_CRV_PULLUP];
  if (pd && pu && qry_RngpIsBad(pd, iCorner) && qry_RngpIsBad(pu, iCorner)) return 1;
  double pcRef, puRef, gcRef, pdRef;
  qry_GetRefs4Process(m, iCorner, &pcRef, &puRef, &gcRef, &pdRef);
  CRV_STRUCT* gc = s_pinCurve(m->apCrv[MDL_CRV_GND_CLAMP], iCorner, false, gcRef);
  CRV_STRUCT* pc = s_pinCurve(m->apCrv[MDL_CRV_POWER_CLAMP], iCorner, true, pcRef);
  CRV_STRUCT* pdPin = s_pinCurve(pd, iCorner, s_isEcl(m->iType), pdRef);
  CRV_STRUCT* puPin = s_pinCurve(pu, iCorner, true, puRef);
  CRV_STRUCT* clamps = gc && pc ? qry_AddCrvsProcess(gc, pc, iCorner) : nullptr;
  CRV_STRUCT* cpd = clamps && pdPin ? qry_AddCrvsProcess(clamps, pdPin, iCorner) : nullptr;
  CRV_STRUCT* cpu = clamps && puPin ? qry_AddCrvsProcess(clamps, puPin, iCorner) : nullptr;
  int ok = cpd && cpu ? 1 : 0;  // a curve that could not be built is a finding
  if (ok) {
    if (!s_monotonic(cpd, iCorner, "Combined Pulldown for Model:", m->szName)) ok = 0;
    if (!s_monotonic(cpu, iCorner, "Combined Pullup for Model:", m->szName)) ok = 0;
    if (m->pRising || m->pFalling || s_hasTestLoad(m)) {
      // A table that is present but has no points for the corner leaves its
      // side without a DC solution: a sum of the clamps alone would not be
      // the model's state.
      const CRV_STRUCT* usePd = pd && qry_RngpIsBad(pd, iCorner) ? nullptr : cpd;
      const CRV_STRUCT* usePu = pu && qry_RngpIsBad(pu, iCorner) ? nullptr : cpu;
      for (const WVFRM_STRUCT* w = m->pRising; w; w = w->pNext)
        if (!acdc_CheckModelProcessWave(m, iCorner, w, usePd, usePu, 1)) ok = 0;
      for (const WVFRM_STRUCT* w = m->pFalling; w; w = w->pNext)
        if (!acdc_CheckModelProcessWave(m, iCorner, w, usePd, usePu, 0)) ok = 0;
      if (!acdc_CheckModelProcessTestLoad(m, iCorner, usePd, usePu)) ok = 0;
    }
  }
  for (CRV_STRUCT** pp : {&gc, &pc, &pdPin, &puPin, &clamps, &cpd, &cpu}) CRV_Free(pp);
  return ok;
}

int acdc_CheckShuntCurrents(const MDL_STRUCT* pModel) {
  if (!pModel) return 1;
  int ok = 1;
  const struct {
    const CRV_STRUCT* table;
    const char* name;
  } clamps[2] = {{pModel->apCrv[MDL_CRV_GND_CLAMP], "GND_Clamp"}, {pModel->apCrv[MDL_CRV_POWER_CLAMP], "POWER_Clamp"}};
  for (const auto& c : clamps) {
    if (!c.table) continue;
    for (int corner : s_aiCorners) {
      double i = 0.0;
      if (qry_Y(c.table, corner, &i, -1.5) && fabs(i) > 10.0) {
        ERRLOG_WarnNew(1506, pModel->szName, qry_ProcessString(corner), c.name, i, -1.5);
        ok = 0;
      }
    }
  }
  return ok;
}

int acdc_CheckOpenEndedCurrents(const MDL_STRUCT* pModel) {
  if (!pModel) return 1;
  const int t = pModel->iType;
  int code = 0;
  if (s_isOpenDrain(t)) {
    if (s_anyNonZero(pModel->apCrv[MDL_CRV_PULLUP])) code = 1507;
    else if (s_anyNonZero(pModel->apCrv[MDL_CRV_ISSO_PU])) code = 1510;
  } else if (s_isOpenSource(t)) {
    if (s_anyNonZero(pModel->apCrv[MDL_CRV_PULLDOWN])) code = 1508;
    else if (s_anyNonZero(pModel->apCrv[MDL_CRV_ISSO_PD])) code = 1511;
  }
  if (!code) return 1;
  ERRLOG_ErrorNew(code, pModel->szName);
  return 0;
}

int acdc_CheckModel(const MDL_STRUCT* pModel) {
  const MDL_STRUCT* m = pModel;
  if (!m) return 1;
  int ok = 1;
  if (!s_oneOf(m->iType, {MDL_TYPE_INPUT, MDL_TYPE_INPUT_ECL, MDL_TYPE_TERMINATOR, MDL_TYPE_SERIES,
                          MDL_TYPE_SERIES_SWITCH})) {
    for (int corner : s_aiCorners)
      if (!acdc_CheckModelProcess(m, corner)) ok = 0;
    for (int corner : s_aiCorners)
      if (!s_checkIsso(m, corner)) ok = 0;
  }
  if (!acdc_CheckShuntCurrents(m)) ok = 0;
  if (!acdc_CheckOpenEndedCurrents(m)) ok = 0;
  return ok;
}

int acdc_CheckAllModels(MDL_STRUCT* pModels) {
  if (!gbAllowChecking) return 0;
  int n = 0;
  for (const MDL_STRUCT* m = pModels; m; m = m->pNext)
    if (!acdc_CheckModel(m)) ++n;
  return n;
}

int acdc_CheckAllSubModels(MDL_STRUCT* pModels, SUBMDL_STRUCT* pSubModels) {
  if (!gbAllowChecking) return 0;
  int findings = 0;
  for (int corner : s_aiCorners) {
    for (const MDL_STRUCT* m = pModels; m; m = m->pNext) {
      if (!m->pAddSubs) continue;
      const CRV_STRUCT* gc = m->apCrv[MDL_CRV_GND_CLAMP];
      const CRV_STRUCT* pc = m->apCrv[MDL_CRV_POWER_CLAMP];
      if (gc && pc && qry_RngpIsBad(gc, corner) && qry_RngpIsBad(pc, corner)) continue;
      double pcRef, gcRef;
      qry_GetRefs4Process(m, corner, &pcRef, nullptr, &gcRef, nullptr);
      const int t = m->iType;
      if (s_oneOf(t, {MDL_TYPE_INPUT, MDL_TYPE_IO, MDL_TYPE_IO_OPEN_DRAIN, MDL_TYPE_IO_OPEN_SINK,
                      MDL_TYPE_IO_OPEN_SOURCE, MDL_TYPE_INPUT_ECL, MDL_TYPE_IO_ECL, MDL_TYPE_TERMINATOR}) &&
          !s_checkClampMode(m, pSubModels, corner, false, gcRef, pcRef))
        ++findings;
      if (s_oneOf(t, {MDL_TYPE_OUTPUT, MDL_TYPE_IO, MDL_TYPE_3STATE, MDL_TYPE_OPEN_DRAIN, MDL_TYPE_IO_OPEN_DRAIN,
                      MDL_TYPE_OPEN_SINK, MDL_TYPE_IO_OPEN_SINK, MDL_TYPE_OPEN_SOURCE, MDL_TYPE_IO_OPEN_SOURCE,
                      MDL_TYPE_OUTPUT_ECL, MDL_TYPE_IO_ECL, MDL_TYPE_3STATE_ECL}) &&
          !s_checkClampMode(m, pSubModels, corner, true, gcRef, pcRef))
        ++findings;
    }
  }
  return findings;
}

}  // extern "C"

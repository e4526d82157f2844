// Curve arithmetic of the DC checks.
#include "checker/qry.h"

#include <math.h>
#include <stdlib.h>

#include <algorithm>

#include "base/errlog.h"
#include "checker/mdl.h"

namespace {

// The points of a curve for one corner, in the curve's order.
struct Points {
  double* v = nullptr;
  double* y = nullptr;
  int n = 0;
  int order = 0;  // +1 voltages never fall, -1 never rise, 0 neither
  int dir = 1;    // walking direction: sign of the first change of voltage (+1 when none)
};

bool s_isPoint(const RNGP_STRUCT* r, int corner) {
  return r->first.iState == RNG_VALUE && qry_Column(r, corner)->iState == RNG_VALUE;
}

void s_free(Points* p) {
  free(p->v);
  free(p->y);
  *p = Points{};
}

// Collects the points; false (after B3300) when memory runs out. A curve
// with fewer than two points gets n < 2 and no arrays.
bool s_collect(const CRV_STRUCT* c, int corner, Points* p) {
  *p = Points{};
  int n = 0;
  for (const RNGP_STRUCT* r = qry_FirstYPoint(c, corner); r; r = qry_NextYPoint(r, corner)) ++n;
  if (n < 2) return true;
  p->v = (double*)malloc(sizeof(double) * (size_t)n);
  p->y = (double*)malloc(sizeof(double) * (size_t)n);
  if (!p->v || !p->y) {
    s_free(p);
    ERRLOG_BugNew(3300);
    return false;
  }
  for (const RNGP_STRUCT* r = qry_FirstYPoint(c, corner); r; r = qry_NextYPoint(r, corner)) {
    p->v[p->n] = r->first.dValue;
    p->y[p->n] = qry_Column(r, corner)->dValue;
    ++p->n;
  }
  bool up = true, down = true;
  for (int i = 1; i < n; ++i) {
    if (!(p->v[i] >= p->v[i - 1])) up = false;
    if (!(p->v[i] <= p->v[i - 1])) down = false;
  }
  p->order = up ? 1 : down ? -1 : 0;
  for (int i = 1; i < n; ++i)
    if (p->v[i] != p->v[0]) {
      p->dir = p->v[i] > p->v[0] ? 1 : -1;
      break;
    }
  return true;
}

// The segment [k-1, k] used for voltage x: the first one whose ends enclose
// x; else the first segment when x lies before the first point (in the
// walking direction), the last one otherwise.
int s_segment(const Points& p, double x) {
  if (p.order != 0) {
    // Voltages are ordered: the first k >= 1 with v[k] at or past x.
    int lo = 1, hi = p.n;  // answer in [lo, hi); hi means none
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      const bool past = p.order > 0 ? p.v[mid] >= x : p.v[mid] <= x;
      if (past) hi = mid;
      else lo = mid + 1;
    }
    return lo < p.n ? lo : p.n - 1;
  }
  for (int k = 1; k < p.n; ++k) {
    const double a = std::min(p.v[k - 1], p.v[k]), b = std::max(p.v[k - 1], p.v[k]);
    if (a <= x && x <= b) return k;
  }
  return p.dir * (x - p.v[0]) < 0 ? 1 : p.n - 1;
}

bool s_eval(const Points& p, double x, double* out) {
  if (p.n < 2) return false;
  const int k = s_segment(p, x);
  int a = k - 1;
  const int b = k;
  double dv = p.v[b] - p.v[a];
  if (dv == 0.0 && a >= 1) {
    a -= 1;
    dv = p.v[b] - p.v[a];
  }
  if (dv == 0.0) dv = p.dir * QRY_SAME_VOLTAGE;
  *out = p.y[a] + (x - p.v[a]) * ((p.y[b] - p.y[a]) / dv);
  return true;
}

void s_freeRows(RNGP_STRUCT* r) {
  while (r) {
    RNGP_STRUCT* n = r->pNext;
    free(r);
    r = n;
  }
}

const int s_aiCorners[3] = {QRY_TYP, QRY_MIN, QRY_MAX};

// Typical, then the corner's own value, of a range into *pd where they are
// values.
void s_refine(const RNG_STRUCT* r, int corner, double* pd) {
  if (!r) return;
  if (r->typ.iState == RNG_VALUE) *pd = r->typ.dValue;
  const RNG_VAL& c = corner == QRY_MIN ? r->min : corner == QRY_MAX ? r->max : r->typ;
  if (c.iState == RNG_VALUE) *pd = c.dValue;
}

}  // namespace

extern "C" {

const char* qry_ProcessString(int iCorner) {
  switch (iCorner) {
    case QRY_TYP: return "TYP";
    case QRY_MIN: return "MIN";
    case QRY_MAX: return "MAX";
    default: return "UNK";
  }
}

const RNG_VAL* qry_Column(const RNGP_STRUCT* pRow, int iCorner) {
  return iCorner == QRY_MIN ? &pRow->min : iCorner == QRY_MAX ? &pRow->max : &pRow->typ;
}

const RNGP_STRUCT* qry_FirstYPoint(const CRV_STRUCT* pCrv, int iCorner) {
  const RNGP_STRUCT* r = pCrv ? pCrv->rows.pHead : nullptr;
  while (r && !s_isPoint(r, iCorner)) r = r->pNext;
  return r;
}

const RNGP_STRUCT* qry_NextYPoint(const RNGP_STRUCT* pRow, int iCorner) {
  const RNGP_STRUCT* r = pRow ? pRow->pNext : nullptr;
  while (r && !s_isPoint(r, iCorner)) r = r->pNext;
  return r;
}

const RNGP_STRUCT* qry_LastYPoint(const CRV_STRUCT* pCrv, int iCorner) {
  const RNGP_STRUCT* r = pCrv ? pCrv->rows.pTail : nullptr;
  while (r && !s_isPoint(r, iCorner)) r = r->pPrev;
  return r;
}

int qry_RngpIsBad(const CRV_STRUCT* pCrv, int iCorner) {
  const RNGP_STRUCT* first = qry_FirstYPoint(pCrv, iCorner);
  return !first || !qry_NextYPoint(first, iCorner);
}

int qry_Y(const CRV_STRUCT* pCrv, int iCorner, double* pdOut, double dVoltage) {
  Points p;
  if (!s_collect(pCrv, iCorner, &p)) return 0;
  double y = 0.0;
  const bool ok = s_eval(p, dVoltage, &y);
  s_free(&p);
  if (ok && pdOut) *pdOut = y;
  return ok ? 1 : 0;
}

CRV_STRUCT* qry_AddCrvsProcess(const CRV_STRUCT* pA, const CRV_STRUCT* pB, int iCorners) {
  const CRV_STRUCT* curves[2] = {pA, pB};
  Points pts[2][3];
  bool ok = true;
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 2; ++i)
      if (ok && (iCorners & s_aiCorners[c])) ok = s_collect(curves[i], s_aiCorners[c], &pts[i][c]);
  // The union of the point voltages.
  size_t rows = 0;
  for (const CRV_STRUCT* c : curves)
    if (c) rows += c->rows.uCount;
  double* volts = ok && rows ? (double*)malloc(sizeof(double) * rows) : nullptr;
  if (ok && rows && !volts) {
    ERRLOG_BugNew(3300);
    ok = false;
  }
  size_t nv = 0;
  if (ok) {
    for (const CRV_STRUCT* c : curves)
      for (const RNGP_STRUCT* r = c ? c->rows.pHead : nullptr; r; r = r->pNext) {
        bool point = false;
        for (int corner : s_aiCorners)
          if ((iCorners & corner) && s_isPoint(r, corner)) point = true;
        if (point && !isnan(r->first.dValue)) volts[nv++] = r->first.dValue;
      }
    std::sort(volts, volts + nv);
  }
  CRV_STRUCT* out = ok ? (CRV_STRUCT*)calloc(1, sizeof(CRV_STRUCT)) : nullptr;
  if (ok && !out) {
    ERRLOG_BugNew(3300);
    ok = false;
  }
  double last = 0.0;
  for (size_t k = 0; ok && k < nv; ++k) {
    const double v = volts[k];
    if (out->rows.uCount > 0 && !(v - last > QRY_SAME_VOLTAGE)) continue;
    last = v;
    RNGP_STRUCT* r = (RNGP_STRUCT*)calloc(1, sizeof(RNGP_STRUCT));
    if (!r) {
      ERRLOG_BugNew(3300);
      ok = false;
      break;
    }
    r->first.dValue = v;
    r->first.iState = RNG_VALUE;
    for (int c = 0; c < 3; ++c) {
      if (!(iCorners & s_aiCorners[c])) continue;
      RNG_VAL* col = const_cast<RNG_VAL*>(qry_Column(r, s_aiCorners[c]));
      for (int i = 0; i < 2; ++i) {
        double y = 0.0;
        if (!s_eval(pts[i][c], v, &y)) continue;
        col->dValue = col->iState == RNG_VALUE ? col->dValue + y : y;
        col->iState = RNG_VALUE;
      }
    }
    RNGP_LinkLine(&out->rows, r, nullptr, 0);
  }
  free(volts);
  for (auto& perCurve : pts)
    for (Points& p : perCurve) s_free(&p);
  if (!ok && out) {
    s_freeRows(out->rows.pHead);
    free(out);
    out = nullptr;
  }
  return out;
}

const CRV_STRUCT* qry_NullYFriendlyCrv(void) {
  static RNGP_STRUCT rows[2];
  static CRV_STRUCT crv;
  if (!crv.rows.pHead) {
    for (int i = 0; i < 2; ++i) {
      rows[i].first = RNG_VAL{(double)i, RNG_VALUE};
      rows[i].typ = rows[i].min = rows[i].max = RNG_VAL{0.0, RNG_VALUE};
    }
    rows[0].pNext = &rows[1];
    rows[1].pPrev = &rows[0];
    crv.rows.pTail = &rows[1];
    crv.rows.uCount = 2;
    crv.rows.pHead = &rows[0];
  }
  return &crv;
}

void qry_NegateX(CRV_STRUCT* pCrv) {
  for (RNGP_STRUCT* r = pCrv ? pCrv->rows.pHead : nullptr; r; r = r->pNext)
    if (r->first.iState == RNG_VALUE) r->first.dValue = -r->first.dValue;
}

void qry_ShiftX(CRV_STRUCT* pCrv, double dOffset) {
  for (RNGP_STRUCT* r = pCrv ? pCrv->rows.pHead : nullptr; r; r = r->pNext)
    if (r->first.iState == RNG_VALUE) r->first.dValue += dOffset;
}

void qry_GetRefs4Process(const MDL_STRUCT* pModel, int iCorner, double* pdPowerClamp, double* pdPullup,
                         double* pdGndClamp, double* pdPulldown) {
  double pc = 0.0, pu = 0.0, gc = 0.0, pd = 0.0;
  if (pModel) {
    const RNG_STRUCT* vr = pModel->apRange[MDL_RNG_VOLTAGE_RANGE];
    s_refine(vr, iCorner, &pc);
    s_refine(pModel->apRange[MDL_RNG_POWER_CLAMP_REFERENCE], iCorner, &pc);
    s_refine(vr, iCorner, &pu);
    s_refine(pModel->apRange[MDL_RNG_PULLUP_REFERENCE], iCorner, &pu);
    s_refine(pModel->apRange[MDL_RNG_GND_CLAMP_REFERENCE], iCorner, &gc);
    const int t = pModel->iType;
    if (t == MDL_TYPE_INPUT_ECL || t == MDL_TYPE_OUTPUT_ECL || t == MDL_TYPE_IO_ECL || t == MDL_TYPE_3STATE_ECL)
      s_refine(vr, iCorner, &pd);
    s_refine(pModel->apRange[MDL_RNG_PULLDOWN_REFERENCE], iCorner, &pd);
  }
  if (pdPowerClamp) *pdPowerClamp = pc;
  if (pdPullup) *pdPullup = pu;
  if (pdGndClamp) *pdGndClamp = gc;
  if (pdPulldown) *pdPulldown = pd;
}

}  // extern "C"

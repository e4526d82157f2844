// Plausibility checks of models and submodels.
#include "checker/chk.h"

#include <string.h>

#include "base/errlog.h"
#include "checker/ccall.h"
#include "checker/cmpnt.h"
#include "checker/mdl.h"
#include "checker/pin.h"
#include "checker/pkg.h"
#include "checker/submdl.h"
#include "checker/wvfrm.h"

namespace {

bool gbAllowChecking = true;

const double kCapMax = 1e-9;     // farads
const double kPicofarads = 1e12;
const double kResMax = 50.0;     // ohms
const double kIndMax = 1e-6;     // henries
const double kNanohenries = 1e9;

}  // namespace

extern "C" {

int chk_SetCheckGate(int iFlag) {
  gbAllowChecking = iFlag != 0;
  return gbAllowChecking ? 1 : 0;
}

int chk_RngValIsInRange(const RNG_STRUCT* pRange, int iCode, const char* pszName, double dLow, double dHigh,
                        double dScale) {
  if (!gbAllowChecking || !pRange) return 1;
  const RNG_VAL* cols[3] = {&pRange->typ, &pRange->min, &pRange->max};
  static const char* const names[3] = {"TYP", "MIN", "MAX"};
  int ok = 1;
  for (int i = 0; i < 3; ++i) {
    const RNG_VAL& v = *cols[i];
    if (v.iState != RNG_VALUE || !(v.dValue < dLow || v.dValue > dHigh)) continue;
    ERRLOG_WarnNew(iCode, pszName ? pszName : "", names[i], v.dValue * dScale, dLow * dScale, dHigh * dScale);
    ok = 0;
  }
  return ok;
}

int chk_RngValMinMax(const RNG_STRUCT* pRange, int iCode, const char* pszName) {
  if (!gbAllowChecking || !pRange) return 1;
  if (pRange->min.iState == RNG_VALUE && pRange->max.iState == RNG_VALUE && pRange->min.dValue > pRange->max.dValue) {
    ERRLOG_WarnNew(iCode, pszName ? pszName : "");
    return 0;
  }
  return 1;
}

int chk_RampLineIsInRange(const RAMP_ENTRY* pEntry, const char* pszEdge, const char* pszName, const char* pszKind,
                          double dLimit) {
  if (!gbAllowChecking || !pEntry) return 1;
  const RAMP_RATIO* cols[3] = {&pEntry->typ, &pEntry->min, &pEntry->max};
  static const char* const names[3] = {"TYP", "MIN", "MAX"};
  int ok = 1;
  for (int i = 0; i < 3; ++i) {
    if (cols[i]->iState != RAMP_READ || !(cols[i]->dT > dLimit)) continue;
    ERRLOG_WarnNew(1703, pszKind, pszName, names[i], pszEdge, cols[i]->dT * 1e9, dLimit * 1e9);
    ok = 0;
  }
  return ok;
}

int chk_CheckModelRange(const MDL_STRUCT* pModel) {
  if (!gbAllowChecking || !pModel) return 1;
  int ok = 1;
  for (int i = 0; i < MDL_CCOMP_COUNT; ++i)
    if (!chk_RngValIsInRange(pModel->apCcomp[i], 1716 + i, pModel->szName, 0.0, kCapMax, kPicofarads)) ok = 0;
  if (const RAMP_STRUCT* r = pModel->pRamp) {
    if (!chk_RampLineIsInRange(r->pRising, "Rising", pModel->szName, "Model", CHK_RAMP_LIMIT)) ok = 0;
    if (!chk_RampLineIsInRange(r->pFalling, "Falling", pModel->szName, "Model", CHK_RAMP_LIMIT)) ok = 0;
  }
  return ok;
}

int chk_CheckModelCurves(const MDL_STRUCT* pModel) {
  if (!gbAllowChecking || !pModel || pModel->bExternalModel) return 1;
  const bool pu = pModel->apCrv[MDL_CRV_PULLUP] != nullptr, pd = pModel->apCrv[MDL_CRV_PULLDOWN] != nullptr;
  int ok = 1;
  switch (pModel->iType) {
    case MDL_TYPE_OUTPUT: case MDL_TYPE_IO: case MDL_TYPE_3STATE: case MDL_TYPE_OUTPUT_ECL: case MDL_TYPE_IO_ECL:
    case MDL_TYPE_3STATE_ECL:
      if (!pu) {
        ERRLOG_WarnNew(1704, pModel->szName);
        ok = 0;
      }
      if (!pd) {
        ERRLOG_WarnNew(1705, pModel->szName);
        ok = 0;
      }
      break;
    case MDL_TYPE_OPEN_DRAIN: case MDL_TYPE_IO_OPEN_DRAIN: case MDL_TYPE_OPEN_SINK: case MDL_TYPE_IO_OPEN_SINK:
      if (!pd) {
        ERRLOG_WarnNew(1706, pModel->szName);
        ok = 0;
      }
      break;
    case MDL_TYPE_OPEN_SOURCE: case MDL_TYPE_IO_OPEN_SOURCE:
      if (!pu) {
        ERRLOG_WarnNew(1707, pModel->szName);
        ok = 0;
      }
      break;
    default:
      break;
  }
  return ok;
}

int chk_CheckModelWaves(const MDL_STRUCT* pModel) {
  if (!gbAllowChecking || !pModel) return 1;
  int ok = 1;
  const struct {
    const WVFRM_STRUCT* list;
    const char* edge;
  } lists[2] = {{pModel->pRising, "Rising"}, {pModel->pFalling, "Falling"}};
  for (const auto& l : lists) {
    int index = 0;
    for (const WVFRM_STRUCT* w = l.list; w; w = w->pNext) {
      ++index;
      if (w->pComposite && !WVFRM_Compare(w, w->pComposite, index, pModel->szName, l.edge)) ok = 0;
    }
  }
  return ok;
}

int chk_CheckModel(const MDL_STRUCT* pModel) {
  int ok = chk_CheckModelRange(pModel);
  if (!chk_CheckModelCurves(pModel)) ok = 0;
  if (!chk_CheckModelWaves(pModel)) ok = 0;
  return ok;
}

int chk_CheckAllModels(MDL_STRUCT* pModels) {
  if (!gbAllowChecking) return 0;
  int n = 0;
  for (const MDL_STRUCT* m = pModels; m; m = m->pNext)
    if (!chk_CheckModel(m)) ++n;
  return n;
}

int chk_CheckPackage(const CMPNT_STRUCT* pCmpnt) {
  if (!gbAllowChecking || !pCmpnt || !pCmpnt->pPackage) return 1;
  const PKG_STRUCT* p = pCmpnt->pPackage;
  const char* name = pCmpnt->szName;
  int ok = chk_RngValIsInRange(p->apRange[PKG_R], 1710, name, 0.0, kResMax, 1.0);
  if (!chk_RngValMinMax(p->apRange[PKG_R], 1711, name)) ok = 0;
  if (!chk_RngValIsInRange(p->apRange[PKG_L], 1712, name, 0.0, kIndMax, kNanohenries)) ok = 0;
  if (!chk_RngValMinMax(p->apRange[PKG_L], 1713, name)) ok = 0;
  if (!chk_RngValIsInRange(p->apRange[PKG_C], 1714, name, 0.0, kCapMax, kPicofarads)) ok = 0;
  if (!chk_RngValMinMax(p->apRange[PKG_C], 1715, name)) ok = 0;
  return ok;
}

int chk_CheckPin(const CMPNT_STRUCT* pCmpnt, const PIN_STRUCT* pPin) {
  if (!gbAllowChecking || !pCmpnt || !pPin) return 1;
  const struct {
    int col;
    double limit;
    double scale;
    int code;
  } checks[3] = {{PIN_COL_R, kResMax, 1.0, 1700}, {PIN_COL_L, kIndMax, kNanohenries, 1701},
                 {PIN_COL_C, kCapMax, kPicofarads, 1702}};
  int ok = 1;
  for (const auto& c : checks) {
    const RNG_VAL& v = pPin->aVal[c.col];
    if (v.iState != RNG_VALUE || !(v.dValue > c.limit)) continue;
    ERRLOG_WarnNew(c.code, pCmpnt->szName, pPin->szPin, v.dValue * c.scale, c.limit * c.scale);
    ok = 0;
  }
  return ok;
}

int chk_UniqueNode(const CMPNT_STRUCT* pCmpnt) {
  if (!gbAllowChecking || !pCmpnt) return 1;
  const unsigned n = CCALL_NodeCount(pCmpnt);
  int ok = 1;
  for (unsigned a = 0; a < n; ++a)
    for (unsigned b = a + 1; b < n; ++b)
      if (strcmp(CCALL_NodeName(pCmpnt, a), CCALL_NodeName(pCmpnt, b)) == 0) {
        ERRLOG_ErrorNew(1708, pCmpnt->szName, CCALL_NodeName(pCmpnt, a));
        ok = 0;
      }
  return ok;
}

int chk_CheckNode(const CMPNT_STRUCT* pCmpnt) {
  if (!gbAllowChecking || !pCmpnt || CCALL_NodeCount(pCmpnt) == 0) return 1;
  int ok = chk_UniqueNode(pCmpnt);
  const unsigned n = CCALL_NodeCount(pCmpnt);
  for (const PIN_STRUCT* p = pCmpnt->pPins; p; p = p->pNext)
    for (unsigned i = 0; i < n; ++i)
      if (strcmp(CCALL_NodeName(pCmpnt, i), p->szPin) == 0) {
        ERRLOG_ErrorNew(1709, pCmpnt->szName, p->szPin, CCALL_NodeName(pCmpnt, i));
        ok = 0;
      }
  return ok;
}

int chk_CheckComponent(const CMPNT_STRUCT* pCmpnt) {
  if (!gbAllowChecking || !pCmpnt) return 1;
  int ok = chk_CheckPackage(pCmpnt);
  for (const PIN_STRUCT* p = pCmpnt->pPins; p; p = p->pNext)
    if (!chk_CheckPin(pCmpnt, p)) ok = 0;
  if (!chk_CheckNode(pCmpnt)) ok = 0;
  return ok;
}

int chk_CheckAllComponents(CMPNT_STRUCT* pCmpnts) {
  if (!gbAllowChecking) return 0;
  int n = 0;
  for (const CMPNT_STRUCT* c = pCmpnts; c; c = c->pNext)
    if (!chk_CheckComponent(c)) ++n;
  return n;
}

int chk_CheckSubModelRange(const SUBMDL_STRUCT* pSubModel) {
  if (!gbAllowChecking || !pSubModel || !pSubModel->pRamp) return 1;
  const RAMP_STRUCT* r = pSubModel->pRamp;
  int ok = chk_RampLineIsInRange(r->pRising, "Rising", pSubModel->szName, "Sub Model", CHK_RAMP_LIMIT);
  if (!chk_RampLineIsInRange(r->pFalling, "Falling", pSubModel->szName, "Sub Model", CHK_RAMP_LIMIT)) ok = 0;
  return ok;
}

int chk_CheckSubModel(const SUBMDL_STRUCT* pSubModel) { return chk_CheckSubModelRange(pSubModel); }

int chk_CheckAllSubModels(SUBMDL_STRUCT* pSubModels) {
  if (!gbAllowChecking) return 0;
  int n = 0;
  for (const SUBMDL_STRUCT* s = pSubModels; s; s = s->pNext)
    if (!chk_CheckSubModel(s)) ++n;
  return n;
}

}  // extern "C"

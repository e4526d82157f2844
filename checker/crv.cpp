// I-V tables: rows, monotonicity notes and the end-of-table checks.
#include "checker/crv.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

bool s_bLargeTables = false;

// Monotonicity tracker of one column.
struct Tracker {
  double last;
  int state;      // 0 none, 1 active, 2 reported
  int direction;  // 0 unknown, 1 increasing, -1 decreasing
};

// Lowest/highest-voltage record.
struct Extreme {
  bool set;
  double voltage;
  double current;
  int currentState;
};

Tracker s_aTrack[4];
Extreme s_lowest, s_highest;
bool s_bTooManyReported = false;

void s_track(int col, const RNG_VAL& v, const char* table) {
  static const char* const names[4] = {"Voltage", "Typical", "Minimum", "Maximum"};
  Tracker& t = s_aTrack[col];
  if (v.iState != RNG_VALUE || t.state == 2) return;
  if (t.state == 0) {
    t.state = 1;
    t.direction = 0;
  } else if (t.direction == 0) {
    if (v.dValue > t.last) t.direction = 1;
    else if (v.dValue < t.last) t.direction = -1;
  } else if ((t.direction == 1 && v.dValue < t.last) || (t.direction == -1 && v.dValue > t.last)) {
    ERRLOG_LineNoteNew(1110, table, names[col]);
    t.state = 2;
  }
  t.last = v.dValue;
}

void s_extreme(Extreme& e, const RNGP_STRUCT* r) {
  e.set = true;
  e.voltage = r->first.dValue;
  e.current = r->typ.dValue;
  e.currentState = r->typ.iState;
}

bool s_risingExpected(int kw, int type) {
  switch (kw) {
    case KW_PULLDOWN:
    case KW_SUB_PULLDOWN:
      return !(type == CRV_TYPE_INPUT_ECL || type == CRV_TYPE_OUTPUT_ECL || type == CRV_TYPE_IO_ECL ||
               type == CRV_TYPE_3STATE_ECL);
    case KW_GND_CLAMP:
    case KW_SUB_GND_CLAMP:
      return true;
    case KW_SERIES_MOSFET:
      return type == CRV_TYPE_SERIES || type == CRV_TYPE_SERIES_SWITCH;
    default:
      return false;
  }
}

const RNG_VAL& s_col(const RNGP_STRUCT* r, int col) { return col == 0 ? r->typ : col == 1 ? r->min : r->max; }

}  // namespace

extern "C" {

void CRV_AllowLargeTables(int iFlag) { s_bLargeTables = iFlag != 0; }

int CRV_New(const char* pszLine, const char* pszTable, CRV_STRUCT** ppTable) {
  if (!ppTable) return 0;
  const char* table = pszTable ? pszTable : "";
  if (*ppTable) {
    ERRLOG_LineErrorNew(1100, table);
    CRV_Free(ppTable);
  }
  CRV_STRUCT* t = (CRV_STRUCT*)calloc(1, sizeof(CRV_STRUCT));
  if (!t) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(CRV_STRUCT));
    return 0;
  }
  const char* p = pszLine ? pszLine : "";
  const char* close = strchr(p, ']');
  CMN_ARGLIST* args = nullptr;
  if (CMN_ArgParse(close ? close + 1 : "", 0, &args)) {
    if (args->uiFound > 0) ERRLOG_LineErrorNew(1104, (int)args->uiFound + 1, table, 1);
    CMN_ArgFree(&args);
  }
  t->ulKeywordLine = PARSE_GetLineNum();
  s_lowest = Extreme{};
  s_highest = Extreme{};
  for (Tracker& tr : s_aTrack) tr = Tracker{};
  s_bTooManyReported = false;
  *ppTable = t;
  return 1;
}

int CRV_ReceiveLine(const char* pszLine, CRV_STRUCT* pTable, const char* pszTable) {
  if (!pTable) return 0;
  const char* table = pszTable ? pszTable : "";
  RNGP_STRUCT* r = nullptr;
  if (!RNGP_ParseLine(pszLine, table, "Voltage", &r) || !r) return 0;
  unsigned count = 0;
  RNGP_LinkLine(&pTable->rows, r, &count, 1);
  s_track(0, r->first, table);
  s_track(1, r->typ, table);
  s_track(2, r->min, table);
  s_track(3, r->max, table);
  if (r->first.iState == RNG_NA) {
    ERRLOG_LineErrorNew(1106);
  } else if (r->first.iState == RNG_VALUE) {
    const double v = r->first.dValue;
    if (!s_lowest.set) {
      s_extreme(s_lowest, r);
      s_extreme(s_highest, r);
    } else {
      if (v < s_lowest.voltage || (v == s_lowest.voltage && s_lowest.currentState != RNG_VALUE))
        s_extreme(s_lowest, r);
      if (v > s_highest.voltage || (v == s_highest.voltage && s_highest.currentState != RNG_VALUE))
        s_extreme(s_highest, r);
    }
  }
  if (count > CRV_MAX_ROWS && !s_bLargeTables && !s_bTooManyReported) {
    ERRLOG_LineErrorNew(1107, CRV_MAX_ROWS, table);
    s_bTooManyReported = true;
  }
  return 1;
}

int CRV_Fini(const char* pszModelName, int iModelType, int iKeyword, CRV_STRUCT* pTable, const char* pszTable,
             const char* pszOwnerKind) {
  if (!pTable) return 0;
  const char* table = pszTable ? pszTable : "";
  const char* model = pszModelName ? pszModelName : "";
  const char* owner = pszOwnerKind ? pszOwnerKind : "Model";
  const int line = (int)pTable->ulKeywordLine;
  const RNGP_STRUCT* first = pTable->rows.pHead;
  const RNGP_STRUCT* last = pTable->rows.pTail;
  if (pTable->rows.uCount < 2) {
    ERRLOG_ErrorNew(1108, table, line);
    return 1;
  }
  bool anyMin = false, anyMax = false;
  for (const RNGP_STRUCT* r = first; r; r = r->pNext) {
    anyMin = anyMin || r->min.iState == RNG_VALUE;
    anyMax = anyMax || r->max.iState == RNG_VALUE;
  }
  const RNGP_STRUCT* ends[2] = {first, last};
  static const char* const endNames[2] = {"First", "Last"};
  for (int i = 0; i < 2; ++i) {
    if (ends[i]->typ.iState == RNG_NA) ERRLOG_ErrorNew(1109, endNames[i], "Typical", table, line);
    if (anyMin && ends[i]->min.iState == RNG_NA) ERRLOG_ErrorNew(1109, endNames[i], "Minimum", table, line);
    if (anyMax && ends[i]->max.iState == RNG_NA) ERRLOG_ErrorNew(1109, endNames[i], "Maximum", table, line);
  }
  // Current direction.
  const bool series = iModelType == CRV_TYPE_SERIES || iModelType == CRV_TYPE_SERIES_SWITCH;
  if (iModelType != CRV_TYPE_NONE && iModelType != CRV_TYPE_NO_TYPE && s_lowest.set && s_highest.set &&
      s_lowest.currentState == RNG_VALUE && s_highest.currentState == RNG_VALUE && iKeyword != KW_ISSO_PD &&
      iKeyword != KW_ISSO_PU && !(iKeyword == KW_SERIES_CURRENT && series)) {
    if (s_risingExpected(iKeyword, iModelType)) {
      if (s_lowest.current > s_highest.current) ERRLOG_WarnNew(1111, owner, model, table);
    } else if (s_highest.current > s_lowest.current) {
      ERRLOG_WarnNew(1112, owner, model, table);
    }
  }
  // Zero crossing of clamp currents.
  if (iKeyword == KW_GND_CLAMP || iKeyword == KW_POWER_CLAMP || iKeyword == KW_SUB_GND_CLAMP ||
      iKeyword == KW_SUB_POWER_CLAMP) {
    static const int codes[3] = {1113, 1114, 1115};
    for (int col = 0; col < 3; ++col) {
      if (s_col(first, col).iState != RNG_VALUE || s_col(last, col).iState != RNG_VALUE) continue;
      bool zero = false;
      double lo = 0, hi = 0;
      bool any = false;
      for (const RNGP_STRUCT* r = first; r; r = r->pNext) {
        const RNG_VAL& v = s_col(r, col);
        if (v.iState != RNG_VALUE) continue;
        if (fabs(v.dValue) <= 1e-6) {
          zero = true;
          break;
        }
        if (!any || v.dValue < lo) lo = v.dValue;
        if (!any || v.dValue > hi) hi = v.dValue;
        any = true;
      }
      if (zero || !any) continue;
      if ((lo < 0 && hi < 0) || (lo > 0 && hi > 0)) ERRLOG_WarnNew(codes[col], owner, model, table);
    }
  }
  return 1;
}

CRV_STRUCT* CRV_CopyCrv(const CRV_STRUCT* pSrc) {
  if (!pSrc) return nullptr;
  CRV_STRUCT* t = (CRV_STRUCT*)calloc(1, sizeof(CRV_STRUCT));
  if (!t) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(CRV_STRUCT));
    return nullptr;
  }
  t->ulKeywordLine = pSrc->ulKeywordLine;
  for (const RNGP_STRUCT* r = pSrc->rows.pHead; r; r = r->pNext) {
    if (r->first.iState != RNG_VALUE) continue;
    RNGP_STRUCT* c = RNGP_New();
    if (!c) {
      CRV_Free(&t);
      return nullptr;
    }
    *c = *r;
    RNGP_LinkLine(&t->rows, c, nullptr, 0);
  }
  return t;
}

int CRV_GetRefValCurrent(const CRV_STRUCT* pCrv, double dVoltage, double adOut[3], int abGiven[3]) {
  for (int i = 0; i < 3; ++i) {
    adOut[i] = 0.0;
    abGiven[i] = 0;
  }
  const RNGP_STRUCT* prev = nullptr;  // the previous row with a voltage
  bool prevHasCurrents = false;
  const RNGP_STRUCT* a = nullptr;     // the rows that end the walk (b null: a alone)
  const RNGP_STRUCT* b = nullptr;
  for (const RNGP_STRUCT* r = pCrv ? pCrv->rows.pHead : nullptr; r && !a; r = r->pNext) {
    if (r->first.iState != RNG_VALUE) continue;
    const double v = r->first.dValue;
    if (prev && fabs(v - prev->first.dValue) <= 1e-6 * fabs(prev->first.dValue)) continue;
    const bool hasCurrents = r->typ.iState == RNG_VALUE;
    if (fabs(v - dVoltage) <= 1e-6 * fabs(dVoltage)) {
      if (hasCurrents) a = r;
      break;
    }
    if (prev) {
      const double lo = fmin(prev->first.dValue, v), hi = fmax(prev->first.dValue, v);
      if (lo <= dVoltage && dVoltage <= hi) {
        if (prevHasCurrents && hasCurrents) {
          a = prev;
          b = r;
        }
        break;
      }
    }
    prev = r;
    prevHasCurrents = hasCurrents;
  }
  if (!a) return 0;
  // A column of a row: Minimum and Maximum of NA take the row's Typical.
  auto column = [](const RNGP_STRUCT* r, int i, double* out) {
    const RNG_VAL& v = i == 0 ? r->typ : i == 1 ? r->min : r->max;
    const RNG_VAL& use = v.iState == RNG_NA ? r->typ : v;
    if (use.iState != RNG_VALUE) return false;
    *out = use.dValue;
    return true;
  };
  int any = 0;
  for (int i = 0; i < 3; ++i) {
    double ya = 0.0, yb = 0.0;
    if (!column(a, i, &ya)) continue;
    if (b) {
      if (!column(b, i, &yb)) continue;
      const double va = a->first.dValue, vb = b->first.dValue;
      ya += (dVoltage - va) * ((yb - ya) / (vb - va));
    }
    adOut[i] = ya;
    abGiven[i] = 1;
    any = 1;
  }
  return any;
}

void CRV_Free(CRV_STRUCT** ppTable) {
  if (!ppTable || !*ppTable) return;
  RNGP_FreeList(&(*ppTable)->rows);
  free(*ppTable);
  *ppTable = nullptr;
}

}  // extern "C"

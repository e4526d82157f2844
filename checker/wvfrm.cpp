// Waveform tables: fixtures, Time rows, end-of-table checks and the time
// comparison with a composite current.
#include "checker/wvfrm.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/parse.h"
#include "checker/ver.h"

namespace {

WVFRM_STRUCT* s_pCur = nullptr;  // the waveform that receives lines
bool s_bOverLimit = false;       // E2018 raised for the current waveform

// Fixture names, compared exactly, in slot order.
const char* const s_aszSubs[WVFRM_SUB_COUNT] = {"R_fixture", "V_fixture", "V_fixture_min",
                                                "V_fixture_max", "C_fixture", "L_fixture",
                                                "R_dut", "L_dut", "C_dut"};

int s_lookup(const char* pszName) {
  for (int i = 0; i < WVFRM_SUB_COUNT; ++i)
    if (strcmp(s_aszSubs[i], pszName) == 0) return i;
  return -1;
}

bool s_endsWith(const char* s, const char* tail) {
  const size_t n = strlen(s), m = strlen(tail);
  return n >= m && strcmp(s + n - m, tail) == 0;
}
bool s_isGolden(const char* t) { return s_endsWith(t, " Near") || s_endsWith(t, " Far"); }
bool s_isPulse(const char* t) { return strcmp(t, "GND Pulse Table") == 0 || strcmp(t, "POWER Pulse Table") == 0; }

void s_fixtureLine(const char* pszLine, int iSlot, const char* pszTable) {
  const char* name = s_aszSubs[iSlot];
  if (s_pCur->rows.uCount > 0) ERRLOG_LineErrorNew(2013, name);
  if (s_pCur->abSub[iSlot]) {
    ERRLOG_LineErrorNew(2014, pszTable, name);
    return;
  }
  s_pCur->abSub[iSlot] = 1;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pszLine, 3, '=', &args)) {
    ERRLOG_LineBugNew(2002, pszTable, "wvfrm.cpp", __LINE__);
    return;
  }
  const unsigned n = args->uiFound;
  if (n == 1 || n == 2) {
    ERRLOG_LineErrorNew(2015, pszTable);
    CMN_ArgFree(&args);
    return;
  }
  if (n != 3) ERRLOG_LineErrorNew(2003, (int)n, pszTable, 3);
  if (strcmp(CMN_ArgGet(args, 1), "=") != 0) {
    ERRLOG_LineErrorNew(2015, pszTable);
  } else {
    const char* text = CMN_ArgGet(args, 2);
    double d = 0.0;
    const int r = CMN_Get_Value(text, &d);
    if (r == 0) {
      ERRLOG_LineErrorNew(2017, pszTable, text);
    } else {
      if (r == 2) ERRLOG_LineWarnNew(2016, pszTable, name, text);
      s_pCur->adSub[iSlot] = d;
    }
  }
  CMN_ArgFree(&args);
}

void s_dataRow(const char* pszLine, const char* pszTable) {
  RNGP_STRUCT* row = nullptr;
  if (!RNGP_ParseLine(pszLine, pszTable, "Time", &row) || !row) return;
  unsigned count = 0;
  RNGP_LinkLine(&s_pCur->rows, row, &count, 1);
  const unsigned limit = s_isPulse(pszTable) ? 100u : (unsigned)VER_WaveformRowsMax(PARSE_GetRuleLevel());
  if (count > limit && !s_bOverLimit) {
    ERRLOG_LineErrorNew(2018, (int)limit, pszTable);
    s_bOverLimit = true;
  }
  if (row->first.iState == RNG_NA) ERRLOG_LineErrorNew(2019, "Time");
  const RNGP_STRUCT* prev = RNGP_Prev(row);
  if (prev && prev->first.iState == RNG_VALUE && row->first.iState == RNG_VALUE &&
      prev->first.dValue >= row->first.dValue)
    ERRLOG_LineErrorNew(2020);
}

// E2006 for the NA columns of the first or last row.
void s_endRowNA(const RNGP_STRUCT* r, const char* pszWhich, const char* pszTable, int iLine, bool anyMin,
                bool anyMax) {
  if (r->typ.iState == RNG_NA) ERRLOG_ErrorNew(2006, pszWhich, "Typical", pszTable, iLine);
  if (r->min.iState == RNG_NA && anyMin) ERRLOG_ErrorNew(2006, pszWhich, "Minimum", pszTable, iLine);
  if (r->max.iState == RNG_NA && anyMax) ERRLOG_ErrorNew(2006, pszWhich, "Maximum", pszTable, iLine);
}

}  // namespace

extern "C" {

int WVFRM_New(const char* pszLine, WVFRM_STRUCT** ppList, const char* pszTable) {
  if (!ppList) return 0;
  const char* table = pszTable ? pszTable : "";
  unsigned n = 0;
  WVFRM_STRUCT** pp = ppList;
  for (; *pp; pp = &(*pp)->pNext) ++n;
  WVFRM_STRUCT* w = (WVFRM_STRUCT*)calloc(1, sizeof(WVFRM_STRUCT));
  if (!w) {
    ERRLOG_LineBugNew(2012, "wvfrm.cpp", __LINE__);
    s_pCur = nullptr;
    return 0;
  }
  *pp = w;
  if (n >= 100) ERRLOG_LineErrorNew(2000, table);
  s_pCur = w;
  s_bOverLimit = false;
  w->ulLine = PARSE_GetLineNum();
  const char* rest = pszLine ? strchr(pszLine, ']') : nullptr;
  if (!rest) {
    ERRLOG_LineBugNew(2001, "wvfrm.cpp", __LINE__);
    return 1;
  }
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(rest + 1, 0, &args)) {
    ERRLOG_LineBugNew(2002, table, "wvfrm.cpp", __LINE__);
    return 1;
  }
  if (args->uiFound > 0) ERRLOG_LineErrorNew(2003, (int)args->uiFound + 1, table, 1);
  CMN_ArgFree(&args);
  return 1;
}

int WVFRM_ReceiveLine(const char* pszLine, const char* pszTable) {
  if (!pszLine || !s_pCur) return 1;
  const char* table = pszTable ? pszTable : "";
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pszLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(2002, table, "wvfrm.cpp", __LINE__);
    return 1;
  }
  const char* first = CMN_ArgGet(args, 0);
  const int slot = s_lookup(first);
  if (slot >= 0) {
    if (s_isGolden(table)) ERRLOG_LineErrorNew(2010);
    else s_fixtureLine(pszLine, slot, table);
  } else {
    double d = 0.0;
    int na = 0;
    if (!CMN_Get_ValueOrNA(first, &d, &na)) ERRLOG_LineErrorNew(2011, table);
    else s_dataRow(pszLine, table);
  }
  CMN_ArgFree(&args);
  return 1;
}

int WVFRM_Fini(const char* pszTable, int iKind) {
  WVFRM_STRUCT* w = s_pCur;
  s_pCur = nullptr;
  if (!w) return 1;
  const char* table = pszTable ? pszTable : "";
  const int line = (int)w->ulLine;
  if (iKind == WVFRM_KIND_WAVEFORM) {
    if (!w->abSub[WVFRM_R_FIXTURE]) ERRLOG_ErrorNew(2004, "R_fixture", table, line);
    if (!w->abSub[WVFRM_V_FIXTURE]) ERRLOG_ErrorNew(2004, "V_fixture", table, line);
  }
  if (w->rows.uCount < 2) {
    ERRLOG_ErrorNew(2005, table, line);
  } else {
    const RNGP_STRUCT* f = w->rows.pHead;
    const RNGP_STRUCT* l = w->rows.pTail;
    bool anyMin = false, anyMax = false;
    for (const RNGP_STRUCT* r = f; r; r = r->pNext) {
      anyMin = anyMin || r->min.iState == RNG_VALUE;
      anyMax = anyMax || r->max.iState == RNG_VALUE;
    }
    s_endRowNA(f, "First", table, line, anyMin, anyMax);
    s_endRowNA(l, "Last", table, line, anyMin, anyMax);
    if (iKind == WVFRM_KIND_PULSE) {
      const RNG_VAL* fc[3] = {&f->typ, &f->min, &f->max};
      const RNG_VAL* lc[3] = {&l->typ, &l->min, &l->max};
      static const char* const cols[3] = {"Typical", "Minimum", "Maximum"};
      for (int i = 0; i < 3; ++i) {
        if (fc[i]->iState == RNG_NA || lc[i]->iState == RNG_NA) continue;
        if (!(fc[i]->dValue == lc[i]->dValue)) ERRLOG_ErrorNew(2007, cols[i], table, line);
      }
    }
  }
  if (iKind == WVFRM_KIND_PULSE) {
    const bool gnd = strncmp(table, "GND", 3) == 0;
    static const char* const cols[3] = {"Typical", "Minimum", "Maximum"};
    for (int i = 0; i < 3; ++i) {
      for (const RNGP_STRUCT* r = w->rows.pHead; r; r = r->pNext) {
        const RNG_VAL& v = i == 0 ? r->typ : i == 1 ? r->min : r->max;
        if (v.iState != RNG_VALUE) continue;
        if (gnd && v.dValue < 0.0) {
          ERRLOG_WarnNew(2008, table, cols[i], line);
          break;
        }
        if (!gnd && v.dValue > 0.0) {
          ERRLOG_WarnNew(2009, table, cols[i], line);
          break;
        }
      }
    }
  }
  return 1;
}

void WVFRM_Free(WVFRM_STRUCT** ppList) {
  if (!ppList) return;
  WVFRM_STRUCT* w = *ppList;
  *ppList = nullptr;
  while (w) {
    WVFRM_STRUCT* next = w->pNext;
    if (w == s_pCur) s_pCur = nullptr;
    RNGP_FreeList(&w->rows);
    WVFRM_Free(&w->pComposite);
    free(w);
    w = next;
  }
}

int WVFRM_Compare(const WVFRM_STRUCT* pWave, const WVFRM_STRUCT* pComposite, int iIndex, const char* pszModelName,
                  const char* pszEdge) {
  const RNGP_STRUCT* a = pWave ? pWave->rows.pHead : nullptr;
  const RNGP_STRUCT* b = pComposite ? pComposite->rows.pHead : nullptr;
  bool same = true;
  for (; a && b && same; a = a->pNext, b = b->pNext) {
    if (a->first.iState != b->first.iState) same = false;
    else if (a->first.iState == RNG_VALUE &&
             fabs(a->first.dValue - b->first.dValue) > 1e-6 * fabs(a->first.dValue))
      same = false;
  }
  if (same && (a || b)) same = false;
  if (!same) {
    ERRLOG_ErrorNew(2021, pszModelName ? pszModelName : "", pszEdge ? pszEdge : "", iIndex);
    return 0;
  }
  return 1;
}

}  // extern "C"

// [Pin Mapping]: header, data lines and the bus checks at the end of a
// component.
#include "checker/pinmpg.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpx.h"
#include "checker/frameio.h"
#include "checker/parse.h"
#include "checker/ver.h"
#include "checker/nameidx.h"
#include "checker/pin.h"

namespace {

const char* const s_aszCols[PINMPG_BUSES] = {"pulldown_ref", "pullup_ref", "gnd_clamp_ref", "power_clamp_ref",
                                             "ext_ref"};

// Whether the file's table has the sixth column, ext_ref.
bool s_modern() { return VER_ItemAllowed("Pin Mapping", "ext_ref", PARSE_GetRuleLevel()) != 0; }

// A bus name that connects: present and not NC.
bool s_isRef(const char* b) { return b[0] && !CMN_StrSameIC(b, "NC"); }

const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  return p ? p + 1 : pLine + strlen(pLine);
}

// Kind of a mapping's pin: 0 a signal pin (or none), 1 POWER, 2 GND.
enum { KIND_SIGNAL = 0, KIND_POWER = 1, KIND_GND = 2 };

// Bus test of one column of a signal pin's mapping M: the first other
// mapping whose compared column holds the bus and whose pin is a supply pin.
// pIdx, when usable, maps each bus to that first supply mapping (built in
// list order); else the list is walked.
// The component whose mappings are being tested (for the bus labels of 7.0).
const CMPNT_STRUCT* s_pOwner = nullptr;

void s_busTest(const PINMPG_STRUCT* pList, PIN_STRUCT* pPins, const unsigned char* kinds, const NAMEIDX* pIdx,
               const PINMPG_STRUCT* m, const char* comp, int col, int errCode, int warnCode, bool wantPower) {
  const char* bus = m->aszBus[col];
  if (CMPX_IsBusLabel(s_pOwner, bus)) return;
  const int cmp1 = col == PINMPG_GND_CLAMP ? PINMPG_PULLDOWN : col == PINMPG_POWER_CLAMP ? PINMPG_PULLUP : col;
  const bool both = col == PINMPG_EXT;
  const unsigned char want = wantPower ? KIND_POWER : KIND_GND;
  if (NAMEIDX_Usable(pIdx)) {
    const PINMPG_STRUCT* n = (const PINMPG_STRUCT*)NAMEIDX_Find(pIdx, bus);
    if (!n) {
      ERRLOG_ErrorNew(errCode, comp, bus);
      return;
    }
    const bool power = PIN_ModelNameIsPOWER(pPins, n->szPin);
    if (power != wantPower) ERRLOG_WarnNew(warnCode, comp, bus);
    return;
  }
  size_t i = 0;
  for (const PINMPG_STRUCT* n = pList; n; n = n->pNext, ++i) {
    if (n == m || kinds[i] == KIND_SIGNAL) continue;
    const bool match = both ? (strcmp(n->aszBus[PINMPG_PULLUP], bus) == 0 || strcmp(n->aszBus[PINMPG_PULLDOWN], bus) == 0)
                            : strcmp(n->aszBus[cmp1], bus) == 0;
    if (!match) continue;
    if (kinds[i] != want) ERRLOG_WarnNew(warnCode, comp, bus);
    return;
  }
  ERRLOG_ErrorNew(errCode, comp, bus);
}

}  // namespace

extern "C" {

void PINMPG_ParseHeader(const char* pszLine, int* piCols) {
  if (!pszLine || !piCols) return;
  if (*piCols != 0) {
    ERRLOG_LineErrorNew(525);
    return;
  }
  *piCols = 1;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_afterKeyword(pszLine), 5, &args)) return;
  const unsigned n = args->uiFound;
  if (n == 0) {
    ERRLOG_LineErrorNew(528, "Pin_Mapping");
    CMN_ArgFree(&args);
    return;
  }
  *piCols += (int)(n < 5 ? n : 5);
  const int k = *piCols;
  if (!s_modern()) {
    if (k != 3 && k != 5) ERRLOG_LineErrorNew(532, "Pin_Mappings", 3, 5, k);
  } else if (k != 3 && k != 5 && k != 6) {
    ERRLOG_LineErrorNew(526, k);
  }
  for (unsigned i = 0; i < PINMPG_BUSES; ++i) {
    if (i < args->uiStored) {
      if (!CMN_StrSameIC(CMN_ArgGet(args, i), s_aszCols[i])) ERRLOG_LineErrorNew(529, s_aszCols[i]);
    } else if (i < 2) {
      ERRLOG_LineErrorNew(529, s_aszCols[i]);
    }
  }
  CMN_ArgFree(&args);
}

int PINMPG_ParseLine(const char* pszLine, int iHeaderCols, PINMPG_STRUCT** ppRec) {
  if (!ppRec) return 0;
  *ppRec = nullptr;
  void* mem = nullptr;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_malloc(&mem, sizeof(PINMPG_STRUCT)) || !CMN_ArgParse(pszLine ? pszLine : "", 6, &args)) {
    if (mem) CMN_free(mem);
    ERRLOG_LineErrorNew(728);
    return 0;
  }
  PINMPG_STRUCT* r = (PINMPG_STRUCT*)mem;
  const unsigned n = args->uiFound;
  if (n > 6) ERRLOG_LineErrorNew(700);
  r->iColumns = (int)n;
  if (n >= 1)
    CMN_SetStr(r->szPin, CMN_ArgGet(args, 0), PINMPG_PIN_MAX, "Pin");
  else
    ERRLOG_LineErrorNew(701);
  for (unsigned i = 0; i < PINMPG_BUSES; ++i) {
    if (i + 1 < args->uiStored) {
      const char* f = CMN_ArgGet(args, i + 1);
      if (CMN_StrSameIC(f, "NA")) ERRLOG_LineErrorNew(729, f);
      CMN_SetStr(r->aszBus[i], f, PINMPG_BUS_MAX, s_aszCols[i]);
    } else if (i == PINMPG_PULLDOWN) {
      ERRLOG_LineErrorNew(702);
    } else if (i == PINMPG_PULLUP) {
      ERRLOG_LineErrorNew(703);
    }
  }
  const bool modern = s_modern();
  if (!modern && n != 3 && n != 5)
    ERRLOG_LineErrorNew(705);
  else if (modern && n != 3 && n != 5 && n != 6)
    ERRLOG_LineErrorNew(704);
  if (n == 5 && iHeaderCols == 3)
    ERRLOG_LineErrorNew(706);
  else if (modern && n == 6 && iHeaderCols != 6)
    ERRLOG_LineErrorNew(707);
  CMN_ArgFree(&args);
  *ppRec = r;
  return 1;
}

void PINMPG_LinkPinMpg(PINMPG_STRUCT** ppList, PINMPG_STRUCT* pRec) {
  if (!ppList || !pRec) return;
  pRec->pNext = nullptr;
  if (!*ppList) {
    pRec->pIndex = NAMEIDX_New();
    NAMEIDX_Add(pRec->pIndex, pRec->szPin, pRec);
    *ppList = pRec;
    return;
  }
  NAMEIDX* idx = (*ppList)->pIndex;
  if (NAMEIDX_Usable(idx) && idx->pTail) {
    // Only a pin seen before needs the walk that counts its records.
    if (NAMEIDX_Find(idx, pRec->szPin))
      for (const PINMPG_STRUCT* m = *ppList; m; m = m->pNext)
        if (strcmp(m->szPin, pRec->szPin) == 0) ERRLOG_LineErrorNew(708);
    ((PINMPG_STRUCT*)idx->pTail)->pNext = pRec;
    NAMEIDX_Add(idx, pRec->szPin, pRec);
    return;
  }
  for (; *ppList; ppList = &(*ppList)->pNext)
    if (strcmp((*ppList)->szPin, pRec->szPin) == 0) ERRLOG_LineErrorNew(708);
  pRec->pNext = nullptr;
  *ppList = pRec;
}

int PINMPG_TestPin(const PINMPG_STRUCT* pList, const char* pszPin) {
  if (!pszPin) return 0;
  if (pList && NAMEIDX_Usable(pList->pIndex)) return NAMEIDX_Find(pList->pIndex, pszPin) ? 1 : 0;
  for (const PINMPG_STRUCT* m = pList; m; m = m->pNext)
    if (strcmp(m->szPin, pszPin) == 0) return 1;
  return 0;
}

int PINMPG_TestList(PINMPG_STRUCT* pList, PIN_STRUCT* pPins, const char* pszComponent, const CMPNT_STRUCT* pOwner) {
  const char* comp = pszComponent ? pszComponent : "";
  s_pOwner = pOwner;
  const bool modern = s_modern();
  // 1. supply and NC pins that have a mapping
  for (const PIN_STRUCT* p = pPins; p; p = p->pNext) {
    const PINMPG_STRUCT* m = nullptr;
    if (pList && NAMEIDX_Usable(pList->pIndex)) {
      m = (const PINMPG_STRUCT*)NAMEIDX_Find(pList->pIndex, p->szPin);
    } else {
      m = pList;
      while (m && strcmp(m->szPin, p->szPin) != 0) m = m->pNext;
    }
    if (!m) continue;
    const bool pd = s_isRef(m->aszBus[PINMPG_PULLDOWN]), pu = s_isRef(m->aszBus[PINMPG_PULLUP]);
    const bool gc = s_isRef(m->aszBus[PINMPG_GND_CLAMP]), pc = s_isRef(m->aszBus[PINMPG_POWER_CLAMP]);
    const bool ext = s_isRef(m->aszBus[PINMPG_EXT]);
    if (CMN_StrSameIC(p->szModel, "POWER")) {
      if (!(pu && !pd && !gc && !pc)) modern ? ERRLOG_WarnNew(709, comp, p->szPin) : ERRLOG_WarnNew(710, p->szPin);
    } else if (CMN_StrSameIC(p->szModel, "GND")) {
      if (!(pd && !pu && !gc && !pc)) modern ? ERRLOG_WarnNew(711, comp, p->szPin) : ERRLOG_WarnNew(712, p->szPin);
    } else if (CMN_StrSameIC(p->szModel, "NC")) {
      if (pd || pu || gc || pc || ext) modern ? ERRLOG_WarnNew(713, comp, p->szPin) : ERRLOG_WarnNew(714, p->szPin);
    }
  }
  // 2. mappings of pins the [Pin] table lacks
  if (!pPins) return 1;
  for (const PINMPG_STRUCT* m = pList; m; m = m->pNext)
    if (!PIN_PinExists(pPins, m->szPin)) ERRLOG_ErrorNew(715, comp, m->szPin);
  // 3. and 4. the buses, one column after the other; the kind of each
  // mapping's pin is looked up once.
  size_t count = 0;
  for (const PINMPG_STRUCT* m = pList; m; m = m->pNext) ++count;
  void* mem = nullptr;
  if (!count || !CMN_malloc(&mem, count)) return 0;
  unsigned char* kinds = (unsigned char*)mem;
  size_t i = 0;
  for (const PINMPG_STRUCT* m = pList; m; m = m->pNext, ++i)
    kinds[i] = PIN_ModelNameIsPOWER(pPins, m->szPin) ? KIND_POWER : PIN_ModelNameIsGND(pPins, m->szPin) ? KIND_GND
                                                                                                  : KIND_SIGNAL;
  // The first supply mapping of each bus: by pulldown_ref, by pullup_ref, by
  // either; and the buses used as pullup_ref by any mapping.
  NAMEIDX* byPulldown = NAMEIDX_New();
  NAMEIDX* byPullup = NAMEIDX_New();
  NAMEIDX* byEither = NAMEIDX_New();
  NAMEIDX* pullups = NAMEIDX_New();
  i = 0;
  for (PINMPG_STRUCT* m = pList; m; m = m->pNext, ++i) {
    if (m->aszBus[PINMPG_PULLUP][0]) NAMEIDX_Add(pullups, m->aszBus[PINMPG_PULLUP], m);
    if (kinds[i] == KIND_SIGNAL) continue;
    if (m->aszBus[PINMPG_PULLDOWN][0]) {
      NAMEIDX_Add(byPulldown, m->aszBus[PINMPG_PULLDOWN], m);
      NAMEIDX_Add(byEither, m->aszBus[PINMPG_PULLDOWN], m);
    }
    if (m->aszBus[PINMPG_PULLUP][0]) {
      NAMEIDX_Add(byPullup, m->aszBus[PINMPG_PULLUP], m);
      NAMEIDX_Add(byEither, m->aszBus[PINMPG_PULLUP], m);
    }
  }
  static const struct {
    int col, err, warn;
    bool power;
  } tests[] = {{PINMPG_PULLDOWN, 716, 717, false},
               {PINMPG_PULLUP, 720, 721, true},
               {PINMPG_GND_CLAMP, 722, 723, false},
               {PINMPG_POWER_CLAMP, 724, 725, true},
               {PINMPG_EXT, 726, 727, true}};
  for (const auto& t : tests) {
    if (t.col == PINMPG_EXT && !modern) continue;
    i = 0;
    for (const PINMPG_STRUCT* m = pList; m; m = m->pNext, ++i) {
      if (kinds[i] == KIND_SIGNAL) {
        const NAMEIDX* idx = t.col == PINMPG_EXT                                   ? byEither
                             : t.col == PINMPG_PULLDOWN || t.col == PINMPG_GND_CLAMP ? byPulldown
                                                                                     : byPullup;
        if (s_isRef(m->aszBus[t.col]))
          s_busTest(pList, pPins, kinds, idx, m, comp, t.col, t.err, t.warn, t.power);
      } else if (t.col == PINMPG_PULLDOWN && s_isRef(m->aszBus[PINMPG_PULLDOWN])) {
        bool used = false;
        if (NAMEIDX_Usable(pullups)) {
          used = NAMEIDX_Find(pullups, m->aszBus[PINMPG_PULLDOWN]) != nullptr;
        } else {
          for (const PINMPG_STRUCT* n = pList; n && !used; n = n->pNext)
            used = strcmp(n->aszBus[PINMPG_PULLUP], m->aszBus[PINMPG_PULLDOWN]) == 0;
        }
        if (used)
          modern ? ERRLOG_WarnNew(718, comp, m->aszBus[PINMPG_PULLDOWN]) : ERRLOG_WarnNew(719, m->aszBus[PINMPG_PULLDOWN]);
      }
    }
  }
  NAMEIDX_Free(&byPulldown);
  NAMEIDX_Free(&byPullup);
  NAMEIDX_Free(&byEither);
  NAMEIDX_Free(&pullups);
  CMN_free(kinds);
  return 1;
}

void PINMPG_FreeList(PINMPG_STRUCT* pList) {
  if (pList) NAMEIDX_Free(&pList->pIndex);
  while (pList) {
    PINMPG_STRUCT* next = pList->pNext;
    CMN_free(pList);
    pList = next;
  }
}

}  // extern "C"

// Component tables of IBIS 6.0 and later.
#include "checker/cmpx.h"

#include <string.h>

#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/difpin.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/msel.h"
#include "checker/nameidx.h"
#include "checker/parse.h"
#include "checker/pin.h"
#include "checker/ver.h"

// One [Repeater Pin] row: the receiving pin, the driving pin, the line.
struct CMPX_REPEATER {
  std::string rx;
  std::string tx;
  unsigned long line;
};

// The names of a component's [Bus Label] and [Die Supply Pads] rows, and
// (built on the first query, once the pins are complete) the signal names of
// its POWER and GND pins; its [Repeater Pin] rows for the whole-file checks.
struct CMPX_LABELS {
  std::unordered_set<std::string> names;
  std::unordered_set<std::string> supply;
  bool supplyBuilt = false;
  std::vector<CMPX_REPEATER> repeaters;
};

namespace {

int s_iKeyword = KW_NOT_KEY;       // the table being read
std::string s_group;               // open interconnect model group ("" none)
const CMPNT_STRUCT* s_pGroupOwner = nullptr;
const CMPNT_STRUCT* s_pRepOwner = nullptr;  // component of s_repPins
std::unordered_set<std::string> s_repPins;  // [Repeater Pin] pins named so far

bool s_isOwn(int kw) { return kw >= KW_REPEATER_PIN && kw <= KW_END_INTERCONNECT_MODEL_GROUP; }

bool s_isComponentGroup(int kw) {
  return (kw >= KW_COMPONENT && kw <= KW_END_CIRCUIT_CALL) || (kw >= KW_BEGIN_EMI_COMPONENT && kw <= KW_PIN_DOMAIN_EMI) ||
         s_isOwn(kw);
}

const char* s_tableName(int kw) {
  switch (kw) {
    case KW_REPEATER_PIN: return "Repeater Pin";
    case KW_CLOCK_PINS: return "Clock Pins";
    case KW_BUS_LABEL: return "Bus Label";
    case KW_DIE_SUPPLY_PADS: return "Die Supply Pads";
    case KW_INTERCONNECT_MODEL_GROUP: return "Interconnect Model Group";
    default: return "End Interconnect Model Group";
  }
}

// A pin of the row that must be a pin of the component (E5102).
void s_needPin(CMPNT_STRUCT* c, int kw, const char* pin) {
  if (!PIN_FindPin(c->pPins, pin)) ERRLOG_LineErrorNew(5102, s_tableName(kw), pin, c->szName);
}

CMPX_LABELS* s_labels(CMPNT_STRUCT* c) {
  if (!c->pLabels) c->pLabels = new (std::nothrow) CMPX_LABELS;
  return c->pLabels;
}

void s_repeaterRow(CMPNT_STRUCT* c, const CMN_ARGLIST* a) {
  if (a->uiFound != 2) {
    ERRLOG_LineErrorNew(5101, "Repeater Pin", (int)a->uiFound, 2);
    return;
  }
  if (CMPX_LABELS* l = s_labels(c)) l->repeaters.push_back({CMN_ArgGet(a, 0), CMN_ArgGet(a, 1), PARSE_GetLineNum()});
  if (s_pRepOwner != c) {
    s_repPins.clear();
    s_pRepOwner = c;
  }
  for (unsigned i = 0; i < 2; ++i) {
    const char* pin = CMN_ArgGet(a, i);
    s_needPin(c, KW_REPEATER_PIN, pin);
    // A pin in two repeater pairs is suspicious; the standard text read here
    // does not forbid it outright, so it is a caution.
    if (!s_repPins.insert(pin).second) ERRLOG_CautionNew(5107, PARSE_GetLineNum(), "Repeater Pin", pin, c->szName);
  }
}

void s_keepNames(CMPNT_STRUCT* c, const CMN_ARGLIST* a) {
  if (!s_labels(c)) return;
  for (unsigned i = 0; i < a->uiStored; ++i) c->pLabels->names.insert(CMN_ArgGet(a, i));
}

void s_dataLine(CMPNT_STRUCT* c, const char* line) {
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(line, 4, &a)) return;
  const int n = (int)a->uiFound;
  switch (s_iKeyword) {
    case KW_REPEATER_PIN: s_repeaterRow(c, a); break;
    case KW_CLOCK_PINS:
      // clock pin, clocked pin, relationship; the relationship values are
      // accepted as given.
      if (n != 3) ERRLOG_CautionNew(5103, PARSE_GetLineNum(), "Clock Pins", n, 3);
      if (n >= 1) s_needPin(c, KW_CLOCK_PINS, CMN_ArgGet(a, 0));
      if (n == 3) s_needPin(c, KW_CLOCK_PINS, CMN_ArgGet(a, 1));
      break;
    case KW_BUS_LABEL:
    case KW_DIE_SUPPLY_PADS:
      // The column order is not confirmed: every name of the row is kept.
      if (n < 2) ERRLOG_CautionNew(5103, PARSE_GetLineNum(), s_tableName(s_iKeyword), n, 2);
      s_keepNames(c, a);
      break;
    default: break;  // interconnect model group lines are accepted as given
  }
  CMN_ArgFree(&a);
}

// The group's name from its keyword line.
void s_openGroup(CMPNT_STRUCT* c, const char* line) {
  const char* p = strchr(line, ']');
  p = p ? p + 1 : "";
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(p, 1, &a)) return;
  if (a->uiFound == 0) ERRLOG_LineErrorNew(5104, "Interconnect Model Group");
  s_group = a->uiFound ? CMN_ArgGet(a, 0) : "?";
  s_pGroupOwner = c;
  CMN_ArgFree(&a);
}

// Model types that receive (the Rx half of a repeater) and that drive (the
// Tx half).
bool s_receives(int t) {
  switch (t) {
    case MDL_TYPE_INPUT: case MDL_TYPE_IO: case MDL_TYPE_IO_OPEN_DRAIN: case MDL_TYPE_IO_OPEN_SINK:
    case MDL_TYPE_IO_OPEN_SOURCE: case MDL_TYPE_INPUT_ECL: case MDL_TYPE_IO_ECL: case MDL_TYPE_IO_DIFF:
    case MDL_TYPE_INPUT_DIFF:
      return true;
    default:
      return false;
  }
}

bool s_drives(int t) { return MDL_TypeDrives(t) != 0; }

// The [Diff Pin] row that names a pin (either column), null when none.
const DIFPIN_STRUCT* s_diffRow(const DIFPIN_STRUCT* list, const char* pin) {
  if (list && NAMEIDX_Usable(list->pIndex)) return (const DIFPIN_STRUCT*)NAMEIDX_Find(list->pIndex, pin);
  for (const DIFPIN_STRUCT* d = list; d; d = d->pNext)
    if (strcmp(d->szPin, pin) == 0 || strcmp(d->szInvPin, pin) == 0) return d;
  return nullptr;
}

// One model behind a repeater pin: a receiving (rx) or driving type and an
// [Algorithmic Model] (C5109, C5110).
void s_repeaterModel(const CMPX_REPEATER& r, const char* pin, const MDL_STRUCT* m, bool rx, const char* cmpnt) {
  if (m->iType > MDL_TYPE_NO_TYPE && !(rx ? s_receives(m->iType) : s_drives(m->iType)))
    ERRLOG_CautionNew(5110, r.line, pin, cmpnt, m->szName, MDL_TypeNameForMessage(m->iType), rx ? "receive" : "drive");
  if (!m->pAlgMod) ERRLOG_CautionNew(5109, r.line, pin, cmpnt, m->szName);
}

// The file's models and selectors by name (the first of a name, as
// MDL_FindModel and MSEL_FindMsel find it), so that many repeater rows cost
// linear time.
struct ModelIndex {
  std::unordered_map<std::string, const MDL_STRUCT*> models;
  std::unordered_map<std::string, const MSEL_STRUCT*> msels;
  ModelIndex(const MDL_STRUCT* m, const MSEL_STRUCT* s) {
    for (; m; m = m->pNext) models.emplace(m->szName, m);
    for (; s; s = s->pNext) msels.emplace(s->szName, s);
  }
  const MDL_STRUCT* model(const char* name) const {
    const auto it = models.find(name);
    return it == models.end() ? nullptr : it->second;
  }
  const MSEL_STRUCT* msel(const char* name) const {
    const auto it = msels.find(name);
    return it == msels.end() ? nullptr : it->second;
  }
};

// One pin of a repeater row: the non-inverting pin of a [Diff Pin] pair
// (C5108), then its model, or every model of its selector. Pins missing from
// [Pin] were reported when the row was read; unknown models by the pin
// checks.
void s_repeaterPin(const CMPNT_STRUCT* c, const CMPX_REPEATER& r, bool rx, const ModelIndex& idx) {
  const char* name = rx ? r.rx.c_str() : r.tx.c_str();
  PIN_STRUCT* pin = PIN_FindPin(c->pPins, name);
  if (!pin) return;
  const DIFPIN_STRUCT* d = s_diffRow(c->pDiffPins, name);
  if (!d || strcmp(d->szPin, name) != 0) ERRLOG_CautionNew(5108, r.line, name, c->szName);
  if (const MDL_STRUCT* m = idx.model(pin->szModel)) {
    s_repeaterModel(r, name, m, rx, c->szName);
    return;
  }
  if (const MSEL_STRUCT* s = idx.msel(pin->szModel))
    for (const MSEL_MODEL* e = s->pModels; e; e = e->pNext)
      if (const MDL_STRUCT* m = idx.model(e->szName)) s_repeaterModel(r, name, m, rx, c->szName);
}

// Whether a [Pin] row is a POWER (1) or GND (2) pin; 0 otherwise.
int s_supplyKind(const PIN_STRUCT* p) {
  if (CMN_StrSameIC(p->szModel, "POWER")) return 1;
  return CMN_StrSameIC(p->szModel, "GND") ? 2 : 0;
}

void s_closeOpenGroup() {
  if (s_group.empty()) return;
  ERRLOG_ErrorNew(5105, s_group.c_str(), s_pGroupOwner ? s_pGroupOwner->szName : "");
  s_group.clear();
  s_pGroupOwner = nullptr;
}

}  // namespace

extern "C" {

int CMPX_Init(void) { return 1; }

int CMPX_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 0;
  CMPNT_STRUCT* c = CMPNT_GetCurrent();
  if (!c) {
    if (iLineType == LINE_KEYWORD) ERRLOG_LineErrorNew(5100, s_tableName(iKeyword));
    s_iKeyword = KW_NOT_KEY;
    return 0;
  }
  if (iLineType != LINE_KEYWORD) {
    if (s_iKeyword != KW_NOT_KEY) s_dataLine(c, pszLine);
    return 1;
  }
  s_iKeyword = iKeyword;
  if (iKeyword == KW_INTERCONNECT_MODEL_GROUP) {
    s_closeOpenGroup();
    s_openGroup(c, pszLine);
  } else if (iKeyword == KW_END_INTERCONNECT_MODEL_GROUP) {
    if (s_group.empty()) ERRLOG_LineErrorNew(5106);
    s_group.clear();
    s_pGroupOwner = nullptr;
    s_iKeyword = KW_NOT_KEY;
  }
  return 1;
}

int CMPX_Fini(int iNewKeyword) {
  s_iKeyword = KW_NOT_KEY;
  if (s_isComponentGroup(iNewKeyword) && iNewKeyword != KW_COMPONENT) return 1;
  return CMPNT_Fini(iNewKeyword);
}

void CMPX_ComponentEnd(void) {
  s_closeOpenGroup();
  s_iKeyword = KW_NOT_KEY;
  s_pRepOwner = nullptr;
  s_repPins.clear();
}

void CMPX_Reset(void) {
  s_iKeyword = KW_NOT_KEY;
  s_group.clear();
  s_pGroupOwner = nullptr;
  s_pRepOwner = nullptr;
  s_repPins.clear();
}

int CMPX_IsBusLabel(const CMPNT_STRUCT* pCmpnt, const char* pszName) {
  if (!pCmpnt || !pszName || !VER_ItemAllowed("Pin Mapping", "supply pin bus label default", PARSE_GetIbisLevel()))
    return 0;
  CMPNT_STRUCT* c = const_cast<CMPNT_STRUCT*>(pCmpnt);
  CMPX_LABELS* l = s_labels(c);
  if (!l) return 0;
  if (!l->supplyBuilt) {
    for (const PIN_STRUCT* p = c->pPins; p; p = p->pNext)
      if (CMN_StrSameIC(p->szModel, "POWER") || CMN_StrSameIC(p->szModel, "GND")) l->supply.insert(p->szSignal);
    l->supplyBuilt = true;
  }
  return l->names.count(pszName) || l->supply.count(pszName) ? 1 : 0;
}

int CMPX_TestRepeaters(const CMPNT_STRUCT* pCmpnt, MDL_STRUCT* pModels, MSEL_STRUCT* pMsels) {
  if (!pCmpnt || !pCmpnt->pLabels || pCmpnt->pLabels->repeaters.empty()) return 1;
  const ModelIndex idx(pModels, pMsels);
  for (const CMPX_REPEATER& r : pCmpnt->pLabels->repeaters) {
    s_repeaterPin(pCmpnt, r, true, idx);
    s_repeaterPin(pCmpnt, r, false, idx);
  }
  return 1;
}

int CMPX_TestSupplySignals(const CMPNT_STRUCT* pCmpnt) {
  if (!pCmpnt || !VER_ItemAllowed("Pin Mapping", "supply pin bus label default", PARSE_GetIbisLevel())) return 1;
  // Signal name -> the first supply pin that carries it; a name is reported
  // once, at the first pin of the other kind.
  std::unordered_map<std::string, const PIN_STRUCT*> first;
  std::unordered_set<std::string> reported;
  for (const PIN_STRUCT* p = pCmpnt->pPins; p; p = p->pNext) {
    const int kind = s_supplyKind(p);
    if (!kind) continue;
    const auto it = first.emplace(p->szSignal, p).first;
    const PIN_STRUCT* q = it->second;
    if (s_supplyKind(q) == kind || !reported.insert(p->szSignal).second) continue;
    const PIN_STRUCT* power = kind == 1 ? p : q;
    const PIN_STRUCT* gnd = kind == 1 ? q : p;
    ERRLOG_CautionNew(5111, p->ulLine, p->szSignal, pCmpnt->szName, power->szPin, gnd->szPin);
  }
  return 1;
}

void CMPX_FreeLabels(CMPX_LABELS** ppLabels) {
  if (!ppLabels) return;
  delete *ppLabels;
  *ppLabels = nullptr;
}

}  // extern "C"

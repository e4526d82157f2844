// Component tables of IBIS 6.0 and later.
#include "checker/cmpx.h"

#include <string.h>

#include <new>
#include <string>
#include <unordered_set>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/pin.h"
#include "checker/ver.h"

// The names of a component's [Bus Label] and [Die Supply Pads] rows, and
// (built on the first query, once the pins are complete) the signal names of
// its POWER and GND pins.
struct CMPX_LABELS {
  std::unordered_set<std::string> names;
  std::unordered_set<std::string> supply;
  bool supplyBuilt = false;
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

void s_repeaterRow(CMPNT_STRUCT* c, const CMN_ARGLIST* a) {
  if (a->uiFound != 2) {
    ERRLOG_LineErrorNew(5101, "Repeater Pin", (int)a->uiFound, 2);
    return;
  }
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
  if (!c->pLabels) c->pLabels = new (std::nothrow) CMPX_LABELS;
  if (!c->pLabels) return;
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
  if (!c->pLabels) c->pLabels = new (std::nothrow) CMPX_LABELS;
  CMPX_LABELS* l = c->pLabels;
  if (!l) return 0;
  if (!l->supplyBuilt) {
    for (const PIN_STRUCT* p = c->pPins; p; p = p->pNext)
      if (CMN_StrSameIC(p->szModel, "POWER") || CMN_StrSameIC(p->szModel, "GND")) l->supply.insert(p->szSignal);
    l->supplyBuilt = true;
  }
  return l->names.count(pszName) || l->supply.count(pszName) ? 1 : 0;
}

void CMPX_FreeLabels(CMPX_LABELS** ppLabels) {
  if (!ppLabels) return;
  delete *ppLabels;
  *ppLabels = nullptr;
}

}  // extern "C"

// [Pin] rows, look-ups by pin name and the whole-file pin checks.
#include "checker/pin.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/difpin.h"
#include "checker/frameio.h"
#include "checker/mdl.h"
#include "checker/msel.h"
#include "checker/nameidx.h"
#include "checker/parse.h"
#include "checker/pinmpg.h"
#include "checker/ver.h"

namespace {

const char* const s_aszValNames[3] = {"R_pin", "L_pin", "C_pin"};

// Model names that a pin may carry instead of a model.
bool s_isSpecialModel(const char* m) {
  return CMN_StrSameIC(m, "POWER") || CMN_StrSameIC(m, "GND") || CMN_StrSameIC(m, "CIRCUITCALL") ||
         CMN_StrSameIC(m, "NC");
}

}  // namespace

extern "C" {

int PIN_ParseLine(const char* pszLine, const int* aiOrder, int iHeaderCols, PIN_STRUCT** ppPin) {
  if (!ppPin) return 0;
  *ppPin = nullptr;
  void* mem = nullptr;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_malloc(&mem, sizeof(PIN_STRUCT)) || !CMN_ArgParse(pszLine ? pszLine : "", 6, &args)) {
    if (mem) CMN_free(mem);
    ERRLOG_LineErrorNew(600);
    return 0;
  }
  PIN_STRUCT* p = (PIN_STRUCT*)mem;
  p->ulLine = PARSE_GetLineNum();
  const unsigned limit = (unsigned)VER_NameMax(PARSE_GetRuleLevel());
  const unsigned n = args->uiFound;
  p->iColumns = (int)n;
  if (n >= 1) CMN_SetStr(p->szPin, CMN_ArgGet(args, 0), PIN_NAME_MAX, "Pin");
  if (n >= 2) CMN_SetStr(p->szSignal, CMN_ArgGet(args, 1), limit, "Signal name");
  if (n >= 3) CMN_SetStr(p->szModel, CMN_ArgGet(args, 2), limit, "Model name");
  static const int kDefaultOrder[3] = {PIN_COL_R, PIN_COL_L, PIN_COL_C};
  const int* order = aiOrder ? aiOrder : kDefaultOrder;
  for (unsigned i = 3; i < 6 && i < args->uiStored; ++i) {
    int col = order[i - 3];
    if (col < PIN_COL_R || col > PIN_COL_C) col = (int)(i - 3);
    RNG_VAL* v = &p->aVal[col];
    CMN_GetColValue(CMN_ArgGet(args, i), "Pin", s_aszValNames[col], &v->dValue, &v->iState);
  }
  if (n < 1) ERRLOG_LineErrorNew(601);
  if (n < 2) ERRLOG_LineErrorNew(602);
  if (n < 3) ERRLOG_LineErrorNew(603);
  if (n != 3 && n != 6)
    ERRLOG_LineErrorNew(604);
  else if (n == 6 && iHeaderCols == 3)
    ERRLOG_LineErrorNew(605);
  CMN_ArgFree(&args);
  *ppPin = p;
  return 1;
}

int PIN_LinkPin(PIN_STRUCT** ppList, PIN_STRUCT* pPin) {
  if (!ppList || !pPin) return 0;
  pPin->pNext = nullptr;
  if (!*ppList) {
    pPin->pIndex = NAMEIDX_New();
    NAMEIDX_Add(pPin->pIndex, pPin->szPin, pPin);
    *ppList = pPin;
    return 1;
  }
  NAMEIDX* idx = (*ppList)->pIndex;
  if (NAMEIDX_Usable(idx) && idx->pTail) {
    if (NAMEIDX_Find(idx, pPin->szPin)) ERRLOG_LineErrorNew(606, pPin->szPin);
    ((PIN_STRUCT*)idx->pTail)->pNext = pPin;
    NAMEIDX_Add(idx, pPin->szPin, pPin);
    return 1;
  }
  PIN_STRUCT** pp = ppList;
  bool dup = false;
  for (; *pp; pp = &(*pp)->pNext)
    if (!dup && strcmp((*pp)->szPin, pPin->szPin) == 0) dup = true;
  if (dup) ERRLOG_LineErrorNew(606, pPin->szPin);
  pPin->pNext = nullptr;
  *pp = pPin;
  return 1;
}

void PIN_FreeList(PIN_STRUCT* pList) {
  if (pList) NAMEIDX_Free(&pList->pIndex);
  while (pList) {
    PIN_STRUCT* next = pList->pNext;
    CMN_free(pList);
    pList = next;
  }
}

PIN_STRUCT* PIN_FindPin(PIN_STRUCT* pList, const char* pszPin) {
  if (!pszPin) return nullptr;
  if (pList && NAMEIDX_Usable(pList->pIndex)) return (PIN_STRUCT*)NAMEIDX_Find(pList->pIndex, pszPin);
  for (PIN_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szPin, pszPin) == 0) return p;
  return nullptr;
}

int PIN_PinExists(PIN_STRUCT* pList, const char* pszPin) { return PIN_FindPin(pList, pszPin) ? 1 : 0; }

const char* PIN_GetModel(PIN_STRUCT* pList, const char* pszPin) {
  const PIN_STRUCT* p = PIN_FindPin(pList, pszPin);
  return p ? p->szModel : "";
}

int PIN_ModelNameIsPOWER(PIN_STRUCT* pList, const char* pszPin) {
  const PIN_STRUCT* p = PIN_FindPin(pList, pszPin);
  return p && CMN_StrSameIC(p->szModel, "POWER");
}

int PIN_ModelNameIsGND(PIN_STRUCT* pList, const char* pszPin) {
  const PIN_STRUCT* p = PIN_FindPin(pList, pszPin);
  return p && CMN_StrSameIC(p->szModel, "GND");
}

int PIN_ModelNameIsPOWEROrGND(PIN_STRUCT* pList, const char* pszPin) {
  return PIN_ModelNameIsPOWER(pList, pszPin) || PIN_ModelNameIsGND(pList, pszPin);
}

int PIN_TestList(CMPNT_STRUCT* c, MDL_STRUCT* pModels, MSEL_STRUCT* pMsels) {
  if (!c) return 0;
  const int ver = PARSE_GetFileVersion();
  int ok = 1;
  for (PIN_STRUCT* p = c->pPins; p; p = p->pNext) {
    if (!s_isSpecialModel(p->szModel)) {
      MDL_STRUCT* m = MDL_FindModel(pModels, p->szModel);
      if (ver >= 3 && m) {
        if (m->iType == MDL_TYPE_SERIES || m->iType == MDL_TYPE_SERIES_SWITCH) {
          ERRLOG_ErrorNew(610, c->szName, p->szPin, p->szModel);
          ok = 0;
        }
        if (m->bDiff && !DIFPIN_HasPin(c->pDiffPins, p->szPin)) ERRLOG_CautionNew(611, p->szPin, p->szModel);
      } else if (ver >= 3 && MSEL_FindMsel(p->szModel, pMsels)) {
        const MSEL_STRUCT* s = MSEL_FindMsel(p->szModel, pMsels);
        if (s->iDiff == 0 && !DIFPIN_HasPin(c->pDiffPins, p->szPin)) ERRLOG_CautionNew(609, p->szPin, p->szModel);
      } else if (!m) {
        ERRLOG_ErrorNew(608, c->szName, p->szModel, p->szPin);
        ok = 0;
      }
    }
    // From 7.0 on, a POWER or GND pin left out of [Pin Mapping] takes its
    // signal name as its bus label.
    const bool supplyDefault = VER_ItemAllowed("Pin Mapping", "supply pin bus label default", PARSE_GetIbisLevel()) &&
                               (CMN_StrSameIC(p->szModel, "POWER") || CMN_StrSameIC(p->szModel, "GND"));
    if (c->iPinMpgCols && !supplyDefault && !PINMPG_TestPin(c->pPinMpgs, p->szPin)) {
      ERRLOG_ErrorNew(612, c->szName, p->szPin);
      ok = 0;
    }
  }
  return ok;
}

}  // extern "C"

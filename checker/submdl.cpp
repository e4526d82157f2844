// [Submodel]: the record, the routing of its keywords to their readers, the
// Submodel_type line and the whole-submodel rules.
#include "checker/submdl.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/ver.h"
#include "checker/ramp.h"
#include "checker/sect.h"
#include "checker/smspec.h"
#include "checker/wvfrm.h"

namespace {

SUBMDL_STRUCT* s_pCur = nullptr;  // the submodel receiving lines
int s_iKeyword = KW_NOT_KEY;      // its current keyword

// [Initial Delay] (its own module) keeps the submodel open.
bool s_owns(int kw) { return (kw > KW_SUBMODEL && kw <= KW_SUB_FALLING_WAVEFORM) || kw == KW_INITIAL_DELAY; }

// Submodel_type words by type number; versions up to 3 know the first two.
const char* const s_aszTypes[] = {"", "No Type", "Dynamic_clamp", "Bus_hold", "Fall_back"};

const SECT_NAME_CODES s_nameCodes = {2408, 2409, 2410, 2411, 2412, 2413, "Sub Model"};
const SECT_VALUE_CODES s_valueCodes = {2418, 2419, 2420, 2421, 2422};

// I-V table slot and name of a keyword; -1 for other keywords.
int s_crvSlot(int kw, const char** ppszName) {
  switch (kw) {
    case KW_SUB_PULLDOWN: *ppszName = "Pulldown"; return SUBMDL_CRV_PULLDOWN;
    case KW_SUB_PULLUP: *ppszName = "Pullup"; return SUBMDL_CRV_PULLUP;
    case KW_SUB_GND_CLAMP: *ppszName = "GND Clamp"; return SUBMDL_CRV_GND_CLAMP;
    case KW_SUB_POWER_CLAMP: *ppszName = "POWER Clamp"; return SUBMDL_CRV_POWER_CLAMP;
    default: *ppszName = ""; return -1;
  }
}

bool s_anyTablePresent(const SUBMDL_STRUCT* s) {
  for (const CRV_STRUCT* c : s->apCrv)
    if (c) return true;
  return s->pRamp || s->pRising || s->pFalling || s->pGndPulse || s->pPowerPulse;
}

void s_nameLine(const char* pLine) {
  SUBMDL_STRUCT* s = s_pCur;
  if (SECT_ReadName(pLine, &s_nameCodes, SUBMDL_NAME_MAX, s->szName) != SECT_NAME_STORED) return;
  SUBMDL_STRUCT* list = nullptr;
  IBIS_GetSubMdls(&list);
  for (const SUBMDL_STRUCT* o = list; o; o = o->pNext)
    if (o != s && strcmp(o->szName, s->szName) == 0) {
      ERRLOG_LineErrorNew(2414, s->szName);
      break;
    }
}

void s_typeLine(const char* pLine) {
  SUBMDL_STRUCT* s = s_pCur;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(2415, "Submodel", "submdl.cpp", __LINE__);
    return;
  }
  const bool known = strcmp(CMN_ArgGet(args, 0), "Submodel_type") == 0;
  CMN_ArgFree(&args);
  if (!known) {
    ERRLOG_LineErrorNew(2416);
  } else if (s->iType != SUBMDL_TYPE_NONE) {
    ERRLOG_LineErrorNew(2417, "Submodel_type", s->szName);
  } else {
    // The types in s_aszTypes order; Fall_back only where the file's table
    // knows it.
    const int words = VER_ItemKnown("Submodel_type", "Fall_back", PARSE_GetRuleLevel()) ? 5 : 4;
    s->iType = SECT_WordLine(pLine, "Submodel_type", s_aszTypes, words, &s_valueCodes);
  }
}

void s_keywordLine(int kw, const char* pLine) {
  SUBMDL_STRUCT* s = s_pCur;
  const char* table = nullptr;
  const int slot = s_crvSlot(kw, &table);
  if (slot >= 0) {
    CRV_New(pLine, table, &s->apCrv[slot]);
    return;
  }
  switch (kw) {
    case KW_SUBMODEL:
      s_nameLine(pLine);
      break;
    case KW_SUBMODEL_SPEC:
      if (s_anyTablePresent(s)) ERRLOG_LineErrorNew(2406);
      SMSPEC_New(pLine, &s->pSpec);
      break;
    case KW_GND_PULSE_TABLE:
      if (s->pGndPulse) {
        ERRLOG_LineErrorNew(2404);
        WVFRM_Free(&s->pGndPulse);
      }
      WVFRM_New(pLine, &s->pGndPulse, "GND Pulse");
      break;
    case KW_POWER_PULSE_TABLE:
      if (s->pPowerPulse) {
        ERRLOG_LineErrorNew(2405);
        WVFRM_Free(&s->pPowerPulse);
      }
      WVFRM_New(pLine, &s->pPowerPulse, "POWER Pulse");
      break;
    case KW_SUB_RAMP:
      RAMP_New(pLine, &s->pRamp);
      break;
    case KW_SUB_RISING_WAVEFORM:
      WVFRM_New(pLine, &s->pRising, "Rising Waveform");
      break;
    case KW_SUB_FALLING_WAVEFORM:
      WVFRM_New(pLine, &s->pFalling, "Falling Waveform");
      break;
    default:
      break;
  }
}

void s_dataLine(const char* pLine) {
  SUBMDL_STRUCT* s = s_pCur;
  const char* table = nullptr;
  const int slot = s_crvSlot(s_iKeyword, &table);
  if (slot >= 0) {
    if (s->apCrv[slot]) CRV_ReceiveLine(pLine, s->apCrv[slot], table);
    return;
  }
  switch (s_iKeyword) {
    case KW_SUBMODEL:
      s_typeLine(pLine);
      break;
    case KW_SUBMODEL_SPEC:
      if (s->pSpec) SMSPEC_ReceiveLine(pLine, s->pSpec, s->szName);
      break;
    case KW_GND_PULSE_TABLE:
      WVFRM_ReceiveLine(pLine, "GND Pulse Table");
      break;
    case KW_POWER_PULSE_TABLE:
      WVFRM_ReceiveLine(pLine, "POWER Pulse Table");
      break;
    case KW_SUB_RAMP:
      if (s->pRamp) RAMP_ReceiveLine(pLine, s->pRamp, s->szName);
      break;
    case KW_SUB_RISING_WAVEFORM:
      WVFRM_ReceiveLine(pLine, "Rising Waveform");
      break;
    case KW_SUB_FALLING_WAVEFORM:
      WVFRM_ReceiveLine(pLine, "Falling Waveform");
      break;
    default:
      ERRLOG_LineBugNew(2407, "submdl.cpp", __LINE__);
      break;
  }
}

// The part of the current keyword ends.
void s_endPart(SUBMDL_STRUCT* s) {
  const char* table = nullptr;
  const int slot = s_crvSlot(s_iKeyword, &table);
  if (slot >= 0) {
    // The current-direction rules of a submodel's tables are those of a
    // model that is neither ECL nor series; they apply once the type is known.
    const int ownerType = s->iType >= SUBMDL_TYPE_DYNAMIC_CLAMP ? MDL_TYPE_IO : MDL_TYPE_NONE;
    if (s->apCrv[slot]) CRV_Fini(s->szName, ownerType, s_iKeyword, s->apCrv[slot], table, "Submodel");
    return;
  }
  switch (s_iKeyword) {
    case KW_SUBMODEL:
      if (s->iType == SUBMDL_TYPE_NONE) ERRLOG_ErrorNew(2423, s->szName, "Submodel_type");
      break;
    case KW_SUBMODEL_SPEC:
      SMSPEC_Fini(s->pSpec, s->szName);
      break;
    case KW_GND_PULSE_TABLE:
      WVFRM_Fini("GND Pulse Table", WVFRM_KIND_PULSE);
      break;
    case KW_POWER_PULSE_TABLE:
      WVFRM_Fini("POWER Pulse Table", WVFRM_KIND_PULSE);
      break;
    case KW_SUB_RAMP:
      RAMP_Fini(s->pRamp);
      break;
    case KW_SUB_RISING_WAVEFORM:
      WVFRM_Fini("Rising", WVFRM_KIND_WAVEFORM);
      break;
    case KW_SUB_FALLING_WAVEFORM:
      WVFRM_Fini("Falling", WVFRM_KIND_WAVEFORM);
      break;
    default:
      break;
  }
}

// A typ/min/max column (0 Typ, 1 Min, 2 Max) of a row or range, a Min or Max
// of NA standing for the Typ. Result false when the column has no value.
bool s_column(const RNG_VAL& typ, const RNG_VAL& min, const RNG_VAL& max, int col, double* out) {
  const RNG_VAL& v = col == 0 ? typ : col == 1 ? min : max;
  const RNG_VAL& use = v.iState == RNG_NA ? typ : v;
  if (use.iState != RNG_VALUE) return false;
  *out = use.dValue;
  return true;
}

const char* const s_aszCols[3] = {"Typ", "Min", "Max"};

// code when the waveform row's column lies above the trigger's (bRowAbove) or
// below it, for each column where both sides have a value.
void s_compareTrigger(const SUBMDL_STRUCT* s, const RNGP_STRUCT* row, const RNG_STRUCT* trig, bool bRowAbove,
                      int code) {
  for (int c = 0; c < 3; ++c) {
    double w = 0.0, t = 0.0;
    if (!s_column(row->typ, row->min, row->max, c, &w) || !s_column(trig->typ, trig->min, trig->max, c, &t))
      continue;
    if (bRowAbove ? w > t : t > w) ERRLOG_WarnNew(code, s->szName, s_aszCols[c]);
  }
}

void s_checkTriggers(const SUBMDL_STRUCT* s) {
  const SMSPEC_STRUCT* smSpec = s->pSpec;
  const RNG_STRUCT* vtr = smSpec->pVtriggerR;
  const RNG_STRUCT* vtf = smSpec->pVtriggerF;
  if (vtr && vtr->typ.iState == RNG_VALUE) {
    for (const WVFRM_STRUCT* w = s->pRising; w; w = w->pNext) {
      const RNGP_STRUCT* first = w->rows.pHead;
      const RNGP_STRUCT* last = w->rows.pTail;
      if (!first || first->typ.iState != RNG_VALUE) continue;
      s_compareTrigger(s, first, vtr, true, 2441);
      if (last->typ.iState == RNG_VALUE) s_compareTrigger(s, last, vtr, false, 2442);
    }
  }
  if (vtf && vtf->typ.iState == RNG_VALUE) {
    for (const WVFRM_STRUCT* w = s->pFalling; w; w = w->pNext) {
      const RNGP_STRUCT* first = w->rows.pHead;
      const RNGP_STRUCT* last = w->rows.pTail;
      if (!first || first->typ.iState != RNG_VALUE) continue;
      s_compareTrigger(s, first, vtf, false, 2443);
      if (last->typ.iState == RNG_VALUE) s_compareTrigger(s, last, vtf, true, 2444);
    }
  }
}

void s_endSubmodel(const SUBMDL_STRUCT* s) {
  const char* name = s->szName;
  const SMSPEC_STRUCT* smSpec = s->pSpec;
  const bool pu = s->apCrv[SUBMDL_CRV_PULLUP] != nullptr, pd = s->apCrv[SUBMDL_CRV_PULLDOWN] != nullptr;
  const bool offDelay = smSpec && smSpec->pOffDelay;
  switch (s->iType) {
    case SUBMDL_TYPE_BUS_HOLD:
      if (!smSpec) {
        ERRLOG_ErrorNew(2424, name);
      } else {
        if (!smSpec->pVtriggerR) ERRLOG_ErrorNew(2425, name);
        if (!smSpec->pVtriggerF) ERRLOG_ErrorNew(2426, name);
        if (offDelay && pu && pd) ERRLOG_ErrorNew(2427, name);
      }
      if (!s->pRamp) ERRLOG_ErrorNew(2428, name);
      if (!pu && !pd) ERRLOG_ErrorNew(2429, name);
      break;
    case SUBMDL_TYPE_DYNAMIC_CLAMP:
      if (s->pGndPulse && !(smSpec && smSpec->pVtriggerF)) ERRLOG_ErrorNew(2430, name);
      if (s->pPowerPulse && !(smSpec && smSpec->pVtriggerR)) ERRLOG_ErrorNew(2431, name);
      if (!s->pGndPulse && !s->pPowerPulse && !s->apCrv[SUBMDL_CRV_GND_CLAMP] && !s->apCrv[SUBMDL_CRV_POWER_CLAMP])
        ERRLOG_ErrorNew(2432, name);
      if (offDelay) ERRLOG_ErrorNew(2433, name);
      break;
    case SUBMDL_TYPE_FALL_BACK:
      if (!smSpec) {
        ERRLOG_ErrorNew(2434, name);
      } else {
        if (!smSpec->pVtriggerR) ERRLOG_ErrorNew(2435, name);
        if (!smSpec->pVtriggerF) ERRLOG_ErrorNew(2436, name);
      }
      if (!pu && !pd) ERRLOG_ErrorNew(2437, name);
      if (pu && pd) ERRLOG_ErrorNew(2438, name);
      if (!s->pRamp) ERRLOG_ErrorNew(2439, name);
      if (offDelay) ERRLOG_ErrorNew(2440, name);
      break;
    default:
      break;
  }
  if (smSpec) s_checkTriggers(s);
}

}  // namespace

extern "C" {

int SUBMDL_Init(void) {
  if (!IBIS_GetIBIS()) {
    ERRLOG_LineBugNew(2401);
    return 0;
  }
  SUBMDL_STRUCT* p = (SUBMDL_STRUCT*)calloc(1, sizeof(SUBMDL_STRUCT));
  if (!p) {
    ERRLOG_LineBugNew(2400, "submdl.cpp", __LINE__);
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddSubMdl(p);
  s_pCur = p;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

int SUBMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 1;
  if (!s_pCur) {
    if (iLineType == LINE_KEYWORD) ERRLOG_LineErrorNew(2402);
    else if (iLineType == LINE_DATA) ERRLOG_LineErrorNew(2403);
    return 1;
  }
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    s_keywordLine(iKeyword, pszLine);
  } else if (iLineType == LINE_DATA) {
    s_dataLine(pszLine);
  }
  return 1;
}

int SUBMDL_Fini(int iNewKeyword) {
  SUBMDL_STRUCT* s = s_pCur;
  if (!s) return 1;
  s_endPart(s);
  s_iKeyword = KW_NOT_KEY;
  if (!s_owns(iNewKeyword)) {
    s_endSubmodel(s);
    s_pCur = nullptr;
  }
  return 1;
}

SUBMDL_STRUCT* SUBMDL_GetCurrent(void) { return s_pCur; }

void SUBMDL_FreeList(SUBMDL_STRUCT* pHead) {
  while (pHead) {
    SUBMDL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    for (CRV_STRUCT*& c : pHead->apCrv) CRV_Free(&c);
    RAMP_Free(&pHead->pRamp);
    WVFRM_Free(&pHead->pRising);
    WVFRM_Free(&pHead->pFalling);
    WVFRM_Free(&pHead->pGndPulse);
    WVFRM_Free(&pHead->pPowerPulse);
    SMSPEC_Free(&pHead->pSpec);
    free(pHead);
    pHead = next;
  }
}

SUBMDL_STRUCT* SUBMDL_Find(SUBMDL_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (SUBMDL_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int SUBMDL_NameExists(const char* pszName, SUBMDL_STRUCT* pList) { return SUBMDL_Find(pList, pszName) ? 1 : 0; }

}  // extern "C"

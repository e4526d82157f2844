// [Series Pin Mapping]: header, rows and their checks against the series
// models, model selectors and switch groups.
#include "checker/spinmpg.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/mdl.h"
#include "checker/msel.h"
#include "checker/parse.h"
#include "checker/ver.h"
#include "checker/pin.h"
#include "checker/sswch.h"

namespace {

const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  return p ? p + 1 : pLine + strlen(pLine);
}

// The rules for one model of a mapping; pszMsel is the selector's name when
// the model came from one, else null. Result 0 when a finding was raised.
int s_checkModel(const SPINMPG_STRUCT* r, const MDL_STRUCT* m, const char* pszMsel, const char* comp,
                 const SSWCH_STRUCT* pGroups) {
  const bool sel = pszMsel != nullptr;
  const char* s = pszMsel ? pszMsel : "";
  const int t = m->iType;
  const bool group = r->szGroup[0] != '\0';
  if (t == MDL_TYPE_NONE || t == MDL_TYPE_NO_TYPE) {
    sel ? ERRLOG_ErrorNew(2630, comp, s, m->szName) : ERRLOG_ErrorNew(2631, comp, m->szName);
    return 0;
  }
  if (t != MDL_TYPE_SERIES && t != MDL_TYPE_SERIES_SWITCH) {
    if (group)
      sel ? ERRLOG_ErrorNew(2620, comp, s, m->szName) : ERRLOG_ErrorNew(2621, comp, m->szName);
    else
      sel ? ERRLOG_ErrorNew(2622, comp, s, m->szName) : ERRLOG_ErrorNew(2623, comp, m->szName);
    return 0;
  }
  if (t == MDL_TYPE_SERIES) {
    if (group) {
      sel ? ERRLOG_WarnNew(2624, comp, s, m->szName, r->szGroup) : ERRLOG_WarnNew(2625, comp, m->szName, r->szGroup);
      return 0;
    }
    return 1;
  }
  if (!group) {
    sel ? ERRLOG_ErrorNew(2626, comp, s, m->szName) : ERRLOG_ErrorNew(2627, comp, m->szName);
    return 0;
  }
  if (!SSWCH_HasFunction(pGroups, r->szGroup)) {
    sel ? ERRLOG_ErrorNew(2628, comp, s, m->szName, r->szGroup) : ERRLOG_ErrorNew(2629, comp, m->szName, r->szGroup);
    return 0;
  }
  return 1;
}

}  // namespace

extern "C" {

void SPINMPG_ParseHeader(const char* pszLine, int* piCols, SPINMPG_STRUCT** ppList) {
  if (!pszLine || !piCols) return;
  if (*piCols != 0) {
    ERRLOG_LineErrorNew(542);
    if (ppList) {
      SPINMPG_FreeList(*ppList);
      *ppList = nullptr;
    }
  }
  *piCols = 1;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_afterKeyword(pszLine), 3, &args)) return;
  const unsigned n = args->uiFound;
  if (n == 0) {
    ERRLOG_LineErrorNew(528, "Series_Pin_Mapping");
    CMN_ArgFree(&args);
    return;
  }
  *piCols += (int)(n < 3 ? n : 3);
  if (n > 3) ERRLOG_LineErrorNew(543);
  if (*piCols != 3 && *piCols != 4) ERRLOG_LineErrorNew(532, "Series_Pin_Mappings", 3, 4, *piCols);
  static const char* const names[3] = {"pin_2", "model_name", "function_table_group"};
  for (unsigned i = 0; i < 3; ++i) {
    if (i < args->uiStored) {
      if (!CMN_StrSameIC(CMN_ArgGet(args, i), names[i])) ERRLOG_LineErrorNew(529, names[i]);
    } else if (i < 2) {
      ERRLOG_LineErrorNew(529, names[i]);
    }
  }
  CMN_ArgFree(&args);
}

int SPINMPG_ParseLine(const char* pszLine, int iHeaderCols, SPINMPG_STRUCT** ppRec) {
  if (!ppRec) return 0;
  *ppRec = nullptr;
  void* mem = nullptr;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_malloc(&mem, sizeof(SPINMPG_STRUCT)) || !CMN_ArgParse(pszLine ? pszLine : "", 4, &args)) {
    if (mem) CMN_free(mem);
    ERRLOG_LineErrorNew(2619);
    return 0;
  }
  SPINMPG_STRUCT* r = (SPINMPG_STRUCT*)mem;
  const unsigned n = args->uiFound;
  if (n > 4) ERRLOG_LineErrorNew(2600);
  r->iColumns = (int)n;
  const unsigned limit = (unsigned)VER_NameMax(PARSE_GetRuleLevel());
  if (n >= 1)
    CMN_SetStr(r->szPin1, CMN_ArgGet(args, 0), SPINMPG_PIN_MAX, "Pin1");
  else
    ERRLOG_LineErrorNew(2601);
  if (n >= 2)
    CMN_SetStr(r->szPin2, CMN_ArgGet(args, 1), SPINMPG_PIN_MAX, "Pin2");
  else
    ERRLOG_LineErrorNew(2602);
  if (n >= 3) {
    CMN_SetStr(r->szModel, CMN_ArgGet(args, 2), limit, "Model");
    CMN_ReservedWordErr(r->szModel);
  } else {
    ERRLOG_LineErrorNew(2603);
  }
  if (n >= 4) {
    CMN_SetStr(r->szGroup, CMN_ArgGet(args, 3), SPINMPG_GROUP_MAX, "Function group Name");
    CMN_ReservedWordErr(r->szGroup);
  }
  if (n != 3 && n != 4)
    ERRLOG_LineErrorNew(2604);
  else if (n == 4 && iHeaderCols == 3)
    ERRLOG_LineErrorNew(2605);
  CMN_ArgFree(&args);
  *ppRec = r;
  return 1;
}

void SPINMPG_LinkSpinMpg(SPINMPG_STRUCT** ppList, SPINMPG_STRUCT* pRec) {
  if (!ppList || !pRec) return;
  while (*ppList) ppList = &(*ppList)->pNext;
  pRec->pNext = nullptr;
  *ppList = pRec;
}

int SPINMPG_TestList(SPINMPG_STRUCT* pList, PIN_STRUCT* pPins, const char* pszComponent, SSWCH_STRUCT* pGroups,
                     MDL_STRUCT* pModels, MSEL_STRUCT* pMsels) {
  const char* comp = pszComponent ? pszComponent : "";
  if (!IBIS_GetIBIS()) {
    ERRLOG_BugNew(2606, "spinmpg.cpp", __LINE__);
    return 0;
  }
  if (!pPins) {
    ERRLOG_ErrorNew(2618, comp);
    return 0;
  }
  int ok = 1;
  for (const SPINMPG_STRUCT* r = pList; r; r = r->pNext) {
    if (!PIN_PinExists(pPins, r->szPin1)) ERRLOG_ErrorNew(2607, comp, r->szPin1), ok = 0;
    if (!PIN_PinExists(pPins, r->szPin2)) ERRLOG_ErrorNew(2611, comp, r->szPin2), ok = 0;
    const MDL_STRUCT* m = MDL_FindModel(pModels, r->szModel);
    const MSEL_STRUCT* s = m ? nullptr : MSEL_FindMsel(r->szModel, pMsels);
    if (m) {
      ok &= s_checkModel(r, m, nullptr, comp, pGroups);
    } else if (s) {
      for (const MSEL_MODEL* e = s->pModels; e; e = e->pNext) {
        const MDL_STRUCT* sm = MDL_FindModel(pModels, e->szName);
        if (sm) ok &= s_checkModel(r, sm, s->szName, comp, pGroups);
      }
    } else {
      ERRLOG_ErrorNew(2617, comp, r->szModel);
      ok = 0;
    }
  }
  return ok;
}

void SPINMPG_FreeList(SPINMPG_STRUCT* pList) {
  while (pList) {
    SPINMPG_STRUCT* next = pList->pNext;
    CMN_free(pList);
    pList = next;
  }
}

}  // extern "C"

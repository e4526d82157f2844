// Components: the component record, [Component], [Manufacturer], [Package],
// [Package Model] and [Pin], the routing of the other component tables, the
// end-of-component rules, the whole-file component checks and the
// differential query.
#include "checker/cmpnt.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/ccall.h"
#include "checker/cmpx.h"
#include "checker/difpin.h"
#include "checker/emi.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/msel.h"
#include "checker/parse.h"
#include "checker/ver.h"
#include "checker/pin.h"
#include "checker/pinmpg.h"
#include "checker/pkg.h"
#include "checker/pkgmdl.h"
#include "checker/spinmpg.h"
#include "checker/sswch.h"

namespace {

CMPNT_STRUCT* s_pCur = nullptr;
int s_iKeyword = KW_NOT_KEY;  // last component keyword of the current component
bool s_bAltOpen = false;      // [Alternate Package Models] without its end
bool s_bEmiOpen = false;      // [Begin EMI Component] without its end

bool s_isComponentKeyword(int kw) {
  return (kw >= KW_COMPONENT && kw <= KW_END_CIRCUIT_CALL) || (kw >= KW_BEGIN_EMI_COMPONENT && kw <= KW_PIN_DOMAIN_EMI) ||
         (kw >= KW_REPEATER_PIN && kw <= KW_END_INTERCONNECT_MODEL_GROUP);
}

// The text after a keyword's "]" and the blanks that follow it.
const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  p = p ? p + 1 : pLine + strlen(pLine);
  while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
  return p;
}

unsigned s_fieldCount(const char* pText) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pText, 0, &args)) return 0;
  const unsigned n = args->uiFound;
  CMN_ArgFree(&args);
  return n;
}

// [Pin] header: column count and the order of the R_pin, L_pin, C_pin columns.
void s_pinHeader(CMPNT_STRUCT* c, const char* pLine) {
  if (c->iPinCols) {
    ERRLOG_LineErrorNew(523);
    return;
  }
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_afterKeyword(pLine), 5, &args)) return;
  const unsigned n = args->uiFound;
  c->iPinCols = (int)n + 1;
  if (n == 0) {
    ERRLOG_LineErrorNew(528, "Pin");
    CMN_ArgFree(&args);
    return;
  }
  if (c->iPinCols != 3 && c->iPinCols != 6) ERRLOG_LineErrorNew(532, "Pin", 3, 6, c->iPinCols);
  if (!CMN_StrSameIC(CMN_ArgGet(args, 0), "signal_name")) ERRLOG_LineErrorNew(529, "signal_name");
  if (!CMN_StrSameIC(CMN_ArgGet(args, 1), "model_name")) ERRLOG_LineErrorNew(529, "model_name");
  static const char* const cols[3] = {"R_pin", "L_pin", "C_pin"};
  int order[3];
  int nOrder = 0;
  bool used[3] = {false, false, false};
  for (unsigned i = 2; i < args->uiStored; ++i) {
    const char* h = CMN_ArgGet(args, i);
    int col = -1;
    for (int k = 0; k < 3; ++k)
      if (CMN_StrSameIC(h, cols[k])) col = k;
    if (col < 0) {
      ERRLOG_LineErrorNew(530, h);
    } else if (used[col]) {
      ERRLOG_LineErrorNew(531, h);
    } else {
      used[col] = true;
      order[nOrder++] = col;
    }
  }
  // Columns the header did not name keep their usual order behind the named ones.
  for (int k = 0; k < 3; ++k)
    if (!used[k]) order[nOrder++] = k;
  memcpy(c->aiPinOrder, order, sizeof order);
  CMN_ArgFree(&args);
}

// Si_location / Timing_location under [Component].
void s_subParameter(CMPNT_STRUCT* c, const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pLine, 2, &args)) return;
  const char* name = CMN_ArgGet(args, 0);
  int* loc = strcmp(name, "Si_location") == 0       ? &c->iSiLocation
             : strcmp(name, "Timing_location") == 0 ? &c->iTimingLocation
                                                    : nullptr;
  const unsigned n = args->uiFound;
  if (!loc) {
    ERRLOG_LineErrorNew(535);
  } else if (*loc != CMPNT_LOC_UNSET) {
    ERRLOG_LineErrorNew(537, name, c->szName);
  } else if (n == 1) {
    ERRLOG_LineErrorNew(538, name);
    *loc = CMPNT_LOC_BAD;
  } else if (n != 2) {
    ERRLOG_LineErrorNew(539, (int)n, name, 2);
    *loc = CMPNT_LOC_BAD;
  } else {
    const char* v = CMN_ArgGet(args, 1);
    *loc = CMPNT_LOC_BAD;
    if (strcmp(v, "Pin") == 0)
      *loc = CMPNT_LOC_PIN;
    else if (strcmp(v, "Die") == 0)
      *loc = CMPNT_LOC_DIE;
    else if (CMN_StrSameIC(v, "Pin") || CMN_StrSameIC(v, "Die"))
      ERRLOG_LineErrorNew(540, name, v, CMN_StrSameIC(v, "Pin") ? "Pin" : "Die");
    else
      ERRLOG_LineErrorNew(541, name, v);
  }
  CMN_ArgFree(&args);
}

void s_keywordLine(CMPNT_STRUCT* c, int kw, const char* pLine) {
  const int prev = s_iKeyword;
  s_iKeyword = kw;
  if (kw == KW_END_ALTERNATE_PACKAGE_MODELS) {
    if (prev != KW_ALTERNATE_PACKAGE_MODELS) ERRLOG_LineErrorNew(503);
    s_bAltOpen = false;
  } else if (prev == KW_ALTERNATE_PACKAGE_MODELS) {
    ERRLOG_LineErrorNew(504);
    s_bAltOpen = false;
  }
  if (s_bEmiOpen && kw != KW_PIN_EMI && kw != KW_PIN_DOMAIN_EMI && kw != KW_END_EMI_COMPONENT)
    ERRLOG_LineErrorNew(553);
  const char* rest = s_afterKeyword(pLine);
  switch (kw) {
    case KW_COMPONENT:
      CMN_SetStr(c->szName, rest, CMPNT_NAME_MAX, "Component");
      if (strchr(c->szName, ' ') || strchr(c->szName, '\t')) ERRLOG_LineWarnNew(513, c->szName);
      CMN_ReservedWordErr(c->szName);
      break;
    case KW_MANUFACTURER:
      CMN_SetStr(c->szManufacturer, rest, CMPNT_NAME_MAX, "Manufacturer");
      c->bManufacturer = 1;
      break;
    case KW_PACKAGE_MODEL:
      CMN_SetStr(c->szPackageModel, rest, CMPNT_PKGMDL_MAX, "Package Model");
      CMN_ReservedWordErr(c->szPackageModel);
      break;
    case KW_PACKAGE:
      if (c->pPackage) {
        ERRLOG_LineErrorNew(517);
        break;
      }
      if (*rest) ERRLOG_LineErrorNew(518);
      c->pPackage = PKG_New();
      if (!c->pPackage) ERRLOG_LineErrorNew(533, "Package");
      break;
    case KW_PIN:
      s_pinHeader(c, pLine);
      break;
    case KW_PIN_MAPPING:
      PINMPG_ParseHeader(pLine, &c->iPinMpgCols);
      break;
    case KW_DIFF_PIN:
      DIFPIN_ParseHeader(pLine, &c->iDiffPinCols);
      break;
    case KW_SERIES_PIN_MAPPING:
      SPINMPG_ParseHeader(pLine, &c->iSpinMpgCols, &c->pSpinMpgs);
      break;
    case KW_SERIES_SWITCH_GROUPS: {
      if (c->bSswch) ERRLOG_LineErrorNew(546);
      c->bSswch = 1;
      const unsigned n = s_fieldCount(rest);
      if (n) ERRLOG_LineErrorNew(539, (int)n + 1, "Series_Switch_Groups", 1);
      break;
    }
    case KW_ALTERNATE_PACKAGE_MODELS:
      s_bAltOpen = true;
      break;
    case KW_BEGIN_EMI_COMPONENT:
      s_bEmiOpen = true;
      break;
    case KW_END_EMI_COMPONENT:
      s_bEmiOpen = false;
      break;
    default:  // node declarations, circuit calls, EMI pins: kept by their own checks
      break;
  }
}

void s_altPackageModel(CMPNT_STRUCT* c, const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pLine, 1, &args)) return;
  void* mem = nullptr;
  if (args->uiFound && CMN_malloc(&mem, sizeof(CMPNT_NAME))) {
    CMPNT_NAME* e = (CMPNT_NAME*)mem;
    CMN_SetStr(e->szName, CMN_ArgGet(args, 0), CMPNT_PKGMDL_MAX, "Package Model");
    CMPNT_NAME** pp = &c->pAltPkgMdls;
    while (*pp) pp = &(*pp)->pNext;
    *pp = e;
  }
  CMN_ArgFree(&args);
}

void s_dataLine(CMPNT_STRUCT* c, const char* pLine) {
  switch (s_iKeyword) {
    case KW_COMPONENT:
      // Sub-parameters of [Component] (Si_location, Timing_location) came
      // with the 3.2 table.
      if (!VER_ItemAllowed("Component", "Si_location", PARSE_GetRuleLevel()))
        ERRLOG_LineErrorNew(506);
      else
        s_subParameter(c, pLine);
      break;
    case KW_MANUFACTURER: ERRLOG_LineErrorNew(507); break;
    case KW_PACKAGE_MODEL: ERRLOG_LineErrorNew(508); break;
    case KW_PACKAGE:
      if (c->pPackage) PKG_ReceiveLine(pLine, c->pPackage);
      break;
    case KW_PIN: {
      PIN_STRUCT* p = nullptr;
      if (PIN_ParseLine(pLine, c->aiPinOrder, c->iPinCols, &p)) {
        PIN_LinkPin(&c->pPins, p);
        ++c->ulPins;
      } else {
        ERRLOG_LineErrorNew(533, "Pin");
      }
      break;
    }
    case KW_PIN_MAPPING: {
      PINMPG_STRUCT* r = nullptr;
      if (PINMPG_ParseLine(pLine, c->iPinMpgCols, &r))
        PINMPG_LinkPinMpg(&c->pPinMpgs, r);
      else
        ERRLOG_LineErrorNew(533, "Pin_Mapping");
      break;
    }
    case KW_DIFF_PIN: {
      DIFPIN_STRUCT* r = nullptr;
      if (DIFPIN_ParseLine(pLine, c->iDiffPinCols, &r))
        DIFPIN_LinkDIFPIN(&c->pDiffPins, r);
      else
        ERRLOG_LineErrorNew(533, "Diff_Pin");
      break;
    }
    case KW_SERIES_PIN_MAPPING: {
      SPINMPG_STRUCT* r = nullptr;
      if (SPINMPG_ParseLine(pLine, c->iSpinMpgCols, &r))
        SPINMPG_LinkSpinMpg(&c->pSpinMpgs, r);
      else
        ERRLOG_LineErrorNew(533, "Series_Pin_Mapping");
      break;
    }
    case KW_SERIES_SWITCH_GROUPS: {
      SSWCH_STRUCT* g = nullptr;
      const int ok = SSWCH_ParseLine(pLine, &g);
      if (g && !SSWCH_isLinked(c->pSswchs, g)) SSWCH_LinkSswch(&c->pSswchs, g);
      if (!ok) ERRLOG_LineErrorNew(533, "Series_Switch_Group");
      break;
    }
    case KW_ALTERNATE_PACKAGE_MODELS:
      s_altPackageModel(c, pLine);
      break;
    default:  // node declarations, circuit calls, EMI: kept by their own checks
      break;
  }
}

void s_endComponent(CMPNT_STRUCT* c) {
  CCALL_ComponentEnd(c);
  EMI_ComponentEnd(c);
  if (s_bAltOpen) ERRLOG_LineErrorNew(504);
  s_bAltOpen = false;
  s_bEmiOpen = false;
  if (!c->bManufacturer) ERRLOG_ErrorNew(514, c->szName);
  if (!c->pPackage)
    ERRLOG_ErrorNew(519, c->szName);
  else
    PKG_Test(c->pPackage, c->szName);
}

bool s_packageModelKnown(const char* name, PKGMDL_STRUCT* pkgs, const char* dir) {
  return PKGMDL_Find(pkgs, name) || PKGMDL_FindInDirectory(dir, name);
}

}  // namespace

extern "C" {

int CMPNT_Init(void) {
  s_pCur = nullptr;
  s_iKeyword = KW_NOT_KEY;
  s_bAltOpen = s_bEmiOpen = false;
  SSWCH_Reset();
  if (!IBIS_GetIBIS()) return 0;
  void* mem = nullptr;
  if (!CMN_malloc(&mem, sizeof(CMPNT_STRUCT))) return 0;
  CMPNT_STRUCT* p = (CMPNT_STRUCT*)mem;
  p->ulLine = PARSE_GetLineNum();
  p->aiPinOrder[0] = PIN_COL_R;
  p->aiPinOrder[1] = PIN_COL_L;
  p->aiPinOrder[2] = PIN_COL_C;
  IBIS_AddCmpnt(p);
  s_pCur = p;
  return 1;
}

int CMPNT_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 0;
  if (!s_pCur) {
    ERRLOG_LineErrorNew(iLineType == LINE_KEYWORD ? 501 : 502);
    return 0;
  }
  CCALL_ComponentLine(s_pCur, iLineType, iKeyword, pszLine);
  EMI_ComponentLine(s_pCur, iLineType, iKeyword, pszLine);
  if (iLineType == LINE_KEYWORD)
    s_keywordLine(s_pCur, iKeyword, pszLine);
  else
    s_dataLine(s_pCur, pszLine);
  return 1;
}

int CMPNT_Fini(int iNewKeyword) {
  if (s_isComponentKeyword(iNewKeyword) && iNewKeyword != KW_COMPONENT) return 1;
  if (s_pCur) s_endComponent(s_pCur);
  CMPX_ComponentEnd();
  s_pCur = nullptr;
  s_iKeyword = KW_NOT_KEY;
  SSWCH_Reset();
  return 1;
}

void CMPNT_FreeList(CMPNT_STRUCT* pHead) {
  while (pHead) {
    CMPNT_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) {
      s_pCur = nullptr;
      SSWCH_Reset();
    }
    PKG_Free(&pHead->pPackage);
    PIN_FreeList(pHead->pPins);
    PINMPG_FreeList(pHead->pPinMpgs);
    DIFPIN_FreeList(pHead->pDiffPins);
    SPINMPG_FreeList(pHead->pSpinMpgs);
    SSWCH_FreeList(pHead->pSswchs);
    CCALL_Free(pHead->pCcall);
    CMPX_FreeLabels(&pHead->pLabels);
    for (CMPNT_NAME* e = pHead->pAltPkgMdls; e;) {
      CMPNT_NAME* n = e->pNext;
      CMN_free(e);
      e = n;
    }
    CMN_free(pHead);
    pHead = next;
  }
}

CMPNT_STRUCT* CMPNT_GetCurrent(void) { return s_pCur; }


int CMPNT_TestList(CMPNT_STRUCT* pList, EXT_STRUCT* pExts, MDL_STRUCT* pModels) {
  PKGMDL_STRUCT* pkgs = nullptr;
  MSEL_STRUCT* msels = nullptr;
  IBIS_GetPkgMdls(&pkgs);
  IBIS_GetMsels(&msels);
  char dir[CMN_MAX_FILENAME + 1];
  CMN_GetIbsPath(dir);
  for (CMPNT_STRUCT* c = pList; c; c = c->pNext)
    for (CMPNT_STRUCT* d = c->pNext; d; d = d->pNext)
      if (strcmp(c->szName, d->szName) == 0) {
        ERRLOG_ErrorNew(511, c->szName);
        break;
      }
  for (CMPNT_STRUCT* c = pList; c; c = c->pNext) {
    if (c->szPackageModel[0] && !s_packageModelKnown(c->szPackageModel, pkgs, dir))
      ERRLOG_ErrorNew(516, c->szPackageModel, c->szName);
    if (!c->pPins) {
      ERRLOG_ErrorNew(524, c->szName);
    } else {
      PIN_TestList(c, pModels, msels);
      // Every pin of the component's package model must be a pin of it.
      const PKGMDL_STRUCT* pm = c->szPackageModel[0] ? PKGMDL_Find(pkgs, c->szPackageModel) : nullptr;
      for (unsigned i = 0; pm && i < pm->uPinNumbers; ++i)
        if (pm->ppszPins[i] && !PIN_PinExists(c->pPins, pm->ppszPins[i]))
          ERRLOG_ErrorNew(613, pm->ppszPins[i], pm->szName, c->szName);
    }
    if (c->pPinMpgs) PINMPG_TestList(c->pPinMpgs, c->pPins, c->szName, c);
    if (c->pDiffPins) DIFPIN_TestList(c->pDiffPins, c->pPins, c->szName);
    CMPX_TestRepeaters(c, pModels, msels);
    CMPX_TestSupplySignals(c);
    if (c->iSpinMpgCols) SPINMPG_TestList(c->pSpinMpgs, c->pPins, c->szName, c->pSswchs, pModels, msels);
    if (c->pSswchs) SSWCH_TestList(c->pSswchs, c->pSpinMpgs, c->szName);
    for (const CMPNT_NAME* e = c->pAltPkgMdls; e; e = e->pNext)
      if (e->szName[0] && !s_packageModelKnown(e->szName, pkgs, dir)) ERRLOG_ErrorNew(516, e->szName, c->szName);
  }
  return 1;
}

int CMPNT_DiffQuery(MDL_STRUCT* pModel, const char** ppszPin) {
  if (ppszPin) *ppszPin = "";
  if (!pModel) return 0;
  CMPNT_STRUCT* cmpnts = nullptr;
  MSEL_STRUCT* msels = nullptr;
  IBIS_GetCmpnts(&cmpnts);
  IBIS_GetMsels(&msels);
  for (CMPNT_STRUCT* c = cmpnts; c; c = c->pNext)
    for (DIFPIN_STRUCT* d = c->pDiffPins; d; d = d->pNext) {
      const char* pins[2] = {d->szPin, d->szInvPin};
      for (const char* name : pins) {
        const PIN_STRUCT* p = PIN_FindPin(c->pPins, name);
        if (!p) continue;
        MSEL_STRUCT* s = nullptr;
        if (strcmp(p->szModel, pModel->szName) != 0) {
          s = MSEL_FindMsel(p->szModel, msels);
          if (!s || !MSEL_HasModel(s, pModel->szName)) continue;
        }
        pModel->bDiff = 1;
        if (s) s->iDiff = 0;
        if (ppszPin) *ppszPin = name;
        return 1;
      }
    }
  return 0;
}

}  // extern "C"

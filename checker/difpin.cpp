// [Diff Pin]: header, data lines and the end-of-component checks.
#include "checker/difpin.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/nameidx.h"
#include "checker/pin.h"

namespace {

const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  return p ? p + 1 : pLine + strlen(pLine);
}

// Reads one value column; state 1 for a value, 2 for NA, 0 when bad.
void s_value(const char* pszText, const char* pszCol, double* pd, int* piState) {
  int iNA = 0;
  *pd = 0.0;
  *piState = 0;
  const int r = CMN_Get_ValueOrNA(pszText, pd, &iNA);
  switch (r) {
    case 0:
      ERRLOG_LineErrorNew(816, pszCol);
      break;
    case 1:
      *piState = iNA ? 2 : 1;
      break;
    case 2:
      ERRLOG_LineWarnNew(817, pszCol);
      *piState = 1;
      break;
    default:
      ERRLOG_LineBugNew(818, "difpin.cpp", __LINE__);
      break;
  }
}

}  // namespace

extern "C" {

void DIFPIN_ParseHeader(const char* pszLine, int* piCols) {
  if (!pszLine || !piCols) return;
  if (*piCols != 0) {
    ERRLOG_LineErrorNew(527);
    return;
  }
  *piCols = 1;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_afterKeyword(pszLine), 5, &args)) return;
  const unsigned n = args->uiFound;
  if (n == 0) {
    ERRLOG_LineErrorNew(528, "Diff_Pins");
    CMN_ArgFree(&args);
    return;
  }
  *piCols += (int)(n < 6 ? n : 6);
  if (*piCols != 4 && *piCols != 6) ERRLOG_LineErrorNew(532, "Diff_Pins", 4, 6, *piCols);
  static const char* const names[5] = {"inv_pin", "vdiff", "tdelay_typ", "tdelay_min", "tdelay_max"};
  for (unsigned i = 0; i < args->uiStored; ++i)
    if (!CMN_StrSameIC(CMN_ArgGet(args, i), names[i])) ERRLOG_LineErrorNew(529, names[i]);
  CMN_ArgFree(&args);
}

int DIFPIN_ParseLine(const char* pszLine, int iHeaderCols, DIFPIN_STRUCT** ppRec) {
  if (!ppRec) return 0;
  *ppRec = nullptr;
  void* mem = nullptr;
  if (!CMN_malloc(&mem, sizeof(DIFPIN_STRUCT))) {
    ERRLOG_LineErrorNew(800);
    return 0;
  }
  DIFPIN_STRUCT* d = (DIFPIN_STRUCT*)mem;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszLine ? pszLine : "", 6, &args)) {
    CMN_free(d);
    ERRLOG_LineErrorNew(800);
    return 0;
  }
  const unsigned n = args->uiFound;
  if (n > 6) ERRLOG_LineErrorNew(801);
  d->iColumns = (int)(n < 6 ? n : 6);
  if (n >= 1)
    CMN_SetStr(d->szPin, CMN_ArgGet(args, 0), DIFPIN_NAME_MAX, "Diff_Pin column");
  else
    ERRLOG_LineErrorNew(802);
  if (n >= 2)
    CMN_SetStr(d->szInvPin, CMN_ArgGet(args, 1), DIFPIN_NAME_MAX, "inv_pin column");
  else
    ERRLOG_LineErrorNew(803);
  if (n >= 2 && strcmp(d->szPin, d->szInvPin) == 0) ERRLOG_LineErrorNew(804);
  if (n >= 3)
    s_value(CMN_ArgGet(args, 2), "vdiff", &d->dVdiff, &d->iVdiffState);
  else
    ERRLOG_LineErrorNew(805);
  if (n >= 4)
    s_value(CMN_ArgGet(args, 3), "tdelay_typ", &d->dTdelayTyp, &d->iTdelayTypState);
  else
    ERRLOG_LineErrorNew(806);
  if (n >= 5) s_value(CMN_ArgGet(args, 4), "tdelay_min", &d->dTdelayMin, &d->iTdelayMinState);
  if (n >= 6) s_value(CMN_ArgGet(args, 5), "tdelay_max", &d->dTdelayMax, &d->iTdelayMaxState);
  // NA stands for 0.0, and a tdelay_max of NA for the typical delay.
  if (d->iVdiffState == 2) d->dVdiff = 0.0, d->iVdiffState = 1;
  if (d->iTdelayTypState == 2) d->dTdelayTyp = 0.0, d->iTdelayTypState = 1;
  if (d->iTdelayMinState == 2) d->dTdelayMin = 0.0, d->iTdelayMinState = 1;
  if (d->iTdelayMaxState == 2) d->dTdelayMax = d->dTdelayTyp, d->iTdelayMaxState = 1;
  if (d->iTdelayTypState == 1 && d->iTdelayMinState == 1 && d->iTdelayMaxState == 1) {
    const double t = d->dTdelayTyp, a = d->dTdelayMin, b = d->dTdelayMax;
    if ((t < a && t < b) || (t > a && t > b)) ERRLOG_LineWarnNew(807);
  }
  if (d->iColumns != 4 && d->iColumns != 6)
    ERRLOG_LineErrorNew(808);
  else if (d->iColumns == 6 && iHeaderCols == 4)
    ERRLOG_LineErrorNew(809);
  CMN_ArgFree(&args);
  *ppRec = d;
  return 1;
}

void DIFPIN_LinkDIFPIN(DIFPIN_STRUCT** ppList, DIFPIN_STRUCT* pRec) {
  if (!ppList || !pRec) return;
  pRec->pNext = nullptr;
  if (!*ppList) {
    pRec->pIndex = NAMEIDX_New();
    *ppList = pRec;
  } else if (NAMEIDX_Usable((*ppList)->pIndex) && (*ppList)->pIndex->pTail) {
    ((DIFPIN_STRUCT*)(*ppList)->pIndex->pTail)->pNext = pRec;
  } else {
    DIFPIN_STRUCT** pp = ppList;
    while (*pp) pp = &(*pp)->pNext;
    *pp = pRec;
  }
  NAMEIDX* idx = (*ppList)->pIndex;
  NAMEIDX_Add(idx, pRec->szPin, pRec);
  NAMEIDX_Add(idx, pRec->szInvPin, pRec);
}

int DIFPIN_TestList(DIFPIN_STRUCT* pList, PIN_STRUCT* pPins, const char* pszComponent) {
  const char* c = pszComponent ? pszComponent : "";
  int ok = 1;
  if (pPins)
    for (const DIFPIN_STRUCT* d = pList; d; d = d->pNext) {
      if (!PIN_PinExists(pPins, d->szPin)) ERRLOG_ErrorNew(810, c, d->szPin), ok = 0;
      if (!PIN_PinExists(pPins, d->szInvPin)) ERRLOG_ErrorNew(811, c, d->szInvPin), ok = 0;
    }
  // The pairwise rules can only fire when some name stands twice in the two
  // columns together; a table of distinct names skips the pairwise walk.
  bool repeated = true;
  NAMEIDX* names = NAMEIDX_New();
  if (names) {
    repeated = false;
    for (DIFPIN_STRUCT* d = pList; d && !repeated && NAMEIDX_Usable(names); d = d->pNext) {
      repeated = NAMEIDX_Find(names, d->szPin) || NAMEIDX_Find(names, d->szInvPin) ||
                 strcmp(d->szPin, d->szInvPin) == 0;
      NAMEIDX_Add(names, d->szPin, d);
      NAMEIDX_Add(names, d->szInvPin, d);
    }
    if (!NAMEIDX_Usable(names)) repeated = true;
    NAMEIDX_Free(&names);
  }
  if (!repeated) return ok;
  for (const DIFPIN_STRUCT* d = pList; d; d = d->pNext)
    for (const DIFPIN_STRUCT* e = d->pNext; e; e = e->pNext) {
      if (strcmp(d->szPin, e->szPin) == 0) ERRLOG_WarnNew(812, c, d->szPin);
      if (strcmp(d->szPin, e->szInvPin) == 0) ERRLOG_ErrorNew(813, c, d->szPin), ok = 0;
      if (strcmp(d->szInvPin, e->szPin) == 0) ERRLOG_ErrorNew(814, c, d->szInvPin), ok = 0;
      if (strcmp(d->szInvPin, e->szInvPin) == 0) ERRLOG_WarnNew(815, c, d->szInvPin);
    }
  return ok;
}

int DIFPIN_HasPin(const DIFPIN_STRUCT* pList, const char* pszPin) {
  if (!pszPin) return 0;
  if (pList && NAMEIDX_Usable(pList->pIndex)) return NAMEIDX_Find(pList->pIndex, pszPin) ? 1 : 0;
  for (const DIFPIN_STRUCT* d = pList; d; d = d->pNext)
    if (strcmp(d->szPin, pszPin) == 0 || strcmp(d->szInvPin, pszPin) == 0) return 1;
  return 0;
}

void DIFPIN_FreeList(DIFPIN_STRUCT* pList) {
  if (pList) NAMEIDX_Free(&pList->pIndex);
  while (pList) {
    DIFPIN_STRUCT* next = pList->pNext;
    CMN_free(pList);
    pList = next;
  }
}

}  // extern "C"

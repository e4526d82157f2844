// Table rows of typ/min/max values and row lists.
#include <stdlib.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/rng.h"

extern "C" {

RNGP_STRUCT* RNGP_New(void) {
  RNGP_STRUCT* r = (RNGP_STRUCT*)calloc(1, sizeof(RNGP_STRUCT));
  if (!r) ERRLOG_ErrorNew(1906, (unsigned)sizeof(RNGP_STRUCT));
  return r;
}

int RNGP_ParseLine(const char* pszLine, const char* pszTable, const char* pszFirstCol, RNGP_STRUCT** ppRow) {
  if (!ppRow) return 0;
  *ppRow = nullptr;
  const char* table = pszTable ? pszTable : "";
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszLine ? pszLine : "", 4, &args)) {
    ERRLOG_LineBugNew(1400, table);
    return 0;
  }
  const unsigned n = args->uiFound;
  if (n == 3) {
    ERRLOG_LineErrorNew(1401, "maximum", table);
  } else if (n == 2) {
    ERRLOG_LineErrorNew(1401, "minimum", table);
    ERRLOG_LineErrorNew(1401, "maximum", table);
  } else if (n == 1) {
    ERRLOG_LineErrorNew(1401, "typical", table);
    ERRLOG_LineErrorNew(1401, "minimum", table);
    ERRLOG_LineErrorNew(1401, "maximum", table);
  } else if (n != 4) {
    ERRLOG_LineErrorNew(1402, (int)n, table, 4);
  }
  RNGP_STRUCT* r = RNGP_New();
  if (!r) {
    CMN_ArgFree(&args);
    return 0;
  }
  RNG_VAL* cols[4] = {&r->first, &r->typ, &r->min, &r->max};
  const char* colNames[4] = {pszFirstCol ? pszFirstCol : "", "Typical", "Minimum", "Maximum"};
  for (unsigned i = 0; i < 4; ++i) {
    const char* f = i < args->uiStored ? CMN_ArgGet(args, i) : nullptr;
    CMN_GetColValue(f, colNames[i], table, &cols[i]->dValue, &cols[i]->iState);
  }
  CMN_ArgFree(&args);
  *ppRow = r;
  return 1;
}

int RNGP_LinkLine(RNGP_LIST* pList, RNGP_STRUCT* pRow, unsigned* puCount, int iCheckDup) {
  if (!pList || !pRow) return 0;
  if (iCheckDup && pRow->first.iState == RNG_VALUE) {
    for (RNGP_STRUCT* p = pList->pHead; p; p = p->pNext)
      if (p->first.iState == RNG_VALUE && p->first.dValue == pRow->first.dValue) {
        ERRLOG_LineWarnNew(1403, p->first.dValue);
        break;
      }
  }
  pRow->pNext = nullptr;
  pRow->pPrev = pList->pTail;
  if (pList->pTail)
    pList->pTail->pNext = pRow;
  else
    pList->pHead = pRow;
  pList->pTail = pRow;
  ++pList->uCount;
  if (puCount) *puCount = pList->uCount;
  return 1;
}

RNGP_STRUCT* RNGP_Prev(const RNGP_STRUCT* pRow) { return pRow ? pRow->pPrev : nullptr; }

void RNGP_FreeList(RNGP_LIST* pList) {
  if (!pList) return;
  RNGP_STRUCT* p = pList->pHead;
  while (p) {
    RNGP_STRUCT* n = p->pNext;
    free(p);
    p = n;
  }
  pList->pHead = pList->pTail = nullptr;
  pList->uCount = 0;
}

}  // extern "C"

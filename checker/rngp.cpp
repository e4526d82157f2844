// Table rows of typ/min/max values and row lists.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/rng.h"

// The duplicate index of a row list: an open-addressing hash table of row
// pointers keyed by the first-column value, holding for each distinct value
// (under ==, so 0 and -0 are one key and NaN is never a key) the first row of
// the list that has it, which is the row the walk over earlier rows would
// find. It covers the list up to pLast (uCovered rows); RNGP_LinkLine keeps it
// in step and rebuilds it when the list changed behind its back. When memory
// runs out the index is dropped and the check walks the list as before, so
// the messages never depend on the index.
struct RNGP_SLOT {
  double dValue;             // the row's first column, kept here so that a
  const RNGP_STRUCT* pRow;   // probe touches no row; null: empty slot
};
struct RNGP_INDEX {
  const RNGP_STRUCT* pLast;
  unsigned uCovered;
  size_t uMask;  // slot count - 1, the slot count a power of two
  size_t uUsed;
  RNGP_SLOT* pSlots;
};

namespace {

size_t s_hash(double d) {
  if (d == 0.0) d = 0.0;  // -0 == 0: one key
  uint64_t x;
  memcpy(&x, &d, sizeof x);
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return (size_t)x;
}

void s_freeIndex(RNGP_LIST* pList) {
  if (!pList->pIndex) return;
  free(pList->pIndex->pSlots);
  free(pList->pIndex);
  pList->pIndex = nullptr;
}

// The slot of value d: the slot holding a row with that value, or the empty
// slot where it would go.
size_t s_slot(const RNGP_INDEX* x, double d) {
  size_t i = s_hash(d) & x->uMask;
  while (x->pSlots[i].pRow && !(x->pSlots[i].dValue == d)) i = (i + 1) & x->uMask;
  return i;
}

// Doubles the slot count. 0 when memory ran out (the index is unchanged).
int s_grow(RNGP_INDEX* x) {
  const size_t n = (x->uMask + 1) * 2;
  RNGP_SLOT* slots = (RNGP_SLOT*)calloc(n, sizeof *slots);
  if (!slots) return 0;
  RNGP_SLOT* old = x->pSlots;
  const size_t oldCount = x->uMask + 1;
  x->pSlots = slots;
  x->uMask = n - 1;
  for (size_t i = 0; i < oldCount; ++i)
    if (old[i].pRow) x->pSlots[s_slot(x, old[i].dValue)] = old[i];
  free(old);
  return 1;
}

// Enters the uCovered-th row of an indexed list (a later row with a value
// already there leaves the first one in place). Drops the index when memory
// runs out.
void s_indexRow(RNGP_LIST* pList, const RNGP_STRUCT* pRow, unsigned uCovered) {
  RNGP_INDEX* x = pList->pIndex;
  x->pLast = pRow;
  x->uCovered = uCovered;
  const double d = pRow->first.dValue;
  if (pRow->first.iState != RNG_VALUE || d != d) return;
  if (2 * (x->uUsed + 1) > x->uMask + 1 && !s_grow(x)) {
    s_freeIndex(pList);
    return;
  }
  const size_t i = s_slot(x, d);
  if (!x->pSlots[i].pRow) {
    x->pSlots[i].dValue = d;
    x->pSlots[i].pRow = pRow;
    ++x->uUsed;
  }
}

// Whether the index covers exactly the rows now in the list.
bool s_inStep(const RNGP_LIST* pList) {
  const RNGP_INDEX* x = pList->pIndex;
  return x && x->pLast == pList->pTail && x->uCovered == pList->uCount;
}

// Indexes the whole list afresh. 0 when memory ran out (no index then).
int s_rebuild(RNGP_LIST* pList) {
  s_freeIndex(pList);
  RNGP_INDEX* x = (RNGP_INDEX*)calloc(1, sizeof *x);
  if (!x) return 0;
  x->uMask = 15;
  x->pSlots = (RNGP_SLOT*)calloc(x->uMask + 1, sizeof *x->pSlots);
  if (!x->pSlots) {
    free(x);
    return 0;
  }
  pList->pIndex = x;
  unsigned n = 0;
  for (const RNGP_STRUCT* p = pList->pHead; p && pList->pIndex; p = p->pNext) s_indexRow(pList, p, ++n);
  if (pList->pIndex && !s_inStep(pList)) s_freeIndex(pList);  // the count does not match the rows
  return pList->pIndex != nullptr;
}

// The first row of the list whose first column is a value equal to d, or null.
const RNGP_STRUCT* s_findFirst(RNGP_LIST* pList, double d) {
  if (s_inStep(pList) || s_rebuild(pList)) {
    const RNGP_INDEX* x = pList->pIndex;
    return x->pSlots[s_slot(x, d)].pRow;
  }
  for (const RNGP_STRUCT* p = pList->pHead; p; p = p->pNext)
    if (p->first.iState == RNG_VALUE && p->first.dValue == d) return p;
  return nullptr;
}

}  // namespace

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
    const RNGP_STRUCT* p = s_findFirst(pList, pRow->first.dValue);
    if (p) ERRLOG_LineWarnNew(1403, p->first.dValue);
  }
  const bool indexed = s_inStep(pList);
  pRow->pNext = nullptr;
  pRow->pPrev = pList->pTail;
  if (pList->pTail)
    pList->pTail->pNext = pRow;
  else
    pList->pHead = pRow;
  pList->pTail = pRow;
  ++pList->uCount;
  if (indexed) s_indexRow(pList, pRow, pList->uCount);
  if (puCount) *puCount = pList->uCount;
  return 1;
}

RNGP_STRUCT* RNGP_Prev(const RNGP_STRUCT* pRow) { return pRow ? pRow->pPrev : nullptr; }

void RNGP_FreeList(RNGP_LIST* pList) {
  if (!pList) return;
  s_freeIndex(pList);
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

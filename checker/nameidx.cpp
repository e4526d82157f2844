// Name index: open addressing with linear probing, grown at half load.
#include "checker/nameidx.h"

#include <stdlib.h>
#include <string.h>

namespace {

size_t s_hash(const char* s) {
  size_t h = 1469598103934665603ull;
  for (; *s; ++s) h = (h ^ (unsigned char)*s) * 1099511628211ull;
  return h;
}

// Doubles the slot count (16 at first). 0 when memory ran out.
int s_grow(NAMEIDX* x) {
  const size_t slots = x->ppKeys ? (x->uMask + 1) * 2 : 16;
  const char** keys = (const char**)calloc(slots, sizeof *keys);
  void** recs = (void**)calloc(slots, sizeof *recs);
  if (!keys || !recs) {
    free(keys);
    free(recs);
    return 0;
  }
  if (x->ppKeys)
    for (size_t i = 0; i <= x->uMask; ++i) {
      if (!x->ppKeys[i]) continue;
      size_t j = s_hash(x->ppKeys[i]) & (slots - 1);
      while (keys[j]) j = (j + 1) & (slots - 1);
      keys[j] = x->ppKeys[i];
      recs[j] = x->ppRecs[i];
    }
  free(x->ppKeys);
  free(x->ppRecs);
  x->ppKeys = keys;
  x->ppRecs = recs;
  x->uMask = slots - 1;
  return 1;
}

}  // namespace

extern "C" {

NAMEIDX* NAMEIDX_New(void) { return (NAMEIDX*)calloc(1, sizeof(NAMEIDX)); }

int NAMEIDX_Add(NAMEIDX* x, const char* pszKey, void* pRec) {
  if (!x || x->bFailed || !pszKey) return 0;
  if ((x->uCount + 1) * 2 > (x->ppKeys ? x->uMask + 1 : 0) && !s_grow(x)) {
    x->bFailed = 1;
    return 0;
  }
  size_t i = s_hash(pszKey) & x->uMask;
  for (; x->ppKeys[i]; i = (i + 1) & x->uMask)
    if (strcmp(x->ppKeys[i], pszKey) == 0) break;
  if (!x->ppKeys[i]) {
    x->ppKeys[i] = pszKey;
    x->ppRecs[i] = pRec;
    ++x->uCount;
  }
  x->pTail = pRec;
  return 1;
}

void* NAMEIDX_Find(const NAMEIDX* x, const char* pszKey) {
  if (!x || x->bFailed || !x->ppKeys || !pszKey) return nullptr;
  for (size_t i = s_hash(pszKey) & x->uMask; x->ppKeys[i]; i = (i + 1) & x->uMask)
    if (strcmp(x->ppKeys[i], pszKey) == 0) return x->ppRecs[i];
  return nullptr;
}

int NAMEIDX_Usable(const NAMEIDX* x) { return x && !x->bFailed; }

void NAMEIDX_Free(NAMEIDX** pp) {
  if (!pp || !*pp) return;
  free((*pp)->ppKeys);
  free((*pp)->ppRecs);
  free(*pp);
  *pp = nullptr;
}

}  // extern "C"

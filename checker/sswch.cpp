// [Series Switch Groups]: groups of function names, their lines (a group may
// go on over several lines until "/") and the end-of-component check.
#include "checker/sswch.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/parse.h"
#include "checker/spinmpg.h"

namespace {

SSWCH_STRUCT* s_pCur = nullptr;  // the group that a continued line goes on with

// Appends a name; 0 when memory runs out.
int s_addName(SSWCH_STRUCT* g, const char* name) {
  if (g->uNames == g->uCapacity) {
    const unsigned cap = g->uCapacity ? g->uCapacity * 2 : 4;
    void* mem = g->paszNames;
    const size_t bytes = (size_t)cap * sizeof *g->paszNames;
    if (!(mem ? CMN_realloc(&mem, bytes) : CMN_malloc(&mem, bytes))) {
      g->paszNames = nullptr;
      g->uNames = g->uCapacity = 0;
      return 0;
    }
    g->paszNames = (char(*)[SSWCH_NAME_MAX + 1])mem;
    g->uCapacity = cap;
  }
  char* slot = g->paszNames[g->uNames];
  const size_t n = strlen(name);
  if (n > SSWCH_NAME_MAX) ERRLOG_LineErrorNew(2504, name, SSWCH_NAME_MAX);
  CMN_strncpy(slot, name, SSWCH_NAME_MAX);
  if (strcmp(slot, "On") == 0 || strcmp(slot, "Off") == 0) ERRLOG_LineErrorNew(2505);
  for (unsigned i = 0; i < g->uNames; ++i)
    if (strcmp(g->paszNames[i], slot) == 0) {
      ERRLOG_LineErrorNew(2506, slot);
      break;
    }
  CMN_ReservedWordErr(slot);
  ++g->uNames;
  return 1;
}

void s_free(SSWCH_STRUCT* g) {
  if (g == s_pCur) s_pCur = nullptr;
  if (g->paszNames) CMN_free(g->paszNames);
  CMN_free(g);
}

}  // namespace

extern "C" {

int SSWCH_ParseLine(const char* pszLine, SSWCH_STRUCT** ppGroup) {
  if (!ppGroup) return 0;
  *ppGroup = nullptr;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszLine ? pszLine : "", 0, &args)) return 0;
  const unsigned n = args->uiFound;
  CMN_ArgFree(&args);
  if (!CMN_ArgParse(pszLine ? pszLine : "", n, &args)) return 0;
  unsigned i = 0;
  SSWCH_STRUCT* g = nullptr;
  if (PARSE_GetContinuation() && s_pCur) {
    PARSE_SetContinuation(0);
    g = s_pCur;
  } else {
    PARSE_SetContinuation(0);
    const char* state = CMN_ArgGet(args, 0);
    if (strcmp(state, "On") != 0 && strcmp(state, "Off") != 0) {
      ERRLOG_LineErrorNew(2500, state);
      CMN_ArgFree(&args);
      return 0;
    }
    void* mem = nullptr;
    if (!CMN_malloc(&mem, sizeof(SSWCH_STRUCT))) {
      ERRLOG_LineErrorNew(2508);
      ERRLOG_LineErrorNew(2501);
      CMN_ArgFree(&args);
      return 0;
    }
    g = (SSWCH_STRUCT*)mem;
    strcpy(g->szState, state);
    s_pCur = g;
    i = 1;
    if (n == 1) {
      ERRLOG_LineErrorNew(2502);
      *ppGroup = g;
      CMN_ArgFree(&args);
      return 1;
    }
  }
  *ppGroup = g;
  for (; i < n; ++i) {
    const char* w = CMN_ArgGet(args, i);
    if (strcmp(w, "/") == 0) {
      CMN_ArgFree(&args);
      return 1;
    }
    if (!s_addName(g, w)) {
      ERRLOG_LineErrorNew(2503);
      CMN_ArgFree(&args);
      return 0;
    }
  }
  PARSE_SetContinuation(1);
  CMN_ArgFree(&args);
  return 1;
}

void SSWCH_LinkSswch(SSWCH_STRUCT** ppList, SSWCH_STRUCT* pGroup) {
  if (!ppList || !pGroup) return;
  while (*ppList) ppList = &(*ppList)->pNext;
  pGroup->pNext = nullptr;
  *ppList = pGroup;
}

int SSWCH_isLinked(const SSWCH_STRUCT* pList, const SSWCH_STRUCT* pGroup) {
  for (; pList; pList = pList->pNext)
    if (pList == pGroup) return 1;
  return 0;
}

int SSWCH_HasFunction(const SSWCH_STRUCT* pList, const char* pszName) {
  if (!pszName) return 0;
  for (; pList; pList = pList->pNext)
    for (unsigned i = 0; i < pList->uNames; ++i)
      if (strcmp(pList->paszNames[i], pszName) == 0) return 1;
  return 0;
}

int SSWCH_TestList(SSWCH_STRUCT* pList, SPINMPG_STRUCT* pMappings, const char* pszComponent) {
  const char* comp = pszComponent ? pszComponent : "";
  int ok = 1;
  for (const SSWCH_STRUCT* g = pList; g; g = g->pNext)
    for (unsigned i = 0; i < g->uNames; ++i) {
      const SPINMPG_STRUCT* r = pMappings;
      while (r && strcmp(r->szGroup, g->paszNames[i]) != 0) r = r->pNext;
      if (!r) {
        ERRLOG_WarnNew(2507, comp, g->paszNames[i]);
        ok = 0;
      }
    }
  return ok;
}

void SSWCH_Reset(void) { s_pCur = nullptr; }

void SSWCH_FreeList(SSWCH_STRUCT* pList) {
  while (pList) {
    SSWCH_STRUCT* next = pList->pNext;
    s_free(pList);
    pList = next;
  }
}

}  // extern "C"

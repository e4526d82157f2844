// [Model Selector]: records named by their keyword line.
#include "checker/msel.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

// Keywords after which the current record goes on.
#define MSEL_OWNS(k) ((void)(k), false)

namespace {
MSEL_STRUCT* s_pCur = nullptr;
}

extern "C" {

int MSEL_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  MSEL_STRUCT* p = (MSEL_STRUCT*)calloc(1, sizeof(MSEL_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(MSEL_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddMsel(p);
  s_pCur = p;
  return 1;
}

int MSEL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD && iKeyword == KW_MODEL_SELECTOR) {
    const char* close = strchr(pszLine, ']');
    CMN_ARGLIST* args = nullptr;
    if (CMN_ArgParse(close ? close + 1 : "", 1, &args)) {
      strncpy(s_pCur->szName, CMN_ArgGet(args, 0), MSEL_NAME_MAX);
      s_pCur->szName[MSEL_NAME_MAX] = '\0';
      CMN_ArgFree(&args);
    }
  } else if (iLineType == LINE_DATA) {
    ++s_pCur->ulDataLines;
  }
  return 1;
}

int MSEL_Fini(int iNewKeyword) {
  if (!(MSEL_OWNS(iNewKeyword))) s_pCur = nullptr;
  return 1;
}

void MSEL_FreeList(MSEL_STRUCT* pHead) {
  while (pHead) {
    MSEL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

MSEL_STRUCT* MSEL_Find(MSEL_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (MSEL_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int MSEL_Test(MSEL_STRUCT* pList) { return 1; }

}  // extern "C"

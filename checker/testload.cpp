// [Test Load]: records named by their keyword line.
#include "checker/testload.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

// Keywords after which the current record goes on.
#define TESTLOAD_OWNS(k) ((void)(k), false)

namespace {
TESTLOAD_STRUCT* s_pCur = nullptr;
}

extern "C" {

int TESTLOAD_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  TESTLOAD_STRUCT* p = (TESTLOAD_STRUCT*)calloc(1, sizeof(TESTLOAD_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(TESTLOAD_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddTestLoad(p);
  s_pCur = p;
  return 1;
}

int TESTLOAD_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD && iKeyword == KW_TEST_LOAD) {
    const char* close = strchr(pszLine, ']');
    CMN_ARGLIST* args = nullptr;
    if (CMN_ArgParse(close ? close + 1 : "", 1, &args)) {
      strncpy(s_pCur->szName, CMN_ArgGet(args, 0), TESTLOAD_NAME_MAX);
      s_pCur->szName[TESTLOAD_NAME_MAX] = '\0';
      CMN_ArgFree(&args);
    }
  } else if (iLineType == LINE_DATA) {
    ++s_pCur->ulDataLines;
  }
  return 1;
}

int TESTLOAD_Fini(int iNewKeyword) {
  if (!(TESTLOAD_OWNS(iNewKeyword))) s_pCur = nullptr;
  return 1;
}

void TESTLOAD_FreeList(TESTLOAD_STRUCT* pHead) {
  while (pHead) {
    TESTLOAD_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

TESTLOAD_STRUCT* TESTLOAD_Find(TESTLOAD_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (TESTLOAD_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int TESTLOAD_Test(TESTLOAD_STRUCT* pList) { return 1; }

}  // extern "C"

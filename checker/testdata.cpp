// [Test Data] and its waveform keywords: records named by their keyword line.
#include "checker/testdata.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

// Keywords after which the current record goes on.
#define TESTDATA_OWNS(k) (((k) > KW_TEST_DATA && (k) <= KW_DIFF_FALLING_WAVEFORM_FAR))

namespace {
TESTDATA_STRUCT* s_pCur = nullptr;
}

extern "C" {

int TESTDATA_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  TESTDATA_STRUCT* p = (TESTDATA_STRUCT*)calloc(1, sizeof(TESTDATA_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(TESTDATA_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddTestData(p);
  s_pCur = p;
  return 1;
}

int TESTDATA_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD && iKeyword == KW_TEST_DATA) {
    const char* close = strchr(pszLine, ']');
    CMN_ARGLIST* args = nullptr;
    if (CMN_ArgParse(close ? close + 1 : "", 1, &args)) {
      strncpy(s_pCur->szName, CMN_ArgGet(args, 0), TESTDATA_NAME_MAX);
      s_pCur->szName[TESTDATA_NAME_MAX] = '\0';
      CMN_ArgFree(&args);
    }
  } else if (iLineType == LINE_DATA) {
    ++s_pCur->ulDataLines;
  }
  return 1;
}

int TESTDATA_Fini(int iNewKeyword) {
  if (!(TESTDATA_OWNS(iNewKeyword))) s_pCur = nullptr;
  return 1;
}

void TESTDATA_FreeList(TESTDATA_STRUCT* pHead) {
  while (pHead) {
    TESTDATA_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

TESTDATA_STRUCT* TESTDATA_Find(TESTDATA_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (TESTDATA_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int TESTDATA_Test(TESTDATA_STRUCT* pList) { return 1; }

}  // extern "C"

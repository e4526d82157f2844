// [Submodel] and the keywords that belong to it: records named by their keyword line.
#include "checker/submdl.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

// Keywords after which the current record goes on.
#define SUBMDL_OWNS(k) (((k) > KW_SUBMODEL && (k) <= KW_SUB_FALLING_WAVEFORM))

namespace {
SUBMDL_STRUCT* s_pCur = nullptr;
}

extern "C" {

int SUBMDL_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  SUBMDL_STRUCT* p = (SUBMDL_STRUCT*)calloc(1, sizeof(SUBMDL_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(SUBMDL_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddSubMdl(p);
  s_pCur = p;
  return 1;
}

int SUBMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD && iKeyword == KW_SUBMODEL) {
    const char* close = strchr(pszLine, ']');
    CMN_ARGLIST* args = nullptr;
    if (CMN_ArgParse(close ? close + 1 : "", 1, &args)) {
      strncpy(s_pCur->szName, CMN_ArgGet(args, 0), SUBMDL_NAME_MAX);
      s_pCur->szName[SUBMDL_NAME_MAX] = '\0';
      CMN_ArgFree(&args);
    }
  } else if (iLineType == LINE_DATA) {
    ++s_pCur->ulDataLines;
  }
  return 1;
}

int SUBMDL_Fini(int iNewKeyword) {
  if (!(SUBMDL_OWNS(iNewKeyword))) s_pCur = nullptr;
  return 1;
}

void SUBMDL_FreeList(SUBMDL_STRUCT* pHead) {
  while (pHead) {
    SUBMDL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

SUBMDL_STRUCT* SUBMDL_Find(SUBMDL_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (SUBMDL_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int SUBMDL_Test(SUBMDL_STRUCT* pList) { return 1; }

}  // extern "C"

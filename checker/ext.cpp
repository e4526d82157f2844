// [External Circuit] and [End External Circuit]: records named by their keyword line.
#include "checker/ext.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

// Keywords after which the current record goes on.
#define EXT_OWNS(k) ((k) == KW_EXTERNAL_CIRCUIT || (k) == KW_END_EXTERNAL_CIRCUIT)

namespace {
EXT_STRUCT* s_pCur = nullptr;
}

extern "C" {

int EXT_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  EXT_STRUCT* p = (EXT_STRUCT*)calloc(1, sizeof(EXT_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(EXT_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddExt(p);
  s_pCur = p;
  return 1;
}

int EXT_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD && iKeyword == KW_EXTERNAL_CIRCUIT) {
    const char* close = strchr(pszLine, ']');
    CMN_ARGLIST* args = nullptr;
    if (CMN_ArgParse(close ? close + 1 : "", 1, &args)) {
      strncpy(s_pCur->szName, CMN_ArgGet(args, 0), EXT_NAME_MAX);
      s_pCur->szName[EXT_NAME_MAX] = '\0';
      CMN_ArgFree(&args);
    }
  } else if (iLineType == LINE_DATA) {
    ++s_pCur->ulDataLines;
  }
  return 1;
}

int EXT_Fini(int iNewKeyword) {
  if (!(EXT_OWNS(iNewKeyword))) s_pCur = nullptr;
  return 1;
}

void EXT_FreeList(EXT_STRUCT* pHead) {
  while (pHead) {
    EXT_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

EXT_STRUCT* EXT_Find(EXT_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (EXT_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

}  // extern "C"

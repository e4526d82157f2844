// Board descriptions: records of the boards of an .ebd file.
#include "checker/ebdmdl.h"

#include <stdlib.h>
#include <string.h>

#include "checker/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {
EBD_STRUCT* s_pCur = nullptr;
int s_iKeyword = KW_NOT_KEY;
}

extern "C" {

int EBD_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  EBD_STRUCT* p = (EBD_STRUCT*)calloc(1, sizeof(EBD_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(EBD_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddEbdMdl(p);
  s_pCur = p;
  return 1;
}

int EBD_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    const char* close = strchr(pszLine, ']');
    CMN_ARGLIST* args = nullptr;
    if (!CMN_ArgParse(close ? close + 1 : "", 1, &args)) return 1;
    if (iKeyword == KW_BEGIN_BOARD_DESCRIPTION) {
      strncpy(s_pCur->szName, CMN_ArgGet(args, 0), EBD_NAME_MAX);
      s_pCur->szName[EBD_NAME_MAX] = '\0';
    } else if (iKeyword == KW_EBD_NUMBER_OF_PINS) {
      unsigned n = 0;
      if (CMN_StrToUI(CMN_ArgGet(args, 0), &n) == 1) s_pCur->uNumberOfPins = n;
    } else if (iKeyword == KW_END_BOARD_DESCRIPTION) {
      s_pCur->bEndSeen = 1;
    }
    CMN_ArgFree(&args);
  } else if (s_iKeyword == KW_PIN_LIST) {
    ++s_pCur->ulPinListRows;
  } else if (s_iKeyword == KW_REFERENCE_DESIGNATOR_MAP) {
    ++s_pCur->ulRefDesEntries;
  }
  return 1;
}

int EBD_Fini(int iNewKeyword) {
  const bool goesOn = iNewKeyword > KW_BEGIN_BOARD_DESCRIPTION && iNewKeyword <= KW_END_BOARD_DESCRIPTION &&
                      s_iKeyword != KW_END_BOARD_DESCRIPTION;
  if (!goesOn) s_pCur = nullptr;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

void EBD_FreeList(EBD_STRUCT* pHead) {
  while (pHead) {
    EBD_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

int EBD_Test(int iFlag) { return 1; }

}  // extern "C"

// Board descriptions: records of the boards of an .ebd file.
#include "checker/ebdmdl.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

EBD_STRUCT* s_pCur = nullptr;
int s_iKeyword = KW_NOT_KEY;

// Base names of the board files whose nested checks are running, outermost
// first.
char s_aszChain[EBD_MAX_DEPTH + 1][CMN_MAX_FILENAME + 1];
int s_iDepth = 0;

void s_copy(char* dst, const char* src) {
  strncpy(dst, src ? src : "", EBD_NAME_MAX);
  dst[EBD_NAME_MAX] = '\0';
}

void s_addRefDes(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pLine, 3, &args)) return;
  if (args->uiFound >= 2) {
    EBD_REFDES* e = (EBD_REFDES*)calloc(1, sizeof(EBD_REFDES));
    if (!e) {
      ERRLOG_ErrorNew(1906, (unsigned)sizeof(EBD_REFDES));
    } else {
      s_copy(e->szRefDes, CMN_ArgGet(args, 0));
      s_copy(e->szFile, CMN_ArgGet(args, 1));
      s_copy(e->szComponent, CMN_ArgGet(args, 2));
      EBD_REFDES** tail = &s_pCur->pRefDes;
      while (*tail) tail = &(*tail)->pNext;
      *tail = e;
    }
  }
  CMN_ArgFree(&args);
}

// File type of a referenced file by its extension; 0 for other files.
int s_typeOf(const char* name) {
  const char* dot = strrchr(name, '.');
  if (!dot) return 0;
  if (strcasecmp(dot, ".ibs") == 0) return FILE_TYPE_IBS;
  if (strcasecmp(dot, ".ebd") == 0) return FILE_TYPE_EBD;
  return 0;
}

// One nested check of a referenced file.
void s_checkReferenced(const EBD_REFDES* e, const char* caller) {
  bool recursive = strcmp(caller, e->szFile) == 0;
  for (int i = 0; i < s_iDepth && !recursive; ++i) recursive = strcmp(s_aszChain[i], e->szFile) == 0;
  if (recursive) {
    ERRLOG_ErrorNew(4404, e->szFile, e->szComponent, caller);
    return;
  }
  if (s_iDepth >= EBD_MAX_DEPTH) return;
  const int type = s_typeOf(e->szFile);
  PARSE_STATE saved;
  PARSE_SaveState(&saved);
  strcpy(s_aszChain[s_iDepth++], caller);
  // A bare name is looked for in the stored directory (the board file's).
  if (INIT()) {
    if (PARSE(e->szFile, type)) (TEST)(type, 0);
    FINI();
  }
  --s_iDepth;
  PARSE_RestoreState(&saved);
}

}  // namespace

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
    s_addRefDes(pszLine);
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
    EBD_REFDES* e = pHead->pRefDes;
    while (e) {
      EBD_REFDES* n = e->pNext;
      free(e);
      e = n;
    }
    free(pHead);
    pHead = next;
  }
}

int EBD_Test(int iFlag) {
  IBIS_STRUCT* pIbis = IBIS_GetIBIS();
  if (!pIbis) return 0;
  char caller[CMN_MAX_FILENAME + 1];
  PARSE_GetFileName(caller);
  // Each distinct file once per board file, in the order first named.
  for (EBD_STRUCT* b = pIbis->pEbdMdls; b; b = b->pNext)
    for (const EBD_REFDES* e = b->pRefDes; e; e = e->pNext) {
      if (!s_typeOf(e->szFile)) continue;
      bool seen = false, reached = false;
      for (EBD_STRUCT* b2 = pIbis->pEbdMdls; b2 && !seen && !reached; b2 = b2->pNext)
        for (const EBD_REFDES* p = b2->pRefDes; p && !seen; p = p->pNext) {
          if (p == e) {
            reached = true;
            break;
          }
          seen = strcmp(p->szFile, e->szFile) == 0;
        }
      if (!seen) s_checkReferenced(e, caller);
    }
  return 1;
}

}  // extern "C"

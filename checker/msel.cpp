// [Model Selector]: selector records, their model lists and their checks.
#include "checker/msel.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/ver.h"

namespace {

MSEL_STRUCT* s_pCur = nullptr;
int s_iCurKeyword = KW_NOT_KEY;
int s_iPrevKeyword = KW_NOT_KEY;

unsigned s_nameLimit() { return (unsigned)VER_NameMax(PARSE_GetRuleLevel()); }

const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  p = p ? p + 1 : pLine + strlen(pLine);
  while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
  return p;
}

void s_setName(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_afterKeyword(pLine), 1, &args)) {
    ERRLOG_LineErrorNew(4009);
    return;
  }
  if (args->uiFound == 0) {
    ERRLOG_LineErrorNew(4010);
    CMN_ArgFree(&args);
    return;
  }
  if (args->uiFound > 1) ERRLOG_LineErrorNew(4011, (int)args->uiFound, "Model Selector", 1);
  const char* name = CMN_ArgGet(args, 0);
  const unsigned limit = s_nameLimit();
  if (strlen(name) > limit) ERRLOG_LineErrorNew(4012, (int)limit);
  CMN_strncpy(s_pCur->szName, name, limit);
  if (CMN_ReservedWord(s_pCur->szName)) ERRLOG_LineErrorNew(4013, s_pCur->szName);
  MSEL_STRUCT* list = nullptr;
  IBIS_GetMsels(&list);
  for (const MSEL_STRUCT* m = list; m; m = m->pNext)
    if (m != s_pCur && strcmp(m->szName, s_pCur->szName) == 0) {
      ERRLOG_LineErrorNew(4014, s_pCur->szName);
      break;
    }
  CMN_ArgFree(&args);
}

void s_addModel(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pLine, 2, &args)) {
    ERRLOG_LineBugNew(4015, "Model Selector Sub-Parameter", "msel.cpp", __LINE__);
    return;
  }
  if (args->uiFound == 0) {
    ERRLOG_LineErrorNew(4016);
    CMN_ArgFree(&args);
    return;
  }
  if (args->uiFound == 1) ERRLOG_LineErrorNew(4011, 1, "Model Selector", 2);
  void* mem = nullptr;
  if (!CMN_malloc(&mem, sizeof(MSEL_MODEL))) {
    ERRLOG_LineErrorNew(4008);
    CMN_ArgFree(&args);
    return;
  }
  MSEL_MODEL* e = (MSEL_MODEL*)mem;
  const char* name = CMN_ArgGet(args, 0);
  const unsigned limit = s_nameLimit();
  if (strlen(name) > limit) ERRLOG_LineErrorNew(4017, (int)limit);
  CMN_strncpy(e->szName, name, limit);
  if (CMN_StrSameIC(e->szName, "NA")) ERRLOG_LineErrorNew(4018);
  // The description: the rest of the line after the first field.
  const char* d = pLine;
  while (*d && CMN_IsWhitespace((unsigned char)*d)) ++d;
  while (*d && !CMN_IsWhitespace((unsigned char)*d)) ++d;
  while (*d && CMN_IsWhitespace((unsigned char)*d)) ++d;
  const size_t descLimit = MSEL_DESC_MAX - strlen(e->szName);
  if (strlen(d) > descLimit) ERRLOG_LineErrorNew(4019, d, (unsigned)descLimit);
  CMN_strncpy(e->szDescription, d, descLimit);
  MSEL_MODEL** pp = &s_pCur->pModels;
  for (; *pp; pp = &(*pp)->pNext)
    if (strcmp((*pp)->szName, e->szName) == 0) ERRLOG_LineErrorNew(4025, e->szName);
  *pp = e;
  CMN_ArgFree(&args);
}

}  // namespace

extern "C" {

int MSEL_Init(void) {
  s_pCur = nullptr;
  s_iCurKeyword = s_iPrevKeyword = KW_NOT_KEY;
  if (!IBIS_GetIBIS()) {
    ERRLOG_BugNew(4000, "msel.cpp", __LINE__);
    return 0;
  }
  void* mem = nullptr;
  if (!CMN_malloc(&mem, sizeof(MSEL_STRUCT))) {
    ERRLOG_LineErrorNew(4007);
    return 0;
  }
  MSEL_STRUCT* p = (MSEL_STRUCT*)mem;
  p->iDiff = 2;
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddMsel(p);
  s_pCur = p;
  return 1;
}

int MSEL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 0;
  if (!s_pCur) {
    ERRLOG_LineErrorNew(iLineType == LINE_KEYWORD ? 4001 : 4002);
    return 0;
  }
  if (iLineType == LINE_KEYWORD) {
    s_iPrevKeyword = s_iCurKeyword;
    s_iCurKeyword = iKeyword;
    if (iKeyword != KW_MODEL_SELECTOR) {
      ERRLOG_LineBugNew(4003, "msel.cpp", __LINE__);
      return 0;
    }
    s_setName(pszLine);
  } else if (iLineType == LINE_DATA) {
    if (s_iCurKeyword != KW_MODEL_SELECTOR) {
      ERRLOG_LineErrorNew(4002);
      return 0;
    }
    s_addModel(pszLine);
  } else {
    ERRLOG_LineBugNew(4004, "msel.cpp", __LINE__);
    return 0;
  }
  return 1;
}

int MSEL_Fini(int iNewKeyword) {
  if (s_pCur && s_iCurKeyword == KW_MODEL_SELECTOR) {
    if (!s_pCur->pModels)
      ERRLOG_ErrorNew(4005, s_pCur->szName);
    else if (!s_pCur->pModels->pNext)
      ERRLOG_WarnNew(4006, s_pCur->szName);
  }
  s_iPrevKeyword = s_iCurKeyword;
  s_iCurKeyword = KW_NOT_KEY;
  return 1;
}

int MSEL_FreeList(MSEL_STRUCT* pHead) {
  while (pHead) {
    MSEL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    for (MSEL_MODEL* e = pHead->pModels; e;) {
      MSEL_MODEL* n = e->pNext;
      CMN_free(e);
      e = n;
    }
    CMN_free(pHead);
    pHead = next;
  }
  return 1;
}

MSEL_STRUCT* MSEL_FindMsel(const char* pszName, MSEL_STRUCT* pList) {
  if (!pszName) return nullptr;
  for (MSEL_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int MSEL_NameExists(const char* pszName, MSEL_STRUCT* pList) { return MSEL_FindMsel(pszName, pList) ? 1 : 0; }

int MSEL_HasModel(const MSEL_STRUCT* pMsel, const char* pszModel) {
  if (!pMsel || !pszModel) return 0;
  for (const MSEL_MODEL* e = pMsel->pModels; e; e = e->pNext)
    if (strcmp(e->szName, pszModel) == 0) return 1;
  return 0;
}

void MSEL_AddLink(MSEL_STRUCT** ppLink, MSEL_STRUCT* pItem) {
  if (ppLink) *ppLink = pItem;
}

int MSEL_GetLastLink(MSEL_STRUCT** ppList) {
  if (!ppList || !*ppList) return 0;
  while ((*ppList)->pNext) *ppList = (*ppList)->pNext;
  return 1;
}

int MSEL_TestList(MSEL_STRUCT* pList) {
  if (!IBIS_GetIBIS()) {
    ERRLOG_BugNew(4020, "msel.cpp", __LINE__);
    return 0;
  }
  MDL_STRUCT* models = nullptr;
  const bool anyModel = IBIS_GetMdls(&models) != 0;
  for (MSEL_STRUCT* s = pList; s; s = s->pNext) {
    if (MDL_FindModel(models, s->szName)) ERRLOG_ErrorNew(4021, s->szName);
    int cls = -1;  // 0 differential, 1 single-ended
    for (const MSEL_MODEL* e = s->pModels; e; e = e->pNext) {
      int here = 1;
      if (!anyModel) {
        ERRLOG_ErrorNew(4024, e->szName, s->szName);
      } else if (!CMN_ReservedWord(e->szName)) {
        const MDL_STRUCT* m = MDL_FindModel(models, e->szName);
        if (!m)
          ERRLOG_ErrorNew(4024, e->szName, s->szName);
        else if (m->bDiff)
          here = 0;
      }
      if (cls < 0)
        cls = here;
      else if (here != cls)
        ERRLOG_WarnNew(here == 0 ? 4022 : 4023, e->szName, s->szName);
    }
    s->iDiff = cls == 0 ? 0 : 1;
  }
  return 1;
}

}  // extern "C"

// [Driver Schedule]: entries, name rules and the whole-file look-up.
#include "checker/drvsh.h"

#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/ver.h"

extern "C" {

int DRVSH_New(const char* pszLine, DRVSH_STRUCT** ppSched) {
  if (!ppSched) return 0;
  if (*ppSched) {
    ERRLOG_LineErrorNew(4200);
    DRVSH_Free(ppSched);
  }
  DRVSH_STRUCT* s = (DRVSH_STRUCT*)calloc(1, sizeof(DRVSH_STRUCT));
  if (!s) {
    ERRLOG_LineBugNew(4201, "drvsh.cpp", __LINE__);
    return 0;
  }
  *ppSched = s;
  s->ulLine = PARSE_GetLineNum();
  const char* rest = pszLine ? strchr(pszLine, ']') : nullptr;
  CMN_ARGLIST* args = nullptr;
  if (rest && CMN_ArgParse(rest + 1, 0, &args)) {
    if (args->uiFound > 0) ERRLOG_LineErrorNew(4204, (int)args->uiFound + 1, "Driver Schedule", 1);
    CMN_ArgFree(&args);
  }
  return 1;
}

int DRVSH_ReceiveLine(const char* pszLine, DRVSH_STRUCT* pSched, const char* pszModelName) {
  if (!pszLine || !pSched) return 1;
  const char* model = pszModelName ? pszModelName : "";
  DRVSH_ENTRY* e = (DRVSH_ENTRY*)calloc(1, sizeof(DRVSH_ENTRY));
  if (!e) {
    ERRLOG_LineErrorNew(4216);
    return 1;
  }
  CMN_ARGLIST* args = nullptr;
  bool named = false;
  const char* p = pszLine;
  while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
  if (!CMN_ArgParse(p, 1, &args)) {
    ERRLOG_LineErrorNew(4210);
  } else if (args->uiFound == 0) {
    ERRLOG_LineErrorNew(4211);
  } else {
    const char* name = CMN_ArgGet(args, 0);
    const unsigned limit = (unsigned)VER_NameMax(PARSE_GetRuleLevel());
    if (strlen(name) > limit) ERRLOG_LineErrorNew(4212, (int)limit);
    CMN_strncpy(e->szName, name, limit);
    named = true;
    if (strcmp(e->szName, model) == 0) ERRLOG_LineErrorNew(4213, e->szName);
    else if (CMN_ReservedWord(e->szName)) ERRLOG_LineErrorNew(4214, e->szName);
    for (const DRVSH_ENTRY* o = pSched->pEntries; o; o = o->pNext)
      if (strcmp(o->szName, e->szName) == 0) {
        ERRLOG_LineErrorNew(4215, e->szName);
        break;
      }
    p += strlen(name);
  }
  CMN_ArgFree(&args);
  if (named) {
    while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
    DLY_ParseDly(p, e->szName, &e->pDly);
  }
  e->pNext = pSched->pEntries;
  pSched->pEntries = e;
  return 1;
}

int DRVSH_Fini(DRVSH_STRUCT* pSched, const char* pszModelName) {
  if (!pSched) return 1;
  const char* model = pszModelName ? pszModelName : "";
  if (!pSched->pEntries) ERRLOG_ErrorNew(4205, model);
  else if (!pSched->pEntries->pNext) ERRLOG_WarnNew(4206, model);
  return 1;
}

int DRVSH_Test(MDL_STRUCT* pModels) {
  for (MDL_STRUCT* m = pModels; m; m = m->pNext) {
    if (!m->pDrvSh) continue;
    for (const DRVSH_ENTRY* e = m->pDrvSh->pEntries; e; e = e->pNext) {
      MDL_STRUCT* target = MDL_FindModel(pModels, e->szName);
      if (!target) {
        ERRLOG_ErrorNew(4207, e->szName, m->szName);
        continue;
      }
      target->bReferenced = 1;
      if (target->pDrvSh) ERRLOG_ErrorNew(4208, e->szName, m->szName);
      switch (target->iType) {
        case MDL_TYPE_INPUT:
        case MDL_TYPE_INPUT_ECL:
        case MDL_TYPE_TERMINATOR:
        case MDL_TYPE_SERIES:
        case MDL_TYPE_SERIES_SWITCH:
          ERRLOG_ErrorNew(4209, e->szName, m->szName);
          break;
        default:
          break;
      }
    }
  }
  return 1;
}

void DRVSH_Free(DRVSH_STRUCT** ppSched) {
  if (!ppSched || !*ppSched) return;
  DRVSH_ENTRY* e = (*ppSched)->pEntries;
  while (e) {
    DRVSH_ENTRY* next = e->pNext;
    DLY_Free(&e->pDly);
    free(e);
    e = next;
  }
  free(*ppSched);
  *ppSched = nullptr;
}

}  // extern "C"

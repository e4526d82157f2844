// Line forms shared by the named sections.
#include "checker/sect.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/mdl.h"

extern "C" {

int SECT_ReadName(const char* pszLine, const SECT_NAME_CODES* pCodes, unsigned uLimit, char* pszDst) {
  pszDst[0] = '\0';
  const char* close = pszLine ? strchr(pszLine, ']') : nullptr;
  if (!close) {
    ERRLOG_LineBugNew(pCodes->iEat, pszLine ? pszLine : "", "sect.cpp", __LINE__);
    return SECT_NAME_NONE;
  }
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(close + 1, 1, &args)) {
    ERRLOG_LineErrorNew(pCodes->iSave);
    return SECT_NAME_NONE;
  }
  int result = SECT_NAME_NONE;
  if (args->uiFound == 0) {
    ERRLOG_LineErrorNew(pCodes->iMissing);
  } else {
    if (args->uiFound > 1) ERRLOG_LineErrorNew(pCodes->iCount, (int)args->uiFound, pCodes->pszWhat, 1);
    const char* name = CMN_ArgGet(args, 0);
    CMN_strncpy(pszDst, name, uLimit);
    if (strlen(name) > uLimit) {
      ERRLOG_LineErrorNew(pCodes->iTooLong, (int)uLimit);
      result = SECT_NAME_CUT;
    } else {
      if (CMN_ReservedWord(name)) ERRLOG_LineErrorNew(pCodes->iReserved, name);
      result = SECT_NAME_STORED;
    }
  }
  CMN_ArgFree(&args);
  return result;
}

const char* SECT_OneValue(const char* pszLine, const char* pszName, const SECT_VALUE_CODES* pCodes,
                          CMN_ARGLIST** ppArgs) {
  *ppArgs = nullptr;
  if (!CMN_ArgParsePlus(pszLine ? pszLine : "", 2, '=', ppArgs)) return nullptr;
  const unsigned n = (*ppArgs)->uiFound;
  if (n == 2) return CMN_ArgGet(*ppArgs, 1);
  if (n <= 1) ERRLOG_LineErrorNew(pCodes->iMissing, pszName);
  else if (strcmp(CMN_ArgGet(*ppArgs, 1), "=") == 0) ERRLOG_LineErrorNew(pCodes->iInvalid, pszName);
  else ERRLOG_LineErrorNew(pCodes->iCount, (int)n, pszName, 2);
  return nullptr;
}

int SECT_WordLine(const char* pszLine, const char* pszName, const char* const* apszWords, int iWords,
                  const SECT_VALUE_CODES* pCodes) {
  CMN_ARGLIST* args = nullptr;
  const char* value = SECT_OneValue(pszLine, pszName, pCodes, &args);
  int result = 1;
  if (value) {
    for (int i = 2; i < iWords && result == 1; ++i)
      if (strcmp(value, apszWords[i]) == 0) result = i;
    if (result == 1) {
      int near = 0;
      for (int i = 2; i < iWords && !near; ++i)
        if (CMN_StrSameIC(value, apszWords[i])) near = i;
      if (near) ERRLOG_LineErrorNew(pCodes->iTry, pszName, value, apszWords[near]);
      else ERRLOG_LineErrorNew(pCodes->iUnknown, pszName, value);
    }
  }
  CMN_ArgFree(&args);
  return result;
}

const char* SECT_AfterName(const char* pszLine, const char* pszName) {
  const char* p = pszLine ? pszLine : "";
  while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
  const size_t n = strlen(pszName);
  return strncmp(p, pszName, n) == 0 ? p + n : p;
}

int SECT_CheckModels(MDL_STRUCT* pModels, const char* pszSection, const char* pszModel, const char* pszModelInv,
                     bool (*pfnWrongKind)(int), const SECT_MODEL_CODES* pCodes) {
  int ok = 1;
  if (pszModel[0]) {
    const MDL_STRUCT* m = MDL_FindModel(pModels, pszModel);
    if (!m) {
      ERRLOG_ErrorNew(pCodes->iNotFound, pszModel, pszSection);
      ok = 0;
    } else if (pfnWrongKind(m->iType)) {
      ERRLOG_WarnNew(pCodes->iWrongKind, pszModel, pszSection);
      ok = 0;
    }
  }
  if (pszModelInv[0]) {
    MDL_STRUCT* m = MDL_FindModel(pModels, pszModelInv);
    if (!m) {
      ERRLOG_ErrorNew(pCodes->iInvNotFound, pszModelInv, pszSection);
      ok = 0;
    } else {
      if (pfnWrongKind(m->iType)) {
        ERRLOG_WarnNew(pCodes->iWrongKind, pszModelInv, pszSection);
        ok = 0;
      }
      if (!CMPNT_DiffQuery(m, nullptr)) {
        ERRLOG_WarnNew(pCodes->iInvNotDiff, pszModelInv, pszSection);
        ok = 0;
      }
    }
  }
  return ok;
}

}  // extern "C"

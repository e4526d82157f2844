// Components: records and the resolution of their package model names.
#include "checker/cmpnt.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/pkgmdl.h"

namespace {

CMPNT_STRUCT* s_pCur = nullptr;
int s_iKeyword = KW_NOT_KEY;

bool s_isWs(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The rest of a keyword line after "]" and blanks, copied with a limit.
void s_value(char* dst, size_t limit, const char* line) {
  const char* p = strchr(line, ']');
  p = p ? p + 1 : "";
  while (*p && s_isWs((unsigned char)*p)) ++p;
  strncpy(dst, p, limit);
  dst[limit] = '\0';
}

}  // namespace

extern "C" {

int CMPNT_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  CMPNT_STRUCT* p = (CMPNT_STRUCT*)calloc(1, sizeof(CMPNT_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(CMPNT_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddCmpnt(p);
  s_pCur = p;
  return 1;
}

int CMPNT_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    if (iKeyword == KW_COMPONENT)
      s_value(s_pCur->szName, CMPNT_NAME_MAX, pszLine);
    else if (iKeyword == KW_MANUFACTURER)
      s_value(s_pCur->szManufacturer, CMPNT_NAME_MAX, pszLine);
    else if (iKeyword == KW_PACKAGE_MODEL)
      s_value(s_pCur->szPackageModel, CMPNT_PKGMDL_MAX, pszLine);
  } else if (s_iKeyword == KW_PIN) {
    ++s_pCur->ulPins;
  }
  return 1;
}

int CMPNT_Fini(int iNewKeyword) {
  const bool goesOn = (iNewKeyword > KW_COMPONENT && iNewKeyword <= KW_END_CIRCUIT_CALL) ||
                      (iNewKeyword >= KW_BEGIN_EMI_COMPONENT && iNewKeyword <= KW_PIN_DOMAIN_EMI);
  if (!goesOn) s_pCur = nullptr;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

void CMPNT_FreeList(CMPNT_STRUCT* pHead) {
  while (pHead) {
    CMPNT_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

int CMPNT_TestRanges(CMPNT_STRUCT* pList) { return 1; }

int CMPNT_Test(CMPNT_STRUCT* pList, EXT_STRUCT* pExts, MDL_STRUCT* pModels, PKGMDL_STRUCT* pPkgMdls) {
  char dir[CMN_MAX_FILENAME + 1];
  CMN_GetIbsPath(dir);
  for (CMPNT_STRUCT* c = pList; c; c = c->pNext) {
    const char* name = c->szPackageModel;
    if (!*name || PKGMDL_Find(pPkgMdls, name)) continue;
    if (PKGMDL_FindInDirectory(dir, name)) continue;
    ERRLOG_ErrorNew(516, name, c->szName);
  }
  return 1;
}

}  // extern "C"

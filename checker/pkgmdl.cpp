// Package models: records, and the search of a directory's .pkg files.
#include "checker/pkgmdl.h"

#include <ctype.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

PKGMDL_STRUCT* s_pCur = nullptr;
int s_iKeyword = KW_NOT_KEY;

const char* s_after(const char* pLine) {
  const char* p = strchr(pLine, ']');
  return p ? p + 1 : "";
}

bool s_isWs(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Whether one line of a .pkg file is [Define Package Model] pszName.
bool s_definesModel(const char* line, const char* pszName) {
  const char* p = line;
  while (*p && s_isWs((unsigned char)*p)) ++p;
  if (*p != '[') return false;
  const char* close = strchr(p, ']');
  if (!close) return false;
  size_t n = (size_t)(close - p - 1);
  static const char kKey[] = "define_package_model";
  if (n != sizeof kKey - 1) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = p[1 + i] == ' ' ? '_' : p[1 + i];
    if ((char)tolower((unsigned char)c) != kKey[i]) return false;
  }
  const char* q = close + 1;
  while (*q && s_isWs((unsigned char)*q)) ++q;
  const char* e = q;
  while (*e && !s_isWs((unsigned char)*e) && *e != '|') ++e;
  return (size_t)(e - q) == strlen(pszName) && strncmp(q, pszName, (size_t)(e - q)) == 0;
}

bool s_fileDefines(const char* path, const char* pszName) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  char line[PARSE_LINE_MAX + 1];
  bool found = false;
  while (!found && fgets(line, sizeof line, f)) {
    found = s_definesModel(line, pszName);
    // Drop the rest of an over-long line.
    if (!strchr(line, '\n'))
      for (int c = getc(f); c != EOF && c != '\n'; c = getc(f)) {
      }
  }
  fclose(f);
  return found;
}

}  // namespace

extern "C" {

int PKGMDL_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  PKGMDL_STRUCT* p = (PKGMDL_STRUCT*)calloc(1, sizeof(PKGMDL_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(PKGMDL_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddPkgMdl(p);
  s_pCur = p;
  return 1;
}

int PKGMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    CMN_ARGLIST* args = nullptr;
    if (!CMN_ArgParse(s_after(pszLine), 1, &args)) return 1;
    if (iKeyword == KW_DEFINE_PACKAGE_MODEL) {
      strncpy(s_pCur->szName, CMN_ArgGet(args, 0), PKGMDL_NAME_MAX);
      s_pCur->szName[PKGMDL_NAME_MAX] = '\0';
    } else if (iKeyword == KW_NUMBER_OF_PINS) {
      unsigned n = 0;
      if (CMN_StrToUI(CMN_ArgGet(args, 0), &n) == 1) s_pCur->uNumberOfPins = n;
    } else if (iKeyword == KW_END_PACKAGE_MODEL) {
      s_pCur->bEndSeen = 1;
    }
    CMN_ArgFree(&args);
  } else if (s_iKeyword == KW_PIN_NUMBERS) {
    ++s_pCur->uPinNumbers;
  }
  return 1;
}

int PKGMDL_Fini(int iNewKeyword) {
  const bool goesOn = iNewKeyword > KW_DEFINE_PACKAGE_MODEL && iNewKeyword <= KW_NUMBER_OF_SECTIONS &&
                      s_iKeyword != KW_END_PACKAGE_MODEL;
  if (!goesOn) s_pCur = nullptr;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

void PKGMDL_FreeList(PKGMDL_STRUCT* pHead) {
  while (pHead) {
    PKGMDL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead);
    pHead = next;
  }
}

PKGMDL_STRUCT* PKGMDL_Find(PKGMDL_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (PKGMDL_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int PKGMDL_FindInDirectory(const char* pszDir, const char* pszName) {
  if (!pszName || !*pszName) return 0;
  const char* dir = (pszDir && *pszDir) ? pszDir : ".";
  DIR* d = opendir(dir);
  if (!d) return 0;
  int found = 0;
  const size_t nDir = strlen(dir);
  const bool slash = dir[nDir - 1] == '/';
  for (struct dirent* e = readdir(d); e && !found; e = readdir(d)) {
    const char* dot = strrchr(e->d_name, '.');
    if (!dot || strcasecmp(dot, ".pkg") != 0) continue;
    char path[2 * CMN_MAX_FILENAME + 2];
    if (snprintf(path, sizeof path, "%s%s%s", dir, slash ? "" : "/", e->d_name) >= (int)sizeof path) continue;
    found = s_fileDefines(path, pszName) ? 1 : 0;
  }
  closedir(d);
  return found;
}

int PKGMDL_Test(PKGMDL_STRUCT* pList) { return 1; }

}  // extern "C"

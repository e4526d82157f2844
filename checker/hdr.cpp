// File header keywords: storing and checking [IBIS Ver] to [Copyright].
#include "checker/hdr.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/ver.h"

namespace {

HDR_STRUCT* s_pCur = nullptr;          // current header record
int s_iLastKeyword = KW_NOT_KEY;       // last header keyword, for data lines
bool s_abFound[KW_COPYRIGHT + 1];      // found flags, by keyword number
bool s_bAnyVersion = false;
bool s_b1xVersions = false;
bool s_bAnyFileName = false;

const char* const s_aszVersions[] = {"2.0", "2.1", "3.0", "3.1", "3.2", "4.0", "4.1", "4.2", "5.0"};

bool s_isWs(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  p = p ? p + 1 : pLine + strlen(pLine);
  while (*p && s_isWs((unsigned char)*p)) ++p;
  return p;
}

bool s_acceptedVersion(const char* v) {
  for (const char* a : s_aszVersions)
    if (strcmp(v, a) == 0) return true;
  return s_b1xVersions && strncmp(v, "1.", 2) == 0;
}

// Appends a line to one of the four owned texts (index 0..3), with a line
// feed before it unless the text is new. The capacity grows by doubling, so
// long texts cost linear time. E1020 when memory runs out (the text stays as
// it was).
void s_addText(HDR_STRUCT* h, int i, char** ppsz, const char* line, bool bNew) {
  if (bNew) {
    free(*ppsz);
    *ppsz = nullptr;
    h->auLen[i] = h->auCap[i] = 0;
  }
  const size_t nSep = *ppsz ? 1 : 0;
  const size_t nAdd = strlen(line);
  const size_t need = h->auLen[i] + nSep + nAdd + 1;
  if (need > h->auCap[i]) {
    size_t cap = h->auCap[i] ? h->auCap[i] : 128;
    while (cap < need) cap *= 2;
    char* p = (char*)realloc(*ppsz, cap);
    if (!p) {
      ERRLOG_LineErrorNew(1020);
      return;
    }
    *ppsz = p;
    h->auCap[i] = cap;
  }
  char* p = *ppsz;
  if (nSep) p[h->auLen[i]++] = '\n';
  memcpy(p + h->auLen[i], line, nAdd + 1);
  h->auLen[i] += nAdd;
}

char** s_textOf(HDR_STRUCT* h, int kw) {
  switch (kw) {
    case KW_SOURCE: return &h->pszSource;
    case KW_NOTES: return &h->pszNotes;
    case KW_DISCLAIMER: return &h->pszDisclaimer;
    case KW_COPYRIGHT: return &h->pszCopyright;
    default: return nullptr;
  }
}

int s_textIndex(int kw) { return kw - KW_SOURCE; }

// Sets the file's major number and level from an accepted version text.
void s_setVersion(const char* s) {
  if (s_bAnyVersion) {
    // Any version: the frame of 5.0, and the newer keywords when the text
    // names a newer version.
    const int level = VER_Level(s, nullptr);
    PARSE_SetFileVersion(5);
    PARSE_SetIbisLevel(level > VER_LEVEL_50 ? level : VER_LEVEL_50);
  } else if (s[0] >= '5' && s[0] <= '9') {
    PARSE_SetFileVersion(5);
    PARSE_SetIbisLevel(VER_Level(s, nullptr));
  } else if (s[0] >= '1' && s[0] <= '4') {
    PARSE_SetFileVersion(s[0] - '0');
  }
}

void s_ibisVer(const char* v) {
  CMN_SetStr(s_pCur->szIBIS_Version, v, 70, "IBIS_Version");
  const char* s = s_pCur->szIBIS_Version;
  if (!*s) return;
  if (!s_bAnyVersion && !s_acceptedVersion(s) && !VER_IsNewVersion(s)) {
    ERRLOG_LineErrorNew(1008, s);
    // A version the checker does not list (4.3, 7.3, ...) on the file's
    // first [IBIS Ver] is still checked: up to 4.x under the rules of its
    // major number, from 5 on under those of the newest known version not
    // above it (the one the version probe found and the banner announced).
    if (PARSE_GetFileVersion() != 0) return;
    const int level = VER_Level(s, nullptr);
    if (s[0] >= '2' && s[0] <= '4') {
      PARSE_SetFileVersion(s[0] - '0');
    } else if (s[0] >= '5' && s[0] <= '9' && level) {
      PARSE_SetFileVersion(5);
      PARSE_SetIbisLevel(level);
    }
    return;
  }
  s_setVersion(s);
}

void s_fileName(const char* v) {
  char* name = s_pCur->szFile_name;
  const int ver = PARSE_GetFileVersion();
  const int max = VER_FileNameMax(PARSE_GetIbisLevel());
  if (ver <= 2)
    CMN_SetStr(name, v, (unsigned)max, "File_name");
  else
    CMN_SetFilenameStr(name, v, (unsigned)max, CMN_MAX_FILENAME, "File_name");
  if (s_bAnyFileName || !*name) return;
  // From 7.0 on, file names may mix cases and hold several periods (the
  // extension follows the last one).
  const bool mixed = VER_FileNamesMixedCase(PARSE_GetIbisLevel()) != 0;
  int periods = 0;
  for (const char* p = name; *p; ++p) {
    unsigned char c = (unsigned char)*p;
    if (isupper(c)) {
      if (!mixed) ERRLOG_LineErrorNew(1010, name, c);
    } else if (c == '.') {
      if (++periods > 1 && !mixed) ERRLOG_LineErrorNew(1012, name);
    } else if (!isalnum(c) && !strchr("_^$~!#%&-{})(@'`", c)) {
      ERRLOG_LineErrorNew(1011, name, c);
    }
  }
  if (periods == 0) ERRLOG_LineErrorNew(1013, name);
  char opened[CMN_MAX_FILENAME + 1];
  PARSE_GetFileName(opened);
  if (strcasecmp(opened, name) != 0) ERRLOG_LineErrorNew(1014, opened, name);
  CMN_ReservedWordErr(name);
}

}  // namespace

extern "C" {

int HDR_Init(void) {
  IBIS_STRUCT* pIbis = IBIS_GetIBIS();
  if (!pIbis) {
    ERRLOG_LineBugNew(1000);
    return 0;
  }
  HDR_STRUCT* h = (HDR_STRUCT*)calloc(1, sizeof(HDR_STRUCT));
  if (!h) {
    ERRLOG_LineErrorNew(1006);
    return 0;
  }
  IBIS_AddHdr(h);
  s_pCur = h;
  memset(s_abFound, 0, sizeof s_abFound);
  s_iLastKeyword = KW_NOT_KEY;
  return 1;
}

int HDR_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 0;
  if (!s_pCur) {
    ERRLOG_LineErrorNew(iLineType == LINE_KEYWORD ? 1001 : 1002);
    return 1;
  }
  if (iLineType == LINE_DATA) {
    char** pp = s_textOf(s_pCur, s_iLastKeyword);
    if (!pp) {
      ERRLOG_LineErrorNew(1002);
      return 1;
    }
    s_addText(s_pCur, s_textIndex(s_iLastKeyword), pp, pszLine, *pp == nullptr);
    return 1;
  }
  if (iLineType != LINE_KEYWORD || iKeyword < 0 || iKeyword > KW_COPYRIGHT || iKeyword == KW_COMMENT_CHAR) {
    ERRLOG_LineBugNew(iLineType != LINE_KEYWORD ? 1004 : 1003);
    return 0;
  }
  s_iLastKeyword = iKeyword;
  const char* v = s_afterKeyword(pszLine);
  const bool dup = s_abFound[iKeyword];
  s_abFound[iKeyword] = true;
  switch (iKeyword) {
    case KW_IBIS_VER:
      s_ibisVer(v);
      break;
    case KW_FILE_NAME:
      if (dup) {
        ERRLOG_LineErrorNew(1009);
        break;
      }
      s_fileName(v);
      break;
    case KW_FILE_REV:
      if (dup) {
        ERRLOG_LineErrorNew(1015);
        break;
      }
      CMN_SetStr(s_pCur->szFile_Rev, v, 70, "File_Rev");
      CMN_ReservedWordErr(s_pCur->szFile_Rev);
      break;
    case KW_DATE:
      if (dup) {
        ERRLOG_LineErrorNew(1016);
        break;
      }
      CMN_SetStr(s_pCur->szDate, v, 40, "Date");
      CMN_ReservedWordErr(s_pCur->szDate);
      break;
    case KW_SOURCE:
    case KW_NOTES:
    case KW_COPYRIGHT:
      if (dup) {
        ERRLOG_LineErrorNew(iKeyword == KW_SOURCE ? 1017 : iKeyword == KW_NOTES ? 1018 : 1019);
        break;
      }
      s_addText(s_pCur, s_textIndex(iKeyword), s_textOf(s_pCur, iKeyword), v, true);
      break;
    case KW_DISCLAIMER: {
      char** pp = s_textOf(s_pCur, iKeyword);
      s_addText(s_pCur, s_textIndex(iKeyword), pp, v, *pp == nullptr);
      break;
    }
    default:
      break;
  }
  return 1;
}

int HDR_Fini(int iNewKeyword) {
  if (!s_pCur) return 1;
  if (iNewKeyword == KW_IBIS_VER) {
    ERRLOG_LineErrorNew(1005);
    return 1;
  }
  const bool header = iNewKeyword == KW_IBIS_VER || (iNewKeyword >= KW_FILE_NAME && iNewKeyword <= KW_COPYRIGHT);
  if (!header) {
    CMN_TestRequiredKeyword("IBIS_Version", s_abFound[KW_IBIS_VER]);
    CMN_TestRequiredKeyword("File_name", s_abFound[KW_FILE_NAME]);
    CMN_TestRequiredKeyword("File_Rev", s_abFound[KW_FILE_REV]);
    s_pCur = nullptr;
  }
  return 1;
}

void HDR_AddLink(HDR_STRUCT** ppHead, HDR_STRUCT* p) {
  if (!ppHead || !p) return;
  p->pNext = *ppHead;
  *ppHead = p;
}

void HDR_FreeList(HDR_STRUCT* pHead) {
  while (pHead) {
    HDR_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    free(pHead->pszSource);
    free(pHead->pszNotes);
    free(pHead->pszDisclaimer);
    free(pHead->pszCopyright);
    free(pHead);
    pHead = next;
  }
}

static int s_get(const char* v, const char** pp) {
  if (pp) *pp = (v && *v) ? v : nullptr;
  return (v && *v) ? 1 : 0;
}

int HDR_GetIBIS_Ver(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->szIBIS_Version : nullptr, pp); }
int HDR_GetFile_name(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->szFile_name : nullptr, pp); }
int HDR_GetFile_Rev(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->szFile_Rev : nullptr, pp); }
int HDR_GetDate(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->szDate : nullptr, pp); }
int HDR_GetSource(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->pszSource : nullptr, pp); }
int HDR_GetNotes(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->pszNotes : nullptr, pp); }
int HDR_GetDisclaimer(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->pszDisclaimer : nullptr, pp); }
int HDR_GetCopyright(const HDR_STRUCT* p, const char** pp) { return s_get(p ? p->pszCopyright : nullptr, pp); }

void HDR_AllowAnyVersion(int iFlag) { s_bAnyVersion = iFlag != 0; }
void HDR_Allow1xVersions(int iFlag) { s_b1xVersions = iFlag != 0; }
void HDR_AllowAnyFile_name(int iFlag) { s_bAnyFileName = iFlag != 0; }

const char* HDR_VersionList(void) { return VER_List(); }

}  // extern "C"

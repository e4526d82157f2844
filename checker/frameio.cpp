// The frame's common operations: checked files, lines, numbers, fields and
// keyword values (see frameio.h for each contract).
#include "checker/frameio.h"

#include <ctype.h>
#include <errno.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "amiparam/AmiParamTree.h"
#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

char s_szIbsPath[CMN_MAX_FILENAME + 1];  // stored directory, with final "/"
int s_bAnyCharacter = 0;
int s_bLastOpenOk = 0;  // the last CMN_OpenFile opened its file

// Buffer of CMN_GetInfiniteLine.
char* s_pLine = nullptr;
size_t s_uLineCap = 0;

const char* const s_aszExt[5] = {"", ".ibs", ".pkg", ".ebd", ".ami"};
const int s_aiExtErr[5] = {0, 1900, 1903, 1902, 1924};

bool s_isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

void s_lower(char* p) {
  for (; *p; ++p) *p = (char)tolower((unsigned char)*p);
}
void s_upper(char* p) {
  for (; *p; ++p) *p = (char)toupper((unsigned char)*p);
}

// Classifies one byte for the line readers: null when it may stay, else the
// word for E1917.
const char* s_badCharKind(int c) {
  if (c == 0) return "NUL";
  if (c >= 128) return "non-7-bit ASCII";
  if (c < 32 || c == 127) {
    if (c == '\t') return nullptr;
    return "control";
  }
  return nullptr;
}

// Reads the next character of a line with the line-end rules; returns the
// character, '\n' for the end of the line, EOF at the end of the file. A
// carriage return directly before a line feed and a Ctrl-Z directly before
// the end of the file vanish.
inline int s_nextChar(FILE* f) {
  int c = getc_unlocked(f);
  if (c == '\r') {
    int n = getc_unlocked(f);
    if (n == '\n') return '\n';
    if (n != EOF) ungetc(n, f);
    return '\r';
  }
  if (c == 0x1A) {
    int n = getc_unlocked(f);
    if (n == EOF) return EOF;
    ungetc(n, f);
  }
  return c;
}

// Applies the character rules to c: returns the character to store.
inline int s_checkChar(int c, bool bFull) {
  if (s_bAnyCharacter) return c;
  const char* kind = s_badCharKind(c);
  if (!kind) return c;
  ERRLOG_LineErrorNew(1917, kind, (unsigned)c, bFull ? "" : "  Converting to space.");
  return ' ';
}

bool s_isScale(int c, double* pdScale) {
  switch (c) {
    case 'T': *pdScale = 1e12; return true;
    case 'G': *pdScale = 1e9; return true;
    case 'M': *pdScale = 1e6; return true;
    case 'k': *pdScale = 1e3; return true;
    case 'm': *pdScale = 1e-3; return true;
    case 'u': *pdScale = 1e-6; return true;
    case 'n': *pdScale = 1e-9; return true;
    case 'p': *pdScale = 1e-12; return true;
    case 'f': *pdScale = 1e-15; return true;
    default: return false;
  }
}

// Length of the decimal number at the start of p (sign, digits, point,
// exponent), 0 when there is none.
size_t s_numberLength(const char* p) {
  const char* q = p;
  if (*q == '+' || *q == '-') ++q;
  const char* digits = q;
  while (isdigit((unsigned char)*q)) ++q;
  size_t nInt = (size_t)(q - digits);
  size_t nFrac = 0;
  if (*q == '.') {
    const char* f = q + 1;
    while (isdigit((unsigned char)*f)) ++f;
    nFrac = (size_t)(f - q - 1);
    if (nInt + nFrac > 0) q = f;
  }
  if (nInt + nFrac == 0) return 0;
  if (*q == 'e' || *q == 'E') {
    const char* e = q + 1;
    if (*e == '+' || *e == '-') ++e;
    if (isdigit((unsigned char)*e)) {
      while (isdigit((unsigned char)*e)) ++e;
      q = e;
    }
  }
  return (size_t)(q - p);
}

}  // namespace

extern "C" {

void CMN_AllowAnyCharacter(int iFlag) { s_bAnyCharacter = iFlag != 0; }

void CMN_GetIbsPath(char* pszBuf) {
  if (pszBuf) strcpy(pszBuf, s_szIbsPath);
}

void CMN_SetIbsPath(const char* pszDir) {
  if (!pszDir) pszDir = "";
  strncpy(s_szIbsPath, pszDir, CMN_MAX_FILENAME);
  s_szIbsPath[CMN_MAX_FILENAME] = '\0';
}

int CMN_LastOpenSucceeded(void) { return s_bLastOpenOk; }

int CMN_OpenFile(const char* pszName, int iType, FILE** ppFile, char* pszBase) {
  s_bLastOpenOk = 0;
  if (ppFile) *ppFile = nullptr;
  if (!pszName || !ppFile || iType < 1 || iType > 4) {
    ERRLOG_ErrorNew(1905, "", pszName ? pszName : "");
    return 0;
  }
  const char* slash = strrchr(pszName, '/');
  const char* base = slash ? slash + 1 : pszName;
  if (slash) {
    size_t n = (size_t)(slash - pszName) + 1;
    if (n > CMN_MAX_FILENAME) {
      ERRLOG_ErrorNew(1904);
      return 0;
    }
    memcpy(s_szIbsPath, pszName, n);
    s_szIbsPath[n] = '\0';
  }
  char szBase[CMN_MAX_FILENAME + 8];
  size_t nBase = strlen(base);
  if (nBase > CMN_MAX_FILENAME) {
    ERRLOG_ErrorNew(1904);
    return 0;
  }
  memcpy(szBase, base, nBase + 1);
  const char* dot = strrchr(szBase, '.');
  if (!dot) {
    if (nBase + 4 > CMN_MAX_FILENAME) {
      ERRLOG_ErrorNew(1901);
      return 0;
    }
    strcat(szBase, s_aszExt[iType]);
  } else if (strcasecmp(dot, s_aszExt[iType]) != 0) {
    ERRLOG_ErrorNew(s_aiExtErr[iType]);
    return 0;
  }
  size_t nDir = strlen(s_szIbsPath);
  size_t nName = strlen(szBase);
  if (nDir + nName > CMN_MAX_FILENAME) {
    ERRLOG_ErrorNew(1904);
    return 0;
  }
  char szPath[CMN_MAX_FILENAME + 1];
  memcpy(szPath, s_szIbsPath, nDir);
  memcpy(szPath + nDir, szBase, nName + 1);
  FILE* f = fopen(szPath, "rb");
  // Case retries: the whole path in lower and in upper case, then only the
  // base name (a directory of mixed case stays as given), then only the base
  // name before its extension (NAME.ibs for name.ibs: the extension as
  // written).
  if (!f) {
    const char* dotAt = strrchr(szBase, '.');
    const size_t nStem = dotAt ? (size_t)(dotAt - szBase) : nName;
    for (int pass = 0; pass < 6 && !f; ++pass) {
      char szTry[CMN_MAX_FILENAME + 1];
      strcpy(szTry, szPath);
      char* from = pass < 2 ? szTry : szTry + nDir;
      if (pass >= 4) from[nStem] = '\0';  // case change of the stem only
      if (pass % 2 == 0)
        s_lower(from);
      else
        s_upper(from);
      if (pass >= 4) memcpy(from + nStem, szBase + nStem, nName - nStem + 1);
      f = fopen(szTry, "rb");
      if (f) {
        memcpy(s_szIbsPath, szTry, nDir);
        memcpy(szBase, szTry + nDir, nName + 1);
      }
    }
  }
  if (!f) {
    ERRLOG_ErrorNew(1905, s_szIbsPath, szBase);
    return 0;
  }
  *ppFile = f;
  if (pszBase) strcpy(pszBase, szBase);
  s_bLastOpenOk = 1;
  return 1;
}

char* CMN_GetLine(char* pBuf, int iSize, FILE* pFile) {
  if (!pBuf || iSize < 1 || !pFile) return nullptr;
  int n = 0;
  int c = s_nextChar(pFile);
  if (c == EOF) {
    pBuf[0] = '\0';
    return nullptr;
  }
  const int keep = iSize - 1;
  for (; c != EOF && c != '\n'; c = s_nextChar(pFile)) {
    bool full = n >= keep;
    c = s_checkChar(c, full);
    if (!full) pBuf[n++] = (char)c;
  }
  pBuf[n] = '\0';
  return pBuf;
}

char* CMN_GetInfiniteLine(size_t* puLength, FILE* pFile) {
  if (puLength) *puLength = 0;
  if (!pFile) return nullptr;
  int c = s_nextChar(pFile);
  if (c == EOF) return nullptr;
  size_t n = 0;
  bool bLineFeed = false;
  for (;; c = s_nextChar(pFile)) {
    if (c == EOF) break;
    if (c == '\n') {
      bLineFeed = true;
      break;
    }
    c = s_checkChar(c, false);
    if (n + 2 > s_uLineCap) {
      size_t cap = s_uLineCap ? s_uLineCap * 2 : 256;
      char* p = (char*)realloc(s_pLine, cap);
      if (!p) {
        ERRLOG_ErrorNew(1907, (unsigned)cap);
        return nullptr;
      }
      s_pLine = p;
      s_uLineCap = cap;
    }
    s_pLine[n++] = (char)c;
  }
  if (!s_pLine) {
    s_pLine = (char*)malloc(256);
    if (!s_pLine) {
      ERRLOG_ErrorNew(1906, 256u);
      return nullptr;
    }
    s_uLineCap = 256;
  }
  s_pLine[n] = '\0';
  if (puLength) *puLength = n + (bLineFeed ? 2 : 1);
  return s_pLine;
}

void CMN_ReleaseInfiniteLine(void) {
  free(s_pLine);
  s_pLine = nullptr;
  s_uLineCap = 0;
}

int CMN_ProbeIbisVer(const char* pszName, unsigned long* pulLines, int iType, char* pszVer, size_t uVerSize) {
  if (pulLines) *pulLines = 0;
  if (pszVer && uVerSize) pszVer[0] = '\0';
  FILE* f = nullptr;
  char szBase[CMN_MAX_FILENAME + 1];
  if (!CMN_OpenFile(pszName, iType, &f, szBase)) return 0;
  int iVer = 0;
  unsigned long ulLines = 0;
  char szLine[121];
  for (;;) {
    // Silent read of at most 120 characters; the rest of the line is dropped.
    int c = getc_unlocked(f);
    if (c == EOF) break;
    int n = 0;
    for (; c != EOF && c != '\n'; c = getc_unlocked(f))
      if (n < 120) szLine[n++] = (char)c;
    szLine[n] = '\0';
    ++ulLines;
    const char* p = szLine;
    while (*p && s_isBlank((unsigned char)*p)) ++p;
    if (*p != '[') continue;
    if (strncasecmp(p, "[IBIS Ver]", 10) == 0 || strncasecmp(p, "[IBIS_Ver]", 10) == 0) {
      p += 10;
      while (*p && s_isBlank((unsigned char)*p)) ++p;
      if (*p >= '1' && *p <= '9') iVer = *p - '0';
      // The version text: its digits and periods.
      size_t k = 0;
      while (pszVer && k + 1 < uVerSize && ((p[k] >= '0' && p[k] <= '9') || p[k] == '.')) {
        pszVer[k] = p[k];
        ++k;
      }
      if (pszVer && uVerSize) pszVer[k] = '\0';
    }
    break;
  }
  fclose(f);
  if (pulLines) *pulLines = ulLines;
  return iVer;
}

int CMN_getIbisVer(const char* pszName, unsigned long* pulLines, int iType) {
  const int v = CMN_ProbeIbisVer(pszName, pulLines, iType, nullptr, 0);
  return v <= 5 ? v : 0;
}

int CMN_StrToDbl(const char* pszText, double* pdOut) {
  if (!pszText) return 0;
  size_t n = s_numberLength(pszText);
  if (n == 0) return 0;
  // Convert only the decimal form found, so that the conversion's own wider
  // syntax (hexadecimal, "inf") never reaches past it.
  char buf[512];
  if (n >= sizeof buf) return 0;
  memcpy(buf, pszText, n);
  buf[n] = '\0';
  char* end = nullptr;
  double d = AMITREE_StrToDouble(buf, &end);  // "C" locale, whatever the host set
  if (end != buf + n || !isfinite(d)) return 0;
  if (pdOut) *pdOut = d;
  return pszText[n] ? 2 : 1;
}

int CMN_StrToUI(const char* pszText, unsigned* puOut) {
  if (!pszText || !isdigit((unsigned char)*pszText)) return 0;
  const char* p = pszText;
  unsigned long long v = 0;
  while (isdigit((unsigned char)*p)) {
    v = v * 10 + (unsigned)(*p - '0');
    if (v > UINT_MAX) return 0;
    ++p;
  }
  if (puOut) *puOut = (unsigned)v;
  return *p ? 2 : 1;
}

int CMN_Get_Value(const char* pszText, double* pdOut) {
  if (!pszText) return 0;
  size_t n = s_numberLength(pszText);
  double d = 0.0;
  int r = CMN_StrToDbl(pszText, &d);
  if (r == 0) return 0;
  if (r == 1) {
    if (pdOut) *pdOut = d;
    return 1;
  }
  const char* p = pszText + n;
  double scale = 1.0;
  if (!s_isScale((unsigned char)*p, &scale) && !isalpha((unsigned char)*p)) return 0;
  int result = 1;
  for (const char* q = p + 1; *q; ++q)
    if (isdigit((unsigned char)*q)) {
      result = 2;
      break;
    }
  if (pdOut) *pdOut = d * scale;
  return result;
}

int CMN_Get_ValueOrNA(const char* pszText, double* pdOut, int* piNA) {
  if (piNA) *piNA = 0;
  if (pszText && strcasecmp(pszText, "NA") == 0) {
    if (pdOut) *pdOut = 0.0;
    if (piNA) *piNA = 1;
    return 1;
  }
  return CMN_Get_Value(pszText, pdOut);
}

int CMN_GetColValue(const char* pszText, const char* pszColName, const char* pszValName,
                    double* pdOut, int* piState) {
  if (piState) *piState = 0;
  if (pdOut) *pdOut = 0.0;
  if (!pszText || !*pszText) return 1;
  const char* col = pszColName ? pszColName : "";
  const char* val = pszValName ? pszValName : "";
  int iNA = 0;
  double d = 0.0;
  int r = CMN_Get_ValueOrNA(pszText, &d, &iNA);
  if (r == 0) {
    ERRLOG_LineErrorNew(1909, val, pszText);
    return 0;
  }
  if (iNA) {
    if (piState) *piState = 2;
    return 1;
  }
  if (r == 2) ERRLOG_LineWarnNew(1910, val, col, pszText);
  if (pdOut) *pdOut = d;
  if (piState) *piState = 1;
  return 1;
}

int CMN_ArgParsePlus(const char* pszText, unsigned uiCapacity, char cDelim, CMN_ARGLIST** ppList) {
  if (!ppList) return 0;
  *ppList = nullptr;
  CMN_ARGLIST* pList = (CMN_ARGLIST*)calloc(1, sizeof(CMN_ARGLIST));
  if (!pList) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(CMN_ARGLIST));
    return 0;
  }
  pList->uiCapacity = uiCapacity;
  if (uiCapacity > 0) {
    pList->ppszFields = (char**)calloc(uiCapacity, sizeof(char*));
    if (!pList->ppszFields) {
      ERRLOG_ErrorNew(1906, (unsigned)(uiCapacity * sizeof(char*)));
      free(pList);
      return 0;
    }
  }
  const char* p = pszText ? pszText : "";
  for (;;) {
    while (*p && s_isBlank((unsigned char)*p)) ++p;
    if (!*p) break;
    const char* start = p;
    if (cDelim && *p == cDelim) {
      ++p;
    } else {
      while (*p && !s_isBlank((unsigned char)*p) && !(cDelim && *p == cDelim)) ++p;
    }
    if (pList->uiStored < uiCapacity) {
      size_t n = (size_t)(p - start);
      char* f = (char*)malloc(n + 1);
      if (!f) {
        ERRLOG_ErrorNew(1906, (unsigned)(n + 1));
        CMN_ArgFree(&pList);
        return 0;
      }
      memcpy(f, start, n);
      f[n] = '\0';
      pList->ppszFields[pList->uiStored++] = f;
    }
    ++pList->uiFound;
  }
  *ppList = pList;
  return 1;
}

int CMN_ArgParse(const char* pszText, unsigned uiCapacity, CMN_ARGLIST** ppList) {
  return CMN_ArgParsePlus(pszText, uiCapacity, '\0', ppList);
}

void CMN_ArgFree(CMN_ARGLIST** ppList) {
  if (!ppList || !*ppList) return;
  CMN_ARGLIST* p = *ppList;
  for (unsigned i = 0; i < p->uiStored; ++i) free(p->ppszFields[i]);
  free(p->ppszFields);
  free(p);
  *ppList = nullptr;
}

const char* CMN_ArgGet(const CMN_ARGLIST* pList, unsigned i) {
  if (!pList || i >= pList->uiStored || !pList->ppszFields[i]) return "";
  return pList->ppszFields[i];
}

int CMN_ReservedWord(const char* pszName) {
  static const char* const words[] = {"GND", "NC", "POWER", "CIRCUITCALL", "NA"};
  if (!pszName) return 0;
  for (const char* w : words)
    if (strcasecmp(pszName, w) == 0) return 1;
  return 0;
}

int CMN_ReservedWordErr(const char* pszName) {
  if (!CMN_ReservedWord(pszName)) return 0;
  ERRLOG_LineErrorNew(1916, pszName);
  return 1;
}

void CMN_TestRequiredKeyword(const char* pszName, int iFound) {
  if (iFound) return;
  char szFile[CMN_MAX_FILENAME + 1];
  PARSE_GetFileName(szFile);
  ERRLOG_ErrorNew(1915, pszName ? pszName : "", szFile);
}

void CMN_SetStr(char* pszDst, const char* pszSrc, unsigned uLimit, const char* pszName) {
  if (!pszDst) return;
  const char* src = pszSrc ? pszSrc : "";
  const char* name = pszName ? pszName : "";
  size_t n = strlen(src);
  if (n > uLimit) {
    ERRLOG_LineErrorNew(1912, name, src, uLimit);
    n = uLimit;
  }
  memcpy(pszDst, src, n);
  pszDst[n] = '\0';
  if (n == 0) ERRLOG_LineErrorNew(1913, name);
}

void CMN_SetFilenameStr(char* pszDst, const char* pszSrc, unsigned uLimit, unsigned uKeep,
                        const char* pszName) {
  if (!pszDst) return;
  const char* src = pszSrc ? pszSrc : "";
  const char* name = pszName ? pszName : "";
  size_t n = strlen(src);
  if (n > uLimit) ERRLOG_LineErrorNew(1914, name, src, uLimit);
  if (n > uKeep) n = uKeep;
  memcpy(pszDst, src, n);
  pszDst[n] = '\0';
  if (n == 0) ERRLOG_LineErrorNew(1913, name);
}

void CMN_SetKeywordStr(char* pszDst, const char* pszLine, unsigned uLimit, const char* pszName) {
  const char* p = pszLine ? strchr(pszLine, ']') : nullptr;
  p = p ? p + 1 : "";
  while (*p && s_isBlank((unsigned char)*p)) ++p;
  CMN_SetStr(pszDst, p, uLimit, pszName);
}

}  // extern "C"

// The checker frame: the four driving calls, line classification, keyword
// recognition and dispatch to the receiving modules.
#include "checker/parse.h"

#include <ctype.h>
#include <string.h>

#include "checker/ami.h"
#include "base/cmn.h"
#include "checker/cmpnt.h"
#include "checker/cmpx.h"
#include "checker/ebdmdl.h"
#include "base/errlog.h"
#include "checker/ext.h"
#include "checker/hdr.h"
#include "checker/ibis.h"
#include "checker/icm.h"
#include "checker/idly.h"
#include "checker/mdl.h"
#include "checker/msel.h"
#include "checker/pkgmdl.h"
#include "checker/submdl.h"
#include "checker/testdata.h"
#include "checker/testload.h"
#include "checker/ver.h"

namespace {

// Receiving modules. The order of this table is only for s_ownerOf.
typedef int (*InitFn)(void);
typedef int (*ReceiveFn)(int, int, char*);
typedef int (*FiniFn)(int);

enum {
  MOD_NONE = -1, MOD_HDR, MOD_CMPNT, MOD_EXT, MOD_MDL, MOD_PKG, MOD_EBD, MOD_MSEL, MOD_SUB, MOD_TDATA, MOD_TLOAD,
  MOD_CMPX, MOD_ICM, MOD_IDLY
};

struct Module {
  InitFn init;
  ReceiveFn receive;
  FiniFn fini;
};

const Module s_aModules[] = {
    {HDR_Init, HDR_ReceiveLine, HDR_Fini},
    {CMPNT_Init, CMPNT_ReceiveLine, CMPNT_Fini},
    {EXT_Init, EXT_ReceiveLine, EXT_Fini},
    {MDL_Init, MDL_ReceiveLine, MDL_Fini},
    {PKGMDL_Init, PKGMDL_ReceiveLine, PKGMDL_Fini},
    {EBD_Init, EBD_ReceiveLine, EBD_Fini},
    {MSEL_Init, MSEL_ReceiveLine, MSEL_Fini},
    {SUBMDL_Init, SUBMDL_ReceiveLine, SUBMDL_Fini},
    {TESTDATA_Init, TESTDATA_ReceiveLine, TESTDATA_Fini},
    {TESTLOAD_Init, TESTLOAD_ReceiveLine, TESTLOAD_Fini},
    {CMPX_Init, CMPX_ReceiveLine, CMPX_Fini},
    {ICM_Init, ICM_ReceiveLine, ICM_Fini},
    {IDLY_Init, IDLY_ReceiveLine, IDLY_Fini},
};

int s_ownerOf(int kw) {
  if (kw == KW_IBIS_VER || (kw >= KW_FILE_NAME && kw <= KW_COPYRIGHT)) return MOD_HDR;
  if ((kw >= KW_COMPONENT && kw <= KW_END_CIRCUIT_CALL) || (kw >= KW_BEGIN_EMI_COMPONENT && kw <= KW_PIN_DOMAIN_EMI))
    return MOD_CMPNT;
  if (kw == KW_EXTERNAL_CIRCUIT || kw == KW_END_EXTERNAL_CIRCUIT) return MOD_EXT;
  if (kw >= KW_MODEL && kw <= KW_END_EMI_MODEL) return MOD_MDL;
  if (kw >= KW_DEFINE_PACKAGE_MODEL && kw <= KW_NUMBER_OF_SECTIONS) return MOD_PKG;
  if (kw >= KW_BEGIN_BOARD_DESCRIPTION && kw <= KW_END_BOARD_DESCRIPTION) return MOD_EBD;
  if (kw == KW_MODEL_SELECTOR) return MOD_MSEL;
  if (kw >= KW_SUBMODEL && kw <= KW_SUB_FALLING_WAVEFORM) return MOD_SUB;
  if (kw >= KW_TEST_DATA && kw <= KW_DIFF_FALLING_WAVEFORM_FAR) return MOD_TDATA;
  if (kw == KW_TEST_LOAD) return MOD_TLOAD;
  if (kw >= KW_REPEATER_PIN && kw <= KW_END_INTERCONNECT_MODEL_GROUP) return MOD_CMPX;
  if (kw >= KW_INTERCONNECT_MODEL_SET && kw <= KW_IMS_DESCRIPTION) return MOD_ICM;
  if (kw == KW_INITIAL_DELAY) return MOD_IDLY;
  return MOD_NONE;
}

// Whether a module receives lines in a file of this type and dispatch level.
bool s_moduleTakes(int mod, int fileType, int level) {
  switch (mod) {
    case MOD_HDR: return true;
    case MOD_PKG: return level < 30 || fileType == FILE_TYPE_IBS || fileType == FILE_TYPE_PKG;
    case MOD_EBD: return fileType == FILE_TYPE_EBD;
    case MOD_NONE: return false;
    default: return fileType == FILE_TYPE_IBS;
  }
}

// Frame state.
unsigned long s_ulLineNum = 0;
char s_cCommentChar = '|';
int s_iCurKeyword = KW_NOT_KEY;
int s_iLastKeyword = KW_NOT_KEY;  // last recognised keyword: its module gets Fini
bool s_bIbisVerSeen = false;
bool s_bEndSeen = false;
bool s_bTabSeen = false;
int s_iFileType = FILE_TYPE_IBS;
int s_iFileVersion = 0;
int s_iProbedVersion = 0;  // the version probe's result for the file being read
int s_iLevel = 0;          // the file's level (ver.h) once [IBIS Ver] or the probe set it
bool s_bInSubmodel = false;
bool s_bContinuation = false;
char s_szFileName[CMN_MAX_FILENAME + 1];
bool s_bAnyLineLength = false;
bool s_bNoBanners = false;

// The level whose keyword table reads the file: 2.1, 3.2 and 4.2 for the
// old major numbers, the file's own level from 5.0 on.
int s_dispatchLevel() {
  if (s_iFileVersion <= 2) return VER_ForMajor(2);
  if (s_iFileVersion < 5) return VER_ForMajor(s_iFileVersion);
  return s_iLevel > VER_LEVEL_50 ? s_iLevel : VER_LEVEL_50;
}

// Inside an interconnect model set (its own [Manufacturer] and [Description]).
bool s_inInterconnectSet(int kw) {
  return kw >= KW_INTERCONNECT_MODEL_SET && kw <= KW_IMS_DESCRIPTION && kw != KW_END_INTERCONNECT_MODEL_SET;
}

bool s_isWs(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

void s_trimEnd(char* p) {
  size_t n = strlen(p);
  while (n > 0 && s_isWs((unsigned char)p[n - 1])) p[--n] = '\0';
}

bool s_inRange(int kw, int lo, int hi) { return kw >= lo && kw <= hi; }

// The context rules of keyword recognition.
int s_applyContext(int kw, int iLevel, int iFileType, int iPrev) {
  if (s_inInterconnectSet(iPrev)) {
    if (kw == KW_MANUFACTURER) return KW_IMS_MANUFACTURER;
    if (kw == KW_DESCRIPTION) return KW_IMS_DESCRIPTION;
  }
  if (kw == KW_MANUFACTURER) {
    if (s_inRange(iPrev, KW_DEFINE_PACKAGE_MODEL, KW_DESCRIPTION)) return KW_PKG_MANUFACTURER;
    if (iPrev == KW_BEGIN_BOARD_DESCRIPTION || iPrev == KW_EBD_MANUFACTURER) return KW_EBD_MANUFACTURER;
  }
  if (kw == KW_NUMBER_OF_PINS && iFileType == FILE_TYPE_EBD && iLevel >= 30) return KW_EBD_NUMBER_OF_PINS;
  if (s_bInSubmodel) {
    switch (kw) {
      case KW_PULLDOWN: return KW_SUB_PULLDOWN;
      case KW_PULLUP: return KW_SUB_PULLUP;
      case KW_GND_CLAMP: return KW_SUB_GND_CLAMP;
      case KW_POWER_CLAMP: return KW_SUB_POWER_CLAMP;
      case KW_RAMP: return KW_SUB_RAMP;
      case KW_RISING_WAVEFORM: return KW_SUB_RISING_WAVEFORM;
      case KW_FALLING_WAVEFORM: return KW_SUB_FALLING_WAVEFORM;
      default: break;
    }
  }
  return kw;
}

// [Comment Char] line (text from "["): sets the comment character.
void s_commentChar(const char* pLine) {
  const char* p = strchr(pLine, ']');
  p = p ? p + 1 : pLine + strlen(pLine);
  while (*p && s_isWs((unsigned char)*p)) ++p;
  if (!p[0] || strncmp(p + 1, "_char", 5) != 0) {
    ERRLOG_LineErrorNew(917);
    return;
  }
  char c = p[0];
  if (isalnum((unsigned char)c) || strchr("[]._/=+-", c) || s_isWs((unsigned char)c)) {
    ERRLOG_LineErrorNew(918, c);
  } else {
    s_cCommentChar = c;
  }
  p += 6;
  while (*p && s_isWs((unsigned char)*p)) ++p;
  if (*p && *p != s_cCommentChar) ERRLOG_LineErrorNew(919);
}

// Opens the group of a keyword, unless the keyword is refused for the
// file type (E911/E912/E913).
void s_openGroup(int kw, int iLevel) {
  const bool old = iLevel < 30;  // the 2.1 table
  const int type = s_iFileType;
  int mod = MOD_NONE;
  int refusal = 0;
  switch (kw) {
    case KW_IBIS_VER:
      if (s_bIbisVerSeen) ERRLOG_LineErrorNew(910);
      s_bIbisVerSeen = true;
      HDR_Init();
      return;
    case KW_COMPONENT:
    case KW_MODEL:
      mod = kw == KW_MODEL ? MOD_MDL : MOD_CMPNT;
      refusal = type == FILE_TYPE_PKG ? 911 : type == FILE_TYPE_EBD ? 912 : 0;
      break;
    case KW_DEFINE_PACKAGE_MODEL:
      mod = MOD_PKG;
      refusal = (type == FILE_TYPE_EBD && !old) ? 912 : 0;
      break;
    case KW_EXTERNAL_CIRCUIT:
    case KW_MODEL_SELECTOR:
    case KW_SUBMODEL:
    case KW_TEST_DATA:
    case KW_TEST_LOAD:
    case KW_INTERCONNECT_MODEL_SET:
      if (old) return;
      mod = s_ownerOf(kw);
      refusal = type == FILE_TYPE_PKG ? 911 : type == FILE_TYPE_EBD ? 912 : 0;
      break;
    case KW_BEGIN_BOARD_DESCRIPTION:
      if (old) return;
      mod = MOD_EBD;
      refusal = type == FILE_TYPE_IBS ? 913 : type == FILE_TYPE_PKG ? 911 : 0;
      break;
    default:
      return;
  }
  if (refusal) {
    ERRLOG_LineErrorNew(refusal);
    return;
  }
  s_aModules[mod].init();
}

// One cleaned line, keyword line or data line, through the dispatcher of the
// current file version.
void s_dispatch(int lineType, char* pLine) {
  const int ver = s_dispatchLevel();
  if (lineType == LINE_KEYWORD) {
    if (ver >= 30 && s_bContinuation) {
      ERRLOG_LineErrorNew(909);
      s_bContinuation = false;
    }
    int kw = PARSE_RecogniseKeyword(pLine, ver, s_iFileType, s_iLastKeyword);
    if (kw == KW_NOT_KEY) {
      s_iCurKeyword = KW_NOT_KEY;
      return;
    }
    int prevMod = s_ownerOf(s_iLastKeyword);
    if (prevMod != MOD_NONE && s_moduleTakes(prevMod, s_iFileType, ver)) s_aModules[prevMod].fini(kw);
    s_iCurKeyword = kw;
    s_iLastKeyword = kw;
    s_openGroup(kw, ver);
    if (kw == KW_MODEL) s_bInSubmodel = false;
    if (kw == KW_SUBMODEL) s_bInSubmodel = true;
    if (kw == KW_END) {
      const char* p = strchr(pLine, ']');
      p = p ? p + 1 : "";
      while (*p && s_isWs((unsigned char)*p)) ++p;
      if (*p) ERRLOG_LineErrorNew(920);
      s_bEndSeen = true;
      return;
    }
  } else if (s_iCurKeyword == KW_NOT_KEY) {
    ERRLOG_LineErrorNew(907, pLine);
    return;
  }
  int mod = s_ownerOf(s_iCurKeyword);
  if (mod == MOD_NONE) {
    if (s_iCurKeyword != KW_END) ERRLOG_LineBugNew(908, "parse.cpp", __LINE__);
    return;
  }
  if (!s_moduleTakes(mod, s_iFileType, ver)) return;
  s_aModules[mod].receive(lineType, s_iCurKeyword, pLine);
}

// One raw line of an IBIS-type file.
void s_processLine(char* pLine) {
  size_t len = strlen(pLine);
  // Before [IBIS Ver] sets the version, the probed one gives the limit.
  const int ver = s_iFileVersion ? s_iFileVersion : s_iProbedVersion;
  const int level = ver >= 5 && s_iLevel ? s_iLevel : VER_ForMajor(ver);
  const size_t limit = (size_t)VER_LineMax(level);
  if (len > limit && !s_bAnyLineLength) ERRLOG_LineErrorNew(905, (int)limit);
  if (!s_bTabSeen && memchr(pLine, '\t', len)) {
    ERRLOG_LineWarnNew(921);
    s_bTabSeen = true;
  }
  char* p = pLine;
  while (*p && s_isWs((unsigned char)*p)) ++p;
  if (!*p || *p == s_cCommentChar) return;
  int lineType = LINE_DATA;
  if (*p == '[') {
    if (p == pLine) {
      lineType = LINE_KEYWORD;
    } else if (s_iCurKeyword >= KW_SOURCE && s_iCurKeyword <= KW_COPYRIGHT) {
      lineType = LINE_DATA;
    } else {
      ERRLOG_LineErrorNew(906);
      lineType = LINE_KEYWORD;
    }
  }
  if (s_bEndSeen) {
    ERRLOG_LineErrorNew(902);
    return;
  }
  if (lineType == LINE_KEYWORD &&
      (strncasecmp(p, "[COMMENT_CHAR]", 14) == 0 || strncasecmp(p, "[COMMENT CHAR]", 14) == 0)) {
    s_commentChar(p);
    return;
  }
  char* cut = strchr(pLine, s_cCommentChar);
  if (cut) *cut = '\0';
  s_trimEnd(pLine);
  s_dispatch(lineType, lineType == LINE_KEYWORD ? p : pLine);
}

void s_banner(const char* fmt, const char* path) {
  if (s_bNoBanners) return;
  FILE* out = stdout;
  fprintf(out, fmt, path);
  fflush(out);
}

int s_parseIbis(const char* pszPath, int iType) {
  unsigned long ulLines = 0;
  char szVer[16];
  int ver = CMN_ProbeIbisVer(pszPath, &ulLines, iType, szVer, sizeof szVer);
  // Versions after 5.0 (and unknown newer ones) are read with the frame of
  // 5.0 and the keyword table of their own level.
  const int level = ver >= 5 ? VER_Level(szVer, nullptr) : VER_ForMajor(ver);
  if (ver > 5 && level) ver = 5;
  static const char* const banners[6] = {
      nullptr, nullptr, "\nChecking %s for IBIS 2.1 Compatibility...\n\n",
      "\nChecking %s for IBIS 3.2 Compatibility...\n\n", "\nChecking %s for IBIS 4.2 Compatibility...\n\n",
      "\nChecking %s for IBIS 5.0 Compatibility...\n\n"};
  if (ver < 2 || ver > 5) {
    ERRLOG_ErrorNew(900, pszPath);
    return 0;
  }
  if (level > VER_LEVEL_50) {
    char fmt[96];
    snprintf(fmt, sizeof fmt, "\nChecking %%s for IBIS %s Compatibility...\n\n", VER_Name(level));
    s_banner(fmt, pszPath);
  } else {
    s_banner(banners[ver], pszPath);
  }
  PARSE_BeginFile(iType);
  CMPX_Reset();
  ICM_Reset();
  s_iProbedVersion = ver;
  s_iLevel = ver == 5 ? (level ? level : VER_LEVEL_50) : 0;
  FILE* f = nullptr;
  if (!CMN_OpenFile(pszPath, iType, &f, s_szFileName)) return 0;
  if (!VER_FileNamesMixedCase(s_iLevel) && CMN_AnyUpper(s_szFileName)) ERRLOG_WarnNew(901, s_szFileName);

  // Every line is bounded here, so the scanners' 120-character guard (meant
  // for runaway scans) is lifted while lines are handled.
  const int savedAny = gbAllowAnyLineLength;
  gbAllowAnyLineLength = 1;
  char szLine[PARSE_LINE_MAX + 1];
  for (;;) {
    ++s_ulLineNum;  // counted first, so the reader's messages carry this line
    if (!CMN_GetLine(szLine, sizeof szLine, f)) {
      --s_ulLineNum;
      break;
    }
    s_processLine(szLine);
  }
  if (!s_bEndSeen) {
    ERRLOG_ErrorNew(903);
    char szEnd[] = "[END]";
    s_dispatch(LINE_KEYWORD, szEnd);
  }
  gbAllowAnyLineLength = savedAny;
  fclose(f);
  return 1;
}

}  // namespace

extern "C" {

int INIT(void) { return IBIS_New() ? 1 : 0; }

int PARSE(const char* pszPath, int iType) {
  if (!pszPath || iType < FILE_TYPE_IBS || iType > FILE_TYPE_AMI) {
    ERRLOG_ErrorNew(1905, "", pszPath ? pszPath : "");
    return 0;
  }
  if (iType == FILE_TYPE_AMI) return AMI_ReadFile(pszPath);
  return s_parseIbis(pszPath, iType);
}

int TEST(int iType, int iFlag) {
  const int savedAny = gbAllowAnyLineLength;
  gbAllowAnyLineLength = 1;
  int r = 1;
  switch (iType) {
    case FILE_TYPE_IBS: r = IBIS_Test(); break;
    case FILE_TYPE_AMI: r = AMI_Test(); break;
    case FILE_TYPE_PKG:
    case FILE_TYPE_EBD: r = EBD_Test(iFlag); break;
    default: r = 0; break;
  }
  gbAllowAnyLineLength = savedAny;
  return r;
}

int FINI(void) {
  IBIS_STRUCT* p = IBIS_GetIBIS();
  if (p) IBIS_Free(p);
  AMI_DiscardText();
  ERRLOG_Totals();
  return 1;
}

unsigned long PARSE_GetLineNum(void) { return s_ulLineNum; }

}  // extern "C"

namespace {
// The error log prints the frame's line number with every message; the frame
// registers its counter when it is loaded, so the log needs no upward link.
const bool s_bLineSourceRegistered = (ERRLOG_SetLineSource(PARSE_GetLineNum), true);
}  // namespace

extern "C" {

void PARSE_GetFileName(char* pszBuf) {
  if (pszBuf) strcpy(pszBuf, s_szFileName);
}

void PARSE_GetKeywordStr(int iKeyword, char* pszBuf) {
  if (!pszBuf) return;
  if (iKeyword < 0 || iKeyword >= KW_NOT_KEY || VER_KeywordIntroduced(iKeyword) != 21) {
    bool doubled = iKeyword >= 0 && iKeyword < KW_NOT_KEY && iKeyword == KW_PKG_MANUFACTURER;
    if (!doubled) {
      ERRLOG_BugNew(904);
      strcpy(pszBuf, "Unknown enumerated keyword code");
      return;
    }
  }
  strncpy(pszBuf, VER_KeywordName(iKeyword), 117);
  pszBuf[117] = '\0';
}

const char* PARSE_KeywordName(int iKeyword) { return VER_KeywordName(iKeyword); }

void PARSE_AllowAnyLineLength(int iFlag) {
  s_bAnyLineLength = iFlag != 0;
  gbAllowAnyLineLength = iFlag != 0;
}
void PARSE_SuppressBanners(int iFlag) { s_bNoBanners = iFlag != 0; }
int PARSE_BannersSuppressed(void) { return s_bNoBanners ? 1 : 0; }

int PARSE_GetFileType(void) { return s_iFileType; }
int PARSE_GetFileVersion(void) { return s_iFileVersion; }
void PARSE_SetFileVersion(int iVersion) { s_iFileVersion = iVersion; }
int PARSE_GetIbisLevel(void) {
  if (s_iFileVersion == 0 && s_iProbedVersion == 0) return 0;
  const int ver = s_iFileVersion ? s_iFileVersion : s_iProbedVersion;
  return ver >= 5 && s_iLevel ? s_iLevel : VER_ForMajor(ver < 2 ? 2 : ver);
}
void PARSE_SetIbisLevel(int iLevel) { s_iLevel = iLevel; }
int PARSE_GetRuleLevel(void) { return s_dispatchLevel(); }
int PARSE_GetCurKeyword(void) { return s_iCurKeyword; }
int PARSE_InSubmodel(void) { return s_bInSubmodel ? 1 : 0; }
void PARSE_SetContinuation(int iFlag) { s_bContinuation = iFlag != 0; }
int PARSE_GetContinuation(void) { return s_bContinuation ? 1 : 0; }

void PARSE_BeginFile(int iType) {
  s_ulLineNum = 0;
  s_cCommentChar = '|';
  s_iCurKeyword = KW_NOT_KEY;
  s_iLastKeyword = KW_NOT_KEY;
  s_bIbisVerSeen = false;
  s_bEndSeen = false;
  s_bTabSeen = false;
  s_iFileType = iType;
  s_iFileVersion = 0;
  s_iProbedVersion = 0;
  s_iLevel = 0;
  s_bInSubmodel = false;
  s_bContinuation = false;
  s_szFileName[0] = '\0';
}

void PARSE_SetFileName(const char* pszName) {
  strncpy(s_szFileName, pszName ? pszName : "", CMN_MAX_FILENAME);
  s_szFileName[CMN_MAX_FILENAME] = '\0';
}

void PARSE_SetLineNum(unsigned long ulLine) { s_ulLineNum = ulLine; }

void PARSE_SaveState(PARSE_STATE* s) {
  if (!s) return;
  s->ulLineNum = s_ulLineNum;
  s->cCommentChar = s_cCommentChar;
  s->iCurKeyword = s_iCurKeyword;
  s->iLastKeyword = s_iLastKeyword;
  s->bIbisVerSeen = s_bIbisVerSeen;
  s->bEndSeen = s_bEndSeen;
  s->bTabSeen = s_bTabSeen;
  s->iFileType = s_iFileType;
  s->iFileVersion = s_iFileVersion;
  s->iProbedVersion = s_iProbedVersion;
  s->iLevel = s_iLevel;
  s->bInSubmodel = s_bInSubmodel;
  s->bContinuation = s_bContinuation;
  memcpy(s->szFileName, s_szFileName, sizeof s->szFileName);
  CMN_GetIbsPath(s->szIbsPath);
}

void PARSE_RestoreState(const PARSE_STATE* s) {
  if (!s) return;
  s_ulLineNum = s->ulLineNum;
  s_cCommentChar = s->cCommentChar;
  s_iCurKeyword = s->iCurKeyword;
  s_iLastKeyword = s->iLastKeyword;
  s_bIbisVerSeen = s->bIbisVerSeen;
  s_bEndSeen = s->bEndSeen;
  s_bTabSeen = s->bTabSeen;
  s_iFileType = s->iFileType;
  s_iFileVersion = s->iFileVersion;
  s_iProbedVersion = s->iProbedVersion;
  s_iLevel = s->iLevel;
  s_bInSubmodel = s->bInSubmodel;
  s_bContinuation = s->bContinuation;
  memcpy(s_szFileName, s->szFileName, sizeof s_szFileName);
  CMN_SetIbsPath(s->szIbsPath);
}

int PARSE_RecogniseKeyword(char* pszLine, int iVersion, int iFileType, int iPrevKeyword) {
  const char* open = pszLine ? strchr(pszLine, '[') : nullptr;
  if (!open) {
    ERRLOG_LineErrorNew(914);
    return KW_NOT_KEY;
  }
  const char* close = strchr(open + 1, ']');
  if (!close) {
    ERRLOG_LineErrorNew(914);
    return KW_NOT_KEY;
  }
  size_t n = (size_t)(close - open - 1);
  if (n == 0 || n > 117) {
    ERRLOG_LineErrorNew(915);
    return KW_NOT_KEY;
  }
  char szKey[118];
  memcpy(szKey, open + 1, n);
  szKey[n] = '\0';
  for (char* q = szKey; *q; ++q)
    if (*q == ' ') *q = '_';
  // A major number 1..5 reads the table of its old group; a level is used
  // as it is.
  int level = iVersion;
  if (level < 10) level = VER_ForMajor(level < 2 ? 2 : level > 5 ? 5 : level);
  for (int kw = 0; kw < KW_NOT_KEY; ++kw) {
    if (!VER_KeywordAllowed(kw, level)) continue;
    if (strcasecmp(VER_KeywordName(kw), szKey) == 0) return s_applyContext(kw, level, iFileType, iPrevKeyword);
  }
  ERRLOG_LineErrorNew(916, szKey);
  return KW_NOT_KEY;
}

}  // extern "C"

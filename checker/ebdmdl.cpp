// Board descriptions: records of the boards of an .ebd file, their rules
// while they are read and when each ends, and the nested checks of the files
// their maps name.
#include "checker/ebdmdl.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/pkgmdl.h"
#include "checker/rlcsec.h"

namespace {

const unsigned kNameLimit = 40;
const RLCSEC_CODES kSectionCodes = {4319, 4320, 4321, 4322, 4323, 4324, 4325};
const char* const kKeywordName[7] = {"Begin Board Description", "Manufacturer", "Number Of Pins", "Pin List",
                                     "Path Description", "Reference Designator Map", "End Board Description"};

EBD_STRUCT* s_pCur = nullptr;
int s_iKeyword = KW_NOT_KEY;

// The path being read.
RLCSEC_STATE s_sec;
bool s_bPath = false;         // a [Path Description] is open
bool s_bPathPin = false;      // its Pin line was read
bool s_bPathLate = false;     // a line came before its Pin line (reported)
unsigned s_uPathNodes = 0;
char s_szPath[EBD_NAME_MAX + 1];

// Base names of the board files whose nested checks are running, outermost
// first.
char s_aszChain[EBD_MAX_DEPTH + 1][CMN_MAX_FILENAME + 1];
int s_iDepth = 0;

const char* s_kwName(int kw) {
  return kw >= KW_BEGIN_BOARD_DESCRIPTION && kw <= KW_END_BOARD_DESCRIPTION
             ? kKeywordName[kw - KW_BEGIN_BOARD_DESCRIPTION]
             : "?";
}

void s_copy(char* dst, const char* src) {
  strncpy(dst, src ? src : "", EBD_NAME_MAX);
  dst[EBD_NAME_MAX] = '\0';
}

// Grows an array of n used elements to hold one more.
template <typename T>
bool s_grow(T** pp, unsigned* pCap, unsigned n) {
  if (n < *pCap) return true;
  const unsigned cap = *pCap ? 2 * *pCap : 32;
  T* grown = (T*)realloc(*pp, sizeof(T) * cap);
  if (!grown) {
    ERRLOG_ErrorNew(1907, (unsigned)(sizeof(T) * cap));
    return false;
  }
  *pp = grown;
  *pCap = cap;
  return true;
}

bool s_isSupply(const char* signal) {
  return CMN_StrSameIC(signal, "POWER") || CMN_StrSameIC(signal, "GND") || CMN_StrSameIC(signal, "NC");
}

long s_findPin(const EBD_STRUCT* b, const char* name) {
  for (unsigned i = 0; i < b->uPins; ++i)
    if (strcmp(b->pPins[i].pszName, name) == 0) return (long)i;
  return -1;
}

void s_addRefDes(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pLine, 3, &args)) return;
  if (args->uiFound != 3) {
    ERRLOG_LineErrorNew(4326, (int)args->uiFound);
  } else {
    for (const EBD_REFDES* e = s_pCur->pRefDes; e; e = e->pNext)
      if (strcmp(e->szRefDes, CMN_ArgGet(args, 0)) == 0) {
        ERRLOG_LineErrorNew(4327, CMN_ArgGet(args, 0), s_pCur->szName);
        break;
      }
    const char* file = CMN_ArgGet(args, 1);
    const char* dot = strrchr(file, '.');
    if (!dot || (strcasecmp(dot, ".ibs") != 0 && strcasecmp(dot, ".ebd") != 0))
      ERRLOG_LineErrorNew(4328, file, CMN_ArgGet(args, 0));
  }
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

void s_pinRow(EBD_STRUCT* b, const char* line) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(line, 2, &args)) return;
  if (args->uiFound != 2) {
    ERRLOG_LineErrorNew(4307, (int)args->uiFound);
  } else if (s_findPin(b, CMN_ArgGet(args, 0)) >= 0) {
    ERRLOG_LineErrorNew(4308, CMN_ArgGet(args, 0), b->szName);
  } else if (s_grow(&b->pPins, &b->uPinCapacity, b->uPins)) {
    EBD_PIN& p = b->pPins[b->uPins];
    p.pszName = CMN_StrMake(CMN_ArgGet(args, 0));
    p.pszSignal = CMN_StrMake(CMN_ArgGet(args, 1));
    p.uPaths = 0;
    if (p.pszName && p.pszSignal) {
      ++b->uPins;
    } else {
      free(p.pszName);
      free(p.pszSignal);
    }
  }
  CMN_ArgFree(&args);
}

void s_endPath(void) {
  if (!s_bPath) return;
  s_bPath = false;
  RLCSEC_End(&s_sec);
  if (s_bPathPin && s_uPathNodes == 0) ERRLOG_WarnNew(4333, s_szPath);
}

void s_beginPath(EBD_STRUCT* b, const char* line) {
  s_endPath();
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(strchr(line, ']') ? strchr(line, ']') + 1 : "", 1, &args)) return;
  const char* name = CMN_ArgGet(args, 0);
  if (!*name) ERRLOG_LineErrorNew(4309);
  for (unsigned i = 0; i < b->uPaths && *name; ++i)
    if (strcmp(b->ppszPaths[i], name) == 0) {
      ERRLOG_LineErrorNew(4310, name, b->szName);
      break;
    }
  if (*name && s_grow(&b->ppszPaths, &b->uPathCapacity, b->uPaths)) {
    char* copy = CMN_StrMake(name);
    if (copy) b->ppszPaths[b->uPaths++] = copy;
  }
  s_copy(s_szPath, name);
  char owner[sizeof s_sec.szOwner];
  snprintf(owner, sizeof owner, "Path Description '%.40s'", name);
  RLCSEC_Begin(&s_sec, &kSectionCodes, owner);
  s_bPath = true;
  s_bPathPin = false;
  s_bPathLate = false;
  s_uPathNodes = 0;
  CMN_ArgFree(&args);
}

void s_node(EBD_STRUCT* b, const CMN_ARGLIST* args) {
  if (args->uiFound != 2) {
    ERRLOG_LineErrorNew(4316, (int)args->uiFound - 1);
    return;
  }
  const char* node = CMN_ArgGet(args, 1);
  const char* dot = strchr(node, '.');
  if (!dot || dot == node || !dot[1]) {
    ERRLOG_LineErrorNew(3600, node);
    return;
  }
  ++s_uPathNodes;
  if (!s_grow(&b->pNodes, &b->uNodeCapacity, b->uNodes)) return;
  EBD_NODE& n = b->pNodes[b->uNodes];
  n.pszRefDes = CMN_StrMakeN(node, (unsigned)(dot - node));
  n.pszPath = CMN_StrMake(s_szPath);
  n.ulLine = PARSE_GetLineNum();
  if (n.pszRefDes && n.pszPath) {
    ++b->uNodes;
  } else {
    free(n.pszRefDes);
    free(n.pszPath);
  }
}

void s_pathLine(EBD_STRUCT* b, const char* line) {
  if (!s_bPath) return;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(line, 2, &args)) return;
  const char* first = CMN_ArgGet(args, 0);
  if (CMN_StrSameIC(first, "Pin")) {
    if (s_bPathPin) {
      ERRLOG_LineErrorNew(4312, s_szPath);
    } else if (args->uiFound != 2) {
      ERRLOG_LineErrorNew(4313, (int)args->uiFound - 1);
      s_bPathPin = true;
    } else {
      s_bPathPin = true;
      const long i = s_findPin(b, CMN_ArgGet(args, 1));
      if (i < 0)
        ERRLOG_LineErrorNew(4314, CMN_ArgGet(args, 1), s_szPath);
      else if (++b->pPins[i].uPaths == 2)
        ERRLOG_LineErrorNew(4315, CMN_ArgGet(args, 1), s_szPath);
    }
  } else {
    if (!s_bPathPin && !s_bPathLate) {
      ERRLOG_LineErrorNew(4311, s_szPath);
      s_bPathLate = true;  // reported once per path
    }
    if (CMN_StrSameIC(first, "Node"))
      s_node(b, args);
    else
      RLCSEC_ParseText(&s_sec, line);
  }
  CMN_ArgFree(&args);
}

int s_cmpStr(const void* a, const void* b) { return strcmp(*(const char* const*)a, *(const char* const*)b); }

// The checks of a whole board, when it ends.
void s_finishBoard(EBD_STRUCT* b) {
  s_endPath();
  static const int kRequired[] = {KW_EBD_MANUFACTURER, KW_EBD_NUMBER_OF_PINS, KW_PIN_LIST,
                                  KW_REFERENCE_DESIGNATOR_MAP, KW_END_BOARD_DESCRIPTION};
  for (int kw : kRequired)
    if (!b->abSeen[kw - KW_BEGIN_BOARD_DESCRIPTION]) ERRLOG_ErrorNew(4303, s_kwName(kw), b->szName);
  if (b->uNumberOfPins && b->abSeen[KW_PIN_LIST - KW_BEGIN_BOARD_DESCRIPTION] && b->uNumberOfPins != b->uPins)
    ERRLOG_ErrorNew(4305, b->szName, b->uNumberOfPins, b->uPins);
  for (unsigned i = 0; i < b->uPins; ++i)
    if (!b->pPins[i].uPaths && !s_isSupply(b->pPins[i].pszSignal))
      ERRLOG_ErrorNew(4318, b->pPins[i].pszName, b->pPins[i].pszSignal, b->szName);
  // Nodes against the map, by a sorted list of its designators.
  unsigned n = 0;
  for (const EBD_REFDES* e = b->pRefDes; e; e = e->pNext) ++n;
  const char** names = n ? (const char**)malloc(sizeof(char*) * n) : nullptr;
  if (n && !names) {
    ERRLOG_ErrorNew(1906, (unsigned)(sizeof(char*) * n));
    return;
  }
  unsigned k = 0;
  for (const EBD_REFDES* e = b->pRefDes; e; e = e->pNext) names[k++] = e->szRefDes;
  if (n) qsort(names, n, sizeof(char*), s_cmpStr);
  for (unsigned i = 0; i < b->uNodes; ++i) {
    const char* key = b->pNodes[i].pszRefDes;
    if (!n || !bsearch(&key, names, n, sizeof(char*), s_cmpStr))
      ERRLOG_ErrorNew(4317, key, b->pNodes[i].pszPath, b->pNodes[i].ulLine, b->szName);
  }
  free(names);
}

void s_finishCurrent(void) {
  if (!s_pCur) return;
  EBD_STRUCT* b = s_pCur;
  s_pCur = nullptr;
  s_finishBoard(b);
  s_iKeyword = KW_NOT_KEY;
}

void s_keyword(EBD_STRUCT* b, int kw, const char* line) {
  const int slot = kw - KW_BEGIN_BOARD_DESCRIPTION;
  if (kw != KW_PATH_DESCRIPTION) s_endPath();
  if (kw != KW_PATH_DESCRIPTION && b->abSeen[slot]) {
    ERRLOG_LineErrorNew(4302, s_kwName(kw), b->szName);
    return;
  }
  b->abSeen[slot] = 1;
  const char* close = strchr(line, ']');
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(close ? close + 1 : "", 2, &args)) return;
  switch (kw) {
    case KW_BEGIN_BOARD_DESCRIPTION: {
      const char* name = CMN_ArgGet(args, 0);
      if (!*name) {
        ERRLOG_LineErrorNew(4300);
      } else {
        s_copy(b->szName, name);
        if (strlen(name) > kNameLimit) ERRLOG_LineErrorNew(4301, name, kNameLimit);
        CMN_ReservedWordErr(name);
      }
      break;
    }
    case KW_EBD_NUMBER_OF_PINS: {
      unsigned n = 0;
      if (args->uiFound != 1 || CMN_StrToUI(CMN_ArgGet(args, 0), &n) != 1 || n == 0)
        ERRLOG_LineErrorNew(4304, CMN_ArgGet(args, 0));
      else
        b->uNumberOfPins = n;
      break;
    }
    case KW_PIN_LIST:
      if (args->uiFound != 1 || !CMN_StrSameIC(CMN_ArgGet(args, 0), "signal_name")) ERRLOG_LineErrorNew(4306);
      break;
    case KW_PATH_DESCRIPTION: s_beginPath(b, line); break;
    case KW_END_BOARD_DESCRIPTION:
      b->bEndSeen = 1;
      CMN_ArgFree(&args);
      s_finishCurrent();
      return;
    default: break;
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
  s_finishCurrent();
  EBD_STRUCT* p = (EBD_STRUCT*)calloc(1, sizeof(EBD_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(EBD_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddEbdMdl(p);
  s_pCur = p;
  s_bPath = false;
  return 1;
}

int EBD_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 1;
  if (!s_pCur) {
    if (iLineType == LINE_KEYWORD)
      ERRLOG_LineErrorNew(4330, s_kwName(iKeyword));
    else
      ERRLOG_LineErrorNew(4331);
    return 1;
  }
  EBD_STRUCT* b = s_pCur;
  if (iLineType == LINE_KEYWORD) {
    s_keyword(b, iKeyword, pszLine);
    if (s_pCur) s_iKeyword = iKeyword;
    return 1;
  }
  switch (s_iKeyword) {
    case KW_PIN_LIST:
      ++b->ulPinListRows;
      s_pinRow(b, pszLine);
      break;
    case KW_PATH_DESCRIPTION: s_pathLine(b, pszLine); break;
    case KW_REFERENCE_DESIGNATOR_MAP:
      ++b->ulRefDesEntries;
      s_addRefDes(pszLine);
      break;
    case KW_NOT_KEY: break;
    default: ERRLOG_LineErrorNew(4329, s_kwName(s_iKeyword)); break;
  }
  return 1;
}

int EBD_Fini(int iNewKeyword) {
  const bool goesOn = iNewKeyword > KW_BEGIN_BOARD_DESCRIPTION && iNewKeyword <= KW_END_BOARD_DESCRIPTION;
  if (!goesOn) s_finishCurrent();
  return 1;
}

void EBD_FreeList(EBD_STRUCT* pHead) {
  while (pHead) {
    EBD_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) {
      s_pCur = nullptr;
      s_bPath = false;
    }
    EBD_REFDES* e = pHead->pRefDes;
    while (e) {
      EBD_REFDES* n = e->pNext;
      free(e);
      e = n;
    }
    for (unsigned i = 0; i < pHead->uPins; ++i) {
      free(pHead->pPins[i].pszName);
      free(pHead->pPins[i].pszSignal);
    }
    free(pHead->pPins);
    for (unsigned i = 0; i < pHead->uNodes; ++i) {
      free(pHead->pNodes[i].pszRefDes);
      free(pHead->pNodes[i].pszPath);
    }
    free(pHead->pNodes);
    for (unsigned i = 0; i < pHead->uPaths; ++i) free(pHead->ppszPaths[i]);
    free(pHead->ppszPaths);
    free(pHead);
    pHead = next;
  }
}

int EBD_Test(int iFlag) {
  IBIS_STRUCT* pIbis = IBIS_GetIBIS();
  if (!pIbis) return 0;
  s_finishCurrent();
  char caller[CMN_MAX_FILENAME + 1];
  PARSE_GetFileName(caller);
  if (PARSE_GetFileType() == FILE_TYPE_PKG) {
    if (!pIbis->pPkgMdls) ERRLOG_ErrorNew(3416, caller);
    PKGMDL_Test(pIbis->pPkgMdls);
  }
  if (PARSE_GetFileType() == FILE_TYPE_EBD && !pIbis->pEbdMdls) ERRLOG_ErrorNew(4332, caller);
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

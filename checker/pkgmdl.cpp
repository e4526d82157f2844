// Package models: records, their rules while they are read, the matrix
// checks when a matrix ends, and the search of a directory's .pkg files.
#include "checker/pkgmdl.h"

#include <ctype.h>
#include <dirent.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <vector>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/rlcsec.h"

namespace {

// The name limit of [Package Model] in a component, which the name must fit.
const unsigned kNameLimit = 40;

// Plausible sizes of a package, as the [Package] range checks use them:
// R in ohms, L in henries, C in farads, with the display scale and unit.
const double kLimit[3] = {50.0, 1e-6, 1e-9};
const double kScale[3] = {1.0, 1e9, 1e12};
const char* const kUnit[3] = {" Ohms", "nH", "pF"};
const char* const kMatrixName[3] = {"Resistance", "Inductance", "Capacitance"};

const RLCSEC_CODES kSectionCodes = {3000, 3001, 3002, 3003, 3004, 3005, 3006};

PKGMDL_STRUCT* s_pCur = nullptr;
int s_iKeyword = KW_NOT_KEY;
bool s_bRefused = false;  // the last keyword line was refused as a repeat
RLCSEC_STATE s_sec;
bool s_bSecActive = false;  // s_sec describes the last pin of [Pin Numbers]

// Keyword display names for messages, by number - KW_DEFINE_PACKAGE_MODEL.
const char* const kKeywordName[15] = {"Define Package Model", "Manufacturer", "OEM", "Description",
                                      "Number Of Pins", "Pin Numbers", "Model Data", "Resistance Matrix",
                                      "Inductance Matrix", "Capacitance Matrix", "Bandwidth", "Row",
                                      "End Model Data", "End Package Model", "Number Of Sections"};

const char* s_kwName(int kw) {
  return kw >= KW_DEFINE_PACKAGE_MODEL && kw <= KW_NUMBER_OF_SECTIONS ? kKeywordName[kw - KW_DEFINE_PACKAGE_MODEL]
                                                                       : "?";
}

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

// How many times the file defines the package model.
int s_fileDefines(const char* path, const char* pszName) {
  FILE* f = fopen(path, "rb");
  if (!f) return 0;
  char line[PARSE_LINE_MAX + 1];
  int found = 0;
  while (fgets(line, sizeof line, f)) {
    if (s_definesModel(line, pszName)) ++found;
    // Drop the rest of an over-long line.
    if (!strchr(line, '\n'))
      for (int c = getc(f); c != EOF && c != '\n'; c = getc(f)) {
      }
  }
  fclose(f);
  return found;
}

// --- pins --------------------------------------------------------------------

void s_rebuildIndex(PKGMDL_STRUCT* p) {
  if (p->uSorted == p->uPinNumbers && (p->puSorted || !p->uPinNumbers)) return;
  free(p->puSorted);
  p->puSorted = nullptr;
  p->uSorted = 0;
  if (!p->uPinNumbers) return;
  p->puSorted = (unsigned*)malloc(sizeof(unsigned) * p->uPinNumbers);
  if (!p->puSorted) {
    ERRLOG_ErrorNew(1906, (unsigned)(sizeof(unsigned) * p->uPinNumbers));
    return;
  }
  for (unsigned i = 0; i < p->uPinNumbers; ++i) p->puSorted[i] = i;
  char** names = p->ppszPins;
  std::sort(p->puSorted, p->puSorted + p->uPinNumbers, [names](unsigned a, unsigned b) {
    const int c = strcmp(names[a], names[b]);
    return c < 0 || (c == 0 && a < b);
  });
  p->uSorted = p->uPinNumbers;
}

long s_pinIndex(PKGMDL_STRUCT* p, const char* name) {
  s_rebuildIndex(p);
  if (!p->puSorted) return -1;
  unsigned lo = 0, hi = p->uSorted;
  while (lo < hi) {
    const unsigned mid = lo + (hi - lo) / 2;
    const int c = strcmp(p->ppszPins[p->puSorted[mid]], name);
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo < p->uSorted && strcmp(p->ppszPins[p->puSorted[lo]], name) == 0) return (long)p->puSorted[lo];
  return -1;
}

bool s_addPin(PKGMDL_STRUCT* p, const char* name) {
  if (p->uPinNumbers == p->uPinCapacity) {
    const unsigned cap = p->uPinCapacity ? 2 * p->uPinCapacity : 64;
    char** grown = (char**)realloc(p->ppszPins, sizeof(char*) * cap);
    if (!grown) {
      ERRLOG_ErrorNew(1907, (unsigned)(sizeof(char*) * cap));
      return false;
    }
    p->ppszPins = grown;
    p->uPinCapacity = cap;
  }
  char* copy = CMN_StrMake(name);
  if (!copy) return false;
  p->ppszPins[p->uPinNumbers++] = copy;
  return true;
}

const char* s_pinName(const PKGMDL_STRUCT* p, unsigned i) { return i < p->uPinNumbers ? p->ppszPins[i] : "?"; }

// The end of the section data of the last pin read.
void s_endPinSections(PKGMDL_STRUCT* p) {
  if (!s_bSecActive) return;
  s_bSecActive = false;
  RLCSEC_End(&s_sec);
  if (s_sec.uSections == 0) return;
  ++p->uPinsWithSections;
  if (p->uNumberOfSections && s_sec.uSections > p->uNumberOfSections)
    ERRLOG_ErrorNew(3007, s_sec.szOwner, s_sec.uSections, p->uNumberOfSections);
  static const char* const kTotal[3] = {"L", "R", "C"};
  static const int kOrder[3] = {RLCSEC_R, RLCSEC_L, RLCSEC_C};  // R, L, C as the limits
  for (int k = 0; k < 3; ++k) {
    const int t = kOrder[k];
    if (s_sec.adTotal[t] > kLimit[k])
      ERRLOG_WarnNew(3008, s_sec.szOwner, kTotal[t], s_sec.adTotal[t] * kScale[k], kUnit[k], kLimit[k] * kScale[k],
                     kUnit[k]);
  }
}

// One data line of [Pin Numbers]: a pin name, optionally followed by section
// data, or section data continuing the last pin.
void s_pinLine(PKGMDL_STRUCT* p, const char* line) {
  const char* q = line;
  while (*q && s_isWs((unsigned char)*q)) ++q;
  if (RLCSEC_IsSectionText(q)) {
    if (!s_bSecActive) {
      ERRLOG_LineErrorNew(3009, p->szName);
      return;
    }
    RLCSEC_ParseText(&s_sec, q);
    return;
  }
  s_endPinSections(p);
  const char* e = q;
  while (*e && !s_isWs((unsigned char)*e)) ++e;
  char name[PKGMDL_NAME_MAX + 1];
  const size_t len = std::min((size_t)(e - q), sizeof name - 1);
  memcpy(name, q, len);
  name[len] = '\0';
  if (s_pinIndex(p, name) >= 0) {
    ERRLOG_LineErrorNew(3407, name, p->szName);
  } else if (!s_addPin(p, name)) {
    return;
  }
  char owner[sizeof s_sec.szOwner];
  snprintf(owner, sizeof owner, "Package Model '%.40s', Pin '%.20s'", p->szName, name);
  RLCSEC_Begin(&s_sec, &kSectionCodes, owner);
  s_bSecActive = true;
  while (*e && s_isWs((unsigned char)*e)) ++e;
  if (*e) RLCSEC_ParseText(&s_sec, e);
}

// --- matrices ----------------------------------------------------------------

// Entries the open row of a Full_matrix or Banded_matrix must hold.
unsigned s_expectedCount(const PKGMDL_STRUCT* p, const PKGMDL_MATRIX* m) {
  const unsigned n = p->uPinNumbers;
  const unsigned r = (unsigned)m->lCurRow;
  const unsigned left = n - r;
  if (m->iForm == PKGMDL_FORM_BANDED) return m->uBandwidth >= left ? left : m->uBandwidth + 1;
  return left;
}

bool s_addEntry(PKGMDL_MATRIX* m, unsigned row, unsigned col, double v) {
  if (m->nEntries == m->nCapacity) {
    const size_t cap = m->nCapacity ? 2 * m->nCapacity : 256;
    PKGMDL_ENTRY* grown = (PKGMDL_ENTRY*)realloc(m->pEntries, sizeof(PKGMDL_ENTRY) * cap);
    if (!grown) {
      ERRLOG_ErrorNew(1907, (unsigned)(sizeof(PKGMDL_ENTRY) * cap));
      return false;
    }
    m->pEntries = grown;
    m->nCapacity = cap;
  }
  PKGMDL_ENTRY& e = m->pEntries[m->nEntries++];
  e.uRow = row;
  e.uCol = col;
  e.dValue = v;
  e.ulLine = PARSE_GetLineNum();
  return true;
}

void s_finishRow(PKGMDL_STRUCT* p, int k) {
  PKGMDL_MATRIX* m = &p->aMatrix[k];
  if (m->lCurRow < 0) return;
  if (m->iForm != PKGMDL_FORM_SPARSE) {
    const unsigned want = s_expectedCount(p, m);
    if (m->uCurCount < want)
      ERRLOG_ErrorNew(3105, s_pinName(p, (unsigned)m->lCurRow), kMatrixName[k], p->szName, m->uCurCount, want);
  }
  m->lCurRow = -1;
  m->uCurCount = 0;
}

bool s_entryLess(const PKGMDL_ENTRY& a, const PKGMDL_ENTRY& b) {
  return a.uRow < b.uRow || (a.uRow == b.uRow && (a.uCol < b.uCol || (a.uCol == b.uCol && a.ulLine < b.ulLine)));
}

const PKGMDL_ENTRY* s_findEntry(const PKGMDL_MATRIX* m, unsigned row, unsigned col) {
  PKGMDL_ENTRY key = {row, col, 0.0, 0};
  const PKGMDL_ENTRY* end = m->pEntries + m->nEntries;
  const PKGMDL_ENTRY* it = std::lower_bound((const PKGMDL_ENTRY*)m->pEntries, end, key, s_entryLess);
  return it != end && it->uRow == row && it->uCol == col ? it : nullptr;
}

// The checks of a whole matrix, when it ends; its entries are freed after.
void s_finishMatrix(PKGMDL_STRUCT* p, int k) {
  PKGMDL_MATRIX* m = &p->aMatrix[k];
  if (m->iForm == PKGMDL_FORM_NONE) return;
  s_finishRow(p, k);
  const char* kind = kMatrixName[k];
  const unsigned n = p->uPinNumbers;
  if (m->iForm == PKGMDL_FORM_BANDED && !m->bBandwidthSeen) ERRLOG_ErrorNew(3706, kind, p->szName);
  for (unsigned i = 0; i < n; ++i)
    if (i >= m->uRowSeenSize || !m->pRowSeen[i]) ERRLOG_ErrorNew(3112, s_pinName(p, i), kind, p->szName);
  std::sort(m->pEntries, m->pEntries + m->nEntries, s_entryLess);
  double* diag = n ? (double*)calloc(n, sizeof(double)) : nullptr;
  double* coupling = n ? (double*)calloc(n, sizeof(double)) : nullptr;
  unsigned char* hasDiag = n ? (unsigned char*)calloc(n, 1) : nullptr;
  if (n && (!diag || !coupling || !hasDiag)) {
    ERRLOG_ErrorNew(1906, (unsigned)(n * sizeof(double)));
  } else {
    for (size_t i = 0; i < m->nEntries; ++i) {
      const PKGMDL_ENTRY& e = m->pEntries[i];
      if (i > 0 && m->pEntries[i - 1].uRow == e.uRow && m->pEntries[i - 1].uCol == e.uCol) {
        ERRLOG_ErrorNew(3109, s_pinName(p, e.uCol), s_pinName(p, e.uRow), kind, p->szName);
        continue;
      }
      if (e.uRow == e.uCol) {
        diag[e.uRow] = e.dValue;
        hasDiag[e.uRow] = 1;
        continue;
      }
      if (e.uCol < e.uRow) {
        // Left of the diagonal (already reported): compare with the mirror.
        const PKGMDL_ENTRY* mirror = s_findEntry(m, e.uCol, e.uRow);
        if (mirror && mirror->dValue != e.dValue)
          ERRLOG_ErrorNew(3113, kind, p->szName, s_pinName(p, e.uRow), s_pinName(p, e.uCol), e.dValue,
                          s_pinName(p, e.uCol), s_pinName(p, e.uRow), mirror->dValue);
        if (mirror) continue;
      }
      coupling[e.uRow] += fabs(e.dValue);
      coupling[e.uCol] += fabs(e.dValue);
      if (k == PKGMDL_MAT_C && e.dValue > 0.0)
        ERRLOG_WarnNew(3710, p->szName, s_pinName(p, std::min(e.uRow, e.uCol)), s_pinName(p, std::max(e.uRow, e.uCol)),
                       e.dValue * kScale[k]);
    }
    for (unsigned i = 0; i < n; ++i) {
      const double d = hasDiag[i] ? diag[i] : 0.0;
      if (k == PKGMDL_MAT_R) {
        if (d < 0.0) ERRLOG_ErrorNew(3709, s_pinName(p, i), p->szName, d);
      } else if (!(d > 0.0)) {
        ERRLOG_ErrorNew(3708, s_pinName(p, i), kind, p->szName, d);
      }
      if (d > kLimit[k])
        ERRLOG_WarnNew(3713, kind, s_pinName(p, i), p->szName, d * kScale[k], kUnit[k], kLimit[k] * kScale[k], kUnit[k]);
      if (k == PKGMDL_MAT_C && d > 0.0 && coupling[i] > d)
        ERRLOG_WarnNew(3711, p->szName, s_pinName(p, i), coupling[i] * kScale[k], d * kScale[k]);
    }
    if (k == PKGMDL_MAT_L)
      for (size_t i = 0; i < m->nEntries; ++i) {
        const PKGMDL_ENTRY& e = m->pEntries[i];
        if (e.uCol <= e.uRow) continue;
        if (i > 0 && m->pEntries[i - 1].uRow == e.uRow && m->pEntries[i - 1].uCol == e.uCol) continue;
        const double a = hasDiag[e.uRow] ? diag[e.uRow] : 0.0, b = hasDiag[e.uCol] ? diag[e.uCol] : 0.0;
        if (a > 0.0 && b > 0.0 && fabs(e.dValue) >= sqrt(a * b))
          ERRLOG_ErrorNew(3712, p->szName, s_pinName(p, e.uRow), s_pinName(p, e.uCol), e.dValue * 1e9,
                          sqrt(a * b) * 1e9);
      }
  }
  free(diag);
  free(coupling);
  free(hasDiag);
  free(m->pEntries);
  m->pEntries = nullptr;
  m->nEntries = m->nCapacity = 0;
  free(m->pRowSeen);
  m->pRowSeen = nullptr;
  m->uRowSeenSize = 0;
}

void s_finishOpenMatrix(PKGMDL_STRUCT* p) {
  if (p->iCurMatrix >= 0) s_finishMatrix(p, p->iCurMatrix);
  p->iCurMatrix = -1;
}

int s_formOf(const char* w) {
  if (CMN_StrSameIC(w, "Banded_matrix")) return PKGMDL_FORM_BANDED;
  if (CMN_StrSameIC(w, "Sparse_matrix")) return PKGMDL_FORM_SPARSE;
  if (CMN_StrSameIC(w, "Full_matrix")) return PKGMDL_FORM_FULL;
  return PKGMDL_FORM_NONE;
}

void s_matrixKeyword(PKGMDL_STRUCT* p, int kw, const CMN_ARGLIST* args) {
  const int k = kw - KW_RESISTANCE_MATRIX;
  s_finishOpenMatrix(p);
  if (!p->bInModelData) ERRLOG_LineErrorNew(3411, s_kwName(kw));
  PKGMDL_MATRIX* m = &p->aMatrix[k];
  if (m->iForm != PKGMDL_FORM_NONE || m->ulLine) {
    ERRLOG_LineErrorNew(3702, kMatrixName[k], p->szName);
    return;
  }
  m->ulLine = PARSE_GetLineNum();
  m->lCurRow = -1;
  if (args->uiFound == 0) {
    ERRLOG_LineErrorNew(3701, s_kwName(kw));
    return;
  }
  m->iForm = s_formOf(CMN_ArgGet(args, 0));
  if (m->iForm == PKGMDL_FORM_NONE) {
    ERRLOG_LineErrorNew(3700, CMN_ArgGet(args, 0));
    return;
  }
  p->iCurMatrix = k;
}

void s_bandwidth(PKGMDL_STRUCT* p, const CMN_ARGLIST* args) {
  if (p->iCurMatrix < 0) {
    ERRLOG_LineErrorNew(3703);
    return;
  }
  PKGMDL_MATRIX* m = &p->aMatrix[p->iCurMatrix];
  if (m->iForm != PKGMDL_FORM_BANDED) {
    ERRLOG_LineErrorNew(3703);
    return;
  }
  if (m->bBandwidthSeen) {
    ERRLOG_LineErrorNew(3402, "Bandwidth", p->szName);
    return;
  }
  if (m->uRowsSeen) ERRLOG_LineErrorNew(3705);
  unsigned b = 0;
  if (args->uiFound != 1 || CMN_StrToUI(CMN_ArgGet(args, 0), &b) != 1) {
    ERRLOG_LineErrorNew(3704, CMN_ArgGet(args, 0));
    return;
  }
  m->bBandwidthSeen = 1;
  m->uBandwidth = b;
  if (p->uPinNumbers && b >= p->uPinNumbers) ERRLOG_LineWarnNew(3707, b, kMatrixName[p->iCurMatrix], p->uPinNumbers);
}

void s_row(PKGMDL_STRUCT* p, const CMN_ARGLIST* args) {
  if (p->iCurMatrix < 0) {
    ERRLOG_LineErrorNew(3100);
    return;
  }
  const int k = p->iCurMatrix;
  PKGMDL_MATRIX* m = &p->aMatrix[k];
  s_finishRow(p, k);
  if (args->uiFound != 1) {
    ERRLOG_LineErrorNew(3101, (int)args->uiFound);
    return;
  }
  const char* pin = CMN_ArgGet(args, 0);
  const long r = s_pinIndex(p, pin);
  if (r < 0) {
    ERRLOG_LineErrorNew(3102, pin, p->szName);
    return;
  }
  if (m->uRowSeenSize < p->uPinNumbers) {
    // Pins may be listed again after a matrix began (a repeated [Pin
    // Numbers] is reported, its lines refused, but keep the flags covering).
    unsigned char* grown = (unsigned char*)realloc(m->pRowSeen, p->uPinNumbers);
    if (!grown) {
      ERRLOG_ErrorNew(1907, p->uPinNumbers);
      return;
    }
    memset(grown + m->uRowSeenSize, 0, p->uPinNumbers - m->uRowSeenSize);
    m->pRowSeen = grown;
    m->uRowSeenSize = p->uPinNumbers;
  }
  if (m->pRowSeen[r]) {
    ERRLOG_LineErrorNew(3103, pin, kMatrixName[k], p->szName);
    return;
  }
  m->pRowSeen[r] = 1;
  ++m->uRowsSeen;
  m->lCurRow = r;
  m->ulCurRowLine = PARSE_GetLineNum();
  m->uCurCount = 0;
}

// A matrix value with its scale letter; a digit after the scale letter
// ("1n5") is suspicious, as in every table (W1910).
bool s_value(const char* text, double* out, const char* kind) {
  const int r = CMN_Get_Value(text, out);
  if (r == 2 && isfinite(*out)) ERRLOG_LineWarnNew(1910, kind, "Matrix", text);
  return r != 0 && isfinite(*out);
}

void s_matrixData(PKGMDL_STRUCT* p, const char* line) {
  const int k = p->iCurMatrix;
  PKGMDL_MATRIX* m = &p->aMatrix[k];
  if (m->lCurRow < 0) {
    // A row that was refused has already been reported; data before any row
    // has not.
    if (m->uRowsSeen == 0 && !m->bDataBeforeRow) ERRLOG_LineErrorNew(3104, kMatrixName[k]);
    m->bDataBeforeRow = 1;
    return;
  }
  const unsigned row = (unsigned)m->lCurRow;
  const char* rowName = s_pinName(p, row);
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(line, PARSE_LINE_MAX / 2 + 1, &args)) return;
  const unsigned found = args->uiStored;
  if (m->iForm == PKGMDL_FORM_SPARSE) {
    if (args->uiFound % 2 != 0 || args->uiFound > args->uiStored) {
      ERRLOG_LineErrorNew(3107, (int)args->uiFound);
    } else {
      for (unsigned i = 0; i + 1 < found; i += 2) {
        const char* col = CMN_ArgGet(args, i);
        const char* text = CMN_ArgGet(args, i + 1);
        double v = 0.0;
        const long c = s_pinIndex(p, col);
        if (c < 0) {
          ERRLOG_LineErrorNew(3108, col, rowName, kMatrixName[k]);
          continue;
        }
        if (!s_value(text, &v, kMatrixName[k])) {
          ERRLOG_LineErrorNew(3111, kMatrixName[k], text, rowName);
          continue;
        }
        if ((unsigned)c < row) ERRLOG_LineErrorNew(3110, col, rowName, kMatrixName[k]);
        s_addEntry(m, row, (unsigned)c, v);
        ++m->uCurCount;
      }
    }
  } else {
    const unsigned want = s_expectedCount(p, m);
    for (unsigned i = 0; i < args->uiFound; ++i) {
      if (m->uCurCount >= want) {
        ERRLOG_LineErrorNew(3106, rowName, kMatrixName[k], want);
        m->uCurCount = want + 1;  // counted as over; the row reports nothing more
        break;
      }
      const char* text = CMN_ArgGet(args, i);
      double v = 0.0;
      if (i >= found || !s_value(text, &v, kMatrixName[k])) {
        ERRLOG_LineErrorNew(3111, kMatrixName[k], text, rowName);
      } else {
        s_addEntry(m, row, row + m->uCurCount, v);
      }
      ++m->uCurCount;
    }
  }
  CMN_ArgFree(&args);
}

// --- the model as a whole -----------------------------------------------------

void s_finishModel(PKGMDL_STRUCT* p) {
  s_endPinSections(p);
  s_finishOpenMatrix(p);
  const int* seen = p->abSeen;
  if (p->bInModelData) ERRLOG_ErrorNew(3412, p->szName);
  static const int kRequired[] = {KW_PKG_MANUFACTURER, KW_OEM, KW_DESCRIPTION, KW_NUMBER_OF_PINS, KW_PIN_NUMBERS,
                                  KW_END_PACKAGE_MODEL};
  for (int kw : kRequired)
    if (!seen[kw - KW_DEFINE_PACKAGE_MODEL]) ERRLOG_ErrorNew(3403, s_kwName(kw), p->szName);
  if (seen[KW_MODEL_DATA - KW_DEFINE_PACKAGE_MODEL]) {
    for (int kw : {KW_INDUCTANCE_MATRIX, KW_CAPACITANCE_MATRIX})
      if (!p->aMatrix[kw - KW_RESISTANCE_MATRIX].ulLine) ERRLOG_ErrorNew(3403, s_kwName(kw), p->szName);
  } else if (p->uPinsWithSections == 0 && p->uPinNumbers > 0) {
    ERRLOG_WarnNew(3414, p->szName);
  }
  if (seen[KW_NUMBER_OF_PINS - KW_DEFINE_PACKAGE_MODEL] && p->uNumberOfPins &&
      seen[KW_PIN_NUMBERS - KW_DEFINE_PACKAGE_MODEL] && p->uNumberOfPins != p->uPinNumbers)
    ERRLOG_ErrorNew(3406, p->szName, p->uNumberOfPins, p->uPinNumbers);
}

void s_finishCurrent(void) {
  if (!s_pCur) return;
  PKGMDL_STRUCT* p = s_pCur;
  s_pCur = nullptr;
  s_finishModel(p);
  s_iKeyword = KW_NOT_KEY;
}

// A positive count on a keyword line; result 0 after the message.
bool s_count(const CMN_ARGLIST* args, int code, unsigned* out) {
  unsigned v = 0;
  if (args->uiFound != 1 || CMN_StrToUI(CMN_ArgGet(args, 0), &v) != 1 || v == 0) {
    ERRLOG_LineErrorNew(code, CMN_ArgGet(args, 0));
    return false;
  }
  *out = v;
  return true;
}

void s_keyword(PKGMDL_STRUCT* p, int kw, const char* line) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_after(line), 2, &args)) return;
  const int slot = kw - KW_DEFINE_PACKAGE_MODEL;
  const bool once = kw != KW_RESISTANCE_MATRIX && kw != KW_INDUCTANCE_MATRIX && kw != KW_CAPACITANCE_MATRIX &&
                    kw != KW_BANDWIDTH && kw != KW_ROW;
  if (kw != KW_PIN_NUMBERS && kw != KW_ROW && s_iKeyword == KW_PIN_NUMBERS) s_endPinSections(p);
  if (once && p->abSeen[slot]) {
    ERRLOG_LineErrorNew(3402, s_kwName(kw), p->szName);
    CMN_ArgFree(&args);
    s_bRefused = true;  // its data lines are dropped
    return;
  }
  p->abSeen[slot] = 1;
  switch (kw) {
    case KW_DEFINE_PACKAGE_MODEL: {
      const char* name = CMN_ArgGet(args, 0);
      if (!*name) {
        ERRLOG_LineErrorNew(3400);
      } else {
        CMN_strncpy(p->szName, name, sizeof p->szName - 1);
        if (strlen(name) > kNameLimit) ERRLOG_LineErrorNew(3401, name, kNameLimit);
        CMN_ReservedWordErr(name);
      }
      break;
    }
    case KW_NUMBER_OF_PINS: s_count(args, 3404, &p->uNumberOfPins); break;
    case KW_NUMBER_OF_SECTIONS: s_count(args, 3405, &p->uNumberOfSections); break;
    case KW_MODEL_DATA:
      if (!p->abSeen[KW_PIN_NUMBERS - KW_DEFINE_PACKAGE_MODEL]) ERRLOG_LineErrorNew(3415, p->szName);
      p->bInModelData = 1;
      break;
    case KW_RESISTANCE_MATRIX:
    case KW_INDUCTANCE_MATRIX:
    case KW_CAPACITANCE_MATRIX: s_matrixKeyword(p, kw, args); break;
    case KW_BANDWIDTH: s_bandwidth(p, args); break;
    case KW_ROW: s_row(p, args); break;
    case KW_END_MODEL_DATA:
      s_finishOpenMatrix(p);
      if (!p->bInModelData) ERRLOG_LineErrorNew(3413);
      p->bInModelData = 0;
      break;
    case KW_END_PACKAGE_MODEL:
      p->bEndSeen = 1;
      CMN_ArgFree(&args);
      s_finishCurrent();
      return;
    default: break;
  }
  CMN_ArgFree(&args);
}

}  // namespace

extern "C" {

int PKGMDL_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  s_finishCurrent();
  PKGMDL_STRUCT* p = (PKGMDL_STRUCT*)calloc(1, sizeof(PKGMDL_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(PKGMDL_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  p->iCurMatrix = -1;
  for (PKGMDL_MATRIX& m : p->aMatrix) m.lCurRow = -1;
  IBIS_AddPkgMdl(p);
  s_pCur = p;
  s_bSecActive = false;
  return 1;
}

int PKGMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 1;
  if (!s_pCur) {
    if (iLineType == LINE_KEYWORD)
      ERRLOG_LineErrorNew(3408, s_kwName(iKeyword));
    else
      ERRLOG_LineErrorNew(3409);
    return 1;
  }
  PKGMDL_STRUCT* p = s_pCur;
  if (iLineType == LINE_KEYWORD) {
    s_bRefused = false;
    s_keyword(p, iKeyword, pszLine);
    if (s_pCur) s_iKeyword = s_bRefused ? KW_NOT_KEY : iKeyword;
    return 1;
  }
  switch (s_iKeyword) {
    case KW_PIN_NUMBERS: s_pinLine(p, pszLine); break;
    case KW_ROW:
      if (p->iCurMatrix >= 0) s_matrixData(p, pszLine);
      break;
    case KW_RESISTANCE_MATRIX:
    case KW_INDUCTANCE_MATRIX:
    case KW_CAPACITANCE_MATRIX:
    case KW_BANDWIDTH:
      if (p->iCurMatrix >= 0) s_matrixData(p, pszLine);
      break;
    case KW_NOT_KEY: break;
    default: ERRLOG_LineErrorNew(3410, s_kwName(s_iKeyword)); break;
  }
  return 1;
}

int PKGMDL_Fini(int iNewKeyword) {
  const bool goesOn = iNewKeyword > KW_DEFINE_PACKAGE_MODEL && iNewKeyword <= KW_NUMBER_OF_SECTIONS;
  if (!goesOn) s_finishCurrent();
  return 1;
}

void PKGMDL_FreeList(PKGMDL_STRUCT* pHead) {
  while (pHead) {
    PKGMDL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) {
      s_pCur = nullptr;
      s_bSecActive = false;
    }
    for (unsigned i = 0; i < pHead->uPinNumbers; ++i) free(pHead->ppszPins[i]);
    free(pHead->ppszPins);
    free(pHead->puSorted);
    for (PKGMDL_MATRIX& m : pHead->aMatrix) {
      free(m.pEntries);
      free(m.pRowSeen);
    }
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

long PKGMDL_PinIndex(PKGMDL_STRUCT* pPkg, const char* pszPin) {
  if (!pPkg || !pszPin) return -1;
  return s_pinIndex(pPkg, pszPin);
}

int PKGMDL_CountInDirectory(const char* pszDir, const char* pszName, char* pszFirst) {
  if (pszFirst) *pszFirst = '\0';
  if (!pszName || !*pszName) return 0;
  const char* dir = (pszDir && *pszDir) ? pszDir : ".";
  DIR* d = opendir(dir);
  if (!d) return 0;
  int found = 0;
  const size_t nDir = strlen(dir);
  const bool slash = dir[nDir - 1] == '/';
  for (struct dirent* e = readdir(d); e; e = readdir(d)) {
    const char* dot = strrchr(e->d_name, '.');
    if (!dot || strcasecmp(dot, ".pkg") != 0) continue;
    char path[2 * CMN_MAX_FILENAME + 2];
    if (snprintf(path, sizeof path, "%s%s%s", dir, slash ? "" : "/", e->d_name) >= (int)sizeof path) continue;
    const int n = s_fileDefines(path, pszName);
    if (n && !found && pszFirst) CMN_strncpy(pszFirst, e->d_name, CMN_MAX_FILENAME);
    found += n;
  }
  closedir(d);
  return found;
}

int PKGMDL_FindInDirectory(const char* pszDir, const char* pszName) {
  return PKGMDL_CountInDirectory(pszDir, pszName, nullptr) > 0 ? 1 : 0;
}

int PKGMDL_Test(PKGMDL_STRUCT* pList) {
  s_finishCurrent();
  // Names unique in the file (the list runs newest first: report the later
  // definition once).
  for (PKGMDL_STRUCT* p = pList; p; p = p->pNext) {
    if (!*p->szName) continue;
    for (PKGMDL_STRUCT* q = p->pNext; q; q = q->pNext)
      if (strcmp(p->szName, q->szName) == 0) {
        ERRLOG_ErrorNew(3417, p->szName);
        break;
      }
  }
  // Each package model that a component names is found once: in the file,
  // or else in the .pkg files of the stored directory. A name found nowhere
  // is the component check's finding.
  if (PARSE_GetFileType() != FILE_TYPE_IBS) return 1;
  char dir[CMN_MAX_FILENAME + 1];
  CMN_GetIbsPath(dir);
  CMPNT_STRUCT* cmpnts = nullptr;
  IBIS_GetCmpnts(&cmpnts);
  for (CMPNT_STRUCT* c = cmpnts; c; c = c->pNext) {
    // The [Package Model] name first, then the [Alternate Package Models]
    // names; a name already looked up is not looked up again.
    for (const CMPNT_NAME* a = c->pAltPkgMdls; a; a = a->pNext)
      for (const CMPNT_NAME* b = c->pAltPkgMdls; b != a; b = b->pNext)
        if (strcmp(a->szName, b->szName) == 0) {
          ERRLOG_ErrorNew(1600, c->szName, a->szName);
          break;
        }
    std::vector<const char*> names;
    if (*c->szPackageModel) names.push_back(c->szPackageModel);
    for (const CMPNT_NAME* a = c->pAltPkgMdls; a; a = a->pNext)
      if (*a->szName) names.push_back(a->szName);
    for (size_t i = 0; i < names.size(); ++i) {
      bool repeated = false;
      for (size_t j = 0; j < i && !repeated; ++j) repeated = strcmp(names[i], names[j]) == 0;
      if (repeated) continue;
      char first[CMN_MAX_FILENAME + 1];
      const int inDir = PKGMDL_CountInDirectory(dir, names[i], first);
      if (PKGMDL_Find(pList, names[i])) {
        if (inDir) ERRLOG_ErrorNew(3418, names[i], c->szName, first);
      } else if (inDir > 1) {
        ERRLOG_ErrorNew(3419, names[i], c->szName, inDir);
      }
    }
  }
  return 1;
}

}  // extern "C"

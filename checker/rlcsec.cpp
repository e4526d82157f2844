// R/L/C section descriptions: a small tokenizer over Len/L/R/C, "/", Fork
// and Endfork, keeping the totals of the sections read so far.
#include "checker/rlcsec.h"

#include <math.h>
#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"

namespace {

const char* const kParam[4] = {"Len", "L", "R", "C"};

bool s_isWs(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void s_skip(const char** pp) {
  while (**pp && s_isWs((unsigned char)**pp)) ++*pp;
}

// Copies the word at *pp (up to a blank, "=" or "/"; at most n - 1
// characters kept) and moves past it.
void s_word(const char** pp, char* out, size_t n, bool stopAtEq) {
  size_t k = 0;
  while (**pp && !s_isWs((unsigned char)**pp) && **pp != '/' && !(stopAtEq && **pp == '=')) {
    if (k + 1 < n) out[k++] = **pp;
    ++*pp;
  }
  out[k] = '\0';
}

int s_paramIndex(const char* w) {
  for (int i = 0; i < 4; ++i)
    if (CMN_StrSameIC(w, kParam[i])) return i;
  return -1;
}

void s_resetSection(RLCSEC_STATE* s) {
  s->bOpen = 0;
  for (int i = 0; i < 4; ++i) {
    s->bHas[i] = 0;
    s->adVal[i] = 0.0;
  }
}

void s_closeSection(RLCSEC_STATE* s) {
  const RLCSEC_CODES* c = s->pCodes;
  if (!s->bHas[0]) {
    if (c->iNoLen) ERRLOG_LineErrorNew(c->iNoLen, s->szOwner);
  } else if (!s->bHas[1] && !s->bHas[2] && !s->bHas[3]) {
    if (c->iEmpty) ERRLOG_LineWarnNew(c->iEmpty, s->szOwner);
  }
  const double len = s->bHas[0] ? s->adVal[0] : 0.0;
  s->dLen += len > 0.0 ? len : 0.0;
  for (int i = 1; i < 4; ++i)
    if (s->bHas[i] && s->adVal[i] > 0.0) s->adTotal[i - 1] += len > 0.0 ? len * s->adVal[i] : s->adVal[i];
  ++s->uSections;
  s_resetSection(s);
}

}  // namespace

extern "C" {

void RLCSEC_Begin(RLCSEC_STATE* pState, const RLCSEC_CODES* pCodes, const char* pszOwner) {
  memset(pState, 0, sizeof *pState);
  pState->pCodes = pCodes;
  CMN_strncpy(pState->szOwner, pszOwner ? pszOwner : "", sizeof pState->szOwner - 1);
}

int RLCSEC_IsSectionText(const char* pszText) {
  if (!pszText) return 0;
  const char* p = pszText;
  s_skip(&p);
  if (*p == '/') return 1;
  char w[16];
  s_word(&p, w, sizeof w, true);
  if (CMN_StrSameIC(w, "Fork") || CMN_StrSameIC(w, "Endfork") || CMN_StrSameIC(w, "Len")) return 1;
  if (s_paramIndex(w) < 0) return 0;
  s_skip(&p);
  return *p == '=';
}

int RLCSEC_ParseText(RLCSEC_STATE* s, const char* pszText) {
  if (!s || !pszText || !s->pCodes) return 0;
  const RLCSEC_CODES* c = s->pCodes;
  const char* p = pszText;
  int ok = 1;
  for (;;) {
    s_skip(&p);
    if (!*p) break;
    if (*p == '/') {
      ++p;
      if (!s->bOpen) {
        ERRLOG_LineErrorNew(1919, "/");
        ok = 0;
        continue;
      }
      s_closeSection(s);
      continue;
    }
    if (*p == '=') {
      ERRLOG_LineErrorNew(1918);
      s->bSyntaxError = 1;
      s_resetSection(s);
      return 0;
    }
    char w[64];
    s_word(&p, w, sizeof w, true);
    if (CMN_StrSameIC(w, "Fork") || CMN_StrSameIC(w, "Endfork")) {
      const bool fork = CMN_StrSameIC(w, "Fork") != 0;
      if (s->bOpen) {
        if (c->iForkInside) ERRLOG_LineErrorNew(c->iForkInside, s->szOwner);
        ok = 0;
      } else if (fork) {
        ++s->iForkDepth;
        ++s->uForks;
      } else if (s->iForkDepth == 0) {
        if (c->iEndfork) ERRLOG_LineErrorNew(c->iEndfork, s->szOwner);
        ok = 0;
      } else {
        --s->iForkDepth;
      }
      continue;
    }
    const int k = s_paramIndex(w);
    if (k < 0) {
      ERRLOG_LineErrorNew(1919, w);
      s->bSyntaxError = 1;
      s_resetSection(s);
      return 0;
    }
    s_skip(&p);
    if (*p != '=') {
      ERRLOG_LineErrorNew(1921);
      s->bSyntaxError = 1;
      s_resetSection(s);
      return 0;
    }
    ++p;
    s_skip(&p);
    char v[64];
    s_word(&p, v, sizeof v, false);
    if (!*v) {
      ERRLOG_LineErrorNew(1923);
      s->bSyntaxError = 1;
      s_resetSection(s);
      return 0;
    }
    double d = 0.0;
    const int r = CMN_Get_Value(v, &d);
    if (r == 2) ERRLOG_LineWarnNew(1910, kParam[k], "Section", v);
    if (r == 0 || !isfinite(d)) {
      ERRLOG_LineErrorNew(1922, v);
      s->bSyntaxError = 1;
      s_resetSection(s);
      return 0;
    }
    s->bOpen = 1;
    if (s->bHas[k]) {
      if (c->iDuplicate) ERRLOG_LineErrorNew(c->iDuplicate, kParam[k], s->szOwner);
      ok = 0;
    }
    if (d < 0.0) {
      if (c->iNegative) ERRLOG_LineErrorNew(c->iNegative, kParam[k], v, s->szOwner);
      ok = 0;
    }
    s->bHas[k] = 1;
    s->adVal[k] = d;
  }
  return ok;
}

int RLCSEC_End(RLCSEC_STATE* s) {
  if (!s || !s->pCodes) return 1;
  int ok = 1;
  if (s->bOpen) {
    ERRLOG_LineErrorNew(1920);
    s_resetSection(s);
    ok = 0;
  }
  if (s->iForkDepth > 0) {
    if (s->pCodes->iOpenFork) ERRLOG_LineErrorNew(s->pCodes->iOpenFork, s->szOwner);
    s->iForkDepth = 0;
    ok = 0;
  }
  return ok;
}

}  // extern "C"

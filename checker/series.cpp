// Series data of models: the whole-file rules over the stored series
// sections.
#include "checker/series.h"

#include <initializer_list>

#include "base/errlog.h"
#include "checker/crv.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/rng.h"

namespace {

const char* const kSeriesName[MDL_SER_COUNT] = {"R Series", "L Series", "Rl Series",
                                                 "C Series", "Lc Series", "Rc Series"};

bool s_hasElement(const MDL_SERIES* s) {
  if (!s) return false;
  for (const RNG_STRUCT* r : s->apRlc)
    if (r) return true;
  return s->pSeriesCurrent || s->pMosfets;
}

bool s_negative(const RNG_VAL& v) { return v.iState == RNG_VALUE && v.dValue < 0.0; }

// The rules of one series section; pszWhere names it ("" for the model's
// own keywords, "[On] " or "[Off] ").
bool s_section(const MDL_STRUCT* m, const MDL_SERIES* s, const char* where) {
  if (!s) return true;
  bool ok = true;
  const RNG_STRUCT* const* r = s->apRlc;
  if (r[MDL_SER_RL] && !r[MDL_SER_L]) {
    ERRLOG_ErrorNew(2903, m->szName, where, kSeriesName[MDL_SER_RL], kSeriesName[MDL_SER_L]);
    ok = false;
  }
  for (int k : {MDL_SER_LC, MDL_SER_RC})
    if (r[k] && !r[MDL_SER_C]) {
      ERRLOG_ErrorNew(2903, m->szName, where, kSeriesName[k], kSeriesName[MDL_SER_C]);
      ok = false;
    }
  for (int k = 0; k < MDL_SER_COUNT; ++k)
    if (r[k] && (s_negative(r[k]->typ) || s_negative(r[k]->min) || s_negative(r[k]->max))) {
      ERRLOG_ErrorNew(2904, m->szName, where, kSeriesName[k]);
      ok = false;
    }
  unsigned n = 0;
  for (const MDL_MOSFET* f = s->pMosfets; f; f = f->pNext) {
    ++n;
    if (!f->bVds) {
      ERRLOG_ErrorNew(2800, m->szName, where, n);
      ok = false;
      continue;
    }
    if (!(f->dVds > 0.0)) {
      ERRLOG_WarnNew(2801, m->szName, where, n, f->dVds);
      ok = false;
    }
    unsigned k = 0;
    for (const MDL_MOSFET* g = s->pMosfets; g != f; g = g->pNext) {
      ++k;
      if (g->bVds && g->dVds == f->dVds) {
        ERRLOG_ErrorNew(2802, m->szName, where, n, k, f->dVds);
        ok = false;
        break;
      }
    }
  }
  return ok;
}

// The first series keyword a model met, for the message.
const char* s_firstSeriesKeyword(const MDL_STRUCT* m) {
  static const char* const kNames[] = {"R Series", "L Series", "Rl Series", "C Series", "Lc Series",
                                       "Rc Series", "Series Current", "Series MOSFET"};
  for (int kw = KW_R_SERIES; kw <= KW_SERIES_MOSFET; ++kw)
    if (m->ullKeywords & (1ull << (kw - KW_MODEL))) return kNames[kw - KW_R_SERIES];
  return "R Series";
}

}  // namespace

extern "C" {

int SERIES_Test(MDL_STRUCT* pModels) {
  bool ok = true;
  for (const MDL_STRUCT* m = pModels; m; m = m->pNext) {
    const bool series = m->iType == MDL_TYPE_SERIES;
    const bool sswitch = m->iType == MDL_TYPE_SERIES_SWITCH;
    const bool any = s_hasElement(m->pSeries) || s_hasElement(m->pOn) || s_hasElement(m->pOff);
    if (!series && !sswitch) {
      if (any) {
        ERRLOG_ErrorNew(2900, m->szName, MDL_TypeNameForMessage(m->iType), s_firstSeriesKeyword(m));
        ok = false;
      }
      continue;
    }
    if (series && !s_hasElement(m->pSeries)) {
      ERRLOG_ErrorNew(2901, m->szName);
      ok = false;
    }
    if (sswitch) {
      // A missing [On] or [Off] is the model module's finding (E193, E194).
      for (int i = 0; i < 2; ++i) {
        const MDL_SERIES* s = i == 0 ? m->pOn : m->pOff;
        if (s && !s_hasElement(s)) {
          ERRLOG_ErrorNew(2902, m->szName, i == 0 ? "On" : "Off");
          ok = false;
        }
      }
    }
    ok = s_section(m, m->pSeries, "") && ok;
    ok = s_section(m, m->pOn, "[On] ") && ok;
    ok = s_section(m, m->pOff, "[Off] ") && ok;
  }
  return ok ? 1 : 0;
}

}  // extern "C"

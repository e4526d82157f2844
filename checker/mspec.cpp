// [Model Spec]: reading the ranges and the end-of-data rules.
#include "checker/mspec.h"

#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/ver.h"

namespace {

struct SubName {
  const char* pszName;
  int iCode;
  int iSlot;
};

// The sub-parameter table (Rref stands before Cref on purpose). The version
// table (ver.h, group "Model Spec") tells which rows a file's level knows:
// versions 1 to 3 the first 15, version 4 the first 28, 5.0 and later all.
const SubName s_aSubs[] = {
    {"Vinh", 1, MSPEC_VINH},
    {"Vinl", 2, MSPEC_VINL},
    {"Vinh+", 3, MSPEC_VINH_PLUS},
    {"Vinh-", 4, MSPEC_VINH_MINUS},
    {"Vinl+", 5, MSPEC_VINL_PLUS},
    {"Vinl-", 6, MSPEC_VINL_MINUS},
    {"S_overshoot_high", 7, MSPEC_S_OVERSHOOT_HIGH},
    {"S_overshoot_low", 8, MSPEC_S_OVERSHOOT_LOW},
    {"D_overshoot_high", 9, MSPEC_D_OVERSHOOT_HIGH},
    {"D_overshoot_low", 10, MSPEC_D_OVERSHOOT_LOW},
    {"D_overshoot_time", 11, MSPEC_D_OVERSHOOT_TIME},
    {"Pulse_high", 12, MSPEC_PULSE_HIGH},
    {"Pulse_low", 13, MSPEC_PULSE_LOW},
    {"Pulse_time", 14, MSPEC_PULSE_TIME},
    {"Vmeas", 15, MSPEC_VMEAS},
    {"Vref", 16, MSPEC_VREF},
    {"Rref", 18, MSPEC_RREF},
    {"Cref", 17, MSPEC_CREF},
    {"Rref_diff", 19, MSPEC_RREF_DIFF},
    {"Cref_diff", 20, MSPEC_CREF_DIFF},
    {"Vref_rising", 21, MSPEC_VREF_RISING},
    {"Vref_falling", 22, MSPEC_VREF_FALLING},
    {"Cref_rising", 23, MSPEC_CREF_RISING},
    {"Cref_falling", 24, MSPEC_CREF_FALLING},
    {"Rref_rising", 25, MSPEC_RREF_RISING},
    {"Rref_falling", 26, MSPEC_RREF_FALLING},
    {"Vmeas_rising", 27, MSPEC_VMEAS_RISING},
    {"Vmeas_falling", 28, MSPEC_VMEAS_FALLING},
    {"D_overshoot_amp_h", 29, MSPEC_D_OVERSHOOT_AMP_H},
    {"D_overshoot_amp_l", 30, MSPEC_D_OVERSHOOT_AMP_L},
    {"D_overshoot_area_h", 31, MSPEC_D_OVERSHOOT_AREA_H},
    {"D_overshoot_area_l", 32, MSPEC_D_OVERSHOOT_AREA_L},
    {"NOT_MSPEC", 0, -1},
};

const SubName* s_lookup(const char* pszName) {
  const int level = PARSE_GetRuleLevel();
  for (const SubName* s = s_aSubs; s->iSlot >= 0; ++s)
    if (strcmp(s->pszName, pszName) == 0) return VER_ItemKnown("Model Spec", s->pszName, level) ? s : nullptr;
  return nullptr;
}

// Whether the current model's type makes the sub-parameter suspicious.
bool s_typeForbids(int code, int type) {
  if (code >= 1 && code <= 14) {
    switch (type) {
      case MDL_TYPE_INPUT: case MDL_TYPE_IO: case MDL_TYPE_IO_OPEN_DRAIN: case MDL_TYPE_IO_OPEN_SINK:
      case MDL_TYPE_IO_OPEN_SOURCE: case MDL_TYPE_INPUT_ECL: case MDL_TYPE_IO_ECL:
        return false;
      default:
        return true;
    }
  }
  if ((code >= 15 && code <= 18) || (code >= 21 && code <= 28)) {
    switch (type) {
      case MDL_TYPE_INPUT: case MDL_TYPE_INPUT_ECL: case MDL_TYPE_TERMINATOR: case MDL_TYPE_SERIES:
      case MDL_TYPE_SERIES_SWITCH:
        return true;
      default:
        return false;
    }
  }
  if (code == 19 || code == 20) {
    switch (type) {
      case MDL_TYPE_IO_DIFF: case MDL_TYPE_OUTPUT_DIFF: case MDL_TYPE_3STATE_DIFF: case MDL_TYPE_INPUT_DIFF:
        return false;
      default:
        return true;
    }
  }
  return false;
}

// ---- end-of-data checks ----

enum Rel { LESS, GREATER, GREATER_EQ };

struct Ctx {
  const MSPEC_STRUCT* s;
  int line;
  bool present(int slot) const { return s->apRange[slot] != nullptr; }
  const RNG_STRUCT* r(int slot) const { return s->apRange[slot]; }
  bool typValue(int slot) const { return present(slot) && r(slot)->typ.iState == RNG_VALUE; }
};

// Value of a column for the sign checks and comparisons: an NA (or, where
// bAbsentTakesTyp, a missing) column takes the typical's value.
double s_col(const RNG_STRUCT* r, int col) {
  const RNG_VAL& v = col == 0 ? r->typ : col == 1 ? r->min : r->max;
  return v.iState == RNG_VALUE ? v.dValue : r->typ.dValue;
}

const char* const s_aszCols[3] = {"Typ", "Min", "Max"};

// Sign check: each column (Typ, Max, Min) below zero (W3811) or above it
// (W3810).
void s_sign(const Ctx& c, int slot, const char* pszName, bool bAbove) {
  if (!c.typValue(slot)) return;
  static const int order[3] = {0, 2, 1};
  for (int col : order) {
    const double v = s_col(c.r(slot), col);
    if (bAbove ? v > 0.0 : v < 0.0) {
      char label[64];
      snprintf(label, sizeof label, "%s (%s)", pszName, s_aszCols[col]);
      if (bAbove) ERRLOG_WarnNew(3810, label, c.line);
      else ERRLOG_WarnNew(3811, label, c.line);
    }
  }
}

bool s_holds(double a, double b, Rel rel) {
  switch (rel) {
    case LESS: return a < b;
    case GREATER: return a > b;
    default: return a >= b;
  }
}

void s_raiseRel(Rel rel, const char* n1, const char* c1, const char* n2, const char* c2, int line) {
  const int code = rel == LESS ? 3817 : rel == GREATER ? 3818 : 3820;
  ERRLOG_WarnNew(code, n1, c1, n2, c2, line);
}

bool s_comparable(const RNG_VAL& v) { return v.iState == RNG_VALUE || v.iState == RNG_NA; }

// Compares two ranges column by column when both typicals are values.
void s_compare(const Ctx& c, int a, const char* na, int b, const char* nb, Rel rel) {
  if (!c.typValue(a) || !c.typValue(b)) return;
  const RNG_STRUCT* ra = c.r(a);
  const RNG_STRUCT* rb = c.r(b);
  for (int col = 0; col < 3; ++col) {
    if (col == 1 && !(s_comparable(ra->min) && s_comparable(rb->min))) continue;
    if (col == 2 && !(s_comparable(ra->max) && s_comparable(rb->max))) continue;
    if (!s_holds(s_col(ra, col), s_col(rb, col), rel)) s_raiseRel(rel, na, s_aszCols[col], nb, s_aszCols[col], c.line);
  }
}

// Compares a range with one value of the model (Vinl or Vinh).
void s_compareValue(const Ctx& c, int a, const char* na, double v, const char* nv, Rel rel) {
  if (!c.typValue(a)) return;
  const RNG_STRUCT* ra = c.r(a);
  for (int col = 0; col < 3; ++col) {
    if (col == 1 && !s_comparable(ra->min)) continue;
    if (col == 2 && !s_comparable(ra->max)) continue;
    if (!s_holds(s_col(ra, col), v, rel)) s_raiseRel(rel, na, s_aszCols[col], nv, nv, c.line);
  }
}

void s_requires(const Ctx& c, const char* a, const char* b) { ERRLOG_ErrorNew(3812, a, b, c.line); }

}  // namespace

extern "C" {

int MSPEC_New(const char* pszLine, MSPEC_STRUCT** ppSpec) {
  if (!ppSpec) return 0;
  if (*ppSpec) {
    ERRLOG_LineErrorNew(3800);
    MSPEC_Free(ppSpec);
  }
  MSPEC_STRUCT* s = (MSPEC_STRUCT*)calloc(1, sizeof(MSPEC_STRUCT));
  if (!s) {
    ERRLOG_LineBugNew(3801, "mspec.cpp", __LINE__);
    return 0;
  }
  *ppSpec = s;
  s->ulLine = PARSE_GetLineNum();
  const char* rest = pszLine ? strchr(pszLine, ']') : nullptr;
  if (!rest) {
    ERRLOG_LineBugNew(3802, "mspec.cpp", __LINE__);
    return 1;
  }
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(rest + 1, 0, &args)) {
    ERRLOG_LineBugNew(3803, "Model Spec", "mspec.cpp", __LINE__);
    return 1;
  }
  if (args->uiFound > 0) ERRLOG_LineErrorNew(3804, (int)args->uiFound + 1, "Model Spec", 1);
  CMN_ArgFree(&args);
  return 1;
}

int MSPEC_ReceiveLine(const char* pszLine, MSPEC_STRUCT* pSpec, const char* pszModelName) {
  CMN_ASSERT(pszLine != nullptr && pSpec != nullptr);
  const char* model = pszModelName ? pszModelName : "";
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pszLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(3803, "Model Spec Sub-Parameter", "mspec.cpp", __LINE__);
    return 1;
  }
  const SubName* sub = s_lookup(CMN_ArgGet(args, 0));
  CMN_ArgFree(&args);
  const MDL_STRUCT* cur = MDL_GetCurrent();
  if (sub && sub->iCode <= 28 && cur && s_typeForbids(sub->iCode, cur->iType))
    ERRLOG_LineWarnNew(3805, sub->pszName, MDL_TypeNameForMessage(cur->iType));
  if (!sub) {
    ERRLOG_LineErrorNew(3806);
    return 1;
  }
  const char* name = sub->iCode == 12 ? "PulseHigh" : sub->iCode == 13 ? "PulseLow" : sub->iCode == 14 ? "PulseTime"
                                                                                                   : sub->pszName;
  RNG_STRUCT** slot = &pSpec->apRange[sub->iSlot];
  if (*slot) {
    ERRLOG_LineErrorNew(3807, name, model);
    return 1;
  }
  // The values follow the line's first word (the name and anything joined to it).
  const char* p = pszLine;
  while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
  while (*p && !CMN_IsWhitespace((unsigned char)*p)) ++p;
  RNG_ParseRange(p, name, slot);
  if (*slot && (*slot)->typ.iState == RNG_NA) ERRLOG_LineErrorNew(3808);
  return 1;
}

int MSPEC_Fini(MDL_STRUCT* pModel) {
  CMN_ASSERT(pModel != nullptr && pModel->pMspec != nullptr);
  MSPEC_STRUCT* s = pModel->pMspec;
  const Ctx c{s, (int)s->ulLine};
  s->bHysteresis = c.present(MSPEC_VINH_PLUS) && c.present(MSPEC_VINH_MINUS) && c.present(MSPEC_VINL_PLUS) &&
                   c.present(MSPEC_VINL_MINUS);
  // 1. hysteresis thresholds
  const bool anyHyst = c.present(MSPEC_VINH_PLUS) || c.present(MSPEC_VINH_MINUS) || c.present(MSPEC_VINL_PLUS) ||
                       c.present(MSPEC_VINL_MINUS);
  if (s->bHysteresis) {
    s_compare(c, MSPEC_VINH_PLUS, "Vinh+", MSPEC_VINH_MINUS, "Vinh-", GREATER_EQ);
    s_compare(c, MSPEC_VINL_PLUS, "Vinl+", MSPEC_VINL_MINUS, "Vinl-", GREATER_EQ);
  } else if (anyHyst) {
    ERRLOG_WarnNew(3809, "", c.line);
  }
  // 2.-3. static overshoot
  if (c.present(MSPEC_S_OVERSHOOT_HIGH)) s_sign(c, MSPEC_S_OVERSHOOT_HIGH, "S_overshoot_high", false);
  if (c.present(MSPEC_S_OVERSHOOT_LOW)) s_sign(c, MSPEC_S_OVERSHOOT_LOW, "S_overshoot_low", true);
  // 4.-5. dynamic overshoot
  if (c.present(MSPEC_D_OVERSHOOT_HIGH)) {
    s_sign(c, MSPEC_D_OVERSHOOT_HIGH, "D_overshoot_high", false);
    if (c.present(MSPEC_S_OVERSHOOT_HIGH))
      s_compare(c, MSPEC_D_OVERSHOOT_HIGH, "D_overshoot_high", MSPEC_S_OVERSHOOT_HIGH, "S_overshoot_high", GREATER);
    else
      s_requires(c, "D_overshoot_high", "S_overshoot_high");
    if (!c.present(MSPEC_D_OVERSHOOT_TIME)) s_requires(c, "D_overshoot_high", "D_overshoot_time");
  }
  if (c.present(MSPEC_D_OVERSHOOT_LOW)) {
    s_sign(c, MSPEC_D_OVERSHOOT_LOW, "D_overshoot_low", true);
    if (c.present(MSPEC_S_OVERSHOOT_LOW))
      s_compare(c, MSPEC_D_OVERSHOOT_LOW, "D_overshoot_low", MSPEC_S_OVERSHOOT_LOW, "S_overshoot_low", LESS);
    else
      s_requires(c, "D_overshoot_low", "S_overshoot_low");
    if (!c.present(MSPEC_D_OVERSHOOT_TIME)) s_requires(c, "D_overshoot_low", "D_overshoot_time");
  }
  // 6.-8. overshoot areas and amplitudes
  if (c.present(MSPEC_D_OVERSHOOT_AREA_H)) {
    s_sign(c, MSPEC_D_OVERSHOOT_AREA_H, "D_overshoot_area_h", false);
    if (!c.present(MSPEC_D_OVERSHOOT_AMP_H)) ERRLOG_ErrorNew(3813, "D_overshoot_amp_h", "D_overshoot_area_h", c.line);
  }
  if (c.present(MSPEC_D_OVERSHOOT_AREA_L)) {
    s_sign(c, MSPEC_D_OVERSHOOT_AREA_L, "D_overshoot_area_l", false);
    if (!c.present(MSPEC_D_OVERSHOOT_AMP_L)) ERRLOG_ErrorNew(3813, "D_overshoot_amp_l", "D_overshoot_area_l", c.line);
  }
  s_sign(c, MSPEC_D_OVERSHOOT_AMP_H, "D_overshoot_amp_h", false);
  s_sign(c, MSPEC_D_OVERSHOOT_AMP_L, "D_overshoot_amp_l", false);
  // 9. overshoot time
  if (c.present(MSPEC_D_OVERSHOOT_TIME)) {
    if (!c.present(MSPEC_D_OVERSHOOT_LOW) && !c.present(MSPEC_D_OVERSHOOT_HIGH))
      ERRLOG_WarnNew(3814, "D_overshoot_time", c.line);
    else
      s_sign(c, MSPEC_D_OVERSHOOT_TIME, "D_overshoot_time", false);
  }
  // 10.-11. pulse immunity against the thresholds
  if (c.present(MSPEC_PULSE_HIGH)) {
    if (!c.present(MSPEC_PULSE_TIME)) s_requires(c, "Pulse_high", "Pulse_time");
    if (s->bHysteresis)
      s_compare(c, MSPEC_PULSE_HIGH, "Pulse_high", MSPEC_VINH_MINUS, "Vinh-", GREATER);
    else if (c.present(MSPEC_VINL))
      s_compare(c, MSPEC_PULSE_HIGH, "Pulse_high", MSPEC_VINL, "Vinl", GREATER);
    else if (pModel->abSubSet[MDL_SUB_VINL])
      s_compareValue(c, MSPEC_PULSE_HIGH, "Pulse_high", pModel->adSub[MDL_SUB_VINL], "Vinl", GREATER);
    else
      s_requires(c, "Pulse_high", "Thresholds or Hysteresis Thresholds");
  }
  if (c.present(MSPEC_PULSE_LOW)) {
    if (!c.present(MSPEC_PULSE_TIME)) s_requires(c, "Pulse_low", "Pulse_time");
    if (s->bHysteresis)
      s_compare(c, MSPEC_PULSE_LOW, "Pulse_low", MSPEC_VINL_PLUS, "Vinl+", LESS);
    else if (c.present(MSPEC_VINH))
      s_compare(c, MSPEC_PULSE_LOW, "Pulse_low", MSPEC_VINH, "Vinh", LESS);
    else if (pModel->abSubSet[MDL_SUB_VINH])
      s_compareValue(c, MSPEC_PULSE_LOW, "Pulse_low", pModel->adSub[MDL_SUB_VINH], "Vinh", LESS);
    else
      s_requires(c, "Pulse_low", "Thresholds or Hysteresis Thresholds");
  }
  // 12. pulse time
  if (c.present(MSPEC_PULSE_TIME)) {
    if (!c.present(MSPEC_PULSE_HIGH) && !c.present(MSPEC_PULSE_LOW))
      ERRLOG_WarnNew(3814, "Pulse_time", c.line);
    else
      s_sign(c, MSPEC_PULSE_TIME, "Pulse_time", false);
  }
  // 13. rising and falling forms of the timing test load
  struct Ref {
    int plain, rising, falling;
    const char *pszPlain, *pszRising, *pszFalling;
  };
  static const Ref refs[] = {
      {MSPEC_VMEAS, MSPEC_VMEAS_RISING, MSPEC_VMEAS_FALLING, "Vmeas", "Vmeas_rising", "Vmeas_falling"},
      {MSPEC_VREF, MSPEC_VREF_RISING, MSPEC_VREF_FALLING, "Vref", "Vref_rising", "Vref_falling"},
      {MSPEC_CREF, MSPEC_CREF_RISING, MSPEC_CREF_FALLING, "Cref", "Cref_rising", "Cref_falling"},
      {MSPEC_RREF, MSPEC_RREF_RISING, MSPEC_RREF_FALLING, "Rref", "Rref_rising", "Rref_falling"},
  };
  for (const Ref& r : refs) {
    if (c.present(r.rising)) {
      if (!c.present(r.falling)) ERRLOG_ErrorNew(3815, r.pszFalling, r.pszRising);
      if (c.present(r.plain)) ERRLOG_ErrorNew(3816, r.pszPlain, r.pszRising);
    }
    if (c.present(r.falling)) {
      if (!c.present(r.rising)) ERRLOG_ErrorNew(3815, r.pszRising, r.pszFalling);
      if (c.present(r.plain)) ERRLOG_ErrorNew(3816, r.pszPlain, r.pszFalling);
    }
  }
  return 1;
}

void MSPEC_Free(MSPEC_STRUCT** ppSpec) {
  if (!ppSpec || !*ppSpec) return;
  for (RNG_STRUCT*& r : (*ppSpec)->apRange) RNG_Free(&r);
  free(*ppSpec);
  *ppSpec = nullptr;
}

}  // extern "C"

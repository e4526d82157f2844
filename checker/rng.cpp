// Single-line typ/min/max ranges.
#include "checker/rng.h"

#include <stdlib.h>

#include "base/errlog.h"
#include "checker/frameio.h"

extern "C" {

int RNG_ParseRange(const char* pszText, const char* pszName, RNG_STRUCT** ppRange) {
  if (!ppRange) return 0;
  const char* name = pszName ? pszName : "";
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszText ? pszText : "", 3, &args)) {
    ERRLOG_LineBugNew(3900, name, "rng.cpp", __LINE__);
    return 0;
  }
  const unsigned n = args->uiFound;
  if (n == 2) {
    ERRLOG_LineErrorNew(3901, "maximum", name);
  } else if (n == 1) {
    ERRLOG_LineErrorNew(3901, "minimum", name);
    ERRLOG_LineErrorNew(3901, "maximum", name);
  } else if (n != 3) {
    ERRLOG_LineErrorNew(3902, (int)n, name, 3);
  }
  RNG_Free(ppRange);
  RNG_STRUCT* r = (RNG_STRUCT*)calloc(1, sizeof(RNG_STRUCT));
  if (!r) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(RNG_STRUCT));
    CMN_ArgFree(&args);
    return 0;
  }
  int ok = 1;
  RNG_VAL* cols[3] = {&r->typ, &r->min, &r->max};
  static const char* const colNames[3] = {"Typical", "Minimum", "Maximum"};
  for (unsigned i = 0; i < 3; ++i) {
    const char* f = i < args->uiStored ? CMN_ArgGet(args, i) : nullptr;
    if (!CMN_GetColValue(f, colNames[i], name, &cols[i]->dValue, &cols[i]->iState)) ok = 0;
    if (cols[i]->iState == RNG_ABSENT) ok = 0;
  }
  if (r->typ.iState == RNG_VALUE && r->min.iState == RNG_VALUE && r->max.iState == RNG_VALUE) {
    const double t = r->typ.dValue, a = r->min.dValue, b = r->max.dValue;
    if ((t > a && t > b) || (t < a && t < b)) ERRLOG_LineWarnNew(3903);
  }
  CMN_ArgFree(&args);
  *ppRange = r;
  return ok;
}

void RNG_Free(RNG_STRUCT** ppRange) {
  if (!ppRange || !*ppRange) return;
  free(*ppRange);
  *ppRange = nullptr;
}

}  // extern "C"

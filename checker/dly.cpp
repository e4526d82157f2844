// Delay values of a driver schedule line.
#include "checker/dly.h"

#include <stdlib.h>

#include "base/errlog.h"
#include "checker/frameio.h"

namespace {
const char* const s_aszNames[DLY_COUNT] = {"Rise_on_dly", "Rise_off_dly", "Fall_on_dly", "Fall_off_dly"};
}  // namespace

extern "C" {

int DLY_ParseDly(const char* pszText, const char* pszName, DLY_STRUCT** ppDly) {
  if (!ppDly) return 0;
  const char* name = pszName ? pszName : "";
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszText ? pszText : "", DLY_COUNT, &args)) {
    ERRLOG_LineBugNew(4500, name, "dly.cpp", __LINE__);
    return 0;
  }
  const unsigned n = args->uiFound;
  if (n >= 1 && n <= 3) ERRLOG_LineErrorNew(4501, s_aszNames[n], name);
  else if (n != DLY_COUNT) ERRLOG_LineErrorNew(4502, (int)n, name, DLY_COUNT);
  DLY_Free(ppDly);
  DLY_STRUCT* d = (DLY_STRUCT*)calloc(1, sizeof(DLY_STRUCT));
  if (!d) {
    ERRLOG_LineBugNew(4503, "dly.cpp", __LINE__);
    CMN_ArgFree(&args);
    return 0;
  }
  *ppDly = d;
  bool valid = true;
  for (unsigned i = 0; i < DLY_COUNT; ++i) {
    const char* f = i < args->uiStored ? CMN_ArgGet(args, i) : nullptr;
    if (!CMN_GetColValue(f, name, s_aszNames[i], &d->adValue[i], &d->aiState[i])) valid = false;
  }
  CMN_ArgFree(&args);
  if (!valid) return 0;
  int values = 0;
  for (int i = 0; i < DLY_COUNT; ++i) values += d->aiState[i] == DLY_VALUE;
  if (values < 2) {
    ERRLOG_LineErrorNew(4504);
    return 0;
  }
  int result = 1;
  if (values <= 3) {
    if (d->aiState[DLY_RISE_ON] == DLY_VALUE && d->aiState[DLY_FALL_OFF] == DLY_VALUE) {
      ERRLOG_LineErrorNew(4505, "Rise_on_dly", "Fall_off_delay");
      result = 0;
    }
    if (d->aiState[DLY_RISE_OFF] == DLY_VALUE && d->aiState[DLY_FALL_ON] == DLY_VALUE) {
      ERRLOG_LineErrorNew(4505, "Rise_off_dly", "Fall_on_delay");
      result = 0;
    }
  }
  for (int i = 0; i < DLY_COUNT; ++i)
    if (d->aiState[i] == DLY_VALUE && d->adValue[i] < 0.0) ERRLOG_LineErrorNew(4506, s_aszNames[i]);
  return result;
}

void DLY_Free(DLY_STRUCT** ppDly) {
  if (!ppDly || !*ppDly) return;
  free(*ppDly);
  *ppDly = nullptr;
}

}  // extern "C"

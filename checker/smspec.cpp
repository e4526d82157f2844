// [Submodel Spec]: three typ/min/max ranges.
#include "checker/smspec.h"

#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/sect.h"

namespace {

// Sub-parameter names (exact) with the slot each fills.
struct Sub {
  const char* name;
  RNG_STRUCT* SMSPEC_STRUCT::*slot;
};
const Sub s_aSubs[] = {{"V_trigger_r", &SMSPEC_STRUCT::pVtriggerR},
                       {"V_trigger_f", &SMSPEC_STRUCT::pVtriggerF},
                       {"Off_delay", &SMSPEC_STRUCT::pOffDelay}};

}  // namespace

extern "C" {

int SMSPEC_New(const char* pszLine, SMSPEC_STRUCT** ppSpec) {
  if (!ppSpec) return 0;
  if (*ppSpec) {
    ERRLOG_LineErrorNew(2700);
    SMSPEC_Free(ppSpec);
  }
  SMSPEC_STRUCT* s = (SMSPEC_STRUCT*)calloc(1, sizeof(SMSPEC_STRUCT));
  if (!s) {
    ERRLOG_LineBugNew(2701, "smspec.cpp", __LINE__);
    return 0;
  }
  const char* close = pszLine ? strchr(pszLine, ']') : nullptr;
  CMN_ARGLIST* args = nullptr;
  if (CMN_ArgParse(close ? close + 1 : "", 0, &args)) {
    if (args->uiFound > 0) ERRLOG_LineErrorNew(2704, (int)args->uiFound + 1, "Submodel Spec", 1);
    CMN_ArgFree(&args);
  }
  *ppSpec = s;
  return 1;
}

int SMSPEC_ReceiveLine(const char* pszLine, SMSPEC_STRUCT* pSpec, const char* pszSubmodelName) {
  if (!pSpec || !pszLine) return 0;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pszLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(2703, "Submodel Spec", "smspec.cpp", __LINE__);
    return 0;
  }
  const Sub* sub = nullptr;
  for (const Sub& s : s_aSubs)
    if (strcmp(CMN_ArgGet(args, 0), s.name) == 0) sub = &s;
  CMN_ArgFree(&args);
  if (!sub) {
    ERRLOG_LineErrorNew(2706);
    return 1;
  }
  RNG_STRUCT** pp = &(pSpec->*(sub->slot));
  if (*pp) {
    ERRLOG_LineErrorNew(2707, sub->name, pszSubmodelName ? pszSubmodelName : "");
    return 1;
  }
  RNG_ParseRange(SECT_AfterName(pszLine, sub->name), sub->name, pp);
  if (*pp && (*pp)->typ.iState == RNG_NA) ERRLOG_LineErrorNew(2708);
  return 1;
}

int SMSPEC_Fini(const SMSPEC_STRUCT* pSpec, const char* pszSubmodelName) {
  if (!pSpec) return 0;
  if (!pSpec->pVtriggerR && !pSpec->pVtriggerF && !pSpec->pOffDelay)
    ERRLOG_ErrorNew(2705, pszSubmodelName ? pszSubmodelName : "");
  return 1;
}

void SMSPEC_Free(SMSPEC_STRUCT** ppSpec) {
  if (!ppSpec || !*ppSpec) return;
  RNG_Free(&(*ppSpec)->pVtriggerR);
  RNG_Free(&(*ppSpec)->pVtriggerF);
  RNG_Free(&(*ppSpec)->pOffDelay);
  free(*ppSpec);
  *ppSpec = nullptr;
}

}  // extern "C"

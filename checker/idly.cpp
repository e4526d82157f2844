// [Initial Delay] of models and submodels.
#include "checker/idly.h"

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/submdl.h"

namespace {

bool s_bOpen = false;  // a model or submodel holds the keyword
bool s_bSub = false;   // ... and it is a submodel

}  // namespace

extern "C" {

int IDLY_Init(void) { return 1; }

int IDLY_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  (void)iKeyword;
  if (!pszLine) return 0;
  if (iLineType == LINE_KEYWORD) {
    s_bSub = PARSE_InSubmodel() != 0;
    s_bOpen = s_bSub ? SUBMDL_GetCurrent() != nullptr : MDL_GetCurrent() != nullptr;
    if (!s_bOpen) ERRLOG_LineErrorNew(5300);
    return s_bOpen ? 1 : 0;
  }
  if (!s_bOpen) return 0;
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(pszLine, 8, &a)) return 0;
  for (unsigned i = 0; i < a->uiFound && i < 8; ++i) {
    double d = 0.0;
    int na = 0;
    if (!CMN_Get_ValueOrNA(CMN_ArgGet(a, i), &d, &na)) ERRLOG_CautionNew(5301, PARSE_GetLineNum(), CMN_ArgGet(a, i));
  }
  CMN_ArgFree(&a);
  return 1;
}

int IDLY_Fini(int iNewKeyword) {
  const bool open = s_bOpen;
  s_bOpen = false;
  if (!open) return 1;
  return s_bSub ? SUBMDL_Fini(iNewKeyword) : MDL_Fini(iNewKeyword);
}

}  // extern "C"

// [Ramp]: dV/dt ratio lines and R_load.
#include "checker/ramp.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/parse.h"

namespace {

// Sub-parameter names, compared exactly.
enum { SUB_NONE = 0, SUB_RISING = 1, SUB_FALLING = 2, SUB_RLOAD = 3 };
struct SubName {
  const char* pszName;
  int iCode;
};
const SubName s_aSubs[] = {{"dV/dt_r", SUB_RISING}, {"dV/dt_f", SUB_FALLING}, {"R_load", SUB_RLOAD},
                           {"NOT_SUB", SUB_NONE}};

int s_lookup(const char* pszName) {
  for (const SubName& s : s_aSubs)
    if (s.iCode != SUB_NONE && strcmp(s.pszName, pszName) == 0) return s.iCode;
  return SUB_NONE;
}

// Reads one ratio field ("1.2/0.5n", "NA") into pRatio under its label.
void s_readRatio(const char* pszField, const char* pszLabel, const char* pszName, RAMP_RATIO* pRatio) {
  pRatio->iState = RAMP_ABSENT;
  CMN_ARGLIST* parts = nullptr;
  if (!CMN_ArgParsePlus(pszField, 3, '/', &parts)) {
    ERRLOG_LineBugNew(1303, pszName, "ramp.cpp", __LINE__);
    return;
  }
  if (parts->uiFound == 1 && strcasecmp(CMN_ArgGet(parts, 0), "NA") == 0) {
    pRatio->iState = RAMP_NA;
  } else if (parts->uiFound == 3 && strcmp(CMN_ArgGet(parts, 1), "/") == 0) {
    double v[2] = {0.0, 0.0};
    bool ok = true;
    for (int i = 0; i < 2 && ok; ++i) {
      const char* part = CMN_ArgGet(parts, i == 0 ? 0 : 2);
      const int r = CMN_Get_Value(part, &v[i]);
      if (r == 0) ok = false;
      else if (r == 2) ERRLOG_LineWarnNew(1311, pszLabel, pszName, part);
    }
    if (ok) {
      pRatio->dV = v[0];
      pRatio->dT = v[1];
      pRatio->iState = RAMP_READ;
    } else {
      ERRLOG_LineErrorNew(1312, pszName, pszLabel, pszField);
    }
  } else {
    ERRLOG_LineErrorNew(1312, pszName, pszLabel, pszField);
  }
  CMN_ArgFree(&parts);
}

void s_testPositive(const RAMP_RATIO& r) {
  if (r.iState != RAMP_READ) return;
  if (r.dV <= 0.0) ERRLOG_LineErrorNew(1310, "dV");
  if (r.dT <= 0.0) ERRLOG_LineErrorNew(1310, "dT");
}

// A dV/dt_r or dV/dt_f line; pszRest is the text after the name.
void s_ratioLine(const char* pszName, const char* pszRest, RAMP_ENTRY** ppEntry, const char* pszModel) {
  if (*ppEntry) {
    ERRLOG_LineErrorNew(1307, pszName, pszModel);
    return;
  }
  RAMP_ENTRY* e = (RAMP_ENTRY*)calloc(1, sizeof(RAMP_ENTRY));
  if (!e) {
    ERRLOG_LineBugNew(1301, "ramp.cpp", __LINE__);
    return;
  }
  *ppEntry = e;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszRest, 3, &args)) {
    ERRLOG_LineBugNew(1303, pszName, "ramp.cpp", __LINE__);
    return;
  }
  const unsigned n = args->uiFound;
  if (n == 1) {
    ERRLOG_LineErrorNew(1308, "minimum", pszName);
    ERRLOG_LineErrorNew(1308, "maximum", pszName);
  } else if (n == 2) {
    ERRLOG_LineErrorNew(1308, "maximum", pszName);
  } else if (n != 3) {
    ERRLOG_LineErrorNew(1304, (int)n, pszName, 3);
  }
  RAMP_RATIO* cols[3] = {&e->typ, &e->min, &e->max};
  static const char* const labels[3] = {"Typical", "Minimum", "Maximum"};
  for (unsigned i = 0; i < args->uiStored; ++i) s_readRatio(CMN_ArgGet(args, i), labels[i], pszName, cols[i]);
  CMN_ArgFree(&args);
  if (e->typ.iState == RAMP_NA) ERRLOG_LineErrorNew(1309, pszName);
  s_testPositive(e->typ);
  s_testPositive(e->min);
  s_testPositive(e->max);
}

void s_rLoadLine(const char* pszLine, RAMP_STRUCT* pRamp, const char* pszModel) {
  if (pRamp->bRLoad) {
    ERRLOG_LineErrorNew(1307, "R_load", pszModel);
    return;
  }
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pszLine, 3, '=', &args)) {
    ERRLOG_LineBugNew(1303, "R_load", "ramp.cpp", __LINE__);
    return;
  }
  const unsigned n = args->uiFound;
  if (n == 1 || n == 2) {
    ERRLOG_LineErrorNew(1313, "R_load");
    CMN_ArgFree(&args);
    return;
  }
  if (n != 3) ERRLOG_LineErrorNew(1304, (int)n, "R_load", 3);
  if (strcmp(CMN_ArgGet(args, 1), "=") != 0) {
    ERRLOG_LineErrorNew(1313, "R_load");
  } else {
    const char* text = CMN_ArgGet(args, 2);
    double d = 0.0;
    const int r = CMN_Get_Value(text, &d);
    if (r == 0) {
      ERRLOG_LineErrorNew(1314, "R_load", text);
    } else {
      if (r == 2) ERRLOG_LineWarnNew(1311, "Ramp", "R_load", text);
      pRamp->dRLoad = d;
      pRamp->bRLoad = 1;
    }
  }
  CMN_ArgFree(&args);
}

}  // namespace

extern "C" {

int RAMP_New(const char* pszLine, RAMP_STRUCT** ppRamp) {
  if (!ppRamp) return 0;
  if (*ppRamp) {
    ERRLOG_LineErrorNew(1300);
    RAMP_Free(ppRamp);
  }
  RAMP_STRUCT* r = (RAMP_STRUCT*)calloc(1, sizeof(RAMP_STRUCT));
  if (!r) {
    ERRLOG_LineBugNew(1301, "ramp.cpp", __LINE__);
    return 0;
  }
  *ppRamp = r;
  r->ulLine = PARSE_GetLineNum();
  const char* rest = pszLine ? strchr(pszLine, ']') : nullptr;
  if (!rest) {
    ERRLOG_LineBugNew(1302, "ramp.cpp", __LINE__);
    return 1;
  }
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(rest + 1, 0, &args)) {
    ERRLOG_LineBugNew(1303, "Ramp", "ramp.cpp", __LINE__);
    return 1;
  }
  if (args->uiFound > 0) ERRLOG_LineErrorNew(1304, (int)args->uiFound + 1, "Ramp", 1);
  CMN_ArgFree(&args);
  return 1;
}

int RAMP_ReceiveLine(const char* pszLine, RAMP_STRUCT* pRamp, const char* pszModelName) {
  if (!pszLine || !pRamp) return 1;
  const char* model = pszModelName ? pszModelName : "";
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pszLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(1303, "Ramp", "ramp.cpp", __LINE__);
    return 1;
  }
  const char* name = CMN_ArgGet(args, 0);
  const int code = s_lookup(name);
  if (code == SUB_NONE) {
    ERRLOG_LineErrorNew(1305);
  } else if (code == SUB_RLOAD) {
    s_rLoadLine(pszLine, pRamp, model);
  } else {
    // The text after the name: the line starts with it, after blanks.
    const char* p = pszLine;
    while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
    p += strlen(name);
    s_ratioLine(name, p, code == SUB_RISING ? &pRamp->pRising : &pRamp->pFalling, model);
  }
  CMN_ArgFree(&args);
  return 1;
}

int RAMP_Fini(RAMP_STRUCT* pRamp) {
  if (!pRamp) return 1;
  if (!pRamp->pRising) ERRLOG_ErrorNew(1306, "dV/dt_r", (int)pRamp->ulLine);
  if (!pRamp->pFalling) ERRLOG_ErrorNew(1306, "dV/dt_f", (int)pRamp->ulLine);
  return 1;
}

void RAMP_Free(RAMP_STRUCT** ppRamp) {
  if (!ppRamp || !*ppRamp) return;
  free((*ppRamp)->pRising);
  free((*ppRamp)->pFalling);
  free(*ppRamp);
  *ppRamp = nullptr;
}

}  // extern "C"

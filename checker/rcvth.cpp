// [Receiver Thresholds]: the entries of a model's record, the end of its
// section and the whole-file completeness check.
#include "checker/rcvth.h"

#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"

namespace {

struct Entry {
  const char* name;
  int number;
};

// Names and numbers; the table ends with NOT_RCVTH.
const Entry s_aEntries[] = {{"Vth", RCVTH_VTH},
                            {"Vth_min", RCVTH_VTH_MIN},
                            {"Vth_max", RCVTH_VTH_MAX},
                            {"Vinh_ac", RCVTH_VINH_AC},
                            {"Vinh_dc", RCVTH_VINH_DC},
                            {"Vinl_ac", RCVTH_VINL_AC},
                            {"Vinl_dc", RCVTH_VINL_DC},
                            {"Threshold_sensitivity", RCVTH_THRESHOLD_SENSITIVITY},
                            {"Reference_supply", RCVTH_REFERENCE_SUPPLY},
                            {"Vcross_low", RCVTH_VCROSS_LOW},
                            {"Vcross_high", RCVTH_VCROSS_HIGH},
                            {"Vdiff_ac", RCVTH_VDIFF_AC},
                            {"Vdiff_dc", RCVTH_VDIFF_DC},
                            {"Tslew_ac", RCVTH_TSLEW_AC},
                            {"Tdiffslew_ac", RCVTH_TDIFFSLEW_AC},
                            {"NOT_RCVTH", RCVTH_NOT}};

const char* const s_aszSupplies[] = {"Power_clamp_ref", "Gnd_clamp_ref", "Pullup_ref", "Pulldown_ref", "Ext_ref"};

unsigned long s_ulKeywordLine = 0;  // line of the current record's keyword

int s_lookup(const char* name) {
  for (const Entry& e : s_aEntries)
    if (e.number != RCVTH_NOT && strcmp(e.name, name) == 0) return e.number;
  return RCVTH_NOT;
}

const char* s_name(int number) {
  for (const Entry& e : s_aEntries)
    if (e.number == number) return e.name;
  return "NOT_RCVTH";
}

void s_numberLine(const char* pLine, RCVTH_STRUCT* r, int entry, const char* name) {
  if (r->abPresent[entry]) {
    ERRLOG_LineErrorNew(3231, name);
    return;
  }
  r->abPresent[entry] = 1;
  r->adValue[entry] = 0.0;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 3, '=', &args)) {
    ERRLOG_LineBugNew(3203, "Receiver Threshold Sub-Parameter", "rcvth.cpp", __LINE__);
    return;
  }
  const unsigned n = args->uiFound;
  if (n == 1 || n == 2) {
    ERRLOG_LineErrorNew(3232, name);
  } else {
    if (n != 3) ERRLOG_LineErrorNew(3204, (int)n, name, 3);
    if (strcmp(CMN_ArgGet(args, 1), "=") != 0) {
      ERRLOG_LineErrorNew(3232, name);
    } else {
      double d = 0.0;
      const char* v = CMN_ArgGet(args, 2);
      if (CMN_Get_Value(v, &d))
        r->adValue[entry] = d;
      else
        ERRLOG_LineErrorNew(3233, name, v);
    }
  }
  CMN_ArgFree(&args);
}

void s_supplyLine(const char* pLine, RCVTH_STRUCT* r, const char* name) {
  if (r->abPresent[RCVTH_REFERENCE_SUPPLY]) {
    ERRLOG_LineErrorNew(3231, name);
    return;
  }
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 2, '=', &args)) {
    ERRLOG_LineBugNew(3203, "Receiver Threshold Sub-Parameter", "rcvth.cpp", __LINE__);
    return;
  }
  const unsigned n = args->uiFound;
  bool stop = false;
  if (n == 3) {
    if (strcmp(CMN_ArgGet(args, 1), "=") == 0)
      ERRLOG_LineErrorNew(3232, name);
    else
      ERRLOG_LineErrorNew(3204, 3, name, 2);
    stop = true;
  } else if (n == 1) {
    ERRLOG_LineErrorNew(3232, name);
    stop = true;
  } else if (n != 2) {
    ERRLOG_LineErrorNew(3204, (int)n, name, 2);
  }
  if (!stop) {
    const char* supply = CMN_ArgGet(args, 1);
    bool known = false;
    for (const char* s : s_aszSupplies)
      if (strcmp(s, supply) == 0) known = true;
    if (!known) {
      ERRLOG_LineErrorNew(3234, supply);
    } else {
      r->abPresent[RCVTH_REFERENCE_SUPPLY] = 1;
      CMN_strncpy(r->szReferenceSupply, supply, sizeof r->szReferenceSupply - 1);
    }
  }
  CMN_ArgFree(&args);
}

}  // namespace

extern "C" {

int RCVTH_New(const char* pszLine, RCVTH_STRUCT** ppRec) {
  if (!ppRec) return 0;
  if (*ppRec) {
    ERRLOG_LineErrorNew(3200);
    RCVTH_Free(ppRec);
  }
  void* mem = nullptr;
  if (!CMN_malloc(&mem, sizeof(RCVTH_STRUCT))) {
    ERRLOG_LineBugNew(3201, "rcvth.cpp", __LINE__);
    return 0;
  }
  *ppRec = (RCVTH_STRUCT*)mem;
  const char* p = pszLine ? strchr(pszLine, ']') : nullptr;
  if (!p) {
    ERRLOG_LineBugNew(3202, "rcvth.cpp", __LINE__);
  } else {
    CMN_ARGLIST* args = nullptr;
    if (!CMN_ArgParse(p + 1, 0, &args)) {
      ERRLOG_LineBugNew(3203, "Receiver Threshold", "rcvth.cpp", __LINE__);
    } else {
      if (args->uiFound) ERRLOG_LineErrorNew(3204, (int)args->uiFound + 1, "Receiver Threshold", 1);
      CMN_ArgFree(&args);
    }
  }
  s_ulKeywordLine = PARSE_GetLineNum();
  return 1;
}

int RCVTH_ReceiveLine(const char* pszLine, RCVTH_STRUCT* pRec, int iLineType) {
  if (!pszLine || !pRec || iLineType != LINE_DATA) return 0;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pszLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(3203, "Receiver Threshold Sub-Parameter", "rcvth.cpp", __LINE__);
    return 0;
  }
  const int entry = s_lookup(CMN_ArgGet(args, 0));
  CMN_ArgFree(&args);
  if (entry == RCVTH_NOT) {
    ERRLOG_LineErrorNew(3230);
    return 0;
  }
  if (entry == RCVTH_REFERENCE_SUPPLY)
    s_supplyLine(pszLine, pRec, s_name(entry));
  else
    s_numberLine(pszLine, pRec, entry, s_name(entry));
  return 1;
}

int RCVTH_Fini(const MDL_STRUCT* pModel) {
  if (!pModel || !pModel->pRcvTh) return 1;
  const RCVTH_STRUCT* r = pModel->pRcvTh;
  if (r->abPresent[RCVTH_THRESHOLD_SENSITIVITY] && !r->abPresent[RCVTH_REFERENCE_SUPPLY]) {
    ERRLOG_ErrorNew(3205, pModel->szName);
    return 0;
  }
  return 1;
}

int RCVTH_Check(MDL_STRUCT* pModels) {
  for (MDL_STRUCT* m = pModels; m; m = m->pNext) {
    const char* pin = "";
    const int diff = CMPNT_DiffQuery(m, &pin);
    const RCVTH_STRUCT* r = m->pRcvTh;
    if (!r) continue;
    if (diff) {
      static const int need[] = {RCVTH_VCROSS_LOW, RCVTH_VCROSS_HIGH, RCVTH_VDIFF_AC, RCVTH_VDIFF_DC,
                                 RCVTH_TDIFFSLEW_AC};
      for (int i = 0; i < 5; ++i)
        if (!r->abPresent[need[i]]) ERRLOG_WarnNew(3206 + i, m->szName, pin);
    } else {
      static const int need[] = {RCVTH_VTH, RCVTH_VINH_AC, RCVTH_VINL_AC, RCVTH_VINH_DC, RCVTH_VINL_DC,
                                 RCVTH_TSLEW_AC};
      for (int i = 0; i < 6; ++i)
        if (!r->abPresent[need[i]]) ERRLOG_WarnNew(3219 + i, m->szName);
    }
  }
  return 1;
}

void RCVTH_Free(RCVTH_STRUCT** ppRec) {
  if (ppRec && *ppRec) CMN_freeSetNull((void**)ppRec);
}

int RCVTH_Has(const RCVTH_STRUCT* pRec, int iEntry) {
  return pRec && iEntry > RCVTH_NOT && iEntry <= RCVTH_ENTRIES && pRec->abPresent[iEntry];
}

}  // extern "C"

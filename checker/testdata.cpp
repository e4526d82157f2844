// [Test Data]: the record, its sub-parameter lines, its golden waveforms, the
// end-of-section rules and the whole-file look-ups.
#include "checker/testdata.h"

#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/ver.h"
#include "checker/sect.h"
#include "checker/testload.h"
#include "checker/wvfrm.h"

namespace {

TESTDATA_STRUCT* s_pCur = nullptr;  // the test data receiving lines
int s_iKeyword = KW_NOT_KEY;        // its current keyword

// The golden-waveform keywords, in keyword order from KW_RISING_WAVEFORM_NEAR:
// record slot, "Already Defined" code and table name.
struct Golden {
  int slot;
  int code;
  const char* table;
};
const Golden s_aGolden[] = {
    {TESTDATA_RISING_NEAR, 2304, "Rising Waveform Near"},
    {TESTDATA_RISING_FAR, 2306, "Rising Waveform Far"},
    {TESTDATA_FALLING_NEAR, 2305, "Falling Waveform Near"},
    {TESTDATA_FALLING_FAR, 2307, "Falling Waveform Far"},
    {TESTDATA_DIFF_RISING_NEAR, 2308, "Diff Rising Waveform Near"},
    {TESTDATA_DIFF_RISING_FAR, 2310, "Diff Rising Waveform Far"},
    {TESTDATA_DIFF_FALLING_NEAR, 2309, "Diff Falling Waveform Near"},
    {TESTDATA_DIFF_FALLING_FAR, 2311, "Diff Falling Waveform Far"},
};

const Golden* s_golden(int kw) {
  return kw >= KW_RISING_WAVEFORM_NEAR && kw <= KW_DIFF_FALLING_WAVEFORM_FAR ? &s_aGolden[kw - KW_RISING_WAVEFORM_NEAR]
                                                                            : nullptr;
}

enum { SUB_NONE, SUB_TYPE, SUB_DRIVER_MODEL, SUB_DRIVER_MODEL_INV, SUB_TEST_LOAD, SUB_COUNT };
const char* const s_aszSubs[SUB_COUNT] = {"", "Test_data_type", "Driver_model", "Driver_model_inv", "Test_load"};
const char* const s_aszTypes[] = {"", "No Type", "Single_ended", "Differential"};

const SECT_NAME_CODES s_nameCodes = {2314, 2315, 2316, 2317, 2318, 2319, "Test Data"};
const SECT_VALUE_CODES s_valueCodes = {2325, 2326, 2327, 2328, 2329};

void s_nameLine(const char* pLine) {
  TESTDATA_STRUCT* t = s_pCur;
  if (SECT_ReadName(pLine, &s_nameCodes, TESTDATA_NAME_MAX, t->szName) != SECT_NAME_STORED) return;
  TESTDATA_STRUCT* list = nullptr;
  IBIS_GetTestData(&list);
  for (const TESTDATA_STRUCT* o = list; o; o = o->pNext)
    if (o != t && strcmp(o->szName, t->szName) == 0) {
      ERRLOG_LineErrorNew(2320, t->szName);
      break;
    }
}

void s_nameValueLine(char* pszDst, unsigned limit, const char* name, const char* pLine) {
  if (pszDst[0]) {
    ERRLOG_LineErrorNew(2324, name, s_pCur->szName);
    return;
  }
  CMN_ARGLIST* args = nullptr;
  const char* value = SECT_OneValue(pLine, name, &s_valueCodes, &args);
  if (value) {
    CMN_strncpy(pszDst, value, limit);
    if (strlen(value) > limit) ERRLOG_LineErrorNew(2330, name, (int)limit);
    else if (CMN_ReservedWord(value)) ERRLOG_LineErrorNew(2331, name, value);
  }
  CMN_ArgFree(&args);
}

void s_subParameter(const char* pLine) {
  TESTDATA_STRUCT* t = s_pCur;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(2321, "Test Data", "testdata.cpp", __LINE__);
    return;
  }
  int sub = SUB_NONE;
  for (int i = 1; i < SUB_COUNT && sub == SUB_NONE; ++i)
    if (strcmp(CMN_ArgGet(args, 0), s_aszSubs[i]) == 0) sub = i;
  CMN_ArgFree(&args);
  const char* name = s_aszSubs[sub];
  const unsigned modelLimit = (unsigned)VER_NameMax(PARSE_GetRuleLevel());
  switch (sub) {
    case SUB_NONE:
      ERRLOG_LineErrorNew(2322);
      break;
    case SUB_TYPE:
      if (t->iType != TESTDATA_TYPE_NONE) ERRLOG_LineErrorNew(2324, name, t->szName);
      else t->iType = SECT_WordLine(pLine, name, s_aszTypes, 4, &s_valueCodes);
      break;
    case SUB_DRIVER_MODEL:
      s_nameValueLine(t->szDriverModel, modelLimit, name, pLine);
      break;
    case SUB_DRIVER_MODEL_INV:
      s_nameValueLine(t->szDriverModelInv, modelLimit, name, pLine);
      break;
    case SUB_TEST_LOAD:
      s_nameValueLine(t->szTestLoad, TESTDATA_LOAD_MAX, name, pLine);
      break;
    default:
      ERRLOG_LineBugNew(2323, "testdata.cpp", __LINE__);
      break;
  }
}

void s_endSubParameters(const TESTDATA_STRUCT* t) {
  const char* name = t->szName;
  if (t->iType == TESTDATA_TYPE_NONE) ERRLOG_ErrorNew(2332, name, "Test_data_type");
  if (!t->szDriverModel[0]) ERRLOG_ErrorNew(2332, name, "Driver_model");
  if (t->szDriverModelInv[0] && t->iType != TESTDATA_TYPE_DIFFERENTIAL) ERRLOG_ErrorNew(2333, name);
  if (!t->szTestLoad[0]) ERRLOG_ErrorNew(2332, name, "Test_load");
}

void s_endSection(const TESTDATA_STRUCT* t) {
  bool any = false, diff = false;
  for (int i = 0; i < TESTDATA_WAVE_COUNT; ++i) {
    if (!t->apWave[i]) continue;
    any = true;
    if (i >= TESTDATA_DIFF_RISING_NEAR) diff = true;
  }
  if (!any) ERRLOG_ErrorNew(2334, t->szName);
  if (diff && t->iType != TESTDATA_TYPE_DIFFERENTIAL) ERRLOG_ErrorNew(2335, t->szName);
}

// Model types that cannot drive.
bool s_isReceiverOnly(int type) {
  return type == MDL_TYPE_INPUT || type == MDL_TYPE_INPUT_ECL || type == MDL_TYPE_TERMINATOR ||
         type == MDL_TYPE_SERIES || type == MDL_TYPE_SERIES_SWITCH;
}

}  // namespace

extern "C" {

int TESTDATA_Init(void) {
  if (!IBIS_GetIBIS()) {
    ERRLOG_LineBugNew(2301);
    return 0;
  }
  TESTDATA_STRUCT* p = (TESTDATA_STRUCT*)calloc(1, sizeof(TESTDATA_STRUCT));
  if (!p) {
    ERRLOG_LineBugNew(2300, "testdata.cpp", __LINE__);
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddTestData(p);
  s_pCur = p;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

int TESTDATA_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 1;
  if (!s_pCur) {
    if (iLineType == LINE_KEYWORD) ERRLOG_LineErrorNew(2302);
    else if (iLineType == LINE_DATA) ERRLOG_LineErrorNew(2303);
    return 1;
  }
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    const Golden* g = s_golden(iKeyword);
    if (iKeyword == KW_TEST_DATA) {
      s_nameLine(pszLine);
    } else if (g) {
      WVFRM_STRUCT** slot = &s_pCur->apWave[g->slot];
      if (*slot) {
        ERRLOG_LineErrorNew(g->code);
        WVFRM_Free(slot);
      }
      WVFRM_New(pszLine, slot, g->table);
    } else {
      ERRLOG_LineBugNew(2312, "testdata.cpp", __LINE__);
    }
  } else if (iLineType == LINE_DATA) {
    const Golden* g = s_golden(s_iKeyword);
    if (s_iKeyword == KW_TEST_DATA) s_subParameter(pszLine);
    else if (g) WVFRM_ReceiveLine(pszLine, g->table);
    else ERRLOG_LineErrorNew(2313);
  }
  return 1;
}

int TESTDATA_Fini(int iNewKeyword) {
  TESTDATA_STRUCT* t = s_pCur;
  if (!t) return 1;
  const Golden* g = s_golden(s_iKeyword);
  if (s_iKeyword == KW_TEST_DATA) s_endSubParameters(t);
  else if (g) WVFRM_Fini(g->table, WVFRM_KIND_GOLDEN);
  s_iKeyword = KW_NOT_KEY;
  if (!s_golden(iNewKeyword)) {
    s_endSection(t);
    s_pCur = nullptr;
  }
  return 1;
}

void TESTDATA_FreeList(TESTDATA_STRUCT* pHead) {
  while (pHead) {
    TESTDATA_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    for (WVFRM_STRUCT*& w : pHead->apWave) WVFRM_Free(&w);
    free(pHead);
    pHead = next;
  }
}

TESTDATA_STRUCT* TESTDATA_Find(TESTDATA_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (TESTDATA_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int TESTDATA_NameExists(const char* pszName, TESTDATA_STRUCT* pList) {
  return TESTDATA_Find(pList, pszName) ? 1 : 0;
}

int TESTDATA_TestList(TESTDATA_STRUCT* pList) {
  int ok = 1;
  for (const TESTDATA_STRUCT* t = pList; t; t = t->pNext) {
    if (!IBIS_GetIBIS()) {
      ERRLOG_BugNew(2336, "testdata.cpp", __LINE__);
      return 0;
    }
    MDL_STRUCT* models = nullptr;
    if (!IBIS_GetMdls(&models)) {
      ERRLOG_ErrorNew(2337, t->szName);
      ok = 0;
    } else {
      static const SECT_MODEL_CODES kCodes = {2338, 2339, 2340, 2341};
      if (!SECT_CheckModels(models, t->szName, t->szDriverModel, t->szDriverModelInv, s_isReceiverOnly, &kCodes))
        ok = 0;
    }
    TESTLOAD_STRUCT* loads = nullptr;
    if (!IBIS_GetTestLoad(&loads)) {
      ERRLOG_ErrorNew(2342, t->szName);
      ok = 0;
    } else if (t->szTestLoad[0]) {
      const TESTLOAD_STRUCT* l = TESTLOAD_Find(loads, t->szTestLoad);
      if (!l) {
        ERRLOG_ErrorNew(2343, t->szTestLoad, t->szName);
        ok = 0;
      } else if (t->iType >= TESTDATA_TYPE_SINGLE_ENDED && l->iType >= TESTLOAD_TYPE_SINGLE_ENDED &&
                 t->iType != l->iType) {
        ERRLOG_ErrorNew(2344, t->szName, t->szTestLoad);
        ok = 0;
      }
    }
  }
  return ok;
}

}  // extern "C"

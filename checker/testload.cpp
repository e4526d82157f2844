// [Test Load]: the record, its sub-parameter lines, the end-of-section rules
// and the whole-file look-ups of its receiver models.
#include "checker/testload.h"

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

namespace {

TESTLOAD_STRUCT* s_pCur = nullptr;  // the test load receiving lines
int s_iKeyword = KW_NOT_KEY;        // its current keyword

// Sub-parameter names (exact), in table order; 0 is NOT_SUB.
enum {
  SUB_NONE,
  SUB_TYPE,
  SUB_C1_NEAR,  // ... the fourteen element values, in slot order
  SUB_VTERM1 = SUB_C1_NEAR + 14,
  SUB_VTERM2,
  SUB_RECEIVER_MODEL,
  SUB_RECEIVER_MODEL_INV,
  SUB_R_DIFF_NEAR,
  SUB_R_DIFF_FAR,
  SUB_COUNT
};
const char* const s_aszSubs[SUB_COUNT] = {
    "",         "Test_load_type", "C1_near", "Rs_near", "Ls_near", "C2_near", "Rp1_near",
    "Rp2_near", "Td",             "Zo",      "Rp1_far", "Rp2_far", "C2_far",  "Ls_far",
    "Rs_far",   "C1_far",         "V_term1", "V_term2", "Receiver_model", "Receiver_model_inv",
    "R_diff_near", "R_diff_far"};

// Test_load_type words by type number.
const char* const s_aszTypes[] = {"", "No Type", "Single_ended", "Differential"};

const SECT_NAME_CODES s_nameCodes = {2206, 2207, 2208, 2209, 2210, 2211, "Test Load"};
const SECT_VALUE_CODES s_valueCodes = {2217, 2218, 2219, 2220, 2221};

// Value slot of a number sub-parameter, or -1.
int s_valueSlot(int sub) {
  if (sub >= SUB_C1_NEAR && sub < SUB_C1_NEAR + 14) return TESTLOAD_C1_NEAR + (sub - SUB_C1_NEAR);
  if (sub == SUB_R_DIFF_NEAR) return TESTLOAD_R_DIFF_NEAR;
  if (sub == SUB_R_DIFF_FAR) return TESTLOAD_R_DIFF_FAR;
  return -1;
}

void s_nameLine(const char* pLine) {
  TESTLOAD_STRUCT* t = s_pCur;
  if (SECT_ReadName(pLine, &s_nameCodes, TESTLOAD_NAME_MAX, t->szName) != SECT_NAME_STORED) return;
  TESTLOAD_STRUCT* list = nullptr;
  IBIS_GetTestLoad(&list);
  for (const TESTLOAD_STRUCT* o = list; o; o = o->pNext)
    if (o != t && strcmp(o->szName, t->szName) == 0) {
      ERRLOG_LineErrorNew(2212, t->szName);
      break;
    }
}

// "name = value" lines of the element values.
void s_valueLine(int slot, const char* name, const char* pLine) {
  TESTLOAD_STRUCT* t = s_pCur;
  if (t->abValue[slot]) {
    ERRLOG_LineErrorNew(2237, name);
    return;
  }
  t->abValue[slot] = 1;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 3, '=', &args)) {
    ERRLOG_LineBugNew(2213, name, "testload.cpp", __LINE__);
    return;
  }
  const unsigned n = args->uiFound;
  if (n == 1 || n == 2) {
    ERRLOG_LineErrorNew(2218, name);
  } else {
    if (n != 3) ERRLOG_LineErrorNew(2219, (int)n, name, 3);
    if (strcmp(CMN_ArgGet(args, 1), "=") != 0) {
      ERRLOG_LineErrorNew(2218, name);
    } else {
      const char* text = CMN_ArgGet(args, 2);
      if (!CMN_Get_Value(text, &t->adValue[slot])) ERRLOG_LineErrorNew(2238, name, text);
    }
  }
  CMN_ArgFree(&args);
}

void s_modelLine(char* pszDst, const char* name, const char* pLine) {
  if (pszDst[0]) {
    ERRLOG_LineErrorNew(2216, name, s_pCur->szName);
    return;
  }
  CMN_ARGLIST* args = nullptr;
  const char* value = SECT_OneValue(pLine, name, &s_valueCodes, &args);
  if (value) {
    const unsigned limit = (unsigned)VER_NameMax(PARSE_GetRuleLevel());
    CMN_strncpy(pszDst, value, limit);
    if (strlen(value) > limit) ERRLOG_LineErrorNew(2222, name, (int)limit);
    else if (CMN_ReservedWord(value)) ERRLOG_LineErrorNew(2223, name, value);
  }
  CMN_ArgFree(&args);
}

void s_subParameter(const char* pLine) {
  TESTLOAD_STRUCT* t = s_pCur;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 1, '=', &args)) {
    ERRLOG_LineBugNew(2213, "Test Load", "testload.cpp", __LINE__);
    return;
  }
  int sub = SUB_NONE;
  for (int i = 1; i < SUB_COUNT && sub == SUB_NONE; ++i)
    if (strcmp(CMN_ArgGet(args, 0), s_aszSubs[i]) == 0) sub = i;
  CMN_ArgFree(&args);
  const char* name = s_aszSubs[sub];
  const int slot = s_valueSlot(sub);
  if (sub == SUB_NONE) {
    ERRLOG_LineErrorNew(2214);
  } else if (slot >= 0) {
    s_valueLine(slot, name, pLine);
  } else if (sub == SUB_TYPE) {
    if (t->iType != TESTLOAD_TYPE_NONE) ERRLOG_LineErrorNew(2216, name, t->szName);
    else t->iType = SECT_WordLine(pLine, name, s_aszTypes, 4, &s_valueCodes);
  } else if (sub == SUB_VTERM1 || sub == SUB_VTERM2) {
    RNG_STRUCT** pp = sub == SUB_VTERM1 ? &t->pVterm1 : &t->pVterm2;
    if (*pp) {
      ERRLOG_LineErrorNew(2216, name, t->szName);
      return;
    }
    RNG_ParseRange(SECT_AfterName(pLine, name), name, pp);
    if (*pp && (*pp)->typ.iState == RNG_NA) ERRLOG_LineErrorNew(2239);
  } else if (sub == SUB_RECEIVER_MODEL) {
    s_modelLine(t->szReceiverModel, name, pLine);
  } else if (sub == SUB_RECEIVER_MODEL_INV) {
    s_modelLine(t->szReceiverModelInv, name, pLine);
  } else {
    ERRLOG_LineBugNew(2215, "testload.cpp", __LINE__);
  }
}

void s_endSection(const TESTLOAD_STRUCT* t) {
  const char* name = t->szName;
  const int* has = t->abValue;
  if (t->iType == TESTLOAD_TYPE_NONE) ERRLOG_ErrorNew(2224, name, "Test_load_type");
  if (has[TESTLOAD_TD] && !has[TESTLOAD_ZO]) ERRLOG_ErrorNew(2225, name);
  if ((has[TESTLOAD_RP1_NEAR] || has[TESTLOAD_RP1_FAR]) && !t->pVterm1) ERRLOG_ErrorNew(2226, name);
  if ((has[TESTLOAD_RP2_NEAR] || has[TESTLOAD_RP2_FAR]) && !t->pVterm2) ERRLOG_ErrorNew(2227, name);
  if (t->iType != TESTLOAD_TYPE_DIFFERENTIAL) {
    if (has[TESTLOAD_R_DIFF_NEAR]) ERRLOG_WarnNew(2228, name);
    if (has[TESTLOAD_R_DIFF_FAR]) ERRLOG_WarnNew(2229, name);
    if (t->szReceiverModelInv[0]) ERRLOG_WarnNew(2230, name);
  }
}

// Model types that cannot receive.
bool s_isDriverOnly(int type) {
  switch (type) {
    case MDL_TYPE_OUTPUT: case MDL_TYPE_3STATE: case MDL_TYPE_OPEN_DRAIN: case MDL_TYPE_OPEN_SINK:
    case MDL_TYPE_OPEN_SOURCE: case MDL_TYPE_OUTPUT_ECL: case MDL_TYPE_3STATE_ECL: case MDL_TYPE_SERIES:
    case MDL_TYPE_SERIES_SWITCH:
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" {

int TESTLOAD_Init(void) {
  if (!IBIS_GetIBIS()) {
    ERRLOG_LineBugNew(2201);
    return 0;
  }
  TESTLOAD_STRUCT* p = (TESTLOAD_STRUCT*)calloc(1, sizeof(TESTLOAD_STRUCT));
  if (!p) {
    ERRLOG_LineBugNew(2200, "testload.cpp", __LINE__);
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddTestLoad(p);
  s_pCur = p;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

int TESTLOAD_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 1;
  if (!s_pCur) {
    if (iLineType == LINE_KEYWORD) ERRLOG_LineErrorNew(2202);
    else if (iLineType == LINE_DATA) ERRLOG_LineErrorNew(2203);
    return 1;
  }
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    if (iKeyword != KW_TEST_LOAD) ERRLOG_LineBugNew(2204, "testload.cpp", __LINE__);
    else s_nameLine(pszLine);
  } else if (iLineType == LINE_DATA) {
    if (s_iKeyword != KW_TEST_LOAD) ERRLOG_LineErrorNew(2205);
    else s_subParameter(pszLine);
  }
  return 1;
}

int TESTLOAD_Fini(int iNewKeyword) {
  (void)iNewKeyword;  // every other keyword ends the section
  if (s_pCur && s_iKeyword == KW_TEST_LOAD) s_endSection(s_pCur);
  s_pCur = nullptr;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

void TESTLOAD_FreeList(TESTLOAD_STRUCT* pHead) {
  while (pHead) {
    TESTLOAD_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    RNG_Free(&pHead->pVterm1);
    RNG_Free(&pHead->pVterm2);
    free(pHead);
    pHead = next;
  }
}

TESTLOAD_STRUCT* TESTLOAD_Find(TESTLOAD_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (TESTLOAD_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int TESTLOAD_NameExists(const char* pszName, TESTLOAD_STRUCT* pList) {
  return TESTLOAD_Find(pList, pszName) ? 1 : 0;
}

int TESTLOAD_TestList(TESTLOAD_STRUCT* pList) {
  int ok = 1;
  for (const TESTLOAD_STRUCT* t = pList; t; t = t->pNext) {
    if (!IBIS_GetIBIS()) {
      ERRLOG_BugNew(2231, "testload.cpp", __LINE__);
      return 0;
    }
    MDL_STRUCT* models = nullptr;
    if (!IBIS_GetMdls(&models)) {
      ERRLOG_ErrorNew(2232, t->szName);
      ok = 0;
      continue;
    }
    static const SECT_MODEL_CODES kCodes = {2233, 2234, 2235, 2236};
    if (!SECT_CheckModels(models, t->szName, t->szReceiverModel, t->szReceiverModelInv, s_isDriverOnly, &kCodes))
      ok = 0;
  }
  return ok;
}

}  // extern "C"

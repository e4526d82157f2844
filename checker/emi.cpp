// EMI keywords of components and models.
#include "checker/emi.h"

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/pin.h"

namespace {

const char* const kComponentSubs[] = {"Domain", "Cpd", "C_Heatsink_gnd", "C_Heatsink_float"};
const char* const kModelSubs[] = {"Model_emi_type", "Model_Domain"};

// The component block.
bool s_cmpOpen = false;
int s_cmpBlocks = 0;              // blocks opened in the current component
bool s_cmpSeen[4] = {false, false, false, false};
int s_cmpKeyword = KW_NOT_KEY;    // last component keyword
std::vector<std::pair<std::string, unsigned long>> s_pinRows;  // [Pin EMI] pins

// The model block.
bool s_mdlOpen = false;
bool s_mdlSeen[2] = {false, false};
std::string s_model;

int s_index(const char* const* names, int n, const char* w) {
  for (int i = 0; i < n; ++i)
    if (strcmp(names[i], w) == 0) return i;
  return -1;
}

void s_componentSub(const char* line, const char* cmpnt) {
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(line, 4, &a)) return;
  const char* sub = CMN_ArgGet(a, 0);
  const int k = s_index(kComponentSubs, 4, sub);
  if (k < 0) {
    ERRLOG_LineErrorNew(4700, sub, "Component", cmpnt);
  } else {
    if (s_cmpSeen[k]) ERRLOG_LineErrorNew(4701, sub, "Component", cmpnt);
    s_cmpSeen[k] = true;
    const unsigned items = a->uiFound - 1;
    if (k == 0) {
      if (items != 1) ERRLOG_LineErrorNew(4702, (int)items, sub, "1");
    } else if (items < 1 || items > 3) {
      ERRLOG_LineErrorNew(4702, (int)items, sub, "1 to 3");
    } else {
      for (unsigned i = 1; i <= items; ++i) {
        double v = 0.0;
        int na = 0;
        const char* t = CMN_ArgGet(a, i);
        if (!CMN_Get_ValueOrNA(t, &v, &na) || (i == 1 && na) || v < 0.0) ERRLOG_LineErrorNew(4703, sub, t);
      }
    }
  }
  CMN_ArgFree(&a);
}

void s_pinRow(const char* line) {
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(line, 1, &a)) return;
  if (a->uiFound) s_pinRows.emplace_back(CMN_ArgGet(a, 0), PARSE_GetLineNum());
  CMN_ArgFree(&a);
}

void s_closeComponentBlock(bool closed) {
  if (s_cmpOpen && !closed) ERRLOG_LineErrorNew(4704);
  s_cmpOpen = false;
}

}  // namespace

extern "C" {

int EMI_ComponentLine(CMPNT_STRUCT* c, int iLineType, int iKeyword, const char* pszLine) {
  if (!c || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD) {
    s_cmpKeyword = iKeyword;
    if (iKeyword == KW_COMPONENT) {
      s_cmpBlocks = 0;
      s_pinRows.clear();
    } else if (iKeyword == KW_BEGIN_EMI_COMPONENT) {
      if (s_cmpBlocks++) ERRLOG_LineErrorNew(4705, c->szName);
      s_cmpOpen = true;
      for (bool& b : s_cmpSeen) b = false;
    } else if (iKeyword == KW_END_EMI_COMPONENT) {
      s_closeComponentBlock(true);
    }
    return 1;
  }
  if (s_cmpKeyword == KW_BEGIN_EMI_COMPONENT && s_cmpOpen)
    s_componentSub(pszLine, c->szName);
  else if (s_cmpKeyword == KW_PIN_EMI)
    s_pinRow(pszLine);
  return 1;
}

void EMI_ComponentEnd(CMPNT_STRUCT* c) {
  s_closeComponentBlock(false);
  if (c) {
    for (size_t i = 0; i < s_pinRows.size(); ++i) {
      const std::string& pin = s_pinRows[i].first;
      bool twice = false;
      for (size_t j = 0; j < i && !twice; ++j) twice = s_pinRows[j].first == pin;
      if (twice)
        ERRLOG_ErrorNew(4901, pin.c_str(), s_pinRows[i].second, c->szName);
      else if (!PIN_PinExists(c->pPins, pin.c_str()))
        ERRLOG_ErrorNew(4900, pin.c_str(), s_pinRows[i].second, c->szName);
    }
  }
  s_pinRows.clear();
  s_cmpBlocks = 0;
  s_cmpKeyword = KW_NOT_KEY;
}

int EMI_ModelLine(int iLineType, int iKeyword, const char* pszLine, const char* pszModel) {
  if (!pszLine) return 1;
  if (iLineType == LINE_KEYWORD) {
    if (iKeyword == KW_BEGIN_EMI_MODEL) {
      s_mdlOpen = true;
      s_model = pszModel ? pszModel : "";
      s_mdlSeen[0] = s_mdlSeen[1] = false;
    } else if (iKeyword == KW_END_EMI_MODEL) {
      s_mdlOpen = false;
    } else if (s_mdlOpen) {
      ERRLOG_LineErrorNew(4803, s_model.c_str());
      s_mdlOpen = false;
    }
    return 1;
  }
  if (!s_mdlOpen) return 1;
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(pszLine, 3, &a)) return 1;
  const char* sub = CMN_ArgGet(a, 0);
  const int k = s_index(kModelSubs, 2, sub);
  if (k < 0) {
    ERRLOG_LineErrorNew(4800, sub, s_model.c_str());
  } else {
    if (s_mdlSeen[k]) ERRLOG_LineErrorNew(4801, sub, s_model.c_str());
    s_mdlSeen[k] = true;
    const char* v = CMN_ArgGet(a, 1);
    const bool ok = a->uiFound == 2 && (k == 0 ? strcmp(v, "Ferrite") == 0 || strcmp(v, "Not_a_ferrite") == 0
                                               : strcmp(v, "Analog") == 0 || strcmp(v, "Digital") == 0);
    if (!ok) ERRLOG_LineErrorNew(4802, sub, v, k == 0 ? "Ferrite or Not_a_ferrite" : "Analog or Digital");
  }
  CMN_ArgFree(&a);
  return 1;
}

void EMI_ModelEnd(void) {
  if (s_mdlOpen) ERRLOG_LineErrorNew(4803, s_model.c_str());
  s_mdlOpen = false;
}

}  // extern "C"

// [External Circuit] records and the sub-parameter rules shared with
// [External Model].
#include "checker/ext.h"

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/ver.h"

namespace {

const char* const kLanguages[] = {"SPICE", "VHDL-AMS", "Verilog-AMS", "VHDL-A(MS)", "Verilog-A(MS)"};
const char* const kCorners[] = {"Typ", "Min", "Max"};

// The open group: an external circuit or the external model of a model.
struct Group {
  bool open = false;
  const char* kind = "";       // "External Circuit" or "External Model"
  std::string name;
  EXT_STRUCT* circuit = nullptr;
  bool language = false;
  bool corner[3] = {false, false, false};
  bool ports = false;
  std::vector<std::string> portList;
  struct Ref {
    std::string port;
    unsigned long line;
  };
  std::vector<Ref> refs;      // analog ports of D_to_A and A_to_D lines
};

Group s_circuit;
Group s_model;
EXT_STRUCT* s_pCur = nullptr;

const char* s_after(const char* line) {
  const char* p = strchr(line, ']');
  return p ? p + 1 : "";
}

int s_cornerIndex(const char* w) {
  for (int i = 0; i < 3; ++i)
    if (strcmp(w, kCorners[i]) == 0) return i;
  return -1;
}

void s_begin(Group& g, const char* kind, const char* name, EXT_STRUCT* circuit) {
  g = Group();
  g.open = true;
  g.kind = kind;
  g.name = name ? name : "";
  g.circuit = circuit;
}

void s_addPort(Group& g, const char* port) {
  for (const std::string& p : g.portList)
    if (p == port) {
      ERRLOG_LineErrorNew(1809, port, g.kind, g.name.c_str());
      return;
    }
  g.portList.push_back(port);
  EXT_STRUCT* c = g.circuit;
  if (!c) return;
  if (c->uPorts == c->uPortCapacity) {
    const unsigned cap = c->uPortCapacity ? 2 * c->uPortCapacity : 16;
    char** grown = (char**)realloc(c->ppszPorts, sizeof(char*) * cap);
    if (!grown) {
      ERRLOG_ErrorNew(1907, (unsigned)(sizeof(char*) * cap));
      return;
    }
    c->ppszPorts = grown;
    c->uPortCapacity = cap;
  }
  char* copy = CMN_StrMake(port);
  if (copy) c->ppszPorts[c->uPorts++] = copy;
}

// D_to_A: d_port port1 port2 vlow vhigh trise tfall [corner];
// A_to_D: d_port port1 port2 vlow vhigh [corner].
void s_converter(Group& g, const CMN_ARGLIST* a, bool dToA) {
  const unsigned need = dToA ? 8 : 6;  // with the sub-parameter name
  if (a->uiFound != need && a->uiFound != need + 1) {
    ERRLOG_LineErrorNew(1810, (int)a->uiFound - 1, CMN_ArgGet(a, 0), (int)need - 1, (int)need);
    return;
  }
  for (unsigned i = 2; i <= 3; ++i) g.refs.push_back({CMN_ArgGet(a, i), PARSE_GetLineNum()});
  double v[4] = {0, 0, 0, 0};
  const unsigned nValues = dToA ? 4 : 2;
  for (unsigned i = 0; i < nValues; ++i)
    if (!CMN_Get_Value(CMN_ArgGet(a, 4 + i), &v[i])) {
      ERRLOG_LineErrorNew(1812, CMN_ArgGet(a, 0), CMN_ArgGet(a, 4 + i));
      return;
    }
  if (v[0] >= v[1]) ERRLOG_LineErrorNew(1813, CMN_ArgGet(a, 0), CMN_ArgGet(a, 4), CMN_ArgGet(a, 5));
  if (dToA && (!(v[2] > 0.0) || !(v[3] > 0.0))) ERRLOG_LineErrorNew(1814, CMN_ArgGet(a, 6), CMN_ArgGet(a, 7));
  if (a->uiFound == need + 1 && s_cornerIndex(CMN_ArgGet(a, need)) < 0)
    ERRLOG_LineErrorNew(1804, CMN_ArgGet(a, need));
}

void s_dataLine(Group& g, const char* line) {
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(line, 16, &a)) return;
  const char* sub = CMN_ArgGet(a, 0);
  if (strcmp(sub, "Language") == 0) {
    if (g.language) ERRLOG_LineErrorNew(1801, "Language", g.kind, g.name.c_str());
    g.language = true;
    bool known = false;
    for (const char* l : kLanguages) known = known || strcmp(CMN_ArgGet(a, 1), l) == 0;
    // Languages of later versions (IBIS-ISS from 6.0) by the version table.
    known = known || (strcmp(CMN_ArgGet(a, 1), "IBIS-ISS") == 0 &&
                      VER_ItemAllowed("Language", "IBIS-ISS", PARSE_GetIbisLevel()));
    if (a->uiFound != 2 || !known) ERRLOG_LineErrorNew(1802, CMN_ArgGet(a, 1));
  } else if (strcmp(sub, "Corner") == 0) {
    if (a->uiFound != 4) {
      ERRLOG_LineErrorNew(1803, (int)a->uiFound - 1);
    } else {
      const int k = s_cornerIndex(CMN_ArgGet(a, 1));
      if (k < 0)
        ERRLOG_LineErrorNew(1804, CMN_ArgGet(a, 1));
      else if (g.corner[k])
        ERRLOG_LineErrorNew(1805, CMN_ArgGet(a, 1), g.kind, g.name.c_str());
      else
        g.corner[k] = true;
    }
  } else if (strcmp(sub, "Ports") == 0) {
    g.ports = true;
    CMN_ARGLIST* all = nullptr;
    if (CMN_ArgParse(line, PARSE_LINE_MAX / 2 + 1, &all)) {
      for (unsigned i = 1; i < all->uiStored; ++i) s_addPort(g, CMN_ArgGet(all, i));
      CMN_ArgFree(&all);
    }
  } else if (strcmp(sub, "D_to_A") == 0 || strcmp(sub, "A_to_D") == 0) {
    s_converter(g, a, sub[0] == 'D');
  } else if (strcmp(sub, "Parameters") == 0) {
    // A list of names; nothing to check line by line.
  } else if (PARSE_GetIbisLevel() > VER_LEVEL_50) {
    // 6.0 and later added parameter-passing sub-parameters whose spelling
    // could not be confirmed here: an unknown one is a caution, not an error.
    ERRLOG_CautionNew(5400, PARSE_GetLineNum(), sub, g.kind, g.name.c_str());
  } else {
    ERRLOG_LineErrorNew(1800, sub, g.kind, g.name.c_str());
  }
  CMN_ArgFree(&a);
}

// The end of a group: closed by its end keyword (bClosed) or not.
void s_end(Group& g, bool closed) {
  if (!g.open) return;
  g.open = false;
  if (!closed) ERRLOG_LineErrorNew(1815, g.kind, g.name.c_str());
  if (!g.language) ERRLOG_ErrorNew(1806, "Language", g.kind, g.name.c_str());
  if (!g.corner[0]) ERRLOG_ErrorNew(1806, "Corner Typ", g.kind, g.name.c_str());
  if (!g.ports) ERRLOG_ErrorNew(1806, "Ports", g.kind, g.name.c_str());
  for (const Group::Ref& r : g.refs) {
    bool found = false;
    for (const std::string& p : g.portList) found = found || p == r.port;
    if (!found) ERRLOG_ErrorNew(1811, r.port.c_str(), r.line, g.kind, g.name.c_str());
  }
  g = Group();
}

}  // namespace

extern "C" {

int EXT_Init(void) {
  if (!IBIS_GetIBIS()) return 0;
  EXT_STRUCT* p = (EXT_STRUCT*)calloc(1, sizeof(EXT_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(EXT_STRUCT));
    return 0;
  }
  p->ulLine = PARSE_GetLineNum();
  IBIS_AddExt(p);
  s_pCur = p;
  return 1;
}

int EXT_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!s_pCur || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD && iKeyword == KW_EXTERNAL_CIRCUIT) {
    CMN_ARGLIST* args = nullptr;
    if (CMN_ArgParse(s_after(pszLine), 1, &args)) {
      const char* name = CMN_ArgGet(args, 0);
      strncpy(s_pCur->szName, name, EXT_NAME_MAX);
      s_pCur->szName[EXT_NAME_MAX] = '\0';
      if (!*name)
        ERRLOG_LineErrorNew(1807);
      else if (!CMN_ReservedWordErr(name))
        for (EXT_STRUCT* q = s_pCur->pNext; q; q = q->pNext)
          if (strcmp(q->szName, name) == 0) {
            ERRLOG_LineErrorNew(1808, name);
            break;
          }
      CMN_ArgFree(&args);
    }
    s_begin(s_circuit, "External Circuit", s_pCur->szName, s_pCur);
  } else if (iLineType == LINE_KEYWORD && iKeyword == KW_END_EXTERNAL_CIRCUIT) {
    if (s_circuit.open)
      s_end(s_circuit, true);
    else
      ERRLOG_LineErrorNew(1816, "End External Circuit");
  } else if (iLineType == LINE_DATA) {
    ++s_pCur->ulDataLines;
    if (s_circuit.open) s_dataLine(s_circuit, pszLine);
  }
  return 1;
}

int EXT_Fini(int iNewKeyword) {
  if (iNewKeyword != KW_END_EXTERNAL_CIRCUIT) {
    s_end(s_circuit, false);
    s_pCur = nullptr;
  }
  return 1;
}

void EXT_FreeList(EXT_STRUCT* pHead) {
  while (pHead) {
    EXT_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) s_pCur = nullptr;
    if (s_circuit.circuit == pHead) s_circuit = Group();
    for (unsigned i = 0; i < pHead->uPorts; ++i) free(pHead->ppszPorts[i]);
    free(pHead->ppszPorts);
    free(pHead);
    pHead = next;
  }
}

EXT_STRUCT* EXT_Find(EXT_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (EXT_STRUCT* p = pList; p; p = p->pNext)
    if (strcmp(p->szName, pszName) == 0) return p;
  return nullptr;
}

int EXT_HasPort(const EXT_STRUCT* pExt, const char* pszPort) {
  if (!pExt || !pszPort) return 0;
  for (unsigned i = 0; i < pExt->uPorts; ++i)
    if (strcmp(pExt->ppszPorts[i], pszPort) == 0) return 1;
  return 0;
}

int EXT_ModelLine(int iLineType, int iKeyword, const char* pszLine, const char* pszModel) {
  if (!pszLine) return 1;
  if (iLineType == LINE_KEYWORD) {
    if (iKeyword == KW_EXTERNAL_MODEL) {
      s_end(s_model, false);
      s_begin(s_model, "External Model", pszModel, nullptr);
    } else if (iKeyword == KW_END_EXTERNAL_MODEL) {
      if (s_model.open)
        s_end(s_model, true);
      else
        ERRLOG_LineErrorNew(1816, "End External Model");
    } else {
      s_end(s_model, false);
    }
  } else if (s_model.open) {
    s_dataLine(s_model, pszLine);
  }
  return 1;
}

void EXT_ModelEnd(void) { s_end(s_model, false); }

}  // extern "C"

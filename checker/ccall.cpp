// Node declarations and circuit calls of components.
#include "checker/ccall.h"

#include <string.h>

#include <new>
#include <string>
#include <vector>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/cmpnt.h"
#include "checker/ext.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/pin.h"

struct CCALL_MAP {
  std::string port, target;
  unsigned long line;
};

struct CCALL_CALL {
  std::string circuit;
  unsigned long line;
  std::vector<CCALL_MAP> maps;
  std::vector<std::pair<std::string, unsigned long>> pins;  // Signal_pin etc., with their lines
  int kinds = 0;                                            // Signal_pin, Diff_signal_pins, Series_pins seen
};

struct CCALL_DATA {
  std::vector<std::string> nodes;
  std::vector<CCALL_CALL> calls;
};

namespace {

enum Open { kNone, kNodes, kCall };
Open s_open = kNone;

CCALL_DATA* s_data(CMPNT_STRUCT* c) {
  if (!c->pCcall) c->pCcall = new (std::nothrow) CCALL_DATA;
  if (!c->pCcall) ERRLOG_ErrorNew(1906, (unsigned)sizeof(CCALL_DATA));
  return c->pCcall;
}

const char* s_after(const char* line) {
  const char* p = strchr(line, ']');
  return p ? p + 1 : "";
}

void s_close(bool closed) {
  if (s_open == kNone) return;
  if (!closed)
    ERRLOG_LineErrorNew(1825, s_open == kNodes ? "Node Declarations" : "Circuit Call",
                        s_open == kNodes ? "End Node Declarations" : "End Circuit Call");
  s_open = kNone;
}

void s_callLine(CCALL_CALL& call, const char* line) {
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(line, 3, &a)) return;
  const char* sub = CMN_ArgGet(a, 0);
  const unsigned items = a->uiFound ? a->uiFound - 1 : 0;
  const bool signal = strcmp(sub, "Signal_pin") == 0;
  const bool pair = strcmp(sub, "Diff_signal_pins") == 0 || strcmp(sub, "Series_pins") == 0;
  if (signal || pair) {
    const unsigned want = signal ? 1 : 2;
    if (items != want) {
      ERRLOG_LineErrorNew(1817, (int)items, sub, (int)want);
    } else {
      if (call.kinds++) ERRLOG_LineErrorNew(1818, call.circuit.c_str());
      for (unsigned i = 1; i <= want; ++i) call.pins.emplace_back(CMN_ArgGet(a, i), PARSE_GetLineNum());
    }
  } else if (strcmp(sub, "Port_map") == 0) {
    if (items != 2) {
      ERRLOG_LineErrorNew(1817, (int)items, sub, 2);
    } else {
      const std::string port = CMN_ArgGet(a, 1);
      bool twice = false;
      for (const CCALL_MAP& m : call.maps) twice = twice || m.port == port;
      if (twice)
        ERRLOG_LineErrorNew(1819, port.c_str(), call.circuit.c_str());
      else
        call.maps.push_back({port, CMN_ArgGet(a, 2), PARSE_GetLineNum()});
    }
  } else {
    ERRLOG_LineErrorNew(1800, sub, "Circuit Call", call.circuit.c_str());
  }
  CMN_ArgFree(&a);
}

bool s_isNode(const CCALL_DATA* d, const std::string& name) {
  for (const std::string& n : d->nodes)
    if (n == name) return true;
  return false;
}

}  // namespace

extern "C" {

int CCALL_ComponentLine(CMPNT_STRUCT* c, int iLineType, int iKeyword, const char* pszLine) {
  if (!c || !pszLine) return 1;
  if (iLineType == LINE_KEYWORD) {
    const bool endNodes = iKeyword == KW_END_NODE_DECLARATIONS, endCall = iKeyword == KW_END_CIRCUIT_CALL;
    if (endNodes || endCall) {
      if ((endNodes && s_open == kNodes) || (endCall && s_open == kCall)) {
        s_close(true);
      } else {
        s_close(false);
        ERRLOG_LineErrorNew(1816, endNodes ? "End Node Declarations" : "End Circuit Call");
      }
      return 1;
    }
    s_close(false);
    CCALL_DATA* d = nullptr;
    if (iKeyword == KW_NODE_DECLARATIONS) {
      s_open = kNodes;
    } else if (iKeyword == KW_CIRCUIT_CALL && (d = s_data(c)) != nullptr) {
      s_open = kCall;
      CMN_ARGLIST* a = nullptr;
      if (CMN_ArgParse(s_after(pszLine), 1, &a)) {
        if (a->uiFound != 1) ERRLOG_LineErrorNew(1820, (int)a->uiFound);
        CCALL_CALL call;
        call.circuit = CMN_ArgGet(a, 0);
        call.line = PARSE_GetLineNum();
        d->calls.push_back(call);
        CMN_ArgFree(&a);
      }
    }
    return 1;
  }
  CCALL_DATA* d = s_open != kNone ? s_data(c) : nullptr;
  if (!d) return 1;
  if (s_open == kNodes) {
    CMN_ARGLIST* a = nullptr;
    if (CMN_ArgParse(pszLine, PARSE_LINE_MAX / 2 + 1, &a)) {
      for (unsigned i = 0; i < a->uiStored; ++i)
        if (!CMN_ReservedWordErr(CMN_ArgGet(a, i))) d->nodes.push_back(CMN_ArgGet(a, i));
      CMN_ArgFree(&a);
    }
  } else if (!d->calls.empty()) {
    s_callLine(d->calls.back(), pszLine);
  }
  return 1;
}

void CCALL_ComponentEnd(CMPNT_STRUCT* c) {
  s_close(false);
  if (!c || !c->pCcall) return;
  for (const CCALL_CALL& call : c->pCcall->calls) {
    for (const auto& p : call.pins)
      if (!PIN_PinExists(c->pPins, p.first.c_str()))
        ERRLOG_ErrorNew(1821, p.first.c_str(), p.second, call.circuit.c_str(), c->szName);
    for (const CCALL_MAP& m : call.maps)
      if (!PIN_PinExists(c->pPins, m.target.c_str()) && !s_isNode(c->pCcall, m.target))
        ERRLOG_ErrorNew(1822, m.target.c_str(), m.line, call.circuit.c_str(), c->szName);
  }
}

int CCALL_Test(CMPNT_STRUCT* pCmpnts, EXT_STRUCT* pExts) {
  s_open = kNone;
  for (CMPNT_STRUCT* c = pCmpnts; c; c = c->pNext) {
    if (!c->pCcall) continue;
    for (const CCALL_CALL& call : c->pCcall->calls) {
      if (call.circuit.empty()) continue;
      const EXT_STRUCT* e = EXT_Find(pExts, call.circuit.c_str());
      if (!e) {
        ERRLOG_ErrorNew(1823, call.circuit.c_str(), call.line, c->szName);
        continue;
      }
      for (const CCALL_MAP& m : call.maps)
        if (!EXT_HasPort(e, m.port.c_str())) ERRLOG_ErrorNew(1824, m.port.c_str(), m.line, call.circuit.c_str());
    }
  }
  return 1;
}

unsigned CCALL_NodeCount(const CMPNT_STRUCT* c) {
  return c && c->pCcall ? (unsigned)c->pCcall->nodes.size() : 0;
}

const char* CCALL_NodeName(const CMPNT_STRUCT* c, unsigned i) {
  return c && c->pCcall && i < c->pCcall->nodes.size() ? c->pCcall->nodes[i].c_str() : "";
}

void CCALL_Free(CCALL_DATA* pData) { delete pData; }

}  // extern "C"

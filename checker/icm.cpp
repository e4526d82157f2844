// Interconnect model sets: the blocks, their sub-parameters and the files
// they name.
#include "checker/icm.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <unordered_set>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

struct Model {
  std::string name;
  bool iss = false, ts = false;
  std::string file;
  std::string firstParam;
  std::unordered_set<std::string> params;
  bool terminalsGiven = false;
  unsigned long terminals = 0, terminalLines = 0, terminalsLine = 0;
};

bool s_bInSet = false;
std::string s_set;
bool s_bInModel = false;
Model s_model;
std::unordered_set<std::string> s_names;  // model names of the file

bool s_isOwn(int kw) { return kw >= KW_INTERCONNECT_MODEL_SET && kw <= KW_IMS_DESCRIPTION; }

// The first name after the keyword's "]" ("" when none).
std::string s_keywordName(const char* line) {
  const char* p = strchr(line, ']');
  p = p ? p + 1 : "";
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(p, 1, &a)) return "";
  std::string name = a->uiFound ? CMN_ArgGet(a, 0) : "";
  CMN_ArgFree(&a);
  return name;
}

bool s_canOpen(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  fclose(f);
  return true;
}

// A referenced file: relative, never above the referring file's folder, and
// present there.
void s_checkFile(const Model& m) {
  const std::string& f = m.file;
  bool climbs = f[0] == '/' || f[0] == '\\' || (f.size() > 1 && f[1] == ':');
  for (size_t i = 0; !climbs && i < f.size();) {
    size_t j = f.find_first_of("/\\", i);
    if (j == std::string::npos) j = f.size();
    climbs = f.compare(i, j - i, "..") == 0;
    i = j + 1;
  }
  if (climbs) {
    ERRLOG_ErrorNew(5208, f.c_str(), m.name.c_str());
    return;
  }
  char dir[CMN_MAX_FILENAME + 1];
  CMN_GetIbsPath(dir);
  std::string path = dir;
  if (!path.empty() && path.back() != '/') path += '/';
  if (!s_canOpen(path + f)) ERRLOG_ErrorNew(5207, f.c_str(), m.name.c_str());
}

void s_endModel() {
  const Model& m = s_model;
  if (m.iss && m.ts) ERRLOG_ErrorNew(5201, m.name.c_str());
  if (!m.iss && !m.ts) ERRLOG_ErrorNew(5202, m.name.c_str());
  if (m.ts && !m.firstParam.empty()) ERRLOG_ErrorNew(5204, m.firstParam.c_str(), m.name.c_str());
  if (m.terminalsGiven && m.terminals != m.terminalLines)
    ERRLOG_CautionNew(5209, m.terminalsLine, m.name.c_str(), m.terminals, m.terminalLines);
  if (!m.file.empty()) s_checkFile(m);
  s_model = Model();
  s_bInModel = false;
}

// A file line: File_IBIS-ISS <file> <circuit> or File_TS <file>.
void s_fileLine(const CMN_ARGLIST* a, bool iss) {
  const char* sub = CMN_ArgGet(a, 0);
  bool& seen = iss ? s_model.iss : s_model.ts;
  if (seen) ERRLOG_LineErrorNew(5215, sub, s_model.name.c_str());
  seen = true;
  const int need = iss ? 2 : 1;
  if ((int)a->uiFound - 1 != need) {
    ERRLOG_LineErrorNew(5203, sub, s_model.name.c_str(), need, (int)a->uiFound - 1);
    return;
  }
  if (s_model.file.empty()) s_model.file = CMN_ArgGet(a, 1);
}

// Param <name> Value <value>; a quoted value may hold blanks.
void s_paramLine(const CMN_ARGLIST* a) {
  const unsigned n = a->uiFound;
  const bool quoted = n > 4 && CMN_ArgGet(a, 3)[0] == '"';
  if ((n != 4 && !quoted) || strcmp(CMN_ArgGet(a, 2), "Value") != 0) {
    ERRLOG_LineErrorNew(5206, s_model.name.c_str());
    return;
  }
  const char* name = CMN_ArgGet(a, 1);
  if (!s_model.params.insert(name).second) ERRLOG_LineErrorNew(5205, name, s_model.name.c_str());
  if (s_model.firstParam.empty()) s_model.firstParam = name;
}

// Number_of_terminals = N (the "=" may be left out).
void s_terminalsLine(const CMN_ARGLIST* a) {
  if (s_model.terminalsGiven) ERRLOG_LineErrorNew(5215, "Number_of_terminals", s_model.name.c_str());
  unsigned i = strcmp(CMN_ArgGet(a, 1), "=") == 0 ? 2 : 1;
  const char* v = CMN_ArgGet(a, i);
  unsigned u = 0;
  if (a->uiFound != i + 1 || CMN_StrToUI(v, &u) != 1 || u == 0) {
    ERRLOG_LineErrorNew(5214, s_model.name.c_str(), v);
    return;
  }
  s_model.terminalsGiven = true;
  s_model.terminals = u;
  s_model.terminalsLine = PARSE_GetLineNum();
}

void s_modelLine(const char* line) {
  CMN_ARGLIST* a = nullptr;
  if (!CMN_ArgParse(line, 6, &a)) return;
  const char* sub = CMN_ArgGet(a, 0);
  if (strcmp(sub, "File_IBIS-ISS") == 0 || strcmp(sub, "File_TS") == 0) {
    s_fileLine(a, sub[5] == 'I');
  } else if (strcmp(sub, "Param") == 0) {
    s_paramLine(a);
  } else if (strcmp(sub, "Number_of_terminals") == 0) {
    s_terminalsLine(a);
  } else if (strcmp(sub, "Unused_port_termination") == 0) {
    // a resistance for ports left open; accepted as given
  } else if (sub[0] >= '0' && sub[0] <= '9' && s_model.terminalsGiven) {
    ++s_model.terminalLines;
  } else {
    ERRLOG_CautionNew(5210, PARSE_GetLineNum(), sub, s_model.name.c_str());
  }
  CMN_ArgFree(&a);
}

void s_closeAll() {
  if (s_bInModel) {
    ERRLOG_ErrorNew(5213, "Interconnect Model", s_model.name.c_str(), "End Interconnect Model");
    s_endModel();
  }
  if (s_bInSet) ERRLOG_ErrorNew(5213, "Interconnect Model Set", s_set.c_str(), "End Interconnect Model Set");
  s_bInSet = false;
  s_set.clear();
}

void s_keywordLine(int kw, const char* line) {
  switch (kw) {
    case KW_INTERCONNECT_MODEL_SET:
      s_closeAll();
      s_set = s_keywordName(line);
      if (s_set.empty()) ERRLOG_LineErrorNew(5104, "Interconnect Model Set");
      s_bInSet = true;
      break;
    case KW_END_INTERCONNECT_MODEL_SET:
      if (!s_bInSet) ERRLOG_LineErrorNew(5212, "End Interconnect Model Set");
      s_bInSet = false;  // only a model left open is reported
      s_closeAll();
      break;
    case KW_INTERCONNECT_MODEL:
      if (s_bInModel) {
        ERRLOG_ErrorNew(5213, "Interconnect Model", s_model.name.c_str(), "End Interconnect Model");
        s_endModel();
      }
      if (!s_bInSet) ERRLOG_LineErrorNew(5200);
      s_model = Model();
      s_model.name = s_keywordName(line);
      if (s_model.name.empty()) ERRLOG_LineErrorNew(5104, "Interconnect Model");
      else if (!s_names.insert(s_model.name).second) ERRLOG_LineErrorNew(5211, s_model.name.c_str());
      s_bInModel = true;
      break;
    case KW_END_INTERCONNECT_MODEL:
      if (s_bInModel)
        s_endModel();
      else
        ERRLOG_LineErrorNew(5212, "End Interconnect Model");
      break;
    default: break;  // the set's [Manufacturer] and [Description]: texts
  }
}

}  // namespace

extern "C" {

int ICM_Init(void) { return 1; }

int ICM_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 0;
  if (iLineType == LINE_KEYWORD)
    s_keywordLine(iKeyword, pszLine);
  else if (s_bInModel && iKeyword == KW_INTERCONNECT_MODEL)
    s_modelLine(pszLine);
  return 1;
}

int ICM_Fini(int iNewKeyword) {
  if (!s_isOwn(iNewKeyword)) s_closeAll();
  return 1;
}

void ICM_Reset(void) {
  s_bInSet = false;
  s_set.clear();
  s_bInModel = false;
  s_model = Model();
  s_names.clear();
}

}  // extern "C"

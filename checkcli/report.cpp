// Reports of the checks of one call (see report.h).
#include "checkcli/report.h"

#include <ctype.h>
#include <stdio.h>

#include <algorithm>
#include <map>

#include "base/errlog.h"
#include "base/version.h"

namespace {

const char* const s_typeNames[] = {"", "ibs", "pkg", "ebd", "ami"};

// A JSON string literal of any bytes: quotes, backslash and control
// characters escaped, bytes of 128 and above as \u00XX.
std::string s_str(const std::string& s) {
  std::string o = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      o += '\\';
      o += static_cast<char>(c);
    } else if (c == '\n') {
      o += "\\n";
    } else if (c == '\t') {
      o += "\\t";
    } else if (c < 0x20 || c >= 0x7f) {
      char buf[8];
      snprintf(buf, sizeof buf, "\\u%04x", c);
      o += buf;
    } else {
      o += static_cast<char>(c);
    }
  }
  return o + "\"";
}

std::string s_num(unsigned long v) { return std::to_string(v); }

std::string s_ruleId(const CHKRUN_FINDING& f) {
  char buf[16];
  snprintf(buf, sizeof buf, "%c%04d", f.cKind, f.iCode);
  return buf;
}

const char* s_level(char cKind) {
  return (cKind == 'B' || cKind == 'E') ? "error" : cKind == 'W' ? "warning" : "note";
}

std::string s_jsonFile(const CHKRUN_RESULT& r) {
  std::string o = "    {\n      \"file\": " + s_str(r.path) + ",\n      \"type\": \"" +
                  s_typeNames[r.iType >= 1 && r.iType <= 4 ? r.iType : 1] + "\",\n      \"messages\": [";
  const char* sep = "\n";
  for (const CHKRUN_FINDING& f : r.findings) {
    o += sep;
    o += "        {\"code\": " + (f.iCode >= 0 ? std::to_string(f.iCode) : std::string("null")) +
         ", \"severity\": \"" + CHKRUN_KindName(f.cKind) + "\", \"file\": " + s_str(f.file) +
         ", \"line\": " + (f.ulLine ? s_num(f.ulLine) : std::string("null")) + ", \"text\": " + s_str(f.text) + "}";
    sep = ",\n";
  }
  o += r.findings.empty() ? "],\n" : "\n      ],\n";
  o += "      \"counts\": {\"bugs\": " + s_num(r.ulBugs) + ", \"errors\": " + s_num(r.ulErrors) +
       ", \"warnings\": " + s_num(r.ulWarnings) + ", \"cautions\": " + s_num(r.ulCautions) +
       ", \"notes\": " + s_num(r.ulNotes) + "},\n";
  o += std::string("      \"verdict\": \"") + (r.ulBugs || r.ulErrors || r.iStatus ? "Failed" : "Passed") +
       "\",\n      \"status\": " + std::to_string(r.iStatus) + "\n    }";
  return o;
}

std::string s_sarifResult(const CHKRUN_FINDING& f, int ruleIndex) {
  std::string o = "        {";
  if (ruleIndex >= 0) o += "\"ruleId\": \"" + s_ruleId(f) + "\", \"ruleIndex\": " + std::to_string(ruleIndex) + ", ";
  o += std::string("\"level\": \"") + s_level(f.cKind) + "\", \"message\": {\"text\": " + s_str(f.text) +
       "}, \"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": " +
       s_str(CHKCLI_PathUri(f.file)) + "}";
  if (f.ulLine) o += ", \"region\": {\"startLine\": " + s_num(f.ulLine) + "}";
  return o + "}}]}";
}

}  // namespace

int CHKCLI_WorstStatus(const std::vector<CHKRUN_RESULT>& results) {
  int worst = 0;
  for (const CHKRUN_RESULT& r : results) worst = std::max(worst, r.iStatus);
  return worst;
}

std::string CHKCLI_JsonReport(const std::vector<CHKRUN_RESULT>& results) {
  std::string o = "{\n  \"tool\": \"ibis_checker\",\n  \"version\": \"" AMI_VERSION "\",\n  \"files\": [";
  const char* sep = "\n";
  for (const CHKRUN_RESULT& r : results) {
    o += sep + s_jsonFile(r);
    sep = ",\n";
  }
  o += results.empty() ? "],\n" : "\n  ],\n";
  return o + "  \"status\": " + std::to_string(CHKCLI_WorstStatus(results)) + "\n}\n";
}

std::string CHKCLI_SarifReport(const std::vector<CHKRUN_RESULT>& results) {
  // Rules: each numbered form once, in the order first raised, described by
  // its catalogue text.
  std::map<std::string, int> index;
  std::string rules, res;
  for (const CHKRUN_RESULT& r : results)
    for (const CHKRUN_FINDING& f : r.findings) {
      int ri = -1;
      if (f.iCode >= 0) {
        const std::string id = s_ruleId(f);
        auto it = index.find(id);
        if (it == index.end()) {
          ri = static_cast<int>(index.size());
          index[id] = ri;
          const int k = BSearchErrorLogTable(f.iCode);
          rules += std::string(rules.empty() ? "\n" : ",\n") + "          {\"id\": \"" + id +
                   "\", \"shortDescription\": {\"text\": " + s_str(k >= 0 ? gErrorLogTable[k].pszText : id) +
                   "}, \"defaultConfiguration\": {\"level\": \"" + s_level(f.cKind) + "\"}}";
        } else {
          ri = it->second;
        }
      }
      res += std::string(res.empty() ? "\n" : ",\n") + s_sarifResult(f, ri);
    }
  const int worst = CHKCLI_WorstStatus(results);
  std::string o = "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n";
  o += "  \"runs\": [\n    {\n      \"tool\": {\"driver\": {\"name\": \"ibis_checker\", \"version\": \"" AMI_VERSION
       "\", \"rules\": [";
  o += rules + (rules.empty() ? "]}},\n" : "\n      ]}},\n");
  o += "      \"invocations\": [{\"executionSuccessful\": " + std::string(worst < 2 ? "true" : "false") +
       ", \"exitCode\": " + std::to_string(worst) + "}],\n";
  o += "      \"results\": [" + res + (res.empty() ? "]\n" : "\n      ]\n");
  return o + "    }\n  ]\n}\n";
}

std::string CHKCLI_PathUri(const std::string& path) {
  std::string o = !path.empty() && path[0] == '/' ? "file://" : "";
  static const char hex[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      o += static_cast<char>(c);
    } else {
      o += '%';
      o += hex[c >> 4];
      o += hex[c & 15];
    }
  }
  return o;
}

std::string CHKCLI_TextSummary(const std::vector<int>& statuses) {
  size_t n[3] = {0, 0, 0};
  for (int s : statuses) ++n[s >= 0 && s <= 2 ? s : 2];
  char buf[160];
  snprintf(buf, sizeof buf, "\n%zu files: %zu passed, %zu failed, %zu could not be read\n", statuses.size(), n[0],
           n[1], n[2]);
  return buf;
}

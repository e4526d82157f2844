// Reports of the checks of one call (prefix CHKCLI_): the JSON record of
// every finding, and a SARIF 2.1.0 log for code hosts.
#pragma once

#include <string>
#include <vector>

#include "checker/chkrun.h"

// Worst status of the results (the program's exit status): 0 when empty.
int CHKCLI_WorstStatus(const std::vector<CHKRUN_RESULT>& results);

// JSON: {"tool", "version", "files": [{"file", "type", "messages": [{"code"
// (null for a message without one), "severity", "file", "line" (null when
// none), "text"}], "counts": {...}, "verdict": "Passed"|"Failed", "status"}],
// "status"}. Texts are escaped; bytes of 128 and above are written as
// \u00XX, so the output is ASCII whatever a file holds.
std::string CHKCLI_JsonReport(const std::vector<CHKRUN_RESULT>& results);

// SARIF 2.1.0: one run of the tool, one result per finding with its level
// (error for bugs and errors, warning, note for cautions and notes), its
// rule (the numbered form, e.g. "E1905") and the file and line it names.
std::string CHKCLI_SarifReport(const std::vector<CHKRUN_RESULT>& results);

// A path as a URI reference: relative paths percent-encoded, absolute ones as
// "file://" URIs.
std::string CHKCLI_PathUri(const std::string& path);

// The line after the totals of a text run over several files.
std::string CHKCLI_TextSummary(const std::vector<int>& statuses);

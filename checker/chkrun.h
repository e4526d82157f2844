// One whole check of one file, as a driver runs it (INIT, PARSE, TEST, FINI),
// with its findings collected as records (prefix CHKRUN_). The command-line
// program and the call API (chkapi.h) both run checks through here.
//
// A check counts as if it were the first of the process: the error log's
// counters and the stored directory of the frame are reset before it, and
// the switches it sets (cautions, numbered style, banners, the record sink)
// are put back afterwards. Process-wide state is still used: one check at a
// time per process (the call API serialises).
#pragma once

#include <string>
#include <vector>

#include "checker/keywords.h"

// One finding: a message as the log raised it.
struct CHKRUN_FINDING {
  char cKind = 'E';          // 'B', 'E', 'W', 'C', 'N', 'I' (see ERRLOG_RECORD)
  int iCode = -1;            // catalogue code, -1 for a free-format message
  unsigned long ulLine = 0;  // line of the file the message names, 0 for none
  std::string file;          // the file being read when it was raised
  std::string text;          // the formatted text, without prefix
};

// Status of a checked file, also the program's exit status for it.
enum { CHKRUN_PASSED = 0, CHKRUN_FAILED = 1, CHKRUN_UNREADABLE = 2 };

struct CHKRUN_RESULT {
  std::string path;  // as given
  int iType = FILE_TYPE_IBS;
  std::vector<CHKRUN_FINDING> findings;
  unsigned long ulBugs = 0, ulErrors = 0, ulWarnings = 0, ulCautions = 0, ulNotes = 0;
  int iStatus = CHKRUN_PASSED;
};

struct CHKRUN_OPTIONS {
  int iType = 0;          // FILE_TYPE_*, or 0: from the file name (CHKRUN_TypeFromName)
  bool bCautions = false; // report cautions (the -caution option)
  bool bNumbered = false; // text output: numbered line forms (the -numbered option)
};

// File type of a path by its extension, compared without regard to case:
// ".pkg", ".ebd", ".ami" give their types, anything else (".ibs", another
// extension, none) the IBIS type, whose opening then reports a wrong one.
int CHKRUN_TypeFromName(const char* pszPath);

// Checks one file, printing as the checker always has (banners, message
// lines, totals) to the log stream. Result: the file's status.
int CHKRUN_CheckPrinted(const char* pszPath, const CHKRUN_OPTIONS& opts);

// Checks one file printing nothing; fills *pResult. Result: the status.
int CHKRUN_CheckCollected(const char* pszPath, const CHKRUN_OPTIONS& opts, CHKRUN_RESULT* pResult);

// Name of a finding's kind in reports: "bug", "error", "warning", "caution",
// "note", "information".
const char* CHKRUN_KindName(char cKind);

// The files of one ibis_checker call and their checks (prefix CHKCLI_).
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

#include "checker/chkrun.h"

// The files named by the program's arguments, in argument order: a folder
// gives its files with the extensions .ibs, .pkg, .ebd and .ami (without
// regard to case), found recursively and sorted by path; any other argument
// is taken as a file as it stands (the checker itself tries its extension
// and case variants). A folder without such files, or one that cannot be
// read, adds nothing and a line to *pProblems. Result: true when no folder
// had a problem.
bool CHKCLI_ExpandPaths(const std::vector<std::string>& args, std::vector<std::string>* pFiles,
                        std::vector<std::string>* pProblems);

// What a check of one file gave: its status and, as asked, the printed text
// or the collected result.
struct CHKCLI_OUTCOME {
  int iStatus = CHKRUN_UNREADABLE;
  bool bStopped = false;  // the check's process ended before the check did
  std::string text;
  CHKRUN_RESULT result;
};

// Checks each file as if it were alone, each in its own child process, at
// most iJobs at a time. bCollect selects collected results (for the
// structured reports) over printed text. pfnDone, when given, is called for
// each outcome in file order as soon as it and all before it are done (text
// output streams this way). A child that dies gives CHKRUN_UNREADABLE and a
// message on standard error.
std::vector<CHKCLI_OUTCOME> CHKCLI_CheckAll(const std::vector<std::string>& files, const CHKRUN_OPTIONS& opts,
                                            bool bCollect, int iJobs,
                                            void (*pfnDone)(const CHKCLI_OUTCOME&, void*), void* pContext);

// Writes a collected result to a stream and reads it back (the children hand
// their results to the parent this way). ReadResult gives false for a
// malformed or cut record.
void CHKCLI_WriteResult(FILE* pStream, const CHKRUN_RESULT& r);
bool CHKCLI_ReadResult(FILE* pStream, CHKRUN_RESULT* pResult);

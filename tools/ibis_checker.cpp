// ibis_checker: checks IBIS (.ibs), package (.pkg), board (.ebd) and AMI
// parameter (.ami) files and prints the findings, the totals and the verdict
// of each, as text (the default), JSON or SARIF.
//
//   ibis_checker [-caution] [-numbered] [-ebd|-pkg|-ami] [--format F]
//                [--jobs N] <file or folder>...
//
// Exit status: the worst over the files: 0 passed, 1 failed, 2 bad usage or a
// file that could not be read.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/errlog.h"
#include "base/version.h"
#include "checkcli/batch.h"
#include "checkcli/report.h"
#include "checker/chkrun.h"
#include "checker/frameio.h"
#include "checker/hdr.h"

namespace {

void s_usage(FILE* out, const char* argv0) {
  const char* slash = strrchr(argv0, '/');
  const char* prog = slash ? slash + 1 : argv0;
  fprintf(out, "\nIBISfile validation:\n");
  fprintf(out, "    This program is provided free of charge to the electrical engineering\n");
  fprintf(out, "    community. Its purpose is to validate that the contents of a file of\n");
  fprintf(out, "    ASCII device data conform to the published IBIS standard: the syntax of\n");
  fprintf(out, "    every keyword and sub-parameter, and the consistency of the data.\n");
  fprintf(out, "    Findings are reported as errors, warnings, cautions and notes.\n\n");
  fprintf(out, "Usage: %s       <IBS filename>\n", prog);
  fprintf(out, "     : %s  -ebd <EBD filename>\n", prog);
  fprintf(out, "     : %s  -pkg <PKG filename>\n", prog);
  fprintf(out, "     : %s  -ami <AMI filename>\n", prog);
  fprintf(out, "Usage: %s  -caution -numbered      <IBS filename>\n", prog);
  fprintf(out, "     : %s  -caution -numbered -ebd <EBD filename>\n", prog);
  fprintf(out, "     : %s  -caution -numbered -pkg <PKG filename>\n", prog);
  fprintf(out, "     : %s  -caution -numbered -ami <AMI filename>\n", prog);
  fprintf(out,
          "The flags prior to the file name can be in any order, and the -caution and/or -numbered flags are "
          "optional.\n");
  fprintf(out,
          "\nUsage: %s [flags] <file or folder>...\n"
          "  Checks IBIS (.ibs) files whose [IBIS Ver] is one of\n"
          "    %s\n"
          "  and package (.pkg), board (.ebd) and AMI parameter (.ami) files.\n"
          "  Each file is checked as if alone; a folder stands for its .ibs, .pkg, .ebd\n"
          "  and .ami files, found in all its subfolders.\n"
          "  -ebd, -pkg, -ami   check every file as that type; without one, a name ending\n"
          "                     in .ebd, .pkg or .ami (any case) is checked as such, any\n"
          "                     other as an IBIS (.ibs) file\n"
          "  -caution           report cautions too\n"
          "  -numbered          print each message with its code (E1905 - ...)\n"
          "  --format F         text (the default), json (one record per message, then\n"
          "                     the counts and the verdict of each file) or sarif (SARIF\n"
          "                     2.1.0, for code hosts' annotations)\n"
          "  --jobs N           check up to N files at the same time (default 1); the\n"
          "                     output keeps the order of the arguments\n"
          "  --help, -h         print this text\n"
          "  --version          print the program's version\n"
          "Exit status (the worst over the files):\n"
          "  0  every file passed (no bug and no error; warnings, cautions and notes\n"
          "     never fail a file)\n"
          "  1  at least one file failed\n"
          "  2  bad usage, or a file or folder that could not be read\n",
          prog, HDR_VersionList());
}

enum Format { FORMAT_TEXT, FORMAT_JSON, FORMAT_SARIF };

struct Options {
  CHKRUN_OPTIONS check;
  int typeOptions = 0;
  Format format = FORMAT_TEXT;
  int jobs = 1;
  std::vector<std::string> paths;
};

// Parses the arguments. Result: -1 to go on, else the exit status to stop with.
int s_parse(int argc, char** argv, const char* argv0, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const bool hasValue = i + 1 < argc;
    const bool isFlag = a[0] == '-' && a[1] != '\0';
    if (isFlag && !o->paths.empty() && strcmp(a, "--help") != 0 && strcmp(a, "--version") != 0) {
      fprintf(stderr, "%s: the flags must come before the file names\n", argv0);
      s_usage(stderr, argv0);
      return 2;
    }
    if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
      s_usage(stdout, argv0);
      return 0;
    } else if (strcmp(a, "--version") == 0) {
      printf("ibis_checker %s\n", AMI_VERSION);
      return 0;
    } else if (strcmp(a, "-caution") == 0) {
      o->check.bCautions = true;
    } else if (strcmp(a, "-numbered") == 0) {
      o->check.bNumbered = true;
    } else if (strcmp(a, "-ebd") == 0 || strcmp(a, "-pkg") == 0 || strcmp(a, "-ami") == 0) {
      o->check.iType = a[1] == 'e' ? FILE_TYPE_EBD : a[1] == 'p' ? FILE_TYPE_PKG : FILE_TYPE_AMI;
      ++o->typeOptions;
    } else if (strcmp(a, "--format") == 0 && hasValue) {
      const char* f = argv[++i];
      if (strcmp(f, "text") == 0) o->format = FORMAT_TEXT;
      else if (strcmp(f, "json") == 0) o->format = FORMAT_JSON;
      else if (strcmp(f, "sarif") == 0) o->format = FORMAT_SARIF;
      else {
        fprintf(stderr, "%s: unknown format '%s' (text, json or sarif)\n", argv0, f);
        return 2;
      }
    } else if (strcmp(a, "--jobs") == 0 && hasValue) {
      char* end = nullptr;
      const long n = strtol(argv[++i], &end, 10);
      if (!end || *end || n < 1 || n > 256) {
        fprintf(stderr, "%s: --jobs takes a number from 1 to 256\n", argv0);
        return 2;
      }
      o->jobs = static_cast<int>(n);
    } else if (isFlag) {
      if (strcmp(a, "--format") == 0 || strcmp(a, "--jobs") == 0)
        fprintf(stderr, "%s: %s needs a value\n", argv0, a);
      else
        fprintf(stderr, "%s: unknown option '%s'\n", argv0, a);
      s_usage(stderr, argv0);
      return 2;
    } else {
      o->paths.push_back(a);
    }
  }
  if (o->paths.empty() || o->typeOptions > 1) {
    if (o->typeOptions > 1) fprintf(stderr, "%s: give at most one of -ebd, -pkg, -ami\n", argv0);
    s_usage(stderr, argv0);
    return 2;
  }
  return -1;
}

void s_printText(const CHKCLI_OUTCOME& outcome, void*) {
  fwrite(outcome.text.data(), 1, outcome.text.size(), stdout);
  fflush(stdout);
}

// Says on standard error why a file gave no check.
void s_unreadable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    fprintf(stderr, "ibis_checker: '%s': no such file or folder\n", path.c_str());
  else
    fprintf(stderr, "ibis_checker: '%s' was not read (see the messages above)\n", path.c_str());
}

// One file named alone, as text: checked in this process, as always.
int s_checkOne(const std::string& path, const CHKRUN_OPTIONS& opts) {
  const int status = CHKRUN_CheckPrinted(path.c_str(), opts);
  if (status == CHKRUN_UNREADABLE) s_unreadable(path);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  const int stop = s_parse(argc, argv, argc > 0 && argv[0] ? argv[0] : "ibis_checker", &o);
  if (stop >= 0) return stop;

  std::vector<std::string> files, problems;
  const bool foldersOk = CHKCLI_ExpandPaths(o.paths, &files, &problems);
  for (const std::string& p : problems) fprintf(stderr, "ibis_checker: %s\n", p.c_str());
  const bool single = o.paths.size() == 1 && files.size() == 1 && files[0] == o.paths[0];
  if (o.format == FORMAT_TEXT && single) return s_checkOne(files[0], o.check);

  const bool collect = o.format != FORMAT_TEXT;
  std::vector<CHKCLI_OUTCOME> outcomes =
      CHKCLI_CheckAll(files, o.check, collect, o.jobs, collect ? nullptr : s_printText, nullptr);
  int worst = foldersOk ? CHKRUN_PASSED : CHKRUN_UNREADABLE;
  std::vector<int> statuses;
  std::vector<CHKRUN_RESULT> results;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    statuses.push_back(outcomes[i].iStatus);
    if (outcomes[i].iStatus > worst) worst = outcomes[i].iStatus;
    if (outcomes[i].iStatus == CHKRUN_UNREADABLE && !outcomes[i].bStopped) s_unreadable(files[i]);
    if (collect) results.push_back(std::move(outcomes[i].result));
  }
  if (o.format == FORMAT_TEXT) {
    if (statuses.size() > 1) fputs(CHKCLI_TextSummary(statuses).c_str(), stdout);
  } else {
    const std::string report = o.format == FORMAT_JSON ? CHKCLI_JsonReport(results) : CHKCLI_SarifReport(results);
    fputs(report.c_str(), stdout);
  }
  return worst;
}

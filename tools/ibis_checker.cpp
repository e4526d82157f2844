// ibis_checker: checks one IBIS (.ibs), package (.pkg), board (.ebd) or AMI
// parameter (.ami) file and prints the findings, the totals and the verdict.
//
//   ibis_checker [-caution] [-numbered] [-ebd|-pkg|-ami] <file>
//
// Exit status: 0 the file passed, 1 it failed, 2 bad usage or a file that
// could not be read.
#include <stdio.h>
#include <string.h>

#include "base/errlog.h"
#include "checker/keywords.h"
#include "checker/parse.h"

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
}

}  // namespace

int main(int argc, char** argv) {
  const char* argv0 = argc > 0 ? argv[0] : "ibis_checker";
  int type = FILE_TYPE_IBS;
  int typeOptions = 0;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
      s_usage(stdout, argv0);
      return 0;
    }
    if (strcmp(a, "-caution") == 0) {
      gbSuppressCautions = 0;
    } else if (strcmp(a, "-numbered") == 0) {
      gbOldStyleErrors = 0;
    } else if (strcmp(a, "-ebd") == 0 || strcmp(a, "-pkg") == 0 || strcmp(a, "-ami") == 0) {
      type = a[1] == 'e' ? FILE_TYPE_EBD : a[1] == 'p' ? FILE_TYPE_PKG : FILE_TYPE_AMI;
      ++typeOptions;
    } else if (a[0] == '-' && a[1] != '\0') {
      fprintf(stderr, "%s: unknown option '%s'\n", argv0, a);
      s_usage(stderr, argv0);
      return 2;
    } else if (!path && i == argc - 1) {
      path = a;
    } else {
      fprintf(stderr, "%s: the file name must come last, after the flags\n", argv0);
      s_usage(stderr, argv0);
      return 2;
    }
  }
  if (!path || typeOptions > 1) {
    if (typeOptions > 1) fprintf(stderr, "%s: give at most one of -ebd, -pkg, -ami\n", argv0);
    s_usage(stderr, argv0);
    return 2;
  }
  if (!INIT()) return 2;
  const int parsed = PARSE(path, type);
  if (parsed) TEST(type, 0);
  FINI();
  if (!parsed) {
    // Nothing could be read (the file was not found under any of the names
    // the checker tries): a usage matter. A file that the checker opened
    // and judged (its version could not be determined) failed the check.
    return CMN_LastOpenSucceeded() ? 1 : 2;
  }
  unsigned long bugs = 0, errors = 0;
  ERRLOG_GetCounts(&bugs, &errors, nullptr);
  return (bugs || errors) ? 1 : 0;
}

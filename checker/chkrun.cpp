// One whole check of one file with its findings as records (see chkrun.h).
#include "checker/chkrun.h"

#include <string.h>
#include <strings.h>

#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/parse.h"

namespace {

// The path a finding names: the checked path for the file itself; for a file
// that it refers to (read as a nested check), the checked path's folder and
// the nested file's base name, where the checker looked for it.
std::string s_findingFile(const std::string& top) {
  char name[CMN_MAX_FILENAME + 1];
  PARSE_GetFileName(name);
  const size_t slash = top.rfind('/');
  const std::string topBase = slash == std::string::npos ? top : top.substr(slash + 1);
  if (name[0] == '\0' || strcasecmp(name, topBase.c_str()) == 0) return top;
  return (slash == std::string::npos ? std::string() : top.substr(0, slash + 1)) + name;
}

void s_collect(const ERRLOG_RECORD* rec, void* ctx) {
  CHKRUN_RESULT* r = static_cast<CHKRUN_RESULT*>(ctx);
  CHKRUN_FINDING f;
  f.cKind = rec->cKind;
  f.iCode = rec->iCode;
  f.ulLine = rec->bHasLine ? rec->ulLine : 0;
  f.file = s_findingFile(r->path);
  f.text = rec->pszText ? rec->pszText : "";
  if (f.cKind == 'N') ++r->ulNotes;
  r->findings.push_back(std::move(f));
}

// Sets the switches of one check and puts the previous ones back when done.
class SwitchScope {
 public:
  SwitchScope(const CHKRUN_OPTIONS& o, bool bQuiet)
      : m_iCautions(gbSuppressCautions), m_iOldStyle(gbOldStyleErrors), m_iBanners(PARSE_BannersSuppressed()) {
    gbSuppressCautions = o.bCautions ? 0 : 1;
    gbOldStyleErrors = o.bNumbered ? 0 : 1;
    if (bQuiet) PARSE_SuppressBanners(1);
    ERRLOG_ResetCounts();
    CMN_SetIbsPath("");
    PARSE_SetFileName("");
  }
  ~SwitchScope() {
    gbSuppressCautions = m_iCautions;
    gbOldStyleErrors = m_iOldStyle;
    PARSE_SuppressBanners(m_iBanners);
    ERRLOG_SetRecordSink(nullptr, nullptr, 1);
  }

 private:
  int m_iCautions, m_iOldStyle, m_iBanners;
};

// INIT, PARSE, TEST, FINI; the status from what the run counted.
int s_run(const char* pszPath, int iType) {
  if (!INIT()) return CHKRUN_UNREADABLE;
  const int parsed = PARSE(pszPath, iType);
  if (parsed) TEST(iType, 0);
  FINI();
  // Nothing could be read (the file was not found under any of the names the
  // checker tries): the file is unreadable. A file that was opened and
  // judged (its version could not be determined) failed the check.
  if (!parsed && !CMN_LastOpenSucceeded()) return CHKRUN_UNREADABLE;
  if (!parsed) return CHKRUN_FAILED;
  unsigned long bugs = 0, errors = 0;
  ERRLOG_GetCounts(&bugs, &errors, nullptr);
  return (bugs || errors) ? CHKRUN_FAILED : CHKRUN_PASSED;
}

}  // namespace

int CHKRUN_TypeFromName(const char* pszPath) {
  if (!pszPath) return FILE_TYPE_IBS;
  const char* slash = strrchr(pszPath, '/');
  const char* base = slash ? slash + 1 : pszPath;
  const char* dot = strrchr(base, '.');
  if (!dot) return FILE_TYPE_IBS;
  if (strcasecmp(dot, ".pkg") == 0) return FILE_TYPE_PKG;
  if (strcasecmp(dot, ".ebd") == 0) return FILE_TYPE_EBD;
  if (strcasecmp(dot, ".ami") == 0) return FILE_TYPE_AMI;
  return FILE_TYPE_IBS;
}

int CHKRUN_CheckPrinted(const char* pszPath, const CHKRUN_OPTIONS& opts) {
  SwitchScope scope(opts, false);
  return s_run(pszPath, opts.iType ? opts.iType : CHKRUN_TypeFromName(pszPath));
}

int CHKRUN_CheckCollected(const char* pszPath, const CHKRUN_OPTIONS& opts, CHKRUN_RESULT* pResult) {
  if (!pResult) return CHKRUN_UNREADABLE;
  *pResult = CHKRUN_RESULT();
  pResult->path = pszPath ? pszPath : "";
  pResult->iType = opts.iType ? opts.iType : CHKRUN_TypeFromName(pszPath);
  SwitchScope scope(opts, true);
  ERRLOG_SetRecordSink(s_collect, pResult, 0);
  pResult->iStatus = s_run(pResult->path.c_str(), pResult->iType);
  ERRLOG_GetCounts(&pResult->ulBugs, &pResult->ulErrors, &pResult->ulWarnings);
  pResult->ulCautions = ERRLOG_GetCautionCount();
  return pResult->iStatus;
}

const char* CHKRUN_KindName(char cKind) {
  switch (cKind) {
    case 'B': return "bug";
    case 'E': return "error";
    case 'W': return "warning";
    case 'C': return "caution";
    case 'N': return "note";
    default: return "information";
  }
}

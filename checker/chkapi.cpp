// The checker's call API (see chkapi.h): one whole check per call under one
// mutex, its findings kept in the result.
#include "checker/chkapi.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <mutex>
#include <new>
#include <string>

#include "base/version.h"
#include "checker/chkrun.h"

struct IBISCHK_RESULT {
  CHKRUN_RESULT run;
};

namespace {

std::mutex s_mutex;  // the checker's process-wide state: one check at a time

bool s_validType(int iType) { return iType >= IBISCHK_TYPE_AUTO && iType <= IBISCHK_TYPE_AMI; }

IBISCHK_RESULT* s_check(const char* pszPath, int iType, int iFlags) {
  IBISCHK_RESULT* r = new (std::nothrow) IBISCHK_RESULT;
  if (!r) return nullptr;
  CHKRUN_OPTIONS o;
  o.iType = iType;
  o.bCautions = (iFlags & IBISCHK_CAUTIONS) != 0;
  try {
    std::lock_guard<std::mutex> lock(s_mutex);
    CHKRUN_CheckCollected(pszPath, o, &r->run);
  } catch (const std::exception&) {  // out of memory while collecting
    delete r;
    return nullptr;
  }
  return r;
}

// Replaces every occurrence of from in s by to.
void s_replaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

bool s_writeFile(const std::string& path, const char* pText, size_t uLength) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = fwrite(pText, 1, uLength, f) == uLength;
  return fclose(f) == 0 && ok;
}

}  // namespace

extern "C" {

IBISCHK_RESULT* IBISCHK_CheckFile(const char* pszPath, int iType, int iFlags) {
  if (!pszPath || !s_validType(iType)) return nullptr;
  return s_check(pszPath, iType, iFlags);
}

IBISCHK_RESULT* IBISCHK_CheckText(const char* pText, size_t uLength, const char* pszName, int iType, int iFlags) {
  if ((!pText && uLength) || !pszName || !pszName[0] || strchr(pszName, '/') || !s_validType(iType))
    return nullptr;
  const char* tmp = getenv("TMPDIR");
  std::string dir = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/ibischk.XXXXXX";
  if (!mkdtemp(&dir[0])) return nullptr;
  const std::string path = dir + "/" + pszName;
  IBISCHK_RESULT* r = s_writeFile(path, pText ? pText : "", uLength) ? s_check(path.c_str(), iType, iFlags) : nullptr;
  remove(path.c_str());
  rmdir(dir.c_str());
  if (!r) return nullptr;
  // The findings name the text by its name, not by the temporary folder.
  r->run.path = pszName;
  for (CHKRUN_FINDING& f : r->run.findings) {
    s_replaceAll(f.text, dir + "/", "");
    s_replaceAll(f.file, dir + "/", "");
  }
  return r;
}

int IBISCHK_Status(const IBISCHK_RESULT* pResult) { return pResult ? pResult->run.iStatus : -1; }

size_t IBISCHK_FindingCount(const IBISCHK_RESULT* pResult) { return pResult ? pResult->run.findings.size() : 0; }

int IBISCHK_GetFinding(const IBISCHK_RESULT* pResult, size_t i, IBISCHK_FINDING* pFinding) {
  if (!pResult || !pFinding || i >= pResult->run.findings.size()) return 0;
  const CHKRUN_FINDING& f = pResult->run.findings[i];
  pFinding->iCode = f.iCode;
  pFinding->cKind = f.cKind;
  pFinding->pszSeverity = CHKRUN_KindName(f.cKind);
  pFinding->ulLine = f.ulLine;
  pFinding->pszFile = f.file.c_str();
  pFinding->pszText = f.text.c_str();
  return 1;
}

void IBISCHK_GetCounts(const IBISCHK_RESULT* pResult, unsigned long* pulBugs, unsigned long* pulErrors,
                       unsigned long* pulWarnings, unsigned long* pulCautions, unsigned long* pulNotes) {
  const CHKRUN_RESULT empty;
  const CHKRUN_RESULT& r = pResult ? pResult->run : empty;
  if (pulBugs) *pulBugs = r.ulBugs;
  if (pulErrors) *pulErrors = r.ulErrors;
  if (pulWarnings) *pulWarnings = r.ulWarnings;
  if (pulCautions) *pulCautions = r.ulCautions;
  if (pulNotes) *pulNotes = r.ulNotes;
}

void IBISCHK_Free(IBISCHK_RESULT* pResult) { delete pResult; }

const char* IBISCHK_Version(void) { return AMI_VERSION; }

}  // extern "C"

// The files of one call and their checks, one child process per file (see
// batch.h). A child starts from the parent's untouched checker state, so each
// file is checked as if it were alone, and a file that makes the checker stop
// the process stops only its child.
#include "checkcli/batch.h"

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "base/errlog.h"

namespace fs = std::filesystem;

namespace {

bool s_isIbisFamily(const fs::path& p) {
  const std::string ext = p.extension().string();
  for (const char* e : {".ibs", ".pkg", ".ebd", ".ami"})
    if (strcasecmp(ext.c_str(), e) == 0) return true;
  return false;
}

// The IBIS-family files under a folder, sorted; false when it cannot be walked.
bool s_walk(const std::string& dir, std::vector<std::string>* out) {
  std::error_code ec;
  std::vector<std::string> found;
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code fec;
    if (it->is_regular_file(fec) && s_isIbisFamily(it->path())) found.push_back(it->path().string());
  }
  if (ec) return false;
  std::sort(found.begin(), found.end());
  out->insert(out->end(), found.begin(), found.end());
  return !found.empty();
}

// A child's check: the result written to fd, or the printed text sent there.
[[noreturn]] void s_child(const std::string& path, const CHKRUN_OPTIONS& opts, bool bCollect, FILE* tmp) {
  int status;
  if (bCollect) {
    CHKRUN_RESULT r;
    status = CHKRUN_CheckCollected(path.c_str(), opts, &r);
    CHKCLI_WriteResult(tmp, r);
  } else {
    dup2(fileno(tmp), STDOUT_FILENO);
    ERRLOG_SetOutputFile(stdout);
    status = CHKRUN_CheckPrinted(path.c_str(), opts);
    fflush(stdout);
  }
  fflush(tmp);
  _exit(status);
}

// Reads back what a finished child left and sets the outcome.
void s_finish(const std::string& path, FILE* tmp, int waitStatus, bool bCollect, CHKCLI_OUTCOME* out) {
  rewind(tmp);
  if (bCollect) {
    if (!CHKCLI_ReadResult(tmp, &out->result)) out->result.path = path;
  } else {
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, tmp)) > 0) out->text.append(buf, n);
  }
  fclose(tmp);
  if (WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) <= CHKRUN_UNREADABLE) {
    out->iStatus = WEXITSTATUS(waitStatus);
  } else {
    out->iStatus = CHKRUN_UNREADABLE;
    out->bStopped = true;
    fprintf(stderr, "ibis_checker: the check of '%s' stopped before its end (%s %d)\n", path.c_str(),
            WIFSIGNALED(waitStatus) ? "signal" : "exit status",
            WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : WEXITSTATUS(waitStatus));
  }
  if (bCollect) out->result.iStatus = out->iStatus;
}

}  // namespace

bool CHKCLI_ExpandPaths(const std::vector<std::string>& args, std::vector<std::string>* pFiles,
                        std::vector<std::string>* pProblems) {
  bool ok = true;
  for (const std::string& a : args) {
    struct stat st;
    if (stat(a.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      pFiles->push_back(a);
      continue;
    }
    if (!s_walk(a, pFiles)) {
      pProblems->push_back("folder '" + a + "' holds no readable .ibs, .pkg, .ebd or .ami file");
      ok = false;
    }
  }
  return ok;
}

std::vector<CHKCLI_OUTCOME> CHKCLI_CheckAll(const std::vector<std::string>& files, const CHKRUN_OPTIONS& opts,
                                            bool bCollect, int iJobs,
                                            void (*pfnDone)(const CHKCLI_OUTCOME&, void*), void* pContext) {
  std::vector<CHKCLI_OUTCOME> out(files.size());
  std::vector<bool> done(files.size(), false);
  std::map<pid_t, std::pair<size_t, FILE*>> running;
  size_t next = 0, reported = 0;
  if (iJobs < 1) iJobs = 1;
  while (reported < files.size()) {
    while (next < files.size() && running.size() < static_cast<size_t>(iJobs)) {
      FILE* tmp = tmpfile();
      fflush(stdout);
      fflush(stderr);
      const pid_t pid = tmp ? fork() : -1;
      if (pid == 0) s_child(files[next], opts, bCollect, tmp);
      if (pid < 0) {  // no child: report the file as unreadable
        if (tmp) fclose(tmp);
        fprintf(stderr, "ibis_checker: cannot start the check of '%s': %s\n", files[next].c_str(), strerror(errno));
        out[next].result.path = files[next];
        out[next].bStopped = true;
        done[next++] = true;
        continue;
      }
      running[pid] = {next++, tmp};
    }
    while (reported < files.size() && done[reported]) {
      if (pfnDone) pfnDone(out[reported], pContext);
      ++reported;
    }
    if (running.empty()) continue;
    int ws = 0;
    const pid_t pid = waitpid(-1, &ws, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;
    }
    auto it = running.find(pid);
    if (it == running.end()) continue;
    s_finish(files[it->second.first], it->second.second, ws, bCollect, &out[it->second.first]);
    done[it->second.first] = true;
    running.erase(it);
  }
  return out;
}

void CHKCLI_WriteResult(FILE* f, const CHKRUN_RESULT& r) {
  fprintf(f, "R %d %d %lu %lu %lu %lu %lu %zu %zu\n", r.iStatus, r.iType, r.ulBugs, r.ulErrors, r.ulWarnings,
          r.ulCautions, r.ulNotes, r.findings.size(), r.path.size());
  fwrite(r.path.data(), 1, r.path.size(), f);
  for (const CHKRUN_FINDING& x : r.findings) {
    fprintf(f, "F %d %d %lu %zu %zu\n", x.cKind, x.iCode, x.ulLine, x.file.size(), x.text.size());
    fwrite(x.file.data(), 1, x.file.size(), f);
    fwrite(x.text.data(), 1, x.text.size(), f);
  }
}

namespace {

bool s_readBytes(FILE* f, size_t n, std::string* out) {
  if (n > (1u << 30)) return false;
  out->assign(n, '\0');
  return n == 0 || fread(&(*out)[0], 1, n, f) == n;
}

}  // namespace

bool CHKCLI_ReadResult(FILE* f, CHKRUN_RESULT* r) {
  *r = CHKRUN_RESULT();
  size_t nFindings = 0, nPath = 0;
  if (fscanf(f, "R %d %d %lu %lu %lu %lu %lu %zu %zu", &r->iStatus, &r->iType, &r->ulBugs, &r->ulErrors,
             &r->ulWarnings, &r->ulCautions, &r->ulNotes, &nFindings, &nPath) != 9 ||
      fgetc(f) != '\n' || !s_readBytes(f, nPath, &r->path))
    return false;
  for (size_t i = 0; i < nFindings; ++i) {
    CHKRUN_FINDING x;
    int kind = 0;
    size_t nFile = 0, nText = 0;
    if (fscanf(f, "F %d %d %lu %zu %zu", &kind, &x.iCode, &x.ulLine, &nFile, &nText) != 5 || fgetc(f) != '\n' ||
        !s_readBytes(f, nFile, &x.file) || !s_readBytes(f, nText, &x.text))
      return false;
    x.cKind = static_cast<char>(kind);
    r->findings.push_back(std::move(x));
  }
  return true;
}

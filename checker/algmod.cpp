// [Algorithmic Model]: Executable lines and the file checks of the code and
// AMI parameter files they name.
#include "checker/algmod.h"

#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>

#include "checker/ami.h"
#include "checker/amiver.h"
#include "checker/hdr.h"
#include "checker/ibis.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/ver.h"

namespace {

const char* const s_pszGroup = "Algorithmic Model";

// Copies at most ALGMOD_NAME_MAX characters; true when the text was longer.
bool s_copyName(char* dst, const char* src, size_t n) {
  const bool tooLong = n > ALGMOD_NAME_MAX;
  if (tooLong) n = ALGMOD_NAME_MAX;
  memcpy(dst, src, n);
  dst[n] = '\0';
  return tooLong;
}

// Path of a file named in the .ibs file: the stored directory, a "/" when it
// does not end in one, and the name; a bare name when no directory is stored
// (the current directory).
void s_path(char* out, size_t size, const char* name) {
  char dir[CMN_MAX_FILENAME + 1];
  CMN_GetIbsPath(dir);
  size_t n = strlen(dir);
  snprintf(out, size, "%s%s%s", dir, (n > 0 && dir[n - 1] != '/') ? "/" : "", name);
}

void s_testModels(MDL_STRUCT* pModels);

bool s_canOpen(const char* path) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  fclose(f);
  return true;
}

}  // namespace

extern "C" {

int ALGMOD_New(const char* pszLine, ALGMOD_STRUCT** ppRecord) {
  if (!ppRecord) return 0;
  if (*ppRecord) {
    ERRLOG_LineErrorNew(4601);
    ALGMOD_Free(ppRecord);
  }
  ALGMOD_STRUCT* r = (ALGMOD_STRUCT*)calloc(1, sizeof(ALGMOD_STRUCT));
  if (!r) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(ALGMOD_STRUCT));
    return 0;
  }
  const char* close = pszLine ? strchr(pszLine, ']') : nullptr;
  CMN_ARGLIST* args = nullptr;
  if (CMN_ArgParse(close ? close + 1 : "", 0, &args)) {
    if (args->uiFound > 0) ERRLOG_LineErrorNew(4605, (int)args->uiFound + 1, s_pszGroup, 1);
    CMN_ArgFree(&args);
  }
  r->ulKeywordLine = PARSE_GetLineNum();
  *ppRecord = r;
  return 1;
}

int ALGMOD_ReceiveLine(const char* pszLine, ALGMOD_STRUCT* pRecord) {
  if (!pRecord) return 0;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszLine ? pszLine : "", 4, &args)) return 0;
  if (args->uiFound != 4) {
    ERRLOG_LineErrorNew(4605, (int)args->uiFound, s_pszGroup, 4);
    CMN_ArgFree(&args);
    return 1;
  }
  if (strcmp(CMN_ArgGet(args, 0), "Executable") != 0) {
    ERRLOG_LineErrorNew(4609);
    CMN_ArgFree(&args);
    return 1;
  }
  // Platform_Compiler_Bits: exactly three non-empty parts.
  const char* platformText = CMN_ArgGet(args, 1);
  const char* u1 = strchr(platformText, '_');
  const char* u2 = u1 ? strchr(u1 + 1, '_') : nullptr;
  if (!u1 || !u2 || strchr(u2 + 1, '_') || u1 == platformText || u2 == u1 + 1 || !u2[1]) {
    ERRLOG_LineErrorNew(4610);
    CMN_ArgFree(&args);
    return 1;
  }
  ALGMOD_ENTRY* e = (ALGMOD_ENTRY*)calloc(1, sizeof(ALGMOD_ENTRY));
  if (!e) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(ALGMOD_ENTRY));
    CMN_ArgFree(&args);
    return 0;
  }
  e->iBits = -1;
  char part[PARSE_LINE_MAX + 1];
  size_t n = (size_t)(u1 - platformText);
  if (s_copyName(e->szPlatform, platformText, n)) {
    snprintf(part, sizeof part, "%.*s", (int)n, platformText);
    ERRLOG_LineErrorNew(4611, part);
  }
  n = (size_t)(u2 - u1 - 1);
  if (s_copyName(e->szCompiler, u1 + 1, n)) {
    snprintf(part, sizeof part, "%.*s", (int)n, u1 + 1);
    ERRLOG_LineErrorNew(4612, part);
  }
  unsigned bits = 0;
  if (CMN_StrToUI(u2 + 1, &bits) == 1 && bits <= 0x7fffffffu)
    e->iBits = (int)bits;
  else
    ERRLOG_LineErrorNew(4613, platformText);
  const char* code = CMN_ArgGet(args, 2);
  const char* ami = CMN_ArgGet(args, 3);
  if (s_copyName(e->szCodeFile, code, strlen(code))) ERRLOG_LineErrorNew(4614, code);
  if (s_copyName(e->szAmiFile, ami, strlen(ami))) ERRLOG_LineErrorNew(4614, ami);
  e->pNext = pRecord->pEntries;
  pRecord->pEntries = e;
  CMN_ArgFree(&args);
  return 1;
}

int ALGMOD_Fini(ALGMOD_STRUCT* pRecord, int iNewKeyword) {
  if (!pRecord) return 0;
  if (iNewKeyword != KW_END_ALGORITHMIC_MODEL) ERRLOG_LineErrorNew(259);
  const int line = (int)pRecord->ulKeywordLine;
  for (ALGMOD_ENTRY* e = pRecord->pEntries; e; e = e->pNext) {
    if (e->iBits != 32 && e->iBits != 64) ERRLOG_ErrorNew(4606, e->szPlatform, e->szCompiler, line);
    for (ALGMOD_ENTRY* o = e->pNext; o; o = o->pNext)
      if (strcasecmp(o->szPlatform, e->szPlatform) == 0 && strcasecmp(o->szCompiler, e->szCompiler) == 0 &&
          o->iBits == e->iBits)
        ERRLOG_ErrorNew(4607, e->szPlatform, e->szCompiler, e->iBits, line);
  }
  return 1;
}

void ALGMOD_Free(ALGMOD_STRUCT** ppRecord) {
  if (!ppRecord || !*ppRecord) return;
  ALGMOD_ENTRY* e = (*ppRecord)->pEntries;
  while (e) {
    ALGMOD_ENTRY* next = e->pNext;
    FreeParsedTree(&e->pTree);
    free(e);
    e = next;
  }
  free(*ppRecord);
  *ppRecord = nullptr;
}

int ALGMOD_Test(MDL_STRUCT* pModels) {
  // An AMI file without AMI_Version is checked under the version of the .ibs
  // file that names it.
  const int savedContext = AMI_GetIbsVersion();
  HDR_STRUCT* hdr = nullptr;
  const char* ibisVer = nullptr;
  if (IBIS_GetHdrs(&hdr) && hdr && HDR_GetIBIS_Ver(hdr, &ibisVer)) AMI_SetIbsVersion(ibisVer);
  s_testModels(pModels);
  AMIVER_SetContextVersion(savedContext);
  return 1;
}

}  // extern "C"

namespace {

void s_testModels(MDL_STRUCT* pModels) {
  // Each code file and each AMI file is checked once per .ibs file, however
  // many Executable lines (of one model or of several) name it.
  std::set<std::string> checked;
  for (MDL_STRUCT* m = pModels; m; m = m->pNext) {
    ALGMOD_STRUCT* r = m->pAlgMod;
    if (!r) continue;
    const char* type = MDL_FindTypeName(m->iType);
    if (type[0] && VER_ItemAllowed("Algorithmic Model banned Model_type", type, PARSE_GetIbisLevel()))
      ERRLOG_ErrorNew(5500, m->szName, type);
    if (!r->pEntries) {
      ERRLOG_ErrorNew(4615, m->szName);
      continue;
    }
    for (ALGMOD_ENTRY* e = r->pEntries; e; e = e->pNext) {
      char path[2 * CMN_MAX_FILENAME + 2];
      if (e->szCodeFile[0]) {
        s_path(path, sizeof path, e->szCodeFile);
        if (checked.insert(path).second && !s_canOpen(path)) ERRLOG_ErrorNew(4616, e->szCodeFile, m->szName);
      }
      if (!e->szAmiFile[0] || !checked.insert(std::string("\n") + e->szAmiFile).second) continue;
      if (!strchr(e->szAmiFile, '.')) {
        ERRLOG_ErrorNew(4617, e->szAmiFile, m->szName);
        continue;
      }
      s_path(path, sizeof path, e->szAmiFile);
      if (!s_canOpen(path)) {
        ERRLOG_ErrorNew(4618, e->szAmiFile, m->szName);
        continue;
      }
      // The AMI file is read as a nested check: the .ibs file's frame state
      // is put back afterwards.
      PARSE_STATE saved;
      PARSE_SaveState(&saved);
      PARSED_TREE* tree = nullptr;
      if (PARSE(path, FILE_TYPE_AMI)) {
        if (AMI_ParseAndCheck(&tree)) {
          FreeParsedTree(&e->pTree);
          e->pTree = tree;
        }
      } else {
        AMI_DiscardText();
      }
      PARSE_RestoreState(&saved);
    }
  }
}

}  // namespace

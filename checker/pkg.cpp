// [Package]: the R_pkg, L_pkg and C_pkg lines of a component.
#include "checker/pkg.h"

#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/frameio.h"

namespace {
const char* const s_aszNames[3] = {"R_pkg", "L_pkg", "C_pkg"};
const int s_aiDuplicate[3] = {1203, 1204, 1205};
const int s_aiMissing[3] = {1213, 1215, 1217};
}  // namespace

extern "C" {

PKG_STRUCT* PKG_New(void) {
  void* p = nullptr;
  if (!CMN_malloc(&p, sizeof(PKG_STRUCT))) return nullptr;
  return (PKG_STRUCT*)p;
}

int PKG_ReceiveLine(const char* pszLine, PKG_STRUCT* pPkg) {
  if (!pszLine || !pPkg) return 0;
  if (CMN_IsWhitespace((unsigned char)pszLine[0])) ERRLOG_LineErrorNew(1201);
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pszLine, 1, &args)) return 0;
  const unsigned n = args->uiFound;
  if (n != 4) {
    ERRLOG_LineErrorNew(1202, 4, (int)n);
    CMN_ArgFree(&args);
    return 0;
  }
  const char* sub = CMN_ArgGet(args, 0);
  int slot = -1;
  for (int i = 0; i < 3; ++i)
    if (CMN_StrSameIC(sub, s_aszNames[i])) slot = i;
  if (slot < 0) {
    ERRLOG_LineErrorNew(1206);
  } else if (pPkg->apRange[slot]) {
    ERRLOG_LineErrorNew(s_aiDuplicate[slot]);
  } else {
    // The three values follow the first field.
    const char* rest = pszLine;
    while (*rest && CMN_IsWhitespace((unsigned char)*rest)) ++rest;
    rest += strlen(sub);
    const char* name = s_aszNames[slot];
    if (!RNG_ParseRange(rest, name, &pPkg->apRange[slot])) ERRLOG_LineErrorNew(1207, name);
    const RNG_STRUCT* r = pPkg->apRange[slot];
    if (r) {
      if (r->typ.iState != RNG_VALUE) ERRLOG_LineErrorNew(1209);
      if (r->min.iState == RNG_ABSENT) ERRLOG_LineErrorNew(1210);
      if (r->max.iState == RNG_ABSENT) ERRLOG_LineErrorNew(1211);
    }
  }
  CMN_ArgFree(&args);
  return 1;
}

int PKG_Test(const PKG_STRUCT* pPkg, const char* pszComponent) {
  if (!pPkg) return 0;
  int ok = 1;
  for (int i = 0; i < 3; ++i)
    if (!pPkg->apRange[i]) {
      ERRLOG_ErrorNew(s_aiMissing[i], pszComponent ? pszComponent : "");
      ok = 0;
    }
  return ok;
}

void PKG_Free(PKG_STRUCT** ppPkg) {
  if (!ppPkg || !*ppPkg) return;
  for (RNG_STRUCT*& r : (*ppPkg)->apRange) RNG_Free(&r);
  CMN_freeSetNull((void**)ppPkg);
}

}  // extern "C"

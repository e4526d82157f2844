// The whole-file object stack and the whole-file checks of .ibs files.
#include "checker/ibis.h"

#include <stdlib.h>

#include "checker/acdc.h"
#include "checker/algmod.h"
#include "checker/ccall.h"
#include "checker/chk.h"
#include "checker/cmpnt.h"
#include "checker/ebdmdl.h"
#include "base/errlog.h"
#include "checker/ext.h"
#include "checker/hdr.h"
#include "checker/mdl.h"
#include "checker/msel.h"
#include "checker/pkgmdl.h"
#include "checker/series.h"
#include "checker/submdl.h"
#include "checker/testdata.h"
#include "checker/testload.h"

namespace {

IBIS_STRUCT* s_pTop = nullptr;

// Code of "Required keyword 'Component' not found." in the catalogue.
const int kNoComponent = 5001;

template <typename T>
int s_add(T* p, T* IBIS_STRUCT::*head) {
  if (!s_pTop || !p) return 0;
  p->pNext = s_pTop->*head;
  s_pTop->*head = p;
  return 1;
}

template <typename T>
int s_get(T** pp, T* IBIS_STRUCT::*head) {
  T* h = s_pTop ? s_pTop->*head : nullptr;
  if (pp) *pp = h;
  return h ? 1 : 0;
}

}  // namespace

extern "C" {

IBIS_STRUCT* IBIS_New(void) {
  IBIS_STRUCT* p = (IBIS_STRUCT*)calloc(1, sizeof(IBIS_STRUCT));
  if (!p) {
    ERRLOG_ErrorNew(5000);
    return nullptr;
  }
  p->pOuter = s_pTop;
  s_pTop = p;
  return p;
}

IBIS_STRUCT* IBIS_GetIBIS(void) { return s_pTop; }

void IBIS_Free(IBIS_STRUCT* pIbis) {
  if (!pIbis) return;
  if (s_pTop == pIbis) {
    s_pTop = pIbis->pOuter;
  } else {
    for (IBIS_STRUCT* p = s_pTop; p; p = p->pOuter)
      if (p->pOuter == pIbis) {
        p->pOuter = pIbis->pOuter;
        break;
      }
  }
  HDR_FreeList(pIbis->pHdrs);
  CMPNT_FreeList(pIbis->pCmpnts);
  MDL_FreeList(pIbis->pMdls);
  EXT_FreeList(pIbis->pExts);
  SUBMDL_FreeList(pIbis->pSubMdls);
  PKGMDL_FreeList(pIbis->pPkgMdls);
  EBD_FreeList(pIbis->pEbdMdls);
  MSEL_FreeList(pIbis->pMsels);
  TESTDATA_FreeList(pIbis->pTestData);
  TESTLOAD_FreeList(pIbis->pTestLoads);
  free(pIbis);
}

int IBIS_AddHdr(HDR_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pHdrs); }
int IBIS_AddCmpnt(CMPNT_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pCmpnts); }
int IBIS_AddMdl(MDL_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pMdls); }
int IBIS_AddExt(EXT_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pExts); }
int IBIS_AddSubMdl(SUBMDL_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pSubMdls); }
int IBIS_AddPkgMdl(PKGMDL_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pPkgMdls); }
int IBIS_AddEbdMdl(EBD_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pEbdMdls); }
int IBIS_AddMsel(MSEL_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pMsels); }
int IBIS_AddTestData(TESTDATA_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pTestData); }
int IBIS_AddTestLoad(TESTLOAD_STRUCT* p) { return s_add(p, &IBIS_STRUCT::pTestLoads); }

int IBIS_GetHdrs(HDR_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pHdrs); }
int IBIS_GetCmpnts(CMPNT_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pCmpnts); }
int IBIS_GetMdls(MDL_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pMdls); }
int IBIS_GetExts(EXT_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pExts); }
int IBIS_GetSubMdls(SUBMDL_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pSubMdls); }
int IBIS_GetPkgMdls(PKGMDL_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pPkgMdls); }
int IBIS_GetEbdMdls(EBD_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pEbdMdls); }
int IBIS_GetMsels(MSEL_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pMsels); }
int IBIS_GetTestData(TESTDATA_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pTestData); }
int IBIS_GetTestLoad(TESTLOAD_STRUCT** pp) { return s_get(pp, &IBIS_STRUCT::pTestLoads); }

int IBIS_Test(void) {
  if (!s_pTop) return 0;
  MDL_STRUCT* models = nullptr;
  CMPNT_STRUCT* cmpnts = nullptr;
  SUBMDL_STRUCT* submodels = nullptr;
  EXT_STRUCT* exts = nullptr;
  PKGMDL_STRUCT* pkgs = nullptr;
  MSEL_STRUCT* msels = nullptr;
  TESTDATA_STRUCT* tdata = nullptr;
  TESTLOAD_STRUCT* tload = nullptr;
  IBIS_GetExts(&exts);
  IBIS_GetPkgMdls(&pkgs);
  if (IBIS_GetMdls(&models)) {
    MDL_TestReceiverThresholds(models);
    acdc_CheckAllModels(models);
    chk_CheckAllModels(models);
    MDL_TestDriverSchedules(models);
    SERIES_Test(models);
    ALGMOD_Test(models);
  }
  IBIS_GetMsels(&msels);
  MSEL_TestList(msels);
  if (IBIS_GetCmpnts(&cmpnts)) {
    chk_CheckAllComponents(cmpnts);
    CMPNT_TestList(cmpnts, exts, models);
    CCALL_Test(cmpnts, exts);
  } else {
    ERRLOG_ErrorNew(kNoComponent);
  }
  PKGMDL_Test(pkgs);
  IBIS_GetTestData(&tdata);
  TESTDATA_TestList(tdata);
  IBIS_GetTestLoad(&tload);
  TESTLOAD_TestList(tload);
  if (IBIS_GetSubMdls(&submodels)) {
    MDL_TestSubmodelRefs(models);
    chk_CheckAllSubModels(submodels);
    acdc_CheckAllSubModels(models, submodels);
  }
  MDL_TestReferences(models);
  return 1;
}

}  // extern "C"

// The whole-file object (prefix IBIS_): one per check, stacked so that a
// nested check (a board description's files) pushes its own. It holds the
// list heads of everything a file defines; each list runs newest first.
// IBIS_Test runs the whole-file checks of an .ibs file in their fixed order.
#pragma once

#include "base/AmiExport.h"

struct HDR_STRUCT;
struct CMPNT_STRUCT;
struct MDL_STRUCT;
struct EXT_STRUCT;
struct SUBMDL_STRUCT;
struct PKGMDL_STRUCT;
struct EBD_STRUCT;
struct MSEL_STRUCT;
struct TESTDATA_STRUCT;
struct TESTLOAD_STRUCT;

typedef struct IBIS_STRUCT {
  struct IBIS_STRUCT* pOuter;  // the enclosing whole-file object
  HDR_STRUCT* pHdrs;
  CMPNT_STRUCT* pCmpnts;
  MDL_STRUCT* pMdls;
  EXT_STRUCT* pExts;
  SUBMDL_STRUCT* pSubMdls;
  PKGMDL_STRUCT* pPkgMdls;
  EBD_STRUCT* pEbdMdls;
  MSEL_STRUCT* pMsels;
  TESTDATA_STRUCT* pTestData;
  TESTLOAD_STRUCT* pTestLoads;
} IBIS_STRUCT;

extern "C" {

// Pushes a new, empty whole-file object; null when memory runs out.
AMI_EXPORT IBIS_STRUCT* IBIS_New(void);
// The top whole-file object, or null when there is none.
AMI_EXPORT IBIS_STRUCT* IBIS_GetIBIS(void);
// Unlinks the object from the stack and frees it with all its lists.
AMI_EXPORT void IBIS_Free(IBIS_STRUCT* pIbis);

// Each add puts the record at the head of its list of the top object (the
// record's pNext is overwritten). Result 1, or 0 with no object (the caller
// keeps ownership then).
AMI_EXPORT int IBIS_AddHdr(HDR_STRUCT* p);
AMI_EXPORT int IBIS_AddCmpnt(CMPNT_STRUCT* p);
AMI_EXPORT int IBIS_AddMdl(MDL_STRUCT* p);
AMI_EXPORT int IBIS_AddExt(EXT_STRUCT* p);
AMI_EXPORT int IBIS_AddSubMdl(SUBMDL_STRUCT* p);
AMI_EXPORT int IBIS_AddPkgMdl(PKGMDL_STRUCT* p);
AMI_EXPORT int IBIS_AddEbdMdl(EBD_STRUCT* p);
AMI_EXPORT int IBIS_AddMsel(MSEL_STRUCT* p);
AMI_EXPORT int IBIS_AddTestData(TESTDATA_STRUCT* p);
AMI_EXPORT int IBIS_AddTestLoad(TESTLOAD_STRUCT* p);

// Each get gives 1 and the list head of the top object, or 0 (and null) when
// the list is empty or there is no object.
AMI_EXPORT int IBIS_GetHdrs(HDR_STRUCT** pp);
AMI_EXPORT int IBIS_GetCmpnts(CMPNT_STRUCT** pp);
AMI_EXPORT int IBIS_GetMdls(MDL_STRUCT** pp);
AMI_EXPORT int IBIS_GetExts(EXT_STRUCT** pp);
AMI_EXPORT int IBIS_GetSubMdls(SUBMDL_STRUCT** pp);
AMI_EXPORT int IBIS_GetPkgMdls(PKGMDL_STRUCT** pp);
AMI_EXPORT int IBIS_GetEbdMdls(EBD_STRUCT** pp);
AMI_EXPORT int IBIS_GetMsels(MSEL_STRUCT** pp);
AMI_EXPORT int IBIS_GetTestData(TESTDATA_STRUCT** pp);
AMI_EXPORT int IBIS_GetTestLoad(TESTLOAD_STRUCT** pp);

// Whole-file checks of an .ibs file, in this order: with models the
// receiver thresholds, DC consistency, model ranges, driver schedules and
// algorithmic models; model selectors; with components their ranges and
// checks, else the missing-[Component] error; package models; test data;
// test loads; with submodels the model-to-submodel references, submodel
// ranges and the clamps of models with dynamic-clamp submodels; the model
// references. (A submodel's own rules run when its section ends.)
AMI_EXPORT int IBIS_Test(void);

}  // extern "C"

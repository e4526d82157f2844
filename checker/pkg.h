// [Package] of a component (prefix PKG_): the R_pkg, L_pkg and C_pkg
// sub-parameters, each a typ/min/max range.
#pragma once

#include "base/AmiExport.h"
#include "checker/rng.h"

enum { PKG_R = 0, PKG_L = 1, PKG_C = 2 };

typedef struct PKG_STRUCT {
  RNG_STRUCT* apRange[3];  // R_pkg, L_pkg, C_pkg (PKG_*); null until read
} PKG_STRUCT;

extern "C" {

// A new, empty package record; null (after E1906) when memory runs out.
AMI_EXPORT PKG_STRUCT* PKG_New(void);
// One data line under [Package] (E1201 to E1211).
AMI_EXPORT int PKG_ReceiveLine(const char* pszLine, PKG_STRUCT* pPkg);
// End of the component: each missing sub-parameter raises E1213, E1215 or
// E1217 with the component's name. Result 1 when all three are there.
AMI_EXPORT int PKG_Test(const PKG_STRUCT* pPkg, const char* pszComponent);
AMI_EXPORT void PKG_Free(PKG_STRUCT** ppPkg);

}  // extern "C"

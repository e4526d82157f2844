// I-V tables (prefix CRV_): [Pulldown], [Pullup], [GND Clamp],
// [POWER Clamp], [ISSO PD], [ISSO PU], [Series Current], [Series MOSFET].
// One table is read at a time: CRV_New at its keyword, CRV_ReceiveLine per
// row, CRV_Fini when the owner leaves the keyword.
#pragma once

#include "base/AmiExport.h"
#include "checker/rng.h"

// Row limit of a table unless large tables are allowed.
#define CRV_MAX_ROWS 100

typedef struct {
  RNGP_LIST rows;
  unsigned long ulKeywordLine;
} CRV_STRUCT;

// Model type numbers (as the model module numbers them) that the
// current-direction check needs.
#define CRV_TYPE_NONE 0
#define CRV_TYPE_NO_TYPE 1
#define CRV_TYPE_INPUT_ECL 12
#define CRV_TYPE_OUTPUT_ECL 13
#define CRV_TYPE_IO_ECL 14
#define CRV_TYPE_SERIES 16
#define CRV_TYPE_SERIES_SWITCH 17
#define CRV_TYPE_3STATE_ECL 18

extern "C" {

// Starts a table at its keyword line: E1100 when *ppTable already exists
// (the old one is freed), E1104 for items after the keyword. Result 1, or 0
// when memory runs out.
AMI_EXPORT int CRV_New(const char* pszLine, const char* pszTable, CRV_STRUCT** ppTable);
// One data row: W1403 for a repeated voltage, N1110 for non-monotonic
// columns, E1106 for an NA voltage, E1107 at the 101st row.
AMI_EXPORT int CRV_ReceiveLine(const char* pszLine, CRV_STRUCT* pTable, const char* pszTable);
// End-of-table checks: E1108 (fewer than 2 rows), E1109 (NA in the first or
// last row), W1111/W1112 (current direction), W1113-W1115 (clamp currents
// never reach zero). iModelType is the owner's type number (0 none);
// pszOwnerKind is "Model" for models.
AMI_EXPORT int CRV_Fini(const char* pszModelName, int iModelType, int iKeyword, CRV_STRUCT* pTable,
                        const char* pszTable, const char* pszOwnerKind);
// A copy holding only the rows whose first column is a value; null when
// memory runs out or pSrc is null.
AMI_EXPORT CRV_STRUCT* CRV_CopyCrv(const CRV_STRUCT* pSrc);
// A table's current at a voltage in its own voltages, per column (Typical,
// Minimum, Maximum): walking the rows with a voltage, a row within
// 1e-6 x |previous voltage| of the previous one is skipped; a row without a
// typical value only moves the previous voltage. The first row within
// 1e-6 x |dVoltage| of the voltage, or the first pair of consecutive rows
// enclosing it, ends the walk; the columns are interpolated linearly, a
// Minimum or Maximum of NA taking its row's Typical. abGiven[i] tells which
// of adOut[i] were given. Result 1 when any column was given.
AMI_EXPORT int CRV_GetRefValCurrent(const CRV_STRUCT* pCrv, double dVoltage, double adOut[3], int abGiven[3]);
AMI_EXPORT void CRV_Free(CRV_STRUCT** ppTable);
AMI_EXPORT void CRV_AllowLargeTables(int iFlag);

}  // extern "C"

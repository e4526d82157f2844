// [Pin] rows of a component (prefix PIN_): pin name, signal name, model
// name and the optional R_pin, L_pin and C_pin columns, in file order; the
// look-ups by pin name that the component tables and the whole-file checks
// use; and the whole-file pin checks.
#pragma once

#include "base/AmiExport.h"
#include "checker/rng.h"

struct CMPNT_STRUCT;
struct NAMEIDX;
struct MDL_STRUCT;
struct MSEL_STRUCT;

#define PIN_NAME_MAX 5
#define PIN_SIGNAL_MAX 40  // 20 in files of versions up to 3
#define PIN_MODEL_MAX 40   // 20 in files of versions up to 3

// The optional value columns of a [Pin] row.
enum { PIN_COL_R = 0, PIN_COL_L = 1, PIN_COL_C = 2 };

typedef struct PIN_STRUCT {
  struct PIN_STRUCT* pNext;  // file order
  char szPin[PIN_NAME_MAX + 1];
  char szSignal[PIN_SIGNAL_MAX + 1];
  char szModel[PIN_MODEL_MAX + 1];
  RNG_VAL aVal[3];           // R_pin, L_pin, C_pin (PIN_COL_*), state RNG_ABSENT when not given
  int iColumns;              // fields of the row
  unsigned long ulLine;
  struct NAMEIDX* pIndex;    // first row only: the rows by pin name (kept by PIN_LinkPin)
} PIN_STRUCT;

extern "C" {

// Parses one [Pin] row. aiOrder gives, for the fourth to sixth field, which
// value it holds (PIN_COL_*); iHeaderCols is the header's column count (3 or
// 6 when valid). Result 1 and a new row through ppPin, or 0 (E600) when the
// row cannot be made.
AMI_EXPORT int PIN_ParseLine(const char* pszLine, const int* aiOrder, int iHeaderCols, PIN_STRUCT** ppPin);
// Appends a row to the list (file order); a pin name already there (compared
// with case) raises E606. Result 1. Rows are added only through here, which
// keeps the list's name index (look-ups by name take constant time).
AMI_EXPORT int PIN_LinkPin(PIN_STRUCT** ppList, PIN_STRUCT* pPin);
AMI_EXPORT void PIN_FreeList(PIN_STRUCT* pList);

AMI_EXPORT PIN_STRUCT* PIN_FindPin(PIN_STRUCT* pList, const char* pszPin);
AMI_EXPORT int PIN_PinExists(PIN_STRUCT* pList, const char* pszPin);
// The model name of a pin ("" when the pin does not exist).
AMI_EXPORT const char* PIN_GetModel(PIN_STRUCT* pList, const char* pszPin);
// Whether the pin exists and its model name is POWER / GND / either (any case).
AMI_EXPORT int PIN_ModelNameIsPOWER(PIN_STRUCT* pList, const char* pszPin);
AMI_EXPORT int PIN_ModelNameIsGND(PIN_STRUCT* pList, const char* pszPin);
AMI_EXPORT int PIN_ModelNameIsPOWEROrGND(PIN_STRUCT* pList, const char* pszPin);

// The whole-file pin checks of one component (E608, E610, C609, C611, E612).
AMI_EXPORT int PIN_TestList(CMPNT_STRUCT* pCmpnt, MDL_STRUCT* pModels, MSEL_STRUCT* pMsels);

}  // extern "C"

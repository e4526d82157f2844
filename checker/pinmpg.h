// [Pin Mapping] rows of a component (prefix PINMPG_): each pin's pull-down,
// pull-up, clamp and external reference buses, checked against the
// component's supply pins.
#pragma once

#include "base/AmiExport.h"

struct CMPNT_STRUCT;

struct PIN_STRUCT;
struct NAMEIDX;

#define PINMPG_PIN_MAX 5
#define PINMPG_BUS_MAX 15

// The bus columns, in header order.
enum { PINMPG_PULLDOWN = 0, PINMPG_PULLUP, PINMPG_GND_CLAMP, PINMPG_POWER_CLAMP, PINMPG_EXT, PINMPG_BUSES };

typedef struct PINMPG_STRUCT {
  struct PINMPG_STRUCT* pNext;  // file order
  int iColumns;
  char szPin[PINMPG_PIN_MAX + 1];
  char aszBus[PINMPG_BUSES][PINMPG_BUS_MAX + 1];  // "" when the column is absent
  struct NAMEIDX* pIndex;       // first record only: the records by pin (kept by PINMPG_LinkPinMpg)
} PINMPG_STRUCT;

extern "C" {

// Reads the [Pin Mapping] keyword line into *piCols (E525, E528, E532, E526, E529).
AMI_EXPORT void PINMPG_ParseHeader(const char* pszLine, int* piCols);
AMI_EXPORT int PINMPG_ParseLine(const char* pszLine, int iHeaderCols, PINMPG_STRUCT** ppRec);
// Appends; each earlier record with the same pin raises E708. Records are
// added only through here, which keeps the list's name index.
AMI_EXPORT void PINMPG_LinkPinMpg(PINMPG_STRUCT** ppList, PINMPG_STRUCT* pRec);
// The whole-list checks of a component's mappings. pOwner (may be null) is
// the component: from 7.0 on a bus that no supply mapping carries may be a
// name of its [Bus Label] or [Die Supply Pads] tables or the signal name of
// one of its POWER or GND pins (CMPX_IsBusLabel).
AMI_EXPORT int PINMPG_TestList(PINMPG_STRUCT* pList, PIN_STRUCT* pPins, const char* pszComponent,
                               const struct CMPNT_STRUCT* pOwner);
AMI_EXPORT int PINMPG_TestPin(const PINMPG_STRUCT* pList, const char* pszPin);
AMI_EXPORT void PINMPG_FreeList(PINMPG_STRUCT* pList);

}  // extern "C"

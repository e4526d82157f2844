// Typ/min/max values (prefix RNG_ for single-line ranges, RNGP_ for table
// rows and row lists). Values are read with CMN_GetColValue: a number with an
// optional scale letter, or NA.
#pragma once

#include "base/AmiExport.h"

// State of one value.
#define RNG_ABSENT 0
#define RNG_VALUE 1
#define RNG_NA 2

typedef struct {
  double dValue;
  int iState;  // RNG_ABSENT, RNG_VALUE, RNG_NA
} RNG_VAL;

// A single-line range: [Voltage Range] 5 4.5 5.5.
typedef struct {
  RNG_VAL typ, min, max;
} RNG_STRUCT;

// One table row: first column and typ/min/max.
typedef struct RNGP_STRUCT {
  struct RNGP_STRUCT* pNext;
  struct RNGP_STRUCT* pPrev;
  RNG_VAL first;
  RNG_VAL typ, min, max;
} RNGP_STRUCT;

// A row list: rows in file order. pIndex belongs to RNGP_LinkLine: a hash
// index of the rows' first-column values that makes the duplicate check one
// lookup instead of a walk over every earlier row. A zeroed list has none;
// RNGP_FreeList frees it. Lists that are changed other than through
// RNGP_LinkLine are noticed (tail or count no longer match the index) and
// re-indexed at the next duplicate check.
struct RNGP_INDEX;
typedef struct {
  RNGP_STRUCT* pHead;
  RNGP_STRUCT* pTail;
  unsigned uCount;
  struct RNGP_INDEX* pIndex;
} RNGP_LIST;

extern "C" {

// Reads "typ min max" from pszText (the text after a keyword or
// sub-parameter) into a new range stored through ppRange (an old one there is
// freed first). Missing columns raise E3901, a wrong count E3902, a typical
// outside [min, max] W3903. Result 1 when all three columns were read as
// values or NA; the range is made whenever the text could be split.
AMI_EXPORT int RNG_ParseRange(const char* pszText, const char* pszName, RNG_STRUCT** ppRange);
AMI_EXPORT void RNG_Free(RNG_STRUCT** ppRange);

// Reads one table row "first typ min max" into a new row through ppRow.
// Missing columns raise E1401, a wrong count E1402. Result 1 when a row was
// made.
AMI_EXPORT int RNGP_ParseLine(const char* pszLine, const char* pszTable, const char* pszFirstCol,
                              RNGP_STRUCT** ppRow);
// Appends a row; with iCheckDup a row with the same first-column value
// raises W1403 (with the value of the first such row). *puCount gets the new
// row count. Result 1. Takes constant expected time per row: the rows'
// first-column values must not change once they are linked.
AMI_EXPORT int RNGP_LinkLine(RNGP_LIST* pList, RNGP_STRUCT* pRow, unsigned* puCount, int iCheckDup);
AMI_EXPORT RNGP_STRUCT* RNGP_Prev(const RNGP_STRUCT* pRow);
AMI_EXPORT RNGP_STRUCT* RNGP_New(void);
// Frees every row of the list and its index, and empties it.
AMI_EXPORT void RNGP_FreeList(RNGP_LIST* pList);

}  // extern "C"

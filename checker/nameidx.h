// A name index (prefix NAMEIDX_): an open-addressing hash table from a name
// to the first record that carries it, plus the last record added, so that a
// list kept in file order can be appended to and searched in constant time.
// The names are not copied: each key points into its record, which must
// outlive the index. When memory runs out the index marks itself failed and
// its users walk their lists instead, so results never depend on it.
#pragma once

#include <stddef.h>

#include "base/AmiExport.h"

typedef struct NAMEIDX {
  const char** ppKeys;  // slot keys, null when empty
  void** ppRecs;        // slot records
  size_t uMask;         // slot count - 1 (a power of two)
  size_t uCount;        // names entered
  void* pTail;          // the last record added
  int bFailed;          // memory ran out: do not use
} NAMEIDX;

extern "C" {

// A new empty index, or null when memory runs out.
AMI_EXPORT NAMEIDX* NAMEIDX_New(void);
// Enters a record under its name (a name already there keeps its first
// record) and makes it the tail. Result 0 when memory ran out (the index is
// then failed).
AMI_EXPORT int NAMEIDX_Add(NAMEIDX* pIdx, const char* pszKey, void* pRec);
// The first record of the name, or null.
AMI_EXPORT void* NAMEIDX_Find(const NAMEIDX* pIdx, const char* pszKey);
// Whether the index can be used.
AMI_EXPORT int NAMEIDX_Usable(const NAMEIDX* pIdx);
AMI_EXPORT void NAMEIDX_Free(NAMEIDX** ppIdx);

}  // extern "C"

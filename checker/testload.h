// [Test Load] (prefix TESTLOAD_), keyword number 117, IBIS versions 4 and 5:
// a named test fixture with its type, near and far elements, an optional
// transmission line, termination voltages and the receiver models attached
// to it.
//
// One record per [Test Load] in the whole-file object (newest first). The
// sub-parameter lines are read as they come; the section is checked when the
// next keyword arrives (TESTLOAD_Fini), and the receiver models are looked up
// after the whole file is read (TESTLOAD_TestList).
// Messages: block 2200 to 2239 of the catalogue.
#pragma once

#include "base/AmiExport.h"
#include "checker/rng.h"

#define TESTLOAD_NAME_MAX 109
#define TESTLOAD_MODEL_MAX 40

// Test_load_type values.
#define TESTLOAD_TYPE_NONE 0          // no Test_load_type line
#define TESTLOAD_TYPE_NO_TYPE 1       // given but not recognised
#define TESTLOAD_TYPE_SINGLE_ENDED 2
#define TESTLOAD_TYPE_DIFFERENTIAL 3

// The number values, by slot: the fourteen elements, then R_diff_near and
// R_diff_far.
enum {
  TESTLOAD_C1_NEAR,
  TESTLOAD_RS_NEAR,
  TESTLOAD_LS_NEAR,
  TESTLOAD_C2_NEAR,
  TESTLOAD_RP1_NEAR,
  TESTLOAD_RP2_NEAR,
  TESTLOAD_TD,
  TESTLOAD_ZO,
  TESTLOAD_RP1_FAR,
  TESTLOAD_RP2_FAR,
  TESTLOAD_C2_FAR,
  TESTLOAD_LS_FAR,
  TESTLOAD_RS_FAR,
  TESTLOAD_C1_FAR,
  TESTLOAD_R_DIFF_NEAR,
  TESTLOAD_R_DIFF_FAR,
  TESTLOAD_VALUE_COUNT
};

typedef struct TESTLOAD_STRUCT {
  struct TESTLOAD_STRUCT* pNext;
  char szName[TESTLOAD_NAME_MAX + 1];
  int iType;                                  // TESTLOAD_TYPE_*
  double adValue[TESTLOAD_VALUE_COUNT];       // valid where abValue is set
  int abValue[TESTLOAD_VALUE_COUNT];          // the line was met (even if its value was refused)
  RNG_STRUCT* pVterm1;                        // V_term1, null until given
  RNG_STRUCT* pVterm2;
  char szReceiverModel[TESTLOAD_MODEL_MAX + 1];     // "" until given
  char szReceiverModelInv[TESTLOAD_MODEL_MAX + 1];
  unsigned long ulLine;                       // line of the keyword
} TESTLOAD_STRUCT;

extern "C" {

// [Test Load] opens a record at the head of the whole-file object's list and
// makes it current. Without a whole-file object B2201; without memory B2200.
// Result 1 when a record was made.
AMI_EXPORT int TESTLOAD_Init(void);
// One keyword line (the name: E2208 to E2212) or sub-parameter line (E2214
// to E2223, E2237 to E2239) of the current test load; E2202/E2203 when none
// is current.
AMI_EXPORT int TESTLOAD_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// The section ends: E2224 to E2227 and W2228 to W2230, named by the test
// load and not tied to a line; then no test load is current.
AMI_EXPORT int TESTLOAD_Fini(int iNewKeyword);
AMI_EXPORT void TESTLOAD_FreeList(TESTLOAD_STRUCT* pHead);
// The test load of exactly that name, or null.
AMI_EXPORT TESTLOAD_STRUCT* TESTLOAD_Find(TESTLOAD_STRUCT* pList, const char* pszName);
AMI_EXPORT int TESTLOAD_NameExists(const char* pszName, TESTLOAD_STRUCT* pList);

// Whole-file check of every test load: its receiver models must be models of
// the file of an input type (E2232, E2233, E2235, W2234), and the inverting
// one must serve a [Diff Pin] (W2236, by the component module's
// differential query, which marks the model differential). Result 1 when nothing was found.
AMI_EXPORT int TESTLOAD_TestList(TESTLOAD_STRUCT* pList);

}  // extern "C"

// [Test Data] and its golden waveforms (prefix TESTDATA_), keyword numbers
// 108 to 116, IBIS versions 4 and 5: the waveforms that a driver model
// produces into a [Test Load], near and far, single-ended or differential.
//
// One record per [Test Data] in the whole-file object (newest first). The
// sub-parameters are checked when they end, the section when a keyword other
// than a golden waveform arrives, and the named models and test load after
// the whole file is read (TESTDATA_TestList). Golden waveforms are tables of
// the waveform module (wvfrm.h, kind WVFRM_KIND_GOLDEN).
// Messages: block 2300 to 2344 of the catalogue.
#pragma once

#include "base/AmiExport.h"

struct WVFRM_STRUCT;

#define TESTDATA_NAME_MAX 109
#define TESTDATA_MODEL_MAX 40
#define TESTDATA_LOAD_MAX 110

// Test_data_type values.
#define TESTDATA_TYPE_NONE 0
#define TESTDATA_TYPE_NO_TYPE 1
#define TESTDATA_TYPE_SINGLE_ENDED 2
#define TESTDATA_TYPE_DIFFERENTIAL 3

// Golden waveforms, by slot; the last four are the "Diff" forms.
enum {
  TESTDATA_RISING_NEAR,
  TESTDATA_FALLING_NEAR,
  TESTDATA_RISING_FAR,
  TESTDATA_FALLING_FAR,
  TESTDATA_DIFF_RISING_NEAR,
  TESTDATA_DIFF_FALLING_NEAR,
  TESTDATA_DIFF_RISING_FAR,
  TESTDATA_DIFF_FALLING_FAR,
  TESTDATA_WAVE_COUNT
};

typedef struct TESTDATA_STRUCT {
  struct TESTDATA_STRUCT* pNext;
  char szName[TESTDATA_NAME_MAX + 1];
  int iType;                                       // TESTDATA_TYPE_*
  char szDriverModel[TESTDATA_MODEL_MAX + 1];      // "" until given
  char szDriverModelInv[TESTDATA_MODEL_MAX + 1];
  char szTestLoad[TESTDATA_LOAD_MAX + 1];
  struct WVFRM_STRUCT* apWave[TESTDATA_WAVE_COUNT];  // null until its keyword
  unsigned long ulLine;                            // line of the keyword
} TESTDATA_STRUCT;

extern "C" {

// [Test Data] opens a record at the head of the whole-file object's list and
// makes it current (B2301 without a whole-file object, B2300 without
// memory). Result 1 when a record was made.
AMI_EXPORT int TESTDATA_Init(void);
// One keyword line ([Test Data] with its name, or a golden waveform) or data
// line (a sub-parameter, or a row of the open golden waveform).
AMI_EXPORT int TESTDATA_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// The current keyword's part ends (E2332, E2333 after the sub-parameters;
// the golden waveform is closed); a keyword other than a golden waveform
// ends the section (E2334, E2335).
AMI_EXPORT int TESTDATA_Fini(int iNewKeyword);
AMI_EXPORT void TESTDATA_FreeList(TESTDATA_STRUCT* pHead);
AMI_EXPORT TESTDATA_STRUCT* TESTDATA_Find(TESTDATA_STRUCT* pList, const char* pszName);
AMI_EXPORT int TESTDATA_NameExists(const char* pszName, TESTDATA_STRUCT* pList);

// Whole-file check of every test data: the driver models must be output
// models of the file (E2337, E2338, E2340, W2339; W2341 for an inverting one
// that serves no [Diff Pin]), the test load must exist with the same type
// (E2342, E2343, E2344). Result 1 when nothing was found.
AMI_EXPORT int TESTDATA_TestList(TESTDATA_STRUCT* pList);

}  // extern "C"

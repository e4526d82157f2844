// [Define Package Model] and its keywords (prefix PKGMDL_), keyword numbers
// 74 to 88, in .ibs and .pkg files.
//
// The module keeps one record per package model, named by its keyword line,
// with the [Number Of Pins] value and the count of [Pin Numbers] entries. It
// also finds package models defined in the .pkg files of a directory, which
// the component checks use for [Package Model] names the .ibs file lacks.
#pragma once

#include "base/AmiExport.h"

#define PKGMDL_NAME_MAX 127

typedef struct PKGMDL_STRUCT {
  struct PKGMDL_STRUCT* pNext;
  char szName[PKGMDL_NAME_MAX + 1];
  unsigned long ulLine;          // line of [Define Package Model]
  unsigned uNumberOfPins;        // [Number Of Pins], 0 until read
  unsigned uPinNumbers;          // data lines under [Pin Numbers]
  int bEndSeen;                  // [End Package Model] seen
} PKGMDL_STRUCT;

extern "C" {

AMI_EXPORT int PKGMDL_Init(void);
AMI_EXPORT int PKGMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int PKGMDL_Fini(int iNewKeyword);
AMI_EXPORT void PKGMDL_FreeList(PKGMDL_STRUCT* pHead);
AMI_EXPORT PKGMDL_STRUCT* PKGMDL_Find(PKGMDL_STRUCT* pList, const char* pszName);

// Whether a .pkg file (extension compared without regard to case) in the
// directory pszDir ("" for the current directory) defines the package model
// pszName. The directory is listed with the standard library; no shell and
// no temporary file are involved. Result 1 when found, 0 otherwise.
AMI_EXPORT int PKGMDL_FindInDirectory(const char* pszDir, const char* pszName);

// Whole-file checks of the package models of the list.
AMI_EXPORT int PKGMDL_Test(PKGMDL_STRUCT* pList);

}  // extern "C"

// Electrical board descriptions (prefix EBD_): [Begin Board Description] to
// [End Board Description], keyword numbers 89 to 95, in .ebd files.
//
// The module keeps one record per board, named by its keyword line, with its
// [Number Of Pins] value and the number of [Pin List] rows and
// [Reference Designator Map] entries. The board rules themselves are not
// checked here; EBD_Test is the whole-file check of .pkg and .ebd files.
#pragma once

#include "ami/AmiExport.h"

#define EBD_NAME_MAX 127

typedef struct EBD_STRUCT {
  struct EBD_STRUCT* pNext;
  char szName[EBD_NAME_MAX + 1];
  unsigned long ulLine;        // line of [Begin Board Description]
  unsigned uNumberOfPins;      // [Number Of Pins], 0 until read
  unsigned long ulPinListRows;
  unsigned long ulRefDesEntries;
  int bEndSeen;                // [End Board Description] seen
} EBD_STRUCT;

extern "C" {

AMI_EXPORT int EBD_Init(void);
AMI_EXPORT int EBD_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int EBD_Fini(int iNewKeyword);
AMI_EXPORT void EBD_FreeList(EBD_STRUCT* pHead);
// Whole-file checks of the board descriptions of the top whole-file object
// (.pkg and .ebd files). Result 1.
AMI_EXPORT int EBD_Test(int iFlag);

}  // extern "C"

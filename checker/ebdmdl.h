// Electrical board descriptions (prefix EBD_): [Begin Board Description] to
// [End Board Description], keyword numbers 89 to 95, in .ebd files.
//
// The module keeps one record per board, named by its keyword line, with its
// [Number Of Pins] value, the number of [Pin List] rows and the entries of
// its [Reference Designator Map]. The board rules themselves are not checked
// here. EBD_Test, the whole-file check of .pkg and .ebd files, checks each
// .ibs or .ebd file that a map names as a nested check of its own.
#pragma once

#include "base/AmiExport.h"

#define EBD_NAME_MAX 127

// One [Reference Designator Map] entry: reference designator, file name,
// component name.
typedef struct EBD_REFDES {
  struct EBD_REFDES* pNext;
  char szRefDes[EBD_NAME_MAX + 1];
  char szFile[EBD_NAME_MAX + 1];
  char szComponent[EBD_NAME_MAX + 1];
} EBD_REFDES;

// Deepest nesting of board files checked from board files.
#define EBD_MAX_DEPTH 8

typedef struct EBD_STRUCT {
  struct EBD_STRUCT* pNext;
  char szName[EBD_NAME_MAX + 1];
  unsigned long ulLine;        // line of [Begin Board Description]
  unsigned uNumberOfPins;      // [Number Of Pins], 0 until read
  unsigned long ulPinListRows;
  unsigned long ulRefDesEntries;
  EBD_REFDES* pRefDes;         // map entries, in file order
  int bEndSeen;                // [End Board Description] seen
} EBD_STRUCT;

extern "C" {

AMI_EXPORT int EBD_Init(void);
AMI_EXPORT int EBD_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int EBD_Fini(int iNewKeyword);
AMI_EXPORT void EBD_FreeList(EBD_STRUCT* pHead);
// Whole-file checks of the board descriptions of the top whole-file object
// (.pkg and .ebd files): each distinct .ibs or .ebd file named by a
// [Reference Designator Map] runs INIT, PARSE, TEST and FINI nested, looked
// for in the stored directory; the outer file's frame state is put back
// afterwards. A board file that names a file already being checked raises
// E4404 instead; nesting stops at EBD_MAX_DEPTH. Result 1.
AMI_EXPORT int EBD_Test(int iFlag);

}  // extern "C"

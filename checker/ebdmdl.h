// Electrical board descriptions (prefix EBD_): [Begin Board Description] to
// [End Board Description], keyword numbers 89 to 95, in .ebd files.
//
// Rules checked while a board is read (codes 4300-4369, 3600 for the form of
// a Node, the common R/L/C messages for section syntax):
//   - [Begin Board Description] names the board (at most 40 characters, not
//     a reserved word); [Manufacturer], [Number Of Pins], [Pin List],
//     [Reference Designator Map] and [End Board Description] are required,
//     each once; keywords without data lines take none;
//   - [Number Of Pins] is a positive integer equal to the [Pin List] rows;
//   - [Pin List] names its column signal_name; each row is a pin name and a
//     signal name, each pin once;
//   - [Path Description] names the path (unique in the board); its first line
//     is "Pin <name>", a pin of [Pin List] with no other path; then R/L/C
//     sections (rlcsec.h: Len, L, R, C, "/", Fork/Endfork balanced, values
//     not negative) and "Node <reference designator>.<pin>" lines; a path
//     reaches at least one Node;
//   - [Reference Designator Map]: reference designator, file name (.ibs or
//     .ebd) and component name per row, each designator once;
//   - when the board ends: every signal pin of [Pin List] (not POWER, GND or
//     NC) has exactly one path, and every Node names a designator of the map.
//
// EBD_Test, the whole-file check of .pkg and .ebd files, requires a .pkg file
// to define a package model and an .ebd file a board, and checks each .ibs or
// .ebd file that a map names as a nested check of its own.
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

// One [Pin List] row.
typedef struct EBD_PIN {
  char* pszName;
  char* pszSignal;
  unsigned uPaths;             // paths that start at the pin
} EBD_PIN;

// One Node of a path: the designator part, for the look-up in the map.
typedef struct EBD_NODE {
  char* pszRefDes;
  char* pszPath;
  unsigned long ulLine;
} EBD_NODE;

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
  int abSeen[7];               // keywords seen, by number - 89
  EBD_PIN* pPins;              // [Pin List] rows, in file order
  unsigned uPins, uPinCapacity;
  EBD_NODE* pNodes;            // Nodes of all paths, in file order
  unsigned uNodes, uNodeCapacity;
  char** ppszPaths;            // path names, in file order
  unsigned uPaths, uPathCapacity;
} EBD_STRUCT;

extern "C" {

AMI_EXPORT int EBD_Init(void);
AMI_EXPORT int EBD_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int EBD_Fini(int iNewKeyword);
AMI_EXPORT void EBD_FreeList(EBD_STRUCT* pHead);
// Whole-file checks of .pkg and .ebd files: a .pkg file without a package
// model raises E3416, an .ebd file without a board E4332; then each distinct
// .ibs or .ebd file named by a [Reference Designator Map] of the top
// whole-file object runs INIT, PARSE, TEST and FINI nested, looked for in the
// stored directory; the outer file's frame state is put back afterwards. A
// board file that names a file already being checked raises E4404 instead;
// nesting stops at EBD_MAX_DEPTH. Result 1.
AMI_EXPORT int EBD_Test(int iFlag);

}  // extern "C"

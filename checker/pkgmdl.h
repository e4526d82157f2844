// [Define Package Model] and its keywords (prefix PKGMDL_), keyword numbers
// 74 to 88, in .ibs and .pkg files.
//
// Rules checked while a package model is read (codes 3000-3014 for the R/L/C
// sections, 3100-3123 for matrix rows, 3400-3470 for the model's keywords,
// 3700-3718 for the matrices):
//   - [Define Package Model] names the model (at most 40 characters, not a
//     reserved word); [Manufacturer], [OEM], [Description], [Number Of Pins],
//     [Pin Numbers], [End Package Model] are required, each once;
//   - [Number Of Pins] is a positive integer and equals the [Pin Numbers]
//     rows; [Number Of Sections] is a positive integer;
//   - [Pin Numbers]: each pin once; its optional section description (Len,
//     L, R, C, "/", Fork/Endfork, see rlcsec.h) closed and balanced, with no
//     more sections than [Number Of Sections]; the totals of each pin (Len
//     times the per-length values, lumped values as given) within the sizes
//     a package has (R 50 ohms, L 1 uH, C 1 nF, as the [Package] checks);
//   - [Model Data] once, closed by [End Model Data], holding [Inductance
//     Matrix] and [Capacitance Matrix] (each once) and optionally
//     [Resistance Matrix]; a model without [Model Data] and without section
//     data carries no electrical data (warning);
//   - a matrix is Banded_matrix, Sparse_matrix or Full_matrix; [Bandwidth]
//     (a non-negative integer below the pin count) only for, and required by,
//     Banded_matrix, before its first [Row];
//   - [Row] names a declared pin, once per matrix; every pin has a row;
//   - row entries: Full_matrix row i holds N - i values (the diagonal and the
//     entries to its right, in [Pin Numbers] order), Banded_matrix row i
//     min(B + 1, N - i); Sparse_matrix rows hold "pin value" pairs whose pin
//     is declared, not given twice, and not left of the diagonal; an entry
//     left of the diagonal whose mirror differs makes the matrix asymmetric;
//   - diagonal entries: L and C positive (a missing one counts as zero), R not
//     negative; C off the diagonal not positive (Maxwell form); each C row no
//     smaller on the diagonal than the sum of its coupling magnitudes; each L
//     coupling smaller than the geometric mean of its two diagonals;
//   - values read with scale letters; entries beyond the sizes of a real
//     package are warned about;
//   - whole file: package model names unique in the file; each [Package
//     Model] and [Alternate Package Models] name of a component found exactly
//     once, in the file or in the .pkg files beside it; no name listed twice
//     in [Alternate Package Models] (E1600).
//
// The module also finds package models defined in the .pkg files of a
// directory, which the component checks use for [Package Model] names the
// .ibs file lacks.
#pragma once

#include <stddef.h>

#include "base/AmiExport.h"

#define PKGMDL_NAME_MAX 127

// Matrix kinds, in the order of their keywords.
#define PKGMDL_MAT_R 0
#define PKGMDL_MAT_L 1
#define PKGMDL_MAT_C 2

// Matrix forms.
#define PKGMDL_FORM_NONE 0
#define PKGMDL_FORM_BANDED 1
#define PKGMDL_FORM_SPARSE 2
#define PKGMDL_FORM_FULL 3

// One matrix entry: row and column are [Pin Numbers] indices from 0.
typedef struct PKGMDL_ENTRY {
  unsigned uRow;
  unsigned uCol;
  double dValue;
  unsigned long ulLine;
} PKGMDL_ENTRY;

typedef struct PKGMDL_MATRIX {
  int iForm;                  // PKGMDL_FORM_*; NONE when the matrix is absent
  unsigned long ulLine;       // line of the matrix keyword
  int bBandwidthSeen;
  unsigned uBandwidth;
  PKGMDL_ENTRY* pEntries;     // in file order
  size_t nEntries, nCapacity;
  unsigned char* pRowSeen;    // per pin, grown with the pins at each [Row]
  unsigned uRowSeenSize;      // pins that pRowSeen covers
  unsigned uRowsSeen;
  long lCurRow;               // pin index of the open [Row], -1 when none
  unsigned long ulCurRowLine;
  unsigned uCurCount;         // entries of the open row so far
  int bDataBeforeRow;         // data before the first [Row] reported
} PKGMDL_MATRIX;

typedef struct PKGMDL_STRUCT {
  struct PKGMDL_STRUCT* pNext;
  char szName[PKGMDL_NAME_MAX + 1];
  unsigned long ulLine;          // line of [Define Package Model]
  unsigned uNumberOfPins;        // [Number Of Pins], 0 until read
  unsigned uNumberOfSections;    // [Number Of Sections], 0 until read
  unsigned uPinNumbers;          // pins listed under [Pin Numbers]
  char** ppszPins;               // their names, in file order
  unsigned uPinCapacity;
  unsigned* puSorted;            // pin indices sorted by name (look-ups)
  unsigned uSorted;              // pins covered by puSorted
  unsigned uPinsWithSections;
  int abSeen[15];                // keywords seen, by number - 74
  int bInModelData;
  PKGMDL_MATRIX aMatrix[3];      // R, L, C
  int iCurMatrix;                // matrix of the open matrix keyword, -1 none
  int bEndSeen;                  // [End Package Model] seen
} PKGMDL_STRUCT;

extern "C" {

AMI_EXPORT int PKGMDL_Init(void);
AMI_EXPORT int PKGMDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int PKGMDL_Fini(int iNewKeyword);
AMI_EXPORT void PKGMDL_FreeList(PKGMDL_STRUCT* pHead);
AMI_EXPORT PKGMDL_STRUCT* PKGMDL_Find(PKGMDL_STRUCT* pList, const char* pszName);
// Index of a pin of the package model's [Pin Numbers], or -1.
AMI_EXPORT long PKGMDL_PinIndex(PKGMDL_STRUCT* pPkg, const char* pszPin);

// Whether a .pkg file (extension compared without regard to case) in the
// directory pszDir ("" for the current directory) defines the package model
// pszName. The directory is listed with the standard library; no shell and
// no temporary file are involved. Result 1 when found, 0 otherwise.
AMI_EXPORT int PKGMDL_FindInDirectory(const char* pszDir, const char* pszName);
// How many definitions of pszName the .pkg files of the directory hold, and
// the base name of the first such file (pszFirst, CMN_MAX_FILENAME + 1
// characters, may be null).
AMI_EXPORT int PKGMDL_CountInDirectory(const char* pszDir, const char* pszName, char* pszFirst);

// Whole-file checks: names unique in the file, and each package model name
// that a component uses found exactly once (E3417 to E3419).
AMI_EXPORT int PKGMDL_Test(PKGMDL_STRUCT* pList);

}  // extern "C"

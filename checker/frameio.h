// The frame's share of the checker's common operations (prefix CMN_): opening
// checked files, reading lines with the character rules, the version probe,
// numbers with scale letters, table columns, field lists, reserved words and
// the storing of keyword values. The memory, string and scanning helpers live
// in base/cmn.h.
//
// Every operation reports through the error log and returns a status; none
// stops the process on anything that comes from a file.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "base/AmiExport.h"

#define CMN_MAX_FILENAME 1024

// A split line: at most uiCapacity copies are kept, uiFound counts them all.
typedef struct {
  unsigned uiCapacity;  // slots in ppszFields
  unsigned uiStored;    // fields copied into ppszFields
  unsigned uiFound;     // fields in the text
  char** ppszFields;    // uiCapacity entries; unused ones null
} CMN_ARGLIST;

extern "C" {

// --- files and lines ----------------------------------------------------

// Opens a checked file of the given type (1 .ibs, 2 .pkg, 3 .ebd, 4 .ami).
// A path holding "/" sets the stored directory to its directory part; a bare
// name is looked for in the stored directory. Appends the type's extension to
// a name without ".", refuses another extension (E1900/E1903/E1902/E1924),
// retries in lower and then upper case. Stores the stream and copies the base
// name as opened (at most 1,024 characters) into pszBase when given.
// Result 1, or 0 after E1901, E1904, E1905 or an extension error.
AMI_EXPORT int CMN_OpenFile(const char* pszName, int iType, FILE** ppFile, char* pszBase);

// 1 when the last CMN_OpenFile call opened its file, else 0.
AMI_EXPORT int CMN_LastOpenSucceeded(void);

// Reads one line into pBuf (iSize - 1 characters kept, the rest of a longer
// line is read and dropped). Drops the line feed, a carriage return before
// it and a Ctrl-Z before the end of the file; raises E1917 for NUL, bytes of
// 128 or more and control characters other than tab, each becoming a blank
// (unless any character is allowed). Result pBuf, or null at the end of file.
AMI_EXPORT char* CMN_GetLine(char* pBuf, int iSize, FILE* pFile);

// As CMN_GetLine without a length limit. The text lives in a buffer owned by
// this module until the next call or CMN_ReleaseInfiniteLine. *puLength
// counts the characters, the line feed (when there was one) and the
// terminator. Result null at the end of the file or when memory runs out.
AMI_EXPORT char* CMN_GetInfiniteLine(size_t* puLength, FILE* pFile);
AMI_EXPORT void CMN_ReleaseInfiniteLine(void);

// The IBIS version of a file from its first keyword line: 1..5 for
// [IBIS Ver] n.x, 0 for anything else (or a file that cannot be opened, after
// the messages of CMN_OpenFile). *pulLines gets the number of lines read.
AMI_EXPORT int CMN_getIbisVer(const char* pszName, unsigned long* pulLines, int iType);
// The same probe for every major number: 1..9 for [IBIS Ver] n.x, 0 for
// anything else; pszVer (uVerSize bytes, may be null) gets the version text
// (its digits and periods, "" when there is none).
AMI_EXPORT int CMN_ProbeIbisVer(const char* pszName, unsigned long* pulLines, int iType, char* pszVer,
                                size_t uVerSize);

// Stored directory (with its final "/"; empty when no path had one).
AMI_EXPORT void CMN_GetIbsPath(char* pszBuf);
AMI_EXPORT void CMN_SetIbsPath(const char* pszDir);

// Switch: no character check in the line readers.
AMI_EXPORT void CMN_AllowAnyCharacter(int iFlag);

// --- numbers --------------------------------------------------------------

// Decimal floating-point number at the start of the text (no "inf", "nan" or
// hexadecimal forms): 0 none, 1 the whole text, 2 text follows it.
AMI_EXPORT int CMN_StrToDbl(const char* pszText, double* pdOut);
// Unsigned decimal number (a leading "-" is refused): 0, 1, 2 as above; a
// number beyond the unsigned range gives 0.
AMI_EXPORT int CMN_StrToUI(const char* pszText, unsigned* puOut);
// Number with an optional scale letter (T G M k m u n p f); another letter
// scales by 1, another character fails. 0 no value, 1 value, 2 value with a
// digit after the scale letter (suspicious).
AMI_EXPORT int CMN_Get_Value(const char* pszText, double* pdOut);
// As CMN_Get_Value, and "NA" in any case gives 1 with *piNA set, value 0.
AMI_EXPORT int CMN_Get_ValueOrNA(const char* pszText, double* pdOut, int* piNA);
// One table column. *piState: 0 absent (no text), 1 value, 2 NA. An invalid
// value raises E1909 (value name, text) and gives 0; a suspicious one W1910
// (value name, column name, text) and counts as a value. Result 1 otherwise.
AMI_EXPORT int CMN_GetColValue(const char* pszText, const char* pszColName,
                               const char* pszValName, double* pdOut, int* piState);

// --- fields ---------------------------------------------------------------

// Splits the text at white space; with cDelim non-zero a field also ends
// before cDelim, and a field starting with cDelim is that one character. All
// fields are counted, at most uiCapacity (which may be 0) copied. Result 1 and
// a new list through ppList, or 0 when memory runs out (no list).
AMI_EXPORT int CMN_ArgParsePlus(const char* pszText, unsigned uiCapacity, char cDelim,
                                CMN_ARGLIST** ppList);
AMI_EXPORT int CMN_ArgParse(const char* pszText, unsigned uiCapacity, CMN_ARGLIST** ppList);
// Frees a list (null accepted) and sets *ppList to null.
AMI_EXPORT void CMN_ArgFree(CMN_ARGLIST** ppList);
// Field i of the list, or "" when it was not stored.
AMI_EXPORT const char* CMN_ArgGet(const CMN_ARGLIST* pList, unsigned i);

// --- words and keyword values ----------------------------------------------

// True when the name is GND, NC, POWER, CIRCUITCALL or NA (any case).
AMI_EXPORT int CMN_ReservedWord(const char* pszName);
// As CMN_ReservedWord, raising E1916 (with the line) when it is one.
AMI_EXPORT int CMN_ReservedWordErr(const char* pszName);
// When not found: E1915 with the name and the checked file's base name.
AMI_EXPORT void CMN_TestRequiredKeyword(const char* pszName, int iFound);
// Stores a value cut to uLimit characters (pszDst holds uLimit + 1):
// E1912 when it was longer, E1913 when it is empty (pszName names the value).
AMI_EXPORT void CMN_SetStr(char* pszDst, const char* pszSrc, unsigned uLimit, const char* pszName);
// Stores a file name: longer than uLimit raises E1914 and keeps it whole up
// to uKeep characters (pszDst holds uKeep + 1); empty raises E1913.
AMI_EXPORT void CMN_SetFilenameStr(char* pszDst, const char* pszSrc, unsigned uLimit,
                                   unsigned uKeep, const char* pszName);
// The value of a keyword line (after "]" and blanks), stored as CMN_SetStr.
AMI_EXPORT void CMN_SetKeywordStr(char* pszDst, const char* pszLine, unsigned uLimit,
                                  const char* pszName);

}  // extern "C"

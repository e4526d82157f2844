// The checker frame (prefix PARSE_, plus the four driving calls): one check of
// one file runs INIT, PARSE (path, type), TEST (type, flag) when PARSE gave 1,
// and FINI.
//
// PARSE probes the IBIS version, opens the file, reads it line by line,
// classifies each line (ignored, keyword line, data line), handles
// [Comment Char] and [End] itself and hands every other line to the module
// that owns the current keyword (header, component, model, ...). Each
// receiving module has three operations, named with its prefix:
//   <M>_Init()                       a group-opening keyword starts an object
//   <M>_ReceiveLine(type, kw, line)  one keyword line or data line (LINE_*)
//   <M>_Fini(newKeyword)             the module's keyword is followed by
//                                    another recognised keyword
// Lines handed on are cut at the comment character and at trailing white
// space and never exceed 1,023 characters. TEST runs the whole-file checks.
//
// All frame state is process-wide. Nested checks (the AMI files of
// [Algorithmic Model], the files a board description names) save the frame
// state with PARSE_SaveState and put it back with PARSE_RestoreState.
#pragma once

#include "base/AmiExport.h"
#include "checker/frameio.h"
#include "checker/keywords.h"

// Longest line kept by the frame (without terminator).
#define PARSE_LINE_MAX 1023

// The frame state of the file being read, as saved around a nested check.
typedef struct {
  unsigned long ulLineNum;
  char cCommentChar;
  int iCurKeyword;
  int iLastKeyword;
  int bIbisVerSeen;
  int bEndSeen;
  int bTabSeen;
  int iFileType;
  int iFileVersion;
  int iProbedVersion;
  int iLevel;
  int bInSubmodel;
  int bContinuation;
  char szFileName[CMN_MAX_FILENAME + 1];
  char szIbsPath[CMN_MAX_FILENAME + 1];
} PARSE_STATE;

extern "C" {

// Pushes a new whole-file object. Result 1, or 0 when memory runs out.
AMI_EXPORT int INIT(void);
// Reads and dispatches one file of type 1..4 (4: reads the AMI text, see
// ami.h). Result 1 when the file was read to its end; 0 when its version
// could not be determined (E900) or it could not be opened (E1905 etc.).
AMI_EXPORT int PARSE(const char* pszPath, int iType);
// Whole-file checks: type 1 IBIS_Test, 4 AMI_Test, 2 and 3 EBD_Test(iFlag).
// Declared with the name in parentheses so that a function-like macro of the
// same name (GoogleTest's TEST) is not expanded; such code calls (TEST)(...).
AMI_EXPORT int(TEST)(int iType, int iFlag);
// Frees the top whole-file object and prints the totals.
AMI_EXPORT int FINI(void);

AMI_EXPORT unsigned long PARSE_GetLineNum(void);
// Copies the base name of the file being read (buffer of 1,025 bytes).
AMI_EXPORT void PARSE_GetFileName(char* pszBuf);
// Copies the table name of a keyword number (buffer of 118 bytes); a number
// outside the version 2.1 table raises B904 and gives
// "Unknown enumerated keyword code".
AMI_EXPORT void PARSE_GetKeywordStr(int iKeyword, char* pszBuf);
// Table name of any keyword number (never null; "NOT_KEY" when out of range).
AMI_EXPORT const char* PARSE_KeywordName(int iKeyword);

AMI_EXPORT void PARSE_AllowAnyLineLength(int iFlag);
AMI_EXPORT void PARSE_SuppressBanners(int iFlag);
AMI_EXPORT int PARSE_BannersSuppressed(void);

AMI_EXPORT int PARSE_GetFileType(void);
// File version 0..5 (0 until [IBIS Ver] sets it; reset for every file).
AMI_EXPORT int PARSE_GetFileVersion(void);
AMI_EXPORT void PARSE_SetFileVersion(int iVersion);
// The file's level (ver.h: 21 for 2.x files, 32, 42, then 50, 51 ... 72);
// 0 before the version is known.
AMI_EXPORT int PARSE_GetIbisLevel(void);
// The level whose tables the file's lines are read with: 21 until
// [IBIS Ver] sets a version and for versions 1 and 2, 32 for 3.x, 42 for
// 4.x, the file's own level (at least 50) from 5.0 on. The keyword dispatch
// and the version-dependent sub-parameters, enumerations and limits of the
// modules (ver.h) read it.
AMI_EXPORT int PARSE_GetRuleLevel(void);
// Sets the level of a file of major number 5 or later ([IBIS Ver]).
AMI_EXPORT void PARSE_SetIbisLevel(int iLevel);
AMI_EXPORT int PARSE_GetCurKeyword(void);
AMI_EXPORT int PARSE_InSubmodel(void);
AMI_EXPORT void PARSE_SetContinuation(int iFlag);
AMI_EXPORT int PARSE_GetContinuation(void);

AMI_EXPORT void PARSE_SaveState(PARSE_STATE* pState);
AMI_EXPORT void PARSE_RestoreState(const PARSE_STATE* pState);

// Frame state setters used by the AMI file reader (type 4).
AMI_EXPORT void PARSE_BeginFile(int iType);
AMI_EXPORT void PARSE_SetFileName(const char* pszName);
AMI_EXPORT void PARSE_SetLineNum(unsigned long ulLine);

// Recognises the keyword of a keyword line (text starting at "[") for the
// given file version (a major number 1..5, or a level of ver.h) and type,
// applying the context rules to the current
// keyword; raises E914/E915/E916. Result a keyword number, KW_NOT_KEY when
// not recognised.
AMI_EXPORT int PARSE_RecogniseKeyword(char* pszLine, int iVersion, int iFileType, int iPrevKeyword);

}  // extern "C"

// File header keywords (prefix HDR_): [IBIS Ver], [File Name], [File Rev],
// [Date], [Source], [Notes], [Disclaimer], [Copyright]. One header record
// per [IBIS Ver]; the module sets the frame's file version from it.
#pragma once

#include <stddef.h>

#include "base/AmiExport.h"
#include "checker/frameio.h"

typedef struct HDR_STRUCT {
  struct HDR_STRUCT* pNext;
  char szIBIS_Version[71];
  char szFile_name[CMN_MAX_FILENAME + 1];
  char szFile_Rev[71];
  char szDate[41];
  char* pszSource;  // owned; lines joined with "\n"; null until the keyword
  char* pszNotes;
  char* pszDisclaimer;
  char* pszCopyright;
  size_t auLen[4];  // lengths and capacities of the four texts, in the
  size_t auCap[4];  // order Source, Notes, Disclaimer, Copyright
} HDR_STRUCT;

extern "C" {

// [IBIS Ver] opens the header group: a new current record at the head of the
// header list, found flags cleared. B1000 without a whole-file object, E1006
// when memory runs out. Result 1 or 0.
AMI_EXPORT int HDR_Init(void);
// One keyword line or data line of a header keyword (see the rules in
// hdr.cpp). Result 1.
AMI_EXPORT int HDR_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// A header keyword is followed by iNewKeyword: E1005 for another
// [IBIS Ver]; leaving the header for another group tests IBIS_Version,
// File_name and File_Rev (E1915) and closes the record.
AMI_EXPORT int HDR_Fini(int iNewKeyword);

AMI_EXPORT void HDR_AddLink(HDR_STRUCT** ppHead, HDR_STRUCT* p);
AMI_EXPORT void HDR_FreeList(HDR_STRUCT* pHead);

// Getters: 1 and the value when present and not empty, else 0 and null.
AMI_EXPORT int HDR_GetIBIS_Ver(const HDR_STRUCT* p, const char** ppsz);
AMI_EXPORT int HDR_GetFile_name(const HDR_STRUCT* p, const char** ppsz);
AMI_EXPORT int HDR_GetFile_Rev(const HDR_STRUCT* p, const char** ppsz);
AMI_EXPORT int HDR_GetDate(const HDR_STRUCT* p, const char** ppsz);
AMI_EXPORT int HDR_GetSource(const HDR_STRUCT* p, const char** ppsz);
AMI_EXPORT int HDR_GetNotes(const HDR_STRUCT* p, const char** ppsz);
AMI_EXPORT int HDR_GetDisclaimer(const HDR_STRUCT* p, const char** ppsz);
AMI_EXPORT int HDR_GetCopyright(const HDR_STRUCT* p, const char** ppsz);

AMI_EXPORT void HDR_AllowAnyVersion(int iFlag);
AMI_EXPORT void HDR_Allow1xVersions(int iFlag);
// The [IBIS Ver] values accepted, as one text ("2.0, 2.1, ..."), for usage texts.
const char* HDR_VersionList(void);
AMI_EXPORT void HDR_AllowAnyFile_name(int iFlag);

}  // extern "C"

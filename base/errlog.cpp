// Error log of the IBIS checker (see errlog.h).
#include "base/errlog.h"

#include <stdarg.h>
#include <string.h>


extern "C" {

int gbOldStyleErrors = 1;
int gbSuppressCautions = 1;

const ERRLOG_MESSAGE gErrorLogTable[] = {
#define ERRLOG_MSG(code, text) {code, text},
#include "base/errlog_messages.def"
#undef ERRLOG_MSG
    {0, NULL},
};
const int giErrorLogTableSize = static_cast<int>(sizeof gErrorLogTable / sizeof gErrorLogTable[0]) - 1;

}  // extern "C"

namespace {

FILE* s_pLogStream = NULL;
// Where the current line number comes from: the checker frame registers its
// line counter; a program without the frame prints 0.
unsigned long (*s_pfnLineSource)(void) = NULL;

unsigned long s_ulBugs = 0;
unsigned long s_ulErrors = 0;
unsigned long s_ulWarnings = 0;
unsigned long s_ulCautions = 0;

ERRLOG_RECORD_SINK s_pfnSink = NULL;
void* s_pSinkContext = NULL;
bool s_bPrint = true;  // false only while a sink that asked for silence is set

int s_bSuppressBugs = 0;
int s_bSuppressErrors = 0;
int s_bSuppressWarns = 0;
const int s_bNeverSuppressed = 0;

// What a kind prints and counts. A text whose length lies in
// [iWrapMin, kWrapMax] moves to a second line indented by four blanks; a kind
// with iWrapMin 0 never wraps.
struct Kind {
    const char* pszWord;      // worded prefix, null when the kind has no worded form
    char cLetter;             // letter of the numbered prefix
    bool bLine;               // prints the line number
    int iWrapMin;
    unsigned long* pulCounter;  // null: not counted
    const int* pbSuppressed;
};

const int kWrapMax = 75;

enum KindId {
    K_BUG, K_LINE_BUG, K_ERROR, K_LINE_ERROR, K_WARN, K_LINE_WARN,
    K_CAUTION, K_LINE_CAUTION, K_NOTE, K_LINE_NOTE, K_INFO
};

const Kind s_kinds[] = {
    {"PROGRAM BUG", 'B', false, 0, &s_ulBugs, &s_bSuppressBugs},
    {"PROGRAM BUG", 'B', true, 0, &s_ulBugs, &s_bSuppressBugs},
    {"ERROR", 'E', false, 72, &s_ulErrors, &s_bSuppressErrors},
    {"ERROR", 'E', true, 60, &s_ulErrors, &s_bSuppressErrors},
    {"WARNING", 'W', false, 70, &s_ulWarnings, &s_bSuppressWarns},
    {"WARNING", 'W', true, 58, &s_ulWarnings, &s_bSuppressWarns},
    {"CAUTION", 'C', false, 70, &s_ulCautions, &gbSuppressCautions},
    {"CAUTION", 'C', true, 58, &s_ulCautions, &gbSuppressCautions},
    {"NOTE", 'N', false, 73, NULL, &s_bNeverSuppressed},
    {"NOTE", 'N', true, 61, NULL, &s_bNeverSuppressed},
    {NULL, 'I', false, 0, NULL, &s_bNeverSuppressed},
};

FILE* s_stream()
{
    if (s_pLogStream == NULL) s_pLogStream = stdout;
    return s_pLogStream;
}

unsigned long s_lineNumber()
{
    return s_pfnLineSource ? s_pfnLineSource() : 0UL;
}

// Counts and writes one formatted text. bNumbered selects the coded prefix.
int s_print(KindId id, bool bNumbered, int iCode, const char* pszText)
{
    const Kind& k = s_kinds[id];
    if (!bNumbered && k.pszWord == NULL) return 0;
    if (k.pulCounter != NULL) ++*k.pulCounter;
    if (s_pfnSink != NULL) {
        const ERRLOG_RECORD rec = {k.cLetter, iCode, k.bLine ? 1 : 0, k.bLine ? s_lineNumber() : 0UL, pszText};
        s_pfnSink(&rec, s_pSinkContext);
    }
    if (!s_bPrint) return 1;
    FILE* pStream = s_stream();

    const size_t len = strlen(pszText);
    const bool bWrap = k.iWrapMin > 0 && len >= static_cast<size_t>(k.iWrapMin) &&
                       len <= static_cast<size_t>(kWrapMax);
    if (bNumbered)
        fprintf(pStream, "%c%04d", k.cLetter, iCode);
    else
        fputs(k.pszWord, pStream);
    if (k.bLine) fprintf(pStream, " (line %*lu)", 4, s_lineNumber());
    if (bWrap)
        fprintf(pStream, " -\n    %s\n", pszText);
    else
        fprintf(pStream, " - %s\n", pszText);
    return 1;
}

int s_raiseFormat(KindId id, const char* pszFormat, va_list args)
{
    if (*s_kinds[id].pbSuppressed) return 0;
    char szText[ERRLOG_MESSAGE_BUFFER_SIZE];
    if (vsnprintf(szText, sizeof szText, pszFormat, args) < 0) szText[0] = '\0';
    return s_print(id, false, -1, szText);
}

int s_raiseCode(KindId id, int iCode, va_list args)
{
    const int iIndex = BSearchErrorLogTable(iCode);
    if (iIndex < 0) return s_print(K_INFO, !gbOldStyleErrors, 0, gErrorLogTable[0].pszText);
    if (*s_kinds[id].pbSuppressed) return 0;
    char szText[ERRLOG_MESSAGE_BUFFER_SIZE];
    if (vsnprintf(szText, sizeof szText, gErrorLogTable[iIndex].pszText, args) < 0) szText[0] = '\0';
    return s_print(id, !gbOldStyleErrors, iCode, szText);
}

}  // namespace

extern "C" {

void ERRLOG_SetOutputFile(FILE* pStream)
{
    s_pLogStream = pStream;
}

void ERRLOG_SetLineSource(unsigned long (*pfnLineSource)(void))
{
    s_pfnLineSource = pfnLineSource;
}

#define ERRLOG_FORMAT_RAISER(name, kind)          \
    int name(const char* pszFormat, ...)          \
    {                                             \
        va_list args;                             \
        va_start(args, pszFormat);                \
        const int r = s_raiseFormat(kind, pszFormat, args); \
        va_end(args);                             \
        return r;                                 \
    }

#define ERRLOG_CODE_RAISER(name, kind)            \
    int name(int iCode, ...)                      \
    {                                             \
        va_list args;                             \
        va_start(args, iCode);                    \
        const int r = s_raiseCode(kind, iCode, args); \
        va_end(args);                             \
        return r;                                 \
    }

ERRLOG_FORMAT_RAISER(ERRLOG_Bugx, K_BUG)
ERRLOG_FORMAT_RAISER(ERRLOG_LineBugx, K_LINE_BUG)
ERRLOG_FORMAT_RAISER(ERRLOG_Errorx, K_ERROR)
ERRLOG_FORMAT_RAISER(ERRLOG_LineErrorx, K_LINE_ERROR)
ERRLOG_FORMAT_RAISER(ERRLOG_Warnx, K_WARN)
ERRLOG_FORMAT_RAISER(ERRLOG_LineWarnx, K_LINE_WARN)
ERRLOG_FORMAT_RAISER(ERRLOG_Cautionx, K_CAUTION)
ERRLOG_FORMAT_RAISER(ERRLOG_LineCautionx, K_LINE_CAUTION)
ERRLOG_FORMAT_RAISER(ERRLOG_Notex, K_NOTE)
ERRLOG_FORMAT_RAISER(ERRLOG_LineNotex, K_LINE_NOTE)

ERRLOG_CODE_RAISER(ERRLOG_BugNew, K_BUG)
ERRLOG_CODE_RAISER(ERRLOG_LineBugNew, K_LINE_BUG)
ERRLOG_CODE_RAISER(ERRLOG_ErrorNew, K_ERROR)
ERRLOG_CODE_RAISER(ERRLOG_LineErrorNew, K_LINE_ERROR)
ERRLOG_CODE_RAISER(ERRLOG_WarnNew, K_WARN)
ERRLOG_CODE_RAISER(ERRLOG_LineWarnNew, K_LINE_WARN)
ERRLOG_CODE_RAISER(ERRLOG_CautionNew, K_CAUTION)
ERRLOG_CODE_RAISER(ERRLOG_NoteNew, K_NOTE)
ERRLOG_CODE_RAISER(ERRLOG_LineNoteNew, K_LINE_NOTE)

#undef ERRLOG_FORMAT_RAISER
#undef ERRLOG_CODE_RAISER

void ERRLOG_SetRecordSink(ERRLOG_RECORD_SINK pfnSink, void* pContext, int bPrint)
{
    s_pfnSink = pfnSink;
    s_pSinkContext = pContext;
    s_bPrint = pfnSink == NULL || bPrint != 0;
}

void ERRLOG_ResetCounts(void)
{
    s_ulBugs = s_ulErrors = s_ulWarnings = s_ulCautions = 0;
}

unsigned long ERRLOG_GetCautionCount(void)
{
    return s_ulCautions;
}

void ERRLOG_Totals(void)
{
    if (!s_bPrint) return;
    FILE* pStream = s_stream();
    if (s_ulBugs > 0 || s_ulErrors > 0 || s_ulWarnings > 0) fputs("\n", pStream);
    if (s_ulBugs > 0) fprintf(pStream, "Bugs    : %ld\n", static_cast<long>(s_ulBugs));
    fprintf(pStream, "Errors  : %ld\n", static_cast<long>(s_ulErrors));
    if (s_ulWarnings > 0) fprintf(pStream, "Warnings: %ld\n", static_cast<long>(s_ulWarnings));
    if (s_ulCautions > 0) fprintf(pStream, "Cautions: %ld\n", static_cast<long>(s_ulCautions));
    fprintf(pStream, "\nFile %s\n", (s_ulBugs > 0 || s_ulErrors > 0) ? "Failed" : "Passed");
}

void ERRLOG_GetCounts(unsigned long* pulBugs, unsigned long* pulErrors, unsigned long* pulWarnings)
{
    if (pulBugs != NULL) *pulBugs = s_ulBugs;
    if (pulErrors != NULL) *pulErrors = s_ulErrors;
    if (pulWarnings != NULL) *pulWarnings = s_ulWarnings;
}

void ERRLOG_SuppressBugs(int bFlag)
{
    s_bSuppressBugs = bFlag != 0;
}

void ERRLOG_SuppressErrors(int bFlag)
{
    s_bSuppressErrors = bFlag != 0;
}

void ERRLOG_SuppressWarns(int bFlag)
{
    s_bSuppressWarns = bFlag != 0;
}

int BSearchErrorLogTable(int iCode)
{
    int iLow = 0;
    int iHigh = giErrorLogTableSize - 1;
    while (iLow <= iHigh) {
        const int iMiddle = iLow + (iHigh - iLow) / 2;
        const int iFound = gErrorLogTable[iMiddle].iCode;
        if (iFound == iCode) return iMiddle;
        if (iFound > iCode)
            iHigh = iMiddle - 1;
        else
            iLow = iMiddle + 1;
    }
    return -1;
}

}  // extern "C"

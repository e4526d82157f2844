/* Error log of the IBIS checker: numbered and free-format diagnostics, their
 * counters and the end-of-run totals.
 *
 * Every diagnostic has a kind (bug, error, warning, caution, note), is tied to
 * the line of the checked file that was read last or not, and is written to the
 * log stream as one line, or as two when its text falls in the kind's wrapping
 * range (see errlog.cpp). Two families raise them:
 *   - ERRLOG_<Kind>x (format, ...): a printf format and its arguments, always
 *     printed in the worded form ("ERROR - text");
 *   - ERRLOG_<Kind>New (code, ...): a message code whose catalogue text
 *     (errlog_messages.def) is the format; printed worded while
 *     gbOldStyleErrors is set, else numbered ("E1923 - text").
 * A code that the catalogue lacks prints "I0000 - Error code doesn't exist."
 * in the numbered style, nothing in the worded one, and counts nothing.
 *
 * The raising operations return 1 when a line was written and 0 when the
 * message was suppressed or (worded style) an unknown code was raised.
 *
 * Line numbers come from PARSE_GetLineNum (the checker frame), declared here
 * as `unsigned long PARSE_GetLineNum(void)`. The log resolves it weakly, so a
 * program that links the error log without the checker frame prints line 0.
 *
 * State is process-wide and unguarded: one thread at a time (the call API
 * serialises its checks with a mutex, see checker/chkapi.h).
 */
#ifndef CHECKER_ERRLOG_H
#define CHECKER_ERRLOG_H

#include <stdio.h>

#include "base/AmiExport.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ERRLOG_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

/* Selects the worded line forms while set (the initial state); cleared, every
 * code-based message is printed with its code. */
AMI_EXPORT extern int gbOldStyleErrors;
/* While set (the initial state), cautions are neither printed nor counted. */
AMI_EXPORT extern int gbSuppressCautions;

/* Sets the log stream; null returns to standard output. The log never opens
 * or closes a stream. */
AMI_EXPORT void ERRLOG_SetOutputFile(FILE* pStream);

// Registers the function that gives the line number printed with each
// message (the checker frame registers its line counter when it is linked
// in); NULL prints 0. Internal: not exported.
void ERRLOG_SetLineSource(unsigned long (*pfnLineSource)(void));

/* Free-format family. */
AMI_EXPORT int ERRLOG_Bugx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_LineBugx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_Errorx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_LineErrorx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_Warnx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_LineWarnx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_Cautionx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_LineCautionx(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_Notex(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);
AMI_EXPORT int ERRLOG_LineNotex(const char* pszFormat, ...) ERRLOG_PRINTF(1, 2);

/* Code family: the arguments are those the code's catalogue text expects. */
AMI_EXPORT int ERRLOG_BugNew(int iCode, ...);
AMI_EXPORT int ERRLOG_LineBugNew(int iCode, ...);
AMI_EXPORT int ERRLOG_ErrorNew(int iCode, ...);
AMI_EXPORT int ERRLOG_LineErrorNew(int iCode, ...);
AMI_EXPORT int ERRLOG_WarnNew(int iCode, ...);
AMI_EXPORT int ERRLOG_LineWarnNew(int iCode, ...);
AMI_EXPORT int ERRLOG_CautionNew(int iCode, ...);
AMI_EXPORT int ERRLOG_NoteNew(int iCode, ...);
AMI_EXPORT int ERRLOG_LineNoteNew(int iCode, ...);

/* Prints the counts and the verdict "Passed" or "Failed" (a bug or an error
 * fails a file; warnings, cautions and notes never do). */
AMI_EXPORT void ERRLOG_Totals(void);
/* Stores the current counts through each pointer that is not null. */
AMI_EXPORT void ERRLOG_GetCounts(unsigned long* pulBugs, unsigned long* pulErrors,
                                 unsigned long* pulWarnings);
/* Nonzero suppresses the kind: nothing printed, nothing counted. */
AMI_EXPORT void ERRLOG_SuppressBugs(int bFlag);
AMI_EXPORT void ERRLOG_SuppressErrors(int bFlag);
AMI_EXPORT void ERRLOG_SuppressWarns(int bFlag);

/* Findings as records. A record sink, when set, receives every message that
 * is printed (or would be printed: see bPrint below) as it is raised, before
 * the log writes it. The record's strings live only during the call. The
 * checker's drivers (a whole run collected for a report, the call API) set a
 * sink; the text on the log stream is the same with or without one.
 * Internal: not exported; the exported way to get findings is the call API
 * (checker/chkapi.h). */
typedef struct {
    char cKind;             /* 'B' bug, 'E' error, 'W' warning, 'C' caution,
                               'N' note, 'I' information (unknown code) */
    int iCode;              /* catalogue code; -1 for the format family */
    int bHasLine;           /* the kind prints the line number */
    unsigned long ulLine;   /* that line number (0 when bHasLine is 0) */
    const char* pszText;    /* the formatted text, without prefix */
} ERRLOG_RECORD;
typedef void (*ERRLOG_RECORD_SINK)(const ERRLOG_RECORD* pRecord, void* pContext);
/* Sets the record sink (null: none). With bPrint 0 the log writes nothing to
 * its stream while the sink is set (messages and totals), but still counts:
 * the records are then the only output. */
void ERRLOG_SetRecordSink(ERRLOG_RECORD_SINK pfnSink, void* pContext, int bPrint);
/* Sets the four counters back to 0, so that the next check is counted as if
 * it were the first of the process. */
void ERRLOG_ResetCounts(void);
/* The cautions counted so far (ERRLOG_GetCounts leaves them out). */
unsigned long ERRLOG_GetCautionCount(void);

/* Index of the catalogue record with that code, or -1 when there is none. */
AMI_EXPORT int BSearchErrorLogTable(int iCode);

/* The message catalogue: gErrorLogTable[0 .. giErrorLogTableSize - 1] sorted by
 * ascending code, each code once, record 0 being code 0 (the unknown-code
 * text); a terminating record {0, NULL} follows. */
typedef struct {
    int iCode;
    const char* pszText;
} ERRLOG_MESSAGE;
extern const ERRLOG_MESSAGE gErrorLogTable[];
extern const int giErrorLogTableSize;

/* Size of the buffer that a raise formats its text into; longer texts are cut
 * to ERRLOG_MESSAGE_BUFFER_SIZE - 1 characters. */
#define ERRLOG_MESSAGE_BUFFER_SIZE 4096

#ifdef __cplusplus
}
#endif

#endif /* CHECKER_ERRLOG_H */

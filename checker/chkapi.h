/* The checker's call API for hosts and scripts (prefix IBISCHK_): checks one
 * file, or a text held in memory, and hands back each finding as a record
 * plus the verdict. Exported from both libraries.
 *
 *   IBISCHK_RESULT* r = IBISCHK_CheckFile("part.ibs", IBISCHK_TYPE_AUTO, 0);
 *   for (size_t i = 0; i < IBISCHK_FindingCount(r); ++i) {
 *       IBISCHK_FINDING f;
 *       IBISCHK_GetFinding(r, i, &f);
 *       printf("%s:%lu: %s %d: %s\n", f.pszFile, f.ulLine, f.pszSeverity, f.iCode, f.pszText);
 *   }
 *   int failed = IBISCHK_Status(r) != IBISCHK_PASSED;
 *   IBISCHK_Free(r);
 *
 * Each call is one whole check counted on its own, as a fresh process would
 * count it: the totals of one call never include another's. Nothing is
 * printed. The checker keeps process-wide state, so the calls of this API
 * are serialised by one mutex: calling from several threads is safe and the
 * checks run one after the other. Driving the checker's own operations
 * (INIT, PARSE, TEST, FINI, the ERRLOG_ switches) from another thread at the
 * same time is not. The switches gbSuppressCautions and gbOldStyleErrors are
 * set for the call from iFlags and put back afterwards.
 *
 * Files that a checked file names (the AMI files of [Algorithmic Model], the
 * files of a board description) are looked for beside it; a text checked
 * from memory has none beside it.
 */
#ifndef CHECKER_CHKAPI_H
#define CHECKER_CHKAPI_H

#include <stddef.h>

#include "base/AmiExport.h"

#ifdef __cplusplus
extern "C" {
#endif

/* File types: AUTO takes the type from the extension (.pkg, .ebd, .ami,
 * without regard to case; anything else is checked as an IBIS file). */
#define IBISCHK_TYPE_AUTO 0
#define IBISCHK_TYPE_IBS 1
#define IBISCHK_TYPE_PKG 2
#define IBISCHK_TYPE_EBD 3
#define IBISCHK_TYPE_AMI 4

/* iFlags: report cautions too (they are left out by default). */
#define IBISCHK_CAUTIONS 1

/* Status of a check. */
#define IBISCHK_PASSED 0     /* no bug and no error */
#define IBISCHK_FAILED 1     /* at least one bug or error */
#define IBISCHK_UNREADABLE 2 /* the file could not be opened */

typedef struct IBISCHK_RESULT IBISCHK_RESULT; /* opaque */

/* One finding. The strings belong to the result and live until
 * IBISCHK_Free. */
typedef struct {
    int iCode;               /* message code; -1 for a message without one */
    char cKind;              /* 'B', 'E', 'W', 'C', 'N' or 'I' */
    const char* pszSeverity; /* "bug", "error", "warning", "caution", "note",
                                "information" */
    unsigned long ulLine;    /* line of the file, from 1; 0 when the message
                                names no line */
    const char* pszFile;     /* the checked path, or for a file it names, the
                                path where the checker looked for it */
    const char* pszText;     /* the message text, without prefix */
} IBISCHK_FINDING;

/* Checks the file at pszPath with the given type and flags. Result: a new
 * result to free with IBISCHK_Free; null when pszPath is null, iType is not
 * one of the types above, or memory ran out. */
AMI_EXPORT IBISCHK_RESULT* IBISCHK_CheckFile(const char* pszPath, int iType, int iFlags);

/* Checks uLength bytes of pText as if they were a file named pszName (a base
 * name without "/"; the checker compares it with [File Name], and with
 * IBISCHK_TYPE_AUTO its extension gives the type). The text is written to a
 * private temporary folder that is removed afterwards. Result as for
 * IBISCHK_CheckFile; also null when pszName is null, empty or holds a "/",
 * or the temporary file cannot be written. */
AMI_EXPORT IBISCHK_RESULT* IBISCHK_CheckText(const char* pText, size_t uLength, const char* pszName, int iType,
                                             int iFlags);

/* IBISCHK_PASSED, IBISCHK_FAILED or IBISCHK_UNREADABLE; -1 for null. */
AMI_EXPORT int IBISCHK_Status(const IBISCHK_RESULT* pResult);
/* Number of findings, in the order raised (0 for null). */
AMI_EXPORT size_t IBISCHK_FindingCount(const IBISCHK_RESULT* pResult);
/* Fills *pFinding with finding i. Result 1, or 0 when i is out of range or
 * an argument is null. */
AMI_EXPORT int IBISCHK_GetFinding(const IBISCHK_RESULT* pResult, size_t i, IBISCHK_FINDING* pFinding);
/* Stores the counts (bugs, errors, warnings, cautions, notes) through each
 * pointer that is not null; all 0 for a null result. */
AMI_EXPORT void IBISCHK_GetCounts(const IBISCHK_RESULT* pResult, unsigned long* pulBugs, unsigned long* pulErrors,
                                  unsigned long* pulWarnings, unsigned long* pulCautions, unsigned long* pulNotes);
/* Frees a result (null is allowed). */
AMI_EXPORT void IBISCHK_Free(IBISCHK_RESULT* pResult);
/* Version of the checker, as the programs print it with --version. */
AMI_EXPORT const char* IBISCHK_Version(void);

#ifdef __cplusplus
}
#endif

#endif /* CHECKER_CHKAPI_H */

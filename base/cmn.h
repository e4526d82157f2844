/* Common memory, string and scanning helpers of the IBIS checker, shared with
 * the AMI parameter tree parser.
 *
 * Allocation failures are reported through the error log (E1906, E1907,
 * B1908) and give a result of 0 or null; the caller decides what follows.
 * Violated preconditions (programming errors, never data) print
 * "<source>:<line>:assertion failed.\n" to standard output and abort.
 *
 * Process-wide state (gbAllowAnyLineLength, the CMN_ultoa buffer): one thread
 * at a time.
 */
#ifndef CHECKER_CMN_H
#define CHECKER_CMN_H

#include <stddef.h>
#include <stdio.h>

#include "base/AmiExport.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Stops the process when a precondition does not hold. */
#define CMN_ASSERT(cond) ((cond) ? (void)0 : CMN_AssertFailed(__FILE__, __LINE__))
AMI_EXPORT void CMN_AssertFailed(const char* pszFile, int iLine) __attribute__((noreturn));

/* Most characters the scanners below may skip in one call while
 * gbAllowAnyLineLength is off. */
#define CMN_MAX_SKIP 120
/* Lets the scanners skip any number of characters (off at load). */
extern int gbAllowAnyLineLength;

/* ---- memory (sizes in bytes) ---- */

/* Allocates size (> 0) zero-filled bytes into *ppOut. 1; on failure *ppOut is
 * null, E1906 is raised with the size, and the result is 0. */
AMI_EXPORT int CMN_malloc(void** ppOut, size_t size);
/* Resizes the block at *ppInOut to size (> 0) bytes; bytes beyond the old size
 * are not cleared. 1; on failure the old block is released, *ppInOut becomes
 * null, E1907 is raised with the size, and the result is 0. */
AMI_EXPORT int CMN_realloc(void** ppInOut, size_t size);
/* Frees p (not null). */
AMI_EXPORT void CMN_free(void* p);
/* Frees *pp (not null) and sets it to null. */
AMI_EXPORT void CMN_freeSetNull(void** pp);

/* ---- strings ---- */

/* A new copy of pszSrc; null for a null pszSrc, or (after B1908) when the
 * allocation fails. Release with CMN_free. */
AMI_EXPORT char* CMN_StrMake(const char* pszSrc);
/* A new zero-filled array of n + 1 bytes holding at most the first n
 * characters of pszSrc (none for a null pszSrc); null, without a message of
 * its own, on failure. */
AMI_EXPORT char* CMN_StrMakeN(const char* pszSrc, unsigned n);
/* strncpy of at most n characters, then a terminator at pszDst[n] (pszDst
 * holds n + 1 bytes). Returns pszDst + n. */
AMI_EXPORT char* CMN_strncpy(char* pszDst, const char* pszSrc, size_t n);
/* Same length and equal after upper-casing each character. */
AMI_EXPORT int CMN_StrSameIC(const char* pszA, const char* pszB);
/* Equal (ignoring case) in the first n (> 0) characters, or both end at the
 * same place before that. */
AMI_EXPORT int CMN_StrSameICn(const char* pszA, const char* pszB, unsigned n);
/* Replaces every blank of pszText by '_' in place, then CMN_StrSameIC. */
AMI_EXPORT int CMN_MatchKeyword(const char* pszName, char* pszText);
AMI_EXPORT void CMN_ConvertToLower(char* pszText);
AMI_EXPORT void CMN_ConvertToUpper(char* pszText);
AMI_EXPORT int CMN_AnyUpper(const char* pszText);
/* The part of pszPath after its last '/', or the whole path. */
AMI_EXPORT const char* CMN_getBasename(const char* pszPath);
/* v in decimal, in a static buffer valid until the next call. */
AMI_EXPORT const char* CMN_ultoa(unsigned long v);
/* fopen; null on failure, without a message. */
AMI_EXPORT FILE* CMN_fopen(const char* pszPath, const char* pszMode);

/* ---- scanning: each moves the text pointer *ppText ---- */

/* Blank, tab, line feed, vertical tab, form feed or carriage return. */
AMI_EXPORT int CMN_IsWhitespace(int c);
/* Past white space, to the first other character or the end. */
AMI_EXPORT void CMN_EatWhitespace(char** ppText);
/* To the first white-space character or the end. */
AMI_EXPORT void CMN_EatNonWhitespace(char** ppText);
/* Past the first ']' and the white space after it: 1. Without a ']', to the
 * end of the text: 0. */
AMI_EXPORT int CMN_EatKeyword(char** ppText);
/* Cuts trailing white space, never the first character. */
AMI_EXPORT void CMN_TerminateEnd(char* pszText);

/* Test aid: the next n allocations through CMN_malloc / CMN_realloc succeed
 * and every later one fails as if memory were exhausted; a negative n turns
 * the failures off (the initial state). */
void CMN_FailAllocationsAfter(long n);

#ifdef __cplusplus
}
#endif

#endif /* CHECKER_CMN_H */

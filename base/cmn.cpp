// Common memory, string and scanning helpers (see cmn.h).
#include "base/cmn.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "base/errlog.h"

extern "C" {
int gbAllowAnyLineLength = 0;
}

namespace {

// CMN_ultoa's result: 20 digits of a 64-bit value and a terminator.
char s_szUltoa[24];

long s_lAllocationsLeft = -1;

bool s_allocationFails()
{
    if (s_lAllocationsLeft < 0) return false;
    if (s_lAllocationsLeft == 0) return true;
    --s_lAllocationsLeft;
    return false;
}

// Enforces the per-call skip limit of the scanners.
inline void s_countSkip(size_t& nSkipped)
{
    ++nSkipped;
    CMN_ASSERT(gbAllowAnyLineLength || nSkipped <= CMN_MAX_SKIP);
}

}  // namespace

extern "C" {

void CMN_AssertFailed(const char* pszFile, int iLine)
{
    printf("%s:%d:assertion failed.\n", CMN_getBasename(pszFile), iLine);
    fflush(stdout);
    abort();
}

void CMN_FailAllocationsAfter(long n)
{
    s_lAllocationsLeft = n < 0 ? -1 : n;
}

int CMN_malloc(void** ppOut, size_t size)
{
    CMN_ASSERT(ppOut != NULL);
    CMN_ASSERT(size != 0);
    *ppOut = s_allocationFails() ? NULL : calloc(1, size);
    if (*ppOut == NULL) {
        ERRLOG_ErrorNew(1906, static_cast<unsigned>(size));
        return 0;
    }
    return 1;
}

int CMN_realloc(void** ppInOut, size_t size)
{
    CMN_ASSERT(ppInOut != NULL);
    CMN_ASSERT(size != 0);
    void* pNew = s_allocationFails() ? NULL : realloc(*ppInOut, size);
    if (pNew == NULL) {
        // The caller loses the old address; release it rather than leak it.
        free(*ppInOut);
        *ppInOut = NULL;
        ERRLOG_ErrorNew(1907, static_cast<unsigned>(size));
        return 0;
    }
    *ppInOut = pNew;
    return 1;
}

void CMN_free(void* p)
{
    CMN_ASSERT(p != NULL);
    free(p);
}

void CMN_freeSetNull(void** pp)
{
    CMN_ASSERT(pp != NULL && *pp != NULL);
    free(*pp);
    *pp = NULL;
}

char* CMN_StrMake(const char* pszSrc)
{
    if (pszSrc == NULL) return NULL;
    const size_t len = strlen(pszSrc);
    void* p = NULL;
    if (!CMN_malloc(&p, len + 1)) {
        ERRLOG_BugNew(1908, "cmn.cpp", __LINE__);
        return NULL;
    }
    memcpy(p, pszSrc, len + 1);
    return static_cast<char*>(p);
}

char* CMN_StrMakeN(const char* pszSrc, unsigned n)
{
    char* p = static_cast<char*>(s_allocationFails() ? NULL : calloc(1, static_cast<size_t>(n) + 1));
    if (p == NULL) return NULL;
    for (unsigned i = 0; pszSrc != NULL && i < n && pszSrc[i] != '\0'; ++i) p[i] = pszSrc[i];
    return p;
}

char* CMN_strncpy(char* pszDst, const char* pszSrc, size_t n)
{
    CMN_ASSERT(pszDst != NULL && pszSrc != NULL);
    strncpy(pszDst, pszSrc, n);
    pszDst[n] = '\0';
    return pszDst + n;
}

int CMN_StrSameIC(const char* pszA, const char* pszB)
{
    CMN_ASSERT(pszA != NULL && pszB != NULL);
    for (;; ++pszA, ++pszB) {
        const int a = toupper(static_cast<unsigned char>(*pszA));
        const int b = toupper(static_cast<unsigned char>(*pszB));
        if (a != b) return 0;
        if (a == '\0') return 1;
    }
}

int CMN_StrSameICn(const char* pszA, const char* pszB, unsigned n)
{
    CMN_ASSERT(pszA != NULL && pszB != NULL);
    CMN_ASSERT(n != 0);
    for (unsigned i = 0; i < n; ++i) {
        const int a = toupper(static_cast<unsigned char>(pszA[i]));
        const int b = toupper(static_cast<unsigned char>(pszB[i]));
        if (a != b) return 0;
        if (a == '\0') return 1;
    }
    return 1;
}

int CMN_MatchKeyword(const char* pszName, char* pszText)
{
    CMN_ASSERT(pszName != NULL && pszText != NULL);
    for (char* p = pszText; *p != '\0'; ++p)
        if (*p == ' ') *p = '_';
    return CMN_StrSameIC(pszName, pszText);
}

void CMN_ConvertToLower(char* pszText)
{
    CMN_ASSERT(pszText != NULL);
    for (; *pszText != '\0'; ++pszText)
        *pszText = static_cast<char>(tolower(static_cast<unsigned char>(*pszText)));
}

void CMN_ConvertToUpper(char* pszText)
{
    CMN_ASSERT(pszText != NULL);
    for (; *pszText != '\0'; ++pszText)
        *pszText = static_cast<char>(toupper(static_cast<unsigned char>(*pszText)));
}

int CMN_AnyUpper(const char* pszText)
{
    CMN_ASSERT(pszText != NULL);
    for (; *pszText != '\0'; ++pszText)
        if (isupper(static_cast<unsigned char>(*pszText))) return 1;
    return 0;
}

const char* CMN_getBasename(const char* pszPath)
{
    CMN_ASSERT(pszPath != NULL);
    const char* pSlash = strrchr(pszPath, '/');
    return pSlash != NULL ? pSlash + 1 : pszPath;
}

const char* CMN_ultoa(unsigned long v)
{
    snprintf(s_szUltoa, sizeof s_szUltoa, "%lu", v);
    return s_szUltoa;
}

FILE* CMN_fopen(const char* pszPath, const char* pszMode)
{
    if (pszPath == NULL || pszMode == NULL) return NULL;
    return fopen(pszPath, pszMode);
}

int CMN_IsWhitespace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void CMN_EatWhitespace(char** ppText)
{
    CMN_ASSERT(ppText != NULL && *ppText != NULL);
    size_t nSkipped = 0;
    char* p = *ppText;
    while (*p != '\0' && CMN_IsWhitespace(static_cast<unsigned char>(*p))) {
        s_countSkip(nSkipped);
        ++p;
    }
    *ppText = p;
}

void CMN_EatNonWhitespace(char** ppText)
{
    CMN_ASSERT(ppText != NULL && *ppText != NULL);
    size_t nSkipped = 0;
    char* p = *ppText;
    while (*p != '\0' && !CMN_IsWhitespace(static_cast<unsigned char>(*p))) {
        s_countSkip(nSkipped);
        ++p;
    }
    *ppText = p;
}

int CMN_EatKeyword(char** ppText)
{
    CMN_ASSERT(ppText != NULL && *ppText != NULL);
    size_t nSkipped = 0;
    char* p = *ppText;
    while (*p != '\0' && *p != ']') {
        s_countSkip(nSkipped);
        ++p;
    }
    if (*p == '\0') {
        *ppText = p;
        return 0;
    }
    s_countSkip(nSkipped);
    ++p;
    while (*p != '\0' && CMN_IsWhitespace(static_cast<unsigned char>(*p))) {
        s_countSkip(nSkipped);
        ++p;
    }
    *ppText = p;
    return 1;
}

void CMN_TerminateEnd(char* pszText)
{
    CMN_ASSERT(pszText != NULL);
    size_t len = strlen(pszText);
    while (len > 1 && CMN_IsWhitespace(static_cast<unsigned char>(pszText[len - 1]))) pszText[--len] = '\0';
}

}  // extern "C"

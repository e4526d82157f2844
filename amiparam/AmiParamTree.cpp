// Parser of AMI parameter texts into branches and leaves (see AmiParamTree.h).
//
// ScanForNodes walks the text once, pass by pass, one node per pass. A depth
// counter d rises by one at each "(" that opens a node and by one more when
// the node's kind is decided (at the "(" that ends a branch's head word, or at
// the first value of a leaf), and falls by two at each ")" that closes one, so
// d / 2 is the nesting level. GetParsedTree then links the flat list into the
// hierarchy with a stack of open branches.
#include "amiparam/AmiParamTree.h"

#include <limits.h>
#include <locale.h>
#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"

namespace {

const char* const s_reservedWords[] = {"Usage", "Type", "Format", "Default", "Description", "Labels"};

// In STRING_TYPE order.
const char* const s_stringTypes[] = {"In",    "Out",   "Info",   "InOut",  "Float",     "Integer", "String",
                                     "Boolean", "Tap", "UI",     "Value",  "Range",     "List",    "Corner",
                                     "Increment", "Steps", "Table", "Gaussian", "Dual-Dirac", "DjRj"};
static_assert(sizeof s_stringTypes / sizeof s_stringTypes[0] == STRING_TYPE_DJRJ + 1, "keyword table");

bool s_isWhite(char c)
{
    return CMN_IsWhitespace(static_cast<unsigned char>(c)) != 0;
}

// Skips white space without the checker's per-call limit: a parameter string
// may hold any run of blanks.
char* s_skipWhite(char* p)
{
    while (*p != '\0' && s_isWhite(*p)) ++p;
    return p;
}

// A new text holding [pBegin, pEnd) without trailing white space; null after
// the allocation failure has been reported.
char* s_copyTrimmed(const char* pBegin, const char* pEnd)
{
    while (pEnd > pBegin && s_isWhite(pEnd[-1])) --pEnd;
    const size_t len = static_cast<size_t>(pEnd - pBegin);
    void* p = NULL;
    if (!CMN_malloc(&p, len + 1)) return NULL;
    memcpy(p, pBegin, len);
    return static_cast<char*>(p);
}

RESERVED_WORD s_reservedWord(const char* pszName)
{
    for (size_t i = 0; i < sizeof s_reservedWords / sizeof s_reservedWords[0]; ++i)
        if (strcmp(pszName, s_reservedWords[i]) == 0) return static_cast<RESERVED_WORD>(i + 1);
    return RESERVED_WORD_NONE;
}

void s_freeBranch(BRANCH_STRUCT* pBranch)
{
    if (pBranch->pszName != NULL) CMN_free(pBranch->pszName);
    if (pBranch->pNodes != NULL) CMN_free(pBranch->pNodes);
    CMN_free(pBranch);
}

void s_freeLeaf(LEAF_STRUCT* pLeaf)
{
    if (pLeaf->pValues != NULL) {
        for (int i = 0; i < pLeaf->iNumValues; ++i)
            if (pLeaf->pValues[i].pszValue != NULL) CMN_free(pLeaf->pValues[i].pszValue);
        CMN_free(pLeaf->pValues);
    }
    if (pLeaf->pszName != NULL) CMN_free(pLeaf->pszName);
    CMN_free(pLeaf);
}

void s_freeNode(NODE_STRUCT* pNode)
{
    if (pNode->pData != NULL) {
        if (pNode->enumNodeType == NODE_TYPE_LEAF)
            s_freeLeaf(static_cast<LEAF_STRUCT*>(pNode->pData));
        else
            s_freeBranch(static_cast<BRANCH_STRUCT*>(pNode->pData));
    }
    memset(pNode, 0, sizeof *pNode);
}

// Makes room for entry iCount of an array of iCount entries. Capacities are
// powers of two, so a long run of values or children costs linear time; a
// failed allocation leaves the old array in place for the tree's release.
int s_reserve(void** ppArray, int iCount, size_t elem)
{
    if (iCount > 0 && (iCount & (iCount - 1)) != 0) return 1;  // room is left
    if (iCount >= INT_MAX / 2) return 0;
    const size_t capacity = iCount == 0 ? 1 : 2 * static_cast<size_t>(iCount);
    void* pNew = NULL;
    if (!CMN_malloc(&pNew, capacity * elem)) return 0;
    if (*ppArray != NULL) {
        memcpy(pNew, *ppArray, static_cast<size_t>(iCount) * elem);
        CMN_free(*ppArray);
    }
    *ppArray = pNew;
    return 1;
}

// Appends one value to a leaf.
int s_appendValue(LEAF_STRUCT* pLeaf, const char* pBegin, const char* pEnd)
{
    char* pszValue = s_copyTrimmed(pBegin, pEnd);
    if (pszValue == NULL) return AMITREE_NO_MEMORY;
    void* pArray = pLeaf->pValues;
    const int ok = s_reserve(&pArray, pLeaf->iNumValues, sizeof(VALUE_STRUCT));
    pLeaf->pValues = static_cast<VALUE_STRUCT*>(pArray);
    if (!ok) {
        CMN_free(pszValue);
        return AMITREE_NO_MEMORY;
    }
    VALUE_STRUCT* pValue = &pLeaf->pValues[pLeaf->iNumValues++];
    pValue->pszValue = pszValue;
    pValue->enumStringType = STRING_TYPE_NONE;
    pValue->enumValueType = static_cast<VALUE_TYPE>(GetValueType(pszValue));
    if (pValue->enumValueType == VALUE_TYPE_STRING) s_setStringType(pValue, pszValue);
    return AMITREE_OK;
}

// From just after the "(" that opens a list inside a leaf: past the ")" that
// closes the leaf itself (the leaf's own list counts 1, the inner list makes
// 2), skipping double-quoted stretches, or to the end of the text.
char* s_skipNestedList(char* p)
{
    int iDepth = 2;
    for (; *p != '\0'; ++p) {
        if (*p == '"') {
            char* pClose = strchr(p + 1, '"');
            if (pClose == NULL) return p + strlen(p);
            p = pClose;
        } else if (*p == '(') {
            ++iDepth;
        } else if (*p == ')') {
            if (--iDepth == 0) return p + 1;
        }
    }
    return p;
}

}  // namespace

extern "C" {

double AMITREE_StrToDouble(const char* pszText, char** ppEnd)
{
    // The host may have set a locale whose decimal point is not ".". The
    // "C" locale object is made on first use and released when the library
    // is unloaded.
    struct CLocale {
        locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
        ~CLocale()
        {
            if (loc != (locale_t)0) freelocale(loc);
        }
    };
    static const CLocale s_c;
    if (s_c.loc != (locale_t)0) return strtod_l(pszText, ppEnd, s_c.loc);
    return strtod(pszText, ppEnd);
}

int ISValidBuffer(const char* pszText, int* piNumOpen)
{
    if (piNumOpen != NULL) *piNumOpen = 0;
    if (pszText == NULL) return 0;
    bool bQuoted = false;
    long long llOpen = 0, llClose = 0;
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (*p == '"')
            bQuoted = !bQuoted;
        else if (!bQuoted && *p == '(')
            ++llOpen;
        else if (!bQuoted && *p == ')')
            ++llClose;
    }
    if (llOpen != llClose || llOpen > INT_MAX) return 0;
    if (piNumOpen != NULL) *piNumOpen = static_cast<int>(llOpen);
    return 1;
}

int GetValueType(const char* pszValue)
{
    if (pszValue == NULL || *pszValue == '\0') return VALUE_TYPE_NONE;
    char* pEnd = NULL;
    (void)strtol(pszValue, &pEnd, 10);
    if (*pEnd == '\0') return VALUE_TYPE_INTEGER;
    (void)AMITREE_StrToDouble(pszValue, &pEnd);
    if (*pEnd == '\0') return VALUE_TYPE_FLOAT;
    if (strcmp(pszValue, "True") == 0 || strcmp(pszValue, "False") == 0) return VALUE_TYPE_BOOLEAN;
    return VALUE_TYPE_STRING;
}

void s_setStringType(VALUE_STRUCT* pValue, const char* pszValue)
{
    if (pValue == NULL || pszValue == NULL) return;
    for (size_t i = 0; i < sizeof s_stringTypes / sizeof s_stringTypes[0]; ++i) {
        if (strcmp(pszValue, s_stringTypes[i]) == 0) {
            pValue->enumStringType = static_cast<STRING_TYPE>(i);
            return;
        }
    }
}

int ScanForNodes(char* pszText, NODE_STRUCT** ppNodes, int* piNumNodes)
{
    if (pszText == NULL || ppNodes == NULL || *ppNodes == NULL || piNumNodes == NULL) return AMITREE_NO_PARENT;
    NODE_STRUCT* pNodes = *ppNodes;
    const int iCapacity = *piNumNodes;
    char* p = pszText;
    int d = 0;  // twice the nesting level, plus one inside an undecided node
    int k = 0;  // nodes produced
    int t = 0;  // passes
    // Set once d has come back to 0: the outermost list is closed, and a node
    // after it would stand outside it (as after a discarded outermost leaf).
    bool bRootClosed = false;

    while (t < iCapacity) {
        // 1. A pass: one node, starting at p.
        enum { UNDECIDED, BRANCH, LEAF } kind = UNDECIDED;
        char* pNameEnd = NULL;
        bool bBlank = false;
        // Set while the list that this pass opened has shown only its head
        // word: a ")" then closes a list such as (Name), which is no node.
        bool bOpened = false;
        if (*p == '(') {
            ++p;
            ++d;
            p = s_skipWhite(p);
            bOpened = true;
        }
        char* pNameStart = p;

        // 2. The head word, up to the node's kind.
        while (*p != '\0' && kind == UNDECIDED) {
            const char c = *p;
            if (c == '(') {
                kind = BRANCH;
                ++d;
                if (pNameEnd == NULL) pNameEnd = p;
            } else if (c == ')') {
                if (bOpened) return AMITREE_EMPTY_ELEMENT;
                ++p;
                p = s_skipWhite(p);
                if (d < 2) return AMITREE_UNMATCHED_CLOSE;
                d -= 2;
                if (d == 0) bRootClosed = true;
                if (t < 1) return AMITREE_UNMATCHED_CLOSE;
                --t;
                p = s_skipWhite(p);
                pNameStart = p;
                if (*p == '(') {
                    ++p;
                    ++d;
                    p = s_skipWhite(p);
                    pNameStart = p;
                    bOpened = true;
                }
            } else if (s_isWhite(c)) {
                if (!bBlank) {
                    bBlank = true;
                    if (pNameEnd == NULL) pNameEnd = p;
                }
                ++p;
            } else if (bBlank) {
                kind = LEAF;
                ++d;
            } else {
                ++p;
            }
        }

        if (kind != UNDECIDED) {
            // 3./4. The node's entry and record.
            if (k >= iCapacity) return AMITREE_TOO_MANY_NODES;
            if (pNameEnd < pNameStart) return AMITREE_EMPTY_ELEMENT;
            if (bRootClosed) return AMITREE_OUTSIDE_ROOT;
            NODE_STRUCT* pNode = &pNodes[k];
            pNode->iLevel = d / 2;
            if (kind == BRANCH) {
                void* pRecord = NULL;
                if (!CMN_malloc(&pRecord, sizeof(BRANCH_STRUCT))) return AMITREE_NO_MEMORY;
                pNode->enumNodeType = NODE_TYPE_BRANCH;
                pNode->pData = pRecord;
                BRANCH_STRUCT* pBranch = static_cast<BRANCH_STRUCT*>(pRecord);
                pBranch->pszName = s_copyTrimmed(pNameStart, pNameEnd);
                if (pBranch->pszName == NULL) return AMITREE_NO_MEMORY;
                ++k;
            } else {
                void* pRecord = NULL;
                if (!CMN_malloc(&pRecord, sizeof(LEAF_STRUCT))) return AMITREE_NO_MEMORY;
                pNode->enumNodeType = NODE_TYPE_LEAF;
                pNode->pData = pRecord;
                LEAF_STRUCT* pLeaf = static_cast<LEAF_STRUCT*>(pRecord);
                pLeaf->pszName = s_copyTrimmed(pNameStart, pNameEnd);
                if (pLeaf->pszName == NULL) return AMITREE_NO_MEMORY;
                pLeaf->enumReservedWord = s_reservedWord(pLeaf->pszName);

                // The values, up to the leaf's ")".
                char* pValueStart = p;
                char* pValueEnd = NULL;
                bool bValueBlank = false;
                bool bDiscarded = false;
                bool bClosed = false;
                while (!bClosed && !bDiscarded) {
                    const char c = *p;
                    if (c == '\0') {
                        break;  // the pending value is not stored
                    } else if (c == '(') {
                        // A list inside a leaf: the leaf is dropped whole and
                        // its entry serves the next node.
                        s_freeNode(pNode);
                        p = s_skipWhite(s_skipNestedList(p + 1));
                        if (d < 2) return AMITREE_UNMATCHED_CLOSE;
                        d -= 2;
                        if (d == 0) bRootClosed = true;
                        bDiscarded = true;
                    } else if (c == ')') {
                        pValueEnd = p;
                        const int r = s_appendValue(pLeaf, pValueStart, pValueEnd);
                        if (r != AMITREE_OK) return r;
                        p = s_skipWhite(p + 1);
                        if (d < 2) return AMITREE_UNMATCHED_CLOSE;
                        d -= 2;
                        if (d == 0) bRootClosed = true;
                        bClosed = true;
                    } else if (s_isWhite(c)) {
                        if (!bValueBlank) {
                            bValueBlank = true;
                            if (pValueEnd == NULL) pValueEnd = p;
                        }
                        ++p;
                    } else if (c == '"' && !bValueBlank) {
                        // A quoted value: everything up to the next quote,
                        // blanks and parentheses included. Without a closing
                        // quote the value runs to the end of the text.
                        *p = ' ';
                        pValueStart = p + 1;
                        char* pClose = strchr(pValueStart, '"');
                        if (pClose == NULL) {
                            p = pValueStart + strlen(pValueStart);
                            const int r = s_appendValue(pLeaf, pValueStart, p);
                            if (r != AMITREE_OK) return r;
                            break;
                        }
                        *pClose = ' ';
                        p = pClose + 1;
                    } else if (bValueBlank) {
                        // The previous value is complete; this character
                        // starts the next one and is looked at again, so a
                        // quote here opens a quoted value.
                        const int r = s_appendValue(pLeaf, pValueStart, pValueEnd);
                        if (r != AMITREE_OK) return r;
                        pValueStart = p;
                        pValueEnd = NULL;
                        bValueBlank = false;
                    } else {
                        ++p;
                    }
                }
                if (!bDiscarded) {
                    // 5. The leaf counts as produced.
                    if (k >= iCapacity) return AMITREE_TOO_MANY_NODES;
                    ++k;
                }
            }
        }
        // 6.
        ++t;
    }
    if (k < *piNumNodes) *piNumNodes = k;
    return AMITREE_OK;
}

void FreeParsedTree(PARSED_TREE** ppTree)
{
    if (ppTree == NULL || *ppTree == NULL) return;
    PARSED_TREE* pTree = *ppTree;
    if (pTree->pNodes != NULL) {
        for (int i = 0; i < pTree->iNumNodes; ++i) s_freeNode(&pTree->pNodes[i]);
        CMN_free(pTree->pNodes);
    }
    CMN_free(pTree);
    *ppTree = NULL;
}

int GetParsedTree(char* pszText, PARSED_TREE** ppTree)
{
    // 1.
    if (pszText == NULL || ppTree == NULL) return AMITREE_NO_PARENT;
    if (*s_skipWhite(pszText) != '(') return AMITREE_NO_OPEN_PAREN;
    // 2.
    int n = 0;
    if (!ISValidBuffer(pszText, &n) || n < 1) return AMITREE_UNBALANCED;
    // 3.
    void* pRecord = NULL;
    if (!CMN_malloc(&pRecord, sizeof(PARSED_TREE))) return AMITREE_NO_MEMORY;
    PARSED_TREE* pTree = static_cast<PARSED_TREE*>(pRecord);
    void* pArray = NULL;
    if (!CMN_malloc(&pArray, static_cast<size_t>(n) * sizeof(NODE_STRUCT))) {
        FreeParsedTree(&pTree);
        return AMITREE_NO_MEMORY;
    }
    pTree->pNodes = static_cast<NODE_STRUCT*>(pArray);
    pTree->iNumNodes = n;

    // 4. The scan works on a copy, whose quotes it blanks out, from the first
    // "(" on: leading white space would otherwise start a nameless node.
    char* pszCopy = CMN_StrMake(s_skipWhite(pszText));
    if (pszCopy == NULL) {
        FreeParsedTree(&pTree);
        return AMITREE_NO_MEMORY;
    }
    int iProduced = n;
    int iResult = ScanForNodes(pszCopy, &pTree->pNodes, &iProduced);
    CMN_free(pszCopy);
    if (iResult != AMITREE_OK) {
        FreeParsedTree(&pTree);
        return iResult;
    }
    if (iProduced < 1) {
        // Nothing but discarded leaves: no tree to hand out.
        FreeParsedTree(&pTree);
        return AMITREE_NO_PARENT;
    }

    // 5. A stack of open branches, deep enough for the greatest level.
    NODE_STRUCT* pNodes = pTree->pNodes;
    int iMaxLevel = 0;
    for (int i = 0; i < iProduced; ++i)
        if (pNodes[i].iLevel > iMaxLevel) iMaxLevel = pNodes[i].iLevel;
    if (pNodes[0].enumNodeType != NODE_TYPE_BRANCH || iMaxLevel < 1) {
        FreeParsedTree(&pTree);
        return AMITREE_NO_PARENT;
    }
    void* pStackMemory = NULL;
    if (!CMN_malloc(&pStackMemory, static_cast<size_t>(iMaxLevel) * sizeof(NODE_STRUCT))) {
        FreeParsedTree(&pTree);
        return AMITREE_NO_MEMORY;
    }
    NODE_STRUCT* pStack = static_cast<NODE_STRUCT*>(pStackMemory);

    // 6. Link each node to the branch above it. The stack holds branches of
    // strictly rising levels from 1 up, so it never holds more than
    // iMaxLevel entries.
    int iTop = 0;
    pStack[iTop++] = pNodes[0];
    for (int i = 1; i < iProduced && iResult == AMITREE_OK; ++i) {
        const NODE_STRUCT& node = pNodes[i];
        while (iTop > 0 && pStack[iTop - 1].iLevel >= node.iLevel) {
            if (iTop == 1) {
                iResult = AMITREE_OUTSIDE_ROOT;
                break;
            }
            --iTop;
        }
        if (iResult != AMITREE_OK) break;
        const NODE_STRUCT& parent = pStack[iTop - 1];
        if (parent.pData == NULL) {
            iResult = AMITREE_NO_PARENT;
            break;
        }
        if (parent.iLevel == node.iLevel - 1) {
            BRANCH_STRUCT* pParent = static_cast<BRANCH_STRUCT*>(parent.pData);
            void* pChildren = pParent->pNodes;
            const int ok = s_reserve(&pChildren, pParent->iNumNodes, sizeof(NODE_STRUCT));
            pParent->pNodes = static_cast<NODE_STRUCT*>(pChildren);
            if (!ok) {
                iResult = AMITREE_NO_MEMORY;
                break;
            }
            pParent->pNodes[pParent->iNumNodes++] = node;
        }
        if (node.enumNodeType == NODE_TYPE_BRANCH) {
            if (iTop >= iMaxLevel) {
                iResult = AMITREE_NO_PARENT;
                break;
            }
            pStack[iTop++] = node;
        }
    }

    // 7.
    CMN_free(pStack);
    if (iResult != AMITREE_OK) {
        FreeParsedTree(&pTree);
        return iResult;
    }
    *ppTree = pTree;
    return AMITREE_OK;
}

}  // extern "C"

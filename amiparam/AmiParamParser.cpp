// Typed lookup of AMI parameters by dotted path (see AmiParamParser.h).
#include "amiparam/AmiParamParser.h"

#include <strings.h>

#include <climits>
#include <cstring>
#include <new>

namespace Vantrel {
namespace AMI {

namespace {

// Names, as the lookup defines them: a branch's full name is the full name of
// the branch above it (the prefix), a "." if that prefix is not empty, and its
// own name; a leaf's name is its branch's full name, a ".", and its own name.
// The search compares the path piece by piece instead of building the names.
// A branch whose full name is not where the path starts holds no match, so it
// is not entered.

// One open branch of the depth-first search: path[0, iUsed) is its full name.
struct Frame {
    const BRANCH_STRUCT* pBranch;
    int iNext;  // next child to visit
    size_t iUsed;
};

// Whether the search enters pBranch below a prefix of iUsed characters of the
// path; sets *piUsed to the length of the branch's full name.
bool s_enter(const BRANCH_STRUCT* pBranch, const char* pszPath, size_t iUsed, size_t* piUsed)
{
    if (pBranch->iNumNodes < 1 || pBranch->pNodes == nullptr) return false;
    if (iUsed > 0) {
        if (pszPath[iUsed] != '.') return false;
        ++iUsed;
    }
    const char* pszName = pBranch->pszName != nullptr ? pBranch->pszName : "";
    const size_t len = std::strlen(pszName);
    if (std::strncmp(pszPath + iUsed, pszName, len) != 0) return false;
    *piUsed = iUsed + len;
    return true;
}

// Depth-first, in document order, with a stack on the heap: branches nest as
// deep as the text does, which the call stack of the host must not have to
// follow. Null when nothing matches or the stack cannot grow.
const LEAF_STRUCT* s_find(const BRANCH_STRUCT* pRoot, const char* pszPath, size_t iPrefix)
{
    Frame first{pRoot, 0, 0};
    if (!s_enter(pRoot, pszPath, iPrefix, &first.iUsed)) return nullptr;
    size_t capacity = 16;
    Frame* pStack = new (std::nothrow) Frame[capacity];
    if (pStack == nullptr) return nullptr;
    size_t depth = 0;
    pStack[depth++] = first;
    const LEAF_STRUCT* pFound = nullptr;
    while (depth > 0 && pFound == nullptr) {
        Frame& top = pStack[depth - 1];
        if (top.iNext >= top.pBranch->iNumNodes) {
            --depth;
            continue;
        }
        const NODE_STRUCT& node = top.pBranch->pNodes[top.iNext++];
        if (node.pData == nullptr) continue;
        if (node.enumNodeType == NODE_TYPE_LEAF) {
            const LEAF_STRUCT* pLeaf = static_cast<const LEAF_STRUCT*>(node.pData);
            if (pLeaf->pszName != nullptr && pszPath[top.iUsed] == '.' &&
                std::strcmp(pszPath + top.iUsed + 1, pLeaf->pszName) == 0)
                pFound = pLeaf;
            continue;
        }
        Frame child{static_cast<const BRANCH_STRUCT*>(node.pData), 0, 0};
        if (!s_enter(child.pBranch, pszPath, top.iUsed, &child.iUsed)) continue;
        if (depth == capacity) {
            Frame* pBigger = new (std::nothrow) Frame[2 * capacity];
            if (pBigger == nullptr) break;
            std::memcpy(pBigger, pStack, depth * sizeof(Frame));
            delete[] pStack;
            pStack = pBigger;
            capacity *= 2;
        }
        pStack[depth++] = child;
    }
    delete[] pStack;
    return pFound;
}

}  // namespace

ParamParser::ParamParser(const char* pszParams)
{
    if (pszParams == nullptr) pszParams = "";
    const size_t len = std::strlen(pszParams);
    char* pszCopy = new (std::nothrow) char[len + 1];
    if (pszCopy == nullptr) return;
    std::memcpy(pszCopy, pszParams, len + 1);
    m_bValid = GetParsedTree(pszCopy, &m_pTree) == AMITREE_OK;
    delete[] pszCopy;
    if (!m_bValid) m_pTree = nullptr;
}

ParamParser::~ParamParser()
{
    FreeParsedTree(&m_pTree);
}

const LEAF_STRUCT* ParamParser::GetLeaf(const char* pszPath) const
{
    if (m_pTree == nullptr || !m_bValid || pszPath == nullptr) return nullptr;
    if (m_pTree->iNumNodes < 1 || m_pTree->pNodes[0].pData == nullptr) return nullptr;
    if (m_pTree->pNodes[0].enumNodeType != NODE_TYPE_BRANCH) return nullptr;
    return FindLeafWithName(static_cast<const BRANCH_STRUCT*>(m_pTree->pNodes[0].pData), pszPath, "");
}

const VALUE_STRUCT* ParamParser::FirstValue(const char* pszPath) const
{
    const LEAF_STRUCT* pLeaf = GetLeaf(pszPath);
    if (pLeaf == nullptr || pLeaf->pValues == nullptr || pLeaf->iNumValues < 1) return nullptr;
    return &pLeaf->pValues[0];
}

bool ParamParser::GetValue(double& dValue, const char* pszPath) const
{
    const VALUE_STRUCT* pValue = FirstValue(pszPath);
    if (pValue == nullptr) return false;
    if (pValue->enumValueType != VALUE_TYPE_INTEGER && pValue->enumValueType != VALUE_TYPE_FLOAT) return false;
    dValue = AMITREE_StrToDouble(pValue->pszValue, nullptr);
    return true;
}

bool ParamParser::GetValue(int& iValue, const char* pszPath) const
{
    double d = 0.0;
    if (!GetValue(d, pszPath)) return false;
    // Every double strictly between INT_MIN - 1 and INT_MAX + 1 truncates to
    // an int; NaN fails both comparisons.
    if (!(d > static_cast<double>(INT_MIN) - 1.0 && d < static_cast<double>(INT_MAX) + 1.0)) return false;
    iValue = static_cast<int>(d);
    return true;
}

bool ParamParser::GetValue(bool& bValue, const char* pszPath) const
{
    const VALUE_STRUCT* pValue = FirstValue(pszPath);
    if (pValue == nullptr || pValue->enumValueType != VALUE_TYPE_BOOLEAN) return false;
    bValue = strcasecmp(pValue->pszValue, "true") == 0;
    return true;
}

bool ParamParser::GetValue(char*& pszValue, const char* pszPath) const
{
    const VALUE_STRUCT* pValue = FirstValue(pszPath);
    if (pValue == nullptr || pValue->enumValueType != VALUE_TYPE_STRING) return false;
    const size_t len = std::strlen(pValue->pszValue);
    char* pszCopy = new (std::nothrow) char[len + 1];
    if (pszCopy == nullptr) return false;
    std::memcpy(pszCopy, pValue->pszValue, len + 1);
    delete[] pszValue;
    pszValue = pszCopy;
    return true;
}

bool ParamParser::IsParamLeafBranch(const BRANCH_STRUCT* pBranch)
{
    return pBranch != nullptr && pBranch->iNumNodes > 0 && pBranch->pNodes != nullptr &&
           pBranch->pNodes[0].enumNodeType == NODE_TYPE_LEAF;
}

const LEAF_STRUCT* ParamParser::FindLeafWithName(const BRANCH_STRUCT* pBranch, const char* pszPath,
                                                 const char* pszPrefix)
{
    if (pBranch == nullptr || pszPath == nullptr) return nullptr;
    if (pszPrefix == nullptr) pszPrefix = "";
    // Every name below the branch starts with the prefix.
    const size_t prefixLen = std::strlen(pszPrefix);
    if (std::strncmp(pszPath, pszPrefix, prefixLen) != 0) return nullptr;
    return s_find(pBranch, pszPath, prefixLen);
}

}  // namespace AMI
}  // namespace Vantrel

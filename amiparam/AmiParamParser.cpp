// Typed lookup of AMI parameters by dotted path (see AmiParamParser.h).
#include "amiparam/AmiParamParser.h"

#include <strings.h>

#include <climits>
#include <cstring>
#include <new>

namespace Vantrel {
namespace AMI {

namespace {

// The leaves below pBranch are named <full name of pBranch>.<leaf name>. The
// search compares the path piece by piece instead of building the names: a
// branch whose full name is not where the path starts holds no match.
// pszRest is what follows the enclosing branches' names in the path.
const LEAF_STRUCT* s_find(const BRANCH_STRUCT* pBranch, const char* pszRest)
{
    if (pBranch->iNumNodes < 1 || pBranch->pNodes == nullptr) return nullptr;
    const char* pszName = pBranch->pszName != nullptr ? pBranch->pszName : "";
    const size_t len = std::strlen(pszName);
    if (std::strncmp(pszRest, pszName, len) != 0 || pszRest[len] != '.') return nullptr;
    const char* pszBelow = pszRest + len + 1;
    for (int i = 0; i < pBranch->iNumNodes; ++i) {
        const NODE_STRUCT& node = pBranch->pNodes[i];
        if (node.pData == nullptr) continue;
        if (node.enumNodeType == NODE_TYPE_LEAF) {
            const LEAF_STRUCT* pLeaf = static_cast<const LEAF_STRUCT*>(node.pData);
            if (pLeaf->pszName != nullptr && std::strcmp(pszBelow, pLeaf->pszName) == 0) return pLeaf;
        } else if (const LEAF_STRUCT* pFound = s_find(static_cast<const BRANCH_STRUCT*>(node.pData), pszBelow)) {
            return pFound;
        }
    }
    return nullptr;
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
    // The branch's full name is the prefix, a "." when the prefix is not
    // empty, and its own name.
    const char* pszRest = pszPath;
    const size_t prefixLen = std::strlen(pszPrefix);
    if (prefixLen > 0) {
        if (std::strncmp(pszPath, pszPrefix, prefixLen) != 0 || pszPath[prefixLen] != '.') return nullptr;
        pszRest = pszPath + prefixLen + 1;
    }
    return s_find(pBranch, pszRest);
}

}  // namespace AMI
}  // namespace Vantrel

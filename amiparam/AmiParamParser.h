// Typed lookup of AMI parameters by dotted path.
//
// A ParamParser parses an AMI parameter string once (AmiParamTree.h) and
// answers lookups such as GetValue(level, "Vuraved_UV_IV.EQ_Level"). A path is
// the names of the enclosing branches from the outermost one down, then the
// leaf's name, joined by "."; it is compared byte-wise (case matters) and the
// first matching leaf in document order wins. Only the first value of a leaf
// is read. Every GetValue reports whether a value of the requested type was
// found and writes nothing when it was not; a string that does not parse
// answers every lookup with not found.
#pragma once

#include "amiparam/AmiParamTree.h"

namespace Vantrel {
namespace AMI {

class ParamParser {
public:
    // Parses a copy of pszParams; null is taken as an empty (failed) string.
    explicit ParamParser(const char* pszParams);
    ~ParamParser();
    ParamParser(const ParamParser&) = delete;
    ParamParser& operator=(const ParamParser&) = delete;

    // Integer or float values; the int form truncates toward zero and reports
    // not found for values outside the range of int (and for NaN).
    bool GetValue(int& iValue, const char* pszPath) const;
    bool GetValue(double& dValue, const char* pszPath) const;
    // Boolean values ("True" or "False").
    bool GetValue(bool& bValue, const char* pszPath) const;
    // String values: on success the caller's array (if any) is released with
    // delete[] and replaced by a new[] copy that the caller then owns.
    bool GetValue(char*& pszValue, const char* pszPath) const;

    // The leaf at pszPath, or null (also when the parse failed).
    const LEAF_STRUCT* GetLeaf(const char* pszPath) const;
    bool IsValid() const { return m_bValid; }

    // True when the branch has children and its first child is a leaf; false
    // for a null branch.
    static bool IsParamLeafBranch(const BRANCH_STRUCT* pBranch);
    // Depth-first search below pBranch, whose enclosing branches' path is
    // pszPrefix ("" for the outermost branch); null when nothing matches or
    // an argument is null.
    static const LEAF_STRUCT* FindLeafWithName(const BRANCH_STRUCT* pBranch, const char* pszPath,
                                               const char* pszPrefix);

private:
    const VALUE_STRUCT* FirstValue(const char* pszPath) const;

    bool m_bValid = false;
    PARSED_TREE* m_pTree = nullptr;
};

}  // namespace AMI
}  // namespace Vantrel

// Properties that every AMI parameter text must keep, whatever it holds:
// a result code from the documented set, a tree only on success, a tree whose
// records are whole and whose children are records of its own flat list, and
// lookups that agree with the tree. Shared by the fuzz target and the corpus
// replay test. Returns null when all hold, else what failed.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "amiparam/AmiParamParser.h"
#include "amiparam/AmiParamTree.h"

namespace amiparamtest {

inline const char* CheckTree(const PARSED_TREE* tree, int numOpen)
{
    if (tree->iNumNodes != numOpen) return "iNumNodes differs from the opening parentheses";
    if (tree->iNumNodes < 1 || tree->pNodes == nullptr) return "empty node list on success";
    const NODE_STRUCT& root = tree->pNodes[0];
    if (root.enumNodeType != NODE_TYPE_BRANCH || root.pData == nullptr || root.iLevel != 1)
        return "the first node is not a level-1 branch";
    std::set<const void*> records;
    bool gap = false;
    for (int i = 0; i < tree->iNumNodes; ++i) {
        const NODE_STRUCT& n = tree->pNodes[i];
        if (n.pData == nullptr) {
            gap = true;
            if (n.iLevel != 0 || n.enumNodeType != NODE_TYPE_BRANCH) return "an unused entry is not zero";
            continue;
        }
        if (gap) return "a record after an unused entry";
        if (!records.insert(n.pData).second) return "a record appears twice in the flat list";
        if (n.enumNodeType == NODE_TYPE_LEAF) {
            const auto* l = static_cast<const LEAF_STRUCT*>(n.pData);
            if (l->pszName == nullptr) return "a leaf without a name";
            if (l->iNumValues < 0 || (l->iNumValues > 0) != (l->pValues != nullptr)) return "leaf value count";
            if (l->enumReservedWord < RESERVED_WORD_NONE || l->enumReservedWord > RESERVED_WORD_LABELS)
                return "reserved word code";
            for (int v = 0; v < l->iNumValues; ++v) {
                const VALUE_STRUCT& val = l->pValues[v];
                if (val.pszValue == nullptr) return "a value without text";
                if (val.enumValueType != GetValueType(val.pszValue)) return "a value type disagrees";
                if (val.enumStringType != STRING_TYPE_NONE && val.enumValueType != VALUE_TYPE_STRING)
                    return "a keyword code on a value that is no string";
                if (val.enumStringType < STRING_TYPE_NONE || val.enumStringType > STRING_TYPE_DJRJ)
                    return "string type code";
                const size_t len = std::strlen(val.pszValue);
                if (len > 0 && std::strchr(" \t\n\v\f\r", val.pszValue[len - 1]) != nullptr)
                    return "a value keeps trailing white space";
            }
        } else if (n.enumNodeType == NODE_TYPE_BRANCH) {
            const auto* b = static_cast<const BRANCH_STRUCT*>(n.pData);
            if (b->pszName == nullptr) return "a branch without a name";
            if (b->iNumNodes < 0 || (b->iNumNodes > 0) != (b->pNodes != nullptr)) return "branch child count";
        } else {
            return "node type";
        }
    }
    // Children are copies of entries of the flat list, one level deeper.
    for (int i = 0; i < tree->iNumNodes; ++i) {
        const NODE_STRUCT& n = tree->pNodes[i];
        if (n.pData == nullptr || n.enumNodeType != NODE_TYPE_BRANCH) continue;
        const auto* b = static_cast<const BRANCH_STRUCT*>(n.pData);
        for (int c = 0; c < b->iNumNodes; ++c) {
            if (!records.count(b->pNodes[c].pData)) return "a child is not in the flat list";
            if (b->pNodes[c].iLevel != n.iLevel + 1) return "a child is not one level deeper";
        }
    }
    return nullptr;
}

// Every leaf reachable from the root with the name the lookup gives it, in
// depth-first document order: a branch's full name is the prefix, a "." if
// the prefix is not empty, and its own name; a leaf's is its branch's full
// name, a "." and its own name. A plain reference for the lookup.
inline void CollectLeafNames(const BRANCH_STRUCT* b, const std::string& prefix,
                             std::vector<std::pair<std::string, const LEAF_STRUCT*>>& out)
{
    if (b->iNumNodes < 1) return;
    const std::string full = prefix + (prefix.empty() ? "" : ".") + b->pszName;
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& n = b->pNodes[i];
        if (n.pData == nullptr) continue;
        if (n.enumNodeType == NODE_TYPE_LEAF) {
            const auto* l = static_cast<const LEAF_STRUCT*>(n.pData);
            out.emplace_back(full + "." + l->pszName, l);
        } else {
            CollectLeafNames(static_cast<const BRANCH_STRUCT*>(n.pData), full, out);
        }
    }
}

inline bool SameLeaf(const LEAF_STRUCT* a, const LEAF_STRUCT* b)
{
    if (a == nullptr || b == nullptr) return a == b;
    if (std::strcmp(a->pszName, b->pszName) != 0 || a->iNumValues != b->iNumValues) return false;
    for (int i = 0; i < a->iNumValues; ++i)
        if (std::strcmp(a->pValues[i].pszValue, b->pValues[i].pszValue) != 0) return false;
    return true;
}

// Each leaf's name finds the first leaf of that name in document order, and
// the typed forms agree with its first value.
inline const char* CheckLookups(const std::string& text, const PARSED_TREE* tree)
{
    Vantrel::AMI::ParamParser parser(text.c_str());
    if (parser.IsValid() != (tree != nullptr)) return "ParamParser validity differs from the parse";
    int i = 0;
    double d = 0;
    bool b = false;
    char* s = nullptr;
    const char* paths[] = {"Vuraved_UV_IV.EQ_Level", "TX_model2.DE_Level", "M.A", "M", "", ".", "M.Sub.P", ".."};
    for (const char* path : paths) {
        parser.GetValue(i, path);
        parser.GetValue(d, path);
        parser.GetValue(b, path);
        parser.GetValue(s, path);
    }
    delete[] s;
    if (tree == nullptr) {
        if (parser.GetLeaf("M.A") != nullptr) return "a failed parse found a leaf";
        return nullptr;
    }
    int maxLevel = 0;
    for (int n = 0; n < tree->iNumNodes; ++n) maxLevel = std::max(maxLevel, tree->pNodes[n].iLevel);
    if (maxLevel > 1000) return nullptr;  // the reference recurses
    std::vector<std::pair<std::string, const LEAF_STRUCT*>> leaves;
    CollectLeafNames(static_cast<const BRANCH_STRUCT*>(tree->pNodes[0].pData), "", leaves);
    for (size_t k = 0; k < leaves.size() && k < 64; ++k) {
        const std::string& path = leaves[k].first;
        const LEAF_STRUCT* expected = nullptr;
        for (const auto& e : leaves)
            if (e.first == path) {
                expected = e.second;
                break;
            }
        const LEAF_STRUCT* found = parser.GetLeaf(path.c_str());
        if (!SameLeaf(found, expected)) return "a path did not find the first leaf of that name";
        double value = 0;
        const bool numeric = found->iNumValues > 0 && (found->pValues[0].enumValueType == VALUE_TYPE_INTEGER ||
                                                       found->pValues[0].enumValueType == VALUE_TYPE_FLOAT);
        if (parser.GetValue(value, path.c_str()) != numeric) return "double form disagrees with the value type";
        if (numeric) {
            int asInt = 12345;
            const bool inRange = value > -2147483649.0 && value < 2147483648.0;
            if (parser.GetValue(asInt, path.c_str()) != inRange) return "int form disagrees with the range";
            if (inRange && asInt != static_cast<int>(std::trunc(value))) return "int form did not truncate";
        }
    }
    return nullptr;
}

inline const char* CheckText(const std::string& input)
{
    // The parser reads up to the first NUL, as a C caller's string ends there.
    std::string text = input.substr(0, input.find('\0'));
    const std::string before = text;
    PARSED_TREE* tree = nullptr;
    const int code = GetParsedTree(&text[0], &tree);
    if (text != before) return "the text was modified";
    if (code < 0 || code > 8) return "result code outside 0..8";
    if ((code == 0) != (tree != nullptr)) return "a tree stored with a failure code, or none with success";
    const char* problem = nullptr;
    if (tree != nullptr) {
        int open = 0;
        if (!ISValidBuffer(text.c_str(), &open)) return "success on an unbalanced text";
        problem = CheckTree(tree, open);
    }
    if (problem == nullptr) problem = CheckLookups(text, tree);
    FreeParsedTree(&tree);
    if (tree != nullptr) return "FreeParsedTree left the pointer set";
    return problem;
}

}  // namespace amiparamtest

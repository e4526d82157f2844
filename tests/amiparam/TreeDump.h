// Compact text forms of a parsed tree, so that tests can compare whole trees.
//
// Flat list: one item per entry of pNodes, separated by " | ":
//   B<level>:<name>                        a branch
//   L<level>:<name>[@<reserved>]=<values>  a leaf; values separated by ",",
//                                          each <text>:<type letter>[#<keyword>]
//   -                                      an entry without a record
// type letters: n none, s string, i integer, b boolean, f float.
// Hierarchy: <name>{<child>,<child>...}, leaves as their bare names.
#pragma once

#include <string>

#include "amiparam/AmiParamTree.h"

namespace amiparamtest {

inline std::string DumpValue(const VALUE_STRUCT& v)
{
    static const char kLetters[] = "nsibf";
    std::string s = v.pszValue ? v.pszValue : "<null>";
    s += ':';
    s += kLetters[v.enumValueType + 1];
    if (v.enumStringType != STRING_TYPE_NONE) s += "#" + std::to_string(v.enumStringType);
    return s;
}

inline std::string DumpNode(const NODE_STRUCT& n)
{
    if (!n.pData) return "-";
    if (n.enumNodeType == NODE_TYPE_BRANCH) {
        const auto* b = static_cast<const BRANCH_STRUCT*>(n.pData);
        return "B" + std::to_string(n.iLevel) + ":" + b->pszName;
    }
    const auto* l = static_cast<const LEAF_STRUCT*>(n.pData);
    std::string s = "L" + std::to_string(n.iLevel) + ":" + l->pszName;
    if (l->enumReservedWord != RESERVED_WORD_NONE) s += "@" + std::to_string(l->enumReservedWord);
    s += "=";
    for (int i = 0; i < l->iNumValues; ++i) s += (i ? "," : "") + DumpValue(l->pValues[i]);
    return s;
}

inline std::string DumpFlat(const PARSED_TREE* t)
{
    std::string s;
    for (int i = 0; i < t->iNumNodes; ++i) s += (i ? " | " : "") + DumpNode(t->pNodes[i]);
    return s;
}

inline std::string DumpHierarchy(const NODE_STRUCT& n, int depthLeft = 64)
{
    if (!n.pData) return "-";
    if (n.enumNodeType == NODE_TYPE_LEAF) return static_cast<const LEAF_STRUCT*>(n.pData)->pszName;
    const auto* b = static_cast<const BRANCH_STRUCT*>(n.pData);
    std::string s = b->pszName;
    s += "{";
    for (int i = 0; i < b->iNumNodes; ++i)
        s += (i ? "," : "") + (depthLeft > 0 ? DumpHierarchy(b->pNodes[i], depthLeft - 1) : "...");
    return s + "}";
}

// Parses text; result code, and on success both dumps.
struct Parsed {
    int code = -1;
    std::string flat, hierarchy;
    int numNodes = -1;
};

inline Parsed Parse(const std::string& text)
{
    Parsed p;
    std::string copy = text;
    PARSED_TREE* tree = nullptr;
    p.code = GetParsedTree(&copy[0], &tree);
    if (tree) {
        p.flat = DumpFlat(tree);
        p.numNodes = tree->iNumNodes;
        if (tree->iNumNodes > 0) p.hierarchy = DumpHierarchy(tree->pNodes[0]);
        FreeParsedTree(&tree);
    }
    return p;
}

}  // namespace amiparamtest

// The parameter tree parser: result codes, node lists, value types, keyword
// codes, discarded leaves, and that no text or allocation failure can stop
// the process or leak.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "amiparam/AmiParamTree.h"
#include "base/cmn.h"
#include "base/errlog.h"
#include "tests/amiparam/TreeDump.h"

namespace {

using amiparamtest::Parse;
using amiparamtest::Parsed;

struct TreeCase {
    const char* text;
    int code;
    int numNodes;           // -1 when no tree
    const char* flat;       // nullptr when no tree
    const char* hierarchy;  // nullptr when no tree
};

const TreeCase kTrees[] = {
    {"(Vuraved_UV_IV (RX_Config 1) (EQ_Level 12))", 0, 3,
     "B1:Vuraved_UV_IV | L2:RX_Config=1:i | L2:EQ_Level=12:i", "Vuraved_UV_IV{RX_Config,EQ_Level}"},
    // A quoted value keeps its blanks and parentheses, which are not counted.
    {"(M (Description \"a (quoted) text  \"))", 0, 2, "B1:M | L2:Description@5=a (quoted) text:s",
     "M{Description}"},
    // A leaf holding a list is dropped whole with the list; its entry is
    // reused.
    {"(M (List 0 (1 2)) (B 1))", 0, 4, "B1:M | L2:B=1:i | - | -", "M{B}"},
    {"(M (Format Table (Labels a b) (1 2 \")\")) (B 1))", 0, 5, "B1:M | L2:B=1:i | - | - | -", "M{B}"},
    // A head word followed by a list is a branch, even if the list is a
    // nameless-looking one.
    {"(M (List (1 2)) (B 1))", 0, 4, "B1:M | B2:List | L3:1=2:i | L2:B=1:i", "M{List{1},B}"},
    {"(M (Sub (P 4) (Q 2.5)) (P 5))", 0, 5,
     "B1:M | B2:Sub | L3:P=4:i | L3:Q=2.5:f | L2:P=5:i", "M{Sub{P,Q},P}"},
    // Reserved words and keywords are case-sensitive; names keep their case.
    {"(m (usage In) (Usage in) (Labels a b))", 0, 4,
     "B1:m | L2:usage=In:s#0 | L2:Usage@1=in:s | L2:Labels@6=a:s,b:s", "m{usage,Usage,Labels}"},
    // Several quoted values; an empty pair gives an empty value of type none.
    {"(M (D \"a b\" \"\" \"c\"))", 0, 2, "B1:M | L2:D=a b:s,:n,c:s", "M{D}"},
    // A quote inside a word drops the part before it.
    {"(M (D ab\"c d\"))", 0, 2, "B1:M | L2:D=c d:s", "M{D}"},
    // Blanks, tabs and line feeds anywhere between the elements.
    {" \n\t( M\n ( A\t1 \t2 ) \r\n ( B  x ) ) ", 0, 3, "B1:M | L2:A=1:i,2:i | L2:B=x:s", "M{A,B}"},
    // A node nested two levels below a leaf-less branch stays unattached.
    {"(M (N (O (P 1))) (Q 2))", 0, 5, "B1:M | B2:N | B3:O | L4:P=1:i | L2:Q=2:i", "M{N{O{P}},Q}"},
    // Result codes.
    {"(M (A 1)) (N (B 2))", 5, -1, nullptr, nullptr},
    {"(M (A 1)", 1, -1, nullptr, nullptr},
    {"(M (A 1)))", 1, -1, nullptr, nullptr},
    {"   x(M)", 2, -1, nullptr, nullptr},
    {"", 2, -1, nullptr, nullptr},
    {"   ", 2, -1, nullptr, nullptr},
    {"M (A 1)", 2, -1, nullptr, nullptr},
    {"(M (A ) (B 1))", 8, -1, nullptr, nullptr},
    {"(A 1)", 3, -1, nullptr, nullptr},
    {")(", 2, -1, nullptr, nullptr},
    {"(M )(", 1, -1, nullptr, nullptr},
    // Lists with a head word and nothing else are rejected at once.
    {"(Name)", 8, -1, nullptr, nullptr},
    {"(M (Name) (B 1))", 8, -1, nullptr, nullptr},
    {"(M (A 1) (Name))", 8, -1, nullptr, nullptr},
    {"(M (A 1) ())", 8, -1, nullptr, nullptr},
    {"()", 8, -1, nullptr, nullptr},
    // No node at all: the outermost list is a leaf holding a list.
    {"(M 1 (A 2))", 3, -1, nullptr, nullptr},
    // Nodes after a discarded outermost leaf stand outside the outermost list.
    {"(M 1 (A 2)) (N (B 1))", 5, -1, nullptr, nullptr},
    {"(M .(F (B 2))(A 1)) .(F (B 2))", 5, -1, nullptr, nullptr},
    {"(M (A 1)) x (B 1)", 5, -1, nullptr, nullptr},
    {"(M (A 1) )(", 1, -1, nullptr, nullptr},
};

TEST(ParsedTree, TableOfTextsGivesCodesAndTrees)
{
    for (const TreeCase& c : kTrees) {
        const Parsed p = Parse(c.text);
        EXPECT_EQ(p.code, c.code) << c.text;
        EXPECT_EQ(p.numNodes, c.numNodes) << c.text;
        if (c.flat) {
            EXPECT_EQ(p.flat, c.flat) << c.text;
        }
        if (c.hierarchy) {
            EXPECT_EQ(p.hierarchy, c.hierarchy) << c.text;
        }
        if (c.code != 0) {
            EXPECT_EQ(p.flat, "") << c.text;
        }
    }
}

TEST(ParsedTree, LevelsFollowNestingAndGapsStayUnattached)
{
    // Levels 1, 2, 2: the third node is a sibling, not a child of the leaf.
    Parsed p = Parse("(M (Format Range 0 1 3) (Type Float))");
    EXPECT_EQ(p.flat, "B1:M | L2:Format@3=Range:s#11,0:i,1:i,3:i | L2:Type@2=Float:s#4");
    EXPECT_EQ(p.hierarchy, "M{Format,Type}");
}

TEST(ParsedTree, NullArguments)
{
    PARSED_TREE* tree = nullptr;
    EXPECT_EQ(GetParsedTree(nullptr, &tree), 3);
    char text[] = "(M (A 1))";
    EXPECT_EQ(GetParsedTree(text, nullptr), 3);
    EXPECT_EQ(tree, nullptr);
}

TEST(ParsedTree, TextIsNotModified)
{
    char text[] = "(M (D \"a b\") (E 1))";
    const std::string before = text;
    PARSED_TREE* tree = nullptr;
    ASSERT_EQ(GetParsedTree(text, &tree), 0);
    EXPECT_EQ(before, text);
    FreeParsedTree(&tree);
    EXPECT_EQ(tree, nullptr);
}

TEST(ParsedTree, LongRunsOfBlanksAreSkipped)
{
    const std::string blanks(5000, ' ');
    const Parsed p = Parse(blanks + "(" + blanks + "M" + blanks + "(A" + blanks + "1" + blanks + ")" + blanks +
                           "(B" + blanks + "\"x" + blanks + "y\"" + blanks + ")" + blanks + ")" + blanks);
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(p.flat, "B1:M | L2:A=1:i | L2:B=x" + blanks + "y:s");
}

TEST(ParsedTree, DeepNestingParsesWithoutRecursion)
{
    const int depth = 20000;
    std::string text;
    for (int i = 0; i < depth; ++i) text += "(b ";
    text += "(v 1)";
    text += std::string(depth, ')');
    PARSED_TREE* tree = nullptr;
    ASSERT_EQ(GetParsedTree(&text[0], &tree), 0);
    ASSERT_EQ(tree->iNumNodes, depth + 1);
    EXPECT_EQ(tree->pNodes[depth].iLevel, depth + 1);
    EXPECT_EQ(tree->pNodes[depth].enumNodeType, NODE_TYPE_LEAF);
    FreeParsedTree(&tree);
}

TEST(ParsedTree, FreeAcceptsNullAndRecordsWithoutChildrenOrValues)
{
    FreeParsedTree(nullptr);
    PARSED_TREE* none = nullptr;
    FreeParsedTree(&none);

    // A branch with no children and a leaf with no values, built as the
    // checker builds records.
    void* p = nullptr;
    ASSERT_TRUE(CMN_malloc(&p, sizeof(PARSED_TREE)));
    PARSED_TREE* tree = static_cast<PARSED_TREE*>(p);
    ASSERT_TRUE(CMN_malloc(&p, 3 * sizeof(NODE_STRUCT)));
    tree->pNodes = static_cast<NODE_STRUCT*>(p);
    tree->iNumNodes = 3;
    ASSERT_TRUE(CMN_malloc(&p, sizeof(BRANCH_STRUCT)));
    tree->pNodes[0].pData = p;
    static_cast<BRANCH_STRUCT*>(p)->pszName = CMN_StrMake("B");
    ASSERT_TRUE(CMN_malloc(&p, sizeof(LEAF_STRUCT)));
    tree->pNodes[1].enumNodeType = NODE_TYPE_LEAF;
    tree->pNodes[1].pData = p;  // no name, no values
    FreeParsedTree(&tree);      // the leak checker of the sanitizer build sees the rest
    EXPECT_EQ(tree, nullptr);
}

// Runs ScanForNodes over a node array owned by a tree, so that whatever it
// made is released through FreeParsedTree. Returns the code; fills the count
// and the dump of the entries.
int Scan(const char* text, int capacity, int* count, std::string* dump)
{
    std::string copy = text;
    PARSED_TREE* tree = nullptr;
    void* p = nullptr;
    if (!CMN_malloc(&p, sizeof(PARSED_TREE))) return -1;
    tree = static_cast<PARSED_TREE*>(p);
    const int cap = capacity > 0 ? capacity : 1;
    if (!CMN_malloc(&p, cap * sizeof(NODE_STRUCT))) return -1;
    tree->pNodes = static_cast<NODE_STRUCT*>(p);
    tree->iNumNodes = cap;
    *count = capacity;
    const int code = ScanForNodes(&copy[0], &tree->pNodes, count);
    *dump = amiparamtest::DumpFlat(tree);
    FreeParsedTree(&tree);
    return code;
}

TEST(ScanNodes, UnclosedQuoteEndsItsValueAtTheEndOfTheText)
{
    int count = 0;
    std::string dump;
    EXPECT_EQ(Scan("(M (A \"abc (d", 3, &count, &dump), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(dump, "B1:M | L2:A=abc (d:s | -");
}

TEST(ScanNodes, CapacityLimitsThePassesAndTheCountIsLowered)
{
    struct {
        const char* text;
        int capacity;
        int code;
        int count;
        const char* dump;
    } cases[] = {
        {"(M (A 1) (B 2))", 3, 0, 3, "B1:M | L2:A=1:i | L2:B=2:i"},
        {"(M (A 1) (B 2))", 2, 0, 2, "B1:M | L2:A=1:i"},
        {"(M (L 0 (1)) (B 2))", 4, 0, 2, "B1:M | L2:B=2:i | - | -"},
        {"(M (A 1) (B 2))", 0, 0, 0, "-"},
        {"(M (A 1) (B 2) (C 3))", 3, 0, 3, "B1:M | L2:A=1:i | L2:B=2:i"},
        {"(M (A 1))) (B 2)", 4, 6, -1, nullptr},
        {"(M (A 1)) )", 3, 6, -1, nullptr},
        {"(M))", 3, 8, -1, nullptr},
    };
    for (const auto& c : cases) {
        int count = 0;
        std::string dump;
        EXPECT_EQ(Scan(c.text, c.capacity, &count, &dump), c.code) << c.text;
        if (c.count >= 0) {
            EXPECT_EQ(count, c.count) << c.text;
        }
        if (c.dump) {
            EXPECT_EQ(dump, c.dump) << c.text;
        }
    }
}

TEST(ValidBuffer, CountsParenthesesOutsideQuotes)
{
    struct {
        const char* text;
        int valid;
        int open;
    } cases[] = {
        {"(a (b 1))", 1, 2}, {"(a \"(\" )", 1, 1}, {")(", 1, 1}, {"((", 0, 0},
        {"", 1, 0},          {"\"(\"", 1, 0},      {"(\"", 0, 0}, {"(a)\")\"", 1, 1},
    };
    for (const auto& c : cases) {
        int open = -5;
        EXPECT_EQ(ISValidBuffer(c.text, &open), c.valid) << c.text;
        EXPECT_EQ(open, c.open) << c.text;
        EXPECT_EQ(ISValidBuffer(c.text, nullptr), c.valid) << c.text;
    }
    int open = -5;
    EXPECT_EQ(ISValidBuffer(nullptr, &open), 0);
    EXPECT_EQ(open, 0);
}

TEST(ValueType, ClassifiesByWholeTextConversion)
{
    struct {
        const char* text;
        int type;
    } cases[] = {
        {nullptr, -1}, {"", -1},     {"1.5", 3},       {"-7", 1},     {"+7", 1},        {"True", 2},
        {"False", 2},  {"true", 0},  {"1e3", 3},       {"1e-3", 3},   {"inf", 3},       {"-Infinity", 3},
        {"nan", 3},    {"0x1p3", 3}, {"12abc", 0},     {"abc", 0},    {"1.", 3},        {".5", 3},
        {"007", 1},    {"-", 0},     {"99999999999999999999", 1},     {"1,5", 0},       {"TRUE", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(GetValueType(c.text), c.type) << (c.text ? c.text : "<null>");
}

TEST(ValueType, NumbersIgnoreTheHostLocale)
{
    // A host that switched to a locale with a decimal comma must not change
    // how "1.5" reads. Skip when no such locale is installed.
    const char* old = setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!setlocale(LC_NUMERIC, "de_DE.UTF-8") && !setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(GetValueType("1.5"), 3);
    EXPECT_EQ(AMITREE_StrToDouble("2.25", nullptr), 2.25);
    setlocale(LC_NUMERIC, saved.c_str());
}

TEST(StringType, EveryKeywordAndNothingElse)
{
    const char* keywords[] = {"In",    "Out",   "Info",      "InOut", "Float",  "Integer",  "String",
                              "Boolean", "Tap", "UI",        "Value", "Range",  "List",     "Corner",
                              "Increment", "Steps", "Table", "Gaussian", "Dual-Dirac", "DjRj"};
    for (int i = 0; i < 20; ++i) {
        VALUE_STRUCT v{};
        v.enumStringType = STRING_TYPE_NONE;
        s_setStringType(&v, keywords[i]);
        EXPECT_EQ(v.enumStringType, i) << keywords[i];
    }
    for (const char* other : {"in", "Dual_Dirac", "", "Ranges", "djrj"}) {
        VALUE_STRUCT v{};
        v.enumStringType = STRING_TYPE_TABLE;  // left unchanged
        s_setStringType(&v, other);
        EXPECT_EQ(v.enumStringType, STRING_TYPE_TABLE) << other;
    }
}

class ParsedTreeMemory : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pLog = std::tmpfile();
        ERRLOG_SetOutputFile(m_pLog);
    }
    void TearDown() override
    {
        CMN_FailAllocationsAfter(-1);
        ERRLOG_SetOutputFile(nullptr);
        std::fclose(m_pLog);
    }
    FILE* m_pLog = nullptr;
};

// Fails the n-th allocation for every n until the parse no longer needs to
// fail: each failure gives code 4 and nothing stored (the sanitizer build's
// leak checker sees anything left behind).
TEST_F(ParsedTreeMemory, EveryFailedAllocationGivesCode4)
{
    const char* texts[] = {
        "(Vuraved_UV_IV (RX_Config 1) (EQ_Level 12))",
        "(M (Sub (P 4 5 \"x y\") (Q \"a\")) (L (1 2)) (R a b c d e f))",
    };
    for (const char* text : texts) {
        int failures = 0;
        for (long n = 0; n < 1000; ++n) {
            std::string copy = text;
            PARSED_TREE* tree = nullptr;
            CMN_FailAllocationsAfter(n);
            const int code = GetParsedTree(&copy[0], &tree);
            CMN_FailAllocationsAfter(-1);
            if (code == 0) {
                ASSERT_NE(tree, nullptr);
                FreeParsedTree(&tree);
                break;
            }
            EXPECT_EQ(code, 4) << text << " failing allocation " << n;
            EXPECT_EQ(tree, nullptr);
            ++failures;
        }
        EXPECT_GT(failures, 5) << text;
    }
    unsigned long errors = 0;
    ERRLOG_GetCounts(nullptr, &errors, nullptr);
    EXPECT_GT(errors, 0u);
}

TEST_F(ParsedTreeMemory, FailedCopyOfTheTextIsCode4)
{
    // The tree record and the node array come first, then the copy.
    char text[] = "(M (A 1))";
    PARSED_TREE* tree = nullptr;
    CMN_FailAllocationsAfter(2);
    EXPECT_EQ(GetParsedTree(text, &tree), 4);
    EXPECT_EQ(tree, nullptr);
    std::fflush(m_pLog);
    std::rewind(m_pLog);
    char line[256] = {0};
    std::string log;
    while (std::fgets(line, sizeof line, m_pLog)) log += line;
    EXPECT_NE(log.find("Unable to Allocate Memory: cmn.cpp"), std::string::npos) << log;
}

}  // namespace

namespace {

TEST(ParsedTree, ManyValuesAndChildrenStayInOrder)
{
    // Arrays grow in steps; every entry must survive each step.
    std::string text = "(M (V";
    for (int i = 0; i < 1000; ++i) text += " " + std::to_string(i);
    text += ")";
    for (int i = 0; i < 300; ++i) text += " (C" + std::to_string(i) + " x)";
    text += ")";
    PARSED_TREE* tree = nullptr;
    ASSERT_EQ(GetParsedTree(&text[0], &tree), 0);
    const auto* root = static_cast<const BRANCH_STRUCT*>(tree->pNodes[0].pData);
    ASSERT_EQ(root->iNumNodes, 301);
    for (int i = 0; i < 300; ++i)
        EXPECT_STREQ(static_cast<const LEAF_STRUCT*>(root->pNodes[i + 1].pData)->pszName,
                     ("C" + std::to_string(i)).c_str());
    const auto* v = static_cast<const LEAF_STRUCT*>(tree->pNodes[1].pData);
    ASSERT_EQ(v->iNumValues, 1000);
    for (int i = 0; i < 1000; ++i) EXPECT_STREQ(v->pValues[i].pszValue, std::to_string(i).c_str());
    FreeParsedTree(&tree);
}

}  // namespace

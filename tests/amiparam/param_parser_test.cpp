// ParamParser: dotted paths, first match, case, the typed forms and what
// each reports for values of another type or out of range.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "amiparam/AmiParamParser.h"

namespace {

using Vantrel::AMI::ParamParser;

struct IntCase {
    const char* params;
    const char* path;
    bool found;
    int value;  // expected when found; the target starts at -999 otherwise
};

const IntCase kIntCases[] = {
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "TX_model2.DE_Level", true, 3},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "TX_model2.VOD_Level", true, 2},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "TX_model2.TX_bypass", false, 0},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "tX_model2.DE_Level", false, 0},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "TX_model2.de_level", false, 0},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "DE_Level", false, 0},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "TX_model2", false, 0},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "TX_model2.DE_Level.", false, 0},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "TX_model2..DE_Level", false, 0},
    {"(TX_model2 (DE_Level 3) (VOD_Level 2))", "", false, 0},
    // Truncation toward zero.
    {"(M (P 2.7))", "M.P", true, 2},
    {"(M (P -2.7))", "M.P", true, -2},
    {"(M (P -0.5))", "M.P", true, 0},
    {"(M (P 1e3))", "M.P", true, 1000},
    // The int range, and beyond it: not found rather than an undefined conversion.
    {"(M (P 2147483647))", "M.P", true, INT_MAX},
    {"(M (P -2147483648))", "M.P", true, INT_MIN},
    {"(M (P 2147483647.9))", "M.P", true, INT_MAX},
    {"(M (P 2147483648))", "M.P", false, 0},
    {"(M (P -2147483649))", "M.P", false, 0},
    {"(M (P 1e300))", "M.P", false, 0},
    {"(M (P inf))", "M.P", false, 0},
    {"(M (P nan))", "M.P", false, 0},
    {"(M (P 99999999999999999999999))", "M.P", false, 0},
    // Paths through branches; the first match in document order wins.
    {"(M (Sub (P 4)) (P 5))", "M.Sub.P", true, 4},
    {"(M (Sub (P 4)) (P 5))", "M.P", true, 5},
    {"(M (P 4) (P 5))", "M.P", true, 4},
    {"(M (S (P 1)) (S (P 2) (Q 3)))", "M.S.Q", true, 3},
    {"(M (S (P 1)) (S (P 2) (Q 3)))", "M.S.P", true, 1},
    // Branches never match; a nested parameter is not found one level up.
    {"(M (Sub (P 4)))", "M.Sub", false, 0},
    {"(Vuraved_UV_IV (Model (EQ_Level 3)))", "Vuraved_UV_IV.EQ_Level", false, 0},
    // Only the first value counts, and it must be a number.
    {"(M (P abc 7))", "M.P", false, 0},
    {"(M (P True 7))", "M.P", false, 0},
    {"(M (P 7 abc))", "M.P", true, 7},
    {"(M (P \"7\"))", "M.P", true, 7},
    {"(M (P \"\"))", "M.P", false, 0},
    // A failed parse finds nothing.
    {"(M (P 4)", "M.P", false, 0},
    {"(M (P 4)) (N (Q 1))", "M.P", false, 0},
    {"", "M.P", false, 0},
};

TEST(ParamParser, IntForm)
{
    for (const IntCase& c : kIntCases) {
        ParamParser parser(c.params);
        int value = -999;
        EXPECT_EQ(parser.GetValue(value, c.path), c.found) << c.params << " at " << c.path;
        EXPECT_EQ(value, c.found ? c.value : -999) << c.params << " at " << c.path;
    }
}

TEST(ParamParser, DoubleForm)
{
    const struct {
        const char* params;
        const char* path;
        bool found;
        double value;
    } cases[] = {
        {"(Vuraved_UV_IV (VCO_Sensitivity 2.5e9))", "Vuraved_UV_IV.VCO_Sensitivity", true, 2.5e9},
        {"(M (P 7))", "M.P", true, 7.0},
        {"(M (P -0.125))", "M.P", true, -0.125},
        {"(M (P 0x1p-2))", "M.P", true, 0.25},
        {"(M (P 1e999))", "M.P", true, HUGE_VAL},
        {"(M (P True))", "M.P", false, 0},
        {"(M (P x))", "M.P", false, 0},
        {"(M (P 1.5.))", "M.P", false, 0},
    };
    for (const auto& c : cases) {
        ParamParser parser(c.params);
        double value = -999.0;
        EXPECT_EQ(parser.GetValue(value, c.path), c.found) << c.params;
        EXPECT_EQ(value, c.found ? c.value : -999.0) << c.params;
    }
}

TEST(ParamParser, BoolAndStringForms)
{
    ParamParser parser("(M (T True 7) (F False) (L true) (S abc 1) (Q \"two words\") (N 5))");
    bool b = false;
    EXPECT_TRUE(parser.GetValue(b, "M.T"));
    EXPECT_TRUE(b);
    int i = -1;
    EXPECT_FALSE(parser.GetValue(i, "M.T"));
    EXPECT_EQ(i, -1);
    EXPECT_TRUE(parser.GetValue(b, "M.F"));
    EXPECT_FALSE(b);
    b = true;
    EXPECT_FALSE(parser.GetValue(b, "M.L"));  // "true" is a string, not a boolean
    EXPECT_FALSE(parser.GetValue(b, "M.N"));
    EXPECT_TRUE(b);

    char* s = nullptr;
    EXPECT_TRUE(parser.GetValue(s, "M.S"));
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "abc");
    char* previous = s;
    EXPECT_TRUE(parser.GetValue(s, "M.Q"));  // replaces (and releases) the earlier copy
    EXPECT_NE(s, nullptr);
    EXPECT_STREQ(s, "two words");
    (void)previous;
    char* kept = s;
    EXPECT_FALSE(parser.GetValue(s, "M.N"));  // a number is not a string
    EXPECT_FALSE(parser.GetValue(s, "M.T"));
    EXPECT_EQ(s, kept);
    delete[] s;
}

TEST(ParamParser, NullAndUnparsableStringsFindNothing)
{
    ParamParser none(nullptr);
    EXPECT_FALSE(none.IsValid());
    int i = 3;
    double d = 4.0;
    EXPECT_FALSE(none.GetValue(i, "M.P"));
    EXPECT_FALSE(none.GetValue(d, "M.P"));
    EXPECT_EQ(none.GetLeaf("M.P"), nullptr);
    EXPECT_EQ(none.GetLeaf(nullptr), nullptr);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(d, 4.0);

    ParamParser bad("(M (P 1) (Q 2)");
    EXPECT_FALSE(bad.IsValid());
    EXPECT_FALSE(bad.GetValue(i, "M.P"));
}

TEST(ParamParser, LeafLookupAndLeafBranches)
{
    ParamParser parser("(M (Sub (P 4 5) (Q x)) (R 1))");
    ASSERT_TRUE(parser.IsValid());
    const LEAF_STRUCT* leaf = parser.GetLeaf("M.Sub.P");
    ASSERT_NE(leaf, nullptr);
    EXPECT_STREQ(leaf->pszName, "P");
    ASSERT_EQ(leaf->iNumValues, 2);
    EXPECT_STREQ(leaf->pValues[1].pszValue, "5");
    EXPECT_EQ(parser.GetLeaf("M.Sub.R"), nullptr);
    EXPECT_EQ(parser.GetLeaf(nullptr), nullptr);

    PARSED_TREE* tree = nullptr;
    char text[] = "(M (Sub (P 4) (Q x)) (R 1))";
    ASSERT_EQ(GetParsedTree(text, &tree), 0);
    const auto* root = static_cast<const BRANCH_STRUCT*>(tree->pNodes[0].pData);
    const auto* sub = static_cast<const BRANCH_STRUCT*>(tree->pNodes[1].pData);
    EXPECT_FALSE(ParamParser::IsParamLeafBranch(root));  // its first child is a branch
    EXPECT_TRUE(ParamParser::IsParamLeafBranch(sub));
    EXPECT_FALSE(ParamParser::IsParamLeafBranch(nullptr));
    BRANCH_STRUCT empty{};
    EXPECT_FALSE(ParamParser::IsParamLeafBranch(&empty));

    // The prefix stands for the enclosing branches' names.
    EXPECT_NE(ParamParser::FindLeafWithName(sub, "M.Sub.Q", "M"), nullptr);
    EXPECT_EQ(ParamParser::FindLeafWithName(sub, "M.Sub.Q", ""), nullptr);
    EXPECT_NE(ParamParser::FindLeafWithName(sub, "Sub.Q", ""), nullptr);
    EXPECT_NE(ParamParser::FindLeafWithName(sub, "A.B.Sub.P", "A.B"), nullptr);
    EXPECT_EQ(ParamParser::FindLeafWithName(sub, "A.B.Sub.P", "A"), nullptr);
    EXPECT_EQ(ParamParser::FindLeafWithName(&empty, "x", ""), nullptr);
    EXPECT_EQ(ParamParser::FindLeafWithName(nullptr, "x", ""), nullptr);
    FreeParsedTree(&tree);
}

TEST(ParamParser, NamelessOutermostListKeepsTheDotInPaths)
{
    // "((A 1))": the outermost branch has an empty name, so its leaves are
    // found under ".A".
    ParamParser parser("((A 1))");
    ASSERT_TRUE(parser.IsValid());
    int i = 0;
    EXPECT_TRUE(parser.GetValue(i, ".A"));
    EXPECT_EQ(i, 1);
    EXPECT_FALSE(parser.GetValue(i, "A"));
}

TEST(ParamParser, FullNamesAddADotOnlyAfterAPrefix)
{
    // The nameless outermost branch has the full name ""; so has the nameless
    // branch inside it (no "." after an empty prefix), whose leaf r is ".r".
    // The outermost branch's own leaf named ".r" is "..r", and its branch s
    // is "s" (again no dot after the empty prefix).
    ParamParser parser("(((r 1)) (.r 2) (s (t 3)))");
    ASSERT_TRUE(parser.IsValid());
    const struct {
        const char* path;
        bool found;
        int value;
    } cases[] = {{".r", true, 1}, {"..r", true, 2}, {"s.t", true, 3}, {".s.t", false, 0}, {"r", false, 0}};
    for (const auto& c : cases) {
        int v = -1;
        EXPECT_EQ(parser.GetValue(v, c.path), c.found) << c.path;
        if (c.found) {
            EXPECT_EQ(v, c.value) << c.path;
        }
    }
}

TEST(ParamParser, DeeplyNestedNamelessBranchesAreSearchedWithoutRecursion)
{
    const int depth = 200000;
    std::string text(depth, '(');
    text += "(v 7)";
    text += std::string(depth, ')');
    ParamParser parser(text.c_str());
    ASSERT_TRUE(parser.IsValid());
    int v = 0;
    EXPECT_TRUE(parser.GetValue(v, ".v"));
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(parser.GetValue(v, ".w"));
}

}  // namespace

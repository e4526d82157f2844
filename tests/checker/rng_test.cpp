// Typ/min/max ranges, table rows and I-V tables, with exact message lines in
// both styles; and the number, column and field helpers they read with.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "checker/crv.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/rng.h"
#include "tests/checker/checker_fixture.h"

namespace {

class RangeTest : public CheckerFixture {
protected:
    // Runs f once per style and compares what it printed with the expected
    // lines (numbered style given).
    void ExpectPrints(const std::function<void()>& f, const std::string& numbered, const std::string& what)
    {
        gbOldStyleErrors = 0;
        Take();
        PARSE_SetLineNum(7);
        f();
        EXPECT_EQ(Take(), numbered) << what << " (numbered)";
        gbOldStyleErrors = 1;
        PARSE_SetLineNum(7);
        f();
        EXPECT_EQ(Take(), Worded(numbered)) << what << " (worded)";
    }
    void TearDown() override
    {
        CRV_AllowLargeTables(0);
        CheckerFixture::TearDown();
    }
};

TEST_F(RangeTest, RangeLines)
{
    struct {
        const char* text;
        int result;
        const char* expected;
    } cases[] = {
        {"5 4.5 5.5", 1, ""},
        {"5 5.5 4.5", 1, ""},
        {"5V NA NA", 1, ""},
        {"6 4.5 5.5", 1, "W3903 (line    7) - Typ value is not in between Min and Max \n"},
        {"5 4.5", 0, "E3901 (line    7) - No maximum Value Was Provided for Voltage Range\n"},
        {"5", 0,
         "E3901 (line    7) - No minimum Value Was Provided for Voltage Range\n"
         "E3901 (line    7) - No maximum Value Was Provided for Voltage Range\n"},
        {"", 0, "E3902 (line    7) -\n    Incorrect Number of Line Items (0) For Voltage Range: Expecting 3\n"},
        {"1 2 3 4", 1,
         "E3902 (line    7) -\n    Incorrect Number of Line Items (4) For Voltage Range: Expecting 3\n"
         "W3903 (line    7) - Typ value is not in between Min and Max \n"},
        {"5 x 5.5", 0, "E1909 (line    7) - Invalid Voltage Range Value (\"x\")\n"},
        {"5 4k5 5.5", 1,
         "W1910 (line    7) -\n    Suspicious Voltage Range Minimum Value (\"4k5\"); Numeric in Scale\n"
         "W3903 (line    7) - Typ value is not in between Min and Max \n"},
    };
    for (const auto& c : cases) {
        ExpectPrints(
            [&] {
                RNG_STRUCT* r = nullptr;
                EXPECT_EQ(RNG_ParseRange(c.text, "Voltage Range", &r), c.result) << c.text;
                EXPECT_NE(r, nullptr) << c.text;
                RNG_Free(&r);
                EXPECT_EQ(r, nullptr);
            },
            c.expected, c.text);
    }
}

TEST_F(RangeTest, TableRowsAndTheirFieldCounts)
{
    struct {
        const char* line;
        const char* expected;
    } cases[] = {
        {"1 2 3 4", ""},
        {"1 2 3", "E1401 (line    7) - No maximum Value Was Provided for Pulldown\n"},
        {"1 2",
         "E1401 (line    7) - No minimum Value Was Provided for Pulldown\n"
         "E1401 (line    7) - No maximum Value Was Provided for Pulldown\n"},
        {"1",
         "E1401 (line    7) - No typical Value Was Provided for Pulldown\n"
         "E1401 (line    7) - No minimum Value Was Provided for Pulldown\n"
         "E1401 (line    7) - No maximum Value Was Provided for Pulldown\n"},
        {"1 2 3 4 5", "E1402 (line    7) -\n    Incorrect Number of Line Items (5) For Pulldown: Expecting 4\n"},
    };
    for (const auto& c : cases) {
        ExpectPrints(
            [&] {
                RNGP_STRUCT* row = nullptr;
                EXPECT_EQ(RNGP_ParseLine(c.line, "Pulldown", "Voltage", &row), 1);
                ASSERT_NE(row, nullptr);
                EXPECT_EQ(row->first.iState, RNG_VALUE);
                RNGP_LIST list{};
                RNGP_LinkLine(&list, row, nullptr, 0);
                RNGP_FreeList(&list);
            },
            c.expected, c.line);
    }
}

// The duplicate check of RNGP_LinkLine against the walk over every earlier
// row that defines it: W1403 with the value of the first earlier row equal
// (==) to the new one, for lists of many sizes and value pools (0 and -0, NaN,
// infinities, NA and absent first columns), rows linked with and without the
// check, and lists changed behind RNGP_LinkLine's back (a row unlinked, a row
// appended by hand), which the index must notice.
TEST_F(RangeTest, DuplicateRowsAsTheWalkOverEarlierRows)
{
    struct {
        const char* what;
        int rows, pool;  // rows linked; distinct values drawn from
        int uncheckedEvery;  // every k-th row linked without the check (0: none)
        int meddleAt;        // at this row, unlink the tail by hand (odd) or append one by hand (even); 0: never
    } cases[] = {
        {"empty", 0, 1, 0, 0},      {"one row", 1, 1, 0, 0},         {"all equal", 50, 1, 0, 0},
        {"few values", 300, 7, 0, 0}, {"some unchecked", 300, 20, 3, 0}, {"all distinct", 5000, 1 << 30, 0, 0},
        {"many repeats", 5000, 600, 5, 0}, {"tail unlinked by hand", 400, 40, 0, 201},
        {"row appended by hand", 400, 40, 7, 200},
    };
    const double specials[] = {0.0, -0.0, std::nan(""), HUGE_VAL, -HUGE_VAL, 1e-300, -1e300};
    gbOldStyleErrors = 0;
    PARSE_SetLineNum(7);
    for (const auto& c : cases) {
        unsigned seed = 12345u + static_cast<unsigned>(c.rows);
        auto next = [&] { return seed = seed * 1103515245u + 12345u; };
        RNGP_LIST list{};
        std::string expected;
        unsigned count = 0;
        for (int i = 1; i <= c.rows; ++i) {
            RNGP_STRUCT* row = RNGP_New();
            ASSERT_NE(row, nullptr);
            const unsigned r = next() >> 8;
            row->first.iState = r % 13 == 0 ? RNG_NA : r % 17 == 0 ? RNG_ABSENT : RNG_VALUE;
            row->first.dValue = r % 5 == 0 ? specials[(r / 5) % 7] : static_cast<double>(r % c.pool) * 0.25e-9;
            if (c.meddleAt == i && i % 2) {  // unlink the tail by hand
                RNGP_STRUCT* t = list.pTail;
                list.pTail = t->pPrev;
                list.pTail->pNext = nullptr;
                --list.uCount;
                free(t);
            } else if (c.meddleAt == i) {  // append a row by hand
                RNGP_STRUCT* t = RNGP_New();
                ASSERT_NE(t, nullptr);
                *t = *row;
                t->pPrev = list.pTail;
                list.pTail->pNext = t;
                list.pTail = t;
                ++list.uCount;
            }
            const bool check = c.uncheckedEvery == 0 || i % c.uncheckedEvery != 0;
            if (check && row->first.iState == RNG_VALUE)
                for (const RNGP_STRUCT* p = list.pHead; p; p = p->pNext)
                    if (p->first.iState == RNG_VALUE && p->first.dValue == row->first.dValue) {
                        char line[96];
                        std::snprintf(line, sizeof line, "W1403 (line    7) - Value %e repeated in the First Column\n",
                                      p->first.dValue);
                        expected += line;
                        break;
                    }
            const unsigned before = list.uCount;
            RNGP_LinkLine(&list, row, &count, check ? 1 : 0);
            EXPECT_EQ(count, before + 1) << c.what;
            EXPECT_EQ(list.pTail, row) << c.what;
        }
        EXPECT_EQ(Take(), expected) << c.what;
        RNGP_FreeList(&list);
        EXPECT_EQ(list.pIndex, nullptr) << c.what;
    }
}

// Reads an I-V table of the given rows and ends it as the table of a model.
void Table(int keyword, const char* name, int modelType, const std::vector<std::string>& rows,
           unsigned* pCount = nullptr)
{
    CRV_STRUCT* t = nullptr;
    PARSE_SetLineNum(7);
    ASSERT_EQ(CRV_New((std::string("[") + name + "]").c_str(), name, &t), 1);
    unsigned long line = 8;
    for (const std::string& r : rows) {
        PARSE_SetLineNum(line++);
        CRV_ReceiveLine(r.c_str(), t, name);
    }
    CRV_Fini("m1", modelType, keyword, t, name, "Model");
    if (pCount) *pCount = t->rows.uCount;
    CRV_Free(&t);
}

TEST_F(RangeTest, IVTables)
{
    struct {
        const char* what;
        int keyword;
        const char* name;
        int type;
        std::vector<std::string> rows;
        const char* expected;
    } cases[] = {
        {"one row", KW_PULLDOWN, "Pulldown", MDL_TYPE_OUTPUT, {"0 0 0 0"},
         "E1108 - Require at least 2 Voltage Points for Pulldown Beginning at Line 7\n"},
        {"a repeated voltage", KW_PULLDOWN, "Pulldown", MDL_TYPE_OUTPUT,
         {"-5 -1 -1 -1", "0 0 0 0", "0 0 0 0", "5 1 1 1"},
         "W1403 (line   10) - Value 0.000000e+00 repeated in the First Column\n"},
        {"a typical column going back, once", KW_PULLDOWN, "Pulldown", MDL_TYPE_OUTPUT,
         {"0 1 NA NA", "1 2 NA NA", "2 1.5 NA NA", "3 1.4 NA NA"},
         "N1110 (line   10) - Pulldown Typical data is non-monotonic\n"},
        {"a rising [Pullup] of an Output model", KW_PULLUP, "Pullup", MDL_TYPE_OUTPUT, {"0 -1 -1 -1", "5 1 1 1"},
         "W1112 - Model m1: Pullup has Increasing Current\n"},
        {"a rising [Pulldown] of an Output_ECL model", KW_PULLDOWN, "Pulldown", MDL_TYPE_OUTPUT_ECL,
         {"0 -1 -1 -1", "5 1 1 1"}, "W1112 - Model m1: Pulldown has Increasing Current\n"},
        {"a rising [Pulldown] of an Output model", KW_PULLDOWN, "Pulldown", MDL_TYPE_OUTPUT,
         {"0 -1 -1 -1", "5 1 1 1"}, ""},
        {"a falling [GND Clamp]", KW_GND_CLAMP, "GND Clamp", MDL_TYPE_INPUT, {"-1 1 1 1", "0 0 0 0"},
         "W1111 - Model m1: GND Clamp has Decreasing Current\n"},
        {"no direction check without a model type", KW_PULLUP, "Pullup", MDL_TYPE_NONE, {"0 -1 -1 -1", "5 1 1 1"},
         ""},
        {"no direction check for [ISSO PU]", KW_ISSO_PU, "ISSO PU", MDL_TYPE_OUTPUT, {"0 -1 -1 -1", "5 1 1 1"}, ""},
        {"a clamp reaching zero within 1e-6", KW_GND_CLAMP, "GND Clamp", MDL_TYPE_INPUT,
         {"-2 -0.5 NA NA", "-1 -0.2 NA NA", "0 -0.0000005 NA NA"}, ""},
        {"a clamp never reaching zero", KW_GND_CLAMP, "GND Clamp", MDL_TYPE_INPUT,
         {"-2 -0.5 NA NA", "-1 -0.2 NA NA", "0 -0.1 NA NA"},
         "W1113 - Model m1: GND Clamp : Typical value never becomes zero\n"},
        {"an NA voltage and NA at the ends", KW_PULLDOWN, "Pulldown", MDL_TYPE_NONE,
         {"0 NA 1 NA", "NA 1 1 1", "2 1 2 3", "3 NA NA 4"},
         "E1106 (line    9) - Voltage Value Cannot Be 'NA'\n"
         "E1109 - First Typical Value Cannot Be 'NA' for Pulldown Beginning at Line 7\n"
         "E1109 - First Maximum Value Cannot Be 'NA' for Pulldown Beginning at Line 7\n"
         "E1109 - Last Typical Value Cannot Be 'NA' for Pulldown Beginning at Line 7\n"
         "E1109 - Last Minimum Value Cannot Be 'NA' for Pulldown Beginning at Line 7\n"},
        {"NA minimum at the end when no row has a minimum", KW_PULLDOWN, "Pulldown", MDL_TYPE_NONE,
         {"0 0 NA NA", "1 1 NA NA"}, ""},
    };
    for (const auto& c : cases) ExpectPrints([&] { Table(c.keyword, c.name, c.type, c.rows); }, c.expected, c.what);
}

TEST_F(RangeTest, RowLimitOfIVTables)
{
    std::vector<std::string> rows;
    for (int i = 0; i < 102; ++i) rows.push_back(std::to_string(i) + " " + std::to_string(i) + " NA NA");
    unsigned count = 0;
    ExpectPrints([&] { Table(KW_PULLDOWN, "Pulldown", MDL_TYPE_OUTPUT, rows, &count); },
                 "E1107 (line  108) - More Than 100 Voltage Points Provided For Pulldown\n", "102 rows");
    EXPECT_EQ(count, 102u);
    CRV_AllowLargeTables(1);
    ExpectPrints([&] { Table(KW_PULLDOWN, "Pulldown", MDL_TYPE_OUTPUT, rows); }, "", "102 rows, large allowed");
}

TEST_F(RangeTest, TableInAFileKeepsOneTableAtATime)
{
    // A model whose [Pulldown] is given twice: E1100 and the second table
    // replaces the first; its one row raises E1108 at the end. (The model's
    // plausibility and DC checks are not the subject here.)
    PlausibilityAndDcChecks(false);
    const std::string path = Write(
        "t.ibs", Lines({"[IBIS Ver] 4.2", "[File Name] t.ibs", "[File Rev] 1.0", "[Date] d", "[Model] m1",
                        "Model_type Output", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Pulldown]", "0 0 0 0", "1 1 1 1",
                        "[Pulldown] x", "0 0 0 0", "[Voltage Range] 5 4.5 5.5", "[Ramp]", "dV/dt_r 1/1n 1/1n 1/1n",
                        "dV/dt_f 1/1n 1/1n 1/1n", kComponent, "[End]"}));
    ExpectBothStyles(path, FILE_TYPE_IBS,
                     "E1100 (line   12) - Pulldown Already Defined\n"
                     "E1104 (line   12) -\n    Incorrect Number of Line Items (2) For Pulldown: Expecting 1\n"
                     "E1108 - Require at least 2 Voltage Points for Pulldown Beginning at Line 12\n",
                     "two [Pulldown] tables");
}

TEST_F(RangeTest, CopyKeepsRowsWithAFirstValue)
{
    CRV_STRUCT* t = nullptr;
    ASSERT_EQ(CRV_New("[Pullup]", "Pullup", &t), 1);
    for (const char* r : {"0 1 1 1", "NA 1 1 1", "2 3 3 3"}) CRV_ReceiveLine(r, t, "Pullup");
    CRV_STRUCT* c = CRV_CopyCrv(t);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->rows.uCount, 2u);
    EXPECT_EQ(c->rows.pHead->first.dValue, 0.0);
    EXPECT_EQ(c->rows.pTail->first.dValue, 2.0);
    EXPECT_EQ(RNGP_Prev(c->rows.pTail), c->rows.pHead);
    CRV_Free(&c);
    CRV_Free(&t);
    Take();
}

TEST(ValueHelpers, NumbersWithScaleLetters)
{
    struct {
        const char* text;
        int result;
        double value;
    } cases[] = {
        {"3.3nH", 1, 3.3e-9}, {"10mA", 1, 0.01}, {"5V", 1, 5.0},   {"1k5", 2, 1000.0}, {"2.5", 1, 2.5},
        {"-1e-3", 1, -1e-3}, {"1T", 1, 1e12},    {"1G", 1, 1e9},   {"1M", 1, 1e6},     {"1u", 1, 1e-6},
        {"1p", 1, 1e-12},    {"1f", 1, 1e-15},   {".5", 1, 0.5},   {"5.", 1, 5.0},     {"x", 0, 0},
        {"", 0, 0},          {"5/", 0, 0},       {"inf", 0, 0},    {"nan", 0, 0},      {"0x10", 2, 0},
        {"1e", 1, 1.0},      {"1mV2", 2, 1e-3},  {"-", 0, 0},      {"+.", 0, 0},
    };
    for (const auto& c : cases) {
        double v = -99;
        EXPECT_EQ(CMN_Get_Value(c.text, &v), c.result) << c.text;
        if (c.result) {
            EXPECT_NEAR(v, c.value, std::fabs(c.value) * 1e-12) << c.text;
        }
    }
    double v = 1;
    int na = 0;
    EXPECT_EQ(CMN_Get_ValueOrNA("na", &v, &na), 1);
    EXPECT_EQ(na, 1);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(CMN_Get_ValueOrNA("2m", &v, &na), 1);
    EXPECT_EQ(na, 0);
    EXPECT_DOUBLE_EQ(v, 2e-3);
}

TEST(ValueHelpers, PlainNumbers)
{
    double d = 0;
    EXPECT_EQ(CMN_StrToDbl("1.5", &d), 1);
    EXPECT_EQ(CMN_StrToDbl("1.5x", &d), 2);
    EXPECT_EQ(CMN_StrToDbl("x", &d), 0);
    EXPECT_EQ(CMN_StrToDbl("1e999", &d), 0);
    unsigned u = 0;
    EXPECT_EQ(CMN_StrToUI("42", &u), 1);
    EXPECT_EQ(u, 42u);
    EXPECT_EQ(CMN_StrToUI("42a", &u), 2);
    EXPECT_EQ(CMN_StrToUI("-1", &u), 0);
    EXPECT_EQ(CMN_StrToUI("4294967295", &u), 1);
    EXPECT_EQ(u, 4294967295u);
    EXPECT_EQ(CMN_StrToUI("4294967296", &u), 0);
}

TEST(ValueHelpers, FieldLists)
{
    CMN_ARGLIST* l = nullptr;
    ASSERT_EQ(CMN_ArgParsePlus("  Vinl=0.8 V  x ", 3, '=', &l), 1);
    EXPECT_EQ(l->uiFound, 5u);
    EXPECT_EQ(l->uiStored, 3u);
    EXPECT_STREQ(CMN_ArgGet(l, 0), "Vinl");
    EXPECT_STREQ(CMN_ArgGet(l, 1), "=");
    EXPECT_STREQ(CMN_ArgGet(l, 2), "0.8");
    EXPECT_STREQ(CMN_ArgGet(l, 3), "");
    CMN_ArgFree(&l);
    EXPECT_EQ(l, nullptr);
    // Zero capacity counts without storing; an empty text has no field.
    ASSERT_EQ(CMN_ArgParse("a b c", 0, &l), 1);
    EXPECT_EQ(l->uiFound, 3u);
    EXPECT_EQ(l->uiStored, 0u);
    CMN_ArgFree(&l);
    ASSERT_EQ(CMN_ArgParse("", 4, &l), 1);
    EXPECT_EQ(l->uiFound, 0u);
    CMN_ArgFree(&l);
    CMN_ArgFree(&l);
    CMN_ArgFree(nullptr);
}

TEST(ValueHelpers, ReservedWords)
{
    for (const char* w : {"GND", "gnd", "NC", "Power", "CircuitCall", "na"}) EXPECT_EQ(CMN_ReservedWord(w), 1) << w;
    for (const char* w : {"GND1", "", "N", "VCC"}) EXPECT_EQ(CMN_ReservedWord(w), 0) << w;
}

}  // namespace

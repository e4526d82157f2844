// Waveform tables: fixtures, Time rows, row limits by version and table, the
// end-of-table checks by kind, and the time comparison of a waveform with its
// composite current.
#include <gtest/gtest.h>

#include <string>

#include "checker/parse.h"
#include "checker/wvfrm.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// An Output model (lines 6 to 13) and then the waveform lines from line 14.
LineList Wave(const LineList& lines) { return Cat({Output("m"), lines}); }

const Case kWaveformCases[] = {
    {"fixtures and two rows", "4.2", Wave({"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "1n 1 1 1"}),
     ""},
    {"without R_fixture", "4.2", Wave({"[Rising Waveform]", "V_fixture = 0", "0 0 0 0", "1n 1 1 1"}),
     "E2004 - R_fixture Not Defined For Rising Waveform Beginning on Line 14\n"},
    {"R_fixture after the first row still counts", "4.2",
     Wave({"[Falling Waveform]", "V_fixture = 0", "0 0 0 0", "R_fixture = 50", "1n 1 1 1"}),
     "E2013 (line   17) - R_fixture specified after beginning of timing data\n"},
    {"R_fixture twice", "4.2",
     Wave({"[Rising Waveform]", "R_fixture = 50", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "1n 1 1 1"}),
     "E2014 (line   16) - Duplicate definition for Rising Waveform R_fixture\n"},
    {"a Time equal to the previous one, and one below it", "4.2",
     Wave({"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "1n 1 1 1", "1n 1 1 1", "0.5n 1 1 1"}),
     "W1403 (line   19) - Value 1.000000e-09 repeated in the First Column\n"
     "E2020 (line   19) - Time value did not increase\n"
     "E2020 (line   20) - Time value did not increase\n"},
    {"fixture lines that cannot be read", "4.2",
     Wave({"[Rising Waveform]", "R_fixture 50", "V_fixture = x", "C_fixture : 1p", "L_fixture = 1n 2n",
           "0 0 0 0", "1n 1 1 1"}),
     "E2015 (line   15) - Invalid Rising Waveform line\n"
     "E2017 (line   16) - Invalid Rising Waveform Value (\"x\")\n"
     "E2015 (line   17) - Invalid Rising Waveform line\n"
     "E2003 (line   18) -\n    Incorrect Number of Line Items (4) For Rising Waveform: Expecting 3\n"},
    {"an unknown line, items after the keyword, an NA time", "4.2",
     Wave({"[Rising Waveform] x", "R_fixture = 50", "V_fixture = 0", "r_fixture = 50", "NA 0 0 0", "0 0 0 0",
           "1n 1 1 1"}),
     "E2003 (line   14) -\n    Incorrect Number of Line Items (2) For Rising Waveform: Expecting 1\n"
     "E2011 (line   17) - Unknown Line Among Rising Waveform Data\n"
     "E2019 (line   18) - 'NA' not allowed for Time value\n"},
    {"one row; NA in the first and last rows", "4.2",
     Wave({"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "[Falling Waveform]", "R_fixture = 50",
           "V_fixture = 0", "0 NA 1 NA", "1n 1 NA 1", "2n 1 1 NA"}),
     "E2005 - Require at least 2 Data Points for Rising Waveform Beginning at Line 14\n"
     "E2006 - First Typical Value Cannot Be 'NA' for Falling Waveform Beginning at Line 18\n"
     "E2006 - First Maximum Value Cannot Be 'NA' for Falling Waveform Beginning at Line 18\n"
     "E2006 -\n    Last Maximum Value Cannot Be 'NA' for Falling Waveform Beginning at Line 18\n"},
    {"NA minimum at the ends is fine when no row has a minimum", "4.2",
     Wave({"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 NA 0", "1n 1 NA 1"}), ""},
    {"a suspicious fixture value", "4.2",
     Wave({"[Rising Waveform]", "R_fixture = 5k0", "V_fixture = 0", "0 0 0 0", "1n 1 1 1"}),
     "W2016 (line   15) -\n    Suspicious Rising Waveform R_fixture Value (\"5k0\"); Numeric in Scale\n"},
};

TEST_F(ModelKeywordTest, WaveformLines) { Run(kWaveformCases, sizeof kWaveformCases / sizeof kWaveformCases[0]); }

// Rows of a waveform from line 18 on: rows 0, 1p, 2p, ...
LineList ManyRows(int n)
{
    LineList l = Output("m");
    l.insert(l.end(), {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0"});
    for (int i = 0; i < n; ++i) l.push_back(std::to_string(i) + "p 1 1 1");
    return l;
}

TEST_F(ModelKeywordTest, RowLimitsByVersion)
{
    PlausibilityAndDcChecks(false);  // the model around the rows has no I-V tables
    // Rows start at line 17: row k stands on line 16 + k.
    ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File("4.2", ManyRows(1000)))), FILE_TYPE_IBS, "",
                     "1,000 rows in version 4.2");
    ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File("4.2", ManyRows(1002)))), FILE_TYPE_IBS,
                     "E2018 (line 1017) -\n    More than 1000 data points provided for Rising Waveform table\n",
                     "1,002 rows in version 4.2: once, at the 1,001st");
    ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File("3.2", ManyRows(100)))), FILE_TYPE_IBS, "",
                     "100 rows in version 3.2");
    ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File("3.2", ManyRows(101)))), FILE_TYPE_IBS,
                     "E2018 (line  117) -\n    More than 100 data points provided for Rising Waveform table\n",
                     "101 rows in version 3.2");
}

TEST_F(ModelKeywordTest, MoreThanHundredWaveforms)
{
    PlausibilityAndDcChecks(false);  // the model around the waveforms has no I-V tables
    LineList l = Output("m");
    for (int i = 0; i < 101; ++i)
        l.insert(l.end(), {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "1n 1 1 1"});
    // The 101st keyword stands on line 14 + 5 * 100.
    ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File("4.2", l))), FILE_TYPE_IBS,
                     "E2000 (line  514) - More than 100 Rising Waveforms are defined\n", "101 rising waveforms");
}

// Direct use for the tables that other owners hand over: pulse tables,
// golden waveforms. The frame stands at line 0 here.
class WaveformTable : public ModelKeywordTest {
protected:
    void SetUp() override
    {
        ModelKeywordTest::SetUp();
        PARSE_SetFileVersion(4);
        gbOldStyleErrors = 0;
    }
    void TearDown() override
    {
        WVFRM_Free(&m_pList);
        PARSE_SetFileVersion(0);
        ModelKeywordTest::TearDown();
    }
    std::string Table(const char* keyword, const char* name, const LineList& lines, int kind)
    {
        Take();
        EXPECT_EQ(WVFRM_New(keyword, &m_pList, name), 1);
        for (const std::string& l : lines) WVFRM_ReceiveLine(l.c_str(), name);
        WVFRM_Fini(name, kind);
        return Take();
    }
    WVFRM_STRUCT* m_pList = nullptr;
};

TEST_F(WaveformTable, PulseTablesCheckTheirEndsAndSigns)
{
    EXPECT_EQ(Table("[GND Pulse Table]", "GND Pulse Table", {"0 0 0 0", "1n -1 2 NA", "2n 1 0 NA", "3n 0 -1 NA"},
                    WVFRM_KIND_PULSE),
              "E2006 - Last Maximum Value Cannot Be 'NA' for GND Pulse Table Waveform Beginning at Line 0\n"
              "E2007 - First Minimum Value should be the same as the Last for GND Pulse Table Waveform Beginning "
              "at Line 0\n"
              "W2008 - Found some GND Pulse Table (Typical) offsets less than 0 for Table Beginning at Line 0\n"
              "W2008 - Found some GND Pulse Table (Minimum) offsets less than 0 for Table Beginning at Line 0\n");
    EXPECT_EQ(Table("[GND Pulse Table]", "GND Pulse Table", {"0 0 0 0", "1n 1 1 1", "2n 0.5 0 0"}, WVFRM_KIND_PULSE),
              "E2007 - First Typical Value should be the same as the Last for GND Pulse Table Waveform Beginning at "
              "Line 0\n");
    EXPECT_EQ(Table("[POWER Pulse Table]", "POWER Pulse Table", {"0 0 0 0", "1n -1 1 -1", "2n 0 0 0"},
                    WVFRM_KIND_PULSE),
              "W2009 - Found some POWER Pulse Table (Minimum) offsets greater than 0 for Table Beginning at Line 0\n");
    // Pulse tables keep 100 rows in every version; they need no fixtures.
    LineList rows;
    for (int i = 0; i < 101; ++i) rows.push_back(std::to_string(i) + "p 0 0 0");
    EXPECT_EQ(Table("[GND Pulse Table]", "GND Pulse Table", rows, WVFRM_KIND_PULSE),
              "E2018 (line    0) -\n    More than 100 data points provided for GND Pulse Table table\n");
}

TEST_F(WaveformTable, GoldenWaveformsRefuseFixtures)
{
    EXPECT_EQ(Table("[Rising Waveform Near]", "Rising Waveform Near", {"V_fixture = 1.0", "0 0 0 0", "1n 1 1 1"},
                    WVFRM_KIND_GOLDEN),
              "E2010 (line    0) - SubParameters are not allowed in Golden Waveforms\n");
    ASSERT_NE(m_pList, nullptr);
    EXPECT_EQ(m_pList->abSub[WVFRM_V_FIXTURE], 0);
    EXPECT_EQ(m_pList->rows.uCount, 2u);
}

TEST_F(WaveformTable, LinesWithoutACurrentTableAreIgnored)
{
    Take();
    EXPECT_EQ(WVFRM_ReceiveLine("0 0 0 0", "Rising Waveform"), 1);
    EXPECT_EQ(WVFRM_Fini("Rising Waveform", WVFRM_KIND_WAVEFORM), 1);
    EXPECT_EQ(Take(), "");
}

// Builds a table of the given times (typ/min/max all 0); "NA" gives an NA time.
WVFRM_STRUCT* TimesTable(WVFRM_STRUCT** ppList, const std::vector<std::string>& times)
{
    WVFRM_New("[Composite Current]", ppList, "Composite Current");
    for (const std::string& t : times) WVFRM_ReceiveLine((t + " 0 0 0").c_str(), "Composite Current");
    WVFRM_Fini("Composite Current", WVFRM_KIND_COMPOSITE);
    WVFRM_STRUCT* w = *ppList;
    while (w->pNext) w = w->pNext;
    return w;
}

TEST_F(WaveformTable, CompareUsesTheMagnitudeOfTheTime)
{
    struct {
        const char* what;
        std::vector<std::string> a, b;
        int result;
    } cases[] = {
        {"same points", {"0", "1n", "2n"}, {"0", "1n", "2n"}, 1},
        {"negative times, same points", {"-2n", "-1n", "0"}, {"-2n", "-1n", "0"}, 1},
        {"negative times within 1e-6", {"-2n", "-1n"}, {"-2.0000009n", "-1n"}, 1},
        {"negative times beyond 1e-6", {"-2n", "-1n"}, {"-2.000003n", "-1n"}, 0},
        {"positive times within and beyond 1e-6", {"0", "1n"}, {"0", "1.0000011n"}, 0},
        {"one point fewer", {"0", "1n", "2n"}, {"0", "1n"}, 0},
        {"one point more", {"0", "1n"}, {"0", "1n", "2n"}, 0},
        {"an NA against a value", {"0", "NA"}, {"0", "1n"}, 0},
        {"both empty", {}, {}, 1},
    };
    for (const auto& c : cases) {
        WVFRM_Free(&m_pList);
        WVFRM_STRUCT* a = TimesTable(&m_pList, c.a);
        WVFRM_STRUCT* b = TimesTable(&m_pList, c.b);
        Take();
        EXPECT_EQ(WVFRM_Compare(a, b, 3, "mod", "Falling"), c.result) << c.what;
        EXPECT_EQ(Take(), c.result ? ""
                                   : "E2021 - Model mod: Falling Waveform [3] and its Composite Current don't have "
                                     "identical time points\n")
            << c.what;
    }
}

}  // namespace
}  // namespace model_test

// [Ramp]: ratio lines, R_load and the end of the section, each case with its
// exact message lines in both print styles; then the values a record keeps.
#include <gtest/gtest.h>

#include <string>

#include "checker/ramp.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// An Output model whose [Ramp] stands on line 11; the ramp lines follow.
LineList RampModel(const LineList& ramp)
{
    return Cat({{"[Model] m", "Model_type Output", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5",
                 "[Ramp]"},
                ramp});
}

const char* const kRise = "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n";
const char* const kFall = "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n";

const Case kRampCases[] = {
    {"three ratios each, NA for minimum and maximum, R_load", "4.2",
     RampModel({kRise, "dV/dt_f 1.2/0.5n NA na", "R_load = 50"}), ""},
    {"ratios written with blanks around the slash inside one field are not split", "4.2",
     RampModel({kRise, "dV/dt_f 1.2/ 0.5n 1/1n 1/1n"}),
     "E1304 (line   13) - Incorrect Number of Line Items (4) For dV/dt_f: Expecting 3\n"
     "E1312 (line   13) - Invalid dV/dt_f Typical Value (\"1.2/\")\n"
     "E1312 (line   13) - Invalid dV/dt_f Minimum Value (\"0.5n\")\n"},
    {"typical NA", "4.2", RampModel({"dV/dt_r NA 1.0/0.6n 1.4/0.4n", kFall}),
     "E1309 (line   12) - 'NA' not allowed for dV/dt_r Typical value\n"},
    {"one ratio only", "4.2", RampModel({kRise, "dV/dt_f 1.2/0.5n"}),
     "E1308 (line   13) - No minimum Value Was Provided for dV/dt_f\n"
     "E1308 (line   13) - No maximum Value Was Provided for dV/dt_f\n"},
    {"two ratios", "4.2", RampModel({kRise, "dV/dt_f 1.2/0.5n 1/1n"}),
     "E1308 (line   13) - No maximum Value Was Provided for dV/dt_f\n"},
    {"no ratio at all, and four", "4.2", RampModel({"dV/dt_r", "dV/dt_f 1/1n 1/1n 1/1n 1/1n"}),
     "E1304 (line   12) - Incorrect Number of Line Items (0) For dV/dt_r: Expecting 3\n"
     "E1304 (line   13) - Incorrect Number of Line Items (4) For dV/dt_f: Expecting 3\n"},
    {"negative dV, zero dT, in typical and maximum", "4.2",
     RampModel({"dV/dt_r -1.2/0.5n NA NA", "dV/dt_f 1.2/0.5n NA 1/0"}),
     "E1310 (line   12) - dV must be greater than 0 in a Ramp specification\n"
     "E1310 (line   13) - dT must be greater than 0 in a Ramp specification\n"},
    {"a ratio without a slash", "4.2", RampModel({"dV/dt_r 1.2-0.5n NA NA", kFall}),
     "E1312 (line   12) - Invalid dV/dt_r Typical Value (\"1.2-0.5n\")\n"},
    {"a ratio with letters for a number", "4.2", RampModel({"dV/dt_r 1.2/abc NA NA", kFall}),
     "E1312 (line   12) - Invalid dV/dt_r Typical Value (\"1.2/abc\")\n"},
    {"a digit after the scale letter", "4.2", RampModel({"dV/dt_r 1.2/0.5n5 NA NA", kFall}),
     "W1311 (line   12) -\n    Suspicious Typical dV/dt_r Value (\"0.5n5\"); Numeric in Scale\n"},
    {"R_load forms", "4.2",
     Cat({RampModel({kRise, kFall, "R_load 50"}),
          {"[Model] n", "Model_type Output", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[Ramp]",
           kRise, kFall, "R_load = abc", "R_load = 5k0", "R_load = 60"}}),
     "E1313 (line   14) - Invalid Ramp R_load Line\n"
     "E1314 (line   23) - Invalid R_load Value (\"abc\")\n"
     "W1311 (line   24) - Suspicious Ramp R_load Value (\"5k0\"); Numeric in Scale\n"
     "E1307 (line   25) - R_load Already Defined For Model 'n'\n"},
    {"R_load with too many items", "4.2", RampModel({kRise, kFall, "R_load = 50 60"}),
     "E1304 (line   14) - Incorrect Number of Line Items (4) For R_load: Expecting 3\n"},
    {"a missing falling ratio is reported with the [Ramp] line", "4.2", Cat({RampModel({kRise}), Input("in")}),
     "E1306 - dV/dt_f Not Defined For Ramp Beginning on Line 11\n"},
    {"an empty ramp", "4.2", RampModel({}),
     "E1306 - dV/dt_r Not Defined For Ramp Beginning on Line 11\n"
     "E1306 - dV/dt_f Not Defined For Ramp Beginning on Line 11\n"},
    {"a ratio line given twice, an unknown line", "4.2", RampModel({kRise, kFall, kRise, "dv/dt_r 1/1n 1/1n 1/1n"}),
     "E1307 (line   14) - dV/dt_r Already Defined For Model 'm'\n"
     "E1305 (line   15) - Unknown Line Among Ramp Data\n"},
    {"items after the keyword; a second [Ramp] replaces the first", "4.2",
     {"[Model] m", "Model_type Output", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[Ramp] x",
      kRise, "[Ramp]", kRise, kFall},
     "E1304 (line   11) - Incorrect Number of Line Items (2) For Ramp: Expecting 1\n"
     "E1306 - dV/dt_f Not Defined For Ramp Beginning on Line 11\n"
     "E1300 (line   13) - Ramp Already Defined\n"},
};

TEST_F(ModelKeywordTest, RampLines) { Run(kRampCases, sizeof kRampCases / sizeof kRampCases[0]); }

TEST_F(ModelKeywordTest, RampRecordKeepsTheValues)
{
    RAMP_STRUCT* r = nullptr;
    ASSERT_EQ(RAMP_New("[Ramp]", &r), 1);
    ASSERT_NE(r, nullptr);
    RAMP_ReceiveLine("dV/dt_r 1.2/0.5n 1.0/0.6n NA", r, "m");
    RAMP_ReceiveLine("dV/dt_f 2/1n 1.5m/1p 3k/2u", r, "m");
    RAMP_ReceiveLine("R_load = 50x", r, "m");
    RAMP_Fini(r);
    EXPECT_EQ(Take(), "");
    ASSERT_NE(r->pRising, nullptr);
    EXPECT_EQ(r->pRising->typ.iState, RAMP_READ);
    EXPECT_DOUBLE_EQ(r->pRising->typ.dV, 1.2);
    EXPECT_DOUBLE_EQ(r->pRising->typ.dT, 0.5e-9);
    EXPECT_DOUBLE_EQ(r->pRising->min.dT, 0.6e-9);
    EXPECT_EQ(r->pRising->max.iState, RAMP_NA);
    ASSERT_NE(r->pFalling, nullptr);
    EXPECT_DOUBLE_EQ(r->pFalling->min.dV, 1.5e-3);
    EXPECT_DOUBLE_EQ(r->pFalling->min.dT, 1e-12);
    EXPECT_DOUBLE_EQ(r->pFalling->max.dV, 3e3);
    EXPECT_TRUE(r->bRLoad);
    EXPECT_DOUBLE_EQ(r->dRLoad, 50.0);
    // An invalid ratio stays absent; a second [Ramp] replaces the record.
    RAMP_STRUCT* before = r;
    ASSERT_EQ(RAMP_New("[Ramp]", &r), 1);
    EXPECT_NE(r, nullptr);
    EXPECT_EQ(r->pRising, nullptr);
    (void)before;
    RAMP_ReceiveLine("dV/dt_r x/1n 1/1n 1/1n", r, "m");
    ASSERT_NE(r->pRising, nullptr);
    EXPECT_EQ(r->pRising->typ.iState, RAMP_ABSENT);
    EXPECT_EQ(r->pRising->min.iState, RAMP_READ);
    Take();
    RAMP_Free(&r);
    EXPECT_EQ(r, nullptr);
}

}  // namespace
}  // namespace model_test

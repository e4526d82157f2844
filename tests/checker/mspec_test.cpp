// [Model Spec]: reading by version and model type, and the end-of-data rules
// (hysteresis, overshoot, pulse immunity, rising and falling references),
// each case with its exact message lines in both print styles.
#include <gtest/gtest.h>

#include <string>

#include "checker/ibis.h"
#include "checker/mdl.h"
#include "checker/mspec.h"
#include "checker/parse.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// An Input model with Vinl 0.8 and Vinh 2.0 whose [Model Spec] stands on
// line 11, the given lines from line 12, then [Voltage Range].
LineList InSpec(const LineList& lines)
{
    return Cat({{"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Model Spec]"},
                lines,
                {"[Voltage Range] 5 4.5 5.5"}});
}

// The same for an Output model (with its ramp).
LineList OutSpec(const LineList& lines)
{
    return Cat({{"[Model] o", "Model_type Output", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Model Spec]"},
                lines,
                {"[Voltage Range] 5 4.5 5.5"},
                Ramp()});
}

const LineList kHyst = {"Vinh+ 2.0 1.9 2.1", "Vinh- 1.8 1.7 1.9", "Vinl+ 1.0 0.9 1.1", "Vinl- 0.8 0.7 0.9"};

const Case kSpecCases[] = {
    {"thresholds, hysteresis, overshoot and pulses that agree", "4.2",
     InSpec(Cat({{"Vinh 2.0 1.9 2.1", "Vinl 0.8 0.7 0.9"}, kHyst,
                 {"S_overshoot_high 5.5 5.0 6.0", "S_overshoot_low -0.5 -0.4 -0.6", "D_overshoot_high 6 5.5 6.5",
                  "D_overshoot_low -1 -0.9 -1.1", "D_overshoot_time 1n 1n 1n", "Pulse_high 3 3 3",
                  "Pulse_low 0.5 0.5 0.5", "Pulse_time 1n 1n 1n"}})),
     ""},
    {"one hysteresis threshold alone", "4.2", InSpec({"Vinh+ 2.0 1.9 2.1"}),
     "W3809 - All  Hystereis Thresholds should be specified for Model Spec defined on line 11\n"},
    {"Vinh+ below Vinh-", "4.2",
     InSpec({"Vinh+ 1.75 1.7 1.9", "Vinh- 1.8 1.7 1.9", "Vinl+ 1.0 0.9 1.1", "Vinl- 0.8 0.7 0.9"}),
     "W3820 - Vinh+(Typ) is not greater than or equal to Vinh-(Typ) for Model Spec defined on line 11\n"},
    {"a negative static overshoot high: Min and Max take the typical", "4.2", InSpec({"S_overshoot_high -0.5 NA NA"}),
     "W3811 -\n    S_overshoot_high (Typ) is less than zero for Model Spec defined on line 11\n"
     "W3811 -\n    S_overshoot_high (Max) is less than zero for Model Spec defined on line 11\n"
     "W3811 -\n    S_overshoot_high (Min) is less than zero for Model Spec defined on line 11\n"},
    {"a positive static overshoot low, maximum only", "4.2", InSpec({"S_overshoot_low -0.3 -0.4 0.1"}),
     "W3810 - S_overshoot_low (Max) is greater than zero for Model Spec defined on line 11\n"},
    {"dynamic overshoot high alone", "4.2", InSpec({"D_overshoot_high 6 6 6"}),
     "E3812 - D_overshoot_high requires S_overshoot_high to be specified for Model Spec defined on line 11\n"
     "E3812 - D_overshoot_high requires D_overshoot_time to be specified for Model Spec defined on line 11\n"},
    {"dynamic overshoot low not below the static one", "4.2",
     InSpec({"S_overshoot_low -0.5 -0.6 -0.1", "D_overshoot_low -0.3 -0.7 -0.2", "D_overshoot_time 1n 1n 1n"}),
     "W3817 - D_overshoot_low(Typ) is not less than S_overshoot_low(Typ) for Model Spec defined on line 11\n"},
    {"an overshoot time alone is an orphan and is not sign-checked", "4.2", InSpec({"D_overshoot_time -1n -1n -1n"}),
     "W3814 - orphan D_overshoot_time found for Model Spec defined on line 11\n"},
    {"pulse high against the model's Vinl", "4.2", InSpec({"Pulse_high 0.5 0.4 1", "Pulse_time 1n 1n 1n"}),
     "W3818 - Pulse_high(Typ) is not greater than Vinl(Vinl) for Model Spec defined on line 11\n"
     "W3818 - Pulse_high(Min) is not greater than Vinl(Vinl) for Model Spec defined on line 11\n"},
    {"pulse low against the [Model Spec] Vinh, NA columns taking the typical", "4.2",
     InSpec({"Vinh 2.0 NA 1.0", "Pulse_low 1.5 NA 1.5", "Pulse_time 1n 1n 1n"}),
     "W3817 -\n    Pulse_low(Max) is not less than Vinh(Max) for Model Spec defined on line 11\n"},
    {"pulse limits with hysteresis compare with Vinh- and Vinl+", "4.2",
     InSpec(Cat({kHyst, {"Pulse_high 1.5 1.4 1.95", "Pulse_low 1.05 0.5 1.06", "Pulse_time 1n 1n 1n"}})),
     "W3818 - Pulse_high(Typ) is not greater than Vinh-(Typ) for Model Spec defined on line 11\n"
     "W3818 - Pulse_high(Min) is not greater than Vinh-(Min) for Model Spec defined on line 11\n"
     "W3817 - Pulse_low(Typ) is not less than Vinl+(Typ) for Model Spec defined on line 11\n"},
    {"pulse high without time or any threshold", "4.2",
     {"[Model] m", "Model_type Input", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Model Spec]", "Pulse_high 3 3 3",
      "[Voltage Range] 5 4.5 5.5"},
     "E3812 - Pulse_high requires Pulse_time to be specified for Model Spec defined on line 10\n"
     "E3812 - Pulse_high requires Thresholds or Hysteresis Thresholds to be specified for Model Spec defined on "
     "line 10\n"
     "W0184 - Model 'm': Model_type 'Input' must have Vinl set\n"},
    {"pulse time alone", "4.2", InSpec({"Pulse_time 1n 1n 1n"}),
     "W3814 - orphan Pulse_time found for Model Spec defined on line 11\n"},
    {"repeated lines, a typical NA, an unknown name", "4.2",
     InSpec({"Vinh 2.0 1.9 2.1", "Vinh 2.0 1.9 2.1", "Pulse_high NA 3 3", "Pulse_high 3 3 3", "Pulse_time 1n 1n 1n",
             "vinh 2 2 2"}),
     "E3807 (line   13) - Vinh Already Defined For Model 'm'\n"
     "E3808 (line   14) - 'NA' not allowed for Typical value\n"
     "E3807 (line   15) - PulseHigh Already Defined For Model 'm'\n"
     "E3806 (line   17) - Unknown Line Among Model Spec Data\n"},
    {"names of later versions", "4.2", OutSpec({"Vref_rising 0 0 0", "Vref_falling 0 0 0", "D_overshoot_amp_h 1 1 1"}),
     "E3806 (line   13) - Unknown Line Among Model Spec Data\n"},
    {"Vref is unknown to version 3.2", "3.2", OutSpec({"Vmeas 0.9 0.9 0.9", "Vref 0 0 0"}),
     "E3806 (line   12) - Unknown Line Among Model Spec Data\n"},
    {"rising without falling, and with the plain value", "4.2",
     OutSpec({"Vmeas 0.9 0.9 0.9", "Vmeas_rising 0.9 0.9 0.9", "Rref_falling 50 50 50"}),
     "E3815 - Vmeas_falling must be specified when Vmeas_rising is specified\n"
     "E3816 - Vmeas must not be specified when Vmeas_rising is specified\n"
     "E3815 - Rref_rising must be specified when Rref_falling is specified\n"},
    {"overshoot areas need their amplitudes", "5.0",
     OutSpec({"D_overshoot_area_h 1n 1n 1n", "D_overshoot_amp_l -1 1 1", "D_overshoot_area_l 1n 1n 1n"}),
     "W3903 (line   12) - Typ value is not in between Min and Max \n"
     "E3813 - D_overshoot_amp_h must be specified when D_overshoot_area_h is specified for [Model Spec] defined "
     "on line 10\n"
     "W3811 -\n    D_overshoot_amp_l (Typ) is less than zero for Model Spec defined on line 10\n"},
    {"Rref_diff of a differential model", "4.2",
     Cat({{"[Model] d", "Model_type Output_diff", "Rref_diff = 100", "C_comp 1p 1p 1p", "[Model Spec]",
           "Rref_diff 100 100 100", "[Voltage Range] 5 4.5 5.5"},
          Ramp()}),
     ""},
    {"type rules: Rref_diff of an I/O model, thresholds of an Output model", "4.2",
     Cat({{"[Model] io", "Model_type I/O", "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 1", "C_comp 1p 1p 1p", "[Model Spec]",
           "Rref_diff 100 100 100", "[Voltage Range] 5 4.5 5.5"},
          Ramp(), OutSpec({"Vinh 2 2 2", "Vmeas 1 1 1"})}),
     "W3805 (line   13) - Rref_diff should not be specified for model type I/O\n"
     "W3805 (line   23) - Vinh should not be specified for model type Output\n"},
    {"a model without type names a placeholder", "4.2",
     Cat({{"[Model] m", "C_comp 1p 1p 1p", "[Model Spec]", "Vinh 2 2 2", "[Voltage Range] 5 4.5 5.5"}, Ramp()}),
     "E0180 - Model 'm': Model_type Not Defined\n"
     "W3805 (line    9) - Vinh should not be specified for model type (not set)\n"},
    {"items after the keyword; a second [Model Spec]", "4.2",
     Cat({{"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Model Spec] x",
           "Vinh+ 2 2 2", "[Model Spec]", "Vinh 2 2 2", "[Voltage Range] 5 4.5 5.5"}}),
     "E3804 (line   11) -\n    Incorrect Number of Line Items (2) For Model Spec: Expecting 1\n"
     "W3809 - All  Hystereis Thresholds should be specified for Model Spec defined on line 11\n"
     "E3800 (line   13) - Model Specification: Already Defined for this model\n"},
};

TEST_F(ModelKeywordTest, ModelSpecification) { Run(kSpecCases, sizeof kSpecCases / sizeof kSpecCases[0]); }

TEST_F(ModelKeywordTest, ModelSpecificationKeepsRangesAndFlag)
{
    const std::string path = Write("a.ibs", CheckerFixture::Lines(File("4.2", InSpec(Cat({kHyst, {"Vinl 0.8 NA 0.9"}})))));
    Take();
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    MDL_STRUCT* models = nullptr;
    ASSERT_EQ(IBIS_GetMdls(&models), 1);
    const MSPEC_STRUCT* s = models->pMspec;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bHysteresis, 1);
    EXPECT_EQ(s->ulLine, 11u);
    ASSERT_NE(s->apRange[MSPEC_VINL_MINUS], nullptr);
    EXPECT_DOUBLE_EQ(s->apRange[MSPEC_VINL_MINUS]->max.dValue, 0.9);
    ASSERT_NE(s->apRange[MSPEC_VINL], nullptr);
    EXPECT_EQ(s->apRange[MSPEC_VINL]->min.iState, RNG_NA);
    EXPECT_EQ(s->apRange[MSPEC_VINH], nullptr);
    EXPECT_EQ(Take(), "");
    FINI();
    Take();
}

}  // namespace
}  // namespace model_test

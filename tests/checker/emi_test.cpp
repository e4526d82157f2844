// EMI keywords: complete component and model blocks raise nothing of blocks
// 4700 to 4900; each rule catches its fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/keywords.h"
#include "tests/checker/checker_fixture.h"

namespace {

using Body = std::vector<std::string>;

// Lines 1 to 11: header and component with pins 1 and 2; the component EMI
// lines from line 12; then a model whose EMI lines follow its line 7.
Body File(const Body& cmpEmi, const Body& mdlEmi)
{
    Body out = {"[IBIS Ver] 5.0", "[File Name] e.ibs", "[File Rev] 1", "[Component] c", "[Manufacturer] m",
                "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA", "C_pkg 1p NA NA",
                "[Pin] signal_name model_name", "1 s1 in"};
    out.insert(out.end(), cmpEmi.begin(), cmpEmi.end());
    out.insert(out.end(), {"2 s2 GND", "[Model] in", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0",
                           "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"});
    out.insert(out.end(), mdlEmi.begin(), mdlEmi.end());
    out.push_back("[End]");
    return out;
}

const Body kComponent = {"[Begin EMI Component]", "Domain Digital", "Cpd 10p 8p 12p", "C_Heatsink_gnd 1p NA NA",
                         "C_Heatsink_float 0.5p", "[Pin EMI] domain_name clock_div", "1 core 1", "[Pin Domain EMI]",
                         "2 core 100", "[End EMI Component]", "[Pin] signal_name model_name"};
const Body kModel = {"[Begin EMI Model]", "Model_emi_type Not_a_ferrite", "Model_Domain Digital", "[End EMI Model]"};

Body With(const Body& base, size_t at, const Body& lines, size_t drop = 1)
{
    Body out = base;
    out.erase(out.begin() + at, out.begin() + at + drop);
    out.insert(out.begin() + at, lines.begin(), lines.end());
    return out;
}

class EmiTest : public CheckerFixture {};

TEST_F(EmiTest, EachRuleCatchesItsFault)
{
    struct Case {
        const char* what;
        Body cmp, mdl;
        const char* expected;
    } cases[] = {
        {"complete blocks", kComponent, kModel, ""},
        {"an unknown component sub-parameter", With(kComponent, 1, {"Family Digital"}), kModel,
         "E4700 (line   13) - Unknown EMI sub-parameter 'Family' in Component 'c'\n"},
        {"Cpd twice", With(kComponent, 2, {"Cpd 10p", "Cpd 11p"}), kModel,
         "E4701 (line   15) - EMI sub-parameter Cpd given twice in Component 'c'\n"},
        {"Domain without its value", With(kComponent, 1, {"Domain"}), kModel,
         "E4702 (line   13) - Incorrect Number of Line Items (0) For Domain: Expecting 1\n"},
        {"a negative capacitance", With(kComponent, 2, {"Cpd -10p"}), kModel,
         "E4703 (line   14) -\n    Invalid Cpd value '-10p'; a number not below zero is expected\n"},
        {"NA as the typical value", With(kComponent, 2, {"Cpd NA 8p 12p"}), kModel,
         "E4703 (line   14) - Invalid Cpd value 'NA'; a number not below zero is expected\n"},
        {"a block not closed", With(kComponent, 9, {}), kModel,
         "E4704 (line   23) - Begin EMI Component not closed by End EMI Component\n"},
        {"a second block", With(kComponent, 10, {"[Begin EMI Component]", "[End EMI Component]", "[Pin] signal_name model_name"}),
         kModel, "E4705 (line   22) - Begin EMI Component given twice in Component 'c'\n"},
        {"a Pin EMI row of no pin", With(kComponent, 6, {"9 core 1"}), kModel,
         "E4900 - Pin EMI row names '9' (line 18), which is not a pin of Component 'c'\n"},
        {"a pin twice in Pin EMI", With(kComponent, 6, {"1 core 1", "1 core 2"}), kModel,
         "E4901 - Pin EMI row names pin '1' (line 19) again in Component 'c'\n"},
        {"an unknown model sub-parameter", kComponent, With(kModel, 2, {"Domain Digital"}),
         "E4800 (line   32) - Unknown EMI sub-parameter 'Domain' in Model 'in'\n"},
        {"a model type twice", kComponent, With(kModel, 2, {"Model_emi_type Ferrite"}),
         "E4801 (line   32) - EMI sub-parameter Model_emi_type given twice in Model 'in'\n"},
        {"an unknown model EMI type", kComponent, With(kModel, 1, {"Model_emi_type ferrite"}),
         "E4802 (line   31) -\n    Invalid Model_emi_type 'ferrite'; expected Ferrite or Not_a_ferrite\n"},
        {"a model block not closed", kComponent, With(kModel, 3, {}),
         "E4803 (line   33) - Begin EMI Model of Model 'in' not closed by End EMI Model\n"},
    };
    gbOldStyleErrors = 0;
    for (const Case& c : cases) {
        const std::string out = Check(Write("e.ibs", Lines(File(c.cmp, c.mdl))), FILE_TYPE_IBS);
        EXPECT_EQ(OnlyCodes(out, {"47", "48", "49"}), c.expected) << c.what << "\n" << out;
    }
}

}  // namespace

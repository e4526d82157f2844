// [Test Load] and [Test Data]: name rules, sub-parameter lines, the checks at
// the end of a section and after the whole file, each case with its exact
// message lines in both print styles.
#include <gtest/gtest.h>

#include <string>

#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// A test load of the given name and type with the given further lines.
LineList Load(const std::string& name, const std::string& type, const LineList& lines = {})
{
    return Cat({{"[Test Load] " + name, "Test_load_type " + type}, lines});
}

// A complete single-ended test data set of the given name on the given test
// load, driven by "out".
LineList Data(const std::string& name, const std::string& load, const LineList& lines = {},
              const std::string& type = "Single_ended")
{
    return Cat({{"[Test Data] " + name, "Test_data_type " + type, "Driver_model out", "Test_load " + load}, lines,
                {"[Rising Waveform Near]", "0 0 0 0", "1n 1 1 1"}});
}

const LineList kModels = Cat({Output("out"), Input("in")});  // lines 6 to 19

const Case kLoadCases[] = {
    {"a complete test load", "4.2",
     Cat({kModels, Load("tl", "Single_ended", {"C1_near = 1p", "Rs_near = 33", "Td = 1n", "Zo = 50", "Rp1_far = 50",
                                               "V_term1 1.8 1.7 1.9", "Receiver_model in"})}),
     ""},
    {"Test_load_type forms", "4.2",
     Cat({kModels, Load("a", "differential"), Load("b", "Bogus"), Load("c", "Differential x"),
          {"[Test Load] d", "Test_load_type = Differential", "[Test Load] e", "Test_load_type", "[Test Load] f",
           "Test_load_type Differential", "Test_load_type Differential"}}),
     "E2220 (line   21) -\n    Invalid Test_load_type (\"differential\") (try \"Differential\")\n"
     "E2221 (line   23) - Invalid Test_load_type (\"Bogus\")\n"
     "E2219 (line   25) -\n    Incorrect Number of Line Items (3) For Test_load_type: Expecting 2\n"
     "E2218 (line   27) - Invalid Test_load_type Line\n"
     "E2217 (line   29) - 'Test_load_type' Subparameter Missing Setting\n"
     "E2216 (line   32) - Test_load_type Already Defined For Test Load 'f'\n"},
    {"element value forms", "4.2",
     Cat({kModels, Load("tl", "Single_ended",
                        {"C1_near 1p", "C1_near = 1p", "Rs_near = abc", "Ls_near = 1n 2n", "Zo = 50", "Zo = 60",
                         "Bogus = 1"})}),
     "E2218 (line   22) - Invalid C1_near Line\n"
     "E2237 (line   23) - C1_near Already Defined For Test Load\n"
     "E2238 (line   24) - Invalid Rs_near Value (\"abc\")\n"
     "E2219 (line   25) - Incorrect Number of Line Items (4) For Ls_near: Expecting 3\n"
     "E2237 (line   27) - Zo Already Defined For Test Load\n"
     "E2214 (line   28) - Unknown Line Among Test Load\n"},
    {"the end-of-section rules", "4.2",
     Cat({kModels,
          {"[Test Load] none", "Td = 1n", "Rp1_near = 50", "Rp2_far = 50"},
          Load("se", "Single_ended", {"R_diff_near = 100", "R_diff_far = 100", "Receiver_model_inv in"}),
          Load("diff", "Differential", {"R_diff_near = 100", "Receiver_model_inv in"})}),
     "E2224 - Test Load 'none': Test_load_type Not Defined\n"
     "E2225 - Test Load 'none': If Td is specified then Zo must be specified also\n"
     "E2226 - Test Load 'none': V_term1 must be specified when Rp1_near or Rp1_far is specified\n"
     "E2227 - Test Load 'none': V_term2 must be specified when Rp2_near or Rp2_far is specified\n"
     "W2228 - Test Load 'se' : R_diff_near specified for Test_load_type which is not Differential\n"
     "W2229 - Test Load 'se' : R_diff_far specified for Test_load_type which is not Differential\n"
     "W2230 - Test Load 'se' : Receiver_model_inv specified for Test_load_type which is not Differential\n"
     "W2236 - Receiverr_model_inv 'in' in Test Load 'diff' is not associated with a Differential Pin.\n"
     "W2236 - Receiverr_model_inv 'in' in Test Load 'se' is not associated with a Differential Pin.\n"},
    {"V_term lines", "4.2",
     Cat({kModels, Load("tl", "Single_ended", {"V_term1 NA 1.0 1.2", "V_term1 1 1 1", "Rp1_near = 50"})}),
     "E2239 (line   22) - 'NA' Not Allowed For Typical Value\n"
     "E2216 (line   23) - V_term1 Already Defined For Test Load 'tl'\n"},
    {"names", "4.2",
     Cat({kModels, Load(std::string(110, 'x'), "Single_ended"), Load("GND", "Single_ended"),
          Load("a", "Single_ended"), Load("a", "Single_ended"), Load("b c", "Single_ended"),
          {"[Test Load]", "Test_load_type Single_ended"}}),
     "E0905 (line   20) - Exceeds 120 chararacters.\n"
     "E2210 (line   20) - Test Load Name Over 109 Characters Long\n"
     "E2211 (line   22) - Invalid Test Load Name (\"GND\"); Reserved Word.\n"
     "E2212 (line   26) - TestLoad Name Previously Defined (\"a\")\n"
     "E2209 (line   28) -\n    Incorrect Number of Line Items (2) For Keyword Test Load: Expecting 1\n"
     "E2208 (line   30) - 'Test Load' Keyword Missing name\n"},
    {"receiver models after the whole file", "4.2",
     Cat({kModels, Load("tl", "Differential",
                        {"Receiver_model out", "Receiver_model_inv gone", "Receiver_model in"}),
          Load("t2", "Single_ended", {"Receiver_model " + std::string(41, 'r')}),
          Load("t3", "Single_ended", {"Receiver_model NC"})}),
     "E2216 (line   24) - Receiver_model Already Defined For Test Load 'tl'\n"
     "E2222 (line   27) - Receiver_model Name Over 40 Characters Long\n"
     "E2223 (line   30) - Invalid Receiver_model (\"NC\"); Reserved Word.\n"
     "E2233 - Receiver_model 'NC' in Test Load 't3' is not defined in the file\n"
     "E2233 - Receiver_model 'rrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrr' in Test Load 't2' is not defined in the file\n"
     "W2234 - Driver_model 'out' in Test Load 'tl' is not an input type.\n"
     "E2235 - Receiver_model_inv 'gone' in Test Load 'tl' is not defined in the file\n"},
    {"an inverting receiver that serves a [Diff Pin] of the component", "4.2",
     Cat({{"[Component] d", "[Manufacturer] m", "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA", "C_pkg 1p NA NA",
           "[Pin] signal_name model_name", "1 A in", "2 B in", "[Diff Pin] inv_pin vdiff tdelay_typ tdelay_min tdelay_max",
           "1 2 0.1 NA NA NA"},
          Input("in"), Load("tl", "Differential", {"Receiver_model in", "Receiver_model_inv in"})}),
     ""},
    {"a file without models", "4.2", Cat({Load("a", "Single_ended"), Load("b", "Single_ended")}),
     "E2232 - Test Load 'b' references undefined models\n"
     "E2232 - Test Load 'a' references undefined models\n"},
};

const Case kDataCases[] = {
    {"a complete test data set", "4.2", Cat({kModels, Load("tl", "Single_ended"), Data("td", "tl")}), ""},
    {"no golden waveform; a Diff waveform in a single-ended set; a repeated waveform", "4.2",
     Cat({kModels, Load("tl", "Single_ended"),
          {"[Test Data] a", "Test_data_type Single_ended", "Driver_model out", "Test_load tl"},
          Data("b", "tl", {"[Diff Rising Waveform Near]", "0 0 0 0", "1n 1 1 1"}),
          Data("c", "tl", {"[Rising Waveform Near]", "0 0 0 0", "1n 1 1 1"})}),
     "E2334 - Test Data 'a': At least one Rising/Falling Waveform must be specified\n"
     "E2335 - Test Data 'b': Differential Rising/Falling Waveform can be specified only with Differential "
     "Test_data_type\n"
     "E2304 (line   43) - [Rising Waveform Near] Already Defined\n"},
    {"sub-parameter forms and the end of the sub-parameters", "4.2",
     Cat({kModels, Load("tl", "Single_ended"),
          {"[Test Data] a", "Driver_model = out", "Driver_model_inv in", "Bogus x", "Test_data_type Single_ended",
           "Test_data_type Differential", "[Falling Waveform Far]", "V_fixture = 1", "0 0 0 0", "1n 1 1 1"}}),
     "E2326 (line   23) - Invalid Driver_model Line\n"
     "E2322 (line   25) - Unknown Line Among Test Data\n"
     "E2324 (line   27) - Test_data_type Already Defined For Test Data 'a'\n"
     "E2332 - Test Data 'a': Driver_model Not Defined\n"
     "E2333 - Test Data 'a': Driver_model_inv can only be specified with Differential Test_data_type\n"
     "E2332 - Test Data 'a': Test_load Not Defined\n"
     "E2010 (line   29) - SubParameters are not allowed in Golden Waveforms\n"
     "W2339 - Driver_model 'in' in Test Data 'a' is not an output type.\n"
     "W2341 - Driver_model_inv 'in' in Test Data 'a' is not associated with a Differential Pin.\n"},
    {"the models and test load after the whole file", "4.2",
     Cat({kModels, Load("tl", "Differential"), Data("a", "tl"), Data("b", "gone"),
          {"[Test Data] c", "Test_data_type Differential", "Driver_model in", "Driver_model_inv nowhere",
           "Test_load tl", "[Diff Rising Waveform Far]", "0 0 0 0", "1n 1 1 1"}}),
     "W2339 - Driver_model 'in' in Test Data 'c' is not an output type.\n"
     "E2340 - Driver_model_inv 'nowhere' in Test Data 'c' is not defined in the file\n"
     "E2343 - Test Load 'gone' referenced in Test Data 'b' is not defined in the file\n"
     "E2344 - Test_data_type in Test Data 'a' is not the same as Test_load_type in referenced Test Load 'tl'\n"},
    {"a file without test loads or models", "4.2", Cat({Data("a", "tl"), Data("b", "tl")}),
     "E2337 - Test Data 'b' references undefined models\n"
     "E2342 - Test Data 'b' references undefined Test Loads\n"
     "E2337 - Test Data 'a' references undefined models\n"
     "E2342 - Test Data 'a' references undefined Test Loads\n"},
};

TEST_F(ModelKeywordTest, TestLoads) { Run(kLoadCases, sizeof kLoadCases / sizeof kLoadCases[0]); }
TEST_F(ModelKeywordTest, TestData) { Run(kDataCases, sizeof kDataCases / sizeof kDataCases[0]); }

}  // namespace
}  // namespace model_test

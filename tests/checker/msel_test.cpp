// [Model Selector]: the name and model lines, the end of a section and the
// whole-file test with the differential classes of its models; exact message
// lines in both print styles.
#include <gtest/gtest.h>

#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// A component whose pins 1 and 2 form a [Diff Pin] pair on model d (lines 4
// to 17).
const LineList kDiffComponent = Cmp({"[Pin] signal_name model_name", "1 A d", "2 B d", "3 C in",
                                     "[Diff Pin] inv_pin vdiff tdelay_typ", "1 2 0.2 0"});

const std::string kModelLines =
    "E4011 (line   29) -\n    Incorrect Number of Line Items (1) For Keyword Model Selector: Expecting 2\n"
    "E4017 (line   30) - Model Name Over 40 Characters Long\n"
    "E4018 (line   31) - Invalid Model Name (\"NA\")\n"
    "E4019 (line   32) - Model Descriptor string '" + std::string(75, 'd') +
        "' is too long, truncating to 70 characters.\n"
    "W4006 - Model Selector: 'one' has only one model defined\n"
    "E4012 (line   35) - Model Selector Name Over 40 Characters Long\n"
    "W4022 - Model d in Model Selector " + std::string(40, 'n') +
        " is Differential, but this Model Selector contains Single Ended models too \n"
    "E4024 - Model '" + std::string(40, 'm') + "' in Model Selector 's' is not defined in the file\n"
    "E4024 - Model 'abcdefghij' in Model Selector 's' is not defined in the file\n";


const Case kCases[] = {
    {"two models with descriptions: nothing", "4.2",
     Cat({kDiffComponent, Input("d"), Input("in"), {"[Model Selector] s", "in first model", "NC second model"}}),
     ""},
    {"names", "3.2",
     Cat({kDiffComponent, Input("d"), Input("in"),
          {"[Model Selector]", "[Model Selector] a b", "in x", "in y", "[Model Selector] " + std::string(21, 'n'),
           "in x", "in y", "[Model Selector] gnd", "in x", "in y", "[Model Selector] a", "in x", "in y",
           "[Model Selector] in", "in x", "in y"}}),
     "E4010 (line   28) - 'Model Selector' Keyword Missing name\n"
     "E4005 - Model Selector: '' has no models defined\n"
     "E4011 (line   29) -\n    Incorrect Number of Line Items (2) For Keyword Model Selector: Expecting 1\n"
     "E4025 (line   31) - Model 'in'. already used in this Model Selector\n"
     "E4012 (line   32) - Model Selector Name Over 20 Characters Long\n"
     "E4025 (line   34) - Model 'in'. already used in this Model Selector\n"
     "E4013 (line   35) - Invalid Model SelectorName (\"gnd\"); Reserved Word.\n"
     "E4025 (line   37) - Model 'in'. already used in this Model Selector\n"
     "E4014 (line   38) - Model Selector Name Previously Defined (\"a\")\n"
     "E4025 (line   40) - Model 'in'. already used in this Model Selector\n"
     "E4025 (line   43) - Model 'in'. already used in this Model Selector\n"
     "E4021 - 'in' is the name of a Model and a Model Selector\n"},
    {"model lines", "4.2",
     Cat({kDiffComponent, Input("d"), Input("in"),
          {"[Model Selector] s", "in", std::string(41, 'm') + " x", "na x", "abcdefghij " + std::string(75, 'd'),
           "[Model Selector] one", "in only", "[Model Selector] " + std::string(41, 'n'), "in x", "d y"}}),
     kModelLines.c_str()},
    {"a selector that starts differential", "4.2",
     Cat({kDiffComponent, Input("d"), Input("in"), {"[Model Selector] s", "d x", "in y", "GND z"}}),
     "W4023 - Model in in Model Selector s is Single Ended, but this Model Selector contains Differential models too \n"
     "W4023 - Model GND in Model Selector s is Single Ended, but this Model Selector contains Differential models "
     "too \n"},
    {"a file without models", "4.2", Cat({Cmp({"[Pin] signal_name model_name", "1 A POWER"}), {"[Model Selector] s", "x a", "GND b"}}),
     "E4024 - Model 'x' in Model Selector 's' is not defined in the file\n"
     "E4024 - Model 'GND' in Model Selector 's' is not defined in the file\n"},
};

class ModelSelectorTest : public ModelKeywordTest {};

TEST_F(ModelSelectorTest, MessagesOfEachCaseInBothStyles) { RunIbs(kCases, sizeof kCases / sizeof kCases[0]); }

}  // namespace
}  // namespace model_test

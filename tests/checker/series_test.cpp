// Series data of models: complete Series and Series_switch models raise
// nothing of blocks 2800 and 2900; each rule catches its fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/keywords.h"
#include "tests/checker/checker_fixture.h"

namespace {

using Body = std::vector<std::string>;

Body operator+(Body a, const Body& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Body File(const Body& model)
{
    Body out = {"[IBIS Ver] 4.2", "[File Name] s.ibs", "[File Rev] 1", "[Component] c", "[Manufacturer] m",
                "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA", "C_pkg 1p NA NA",
                "[Pin] signal_name model_name", "1 s1 s"};
    out.insert(out.end(), model.begin(), model.end());
    out.push_back("[End]");
    return out;
}

Body Series(const Body& rest) { return Body{"[Model] s", "Model_type Series", "C_comp 0 NA NA"} + rest; }
Body Switch(const Body& rest)
{
    return Body{"[Model] s", "Model_type Series_switch", "C_comp 0 NA NA", "[Voltage Range] 3.3 3 3.6"} + rest;
}

struct Case {
    const char* what;
    Body model;
    const char* expected;
};

class SeriesTest : public CheckerFixture {};

TEST_F(SeriesTest, EachRuleCatchesItsFault)
{
    const Body mosfet = {"[Series MOSFET]", "Vds = 1.0", "| V I(typ) I(min) I(max)", "5.0 0.25 0.15 0.4",
                         "0.0 0 0 0"};
    const Body mosfet2 = {"[Series MOSFET]", "Vds = 2.0", "5.0 0.5 0.3 0.8", "0.0 0 0 0"};
    const Case cases[] = {
        {"a Series model with a resistor", Series({"[R Series] 200 NA NA"}), ""},
        {"a Series model with every element",
         Series({"[R Series] 1 NA NA", "[L Series] 1n NA NA", "[Rl Series] 1 NA NA", "[C Series] 1p NA NA",
                 "[Lc Series] 1n NA NA", "[Rc Series] 1 NA NA"}),
         ""},
        {"a Series_switch model with On and Off",
         Switch(Body{"[On]", "[R Series] 8 6 12"} + mosfet + mosfet2 + Body{"[Off]", "[R Series] 1M NA NA"}), ""},
        {"an Input model with a series resistor",
         {"[Model] s", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5",
          "[R Series] 8 NA NA"},
         "E2900 - Model 's' of type Input holds [R Series]; series keywords belong to Series and Series_switch "
         "models\n"},
        {"a Series model without elements", Series({}), "E2901 - Series Model 's' describes no series element\n"},
        {"a Series_switch model with an empty On", Switch({"[On]", "[Off]", "[R Series] 8 NA NA"}),
         "E2902 - Series_switch Model 's': the [On] section describes no series element\n"},
        {"Rl Series without L Series", Series({"[R Series] 1 NA NA", "[Rl Series] 1 NA NA"}),
         "E2903 - Model 's': [Rl Series] requires [L Series]\n"},
        {"Rc Series without C Series in Off", Switch({"[On]", "[R Series] 8 NA NA", "[Off]", "[Rc Series] 1 NA NA"}),
         "E2903 - Model 's': [Off] [Rc Series] requires [C Series]\n"},
        {"a negative series inductance", Series({"[L Series] -1n NA NA"}),
         "E2904 - Model 's': [L Series] has a negative value\n"},
        {"a Series MOSFET table without Vds",
         Switch(Body{"[On]", "[Series MOSFET]", "5.0 0.25 0.15 0.4", "0.0 0 0 0", "[Off]", "[R Series] 1M NA NA"}),
         "E2800 - Model 's': [On] [Series MOSFET] table 1 has no Vds line\n"},
        {"a Series MOSFET table with Vds 0",
         Switch(Body{"[On]", "[Series MOSFET]", "Vds = 0", "5.0 0.25 0.15 0.4", "0.0 0 0 0", "[Off]",
                     "[R Series] 1M NA NA"}),
         "W2801 - Model 's': [On] [Series MOSFET] table 1 has Vds 0; a positive Vds is expected\n"},
        {"two Series MOSFET tables with one Vds",
         Switch(Body{"[On]"} + mosfet + mosfet + Body{"[Off]", "[R Series] 1M NA NA"}),
         "E2802 - Model 's': [On] [Series MOSFET] table 2 repeats the Vds of table 1 (1)\n"},
    };
    gbOldStyleErrors = 0;
    for (const Case& c : cases) {
        const std::string out = Check(Write("s.ibs", Lines(File(c.model))), FILE_TYPE_IBS);
        EXPECT_EQ(OnlyCodes(out, {"28", "29"}), c.expected) << c.what << "\n" << out;
    }
}

}  // namespace

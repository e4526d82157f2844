// [External Model] inside a model and [External Circuit]: complete groups
// raise nothing of block 1800; each sub-parameter rule catches its fault,
// in both groups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/keywords.h"
#include "tests/checker/checker_fixture.h"

namespace {

using Body = std::vector<std::string>;

// Lines 1 to 10 are the header and a model; line 11 opens the group under
// test, whose sub-parameter lines start at line 12; the component follows.
Body File(bool circuit, const Body& sub, bool closed = true)
{
    Body out = {"[IBIS Ver] 5.0", "[File Name] x.ibs", "[File Rev] 1", "[Model] io", "Model_type I/O",
                "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Voltage Range] 3.3 3 3.6",
                circuit ? "[External Circuit] xc" : "[External Model]"};
    out.insert(out.end(), sub.begin(), sub.end());
    if (closed) out.push_back(circuit ? "[End External Circuit]" : "[End External Model]");
    out.insert(out.end(), {"[Component] c", "[Manufacturer] m", "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA",
                           "C_pkg 1p NA NA", "[Pin] signal_name model_name", "1 s1 io", "[End]"});
    return out;
}

const Body kValid = {"Language SPICE", "Corner Typ io_typ.sp io_typ", "Corner Min io_min.sp io_min",
                     "Parameters p1 p2", "Ports A_signal my_drive my_enable", "Ports A_puref A_pdref",
                     "D_to_A my_drive A_puref A_pdref 0 3.3 50p 50p", "A_to_D my_receive A_signal A_pdref 0.8 2.0 Typ"};

Body With(size_t at, const Body& lines, size_t drop = 1)
{
    Body out = kValid;
    out.erase(out.begin() + at, out.begin() + at + drop);
    out.insert(out.begin() + at, lines.begin(), lines.end());
    return out;
}

struct Case {
    const char* what;
    Body sub;
    const char* expected;  // "%s" stands for the group's kind and name
    bool closed = true;
};

class ExternalTest : public CheckerFixture {};

TEST_F(ExternalTest, EachRuleCatchesItsFaultInBothGroups)
{
    const Case cases[] = {
        {"a complete group", kValid, ""},
        {"an unknown language", With(0, {"Language Fortran"}),
         "E1802 (line   12) - Invalid Language 'Fortran'; expected SPICE, VHDL-AMS, Verilog-AMS, VHDL-A(MS) or "
         "Verilog-A(MS)\n"},
        {"no language", With(0, {}), "E1806 - Language missing in %s\n"},
        {"language twice", With(0, {"Language SPICE", "Language SPICE"}),
         "E1801 (line   13) - Language given twice in %s\n"},
        {"no Typ corner", With(1, {}), "E1806 - Corner Typ missing in %s\n"},
        {"a corner line of two items", With(2, {"Corner Min io_min.sp"}),
         "E1803 (line   14) - Corner line requires a corner name, a file name and a circuit name, found 2 items\n"},
        {"an unknown corner", With(2, {"Corner Fast f.sp f"}),
         "E1804 (line   14) - Invalid corner name 'Fast'; expected Typ, Min or Max\n"},
        {"a corner twice", With(2, {"Corner Typ f.sp f"}), "E1805 (line   14) - Corner Typ given twice in %s\n"},
        {"no ports", With(4, {}, 2), "E1806 - Ports missing in %s\n"
                                     "E1811 - Port 'A_puref' of the converter line 16 is not listed under Ports of %s\n"
                                     "E1811 - Port 'A_pdref' of the converter line 16 is not listed under Ports of %s\n"
                                     "E1811 - Port 'A_signal' of the converter line 17 is not listed under Ports of %s\n"
                                     "E1811 - Port 'A_pdref' of the converter line 17 is not listed under Ports of %s\n"},
        {"a port twice", With(5, {"Ports A_puref A_pdref A_signal"}), "E1809 (line   17) - Port 'A_signal' listed twice in %s\n"},
        {"a converter port not under Ports", With(6, {"D_to_A my_drive A_gcref A_pdref 0 3.3 50p 50p"}),
         "E1811 - Port 'A_gcref' of the converter line 18 is not listed under Ports of %s\n"},
        {"a D_to_A line short of tfall", With(6, {"D_to_A my_drive A_puref A_pdref 0 3.3 50p"}),
         "E1810 (line   18) -\n    Incorrect Number of Line Items (6) For D_to_A: Expecting 7 or 8\n"},
        {"vlow above vhigh", With(7, {"A_to_D my_receive A_signal A_pdref 2.0 0.8"}),
         "E1813 (line   19) - A_to_D: vlow 2.0 must lie below vhigh 0.8\n"},
        {"a zero rise time", With(6, {"D_to_A my_drive A_puref A_pdref 0 3.3 0 50p"}),
         "E1814 (line   18) - D_to_A: trise 0 and tfall 50p must be above zero\n"},
        {"a value that is not a number", With(6, {"D_to_A my_drive A_puref A_pdref low 3.3 50p 50p"}),
         "E1812 (line   18) - D_to_A value 'low' is not a number\n"},
        {"an unknown sub-parameter", With(3, {"Parameter p1"}), "E1800 (line   15) - Unknown sub-parameter 'Parameter' in %s\n"},
        {"no end keyword", kValid, "E1815 (line   20) - %s not closed by its end keyword\n", false},
    };
    gbOldStyleErrors = 0;
    for (bool circuit : {false, true}) {
        const std::string group = circuit ? "External Circuit 'xc'" : "External Model 'io'";
        for (const Case& c : cases) {
            std::string expected = c.expected;
            for (size_t at; (at = expected.find("%s")) != std::string::npos;) expected.replace(at, 2, group);
            const std::string out = Check(Write("x.ibs", Lines(File(circuit, c.sub, c.closed))), FILE_TYPE_IBS);
            EXPECT_EQ(OnlyCodes(out, {"18"}), expected) << c.what << (circuit ? " (circuit)" : " (model)") << "\n"
                                                        << out;
        }
    }
}

}  // namespace

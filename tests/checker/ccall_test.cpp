// [Node Declarations] and [Circuit Call]: a complete component with nodes and
// a call of an external circuit raises nothing of block 1800; each rule
// catches its fault; the node names stay with the component in file order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/ccall.h"
#include "checker/cmpnt.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "tests/checker/checker_fixture.h"

namespace {

using Body = std::vector<std::string>;

// Lines 1 to 11: header and component up to its pins; the lines under test
// start at line 12; then the external circuit and a model.
Body File(const Body& calls)
{
    Body out = {"[IBIS Ver] 5.0", "[File Name] c.ibs", "[File Rev] 1", "[Component] c", "[Manufacturer] m",
                "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA", "C_pkg 1p NA NA",
                "[Pin] signal_name model_name", "1 s1 CIRCUITCALL"};
    out.insert(out.end(), calls.begin(), calls.end());
    out.insert(out.end(), {"2 s2 GND", "[External Circuit] xc", "Language SPICE", "Corner Typ xc.sp xc",
                           "Ports A B C", "[End External Circuit]", "[End]"});
    return out;
}

const Body kValid = {"[Node Declarations]", "n1 n2", "[End Node Declarations]", "[Circuit Call] xc", "Signal_pin 1",
                     "Port_map A 1", "Port_map B n1", "Port_map C 2", "[End Circuit Call]", "[Pin] signal_name model_name"};

Body With(size_t at, const Body& lines, size_t drop = 1)
{
    Body out = kValid;
    out.erase(out.begin() + at, out.begin() + at + drop);
    out.insert(out.begin() + at, lines.begin(), lines.end());
    return out;
}

class CircuitCallTest : public CheckerFixture {};

TEST_F(CircuitCallTest, EachRuleCatchesItsFault)
{
    struct Case {
        const char* what;
        Body calls;
        const char* expected;
    } cases[] = {
        {"a complete call", kValid, ""},
        {"a call of no external circuit", With(3, {"[Circuit Call] yc"}),
         "E1823 - Circuit Call 'yc' (line 15) of Component 'c' names no External Circuit of this file\n"},
        {"a call without a circuit name", With(3, {"[Circuit Call]"}),
         "E1820 (line   15) -\n    Circuit Call keyword requires one external circuit name, found 0\n"},
        {"a port the circuit does not list", With(5, {"Port_map D 1"}),
         "E1824 - Port 'D' (line 17) is not listed under Ports of External Circuit 'xc'\n"},
        {"a port mapped twice", With(6, {"Port_map A n1"}),
         "E1819 (line   18) - Port 'A' mapped twice in Circuit Call 'xc'\n"},
        {"a target that is neither pin nor node", With(6, {"Port_map B n3"}),
         "E1822 - Port_map target 'n3' (line 18) of Circuit Call 'xc' is neither a pin nor a declared node of "
         "Component 'c'\n"},
        {"a signal pin the component lacks", With(4, {"Signal_pin 9"}),
         "E1821 - Pin '9' (line 16) of Circuit Call 'xc' is not a pin of Component 'c'\n"},
        {"two pin sub-parameters", With(4, {"Signal_pin 1", "Series_pins 1 2"}),
         "E1818 (line   17) - Circuit Call 'xc': only one of Signal_pin, Diff_signal_pins and Series_pins may be given\n"},
        {"a pair sub-parameter with one pin", With(4, {"Diff_signal_pins 1"}),
         "E1817 (line   16) -\n    Incorrect Number of Line Items (1) For Diff_signal_pins: Expecting 2\n"},
        {"an unknown sub-parameter", With(4, {"Signal 1"}),
         "E1800 (line   16) - Unknown sub-parameter 'Signal' in Circuit Call 'xc'\n"},
        {"a call not closed", With(8, {}), "E1825 (line   20) - Circuit Call not closed by End Circuit Call\n"},
        {"node declarations not closed", With(2, {}),
         "E1825 (line   14) - Node Declarations not closed by End Node Declarations\n"},
        {"an end without its group", With(2, {"[End Node Declarations]", "[End Circuit Call]"}),
         "E1816 (line   15) - End Circuit Call keyword without its opening keyword\n"},
    };
    gbOldStyleErrors = 0;
    for (const Case& c : cases) {
        const std::string out = Check(Write("c.ibs", Lines(File(c.calls))), FILE_TYPE_IBS);
        EXPECT_EQ(OnlyCodes(out, {"18"}), c.expected) << c.what << "\n" << out;
    }
}

TEST_F(CircuitCallTest, NodeNamesStayWithTheComponentInFileOrder)
{
    const std::string path =
        Write("c.ibs", Lines(File({"[Node Declarations]", "n2 n1", "n3", "GND", "[End Node Declarations]",
                                   "[Pin] signal_name model_name"})));
    gbOldStyleErrors = 0;
    Take();
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    EXPECT_EQ(OnlyCodes(Take(), {"19"}), "E1916 (line   15) - Illegal use of Reserved Word 'GND'.\n");
    CMPNT_STRUCT* c = nullptr;
    ASSERT_EQ(IBIS_GetCmpnts(&c), 1);
    ASSERT_EQ(CCALL_NodeCount(c), 3u);
    EXPECT_STREQ(CCALL_NodeName(c, 0), "n2");
    EXPECT_STREQ(CCALL_NodeName(c, 1), "n1");
    EXPECT_STREQ(CCALL_NodeName(c, 2), "n3");
    EXPECT_STREQ(CCALL_NodeName(c, 3), "");
    FINI();
    Take();
}

}  // namespace

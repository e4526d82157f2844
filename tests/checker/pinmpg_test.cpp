// [Pin Mapping]: header, data lines and the bus checks at the end of a
// component, each case with its exact message lines in both print styles.
#include <gtest/gtest.h>

#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// Pin 1 a signal pin, 2 GND, 3 POWER, 4 NC; the [Pin Mapping] keyword is
// line 15.
LineList Mapped(const std::string& header, const LineList& rows)
{
    return Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VSS GND", "3 VDD POWER", "4 X NC",
                     "[Pin Mapping]" + header}),
                rows, Input("in")});
}

const std::string k5 = " pulldown_ref pullup_ref gnd_clamp_ref power_clamp_ref";
const std::string k6 = k5 + " ext_ref";

const Case kCases[] = {
    {"supply pins on their own buses: nothing", "4.2",
     Mapped(" pulldown_ref pullup_ref", {"1 GNDBUS PWRBUS", "2 GNDBUS NC", "3 NC PWRBUS", "4 NC NC"}), ""},
    {"the same with clamps and an external reference", "4.2",
     Mapped(k6, {"1 GNDBUS PWRBUS GNDBUS PWRBUS PWRBUS", "2 GNDBUS nc", "3 NC PWRBUS", "4 NC NC"}), ""},
    {"headers", "4.2",
     Cat({Mapped("", {"[Pin Mapping] x"}), Cmp({"[Pin] signal_name model_name", "1 A in", "[Pin Mapping] pullup_ref "
                                                "pulldown_ref gnd_clamp_ref"}, "d")}),
     "E0528 (line   15) - Unable to find column headers after Pin_Mapping keyword.\n"
     "E0525 (line   16) - Duplicate Pin_Mapping keyword found.\n"
     "E0526 (line   31) -\n    [Diff Pin] keyword column count must be 3,5 or 6 found 4 columns.\n"
     "E0529 (line   31) - 'pulldown_ref' column header not found or out of order.\n"
     "E0529 (line   31) - 'pullup_ref' column header not found or out of order.\n"
     "E0612 - Component 'd': Pin '1' not referenced in Pin Mappings.\n"
     "E0612 - Component 'c': Pin '1' not referenced in Pin Mappings.\n"
     "E0612 - Component 'c': Pin '2' not referenced in Pin Mappings.\n"
     "E0612 - Component 'c': Pin '3' not referenced in Pin Mappings.\n"
     "E0612 - Component 'c': Pin '4' not referenced in Pin Mappings.\n"},
    {"version 3.2: counts of 3 or 5 only, the short forms of the supply warnings", "3.2",
     Mapped(" pulldown_ref pullup_ref gnd_clamp_ref", {"1 GNDBUS PWRBUS a b c", "2 GNDBUS PWRBUS", "3 GNDBUS PWRBUS",
                                                      "4 NC NC NC NC NC"}),
     "E0532 (line   15) -\n    Pin_Mappings keyword column count must be 3 or 5, found 4 columns.\n"
     "E0705 (line   16) - Pin Mapping data lines must contain either 3 or 5 columns.\n"
     "E0705 (line   19) - Pin Mapping data lines must contain either 3 or 5 columns.\n"
     "W0712 - Pin 2 is a GND pin. Usually only has Pulldown_ref in Pin Mapping\n"
     "W0710 - Pin 3 is a POWER pin. Usually only has Pullup_ref in Pin Mapping\n"
     "W0721 - Component 'c': Pin Mapping 'PWRBUS': pullup_ref entry is usually connected to POWER.\n"
     "E0722 - Component 'c': Pin Mapping gnd_clamp_ref entry 'a' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0724 - Component 'c': Pin Mapping power_clamp_ref entry 'b' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"},
    {"data lines: counts, missing and NA columns, long names, duplicates, unknown pins", "4.2",
     Mapped(" pulldown_ref pullup_ref",
            {"1 GNDBUS PWRBUS a b c d", "2", "3 NA PWRBUS", "4 NC NC NC NC", "1 GNDBUS PWRBUS x y z",
             "1234567 " + std::string(16, 'b') + " PWRBUS", "9 GNDBUS PWRBUS"}),
     "E0700 (line   16) - Extra data columns on this line.\n"
     "E0704 (line   16) -\n    Pin Mapping data lines must contain either 3, 5 or 6 columns.\n"
     "E0702 (line   17) - No pulldown_ref data.\n"
     "E0703 (line   17) - No pullup_ref data.\n"
     "E0704 (line   17) -\n    Pin Mapping data lines must contain either 3, 5 or 6 columns.\n"
     "E0729 (line   18) - NA is an invalid Pin_Mapping column entry.\n"
     "E0706 (line   19) - When 5 columns are specified, the headings gnd_clamp_ref and power_clamp_ref must be "
     "used.\n"
     "E0707 (line   20) - When 6 columns are specified, the headings gnd_clamp_ref, power_clamp_ref and ext_ref "
     "must be used.\n"
     "E0708 (line   20) - Duplicate Pin Mapping Pin.\n"
     "E1912 (line   21) -\n    Pin string '1234567' is too long, truncating to 5 characters.\n"
     "E1912 (line   21) - pulldown_ref string 'bbbbbbbbbbbbbbbb' is too long, truncating to 15 characters.\n"
     "W0711 - Component c Pin 2 is a GND pin. Usually only has Pulldown_ref in Pin Mapping\n"
     "W0709 - Component c Pin 3 is a POWER pin. Usually only has Pullup_ref in Pin Mapping\n"
     "E0715 - Component 'c': Pin Mapping Pin '12345' not previously declared in Pin section.\n"
     "E0715 -\n    Component 'c': Pin Mapping Pin '9' not previously declared in Pin section.\n"
     "E0716 - Component 'c': Pin Mapping pulldown_ref entry 'GNDBUS' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0716 - Component 'c': Pin Mapping pulldown_ref entry 'GNDBUS' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0716 - Component 'c': Pin Mapping pulldown_ref entry 'bbbbbbbbbbbbbbb' is not connected to at least one pin "
     "whose model_name is POWER or GND.\n"
     "E0716 - Component 'c': Pin Mapping pulldown_ref entry 'GNDBUS' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0722 - Component 'c': Pin Mapping gnd_clamp_ref entry 'a' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0722 - Component 'c': Pin Mapping gnd_clamp_ref entry 'x' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0724 - Component 'c': Pin Mapping power_clamp_ref entry 'b' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0724 - Component 'c': Pin Mapping power_clamp_ref entry 'y' is not connected to at least one pin whose "
     "model_name is POWER or GND.\n"
     "E0726 - Component 'c': Pin Mapping ext_ref entry 'c' is not connected to at least one pin whose model_name "
     "is POWER or GND.\n"
     "E0726 - Component 'c': Pin Mapping ext_ref entry 'z' is not connected to at least one pin whose model_name "
     "is POWER or GND.\n"},
    {"a pulldown bus that reaches only a POWER pin", "4.2",
     Mapped(" pulldown_ref pullup_ref", {"1 GNDBUS PWRBUS", "2 NC NC", "3 GNDBUS PWRBUS", "4 NC NC"}),
     "W0711 - Component c Pin 2 is a GND pin. Usually only has Pulldown_ref in Pin Mapping\n"
     "W0709 - Component c Pin 3 is a POWER pin. Usually only has Pullup_ref in Pin Mapping\n"
     "W0717 - Component 'c': Pin Mapping 'GNDBUS': pulldown_ref entry is usually connected to GND.\n"},
    {"buses reaching supplies of the other kind first", "4.2",
     Mapped(k6, {"1 PB GB GB PB XB", "2 PB GB", "3 GB PB NC NC XB", "4 NC NC"}),
     "W0711 - Component c Pin 2 is a GND pin. Usually only has Pulldown_ref in Pin Mapping\n"
     "W0709 - Component c Pin 3 is a POWER pin. Usually only has Pullup_ref in Pin Mapping\n"
     "W0718 - Component c: Pulldown Reference PB is also used as a Pullup Reference\n"
     "W0718 - Component c: Pulldown Reference GB is also used as a Pullup Reference\n"
     "W0721 - Component 'c': Pin Mapping 'GB': pullup_ref entry is usually connected to POWER.\n"
     "W0723 - Component 'c': Pin Mapping 'GB': gnd_clamp_ref entry is usually connected to GND.\n"
     "E0726 - Component 'c': Pin Mapping ext_ref entry 'XB' is not connected to at least one pin whose model_name "
     "is POWER or GND.\n"},
};

class PinMappingTest : public ModelKeywordTest {};

TEST_F(PinMappingTest, MessagesOfEachCaseInBothStyles) { RunIbs(kCases, sizeof kCases / sizeof kCases[0]); }

}  // namespace
}  // namespace model_test

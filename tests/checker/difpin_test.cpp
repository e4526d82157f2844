// [Diff Pin]: header, data lines and the end-of-component checks, each case
// with its exact message lines in both print styles.
#include <gtest/gtest.h>

#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// Pins 1 to 4 of model in; the [Diff Pin] keyword is line 15.
LineList Pairs(const std::string& header, const LineList& rows, const std::string& name = "c")
{
    return Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 B in", "3 C in", "4 D in"}, name),
                {"[Diff Pin]" + header}, rows});
}

const Case kCases[] = {
    {"six columns with NA, four columns: nothing", "4.2",
     Cat({Pairs(" inv_pin vdiff tdelay_typ tdelay_min tdelay_max", {"1 2 0.2 1n NA NA", "3 4 NA 1n 0.5n 2n"}),
          Pairs(" inv_pin Vdiff tdelay_typ", {"1 2 0.2 1n", "3 4 200m 0"}, "d"), Input("in")}),
     ""},
    {"headers: missing, three columns, out of order, repeated", "4.2",
     Cat({Pairs("", {}), Pairs(" inv_pin vdiff", {}, "d"), Pairs(" vdiff inv_pin tdelay_typ", {"[Diff Pin] x"}, "e"),
          Input("in")}),
     "E0528 (line   15) - Unable to find column headers after Diff_Pins keyword.\n"
     "E0532 (line   27) -\n    Diff_Pins keyword column count must be 4 or 6, found 3 columns.\n"
     "E0529 (line   39) - 'inv_pin' column header not found or out of order.\n"
     "E0529 (line   39) - 'vdiff' column header not found or out of order.\n"
     "E0527 (line   40) - Duplicate Diff_Pin keyword found.\n"},
    {"data lines: counts, long and equal names, bad and suspicious values, typ outside min and max", "4.2",
     Cat({Pairs(" inv_pin vdiff tdelay_typ",
                {"1 2 0.2 1n 0 2n", "1 2 0.2 1n 0", "pin123 2 0.2 1n", "3 3 x 1n", "3", "1 2 0.2 1n 0 2n 9"}),
          Pairs(" inv_pin vdiff tdelay_typ tdelay_min tdelay_max", {"1 2 1k5 1n 2n 3n", "3 4 0.1 1n NA NA"}, "d"),
          Input("in")}),
     "E0809 (line   16) -\n    When using 6 columns, the tdelay_min and tdelay_max headers must be used.\n"
     "E0808 (line   17) - Diff_Pin data line column count must be 4 or 6.\n"
     "E1912 (line   18) -\n    Diff_Pin column string 'pin123' is too long, truncating to 5 characters.\n"
     "E0804 (line   19) - Diff_Pin column pin same as inv_pin column pin.\n"
     "E0816 (line   19) - Bad value for vdiff column.\n"
     "E0803 (line   20) - No inv_pin column entry.\n"
     "E0805 (line   20) - No vdiff column entry.\n"
     "E0806 (line   20) - No tdelay_typ column entry.\n"
     "E0808 (line   20) - Diff_Pin data line column count must be 4 or 6.\n"
     "E0801 (line   21) - Too many Diff Pin data columns.\n"
     "E0809 (line   21) -\n    When using 6 columns, the tdelay_min and tdelay_max headers must be used.\n"
     "W0817 (line   34) - Suspicious value for vdiff column.\n"
     "W0807 (line   34) - Typ value is not in between Min and Max \n"
     "E0810 - Component 'c': Diff_Pin 'pin12' not previously declared in Pin section.\n"
     "E0811 - Component 'c': inv_pin '' not previously declared in Pin section.\n"
     "W0812 - Component 'c': Diff_Pin '1' is not unique.\n"
     "W0815 - Component 'c': inv_pin '2' is not unique.\n"
     "W0815 - Component 'c': inv_pin '2' is not unique.\n"
     "W0812 - Component 'c': Diff_Pin '1' is not unique.\n"
     "W0815 - Component 'c': inv_pin '2' is not unique.\n"
     "W0815 - Component 'c': inv_pin '2' is not unique.\n"
     "W0812 - Component 'c': Diff_Pin '1' is not unique.\n"
     "W0815 - Component 'c': inv_pin '2' is not unique.\n"
     "W0815 - Component 'c': inv_pin '2' is not unique.\n"
     "W0812 - Component 'c': Diff_Pin '3' is not unique.\n"
     "E0814 - Component 'c': Diff_pin '3' already in use as an inv_pin.\n"},
    {"pins used twice across pairs", "4.2",
     Cat({Pairs(" inv_pin vdiff tdelay_typ", {"1 2 0.2 0", "2 3 0.2 0", "4 1 0.2 0", "9 4 0.2 0"}), Input("in")}),
     "E0810 - Component 'c': Diff_Pin '9' not previously declared in Pin section.\n"
     "E0814 - Component 'c': Diff_pin '2' already in use as an inv_pin.\n"
     "E0813 - Component 'c': Inv_pin '1' already in use as a Diff_pin.\n"
     "E0813 - Component 'c': Inv_pin '4' already in use as a Diff_pin.\n"},
};

class DiffPinTest : public ModelKeywordTest {};

TEST_F(DiffPinTest, MessagesOfEachCaseInBothStyles) { RunIbs(kCases, sizeof kCases / sizeof kCases[0]); }

}  // namespace
}  // namespace model_test

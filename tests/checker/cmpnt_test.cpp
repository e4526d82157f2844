// [Component], [Manufacturer], [Package], [Package Model] and [Pin]: line
// rules, the end of a component and the whole-file component and pin checks,
// each case with its exact message lines in both print styles; then what the
// component record keeps.
#include <gtest/gtest.h>

#include <string>

#include "checker/cmpnt.h"
#include "checker/ibis.h"
#include "checker/pin.h"
#include "checker/pkg.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

const LineList kPins = {"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VSS GND", "4 X NC"};

const Case kCases[] = {
    {"a complete component raises nothing", "4.2",
     Cat({{"[Component] c", "Si_location Pin", "Timing_location Die", "[Manufacturer] m", "[Package Model] pm"},
          kPackage,
          {"[Pin] signal_name model_name R_pin L_pin C_pin", "1 A in 0.1 1n 1p", "2 VDD power NA NA NA",
           "[Define Package Model] pm", "[Manufacturer] m", "[OEM] o", "[Description] d", "[Number Of Pins] 2",
           "[Pin Numbers]", "1 Len=0 L=1n /", "2 Len=0 L=1n /", "[End Package Model]"},
          Input("in")}),
     ""},
    {"a package model pin the component lacks", "4.2",
     Cat({Cmp({"[Package Model] pm", "[Pin] signal_name model_name", "1 A in", "2 VDD POWER"}),
          {"[Define Package Model] pm", "[Manufacturer] m", "[OEM] o", "[Description] d", "[Number Of Pins] 3",
           "[Pin Numbers]", "1 Len=0 L=1n /", "2 Len=0 L=1n /", "9 Len=0 L=1n /", "[End Package Model]"},
          Input("in")}),
     "E0613 - Pin '9' found in Package_Model 'pm' Pin_Numbers list not found in Component 'c' Pin list.\n"},
    {"[Pin] header: four columns, swapped names, unknown and repeated value headers", "4.2",
     Cat({Cmp({"[Pin] signal_name model_name R_pin", "1 A in 0.1"}),
          {"[Component] d", "[Manufacturer] m"}, kPackage,
          {"[Pin] model_name signal_name R_pin x R_pin", "1 A in 1 2 3", "[Pin] signal_name model_name"},
          Input("in")}),
     "E0532 (line   10) - Pin keyword column count must be 3 or 6, found 4 columns.\n"
     "E0604 (line   11) - Each line of Pin data must contain either 3 or 6 columns.\n"
     "E0529 (line   18) - 'signal_name' column header not found or out of order.\n"
     "E0529 (line   18) - 'model_name' column header not found or out of order.\n"
     "E0530 (line   18) - Unknown column header 'x' or out of order.\n"
     "E0531 (line   18) - Duplicate column header 'R_pin' .\n"
     "E0523 (line   20) - Duplicate Pin keyword found.\n"},
    {"[Pin] rows: counts, long names, bad values, duplicates", "3.2",
     Cat({Cmp({"[Pin]", "[Pin] signal_name model_name", "1 A in 1", "2 B in 1 2 3", "pin1234 " + std::string(21, 's') +
               " in", "1 C in", "5 D in 1k5 x 1p"}),
          Input("in")}),
     "E0528 (line   10) - Unable to find column headers after Pin keyword.\n"
     "E0523 (line   11) - Duplicate Pin keyword found.\n"
     "E0604 (line   12) - Each line of Pin data must contain either 3 or 6 columns.\n"
     "E1912 (line   14) -\n    Pin string 'pin1234' is too long, truncating to 5 characters.\n"
     "E1912 (line   14) - Signal name string 'sssssssssssssssssssss' is too long, truncating to 20 characters.\n"
     "E0606 (line   15) - Duplicate Pin '1'.\n"
     "W1910 (line   16) - Suspicious R_pin Pin Value (\"1k5\"); Numeric in Scale\n"
     "E1909 (line   16) - Invalid L_pin Value (\"x\")\n"},
    {"[Package] lines", "4.2",
     Cat({{"[Component] c", "[Manufacturer] m", "[Package] x", " R_pkg 1 NA NA", "R_pkg 1 NA NA", "L_pkg 1n",
           "X_pkg 1 1 1", "C_pkg NA 1m 2m", "[Package]", "L_pkg abc 1 2"},
          kPins, Input("in")}),
     "E0518 (line    6) - Unknown data after Package keyword.\n"
     "E1201 (line    7) - Package sub-parameters must start in column 1.\n"
     "E1203 (line    8) - Duplicate R_pkg sub-parameter.\n"
     "E1202 (line    9) -\n    Expected 4 columns in Package sub-parameter line, found 2 columns.\n"
     "E1206 (line   10) - Unknown Package subparameter.\n"
     "E1209 (line   11) - The typical column must be specified.\n"
     "E0517 (line   12) - Duplicate Package keyword.\n"
     "E1909 (line   13) - Invalid L_pkg Value (\"abc\")\n"
     "E1207 (line   13) - Unable to parse data for Package subparameter 'L_pkg'.\n"
     "E1209 (line   13) - The typical column must be specified.\n"},
    {"end of component: no manufacturer, no package, missing sub-parameters, no pins", "4.2",
     Cat({{"[Component] c", "[Component] d", "[Manufacturer] m", "[Package]", "R_pkg 1 NA NA", "L_pkg 1n NA NA"},
          Input("in")}),
     "E0514 - Required keyword 'Manufacturer' not defined for Component 'c'.\n"
     "E0519 - Keyword 'Package' not defined for Component 'c'.\n"
     "E1217 - Component 'd': Required sub-parameter C_pkg not found.\n"
     "E0524 - Unable to find Pin keyword data for Component 'd'.\n"
     "E0524 - Unable to find Pin keyword data for Component 'c'.\n"},
    {"component names and sub-parameter lines", "4.2",
     Cat({{"[Component] My Chip", "Si_location", "Timing_location Pin Die", "Si_location pin", "Si_location Pin",
           "Timing_location x", "Foo Pin", "[Manufacturer] m", "m2"},
          kPackage, kPins, Cmp(kPins, "GND"), Cmp(kPins, "My Chip"), Input("in")}),
     "W0513 (line    4) - Component 'My Chip' contains a blank character.\n"
     "E0538 (line    5) - 'Si_location' Subparameter Missing Setting\n"
     "E0539 (line    6) -\n    Incorrect Number of Line Items (3) For Timing_location: Expecting 2\n"
     "E0537 (line    7) - Si_location Already Defined For Component 'My Chip'\n"
     "E0537 (line    8) - Si_location Already Defined For Component 'My Chip'\n"
     "E0537 (line    9) - Timing_location Already Defined For Component 'My Chip'\n"
     "E0535 (line   10) - Unknown Line after Component Description\n"
     "E0507 (line   12) - Data on this line appears to be for the Manufacturer keyword, which does not allow "
     "data on subsequent lines.\n"
     "E1916 (line   22) - Illegal use of Reserved Word 'GND'.\n"
     "W0513 (line   33) - Component 'My Chip' contains a blank character.\n"
     "E0511 - Component 'My Chip' is duplicated within the .ibs file.\n"},
    {"Si_location values compare with case", "4.2",
     Cat({{"[Component] c", "Si_location pin", "Timing_location Board", "[Manufacturer] m"}, kPackage, kPins,
          Input("in")}),
     "E0540 (line    5) - Invalid Si_location (\"pin\") (try \"Pin\")\n"
     "E0541 (line    6) - Invalid Timing_location (\"Board\")\n"},
    {"data under [Component] in version 2.1, under [Package Model]", "2.1",
     Cat({{"[Component] c", "Si_location Pin", "[Manufacturer] m", "[Package Model] pm", "more"}, kPackage,
          kPins, Input("in")}),
     "E0506 (line    5) - Data on this line appears to be for the Component keyword, which does not allow "
     "data on subsequent lines.\n"
     "E0508 (line    8) - Data on this line appears to be for the Package Model keyword, which does not allow "
     "data on subsequent lines.\n"
     "E0516 - Unable to find Package Model 'pm' for Component 'c'\n"},
    {"component keywords outside a component", "4.2",
     Cat({Input("in"), {"[Pin] signal_name model_name", "1 A in"}, Cmp(kPins)}),
     "E0501 (line   10) - Orphan Component keyword.\n"
     "E0502 (line   11) - Orphan data line keyword.\n"},
    {"pin models: unknown, series, special names, through a selector", "4.2",
     Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 B ser", "3 C nothere", "4 D gnd", "5 E CircuitCall",
               "6 F sel"}),
          Input("in"), {"[Model] ser", "Model_type Series", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[Model Selector] sel", "in a", "in2 b"}, Input("in2")}),
     "E2901 - Series Model 'ser' describes no series element\n"
     "E0610 - Component 'c':  Pin '2': Model 'ser': model type for a Pin cannot be Series or Series_switch.\n"
     "E0608 - Component 'c': Model 'nothere' for Pin '3' not defined.\n"},
    {"version 2.1: a selector does not stand for a model", "2.1",
     Cat({Cmp({"[Pin] signal_name model_name", "1 A sel"}), Input("in")}),
     "E0608 - Component 'c': Model 'sel' for Pin '1' not defined.\n"},
    {"[Alternate Package Models] must end, its names must exist; EMI block keywords", "5.0",
     Cat({Cmp(kPins), {"[Alternate Package Models]", "pm", "lost", "[End Alternate Package Models]",
                      "[End Alternate Package Models]", "[Alternate Package Models]", "[Diff Pin] inv_pin vdiff tdelay_typ",
                      "[Begin EMI Component]", "[Package Model] pm", "[End EMI Component]",
                      "[Define Package Model] pm", "[Manufacturer] m", "[OEM] o", "[Description] d",
                      "[Number Of Pins] 1", "[Pin Numbers]", "1 Len=0 L=1n /", "[End Package Model]"},
          Input("in")}),
     "E0503 (line   19) - Unexpected End Alternate Package Models keyword\n"
     "E0504 (line   21) - Expecting End Alternate Package Models keyword\n"
     "E0553 (line   23) - Unexpected Keyword in a [Component EMI] block\n"
     "E0516 - Unable to find Package Model 'lost' for Component 'c'\n"},
};

class ComponentTest : public ModelKeywordTest {};

TEST_F(ComponentTest, MessagesOfEachCaseInBothStyles) { RunIbs(kCases, sizeof kCases / sizeof kCases[0]); }

TEST_F(ComponentTest, RecordKeepsPinsPackageAndColumnOrder)
{
    const std::string path = Write(
        "a.ibs", CheckerFixture::Lines(Ibs("4.2", Cat({{"[Component] c", "Si_location Die", "[Manufacturer] m"},
                                                       kPackage,
                                                       {"[Pin] signal_name model_name C_pin L_pin R_pin",
                                                        "1 A in 1p 2n 3", "2 VDD POWER NA NA NA", "3 VSS GND"},
                                                       Input("in")}))));
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    CMPNT_STRUCT* c = nullptr;
    ASSERT_EQ(IBIS_GetCmpnts(&c), 1);
    EXPECT_STREQ(c->szName, "c");
    EXPECT_EQ(c->iSiLocation, CMPNT_LOC_DIE);
    EXPECT_EQ(c->iTimingLocation, CMPNT_LOC_UNSET);
    EXPECT_EQ(c->iPinCols, 6);
    ASSERT_NE(c->pPackage, nullptr);
    EXPECT_DOUBLE_EQ(c->pPackage->apRange[PKG_L]->typ.dValue, 1e-9);
    const PIN_STRUCT* p = PIN_FindPin(c->pPins, "1");
    ASSERT_NE(p, nullptr);
    EXPECT_DOUBLE_EQ(p->aVal[PIN_COL_C].dValue, 1e-12);
    EXPECT_DOUBLE_EQ(p->aVal[PIN_COL_L].dValue, 2e-9);
    EXPECT_DOUBLE_EQ(p->aVal[PIN_COL_R].dValue, 3.0);
    EXPECT_EQ(PIN_FindPin(c->pPins, "2")->aVal[PIN_COL_R].iState, RNG_NA);
    EXPECT_EQ(PIN_FindPin(c->pPins, "3")->aVal[PIN_COL_R].iState, RNG_ABSENT);
    EXPECT_TRUE(PIN_ModelNameIsPOWER(c->pPins, "2"));
    EXPECT_TRUE(PIN_ModelNameIsGND(c->pPins, "3"));
    EXPECT_FALSE(PIN_ModelNameIsPOWEROrGND(c->pPins, "1"));
    EXPECT_STREQ(PIN_GetModel(c->pPins, "9"), "");
    FINI();
    Take();
}

}  // namespace
}  // namespace model_test

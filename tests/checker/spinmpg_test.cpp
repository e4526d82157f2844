// [Series Pin Mapping] and [Series Switch Groups]: headers, rows, group
// lines over several lines, and the checks against series models, model
// selectors and function groups; exact message lines in both print styles.
#include <gtest/gtest.h>

#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// Pins 1 to 4; the lines after them start at line 15.
LineList Series(const LineList& lines)
{
    return Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 B in", "3 C in", "4 D in"}), lines});
}

LineList SeriesModel(const std::string& name, const std::string& type)
{
    LineList m = {"[Model] " + name, "Model_type " + type, "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"};
    if (type == "Series_switch")
        m.insert(m.end(), {"[On]", "[R Series] 1 1 1", "[Off]", "[R Series] 1k 1k 1k"});
    else
        m.push_back("[R Series] 1 1 1");
    return m;
}

const LineList kModels = Cat({SeriesModel("ser", "Series"), SeriesModel("sw", "Series_switch"), Input("in"),
                              {"[Model Selector] sel", "sw a", "ser b", "[Model Selector] isel", "in a", "ser b"}});

const Case kCases[] = {
    {"a series pair and a switch pair with its groups; a group name no row uses", "4.2",
     Cat({Series({"[Series Pin Mapping] pin_2 model_name function_table_group", "1 2 ser", "3 4 sw g1",
                  "[Series Switch Groups]", "On g1 /", "Off g1 g2", "/"}),
          kModels}),
     "W2507 - Component: c Series Switch Function 'g2' is used but not defined\n"},
    {"headers: none, one word, five words; a second table replaces the first", "4.2",
     Cat({Series({"[Series Pin Mapping]", "[Series Pin Mapping] pin_2", "[Series Pin Mapping] model_name pin_2 x y",
                  "1 2 ser", "[Series Pin Mapping] pin_2 model_name", "1 2 ser"}),
          kModels}),
     "E0528 (line   15) -\n    Unable to find column headers after Series_Pin_Mapping keyword.\n"
     "E0542 (line   16) - Duplicate Series_Pin_Mapping keyword found.\n"
     "E0532 (line   16) -\n    Series_Pin_Mappings keyword column count must be 3 or 4, found 2 columns.\n"
     "E0529 (line   16) - 'model_name' column header not found or out of order.\n"
     "E0542 (line   17) - Duplicate Series_Pin_Mapping keyword found.\n"
     "E0543 (line   17) - Unknown column header after 'function_table_group'\n"
     "E0529 (line   17) - 'pin_2' column header not found or out of order.\n"
     "E0529 (line   17) - 'model_name' column header not found or out of order.\n"
     "E0529 (line   17) -\n    'function_table_group' column header not found or out of order.\n"
     "E0542 (line   19) - Duplicate Series_Pin_Mapping keyword found.\n"},
    {"rows: counts, reserved words, unknown pins and models, types", "3.2",
     Cat({Series({"[Series Pin Mapping] pin_2 model_name", "1 2 ser g1", "1", "1 2 NA a b", "1 9 in", "7 2 nothere",
                  "1 2 sw", "3 4 sel", "1 2 isel g"}),
          kModels}),
     "E2605 (line   16) - [Series Pin Mapping] When 4 columns are specified, the heading "
     "'function_table_group' must be used.\n"
     "E2602 (line   17) - No Pin2 specified.\n"
     "E2603 (line   17) - No Model specified.\n"
     "E2604 (line   17) -\n     [Series Pin Mapping] Data lines must contain either 3 or 4 columns.\n"
     "E2600 (line   18) - Extra data columns on this line.\n"
     "E1916 (line   18) - Illegal use of Reserved Word 'NA'.\n"
     "E2604 (line   18) -\n     [Series Pin Mapping] Data lines must contain either 3 or 4 columns.\n"
     "E2605 (line   23) - [Series Pin Mapping] When 4 columns are specified, the heading "
     "'function_table_group' must be used.\n"
     "W2625 - Component 'c': [Series Pin Mapping] Model 'ser' is of type Series so function_table_group 'g1' is "
     "ignored.\n"
     "E2611 - Component 'c': [Series Pin Mapping] Pin2 '' not previously declared in Pin section.\n"
     "E2617 - Component 'c': [Series Pin Mapping] Model '' is not defined.\n"
     "E2617 - Component 'c': [Series Pin Mapping] Model 'NA' is not defined.\n"
     "E2611 - Component 'c': [Series Pin Mapping] Pin2 '9' not previously declared in Pin section.\n"
     "E2623 - Component 'c': [Series Pin Mapping] Model 'in' is not of type Series.\n"
     "E2607 - Component 'c': [Series Pin Mapping] Pin1 '7' not previously declared in Pin section.\n"
     "E2617 - Component 'c': [Series Pin Mapping] Model 'nothere' is not defined.\n"
     "E2627 - Component 'c': [Series Pin Mapping] Model 'sw' is of type Series_Switch so function_table_group is "
     "required.\n"
     "E2626 - Component 'c': [Series Pin Mapping] Model Selector 'sel' Model 'sw' is of type Series_Switch so "
     "function_table_group is required.\n"
     "E2620 - Component 'c': [Series Pin Mapping] Model Selector 'isel' Model 'in' is not of type Series_Switch.\n"
     "W2624 - Component 'c': [Series Pin Mapping] Model Selector 'isel' Model 'ser' is of type Series so "
     "function_table_group 'g' is ignored.\n"},
    {"switch groups: states, names, continuation, an undefined function", "4.2",
     Cat({Series({"[Series Switch Groups] x", "Maybe g1 /", "On", "Off Off g1 g1 GND " + std::string(21, 'n') + " /",
                  "On g3", "g4 /", "[Series Pin Mapping] pin_2 model_name function_table_group", "3 4 sw g9",
                  "1 2 sel g1", "[Series Switch Groups]"}),
          kModels}),
     "E0539 (line   15) -\n    Incorrect Number of Line Items (2) For Series_Switch_Groups: Expecting 1\n"
     "E2500 (line   16) - Unknown sub parameter 'Maybe'\n"
     "E0533 (line   16) - Unable to add data for Series_Switch_Group keyword.\n"
     "E2502 (line   17) - No Group names specified on this line\n"
     "E2505 (line   18) - Series switch Group name cannot be 'On' or 'Off'\n"
     "E2506 (line   18) - Duplicate Series switch Group name 'g1'\n"
     "E1916 (line   18) - Illegal use of Reserved Word 'GND'.\n"
     "E2504 (line   18) -\n    Series switch Group name 'nnnnnnnnnnnnnnnnnnnnn' over 20 characters long\n"
     "E0546 (line   24) - Duplicate [Series_Switch_Groups] keyword found.\n"
     "E2629 - Component 'c': [Series Pin Mapping] Model 'sw' uses function g9 which is not defined.\n"
     "W2624 - Component 'c': [Series Pin Mapping] Model Selector 'sel' Model 'ser' is of type Series so "
     "function_table_group 'g1' is ignored.\n"
     "W2507 - Component: c Series Switch Function 'Off' is used but not defined\n"
     "W2507 - Component: c Series Switch Function 'GND' is used but not defined\n"
     "W2507 - Component: c Series Switch Function 'nnnnnnnnnnnnnnnnnnnn' is used but not defined\n"
     "W2507 - Component: c Series Switch Function 'g3' is used but not defined\n"
     "W2507 - Component: c Series Switch Function 'g4' is used but not defined\n"},
    {"a keyword before the closing / is reported by the frame", "4.2",
     Cat({Series({"[Series Switch Groups]", "On g1", "[Series Pin Mapping] pin_2 model_name function_table_group",
                  "3 4 sw g1"}),
          kModels}),
     "E0909 (line   17) -\n    Previous keyword not terminated properly. Possibly missing a \"/\"\n\n"},
    {"without [Pin]", "4.2",
     Cat({{"[Component] c", "[Manufacturer] m"}, kPackage, {"[Series Pin Mapping] pin_2 model_name", "1 2 ser"},
          kModels}),
     "E0524 - Unable to find Pin keyword data for Component 'c'.\n"
     "E2618 - Component 'c': [Series Pin Mapping] defined but [Pins] not defined.\n"},
};

class SeriesPinMappingTest : public ModelKeywordTest {};

TEST_F(SeriesPinMappingTest, MessagesOfEachCaseInBothStyles) { RunIbs(kCases, sizeof kCases / sizeof kCases[0]); }

}  // namespace
}  // namespace model_test

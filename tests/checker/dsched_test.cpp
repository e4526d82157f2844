// [Driver Schedule] and its delays: entry lines, the name rules, the end of
// the section and the whole-file look-up of the scheduled models; then the
// delay reader on its own.
#include <gtest/gtest.h>

#include <string>

#include "checker/dly.h"
#include "checker/drvsh.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// Model "top" (lines 6 to 13) with [Driver Schedule] on line 14 and the
// given entries from line 15, then the Output models A and B.
LineList Schedule(const LineList& entries, const LineList& after = Cat({Output("A"), Output("B")}))
{
    return Cat({Output("top"), {"[Driver Schedule]"}, entries, after});
}

const Case kScheduleCases[] = {
    {"two entries with valid delays", "4.2", Schedule({"A 1n NA 2n NA", "B 1n 2n 3n 4n"}), ""},
    {"Rise_on_dly with Fall_off_dly; Rise_off_dly with Fall_on_dly", "4.2",
     Schedule({"A 1n NA NA 2n", "B NA 1n 2n NA"}),
     "E4505 (line   15) - Rise_on_dly and Fall_off_delay cannot be specified together\n"
     "E4505 (line   16) - Rise_off_dly and Fall_on_delay cannot be specified together\n"},
    {"one delay given; one field only", "4.2", Schedule({"A 1n NA NA NA", "B 1n"}),
     "E4504 (line   15) - At least two delays must be specified\n"
     "E4501 (line   16) - No Rise_off_dly Value Was Provided for B\n"
     "E4504 (line   16) - At least two delays must be specified\n"},
    {"two and three fields; five", "4.2", Schedule({"A 1n 2n", "B 1n 2n NA", "A2 1n 2n 3n 4n 5n"}),
     "E4501 (line   15) - No Fall_on_dly Value Was Provided for A\n"
     "E4501 (line   16) - No Fall_off_dly Value Was Provided for B\n"
     "E4502 (line   17) - Incorrect Number of Line Items (5) For A2: Expecting 4\n"
     "E4207 - Model A2 used in the Driver Schedule of Model top is not defined\n"},
    {"a negative delay; an invalid one", "4.2", Schedule({"A -1n NA 2n NA", "B 1n x 2n NA"}),
     "E4506 (line   15) - Rise_on_dly is less than zero\n"
     "E1909 (line   16) - Invalid Rise_off_dly Value (\"x\")\n"},
    {"the enclosing model, a name used twice, a reserved word", "4.2",
     Schedule({"top 1n NA 2n NA", "A 1n NA 2n NA", "A 1n NA 2n NA", "NC 1n NA 2n NA"}),
     "E4213 (line   15) -\n    Model Name in Driver Schedule is the same as enclosing Model (\"top\")\n"
     "E4215 (line   17) - Model Name (\"A\") previously used in this Driver Schedule\n"
     "E4214 (line   18) -\n    Invalid Model Name in Driver Schedule (\"NC\"); Reserved Word.\n"
     "E4207 - Model NC used in the Driver Schedule of Model top is not defined\n"
     "E4208 - Model top used in the Driver Schedule of Model top cannot itself have a Driver Schedule\n"},
    {"a name over 20 characters in version 3.2", "3.2", Schedule({"abcdefghijklmnopqrstu 1n NA 2n NA", "A 1n NA 2n NA"}),
     "E4212 (line   15) - Model Name Over 20 Characters Long\n"
     "E4207 - Model abcdefghijklmnopqrst used in the Driver Schedule of Model top is not defined\n"},
    {"no entries; items after the keyword", "4.2",
     Cat({Output("top"), {"[Driver Schedule]"}, Output("x"), {"[Driver Schedule] a b", "top 1n NA 2n NA"}}),
     "E4205 - Model 'top': The [Driver_Schedule] has no models defined\n"
     "E4204 (line   23) -\n    Incorrect Number of Line Items (3) For Driver Schedule: Expecting 1\n"
     "W4206 - Model 'x': The [Driver_Schedule] has only one model defined\n"
     "E4208 - Model top used in the Driver Schedule of Model x cannot itself have a Driver Schedule\n"},
    {"a second [Driver Schedule] replaces the first", "4.2",
     Schedule({"A 1n NA 2n NA", "B 1n NA 2n NA", "[Driver Schedule]", "A 1n NA 2n NA", "B 1n NA 2n NA"}),
     "E4200 (line   17) - Driver Schedule: Already Defined for this model\n"},
    {"scheduled models that are missing or no output", "4.2",
     Schedule({"A 1n NA 2n NA", "IN 1n NA 2n NA", "GONE 1n NA 2n NA"}, Cat({Output("A"), Input("IN")})),
     "E4207 - Model GONE used in the Driver Schedule of Model top is not defined\n"
     "E4209 -\n    Model IN used in the Driver Schedule of Model top should be an output model\n"},
};

TEST_F(ModelKeywordTest, DriverSchedules) { Run(kScheduleCases, sizeof kScheduleCases / sizeof kScheduleCases[0]); }

// The delay reader on its own; its messages are covered above.
class DelayReader : public ErrlogCapture {};

TEST_F(DelayReader, ValuesStatesAndResults)
{
    struct {
        const char* text;
        int result;
        int states[4];
        double values[4];
    } cases[] = {
        {"1n NA 2n NA", 1, {DLY_VALUE, DLY_NA, DLY_VALUE, DLY_NA}, {1e-9, 0, 2e-9, 0}},
        {"1n 2n 3n 4n", 1, {1, 1, 1, 1}, {1e-9, 2e-9, 3e-9, 4e-9}},
        {"1n NA NA 2n", 0, {1, 2, 2, 1}, {1e-9, 0, 0, 2e-9}},
        {"1n 2n", 1, {1, 1, 0, 0}, {1e-9, 2e-9, 0, 0}},
        {"-1n 2n NA NA", 1, {1, 1, 2, 2}, {-1e-9, 2e-9, 0, 0}},
        {"NA NA NA NA", 0, {2, 2, 2, 2}, {0, 0, 0, 0}},
        {"x 1n 2n NA", 0, {0, 1, 1, 2}, {0, 1e-9, 2e-9, 0}},
    };
    for (const auto& c : cases) {
        DLY_STRUCT* d = nullptr;
        EXPECT_EQ(DLY_ParseDly(c.text, "M", &d), c.result) << c.text;
        ASSERT_NE(d, nullptr) << c.text;
        for (int i = 0; i < DLY_COUNT; ++i) {
            EXPECT_EQ(d->aiState[i], c.states[i]) << c.text << " delay " << i;
            EXPECT_DOUBLE_EQ(d->adValue[i], c.values[i]) << c.text << " delay " << i;
        }
        DLY_Free(&d);
        EXPECT_EQ(d, nullptr);
    }
}

}  // namespace
}  // namespace model_test

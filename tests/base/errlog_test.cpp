// Error log: line forms of every kind in both styles, wrapping bounds,
// suppression, unknown codes, counters and totals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/errlog.h"
#include "tests/base/errlog_capture.h"

namespace {

std::string Text(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}

using Raiser = int (*)(const char*, ...);

struct FormCase {
    const char* name;
    Raiser raise;
    const char* prefix;  // worded prefix as printed before " - "
    size_t wrapMin;      // 0: never wraps
};

// The free-format family always prints the worded form; line forms print
// line 0 here because this program has no checker frame.
const FormCase kFormCases[] = {
    {"Bugx", ERRLOG_Bugx, "PROGRAM BUG", 0},
    {"LineBugx", ERRLOG_LineBugx, "PROGRAM BUG (line    0)", 0},
    {"Errorx", ERRLOG_Errorx, "ERROR", 72},
    {"LineErrorx", ERRLOG_LineErrorx, "ERROR (line    0)", 60},
    {"Warnx", ERRLOG_Warnx, "WARNING", 70},
    {"LineWarnx", ERRLOG_LineWarnx, "WARNING (line    0)", 58},
    {"Cautionx", ERRLOG_Cautionx, "CAUTION", 70},
    {"LineCautionx", ERRLOG_LineCautionx, "CAUTION (line    0)", 58},
    {"Notex", ERRLOG_Notex, "NOTE", 73},
    {"LineNotex", ERRLOG_LineNotex, "NOTE (line    0)", 61},
};

class ErrlogForms : public ErrlogCapture {};

TEST_F(ErrlogForms, FormatFamilyWrapsExactlyInsideItsRange)
{
    gbSuppressCautions = 0;
    for (const FormCase& c : kFormCases) {
        // Lengths around both ends of the range, and far outside it.
        const size_t lengths[] = {1, 57, 58, 59, 60, 61, 69, 70, 71, 72, 73, 74, 75, 76, 77, 200};
        for (size_t len : lengths) {
            const std::string text = Text(len);
            EXPECT_EQ(c.raise("%s", text.c_str()), 1) << c.name;
            const bool wrap = c.wrapMin != 0 && len >= c.wrapMin && len <= 75;
            const std::string expected = wrap ? std::string(c.prefix) + " -\n    " + text + "\n"
                                              : std::string(c.prefix) + " - " + text + "\n";
            EXPECT_EQ(Take(), expected) << c.name << " with a text of " << len << " characters";
        }
    }
}

struct CodeCase {
    const char* name;
    int (*raise)(int, ...);
    const char* worded;
    const char* numbered;
};

const CodeCase kCodeCases[] = {
    {"BugNew", ERRLOG_BugNew, "PROGRAM BUG - ", "B1923 - "},
    {"LineBugNew", ERRLOG_LineBugNew, "PROGRAM BUG (line    0) - ", "B1923 (line    0) - "},
    {"ErrorNew", ERRLOG_ErrorNew, "ERROR - ", "E1923 - "},
    {"LineErrorNew", ERRLOG_LineErrorNew, "ERROR (line    0) - ", "E1923 (line    0) - "},
    {"WarnNew", ERRLOG_WarnNew, "WARNING - ", "W1923 - "},
    {"LineWarnNew", ERRLOG_LineWarnNew, "WARNING (line    0) - ", "W1923 (line    0) - "},
    {"CautionNew", ERRLOG_CautionNew, "CAUTION - ", "C1923 - "},
    {"NoteNew", ERRLOG_NoteNew, "NOTE - ", "N1923 - "},
    {"LineNoteNew", ERRLOG_LineNoteNew, "NOTE (line    0) - ", "N1923 (line    0) - "},
};

TEST_F(ErrlogForms, CodeFamilyPrintsWordedOrNumbered)
{
    gbSuppressCautions = 0;
    for (const CodeCase& c : kCodeCases) {
        gbOldStyleErrors = 1;
        c.raise(1923);
        EXPECT_EQ(Take(), std::string(c.worded) + "Numerical value expected\n") << c.name;
        gbOldStyleErrors = 0;
        c.raise(1923);
        EXPECT_EQ(Take(), std::string(c.numbered) + "Numerical value expected\n") << c.name;
    }
}

TEST_F(ErrlogForms, CodeFamilyFormatsArgumentsAndKeepsTextVerbatim)
{
    gbOldStyleErrors = 0;
    ERRLOG_ErrorNew(1909, "Vinl", "1.2.3");
    EXPECT_EQ(Take(), "E1909 - Invalid Vinl Value (\"1.2.3\")\n");
    // A text with its own line feed keeps it: the line ends twice.
    ERRLOG_ErrorNew(1906, 48u);
    EXPECT_EQ(Take(), "E1906 - Memory allocation failed.  This request 48.\n\n");
    ERRLOG_BugNew(1908, "cmn.cpp", 12);
    EXPECT_EQ(Take(), "B1908 - Unable to Allocate Memory: cmn.cpp 12\n");
    // Codes below 1000 print with leading zeros.
    ERRLOG_WarnNew(513, "My Chip");
    EXPECT_EQ(Take(), "W0513 - Component 'My Chip' contains a blank character.\n");
}

TEST_F(ErrlogForms, NumberedFormsWrapWithTheSameBounds)
{
    gbOldStyleErrors = 0;
    // 4622 "No Reserved_Parameters found" is short; 4600 with arguments gives
    // any length we like.
    const char* fixed = "Expected a branch but found '";  // text of 4600 up to the first %s
    const size_t fixedLen = std::string("Expected a branch but found ''  as a leaf of 'x'").size();
    for (size_t target : {59u, 60u, 75u, 76u}) {
        const std::string leaf = Text(target - fixedLen);
        ERRLOG_LineErrorNew(4600, leaf.c_str(), "x");
        const std::string text = std::string(fixed) + leaf + "'  as a leaf of 'x'";
        ASSERT_EQ(text.size(), target);
        const bool wrap = target >= 60 && target <= 75;
        EXPECT_EQ(Take(), wrap ? "E4600 (line    0) -\n    " + text + "\n" : "E4600 (line    0) - " + text + "\n")
            << target;
    }
}

TEST_F(ErrlogForms, ErrorNew1923CountsOneError)
{
    const Counts before = Now();
    ERRLOG_ErrorNew(1923);
    const Counts after = Now();
    EXPECT_EQ(Take(), "ERROR - Numerical value expected\n");
    EXPECT_EQ(after.errors, before.errors + 1);
    EXPECT_EQ(after.warnings, before.warnings);
    EXPECT_EQ(after.bugs, before.bugs);
}

TEST_F(ErrlogForms, EachKindCountsOnlyItsOwnCounter)
{
    struct {
        int (*raise)(int, ...);
        int dBugs, dErrors, dWarnings;
    } cases[] = {
        {ERRLOG_BugNew, 1, 0, 0},      {ERRLOG_LineBugNew, 1, 0, 0}, {ERRLOG_ErrorNew, 0, 1, 0},
        {ERRLOG_LineErrorNew, 0, 1, 0}, {ERRLOG_WarnNew, 0, 0, 1},    {ERRLOG_LineWarnNew, 0, 0, 1},
        {ERRLOG_NoteNew, 0, 0, 0},      {ERRLOG_LineNoteNew, 0, 0, 0}, {ERRLOG_CautionNew, 0, 0, 0},
    };
    gbSuppressCautions = 0;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Counts before = Now();
        cases[i].raise(1918);
        const Counts after = Now();
        EXPECT_EQ(after.bugs - before.bugs, static_cast<unsigned long>(cases[i].dBugs)) << i;
        EXPECT_EQ(after.errors - before.errors, static_cast<unsigned long>(cases[i].dErrors)) << i;
        EXPECT_EQ(after.warnings - before.warnings, static_cast<unsigned long>(cases[i].dWarnings)) << i;
    }
    Take();
}

TEST_F(ErrlogForms, UnknownCodePrintsInformationOnlyWhenNumbered)
{
    const Counts before = Now();
    gbOldStyleErrors = 0;
    ERRLOG_SuppressErrors(1);  // the unknown-code line ignores suppression
    EXPECT_EQ(ERRLOG_ErrorNew(7777), 1);
    EXPECT_EQ(Take(), "I0000 - Error code doesn't exist.\n");
    gbOldStyleErrors = 1;
    EXPECT_EQ(ERRLOG_ErrorNew(7777), 0);
    EXPECT_EQ(ERRLOG_LineWarnNew(-5), 0);
    EXPECT_EQ(Take(), "");
    const Counts after = Now();
    EXPECT_EQ(after.errors, before.errors);
    EXPECT_EQ(after.warnings, before.warnings);
}

TEST_F(ErrlogForms, SuppressionSwitchesSilenceAndDoNotCount)
{
    const Counts before = Now();
    ERRLOG_SuppressBugs(1);
    ERRLOG_SuppressErrors(1);
    ERRLOG_SuppressWarns(1);
    EXPECT_EQ(ERRLOG_BugNew(1918), 0);
    EXPECT_EQ(ERRLOG_Bugx("x"), 0);
    EXPECT_EQ(ERRLOG_LineErrorNew(1918), 0);
    EXPECT_EQ(ERRLOG_Errorx("x"), 0);
    EXPECT_EQ(ERRLOG_WarnNew(1918), 0);
    EXPECT_EQ(ERRLOG_LineWarnx("x"), 0);
    // Cautions are suppressed from the start; notes never are.
    EXPECT_EQ(ERRLOG_CautionNew(1918), 0);
    EXPECT_EQ(ERRLOG_LineCautionx("x"), 0);
    EXPECT_EQ(ERRLOG_NoteNew(1918), 1);
    EXPECT_EQ(Take(), "NOTE - Unexpected '=' found\n");
    const Counts after = Now();
    EXPECT_EQ(after.bugs, before.bugs);
    EXPECT_EQ(after.errors, before.errors);
    EXPECT_EQ(after.warnings, before.warnings);
    ERRLOG_SuppressErrors(0);
    EXPECT_EQ(ERRLOG_Errorx("%d", 5), 1);
    EXPECT_EQ(Take(), "ERROR - 5\n");
}

TEST_F(ErrlogForms, GetCountsFillsOnlyTheGivenPointers)
{
    ERRLOG_ErrorNew(1923);
    Take();
    unsigned long errors = 0, all = 0;
    ERRLOG_GetCounts(nullptr, &errors, nullptr);
    ERRLOG_GetCounts(nullptr, &all, nullptr);
    EXPECT_GE(errors, 1u);
    EXPECT_EQ(errors, all);
    ERRLOG_GetCounts(nullptr, nullptr, nullptr);  // must not crash
}

TEST_F(ErrlogForms, OverlongTextIsCutToTheBuffer)
{
    const std::string huge(3 * ERRLOG_MESSAGE_BUFFER_SIZE, 'x');
    gbOldStyleErrors = 0;
    ERRLOG_ErrorNew(1922, huge.c_str());
    const std::string out = Take();
    const std::string body = "Illegal number found '" + huge.substr(0, ERRLOG_MESSAGE_BUFFER_SIZE);
    const std::string expected = "E1922 - " + body.substr(0, ERRLOG_MESSAGE_BUFFER_SIZE - 1) + "\n";
    EXPECT_EQ(out, expected);
    EXPECT_GE(static_cast<size_t>(ERRLOG_MESSAGE_BUFFER_SIZE - 1), 2200u);
}

// The totals depend on every count since the process started, so each case
// runs in a fresh process (threadsafe death tests re-execute the program).
class ErrlogTotals : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

void RunThenTotals(void (*raise)())
{
    ERRLOG_SetOutputFile(stderr);
    raise();
    ERRLOG_Totals();
    std::fflush(stderr);
    std::_Exit(0);
}

TEST_F(ErrlogTotals, NothingRaisedPasses)
{
    EXPECT_EXIT(RunThenTotals([] {}), ::testing::ExitedWithCode(0),
                ::testing::StrEq("Errors  : 0\n\nFile Passed\n"));
}

TEST_F(ErrlogTotals, OnlyWarningsPass)
{
    EXPECT_EXIT(RunThenTotals([] {
                    ERRLOG_WarnNew(1918);
                    ERRLOG_Warnx("two");
                    ERRLOG_NoteNew(1918);
                }),
                ::testing::ExitedWithCode(0),
                ::testing::EndsWith("\nErrors  : 0\nWarnings: 2\n\nFile Passed\n"));
}

TEST_F(ErrlogTotals, SuppressedCautionsNeverShow)
{
    EXPECT_EXIT(RunThenTotals([] {
                    ERRLOG_CautionNew(1918);
                    ERRLOG_Cautionx("c");
                }),
                ::testing::ExitedWithCode(0), ::testing::StrEq("Errors  : 0\n\nFile Passed\n"));
}

TEST_F(ErrlogTotals, BugsErrorsAndCautionsFail)
{
    EXPECT_EXIT(RunThenTotals([] {
                    gbSuppressCautions = 0;
                    ERRLOG_BugNew(1908, "x", 1);
                    ERRLOG_LineErrorx("e");
                    ERRLOG_ErrorNew(1923);
                    ERRLOG_CautionNew(1918);
                }),
                ::testing::ExitedWithCode(0),
                ::testing::EndsWith("\n\nBugs    : 1\nErrors  : 2\nCautions: 1\n\nFile Failed\n"));
}

TEST_F(ErrlogTotals, CautionsAloneGiveNoBlankLineAndPass)
{
    EXPECT_EXIT(RunThenTotals([] {
                    gbSuppressCautions = 0;
                    ERRLOG_CautionNew(1918);
                }),
                ::testing::ExitedWithCode(0),
                ::testing::EndsWith("CAUTION - Unexpected '=' found\nErrors  : 0\nCautions: 1\n\nFile Passed\n"));
}

}  // namespace

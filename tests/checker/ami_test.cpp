// AMI parameter files: reading (comments, line joining, description lines),
// parse failures, the reserved parameters and every format check, with exact
// message lines in both styles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/ami.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "tests/checker/checker_fixture.h"

namespace {

const std::string kInit =
    "(Init_Returns_Impulse (Usage Info) (Type Boolean) (Default False) (Description \"impulse\"))";
const std::string kGetWave = "(GetWave_Exists (Usage Info) (Type Boolean) (Default True) (Description \"wave\"))";

// A file with the two mandatory reserved parameters, extra reserved
// parameters and a Model_Specific branch.
std::string File(const std::string& reservedExtra, const std::string& specific = "")
{
    const std::string tail = specific.empty() ? "" : " (Model_Specific\n  " + specific + "\n )\n";
    return "(m\n (Reserved_Parameters\n  " + kInit + "\n  " + kGetWave + "\n  " + reservedExtra + "\n )\n" + tail +
           ")\n";
}

// A Model_Specific parameter with one Format leaf.
std::string Specific(const std::string& format)
{
    return "(p (Usage In) (Type Float) (" + format + ") (Default 1) (Description \"d\"))";
}

struct AmiCase {
    const char* what;
    std::string text;
    const char* expected;  // numbered style
};

const AmiCase kAmiCases[] = {
    {"a valid file", File("(Max_Init_Aggressors (Usage Info) (Type Integer) (Default 4) (Description \"a\"))",
                          Specific("Format Range 0 0 31")),
     ""},
    {"blank lines before the first parenthesis", "\n\n   \n" + File(""), ""},
    {"comments are cut, a parenthesis in a comment does not count",
     "| ( header comment\n" + File("", "(q (Usage Out) (Type Integer) (Default 2) | ) (\n (Description \"c\"))"),
     ""},
    {"tokens of adjacent lines are kept apart",
     File("(Ignore_Bits (Usage Info) (Type Integer) (Default\n5) (Description\n\"n\"))"), ""},
    {"text before the first parenthesis", "x(m (Reserved_Parameters))\n",
     "E4620 - The AMI parameter file should start with a parenthesis\n"},
    {"mismatched parentheses", "(m (Reserved_Parameters (a 1))\n",
     "E4619 - The AMI parameter file has mismatched parenthesis\n"},
    {"a parenthesis inside a quoted description does not count",
     File("", "(p (Usage In) (Type Float) (Format Value 1) (Default 1) (Description \"one ( two\"))"), ""},
    {"a list holding a name and nothing else", "(m (Reserved_Parameters (a )(b 1)))\n",
     "E4634 -\n    Invalid syntax of branch or leaf. At least 2 elements expected in a list\n"},
    {"a second list at the top is an internal parse failure", "(m (a 1)) (b 2)\n",
     "B4621 - Internal error while parsing AMI Parameter file\n"},
    {"Model_Specific only", "(m (Model_Specific (p (Usage In) (Type Float))))\n",
     "E4622 - No Reserved_Parameters found\n"},
    {"Init_Returns_Impulse missing", "(m (Reserved_Parameters " + kGetWave + "))\n",
     "E4625 - Init_Returns_Impulse parameter is mandatory\n"},
    {"Usage In for Init_Returns_Impulse, and a Format leaf",
     "(m (Reserved_Parameters (Init_Returns_Impulse (Usage In) (Type Boolean) (Format Value 1) (Format List 1) "
     "(Default False) (Description \"i\")) " + kGetWave + "))\n",
     "E4627 - Illegal Usage value In specified for Init_Returns_Impulse\n"
     "E4629 - Unexpected parameter Format specified for Init_Returns_Impulse\n"},
    {"Max_Init_Aggressors with a Default of 2.5",
     File("(Max_Init_Aggressors (Usage Info) (Type Integer) (Default 2.5) (Description \"a\"))"),
     "E4627 - Illegal Default value 2.5 specified for Max_Init_Aggressors\n"
     "E4630 - Parameter Default is mandatory for Max_Init_Aggressors\n"},
    {"Use_Init_Output needs a boolean Default",
     File("(Use_Init_Output (Usage Info) (Type Boolean) (Default true) (Description \"u\"))"),
     "E4627 - Illegal Default value true specified for Use_Init_Output\n"
     "E4630 - Parameter Default is mandatory for Use_Init_Output\n"},
    {"Tx_Jitter with a good Gaussian",
     File("(Tx_Jitter (Usage Info) (Type Float) (Format Gaussian 0 0.1) (Description \"j\"))"), ""},
    {"Tx_Jitter with a short Gaussian",
     File("(Tx_Jitter (Usage Info) (Type Float) (Format Gaussian 0) (Description \"j\"))"),
     "E4632 - Gaussian: Illegal Format for Tx_Jitter. Expected 2 number(s)\n"
     "E4630 - Parameter Format is mandatory for Tx_Jitter\n"},
    {"Tx_Jitter with a Table",
     File("(Tx_Jitter (Usage Out) (Type UI) (Format Table) (Description \"j\"))"), ""},
    {"Tx_Jitter and Rx_Clock_PDF with real tables",
     File("(Tx_Jitter (Usage Info) (Type Float)\n   (Format Table (Labels Row_No Time Probability)\n"
          "    (-1 -1e-12 0.25) (0 0 0.5)\n    (1 1e-12 0.25)) (Description \"j\"))\n"
          "  (Rx_Clock_PDF (Usage Info) (Type UI) (Format Table (Labels Time Probability) (-0.1 0.5) (0.1 0.5))"
          " (Description \"(r)\"))"),
     ""},
    {"tables without labels, with a word in a row, with a short row",
     File("(Tx_Jitter (Usage Info) (Type Float) (Format Table (0 0.5)) (Description \"j\"))"
          "(Rx_Clock_PDF (Usage Info) (Type UI) (Format Table (Labels T P) (x 0.5)) (Description \"r\"))",
          "(q (Usage In) (Type Float) (Format Table (Labels T P) (1 0.5) (2)) (Description \"q\"))"),
     "E4632 - Table: Illegal Format for Tx_Jitter. Expected 0 number(s)\n"
     "E4632 - Table: Illegal Format for Rx_Clock_PDF. Expected 2 number(s)\n"
     "E4632 - Table: Illegal Format for q. Expected 2 number(s)\n"},
    {"the comment character inside double quotes, also over two lines, is text",
     File("(Tx_DCD (Usage Info) (Type UI) (Format Value 0.1) (Description \"a | b) (c\")) | (comment"
          "\n  (Rx_Receiver_Sensitivity (Usage Info) (Type Float) (Format Value 0.1) (Description \"x |\n y\"))"),
     ""},
    {"Tx_Jitter without Format",
     File("(Tx_Jitter (Usage Info) (Type Float) (Default 0.1) (Description \"j\"))"),
     "E4630 - Parameter Format is mandatory for Tx_Jitter\n"},
    {"Rx_Clock_PDF, Tx_DCD and Rx_Receiver_Sensitivity without Format",
     File("(Rx_Clock_PDF (Usage Info) (Type UI) (Description \"r\"))"
          "(Tx_DCD (Usage Info) (Type UI) (Description \"t\"))"
          "(Rx_Receiver_Sensitivity (Usage Info) (Type Float) (Description \"s\"))"),
     "E4630 - Parameter Format is mandatory for Rx_Clock_PDF\n"
     "E4630 - Parameter Format is mandatory for Tx_DCD\n"
     "E4630 - Parameter Format is mandatory for Rx_Receiver_Sensitivity\n"},
    {"Rx_Receiver_Sensitivity with Type UI and a format outside its table",
     File("(Rx_Receiver_Sensitivity (Usage Info) (Type UI) (Format Gaussian 0 1) (Description \"s\"))"),
     "E4627 - Illegal Type value UI specified for Rx_Receiver_Sensitivity\n"
     "E4627 - Illegal Format value Gaussian specified for Rx_Receiver_Sensitivity\n"
     "E4630 - Parameter Format is mandatory for Rx_Receiver_Sensitivity\n"},
    {"Labels inside a reserved parameter; accepted in Model_Specific",
     File("(Ignore_Bits (Usage Info) (Type Integer) (Default 3) (Labels a) (Description \"i\"))",
          "(p (Usage In) (Type Float) (Format List 1 2) (Labels a b) (Default 1))"),
     "E4624 - Unknown parameter Labels found as a child of Ignore_Bits\n"},
    {"a reserved parameter with nothing but a branch",
     File("(Ignore_Bits (Sub (Usage Info)))"),
     "E4628 - Found a branch Sub expecting a leaf for Ignore_Bits\n"
     "E4630 - Parameter Usage is mandatory for Ignore_Bits\n"
     "E4630 - Parameter Type is mandatory for Ignore_Bits\n"
     "E4630 - Parameter Default is mandatory for Ignore_Bits\n"
     "E4630 - Parameter Description is mandatory for Ignore_Bits\n"},
    {"a leaf and an unknown parameter in Reserved_Parameters",
     File("(AMI_Version 5.1) (Foo (Usage Info))"),
     "E4600 - Expected a branch but found 'AMI_Version'  as a leaf of 'Reserved_Parameters'\n"
     "E4624 - Unknown parameter Foo found as a child of Reserved_Parameters\n"},
    {"an unknown branch at the top and a bad usage deep in Model_Specific",
     "(m (Reserved_Parameters " + kInit + kGetWave + ") (Other (x 1)) (Model_Specific (g (p (Usage Sideways)))))\n",
     "E4623 - Unknown branch Other found\n"
     "E4627 - Illegal Usage value Sideways specified for p\n"},
    {"bad Type and bad Format word in Model_Specific",
     File("", "(p (Usage In) (Type Double) (Format Ramp 1))"),
     "E4627 - Illegal Type value Double specified for p\nE4627 - Illegal Format value Ramp specified for p\n"},
};

// Each format check: the word, a good value list and a bad one, and the
// expected count in the message.
struct FormatCase {
    const char* word;
    const char* good;
    const char* bad;
    int count;
};
const FormatCase kFormatCases[] = {
    {"Value", "1.5", "1 2", 1},
    {"Range", "1 0 2", "1 0 x", 3},
    {"Corner", "1 0 2", "1 0", 3},
    {"Increment", "1 0 10 1", "1 0 10", 4},
    {"Steps", "1 0 10 5", "1 0 10 5 6", 4},
    {"Dual-Dirac", "0 0.1 0.2", "0 0.1 x", 3},
    {"DjRj", "0.1 0.2 0.3", "0.1", 3},
    {"Gaussian", "0 1e-12", "True 1", 2},
    {"List", "a b c", "", 1},
};

class AmiTest : public CheckerFixture {};

TEST_F(AmiTest, MessagesOfEachCaseInBothStyles)
{
    for (const AmiCase& c : kAmiCases) ExpectBothStyles(Write("t.ami", c.text), FILE_TYPE_AMI, c.expected, c.what);
}

TEST_F(AmiTest, EveryFormatCheck)
{
    for (const FormatCase& f : kFormatCases) {
        const std::string good = std::string("Format ") + f.word + " " + f.good;
        ExpectBothStyles(Write("f.ami", File("", Specific(good))), FILE_TYPE_AMI, "", good);
        const std::string bad = std::string("Format ") + f.word + (*f.bad ? " " : "") + f.bad;
        const std::string expected = std::string("E4632 - ") + f.word + ": Illegal Format for p. Expected " +
                                     std::to_string(f.count) + " number(s)\n";
        ExpectBothStyles(Write("f.ami", File("", Specific(bad))), FILE_TYPE_AMI, expected, bad);
    }
}

TEST_F(AmiTest, DescriptionLinesOf120CharactersPassAnd121DoNot)
{
    // Closing lines of two descriptions, of 120 and 121 characters.
    const std::string at120 = std::string(120 - 4, 'a') + "xy\")";
    const std::string at121 = std::string(121 - 4, 'b') + "xy\")";
    const std::string text = "(m (Reserved_Parameters " + kInit + kGetWave + ")\n(Model_Specific\n(p (Usage In)\n"
                             "(Description \"one\n" + at120 + "\n(Description \"two\n" + at121 +
                             "\n(Type Float)\n" + std::string(130, 'c') + "\n)))\n";
    // Line 7 (the 121-character line) lies inside a description; line 9 does
    // not: the parameter start before it closed the description.
    ExpectBothStyles(Write("d.ami", text), FILE_TYPE_AMI,
                     "E0923 -\n    Description line in AMI file (at line no 7) is greater than 120 characters\n",
                     "description lines");
}

TEST_F(AmiTest, UpperCaseNameAndTabsAreWarnedOnce)
{
    ExpectBothStyles(Write("Up.ami", "(m\t(Reserved_Parameters\t" + kInit + "\n\t" + kGetWave + "))\n"),
                     FILE_TYPE_AMI,
                     "W0901 - Filename 'Up.ami' should be lowercase\n"
                     "W0921 (line    1) - IBIS files should not contain tab characters.\n",
                     "name and tabs");
}

TEST_F(AmiTest, WrongExtensionAndMissingFile)
{
    int parsed = -1;
    gbOldStyleErrors = 0;
    EXPECT_EQ(Check(Write("t.txt", File("")), FILE_TYPE_AMI, &parsed),
              "E1924 - File Name Requires '.ami' Extension.\n");
    EXPECT_EQ(parsed, 0);
    EXPECT_EQ(Check(m_dir + "/gone.ami", FILE_TYPE_AMI, &parsed),
              Fill("E1905 - Unable To Open File '{dir}gone.ami'\n", ""));
    EXPECT_EQ(parsed, 0);
}

TEST_F(AmiTest, TextIsJoinedWithOneBlankBetweenLinesAndFreedByTheParse)
{
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(Write("j.ami", "(a\n  (b 1)   | note\n(c\n2))\n").c_str(), FILE_TYPE_AMI), 1);
    ASSERT_NE(AMI_GetText(), nullptr);
    EXPECT_STREQ(AMI_GetText(), "(a   (b 1) (c 2))");
    PARSED_TREE* tree = nullptr;
    EXPECT_EQ(AMI_ParseAndCheck(&tree), 1);
    EXPECT_EQ(AMI_GetText(), nullptr);
    ASSERT_NE(tree, nullptr);
    FreeParsedTree(&tree);
    FINI();
    Take();
}

}  // namespace

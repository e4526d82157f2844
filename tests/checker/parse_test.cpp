// The checker frame: version probe, line lengths by version, line
// classification, keyword recognition, [Comment Char], [End], file types and
// names, and the character rules of the line reader; each case checked with
// its exact message lines in both print styles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/keywords.h"
#include "checker/parse.h"
#include "tests/checker/checker_fixture.h"

namespace {

struct FrameCase {
    const char* what;
    const char* file;  // name in the private folder
    int type;
    std::vector<std::string> lines;
    const char* expected;  // numbered style
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// A line of exactly n characters that is a comment.
std::string CommentOf(size_t n) { return "|" + Repeat('x', n - 1); }

const FrameCase kFrameCases[] = {
    {"first keyword other than [IBIS Ver]", "a.ibs", FILE_TYPE_IBS,
     {"| comment", kComponent, "[End]"},
     "E0900 - Could not determine Version for file {path}\n"},
    {"version 1 is not checked", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 1.1", "[End]"},
     "E0900 - Could not determine Version for file {path}\n"},
    {"a valid minimal file raises nothing", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", kComponent, "[End]"},
     ""},
    {"version 4 allows 120 characters, not 121", "a.ibs", FILE_TYPE_IBS,
     {"[ibis_ver] 4.1", "[File Name] a.ibs", "[File Rev] 1.0", CommentOf(81), CommentOf(120), CommentOf(121),
      kComponent, "[End]"},
     "E0905 (line    6) - Exceeds 120 chararacters.\n"},
    {"version 3 allows 80 characters; the [IBIS Ver] line itself counts under 80", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 3.2" + Repeat(' ', 70), "[File Name] a.ibs", "[File Rev] 1.0", CommentOf(80), CommentOf(81),
      kComponent, "[End]"},
     "E0905 (line    1) - Exceeds 80 chararacters.\nE0905 (line    5) - Exceeds 80 chararacters.\n"},
    {"[Test Data] is unknown to version 3.2 and so are its data lines", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 3.2", "[File Name] a.ibs", "[File Rev] 1.0", "[Test Data] t1", "Test_load_type = x",
      kComponent, "[End]"},
     "E0916 (line    4) - Invalid Keyword: Test_Data\n"
     "E0907 (line    5) - Data for unknown keyword.\nTest_load_type = x\n"},
    {"indented keyword: E906 and still a keyword; under [Notes] it is text", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[Notes] n", "  [Model] in notes",
      "[Component] c", "  [Manufacturer] m", "[End]"},
     "E0906 (line    7) - Keywords Must Begin In Column 1.\n"
     "E0519 - Keyword 'Package' not defined for Component 'c'.\n"
     "E0524 - Unable to find Pin keyword data for Component 'c'.\n"},
    {"[Comment Char] #_char changes the comment character", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[Comment Char] #_char", "# a comment", "[File Name] a.ibs # trailing",
      "[File Rev] 1.0", kComponent, "[End]"},
     ""},
    {"[Comment Char] a_char is refused and | stays", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[Comment Char] a_char", "| a comment", "[File Name] a.ibs", "[File Rev] 1.0",
      kComponent, "[End]"},
     "E0918 (line    2) - Invalid Comment Character 'a'.\n"},
    {"[Comment Char] without _char, and with extra items", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[Comment Char] #", "[Comment Char] !_char extra", "! comment", "[File Name] a.ibs",
      "[File Rev] 1.0", kComponent, "[End]"},
     "E0917 (line    2) - Invalid Comment Character Definition.\n"
     "E0919 (line    3) - Too Many Line Items For Keyword COMMENT_CHAR.\n"},
    {"no [End]: E903 once", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", kComponent},
     "E0903 - Required keyword 'End' not found.\n"},
    {"after [End] comments pass, data and keywords do not", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", kComponent, "[End]", "| only a comment",
      "   ", "data", "[Model] m"},
     "E0902 (line   15) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   16) - Non-comment line exists after 'End' keyword.\n"},
    {"extraneous data on [End]", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", kComponent, "[End] now"},
     "E0920 (line   12) - Extraneous data on End keyword line.\n"},
    {"[Component] in a .pkg file", "a.pkg", FILE_TYPE_PKG,
     {"[IBIS Ver] 4.2", "[File Name] a.pkg", "[File Rev] 1.0", "[Component] c", "[Pin] x", "[End]"},
     "E0911 (line    4) - Illegal keyword for a '.pkg' file.\n"
     "E3416 - No Define Package Model found in file 'a.pkg'\n"},
    {"[Model] in a .ebd file", "a.ebd", FILE_TYPE_EBD,
     {"[IBIS Ver] 4.2", "[File Name] a.ebd", "[File Rev] 1.0", "[Model] m", "Model_type Input", "[End]"},
     "E0912 (line    4) - Illegal keyword for a '.ebd' file.\n"
     "E4332 - No Begin Board Description found in file 'a.ebd'\n"},
    {"[Begin Board Description] in a .ibs file", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[Begin Board Description] b", kComponent,
      "[End]"},
     "E0913 (line    4) - Illegal keyword for a '.ibs' file.\n"},
    {"upper-case extension opens; the name draws W901", "Dev.IBS", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] dev.ibs", "[File Rev] 1.0", kComponent, "[End]"},
     "W0901 - Filename 'Dev.IBS' should be lowercase\n"},
    {"wrong extension", "a.txt", FILE_TYPE_IBS, {"[IBIS Ver] 4.2"},
     "E1900 - File Name Requires '.ibs' Extension.\n"
     "E0900 - Could not determine Version for file {path}\n"},
    {"the tab warning is given once per file", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name]\ta.ibs", "[File Rev]\t1.0", kComponent, "[End]"},
     "W0921 (line    2) - IBIS files should not contain tab characters.\n"},
    {"a carriage return inside a line, a NUL and a high byte", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", std::string("| a\rb"), std::string("| c\0d", 5),
      "| \xe9", kComponent, "[End]"},
     "E1917 (line    4) -\n    Found illegal control character (code d).  Converting to space.\n"
     "E1917 (line    5) - Found illegal NUL character (code 0).  Converting to space.\n"
     "E1917 (line    6) -\n    Found illegal non-7-bit ASCII character (code e9).  Converting to space.\n"},
    {"CR LF line ends and a final Ctrl-Z are line ends, not characters", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2\r", "[File Name] a.ibs\r", "[File Rev] 1.0\r", "[Component] c\r", "[Manufacturer] m\r",
      "[Package]\r", "R_pkg 0.1 NA NA\r", "L_pkg 1n NA NA\r", "C_pkg 1p NA NA\r", "[Pin] signal_name model_name\r",
      "1 VDD POWER\r", "[End]\r"},
     ""},
    {"keyword without closing bracket, empty keyword", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[Pin", "[]", kComponent, "[End]"},
     "E0914 (line    4) - Keyword Missing Ending Bracket (']').\nE0915 (line    5) - Invalid Keyword.\n"},
    {"a blank inside the bracket is part of the keyword", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[ Pin]", kComponent, "[End]"},
     "E0916 (line    4) - Invalid Keyword: _Pin\n"},
    {"a second [IBIS Ver]", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[IBIS Ver] 4.2", kComponent, "[End]"},
     "E1005 (line    4) - Duplicate IBIS_Ver keyword\nE0910 (line    4) - Duplicate IBIS_Ver keyword.\n"
     "E1915 - Required keyword 'File_name' not found in file 'a.ibs'.\n"
     "E1915 - Required keyword 'File_Rev' not found in file 'a.ibs'.\n"},
    {"a file without [Component]", "a.ibs", FILE_TYPE_IBS,
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[End]"},
     "E5001 - Required keyword 'Component' not found.\n"},
};

class FrameTest : public CheckerFixture {};

TEST_F(FrameTest, MessagesOfEachCaseInBothStyles)
{
    for (const FrameCase& c : kFrameCases) {
        const std::string path = Write(c.file, Lines(c.lines));
        ExpectBothStyles(path, c.type, c.expected, c.what);
    }
}

TEST_F(FrameTest, FinalCtrlZAndMissingFinalLineFeed)
{
    const std::string head = std::string("[IBIS Ver] 4.2\n[File Name] z.ibs\n[File Rev] 1.0\n") + kComponent + "\n";
    ExpectBothStyles(Write("z.ibs", head + "[End]\x1a"), FILE_TYPE_IBS, "", "Ctrl-Z before the end of the file");
    ExpectBothStyles(Write("z.ibs", head + "[End]"), FILE_TYPE_IBS, "", "no final line feed");
    ExpectBothStyles(Write("z.ibs", head + "[End]\x1a\n"), FILE_TYPE_IBS,
                     "E1917 (line   12) -\n    Found illegal control character (code 1a).  Converting to space.\n",
                     "Ctrl-Z before a line feed");
}

TEST_F(FrameTest, MissingFileIsReportedAndNotParsed)
{
    int parsed = -1;
    gbOldStyleErrors = 0;
    const std::string messages = Check(m_dir + "/none.ibs", FILE_TYPE_IBS, &parsed);
    EXPECT_EQ(parsed, 0);
    EXPECT_EQ(messages, Fill("E1905 - Unable To Open File '{dir}none.ibs'\n"
                             "E0900 - Could not determine Version for file {dir}none.ibs\n",
                             ""));
}

TEST_F(FrameTest, NameWithoutExtensionGetsItAndStoredDirectoryServesBareNames)
{
    Write("b.ibs", Lines({"[IBIS Ver] 4.2", "[File Name] b.ibs", "[File Rev] 1.0", kComponent, "[End]"}));
    int parsed = 0;
    EXPECT_EQ(Check(m_dir + "/b", FILE_TYPE_IBS, &parsed), "");
    EXPECT_EQ(parsed, 1);
    char dir[CMN_MAX_FILENAME + 1];
    CMN_GetIbsPath(dir);
    EXPECT_EQ(std::string(dir), m_dir + "/");
    // A bare name is looked for in the stored directory.
    EXPECT_EQ(Check("b.ibs", FILE_TYPE_IBS, &parsed), "");
    EXPECT_EQ(parsed, 1);
}

TEST_F(FrameTest, UpperCaseFileFoundByItsLowerCaseName)
{
    Write("up.ibs", Lines({"[IBIS Ver] 4.2", "[File Name] up.ibs", "[File Rev] 1.0", kComponent, "[End]"}));
    int parsed = 0;
    EXPECT_EQ(Check(m_dir + "/UP.ibs", FILE_TYPE_IBS, &parsed), "");
    EXPECT_EQ(parsed, 1);
}

TEST_F(FrameTest, VersionProbe)
{
    struct {
        const char* first;
        int version;
    } cases[] = {
        {"[IBIS Ver] 5.0", 5}, {"[ibis_ver]   3.2", 3}, {"  [IBIS VER] 2.1", 2}, {"[IBIS Ver] x", 0},
        {"[Component] c", 0},  {"[IBIS Ver]", 0},      {"[IBIS Ver] 4", 4},     {"[IBIS Ver] 9.1", 0},
    };
    for (const auto& c : cases) {
        const std::string path = Write("v.ibs", Lines({"|", "", c.first, "[End]"}));
        unsigned long lines = 0;
        EXPECT_EQ(CMN_getIbisVer(path.c_str(), &lines, FILE_TYPE_IBS), c.version) << c.first;
        EXPECT_EQ(lines, 3u) << c.first;
    }
    Take();
}

TEST_F(FrameTest, KeywordRecognitionWithContext)
{
    struct {
        const char* line;
        int version;
        int fileType;
        int previous;
        int expected;
    } cases[] = {
        {"[Model Selector]", 3, FILE_TYPE_IBS, KW_NOT_KEY, KW_MODEL_SELECTOR},
        {"[model_selector]", 5, FILE_TYPE_IBS, KW_NOT_KEY, KW_MODEL_SELECTOR},
        {"[Manufacturer]", 4, FILE_TYPE_IBS, KW_COMPONENT, KW_MANUFACTURER},
        {"[Manufacturer]", 4, FILE_TYPE_IBS, KW_OEM, KW_PKG_MANUFACTURER},
        {"[Manufacturer]", 2, FILE_TYPE_PKG, KW_DEFINE_PACKAGE_MODEL, KW_PKG_MANUFACTURER},
        {"[Manufacturer]", 4, FILE_TYPE_EBD, KW_BEGIN_BOARD_DESCRIPTION, KW_EBD_MANUFACTURER},
        {"[Number of Pins]", 4, FILE_TYPE_EBD, KW_EBD_MANUFACTURER, KW_EBD_NUMBER_OF_PINS},
        {"[Number of Pins]", 4, FILE_TYPE_PKG, KW_OEM, KW_NUMBER_OF_PINS},
        {"[Algorithmic Model]", 5, FILE_TYPE_IBS, KW_MODEL, KW_ALGORITHMIC_MODEL},
        {"[End]", 2, FILE_TYPE_IBS, KW_MODEL, KW_END},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        EXPECT_EQ(PARSE_RecogniseKeyword(&line[0], c.version, c.fileType, c.previous), c.expected) << c.line;
    }
    std::string alg = "[Algorithmic Model]";
    EXPECT_EQ(PARSE_RecogniseKeyword(&alg[0], 4, FILE_TYPE_IBS, KW_MODEL), KW_NOT_KEY);
    EXPECT_NE(Take().find("Invalid Keyword: Algorithmic_Model"), std::string::npos);
}

TEST_F(FrameTest, KeywordNamesOfTheFirstTable)
{
    char buf[118];
    PARSE_GetKeywordStr(KW_PIN_MAPPING, buf);
    EXPECT_STREQ(buf, "PIN_MAPPING");
    PARSE_GetKeywordStr(KW_PKG_MANUFACTURER, buf);
    EXPECT_STREQ(buf, "MANUFACTURER");
    gbOldStyleErrors = 0;
    PARSE_GetKeywordStr(KW_MODEL_SELECTOR, buf);
    EXPECT_STREQ(buf, "Unknown enumerated keyword code");
    EXPECT_EQ(Take(), "B0904 - Unknown enumerated keyword code.\n");
}

TEST_F(FrameTest, OverLongLineIsReportedAndHandledSafely)
{
    // 2,000 blanks before a keyword and 1,500 blanks inside a data line: the
    // line is kept to 1,023 characters, reported, and nothing stops.
    const std::string path = Write("long.ibs", Lines({"[IBIS Ver] 4.2", "[File Name] long.ibs", "[File Rev] 1.0",
                                                     "[Component] c", std::string(2000, ' ') + "[Pin] x",
                                                     "a" + std::string(1500, ' ') + "b", "[End]"}));
    gbOldStyleErrors = 0;
    EXPECT_EQ(Check(path, FILE_TYPE_IBS), "E0905 (line    5) - Exceeds 120 chararacters.\n"
                                          "E0905 (line    6) - Exceeds 120 chararacters.\n"
                                          "E0535 (line    6) - Unknown Line after Component Description\n"
                                          "E0514 - Required keyword 'Manufacturer' not defined for Component 'c'.\n"
                                          "E0519 - Keyword 'Package' not defined for Component 'c'.\n"
                                          "E0524 - Unable to find Pin keyword data for Component 'c'.\n");
}

TEST_F(FrameTest, NestedStateIsSavedAndRestored)
{
    const std::string a = Write("outer.ibs", Lines({"[IBIS Ver] 4.2", "[File Name] outer.ibs", "[File Rev] 1"}));
    EXPECT_EQ(INIT(), 1);
    PARSE_BeginFile(FILE_TYPE_IBS);
    PARSE_SetFileName("outer.ibs");
    PARSE_SetLineNum(42);
    PARSE_SetFileVersion(4);
    PARSE_STATE saved;
    PARSE_SaveState(&saved);
    EXPECT_EQ(PARSE(Write("inner.ami", "(m (Reserved_Parameters))\n").c_str(), FILE_TYPE_AMI), 1);
    char name[CMN_MAX_FILENAME + 1];
    PARSE_GetFileName(name);
    EXPECT_STREQ(name, "inner.ami");
    PARSE_RestoreState(&saved);
    PARSE_GetFileName(name);
    EXPECT_STREQ(name, "outer.ibs");
    EXPECT_EQ(PARSE_GetLineNum(), 42u);
    EXPECT_EQ(PARSE_GetFileVersion(), 4);
    EXPECT_EQ(PARSE_GetFileType(), FILE_TYPE_IBS);
    FINI();
    Take();
}

}  // namespace

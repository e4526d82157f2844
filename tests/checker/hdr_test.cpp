// File header keywords: versions, file names, required keywords, texts,
// duplicates and orphans, with exact message lines in both styles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/hdr.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "tests/checker/checker_fixture.h"

namespace {

struct HeaderCase {
    const char* what;
    const char* file;
    std::vector<std::string> lines;
    const char* expected;  // numbered style
};

const HeaderCase kHeaderCases[] = {
    {"[IBIS Ver] 4.3 is reported and checked as version 4 (long lines, [Model Selector])", "a.ibs",
     {"[IBIS Ver] 4.3", "[File Name] a.ibs", "[File Rev] 1.0", "|" + std::string(119, 'x'), kComponent,
      "[Model Selector] s", "[End]"},
     "E1008 (line    1) - Illegal IBIS_Version '4.3'.\n"
     "E4005 - Model Selector: 's' has no models defined\n"},
    {"lines before [IBIS Ver] are held to the probed version's limit", "a.ibs",
     {"|" + std::string(119, 'x'), "|" + std::string(120, 'x'), "[IBIS Ver] 5.9", "[File Name] a.ibs",
      "[File Rev] 1.0", kComponent, "[End]"},
     "E0905 (line    2) - Exceeds 120 chararacters.\n"
     "E1008 (line    3) - Illegal IBIS_Version '5.9'.\n"},
    {"[IBIS Ver] 4.1 sets version 4: 120-character lines pass", "a.ibs",
     {"[IBIS Ver] 4.1", "[File Name] a.ibs", "[File Rev] 1.0", "|" + std::string(119, 'x'), kComponent,
      "[End]"},
     ""},
    {"version 2.1: a 13-character file name is cut to 12", "abcdefghi.ibs",
     {"[IBIS Ver] 2.1", "[File Name] abcdefghi.ibs", "[File Rev] 1.0", kComponent, "[End]"},
     "E1912 (line    2) -\n    File_name string 'abcdefghi.ibs' is too long, truncating to 12 characters.\n"
     "E1014 (line    2) -\n    File name opened 'abcdefghi.ibs' not the same as File_name 'abcdefghi.ib'.\n"},
    {"version 3.2: a 25-character file name is kept and reported", "abcdefghijklmnopqrstu.ibs",
     {"[IBIS Ver] 3.2", "[File Name] abcdefghijklmnopqrstu.ibs", "[File Rev] 1.0", kComponent, "[End]"},
     "E1914 (line    2) - File_name string 'abcdefghijklmnopqrstu.ibs' is too long, maximum length 24 allowed.\n"},
    {"upper-case letter in the file name", "my.ibs",
     {"[IBIS Ver] 4.2", "[File Name] My.ibs", "[File Rev] 1.0", kComponent, "[End]"},
     "E1010 (line    2) - File_name 'My.ibs' contains an upper case character 'M'.\n"},
    {"two periods, reported once", "a.b.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.b.ibs", "[File Rev] 1.0", kComponent, "[End]"},
     "E1012 (line    2) - File_name 'a.b.ibs' contains more than one period.\n"},
    {"no period", "noext.ibs",
     {"[IBIS Ver] 4.2", "[File Name] noext", "[File Rev] 1.0", kComponent, "[End]"},
     "E1013 (line    2) - File_name 'noext' must contain one period.\n"
     "E1014 (line    2) -\n    File name opened 'noext.ibs' not the same as File_name 'noext'.\n"},
    {"a blank in the file name", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] my file.ibs", "[File Rev] 1.0", kComponent, "[End]"},
     "E1011 (line    2) -\n    File_name 'my file.ibs' contains a character ' ' that is illegal for DOS.\n"
     "E1014 (line    2) -\n    File name opened 'a.ibs' not the same as File_name 'my file.ibs'.\n"},
    {"missing [File Rev] is found when the header closes", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[Notes] n", kComponent, "[End]"},
     "E1915 - Required keyword 'File_Rev' not found in file 'a.ibs'.\n"},
    {"empty values", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev]", "[Date]", kComponent, "[End]"},
     "E1913 (line    3) - Zero length value for keyword 'File_Rev'.\n"
     "E1913 (line    4) - Zero length value for keyword 'Date'.\n"},
    {"a date of 41 characters is cut", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[Date] " + std::string(41, 'd'),
      kComponent, "[End]"},
     "E1912 (line    4) - Date string 'ddddddddddddddddddddddddddddddddddddddddd' is too long, truncating to 40 "
     "characters.\n"},
    {"reserved word as [File Rev]", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] NA", kComponent, "[End]"},
     "E1916 (line    3) - Illegal use of Reserved Word 'NA'.\n"},
    {"duplicates", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Name] a.ibs", "[File Rev] 1.0", "[File Rev] 2",
      "[Date] d", "[Date] e", "[Source] s", "[Source] t", "[Notes] n", "[Notes] o", "[Copyright] c",
      "[Copyright] d", "[Disclaimer] x", "[Disclaimer] y", kComponent, "[End]"},
     "E1009 (line    3) - Duplicate File_name keyword.\n"
     "E1015 (line    5) - Duplicate File_Rev keyword.\n"
     "E1016 (line    7) - Duplicate Date keyword.\n"
     "E1017 (line    9) - Duplicate Source keyword.\n"
     "E1018 (line   11) - Duplicate Notes keyword.\n"
     "E1019 (line   13) - Duplicate Copyright keyword.\n"},
    {"header keywords after the header are orphans", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "[Component] c", "[Date] d", "more", "[End]"},
     "E0514 - Required keyword 'Manufacturer' not defined for Component 'c'.\n"
     "E0519 - Keyword 'Package' not defined for Component 'c'.\n"
     "E1001 (line    5) - Orphan File Header keyword.\nE1002 (line    6) - Orphan Data Line.\n"
     "E0524 - Unable to find Pin keyword data for Component 'c'.\n"},
    {"data lines under single-line header keywords", "a.ibs",
     {"[IBIS Ver] 4.2", "[File Name] a.ibs", "[File Rev] 1.0", "   1.1", kComponent, "[End]"},
     "E1002 (line    4) - Orphan Data Line.\n"},
};

class HeaderTest : public CheckerFixture {
protected:
    void TearDown() override
    {
        HDR_AllowAnyVersion(0);
        HDR_Allow1xVersions(0);
        HDR_AllowAnyFile_name(0);
        CheckerFixture::TearDown();
    }
};

TEST_F(HeaderTest, MessagesOfEachCaseInBothStyles)
{
    for (const HeaderCase& c : kHeaderCases) ExpectBothStyles(Write(c.file, Lines(c.lines)), FILE_TYPE_IBS, c.expected, c.what);
}

// Reads a file up to the header's end and gives the version it set.
int VersionAfter(CheckerFixture* f, const std::string& path)
{
    (void)f;
    EXPECT_EQ(INIT(), 1);
    EXPECT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    const int v = PARSE_GetFileVersion();
    FINI();
    return v;
}

TEST_F(HeaderTest, VersionsAndTheirSwitches)
{
    // A second [IBIS Ver] line exercises values the version probe would not
    // let through (1.x); a refused value leaves the version as it was, and an
    // unlisted first one (4.3, 5.1) is checked under its major number.
    struct {
        const char* first;
        const char* second;
        bool any;
        bool oneX;
        int version;
    } cases[] = {
        {"4.1", nullptr, false, false, 4}, {"2.0", nullptr, false, false, 2}, {"5.0", nullptr, false, false, 5},
        {"4.3", nullptr, false, false, 4}, {"5.1", nullptr, false, false, 5}, {"3.2", "4.3", false, false, 3},
        {"2.1", "1.1", false, false, 2},
        {"2.1", "1.1", false, true, 1},    {"4.9", nullptr, true, false, 5},  {"3.2", nullptr, true, false, 5},
    };
    for (const auto& c : cases) {
        HDR_AllowAnyVersion(c.any);
        HDR_Allow1xVersions(c.oneX);
        std::vector<std::string> lines = {"[IBIS Ver] " + std::string(c.first)};
        if (c.second) lines.push_back("[IBIS Ver] " + std::string(c.second));
        lines.push_back("[End]");
        EXPECT_EQ(VersionAfter(this, Write("v.ibs", Lines(lines))), c.version)
            << c.first << " then " << (c.second ? c.second : "nothing");
    }
    Take();
}

TEST_F(HeaderTest, AnyFileNameSkipsTheNameRules)
{
    HDR_AllowAnyFile_name(1);
    ExpectBothStyles(Write("a.ibs", Lines({"[IBIS Ver] 4.2", "[File Name] My.B.x", "[File Rev] 1.0", kComponent,
                                          "[End]"})),
                     FILE_TYPE_IBS, "", "any file name allowed");
}

TEST_F(HeaderTest, TextsJoinTheirLinesWithLineFeeds)
{
    const std::string path =
        Write("t.ibs", Lines({"[IBIS Ver] 4.2", "[File Name] t.ibs", "[File Rev] 1.0", "[Notes] first",
                              "second", "  third", "fourth", "[Disclaimer] d1", "[Disclaimer] d2", "[Source]",
                              "s", kComponent, "[End]"}));
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    HDR_STRUCT* h = nullptr;
    ASSERT_EQ(IBIS_GetHdrs(&h), 1);
    const char* text = nullptr;
    ASSERT_EQ(HDR_GetNotes(h, &text), 1);
    EXPECT_STREQ(text, "first\nsecond\n  third\nfourth");
    ASSERT_EQ(HDR_GetDisclaimer(h, &text), 1);
    EXPECT_STREQ(text, "d1\nd2");
    ASSERT_EQ(HDR_GetSource(h, &text), 1);
    EXPECT_STREQ(text, "\ns");
    ASSERT_EQ(HDR_GetIBIS_Ver(h, &text), 1);
    EXPECT_STREQ(text, "4.2");
    EXPECT_EQ(HDR_GetCopyright(h, &text), 0);
    EXPECT_EQ(text, nullptr);
    FINI();
    EXPECT_EQ(Take().find("ERROR"), std::string::npos);
}

}  // namespace

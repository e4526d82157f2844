// Board descriptions: the files a [Reference Designator Map] names are
// checked as nested checks, each once, a board file naming itself is
// refused, and the board file's frame state comes back afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/ebdmdl.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/parse.h"
#include "tests/checker/checker_fixture.h"

namespace {

class BoardTest : public CheckerFixture {};

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(BoardTest, ReferencedFilesAreCheckedOnceEachAsNestedChecks)
{
    Write("part.ibs", Lines({"[IBIS Ver] 3.2", "[File Name] other.ibs", "[File Rev] 1", "[Component] part",
                             "[Manufacturer] m", "[End]"}));
    const std::string board =
        Write("board.ebd", Lines({"[IBIS Ver] 3.2", "[File Name] board.ebd", "[File Rev] 1",
                                  "[Begin Board Description] b", "[Manufacturer] m", "[Number Of Pins] 1",
                                  "[Pin List] signal_name", "A1 s", "[Reference Designator Map]",
                                  "| Ref Des  File name  Component", "U1 part.ibs part", "U2 part.ibs part",
                                  "U3 board.ebd b", "U4 gone.ibs x", "U5 notes.txt y", "[End Board Description]",
                                  "[End]"}));
    gbOldStyleErrors = 0;
    Take();
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(board.c_str(), FILE_TYPE_EBD), 1);
    const unsigned long lines = PARSE_GetLineNum();
    EBD_STRUCT* boards = nullptr;
    ASSERT_EQ(IBIS_GetEbdMdls(&boards), 1);
    EXPECT_STREQ(boards->szName, "b");
    EXPECT_EQ(boards->ulRefDesEntries, 5u);  // the comment line is not an entry
    ASSERT_EQ((TEST)(FILE_TYPE_EBD, 0), 1);
    const std::string out = Take();
    // part.ibs once, with its own finding and its own totals.
    EXPECT_EQ(Count(out, "E1014 (line    2) -\n    File name opened 'part.ibs' not the same as File_name 'other.ibs'.\n"),
              1u)
        << out;
    EXPECT_EQ(Count(out, "\nFile Failed\n"), 2u) << out;  // part.ibs, then gone.ibs
    EXPECT_NE(out.find("E4404 - Ebd file 'board.ebd' recursively references the component b in the calling Ebd file "
                       "'board.ebd'\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(Fill("E1905 - Unable To Open File '{dir}gone.ibs'\n", "")), std::string::npos) << out;
    // notes.txt is refused by the map's rule and never opened.
    EXPECT_EQ(Count(out, "notes.txt"), 1u) << out;
    EXPECT_NE(out.find("E4328 (line   15) -\n    File 'notes.txt' of reference designator 'U5' must be an .ibs or .ebd "
                       "file\n"),
              std::string::npos)
        << out;
    // The board file's frame state is back.
    char name[CMN_MAX_FILENAME + 1];
    PARSE_GetFileName(name);
    EXPECT_STREQ(name, "board.ebd");
    EXPECT_EQ(PARSE_GetLineNum(), lines);
    EXPECT_EQ(PARSE_GetFileType(), FILE_TYPE_EBD);
    EXPECT_EQ(PARSE_GetFileVersion(), 3);
    EXPECT_EQ(IBIS_GetIBIS()->pEbdMdls, boards);
    FINI();
    Take();
}

TEST_F(BoardTest, TwoBoardFilesNamingEachOtherStopAtTheCycle)
{
    const std::vector<std::string> head = {"[IBIS Ver] 3.2", "[File Rev] 1", "[Begin Board Description] b",
                                           "[Manufacturer] m", "[Number Of Pins] 1", "[Pin List] signal_name",
                                           "A1 s", "[Reference Designator Map]"};
    std::vector<std::string> a = head, b = head;
    a.insert(a.begin() + 1, "[File Name] a.ebd");
    b.insert(b.begin() + 1, "[File Name] b.ebd");
    a.insert(a.end(), {"U1 b.ebd b", "[End Board Description]", "[End]"});
    b.insert(b.end(), {"U1 a.ebd b", "[End Board Description]", "[End]"});
    const std::string pa = Write("a.ebd", Lines(a));
    Write("b.ebd", Lines(b));
    gbOldStyleErrors = 0;
    const std::string out = Check(pa, FILE_TYPE_EBD);
    EXPECT_EQ(Count(out, "E4404 - "), 1u) << out;
    EXPECT_NE(out.find("E4404 - Ebd file 'a.ebd' recursively references the component b in the calling Ebd file "
                       "'b.ebd'\n"),
              std::string::npos)
        << out;
}

}  // namespace

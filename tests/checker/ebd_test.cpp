// Board descriptions: the files a [Reference Designator Map] names are
// checked as nested checks, each once, a board file naming itself is
// refused, and the board file's frame state comes back afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

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

namespace {

class BoardRuleTest : public CheckerFixture {
protected:
    // The lines of the board blocks and of the R/L/C section syntax, so that
    // the nested checks of the files a map names stay out of the comparison.
    static std::string BoardBlocks(const std::string& out) { return OnlyCodes(out, {"43", "36", "191", "192"}); }
    void SetUp() override
    {
        CheckerFixture::SetUp();
        Write("part.ibs", Lines({"[IBIS Ver] 3.2", "[File Name] part.ibs", "[File Rev] 1", "[Component] part",
                                 "[Manufacturer] m", "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA",
                                 "C_pkg 1p NA NA", "[Pin] signal_name model_name", "A1 s1 GND", "A2 s2 GND",
                                 "[End]"}));
        gbOldStyleErrors = 0;
    }
};

// Boards of n signal pins and as many supply pins, each signal pin with one
// path of `depth` nested forks, every branch ending at a Node of the map.
std::vector<std::string> Board(const std::string& version, int n, int depth)
{
    std::vector<std::string> out = {"[IBIS Ver] " + version, "[File Name] b.ebd", "[File Rev] 1",
                                    "[Begin Board Description] bd", "[Manufacturer] m",
                                    "[Number Of Pins] " + std::to_string(2 * n), "[Pin List] signal_name"};
    for (int i = 1; i <= n; ++i) {
        out.push_back(std::to_string(2 * i - 1) + " D" + std::to_string(i));
        out.push_back(std::to_string(2 * i) + (i % 3 == 0 ? " NC" : i % 2 ? " GND" : " POWER"));
    }
    for (int i = 1; i <= n; ++i) {
        out.push_back("[Path Description] p" + std::to_string(i));
        out.push_back("Pin " + std::to_string(2 * i - 1));
        out.push_back("Len=0.5 L=8.3n C=3.2p R=0.04 /");
        for (int d = 0; d < depth; ++d)
            out.insert(out.end(), {"Len=0 R=22 /", "Fork", "  Len=0.1 L=8n C=3p /", "  Node U" + std::to_string(d % 2 + 1) + ".A1"});
        for (int d = 0; d < depth; ++d) out.push_back("Endfork");
        out.insert(out.end(), {"Len=0.2 L=8n C=3p R=0.05 /", "Node U2.A2"});
    }
    out.insert(out.end(), {"[Reference Designator Map]", "U1 part.ibs part", "U2 part.ibs part",
                           "[End Board Description]", "[End]"});
    return out;
}

TEST_F(BoardRuleTest, CompleteBoardsRaiseNothing)
{
    for (const char* version : {"3.2", "4.2", "5.0"})
        for (int n : {1, 2, 7, 40})
            for (int depth : {0, 1, 3}) {
                const std::string path = Write("b.ebd", Lines(Board(version, n, depth)));
                const std::string out = Check(path, FILE_TYPE_EBD);
                EXPECT_EQ(BoardBlocks(out), "") << version << " n=" << n << " depth " << depth;
            }
}

// The reference board (lines 1 to 30): pins 1 and 2 are supply pins, 3 and
// 4 signal pins with one path each.
std::vector<std::string> ReferenceBoard()
{
    return {"[IBIS Ver] 3.2", "[File Name] b.ebd", "[File Rev] 1", "[Begin Board Description] bd",
            "[Manufacturer] m", "[Number Of Pins] 4", "[Pin List] signal_name", "1 POWER", "2 GND", "3 D0",
            "4 D1", "[Path Description] p3", "Pin 3", "Len=1 L=8n C=3p R=0.05 /", "Len=0 R=22 /", "Fork",
            "Len=0.2 L=8n C=3p /", "Node U1.A1", "Endfork", "Len=0.5 L=8n C=3p /", "Node U2.A1",
            "[Path Description] p4", "Pin 4", "Len=1 L=8n C=3p /", "Node U1.A2", "[Reference Designator Map]",
            "U1 part.ibs part", "U2 part.ibs part", "[End Board Description]", "[End]"};
}

struct BoardFault {
    const char* what;
    int at;  // line replaced (from 1); 0 for the reference itself
    std::vector<std::string> with;
    const char* expected;
    int drop = 1;
};

const BoardFault kBoardFaults[] = {
    {"the reference itself", 0, {},
     ""},
    {"a signal pin without a path", 22, {},
     "E4318 - Pin '4' (signal 'D1') of Board Description 'bd' has no Path Description\n", 4},
    {"a dangling Node", 25, {"Node U9.A2"},
     "E4317 - Node reference designator 'U9' of Path Description 'p4' (line 25) is not in the Reference Designator Map of Board Description 'bd'\n"},
    {"a path from a pin not in the list", 23, {"Pin 5"},
     "E4314 (line   23) - Pin '5' of Path Description 'p4' is not in the Pin List\n"
     "E4318 - Pin '4' (signal 'D1') of Board Description 'bd' has no Path Description\n"},
    {"two paths from one pin", 23, {"Pin 3"},
     "E4315 (line   23) -\n"
     "    Pin '3' of Path Description 'p4' already starts another path\n"
     "E4318 - Pin '4' (signal 'D1') of Board Description 'bd' has no Path Description\n"},
    {"a path that does not begin with its pin", 23, {"Len=0 L=1n /", "Pin 4"},
     "E4311 (line   23) - Path Description 'p4' must begin with a Pin line\n"},
    {"a second Pin line", 24, {"Pin 3", "Len=1 L=8n C=3p /"},
     "E4312 (line   24) - Path Description 'p4' holds a second Pin line\n"},
    {"a Fork left open", 19, {},
     "E4324 (line   21) - Fork not closed by Endfork in Path Description 'p3'\n"},
    {"an Endfork without Fork", 16, {},
     "E4323 (line   18) - Endfork without Fork in Path Description 'p3'\n"},
    {"a Node without pin", 25, {"Node U1"},
     "E3600 (line   25) - Node 'U1' must be given as reference_designator.pin\n"
     "W4333 - Path Description 'p4' reaches no Node\n"},
    {"a negative inductance", 14, {"Len=1 L=-8n C=3p R=0.05 /"},
     "E4321 (line   14) -\n"
     "    L value '-8n' is negative in an R/L/C section of Path Description 'p3'\n"},
    {"a section without Len", 15, {"R=22 /"},
     "E4320 (line   15) - R/L/C section of Path Description 'p3' has no Len\n"},
    {"Number Of Pins disagrees with the list", 6, {"[Number Of Pins] 5"},
     "E4305 - Board Description 'bd': Number Of Pins is 5 but Pin List lists 4 pins\n"},
    {"Number Of Pins not a number", 6, {"[Number Of Pins] four"},
     "E4304 (line    6) -\n"
     "    Invalid Number Of Pins 'four'; a positive integer is expected\n"},
    {"a pin listed twice", 11, {"3 D1"},
     "E4308 (line   11) - Duplicate Pin '3' in the Pin List of Board Description 'bd'\n"
     "E4314 (line   23) - Pin '4' of Path Description 'p4' is not in the Pin List\n"
     "E4305 - Board Description 'bd': Number Of Pins is 4 but Pin List lists 3 pins\n"},
    {"a pin row with three items", 11, {"4 D1 x"},
     "E4307 (line   11) - Each line of Pin List data must hold a pin name and a signal name, found 3 items\n"
     "E4314 (line   23) - Pin '4' of Path Description 'p4' is not in the Pin List\n"
     "E4305 - Board Description 'bd': Number Of Pins is 4 but Pin List lists 3 pins\n"},
    {"Pin List without signal_name", 7, {"[Pin List]"},
     "E4306 (line    7) - Pin List keyword requires the column header signal_name\n"},
    {"a map row with two items", 28, {"U2 part.ibs"},
     "E4326 (line   28) - Each line of Reference Designator Map data must hold a reference designator, a file name and a component name, found 2 items\n"},
    {"a designator mapped twice", 28, {"U2 part.ibs part", "U2 part.ibs part"},
     "E4327 (line   29) - Duplicate reference designator 'U2' in the Reference Designator Map of Board Description 'bd'\n"},
    {"a mapped file that is not IBIS", 28, {"U2 part.txt part"},
     "E4328 (line   28) -\n"
     "    File 'part.txt' of reference designator 'U2' must be an .ibs or .ebd file\n"},
    {"no Manufacturer", 5, {},
     "E4303 - Required keyword 'Manufacturer' not found in Board Description 'bd'\n"},
    {"a path name used twice", 22, {"[Path Description] p3"},
     "E4310 (line   22) -\n"
     "    Path Description 'p3' defined twice in Board Description 'bd'\n"},
    {"data under Manufacturer", 5, {"[Manufacturer] m", "Inc."},
     "E4329 (line    6) - Data on this line appears to be for the Manufacturer keyword, which does not allow data on subsequent lines.\n"},
    {"a board keyword after the board", 29, {"[End Board Description]", "[Pin List] signal_name"},
     "E4330 (line   30) -\n"
     "    Board keyword 'Pin List' found outside a Begin Board Description\n"},
    {"an unknown token in a section", 20, {"Len=0.5 L=8n Z=3p /"},
     "E1919 (line   20) - Unexpected token 'Z' found in R/L/C section\n"},
};

TEST_F(BoardRuleTest, EachRuleCatchesItsFault)
{
    for (const BoardFault& f : kBoardFaults) {
        std::vector<std::string> lines = ReferenceBoard();
        if (f.at > 0) {
            lines.erase(lines.begin() + (f.at - 1), lines.begin() + (f.at - 1 + f.drop));
            lines.insert(lines.begin() + (f.at - 1), f.with.begin(), f.with.end());
        }
        const std::string out = BoardBlocks(Check(Write("b.ebd", Lines(lines)), FILE_TYPE_EBD));
        EXPECT_EQ(out, f.expected) << f.what;
    }
}

// The real board file of the shared corpus, with the files its map names,
// under their original names: 226 pins of which 88 supply pins, 138 paths,
// and no finding of the board blocks.
TEST_F(BoardRuleTest, CorpusBoardAndItsFiles)
{
    const std::string dir = std::string(AMI_SHARED_DIR) + "/corpus/roach1_hardware__";
    const char* const files[] = {"MT18HTF51272AY-667A1.ebd", "not_used.ibs", "u49a.ibs", "eeprom_nc.ibs"};
    if (access((dir + files[0]).c_str(), R_OK) != 0) GTEST_SKIP() << "no corpus";
    for (const char* f : files) {
        const std::string link = m_dir + "/" + f;
        ASSERT_EQ(symlink((dir + f).c_str(), link.c_str()), 0) << link;
        m_files.push_back(link);
    }
    Take();
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE((m_dir + "/" + files[0]).c_str(), FILE_TYPE_EBD), 1);
    EBD_STRUCT* board = nullptr;
    ASSERT_EQ(IBIS_GetEbdMdls(&board), 1);
    unsigned supply = 0, withPath = 0;
    for (unsigned i = 0; i < board->uPins; ++i) {
        const std::string s = board->pPins[i].pszSignal;
        supply += s == "POWER" || s == "GND" || s == "NC";
        withPath += board->pPins[i].uPaths == 1;
    }
    EXPECT_EQ(board->uPins, 226u);
    EXPECT_EQ(supply, 88u);
    EXPECT_EQ(board->uPaths, 138u);
    EXPECT_EQ(withPath, 138u);
    ASSERT_EQ((TEST)(FILE_TYPE_EBD, 0), 1);
    const std::string out = Take();
    FINI();
    Take();
    EXPECT_EQ(BoardBlocks(out), "") << out;
    EXPECT_EQ(out.find("E1905"), std::string::npos) << out;
}

}  // namespace

// The message catalogue: order, uniqueness, lookup, and that every code the
// sources raise has a text.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/errlog.h"

namespace {

TEST(ErrlogCatalogue, SortedAscendingEachCodeOnce)
{
    ASSERT_GT(giErrorLogTableSize, 1);
    for (int i = 1; i < giErrorLogTableSize; ++i)
        EXPECT_LT(gErrorLogTable[i - 1].iCode, gErrorLogTable[i].iCode)
            << "rows " << i - 1 << " and " << i << " (codes " << gErrorLogTable[i - 1].iCode << ", "
            << gErrorLogTable[i].iCode << ")";
}

TEST(ErrlogCatalogue, FirstRecordIsTheUnknownCodeTextAndATerminatorFollows)
{
    EXPECT_EQ(gErrorLogTable[0].iCode, 0);
    EXPECT_STREQ(gErrorLogTable[0].pszText, "Error code doesn't exist.");
    EXPECT_EQ(gErrorLogTable[giErrorLogTableSize].iCode, 0);
    EXPECT_EQ(gErrorLogTable[giErrorLogTableSize].pszText, nullptr);
    for (int i = 0; i < giErrorLogTableSize; ++i) ASSERT_NE(gErrorLogTable[i].pszText, nullptr) << i;
}

TEST(ErrlogCatalogue, EveryCodeFindsItsOwnRecord)
{
    for (int i = 0; i < giErrorLogTableSize; ++i)
        EXPECT_EQ(BSearchErrorLogTable(gErrorLogTable[i].iCode), i) << gErrorLogTable[i].iCode;
}

TEST(ErrlogCatalogue, AbsentCodesAreNotFound)
{
    std::set<int> present;
    for (int i = 0; i < giErrorLogTableSize; ++i) present.insert(gErrorLogTable[i].iCode);
    // Below, between and beyond the real codes, including the extremes.
    for (int code : {-1, 1, 99, 607, 3301, 9999, 2147483647, -2147483647 - 1}) {
        if (present.count(code)) continue;
        EXPECT_EQ(BSearchErrorLogTable(code), -1) << code;
    }
    const int last = gErrorLogTable[giErrorLogTableSize - 1].iCode;
    EXPECT_EQ(BSearchErrorLogTable(last + 1), -1);
}

// Texts whose blanks, line feeds, quotes and spelling must survive exactly.
TEST(ErrlogCatalogue, TextsKeepTheirExactForm)
{
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {909, "Previous keyword not terminated properly. Possibly missing a \"/\"\n"},
        {1007, "IBIS_Version must be first keyword.\n"},
        {1906, "Memory allocation failed.  This request %u.\n"},
        {1907, "Memory reallocation failed.  This request %u.\n"},
        {1908, "Unable to Allocate Memory: %s %d"},
        {1909, "Invalid %s Value (\"%s\")"},
        {1910, "Suspicious %s %s Value (\"%s\"); Numeric in Scale"},
        {1917, "Found illegal %s character (code %x).%s"},
        {1924, "File Name Requires '.ami' Extension."},
        {3903, "Typ value is not in between Min and Max "},
        {1716, "Model '%s': C_comp %s value %gpF out of expected range (%gpF, %gpF)  "},
        {1704,
         "[Model] %s has no description of the buffer's high state\n         DC drive characteristics "
         "(no [Pullup] table).  This warning\n         can be silenced by using an open drain Model_type "
         "or by\n         adding a [Pullup] table."},
        {1500, "Model '%s': %s VI curves cannot drive through Vmeas=%gV\n          given load Rref=%g Ohms to "
               "Vref=%gV"},
        {3809, "All %s Hystereis Thresholds should be specified for Model Spec defined on line %d"},
        {4600, "Expected a branch but found '%s'  as a leaf of '%s'"},
        {4619, "The AMI parameter file has mismatched parenthesis"},
        {4634, "Invalid syntax of branch or leaf. At least 2 elements expected in a list"},
        {2328, "Invalid %s (\"%s\") (try \"%s\")"},
        {5108, "(line %lu) Repeater Pin names pin '%s' of Component '%s', which is not the non-inverting pin of a "
               "Diff Pin pair"},
        {5109, "(line %lu) Repeater Pin '%s' of Component '%s' uses Model '%s', which has no Algorithmic Model"},
        {5110, "(line %lu) Repeater Pin '%s' of Component '%s' uses Model '%s' of Model_type %s, which does not %s"},
        {5111, "(line %lu) Signal name '%s' of Component '%s' is carried by POWER pin '%s' and GND pin '%s'; as a "
               "bus it would join the two rails"},
        {5500, "Algorithmic Model is not allowed in Model '%s' of Model_type %s"},
    };
    for (const auto& c : cases) {
        const int i = BSearchErrorLogTable(c.code);
        ASSERT_GE(i, 0) << c.code;
        EXPECT_STREQ(gErrorLogTable[i].pszText, c.text) << c.code;
    }
}

std::vector<std::string> SourceFiles(const std::string& dir)
{
    std::vector<std::string> files;
    DIR* d = opendir(dir.c_str());
    if (!d) return files;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        const size_t dot = name.rfind('.');
        if (dot == std::string::npos) continue;
        const std::string ext = name.substr(dot);
        if (ext == ".cpp" || ext == ".h" || ext == ".c") files.push_back(dir + "/" + name);
    }
    closedir(d);
    return files;
}

// Codes raised with a literal in text: every "ERRLOG_<Kind>New(<digits>".
std::vector<int> RaisedCodes(const std::string& text)
{
    static const char* const kRaisers[] = {"ERRLOG_BugNew(",     "ERRLOG_LineBugNew(",  "ERRLOG_ErrorNew(",
                                           "ERRLOG_LineErrorNew(", "ERRLOG_WarnNew(",    "ERRLOG_LineWarnNew(",
                                           "ERRLOG_CautionNew(", "ERRLOG_NoteNew(",     "ERRLOG_LineNoteNew("};
    std::vector<int> codes;
    for (const char* raiser : kRaisers) {
        for (size_t at = text.find(raiser); at != std::string::npos; at = text.find(raiser, at + 1)) {
            size_t p = at + std::strlen(raiser);
            while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p]))) ++p;
            size_t end = p;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
            if (end > p) codes.push_back(std::stoi(text.substr(p, end - p)));
        }
    }
    return codes;
}

TEST(ErrlogCatalogue, RaisedCodeScannerFindsLiteralCodesOnly)
{
    const std::vector<int> codes =
        RaisedCodes("ERRLOG_ErrorNew(1906, n); ERRLOG_LineWarnNew( 513, x); ERRLOG_NoteNew(kCode); ERRLOG_Errorx(\"1\");");
    EXPECT_EQ(codes, (std::vector<int>{1906, 513}));
}

// Every ERRLOG_...New(<literal code>, ...) in the checker, the parser and the
// entry points names a code of the catalogue. Raises through a named
// constant are not seen here.
TEST(ErrlogCatalogue, EveryCodeRaisedInTheSourcesExists)
{
    size_t found = 0;
    for (const char* folder : {"/base", "/checker", "/amiparam", "/ami"}) {
        for (const std::string& path : SourceFiles(std::string(AMI_SOURCE_DIR) + folder)) {
            std::ifstream in(path);
            std::stringstream ss;
            ss << in.rdbuf();
            for (int code : RaisedCodes(ss.str())) {
                ++found;
                EXPECT_GE(BSearchErrorLogTable(code), 0) << path << " raises " << code;
            }
        }
    }
    // The memory helpers alone raise 1906, 1907 and 1908.
    EXPECT_GE(found, 3u);
}

}  // namespace

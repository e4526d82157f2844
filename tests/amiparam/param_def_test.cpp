// Parameter definitions of AMI parameter files: tables lifted out of the
// text, every form of a parameter read, values checked against Type, Range,
// List, Corner, Value, Increment and Steps, the version a text declares, and
// the C entry point hosts reach through both libraries.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "amiparam/AmiParamDef.h"
#include "amiparam/AmiParamParser.h"
#include "tests/ami/AmiLibrary.h"

namespace {

using Vantrel::AMI::AmiVersionOf;
using Vantrel::AMI::CheckParamValue;
using Vantrel::AMI::LiftTables;
using Vantrel::AMI::ParamDef;
using Vantrel::AMI::ParamDefinitions;
using Vantrel::AMI::ParamTable;

std::string Join(const std::vector<std::string>& v)
{
    std::string s;
    for (const std::string& e : v) s += (s.empty() ? "" : "|") + e;
    return s;
}

struct LiftCase {
    const char* text;
    bool bare;
    const char* lifted;
    const char* labels;  // "|"-joined; "-" when none
    const char* rows;    // rows "|"-joined, separated by ";"
    bool wellFormed;
};
const LiftCase kLiftCases[] = {
    {"(p (Format Table (Labels a b) (1 2) (3 4)) (Type Float))", false, "(p (Format Table 0) (Type Float))", "a|b",
     "1|2;3|4", true},
    {"(p (Table (Labels a) (\"x (y)\")))", true, "(p (Format Table 0))", "a", "x (y)", true},
    {"(p (Table (Labels a) (1)))", false, "(p (Table (Labels a) (1)))", nullptr, nullptr, true},
    {"(s (Table (\"x.ens\") (\"y.dat\")))", true, "(s (Format Table 0))", "-", "x.ens;y.dat", true},
    {"(p (Table word (1 (2))))", true, "(p (Format Table 0))", "-", "1|2", false},
    {"(p (Format Table (1 2)", false, "(p (Format Table (1 2)", nullptr, nullptr, true},
};

TEST(ParamDef, LiftTablesEveryForm)
{
    for (const LiftCase& c : kLiftCases) {
        std::vector<ParamTable> tables;
        EXPECT_EQ(LiftTables(c.text, c.bare, tables), c.lifted) << c.text;
        if (!c.labels) {
            EXPECT_TRUE(tables.empty()) << c.text;
            continue;
        }
        ASSERT_EQ(tables.size(), 1u) << c.text;
        EXPECT_EQ(tables[0].hasLabels ? Join(tables[0].labels) : "-", c.labels) << c.text;
        std::string rows;
        for (const auto& r : tables[0].rows) rows += (rows.empty() ? "" : ";") + Join(r);
        EXPECT_EQ(rows, c.rows) << c.text;
        EXPECT_EQ(tables[0].wellFormed, c.wellFormed) << c.text;
        EXPECT_EQ(tables[0].owner, c.text[1] == 's' ? "s" : "p") << c.text;
    }
}

const char* const kFile =
    "(m (Reserved_Parameters (AMI_Version (Usage Info) (Type String) (Value \"7.2\"))\n"
    "  (Tx_Rj (Usage Info) (Type UI) (Range 0.01 0 0.05)))\n"
    " (Model_Specific\n"
    "  (level (Usage In) (Type Integer) (Format Range 0 0 31) (Default 4))\n"
    "  (mode (Usage In) (Type Integer) (List 0 1 2) (List_Tip \"a\" \"b\" \"c\"))\n"
    "  (gain (Usage In) (Type Float) (Increment 1 0 2 0.25))\n"
    "  (bits (Usage In) (Type Float) (Steps 0 0 1 4))\n"
    "  (corner (Usage In) (Type String) (Corner \"t\" \"s\" \"f\"))\n"
    "  (on (Usage In) (Type Boolean) (Value True))\n"
    "  (any (Usage In) (Type Float) (Default 1))\n"
    "  (table (Usage Info) (Type Float) (Table (Labels x y) (1 2)))\n"
    "  (agc (Mode (Usage In) (Type String) (List \"Off\" \"On\")))))\n";

TEST(ParamDef, EveryFormOfAParameterIsRead)
{
    const ParamDefinitions defs(kFile, true);
    ASSERT_EQ(defs.ParseResult(), AMITREE_OK);
    EXPECT_EQ(defs.Root(), "m");
    std::string names;
    for (const ParamDef& p : defs.Params()) names += p.name + (p.reserved ? "* " : " ");
    EXPECT_EQ(names, "AMI_Version* Tx_Rj* level mode gain bits corner on any table agc.Mode ");
    const ParamDef* mode = defs.Find("mode");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->format, "List");
    EXPECT_FALSE(mode->formatWord);
    EXPECT_EQ(Join(mode->listTips), "a|b|c");
    EXPECT_EQ(mode->Initial(), "0");
    EXPECT_EQ(defs.Find("level")->Initial(), "4");
    EXPECT_TRUE(defs.Find("level")->formatWord);
    const ParamDef* table = defs.Find("table");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->table, 0);
    EXPECT_EQ(Join(defs.Tables()[0].labels), "x|y");
    EXPECT_EQ(defs.Find("agc.Mode")->Type(), "String");
    EXPECT_EQ(defs.Find("nothing"), nullptr);
}

TEST(ParamDef, ValuesCheckedAgainstTypeAndFormat)
{
    const ParamDefinitions defs(kFile, true);
    const struct {
        const char* name;
        const char* value;
        const char* reason;  // "" allowed
    } cases[] = {
        {"level", "31", ""},
        {"level", "0", ""},
        {"level", "40", "40 is outside the Range 0 to 31"},
        {"level", "-1", "-1 is outside the Range 0 to 31"},
        {"level", "3.5", "3.5 is not an Integer"},
        {"level", "EQ", "EQ is not an Integer"},
        {"mode", "2", ""},
        {"mode", "3", "3 is not one of the List 0 1 2"},
        {"gain", "1.75", ""},
        {"gain", "1.8", "1.8 is not 0 plus a multiple of 0.25"},
        {"gain", "2.25", "2.25 is outside the Increment 0 to 2"},
        {"bits", "0.75", ""},
        {"bits", "0.7", "0.7 is not one of the 4 Steps from 0 to 1"},
        {"corner", "s", ""},
        {"corner", "x", "x is not one of the Corner t s f"},
        {"on", "True", ""},
        {"on", "False", "False is not the Value True"},
        {"on", "1", "1 is not a Boolean"},
        {"any", "1e-3", ""},
        {"any", "nan", "nan is not a Float"},
        {"Tx_Rj", "0.06", "0.06 is outside the Range 0 to 0.05"},
        {"agc.Mode", "On", ""},
    };
    for (const auto& c : cases) {
        const ParamDef* p = defs.Find(c.name);
        ASSERT_NE(p, nullptr) << c.name;
        EXPECT_EQ(CheckParamValue(*p, c.value), c.reason) << c.name << " = " << c.value;
    }
}

std::string ReadKit(const char* name)
{
    std::ifstream in(std::string(AMI_SOURCE_DIR) + "/kit/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The kit's files (of 5.0, with comments cut as the checker cuts them) read
// to the parameters and defaults they hold, and EQ_Level 40 is refused.
TEST(ParamDef, KitFilesAndTheHostEntryPoint)
{
    for (const char* name : {"rx_ami.ami", "tx_ami.ami"}) {
        std::string text;
        std::istringstream lines(ReadKit(name));
        for (std::string line; std::getline(lines, line);)
            if (line.find('|') != 0) text += line + "\n";
        ASSERT_EQ(AmiVersionOf(text.c_str()), 0) << name;
        const ParamDefinitions defs(text.c_str(), false);
        ASSERT_EQ(defs.ParseResult(), AMITREE_OK) << name;
        EXPECT_EQ(defs.Params().size(), name[0] == 'r' ? 11u : 8u) << name;
        for (const ParamDef& p : defs.Params()) {
            EXPECT_TRUE(p.hasDefault) << name << " " << p.name;
            EXPECT_EQ(CheckParamValue(p, p.Initial()), "") << name << " " << p.name;
        }
    }
    const std::string rx = ReadKit("rx_ami.ami");
    const std::string rxText = rx.substr(rx.find("(Vuraved_UV_IV"));
    for (const std::string& path : {amitest::RxPath(), amitest::TxPath()}) {
        amitest::AmiLibrary lib(path);
        ASSERT_TRUE(lib.ok()) << lib.error();
        using CheckFn = int (*)(const char*, const char*, const char*, char*, int);
        auto check = reinterpret_cast<CheckFn>(dlsym(lib.handle(), "AMI_CheckParameterValue"));
        ASSERT_NE(check, nullptr) << path;
        char why[16];
        EXPECT_EQ(check(rxText.c_str(), "EQ_Level", "12", why, sizeof why), 1) << path;
        EXPECT_STREQ(why, "");
        EXPECT_EQ(check(rxText.c_str(), "EQ_Level", "40", why, sizeof why), 0) << path;
        EXPECT_STREQ(why, "40 is outside t");  // cut to the buffer
        EXPECT_EQ(check(rxText.c_str(), "CTLEAdapt", "2", nullptr, 0), 0) << path;
        EXPECT_EQ(check(rxText.c_str(), "Nothing", "2", why, sizeof why), -1) << path;
        EXPECT_EQ(check("(unbalanced", "EQ_Level", "2", why, sizeof why), -1) << path;
        EXPECT_EQ(check(nullptr, "EQ_Level", "2", why, sizeof why), -1) << path;
    }
}

}  // namespace

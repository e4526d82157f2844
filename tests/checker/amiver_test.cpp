// AMI parameter files of versions 5.1 to 7.2: a complete file of each version
// raises nothing; each reserved parameter is refused before its version;
// the Usage/Type/Format rules of the reserved table; the value checks as
// errors from 5.1 on and as cautions (only) in older files; syntax errors
// named by their parameter; the .ibs version as the fallback.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "checker/ami.h"
#include "checker/amiver.h"
#include "checker/keywords.h"
#include "tests/checker/checker_fixture.h"

namespace {

const int kVersions[] = {51, 60, 61, 70, 71, 72};

std::string VersionText(int v) { return std::to_string(v / 10) + "." + std::to_string(v % 10); }


// Expected lines are written "E6002 - text"; the log moves a text of 72
// (errors) or 70 (warnings, cautions) to 75 characters to a line of its own.
std::string Wrapped(const std::string& lines)
{
    std::string out;
    for (size_t at = 0; at < lines.size();) {
        size_t nl = lines.find('\n', at);
        if (nl == std::string::npos) nl = lines.size();
        const std::string line = lines.substr(at, nl - at);
        const size_t len = line.size() > 8 ? line.size() - 8 : 0;
        const bool wrap = line.size() > 8 && line.compare(5, 3, " - ") == 0 &&
                          len >= (line[0] == 'E' ? 72u : 70u) && len <= 75u;
        out += wrap ? line.substr(0, 5) + " -\n    " + line.substr(8) : line;
        out += "\n";
        at = nl + 1;
    }
    return out;
}

std::string Param(const std::string& name, const std::string& body) { return "(" + name + " " + body + ")\n"; }

// A file of version v (none: no AMI_Version) with the two mandatory reserved
// parameters written the 5.1 way, extra reserved parameters and a
// Model_Specific branch.
std::string File(int v, const std::string& reserved, const std::string& specific = "")
{
    std::string s = "(m\n (Reserved_Parameters\n";
    if (v > 0) {
        s += Param("AMI_Version", "(Usage Info) (Type String) (Value \"" + VersionText(v) + "\")");
        s += Param("Init_Returns_Impulse", "(Usage Info) (Type Boolean) (Value True)");
        s += Param("GetWave_Exists", "(Usage Info) (Type Boolean) (Default True)");
    } else {
        s += Param("Init_Returns_Impulse", "(Usage Info) (Type Boolean) (Default True) (Description \"i\")");
        s += Param("GetWave_Exists", "(Usage Info) (Type Boolean) (Default True) (Description \"g\")");
    }
    s += reserved + " )\n";
    if (!specific.empty()) s += " (Model_Specific\n" + specific + " )\n";
    return s + ")\n";
}

// Reserved parameters and the version that added them (50: there from the
// start), written as their table allows. kind: the letter of the finding in a
// file older than the parameter, a warning where that version is not
// confirmed.
struct Reserved {
    const char* param;
    const char* body;
    int since;
    char kind;
};
const Reserved kReserved[] = {
    {"Max_Init_Aggressors", "(Usage Info) (Type Integer) (Value 4)", 50, 'E'},
    {"Ignore_Bits", "(Usage Info) (Type Integer) (Default 100)", 50, 'E'},
    {"Tx_Jitter", "(Usage Info) (Type UI) (Gaussian 0 0.01)", 50, 'E'},
    {"Rx_Clock_PDF", "(Usage Info) (Type Float) (Table (Labels Time P) (-1e-12 0.5) (1e-12 0.5))", 50, 'E'},
    {"Tx_DCD", "(Usage Info) (Type UI) (Range 0.01 0 0.05)", 50, 'E'},
    {"Rx_Receiver_Sensitivity", "(Usage Info) (Type Float) (Format Value 0.01)", 50, 'E'},
    {"Tx_Rj", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Tx_Dj", "(Usage Out) (Type UI) (Corner 0.01 0 0.02)", 60, 'E'},
    {"Tx_Sj", "(Usage Info) (Type Float) (Value 1e-12)", 60, 'E'},
    {"Tx_Sj_Frequency", "(Usage Info) (Type Float) (Value 1e6)", 60, 'E'},
    {"Rx_DCD", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Rj", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Dj", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Sj", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Clock_Recovery_Mean", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Clock_Recovery_Rj", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Clock_Recovery_Dj", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Clock_Recovery_Sj", "(Usage Info) (Type UI) (Value 0.01)", 60, 'E'},
    {"Rx_Clock_Recovery_DCD", "(Usage Out) (Type Float) (Value 1e-12)", 60, 'E'},
    {"Rx_Noise", "(Usage Info) (Type Float) (Value 0.001)", 60, 'E'},
    {"Repeater_Type", "(Usage Info) (Type String) (Value \"Retimer\")", 60, 'E'},
    {"Resolve_Exists", "(Usage Info) (Type Boolean) (Value False)", 61, 'E'},
    {"Model_Name", "(Usage In) (Type String) (Value \"rx\")", 61, 'E'},
    {"Modulation", "(Usage Info) (Type String) (List \"NRZ\")", 61, 'E'},
    {"PAM4_UpperThreshold", "(Usage Out) (Type Float) (Value 0.1)", 61, 'E'},
    {"PAM4_CenterThreshold", "(Usage Out) (Type Float) (Value 0)", 61, 'E'},
    {"PAM4_LowerThreshold", "(Usage Out) (Type Float) (Value -0.1)", 61, 'E'},
    {"PAM4_UpperEyeOffset", "(Usage Info) (Type Float) (Value 0)", 61, 'E'},
    {"PAM4_CenterEyeOffset", "(Usage Info) (Type UI) (Value 0)", 61, 'E'},
    {"PAM4_LowerEyeOffset", "(Usage Info) (Type Float) (Value 0)", 61, 'E'},
    {"Rx_GaussianNoise", "(Usage Info) (Type Float) (Value 0.001)", 70, 'W'},
    {"Rx_UniformNoise", "(Usage Info) (Type Float) (Range 0.001 0 0.002)", 70, 'W'},
    {"PAM4_Mapping", "(Usage Info) (Type String) (Value \"Gray\")", 70, 'W'},
    {"BCI_Protocol", "(Usage Info) (Type String) (Value \"proto\")", 70, 'E'},
    {"BCI_ID", "(Usage Info) (Type String) (Value \"id\")", 70, 'E'},
    {"BCI_Training_UI", "(Usage Info) (Type Integer) (Value 100000)", 70, 'E'},
    {"Supporting_Files", "(Usage Info) (Type String) (Table (\"x.ens\") (\"y.dat\"))", 70, 'W'},
    {"Ts4file", "(Usage Info) (Type String) (Value \"a.s4p\")", 70, 'W'},
    {"Tx_V", "(Usage Info) (Type Float) (Value 1)", 70, 'W'},
    {"DC_Offset", "(Usage InOut) (Type Float) (Value 0)", 71, 'E'},
    {"Rx_Use_Clock_Input", "(Usage Info) (Type String) (List \"None\" \"Times\" \"Wave\")", 71, 'E'},
    {"Modulation_Levels", "(Usage Info) (Type Integer) (Value 4)", 72, 'E'},
    {"PAM_Thresholds", "(Usage Out) (Type String) (Value \"0 0 0\")", 72, 'E'},
};

// Every reserved parameter of version v, and Model_Specific parameters of
// every form that version allows.
std::string CompleteFile(int v)
{
    std::string r, m;
    for (const Reserved& p : kReserved)
        if (p.since <= v) r += Param(p.param, p.body);
    m += Param("gain", "(Usage In) (Type Float) (Range 1 0 2) (Default 1.5) (Description \"g\")");
    m += Param("mode", "(Usage In) (Type Integer) (List 0 1 2) (Default 2)");
    m += Param("step", "(Usage In) (Type Integer) (Increment 4 0 10 2)");
    m += Param("steps", "(Usage In) (Type Float) (Steps 0.5 0 1 4)");
    m += Param("corner", "(Usage In) (Type String) (Corner \"t\" \"s\" \"f\")");
    m += Param("taps", "(Description \"g\") (-1 (Usage InOut) (Type Tap) (Value 0)) (0 (Usage InOut) (Type Tap) (Value 1))");
    if (v >= 60) m += Param("tip", "(Usage In) (Type Integer) (List 0 1) (List_Tip \"off\" \"on\")");
    if (v >= 61) m += Param("resolved", "(Usage Dep) (Type Float) (Value 1)");
    return File(v, r, m);
}

class AmiVersionTest : public CheckerFixture {
protected:
    void Expect(const std::string& path, const std::string& lines, const std::string& what)
    {
        ExpectBothStyles(path, FILE_TYPE_AMI, Wrapped(lines), what);
    }
    void TearDown() override
    {
        AMI_SetIbsVersion(nullptr);
        gbSuppressCautions = 1;
        CheckerFixture::TearDown();
    }
};

TEST_F(AmiVersionTest, CompleteFileOfEachVersionRaisesNothing)
{
    for (int v : kVersions)
        Expect(Write("v.ami", CompleteFile(v)), "", "version " + VersionText(v));
}

// Each reserved parameter is refused in a file older than its version (a
// warning where that version is not confirmed) and accepted from it on.
TEST_F(AmiVersionTest, ReservedParameterBeforeItsVersion)
{
    for (const Reserved& g : kReserved)
        for (int v : kVersions) {
            const std::string what = std::string(g.param) + " in " + VersionText(v);
            const std::string line = v >= g.since ? ""
                                                  : std::string(1, g.kind) + "6002 - Reserved parameter " +
                                                        g.param + " belongs to AMI version " + VersionText(g.since) +
                                                        " and later; this file is of AMI version " +
                                                        VersionText(v) + "\n";
            Expect(Write("g.ami", File(v, Param(g.param, g.body))), line, what);
        }
}

struct LineCase {
    const char* what;
    std::string reserved;
    std::string specific;
    const char* expected;  // numbered style, file of version 7.2
};

const LineCase kReservedCases[] = {
    {"AMI_Version written without Format and Description is fine, Use_Init_Output is obsolete",
     Param("Use_Init_Output", "(Usage Info) (Type Boolean) (Value False)"), "",
     "W6003 - Reserved parameter Use_Init_Output is obsolete from AMI version 5.1 on\n"},
    {"Usage, Type and Format outside the table",
     Param("Tx_Rj", "(Usage In) (Type Integer) (Gaussian 0 1)"), "",
     "E4627 - Illegal Type value Integer specified for Tx_Rj\n"
     "E4627 - Illegal Usage value In specified for Tx_Rj\n"
     "E4627 - Illegal Format value Gaussian specified for Tx_Rj\n"},
    {"values outside the words a reserved parameter allows",
     Param("Modulation", "(Usage Info) (Type String) (List \"PAM4\" \"PAM3\")") +
         Param("PAM4_UpperThreshold", "(Usage Info) (Type Float) (Value 0.2)") +
         Param("PAM4_CenterThreshold", "(Usage Info) (Type Float) (Value 0)") +
         Param("PAM4_LowerThreshold", "(Usage Info) (Type Float) (Value -0.2)") +
         Param("Repeater_Type", "(Usage Info) (Type String) (Value \"Buffer\")"),
     "",
     "E4627 - Illegal Value value PAM3 specified for Modulation\n"
     "E4627 - Illegal Value value Buffer specified for Repeater_Type\n"},
    {"PAM4 needs its thresholds; PAMn its levels",
     Param("Modulation", "(Usage Info) (Type String) (List \"NRZ\" \"PAM4\" \"PAMn\")") +
         Param("PAM4_CenterThreshold", "(Usage Info) (Type Float) (Value 0)"),
     "",
     "E6019 - Modulation PAM4 needs the parameter PAM4_UpperThreshold\n"
     "E6019 - Modulation PAM4 needs the parameter PAM4_LowerThreshold\n"
     "E6019 - Modulation PAMn needs the parameter Modulation_Levels\n"},
    {"missing Usage and Type, no Format nor Default, an unknown leaf, an unknown parameter",
     Param("Ignore_Bits", "(Description \"i\") (Dflt 3)") + Param("Tx_Foo", "(Usage Info) (Type UI) (Value 1)"), "",
     "E4624 - Unknown parameter Dflt found as a child of Ignore_Bits\n"
     "E4630 - Parameter Usage is mandatory for Ignore_Bits\n"
     "E4630 - Parameter Type is mandatory for Ignore_Bits\n"
     "E6005 - Parameter Ignore_Bits has neither a Format nor a Default\n"
     "E4624 - Unknown parameter Tx_Foo found as a child of Reserved_Parameters\n"},
    {"a format with the wrong count, a Table without rows, a Tap Table",
     Param("Tx_DCD", "(Usage Info) (Type UI) (Range 0 1)") +
         Param("Tx_Jitter", "(Usage Info) (Type Float) (Table (Labels a b) (1 2 3) (x 1))"),
     Param("t", "(Usage In) (Type Float) (Table (Labels a) 5)"),
     "E4632 - Range: Illegal Format for Tx_DCD. Expected 3 number(s)\n"
     "E6020 - Table of parameter Tx_Jitter: row 1 has 3 entries for 2 columns\n"
     "E6021 - Table of parameter Tx_Jitter: entry x of row 2 does not read as Type Float\n"
     "E6022 - Table of parameter t is not a list of rows\n"},
    {"Usage Dep is of 6.1 and later only in older files; Type and Format that do not go together",
     "", Param("p", "(Usage In) (Type String) (Range \"a\" \"b\" \"c\")"),
     "E4632 - Range: Illegal Format for p. Expected 3 number(s)\n"
     "W6006 - Parameter p: Type String cannot be used with Format Range\n"},
};

TEST_F(AmiVersionTest, ReservedTableAndGrammar)
{
    for (const LineCase& c : kReservedCases)
        Expect(Write("r.ami", File(72, c.reserved, c.specific)), c.expected, c.what);
    Expect(Write("d.ami", File(60, "", Param("p", "(Usage Dep) (Type Float) (Value 1) (List_Tip \"x\")"))),
                     "E6004 - Usage Dep in parameter p belongs to AMI version 6.1 and later; this file is of "
                     "AMI version 6.0\n"
                     "E6016 - List_Tip of parameter p is allowed only with Format List\n",
                     "Dep in 6.0");
}

// The value checks: the same Model_Specific body in a 7.2 file (errors) and,
// written with the word Format, in a file without AMI_Version (cautions,
// shown only when cautions are, and no error or warning line).
struct ValueCase {
    const char* what;
    const char* type;
    const char* format;  // word and values
    const char* rest;    // further leaves
    const char* lines;   // the findings' texts, in order, each as "code text"
};
const ValueCase kValueCases[] = {
    {"Default outside the Range", "Integer", "Range 0 0 31", "(Default 40)",
     "6013 Default 40 of parameter p lies outside its range 0 to 31\n"},
    {"minimum above maximum", "Integer", "Range 0 31 0", "", "6012 Range of parameter p has its minimum 31 above its maximum 0\n"},
    {"typical value outside, and not an Integer", "Integer", "Range 2.5 0 2", "",
     "6011 Range value 2.5 of parameter p does not read as Type Integer\n"
     "6013 Typical value 2.5 of parameter p lies outside its range 0 to 2\n"},
    {"Default not in the List", "Integer", "List 0 1 2", "(Default 5)", "6014 Default 5 of parameter p is not one of its List\n"},
    {"Default that is no Float; List entry that is no Float", "Float", "List 1.5 x", "(Default abc)",
     "6011 Default value abc of parameter p does not read as Type Float\n"
     "6011 List value x of parameter p does not read as Type Float\n"
     "6014 Default abc of parameter p is not one of its List\n"},
    {"List_Tip count", "Integer", "List 0 1 2", "(List_Tip \"a\" \"b\")",
     "6015 List_Tip of parameter p has 2 entries for 3 List values\n"},
    {"Increment larger than its range; Steps not a whole number", "Float", "Increment 1 0 2 3", "",
     "6017 Increment 3 of parameter p does not fit its range 0 to 2\n"},
    {"Steps not a whole number", "Float", "Steps 1 0 2 2.5", "", "6017 Steps 2.5 of parameter p does not fit its range 0 to 2\n"},
    {"Boolean List", "Boolean", "List True true", "", "6011 List value true of parameter p does not read as Type Boolean\n"},
    {"sound values", "Float", "Range 0.5 0 1", "(Default 1)", ""},
};

// "code text" lines with the kind letter in front, as "E6013 - text" lines.
std::string Findings(const char* lines, char kind)
{
    std::string out, s = lines;
    for (size_t at = 0; at < s.size();) {
        const size_t nl = s.find('\n', at);
        out += std::string(1, kind) + s.substr(at, 4) + " - " + s.substr(at + 5, nl - at - 5) + "\n";
        at = nl + 1;
    }
    return out;
}

TEST_F(AmiVersionTest, ValueChecksAreErrorsFrom51AndCautionsBefore)
{
    for (const ValueCase& c : kValueCases) {
        const std::string body = std::string("(Usage In) (Type ") + c.type + ") (" + c.format + ") " + c.rest;
        Expect(Write("v.ami", File(72, "", Param("p", body))), Findings(c.lines, 'E'), c.what);
        const std::string old = std::string("(Usage In) (Type ") + c.type + ") (Format " + c.format + ") " + c.rest;
        // Older file: nothing without cautions ...
        Expect(Write("o.ami", File(0, "", Param("p", old))), "", c.what);
        // ... and the same findings as cautions with them.
        gbSuppressCautions = 0;
        Expect(Write("o.ami", File(0, "", Param("p", old))), Findings(c.lines, 'C'), c.what);
        gbSuppressCautions = 1;
    }
}

TEST_F(AmiVersionTest, DuplicateNamesAndSyntaxErrorsNameTheirParameter)
{
    Expect(Write("n.ami", File(61, Param("Tx_Rj", "(Usage Info) (Type UI) (Value 0) (Value 1)"),
                                         Param("p", "(Usage In) (Type Float) (Value 1)") +
                                             Param("p", "(Usage In) (Type Float) (Value 2)"))),
                     "E6018 - Name Value is given more than once in Tx_Rj\n"
                     "E6018 - Name p is given more than once in Model_Specific\n",
                     "duplicates");
    const std::string broken = Param("EQ", "(Usage In) (Type) (Value 1)");
    Expect(Write("s.ami", File(70, "", broken)),
                     "E6007 - Invalid syntax in Model_Specific.EQ: a list needs a name and at least one value, "
                     "found '(Type)'\n",
                     "syntax, 7.0");
    // An older file keeps its message.
    Expect(Write("s.ami", File(0, "", broken)),
                     "E4634 - Invalid syntax of branch or leaf. At least 2 elements expected in a list\n",
                     "syntax, 5.0");
}

TEST_F(AmiVersionTest, VersionFromTheFileElseTheIbsFileElse50)
{
    // Format-less Range: refused under 5.0 rules (as a reserved parameter),
    // accepted under the version of the .ibs file when the file has no
    // AMI_Version, and under its own AMI_Version whatever the .ibs says.
    const std::string dcd = Param("Tx_DCD", "(Usage Info) (Type UI) (Range 0.01 0 0.05) (Description \"d\")");
    const std::string noVersion = File(0, dcd);
    const char* old =
        "E4624 - Unknown parameter Range found as a child of Tx_DCD\n"
        "E4630 - Parameter Format is mandatory for Tx_DCD\n";
    const std::string path = Write("c.ami", noVersion);
    for (const char* ibs : {"", "5.0", "6.1"}) {
        AMI_SetIbsVersion(ibs);
        ASSERT_EQ(INIT(), 1);
        ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_AMI), 1);
        Take();
        gbOldStyleErrors = 0;
        PARSED_TREE* tree = nullptr;
        AMI_ParseAndCheck(&tree);
        EXPECT_EQ(Take(), std::string(ibs) == "6.1" ? "" : old) << "ibs version '" << ibs << "'";
        FreeParsedTree(&tree);
        FINI();
        Take();
    }
    // A standalone check does not take the .ibs version.
    AMI_SetIbsVersion("7.2");
    Expect(path, old, "standalone");
    // An AMI_Version that is no version number, and one that is not known.
    Expect(Write("u.ami", File(0, Param("AMI_Version", "(Usage Info) (Type String) (Value \"new\")"))),
                     "E6000 - AMI_Version new is not a version number; the rules of AMI version 7.2 apply\n",
                     "unreadable version");
    Expect(Write("u.ami", File(0, Param("AMI_Version", "(Usage Info) (Type String) (Value \"6.2\")"))),
                     "W6001 - AMI_Version 6.2 is not a known AMI version; the rules of AMI version 6.1 apply\n",
                     "unknown version");
}

// The real parameter files of the shared corpora (AMI_Version 5.1 to 7.0),
// under the names their repositories give them: no error line.
TEST_F(AmiVersionTest, SharedCorpusFilesRaiseNoError)
{
    int checked = 0;
    for (const char* corpus : {"/corpus", "/corpus-modern"}) {
        const std::string dir = std::string(AMI_SHARED_DIR) + corpus;
        std::ifstream manifest(dir + "/MANIFEST.tsv");
        for (std::string line; std::getline(manifest, line);) {
            const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1), tab3 = line.find('\t', tab2 + 1);
            if (tab3 == std::string::npos || line.compare(tab1 - 4, 4, ".ami") != 0) continue;
            const std::string path = line.substr(tab2 + 1, tab3 - tab2 - 1);
            std::ifstream in(dir + "/" + line.substr(0, tab1));
            std::stringstream text;
            text << in.rdbuf();
            gbOldStyleErrors = 0;
            const std::string out = Check(Write(path.substr(path.rfind('/') + 1), text.str()), FILE_TYPE_AMI);
            const bool error = out.rfind("E", 0) == 0 || out.find("\nE") != std::string::npos;
            EXPECT_FALSE(error) << path << "\n" << out;
            ++checked;
        }
    }
    if (checked == 0) GTEST_SKIP() << "no shared corpus at " << AMI_SHARED_DIR;
}

}  // namespace

// IBIS 5.1 to 7.2: the version table, the version gate of the newer
// keywords, the component tables, interconnect model sets and
// [Initial Delay], each with exact message lines in both print styles, and a
// complete file of each newer version that raises nothing.
#include <gtest/gtest.h>

#include <string>

#include "checker/keywords.h"
#include "checker/parse.h"
#include "checker/ver.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

TEST(VersionTable, LevelsOfKnownAndUnknownVersions)
{
    const struct {
        const char* text;
        int level;
        int known;
    } cases[] = {
        {"2.1", 21, 1}, {"4.2", 42, 1}, {"5.0", 50, 1}, {"5.1", 51, 1}, {"6.0", 60, 1}, {"6.1", 61, 1},
        {"7.0", 70, 1}, {"7.1", 71, 1}, {"7.2", 72, 1}, {"4.3", 42, 0}, {"5.9", 51, 0}, {"6.5", 61, 0},
        {"7.3", 72, 0}, {"8.0", 72, 0}, {"9", 72, 0},   {"x", 0, 0},    {"", 0, 0},     {"10.1", 0, 0},
    };
    for (const auto& c : cases) {
        int known = -1;
        EXPECT_EQ(VER_Level(c.text, &known), c.level) << c.text;
        EXPECT_EQ(known, c.known) << c.text;
    }
    // The newer keywords and their first level; each is refused one level below.
    const struct {
        int kw;
        int level;
    } keywords[] = {{KW_REPEATER_PIN, 60}, {KW_INITIAL_DELAY, 61}, {KW_BUS_LABEL, 70}, {KW_DIE_SUPPLY_PADS, 70},
                    {KW_INTERCONNECT_MODEL_GROUP, 70}, {KW_INTERCONNECT_MODEL_SET, 70}, {KW_CLOCK_PINS, 71}};
    for (const auto& k : keywords) {
        EXPECT_EQ(VER_KeywordIntroduced(k.kw), k.level) << VER_KeywordName(k.kw);
        EXPECT_TRUE(VER_KeywordAllowed(k.kw, VER_NEWEST)) << VER_KeywordName(k.kw);
        EXPECT_FALSE(VER_KeywordAllowed(k.kw, k.level - 1)) << VER_KeywordName(k.kw);
        EXPECT_FALSE(VER_KeywordAllowed(k.kw, VER_LEVEL_50)) << VER_KeywordName(k.kw);
    }
    EXPECT_EQ(VER_LineMax(32), 80);
    EXPECT_EQ(VER_LineMax(72), 120);
    EXPECT_FALSE(VER_FileNamesMixedCase(61));
    EXPECT_TRUE(VER_FileNamesMixedCase(70));
    EXPECT_TRUE(VER_ItemAllowed("Language", "IBIS-ISS", 60));
    EXPECT_FALSE(VER_ItemAllowed("Language", "IBIS-ISS", 51));
}

// Pins 1 to 4 (in, in, out, out) and 5 (VDD) of component c; the tables
// under test follow the [Pin] rows from line 16 on.
LineList Pins(const LineList& tables)
{
    return Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 B in", "3 C out", "4 D out", "5 VDD POWER"}), tables,
                Input("in"), Output("out")});
}

// Pins 1/2 and 3/4 as differential pairs (2 lines), and an [Algorithmic
// Model] section (3 lines) whose files WriteAmiModelFiles writes.
const LineList kDiffPins = {"[Diff Pin] inv_pin vdiff tdelay_typ tdelay_min tdelay_max", "1 2 0.1 0 NA NA",
                            "3 4 0 0 NA NA"};
const LineList kAmi = {"[Algorithmic Model]", "Executable Linux_gcc_64 code.so m.ami", "[End Algorithmic Model]"};

class NewerKeywordTest : public ModelKeywordTest {
protected:
    void WriteAmiModelFiles()
    {
        Write("code.so", "binary");
        Write("m.ami", "(m (Reserved_Parameters (AMI_Version (Usage Info) (Type String) (Value \"5.1\") "
                       "(Description \"v\")) (Init_Returns_Impulse (Usage Info) (Type Boolean) (Value True) "
                       "(Description \"i\")) (GetWave_Exists (Usage Info) (Type Boolean) (Value True) "
                       "(Description \"g\"))))\n");
    }
};

TEST_F(NewerKeywordTest, ComponentTables)
{
    const Case cases[] = {
        {"valid tables of 7.1", "7.1",
         Pins({"[Repeater Pin] tx_non_inv_pin", "1 3", "2 4", "[Clock Pins] clocked_pins relationship", "1 2 x",
               "[Bus Label] signal_name", "VDDQ VDD", "[Die Supply Pads] signal_name bus_label", "P1 VDD VDDQ",
               "[Interconnect Model Group] pkg", "ic_a", "[End Interconnect Model Group]"}),
         ""},
        {"repeater pins: unknown pin, wrong column count, a pin named twice", "6.0",
         Pins({"[Repeater Pin] tx_non_inv_pin", "1 9", "2", "2 4 5", "3 1"}),
         "E5102 (line   17) - Repeater Pin names '9', which is not a pin of Component 'c'\n"
         "E5101 (line   18) - Repeater Pin row has 1 columns; expecting 2\n"
         "E5101 (line   19) - Repeater Pin row has 3 columns; expecting 2\n"
         "C5107 - (line 20) Repeater Pin names pin '1' twice in Component 'c'\n"
         "C5108 - (line 17) Repeater Pin names pin '1' of Component 'c', which is not the non-inverting pin of a "
         "Diff Pin pair\n"
         "C5109 - (line 17) Repeater Pin '1' of Component 'c' uses Model 'in', which has no Algorithmic Model\n"
         "C5108 - (line 20) Repeater Pin names pin '3' of Component 'c', which is not the non-inverting pin of a "
         "Diff Pin pair\n"
         "C5110 - (line 20) Repeater Pin '3' of Component 'c' uses Model 'out' of Model_type Output, which does not "
         "receive\n"
         "C5109 - (line 20) Repeater Pin '3' of Component 'c' uses Model 'out', which has no Algorithmic Model\n"
         "C5108 - (line 20) Repeater Pin names pin '1' of Component 'c', which is not the non-inverting pin of a "
         "Diff Pin pair\n"
         "C5110 - (line 20) Repeater Pin '1' of Component 'c' uses Model 'in' of Model_type Input, which does not "
         "drive\n"
         "C5109 - (line 20) Repeater Pin '1' of Component 'c' uses Model 'in', which has no Algorithmic Model\n",
         true},
        {"clock pins: unknown clock and clocked pins; a short row is a caution", "7.1",
         Pins({"[Clock Pins] clocked_pins relationship", "8 1 x", "1 9 x", "2 3"}),
         "E5102 (line   17) - Clock Pins names '8', which is not a pin of Component 'c'\n"
         "E5102 (line   18) - Clock Pins names '9', which is not a pin of Component 'c'\n"
         "C5103 - (line 19) Clock Pins row has 2 columns; expecting 3\n",
         true},
        {"bus labels and die pads need two columns (cautions)", "7.0",
         Pins({"[Bus Label]", "VDDQ", "[Die Supply Pads]", "P1"}),
         "C5103 - (line 17) Bus Label row has 1 columns; expecting 2\n"
         "C5103 - (line 19) Die Supply Pads row has 1 columns; expecting 2\n",
         true},
        {"interconnect model group: no name, not closed; end without group", "7.0",
         Pins({"[End Interconnect Model Group]", "[Interconnect Model Group]", "a"}),
         "E5106 (line   16) -\n    End Interconnect Model Group without Interconnect Model Group\n"
         "E5104 (line   17) - 'Interconnect Model Group' keyword missing its name\n"
         "E5105 - Interconnect Model Group '?' of Component 'c' not closed by End Interconnect Model Group\n"},
        {"a table outside a component", "6.0", {"[Repeater Pin]", "1 2"},
         "E5100 (line    4) - Orphan Repeater Pin keyword: no Component is open.\n"
         "E5001 - Required keyword 'Component' not found.\n"},
    };
    RunIbs(cases, sizeof cases / sizeof cases[0]);
}

// An interconnect model set from line 4 on, then a component.
LineList Set(const LineList& models)
{
    return Cat({{"[Interconnect Model Set] s", "[Manufacturer] m", "[Description] d"}, models,
                {"[End Interconnect Model Set]"}, Pins({})});
}

TEST_F(NewerKeywordTest, InterconnectModelSets)
{
    Write("pkg.s4p", "! Touchstone\n# GHz S MA R 50\n");
    Write("die.iss", "* IBIS-ISS\n.subckt die_sub a b\n.ends\n");
    const Case cases[] = {
        {"a Touchstone and an IBIS-ISS model", "7.0",
         Set({"[Interconnect Model] a", "File_TS pkg.s4p", "Unused_port_termination 50", "Number_of_terminals = 2",
              "1 Pin_I/O 1", "2 Pad_I/O 1", "[End Interconnect Model]", "[Interconnect Model] b",
              "File_IBIS-ISS die.iss die_sub", "Param len Value 2m", "Param tag Value \"a b\"",
              "Number_of_terminals 1", "1 Buffer_I/O 1", "[End Interconnect Model]"}),
         ""},
        {"file sub-parameters: both, neither, wrong counts, twice", "7.0",
         Set({"[Interconnect Model] a", "File_TS pkg.s4p", "File_IBIS-ISS die.iss die_sub", "[End Interconnect Model]",
              "[Interconnect Model] b", "[End Interconnect Model]", "[Interconnect Model] c", "File_TS pkg.s4p x",
              "File_TS pkg.s4p", "[End Interconnect Model]"}),
         "E5201 - Interconnect Model 'a' gives both File_IBIS-ISS and File_TS\n"
         "E5202 - Interconnect Model 'b' gives neither File_IBIS-ISS nor File_TS\n"
         "E5203 (line   14) -\n    File_TS of Interconnect Model 'c' needs 1 arguments; found 2\n"
         "E5215 (line   15) - File_TS given twice in Interconnect Model 'c'\n"},
        {"Param: with File_TS, twice, wrong form", "7.0",
         Set({"[Interconnect Model] a", "File_TS pkg.s4p", "Param len Value 1", "[End Interconnect Model]",
              "[Interconnect Model] b", "File_IBIS-ISS die.iss die_sub", "Param w Value 1", "Param w Value 2",
              "Param x 3", "[End Interconnect Model]"}),
         "E5204 -\n    Param 'len' of Interconnect Model 'a' is allowed only with File_IBIS-ISS\n"
         "E5205 (line   14) - Param 'w' given twice in Interconnect Model 'b'\n"
         "E5206 (line   15) -\n    Param line of Interconnect Model 'b' must read 'Param <name> Value <value>'\n"},
        {"files: missing, above the folder; terminal count and unknown lines are cautions", "7.0",
         Set({"[Interconnect Model] a", "File_TS nothere.s4p", "[End Interconnect Model]", "[Interconnect Model] b",
              "File_TS ../pkg.s4p", "Number_of_terminals = 3", "1 Pin_I/O 1", "Ports 1 2",
              "[End Interconnect Model]", "[Interconnect Model] c", "File_TS pkg.s4p", "Number_of_terminals = 0",
              "[End Interconnect Model]"}),
         "E5207 - File nothere.s4p not found. It was defined in Interconnect Model 'a'\n"
         "C5210 - (line 14) Unknown sub-parameter 'Ports' in Interconnect Model 'b'\n"
         "C5209 - (line 12) Interconnect Model 'b' declares 3 terminals; 1 terminal lines follow\n"
         "E5208 - File name '../pkg.s4p' of Interconnect Model 'b' must stay in the folder of the referring file or "
         "below it\n"
         "E5214 (line   18) - Number_of_terminals of Interconnect Model 'c' must be a positive integer, not '0'\n",
         true},
        {"blocks: a name twice, a model outside a set, ends without openings, open blocks", "7.0",
         Cat({{"[Interconnect Model] x", "File_TS pkg.s4p", "[End Interconnect Model]", "[End Interconnect Model]",
               "[End Interconnect Model Set]", "[Interconnect Model Set] s", "[Interconnect Model] x",
               "File_TS pkg.s4p", "[Interconnect Model] y"},
              Pins({})}),
         "E5200 (line    4) - Interconnect Model outside an Interconnect Model Set\n"
         "E5212 (line    7) - End Interconnect Model without its opening keyword\n"
         "E5212 (line    8) - End Interconnect Model Set without its opening keyword\n"
         "E5211 (line   10) - Interconnect Model 'x' defined twice\n"
         "E5213 - Interconnect Model 'x' not closed by End Interconnect Model\n"
         "E5213 - Interconnect Model 'y' not closed by End Interconnect Model\n"
         "E5202 - Interconnect Model 'y' gives neither File_IBIS-ISS nor File_TS\n"
         "E5213 - Interconnect Model Set 's' not closed by End Interconnect Model Set\n"},
    };
    RunIbs(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(NewerKeywordTest, InitialDelay)
{
    const Case cases[] = {
        {"in a model and a submodel; the model goes on after it", "6.1",
         Cat({Output("out"), {"[Initial Delay]", "0.1n 0 NA"}, DriverTables(),
              {"[Submodel] s", "Submodel_type Dynamic_clamp", "[Initial Delay]", "0 0 0", "[GND Clamp]", "-1 -1 -1 -1",
               "0 0 0 0"}}),
         ""},
        {"a value that is not a number is a caution", "6.1",
         Cat({Output("out"), {"[Initial Delay]", "0.1n x NA"}, DriverTables()}),
         "C5301 - (line 15) Initial Delay value 'x' is not a number\n", true},
        {"outside a model", "6.1", {"[Initial Delay]", "0 0 0"},
         "E5300 (line    6) - Orphan Initial Delay keyword: no Model or Submodel is open.\n"},
    };
    Run(cases, sizeof cases / sizeof cases[0]);
}

// Each newer keyword one version before its own is an unknown keyword, as a
// 4.2 keyword is in a 3.2 file; from its own version on it is read.
TEST_F(NewerKeywordTest, VersionGate)
{
    const struct {
        const char* keyword;
        const char* before;
        const char* from;
    } gates[] = {
        {"[Repeater Pin]", "5.1", "6.0"},     {"[Bus Label]", "6.1", "7.0"},
        {"[Die Supply Pads]", "6.1", "7.0"}, {"[Clock Pins]", "7.0", "7.1"},
        {"[Interconnect Model Group] g", "6.1", "7.0"},
    };
    for (const auto& g : gates) {
        std::string name = std::string(g.keyword).substr(1, std::string(g.keyword).find(']') - 1);
        for (char& c : name)
            if (c == ' ') c = '_';
        const std::string expected =
            "E0916 (line   16) - Invalid Keyword: " + name + "\nE0907 (line   17) - Data for unknown keyword.\n1 3 x\n";
        const Case before = {g.keyword, g.before, Pins({g.keyword, "1 3 x"}), expected.c_str()};
        RunIbs(&before, 1);
        // From its version on, the same lines are read.
        const std::string out = Check(Write("a.ibs", Lines(Ibs(g.from, before.body))), FILE_TYPE_IBS);
        EXPECT_EQ(out.find("E0916"), std::string::npos) << g.keyword << "\n" << out;
        EXPECT_EQ(out.find("E0907"), std::string::npos) << g.keyword << "\n" << out;
    }
    // The interconnect model set of 7.0 in a 6.1 file.
    const Case set61 = {"7.0 set in a 6.1 file", "6.1", {"[Interconnect Model Set] s", "[End Interconnect Model Set]"},
                        "E0916 (line    6) - Invalid Keyword: Interconnect_Model_Set\n"
                        "E0916 (line    7) - Invalid Keyword: End_Interconnect_Model_Set\n"};
    Run(&set61, 1);
}

TEST_F(NewerKeywordTest, VersionsAcceptedAndUnknownOnesCheckedUnderTheNewestRules)
{
    for (const char* v : {"5.1", "6.0", "6.1", "7.0", "7.1", "7.2"}) {
        const Case c = {v, v, {}, ""};
        Run(&c, 1);
    }
    const Case unknown[] = {
        {"7.3: the version message, then the 7.2 rules", "7.3", Pins({"[Clock Pins]", "8 1 x"}),
         "E1008 (line    1) - Illegal IBIS_Version '7.3'.\n"
         "E5102 (line   17) - Clock Pins names '8', which is not a pin of Component 'c'\n"},
        {"8.0 likewise", "8.0", Pins({"[Repeater Pin]", "1 9"}),
         "E1008 (line    1) - Illegal IBIS_Version '8.0'.\n"
         "E5102 (line   17) - Repeater Pin names '9', which is not a pin of Component 'c'\n"},
    };
    RunIbs(unknown, sizeof unknown / sizeof unknown[0]);
    // From 7.0 on, file names may mix cases and hold several periods.
    const struct {
        const char* version;
        const char* expected;
    } names[] = {
        {"6.1", "W0901 - Filename 'My.Model.ibs' should be lowercase\n"
                "E1010 (line    2) -\n    File_name 'My.Model.ibs' contains an upper case character 'M'.\n"
                "E1010 (line    2) -\n    File_name 'My.Model.ibs' contains an upper case character 'M'.\n"
                "E1012 (line    2) - File_name 'My.Model.ibs' contains more than one period.\n"},
        {"7.0", ""},
    };
    for (const auto& n : names)
        ExpectBothStyles(Write("My.Model.ibs", Lines(Cat({{"[IBIS Ver] " + std::string(n.version),
                                                           "[File Name] My.Model.ibs", "[File Rev] 1"},
                                                          Component(), {"[End]"}}))),
                         FILE_TYPE_IBS, n.expected, n.version);
}

// IBIS-ISS is a language of [External Model] from 6.0 on; from 6.0 on a
// sub-parameter the checker does not know is a caution, before it an error.
TEST_F(NewerKeywordTest, ExternalModelsOfNewerVersions)
{
    // Lines 1 to 10: header and model; 11 [External Model]; 12 Language;
    // 19 the extra line.
    auto file = [](const char* version, const char* language, const char* extra) {
        LineList l = {"[IBIS Ver] " + std::string(version), "[File Name] a.ibs", "[File Rev] 1", "[Model] io",
                      "Model_type I/O", "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 0.9", "C_comp 1p 1p 1p",
                      "[Voltage Range] 3.3 3 3.6", "[External Model]", "Language " + std::string(language),
                      "Corner Typ io_typ.sp io_typ", "Corner Min io_min.sp io_min",
                      "Ports A_signal my_drive my_enable", "Ports A_puref A_pdref",
                      "D_to_A my_drive A_puref A_pdref 0 3.3 50p 50p",
                      "A_to_D my_receive A_signal A_pdref 0.8 2.0 Typ"};
        if (*extra) l.push_back(extra);
        return Cat({l, {"[End External Model]", "[Component] c", "[Manufacturer] m"}, kPackage,
                    {"[Pin] signal_name model_name", "1 s1 io", "[End]"}});
    };
    const struct {
        const char* version;
        const char* language;
        const char* extra;
        const char* expected;  // before the model's own finding (no [Ramp])
    } cases[] = {
        {"5.1", "IBIS-ISS", "",
         "E1802 (line   12) - Invalid Language 'IBIS-ISS'; expected SPICE, VHDL-AMS, Verilog-AMS, VHDL-A(MS) or "
         "Verilog-A(MS)\n"},
        {"6.0", "IBIS-ISS", "", ""},
        {"7.2", "IBIS-ISS", "", ""},
        {"6.0", "SPICE", "Param_map p1 p2", "C5400 - (line 19) Sub-parameter 'Param_map' of External Model 'io' is not "
                                              "known to this checker; accepted as given\n"},
        {"5.0", "SPICE", "Param_map p1 p2", "E1800 (line   19) - Unknown sub-parameter 'Param_map' in External Model 'io'\n"},
    };
    gbSuppressCautions = 0;
    for (const auto& c : cases)
        ExpectBothStyles(Write("a.ibs", Lines(file(c.version, c.language, c.extra))), FILE_TYPE_IBS,
                         std::string(c.expected) + "E0190 - Model 'io': Ramp Not Defined\n",
                         std::string(c.version) + " " + c.language + " " + c.extra);
    gbSuppressCautions = 1;
}

// Before 7.0 a component with [Pin Mapping] must map every pin; from 7.0 on
// a POWER or GND pin left out takes its signal name as its bus label, and
// the names of [Bus Label] rows are buses too.
TEST_F(NewerKeywordTest, SupplyPinsOutOfPinMappingFrom70)
{
    const LineList body =
        Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VSS GND", "4 VDD POWER",
                  "[Pin Mapping] pulldown_ref pullup_ref", "1 VSS VDD", "2 NC VDD", "3 VSS NC"}),
             Input("in")});
    const Case cases[] = {
        {"6.1: the supply pin left out is reported", "6.1", body,
         "E0612 - Component 'c': Pin '4' not referenced in Pin Mappings.\n"},
        {"7.0: its signal name is its bus label", "7.0", body, ""},
        {"6.1: buses named by supply signal names only", "6.1",
         Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VSS GND",
                   "[Pin Mapping] pulldown_ref pullup_ref", "1 VSS VDD"}),
              Input("in")}),
         "E0612 - Component 'c': Pin '2' not referenced in Pin Mappings.\n"
         "E0612 - Component 'c': Pin '3' not referenced in Pin Mappings.\n"
         "E0716 - Component 'c': Pin Mapping pulldown_ref entry 'VSS' is not connected to at least one pin whose "
         "model_name is POWER or GND.\n"
         "E0720 - Component 'c': Pin Mapping pullup_ref entry 'VDD' is not connected to at least one pin whose "
         "model_name is POWER or GND.\n"},
        {"7.0: supply signal names and [Bus Label] names are buses", "7.0",
         Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VSS GND", "4 B in",
                   "[Pin Mapping] pulldown_ref pullup_ref", "1 VSS VDD", "4 GNDQ VDDQ", "[Bus Label] signal_name",
                   "VDDQ VDD", "GNDQ VSS"}),
              Input("in")}),
         ""},
        {"7.0: an unknown bus is still reported", "7.0",
         Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VSS GND",
                   "[Pin Mapping] pulldown_ref pullup_ref", "1 VSS VXX"}),
              Input("in")}),
         "E0720 - Component 'c': Pin Mapping pullup_ref entry 'VXX' is not connected to at least one pin whose "
         "model_name is POWER or GND.\n"},
        {"7.0: an input pin left out is still reported", "7.0",
         Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VSS GND",
                   "[Pin Mapping] pulldown_ref pullup_ref", "2 NC VDD", "3 VSS NC"}),
              Input("in")}),
         "E0612 - Component 'c': Pin '1' not referenced in Pin Mappings.\n"},
    };
    RunIbs(cases, sizeof cases / sizeof cases[0]);
}

// A repeater pairs the non-inverting pin of a receiving differential pair
// with that of a driving one, both models with AMI models. Pins 1 to 4 and 5
// as in Pins(), 6 (in2) and 7 (out2) outside any pair; the rows from line 22
// on. Each departure is a caution.
TEST_F(NewerKeywordTest, RepeaterPinPairsAndTheirModels)
{
    WriteAmiModelFiles();
    auto file = [](const LineList& rows, bool ami) {
        return Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 B in", "3 C out", "4 D out", "5 VDD POWER",
                         "6 E in2", "7 F out2"}),
                    kDiffPins, {"[Repeater Pin] tx_non_inv_pin"}, rows, Input("in"), ami ? kAmi : LineList{},
                    Output("out"), ami ? kAmi : LineList{}, Input("in2"), kAmi, Output("out2"), kAmi});
    };
    const Case cases[] = {
        {"receiving pair to driving pair, AMI models", "6.0", file({"1 3"}, true), "", true},
        {"inverting pins and pins of no pair", "7.2", file({"2 4", "6 7"}, true),
         "C5108 - (line 22) Repeater Pin names pin '2' of Component 'c', which is not the non-inverting pin of a "
         "Diff Pin pair\n"
         "C5108 - (line 22) Repeater Pin names pin '4' of Component 'c', which is not the non-inverting pin of a "
         "Diff Pin pair\n"
         "C5108 - (line 23) Repeater Pin names pin '6' of Component 'c', which is not the non-inverting pin of a "
         "Diff Pin pair\n"
         "C5108 - (line 23) Repeater Pin names pin '7' of Component 'c', which is not the non-inverting pin of a "
         "Diff Pin pair\n",
         true},
        {"the pair reversed: a driver as the Rx half, a receiver as the Tx half", "6.1", file({"3 1"}, true),
         "C5110 - (line 22) Repeater Pin '3' of Component 'c' uses Model 'out' of Model_type Output, which does not "
         "receive\n"
         "C5110 - (line 22) Repeater Pin '1' of Component 'c' uses Model 'in' of Model_type Input, which does not "
         "drive\n",
         true},
        {"models without AMI models", "7.0", file({"1 3"}, false),
         "C5109 - (line 22) Repeater Pin '1' of Component 'c' uses Model 'in', which has no Algorithmic Model\n"
         "C5109 - (line 22) Repeater Pin '3' of Component 'c' uses Model 'out', which has no Algorithmic Model\n",
         true},
        {"cautions stay silent unless asked for", "7.0", file({"3 1", "2 4"}, false), ""},
    };
    RunIbs(cases, sizeof cases / sizeof cases[0]);
}

// From 5.1 on a Terminator, Series or Series_switch model may not carry an
// [Algorithmic Model]; 5.0 files are judged as before. Every model type the
// ban names, and two it does not, under each version.
TEST_F(NewerKeywordTest, AlgorithmicModelBannedModelTypesFrom51)
{
    WriteAmiModelFiles();
    const struct {
        const char* type;
        LineList subs;    // after Model_type
        LineList tables;  // after [Voltage Range]
        const char* banned;  // the line from 5.1 on ("" when allowed)
    } types[] = {
        {"Terminator", {}, {}, "E5500 - Algorithmic Model is not allowed in Model 'm' of Model_type Terminator\n"},
        {"Series", {}, {"[R Series] 50 45 55"},
         "E5500 - Algorithmic Model is not allowed in Model 'm' of Model_type Series\n"},
        {"Series_switch", {}, {"[On]", "[R Series] 50 45 55", "[Off]", "[R Series] 1M 1M 1M"},
         "E5500 -\n    Algorithmic Model is not allowed in Model 'm' of Model_type Series_switch\n"},
        {"Input", {"Vinl = 0.8", "Vinh = 2.0"}, {}, ""},
        {"Input_diff", {}, {}, ""},
    };
    for (const char* version : {"5.0", "5.1", "6.0", "6.1", "7.0", "7.1", "7.2"}) {
        for (const auto& t : types) {
            const LineList model = Cat({{"[Model] m", std::string("Model_type ") + t.type}, t.subs,
                                        {"C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}, t.tables, kAmi});
            const std::string what = std::string(version) + " " + t.type;
            const Case c = {what.c_str(), version, model, std::string(version) == "5.0" ? "" : t.banned, true};
            Run(&c, 1);
        }
    }
}

// From 7.0 on a supply pin's signal name names its bus, so one name on a
// POWER and a GND pin would join the rails: a caution, once per name, in
// files of 7.0 and later only. The [Pin] rows start at line 11; a name is
// reported at the pin that joins it.
TEST_F(NewerKeywordTest, SupplySignalNameOnBothRailsFrom70)
{
    const LineList joined = Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VDD GND", "4 VSS GND",
                                      "5 VSS POWER", "6 VSS GND", "7 VDD GND"}),
                                 Input("in")});
    const LineList apart =
        Cat({Cmp({"[Pin] signal_name model_name", "1 A in", "2 VDD POWER", "3 VSS GND", "4 VDD POWER", "5 A2 in"}),
             Input("in")});
    const char* both =
        "C5111 - (line 13) Signal name 'VDD' of Component 'c' is carried by POWER pin '2' and GND pin '3'; as a bus "
        "it would join the two rails\n"
        "C5111 - (line 15) Signal name 'VSS' of Component 'c' is carried by POWER pin '5' and GND pin '4'; as a bus "
        "it would join the two rails\n";
    const Case cases[] = {
        {"6.1: signal names are no buses yet", "6.1", joined, "", true},
        {"7.0: each joined name once", "7.0", joined, both, true},
        {"7.2 likewise", "7.2", joined, both, true},
        {"7.2: separate names raise nothing", "7.2", apart, "", true},
    };
    RunIbs(cases, sizeof cases / sizeof cases[0]);
}

// One complete file of each newer version, with every keyword group the
// version allows, raises nothing with every whole-file check on.
TEST_F(NewerKeywordTest, CompleteFileOfEachVersionRaisesNothing)
{
    Write("pkg.s4p", "! Touchstone\n# GHz S MA R 50\n");
    WriteAmiModelFiles();
    const struct {
        const char* version;
        int level;
    } versions[] = {{"5.1", 51}, {"6.0", 60}, {"6.1", 61}, {"7.0", 70}, {"7.1", 71}, {"7.2", 72}};
    for (const auto& v : versions) {
        LineList body;
        if (v.level >= 70)
            body = Cat({body, {"[Interconnect Model Set] s", "[Interconnect Model] a", "File_TS pkg.s4p",
                               "Number_of_terminals = 1", "1 Pin_I/O 1", "[End Interconnect Model]",
                               "[End Interconnect Model Set]"}});
        LineList tables;
        if (v.level >= 60) tables = Cat({tables, {"[Repeater Pin] tx_non_inv_pin", "1 3"}});
        tables = Cat({kDiffPins, tables});
        if (v.level >= 70)
            tables = Cat({tables, {"[Interconnect Model Group] g", "a", "[End Interconnect Model Group]",
                                   "[Bus Label]", "VDDQ VDD", "[Die Supply Pads]", "P1 VDD"}});
        if (v.level >= 71) tables = Cat({tables, {"[Clock Pins] clocked_pins relationship", "1 2 x"}});
        body = Cat({body, Cmp({"[Pin] signal_name model_name", "1 A in", "2 B in", "3 C out", "4 D out", "5 VDD POWER"}),
                    tables, Input("in"), kAmi, Output("out"), kAmi, DriverTables()});
        if (v.level >= 61) body = Cat({body, {"[Initial Delay]", "0 0 0"}});
        const Case c = {v.version, v.version, body, ""};
        gbSuppressCautions = 0;
        PlausibilityAndDcChecks(true);
        ExpectBothStyles(Write("a.ibs", Lines(Ibs(c.version, c.body))), FILE_TYPE_IBS, "", v.version);
        gbSuppressCautions = 1;
    }
}

}  // namespace
}  // namespace model_test

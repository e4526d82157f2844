// Models chosen from their IBIS-AMI kit (through the IBIS checker and the
// AMI parameter parser), the checks of parameter values against their
// formats, and amisim's command-line conventions: exit status 2 for bad
// usage with a pointer to --help, 2 for a run that cannot be done, 0 for a
// finished run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "linksim/Kit.h"

namespace {

namespace fs = std::filesystem;

// The kit as a simulator receives it: the files of kit/ with the two
// libraries beside them, in a folder of its own.
class KitFolder {
public:
    explicit KitFolder(const std::string& name)
        : m_dir(fs::path(::testing::TempDir()) / ("kit_" + name + "_" + std::to_string(getpid())))
    {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        for (const char* f : {"vantrel_serdes.ibs", "rx_ami.ami", "tx_ami.ami"})
            fs::copy_file(fs::path(AMI_SOURCE_DIR) / "kit" / f, m_dir / f);
        for (const char* f : {"rx_ami.so", "tx_ami.so"}) fs::copy_file(fs::path(AMI_BUILD_DIR) / f, m_dir / f);
    }
    ~KitFolder() { fs::remove_all(m_dir); }
    fs::path Ibs() const { return m_dir / "vantrel_serdes.ibs"; }
    const fs::path& Dir() const { return m_dir; }
    // Replaces the first occurrence of `from` in a file of the kit.
    void Edit(const char* file, const std::string& from, const std::string& to) const
    {
        std::ifstream in(m_dir / file);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        std::ofstream(m_dir / file) << text;
    }

private:
    fs::path m_dir;
};

TEST(ModelKit, ReadsTheModelsOfTheKit)
{
    KitFolder kit("read");
    struct Case {
        const char* model;
        const char* library;
        size_t sent;
        const char* defaults;
    };
    for (const Case c : {Case{"TX_model2", "tx_ami.so", 3, "(TX_model2 (DE_Level 0) (VOD_Level 2) (TX_bypass 0))"},
                         Case{"Vuraved_UV_IV", "rx_ami.so", 6,
                              "(Vuraved_UV_IV (RX_Config 0) (Factor 1) (VCO_Sensitivity 8.0e8) (EQ_Level 0) "
                              "(CTLEAdapt 1) (EOMNbits 200))"}}) {
        const linksim::ModelKit k = linksim::LoadModelKit(kit.Ibs().string(), c.model);
        EXPECT_EQ(k.executable, "Linux_gcc_64");
        EXPECT_EQ(fs::path(k.library).filename(), c.library);
        EXPECT_EQ(k.root, c.model);
        EXPECT_EQ(k.checkerErrors, 0u) << k.checkerReport;
        size_t sent = 0;
        for (const auto& p : k.params) sent += p.Sent() ? 1 : 0;
        EXPECT_EQ(sent, c.sent) << c.model;
        EXPECT_EQ(linksim::KitParameterString(k, {}), c.defaults);
        ASSERT_NE(k.Find("Ignore_Bits"), nullptr);
        EXPECT_TRUE(k.Find("Ignore_Bits")->reserved);
        EXPECT_FALSE(k.Find("Ignore_Bits")->Sent());
    }
    const linksim::ModelKit rx = linksim::LoadModelKit(kit.Ibs().string(), "Vuraved_UV_IV");
    EXPECT_EQ(linksim::KitParameterString(rx, {{"EQ_Level", "12"}, {"CTLEAdapt", "0"}}),
              "(Vuraved_UV_IV (RX_Config 0) (Factor 1) (VCO_Sensitivity 8.0e8) (EQ_Level 12) (CTLEAdapt 0) "
              "(EOMNbits 200))");
}

// The kit declared as each IBIS version from 5.0 to 7.2 loads through the
// checker with the same models and no checker errors.
TEST(ModelKit, KitsOfEveryVersionFrom50To72Load)
{
    for (const char* version : {"5.0", "5.1", "6.0", "6.1", "7.0", "7.1", "7.2"}) {
        KitFolder kit(std::string("ver") + version);
        kit.Edit("vantrel_serdes.ibs", "[IBIS Ver]      5.0", std::string("[IBIS Ver]      ") + version);
        for (const char* model : {"TX_model2", "Vuraved_UV_IV"}) {
            const linksim::ModelKit k = linksim::LoadModelKit(kit.Ibs().string(), model);
            EXPECT_EQ(k.root, model) << version;
            EXPECT_EQ(k.checkerErrors, 0u) << version << "\n" << k.checkerReport;
            EXPECT_NE(k.Find("Ignore_Bits"), nullptr) << version;
        }
    }
}

// The parameter string: inputs only, nested groups as branches, strings
// quoted, the format's first value where there is no Default.
TEST(ModelKit, ParameterStringOfNestedAndTypedParameters)
{
    auto param = [](const char* name, const char* usage, const char* type, const char* def,
                    std::vector<std::string> format = {}) {
        linksim::AmiParameter p;
        p.name = name;
        p.usage = usage;
        p.type = type;
        p.defaultValue = def;
        p.format = format.empty() ? "" : "Range";
        p.formatValues = std::move(format);
        return p;
    };
    linksim::ModelKit k;
    k.root = "M";
    k.params = {param("A", "In", "Integer", "1"), param("G.B", "In", "String", "x y"),
                param("G.H.C", "InOut", "Float", "", {"0.5", "0", "1"}), param("O", "Out", "Float", "2"),
                param("I", "Info", "Integer", "3"), param("G.D", "In", "Boolean", "True")};
    k.params.push_back(param("Ignore_Bits", "In", "Integer", "9"));
    k.params.back().reserved = true;
    EXPECT_EQ(linksim::KitParameterString(k, {}), "(M (A 1) (G (B \"x y\") (D True) (H (C 0.5))))");
    EXPECT_EQ(linksim::KitParameterString(k, {{"G.H.C", "0.25"}, {"A", "7"}}),
              "(M (A 7) (G (B \"x y\") (D True) (H (C 0.25))))");
}

// Each value against its parameter's format: the kit's own parameters and
// formats the kit does not use (Increment, Steps, Corner, Value, Boolean).
TEST(ModelKit, ValuesAreCheckedAgainstTheirFormat)
{
    auto param = [](const char* type, const char* format, std::vector<std::string> values) {
        linksim::AmiParameter p;
        p.name = "P";
        p.usage = "In";
        p.type = type;
        p.format = format;
        p.formatValues = std::move(values);
        return p;
    };
    struct Case {
        linksim::AmiParameter p;
        const char* value;
        const char* refusal;  // part of the reason, "" when allowed
    };
    const Case cases[] = {
        {param("Integer", "Range", {"0", "0", "31"}), "31", ""},
        {param("Integer", "Range", {"0", "0", "31"}), "0", ""},
        {param("Integer", "Range", {"0", "0", "31"}), "32", "out of range for P (Integer: 0 to 31)"},
        {param("Integer", "Range", {"0", "0", "31"}), "-1", "out of range"},
        {param("Integer", "Range", {"0", "0", "31"}), "2.5", "not an integer"},
        {param("Integer", "List", {"0", "1", "2"}), "2", ""},
        {param("Integer", "List", {"0", "1", "2"}), "3", "not allowed for P (Integer: one of 0 1 2)"},
        {param("Float", "Range", {"8e8", "1e7", "1e10"}), "1.0e7", ""},
        {param("Float", "Range", {"8e8", "1e7", "1e10"}), "5e6", "out of range"},
        {param("Float", "Range", {"8e8", "1e7", "1e10"}), "fast", "not a number"},
        {param("Float", "Increment", {"0", "-0.5", "0.5", "0.1"}), "0.3", ""},
        {param("Float", "Increment", {"0", "-0.5", "0.5", "0.1"}), "0.35", "not on the grid"},
        {param("Float", "Steps", {"0", "0", "1", "4"}), "0.75", ""},
        {param("Float", "Steps", {"0", "0", "1", "4"}), "0.7", "not one of the steps"},
        {param("Float", "Corner", {"1", "0.5", "2"}), "0.5", ""},
        {param("Float", "Corner", {"1", "0.5", "2"}), "0.7", "not allowed"},
        {param("Integer", "Value", {"4"}), "4", ""},
        {param("Integer", "Value", {"4"}), "5", "only 4"},
        {param("Boolean", "", {}), "True", ""},
        {param("Boolean", "", {}), "true", "not True or False"},
        {param("String", "List", {"fast", "slow"}), "slow", ""},
        {param("String", "List", {"fast", "slow"}), "medium", "one of fast slow"},
    };
    for (const Case& c : cases) {
        const std::string why = linksim::CheckParameterValue(c.p, c.value);
        const std::string label = c.p.type + " " + c.p.format + " value " + c.value;
        if (*c.refusal == '\0') {
            EXPECT_EQ(why, "") << label;
        } else {
            EXPECT_NE(why.find(c.refusal), std::string::npos) << label << ": " << why;
        }
    }
}

// A kit that cannot be used says why.
TEST(ModelKit, UnusableKitsAreRefusedWithTheReason)
{
    struct Case {
        const char* name;
        const char* file;
        const char* from;
        std::string to;
        const char* model;
        std::string says;
    };
    // Hostile kits: a parameter file nested 13000 deep (it overflowed the
    // stack of the kit reader's recursion), thousands of identical
    // Executable lines (each made the checker read the parameter file again:
    // seconds and gigabytes).
    const std::string rxLine = "Executable  Linux_gcc_64  rx_ami.so  rx_ami.ami\n";
    std::string manyLines;
    for (int i = 0; i < 3000; ++i) manyLines += rxLine;
    const Case cases[] = {
        {"nested", "rx_ami.ami", "(EQ_Level (Usage In)",
         "(EQ_Level " + std::string(13000, '(') + std::string(13000, ')') + " (Usage In)", "Vuraved_UV_IV",
         "rx_ami.ami:28: parameters nested more than 64 deep"},
        {"executables", "vantrel_serdes.ibs", "Executable  Linux_gcc_64  rx_ami.so  rx_ami.ami\n", manyLines,
         "Vuraved_UV_IV", "vantrel_serdes.ibs:178: more than 64 Executable lines in one [Algorithmic Model]"},
        {"nomodel", nullptr, "", "", "RX_model9", "no [Model] RX_model9"},
        {"platform", "vantrel_serdes.ibs", "Linux_gcc_64  rx_ami.so", "Windows_msvc_64  rx_ami.so", "Vuraved_UV_IV",
         "no Executable line for Linux 64-bit (it offers Windows_msvc_64)"},
        {"code", "vantrel_serdes.ibs", "rx_ami.so", "rx_gone.so", "Vuraved_UV_IV", "code file rx_gone.so"},
        {"ami", "rx_ami.ami", "(EQ_Level (Usage In)", "(EQ_Level (Usage In", "Vuraved_UV_IV", "could not be read or parsed"},
    };
    for (const Case& c : cases) {
        KitFolder kit(c.name);
        if (c.file) kit.Edit(c.file, c.from, c.to.c_str());
        std::string what;
        try {
            linksim::LoadModelKit(kit.Ibs().string(), c.model);
        } catch (const linksim::KitError& e) {
            what = e.what();
        }
        EXPECT_NE(what.find(c.says), std::string::npos) << c.name << ": " << what;
    }
}

// Several Executable lines naming one parameter file (one per platform, as
// vendors ship them), before or after the line for this platform: the
// checker reads the file once, and the model still gets its parameters.
TEST(ModelKit, ExecutableLinesSharingOneParameterFile)
{
    const std::string linux_ = "Executable  Linux_gcc_64  rx_ami.so  rx_ami.ami";
    for (const bool windowsFirst : {true, false}) {
        KitFolder kit(windowsFirst ? "shared_before" : "shared_after");
        const std::string windows = "Executable Windows_msvc_64  rx_ami.dll  rx_ami.ami";
        kit.Edit("vantrel_serdes.ibs", linux_, windowsFirst ? windows + "\n" + linux_ : linux_ + "\n" + windows);
        std::ofstream(kit.Dir() / "rx_ami.dll") << "";
        const linksim::ModelKit k = linksim::LoadModelKit(kit.Ibs().string(), "Vuraved_UV_IV");
        EXPECT_EQ(k.executable, "Linux_gcc_64");
        ASSERT_NE(k.Find("EQ_Level"), nullptr) << (windowsFirst ? "Windows line first" : "Linux line first");
        EXPECT_EQ(k.Find("EQ_Level")->formatValues.size(), 3u);
    }
}

struct Outcome {
    int status = -1;
    std::string log;
    nlohmann::json summary;
};

Outcome Amisim(const fs::path& dir, const std::string& args)
{
    const fs::path out = dir / "out", log = dir / "amisim.log";
    fs::remove_all(out);
    const std::string cmd = std::string(AMI_BUILD_DIR) + "/amisim --no-progress -o " + out.string() + " " + args +
                            " > " + log.string() + " 2>&1";
    Outcome o;
    const int raw = std::system(cmd.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(log);
    o.log.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::ifstream js(out / "amisim.json");
    if (js) js >> o.summary;
    return o;
}

// Exit status and message of the command line's outcomes.
TEST(ModelKit, CommandLineConventions)
{
    KitFolder kit("cli");
    const std::string rx = "--rx-ibs " + kit.Ibs().string() + " --rx-model Vuraved_UV_IV";
    const std::string tx = "--tx-ibs " + kit.Ibs().string() + " --tx-model TX_model2";
    struct Case {
        std::string args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"--no-such-option", 2, "Run with --help"},
        {"--prbs 8", 2, "Run with --help"},
        {"--loss 10 --channel " + kit.Ibs().string(), 2, "Run with --help"},
        {rx + " --set EQ_Level=32", 2, "32 is out of range for EQ_Level (Integer: 0 to 31)"},
        {rx + " --EQ_Level 40", 2, "out of range for EQ_Level"},
        {rx + " --set NoSuch=1", 2, "no model parameter NoSuch"},
        {rx + " --set Ignore_Bits=5", 2, "not an input"},
        {"--set EQ_Level", 2, "expected NAME=VALUE"},
        {"--rx-ibs " + kit.Ibs().string(), 2, "--rx-model"},
        {"--list-params", 0, "model Vuraved_UV_IV"},  // the built-in models, from the files beside them
        {"--rx-lib /nonexistent/rx.so -n 100", 2, "cannot load /nonexistent/rx.so"},
        {"--rx-ibs " + kit.Ibs().string() + " --rx-model Nobody", 2, "no [Model] Nobody"},
        {rx + " " + tx + " --list-params", 0, "EQ_Level               In     Integer  0          0 to 31"},
        {"--help", 0, "--tx-ibs"},
    };
    for (const Case& c : cases) {
        const Outcome o = Amisim(kit.Dir(), c.args);
        EXPECT_EQ(o.status, c.status) << c.args << ":\n" << o.log;
        EXPECT_NE(o.log.find(c.says), std::string::npos) << c.args << ":\n" << o.log;
    }
    // A finished run through both kit models, with values set both ways.
    const Outcome o = Amisim(kit.Dir(), rx + " " + tx + " -n 6000 --loss 10 --set CTLEAdapt=0 --EQ_Level 8 --set tx.DE_Level=1");
    ASSERT_EQ(o.status, 0) << o.log;
    EXPECT_EQ(o.summary["rx"]["kit"]["model"], "Vuraved_UV_IV");
    EXPECT_EQ(o.summary["tx"]["parameters"], "(TX_model2 (DE_Level 1) (VOD_Level 2) (TX_bypass 0))");
    EXPECT_EQ(o.summary["rx"]["parameters"],
              "(Vuraved_UV_IV (RX_Config 2) (Factor 1) (VCO_Sensitivity 8.0e8) (EQ_Level 8) (CTLEAdapt 0) (EOMNbits 200))");
    EXPECT_EQ(o.summary["ctle"]["setting"], 8);
    EXPECT_TRUE(o.summary["ber"]["available"].get<bool>()) << o.summary["ber"].dump();
}

}  // namespace

// The IBIS-AMI kit as a simulator receives it: the .ibs and .ami files with
// the two libraries beside them must pass the project's IBIS checker with
// no error and no warning.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <regex>
#include <string>
#include <vector>

#include "linksim/AmiModel.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p);
    std::ostringstream os;
    os << in.rdbuf();
    return os.str();
}

TEST(Kit, PassesTheCheckerWithoutFindings)
{
    const fs::path checker = fs::path(AMI_BUILD_DIR) / "ibis_checker";
    if (!fs::exists(checker)) GTEST_SKIP() << "ibis_checker is not built";
    const fs::path kit = fs::path(::testing::TempDir()) / ("amisim_kit_" + std::to_string(getpid()));
    fs::remove_all(kit);
    fs::create_directories(kit);
    for (const char* f : {"vantrel_serdes.ibs", "rx_ami.ami", "tx_ami.ami"})
        fs::copy_file(fs::path(AMI_SOURCE_DIR) / "kit" / f, kit / f);
    for (const char* f : {"rx_ami.so", "tx_ami.so"}) fs::copy_file(fs::path(AMI_BUILD_DIR) / f, kit / f);

    struct Case {
        const char* args;
        const char* file;
    };
    for (const Case c : {Case{"-caution -numbered", "vantrel_serdes.ibs"}, Case{"-caution -numbered -ami", "rx_ami.ami"},
                         Case{"-caution -numbered -ami", "tx_ami.ami"}}) {
        const fs::path log = kit / (std::string(c.file) + ".log");
        const std::string cmd = "cd " + kit.string() + " && " + checker.string() + " " + c.args + " " + c.file +
                                " > " + log.string() + " 2>&1";
        const int status = std::system(cmd.c_str());
        const std::string out = Slurp(log);
        EXPECT_EQ(status, 0) << c.file << ":\n" << out;
        EXPECT_NE(out.find("Errors  : 0"), std::string::npos) << c.file << ":\n" << out;
        EXPECT_EQ(out.find("Warnings"), std::string::npos) << c.file << ":\n" << out;
        EXPECT_EQ(out.find("Caution"), std::string::npos) << c.file << ":\n" << out;
        EXPECT_NE(out.find("File Passed"), std::string::npos) << c.file << ":\n" << out;
    }
    fs::remove_all(kit);
}

// Every model parameter that the kit declares is one its library reads: an
// AMI_Init with the declared defaults, and every parameter set, succeeds
// without a message about a parameter it could not read.
TEST(Kit, DeclaredParametersAreReadByTheLibraries)
{
    struct Case {
        const char* ami;
        const char* library;
        size_t parameters;
    };
    for (const Case c : {Case{"rx_ami.ami", "rx_ami.so", 6}, Case{"tx_ami.ami", "tx_ami.so", 3}}) {
        const std::string text = Slurp(fs::path(AMI_SOURCE_DIR) / "kit" / c.ami);
        // "(<root>" opens the file; each "(<name> (Usage In)" declares a
        // parameter whose "(Default <value>)" follows on the same line.
        const std::regex root(R"(^\((\w+))", std::regex::multiline);
        const std::regex param(R"(\((\w+) \(Usage In\).*\(Default ([^)]+)\))");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(text, m, root)) << c.ami;
        std::vector<std::pair<std::string, std::string>> values;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), param); it != std::sregex_iterator(); ++it)
            values.push_back({(*it)[1], (*it)[2]});
        EXPECT_EQ(values.size(), c.parameters) << c.ami;
        const std::string params = linksim::AmiParameterString(m[1], values);

        std::string error, message;
        auto model = linksim::AmiModel::Load((fs::path(AMI_BUILD_DIR) / c.library).string(), error);
        ASSERT_TRUE(model) << error;
        const double bitTime = 1.0 / 10.3125e9;
        EXPECT_TRUE(model->Init({1.0}, bitTime / 64, bitTime, params, message)) << params << ": " << message;
        EXPECT_EQ(message, "") << params;
        EXPECT_TRUE(model->Close());
    }
}

}  // namespace

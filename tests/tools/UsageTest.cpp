// What amisim tells a user who asks for something it cannot do: refused up
// front, by name and with the allowed values, before any library runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "AmisimRun.h"

namespace {

TEST(Usage, RefusedUpFrontByName)
{
    struct Case {
        const char* args;
        int status;
        const char* says;
    } cases[] = {
        // The built-in models' values against their parameter files.
        {"--EQ_Level 40", 2, "40 is out of range for EQ_Level (Integer: 0 to 31)"},
        {"--set EQ_Level=40", 2, "40 is out of range for EQ_Level (Integer: 0 to 31)"},
        {"--set rx.CTLEAdapt=2", 2, "2 is not allowed for CTLEAdapt (Integer: one of 0 1)"},
        {"--set tx.DE_Level=9", 2, "9 is not allowed for DE_Level (Integer: one of 0 1 2 3)"},
        {"--sweep EQ_Level=28:40:4", 2, "32 is out of range for EQ_Level"},
        {"--set Ignore_Bits=5", 2, "Ignore_Bits"},
        // Options: a missing value, a fraction of a bit, an aliasing tone.
        {"--bits", 2, "--bits needs a value"},
        {"--eye-bits --no-stat", 2, "--eye-bits needs a value (found the option --no-stat after it)"},
        {"-n 25.5", 2, "--bits: 25.5 is not a whole number"},
        {"--sj 0.1 --sj-freq 2e10", 2, "above half the bit rate"},
        // Allowed: whole numbers in exponent form, the parameter list.
        {"-n 6e3 --no-stat", 0, ""},
        {"--list-params", 0, "EQ_Level               In     Integer  0          0 to 31"},
    };
    for (const Case& c : cases) {
        const RunResult r = Amisim("usage", c.args);
        EXPECT_EQ(r.Exit(), c.status) << c.args << "\n" << r.log;
        EXPECT_NE(r.log.find(c.says), std::string::npos) << c.args << "\n" << r.log;
        if (c.status == 2) {
            EXPECT_NE(r.log.find("Run with --help"), std::string::npos) << c.args;
        }
    }
    const RunResult r = Amisim("usage_bits", "-n 6e3 --no-stat");
    EXPECT_EQ(r.summary["bits"], 6000);
}

// ami_host prints only what a call gave: a failed AMI_GetWave shows no
// "output" (its buffer still holds the input), and a model with AMI_Init
// only shows the impulse response it returned.
TEST(Usage, AmiHostShowsOnlyWhatTheCallsGave)
{
    struct Case {
        const char* lib;
        const char* params;
        int status;
        const char* says;
        const char* never;
    } cases[] = {
        {"tx_ami.so", "(TX_model2 (DE_Level 9) (VOD_Level 2) (TX_bypass 0))", 1, "no output: AMI_GetWave failed",
         "output at the middle"},
        {"tx_ami.so", "(TX_model2 (DE_Level 1) (VOD_Level 2) (TX_bypass 0))", 0, "output at the middle", "no output"},
        {"ffe_init.so", "(ffe_init (Post 0.2))", 0, "at the start of each bit: 1.25 -0.25 0 0", "output at the middle"},
        {"ffe_init.so", "(ffe_init (Post 0.9))", 1, "ffe_init: Post must lie from 0 to 0.5.", "output at the middle"},
    };
    const std::string log = ::testing::TempDir() + "ami_host_" + std::to_string(getpid()) + ".log";
    for (const Case& c : cases) {
        const std::string cmd = std::string(AMI_BUILD_DIR) + "/ami_host " + AMI_BUILD_DIR + "/" + c.lib + " '" +
                                c.params + "' > " + log + " 2>&1";
        const int status = std::system(cmd.c_str());
        std::ifstream in(log);
        const std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << c.params << "\n" << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.params << "\n" << out;
        EXPECT_EQ(out.find(c.never), std::string::npos) << c.params << "\n" << out;
    }
    std::remove(log.c_str());
}

}  // namespace

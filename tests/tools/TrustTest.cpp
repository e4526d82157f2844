// Figures of whole runs checked against a second method or against what
// can be measured at all: the BER after the receiver's training against the
// statistical BER of the same link, short runs that must not claim a BER,
// lock and periodic jitter under sinusoidal jitter, closed eyes, and the
// outputs a failed run leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AmisimRun.h"

namespace {

namespace fs = std::filesystem;

#ifdef AMI_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::string Channel(const char* name) { return std::string(AMI_SHARED_DIR) + "/channels/" + name; }

// Over the shared channels and the built-in line: counted from the end of
// the receiver's training, the bit errors agree with the statistical
// analysis of the same link (none where it predicts below 1e-9 at the
// centre, a rate within a factor of ten where it predicts 1e-3 or more).
// Counting from lock alone found 43 errors on the TEC channel (training).
TEST(Trust, BerAfterTrainingAgreesWithTheStatisticalBer)
{
    std::vector<std::string> runs;
    const bool shared = fs::exists(Channel("TEC_Whisper42p8in_Meg6_THRU_C8C9.s4p"));
    const char* channels[] = {"TEC_Whisper42p8in_Meg6_THRU_C8C9.s4p", "Case4_FM_13SI_20_T_D13_L6.s4p",
                              "peters_01_0605_T20_thru.s4p", "CA_19p75dB_thru.s4p", "DPO_4in_Meg7_THRU.s4p",
                              "Sparq_demo_16.s4p"};
    for (size_t i = 0; shared && i < (kSanitized ? 2 : 6); ++i) runs.push_back("--channel " + Channel(channels[i]));
    for (const char* loss : {"5", "15", "20", "25"})
        if (!kSanitized || std::string(loss) == "20") runs.push_back(std::string("--loss ") + loss);
    for (const std::string& args : runs) {
        const RunResult r = Amisim("trained", args);
        ASSERT_EQ(r.Exit(), 0) << args << "\n" << r.log;
        const auto& b = r.summary["ber"];
        ASSERT_TRUE(b["available"].get<bool>()) << args << ": " << b.dump();
        EXPECT_GE(b["from_bit"].get<long>(), 4000) << args;
        const double stat = r.summary["statistical"]["ber_at_centre"].get<double>();
        const double measured = b["ber"].get<double>();
        if (stat < 1e-9)
            EXPECT_EQ(b["errors"].get<long>(), 0) << args << ": statistical BER " << stat << ", " << b.dump();
        if (stat >= 1e-3) {
            EXPECT_GT(measured, stat / 10) << args;
            EXPECT_LT(measured, stat * 10) << args;
        }
    }
}

// Runs too short to measure, from a few bits past the ignored ones to
// just enough: the BER is stated only over 1000 decisions or more, else it
// is null with the reason (a sweep row then shows it unmeasured); the run
// still succeeds.
TEST(Trust, ShortRunsClaimNoBer)
{
    const std::string ideal = std::string(" --TX_bypass 1 --prbs 7 --loss 0 --rx-lib ") + AMI_BUILD_DIR + "/ideal_rx.so";
    struct Case {
        std::string args;
        bool measurable;
    } cases[] = {
        {"-n 20" + ideal, false},   {"-n 1000" + ideal, false},  // not locked: half the run, too few
        {"-n 1030" + ideal, true},  // locked at bit 1, measured from bit 16: 1013 decisions
        {"-n 2000" + ideal, true},  {"-n 3000" + ideal, true},   {"-n 2000", false},
        {"-n 3000 --EQ_Level 28 --CTLEAdapt 0", false},
        {"-n 4500 --EQ_Level 28 --CTLEAdapt 0", false},
        {"-n 6000 --EQ_Level 8 --CTLEAdapt 0 --loss 10", true},
    };
    for (const Case& c : cases) {
        const RunResult r = Amisim("short", c.args + " --no-stat");
        ASSERT_EQ(r.Exit(), 0) << c.args << "\n" << r.log;
        const auto& b = r.summary["ber"];
        EXPECT_EQ(b["available"].get<bool>(), c.measurable) << c.args << ": " << b.dump();
        if (b["available"].get<bool>()) {
            EXPECT_GE(b["bits_compared"].get<long>(), 1000) << c.args;
            EXPECT_EQ(b["errors"].get<long>(), 0) << c.args;
        } else {
            EXPECT_TRUE(b["ber"].is_null()) << c.args;
            EXPECT_TRUE(b["errors"].is_null()) << c.args;
            EXPECT_FALSE(b["reason"].get<std::string>().empty()) << c.args;
        }
    }
}

// With sinusoidal jitter inside the loop's bandwidth the clock follows the
// tone: lock comes where the phase settles (as without jitter, within the
// receiver's training), and the periodic jitter is found at the tone. A
// window shorter than the tone's period is warned about.
TEST(Trust, SinusoidalJitterLockAndPeriodicJitter)
{
    // Tones of several periods in the 10000-bit jitter window (0.97 us).
    for (const char* f : {"3e6", "5e6", "8e6"}) {
        if (kSanitized && std::string(f) != "5e6") continue;
        const RunResult r = Amisim("sj", std::string("--no-stat --sj 0.1 --sj-freq ") + f);
        ASSERT_EQ(r.Exit(), 0) << r.log;
        ASSERT_TRUE(r.summary["lock"]["locked"].get<bool>()) << f;
        EXPECT_LT(r.summary["lock"]["bit_index"].get<long>(), 4000) << f;
        const auto& m = r.summary["jitter"]["measured"];
        EXPECT_NEAR(m["pj_hz"].get<double>(), std::stod(f), 0.05 * std::stod(f)) << f << ": " << m.dump();
        EXPECT_TRUE(m["warning"].get<std::string>().empty()) << f;
    }
    const RunResult r = Amisim("sjslow", "--no-stat -n 9000 --sj 0.1 --sj-freq 2e5");
    ASSERT_EQ(r.Exit(), 0) << r.log;
    EXPECT_NE(r.summary["jitter"]["measured"]["warning"].get<std::string>().find("shorter than one period"),
              std::string::npos);
}

// An over-equalised link whose bit-by-bit tails close at the BER: every
// figure is within what physics allows (no negative height, TJ at most a
// unit interval, no BER below the floor), and the closed ones say so.
TEST(Trust, ClosedEyesAreSaidClosed)
{
    const RunResult r = Amisim("closed", "-n 9000 --EQ_Level 28 --CTLEAdapt 0");
    ASSERT_EQ(r.Exit(), 0) << r.log;
    const auto& j = r.summary;
    const auto& x = j["extrapolated"];
    ASSERT_TRUE(x["amplitude_available"].get<bool>());
    EXPECT_GE(x["eye_height_v"].get<double>(), 0.0);
    EXPECT_TRUE(x["height_closed"].get<bool>()) << x.dump();
    EXPECT_LE(j["jitter"]["measured"]["tj_ui"].get<double>(), 1.0);
    EXPECT_GE(j["eye"]["height_v"].get<double>(), 0.0);
    for (const auto& p : j["statistical"]["bathtub"]) EXPECT_GE(p["ber"].get<double>(), 1e-30);
    for (const auto& b : x["bathtub"]["ber"]) EXPECT_GE(b.get<double>(), 1e-30);
    for (const auto& b : x["vertical_bathtub"]["ber"]) EXPECT_GE(b.get<double>(), 1e-30);
}

// A failed run leaves none of the results of an earlier run in its folder
// (a script would read them as its own), a channel that cannot be read
// leaves no folder, and bits to ignore beyond the run are refused.
TEST(Trust, FailedRunsLeaveNoStaleResults)
{
    const fs::path dir = fs::path(::testing::TempDir()) / ("trust_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string amisim = std::string(AMI_BUILD_DIR) + "/amisim --no-progress -q ";
    auto run = [&](const std::string& args) {
        const int s = std::system((amisim + args + " > " + (dir / "log").string() + " 2>&1").c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    const fs::path out = dir / "out";
    ASSERT_EQ(run("-n 6000 -o " + out.string()), 0);
    for (const char* f : {"amisim.json", "eye.png", "clock_period.png", "stat_eye.png", "bathtub.png"})
        ASSERT_TRUE(fs::exists(out / f)) << f;
    const struct {
        std::string args;
        const char* says;
    } failures[] = {
        {"--rx-lib " + (dir / "missing.so").string(), "cannot load"},
        {"--set EOMNbits=nan --rx-ibs " + (dir / "none.ibs").string(), ""},
    };
    for (const auto& f : failures) {
        EXPECT_EQ(run("-n 6000 -o " + out.string() + " " + f.args), 2) << f.args;
        for (const char* name : {"amisim.json", "eye.png", "clock_period.png", "stat_eye.png", "bathtub.png"})
            EXPECT_FALSE(fs::exists(out / name)) << f.args << ": " << name << " of the earlier run is still there";
    }
    {
        std::ofstream bad(dir / "bad.s2p");
        bad << "# Hz S MA R 50\n1e9 0.5 0 0.5 0\n";
    }
    EXPECT_EQ(run("-o " + (dir / "new").string() + " --channel " + (dir / "bad.s2p").string()), 2);
    EXPECT_FALSE(fs::exists(dir / "new"));
    EXPECT_EQ(run("-n 5000 --ignore-bits 5000 -o " + (dir / "new").string()), 2);
    fs::remove_all(dir);
}

}  // namespace

// Multilevel links: the symbol mapping and slicing as units, and PAM4/PAMn
// runs of the amisim program with known answers (an ideal channel opens
// every eye to the level spacing and makes no error) and, through a shared
// channel, the host's slicing against the receiver's own slicer.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "AmisimRun.h"
#include "linksim/Jitter.h"
#include "linksim/Pam.h"

namespace {

using linksim::Modulation;

Modulation Levels(int n, bool gray = true)
{
    Modulation m;
    m.levels = n;
    m.gray = gray;
    return m;
}

TEST(Pam, ModulationNamesAcceptedAndRefused)
{
    const struct {
        const char* text;
        int levels;
    } cases[] = {{"nrz", 2}, {"NRZ", 2}, {"pam2", 2}, {"pam4", 4}, {"PAM4", 4}, {"pam8", 8}, {"pam16", 16},
                 {"pam3", 0}, {"pam32", 0}, {"pam", 0}, {"pam04x", 0}, {"", 0}, {"pam-4", 0}, {"pam00004", 0}};
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(linksim::ParseModulation(c.text, why), c.levels) << c.text;
        EXPECT_EQ(why.empty(), c.levels != 0) << c.text << ": " << why;
    }
}

// Gray: neighbouring levels differ in exactly one bit, the mapping is a
// permutation whose inverse SymbolOf is, and the first bit is 1 exactly on
// the upper half (what aligns the decisions). Binary: the symbol's own bits.
TEST(Pam, GrayMappingOneBitBetweenNeighbours)
{
    for (int n : {2, 4, 8, 16}) {
        const Modulation g = Levels(n), b = Levels(n, false);
        std::vector<bool> seen(static_cast<size_t>(n));
        for (int s = 0; s < n; ++s) {
            EXPECT_EQ(g.SymbolOf(g.BitsOf(s)), s) << n;
            EXPECT_EQ(b.BitsOf(s), static_cast<unsigned>(s));
            seen[g.BitsOf(s)] = true;
            EXPECT_EQ((g.BitsOf(s) >> (g.BitsPerSymbol() - 1)) & 1u, s >= n / 2 ? 1u : 0u) << n << " " << s;
            if (s > 0) EXPECT_EQ(linksim::BitErrors(g, s - 1, s), 1) << n << " " << s;
        }
        for (bool v : seen) EXPECT_TRUE(v) << n;
        EXPECT_DOUBLE_EQ(g.Level(0), -0.5);
        EXPECT_DOUBLE_EQ(g.Level(n - 1), 0.5);
    }
    const Modulation p4 = Levels(4);
    EXPECT_NEAR(p4.Level(1), -1.0 / 6, 1e-15);
    EXPECT_NEAR(p4.Level(2), 1.0 / 6, 1e-15);
    // Binary PAM4: 1 (01) to 2 (10) loses both bits.
    EXPECT_EQ(linksim::BitErrors(Levels(4, false), 1, 2), 2);
}

TEST(Pam, SymbolsFromBitsFirstBitMostSignificant)
{
    // Gray PAM4: 00 -> 0, 01 -> 1, 11 -> 2, 10 -> 3; a trailing odd bit dropped.
    const std::vector<uint8_t> bits = {0, 0, 0, 1, 1, 1, 1, 0, 1};
    EXPECT_EQ(linksim::SymbolsFromBits(bits, Levels(4)), (std::vector<uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(linksim::SymbolsFromBits(bits, Levels(4, false)), (std::vector<uint8_t>{0, 1, 3, 2}));
    EXPECT_EQ(linksim::SymbolsFromBits(bits, Levels(8, false)), (std::vector<uint8_t>{0, 7, 5}));
}

TEST(Pam, SlicingAndMeasuredThresholds)
{
    const std::vector<double> t = {-1.0 / 3, 0.0, 1.0 / 3};
    const struct {
        double v;
        int symbol;
    } cases[] = {{-0.5, 0}, {-0.34, 0}, {-1.0 / 3, 1}, {-0.1, 1}, {0.0, 2}, {0.3, 2}, {0.34, 3}, {9.0, 3}};
    for (const auto& c : cases) EXPECT_EQ(linksim::Slice(c.v, t), c.symbol) << c.v;
    // Levels of a link with gain 0.4 and offset 0.01; symbol 2 never seen is
    // placed on the line through the others.
    const std::vector<double> means = {-0.19, -0.0566666, 0.0, 0.21};
    const std::vector<size_t> counts = {5, 5, 0, 5};
    const std::vector<double> mid = linksim::MidThresholds(means, counts);
    ASSERT_EQ(mid.size(), 3u);
    EXPECT_NEAR(mid[0], 0.01 - 0.4 / 3, 1e-6);
    EXPECT_NEAR(mid[1], 0.01, 1e-6);
    EXPECT_NEAR(mid[2], 0.01 + 0.4 / 3, 1e-6);
    EXPECT_TRUE(linksim::MidThresholds(means, {0, 0, 0, 7}).empty());
}

// Jittered multilevel edges move the transitions only: the middle of every
// symbol lies at its level, and a transition's step is the levels' distance.
TEST(Pam, JitteredSymbolsKeepTheirLevels)
{
    linksim::JitterSpec j;
    j.rjUi = 0.05;
    j.dcdUi = 0.1;
    const std::vector<uint8_t> symbols = {0, 3, 1, 2, 2, 0, 3, 3, 1, 0, 2, 1};
    const double levels[4] = {-0.5, -1.0 / 6, 1.0 / 6, 0.5};
    const int spb = 16;
    std::vector<double> w(symbols.size() * spb);
    for (size_t first = 0; first < symbols.size(); first += 5) {
        const size_t count = std::min<size_t>(5, symbols.size() - first);
        linksim::FillJitteredSymbols(j, symbols, levels, static_cast<int64_t>(first), count, spb, 1e-10,
                                     &w[first * spb]);
    }
    for (size_t s = 0; s < symbols.size(); ++s) EXPECT_DOUBLE_EQ(w[s * spb + spb / 2], levels[symbols[s]]) << s;
}

std::string Lib(const char* name) { return std::string(AMI_BUILD_DIR) + "/" + name; }

// An ideal channel: no symbol error, and every eye as high as the level
// spacing, 1 V / (n - 1), over the levels and both threshold sources (the
// example receiver's parameter file, or measured mid-levels for a receiver
// that gives none), with jitter on the stimulus.
TEST(PamLink, IdealChannelOpensEveryEyeToTheLevelSpacing)
{
    const struct {
        std::string args;
        int levels;
        const char* thresholds;
    } cases[] = {
        {"--rx-lib " + Lib("pam4_rx.so"), 4, "PAM4_LowerThreshold"},
        {"--rx-lib " + Lib("pam4_rx.so") + " --rj 0.02 --dcd 0.05", 4, "PAM4_LowerThreshold"},
        {"--modulation pam4 --rx-lib " + Lib("ideal_rx.so"), 4, "measured"},
        {"--modulation pam8 --rx-lib " + Lib("ideal_rx.so"), 8, "measured"},
        {"--modulation PAM16 --rx-lib " + Lib("ideal_rx.so") + " --sj 0.1 --sj-freq 1e8", 16, "measured"},
    };
    for (const auto& c : cases) {
        const RunResult r = Amisim("pam_ideal", c.args + " --loss 0 --TX_bypass 1 --prbs 15 --bits 12000");
        ASSERT_EQ(r.Exit(), 0) << c.args << "\n" << r.log;
        const auto& m = r.summary["modulation"];
        EXPECT_EQ(m["levels"], c.levels) << c.args;
        EXPECT_EQ(m["symbol_errors"], 0) << c.args;
        EXPECT_EQ(m["bit_errors"], 0) << c.args;
        EXPECT_GT(m["symbols_compared"].get<double>(), 11000) << c.args;
        EXPECT_EQ(m["bits_compared"].get<double>(), m["symbols_compared"].get<double>() * std::log2(c.levels));
        EXPECT_NE(m["threshold_source"].get<std::string>().find(c.thresholds), std::string::npos) << c.args;
        EXPECT_EQ(r.summary["ber"]["errors"], 0) << c.args;
        ASSERT_EQ(m["eyes"].size(), static_cast<size_t>(c.levels - 1)) << c.args;
        for (const auto& e : m["eyes"]) {
            EXPECT_NEAR(e["height_v"].get<double>(), 1.0 / (c.levels - 1), 1e-4) << c.args << " " << e["eye"];
            EXPECT_GT(e["width_ui"].get<double>(), 0.6) << c.args << " " << e["eye"];
        }
        // The statistical eye: every eye as high as the spacing (within the
        // voltage grid's bins), open and error-free at its centre.
        const auto& st = r.summary["statistical"];
        ASSERT_TRUE(st["available"].get<bool>()) << c.args << ": " << st["error"];
        ASSERT_EQ(st["eyes"].size(), static_cast<size_t>(c.levels - 1)) << c.args;
        for (const auto& e : st["eyes"]) {
            EXPECT_NEAR(e["eye_height_at_centre_v"].get<double>(), 1.0 / (c.levels - 1), 0.004) << c.args << " " << e["eye"];
            EXPECT_LE(e["ber_at_centre"].get<double>(), 1e-30) << c.args << " " << e["eye"];
        }
    }
}

// Through lossy lines the receiver's fixed thresholds miss the attenuated
// levels. Two methods must agree on how often, over losses (and so channel
// delays, which move the receiver's fixed sampling instant against the
// pulse) and bit rates: the bit-by-bit symbol error rate, and the
// statistical eyes where the receiver's clock samples (a symbol errs
// across either of its thresholds: SER = 2 / n x the sum of the eyes' BERs).
TEST(PamLink, StatisticalEyesAgreeWithTheSymbolErrors)
{
    const struct {
        const char* loss;
        const char* rate;
    } cases[] = {{"2", "5e9"}, {"3", "5e9"}, {"4", "5e9"}, {"8", "5e9"}, {"12", "5e9"}, {"4", "10.3125e9"}, {"10", "10.3125e9"}};
    for (const auto& c : cases) {
        const std::string label = std::string("loss ") + c.loss + " dB at " + c.rate;
        const RunResult r = Amisim("pam_stat", "--rx-lib " + Lib("pam4_rx.so") + " --TX_bypass 1 --loss " + c.loss +
                                                   " --bit-rate " + c.rate + " --prbs 15 --bits 20000 --stat-noise 0.01");
        ASSERT_EQ(r.Exit(), 0) << r.log;
        const auto& st = r.summary["statistical"];
        ASSERT_TRUE(st["available"].get<bool>()) << st["error"];
        EXPECT_EQ(st["threshold_source"], "the receiver's thresholds");
        const auto& clock = st["receiver_clock"];
        ASSERT_TRUE(clock["ser"].is_number()) << label << ": " << clock.dump();
        ASSERT_EQ(clock["ber"].size(), 3u) << label;
        double sum = 0.0;
        for (const auto& b : clock["ber"]) sum += b.get<double>();
        EXPECT_NEAR(clock["ser"].get<double>(), 0.5 * sum, 1e-12 + 1e-9 * sum) << label;
        const auto& m = r.summary["modulation"];
        ASSERT_TRUE(m["ser"].is_number()) << label << ": " << m.dump();
        const double ser = m["ser"].get<double>(), n = m["symbols_compared"].get<double>();
        if (m["symbol_errors"].get<double>() == 0.0)
            EXPECT_LT(clock["ser"].get<double>(), 3.0 / n) << label;
        else
            EXPECT_NEAR(clock["ser"].get<double>(), ser, 0.1 * ser + 3.0 * std::sqrt(ser / n)) << label;
    }
}

TEST(PamLink, LevelsOtherThanPowersOfTwoRefusedByName)
{
    // A two-level transmitter in the way is said, not silently run.
    const RunResult two = Amisim("pam_two_level", "--modulation pam4 --rx-lib " + Lib("pam4_rx.so") + " --bits 2000");
    EXPECT_NE(two.log.find("the built-in transmitter drives two levels"), std::string::npos) << two.log;
    const RunResult bypassed =
        Amisim("pam_bypassed", "--modulation pam4 --rx-lib " + Lib("pam4_rx.so") + " --TX_bypass 1 --bits 2000");
    EXPECT_EQ(bypassed.log.find("drives two levels"), std::string::npos) << bypassed.log;
    for (const char* m : {"pam3", "pam32", "qam16"}) {
        const RunResult r = Amisim("pam_refused", std::string("--modulation ") + m + " --bits 2000");
        EXPECT_EQ(r.Exit(), 2) << m;
        EXPECT_NE(r.log.find(std::string("--modulation ") + m + ": not one of"), std::string::npos) << r.log;
    }
}

// Through a shared channel the receiver's fixed thresholds miss the
// attenuated levels: errors, counted the same by the host slicing the
// equalised signal (RX_Config 2) and from the receiver's own slicer
// (RX_Config 0); they fall between neighbouring levels, so under Gray
// mapping each costs one bit.
TEST(PamLink, SharedChannelHostSlicingAgreesWithTheReceiversSlicer)
{
    const std::string channel = std::string(AMI_SHARED_DIR) + "/channels/DPO_4in_Meg7_THRU.s4p";
    if (!std::filesystem::exists(channel)) GTEST_SKIP() << "no shared channels beside the project";
    const std::string base = "--rx-lib " + Lib("pam4_rx.so") + " --TX_bypass 1 --channel " + channel +
                             " --bit-rate 5e9 --prbs 15 --bits 20000 --RX_Config ";
    const RunResult host = Amisim("pam_host", base + "2"), own = Amisim("pam_own", base + "0");
    ASSERT_EQ(host.Exit(), 0) << host.log;
    ASSERT_EQ(own.Exit(), 0) << own.log;
    const double a = host.summary["modulation"]["symbol_errors"].get<double>();
    const double b = own.summary["modulation"]["symbol_errors"].get<double>();
    EXPECT_GT(a, 100);
    EXPECT_NEAR(a, b, 0.01 * a + 2);
    EXPECT_EQ(host.summary["modulation"]["bit_errors"].get<double>(), a);
}

}  // namespace

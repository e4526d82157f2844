// TX_model2 driven directly: its network against a direct-form reference,
// the filters' rate and tap counts, the level and timing faults, and the
// lifecycle in every order the entry points can produce.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "models/tx/TX_model2.h"
#include "tests/models/tx/TxHarness.h"

using txtest::CaptureErr;
using txtest::Harness;
using txtest::kArea;
using txtest::kBitTime;
using txtest::kGain;
using txtest::kSwing;
using txtest::Lines;
using txtest::Settings;

namespace {

double Sgn(double x)
{
    if (std::fabs(x) < 2.2250738585072014e-308) return 0.0;
    return x > 0.0 ? 1.0 : -1.0;
}

// y_n = g * sum_j h[j] * (A * sgn x_{n-j}), summed newest input first.
std::vector<double> Reference(const double* h, int taps, double swing, double gain,
                              const std::vector<double>& x)
{
    std::vector<double> y(x.size());
    for (size_t n = 0; n < x.size(); ++n) {
        double acc = 0.0;
        for (int j = 0; j < taps && static_cast<size_t>(j) <= n; ++j)
            acc += h[j] * (swing * Sgn(x[n - static_cast<size_t>(j)]));
        y[n] = gain * acc;
    }
    return y;
}

TEST(TxModel, DefaultsAreThoseOfTheModel)
{
    TX_model2 m;
    EXPECT_EQ(m.BitTime, 9.696969696969696e-11);
    EXPECT_EQ(m.SamplesPerBit, 64);
    EXPECT_EQ(m.DE_Level, 0);
    EXPECT_EQ(m.VOD_Level, 2);
    EXPECT_EQ(m.TX_bypass, 0);
    EXPECT_EQ(m.ConnectionCount(), 0u);
}

TEST(TxModel, NetworkHas85ConnectionsAndFreesThem)
{
    Harness h;
    ASSERT_TRUE(h.initOk);
    EXPECT_EQ(h.model.ConnectionCount(), 85u);
    // A second Initialize frees the first set before wiring a new one.
    ASSERT_TRUE(h.model.Initialize());
    EXPECT_EQ(h.model.ConnectionCount(), 85u);
    EXPECT_TRUE(h.model.Finalize());
    EXPECT_EQ(h.model.ConnectionCount(), 0u);
}

// At the default bit time and 128 samples per bit every filter runs at
// 1.32e12 samples per second with 620 taps (the span 4.6967e-10 s times the
// rate, 619.96, truncated, plus one); the tap count scales with the rate.
TEST(TxModel, FiltersFollowTheSimulatorsRate)
{
    const struct {
        int spb;
        int taps;
    } cases[] = {{128, 620}, {64, 310}, {32, 155}, {16, 78}};
    for (const auto& c : cases) {
        Settings s;
        s.samplesPerBit = c.spb;
        Harness h(s);
        ASSERT_TRUE(h.initOk) << c.spb;
        for (int v = 0; v < 4; ++v) {
            for (int n = 1; n <= 4; ++n) {
                const auto& f = h.model.Subnetwork(v).FilterNumber(n);
                EXPECT_NEAR(f.SampleRate, c.spb / kBitTime, 1e-3) << c.spb;
                EXPECT_EQ(f.m_iNumTaps, c.taps) << "spb " << c.spb << " bank " << v << " T" << n;
            }
        }
    }
}

// Each filter Tn is built from table Tn: its taps sum (a Riemann sum of the
// response) to the table's area within the difference of the two sample grids.
TEST(TxModel, FilterTnIsBuiltFromTableTn)
{
    Harness h;
    ASSERT_TRUE(h.initOk);
    for (int v = 0; v < 4; ++v) {
        for (int n = 1; n <= 4; ++n) {
            const auto& f = h.model.Subnetwork(v).FilterNumber(n);
            double sum = 0.0;
            for (int j = 0; j < f.m_iNumTaps; ++j) sum += f.m_pdTaps[j];
            EXPECT_NEAR(sum, kArea[n - 1], 2e-3 * std::fabs(kArea[n - 1])) << "bank " << v << " T" << n;
        }
    }
}

// Every (VOD_Level, DE_Level) pair: the output is the selected filter applied
// to the scaled sign, times the bank's gain. Tolerance: the rounding of a few
// hundred additions, relative to the largest possible output.
TEST(TxModel, EveryLevelPairMatchesTheDirectForm)
{
    const std::vector<double> x = txtest::Stimulus(900, 7);
    for (int vod = 0; vod < 4; ++vod) {
        for (int de = 0; de < 4; ++de) {
            Settings s;
            s.vod = vod;
            s.de = de;
            s.samplesPerBit = 64;
            Harness h(s);
            ASSERT_TRUE(h.initOk);
            const auto& f = h.model.Subnetwork(vod).FilterNumber(de + 1);
            double l1 = 0.0;
            for (int j = 0; j < f.m_iNumTaps; ++j) l1 += std::fabs(f.m_pdTaps[j]);
            const std::vector<double> want =
                Reference(f.m_pdTaps, f.m_iNumTaps, kSwing[vod], kGain[vod][de], x);
            const std::vector<double> got = h.Process(x);
            ASSERT_TRUE(h.runOk);
            const double tol = 1e-13 * l1 * kSwing[vod] * kGain[vod][de];
            for (size_t i = 0; i < x.size(); ++i)
                ASSERT_NEAR(got[i], want[i], tol) << "VOD " << vod << " DE " << de << " sample " << i;
        }
    }
}

// A constant +1 with VOD_Level 0 and DE_Level 0 settles after the filter
// length at the area times the swing and gain: -1.00006 x 0.6. The taps are a
// Riemann sum of the response on the filter's grid, which differs from the
// table's sum by well under 0.1 %.
TEST(TxModel, ConstantOneSettlesNearMinusPointSix)
{
    Settings s;
    s.vod = 0;
    s.de = 0;
    Harness h(s);
    ASSERT_TRUE(h.initOk);
    double y = 0.0;
    for (int i = 0; i < 700; ++i) y = h.Step(1.0);
    ASSERT_TRUE(h.runOk);
    EXPECT_NEAR(y, -0.6 * 1.00006, 1e-3 * 0.6);
    EXPECT_NEAR(y, 0.6 * kArea[0] * kGain[0][0], 1e-3 * 0.6);
    // After the filter length the output no longer changes.
    EXPECT_EQ(h.Step(1.0), y);
}

TEST(TxModel, ZeroAndSubnormalInputsGiveZero)
{
    Harness h;
    ASSERT_TRUE(h.initOk);
    for (double x : {0.0, -0.0, 1e-310, -4.9e-324, 2.2250738585072009e-308}) {
        for (int i = 0; i < 700; ++i) {
            ASSERT_EQ(h.Step(x), 0.0) << x;
            ASSERT_TRUE(h.runOk);
        }
    }
}

TEST(TxModel, BypassPassesEverySampleUnchanged)
{
    Settings s;
    s.bypass = 1;
    Harness h(s);
    ASSERT_TRUE(h.initOk);
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -0.37,
                             4.9e-324,
                             -1e-310,
                             2.2250738585072009e-308,
                             1e300,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (double x : values) {
        const double y = h.Step(x);
        ASSERT_TRUE(h.runOk) << x;
        EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << "in " << x << " out " << y;
    }
}

// Out-of-range levels: the multiplexers concerned post their control-range
// message at the first sample and Run fails.
TEST(TxModel, LevelsOutOfRangeFailTheFirstSample)
{
    const std::string four4 =
        "Control input signal value is equal to 4.  There are 4 inputs connected.  "
        "The valid control input range is [0,3].";
    const std::string minus1 =
        "Control input signal value is equal to -1.  There are 4 inputs connected.  "
        "The valid control input range is [0,3].";
    const std::string bypass2 =
        "Control input signal value is equal to 2.  There are 2 inputs connected.  "
        "The valid control input range is [0,1].";
    const struct {
        const char* what;
        int de, vod, bypass;
        std::vector<std::string> lines;
    } cases[] = {
        {"VOD_Level 4", 0, 4, 0, {four4, four4}},  // SwingSelect, EmphasisSelect
        {"DE_Level -1", -1, 2, 0, {minus1, minus1, minus1, minus1}},  // four LevelSelect
        {"DE_Level 4", 4, 2, 0, {four4, four4, four4, four4}},
        {"TX_bypass 2", 0, 2, 2, {bypass2}},
    };
    for (const auto& c : cases) {
        Settings s;
        s.de = c.de;
        s.vod = c.vod;
        s.bypass = c.bypass;
        s.samplesPerBit = 16;
        Harness h(s);
        ASSERT_TRUE(h.initOk) << c.what;  // levels are only checked when the signal flows
        const std::string err = CaptureErr([&] { h.Step(1.0); });
        EXPECT_FALSE(h.runOk) << c.what;
        std::vector<std::string> lines = Lines(err);
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}

// A bit time that is zero, negative or not finite, and a sample rate below
// one per bit, are refused by Setup with a message, before any filter is built.
TEST(TxModel, BadTimingIsRejectedInSetup)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double bitTime;
        int spb;
        const char* line;
    } cases[] = {
        {0.0, 128, "BitTime must be a finite number of seconds > 0.0 (BitTime = 0)"},
        {-1e-10, 128, "BitTime must be a finite number of seconds > 0.0 (BitTime = -1e-10)"},
        {inf, 128, "BitTime must be a finite number of seconds > 0.0 (BitTime = inf)"},
        {std::numeric_limits<double>::quiet_NaN(), 128,
         "BitTime must be a finite number of seconds > 0.0 (BitTime = nan)"},
        {kBitTime, 0, "SamplesPerBit must be >= 1 (SamplesPerBit = 0)"},
        {kBitTime, -3, "SamplesPerBit must be >= 1 (SamplesPerBit = -3)"},
    };
    for (const auto& c : cases) {
        Settings s;
        s.bitTime = c.bitTime;
        s.samplesPerBit = c.spb;
        std::string err;
        {
            err = CaptureErr([&] {
                Harness h(s);
                EXPECT_FALSE(h.setupOk) << c.line;
                EXPECT_EQ(h.model.Subnetwork(2).T1.m_iNumTaps, 0) << c.line;
                // Initialize and Run after the failure refuse to work; Finalize is safe.
                EXPECT_FALSE(h.model.Initialize()) << c.line;
                h.Step(1.0);
                EXPECT_FALSE(h.runOk) << c.line;
                EXPECT_TRUE(h.model.Finalize()) << c.line;
            });
        }
        const std::vector<std::string> lines = Lines(err);
        ASSERT_FALSE(lines.empty()) << c.line;
        EXPECT_EQ(lines[0], c.line);
    }
}

// A rate so high that the filters would need more taps than they accept is
// refused by the filters themselves.
TEST(TxModel, AbsurdRateIsRefused)
{
    Settings s;
    s.samplesPerBit = 1 << 30;
    std::string err = CaptureErr([&] {
        Harness h(s);
        EXPECT_FALSE(h.setupOk);
    });
    EXPECT_FALSE(err.empty());
}

TEST(TxModel, LifecycleIsSafeInAnyOrder)
{
    {
        TX_model2 never;  // destroyed without Setup
    }
    {
        TX_model2 m;
        EXPECT_TRUE(m.Finalize());  // Finalize without Setup
        EXPECT_TRUE(m.Finalize());
    }
    {
        TX_model2 m;
        EXPECT_TRUE(m.Setup());  // Setup without Initialize, then destroyed
        EXPECT_TRUE(m.Setup());  // a repeated Setup frees the first table copies
    }
    {
        Harness h;
        ASSERT_TRUE(h.initOk);
        h.Step(1.0);
        EXPECT_TRUE(h.model.Finalize());
        std::string err = CaptureErr([&] { h.Step(1.0); });
        EXPECT_FALSE(h.runOk);  // no run on released connections
        EXPECT_FALSE(err.empty());
        EXPECT_TRUE(h.model.Finalize());
    }
}

// Setup and Initialize again restart the model from rest: the same stimulus
// gives the same output.
TEST(TxModel, RepeatedSetupAndInitializeRestartFromRest)
{
    const std::vector<double> x = txtest::Stimulus(400, 3);
    Settings s;
    s.samplesPerBit = 32;
    s.de = 3;
    Harness h(s);
    ASSERT_TRUE(h.initOk);
    const std::vector<double> first = h.Process(x);
    ASSERT_TRUE(h.model.Setup());
    ASSERT_TRUE(h.model.Initialize());
    EXPECT_EQ(h.Process(x), first);
}

// The transmitted step response lasts the same time in seconds whatever the
// simulator's rate: at 32, 64 and 128 samples per bit the responses agree at
// every common instant, within what the coarser sampling of the response
// changes (a Riemann sum on the coarser grid: about half a coarse interval
// times the steepest slope, some 6 % of the peak). Filters kept at 128
// samples per bit would stretch the response four times at 32 and miss by
// half the peak.
TEST(TxModel, StepResponseDurationIsIndependentOfTheRate)
{
    for (int de = 0; de < 4; ++de) {
        std::vector<double> resp[3];
        const int rates[3] = {32, 64, 128};
        for (int r = 0; r < 3; ++r) {
            Settings s;
            s.de = de;
            s.samplesPerBit = rates[r];
            Harness h(s);
            ASSERT_TRUE(h.initOk);
            for (int i = 0; i < 8 * rates[r]; ++i) resp[r].push_back(h.Step(1.0));
        }
        const double fin = resp[2].back();
        double peak = 0.0;
        for (double v : resp[2]) peak = std::fmax(peak, std::fabs(v));
        // 50 % crossing and settling (last excursion beyond 2 % of the final
        // value), in seconds.
        double t50[3], tSettle[3];
        for (int r = 0; r < 3; ++r) {
            const double dt = kBitTime / rates[r];
            t50[r] = -1.0;
            tSettle[r] = 0.0;
            for (size_t i = 0; i < resp[r].size(); ++i) {
                if (t50[r] < 0.0 && std::fabs(resp[r][i]) >= 0.5 * std::fabs(fin)) t50[r] = i * dt;
                if (std::fabs(resp[r][i] - fin) > 0.02 * std::fabs(fin)) tSettle[r] = (i + 1) * dt;
            }
        }
        const double coarse = kBitTime / 32;
        for (int r = 0; r < 2; ++r) {
            EXPECT_NEAR(t50[r], t50[2], coarse) << "DE " << de << " at " << rates[r];
            EXPECT_NEAR(tSettle[r], tSettle[2], 2 * coarse) << "DE " << de << " at " << rates[r];
            const int ratio = 128 / rates[r];
            for (size_t i = 0; i < resp[r].size(); ++i)
                ASSERT_NEAR(resp[r][i], resp[2][i * ratio], 0.08 * peak)
                    << "DE " << de << " at " << rates[r] << " sample " << i;
        }
    }
}

}  // namespace

// VCO and ClockTimes sequences.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dataflow/ClockTimes.h"
#include "dataflow/VCO.h"
#include "tests/dataflow/StderrCapture.h"

using Vantrel::ClockTimes;
using Vantrel::VCO;
using dftest::CaptureErr;

namespace {

const double kPi = 3.141592653589793;

struct VcoRig {
    VCO vco;
    double v = 0.0, y = 0.0;
    int clk = -5;
    VcoRig()
    {
        vco.ControlInput.SetBuffer(&v, 1, 1, 0);
        vco.WaveOutput.SetBuffer(&y, 1, 1, 0);
        vco.ClockOutput.SetBuffer(&clk, 1, 1, 0);
    }
};

struct ClockRig {
    ClockTimes ct;
    int level = 0;
    double t = 0.0;
    ClockRig()
    {
        ct.ClockInput.SetBuffer(&level, 1, 1, 0);
        ct.TimeOutput.SetBuffer(&t, 1, 1, 0);
    }
    std::vector<double> Feed(const std::vector<int>& levels)
    {
        std::vector<double> out;
        for (int l : levels) {
            level = l;
            EXPECT_TRUE(ct.Run());
            out.push_back(t);
        }
        return out;
    }
};

}  // namespace

TEST(Vco, FreeRunningCosine)
{
    VcoRig r;
    ASSERT_TRUE(r.vco.Initialize());  // defaults: A 1, f0 1e9, Ts 1e-10, phase 0
    std::vector<int> clocks;
    for (int n = 0; n < 14; ++n) {
        ASSERT_TRUE(r.vco.Run());
        // n * 0.2*pi, to the rounding of Ts * 2*pi*f0.
        EXPECT_NEAR(r.y, std::cos(n * 0.2 * kPi), 1e-12) << "n=" << n;
        clocks.push_back(r.clk);
    }
    EXPECT_EQ(clocks, (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0}));
}

TEST(Vco, ControlAdvancesThePhaseBeforeTheOutput)
{
    VcoRig r;
    r.vco.Frequency = 0.0;
    r.vco.Sensitivity = 1.0;
    r.vco.SampleInterval = 1.0;
    r.vco.Amplitude = 2.0;
    r.v = 0.25;
    ASSERT_TRUE(r.vco.Initialize());
    for (int n = 1; n <= 8; ++n) {
        ASSERT_TRUE(r.vco.Run());
        EXPECT_NEAR(r.y, 2.0 * std::cos(n * kPi / 2), 1e-12) << "firing " << n;
        EXPECT_NEAR(r.vco.GetPhase(), n * kPi / 2, 1e-12);
    }
}

// The free-running part comes from the counter, so after a million firings
// the phase is that of n * 2*pi*f0*Ts, not of an accumulated sum.
TEST(Vco, FreeRunningPhaseDoesNotDrift)
{
    VcoRig r;
    r.vco.Frequency = 1.03125e9;
    r.vco.SampleInterval = 1.0 / 6.6e11;
    ASSERT_TRUE(r.vco.Initialize());
    const uint64_t N = 1000000;
    for (uint64_t n = 0; n < N; ++n) r.vco.Run();
    const double step = r.vco.SampleInterval * (6.283185307179586 * r.vco.Frequency);
    EXPECT_EQ(r.y, std::cos(static_cast<double>(N - 1) * step));
    EXPECT_EQ(r.vco.GetCount(), N);
}

TEST(Vco, InitializeResetsPhaseAndCounter)
{
    VcoRig r;
    r.vco.InitialPhase = kPi;
    r.v = 1e8;
    ASSERT_TRUE(r.vco.Initialize());
    for (int n = 0; n < 5; ++n) r.vco.Run();
    ASSERT_TRUE(r.vco.Initialize());
    EXPECT_EQ(r.vco.GetPhase(), kPi);
    EXPECT_EQ(r.vco.GetCount(), 0u);
    r.v = 0.0;
    r.vco.Run();
    EXPECT_NEAR(r.y, -1.0, 1e-15);
    EXPECT_EQ(r.clk, 0);
}

// RunClock against Run on a twin VCO: the same clock at every firing and,
// when asked, the same waveform bits now and one firing back, over settings
// that put the angle on the cosine's zeros (a quarter period per sample),
// near them, far out (large counts and phases), with random control, and
// with amplitudes for which the angle cannot decide.
TEST(Vco, RunClockGivesRunsClockAndWaveform)
{
    struct Case {
        double frequency, sampleInterval, sensitivity, amplitude, initialPhase, control;
    };
    const Case cases[] = {
        {2.5e9, 1e-10, 0.0, 1.0, 0.0, 0.0},               // psi = n pi / 2: on the zeros
        {2.5e9, 1e-10, 0.0, 1.0, 1e-12, 0.0},             // just beside them
        {1.03125e10, 1.0 / 6.6e11, 8e8, 1.0, 0.0, 0.37},  // the receiver's rates, random control
        {1e9, 1e-10, 1e9, 1.0, 1e7, 0.5},                 // large phase
        {2.5e9, 1e-10, 0.0, 1e-300, 0.0, 0.0},            // amplitude too small to trust the angle
        {2.5e9, 1e-10, 0.0, -1.0, 0.0, 0.0},              // negative amplitude
    };
    uint64_t state = 12345;
    auto random = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
    };
    for (const Case& c : cases) {
        VcoRig a, b;
        for (VcoRig* r : {&a, &b}) {
            r->vco.Frequency = c.frequency;
            r->vco.SampleInterval = c.sampleInterval;
            r->vco.Sensitivity = c.sensitivity;
            r->vco.Amplitude = c.amplitude;
            r->vco.InitialPhase = c.initialPhase;
            ASSERT_TRUE(r->vco.Initialize());
        }
        double previous = 0.0;
        for (int n = 0; n < 200000; ++n) {
            a.v = b.v = c.control * random();
            ASSERT_TRUE(a.vco.Run());
            ASSERT_TRUE(b.vco.RunClock());
            ASSERT_EQ(a.clk, b.clk) << "firing " << n << ", frequency " << c.frequency;
            if (n % 7 == 3) {
                ASSERT_EQ(b.vco.Wave(0), a.y) << "firing " << n;
                ASSERT_EQ(b.vco.Wave(1), previous) << "firing " << n;
            }
            previous = a.y;
        }
    }
}

TEST(ClockTimes, RisingAndFallingEdges)
{
    struct Case {
        int select;
        std::vector<int> levels;
        std::vector<double> times;
    };
    const Case cases[] = {
        {1, {0, 0, 1, 1, 0, 1}, {-1, -1, 2e-10, -1, -1, 5e-10}},
        {0, {0, 0, 1, 1, 0, 1}, {-1, -1, -1, -1, 4e-10, -1}},
        {1, {1, 1, 0, 1}, {-1, -1, -1, 3e-10}},  // the first sample never is an edge
        {0, {0, 5, -3, 2, 0}, {-1, -1, 2e-10, -1, 4e-10}},
        {2, {0, 1, 0, 1}, {-1, -1, -1, -1}},      // no edge polarity selected
        {-1, {0, 1, 0, 1}, {-1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        ClockRig r;
        r.ct.EdgeSelect = c.select;
        ASSERT_TRUE(r.ct.Initialize());
        std::vector<double> got = r.Feed(c.levels);
        ASSERT_EQ(got.size(), c.times.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_DOUBLE_EQ(got[i], c.times[i]) << "select " << c.select << " sample " << i;
    }
}

TEST(ClockTimes, OffsetAndContinuityAcrossCalls)
{
    ClockRig r;
    r.ct.EdgeSelect = 1;
    r.ct.SampleInterval = 2.5e-12;
    r.ct.TimeOffset = 1e-9;
    ASSERT_TRUE(r.ct.Initialize());
    // Two pieces of one stream give the times of the stream as a whole.
    std::vector<double> a = r.Feed({0, 1, 0});
    std::vector<double> b = r.Feed({0, 1, 1, 0, 1});
    EXPECT_DOUBLE_EQ(a[1], 1 * 2.5e-12 + 1e-9);
    EXPECT_DOUBLE_EQ(b[1], 4 * 2.5e-12 + 1e-9);
    EXPECT_DOUBLE_EQ(b[4], 7 * 2.5e-12 + 1e-9);
    EXPECT_EQ(r.ct.GetCount(), 8u);
}

// Zero, negative and non-finite intervals (e.g. from a zero or non-finite
// bit time) are refused, each block with its own wording.
TEST(SampleInterval, RefusedWithEachBlocksMessage)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double ts : {0.0, -0.0, -1e-10, nan, inf, -inf}) {
        SCOPED_TRACE("SampleInterval " + std::to_string(ts));
        VcoRig v;
        v.vco.SampleInterval = ts;
        bool ok = true;
        EXPECT_EQ(CaptureErr([&] { ok = v.vco.Initialize(); }),
                  "SampleInterval must be a positive number.\n");
        EXPECT_FALSE(ok);

        ClockRig c;
        c.ct.EdgeSelect = 1;
        ASSERT_TRUE(c.ct.Initialize());
        c.Feed({0, 1, 0});
        c.ct.SampleInterval = ts;
        EXPECT_EQ(CaptureErr([&] { ok = c.ct.Initialize(); }),
                  "SampleInterval must be larger than 0.\n");
        EXPECT_FALSE(ok);
        EXPECT_EQ(c.ct.GetCount(), 3u) << "a failed Initialize keeps the state";
        EXPECT_TRUE(c.ct.Finalize());
        EXPECT_TRUE(v.vco.Finalize());
    }
}

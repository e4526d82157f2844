// Clock-recovery and retiming blocks: detector, loop filter, quadrature
// generator, registers and edge counter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "models/rx/Delay.h"
#include "models/rx/LoopFilter.h"
#include "models/rx/NClockDelay.h"
#include "models/rx/PFD.h"
#include "models/rx/clockdelay.h"
#include "models/rx/slicer.h"

namespace {

constexpr double kPi = 3.141592653589793;

// ---------------------------------------------------------------- PFD

struct PfdStep {
    double inPhase, quadrature, data;
    int expInPhase, expQuadrature, expError;
};

void RunPfd(PFD& pfd, const std::vector<PfdStep>& steps, const char* name)
{
    for (size_t n = 0; n < steps.size(); ++n) {
        const PfdStep& s = steps[n];
        pfd.InPhaseClock = s.inPhase;
        pfd.QuadratureClock = s.quadrature;
        pfd.Data = s.data;
        ASSERT_TRUE(pfd.Run());
        EXPECT_EQ(pfd.InPhaseSample, s.expInPhase) << name << ", firing " << n;
        EXPECT_EQ(pfd.QuadratureSample, s.expQuadrature) << name << ", firing " << n;
        EXPECT_EQ(pfd.FrequencyError, s.expError) << name << ", firing " << n;
    }
}

TEST(PFD, DecisionsOnDataTransitions)
{
    struct Case {
        const char* name;
        std::vector<PfdStep> steps;
    };
    const std::vector<Case> cases = {
        {"back and forth over the far boundary: first change 0, then the error equals the in-phase sample",
         {{0.4, -0.2, 0.3, 1, -1, 0},
          {-0.4, -0.2, -0.3, -1, -1, 0},
          {0.4, -0.2, 0.3, 1, -1, 1},
          {-0.4, -0.2, -0.3, -1, -1, -1},
          {0.4, -0.2, 0.3, 1, -1, 1}}},
        {"quadrature positive: no frequency error at any change",
         {{0.4, 0.2, 0.3, 1, 1, 0},
          {-0.4, 0.2, -0.3, -1, 1, 0},
          {0.4, 0.2, 0.3, 1, 1, 0},
          {-0.4, 0.2, -0.3, -1, 1, 0}}},
        {"no transition: nothing is sampled, outputs hold",
         {{0.4, 0.2, 0.3, 1, 1, 0},
          {-0.4, 0.2, -0.3, -1, 1, 0},
          {0.4, -0.2, 0.3, 1, -1, -1},
          {-0.9, 0.9, 0.7, 1, -1, -1},
          {-0.9, -0.9, 0.1, 1, -1, -1},
          {0.9, 0.9, 1e-300, 1, -1, -1}}},
        {"data 0.0 is the low level, not a transition from low",
         {{0.5, 0.5, 0.0, 0, 0, 0}, {0.5, 0.5, -1.0, 0, 0, 0}, {0.5, -0.5, 0.0, 0, 0, 0}}},
        {"slip up: rise at the far boundary after a change at the near one; the error holds until the near one",
         {{0.4, 0.2, 0.3, 1, 1, 0},
          {-0.4, 0.2, -0.3, -1, 1, 0},
          {0.4, -0.2, 0.3, 1, -1, -1},
          {0.4, 0.2, -0.3, 1, 1, -1},
          {-0.4, 0.2, 0.3, -1, 1, 0}}},
        {"slip down: fall at the far boundary after a change at the near one",
         {{-0.4, 0.2, 0.3, -1, 1, 0},
          {0.4, 0.2, -0.3, 1, 1, 0},
          {-0.4, -0.2, 0.3, -1, -1, 1},
          {-0.4, 0.2, -0.3, -1, 1, 1},
          {0.4, 0.2, 0.3, 1, 1, 0}}},
        {"the first transition sets no error, whatever the quadrature",
         {{-0.4, -0.2, 0.3, -1, -1, 0}, {-0.4, -0.2, -0.3, -1, -1, 0}}},
        {"clock exactly 0.0 samples as -1",
         {{1.0, 1.0, 1.0, 1, 1, 0}, {0.0, 0.0, -1.0, -1, -1, 0}, {0.0, 1.0, 1.0, -1, 1, 0}}},
    };
    for (const Case& c : cases) {
        PFD pfd;
        ASSERT_TRUE(pfd.Setup());
        ASSERT_TRUE(pfd.Initialize());
        RunPfd(pfd, c.steps, c.name);
    }
}

// A held error lapses after HoldTransitions transitions in one quadrant, so
// the phase term acts on a phase that has stopped slipping; a change of the
// quadrature sample starts the count again.
TEST(PFD, HeldErrorLapsesInOneQuadrant)
{
    PFD pfd;
    pfd.HoldTransitions = 3;
    ASSERT_TRUE(pfd.Initialize());
    RunPfd(pfd, {{0.4, 0.2, 0.3, 1, 1, 0}, {-0.4, 0.2, -0.3, -1, 1, 0}, {0.4, -0.2, 0.3, 1, -1, -1},
                 {0.4, -0.2, -0.3, 1, -1, -1}, {0.4, -0.2, 0.3, 1, -1, -1},
                 {0.4, 0.2, -0.3, 1, 1, -1},  // quadrature changed: count again
                 {0.4, 0.2, 0.3, 1, 1, -1}, {0.4, 0.2, -0.3, 1, 1, -1}, {0.4, 0.2, 0.3, 1, 1, 0},
                 {0.4, 0.2, -0.3, 1, 1, 0}},
           "hold 3");
}

// The detector against a phase that turns at a steady rate (the clock at the
// wrong rate): averaged over whole turns, the pump command (the in-phase
// sample plus the error; +-2 keeps the previous command, as the loop filter
// does) pushes the frequency against the slip, in both directions and at
// every starting phase. A phase that stands still is pulled to the near
// boundary: the command is the in-phase sample once any held error lapsed.
TEST(PFD, FrequencyTermActsOnlyWhileThePhaseSlips)
{
    for (int start = 0; start < 16; ++start) {
        for (double step : {2 * kPi / 500, -2 * kPi / 500}) {
            PFD pfd;
            ASSERT_TRUE(pfd.Initialize());
            int command = 0;
            double sum = 0.0;
            const int n = 5000;  // ten turns
            for (int k = 0; k < 2 * n; ++k) {
                const double theta = 2 * kPi * start / 16 + step * (k / 2);
                pfd.InPhaseClock = std::cos(theta);
                pfd.QuadratureClock = std::sin(theta);
                pfd.Data = (k % 2) ? 1.0 : -1.0;
                ASSERT_TRUE(pfd.Run());
                const int c = pfd.InPhaseSample + pfd.FrequencyError;
                if (c >= -1 && c <= 1) command = c;
                if (k >= 1000) sum += command;  // after the first turn
            }
            const double mean = sum / (2 * n - 1000);
            EXPECT_LT(mean * (step > 0 ? 1 : -1), -0.3) << "start " << start << ", step " << step;
        }
        // Standing still at this phase after a slip up to it.
        PFD pfd;
        ASSERT_TRUE(pfd.Initialize());
        const double stop = 2 * kPi * start / 16 + 0.1;
        for (int k = 0; k <= 2 * 2000; ++k) {
            const double theta = stop - 2 * kPi * 2 + std::min(k, 2000) * (2 * kPi * 2 / 2000);
            pfd.InPhaseClock = std::cos(theta);
            pfd.QuadratureClock = std::sin(theta);
            pfd.Data = (k % 2) ? 1.0 : -1.0;
            ASSERT_TRUE(pfd.Run());
        }
        for (int k = 0; k < 2 * pfd.HoldTransitions + 2; ++k) {
            pfd.Data = (k % 2) ? -1.0 : 1.0;
            ASSERT_TRUE(pfd.Run());
        }
        EXPECT_EQ(pfd.FrequencyError, 0) << "start " << start;
        EXPECT_EQ(pfd.InPhaseSample, std::cos(stop) > 0.0 ? 1 : -1) << "start " << start;
    }
}

TEST(PFD, InitializeKeepsTheLoopState)
{
    PFD pfd;
    ASSERT_TRUE(pfd.Initialize());
    // A slip up through the far boundary: error -1; data stays high afterwards.
    RunPfd(pfd, {{0.4, 0.2, 0.3, 1, 1, 0}, {-0.4, 0.2, -0.3, -1, 1, 0}, {0.4, -0.2, 0.3, 1, -1, -1}}, "before");
    ASSERT_TRUE(pfd.Initialize());
    ASSERT_TRUE(pfd.Finalize());
    ASSERT_TRUE(pfd.Initialize());
    // Data still high: no transition. A reset detector (previous level 0)
    // would see a first transition here, with quadrature +1 and error 0.
    RunPfd(pfd, {{0.4, 0.2, 0.3, 1, -1, -1},
                 // falling edge, in-phase unchanged: the error -1 holds
                 {0.4, 0.2, -0.3, 1, 1, -1}},
           "after Initialize");
}

// ---------------------------------------------------------------- LoopFilter

void SetFilter(LoopFilter& f, double c1, double c2, double r, double ip, double t)
{
    f.C1 = c1;
    f.C2 = c2;
    f.R = r;
    f.Ip = ip;
    f.SampleInterval = t;
}

// Charge / difference form of the exact step, written independently of the
// block: Q grows by I T, D = x1 - x2 relaxes towards -R I C1/(C1+C2).
struct ReferenceFilter {
    double c1, c2, r, ip, t;
    double x1 = 0.0, x2 = 0.0, i = 0.0;
    void Step(double command)
    {
        if (command == 1.0) i = ip;
        if (command == -1.0) i = -ip;
        if (command == 0.0) i = 0.0;
        const double e = std::exp(-t * (c1 + c2) / (r * c1 * c2));
        const double target = -r * i * c1 / (c1 + c2);
        const double q = c1 * x1 + c2 * x2 + i * t;
        const double d = target + e * (x1 - x2 - target);
        x1 = (q + c2 * d) / (c1 + c2);
        x2 = (q - c1 * d) / (c1 + c2);
    }
};

TEST(LoopFilter, UnitNetworkStepFromRest)
{
    LoopFilter f;
    f.C1 = f.C2 = f.R = f.Ip = f.SampleInterval = 1.0;
    ASSERT_TRUE(f.Setup());
    ASSERT_TRUE(f.Initialize());
    f.Command = 1.0;
    ASSERT_TRUE(f.Run());
    EXPECT_DOUBLE_EQ(f.CapacitorVoltage() + f.OutputVoltage(), 1.0);
    EXPECT_GT(f.OutputVoltage(), f.CapacitorVoltage());
    EXPECT_EQ(f.Control, f.OutputVoltage());
    // Closed form: D = -0.5 (1 - e^-2), so x2 = 0.5 + 0.25 (1 - e^-2).
    EXPECT_NEAR(f.OutputVoltage(), 0.5 + 0.25 * (1.0 - std::exp(-2.0)), 1e-15);

    // Pump off: the charge stays, the two voltages converge.
    f.Command = 0.0;
    double gap = f.OutputVoltage() - f.CapacitorVoltage();
    for (int n = 0; n < 20; ++n) {
        ASSERT_TRUE(f.Run());
        EXPECT_NEAR(f.CapacitorVoltage() + f.OutputVoltage(), 1.0, 1e-15) << "step " << n;
        const double g = f.OutputVoltage() - f.CapacitorVoltage();
        if (gap != 0.0) {
            EXPECT_LT(std::fabs(g), std::fabs(gap)) << "step " << n;
        }
        gap = g;
    }
    EXPECT_NEAR(f.OutputVoltage(), 0.5, 1e-15);
}

TEST(LoopFilter, CommandsOutsideTheThreeLevelsKeepTheCurrent)
{
    struct Case {
        double first, second;
        double expectedCurrent;
    };
    const Case cases[] = {
        {1.0, 2.0, 1.0}, {-1.0, -2.0, -1.0}, {1.0, -2.0, 1.0}, {-1.0, 0.5, -1.0},
        {1.0, 0.0, 0.0}, {1.0, -1.0, -1.0}, {0.0, 2.0, 0.0},
    };
    for (const Case& c : cases) {
        LoopFilter f;
        SetFilter(f, 2.2e-8, 5e-11, 100.0, 2.5e-5, 1.5e-12);
        ReferenceFilter ref{2.2e-8, 5e-11, 100.0, 2.5e-5, 1.5e-12};
        ASSERT_TRUE(f.Initialize());
        for (double command : {c.first, c.second}) {
            f.Command = command;
            ASSERT_TRUE(f.Run());
            ref.Step(command);
        }
        EXPECT_EQ(f.PumpCurrent(), c.expectedCurrent * 2.5e-5) << c.first << " then " << c.second;
        // The closed form cancels terms of the size R Ip; rounding is relative to that.
        EXPECT_NEAR(f.OutputVoltage(), ref.x2, 1e-12 * 100.0 * 2.5e-5)
            << c.first << " then " << c.second;
    }
}

TEST(LoopFilter, MatchesChargeFormOverALongCommandSequence)
{
    // The receiver's constants and a sample of 1/64 bit at 10.3125 Gb/s.
    const double t = 9.696969696969696e-11 / 64.0;
    LoopFilter f;
        SetFilter(f, 2.2e-8, 5e-11, 100.0, 2.5e-5, t);
    ReferenceFilter ref{2.2e-8, 5e-11, 100.0, 2.5e-5, t};
    ASSERT_TRUE(f.Initialize());
    unsigned seed = 12345u;
    const double commands[] = {-2.0, -1.0, 0.0, 1.0, 2.0};
    for (int n = 0; n < 20000; ++n) {
        seed = seed * 1103515245u + 12345u;
        const double command = commands[(seed >> 16) % 5];
        f.Command = command;
        ASSERT_TRUE(f.Run());
        ref.Step(command);
        // Both are exact solutions and differ only by rounding. The closed
        // form cancels terms of the size R Ip, so rounding is relative to
        // that and to the size of the state.
        const double scale = 100.0 * 2.5e-5 + std::fabs(ref.x1) + std::fabs(ref.x2);
        ASSERT_NEAR(f.OutputVoltage(), ref.x2, 1e-12 * scale) << "step " << n;
        ASSERT_NEAR(f.CapacitorVoltage(), ref.x1, 1e-12 * scale) << "step " << n;
    }
}

TEST(LoopFilter, ParametersChangedBetweenFiringsTakeEffect)
{
    LoopFilter f;
    SetFilter(f, 2.2e-8, 5e-11, 100.0, 2.5e-5, 1.5e-12);
    ReferenceFilter ref{2.2e-8, 5e-11, 100.0, 2.5e-5, 1.5e-12};
    ASSERT_TRUE(f.Initialize());
    const double intervals[] = {1.5e-12, 3e-12, 3e-12, 1e-9, 1.5e-12};
    const double resistances[] = {100.0, 100.0, 50.0, 50.0, 100.0};
    for (int n = 0; n < 5; ++n) {
        f.SampleInterval = ref.t = intervals[n];
        f.R = ref.r = resistances[n];
        f.Command = 1.0;
        ASSERT_TRUE(f.Run());
        ref.Step(1.0);
        EXPECT_NEAR(f.OutputVoltage(), ref.x2, 1e-12 * (100.0 * 2.5e-5 + std::fabs(ref.x2))) << "step " << n;
        EXPECT_NEAR(f.CapacitorVoltage(), ref.x1, 1e-12 * (100.0 * 2.5e-5 + std::fabs(ref.x1))) << "step " << n;
    }
}

TEST(LoopFilter, EqualStatesWithoutCurrentStayPut)
{
    LoopFilter f;
        SetFilter(f, 2.2e-8, 5e-11, 100.0, 2.5e-5, 1.5e-12);
    ASSERT_TRUE(f.Initialize());
    f.Command = 0.0;
    for (int n = 0; n < 5; ++n) {
        ASSERT_TRUE(f.Run());
        EXPECT_EQ(f.OutputVoltage(), 0.0);
        EXPECT_EQ(f.CapacitorVoltage(), 0.0);
        EXPECT_EQ(f.Control, 0.0);
    }
}

TEST(LoopFilter, InitializeChecksSampleIntervalAndKeepsState)
{
    struct Case {
        double interval;
        bool ok;
    };
    const Case cases[] = {{1e-12, true},
                          {0.0, false},
                          {-1e-12, false},
                          {std::numeric_limits<double>::quiet_NaN(), false}};
    for (const Case& c : cases) {
        LoopFilter f;
        SetFilter(f, 1.0, 1.0, 1.0, 1.0, c.interval);
        testing::internal::CaptureStderr();
        const bool result = f.Initialize();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.ok) << c.interval;
        EXPECT_EQ(err, c.ok ? "" : "SampleInterval must be a positive number.\n") << c.interval;
    }

    LoopFilter f;
        SetFilter(f, 1.0, 1.0, 1.0, 1.0, 1.0);
    ASSERT_TRUE(f.Initialize());
    f.Command = 1.0;
    ASSERT_TRUE(f.Run());
    const double x1 = f.CapacitorVoltage(), x2 = f.OutputVoltage();
    ASSERT_TRUE(f.Finalize());
    ASSERT_TRUE(f.Initialize());
    EXPECT_EQ(f.CapacitorVoltage(), x1);
    EXPECT_EQ(f.OutputVoltage(), x2);
    EXPECT_EQ(f.PumpCurrent(), 1.0);
}

// ---------------------------------------------------------------- Delay

struct DelayHarness {
    Delay block;
    double item = 0.0;
    DelayHarness()
    {
        block.Input.SetBuffer(&item, 1, 1, 0);
        EXPECT_TRUE(block.Setup());
        EXPECT_TRUE(block.Initialize());
    }
    double Step(double x)
    {
        item = x;
        EXPECT_TRUE(block.Run());
        return block.Output;
    }
};

TEST(Delay, QuarterPeriodOfASampledSine)
{
    DelayHarness h;
    for (int k = 0; k < 48; ++k) {
        const double phase = 2.0 * kPi * k / 16.0;
        EXPECT_NEAR(h.Step(std::sin(phase)), std::sin(phase - kPi / 2.0), 1e-12) << "k = " << k;
    }
}

TEST(Delay, InitializeForgetsThePreviousInput)
{
    DelayHarness h;
    h.Step(1.0);  // previous input now 1.0
    ASSERT_TRUE(h.block.Initialize());
    // From a previous 0.0, 0.5 is rising: theta = pi/6.
    EXPECT_NEAR(h.Step(0.5), std::sin(kPi / 6.0 - kPi / 2.0), 1e-15);
    // Without Initialize, from 1.0 it would be falling: theta = 5 pi/6.
    h.Step(1.0);
    EXPECT_NEAR(h.Step(0.5), std::sin(5.0 * kPi / 6.0 - kPi / 2.0), 1e-15);
}

TEST(Delay, OutOfRangeInputGivesNaNWithoutFailing)
{
    DelayHarness h;
    EXPECT_TRUE(std::isnan(h.Step(1.5)));
    EXPECT_NEAR(h.Step(0.0), std::sin(kPi - kPi / 2.0), 1e-15);  // 0 - 1.5 < 0: falling
}

// ---------------------------------------------------------------- registers

TEST(ClockedRegisters, TableOfFirings)
{
    struct Case {
        const char* name;
        bool isSlicer;
        std::vector<int> clock;
        std::vector<double> data;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {"clockdelay: output moves at rising edges to the value captured one edge before", false,
         {0, 1, 0, 1, 0, 1}, {10, 20, 30, 40, 50, 60}, {0, 0, 0, 20, 20, 40}},
        {"clockdelay: clock 1 at the first firing is an edge; held level is not", false,
         {1, 1, 1, 0, 1, 1, 0, 1}, {1, 2, 3, 4, 5, 6, 7, 8}, {0, 0, 0, 0, 1, 1, 1, 5}},
        {"clockdelay: only exact 0 -> 1 is an edge", false,
         {2, 1, -1, 1, 0, 1, 0, 1}, {1, 2, 3, 4, 5, 6, 7, 8}, {0, 0, 0, 0, 0, 0, 0, 6}},
        {"slicer: decides on rising edges, 0.0 decides -1", true,
         {1, 1, 0, 1, 0, 1}, {-0.3, 0.5, 0.5, 0.7, 0.0, 0.0}, {-1, -1, -1, 1, 1, -1}},
        {"slicer: -1 until the first rising edge", true,
         {0, 0, 0, 1, 1, 0}, {0.9, 0.9, 0.9, 0.2, -0.2, -0.2}, {-1, -1, -1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        clockdelay reg;
        slicer dec;
        Vantrel::DFModel& block = c.isSlicer ? static_cast<Vantrel::DFModel&>(dec) : reg;
        ASSERT_TRUE(block.Setup());
        // Run once in a different state, then Initialize: the table must
        // hold from the reset state.
        reg.Clock = dec.Clock = 1;
        reg.Data = dec.Data = 99.0;
        ASSERT_TRUE(block.Run());
        reg.Clock = dec.Clock = 0;
        ASSERT_TRUE(block.Run());
        reg.Clock = dec.Clock = 1;
        ASSERT_TRUE(block.Run());
        ASSERT_TRUE(block.Initialize());
        for (size_t n = 0; n < c.clock.size(); ++n) {
            reg.Clock = dec.Clock = c.clock[n];
            reg.Data = dec.Data = c.data[n];
            ASSERT_TRUE(block.Run());
            const double out = c.isSlicer ? dec.Output : reg.Output;
            EXPECT_EQ(out, c.expected[n]) << c.name << ", firing " << n;
        }
        EXPECT_TRUE(block.Finalize());
    }
}

// ---------------------------------------------------------------- NClockDelay

struct NClockHarness {
    NClockDelay block;
    int clock = 0, start = 0, output = -7;
    explicit NClockHarness(int n)
    {
        block.N = n;
        EXPECT_TRUE(block.Setup());
        block.Clock.SetBuffer(&clock, 1, 1, 0);
        block.Start.SetBuffer(&start, 1, 1, 0);
        block.Output.SetBuffer(&output, 1, 1, 0);
        EXPECT_TRUE(block.Initialize());
    }
    int Step(int s, int k)
    {
        start = s;
        clock = k;
        EXPECT_TRUE(block.Run());
        return output;
    }
};

TEST(NClockDelay, RisesAfterNPlusOneEdges)
{
    struct Step {
        int start, clock, expected;
    };
    struct Case {
        const char* name;
        int n;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"N = 2, clock edge together with the start edge counts",
         2,
         {{1, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1, 0, 0}, {1, 1, 1}, {1, 0, 1}, {1, 1, 1},
          {0, 0, 1}, {0, 1, 1}, {1, 0, 0}, {1, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1, 0, 0},
          {1, 1, 1}}},
        {"no start edge: clock edges do nothing",
         0,
         {{0, 1, 0}, {0, 0, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}}},
        {"a start edge during counting restarts the count",
         1,
         {{1, 1, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 0, 0}, {1, 1, 1}}},
        {"N = 0: the first edge raises the output",
         0,
         {{1, 0, 0}, {1, 1, 1}, {1, 0, 1}}},
        {"held clock level 1 is not an edge",
         0,
         {{1, 1, 1}, {0, 1, 1}, {1, 1, 0}, {1, 1, 0}, {1, 0, 0}, {1, 1, 1}}},
    };
    for (const Case& c : cases) {
        NClockHarness h(c.n);
        EXPECT_EQ(h.block.Clock.GetRate(), 1u);
        EXPECT_EQ(h.block.Output.GetHistoryDepth(), 1u);
        for (size_t i = 0; i < c.steps.size(); ++i)
            EXPECT_EQ(h.Step(c.steps[i].start, c.steps[i].clock), c.steps[i].expected)
                << c.name << ", firing " << i;
    }
}

TEST(NClockDelay, InitializeClearsTheCount)
{
    NClockHarness h(1);
    h.Step(1, 1);
    h.Step(1, 0);
    ASSERT_EQ(h.Step(1, 1), 1);
    ASSERT_TRUE(h.block.Initialize());
    // Start held at 1 is a new edge after the reset, and the output is 0 again.
    EXPECT_EQ(h.Step(1, 0), 0);
    EXPECT_EQ(h.Step(1, 1), 0);
    EXPECT_EQ(h.Step(1, 0), 0);
    EXPECT_EQ(h.Step(1, 1), 1);
    EXPECT_TRUE(h.block.Finalize());
}

}  // namespace

namespace {

// The step exactly as the block once wrote it, one expression per state.
struct WrittenOutFilter {
    double C1, C2, R, Ip, T;
    double x1 = 0.0, x2 = 0.0, I = 0.0;
    void Step(double command)
    {
        if (command == 1.0) I = Ip;
        else if (command == -1.0) I = -Ip;
        else if (command == 0.0) I = 0.0;
        const double E = std::exp(-(C1 + C2) * T / (C2 * C1 * R));
        const double S = (C1 + C2) * (C1 + C2);
        const double N2 = -C1 * C2 * x2 - C1 * C1 * I * R - C1 * C1 * x1 - C2 * C1 * x1 - C2 * C2 * x2 -
                          I * T * C1 - I * T * C2 - C1 * E * C2 * x2 + C1 * C1 * E * I * R +
                          C1 * C1 * E * x1 + C1 * E * C2 * x1 - C1 * C1 * E * x2;
        const double N1 = C1 * C2 * x1 + C1 * C1 * x1 + C1 * C2 * x2 + C2 * C2 * x2 - C1 * C2 * R * I +
                          I * T * C1 + I * T * C2 - C2 * C2 * E * x2 + C2 * E * I * C1 * R +
                          C1 * E * C2 * x1 + C2 * C2 * E * x1 - C1 * E * C2 * x2;
        x2 = -N2 / S;
        x1 = N1 / S;
    }
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

// The coefficients formed once and the zero-current terms left out give the
// bits of the written-out step, for the receiver's constants, a pump of 0,
// a negative pump, parameters whose products overflow (NaN against NaN: its
// sign is the compiler's choice), and parameters changed between firings;
// commands include the held ones and -0.
TEST(LoopFilter, SameBitsAsTheWrittenOutStep)
{
    const double t = 9.696969696969696e-11 / 64.0;
    const struct { double c1, c2, r, ip, t; } sets[] = {
        {2.2e-8, 5e-11, 100.0, 2.5e-5, t}, {1.0, 1.0, 1.0, 1.0, 1.0}, {2.2e-8, 5e-11, 100.0, 0.0, t},
        {2.2e-8, 5e-11, 100.0, -2.5e-5, t}, {1e200, 1e-3, 1e150, 1.0, 1e-3}, {2.2e-8, 5e-11, 50.0, 2.5e-5, 3 * t}};
    const double commands[] = {-2.0, -1.0, 0.0, -0.0, 1.0, 2.0, 0.0, 0.0};
    const size_t nSets = sizeof sets / sizeof sets[0];
    for (size_t p = 0; p < nSets; ++p) {
        LoopFilter f;
        SetFilter(f, sets[p].c1, sets[p].c2, sets[p].r, sets[p].ip, sets[p].t);
        WrittenOutFilter ref{sets[p].c1, sets[p].c2, sets[p].r, sets[p].ip, sets[p].t};
        ASSERT_TRUE(f.Initialize());
        unsigned seed = 99u + static_cast<unsigned>(p);
        for (int n = 0; n < 6000; ++n) {
            if (n == 3000) {  // the next set's resistance and interval, without a new Initialize
                f.R = ref.R = sets[(p + 1) % nSets].r;
                f.SampleInterval = ref.T = sets[(p + 1) % nSets].t;
            }
            seed = seed * 1103515245u + 12345u;
            f.Command = commands[(seed >> 16) % 8];
            ASSERT_TRUE(f.Run());
            ref.Step(f.Command);
            const bool nan = std::isnan(ref.x2) && std::isnan(f.OutputVoltage());
            ASSERT_TRUE(nan || SameBits(f.OutputVoltage(), ref.x2)) << "set " << p << ", step " << n;
            ASSERT_TRUE(nan || SameBits(f.CapacitorVoltage(), ref.x1)) << "set " << p << ", step " << n;
        }
    }
}

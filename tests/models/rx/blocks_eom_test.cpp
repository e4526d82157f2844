// Eye-opening monitor: bins, open runs, measurement cycle, report file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "models/rx/EOM.h"
#include "tests/models/rx/blocks_report_dir.h"
#include "tests/models/rx/blocks_rigs.h"

namespace {

using rxblocks_test::EomRig;
using rxblocks_test::kPi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The bin walk as a reference: climb the thresholds from the bottom of the
// window while x is above the current one.
int ReferenceBin(double x, double vRange)
{
    double t = -vRange;
    int m = 0;
    while (m < 64 && x > t) {
        t = (2 * m + 2) * vRange * (1.0 / 64) - vRange;
        m += 1;
    }
    return m == 64 ? 63 : m;
}

TEST(EomBins, ThresholdsAndBinsMatchTheWalk)
{
    for (double vRange : {0.1, 0.2, 0.30000000000000004, 0.4}) {
        double t[64];
        EOM::BinThresholds(vRange, t);
        std::vector<double> xs = {kNaN, -kInf, kInf, -1e300, 1e300, 0.0, -0.0, vRange, -vRange,
                                  vRange * 1.5};
        for (int m = 0; m < 64; ++m) {
            xs.push_back(t[m]);
            xs.push_back(std::nextafter(t[m], kInf));
            xs.push_back(std::nextafter(t[m], -kInf));
        }
        for (double x : xs)
            EXPECT_EQ(EOM::BinOf(x, t), ReferenceBin(x, vRange)) << "x = " << x << ", vRange " << vRange;
    }
}

TEST(EomBins, WindowEdges)
{
    struct Case {
        double x, vRange;
        int bin;
    };
    const Case cases[] = {
        {-0.1, 0.1, 0},                 // exactly at the bottom threshold: lower bin
        {-0.1 - 1e-9, 0.1, 0},
        {-0.1 + 1e-9, 0.1, 1},
        {-0.1 + 0.1 / 32, 0.1, 1},      // bin 1 reaches up to -vRange + vRange/32
        {-0.1 + 0.1 / 32 + 1e-9, 0.1, 2},
        {0.051, 0.1, 49},
        {0.0999, 0.1, 63},
        {0.5, 0.1, 63},                 // above the window
        {0.351, 0.4, 61},
        {kNaN, 0.1, 0},
    };
    for (const Case& c : cases) {
        double t[64];
        EOM::BinThresholds(c.vRange, t);
        EXPECT_EQ(EOM::BinOf(c.x, t), c.bin) << "x = " << c.x << ", vRange " << c.vRange;
    }
}

// The phase clocks decided by angle are those of the sine: at every angle
// the monitor forms (asin of a unit cosine on either slope, minus each of the
// 64 phase offsets), and around every end of the half periods to within a
// few units in the last place, 1e-9 and twice that.
TEST(EomBins, PhaseClockByAngleIsTheSineSign)
{
    auto check = [](double phi) {
        ASSERT_EQ(EOM::SineNonNegative(phi), std::sin(phi) >= 0.0 ? 1 : 0) << "angle " << phi;
    };
    for (double end : {-2 * 3.141592653589793, -3.141592653589793, 0.0, 3.141592653589793}) {
        for (double offset : {0.0, 1e-9, 2e-9, 1e-12, 1e-15}) {
            for (double sign : {-1.0, 1.0}) {
                double phi = end + sign * offset;
                for (int k = 0; k < 6; ++k, phi = std::nextafter(phi, sign * kInf)) check(phi);
            }
        }
    }
    check(kNaN);
    for (int n = 0; n <= 20000; ++n) {
        const double v = std::cos(n * 2 * kPi / 20000.0 + 0.3e-3);
        for (bool rising : {false, true}) {
            const double a = std::asin(v);
            const double theta = rising ? a : kPi - a;
            for (int k = 0; k < 64; ++k) check(theta - k * (2 * kPi) * (1.0 / 64));
        }
    }
}

// A value is certain of its bin only when no threshold of any of the four
// windows lies within the margin (the top threshold, 63, parts no bins:
// everything above it is in bin 63 too).
TEST(EomBins, BinCertainOnlyAwayFromEveryThreshold)
{
    EOM eom;
    for (int r = 0; r < 4; ++r) {
        double t[64];
        EOM::BinThresholds(EOM::RangeOfIndex(r), t);
        EXPECT_TRUE(eom.BinCertain(t[63], 1e-12));
        for (int m = 0; m < 63; ++m) {
            EXPECT_FALSE(eom.BinCertain(t[m], 1e-12)) << "window " << r << ", threshold " << m;
            EXPECT_FALSE(eom.BinCertain(t[m] + 0.9e-12, 1e-12)) << "window " << r << ", threshold " << m;
            EXPECT_TRUE(eom.BinCertain(t[m] + 1e-9, 1e-12)) << "window " << r << ", threshold " << m;
            EXPECT_TRUE(eom.BinCertain(t[m] - 1e-9, 1e-12)) << "window " << r << ", threshold " << m;
        }
    }
    EXPECT_EQ(EOM::RangeOfIndex(2), 0.30000000000000004);
    EXPECT_TRUE(eom.BinCertain(5.0, 1e-12));
    EXPECT_FALSE(eom.BinCertain(0.0, kInf));
}

TEST(EomOpenRuns, TableOfPatterns)
{
    struct Case {
        const char* name;
        std::vector<int> closed;  // entries with a hit
        double thr;
        int length, start;
    };
    const std::vector<Case> cases = {
        {"all open: counts from entry 1", {}, 0.2, 63, 0},
        {"all closed", [] { std::vector<int> v; for (int i = 0; i < 64; ++i) v.push_back(i); return v; }(),
         0.2, 0, 0},
        {"middle run longer than the leading one", {10, 50}, 0.2, 39, 11},
        {"run up to the last entry is counted", {0, 20}, 0.2, 43, 21},
        {"entry 0 closed, run from 1", {0, 50}, 0.2, 49, 1},
        {"leading open run wins when longest", {40}, 0.2, 39, 0},
        {"first of equal runs wins", {0, 21, 42, 63}, 0.2, 20, 1},
        {"single open entry between hits", [] { std::vector<int> v; for (int i = 0; i < 64; ++i) if (i != 7) v.push_back(i); return v; }(),
         0.2, 1, 7},
        {"counts above a threshold of 1.5 close an entry, the others do not", {5}, 1.5, 58, 6},
    };
    for (const Case& c : cases) {
        // A column of a [64][64] table (stride 64) and a row (stride 1).
        static double table[64][64];
        for (auto& row : table)
            for (double& v : row) v = 0.0;
        const double hit = c.thr > 1.0 ? 2.0 : 1.0;
        for (int i : c.closed) {
            table[i][17] = hit;
            table[29][i] = hit;
        }
        if (c.thr > 1.0) {
            table[8][17] = table[29][8] = 1.0;  // at most thr: open
        }
        int start = -1;
        EXPECT_EQ(EOM::LongestOpenRun(&table[0][17], 64, c.thr, &start), c.length) << c.name;
        EXPECT_EQ(start, c.start) << c.name;
        start = -1;
        EXPECT_EQ(EOM::LongestOpenRun(&table[29][0], 1, c.thr, &start), c.length) << c.name;
        EXPECT_EQ(start, c.start) << c.name;
    }
}

// The histogram that a measurement started at sample `from` and ended at the
// rising clock edge of sample `to` has printed: crossings of samples
// from+1 .. to-1 (phase memory is cleared at the start; the end sample's own
// crossings come after the print).
using Hist = std::vector<std::vector<double>>;
Hist ExpectedHist(const EomRig& rig, long from, long to, const std::function<double(long)>& dataAt,
                  double vRange)
{
    Hist h(64, std::vector<double>(64, 0.0));
    for (long i = from + 1; i < to; ++i)
        for (int k = 0; k < 64; ++k)
            if (rig.PhaseLevel(i - 1, k) == 1 && rig.PhaseLevel(i, k) == 0)
                h[k][ReferenceBin(dataAt(i), vRange)] += 1.0;
    return h;
}

std::string Block(const Hist& h)
{
    std::string text = " Print EOM data to file \n";
    char field[64];
    for (int j = 63; j >= 0; --j) {
        for (int i = 0; i < 64; ++i) {
            std::snprintf(field, sizeof field, "%g\t", h[i][j]);
            text += field;
        }
        text += "\n";
    }
    return text;
}

class EomTest : public ReportDirTest {};

TEST_F(EomTest, IdleAfterInitialize)
{
    EomRig rig(200, 64);
    EXPECT_FALSE(Exists("EOM.txt"));
    for (int i = 0; i < 130; ++i) {
        rig.Step(0, 0.3);
        ASSERT_EQ(rig.ready, 0);
        ASSERT_EQ(rig.heo, 64);
        ASSERT_EQ(rig.veo, 0);
        ASSERT_EQ(rig.opening, 0);
        ASSERT_EQ(rig.range, 0);
        for (int k = 0; k < 64; ++k) {
            ASSERT_EQ(rig.waves[k], 0.0);
            ASSERT_EQ(rig.clocks[k], 0);
        }
    }
    // Created by the first Run, and empty: no measurement ran.
    EXPECT_TRUE(Exists("EOM.txt"));
    EXPECT_EQ(ReadAll("EOM.txt"), "");

    // Storage attached anew before Initialize gets its zeros too.
    for (int k = 0; k < 64; ++k) {
        rig.waves[k] = 5.0;
        rig.clocks[k] = 5;
    }
    ASSERT_TRUE(rig.eom.Initialize());
    rig.Step(0, 0.3);
    for (int k = 0; k < 64; ++k) {
        EXPECT_EQ(rig.waves[k], 0.0) << k;
        EXPECT_EQ(rig.clocks[k], 0) << k;
    }
}

TEST_F(EomTest, MeasurementWritesTheHistogramAndTheOpenings)
{
    // Several phases per sample at 16 samples per period; data varies per
    // sample so that the bins differ between the phases of a period.
    for (int period : {64, 16}) {
        WriteAll("EOM.txt", "earlier text\n");
        EomRig rig(3, period);
        const auto dataAt = [](long i) { return 0.09 * std::sin(0.37 * i) + (i % 5 == 0 ? 0.08 : 0.0); };
        const long from = 2 * period + 3;  // start edge, not on a clock edge
        long to = -1;
        int edges = 0;
        while (rig.n < from + 6 * period) {
            const long i = rig.n;
            if (i >= from && rig.RisingClock(i) && ++edges == 3) to = i;
            rig.Step(i >= from ? 1 : 0, dataAt(i));
            // ready drops at the start and rises at the third edge after it.
            ASSERT_EQ(rig.ready, to >= 0 ? 1 : 0) << "sample " << i;
            if (i >= from) {
                for (int k = 0; k < 64; ++k) {
                    const double expectedWave = std::cos(rig.Psi(i) - 2.0 * kPi * k / 64);
                    ASSERT_NEAR(rig.waves[k], to >= 0 && i > to ? 0.0 : expectedWave,
                                to >= 0 && i > to ? 0.0 : 1e-7)
                        << "sample " << i << ", phase " << k;
                    ASSERT_EQ(rig.clocks[k], to >= 0 && i > to ? 0 : rig.PhaseLevel(i, k))
                        << "sample " << i << ", phase " << k;
                }
            }
        }
        ASSERT_EQ(to, from - from % period + 3 * period);
        EXPECT_EQ(ReadAll("EOM.txt"),
                  "earlier text\n" + Block(ExpectedHist(rig, from, to, dataAt, 0.1)))
            << period << " samples per period";
    }
}

TEST_F(EomTest, OpeningsOfConstantSignals)
{
    struct Case {
        const char* name;
        int nbits;
        double data;
        int heo, veo, opening, range;
    };
    const Case cases[] = {
        // Every hit in bin 49: middle bins all open (63 phases from phase 1);
        // centre phase 31 is open in bins 1..48 and 50..63.
        {"constant 0.051", 4, 0.051, 63, 48, 48, 0},
        {"constant 0.051 over 200 periods (thr 0.2)", 200, 0.051, 63, 48, 48, 0},
        // Every hit in a middle bin: that bin has no open run, so heo = 0 and
        // no vertical scan is made.
        {"constant 0.0", 4, 0.0, 0, 0, 0, 0},
        {"constant -0.0005", 4, -0.0005, 0, 0, 0, 0},
        // Every hit in bin 63: veo 62 >= 60 widens the window.
        {"constant 0.5", 4, 0.5, 63, 62, 62, 1},
        // One period or none: the start edge is also the last clock edge, so
        // the printed histogram is empty and everything is open.
        {"Nbits 1", 1, 0.0, 63, 63, 63, 1},
        {"Nbits 0", 0, 0.0, 63, 63, 63, 1},
        // A negative threshold leaves even an empty histogram closed.
        {"Nbits -5", -5, 0.0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EomRig rig(c.nbits, 64);
        long firstReady = -1;
        const long last = 64L * ((c.nbits > 1 ? c.nbits : 1) + 2);
        for (long i = 0; i < last; ++i) {
            rig.Step(i >= 64 ? 1 : 0, c.data);
            if (rig.ready == 1 && firstReady < 0) firstReady = i;
        }
        // The start at sample 64 falls on a clock edge, which is the first.
        EXPECT_EQ(firstReady, 64L * (c.nbits > 1 ? c.nbits : 1)) << c.name;
        EXPECT_EQ(rig.ready, 1) << c.name;
        EXPECT_EQ(rig.heo, c.heo) << c.name;
        EXPECT_EQ(rig.veo, c.veo) << c.name;
        EXPECT_EQ(rig.opening, c.opening) << c.name;
        EXPECT_EQ(rig.range, c.range) << c.name;
    }
}

TEST_F(EomTest, VcoWaveOutsideTheUnitRangeSamplesNothing)
{
    EomRig rig(5, 16);
    for (int i = 0; i < 20; ++i) rig.Step(1, 0.0);
    ASSERT_EQ(rig.ready, 0);
    for (double bad : {1.5, -1.0000001}) {
        rig.clock = 0;
        rig.vco = bad;
        rig.start = 1;
        ASSERT_TRUE(rig.eom.Run());
        for (int k = 0; k < 64; ++k) {
            EXPECT_EQ(rig.clocks[k], 0) << bad << ", phase " << k;
            EXPECT_TRUE(std::isnan(rig.waves[k])) << bad << ", phase " << k;
        }
    }
}

TEST_F(EomTest, RangeWidensOverFullMeasurementsThenStays)
{
    EomRig rig(2, 16);
    const int expectedRange[] = {1, 2, 3, 3};
    // Four measurements of a signal above the window, each started by a new
    // start edge once the previous one is ready.
    for (int m = 0; m < 4; ++m) {
        for (int i = 0; i < 16 * 4; ++i) rig.Step(i < 8 ? 0 : 1, 0.5);
        ASSERT_EQ(rig.ready, 1) << "measurement " << m;
        EXPECT_EQ(rig.range, expectedRange[m]) << "measurement " << m;
        EXPECT_EQ(rig.veo, 62) << "measurement " << m;
    }
    // The window is now +/-0.4: 0.351 lands in bin 61 (it was bin 63 at 0.1).
    const std::string before = ReadAll("EOM.txt");
    const long from = rig.n + 8;
    for (int i = 0; i < 16 * 4; ++i) rig.Step(i < 8 ? 0 : 1, 0.351);
    const long to = from - from % 16 + 2 * 16;
    EXPECT_EQ(ReadAll("EOM.txt"),
              before + Block(ExpectedHist(rig, from, to, [](long) { return 0.351; }, 0.4)));
    EXPECT_EQ(rig.veo, 60);
    EXPECT_EQ(rig.range, 3);

    // Initialize goes back to the first window and the initial results; the
    // file is kept as it is.
    ASSERT_TRUE(rig.eom.Initialize());
    rig.Step(0, 0.0);
    EXPECT_EQ(rig.range, 0);
    EXPECT_EQ(rig.heo, 64);
    EXPECT_EQ(rig.veo, 0);
    EXPECT_EQ(rig.opening, 0);
    const std::string kept = ReadAll("EOM.txt");
    const long from2 = rig.n;
    for (int i = 0; i < 16 * 4; ++i) rig.Step(1, 0.351);
    const long to2 = from2 - from2 % 16 + 16 * (from2 % 16 == 0 ? 1 : 2);
    EXPECT_EQ(ReadAll("EOM.txt"),
              kept + Block(ExpectedHist(rig, from2, to2, [](long) { return 0.351; }, 0.1)));
    // Back in the +/-0.1 window, 0.351 is above it again: veo 62 widens it once.
    EXPECT_EQ(rig.veo, 62);
    EXPECT_EQ(rig.range, 1);
}

TEST_F(EomTest, StartEdgeDuringAMeasurementRestartsIt)
{
    EomRig rig(3, 16);
    std::vector<int> ready;
    for (int i = 0; i < 100; ++i) {
        const int s = (i >= 5 && i < 20) || i >= 40 ? 1 : 0;
        rig.Step(s, 0.051);
        ready.push_back(rig.ready);
    }
    // Edges at 16 and 32 are forgotten by the restart at 40; the third edge
    // after it is at 80.
    for (int i = 0; i < 100; ++i) EXPECT_EQ(ready[i], i >= 80 ? 1 : 0) << "sample " << i;
    const std::string text = ReadAll("EOM.txt");
    EXPECT_EQ(text, Block(ExpectedHist(rig, 40, 80, [](long) { return 0.051; }, 0.1)));
}

TEST_F(EomTest, InstancesAppendInRunOrder)
{
    WriteAll("EOM.txt", "kept\n");
    EomRig a(2, 16), b(3, 16);
    const auto dataA = [](long i) { return 0.03 * std::sin(0.5 * i); };
    const auto dataB = [](long i) { return -0.05 + 0.001 * (i % 7); };
    for (int i = 0; i < 16 * 5; ++i) {
        a.Step(i >= 4 ? 1 : 0, dataA(i));
        b.Step(i >= 4 ? 1 : 0, dataB(i));
    }
    EXPECT_EQ(ReadAll("EOM.txt"), "kept\n" + Block(ExpectedHist(a, 4, 32, dataA, 0.1)) +
                                      Block(ExpectedHist(b, 4, 48, dataB, 0.1)));
}

TEST_F(EomTest, UnopenableFileDoesNotStopTheMeasurement)
{
    ASSERT_EQ(mkdir("EOM.txt", 0700), 0);  // fopen for appending fails on a directory
    EomRig rig(2, 16), reference(2, 16);
    for (int i = 0; i < 16 * 4; ++i) {
        rig.Step(i >= 4 ? 1 : 0, 0.051);
        reference.Step(i >= 4 ? 1 : 0, 0.051);
    }
    EXPECT_EQ(rig.ready, 1);
    EXPECT_EQ(rig.heo, 63);
    EXPECT_EQ(rig.veo, 48);
    ASSERT_EQ(rmdir("EOM.txt"), 0);
    // The next measurement that has something to write opens the file.
    for (int i = 0; i < 16 * 4; ++i) rig.Step(i >= 4 ? 1 : 0, 0.051);
    const long from = 16 * 4 + 4;
    EXPECT_EQ(ReadAll("EOM.txt"), Block(ExpectedHist(rig, from, 16 * 6, [](long) { return 0.051; }, 0.1)));
}

TEST_F(EomTest, FinalizeClosesAndTheNextRunReopens)
{
    EomRig rig(2, 16);
    rig.Step(0, 0.0);
    ASSERT_TRUE(Exists("EOM.txt"));
    ASSERT_TRUE(rig.eom.Finalize());
    ASSERT_EQ(std::remove("EOM.txt"), 0);
    rig.Step(0, 0.0);
    EXPECT_TRUE(Exists("EOM.txt"));
}

}  // namespace

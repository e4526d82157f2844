// The 32 CTLE tables: grids, mapping, the two reference rows, the shape of
// every response, and the filters built from them at the default rate of
// 64 samples per bit at 10.3125 Gb/s (6.6e11 samples/s).
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

#include "dataflow/TimeResponseFIR.h"
#include "models/rx/CtleTables.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kSampleRate = 10.3125e9 * 64;

struct Row {
    int table;
    int built;
    int taps;
    double dc;
    double gainDb;  // at 5.15625 GHz
    double fpeakGHz;
};

// Indexed by CTLE setting: table Tn, construction position, taps and the
// figures of the built filter at 6.6e11 samples/s.
const Row kRows[32] = {
    {3, 9, 1472, 1.479, 6.3, 4.43},    {6, 23, 1471, 1.499, 10.5, 5.87},
    {15, 29, 1471, 1.507, 10.7, 6.25}, {16, 5, 1471, 1.504, 10.5, 6.22},
    {4, 8, 1471, 1.556, 11.0, 6.77},   {19, 28, 1471, 1.516, 13.3, 5.37},
    {5, 15, 1471, 1.504, 12.9, 5.24},  {8, 7, 1471, 1.554, 13.9, 6.31},
    {25, 10, 1471, 1.485, 14.2, 4.85}, {31, 25, 1471, 1.499, 14.6, 4.99},
    {7, 31, 1471, 1.495, 14.4, 5.23},  {10, 22, 1471, 1.564, 15.3, 7.47},
    {20, 4, 1471, 1.575, 15.3, 7.72},  {12, 6, 1471, 1.588, 15.7, 5.97},
    {28, 2, 1471, 1.555, 17.7, 6.87},  {24, 3, 1471, 1.579, 18.2, 7.28},
    {23, 27, 1471, 1.621, 20.9, 6.38}, {9, 14, 1471, 1.595, 20.6, 6.21},
    {32, 32, 1471, 1.613, 20.7, 6.52}, {17, 12, 1471, 1.622, 22.0, 7.33},
    {13, 13, 1471, 1.607, 21.9, 7.23}, {1, 24, 1471, 1.651, 22.4, 6.04},
    {11, 30, 1471, 1.550, 22.0, 6.23}, {27, 26, 1471, 1.666, 22.7, 6.17},
    {29, 1, 1471, 1.904, 27.6, 7.48},  {2, 16, 1471, 1.917, 28.0, 7.47},
    {30, 17, 1471, 1.928, 29.1, 7.18}, {22, 19, 1471, 1.923, 27.9, 7.53},
    {14, 21, 1471, 1.992, 28.7, 7.70}, {26, 18, 1471, 1.977, 29.5, 7.36},
    {21, 11, 1471, 1.966, 29.3, 7.37}, {18, 20, 1471, 1.978, 29.5, 7.42},
};

// A filter built from the table of a setting, as the CTLE bank builds it.
struct BuiltFilter {
    std::vector<double> response, stamps;
    Vantrel::TimeResponseFIR fir;

    BuiltFilter(int setting, double sampleRate)
    {
        const CtleTable& t = kCtleTableOfSetting[setting];
        response.assign(t.response, t.response + t.count);
        stamps.assign(t.timeStamps, t.timeStamps + t.count);
        fir.ResponseType = 0;
        fir.m_pdResponse = response.data();
        fir.m_pdTimeStamps = stamps.data();
        fir.m_iNumResponse = t.count;
        fir.m_iNumTimeStamps = t.count;
        fir.SampleRate = sampleRate;
    }
    std::vector<double> Taps() const { return std::vector<double>(fir.m_pdTaps, fir.m_pdTaps + fir.m_iNumTaps); }
};

// |sum_n tap[n] e^(-j 2 pi f n / fs)|, evaluated directly.
double Gain(const std::vector<double>& taps, double f)
{
    std::complex<double> acc = 0.0;
    for (size_t n = 0; n < taps.size(); ++n)
        acc += taps[n] * std::polar(1.0, -2.0 * kPi * f * static_cast<double>(n) / kSampleRate);
    return std::abs(acc);
}

double Db(double g) { return 20.0 * std::log10(g); }

// Frequency of maximum gain between 0.1 and 20 GHz: a 50 MHz scan, refined
// to 1 MHz around the best point.
double PeakFrequency(const std::vector<double>& taps)
{
    double best = 0.1e9, bestGain = -1.0;
    for (double f = 0.1e9; f <= 20e9; f += 50e6) {
        const double g = Gain(taps, f);
        if (g > bestGain) { bestGain = g; best = f; }
    }
    const double centre = best;
    for (double f = centre - 50e6; f <= centre + 50e6; f += 1e6) {
        if (f < 0.1e9 || f > 20e9) continue;
        const double g = Gain(taps, f);
        if (g > bestGain) { bestGain = g; best = f; }
    }
    return best;
}

double Round6(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.5e", v);
    return std::strtod(text, nullptr);
}

TEST(CtleTables, GridsAndMapping)
{
    bool seen[33] = {};
    for (int m = 0; m < 32; ++m) {
        SCOPED_TRACE("setting " + std::to_string(m));
        const CtleTable& t = kCtleTableOfSetting[m];
        EXPECT_EQ(kCtleTableNumber[m], kRows[m].table);
        EXPECT_FALSE(seen[kRows[m].table]);
        seen[kRows[m].table] = true;
        const bool t3 = kRows[m].table == 3;
        ASSERT_EQ(t.count, t3 ? 1000 : 1001);
        const double step = t3 ? 2.232142857142857e-12 : 2.228163992869875e-12;
        for (int i = 0; i < t.count; ++i) ASSERT_DOUBLE_EQ(t.timeStamps[i], i * step) << "i = " << i;
        // Construction position k (1-based) of the table holds this setting.
        EXPECT_EQ(kCtleBuildOrder[kRows[m].built - 1], m);
    }
}

TEST(CtleTables, ReferenceRowsT3AndT18)
{
    struct Sample {
        int index;
        double value;
    };
    struct Reference {
        int setting;
        std::vector<Sample> samples;
        int iMax, iMin;
    };
    const Reference refs[] = {
        {0,
         {{0, -6.98287e9}, {1, 3.26615e9}, {2, 1.26454e10}, {3, 2.11517e10}, {4, 2.87821e10},
          {12, 5.86256e10}, {100, 1.80257e8}, {500, -3.18276e7}, {999, -2.66284e7}},
         12, 0},
        {31,
         {{0, -8.81982e10}, {1, -5.81872e10}, {2, -2.25455e10}, {3, 1.79979e10}, {4, 6.27138e10},
          {16, 6.90836e11}, {36, -5.48239e11}, {100, -2.80905e9}, {500, -6.88249e7}, {1000, 0.0}},
         16, 36},
    };
    for (const Reference& ref : refs) {
        const CtleTable& t = kCtleTableOfSetting[ref.setting];
        SCOPED_TRACE("table T" + std::to_string(kCtleTableNumber[ref.setting]));
        for (const Sample& s : ref.samples) EXPECT_EQ(Round6(t.response[s.index]), s.value) << "r[" << s.index << "]";
        int iMax = 0, iMin = 0;
        for (int i = 1; i < t.count; ++i) {
            if (t.response[i] > t.response[iMax]) iMax = i;
            if (t.response[i] < t.response[iMin]) iMin = i;
        }
        EXPECT_EQ(iMax, ref.iMax);
        EXPECT_EQ(iMin, ref.iMin);
    }
}

TEST(CtleTables, ShapeOfEveryResponse)
{
    int zeroEnds = 0, negativeEnds = 0;
    double lobe[32], boost[32];
    for (int m = 0; m < 32; ++m) {
        SCOPED_TRACE("setting " + std::to_string(m));
        const CtleTable& t = kCtleTableOfSetting[m];
        const double* r = t.response;
        EXPECT_LE(r[0], -6.98e9);
        EXPECT_GE(r[0], -9.01e10);
        int iMax = 0;
        for (int i = 1; i < t.count; ++i)
            if (r[i] > r[iMax]) iMax = i;
        // 26.8 .. 35.7 ps, as rounded to a tenth of a picosecond.
        const double tMax = t.timeStamps[iMax];
        EXPECT_GE(tMax, 26.75e-12);
        EXPECT_LT(tMax, 35.75e-12);
        double minAfter = r[iMax];
        for (int i = iMax; i < t.count; ++i) minAfter = std::min(minAfter, r[i]);
        lobe[m] = minAfter / r[iMax];
        EXPECT_LT(lobe[m], -0.05);
        EXPECT_GT(lobe[m], -0.85);
        const double last = r[t.count - 1];
        if (last == 0.0) {
            ++zeroEnds;
        } else {
            ++negativeEnds;
            EXPECT_LE(last, -2.4e7);
            EXPECT_GE(last, -4.0e7);
        }
        boost[m] = kRows[m].gainDb - Db(kRows[m].dc);
    }
    EXPECT_EQ(zeroEnds, 20);
    EXPECT_EQ(negativeEnds, 12);
    // The negative lobe deepens with the boost (settings 3 dB or more apart).
    for (int a = 0; a < 32; ++a)
        for (int b = 0; b < 32; ++b)
            if (boost[b] > boost[a] + 3.0) {
                EXPECT_LT(lobe[b], lobe[a]) << "settings " << a << " and " << b;
            }
}

// Every filter as built at 64 samples per bit and 10.3125 Gb/s: tap count,
// DC gain within 0.02, gain at 5.15625 GHz within 0.3 dB, frequency of
// maximum gain within 0.3 GHz of its row.
TEST(CtleTables, BuiltFiltersMeetTheirFigures)
{
    for (int m = 0; m < 32; ++m) {
        SCOPED_TRACE("setting " + std::to_string(m) + " (T" + std::to_string(kRows[m].table) + ")");
        BuiltFilter b(m, kSampleRate);
        ASSERT_TRUE(b.fir.Setup());
        EXPECT_EQ(b.fir.m_iNumTaps, kRows[m].taps);
        const std::vector<double> taps = b.Taps();
        double dc = 0.0;
        for (double v : taps) dc += v;
        EXPECT_NEAR(dc, kRows[m].dc, 0.02);
        EXPECT_NEAR(Db(Gain(taps, 5.15625e9)), kRows[m].gainDb, 0.3);
        EXPECT_NEAR(PeakFrequency(taps) * 1e-9, kRows[m].fpeakGHz, 0.3);
    }
}

// A unit step settles at the DC gain once the filter's taps have filled.
TEST(CtleTables, UnitStepSettlesAtTheDcGain)
{
    for (int m : {0, 31}) {
        BuiltFilter b(m, kSampleRate);
        ASSERT_TRUE(b.fir.Setup());
        double in = 1.0, out = 0.0;
        b.fir.Input.SetBuffer(&in, 1, 1, 0);
        b.fir.Output.SetBuffer(&out, 1, 1, 0);
        ASSERT_TRUE(b.fir.Initialize());
        for (int n = 0; n < b.fir.m_iNumTaps + 10; ++n) ASSERT_TRUE(b.fir.Run());
        EXPECT_NEAR(out, kRows[m].dc, 0.02) << "setting " << m;
        ASSERT_TRUE(b.fir.Finalize());
    }
}

}  // namespace

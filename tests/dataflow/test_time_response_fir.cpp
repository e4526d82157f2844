// TimeResponseFIR, the cubic spline and the three-point derivative.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dataflow/AnalyticalDifferntiation.h"
#include "dataflow/Interpolators.h"
#include "dataflow/TimeResponseFIR.h"
#include "tests/dataflow/StderrCapture.h"

using Vantrel::Interpolators;
using Vantrel::TimeResponseFIR;
using dftest::CaptureErr;
using dftest::Lines;

namespace {

// A filter over copies of the given table (the block shifts its time stamps).
struct Table {
    std::vector<double> t, r;
    TimeResponseFIR fir;

    Table(std::vector<double> times, std::vector<double> values, int type, double rate)
        : t(std::move(times)), r(std::move(values))
    {
        fir.m_pdTimeStamps = t.data();
        fir.m_iNumTimeStamps = static_cast<int>(t.size());
        fir.m_pdResponse = r.data();
        fir.m_iNumResponse = static_cast<int>(r.size());
        fir.ResponseType = type;
        fir.SampleRate = rate;
    }
    std::vector<double> Taps() const
    {
        return std::vector<double>(fir.m_pdTaps, fir.m_pdTaps + fir.m_iNumTaps);
    }
};

double Cubic(double x) { return 0.5 - 1.25 * x + 0.75 * x * x + 0.2 * x * x * x; }
double CubicSlope(double x) { return -1.25 + 1.5 * x + 0.6 * x * x; }

// Non-uniform abscissae from a to b.
std::vector<double> Grid(double a, double b, int n)
{
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i) {
        double f = double(i) / (n - 1);
        x[i] = a + (b - a) * (f + 0.15 * std::sin(3.0 * f) * f * (1 - f));
    }
    return x;
}

}  // namespace

// Time stamps on the sample grid: every tap is the table value over the rate,
// taken directly without interpolation.
TEST(TimeResponseFir, GridAlignedImpulseTableIsTakenExactly)
{
    Table tb({0, 0.25, 0.5, 0.75, 1.0}, {1, 3, -7, 2, 5}, 0, 4.0);
    ASSERT_TRUE(tb.fir.Setup());
    EXPECT_EQ(tb.Taps(), (std::vector<double>{0.25, 0.75, -1.75, 0.5, 1.25}));
}

// The slope of a parabola through three points of a line is the line's slope.
TEST(TimeResponseFir, LinearStepResponseGivesConstantTaps)
{
    const double a = 3.5e9;  // volts per second
    std::vector<double> t = Grid(0.0, 2e-9, 37);
    std::vector<double> r;
    for (double ti : t) r.push_back(a * ti);
    Table tb(t, r, 1, 1e11);
    ASSERT_TRUE(tb.fir.Setup());
    ASSERT_EQ(tb.fir.m_iNumTaps, 201);
    // Relative 1e-9: the derivative divides differences of nearby samples.
    for (double tap : tb.Taps()) EXPECT_NEAR(tap, a / 1e11, 1e-9 * a / 1e11);
}

// An impulse response that is one cubic: the four-point spline reproduces it,
// at any sample instant, on a non-uniform grid.
TEST(TimeResponseFir, CubicImpulseResponseIsReproduced)
{
    std::vector<double> t = Grid(0.0, 3.0, 11);
    std::vector<double> r;
    for (double ti : t) r.push_back(Cubic(ti));
    const double rate = 7.3;
    Table tb(t, r, 0, rate);
    ASSERT_TRUE(tb.fir.Setup());
    ASSERT_EQ(tb.fir.m_iNumTaps, static_cast<int>(rate * 3.0) + 1);
    std::vector<double> taps = tb.Taps();
    for (size_t n = 0; n < taps.size(); ++n)
        EXPECT_NEAR(taps[n], Cubic(n / rate) / rate, 1e-12) << "tap " << n;
}

// A parabolic step response: its derivative is reproduced exactly.
TEST(TimeResponseFir, QuadraticStepResponseGivesItsDerivative)
{
    std::vector<double> t = Grid(0.0, 2.0, 9);
    std::vector<double> r;
    for (double ti : t) r.push_back(1.0 + 2.0 * ti - 0.75 * ti * ti);
    Table tb(t, r, 1, 10.0);
    ASSERT_TRUE(tb.fir.Setup());
    std::vector<double> taps = tb.Taps();
    ASSERT_EQ(taps.size(), 21u);
    for (size_t n = 0; n < taps.size(); ++n)
        EXPECT_NEAR(taps[n], (2.0 - 1.5 * (n / 10.0)) / 10.0, 1e-13) << "tap " << n;
}

// The grid is anchored at the first time stamp, wherever the table starts.
TEST(TimeResponseFir, ShiftedTimeAxisGivesTheSameTaps)
{
    std::vector<double> t0 = Grid(0.0, 0.4e-9, 17), t5;
    std::vector<double> r;
    for (double ti : t0) {
        t5.push_back(ti + 5e-9);
        r.push_back(std::exp(-ti / 1e-10) * std::sin(ti / 3e-11));
    }
    Table a(t0, r, 0, 2e11), b(t5, r, 0, 2e11);
    ASSERT_TRUE(a.fir.Setup());
    ASSERT_TRUE(b.fir.Setup());
    std::vector<double> ta = a.Taps(), tb = b.Taps();
    ASSERT_EQ(ta.size(), tb.size());
    EXPECT_EQ(b.t[0], 0.0) << "the time stamps are shifted in place";
    // 5 ns + t loses about 5e-9 * 2^-52 absolute in each stamp; the response
    // varies on a 30 ps scale, so taps agree to about 1e-6 relative.
    for (size_t n = 0; n < ta.size(); ++n) EXPECT_NEAR(ta[n], tb[n], 1e-6 * 1e-11) << "tap " << n;
}

// N = floor(SampleRate * span) + 1, for the spans and rates the models use.
TEST(TimeResponseFir, TapCountFromSpanAndRate)
{
    struct { double span, rate; int points, taps; } cases[] = {
        {1.0e-9, 1e12, 101, 1001},
        {2.228163992869875e-9, 6.6e11, 1001, 1471},   // 64 samples per bit at 10.3125 Gb/s
        {4.696691176470588e-10, 1.32e12, 512, 620},   // 619.96 truncated, plus one
        {3e-12, 1e12, 4, 4},
    };
    for (const auto& c : cases) {
        std::vector<double> t = Grid(0.0, c.span, c.points);
        t.back() = c.span;
        std::vector<double> r(t.size(), 1.0);
        Table tb(t, r, 0, c.rate);
        ASSERT_TRUE(tb.fir.Setup());
        EXPECT_EQ(tb.fir.m_iNumTaps, c.taps) << c.span << " s at " << c.rate;
        EXPECT_EQ(tb.fir.GetWindowSize(), size_t(c.taps + 2));
    }
}

// A second Setup rebuilds the same taps from the already shifted stamps.
TEST(TimeResponseFir, SecondSetupRebuildsTheSameTaps)
{
    std::vector<double> t = Grid(2.0, 5.0, 12);
    std::vector<double> r;
    for (double ti : t) r.push_back(std::cos(ti));
    Table tb(t, r, 0, 5.0);
    ASSERT_TRUE(tb.fir.Setup());
    std::vector<double> first = tb.Taps();
    ASSERT_TRUE(tb.fir.Setup());
    EXPECT_EQ(tb.Taps(), first);
}

// After Setup the block filters with its taps: an impulse returns them.
TEST(TimeResponseFir, ImpulseInputReturnsTheTaps)
{
    Table tb({0, 1, 2, 3, 4, 5}, {1, 2, 3, 4, 5, 6}, 0, 1.0);
    ASSERT_TRUE(tb.fir.Setup());
    double in = 0.0, out = 0.0;
    tb.fir.Input.SetBuffer(&in, 1, 1, 0);
    tb.fir.Output.SetBuffer(&out, 1, 1, 0);
    ASSERT_TRUE(tb.fir.Initialize());
    std::vector<double> y;
    for (int n = 0; n < 8; ++n) {
        in = n == 0 ? 1.0 : 0.0;
        ASSERT_TRUE(tb.fir.Run());
        y.push_back(out);
    }
    EXPECT_EQ(y, (std::vector<double>{1, 2, 3, 4, 5, 6, 0, 0}));
    EXPECT_TRUE(tb.fir.Finalize());
}

TEST(TimeResponseFir, SetupMessages)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::vector<double> t, r;
        int type;
        int numTimeStamps;  // -1: the table's length
        double rate;
        std::vector<std::string> lines;
    };
    const std::vector<double> t4 = {0, 1e-12, 2e-12, 3e-12}, r4 = {1, 2, 3, 4};
    const Case cases[] = {
        {"three step values", {0, 1, 2}, {1, 2, 3}, 1, 2, 1e12,
         {"At least 4 response coefficients are required for input step response"}},
        {"three impulse values", {0, 1, 2}, {1, 2, 3}, 0, -1, 1e12,
         {"At least 4 response coefficients are required for input impulse response"}},
        {"bad type", {0, 1, 2}, {1, 2, 3}, 2, -1, 1e12,
         {"Inavlid ResponseType is specified, it can be either Impulse Response or Step Response"}},
        {"bad type, enough values", t4, r4, -1, -1, 0.0,
         {"Inavlid ResponseType is specified, it can be either Impulse Response or Step Response"}},
        {"count mismatch", t4, r4, 0, 3, 1e12,
         {"Number of coefficients in response must be same as the number of values in time stamps"}},
        {"repeated stamp", {0, 1e-12, 1e-12, 2e-12}, r4, 0, -1, 1e12,
         {"ResponseTimeStamps[3] = 1e-12  <= ResponseTimeStamps[2] = 1e-12. Time stamps must be "
          "in non-repeating ascending order."}},
        {"descending stamp", {5e-9, 6e-9, 5.5e-9, 7e-9}, r4, 1, -1, 1e12,
         {"ResponseTimeStamps[3] = 5.5e-09  <= ResponseTimeStamps[2] = 6e-09. Time stamps must be "
          "in non-repeating ascending order."}},
        {"zero rate", {0, 1e-12, 1e-12, 2e-12}, r4, 0, -1, 0.0, {"SampleRate must be > 0.0"}},
        {"negative rate", t4, r4, 1, -1, -6.6e11, {"SampleRate must be > 0.0"}},
        // Rates and spans from which no tap count can be formed: refused
        // before any allocation.
        {"NaN rate", t4, r4, 0, -1, nan, {"SampleRate must be > 0.0"}},
        {"NaN stamp", {0, nan, 2e-12, 3e-12}, r4, 0, -1, 1e12,
         {"ResponseTimeStamps[2] = nan  <= ResponseTimeStamps[1] = 0. Time stamps must be in "
          "non-repeating ascending order."}},
        {"infinite rate", t4, r4, 0, -1, inf,
         {"SampleRate inf times the response duration 3e-12 gives too many taps; at most 4194304 "
          "are allowed."}},
        {"infinite stamp", {0, 1e-12, 2e-12, inf}, r4, 1, -1, 1e12,
         {"SampleRate 1e+12 times the response duration inf gives too many taps; at most 4194304 "
          "are allowed."}},
        {"beyond 32 bits", t4, r4, 0, -1, 1e24,
         {"SampleRate 1e+24 times the response duration 3e-12 gives too many taps; at most "
          "4194304 are allowed."}},
        {"just too many", {0, 1, 2, 4194304}, r4, 0, -1, 1.0,
         {"SampleRate 1 times the response duration 4.1943e+06 gives too many taps; at most "
          "4194304 are allowed."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Table tb(c.t, c.r, c.type, c.rate);
        if (c.numTimeStamps >= 0) tb.fir.m_iNumTimeStamps = c.numTimeStamps;
        bool ok = true;
        std::string err = CaptureErr([&] { ok = tb.fir.Setup(); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(Lines(err), c.lines);
        EXPECT_EQ(tb.fir.m_pdTaps, nullptr) << "no taps after a failed Setup";
        EXPECT_FALSE(tb.fir.Initialize());
        EXPECT_TRUE(tb.fir.Finalize());
    }
}

// The stamps up to and including the failing one stay shifted.
TEST(TimeResponseFir, FailedOrderCheckLeavesShiftedPrefix)
{
    Table tb({2, 3, 4, 3.5, 5}, {1, 2, 3, 4, 5}, 0, 1.0);
    CaptureErr([&] { EXPECT_FALSE(tb.fir.Setup()); });
    EXPECT_EQ(tb.t, (std::vector<double>{0, 1, 2, 1.5, 5}));
}

TEST(TimeResponseFir, LargestTapCountIsBuilt)
{
    // Span 4194303 at rate 1 gives exactly MaxTaps taps.
    Table tb({0, 1, 2, 4194303}, {0, 1, 2, 3}, 0, 1.0);
    ASSERT_TRUE(tb.fir.Setup());
    EXPECT_EQ(tb.fir.m_iNumTaps, TimeResponseFIR::MaxTaps);
}

// ---- Interpolators -------------------------------------------------------

// With more than three knots the ends match the third derivative of the end
// cubics, so points of one cubic give back that cubic everywhere (also when
// extrapolating). Tolerance: the spline solve's rounding on O(1) values.
TEST(Spline, ReproducesCubicPolynomials)
{
    for (int n : {4, 5, 6, 9, 20, 57}) {
        SCOPED_TRACE("n=" + std::to_string(n));
        std::vector<double> x = Grid(-1.0, 2.0, n), y;
        for (double xi : x) y.push_back(Cubic(xi));
        std::vector<double> b(n), c(n), d(n);
        ASSERT_EQ(Interpolators<double>::Spline(n, 0, 0, 0.0, 0.0, x.data(), y.data(), b.data(),
                                                c.data(), d.data()),
                  0);
        int last = 0;
        for (double u = -1.5; u <= 2.5; u += 0.0371) {
            double v = Interpolators<double>::EvalSpline(n, u, x.data(), y.data(), b.data(),
                                                         c.data(), d.data(), last);
            EXPECT_NEAR(v, Cubic(u), 1e-11) << "u=" << u;
        }
        // The first-derivative coefficient at each knot is the slope there.
        for (int i = 0; i < n; ++i) EXPECT_NEAR(b[i], CubicSlope(x[i]), 1e-10) << "knot " << i;
    }
}

// Three knots: parabolic ends, so three points of a parabola give the parabola.
TEST(Spline, ThreePointsGiveTheParabola)
{
    double x[3] = {0.0, 0.7, 2.0};
    double y[3], b[3], c[3], d[3];
    auto q = [](double u) { return 2.0 - u + 0.5 * u * u; };
    for (int i = 0; i < 3; ++i) y[i] = q(x[i]);
    ASSERT_EQ(Interpolators<double>::Spline(3, 0, 0, 0, 0, x, y, b, c, d), 0);
    int last = 0;
    for (double u : {-0.5, 0.0, 0.3, 0.7, 1.4, 2.0, 3.0})
        EXPECT_NEAR(Interpolators<double>::EvalSpline(3, u, x, y, b, c, d, last), q(u), 1e-13);
}

TEST(Spline, TwoPointsGiveTheLine)
{
    double x[2] = {1.0, 3.0}, y[2] = {2.0, 5.0}, b[2], c[2], d[2];
    ASSERT_EQ(Interpolators<double>::Spline(2, 0, 0, 0, 0, x, y, b, c, d), 0);
    EXPECT_EQ(b[0], 1.5);
    EXPECT_EQ(b[1], 1.5);
    EXPECT_EQ(c[0], 0.0);
    EXPECT_EQ(d[1], 0.0);
    int last = 0;
    EXPECT_EQ(Interpolators<double>::EvalSpline(2, 5.0, x, y, b, c, d, last), 8.0);
}

// Clamped ends with the true end slopes also reproduce a cubic.
TEST(Spline, ClampedEndsReproduceTheCubic)
{
    std::vector<double> x = Grid(0.0, 1.5, 6), y;
    for (double xi : x) y.push_back(Cubic(xi));
    double b[6], c[6], d[6];
    ASSERT_EQ(Interpolators<double>::Spline(6, 1, 1, CubicSlope(0.0), CubicSlope(1.5), x.data(),
                                            y.data(), b, c, d),
              0);
    int last = 0;
    for (double u = 0.0; u <= 1.5; u += 0.05)
        EXPECT_NEAR(Interpolators<double>::EvalSpline(6, u, x.data(), y.data(), b, c, d, last),
                    Cubic(u), 1e-12);
}

TEST(Spline, BadInputWritesNothing)
{
    double x[4] = {0, 1, 1, 2}, y[4] = {0, 1, 2, 3};
    double b[4] = {7, 7, 7, 7}, c[4] = {7, 7, 7, 7}, d[4] = {7, 7, 7, 7};
    EXPECT_EQ(Interpolators<double>::Spline(1, 0, 0, 0, 0, x, y, b, c, d), 1);
    EXPECT_EQ(Interpolators<double>::Spline(0, 0, 0, 0, 0, x, y, b, c, d), 1);
    EXPECT_EQ(Interpolators<double>::Spline(4, 0, 0, 0, 0, x, y, b, c, d), 2);
    double xd[3] = {0, 2, 1};
    EXPECT_EQ(Interpolators<double>::Spline(3, 0, 0, 0, 0, xd, y, b, c, d), 2);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b[i], 7);
        EXPECT_EQ(c[i], 7);
        EXPECT_EQ(d[i], 7);
    }
}

// The interval hint: kept when it brackets u, searched otherwise; an
// out-of-range or NaN request still ends.
TEST(Spline, EvalSplineFindsTheInterval)
{
    double x[5] = {0, 1, 2, 3, 4}, y[5] = {0, 1, 4, 9, 16}, b[5], c[5], d[5];
    ASSERT_EQ(Interpolators<double>::Spline(5, 0, 0, 0, 0, x, y, b, c, d), 0);
    struct { int hint; double u; int interval; } cases[] = {
        {0, 0.5, 0}, {0, 2.5, 2}, {2, 2.5, 2}, {3, 0.2, 0}, {-4, 3.9, 3},
        {9, 1.0, 0}, {0, 4.0, 4}, {3, 4.0, 3}, {0, 7.0, 4}, {0, -3.0, 0},
    };
    for (const auto& cs : cases) {
        int last = cs.hint;
        Interpolators<double>::EvalSpline(5, cs.u, x, y, b, c, d, last);
        EXPECT_EQ(last, cs.interval) << "hint " << cs.hint << " u " << cs.u;
    }
    int last = 0;
    double v = Interpolators<double>::EvalSpline(5, std::nan(""), x, y, b, c, d, last);
    EXPECT_TRUE(std::isnan(v));
}

TEST(Spline, CubicSplineGrowsItsWorkArrays)
{
    Interpolators<double> s;
    double x4[4] = {0, 1, 2, 3}, y4[4];
    double x7[7] = {0, 0.5, 1, 2, 2.5, 3, 4}, y7[7];
    for (int i = 0; i < 4; ++i) y4[i] = Cubic(x4[i]);
    for (int i = 0; i < 7; ++i) y7[i] = Cubic(x7[i]);
    EXPECT_NEAR(s.CubicSpline(4, 1.3, x4, y4), Cubic(1.3), 1e-12);
    EXPECT_NEAR(s.CubicSpline(7, 3.3, x7, y7), Cubic(3.3), 1e-12);
    EXPECT_NEAR(s.CubicSpline(4, 2.9, x4, y4), Cubic(2.9), 1e-12);
    EXPECT_EQ(s.GetStatus(), 0);
}

// The three-point derivative is exact for quadratics at any t.
TEST(AnalyticalDifferntiation, ExactForQuadratics)
{
    struct { double x0, x1, x2, a, b, c; } cases[] = {
        {0, 1, 2, 1, 2, 3}, {-1, 0.25, 3, 0.5, -4, 1e-3}, {1e-12, 2e-12, 4.5e-12, 7, 2e12, -1e23},
    };
    for (const auto& k : cases) {
        double x[3] = {k.x0, k.x1, k.x2}, y[3];
        for (int i = 0; i < 3; ++i) y[i] = k.a + k.b * x[i] + k.c * x[i] * x[i];
        for (double f : {-0.5, 0.0, 0.5, 1.0, 1.7}) {
            double t = k.x0 + f * (k.x2 - k.x0);
            double want = k.b + 2 * k.c * t;
            EXPECT_NEAR(Vantrel::AnalyticalDifferntiation(t, x, y), want,
                        1e-9 * (std::fabs(k.b) + std::fabs(2 * k.c * t)) + 1e-12);
            TimeResponseFIR blk;
            EXPECT_EQ(blk.AnalyticalDifferntiation(t, x, y),
                      Vantrel::AnalyticalDifferntiation(t, x, y));
        }
    }
}

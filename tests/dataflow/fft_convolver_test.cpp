// FftConvolver against a direct-form convolution summed in long double:
// every output within the stated error bound, over transform sizes, tap
// counts, one or two segments and signals of very different scales.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dataflow/FftConvolver.h"

namespace {

struct Case {
    unsigned log2Size;
    size_t maxTaps;
    size_t taps;  // kernel length set (<= maxTaps; the rest are zero)
    bool two;     // two segments in one transform
    double scale; // input magnitude
};

TEST(FftConvolver, EveryOutputWithinTheBoundOfTheDirectSum)
{
    const Case cases[] = {
        {2, 1, 1, false, 1.0},     {2, 3, 3, true, 1.0},       {3, 5, 2, true, 1e-3},
        {5, 17, 17, false, 7.0},   {10, 300, 299, true, 1.0},  {12, 1472, 1471, true, 0.4},
        {13, 1472, 1472, true, 0.4}, {13, 1472, 1000, false, 1e200}, {13, 8191, 8191, false, 1e-200},
    };
    std::mt19937 rng(7);
    std::normal_distribution<double> normal;
    for (const Case& c : cases) {
        SCOPED_TRACE("log2 size " + std::to_string(c.log2Size) + ", taps " + std::to_string(c.taps));
        Vantrel::FftConvolver conv;
        ASSERT_TRUE(conv.Allocate(c.log2Size, c.maxTaps));
        const size_t L = conv.Size();
        ASSERT_EQ(conv.Outputs(), L - c.maxTaps + 1);
        std::vector<double> h(c.taps), a(L), b(L), ya(conv.Outputs(), -1.0), yb(conv.Outputs(), -1.0);
        double absSum = 0.0, maxAbs = 0.0;
        for (double& v : h) absSum += std::fabs(v = normal(rng));
        for (double& v : a) maxAbs = std::max(maxAbs, std::fabs(v = c.scale * normal(rng)));
        for (double& v : b) maxAbs = std::max(maxAbs, std::fabs(v = c.scale * normal(rng)));
        conv.SetTaps(h.data(), h.size());
        EXPECT_DOUBLE_EQ(conv.TapsAbsSum(), absSum);
        conv.Filter(a.data(), c.two ? b.data() : nullptr, ya.data(), yb.data());
        const double bound = conv.ErrorBound(c.two ? maxAbs : maxAbs);
        double worst = 0.0;
        for (size_t i = 0; i < conv.Outputs(); ++i) {
            for (int seg = 0; seg < (c.two ? 2 : 1); ++seg) {
                const std::vector<double>& x = seg ? b : a;
                long double exact = 0.0L;
                for (size_t j = 0; j < c.taps; ++j) exact += static_cast<long double>(h[j]) * x[c.maxTaps - 1 + i - j];
                const double err = std::fabs(static_cast<double>(exact - (seg ? yb[i] : ya[i])));
                ASSERT_LE(err, bound) << "segment " << seg << ", output " << i;
                worst = std::max(worst, err);
            }
        }
        if (!c.two) {
            for (double y : yb) EXPECT_EQ(y, -1.0);  // the second output is left alone
        }
        // The bound is generous: the rounding actually seen is far below it.
        EXPECT_LT(worst, 1e-3 * bound);
    }
}

TEST(FftConvolver, UnitKernelPassesTheInputAndSizesAreChecked)
{
    Vantrel::FftConvolver conv;
    EXPECT_FALSE(conv.Allocate(1, 1));     // fewer than 4 points
    EXPECT_FALSE(conv.Allocate(4, 16));    // taps must be fewer than the points
    EXPECT_FALSE(conv.Allocate(4, 0));
    EXPECT_FALSE(conv.IsAllocated());
    ASSERT_TRUE(conv.Allocate(4, 4));
    const double one = 1.0;
    conv.SetTaps(&one, 1);
    std::vector<double> x(16), y(conv.Outputs());
    for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<double>(i) - 3.5;
    conv.Filter(x.data(), nullptr, y.data(), nullptr);
    for (size_t i = 0; i < y.size(); ++i) EXPECT_NEAR(y[i], x[3 + i], 1e-14) << i;
}

}  // namespace

// FIR<double, false> against a direct-form reference convolution.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dataflow/FIR.h"
#include "tests/dataflow/StderrCapture.h"

using Vantrel::FIR;
using dftest::CaptureErr;
using dftest::Lines;

namespace {

// The textbook chain, written independently of the block: up-sample x by I
// (zeros between), convolve with h, keep samples D*r + phi.
// With magnitude set, sums |h[m] * u[k]| instead (for rounding bounds).
std::vector<double> ReferenceFir(const std::vector<double>& h, const std::vector<double>& x,
                                 int D, int phi, int I, size_t outputs, bool magnitude = false)
{
    std::vector<double> u(x.size() * I, 0.0);
    for (size_t n = 0; n < x.size(); ++n) u[n * I] = x[n];
    std::vector<double> y(outputs, 0.0);
    for (size_t r = 0; r < outputs; ++r) {
        long long m0 = static_cast<long long>(D) * r + phi;
        double acc = 0.0;
        for (size_t m = 0; m < h.size(); ++m) {
            long long k = m0 - static_cast<long long>(m);
            if (k < 0) break;
            if (k % I != 0) continue;  // inserted zero: no term
            acc += magnitude ? std::fabs(h[m] * u[k]) : h[m] * u[k];
        }
        y[r] = acc;
    }
    return y;
}

// Drives a FIR through its lifecycle with port storage of exactly one firing.
struct Harness {
    FIR<double, false> fir;
    std::vector<double> in, out;

    bool Setup(const std::vector<double>& h, int D, int phi, int I, bool pairwise = false)
    {
        fir.PairwiseSum = pairwise;
        fir.m_pdTaps = h.data();
        fir.m_iNumTaps = static_cast<int>(h.size());
        fir.Decimation = D;
        fir.DecimationPhase = phi;
        fir.Interpolation = I;
        if (!fir.Setup()) return false;
        in.assign(D, 0.0);
        out.assign(I, 0.0);
        fir.Input.SetBuffer(in.data(), in.size(), D, 0);
        fir.Output.SetBuffer(out.data(), out.size(), I, 0);
        return fir.Initialize();
    }

    // Feeds x (a multiple of D samples) and returns every output.
    std::vector<double> Feed(const std::vector<double>& x)
    {
        std::vector<double> y;
        const size_t D = in.size();
        for (size_t f = 0; f + D <= x.size(); f += D) {
            for (size_t i = 0; i < D; ++i) fir.Input[i] = x[f + i];
            EXPECT_TRUE(fir.Run());
            for (size_t o = 0; o < out.size(); ++o) y.push_back(fir.Output[o]);
        }
        return y;
    }
};

std::vector<double> Random(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(n);
    for (double& e : v) e = dist(gen);
    return v;
}

}  // namespace

// Every combination of tap count, decimation, phase and interpolation agrees
// with the reference. Both sum the same non-zero products in the same order
// (newest input first) from 0.0, so the results must be bit-identical.
TEST(Fir, MatchesDirectFormOverManyRates)
{
    const int tapCounts[] = {1, 2, 3, 4, 5, 7, 13, 31, 64, 127};
    const int decimations[] = {1, 2, 3, 5};
    const int interpolations[] = {1, 2, 3, 4, 7};
    unsigned seed = 1;
    int cases = 0;
    for (int N : tapCounts)
        for (int D : decimations)
            for (int phi = 0; phi < D; ++phi)
                for (int I : interpolations) {
                    SCOPED_TRACE("N=" + std::to_string(N) + " D=" + std::to_string(D) +
                                 " phi=" + std::to_string(phi) + " I=" + std::to_string(I));
                    std::vector<double> h = Random(N, seed++);
                    // Enough firings to fill the window several times over.
                    size_t firings = 3 * (N / I + D + 1) + 11;
                    std::vector<double> x = Random(firings * D, seed++);
                    Harness hs;
                    ASSERT_TRUE(hs.Setup(h, D, phi, I));
                    EXPECT_EQ(hs.fir.m_iTapsPerPhase, (N + I - 1) / I);
                    EXPECT_EQ(hs.fir.GetWindowSize(), size_t(N / I + D + 1));
                    std::vector<double> y = hs.Feed(x);
                    ASSERT_EQ(y.size(), firings * I);
                    std::vector<double> ref = ReferenceFir(h, x, D, phi, I, y.size());
                    for (size_t r = 0; r < y.size(); ++r) ASSERT_EQ(y[r], ref[r]) << "output " << r;

                    // The reordered sum: within the summation bound of both sums,
                    // 2 * P * 2^-53 * sum |terms|.
                    Harness fast;
                    ASSERT_TRUE(fast.Setup(h, D, phi, I, true));
                    std::vector<double> yf = fast.Feed(x);
                    std::vector<double> mag = ReferenceFir(h, x, D, phi, I, y.size(), true);
                    const double P = (N + I - 1) / I;
                    for (size_t r = 0; r < y.size(); ++r)
                        ASSERT_NEAR(yf[r], ref[r], 2.0 * P * 1.12e-16 * mag[r]) << "output " << r;
                    ++cases;
                }
    EXPECT_EQ(cases, 10 * (1 + 2 + 3 + 5) * 5);
}

TEST(Fir, DefaultsAreACausalConvolutionFromRest)
{
    std::vector<double> h = {1.0, 0.5};
    Harness hs;
    ASSERT_TRUE(hs.Setup(h, 1, 0, 1));
    EXPECT_EQ(hs.Feed({1.0, 0.0, 0.0}), (std::vector<double>{1.0, 0.5, 0.0}));
}

// Taps that are distinct powers of two show which taps each phase uses.
TEST(Fir, InterpolationPhasesUseTheirOwnTaps)
{
    std::vector<double> h = {1, 2, 4, 8, 16};  // N = 5, I = 2: P = 3
    Harness hs;
    ASSERT_TRUE(hs.Setup(h, 1, 0, 2));
    EXPECT_EQ(hs.fir.m_iTapsPerPhase, 3);
    // A constant input of 1: phase 0 sums taps 0, 2, 4; phase 1 taps 1, 3.
    std::vector<double> y = hs.Feed({1, 1, 1, 1});
    EXPECT_EQ(y, (std::vector<double>{1, 2, 1 + 4, 2 + 8, 1 + 4 + 16, 2 + 8, 21, 10}));
}

// D = 3, I = 2, phi = 1: two outputs per firing, the up-sampled samples 1 and
// 4 of that firing; with a single tap they are the inputs themselves.
TEST(Fir, RationalRateKeepsTheSelectedPhase)
{
    std::vector<double> h = {1.0};
    Harness hs;
    ASSERT_TRUE(hs.Setup(h, 3, 1, 2));
    // u of the first firing: x0 0 x1 0 x2 0; samples 1 and 4 are 0 and x2.
    // The block's r-th output is u[3r + 1]: u1 = 0, u4 = x2, u7 = 0, u10 = x5.
    std::vector<double> y = hs.Feed({10, 11, 12, 13, 14, 15});
    EXPECT_EQ(y, (std::vector<double>{0, 12, 0, 15}));
}

TEST(Fir, DecimationKeepsPhaseOne)
{
    std::vector<double> h = {1.0, 0.25};
    Harness hs;
    ASSERT_TRUE(hs.Setup(h, 2, 1, 1));
    // Outputs at inputs 1, 3, 5: x1 + x0/4, x3 + x2/4, ...
    EXPECT_EQ(hs.Feed({4, 8, 12, 16, 20, 24}), (std::vector<double>{9, 19, 29}));
}

TEST(Fir, SetupSetsRatesAndDepth)
{
    std::vector<double> h(10, 1.0);
    FIR<double, false> f;
    f.m_pdTaps = h.data();
    f.m_iNumTaps = 10;
    f.Decimation = 3;
    f.DecimationPhase = 2;
    f.Interpolation = 4;
    ASSERT_TRUE(f.Setup());
    EXPECT_EQ(f.Input.GetRate(), 3u);
    EXPECT_EQ(f.Output.GetRate(), 4u);
    EXPECT_EQ(f.GetWindowSize(), size_t(10 / 4 + 3 + 1));
    EXPECT_EQ(f.m_iTapsPerPhase, 3);
}

// Re-initializing restarts from rest; the taps and rates stay.
TEST(Fir, InitializeAgainStartsFromRest)
{
    std::vector<double> h = Random(9, 77);
    std::vector<double> x = Random(40, 78);
    Harness hs;
    ASSERT_TRUE(hs.Setup(h, 1, 0, 1));
    std::vector<double> first = hs.Feed(x);
    ASSERT_TRUE(hs.fir.Initialize());
    EXPECT_EQ(hs.Feed(x), first);
    EXPECT_TRUE(hs.fir.Finalize());
    EXPECT_TRUE(hs.fir.Finalize());  // a second Finalize is harmless
}

// The owner may present inputs in a larger circular port that it advances
// itself; where element 0 sits in storage must not change the result.
TEST(Fir, OutputIndependentOfPortStoragePosition)
{
    std::vector<double> h = Random(23, 5);
    std::vector<double> x = Random(3 * 50, 6);
    Harness whole;
    ASSERT_TRUE(whole.Setup(h, 3, 2, 2));
    std::vector<double> expected = whole.Feed(x);

    FIR<double, false> f;
    f.m_pdTaps = h.data();
    f.m_iNumTaps = 23;
    f.Decimation = 3;
    f.DecimationPhase = 2;
    f.Interpolation = 2;
    ASSERT_TRUE(f.Setup());
    std::vector<double> inStore(7, 0.0), outStore(5, 0.0);  // prime sizes: wrap everywhere
    f.Input.SetBuffer(inStore.data(), 7, 3, 4);
    f.Output.SetBuffer(outStore.data(), 5, 2, 3);
    ASSERT_TRUE(f.Initialize());
    std::vector<double> y;
    for (size_t k = 0; k + 3 <= x.size(); k += 3) {
        for (size_t i = 0; i < 3; ++i) f.Input[i] = x[k + i];
        ASSERT_TRUE(f.Run());
        y.push_back(f.Output[0]);
        y.push_back(f.Output[1]);
        f.Input.Advance();
        f.Output.Advance();
    }
    EXPECT_EQ(y, expected);
}

TEST(Fir, KernelDotWindowWrapsAroundStorage)
{
    // Window storage 0..5 holding s[e] = 10 + e with start 4: s[0] at position 4.
    const double store[6] = {12, 13, 14, 15, 10, 11};
    const double h[4] = {1, 2, 3, 4};
    // w = 3 (s[3] = 13 at position 1): 1*13 + 2*12 + 3*11 + 4*10.
    EXPECT_EQ(Vantrel::FirKernel::DotWindow(h, 1, 4, store, 6, 4, 3), 13 + 24 + 33 + 40);
    // Stride 2 uses taps 0 and 2 only.
    EXPECT_EQ(Vantrel::FirKernel::DotWindow(h, 2, 2, store, 6, 4, 3), 13 + 3 * 12);
    EXPECT_EQ(Vantrel::FirKernel::BranchLength(5, 2, 0), 3u);
    EXPECT_EQ(Vantrel::FirKernel::BranchLength(5, 2, 1), 2u);
    EXPECT_EQ(Vantrel::FirKernel::BranchLength(1, 7, 3), 0u);
}

// Bad configurations: every applicable message, exactly and in order.
TEST(Fir, SetupMessages)
{
    struct Case {
        int N, D, phi, I;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {0, 1, 0, 1, {"There must be at least one Tap"}},
        {0, 1, 0, 0, {"There must be at least one Tap", "Interpolation must be > 0"}},
        {4, 0, 0, 1, {"Decimation must be > 0", "DecimationPhase must be < Decimation ratio"}},
        {4, 2, -1, 1, {"DecimationPhase must be >= 0"}},
        {4, 2, 2, 1, {"DecimationPhase must be < Decimation ratio"}},
        {4, 1, 0, -3, {"Interpolation must be > 0"}},
        {-1, -1, -1, 0,
         {"There must be at least one Tap", "Decimation must be > 0",
          "DecimationPhase must be >= 0", "DecimationPhase must be < Decimation ratio",
          "Interpolation must be > 0"}},
        // Windows that cannot be formed: refused, never allocated.
        {INT_MAX, INT_MAX, 0, 1, {"The history window of the filter is too large"}},
        {1 << 24, 1, 0, 1, {"The history window of the filter is too large"}},
    };
    double tap = 1.0;
    for (const Case& c : cases) {
        SCOPED_TRACE("N=" + std::to_string(c.N) + " D=" + std::to_string(c.D) +
                     " phi=" + std::to_string(c.phi) + " I=" + std::to_string(c.I));
        FIR<double, false> f;
        f.m_pdTaps = &tap;  // never read: Setup must fail before any use
        f.m_iNumTaps = c.N;
        f.Decimation = c.D;
        f.DecimationPhase = c.phi;
        f.Interpolation = c.I;
        bool ok = true;
        std::string err = CaptureErr([&] { ok = f.Setup(); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(Lines(err), c.lines);
        EXPECT_EQ(f.Input.GetRate(), 1u) << "a failed Setup changes nothing";
        EXPECT_FALSE(f.Initialize()) << "no window without a successful Setup";
        EXPECT_TRUE(f.Finalize());
    }
}

// The largest accepted window is exactly the limit.
TEST(Fir, WindowAtTheLimitIsAccepted)
{
    FIR<double, false> f;
    double tap = 1.0;
    f.m_pdTaps = &tap;
    f.m_iNumTaps = static_cast<int>(FIR<double, false>::MaxWindow) - 2;
    EXPECT_TRUE(f.Setup());
    EXPECT_EQ(f.GetWindowSize(), size_t(FIR<double, false>::MaxWindow));
}

TEST(Fir, RunWithoutInitializeFailsQuietly)
{
    std::vector<double> h = {1.0};
    FIR<double, false> f;
    f.m_pdTaps = h.data();
    f.m_iNumTaps = 1;
    ASSERT_TRUE(f.Setup());
    EXPECT_FALSE(f.Run());
}

// The lane sum: exact where every partial sum is exact (small integers);
// otherwise within (count/16 + 4) * 2^-53 * sum |h x| of the exact sum,
// formed here in long double (64-bit mantissa; its own error, count * 2^-64
// relative, is covered by one more unit of the bound).
TEST(FirKernel, LaneSumAgainstDirectForm)
{
    using Vantrel::FirKernel::DotLanes;
    for (size_t count : {0u, 1u, 3u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 620u, 1471u}) {
        for (size_t stride : {1u, 3u}) {
            SCOPED_TRACE(std::to_string(count) + " taps, stride " + std::to_string(stride));
            std::vector<double> h(count * stride + 1), x(count + 1);
            for (size_t i = 0; i < h.size(); ++i) h[i] = double(int(i * 7 % 13) - 6);
            for (size_t i = 0; i < x.size(); ++i) x[i] = double(int(i * 5 % 11) - 5);
            double small = 0.0;  // every partial sum an exact small integer
            for (size_t j = 0; j < count; ++j) small += h[j * stride] * x[j];
            EXPECT_EQ(DotLanes(h.data(), stride, x.data(), count), small);
            const std::vector<double> hr = Random(h.size(), 11 + unsigned(count));
            const std::vector<double> xr = Random(x.size(), 12 + unsigned(count));
            long double exact = 0.0L, magnitude = 0.0L;
            for (size_t j = 0; j < count; ++j) {
                exact += static_cast<long double>(hr[j * stride]) * xr[j];
                magnitude += std::fabs(static_cast<long double>(hr[j * stride]) * xr[j]);
            }
            const double lanes = DotLanes(hr.data(), stride, xr.data(), count);
            const double bound = double((count / 16 + 5) * 0x1p-53L * magnitude);
            EXPECT_LE(std::fabs(static_cast<long double>(lanes) - exact), bound) << lanes;
        }
    }
}

// The dispatched version, the portable one and (where the processor has it)
// the AVX2 one give the same bits for every count (every tail length), both
// strides and unaligned operands.
TEST(FirKernel, LaneSumVersionsAgreeBitForBit)
{
    namespace K = Vantrel::FirKernel;
    const bool avx2 = K::DotLanesAvx2Available();
    std::vector<size_t> counts;
    for (size_t c = 0; c <= 70; ++c) counts.push_back(c);
    counts.insert(counts.end(), {620u, 1471u, 1472u});
    int compared = 0;
    for (size_t count : counts)
        for (size_t stride : {1u, 2u})
            for (size_t offset : {0u, 1u, 3u}) {
                const std::vector<double> h = Random(count * stride + 4, 40 + unsigned(count));
                const std::vector<double> x = Random(count + 4, 41 + unsigned(count));
                const double portable = K::DotLanesPortable(h.data() + offset, stride, x.data() + (3 - offset), count);
                ASSERT_EQ(K::DotLanes(h.data() + offset, stride, x.data() + (3 - offset), count), portable)
                    << count << " taps, stride " << stride << ", offset " << offset;
                if (!avx2) continue;
                ASSERT_EQ(K::DotLanesAvx2(h.data() + offset, stride, x.data() + (3 - offset), count), portable)
                    << count << " taps, stride " << stride << ", offset " << offset;
                ++compared;
            }
    if (!avx2) GTEST_SKIP() << "no AVX2 on this processor: only the portable version was checked";
    EXPECT_EQ(compared, int(counts.size()) * 6);
}

// With the lane sum, where the window lies in storage does not matter: the
// same signal after any number of earlier firings (so that the history's
// newest position takes every value) gives the same bits once the window
// holds only the signal. Over rates and phases, including a filter of 1 tap.
TEST(Fir, LaneSumIndependentOfHistoryPosition)
{
    const struct { int N, D, phi, I; } rates[] = {
        {1, 1, 0, 1}, {29, 1, 0, 1}, {37, 2, 1, 1}, {31, 3, 2, 4}, {23, 1, 0, 3}};
    unsigned seed = 300;
    for (const auto& r : rates) {
        SCOPED_TRACE("N=" + std::to_string(r.N) + " D=" + std::to_string(r.D) +
                     " phi=" + std::to_string(r.phi) + " I=" + std::to_string(r.I));
        const std::vector<double> h = Random(static_cast<size_t>(r.N), seed++);
        const size_t H = static_cast<size_t>(r.N / r.I + r.D + 1);
        const std::vector<double> x = Random((3 * H + 5) * r.D, seed++);
        std::vector<double> expected;
        for (size_t before = 0; before <= 2 * H; ++before) {
            Harness hs;
            ASSERT_TRUE(hs.Setup(h, r.D, r.phi, r.I, true));
            hs.Feed(Random(before * r.D, seed++));
            std::vector<double> y = hs.Feed(x);
            // The first H firings may still reach the earlier inputs.
            y.erase(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(H * r.I));
            if (before == 0) expected = y;
            else ASSERT_EQ(y, expected) << before << " firings before";
        }
    }
}

// PairwiseSum is taken by Initialize: changing it later changes nothing
// until the next Initialize, which starts from rest in the new way.
TEST(Fir, PairwiseSumTakesEffectAtInitialize)
{
    const std::vector<double> h = Random(40, 77), x = Random(60, 78);
    Harness inOrder, lanes, switched;
    ASSERT_TRUE(inOrder.Setup(h, 1, 0, 1, false));
    ASSERT_TRUE(lanes.Setup(h, 1, 0, 1, true));
    ASSERT_TRUE(switched.Setup(h, 1, 0, 1, false));
    switched.fir.PairwiseSum = true;
    EXPECT_EQ(switched.Feed(x), inOrder.Feed(x));
    ASSERT_TRUE(switched.fir.Initialize());
    EXPECT_EQ(switched.Feed(x), lanes.Feed(x));
}

// Feed keeps the history exactly as Run does: a filter fed on some firings
// and run on the others gives, at every firing it runs, the same bits as one
// run on every firing, over rates, phases and both kernels; Feed leaves the
// output untouched and, like Run, fails before Initialize.
TEST(Fir, FeedKeepsTheHistoryOfRun)
{
    const struct { int N, D, phi, I; } rates[] = {
        {1, 1, 0, 1}, {13, 1, 0, 1}, {64, 2, 1, 1}, {31, 3, 2, 4}, {127, 1, 0, 3}, {620, 1, 0, 1}};
    unsigned seed = 900;
    for (const auto& r : rates)
        for (bool pairwise : {false, true}) {
            SCOPED_TRACE("N=" + std::to_string(r.N) + " D=" + std::to_string(r.D) +
                         " I=" + std::to_string(r.I) + (pairwise ? " pairwise" : " in order"));
            const std::vector<double> h = Random(static_cast<size_t>(r.N), seed++);
            const size_t firings = 4 * static_cast<size_t>(r.N / r.I + r.D + 1) + 17;
            const std::vector<double> x = Random(firings * r.D, seed++);
            Harness all, mixed;
            ASSERT_TRUE(all.Setup(h, r.D, r.phi, r.I, pairwise));
            ASSERT_TRUE(mixed.Setup(h, r.D, r.phi, r.I, pairwise));
            const std::vector<double> ref = all.Feed(x);
            std::mt19937 gen(seed++);
            size_t ran = 0;
            for (size_t f = 0; f < firings; ++f) {
                for (int i = 0; i < r.D; ++i) mixed.fir.Input[i] = x[f * r.D + i];
                if (gen() % 3 == 0) {  // fed: the output keeps a marker
                    for (double& o : mixed.out) o = 12345.0;
                    ASSERT_TRUE(mixed.fir.Feed());
                    for (double o : mixed.out) ASSERT_EQ(o, 12345.0);
                    continue;
                }
                ASSERT_TRUE(mixed.fir.Run());
                ++ran;
                for (int o = 0; o < r.I; ++o) ASSERT_EQ(mixed.out[o], ref[f * r.I + o]) << "firing " << f;
            }
            EXPECT_GT(ran, firings / 2);
        }
    FIR<double, false> idle;
    std::vector<double> h = {1.0};
    idle.m_pdTaps = h.data();
    idle.m_iNumTaps = 1;
    ASSERT_TRUE(idle.Setup());
    EXPECT_FALSE(idle.Feed());
}

// Setup after Initialize: with the same window the filter runs on with its
// history; with another window size the old history is dropped, Run and Feed
// fail until Initialize (never reading past the old window), and then the
// filter starts from rest with the new taps.
TEST(Fir, SetupAgainAfterInitialize)
{
    for (bool lanes : {false, true}) {
        SCOPED_TRACE(lanes ? "lane sum" : "in order");
        const std::vector<double> x = Random(300, 77);
        const std::vector<double> h1 = Random(40, 78);
        Harness a, ref;
        ASSERT_TRUE(a.Setup(h1, 1, 0, 1, lanes));
        ASSERT_TRUE(ref.Setup(h1, 1, 0, 1, lanes));
        std::vector<double> first(x.begin(), x.begin() + 100), rest(x.begin() + 100, x.end());
        a.Feed(first);
        ASSERT_TRUE(a.fir.Setup());  // same taps, same window: the history stays
        std::vector<double> y = a.Feed(rest), yr = ref.Feed(x);
        EXPECT_EQ(y, std::vector<double>(yr.begin() + 100, yr.end()));

        for (size_t taps : {size_t(400), size_t(3)}) {
            const std::vector<double> h2 = Random(taps, 79 + unsigned(taps));
            a.fir.m_pdTaps = h2.data();
            a.fir.m_iNumTaps = static_cast<int>(taps);
            ASSERT_TRUE(a.fir.Setup());
            a.fir.Input[0] = 1.0;
            EXPECT_FALSE(a.fir.Run()) << taps;
            EXPECT_FALSE(a.fir.Feed()) << taps;
            ASSERT_TRUE(a.fir.Initialize());
            const std::vector<double> y2 = a.Feed(x), ref2 = ReferenceFir(h2, x, 1, 0, 1, x.size());
            if (!lanes) {
                EXPECT_EQ(y2, ref2) << taps;
                continue;
            }
            // The lane sum: within the summation bound of both sums.
            const std::vector<double> mag = ReferenceFir(h2, x, 1, 0, 1, x.size(), true);
            ASSERT_EQ(y2.size(), ref2.size());
            for (size_t r = 0; r < y2.size(); ++r)
                ASSERT_NEAR(y2[r], ref2[r], 2.0 * double(taps) * 0x1p-53 * mag[r])
                << taps << " taps, output " << r;
        }
    }
}

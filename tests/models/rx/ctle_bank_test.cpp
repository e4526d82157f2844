// The shared input history of the CTLE bank against FIR blocks (lane sum, as
// the receiver runs them) that each run on every sample: the same output, bit
// for bit, whichever filter is asked, wherever the window lies in storage.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dataflow/FIR.h"
#include "models/rx/CtleBank.h"

namespace {

// A FIR block with its own taps, the lane sum and single-item ports.
struct Block {
    std::vector<double> taps;
    double in = 0.0, out = 0.0;
    Vantrel::FIR<double, false> fir;

    explicit Block(std::vector<double> t) : taps(std::move(t))
    {
        fir.m_pdTaps = taps.data();
        fir.m_iNumTaps = static_cast<int>(taps.size());
        fir.PairwiseSum = true;
        fir.Input.SetBuffer(&in, 1, 1, 0);
        fir.Output.SetBuffer(&out, 1, 1, 0);
    }
};

TEST(CtleSharedHistory, SameBitsAsFilterBlocksWhileTheSelectionMoves)
{
    // Filters of different lengths (1 tap, primes, the longest last) with
    // random taps; random input; the selected filter changes often.
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const size_t lengths[] = {1, 2, 7, 97, 1471, 1472};
    std::vector<Block*> blocks;
    size_t longest = 0;
    for (size_t n : lengths) {
        std::vector<double> taps(n);
        for (double& t : taps) t = u(rng) * 1e-3;
        blocks.push_back(new Block(taps));
        ASSERT_TRUE(blocks.back()->fir.Setup());
        ASSERT_TRUE(blocks.back()->fir.Initialize());
        longest = std::max(longest, n);
    }
    CtleSharedHistory history;
    ASSERT_TRUE(history.Allocate(longest));
    size_t selected = 0;
    for (int n = 0; n < 6000; ++n) {
        const double x = u(rng);
        for (Block* b : blocks) {
            b->in = x;
            ASSERT_TRUE(b->fir.Run());
        }
        history.Push(x);
        if (n % 37 == 0) selected = static_cast<size_t>(rng() % blocks.size());
        const Block& b = *blocks[selected];
        // Bit-for-bit equality: the same lane sum over the same inputs.
        ASSERT_EQ(history.Output(b.taps.data(), b.taps.size()), b.out) << "sample " << n << ", filter " << selected;
    }
    for (Block* b : blocks) delete b;
}

TEST(CtleSharedHistory, StartsFromRestAndRefusesAnEmptyWindow)
{
    CtleSharedHistory history;
    EXPECT_FALSE(history.Allocate(0));
    EXPECT_FALSE(history.IsAllocated());
    ASSERT_TRUE(history.Allocate(3));
    const double taps[3] = {1.0, 10.0, 100.0};
    history.Push(2.0);
    EXPECT_EQ(history.Output(taps, 3), 2.0);
    history.Push(3.0);
    EXPECT_EQ(history.Output(taps, 3), 3.0 + 20.0);
    history.Push(5.0);
    history.Push(7.0);  // the window wraps: 7, 5, 3
    EXPECT_EQ(history.Output(taps, 3), 7.0 + 50.0 + 300.0);
    EXPECT_EQ(history.Output(taps, 1), 7.0);
    // A new allocation starts again from rest.
    ASSERT_TRUE(history.Allocate(3));
    EXPECT_EQ(history.Output(taps, 3), 0.0);
}

// The window position must not matter: a signal pushed after any number of
// earlier samples (so that its window starts at every storage position and
// wraps at every tap) gives the same bits once the window is all its own.
TEST(CtleSharedHistory, OutputIndependentOfWhereTheWindowLies)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (size_t window : {1u, 17u, 97u}) {
        std::vector<double> taps(window), signal(3 * window + 5);
        for (double& t : taps) t = u(rng);
        for (double& x : signal) x = u(rng);
        std::vector<double> expected;
        for (size_t before = 0; before < 2 * window + 1; ++before) {
            CtleSharedHistory history;
            ASSERT_TRUE(history.Allocate(window));
            for (size_t i = 0; i < before; ++i) history.Push(1e3 * u(rng));
            std::vector<double> y;
            for (size_t i = 0; i < signal.size(); ++i) {
                history.Push(signal[i]);
                if (i + 1 >= window) y.push_back(history.Output(taps.data(), window));
            }
            if (before == 0) expected = y;
            else ASSERT_EQ(y, expected) << "window " << window << ", " << before << " samples before";
        }
    }
}

// CtleLookahead against the lane sum of the shared history: for announced
// blocks of sizes around the segment length, with the filter switching now
// and then, every output it gives lies within its bound of the exact sum; it
// refuses where it must (fewer than kMinSegment inputs left, an input that
// was not announced, non-finite inputs in the segment).
TEST(CtleLookahead, WithinItsBoundAcrossBlocksAndFilterChanges)
{
    std::mt19937_64 rng(16);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const size_t window = 1472;
    std::vector<std::vector<double>> filters;
    for (size_t n : {size_t(1), size_t(97), size_t(1471), window}) {
        filters.emplace_back(n);
        for (double& t : filters.back()) t = u(rng) * 1e-2;
    }
    size_t S = 0;
    {
        CtleLookahead probe;
        ASSERT_TRUE(probe.Allocate(window));
        S = probe.LongestSegment();
        EXPECT_EQ(S, 8192 - window + 1);
    }
    struct Case {
        size_t block;
        size_t switchEvery;
    };
    const Case cases[] = {{1, 500}, {63, 500}, {64, 500}, {577, 300}, {1000, 333}, {2625, 900},
                          {S, 5000}, {S + 1, 5000},
                          {2 * S, 7000}, {2 * S + 1, 100000}, {40000, 2500}};
    for (const Case& c : cases) {
        SCOPED_TRACE("block " + std::to_string(c.block));
        CtleSharedHistory history;
        CtleLookahead ahead;
        ASSERT_TRUE(history.Allocate(window));
        ASSERT_TRUE(ahead.Allocate(window));
        std::vector<double> signal(60000);
        for (double& x : signal) x = u(rng);
        size_t given = 0, selected = 0;
        std::vector<double> buf;
        for (size_t pos = 0; pos < signal.size(); pos += c.block) {
            // A copy of the block, each input overwritten once taken (as
            // AMI_GetWave writes its outputs over them).
            const size_t n = std::min(c.block, signal.size() - pos);
            buf.assign(signal.begin() + pos, signal.begin() + pos + n);
            ahead.Announce(buf.data(), n);
            for (size_t i = 0; i < n; ++i) {
                const size_t k = pos + i;
                if (k % c.switchEvery == 0) selected = (selected + 1) % filters.size();
                const std::vector<double>& h = filters[selected];
                history.Push(signal[k]);
                ASSERT_TRUE(ahead.Take(signal[k]));
                double y = 0.0, bound = -1.0;
                const double exact = history.Output(h.data(), h.size());
                if (ahead.Value(h.data(), h.size(), history, &y, &bound)) {
                    ASSERT_LE(std::fabs(y - exact), bound) << "sample " << k;
                    ASSERT_LT(bound, 1e-8);
                    ++given;
                } else {
                    ASSERT_LT(n - i, c.block < CtleLookahead::kMinSegment ? c.block + 1 : CtleLookahead::kMinSegment)
                        << "refused at sample " << k;
                }
                buf[i] = 1e6;
            }
        }
        if (c.block >= CtleLookahead::kMinSegment) EXPECT_GT(given, signal.size() / 2);
        else EXPECT_EQ(given, 0u);
    }
}

TEST(CtleLookahead, RefusesWhatWasNotAnnouncedAndNonFiniteSegments)
{
    const size_t window = 16;
    std::vector<double> h(window, 0.125);
    CtleSharedHistory history;
    CtleLookahead ahead;
    ASSERT_TRUE(history.Allocate(window));
    ASSERT_TRUE(ahead.Allocate(window));
    const size_t S = ahead.LongestSegment();
    std::vector<double> signal(4 * S, 0.5);
    signal[100] = std::numeric_limits<double>::quiet_NaN();
    ahead.Announce(signal.data(), signal.size());
    double y = 0.0, bound = 0.0;
    size_t refused = 0;
    for (size_t k = 0; k < 3 * S; ++k) {
        history.Push(signal[k]);
        ASSERT_TRUE(ahead.Take(signal[k]));
        if (!ahead.Value(h.data(), h.size(), history, &y, &bound)) ++refused;
    }
    // The NaN lies in the first transform (two segments): both are summed exactly.
    EXPECT_EQ(refused, 2 * S);
    // An input other than the announced one drops the announcement.
    history.Push(0.25);
    EXPECT_FALSE(ahead.Take(0.25));
    EXPECT_FALSE(ahead.Value(h.data(), h.size(), history, &y, &bound));
    history.Push(signal[3 * S + 1]);
    EXPECT_FALSE(ahead.Take(signal[3 * S + 1]));
    EXPECT_FALSE(ahead.Value(h.data(), h.size(), history, &y, &bound));
}

}  // namespace

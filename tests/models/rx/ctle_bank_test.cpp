// The shared input history of the CTLE bank against FIR blocks (lane sum, as
// the receiver runs them) that each run on every sample: the same output, bit
// for bit, whichever filter is asked, wherever the window lies in storage.
#include <gtest/gtest.h>

#include <random>
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

}  // namespace

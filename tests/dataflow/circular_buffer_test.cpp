// Circular buffers and buses: addressing, wrap-around, copies, zeroing,
// storage ownership and the precondition stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "dataflow/CircularBuffer.h"

using Vantrel::CircularBuffer;
using Vantrel::CircularBufferBusT;

namespace {

TEST(CircularBuffer, NewBufferIsDetachedWithUnitRateAndDepth)
{
    CircularBuffer<double> d;
    CircularBuffer<int> i;
    EXPECT_EQ(d.GetRate(), 1u);
    EXPECT_EQ(d.GetHistoryDepth(), 1u);
    EXPECT_EQ(d.GetSize(), 0u);
    EXPECT_EQ(d.GetItemSize(), 8u);
    EXPECT_EQ(i.GetItemSize(), 4u);
    EXPECT_EQ(d.GetBufferMemory(), nullptr);
}

TEST(CircularBuffer, RateRaisesHistoryDepth)
{
    CircularBuffer<double> b;
    b.SetRate(4);
    EXPECT_EQ(b.GetHistoryDepth(), 4u);
    b.SetHistoryDepth(7);
    EXPECT_EQ(b.GetHistoryDepth(), 7u);
    b.SetRate(2);  // lowering the rate keeps the depth
    EXPECT_EQ(b.GetHistoryDepth(), 7u);
}

TEST(CircularBufferDeathTest, PreconditionsStopWithTheirText)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    double storage[5] = {};
    CircularBuffer<double> b;
    b.SetRate(4);
    EXPECT_DEATH(b.SetHistoryDepth(3), "iHistoryDepth >= m_iRate");
    EXPECT_DEATH(b.SetBuffer(storage, 5, 6, 0), "iAdvanceRate <= iNumberItems");
    EXPECT_DEATH(b.SetBuffer(storage, 5, 1, 5), "iStartLocation < iNumberItems");
    CircularBuffer<double> empty;
    EXPECT_DEATH(empty[0], "m_pBuffer");
    EXPECT_DEATH(empty.Advance(), "m_pBuffer");

    CircularBuffer<double> four;
    four.SetBuffer(storage, 4, 1, 3);
    EXPECT_DEATH(four.IndexAt(8), "iIndex < 2\\*m_iSize");
    EXPECT_DEATH(four.IndexAt(5), "iIndex < m_iSize");
    CircularBuffer<int> other;
    int istorage[4] = {};
    other.SetBuffer(istorage, 4, 1, 0);
    EXPECT_DEATH(four.Copy(0, &other, 0, 1), "dynamic_cast<CircularBuffer<T>\\*>\\(pDestination\\)");
}

TEST(CircularBuffer, IndexAtWrapsOnce)
{
    double storage[5] = {};
    CircularBuffer<double> b;
    b.SetBuffer(storage, 5, 2, 3);
    EXPECT_EQ(b.IndexAt(0), 3u);
    EXPECT_EQ(b.IndexAt(1), 4u);
    EXPECT_EQ(b.IndexAt(2), 0u);
    EXPECT_EQ(b.IndexAt(6), 4u);
    b.Advance();
    EXPECT_EQ(b.GetStartLocation(), 0u);

    CircularBuffer<double> four;
    four.SetBuffer(storage, 4, 1, 3);
    EXPECT_EQ(four.IndexAt(1), 0u);
    EXPECT_EQ(four.IndexAt(4), 3u);
    CircularBuffer<double> fromZero;
    fromZero.SetBuffer(storage, 4, 1, 0);
    EXPECT_EQ(fromZero.IndexAt(5), 1u);
}

TEST(CircularBuffer, SetBufferAcceptsRateUpToSizeAndDetaches)
{
    double storage[5] = {};
    CircularBuffer<double> b;
    b.SetHistoryDepth(3);
    b.SetBuffer(storage, 5, 2, 4);
    EXPECT_EQ(b.GetSize(), 5u);
    EXPECT_EQ(b.GetRate(), 2u);
    EXPECT_EQ(b.GetHistoryDepth(), 3u);  // untouched by SetBuffer
    b.SetBuffer(nullptr, 0, 3, 0);
    EXPECT_EQ(b.GetSize(), 0u);
    EXPECT_EQ(b.GetRate(), 3u);
    EXPECT_EQ(b.GetBufferMemory(), nullptr);
}

TEST(CircularBuffer, CopyBetweenWrappedBuffers)
{
    // Source size 5 with element 0 at position 3; destination size 6 at 4:
    // source positions 3, 4, 0, 1 land in destination positions 4, 5, 0, 1.
    double src[5] = {10, 11, 12, 13, 14};
    double dst[6] = {-1, -1, -1, -1, -1, -1};
    CircularBuffer<double> s, d;
    s.SetBuffer(src, 5, 1, 3);
    d.SetBuffer(dst, 6, 1, 4);
    s.Copy(0, &d, 0, 4);
    const double expected[6] = {10, 11, -1, -1, 13, 14};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(dst[i], expected[i]) << "position " << i;

    // One-item path and raw-array copy.
    s.Copy(2, &d, 3, 1);
    EXPECT_EQ(dst[1], 10);  // element 2 of s is position 0; element 3 of d is position 1
    double raw[3] = {};
    s.Copy(src, raw, 3);
    EXPECT_EQ(raw[2], 12);
}

TEST(CircularBuffer, CopyMatchesElementwiseForEveryOffset)
{
    // Against element-by-element copying for every start and count.
    for (size_t ns = 1; ns <= 6; ++ns)
        for (size_t nd = 1; nd <= 6; ++nd)
            for (size_t ss = 0; ss < ns; ++ss)
                for (size_t ds = 0; ds < nd; ++ds)
                    for (size_t n = 1; n <= std::min(ns, nd); ++n) {
                        std::vector<int> src(ns), dst(nd, -1), ref(nd, -1);
                        for (size_t i = 0; i < ns; ++i) src[i] = static_cast<int>(100 + i);
                        CircularBuffer<int> s, d, r;
                        s.SetBuffer(src.data(), ns, 1, ss);
                        d.SetBuffer(dst.data(), nd, 1, ds);
                        r.SetBuffer(ref.data(), nd, 1, ds);
                        s.Copy(0, &d, 0, n);
                        for (size_t i = 0; i < n; ++i) r[i] = s[i];
                        ASSERT_EQ(dst, ref) << "ns=" << ns << " nd=" << nd << " ss=" << ss
                                            << " ds=" << ds << " n=" << n;
                    }
}

TEST(CircularBuffer, ZeroFollowsElementAddressing)
{
    double storage[4] = {1, 2, 3, 4};
    CircularBuffer<double> b;
    b.SetBuffer(storage, 4, 1, 2);
    EXPECT_TRUE(b.Zero(1, 3));
    EXPECT_EQ(storage[0], 0);
    EXPECT_EQ(storage[1], 0);
    EXPECT_EQ(storage[2], 3);
    EXPECT_EQ(storage[3], 0);
}

TEST(CircularBuffer, SlidingWindowKeepsTheLatestItems)
{
    // Depth 3, rate 1: after each firing the window holds the last 3 inputs,
    // element 0 the oldest.
    CircularBuffer<double> w;
    w.SetHistoryDepth(3);
    double* storage = static_cast<double*>(w.AllocateMemory(3));
    w.SetBuffer(storage, 3, 1, 0);
    w.Zero(0, 3);
    std::vector<double> seen;
    for (int n = 1; n <= 7; ++n) {
        w[2] = n;
        seen = {w[0], w[1], w[2]};
        w.Advance();
    }
    EXPECT_EQ(seen, (std::vector<double>{5, 6, 7}));
    w.DeallocateMemory(nullptr);  // frees its own storage and detaches
    EXPECT_EQ(w.GetSize(), 0u);
    EXPECT_EQ(w.GetBufferMemory(), nullptr);
}

TEST(CircularBufferBus, InitializeKeepsSameSizeAndReplacesOtherSizes)
{
    CircularBufferBusT<CircularBuffer<double>> bus;
    bus.Initialize(3);
    ASSERT_EQ(bus.GetSize(), 3u);
    bus[1].SetRate(5);
    bus.Initialize(3);  // same size: buffers and their settings kept
    EXPECT_EQ(bus[1].GetRate(), 5u);
    EXPECT_EQ(bus.Get(1), &bus[1]);
    bus.Initialize(2);  // new size: fresh, detached buffers
    ASSERT_EQ(bus.GetSize(), 2u);
    EXPECT_EQ(bus[1].GetRate(), 1u);
    EXPECT_EQ(bus[1].GetSize(), 0u);
    bus.Initialize(0);
    EXPECT_EQ(bus.GetSize(), 0u);
}

TEST(CircularBufferBusDeathTest, IndexOutOfRangeStops)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    CircularBufferBusT<CircularBuffer<int>> bus;
    bus.Initialize(2);
    EXPECT_DEATH(bus[2], "iIndex < m_iSize");
    EXPECT_DEATH(bus.Get(5), "iIndex < m_iSize");
}

}  // namespace

// The receiver's per-sample path allocates nothing: this test program's
// global operator new counts its calls, and Run over a stretch that includes
// eye measurements, report writing and CTLE setting changes leaves the count
// unchanged, in both ways of running the CTLE bank.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <new>
#include <vector>

#include "tests/models/rx/model_support.h"

namespace {
size_t g_newCalls = 0;
}

void* operator new(size_t n)
{
    ++g_newCalls;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    ++g_newCalls;
    return std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

class ModelAllocation : public rxtest::ScratchDirTest {};

TEST_F(ModelAllocation, RunAllocatesNothing)
{
    rxtest::Channel ch;
    ch.poles = 3;
    ch.tau = 45e-12;
    const std::vector<double> wave = rxtest::ChannelWave(rxtest::Prbs15(1400), ch);
    for (bool all : {false, true}) {
        rxtest::ModelSettings s;
        s.eomNbits = 20;
        s.allFilters = all;
        rxtest::Harness h(s);
        ASSERT_TRUE(h.Start());
        h.output.reserve(wave.size());
        h.clock.reserve(wave.size());
        h.setting.reserve(wave.size());
        ASSERT_TRUE(h.Feed(wave, 0, 64));  // first Run opens the report files
        const size_t before = g_newCalls;
        ASSERT_TRUE(h.Feed(wave, 64, wave.size() - 64));
        EXPECT_EQ(g_newCalls - before, 0u) << (all ? "all filters" : "shared history");
        // The stretch did measure and adapt.
        EXPECT_NE(h.setting.front(), h.setting.back());
    }
}

// The same with blocks announced ahead: the CTLE segments (FFT) and the
// exact fallbacks allocate nothing either.
TEST_F(ModelAllocation, RunWithLookaheadAllocatesNothing)
{
    rxtest::Channel ch;
    ch.poles = 3;
    ch.tau = 45e-12;
    std::vector<double> wave = rxtest::ChannelWave(rxtest::Prbs15(1400), ch);
    std::fill(wave.begin() + 30000, wave.begin() + 33000, 0.0);  // exact sums near 0.0
    rxtest::ModelSettings s;
    s.eomNbits = 20;
    s.rxConfig = 2;
    rxtest::Harness h(s);
    ASSERT_TRUE(h.Start());
    h.output.reserve(wave.size());
    h.clock.reserve(wave.size());
    h.setting.reserve(wave.size());
    ASSERT_TRUE(h.Feed(wave, 0, 64));
    const size_t before = g_newCalls;
    for (size_t pos = 64; pos < wave.size(); pos += 5000) {
        const size_t n = std::min<size_t>(5000, wave.size() - pos);
        h.model.Lookahead(wave.data() + pos, n);
        ASSERT_TRUE(h.Feed(wave, pos, n));
    }
    EXPECT_EQ(g_newCalls - before, 0u);
    EXPECT_GT(h.model.CtleSegmentCount(), 0u);
    EXPECT_GT(h.model.CtleExactFallbackCount(), 0u);
    EXPECT_NE(h.setting.front(), h.setting.back());
}

}  // namespace

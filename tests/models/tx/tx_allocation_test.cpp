// The transmitter's per-sample path allocates nothing: the global allocation
// functions of this test program count their calls, and the model's Run and
// AMI_GetWave (the entry points instantiated here) leave the count unchanged.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "ami/AmiEntryPoints.h"
#include "ami/TxTraits.h"
#include "models/tx/TX_model2.h"
#include "tests/models/tx/TxHarness.h"

namespace {
size_t g_allocations = 0;
}

void* operator new(size_t n)
{
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
// The parameter parser allocates with the non-throwing forms; they must pair
// with the replaced deallocation functions too.
void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    ++g_allocations;
    return std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

// Selected filter only and all sixteen filters, shaped and bypassed.
TEST(TxAllocation, RunAllocatesNothing)
{
    for (bool all : {false, true})
        for (int bypass = 0; bypass <= 1; ++bypass) {
            txtest::Settings s;
            s.de = 3;
            s.vod = 1;
            s.bypass = bypass;
            txtest::Harness h(s);
            ASSERT_TRUE(h.initOk);
            h.model.SetAllFilters(all);
            const std::vector<double> x = txtest::Stimulus(2000, 1);
            const size_t before = g_allocations;
            for (double v : x) h.Step(v);
            EXPECT_EQ(g_allocations - before, 0u) << "bypass " << bypass << ", all filters " << all;
            EXPECT_TRUE(h.runOk);
        }
}

using Traits = Vantrel::AMI::TxTraits;

// After the first call has sized the instance's scratch space, further calls
// of the same size allocate nothing, whatever the waveform.
TEST(TxAllocation, GetWaveAllocatesNothingOnceSized)
{
    using Entry = Vantrel::AMI::EntryPoints<Traits>;
    std::string params = "(TX_model2 (DE_Level 1) (VOD_Level 0) (TX_bypass 0))";
    void* handle = nullptr;
    char* msg = nullptr;
    ASSERT_EQ(Entry::Init(nullptr, 0, 0, txtest::kBitTime / 64, txtest::kBitTime, &params[0], nullptr,
                          &handle, &msg),
              1);
    std::vector<double> wave = txtest::Stimulus(4096, 2), clocks(4097);
    ASSERT_EQ(Entry::GetWave(wave.data(), 4096, clocks.data(), nullptr, handle), 1);
    for (int k = 0; k < 3; ++k) {
        wave = txtest::Stimulus(4096, 3 + k);  // same size: no allocation by the copy
        const size_t mark = g_allocations;
        ASSERT_EQ(Entry::GetWave(wave.data(), 4096, clocks.data(), nullptr, handle), 1);
        EXPECT_EQ(g_allocations - mark, 0u) << "call " << k;
    }
    EXPECT_EQ(Entry::Close(handle), 1);
}

}  // namespace

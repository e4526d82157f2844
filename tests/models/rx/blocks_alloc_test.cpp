// The per-sample Run of every receiver block allocates nothing, report
// writing included (once the report file is open).
//
// This program counts allocations by interposing malloc and friends, which
// forward to the C library's allocator. Under AddressSanitizer the sanitizer
// owns malloc, so the counting (and this test) is left out of that build.
#include <gtest/gtest.h>

#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RXBLOCKS_NO_MALLOC_COUNT 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define RXBLOCKS_NO_MALLOC_COUNT 1
#endif

#ifndef RXBLOCKS_NO_MALLOC_COUNT

#include "models/rx/Delay.h"
#include "models/rx/LoopFilter.h"
#include "models/rx/NClockDelay.h"
#include "models/rx/PFD.h"
#include "models/rx/clockdelay.h"
#include "models/rx/slicer.h"
#include "tests/models/rx/blocks_report_dir.h"
#include "tests/models/rx/blocks_rigs.h"

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
}

namespace {
long g_allocations = 0;
}

extern "C" void* malloc(size_t n)
{
    ++g_allocations;
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size)
{
    ++g_allocations;
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n)
{
    ++g_allocations;
    return __libc_realloc(p, n);
}
extern "C" void free(void* p) { __libc_free(p); }

namespace {

using rxblocks_test::AdaptRig;
using rxblocks_test::EomRig;

class RunAllocations : public ReportDirTest {};

TEST_F(RunAllocations, ClockBlocks)
{
    PFD pfd;
    LoopFilter filter;
    filter.C1 = 2.2e-8;
    filter.C2 = 5e-11;
    filter.R = 100.0;
    filter.Ip = 2.5e-5;
    filter.SampleInterval = 1.5e-12;
    Delay quadrature;
    double wave = 0.0;
    quadrature.Input.SetBuffer(&wave, 1, 1, 0);
    clockdelay reg;
    slicer dec;
    NClockDelay counter;
    int clock = 0, start = 0, out = 0;
    counter.N = 3;
    ASSERT_TRUE(counter.Setup());
    counter.Clock.SetBuffer(&clock, 1, 1, 0);
    counter.Start.SetBuffer(&start, 1, 1, 0);
    counter.Output.SetBuffer(&out, 1, 1, 0);
    Vantrel::DFModel* blocks[] = {&pfd, &filter, &quadrature, &reg, &dec, &counter};
    for (Vantrel::DFModel* b : blocks) ASSERT_TRUE(b->Initialize());

    const long before = g_allocations;
    for (int n = 0; n < 1000; ++n) {
        wave = std::sin(n * 0.1);
        clock = start = (n / 8) % 2;
        pfd.InPhaseClock = wave;
        pfd.QuadratureClock = quadrature.Output;
        pfd.Data = reg.Data = dec.Data = std::cos(n * 0.37);
        reg.Clock = dec.Clock = clock;
        filter.Command = pfd.InPhaseSample + pfd.FrequencyError;
        for (Vantrel::DFModel* b : blocks) b->Run();
    }
    EXPECT_EQ(g_allocations - before, 0);
}

TEST_F(RunAllocations, EyeMonitorMeasurementsAndReports)
{
    EomRig rig(3, 16);
    const long beforeOpen = g_allocations;
    rig.Step(0, 0.0);  // opens EOM.txt
    // Opening the file allocates its stream: proof that counting works.
    EXPECT_GT(g_allocations, beforeOpen);
    const long before = g_allocations;
    for (int i = 0; i < 16 * 20; ++i) rig.Step((i / 80) % 2, 0.05 * std::sin(0.3 * i));
    EXPECT_EQ(g_allocations - before, 0);
    EXPECT_GT(ReadAll("EOM.txt").size(), 4096u);  // measurements were written
}

TEST_F(RunAllocations, AdaptationAndReport)
{
    AdaptRig rig(1, 1);
    rig.Step();  // opens Adapt.txt
    const long before = g_allocations;
    rig.Start();
    for (int i = 0; i < 30; ++i) rig.Measure(4 + i % 7, 10 + i % 5, i % 4);
    EXPECT_EQ(g_allocations - before, 0);
    EXPECT_NE(ReadAll("Adapt.txt").find("End DFE adapt \n"), std::string::npos);
}

}  // namespace

#endif  // RXBLOCKS_NO_MALLOC_COUNT

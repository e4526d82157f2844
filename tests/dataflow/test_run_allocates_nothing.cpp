// The Run paths allocate nothing: the global allocation functions of this
// test program count their calls, and every block's steady-state firing is
// checked to leave the count unchanged.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "dataflow/Add.h"
#include "dataflow/CMath.h"
#include "dataflow/ClockTimes.h"
#include "dataflow/ConstUnTimed.h"
#include "dataflow/Fork.h"
#include "dataflow/Gain.h"
#include "dataflow/Mpy.h"
#include "dataflow/Mux.h"
#include "dataflow/ScalarToScalar.h"
#include "dataflow/Sub.h"
#include "dataflow/TimeResponseFIR.h"
#include "dataflow/VCO.h"

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
void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    ++g_allocations;
    return std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return operator new(n, std::nothrow); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

using namespace Vantrel;

namespace {

// Fires the block n times and returns how many allocations that made.
size_t AllocationsOfRuns(DFModel& block, int n = 100)
{
    const size_t before = g_allocations;
    for (int i = 0; i < n; ++i) block.Run();
    return g_allocations - before;
}

}  // namespace

TEST(RunAllocatesNothing, FilterBlocks)
{
    std::vector<double> t = {0, 1e-11, 2e-11, 3e-11, 5e-11, 8e-11}, r = {0, 1, 0.5, 0.2, 0.1, 0};
    TimeResponseFIR f;
    f.m_pdTimeStamps = t.data();
    f.m_pdResponse = r.data();
    f.m_iNumTimeStamps = f.m_iNumResponse = 6;
    f.ResponseType = 0;
    ASSERT_TRUE(f.Setup());
    double in = 1.0, out = 0.0;
    f.Input.SetBuffer(&in, 1, 1, 0);
    f.Output.SetBuffer(&out, 1, 1, 0);
    ASSERT_TRUE(f.Initialize());
    EXPECT_EQ(AllocationsOfRuns(f), 0u);
    EXPECT_GT(g_allocations, 0u) << "the counter sees allocations at all";

    std::vector<double> h(37, 0.1), x(3), y(2);
    for (bool lanes : {false, true}) {
        FIR<double, false> m;
        m.m_pdTaps = h.data();
        m.m_iNumTaps = 37;
        m.Decimation = 3;
        m.DecimationPhase = 1;
        m.Interpolation = 2;
        m.PairwiseSum = lanes;
        ASSERT_TRUE(m.Setup());
        m.Input.SetBuffer(x.data(), 3, 3, 0);
        m.Output.SetBuffer(y.data(), 2, 2, 0);
        ASSERT_TRUE(m.Initialize());
        EXPECT_EQ(AllocationsOfRuns(m), 0u) << (lanes ? "lane sum" : "in order");
    }
}

TEST(RunAllocatesNothing, ElementaryBlocks)
{
    double d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    int i[4] = {1, 2, 3, 4};

    Gain<double> g;
    g.Input.SetBuffer(&d[0], 1, 1, 0);
    g.Output.SetBuffer(&d[1], 1, 1, 0);
    Mpy<double> mp;
    mp.Inputs.Initialize(2);
    mp.Inputs[0].SetBuffer(&d[0], 1, 1, 0);
    mp.Inputs[1].SetBuffer(&d[1], 1, 1, 0);
    mp.Output.SetBuffer(&d[2], 1, 1, 0);
    Sub<double> sb;
    sb.Subtrahends.Initialize(1);
    sb.Subtrahends[0].SetBuffer(&d[0], 1, 1, 0);
    sb.Minuend.SetBuffer(&d[3], 1, 1, 0);
    sb.Output.SetBuffer(&d[4], 1, 1, 0);
    Add<int> ad;
    ad.Inputs.Initialize(2);
    ad.Inputs[0].SetBuffer(&i[0], 1, 1, 0);
    ad.Inputs[1].SetBuffer(&i[1], 1, 1, 0);
    ad.Output.SetBuffer(&i[2], 1, 1, 0);
    Mux<CircularBuffer<double>> mx;
    mx.Inputs.Initialize(2);
    mx.Inputs[0].SetBuffer(&d[0], 1, 1, 0);
    mx.Inputs[1].SetBuffer(&d[1], 1, 1, 0);
    mx.Output.SetBuffer(&d[5], 1, 1, 0);
    ASSERT_TRUE(mx.Setup());
    mx.Control = 1;
    Fork<CircularBuffer<double>> fk;
    fk.Input.SetBuffer(&d[0], 1, 1, 0);
    fk.Outputs.Initialize(2);
    fk.Outputs[0].SetBuffer(&d[6], 1, 1, 0);
    fk.Outputs[1].SetBuffer(&d[7], 1, 1, 0);
    ConstUnTimed<double> k;
    k.Output.SetBuffer(&d[3], 1, 1, 0);
    k.InitialDelay = 10;
    ASSERT_TRUE(k.Initialize());
    ScalarToScalar<CircularBuffer<double>, CircularBuffer<int>, TypeConverterRound> rd;
    rd.Input.SetBuffer(&d[0], 1, 1, 0);
    rd.Output.SetBuffer(&i[3], 1, 1, 0);
    ScalarToScalar<CircularBuffer<int>, CircularBuffer<double>, TypeConverterAssign> as;
    as.Input.SetBuffer(&i[0], 1, 1, 0);
    as.Output.SetBuffer(&d[4], 1, 1, 0);
    MathSgn sg;
    sg.Input.SetBuffer(&d[0], 1, 1, 0);
    sg.Output.SetBuffer(&d[1], 1, 1, 0);
    MathExp ex;
    ex.Input.SetBuffer(&d[0], 1, 1, 0);
    ex.Output.SetBuffer(&d[2], 1, 1, 0);

    for (DFModel* b : std::vector<DFModel*>{&g, &mp, &sb, &ad, &mx, &fk, &k, &rd, &as, &sg, &ex})
        EXPECT_EQ(AllocationsOfRuns(*b), 0u);
}

TEST(RunAllocatesNothing, ClockBlocks)
{
    double v = 0.1, y = 0.0, t = 0.0;
    int clk = 0;
    VCO vco;
    vco.ControlInput.SetBuffer(&v, 1, 1, 0);
    vco.WaveOutput.SetBuffer(&y, 1, 1, 0);
    vco.ClockOutput.SetBuffer(&clk, 1, 1, 0);
    ASSERT_TRUE(vco.Initialize());
    ClockTimes ct;
    ct.ClockInput.SetBuffer(&clk, 1, 1, 0);
    ct.TimeOutput.SetBuffer(&t, 1, 1, 0);
    ASSERT_TRUE(ct.Initialize());
    const size_t before = g_allocations;
    for (int n = 0; n < 1000; ++n) {
        vco.Run();
        ct.Run();
    }
    EXPECT_EQ(g_allocations - before, 0u);
}

// Arithmetic, routing, constant and conversion blocks.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dataflow/Add.h"
#include "dataflow/ConstUnTimed.h"
#include "dataflow/Fork.h"
#include "dataflow/Gain.h"
#include "dataflow/Mpy.h"
#include "dataflow/Mux.h"
#include "dataflow/ScalarToScalar.h"
#include "dataflow/Sub.h"
#include "tests/dataflow/StderrCapture.h"

using namespace Vantrel;
using dftest::CaptureErr;

namespace {

// One item of storage per connection, as the models wire them.
template <typename T>
struct Wire {
    T value{};
    void Attach(CircularBuffer<T>& b) { b.SetBuffer(&value, 1, 1, 0); }
};

// A bus whose k-th buffer views vals[k].
template <typename T>
void AttachBus(CircularBufferBusT<CircularBuffer<T>>& bus, std::vector<T>& vals)
{
    bus.Initialize(vals.size());
    for (size_t k = 0; k < vals.size(); ++k) bus[k].SetBuffer(&vals[k], 1, 1, 0);
}

}  // namespace

TEST(Gain, ScalesTheInput)
{
    Gain<double> g;
    EXPECT_EQ(g.GainFactor, 1.0);
    Wire<double> in, out;
    in.Attach(g.Input);
    out.Attach(g.Output);
    g.GainFactor = 0.3;
    for (double x : {1.0, -2.5, 0.0, 1e300}) {
        in.value = x;
        EXPECT_TRUE(g.Run());
        EXPECT_EQ(out.value, 0.3 * x);
    }
}

TEST(Arithmetic, BusesInOrder)
{
    struct Case {
        const char* block;
        std::vector<double> inputs;
        double minuend;
        double expected;
    };
    const Case cases[] = {
        {"mpy", {2, 3, 4}, 0, 24},
        {"mpy", {}, 0, 1},
        {"mpy", {-0.5}, 0, -0.5},
        {"sub", {1, 2}, 10, 7},
        {"sub", {}, 10, 10},
        {"sub", {0.1, 0.2, 0.3}, 1.0, ((1.0 - 0.1) - 0.2) - 0.3},
    };
    for (const Case& c : cases) {
        std::vector<double> vals = c.inputs;
        Wire<double> out, minuend;
        minuend.value = c.minuend;
        if (std::string(c.block) == "mpy") {
            Mpy<double> m;
            AttachBus(m.Inputs, vals);
            out.Attach(m.Output);
            EXPECT_TRUE(m.Run());
        } else {
            Sub<double> s;
            AttachBus(s.Subtrahends, vals);
            minuend.Attach(s.Minuend);
            out.Attach(s.Output);
            EXPECT_TRUE(s.Run());
        }
        EXPECT_EQ(out.value, c.expected) << c.block << " of " << c.inputs.size() << " inputs";
    }
}

TEST(AddInt, SumsAndSaturates)
{
    struct Case {
        std::vector<int> inputs;
        int expected;
    };
    const Case cases[] = {
        {{5, -2}, 3},
        {{}, 0},
        {{1, 1, 1, -1}, 2},
        {{INT_MAX, 1}, INT_MAX},            // saturates instead of wrapping
        {{INT_MIN, -1}, INT_MIN},
        {{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, -2},  // exact whenever the total fits
    };
    for (const Case& c : cases) {
        Add<int> a;
        std::vector<int> vals = c.inputs;
        AttachBus(a.Inputs, vals);
        Wire<int> out;
        out.Attach(a.Output);
        EXPECT_TRUE(a.Run());
        EXPECT_EQ(out.value, c.expected);
    }
}

TEST(Fork, CopiesToEveryOutput)
{
    Fork<CircularBuffer<double>> fd;
    Fork<CircularBuffer<int>> fi;
    Wire<double> ind;
    Wire<int> ini;
    ind.Attach(fd.Input);
    ini.Attach(fi.Input);
    std::vector<double> outd(32, 0.0);
    std::vector<int> outi(7, 0);
    AttachBus(fd.Outputs, outd);
    AttachBus(fi.Outputs, outi);
    ind.value = -1.25;
    ini.value = 1;
    EXPECT_TRUE(fd.Run());
    EXPECT_TRUE(fi.Run());
    EXPECT_EQ(outd, std::vector<double>(32, -1.25));
    EXPECT_EQ(outi, std::vector<int>(7, 1));
}

TEST(Mux, PassesTheSelectedInput)
{
    Mux<CircularBuffer<double>> m;
    std::vector<double> ins = {10, 11, 12, 13};
    AttachBus(m.Inputs, ins);
    Wire<double> out;
    out.Attach(m.Output);
    ASSERT_TRUE(m.Setup());
    for (int c = 0; c < 4; ++c) {
        m.Control = c;
        EXPECT_TRUE(m.Run());
        EXPECT_EQ(out.value, 10.0 + c);
    }
}

TEST(Mux, BlockSizeSetsRatesAndCopiesABlock)
{
    Mux<CircularBuffer<double>> m;
    m.Inputs.Initialize(2);
    m.BlockSize = 4;
    ASSERT_TRUE(m.Setup());
    EXPECT_EQ(m.Output.GetRate(), 4u);
    EXPECT_EQ(m.Inputs[0].GetRate(), 4u);
    EXPECT_EQ(m.Inputs[1].GetRate(), 4u);
    EXPECT_GE(m.Inputs[1].GetHistoryDepth(), 4u);
    // Input 1 sits in a size-5 store starting at 3; output in a size-6 store at 4.
    double a[5] = {0, 0, 0, 0, 0}, b[5] = {2, 3, 9, 0, 1}, o[6] = {};
    m.Inputs[0].SetBuffer(a, 5, 4, 0);
    m.Inputs[1].SetBuffer(b, 5, 4, 3);
    m.Output.SetBuffer(o, 6, 4, 4);
    m.Control = 1;
    ASSERT_TRUE(m.Run());
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(m.Output[i], double(i)) << "sample " << i;
    EXPECT_EQ(o[2], 0.0) << "nothing beyond the block is written";
}

TEST(Mux, Messages)
{
    struct Case {
        int inputs;
        int control;
        const char* text;
    };
    const Case cases[] = {
        {4, 4, "Control input signal value is equal to 4.  There are 4 inputs connected.  The valid control input range is [0,3]."},
        {1, 1, "Control input signal value is equal to 1.  There is 1 input connected.  The valid control input range is [0,0]."},
        {1, -1, "Control input signal value is equal to -1.  There is 1 input connected.  The valid control input range is [0,0]."},
        {2, INT_MIN, "Control input signal value is equal to -2147483648.  There are 2 inputs connected.  The valid control input range is [0,1]."},
        {32, INT_MAX, "Control input signal value is equal to 2147483647.  There are 32 inputs connected.  The valid control input range is [0,31]."},
        {0, 0, "Control input signal value is equal to 0.  There is 0 input connected.  The valid control input range is [0,-1]."},
    };
    for (const Case& c : cases) {
        Mux<CircularBuffer<double>> m;
        std::vector<double> ins(c.inputs, 5.0);
        AttachBus(m.Inputs, ins);
        Wire<double> out;
        out.value = -7.0;
        out.Attach(m.Output);
        ASSERT_TRUE(m.Setup());
        m.Control = c.control;
        bool ok = true;
        std::string err = CaptureErr([&] { ok = m.Run(); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(err, std::string(c.text) + "\n");
        EXPECT_EQ(out.value, -7.0) << "the output is left unwritten";
    }
    for (int bs : {0, -3}) {
        Mux<CircularBuffer<double>> m;
        m.BlockSize = bs;
        bool ok = true;
        EXPECT_EQ(CaptureErr([&] { ok = m.Setup(); }), "BlockSize must be >= 1\n");
        EXPECT_FALSE(ok);
    }
}

TEST(ConstUnTimed, ZerosThenTheValue)
{
    ConstUnTimed<double> k;
    EXPECT_EQ(k.Value, 0.0);
    EXPECT_EQ(k.InitialDelay, 0);
    Wire<double> out;
    out.Attach(k.Output);
    k.Value = 2.5;
    k.InitialDelay = 3;
    for (int round = 0; round < 2; ++round) {  // a new Initialize brings the zeros again
        ASSERT_TRUE(k.Initialize());
        std::vector<double> y;
        for (int n = 0; n < 6; ++n) {
            out.value = 99.0;
            EXPECT_TRUE(k.Run());
            y.push_back(out.value);
        }
        EXPECT_EQ(y, (std::vector<double>{0, 0, 0, 2.5, 2.5, 2.5})) << "round " << round;
    }
    k.InitialDelay = 0;
    ASSERT_TRUE(k.Initialize());
    EXPECT_TRUE(k.Run());
    EXPECT_EQ(out.value, 2.5);
}

TEST(ConstUnTimed, NegativeDelayIsRefused)
{
    ConstUnTimed<double> k;
    k.InitialDelay = -1;
    bool ok = true;
    EXPECT_EQ(CaptureErr([&] { ok = k.Initialize(); }), "InitialDelay must be >= 0\n");
    EXPECT_FALSE(ok);
    EXPECT_EQ(CaptureErr([&] { ok = k.UpdateDynamicParameters(); }), "InitialDelay must be >= 0\n");
    EXPECT_FALSE(ok);
}

TEST(ScalarToScalar, RoundsHalvesAwayFromZero)
{
    ScalarToScalar<CircularBuffer<double>, CircularBuffer<int>, TypeConverterRound> conv;
    Wire<double> in;
    Wire<int> out;
    in.Attach(conv.Input);
    out.Attach(conv.Output);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct { double x; int y; } cases[] = {
        {2.5, 3}, {-2.5, -3}, {2.4999, 2}, {-0.5, -1}, {0.5, 1}, {0.4, 0},
        {-0.0, 0}, {31.0, 31}, {1.5, 2}, {-1.4, -1},
        // Beyond 32 bits: saturated; NaN: 0 (the models never produce these).
        {2147483646.6, 2147483647}, {3e9, INT_MAX}, {-3e9, INT_MIN}, {-2147483648.4, INT_MIN},
        {inf, INT_MAX}, {-inf, INT_MIN}, {nan, 0},
    };
    for (const auto& c : cases) {
        in.value = c.x;
        EXPECT_TRUE(conv.Run());
        EXPECT_EQ(out.value, c.y) << "x=" << c.x;
    }
}

TEST(ScalarToScalar, AssignsIntToDoubleExactly)
{
    ScalarToScalar<CircularBuffer<int>, CircularBuffer<double>, TypeConverterAssign> conv;
    Wire<int> in;
    Wire<double> out;
    in.Attach(conv.Input);
    out.Attach(conv.Output);
    for (int x : {0, 1, -1, 31, INT_MAX, INT_MIN}) {
        in.value = x;
        EXPECT_TRUE(conv.Run());
        EXPECT_EQ(out.value, static_cast<double>(x));
    }
}

// Blocks that override nothing else keep the base's lifecycle results.
TEST(Elementary, OtherOperationsSucceed)
{
    Gain<double> g;
    Fork<CircularBuffer<int>> f;
    ScalarToScalar<CircularBuffer<int>, CircularBuffer<double>, TypeConverterAssign> s;
    for (DFModel* b : std::vector<DFModel*>{&g, &f, &s}) {
        EXPECT_TRUE(b->Setup());
        EXPECT_TRUE(b->Initialize());
        EXPECT_TRUE(b->Finalize());
        EXPECT_TRUE(b->UpdateDynamicParameters());
    }
}

// The transmitter library end to end, as a channel simulator drives it:
// dlopen of tx_ami.so and its three entry points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/ami/AmiLibrary.h"
#include "tests/models/tx/TxHarness.h"

using amitest::AmiLibrary;
using txtest::CaptureErr;
using txtest::kArea;
using txtest::kBitTime;
using txtest::kGain;
using txtest::Lines;

namespace {

class TxLibrary : public testing::Test {
protected:
    static void SetUpTestSuite() { s_lib = new AmiLibrary(amitest::TxPath()); }
    static void TearDownTestSuite()
    {
        delete s_lib;
        s_lib = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_lib->ok()) << s_lib->error(); }

    // One channel: AMI_Init with the parameter string, closed at the end.
    struct Channel {
        void* handle = nullptr;
        char* msg = nullptr;
        long initResult = 0;
        Channel(const std::string& params, int samplesPerBit, double bitTime = kBitTime)
        {
            initResult = s_lib->InitWith(params, bitTime / samplesPerBit, bitTime, &handle, &msg);
        }
        ~Channel()
        {
            if (handle) s_lib->Close(handle);
        }
        Channel(const Channel&) = delete;
        Channel& operator=(const Channel&) = delete;

        // AMI_GetWave over the whole vector; returns its result.
        long Wave(std::vector<double>& wave, double* clock = nullptr)
        {
            std::vector<double> clocks(wave.size() + 2, 99.0);
            const long r = s_lib->GetWave(wave.data(), static_cast<long>(wave.size()), clocks.data(),
                                          nullptr, handle);
            if (clock) *clock = clocks[0];
            EXPECT_EQ(clocks[1], 99.0) << "only one clock entry is written";
            return r;
        }
    };

    static std::vector<double> Run(const std::string& params, std::vector<double> wave,
                                   int samplesPerBit = 128)
    {
        Channel c(params, samplesPerBit);
        EXPECT_EQ(c.initResult, 1) << params << (c.msg ? c.msg : "");
        EXPECT_EQ(c.Wave(wave), 1) << params;
        return wave;
    }

    static AmiLibrary* s_lib;
};

AmiLibrary* TxLibrary::s_lib = nullptr;

const char kAll[] = "(TX_model2 (DE_Level 0) (VOD_Level 2) (TX_bypass 0))";

std::string Params(int de, int vod, int bypass)
{
    return "(TX_model2 (DE_Level " + std::to_string(de) + ") (VOD_Level " + std::to_string(vod) +
           ") (TX_bypass " + std::to_string(bypass) + "))";
}

// Defaults: swing 0.4 through Subnetwork_Data4 and T1 with gain
// 0.16240357287860333; identical to the model driven directly with the same
// settings, and to no other level pair.
TEST_F(TxLibrary, DefaultsTakeSwingPointFourThroughT1)
{
    Channel c("", 128);
    EXPECT_EQ(c.initResult, 1);
    ASSERT_NE(c.msg, nullptr);
    EXPECT_EQ(std::string(c.msg),
              "The IBIS-AMI model, TX_model2, is unable to initialize the parameter DE_Level from the "
              "AMI_Init arguments.  The model will use the default setting. "
              "The IBIS-AMI model, TX_model2, is unable to initialize the parameter VOD_Level from the "
              "AMI_Init arguments.  The model will use the default setting. "
              "The IBIS-AMI model, TX_model2, is unable to initialize the parameter TX_bypass from the "
              "AMI_Init arguments.  The model will use the default setting. ");
    std::vector<double> wave(800, 1.0);
    double clock = 0.0;
    ASSERT_EQ(c.Wave(wave, &clock), 1);
    EXPECT_EQ(clock, -1.0);
    EXPECT_NEAR(wave.back(), 0.4 * kArea[0] * kGain[2][0], 1e-3 * 0.4);

    txtest::Harness direct;
    ASSERT_TRUE(direct.initOk);
    for (size_t i = 0; i < wave.size(); ++i) ASSERT_EQ(wave[i], direct.Step(1.0)) << i;
}

TEST_F(TxLibrary, BypassReturnsTheInputIncludingSubnormals)
{
    std::vector<double> in = txtest::Stimulus(3000, 11);
    in.push_back(4.9e-324);
    in.push_back(-2.2250738585072009e-308);
    const std::vector<double> out = Run(Params(3, 1, 1), in);
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(std::memcmp(out.data(), in.data(), in.size() * sizeof(double)), 0);
}

TEST_F(TxLibrary, ConstantOneWithLevelsZeroSettlesNearMinusPointSix)
{
    const std::vector<double> out = Run(Params(0, 0, 0), std::vector<double>(1000, 1.0));
    EXPECT_NEAR(out.back(), -0.6 * 1.00006, 1e-3 * 0.6);
    EXPECT_NEAR(out.back(), 0.6 * kArea[0] * kGain[0][0], 1e-3 * 0.6);
}

TEST_F(TxLibrary, ZeroInGivesZeroOut)
{
    for (int de = 0; de < 4; ++de) {
        const std::vector<double> out = Run(Params(de, 3 - de, 0), std::vector<double>(700, 0.0));
        for (double y : out) ASSERT_EQ(y, 0.0) << "DE " << de;
    }
}

// Every level pair reaches the output through its own filter and gain: the
// settled value of a constant +1 is the swing times the gain times the area.
TEST_F(TxLibrary, EveryLevelPairSettlesAtItsOwnValue)
{
    for (int vod = 0; vod < 4; ++vod) {
        for (int de = 0; de < 4; ++de) {
            const std::vector<double> out = Run(Params(de, vod, 0), std::vector<double>(700, 1.0));
            const double want = txtest::kSwing[vod] * kGain[vod][de] * kArea[de];
            EXPECT_NEAR(out.back(), want, 2e-3 * std::fabs(want)) << "VOD " << vod << " DE " << de;
        }
    }
}

// Out-of-range levels fail the first AMI_GetWave: the multiplexers' messages
// go to standard error and every sample keeps its input value.
TEST_F(TxLibrary, LevelsOutOfRangeFailTheFirstCall)
{
    const std::string four4 =
        "Control input signal value is equal to 4.  There are 4 inputs connected.  "
        "The valid control input range is [0,3].";
    const std::string minus1 =
        "Control input signal value is equal to -1.  There are 4 inputs connected.  "
        "The valid control input range is [0,3].";
    const struct {
        std::string params;
        std::vector<std::string> lines;
    } cases[] = {
        {Params(0, 4, 0), {four4, four4}},
        {Params(-1, 2, 0), {minus1, minus1, minus1, minus1}},
    };
    for (const auto& c : cases) {
        Channel ch(c.params, 32);
        ASSERT_EQ(ch.initResult, 1) << c.params;
        const std::vector<double> in = txtest::Stimulus(50, 5);
        std::vector<double> wave = in;
        long r = -1;
        const std::string err = CaptureErr([&] { r = ch.Wave(wave); });
        EXPECT_EQ(r, 0) << c.params;
        EXPECT_EQ(Lines(err), c.lines) << c.params;
        EXPECT_EQ(wave, in) << c.params;
    }
}

// A level given with a fraction is truncated: 2.6 reads as 2.
TEST_F(TxLibrary, FractionalLevelReadsTruncated)
{
    const std::vector<double> in = txtest::Stimulus(900, 9);
    Channel c("(TX_model2 (DE_Level 2.6) (VOD_Level 1.2) (TX_bypass 0))", 64);
    ASSERT_EQ(c.initResult, 1);
    EXPECT_EQ(c.msg, nullptr);
    std::vector<double> got = in;
    ASSERT_EQ(c.Wave(got), 1);
    EXPECT_EQ(got, Run(Params(2, 1, 0), in, 64));
    EXPECT_NE(got, Run(Params(3, 1, 0), in, 64));
}

// The output does not depend on how the simulator cuts the waveform.
TEST_F(TxLibrary, CallSizeDoesNotChangeTheOutput)
{
    const std::vector<double> in = txtest::Stimulus(5000, 21);
    const std::vector<double> whole = Run(Params(3, 0, 0), in, 64);
    const size_t sizes[][3] = {{1, 1, 1}, {7, 7, 7}, {1000, 1000, 1000}, {1, 7, 1000}, {0, 13, 1}};
    for (const auto& pattern : sizes) {
        Channel c(Params(3, 0, 0), 64);
        ASSERT_EQ(c.initResult, 1);
        std::vector<double> wave = in;
        size_t pos = 0, k = 0;
        while (pos < wave.size()) {
            size_t n = pattern[k++ % 3];
            if (n > wave.size() - pos) n = wave.size() - pos;
            std::vector<double> clocks(n + 2);
            ASSERT_EQ(s_lib->GetWave(wave.data() + pos, static_cast<long>(n), clocks.data(), nullptr,
                                     c.handle),
                      1);
            EXPECT_EQ(clocks[0], -1.0);
            pos += n;
        }
        EXPECT_EQ(wave, whole) << "pieces " << pattern[0] << "," << pattern[1] << "," << pattern[2];
    }
}

// The step response lasts the same time in seconds at 32, 64 and 128 samples
// per bit: the 50 % crossing agrees within one sample of the coarsest rate.
TEST_F(TxLibrary, StepResponseLastsTheSameTimeAtEveryRate)
{
    for (int de = 0; de < 4; ++de) {
        double t50[3];
        const int rates[3] = {32, 64, 128};
        for (int r = 0; r < 3; ++r) {
            std::vector<double> wave(8 * static_cast<size_t>(rates[r]), 1.0);
            wave = Run(Params(de, 2, 0), wave, rates[r]);
            const double fin = wave.back();
            t50[r] = -1.0;
            for (size_t i = 0; i < wave.size() && t50[r] < 0.0; ++i)
                if (std::fabs(wave[i]) >= 0.5 * std::fabs(fin)) t50[r] = i * (kBitTime / rates[r]);
        }
        EXPECT_NEAR(t50[0], t50[2], kBitTime / 32) << "DE " << de;
        EXPECT_NEAR(t50[1], t50[2], kBitTime / 32) << "DE " << de;
    }
}

// A bit time of zero, negative or not finite never reaches the filters: the
// call fails with a message, and the channel can still be closed.
TEST_F(TxLibrary, BadBitTimeFailsInit)
{
    for (double bt : {0.0, -1e-10, HUGE_VAL, std::nan("")}) {
        void* h = nullptr;
        char* msg = nullptr;
        const long r = s_lib->InitWith(kAll, 1e-12, bt, &h, &msg);
        EXPECT_EQ(r, 0) << bt;
        ASSERT_NE(h, nullptr) << bt;
        ASSERT_NE(msg, nullptr) << bt;
        EXPECT_NE(std::string(msg).find("bit_time"), std::string::npos) << msg;
        std::vector<double> wave(10, 1.0), clocks(12);
        EXPECT_EQ(s_lib->GetWave(wave.data(), 10, clocks.data(), nullptr, h), 0);
        EXPECT_EQ(wave, std::vector<double>(10, 1.0));
        EXPECT_EQ(s_lib->Close(h), 1);
    }
}

}  // namespace

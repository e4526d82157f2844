// The shared entry-point code, instantiated on a scripted test model so that
// clock marking, Run failures and Setup/Initialize failures can be provoked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ami/AmiEntryPoints.h"
#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace {

// y[n] = 2 x[n]; marks the clock time n * 1e-12 at every sample n with
// n % clockEvery == 0; can be told to fail any lifecycle step.
class ScriptedModel : public Vantrel::DFModel {
public:
    Vantrel::CircularBuffer<double> InputPort, OutputPort, ClockPort;
    double BitTime = 0;
    int SamplesPerBit = 0;
    int Level = 7;
    double Sensitivity = 1.5;

    static int clockEvery;
    static long failRunAt;
    static bool failSetup, failInitialize, failFinalize;
    static int initializeCalls;

    bool Setup() override { return !failSetup; }
    bool Initialize() override
    {
        ++initializeCalls;
        m_n = 0;
        return !failInitialize;
    }
    bool Run() override
    {
        if (m_n == failRunAt) return false;
        OutputPort[0] = 2.0 * InputPort[0];
        ClockPort[0] = (clockEvery > 0 && m_n % clockEvery == 0) ? m_n * 1e-12 : -1.0;
        ++m_n;
        return true;
    }
    bool Finalize() override { return !failFinalize; }

private:
    long m_n = 0;
};
int ScriptedModel::clockEvery = 0;
long ScriptedModel::failRunAt = -1;
bool ScriptedModel::failSetup = false;
bool ScriptedModel::failInitialize = false;
bool ScriptedModel::failFinalize = false;
int ScriptedModel::initializeCalls = 0;

struct ScriptedTraits {
    using Model = ScriptedModel;
    static constexpr const char* kName = "Scripted";
    static constexpr bool kHasClock = true;
    static size_t Parameters(Model& m, Vantrel::AMI::ParameterRow* rows)
    {
        rows[0] = {"Scripted.Level", "Level", &m.Level, nullptr};
        rows[1] = {"Scripted.Sensitivity", "Sensitivity", nullptr, &m.Sensitivity};
        return 2;
    }
};
using EP = Vantrel::AMI::EntryPoints<ScriptedTraits>;
using Instance = Vantrel::AMI::AmiInstance<ScriptedModel>;

class EntryPoints : public testing::Test {
protected:
    void SetUp() override
    {
        ScriptedModel::clockEvery = 0;
        ScriptedModel::failRunAt = -1;
        ScriptedModel::failSetup = ScriptedModel::failInitialize = ScriptedModel::failFinalize = false;
        ScriptedModel::initializeCalls = 0;
    }
    // AMI_Init with the given timing; returns the result, sets handle and msg.
    long Init(double sampleInterval, double bitTime, const char* params = "")
    {
        std::string copy = params ? params : "";
        return EP::Init(nullptr, 0, 0, sampleInterval, bitTime, params ? &copy[0] : nullptr, nullptr,
                        &handle, &msg);
    }
    Instance& Inst() { return *static_cast<Instance*>(handle); }
    void TearDown() override
    {
        if (handle) EP::Close(handle);
    }
    void* handle = nullptr;
    char* msg = nullptr;
};

const char kUnreadable[] =
    "The IBIS-AMI model, Scripted, is unable to initialize the parameter Level from the AMI_Init "
    "arguments.  The model will use the default setting. The IBIS-AMI model, Scripted, is unable to "
    "initialize the parameter Sensitivity from the AMI_Init arguments.  The model will use the "
    "default setting. ";

TEST_F(EntryPoints, SamplesPerBitRoundsHalfUp)
{
    struct Case { double ratio; int spb; };
    for (Case c : {Case{4.0, 4}, Case{4.49, 4}, Case{4.5, 5}, Case{0.5, 1}, Case{64.0, 64}}) {
        ASSERT_EQ(Init(1e-12, c.ratio * 1e-12), 1) << c.ratio;
        EXPECT_EQ(Inst().samplesPerBit, c.spb) << c.ratio;
        EXPECT_EQ(Inst().model.SamplesPerBit, c.spb) << c.ratio;
        EXPECT_EQ(Inst().model.BitTime, c.ratio * 1e-12);
        EP::Close(handle);
        handle = nullptr;
    }
}

TEST_F(EntryPoints, UnreadParametersKeepDefaultsAndReportInOrder)
{
    ASSERT_EQ(Init(1e-12, 32e-12, ""), 1);
    EXPECT_EQ(Inst().model.Level, 7);
    EXPECT_EQ(Inst().model.Sensitivity, 1.5);
    ASSERT_NE(msg, nullptr);
    EXPECT_STREQ(msg, kUnreadable);
}

TEST_F(EntryPoints, NullParameterStringIsReadAsEmpty)
{
    ASSERT_EQ(Init(1e-12, 32e-12, nullptr), 1);
    ASSERT_NE(msg, nullptr);
    EXPECT_STREQ(msg, kUnreadable);
}

// A clock a little faster than the bit (every 31 samples at 32 per bit) puts
// more times into a call than ceil(n / 32) + 1 entries hold. Whatever the
// block size, every time comes back once and in order, nothing is written
// past the capacity, and the times left over come out in later calls.
TEST_F(EntryPoints, ClockTimesThatDoNotFitAreCarriedInOrder)
{
    const long total = 8192;
    for (long block : {1L, 7L, 32L, 65L, 100L, 1000L, 4096L, total}) {
        ScriptedModel::clockEvery = 31;
        ASSERT_EQ(Init(1e-12, 32e-12), 1);
        std::vector<double> times;
        auto call = [&](long n) {
            const size_t cap = static_cast<size_t>((n + 31) / 32) + 1;
            std::vector<double> wave(static_cast<size_t>(n), 1.0), clocks(cap + 1, 99.0);
            ASSERT_EQ(EP::GetWave(wave.data(), n, clocks.data(), nullptr, handle), 1);
            EXPECT_EQ(clocks[cap], 99.0) << "block " << block << ": wrote past the capacity";
            size_t k = 0;
            for (; k < cap && clocks[k] != -1.0; ++k) times.push_back(clocks[k]);
            ASSERT_LT(k, cap) << "block " << block << ": no terminator";
        };
        for (long pos = 0; pos < total; pos += block) call(std::min(block, total - pos));
        ScriptedModel::clockEvery = 0;  // no new times: the carried ones drain
        for (int i = 0; i < 4; ++i) call(total / 4);
        ASSERT_EQ(times.size(), static_cast<size_t>((total + 30) / 31)) << "block " << block;
        for (size_t j = 0; j < times.size(); ++j)
            ASSERT_DOUBLE_EQ(times[j], 31.0 * j * 1e-12) << "block " << block << ", time " << j;
        EXPECT_EQ(Inst().message, kUnreadable);
        EP::Close(handle);
        handle = nullptr;
    }
}

// A clock far above the bit rate overflows the carried times: the oldest
// carried go, the order holds, and the loss is reported once.
TEST_F(EntryPoints, CarriedClockTimesOverflowDropsTheOldest)
{
    ScriptedModel::clockEvery = 1;
    ASSERT_EQ(Init(1e-12, 32e-12), 1);
    const long n = 2 * static_cast<long>(Vantrel::AMI::kCarriedClockTimes);
    std::vector<double> wave(static_cast<size_t>(n), 1.0), clocks(static_cast<size_t>(n) / 32 + 1);
    ASSERT_EQ(EP::GetWave(wave.data(), n, clocks.data(), nullptr, handle), 1);
    ASSERT_EQ(EP::GetWave(wave.data(), 0, clocks.data(), nullptr, handle), 1);
    std::vector<double> times;
    ScriptedModel::clockEvery = 0;
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(EP::GetWave(wave.data(), n, clocks.data(), nullptr, handle), 1);
        for (size_t k = 0; clocks[k] != -1.0; ++k) times.push_back(clocks[k]);
    }
    const size_t kept = Vantrel::AMI::kCarriedClockTimes;
    ASSERT_EQ(times.size(), kept);
    for (size_t j = 0; j < kept; ++j) ASSERT_DOUBLE_EQ(times[j], (n - kept + j) * 1e-12) << j;
    const std::string text = "the oldest were dropped. ";
    EXPECT_EQ(Inst().message.find(text), Inst().message.rfind(text));
    EXPECT_NE(Inst().message.find(text), std::string::npos);
}

TEST_F(EntryPoints, ClockTimesUnderCapacityAreAllReturned)
{
    ScriptedModel::clockEvery = 100;
    ASSERT_EQ(Init(1e-12, 32e-12), 1);
    std::vector<double> wave(250, 1.0), clocks(20, 99.0);
    ASSERT_EQ(EP::GetWave(wave.data(), 250, clocks.data(), nullptr, handle), 1);
    EXPECT_EQ(clocks[0], 0.0);
    EXPECT_DOUBLE_EQ(clocks[1], 100e-12);
    EXPECT_DOUBLE_EQ(clocks[2], 200e-12);
    EXPECT_EQ(clocks[3], -1.0);
    EXPECT_EQ(clocks[4], 99.0);
}

TEST_F(EntryPoints, ZeroSamplesWritesOnlyTheTerminator)
{
    ScriptedModel::clockEvery = 1;
    ASSERT_EQ(Init(1e-12, 32e-12), 1);
    double clocks[2] = {99.0, 99.0};
    EXPECT_EQ(EP::GetWave(nullptr, 0, clocks, nullptr, handle), 1);
    EXPECT_EQ(clocks[0], -1.0);
    EXPECT_EQ(clocks[1], 99.0);
}

TEST_F(EntryPoints, FailedRunLeavesTheRestOfTheWaveUntouched)
{
    ScriptedModel::failRunAt = 3;
    ASSERT_EQ(Init(1e-12, 32e-12), 1);
    std::vector<double> wave = {1, 2, 3, 4, 5, 6};
    double clocks[4];
    EXPECT_EQ(EP::GetWave(wave.data(), 6, clocks, nullptr, handle), 0);
    EXPECT_EQ(wave, (std::vector<double>{2, 4, 6, 4, 5, 6}));
    EXPECT_EQ(clocks[0], -1.0);
    EXPECT_EQ(Inst().message, std::string(kUnreadable) + "Error occurred in Scripted::Run(). ");
}

TEST_F(EntryPoints, FailedSetupSkipsInitializeButReturnsTheInstance)
{
    ScriptedModel::failSetup = true;
    EXPECT_EQ(Init(1e-12, 32e-12), 0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ScriptedModel::initializeCalls, 0);
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(std::string(msg), std::string(kUnreadable) + "Error occurred in Scripted::Setup(). ");
    // A model that was never set up is never fired.
    double wave[3] = {1, 2, 3}, clocks[2];
    EXPECT_EQ(EP::GetWave(wave, 3, clocks, nullptr, handle), 0);
    EXPECT_EQ(wave[0], 1.0);
}

TEST_F(EntryPoints, FailedInitializeAndFinalizeAreReported)
{
    ScriptedModel::failInitialize = true;
    EXPECT_EQ(Init(1e-12, 32e-12), 0);
    EXPECT_EQ(std::string(msg), std::string(kUnreadable) + "Error occurred in Scripted::Initialize(). ");
    ScriptedModel::failFinalize = true;
    EXPECT_EQ(EP::Close(handle), 0);
    handle = nullptr;
}

TEST_F(EntryPoints, BadTimingArgumentsAreRefusedWithTheirNames)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case { double si, bt; const char* names; };
    const Case cases[] = {
        {0.0, 1e-10, "sample_interval = 0"},
        {-1e-12, 1e-10, "sample_interval = -1e-12"},
        {nan, 1e-10, "sample_interval = nan"},
        {1e-12, inf, "bit_time = inf"},
        {1e-12, 0.0, "bit_time = 0"},
        {1e-12, 0.4e-12, "bit_time = 4e-13"},  // 0.4 samples per bit
        {1e-300, 1e10, "bit_time = 1e+10"},   // samples per bit beyond int
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Init(c.si, c.bt), 0) << c.names;
        ASSERT_NE(handle, nullptr) << c.names;
        ASSERT_NE(msg, nullptr);
        EXPECT_NE(std::string(msg).find(c.names), std::string::npos) << msg;
        double wave[2] = {1, 1}, clocks[2];
        EXPECT_EQ(EP::GetWave(wave, 2, clocks, nullptr, handle), 0);
        EXPECT_EQ(EP::Close(handle), 1);
        handle = nullptr;
        msg = nullptr;
    }
}

TEST_F(EntryPoints, BadGetWaveArgumentsTouchNothing)
{
    ASSERT_EQ(Init(1e-12, 32e-12), 1);
    double wave[2] = {1, 2}, clocks[2] = {5, 5};
    EXPECT_EQ(EP::GetWave(wave, -1, clocks, nullptr, handle), 0);
    EXPECT_EQ(EP::GetWave(nullptr, 2, clocks, nullptr, handle), 0);
    EXPECT_EQ(EP::GetWave(wave, 2, nullptr, nullptr, handle), 0);
    EXPECT_EQ(EP::GetWave(wave, 2, clocks, nullptr, nullptr), 0);
    EXPECT_EQ(wave[0], 1.0);
    EXPECT_EQ(clocks[0], 5.0);
    EXPECT_EQ(EP::Close(nullptr), 0);
}

TEST_F(EntryPoints, MessagePointerStaysValidAndUnchangedAfterLaterAppends)
{
    ASSERT_EQ(Init(1e-12, 32e-12), 1);
    char* const first = msg;
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 200; ++i) {
        double clocks[1];
        EP::GetWave(nullptr, -1, clocks, nullptr, handle);  // appends a message each time
    }
    EXPECT_GT(Inst().message.size(), 10000u);
    EXPECT_STREQ(first, kUnreadable);
}

TEST_F(EntryPoints, MsgUntouchedWhenThereIsNothingToSay)
{
    struct Quiet : ScriptedTraits {
        static size_t Parameters(ScriptedModel&, Vantrel::AMI::ParameterRow*) { return 0; }
    };
    char* sentinel = reinterpret_cast<char*>(0x1);
    char* m = sentinel;
    void* h = nullptr;
    std::string params;
    EXPECT_EQ((Vantrel::AMI::EntryPoints<Quiet>::Init(nullptr, 0, 0, 1e-12, 8e-12, &params[0],
                                                       nullptr, &h, &m)),
              1);
    EXPECT_EQ(m, sentinel);
    Vantrel::AMI::EntryPoints<Quiet>::Close(h);
}

}  // namespace

// The receiver library end to end, as a channel simulator drives it: dlopen of
// rx_ami.so, AMI_Init / AMI_GetWave / AMI_Close on a PRBS waveform at
// 10.3125 Gb/s and 64 samples per bit through a lossy channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "tests/ami/AmiLibrary.h"
#include "tests/models/rx/model_support.h"

namespace {

using rxtest::Channel;
using rxtest::ChannelWave;
using rxtest::kBitTime;
using rxtest::kSampleInterval;
using rxtest::kSamplesPerBit;
using rxtest::Prbs15;

struct Result {
    long initResult = 0;
    std::vector<long> waveResults;
    std::vector<double> output;
    std::vector<double> clockTimes;
    std::string initMessage;
};

// Runs the waveform through one instance in calls of the given sizes (cycled
// until the waveform is used up).
Result RunLibrary(const amitest::AmiLibrary& lib, const std::string& params, const std::vector<double>& wave,
                  const std::vector<size_t>& sizes)
{
    Result r;
    void* h = nullptr;
    char* msg = nullptr;
    r.initResult = lib.InitWith(params, kSampleInterval, kBitTime, &h, &msg);
    if (msg) r.initMessage = msg;
    r.output = wave;
    size_t pos = 0, k = 0;
    while (pos < wave.size()) {
        const size_t n = std::min(sizes[k++ % sizes.size()], wave.size() - pos);
        std::vector<double> clocks(n / kSamplesPerBit + 2, -2.0);
        r.waveResults.push_back(lib.GetWave(r.output.data() + pos, static_cast<long>(n), clocks.data(), nullptr, h));
        for (double t : clocks) {
            if (t == -1.0) break;
            r.clockTimes.push_back(t);
        }
        pos += n;
    }
    lib.Close(h);
    return r;
}

std::string Params(int rxConfig, int ctleAdapt, int eqLevel, int eomNbits = 200)
{
    return "(Vuraved_UV_IV (RX_Config " + std::to_string(rxConfig) + ") (Factor 1) (VCO_Sensitivity 8e8) (EQ_Level " +
           std::to_string(eqLevel) + ") (CTLEAdapt " + std::to_string(ctleAdapt) + ") (EOMNbits " +
           std::to_string(eomNbits) + "))";
}

size_t SampleOf(double t) { return static_cast<size_t>(std::llround(t / kSampleInterval)); }

class ModelEndToEnd : public rxtest::ScratchDirTest {
protected:
    void SetUp() override
    {
        rxtest::ScratchDirTest::SetUp();
        ASSERT_TRUE(lib.ok()) << lib.error();
    }
    amitest::AmiLibrary lib{amitest::RxPath()};
};

// The lossy channel of these tests and the CTLE setting that suits it.
const Channel kChannel{2, 40e-12, 0.4, 28};
constexpr int kLevel = 8;

// Every flight time over one bit (in steps of 8 samples; 32 in the sanitizer
// build, which is far slower) puts the data transitions at another phase of
// the free-running clock: the clock locks from each of them.
TEST_F(ModelEndToEnd, ClockLocksAndDecisionsMatchTheBits)
{
#ifdef AMI_SANITIZED
    const int step = 32;
#else
    const int step = 8;
#endif
    const std::vector<int> bits = Prbs15(6000);
    for (int delay = 4; delay < 64; delay += step) {
        Channel channel = kChannel;
        channel.delay = delay;
        const std::vector<double> wave = ChannelWave(bits, channel);
        const Result r = RunLibrary(lib, Params(0, 0, kLevel), wave, {64 * 997});
        ASSERT_EQ(r.initResult, 1) << r.initMessage;
        for (long w : r.waveResults) ASSERT_EQ(w, 1);
        ASSERT_GT(r.clockTimes.size(), 5000u) << "delay " << delay;

        // Locked: over the last 2000 clock periods every spacing is one bit
        // time to within two samples of jitter, and on average one bit time.
        const size_t n = r.clockTimes.size();
        const size_t first = n - 2000;
        for (size_t k = first + 1; k < n; ++k)
            ASSERT_NEAR(r.clockTimes[k] - r.clockTimes[k - 1], kBitTime, 2.5 * kSampleInterval)
                << "delay " << delay << ", period " << k;
        EXPECT_NEAR((r.clockTimes[n - 1] - r.clockTimes[first]) / (n - 1 - first), kBitTime, 0.01 * kSampleInterval)
            << "delay " << delay;

        // The decision held at each clock time is the transmitted bit, some
        // fixed number of bits late.
        std::vector<int> decided;
        for (size_t k = first; k < n; ++k) {
            const double d = r.output[SampleOf(r.clockTimes[k])];
            ASSERT_TRUE(d == 1.0 || d == -1.0) << d;
            decided.push_back(d > 0.0 ? 1 : 0);
        }
        size_t bestMatches = 0;
        for (size_t o = 0; o + decided.size() <= bits.size(); ++o) {
            size_t matches = 0;
            for (size_t k = 0; k < decided.size(); ++k) matches += decided[k] == bits[o + k];
            bestMatches = std::max(bestMatches, matches);
        }
        EXPECT_EQ(bestMatches, decided.size()) << "delay " << delay;
    }
}

TEST_F(ModelEndToEnd, ClockAndEqualisedSignalOutputs)
{
    const std::vector<double> wave = ChannelWave(Prbs15(800), kChannel);
    // RX_Config 1: the recovered clock as 0.0 / 1.0, falling at every clock time.
    const Result clk = RunLibrary(lib, Params(1, 0, kLevel), wave, {4096});
    ASSERT_EQ(clk.initResult, 1);
    for (double v : clk.output) ASSERT_TRUE(v == 0.0 || v == 1.0) << v;
    ASSERT_GT(clk.clockTimes.size(), 700u);
    for (double t : clk.clockTimes) {
        const size_t i = SampleOf(t);
        ASSERT_EQ(clk.output[i], 0.0);
        ASSERT_EQ(clk.output[i - 1], 1.0);
    }
    // RX_Config 2: the equalised signal, here the output of the CTLE filter
    // of the setting (the DFE taps are 0.0).
    const Result eq = RunLibrary(lib, Params(2, 0, kLevel), wave, {4096});
    ASSERT_EQ(eq.initResult, 1);
    double lo = 0.0, hi = 0.0;
    for (double v : eq.output) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_LT(lo, -0.2);
    EXPECT_GT(hi, 0.2);
    // Same clock in both configurations: the selection does not feed back.
    EXPECT_EQ(eq.clockTimes, clk.clockTimes);
}

TEST_F(ModelEndToEnd, AdaptationRunsItsPhasesIntoAdaptTxt)
{
    const std::vector<double> wave = ChannelWave(Prbs15(7000), kChannel);
    const Result r = RunLibrary(lib, Params(0, 1, 0), wave, {65536});
    ASSERT_EQ(r.initResult, 1);
    for (long w : r.waveResults) ASSERT_EQ(w, 1);
    const std::string text = ReadAll("Adapt.txt");
    const std::string header = "Begin CTLE adapt till CDR lock \nEQ_level \t C1 \t C2 \t C3 \t C4 \t C5 \t HEO value \t VEO value \t Range \n";
    ASSERT_EQ(text.compare(0, header.size(), header), 0) << text;
    const size_t endLock = text.find("End CTLE adapt till CDR lock \n");
    ASSERT_NE(endLock, std::string::npos) << text;
    const size_t beginOpt = text.find("Begin CTLE adapt till optimum \n");
    ASSERT_NE(beginOpt, std::string::npos) << text;
    EXPECT_LT(endLock, beginOpt);
    // The first row is measured at setting 0 with all taps 0.
    EXPECT_EQ(text.compare(header.size(), 18, "0\t\t0 \t0 \t0 \t0 \t0 \t"), 0) << text;
    // The eye monitor wrote one histogram per measurement row.
    const std::string eom = ReadAll("EOM.txt");
    size_t rows = 0, histograms = 0;
    for (size_t p = 0; (p = text.find("\t\t", p)) != std::string::npos; ++p) ++rows;
    for (size_t p = 0; (p = eom.find(" Print EOM data to file \n", p)) != std::string::npos; ++p) ++histograms;
    EXPECT_GE(rows, 2u);
    EXPECT_EQ(rows, histograms);
}

TEST_F(ModelEndToEnd, FixedSettingOutOfRangeFailsEveryCall)
{
    const std::vector<double> wave = ChannelWave(Prbs15(40), kChannel);
    void* h = nullptr;
    char* msg = nullptr;
    ASSERT_EQ(lib.InitWith(Params(0, 0, 32), kSampleInterval, kBitTime, &h, &msg), 1);
    for (int call = 0; call < 3; ++call) {
        std::vector<double> w = wave;
        std::vector<double> clocks(w.size() / kSamplesPerBit + 1, -2.0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(lib.GetWave(w.data(), static_cast<long>(w.size()), clocks.data(), nullptr, h), 0);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err,
                  "Control input signal value is equal to 32.  There are 32 inputs connected.  The valid "
                  "control input range is [0,31].\n");
        EXPECT_EQ(w, wave);  // the first Run failed: every sample keeps its value
        EXPECT_EQ(clocks[0], -1.0);
    }
    EXPECT_EQ(lib.Close(h), 1);
}

// Report files that cannot be opened (here: directories of those names) lose
// their text but never stop the model or change its samples.
TEST_F(ModelEndToEnd, UnopenableReportFilesDoNotStopTheModel)
{
    const std::vector<double> wave = ChannelWave(Prbs15(1500), kChannel);
    const Result normal = RunLibrary(lib, Params(2, 1, 0, 20), wave, {8192});
    ASSERT_EQ(std::remove("Adapt.txt"), 0);
    ASSERT_EQ(std::remove("EOM.txt"), 0);
    ASSERT_EQ(mkdir("Adapt.txt", 0700), 0);
    ASSERT_EQ(mkdir("EOM.txt", 0700), 0);
    const Result blocked = RunLibrary(lib, Params(2, 1, 0, 20), wave, {8192});
    ASSERT_EQ(blocked.initResult, 1);
    for (long w : blocked.waveResults) EXPECT_EQ(w, 1);
    EXPECT_EQ(blocked.output, normal.output);
    EXPECT_EQ(blocked.clockTimes, normal.clockTimes);
}

TEST_F(ModelEndToEnd, ResultsDoNotDependOnHowTheWaveformIsCut)
{
    const std::vector<double> wave = ChannelWave(Prbs15(1500), kChannel);
    const Result whole = RunLibrary(lib, Params(0, 1, 0, 20), wave, {wave.size()});
    const Result odd = RunLibrary(lib, Params(0, 1, 0, 20), wave, {1, 4099, 313, 64 * 31 + 7, 9973});
    ASSERT_EQ(whole.initResult, 1);
    ASSERT_EQ(odd.initResult, 1);
    ASSERT_EQ(whole.output.size(), odd.output.size());
    for (size_t i = 0; i < wave.size(); ++i) ASSERT_EQ(whole.output[i], odd.output[i]) << "sample " << i;
    // The clock times of every call are those of the whole run in its span
    // (a call of fewer than 64 samples has room for none).
    std::vector<double> inSpan;
    for (double t : odd.clockTimes) inSpan.push_back(t);
    size_t j = 0;
    for (double t : inSpan) {
        while (j < whole.clockTimes.size() && whole.clockTimes[j] < t) ++j;
        ASSERT_LT(j, whole.clockTimes.size());
        ASSERT_EQ(whole.clockTimes[j], t);
    }
    EXPECT_GT(odd.clockTimes.size(), whole.clockTimes.size() - 20);
}

}  // namespace

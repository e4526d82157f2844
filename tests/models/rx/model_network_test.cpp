// The receiver network driven directly: wiring, lifecycle, output selection,
// selector failures, report files, and the shared-history CTLE bank against
// the all-filters bank over a long adapting run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "dataflow/TimeResponseFIR.h"
#include "models/rx/CtleTables.h"
#include "models/rx/Vuraved_UV_IV.h"
#include "tests/models/rx/model_support.h"

namespace {

using rxtest::Channel;
using rxtest::ChannelWave;
using rxtest::Harness;
using rxtest::ModelSettings;
using rxtest::Prbs15;

// The output of the CTLE filter of a setting over a waveform, from a filter
// built in the test from the same table, summed with the lane sum the model
// uses (laneSum) or in tap order. With bound given, also the summation bound
// of each output: count * 2^-53 * sum_j |h_j x_{n-j}|, within which both sums
// lie of the exact value.
std::vector<double> ReferenceCtle(int setting, const std::vector<double>& wave, bool laneSum = true,
                                  std::vector<double>* bound = nullptr)
{
    const CtleTable& t = kCtleTableOfSetting[setting];
    std::vector<double> r(t.response, t.response + t.count), s(t.timeStamps, t.timeStamps + t.count);
    Vantrel::TimeResponseFIR f;
    f.ResponseType = 0;
    f.m_pdResponse = r.data();
    f.m_pdTimeStamps = s.data();
    f.m_iNumResponse = f.m_iNumTimeStamps = t.count;
    f.SampleRate = rxtest::kSamplesPerBit / rxtest::kBitTime;
    f.PairwiseSum = laneSum;
    double in = 0.0, out = 0.0;
    f.Input.SetBuffer(&in, 1, 1, 0);
    f.Output.SetBuffer(&out, 1, 1, 0);
    std::vector<double> y;
    if (!f.Setup() || !f.Initialize()) return y;
    for (size_t n = 0; n < wave.size(); ++n) {
        in = wave[n];
        f.Run();
        y.push_back(out);
        if (!bound) continue;
        double magnitude = 0.0;
        for (size_t j = 0; j < static_cast<size_t>(f.m_iNumTaps) && j <= n; ++j)
            magnitude += std::fabs(f.m_pdTaps[j] * wave[n - j]);
        bound->push_back(f.m_iNumTaps * 0x1p-53 * magnitude);
    }
    f.Finalize();
    return y;
}

class ModelNetwork : public rxtest::ScratchDirTest {};

TEST_F(ModelNetwork, WiresThreeHundredTenConnectionsAndFreesThem)
{
    Harness h(ModelSettings{});
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.model.ConnectionCount(), 310u);
    // A repeated Setup and Initialize frees what the first pair allocated;
    // between the two the model refuses to run on histories sized before.
    ASSERT_TRUE(h.model.Setup());
    EXPECT_FALSE(h.model.Run());
    ASSERT_TRUE(h.model.Initialize());
    EXPECT_EQ(h.model.ConnectionCount(), 310u);
    ASSERT_TRUE(h.Feed(std::vector<double>(100, 0.1)));
    EXPECT_TRUE(h.model.Finalize());
    EXPECT_EQ(h.model.ConnectionCount(), 0u);
    // A finalised model refuses to run rather than touch freed connections.
    EXPECT_FALSE(h.model.Run());
}

// Filters are built in the construction order of the bank: the ninth one
// serves setting 0 (table T3, the only one of 1472 taps at 64 samples per
// bit), the first one setting 24; each selector input m gets the filter of
// table kCtleTableNumber[m].
TEST_F(ModelNetwork, FiltersFollowTheConstructionOrder)
{
    Harness h(ModelSettings{});
    ASSERT_TRUE(h.model.Setup());
    Vuraved_UV_IV::Subnetwork_Subnetwork2& bank = h.model.Subnetwork2;
    EXPECT_EQ(&bank.FilterOfSetting(0), &bank.Filters[8]);
    EXPECT_EQ(&bank.FilterOfSetting(24), &bank.Filters[0]);
    EXPECT_EQ(&bank.FilterOfSetting(18), &bank.Filters[31]);
    for (int k = 0; k < 32; ++k) EXPECT_EQ(bank.Filters[k].m_iNumTaps, k == 8 ? 1472 : 1471) << "filter " << k;
    for (int m = 0; m < 32; ++m) {
        const CtleTable& t = kCtleTableOfSetting[m];
        Vantrel::TimeResponseFIR& f = bank.FilterOfSetting(m);
        ASSERT_EQ(f.m_iNumResponse, t.count);
        // The filter holds its own copy of the table (its time stamps are
        // shifted in place by Setup; the table's are untouched).
        EXPECT_NE(f.m_pdResponse, t.response);
        EXPECT_EQ(f.m_pdResponse[t.count / 2], t.response[t.count / 2]) << "setting " << m;
    }
    EXPECT_EQ(bank.CtleSelect.Inputs.GetSize(), 32u);
    EXPECT_EQ(bank.SymbolRate, 1.0 / h.model.BitTime);
}

TEST_F(ModelNetwork, LifecycleWithoutSetupIsSafe)
{
    {
        Vuraved_UV_IV never;  // destroyed without any lifecycle call
    }
    Vuraved_UV_IV m;
    EXPECT_TRUE(m.Finalize());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m.Initialize());
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(m.Run());
}

TEST_F(ModelNetwork, NonPositiveTimingFailsSetupWithTheFilterMessages)
{
    struct Case {
        double bitTime;
        int samplesPerBit;
    };
    for (const Case& c : {Case{-1e-10, 64}, Case{1e-10, 0}, Case{1e-10, -4}}) {
        Vuraved_UV_IV m;
        m.BitTime = c.bitTime;
        m.SamplesPerBit = c.samplesPerBit;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(m.Setup());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("SampleRate must be > 0.0\n"), std::string::npos) << err;
        EXPECT_TRUE(m.Finalize());
    }
}

TEST_F(ModelNetwork, EqualisedSignalIsTheSelectedFilterOutput)
{
    const std::vector<double> wave = ChannelWave(Prbs15(300), Channel{});
    for (int level : {0, 13, 31}) {
        ModelSettings s;
        s.rxConfig = 2;
        s.ctleAdapt = 0;
        s.eqLevel = level;
        Harness h(s);
        ASSERT_TRUE(h.Start());
        ASSERT_TRUE(h.Feed(wave));
        // Exact against the same sum; against the in-order sum within the
        // sum of the two summation bounds (they round differently).
        std::vector<double> bound;
        const std::vector<double> ref = ReferenceCtle(level, wave);
        const std::vector<double> inOrder = ReferenceCtle(level, wave, false, &bound);
        ASSERT_EQ(ref.size(), h.output.size());
        ASSERT_EQ(inOrder.size(), h.output.size());
        for (size_t i = 0; i < ref.size(); ++i) {
            ASSERT_EQ(h.output[i], ref[i]) << "setting " << level << ", sample " << i;
            ASSERT_LE(std::fabs(h.output[i] - inOrder[i]), 2.0 * bound[i])
                << "setting " << level << ", sample " << i << ": " << h.output[i] << " vs in order "
                << inOrder[i];
        }
    }
}

TEST_F(ModelNetwork, ConstantInputSettlesAtTheDcGainOfTheSetting)
{
    // DFE taps are 0.0, so eq_out is the CTLE output: a constant settles at
    // the DC gain of the selected filter (1.479 for setting 0, 1.978 for 31).
    for (int level : {0, 31}) {
        ModelSettings s;
        s.rxConfig = 2;
        s.ctleAdapt = 0;
        s.eqLevel = level;
        Harness h(s);
        ASSERT_TRUE(h.Start());
        ASSERT_TRUE(h.Feed(std::vector<double>(1600, 1.0)));
        EXPECT_NEAR(h.output.back(), level == 0 ? 1.479 : 1.978, 0.02);
        EXPECT_EQ(h.output.back(), ReferenceCtle(level, std::vector<double>(1600, 1.0)).back());
    }
}

TEST_F(ModelNetwork, OutputSelectionDecisionsAndClock)
{
    const std::vector<double> wave = ChannelWave(Prbs15(400), Channel{});
    ModelSettings s;
    s.rxConfig = 0;
    Harness dec(s);
    ASSERT_TRUE(dec.Start());
    ASSERT_TRUE(dec.Feed(wave));
    s.rxConfig = 1;
    Harness clk(s);
    ASSERT_TRUE(clk.Start());
    ASSERT_TRUE(clk.Feed(wave));
    // The VCO starts at cos(0): clock 1 at the first sample. The slicer's
    // previous clock level starts at 0, so that first sample is already a
    // rising edge and decides the sign of the first equalised sample (the
    // first tap is negative and the channel starts low: +1.0).
    EXPECT_EQ(clk.output[0], 1.0);
    EXPECT_EQ(dec.output[0], 1.0);
    for (size_t i = 0; i < wave.size(); ++i) {
        ASSERT_TRUE(clk.output[i] == 0.0 || clk.output[i] == 1.0) << i;
        ASSERT_TRUE(dec.output[i] == 1.0 || dec.output[i] == -1.0) << i;
        const double prevClk = i > 0 ? clk.output[i - 1] : 0.0;
        // Decisions change only on rising clock edges.
        if (i > 0 && dec.output[i] != dec.output[i - 1]) {
            ASSERT_TRUE(prevClk == 0.0 && clk.output[i] == 1.0) << i;
        }
        // Clock times mark the falling edges, at the time of their sample.
        const bool falling = i > 0 && clk.output[i - 1] == 1.0 && clk.output[i] == 0.0;
        if (falling) {
            ASSERT_DOUBLE_EQ(clk.clock[i], i * (rxtest::kBitTime / rxtest::kSamplesPerBit));
        } else {
            ASSERT_EQ(clk.clock[i], -1.0) << i;
        }
    }
}

// Every Run of a model whose selector control is out of range fails with the
// selector's message; the output keeps its previous value.
TEST_F(ModelNetwork, SelectorControlsOutOfRangeFailEveryRun)
{
    struct Case {
        int rxConfig, ctleAdapt, eqLevel;
        const char* message;
    };
    const Case cases[] = {
        {0, 0, 32, "Control input signal value is equal to 32.  There are 32 inputs connected.  The valid control input range is [0,31].\n"},
        {0, 0, -1, "Control input signal value is equal to -1.  There are 32 inputs connected.  The valid control input range is [0,31].\n"},
        {3, 0, 0, "Control input signal value is equal to 3.  There are 3 inputs connected.  The valid control input range is [0,2].\n"},
        {0, 2, 0, "Control input signal value is equal to 2.  There are 2 inputs connected.  The valid control input range is [0,1].\n"},
    };
    for (const Case& c : cases) {
        ModelSettings s;
        s.rxConfig = c.rxConfig;
        s.ctleAdapt = c.ctleAdapt;
        s.eqLevel = c.eqLevel;
        Harness h(s);
        ASSERT_TRUE(h.Start());
        for (int n = 0; n < 3; ++n) {
            testing::internal::CaptureStderr();
            EXPECT_FALSE(h.model.Run());
            const std::string err = testing::internal::GetCapturedStderr();
            EXPECT_NE(err.find(c.message), std::string::npos) << err;
        }
    }
}

TEST_F(ModelNetwork, ReportFilesAreCreatedOnTheFirstSampleWithoutAdaptation)
{
    ModelSettings s;
    s.ctleAdapt = 0;
    Harness h(s);
    ASSERT_TRUE(h.Start());
    EXPECT_FALSE(Exists("Adapt.txt"));
    ASSERT_TRUE(h.Feed(std::vector<double>(1, 0.2)));
    EXPECT_TRUE(Exists("Adapt.txt"));
    EXPECT_TRUE(Exists("EOM.txt"));
    // No measurement is ever requested: both stay empty.
    ASSERT_TRUE(h.Feed(ChannelWave(Prbs15(1200), Channel{})));
    EXPECT_EQ(ReadAll("Adapt.txt"), "");
    EXPECT_EQ(ReadAll("EOM.txt"), "");
}

// Adaptation waits for 500 clock periods before its first request; the
// monitor starts 101 clock edges after the request and measures 200 periods,
// so the first result lands some 800 periods into the waveform.
TEST_F(ModelNetwork, FirstMeasurementFollowsTheStartDelays)
{
    const std::vector<double> wave = ChannelWave(Prbs15(900), Channel{2, 40e-12, 0.4, 28});
    const std::string begin = "Begin CTLE adapt till CDR lock \nEQ_level \t C1 \t C2 \t C3 \t C4 \t C5 \t HEO value \t VEO value \t Range \n";
    Harness h(ModelSettings{});
    ASSERT_TRUE(h.Start());
    ASSERT_TRUE(h.Feed(wave, 0, 64 * 495));
    EXPECT_EQ(ReadAll("Adapt.txt"), "");
    ASSERT_TRUE(h.Feed(wave, 64 * 495, 64 * 105));
    EXPECT_EQ(ReadAll("Adapt.txt"), begin);  // requested, not yet measured
    EXPECT_EQ(ReadAll("EOM.txt"), "");
    ASSERT_TRUE(h.Feed(wave, 64 * 600, wave.size() - 64 * 600));
    const std::string adapt = ReadAll("Adapt.txt");
    ASSERT_EQ(adapt.compare(0, begin.size(), begin), 0);
    EXPECT_EQ(adapt.compare(begin.size(), 18, "0\t\t0 \t0 \t0 \t0 \t0 \t"), 0) << adapt;
    const std::string eom = ReadAll("EOM.txt");
    EXPECT_EQ(eom.compare(0, 25, " Print EOM data to file \n"), 0);
    EXPECT_EQ(std::count(eom.begin(), eom.end(), '\n'), 65);
}

// A channel lossy enough that the eye is closed at the first settings, so
// that adaptation walks the setting up several times; short measurements
// keep the run short.
struct AdaptRun {
    std::vector<double> wave;
    ModelSettings settings;
};

AdaptRun LongAdaptingRun()
{
    AdaptRun r;
    Channel ch;
    ch.poles = 3;
    ch.tau = 45e-12;
    r.wave = ChannelWave(Prbs15(2600), ch);
    r.settings.rxConfig = 2;
    r.settings.ctleAdapt = 1;
    r.settings.eomNbits = 20;
    return r;
}

TEST_F(ModelNetwork, SharedHistoryBankMatchesTheAllFiltersBank)
{
    const AdaptRun run = LongAdaptingRun();
    std::string adapt[2], eom[2];
    std::vector<double> out[2], clk[2];
    std::vector<int> setting[2];
    for (int path = 0; path < 2; ++path) {
        const std::string dir = path ? "all" : "shared";
        ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        {
            ModelSettings s = run.settings;
            s.allFilters = path == 1;
            Harness h(s);
            EXPECT_EQ(h.model.AllCtleFilters(), path == 1);
            ASSERT_TRUE(h.Start());
            // Fed in two pieces, as two AMI_GetWave calls would.
            ASSERT_TRUE(h.Feed(run.wave, 0, 77777));
            ASSERT_TRUE(h.Feed(run.wave, 77777, run.wave.size() - 77777));
            out[path] = h.output;
            clk[path] = h.clock;
            setting[path] = h.setting;
        }
        adapt[path] = ReadAll("Adapt.txt");
        eom[path] = ReadAll("EOM.txt");
        ASSERT_EQ(chdir(".."), 0);
    }
    // The adaptation did move the setting several times.
    std::set<int> visited(setting[0].begin(), setting[0].end());
    EXPECT_GE(visited.size(), 3u) << adapt[0];
    int changes = 0;
    for (size_t i = 1; i < setting[0].size(); ++i) changes += setting[0][i] != setting[0][i - 1];
    EXPECT_GE(changes, 3) << adapt[0];

    ASSERT_EQ(out[0].size(), out[1].size());
    for (size_t i = 0; i < out[0].size(); ++i) {
        ASSERT_EQ(out[0][i], out[1][i]) << "output sample " << i;
        ASSERT_EQ(clk[0][i], clk[1][i]) << "clock at sample " << i;
        ASSERT_EQ(setting[0][i], setting[1][i]) << "setting at sample " << i;
    }
    EXPECT_FALSE(adapt[0].empty());
    EXPECT_FALSE(eom[0].empty());
    EXPECT_EQ(adapt[0], adapt[1]);
    EXPECT_EQ(eom[0], eom[1]);
}

}  // namespace

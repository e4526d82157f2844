// The receiver's fast firing and its CTLE output computed ahead, against the
// whole schedule fired on every sample with the CTLE output summed per sample
// (SetFastFiring(false), the reference): over end-to-end signals and
// settings, sample by sample and in announced blocks of several sizes, the
// decisions, the clock times, the CTLE setting and "Adapt.txt" and "EOM.txt"
// are identical; the equalised signal (RX_Config 2) is identical sample by
// sample and within the FFT's error bound in blocks.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tests/models/rx/model_support.h"

namespace {

using rxtest::Channel;
using rxtest::ChannelWave;
using rxtest::ModelSettings;
using rxtest::Prbs15;

std::string ReadFile(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Trace {
    std::vector<double> output, clock;
    std::vector<int> setting;
    std::vector<char> result;
    std::string adapt, eom;
    size_t segments = 0, fallbacks = 0;
    double tapsAbsSum = 0.0;  // the largest sum |h| of the 32 filters
    size_t largestTransform = 0;
};

// Runs the wave through a model in the current directory. block 0: one
// sample at a time, nothing announced; otherwise blocks of that size are
// announced and their outputs written over them, as AMI_GetWave does.
Trace Drive(const ModelSettings& s, bool fast, const std::vector<double>& wave, size_t block,
            int samplesPerBit, double sampleInterval)
{
    Trace t;
    {
        Vuraved_UV_IV m;
        double in = 0.0, out = 0.0, clock = 0.0;
        m.BitTime = rxtest::kBitTime;
        m.SamplesPerBit = samplesPerBit;
        m.SampleInterval = sampleInterval;
        m.RX_Config = s.rxConfig;
        m.CTLEAdapt = s.ctleAdapt;
        m.EQ_Level = s.eqLevel;
        m.EOMNbits = s.eomNbits;
        m.SetFastFiring(fast);
        m.InputPort.SetBuffer(&in, 1, 1, 0);
        m.OutputPort.SetBuffer(&out, 1, 1, 0);
        m.ClockPort.SetBuffer(&clock, 1, 1, 0);
        EXPECT_TRUE(m.Setup());
        EXPECT_TRUE(m.Initialize());
        size_t window = 0;
        for (int k = 0; k < Vuraved_UV_IV::kCtleSettings; ++k) {
            const Vantrel::TimeResponseFIR& f = m.Subnetwork2.Filters[k];
            double sum = 0.0;
            for (int j = 0; j < f.m_iNumTaps; ++j) sum += std::fabs(f.m_pdTaps[j]);
            t.tapsAbsSum = std::max(t.tapsAbsSum, sum);
            window = std::max(window, static_cast<size_t>(f.m_iNumTaps));
        }
        // The largest transform the lookahead uses for this window.
        CtleLookahead probe;
        if (probe.Allocate(window)) t.largestTransform = probe.LongestSegment() + window - 1;
        std::vector<double> buf;
        for (size_t pos = 0; pos < wave.size();) {
            const size_t n = block == 0 ? 1 : std::min(block, wave.size() - pos);
            buf.assign(wave.begin() + pos, wave.begin() + pos + n);
            if (block != 0) m.Lookahead(buf.data(), n);
            for (size_t i = 0; i < n; ++i) {
                in = buf[i];
                t.result.push_back(m.Run() ? 1 : 0);
                buf[i] = out;
                t.clock.push_back(clock);
                t.setting.push_back(m.Subnetwork2.EqCode[0]);
            }
            t.output.insert(t.output.end(), buf.begin(), buf.end());
            pos += n;
        }
        t.segments = m.CtleSegmentCount();
        t.fallbacks = m.CtleExactFallbackCount();
        m.Finalize();
    }
    t.adapt = ReadFile("Adapt.txt");
    t.eom = ReadFile("EOM.txt");
    return t;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Case {
    const char* name;
    ModelSettings settings;
    std::vector<double> wave;
    int samplesPerBit = rxtest::kSamplesPerBit;
    bool settingMoves = false;  // the adaptation changes the setting several times
    double sampleInterval = 0.0;  // 0.0: BitTime / SamplesPerBit
};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    Channel lossy;
    lossy.poles = 3;
    lossy.tau = 45e-12;
    // Adaptation moves the setting several times; many short measurements.
    cases.push_back({"adapting_eq_out", {2, 1, 0, 20, false}, ChannelWave(Prbs15(2600), lossy), 64, true});
    const Channel mild{2, 40e-12, 0.4, 28};
    cases.push_back({"fixed31_decisions", {0, 0, 31, 200, false}, ChannelWave(Prbs15(1200), mild)});
    cases.push_back({"fixed8_clock", {1, 0, 8, 200, false}, ChannelWave(Prbs15(1200), mild)});
    // Silence (outputs within the bound of 0.0 take the exact sum), a
    // non-finite burst and a huge sample inside an adapting run.
    std::vector<double> rough = ChannelWave(Prbs15(1600), lossy);
    std::fill(rough.begin() + 20000, rough.begin() + 30000, 0.0);
    rough[40000] = std::numeric_limits<double>::quiet_NaN();
    rough[50000] = 1e300;
    rough[60000] = std::numeric_limits<double>::infinity();
    cases.push_back({"silence_and_nonfinite", {2, 1, 0, 20, false}, rough, 64, true});
    // Settings the selectors reject: every Run fails the same way.
    cases.push_back({"eq_level_32", {2, 0, 32, 200, false}, ChannelWave(Prbs15(300), mild)});
    cases.push_back({"rx_config_3", {3, 1, 0, 20, false}, ChannelWave(Prbs15(300), mild)});
    // Other rates: other tap counts, windows and transform sizes.
    cases.push_back({"adapting_16_per_bit", {2, 1, 0, 20, false}, ChannelWave(Prbs15(2000), lossy, 16), 16, true});
    cases.push_back({"adapting_128_per_bit", {2, 1, 0, 20, false}, ChannelWave(Prbs15(700), lossy, 128), 128});
    // A sample interval of 1 ps: 96.97 samples per bit, time stepped by the interval.
    cases.push_back({"interval_1ps", {0, 1, 0, 20, false}, ChannelWave(Prbs15(900), lossy, 97), 97, false, 1e-12});
    return cases;
}

class ModelFiring : public rxtest::ScratchDirTest {};

TEST_F(ModelFiring, SameDecisionsClockTimesAndReportsAsTheWholeSchedule)
{
    const size_t kBlocks[] = {0, 1, 7, 100, 1000, 6721, 65536, std::numeric_limits<size_t>::max()};
    int dirCount = 0;
    auto inDir = [&](auto body) {
        const std::string dir = "run" + std::to_string(dirCount++);
        EXPECT_EQ(mkdir(dir.c_str(), 0700), 0);
        EXPECT_EQ(chdir(dir.c_str()), 0);
        Trace t = body();
        EXPECT_EQ(chdir(".."), 0);
        return t;
    };
    for (const Case& c : Cases()) {
        const Trace ref = inDir([&] { return Drive(c.settings, false, c.wave, 0, c.samplesPerBit, c.sampleInterval); });
        // max|x| near each sample: over chunks of 1000 samples, the chunks
        // within 21 (45 at 128 samples per bit) of the sample's own (a
        // segment reads at most two transforms of inputs around its outputs).
        std::vector<double> chunkMax(c.wave.size() / 1000 + 1, 0.0);
        ASSERT_GT(ref.largestTransform, 0u);
        for (size_t i = 0; i < c.wave.size(); ++i)
            if (std::isfinite(c.wave[i])) chunkMax[i / 1000] = std::max(chunkMax[i / 1000], std::fabs(c.wave[i]));
        auto maxAbsNear = [&](size_t i) {
            const size_t reach = 2 * ref.largestTransform / 1000 + 5;
            const size_t k = i / 1000, lo = k > reach ? k - reach : 0, hi = std::min(chunkMax.size() - 1, k + reach);
            return *std::max_element(chunkMax.begin() + lo, chunkMax.begin() + hi + 1);
        };
        double peak = 0.0;
        for (double y : ref.output)
            if (std::isfinite(y) && std::fabs(y) < 1e10) peak = std::max(peak, std::fabs(y));
        for (size_t block : kBlocks) {
            SCOPED_TRACE(std::string(c.name) + ", block " + std::to_string(block));
            const Trace fast = inDir([&] { return Drive(c.settings, true, c.wave, block, c.samplesPerBit, c.sampleInterval); });
            ASSERT_EQ(fast.output.size(), ref.output.size());
            EXPECT_EQ(fast.adapt, ref.adapt);
            EXPECT_EQ(fast.eom, ref.eom);
            double worst = 0.0;
            for (size_t i = 0; i < ref.output.size(); ++i) {
                ASSERT_EQ(fast.result[i], ref.result[i]) << "Run result at sample " << i;
                ASSERT_TRUE(SameBits(fast.clock[i], ref.clock[i])) << "clock port at sample " << i;
                ASSERT_EQ(fast.setting[i], ref.setting[i]) << "setting at sample " << i;
                const double a = fast.output[i], b = ref.output[i];
                if (block == 0 || c.settings.rxConfig != 2 || !std::isfinite(b)) {
                    ASSERT_TRUE(SameBits(a, b)) << "output at sample " << i << ": " << a << " vs " << b;
                } else {
                    // The equalised signal's error bound at the largest
                    // transform (1.2e-10 sum|h| max|x| at 8192 points).
                    const double bound = Vantrel::FftConvolver::RelativeErrorBound(ref.largestTransform) *
                                         ref.tapsAbsSum * maxAbsNear(i);
                    ASSERT_LE(std::fabs(a - b), bound) << "output at sample " << i;
                    ASSERT_EQ(a > 0.0, b > 0.0) << "output sign at sample " << i;
                    if (std::fabs(b) < 1e10) worst = std::max(worst, std::fabs(a - b));
                }
            }
            if (block >= CtleLookahead::kMinSegment && c.settings.rxConfig <= 2 && c.settings.eqLevel < 32) {
                EXPECT_GT(fast.segments, 0u) << "the CTLE output was never computed ahead";
            }
            if (c.settings.rxConfig == 2 && peak > 0.0 && worst > 0.0) {
                // Observed rounding, relative to the signal's peak (about 1e-16).
                EXPECT_LT(worst / peak, 1e-12);
            }
            if (std::string(c.name) == "silence_and_nonfinite" && block >= 1000) {
                EXPECT_GT(fast.fallbacks, 0u) << "silence should take the exact sum";
            }
        }
        if (c.settingMoves) {
            int changes = 0;
            for (size_t i = 1; i < ref.setting.size(); ++i) changes += ref.setting[i] != ref.setting[i - 1];
            EXPECT_GE(changes, 3) << c.name << ": the setting should move during the run";
        }
    }
}

}  // namespace

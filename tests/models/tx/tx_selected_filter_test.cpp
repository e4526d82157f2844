// The transmitter computing only the filter that reaches its output (the
// default), fired sample by sample and given whole blocks (RunBlock, as the
// entry points do), against the same model firing all sixteen filters at
// every sample (SetAllFilters(true)): identical output bits, Run results and
// standard error text for every level setting, in range or not, whatever
// the block sizes and however the modes follow each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/models/tx/TxHarness.h"

namespace {

using txtest::CaptureErr;
using txtest::Harness;
using txtest::Settings;

// Everything a run of the model shows: the output bits and Run's result of
// every sample (all samples are fed, whether Run fails or not), and the text
// written to standard error from construction on.
struct Observed {
    std::vector<uint64_t> bits;
    std::vector<bool> runOk;
    std::string err;
    bool setupOk = false;
    bool initOk = false;
};

uint64_t Bits(double v)
{
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

void Feed(Harness& h, const std::vector<double>& x, Observed& o)
{
    for (double v : x) {
        o.bits.push_back(Bits(h.Step(v)));
        o.runOk.push_back(h.runOk);
    }
}

// RunBlock over x in pieces of the given sizes (cycled). A firing that
// fails ends a piece early: its output port value and false are recorded as
// Feed records them, and the rest of the piece goes to the next call.
void FeedBlocks(Harness& h, const std::vector<double>& x, const std::vector<size_t>& pieces, Observed& o)
{
    std::vector<double> wave(x);
    size_t at = 0;
    for (size_t k = 0; at < wave.size(); ++k) {
        const size_t n = std::min(pieces[k % pieces.size()], wave.size() - at);
        for (size_t done = 0; done < n;) {
            const size_t ok = h.model.RunBlock(&wave[at + done], n - done);
            for (size_t i = 0; i < ok; ++i) {
                o.bits.push_back(Bits(wave[at + done + i]));
                o.runOk.push_back(true);
            }
            done += ok;
            if (done < n) {
                EXPECT_EQ(wave[at + done], x[at + done]) << "a failed firing leaves its sample";
                o.bits.push_back(Bits(h.model.OutputPort[0]));
                o.runOk.push_back(false);
                ++done;
            }
        }
        at += n;
    }
}

enum class Mode { Selected, AllFilters, Blocks };

Observed RunModel(const Settings& s, Mode mode, const std::vector<double>& x,
                  const std::vector<size_t>& pieces = {4096})
{
    Observed o;
    o.err = CaptureErr([&] {
        Harness h(s);
        h.model.SetAllFilters(mode == Mode::AllFilters);
        o.setupOk = h.setupOk;
        o.initOk = h.initOk;
        if (mode == Mode::Blocks)
            FeedBlocks(h, x, pieces, o);
        else
            Feed(h, x, o);
    });
    return o;
}

void ExpectSame(const Observed& fast, const Observed& all, const std::string& what)
{
    EXPECT_EQ(fast.setupOk, all.setupOk) << what;
    EXPECT_EQ(fast.initOk, all.initOk) << what;
    ASSERT_EQ(fast.bits.size(), all.bits.size()) << what;
    for (size_t i = 0; i < fast.bits.size(); ++i)
        ASSERT_EQ(fast.bits[i], all.bits[i]) << what << ", sample " << i;
    EXPECT_EQ(fast.runOk, all.runOk) << what;
    EXPECT_EQ(fast.err, all.err) << what;
}

}  // namespace

// Every (VOD_Level, DE_Level, TX_bypass) including values one beyond each end
// of the ranges, at two rates (620 and 130 taps per filter), over a stimulus
// of several filter lengths so that every history wraps many times.
TEST(TxSelectedFilter, SameAsAllFiltersForEveryLevelSetting)
{
    const int vods[] = {-1, 0, 1, 2, 3, 4};
    const int des[] = {-1, 0, 1, 2, 3, 4};
    const int bypasses[] = {-1, 0, 1, 2};
    const struct { int samplesPerBit; size_t samples; } rates[] = {{128, 2600}, {27, 1500}};
    int shaped = 0, failing = 0;
    for (const auto& r : rates) {
        const std::vector<double> x = txtest::Stimulus(r.samples, 17u + r.samplesPerBit);
        for (int vod : vods)
            for (int de : des)
                for (int bypass : bypasses) {
                    Settings s;
                    s.samplesPerBit = r.samplesPerBit;
                    s.vod = vod;
                    s.de = de;
                    s.bypass = bypass;
                    const std::string what = "SamplesPerBit " + std::to_string(r.samplesPerBit) +
                                             ", VOD_Level " + std::to_string(vod) + ", DE_Level " +
                                             std::to_string(de) + ", TX_bypass " + std::to_string(bypass);
                    const Observed fast = RunModel(s, Mode::Selected, x);
                    const Observed all = RunModel(s, Mode::AllFilters, x);
                    ASSERT_TRUE(all.initOk) << what;
                    ExpectSame(fast, all, what);
                    ExpectSame(RunModel(s, Mode::Blocks, x, {1, 613, 7, 4096}), all, what + ", blocks");
                    // The comparison is worth something only if the cases
                    // include shaped output and failing runs with messages.
                    const bool inRange = vod >= 0 && vod <= 3 && de >= 0 && de <= 3 &&
                                         (bypass == 0 || bypass == 1);
                    if (inRange && bypass == 0) {
                        size_t nonZero = 0;
                        for (uint64_t b : all.bits) nonZero += (b << 1) != 0;
                        EXPECT_GT(nonZero, r.samples / 2) << what;
                        ++shaped;
                    }
                    if (!inRange) {
                        EXPECT_FALSE(all.runOk.front()) << what;
                        EXPECT_FALSE(all.err.empty()) << what;
                        ++failing;
                    } else {
                        EXPECT_TRUE(all.err.empty()) << what;
                    }
                }
    }
    EXPECT_EQ(shaped, 2 * 16);
    EXPECT_EQ(failing, 2 * (6 * 6 * 4 - 16 * 2));
}

// The selection follows the controls of each firing and the filters'
// history is kept current: a Setup between samples that changes the levels
// (same rate, no new Initialize) continues exactly as the all-filters model
// does, the newly selected filter having seen every earlier sample. Run
// selected only, and with the mode changing at every step (per-sample,
// blocks, all filters), so that the filters' own histories are caught up
// from the shared one after selected firings and blocks.
TEST(TxSelectedFilter, SelectionChangedBetweenSamplesStaysIdentical)
{
    // 10,000 samples: the shared history moves its window (every 4096 samples).
    const std::vector<double> x = txtest::Stimulus(10000, 5);
    const struct { int vod, de, bypass; } steps[] = {{2, 0, 0}, {1, 3, 0}, {1, 3, 1}, {3, 1, 0}, {0, 2, 0}};
    const size_t nSteps = sizeof steps / sizeof steps[0];
    const Mode mixed[nSteps] = {Mode::Blocks, Mode::AllFilters, Mode::Blocks, Mode::Selected, Mode::AllFilters};
    for (int samplesPerBit : {128, 40}) {
        Observed obs[3];  // all filters, selected, mixed
        for (int run = 0; run < 3; ++run) {
            obs[run].err = CaptureErr([&] {
                Settings s;
                s.samplesPerBit = samplesPerBit;
                s.vod = steps[0].vod;
                s.de = steps[0].de;
                s.bypass = steps[0].bypass;
                Harness h(s);
                ASSERT_TRUE(h.initOk);
                const size_t part = x.size() / nSteps;
                for (size_t k = 0; k < nSteps; ++k) {
                    if (k > 0) {
                        h.model.VOD_Level = steps[k].vod;
                        h.model.DE_Level = steps[k].de;
                        h.model.TX_bypass = steps[k].bypass;
                        ASSERT_TRUE(h.model.Setup());
                    }
                    const Mode mode = run == 0 ? Mode::AllFilters : run == 1 ? Mode::Selected : mixed[k];
                    h.model.SetAllFilters(mode == Mode::AllFilters);
                    const std::vector<double> piece(x.begin() + k * part, x.begin() + (k + 1) * part);
                    if (mode == Mode::Blocks)
                        FeedBlocks(h, piece, {97, 1, 250}, obs[run]);
                    else
                        Feed(h, piece, obs[run]);
                }
            });
        }
        ASSERT_EQ(obs[0].bits.size(), x.size() / 5 * 5);
        ExpectSame(obs[1], obs[0], "SamplesPerBit " + std::to_string(samplesPerBit) + ", selected");
        ExpectSame(obs[2], obs[0], "SamplesPerBit " + std::to_string(samplesPerBit) + ", mixed modes");
        for (bool ok : obs[0].runOk) EXPECT_TRUE(ok);
    }
}

// A Setup between samples at another rate resizes the filters' histories:
// the model then fails every Run (no filter reads past its old history)
// until Initialize, after which it runs from rest, in both modes.
TEST(TxSelectedFilter, SetupAtAnotherRateNeedsInitialize)
{
    const std::vector<double> x = txtest::Stimulus(1500, 9);
    for (bool all : {false, true})
        for (int to : {128, 4}) {
            Settings s;
            s.samplesPerBit = 16;
            Harness h(s);
            ASSERT_TRUE(h.initOk);
            h.model.SetAllFilters(all);
            h.Process(std::vector<double>(x.begin(), x.begin() + 100));
            ASSERT_TRUE(h.runOk);
            h.model.SamplesPerBit = to;
            ASSERT_TRUE(h.model.Setup());
            for (int i = 0; i < 50; ++i) {
                h.Step(1.0);
                ASSERT_FALSE(h.runOk) << to << " samples per bit, all filters " << all;
            }
            std::vector<double> block(64, 1.0);
            EXPECT_EQ(h.model.RunBlock(block.data(), block.size()), 0u) << to << " samples per bit";
            ASSERT_TRUE(h.model.Initialize());
            Settings fresh = s;
            fresh.samplesPerBit = to;
            Harness ref(fresh);
            ASSERT_TRUE(ref.initOk);
            EXPECT_EQ(h.Process(x), ref.Process(x)) << to << " samples per bit, all filters " << all;
        }
}

namespace {

// A link's stimulus: symbols of `levels` levels (2: NRZ, 4: PAM4, the
// middle ones +-1/3) held for samplesPerBit samples, each edge moved by up
// to `jitter` samples either way, and a stretch of zeros (an idle line).
std::vector<double> LinkStimulus(size_t bits, int samplesPerBit, int levels, int jitter, unsigned seed)
{
    std::vector<double> x;
    unsigned s = seed;
    for (size_t b = 0; b < bits; ++b) {
        s = s * 1664525u + 1013904223u;
        const int level = static_cast<int>((s >> 20) % static_cast<unsigned>(levels));
        const double v = b >= bits / 2 && b < bits / 2 + 8 ? 0.0 : -1.0 + 2.0 * level / (levels - 1);
        const int shift = jitter > 0 ? static_cast<int>((s >> 8) % (2u * jitter + 1)) - jitter : 0;
        const size_t end = static_cast<size_t>(static_cast<int>((b + 1) * samplesPerBit) + shift);
        while (x.size() < end) x.push_back(v);
    }
    return x;
}

}  // namespace

// Blocks remember the lane sum of each window they have seen and give it
// again when the window comes back: for stimuli as links send them (NRZ and
// PAM4, edges on the sample grid or jittered, idle stretches) and levels
// changed by a Setup between blocks, the output bits are those of the
// network firing all sixteen filters, and the remembered sums are used.
TEST(TxSelectedFilter, RememberedSumsAreTheNetworksOutput)
{
    const struct { int samplesPerBit, levels, jitter; } cases[] = {
        {64, 2, 0}, {64, 4, 0}, {27, 2, 3}, {16, 4, 1}, {128, 2, 0}, {5, 2, 2}};
    const struct { int vod, de; } steps[] = {{2, 0}, {1, 3}, {3, 1}};
    for (const auto& c : cases) {
        const std::vector<double> x = LinkStimulus(600, c.samplesPerBit, c.levels, c.jitter, 7u + c.levels);
        const size_t part = x.size() / 3;
        Observed obs[2];
        uint64_t hits = 0;
        for (int run = 0; run < 2; ++run) {
            obs[run].err = CaptureErr([&] {
                Settings s;
                s.samplesPerBit = c.samplesPerBit;
                Harness h(s);
                ASSERT_TRUE(h.initOk);
                h.model.SetAllFilters(run == 0);
                for (size_t k = 0; k < 3; ++k) {
                    h.model.VOD_Level = steps[k].vod;
                    h.model.DE_Level = steps[k].de;
                    ASSERT_TRUE(h.model.Setup());
                    const std::vector<double> piece(x.begin() + k * part, x.begin() + (k + 1) * part);
                    if (run == 0)
                        Feed(h, piece, obs[run]);
                    else
                        FeedBlocks(h, piece, {1, 613, 4096, 37}, obs[run]);
                }
                hits = h.model.Memo().Hits();
            });
        }
        const std::string what = "SamplesPerBit " + std::to_string(c.samplesPerBit) + ", " +
                                 std::to_string(c.levels) + " levels, jitter " + std::to_string(c.jitter);
        ExpectSame(obs[1], obs[0], what);
        // Edges on the grid repeat their windows more often than jittered ones.
        EXPECT_GT(hits, x.size() / (c.jitter == 0 ? 2 : 8)) << what;
    }
}

// Alignment and bit-error counting, clock lock and jitter, eye folding, and
// the reading of the receiver's adaptation log.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "linksim/AmiModel.h"
#include "linksim/Analysis.h"
#include "linksim/Prbs.h"

namespace {

using linksim::Alignment;

constexpr double kSpb = 64.0;

std::vector<uint8_t> PrbsBits(int order, size_t n)
{
    linksim::Prbs p(order);
    std::vector<uint8_t> b(n);
    p.Fill(b.data(), n);
    return b;
}

// Decision instants near the middle of each slot, with some jitter, and
// decisions that repeat the bits `lag` slots earlier.
struct Link {
    std::vector<double> centres;
    std::vector<int8_t> decisions;
};
Link MakeLink(const std::vector<uint8_t>& tx, size_t count, int64_t lag, bool inverted, double phase,
              const std::set<size_t>& errorsAt)
{
    Link l;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> jitter(-0.3 * kSpb, 0.3 * kSpb);
    for (size_t k = 0; k < count; ++k) {
        const int64_t slot = static_cast<int64_t>(k) + lag + 10;
        l.centres.push_back(slot * kSpb + phase + jitter(rng));
        int s = tx[static_cast<size_t>(slot - lag)] ? 1 : -1;
        if (inverted) s = -s;
        if (errorsAt.count(k)) s = -s;
        l.decisions.push_back(static_cast<int8_t>(s));
    }
    return l;
}

TEST(Alignment, FindsLatencyPolarityAndCountsInjectedErrors)
{
    const auto tx = PrbsBits(15, 30000);
    struct Case {
        int64_t lag;
        bool inverted;
        double phase;  // where in the slot the instants sit, samples
        std::set<size_t> errors;
    };
    const Case cases[] = {
        {0, false, 32.0, {}},
        {37, true, 32.0, {5, 6, 7, 1000}},
        {123, false, 63.5, {20000}},  // instants straddle the slot edge
        {500, true, 0.2, {0, 19999}},
    };
    for (const auto& c : cases) {
        const Link l = MakeLink(tx, 20000, c.lag, c.inverted, c.phase, c.errors);
        const auto slots = linksim::SlotsFromCentres(l.centres, kSpb, 0);
        const Alignment a = linksim::AlignDecisions(tx, slots.slot, l.decisions, 0, 4096, 1000);
        ASSERT_TRUE(a.found) << "lag " << c.lag;
        // The slots may be numbered from the neighbouring slot edge when the
        // instants sit at a slot boundary; the lag follows the numbering.
        const int64_t shift = slots.slot[0] - (c.lag + 10);
        EXPECT_LE(std::abs(shift), 1);
        EXPECT_EQ(a.lag, c.lag + shift);
        EXPECT_EQ(a.inverted, c.inverted) << "lag " << c.lag;
        const auto e = linksim::CountErrors(tx, slots.slot, l.decisions, 0, a);
        size_t inRange = 0;
        for (size_t k : c.errors) inRange += k < 20000 ? 1 : 0;
        EXPECT_EQ(e.errors, inRange) << "lag " << c.lag;
        EXPECT_EQ(e.compared, 20000u) << "lag " << c.lag;
        const int64_t firstError = (c.errors.empty() || *c.errors.begin() >= 20000)
                                       ? -1
                                       : static_cast<int64_t>(*c.errors.begin());
        EXPECT_EQ(e.firstErrorDecision, firstError) << "lag " << c.lag;
        // Counting from a later decision leaves out the earlier errors.
        const auto late = linksim::CountErrors(tx, slots.slot, l.decisions, 10000, a);
        size_t lateErrors = 0;
        for (size_t k : c.errors) lateErrors += (k >= 10000 && k < 20000) ? 1 : 0;
        EXPECT_EQ(late.errors, lateErrors);
        EXPECT_EQ(late.compared, 10000u);
    }
}

TEST(Alignment, TheLagIsTheLinkLatencyInSlots)
{
    const auto tx = PrbsBits(7, 5000);
    const Link l = MakeLink(tx, 3000, 42, false, 30.0, {});
    const auto slots = linksim::SlotsFromCentres(l.centres, kSpb, 0);
    EXPECT_NEAR(slots.phase, 30.0, 2.0);
    const Alignment a = linksim::AlignDecisions(tx, slots.slot, l.decisions, 0, 3000, 100);
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.lag, 42);
    EXPECT_DOUBLE_EQ(a.agreement, 1.0);
}

TEST(Alignment, UnrelatedDecisionsAreNotAligned)
{
    const auto tx = PrbsBits(31, 20000);
    std::mt19937 rng(11);
    std::vector<int8_t> d(8000);
    std::vector<double> centres(8000);
    for (size_t k = 0; k < d.size(); ++k) {
        d[k] = (rng() & 1) ? 1 : -1;
        centres[k] = (k + 50) * kSpb + 32.0;
    }
    const auto slots = linksim::SlotsFromCentres(centres, kSpb, 0);
    const Alignment a = linksim::AlignDecisions(tx, slots.slot, d, 0, 8000, 200);
    EXPECT_FALSE(a.found);
    EXPECT_LT(a.agreement, 0.6);
    EXPECT_EQ(linksim::CountErrors(tx, slots.slot, d, 0, a).compared, 0u);
}

// Clock edges: an acquisition whose phase moves by `slew` per period for
// `acquire` periods, then a locked clock that dithers by +-1 sample.
std::vector<double> Edges(size_t acquire, size_t locked, double slew)
{
    std::vector<double> e;
    double t = 100.0;
    for (size_t k = 0; k < acquire; ++k) e.push_back(t += kSpb + slew);
    for (size_t k = 0; k < locked; ++k) e.push_back(t += kSpb + ((k & 1) ? 1.0 : -1.0));
    return e;
}

TEST(ClockLock, LocksWhereThePhaseStopsMoving)
{
    const auto e = Edges(300, 2000, 0.5);
    const auto lock = linksim::DetectLock(e, kSpb, 128, 0.1 * kSpb);
    ASSERT_TRUE(lock.locked);
    // The phase stops moving at edge 299; it is within 0.1 UI (6.4 samples,
    // 13 edges of slew) of where it settles from edge 287 on.
    EXPECT_LE(lock.edge, 300u);
    EXPECT_GE(lock.edge, 285u);
    // The steady dither of +-1 sample is no reason to call it unlocked, but
    // a tolerance below it is.
    EXPECT_FALSE(linksim::DetectLock(Edges(0, 2000, 0.0), kSpb, 128, 0.4).locked);
}

TEST(ClockLock, ToleratesAMissingEdgeButNotADrift)
{
    auto e = Edges(0, 3000, 0.0);
    e.erase(e.begin() + 1500);  // a clock time lost between two blocks
    auto lock = linksim::DetectLock(e, kSpb, 128, 0.1 * kSpb);
    ASSERT_TRUE(lock.locked);
    EXPECT_EQ(lock.edge, 0u);
    // The lost clock time is a gap, not a period of 128 samples.
    const auto j = linksim::MeasureJitter(e, kSpb, 0);
    EXPECT_EQ(j.gaps, 1u);
    EXPECT_EQ(j.periods, e.size() - 2);
    EXPECT_DOUBLE_EQ(j.periodMax, 65.0);

    const auto drift = Edges(3000, 0, 0.2);  // a steady frequency offset
    EXPECT_FALSE(linksim::DetectLock(drift, kSpb, 128, 0.1 * kSpb).locked);
    EXPECT_FALSE(linksim::DetectLock(Edges(0, 50, 0.0), kSpb, 128, 0.1 * kSpb).locked);
}

TEST(ClockJitter, PeriodAndTimeIntervalError)
{
    // Periods alternate 63 and 65 samples: the phase alternates between two
    // values one sample apart.
    const auto e = Edges(0, 1001, 0.0);
    const auto j = linksim::MeasureJitter(e, kSpb, 0);
    EXPECT_EQ(j.periods, 1000u);
    EXPECT_NEAR(j.meanPeriod, kSpb, 1e-9);
    EXPECT_NEAR(j.periodStd, 1.0, 1e-9);
    EXPECT_DOUBLE_EQ(j.periodMin, 63.0);
    EXPECT_DOUBLE_EQ(j.periodMax, 65.0);
    EXPECT_NEAR(j.tiePkPk, 1.0, 1e-9);
    EXPECT_NEAR(j.tieRms, 0.5, 1e-3);
    EXPECT_NEAR(j.frequencyOffsetPpm, 0.0, 1e-6);

    // A clock 100 ppm fast.
    std::vector<double> fast;
    for (int k = 0; k < 1000; ++k) fast.push_back(k * kSpb / (1.0 + 100e-6));
    EXPECT_NEAR(linksim::MeasureJitter(fast, kSpb, 0).frequencyOffsetPpm, 100.0, 1e-6);
}

// NRZ of +-1 with linear transitions `rise` samples long, centred on the bit
// boundaries, possibly with inter-symbol interference of the previous bit.
std::vector<float> Nrz(const std::vector<uint8_t>& bits, int rise, double isi)
{
    std::vector<float> w(bits.size() * 64);
    for (size_t i = 0; i < w.size(); ++i) {
        const size_t b = i / 64;
        const int pos = static_cast<int>(i % 64);
        const double cur = bits[b] ? 1.0 : -1.0;
        double v = cur;
        if (b > 0 && pos < rise / 2) {
            const double prev = bits[b - 1] ? 1.0 : -1.0;
            v = prev + (cur - prev) * (pos + rise / 2.0) / rise;
        } else if (b + 1 < bits.size() && pos >= 64 - rise / 2) {
            const double next = bits[b + 1] ? 1.0 : -1.0;
            v = cur + (next - cur) * (pos - (64 - rise / 2.0)) / rise;
        }
        if (b > 0) v += isi * (bits[b - 1] ? 1.0 : -1.0);
        w[i] = static_cast<float>(v);
    }
    return w;
}

TEST(EyeFolding, OpenEyeHeightAndWidth)
{
    const auto bits = PrbsBits(7, 400);
    const auto w = Nrz(bits, 16, 0.0);
    linksim::EyeDiagram eye(128, 100, -1.5, 1.5);
    for (size_t k = 1; k + 1 < bits.size(); ++k)
        eye.Fold(w.data(), w.size(), 0, k * 64.0 + 32.0, 64.0, bits[k] ? 1 : -1);
    EXPECT_EQ(eye.Traces(), bits.size() - 2);
    const auto o = eye.Measure();
    ASSERT_TRUE(o.valid);
    EXPECT_NEAR(o.height, 2.0, 1e-6);
    // Open everywhere except at the bit boundary, where the transitions
    // cross zero: 63 of the 64 phase bins.
    EXPECT_NEAR(o.widthUi, 63.0 / 64.0, 1e-9);
    EXPECT_NEAR(o.centreOffsetUi, 0.0, 1.0 / 64.0);
    EXPECT_NEAR(o.bestHeight, 2.0, 1e-6);
    // Every sample in [instant - period, instant + period) is drawn once per
    // fold: 128 samples per unit interval folded.
    uint64_t total = 0;
    for (int y = 0; y < eye.Height(); ++y)
        for (int x = 0; x < eye.Width(); ++x) total += eye.Count(x, y);
    EXPECT_EQ(total, eye.Traces() * 128);
}

TEST(EyeFolding, InterferenceShrinksAndClosesTheEye)
{
    const auto bits = PrbsBits(7, 400);
    struct Case {
        double isi;
        double height;
    };
    // The previous bit adds +-isi: the worst "one" is 1 - isi, the worst
    // "zero" -1 + isi.
    for (const Case c : {Case{0.25, 1.5}, Case{0.5, 1.0}, Case{1.25, -0.5}}) {
        const auto w = Nrz(bits, 16, c.isi);
        linksim::EyeDiagram eye(128, 100, -3, 3);
        for (size_t k = 1; k + 1 < bits.size(); ++k)
            eye.Fold(w.data(), w.size(), 0, k * 64.0 + 32.0, 64.0, bits[k] ? 1 : -1);
        const auto o = eye.Measure();
        ASSERT_TRUE(o.valid);
        EXPECT_NEAR(o.height, c.height, 1e-6) << "isi " << c.isi;
        if (c.height <= 0) {
            EXPECT_EQ(o.widthUi, 0.0);
        }
    }
}

TEST(EyeFolding, SamplesOutsideTheWindowAndImageAreIgnored)
{
    const std::vector<float> w(256, 5.0f);
    linksim::EyeDiagram eye(64, 64, -1.0, 1.0);
    // The instant lies partly outside the samples held, and every value lies
    // above the voltage range: nothing is drawn, nothing overruns.
    eye.Fold(w.data(), w.size(), 1000, 1010.0, 64.0, 1);
    eye.Fold(w.data(), w.size(), 1000, 500.0, 64.0, 0);  // centre not held
    eye.Fold(w.data(), w.size(), 1000, 1100.0, 0.0, 1);  // no period
    EXPECT_EQ(eye.MaxCount(), 0u);
    EXPECT_EQ(eye.Traces(), 1u);
}

TEST(AdaptLog, ReadsRowsAndPhases)
{
    const std::string text =
        "Begin CTLE adapt till CDR lock \n"
        "EQ_level \t C1 \t C2 \t C3 \t C4 \t C5 \t HEO value \t VEO value \t Range \n"
        "0\t\t0 \t0 \t0 \t0 \t0 \t0 \t 0 \t 0\n"
        "2\t\t0 \t0 \t0 \t0 \t0 \t12 \t 30 \t 0\n"
        "End CTLE adapt till CDR lock \n"
        "Begin CTLE adapt till optimum \n"
        "2\t\t0 \t0 \t0 \t0 \t0 \t20 \t 41 \t 1\n"
        "3\t\t0 \t0 \t0 \t0 \t0 \t18 \t 40 \t 1\n"
        "End CTLE adapt till optimum \n"
        "2\t\t0 \t0 \t0 \t0 \t0 \t21 \t 42 \t 1\n";
    const auto log = linksim::ParseAdaptLog(text);
    EXPECT_EQ(log.rows, 5);
    EXPECT_EQ(log.lastSetting, 2);
    EXPECT_EQ(log.lastHeo, 21);
    EXPECT_EQ(log.lastVeo, 42);
    EXPECT_EQ(log.lastRange, 1);
    EXPECT_TRUE(log.lockPhaseEnded);
    EXPECT_TRUE(log.optimumEnded);
    EXPECT_EQ(log.settings, (std::vector<int>{0, 2, 2, 3, 2}));
    // Phase 1 stepped 0 -> 2, the opening of 12 ended it; 3 was worse than
    // 2, so the setting went back to 2 and stayed.
    EXPECT_EQ(log.finalSetting, 2);
    EXPECT_TRUE(log.consistent);
    // Still in phase 1 at the end: the setting has moved on from the last row.
    const auto climbing = linksim::ParseAdaptLog(
        "0\t\t0 \t0 \t0 \t0 \t0 \t0 \t 0 \t 0\n"
        "2\t\t0 \t0 \t0 \t0 \t0 \t4 \t 2 \t 0\n");
    EXPECT_EQ(climbing.lastSetting, 2);
    EXPECT_EQ(climbing.finalSetting, 4);
    EXPECT_TRUE(climbing.consistent);
    // Phase 2 falling to an opening of 3 goes back to phase 1 one step up,
    // and a row at a setting the rule cannot reach marks the log.
    const auto relapse = linksim::ParseAdaptLog(
        "0\t\t0 \t0 \t0 \t0 \t0 \t9 \t 20 \t 0\n"
        "0\t\t0 \t0 \t0 \t0 \t0 \t3 \t 5 \t 0\n"
        "1\t\t0 \t0 \t0 \t0 \t0 \t2 \t 5 \t 0\n"
        "7\t\t0 \t0 \t0 \t0 \t0 \t12 \t 30 \t 0\n");
    EXPECT_EQ(relapse.settings, (std::vector<int>{0, 0, 1, 7}));
    EXPECT_FALSE(relapse.consistent);
    const auto empty = linksim::ParseAdaptLog("");
    EXPECT_EQ(empty.rows, 0);
    EXPECT_EQ(empty.lastSetting, -1);
    EXPECT_EQ(empty.finalSetting, 0);
}

}  // namespace

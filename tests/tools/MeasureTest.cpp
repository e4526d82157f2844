// Where a run is measured and how its figures are stated: the models'
// Ignore_Bits, the guard on aligning too few decisions, lock under tracked
// sinusoidal jitter, closed eyes and floored BERs.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "linksim/Analysis.h"
#include "linksim/Jitter.h"
#include "linksim/Kit.h"
#include "linksim/Measure.h"
#include "linksim/Prbs.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::vector<uint8_t> PrbsBits(int order, size_t n)
{
    linksim::Prbs p(order);
    std::vector<uint8_t> b(n);
    p.Fill(b.data(), n);
    return b;
}

// Slots 0..n-1 whose decisions repeat the transmitted bits `lag` earlier.
struct Decided {
    std::vector<int64_t> slot;
    std::vector<int8_t> decisions;
};
Decided Decide(const std::vector<uint8_t>& tx, size_t n, int64_t lag)
{
    Decided d;
    for (size_t k = 0; k < n; ++k) {
        d.slot.push_back(static_cast<int64_t>(k));
        const int64_t i = static_cast<int64_t>(k) - lag;
        d.decisions.push_back(i >= 0 && tx[static_cast<size_t>(i)] ? 1 : -1);
    }
    return d;
}

// A handful of perfectly agreeing decisions is no alignment: at every
// length and latency a short run used to align by chance, it is refused
// with the reason; from 1000 bits on the true latency is found, also for a
// pattern that repeats every 127 bits.
TEST(Measure, AlignmentNeedsEnoughBitsAndAClearLatency)
{
    for (int order : {7, 31})
        for (int64_t lag : {0, 2, 37, 300})
            for (size_t n : {size_t{3}, size_t{6}, size_t{100}, size_t{999}, 1000 + static_cast<size_t>(lag), size_t{3000}}) {
                const std::vector<uint8_t> tx = PrbsBits(order, n);
                const Decided d = Decide(tx, n, lag);
                const linksim::Alignment a = linksim::AlignDecisions(tx, d.slot, d.decisions, 0, 8192, 4096);
                const bool enough = n >= static_cast<size_t>(lag) + 1000;
                EXPECT_EQ(a.found, enough) << "PRBS" << order << " lag " << lag << ", " << n << " bits: " << a.why;
                if (enough) EXPECT_EQ(a.lag % (order == 7 ? 127 : 1 << 30), lag % (order == 7 ? 127 : 1 << 30));
                else EXPECT_NE(a.why.find("too few decisions"), std::string::npos) << a.why;
            }
    // Decisions that follow the bits at two latencies equally well (one
    // half at each) have no clear latency.
    const std::vector<uint8_t> tx = PrbsBits(31, 4000);
    Decided d = Decide(tx, 4000, 3);
    const Decided other = Decide(tx, 4000, 9);
    for (size_t k = 0; k < 4000; k += 2) d.decisions[k] = other.decisions[k];
    const linksim::Alignment a = linksim::AlignDecisions(tx, d.slot, d.decisions, 0, 8192, 100, 0.7, 1000, 0.1);
    EXPECT_FALSE(a.found);
    EXPECT_NE(a.why.find("no clear latency"), std::string::npos) << a.why;
}

// A clock that acquires (a phase step decaying over `tau` periods) while
// following sinusoidal jitter of amplitude A UI at f: lock is found where
// the acquisition has settled, for tones inside the run and of several
// amplitudes and phases; judged without the tone, the same clock locks
// late or never.
TEST(Measure, LockIsJudgedAgainstTheTrackedTone)
{
    const double T = 1.0 / 10.3125e9;
    const size_t n = 20000;
    const double tau = 150.0;  // periods
    for (double f : {1e6, 2e6, 4e6})
        for (double amp : {0.1, 0.2})
            for (double phase : {0.0, 1.3}) {
                std::vector<double> edges(n);
                for (size_t k = 0; k < n; ++k) {
                    const double t = static_cast<double>(k) * T;
                    const double settle = 0.4 * std::exp(-static_cast<double>(k) / tau);
                    edges[k] = t + T * (amp * std::sin(2 * kPi * f * t + phase) + settle);
                }
                const linksim::Lock tracked = linksim::DetectLock(edges, T, 1024, 0.1 * T, f);
                ASSERT_TRUE(tracked.locked) << f << " Hz, " << amp << " UI";
                // The step is inside the tolerance after tau ln(4) periods.
                EXPECT_LE(tracked.edge, static_cast<size_t>(tau * std::log(4.0)) + 2) << f << " Hz, " << amp << " UI";
                const linksim::Lock plain = linksim::DetectLock(edges, T, 1024, 0.1 * T);
                EXPECT_TRUE(!plain.locked || plain.edge > 2 * tracked.edge + 500) << f << " Hz, " << amp << " UI";
            }
}

TEST(Measure, ToneIsFittedAndRemoved)
{
    std::vector<double> t(5000), r(5000);
    for (size_t k = 0; k < t.size(); ++k) {
        t[k] = 1e-10 * static_cast<double>(k);
        r[k] = 0.3 * std::cos(2 * kPi * 3e6 * t[k] + 0.4) + 0.05 + 1e-3 * static_cast<double>(k) / 5000.0;
    }
    EXPECT_NEAR(linksim::RemoveTone(r, t, 3e6, 0), 0.3, 1e-9);
    for (size_t k = 0; k < t.size(); ++k) EXPECT_NEAR(r[k], 0.05 + 1e-3 * static_cast<double>(k) / 5000.0, 1e-9);
}

linksim::ModelKit KitWith(const std::string& ignoreBits)
{
    linksim::ModelKit k;
    k.amiFile = "/kits/m.ami";
    if (!ignoreBits.empty()) {
        linksim::AmiParameter p;
        p.name = "Ignore_Bits";
        p.reserved = true;
        p.usage = "Info";
        p.type = "Integer";
        p.defaultValue = ignoreBits;
        k.params.push_back(p);
    }
    return k;
}

// The larger of the two models' Ignore_Bits, from their kits, from the
// built-in models' parameter files, or none for another library.
TEST(Measure, ModelsIgnoreBits)
{
    const linksim::ModelKit k16 = KitWith("16"), k9000 = KitWith("9000"), none = KitWith(""), bad = KitWith("1e30"),
                            neg = KitWith("-5");
    struct Case {
        const linksim::ModelKit *tx, *rx;
        bool builtinTx, builtinRx;
        long long bits;
        const char* source;  // part of the source text, or of the error when bits < 0
    } cases[] = {
        {nullptr, nullptr, true, true, linksim::kBuiltinRxIgnoreBits, "of the receiver (rx_ami.ami)"},
        {nullptr, nullptr, true, false, linksim::kBuiltinTxIgnoreBits, "of the transmitter (tx_ami.ami)"},
        {nullptr, nullptr, false, false, 0, ""},
        {&k16, &k9000, true, true, 9000, "Ignore_Bits 9000 of the receiver (m.ami)"},
        {&k9000, &none, true, true, 9000, "of the transmitter (m.ami)"},
        {&none, &none, true, true, 0, ""},
        {nullptr, &bad, true, true, -1, "/kits/m.ami: Ignore_Bits \"1e30\" is not a whole number"},
        {&neg, nullptr, true, true, -1, "Ignore_Bits \"-5\""},
    };
    for (const Case& c : cases) {
        const linksim::IgnoreBits ib = linksim::ModelsIgnoreBits(c.tx, c.rx, c.builtinTx, c.builtinRx);
        if (c.bits < 0) {
            EXPECT_NE(ib.error.find(c.source), std::string::npos) << ib.error;
            continue;
        }
        EXPECT_TRUE(ib.error.empty()) << ib.error;
        EXPECT_EQ(ib.bits, c.bits);
        EXPECT_NE(ib.source.find(c.source), std::string::npos) << ib.source;
    }
    // The built-in figures are those of the kit's parameter files.
    for (const auto& [file, bits] : {std::pair<const char*, long long>{"rx_ami.ami", linksim::kBuiltinRxIgnoreBits},
                                     {"tx_ami.ami", linksim::kBuiltinTxIgnoreBits}}) {
        std::ifstream in(std::string(AMI_SOURCE_DIR) + "/kit/" + file);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::smatch m;
        ASSERT_TRUE(std::regex_search(text, m, std::regex(R"(\(Ignore_Bits[^\n]*\(Default (\d+)\))"))) << file;
        EXPECT_EQ(std::stoll(m[1]), bits) << file;
    }
}

TEST(Measure, FiguresSayClosedAndFloorTheBer)
{
    EXPECT_EQ(linksim::BerText(1.63e-121), "< 1e-30");
    EXPECT_EQ(linksim::BerText(0.0), "< 1e-30");
    EXPECT_EQ(linksim::BerText(2.5e-7), "2.5e-07");
    EXPECT_EQ(linksim::BerText(NAN), "n/a");
    EXPECT_EQ(linksim::BerFloored(0.0), linksim::kBerFloor);
    EXPECT_EQ(linksim::BerFloored(0.25), 0.25);
    EXPECT_EQ(linksim::HeightText(-5.654), "closed");
    EXPECT_EQ(linksim::HeightText(0.0), "closed");
    EXPECT_EQ(linksim::HeightText(0.2671), "267.1 mV");
    EXPECT_EQ(linksim::MeasurementScope(true, 1568, 4000, "Ignore_Bits 4000 of the receiver (rx_ami.ami)", 100, 4100),
              "from bit 4100 (Ignore_Bits 4000 of the receiver (rx_ami.ami); --ignore-bits 100 on top; clock locked at "
              "bit 1568)");
}

// Sampled ones and zeros whose spreads overlap (an eye closed in the data)
// or whose fitted tails reach beyond every sample: the extrapolated height
// is closed, never a negative height of volts; an open eye keeps its
// height.
TEST(Measure, ExtrapolatedEyeOfClosedAndOpenData)
{
    std::mt19937 rng(7);
    for (double sep : {-0.2, 0.0, 0.05, 0.6}) {
        std::normal_distribution<double> one(0.5 * sep, 0.05), zero(-0.5 * sep, 0.05);
        std::vector<double> ones(5000), zeros(5000);
        for (double& v : ones) v = one(rng);
        for (double& v : zeros) v = zero(rng);
        const linksim::ExtrapolatedEye e = linksim::ExtrapolateEye(linksim::JitterFigures{}, ones, zeros, 1e-12);
        ASSERT_TRUE(e.amplitudeOk) << sep;
        EXPECT_GE(e.heightV, 0.0) << sep;
        // 2 x 7.03 sigma at 1e-12 takes 0.70 V of the separation.
        const double expected = sep - 2 * 7.034 * 0.05;
        if (expected < 0) {
            EXPECT_TRUE(e.heightClosed) << sep;
            EXPECT_EQ(e.heightV, 0.0) << sep;
        } else {
            EXPECT_FALSE(e.heightClosed) << sep;
            EXPECT_NEAR(e.heightV, expected, 0.05) << sep;
        }
    }
}

}  // namespace

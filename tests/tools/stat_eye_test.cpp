// The statistical eye against answers known in closed form, the Q-scale
// tail fits, and the transmitter's jitter injection measured back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "linksim/Jitter.h"
#include "linksim/Prbs.h"
#include "linksim/StatEye.h"

namespace {

using linksim::InverseNormalTail;
using linksim::NormalTail;

// An ideal channel (the pulse is one UI of height 1) with a post-cursor h1
// and Gaussian noise s: at the eye's centre the ones sit at a(1 - h1) at
// worst, so the height at BER L is 2a(1 - h1) - 2 s Q^-1(2L) (the worst
// pattern carries half the probability when h1 != 0, which the contour of
// a one's probability 2L places at Q^-1(4L) instead), and the bathtub's
// centre is Q(a / s) without post-cursor.
TEST(StatEye, IdealChannelKnownAnswers)
{
    struct Case {
        int spb;
        double h1, noise;
    };
    for (const Case c : {Case{16, 0.0, 0.0}, Case{64, 0.0, 0.0}, Case{32, 0.0, 0.05}, Case{64, 0.0, 0.1},
                         Case{32, 0.25, 0.0}, Case{64, 0.25, 0.01}, Case{16, -0.2, 0.02}}) {
        std::vector<double> pulse(static_cast<size_t>(3 * c.spb), 0.0);
        for (int i = 0; i < c.spb; ++i) {
            pulse[static_cast<size_t>(i)] = 1.0;
            pulse[static_cast<size_t>(i + c.spb)] = c.h1;
        }
        linksim::StatEyeOptions o;
        o.noiseRms = c.noise;
        o.bins = 4097;
        const linksim::StatEye eye = linksim::ComputeStatEye(pulse, c.spb, o);
        const std::string label = "spb " + std::to_string(c.spb) + ", h1 " + std::to_string(c.h1) + ", noise " +
                                  std::to_string(c.noise);
        const double dv = (eye.vMax - eye.vMin) / eye.bins;
        EXPECT_NEAR(eye.mainCursor, 1.0, 1e-12) << label;
        for (const double ber : {1e-6, 1e-12, 1e-15}) {
            const double q = InverseNormalTail((c.h1 != 0.0 ? 4.0 : 2.0) * ber);
            const double want = 2 * 0.5 * (1.0 - std::fabs(c.h1)) - 2.0 * c.noise * q;
            // Each shift splits a mass between two neighbouring bins, so a
            // point may spread over three bins on each side.
            EXPECT_NEAR(eye.HeightAt(ber, false), want, 6.0 * dv) << label << " at " << ber;
        }
        if (c.h1 == 0.0) {
            const double centre = eye.CentreBer();
            if (c.noise == 0.0) {
                EXPECT_EQ(centre, 0.0) << label;
            } else {
                EXPECT_NEAR(std::log10(centre), std::log10(NormalTail(0.5 / c.noise)), 0.02) << label;
            }
            // Open over the whole unit interval, or shut.
            EXPECT_EQ(eye.WidthAt(1e-12), eye.HeightAt(1e-12, false) > 0.0 ? 1.0 : 0.0) << label;
        }
    }
}

// Several levels against an exact second method: a pulse with one
// post-cursor h1 and Gaussian noise s. Symbol s sits at a u_s (u_s = -1 +
// 2s/(n-1)); the interference a u h1 takes n values, so the probability
// that symbol s lands beyond a threshold t is the mean over u of a normal
// tail, which gives each eye's bathtub at the centre (with the mid-level
// thresholds, or given ones moved off them); without post-cursor each eye
// is the level spacing 2a/(n-1) high less 2 s Q^-1(2L).
TEST(StatEye, MultilevelEyesAgainstExactEnumeration)
{
    struct Case {
        int levels;
        double h1, noise, offset;  // offset: the given thresholds moved up by this (V), 0: mid-levels
    };
    // Noise that puts the centre's BER between 1e-3 and 1e-16 (the grid's
    // Gaussian reaches 12 sigma).
    const Case cases[] = {{2, 0.0, 0.08, 0.0},   {4, 0.0, 0.0, 0.0},    {4, 0.0, 0.03, 0.0},  {4, 0.15, 0.02, 0.0},
                          {4, -0.1, 0.015, 0.01}, {8, 0.0, 0.012, 0.0}, {8, 0.05, 0.01, 0.0}, {16, 0.0, 0.006, 0.005}};
    const int spb = 32;
    const double a = 0.5;
    for (const Case& c : cases) {
        std::vector<double> pulse(static_cast<size_t>(3 * spb), 0.0);
        for (int i = 0; i < spb; ++i) {
            pulse[static_cast<size_t>(i)] = 1.0;
            pulse[static_cast<size_t>(i + spb)] = c.h1;
        }
        const int n = c.levels;
        auto unit = [n](int s) { return -1.0 + 2.0 * s / (n - 1); };
        linksim::StatEyeOptions o;
        o.noiseRms = c.noise;
        o.levels = n;
        if (c.offset != 0.0)
            for (int e = 0; e + 1 < n; ++e) o.thresholds.push_back(0.5 * a * (unit(e) + unit(e + 1)) + c.offset);
        const linksim::StatEye eye = linksim::ComputeStatEye(pulse, spb, o);
        const std::string label = "levels " + std::to_string(n) + ", h1 " + std::to_string(c.h1) + ", noise " +
                                  std::to_string(c.noise) + ", offset " + std::to_string(c.offset);
        ASSERT_EQ(eye.eyes.size(), static_cast<size_t>(n - 1)) << label;
        const double dv = (eye.vMax - eye.vMin) / eye.bins;
        for (int e = 0; e + 1 < n; ++e) {
            const double t = 0.5 * a * (unit(e) + unit(e + 1)) + c.offset;
            EXPECT_NEAR(eye.eyes[static_cast<size_t>(e)].threshold, t, 1e-12) << label;
            // P(upper symbol below t) and P(lower symbol above t), summed
            // over the interference's n values.
            double below = 0.0, above = 0.0;
            for (int k = 0; k < n; ++k) {
                const double isi = a * unit(k) * c.h1;
                const double up = a * unit(e + 1) + isi, lo = a * unit(e) + isi;
                if (c.noise > 0.0) {
                    below += NormalTail((up - t) / c.noise) / n;
                    above += NormalTail((t - lo) / c.noise) / n;
                }
            }
            const double want = 0.5 * (below + above), got = eye.CentreBer(static_cast<size_t>(e));
            // The pulse is flat over its unit interval: every phase decides alike.
            for (int j = 0; j < spb; ++j)
                EXPECT_NEAR(eye.eyes[static_cast<size_t>(e)].bathtub[static_cast<size_t>(j)], got, 1e-9 * got)
                    << label << " eye " << e << " phase " << j;
            if (want < 1e-300) {
                EXPECT_LT(got, 1e-30) << label << " eye " << e;
            } else {
                // The grid's bins move the levels by up to a bin: in Q terms
                // dv / noise.
                const double q = InverseNormalTail(want);
                EXPECT_NEAR(InverseNormalTail(got), q, 1.5 * dv / c.noise + 1e-3) << label << " eye " << e;
            }
            if (c.h1 == 0.0 && c.offset == 0.0)
                for (const double ber : {1e-6, 1e-12}) {
                    const double h = 2.0 * a / (n - 1) - (c.noise > 0.0 ? 2.0 * c.noise * InverseNormalTail(2.0 * ber) : 0.0);
                    EXPECT_NEAR(eye.HeightAt(ber, false, static_cast<size_t>(e)), h, 3.0 * dv) << label << " eye " << e;
                }
        }
    }
}

// Uniform noise of half-width U on an ideal pulse (levels a u_s, spacing
// 2a / (n - 1)): each eye closes by 2U at any BER while U is below half the
// spacing d, with no error; beyond it the two neighbours overlap and each
// errs with probability (U - d) / 2U.
TEST(StatEye, UniformNoiseClosesEachEyeByItsWidth)
{
    const int spb = 16;
    std::vector<double> pulse(static_cast<size_t>(2 * spb), 0.0);
    for (int i = 0; i < spb; ++i) pulse[static_cast<size_t>(i)] = 1.0;
    for (const auto& [levels, u] : {std::pair{2, 0.2}, {2, 0.8}, {4, 0.1}, {4, 0.3}, {8, 0.05}}) {
        linksim::StatEyeOptions o;
        o.levels = levels;
        o.uniformNoise = u;
        o.bins = 4097;
        const linksim::StatEye eye = linksim::ComputeStatEye(pulse, spb, o);
        const double dv = (eye.vMax - eye.vMin) / eye.bins, d = 0.5 / (levels - 1);
        for (size_t e = 0; e < eye.eyes.size(); ++e) {
            const std::string label = std::to_string(levels) + " levels, U " + std::to_string(u) + ", eye " + std::to_string(e);
            if (u < d) {
                EXPECT_NEAR(eye.HeightAt(1e-12, false, e), 2.0 * (d - u), 4.0 * dv) << label;
                EXPECT_LT(eye.CentreBer(e), 1e-30) << label;
            } else {
                EXPECT_NEAR(eye.CentreBer(e), (u - d) / (2.0 * u), 2.0 * dv / u) << label;
            }
        }
    }
}

// Gaussian timing jitter at the sampling instant narrows the bathtub of an
// ideal channel to 1 - 2 Q^-1(L / ...) rj: at BER 1e-12 the open width
// shrinks by about 2 x 7 rj.
TEST(StatEye, JitterNarrowsTheBathtub)
{
    const int spb = 64;
    std::vector<double> pulse(static_cast<size_t>(2 * spb), 0.0);
    for (int i = 0; i < spb; ++i) pulse[static_cast<size_t>(i)] = 1.0;
    for (const double rj : {0.01, 0.02, 0.03}) {
        linksim::StatEyeOptions o;
        o.rjUi = rj;
        const linksim::StatEye eye = linksim::ComputeStatEye(pulse, spb, o);
        // An error needs the sample beyond the crossing (a transition, half
        // the time) by more than the distance d: 0.5 Q(d / rj) = L.
        const double d = rj * InverseNormalTail(2e-12);
        EXPECT_NEAR(eye.BathtubWidthAt(1e-12), 1.0 - 2.0 * d, 2.5 / spb) << "rj " << rj;
    }
}

TEST(TailFit, RecoversAGaussianTail)
{
    std::mt19937_64 rng(7);
    for (const double sigma : {0.001, 0.03, 2.0}) {
        std::normal_distribution<double> g(0.1, sigma);
        std::vector<double> v(200000);
        for (double& x : v) x = g(rng);
        for (const bool lower : {true, false}) {
            const linksim::TailFit f = linksim::FitTail(v, lower);
            ASSERT_TRUE(f.ok);
            // The fit uses the outer 2 % only (about 4000 points here), and
            // its mean is the line carried back from Q = 2..4 to Q = 0.
            EXPECT_NEAR(f.sigma, sigma, 0.05 * sigma) << sigma << (lower ? " lower" : " upper");
            EXPECT_NEAR(f.mean, 0.1, 0.12 * sigma) << sigma << (lower ? " lower" : " upper");
        }
    }
}

// The injected jitter, measured back from the stimulus itself against an
// ideal clock (decision instants in the middle of each bit): random rms,
// the sinusoid's amplitude and frequency, the duty-cycle distortion; the
// stimulus does not depend on how it is cut into blocks.
TEST(Jitter, InjectionIsMeasuredBack)
{
    const double bitTime = 1.0 / 10.3125e9;
    struct Case {
        double rj, sj, sjFreq, dcd;
        int spb;
    };
    for (const Case c : {Case{0.02, 0, 0, 0, 64}, Case{0.05, 0, 0, 0, 16}, Case{0, 0.05, 20e6, 0, 64},
                         Case{0, 0.1, 51.5625e6, 0, 32}, Case{0, 0, 0, 0.06, 64}, Case{0.01, 0.04, 10e6, 0.04, 64}}) {
        linksim::JitterSpec jitter;
        jitter.rjUi = c.rj;
        jitter.sjUi = c.sj;
        jitter.sjFrequency = c.sjFreq;
        jitter.dcdUi = c.dcd;
        const size_t bits = 40000;
        std::vector<uint8_t> b(bits);
        linksim::Prbs(15, 0).Fill(b.data(), bits);
        std::vector<double> whole(bits * static_cast<size_t>(c.spb)), split(whole.size());
        linksim::FillJitteredNrz(jitter, b, 0, bits, c.spb, bitTime, whole.data());
        for (size_t at = 0, step = 1; at < bits; at += step, step = step * 7 % 1000 + 1)
            linksim::FillJitteredNrz(jitter, b, static_cast<int64_t>(at), std::min(step, bits - at), c.spb, bitTime,
                                     &split[at * static_cast<size_t>(c.spb)]);
        ASSERT_EQ(whole, split);

        std::vector<float> w(whole.begin(), whole.end());
        std::vector<double> centres, periods;
        for (size_t k = 0; k < bits; ++k) {
            centres.push_back((static_cast<double>(k) + 0.5) * c.spb);
            periods.push_back(c.spb);
        }
        const linksim::Crossings x = linksim::FindCrossings(w.data(), w.size(), 0, centres, periods, bitTime / c.spb);
        const linksim::JitterFigures j = linksim::MeasureJitter(x, bitTime);
        const std::string label = "rj " + std::to_string(c.rj) + " sj " + std::to_string(c.sj) + " at " +
                                  std::to_string(c.sjFreq) + " dcd " + std::to_string(c.dcd);
        ASSERT_TRUE(j.ok) << label << ": " << j.why;
        EXPECT_NEAR(j.transitionDensity, 0.5, 0.02) << label;
        if (c.sj == 0.0 && c.dcd == 0.0) {
            EXPECT_NEAR(j.rmsUi, c.rj, 0.03 * c.rj) << label;
            EXPECT_NEAR(j.rjUi, c.rj, 0.1 * c.rj) << label;
            EXPECT_LT(j.djUi, 0.2 * c.rj) << label;
        }
        if (c.sj > 0.0) {
            EXPECT_NEAR(j.pjUi, c.sj, 0.1 * c.sj) << label;
            EXPECT_NEAR(j.pjFrequency, c.sjFreq, 2.0 / (bits * bitTime)) << label;
        }
        EXPECT_NEAR(j.dcdUi, c.dcd, 0.004) << label;
        EXPECT_GE(j.tjUi, j.djUi) << label;
    }
}

// Through the program: a lossless link with the transmitter bypassed and
// the ideal-clock receiver. The statistical eye is the full +-0.5 V eye;
// the jitter injected at the transmitter comes back from the recovered
// clock's view of the data crossings.
TEST(Jitter, InjectedJitterComesBackThroughAmisim)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* args;
        double rj, pj, pjHz, dcd;
    };
    const Case cases[] = {
        {"", 0.0, 0.0, 0.0, 0.0},
        {"--rj 0.03", 0.03, 0.0, 0.0, 0.0},
        {"--sj 0.08 --sj-freq 30e6 --dcd 0.04", 0.0, 0.08, 30e6, 0.04},
    };
    const fs::path dir = fs::path(::testing::TempDir()) / ("jitter_e2e_" + std::to_string(getpid()));
    for (const Case& c : cases) {
        fs::remove_all(dir);
        const std::string cmd = std::string(AMI_BUILD_DIR) + "/amisim -q --no-progress -o " + dir.string() +
                                " -n 16000 --prbs 15 --loss 0 --TX_bypass 1 --eye-bits 16000 --rx-lib " +
                                AMI_BUILD_DIR + "/ideal_rx.so " + c.args + " > " + dir.string() + ".log 2>&1";
        const int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.args;
        nlohmann::json j;
        std::ifstream(dir / "amisim.json") >> j;
        const auto& m = j["jitter"]["measured"];
        ASSERT_TRUE(m["available"].get<bool>()) << c.args << ": " << m.dump();
        EXPECT_TRUE(j["statistical"]["available"].get<bool>()) << j["statistical"]["error"];
        // The bins of the voltage grid: 1025 over +-0.525 V.
        EXPECT_NEAR(j["statistical"]["eye_height_v"].get<double>(), 1.0, 0.003) << c.args;
        if (c.rj == 0.0 && c.pj == 0.0 && c.dcd == 0.0) {
            EXPECT_EQ(j["statistical"]["eye_width_ui"].get<double>(), 1.0);
            EXPECT_LT(m["tj_ui"].get<double>(), 1e-6);
        }
        if (c.rj > 0.0) {
            EXPECT_NEAR(m["rms_ui"].get<double>(), c.rj, 0.05 * c.rj) << c.args;
            EXPECT_NEAR(m["rj_ui"].get<double>(), c.rj, 0.15 * c.rj) << c.args;
            // Ideal channel: the bathtub narrows by the random jitter.
            const double d = c.rj * InverseNormalTail(2e-12);
            EXPECT_NEAR(j["statistical"]["eye_width_ui"].get<double>(), 1.0 - 2.0 * d, 3.0 / 64) << c.args;
        }
        if (c.pj > 0.0) {
            EXPECT_NEAR(m["pj_ui"].get<double>(), c.pj, 0.1 * c.pj) << c.args;
            EXPECT_NEAR(m["pj_hz"].get<double>(), c.pjHz, 0.05 * c.pjHz) << c.args;
        }
        EXPECT_NEAR(m["dcd_ui"].get<double>(), c.dcd, 0.004) << c.args;
    }
    fs::remove_all(dir);
    fs::remove(dir.string() + ".log");
}

}  // namespace

// The built-in lossy line, the CSV impulse response and the streaming
// convolution.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "linksim/Channel.h"

namespace {

constexpr double kBitTime = 1.0 / 10.3125e9;
constexpr int kSpb = 64;
constexpr double kDt = kBitTime / kSpb;

double LossDb(const std::vector<double>& taps, double f)
{
    return -20.0 * std::log10(std::abs(linksim::FirResponse(taps, f, kDt)));
}

class LossyLineLoss : public ::testing::TestWithParam<double> {};

// The loss at Nyquist is the figure asked for, and the loss elsewhere follows
// the line's loss curve: the truncation of the tail costs under 0.05 dB.
TEST_P(LossyLineLoss, FollowsTheRequestedCurve)
{
    const double loss = GetParam();
    const auto line = linksim::MakeLossyLine(loss, kBitTime, kSpb);
    const double fN = 0.5 / kBitTime;
    EXPECT_NEAR(LossDb(line.taps, fN), loss, 0.05) << loss << " dB line";
    for (double f : {0.1 * fN, 0.5 * fN, 1.5 * fN, 2.0 * fN})
        EXPECT_NEAR(LossDb(line.taps, f), linksim::LossyLineLossDb(f, fN, loss), 0.05)
            << loss << " dB line at " << f / 1e9 << " GHz";
    EXPECT_LE(line.truncatedEnergy, 1e-6);
    EXPECT_LE(line.taps.size(), 256u * kSpb);
}

INSTANTIATE_TEST_SUITE_P(Losses, LossyLineLoss, ::testing::Values(3.0, 10.0, 17.0, 25.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return std::to_string(static_cast<int>(info.param)) + "dB";
                         });

// Causal: nothing before t = 0 (the response starts from rest), the peak
// comes later the longer the line, and the step response rises to the DC
// gain of 1 without a precursor.
TEST(LossyLine, IsCausalAndStartsFromRest)
{
    size_t prevPeak = 0;
    for (double loss : {5.0, 15.0, 25.0}) {
        const auto line = linksim::MakeLossyLine(loss, kBitTime, kSpb);
        const auto& h = line.taps;
        const double peak = h[line.delaySamples];
        EXPECT_LT(std::fabs(h[0]), 1e-3 * peak) << loss;
        EXPECT_GT(line.delaySamples, prevPeak) << loss;
        prevPeak = line.delaySamples;
        double step = 0.0, minStep = 0.0;
        for (size_t k = 0; k < line.delaySamples; ++k) {
            step += h[k];
            minStep = std::min(minStep, step);
        }
        EXPECT_GT(minStep, -1e-3) << "precursor of the " << loss << " dB line";
        double total = 0.0;
        for (double v : h) total += v;
        EXPECT_NEAR(total, 1.0, 0.01) << loss;
    }
    const auto flat = linksim::MakeLossyLine(0.0, kBitTime, kSpb);
    ASSERT_EQ(flat.taps.size(), 1u);
    EXPECT_EQ(flat.taps[0], 1.0);
    EXPECT_THROW(linksim::MakeLossyLine(-1.0, kBitTime, kSpb), std::invalid_argument);
    EXPECT_THROW(linksim::MakeLossyLine(NAN, kBitTime, kSpb), std::invalid_argument);
}

std::vector<double> Reference(const std::vector<double>& h, const std::vector<double>& x)
{
    std::vector<double> y(x.size(), 0.0);
    for (size_t n = 0; n < x.size(); ++n)
        for (size_t k = 0; k < h.size() && k <= n; ++k) y[n] += h[k] * x[n - k];
    return y;
}

// The streaming convolution equals a direct-form reference whatever the
// tap count (direct and FFT paths, prime sizes included), the partition size
// (automatic, several partitions, one partition) and however the input is
// split into calls (pieces shorter and longer than a partition, across
// partition edges).
TEST(Convolver, MatchesDirectFormInAnyPieces)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> g(0.0, 1.0);
    const std::vector<std::vector<size_t>> splits = {
        {20000}, {1, 17, 4096, 999, 14887}, {8191, 8193, 3616}, {255, 257, 1, 3000, 16487}};
    for (size_t taps : {1u, 7u, 64u, 65u, 1021u, 3001u}) {
        std::vector<double> h(taps), x(20000);
        for (double& v : h) v = g(rng);
        for (double& v : x) v = g(rng);
        const auto ref = Reference(h, x);
        for (size_t partition : {0u, 64u, 256u, 4096u}) {
            for (const auto& split : splits) {
                linksim::Convolver c(h, partition);
                if (taps > 64 && partition) {
                    EXPECT_EQ(c.Partitions(), (taps + partition - 1) / partition);
                }
                std::vector<double> y(x);  // in place
                size_t at = 0;
                for (size_t piece : split) {
                    c.Process(&y[at], &y[at], piece);
                    at += piece;
                }
                ASSERT_EQ(at, x.size());
                double worst = 0.0;
                for (size_t i = 0; i < x.size(); ++i) worst = std::max(worst, std::fabs(y[i] - ref[i]));
                // Double-precision FFT rounding grows with sqrt(taps).
                EXPECT_LT(worst, 1e-10 * std::sqrt(static_cast<double>(taps)))
                    << taps << " taps, partition " << partition << ", pieces from " << split[0];
            }
        }
    }
}

TEST(Convolver, IsCausal)
{
    const auto line = linksim::MakeLossyLine(17.0, kBitTime, kSpb);
    linksim::Convolver c(line.taps);
    std::vector<double> x(40000, 0.0);
    const size_t at = 12345;
    x[at] = 1.0;
    std::vector<double> y(x.size());
    c.Process(x.data(), y.data(), 5000);
    c.Process(x.data() + 5000, y.data() + 5000, x.size() - 5000);
    // Before the impulse only the FFT's round-off may show (a response that
    // leaked ahead of time would show at the level of its taps, 1e-4 and up).
    for (size_t i = 0; i < at; ++i) ASSERT_LT(std::fabs(y[i]), 1e-15) << "output before the impulse at " << i;
    for (size_t k = 0; k < 2000; ++k) ASSERT_NEAR(y[at + k], line.taps[k], 1e-12) << k;
}

class CsvFile {
public:
    explicit CsvFile(const std::string& text)
        : m_path(::testing::TempDir() + "/amisim_impulse_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".csv")
    {
        std::ofstream(m_path) << text;
    }
    ~CsvFile() { std::remove(m_path.c_str()); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

TEST(ImpulseCsv, ResamplesAndScales)
{
    // A triangle from 0 to 4 dt, peak 1e12 /s at 2 dt, on a grid of 2 dt.
    std::string text = "# comment\ntime,value\n";
    char line[128];
    for (int i = 0; i <= 2; ++i) {
        std::snprintf(line, sizeof line, "%.17g, %.17g\n", 2 * i * kDt, (i == 1 ? 1e12 : 0.0));
        text += line;
    }
    CsvFile f(text);
    const auto taps = linksim::ReadImpulseCsv(f.Path(), kDt);
    ASSERT_EQ(taps.size(), 5u);
    const double expected[] = {0.0, 0.5e12 * kDt, 1e12 * kDt, 0.5e12 * kDt, 0.0};
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(taps[i], expected[i], 1e-12) << i;
}

TEST(ImpulseCsv, RefusesBadFilesWithTheLine)
{
    struct Case {
        std::string text;
        const char* why;
    };
    const Case cases[] = {
        // Values finite in the file that overflow once resampled or
        // convolved, and a NUL inside a number.
        {"0,1\n1e-12,1e308\n2e-12,0\n", ":2: a value beyond 1e200"},
        {"0,0\n1e-12,-1e50\n2e-12,0\n", ":2: the response's gain (the sum of |h| dt) is beyond 1000"},
        {std::string("0,1\n1e-12,2", 11) + std::string(1, '\0') + "5\n", ":2: not a number"},
        {"0,1\n1e-12,2\n1e-12,3\n", ":3: times must increase"},
        {"0,1\n1e-12,2,5\n", ":2: expected two columns, found more"},
        {"0,1\n1e-12\n", ":2: expected two columns"},
        {"0,1\nx,y\n", ":2: not a number"},
        {"0,1\n", "at least two rows"},
        {"-1e-12,1\n0,1\n", ":1: times must not be negative"},
        {"0,1\n1e-3,2\n", "too long to sample"},
    };
    for (const auto& c : cases) {
        CsvFile f(c.text);
        try {
            linksim::ReadImpulseCsv(f.Path(), kDt);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(linksim::ReadImpulseCsv("/nonexistent/impulse.csv", kDt), std::runtime_error);
    // Through the program: the file with one -1e50 value ran forever
    // drawing its eye; now it is refused with exit status 2 and the line.
    CsvFile f(cases[1].text);
    const std::string log = f.Path() + ".log", out = f.Path() + ".out";
    const int status = std::system((std::string(AMI_BUILD_DIR) + "/amisim --no-progress -q -n 500 -o " + out +
                                    " --channel-csv " + f.Path() + " > " + log + " 2>&1").c_str());
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << ": " << text;
    EXPECT_NE(text.find(std::filesystem::path(f.Path()).filename().string() + ":2: "), std::string::npos) << text;
    std::remove(log.c_str());
    std::filesystem::remove_all(out);
}

}  // namespace

// The receiver's clock recovery through dlopen, as a simulator drives it: a
// clean PRBS7 signal (no loss, no noise) at 10.3125 Gb/s, delayed by a whole
// number of samples, at the nominal bit rate or 100 ppm off, must be decided
// without error once the clock has had half the run to lock, whatever the
// delay; the simulator's own time base and block sizes must not change that.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/ami/AmiLibrary.h"
#include "tests/models/rx/model_support.h"

namespace {

constexpr double kBitTime = 1.0 / 10.3125e9;

std::vector<int> Prbs7(size_t n)
{
    std::vector<int> bits(n);
    unsigned state = 0x7Fu;
    for (size_t i = 0; i < n; ++i) {
        const unsigned b = ((state >> 6) ^ (state >> 5)) & 1u;
        state = ((state << 1) | b) & 0x7Fu;
        bits[i] = static_cast<int>(b);
    }
    return bits;
}

// A clean link: the bit rate 1 / kBitTime shifted by ppm, sampled every dt,
// delayed by `delay` samples (low before the first bit), +-0.5 V.
struct Link {
    int delay = 0;
    double ppm = 0.0;
    double dt = kBitTime / 64;
    double BitTime() const { return kBitTime / (1.0 + ppm * 1e-6); }
};

std::vector<double> CleanWave(const std::vector<int>& bits, const Link& link)
{
    const size_t n = static_cast<size_t>(std::floor(bits.size() * link.BitTime() / link.dt));
    std::vector<double> wave(n);
    for (size_t i = 0; i < n; ++i) {
        const double u = (static_cast<double>(i) - link.delay) * link.dt / link.BitTime();
        wave[i] = u < 0.0 ? -0.5 : (bits[std::min(static_cast<size_t>(u), bits.size() - 1)] ? 0.5 : -0.5);
    }
    return wave;
}

struct RxRun {
    std::vector<double> output;
    std::vector<double> clockTimes;
    bool ok = true;
};

// One instance over the wave in calls of `block` samples, each with a
// clock_times buffer of exactly ceil(block / spb) + 1 entries and a guard
// entry behind it that must stay untouched; then `tail` samples in one call.
RxRun RunReceiver(const amitest::AmiLibrary& lib, int rxConfig, const std::vector<double>& wave, const Link& link,
                size_t block, size_t tail = 0)
{
    RxRun r;
    void* h = nullptr;
    char* msg = nullptr;
    const std::string params =
        "(Vuraved_UV_IV (RX_Config " + std::to_string(rxConfig) + ") (EQ_Level 0) (CTLEAdapt 0))";
    if (lib.InitWith(params, link.dt, kBitTime, &h, &msg) != 1) return RxRun{{}, {}, false};
    const long spb = std::lround(kBitTime / link.dt);
    r.output = wave;
    auto call = [&](size_t pos, size_t n) {
        const size_t cap = static_cast<size_t>((static_cast<long>(n) + spb - 1) / spb) + 1;
        std::vector<double> clocks(cap + 1, -2.0);
        r.ok &= lib.GetWave(r.output.data() + pos, static_cast<long>(n), clocks.data(), nullptr, h) == 1;
        r.ok &= clocks[cap] == -2.0;
        size_t k = 0;
        for (; k < cap && clocks[k] != -1.0; ++k) r.clockTimes.push_back(clocks[k]);
        r.ok &= k < cap;
    };
    const size_t body = wave.size() - tail;
    for (size_t pos = 0; pos < body; pos += block) call(pos, std::min(block, body - pos));
    if (tail) call(body, tail);
    r.ok &= lib.Close(h) == 1;
    return r;
}

// Decision errors over the clock times in the second half of the run. The
// clock time is a falling clock edge; the decision it holds belongs to the
// bit whose start is nearest, less a latency (the CTLE's delay and the
// retiming) chosen as the one with fewest errors.
long ErrorsInSecondHalf(const std::vector<int>& bits, const RxRun& r, const Link& link, long* compared)
{
    long best = -1;
    for (long latency = -2; latency <= 8; ++latency) {
        long errors = 0, count = 0;
        for (double t : r.clockTimes) {
            const double u = (t / link.dt - link.delay) * link.dt / link.BitTime();
            const long bit = static_cast<long>(std::floor(u + 0.5)) - latency;
            const size_t at = static_cast<size_t>(std::llround(t / link.dt));
            if (u < bits.size() / 2.0 || bit < 0 || bit >= static_cast<long>(bits.size()) || at >= r.output.size())
                continue;
            errors += (r.output[at] > 0.0 ? 1 : 0) != bits[static_cast<size_t>(bit)];
            ++count;
        }
        if (best < 0 || errors < best) {
            best = errors;
            *compared = count;
        }
    }
    return best;
}

class ClockRecovery : public rxtest::ScratchDirTest {
protected:
    void SetUp() override
    {
        rxtest::ScratchDirTest::SetUp();
        ASSERT_TRUE(lib.ok()) << lib.error();
    }
    amitest::AmiLibrary lib{amitest::RxPath()};
};

// Every delay of one bit (64 samples) places the data transitions at another
// phase of the free-running clock; at the nominal rate and 100 ppm either
// side. The sanitizer build runs every sixteenth delay: it is several times
// slower, and the loop is the same code.
TEST_F(ClockRecovery, EveryDelayIsDecidedWithoutErrorAfterLock)
{
#ifdef AMI_SANITIZED
    const int step = 16;
#else
    const int step = 1;
#endif
    const std::vector<int> bits = Prbs7(8000);
    for (double ppm : {0.0, 100.0, -100.0}) {
        for (int delay = 0; delay < 64; delay += step) {
            const Link link{delay, ppm};
            const std::vector<double> wave = CleanWave(bits, link);
            const RxRun r = RunReceiver(lib, 0, wave, link, 4096);
            ASSERT_TRUE(r.ok) << "delay " << delay << ", " << ppm << " ppm";
            long compared = 0;
            EXPECT_EQ(ErrorsInSecondHalf(bits, r, link, &compared), 0) << "delay " << delay << ", " << ppm << " ppm";
            EXPECT_GE(compared, 3990) << "delay " << delay << ", " << ppm << " ppm";
        }
    }
}

// sample_interval 1 ps: 96.97 samples per bit. Time steps by the simulator's
// interval, so the clock locks to the bit rate itself: after lock its mean
// period is within 10 ppm of the bit time, and the decisions are right.
TEST_F(ClockRecovery, FractionalSamplesPerBitLockToTheBitRate)
{
    const std::vector<int> bits = Prbs7(8000);
#ifdef AMI_SANITIZED
    const std::vector<int> delays = {48};  // one run: the sanitizer build is slow
#else
    const std::vector<int> delays = {0, 48};
#endif
    for (int delay : delays) {
        const Link link{delay, 0.0, 1e-12};
        const RxRun r = RunReceiver(lib, 0, CleanWave(bits, link), link, 4096);
        ASSERT_TRUE(r.ok);
        ASSERT_GT(r.clockTimes.size(), 7990u) << "delay " << delay;
        const size_t n = r.clockTimes.size(), half = n / 2;
        const double period = (r.clockTimes[n - 1] - r.clockTimes[half]) / static_cast<double>(n - 1 - half);
        EXPECT_NEAR(period / kBitTime - 1.0, 0.0, 10e-6) << "delay " << delay;
        long compared = 0;
        EXPECT_EQ(ErrorsInSecondHalf(bits, r, link, &compared), 0) << "delay " << delay;
        EXPECT_GE(compared, 3990) << "delay " << delay;
    }
}

// Blocks of any size, with a clock_times buffer of exactly ceil(block / 64)
// + 1 entries: the same output and the same clock times, and these are
// exactly the falling edges of the recovered clock (RX_Config 1 returns the
// clock itself), each once. A last call of eight bits collects the times
// that the final block carried over.
TEST_F(ClockRecovery, BlockSizesGiveTheSameSamplesAndEveryClockTime)
{
    const Link link{29, 0.0};  // transitions start half a bit from lock
    const std::vector<int> bits = Prbs7(2008);
    const std::vector<double> wave = CleanWave(bits, link);
    const size_t tail = 8 * 64, body = wave.size() - tail;
    const RxRun whole = RunReceiver(lib, 1, wave, link, body, tail);
    ASSERT_TRUE(whole.ok);
    std::vector<double> edges;
    for (size_t i = 1; i < body; ++i)
        if (whole.output[i - 1] == 1.0 && whole.output[i] == 0.0) edges.push_back(static_cast<double>(i) * link.dt);
    ASSERT_GT(edges.size(), 1990u);
    for (size_t block : {1, 7, 32, 65, 100, 1000, 4096}) {
        const RxRun r = RunReceiver(lib, 1, wave, link, block, tail);
        ASSERT_TRUE(r.ok) << "block " << block;
        ASSERT_EQ(r.output, whole.output) << "block " << block;
        EXPECT_EQ(r.clockTimes, whole.clockTimes) << "block " << block;
    }
    std::vector<double> inBody;
    for (double t : whole.clockTimes)
        if (t < static_cast<double>(body) * link.dt) inBody.push_back(t);
    ASSERT_EQ(inBody.size(), edges.size());
    for (size_t k = 0; k < edges.size(); ++k) ASSERT_NEAR(inBody[k], edges[k], 1e-3 * link.dt) << "edge " << k;
}

}  // namespace

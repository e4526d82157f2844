// Throughput of the link that amisim simulates, stage by stage, through the
// libraries as a simulator loads them: the transmitter's AMI_GetWave, the
// built-in 17 dB channel, the receiver's AMI_GetWave, and the whole chain.
// Each iteration is one block of 1024 bits at 64 samples per bit; the rate
// is in samples per second. The receiver writes its reports into a
// temporary folder.
#include <benchmark/benchmark.h>

#include "BenchMain.h"
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "linksim/AmiModel.h"
#include "linksim/Channel.h"
#include "linksim/Prbs.h"

namespace {

constexpr double kBitTime = 1.0 / 10.3125e9;
constexpr int kSpb = 64;
constexpr double kDt = kBitTime / kSpb;
constexpr size_t kBlockBits = 1024;
constexpr size_t kBlock = kBlockBits * kSpb;

void EnterScratchFolder()
{
    static bool done = false;
    if (done) return;
    const auto dir = std::filesystem::temp_directory_path() / "bench_link";
    std::filesystem::create_directories(dir);
    if (chdir(dir.c_str()) != 0) std::perror("bench_link: chdir");
    done = true;
}

std::unique_ptr<linksim::AmiModel> Open(const char* lib, const std::string& params, benchmark::State& state)
{
    EnterScratchFolder();
    std::string error, msg;
    auto m = linksim::AmiModel::Load(std::string(AMI_BUILD_DIR) + "/" + lib, error);
    if (!m) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    if (!m->Init({1.0}, kDt, kBitTime, params, msg)) {
        state.SkipWithError(("AMI_Init failed: " + msg).c_str());
        return nullptr;
    }
    return m;
}

class Stimulus {
public:
    Stimulus() : m_prbs(31) {}
    void Next(std::vector<double>& wave)
    {
        wave.resize(kBlock);
        for (size_t b = 0; b < kBlockBits; ++b) {
            const double v = m_prbs.Next() ? 0.5 : -0.5;
            for (int s = 0; s < kSpb; ++s) wave[b * kSpb + s] = v;
        }
    }

private:
    linksim::Prbs m_prbs;
};

void BM_Transmitter(benchmark::State& state)
{
    auto tx = Open("tx_ami.so", "(TX_model2 (DE_Level 0) (VOD_Level 2) (TX_bypass 0))", state);
    if (!tx) return;
    Stimulus stim;
    std::vector<double> wave, clocks;
    for (auto _ : state) {
        state.PauseTiming();
        stim.Next(wave);
        clocks.clear();
        state.ResumeTiming();
        if (!tx->GetWave(wave.data(), static_cast<long>(kBlock), clocks)) state.SkipWithError("AMI_GetWave failed");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBlock));
}
BENCHMARK(BM_Transmitter)->Unit(benchmark::kMillisecond);

void BM_Channel(benchmark::State& state)
{
    linksim::Convolver channel(linksim::MakeLossyLine(17.0, kBitTime, kSpb).taps);
    Stimulus stim;
    std::vector<double> wave;
    for (auto _ : state) {
        state.PauseTiming();
        stim.Next(wave);
        state.ResumeTiming();
        channel.Process(wave.data(), wave.data(), kBlock);
        benchmark::DoNotOptimize(wave.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBlock));
}
BENCHMARK(BM_Channel)->Unit(benchmark::kMillisecond);

// A long channel (taps decaying over 2^20 samples, 16384 UI) fed in calls of
// 1024 or 65536 bits, 2^22 samples per iteration: the partitioned convolver
// (automatic partition) against one partition as long as the filter, which is
// how the convolver worked before partitioning (each call transformed a whole
// block of twice the filter length). Arguments: taps, bits per call,
// 1 = one partition.
void BM_ChannelCalls(benchmark::State& state)
{
    const size_t taps = static_cast<size_t>(state.range(0));
    const size_t call = static_cast<size_t>(state.range(1)) * kSpb;
    constexpr size_t kStream = size_t(1) << 22;
    std::vector<double> h(taps);
    for (size_t k = 0; k < taps; ++k) h[k] = std::exp(-8.0 * k / taps) * (k % 7 == 0 ? 1e-3 : -2e-4);
    linksim::Convolver channel(h, state.range(2) ? taps : 0);
    std::vector<double> wave(kStream);
    for (size_t i = 0; i < kStream; ++i) wave[i] = (i / kSpb) % 3 == 0 ? 0.5 : -0.5;
    for (auto _ : state) {
        for (size_t at = 0; at < kStream; at += call)
            channel.Process(wave.data() + at, wave.data() + at, std::min(call, kStream - at));
        benchmark::DoNotOptimize(wave.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kStream));
    state.SetLabel("partition " + std::to_string(channel.PartitionSize()) + " x " +
                   std::to_string(channel.Partitions()));
}
BENCHMARK(BM_ChannelCalls)
    ->Args({16384, 1024, 0})->Args({16384, 1024, 1})
    ->Args({1 << 20, 1024, 0})->Args({1 << 20, 65536, 0})
    ->Args({1 << 20, 1024, 1})->Args({1 << 20, 65536, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);

const char* kRxParams =
    "(Vuraved_UV_IV (RX_Config 2) (Factor 1) (VCO_Sensitivity 8e8) (EQ_Level 0) (CTLEAdapt 1) (EOMNbits 200))";

void BM_Receiver(benchmark::State& state)
{
    auto rx = Open("rx_ami.so", kRxParams, state);
    if (!rx) return;
    Stimulus stim;
    linksim::Convolver channel(linksim::MakeLossyLine(17.0, kBitTime, kSpb).taps);
    std::vector<double> wave, clocks;
    for (auto _ : state) {
        state.PauseTiming();
        stim.Next(wave);
        channel.Process(wave.data(), wave.data(), kBlock);
        clocks.clear();
        state.ResumeTiming();
        if (!rx->GetWave(wave.data(), static_cast<long>(kBlock), clocks)) state.SkipWithError("AMI_GetWave failed");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBlock));
}
BENCHMARK(BM_Receiver)->Unit(benchmark::kMillisecond);

void BM_Link(benchmark::State& state)
{
    auto tx = Open("tx_ami.so", "(TX_model2 (DE_Level 0) (VOD_Level 2) (TX_bypass 0))", state);
    auto rx = Open("rx_ami.so", kRxParams, state);
    if (!tx || !rx) return;
    Stimulus stim;
    linksim::Convolver channel(linksim::MakeLossyLine(17.0, kBitTime, kSpb).taps);
    std::vector<double> wave, clocks;
    for (auto _ : state) {
        stim.Next(wave);
        clocks.clear();
        bool ok = tx->GetWave(wave.data(), static_cast<long>(kBlock), clocks);
        channel.Process(wave.data(), wave.data(), kBlock);
        ok = rx->GetWave(wave.data(), static_cast<long>(kBlock), clocks) && ok;
        if (!ok) state.SkipWithError("AMI_GetWave failed");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBlock));
}
BENCHMARK(BM_Link)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }

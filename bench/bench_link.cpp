// Throughput of the link that amisim simulates, stage by stage, through the
// libraries as a simulator loads them: the transmitter's AMI_GetWave, the
// built-in 17 dB channel, the receiver's AMI_GetWave, and the whole chain.
// Each iteration is one block of 1024 bits at 64 samples per bit; the rate
// is in samples per second. The receiver writes its reports into a
// temporary folder.
//
// Then the simulator's own pipeline: its bit-by-bit stage on two threads as
// amisim runs it (BM_Pipeline, no analysis and no pictures), and the whole
// default run of the amisim program with its analysis, pictures and JSON
// (BM_WholeRun), each for NRZ and PAM4 at the same samples per unit
// interval. These are timed on the wall clock (the stages run on two
// threads).
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

#include <spawn.h>
#include <sys/wait.h>

#include "linksim/AmiModel.h"
#include "linksim/BitByBit.h"
#include "linksim/Channel.h"
#include "linksim/Link.h"
#include "linksim/LinkChannel.h"
#include "linksim/LinkModels.h"
#include "linksim/Pam.h"
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

// The bit-by-bit stage as amisim runs it with its defaults (built-in
// libraries, 17 dB line, 1024-bit blocks, the transmitter and channel a
// block ahead on a second thread, decisions collected as they come), over
// range(0) unit intervals of range(1) levels: 2 (NRZ) or 4 (PAM4, the
// built-in receiver slicing the same 64 samples per unit interval). The
// models are loaded and initialised outside the timing.
void BM_Pipeline(benchmark::State& state)
{
    EnterScratchFolder();
    linksim::LinkConfig c;
    c.bits = state.range(0);
    c.modulation.levels = static_cast<int>(state.range(1));
    c.noProgress = true;
    c.quiet = true;
    c.txLib = std::string(AMI_BUILD_DIR) + "/tx_ami.so";
    c.rxLib = std::string(AMI_BUILD_DIR) + "/rx_ami.so";
    const double bitTime = 1.0 / c.bitRate;
    const double dt = bitTime / c.samplesPerBit;
    const linksim::LinkChannel ch = linksim::MakeLinkChannel(c, dt, bitTime);
    std::vector<uint8_t> symbols(static_cast<size_t>(c.bits));
    linksim::Prbs prbs(c.prbs, c.seed);
    for (auto& s : symbols) {
        s = static_cast<uint8_t>(prbs.Next());
        if (c.modulation.levels == 4) s = static_cast<uint8_t>(2 * s + prbs.Next());
    }
    const std::string dir = std::filesystem::current_path().string();
    for (auto _ : state) {
        state.PauseTiming();
        linksim::LinkModels m;
        std::string error = linksim::LoadLinkModels(c, dir, m);
        if (error.empty()) error = linksim::InitLinkModels(m, ch.Impulse(dt), dt, bitTime);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.ResumeTiming();
        const linksim::BitByBitResult r = linksim::RunBitByBit(c, m, ch.taps, symbols);
        state.PauseTiming();
        if (!r.ok || r.bitsDone != c.bits) state.SkipWithError(("bit-by-bit stage failed: " + r.error).c_str());
        m.tx->Close();
        for (auto& rx : m.rxs) rx->model->Close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * c.bits * c.samplesPerBit);
}
BENCHMARK(BM_Pipeline)
    ->ArgNames({"ui", "levels"})
    ->Args({200000, 2})->Args({200000, 4})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The whole default run of the amisim program beside the libraries (the
// channel, models, bit-by-bit stage, measurement, statistical analysis,
// pictures, CSV and JSON), started as a user starts it: `amisim --bits N
// -q --no-progress` with --modulation pam4 for range(1) = 4. Samples per
// second of the whole run, start to exit.
void BM_WholeRun(benchmark::State& state)
{
    EnterScratchFolder();
    const std::string program = std::string(AMI_BUILD_DIR) + "/amisim";
    std::vector<std::string> args = {program, "--bits", std::to_string(state.range(0)), "-q", "--no-progress",
                                     "-o", "whole_run"};
    if (state.range(1) == 4) args.insert(args.end(), {"--modulation", "pam4"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError(("amisim failed: " + program).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 64);
}
BENCHMARK(BM_WholeRun)
    ->ArgNames({"ui", "levels"})
    ->Args({1000000, 2})->Args({1000000, 4})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }

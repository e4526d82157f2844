// Throughput of the transmitter as a simulator sees it: AMI_GetWave of
// tx_ami.so (loaded with dlopen) in samples per second, which hands each
// call to the model's RunBlock; the model itself given blocks of 4096
// samples (RunBlock), and fired sample by sample through the network
// computing only the selected filter and with all sixteen filters
// (SetAllFilters(true)); and a single 620-tap FIR run the same way the model
// runs its filters, so that all figures come from one run on one machine.
#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <dlfcn.h>

#include <random>
#include <string>
#include <vector>

#include "dataflow/FIR.h"
#include "models/tx/TX_model2.h"

namespace {

using InitFn = long (*)(double*, long, long, double, double, char*, char**, void**, char**);
using GetWaveFn = long (*)(double*, long, double*, char**, void*);
using CloseFn = long (*)(void*);

constexpr double kBitTime = 9.696969696969696e-11;
constexpr size_t kBlock = 4096;

std::vector<double> Stimulus(size_t n)
{
    std::mt19937 gen(42);
    std::uniform_int_distribution<int> bit(0, 1);
    std::vector<double> x(n);
    for (double& v : x) v = bit(gen) ? 1.0 : -1.0;
    return x;
}

// One FIR of `taps` taps fired once per sample through single-item ports;
// second argument 1: four partial sums (PairwiseSum), as the model's filters.
void BM_Fir(benchmark::State& state)
{
    const int taps = static_cast<int>(state.range(0));
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> h(static_cast<size_t>(taps));
    for (double& v : h) v = dist(gen);
    const std::vector<double> x = Stimulus(kBlock);

    Vantrel::FIR<double, false> fir;
    fir.m_pdTaps = h.data();
    fir.m_iNumTaps = taps;
    fir.PairwiseSum = state.range(1) != 0;
    if (!fir.Setup()) {
        state.SkipWithError("FIR Setup failed");
        return;
    }
    double in = 0.0, out = 0.0;
    fir.Input.SetBuffer(&in, 1, 1, 0);
    fir.Output.SetBuffer(&out, 1, 1, 0);
    fir.Initialize();
    double sink = 0.0;
    for (auto _ : state) {
        for (size_t n = 0; n < kBlock; ++n) {
            in = x[n];
            fir.Run();
            sink += out;
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBlock));
    fir.Finalize();
}
BENCHMARK(BM_Fir)->Args({620, 0})->Args({620, 1})->Args({155, 1});

// The model fired once per sample through single-item ports, at the given
// samples per bit, defaults (swing 0.4, T1); second argument 0: only the
// selected filter computes (the default), 1: all sixteen filters fire.
void BM_TxModel(benchmark::State& state)
{
    TX_model2 model;
    model.SamplesPerBit = static_cast<int>(state.range(0));
    model.BitTime = kBitTime;
    model.SetAllFilters(state.range(1) != 0);
    double in = 0.0, out = 0.0;
    model.InputPort.SetBuffer(&in, 1, 1, 0);
    model.OutputPort.SetBuffer(&out, 1, 1, 0);
    if (!model.Setup() || !model.Initialize()) {
        state.SkipWithError("TX_model2 Setup or Initialize failed");
        return;
    }
    const std::vector<double> x = Stimulus(kBlock);
    double sink = 0.0;
    for (auto _ : state) {
        for (size_t n = 0; n < kBlock; ++n) {
            in = x[n];
            model.Run();
            sink += out;
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBlock));
    model.Finalize();
}
BENCHMARK(BM_TxModel)->Args({128, 0})->Args({128, 1})->Args({64, 0})->Args({64, 1})->Args({32, 0})
    ->Args({32, 1})->Unit(benchmark::kMillisecond);

// The model given blocks of 4096 samples (RunBlock), at the given samples
// per bit, defaults.
void BM_TxBlock(benchmark::State& state)
{
    TX_model2 model;
    model.SamplesPerBit = static_cast<int>(state.range(0));
    model.BitTime = kBitTime;
    double in = 0.0, out = 0.0;
    model.InputPort.SetBuffer(&in, 1, 1, 0);
    model.OutputPort.SetBuffer(&out, 1, 1, 0);
    if (!model.Setup() || !model.Initialize()) {
        state.SkipWithError("TX_model2 Setup or Initialize failed");
        return;
    }
    const std::vector<double> x = Stimulus(kBlock);
    std::vector<double> wave(kBlock);
    for (auto _ : state) {
        wave = x;
        if (model.RunBlock(wave.data(), kBlock) != kBlock) state.SkipWithError("RunBlock failed");
        benchmark::DoNotOptimize(wave.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBlock));
    model.Finalize();
}
BENCHMARK(BM_TxBlock)->Arg(128)->Arg(64)->Arg(32)->Unit(benchmark::kMillisecond);

// The whole transmitter: AMI_GetWave on blocks of 4096 samples, at the
// given samples per bit (620 taps per filter at 128, 155 at 32), defaults
// (swing 0.4, T1). Only the selected filter computes.
void BM_TxGetWave(benchmark::State& state)
{
    const int samplesPerBit = static_cast<int>(state.range(0));
    const std::string path = std::string(AMI_BUILD_DIR) + "/tx_ami.so";
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        state.SkipWithError("cannot load tx_ami.so");
        return;
    }
    auto init = reinterpret_cast<InitFn>(dlsym(lib, "AMI_Init"));
    auto getWave = reinterpret_cast<GetWaveFn>(dlsym(lib, "AMI_GetWave"));
    auto close = reinterpret_cast<CloseFn>(dlsym(lib, "AMI_Close"));
    if (!init || !getWave || !close) {
        state.SkipWithError("missing entry point");
        dlclose(lib);
        return;
    }
    char params[] = "(TX_model2 (DE_Level 0) (VOD_Level 2) (TX_bypass 0))";
    void* handle = nullptr;
    char* msg = nullptr;
    if (init(nullptr, 0, 0, kBitTime / samplesPerBit, kBitTime, params, nullptr, &handle, &msg) != 1) {
        state.SkipWithError("AMI_Init failed");
        if (handle) close(handle);
        dlclose(lib);
        return;
    }
    const std::vector<double> x = Stimulus(kBlock);
    std::vector<double> wave(kBlock), clocks(kBlock + 1);
    for (auto _ : state) {
        wave = x;  // 4096 copies: negligible next to the model's work
        if (getWave(wave.data(), static_cast<long>(kBlock), clocks.data(), nullptr, handle) != 1) {
            state.SkipWithError("AMI_GetWave failed");
            break;
        }
        benchmark::DoNotOptimize(wave.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBlock));
    close(handle);
    dlclose(lib);
}
BENCHMARK(BM_TxGetWave)->Arg(128)->Arg(64)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }

// Cost of one FIR filter at rate 1, as the models run it: one sample per
// Run through single-item port storage. Reported in samples per second
// (items_per_second), the yardstick for whole-model throughput.
#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <random>
#include <vector>

#include "dataflow/FIR.h"

namespace {

void BM_FirRun(benchmark::State& state)
{
    const int taps = static_cast<int>(state.range(0));
    std::mt19937 gen(42);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> h(taps);
    for (double& v : h) v = dist(gen);
    const size_t block = 4096;
    std::vector<double> x(block);
    for (double& v : x) v = dist(gen);

    Vantrel::FIR<double, false> fir;
    fir.PairwiseSum = state.range(1) != 0;
    fir.m_pdTaps = h.data();
    fir.m_iNumTaps = taps;
    if (!fir.Setup()) {
        state.SkipWithError("Setup failed");
        return;
    }
    double in = 0.0, out = 0.0;
    fir.Input.SetBuffer(&in, 1, 1, 0);
    fir.Output.SetBuffer(&out, 1, 1, 0);
    fir.Initialize();
    double sink = 0.0;
    for (auto _ : state) {
        for (size_t n = 0; n < block; ++n) {
            in = x[n];
            fir.Run();
            sink += out;
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * block);
    fir.Finalize();
}

// The bare dot product over a contiguous window, for comparison with the
// block's per-sample overhead.
void BM_FirKernel(benchmark::State& state)
{
    const size_t taps = static_cast<size_t>(state.range(0));
    std::vector<double> h(taps, 0.5), window(taps + 2, 0.25);
    for (auto _ : state) {
        double y = Vantrel::FirKernel::DotWindow(h.data(), 1, taps, window.data(), window.size(), 0,
                                                 window.size() - 1);
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

// The lane sum (PairwiseSum) over a contiguous window: the dispatched
// version, then the portable one alone.
void BM_FirKernelLanes(benchmark::State& state)
{
    const size_t taps = static_cast<size_t>(state.range(0));
    std::vector<double> h(taps, 0.5), window(taps, 0.25);
    const bool portable = state.range(1) != 0;
    for (auto _ : state) {
        double y = portable ? Vantrel::FirKernel::DotLanesPortable(h.data(), 1, window.data(), taps)
                            : Vantrel::FirKernel::DotLanes(h.data(), 1, window.data(), taps);
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

}  // namespace

// Arguments: tap count; 0 = in-order sum (the default), 1 = PairwiseSum.
BENCHMARK(BM_FirRun)->ArgNames({"taps", "pairwise"})->Args({1471, 0})->Args({620, 0})->Args({1471, 1})->Args({620, 1});
BENCHMARK(BM_FirKernel)->Arg(1471)->Arg(620);
BENCHMARK(BM_FirKernelLanes)->ArgNames({"taps", "portable"})->Args({1471, 0})->Args({620, 0})->Args({1471, 1})->Args({620, 1});

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }

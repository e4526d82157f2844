// Receiver speed: the whole model per sample with its defaults (shared-history
// CTLE bank) firing its whole schedule on every sample and with the fast
// firing, the same with blocks announced ahead as AMI_GetWave does (CTLE
// output by FFT segments), the model with all 32 CTLE filters running on every
// sample, and one 1471-tap FIR block alone, summing in tap order (the block's
// default, which the receiver used before) and with the lane sum the
// receiver's CTLE filters use now (PairwiseSum), both through the dispatched
// kernel and the portable one, and that filter computed ahead by FFT segments.
// Items are waveform samples.
//
// The model appends its report files to the current directory, so the
// program runs in a fresh temporary directory, removed at the end.
#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "dataflow/FIR.h"
#include "models/rx/Vuraved_UV_IV.h"

namespace {

constexpr double kBitTime = 1.0 / 10.3125e9;
constexpr int kSamplesPerBit = 64;

// A PRBS7 waveform through a two-pole channel, 64 samples per bit.
std::vector<double> Waveform(size_t bits)
{
    std::vector<double> wave;
    wave.reserve(bits * kSamplesPerBit);
    unsigned state = 0x5Au;
    const double a = 1.0 - std::exp(-(kBitTime / kSamplesPerBit) / 40e-12);
    double y1 = -0.4, y2 = -0.4;
    for (size_t i = 0; i < bits; ++i) {
        const unsigned b = ((state >> 6) ^ (state >> 5)) & 1u;
        state = ((state << 1) | b) & 0x7Fu;
        const double level = b ? 0.4 : -0.4;
        for (int s = 0; s < kSamplesPerBit; ++s) {
            y1 += a * (level - y1);
            y2 += a * (y1 - y2);
            wave.push_back(y2);
        }
    }
    return wave;
}

enum class Firing { Whole, Fast, AllFilters };

// blockSize 0: samples one by one; otherwise each block of that many samples
// is announced (Lookahead) before it is run, as AMI_GetWave does.
void RunModel(benchmark::State& state, Firing firing, size_t blockSize = 0)
{
    const std::vector<double> wave = Waveform(4096);
    Vuraved_UV_IV model;
    double in = 0.0, out = 0.0, clock = 0.0;
    model.BitTime = kBitTime;
    model.SamplesPerBit = kSamplesPerBit;
    model.SetAllCtleFilters(firing == Firing::AllFilters);
    model.SetFastFiring(firing == Firing::Fast);
    model.InputPort.SetBuffer(&in, 1, 1, 0);
    model.OutputPort.SetBuffer(&out, 1, 1, 0);
    model.ClockPort.SetBuffer(&clock, 1, 1, 0);
    if (!model.Setup() || !model.Initialize()) {
        state.SkipWithError("model did not initialise");
        return;
    }
    if (blockSize == 0) {
        size_t i = 0;
        for (auto _ : state) {
            in = wave[i];
            if (++i == wave.size()) i = 0;
            benchmark::DoNotOptimize(model.Run());
            benchmark::DoNotOptimize(out);
        }
        state.SetItemsProcessed(state.iterations());
    } else {
        // The waveform repeated, a block at a time, its outputs written over
        // its inputs as AMI_GetWave does.
        std::vector<double> block(blockSize);
        size_t next = 0;
        for (auto _ : state) {
            for (double& x : block) {
                x = wave[next];
                if (++next == wave.size()) next = 0;
            }
            model.Lookahead(block.data(), block.size());
            for (double& x : block) {
                in = x;
                model.Run();
                x = out;
            }
            benchmark::DoNotOptimize(block.data());
        }
        state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(blockSize));
    }
    model.Finalize();
}

// Sample by sample: the whole schedule on every sample (as before the fast
// firing), the fast firing, and all 32 CTLE filters with the whole schedule.
void BM_RxModelWholeSchedule(benchmark::State& state) { RunModel(state, Firing::Whole); }
void BM_RxModelDefaults(benchmark::State& state) { RunModel(state, Firing::Fast); }
void BM_RxModelAllCtleFilters(benchmark::State& state) { RunModel(state, Firing::AllFilters); }
// Defaults, blocks announced ahead (CTLE by FFT segments); argument: block size.
void BM_RxModelDefaultsBlocks(benchmark::State& state)
{
    RunModel(state, Firing::Fast, static_cast<size_t>(state.range(0)));
}

// Argument: 0 = in-order sum, 1 = lane sum (PairwiseSum).
void BM_Fir1471Taps(benchmark::State& state)
{
    std::vector<double> taps(1471);
    for (size_t k = 0; k < taps.size(); ++k) taps[k] = std::sin(0.01 * k) * 1e-3;
    Vantrel::FIR<double, false> fir;
    double in = 0.0, out = 0.0;
    fir.m_pdTaps = taps.data();
    fir.m_iNumTaps = static_cast<int>(taps.size());
    fir.PairwiseSum = state.range(0) != 0;
    fir.Input.SetBuffer(&in, 1, 1, 0);
    fir.Output.SetBuffer(&out, 1, 1, 0);
    if (!fir.Setup() || !fir.Initialize()) {
        state.SkipWithError("filter did not initialise");
        return;
    }
    const std::vector<double> wave = Waveform(64);
    size_t i = 0;
    for (auto _ : state) {
        in = wave[i];
        if (++i == wave.size()) i = 0;
        benchmark::DoNotOptimize(fir.Run());
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
    fir.Finalize();
}

BENCHMARK(BM_RxModelWholeSchedule);
BENCHMARK(BM_RxModelDefaults);
BENCHMARK(BM_RxModelDefaultsBlocks)->ArgName("block")->Arg(1024)->Arg(65536);
BENCHMARK(BM_RxModelAllCtleFilters);
// The shared history's output alone, as the receiver forms it per sample.
// Argument: 0 = dispatched kernel, 1 = portable kernel.
void BM_CtleSharedHistory1471Taps(benchmark::State& state)
{
    std::vector<double> taps(1471);
    for (size_t k = 0; k < taps.size(); ++k) taps[k] = std::sin(0.01 * k) * 1e-3;
    CtleSharedHistory history;
    if (!history.Allocate(taps.size())) {
        state.SkipWithError("history not allocated");
        return;
    }
    const bool portable = state.range(0) != 0;
    const std::vector<double> wave = Waveform(64);
    size_t i = 0;
    for (auto _ : state) {
        history.Push(wave[i]);
        if (++i == wave.size()) i = 0;
        double y = portable ? Vantrel::FirKernel::DotLanesPortable(taps.data(), 1, history.Newest(), taps.size())
                            : history.Output(taps.data(), taps.size());
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Fir1471Taps)->ArgName("lanes")->Arg(0)->Arg(1);
BENCHMARK(BM_CtleSharedHistory1471Taps)->ArgName("portable")->Arg(0)->Arg(1);

// The same filter computed ahead by CtleLookahead (FFT segments) over
// announced blocks of 65536 samples; items are output samples.
void BM_CtleLookahead1471Taps(benchmark::State& state)
{
    std::vector<double> taps(1471);
    for (size_t k = 0; k < taps.size(); ++k) taps[k] = std::sin(0.01 * k) * 1e-3;
    CtleSharedHistory history;
    CtleLookahead ahead;
    if (!history.Allocate(taps.size()) || !ahead.Allocate(taps.size())) {
        state.SkipWithError("not allocated");
        return;
    }
    const std::vector<double> wave = Waveform(1024);
    for (auto _ : state) {
        ahead.Announce(wave.data(), wave.size());
        double sum = 0.0;
        for (double x : wave) {
            history.Push(x);
            ahead.Take(x);
            double y = 0.0, bound = 0.0;
            if (!ahead.Value(taps.data(), taps.size(), history, &y, &bound)) y = history.Output(taps.data(), taps.size());
            sum += y;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(wave.size()));
}
BENCHMARK(BM_CtleLookahead1471Taps);

}  // namespace

int main(int argc, char** argv)
{
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return 1;
    char dir[] = "/tmp/bench_rx-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
    const int status = bench::RunBenchmarks(argc, argv);
    std::remove("Adapt.txt");
    std::remove("EOM.txt");
    if (chdir(cwd) != 0) return 1;
    rmdir(dir);
    return status;
}

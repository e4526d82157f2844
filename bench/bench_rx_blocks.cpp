// Per-sample cost of the receiver's own blocks: the eye monitor idle and while
// measuring (64 phase sines per sample, or phase clocks by angle comparison;
// the histogram report at each end), the adaptation controller, the
// clock-recovery blocks of one sample, and the VCO with and without its
// cosine.
// Report files go to a temporary directory that is removed afterwards.
#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "dataflow/VCO.h"
#include "models/rx/Adapt.h"
#include "models/rx/Delay.h"
#include "models/rx/EOM.h"
#include "models/rx/LoopFilter.h"
#include "models/rx/PFD.h"
#include "models/rx/slicer.h"

namespace {

// Runs the benchmark body inside a fresh temporary directory.
class InTempDir {
public:
    InTempDir()
    {
        if (!getcwd(m_acOld, sizeof m_acOld)) m_acOld[0] = '\0';
        char tmpl[] = "/tmp/rxblocks-bench-XXXXXX";
        if (mkdtemp(tmpl)) {
            m_dir = tmpl;
            if (chdir(tmpl) != 0) m_dir.clear();
        }
    }
    ~InTempDir()
    {
        if (m_dir.empty()) return;
        std::remove("EOM.txt");
        std::remove("Adapt.txt");
        if (chdir(m_acOld) == 0) rmdir(m_dir.c_str());
    }

private:
    char m_acOld[4096];
    std::string m_dir;
};

struct EomPorts {
    EOM eom;
    int clock = 0, start = 0, ready = 0, range = 0, heo = 0, veo = 0, opening = 0;
    double data = 0.0, vco = 0.0;
    double waves[64];
    int clocks[64];
    explicit EomPorts(int nbits)
    {
        eom.Nbits = nbits;
        eom.Setup();
        eom.clock.SetBuffer(&clock, 1, 1, 0);
        eom.data.SetBuffer(&data, 1, 1, 0);
        eom.vcoWave.SetBuffer(&vco, 1, 1, 0);
        eom.start.SetBuffer(&start, 1, 1, 0);
        eom.ready.SetBuffer(&ready, 1, 1, 0);
        eom.range.SetBuffer(&range, 1, 1, 0);
        eom.heo.SetBuffer(&heo, 1, 1, 0);
        eom.veo.SetBuffer(&veo, 1, 1, 0);
        eom.opening.SetBuffer(&opening, 1, 1, 0);
        for (int k = 0; k < 64; ++k) {
            eom.phaseWave[k].SetBuffer(&waves[k], 1, 1, 0);
            eom.phaseClock[k].SetBuffer(&clocks[k], 1, 1, 0);
        }
        eom.Initialize();
    }
};

// state.range(0): 0 = idle, 1 = measuring continuously (Nbits 200, restarted
// as soon as each measurement is ready, as the adaptation does).
// state.range(1): 1 = the 64 phase sines written (PhaseOutputs), 0 = phase
// clocks decided by angle comparison (the receiver's fast firing).
void BM_EomRun(benchmark::State& state)
{
    InTempDir dir;
    EomPorts p(200);
    p.eom.PhaseOutputs = state.range(1) != 0;
    const bool measuring = state.range(0) != 0;
    long n = 0, measurements = 0;
    for (auto _ : state) {
        const double psi = 2.0 * 3.141592653589793 * (n + 0.7) / 64;
        p.vco = std::cos(psi);
        p.clock = (n % 64) < 32 ? 1 : 0;
        p.data = 0.05 * std::sin(0.37 * n);
        // Held high while measuring; once ready, dropped for one sample and raised.
        p.start = measuring && (!p.ready || !p.start) ? 1 : 0;
        const int wasReady = p.ready;
        p.eom.Run();
        measurements += p.ready && !wasReady;
        benchmark::DoNotOptimize(p.heo);
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["measurements"] = static_cast<double>(measurements);
}
BENCHMARK(BM_EomRun)->ArgNames({"measuring", "sines"})->Args({0, 1})->Args({1, 1})->Args({1, 0});

// The VCO at the receiver's rates with a small varying control: Run (a
// cosine per firing) against RunClock (the clock by angle, no cosine).
// Argument: 0 = Run, 1 = RunClock.
void BM_VcoRun(benchmark::State& state)
{
    Vantrel::VCO vco;
    double v = 0.0, y = 0.0;
    int clk = 0;
    vco.ControlInput.SetBuffer(&v, 1, 1, 0);
    vco.WaveOutput.SetBuffer(&y, 1, 1, 0);
    vco.ClockOutput.SetBuffer(&clk, 1, 1, 0);
    vco.SampleInterval = 9.696969696969696e-11 / 64;
    vco.Frequency = 1.03125e10;
    vco.Sensitivity = 8e8;
    vco.Initialize();
    const bool byAngle = state.range(0) != 0;
    long n = 0;
    for (auto _ : state) {
        v = 1e-3 * ((n * 7919) % 13 - 6);
        if (byAngle) vco.RunClock();
        else vco.Run();
        benchmark::DoNotOptimize(clk);
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VcoRun)->ArgName("angle")->Arg(0)->Arg(1);

void BM_AdaptRun(benchmark::State& state)
{
    InTempDir dir;
    Adapt a;
    int start = 1, ready = 0, heo = 0, veo = 0, range = 0, ack = 0;
    int taps[5], eq = 0, request = 0, ctle = 0, dfe = 0;
    a.CtleEnable = 1;
    a.Setup();
    a.start.SetBuffer(&start, 1, 1, 0);
    a.ready.SetBuffer(&ready, 1, 1, 0);
    a.heo.SetBuffer(&heo, 1, 1, 0);
    a.veo.SetBuffer(&veo, 1, 1, 0);
    a.range.SetBuffer(&range, 1, 1, 0);
    a.ack.SetBuffer(&ack, 1, 1, 0);
    for (int i = 0; i < 5; ++i) a.taps[i].SetBuffer(&taps[i], 1, 1, 0);
    a.eqLevel.SetBuffer(&eq, 1, 1, 0);
    a.request.SetBuffer(&request, 1, 1, 0);
    a.ctleDone.SetBuffer(&ctle, 1, 1, 0);
    a.dfeDone.SetBuffer(&dfe, 1, 1, 0);
    a.Initialize();
    long n = 0;
    for (auto _ : state) {
        // A measurement result every 19,264 samples (about 301 clock periods).
        ready = (n % 19264) < 64 * 200 ? 0 : 1;
        heo = 2 + static_cast<int>(n / 19264) % 9;
        a.Run();
        benchmark::DoNotOptimize(eq);
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AdaptRun);

void BM_ClockRecoveryBlocks(benchmark::State& state)
{
    PFD pfd;
    LoopFilter filter;
    filter.C1 = 2.2e-8;
    filter.C2 = 5e-11;
    filter.R = 100.0;
    filter.Ip = 2.5e-5;
    filter.SampleInterval = 9.696969696969696e-11 / 64;
    filter.Initialize();
    Delay quadrature;
    double wave = 0.0;
    quadrature.Input.SetBuffer(&wave, 1, 1, 0);
    quadrature.Initialize();
    slicer dec;
    dec.Initialize();
    long n = 0;
    for (auto _ : state) {
        wave = std::cos(2.0 * 3.141592653589793 * (n + 0.7) / 64);
        quadrature.Run();
        pfd.InPhaseClock = wave;
        pfd.QuadratureClock = quadrature.Output;
        pfd.Data = dec.Data = std::sin(0.37 * n);
        pfd.Run();
        filter.Command = pfd.InPhaseSample + pfd.FrequencyError;
        filter.Run();
        dec.Clock = wave >= 0.0 ? 1 : 0;
        dec.Run();
        benchmark::DoNotOptimize(filter.Control);
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClockRecoveryBlocks);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }

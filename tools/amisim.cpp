// amisim: a serial link simulated end to end through the two IBIS-AMI
// libraries, driven as a channel simulator drives them.
//
//   PRBS bits -> NRZ waveform -> tx_ami (AMI_GetWave) -> channel -> rx_ami
//
// The libraries are loaded with dlopen; each gets AMI_Init with a parameter
// string that sets every one of its parameters, AMI_GetWave once per block,
// and AMI_Close. The receiver's decisions are aligned to the transmitted
// bits and counted; its clock times give the lock point and the jitter; its
// equalised signal, folded on the recovered clock, gives the eye. A summary
// goes to standard output, the same figures as JSON and two pictures to the
// output folder, where the receiver also writes its own reports (Adapt.txt,
// EOM.txt), since it writes them in the current directory.
#include <time.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "linksim/AmiModel.h"
#include "linksim/Analysis.h"
#include "linksim/Channel.h"
#include "linksim/ChannelSetup.h"
#include "linksim/Jitter.h"
#include "linksim/Kit.h"
#include "linksim/LinkPulse.h"
#include "linksim/Plot.h"
#include "linksim/Prbs.h"
#include "linksim/StatEye.h"
#include "linksim/Sweep.h"
#include "linksim/SweepTable.h"
#include "linksim/WaveTail.h"
#include "linksim/Worker.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using linksim::AmiModel;

namespace {

// Run-time parameters of the two models, defaults as their constructors set
// them, except RX_Config: the host asks for the equalised signal (2), which
// gives the eye, and slices it itself at the recovered clock's decision
// instants, where the receiver's own slicer samples it (within one sample).
// One receiver instance then gives decisions, clock and eye; with 0 or 1 a
// second instance with RX_Config 2 runs beside it for the eye.
struct TxParams {
    int DE_Level = 0;
    int VOD_Level = 2;
    int TX_bypass = 0;
};
struct RxParams {
    int RX_Config = 2;
    int Factor = 1;
    double VCO_Sensitivity = 8.0e8;
    int EQ_Level = 0;
    int CTLEAdapt = 1;
    int EOMNbits = 200;
};

struct Options {
    long long bits = 20000;
    int prbs = 31;
    unsigned seed = 0;  // 0: all ones
    double bitRate = 10.3125e9;
    int samplesPerBit = 64;
    int blockBits = 1024;
    double lossDb = 17.0;
    std::string channelCsv;
    std::string channelTs;   // Touchstone file
    std::string ports;       // its wiring, "1-2,3-4"; empty: found from the data
    std::string impulseCsv, channelPng;
    std::string txLib, rxLib;
    // Models chosen from their IBIS file, with --set values checked against
    // their parameter files (filled before the run).
    std::string txIbs, txModel, rxIbs, rxModel;
    std::vector<std::string> sets;
    bool listParams = false;
    // Jitter injected on the stimulus edges; the statistical analysis.
    linksim::JitterSpec jitter;
    bool stat = true;
    double statNoise = 0.0;
    double ber = 1e-12;
    std::string statPng, bathtubPng;
    // Sweeps.
    std::vector<std::string> sweeps;
    size_t jobs = 0;  // 0: the cores
    std::string shard;
    std::shared_ptr<linksim::ModelKit> txKit, rxKit;
    std::map<std::string, std::string> txValues, rxValues;
    std::string outDir = "out";
    std::string json, eyePng, clockPng;
    bool eyeProbe = true;
    long long eyeBits = 10000;
    int lockWindow = 1024;
    double lockToleranceUi = 0.1;
    long long ignoreBits = 0;
    int maxLag = 4096;
    bool quiet = false;
    bool noProgress = false;
    int threads = 2;
    TxParams tx;
    RxParams rx;
};

// Wall-clock and processor time of one stage, summed over its calls. On a
// shared machine the processor time is the figure that tells the cost.
struct Cost {
    double wall = 0.0;
    double cpu = 0.0;
};

// Processor time of the whole process (every thread), or of the calling
// thread only.
double CpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// A stage runs on one thread: its processor time is that thread's.
template <class F>
auto Timed(Cost& c, F&& f)
{
    const auto w0 = Clock::now();
    const double c0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    auto result = f();
    c.cpu += CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0;
    c.wall += std::chrono::duration<double>(Clock::now() - w0).count();
    return result;
}

std::string Num(double v, int prec = 6)
{
    std::ostringstream os;
    os.precision(prec);
    os << v;
    return os.str();
}

std::string ProgramDir()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

std::string Absolute(const std::string& p)
{
    if (p.empty()) return p;
    std::error_code ec;
    const fs::path a = fs::absolute(p, ec);
    return ec ? p : a.lexically_normal().string();
}

// A progress bar on standard error, only when it is a terminal and the run
// has taken more than a second; redrawn at most ten times a second.
class Progress {
public:
    Progress(bool enabled, long long total) : m_enabled(enabled && isatty(STDERR_FILENO)), m_total(total) {}
    void Update(long long done, double samplesPerSecond)
    {
        if (!m_enabled) return;
        const auto now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - m_start).count();
        if (elapsed < 1.0 || now - m_last < std::chrono::milliseconds(100)) return;
        m_last = now;
        const double f = m_total > 0 ? static_cast<double>(done) / m_total : 1.0;
        const int width = 30, fill = static_cast<int>(f * width);
        const double eta = f > 0 ? elapsed * (1.0 - f) / f : 0.0;
        std::fprintf(stderr, "\r[%.*s%*s] %3.0f%%  %.2f Msamples/s  %.0f s left ", fill,
                     "##############################", width - fill, "", 100.0 * f, samplesPerSecond / 1e6, eta);
        std::fflush(stderr);
        m_shown = true;
    }
    void Done()
    {
        if (m_shown) std::fprintf(stderr, "\r%*s\r", 78, "");
        m_shown = false;
    }

private:
    bool m_enabled;
    long long m_total;
    bool m_shown = false;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_last = m_start;
};

// One receiver instance and what the host gathers from it.
struct Receiver {
    std::unique_ptr<AmiModel> model;
    int config = 0;          // its RX_Config: what its output carries
    std::string workDir;     // where its report files go
    std::vector<double> edges;  // clock times, seconds
    size_t edgesSeen = 0;       // edges already turned into decisions
    std::vector<int8_t> decisions;
    std::vector<double> centres;  // decision instants, samples
    std::vector<double> periods;  // clock period of each decision, samples
    size_t restored = 0;          // clock times the interface dropped
    // The latest output: the current block and the one before it (decisions
    // look back across the block edge), or the last eyeBits bits of the
    // equalised signal (config 2).
    std::unique_ptr<linksim::WaveTail> tail;
    Cost cost;
};

// Turns the clock edges of the latest block into decisions and instants:
// the decision of the clock period [f_{k-1}, f_k] is the decision output at
// f_k (config 0) or the sign of the equalised signal at the instant
// (config 2). An interval of m > 1 periods is a clock time that the
// receiver dropped (ours carries a time that does not fit to the next call,
// but a receiver may instead drop the earliest when its clock ran fast): it
// is split into m equal periods. An interval far shorter than a period
// makes no decision of its own.
void CollectDecisions(Receiver& r, double dt, double periodSamples)
{
    for (size_t e = std::max<size_t>(r.edgesSeen, 1); e < r.edges.size(); ++e) {
        const double f0 = r.edges[e - 1] / dt, f1 = r.edges[e] / dt;
        const long long m = std::llround((f1 - f0) / periodSamples);
        if (m < 1) continue;
        if (m > 1) r.restored += static_cast<size_t>(m - 1);
        const double p = (f1 - f0) / static_cast<double>(m);
        for (long long i = 0; i < m; ++i) {
            const double a = f0 + static_cast<double>(i) * p;
            const double centre = a + 0.5 * p;
            const int64_t at = std::llround(r.config == 0 ? a + p : centre);
            if (!r.tail->Has(at)) continue;
            r.decisions.push_back(r.tail->At(at) > 0.0f ? 1 : -1);
            r.centres.push_back(centre);
            r.periods.push_back(p);
        }
    }
    r.edgesSeen = std::max<size_t>(r.edgesSeen, r.edges.size());
}

std::string ReadFrom(const std::string& path, std::uintmax_t offset)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    in.seekg(static_cast<std::streamoff>(offset));
    std::ostringstream os;
    os << in.rdbuf();
    return os.str();
}

std::uintmax_t FileSize(const std::string& path)
{
    std::error_code ec;
    const auto s = fs::file_size(path, ec);
    return ec ? 0 : s;
}

bool ChangeDir(const std::string& dir)
{
    if (chdir(dir.c_str()) == 0) return true;
    std::fprintf(stderr, "amisim: cannot enter %s: %s\n", dir.c_str(), std::strerror(errno));
    return false;
}

int Run(const Options& o)
{
    const auto tStart = Clock::now();
    const double bitTime = 1.0 / o.bitRate;
    const double dt = bitTime / o.samplesPerBit;
    const int spb = o.samplesPerBit;

    // Paths first: the run works inside the output folder.
    const std::string outDir = Absolute(o.outDir);
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "amisim: cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
        return 2;
    }
    const std::string dir = ProgramDir();
    const std::string txPath =
        o.txKit ? o.txKit->library : Absolute(o.txLib.empty() ? dir + "/tx_ami.so" : o.txLib);
    const std::string rxPath =
        o.rxKit ? o.rxKit->library : Absolute(o.rxLib.empty() ? dir + "/rx_ami.so" : o.rxLib);
    const std::string jsonPath = Absolute(o.json.empty() ? outDir + "/amisim.json" : o.json);
    const std::string eyePath = Absolute(o.eyePng.empty() ? outDir + "/eye.png" : o.eyePng);
    const std::string clockPath = Absolute(o.clockPng.empty() ? outDir + "/clock_period.png" : o.clockPng);
    const std::string statPath = Absolute(o.statPng.empty() ? outDir + "/stat_eye.png" : o.statPng);
    const std::string bathtubPath = Absolute(o.bathtubPng.empty() ? outDir + "/bathtub.png" : o.bathtubPng);
    const std::string csvPath = Absolute(o.channelCsv);
    const std::string tsPath = Absolute(o.channelTs);
    const std::string impulseCsvPath = Absolute(o.impulseCsv);
    const std::string channelPngPath =
        tsPath.empty() ? Absolute(o.channelPng) : Absolute(o.channelPng.empty() ? outDir + "/channel.png" : o.channelPng);

    // The channel.
    std::vector<double> channelTaps;
    std::string channelKind;
    linksim::SParamChannel sparam;
    try {
        if (!tsPath.empty()) {
            sparam = linksim::LoadSParamChannel(tsPath, o.ports, dt, bitTime);
            channelTaps = sparam.taps;
            channelKind = sparam.description;
            for (const auto& w : sparam.warnings) std::fprintf(stderr, "amisim: warning: %s\n", w.c_str());
        } else if (!csvPath.empty()) {
            channelTaps = linksim::ReadImpulseCsv(csvPath, dt);
            channelKind = "impulse response from " + csvPath;
        } else {
            channelTaps = linksim::MakeLossyLine(o.lossDb, bitTime, spb).taps;
            channelKind = "lossy line, " + Num(o.lossDb, 4) + " dB at Nyquist";
        }
    } catch (const linksim::PortsError& e) {
        std::fprintf(stderr, "amisim: %s\nRun with --help for more information.\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: %s\n", e.what());
        return 2;
    }
    std::string channelPngError, impulseCsvError;
    if (!channelPngPath.empty()) {
        if (!tsPath.empty()) channelPngError = linksim::WriteChannelPng(channelPngPath, sparam, dt, bitTime);
        else channelPngError = "the frequency-response picture needs a Touchstone channel (--channel)";
    }
    if (!o.impulseCsv.empty()) impulseCsvError = linksim::WriteImpulseCsv(impulseCsvPath, channelTaps, dt);
    const double lossAtNyquist =
        0.0 - 20.0 * std::log10(std::abs(linksim::FirResponse(channelTaps, 0.5 * o.bitRate, dt))) + 0.0;
    const double channelDc = std::abs(linksim::FirResponse(channelTaps, 0.0, dt));
    std::vector<double> impulse(channelTaps.size());
    for (size_t i = 0; i < impulse.size(); ++i) impulse[i] = channelTaps[i] / dt;

    // The models.
    std::string error;
    auto tx = AmiModel::Load(txPath, error);
    if (!tx) {
        std::fprintf(stderr, "amisim: %s\n", error.c_str());
        return 2;
    }
    std::vector<std::unique_ptr<Receiver>> rxs;
    auto addReceiver = [&](int config, const std::string& workDir) -> Receiver* {
        auto r = std::make_unique<Receiver>();
        r->model = AmiModel::Load(rxPath, error);
        if (!r->model) return nullptr;
        r->config = config;
        r->workDir = workDir;
        rxs.push_back(std::move(r));
        return rxs.back().get();
    };
    const std::string probeDir = outDir + "/eye-probe";
    Receiver* primary = addReceiver(o.rx.RX_Config, outDir);
    if (!primary) {
        std::fprintf(stderr, "amisim: %s\n", error.c_str());
        return 2;
    }
    Receiver* eyeRx = primary->config == 2 ? primary : nullptr;
    if (!eyeRx && o.eyeProbe && primary->config >= 0 && primary->config <= 2) {
        fs::create_directories(probeDir, ec);
        eyeRx = addReceiver(2, probeDir);
        if (!eyeRx) {
            std::fprintf(stderr, "amisim: %s\n", error.c_str());
            return 2;
        }
    }
    const long long eyeSamples = std::max<long long>(o.eyeBits, 4) * spb + 4LL * spb;
    for (auto& r : rxs)
        r->tail = std::make_unique<linksim::WaveTail>(
            static_cast<size_t>(std::max<long long>(r->config == 2 ? eyeSamples : 0, 2LL * o.blockBits * spb)));

    const std::string txString =
        o.txKit ? linksim::KitParameterString(*o.txKit, o.txValues)
                : linksim::AmiParameterString("TX_model2", {{"DE_Level", std::to_string(o.tx.DE_Level)},
                                                            {"VOD_Level", std::to_string(o.tx.VOD_Level)},
                                                            {"TX_bypass", std::to_string(o.tx.TX_bypass)}});
    auto rxString = [&](int config) {
        if (o.rxKit) {
            auto values = o.rxValues;
            if (o.rxKit->Find("RX_Config")) values["RX_Config"] = std::to_string(config);
            return linksim::KitParameterString(*o.rxKit, values);
        }
        return linksim::AmiParameterString(
            "Vuraved_UV_IV", {{"RX_Config", std::to_string(config)},
                              {"Factor", std::to_string(o.rx.Factor)},
                              {"VCO_Sensitivity", Num(o.rx.VCO_Sensitivity, 17)},
                              {"EQ_Level", std::to_string(o.rx.EQ_Level)},
                              {"CTLEAdapt", std::to_string(o.rx.CTLEAdapt)},
                              {"EOMNbits", std::to_string(o.rx.EOMNbits)}});
    };

    if (!ChangeDir(outDir)) return 2;
    const std::string adaptPath = outDir + "/Adapt.txt";
    const std::uintmax_t adaptOffset = FileSize(adaptPath);

    std::string txMsg, rxMsg;
    bool ok = tx->Init(impulse, dt, bitTime, txString, txMsg);
    if (!ok) std::fprintf(stderr, "amisim: AMI_Init of %s failed: %s\n", txPath.c_str(), txMsg.c_str());
    for (auto& r : rxs) {
        if (!ChangeDir(r->workDir)) return 2;
        std::string m;
        const bool rok = r->model->Init(impulse, dt, bitTime, rxString(r->config), m);
        if (r.get() == primary) rxMsg = m;
        if (!rok) std::fprintf(stderr, "amisim: AMI_Init of %s failed: %s\n", rxPath.c_str(), m.c_str());
        ok = ok && rok;
    }
    if (!ok) return 2;

    // The main loop, one block of bits at a time. The transmitter and the
    // channel run one block ahead of the receivers: while the receivers take
    // block b from `wave`, block b+1 is made in `ahead`, on a worker thread
    // when the blocks are long enough to be worth the hand-over and there is
    // a second processor. Every stage still sees its blocks in order, so the
    // results are those of the plain schedule.
    linksim::Prbs prbs(o.prbs, o.seed);
    std::vector<uint8_t> txBits(static_cast<size_t>(o.bits));
    // All bits first: a jittered edge at the end of a block needs the next bit.
    prbs.Fill(txBits.data(), txBits.size());
    const size_t blockSamples = static_cast<size_t>(o.blockBits) * spb;
    std::vector<double> wave(blockSamples), ahead(blockSamples), copy(blockSamples), txClock;
    linksim::Convolver channel(channelTaps);
    Cost tTx, tChannel;
    Progress progress(!o.noProgress, o.bits);
    const auto tLoop = Clock::now();
    const double cpuLoop0 = CpuSeconds();
    long long bitsDone = 0;
    bool runOk = true;
    auto since = [](Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); };
    auto bitsIn = [&](long long first) {
        return static_cast<size_t>(std::min<long long>(o.blockBits, o.bits - first));
    };
    // Stimulus, transmitter and channel for the block from bit `first`.
    auto makeBlock = [&](long long first, std::vector<double>& w) {
        const size_t nb = bitsIn(first);
        const size_t n = nb * spb;
        if (o.jitter.Any())
            linksim::FillJitteredNrz(o.jitter, txBits, first, nb, spb, bitTime, w.data());
        else
            for (size_t b = 0; b < nb; ++b)
                std::fill_n(&w[b * spb], spb, txBits[static_cast<size_t>(first) + b] ? 0.5 : -0.5);
        if (!Timed(tTx, [&] { return tx->GetWave(w.data(), static_cast<long>(n), txClock); })) return false;
        txClock.clear();  // the transmitter has no clock
        Timed(tChannel, [&] {
            channel.Process(w.data(), w.data(), n);
            return true;
        });
        return true;
    };
    bool aheadOk = true;
    linksim::Worker worker(o.threads > 1 && blockSamples >= 16384 && linksim::DefaultJobs() > 1);
    worker.Start([&] { aheadOk = makeBlock(0, ahead); });
    while (bitsDone < o.bits && runOk) {
        const size_t nb = bitsIn(bitsDone);
        const size_t n = nb * spb;
        worker.Wait();
        if (!aheadOk) {
            std::fprintf(stderr, "amisim: AMI_GetWave of %s failed at bit %lld\n", txPath.c_str(), bitsDone);
            runOk = false;
            break;
        }
        wave.swap(ahead);
        const long long next = bitsDone + static_cast<long long>(nb);
        if (next < o.bits) worker.Start([&, next] { aheadOk = makeBlock(next, ahead); });

        // The probe first (it takes a copy of the receiver's input), then
        // the primary in place.
        for (auto it = rxs.rbegin(); it != rxs.rend(); ++it) {
            Receiver& r = **it;
            const bool isPrimary = &r == primary;
            double* w = isPrimary ? wave.data() : copy.data();
            if (!isPrimary) std::copy_n(wave.data(), n, copy.data());
            if (rxs.size() > 1 && !ChangeDir(r.workDir)) return 2;
            if (!Timed(r.cost, [&] { return r.model->GetWave(w, static_cast<long>(n), r.edges); })) {
                std::fprintf(stderr, "amisim: AMI_GetWave of %s failed at bit %lld\n", rxPath.c_str(), bitsDone);
                runOk = false;
                break;
            }
            r.tail->Push(w, n);
            if (r.config == 0 || r.config == 2) CollectDecisions(r, dt, spb / static_cast<double>(o.rx.Factor));
        }
        bitsDone += static_cast<long long>(nb);
        const double el = since(tLoop);
        progress.Update(bitsDone, el > 0 ? bitsDone * spb / el : 0.0);
    }
    worker.Wait();  // a block made ahead of a failure is dropped
    progress.Done();
    const double loopSeconds = since(tLoop);
    const double loopCpu = CpuSeconds() - cpuLoop0;
    if (rxs.size() > 1) ChangeDir(outDir);
    bool closeOk = tx->Close();
    for (auto& r : rxs) {
        if (rxs.size() > 1) ChangeDir(r->workDir);
        closeOk = r->model->Close() && closeOk;
    }
    ChangeDir(outDir);
    if (!runOk) return 2;
    txBits.resize(static_cast<size_t>(bitsDone));

    // Analysis.
    const auto tAnalysis = Clock::now();
    const double refPeriod = bitTime / std::max(1, o.rx.Factor);
    const linksim::Lock lock =
        linksim::DetectLock(primary->edges, refPeriod, static_cast<size_t>(o.lockWindow), o.lockToleranceUi * refPeriod);
    const double lockTime = lock.locked ? primary->edges[lock.edge] : 0.0;
    const linksim::Jitter jit = linksim::MeasureJitter(primary->edges, refPeriod, lock.locked ? lock.edge : 0);
    size_t gaps = 0;
    for (size_t k = 1; k < primary->edges.size(); ++k)
        if (primary->edges[k] - primary->edges[k - 1] > 1.5 * refPeriod) ++gaps;

    // Decisions after lock (or over the second half when the clock never
    // locked), aligned by their time to the transmitted bits.
    Receiver* decRx = primary->config == 1 ? eyeRx : primary;
    linksim::Alignment align;
    linksim::ErrorCount errs;
    linksim::Slots slots;
    size_t firstDecision = 0;
    // Where the measurements start: after lock and the bits to ignore.
    const double measureFrom = std::max(lock.locked ? lockTime / dt : 0.5 * bitsDone * spb,
                                        static_cast<double>(o.ignoreBits) * spb);
    std::string berScope = lock.locked ? "after lock" : "second half (clock not locked)";
    if (o.ignoreBits > 0) berScope += " and bit " + std::to_string(o.ignoreBits);
    if (decRx && !decRx->centres.empty()) {
        const double fromSample = measureFrom;
        firstDecision = static_cast<size_t>(
            std::lower_bound(decRx->centres.begin(), decRx->centres.end(), fromSample) - decRx->centres.begin());
        slots = linksim::SlotsFromCentres(decRx->centres, spb, firstDecision);
        align = linksim::AlignDecisions(txBits, slots.slot, decRx->decisions, firstDecision, 8192, o.maxLag);
        errs = linksim::CountErrors(txBits, slots.slot, decRx->decisions, firstDecision, align);
    }

    // The eye of the equalised signal over the last eyeBits bits after lock.
    linksim::EyeDiagram::Opening opening;
    // Data crossings against the recovered clock and the signal at the
    // decision instants, for the jitter figures and the extrapolated bathtubs.
    linksim::Crossings crossings;
    std::vector<double> sampledOnes, sampledZeros;
    std::string eyeError = "no equalised signal (RX_Config is not 2 and the eye receiver is off)";
    uint64_t eyeTraces = 0;
    if (eyeRx && eyeRx->centres.empty()) {
        eyeError = "the receiver returned no clock times, so there is no decision instant to fold on";
    } else if (eyeRx && eyeRx->tail) {
        const int64_t from = std::max<int64_t>(eyeRx->tail->First(), static_cast<int64_t>(std::ceil(measureFrom)));
        const std::vector<float> w = eyeRx->tail->CopyFrom(from);
        const int64_t base = std::max(from, eyeRx->tail->First());
        if (w.size() > static_cast<size_t>(4 * spb)) {
            const auto mm = std::minmax_element(w.begin(), w.end());
            const double span = std::max(1e-6, static_cast<double>(*mm.second - *mm.first));
            linksim::EyeDiagram eye(640, 400, *mm.first - 0.08 * span, *mm.second + 0.08 * span);
            const linksim::Slots eyeSlots = linksim::SlotsFromCentres(eyeRx->centres, spb, 0);
            for (size_t k = 0; k < eyeRx->centres.size(); ++k) {
                const double c = eyeRx->centres[k];
                if (c - spb < base) continue;
                // Same clock as the primary when deterministic: the phase of
                // the primary's slots keeps both on the same bits.
                const int64_t slot = decRx ? static_cast<int64_t>(std::llround((c - slots.phase) / spb))
                                           : eyeSlots.slot[k];
                const double period = eyeRx->periods[k];
                const int expected = linksim::ExpectedSign(txBits, slot, align);
                eye.Fold(w.data(), w.size(), base, c, period, expected);
                // The signal at the instant (linear between samples, sample
                // i standing for i + 1/2), by the sign it should have.
                const double x = c - 0.5 - static_cast<double>(base);
                const size_t i0 = static_cast<size_t>(std::max(0.0, std::floor(x)));
                if (expected != 0 && i0 + 1 < w.size()) {
                    const double v = w[i0] + (x - static_cast<double>(i0)) * (w[i0 + 1] - w[i0]);
                    (expected > 0 ? sampledOnes : sampledZeros).push_back(v);
                }
            }
            std::vector<double> cs, ps;
            for (size_t k = 0; k < eyeRx->centres.size(); ++k)
                if (eyeRx->centres[k] - spb >= base) {
                    cs.push_back(eyeRx->centres[k]);
                    ps.push_back(eyeRx->periods[k]);
                }
            crossings = linksim::FindCrossings(w.data(), w.size(), base, cs, ps, dt);
            opening = eye.Measure();
            eyeTraces = eye.Traces();
            linksim::EyePlotInfo info;
            info.title = "Equalised signal at " + Num(o.bitRate / 1e9, 6) + " Gb/s, " + channelKind;
            info.bitTime = bitTime;
            info.opening = opening;
            eyeError = linksim::WriteEyePng(eyePath, eye, info);
        } else {
            eyeError = "too few samples after lock for an eye";
        }
    }
    if (!eyeError.empty()) fs::remove(eyePath, ec);  // no stale picture of an earlier run
    linksim::ClockPlotInfo cinfo;
    cinfo.title = "Recovered clock: period and phase over the run";
    cinfo.bitTime = bitTime;
    cinfo.refPeriod = refPeriod;
    cinfo.locked = lock.locked;
    cinfo.lockTime = lockTime;
    const std::string clockError = linksim::WriteClockPng(clockPath, primary->edges, cinfo);

    // The CTLE setting, as the receiver's adaptation log tells it.
    const linksim::AdaptLog adapt = linksim::ParseAdaptLog(ReadFrom(adaptPath, adaptOffset));
    const int ctleSetting = o.rx.CTLEAdapt == 1 ? adapt.finalSetting : o.rx.EQ_Level;

    // Jitter of the data against the recovered clock, and the bathtubs
    // extrapolated from what the bit-by-bit run measured.
    const linksim::JitterFigures dataJitter = linksim::MeasureJitter(crossings, bitTime, o.ber);
    const linksim::ExtrapolatedEye extrapolated = linksim::ExtrapolateEye(dataJitter, sampledOnes, sampledZeros, o.ber);

    // The statistical analysis from the link's pulse response.
    linksim::StatEye statEye;
    linksim::LinkPulse linkPulse;
    std::string statError = o.stat ? "" : "not asked for (--no-stat)", statPngError, bathtubPngError;
    std::string rxStatParameters;
    bool rxHeld = false;
    if (o.stat) {
        // Our receiver: the equalised signal, the CTLE held at the setting
        // the run ended with.
        auto held = [&](std::map<std::string, std::string> v, bool has) {
            if (has) v["CTLEAdapt"] = "0", v["EQ_Level"] = std::to_string(ctleSetting), v["RX_Config"] = "2";
            return v;
        };
        if (o.rxKit) {
            rxHeld = o.rxKit->Find("CTLEAdapt") && o.rxKit->Find("EQ_Level");
            auto v = held(o.rxValues, rxHeld);
            if (!o.rxKit->Find("RX_Config")) v.erase("RX_Config");
            rxStatParameters = linksim::KitParameterString(*o.rxKit, v);
        } else {
            rxHeld = true;
            rxStatParameters = linksim::AmiParameterString(
                "Vuraved_UV_IV", {{"RX_Config", "2"},
                                  {"Factor", std::to_string(o.rx.Factor)},
                                  {"VCO_Sensitivity", Num(o.rx.VCO_Sensitivity, 17)},
                                  {"EQ_Level", std::to_string(ctleSetting)},
                                  {"CTLEAdapt", "0"},
                                  {"EOMNbits", std::to_string(o.rx.EOMNbits)}});
        }
        auto initImpulse = [](const std::shared_ptr<linksim::ModelKit>& k) {
            const linksim::AmiParameter* p = k ? k->Find("Init_Returns_Impulse") : nullptr;
            return p && p->Initial() == "True";
        };
        linksim::LinkPulseRequest req;
        req.txLibrary = txPath;
        req.txParameters = txString;
        req.rxLibrary = rxPath;
        req.rxParameters = rxStatParameters;
        req.txInitReturnsImpulse = initImpulse(o.txKit);
        req.rxInitReturnsImpulse = initImpulse(o.rxKit);
        req.channelTaps = channelTaps;
        req.dt = dt;
        req.bitTime = bitTime;
        // The receiver's reports of this instance go to a folder of their own.
        const std::string statDir = outDir + "/stat-probe";
        fs::create_directories(statDir, ec);
        if (ChangeDir(statDir)) {
            linkPulse = linksim::MeasureLinkPulse(req);
            ChangeDir(outDir);
        } else {
            linkPulse.error = "cannot enter " + statDir;
        }
        statError = linkPulse.error;
        if (statError.empty()) {
            linksim::StatEyeOptions so;
            so.noiseRms = o.statNoise;
            so.rjUi = o.jitter.rjUi;
            so.sjUi = o.jitter.sjUi;
            so.dcdUi = o.jitter.dcdUi;
            statEye = linksim::ComputeStatEye(linkPulse.pulse, spb, so);
            statPngError = linksim::WriteStatEyePng(
                statPath, statEye, "Statistical eye from the pulse response, " + channelKind);
        }
    }
    if (!statError.empty() || !statPngError.empty()) fs::remove(statPath, ec);
    {
        linksim::PlotPanel h, v;
        h.xLabel = "sampling offset (UI): statistical from the pulse's peak, bit-by-bit from the recovered clock's instant";
        h.yLabel = "log10 BER";
        v.xLabel = "decision threshold (V)";
        v.yLabel = "log10 BER";
        h.yMin = v.yMin = -18.0;
        h.yMax = v.yMax = 0.0;
        h.yMarks.push_back({std::log10(o.ber), "BER " + Num(o.ber, 3)});
        v.yMarks = h.yMarks;
        if (!statEye.bathtub.empty()) {
            linksim::PlotSeries s;
            s.label = "statistical (pulse response)";
            for (int j = 0; j < statEye.phases; ++j) {
                s.x.push_back(static_cast<double>(j - statEye.phases / 2) / statEye.phases);
                s.y.push_back(std::log10(std::max(statEye.bathtub[static_cast<size_t>(j)], 1e-300)));
            }
            h.series.push_back(s);
        }
        if (extrapolated.timingOk) {
            linksim::PlotSeries s;
            s.label = "bit-by-bit, extrapolated";
            s.r = 0.85, s.g = 0.35, s.b = 0.05;
            s.dashed = true;
            s.x = extrapolated.phaseUi;
            for (double b : extrapolated.phaseBer) s.y.push_back(std::log10(std::max(b, 1e-300)));
            h.series.push_back(s);
        }
        if (extrapolated.amplitudeOk) {
            linksim::PlotSeries s;
            s.label = "bit-by-bit, extrapolated";
            s.r = 0.85, s.g = 0.35, s.b = 0.05;
            s.dashed = true;
            s.x = extrapolated.thresholdV;
            for (double b : extrapolated.thresholdBer) s.y.push_back(std::log10(std::max(b, 1e-300)));
            v.series.push_back(s);
        }
        if (h.series.empty() && v.series.empty())
            bathtubPngError = "no bathtub: neither the statistical analysis nor the bit-by-bit distributions are there";
        else
            bathtubPngError = linksim::WritePanelsPng(bathtubPath, "Bathtub curves, " + channelKind, {h, v});
        if (!bathtubPngError.empty()) fs::remove(bathtubPath, ec);
    }
    linksim::ReleasePlotResources();
    const double analysisSeconds = since(tAnalysis);

    // Reports.
    const double samples = static_cast<double>(bitsDone) * spb;
    const double ber = errs.compared ? static_cast<double>(errs.errors) / errs.compared : 0.0;
    // The one-sided 95 % upper bound of the BER (Clopper-Pearson; about 3/N
    // with no error in N bits).
    const double berUpper = errs.compared ? linksim::BerUpperBound95(errs.errors, errs.compared) : 0.0;
    Cost rxCost, probeCost;
    for (auto& r : rxs) {
        Cost& c = r.get() == primary ? rxCost : probeCost;
        c.wall += r->cost.wall;
        c.cpu += r->cost.cpu;
    }

    // With the receiver's own decisions and the equalised signal of a second
    // instance, how often the host's slicing agrees with the receiver's
    // slicer (decision instants matched within a quarter period).
    long long sliceCompared = 0, sliceAgreed = 0;
    if (primary->config == 0 && eyeRx && eyeRx != primary) {
        size_t b = 0;
        for (size_t a = firstDecision; a < primary->centres.size(); ++a) {
            const double c = primary->centres[a];
            while (b < eyeRx->centres.size() && eyeRx->centres[b] < c - 0.25 * spb) ++b;
            if (b == eyeRx->centres.size()) break;
            if (std::fabs(eyeRx->centres[b] - c) > 0.25 * spb) continue;
            ++sliceCompared;
            sliceAgreed += eyeRx->decisions[b] == primary->decisions[a] ? 1 : 0;
        }
    }

    // The transmitted bits of the first errors, for a look at where they fall.
    std::vector<long long> errorBits;
    if (decRx && align.found)
        for (size_t k = firstDecision; k < decRx->decisions.size() && errorBits.size() < 32; ++k) {
            const int e = linksim::ExpectedSign(txBits, slots.slot[k], align);
            if (e != 0 && e != decRx->decisions[k]) errorBits.push_back(static_cast<long long>(slots.slot[k] - align.lag));
        }
    nlohmann::json j;
    j["tool"] = "amisim";
    j["bits"] = bitsDone;
    j["samples"] = static_cast<long long>(samples);
    j["bit_rate"] = o.bitRate;
    j["samples_per_bit"] = spb;
    j["prbs"] = o.prbs;
    j["seed"] = o.seed;
    j["block_bits"] = o.blockBits;
    j["channel"] = {{"kind", !tsPath.empty() ? "touchstone" : csvPath.empty() ? "lossy-line" : "csv"},
                    {"description", channelKind},
                    {"taps", channelTaps.size()},
                    {"loss_db_at_nyquist", lossAtNyquist},
                    {"dc_gain", channelDc}};
    if (!tsPath.empty()) {
        for (auto it = sparam.info.begin(); it != sparam.info.end(); ++it)
            if (!j["channel"].contains(it.key())) j["channel"][it.key()] = it.value();
        j["channel"]["png"] = channelPngError.empty() ? channelPngPath : "";
        j["channel"]["png_error"] = channelPngError;
    }
    if (!o.impulseCsv.empty())
        j["channel"]["impulse_csv"] = impulseCsvError.empty() ? impulseCsvPath : "";
    auto kitJson = [](const std::shared_ptr<linksim::ModelKit>& k) -> nlohmann::json {
        if (!k) return nullptr;
        return {{"ibis_file", k->ibsPath}, {"model", k->model}, {"executable", k->executable},
                {"ami_file", k->amiFile}, {"checker_errors", k->checkerErrors},
                {"checker_warnings", k->checkerWarnings}};
    };
    j["tx"] = {{"library", txPath}, {"parameters", txString}, {"message", txMsg}, {"kit", kitJson(o.txKit)}};
    j["rx"] = {{"library", rxPath}, {"parameters", rxString(primary->config)}, {"message", rxMsg},
               {"kit", kitJson(o.rxKit)},
               {"eye_receiver", eyeRx && eyeRx != primary},
               {"host_slicing_compared", sliceCompared},
               {"host_slicing_agreed", sliceAgreed}};
    j["lock"] = {{"locked", lock.locked},
                 {"time_s", lock.locked ? lockTime : 0.0},
                 {"bit_index", lock.locked ? static_cast<long long>(lockTime / bitTime) : -1},
                 {"clock_edge", lock.locked ? static_cast<long long>(lock.edge) : -1},
                 {"window_periods", o.lockWindow},
                 {"tolerance_ui", o.lockToleranceUi}};
    j["clock"] = {{"edges", primary->edges.size()},
                  {"gaps", gaps},
                  {"clock_times_restored", primary->restored},
                  {"mean_period_s", jit.meanPeriod},
                  {"period_std_s", jit.periodStd},
                  {"period_min_s", jit.periodMin},
                  {"period_max_s", jit.periodMax},
                  {"tie_rms_s", jit.tieRms},
                  {"tie_pkpk_s", jit.tiePkPk},
                  {"frequency_offset_ppm", jit.frequencyOffsetPpm}};
    j["ber"] = {{"available", align.found},
                {"scope", berScope},
                {"bits_compared", errs.compared},
                {"errors", errs.errors},
                {"ber", ber},
                {"ber_upper_95", berUpper},
                {"latency_bits", align.lag},
                {"inverted", align.inverted},
                {"agreement", align.agreement},
                {"first_error_decision", errs.firstErrorDecision},
                {"error_bits", errorBits},
                {"from_bit", static_cast<long long>(measureFrom / spb)},
                {"decisions", decRx ? decRx->decisions.size() : 0}};
    j["ctle"] = {{"adaptation", o.rx.CTLEAdapt == 1},
                 {"setting", o.rx.CTLEAdapt == 1 ? adapt.finalSetting : o.rx.EQ_Level},
                 {"last_measured_setting", adapt.lastSetting},
                 {"log_consistent", adapt.consistent},
                 {"measurements", adapt.rows},
                 {"settled", adapt.optimumEnded},
                 {"settings_visited", adapt.settings},
                 {"last_heo", adapt.lastHeo},
                 {"last_veo", adapt.lastVeo},
                 {"last_range", adapt.lastRange}};
    j["eye"] = {{"valid", opening.valid},
                {"height_v", opening.height},
                {"width_ui", opening.widthUi},
                {"width_s", opening.widthUi * bitTime},
                {"centre_offset_ui", opening.centreOffsetUi},
                {"best_height_v", opening.bestHeight},
                {"best_height_offset_ui", opening.bestOffsetUi},
                {"traces", eyeTraces},
                {"png", eyeError.empty() ? eyePath : ""},
                {"error", eyeError}};
    j["clock_plot"] = {{"png", clockError.empty() ? clockPath : ""}, {"error", clockError}};
    auto finite = [](double v) -> nlohmann::json { return std::isfinite(v) ? nlohmann::json(v) : nlohmann::json(nullptr); };
    {
        nlohmann::json st = {{"available", statError.empty()},
                             {"error", statError},
                             {"ber", o.ber},
                             {"method",
                              "statistical eye from the link's pulse response (channel, then each model: its AMI_Init "
                              "impulse response if it returns one, else its linear response from AMI_GetWave on a "
                              "step); the densities of inter-symbol interference convolved over every cursor, with "
                              "Gaussian noise --stat-noise; the bathtub averaged over the injected jitter"},
                             {"tx_response", linkPulse.txSource},
                             {"rx_response", linkPulse.rxSource},
                             {"rx_parameters", rxStatParameters},
                             {"ctle_held_at", rxHeld ? nlohmann::json(ctleSetting) : nlohmann::json(nullptr)}};
        if (statError.empty()) {
            st["inverted"] = statEye.inverted;
            st["main_cursor_v"] = statEye.mainCursor * 0.5;
            st["eye_height_v"] = statEye.HeightAt(o.ber);
            st["eye_height_at_centre_v"] = statEye.HeightAt(o.ber, false);
            st["eye_width_ui"] = statEye.BathtubWidthAt(o.ber);  // with the injected jitter
            st["contour_width_ui"] = statEye.WidthAt(o.ber);      // without it
            st["ber_at_centre"] = statEye.bathtub[static_cast<size_t>(statEye.phases / 2)];
            nlohmann::json tub = nlohmann::json::array();
            for (int k = 0; k < statEye.phases; ++k)
                tub.push_back({{"offset_ui", static_cast<double>(k - statEye.phases / 2) / statEye.phases},
                               {"ber", statEye.bathtub[static_cast<size_t>(k)]}});
            st["bathtub"] = tub;
            nlohmann::json contours = nlohmann::json::object();
            for (size_t l = 0; l < statEye.contourBers.size(); ++l)
                contours[Num(statEye.contourBers[l], 3)] = {{"height_v", statEye.HeightAt(statEye.contourBers[l])},
                                                            {"width_ui", statEye.WidthAt(statEye.contourBers[l])},
                                                            {"upper_v", statEye.upper[l]},
                                                            {"lower_v", statEye.lower[l]}};
            st["contours"] = contours;
            st["png"] = statPngError.empty() ? statPath : "";
            st["png_error"] = statPngError;
        }
        j["statistical"] = st;
    }
    j["extrapolated"] = {
        {"method", "from the bit-by-bit run's last --eye-bits bits: Gaussian fits on the Q scale to the tails of the "
                   "data crossings against the recovered clock (horizontal) and of the equalised signal at the "
                   "decision instants, ones and zeros apart (vertical), extended to the BER"},
        {"ber", o.ber},
        {"timing_available", extrapolated.timingOk},
        {"amplitude_available", extrapolated.amplitudeOk},
        {"eye_width_ui", extrapolated.timingOk ? nlohmann::json(extrapolated.widthUi) : nlohmann::json(nullptr)},
        {"eye_height_v", extrapolated.amplitudeOk ? nlohmann::json(extrapolated.heightV) : nlohmann::json(nullptr)},
        {"ones", {{"mean_v", extrapolated.ones.mean}, {"sigma_v", extrapolated.ones.sigma}, {"samples", sampledOnes.size()}}},
        {"zeros", {{"mean_v", extrapolated.zeros.mean}, {"sigma_v", extrapolated.zeros.sigma}, {"samples", sampledZeros.size()}}},
        {"bathtub", {{"offset_ui", extrapolated.phaseUi}, {"ber", extrapolated.phaseBer}}},
        {"vertical_bathtub", {{"threshold_v", extrapolated.thresholdV}, {"ber", extrapolated.thresholdBer}}},
        {"png", bathtubPngError.empty() ? bathtubPath : ""},
        {"png_error", bathtubPngError}};
    j["jitter"] = {
        {"injected", {{"rj_ui", o.jitter.rjUi}, {"sj_ui", o.jitter.sjUi}, {"sj_hz", o.jitter.sjFrequency},
                      {"dcd_ui", o.jitter.dcdUi}, {"seed", o.jitter.seed}}},
        {"measured",
         {{"available", dataJitter.ok},
          {"why", dataJitter.why},
          {"method", "zero crossings of the equalised signal between decision instants, as offsets from their "
                     "midpoint in UI of the recovered clock; dual-Dirac model from Q-scale fits of both tails: "
                     "RJ the mean rms of the tails, DJ the distance of their means, TJ = DJ + 2 Q^-1(BER) RJ; PJ "
                     "the largest line of the offsets' spectrum; DCD the mean offset of rising less falling edges"},
          {"crossings", dataJitter.crossings},
          {"transition_density", dataJitter.transitionDensity},
          {"ber", o.ber},
          {"tj_ui", dataJitter.tjUi},
          {"rj_ui", dataJitter.rjUi},
          {"dj_ui", dataJitter.djUi},
          {"pj_ui", dataJitter.pjUi},
          {"pj_hz", dataJitter.pjFrequency},
          {"dcd_ui", dataJitter.dcdUi},
          {"mean_ui", dataJitter.meanUi},
          {"rms_ui", dataJitter.rmsUi}}}};
    (void)finite;
    j["throughput"] = {{"loop_s", loopSeconds},
                       {"loop_cpu_s", loopCpu},
                       {"samples_per_second", loopSeconds > 0 ? samples / loopSeconds : 0.0},
                       {"samples_per_cpu_second", loopCpu > 0 ? samples / loopCpu : 0.0},
                       {"tx_s", tTx.wall},
                       {"tx_cpu_s", tTx.cpu},
                       {"channel_s", tChannel.wall},
                       {"channel_cpu_s", tChannel.cpu},
                       {"rx_s", rxCost.wall},
                       {"rx_cpu_s", rxCost.cpu},
                       {"rx_eye_s", probeCost.wall},
                       {"rx_eye_cpu_s", probeCost.cpu},
                       {"analysis_s", analysisSeconds},
                       {"total_s", since(tStart)}};
    j["close_ok"] = closeOk;
    {
        std::ofstream jf(jsonPath);
        jf << j.dump(2) << "\n";
        if (!jf) std::fprintf(stderr, "amisim: cannot write %s\n", jsonPath.c_str());
    }

    if (!o.quiet) {
        std::printf("amisim: %lld bits of PRBS%d at %s Gb/s, %d samples per bit\n", bitsDone, o.prbs,
                    Num(o.bitRate / 1e9, 6).c_str(), spb);
        std::printf("  channel      %s (%zu taps, %.2f dB at Nyquist)\n", channelKind.c_str(), channelTaps.size(),
                    lossAtNyquist);
        for (const auto& note : sparam.notes) std::printf("               %s\n", note.c_str());
        if (o.txKit) std::printf("  tx kit       %s [Model] %s, %s\n", o.txKit->ibsPath.c_str(), o.txKit->model.c_str(), o.txKit->executable.c_str());
        if (o.rxKit) std::printf("  rx kit       %s [Model] %s, %s\n", o.rxKit->ibsPath.c_str(), o.rxKit->model.c_str(), o.rxKit->executable.c_str());
        std::printf("  tx           %s\n", txString.c_str());
        std::printf("  rx           %s%s\n", rxString(primary->config).c_str(),
                    eyeRx && eyeRx != primary ? "  (+ a second instance with RX_Config 2 for the eye)" : "");
        if (!txMsg.empty()) std::printf("  tx message   %s\n", txMsg.c_str());
        if (!rxMsg.empty()) std::printf("  rx message   %s\n", rxMsg.c_str());
        if (lock.locked)
            std::printf("  clock lock   at %.2f ns, bit %lld (clock edge %zu)\n", lockTime * 1e9,
                        static_cast<long long>(lockTime / bitTime), lock.edge);
        else
            std::printf("  clock lock   not locked (%zu clock edges)\n", primary->edges.size());
        std::printf("  jitter       TIE %.3f ps rms, %.3f ps pk-pk; period %.3f ps mean, %.3f ps std, "
                    "%.0f ppm\n",
                    jit.tieRms * 1e12, jit.tiePkPk * 1e12, jit.meanPeriod * 1e12, jit.periodStd * 1e12,
                    jit.frequencyOffsetPpm);
        if (align.found)
            std::printf("  BER          %llu errors in %llu bits %s: %s%s (latency %lld bits%s)\n",
                        static_cast<unsigned long long>(errs.errors), static_cast<unsigned long long>(errs.compared),
                        berScope.c_str(), errs.errors ? Num(ber, 4).c_str() : "0",
                        errs.errors ? "" : (" (< " + Num(berUpper, 3) + " at 95%)").c_str(),
                        static_cast<long long>(align.lag), align.inverted ? ", inverted" : "");
        else if (!decRx || decRx->decisions.empty())
            std::printf("  BER          n/a: no decisions (%s)\n",
                        primary->edges.empty() ? "the receiver returned no clock times"
                                               : "RX_Config 1 gives no data and the eye receiver is off");
        else
            std::printf("  BER          n/a: decisions could not be aligned to the transmitted bits "
                        "(best agreement %.3f)\n",
                        align.agreement);
        if (o.rx.CTLEAdapt == 1)
            std::printf("  CTLE         setting %d after %d eye measurements of the receiver (%s%s)\n",
                        adapt.finalSetting, adapt.rows,
                        adapt.optimumEnded ? "adaptation settled" : "adaptation still running",
                        adapt.consistent ? "" : "; Adapt.txt does not follow the stepping rule");
        else
            std::printf("  CTLE         setting %d (fixed, EQ_Level)\n", o.rx.EQ_Level);
        if (opening.valid)
            std::printf("  eye          height %.1f mV at the decision instant (best %.1f mV at %+.3f UI), "
                        "width %.3f UI (%.2f ps), %llu unit intervals\n",
                        opening.height * 1e3, opening.bestHeight * 1e3, opening.bestOffsetUi, opening.widthUi,
                        opening.widthUi * bitTime * 1e12, static_cast<unsigned long long>(eyeTraces));
        else
            std::printf("  eye          n/a%s%s\n", eyeError.empty() ? "" : ": ", eyeError.c_str());
        if (statError.empty())
            std::printf("  stat eye     height %.1f mV, width %.3f UI at BER %s; BER %s at the centre (statistical: "
                        "the link's pulse response, tx %s, rx %s%s)\n",
                        statEye.HeightAt(o.ber) * 1e3, statEye.BathtubWidthAt(o.ber), Num(o.ber, 3).c_str(),
                        Num(statEye.bathtub[static_cast<size_t>(statEye.phases / 2)], 3).c_str(),
                        linkPulse.txSource.c_str(), linkPulse.rxSource.c_str(),
                        rxHeld ? (" with the CTLE held at setting " + std::to_string(ctleSetting)).c_str() : "");
        else
            std::printf("  stat eye     n/a: %s\n", statError.c_str());
        if (extrapolated.timingOk || extrapolated.amplitudeOk)
            std::printf("  extrapolated height %s, width %s at BER %s (bit-by-bit run: Q-scale fits of the "
                        "measured tails, %zu crossings, %zu decisions)\n",
                        extrapolated.amplitudeOk ? (Num(extrapolated.heightV * 1e3, 4) + " mV").c_str()
                                                 : "n/a (too few decisions)",
                        extrapolated.timingOk ? (Num(extrapolated.widthUi, 3) + " UI").c_str() : "n/a (too few crossings)",
                        Num(o.ber, 3).c_str(), dataJitter.crossings, sampledOnes.size() + sampledZeros.size());
        else
            std::printf("  extrapolated n/a: too few decisions and crossings after lock\n");
        if (dataJitter.ok)
            std::printf("  data jitter  TJ %.4f UI at BER %s = DJ %.4f + %.2f x RJ %.4f UI rms (dual-Dirac, crossings "
                        "against the recovered clock); PJ %.4f UI at %s MHz; DCD %.4f UI\n",
                        dataJitter.tjUi, Num(o.ber, 3).c_str(), dataJitter.djUi, 2 * linksim::InverseNormalTail(o.ber),
                        dataJitter.rjUi, dataJitter.pjUi, Num(dataJitter.pjFrequency / 1e6, 4).c_str(), dataJitter.dcdUi);
        else
            std::printf("  data jitter  n/a: %s\n", dataJitter.why.c_str());
        if (o.jitter.Any())
            std::printf("  tx jitter    injected RJ %.4f UI rms, SJ %.4f UI at %s MHz, DCD %.4f UI\n", o.jitter.rjUi,
                        o.jitter.sjUi, Num(o.jitter.sjFrequency / 1e6, 4).c_str(), o.jitter.dcdUi);
        std::printf("  throughput   %.3g samples/s, %.3g per processor second (processor time %.2f s: tx %.2f, "
                    "channel %.2f, rx %.2f%s; wall %.2f s)\n",
                    loopSeconds > 0 ? samples / loopSeconds : 0.0, loopCpu > 0 ? samples / loopCpu : 0.0, loopCpu,
                    tTx.cpu, tChannel.cpu, rxCost.cpu,
                    rxs.size() > 1 ? (", eye rx " + Num(probeCost.cpu, 3)).c_str() : "", loopSeconds);
        std::printf("  outputs      %s", jsonPath.c_str());
        if (eyeError.empty()) std::printf(", %s", eyePath.c_str());
        if (clockError.empty()) std::printf(", %s", clockPath.c_str());
        if (statError.empty() && statPngError.empty()) std::printf(", %s", statPath.c_str());
        if (bathtubPngError.empty()) std::printf(", %s", bathtubPath.c_str());
        if (!channelPngPath.empty() && channelPngError.empty()) std::printf(", %s", channelPngPath.c_str());
        if (!o.impulseCsv.empty() && impulseCsvError.empty()) std::printf(", %s", impulseCsvPath.c_str());
        std::printf("\n");
        if (!clockError.empty()) std::printf("  clock plot   %s\n", clockError.c_str());
        if (!channelPngError.empty()) std::printf("  channel plot %s\n", channelPngError.c_str());
        if (!impulseCsvError.empty()) std::printf("  impulse csv  %s\n", impulseCsvError.c_str());
    }
    if (!closeOk) {
        std::fprintf(stderr, "amisim: AMI_Close of a model failed\n");
        return 2;
    }
    return 0;
}

// Bad usage: the reason and where to find help; exit status 2.
int Usage(const std::string& why)
{
    std::fprintf(stderr, "amisim: %s\nRun with --help for more information.\n", why.c_str());
    return 2;
}

// One model's parameters as --set and the model options name them: a kit's
// parameter (checked against its format) or a built-in option.
struct ModelSide {
    const char* label;                       // "tx" or "rx"
    std::shared_ptr<linksim::ModelKit> kit;  // null: the built-in model
    CLI::App* group = nullptr;               // the built-in model's options
    std::map<std::string, std::string>* values = nullptr;

    bool Has(const std::string& name) const
    {
        if (kit) return kit->Find(name) != nullptr;
        return group && group->get_option_no_throw("--" + name) != nullptr;
    }
    std::string Names() const
    {
        std::string s;
        if (kit) {
            for (const auto& p : kit->params)
                if (p.Sent()) s += (s.empty() ? "" : " ") + p.name;
        } else if (group) {
            for (const CLI::Option* opt : group->get_options())
                if (!opt->get_lnames().empty() && std::isupper(static_cast<unsigned char>(opt->get_lnames()[0][0])))
                    s += (s.empty() ? "" : " ") + opt->get_lnames()[0];
        }
        return s;
    }
    // Empty on success, else the reason.
    std::string Set(const std::string& name, const std::string& value) const
    {
        if (kit) {
            const linksim::AmiParameter* p = kit->Find(name);
            if (!p->Sent())
                return name + " is not an input of " + kit->model + " (Usage " + p->usage +
                       (p->reserved ? ", a reserved parameter" : "") + ")";
            const std::string why = linksim::CheckParameterValue(*p, value);
            if (!why.empty()) return kit->model + ": " + why;
            (*values)[name] = value;
            return {};
        }
        CLI::Option* opt = group->get_option_no_throw("--" + name);
        try {
            opt->clear();
            opt->add_result(value);
            opt->run_callback();
        } catch (const CLI::Error& e) {
            return name + "=" + value + ": " + e.what();
        }
        return {};
    }
};

// Applies the --set values, then the built-in model options given
// explicitly to a model chosen from its kit. Empty on success.
std::string ApplySettings(const std::vector<std::string>& sets, ModelSide& tx, ModelSide& rx)
{
    for (const std::string& s : sets) {
        const size_t eq = s.find('=');
        if (eq == std::string::npos || eq == 0) return "--set " + s + ": expected NAME=VALUE";
        std::string name = s.substr(0, eq);
        const std::string value = s.substr(eq + 1);
        ModelSide* side = nullptr;
        for (ModelSide* m : {&tx, &rx})
            if (name.rfind(std::string(m->label) + ".", 0) == 0) {
                side = m;
                name = name.substr(3);
            }
        if (!side) {
            const bool inTx = tx.Has(name), inRx = rx.Has(name);
            if (inTx && inRx) return "--set " + s + ": both models have " + name + "; write tx." + name + " or rx." + name;
            side = inTx ? &tx : inRx ? &rx : nullptr;
        }
        if (!side || !side->Has(name))
            return "--set " + s + ": no model parameter " + name + " (tx: " + tx.Names() + "; rx: " + rx.Names() + ")";
        const std::string why = side->Set(name, value);
        if (!why.empty()) return "--set " + s + ": " + why;
    }
    return {};
}

// The run's own arguments for the points of a sweep: the sweep options,
// the outputs (each point has its folder) and the options a sweep axis sets
// are left out.
std::vector<std::string> PointBaseArguments(int argc, char** argv, const std::vector<linksim::SweepAxis>& axes)
{
    std::set<std::string> withValue = {"--sweep", "--jobs", "--shard", "-o", "--out", "--json", "--eye-png",
                                       "--clock-png", "--stat-png", "--bathtub-png", "--channel-png", "--impulse-csv"};
    const std::set<std::string> flags = {"-q", "--quiet", "--no-progress"};
    for (const auto& a : axes)
        if (linksim::IsHostQuantity(a.name)) withValue.insert(linksim::AxisArguments(a.name, "").front());
    std::vector<std::string> out;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const std::string key = a.substr(0, a.find('='));
        if (flags.count(a)) continue;
        if (withValue.count(key)) {
            // "--opt value" (or "--opt=value"); --sweep may take several.
            if (key == a)
                while (i + 1 < argc && argv[i + 1][0] != '-') {
                    ++i;
                    if (key != "--sweep") break;
                }
            continue;
        }
        if (a.size() > 2 && a[0] == '-' && a[1] == 'o' && a[2] != '-') continue;  // -oDIR
        out.push_back(a);
    }
    return out;
}

// "amisim merge -o DIR SHARD.json...": the shards' tables joined.
int Merge(int argc, char** argv)
{
    CLI::App app{"amisim merge: joins the sweep tables (sweep.json) of the shards of one sweep"};
    std::string out = "out";
    std::vector<std::string> files;
    app.add_option("-o,--out", out, "folder of the merged sweep.csv, sweep.json and sweep.png");
    app.add_option("tables", files, "the shards' sweep.json files (or their folders)")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        return Usage(e.what());
    }
    for (auto& f : files)
        if (fs::is_directory(f)) f = (fs::path(f) / "sweep.json").string();
    try {
        const nlohmann::json merged = linksim::MergeSweepTables(files);
        std::error_code ec;
        fs::create_directories(out, ec);
        const std::string why = linksim::WriteSweepTable(Absolute(out), merged);
        if (!why.empty()) {
            std::fprintf(stderr, "amisim merge: %s\n", why.c_str());
            return 2;
        }
        std::printf("amisim merge: %zu points of %zu from %zu tables (%zu failed, %zu missing) in %s/sweep.csv, "
                    "sweep.json, sweep.png\n",
                    merged["points"].size(), merged.value("total_points", size_t{0}), files.size(),
                    merged.value("failed", size_t{0}), merged.value("missing_points", size_t{0}), Absolute(out).c_str());
        const std::string shortfall = linksim::MergeShortfall(merged);
        if (shortfall.empty()) return 0;
        std::fprintf(stderr, "amisim merge: %s\n", shortfall.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim merge: %s\n", e.what());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "merge") return Merge(argc - 1, argv + 1);
    Options o;
    CLI::App app{"amisim: simulates a serial link through the IBIS-AMI libraries tx_ami.so and rx_ami.so"};
    app.option_defaults()->always_capture_default();
    // About 20 bytes per bit are kept for the analysis (bits, decisions,
    // decision instants, clock times of each receiver instance).
    app.add_option("-n,--bits", o.bits, "bits to simulate")->check(CLI::Range(1LL, 50000000LL));
    app.add_option("--prbs", o.prbs, "PRBS order: 7, 15, 23 or 31")->check(CLI::IsMember({7, 15, 23, 31}));
    app.add_option("--seed", o.seed, "PRBS start state (0: all ones)");
    app.add_option("--bit-rate", o.bitRate, "bit rate in bit/s")->check(CLI::Range(1e6, 1e12));
    app.add_option("--samples-per-bit", o.samplesPerBit, "samples per bit")->check(CLI::Range(4, 1024));
    app.add_option("--block-bits", o.blockBits, "bits per AMI_GetWave call")->check(CLI::Range(1, 1 << 20));
    auto* loss = app.add_option("--loss", o.lossDb, "built-in lossy line: loss at Nyquist in dB")
                     ->check(CLI::Range(0.0, 200.0));
    app.add_option("--channel-csv", o.channelCsv,
                   "impulse response instead of the built-in line: CSV rows of time (s), value (1/s)")
        ->check(CLI::ExistingFile)
        ->excludes(loss);
    auto* touchstone =
        app.add_option("--channel", o.channelTs,
                       "S-parameter channel, Touchstone 1.x (.s2p, .s4p) or 2.0: S21 of a 2-port, SDD21 of a 4-port")
            ->check(CLI::ExistingFile)
            ->excludes(loss);
    app.get_option("--channel-csv")->excludes(touchstone);
    app.add_option("--ports", o.ports,
                   "wiring of the Touchstone file, in-out of the positive line then of the negative line, e.g. "
                   "1-2,3-4 (default: found from the data)")
        ->needs(touchstone);
    app.add_option("--impulse-csv", o.impulseCsv, "write the channel's impulse response (time s, value 1/s) as CSV");
    app.add_option("--channel-png", o.channelPng,
                   "picture of the channel's frequency response beside the data, and its pulse response (default "
                   "<out>/channel.png with --channel)");
    auto* txLib = app.add_option("--tx-lib", o.txLib, "transmitter library (default: tx_ami.so beside amisim)");
    auto* rxLib = app.add_option("--rx-lib", o.rxLib, "receiver library (default: rx_ami.so beside amisim)");
    auto* txIbs = app.add_option("--tx-ibs", o.txIbs, "transmitter from its IBIS-AMI kit: the .ibs file")
                      ->check(CLI::ExistingFile)
                      ->excludes(txLib);
    auto* txModel = app.add_option("--tx-model", o.txModel, "the [Model] of --tx-ibs");
    txIbs->needs(txModel);
    txModel->needs(txIbs);
    auto* rxIbs = app.add_option("--rx-ibs", o.rxIbs, "receiver from its IBIS-AMI kit: the .ibs file")
                      ->check(CLI::ExistingFile)
                      ->excludes(rxLib);
    auto* rxModel = app.add_option("--rx-model", o.rxModel, "the [Model] of --rx-ibs");
    rxIbs->needs(rxModel);
    rxModel->needs(rxIbs);
    app.add_option("--set", o.sets,
                   "NAME=VALUE: a model parameter (tx.NAME or rx.NAME when both models have it); with a kit, "
                   "checked against its .ami Range or List")
        ->take_all();
    app.add_flag("--list-params", o.listParams, "print the parameters of the kit models and stop");
    auto* jg = app.add_option_group("Transmitter jitter, on the stimulus edges");
    jg->add_option("--rj", o.jitter.rjUi, "random jitter, UI rms")->check(CLI::Range(0.0, 0.15));
    jg->add_option("--sj", o.jitter.sjUi, "sinusoidal jitter amplitude, UI (peak)")->check(CLI::Range(0.0, 0.45));
    jg->add_option("--sj-freq", o.jitter.sjFrequency, "sinusoidal jitter frequency, Hz")->check(CLI::Range(0.0, 1e12));
    jg->add_option("--dcd", o.jitter.dcdUi, "duty-cycle distortion: rising less falling edge delay, UI")
        ->check(CLI::Range(-0.45, 0.45));
    jg->add_option("--jitter-seed", o.jitter.seed, "seed of the random jitter");
    auto* sg = app.add_option_group("Statistical analysis");
    sg->add_flag("!--no-stat", o.stat, "no statistical eye (it runs each model once more on a step)");
    sg->add_option("--stat-noise", o.statNoise, "Gaussian noise at the decision point, V rms")->check(CLI::Range(0.0, 10.0));
    sg->add_option("--ber", o.ber, "BER at which eye heights, widths and total jitter are given")
        ->check(CLI::Range(1e-30, 0.1));
    sg->add_option("--stat-png", o.statPng, "statistical eye picture (default <out>/stat_eye.png)");
    sg->add_option("--bathtub-png", o.bathtubPng, "bathtub picture (default <out>/bathtub.png)");
    auto* wg = app.add_option_group("Sweeps (each point a separate amisim process; see also: amisim merge --help)");
    wg->add_option("--sweep", o.sweeps,
                   "NAME=A:B[:STEP]: a model parameter, or loss, rj, sj, sj-freq, dcd, stat-noise, bit-rate, bits; "
                   "several make a grid")
        ->take_all();
    wg->add_option("--jobs", o.jobs, "points run at once (default: the CPUs this process may use)")->check(CLI::Range(1, 1024));
    wg->add_option("--shard", o.shard, "I/N: run only the points I, I+N, I+2N, ... (for a job array)");
    app.add_option("-o,--out", o.outDir, "output folder (also where the receiver writes Adapt.txt, EOM.txt)");
    app.add_option("--json", o.json, "JSON summary (default <out>/amisim.json)");
    app.add_option("--eye-png", o.eyePng, "eye picture (default <out>/eye.png)");
    app.add_option("--clock-png", o.clockPng, "clock period picture (default <out>/clock_period.png)");
    app.add_option("--eye-bits", o.eyeBits, "last bits folded into the eye")->check(CLI::Range(4LL, 10000000LL));
    app.add_flag("!--no-eye-rx", o.eyeProbe,
                 "do not run the second receiver (RX_Config 2) that gives the eye when RX_Config is 0 or 1");
    app.add_option("--lock-window", o.lockWindow,
                   "lock: the phase stays within the tolerance of its mean over the next 4 x this many periods, "
                   "for at least this many periods")
        ->check(CLI::Range(8, 1 << 20));
    app.add_option("--lock-tolerance", o.lockToleranceUi, "lock: phase tolerance, UI")
        ->check(CLI::Range(0.001, 10.0));
    app.add_option("--ignore-bits", o.ignoreBits,
                   "bits left out of the BER and the eye at the start, besides those before lock")
        ->check(CLI::Range(0LL, 50000000LL));
    app.add_option("--max-latency", o.maxLag, "longest link latency searched when aligning, bits")
        ->check(CLI::Range(0, 1 << 20));
    app.add_flag("-q,--quiet", o.quiet, "no summary on standard output");
    app.add_flag("--no-progress", o.noProgress, "no progress bar");
    app.add_option("--threads", o.threads,
                   "1: every stage on one thread; 2: the transmitter and the channel make the next block on a "
                   "second thread while the receivers take the current one (blocks of 16384 samples and more)")
        ->check(CLI::Range(1, 2));

    auto* txg = app.add_option_group("Transmitter TX_model2");
    txg->add_option("--DE_Level,--de-level", o.tx.DE_Level, "de-emphasis filter, 0..3");
    txg->add_option("--VOD_Level,--vod-level", o.tx.VOD_Level, "output swing, 0..3");
    txg->add_option("--TX_bypass,--tx-bypass", o.tx.TX_bypass, "1 passes the stimulus through");
    auto* rxg = app.add_option_group("Receiver Vuraved_UV_IV");
    rxg->add_option("--RX_Config,--rx-config", o.rx.RX_Config,
                    "output: 0 decisions, 1 recovered clock, 2 equalised signal (default here: 2, the host "
                    "slices it at the recovered clock; the model's own default is 0)");
    rxg->add_option("--Factor,--factor", o.rx.Factor, "VCO free-running frequency in bit rates");
    rxg->add_option("--VCO_Sensitivity,--vco-sensitivity", o.rx.VCO_Sensitivity, "VCO gain, Hz per unit");
    rxg->add_option("--EQ_Level,--eq-level", o.rx.EQ_Level, "fixed CTLE setting 0..31 (CTLEAdapt 0)");
    rxg->add_option("--CTLEAdapt,--ctle-adapt", o.rx.CTLEAdapt, "1 adapts the CTLE setting, 0 uses EQ_Level");
    rxg->add_option("--EOMNbits,--eom-nbits", o.rx.EOMNbits, "clock periods per eye measurement");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help
        return Usage(e.what());
    }
    // Models from their kits, and the --set values.
    try {
        if (!o.txIbs.empty()) o.txKit = std::make_shared<linksim::ModelKit>(linksim::LoadModelKit(o.txIbs, o.txModel));
        if (!o.rxIbs.empty()) o.rxKit = std::make_shared<linksim::ModelKit>(linksim::LoadModelKit(o.rxIbs, o.rxModel));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: %s\n", e.what());
        return 2;
    }
    if (o.listParams) {
        if (!o.txKit && !o.rxKit) return Usage("--list-params needs --tx-ibs/--tx-model or --rx-ibs/--rx-model");
        for (const auto& k : {o.txKit, o.rxKit})
            if (k) std::printf("%s", linksim::DescribeParameters(*k).c_str());
        return 0;
    }
    for (const auto& k : {o.txKit, o.rxKit})
        if (k && k->checkerErrors > 0)
            std::fprintf(stderr, "amisim: warning: the IBIS checker finds %lu error(s) in %s (ibis_checker tells which)\n",
                         k->checkerErrors, k->ibsPath.c_str());
    ModelSide tx{"tx", o.txKit, txg, &o.txValues}, rx{"rx", o.rxKit, rxg, &o.rxValues};
    {
        std::vector<std::string> sets;
        // Model options given by name apply to a kit model as --set does.
        for (ModelSide* m : {&tx, &rx})
            if (m->kit)
                for (const CLI::Option* opt : m->group->get_options())
                    if (opt->count() > 0 && !opt->get_lnames().empty())
                        sets.push_back(std::string(m->label) + "." + opt->get_lnames()[0] + "=" + opt->results().back());
        sets.insert(sets.end(), o.sets.begin(), o.sets.end());
        const std::string why = ApplySettings(sets, tx, rx);
        if (!why.empty()) return Usage(why);
    }
    if (!o.sweeps.empty()) {
        std::vector<linksim::SweepAxis> axes;
        linksim::SweepRequest req;
        try {
            for (const auto& sweepText : o.sweeps) axes.push_back(linksim::ParseSweep(sweepText));
            if (!o.shard.empty()) linksim::ParseShard(o.shard, req.shardIndex, req.shardCount);
        } catch (const std::exception& e) {
            return Usage(e.what());
        }
        size_t total = 1, mine = 0;
        for (const auto& a : axes) {
            total *= a.values.size();
            if (a.name == "loss" && (!o.channelTs.empty() || !o.channelCsv.empty()))
                return Usage("--sweep loss: the loss belongs to the built-in line, not to --channel or --channel-csv");
            if (linksim::IsHostQuantity(a.name)) continue;
            // Each value of a model parameter is checked now, not in the points.
            for (const auto& v : a.values) {
                const std::string why = ApplySettings({a.name + "=" + v}, tx, rx);
                if (!why.empty()) return Usage("--sweep " + a.name + ": " + why);
            }
        }
        for (size_t p = req.shardIndex; p < total; p += req.shardCount) ++mine;
        req.axes = axes;
        req.baseArgs = PointBaseArguments(argc, argv, axes);
        std::error_code ec;
        req.program = fs::read_symlink("/proc/self/exe", ec).string();
        if (ec) req.program = argv[0];
        req.outDir = Absolute(o.outDir);
        req.jobs = o.jobs ? o.jobs : linksim::DefaultJobs();
        // Points side by side: one thread each, unless told otherwise.
        if (req.jobs > 1 && app.count("--threads") == 0) req.pointArgs = {"--threads", "1"};
        req.progress = !o.noProgress;
        try {
            const auto t0 = Clock::now();
            const size_t failed = linksim::RunSweep(req);
            if (!o.quiet)
                std::printf("amisim: sweep of %zu points (shard %zu/%zu of %zu) in %.1f s, %zu at once: "
                            "%s/sweep.csv, sweep.json, sweep.png\n",
                            mine, req.shardIndex, req.shardCount, total,
                            std::chrono::duration<double>(Clock::now() - t0).count(), req.jobs, req.outDir.c_str());
            if (failed) {
                std::fprintf(stderr, "amisim: %zu sweep points failed; their logs are in %s/points/\n", failed,
                             req.outDir.c_str());
                return 2;
            }
            return 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "amisim: %s\n", e.what());
            return 2;
        }
    }
    if (o.rxKit) {
        // The figures the host reads from the receiver's settings.
        auto value = [&](const char* name, int fallback) {
            const auto it = o.rxValues.find(name);
            const linksim::AmiParameter* p = o.rxKit->Find(name);
            const std::string v = it != o.rxValues.end() ? it->second : p ? p->Initial() : "";
            return v.empty() ? fallback : std::atoi(v.c_str());
        };
        // As with the built-in receiver, the host asks for the equalised
        // signal unless told otherwise (when the model offers it); a model
        // without RX_Config is taken to return its equalised signal.
        const linksim::AmiParameter* config = o.rxKit->Find("RX_Config");
        if (config && !o.rxValues.count("RX_Config") && linksim::CheckParameterValue(*config, "2").empty())
            o.rxValues["RX_Config"] = "2";
        o.rx.RX_Config = value("RX_Config", 2);
        o.rx.Factor = value("Factor", 1);
        o.rx.EQ_Level = value("EQ_Level", 0);
        o.rx.CTLEAdapt = value("CTLEAdapt", 0);
    }
    // Out-of-range model parameters are passed on as given: the models
    // report them. Only what would stop the host itself is refused here.
    if (static_cast<long long>(o.blockBits) * o.samplesPerBit > (1LL << 24)) {
        return Usage("--block-bits times --samples-per-bit must not exceed " + std::to_string(1LL << 24) + " samples");
    }
    if (o.rx.Factor < 1) {
        return Usage("--Factor must be at least 1 for the clock analysis");
    }
    try {
        return Run(o);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "amisim: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: %s\n", e.what());
    }
    return 2;
}

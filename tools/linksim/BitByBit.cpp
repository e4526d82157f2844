#include "linksim/BitByBit.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "linksim/Channel.h"
#include "linksim/Link.h"
#include "linksim/LinkModels.h"
#include "linksim/Sweep.h"
#include "linksim/Worker.h"

namespace linksim {

namespace {

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

}  // namespace

BitByBitResult RunBitByBit(const LinkConfig& o, LinkModels& m, const std::vector<double>& channelTaps,
                           const std::vector<uint8_t>& txBits)
{
    BitByBitResult res;
    const double bitTime = 1.0 / o.bitRate;
    const int spb = o.samplesPerBit;
    const double dt = bitTime / spb;
    const size_t blockSamples = static_cast<size_t>(o.blockBits) * spb;
    std::vector<double> wave(blockSamples), ahead(blockSamples), copy(blockSamples), txClock;
    Convolver channel(channelTaps);
    Progress progress(!o.noProgress, o.bits);
    const auto tLoop = Clock::now();
    const double cpuLoop0 = CpuSeconds();
    // With several levels txBits holds the symbols, sent at their levels.
    const bool pam = o.modulation.Multilevel();
    std::vector<double> levels(static_cast<size_t>(o.modulation.levels));
    for (size_t s = 0; s < levels.size(); ++s) levels[s] = o.modulation.Level(static_cast<int>(s));
    auto bitsIn = [&](long long first) { return static_cast<size_t>(std::min<long long>(o.blockBits, o.bits - first)); };
    // Stimulus, transmitter and channel for the block from bit `first`.
    auto makeBlock = [&](long long first, std::vector<double>& w) {
        const size_t nb = bitsIn(first);
        const size_t n = nb * spb;
        if (pam && o.jitter.Any())
            FillJitteredSymbols(o.jitter, txBits, levels.data(), first, nb, spb, bitTime, w.data());
        else if (pam)
            for (size_t b = 0; b < nb; ++b)
                std::fill_n(&w[b * spb], spb, levels[txBits[static_cast<size_t>(first) + b]]);
        else if (o.jitter.Any())
            FillJitteredNrz(o.jitter, txBits, first, nb, spb, bitTime, w.data());
        else
            for (size_t b = 0; b < nb; ++b)
                std::fill_n(&w[b * spb], spb, txBits[static_cast<size_t>(first) + b] ? 0.5 : -0.5);
        // An Init-only transmitter is in the path's taps.
        if (!m.txInitOnly && !Timed(res.tx, [&] { return m.tx->GetWave(w.data(), static_cast<long>(n), txClock); }))
            return false;
        txClock.clear();  // the transmitter has no clock
        Timed(res.channel, [&] {
            channel.Process(w.data(), w.data(), n);
            return true;
        });
        return true;
    };
    bool aheadOk = true;
    Worker worker(o.threads > 1 && blockSamples >= 16384 && DefaultJobs() > 1);
    worker.Start([&] { aheadOk = makeBlock(0, ahead); });
    long long& bitsDone = res.bitsDone;
    while (bitsDone < o.bits && res.ok) {
        const size_t nb = bitsIn(bitsDone);
        const size_t n = nb * spb;
        worker.Wait();
        if (!aheadOk) {
            res.error = "AMI_GetWave of " + m.txPath + " failed at bit " + std::to_string(bitsDone);
            res.ok = false;
            break;
        }
        wave.swap(ahead);
        const long long next = bitsDone + static_cast<long long>(nb);
        if (next < o.bits) worker.Start([&, next] { aheadOk = makeBlock(next, ahead); });

        // The probe first (it takes a copy of the receiver's input), then
        // the primary in place.
        for (auto it = m.rxs.rbegin(); it != m.rxs.rend(); ++it) {
            Receiver& r = **it;
            const bool isPrimary = &r == m.primary;
            double* w = isPrimary ? wave.data() : copy.data();
            if (!isPrimary) std::copy_n(wave.data(), n, copy.data());
            if (m.rxs.size() > 1 && !ChangeDir(r.workDir)) {
                res.ok = false;
                res.changeDirFailed = true;
                break;
            }
            if (m.rxInitOnly) {  // the path's signal, sampled by the ideal clock
                IdealClockEdges(m, bitsDone * spb, static_cast<long long>(n), dt, spb, r.edges);
            } else if (!Timed(r.cost, [&] { return r.model->GetWave(w, static_cast<long>(n), r.edges); })) {
                res.error = "AMI_GetWave of " + m.rxPath + " failed at bit " + std::to_string(bitsDone);
                res.ok = false;
                break;
            }
            r.tail->Push(w, n);
            if (r.config == 0 || r.config == 2) CollectDecisions(r, dt, spb / static_cast<double>(o.rx.Factor));
        }
        if (!res.ok) break;
        bitsDone += static_cast<long long>(nb);
        const double el = SecondsSince(tLoop);
        progress.Update(bitsDone, el > 0 ? bitsDone * spb / el : 0.0);
    }
    worker.Wait();  // a block made ahead of a failure is dropped
    progress.Done();
    res.loopSeconds = SecondsSince(tLoop);
    res.loopCpu = CpuSeconds() - cpuLoop0;
    return res;
}

}  // namespace linksim

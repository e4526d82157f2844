#include "linksim/LinkModels.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "linksim/Kit.h"
#include "linksim/Link.h"
#include "linksim/Measure.h"

namespace fs = std::filesystem;

namespace linksim {

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
            if (r.keepSamples) r.samples.push_back(r.tail->At(at));
            r.centres.push_back(centre);
            r.periods.push_back(p);
        }
    }
    r.edgesSeen = std::max<size_t>(r.edgesSeen, r.edges.size());
}

bool NoGetWave(const ModelKit* kit)
{
    const AmiParameter* p = kit ? kit->Find("GetWave_Exists") : nullptr;
    return p && p->Initial() == "False";
}

bool ChangeDir(const std::string& dir)
{
    if (chdir(dir.c_str()) == 0) return true;
    std::fprintf(stderr, "amisim: cannot enter %s: %s\n", dir.c_str(), std::strerror(errno));
    return false;
}

std::string LinkModels::RxString(int rxConfig) const
{
    const LinkConfig& o = *config;
    if (o.rxKit) {
        auto values = o.rxValues;
        if (o.rxKit->Find("RX_Config")) values["RX_Config"] = std::to_string(rxConfig);
        return KitParameterString(*o.rxKit, values);
    }
    return AmiParameterString("Vuraved_UV_IV", {{"RX_Config", std::to_string(rxConfig)},
                                                {"Factor", std::to_string(o.rx.Factor)},
                                                {"VCO_Sensitivity", Num(o.rx.VCO_Sensitivity, 17)},
                                                {"EQ_Level", std::to_string(o.rx.EQ_Level)},
                                                {"CTLEAdapt", std::to_string(o.rx.CTLEAdapt)},
                                                {"EOMNbits", std::to_string(o.rx.EOMNbits)}});
}

std::string LoadLinkModels(const LinkConfig& o, const std::string& outDir, LinkModels& m)
{
    m.config = &o;
    const std::string dir = ProgramDir();
    m.txPath = o.txKit ? o.txKit->library : Absolute(o.txLib.empty() ? dir + "/tx_ami.so" : o.txLib);
    m.rxPath = o.rxKit ? o.rxKit->library : Absolute(o.rxLib.empty() ? dir + "/rx_ami.so" : o.rxLib);
    std::string error;
    m.tx = AmiModel::Load(m.txPath, error);
    if (!m.tx) return error;
    m.txInitOnly = !m.tx->HasGetWave() || NoGetWave(o.txKit.get());
    auto addReceiver = [&](int config, const std::string& workDir) -> Receiver* {
        auto r = std::make_unique<Receiver>();
        r->model = AmiModel::Load(m.rxPath, error);
        if (!r->model) return nullptr;
        r->config = config;
        r->workDir = workDir;
        m.rxs.push_back(std::move(r));
        return m.rxs.back().get();
    };
    m.primary = addReceiver(o.rx.RX_Config, outDir);
    if (!m.primary) return error;
    m.rxInitOnly = !m.primary->model->HasGetWave() || NoGetWave(o.rxKit.get());
    if (m.rxInitOnly) m.primary->config = 2;  // the host slices the path's signal
    m.eyeRx = m.primary->config == 2 ? m.primary : nullptr;
    if (!m.eyeRx && o.eyeProbe && m.primary->config >= 0 && m.primary->config <= 2) {
        const std::string probeDir = outDir + "/eye-probe";
        std::error_code ec;
        fs::create_directories(probeDir, ec);
        m.eyeRx = addReceiver(2, probeDir);
        if (!m.eyeRx) return error;
    }
    for (auto& r : m.rxs) r->keepSamples = o.modulation.Multilevel();
    const int spb = o.samplesPerBit;
    const long long eyeSamples = std::max<long long>(o.eyeBits, 4) * spb + 4LL * spb;
    for (auto& r : m.rxs)
        r->tail = std::make_unique<WaveTail>(
            static_cast<size_t>(std::max<long long>(r->config == 2 ? eyeSamples : 0, 2LL * o.blockBits * spb)));
    m.txString = o.txKit ? KitParameterString(*o.txKit, o.txValues)
                         : AmiParameterString("TX_model2", {{"DE_Level", std::to_string(o.tx.DE_Level)},
                                                            {"VOD_Level", std::to_string(o.tx.VOD_Level)},
                                                            {"TX_bypass", std::to_string(o.tx.TX_bypass)}});
    return {};
}

std::string InitLinkModels(LinkModels& m, const std::vector<double>& impulse, double dt, double bitTime)
{
    std::string failures;
    std::vector<double> txOut, rxOut;
    if (!m.tx->Init(impulse, dt, bitTime, m.txString, m.txMsg, m.txInitOnly ? &txOut : nullptr))
        failures += "AMI_Init of " + m.txPath + " failed: " + m.txMsg + "\n";
    const std::vector<double>& rxIn = m.txInitOnly ? txOut : impulse;
    for (auto& r : m.rxs) {
        if (!ChangeDir(r->workDir)) return failures + "cannot enter " + r->workDir + "\n";
        std::string msg;
        const bool primary = r.get() == m.primary;
        const bool ok = r->model->Init(rxIn, dt, bitTime, m.RxString(r->config), msg,
                                       primary && m.rxInitOnly ? &rxOut : nullptr);
        if (primary) m.rxMsg = msg;
        if (!ok) failures += "AMI_Init of " + m.rxPath + " failed: " + msg + "\n";
    }
    if (!failures.empty() || !(m.txInitOnly || m.rxInitOnly)) return failures;
    // The last Init-only model's response is the path.
    const std::vector<double>& path = m.rxInitOnly ? rxOut : txOut;
    m.pathTaps.resize(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (!std::isfinite(path[i]))
            return std::string("AMI_Init of ") + (m.rxInitOnly ? m.rxPath : m.txPath) +
                   " returned an impulse response that is not finite at sample " + std::to_string(i) + "\n";
        m.pathTaps[i] = path[i] * dt;
    }
    // Where the path's pulse (one bit long, from sample 0) peaks: the
    // middle of its top, as the statistical eye takes it.
    const size_t spb = static_cast<size_t>(std::max(1L, std::lround(bitTime / dt)));
    std::vector<double> pulse(m.pathTaps.size() + spb, 0.0);
    double run = 0.0;
    size_t peak = 0;
    for (size_t n = 0; n < pulse.size(); ++n) {
        run += (n < m.pathTaps.size() ? m.pathTaps[n] : 0.0) - (n >= spb && n - spb < m.pathTaps.size() ? m.pathTaps[n - spb] : 0.0);
        pulse[n] = std::fabs(run);
        if (pulse[n] > pulse[peak]) peak = n;
    }
    size_t top = peak;
    while (top + 1 < pulse.size() && pulse[top + 1] >= (1.0 - 1e-9) * pulse[peak]) ++top;
    m.clockPeak = static_cast<double>((peak + top + 1) / 2);
    return failures;
}

void IdealClockEdges(const LinkModels& m, long long firstSample, long long samples, double dt, int spb,
                     std::vector<double>& edges)
{
    // Edges half a bit before each decision instant clockPeak + k spb.
    const double first = m.clockPeak - 0.5 * spb;
    long long k = static_cast<long long>(std::ceil((static_cast<double>(firstSample) - first) / spb));
    for (;; ++k) {
        const double at = first + static_cast<double>(k) * spb;
        if (at >= static_cast<double>(firstSample + samples)) break;
        if (at >= 0.0) edges.push_back(at * dt);
    }
}

}  // namespace linksim

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
    if (!m.tx->Init(impulse, dt, bitTime, m.txString, m.txMsg))
        failures += "AMI_Init of " + m.txPath + " failed: " + m.txMsg + "\n";
    for (auto& r : m.rxs) {
        if (!ChangeDir(r->workDir)) return failures + "cannot enter " + r->workDir + "\n";
        std::string msg;
        const bool ok = r->model->Init(impulse, dt, bitTime, m.RxString(r->config), msg);
        if (r.get() == m.primary) m.rxMsg = msg;
        if (!ok) failures += "AMI_Init of " + m.rxPath + " failed: " + msg + "\n";
    }
    return failures;
}

}  // namespace linksim

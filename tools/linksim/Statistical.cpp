#include "linksim/Statistical.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "linksim/Kit.h"
#include "linksim/Link.h"
#include "linksim/Measure.h"
#include "linksim/LinkModels.h"

namespace fs = std::filesystem;

namespace linksim {

namespace {


bool InitReturnsImpulse(const std::shared_ptr<ModelKit>& k)
{
    const AmiParameter* p = k ? k->Find("Init_Returns_Impulse") : nullptr;
    return p && p->Initial() == "True";
}

// The receiver's parameters for the analysis: our receiver gives the
// equalised signal with the CTLE held at the setting the run ended with.
std::string HeldReceiverParameters(const LinkConfig& o, int ctleSetting, bool& held)
{
    if (o.rxKit) {
        held = o.rxKit->Find("CTLEAdapt") && o.rxKit->Find("EQ_Level");
        std::map<std::string, std::string> v = o.rxValues;
        if (held) v["CTLEAdapt"] = "0", v["EQ_Level"] = std::to_string(ctleSetting), v["RX_Config"] = "2";
        if (!o.rxKit->Find("RX_Config")) v.erase("RX_Config");
        return KitParameterString(*o.rxKit, v);
    }
    held = true;
    return AmiParameterString("Vuraved_UV_IV", {{"RX_Config", "2"},
                                                {"Factor", std::to_string(o.rx.Factor)},
                                                {"VCO_Sensitivity", Num(o.rx.VCO_Sensitivity, 17)},
                                                {"EQ_Level", std::to_string(ctleSetting)},
                                                {"CTLEAdapt", "0"},
                                                {"EOMNbits", std::to_string(o.rx.EOMNbits)}});
}

}  // namespace

LinkStatistics AnalyseLink(const LinkConfig& o, const LinkModels& m, const std::vector<double>& channelTaps,
                           int ctleSetting, const std::string& outDir)
{
    LinkStatistics s;
    s.ctleSetting = ctleSetting;
    if (!o.stat) {
        s.error = "not asked for (--no-stat)";
        return s;
    }
    s.rxParameters = HeldReceiverParameters(o, ctleSetting, s.rxHeld);
    LinkPulseRequest req;
    req.txLibrary = m.txPath;
    req.txParameters = m.txString;
    req.rxLibrary = m.rxPath;
    req.rxParameters = s.rxParameters;
    req.txInitReturnsImpulse = InitReturnsImpulse(o.txKit) || m.txInitOnly;
    req.rxInitReturnsImpulse = InitReturnsImpulse(o.rxKit) || m.rxInitOnly;
    req.channelTaps = channelTaps;
    req.bitTime = 1.0 / o.bitRate;
    req.dt = req.bitTime / o.samplesPerBit;
    const std::string statDir = outDir + "/stat-probe";
    std::error_code ec;
    fs::create_directories(statDir, ec);
    if (ChangeDir(statDir)) {
        s.pulse = MeasureLinkPulse(req);
        ChangeDir(outDir);
    } else {
        s.pulse.error = "cannot enter " + statDir;
    }
    s.error = s.pulse.error;
    if (!s.error.empty()) return s;
    StatEyeOptions so;
    so.noiseRms = std::hypot(o.statNoise, o.reserved.rxNoiseRmsV);
    so.rjUi = o.jitter.rjUi;
    so.sjUi = o.jitter.sjUi;
    so.dcdUi = o.jitter.dcdUi;
    so.sj2Ui = o.jitter.sj2Ui;
    so.djUi = o.jitter.djUi;
    so.sensitivityV = o.reserved.rxSensitivityV;
    so.uniformNoise = o.reserved.rxUniformNoiseV;
    if (o.reserved.clock) {
        so.clockOffsetUi = {o.reserved.clockMeanUi};
        so.clockWeight = {1.0};
        so.clockSigmaUi = o.reserved.clockSigmaUi;
    }
    so.levels = o.modulation.levels;
    // The receiver's own thresholds where it gives them; else the eyes'
    // mid-levels.
    if (o.modulation.Multilevel() && !o.modulation.thresholds.empty()) so.thresholds = o.modulation.thresholds;
    s.options = so;
    s.eye = ComputeStatEye(s.pulse.pulse, o.samplesPerBit, so);
    return s;
}

void PlaceReceiverClock(LinkStatistics& s, int spb, bool known, double samplingPhase)
{
    s.rxBers.clear();
    if (!known || !s.error.empty() || spb < 1 || !std::isfinite(samplingPhase)) return;
    // The instant nearest the peak, and the one a unit interval to the
    // other side when it lies far out.
    const long t0 = s.eye.t0;
    long d = (std::lround(samplingPhase) - t0) % spb;
    if (d < 0) d += spb;
    if (d >= spb - spb / 2) d -= spb;  // now in [-spb/2, spb/2)
    std::vector<long> candidates = {t0 + d};
    if (std::labs(d) >= spb / 4) candidates.push_back(t0 + d + (d > 0 ? -spb : spb));
    double best = INFINITY;
    for (const long at : candidates) {
        if (at < 0 || at >= static_cast<long>(s.pulse.pulse.size())) continue;
        StatEyeOptions o = s.options;
        o.reference = at;
        const StatEye eye = ComputeStatEye(s.pulse.pulse, spb, o);
        double sum = 0.0;
        std::vector<double> bers;
        for (size_t e = 0; e < eye.eyes.size(); ++e) bers.push_back(eye.CentreBer(e)), sum += bers.back();
        if (sum < best) {
            best = sum;
            s.rxBers = bers;
            s.rxOffsetUi = static_cast<double>(at - t0) / spb;
        }
    }
}

}  // namespace linksim

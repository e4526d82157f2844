#include "linksim/Reserved.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "linksim/Kit.h"
#include "linksim/Measure.h"

namespace linksim {

namespace {

// Receiver figures in volts beyond this are no signal amisim drives (+-0.5 V).
constexpr double kMaxVolts = 10.0;

bool ReadDouble(const std::string& s, double& v)
{
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && errno != ERANGE && std::isfinite(v);
}

// One reserved parameter of a kit and the record of it.
struct Reader {
    const ModelKit* kit;
    const char* model;
    double bitRate;
    std::vector<ReservedUse>& uses;

    const AmiParameter* Find(const char* name) const { return kit ? kit->Find(name) : nullptr; }
    void Note(const char* name, const std::string& value, bool applied, const std::string& how) const
    {
        uses.push_back({model, name, value, applied, how});
    }
    // A jitter figure in UI (Type UI, or Float in seconds) up to maxUi (the
    // command line's bound for the same term); false (noted) when absent or
    // unusable.
    bool Jitter(const char* name, double maxUi, double& ui, std::string& text) const
    {
        const AmiParameter* p = Find(name);
        if (!p) return false;
        const std::string v = p->Initial();
        double x = 0.0;
        if (p->type != "UI" && p->type != "Float") {
            Note(name, v, false, "Type " + p->type + " is neither UI nor Float (seconds)");
            return false;
        }
        if (!ReadDouble(v, x) || x < 0.0) {
            Note(name, v, false, "\"" + v + "\" is not a number of 0 or more");
            return false;
        }
        const double u = p->type == "UI" ? x : x * bitRate;
        text = p->type == "UI" ? Num(x) + " UI" : Num(x) + " s (" + Num(u, 4) + " UI)";
        if (!(u <= maxUi)) {
            Note(name, text, false, "more than the " + Num(maxUi) + " UI amisim injects");
            return false;
        }
        ui = u;
        return true;
    }
    // A figure in volts (Type Float).
    bool Volts(const char* name, double& volts, std::string& text) const
    {
        const AmiParameter* p = Find(name);
        if (!p) return false;
        const std::string v = p->Initial();
        double x = 0.0;
        if (p->type != "Float" || !ReadDouble(v, x) || x < 0.0 || x > kMaxVolts) {
            Note(name, v, false, "not a Float from 0 to " + Num(kMaxVolts) + " V");
            return false;
        }
        volts = x;
        text = Num(volts) + " V";
        return true;
    }
};

void ReadTransmitter(const Reader& t, ReservedEffects& r)
{
    JitterSpec& j = r.txJitter;
    std::string text;
    if (t.Jitter("Tx_Rj", 0.15, j.rjUi, text)) t.Note("Tx_Rj", text, true, "random jitter (rms) on the stimulus edges");
    if (t.Jitter("Tx_Dj", 0.45, j.djUi, text))
        t.Note("Tx_Dj", text, true, "bounded jitter: each stimulus edge at +-" + Num(j.djUi, 4) + " UI (dual-Dirac)");
    if (t.Jitter("Tx_DCD", 0.225, j.dcdUi, text)) {
        t.Note("Tx_DCD", text, true, "half peak-to-peak: rising edges late and falling edges early by it");
        j.dcdUi *= 2.0;  // ours: rising minus falling
    }
    double sj = 0.0, hz = 0.0;
    const bool haveSj = t.Jitter("Tx_Sj", 0.45, sj, text);
    const AmiParameter* f = t.Find("Tx_Sj_Frequency");
    const std::string fv = f ? f->Initial() : "";
    const bool haveHz = f && ReadDouble(fv, hz) && hz > 0.0;
    if (f && !haveHz) t.Note("Tx_Sj_Frequency", fv, false, "not a frequency above 0 Hz");
    if (haveSj && !haveHz) {
        t.Note("Tx_Sj", text, false, "no usable Tx_Sj_Frequency: the tone is ignored");
    } else if (haveSj && hz >= 0.5 * t.bitRate) {
        t.Note("Tx_Sj", text, false, "Tx_Sj_Frequency " + Num(hz) + " Hz is not below half the bit rate");
    } else if (haveSj) {
        j.sjUi = sj;
        j.sjFrequency = hz;
        t.Note("Tx_Sj", text, true, "sinusoidal jitter (amplitude) on the stimulus edges");
        t.Note("Tx_Sj_Frequency", Num(hz) + " Hz", true, "the tone's frequency");
    } else if (haveHz) {
        t.Note("Tx_Sj_Frequency", Num(hz) + " Hz", false, "no Tx_Sj");
    }
}

void ReadReceiver(const Reader& rx, ReservedEffects& r)
{
    std::string text;
    if (rx.Volts("Rx_Receiver_Sensitivity", r.rxSensitivityV, text))
        rx.Note("Rx_Receiver_Sensitivity", text, true,
                "statistical eye: decisions only beyond +-it; height and bathtub with it");
    if (rx.Volts("Rx_GaussianNoise", r.rxNoiseRmsV, text))
        rx.Note("Rx_GaussianNoise", text, true, "statistical eye: Gaussian noise (rms) at the decision");
    if (rx.Volts("Rx_UniformNoise", r.rxUniformNoiseV, text))
        rx.Note("Rx_UniformNoise", text, true, "statistical eye: noise spread evenly over +-it at the decision");
    // Rx_Noise is the older name of the same Gaussian noise: counted once.
    if (const AmiParameter* p = rx.Find("Rx_Noise")) {
        if (rx.Find("Rx_GaussianNoise"))
            rx.Note("Rx_Noise", p->Initial(), false, "Rx_GaussianNoise gives the same Gaussian noise and is used");
        else if (rx.Volts("Rx_Noise", r.rxNoiseRmsV, text))
            rx.Note("Rx_Noise", text, true, "statistical eye: Gaussian noise (rms) at the decision");
    }
    const AmiParameter* c = rx.Find("Rx_Clock_PDF");
    if (!c) return;
    double mean = 0.0, sigma = 0.0;
    const auto& v = c->formatValues;
    const std::string all = [&] {
        std::string s = c->format;
        for (const auto& x : v) s += " " + x;
        return s;
    }();
    if (c->format != "Gaussian") {
        rx.Note("Rx_Clock_PDF", all, false, "only the Gaussian form is read (" + c->format + " is not)");
        return;
    }
    const double scale = c->type == "UI" ? 1.0 : rx.bitRate;
    if (v.size() != 2 || !ReadDouble(v[0], mean) || !ReadDouble(v[1], sigma) || sigma < 0.0 ||
        (c->type != "UI" && c->type != "Float") || !(std::fabs(mean * scale) <= 0.5) || !(sigma * scale <= 0.15)) {
        rx.Note(
            "Rx_Clock_PDF", all, false,
            "not a Gaussian of a mean within +-0.5 UI and a sigma from 0 to 0.15 UI (Type UI, or Float in seconds)");
        return;
    }
    r.clock = true;
    r.clockMeanUi = mean * scale;
    r.clockSigmaUi = sigma * scale;
    rx.Note("Rx_Clock_PDF", all + (c->type == "UI" ? " UI" : " s"), true,
            "statistical bathtub: the sampling instant offset by " + Num(r.clockMeanUi, 4) + " UI, spread " +
                Num(r.clockSigmaUi, 4) + " UI rms");
}

// Ignore_Bits, Init_Returns_Impulse and GetWave_Exists: what the host does
// with the model's own answer.
void ReadExecution(const Reader& m, long long ignoreBits)
{
    if (const AmiParameter* p = m.Find("Ignore_Bits")) {
        const bool used = p->Initial() == std::to_string(ignoreBits);
        m.Note("Ignore_Bits", p->Initial(), used,
               used ? "errors and eye counted after it (the larger of the two models')"
                    : "the other model's " + std::to_string(ignoreBits) + " is larger and is used");
    }
    const AmiParameter* init = m.Find("Init_Returns_Impulse");
    const AmiParameter* wave = m.Find("GetWave_Exists");
    if (init)
        m.Note("Init_Returns_Impulse", init->Initial(), true,
               init->Initial() == "True" ? "statistical: the impulse response AMI_Init returns"
                                         : "statistical: the response measured through AMI_GetWave");
    if (wave)
        m.Note("GetWave_Exists", wave->Initial(), true,
               wave->Initial() == "True" ? "bit by bit through AMI_GetWave"
                                         : "no AMI_GetWave: bit by bit, the impulse response AMI_Init returns "
                                           "stands in the waveform path");
}

}  // namespace

ReservedEffects ReadReservedParameters(const ModelKit* tx, const ModelKit* rx, double bitRate, long long ignoreBits)
{
    ReservedEffects r;
    const Reader t{tx, "tx", bitRate, r.uses}, x{rx, "rx", bitRate, r.uses};
    ReadTransmitter(t, r);
    ReadExecution(t, ignoreBits);
    ReadReceiver(x, r);
    ReadExecution(x, ignoreBits);
    return r;
}

void CombineJitter(JitterSpec& j, ReservedEffects& r)
{
    const JitterSpec& m = r.txJitter;
    auto note = [&](const char* name, const std::string& how) {
        for (ReservedUse& u : r.uses)
            if (u.model == "tx" && u.name == name && u.applied) u.how += "; " + how;
    };
    if (m.rjUi > 0.0 && j.rjUi > 0.0)
        note("Tx_Rj", "with --rj in quadrature: " + Num(std::hypot(j.rjUi, m.rjUi), 4) + " UI rms");
    j.rjUi = std::hypot(j.rjUi, m.rjUi);
    if (m.dcdUi > 0.0 && j.dcdUi != 0.0) note("Tx_DCD", "added to --dcd: " + Num(j.dcdUi + m.dcdUi, 4) + " UI");
    j.dcdUi += m.dcdUi;
    j.djUi += m.djUi;
    if (m.sjUi > 0.0) {
        if (j.sjUi > 0.0) {
            j.sj2Ui = m.sjUi;
            j.sj2Frequency = m.sjFrequency;
            note("Tx_Sj", "a second tone beside --sj");
        } else {
            j.sjUi = m.sjUi;
            j.sjFrequency = m.sjFrequency;
        }
    }
}

std::string BitByBitRefusal(const ModelKit* kit, const std::string& who)
{
    const AmiParameter* wave = kit ? kit->Find("GetWave_Exists") : nullptr;
    if (!wave || wave->Initial() != "False") return {};
    const AmiParameter* init = kit->Find("Init_Returns_Impulse");
    if (init && init->Initial() == "True") return {};  // its AMI_Init response stands in the path
    return "the " + who + " model " + kit->model +
           " has no AMI_GetWave (GetWave_Exists False) and its AMI_Init returns no impulse response "
           "(Init_Returns_Impulse is not True): there is nothing of it to simulate";
}

}  // namespace linksim

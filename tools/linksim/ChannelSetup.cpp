#include "linksim/ChannelSetup.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "linksim/Channel.h"
#include "linksim/Plot.h"
#include "linksim/Touchstone.h"

namespace linksim {

namespace {

std::string Fixed(double v, int digits)
{
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", digits, v);
    return b;
}

double Db(double mag) { return 20.0 * std::log10(std::max(mag, 1e-15)); }

}  // namespace

SParamChannel LoadSParamChannel(const std::string& path, const std::string& ports, double dt, double bitTime)
{
    return SParamChannelFrom(ReadTouchstone(path), ports, dt, bitTime);
}

// The wiring of the file's ports: --ports when given (with a warning when
// the data pair the thru lines otherwise), S21 of a 2-port, else what the
// data show (det: what they show, for a 4-port). `how` says which.
namespace {
PortMap ChooseWiring(const Touchstone& ts, const std::string& ports, PortDetection& det,
                     std::vector<std::string>& warnings, std::string& how)
{
    PortMap map;
    if (ts.ports == 4) det = DetectPorts(ts);
    if (!ports.empty()) {
        try {
            map = ParsePortMap(ports, ts.ports);
        } catch (const std::invalid_argument& e) {
            throw PortsError(std::string("--ports ") + e.what());
        }
        how = "given by --ports";
        if (ts.ports == 4 && det.ok) {
            // The user's wiring against the data's: same thru lines?
            auto samePair = [](int a, int b, int c, int d) { return (a == c && b == d) || (a == d && b == c); };
            const PortMap& d = det.map;
            const bool thrusAgree = (samePair(map.inP, map.outP, d.inP, d.outP) && samePair(map.inN, map.outN, d.inN, d.outN)) ||
                                    (samePair(map.inP, map.outP, d.inN, d.outN) && samePair(map.inN, map.outN, d.inP, d.outP));
            if (!thrusAgree)
                warnings.push_back("--ports " + PortMapText(map) + " disagrees with the data, whose strongest "
                                   "low-frequency transmission pairs the ports as " + PortMapText(d));
        }
    } else if (ts.ports == 2) {
        how = "S21 of the 2-port";
    } else {
        if (!det.ok) throw std::runtime_error(ts.name + ": " + det.problem + "; give the wiring with --ports");
        map = det.map;
        how = "found from the data: thru " + Fixed(Db(det.thruLow), 1) + " dB against " + Fixed(Db(det.otherLow), 1) +
              " dB for the next pairing below " + Fixed(det.lowBandHz / 1e9, 2) + " GHz; sides: " + det.sidesNote;
    }
    return map;
}
}  // namespace

SParamChannel SParamChannelFrom(Touchstone ts, const std::string& ports, double dt, double bitTime)
{
    const std::string path = ts.name;
    if (ts.ports != 2 && ts.ports != 4)
        throw TouchstoneError(path, ts.portsLine, std::to_string(ts.ports) +
                                                      "-port data: a channel is a 2-port (S21) or a 4-port (SDD21)");
    SParamChannel ch;
    std::string refs;
    bool renormalised = false;
    for (double z : ts.reference) {
        char b[32];
        std::snprintf(b, sizeof b, "%g", z);
        refs += (refs.empty() ? "" : " ") + std::string(b);
        renormalised = renormalised || std::fabs(z - 50.0) > 1e-9;
    }
    Renormalize(ts, 50.0);

    std::string how;
    PortDetection det;
    const PortMap map = ChooseWiring(ts, ports, det, ch.warnings, how);
    const std::vector<Complex> h = Transmission(ts, map);
    FrequencyFit fit;
    try {
        fit = ImpulseFromFrequencyData(ts.freq, h, dt);
    } catch (const std::invalid_argument& e) {
        // The grid the data ask for: set by the last frequency's record.
        throw TouchstoneError(path, ts.lines.empty() ? 0 : ts.lines.back(), e.what());
    }
    for (double v : fit.taps)
        if (!std::isfinite(v)) throw TouchstoneError(path, 0, "the data give a response that is not finite");
    ch.taps = fit.taps;

    const double fN = 0.5 / bitTime;
    const Complex dataN = InterpolateResponse(ts.freq, h, fN);
    ch.dcData = ts.freq.front() == 0.0 ? h.front().real() : fit.dcData;
    ch.dcExtrapolated = fit.dcExtrapolated;
    ch.dcFit = fit.dcGain;
    ch.lossDataNyquist = -Db(std::abs(dataN));
    ch.lossFitNyquist = -Db(std::abs(FirResponse(ch.taps, fN, dt)));
    if (fit.dcGain <= 0.0)
        ch.warnings.push_back("the channel's DC gain is " + Fixed(fit.dcGain, 4) +
                              ": the pulse is upside down (the negative line's ends are swapped); check --ports");
    if (fN > ts.freq.back())
        ch.warnings.push_back("the data end at " + Fixed(ts.freq.back() / 1e9, 3) + " GHz, below the Nyquist frequency " +
                              Fixed(fN / 1e9, 3) + " GHz: the loss there is extrapolated");
    const std::string what = ts.ports == 4 ? "SDD21" : "S21";
    ch.description = "S-parameters " + path + " (" + what + " of " + PortMapText(map) + ")";
    ch.notes.push_back("wiring      " + PortMapText(map) + " (in-out of the positive line" +
                       std::string(ts.ports == 4 ? ", then of the negative line" : "") + "), " + how);
    ch.notes.push_back("data        Touchstone " + std::string(ts.version == 2 ? "2.0" : "1.x") + ", " +
                       std::to_string(ts.freq.size()) + " frequencies " + Fixed(ts.freq.front() / 1e9, 3) + " to " +
                       Fixed(ts.freq.back() / 1e9, 3) + " GHz, reference " + refs + " ohm" +
                       (renormalised ? " (renormalised to 50 ohm)" : ""));
    const std::string dataDc =
        fit.dcExtrapolated ? "data extrapolated to DC " + Fixed(ch.dcData, 4) + " by a line through " +
                                 Fixed(ts.freq.front() / 1e6, 1) + " to " + Fixed(fit.dcBandHz / 1e6, 1) + " MHz"
                           : "data " + Fixed(ch.dcData, 4);
    ch.notes.push_back("response    DC gain " + Fixed(ch.dcFit, 4) + " (" + dataDc + "), loss at Nyquist " +
                       Fixed(ch.lossFitNyquist, 2) + " dB (data " + Fixed(ch.lossDataNyquist, 2) + " dB), " +
                       std::to_string(ch.taps.size()) + " taps, delay " + Fixed(fit.delayRemoved * 1e9, 3) +
                       " ns removed" + (fit.passivityScale < 1.0 ? ", scaled by " + Fixed(fit.passivityScale, 5) + " for passivity" : ""));
    for (const auto& w : ch.warnings) ch.notes.push_back("warning     " + w);

    for (size_t k = 0; k < ts.freq.size(); ++k) {
        ch.freq.push_back(ts.freq[k]);
        ch.dataDb.push_back(Db(std::abs(h[k])));
    }
    // The taps' response at the data's frequencies, from one FFT of the
    // taps (zero-padded to at least four times their length), interpolated
    // between its bins.
    {
        size_t m = 1;
        while (m < 4 * ch.taps.size()) m <<= 1;
        std::vector<double> in(m, 0.0);
        std::copy(ch.taps.begin(), ch.taps.end(), in.begin());
        std::vector<fftw_complex> out(m / 2 + 1);
        fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(m), in.data(), out.data(), FFTW_ESTIMATE);
        fftw_execute(plan);
        fftw_destroy_plan(plan);
        const double df = 1.0 / (static_cast<double>(m) * dt);
        for (double f : ch.freq) {
            const double x = f / df;
            const size_t i = static_cast<size_t>(x);
            if (i + 1 >= out.size()) {
                ch.fitDb.push_back(std::nan(""));
                continue;
            }
            const double a = std::hypot(out[i][0], out[i][1]), b = std::hypot(out[i + 1][0], out[i + 1][1]);
            ch.fitDb.push_back(Db(a + (x - static_cast<double>(i)) * (b - a)));
        }
    }

    ch.info = {{"kind", "touchstone"},
               {"file", path},
               {"version", ts.version == 2 ? "2.0" : "1.x"},
               {"ports", ts.ports},
               {"format", ts.format},
               {"frequencies", ts.freq.size()},
               {"f_min_hz", ts.freq.front()},
               {"f_max_hz", ts.freq.back()},
               {"reference_ohm", 50.0},
               {"renormalised", renormalised},
               {"port_map", PortMapText(map)},
               {"port_map_source", ports.empty() ? (ts.ports == 4 ? "data" : "2-port") : "--ports"},
               {"port_detection",
                {{"ok", det.ok},
                 {"map", det.ok ? PortMapText(det.map) : ""},
                 {"problem", det.problem},
                 {"thru_low_db", Db(det.thruLow)},
                 {"next_pairing_low_db", Db(det.otherLow)},
                 {"sides_from_data", det.sidesFromData},
                 {"sides", det.sidesNote}}},
               {"dc_gain_data", ch.dcData},
               {"dc_gain_data_extrapolated", ch.dcExtrapolated},
               {"dc_gain", ch.dcFit},
               {"loss_db_at_nyquist_data", ch.lossDataNyquist},
               {"delay_removed_s", fit.delayRemoved},
               {"passivity_scale", fit.passivityScale},
               {"max_gain", fit.maxGain},
               {"transform_points", fit.gridSize},
               {"warnings", ch.warnings},
               {"method",
                "magnitude and unwrapped phase interpolated onto the FFT grid; below the first frequency, magnitude and phase lines through the lowest points extended to DC; "
                "loss slope and group delay extended above the data with a raised-cosine taper; inverse FFT; "
                "causal window from the response's onset (acausal leakage and bulk delay removed); tail cut at "
                "1e-9 of the energy; scaled down if any gain exceeds 1"}};
    return ch;
}

std::string WriteChannelPng(const std::string& path, const SParamChannel& ch, double dt, double bitTime)
{
    PlotPanel mag;
    mag.xLabel = "frequency (GHz)";
    mag.yLabel = "|H| (dB)";
    PlotSeries data, fit;
    data.label = "data";
    data.r = 0.6, data.g = 0.6, data.b = 0.6;
    fit.label = "impulse response";
    fit.r = 0.05, fit.g = 0.25, fit.b = 0.75;
    fit.dashed = true;
    double lo = 0.0;
    for (size_t k = 0; k < ch.freq.size(); ++k) {
        data.x.push_back(ch.freq[k] / 1e9);
        data.y.push_back(ch.dataDb[k]);
        lo = std::min(lo, ch.dataDb[k]);
        if (std::isfinite(ch.fitDb[k])) {
            fit.x.push_back(ch.freq[k] / 1e9);
            fit.y.push_back(ch.fitDb[k]);
        }
    }
    mag.series = {data, fit};
    mag.yMin = std::max(lo, -100.0) - 3.0;
    mag.yMax = 3.0;
    mag.xMarks.push_back({0.5 / bitTime / 1e9, "Nyquist"});

    PlotPanel pulse;
    pulse.xLabel = "time (UI)";
    pulse.yLabel = "pulse response (V per V)";
    PlotSeries p;
    p.label = "1 UI pulse";
    const size_t spb = static_cast<size_t>(std::llround(bitTime / dt));
    double run = 0.0;
    size_t peak = 0;
    std::vector<double> pr(ch.taps.size() + spb);
    for (size_t i = 0; i < pr.size(); ++i) {
        if (i < ch.taps.size()) run += ch.taps[i];
        if (i >= spb && i - spb < ch.taps.size()) run -= ch.taps[i - spb];
        pr[i] = run;
        if (std::fabs(run) > std::fabs(pr[peak])) peak = i;
    }
    const long from = static_cast<long>(peak) - 8 * static_cast<long>(spb);
    const long to = static_cast<long>(peak) + 40 * static_cast<long>(spb);
    for (long i = std::max(0L, from); i < std::min<long>(to, static_cast<long>(pr.size())); ++i) {
        p.x.push_back((static_cast<double>(i) - static_cast<double>(peak)) / spb);
        p.y.push_back(pr[static_cast<size_t>(i)]);
    }
    pulse.series = {p};
    pulse.yMarks.push_back({0.0, ""});
    return WritePanelsPng(path, ch.description, {mag, pulse});
}

std::string WriteImpulseCsv(const std::string& path, const std::vector<double>& taps, double dt)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return "cannot write " + path;
    std::fprintf(f, "time_s,impulse_per_s\n");
    for (size_t i = 0; i < taps.size(); ++i) std::fprintf(f, "%.12e,%.12e\n", static_cast<double>(i) * dt, taps[i] / dt);
    const bool ok = std::fclose(f) == 0;
    return ok ? std::string() : "cannot write " + path;
}

}  // namespace linksim

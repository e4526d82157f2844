#include "linksim/Report.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "linksim/Kit.h"
#include "linksim/Link.h"
#include "linksim/Measure.h"
#include "linksim/Plot.h"
#include "linksim/Sweep.h"

namespace fs = std::filesystem;

namespace linksim {

namespace {

// "lower", "middle", "upper" for PAM4; "eye 1" (the lowest) on for others.
std::string EyeName(int levels, size_t j)
{
    static const char* const kPam4[] = {"lower", "middle", "upper"};
    return levels == 4 ? kPam4[j] : "eye " + std::to_string(j + 1);
}



// The channel's description for a picture's title: file names without
// their folders.
std::string ShortKind(const std::string& kind)
{
    std::string out, word;
    std::istringstream in(kind);
    while (in >> word) {
        const size_t slash = word.find_last_of('/');
        if (slash != std::string::npos && slash + 1 < word.size()) word = word.substr(slash + 1);
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

// BER figures floored for the JSON (see kBerFloor).
std::vector<double> Floored(std::vector<double> v)
{
    for (double& b : v) b = BerFloored(b);
    return v;
}

// The extrapolated eye height as the summary gives it.
std::string ExtrapolatedHeightText(const ExtrapolatedEye& e)
{
    if (!e.amplitudeOk) return "n/a (too few decisions)";
    if (e.heightOutside) return "closed (the fitted tails reach beyond the sampled signal's range)";
    if (e.heightClosed) return "closed";
    return Num(e.heightV * 1e3, 4) + " mV";
}

// Writes `text` to path + ".tmp" and renames it to path.
bool WriteWhole(const std::string& path, const std::string& text)
{
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << text;
        f.flush();
        if (!f) {
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

// The bathtubs: the statistical one and the bit-by-bit extrapolated ones.
std::string WriteBathtubs(const LinkReport& in)
{
    const LinkConfig& o = in.config;
    const OutputPaths& out = in.out;
    const LinkChannel& ch = in.channel;
    const LinkMeasurement& r = in.measurement;
    const LinkStatistics& sa = in.statistics;
    std::string bathtubPngError;
    PlotPanel h, v;
    h.xLabel = "sampling offset (UI): statistical from the pulse's peak, bit-by-bit from the recovered clock's instant";
    h.yLabel = "log10 BER";
    v.xLabel = "decision threshold (V)";
    v.yLabel = "log10 BER";
    h.yMin = v.yMin = -18.0;
    h.yMax = v.yMax = 0.0;
    h.yMarks.push_back({std::log10(o.ber), "BER " + Num(o.ber, 3)});
    v.yMarks = h.yMarks;
    // The statistical bathtubs: one per eye (several levels: blue, green,
    // violet, ... from the lowest eye up).
    const auto& palette = ContourPalette();
    for (size_t e = 0; e < sa.eye.eyes.size() && sa.error.empty(); ++e) {
        PlotSeries s;
        s.label = sa.eye.eyes.size() > 1 ? "statistical, " + EyeName(sa.eye.levels, e) + " eye"
                                         : "statistical (pulse response)";
        if (sa.eye.eyes.size() > 1) {
            static const size_t kOrder[] = {0, 1, 4, 2, 3};
            const Rgb& c = palette[kOrder[e % 5]];
            s.r = c.r, s.g = c.g, s.b = c.b;
        }
        for (int j = 0; j < sa.eye.phases; ++j) {
            s.x.push_back(static_cast<double>(j - sa.eye.phases / 2) / sa.eye.phases);
            s.y.push_back(std::log10(std::max(sa.eye.eyes[e].bathtub[static_cast<size_t>(j)], 1e-300)));
        }
        h.series.push_back(s);
    }
    // A bathtub of the bit-by-bit run: dashed, in orange.
    auto extrapolated = [](const std::vector<double>& x, const std::vector<double>& ber) {
        PlotSeries s;
        s.label = "bit-by-bit, extrapolated";
        s.r = 0.85, s.g = 0.35, s.b = 0.05;
        s.dashed = true;
        s.x = x;
        for (double b : ber) s.y.push_back(std::log10(std::max(b, 1e-300)));
        return s;
    };
    if (r.extrapolated.timingOk) h.series.push_back(extrapolated(r.extrapolated.phaseUi, r.extrapolated.phaseBer));
    if (r.extrapolated.amplitudeOk)
        v.series.push_back(extrapolated(r.extrapolated.thresholdV, r.extrapolated.thresholdBer));
    if (h.series.empty() && v.series.empty())
        bathtubPngError = "no bathtub: neither the statistical analysis nor the bit-by-bit distributions are there";
    else
        bathtubPngError = WritePanelsPng(out.bathtub, "Bathtub curves, " + ShortKind(ch.kind), {h, v});
    return bathtubPngError;
}

// The primary receiver's time, and the eye receiver's.
void ReceiverCosts(const LinkModels& m, Cost& primary, Cost& probe)
{
    for (auto& rx : m.rxs) {
        Cost& c = rx.get() == m.primary ? primary : probe;
        c.wall += rx->cost.wall;
        c.cpu += rx->cost.cpu;
    }
}

// Unpacks a report's parts under the names the figures go by.
#define REPORT_PARTS(in)                              \
    const LinkConfig& o = (in).config;                \
    const OutputPaths& out = (in).out;                \
    const LinkChannel& ch = (in).channel;             \
    const LinkModels& m = (in).models;                \
    const BitByBitResult& bb = (in).bitByBit;         \
    const LinkMeasurement& r = (in).measurement;      \
    const LinkStatistics& sa = (in).statistics;       \
    const double bitTime = 1.0 / o.bitRate;           \
    const int spb = o.samplesPerBit;                  \
    (void)out, (void)ch, (void)m, (void)bb, (void)r, (void)sa, (void)bitTime, (void)spb

nlohmann::json RunJson(const LinkReport& in)
{
    REPORT_PARTS(in);
    const double samples = static_cast<double>(bb.bitsDone) * spb;
    nlohmann::json j;
    j["tool"] = "amisim";
    j["bits"] = bb.bitsDone;
    j["samples"] = static_cast<long long>(samples);
    j["bit_rate"] = o.bitRate;
    j["samples_per_bit"] = spb;
    j["prbs"] = o.prbs;
    j["seed"] = o.seed;
    j["block_bits"] = o.blockBits;
    j["channel"] = {{"kind", ch.source},
                    {"description", ch.kind},
                    {"taps", ch.taps.size()},
                    {"loss_db_at_nyquist", ch.lossAtNyquist},
                    {"dc_gain", ch.dcGain}};
    if (ch.source == "touchstone") {
        for (auto it = ch.sparam.info.begin(); it != ch.sparam.info.end(); ++it)
            if (!j["channel"].contains(it.key())) j["channel"][it.key()] = it.value();
        j["channel"]["png"] = ch.pngError.empty() ? out.channelPng : "";
        j["channel"]["png_error"] = ch.pngError;
    }
    if (!o.impulseCsv.empty())
        j["channel"]["impulse_csv"] = ch.impulseCsvError.empty() ? out.impulseCsv : "";
    auto kitJson = [](const std::shared_ptr<ModelKit>& k) -> nlohmann::json {
        if (!k) return nullptr;
        return {{"ibis_file", k->ibsPath}, {"model", k->model}, {"executable", k->executable},
                {"ami_file", k->amiFile}, {"checker_errors", k->checkerErrors},
                {"checker_warnings", k->checkerWarnings}};
    };
    j["tx"] = {{"library", m.txPath}, {"parameters", m.txString}, {"message", m.txMsg}, {"kit", kitJson(o.txKit)},
               {"init_only", m.txInitOnly}};
    j["rx"] = {{"library", m.rxPath}, {"parameters", m.RxString(m.primary->config)}, {"message", m.rxMsg},
               {"kit", kitJson(o.rxKit)}, {"init_only", m.rxInitOnly},
               {"eye_receiver", m.eyeRx && m.eyeRx != m.primary},
               {"host_slicing_compared", r.sliceCompared},
               {"host_slicing_agreed", r.sliceAgreed}};
    return j;
}

nlohmann::json MeasurementJson(const LinkReport& in, const ReportPictures& pics, nlohmann::json j)
{
    REPORT_PARTS(in);
    const std::string& eyeError = pics.eyeError;
    const std::string& clockError = pics.clockError;
    const double ber = r.errors.compared ? static_cast<double>(r.errors.errors) / r.errors.compared : 0.0;
    // The one-sided 95 % upper bound of the BER (Clopper-Pearson; about 3/N
    // with no error in N bits).
    const double berUpper = r.errors.compared ? BerUpperBound95(r.errors.errors, r.errors.compared) : 0.0;
    j["lock"] = {{"locked", r.lock.locked},
                 {"time_s", r.lock.locked ? r.lockTime : 0.0},
                 {"bit_index", r.lock.locked ? static_cast<long long>(r.lockTime / bitTime) : -1},
                 {"clock_edge", r.lock.locked ? static_cast<long long>(r.lock.edge) : -1},
                 {"window_periods", o.lockWindow},
                 {"tolerance_ui", o.lockToleranceUi}};
    j["clock"] = {{"edges", m.primary->edges.size()},
                  {"gaps", r.gaps},
                  {"clock_times_restored", m.primary->restored},
                  {"mean_period_s", r.clock.meanPeriod},
                  {"period_std_s", r.clock.periodStd},
                  {"period_min_s", r.clock.periodMin},
                  {"period_max_s", r.clock.periodMax},
                  {"tie_rms_s", r.clock.tieRms},
                  {"tie_pkpk_s", r.clock.tiePkPk},
                  {"frequency_offset_ppm", r.clock.frequencyOffsetPpm}};
    const nlohmann::json unmeasured(nullptr);
    j["ber"] = {{"available", r.align.found},
                {"scope", r.scope},
                {"reason", r.align.found ? "" : r.align.why},
                {"bits_compared", r.errors.compared},
                {"errors", r.align.found ? nlohmann::json(r.errors.errors) : unmeasured},
                {"ber", r.align.found ? nlohmann::json(ber) : unmeasured},
                {"ber_upper_95", r.align.found ? nlohmann::json(berUpper) : unmeasured},
                {"latency_bits", r.align.lag},
                {"inverted", r.align.inverted},
                {"agreement", r.align.agreement},
                {"first_error_decision", r.errors.firstErrorDecision},
                {"error_bits", r.errorBits},
                {"from_bit", static_cast<long long>(r.measureFrom / spb)},
                {"decisions", r.decRx ? r.decRx->decisions.size() : 0}};
    j["ctle"] = {{"adaptation", o.rx.CTLEAdapt == 1},
                 {"setting", o.rx.CTLEAdapt == 1 ? r.adapt.finalSetting : o.rx.EQ_Level},
                 {"last_measured_setting", r.adapt.lastSetting},
                 {"log_consistent", r.adapt.consistent},
                 {"measurements", r.adapt.rows},
                 {"settled", r.adapt.optimumEnded},
                 {"settings_visited", r.adapt.settings},
                 {"last_heo", r.adapt.lastHeo},
                 {"last_veo", r.adapt.lastVeo},
                 {"last_range", r.adapt.lastRange}};
    j["eye"] = {{"valid", r.opening.valid},
                {"closed", r.opening.valid && !(r.opening.height > 0.0)},
                {"height_v", std::max(0.0, r.opening.height)},
                {"overlap_v", r.opening.valid && r.opening.height < 0.0 ? -r.opening.height : 0.0},
                {"width_ui", r.opening.widthUi},
                {"width_s", r.opening.widthUi * bitTime},
                {"centre_offset_ui", r.opening.centreOffsetUi},
                {"best_height_v", r.opening.bestHeight},
                {"best_height_offset_ui", r.opening.bestOffsetUi},
                {"traces", r.eyeTraces},
                {"png", eyeError.empty() ? out.eye : ""},
                {"csv", pics.eyeCsv ? out.eyeCsv : ""},
                {"error", eyeError}};
    j["clock_plot"] = {{"png", clockError.empty() ? out.clock : ""}, {"error", clockError}};
    return j;
}

// The statistical eye where the receiver's recovered clock samples on
// average: each eye's BER there, and the symbol error rate they give (a
// symbol errs across either of its thresholds: SER = 2 / n x the sum of the
// eyes' BERs; NRZ: the BER).
double ExpectedSer(const std::vector<double>& bers)
{
    double sum = 0.0;
    for (double b : bers) sum += b;
    return 2.0 / static_cast<double>(bers.size() + 1) * sum;
}

nlohmann::json ReceiverClockJson(const LinkStatistics& sa)
{
    const nlohmann::json unknown(nullptr);
    nlohmann::json j = {{"what", "the statistical eye where the receiver's recovered clock samples on average"},
                        {"offset_ui", unknown},
                        {"ser", unknown}};
    if (sa.rxBers.empty()) return j;
    j["offset_ui"] = sa.rxOffsetUi;
    j["ser"] = BerFloored(ExpectedSer(sa.rxBers));
    nlohmann::json eyes = nlohmann::json::array();
    for (double b : sa.rxBers) eyes.push_back(BerFloored(b));
    j["ber"] = sa.rxBers.size() == 1 ? eyes[0] : eyes;
    return j;
}

// Several levels: each eye's figures, and the top-level ones become the
// worst eye's (the smallest height and width, the largest BER; the bathtub
// and the contours' edges the worst of the eyes at each phase).
void StatisticalEyesJson(const LinkConfig& o, const StatEye& eye, nlohmann::json& st)
{
    nlohmann::json eyes = nlohmann::json::array();
    double height = INFINITY, heightCentre = INFINITY, width = INFINITY, contourWidth = INFINITY, centre = 0.0;
    std::vector<double> worstTub(static_cast<size_t>(eye.phases), 0.0);
    for (size_t e = 0; e < eye.eyes.size(); ++e) {
        const StatEyeOpening& op = eye.eyes[e];
        nlohmann::json tub = nlohmann::json::array();
        for (int k = 0; k < eye.phases; ++k) {
            const double b = op.bathtub[static_cast<size_t>(k)];
            worstTub[static_cast<size_t>(k)] = std::max(worstTub[static_cast<size_t>(k)], b);
            tub.push_back({{"offset_ui", static_cast<double>(k - eye.phases / 2) / eye.phases}, {"ber", BerFloored(b)}});
        }
        nlohmann::json contours = nlohmann::json::object();
        for (size_t l = 0; l < eye.contourBers.size(); ++l)
            contours[Num(eye.contourBers[l], 3)] = {{"height_v", std::max(0.0, eye.HeightAt(eye.contourBers[l], true, e))},
                                                     {"width_ui", eye.WidthAt(eye.contourBers[l], e)},
                                                     {"upper_v", op.upper[l]},
                                                     {"lower_v", op.lower[l]}};
        const double h = eye.HeightAt(o.ber, true, e);
        height = std::min(height, h);
        heightCentre = std::min(heightCentre, eye.HeightAt(o.ber, false, e));
        width = std::min(width, eye.BathtubWidthAt(o.ber, e));
        contourWidth = std::min(contourWidth, eye.WidthAt(o.ber, e));
        centre = std::max(centre, eye.CentreBer(e));
        eyes.push_back({{"eye", EyeName(eye.levels, e)},
                        {"threshold_v", op.threshold},
                        {"eye_height_v", std::max(0.0, h)},
                        {"eye_height_at_centre_v", std::max(0.0, eye.HeightAt(o.ber, false, e))},
                        {"closed", !(h > 0.0)},
                        {"eye_width_ui", eye.BathtubWidthAt(o.ber, e)},
                        {"contour_width_ui", eye.WidthAt(o.ber, e)},
                        {"ber_at_centre", BerFloored(eye.CentreBer(e))},
                        {"bathtub", tub},
                        {"contours", contours}});
    }
    st["levels"] = eye.levels;
    st["threshold_source"] = eye.thresholdsGiven ? "the receiver's thresholds" : "midway between the symbols' levels";
    st["figures_of"] = "the worst of the eyes";
    st["eye_height_v"] = std::max(0.0, height);
    st["eye_height_at_centre_v"] = std::max(0.0, heightCentre);
    st["closed"] = !(height > 0.0);
    st["eye_width_ui"] = width;
    st["contour_width_ui"] = contourWidth;
    st["ber_at_centre"] = BerFloored(centre);
    nlohmann::json tub = nlohmann::json::array();
    for (int k = 0; k < eye.phases; ++k)
        tub.push_back({{"offset_ui", static_cast<double>(k - eye.phases / 2) / eye.phases},
                       {"ber", BerFloored(worstTub[static_cast<size_t>(k)])}});
    st["bathtub"] = tub;
    for (size_t l = 0; l < eye.contourBers.size(); ++l) {
        double hl = INFINITY, wl = INFINITY;
        for (size_t e = 0; e < eye.eyes.size(); ++e) {
            hl = std::min(hl, eye.HeightAt(eye.contourBers[l], true, e));
            wl = std::min(wl, eye.WidthAt(eye.contourBers[l], e));
        }
        st["contours"][Num(eye.contourBers[l], 3)] = {{"height_v", std::max(0.0, hl)}, {"width_ui", wl}};
    }
    st["eyes"] = eyes;
}

nlohmann::json StatisticalJson(const LinkReport& in, const ReportPictures& pics)
{
    REPORT_PARTS(in);
    const std::string& statPngError = pics.statPngError;
    nlohmann::json st = {{"available", sa.error.empty()},
                         {"error", sa.error},
                         {"ber", o.ber},
                         {"method",
                          "statistical eye from the link's pulse response (channel, then each model: its AMI_Init "
                          "impulse response if it returns one, else its linear response from AMI_GetWave on a "
                          "step); the densities of inter-symbol interference convolved over every cursor, with "
                          "Gaussian noise --stat-noise (and the receiver's Rx_GaussianNoise, in quadrature); decisions "
                          "beyond +-Rx_Receiver_Sensitivity; the bathtub averaged over the injected jitter and the "
                          "receiver's Rx_Clock_PDF"},
                         {"tx_response", sa.pulse.txSource},
                         {"rx_response", sa.pulse.rxSource},
                         {"rx_parameters", sa.rxParameters},
                         {"ctle_held_at", sa.rxHeld ? nlohmann::json(r.ctleSetting) : nlohmann::json(nullptr)}};
    if (sa.error.empty()) {
        st["inverted"] = sa.eye.inverted;
        st["main_cursor_v"] = sa.eye.mainCursor * 0.5;
        st["eye_height_v"] = std::max(0.0, sa.eye.HeightAt(o.ber));
        st["eye_height_at_centre_v"] = std::max(0.0, sa.eye.HeightAt(o.ber, false));
        st["closed"] = !(sa.eye.HeightAt(o.ber) > 0.0);
        st["ber_floor"] = kBerFloor;
        st["eye_width_ui"] = sa.eye.BathtubWidthAt(o.ber);  // with the injected jitter
        st["contour_width_ui"] = sa.eye.WidthAt(o.ber);      // without it
        st["ber_at_centre"] = BerFloored(sa.eye.CentreBer());
        nlohmann::json tub = nlohmann::json::array();
        for (int k = 0; k < sa.eye.phases; ++k)
            tub.push_back({{"offset_ui", static_cast<double>(k - sa.eye.phases / 2) / sa.eye.phases},
                           {"ber", BerFloored(sa.eye.eyes[0].bathtub[static_cast<size_t>(k)])}});
        st["bathtub"] = tub;
        nlohmann::json contours = nlohmann::json::object();
        for (size_t l = 0; l < sa.eye.contourBers.size(); ++l)
            contours[Num(sa.eye.contourBers[l], 3)] = {{"height_v", std::max(0.0, sa.eye.HeightAt(sa.eye.contourBers[l]))},
                                                        {"width_ui", sa.eye.WidthAt(sa.eye.contourBers[l])},
                                                        {"upper_v", sa.eye.eyes[0].upper[l]},
                                                        {"lower_v", sa.eye.eyes[0].lower[l]}};
        st["contours"] = contours;
        if (sa.eye.eyes.size() > 1) StatisticalEyesJson(o, sa.eye, st);
        st["receiver_clock"] = ReceiverClockJson(sa);
        st["png"] = statPngError.empty() ? out.stat : "";
        st["csv"] = pics.statCsv ? out.statCsv : "";
        st["png_error"] = statPngError;
    }
return st;
}

nlohmann::json AnalysisJson(const LinkReport& in, const ReportPictures& pics, nlohmann::json j)
{
    REPORT_PARTS(in);
    const std::string& bathtubPngError = pics.bathtubPngError;
    const double samples = static_cast<double>(bb.bitsDone) * spb;
    Cost rxCost, probeCost;
    ReceiverCosts(m, rxCost, probeCost);
    const double analysisSeconds = in.analysisSeconds;
    const bool closeOk = in.closeOk;
    j["statistical"] = StatisticalJson(in, pics);
    j["extrapolated"] = {
        {"method", "from the bit-by-bit run's last --eye-bits bits: Gaussian fits on the Q scale to the tails of the "
                   "data crossings against the recovered clock (horizontal) and of the equalised signal at the "
                   "decision instants, ones and zeros apart (vertical), extended to the BER"},
        {"ber", o.ber},
        {"timing_available", r.extrapolated.timingOk},
        {"amplitude_available", r.extrapolated.amplitudeOk},
        {"eye_width_ui", r.extrapolated.timingOk ? nlohmann::json(r.extrapolated.widthUi) : nlohmann::json(nullptr)},
        {"eye_height_v", r.extrapolated.amplitudeOk ? nlohmann::json(r.extrapolated.heightV) : nlohmann::json(nullptr)},
        {"width_closed", r.extrapolated.timingOk && r.extrapolated.widthClosed},
        {"height_closed", r.extrapolated.amplitudeOk && r.extrapolated.heightClosed},
        {"height_fit_outside_data", r.extrapolated.amplitudeOk && r.extrapolated.heightOutside},
        {"ber_floor", kBerFloor},
        {"ones", {{"mean_v", r.extrapolated.ones.mean}, {"sigma_v", r.extrapolated.ones.sigma}, {"samples", r.sampledOnes.size()}}},
        {"zeros", {{"mean_v", r.extrapolated.zeros.mean}, {"sigma_v", r.extrapolated.zeros.sigma}, {"samples", r.sampledZeros.size()}}},
        {"bathtub", {{"offset_ui", r.extrapolated.phaseUi}, {"ber", Floored(r.extrapolated.phaseBer)}}},
        {"vertical_bathtub", {{"threshold_v", r.extrapolated.thresholdV}, {"ber", Floored(r.extrapolated.thresholdBer)}}},
        {"png", bathtubPngError.empty() ? out.bathtub : ""},
        {"bathtub_csv", pics.bathtubCsv ? out.bathtubCsv : ""},
        {"png_error", bathtubPngError}};
    nlohmann::json reserved = nlohmann::json::array();
    for (const ReservedUse& u : o.reserved.uses)
        reserved.push_back({{"model", u.model}, {"name", u.name}, {"value", u.value}, {"applied", u.applied},
                            {u.applied ? "how" : "why_not", u.how}});
    j["reserved_parameters"] = reserved;
    j["jitter"] = {
        {"injected", {{"rj_ui", o.jitter.rjUi}, {"sj_ui", o.jitter.sjUi}, {"sj_hz", o.jitter.sjFrequency},
                      {"sj2_ui", o.jitter.sj2Ui}, {"sj2_hz", o.jitter.sj2Frequency},
                      {"dcd_ui", o.jitter.dcdUi}, {"dj_ui", o.jitter.djUi}, {"seed", o.jitter.seed}}},
        {"measured",
         {{"available", r.dataJitter.ok},
          {"why", r.dataJitter.why},
          {"method", "zero crossings of the equalised signal between decision instants, as offsets from their "
                     "midpoint in UI of the recovered clock; dual-Dirac model from Q-scale fits of both tails: "
                     "RJ the mean rms of the tails, DJ the distance of their means, TJ = DJ + 2 Q^-1(BER) RJ; PJ "
                     "the largest line of the offsets' spectrum; DCD the mean offset of rising less falling edges"},
          {"crossings", r.dataJitter.crossings},
          {"transition_density", r.dataJitter.transitionDensity},
          {"ber", o.ber},
          {"tj_ui", r.dataJitter.Closed() ? 1.0 : r.dataJitter.tjUi},
          {"closed", r.dataJitter.Closed()},
          {"tj_fit_ui", r.dataJitter.tjUi},
          {"rj_ui", r.dataJitter.rjUi},
          {"dj_ui", r.dataJitter.djUi},
          {"pj_ui", r.dataJitter.pjUi},
          {"pj_hz", r.dataJitter.pjFrequency},
          {"dcd_ui", r.dataJitter.dcdUi},
          {"mean_ui", r.dataJitter.meanUi},
          {"rms_ui", r.dataJitter.rmsUi},
          {"warning", r.toneWarning}}}};
    j["throughput"] = {{"loop_s", bb.loopSeconds},
                       {"loop_cpu_s", bb.loopCpu},
                       {"samples_per_second", bb.loopSeconds > 0 ? samples / bb.loopSeconds : 0.0},
                       {"samples_per_cpu_second", bb.loopCpu > 0 ? samples / bb.loopCpu : 0.0},
                       {"tx_s", bb.tx.wall},
                       {"tx_cpu_s", bb.tx.cpu},
                       {"channel_s", bb.channel.wall},
                       {"channel_cpu_s", bb.channel.cpu},
                       {"rx_s", rxCost.wall},
                       {"rx_cpu_s", rxCost.cpu},
                       {"rx_eye_s", probeCost.wall},
                       {"rx_eye_cpu_s", probeCost.cpu},
                       {"analysis_s", analysisSeconds},
                       {"total_s", in.totalSeconds}};
    j["close_ok"] = closeOk;
    j["close_ok"] = closeOk;
    return j;
}

// A figure for a CSV cell: empty when not finite.
std::string Cell(double v)
{
    if (!std::isfinite(v)) return "";
    char b[32];
    std::snprintf(b, sizeof b, "%.9g", v);
    return b;
}

// Writes a CSV when there is data; removes any earlier one when not.
bool WriteCsv(const std::string& path, const std::string& text)
{
    std::error_code ec;
    if (!text.empty() && WriteWhole(path, text)) return true;
    fs::remove(path, ec);
    return false;
}

}  // namespace

std::string EyeCsv(const EyeDiagram& eye)
{
    std::string t = "offset_ui,ones_lowest_v,zeros_highest_v,height_v\n";
    const int n = eye.PhaseBins();
    for (int b = 0; b < 2 * n; ++b) {
        const double one = eye.OnesLowest(b), zero = eye.ZerosHighest(b);
        t += Cell(static_cast<double>(b - n) / n) + "," + Cell(one) + "," + Cell(zero) + "," + Cell(one - zero) + "\n";
    }
    return t;
}

// Several levels add the eye's name as a last column.
std::string StatEyeCsv(const StatEye& eye)
{
    const bool named = eye.eyes.size() > 1;
    std::string t = named ? "offset_ui,contour_ber,upper_v,lower_v,eye\n" : "offset_ui,contour_ber,upper_v,lower_v\n";
    for (size_t e = 0; e < eye.eyes.size(); ++e)
        for (int j = 0; j < eye.phases; ++j)
            for (size_t l = 0; l < eye.contourBers.size(); ++l)
                t += Cell(static_cast<double>(j - eye.phases / 2) / eye.phases) + "," + Cell(eye.contourBers[l]) + "," +
                     Cell(eye.eyes[e].upper[l][static_cast<size_t>(j)]) + "," +
                     Cell(eye.eyes[e].lower[l][static_cast<size_t>(j)]) +
                     (named ? "," + EyeName(eye.levels, e) : std::string()) + "\n";
    return t;
}

std::string BathtubCsv(const StatEye* stat, const ExtrapolatedEye& e)
{
    std::string t;
    auto row = [&](const char* curve, double x, const char* unit, double ber) {
        t += std::string(curve) + "," + Cell(x) + "," + unit + "," + Cell(BerFloored(ber)) + "\n";
    };
    // Several levels: a statistical curve per eye ("statistical lower", ...).
    for (size_t e = 0; stat && e < stat->eyes.size(); ++e) {
        const std::string curve =
            stat->eyes.size() > 1 ? "statistical " + EyeName(stat->levels, e) : std::string("statistical");
        for (int j = 0; j < stat->phases; ++j)
            row(curve.c_str(), static_cast<double>(j - stat->phases / 2) / stat->phases, "ui",
                stat->eyes[e].bathtub[static_cast<size_t>(j)]);
    }
    if (e.timingOk)
        for (size_t k = 0; k < e.phaseUi.size(); ++k) row("extrapolated", e.phaseUi[k], "ui", e.phaseBer[k]);
    if (e.amplitudeOk)
        for (size_t k = 0; k < e.thresholdV.size(); ++k)
            row("extrapolated_vertical", e.thresholdV[k], "v", e.thresholdBer[k]);
    return t.empty() ? t : "curve,x,x_unit,ber\n" + t;
}

ReportPictures WriteReportPictures(const LinkReport& in)
{
    REPORT_PARTS(in);
    ReportPictures p;
    p.eyeError = r.eyeError;
    if (p.eyeError.empty() && r.eye) {
        EyePlotInfo info;
        info.title = "Equalised signal at " + Num(o.bitRate / 1e9, 6) + " Gb/s, " + ShortKind(ch.kind);
        info.bitTime = bitTime;
        info.opening = r.opening;
        if (o.modulation.Multilevel()) {
            info.opening.valid = false;
            for (size_t e = 0; e < r.pam.eyes.size() && e < r.pam.thresholds.size(); ++e)
                info.eyes.push_back({r.pam.thresholds[e], r.pam.eyes[e]});
        }
        p.eyeError = WriteEyePng(out.eye, *r.eye, info);
    }
    std::error_code ec;
    if (!p.eyeError.empty()) fs::remove(out.eye, ec);  // no stale picture of an earlier run
    ClockPlotInfo cinfo;
    cinfo.title = "Recovered clock: period and phase over the run";
    cinfo.bitTime = bitTime;
    cinfo.refPeriod = r.refPeriod;
    cinfo.locked = r.lock.locked;
    cinfo.lockTime = r.lockTime;
    p.clockError = WriteClockPng(out.clock, m.primary->edges, cinfo);
    if (sa.error.empty())
        p.statPngError = WriteStatEyePng(out.stat, sa.eye, "Statistical eye from the pulse response, " + ShortKind(ch.kind));
    if (!sa.error.empty() || !p.statPngError.empty()) fs::remove(out.stat, ec);
    p.bathtubPngError = WriteBathtubs(in);
    if (!p.bathtubPngError.empty()) fs::remove(out.bathtub, ec);
    p.eyeCsv = WriteCsv(out.eyeCsv, r.eye && r.eyeError.empty() ? EyeCsv(*r.eye) : "");
    p.statCsv = WriteCsv(out.statCsv, sa.error.empty() ? StatEyeCsv(sa.eye) : "");
    p.bathtubCsv = WriteCsv(out.bathtubCsv, BathtubCsv(sa.error.empty() ? &sa.eye : nullptr, r.extrapolated));
    ReleasePlotResources();
    return p;
}

namespace {

// Several levels: the modulation, its thresholds, the symbol and bit errors
// (the "ber" figures become those of the bits through the mapping) and
// each eye.
void MultilevelJson(const LinkReport& in, nlohmann::json& j)
{
    REPORT_PARTS(in);
    const auto& p = r.pam;
    const Modulation& mod = o.modulation;
    const nlohmann::json unmeasured(nullptr);
    nlohmann::json eyes = nlohmann::json::array();
    for (size_t e = 0; e < p.eyes.size(); ++e)
        eyes.push_back({{"eye", EyeName(mod.levels, e)},
                        {"valid", p.eyes[e].valid},
                        {"closed", p.eyes[e].valid && !(p.eyes[e].height > 0.0)},
                        {"height_v", std::max(0.0, p.eyes[e].height)},
                        {"width_ui", p.eyes[e].widthUi},
                        {"threshold_v", e < p.thresholds.size() ? nlohmann::json(p.thresholds[e]) : unmeasured}});
    const double ser = p.symbols ? static_cast<double>(p.symbolErrors) / p.symbols : 0.0;
    const double ber = p.bits ? static_cast<double>(p.bitErrors) / p.bits : 0.0;
    j["modulation"] = {{"name", mod.Name()},
                       {"levels", mod.levels},
                       {"bits_per_symbol", mod.BitsPerSymbol()},
                       {"mapping", mod.gray ? "Gray" : "binary"},
                       {"source", mod.source},
                       {"thresholds_v", p.thresholds},
                       {"threshold_source", p.thresholdSource},
                       {"symbols_compared", p.symbols},
                       {"symbol_errors", p.valid ? nlohmann::json(p.symbolErrors) : unmeasured},
                       {"ser", p.valid ? nlohmann::json(ser) : unmeasured},
                       {"bits_compared", p.bits},
                       {"bit_errors", p.valid ? nlohmann::json(p.bitErrors) : unmeasured},
                       {"ber", p.valid ? nlohmann::json(ber) : unmeasured},
                       {"eyes", eyes},
                       {"extrapolated_and_data_jitter_of", "the middle crossing (0 V)"}};
    auto& b = j["ber"];
    b["available"] = p.valid;
    b["bits_compared"] = p.bits;
    b["errors"] = p.valid ? nlohmann::json(p.bitErrors) : unmeasured;
    b["ber"] = p.valid ? nlohmann::json(ber) : unmeasured;
    b["ber_upper_95"] = p.valid ? nlohmann::json(p.bitErrors ? 0.0 : 3.0 / std::max<uint64_t>(1, p.bits)) : unmeasured;
    b["first_error_decision"] = p.firstErrorDecision;
    b["error_bits"] = nlohmann::json::array();  // of symbols: error_symbols
    b["error_symbols"] = p.errorSymbols;
    b["symbols_compared"] = p.symbols;
    b["symbol_errors"] = p.valid ? nlohmann::json(p.symbolErrors) : unmeasured;
    b["ser"] = p.valid ? nlohmann::json(ser) : unmeasured;
}

// Several levels: the errors on symbols and bits, and each eye.
void PrintMultilevel(const LinkReport& in)
{
    REPORT_PARTS(in);
    const auto& p = r.pam;
    const Modulation& mod = o.modulation;
    std::printf("  modulation   %s, %s mapping (%s)\n", mod.Name().c_str(), mod.gray ? "Gray" : "binary",
                mod.source.c_str());
    std::string th;
    for (double t : p.thresholds) th += (th.empty() ? "" : ", ") + Num(t * 1e3, 4) + " mV";
    if (!p.thresholds.empty()) std::printf("  thresholds   %s (%s)\n", th.c_str(), p.thresholdSource.c_str());
    if (p.valid)
        std::printf("  SER          %llu symbol errors in %llu symbols %s: %s; BER %llu errors in %llu bits: %s "
                    "(latency %lld symbols%s)\n",
                    static_cast<unsigned long long>(p.symbolErrors), static_cast<unsigned long long>(p.symbols),
                    r.scope.c_str(), p.symbolErrors ? Num(static_cast<double>(p.symbolErrors) / p.symbols, 4).c_str() : "0",
                    static_cast<unsigned long long>(p.bitErrors), static_cast<unsigned long long>(p.bits),
                    p.bitErrors ? Num(static_cast<double>(p.bitErrors) / p.bits, 4).c_str() : "0",
                    static_cast<long long>(r.align.lag), r.align.inverted ? ", inverted" : "");
    else
        std::printf("  SER          n/a: %s\n", r.align.found ? "the thresholds could not be found"
                                                             : r.align.why.empty() ? "no decisions" : r.align.why.c_str());
    for (size_t e = p.eyes.size(); e-- > 0;) {
        const auto& op = p.eyes[e];
        const std::string name = EyeName(mod.levels, e);
        if (op.valid && op.height > 0.0)
            std::printf("  eye %-8s height %.1f mV, width %.3f UI (%.2f ps)\n", name.c_str(), op.height * 1e3,
                        op.widthUi, op.widthUi * bitTime * 1e12);
        else
            std::printf("  eye %-8s %s\n", name.c_str(), op.valid ? "closed at the decision instant" : "n/a");
    }
}

}  // namespace

nlohmann::json ReportJson(const LinkReport& in, const ReportPictures& pics)
{
    nlohmann::json j = AnalysisJson(in, pics, MeasurementJson(in, pics, RunJson(in)));
    if (in.config.modulation.Multilevel()) MultilevelJson(in, j);
    return j;
}

bool WriteReportJson(const LinkReport& in, const ReportPictures& pics)
{
    // Written whole under a temporary name, then renamed: a reader sees the
    // old file or the new one, never part of one.
    if (WriteWhole(in.out.json, ReportJson(in, pics).dump(2) + "\n")) return true;
    std::fprintf(stderr, "amisim: cannot write %s: %s\n", in.out.json.c_str(), std::strerror(errno));
    return false;
}

namespace {

// The statistical eye's lines: its figures (several levels: one line per
// eye, from the top) and how it was obtained.
void PrintStatisticalEye(const LinkReport& in)
{
    REPORT_PARTS(in);
    if (!sa.error.empty()) {
        std::printf("  stat eye     n/a: %s\n", sa.error.c_str());
        return;
    }
    const std::string how = "statistical: the link's pulse response, tx " + sa.pulse.txSource + ", rx " +
                            sa.pulse.rxSource +
                            (sa.rxHeld ? " with the CTLE held at setting " + std::to_string(r.ctleSetting) : "");
    auto figures = [&](size_t e) {
        char width[32];
        std::snprintf(width, sizeof width, "%.3f", sa.eye.BathtubWidthAt(o.ber, e));
        return "height " + HeightText(sa.eye.HeightAt(o.ber, true, e)) + ", width " + width + " UI at BER " +
               Num(o.ber, 3) + "; BER " + BerText(sa.eye.CentreBer(e)) + " at the centre";
    };
    if (sa.eye.eyes.size() == 1) {
        std::printf("  stat eye     %s (%s)\n", figures(0).c_str(), how.c_str());
        return;
    }
    std::printf("  stat eye     %s, every eye (%s; %s)\n", o.modulation.Name().c_str(), how.c_str(),
                sa.eye.thresholdsGiven ? "bathtubs at the receiver's thresholds"
                                       : "bathtubs midway between the symbols' levels");
    for (size_t e = sa.eye.eyes.size(); e-- > 0;)
        std::printf("  stat %-7s %s\n", EyeName(sa.eye.levels, e).c_str(), figures(e).c_str());
}

// Where the receiver's clock samples: the statistical eye's error rate
// there (several levels: the symbol error rate and each eye's BER).
void PrintStatisticalAtClock(const LinkStatistics& sa)
{
    if (!sa.error.empty() || sa.rxBers.empty()) return;
    const std::vector<double>& bers = sa.rxBers;
    char offset[32];
    std::snprintf(offset, sizeof offset, "%+.3f", sa.rxOffsetUi);
    if (bers.size() == 1) {
        std::printf("  stat clock   BER %s where the receiver's clock samples (%s UI from the pulse's peak)\n",
                    BerText(bers[0]).c_str(), offset);
        return;
    }
    std::string each;
    for (size_t e = bers.size(); e-- > 0;)
        each += std::string(each.empty() ? "" : ", ") + EyeName(sa.eye.levels, e) + " " + BerText(bers[e]);
    std::printf("  stat clock   SER %s where the receiver's clock samples (%s UI from the pulse's peak; BER of "
                "each eye: %s)\n",
                BerText(ExpectedSer(bers)).c_str(), offset, each.c_str());
}

}  // namespace

void PrintSummary(const LinkReport& in, const ReportPictures& pics)
{
    REPORT_PARTS(in);
    const std::string& eyeError = pics.eyeError;
    const std::string& clockError = pics.clockError;
    const std::string& statPngError = pics.statPngError;
    const std::string& bathtubPngError = pics.bathtubPngError;
    const double samples = static_cast<double>(bb.bitsDone) * spb;
    const double ber = r.errors.compared ? static_cast<double>(r.errors.errors) / r.errors.compared : 0.0;
    const double berUpper = r.errors.compared ? BerUpperBound95(r.errors.errors, r.errors.compared) : 0.0;
    Cost rxCost, probeCost;
    ReceiverCosts(m, rxCost, probeCost);
    std::printf("amisim: %lld bits of PRBS%d at %s Gb/s, %d samples per bit\n", bb.bitsDone, o.prbs,
                Num(o.bitRate / 1e9, 6).c_str(), spb);
    std::printf("  channel      %s (%zu taps, %.2f dB at Nyquist)\n", ch.kind.c_str(), ch.taps.size(),
                ch.lossAtNyquist);
    for (const auto& note : ch.sparam.notes) std::printf("               %s\n", note.c_str());
    if (o.txKit) std::printf("  tx kit       %s [Model] %s, %s\n", o.txKit->ibsPath.c_str(), o.txKit->model.c_str(), o.txKit->executable.c_str());
    if (o.rxKit) std::printf("  rx kit       %s [Model] %s, %s\n", o.rxKit->ibsPath.c_str(), o.rxKit->model.c_str(), o.rxKit->executable.c_str());
    std::printf("  tx           %s\n", m.txString.c_str());
    std::printf("  rx           %s%s\n", m.RxString(m.primary->config).c_str(),
                m.eyeRx && m.eyeRx != m.primary ? "  (+ a second instance with RX_Config 2 for the eye)" : "");
    if (m.txInitOnly || m.rxInitOnly)
        std::printf("  init only    %s: no AMI_GetWave; the impulse response its AMI_Init returned stands in the "
                    "waveform path%s\n",
                    m.txInitOnly && m.rxInitOnly ? "tx and rx" : m.txInitOnly ? "tx" : "rx",
                    m.rxInitOnly ? "; the receiver's clock is ideal, deciding where the path's pulse peaks" : "");
    if (!m.txMsg.empty()) std::printf("  tx message   %s\n", m.txMsg.c_str());
    if (!m.rxMsg.empty()) std::printf("  rx message   %s\n", m.rxMsg.c_str());
    if (r.lock.locked)
        std::printf("  clock lock   at %.2f ns, bit %lld (clock edge %zu)\n", r.lockTime * 1e9,
                    static_cast<long long>(r.lockTime / bitTime), r.lock.edge);
    else
        std::printf("  clock lock   not locked (%zu clock edges)\n", m.primary->edges.size());
    std::printf("  jitter       TIE %.3f ps rms, %.3f ps pk-pk; period %.3f ps mean, %.3f ps std, "
                "%.0f ppm\n",
                r.clock.tieRms * 1e12, r.clock.tiePkPk * 1e12, r.clock.meanPeriod * 1e12, r.clock.periodStd * 1e12,
                r.clock.frequencyOffsetPpm);
    if (o.modulation.Multilevel())
        PrintMultilevel(in);
    else if (r.align.found)
        std::printf("  BER          %llu errors in %llu bits %s: %s%s (latency %lld bits%s)\n",
                    static_cast<unsigned long long>(r.errors.errors), static_cast<unsigned long long>(r.errors.compared),
                    r.scope.c_str(), r.errors.errors ? Num(ber, 4).c_str() : "0",
                    r.errors.errors ? "" : (" (< " + Num(berUpper, 3) + " at 95%)").c_str(),
                    static_cast<long long>(r.align.lag), r.align.inverted ? ", inverted" : "");
    else if (!r.decRx || r.decRx->decisions.empty())
        std::printf("  BER          n/a: no decisions (%s)\n",
                    m.primary->edges.empty() ? "the receiver returned no clock times"
                                           : "RX_Config 1 gives no data and the eye receiver is off");
    else
        std::printf("  BER          n/a: %s\n", r.align.why.c_str());
    if (o.rx.CTLEAdapt == 1)
        std::printf("  CTLE         setting %d after %d eye measurements of the receiver (%s%s)\n",
                    r.adapt.finalSetting, r.adapt.rows,
                    r.adapt.optimumEnded ? "adaptation settled" : "adaptation still running",
                    r.adapt.consistent ? "" : "; Adapt.txt does not follow the stepping rule");
    else
        std::printf("  CTLE         setting %d (fixed, EQ_Level)\n", o.rx.EQ_Level);
    if (o.modulation.Multilevel())
        ;  // each eye above
    else if (r.opening.valid && !(r.opening.height > 0.0))
        std::printf("  eye          closed at the decision instant: the ones' lowest trace lies %.1f mV below "
                    "the zeros' highest, %llu unit intervals\n",
                    -r.opening.height * 1e3, static_cast<unsigned long long>(r.eyeTraces));
    else if (r.opening.valid)
        std::printf("  eye          height %.1f mV at the decision instant (best %.1f mV at %+.3f UI), "
                    "width %.3f UI (%.2f ps), %llu unit intervals\n",
                    r.opening.height * 1e3, r.opening.bestHeight * 1e3, r.opening.bestOffsetUi, r.opening.widthUi,
                    r.opening.widthUi * bitTime * 1e12, static_cast<unsigned long long>(r.eyeTraces));
    else
        std::printf("  eye          n/a%s%s\n", eyeError.empty() ? "" : ": ", eyeError.c_str());
    PrintStatisticalEye(in);
    PrintStatisticalAtClock(sa);
    if (r.extrapolated.timingOk || r.extrapolated.amplitudeOk)
        std::printf("  extrapolated height %s, width %s at BER %s (bit-by-bit run: Q-scale fits of the "
                    "measured tails, %zu crossings, %zu decisions)\n",
                    ExtrapolatedHeightText(r.extrapolated).c_str(),
                    !r.extrapolated.timingOk      ? "n/a (too few crossings)"
                    : r.extrapolated.widthClosed ? "closed"
                                               : (Num(r.extrapolated.widthUi, 3) + " UI").c_str(),
                    Num(o.ber, 3).c_str(), r.dataJitter.crossings, r.sampledOnes.size() + r.sampledZeros.size());
    else
        std::printf("  extrapolated n/a: too few decisions and crossings %s\n", r.scope.c_str());
    if (r.dataJitter.Closed())
        std::printf("  data jitter  TJ closed at BER %s (the dual-Dirac fit gives %.4f UI, a unit interval or more: "
                    "DJ %.4f UI, RJ %.4f UI rms); PJ %.4f UI at %s MHz; DCD %.4f UI\n",
                    Num(o.ber, 3).c_str(), r.dataJitter.tjUi, r.dataJitter.djUi, r.dataJitter.rjUi, r.dataJitter.pjUi,
                    Num(r.dataJitter.pjFrequency / 1e6, 4).c_str(), r.dataJitter.dcdUi);
    else if (r.dataJitter.ok)
        std::printf("  data jitter  TJ %.4f UI at BER %s = DJ %.4f + %.2f x RJ %.4f UI rms (dual-Dirac, crossings "
                    "against the recovered clock); PJ %.4f UI at %s MHz; DCD %.4f UI\n",
                    r.dataJitter.tjUi, Num(o.ber, 3).c_str(), r.dataJitter.djUi, 2 * InverseNormalTail(o.ber),
                    r.dataJitter.rjUi, r.dataJitter.pjUi, Num(r.dataJitter.pjFrequency / 1e6, 4).c_str(), r.dataJitter.dcdUi);
    else
        std::printf("  data jitter  n/a: %s\n", r.dataJitter.why.c_str());
    if (!r.toneWarning.empty()) std::printf("  warning      %s\n", r.toneWarning.c_str());
    if (o.modulation.Multilevel())
        std::printf("  note         the extrapolated eye and the data jitter are those of the middle crossing (0 V)\n");
    if (o.jitter.Any()) {
        // The terms injected, from the command line and the transmitter's kit.
        std::string t;
        auto add = [&t](const char* format, double a, double b = 0.0) {
            char text[96];
            std::snprintf(text, sizeof text, format, a, b);
            t += (t.empty() ? "" : ", ") + std::string(text);
        };
        if (o.jitter.rjUi > 0.0) add("RJ %.4f UI rms", o.jitter.rjUi);
        if (o.jitter.sjUi > 0.0) add("SJ %.4f UI at %.4g MHz", o.jitter.sjUi, o.jitter.sjFrequency / 1e6);
        if (o.jitter.sj2Ui > 0.0) add("SJ %.4f UI at %.4g MHz", o.jitter.sj2Ui, o.jitter.sj2Frequency / 1e6);
        if (o.jitter.dcdUi != 0.0) add("DCD %.4f UI", o.jitter.dcdUi);
        if (o.jitter.djUi > 0.0) add("DJ +-%.4f UI (dual-Dirac)", o.jitter.djUi);
        std::printf("  tx jitter    injected %s\n", t.c_str());
    }
    for (const ReservedUse& u : o.reserved.uses)
        std::printf("  reserved     %s %s %s: %s%s\n", u.model.c_str(), u.name.c_str(), u.value.c_str(),
                    u.applied ? "applied, " : "not applied: ", u.how.c_str());
    std::printf("  throughput   %.3g samples/s, %.3g per processor second (processor time %.2f s: tx %.2f, "
                "channel %.2f, rx %.2f%s; wall %.2f s)\n",
                bb.loopSeconds > 0 ? samples / bb.loopSeconds : 0.0, bb.loopCpu > 0 ? samples / bb.loopCpu : 0.0, bb.loopCpu,
                bb.tx.cpu, bb.channel.cpu, rxCost.cpu,
                m.rxs.size() > 1 ? (", eye rx " + Num(probeCost.cpu, 3)).c_str() : "", bb.loopSeconds);
    std::printf("  outputs      %s", out.json.c_str());
    if (eyeError.empty()) std::printf(", %s", out.eye.c_str());
    if (clockError.empty()) std::printf(", %s", out.clock.c_str());
    if (sa.error.empty() && statPngError.empty()) std::printf(", %s", out.stat.c_str());
    if (bathtubPngError.empty()) std::printf(", %s", out.bathtub.c_str());
    for (const auto& [written, path] : {std::make_pair(pics.eyeCsv, &out.eyeCsv), std::make_pair(pics.statCsv, &out.statCsv),
                                        std::make_pair(pics.bathtubCsv, &out.bathtubCsv)})
        if (written) std::printf(", %s", path->c_str());
    if (!out.channelPng.empty() && ch.pngError.empty()) std::printf(", %s", out.channelPng.c_str());
    if (!o.impulseCsv.empty() && ch.impulseCsvError.empty()) std::printf(", %s", out.impulseCsv.c_str());
    std::printf("\n");
    if (!clockError.empty()) std::printf("  clock plot   %s\n", clockError.c_str());
    if (!ch.pngError.empty()) std::printf("  channel plot %s\n", ch.pngError.c_str());
    if (!ch.impulseCsvError.empty()) std::printf("  impulse csv  %s\n", ch.impulseCsvError.c_str());
}

}  // namespace linksim

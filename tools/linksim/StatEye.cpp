#include "linksim/StatEye.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace linksim {

namespace {

constexpr double kPi = 3.141592653589793;

// Adds half of `in`, shifted by +s and by -s bins (s fractional: each shift
// splits linearly between the two neighbouring bins), into out.
void SpreadTwoPoint(const std::vector<double>& in, double s, std::vector<double>& out)
{
    const int n = static_cast<int>(in.size());
    std::fill(out.begin(), out.end(), 0.0);
    for (const double shift : {s, -s}) {
        const double fl = std::floor(shift);
        const int i0 = static_cast<int>(fl);
        const double w1 = shift - fl, w0 = 1.0 - w1;
        for (int i = 0; i < n; ++i) {
            const double v = 0.5 * in[static_cast<size_t>(i)];
            if (v == 0.0) continue;
            const int j = i + i0;
            if (j >= 0 && j < n) out[static_cast<size_t>(j)] += w0 * v;
            if (j + 1 >= 0 && j + 1 < n) out[static_cast<size_t>(j + 1)] += w1 * v;
        }
    }
}

void Gaussian(std::vector<double>& pdf, double sigmaBins)
{
    if (!(sigmaBins > 0.05)) return;
    // Out to 12 sigma (Q(12) = 2e-33), so the contours far below 1e-15
    // still see the noise.
    const int half = static_cast<int>(std::ceil(12.0 * sigmaBins));
    std::vector<double> k(static_cast<size_t>(2 * half + 1));
    double sum = 0.0;
    for (int i = 0; i <= half; ++i) {
        // The mass of each bin, from the normal tail on the positive side
        // (accurate far out), mirrored.
        const double a = (i - 0.5) / sigmaBins, b = (i + 0.5) / sigmaBins;
        const double m = i == 0 ? 1.0 - 2.0 * NormalTail(b) : NormalTail(a) - NormalTail(b);
        k[static_cast<size_t>(half + i)] = k[static_cast<size_t>(half - i)] = m;
        sum += i == 0 ? m : 2.0 * m;
    }
    std::vector<double> out(pdf.size(), 0.0);
    const int n = static_cast<int>(pdf.size());
    for (int i = 0; i < n; ++i) {
        const double v = pdf[static_cast<size_t>(i)];
        if (v == 0.0) continue;
        for (int d = -half; d <= half; ++d) {
            const int j = i + d;
            if (j >= 0 && j < n) out[static_cast<size_t>(j)] += v * k[static_cast<size_t>(d + half)] / sum;
        }
    }
    pdf.swap(out);
}

// The bathtub of decisions against the receiver's sensitivity S (a one errs
// below +S, a zero above -S) is the bathtub at 0 V of the pulse whose main
// cursors (the unit interval around t0, which no phase's other cursors
// reach) are lowered by S / a: the same interference, each symbol S nearer
// the threshold. The contours move by S towards the middle.
void ApplySensitivity(StatEye& eye, std::vector<double> pulse, long t0, const StatEyeOptions& o)
{
    const int spb = eye.phases;
    const double s = o.sensitivityV, delta = s / o.amplitude;
    for (auto& level : eye.upper)
        for (double& v : level) v -= s;
    for (auto& level : eye.lower)
        for (double& v : level) v += s;
    for (int j = 0; j < spb; ++j) {
        const long at = t0 + (j - spb / 2);
        if (at >= 0 && at < static_cast<long>(pulse.size())) pulse[static_cast<size_t>(at)] -= delta;
    }
    StatEyeOptions lowered;
    lowered.amplitude = o.amplitude;
    lowered.noiseRms = o.noiseRms;
    lowered.bins = o.bins;
    const StatEye l = ComputeStatEye(pulse, spb, lowered);
    if (!l.inverted && std::fabs(l.mainCursor - (eye.mainCursor - delta)) <= 1e-9 * std::max(1.0, std::fabs(delta))) {
        eye.bathtub = l.bathtub;
        return;
    }
    // The lowered pulse peaks elsewhere (its main cursor is no longer its
    // largest: the sensitivity all but closes the eye): the bound from
    // above, the errors at 0 V plus every sample within +-S.
    const size_t nb = static_cast<size_t>(eye.bins);
    const double dv = (eye.vMax - eye.vMin) / eye.bins;
    for (int j = 0; j < spb; ++j) {
        double band = 0.0;
        for (size_t i = 0; i < nb; ++i) {
            const double v = eye.vMin + (static_cast<double>(i) + 0.5) * dv;
            if (std::fabs(v) < s) band += eye.density[static_cast<size_t>(j) * nb + i];
        }
        eye.bathtub[static_cast<size_t>(j)] = std::min(0.5, eye.bathtub[static_cast<size_t>(j)] + band);
    }
}

// density (on a grid of 1/sub sample) convolved with the points (offset in
// samples, weight); offsets beyond the grid land on its ends.
void ConvolvePoints(std::vector<double>& density, int sub, const std::vector<std::pair<double, double>>& points)
{
    const long n = static_cast<long>(density.size());
    std::vector<double> out(density.size(), 0.0);
    for (const auto& [offset, weight] : points) {
        // Beyond the grid every point lands on its ends anyway.
        const double shift = std::clamp(offset * sub, -static_cast<double>(n), static_cast<double>(n));
        const double fl = std::floor(shift);
        const long i0 = static_cast<long>(fl);
        const double w1 = (shift - fl) * weight, w0 = weight - w1;
        for (long i = 0; i < n; ++i) {
            const double v = density[static_cast<size_t>(i)];
            if (v == 0.0) continue;
            out[static_cast<size_t>(std::clamp(i + i0, 0L, n - 1))] += w0 * v;
            out[static_cast<size_t>(std::clamp(i + i0 + 1, 0L, n - 1))] += w1 * v;
        }
    }
    density.swap(out);
}

// The arcsine density of a tone of amplitude a (samples), as 64 points.
std::vector<std::pair<double, double>> TonePoints(double a)
{
    std::vector<std::pair<double, double>> p;
    for (int k = 0; k < 64; ++k) p.emplace_back(a * std::sin(2.0 * kPi * (k + 0.5) / 64), 1.0 / 64);
    return p;
}

}  // namespace

void AverageBathtubOverJitter(std::vector<double>& bathtub, int spb, const StatEyeOptions& o)
{
    const bool clock = !o.clockOffsetUi.empty() && o.clockOffsetUi.size() == o.clockWeight.size();
    const double sigma = std::sqrt(o.rjUi * o.rjUi + o.clockSigmaUi * o.clockSigmaUi) * spb;  // samples
    if (!(sigma > 0.0 || o.sjUi != 0.0 || o.sj2Ui != 0.0 || o.dcdUi != 0.0 || o.djUi != 0.0 || clock)) return;
    // The deterministic terms' density on a grid of 1/16 sample over +-2 UI,
    // each convolved in turn, then the random part's Gaussian per sample.
    const int half = spb * 2, sub = 16;
    std::vector<double> det(static_cast<size_t>(2 * half * sub + 1), 0.0);
    det[static_cast<size_t>(half * sub)] = 1.0;
    // Each term is symmetric: its sign does not matter.
    if (o.sjUi != 0.0) ConvolvePoints(det, sub, TonePoints(o.sjUi * spb));
    if (o.sj2Ui != 0.0) ConvolvePoints(det, sub, TonePoints(o.sj2Ui * spb));
    if (o.dcdUi != 0.0) ConvolvePoints(det, sub, {{-0.5 * o.dcdUi * spb, 0.5}, {0.5 * o.dcdUi * spb, 0.5}});
    if (o.djUi != 0.0) ConvolvePoints(det, sub, {{-o.djUi * spb, 0.5}, {o.djUi * spb, 0.5}});
    if (clock) {
        std::vector<std::pair<double, double>> p;
        // A late clock (a positive offset) samples phase j at j + offset.
        for (size_t i = 0; i < o.clockOffsetUi.size(); ++i) p.emplace_back(-o.clockOffsetUi[i] * spb, o.clockWeight[i]);
        ConvolvePoints(det, sub, p);
    }
    std::vector<double> jit(static_cast<size_t>(2 * half + 1), 0.0);
    for (size_t c = 0; c < det.size(); ++c) {
        if (det[c] == 0.0) continue;
        const double centre = (static_cast<double>(c) - half * sub) / sub;
        if (!(sigma > 0.0)) {
            const long d = std::clamp(static_cast<long>(std::floor(centre + 0.5)), -static_cast<long>(half),
                                      static_cast<long>(half));
            jit[static_cast<size_t>(d + half)] += det[c];
            continue;
        }
        const double h = half;
        const int lo = static_cast<int>(std::clamp(std::floor(centre - 12.0 * sigma), -h, h));
        const int hi = static_cast<int>(std::clamp(std::ceil(centre + 12.0 * sigma), -h, h));
        for (int d = lo; d <= hi; ++d)
            jit[static_cast<size_t>(d + half)] +=
                det[c] * (NormalTail((d - 0.5 - centre) / sigma) - NormalTail((d + 0.5 - centre) / sigma));
    }
    double sum = 0.0;
    for (double w : jit) sum += w;
    if (!(sum > 0.0)) return;
    std::vector<double> out(bathtub.size(), 0.0);
    for (int j = 0; j < spb; ++j)
        for (int d = -half; d <= half; ++d) {
            // Beyond the unit interval the sample decides the neighbouring
            // bit: wrong half of the time.
            const int k = j - d;
            const double ber = k >= 0 && k < spb ? bathtub[static_cast<size_t>(k)] : 0.5;
            out[static_cast<size_t>(j)] += jit[static_cast<size_t>(d + half)] / sum * ber;
        }
    bathtub.swap(out);
}

double NormalTail(double x) { return 0.5 * std::erfc(x / std::sqrt(2.0)); }

double InverseNormalTail(double p)
{
    if (!(p > 0.0)) return INFINITY;
    if (!(p < 1.0)) return -INFINITY;
    // Start from a rational approximation, then Newton steps on log Q,
    // which stay accurate far into the tail.
    double x = p < 0.5 ? std::sqrt(-2.0 * std::log(p)) : -std::sqrt(-2.0 * std::log(1.0 - p));
    x = p < 0.5 ? x - (2.515517 + 0.802853 * x + 0.010328 * x * x) /
                          (1.0 + 1.432788 * x + 0.189269 * x * x + 0.001308 * x * x * x)
                : x + (2.515517 - 0.802853 * x + 0.010328 * x * x) /
                          (1.0 - 1.432788 * x + 0.189269 * x * x - 0.001308 * x * x * x);
    for (int i = 0; i < 50; ++i) {
        const double q = NormalTail(x);
        const double pdf = std::exp(-0.5 * x * x) / std::sqrt(2.0 * kPi);
        if (!(q > 0.0) || !(pdf > 0.0)) break;
        const double step = (std::log(q) - std::log(p)) * q / pdf;  // d(log Q)/dx = -pdf/Q
        x += step;
        if (std::fabs(step) < 1e-13 * std::max(1.0, std::fabs(x))) break;
    }
    return x;
}

std::vector<double> PulseFromStep(const std::vector<double>& step, int spb)
{
    std::vector<double> p(step.size());
    for (size_t i = 0; i < step.size(); ++i)
        p[i] = step[i] - (i >= static_cast<size_t>(spb) ? step[i - static_cast<size_t>(spb)] : 0.0);
    return p;
}

StatEye ComputeStatEye(const std::vector<double>& pulseIn, int spb, const StatEyeOptions& o)
{
    if (pulseIn.empty() || spb < 1) throw std::invalid_argument("the statistical eye needs a pulse response");
    StatEye eye;
    // A link that inverts: decisions are taken inverted, as the bit-by-bit
    // alignment finds, so the eye is that of the negated pulse.
    std::vector<double> pulse = pulseIn;
    {
        size_t at = 0;
        for (size_t i = 0; i < pulse.size(); ++i)
            if (std::fabs(pulse[i]) > std::fabs(pulse[at])) at = i;
        if (pulse[at] < 0.0) {
            eye.inverted = true;
            for (double& v : pulse) v = -v;
        }
    }
    eye.phases = spb;
    eye.bins = std::max(65, o.bins | 1);
    // t0: the peak, or the middle of a flat top.
    size_t peak = 0;
    for (size_t i = 0; i < pulse.size(); ++i)
        if (std::fabs(pulse[i]) > std::fabs(pulse[peak])) peak = i;
    size_t topEnd = peak;
    while (topEnd + 1 < pulse.size() && std::fabs(pulse[topEnd + 1]) >= (1.0 - 1e-9) * std::fabs(pulse[peak])) ++topEnd;
    const long t0 = static_cast<long>((peak + topEnd + 1) / 2);
    const long len = static_cast<long>(pulse.size());
    auto cursorsAt = [&](int j, std::vector<double>& c, double& main) {
        c.clear();
        const long at = t0 + (j - spb / 2);
        main = at >= 0 && at < len ? pulse[static_cast<size_t>(at)] : 0.0;
        for (long i = at - spb; i >= 0; i -= spb) c.push_back(pulse[static_cast<size_t>(i)]);
        for (long i = at + spb; i < len; i += spb) c.push_back(pulse[static_cast<size_t>(i)]);
    };
    // The voltage span: the largest sum of |cursors| over the phases.
    double span = 0.0;
    std::vector<double> c;
    double main = 0.0;
    for (int j = 0; j < spb; ++j) {
        cursorsAt(j, c, main);
        double s = std::fabs(main);
        for (double v : c) s += std::fabs(v);
        span = std::max(span, o.amplitude * s);
    }
    span = 1.05 * span + 6.0 * o.noiseRms + 1e-9;
    eye.vMin = -span;
    eye.vMax = span;
    const double dv = 2.0 * span / eye.bins;
    const size_t nb = static_cast<size_t>(eye.bins);
    eye.contourBers = {1e-3, 1e-6, 1e-9, 1e-12, 1e-15};
    eye.upper.assign(eye.contourBers.size(), std::vector<double>(static_cast<size_t>(spb), 0.0));
    eye.lower = eye.upper;
    eye.density.assign(static_cast<size_t>(spb) * nb, 0.0);
    eye.bathtub.assign(static_cast<size_t>(spb), 0.0);

    std::vector<double> isi(nb), tmp(nb), one(nb), zero(nb);
    for (int j = 0; j < spb; ++j) {
        cursorsAt(j, c, main);
        if (j == spb / 2) eye.mainCursor = main;
        std::fill(isi.begin(), isi.end(), 0.0);
        isi[nb / 2] = 1.0;
        double smallVar = o.noiseRms * o.noiseRms;
        for (double ck : c) {
            const double s = o.amplitude * ck / dv;
            if (std::fabs(s) < 0.25) {
                smallVar += (o.amplitude * ck) * (o.amplitude * ck);
                continue;
            }
            SpreadTwoPoint(isi, s, tmp);
            isi.swap(tmp);
        }
        Gaussian(isi, std::sqrt(smallVar) / dv);
        // One and zero: the interference shifted by +-a c_0.
        const double m = o.amplitude * main / dv;
        auto shifted = [&](double s, std::vector<double>& out) {
            std::fill(out.begin(), out.end(), 0.0);
            const double fl = std::floor(s);
            const long i0 = static_cast<long>(fl);
            const double w1 = s - fl, w0 = 1.0 - w1;
            for (long i = 0; i < static_cast<long>(nb); ++i) {
                const long k = i + i0;
                if (k >= 0 && k < static_cast<long>(nb)) out[static_cast<size_t>(k)] += w0 * isi[static_cast<size_t>(i)];
                if (k + 1 >= 0 && k + 1 < static_cast<long>(nb)) out[static_cast<size_t>(k + 1)] += w1 * isi[static_cast<size_t>(i)];
            }
        };
        shifted(m, one);
        shifted(-m, zero);
        for (size_t i = 0; i < nb; ++i) eye.density[static_cast<size_t>(j) * nb + i] = 0.5 * (one[i] + zero[i]);
        // Errors at threshold 0: ones below, zeros above (the bin holding
        // 0 V is split in half).
        double p1 = 0.0, p0 = 0.0;
        for (size_t i = 0; i < nb / 2; ++i) {
            p1 += one[i];
            p0 += zero[nb - 1 - i];
        }
        p1 += 0.5 * one[nb / 2];
        p0 += 0.5 * zero[nb / 2];
        eye.bathtub[static_cast<size_t>(j)] = 0.5 * (p1 + p0);
        // Contours: scan the cumulative probability of a one from below and
        // of a zero from above, interpolating within the bin.
        for (size_t l = 0; l < eye.contourBers.size(); ++l) {
            const double target = 2.0 * eye.contourBers[l];
            auto edge = [&](const std::vector<double>& pdf, bool fromBelow) {
                double acc = 0.0;
                for (size_t k = 0; k < nb; ++k) {
                    const size_t i = fromBelow ? k : nb - 1 - k;
                    if (acc + pdf[i] >= target) {
                        const double f = pdf[i] > 0 ? (target - acc) / pdf[i] : 0.0;
                        const double lo = eye.vMin + static_cast<double>(i) * dv;
                        return fromBelow ? lo + f * dv : lo + (1.0 - f) * dv;
                    }
                    acc += pdf[i];
                }
                return fromBelow ? eye.vMax : eye.vMin;
            };
            eye.upper[l][static_cast<size_t>(j)] = edge(one, true);
            eye.lower[l][static_cast<size_t>(j)] = edge(zero, false);
        }
    }

    if (o.sensitivityV > 0.0) ApplySensitivity(eye, pulse, t0, o);
    AverageBathtubOverJitter(eye.bathtub, spb, o);
    return eye;
}

double StatEye::HeightAt(double ber, bool bestPhase) const
{
    size_t l = 0;
    while (l + 1 < contourBers.size() && contourBers[l] > ber * 1.0000001) ++l;
    if (upper.empty()) return 0.0;
    if (!bestPhase) return upper[l][static_cast<size_t>(phases / 2)] - lower[l][static_cast<size_t>(phases / 2)];
    double best = -INFINITY;
    for (int j = 0; j < phases; ++j)
        best = std::max(best, upper[l][static_cast<size_t>(j)] - lower[l][static_cast<size_t>(j)]);
    return best;
}

double StatEye::WidthAt(double ber) const
{
    size_t l = 0;
    while (l + 1 < contourBers.size() && contourBers[l] > ber * 1.0000001) ++l;
    if (upper.empty()) return 0.0;
    const int c = phases / 2;
    auto open = [&](int j) { return upper[l][static_cast<size_t>(j)] > lower[l][static_cast<size_t>(j)]; };
    if (!open(c)) return 0.0;
    int a = c, b = c;
    while (a > 0 && open(a - 1)) --a;
    while (b + 1 < phases && open(b + 1)) ++b;
    return static_cast<double>(b - a + 1) / phases;
}

double StatEye::BathtubWidthAt(double ber) const
{
    const int c = phases / 2;
    if (bathtub.empty() || !(bathtub[static_cast<size_t>(c)] < ber)) return 0.0;
    int a = c, b = c;
    while (a > 0 && bathtub[static_cast<size_t>(a - 1)] < ber) --a;
    while (b + 1 < phases && bathtub[static_cast<size_t>(b + 1)] < ber) ++b;
    return static_cast<double>(b - a + 1) / phases;
}

}  // namespace linksim

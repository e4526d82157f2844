#include "linksim/StatEye.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace linksim {

namespace {

constexpr double kPi = 3.141592653589793;

// Adds in / n, shifted by u_s x bins for each level u_s = -1 + 2s/(n - 1),
// into out (each shift splits linearly between the two neighbouring
// bins). The levels are taken from the top, so NRZ adds +x, then -x.
void SpreadLevels(const std::vector<double>& in, double x, const std::vector<double>& units, std::vector<double>& out)
{
    const int n = static_cast<int>(in.size());
    const double weight = 1.0 / static_cast<double>(units.size());
    std::fill(out.begin(), out.end(), 0.0);
    for (size_t l = units.size(); l-- > 0;) {
        const double shift = units[l] * x;
        const double fl = std::floor(shift);
        const int i0 = static_cast<int>(fl);
        const double w1 = shift - fl, w0 = 1.0 - w1;
        for (int i = 0; i < n; ++i) {
            const double v = weight * in[static_cast<size_t>(i)];
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

// pdf convolved with a uniform density over +-half bins: each bin's
// mass spread over the bins that interval covers, in proportion.
void Uniform(std::vector<double>& pdf, double half)
{
    if (!(half > 0.05)) return;
    const long n = static_cast<long>(pdf.size());
    const long reach = static_cast<long>(std::ceil(half + 0.5));
    // The weight of bin offset d: the length of [d - 1/2, d + 1/2] within
    // [-half, half], over 2 half.
    std::vector<double> w(static_cast<size_t>(2 * reach + 1));
    for (long d = -reach; d <= reach; ++d)
        w[static_cast<size_t>(d + reach)] =
            std::max(0.0, std::min(half, d + 0.5) - std::max(-half, d - 0.5)) / (2.0 * half);
    std::vector<double> out(pdf.size(), 0.0);
    for (long i = 0; i < n; ++i) {
        const double v = pdf[static_cast<size_t>(i)];
        if (v == 0.0) continue;
        for (long d = -reach; d <= reach; ++d) {
            const long j = i + d;
            if (j >= 0 && j < n) out[static_cast<size_t>(j)] += v * w[static_cast<size_t>(d + reach)];
        }
    }
    pdf.swap(out);
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

namespace {

// The pulse with its polarity made positive, its reference instant t0 (the
// peak, or the middle of a flat top) and the cursors at each phase.
struct Cursors {
    std::vector<double> pulse;
    long t0 = 0;
    int spb = 1;
    bool inverted = false;

    Cursors(const std::vector<double>& in, int samplesPerBit, long reference) : pulse(in), spb(samplesPerBit)
    {
        size_t peak = 0;
        for (size_t i = 0; i < pulse.size(); ++i)
            if (std::fabs(pulse[i]) > std::fabs(pulse[peak])) peak = i;
        // A link that inverts: decisions are taken inverted, as the
        // bit-by-bit alignment finds, so the eye is that of the negated pulse.
        if (pulse[peak] < 0.0) {
            inverted = true;
            for (double& v : pulse) v = -v;
        }
        size_t topEnd = peak;
        while (topEnd + 1 < pulse.size() && std::fabs(pulse[topEnd + 1]) >= (1.0 - 1e-9) * std::fabs(pulse[peak]))
            ++topEnd;
        t0 = reference >= 0 && reference < static_cast<long>(pulse.size()) ? reference
                                                                            : static_cast<long>((peak + topEnd + 1) / 2);
    }
    // Phase j's main cursor, and the others in c.
    double At(int j, std::vector<double>& c) const
    {
        const long len = static_cast<long>(pulse.size());
        c.clear();
        const long at = t0 + (j - spb / 2);
        for (long i = at - spb; i >= 0; i -= spb) c.push_back(pulse[static_cast<size_t>(i)]);
        for (long i = at + spb; i < len; i += spb) c.push_back(pulse[static_cast<size_t>(i)]);
        return at >= 0 && at < len ? pulse[static_cast<size_t>(at)] : 0.0;
    }
    // The largest sum of |cursors| over the phases.
    double Span() const
    {
        double span = 0.0;
        std::vector<double> c;
        for (int j = 0; j < spb; ++j) {
            double s = std::fabs(At(j, c));
            for (double v : c) s += std::fabs(v);
            span = std::max(span, s);
        }
        return span;
    }
};

// in shifted by s bins (fractional: split between the two neighbours).
void Shift(const std::vector<double>& in, double s, std::vector<double>& out)
{
    const long nb = static_cast<long>(in.size());
    std::fill(out.begin(), out.end(), 0.0);
    const double fl = std::floor(s);
    const long i0 = static_cast<long>(fl);
    const double w1 = s - fl, w0 = 1.0 - w1;
    for (long i = 0; i < nb; ++i) {
        const long k = i + i0;
        if (k >= 0 && k < nb) out[static_cast<size_t>(k)] += w0 * in[static_cast<size_t>(i)];
        if (k + 1 >= 0 && k + 1 < nb) out[static_cast<size_t>(k + 1)] += w1 * in[static_cast<size_t>(i)];
    }
}

// Probability below (or above) position pos, in bins from the bottom edge:
// whole bins plus the fraction of the bin that holds it. Above is summed
// from the top down.
double MassBelow(const std::vector<double>& pdf, double pos)
{
    const long nb = static_cast<long>(pdf.size());
    const long b = static_cast<long>(std::floor(pos));
    double p = 0.0;
    for (long i = 0; i < std::min(b, nb); ++i) p += pdf[static_cast<size_t>(i)];
    if (b >= 0 && b < nb) p += (pos - static_cast<double>(b)) * pdf[static_cast<size_t>(b)];
    return p;
}
double MassAbove(const std::vector<double>& pdf, double pos)
{
    const long nb = static_cast<long>(pdf.size());
    const long b = static_cast<long>(std::floor(pos));
    double p = 0.0;
    for (long i = nb - 1; i > std::max(b, -1L); --i) p += pdf[static_cast<size_t>(i)];
    if (b >= 0 && b < nb) p += (static_cast<double>(b + 1) - pos) * pdf[static_cast<size_t>(b)];
    return p;
}

// The voltage where the cumulative probability of pdf reaches target,
// scanning from below (or from above), interpolated within the bin.
double EdgeAt(const std::vector<double>& pdf, bool fromBelow, double target, double vMin, double vMax, double dv)
{
    const size_t nb = pdf.size();
    double acc = 0.0;
    for (size_t k = 0; k < nb; ++k) {
        const size_t i = fromBelow ? k : nb - 1 - k;
        if (acc + pdf[i] >= target) {
            const double f = pdf[i] > 0 ? (target - acc) / pdf[i] : 0.0;
            const double lo = vMin + static_cast<double>(i) * dv;
            return fromBelow ? lo + f * dv : lo + (1.0 - f) * dv;
        }
        acc += pdf[i];
    }
    return fromBelow ? vMax : vMin;
}

}  // namespace

StatEye ComputeStatEye(const std::vector<double>& pulseIn, int spb, const StatEyeOptions& o)
{
    if (pulseIn.empty() || spb < 1) throw std::invalid_argument("the statistical eye needs a pulse response");
    const int n = o.levels;
    if (n < 2 || n > 16) throw std::invalid_argument("the statistical eye takes 2 to 16 levels");
    if (!o.thresholds.empty() && o.thresholds.size() != static_cast<size_t>(n - 1))
        throw std::invalid_argument("the statistical eye needs one threshold between each two levels");
    StatEye eye;
    const Cursors cur(pulseIn, spb, o.reference);
    eye.inverted = cur.inverted;
    eye.t0 = cur.t0;
    eye.phases = spb;
    eye.levels = n;
    // Several levels: finer bins in proportion (up to 4097), as each eye is
    // that much smaller than the swing.
    eye.bins = std::max(65, o.bins | 1);
    if (n > 2) eye.bins = std::max(eye.bins, std::min(4097, (o.bins * (n - 1)) | 1));
    const double span = 1.05 * (o.amplitude * cur.Span()) + 6.0 * o.noiseRms + o.uniformNoise + 1e-9;
    eye.vMin = -span;
    eye.vMax = span;
    const double dv = 2.0 * span / eye.bins;
    const size_t nb = static_cast<size_t>(eye.bins);
    // u_s; the ends are exactly -1 and +1.
    std::vector<double> units(static_cast<size_t>(n));
    for (int s = 0; s < n; ++s) units[static_cast<size_t>(s)] = s == n - 1 ? 1.0 : -1.0 + 2.0 * s / (n - 1);
    // The variance of a u_s c_k over the symbols is (a c_k)^2 (n + 1) / (3 (n - 1)).
    const double smallScale = n == 2 ? 1.0 : (n + 1.0) / (3.0 * (n - 1.0));
    eye.contourBers = {1e-3, 1e-6, 1e-9, 1e-12, 1e-15};
    eye.thresholdsGiven = !o.thresholds.empty();
    eye.eyes.resize(static_cast<size_t>(n - 1));
    for (StatEyeOpening& e : eye.eyes) {
        e.upper.assign(eye.contourBers.size(), std::vector<double>(static_cast<size_t>(spb), 0.0));
        e.lower = e.upper;
        e.bathtub.assign(static_cast<size_t>(spb), 0.0);
    }
    eye.density.assign(static_cast<size_t>(spb) * nb, 0.0);

    std::vector<double> isi(nb), tmp(nb), c;
    eye.mainCursor = cur.At(spb / 2, c);
    // Given thresholds of a link that inverts are mirrored, as its samples
    // are; else each eye decides midway between its two symbols' levels.
    for (int e = 0; e + 1 < n; ++e)
        eye.eyes[static_cast<size_t>(e)].threshold =
            !eye.thresholdsGiven ? 0.5 * o.amplitude * eye.mainCursor * (units[static_cast<size_t>(e)] + units[static_cast<size_t>(e + 1)])
            : eye.inverted       ? -o.thresholds[static_cast<size_t>(n - 2 - e)]
                                 : o.thresholds[static_cast<size_t>(e)];
    std::vector<std::vector<double>> sym(static_cast<size_t>(n), std::vector<double>(nb));
    for (int j = 0; j < spb; ++j) {
        const double main = cur.At(j, c);
        std::fill(isi.begin(), isi.end(), 0.0);
        isi[nb / 2] = 1.0;
        double smallVar = o.noiseRms * o.noiseRms;
        for (double ck : c) {
            const double s = o.amplitude * ck / dv;
            if (std::fabs(s) < 0.25) {
                smallVar += (o.amplitude * ck) * (o.amplitude * ck) * smallScale;
                continue;
            }
            SpreadLevels(isi, s, units, tmp);
            isi.swap(tmp);
        }
        Gaussian(isi, std::sqrt(smallVar) / dv);
        Uniform(isi, o.uniformNoise / dv);
        // Each symbol: the interference shifted by a u_s c_0.
        const double m = o.amplitude * main / dv;
        for (int s = 0; s < n; ++s) Shift(isi, units[static_cast<size_t>(s)] * m, sym[static_cast<size_t>(s)]);
        for (size_t i = 0; i < nb; ++i) {
            double sum = 0.0;
            for (int s = 0; s < n; ++s) sum += sym[static_cast<size_t>(s)][i];
            eye.density[static_cast<size_t>(j) * nb + i] = sum / n;
        }
        for (int e = 0; e + 1 < n; ++e) {
            StatEyeOpening& op = eye.eyes[static_cast<size_t>(e)];
            const std::vector<double>& lo = sym[static_cast<size_t>(e)];
            const std::vector<double>& up = sym[static_cast<size_t>(e + 1)];
            // Errors at the threshold: the upper symbol below it, the lower
            // above it (0 V is the middle of the centre bin exactly). With
            // the receiver's sensitivity S the upper symbol must clear the
            // threshold by S and the lower stay S below it: the errors are
            // counted at th + S and th - S, and the contours move in by S.
            const double pos = op.threshold == 0.0 ? 0.5 * static_cast<double>(nb) : (op.threshold - eye.vMin) / dv;
            const double sens = o.sensitivityV > 0.0 ? o.sensitivityV : 0.0;
            const double upPos = sens > 0.0 ? pos + sens / dv : pos, loPos = sens > 0.0 ? pos - sens / dv : pos;
            op.bathtub[static_cast<size_t>(j)] = 0.5 * (MassBelow(up, upPos) + MassAbove(lo, loPos));
            for (size_t l = 0; l < eye.contourBers.size(); ++l) {
                const double target = 2.0 * eye.contourBers[l];
                op.upper[l][static_cast<size_t>(j)] = EdgeAt(up, true, target, eye.vMin, eye.vMax, dv) - sens;
                op.lower[l][static_cast<size_t>(j)] = EdgeAt(lo, false, target, eye.vMin, eye.vMax, dv) + sens;
            }
        }
    }
    for (StatEyeOpening& e : eye.eyes) AverageBathtubOverJitter(e.bathtub, spb, o);
    return eye;
}

namespace {

size_t ContourIndex(const std::vector<double>& bers, double ber)
{
    size_t l = 0;
    while (l + 1 < bers.size() && bers[l] > ber * 1.0000001) ++l;
    return l;
}

}  // namespace

double StatEye::HeightAt(double ber, bool bestPhase, size_t e) const
{
    if (e >= eyes.size() || eyes[e].upper.empty()) return 0.0;
    const size_t l = ContourIndex(contourBers, ber);
    const auto& up = eyes[e].upper[l];
    const auto& lo = eyes[e].lower[l];
    if (!bestPhase) return up[static_cast<size_t>(phases / 2)] - lo[static_cast<size_t>(phases / 2)];
    double best = -INFINITY;
    for (int j = 0; j < phases; ++j) best = std::max(best, up[static_cast<size_t>(j)] - lo[static_cast<size_t>(j)]);
    return best;
}

double StatEye::WidthAt(double ber, size_t e) const
{
    if (e >= eyes.size() || eyes[e].upper.empty()) return 0.0;
    const size_t l = ContourIndex(contourBers, ber);
    const int c = phases / 2;
    auto open = [&](int j) { return eyes[e].upper[l][static_cast<size_t>(j)] > eyes[e].lower[l][static_cast<size_t>(j)]; };
    if (!open(c)) return 0.0;
    int a = c, b = c;
    while (a > 0 && open(a - 1)) --a;
    while (b + 1 < phases && open(b + 1)) ++b;
    return static_cast<double>(b - a + 1) / phases;
}

double StatEye::BathtubWidthAt(double ber, size_t e) const
{
    const int c = phases / 2;
    if (e >= eyes.size()) return 0.0;
    const std::vector<double>& tub = eyes[e].bathtub;
    if (tub.empty() || !(tub[static_cast<size_t>(c)] < ber)) return 0.0;
    int a = c, b = c;
    while (a > 0 && tub[static_cast<size_t>(a - 1)] < ber) --a;
    while (b + 1 < phases && tub[static_cast<size_t>(b + 1)] < ber) ++b;
    return static_cast<double>(b - a + 1) / phases;
}

double StatEye::CentreBer(size_t e) const
{
    if (e >= eyes.size() || eyes[e].bathtub.empty()) return NAN;
    return eyes[e].bathtub[static_cast<size_t>(phases / 2)];
}

}  // namespace linksim

#include "linksim/Jitter.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

#include "linksim/StatEye.h"

namespace linksim {

namespace {

constexpr double kPi = 3.141592653589793;

uint64_t SplitMix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

double Uniform(uint64_t x) { return (static_cast<double>(SplitMix(x) >> 11) + 0.5) / 9007199254740992.0; }

}  // namespace

double JitterSpec::EdgeOffset(int64_t n, bool rising, double bitTime) const
{
    double d = 0.0;
    if (rjUi != 0.0) {
        // Box-Muller on two uniforms drawn from (seed, n).
        const uint64_t key = SplitMix(seed) ^ static_cast<uint64_t>(n) * 2;
        const double u1 = Uniform(key), u2 = Uniform(key + 1);
        d += rjUi * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
    }
    if (sjUi != 0.0) d += sjUi * std::sin(2.0 * kPi * sjFrequency * static_cast<double>(n) * bitTime);
    if (sj2Ui != 0.0) d += sj2Ui * std::sin(2.0 * kPi * sj2Frequency * static_cast<double>(n) * bitTime);
    d += (rising ? 0.5 : -0.5) * dcdUi;
    // The side of the bounded jitter: one bit of a draw of its own from (seed, n).
    if (djUi != 0.0) d += (SplitMix(SplitMix(seed ^ 0xD1D1D1D1ULL) + static_cast<uint64_t>(n)) >> 63) ? djUi : -djUi;
    return std::clamp(d, -0.45, 0.45);
}

void FillJitteredNrz(const JitterSpec& jitter, const std::vector<uint8_t>& bits, int64_t first, size_t count, int spb,
                     double bitTime, double* out)
{
    static const double kNrz[2] = {-0.5, 0.5};
    FillJitteredSymbols(jitter, bits, kNrz, first, count, spb, bitTime, out);
}

void FillJitteredSymbols(const JitterSpec& jitter, const std::vector<uint8_t>& bits, const double* levels,
                         int64_t first, size_t count, int spb, double bitTime, double* out)
{
    const int64_t total = static_cast<int64_t>(bits.size());
    auto level = [&](int64_t b) { return levels[bits[static_cast<size_t>(std::clamp<int64_t>(b, 0, total - 1))]]; };
    // Edge positions (samples) of boundaries first-2 .. first+count+2; a
    // boundary without a transition has no edge (step 0 below).
    const int64_t n0 = first - 2;
    std::vector<double> edge(count + 5), step(count + 5);
    for (size_t i = 0; i < edge.size(); ++i) {
        const int64_t n = n0 + static_cast<int64_t>(i);
        edge[i] = static_cast<double>(n) * spb;
        step[i] = 0.0;
        if (n >= 1 && n < total && bits[static_cast<size_t>(n - 1)] != bits[static_cast<size_t>(n)]) {
            edge[i] += jitter.EdgeOffset(n, bits[static_cast<size_t>(n)] > bits[static_cast<size_t>(n - 1)], bitTime) * spb;
            step[i] = level(n) - level(n - 1);
        }
    }
    // Sample s is the waveform at time s + 1/2 (samples); each edge is a
    // straight ramp two samples long centred on its time, so that at least
    // two samples lie on it and the crossing time survives the sampling.
    for (size_t i = 0; i < count * static_cast<size_t>(spb); ++i) {
        const int64_t s = first * spb + static_cast<int64_t>(i);
        const int64_t b = s / spb;
        double v = level(b - 2);
        for (int64_t n = b - 1; n <= b + 2; ++n) {
            const size_t k = static_cast<size_t>(n - n0);
            if (step[k] == 0.0) continue;
            const double r = std::clamp((static_cast<double>(s) + 0.5 - edge[k]) / 2.0 + 0.5, 0.0, 1.0);
            v += step[k] * r;
        }
        out[i] = v;
    }
}

TailFit FitTail(std::vector<double> values, bool lower)
{
    TailFit f;
    const size_t n = values.size();
    if (n < 50) return f;
    std::sort(values.begin(), values.end());
    // Points of the tail: empirical probability from 5/N up to 0.02 (the
    // far tail: a bounded distribution of inter-symbol interference bends
    // away from a Gaussian nearer its middle).
    double sq = 0, sx = 0, sqq = 0, sqx = 0;
    size_t m = 0;
    for (size_t i = 0; i < n; ++i) {
        const double p = (static_cast<double>(i) + 0.5) / static_cast<double>(n);
        if (p < 5.0 / static_cast<double>(n) || p > 0.02) continue;
        const double q = InverseNormalTail(p);               // > 0
        const double x = lower ? values[i] : values[n - 1 - i];
        const double qs = lower ? -q : q;                    // x = mean + sigma * qs
        sq += qs;
        sx += x;
        sqq += qs * qs;
        sqx += qs * x;
        ++m;
    }
    if (m < 5) return f;
    const double den = static_cast<double>(m) * sqq - sq * sq;
    if (!(den > 0.0)) return f;
    f.sigma = std::max(0.0, (static_cast<double>(m) * sqx - sq * sx) / den);
    f.mean = (sx - f.sigma * sq) / static_cast<double>(m);
    f.points = m;
    f.ok = true;
    return f;
}

Crossings FindCrossings(const float* w, size_t n, int64_t base, const std::vector<double>& centres,
                        const std::vector<double>& periods, double dt)
{
    Crossings c;
    auto at = [&](int64_t s) { return static_cast<double>(w[static_cast<size_t>(s - base)]); };
    const int64_t end = base + static_cast<int64_t>(n);
    for (size_t k = 0; k + 1 < centres.size(); ++k) {
        const int64_t a = static_cast<int64_t>(std::ceil(centres[k]));
        const int64_t b = static_cast<int64_t>(std::floor(centres[k + 1]));
        if (a < base || b >= end || b <= a) continue;
        ++c.boundaries;
        // The crossing nearest the midpoint, if the sign changes.
        const double mid = 0.5 * (centres[k] + centres[k + 1]);
        double best = NAN;
        bool rising = false;
        for (int64_t s = a; s < b; ++s) {
            const double y0 = at(s), y1 = at(s + 1);
            if ((y0 < 0.0) == (y1 < 0.0)) continue;
            // Sample s stands for the time s + 1/2 (the middle of its span).
            const double t = static_cast<double>(s) + 0.5 + y0 / (y0 - y1);
            if (std::isnan(best) || std::fabs(t - mid) < std::fabs(best - mid)) {
                best = t;
                rising = y1 > y0;
            }
        }
        if (std::isnan(best)) continue;
        const double period = 0.5 * (periods[k] + periods[k + 1]);
        c.offsetUi.push_back((best - mid) / period);
        c.rising.push_back(rising ? 1 : 0);
        c.timeS.push_back(best * dt);
    }
    return c;
}

JitterFigures MeasureJitter(const Crossings& c, double bitTime, double ber)
{
    JitterFigures j;
    j.ber = ber;
    j.crossings = c.offsetUi.size();
    if (j.crossings < 100) {
        j.why = "fewer than 100 data crossings";
        return j;
    }
    j.transitionDensity = c.boundaries ? static_cast<double>(j.crossings) / c.boundaries : 0.0;
    double s = 0, ss = 0, sr = 0, sf = 0;
    size_t nr = 0, nf = 0;
    for (size_t i = 0; i < j.crossings; ++i) {
        const double x = c.offsetUi[i];
        s += x;
        ss += x * x;
        if (c.rising[i]) {
            sr += x;
            ++nr;
        } else {
            sf += x;
            ++nf;
        }
    }
    const double n = static_cast<double>(j.crossings);
    j.meanUi = s / n;
    j.rmsUi = std::sqrt(std::max(0.0, ss / n - j.meanUi * j.meanUi));
    j.dcdUi = nr && nf ? sr / nr - sf / nf : 0.0;
    j.left = FitTail(c.offsetUi, true);
    j.right = FitTail(c.offsetUi, false);
    if (!j.left.ok || !j.right.ok) {
        j.why = "the tails could not be fitted";
        return j;
    }
    j.rjUi = 0.5 * (j.left.sigma + j.right.sigma);
    j.djUi = std::max(0.0, j.right.mean - j.left.mean);
    j.tjUi = j.djUi + 2.0 * InverseNormalTail(ber) * j.rjUi;

    // Periodic jitter: the offsets on a grid of unit intervals from the
    // first crossing, gaps filled linearly, mean removed, Hann window; the
    // largest line above DC, its amplitude corrected for the window.
    const double t0 = c.timeS.front();
    const size_t len = static_cast<size_t>(std::floor((c.timeS.back() - t0) / bitTime)) + 1;
    if (len >= 64) {
        std::vector<double> grid(len, NAN);
        for (size_t i = 0; i < j.crossings; ++i) {
            const size_t k = std::min(len - 1, static_cast<size_t>(std::llround((c.timeS[i] - t0) / bitTime)));
            grid[k] = c.offsetUi[i] - j.meanUi;
        }
        size_t last = 0;
        for (size_t k = 1; k < len; ++k) {
            if (std::isnan(grid[k])) continue;
            for (size_t m = last + 1; m < k; ++m)
                grid[m] = grid[last] + (grid[k] - grid[last]) * static_cast<double>(m - last) / static_cast<double>(k - last);
            last = k;
        }
        std::vector<double> in(len);
        std::vector<fftw_complex> out(len / 2 + 1);
        for (size_t k = 0; k < len; ++k)
            in[k] = grid[k] * (0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(k) / static_cast<double>(len - 1)));
        fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(len), in.data(), out.data(), FFTW_ESTIMATE);
        fftw_execute(plan);
        fftw_destroy_plan(plan);
        size_t best = 0;
        double bestMag = 0.0;
        for (size_t k = 2; k < out.size(); ++k) {
            const double m = std::hypot(out[k][0], out[k][1]);
            if (m > bestMag) {
                bestMag = m;
                best = k;
            }
        }
        if (best > 0) {
            // Hann window: coherent gain 1/2; the line is spread over the
            // neighbouring bins, whose power is added back.
            double p = 0.0;
            for (size_t k = best - 1; k <= std::min(best + 1, out.size() - 1); ++k)
                p += out[k][0] * out[k][0] + out[k][1] * out[k][1];
            j.pjUi = 2.0 * std::sqrt(p / 1.5) / (0.5 * static_cast<double>(len));
            // Between bins: under a Hann window a line at bin best + d
            // (|d| <= 1/2) gives its larger neighbour a ratio
            // a = (1 + |d|) / (2 - |d|) to the peak, so |d| = (2a - 1) / (a + 1).
            auto mag = [&](size_t k) { return std::hypot(out[k][0], out[k][1]); };
            double d = 0.0;
            if (best + 1 < out.size()) {
                const double right = mag(best + 1), left = mag(best - 1);
                const double a = std::max(right, left) / bestMag;
                d = std::clamp((2.0 * a - 1.0) / (a + 1.0), 0.0, 0.5) * (right >= left ? 1.0 : -1.0);
            }
            j.pjFrequency = (static_cast<double>(best) + d) / (static_cast<double>(len) * bitTime);
        }
    }
    j.ok = true;
    return j;
}

ExtrapolatedEye ExtrapolateEye(const JitterFigures& j, const std::vector<double>& ones, const std::vector<double>& zeros,
                               double ber)
{
    ExtrapolatedEye e;
    const double q2 = InverseNormalTail(2.0 * ber);
    if (j.ok && j.left.ok && j.right.ok) {
        e.timingOk = true;
        const double rho = j.transitionDensity;
        auto tail = [](double z) { return NormalTail(z); };
        for (int i = 0; i <= 200; ++i) {
            const double x = -0.5 + i / 200.0;
            const double zr = j.right.sigma > 0 ? (x + 0.5 - j.right.mean) / j.right.sigma : (x + 0.5 > j.right.mean ? 1e9 : -1e9);
            const double zl = j.left.sigma > 0 ? (j.left.mean - x + 0.5) / j.left.sigma : (j.left.mean + 0.5 > x ? 1e9 : -1e9);
            e.phaseUi.push_back(x);
            e.phaseBer.push_back(rho * (tail(zr) + tail(zl)));
        }
        // Where each term reaches the BER / (2 rho): the eye's edges.
        const double qe = InverseNormalTail(ber / std::max(rho, 1e-9));
        const double leftEdge = -0.5 + j.right.mean + qe * j.right.sigma;
        const double rightEdge = 0.5 + j.left.mean - qe * j.left.sigma;
        e.widthUi = std::max(0.0, rightEdge - leftEdge);
        e.widthClosed = !(rightEdge - leftEdge > 0.0);
    }
    e.ones = FitTail(ones, true);
    e.zeros = FitTail(zeros, false);
    if (e.ones.ok && e.zeros.ok) {
        e.amplitudeOk = true;
        const double lo = e.zeros.mean - 6 * e.zeros.sigma - 0.1, hi = e.ones.mean + 6 * e.ones.sigma + 0.1;
        for (int i = 0; i <= 200; ++i) {
            const double u = lo + (hi - lo) * i / 200.0;
            const double z1 = e.ones.sigma > 0 ? (e.ones.mean - u) / e.ones.sigma : (e.ones.mean > u ? 1e9 : -1e9);
            const double z0 = e.zeros.sigma > 0 ? (u - e.zeros.mean) / e.zeros.sigma : (u > e.zeros.mean ? 1e9 : -1e9);
            e.thresholdV.push_back(u);
            e.thresholdBer.push_back(0.5 * (NormalTail(z1) + NormalTail(z0)));
        }
        const double oneEdge = e.ones.mean - q2 * e.ones.sigma, zeroEdge = e.zeros.mean + q2 * e.zeros.sigma;
        e.heightFitV = oneEdge - zeroEdge;
        e.heightClosed = !(e.heightFitV > 0.0);
        e.heightV = e.heightClosed ? 0.0 : e.heightFitV;
        double lowest = INFINITY, highest = -INFINITY;
        for (const auto* v : {&ones, &zeros})
            for (double x : *v) {
                lowest = std::min(lowest, x);
                highest = std::max(highest, x);
            }
        e.heightOutside = oneEdge < lowest || zeroEdge > highest;
    }
    return e;
}

}  // namespace linksim

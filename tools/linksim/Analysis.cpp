#include "linksim/Analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace linksim {

namespace {
constexpr double kPi = 3.141592653589793;
}

// ------------------------------------------------------------- alignment

Slots SlotsFromCentres(const std::vector<double>& centres, double spb, size_t from)
{
    Slots s;
    double sx = 0.0, sy = 0.0;
    for (size_t k = from; k < centres.size(); ++k) {
        const double a = 2.0 * kPi * std::fmod(centres[k], spb) / spb;
        sx += std::cos(a);
        sy += std::sin(a);
    }
    double phase = 0.0;
    if (sx != 0.0 || sy != 0.0) {
        phase = std::atan2(sy, sx) / (2.0 * kPi) * spb;
        if (phase < 0.0) phase += spb;
        if (phase >= spb) phase -= spb;
    }
    s.phase = phase;
    s.slot.resize(centres.size());
    for (size_t k = 0; k < centres.size(); ++k)
        s.slot[k] = static_cast<int64_t>(std::llround((centres[k] - phase) / spb));
    return s;
}

int ExpectedSign(const std::vector<uint8_t>& txBits, int64_t slot, const Alignment& a)
{
    if (!a.found) return 0;
    const int64_t i = slot - a.lag;
    if (i < 0 || i >= static_cast<int64_t>(txBits.size())) return 0;
    const int s = txBits[static_cast<size_t>(i)] ? 1 : -1;
    return a.inverted ? -s : s;
}

Alignment AlignDecisions(const std::vector<uint8_t>& txBits, const std::vector<int64_t>& slot,
                         const std::vector<int8_t>& decisions, size_t first, size_t count,
                         int64_t maxLag, double minAgreement, size_t minCompared, double minMargin)
{
    Alignment best;
    const size_t end = std::min(decisions.size(), slot.size());
    if (first >= end || maxLag < 0) {
        best.why = "no decisions to align with the transmitted bits";
        return best;
    }
    const size_t last = std::min(end, first + count);
    const int64_t nTx = static_cast<int64_t>(txBits.size());
    // The agreement at every lag (-1: too few decisions under it).
    std::vector<double> score(static_cast<size_t>(maxLag) + 1, -1.0);
    double bestScore = -1.0;
    size_t mostCompared = 0;
    for (int64_t lag = 0; lag <= maxLag; ++lag) {
        int64_t agree = 0, n = 0;
        for (size_t k = first; k < last; ++k) {
            const int64_t i = slot[k] - lag;
            if (i < 0 || i >= nTx) continue;
            const int s = txBits[static_cast<size_t>(i)] ? 1 : -1;
            agree += (s == decisions[k]) ? 1 : 0;
            ++n;
        }
        mostCompared = std::max(mostCompared, static_cast<size_t>(n));
        if (n == 0 || static_cast<size_t>(n) < minCompared) continue;
        const double share = static_cast<double>(agree) / static_cast<double>(n);
        score[static_cast<size_t>(lag)] = std::max(share, 1.0 - share);
        if (score[static_cast<size_t>(lag)] > bestScore) {
            bestScore = score[static_cast<size_t>(lag)];
            best.lag = lag;
            best.inverted = share < 0.5;
            best.agreement = bestScore;
            best.compared = static_cast<size_t>(n);
        }
    }
    // The runner-up: the best other lag whose transmitted bits differ from
    // the best lag's. A repeating pattern (PRBS7 repeats every 127 bits)
    // agrees equally at lags a period apart; those are the same alignment.
    auto sameBits = [&](int64_t lag) {
        size_t same = 0, n = 0;
        for (size_t k = first; k < last; ++k) {
            const int64_t i = slot[k] - lag, j = slot[k] - best.lag;
            if (i < 0 || i >= nTx || j < 0 || j >= nTx) continue;
            same += txBits[static_cast<size_t>(i)] == txBits[static_cast<size_t>(j)] ? 1 : 0;
            ++n;
        }
        return n > 0 && same * 100 >= n * 99;
    };
    double secondScore = 0.0;
    for (int64_t lag = 0; lag <= maxLag; ++lag) {
        const double sc = score[static_cast<size_t>(lag)];
        if (lag == best.lag || sc <= secondScore) continue;
        if (bestScore - sc < minMargin && sameBits(lag)) continue;
        secondScore = sc;
    }
    best.runnerUp = secondScore;
    if (bestScore < 0.0)
        best.why = "too few decisions to align with the transmitted bits: " + std::to_string(mostCompared) +
                   " fall on transmitted bits, " + std::to_string(minCompared) + " are needed";
    else if (bestScore < minAgreement)
        best.why = "the decisions could not be aligned: their best agreement with the transmitted bits is " +
                   std::to_string(bestScore).substr(0, 5) + ", below " + std::to_string(minAgreement).substr(0, 4);
    else if (bestScore - secondScore < minMargin)
        best.why = "the decisions could not be aligned: no clear latency, the best agreement " +
                   std::to_string(bestScore).substr(0, 5) + " is within " + std::to_string(minMargin).substr(0, 4) +
                   " of another lag's " + std::to_string(secondScore).substr(0, 5);
    else
        best.found = true;
    return best;
}

ErrorCount CountErrors(const std::vector<uint8_t>& txBits, const std::vector<int64_t>& slot,
                       const std::vector<int8_t>& decisions, size_t first, const Alignment& a)
{
    ErrorCount c;
    if (!a.found) return c;
    const size_t end = std::min(decisions.size(), slot.size());
    for (size_t k = first; k < end; ++k) {
        const int e = ExpectedSign(txBits, slot[k], a);
        if (e == 0) continue;
        ++c.compared;
        if (e != decisions[k]) {
            if (c.errors == 0) c.firstErrorDecision = static_cast<int64_t>(k);
            ++c.errors;
        }
    }
    return c;
}

// ------------------------------------------------------------- the clock

std::vector<double> PhaseResidual(const std::vector<double>& edges, double refPeriod)
{
    std::vector<double> r(edges.size(), 0.0);
    for (size_t k = 1; k < edges.size(); ++k) {
        const double p = edges[k] - edges[k - 1];
        r[k] = r[k - 1] + (p - refPeriod * std::round(p / refPeriod));
    }
    return r;
}

double RemoveTone(std::vector<double>& r, const std::vector<double>& t, double toneHz, size_t from)
{
    const size_t n = std::min(r.size(), t.size());
    if (!(toneHz > 0.0) || !std::isfinite(toneHz) || from + 8 > n) return 0.0;
    // Normal equations of r ~ a sin(wt) + b cos(wt) + c + d (t - t0), solved
    // by elimination with partial pivoting.
    const double w = 2.0 * kPi * toneHz, t0 = t[from], span = std::max(t[n - 1] - t0, 1e-30);
    double m[4][5] = {};
    for (size_t k = from; k < n; ++k) {
        const double x[4] = {std::sin(w * t[k]), std::cos(w * t[k]), 1.0, (t[k] - t0) / span};
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) m[i][j] += x[i] * x[j];
            m[i][4] += x[i] * r[k];
        }
    }
    for (int c = 0; c < 4; ++c) {
        int p = c;
        for (int i = c + 1; i < 4; ++i)
            if (std::fabs(m[i][c]) > std::fabs(m[p][c])) p = i;
        if (std::fabs(m[p][c]) < 1e-12 * static_cast<double>(n - from)) return 0.0;
        for (int j = 0; j < 5; ++j) std::swap(m[c][j], m[p][j]);
        for (int i = 0; i < 4; ++i) {
            if (i == c) continue;
            const double f = m[i][c] / m[c][c];
            for (int j = c; j < 5; ++j) m[i][j] -= f * m[c][j];
        }
    }
    const double a = m[0][4] / m[0][0], b = m[1][4] / m[1][1];
    if (!std::isfinite(a) || !std::isfinite(b)) return 0.0;
    for (size_t k = 0; k < n; ++k) r[k] -= a * std::sin(w * t[k]) + b * std::cos(w * t[k]);
    return std::hypot(a, b);
}

Lock DetectLock(const std::vector<double>& edges, double refPeriod, size_t window, double tolerance, double toneHz)
{
    Lock lock;
    const size_t n = edges.size();
    if (window < 2 || n < window || !(refPeriod > 0.0)) return lock;
    std::vector<double> r = PhaseResidual(edges, refPeriod);
    if (toneHz > 0.0) RemoveTone(r, edges, toneHz, n / 2);
    std::vector<double> prefix(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + r[i];
    const size_t span = 4 * window;
    size_t start = 0;
    for (size_t j = 0; j < n; ++j) {
        const size_t e = std::min(n, j + span);
        const double mean = (prefix[e] - prefix[j]) / static_cast<double>(e - j);
        if (std::fabs(r[j] - mean) > tolerance) start = j + 1;
    }
    if (start + window <= n) {
        lock.locked = true;
        lock.edge = start;
    }
    return lock;
}

Jitter MeasureJitter(const std::vector<double>& edges, double refPeriod, size_t from)
{
    Jitter j;
    if (from + 2 > edges.size()) return j;
    size_t n = 0;
    double sum = 0.0, sum2 = 0.0;
    j.periodMin = std::numeric_limits<double>::infinity();
    j.periodMax = -j.periodMin;
    for (size_t k = from + 1; k < edges.size(); ++k) {
        const double p = edges[k] - edges[k - 1];
        if (p > 1.5 * refPeriod) {
            ++j.gaps;
            continue;
        }
        ++n;
        sum += p;
        sum2 += p * p;
        j.periodMin = std::min(j.periodMin, p);
        j.periodMax = std::max(j.periodMax, p);
    }
    j.periods = n;
    if (n == 0) return j;
    j.meanPeriod = sum / static_cast<double>(n);
    j.periodStd = std::sqrt(std::max(0.0, sum2 / static_cast<double>(n) - j.meanPeriod * j.meanPeriod));
    j.frequencyOffsetPpm = (refPeriod / j.meanPeriod - 1.0) * 1e6;
    const std::vector<double> part(edges.begin() + static_cast<std::ptrdiff_t>(from), edges.end());
    const std::vector<double> r = PhaseResidual(part, refPeriod);
    double mean = 0.0;
    for (double v : r) mean += v;
    mean /= static_cast<double>(r.size());
    double lo = std::numeric_limits<double>::infinity(), hi = -lo, s2 = 0.0;
    for (double v : r) {
        const double t = v - mean;
        s2 += t * t;
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    j.tieRms = std::sqrt(s2 / static_cast<double>(r.size()));
    j.tiePkPk = hi - lo;
    return j;
}

// ------------------------------------------------------------- the eye

EyeDiagram::EyeDiagram(int width, int height, double vMin, double vMax, int phaseBins)
    : m_width(std::max(width, 2)), m_height(std::max(height, 2)), m_vMin(vMin), m_vMax(vMax),
      m_bins(std::max(phaseBins, 2) & ~1)
{
    if (!(m_vMax > m_vMin)) {
        const double mid = std::isfinite(m_vMin) ? m_vMin : 0.0;
        m_vMin = mid - 1.0;
        m_vMax = mid + 1.0;
    }
    m_density.assign(static_cast<size_t>(m_width) * m_height, 0);
    m_onesMin.assign(2 * m_bins, std::numeric_limits<double>::infinity());
    m_zerosMax.assign(2 * m_bins, -std::numeric_limits<double>::infinity());
}

void EyeDiagram::Fold(const float* w, size_t n, int64_t base, double centre, double period, int expected)
{
    if (!(period > 0.0) || n == 0 || !std::isfinite(centre)) return;
    const int64_t lo = std::max<int64_t>(base, static_cast<int64_t>(std::ceil(centre - period)));
    const int64_t hi = std::min<int64_t>(base + static_cast<int64_t>(n) - 1,
                                         static_cast<int64_t>(std::ceil(centre + period)) - 1);
    if (lo > hi) return;
    if (expected == 0) {
        const int64_t c = static_cast<int64_t>(std::llround(centre));
        if (c < base || c >= base + static_cast<int64_t>(n)) return;
        expected = w[c - base] > 0.0f ? 1 : -1;
    }
    ++m_traces;
    const double vScale = m_height / (m_vMax - m_vMin);
    const double xScale = 0.5 * m_width;  // pixels per UI
    auto column = [&](double x) { return (x + 1.0) * xScale; };
    auto plot = [&](int px, double v) {
        const int py = static_cast<int>(std::floor((v - m_vMin) * vScale));
        if (px >= 0 && px < m_width && py >= 0 && py < m_height) ++m_density[static_cast<size_t>(py) * m_width + px];
    };
    double prevX = 0.0, prevV = 0.0;
    for (int64_t i = lo; i <= hi; ++i) {
        const double x = (static_cast<double>(i) - centre) / period;  // [-1, 1)
        const double v = w[i - base];
        if (i == lo) {
            plot(static_cast<int>(std::floor(column(x))), v);
        } else {
            // The pixel columns after the previous sample's, up to this one's.
            const int c0 = static_cast<int>(std::floor(column(prevX)));
            const int c1 = static_cast<int>(std::floor(column(x)));
            for (int c = c0 + 1; c <= c1; ++c) {
                const double xc = std::min(x, (c + 0.5) / xScale - 1.0);
                const double a = x > prevX ? (xc - prevX) / (x - prevX) : 1.0;
                plot(c, prevV + std::clamp(a, 0.0, 1.0) * (v - prevV));
            }
        }
        prevX = x;
        prevV = v;
        const long b = std::lround(x * m_bins) + m_bins;
        if (b < 0 || b >= 2 * m_bins) continue;
        if (expected > 0)
            m_onesMin[b] = std::min(m_onesMin[b], v);
        else
            m_zerosMax[b] = std::max(m_zerosMax[b], v);
    }
}

uint64_t EyeDiagram::MaxCount() const
{
    uint64_t m = 0;
    for (uint64_t c : m_density) m = std::max(m, c);
    return m;
}

EyeDiagram::Opening EyeDiagram::Measure() const
{
    Opening o;
    auto height = [&](int b) { return m_onesMin[b] - m_zerosMax[b]; };
    auto known = [&](int b) { return std::isfinite(m_onesMin[b]) && std::isfinite(m_zerosMax[b]); };
    const int bins = 2 * m_bins;
    const int c = m_bins;  // x = 0
    if (!known(c)) return o;
    o.valid = true;
    o.height = height(c);
    if (o.height <= 0.0) return o;
    int l = c, r = c;
    while (l - 1 >= 0 && known(l - 1) && height(l - 1) > 0.0) --l;
    while (r + 1 < bins && known(r + 1) && height(r + 1) > 0.0) ++r;
    o.widthUi = static_cast<double>(r - l + 1) / m_bins;
    o.centreOffsetUi = (0.5 * (l + r) - c) / m_bins;
    o.bestHeight = o.height;
    for (int b = l; b <= r; ++b)
        if (height(b) > o.bestHeight) {
            o.bestHeight = height(b);
            o.bestOffsetUi = static_cast<double>(b - c) / m_bins;
        }
    return o;
}

}  // namespace linksim

#include "linksim/Channel.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace linksim {

namespace {

constexpr double kPi = 3.141592653589793;
// Share of the loss at Nyquist that the conductor (skin effect) takes.
constexpr double kSkinShare = 0.35;
// Below this frequency the conductor's loss no longer grows as sqrt(f).
constexpr double kSkinCorner = 50e6;

size_t NextPow2(size_t n)
{
    size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

double SkinShape(double f)
{
    // sqrt(1 + f/fc) - 1: linear in f well below the corner, sqrt(f) above.
    return std::sqrt(1.0 + f / kSkinCorner) - 1.0;
}

struct FftwBuffer {
    explicit FftwBuffer(size_t n) : p(fftw_alloc_complex(n))
    {
        if (!p) throw std::bad_alloc();
    }
    ~FftwBuffer() { fftw_free(p); }
    fftw_complex* p;
};

}  // namespace

double LossyLineLossDb(double f, double fNyquist, double lossDb)
{
    f = std::fabs(f);
    const double skin = kSkinShare * lossDb * SkinShape(f) / SkinShape(fNyquist);
    const double dielectric = (1.0 - kSkinShare) * lossDb * f / fNyquist;
    return skin + dielectric;
}

LossyLine MakeLossyLine(double lossDb, double bitTime, int samplesPerBit, size_t maxBits)
{
    if (!(lossDb >= 0.0) || !std::isfinite(lossDb) || lossDb > 200.0)
        throw std::invalid_argument("the channel loss must be between 0 and 200 dB");
    if (!(bitTime > 0.0) || !std::isfinite(bitTime) || samplesPerBit < 1 || maxBits < 1 || maxBits > 4096)
        throw std::invalid_argument("the bit time, samples per bit and length must be positive");
    const size_t maxSamples = maxBits * static_cast<size_t>(samplesPerBit);
    LossyLine line;
    if (lossDb == 0.0) {
        line.taps.assign(1, 1.0);
        return line;
    }
    const double dt = bitTime / samplesPerBit;
    const double fN = 0.5 / bitTime;
    // The grid must be long enough for the minimum-phase response to decay
    // before it wraps around: four times the longest response kept.
    const size_t n = NextPow2(std::max<size_t>(4 * maxSamples, 1024));
    const size_t half = n / 2 + 1;
    std::vector<double> cep(n);
    FftwBuffer spectrum(half);
    fftw_plan toCep = fftw_plan_dft_c2r_1d(static_cast<int>(n), spectrum.p, cep.data(), FFTW_ESTIMATE);
    fftw_plan toSpec = fftw_plan_dft_r2c_1d(static_cast<int>(n), cep.data(), spectrum.p, FFTW_ESTIMATE);
    if (!toCep || !toSpec) throw std::runtime_error("FFTW could not plan the channel transform");

    // 1. Log-magnitude on the grid (natural log of |H|), floored far below
    //    anything that matters so the cepstrum stays smooth.
    const double df = 1.0 / (n * dt);
    for (size_t k = 0; k < half; ++k) {
        const double db = LossyLineLossDb(k * df, fN, lossDb);
        spectrum.p[k][0] = -std::min(db, 600.0) * std::log(10.0) / 20.0;
        spectrum.p[k][1] = 0.0;
    }
    // 2. Real cepstrum, folded onto positive quefrencies: the cepstrum of the
    //    minimum-phase response with that magnitude.
    fftw_execute(toCep);
    for (double& c : cep) c /= static_cast<double>(n);
    for (size_t k = 1; k < n / 2; ++k) {
        cep[k] *= 2.0;
        cep[n - k] = 0.0;
    }
    // 3. Back to the spectrum, exponentiate, and to the time domain.
    fftw_execute(toSpec);
    for (size_t k = 0; k < half; ++k) {
        const std::complex<double> h = std::exp(std::complex<double>(spectrum.p[k][0], spectrum.p[k][1]));
        spectrum.p[k][0] = h.real();
        spectrum.p[k][1] = h.imag();
    }
    fftw_execute(toCep);
    fftw_destroy_plan(toCep);
    fftw_destroy_plan(toSpec);
    for (double& c : cep) c /= static_cast<double>(n);

    // 4. Truncate where the remaining energy is negligible.
    double total = 0.0;
    for (double v : cep) total += v * v;
    size_t len = std::min(maxSamples, n);
    double tail = 0.0;
    for (size_t k = n; k-- > 0;) {
        tail += cep[k] * cep[k];
        if (tail > 1e-9 * total) {
            len = std::min(len, k + 1);
            break;
        }
    }
    double cut = 0.0;
    for (size_t k = len; k < n; ++k) cut += cep[k] * cep[k];
    line.taps.assign(cep.begin(), cep.begin() + static_cast<std::ptrdiff_t>(len));
    line.truncatedEnergy = total > 0.0 ? cut / total : 0.0;
    line.delaySamples = static_cast<size_t>(
        std::max_element(line.taps.begin(), line.taps.end()) - line.taps.begin());
    return line;
}

std::complex<double> FirResponse(const std::vector<double>& taps, double f, double dt)
{
    std::complex<double> sum = 0.0;
    const double w = -2.0 * kPi * f * dt;
    for (size_t k = 0; k < taps.size(); ++k)
        sum += taps[k] * std::polar(1.0, w * static_cast<double>(k));
    return sum;
}

constexpr double kMaxCsvValue = 1e200;  // 1/s
constexpr double kMaxCsvGain = 1000.0;  // sum of |taps|

std::vector<double> ReadImpulseCsv(const std::string& path, double dt)
{
    if (!(dt > 0.0) || !std::isfinite(dt)) throw std::invalid_argument("sample interval must be positive");
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open impulse response file " + path);
    std::vector<double> t, v;
    std::vector<size_t> lines;
    std::string line;
    size_t lineNo = 0;
    bool headerSkipped = false;
    while (std::getline(in, line)) {
        ++lineNo;
        for (char& c : line)
            if (c == ',' || c == ';' || c == '\t' || c == '\r') c = ' ';
        std::istringstream ss(line);
        std::string a, b, extra;
        if (!(ss >> a) || a[0] == '#') continue;
        auto fail = [&](const std::string& why) {
            return std::runtime_error(path + ":" + std::to_string(lineNo) + ": " + why);
        };
        if (!(ss >> b)) throw fail("expected two columns, time and value");
        if (ss >> extra) throw fail("expected two columns, found more");
        char* endA = nullptr;
        char* endB = nullptr;
        const double ta = std::strtod(a.c_str(), &endA);
        const double vb = std::strtod(b.c_str(), &endB);
        // The whole word must be the number (a NUL inside it is not its end).
        if (endA != a.c_str() + a.size() || endB != b.c_str() + b.size()) {
            if (t.empty() && !headerSkipped) {
                headerSkipped = true;
                continue;
            }
            throw fail("not a number");
        }
        if (!std::isfinite(ta) || !std::isfinite(vb)) throw fail("value is not finite");
        // Bounded so that the interpolation below cannot overflow; the
        // gain check after it bounds the taps themselves.
        if (std::fabs(vb) > kMaxCsvValue) throw fail("a value beyond 1e200");
        if (!t.empty() && !(ta > t.back())) throw fail("times must increase");
        if (ta < 0.0) throw fail("times must not be negative");
        t.push_back(ta);
        v.push_back(vb);
        lines.push_back(lineNo);
    }
    if (t.size() < 2)
        throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": an impulse response needs at least two rows");
    const double span = t.back();
    // Longer than 2^22 samples (65536 UI at 64 samples per bit) is no
    // channel a link simulation needs, and would take gigabytes to convolve.
    if (!(span / dt < 4194304.0))
        throw std::runtime_error(path + ":" + std::to_string(lines.back()) + ": the response is too long to sample");
    // Times written with finite precision put the last row a hair before a
    // whole number of samples: within 1e-6 of a sample it counts as on it.
    const double slack = 1e-6;
    const size_t n = static_cast<size_t>(std::floor(span / dt + slack)) + 1;
    std::vector<double> taps(n, 0.0);
    size_t j = 0;
    for (size_t k = 0; k < n; ++k) {
        const double tk = std::min(k * dt, std::max(t.back(), (k - slack) * dt));
        if (tk < t.front()) continue;
        while (j + 1 < t.size() && t[j + 1] < tk) ++j;
        if (j + 1 >= t.size()) {
            if (tk >= t.back()) taps[k] = v.back() * dt;
            break;
        }
        const double a = (tk - t[j]) / (t[j + 1] - t[j]);
        taps[k] = (v[j] + a * (v[j + 1] - v[j])) * dt;
    }
    // sum |h| bounds the output for a bounded input: a channel that could
    // amplify the signal a thousandfold is no channel, and its samples would
    // reach the models and the pictures as overflowing figures.
    double gain = 0.0;
    for (double x : taps) gain += std::fabs(x);
    if (!(gain <= kMaxCsvGain)) {
        const size_t big = static_cast<size_t>(
            std::max_element(v.begin(), v.end(), [](double x, double y) { return std::fabs(x) < std::fabs(y); }) -
            v.begin());
        throw std::runtime_error(path + ":" + std::to_string(lines[big]) +
                                 ": the response's gain (the sum of |h| dt) is beyond 1000");
    }
    return taps;
}

// ---------------------------------------------------------------- Convolver

namespace {

// acc[k] += a[k] * b[k] over n complex values.
void MultiplyAdd(fftw_complex* acc, const fftw_complex* a, const fftw_complex* b, size_t n)
{
    for (size_t k = 0; k < n; ++k) {
        acc[k][0] += a[k][0] * b[k][0] - a[k][1] * b[k][1];
        acc[k][1] += a[k][0] * b[k][1] + a[k][1] * b[k][0];
    }
}

}  // namespace

Convolver::Convolver(std::vector<double> taps, size_t partition) : m_taps(std::move(taps))
{
    if (m_taps.empty()) m_taps.assign(1, 0.0);
    const size_t L = m_taps.size();
    if (L <= 64) {
        m_hist.assign(L - 1 + 4096, 0.0);
        return;
    }
    m_part = NextPow2(partition ? partition : std::min<size_t>(std::max<size_t>(NextPow2(L) / 4, 1024), 65536));
    m_parts = (L + m_part - 1) / m_part;
    const size_t n = 2 * m_part;
    const size_t half = m_part + 1;
    m_time = fftw_alloc_real(n);
    m_work = fftw_alloc_real(n);
    m_freq = fftw_alloc_complex(half);
    m_tail = fftw_alloc_complex(half);
    m_kernel = fftw_alloc_complex(m_parts * half);
    m_history = m_parts > 1 ? fftw_alloc_complex((m_parts - 1) * half) : nullptr;
    if (!m_time || !m_work || !m_freq || !m_tail || !m_kernel || (m_parts > 1 && !m_history)) {
        Release();
        throw std::bad_alloc();
    }
    auto* freq = static_cast<fftw_complex*>(m_freq);
    auto* kernel = static_cast<fftw_complex*>(m_kernel);
    m_forward = fftw_plan_dft_r2c_1d(static_cast<int>(n), m_work, freq, FFTW_ESTIMATE);
    m_inverse = fftw_plan_dft_c2r_1d(static_cast<int>(n), freq, m_work, FFTW_ESTIMATE);
    if (!m_forward || !m_inverse) {
        Release();
        throw std::runtime_error("FFTW could not plan the convolution");
    }
    // Partition spectra, scaled by 1/(2B) for the unnormalised inverse.
    for (size_t p = 0; p < m_parts; ++p) {
        std::fill(m_work, m_work + n, 0.0);
        const size_t first = p * m_part;
        const size_t count = std::min(m_part, L - first);
        for (size_t k = 0; k < count; ++k) m_work[k] = m_taps[first + k] / static_cast<double>(n);
        fftw_execute(static_cast<fftw_plan>(m_forward));
        std::memcpy(kernel + p * half, freq, half * sizeof(fftw_complex));
    }
    std::fill(m_time, m_time + n, 0.0);
    std::memset(m_tail, 0, half * sizeof(fftw_complex));
    if (m_history) std::memset(m_history, 0, (m_parts - 1) * half * sizeof(fftw_complex));
}

Convolver::~Convolver() { Release(); }

void Convolver::Release()
{
    if (m_forward) fftw_destroy_plan(static_cast<fftw_plan>(m_forward));
    if (m_inverse) fftw_destroy_plan(static_cast<fftw_plan>(m_inverse));
    fftw_free(m_time);
    fftw_free(m_work);
    fftw_free(m_freq);
    fftw_free(m_tail);
    fftw_free(m_kernel);
    fftw_free(m_history);
    m_forward = m_inverse = nullptr;
    m_time = m_work = nullptr;
    m_freq = m_tail = m_kernel = m_history = nullptr;
}

void Convolver::Process(const double* in, double* out, size_t n)
{
    if (m_part == 0)
        ProcessDirect(in, out, n);
    else
        ProcessFft(in, out, n);
}

void Convolver::ProcessDirect(const double* in, double* out, size_t n)
{
    const size_t L = m_taps.size();
    const size_t chunkMax = m_hist.size() - (L - 1);
    while (n > 0) {
        const size_t chunk = std::min(n, chunkMax);
        std::memcpy(&m_hist[L - 1], in, chunk * sizeof(double));
        for (size_t i = 0; i < chunk; ++i) {
            const double* x = &m_hist[i + L - 1];
            double acc = 0.0;
            for (size_t k = 0; k < L; ++k) acc += m_taps[k] * x[-static_cast<std::ptrdiff_t>(k)];
            out[i] = acc;
        }
        std::memmove(m_hist.data(), &m_hist[chunk], (L - 1) * sizeof(double));
        in += chunk;
        out += chunk;
        n -= chunk;
    }
}

void Convolver::ProcessFft(const double* in, double* out, size_t n)
{
    const size_t B = m_part;
    const size_t half = B + 1;
    auto* freq = static_cast<fftw_complex*>(m_freq);
    auto* tail = static_cast<fftw_complex*>(m_tail);
    auto* kernel = static_cast<fftw_complex*>(m_kernel);
    auto* history = static_cast<fftw_complex*>(m_history);
    while (n > 0) {
        // Up to the end of the block or of the call, whichever comes first.
        const size_t take = std::min(n, B - m_fill);
        std::memcpy(m_time + B + m_fill, in, take * sizeof(double));
        m_fill += take;
        in += take;
        n -= take;
        // X_k (so far), then H_0 X_k + the tail, back to the time domain.
        // The transform reads m_work, which plans may overwrite: a copy.
        std::memcpy(m_work, m_time, 2 * B * sizeof(double));
        fftw_execute_dft_r2c(static_cast<fftw_plan>(m_forward), m_work, freq);
        const bool complete = m_fill == B;
        if (complete && history) {
            m_newest = m_newest + 1 == m_parts - 1 ? 0 : m_newest + 1;
            std::memcpy(history + m_newest * half, freq, half * sizeof(fftw_complex));
        }
        for (size_t k = 0; k < half; ++k) {
            const double re = freq[k][0] * kernel[k][0] - freq[k][1] * kernel[k][1] + tail[k][0];
            const double im = freq[k][0] * kernel[k][1] + freq[k][1] * kernel[k][0] + tail[k][1];
            freq[k][0] = re;
            freq[k][1] = im;
        }
        fftw_execute_dft_c2r(static_cast<fftw_plan>(m_inverse), freq, m_work);
        std::memcpy(out, m_work + B + m_emitted, (m_fill - m_emitted) * sizeof(double));
        out += m_fill - m_emitted;
        m_emitted = m_fill;
        if (complete) StartNextBlock();
    }
}

// The current block becomes the previous one, and the tail of the next block
// is formed from the stored spectra: X_{k+1-p} for p = 1 .. P-1 lies p-1
// slots before the newest.
void Convolver::StartNextBlock()
{
    const size_t B = m_part;
    const size_t half = B + 1;
    std::memcpy(m_time, m_time + B, B * sizeof(double));
    std::fill(m_time + B, m_time + 2 * B, 0.0);
    m_fill = m_emitted = 0;
    auto* tail = static_cast<fftw_complex*>(m_tail);
    auto* kernel = static_cast<fftw_complex*>(m_kernel);
    auto* history = static_cast<fftw_complex*>(m_history);
    std::memset(tail, 0, half * sizeof(fftw_complex));
    size_t slot = m_newest;
    for (size_t p = 1; p < m_parts; ++p) {
        MultiplyAdd(tail, kernel + p * half, history + slot * half, half);
        slot = slot == 0 ? m_parts - 2 : slot - 1;
    }
}

}  // namespace linksim

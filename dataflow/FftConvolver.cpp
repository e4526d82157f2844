#include "dataflow/FftConvolver.h"

#include <cmath>
#include <cstring>
#include <new>

namespace Vantrel {

namespace {

constexpr double kPi = 3.141592653589793;

// The passes, written once and compiled into both versions below.
#define VANTREL_FFT_INLINE inline __attribute__((always_inline))

// Decimation in frequency, natural order in, bit-reversed order out:
// stages of half-length len = L/2 .. 4 in the general form, then the last
// two stages (len 2 and 1, twiddles 1 and -i) together.
VANTREL_FFT_INLINE void ForwardPasses(double* __restrict re, double* __restrict im, const double* __restrict twr,
                                      const double* __restrict twi, size_t L)
{
    for (size_t len = L / 2; len >= 4; len /= 2) {
        const double* wr = twr + len;
        const double* wi = twi + len;
        for (size_t i = 0; i < L; i += 2 * len) {
            double* __restrict ar = re + i;
            double* __restrict ai = im + i;
            double* __restrict br = re + i + len;
            double* __restrict bi = im + i + len;
            for (size_t j = 0; j < len; ++j) {
                const double xr = ar[j] - br[j];
                const double xi = ai[j] - bi[j];
                ar[j] = ar[j] + br[j];
                ai[j] = ai[j] + bi[j];
                br[j] = xr * wr[j] - xi * wi[j];
                bi[j] = xr * wi[j] + xi * wr[j];
            }
        }
    }
    for (size_t i = 0; i < L; i += 4) {
        const double a0r = re[i] + re[i + 2], a0i = im[i] + im[i + 2];
        const double a2r = re[i] - re[i + 2], a2i = im[i] - im[i + 2];
        const double a1r = re[i + 1] + re[i + 3], a1i = im[i + 1] + im[i + 3];
        const double a3r = im[i + 1] - im[i + 3], a3i = re[i + 3] - re[i + 1];  // (x1 - x3)(-i)
        re[i] = a0r + a1r;
        im[i] = a0i + a1i;
        re[i + 1] = a0r - a1r;
        im[i + 1] = a0i - a1i;
        re[i + 2] = a2r + a3r;
        im[i + 2] = a2i + a3i;
        re[i + 3] = a2r - a3r;
        im[i + 3] = a2i - a3i;
    }
}

// Decimation in time with conjugate twiddles, bit-reversed order in, natural
// order out (unscaled): the first two stages together, then len = 4 .. L/2.
VANTREL_FFT_INLINE void InversePasses(double* __restrict re, double* __restrict im, const double* __restrict twr,
                                      const double* __restrict twi, size_t L)
{
    for (size_t i = 0; i < L; i += 4) {
        const double a0r = re[i] + re[i + 1], a0i = im[i] + im[i + 1];
        const double a1r = re[i] - re[i + 1], a1i = im[i] - im[i + 1];
        const double a2r = re[i + 2] + re[i + 3], a2i = im[i + 2] + im[i + 3];
        const double a3r = re[i + 2] - re[i + 3], a3i = im[i + 2] - im[i + 3];
        const double t3r = -a3i, t3i = a3r;  // a3 * i
        re[i] = a0r + a2r;
        im[i] = a0i + a2i;
        re[i + 2] = a0r - a2r;
        im[i + 2] = a0i - a2i;
        re[i + 1] = a1r + t3r;
        im[i + 1] = a1i + t3i;
        re[i + 3] = a1r - t3r;
        im[i + 3] = a1i - t3i;
    }
    for (size_t len = 4; len < L; len *= 2) {
        const double* wr = twr + len;
        const double* wi = twi + len;
        for (size_t i = 0; i < L; i += 2 * len) {
            double* __restrict ar = re + i;
            double* __restrict ai = im + i;
            double* __restrict br = re + i + len;
            double* __restrict bi = im + i + len;
            for (size_t j = 0; j < len; ++j) {
                const double tr = br[j] * wr[j] + bi[j] * wi[j];
                const double ti = bi[j] * wr[j] - br[j] * wi[j];
                br[j] = ar[j] - tr;
                bi[j] = ai[j] - ti;
                ar[j] = ar[j] + tr;
                ai[j] = ai[j] + ti;
            }
        }
    }
}

VANTREL_FFT_INLINE void ConvolvePasses(double* __restrict re, double* __restrict im, const double* __restrict hr,
                                       const double* __restrict hi, const double* twr, const double* twi,
                                       size_t L)
{
    ForwardPasses(re, im, twr, twi, L);
    for (size_t k = 0; k < L; ++k) {
        const double zr = re[k] * hr[k] - im[k] * hi[k];
        const double zi = re[k] * hi[k] + im[k] * hr[k];
        re[k] = zr;
        im[k] = zi;
    }
    InversePasses(re, im, twr, twi, L);
}

void ForwardPortable(double* re, double* im, const double* twr, const double* twi, size_t L)
{
    ForwardPasses(re, im, twr, twi, L);
}

void ConvolvePortable(double* re, double* im, const double* hr, const double* hi, const double* twr,
                      const double* twi, size_t L)
{
    ConvolvePasses(re, im, hr, hi, twr, twi, L);
}

#if defined(__x86_64__) && defined(__GNUC__)

__attribute__((target("avx2,fma"))) void ForwardAvx2(double* re, double* im, const double* twr,
                                                     const double* twi, size_t L)
{
    ForwardPasses(re, im, twr, twi, L);
}

__attribute__((target("avx2,fma"))) void ConvolveAvx2(double* re, double* im, const double* hr,
                                                      const double* hi, const double* twr,
                                                      const double* twi, size_t L)
{
    ConvolvePasses(re, im, hr, hi, twr, twi, L);
}

bool Avx2FmaAvailable()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

#else

void ForwardAvx2(double* re, double* im, const double* twr, const double* twi, size_t L)
{
    ForwardPasses(re, im, twr, twi, L);
}

void ConvolveAvx2(double* re, double* im, const double* hr, const double* hi, const double* twr,
                  const double* twi, size_t L)
{
    ConvolvePasses(re, im, hr, hi, twr, twi, L);
}

bool Avx2FmaAvailable() { return false; }

#endif

struct Kernels {
    void (*forward)(double*, double*, const double*, const double*, size_t);
    void (*convolve)(double*, double*, const double*, const double*, const double*, const double*, size_t);
};

const Kernels& ChosenKernels()
{
    // Chosen at the first call and kept: the processor does not change.
    static const Kernels k = Avx2FmaAvailable() ? Kernels{ForwardAvx2, ConvolveAvx2}
                                                : Kernels{ForwardPortable, ConvolvePortable};
    return k;
}

}  // namespace

double FftConvolver::RelativeErrorBound(size_t iSize)
{
    return 1e-13 * std::log2(static_cast<double>(iSize)) * std::sqrt(static_cast<double>(iSize));
}

bool FftConvolver::Allocate(unsigned iLog2Size, size_t iMaxTaps)
{
    Free();
    if (iLog2Size < 2 || iLog2Size > 20) return false;
    const size_t L = size_t(1) << iLog2Size;
    if (iMaxTaps < 1 || iMaxTaps >= L) return false;
    m_pdStorage = new (std::nothrow) double[6 * L]();
    if (!m_pdStorage) return false;
    m_iSize = L;
    m_iMaxTaps = iMaxTaps;
    m_dRelativeErrorBound = RelativeErrorBound(L);
    m_pdRe = m_pdStorage;
    m_pdIm = m_pdRe + L;
    m_pdHRe = m_pdIm + L;
    m_pdHIm = m_pdHRe + L;
    m_pdTwRe = m_pdHIm + L;
    m_pdTwIm = m_pdTwRe + L;
    for (size_t len = 1; len < L; len *= 2) {
        for (size_t j = 0; j < len; ++j) {
            const double angle = kPi * static_cast<double>(j) / static_cast<double>(len);
            m_pdTwRe[len + j] = std::cos(angle);
            m_pdTwIm[len + j] = -std::sin(angle);
        }
    }
    m_pdHRe[0] = 1.0 / static_cast<double>(L);  // a unit kernel until SetTaps
    for (size_t k = 1; k < L; ++k) m_pdHRe[k] = m_pdHRe[0];
    m_dTapsAbsSum = 1.0;
    ChosenKernels();
    return true;
}

void FftConvolver::Free()
{
    delete[] m_pdStorage;
    m_pdStorage = m_pdRe = m_pdIm = m_pdHRe = m_pdHIm = m_pdTwRe = m_pdTwIm = nullptr;
    m_iSize = 0;
    m_iMaxTaps = 0;
    m_dTapsAbsSum = 0.0;
    m_dRelativeErrorBound = 0.0;
}

void FftConvolver::SetTaps(const double* pdTaps, size_t iNumTaps)
{
    const size_t L = m_iSize;
    if (iNumTaps > m_iMaxTaps) iNumTaps = m_iMaxTaps;
    const double scale = 1.0 / static_cast<double>(L);
    double absSum = 0.0;
    for (size_t j = 0; j < L; ++j) {
        const double h = j < iNumTaps ? pdTaps[j] : 0.0;
        absSum += std::fabs(h);
        m_pdHRe[j] = h * scale;
        m_pdHIm[j] = 0.0;
    }
    m_dTapsAbsSum = absSum;
    ChosenKernels().forward(m_pdHRe, m_pdHIm, m_pdTwRe, m_pdTwIm, L);
}

void FftConvolver::Filter(const double* pdA, const double* pdB, double* pdYa, double* pdYb)
{
    const size_t L = m_iSize;
    std::memcpy(m_pdRe, pdA, L * sizeof(double));
    if (pdB) std::memcpy(m_pdIm, pdB, L * sizeof(double));
    else std::memset(m_pdIm, 0, L * sizeof(double));
    ChosenKernels().convolve(m_pdRe, m_pdIm, m_pdHRe, m_pdHIm, m_pdTwRe, m_pdTwIm, L);
    const size_t first = m_iMaxTaps - 1;
    const size_t S = Outputs();
    std::memcpy(pdYa, m_pdRe + first, S * sizeof(double));
    if (pdB && pdYb) std::memcpy(pdYb, m_pdIm + first, S * sizeof(double));
}

}  // namespace Vantrel

// FftConvolver: linear convolution of a real signal with a real kernel of at
// most N taps by overlap-save, with a complex radix-2 FFT of L = 2^k points.
//
// One call filters one or two segments of L inputs each (x[0] oldest; its
// first N - 1 inputs are the history of the first output) and gives the
// S = L - N + 1 outputs
//
//   y[i] = sum_{j<N} h[j] x[N - 1 + i - j]        i = 0 .. S-1
//
// Two segments go through one complex transform (the first as the real part,
// the second as the imaginary part): the kernel is real, so the two
// convolutions do not mix. The forward transform is a decimation in
// frequency, which leaves the spectrum in bit-reversed order; the kernel's
// spectrum is kept in the same order and the inverse is a decimation in time
// that takes that order back to the natural one, so no permutation pass is
// needed.
//
// Accuracy. The outputs differ from the exactly rounded convolution by
// rounding only. For a radix-2 transform of L points with accurate twiddles,
// the 2-norm error of forward transform, product and inverse together stays
// below about 3 log2(L) 5 eps ||h||_1 ||x||_2 (eps = 2^-53; Higham, "Accuracy
// and Stability of Numerical Algorithms", 24.1), and ||x||_2 <= sqrt(2 L)
// max|x| over both segments: about 2.3e-15 log2(L) sqrt(L) ||h||_1 max|x|.
// ErrorBound() states 1e-13 log2(L) sqrt(L) ||h||_1 max|x| (1.2e-10 ||h||_1
// max|x| at L = 8192), over forty times that figure; tests measure the actual
// error against the direct sum over random and end-to-end signals (it stays
// near 1e-16 of that scale).
//
// Run-time dispatch: the transforms run in an AVX2/FMA version where the
// processor has both, else in the portable one (same algorithm; the results
// differ by rounding only, within the same bound).
//
// Allocate() and Free() own the storage; SetTaps() and Filter() never
// allocate.
#pragma once

#include <cstddef>

namespace Vantrel {

class FftConvolver {
public:
    // The error bound of a transform of iSize points, relative to
    // ||h||_1 max|x| (see above).
    static double RelativeErrorBound(size_t iSize);

    FftConvolver() = default;
    FftConvolver(const FftConvolver&) = delete;
    FftConvolver& operator=(const FftConvolver&) = delete;
    ~FftConvolver() { Free(); }

    // Transforms of 2^iLog2Size points (2 <= iLog2Size <= 20) for kernels of
    // up to iMaxTaps taps (1 <= iMaxTaps < 2^iLog2Size). False if out of range
    // or out of memory (nothing is then held).
    bool Allocate(unsigned iLog2Size, size_t iMaxTaps);
    void Free();
    bool IsAllocated() const { return m_pdRe != nullptr; }

    size_t Size() const { return m_iSize; }             // L
    size_t MaxTaps() const { return m_iMaxTaps; }       // N
    size_t Outputs() const { return m_iSize - m_iMaxTaps + 1; }  // S, per segment

    // The kernel h[0 .. iNumTaps-1] (iNumTaps <= MaxTaps(); missing taps are
    // 0.0). Computes its spectrum: one transform.
    void SetTaps(const double* pdTaps, size_t iNumTaps);
    // sum_j |h[j]| of the kernel set.
    double TapsAbsSum() const { return m_dTapsAbsSum; }

    // Filters pdA (L inputs) into pdYa (S outputs), and pdB into pdYb when
    // pdB is not null.
    void Filter(const double* pdA, const double* pdB, double* pdYa, double* pdYb);

    // The bound on |computed - exact| of every output of a Filter() call
    // whose inputs (both segments) are at most dMaxAbsInput in magnitude.
    double ErrorBound(double dMaxAbsInput) const
    {
        return m_dRelativeErrorBound * m_dTapsAbsSum * dMaxAbsInput;
    }

private:
    void Forward();
    void Inverse();

    size_t m_iSize = 0;
    size_t m_iMaxTaps = 0;
    double m_dTapsAbsSum = 0.0;
    double m_dRelativeErrorBound = 0.0;
    double* m_pdStorage = nullptr;
    double* m_pdRe = nullptr;   // work, real parts
    double* m_pdIm = nullptr;   // work, imaginary parts
    double* m_pdHRe = nullptr;  // kernel spectrum / L, bit-reversed order
    double* m_pdHIm = nullptr;
    double* m_pdTwRe = nullptr; // twiddles exp(-i pi j / len) at [len + j], j < len
    double* m_pdTwIm = nullptr;
};

}  // namespace Vantrel

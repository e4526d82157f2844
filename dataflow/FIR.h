// FIR<double, false>: multirate polyphase finite-impulse-response filter.
//
// What it computes. With taps h[0..N-1] (h[0] applied to the newest input),
// interpolation I, decimation D and decimation phase phi, define the
// up-sampled input u[I*n] = x_n, u[m] = 0 elsewhere (x_n the n-th input since
// Initialize, inputs before the first taken as 0). The r-th output overall is
//
//     y_r = sum_{m=0}^{N-1} h[m] * u[D*r + phi - m]
//
// so with the defaults (D = I = 1, phi = 0) y_n = sum_{j<N} h[j] * x_{n-j}.
// Units are the caller's: y carries the units of h times those of x.
// Valid parameters: N >= 1, D >= 1, 0 <= phi < D, I >= 1, and a history
// window H = floor(N / I) + D + 1 of at most MaxWindow samples.
//
// Ports: Input (rate D: entries 0..D-1 are the inputs of one firing, 0 the
// earliest), Output (rate I: entries 0..I-1 are written every firing).
// Parameters: m_pdTaps / m_iNumTaps (the tap array, supplied and owned by the
// owner), Decimation, DecimationPhase, Interpolation, PairwiseSum (false).
//
// Polyphase form: the inserted zeros are never multiplied; one output costs at
// most P = ceil(N / I) multiply-adds. Nothing is shifted.
//
// Two ways to sum, chosen by PairwiseSum (read by Initialize):
//   false: the history is a circular window of H slots into which each input
//          is copied once; each output is accumulated from 0.0 in tap order,
//          newest input first, so the result is bit-identical to the textbook
//          direct form summed in that order.
//   true:  the history is stored newest first and twice over (2 H slots;
//          positions q and q + H hold the same input), so every window is one
//          contiguous run, and each output is the lane sum FirKernel::DotLanes
//          (sixteen partial sums grouped by tap index). Several times faster for
//          long filters, equal to the in-order sum within rounding, and like
//          it independent of block sizes and of where the window lies in
//          storage: any two filters with the same taps and inputs agree bit
//          for bit.
//
// Feed() is a firing that only takes the inputs into the history (no output),
// for owners that know the outputs of that firing cannot be used.
//
// Lifecycle (see DFModel.h): Setup checks the parameters and sets the rates;
// Initialize allocates and zeroes the window and fixes the way of summing;
// Run and Feed allocate nothing; Finalize and the destructor free the window.
// The tap array is never freed here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

// The FIR arithmetic, apart from the block's lifecycle.
namespace FirKernel {

// acc + sum_{j<count} h[j*stride] * newest[-j], accumulated in order of j.
inline double DotReversed(const double* h, size_t stride, const double* newest, size_t count,
                          double acc)
{
    for (size_t j = 0; j < count; ++j) acc += h[j * stride] * newest[-static_cast<std::ptrdiff_t>(j)];
    return acc;
}

// The lane sum: sum_{j<count} h[j*stride] * x[j], with x[j] the input j
// samples before the newest (the window stored newest first, contiguous).
// Term j goes to lane j mod LaneCount, each lane accumulated from 0.0 in
// order of j; the lanes are then combined in one fixed order:
//     b[i] = (s[i] + s[i+4]) + (s[i+8] + s[i+12])     i = 0..3
//     sum  = (b[0] + b[2]) + (b[1] + b[3])
// The grouping depends only on the tap index and the count, never on where
// the window lies in storage or on the processor: the same taps and inputs
// always give the same bits. Sixteen independent chains instead of one make
// it several times faster than the in-order sum, from which it differs only
// by rounding (they lie within about (count/16 + 5) * 2^-53 * sum |h x| and
// count * 2^-53 * sum |h x| of the exact value respectively).
//
// DotLanes picks, once, the fastest version the processor runs (AVX2 where
// available, else the portable one); the versions use plain multiplies and
// adds (no fused multiply-add) and give bit-identical results. Defined in
// FirKernel.cpp.
constexpr size_t LaneCount = 16;
double DotLanes(const double* h, size_t stride, const double* x, size_t count);
double DotLanesPortable(const double* h, size_t stride, const double* x, size_t count);
// The AVX2 version and whether this processor can run it (tests compare it
// with the portable one; calling it where it is not available is an error).
bool DotLanesAvx2Available();
double DotLanesAvx2(const double* h, size_t stride, const double* x, size_t count);

// The output of one polyphase branch over a circular window:
//     sum_{j<count} h[j*stride] * s[w - j]
// where s[e] is the item at storage position (start + e) mod size of
// `window` and w is the window position of the newest input used, formed by
// DotReversed over the (at most two) contiguous runs of storage: the sum runs
// from 0.0 in order of j (newest input first). Requires count <= w + 1 and
// w < size.
inline double DotWindow(const double* h, size_t stride, size_t count, const double* window,
                        size_t size, size_t start, size_t w)
{
    size_t pos = start + w;
    if (pos >= size) pos -= size;
    // First run: storage positions pos, pos-1, ..., 0; then size-1 downwards.
    size_t first = pos + 1 < count ? pos + 1 : count;
    double acc = DotReversed(h, stride, window + pos, first, 0.0);
    if (first < count) acc = DotReversed(h + first * stride, stride, window + size - 1, count - first, acc);
    return acc;
}

// Number of taps of polyphase branch p (taps p, p+I, p+2I, ... below N).
inline size_t BranchLength(size_t numTaps, size_t interpolation, size_t p)
{
    return p < numTaps ? (numTaps - p + interpolation - 1) / interpolation : 0;
}

}  // namespace FirKernel

template <typename T, bool Complex>
class FIR;

template <>
class FIR<double, false> : public DFModel {
public:
    // Largest history window Setup accepts: 2^24 samples (128 MiB, twice
    // that with PairwiseSum). Larger windows come only from nonsensical rates
    // or tap counts; they are refused instead of attempting a giant
    // allocation.
    static constexpr int64_t MaxWindow = int64_t(1) << 24;

    FIR() = default;
    ~FIR() override { FreeHistory(); }

    CircularBuffer<double> Input;
    CircularBuffer<double> Output;

private:
    CircularBuffer<double> m_History;
    double* m_pdHistory = nullptr;

public:
    const double* m_pdTaps = nullptr;  // N coefficients, owned by the owner
    int m_iNumTaps = 0;                // N
    int Decimation = 1;                // D
    int DecimationPhase = 0;           // phi
    int Interpolation = 1;             // I
    int m_iTapsPerPhase = 0;           // P = ceil(N / I), set by Setup
    // false (default): each output summed in tap order, bit-identical to the
    // direct form. true: the lane sum (see above), several times faster for
    // long filters, differing from the in-order sum only by rounding. Read by
    // Initialize; a change takes effect at the next Initialize.
    bool PairwiseSum = false;

    bool Setup() override
    {
        bool ok = true;
        if (m_iNumTaps < 1) {
            DFErrorHandler::PostError(this, "There must be at least one Tap");
            ok = false;
        }
        if (Decimation < 1) {
            DFErrorHandler::PostError(this, "Decimation must be > 0");
            ok = false;
        }
        if (DecimationPhase < 0) {
            DFErrorHandler::PostError(this, "DecimationPhase must be >= 0");
            ok = false;
        }
        if (DecimationPhase >= Decimation) {
            DFErrorHandler::PostError(this, "DecimationPhase must be < Decimation ratio");
            ok = false;
        }
        if (Interpolation < 1) {
            DFErrorHandler::PostError(this, "Interpolation must be > 0");
            ok = false;
        }
        if (!ok) return false;
        // Formed in 64 bits: N and D near the 32-bit limit must not wrap.
        int64_t window = int64_t(m_iNumTaps) / Interpolation + Decimation + 1;
        if (window > MaxWindow) {
            DFErrorHandler::PostError(this, "The history window of the filter is too large");
            return false;
        }
        m_iWindow = static_cast<size_t>(window);
        // A Setup after Initialize that changes the window size leaves a
        // history of the old size: it is freed, so that Run and Feed fail
        // (return false) until the next Initialize instead of indexing past it.
        if (m_pdHistory && m_iAllocated != m_iWindow) FreeHistory();
        m_iTapsPerPhase = m_iNumTaps / Interpolation + (m_iNumTaps % Interpolation != 0 ? 1 : 0);
        Input.SetRate(static_cast<size_t>(Decimation));
        Output.SetRate(static_cast<size_t>(Interpolation));
        m_History.SetRate(static_cast<size_t>(Decimation));
        m_History.SetHistoryDepth(m_iWindow);
        return true;
    }

    bool Initialize() override
    {
        FreeHistory();
        if (m_iWindow == 0) return false;  // no successful Setup yet
        m_bLanes = PairwiseSum;
        if (m_bLanes) {
            m_pdHistory = new double[2 * m_iWindow]();
            m_iNewest = 0;
        } else {
            m_pdHistory = new double[m_iWindow]();
            m_History.SetBuffer(m_pdHistory, m_iWindow, static_cast<size_t>(Decimation), 0);
        }
        m_iAllocated = m_iWindow;
        return true;
    }

    bool Run() override { return m_bLanes ? RunLanes() : RunInOrder(); }

    // One firing that takes the D inputs into the history but forms no
    // output: Output is left as it was. The history, and so every later Run,
    // is exactly what it would have been had this firing been a Run. For an
    // owner that knows the outputs of this firing cannot be used; costs a few
    // copies instead of the dot products. Returns false, like Run, when the
    // block is not initialized.
    bool Feed()
    {
        if (!m_pdHistory) return false;
        if (m_bLanes) {
            StoreInputsNewestFirst();
        } else {
            StoreInputs();
            m_History.Advance();
        }
        return true;
    }

    bool Finalize() override
    {
        FreeHistory();
        return true;
    }

    size_t GetWindowSize() const { return m_iWindow; }

private:
    bool RunInOrder()
    {
        const size_t H = m_iWindow;
        const size_t D = static_cast<size_t>(Decimation);
        const size_t I = static_cast<size_t>(Interpolation);
        const size_t N = static_cast<size_t>(m_iNumTaps);
        double* s = m_pdHistory;
        if (!s) return false;  // not initialized, or finalized
        const size_t start = m_History.GetStartLocation();

        // 1. The new inputs go to the end of the window.
        StoreInputs();
        // 2. Each new input k yields the outputs of the phases p < I.
        size_t p = static_cast<size_t>(DecimationPhase);
        size_t o = 0;
        for (size_t k = 0; k < D; ++k) {
            const size_t w = H - D + k;
            for (; p < I; p += D) {
                Output[o++] = FirKernel::DotWindow(m_pdTaps + p, I, FirKernel::BranchLength(N, I, p), s,
                                                   H, start, w);
            }
            p -= I;
        }
        // 3. The D newest inputs become part of the past.
        m_History.Advance();
        return true;
    }

    bool RunLanes()
    {
        const size_t D = static_cast<size_t>(Decimation);
        const size_t I = static_cast<size_t>(Interpolation);
        const size_t N = static_cast<size_t>(m_iNumTaps);
        if (!m_pdHistory) return false;  // not initialized, or finalized
        StoreInputsNewestFirst();
        // Input k of this firing is D - 1 - k inputs older than the newest;
        // its branch reaches back at most floor(N / I) further, inside the
        // window of H = floor(N / I) + D + 1.
        const double* newest = m_pdHistory + m_iNewest;
        size_t p = static_cast<size_t>(DecimationPhase);
        size_t o = 0;
        for (size_t k = 0; k < D; ++k) {
            const double* x = newest + (D - 1 - k);
            for (; p < I; p += D)
                Output[o++] = FirKernel::DotLanes(m_pdTaps + p, I, x, FirKernel::BranchLength(N, I, p));
            p -= I;
        }
        return true;
    }

    // Lane-sum history: each input goes in front of the newest, at position
    // q and its mirror q + H, so positions q .. q + H - 1 hold the last H
    // inputs newest first.
    void StoreInputsNewestFirst()
    {
        const size_t H = m_iWindow;
        const size_t D = static_cast<size_t>(Decimation);
        for (size_t i = 0; i < D; ++i) {
            m_iNewest = (m_iNewest == 0 ? H : m_iNewest) - 1;
            m_pdHistory[m_iNewest] = Input[i];
            m_pdHistory[m_iNewest + H] = Input[i];
        }
    }

    // Copies the D inputs of this firing to the end of the window.
    void StoreInputs()
    {
        const size_t H = m_iWindow;
        const size_t D = static_cast<size_t>(Decimation);
        const size_t start = m_History.GetStartLocation();
        for (size_t i = 0; i < D; ++i) {
            size_t pos = start + (H - D + i);
            if (pos >= H) pos -= H;
            m_pdHistory[pos] = Input[i];
        }
    }

    void FreeHistory()
    {
        m_History.SetBuffer(nullptr, 0, m_History.GetRate(), 0);
        delete[] m_pdHistory;
        m_pdHistory = nullptr;
        m_iAllocated = 0;
    }

    size_t m_iWindow = 0;     // H
    size_t m_iAllocated = 0;  // the H m_pdHistory was allocated for (H or 2 H slots)
    bool m_bLanes = false;    // PairwiseSum as of the last Initialize
    size_t m_iNewest = 0;     // lane sum: position q of the newest input, in [0, H)
};

}  // namespace Vantrel

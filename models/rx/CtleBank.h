// CtleSharedHistory: one input history for all filters of the CTLE bank.
//
// All 32 CTLE filters see the same input x, so one window of the last W inputs
// (W = the longest filter) serves them all, and only the selected filter's
// output needs computing:
//
//   y_m[n] = sum_{j=0}^{N_m - 1} h_m[j] x[n - j]      (inputs before the first: 0)
//
// Each output is the lane sum of the FIR block, FirKernel::DotLanes (sixteen
// partial sums grouped by tap index, combined in a fixed order), over the
// window stored newest first. That sum depends only on the taps and the
// inputs, never on where the window lies in storage, so the result is bit
// for bit the output that filter m, run as a FIR block with PairwiseSum set,
// would give had it run on every sample. A change of the selected filter
// therefore switches to a filter whose history holds the whole recent input.
//
// The window is stored newest first and twice over (positions q and q + W
// hold the same sample), so the last W inputs are always one contiguous run
// and the dot product never wraps.
//
// Allocate() and Free() own the storage; Push() and Output() never allocate.
#pragma once

#include <cstddef>

#include "dataflow/FIR.h"
#include "dataflow/FftConvolver.h"

class CtleSharedHistory {
public:
    CtleSharedHistory() = default;
    CtleSharedHistory(const CtleSharedHistory&) = delete;
    CtleSharedHistory& operator=(const CtleSharedHistory&) = delete;
    ~CtleSharedHistory() { Free(); }

    // A zeroed window of iWindow inputs (iWindow >= 1); false if iWindow is 0.
    bool Allocate(size_t iWindow);
    void Free();
    bool IsAllocated() const { return m_pdStorage != nullptr; }
    size_t Window() const { return m_iWindow; }

    // Appends the newest input.
    void Push(double dSample)
    {
        m_iNewest = (m_iNewest == 0 ? m_iWindow : m_iNewest) - 1;
        m_pdStorage[m_iNewest] = dSample;
        m_pdStorage[m_iNewest + m_iWindow] = dSample;
    }

    // The last Window() inputs, newest first.
    const double* Newest() const { return m_pdStorage + m_iNewest; }

    // The output of the filter with taps pdTaps[0 .. iNumTaps-1] for the inputs
    // pushed so far; iNumTaps must not exceed Window().
    double Output(const double* pdTaps, size_t iNumTaps) const
    {
        return Vantrel::FirKernel::DotLanes(pdTaps, 1, Newest(), iNumTaps);
    }

private:
    double* m_pdStorage = nullptr;  // 2 W items
    size_t m_iWindow = 0;           // W
    size_t m_iNewest = 0;           // position q of the newest input, in [0, W)
};

// CtleLookahead: the selected CTLE filter's output computed ahead, by blocks,
// for inputs that the caller announces before presenting them one per sample.
//
// Announce(p, n) says that the next n inputs will be p[0 .. n-1]. Each sample
// then calls Take(x) with its input (after pushing it into the shared
// history); while x is, bit for bit, the next announced input, Value() gives
// the output of the filter asked for at this sample, computed for a whole
// segment at once by FftConvolver (up to two segments of L - W + 1 samples
// per transform, W the shared window; L is the smallest of three sizes, the
// largest 8192 or the first power of two >= 4 W, whose two segments cover
// the announced inputs left, else the largest): the segment starts at the current
// sample, its first W - 1 inputs come from the shared history, the rest from
// the announced inputs. A request for another filter (a change of the CTLE
// setting) starts a new segment at that sample, so every output is that of
// the filter selected at its own sample.
//
// Value() gives the output together with a bound on its distance from the
// exact sum (FftConvolver::ErrorBound); the caller decides whether that is
// close enough or takes the lane sum of the shared history instead. Value()
// refuses (false) where the exact sum must be taken: no announced input for
// this sample, fewer than kMinSegment announced inputs left (a transform
// would cost more than the direct sums), or inputs that are not finite.
//
// An announced input array must stay unchanged until the sample that takes
// its last input has been computed; inputs that have been taken may be
// overwritten (the model writes its outputs over them). Allocate() and Free()
// own the storage; nothing else allocates.
class CtleLookahead {
public:
    static constexpr size_t kMinSegment = 64;
    static constexpr int kSizes = 3;

    CtleLookahead() = default;
    CtleLookahead(const CtleLookahead&) = delete;
    CtleLookahead& operator=(const CtleLookahead&) = delete;
    ~CtleLookahead() { Free(); }

    // For filters of up to iWindow taps (the shared history's window).
    bool Allocate(size_t iWindow);
    void Free();
    bool IsAllocated() const { return m_pdStorage != nullptr; }

    void Announce(const double* pdInputs, size_t iCount);
    // Drops whatever was announced.
    void Clear();
    // True if dInput is the next announced input (it is then taken).
    bool Take(double dInput);
    // The output at the sample of the last successful Take() of the filter
    // with taps pdTaps[0 .. iNumTaps-1] (iNumTaps <= the window), with its
    // error bound; false if it must be computed exactly (see above).
    bool Value(const double* pdTaps, size_t iNumTaps, const CtleSharedHistory& history, double* pdValue,
               double* pdBound);

    // Segments computed since Allocate (for tests and benchmarks).
    size_t SegmentCount() const { return m_iSegments; }
    // Outputs of one segment of the largest transform.
    size_t LongestSegment() const { return m_iSizes ? m_Fft[m_iSizes - 1].Outputs() : 0; }

private:
    bool ComputeSegment(const double* pdTaps, size_t iNumTaps, const CtleSharedHistory& history);

    Vantrel::FftConvolver m_Fft[kSizes];  // ascending sizes
    int m_iSizes = 0;
    const double* m_apSpectrumTaps[kSizes] = {};  // taps whose spectrum each holds
    size_t m_aiSpectrumCount[kSizes] = {};
    double* m_pdStorage = nullptr;
    double* m_pdInA = nullptr;  // L inputs of the first segment
    double* m_pdInB = nullptr;  // L inputs of the second
    double* m_pdOut = nullptr;  // 2 S outputs
    const double* m_pdAhead = nullptr;
    size_t m_iAhead = 0;         // announced inputs
    size_t m_iNext = 0;          // index of the next one to take
    bool m_bCurrent = false;     // the current sample was announced, at m_iNext - 1
    const double* m_pdSegTaps = nullptr;       // the current segment's filter
    size_t m_iSegStart = 0;      // announced index of its first output
    size_t m_iSegCount = 0;      // outputs it covers (0: none)
    bool m_bSegExact = false;    // its samples must be summed exactly
    double m_dSegBound = 0.0;
    size_t m_iSegments = 0;
};

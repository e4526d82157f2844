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

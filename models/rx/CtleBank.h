// CtleSharedHistory: one input history for all filters of the CTLE bank.
//
// All 32 CTLE filters see the same input x, so one window of the last W inputs
// (W = the longest filter) serves them all, and only the selected filter's
// output needs computing:
//
//   y_m[n] = sum_{j=0}^{N_m - 1} h_m[j] x[n - j]      (inputs before the first: 0)
//
// The sum runs from j = 0 (newest input) upward in one accumulator starting
// at 0.0, the order in which the FIR block evaluates its convolution, so the
// result is bit for bit the output that filter m would give had it run on
// every sample. A change of the selected filter therefore switches to a
// filter whose history holds the whole recent input.
//
// The window is stored twice over (positions p and p + W hold the same
// sample), so the last W inputs are always contiguous and the dot product
// never wraps.
//
// Allocate() and Free() own the storage; Push() and Output() never allocate.
#pragma once

#include <cstddef>

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
        if (++m_iNewest == m_iWindow) m_iNewest = 0;
        m_pdStorage[m_iNewest] = dSample;
        m_pdStorage[m_iNewest + m_iWindow] = dSample;
    }

    // The output of the filter with taps pdTaps[0 .. iNumTaps-1] for the inputs
    // pushed so far; iNumTaps must not exceed Window().
    double Output(const double* pdTaps, size_t iNumTaps) const
    {
        const double* newest = m_pdStorage + m_iNewest + m_iWindow;
        double acc = 0.0;
        for (size_t j = 0; j < iNumTaps; ++j) acc += pdTaps[j] * newest[-static_cast<std::ptrdiff_t>(j)];
        return acc;
    }

private:
    double* m_pdStorage = nullptr;  // 2 W items
    size_t m_iWindow = 0;           // W
    size_t m_iNewest = 0;           // position of the newest input in [0, W)
};

#include "models/rx/CtleBank.h"

#include <cmath>
#include <cstring>
#include <new>

bool CtleSharedHistory::Allocate(size_t iWindow)
{
    Free();
    if (iWindow == 0) return false;
    m_pdStorage = new (std::nothrow) double[2 * iWindow]();
    if (!m_pdStorage) return false;
    m_iWindow = iWindow;
    m_iNewest = 0;  // the first Push lands at position W - 1
    return true;
}

void CtleSharedHistory::Free()
{
    delete[] m_pdStorage;
    m_pdStorage = nullptr;
    m_iWindow = 0;
    m_iNewest = 0;
}

bool CtleLookahead::Allocate(size_t iWindow)
{
    Free();
    if (iWindow == 0) return false;
    unsigned log2Max = 13;
    while ((size_t(1) << log2Max) < 4 * iWindow && log2Max < 20) ++log2Max;
    for (unsigned log2 = log2Max - (kSizes - 1); log2 <= log2Max; ++log2) {
        const size_t L = size_t(1) << log2;
        if (L < iWindow + kMinSegment) continue;  // segments too short to pay
        if (!m_Fft[m_iSizes].Allocate(log2, iWindow)) {
            Free();
            return false;
        }
        ++m_iSizes;
    }
    if (m_iSizes == 0) return false;
    const size_t L = m_Fft[m_iSizes - 1].Size();
    const size_t S = m_Fft[m_iSizes - 1].Outputs();
    m_pdStorage = new (std::nothrow) double[2 * L + 2 * S]();
    if (!m_pdStorage) {
        Free();
        return false;
    }
    m_pdInA = m_pdStorage;
    m_pdInB = m_pdInA + L;
    m_pdOut = m_pdInB + L;
    m_iSegments = 0;
    return true;
}

void CtleLookahead::Free()
{
    Clear();
    for (Vantrel::FftConvolver& f : m_Fft) f.Free();
    m_iSizes = 0;
    delete[] m_pdStorage;
    m_pdStorage = m_pdInA = m_pdInB = m_pdOut = nullptr;
    for (int i = 0; i < kSizes; ++i) {
        m_apSpectrumTaps[i] = nullptr;
        m_aiSpectrumCount[i] = 0;
    }
}

void CtleLookahead::Clear()
{
    m_pdAhead = nullptr;
    m_iAhead = 0;
    m_iNext = 0;
    m_bCurrent = false;
    m_iSegCount = 0;
    m_pdSegTaps = nullptr;
}

void CtleLookahead::Announce(const double* pdInputs, size_t iCount)
{
    Clear();
    if (!IsAllocated() || !pdInputs) return;
    m_pdAhead = pdInputs;
    m_iAhead = iCount;
}

bool CtleLookahead::Take(double dInput)
{
    if (m_iNext < m_iAhead && std::memcmp(&dInput, m_pdAhead + m_iNext, sizeof dInput) == 0) {
        ++m_iNext;
        m_bCurrent = true;
        return true;
    }
    if (m_iAhead != 0 || m_bCurrent) Clear();
    return false;
}

bool CtleLookahead::Value(const double* pdTaps, size_t iNumTaps, const CtleSharedHistory& history,
                          double* pdValue, double* pdBound)
{
    if (!m_bCurrent) return false;
    const size_t pos = m_iNext - 1;
    const bool inSegment = m_iSegCount > 0 && pdTaps == m_pdSegTaps && pos >= m_iSegStart &&
                           pos - m_iSegStart < m_iSegCount;
    if (!inSegment) {
        if (!ComputeSegment(pdTaps, iNumTaps, history)) return false;
    } else if (m_bSegExact) {
        return false;
    }
    *pdValue = m_pdOut[pos - m_iSegStart];
    *pdBound = m_dSegBound;
    return true;
}

// A segment of outputs from the current sample on: the first L inputs are
// the W - 1 previous ones (from the history, oldest first) and the announced
// ones from the current sample; the second transform input, when more is
// announced, starts W - 1 samples before the first segment's end.
bool CtleLookahead::ComputeSegment(const double* pdTaps, size_t iNumTaps, const CtleSharedHistory& history)
{
    const size_t pos = m_iNext - 1;
    const size_t remaining = m_iAhead - pos;
    int size = 0;  // the smallest transform whose two segments cover what is left
    while (size + 1 < m_iSizes && 2 * m_Fft[size].Outputs() < remaining) ++size;
    Vantrel::FftConvolver& fft = m_Fft[size];
    const size_t W = fft.MaxTaps();
    const size_t L = fft.Size();
    const size_t S = fft.Outputs();
    ++m_iSegments;
    m_pdSegTaps = pdTaps;
    m_iSegStart = pos;
    const bool two = remaining > S;
    m_iSegCount = remaining < (two ? 2 * S : S) ? remaining : (two ? 2 * S : S);
    m_bSegExact = true;
    if (remaining < kMinSegment || iNumTaps > W || history.Window() < W) return false;

    const double* newest = history.Newest();
    double maxAbs = 0.0, probe = 0.0;  // probe turns NaN on any input that is not finite
    for (size_t i = 0; i + 1 < W; ++i) m_pdInA[i] = newest[W - 1 - i];
    const size_t nA = remaining < S ? remaining : S;
    std::memcpy(m_pdInA + (W - 1), m_pdAhead + pos, nA * sizeof(double));
    std::memset(m_pdInA + (W - 1) + nA, 0, (L - (W - 1) - nA) * sizeof(double));
    for (size_t i = 0; i < L; ++i) {
        const double a = std::fabs(m_pdInA[i]);
        maxAbs = a > maxAbs ? a : maxAbs;
        probe += m_pdInA[i] * 0.0;
    }
    if (two) {
        // Input k of the second transform is x[pos + S - (W - 1) + k]; with
        // a short segment (S < W - 1) the first of them precede the current
        // sample and come from the history.
        const size_t fromHistory = W - 1 > S ? W - 1 - S : 0;
        for (size_t k = 0; k < fromHistory; ++k) m_pdInB[k] = newest[fromHistory - k];
        const size_t first = pos + S + fromHistory - (W - 1);
        const size_t room = L - fromHistory;
        const size_t nB = m_iAhead - first < room ? m_iAhead - first : room;
        std::memcpy(m_pdInB + fromHistory, m_pdAhead + first, nB * sizeof(double));
        std::memset(m_pdInB + fromHistory + nB, 0, (room - nB) * sizeof(double));
        for (size_t i = 0; i < L; ++i) {
            const double a = std::fabs(m_pdInB[i]);
            maxAbs = a > maxAbs ? a : maxAbs;
            probe += m_pdInB[i] * 0.0;
        }
    }
    if (probe != 0.0) return false;

    if (pdTaps != m_apSpectrumTaps[size] || iNumTaps != m_aiSpectrumCount[size]) {
        fft.SetTaps(pdTaps, iNumTaps);
        m_apSpectrumTaps[size] = pdTaps;
        m_aiSpectrumCount[size] = iNumTaps;
    }
    fft.Filter(m_pdInA, two ? m_pdInB : nullptr, m_pdOut, m_pdOut + S);
    m_dSegBound = fft.ErrorBound(maxAbs);
    m_bSegExact = false;
    return true;
}

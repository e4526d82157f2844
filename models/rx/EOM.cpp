#include "models/rx/EOM.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr int kMiddleLow = 30;   // middle bins of the horizontal measurement
constexpr int kMiddleHigh = 34;

void SetUnitRate(Vantrel::CircularBufferBase& buffer)
{
    buffer.SetRate(1);
    if (buffer.GetHistoryDepth() == 0) buffer.SetHistoryDepth(1);
}
}  // namespace

EOM::EOM() : m_Report("EOM.txt")
{
    for (int k = 0; k < kPhases; ++k) m_adPhaseOffset[k] = k * kTwoPi * (1.0 / 64);
    std::memset(m_adHist, 0, sizeof m_adHist);
    std::memset(m_aiPrevPhaseClock, 0, sizeof m_aiPrevPhaseClock);
    BinThresholds(m_dRange, m_adThreshold);
    for (int r = 0; r < 4; ++r) BinThresholds(RangeOfIndex(r), m_adWindowThresholds[r]);
}

EOM::~EOM() { DeleteBuffers(); }

void EOM::BinThresholds(double dRange, double* pdThresholds)
{
    pdThresholds[0] = -dRange;
    for (int m = 1; m < kBins; ++m) pdThresholds[m] = (2 * m) * dRange * (1.0 / 64) - dRange;
}

int EOM::BinOf(double dValue, const double* pdThresholds)
{
    // The thresholds rise strictly, so the first one not below x is the bin;
    // a NaN is below none of them and lands in bin 0.
    const double* p = std::lower_bound(pdThresholds, pdThresholds + kBins, dValue);
    const int m = static_cast<int>(p - pdThresholds);
    return m < kBins ? m : kBins - 1;
}

double EOM::RangeOfIndex(int iRangeIndex)
{
    // The first window is 0.1; a measurement at index i widens it to (i + 2) 0.1.
    return iRangeIndex == 0 ? 0.1 : (iRangeIndex + 1) * 0.1;
}

int EOM::SineNonNegative(double dAngle)
{
    // The monitor's angles lie in [-2.5 pi, 1.5 pi]. Away from the multiples
    // of pi by more than 1e-9 the sine is at least about 1e-9 in magnitude,
    // far above its rounding, so its sign is that of the interval.
    constexpr double d = 1e-9;
    const double phi = dAngle;
    if (phi > -8.0 && phi < -kTwoPi - d) return 0;
    if (phi > -kTwoPi + d && phi < -kPi - d) return 1;
    if (phi > -kPi + d && phi < -d) return 0;
    if (phi > d && phi < kPi - d) return 1;
    if (phi > kPi + d && phi < 5.0) return 0;
    return std::sin(phi) >= 0.0 ? 1 : 0;  // near an end, or NaN (0)
}

bool EOM::BinCertain(double dValue, double dMargin) const
{
    const double lo = dValue - dMargin;
    const double hi = dValue + dMargin;
    for (const double* t : m_adWindowThresholds)
        if (BinOf(lo, t) != BinOf(hi, t)) return false;
    return true;
}

int EOM::LongestOpenRun(const double* pdValues, int iStride, double dThreshold, int* piStart)
{
    int runLength = 0, maxRun = 0, runStart = 0, bestStart = 0;
    for (int i = 1; i < 64; ++i) {
        const double h = pdValues[i * iStride];
        const double p = pdValues[(i - 1) * iStride];
        if (h <= dThreshold && p > dThreshold) {
            runStart = i;
            runLength = 1;
        } else if (h > dThreshold && p <= dThreshold) {
            if (runLength > maxRun) {
                maxRun = runLength;
                bestStart = runStart;
            }
        } else if (h <= dThreshold) {
            ++runLength;
        }
    }
    if (runLength > maxRun) {
        maxRun = runLength;
        bestStart = runStart;
    }
    *piStart = bestStart;
    return maxRun;
}

bool EOM::Setup()
{
    phaseWave.Initialize(kPhases);
    phaseClock.Initialize(kPhases);
    for (Vantrel::CircularBufferBase* b :
         {static_cast<Vantrel::CircularBufferBase*>(&clock), static_cast<Vantrel::CircularBufferBase*>(&data),
          static_cast<Vantrel::CircularBufferBase*>(&vcoWave), static_cast<Vantrel::CircularBufferBase*>(&start),
          static_cast<Vantrel::CircularBufferBase*>(&ready), static_cast<Vantrel::CircularBufferBase*>(&range),
          static_cast<Vantrel::CircularBufferBase*>(&heo), static_cast<Vantrel::CircularBufferBase*>(&veo),
          static_cast<Vantrel::CircularBufferBase*>(&opening)})
        SetUnitRate(*b);
    for (int k = 0; k < kPhases; ++k) {
        SetUnitRate(phaseWave[k]);
        SetUnitRate(phaseClock[k]);
    }
    return true;
}

bool EOM::Initialize()
{
    std::memset(m_adHist, 0, sizeof m_adHist);
    std::memset(m_aiPrevPhaseClock, 0, sizeof m_aiPrevPhaseClock);
    m_dPrevVco = 0.0;
    m_iPeriodCount = 0;
    m_iPrevStart = 0;
    m_iMeasuring = 0;
    m_iPrevClock = 0;
    m_iVeo = 0;
    m_iOpening = 0;
    m_dRange = 0.1;
    m_iRangeIndex = 0;
    m_iHeo = 64;
    BinThresholds(m_dRange, m_adThreshold);
    m_bPhaseOutputsZero = false;  // the storage may be new
    m_bIdleSteady = false;
    return true;
}

// The largest histogram record: its title, then per bin line 64 counts of at
// most 13 characters ("%g" of a count, six significant digits, such as
// "2.14748e+09") with a tab each, and the line end. It goes to the file in
// one write whatever Nbits is.
constexpr size_t kMaxRecordBytes = sizeof(" Print EOM data to file \n") - 1 + 64 * (64 * (13 + 1) + 1);
static_assert(kMaxRecordBytes <= ReportFile::kBufferBytes, "an EOM record must fit the report buffer");

void EOM::EndMeasurement(double dThreshold)
{
    ready[0] = 1;

    m_Report.Write(" Print EOM data to file \n");
    for (int j = kBins - 1; j >= 0; --j) {
        for (int i = 0; i < kPhases; ++i) {
            m_Report.WriteDouble(m_adHist[i][j]);
            m_Report.Write("\t");
        }
        m_Report.Write("\n");
    }

    // Horizontal opening: the narrowest of the middle bins' widest open runs
    // (the lower bin wins a tie).
    int heoValue = 64, heoStart = 0;
    for (int level = kMiddleLow; level <= kMiddleHigh; ++level) {
        int runStart = 0;
        const int run = LongestOpenRun(&m_adHist[0][level], kBins, dThreshold, &runStart);
        if (run < heoValue) {
            heoValue = run;
            heoStart = runStart;
        }
    }
    m_iHeo = heoValue;

    // Vertical opening at the centre phase of that run. A run of length L
    // starting at s covers phases up to s + L - 1 <= 63, so the centre
    // s + L/2 is a valid phase; the bound is kept for safety.
    if (m_iHeo > 1) {
        const int centre = std::min(m_iHeo / 2 + heoStart, kPhases - 1);
        int unused = 0;
        m_iVeo = LongestOpenRun(&m_adHist[centre][0], 1, dThreshold, &unused);
    } else {
        m_iVeo = 0;
    }

    if (m_iRangeIndex <= 2 && m_iVeo >= 60) {
        m_iRangeIndex += 1;
        m_dRange = RangeOfIndex(m_iRangeIndex);
        BinThresholds(m_dRange, m_adThreshold);
    }
    m_iOpening = m_iVeo <= m_iHeo ? m_iVeo : m_iHeo;
    m_iMeasuring = 0;
}

bool EOM::Run()
{
    const double thr = Nbits * 0.001;
    const double v = vcoWave[0];
    const double delta = v - m_dPrevVco;
    const int s = start[0];
    const int k = clock[0];

    if (m_bIdleSteady && m_iMeasuring == 0 && !(s == 1 && m_iPrevStart == 0)) {
        // Nothing else would change: the outputs and the file are as they were.
        m_dPrevVco = v;
        m_iPrevStart = s;
        m_iPrevClock = k;
        return true;
    }

    m_Report.Touch();

    if (s == 1 && m_iPrevStart == 0) {
        std::memset(m_aiPrevPhaseClock, 0, sizeof m_aiPrevPhaseClock);
        std::memset(m_adHist, 0, sizeof m_adHist);
        m_iPeriodCount = 0;
        m_iMeasuring = 1;
        ready[0] = 0;
    }
    if (m_iPeriodCount < Nbits) ready[0] = 0;

    if (m_iMeasuring == 0) {
        // The 128 phase outputs are this block's alone: once zeroed they stay
        // zero until the next measurement writes them.
        if (!m_bPhaseOutputsZero) {
            for (int i = 0; i < kPhases; ++i) {
                phaseClock[i][0] = 0;
                phaseWave[i][0] = 0.0;
            }
            m_bPhaseOutputsZero = true;
        }
    } else {
        if (PhaseOutputs) m_bPhaseOutputsZero = false;
        if (k == 1 && m_iPrevClock == 0) {
            ++m_iPeriodCount;
            if (m_iPeriodCount >= Nbits) EndMeasurement(thr);
        }
        // The sampling of this Run still counts, also in the Run that ended
        // the measurement.
        const double a = std::asin(v);
        const double theta = delta > 0 ? a : kPi - a;
        const double x = data[0];
        int bin = -1;  // the same for every phase sampled in this Run
        if (PhaseOutputs) {
            for (int i = 0; i < kPhases; ++i) {
                const double sine = std::sin(theta - m_adPhaseOffset[i]);
                const int level = sine >= 0.0 ? 1 : 0;
                phaseWave[i][0] = sine;
                phaseClock[i][0] = level;
                if (m_aiPrevPhaseClock[i] == 1 && level == 0) {
                    if (bin < 0) bin = BinOf(x, m_adThreshold);
                    m_adHist[i][bin] += 1.0;
                }
                m_aiPrevPhaseClock[i] = level;
            }
        } else {
            for (int i = 0; i < kPhases; ++i) {
                const int level = SineNonNegative(theta - m_adPhaseOffset[i]);
                if (m_aiPrevPhaseClock[i] == 1 && level == 0) {
                    if (bin < 0) bin = BinOf(x, m_adThreshold);
                    m_adHist[i][bin] += 1.0;
                }
                m_aiPrevPhaseClock[i] = level;
            }
        }
    }

    opening[0] = m_iOpening;
    veo[0] = m_iVeo;
    heo[0] = m_iHeo;
    range[0] = m_iRangeIndex;
    m_dPrevVco = v;
    m_iPrevStart = s;
    m_iPrevClock = k;
    m_bIdleSteady = m_iMeasuring == 0 && m_bPhaseOutputsZero;

    m_Report.Flush();
    return true;
}

bool EOM::Finalize()
{
    m_bIdleSteady = false;  // the next Run opens the file again
    DeleteBuffers();
    m_Report.Close();
    return true;
}

// EOM: eye-opening monitor of the receiver.
//
// From the VCO waveform v = sin(theta) (a cosine of amplitude 1.0) it rebuilds
// the VCO phase, theta = asin(v) while v rises (delta > 0), pi - asin(v)
// otherwise, and derives 64 sampling phases
//   phaseWave[k]  = sin(theta - k 2 pi / 64),   phaseClock[k] = (phaseWave[k] >= 0.0)
// Whenever phaseClock[i] falls from 1 to 0 during a measurement, the current
// data value x is sorted into a voltage bin of the window [-vRange, +vRange]:
//   bin 0: x <= -vRange;  bin m (1..62): -vRange + (m-1) vRange/32 < x <= -vRange + m vRange/32;
//   bin 63: everything above (NaN goes to bin 0)
// and hist[i][bin] counts one hit. A measurement starts on a rising edge of
// `start` and ends on the Nbits-th rising edge of `clock` after it. At its end
// the block appends the histogram to "EOM.txt", and with thr = 0.001 Nbits
// (a phase/bin is open when its count <= thr):
//   heo   = the smallest, over the middle bins 30..34, of the longest run of
//           open phases (1/64 VCO period each);
//   veo   = the longest run of open bins at the centre phase of that run
//           (0 when heo <= 1), in bins of vRange/32;
//   range = 0..3: after a measurement with veo >= 60 the window widens,
//           vRange = 0.1, 0.2, 0.3, 0.4 (then stays);
//   opening = min(heo, veo);  ready = 1 until the next start.
//
// Ports (all rate 1; element 0 read or written every Run):
//   inputs   clock (int, 0/1), data (double), vcoWave (double, -1..1),
//            start (int, a rising edge 0 -> 1 starts / restarts a measurement)
//   outputs  ready, range, heo, veo, opening (int);
//            phaseWave (bus of 64 double), phaseClock (bus of 64 int):
//            the 64 phase sines and clocks; all 0 outside a measurement.
//            Outside a measurement they are zeroed once and then left alone,
//            so nothing else may write their connections.
//   `ready` is written only when it changes meaning (start, while fewer than
//   Nbits periods have been counted, end): its connection must start at 0.
// Parameter: Nbits (clock periods per measurement, default 200).
// Setup sizes both buses to 64 and sets every port to rate 1.
// Initialize clears the histogram and all state; vRange = 0.1, range 0,
// heo 64, veo and opening 0.
//
// Outside a measurement, a Run without a start edge only records vcoWave,
// start and clock for the next Run once the outputs are current.
//
// PhaseOutputs (default true): write the 64 phase sines and clocks while
// measuring, as above. An owner whose phase connections nobody reads may set
// it false: the outputs are then left at zero and the phase clocks are
// decided by comparing the angle theta - k 2 pi / 64 with the ends of the
// half periods where the sine is >= 0 ([-2 pi, -pi] and [0, pi]); the sine
// itself is computed only within 1e-9 of those ends, so every decision is
// exactly the one the sine gives.
//
// Report "EOM.txt" (current directory, appended, never truncated; created on
// the first Run): per measurement the line " Print EOM data to file \n", then
// 64 lines for bin 63 down to bin 0, each holding the counts of phases 0..63,
// every count in %g form followed by "\t", then "\n". The file stays open
// between Runs and is flushed at the end of every Run that wrote to it; a file
// that cannot be opened loses its text and the measurement proceeds.
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"
#include "models/rx/ReportFile.h"

class EOM : public Vantrel::DFModel {
public:
    static constexpr int kPhases = 64;
    static constexpr int kBins = 64;

    // Inputs.
    Vantrel::CircularBuffer<int> clock;
    Vantrel::CircularBuffer<double> data;
    Vantrel::CircularBuffer<double> vcoWave;
    Vantrel::CircularBuffer<int> start;
    // Outputs.
    Vantrel::CircularBuffer<int> ready;
    Vantrel::CircularBuffer<int> range;
    Vantrel::CircularBuffer<int> heo;
    Vantrel::CircularBuffer<int> veo;
    Vantrel::CircularBuffer<int> opening;
    Vantrel::CircularBufferBusT<Vantrel::CircularBuffer<double>> phaseWave;
    Vantrel::CircularBufferBusT<Vantrel::CircularBuffer<int>> phaseClock;

    // Parameter.
    int Nbits = 200;
    bool PhaseOutputs = true;  // see above

    EOM();
    ~EOM() override;

    bool Setup() override;
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

    // The 64 bin thresholds of a window of half-width vRange:
    // t[0] = -vRange, t[m] = 2m vRange / 64 - vRange.
    static void BinThresholds(double dRange, double* pdThresholds);
    // The bin of x: the first m with x <= t[m], or 63 if x is above them all.
    static int BinOf(double dValue, const double* pdThresholds);
    // The longest run of open entries (value <= thr) among values[k * stride],
    // k = 0..63, scanned from k = 1: a run open from entry 0 on counts from
    // entry 1 and keeps start 0. Returns the length; *piStart gets its start
    // (the first of equally long runs).
    static int LongestOpenRun(const double* pdValues, int iStride, double dThreshold, int* piStart);
    // Half-width of the voltage window at range index 0..3: 0.1, 0.2, 0.3, 0.4.
    static double RangeOfIndex(int iRangeIndex);
    // Whether phase clock level (sin(dAngle) >= 0.0) is 1, by comparison of
    // the angle where that is safe, else by the sine.
    static int SineNonNegative(double dAngle);
    // True when every value within dMargin of dValue falls in the same bin,
    // for every window the monitor can use (range index 0..3).
    bool BinCertain(double dValue, double dMargin) const;
    bool Measuring() const { return m_iMeasuring != 0; }
    // Idle with every output current: until a start edge, a Run would only
    // record vcoWave, start and clock. An owner may then leave Run out and,
    // before the next Run, give those of the firing before it with Resume().
    bool IdleSteady() const { return m_bIdleSteady && m_iMeasuring == 0; }
    void Resume(double dPrevVco, int iPrevStart, int iPrevClock)
    {
        m_dPrevVco = dPrevVco;
        m_iPrevStart = iPrevStart;
        m_iPrevClock = iPrevClock;
    }

private:
    void EndMeasurement(double dThreshold);

    ReportFile m_Report;
    double m_adHist[kPhases][kBins];  // [phase][bin] hit counts
    double m_adPhaseOffset[kPhases];  // k 2 pi / 64
    double m_adThreshold[kBins];
    double m_adWindowThresholds[4][kBins];  // the thresholds of each range index
    int m_aiPrevPhaseClock[kPhases];
    double m_dPrevVco = 0.0;
    double m_dRange = 0.1;
    int m_iRangeIndex = 0;
    int m_iPeriodCount = 0;
    int m_iPrevStart = 0;
    int m_iMeasuring = 0;
    int m_iPrevClock = 0;
    int m_iHeo = 64;
    int m_iVeo = 0;
    int m_iOpening = 0;
    bool m_bPhaseOutputsZero = false;  // phase outputs hold 0 since the last idle Run
    bool m_bIdleSteady = false;        // idle, and every output is current
};

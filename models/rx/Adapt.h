// Adapt: adaptation controller of the receiver's CTLE setting and DFE taps.
//
// It never touches the signal: it requests eye measurements from EOM, reads
// the horizontal / vertical openings (H, V) and the voltage-range index R that
// come back, and steps the CTLE setting eqLevel (0..31) and, when enabled, the
// DFE tap codes C1..C5. With score = (R + 1) H and good = H <= (R + 1) V
// (products in 64 bits, so no input can overflow them), it works in phases:
//   1. "CTLE adapt till CDR lock": eqLevel += 2 per measurement until H > 5
//      (or eqLevel > 29);
//   2. "CTLE adapt till optimum": eqLevel += 1 while the eye gets better than
//      the previous measurement; once it does not, step back by 1 (and compare
//      later results with the measurement of the setting stepped back to);
//      the setting never leaves 0..31;
//   3. "DFE adapt": each tap in turn, starting at 1, moves by +/-1 while the
//      eye improves.
// A measurement with H <= 3 in phase 2 or 3 raises eqLevel by 1 (up to 30)
// and goes back to phase 1.
//
// Ports (all CircularBuffer<int>, rate 1; element 0 read or written per Run):
//   inputs   start  (adaptation may begin once it is 1; the model feeds it
//                    from an NClockDelay),
//            ready  (EOM's measurement-complete flag; a rising edge delivers
//                    heo, veo, range),
//            heo, veo, range (EOM's results),
//            ack    (the clocked copy of `request`; its rising edge clears it)
//   outputs  taps (bus of 5: C1..C5), eqLevel, request (1 while a measurement
//            is wanted), ctleDone (phase 2 finished), dfeDone (phase 3 finished)
// Parameters (set before Setup; each enables its adaptation only when exactly
// 1): DfeEnable, CtleEnable.
// Setup sizes `taps` to 5 and sets every port to rate 1. Initialize resets all
// state to 0 (setting 0, taps 0, nothing requested) and enters phase 1.
//
// Report "Adapt.txt" (current directory, appended, never truncated; created on
// the first Run even when both adaptations are off). On the first Run with
// start 1 and an adaptation enabled: "Begin CTLE adapt till CDR lock \n" and
// "EQ_level \t C1 \t C2 \t C3 \t C4 \t C5 \t HEO value \t VEO value \t Range \n".
// Per completed measurement, before it is acted on, the row
//   eqLevel "\t\t" C1 " \t" C2 " \t" C3 " \t" C4 " \t" C5 " \t" H " \t " V " \t " R "\n"
// and the phase lines "End CTLE adapt till CDR lock \n", "Begin CTLE adapt
// till optimum \n", "End CTLE adapt till optimum \n", "Begin DFE adapt \n",
// "End DFE adapt \n" followed by " Number of EYE computations = " count "\n".
// The file stays open between Runs and is flushed at the end of every Run
// that wrote to it; a file that cannot be opened loses its text and the
// adaptation proceeds unchanged.
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"
#include "models/rx/ReportFile.h"

class Adapt : public Vantrel::DFModel {
public:
    static constexpr int kTaps = 5;
    static constexpr int kMaxLevel = 31;

    // Inputs.
    Vantrel::CircularBuffer<int> start;
    Vantrel::CircularBuffer<int> ready;
    Vantrel::CircularBuffer<int> heo;
    Vantrel::CircularBuffer<int> veo;
    Vantrel::CircularBuffer<int> range;
    Vantrel::CircularBuffer<int> ack;
    // Outputs.
    Vantrel::CircularBufferBusT<Vantrel::CircularBuffer<int>> taps;
    Vantrel::CircularBuffer<int> eqLevel;
    Vantrel::CircularBuffer<int> request;
    Vantrel::CircularBuffer<int> ctleDone;
    Vantrel::CircularBuffer<int> dfeDone;

    // Parameters.
    int DfeEnable = 0;
    int CtleEnable = 0;

    Adapt();
    ~Adapt() override;

    bool Setup() override;
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

    // Number of measurements requested since Initialize.
    int EyeCount() const { return m_iEyeCount; }

private:
    struct Measurement {
        int heo, veo, range;
    };

    void Request();
    void WriteRow(const Measurement& m);
    void PhaseOne(const Measurement& m);
    void PhasesTwoAndThree(const Measurement& m);
    void FinishCtle();
    void NextTap(int k);
    bool BetterInPhaseTwo(const Measurement& m) const;
    bool BetterInPhaseThree(const Measurement& m) const;
    void Restore() { m_Cur = m_Prev; }

    ReportFile m_Report;

    int m_aiDirection[kTaps];
    int m_aiTapDone[kTaps];
    int m_aiTapCode[kTaps];  // C1..C5
    int m_aiTapStarted[kTaps];
    int m_iTapIndex = 0;
    int m_iDfeDone = 0;
    int m_iCtleDone = 0;
    int m_iEqLevel = 0;
    Measurement m_Prev = {0, 0, 0};  // previous measurement of phases 2 and 3
    int m_iGood = 0;
    int m_iStarted = 0;
    int m_iPrevStarted = 0;
    int m_iPrevAck = 0;
    int m_iPrevReady = 0;
    Measurement m_Cur = {0, 0, 0};   // current measurement of phases 2 and 3
    Measurement m_Lock = {0, 0, 0};  // current measurement of phase 1
    int m_iLockPhase = 1;
    int m_iRequestFlag = 0;
    int m_iEyeCount = 0;
};

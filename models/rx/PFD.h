// PFD: the clock-recovery detector of the receiver.
//
// At every transition of the data level d[n] = (Data > 0.0) it samples the
// sign of the in-phase and of the quadrature clock:
//   InPhaseSample    = +1 if InPhaseClock    > 0.0 else -1
//   QuadratureSample = +1 if QuadratureClock > 0.0 else -1
// and derives a frequency-error decision from how the in-phase sample changed.
// With the clock's phase at the data transitions taken as an angle, the
// in-phase sample changes at two boundaries: the near one (Q = +1), where
// the loop locks, and the far one (Q = -1), half a period away. A change at
// the far boundary that follows a change at the near one means the phase
// slips round, and its direction is the frequency error:
//   rose (-1 -> +1) at Q = -1 after a change at Q = +1: -1
//   fell (+1 -> -1) at Q = -1 after a change at Q = +1: +1
//   any other change: 0 (at the near boundary; back over the far boundary
//     it last crossed; the first change of all)
//   unchanged: the previous error holds, but only for HoldTransitions
//     transitions with the same in-phase and quadrature samples; then it
//     lapses to 0, since a phase that stays in one quadrant is not slipping.
// The first transition sets the samples and leaves the error at 0. Between
// transitions all three outputs hold. The network adds the in-phase sample
// and the frequency error into the pump command: while the phase slips, the
// error cancels the phase term over the half period in which that term
// would push the frequency the wrong way; once the phase stops slipping the
// phase term alone pulls it to the near boundary from any starting phase.
// Parameter: HoldTransitions (> 0, default 1024; at the PRBS transition
// density of one per two bits, a slip slower than about 1 / (4 x 2048 bits),
// some 120 ppm, loses the held error part of the way through a quadrant).
//
// Ports are plain data members: before Run the owning network copies element 0
// of each input connection into InPhaseClock, QuadratureClock and Data; after
// Run it copies InPhaseSample, QuadratureSample and FrequencyError to element 0
// of their output connections.
//
// State is reset only by construction: Initialize leaves it alone, so a second
// Initialize continues from where the loop was.
#pragma once

#include "dataflow/DFModel.h"

class PFD : public Vantrel::DFModel {
public:
    // Inputs.
    double InPhaseClock = 0.0;     // in-phase clock (VCO waveform); only its sign matters
    double QuadratureClock = 0.0;  // quadrature clock (VCO waveform a quarter period later)
    double Data = 0.0;             // equalised data; its level (> 0.0 or not) triggers the detector

    // Parameter: transitions in one quadrant after which a held frequency
    // error lapses.
    int HoldTransitions = 1024;

    // Outputs (0 until the first data transition).
    int InPhaseSample = 0;     // +1 / -1: bang-bang phase decision
    int QuadratureSample = 0;  // +1 / -1
    int FrequencyError = 0;    // -1, 0, +1

    PFD() = default;
    ~PFD() override { DeleteBuffers(); }

    bool Setup() override { return true; }
    bool Initialize() override { return true; }  // state is deliberately not reset
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

private:
    double m_dPrevDataLevel = 0.0;  // 1.0 or 0.0, data level of the previous firing
    int m_iPrevInPhaseSample = 0;   // in-phase sample before the latest transition
    int m_iPrevFrequencyError = 0;  // frequency error before the latest transition
    int m_iLastChangeQuadrature = 0; // quadrature sample at the latest change of the in-phase sample
    int m_iSteadyTransitions = 0;   // transitions since the in-phase or quadrature sample last changed
};

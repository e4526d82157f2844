// PFD: the clock-recovery detector of the receiver.
//
// At every transition of the data level d[n] = (Data > 0.0) it samples the
// sign of the in-phase and of the quadrature clock:
//   InPhaseSample    = +1 if InPhaseClock    > 0.0 else -1
//   QuadratureSample = +1 if QuadratureClock > 0.0 else -1
// and derives a frequency-error decision from how the in-phase sample changed:
//   rose (-1 -> +1, or 0 -> +1 at the first transition): 0 if Q = +1, -1 if Q = -1
//   fell (+1 -> -1, or 0 -> -1 at the first transition): 0 if Q = +1, +1 if Q = -1
//   unchanged: the previous error holds.
// Between transitions all three outputs hold.
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
};

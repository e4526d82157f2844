// LoopFilter: charge-pump loop filter of the clock recovery.
//
// A pump current I is injected into the output node, which has C2 to ground
// and, in parallel, R in series with C1 to ground; x1 is the voltage on C1,
// x2 the voltage of the output node (the control output). The command selects
// the current:
//   Command == +1.0 -> I = +Ip;  -1.0 -> I = -Ip;  0.0 -> I = 0;
//   any other value (e.g. +/-2.0 from the summed detector outputs) keeps the
//   current of the previous firing.
// Over one firing of length T = SampleInterval with constant I the network is
// solved exactly (one exponential, no numerical integration):
//   charge   Q = C1 x1 + C2 x2            grows by I T
//   D = x1 - x2 relaxes towards -R I C1/(C1+C2) by the factor
//   E = exp(-(C1 + C2) T / (C1 C2 R)).
//
// Parameters (set by the owner before Setup; no meaningful defaults):
//   C1 [F] > 0, C2 [F] > 0, R [ohm] > 0 (not checked), Ip [A],
//   SampleInterval [s] > 0 (checked by Initialize).
// Ports are plain data members: the network copies the command in before Run
// and Control out after Run.
//
// State (x1, x2, I) is reset only by construction; Initialize checks
// SampleInterval and otherwise leaves the state alone.
#pragma once

#include "dataflow/DFModel.h"

class LoopFilter : public Vantrel::DFModel {
public:
    // Input: pump command; only -1.0, 0.0 and +1.0 act.
    double Command = 0.0;
    // Output: voltage of the output node (x2) after the firing.
    double Control = 0.0;

    // Parameters.
    double C1 = 0.0;              // series capacitance, F
    double C2 = 0.0;              // shunt capacitance, F
    double R = 0.0;               // resistance in series with C1, ohm
    double Ip = 0.0;              // pump current magnitude, A
    double SampleInterval = 0.0;  // length of one firing, s

    LoopFilter() = default;
    ~LoopFilter() override { DeleteBuffers(); }

    bool Setup() override { return true; }
    // Posts "SampleInterval must be a positive number." and fails unless
    // SampleInterval > 0.0 (a NaN interval is refused as well).
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

    double CapacitorVoltage() const { return m_dX1; }  // x1
    double OutputVoltage() const { return m_dX2; }     // x2
    double PumpCurrent() const { return m_dI; }        // I in force

private:
    double m_dX1 = 0.0;
    double m_dX2 = 0.0;
    double m_dI = 0.0;

    // E = exp(-(C1 + C2) T / (C1 C2 R)) for the parameters it was made from.
    double m_dDecay = 0.0;
    double m_dDecayC1 = 0.0, m_dDecayC2 = 0.0, m_dDecayR = 0.0, m_dDecayT = 0.0;
    bool m_bDecayValid = false;

    // The products of parameters in the closed form, and its terms in the
    // current I (see LoopFilter.cpp), for the parameters and the I they were
    // formed from.
    struct Terms {
        double negC1C2, C1C1, C2C1, C2C2, C1EC2, C1C1E, C1C2, C2C2E, S;
        double C1C1IR, ITC1, ITC2, C1C1EIR, C1C2RI, C2EIC1R;
        double I;
        bool noCurrent;  // every term in I that is subtracted is +0
        bool valid;
    };
    Terms m_Terms = {};
    void Coefficients(double T);
};

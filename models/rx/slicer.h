// slicer: decision register.
//
// A rising edge is Clock == 1 where the previous level was 0. On a rising edge
// the decision becomes +1.0 if Data > 0.0, else -1.0 (0.0 decides -1.0); every
// firing outputs the decision held. It is -1.0 until the first rising edge.
//
// Ports are plain data members: the network copies Data and Clock in before
// Run and Output out after Run.
// Initialize sets the decision to -1.0 and the previous clock level to 0 (so a
// clock that is 1 in the very first firing counts as a rising edge).
#pragma once

#include "dataflow/DFModel.h"

class slicer : public Vantrel::DFModel {
public:
    double Data = 0.0;     // signal to decide
    int Clock = 0;         // clock level, 0 or 1
    double Output = -1.0;  // decision held, +1.0 or -1.0

    slicer() = default;
    ~slicer() override { DeleteBuffers(); }

    bool Setup() override { return true; }
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

private:
    double m_dDecision = -1.0;
    int m_iPrevClock = 0;
};

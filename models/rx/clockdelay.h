// clockdelay: two-stage register clocked on rising clock edges.
//
// A rising edge is Clock == 1 where the previous level was 0 (exact values).
// On a rising edge: second <- first, then first <- Data. Every firing:
// Output = second. So the output changes only at rising edges, to the data
// value captured at the rising edge before; it is 0.0 until the second edge.
//
// Ports are plain data members: the network copies Data and Clock in before
// Run and Output out after Run.
// Initialize clears both registers and the previous clock level (so a clock
// that is 1 in the very first firing counts as a rising edge).
#pragma once

#include "dataflow/DFModel.h"

class clockdelay : public Vantrel::DFModel {
public:
    double Data = 0.0;    // input sampled on rising edges
    int Clock = 0;        // clock level, 0 or 1
    double Output = 0.0;  // second register

    clockdelay() = default;
    ~clockdelay() override { DeleteBuffers(); }

    bool Setup() override { return true; }
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

private:
    double m_dFirst = 0.0;
    double m_dSecond = 0.0;
    int m_iPrevClock = 0;
};

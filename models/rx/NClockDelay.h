// NClockDelay: raises its output N + 1 rising clock edges after a start edge.
//
// An edge is a level of exactly 1 where the previous level was exactly 0.
// On a start edge: count <- 0, counting, output <- 0. Then, while counting, a
// clock edge (one in the same firing as the start edge included) increments
// the count; when the count exceeds N the output becomes 1 and counting stops.
// The output stays 1 until the next start edge. Start and clock levels are
// both 0 before the first firing, so a level of 1 there counts as an edge.
//
// Ports: Clock, Start and Output are CircularBuffer<int> that the network
// attaches to the connections directly (element 0 is read / written).
// Parameter: N, the edge limit (set by the owner before Setup).
// Setup sets the rate of the three ports to 1 (history depth at least 1).
// Initialize clears all state (count, counting flag, output level and both
// previous levels).
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

class NClockDelay : public Vantrel::DFModel {
public:
    Vantrel::CircularBuffer<int> Clock;   // clock level, 0 or 1
    Vantrel::CircularBuffer<int> Start;   // a rising edge restarts the count
    Vantrel::CircularBuffer<int> Output;  // 0 or 1

    int N = 0;  // edge limit

    NClockDelay() = default;
    ~NClockDelay() override { DeleteBuffers(); }

    bool Setup() override;
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

    // The output level that Run() writes while its inputs stay as they are.
    int Level() const { return m_iOutput; }

private:
    int m_iPrevStart = 0;
    int m_iOutput = 0;
    int m_iPrevClock = 0;
    int m_iEdgeCount = 0;
    int m_iCounting = 0;
};

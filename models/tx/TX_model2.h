// TX_model2: the transmitter's top-level model.
//
// Minimal network until the output stage lands: the input port feeds one
// internal connection, which feeds the output port (y[n] = x[n]). It already
// keeps the network pattern (ports first, parameters with their defaults,
// connection storage allocated in Initialize and freed in DeleteBuffers).
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/ConnectionStorage.h"
#include "dataflow/DFModel.h"

class TX_model2 : public Vantrel::DFModel {
public:
    Vantrel::CircularBuffer<double> InputPort;
    Vantrel::CircularBuffer<double> OutputPort;

    double BitTime = 9.696969696969696e-11;
    int SamplesPerBit = 64;
    int DE_Level = 0;
    int VOD_Level = 2;
    int TX_bypass = 0;

    TX_model2() = default;
    ~TX_model2() override;

    bool Setup() override;
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    bool RunEquations();
    void DeleteArrayParameters() {}
    void DeleteBuffers() { m_Storage.DeleteBuffers(); }

    double SymbolRate = 0.0;

private:
    Vantrel::CircularBuffer<double> m_InputSide;
    Vantrel::ConnectionStorage m_Storage;
};

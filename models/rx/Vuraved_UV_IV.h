// Vuraved_UV_IV: the receiver's top-level model.
//
// Minimal network until the receiver lands: the input port feeds one internal
// connection, which feeds the output port (y[n] = x[n]); no clock is recovered,
// so the clock port always holds -1.0. It already keeps the network pattern.
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/ConnectionStorage.h"
#include "dataflow/DFModel.h"

class Vuraved_UV_IV : public Vantrel::DFModel {
public:
    Vantrel::CircularBuffer<double> InputPort;
    Vantrel::CircularBuffer<double> OutputPort;
    Vantrel::CircularBuffer<double> ClockPort;

    double BitTime = 9.696969696969696e-11;
    int SamplesPerBit = 64;
    int RX_Config = 0;
    int Factor = 1;
    double VCO_Sensitivity = 8.0e8;
    int EQ_Level = 0;
    int CTLEAdapt = 1;
    int EOMNbits = 200;

    Vuraved_UV_IV() = default;
    ~Vuraved_UV_IV() override;

    bool Setup() override;
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    bool RunEquations();
    void DeleteArrayParameters() {}
    void DeleteBuffers() { m_Storage.DeleteBuffers(); }

    double SymbolRate = 0.0;

private:
    Vantrel::CircularBuffer<double> m_RxIn;
    Vantrel::ConnectionStorage m_Storage;
};

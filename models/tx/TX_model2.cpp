#include "models/tx/TX_model2.h"

TX_model2::~TX_model2()
{
    DeleteBuffers();
    DeleteArrayParameters();
}

bool TX_model2::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    return true;
}

bool TX_model2::Setup()
{
    DeleteArrayParameters();
    RunEquations();
    InputPort.SetRate(1);
    OutputPort.SetRate(1);
    return true;
}

bool TX_model2::Initialize()
{
    DeleteBuffers();
    m_InputSide.SetBuffer(m_Storage.NewDouble(), 1, 1, 0);
    return true;
}

bool TX_model2::Run()
{
    InputPort.Copy(0, &m_InputSide, 0, 1);
    m_InputSide.Copy(0, &OutputPort, 0, 1);
    return true;
}

bool TX_model2::Finalize()
{
    DeleteBuffers();
    DeleteArrayParameters();
    m_InputSide.SetBuffer(nullptr, 0, 1, 0);
    return true;
}

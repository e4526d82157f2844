#include "models/rx/Vuraved_UV_IV.h"

Vuraved_UV_IV::~Vuraved_UV_IV()
{
    DeleteBuffers();
    DeleteArrayParameters();
}

bool Vuraved_UV_IV::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    return true;
}

bool Vuraved_UV_IV::Setup()
{
    DeleteArrayParameters();
    RunEquations();
    InputPort.SetRate(1);
    OutputPort.SetRate(1);
    ClockPort.SetRate(1);
    return true;
}

bool Vuraved_UV_IV::Initialize()
{
    DeleteBuffers();
    m_RxIn.SetBuffer(m_Storage.NewDouble(), 1, 1, 0);
    return true;
}

bool Vuraved_UV_IV::Run()
{
    InputPort.Copy(0, &m_RxIn, 0, 1);
    m_RxIn.Copy(0, &OutputPort, 0, 1);
    ClockPort[0] = -1.0;
    return true;
}

bool Vuraved_UV_IV::Finalize()
{
    DeleteBuffers();
    DeleteArrayParameters();
    m_RxIn.SetBuffer(nullptr, 0, 1, 0);
    return true;
}

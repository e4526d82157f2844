#include "models/rx/NClockDelay.h"

namespace {
void SetUnitRate(Vantrel::CircularBufferBase& buffer)
{
    buffer.SetRate(1);
    if (buffer.GetHistoryDepth() == 0) buffer.SetHistoryDepth(1);
}
}  // namespace

bool NClockDelay::Setup()
{
    SetUnitRate(Clock);
    SetUnitRate(Start);
    SetUnitRate(Output);
    return true;
}

bool NClockDelay::Initialize()
{
    m_iPrevStart = 0;
    m_iOutput = 0;
    m_iPrevClock = 0;
    m_iEdgeCount = 0;
    m_iCounting = 0;
    return true;
}

bool NClockDelay::Run()
{
    const int k = Clock[0];
    const int s = Start[0];
    if (s == 1 && m_iPrevStart == 0) {
        m_iEdgeCount = 0;
        m_iCounting = 1;
        m_iOutput = 0;
    }
    if (m_iCounting == 1 && k == 1 && m_iPrevClock == 0) {
        ++m_iEdgeCount;
        if (m_iEdgeCount > N) {
            m_iOutput = 1;
            m_iCounting = 0;
        }
    }
    Output[0] = m_iOutput;
    m_iPrevClock = k;
    m_iPrevStart = s;
    return true;
}

bool NClockDelay::Finalize()
{
    DeleteBuffers();
    return true;
}

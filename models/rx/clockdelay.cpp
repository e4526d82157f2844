#include "models/rx/clockdelay.h"

bool clockdelay::Initialize()
{
    m_dFirst = 0.0;
    m_dSecond = 0.0;
    m_iPrevClock = 0;
    return true;
}

bool clockdelay::Run()
{
    if (m_iPrevClock == 0 && Clock == 1) {
        m_dSecond = m_dFirst;
        m_dFirst = Data;
    }
    Output = m_dSecond;
    m_iPrevClock = Clock;
    return true;
}

bool clockdelay::Finalize()
{
    DeleteBuffers();
    return true;
}

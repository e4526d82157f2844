#include "models/rx/slicer.h"

bool slicer::Initialize()
{
    m_dDecision = -1.0;
    m_iPrevClock = 0;
    return true;
}

bool slicer::Run()
{
    if (m_iPrevClock == 0 && Clock == 1) m_dDecision = Data > 0.0 ? 1.0 : -1.0;
    Output = m_dDecision;
    m_iPrevClock = Clock;
    return true;
}

bool slicer::Finalize()
{
    DeleteBuffers();
    return true;
}

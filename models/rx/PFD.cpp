#include "models/rx/PFD.h"

bool PFD::Run()
{
    const double i = InPhaseClock > 0.0 ? 1.0 : 0.0;
    const double q = QuadratureClock > 0.0 ? 1.0 : 0.0;
    const double d = Data > 0.0 ? 1.0 : 0.0;

    const bool rising = d == 1.0 && m_dPrevDataLevel <= 0.0;
    const bool falling = d == 0.0 && m_dPrevDataLevel > 0.0;
    if (rising || falling) {
        m_iPrevInPhaseSample = InPhaseSample;
        InPhaseSample = i > 0.0 ? 1 : -1;
        const int prevQuadrature = QuadratureSample;
        QuadratureSample = q > 0.0 ? 1 : -1;
        m_iPrevFrequencyError = FrequencyError;
        const bool changed = m_iPrevInPhaseSample != 0 && InPhaseSample != m_iPrevInPhaseSample;
        if (changed) {
            const bool rose = InPhaseSample > m_iPrevInPhaseSample;
            if (QuadratureSample == 1)
                FrequencyError = 0;  // through the near boundary
            else if (m_iLastChangeQuadrature == 1)
                FrequencyError = rose ? -1 : 1;  // through the far boundary after the near one: a slip
            else if (m_iLastChangeQuadrature == -1)
                // Back through the far boundary: the error equals the new
                // in-phase sample, so the pump command is +-2 and the loop
                // filter keeps its current; the phase goes on the way it was
                // pushed instead of settling on the boundary.
                FrequencyError = InPhaseSample;
            else
                FrequencyError = 0;  // the first change: no history to judge by
            m_iLastChangeQuadrature = QuadratureSample;
        } else {
            FrequencyError = m_iPrevFrequencyError;
        }
        // A phase that stays in one quadrant for HoldTransitions transitions
        // does not rotate: a held error lapses so that the phase term acts.
        if (changed || m_iPrevInPhaseSample == 0 || QuadratureSample != prevQuadrature)
            m_iSteadyTransitions = 0;
        else if (m_iSteadyTransitions < HoldTransitions)
            ++m_iSteadyTransitions;
        if (m_iSteadyTransitions >= HoldTransitions) FrequencyError = 0;
    }
    m_dPrevDataLevel = d;
    return true;
}

bool PFD::Finalize()
{
    DeleteBuffers();
    return true;
}

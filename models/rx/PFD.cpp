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
        QuadratureSample = q > 0.0 ? 1 : -1;
        m_iPrevFrequencyError = FrequencyError;
        if (InPhaseSample > m_iPrevInPhaseSample)
            FrequencyError = QuadratureSample == 1 ? 0 : -1;
        else if (InPhaseSample < m_iPrevInPhaseSample)
            FrequencyError = QuadratureSample == 1 ? 0 : 1;
        else
            FrequencyError = m_iPrevFrequencyError;
    }
    m_dPrevDataLevel = d;
    return true;
}

bool PFD::Finalize()
{
    DeleteBuffers();
    return true;
}

#include "models/rx/LoopFilter.h"

#include <cmath>

#include "dataflow/DFErrorHandler.h"

bool LoopFilter::Initialize()
{
    if (!(SampleInterval > 0.0)) {
        Vantrel::DFErrorHandler::PostError(this, "SampleInterval must be a positive number.");
        return false;
    }
    return true;
}

bool LoopFilter::Run()
{
    Control = 0.0;
    const double T = SampleInterval;
    if (Command == 1.0)
        m_dI = Ip;
    else if (Command == -1.0)
        m_dI = -Ip;
    else if (Command == 0.0)
        m_dI = 0.0;

    const double I = m_dI;
    const double x1 = m_dX1;
    const double x2 = m_dX2;
    // The decay over one step depends on the parameters only: recomputed
    // when one of them has changed since the last firing.
    if (C1 != m_dDecayC1 || C2 != m_dDecayC2 || R != m_dDecayR || T != m_dDecayT || !m_bDecayValid) {
        m_dDecay = std::exp(-(C1 + C2) * T / (C2 * C1 * R));
        m_dDecayC1 = C1;
        m_dDecayC2 = C2;
        m_dDecayR = R;
        m_dDecayT = T;
        m_bDecayValid = true;
    }
    const double E = m_dDecay;
    const double S = (C1 + C2) * (C1 + C2);

    // Closed-form state after one step; both use the old x1 and x2.
    const double N2 = -C1 * C2 * x2 - C1 * C1 * I * R - C1 * C1 * x1 - C2 * C1 * x1 - C2 * C2 * x2 -
                      I * T * C1 - I * T * C2 - C1 * E * C2 * x2 + C1 * C1 * E * I * R +
                      C1 * C1 * E * x1 + C1 * E * C2 * x1 - C1 * C1 * E * x2;
    const double N1 = C1 * C2 * x1 + C1 * C1 * x1 + C1 * C2 * x2 + C2 * C2 * x2 - C1 * C2 * R * I +
                      I * T * C1 + I * T * C2 - C2 * C2 * E * x2 + C2 * E * I * C1 * R +
                      C1 * E * C2 * x1 + C2 * C2 * E * x1 - C1 * E * C2 * x2;
    const double newX2 = -N2 / S;
    const double newX1 = N1 / S;

    m_dX1 = newX1;
    m_dX2 = newX2;
    Control = newX2;
    return true;
}

bool LoopFilter::Finalize()
{
    DeleteBuffers();
    return true;
}

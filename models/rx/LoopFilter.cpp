#include "models/rx/LoopFilter.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "dataflow/DFErrorHandler.h"

namespace {

bool IsPositiveZero(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits == 0;
}

}  // namespace

bool LoopFilter::Initialize()
{
    if (!(SampleInterval > 0.0)) {
        Vantrel::DFErrorHandler::PostError(this, "SampleInterval must be a positive number.");
        return false;
    }
    return true;
}

// The closed-form step, as written out term by term:
//
//   N2 = -C1 C2 x2 - C1 C1 I R - C1 C1 x1 - C2 C1 x1 - C2 C2 x2 - I T C1
//        - I T C2 - C1 E C2 x2 + C1 C1 E I R + C1 C1 E x1 + C1 E C2 x1 - C1 C1 E x2
//   N1 =  C1 C2 x1 + C1 C1 x1 + C1 C2 x2 + C2 C2 x2 - C1 C2 R I + I T C1
//        + I T C2 - C2 C2 E x2 + C2 E I C1 R + C1 E C2 x1 + C2 C2 E x1 - C1 E C2 x2
//   x2' = -N2 / S,  x1' = N1 / S,  S = (C1 + C2)^2
//
// each product formed left to right and the terms added in this order. The
// products of parameters alone (the coefficient of each state term) and the
// terms in I are the same from one firing to the next: they are formed
// once, the same way, when a parameter or I changes (Coefficients), so a
// firing multiplies each state by its coefficient and adds the terms in the
// same order, with the same roundings. A term in I is +0 exactly when I is
// +0 (and the products of the parameters finite); subtracting +0 leaves any
// value as it is, so those subtractions are then left out (the additions of
// +0 stay: they turn a -0 into +0).
void LoopFilter::Coefficients(double T)
{
    const double E = m_dDecay;
    const double I = m_dI;
    Terms& k = m_Terms;
    k.negC1C2 = -C1 * C2;
    k.C1C1 = C1 * C1;
    k.C2C1 = C2 * C1;
    k.C2C2 = C2 * C2;
    k.C1EC2 = C1 * E * C2;
    k.C1C1E = C1 * C1 * E;
    k.C1C2 = C1 * C2;
    k.C2C2E = C2 * C2 * E;
    k.S = (C1 + C2) * (C1 + C2);
    k.C1C1IR = C1 * C1 * I * R;
    k.ITC1 = I * T * C1;
    k.ITC2 = I * T * C2;
    k.C1C1EIR = C1 * C1 * E * I * R;
    k.C1C2RI = C1 * C2 * R * I;
    k.C2EIC1R = C2 * E * I * C1 * R;
    // Leaving out a subtraction is exact only when the term is +0 (not -0,
    // not NaN from an overflowed product): checked by bits.
    k.noCurrent = IsPositiveZero(k.C1C1IR) && IsPositiveZero(k.ITC1) && IsPositiveZero(k.ITC2) &&
                  IsPositiveZero(k.C1C2RI);
    k.I = I;
    k.valid = true;
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
        m_Terms.valid = false;
    }
    // Compared by bits: I = -0 and +0 give different terms.
    if (!m_Terms.valid || std::memcmp(&I, &m_Terms.I, sizeof I) != 0) Coefficients(T);
    const Terms& k = m_Terms;

    double N2, N1;
    if (k.noCurrent) {
        N2 = k.negC1C2 * x2 - k.C1C1 * x1 - k.C2C1 * x1 - k.C2C2 * x2 - k.C1EC2 * x2 + k.C1C1EIR +
             k.C1C1E * x1 + k.C1EC2 * x1 - k.C1C1E * x2;
        N1 = k.C1C2 * x1 + k.C1C1 * x1 + k.C1C2 * x2 + k.C2C2 * x2 + k.ITC1 + k.ITC2 - k.C2C2E * x2 +
             k.C2EIC1R + k.C1EC2 * x1 + k.C2C2E * x1 - k.C1EC2 * x2;
    } else {
        N2 = k.negC1C2 * x2 - k.C1C1IR - k.C1C1 * x1 - k.C2C1 * x1 - k.C2C2 * x2 - k.ITC1 - k.ITC2 -
             k.C1EC2 * x2 + k.C1C1EIR + k.C1C1E * x1 + k.C1EC2 * x1 - k.C1C1E * x2;
        N1 = k.C1C2 * x1 + k.C1C1 * x1 + k.C1C2 * x2 + k.C2C2 * x2 - k.C1C2RI + k.ITC1 + k.ITC2 -
             k.C2C2E * x2 + k.C2EIC1R + k.C1EC2 * x1 + k.C2C2E * x1 - k.C1EC2 * x2;
    }
    const double newX2 = -N2 / k.S;
    const double newX1 = N1 / k.S;

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

#include "models/rx/Delay.h"

#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
}  // namespace

bool Delay::Initialize()
{
    m_dPrevInput = 0.0;
    return true;
}

double Delay::Quadrature(double dInput, double dPreviousInput)
{
    const double a = std::asin(dInput);
    const double theta = (dInput - dPreviousInput >= 0.0) ? a : kPi - a;
    return std::sin(theta - kHalfPi);
}

bool Delay::Run()
{
    Output = 0.0;
    const double x = Input[0];
    Output = Quadrature(x, m_dPrevInput);
    m_dPrevInput = x;
    return true;
}

bool Delay::Finalize()
{
    DeleteBuffers();
    return true;
}

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

bool Delay::Run()
{
    Output = 0.0;
    const double x = Input[0];
    const double a = std::asin(x);
    const double theta = (x - m_dPrevInput >= 0.0) ? a : kPi - a;
    Output = std::sin(theta - kHalfPi);
    m_dPrevInput = x;
    return true;
}

bool Delay::Finalize()
{
    DeleteBuffers();
    return true;
}

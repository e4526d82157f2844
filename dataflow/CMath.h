// The unary maths blocks: y = f(x), one sample per firing.
//
// Each block reads x from Input entry 0 and writes y to Output entry 0. When
// x lies outside the block's domain the block posts a message, writes a
// finite substitute (so that downstream blocks see a usable value) and its
// Run returns false:
//
//   block       y in domain                     out of domain -> substitute
//   MathAbs     |x| (sign bit cleared)          never
//   MathCeil    ceil(x)                         x > 2^52 -> 2^52; x < -2^52 -> -2^52
//   MathFloor   floor(x)                        as MathCeil
//   MathRound   half away from zero             x >= 2^52 -> 2^52; x <= -2^52 -> -2^52
//   MathExp     e^x                             x > ExpDomainMax -> DBL_MAX
//   MathPow10   10^x (DBL_MAX at the limit)     x > Pow10DomainMax -> DBL_MAX
//   MathLn      ln x                            x < DBL_MIN (zero, negative,
//                                               subnormal) -> MostNegativeLog
//   MathLog10   log10 x                         as MathLn -> MostNegativeLog10
//   MathRecip   1 / x                           |x| < DBL_MIN -> -2^1022 if x < 0,
//                                               else +2^1022 (also for -0.0)
//   MathSqr     x^2                             |x| > SqrDomainMax -> DBL_MAX
//   MathSqrt    sqrt(x)                         x < 0 -> 0
//   MathSgn     0 if |x| < DBL_MIN, else +1 for x > 0, else -1     never
//
// A NaN input fails no domain test and propagates as NaN.
// The messages are formatted on the stack (no allocation on the run path).
// This family is carried by the transmitter library only.
#pragma once

#include <cmath>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

// The named limits of the maths blocks.
struct MathConstants {
    static constexpr double FloatIntegerMax = 4503599627370496.0;  // 2^52
    static constexpr double ExpDomainMax = 709.782712893384;       // ln(DBL_MAX)
    static constexpr double MostNegativeLog = -708.3964185322641;  // ln(DBL_MIN)
    static constexpr double MostNegativeLog10 = -307.6526555685888;
    static constexpr double Pow10DomainMax = 308.25471555991675;
    static constexpr double RecipDomainMagnitudeMin = 2.2250738585072014e-308;  // DBL_MIN
    static constexpr double SqrDomainMax = 1.3407807929942596e154;              // sqrt(DBL_MAX)
};

// MathSgn's arithmetic, for owners that apply it to whole blocks: 0 for
// |x| < DBL_MIN (subnormals and zeros), +1 for x > 0, -1 otherwise (NaN
// included).
inline double MathSign(double x)
{
    return std::fabs(x) < MathConstants::RecipDomainMagnitudeMin ? 0.0 : (x > 0.0 ? 1.0 : -1.0);
}

class CMath : public DFModel {
public:
    CircularBuffer<double> Input;
    CircularBuffer<double> Output;

    bool Setup() override;
    bool Finalize() override;
};

#define VANTREL_MATH_BLOCK(Name)     \
    class Name : public CMath {      \
    public:                          \
        bool Run() override;         \
    }

VANTREL_MATH_BLOCK(MathAbs);
VANTREL_MATH_BLOCK(MathCeil);
VANTREL_MATH_BLOCK(MathExp);
VANTREL_MATH_BLOCK(MathFloor);
VANTREL_MATH_BLOCK(MathLn);
VANTREL_MATH_BLOCK(MathLog10);
VANTREL_MATH_BLOCK(MathPow10);
VANTREL_MATH_BLOCK(MathRecip);
VANTREL_MATH_BLOCK(MathRound);
VANTREL_MATH_BLOCK(MathSgn);
VANTREL_MATH_BLOCK(MathSqr);
VANTREL_MATH_BLOCK(MathSqrt);

#undef VANTREL_MATH_BLOCK

}  // namespace Vantrel

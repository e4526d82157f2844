// ScalarToScalar<InBuffer, OutBuffer, Policy>: y = Policy(x), converting one
// sample per firing between sample types.
//
// Policies:
//   TypeConverterAssign  exact conversion (int -> double).
//   TypeConverterRound   round half away from zero to a 32-bit integer:
//                        r = ceil(x - 0.5) for x < 0, else floor(x + 0.5).
//                        Values beyond the 32-bit range saturate to INT_MIN /
//                        INT_MAX and NaN gives 0, so that no sample can make
//                        the conversion undefined.
// Ports: Input, Output (rate 1; entry 0 each firing).
#pragma once

#include <climits>
#include <cmath>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

struct TypeConverterAssign {
    template <typename Out, typename In>
    static Out Convert(In x) { return static_cast<Out>(x); }
};

struct TypeConverterRound {
    static double Round(double x) { return x < 0.0 ? std::ceil(x - 0.5) : std::floor(x + 0.5); }

    template <typename Out, typename In>
    static Out Convert(In x);
};

template <>
inline int TypeConverterRound::Convert<int, double>(double x)
{
    const double r = Round(x);
    if (r >= 2147483647.0) return INT_MAX;
    if (r <= -2147483648.0) return INT_MIN;
    if (r != r) return 0;  // NaN
    return static_cast<int>(r);
}

template <>
inline double TypeConverterRound::Convert<double, double>(double x)
{
    return Round(x);
}

template <typename InBuffer, typename OutBuffer, typename Policy>
class TypeConverterBase : public DFModel {
public:
    InBuffer Input;
    OutBuffer Output;
};

template <typename InBuffer, typename OutBuffer, typename Policy>
class TypeConverter : public TypeConverterBase<InBuffer, OutBuffer, Policy> {};

template <typename InBuffer, typename OutBuffer, typename Policy>
class ScalarToScalar;

template <typename In, typename Out, typename Policy>
class ScalarToScalar<CircularBuffer<In>, CircularBuffer<Out>, Policy>
    : public TypeConverter<CircularBuffer<In>, CircularBuffer<Out>, Policy> {
public:
    bool Run() override
    {
        this->Output[0] = Policy::template Convert<Out, In>(this->Input[0]);
        return true;
    }
};

}  // namespace Vantrel

// Add<T>: y = x_0 + x_1 + ... + x_{n-1}, the sum of every bus input in bus
// order starting from 0 (an empty bus gives 0).
//
// Add<int> sums 32-bit clock levels and pump signals. Its sum is formed in 64
// bits and saturated to [INT_MIN, INT_MAX], so that no input can overflow
// (well-defined, and the nearest representable value).
// Ports: Inputs (a bus; the owner sizes it), Output. One sample per port per
// firing, at entry 0.
#pragma once

#include <climits>
#include <cstdint>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

namespace AddDetail {
template <typename T>
struct Accumulator {
    using Type = T;
    static T Result(Type s) { return s; }
};
template <>
struct Accumulator<int> {
    using Type = int64_t;  // a bus of fewer than 2^32 inputs cannot overflow it
    static int Result(int64_t s)
    {
        if (s > INT_MAX) return INT_MAX;
        if (s < INT_MIN) return INT_MIN;
        return static_cast<int>(s);
    }
};
}  // namespace AddDetail

template <typename T>
class Add : public DFModel {
public:
    CircularBufferBusT<CircularBuffer<T>> Inputs;
    CircularBuffer<T> Output;

    bool Run() override
    {
        using Acc = AddDetail::Accumulator<T>;
        typename Acc::Type s = 0;
        const size_t n = Inputs.GetSize();
        for (size_t k = 0; k < n; ++k) s = s + Inputs[k][0];
        Output[0] = Acc::Result(s);
        return true;
    }
};

}  // namespace Vantrel

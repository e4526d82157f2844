// Mpy<T>: y = x_0 * x_1 * ... * x_{n-1}, the product of every bus input,
// multiplied in bus order starting from 1 (an empty bus gives 1).
//
// Ports: Inputs (a bus; the owner sizes it with Inputs.Initialize(n)),
// Output. One sample per port per firing, at entry 0.
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

template <typename T>
class Mpy : public DFModel {
public:
    CircularBufferBusT<CircularBuffer<T>> Inputs;
    CircularBuffer<T> Output;

    bool Run() override
    {
        T y = T(1);
        const size_t n = Inputs.GetSize();
        for (size_t k = 0; k < n; ++k) y = y * Inputs[k][0];
        Output[0] = y;
        return true;
    }
};

}  // namespace Vantrel

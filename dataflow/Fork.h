// Fork<CircularBuffer<T>>: y_k = x for every bus output k, in bus order.
//
// Ports: Input, Outputs (a bus; the owner sizes it with Outputs.Initialize(n)).
// One sample per port per firing, at entry 0.
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

template <typename Buffer>
class Fork;

template <typename T>
class Fork<CircularBuffer<T>> : public DFModel {
public:
    CircularBuffer<T> Input;
    CircularBufferBusT<CircularBuffer<T>> Outputs;

    bool Run() override
    {
        const T x = Input[0];
        const size_t n = Outputs.GetSize();
        for (size_t k = 0; k < n; ++k) Outputs[k][0] = x;
        return true;
    }
};

}  // namespace Vantrel

// Sub<T>: y = m - s_0 - s_1 - ... - s_{n-1}, the minuend less every bus
// input, subtracted in bus order (an empty bus gives the minuend).
//
// Ports: Subtrahends (a bus; the owner sizes it), Minuend, Output. One sample
// per port per firing, at entry 0.
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

template <typename T>
class Sub : public DFModel {
public:
    CircularBufferBusT<CircularBuffer<T>> Subtrahends;
    CircularBuffer<T> Minuend;
    CircularBuffer<T> Output;

    bool Run() override
    {
        T y = Minuend[0];
        const size_t n = Subtrahends.GetSize();
        for (size_t k = 0; k < n; ++k) y = y - Subtrahends[k][0];
        Output[0] = y;
        return true;
    }
};

}  // namespace Vantrel

// Gain<T>: y = GainFactor * x, one sample per firing.
//
// Units: y carries the units of GainFactor times those of x. Any finite
// GainFactor is valid; the owner sets it before Setup (default 1.0, the
// identity).
// Ports: Input, Output (rate 1; entry 0 read and written each firing).
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

template <typename T>
class Gain : public DFModel {
public:
    T GainFactor = T(1);
    CircularBuffer<T> Input;
    CircularBuffer<T> Output;

    bool Run() override
    {
        Output[0] = GainFactor * Input[0];
        return true;
    }
};

}  // namespace Vantrel

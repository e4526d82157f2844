// Mux<CircularBuffer<T>>: y[i] = x_m[i] for i < BlockSize, passing the input
// that the control value m selects.
//
// Parameters: BlockSize >= 1 (samples per firing on every port, default 1);
// Control, the selected input 0 <= m < n (n = Inputs.GetSize()), copied by
// the owner from its int control connection before every Run.
// Ports: Inputs (a bus; the owner sizes it), Output.
// A control value outside [0, n-1] is reported and Run returns false without
// writing the output; the message is formatted on the stack, so even that
// path allocates nothing here.
#pragma once

#include <cstdio>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

template <typename Buffer>
class Mux;

template <typename T>
class Mux<CircularBuffer<T>> : public DFModel {
public:
    CircularBufferBusT<CircularBuffer<T>> Inputs;
    CircularBuffer<T> Output;
    int Control = 0;
    int BlockSize = 1;

    bool Setup() override
    {
        if (BlockSize < 1) {
            DFErrorHandler::PostError(this, "BlockSize must be >= 1");
            return false;
        }
        const size_t rate = static_cast<size_t>(BlockSize);
        Output.SetRate(rate);
        for (size_t k = 0; k < Inputs.GetSize(); ++k) Inputs[k].SetRate(rate);
        return true;
    }

    bool Run() override
    {
        const size_t n = Inputs.GetSize();
        if (Control < 0 || static_cast<size_t>(Control) >= n) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "Control input signal value is equal to %d.  There %s%zu%s connected.  "
                          "The valid control input range is [0,%lld].",
                          Control, n < 2 ? "is " : "are ", n, n < 2 ? " input" : " inputs",
                          static_cast<long long>(n) - 1);
            DFErrorHandler::PostError(this, text);
            return false;
        }
        CircularBuffer<T>& in = Inputs[static_cast<size_t>(Control)];
        const size_t count = static_cast<size_t>(BlockSize);
        for (size_t i = 0; i < count; ++i) Output[i] = in[i];
        return true;
    }
};

}  // namespace Vantrel

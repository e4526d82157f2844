// ConstUnTimed<T>: a constant source,
//     y_n = 0        for n < InitialDelay,
//     y_n = Value    for n >= InitialDelay,
// n counting firings since Initialize.
//
// Parameters: Value (default 0), InitialDelay >= 0 (firings of zero output
// before the value, default 0; checked by UpdateDynamicParameters, and so by
// Initialize). Port: Output (rate 1, entry 0 written each firing).
#pragma once

#include <cstdint>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

template <typename T, typename Buffer>
class ConstUnTimedBase : public DFModel {
public:
    Buffer Output;
    T Value = T(0);
    int InitialDelay = 0;

    bool Initialize() override
    {
        m_iCount = 0;
        return UpdateDynamicParameters();
    }

    bool Run() override
    {
        if (m_iCount >= static_cast<uint64_t>(InitialDelay < 0 ? 0 : InitialDelay))
            Output[0] = Value;
        else
            SetOutputToZero();
        ++m_iCount;
        return true;
    }

    bool UpdateDynamicParameters() override
    {
        if (InitialDelay < 0) {
            DFErrorHandler::PostError(this, "InitialDelay must be >= 0");
            return false;
        }
        return true;
    }

    virtual void SetOutputToZero() = 0;

protected:
    uint64_t m_iCount = 0;  // firings since Initialize
};

template <typename T>
class ConstUnTimed : public ConstUnTimedBase<T, CircularBuffer<T>> {
public:
    void SetOutputToZero() override { this->Output[0] = T(0); }
};

}  // namespace Vantrel

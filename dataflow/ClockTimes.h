// ClockTimes: clock edges to clock times, one sample per firing.
//
//   t_n = n * SampleInterval + TimeOffset   when firing n (n >= 1) sees an edge
//                                           of the selected polarity,
//   t_n = -1.0                              otherwise,
//
// in seconds, n counting firings since Initialize (the first firing is time 0
// and never yields an edge). A rising edge is a previous level <= 0 followed
// by a level > 0; a falling edge the reverse. The time is that of the first
// sample at the new level.
// Parameters: SampleInterval (seconds, finite and > 0, default 1e-10),
// TimeOffset (seconds, default 0.0), EdgeSelect (1 rising, 0 falling, any
// other value no edges; default 0).
// Ports: ClockInput (int), TimeOutput (double).
// Initialize refuses a SampleInterval that is not a finite positive number,
// leaving the state as it was; otherwise it resets level and counter.
#pragma once

#include <cmath>
#include <cstdint>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

class ClockTimes : public DFModel {
public:
    CircularBuffer<int> ClockInput;
    CircularBuffer<double> TimeOutput;
    double SampleInterval = 1e-10;
    double TimeOffset = 0.0;
    int EdgeSelect = 0;

    bool Initialize() override
    {
        if (!(SampleInterval > 0.0) || !std::isfinite(SampleInterval)) {
            DFErrorHandler::PostError(this, "SampleInterval must be larger than 0.");
            return false;
        }
        m_iPreviousLevel = -1;
        m_iCount = 0;
        return true;
    }

    bool Run() override
    {
        const int level = ClockInput[0];
        double t = -1.0;
        if (m_iCount != 0) {
            const bool rising = EdgeSelect == 1 && m_iPreviousLevel <= 0 && level > 0;
            const bool falling = EdgeSelect == 0 && m_iPreviousLevel > 0 && level <= 0;
            if (rising || falling) t = static_cast<double>(m_iCount) * SampleInterval + TimeOffset;
        }
        TimeOutput[0] = t;
        m_iPreviousLevel = level;
        ++m_iCount;
        return true;
    }

    bool Finalize() override { return true; }

    uint64_t GetCount() const { return m_iCount; }

private:
    int m_iPreviousLevel = -1;  // clock level of the previous firing
    uint64_t m_iCount = 0;      // firings since Initialize
};

}  // namespace Vantrel

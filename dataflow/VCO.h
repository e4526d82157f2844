// VCO: voltage-controlled oscillator, one sample per firing.
//
//   phi_n = phi_{n-1} + v_n * 2*pi*Sensitivity*SampleInterval   (phi_{-1} = InitialPhase)
//   y_n   = Amplitude * cos(n * SampleInterval * 2*pi*Frequency + phi_n)
//   clk_n = 1 if y_n > 0, else 0
//
// so the instantaneous frequency is Frequency + Sensitivity * v (hertz). The
// current control sample already acts on the current output. The free-running
// part is computed from the firing counter n, so it does not drift.
// Parameters: SampleInterval (seconds per firing, finite and > 0, default
// 1e-10), Amplitude (default 1.0), Frequency (free-running, Hz, default 1e9),
// Sensitivity (Hz per unit of control, default 1.0), InitialPhase (radians,
// default 0.0).
// Ports: ControlInput (double), WaveOutput (double), ClockOutput (int).
// Initialize resets phase and counter, then refuses a SampleInterval that is
// not a finite positive number.
#pragma once

#include <cmath>
#include <cstdint>

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/DFModel.h"

namespace Vantrel {

class VCO : public DFModel {
public:
    CircularBuffer<double> ControlInput;
    CircularBuffer<double> WaveOutput;
    CircularBuffer<int> ClockOutput;
    double SampleInterval = 1e-10;
    double Amplitude = 1.0;
    double Frequency = 1e9;
    double Sensitivity = 1.0;
    double InitialPhase = 0.0;

    bool Initialize() override
    {
        m_dPhase = InitialPhase;
        m_iCount = 0;
        if (!(SampleInterval > 0.0) || !std::isfinite(SampleInterval)) {
            DFErrorHandler::PostError(this, "SampleInterval must be a positive number.");
            return false;
        }
        return true;
    }

    bool Run() override
    {
        constexpr double kTwoPi = 6.283185307179586;
        m_dPhase = m_dPhase + ControlInput[0] * ((kTwoPi * Sensitivity) * SampleInterval);
        const double y =
            Amplitude * std::cos(static_cast<double>(m_iCount) * (SampleInterval * (kTwoPi * Frequency)) + m_dPhase);
        WaveOutput[0] = y;
        ClockOutput[0] = y > 0.0 ? 1 : 0;
        ++m_iCount;
        return true;
    }

    bool Finalize() override { return true; }

    double GetPhase() const { return m_dPhase; }
    uint64_t GetCount() const { return m_iCount; }

private:
    double m_dPhase = 0.0;  // accumulated control phase, radians
    uint64_t m_iCount = 0;  // firings since Initialize
};

}  // namespace Vantrel

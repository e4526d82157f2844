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
//
// An owner that reads the waveform only at some firings may call RunClock()
// instead of Run(): it advances phase and counter exactly as Run() does and
// writes the clock output, but not the waveform. The clock is decided from
// the angle psi_n = n Ts 2 pi f0 + phi_n reduced to one period where it lies
// further than 1e-9 + 32 eps |psi_n| (more than the reduction's rounding)
// from a zero of the cosine, so that the cosine's sign is certain; elsewhere
// (and for an amplitude that is not a positive normal number) the waveform
// itself decides, so the clock is always Run()'s. Wave(0) and Wave(1) give the
// waveform y of the latest and of the firing before (the latter from the
// second firing on), computed on demand from the same angle as Run() would.
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
        m_adAngle[0] = m_adAngle[1] = 0.0;
        m_abWaveKnown[0] = m_abWaveKnown[1] = false;
        if (!(SampleInterval > 0.0) || !std::isfinite(SampleInterval)) {
            DFErrorHandler::PostError(this, "SampleInterval must be a positive number.");
            return false;
        }
        return true;
    }

    bool Run() override
    {
        Step();
        const double y = Wave(0);
        WaveOutput[0] = y;
        ClockOutput[0] = y > 0.0 ? 1 : 0;
        return true;
    }

    bool RunClock()
    {
        Step();
        ClockOutput[0] = ClockLevel();
        return true;
    }

    // iAgo 0: the latest firing; 1: the one before.
    double Wave(int iAgo)
    {
        if (!m_abWaveKnown[iAgo]) {
            m_adWave[iAgo] = Amplitude * std::cos(m_adAngle[iAgo]);
            m_abWaveKnown[iAgo] = true;
        }
        return m_adWave[iAgo];
    }

    bool Finalize() override { return true; }

    double GetPhase() const { return m_dPhase; }
    uint64_t GetCount() const { return m_iCount; }

private:
    static constexpr double kTwoPi = 6.283185307179586;

    // The phase update and the angle of this firing.
    void Step()
    {
        m_adAngle[1] = m_adAngle[0];
        m_adWave[1] = m_adWave[0];
        m_abWaveKnown[1] = m_abWaveKnown[0];
        m_dPhase = m_dPhase + ControlInput[0] * ((kTwoPi * Sensitivity) * SampleInterval);
        m_adAngle[0] = static_cast<double>(m_iCount) * (SampleInterval * (kTwoPi * Frequency)) + m_dPhase;
        m_abWaveKnown[0] = false;
        ++m_iCount;
    }

    // Whether Amplitude * cos(angle) > 0.0 (see above).
    int ClockLevel()
    {
        constexpr double kHalfPi = 1.5707963267948966;
        const double psi = m_adAngle[0];
        if (Amplitude >= 1e-200 && Amplitude <= 1e300 && std::fabs(psi) < 1e15) {
            // The nearest whole number of periods: below 2^51 in magnitude,
            // adding and taking away 1.5 * 2^52 rounds to an integer.
            constexpr double kRound = 6755399441055744.0;
            const double periods = (psi * (1.0 / kTwoPi) + kRound) - kRound;
            const double r = std::fabs(psi - periods * kTwoPi);
            const double margin = 1e-9 + 32 * 2.220446049250313e-16 * std::fabs(psi);
            if (r < kHalfPi - margin) return 1;
            if (r > kHalfPi + margin) return 0;
        }
        return Wave(0) > 0.0 ? 1 : 0;
    }

    double m_dPhase = 0.0;  // accumulated control phase, radians
    uint64_t m_iCount = 0;  // firings since Initialize
    double m_adAngle[2] = {0.0, 0.0};  // psi of the latest firing and of the one before
    double m_adWave[2] = {0.0, 0.0};
    bool m_abWaveKnown[2] = {false, false};
};

}  // namespace Vantrel

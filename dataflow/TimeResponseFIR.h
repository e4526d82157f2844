// TimeResponseFIR: a FIR filter whose taps come from a sampled time response.
//
// Setup resamples the response table (m_pdTimeStamps[i] in seconds,
// m_pdResponse[i]) onto the block's sample grid tau_n = n / SampleRate,
// anchored at the first time stamp, and builds
//
//   impulse response (ResponseType 0):  tap[n] = r(tau_n) / SampleRate
//   step response    (ResponseType 1):  tap[n] = r'(tau_n) / SampleRate
//
// for n = 0 .. N-1, N = floor(SampleRate * (t[T-1] - t[0])) + 1, so that the
// kernel covers exactly the table's span. r(tau) is the cubic through the four
// table points around tau (the table value itself when tau hits a time stamp
// exactly); r'(tau) is the slope of the parabola through three neighbouring
// points. The filtering itself is FIR<double, false> with the default rates:
// y_n = sum_{k<N} tap[k] x_{n-k}.
//
// Parameters (set by the owner before Setup):
//   m_pdResponse / m_iNumResponse       M >= 4 response values (owner's array)
//   m_pdTimeStamps / m_iNumTimeStamps   T = M strictly ascending, finite time
//                                       stamps in seconds (owner's array;
//                                       Setup shifts it in place to start at 0)
//   ResponseType                        0 = impulse, 1 = step (default 1)
//   SampleRate                          samples per second, > 0 and finite
//                                       (default 1e12); SampleRate times the
//                                       span must stay below MaxTaps
// Ports: Input, Output (rate 1), inherited from FIR.
//
// The tap array is owned by the block: rebuilt by each Setup, freed by the
// destructor (not by Finalize). Setup allocates only the tap array and the
// spline's work arrays; Run is the FIR's and allocates nothing.
#pragma once

#include <cstdint>

#include "dataflow/FIR.h"

namespace Vantrel {

class TimeResponseFIR : public FIR<double, false> {
public:
    // Largest tap count Setup builds: 2^22 taps (32 MiB). A larger count
    // comes only from a nonsensical sample rate (e.g. from a zero or
    // non-finite bit time) and is refused rather than allocated.
    static constexpr int64_t MaxTaps = int64_t(1) << 22;

    TimeResponseFIR() = default;
    ~TimeResponseFIR() override;

    double* m_pdResponse = nullptr;
    double* m_pdTimeStamps = nullptr;
    int m_iNumResponse = 0;    // M
    int m_iNumTimeStamps = 0;  // T
    int ResponseType = 1;
    double SampleRate = 1e12;

    bool Setup() override;

    // Slope at t of the parabola through (x[i], y[i]), i = 0, 1, 2.
    double AnalyticalDifferntiation(double t, double* x, double* y);

private:
    double* m_pdOwnedTaps = nullptr;
};

}  // namespace Vantrel

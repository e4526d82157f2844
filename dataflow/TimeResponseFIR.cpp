#include "dataflow/TimeResponseFIR.h"

#include <sstream>
#include <string>

#include "dataflow/AnalyticalDifferntiation.h"
#include "dataflow/Assert.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/Interpolators.h"

namespace Vantrel {

TimeResponseFIR::~TimeResponseFIR()
{
    delete[] m_pdOwnedTaps;
    m_pdOwnedTaps = nullptr;
}

double TimeResponseFIR::AnalyticalDifferntiation(double t, double* x, double* y)
{
    return ::Vantrel::AnalyticalDifferntiation(t, x, y);
}

bool TimeResponseFIR::Setup()
{
    bool ok = true;
    const int M = m_iNumResponse;
    const int T = m_iNumTimeStamps;

    if (ResponseType == 0 && M < 4) {
        DFErrorHandler::PostError(this, "At least 4 response coefficients are required for input impulse response");
        ok = false;
    } else if (ResponseType == 1 && M < 4) {
        DFErrorHandler::PostError(this, "At least 4 response coefficients are required for input step response");
        ok = false;
    }
    if (ResponseType != 0 && ResponseType != 1) {
        DFErrorHandler::PostError(this, "Inavlid ResponseType is specified, it can be either Impulse Response or Step Response");
        ok = false;
    }
    if (ok && T != M) {
        DFErrorHandler::PostError(this, "Number of coefficients in response must be same as the number of values in time stamps");
        ok = false;
    }
    // Written so that a NaN rate is refused as well.
    if (ok && !(SampleRate > 0.0)) {
        DFErrorHandler::PostError(this, "SampleRate must be > 0.0");
        ok = false;
    }
    double* t = m_pdTimeStamps;
    const double* r = m_pdResponse;
    if (ok) {
        VANTREL_REQUIRE(t && r, "m_pdTimeStamps && m_pdResponse");
        // Shift the time axis to start at 0; stop at the first stamp that is
        // not above its predecessor (NaN stamps included).
        const double t0 = t[0];
        t[0] = 0.0;
        for (int i = 1; i < T; ++i) {
            t[i] = t[i] - t0;
            if (!(t[i - 1] < t[i])) {
                std::ostringstream msg;
                msg << "ResponseTimeStamps[" << i + 1 << "] = " << t[i] + t0
                    << "  <= ResponseTimeStamps[" << i << "] = " << t[i - 1] + t0
                    << ". Time stamps must be in non-repeating ascending order.";
                DFErrorHandler::PostError(this, msg.str().c_str());
                ok = false;
                break;
            }
        }
    }
    if (!ok) return false;

    // The tap count, formed only when it is finite and of sensible size.
    const double span = t[T - 1];
    const double product = SampleRate * span;
    if (!(product < static_cast<double>(MaxTaps))) {
        std::ostringstream msg;
        msg << "SampleRate " << SampleRate << " times the response duration " << span
            << " gives too many taps; at most " << MaxTaps << " are allowed.";
        DFErrorHandler::PostError(this, msg.str().c_str());
        return false;
    }
    const int N = static_cast<int>(product) + 1;

    delete[] m_pdOwnedTaps;
    m_pdOwnedTaps = new double[N];
    m_pdTaps = m_pdOwnedTaps;
    m_iNumTaps = N;

    Interpolators<double> spline;
    double* taps = m_pdOwnedTaps;
    int j = 0;
    for (int n = 0; n < N; ++n) {
        const double tau = static_cast<double>(n) / SampleRate;
        while (tau > t[j]) {
            if (++j == M) {
                j = M - 1;
                break;
            }
        }
        if (ResponseType == 0 && t[j] == tau) {
            taps[n] = r[j];
            continue;
        }
        if (j == 0)
            j = 1;
        else if (j > M - 3)
            j = M - 3;
        if (ResponseType == 1) {
            double x[3] = {t[j - 1], t[j], t[j + 1]};
            double y[3] = {r[j - 1], r[j], r[j + 1]};
            taps[n] = AnalyticalDifferntiation(tau, x, y);
        } else {
            double x[4] = {t[j - 1], t[j], t[j + 1], t[j + 2]};
            double y[4] = {r[j - 1], r[j], r[j + 1], r[j + 2]};
            taps[n] = spline.CubicSpline(4, tau, x, y);
        }
    }
    for (int n = 0; n < N; ++n) taps[n] /= SampleRate;

    return FIR<double, false>::Setup();
}

}  // namespace Vantrel

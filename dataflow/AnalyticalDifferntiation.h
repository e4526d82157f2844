// AnalyticalDifferntiation: slope of the parabola through three points.
//
// For the quadratic q through (x[0], y[0]), (x[1], y[1]), (x[2], y[2]) (the
// x[i] pairwise distinct) this returns q'(t), in units of y per unit of x:
//
//   q'(t) = y0 (2t - x1 - x2) / ((x0 - x2)(x0 - x1))
//         + y1 (2t - x0 - x2) / ((x1 - x2)(x1 - x0))
//         + y2 (2t - x0 - x1) / ((x2 - x1)(x2 - x0))
//
// summed from 0.0 in that order. Exact (to rounding) for any polynomial of
// degree two or less, at any t. Used to turn a sampled step response into an
// impulse response.
#pragma once

namespace Vantrel {

inline double AnalyticalDifferntiation(double t, const double* x, const double* y)
{
    double r = 0.0;
    r += y[0] * (2.0 * t - x[1] - x[2]) / ((x[0] - x[2]) * (x[0] - x[1]));
    r += y[1] * (2.0 * t - x[0] - x[2]) / ((x[1] - x[2]) * (x[1] - x[0]));
    r += y[2] * (2.0 * t - x[0] - x[1]) / ((x[2] - x[1]) * (x[2] - x[0]));
    return r;
}

}  // namespace Vantrel

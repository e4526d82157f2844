// Interpolators<T>: interpolating cubic spline (Forsythe, Malcolm and Moler).
//
// On each interval x[i] <= u <= x[i+1] the spline is
//     S(u) = y[i] + b[i]*w + c[i]*w^2 + d[i]*w^3,   w = u - x[i],
// with continuous first and second derivatives at the knots. Default ends:
// with n > 3 points the third derivative at each end equals that of the cubic
// through the four end points, so a spline through points of one cubic
// polynomial reproduces that cubic exactly (to rounding); with n = 3 the ends
// have zero second-derivative correction (b[0] = -d[0], c[0] = 0); with n = 2
// the spline is the straight line. A clamped end (end1/end2 = 1) takes the
// given slope instead. Outside [x[0], x[n-1]] the end cubics are extended.
// Abscissae must be strictly ascending; units are the caller's.
//
// Spline() and EvalSpline() are pure functions of their arguments.
// CubicSpline() keeps three work arrays that only grow (allocated on the
// first call of a given size, never in a steady state), so one object must
// not be shared between threads.
#pragma once

#include <cstddef>

#include "dataflow/Assert.h"

namespace Vantrel {

template <typename T>
class Interpolators {
public:
    Interpolators() = default;
    Interpolators(const Interpolators&) = delete;
    Interpolators& operator=(const Interpolators&) = delete;
    ~Interpolators() { FreeWork(); }

    // Value at x of the spline through (pastT[i], pastV[i]), i < iBufferSize.
    // Preconditions: iBufferSize > 2, non-null arrays, ascending pastT.
    T CubicSpline(size_t iBufferSize, double x, double* pastT, T* pastV)
    {
        VANTREL_REQUIRE(iBufferSize > 2, "iBufferSize > 2");
        VANTREL_REQUIRE(pastT && pastV, "pastT && pastV");
        m_iStatus = 0;
        if (m_iCapacity < iBufferSize) {
            FreeWork();
            m_pBufferB = new double[iBufferSize];
            m_pBufferC = new double[iBufferSize];
            m_pBufferD = new double[iBufferSize];
            m_iCapacity = iBufferSize;
        }
        const int n = static_cast<int>(iBufferSize);
        m_iStatus = Spline(n, 0, 0, 0.0, 0.0, pastT, pastV, m_pBufferB, m_pBufferC, m_pBufferD);
        VANTREL_REQUIRE(m_iStatus == 0, "m_iStatus == 0");
        int last = 0;
        return EvalSpline(n, x, pastT, pastV, m_pBufferB, m_pBufferC, m_pBufferD, last);
    }

    // Coefficients b, c, d (each n long) of the spline through (x[i], y[i]).
    // end1 / end2 = 1 clamp the left / right slope to slope1 / slope2.
    // Returns 0 on success, 1 for fewer than 2 points, 2 for abscissae not
    // strictly ascending; on a non-zero status nothing is written.
    static int Spline(int n, int end1, int end2, double slope1, double slope2, double* x, T* y,
                      double* b, double* c, double* d)
    {
        if (n < 2) return 1;
        for (int i = 1; i < n; ++i)
            if (!(x[i - 1] < x[i])) return 2;

        if (n == 2) {
            b[0] = b[1] = (y[1] - y[0]) / (x[1] - x[0]);
            c[0] = c[1] = 0.0;
            d[0] = d[1] = 0.0;
            return 0;
        }

        // Tridiagonal system: d off-diagonal, b diagonal, c right-hand side.
        const int nm1 = n - 1;
        d[0] = x[1] - x[0];
        c[1] = (y[1] - y[0]) / d[0];
        for (int i = 1; i < nm1; ++i) {
            d[i] = x[i + 1] - x[i];
            b[i] = 2.0 * (d[i - 1] + d[i]);
            c[i + 1] = (y[i + 1] - y[i]) / d[i];
            c[i] = c[i + 1] - c[i];
        }

        // End conditions.
        b[0] = -d[0];
        b[nm1] = -d[n - 2];
        c[0] = 0.0;
        c[nm1] = 0.0;
        if (n > 3) {
            c[0] = c[2] / (x[3] - x[1]) - c[1] / (x[2] - x[0]);
            c[nm1] = c[n - 2] / (x[nm1] - x[n - 3]) - c[n - 3] / (x[n - 2] - x[n - 4]);
            c[0] = c[0] * (d[0] * d[0]) / (x[3] - x[0]);
            c[nm1] = -c[nm1] * (d[n - 2] * d[n - 2]) / (x[nm1] - x[n - 4]);
        }
        if (end1 == 1) {
            b[0] = 2.0 * (x[1] - x[0]);
            c[0] = (y[1] - y[0]) / (x[1] - x[0]) - slope1;
        }
        if (end2 == 1) {
            b[nm1] = 2.0 * (x[nm1] - x[n - 2]);
            c[nm1] = slope2 - (y[nm1] - y[n - 2]) / (x[nm1] - x[n - 2]);
        }

        // Forward elimination and back substitution.
        for (int i = 1; i < n; ++i) {
            const double t = d[i - 1] / b[i - 1];
            b[i] = b[i] - t * d[i - 1];
            c[i] = c[i] - t * c[i - 1];
        }
        c[nm1] = c[nm1] / b[nm1];
        for (int i = n - 2; i >= 0; --i) c[i] = (c[i] - d[i] * c[i + 1]) / b[i];

        // Polynomial coefficients.
        b[nm1] = (y[nm1] - y[n - 2]) / d[n - 2] + d[n - 2] * (c[n - 2] + 2.0 * c[nm1]);
        for (int i = 0; i < nm1; ++i) {
            b[i] = (y[i + 1] - y[i]) / d[i] - d[i] * (c[i + 1] + 2.0 * c[i]);
            d[i] = (c[i + 1] - c[i]) / d[i];
            c[i] = 3.0 * c[i];
        }
        c[nm1] = 3.0 * c[nm1];
        d[nm1] = d[n - 2];
        return 0;
    }

    // The spline at u. `last` is the interval of the previous call (a hint)
    // and receives the interval used by this one.
    static T EvalSpline(int n, double u, double* x, T* y, double* b, double* c, double* d,
                        int& last)
    {
        int i = last;
        if (i >= n - 1 || i < 0) i = 0;
        if (!(x[i] <= u && u <= x[i + 1])) {
            int lo = 0;
            int hi = n;
            do {
                const int k = (lo + hi) / 2;
                // One of the two moves on every round, also for a NaN u
                // (which would otherwise satisfy neither test and loop forever).
                if (x[k] > u)
                    hi = k;
                else
                    lo = k;
            } while (lo + 1 < hi);
            i = lo;
        }
        last = i;
        const double w = u - x[i];
        return y[i] + w * (b[i] + w * (c[i] + w * d[i]));
    }

    int GetStatus() const { return m_iStatus; }

private:
    void FreeWork()
    {
        delete[] m_pBufferB;
        delete[] m_pBufferC;
        delete[] m_pBufferD;
        m_pBufferB = m_pBufferC = m_pBufferD = nullptr;
        m_iCapacity = 0;
    }

    size_t m_iCapacity = 0;
    double* m_pBufferB = nullptr;
    double* m_pBufferC = nullptr;
    double* m_pBufferD = nullptr;
    int m_iStatus = 0;
};

}  // namespace Vantrel

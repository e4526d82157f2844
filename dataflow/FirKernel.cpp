// The lane sum of FIR.h in its portable and AVX2 versions.
//
// Both versions form exactly the same operations: term j multiplied, then
// added to lane j mod 16 (the lanes in order of j), the lanes combined in the
// order stated in FIR.h. No fused multiply-add is used anywhere (the AVX2
// version is compiled for "avx2" only, which offers no FMA instruction for
// the compiler to contract into), so the two agree bit for bit; the tests
// compare them.
#include <cstddef>

#include "dataflow/FIR.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VANTREL_FIR_X86 1
#else
#define VANTREL_FIR_X86 0
#endif

namespace Vantrel {
namespace FirKernel {

namespace {

static_assert(LaneCount == 16, "the lane combination below is written for 16 lanes");

// Adds the terms from..count-1 to their lanes, then combines the lanes.
inline double FinishLanes(double* s, const double* h, size_t stride, const double* x, size_t from,
                          size_t count)
{
    for (size_t j = from; j < count; ++j) s[j % LaneCount] += h[j * stride] * x[j];
    double b[4];
    for (size_t i = 0; i < 4; ++i) b[i] = (s[i] + s[i + 4]) + (s[i + 8] + s[i + 12]);
    return (b[0] + b[2]) + (b[1] + b[3]);
}

}  // namespace

double DotLanesPortable(const double* h, size_t stride, const double* x, size_t count)
{
    double s[LaneCount] = {};
    size_t j = 0;
    if (stride == 1) {
        for (; j + LaneCount <= count; j += LaneCount)
            for (size_t l = 0; l < LaneCount; ++l) s[l] += h[j + l] * x[j + l];
    } else {
        for (; j + LaneCount <= count; j += LaneCount)
            for (size_t l = 0; l < LaneCount; ++l) s[l] += h[(j + l) * stride] * x[j + l];
    }
    return FinishLanes(s, h, stride, x, j, count);
}

#if VANTREL_FIR_X86

// Lanes 4v .. 4v+3 live in vector a[v]; an interpolating filter's strided
// taps take the portable route.
__attribute__((target("avx2"))) double DotLanesAvx2(const double* h, size_t stride,
                                                    const double* x, size_t count)
{
    if (stride != 1) return DotLanesPortable(h, stride, x, count);
    __m256d a0 = _mm256_setzero_pd(), a1 = _mm256_setzero_pd();
    __m256d a2 = _mm256_setzero_pd(), a3 = _mm256_setzero_pd();
    size_t j = 0;
    for (; j + LaneCount <= count; j += LaneCount) {
        a0 = _mm256_add_pd(a0, _mm256_mul_pd(_mm256_loadu_pd(h + j), _mm256_loadu_pd(x + j)));
        a1 = _mm256_add_pd(a1, _mm256_mul_pd(_mm256_loadu_pd(h + j + 4), _mm256_loadu_pd(x + j + 4)));
        a2 = _mm256_add_pd(a2, _mm256_mul_pd(_mm256_loadu_pd(h + j + 8), _mm256_loadu_pd(x + j + 8)));
        a3 = _mm256_add_pd(a3, _mm256_mul_pd(_mm256_loadu_pd(h + j + 12), _mm256_loadu_pd(x + j + 12)));
    }
    double s[LaneCount];
    _mm256_storeu_pd(s, a0);
    _mm256_storeu_pd(s + 4, a1);
    _mm256_storeu_pd(s + 8, a2);
    _mm256_storeu_pd(s + 12, a3);
    return FinishLanes(s, h, 1, x, j, count);
}

bool DotLanesAvx2Available()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

#else

double DotLanesAvx2(const double* h, size_t stride, const double* x, size_t count)
{
    return DotLanesPortable(h, stride, x, count);
}

bool DotLanesAvx2Available() { return false; }

#endif

namespace {

using LaneDot = double (*)(const double*, size_t, const double*, size_t);

LaneDot ChooseDotLanes() { return DotLanesAvx2Available() ? DotLanesAvx2 : DotLanesPortable; }

}  // namespace

double DotLanes(const double* h, size_t stride, const double* x, size_t count)
{
    // Chosen at the first call and kept: the processor does not change.
    static const LaneDot dot = ChooseDotLanes();
    return dot(h, stride, x, count);
}

}  // namespace FirKernel
}  // namespace Vantrel

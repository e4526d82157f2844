// Wall-clock and processor time of one stage, summed over its calls. On a
// shared machine the processor time is the figure that tells the cost.
#pragma once

#include <time.h>

#include <chrono>

namespace linksim {

using Clock = std::chrono::steady_clock;

struct Cost {
    double wall = 0.0;
    double cpu = 0.0;
};

// Processor time of the whole process (every thread), or of the calling
// thread only.
inline double CpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// A stage runs on one thread: its processor time is that thread's.
template <class F>
auto Timed(Cost& c, F&& f)
{
    const auto w0 = Clock::now();
    const double c0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    auto result = f();
    c.cpu += CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0;
    c.wall += std::chrono::duration<double>(Clock::now() - w0).count();
    return result;
}

inline double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

}  // namespace linksim

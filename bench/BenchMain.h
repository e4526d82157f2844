// The benchmark programs' shared main: Google Benchmark's, except that a
// --benchmark_min_time given in seconds with its unit ("0.1s", as newer
// versions of the library write it) is passed on as the plain number this
// version reads, so every program takes the same flags.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace bench {

inline int RunBenchmarks(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    const std::string flag = "--benchmark_min_time=";
    for (std::string& a : args)
        if (a.rfind(flag, 0) == 0 && a.size() > flag.size() + 1 && a.back() == 's') a.pop_back();
    std::vector<char*> ptrs;
    for (std::string& a : args) ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    int n = argc;
    benchmark::Initialize(&n, ptrs.data());
    if (benchmark::ReportUnrecognizedArguments(n, ptrs.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench

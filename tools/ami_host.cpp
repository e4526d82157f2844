// ami_host: loads IBIS-AMI libraries the way a channel simulator does and
// pushes a short waveform through each.
//
//   ami_host [library.so [parameter string]] ...
//   ami_host --version
//
// With no arguments it drives rx_ami.so and tx_ami.so from the directory of the
// program itself. For each library it prints the AMI_Init result and message,
// the first output samples and the clock times of one AMI_GetWave call (for a
// model with AMI_Init only, the impulse response AMI_Init returned).
#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/version.h"

namespace {

using InitFn = long (*)(double*, long, long, double, double, char*, char**, void**, char**);
using GetWaveFn = long (*)(double*, long, double*, char**, void*);
using CloseFn = long (*)(void*);

std::string ProgramDir(const char* argv0)
{
    std::string p = argv0;
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? "." : p.substr(0, slash);
}

int Drive(const std::string& path, const std::string& params)
{
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        return 1;
    }
    auto init = reinterpret_cast<InitFn>(dlsym(lib, "AMI_Init"));
    auto getWave = reinterpret_cast<GetWaveFn>(dlsym(lib, "AMI_GetWave"));
    auto close = reinterpret_cast<CloseFn>(dlsym(lib, "AMI_Close"));
    // AMI_GetWave is optional: a model may have AMI_Init only.
    if (!init || !close) {
        std::fprintf(stderr, "%s does not export AMI_Init and AMI_Close\n", path.c_str());
        dlclose(lib);
        return 1;
    }

    const double bitTime = 1.0 / 10.3125e9;
    const int samplesPerBit = 64;
    const double sampleInterval = bitTime / samplesPerBit;
    std::vector<double> impulse(256, 0.0);
    impulse[0] = 1.0 / sampleInterval;
    std::string paramCopy = params;
    void* handle = nullptr;
    char* msg = nullptr;
    char* paramsOut = nullptr;
    long ok = init(impulse.data(), static_cast<long>(impulse.size()), 0, sampleInterval, bitTime,
                   &paramCopy[0], &paramsOut, &handle, &msg);
    std::printf("%s\n  AMI_Init -> %ld\n  message: %s\n", path.c_str(), ok, msg ? msg : "(none)");

    if (!getWave) {
        // What an AMI_Init-only model gives: the impulse response it
        // returned (the unit impulse in: its own response), as taps a bit apart.
        std::printf("  no AMI_GetWave (a model with AMI_Init only); the impulse response it returned, times the "
                    "sample interval, at the start of each bit:");
        for (int b = 0; b < 4; ++b) std::printf(" %.4g", impulse[static_cast<size_t>(b * samplesPerBit)] * sampleInterval);
        std::printf("\n  AMI_Close -> %ld\n", close(handle));
        dlclose(lib);
        return ok ? 0 : 1;
    }

    // Eight bits of a +/-1 pattern, 64 samples per bit.
    const int pattern[8] = {1, 1, -1, 1, -1, -1, 1, -1};
    std::vector<double> wave(8 * samplesPerBit);
    for (size_t i = 0; i < wave.size(); ++i) wave[i] = pattern[i / samplesPerBit];
    std::vector<double> clocks(wave.size() / samplesPerBit + 1, 0.0);
    long got = getWave(wave.data(), static_cast<long>(wave.size()), clocks.data(), &paramsOut, handle);
    std::printf("  AMI_GetWave -> %ld\n", got);
    if (got) {
        std::printf("  output at the middle of each bit:");
        for (int b = 0; b < 8; ++b) std::printf(" %.4g", wave[b * samplesPerBit + samplesPerBit / 2]);
        std::printf("\n  clock times:");
        for (double c : clocks) {
            std::printf(" %.6g", c);
            if (c == -1.0) break;
        }
        std::printf("\n");
    } else {
        // A failed call leaves the buffer as it was: what is in it is the input, not output.
        std::printf("  no output: AMI_GetWave failed%s%s\n", paramsOut ? ": " : "", paramsOut ? paramsOut : "");
    }
    std::printf("  AMI_Close -> %ld\n", close(handle));
    dlclose(lib);
    return ok && got ? 0 : 1;
}

}  // namespace

const char kHelp[] =
    "ami_host: loads IBIS-AMI libraries the way a channel simulator does and pushes a short\n"
    "waveform through each: AMI_Init with a unit impulse (10.3125 Gb/s, 64 samples per bit),\n"
    "one AMI_GetWave of eight bits, AMI_Close. A library without AMI_GetWave (AMI_Init only)\n"
    "shows the impulse response its AMI_Init returned instead.\n"
    "\n"
    "usage: ami_host [LIBRARY.so ['(parameter string)']] ...\n"
    "  With no library: tx_ami.so and rx_ami.so beside the program.\n"
    "  A parameter string follows its library and starts with '('.\n"
    "\n"
    "Prints each call's result and message, the output at the middle of each bit and the clock\n"
    "times. Exit status 0 when every call succeeded, 1 otherwise.\n";

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("ami_host %s\n", AMI_VERSION);
        return 0;
    }
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
    std::vector<std::pair<std::string, std::string>> jobs;
    if (argc <= 1) {
        const std::string dir = ProgramDir(argv[0]);
        jobs.push_back({dir + "/tx_ami.so", ""});
        jobs.push_back({dir + "/rx_ami.so", ""});
    } else {
        for (int i = 1; i < argc; ++i) {
            std::string lib = argv[i];
            std::string params;
            if (i + 1 < argc && argv[i + 1][0] == '(') params = argv[++i];
            jobs.push_back({lib, params});
        }
    }
    int status = 0;
    for (const auto& job : jobs) status |= Drive(job.first, job.second);
    return status;
}

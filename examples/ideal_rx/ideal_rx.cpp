// ideal_rx: the smallest IBIS-AMI receiver worth the name, as an example of
// the interface and as a reference for the link simulator amisim.
//
// It has an ideal clock: a square wave of exactly one bit period whose
// falling edges lie at sample numbers Phase + k * samples_per_bit, handed
// back as clock times. Its output is chosen by RX_Config, as in the real
// receiver: 0 the decision (sign of the input sampled on each rising edge,
// half a period after a falling edge, held until the next), 2 the input
// unchanged. Parameters: (ideal_rx (RX_Config 0|2) (Phase <samples>)).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#define IDEAL_RX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Instance {
    long samplesPerBit = 1;
    double sampleInterval = 0.0;
    int config = 2;
    long phase = 0;
    unsigned long long n = 0;  // samples seen
    double decision = -1.0;
    std::string message;
};

// The integer that follows "(name " in the parameter string, or fallback.
long Parameter(const char* params, const char* name, long fallback)
{
    if (!params) return fallback;
    const std::string key = std::string("(") + name + " ";
    const char* at = std::strstr(params, key.c_str());
    if (!at) return fallback;
    char* end = nullptr;
    const long v = std::strtol(at + key.size(), &end, 10);
    return end == at + key.size() ? fallback : v;
}

}  // namespace

IDEAL_RX_EXPORT long AMI_Init(double*, long, long, double sample_interval, double bit_time, char* params,
                              char**, void** handle, char** msg)
{
    Instance* inst = new (std::nothrow) Instance();
    if (handle) *handle = inst;
    if (!inst) return 0;
    if (!(sample_interval > 0.0) || !(bit_time >= sample_interval)) {
        inst->message = "ideal_rx: bit_time must be at least one sample_interval. ";
        if (msg) *msg = &inst->message[0];
        return 0;
    }
    inst->sampleInterval = sample_interval;
    inst->samplesPerBit = static_cast<long>(bit_time / sample_interval + 0.5);
    inst->config = static_cast<int>(Parameter(params, "RX_Config", 2));
    inst->phase = Parameter(params, "Phase", 0) % inst->samplesPerBit;
    if (inst->phase < 0) inst->phase += inst->samplesPerBit;
    if (inst->config != 0 && inst->config != 2) {
        inst->message = "ideal_rx: RX_Config must be 0 or 2. ";
        if (msg) *msg = &inst->message[0];
        return 0;
    }
    return 1;
}

IDEAL_RX_EXPORT long AMI_GetWave(double* wave, long size, double* clock_times, char**, void* handle)
{
    Instance* inst = static_cast<Instance*>(handle);
    if (!inst || size < 0 || !clock_times || (size > 0 && !wave)) return 0;
    const long spb = inst->samplesPerBit;
    const long cap = size / spb + 1;  // entries the caller provides
    long k = 0;
    for (long i = 0; i < size; ++i, ++inst->n) {
        const long pos = static_cast<long>((inst->n + spb - inst->phase) % spb);
        if (pos == 0 && inst->n > 0 && k + 1 < cap)
            clock_times[k++] = static_cast<double>(inst->n) * inst->sampleInterval;
        if (pos == spb / 2) inst->decision = wave[i] > 0.0 ? 1.0 : -1.0;
        if (inst->config == 0) wave[i] = inst->decision;
    }
    clock_times[k] = -1.0;
    return 1;
}

IDEAL_RX_EXPORT long AMI_Close(void* handle)
{
    delete static_cast<Instance*>(handle);
    return 1;
}

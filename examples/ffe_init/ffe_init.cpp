// ffe_init: an IBIS-AMI model with AMI_Init only (no AMI_GetWave), as an
// example of the statistical flow and a reference for amisim's handling of
// such models. Its AMI_Init returns the impulse response it is given
// through a two-tap feed-forward equaliser, h'(t) = h(t) - Post h(t - T)
// (T the bit time), scaled by 1 / (1 - Post) so that a long run of equal
// bits keeps its level; a host that runs links bit by bit puts that
// response in the waveform path. It serves as a transmitter or a receiver.
// Parameters: (ffe_init (Post <0 to 0.5>)).
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#define FFE_INIT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Instance {
    std::string message;
};

// The number that follows "(Post " in the parameter string, or fallback.
double Post(const char* params, double fallback)
{
    if (!params) return fallback;
    const char* at = std::strstr(params, "(Post ");
    if (!at) return fallback;
    char* end = nullptr;
    const double v = std::strtod(at + 6, &end);
    return end == at + 6 ? fallback : v;
}

long Fail(Instance* inst, const char* why, char** msg)
{
    inst->message = why;
    if (msg) *msg = &inst->message[0];
    return 0;
}

}  // namespace

FFE_INIT_EXPORT long AMI_Init(double* impulse, long rows, long aggressors, double sample_interval, double bit_time,
                              char* params, char**, void** handle, char** msg)
{
    Instance* inst = new (std::nothrow) Instance();
    if (handle) *handle = inst;
    if (!inst) return 0;
    if (!(sample_interval > 0.0) || !(bit_time >= sample_interval))
        return Fail(inst, "ffe_init: bit_time must be at least one sample_interval. ", msg);
    if (!impulse || rows < 1 || aggressors < 0) return Fail(inst, "ffe_init: no impulse response. ", msg);
    const double post = Post(params, 0.0);
    if (!(post >= 0.0 && post <= 0.5)) return Fail(inst, "ffe_init: Post must lie from 0 to 0.5. ", msg);
    const long spb = static_cast<long>(bit_time / sample_interval + 0.5);
    // Only the first column (the through response) is equalised.
    const std::vector<double> h(impulse, impulse + rows);
    const double gain = 1.0 / (1.0 - post);
    for (long i = 0; i < rows; ++i) impulse[i] = gain * (h[static_cast<size_t>(i)] - (i >= spb ? post * h[static_cast<size_t>(i - spb)] : 0.0));
    return 1;
}

FFE_INIT_EXPORT long AMI_Close(void* handle)
{
    delete static_cast<Instance*>(handle);
    return 1;
}

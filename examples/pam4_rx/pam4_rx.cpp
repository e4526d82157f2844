// pam4_rx: a four-level receiver as small as ideal_rx, as an example of a
// PAM4 model and as a reference for amisim's multilevel links.
//
// Its clock is ideal: falling edges at sample numbers Phase + k * samples
// per symbol, handed back as clock times. There is no equaliser. It slices
// the input half a period after each falling edge against three thresholds
// (the mid-levels of the +-0.5 V four-level stimulus, as its parameter
// file declares): below -1/3 V is level -0.5, below 0 is -1/6, below 1/3 is
// 1/6, else 0.5. RX_Config chooses its output: 0 the decided level, held
// until the next decision, 2 the input unchanged (the equalised signal).
// Parameters: (pam4_rx (RX_Config 0|2) (Phase <samples>)).
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#define PAM4_RX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const double kThresholds[3] = {-1.0 / 3.0, 0.0, 1.0 / 3.0};
const double kLevels[4] = {-0.5, -1.0 / 6.0, 1.0 / 6.0, 0.5};

struct Instance {
    long samplesPerSymbol = 1;
    double sampleInterval = 0.0;
    int config = 2;
    long phase = 0;
    unsigned long long n = 0;  // samples seen
    double decision = kLevels[0];
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

double Decide(double v)
{
    int s = 0;
    for (double t : kThresholds) s += v >= t ? 1 : 0;
    return kLevels[s];
}

long Fail(Instance* inst, const char* why, char** msg)
{
    inst->message = why;
    if (msg) *msg = &inst->message[0];
    return 0;
}

}  // namespace

PAM4_RX_EXPORT long AMI_Init(double*, long, long, double sample_interval, double bit_time, char* params,
                             char**, void** handle, char** msg)
{
    Instance* inst = new (std::nothrow) Instance();
    if (handle) *handle = inst;
    if (!inst) return 0;
    if (!(sample_interval > 0.0) || !(bit_time >= sample_interval))
        return Fail(inst, "pam4_rx: bit_time must be at least one sample_interval. ", msg);
    inst->sampleInterval = sample_interval;
    inst->samplesPerSymbol = static_cast<long>(bit_time / sample_interval + 0.5);
    inst->config = static_cast<int>(Parameter(params, "RX_Config", 2));
    inst->phase = Parameter(params, "Phase", 0) % inst->samplesPerSymbol;
    if (inst->phase < 0) inst->phase += inst->samplesPerSymbol;
    if (inst->config != 0 && inst->config != 2) return Fail(inst, "pam4_rx: RX_Config must be 0 or 2. ", msg);
    return 1;
}

PAM4_RX_EXPORT long AMI_GetWave(double* wave, long size, double* clock_times, char**, void* handle)
{
    Instance* inst = static_cast<Instance*>(handle);
    if (!inst || size < 0 || !clock_times || (size > 0 && !wave)) return 0;
    const long sps = inst->samplesPerSymbol;
    const long cap = size / sps + 1;  // entries the caller provides
    long k = 0;
    for (long i = 0; i < size; ++i, ++inst->n) {
        const long pos = static_cast<long>((inst->n + sps - inst->phase) % sps);
        if (pos == 0 && inst->n > 0 && k + 1 < cap)
            clock_times[k++] = static_cast<double>(inst->n) * inst->sampleInterval;
        if (pos == sps / 2) inst->decision = Decide(wave[i]);
        if (inst->config == 0) wave[i] = inst->decision;
    }
    clock_times[k] = -1.0;
    return 1;
}

PAM4_RX_EXPORT long AMI_Close(void* handle)
{
    delete static_cast<Instance*>(handle);
    return 1;
}

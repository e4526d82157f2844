// One IBIS-AMI model driven the way a channel simulator drives it: the
// library is loaded with dlopen, and AMI_Init, AMI_GetWave and AMI_Close are
// called through the pointers that dlsym finds. Nothing of the model's code
// is linked into the host.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace linksim {

class AmiModel {
public:
    // Loads the library; on failure returns null and sets error.
    static std::unique_ptr<AmiModel> Load(const std::string& path, std::string& error);
    ~AmiModel();
    AmiModel(const AmiModel&) = delete;
    AmiModel& operator=(const AmiModel&) = delete;

    // AMI_Init with the impulse response (one row, no aggressors; a copy is
    // passed), the sample interval and bit time in seconds and the
    // parameter string. message receives what the model returned in msg,
    // impulseOut (when given) the impulse response as AMI_Init left it.
    // The instance is kept even when the call fails, and closed later.
    bool Init(const std::vector<double>& impulse, double sampleInterval, double bitTime,
              const std::string& parameters, std::string& message, std::vector<double>* impulseOut = nullptr);

    // AMI_GetWave over wave[0..n) in place (false without one); the clock times of the call are
    // appended to clockTimes. Reserves its own scratch on the first call of
    // each size, so steady-state calls of one size do not allocate.
    bool GetWave(double* wave, long n, std::vector<double>& clockTimes);

    // Whether the library exports AMI_GetWave (a model may have AMI_Init only).
    bool HasGetWave() const { return m_getWave != nullptr; }

    // AMI_Close (once; later calls return the first result).
    bool Close();

    const std::string& Path() const { return m_path; }

private:
    AmiModel() = default;
    using InitFn = long (*)(double*, long, long, double, double, char*, char**, void**, char**);
    using GetWaveFn = long (*)(double*, long, double*, char**, void*);
    using CloseFn = long (*)(void*);

    std::string m_path;
    void* m_lib = nullptr;
    InitFn m_init = nullptr;
    GetWaveFn m_getWave = nullptr;
    CloseFn m_close = nullptr;
    void* m_handle = nullptr;
    bool m_initCalled = false;
    bool m_closed = false;
    bool m_closeResult = true;
    double m_samplesPerBit = 1.0;
    std::vector<double> m_clockScratch;
};

// Builds "(name (key value) ...)" from name/value pairs.
std::string AmiParameterString(const std::string& model,
                               const std::vector<std::pair<std::string, std::string>>& values);

// What the receiver's adaptation log ("Adapt.txt") says about the CTLE
// setting: one row per eye measurement, "setting\t\tC1 \t...C5 \tH \t V \t R",
// written before the measurement is acted on.
struct AdaptLog {
    int rows = 0;
    int lastSetting = -1;      // setting of the last measurement row
    int lastHeo = 0, lastVeo = 0, lastRange = 0;
    bool lockPhaseEnded = false;   // "End CTLE adapt till CDR lock"
    bool optimumEnded = false;     // "End CTLE adapt till optimum"
    std::vector<int> settings;     // of every row, in order
    // The setting in force after the last row: the rows replayed through
    // the adaptation's CTLE stepping rule (phase 1: +2 until the horizontal
    // opening exceeds 5; phase 2: +1 while the eye improves, one back when
    // it does not; back to phase 1 when the opening falls to 3 or less).
    int finalSetting = 0;
    // False when a row's setting is not the one the replay expects (a log
    // that mixes runs or instances, or a receiver that steps otherwise).
    bool consistent = true;
};
// Parses the text appended to the log during one run of one instance with
// CTLE adaptation on and DFE adaptation off.
AdaptLog ParseAdaptLog(const std::string& text);

}  // namespace linksim

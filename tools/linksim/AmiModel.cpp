#include "linksim/AmiModel.h"

#include <dlfcn.h>

#include <cmath>
#include <sstream>

namespace linksim {

std::unique_ptr<AmiModel> AmiModel::Load(const std::string& path, std::string& error)
{
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char* e = dlerror();
        error = "cannot load " + path + ": " + (e ? e : "unknown error");
        return nullptr;
    }
    std::unique_ptr<AmiModel> m(new AmiModel());
    m->m_path = path;
    m->m_lib = lib;
    m->m_init = reinterpret_cast<InitFn>(dlsym(lib, "AMI_Init"));
    m->m_getWave = reinterpret_cast<GetWaveFn>(dlsym(lib, "AMI_GetWave"));
    m->m_close = reinterpret_cast<CloseFn>(dlsym(lib, "AMI_Close"));
    // AMI_GetWave is optional: a model may have AMI_Init only.
    if (!m->m_init || !m->m_close) {
        error = path + " does not export AMI_Init and AMI_Close";
        return nullptr;
    }
    return m;
}

AmiModel::~AmiModel()
{
    Close();
    if (m_lib) dlclose(m_lib);
}

bool AmiModel::Init(const std::vector<double>& impulse, double sampleInterval, double bitTime,
                    const std::string& parameters, std::string& message, std::vector<double>* impulseOut)
{
    std::vector<double> impulseCopy = impulse;
    if (impulseCopy.empty()) impulseCopy.assign(1, 0.0);
    std::string params = parameters;
    char* paramsOut = nullptr;
    char* msg = nullptr;
    m_initCalled = true;
    const long ok = m_init(impulseCopy.data(), static_cast<long>(impulseCopy.size()), 0, sampleInterval,
                           bitTime, &params[0], &paramsOut, &m_handle, &msg);
    message = msg ? msg : "";
    if (impulseOut) impulseOut->assign(impulseCopy.begin(), impulseCopy.begin() + static_cast<std::ptrdiff_t>(impulse.size()));
    if (sampleInterval > 0.0) m_samplesPerBit = std::floor(bitTime / sampleInterval + 0.5);
    if (!(m_samplesPerBit >= 1.0)) m_samplesPerBit = 1.0;
    return ok == 1;
}

bool AmiModel::GetWave(double* wave, long n, std::vector<double>& clockTimes)
{
    if (!m_getWave || !m_initCalled || m_closed || n < 0) return false;
    // The interface's capacity, ceil(n / samplesPerBit) + 1, plus margin.
    const size_t cap = static_cast<size_t>(std::ceil(static_cast<double>(n) / m_samplesPerBit)) + 1;
    if (m_clockScratch.size() < cap + 8) m_clockScratch.assign(cap + 8, -1.0);
    const long ok = m_getWave(wave, n, m_clockScratch.data(), nullptr, m_handle);
    size_t k = 0;
    while (k < cap && m_clockScratch[k] >= 0.0) clockTimes.push_back(m_clockScratch[k++]);
    return ok == 1;
}

bool AmiModel::Close()
{
    if (m_closed || !m_initCalled) return m_closeResult;
    m_closed = true;
    m_closeResult = m_close(m_handle) == 1;
    m_handle = nullptr;
    return m_closeResult;
}

std::string AmiParameterString(const std::string& model,
                               const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string s = "(" + model;
    for (const auto& kv : values) s += " (" + kv.first + " " + kv.second + ")";
    s += ")";
    return s;
}

AdaptLog ParseAdaptLog(const std::string& text)
{
    AdaptLog log;
    // Replay state of the CTLE stepping.
    bool lockPhase = true, done = false;
    int level = 0;
    long prevH = 0, prevV = 0, prevR = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("End CTLE adapt till CDR lock") != std::string::npos) log.lockPhaseEnded = true;
        if (line.find("End CTLE adapt till optimum") != std::string::npos) log.optimumEnded = true;
        std::istringstream row(line);
        long v[9];
        int n = 0;
        while (n < 9 && (row >> v[n])) ++n;
        std::string rest;
        if (n != 9 || (row >> rest)) continue;
        ++log.rows;
        log.lastSetting = static_cast<int>(v[0]);
        log.lastHeo = static_cast<int>(v[6]);
        log.lastVeo = static_cast<int>(v[7]);
        log.lastRange = static_cast<int>(v[8]);
        log.settings.push_back(log.lastSetting);

        if (v[0] != level) log.consistent = false;
        const long H = v[6], V = v[7], R = v[8];
        long curH = prevH, curV = prevV, curR = prevR;
        if (lockPhase) {
            if (H > 5 || level > 29)
                lockPhase = false;
            else
                level += 2;
        } else {
            curH = H;
            curV = V;
            curR = R;
            const bool good = H <= (R + 1) * V;
            const long score = (R + 1) * H, prevScore = (prevR + 1) * prevH;
            if (H <= 3) {
                if (level <= 29) {
                    ++level;
                    lockPhase = true;
                }
            } else if (!done) {
                const bool better = good ? (score > prevScore || (H == prevH && V > prevV))
                                         : (V > prevV || (V == prevV && score > prevScore));
                if (better && level <= 30) {
                    ++level;
                } else {
                    if (!better && level <= 30) {
                        --level;
                        curH = prevH;
                        curV = prevV;
                        curR = prevR;
                    }
                    done = true;
                }
            }
        }
        prevH = curH;
        prevV = curV;
        prevR = curR;
    }
    log.finalSetting = level;
    return log;
}

}  // namespace linksim

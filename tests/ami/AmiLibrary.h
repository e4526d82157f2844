// Loads an IBIS-AMI library with dlopen and resolves its three entry points,
// as a channel simulator does. Also a scoped temporary working directory, for
// models that write report files into the current directory.
#pragma once

#include <dlfcn.h>
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace amitest {

using InitFn = long (*)(double*, long, long, double, double, char*, char**, void**, char**);
using GetWaveFn = long (*)(double*, long, double*, char**, void*);
using CloseFn = long (*)(void*);

class AmiLibrary {
public:
    explicit AmiLibrary(const std::string& path)
    {
        m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m_handle) {
            m_error = dlerror();
            return;
        }
        Init = reinterpret_cast<InitFn>(dlsym(m_handle, "AMI_Init"));
        GetWave = reinterpret_cast<GetWaveFn>(dlsym(m_handle, "AMI_GetWave"));
        Close = reinterpret_cast<CloseFn>(dlsym(m_handle, "AMI_Close"));
        if (!Init || !GetWave || !Close) m_error = "missing entry point in " + path;
    }
    ~AmiLibrary()
    {
        if (m_handle) dlclose(m_handle);
    }
    AmiLibrary(const AmiLibrary&) = delete;
    AmiLibrary& operator=(const AmiLibrary&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    void* handle() const { return m_handle; }

    InitFn Init = nullptr;
    GetWaveFn GetWave = nullptr;
    CloseFn Close = nullptr;

    // AMI_Init with a copy of params; returns the result, fills handle and msg.
    long InitWith(const std::string& params, double sampleInterval, double bitTime, void** h,
                  char** msg) const
    {
        std::vector<char> copy(params.begin(), params.end());
        copy.push_back('\0');
        std::vector<double> impulse(16, 0.0);
        impulse[0] = 1.0;
        char* out = nullptr;
        return Init(impulse.data(), 16, 0, sampleInterval, bitTime, copy.data(), &out, h, msg);
    }

private:
    void* m_handle = nullptr;
    std::string m_error;
};

inline std::string RxPath() { return std::string(AMI_BUILD_DIR) + "/rx_ami.so"; }
inline std::string TxPath() { return std::string(AMI_BUILD_DIR) + "/tx_ami.so"; }

// chdir into a fresh temporary folder for the lifetime of the object, then
// back, removing the folder and what was written into it.
class TempWorkDir {
public:
    TempWorkDir()
    {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) m_old = cwd;
        char tmpl[] = "/tmp/amitest-XXXXXX";
        if (mkdtemp(tmpl)) {
            m_dir = tmpl;
            if (chdir(m_dir.c_str()) != 0) m_dir.clear();
        }
    }
    ~TempWorkDir()
    {
        if (!m_old.empty() && chdir(m_old.c_str()) != 0) return;
        if (!m_dir.empty())
            nftw(m_dir.c_str(),
                 [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); }, 8,
                 FTW_DEPTH | FTW_PHYS);
    }
    const std::string& path() const { return m_dir; }

private:
    std::string m_old, m_dir;
};

}  // namespace amitest

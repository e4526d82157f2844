// Test support for the receiver model: a PRBS waveform through a lossy
// channel, a scratch working directory for the report files, and a harness
// that drives the model directly the way the entry points do.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "models/rx/Vuraved_UV_IV.h"
#include "tests/ami/AmiLibrary.h"

namespace rxtest {

constexpr double kBitTime = 1.0 / 10.3125e9;
constexpr int kSamplesPerBit = 64;
constexpr double kSampleInterval = kBitTime / kSamplesPerBit;

// PRBS15 (x^15 + x^14 + 1), n bits of 0/1 from a fixed non-zero seed.
inline std::vector<int> Prbs15(size_t n)
{
    std::vector<int> bits(n);
    unsigned state = 0x4A5Bu;
    for (size_t i = 0; i < n; ++i) {
        const unsigned b = ((state >> 14) ^ (state >> 13)) & 1u;
        state = ((state << 1) | b) & 0x7FFFu;
        bits[i] = static_cast<int>(b);
    }
    return bits;
}

// A lossy channel: NRZ levels +/-amplitude at samplesPerBit samples per bit,
// through `poles` cascaded first-order low-pass sections of time constant
// tau (seconds), sampled exactly (y += (1 - e^(-Ts/tau)) (x - y)), and a
// flight time of `delay` samples.
struct Channel {
    int poles = 2;
    double tau = 30e-12;
    double amplitude = 0.5;
    int delay = 0;
};

inline std::vector<double> ChannelWave(const std::vector<int>& bits, const Channel& ch,
                                       int samplesPerBit = kSamplesPerBit)
{
    const double ts = kBitTime / samplesPerBit;
    const double a = 1.0 - std::exp(-ts / ch.tau);
    std::vector<double> state(ch.poles, -ch.amplitude);  // settled on a 0 before the start
    std::vector<double> wave(static_cast<size_t>(ch.delay), state.back());
    wave.reserve(bits.size() * samplesPerBit + ch.delay);
    for (int b : bits) {
        const double level = b ? ch.amplitude : -ch.amplitude;
        for (int s = 0; s < samplesPerBit; ++s) {
            double x = level;
            for (double& y : state) {
                y += a * (x - y);
                x = y;
            }
            wave.push_back(x);
        }
    }
    wave.resize(bits.size() * samplesPerBit);
    return wave;
}

// A fresh temporary directory as the current directory for one test.
class ScratchDirTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_dir.path().empty()); }
    static std::string ReadAll(const char* name)
    {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool Exists(const char* name)
    {
        std::FILE* f = std::fopen(name, "rb");
        if (f) std::fclose(f);
        return f != nullptr;
    }

private:
    amitest::TempWorkDir m_dir;
};

struct ModelSettings {
    int rxConfig = 0;
    int ctleAdapt = 1;
    int eqLevel = 0;
    int eomNbits = 200;
    bool allFilters = false;
};

// Drives a model directly: ports on single items, Setup, Initialize, one Run
// per sample; records the output and the clock port of every sample.
class Harness {
public:
    explicit Harness(const ModelSettings& s)
    {
        model.BitTime = kBitTime;
        model.SamplesPerBit = kSamplesPerBit;
        model.RX_Config = s.rxConfig;
        model.CTLEAdapt = s.ctleAdapt;
        model.EQ_Level = s.eqLevel;
        model.EOMNbits = s.eomNbits;
        model.SetAllCtleFilters(s.allFilters);
        model.InputPort.SetBuffer(&m_in, 1, 1, 0);
        model.OutputPort.SetBuffer(&m_out, 1, 1, 0);
        model.ClockPort.SetBuffer(&m_clock, 1, 1, 0);
    }
    ~Harness() { model.Finalize(); }

    bool Start() { return model.Setup() && model.Initialize(); }

    // Runs the samples; false at the first failing Run.
    bool Feed(const std::vector<double>& wave, size_t first = 0, size_t count = SIZE_MAX)
    {
        const size_t end = count == SIZE_MAX ? wave.size() : first + count;
        for (size_t i = first; i < end; ++i) {
            m_in = wave[i];
            if (!model.Run()) return false;
            output.push_back(m_out);
            clock.push_back(m_clock);
            setting.push_back(model.Subnetwork2.EqCode[0]);
        }
        return true;
    }

    Vuraved_UV_IV model;
    std::vector<double> output;
    std::vector<double> clock;  // clock port per sample (-1.0: none)
    std::vector<int> setting;   // CTLE setting in force per sample

private:
    double m_in = 0.0, m_out = 0.0, m_clock = 0.0;
};

}  // namespace rxtest

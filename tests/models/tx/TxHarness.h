// Helpers shared by the transmitter tests: a model with its ports attached,
// the figures the model must reproduce, and a captured standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "models/tx/TX_model2.h"
#include "tests/dataflow/StderrCapture.h"

namespace txtest {

constexpr double kBitTime = 9.696969696969696e-11;

// Gain after T1..T4 by VOD_Level 0..3, and the swing by VOD_Level.
constexpr double kGain[4][4] = {
    {0.16242555495397942, 0.26373626373626374, 0.23291925465838506, 0.21201413427561838},
    {0.16241676, 0.2643055, 0.2330459, 0.211685},
    {0.16240357287860333, 0.2638522427440633, 0.23296447291788003, 0.21164021164021166},
    {0.16242555495397942, 0.26408450704225356, 0.23310023310023312, 0.21201413427561838},
};
constexpr double kSwing[4] = {0.6, 0.5, 0.4, 0.3};
// Sum x step of T1..T4.
constexpr double kArea[4] = {-6.157005406927422, -2.554102686038324, -1.8191743242094514,
                             -1.2834550320675147};

struct Settings {
    int samplesPerBit = 128;
    int de = 0;
    int vod = 2;
    int bypass = 0;
    double bitTime = kBitTime;
};

// A TX_model2 driven the way the entry points drive it, with port storage of
// its own.
class Harness {
public:
    explicit Harness(const Settings& s = Settings())
    {
        model.SamplesPerBit = s.samplesPerBit;
        model.BitTime = s.bitTime;
        model.DE_Level = s.de;
        model.VOD_Level = s.vod;
        model.TX_bypass = s.bypass;
        model.InputPort.SetBuffer(&m_in, 1, 1, 0);
        model.OutputPort.SetBuffer(&m_out, 1, 1, 0);
        setupOk = model.Setup();
        initOk = setupOk && model.Initialize();
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    // One sample through the model; runOk holds the result of Run.
    double Step(double x)
    {
        m_in = x;
        runOk = model.Run();
        return m_out;
    }
    std::vector<double> Process(const std::vector<double>& x)
    {
        std::vector<double> y;
        y.reserve(x.size());
        for (double v : x) {
            y.push_back(Step(v));
            if (!runOk) break;
        }
        return y;
    }

    TX_model2 model;
    bool setupOk = false;
    bool initOk = false;
    bool runOk = false;

private:
    double m_in = 0.0;
    double m_out = 0.0;
};

// Standard-error capture and line splitting, shared with the dataflow tests.
using dftest::CaptureErr;
using dftest::Lines;

// Deterministic stimulus mixing +/-1, zeros, small and subnormal values.
inline std::vector<double> Stimulus(size_t n, unsigned seed)
{
    std::vector<double> x(n);
    unsigned s = seed;
    for (size_t i = 0; i < n; ++i) {
        s = s * 1664525u + 1013904223u;
        const unsigned r = s >> 24;
        if (r < 100) x[i] = 1.0;
        else if (r < 200) x[i] = -1.0;
        else if (r < 220) x[i] = 0.0;
        else if (r < 235) x[i] = (r & 1) ? 1e-310 : -3e-320;
        else x[i] = (static_cast<double>(r) - 245.0) * 0.01;
    }
    return x;
}

}  // namespace txtest

// Test rigs that attach storage to every port of the receiver's adaptation
// and eye-monitor blocks and drive them as the receiver network does.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "models/rx/Adapt.h"
#include "models/rx/EOM.h"

namespace rxblocks_test {

constexpr double kPi = 3.141592653589793;

// Drives an EOM with a synthetic VCO of `period` samples per cycle,
// v[n] = cos(2 pi (n + 0.7) / period), and a clock that rises at every
// n = 0 mod period. The 0.7 offset keeps every sampled phase sine away from 0
// and makes the block's slope test pick the right half period at every sample.
struct EomRig {
    EOM eom;
    int clock = 0, start = 0, ready = 0, range = -1, heo = -1, veo = -1, opening = -1;
    double data = 0.0, vco = 0.0;
    double waves[64];
    int clocks[64];
    int period;
    long n = 0;

    EomRig(int nbits, int samplesPerPeriod) : period(samplesPerPeriod)
    {
        eom.Nbits = nbits;
        EXPECT_TRUE(eom.Setup());
        eom.clock.SetBuffer(&clock, 1, 1, 0);
        eom.data.SetBuffer(&data, 1, 1, 0);
        eom.vcoWave.SetBuffer(&vco, 1, 1, 0);
        eom.start.SetBuffer(&start, 1, 1, 0);
        eom.ready.SetBuffer(&ready, 1, 1, 0);
        eom.range.SetBuffer(&range, 1, 1, 0);
        eom.heo.SetBuffer(&heo, 1, 1, 0);
        eom.veo.SetBuffer(&veo, 1, 1, 0);
        eom.opening.SetBuffer(&opening, 1, 1, 0);
        for (int k = 0; k < 64; ++k) {
            waves[k] = 9.0;
            clocks[k] = 9;
            eom.phaseWave[k].SetBuffer(&waves[k], 1, 1, 0);
            eom.phaseClock[k].SetBuffer(&clocks[k], 1, 1, 0);
        }
        EXPECT_TRUE(eom.Initialize());
    }
    double Psi(long i) const { return 2.0 * kPi * (i + 0.7) / period; }
    // Expected clock of phase k at sample i.
    int PhaseLevel(long i, int k) const { return std::cos(Psi(i) - 2.0 * kPi * k / 64) >= 0.0 ? 1 : 0; }
    bool RisingClock(long i) const { return i % period == 0; }
    void Step(int startLevel, double x)
    {
        clock = (n % period) < period / 2 ? 1 : 0;
        vco = std::cos(Psi(n));
        start = startLevel;
        data = x;
        EXPECT_TRUE(eom.Run());
        ++n;
    }
};

struct AdaptRig {
    Adapt block;
    int start = 0, ready = 0, heo = 0, veo = 0, range = 0, ack = 0;
    int taps[5] = {-9, -9, -9, -9, -9};
    int eqLevel = -9, request = -9, ctleDone = -9, dfeDone = -9;

    AdaptRig(int ctleEnable, int dfeEnable)
    {
        block.CtleEnable = ctleEnable;
        block.DfeEnable = dfeEnable;
        EXPECT_TRUE(block.Setup());
        block.start.SetBuffer(&start, 1, 1, 0);
        block.ready.SetBuffer(&ready, 1, 1, 0);
        block.heo.SetBuffer(&heo, 1, 1, 0);
        block.veo.SetBuffer(&veo, 1, 1, 0);
        block.range.SetBuffer(&range, 1, 1, 0);
        block.ack.SetBuffer(&ack, 1, 1, 0);
        for (int i = 0; i < 5; ++i) block.taps[i].SetBuffer(&taps[i], 1, 1, 0);
        block.eqLevel.SetBuffer(&eqLevel, 1, 1, 0);
        block.request.SetBuffer(&request, 1, 1, 0);
        block.ctleDone.SetBuffer(&ctleDone, 1, 1, 0);
        block.dfeDone.SetBuffer(&dfeDone, 1, 1, 0);
        EXPECT_TRUE(block.Initialize());
    }
    void Step() { EXPECT_TRUE(block.Run()); }
    // start rises and stays 1, as the model's start delay gives it.
    void Start()
    {
        start = 1;
        Step();
    }
    // The clocked copy of request comes back: ack rises, then falls.
    void Ack()
    {
        ack = 1;
        Step();
        ack = 0;
        Step();
    }
    // One completed measurement as the monitor presents it: acknowledged
    // request, then ready rises with the results and falls at the next start.
    void Measure(int h, int v, int r)
    {
        Ack();
        heo = h;
        veo = v;
        range = r;
        ready = 1;
        Step();
        Step();
        ready = 0;
        Step();
    }
    std::vector<int> Taps() const { return {taps[0], taps[1], taps[2], taps[3], taps[4]}; }
};

}  // namespace rxblocks_test

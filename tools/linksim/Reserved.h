// The models' reserved parameters that the host acts on, read from their
// parameter files, and the record of what was done with each one:
//
//   Tx_Rj            random jitter, rms                     stimulus edges, statistical bathtub
//   Tx_Dj            bounded jitter, half peak-to-peak:     each edge at +-Tx_Dj (dual-Dirac)
//   Tx_Sj            sinusoidal jitter, amplitude           at Tx_Sj_Frequency (Hz); ignored without it
//   Tx_DCD           duty-cycle distortion, half p-p        rising edges +Tx_DCD, falling -Tx_DCD
//   Rx_Receiver_Sensitivity  volts: a sample decides only beyond +-it (statistical eye)
//   Rx_GaussianNoise         volts rms at the decision (statistical eye); Rx_Noise
//                            likewise when the file has no Rx_GaussianNoise
//   Rx_Clock_PDF     the recovered clock's offset density (Gaussian form: mean, sigma)
//
// Jitter of Type UI is in unit intervals, of Type Float in seconds. The
// value taken is the parameter's Default, else its typical value (the
// first after its format word). Parameters that are present but not acted
// on (their meaning unconfirmed, or a form amisim does not read) are
// recorded with the reason.
#pragma once

#include <string>
#include <vector>

#include "linksim/Jitter.h"

namespace linksim {

struct ModelKit;

struct ReservedUse {
    std::string model;  // "tx" or "rx"
    std::string name;
    std::string value;  // with its unit: "0.02 UI", "3e-12 s (0.0309 UI)", "0.01 V"
    bool applied = false;
    std::string how;  // what amisim does with it, or why it does not
};

struct ReservedEffects {
    // The transmitter's jitter (seed unused): rj, sj/sjFrequency, dcd
    // (rising minus falling, = 2 Tx_DCD), dj.
    JitterSpec txJitter;
    double rxSensitivityV = 0.0;
    double rxNoiseRmsV = 0.0;
    double rxUniformNoiseV = 0.0;  // half-width
    bool clock = false;  // Rx_Clock_PDF applied
    double clockMeanUi = 0.0, clockSigmaUi = 0.0;
    std::vector<ReservedUse> uses;
};

// Reads the kits' reserved parameters (either may be null: a built-in model
// or a library without a kit). A value that is not a number, is negative,
// or a tone at or above half the bit rate is recorded as not applied.
// ignoreBits: the models' Ignore_Bits the run uses (the larger of the two).
ReservedEffects ReadReservedParameters(const ModelKit* tx, const ModelKit* rx, double bitRate,
                                       long long ignoreBits = 0);

// The stimulus jitter with the transmitter's on top of the command line's:
// random terms add in quadrature (independent), duty-cycle distortions add
// (both rising minus falling), the bounded term is the model's; the model's
// tone replaces none: it is the stimulus' tone when --sj gives none, else a
// second tone beside it. Notes how each combined into `uses`.
void CombineJitter(JitterSpec& jitter, ReservedEffects& r);

// Empty when the model can run bit by bit, else why not: a kit whose
// GetWave_Exists is False and whose AMI_Init returns no impulse response
// (Init_Returns_Impulse not True) has nothing to simulate. An Init-only
// model that returns one runs: its response stands in the waveform path.
std::string BitByBitRefusal(const ModelKit* kit, const std::string& who);

}  // namespace linksim

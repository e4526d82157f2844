// The measurement stage: what the host measures on the receiver's output
// after the bit-by-bit run. The recovered clock's lock and jitter; from
// where the run is measured (after lock, the models' Ignore_Bits and
// --ignore-bits); the decisions aligned to the transmitted bits and the bit
// errors; the eye of the equalised signal folded on the decision instants;
// the data's crossings against the recovered clock with the dual-Dirac
// jitter and the extrapolated eye; the CTLE setting from the receiver's
// adaptation log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "linksim/AmiModel.h"
#include "linksim/Analysis.h"
#include "linksim/Jitter.h"

namespace linksim {

struct LinkConfig;
struct LinkModels;
struct Receiver;

struct LinkMeasurement {
    // The clock.
    double refPeriod = 0.0;  // seconds: the bit time over Factor
    Lock lock;
    double lockTime = 0.0;   // seconds, 0 when not locked
    Jitter clock;            // of the clock times from lock on
    size_t gaps = 0;         // intervals over 1.5 periods
    // Where measuring starts, and why.
    double measureFrom = 0.0;  // samples
    std::string scope;         // "from bit 4000 (...)"
    // Bit errors.
    Receiver* decRx = nullptr;  // the instance whose decisions are counted
    Alignment align;
    ErrorCount errors;
    Slots slots;
    size_t firstDecision = 0;
    std::vector<long long> errorBits;  // the first transmitted bits received wrong
    // The eye.
    std::unique_ptr<EyeDiagram> eye;  // null when there is none (eyeError says why)
    EyeDiagram::Opening opening;
    uint64_t eyeTraces = 0;
    std::string eyeError;
    // The data jitter against the recovered clock, and the extrapolation.
    Crossings crossings;
    std::vector<double> sampledOnes, sampledZeros;
    JitterFigures dataJitter;
    ExtrapolatedEye extrapolated;
    std::string toneWarning;  // a jitter window shorter than the SJ's period
    // The host's slicing against the receiver's own decisions.
    long long sliceCompared = 0, sliceAgreed = 0;
    // Several levels: the symbols sliced against the thresholds, the
    // errors on symbols and on bits (through the mapping), and each eye.
    struct Multilevel {
        bool valid = false;               // the symbols were counted
        std::vector<double> thresholds;   // ascending, V
        std::string thresholdSource;
        uint64_t symbols = 0, symbolErrors = 0, bits = 0, bitErrors = 0;
        std::vector<EyeDiagram::Opening> eyes;  // lowest eye first
        int64_t firstErrorDecision = -1;
        std::vector<long long> errorSymbols;    // the first symbols received wrong
    } pam;
    // The receiver's adaptation.
    AdaptLog adapt;
    int ctleSetting = 0;
};

// Measures the run. adaptText: what the receiver appended to Adapt.txt
// during the run.
// With several levels, txBits holds each symbol's first bit (the sign the
// signal should have) and symbols the symbols sent.
LinkMeasurement MeasureLink(const LinkConfig& c, LinkModels& m, const std::vector<uint8_t>& txBits,
                            long long bitsDone, const std::string& adaptText,
                            const std::vector<uint8_t>* symbols = nullptr);

}  // namespace linksim

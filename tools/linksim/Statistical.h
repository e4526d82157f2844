// The statistical stage: the link's pulse response (the channel, then each
// model: its AMI_Init impulse response if it returns one, else its linear
// response from AMI_GetWave on a step; our receiver with its CTLE held at
// the setting the bit-by-bit run ended with), and from it the statistical
// eye and bathtub with the injected jitter and --stat-noise.
#pragma once

#include <string>
#include <vector>

#include "linksim/LinkPulse.h"
#include "linksim/StatEye.h"

namespace linksim {

struct LinkConfig;
struct LinkModels;

struct LinkStatistics {
    std::string error;          // empty when the analysis ran; else why not
    LinkPulse pulse;
    StatEye eye;
    std::string rxParameters;   // the receiver's parameter string for it
    bool rxHeld = false;        // the CTLE was held at ctleSetting
    int ctleSetting = 0;
    StatEyeOptions options;     // what the eye was computed with
    // Where the receiver's recovered clock samples on average: its offset
    // from the pulse's peak, and each eye's BER there (empty: not known,
    // as without decisions).
    double rxOffsetUi = 0.0;
    std::vector<double> rxBers;
};

// The receiver's mean sampling instant (samples from the start of a unit
// interval, as the bit-by-bit run's clock gives it) on the pulse response:
// the statistical eye there. Of the two symbols the instant lies between,
// the one decided on is the one giving fewer errors, as the bit-by-bit
// alignment takes the latency that agrees best.
void PlaceReceiverClock(LinkStatistics& s, int samplesPerBit, bool known, double samplingPhase);

// Runs in outDir/stat-probe (the receiver's reports of this instance go
// there) and returns to outDir.
LinkStatistics AnalyseLink(const LinkConfig& c, const LinkModels& m, const std::vector<double>& channelTaps,
                           int ctleSetting, const std::string& outDir);

}  // namespace linksim

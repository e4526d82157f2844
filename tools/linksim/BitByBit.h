// The bit-by-bit stage: the transmitted bits as an NRZ waveform (with the
// injected jitter) through the transmitter's AMI_GetWave, the channel and
// every receiver instance's AMI_GetWave, one block of bits at a time; each
// receiver's clock times become decisions as they come.
//
// The transmitter and the channel run one block ahead of the receivers:
// while the receivers take block b, block b+1 is made on a worker thread
// when the blocks are long enough to be worth the hand-over (16384 samples)
// and threads is 2. Every stage still sees its blocks in order, so the
// results are those of the plain schedule.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "linksim/Cost.h"

namespace linksim {

struct LinkConfig;
struct LinkModels;

struct BitByBitResult {
    bool ok = true;
    std::string error;       // when not ok: which call failed, at which bit
    long long bitsDone = 0;  // bits the receivers took
    Cost tx, channel;        // the transmitter's and the channel's time
    double loopSeconds = 0.0, loopCpu = 0.0;
    bool changeDirFailed = false;
};

// Runs txBits through the link. The receivers write their reports in their
// own folders (the current folder is changed for each when there are
// several). Progress goes to standard error when it is a terminal.
BitByBitResult RunBitByBit(const LinkConfig& c, LinkModels& m, const std::vector<double>& channelTaps,
                           const std::vector<uint8_t>& txBits);

}  // namespace linksim

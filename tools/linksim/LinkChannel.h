// The channel stage: the channel's taps at the simulation's sample interval
// from the built-in lossy line, an impulse-response CSV or a Touchstone
// file, with what the summary says of it.
#pragma once

#include <string>
#include <vector>

#include "linksim/ChannelSetup.h"

namespace linksim {

struct LinkConfig;
struct OutputPaths;

struct LinkChannel {
    std::vector<double> taps;  // per sample (the impulse response times dt)
    std::string kind;          // "lossy line, 17 dB at Nyquist", ...
    std::string source;        // "touchstone", "csv" or "lossy-line"
    SParamChannel sparam;      // a Touchstone channel's fit and notes
    double lossAtNyquist = 0.0;  // dB, of the taps
    double dcGain = 0.0;         // |H(0)| of the taps
    std::string pngError, impulseCsvError;  // the optional outputs' failures

    // The impulse response in 1/s, as AMI_Init takes it.
    std::vector<double> Impulse(double dt) const;
};

// Reads or makes the channel. Throws PortsError for a wiring the user gave
// wrong (a usage error), any other std::exception for a file that cannot
// be used.
LinkChannel MakeLinkChannel(const LinkConfig& c, double dt, double bitTime);

// Writes the channel's picture and impulse CSV where asked (their failures
// are kept in the channel, not thrown).
void WriteChannelOutputs(LinkChannel& ch, const LinkConfig& c, const OutputPaths& out, double dt, double bitTime);

}  // namespace linksim

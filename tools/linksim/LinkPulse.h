// The pulse response of the whole link for the statistical analysis:
// transmitter, channel, receiver. A model that returns its impulse response
// from AMI_Init (Init_Returns_Impulse) contributes that; a model that does
// not (ours) contributes its linear response measured through AMI_GetWave:
// a fresh instance, initialised like the one of the run, is fed a step from
// 0 to 0.5 V from its zero state, and the unit pulse response follows as
// p[n] = (s[n] - s[n - spb]) / 0.5. The receiver is given the parameter
// string the caller chooses (for ours: the CTLE held at the setting the
// bit-by-bit run ended with, the equalised signal as output).
#pragma once

#include <string>
#include <vector>

namespace linksim {

struct LinkPulse {
    std::vector<double> pulse;  // response to a 1 V pulse one UI long, at dt
    std::string error;          // empty on success
    std::string txSource, rxSource;  // how each model's response was obtained
};

struct LinkPulseRequest {
    std::string txLibrary, txParameters, rxLibrary, rxParameters;
    bool txInitReturnsImpulse = false, rxInitReturnsImpulse = false;
    std::vector<double> channelTaps;  // FIR taps at dt
    double dt = 0.0, bitTime = 0.0;
    int tailBits = 400;               // the models' settling after the channel
};

// Runs in the current directory (the receiver writes its reports there).
LinkPulse MeasureLinkPulse(const LinkPulseRequest& r);

}  // namespace linksim

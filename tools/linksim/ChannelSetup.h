// The channel of a run from a Touchstone file: read, renormalised to 50 ohm,
// the wiring found (or taken from --ports) and checked, SDD21 (or S21)
// turned into FIR taps at the simulation's sample interval, and the
// figures that tell how well the taps follow the data.
#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

#include "linksim/Touchstone.h"

namespace linksim {

// Bad --ports text: a usage error.
class PortsError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct SParamChannel {
    std::vector<double> taps;
    std::string description;          // one line for the summary
    std::vector<std::string> notes;   // wiring found, warnings: printed under the channel line
    std::vector<std::string> warnings;  // also go to standard error
    nlohmann::json info;              // for the JSON summary
    // For the picture: the data and the taps' response at the data's
    // frequencies (dB), and the pulse response of one unit interval.
    std::vector<double> freq, dataDb, fitDb;
    double dcData = 0.0, dcFit = 0.0;
    bool dcExtrapolated = false;  // dcData extended below the data's first frequency
    double lossDataNyquist = 0.0, lossFitNyquist = 0.0;
};

// Throws TouchstoneError (the file), PortsError (--ports), or
// std::runtime_error (a wiring the data contradict, a channel that does not
// transmit).
SParamChannel LoadSParamChannel(const std::string& path, const std::string& ports, double dt, double bitTime);
// The same from data already read (ts.name names the file in messages).
SParamChannel SParamChannelFrom(Touchstone ts, const std::string& ports, double dt, double bitTime);

// The frequency response of the data beside that of the taps, and the
// pulse response of one unit interval.
std::string WriteChannelPng(const std::string& path, const SParamChannel& ch, double dt, double bitTime);

// "time_s,impulse_per_s" rows: the taps divided by dt, as --channel-csv reads them.
std::string WriteImpulseCsv(const std::string& path, const std::vector<double>& taps, double dt);

}  // namespace linksim

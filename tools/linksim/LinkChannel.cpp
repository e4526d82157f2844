#include "linksim/LinkChannel.h"

#include <cmath>
#include <sstream>

#include "linksim/Channel.h"
#include "linksim/Link.h"
#include "linksim/Measure.h"

namespace linksim {

std::vector<double> LinkChannel::Impulse(double dt) const
{
    std::vector<double> impulse(taps.size());
    for (size_t i = 0; i < impulse.size(); ++i) impulse[i] = taps[i] / dt;
    return impulse;
}

LinkChannel MakeLinkChannel(const LinkConfig& c, double dt, double bitTime)
{
    LinkChannel ch;
    const std::string csvPath = Absolute(c.channelCsv), tsPath = Absolute(c.channelTs);
    if (!tsPath.empty()) {
        ch.sparam = LoadSParamChannel(tsPath, c.ports, dt, bitTime);
        ch.taps = ch.sparam.taps;
        ch.kind = ch.sparam.description;
        ch.source = "touchstone";
    } else if (!csvPath.empty()) {
        ch.taps = ReadImpulseCsv(csvPath, dt);
        ch.kind = "impulse response from " + csvPath;
        ch.source = "csv";
    } else {
        ch.taps = MakeLossyLine(c.lossDb, bitTime, c.samplesPerBit).taps;
        ch.kind = "lossy line, " + Num(c.lossDb, 4) + " dB at Nyquist";
        ch.source = "lossy-line";
    }
    ch.lossAtNyquist = 0.0 - 20.0 * std::log10(std::abs(FirResponse(ch.taps, 0.5 * c.bitRate, dt))) + 0.0;
    ch.dcGain = std::abs(FirResponse(ch.taps, 0.0, dt));
    return ch;
}

void WriteChannelOutputs(LinkChannel& ch, const LinkConfig& c, const OutputPaths& out, double dt, double bitTime)
{
    if (!out.channelPng.empty()) {
        if (ch.source == "touchstone")
            ch.pngError = WriteChannelPng(out.channelPng, ch.sparam, dt, bitTime);
        else
            ch.pngError = "the frequency-response picture needs a Touchstone channel (--channel)";
    }
    if (!c.impulseCsv.empty()) ch.impulseCsvError = WriteImpulseCsv(out.impulseCsv, ch.taps, dt);
}

}  // namespace linksim

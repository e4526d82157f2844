#include "linksim/LinkPulse.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "linksim/AmiModel.h"
#include "linksim/Channel.h"
#include "linksim/StatEye.h"

namespace linksim {

namespace {

// Passes x through the model's AMI_GetWave in blocks; false on failure.
bool Through(AmiModel& m, std::vector<double>& x, size_t block)
{
    std::vector<double> clock;
    for (size_t at = 0; at < x.size(); at += block) {
        const size_t n = std::min(block, x.size() - at);
        if (!m.GetWave(&x[at], static_cast<long>(n), clock)) return false;
        clock.clear();
    }
    return true;
}

}  // namespace

LinkPulse MeasureLinkPulse(const LinkPulseRequest& r)
{
    LinkPulse out;
    const int spb = static_cast<int>(std::lround(r.bitTime / r.dt));
    std::vector<double> impulse(r.channelTaps.size());
    for (size_t i = 0; i < impulse.size(); ++i) impulse[i] = r.channelTaps[i] / r.dt;
    std::string error, message;
    auto tx = AmiModel::Load(r.txLibrary, error);
    auto rx = tx ? AmiModel::Load(r.rxLibrary, error) : nullptr;
    if (!tx || !rx) {
        out.error = error;
        return out;
    }
    // AMI_Init of each, in the simulator's order: the transmitter gets the
    // channel, the receiver what the transmitter returned.
    std::vector<double> afterTx;
    if (!tx->Init(impulse, r.dt, r.bitTime, r.txParameters, message, &afterTx)) {
        out.error = "AMI_Init of " + r.txLibrary + " failed: " + message;
        return out;
    }
    // A step through what has no impulse response of its own: the
    // transmitter (through AMI_GetWave, then the channel), unless its
    // AMI_Init output already holds the channel.
    const size_t block = static_cast<size_t>(1024) * static_cast<size_t>(spb);
    const size_t len = r.channelTaps.size() + static_cast<size_t>(r.tailBits) * static_cast<size_t>(spb);
    std::vector<double> x(len, 0.5);
    std::vector<double> rxIn = impulse;
    if (r.txInitReturnsImpulse) {
        rxIn = afterTx;
        for (double& v : afterTx) v *= r.dt;
        Convolver withTx(afterTx);
        withTx.Process(x.data(), x.data(), x.size());
        out.txSource = r.rxInitReturnsImpulse ? "AMI_Init impulse response" : "AMI_Init impulse response (with the channel)";
    } else {
        if (!Through(*tx, x, block)) {
            out.error = "AMI_GetWave of " + r.txLibrary + " failed on the step";
            return out;
        }
        Convolver channel(r.channelTaps);
        channel.Process(x.data(), x.data(), x.size());
        out.txSource = "AMI_GetWave on a step";
        // A receiver that answers from AMI_Init gets the transmitter and
        // channel as one impulse response: the step's slope.
        if (r.rxInitReturnsImpulse) {
            rxIn.assign(x.size(), 0.0);
            for (size_t i = 0; i < x.size(); ++i) rxIn[i] = (x[i] - (i ? x[i - 1] : 0.0)) / (0.5 * r.dt);
        }
    }
    std::vector<double> afterRx;
    if (!rx->Init(rxIn, r.dt, r.bitTime, r.rxParameters, message, &afterRx)) {
        out.error = "AMI_Init of " + r.rxLibrary + " failed: " + message;
        return out;
    }
    if (r.rxInitReturnsImpulse) {
        // The whole link from the receiver's AMI_Init.
        std::vector<double> step(afterRx.size());
        double run = 0.0;
        for (size_t i = 0; i < step.size(); ++i) step[i] = run += afterRx[i] * r.dt;
        out.pulse = PulseFromStep(step, spb);
        out.rxSource = "AMI_Init impulse response";
    } else {
        if (!Through(*rx, x, block)) {
            out.error = "AMI_GetWave of " + r.rxLibrary + " failed on the step";
            return out;
        }
        out.rxSource = "AMI_GetWave on a step";
        for (double& v : x) v /= 0.5;
        out.pulse = PulseFromStep(x, spb);
    }
    tx->Close();
    rx->Close();
    return out;
}

}  // namespace linksim

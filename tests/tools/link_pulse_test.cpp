// The link's pulse response for the statistical analysis, measured through
// the libraries' AMI_GetWave on a step, against the convolution it must
// equal when the models are transparent (transmitter bypassed, ideal-clock
// receiver returning its input); and the impulse-response CSV written for a
// channel read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "linksim/Channel.h"
#include "linksim/ChannelSetup.h"
#include "linksim/LinkPulse.h"

namespace {

namespace fs = std::filesystem;

TEST(LinkPulse, TransparentModelsGiveTheChannelsPulse)
{
    const double bitTime = 1.0 / 10.3125e9;
    struct Case {
        const char* name;
        int spb;
        std::vector<double> taps;
    };
    std::vector<Case> cases = {
        {"ideal", 16, {1.0}},
        {"three taps", 32, {0.5, 0.0, 0.25, -0.1}},
        {"10 dB line", 16, linksim::MakeLossyLine(10.0, bitTime, 16).taps},
        {"long tail", 8, std::vector<double>(3000, 1.0 / 3000)},
    };
    const fs::path dir = fs::path(::testing::TempDir()) / ("link_pulse_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path here = fs::current_path();
    fs::current_path(dir);  // the receiver's reports, if any
    for (const Case& c : cases) {
        linksim::LinkPulseRequest r;
        r.txLibrary = std::string(AMI_BUILD_DIR) + "/tx_ami.so";
        r.txParameters = "(TX_model2 (TX_bypass 1))";
        r.rxLibrary = std::string(AMI_BUILD_DIR) + "/ideal_rx.so";
        r.rxParameters = "(Vuraved_UV_IV (RX_Config 2))";
        r.channelTaps = c.taps;
        r.dt = bitTime / c.spb;
        r.bitTime = bitTime;
        r.tailBits = 20;
        const linksim::LinkPulse p = linksim::MeasureLinkPulse(r);
        ASSERT_EQ(p.error, "") << c.name;
        EXPECT_EQ(p.txSource, "AMI_GetWave on a step");
        // The unit pulse through the channel: a running sum of spb taps.
        ASSERT_GE(p.pulse.size(), c.taps.size()) << c.name;
        double worst = 0.0;
        for (size_t n = 0; n < p.pulse.size(); ++n) {
            double want = 0.0;
            for (size_t k = n >= static_cast<size_t>(c.spb) - 1 ? n - (c.spb - 1) : 0; k <= n && k < c.taps.size(); ++k)
                want += c.taps[k];
            worst = std::max(worst, std::fabs(p.pulse[n] - want));
        }
        // The FFT convolution's rounding only.
        EXPECT_LT(worst, 1e-9) << c.name;
    }
    fs::current_path(here);
    fs::remove_all(dir);
}

TEST(LinkPulse, ImpulseCsvReadsBack)
{
    const double bitTime = 1.0 / 10.3125e9;
    const fs::path csv = fs::path(::testing::TempDir()) / ("impulse_" + std::to_string(getpid()) + ".csv");
    for (const int spb : {8, 64}) {
        const double dt = bitTime / spb;
        const std::vector<double> taps = linksim::MakeLossyLine(15.0, bitTime, spb).taps;
        ASSERT_EQ(linksim::WriteImpulseCsv(csv.string(), taps, dt), "");
        const std::vector<double> back = linksim::ReadImpulseCsv(csv.string(), dt);
        ASSERT_EQ(back.size(), taps.size()) << spb;
        // 13 significant digits in the file, on the times as on the values.
        double largest = 0.0;
        for (double t : taps) largest = std::max(largest, std::fabs(t));
        for (size_t i = 0; i < taps.size(); ++i) ASSERT_NEAR(back[i], taps[i], 1e-11 * largest) << spb << " tap " << i;
    }
    EXPECT_NE(linksim::WriteImpulseCsv("/nonexistent/x.csv", {1.0}, 1e-12), "");
    fs::remove(csv);
}

}  // namespace

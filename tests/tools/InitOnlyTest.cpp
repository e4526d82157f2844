// Models with AMI_Init only (examples/ffe_init, no AMI_GetWave) in a link:
// their returned impulse response stands in the waveform path, and an
// Init-only receiver decides at the peak of that path's pulse response.
#include <gtest/gtest.h>

#include <string>

#include "AmisimRun.h"

namespace {

std::string Lib(const char* name) { return std::string(AMI_BUILD_DIR) + "/" + name; }

// An Init-only transmitter that returns the impulse response unchanged
// (Post 0) is no transmitter at all: the link must be the same, figure for
// figure, as the built-in transmitter bypassed, over channel losses.
TEST(InitOnly, TransmitterThatChangesNothingEqualsABypassedOne)
{
    for (const char* loss : {"4", "10", "16"}) {
        const std::string args = std::string(" --bits 12000 --stat-noise 0.005 --loss ") + loss;
        const RunResult init = Amisim("init_tx", "--tx-lib " + Lib("ffe_init.so") + args);
        const RunResult bypass = Amisim("bypass_tx", "--TX_bypass 1" + args);
        ASSERT_EQ(init.Exit(), 0) << init.log;
        ASSERT_EQ(bypass.Exit(), 0) << bypass.log;
        EXPECT_TRUE(init.summary["tx"]["init_only"].get<bool>());
        EXPECT_FALSE(init.summary["rx"]["init_only"].get<bool>());
        EXPECT_EQ(init.summary["ber"]["errors"], bypass.summary["ber"]["errors"]) << loss;
        EXPECT_EQ(init.summary["eye"]["height_v"], bypass.summary["eye"]["height_v"]) << loss;
        EXPECT_NEAR(init.summary["statistical"]["eye_height_v"].get<double>(),
                    bypass.summary["statistical"]["eye_height_v"].get<double>(), 1e-9)
            << loss;
    }
}

// An Init-only receiver: the host decides at the peak of the path's pulse
// response, which is the statistical eye's centre. So the eye measured at
// the decision instants over the run lies between the statistical eye's
// heights at the centre at BER 1e-12 (near the worst pattern) and 1e-3
// (patterns the run is likely to hold), over losses (and so delays).
TEST(InitOnly, ReceiverDecidesAtThePulsePeak)
{
    for (const char* loss : {"0", "3", "8", "12"}) {
        const RunResult r = Amisim("init_rx", "--rx-lib " + Lib("ffe_init.so") + " --TX_bypass 1 --bits 20000 --loss " +
                                                  loss + " --eye-bits 16000");
        ASSERT_EQ(r.Exit(), 0) << r.log;
        EXPECT_TRUE(r.summary["rx"]["init_only"].get<bool>());
        const auto& st = r.summary["statistical"];
        ASSERT_TRUE(st["available"].get<bool>()) << st["error"];
        EXPECT_EQ(st["rx_response"], "AMI_Init impulse response");
        EXPECT_NEAR(st["receiver_clock"]["offset_ui"].get<double>(), 0.0, 1.0 / 64) << loss;
        const size_t centre = st["contours"]["0.001"]["upper_v"].size() / 2;
        auto height = [&](const char* ber) {
            return st["contours"][ber]["upper_v"][centre].get<double>() - st["contours"][ber]["lower_v"][centre].get<double>();
        };
        const double measured = r.summary["eye"]["height_v"].get<double>();
        EXPECT_GE(measured, height("1e-12") - 0.01) << "loss " << loss << " dB";
        EXPECT_LE(measured, height("0.001") + 0.01) << "loss " << loss << " dB";
        EXPECT_EQ(r.summary["ber"]["errors"], 0) << loss;
    }
}

}  // namespace

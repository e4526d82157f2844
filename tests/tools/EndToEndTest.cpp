// One short link through both libraries, driven by the amisim program as a
// user runs it: the clock must lock and the decisions must match the
// transmitted bits.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "AmisimRun.h"

namespace {

namespace fs = std::filesystem;

TEST(EndToEnd, ShortLinkLocksWithoutErrors)
{
    // A 10 dB line with a fixed CTLE setting keeps the run short: no
    // adaptation to wait for. The decisions are the receiver's own
    // (RX_Config 0); a second instance gives the equalised signal.
    const RunResult r =
        Amisim("short", "-n 6000 --prbs 15 --loss 10 --CTLEAdapt 0 --EQ_Level 8 --eye-bits 2000 --RX_Config 0");
    ASSERT_EQ(r.status, 0) << r.log;
    ASSERT_FALSE(r.summary.is_null());
    ASSERT_GT(r.summary["clock"]["edges"].get<long>(), 5000) << "the receiver returned too few clock times";
    EXPECT_EQ(r.summary["bits"].get<long>(), 6000);
    ASSERT_TRUE(r.summary["lock"]["locked"].get<bool>()) << r.summary["lock"].dump();
    EXPECT_LT(r.summary["lock"]["bit_index"].get<long>(), 4000);
    ASSERT_TRUE(r.summary["ber"]["available"].get<bool>()) << r.summary["ber"].dump();
    EXPECT_GE(r.summary["ber"]["bits_compared"].get<long>(), 1000);
    EXPECT_EQ(r.summary["ber"]["errors"].get<long>(), 0) << r.summary["ber"].dump();
    EXPECT_TRUE(r.summary["eye"]["valid"].get<bool>());
    EXPECT_GT(r.summary["eye"]["height_v"].get<double>(), 0.0);
    EXPECT_EQ(r.summary["ctle"]["setting"].get<int>(), 8);
    // The host's own slicing of the equalised signal at the decision
    // instants, its default, gives the receiver's decisions.
    EXPECT_GE(r.summary["rx"]["host_slicing_compared"].get<long>(), 1000);
    EXPECT_EQ(r.summary["rx"]["host_slicing_agreed"].get<long>(), r.summary["rx"]["host_slicing_compared"].get<long>());
}

// The transmitter and the channel made one block ahead on a second thread
// change nothing: the summary (timings and folder names aside) is that of
// the run on one thread, for a few block sizes around the overlap's lower
// limit (16384 samples) and with the second receiver.
TEST(EndToEnd, SecondThreadChangesNothing)
{
    const char* runs[] = {"--block-bits 256", "--block-bits 300 --RX_Config 0", "--block-bits 255"};
    for (const char* args : runs) {
        std::string dumps[2];
        for (int threads = 1; threads <= 2; ++threads) {
            const std::string name = "threads" + std::to_string(threads);
            RunResult r = Amisim(name, std::string("-n 2000 --prbs 15 --loss 10 --eye-bits 1000 --threads ") +
                                           std::to_string(threads) + " " + args);
            ASSERT_EQ(r.status, 0) << args << "\n" << r.log;
            r.summary.erase("throughput");
            dumps[threads - 1] = r.summary.dump();
            for (size_t at; (at = dumps[threads - 1].find(name)) != std::string::npos;)
                dumps[threads - 1].replace(at, name.size(), "OUT");
        }
        EXPECT_EQ(dumps[0], dumps[1]) << args;
    }
}

// The built-in line at growing loss, equalised by the strongest fixed CTLE
// setting: after lock no decision is wrong, the decision instant lies inside
// the open eye, and the receiver returns every clock time (none had to be
// restored from a gap).
TEST(EndToEnd, StrongFixedEqualisationLocksAtEveryLoss)
{
    for (const char* loss : {"17", "20", "25"}) {
        const RunResult r =
            Amisim(std::string("loss") + loss,
                   std::string("-n 8000 --loss ") + loss + " --CTLEAdapt 0 --EQ_Level 31 --eye-bits 2000");
        ASSERT_EQ(r.status, 0) << loss << " dB:\n" << r.log;
        const auto& j = r.summary;
        ASSERT_TRUE(j["lock"]["locked"].get<bool>()) << loss << " dB: " << j["lock"].dump();
        EXPECT_GE(j["ber"]["bits_compared"].get<long>(), 1000) << loss << " dB: " << j["ber"].dump();
        EXPECT_EQ(j["ber"]["errors"].get<long>(), 0) << loss << " dB: " << j["ber"].dump();
        EXPECT_TRUE(j["eye"]["valid"].get<bool>()) << loss << " dB";
        EXPECT_GT(j["eye"]["height_v"].get<double>(), 0.0) << loss << " dB: " << j["eye"].dump();
        EXPECT_EQ(j["clock"]["clock_times_restored"].get<long>(), 0) << loss << " dB: " << j["clock"].dump();
    }
}

// The host's own measurements against a receiver whose clock is ideal: a
// lossless link with the transmitter bypassed must give no errors, a lock
// at the first edge, no jitter and the full eye of the +-0.5 V stimulus,
// whether the decisions come from the receiver (RX_Config 0, with a second
// instance for the eye) or from the host slicing the equalised signal.
TEST(EndToEnd, IdealReceiverGivesAPerfectLink)
{
    for (const char* config : {"0", "2"}) {
        const RunResult r = Amisim(std::string("ideal") + config,
                                   std::string("-n 3000 --prbs 7 --loss 0 --TX_bypass 1 --rx-lib ") + AMI_BUILD_DIR +
                                       "/ideal_rx.so --RX_Config " + config);
        ASSERT_EQ(r.status, 0) << "RX_Config " << config << ":\n" << r.log;
        const auto& j = r.summary;
        EXPECT_TRUE(j["lock"]["locked"].get<bool>());
        EXPECT_EQ(j["lock"]["clock_edge"].get<long>(), 0);
        EXPECT_EQ(j["clock"]["edges"].get<long>(), 2999);
        EXPECT_LT(j["clock"]["tie_rms_s"].get<double>(), 1e-18);  // rounding of the clock times only
        EXPECT_TRUE(j["ber"]["available"].get<bool>());
        EXPECT_EQ(j["ber"]["errors"].get<long>(), 0);
        EXPECT_EQ(j["ber"]["latency_bits"].get<long>(), 0);
        EXPECT_FALSE(j["ber"]["inverted"].get<bool>());
        EXPECT_GE(j["ber"]["bits_compared"].get<long>(), 2980);  // from bit 16, the transmitter's Ignore_Bits
        EXPECT_NEAR(j["eye"]["height_v"].get<double>(), 1.0, 1e-6);
        EXPECT_NEAR(j["eye"]["width_ui"].get<double>(), 1.0, 1e-9);
        EXPECT_EQ(j["rx"]["eye_receiver"].get<bool>(), std::string(config) == "0");
    }
}

TEST(EndToEnd, BadOptionsAreRefused)
{
    for (const char* args : {"--prbs 8", "-n 0", "--loss -3", "--samples-per-bit 2", "--Factor 0"}) {
        const RunResult r = Amisim("bad", args);
        EXPECT_NE(r.status, 0) << args;
    }
}

TEST(EndToEnd, AMissingLibraryIsReported)
{
    const RunResult r = Amisim("nolib", "-n 100 --rx-lib /nonexistent/rx_ami.so");
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.summary.is_null());
}

}  // namespace

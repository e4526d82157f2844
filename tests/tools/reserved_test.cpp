// The models' reserved parameters amisim acts on: read from the parameter
// files, the receiver's in the statistical eye against closed forms, and the
// transmitter's jitter injected and measured back through the program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AmisimRun.h"
#include "linksim/Kit.h"
#include "linksim/Reserved.h"
#include "linksim/StatEye.h"

namespace {

namespace fs = std::filesystem;
using linksim::NormalTail;

// Ideal pulse with a post-cursor h1, noise s and sensitivity S: a one at
// a(1 +- h1) errs below +S, so the bathtub's centre is
// [Q((a(1+h1) - S)/s) + Q((a(1-h1) - S)/s)] / 2, and the height drops by 2S.
TEST(StatEye, ReceiverSensitivityClosesTheEyeBySAtEachSide)
{
    const int spb = 32;
    for (const auto& [h1, noise, sens] :
         {std::tuple{0.0, 0.06, 0.1}, {0.0, 0.05, 0.2}, {0.2, 0.05, 0.1}, {-0.15, 0.05, 0.02}}) {
        std::vector<double> pulse(static_cast<size_t>(3 * spb), 0.0);
        for (int i = 0; i < spb; ++i) pulse[static_cast<size_t>(i)] = 1.0, pulse[static_cast<size_t>(i + spb)] = h1;
        linksim::StatEyeOptions o;
        o.noiseRms = noise;
        o.bins = 4097;
        const linksim::StatEye plain = linksim::ComputeStatEye(pulse, spb, o);
        o.sensitivityV = sens;
        const linksim::StatEye eye = linksim::ComputeStatEye(pulse, spb, o);
        const std::string label = "h1 " + std::to_string(h1) + " S " + std::to_string(sens);
        for (const double ber : {1e-6, 1e-12})
            EXPECT_NEAR(eye.HeightAt(ber, false), plain.HeightAt(ber, false) - 2.0 * sens, 1e-12) << label;
        const double want =
            0.5 * (NormalTail((0.5 * (1 + h1) - sens) / noise) + NormalTail((0.5 * (1 - h1) - sens) / noise));
        // 4097 bins over the span place each mean within a bin.
        EXPECT_NEAR(std::log10(eye.CentreBer()), std::log10(want), 0.05) << label;
        EXPECT_EQ(eye.density, plain.density) << label << ": the picture is the signal's";
    }
}

// The receiver's clock density on a triangular pulse two UI wide (open in
// the middle only): a Gaussian of sigma s acts as random jitter s; a clock
// late by m moves the open run of phases to -m; a DCD of 0.2 UI of either
// sign narrows it.
TEST(StatEye, ClockDensityAveragesTheBathtub)
{
    const int spb = 64;
    std::vector<double> pulse(static_cast<size_t>(2 * spb + 1));
    for (int i = 0; i <= 2 * spb; ++i) pulse[static_cast<size_t>(i)] = 1.0 - std::fabs(i - spb) / spb;
    for (const auto& [mean, sigma] :
         {std::pair{0.0, 0.01}, {0.0, 0.03}, {-0.125, 0.005}, {0.0625, 0.005}, {0.1, 0.005}}) {
        linksim::StatEyeOptions rj, clock;
        rj.noiseRms = clock.noiseRms = 0.02;
        rj.rjUi = sigma;
        clock.clockOffsetUi = {mean};
        clock.clockWeight = {1.0};
        clock.clockSigmaUi = sigma;
        const auto a = linksim::ComputeStatEye(pulse, spb, rj), b = linksim::ComputeStatEye(pulse, spb, clock);
        int lo = spb, hi = -1;
        for (int j = 0; j < spb; ++j) {
            const double x = a.eyes[0].bathtub[static_cast<size_t>(j)], y = b.eyes[0].bathtub[static_cast<size_t>(j)];
            if (mean == 0.0) {
                EXPECT_NEAR(x, y, 1e-12 * x) << sigma << " at " << j;
            }
            if (y < 1e-12) lo = std::min(lo, j), hi = std::max(hi, j);
        }
        ASSERT_LE(lo, hi) << mean;
        EXPECT_NEAR(((lo + hi) / 2.0 - spb / 2) / spb, -mean, 1.5 / spb) << mean;
    }
    // Duty-cycle distortion of either sign: edges at +-DCD/2 alike.
    linksim::StatEyeOptions early, late, none;
    early.dcdUi = -0.2, late.dcdUi = 0.2, early.noiseRms = late.noiseRms = none.noiseRms = 0.02;
    const auto e = linksim::ComputeStatEye(pulse, spb, early), l = linksim::ComputeStatEye(pulse, spb, late);
    EXPECT_EQ(e.eyes[0].bathtub, l.eyes[0].bathtub);
    EXPECT_LT(e.BathtubWidthAt(1e-12), linksim::ComputeStatEye(pulse, spb, none).BathtubWidthAt(1e-12) - 0.1);
}

// What amisim reads: units (UI, or Float in seconds: 100 ps here), the half
// peak-to-peak DCD (ours is rising minus falling: twice it), the tone that
// needs its frequency, bounds, and a reason for each one not applied.
TEST(Reserved, ReadFromTheParameterFile)
{
    struct Case {
        const char* params;
        std::vector<double> want;  // rj dj sj sjHz dcd sensitivity noise clockMean clockSigma
        const char* notApplied;
    };
    const Case cases[] = {
        {"(Tx_Rj (Usage Info) (Type UI) (Value 0.02)) (Tx_Dj (Usage Info) (Type UI) (Value 0.05))",
         {0.02, 0.05, 0, 0, 0, 0, 0, 0, 0},
         ""},
        {"(Tx_Rj (Usage Info) (Type Float) (Value 2e-12)) (Tx_DCD (Usage Info) (Type Float) (Range 1e-12 0 5e-12))",
         {0.02, 0, 0, 0, 0.02, 0, 0, 0, 0},
         ""},
        {"(Tx_Sj (Usage Info) (Type UI) (Value 0.1)) (Tx_Sj_Frequency (Usage Info) (Type Float) (Value 2e7))",
         {0, 0, 0.1, 2e7, 0, 0, 0, 0, 0},
         ""},
        {"(Tx_Sj (Usage Info) (Type UI) (Value 0.1))", {0, 0, 0, 0, 0, 0, 0, 0, 0}, "Tx_Sj"},
        {"(Tx_Sj (Usage Info) (Type UI) (Value 0.1)) (Tx_Sj_Frequency (Usage Info) (Type Float) (Value 6e9))",
         {0, 0, 0, 0, 0, 0, 0, 0, 0},
         "Tx_Sj"},
        {"(Rx_Receiver_Sensitivity (Usage Info) (Type Float) (Value 0.015)) (Rx_GaussianNoise (Usage Info) (Type "
         "Float) (Value 0.004))",
         {0, 0, 0, 0, 0, 0.015, 0.004, 0, 0},
         ""},
        {"(Rx_Clock_PDF (Usage Info) (Type UI) (Format Gaussian 0.05 0.01))", {0, 0, 0, 0, 0, 0, 0, 0.05, 0.01}, ""},
        {"(Rx_Clock_PDF (Usage Info) (Type Float) (Gaussian -1e-12 2e-12))", {0, 0, 0, 0, 0, 0, 0, -0.01, 0.02}, ""},
        {"(Rx_Clock_PDF (Usage Info) (Type UI) (Format DjRj -0.05 0.05 0.01))",
         {0, 0, 0, 0, 0, 0, 0, 0, 0},
         "Rx_Clock_PDF"},
        {"(Rx_Clock_PDF (Usage Info) (Type UI) (Gaussian 0 1e300))", {0, 0, 0, 0, 0, 0, 0, 0, 0}, "Rx_Clock_PDF"},
        {"(Rx_UniformNoise (Usage Info) (Type Float) (Value 0.01))", {0, 0, 0, 0, 0, 0, 0, 0, 0}, ""},
        {"(Rx_UniformNoise (Usage Info) (Type Float) (Value -0.01))", {0, 0, 0, 0, 0, 0, 0, 0, 0}, "Rx_UniformNoise"},
        {"(Rx_Noise (Usage Info) (Type Float) (Value 0.002))", {0, 0, 0, 0, 0, 0, 0.002, 0, 0}, ""},
        {"(Rx_Noise (Usage Info) (Type Float) (Value 0.002)) (Rx_GaussianNoise (Usage Info) (Type Float) (Value 0.003))",
         {0, 0, 0, 0, 0, 0, 0.003, 0, 0}, "Rx_Noise"},
        {"(Tx_Rj (Usage Info) (Type UI) (Value -0.01))", {0, 0, 0, 0, 0, 0, 0, 0, 0}, "Tx_Rj"},
        {"(Tx_Dj (Usage Info) (Type Float) (Value 1e300))", {0, 0, 0, 0, 0, 0, 0, 0, 0}, "Tx_Dj"},
        {"(Rx_Receiver_Sensitivity (Usage Info) (Type Float) (Value 1e300))",
         {0, 0, 0, 0, 0, 0, 0, 0, 0},
         "Rx_Receiver_Sensitivity"},
    };
    const fs::path file = fs::path(::testing::TempDir()) / ("reserved_" + std::to_string(getpid()) + ".ami");
    for (const Case& c : cases) {
        std::ofstream(file) << "(m (Reserved_Parameters (AMI_Version (Usage Info) (Type String) (Value \"7.0\"))\n"
                               "(Init_Returns_Impulse (Usage Info) (Type Boolean) (Value False))\n"
                               "(GetWave_Exists (Usage Info) (Type Boolean) (Value True))\n"
                            << c.params << "))\n";
        linksim::ModelKit kit;
        ASSERT_NO_THROW(kit = linksim::LoadAmiFile(file.string())) << c.params;
        const linksim::ReservedEffects r = linksim::ReadReservedParameters(&kit, &kit, 10e9);
        const auto& j = r.txJitter;
        const std::vector<double> got = {j.rjUi,           j.djUi,        j.sjUi,        j.sjFrequency, j.dcdUi,
                                         r.rxSensitivityV, r.rxNoiseRmsV, r.clockMeanUi, r.clockSigmaUi};
        for (size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], c.want[k], 1e-12) << c.params << ", figure " << k;
        EXPECT_EQ(r.clock, c.want[8] > 0.0) << c.params;
        int refused = 0;
        for (const auto& u : r.uses) refused += !u.applied && u.name == c.notApplied && !u.how.empty();
        EXPECT_EQ(refused, *c.notApplied ? 1 : 0) << c.params;
        const bool uniform = std::string(c.params).find("Rx_UniformNoise") != std::string::npos;
        EXPECT_EQ(r.rxUniformNoiseV, uniform && !*c.notApplied ? 0.01 : 0.0) << c.params;
    }
    fs::remove(file);
}

// The built-in transmitter's kit with its .ami edited, the transmitter
// bypassed, a lossless line and the ideal-clock receiver.
class TxKit {
public:
    TxKit() : m_dir(fs::path(::testing::TempDir()) / ("reserved_kit_" + std::to_string(getpid())))
    {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        for (const char* f : {"vantrel_serdes.ibs", "tx_ami.ami", "rx_ami.ami"})
            fs::copy_file(fs::path(AMI_SOURCE_DIR) / "kit" / f, m_dir / f);
        for (const char* f : {"rx_ami.so", "tx_ami.so"}) fs::copy_file(fs::path(AMI_BUILD_DIR) / f, m_dir / f);
        std::ifstream in(m_dir / "tx_ami.ami");
        m_ami.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ~TxKit() { fs::remove_all(m_dir); }
    // Runs amisim with the .ami's `from` replaced by `to`.
    RunResult Run(const std::string& from, const std::string& to, const std::string& args) const
    {
        std::string text = m_ami;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        std::ofstream(m_dir / "tx_ami.ami") << text;
        return Amisim("reserved_tx", "-n 16000 --prbs 15 --loss 0 --eye-bits 16000 --tx-ibs " +
                                         (m_dir / "vantrel_serdes.ibs").string() +
                                         " --tx-model TX_model2 --TX_bypass 1 --rx-lib " + AMI_BUILD_DIR +
                                         "/ideal_rx.so " + args);
    }

private:
    fs::path m_dir;
    std::string m_ami;
};

// The data jitter measured at the receiver is what the .ami declares (DJ of
// +-Tx_Dj: 2 Tx_Dj; DCD rising minus falling: 2 Tx_DCD), on top of the
// command line's; the statistical bathtub narrows by the dual-Dirac:
// 0.25 Q((d - Tx_Dj) / rj) = L on each side.
TEST(Reserved, TransmitterJitterIsMeasuredBackThroughAmisim)
{
    struct Case {
        std::string params, args;
        double rj, dj, pj, pjHz, dcd;
    };
    const std::string ui = "(Usage Info) (Type UI) ";
    const Case cases[] = {
        {"(Tx_Rj " + ui + "(Value 0.03))", "", 0.03, 0, 0, 0, 0},
        {"(Tx_Rj (Usage Info) (Type Float) (Value 1.9394e-12))", "", 0.02, 0, 0, 0, 0},  // 0.02 UI at 10.3125 Gb/s
        {"(Tx_Rj " + ui + "(Value 0.01)) (Tx_Dj " + ui + "(Value 0.05))", "", 0.01, 0.10, 0, 0, 0},
        {"(Tx_Sj " + ui + "(Value 0.08)) (Tx_Sj_Frequency (Usage Info) (Type Float) (Value 3e7)) (Tx_DCD " + ui +
             "(Value 0.02))",
         "", 0, 0, 0.08, 3e7, 0.04},
        {"(Tx_Rj " + ui + "(Value 0.03)) (Tx_DCD " + ui + "(Value 0.01))", "--rj 0.04 --dcd 0.02", 0.05, 0, 0, 0, 0.04},
    };
    const TxKit kit;
    const std::string end = "\n    )\n    (Model_Specific";  // the end of Reserved_Parameters
    for (const Case& c : cases) {
        const RunResult run = kit.Run(end, "\n    " + c.params + end, c.args);
        ASSERT_EQ(run.Exit(), 0) << c.params << "\n" << run.log;
        const auto& m = run.summary["jitter"]["measured"];
        ASSERT_TRUE(m["available"].get<bool>()) << c.params << ": " << m.dump();
        int applied = 0;
        for (const auto& u : run.summary["reserved_parameters"])
            applied +=
                u["model"] == "tx" && u["name"].get<std::string>().rfind("Tx_", 0) == 0 && u["applied"].get<bool>();
        int declared = 0;
        for (size_t at = c.params.find("(Tx_"); at != std::string::npos; at = c.params.find("(Tx_", at + 1)) ++declared;
        EXPECT_EQ(applied, declared) << c.params << ": " << run.summary["reserved_parameters"].dump();
        if (c.rj > 0.0 && c.dj == 0.0 && c.dcd == 0.0) {
            EXPECT_NEAR(m["rms_ui"].get<double>(), c.rj, 0.05 * c.rj) << c.params;
        }
        if (c.rj > 0.0) {
            EXPECT_NEAR(m["rj_ui"].get<double>(), c.rj, 0.15 * c.rj + 0.002) << c.params;
        }
        if (c.dj > 0.0) {
            // Each tail of the dual-Dirac is a Gaussian of half the weight,
            // which the Q-scale fit (p 5/N to 0.02) takes as whole: its mean
            // reads about 0.4 rj inside, so DJ about 0.8 rj low.
            EXPECT_NEAR(m["dj_ui"].get<double>(), c.dj - 0.8 * c.rj, 0.005) << c.params;
            const double d = c.dj / 2 + c.rj * linksim::InverseNormalTail(4e-12);
            EXPECT_NEAR(run.summary["statistical"]["eye_width_ui"].get<double>(), 1.0 - 2.0 * d, 3.0 / 64) << c.params;
        }
        if (c.pj > 0.0) {
            EXPECT_NEAR(m["pj_ui"].get<double>(), c.pj, 0.1 * c.pj) << c.params;
            EXPECT_NEAR(m["pj_hz"].get<double>(), c.pjHz, 0.05 * c.pjHz) << c.params;
        }
        EXPECT_NEAR(m["dcd_ui"].get<double>(), c.dcd, 0.004) << c.params;
    }
}

// A model without AMI_GetWave runs on the impulse response its AMI_Init
// returns; one whose AMI_Init returns none has nothing to simulate, and
// amisim says so and stops.
TEST(Reserved, ModelWithoutGetWaveRunsOnItsInitResponse)
{
    const TxKit kit;
    for (const auto& [impulse, exit] : {std::pair{"True", 0}, {"False", 2}}) {
        const std::string from =
            "(Default False)\n            (Description \"AMI_Init returns the impulse response unchanged.\"))\n"
            "        (GetWave_Exists (Usage Info) (Type Boolean) (Default True)";
        const RunResult run = kit.Run(from,
                                      std::string("(Default ") + impulse + ")\n            (Description \"\"))\n" +
                                          "        (GetWave_Exists (Usage Info) (Type Boolean) (Default False)",
                                      "");
        EXPECT_EQ(run.Exit(), exit) << run.log;
        if (exit == 0)
            EXPECT_TRUE(run.summary["tx"]["init_only"].get<bool>()) << run.log;
        else
            EXPECT_NE(run.log.find("the transmitter model TX_model2 has no AMI_GetWave (GetWave_Exists False) and its "
                                   "AMI_Init returns no impulse response"),
                      std::string::npos)
                << run.log;
    }
}

}  // namespace

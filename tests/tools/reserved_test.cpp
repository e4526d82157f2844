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
using linksim::InverseNormalTail;
using linksim::NormalTail;

// Ideal pulse (one UI of height 1) with a post-cursor h1, Gaussian noise s
// and sensitivity S: a one at a(1 +- h1) errs below +S, so the bathtub's
// centre is [Q((a(1+h1) - S)/s) + Q((a(1-h1) - S)/s)] / 2 and every contour
// lies S nearer the middle: the height drops by 2S.
TEST(StatEye, ReceiverSensitivityClosesTheEyeBySAtEachSide)
{
    struct Case {
        double h1, noise, sensitivity;
    };
    const int spb = 32;
    // Cases whose BERs lie within the noise's reach (12 sigma).
    for (const Case c : {Case{0.0, 0.06, 0.1}, Case{0.0, 0.05, 0.2}, Case{0.2, 0.05, 0.1}, Case{-0.15, 0.05, 0.02}}) {
        std::vector<double> pulse(static_cast<size_t>(3 * spb), 0.0);
        for (int i = 0; i < spb; ++i) {
            pulse[static_cast<size_t>(i)] = 1.0;
            pulse[static_cast<size_t>(i + spb)] = c.h1;
        }
        linksim::StatEyeOptions o;
        o.noiseRms = c.noise;
        o.bins = 4097;
        const linksim::StatEye plain = linksim::ComputeStatEye(pulse, spb, o);
        o.sensitivityV = c.sensitivity;
        const linksim::StatEye eye = linksim::ComputeStatEye(pulse, spb, o);
        const std::string label = "h1 " + std::to_string(c.h1) + " noise " + std::to_string(c.noise) + " S " +
                                  std::to_string(c.sensitivity);
        for (const double ber : {1e-6, 1e-12})
            EXPECT_NEAR(eye.HeightAt(ber, false), plain.HeightAt(ber, false) - 2.0 * c.sensitivity, 1e-12) << label;
        const double a = 0.5;
        const double want = 0.5 * (NormalTail((a * (1 + c.h1) - c.sensitivity) / c.noise) +
                                   NormalTail((a * (1 - c.h1) - c.sensitivity) / c.noise));
        const double got = eye.bathtub[static_cast<size_t>(spb / 2)];
        // The bins (4097 over the span) place each mean within a bin.
        EXPECT_NEAR(std::log10(got), std::log10(want), 0.05) << label << ": " << got << " against " << want;
        EXPECT_GT(got, plain.bathtub[static_cast<size_t>(spb / 2)]) << label;
        EXPECT_EQ(eye.density, plain.density) << label << ": the picture is the signal's";
    }
}

// The receiver's clock density: a Gaussian of sigma s acts as random
// jitter of s; its mean moves the open part of the bathtub. The pulse is a
// triangle two UI wide, so the eye (with noise) is open around its middle
// only and a shift stays inside the unit interval.
TEST(StatEye, ClockDensityAveragesTheBathtub)
{
    const int spb = 64;
    std::vector<double> pulse(static_cast<size_t>(2 * spb + 1), 0.0);
    for (int i = 0; i <= 2 * spb; ++i) pulse[static_cast<size_t>(i)] = 1.0 - std::fabs(i - spb) / spb;
    for (const double sigma : {0.01, 0.03}) {
        linksim::StatEyeOptions rj, clock;
        rj.noiseRms = clock.noiseRms = 0.02;
        rj.rjUi = sigma;
        clock.clockOffsetUi = {0.0};
        clock.clockWeight = {1.0};
        clock.clockSigmaUi = sigma;
        const auto a = linksim::ComputeStatEye(pulse, spb, rj), b = linksim::ComputeStatEye(pulse, spb, clock);
        for (int j = 0; j < spb; ++j)
            EXPECT_NEAR(a.bathtub[static_cast<size_t>(j)], b.bathtub[static_cast<size_t>(j)],
                        1e-12 * a.bathtub[static_cast<size_t>(j)] + 1e-300)
                << sigma << " at phase " << j;
    }
    for (const double mean : {-0.125, 0.0625, 0.1}) {
        linksim::StatEyeOptions o;
        o.noiseRms = 0.02;
        o.clockOffsetUi = {mean};
        o.clockWeight = {1.0};
        o.clockSigmaUi = 0.005;
        const auto eye = linksim::ComputeStatEye(pulse, spb, o);
        // The open run of phases moves with the mean: its middle is at -mean
        // (sampling late by m, the phase j samples at j + m).
        int lo = spb, hi = -1;
        for (int j = 0; j < spb; ++j)
            if (eye.bathtub[static_cast<size_t>(j)] < 1e-12) lo = std::min(lo, j), hi = std::max(hi, j);
        ASSERT_LE(lo, hi) << mean;
        const double middle = (lo + hi) / 2.0 - spb / 2;
        EXPECT_NEAR(middle / spb, -mean, 1.5 / spb) << mean;
    }
}

// The parameter file's reserved parameters as amisim reads them: units
// (UI, or Float in seconds), the half peak-to-peak DCD, the tone that needs
// its frequency, and the record of what was not applied and why.
TEST(Reserved, ReadFromTheParameterFile)
{
    const double rate = 10e9;  // 100 ps unit interval
    struct Case {
        const char* params;
        double rj, dj, sj, sjHz, dcd, sensitivity, noise, clockMean, clockSigma;
        const char* notApplied;  // a name recorded as not applied, or ""
    };
    const Case cases[] = {
        {"(Tx_Rj (Usage Info) (Type UI) (Value 0.02)) (Tx_Dj (Usage Info) (Type UI) (Value 0.05))", 0.02, 0.05, 0, 0, 0, 0,
         0, 0, 0, ""},
        {"(Tx_Rj (Usage Info) (Type Float) (Value 2e-12)) (Tx_DCD (Usage Info) (Type Float) (Range 1e-12 0 5e-12))", 0.02,
         0, 0, 0, 0.01, 0, 0, 0, 0, ""},
        {"(Tx_Sj (Usage Info) (Type UI) (Value 0.1)) (Tx_Sj_Frequency (Usage Info) (Type Float) (Value 2e7))", 0, 0, 0.1,
         2e7, 0, 0, 0, 0, 0, ""},
        {"(Tx_Sj (Usage Info) (Type UI) (Value 0.1))", 0, 0, 0, 0, 0, 0, 0, 0, 0, "Tx_Sj"},
        {"(Tx_Sj (Usage Info) (Type UI) (Value 0.1)) (Tx_Sj_Frequency (Usage Info) (Type Float) (Value 6e9))", 0, 0, 0, 0, 0,
         0, 0, 0, 0, "Tx_Sj"},
        {"(Rx_Receiver_Sensitivity (Usage Info) (Type Float) (Value 0.015)) (Rx_GaussianNoise (Usage Info) (Type Float) "
         "(Value 0.004))",
         0, 0, 0, 0, 0, 0.015, 0.004, 0, 0, ""},
        {"(Rx_Clock_PDF (Usage Info) (Type UI) (Format Gaussian 0.05 0.01))", 0, 0, 0, 0, 0, 0, 0, 0.05, 0.01, ""},
        {"(Rx_Clock_PDF (Usage Info) (Type Float) (Gaussian -1e-12 2e-12))", 0, 0, 0, 0, 0, 0, 0, -0.01, 0.02, ""},
        {"(Rx_Clock_PDF (Usage Info) (Type UI) (Format DjRj -0.05 0.05 0.01))", 0, 0, 0, 0, 0, 0, 0, 0, 0, "Rx_Clock_PDF"},
        {"(Rx_UniformNoise (Usage Info) (Type Float) (Value 0.01))", 0, 0, 0, 0, 0, 0, 0, 0, 0, "Rx_UniformNoise"},
        {"(Tx_Rj (Usage Info) (Type UI) (Value -0.01))", 0, 0, 0, 0, 0, 0, 0, 0, 0, "Tx_Rj"},
        {"(Tx_Dj (Usage Info) (Type Float) (Value 1e300))", 0, 0, 0, 0, 0, 0, 0, 0, 0, "Tx_Dj"},
        {"(Rx_Receiver_Sensitivity (Usage Info) (Type Float) (Value 1e300))", 0, 0, 0, 0, 0, 0, 0, 0, 0,
         "Rx_Receiver_Sensitivity"},
        {"(Rx_Clock_PDF (Usage Info) (Type UI) (Gaussian 0 1e300))", 0, 0, 0, 0, 0, 0, 0, 0, 0, "Rx_Clock_PDF"},
    };
    const fs::path file = fs::path(::testing::TempDir()) / ("reserved_" + std::to_string(getpid()) + ".ami");
    for (const Case& c : cases) {
        std::ofstream(file) << "(m (Reserved_Parameters (AMI_Version (Usage Info) (Type String) (Value \"7.0\"))\n"
                               "(Init_Returns_Impulse (Usage Info) (Type Boolean) (Value False))\n"
                               "(GetWave_Exists (Usage Info) (Type Boolean) (Value True))\n"
                            << c.params << "))\n";
        linksim::ModelKit kit;
        ASSERT_NO_THROW(kit = linksim::LoadAmiFile(file.string())) << c.params;
        const linksim::ReservedEffects r = linksim::ReadReservedParameters(&kit, &kit, rate);
        const double tol = 1e-12;
        EXPECT_NEAR(r.txJitter.rjUi, c.rj, tol) << c.params;
        EXPECT_NEAR(r.txJitter.djUi, c.dj, tol) << c.params;
        EXPECT_NEAR(r.txJitter.sjUi, c.sj, tol) << c.params;
        EXPECT_NEAR(r.txJitter.sjFrequency, c.sjHz, tol) << c.params;
        EXPECT_NEAR(r.txJitter.dcdUi, 2.0 * c.dcd, tol) << c.params << ": ours is rising minus falling";
        EXPECT_NEAR(r.rxSensitivityV, c.sensitivity, tol) << c.params;
        EXPECT_NEAR(r.rxNoiseRmsV, c.noise, tol) << c.params;
        EXPECT_NEAR(r.clockMeanUi, c.clockMean, tol) << c.params;
        EXPECT_NEAR(r.clockSigmaUi, c.clockSigma, tol) << c.params;
        EXPECT_EQ(r.clock, c.clockSigma > 0.0) << c.params;
        bool found = false;
        for (const auto& u : r.uses) {
            if (u.name != c.notApplied) continue;
            found = found || !u.applied;
            EXPECT_FALSE(u.how.empty()) << c.params;
        }
        EXPECT_EQ(found, *c.notApplied != '\0') << c.params;
    }
    fs::remove(file);
}

// The kit of the built-in transmitter with jitter parameters added, the
// transmitter bypassed, a lossless line and the ideal-clock receiver: the
// data jitter measured at the receiver is the jitter the parameter file
// declares (DJ of a dual-Dirac +-Tx_Dj: 2 Tx_Dj; DCD rising minus falling:
// 2 Tx_DCD), and the statistical bathtub narrows by it.
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
        // On top of the command line's: RJ in quadrature, DCD added.
        {"(Tx_Rj " + ui + "(Value 0.03)) (Tx_DCD " + ui + "(Value 0.01))", "--rj 0.04 --dcd 0.02", 0.05, 0, 0, 0, 0.04},
    };
    const fs::path dir = fs::path(::testing::TempDir()) / ("reserved_kit_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"vantrel_serdes.ibs", "tx_ami.ami"}) fs::copy_file(fs::path(AMI_SOURCE_DIR) / "kit" / f, dir / f);
    fs::copy_file(fs::path(AMI_SOURCE_DIR) / "kit" / "rx_ami.ami", dir / "rx_ami.ami");
    for (const char* f : {"rx_ami.so", "tx_ami.so"}) fs::copy_file(fs::path(AMI_BUILD_DIR) / f, dir / f);
    std::string original;
    {
        std::ifstream in(dir / "tx_ami.ami");
        original.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string anchor = "    (Model_Specific";
    ASSERT_NE(original.find(anchor), std::string::npos);
    for (const Case& c : cases) {
        std::string text = original;
        // The parameters close the Reserved_Parameters branch's list.
        const size_t at = text.rfind(")", text.find(anchor));
        text.insert(at, "    " + c.params + "\n    ");
        std::ofstream(dir / "tx_ami.ami") << text;
        const RunResult run = Amisim("reserved_tx", "-n 16000 --prbs 15 --loss 0 --eye-bits 16000 --tx-ibs " +
                                                        (dir / "vantrel_serdes.ibs").string() +
                                                        " --tx-model TX_model2 --TX_bypass 1 --rx-lib " + AMI_BUILD_DIR +
                                                        "/ideal_rx.so " + c.args);
        ASSERT_EQ(run.Exit(), 0) << c.params << "\n" << run.log;
        const auto& j = run.summary;
        const auto& m = j["jitter"]["measured"];
        ASSERT_TRUE(m["available"].get<bool>()) << c.params << ": " << m.dump();
        int applied = 0;
        for (const auto& u : j["reserved_parameters"])
            if (u["model"] == "tx" && u["name"].get<std::string>().rfind("Tx_", 0) == 0) {
                EXPECT_TRUE(u["applied"].get<bool>()) << c.params << ": " << u.dump();
                ++applied;
            }
        EXPECT_GE(applied, 1) << c.params;
        if (c.rj > 0.0 && c.dj == 0.0 && c.dcd == 0.0) {
            EXPECT_NEAR(m["rms_ui"].get<double>(), c.rj, 0.05 * c.rj) << c.params;
        }
        if (c.rj > 0.0) {
            EXPECT_NEAR(m["rj_ui"].get<double>(), c.rj, 0.15 * c.rj + 0.002) << c.params;
        }
        if (c.dj > 0.0) {
            EXPECT_NEAR(m["dj_ui"].get<double>(), c.dj, 0.1 * c.dj) << c.params;
            // The bathtub: an error needs an edge (half the time) on the near
            // side of the dual-Dirac (half of that) beyond the distance d:
            // 0.25 Q((d - dj/2) / rj) = L on each side.
            const double d = c.dj / 2 + c.rj * InverseNormalTail(4e-12);
            EXPECT_NEAR(j["statistical"]["eye_width_ui"].get<double>(), 1.0 - 2.0 * d, 3.0 / 64) << c.params;
        }
        if (c.pj > 0.0) {
            EXPECT_NEAR(m["pj_ui"].get<double>(), c.pj, 0.1 * c.pj) << c.params;
            EXPECT_NEAR(m["pj_hz"].get<double>(), c.pjHz, 0.05 * c.pjHz) << c.params;
        }
        EXPECT_NEAR(m["dcd_ui"].get<double>(), c.dcd, 0.004) << c.params;
    }
    fs::remove_all(dir);
}

// A kit whose model has no AMI_GetWave cannot run bit by bit: amisim says
// so and stops, whichever side it is on and whatever its AMI_Init returns.
TEST(Reserved, ModelWithoutGetWaveIsRefused)
{
    const fs::path dir = fs::path(::testing::TempDir()) / ("reserved_init_only_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"vantrel_serdes.ibs", "tx_ami.ami", "rx_ami.ami"})
        fs::copy_file(fs::path(AMI_SOURCE_DIR) / "kit" / f, dir / f);
    for (const char* f : {"rx_ami.so", "tx_ami.so"}) fs::copy_file(fs::path(AMI_BUILD_DIR) / f, dir / f);
    struct Case {
        const char* file;
        const char* side;
        const char* model;
        const char* impulse;
        const char* says;
    };
    for (const Case c : {Case{"tx_ami.ami", "tx", "TX_model2", "True", "an AMI_Init impulse response only"},
                         Case{"tx_ami.ami", "tx", "TX_model2", "False", "Init_Returns_Impulse is not True"},
                         Case{"rx_ami.ami", "rx", "Vuraved_UV_IV", "True", "the receiver model Vuraved_UV_IV"}}) {
        std::string text;
        {
            std::ifstream in(fs::path(AMI_SOURCE_DIR) / "kit" / c.file);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"(GetWave_Exists (Usage Info) (Type Boolean) (Default True)",
                                                                           "(GetWave_Exists (Usage Info) (Type Boolean) (Default False)"},
                                       {"(Init_Returns_Impulse (Usage Info) (Type Boolean) (Default False)",
                                        std::string("(Init_Returns_Impulse (Usage Info) (Type Boolean) (Default ") +
                                            c.impulse + ")"}}) {
            const size_t at = text.find(from);
            ASSERT_NE(at, std::string::npos) << c.file << ": " << from;
            text.replace(at, from.size(), to);
        }
        std::ofstream(dir / c.file) << text;
        const RunResult run = Amisim("reserved_init_only", std::string("-n 2000 --") + c.side + "-ibs " +
                                                               (dir / "vantrel_serdes.ibs").string() + " --" + c.side +
                                                               "-model " + c.model);
        EXPECT_EQ(run.Exit(), 2) << c.file << "\n" << run.log;
        EXPECT_NE(run.log.find("has no AMI_GetWave"), std::string::npos) << run.log;
        EXPECT_NE(run.log.find(c.says), std::string::npos) << run.log;
        fs::copy_file(fs::path(AMI_SOURCE_DIR) / "kit" / c.file, dir / c.file, fs::copy_options::overwrite_existing);
    }
    fs::remove_all(dir);
}

}  // namespace

// The link's stages one at a time through their interfaces, on a link
// whose every figure is known: the transmitter bypassed, a lossless line
// and the ideal-clock receiver, then a stage fed what the one before gave.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "linksim/BitByBit.h"
#include "linksim/Link.h"
#include "linksim/LinkChannel.h"
#include "linksim/LinkModels.h"
#include "linksim/Measurement.h"
#include "linksim/Prbs.h"
#include "linksim/Report.h"
#include "linksim/Statistical.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path dir = fs::path(::testing::TempDir()) / ("stages_" + std::to_string(getpid()));
    fs::path was = fs::current_path();
    Folder() { fs::create_directories(dir); }
    ~Folder()
    {
        fs::current_path(was);
        fs::remove_all(dir);
    }
};

linksim::LinkConfig IdealLink(long long bits)
{
    linksim::LinkConfig c;
    c.bits = bits;
    c.prbs = 15;
    c.lossDb = 0.0;
    c.tx.TX_bypass = 1;
    c.txLib = std::string(AMI_BUILD_DIR) + "/tx_ami.so";
    c.rxLib = std::string(AMI_BUILD_DIR) + "/ideal_rx.so";
    c.noProgress = true;
    c.modelIgnoreBits = 16;
    c.modelIgnoreSource = "Ignore_Bits 16 of the transmitter (tx_ami.ami)";
    return c;
}

TEST(LinkStages, EachStageOnAnIdealLink)
{
    const Folder folder;
    linksim::LinkConfig c = IdealLink(3000);
    c.outDir = folder.dir.string();
    const double bitTime = 1.0 / c.bitRate, dt = bitTime / c.samplesPerBit;

    const linksim::LinkChannel ch = linksim::MakeLinkChannel(c, dt, bitTime);
    EXPECT_EQ(ch.source, "lossy-line");
    EXPECT_NEAR(ch.lossAtNyquist, 0.0, 1e-6);
    EXPECT_NEAR(ch.dcGain, 1.0, 1e-9);
    EXPECT_NEAR(std::accumulate(ch.taps.begin(), ch.taps.end(), 0.0), 1.0, 1e-9);

    linksim::LinkModels m;
    ASSERT_EQ(linksim::LoadLinkModels(c, c.outDir, m), "");
    ASSERT_EQ(m.rxs.size(), 1u);  // RX_Config 2 gives the eye itself
    EXPECT_EQ(m.eyeRx, m.primary);
    ASSERT_TRUE(linksim::ChangeDir(c.outDir));
    ASSERT_EQ(linksim::InitLinkModels(m, ch.Impulse(dt), dt, bitTime), "");

    std::vector<uint8_t> bits(static_cast<size_t>(c.bits));
    linksim::Prbs(c.prbs, c.seed).Fill(bits.data(), bits.size());
    const linksim::BitByBitResult bb = linksim::RunBitByBit(c, m, ch.taps, bits);
    ASSERT_TRUE(bb.ok) << bb.error;
    EXPECT_EQ(bb.bitsDone, c.bits);
    EXPECT_EQ(m.primary->decisions.size() + 2, static_cast<size_t>(c.bits));

    const linksim::LinkMeasurement r = linksim::MeasureLink(c, m, bits, bb.bitsDone, "");
    ASSERT_TRUE(r.lock.locked);
    ASSERT_TRUE(r.align.found) << r.align.why;
    EXPECT_EQ(r.align.lag, 0);
    EXPECT_EQ(r.errors.errors, 0u);
    EXPECT_GE(r.errors.compared, 2980u);
    EXPECT_EQ(r.scope.rfind("from bit 16 ", 0), 0u) << r.scope;
    ASSERT_TRUE(r.opening.valid) << r.eyeError;
    EXPECT_NEAR(r.opening.height, 1.0, 1e-6);

    const linksim::LinkStatistics sa = linksim::AnalyseLink(c, m, ch.taps, r.ctleSetting, c.outDir);
    ASSERT_EQ(sa.error, "");
    EXPECT_NEAR(sa.eye.HeightAt(c.ber), 1.0, 0.02);

    EXPECT_TRUE(m.tx->Close());
    EXPECT_TRUE(m.primary->model->Close());
    const linksim::OutputPaths out(c);
    const linksim::LinkReport report{c, out, ch, m, bb, r, sa};
    const nlohmann::json j = linksim::ReportJson(report, linksim::ReportPictures{});
    EXPECT_EQ(j["bits"], 3000);
    EXPECT_EQ(j["ber"]["errors"], 0);
    EXPECT_EQ(j["ber"]["bits_compared"], r.errors.compared);
    EXPECT_EQ(j["eye"]["height_v"].get<double>(), r.opening.height);
    EXPECT_EQ(j["statistical"]["eye_height_v"].get<double>(), sa.eye.HeightAt(c.ber));
}

// A stage that cannot do its part says why, and the run as a whole fails
// with status 2 without a result file.
TEST(LinkStages, FailuresAreReported)
{
    const Folder folder;
    linksim::LinkConfig c = IdealLink(2000);
    c.outDir = (folder.dir / "out").string();
    c.rxLib = (folder.dir / "none.so").string();
    linksim::LinkModels m;
    EXPECT_NE(linksim::LoadLinkModels(c, c.outDir, m).find("none.so"), std::string::npos);
    EXPECT_EQ(linksim::RunLink(c), 2);
    EXPECT_FALSE(fs::exists(folder.dir / "out" / "amisim.json"));
    c = IdealLink(2000);
    c.outDir = (folder.dir / "out2").string();
    c.channelCsv = (folder.dir / "missing.csv").string();
    EXPECT_THROW(linksim::MakeLinkChannel(c, 1e-12, 1e-10), std::exception);
    EXPECT_EQ(linksim::RunLink(c), 2);
    EXPECT_FALSE(fs::exists(folder.dir / "out2"));
}

}  // namespace

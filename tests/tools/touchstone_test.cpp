// S-parameter channels: the Touchstone reader on the shared channel files
// and on broken ones, formats and versions, the renormalisation, the
// mixed-mode conversion, the wiring found from the data, and the impulse
// response against the file's own data.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "linksim/Channel.h"
#include "linksim/ChannelSetup.h"
#include "linksim/Touchstone.h"

namespace {

namespace fs = std::filesystem;
using linksim::Complex;

fs::path Channels() { return fs::path(AMI_SHARED_DIR) / "channels"; }

// The shared files and the wiring each is known to have (from MANIFEST.tsv
// and the files' own comments).
struct SharedFile {
    const char* name;
    const char* wiring;
};
const SharedFile kShared[] = {
    {"CA_19p75dB_thru.s4p", "1-2,3-4"},  {"Case4_FM_13SI_20_T_D13_L6.s4p", "1-2,3-4"},
    {"DPO_4in_Meg7_THRU.s4p", "1-2,3-4"}, {"Sparq_demo_16.s4p", "1-3,2-4"},
    {"TEC_Whisper42p8in_Meg6_THRU_C8C9.s4p", "1-2,3-4"}, {"peters_01_0605_T20_thru.s4p", "1-2,3-4"},
};

// Every shared file loads, its wiring is found, and the taps follow the
// file's own SDD21: the DC gain within 0.5 % (the data's lowest frequency
// stands for DC when the file starts above it; the causal window and the
// passivity scaling move it by less) and the gain at the Nyquist frequency
// within 0.1 dB or, deep in the data's noise (beyond 80 dB of loss), 1e-4
// absolute, at the rates and sample densities a user picks; the pulse
// response is positive and larger than any of its undershoots.
TEST(Touchstone, SharedFilesGiveTheirOwnResponse)
{
    if (!fs::exists(Channels())) GTEST_SKIP() << "no shared channels at " << Channels();
    struct Rate {
        double bitRate;
        int spb;
    };
    for (const SharedFile& f : kShared)
        for (const Rate r : {Rate{10.3125e9, 64}, Rate{10.3125e9, 16}, Rate{25.78125e9, 32}}) {
            const std::string path = (Channels() / f.name).string();
            const double bitTime = 1.0 / r.bitRate, dt = bitTime / r.spb;
            const linksim::SParamChannel ch = linksim::LoadSParamChannel(path, "", dt, bitTime);
            const std::string where = std::string(f.name) + " at " + std::to_string(r.bitRate) + " b/s, " +
                                      std::to_string(r.spb) + " samples per bit";
            EXPECT_EQ(ch.info["port_map"].get<std::string>(), f.wiring) << where;
            EXPECT_NEAR(ch.dcFit, ch.dcData, 0.005 * std::fabs(ch.dcData)) << where;
            const double fit = std::pow(10.0, -ch.lossFitNyquist / 20), data = std::pow(10.0, -ch.lossDataNyquist / 20);
            EXPECT_NEAR(fit, data, std::max(0.0116 * data, 1e-4))
                << where << ": " << ch.lossFitNyquist << " dB against " << ch.lossDataNyquist << " dB";
            EXPECT_TRUE(ch.warnings.empty()) << where << ": " << ch.warnings.front();
            double run = 0.0, peak = 0.0, low = 0.0;
            for (size_t i = 0; i < ch.taps.size() + r.spb; ++i) {
                if (i < ch.taps.size()) run += ch.taps[i];
                if (i >= static_cast<size_t>(r.spb) && i - r.spb < ch.taps.size()) run -= ch.taps[i - r.spb];
                peak = std::max(peak, run);
                low = std::min(low, run);
            }
            EXPECT_GT(peak, 0.1) << where;
            EXPECT_GT(peak, 10.0 * -low) << where;
        }
}

// Renumbering the ports of a real file in every one of the 24 ways must not
// change the SDD21 found, sign included: the thru pairing and the sides are
// read from the data, whatever the numbering (a file wired 1-4,2-3 with
// 1,2 at one end would give the same |SDD21| upside down if the wiring were
// guessed). Which end is the input is a convention (the end holding the
// lowest port number), so the result is SDD21 or SDD12 of the original,
// which measured data hold slightly apart.
TEST(Touchstone, WiringIsFoundUnderEveryNumbering)
{
    if (!fs::exists(Channels())) GTEST_SKIP();
    for (const char* name : {"DPO_4in_Meg7_THRU.s4p", "Sparq_demo_16.s4p"}) {
        const linksim::Touchstone ts = linksim::ReadTouchstone((Channels() / name).string());
        const linksim::PortDetection base = linksim::DetectPorts(ts);
        ASSERT_TRUE(base.ok) << name << ": " << base.problem;
        const std::vector<Complex> want = linksim::Transmission(ts, base.map);
        const linksim::PortMap& m = base.map;
        const std::vector<Complex> reverse = linksim::Transmission(ts, linksim::PortMap{m.outP, m.inP, m.outN, m.inN});
        int perm[4] = {1, 2, 3, 4};
        do {
            linksim::Touchstone p = ts;
            for (size_t k = 0; k < ts.freq.size(); ++k)
                for (int i = 1; i <= 4; ++i)
                    for (int j = 1; j <= 4; ++j) p.S(k, perm[i - 1], perm[j - 1]) = ts.S(k, i, j);
            const linksim::PortDetection d = linksim::DetectPorts(p);
            const std::string label = std::string(name) + " renumbered " + std::to_string(perm[0]) +
                                      std::to_string(perm[1]) + std::to_string(perm[2]) + std::to_string(perm[3]);
            ASSERT_TRUE(d.ok) << label << ": " << d.problem;
            EXPECT_TRUE(d.sidesFromData) << label << ": " << d.sidesNote;
            const std::vector<Complex> got = linksim::Transmission(p, d.map);
            double worst21 = 0.0, worst12 = 0.0;
            for (size_t k = 0; k < got.size(); ++k) {
                worst21 = std::max(worst21, std::abs(got[k] - want[k]));
                worst12 = std::max(worst12, std::abs(got[k] - reverse[k]));
            }
            EXPECT_LT(std::min(worst21, worst12), 1e-12) << label << " found " << linksim::PortMapText(d.map);
        } while (std::next_permutation(perm, perm + 4));
    }
}

// Mixed-mode conversion of a hand-built 4-port: two lines 1->2 and 3->4
// with thru a, far-end coupling b (1->4, 3->2), near-end coupling c (1<->3,
// 2<->4) and reflections r. The differential insertion loss is a - b, the
// near-end terms do not enter it; a wiring whose negative line runs
// backwards (sides swapped) takes c instead of b.
TEST(Touchstone, MixedModeOfAHandBuiltFourPort)
{
    const Complex a(0.7, -0.3), b(0.05, 0.02), c(-0.04, 0.01), r(0.1, 0.0);
    linksim::Touchstone ts;
    ts.ports = 4;
    ts.freq = {1e9};
    ts.data.assign(16, 0.0);
    const int thru[][2] = {{1, 2}, {3, 4}}, fext[][2] = {{1, 4}, {3, 2}}, next[][2] = {{1, 3}, {2, 4}};
    for (auto& t : thru) ts.S(0, t[0], t[1]) = ts.S(0, t[1], t[0]) = a;
    for (auto& t : fext) ts.S(0, t[0], t[1]) = ts.S(0, t[1], t[0]) = b;
    for (auto& t : next) ts.S(0, t[0], t[1]) = ts.S(0, t[1], t[0]) = c;
    for (int i = 1; i <= 4; ++i) ts.S(0, i, i) = r;
    struct Case {
        const char* wiring;
        Complex want;
    };
    // The last row pairs the wrong ports: the thru terms enter with the
    // minus sign, and the pulse is upside down.
    for (const Case& k : {Case{"1-2,3-4", a - b}, Case{"3-4,1-2", a - b}, Case{"2-1,4-3", a - b},
                          Case{"1-2,4-3", a - c}, Case{"1-4,3-2", b - a}}) {
        const Complex got = linksim::Transmission(ts, linksim::ParsePortMap(k.wiring, 4))[0];
        EXPECT_LT(std::abs(got - k.want), 1e-15) << k.wiring << ": " << got << " against " << k.want;
    }
}

// A series impedance Z between two ports has S11 = Z / (Z + 2R) and
// S21 = 2R / (Z + 2R) at reference R: data given at one reference and
// renormalised must match the closed form at the other.
TEST(Touchstone, RenormalisationMatchesTheClosedForm)
{
    const Complex z(30.0, 45.0);
    auto series = [&](double R) {
        const Complex d = z + 2.0 * R;
        return std::vector<Complex>{z / d, 2.0 * R / d, 2.0 * R / d, z / d};
    };
    for (const double from : {25.0, 50.0, 75.0, 100.0}) {
        linksim::Touchstone ts;
        ts.ports = 2;
        ts.freq = {1e9};
        ts.reference = {from, from};
        ts.data = series(from);
        linksim::Renormalize(ts, 50.0);
        const std::vector<Complex> want = series(50.0);
        for (size_t i = 0; i < 4; ++i) EXPECT_LT(std::abs(ts.data[i] - want[i]), 1e-12) << from << " ohm, entry " << i;
    }
}

// One 2-port (S11, S21, S12, S22 known) written in every format, unit and
// version reads back the same; version 2.0 with [Two-Port Data Order] 12_21
// and a [Reference] on the next line.
TEST(Touchstone, FormatsUnitsAndVersionsReadAlike)
{
    const std::vector<double> f = {1e8, 2e9, 5e9};
    auto s = [](size_t k, int i, int j) {
        return std::polar(0.1 + 0.2 * i + 0.05 * j + 0.01 * static_cast<double>(k), -0.4 * i - 0.9 * j - 0.3 * k);
    };
    struct Unit {
        const char* name;
        double hz;
    };
    for (const char* format : {"RI", "MA", "DB"})
        for (const Unit u : {Unit{"Hz", 1.0}, Unit{"kHz", 1e3}, Unit{"MHz", 1e6}, Unit{"GHz", 1e9}})
            for (int version : {1, 2}) {
                std::ostringstream os;
                os.precision(17);
                if (version == 2) os << "[Version] 2.0\n";
                os << "! a comment\n# " << u.name << " S " << format << " R 50\n";
                if (version == 2)
                    os << "[Number of Ports] 2\n[Two-Port Data Order] 12_21\n[Reference]\n50 50\n"
                          "[Number of Frequencies] 3\n[Network Data]\n";
                for (size_t k = 0; k < f.size(); ++k) {
                    os << f[k] / u.hz;
                    const int order[4][2] = {{1, 1}, {version == 2 ? 1 : 2, version == 2 ? 2 : 1},
                                             {version == 2 ? 2 : 1, version == 2 ? 1 : 2}, {2, 2}};
                    for (auto& ij : order) {
                        const Complex v = s(k, ij[0], ij[1]);
                        if (std::string(format) == "RI") os << " " << v.real() << " " << v.imag();
                        if (std::string(format) == "MA") os << " " << std::abs(v) << " " << std::arg(v) * 180 / M_PI;
                        if (std::string(format) == "DB")
                            os << " " << 20 * std::log10(std::abs(v)) << " " << std::arg(v) * 180 / M_PI;
                    }
                    os << " ! trailing comment\n";
                }
                if (version == 2) os << "[End]\n";
                std::istringstream in(os.str());
                const std::string label = std::string(format) + " " + u.name + " v" + std::to_string(version);
                const linksim::Touchstone ts = linksim::ParseTouchstone(in, "t.s2p", 2);
                ASSERT_EQ(ts.freq.size(), f.size()) << label;
                for (size_t k = 0; k < f.size(); ++k) {
                    EXPECT_NEAR(ts.freq[k], f[k], 1e-9 * f[k]) << label;
                    for (int i = 1; i <= 2; ++i)
                        for (int j = 1; j <= 2; ++j)
                            EXPECT_LT(std::abs(ts.S(k, i, j) - s(k, i, j)), 1e-12)
                                << label << " S" << i << j << " at " << f[k];
                }
            }
}

// Broken files: the message names the line and the fault, and amisim
// refuses the file with exit status 2.
TEST(Touchstone, BadFilesNameTheLine)
{
    const std::string head = "! test\n# GHz S RI R 50\n";
    const std::string row2 = "0.1 0 0 0.9 0 0.9 0 0 0\n";
    const std::string v2 = "[Version] 2.0\n# GHz S RI R 50\n";
    std::string row4 = "0.05";
    for (int i = 0; i < 32; ++i) row4 += i % 10 == 2 ? " 0.9" : " 0";
    row4 += "\n";
    struct Case {
        const char* name;
        std::string text;
        size_t line;
        const char* says;
    };
    const Case cases[] = {
        {"cols.s2p", head + row2 + "0.2 0 0 0.9 0 0.9 0 0\n", 4, "expected 9 values"},
        {"more.s2p", head + row2 + "0.2 0 0 0.9 0 0.9 0 0 0 7\n", 4, "expected 9 values"},
        {"order.s2p", head + row2 + "0.3 0 0 0.9 0 0.9 0 0 0\n0.2 0 0 0.9 0 0.9 0 0 0\n", 5, "frequencies must increase"},
        {"same.s2p", head + row2 + row2, 4, "frequencies must increase"},
        {"nan.s2p", head + row2 + "0.2 0 0 nan 0 0.9 0 0 0\n", 4, "not a finite number"},
        {"word.s2p", head + row2 + "0.2 0 0 0.9x 0 0.9 0 0 0\n", 4, "is not a number"},
        {"trunc.s4p", head + "0.1 1 0 0 0 0 0 0 0\n 0 0 0 0 0 0 0 0\n 0 0 0 0 0 0 0 0\n 0 0 0 0\n", 6,
         "ends inside the data"},
        {"short.s4p", head + "0.1 1 0 0 0 0 0 0 0\n 0 0 0 0 0 0 0 0\n 0 0 0 0 0 0 0 0\n 0 0 0 0 0 0 0 0\n"
                             "0.2 1 0 0 0 0 0 0 0\n 0 0 0 0 0 0\n 0 0 0 0 0 0 0 0\n 0 0 0 0 0 0 0 0\n", 8,
         "expected 8 values"},
        {"three.s3p", head + "0.1 0 0 1 0 0 0\n 1 0 0 0 0 0\n 0 0 0 0 0 0\n", 0, "3-port data"},
        {"opt.s2p", "# GHz S XX R 50\n" + row2, 1, "unknown item"},
        {"zpar.s2p", "# GHz Z RI R 50\n" + row2, 1, "only S-parameters"},
        {"count.ts", "[Version] 2.0\n# GHz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 21_12\n"
                     "[Number of Frequencies] 2\n[Network Data]\n" + row2 + "[End]\n", 5, "[Number of Frequencies] says 2"},
        {"v3.ts", "[Version] 3.0\n", 1, "only Touchstone 1.x and 2.0"},
        {"noports.ts", "[Version] 2.0\n# GHz S RI R 50\n[Network Data]\n" + row2, 3, "number of ports is unknown"},
        {"empty.s2p", head, 2, "no network data"},
        // Hostile files: keywords that would change the layout of the data
        // already read, numbers that overflow when converted, counts beyond
        // any file, a NUL inside a number.
        {"portsafter.ts", v2 + "[Number of Ports] 2\n[Network Data]\n" + row2 + "[Number of Ports] 4\n" + row2, 6,
         "[Number of Ports] after [Network Data]"},
        {"fewerports.ts", v2 + "[Number of Ports] 4\n[Network Data]\n" + row4 + "[Number of Ports] 2\n" + row2, 6,
         "[Number of Ports] after [Network Data]"},
        {"matrixafter.ts", v2 + "[Number of Ports] 2\n[Network Data]\n" + row2 + "[Matrix Format] Lower\n", 6,
         "[Matrix Format] after [Network Data]"},
        {"refafter.ts", v2 + "[Number of Ports] 2\n[Network Data]\n" + row2 + "[Reference] 1 1\n", 6,
         "[Reference] after [Network Data]"},
        {"nfreq.ts", v2 + "[Number of Ports] 2\n[Number of Frequencies] 1e30\n[Network Data]\n" + row2, 4,
         "[Number of Frequencies] needs one whole number"},
        {"db.s2p", "# GHz S DB R 50\n0.1 -30 0 7000 0 -1 0 -30 0\n", 2, "magnitude above 1e6"},
        {"angle.s2p", "# GHz S MA R 50\n0.1 0.1 0 0.9 1e308 0.9 0 0.1 0\n", 2, "an angle of"},
        {"ri.s2p", head + "0.1 0 0 1e300 0 0.9 0 0 0\n", 3, "magnitude above 1e6"},
        {"freq.s2p", head + row2 + "1e300 0 0 0.9 0 0.9 0 0 0\n", 4, "above 1e15 Hz"},
        {"nul.s2p", head + row2 + std::string("0.2 0 0 0.9", 11) + std::string(1, '\0') + "5 0 0.9 0 0 0\n", 4,
         "is not a number"},
    };
    const fs::path dir = fs::path(::testing::TempDir()) / ("touchstone_bad_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const double bitTime = 1.0 / 10.3125e9;
    for (const Case& c : cases) {
        const fs::path p = dir / c.name;
        std::ofstream(p) << c.text;
        std::string what;
        size_t line = 999;
        try {
            linksim::LoadSParamChannel(p.string(), "", bitTime / 64, bitTime);
        } catch (const linksim::TouchstoneError& e) {
            what = e.what();
            line = e.Line();
        }
        EXPECT_NE(what.find(c.says), std::string::npos) << c.name << ": " << what;
        if (c.line) {
            EXPECT_EQ(line, c.line) << c.name << ": " << what;
            EXPECT_NE(what.find(":" + std::to_string(c.line) + ":"), std::string::npos) << what;
        }
    }
    // Through the program: exit status 2 and the line in the message.
    const fs::path log = dir / "amisim.log";
    const std::string cmd = std::string(AMI_BUILD_DIR) + "/amisim --no-progress -q -n 100 -o " + (dir / "out").string() +
                            " --channel " + (dir / "nan.s2p").string() + " > " + log.string() + " 2>&1";
    const int status = std::system(cmd.c_str());
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << ": " << text;
    EXPECT_NE(text.find("nan.s2p:4: "), std::string::npos) << text;
    fs::remove_all(dir);
}

// Frequencies whose steps are tiny beside the last one (a 4 THz point after
// 100 kHz steps, a 1 GHz point after 1 Hz steps) cost the wiring detection
// no more than any file does: before, its transform was sized by the last
// frequency over the step (3 GB, 16 GiB).
TEST(Touchstone, UnevenGridsKeepTheWiringDetectionSmall)
{
    for (const std::vector<double>& freq : {std::vector<double>{0, 1e5, 2e5, 4e12}, std::vector<double>{0, 1, 2, 1e9}}) {
        std::string text = "# Hz S RI R 50\n";
        for (double f : freq) {
            text += std::to_string(f);
            // Thru 1-2 and 3-4 at 0.9, the rest 0.
            for (int i = 1; i <= 4; ++i)
                for (int j = 1; j <= 4; ++j) {
                    const bool thru = (i == 1 && j == 2) || (i == 2 && j == 1) || (i == 3 && j == 4) || (i == 4 && j == 3);
                    text += thru ? " 0.9 0" : " 0 0";
                }
            text += "\n";
        }
        std::istringstream in(text);
        const linksim::Touchstone ts = linksim::ParseTouchstone(in, "uneven.s4p", 4);
        const linksim::PortDetection d = linksim::DetectPorts(ts);
        EXPECT_TRUE(d.ok) << freq.back() << ": " << d.problem;
        EXPECT_EQ(linksim::PortMapText(d.map), "1-2,3-4") << freq.back();
        EXPECT_TRUE(std::isfinite(d.thruOnset)) << freq.back();
    }
}

// --ports is checked: a malformed or impossible wiring is a usage error, a
// wiring the data contradict is said aloud.
TEST(Touchstone, PortsOverrideIsCheckedAgainstTheData)
{
    if (!fs::exists(Channels())) GTEST_SKIP();
    const std::string path = (Channels() / "DPO_4in_Meg7_THRU.s4p").string();
    const double bitTime = 1.0 / 10.3125e9, dt = bitTime / 32;
    for (const char* bad : {"1-2", "1-2,3-5", "1-2,2-4", "a-b,c-d", "1-2,3-4,5-6"})
        EXPECT_THROW(linksim::LoadSParamChannel(path, bad, dt, bitTime), linksim::PortsError) << bad;
    const auto agree = linksim::LoadSParamChannel(path, "3-4,1-2", dt, bitTime);
    EXPECT_TRUE(agree.warnings.empty());
    const auto wrong = linksim::LoadSParamChannel(path, "1-3,2-4", dt, bitTime);
    ASSERT_FALSE(wrong.warnings.empty());
    EXPECT_NE(wrong.warnings.front().find("disagrees with the data"), std::string::npos) << wrong.warnings.front();
    const auto upsideDown = linksim::LoadSParamChannel(path, "1-4,3-2", dt, bitTime);
    EXPECT_LT(upsideDown.dcFit, 0.0);
    EXPECT_FALSE(upsideDown.warnings.empty());
}

}  // namespace

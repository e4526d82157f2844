// Sweeps: the grid syntax, shards, and a sweep run through separate amisim
// processes, whole and in shards merged afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "linksim/Sweep.h"

namespace {

namespace fs = std::filesystem;

TEST(Sweep, GridSyntax)
{
    struct Case {
        const char* text;
        std::vector<std::string> values;  // empty: refused
    };
    const Case cases[] = {
        {"loss=0:6:3", {"0", "3", "6"}},
        {"EQ_Level=0:3", {"0", "1", "2", "3"}},
        {"rj=0:0.02", {"0", "0.005", "0.01", "0.015", "0.02"}},
        {"sj=0.1:0.3:0.1", {"0.1", "0.2", "0.3"}},
        {"rx.VCO_Sensitivity=1e8:3e8:1e8", {"100000000", "200000000", "300000000"}},
        {"x=5:5", {"5"}},
        {"loss=0:7:3", {"0", "3", "6"}},
        {"loss", {}}, {"=1:2", {}}, {"loss=1", {}}, {"loss=3:1", {}}, {"loss=a:b", {}},
        {"loss=0:1:0", {}}, {"loss=0:1:-1", {}}, {"loss=0:1e9:1", {}}, {"loss=0:1:2:3", {}},
    };
    for (const Case& c : cases) {
        if (c.values.empty()) {
            EXPECT_THROW(linksim::ParseSweep(c.text), std::invalid_argument) << c.text;
            continue;
        }
        const linksim::SweepAxis a = linksim::ParseSweep(c.text);
        EXPECT_EQ(a.values, c.values) << c.text;
    }
    EXPECT_EQ(linksim::AxisArguments("loss", "3"), (std::vector<std::string>{"--loss", "3"}));
    EXPECT_EQ(linksim::AxisArguments("EQ_Level", "3"), (std::vector<std::string>{"--set", "EQ_Level=3"}));
    size_t i = 9, n = 9;
    linksim::ParseShard("1/4", i, n);
    EXPECT_EQ(i, 1u);
    EXPECT_EQ(n, 4u);
    for (const char* bad : {"4/4", "-1/4", "1/0", "1", "a/b", "1.5/4", "1/4/5"})
        EXPECT_THROW(linksim::ParseShard(bad, i, n), std::invalid_argument) << bad;
}

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p);
    std::ostringstream os;
    os << in.rdbuf();
    return os.str();
}

// Two points, each a separate amisim process, two at a time; then the same
// grid as two shards of one point each, merged: the same table.
TEST(Sweep, TwoPointsThroughProcessesAndShards)
{
    const fs::path dir = fs::path(::testing::TempDir()) / ("sweep_" + std::to_string(getpid()));
    fs::remove_all(dir);
    const std::string amisim = std::string(AMI_BUILD_DIR) + "/amisim";
    const std::string base = " --no-progress -n 3000 --prbs 7 --TX_bypass 1 --rx-lib " + std::string(AMI_BUILD_DIR) +
                             "/ideal_rx.so --sweep loss=0:3:3";
    auto run = [&](const std::string& args, const fs::path& log) {
        const int s = std::system((amisim + args + " > " + log.string() + " 2>&1").c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    ASSERT_EQ(run(base + " --jobs 2 -o " + (dir / "whole").string(), dir.string() + ".log"), 0)
        << Slurp(dir.string() + ".log");
    const std::string whole = Slurp(dir / "whole" / "sweep.csv");
    std::istringstream rows(whole);
    std::string header, r0, r1, extra;
    std::getline(rows, header);
    std::getline(rows, r0);
    std::getline(rows, r1);
    EXPECT_FALSE(std::getline(rows, extra)) << whole;
    EXPECT_EQ(header.rfind("point,loss,status,ber,", 0), 0u) << header;
    EXPECT_EQ(r0.rfind("0,0,0,0,0,", 0), 0u) << r0;  // point 0, loss 0, exit 0, BER 0, no error
    EXPECT_EQ(r1.rfind("1,3,0,", 0), 0u) << r1;
    EXPECT_TRUE(fs::exists(dir / "whole" / "sweep.png"));
    EXPECT_TRUE(fs::exists(dir / "whole" / "sweep.json"));
    for (const char* p : {"p00000", "p00001"}) EXPECT_TRUE(fs::exists(dir / "whole" / "points" / p / "amisim.json")) << p;
    // The eye closes with the loss (column 8: eye_height_v).
    auto column = [](const std::string& row, int k) {
        std::istringstream in(row);
        std::string cell;
        for (int i = 0; i <= k; ++i) std::getline(in, cell, ',');
        return std::stod(cell);
    };
    EXPECT_NEAR(column(r0, 8), 1.0, 1e-6) << r0;
    EXPECT_LT(column(r1, 8), 0.9) << r1;

    for (int s = 0; s < 2; ++s)
        ASSERT_EQ(run(base + " --jobs 1 --shard " + std::to_string(s) + "/2 -o " + (dir / ("shard" + std::to_string(s))).string(),
                      dir.string() + ".log"),
                  0)
            << Slurp(dir.string() + ".log");
    ASSERT_EQ(run(" merge -o " + (dir / "merged").string() + " " + (dir / "shard1").string() + " " +
                      (dir / "shard0" / "sweep.json").string(),
                  dir.string() + ".log"),
              0)
        << Slurp(dir.string() + ".log");
    // Same rows but for the folders.
    auto strip = [](const std::string& csv) {
        std::istringstream in(csv);
        std::string line, out;
        while (std::getline(in, line)) out += line.substr(0, line.rfind(',')) + "\n";
        return out;
    };
    EXPECT_EQ(strip(Slurp(dir / "merged" / "sweep.csv")), strip(whole));
    // A shard alone is an incomplete merge.
    EXPECT_EQ(run(" merge -o " + (dir / "part").string() + " " + (dir / "shard0").string(), dir.string() + ".log"), 2);
    fs::remove_all(dir);
    fs::remove(dir.string() + ".log");
}

}  // namespace

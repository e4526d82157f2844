// The sweep table read back by `amisim merge`: hostile tables refused with
// the file and line, shards of different runs refused, failed points and
// missing shards named with a failing exit status; the BER upper bound of a
// row; the number of points run at once; pictures of figures beyond any
// range.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "linksim/Plot.h"
#include "linksim/Sweep.h"
#include "linksim/SweepTable.h"

namespace {

namespace fs = std::filesystem;

// A one-axis table of two points, line by line; `point` is line 6.
std::string Table(const std::string& point, const std::string& shard = "0/1", const std::string& args = "\"-n\", \"2000\"")
{
    return "{\n"
           "\"axes\": [{\"name\": \"loss\", \"values\": [\"0\", \"3\", \"6\"]}], \"base_arguments\": [" + args + "],\n"
           "\"shard\": \"" + shard + "\", \"total_points\": 3,\n"
           "\"points\": [\n"
           "{\"point\": 0, \"loss\": \"0\", \"status\": 0, \"ber\": 0, \"errors\": 0},\n" +
           point + "\n]}\n";
}

TEST(SweepTable, HostileTablesAreRefusedWithTheLine)
{
    struct Case {
        std::string text;
        std::string says;  // after "sweep.json:"
    };
    const Case cases[] = {
        {"{\"axes\": " + std::string(20000, '[') + std::string(20000, ']') + "}", "1: nested more than 8 deep"},
        {Table("{\"status\": 0, \"loss\": \"3\"}"), "6: a point needs its \"point\" index, from 0 to 2"},
        {Table("{\"point\": 7, \"status\": 0}"), "6: a point needs its \"point\" index, from 0 to 2"},
        {Table("{\"point\": -1, \"status\": 0}"), "6: a point needs its \"point\" index"},
        {Table("{\"point\": 1, \"ber\": {\"x\": 1}}"), "6: point 1: \"ber\" is not what a sweep writes there"},
        {Table("{\"point\": 1, \"status\": \"0\"}"), "6: point 1: \"status\" is not what a sweep writes there"},
        {Table("{\"point\": 1, \"loss\": 3}"), "6: point 1: \"loss\" is not what a sweep writes there"},
        {Table("{\"point\": 1, \"ber\": 1e400}"), "6: not JSON: number overflow"},
        {Table("{\"point\": 1,"), "7: not JSON"},
        {Table("{\"point\": 1}", "2/2"), "3: \"shard\" must be \"I/N\" with I < N"},
        {Table("{\"point\": 1}", "0/1", "\"-n\", 2000"), "2: \"base_arguments\" must be a list of texts"},
        {"{\n\"axes\": [{\"name\": \"loss\", \"values\": [0, 3]}], \"points\": []}", "2: the values of axis loss must be texts"},
        {"{\"axes\": [{\"name\": \"a\", \"values\": [\"1\"]}], \"total_points\": 2, \"points\": []}",
         "1: \"total_points\" is not the size of the axes' grid, 1"},
        {"[1, 2]", "1: not a sweep table"},
        {std::string("{\"axes\"\0: []}", 13), "1: not JSON"},
    };
    for (const Case& c : cases) {
        std::string what;
        try {
            linksim::ParseSweepTable(c.text, "sweep.json");
        } catch (const linksim::SweepTableError& e) {
            what = e.what();
        }
        EXPECT_EQ(what.rfind("sweep.json:" + c.says, 0), 0u) << c.text.substr(0, 200) << "\n-> " << what;
    }
    EXPECT_NO_THROW(linksim::ParseSweepTable(Table("{\"point\": 2, \"loss\": \"6\", \"status\": 0}"), "sweep.json"));
}

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// `amisim merge` on shard tables written here: exit status and message.
TEST(SweepTable, MergeRefusesMixedShardsAndNamesWhatFailedOrIsMissing)
{
    const fs::path dir = fs::path(::testing::TempDir()) / ("merge_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name) << text;
        return (dir / name).string();
    };
    const std::string ok1 = write("s1.json", Table("{\"point\": 1, \"loss\": \"3\", \"status\": 0},\n"
                                                   "{\"point\": 2, \"loss\": \"6\", \"status\": 0}"));
    struct Case {
        std::vector<std::string> files;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {{ok1}, 0, ""},
        {{ok1, write("mixed.json", Table("{\"point\": 2, \"status\": 0}", "0/1", "\"-n\", \"8000\", \"--set\", \"DE_Level=3\""))},
         2, "mixed.json:1: its points ran with the arguments '-n 8000 --set DE_Level=3', those of " + ok1 + " with '-n 2000'"},
        {{write("failed.json", Table("{\"point\": 1, \"loss\": \"3\", \"status\": 2}", "0/1"))}, 2,
         "1 point failed (1; its log is in its folder's amisim.log); 1 point is missing"},
        {{write("a.json", Table("{\"point\": 2, \"status\": 0}", "0/4"))}, 2,
         "1 point is missing (no table from shard 1/4, 2/4, 3/4)"},
    };
    for (const Case& c : cases) {
        std::string cmd = std::string(AMI_BUILD_DIR) + "/amisim merge -o " + (dir / "out").string();
        for (const auto& f : c.files) cmd += " " + f;
        const int raw = std::system((cmd + " > " + (dir / "log").string() + " 2>&1").c_str());
        const std::string log = Slurp(dir / "log");
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == c.status) << cmd << "\n" << log;
        EXPECT_NE(log.find(c.says), std::string::npos) << cmd << "\n" << log;
    }
    fs::remove_all(dir);
}

// P(X <= k) for X ~ Binomial(n, p), summed term by term from (1 - p)^n
// (for p above one half, as 1 - P(n - X <= n - k - 1), whose terms do not
// underflow).
double BinomialCdf(double n, double k, double p)
{
    if (p > 0.5) return k >= n ? 1.0 : 1.0 - BinomialCdf(n, n - k - 1, 1.0 - p);
    long double term = std::exp(static_cast<long double>(n) * std::log1p(-static_cast<long double>(p))), sum = 0;
    for (double i = 0; i <= k; ++i) {
        sum += term;
        term *= (n - i) / (i + 1) * p / (1 - p);
    }
    return static_cast<double>(sum);
}

// The bound is the p at which k or fewer errors have probability 0.05, as
// the direct binomial sum says; 3/n-like without errors, rising with them.
TEST(SweepTable, BerUpperBoundIsClopperPearson)
{
    struct Case {
        unsigned long long bits, errors;
    };
    const Case cases[] = {{10, 5}, {1000, 1}, {19998, 43}, {100000, 0}, {1000000, 1000}, {1000000000, 3}, {2000, 1999}};
    for (const Case& c : cases) {
        const double u = linksim::BerUpperBound95(c.errors, c.bits);
        const std::string label = std::to_string(c.errors) + " in " + std::to_string(c.bits);
        EXPECT_GT(u, static_cast<double>(c.errors) / c.bits) << label;
        EXPECT_NEAR(BinomialCdf(static_cast<double>(c.bits), static_cast<double>(c.errors), u), 0.05, 1e-5) << label;
        EXPECT_GT(linksim::BerUpperBound95(c.errors + 1, c.bits), u) << label;
    }
    EXPECT_NEAR(linksim::BerUpperBound95(0, 1000), 1.0 - std::pow(0.05, 1.0 / 1000), 1e-15);
    EXPECT_EQ(linksim::BerUpperBound95(7, 7), 1.0);
    EXPECT_TRUE(std::isnan(linksim::BerUpperBound95(0, 0)));
}

// The default of --jobs is the CPUs the process may run on, not the cores.
TEST(SweepTable, DefaultJobsFollowTheAffinityMask)
{
    cpu_set_t was;
    ASSERT_EQ(sched_getaffinity(0, sizeof was, &was), 0);
    EXPECT_EQ(linksim::DefaultJobs(), static_cast<size_t>(CPU_COUNT(&was)));
    int first = 0;
    while (!CPU_ISSET(first, &was)) ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(linksim::DefaultJobs(), 1u);
    ASSERT_EQ(sched_setaffinity(0, sizeof was, &was), 0);
}

// Figures beyond any range (a run whose signal overflowed, a merged table's
// 1e300) give no picture and a reason, and never an endless axis.
TEST(SweepTable, PicturesOfFiguresBeyondAnyRangeEnd)
{
    struct Case {
        std::vector<double> x, y;
        bool drawn;
    };
    const double inf = INFINITY;
    const Case cases[] = {
        {{0, 1}, {-1e308, 1e308}, false},
        {{-1e308, 1e308}, {0, 1}, false},
        {{0, 1, 2}, {-inf, NAN, inf}, true},  // nothing finite: an empty panel
        {{1e20, 1e20}, {1, 2}, true},
        {{0, 1}, {1e15, 1e15 + 1}, true},
    };
    const fs::path png = fs::path(::testing::TempDir()) / ("range_" + std::to_string(getpid()) + ".png");
    for (const Case& c : cases) {
        linksim::PlotPanel panel;
        linksim::PlotSeries s;
        s.x = c.x;
        s.y = c.y;
        panel.series.push_back(s);
        const std::string why = linksim::WritePanelsPng(png.string(), "range", {panel});
        EXPECT_EQ(why.empty(), c.drawn) << c.x.front() << " " << c.y.front() << ": " << why;
    }
    linksim::ReleasePlotResources();
    fs::remove(png);
}

}  // namespace

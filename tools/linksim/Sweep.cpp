#include "linksim/Sweep.h"

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>

#include "linksim/Plot.h"
#include "linksim/SweepTable.h"

extern char** environ;

namespace fs = std::filesystem;

namespace linksim {

namespace {

bool Number(const std::string& s, double& v)
{
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && std::isfinite(v);
}

std::string Format(double v, bool whole)
{
    char b[64];
    if (whole)
        std::snprintf(b, sizeof b, "%lld", static_cast<long long>(std::llround(v)));
    else
        std::snprintf(b, sizeof b, "%.10g", v);
    return b;
}

// The host quantities a sweep may vary, and their options.
const std::map<std::string, std::string>& HostOptions()
{
    static const std::map<std::string, std::string> m = {
        {"loss", "--loss"},          {"rj", "--rj"},           {"sj", "--sj"},
        {"sj-freq", "--sj-freq"},    {"sj_freq", "--sj-freq"}, {"dcd", "--dcd"},
        {"stat-noise", "--stat-noise"}, {"bit-rate", "--bit-rate"}, {"bits", "--bits"},
    };
    return m;
}

// What one point's JSON summary says, as a row of the table.
nlohmann::json Row(const nlohmann::json& j)
{
    auto get = [&](std::initializer_list<const char*> path) -> nlohmann::json {
        const nlohmann::json* p = &j;
        for (const char* k : path) {
            if (!p->is_object() || !p->contains(k)) return nullptr;
            p = &(*p)[k];
        }
        return *p;
    };
    return {{"ber", get({"ber", "ber"})},
            {"errors", get({"ber", "errors"})},
            {"bits_compared", get({"ber", "bits_compared"})},
            {"ber_upper_95", get({"ber", "ber_upper_95"})},
            {"locked", get({"lock", "locked"})},
            {"eye_height_v", get({"eye", "height_v"})},
            {"eye_width_ui", get({"eye", "width_ui"})},
            {"stat_eye_height_v", get({"statistical", "eye_height_v"})},
            {"stat_eye_width_ui", get({"statistical", "eye_width_ui"})},
            {"stat_ber_at_centre", get({"statistical", "ber_at_centre"})},
            {"extrapolated_height_v", get({"extrapolated", "eye_height_v"})},
            {"extrapolated_width_ui", get({"extrapolated", "eye_width_ui"})},
            {"tj_ui", get({"jitter", "measured", "tj_ui"})},
            {"ctle_setting", get({"ctle", "setting"})},
            {"loss_db_at_nyquist", get({"channel", "loss_db_at_nyquist"})}};
}

std::string Cell(const nlohmann::json& v) { return SweepCell(v); }

// Points done / total on standard error, when it is a terminal.
class SweepProgress {
public:
    SweepProgress(bool on, size_t total) : m_on(on && isatty(STDERR_FILENO)), m_total(total) { Draw(0, 0); }
    void Draw(size_t done, size_t failed)
    {
        if (!m_on) return;
        const int width = 30, fill = m_total ? static_cast<int>(width * done / m_total) : width;
        std::fprintf(stderr, "\r[%.*s%*s] %zu of %zu points%s ", fill, "##############################", width - fill,
                     "", done, m_total, failed ? (", " + std::to_string(failed) + " failed").c_str() : "");
        std::fflush(stderr);
    }
    ~SweepProgress()
    {
        if (m_on) std::fprintf(stderr, "\r%*s\r", 70, "");
    }

private:
    bool m_on;
    size_t m_total;
};

}  // namespace

SweepAxis ParseSweep(const std::string& text)
{
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        throw std::invalid_argument("--sweep " + text + ": expected NAME=A:B or NAME=A:B:STEP");
    SweepAxis a;
    a.name = text.substr(0, eq);
    std::vector<std::string> parts;
    std::string rest = text.substr(eq + 1);
    for (size_t at; (at = rest.find(':')) != std::string::npos; rest = rest.substr(at + 1)) parts.push_back(rest.substr(0, at));
    parts.push_back(rest);
    double lo = 0, hi = 0, step = 0;
    if ((parts.size() != 2 && parts.size() != 3) || !Number(parts[0], lo) || !Number(parts[1], hi) ||
        (parts.size() == 3 && !Number(parts[2], step)))
        throw std::invalid_argument("--sweep " + text + ": expected NAME=A:B or NAME=A:B:STEP with numbers");
    const bool whole = lo == std::floor(lo) && hi == std::floor(hi) && (parts.size() == 2 || step == std::floor(step));
    if (parts.size() == 2) step = whole ? 1.0 : (hi - lo) / 4.0;
    if (hi < lo) throw std::invalid_argument("--sweep " + text + ": B must not be below A");
    if (!(step > 0.0) && hi > lo) throw std::invalid_argument("--sweep " + text + ": STEP must be positive");
    const double n = hi > lo ? std::floor((hi - lo) / step + 1e-9) + 1.0 : 1.0;
    if (n > 10000) throw std::invalid_argument("--sweep " + text + ": more than 10000 values");
    for (long k = 0; k < static_cast<long>(n); ++k) a.values.push_back(Format(lo + static_cast<double>(k) * step, whole));
    return a;
}

bool IsHostQuantity(const std::string& name) { return HostOptions().count(name) > 0; }

std::vector<std::string> AxisArguments(const std::string& name, const std::string& value)
{
    const auto it = HostOptions().find(name);
    if (it != HostOptions().end()) return {it->second, value};
    return {"--set", name + "=" + value};
}

void ParseShard(const std::string& text, size_t& index, size_t& count)
{
    const size_t slash = text.find('/');
    double i = -1, n = 0;
    if (slash == std::string::npos || !Number(text.substr(0, slash), i) || !Number(text.substr(slash + 1), n) ||
        i != std::floor(i) || n != std::floor(n) || n < 1 || i < 0 || i >= n)
        throw std::invalid_argument("--shard " + text + ": expected I/N with 0 <= I < N (whole numbers)");
    index = static_cast<size_t>(i);
    count = static_cast<size_t>(n);
}

size_t RunSweep(const SweepRequest& r)
{
    // The grid, the first axis varying slowest.
    size_t total = 1;
    for (const auto& a : r.axes) total *= a.values.size();
    if (total > 100000) throw std::runtime_error("the sweep has more than 100000 points");
    std::vector<size_t> mine;
    for (size_t p = r.shardIndex; p < total; p += r.shardCount) mine.push_back(p);
    auto valuesOf = [&](size_t p) {
        std::vector<std::string> v(r.axes.size());
        for (size_t k = r.axes.size(); k-- > 0;) {
            v[k] = r.axes[k].values[p % r.axes[k].values.size()];
            p /= r.axes[k].values.size();
        }
        return v;
    };
    std::error_code ec;
    fs::create_directories(fs::path(r.outDir) / "points", ec);
    if (ec) throw std::runtime_error("cannot create " + r.outDir + "/points: " + ec.message());

    nlohmann::json table;
    table["tool"] = "amisim sweep";
    nlohmann::json axes = nlohmann::json::array();
    for (const auto& a : r.axes) axes.push_back({{"name", a.name}, {"values", a.values}});
    table["axes"] = axes;
    table["total_points"] = total;
    table["shard"] = std::to_string(r.shardIndex) + "/" + std::to_string(r.shardCount);
    table["base_arguments"] = r.baseArgs;
    std::map<size_t, nlohmann::json> rows;

    struct Running {
        size_t point;
        std::string dir;
        std::vector<std::string> values;
    };
    std::map<pid_t, Running> running;
    size_t next = 0, done = 0, failed = 0;
    SweepProgress progress(r.progress, mine.size());
    auto finish = [&](pid_t pid, int status) {
        const Running run = running[pid];
        running.erase(pid);
        nlohmann::json row;
        row["point"] = run.point;
        for (size_t k = 0; k < r.axes.size(); ++k) row[r.axes[k].name] = run.values[k];
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        row["status"] = code;
        nlohmann::json summary;
        std::ifstream in(fs::path(run.dir) / "amisim.json");
        if (code == 0 && in) {
            try {
                in >> summary;
            } catch (const std::exception&) {
                summary = nullptr;
            }
        }
        const nlohmann::json values = Row(summary.is_null() ? nlohmann::json::object() : summary);
        for (auto it = values.begin(); it != values.end(); ++it) row[it.key()] = it.value();
        row["folder"] = run.dir;
        if (code != 0 || summary.is_null()) ++failed;
        rows[run.point] = row;
        ++done;
        progress.Draw(done, failed);
    };
    while (next < mine.size() || !running.empty()) {
        while (next < mine.size() && running.size() < std::max<size_t>(1, r.jobs)) {
            const size_t p = mine[next++];
            char name[32];
            std::snprintf(name, sizeof name, "p%05zu", p);
            const std::string dir = (fs::path(r.outDir) / "points" / name).string();
            fs::remove_all(dir, ec);
            fs::create_directories(dir, ec);
            const std::vector<std::string> values = valuesOf(p);
            std::vector<std::string> args = {r.program};
            args.insert(args.end(), r.baseArgs.begin(), r.baseArgs.end());
            args.insert(args.end(), r.pointArgs.begin(), r.pointArgs.end());
            for (size_t k = 0; k < r.axes.size(); ++k) {
                const auto more = AxisArguments(r.axes[k].name, values[k]);
                args.insert(args.end(), more.begin(), more.end());
            }
            for (const char* a : {"-q", "--no-progress", "-o"}) args.push_back(a);
            args.push_back(dir);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(&a[0]);
            argv.push_back(nullptr);
            posix_spawn_file_actions_t fa;
            posix_spawn_file_actions_init(&fa);
            const std::string log = dir + "/amisim.log";
            posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            posix_spawn_file_actions_adddup2(&fa, STDOUT_FILENO, STDERR_FILENO);
            pid_t pid = 0;
            const int rc = posix_spawn(&pid, r.program.c_str(), &fa, nullptr, argv.data(), environ);
            posix_spawn_file_actions_destroy(&fa);
            if (rc != 0) {
                nlohmann::json row = {{"point", p}, {"status", -1}, {"folder", dir}};
                for (size_t k = 0; k < r.axes.size(); ++k) row[r.axes[k].name] = values[k];
                rows[p] = row;
                ++failed;
                ++done;
                continue;
            }
            running[pid] = Running{p, dir, values};
        }
        if (running.empty()) break;
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (running.count(pid)) finish(pid, status);
    }
    nlohmann::json points = nlohmann::json::array();
    for (auto& kv : rows) points.push_back(kv.second);
    table["points"] = points;
    table["failed"] = failed;
    const std::string why = WriteSweepTable(r.outDir, table);
    if (!why.empty()) throw std::runtime_error(why);
    return failed;
}

namespace {

// A swept quantity's axis label with its unit.
std::string AxisLabel(const std::string& name)
{
    static const std::map<std::string, std::string> units = {
        {"loss", "loss at Nyquist (dB)"}, {"rj", "RJ (UI rms)"},        {"sj", "SJ (UI)"},
        {"sj-freq", "SJ frequency (Hz)"},  {"dcd", "DCD (UI)"},          {"stat-noise", "noise (V rms)"},
        {"bit-rate", "bit rate (bit/s)"},  {"bits", "bits simulated"}};
    const auto it = units.find(name);
    return it != units.end() ? it->second : name + " (model parameter)";
}

}  // namespace

std::string WriteSweepTable(const std::string& dir, const nlohmann::json& table)
{
    std::string why;
    const fs::path d(dir);
    std::vector<std::string> names;
    for (const auto& a : table["axes"]) names.push_back(a["name"].get<std::string>());
    {
        std::ofstream js(d / "sweep.json");
        js << table.dump(2) << "\n";
        if (!js) why += "cannot write " + (d / "sweep.json").string() + "; ";
    }
    {
        std::ofstream csv(d / "sweep.csv");
        csv << SweepCsv(table);
        if (!csv) why += "cannot write " + (d / "sweep.csv").string() + "; ";
    }
    // BER and eye height against the first axis, one line per combination
    // of the others (at most eight).
    if (!names.empty()) {
        PlotPanel ber, eye;
        ber.xLabel = eye.xLabel = AxisLabel(names[0]);
        ber.yLabel = "log10 BER";
        eye.yLabel = "eye height (mV)";
        std::map<std::string, std::vector<const nlohmann::json*>> groups;
        for (const auto& p : table["points"]) {
            std::string key;
            for (size_t k = 1; k < names.size(); ++k) key += (key.empty() ? "" : ", ") + names[k] + "=" + Cell(p.value(names[k], nlohmann::json()));
            groups[key].push_back(&p);
        }
        static const double colours[][3] = {{0.05, 0.25, 0.75}, {0.85, 0.35, 0.05}, {0.1, 0.6, 0.2}, {0.6, 0.1, 0.6},
                                            {0.4, 0.4, 0.4}, {0.8, 0.1, 0.1}, {0.1, 0.6, 0.7}, {0.6, 0.5, 0.1}};
        size_t g = 0;
        for (const auto& kv : groups) {
            if (g >= 8) break;
            const double* c = colours[g++];
            PlotSeries measured, stat, height, statHeight;
            for (PlotSeries* s : {&measured, &stat, &height, &statHeight}) {
                s->r = c[0], s->g = c[1], s->b = c[2];
                s->markers = true;
            }
            stat.dashed = statHeight.dashed = true;
            const std::string suffix = kv.first.empty() ? "" : " (" + kv.first + ")";
            measured.label = "bit-by-bit" + suffix;
            stat.label = "statistical at the centre" + suffix;
            height.label = "bit-by-bit" + suffix;
            statHeight.label = "statistical at 1e-12" + suffix;
            std::vector<const nlohmann::json*> pts = kv.second;
            auto xOf = [&](const nlohmann::json* p) {
                double x = NAN;
                Number(Cell(p->value(names[0], nlohmann::json())), x);
                return x;
            };
            std::sort(pts.begin(), pts.end(), [&](auto a, auto b) { return xOf(a) < xOf(b); });
            for (const nlohmann::json* p : pts) {
                const double x = xOf(p);
                auto num = [&](const char* k) {
                    const nlohmann::json v = p->value(k, nlohmann::json());
                    return v.is_number() ? v.get<double>() : NAN;
                };
                // No error seen: the 95 % upper bound stands for the BER,
                // drawn as a bound. An unmeasured point is left out.
                const bool bound = num("errors") == 0;
                double b = bound ? num("ber_upper_95") : num("ber");
                measured.x.push_back(x);
                measured.y.push_back(b > 0 ? std::log10(b) : NAN);
                measured.upperBound.push_back(bound);
                const double sb = num("stat_ber_at_centre");
                stat.x.push_back(x);
                stat.y.push_back(std::isfinite(sb) ? std::log10(std::max(sb, 1e-30)) : NAN);
                height.x.push_back(x);
                height.y.push_back(num("eye_height_v") * 1e3);
                statHeight.x.push_back(x);
                statHeight.y.push_back(num("stat_eye_height_v") * 1e3);
            }
            ber.series.push_back(measured);
            ber.series.push_back(stat);
            eye.series.push_back(height);
            eye.series.push_back(statHeight);
        }
        ber.yMarks.push_back({-12.0, "1e-12"});
        const std::string e = WritePanelsPng((d / "sweep.png").string(), "Sweep of " + names[0], {ber, eye});
        if (!e.empty()) why += e + "; ";
        ReleasePlotResources();
    }
    return why;
}

nlohmann::json MergeSweepTables(const std::vector<std::string>& files)
{
    std::vector<std::pair<std::string, nlohmann::json>> tables;
    for (const auto& f : files) tables.emplace_back(f, ReadSweepTable(f));
    return MergeTables(tables);
}

size_t DefaultJobs()
{
    cpu_set_t* set = CPU_ALLOC(4096);
    const size_t bytes = CPU_ALLOC_SIZE(4096);
    size_t n = 0;
    if (set && sched_getaffinity(0, bytes, set) == 0) n = static_cast<size_t>(CPU_COUNT_S(bytes, set));
    if (set) CPU_FREE(set);
    if (n == 0) n = std::thread::hardware_concurrency();
    return std::max<size_t>(1, n);
}

namespace {

// The regularised incomplete beta function I_x(a, b) by its continued
// fraction (modified Lentz), on the side of x where it converges fast.
double IncompleteBeta(double a, double b, double x)
{
    if (x <= 0.0) return 0.0;
    if (x >= 1.0) return 1.0;
    if (x > (a + 1.0) / (a + b + 2.0)) return 1.0 - IncompleteBeta(b, a, 1.0 - x);
    const double front =
        std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x)) / a;
    const double tiny = 1e-300;
    double c = 1.0, d = 1.0 - (a + b) * x / (a + 1.0);
    d = 1.0 / (std::fabs(d) < tiny ? tiny : d);
    double f = d;
    for (int m = 1; m < 1000000; ++m) {
        for (int half = 0; half < 2; ++half) {
            const double num = half == 0 ? m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m))
                                         : -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1));
            d = 1.0 + num * d;
            d = 1.0 / (std::fabs(d) < tiny ? tiny : d);
            c = 1.0 + num / c;
            if (std::fabs(c) < tiny) c = tiny;
            f *= c * d;
            if (half == 1 && std::fabs(c * d - 1.0) < 1e-15) return front * f;
        }
    }
    return front * f;
}

}  // namespace

double BerUpperBound95(unsigned long long errors, unsigned long long bits)
{
    if (bits == 0) return NAN;
    const double n = static_cast<double>(bits), k = static_cast<double>(errors);
    if (errors >= bits) return 1.0;
    if (errors == 0) return -std::expm1(std::log(0.05) / n);
    // P(X <= k) = I_{1-p}(n - k, k + 1) falls from 1 to 0 as p rises:
    // bisection for the p where it is 0.05, from k / n (where it is above
    // one half) up to 1.
    double lo = k / n, hi = 1.0;
    for (int i = 0; i < 200 && hi - lo > 1e-15 * hi; ++i) {
        const double mid = 0.5 * (lo + hi);
        (IncompleteBeta(n - k, k + 1.0, 1.0 - mid) > 0.05 ? lo : hi) = mid;
    }
    return hi;
}

}  // namespace linksim

#include "linksim/Sweep.h"

#include <fcntl.h>
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

#include "linksim/Plot.h"

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

const char* kColumns[] = {"ber", "errors", "bits_compared", "ber_upper_95", "locked", "eye_height_v", "eye_width_ui",
                          "stat_eye_height_v", "stat_eye_width_ui", "stat_ber_at_centre", "extrapolated_height_v",
                          "extrapolated_width_ui", "tj_ui", "ctle_setting", "loss_db_at_nyquist"};

std::string Cell(const nlohmann::json& v)
{
    if (v.is_null()) return "";
    if (v.is_string()) return v.get<std::string>();
    if (v.is_boolean()) return v.get<bool>() ? "1" : "0";
    if (v.is_number_float()) {
        char b[64];
        std::snprintf(b, sizeof b, "%.8g", v.get<double>());
        return b;
    }
    return v.dump();
}

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
        csv << "point";
        for (const auto& n : names) csv << "," << n;
        csv << ",status";
        for (const char* c : kColumns) csv << "," << c;
        csv << ",folder\n";
        for (const auto& p : table["points"]) {
            csv << Cell(p["point"]);
            for (const auto& n : names) csv << "," << Cell(p.value(n, nlohmann::json()));
            csv << "," << Cell(p.value("status", nlohmann::json()));
            for (const char* c : kColumns) csv << "," << Cell(p.value(c, nlohmann::json()));
            csv << "," << Cell(p.value("folder", nlohmann::json())) << "\n";
        }
        if (!csv) why += "cannot write " + (d / "sweep.csv").string() + "; ";
    }
    // BER and eye height against the first axis, one line per combination
    // of the others (at most eight).
    if (!names.empty()) {
        PlotPanel ber, eye;
        ber.xLabel = eye.xLabel = names[0];
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
                // No error seen: the 95 % upper bound stands for the BER.
                double b = num("errors") > 0 ? num("ber") : num("ber_upper_95");
                measured.x.push_back(x);
                measured.y.push_back(b > 0 ? std::log10(b) : NAN);
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
    nlohmann::json merged;
    std::map<size_t, nlohmann::json> rows;
    std::set<std::string> shards;
    for (const auto& f : files) {
        std::ifstream in(f);
        if (!in) throw std::runtime_error("cannot read " + f);
        nlohmann::json t;
        try {
            in >> t;
        } catch (const std::exception& e) {
            throw std::runtime_error(f + ": not a sweep table (" + e.what() + ")");
        }
        if (!t.contains("axes") || !t.contains("points") || !t["points"].is_array())
            throw std::runtime_error(f + ": not a sweep table (no axes or points)");
        if (merged.is_null()) {
            merged = t;
        } else if (t["axes"] != merged["axes"] || t.value("total_points", 0) != merged.value("total_points", 0)) {
            throw std::runtime_error(f + ": its sweep differs from that of " + files.front());
        }
        shards.insert(t.value("shard", std::string("?")));
        for (const auto& p : t["points"]) rows[p["point"].get<size_t>()] = p;
    }
    if (merged.is_null()) throw std::runtime_error("no sweep tables to merge");
    nlohmann::json points = nlohmann::json::array();
    size_t failed = 0;
    for (auto& kv : rows) {
        failed += kv.second.value("status", -1) != 0 ? 1 : 0;
        points.push_back(kv.second);
    }
    merged["points"] = points;
    merged["failed"] = failed;
    merged["shard"] = "merged";
    merged["merged_shards"] = std::vector<std::string>(shards.begin(), shards.end());
    merged["missing_points"] = merged.value("total_points", points.size()) - points.size();
    return merged;
}

}  // namespace linksim

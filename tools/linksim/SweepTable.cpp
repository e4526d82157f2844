#include "linksim/SweepTable.h"

#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace linksim {

namespace {

using nlohmann::json;

constexpr size_t kMaxBytes = size_t{256} << 20;
constexpr size_t kMaxDepth = 8;
constexpr size_t kMaxPoints = 100000;

// A character iterator that counts the line breaks it passes, so that the
// events of the parser below know the line they come from.
class LineIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;
    LineIterator(const char* p, size_t* line) : m_p(p), m_line(line) {}
    reference operator*() const { return *m_p; }
    LineIterator& operator++()
    {
        if (*m_p == '\n') ++*m_line;
        ++m_p;
        return *this;
    }
    bool operator==(const LineIterator& o) const { return m_p == o.m_p; }
    bool operator!=(const LineIterator& o) const { return m_p != o.m_p; }

private:
    const char* m_p;
    size_t* m_line;
};

// Builds the value as nlohmann's own parser does, refusing nesting beyond
// kMaxDepth and noting the line of each top-level key and of each element of
// "axes" and "points".
class TableSax {
public:
    TableSax(json& root, const std::string& name, const size_t* line)
        : m_dom(root, true), m_name(name), m_line(line)
    {
    }
    bool null() { return m_dom.null(); }
    bool boolean(bool v) { return m_dom.boolean(v); }
    bool number_integer(json::number_integer_t v) { return m_dom.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { return m_dom.number_unsigned(v); }
    bool number_float(json::number_float_t v, const json::string_t& s) { return m_dom.number_float(v, s); }
    bool string(json::string_t& v) { return m_dom.string(v); }
    bool binary(json::binary_t& v) { return m_dom.binary(v); }
    bool start_object(size_t n)
    {
        Enter();
        return m_dom.start_object(n);
    }
    bool end_object()
    {
        --m_depth;
        return m_dom.end_object();
    }
    bool start_array(size_t n)
    {
        Enter();
        return m_dom.start_array(n);
    }
    bool end_array()
    {
        --m_depth;
        return m_dom.end_array();
    }
    bool key(json::string_t& k)
    {
        if (m_depth == 1) {
            m_top = k;
            keyLines[k] = Line();
        }
        return m_dom.key(k);
    }
    bool parse_error(size_t, const std::string&, const nlohmann::detail::exception& e)
    {
        std::string why = e.what();
        const size_t at = why.find("] ");  // "[json.exception.parse_error.101] ..."
        if (at != std::string::npos) why = why.substr(at + 2);
        throw SweepTableError(m_name, Line(), "not JSON: " + why);
    }

    std::map<std::string, size_t> keyLines;
    std::vector<size_t> pointLines, axisLines;

private:
    size_t Line() const { return *m_line + 1; }
    void Enter()
    {
        if (++m_depth > kMaxDepth)
            throw SweepTableError(m_name, Line(), "nested more than " + std::to_string(kMaxDepth) +
                                                      " deep: not a sweep table");
        if (m_depth == 3 && m_top == "points") pointLines.push_back(Line());
        if (m_depth == 3 && m_top == "axes") axisLines.push_back(Line());
    }

    nlohmann::detail::json_sax_dom_parser<json> m_dom;
    const std::string& m_name;
    const size_t* m_line;
    size_t m_depth = 0;
    std::string m_top;
};

std::string Join(const json& words)
{
    std::string s;
    for (const auto& w : words) s += (s.empty() ? "" : " ") + w.get<std::string>();
    return s.empty() ? "(none)" : "'" + s + "'";
}

// The axes: names and values as the writer gives them; returns the number
// of points of their grid.
size_t CheckAxes(const json& t, const TableSax& sax, const std::string& name)
{
    auto fail = [&](size_t line, const std::string& why) { return SweepTableError(name, line, why); };
    const json& axes = t["axes"];
    const size_t axesLine = sax.keyLines.at("axes");
    if (!axes.is_array() || axes.empty()) throw fail(axesLine, "\"axes\" must be a list of the swept names");
    size_t total = 1;
    std::set<std::string> names;
    for (size_t k = 0; k < axes.size(); ++k) {
        const json& a = axes[k];
        const size_t line = k < sax.axisLines.size() ? sax.axisLines[k] : axesLine;
        if (!a.is_object() || !a.contains("name") || !a["name"].is_string() || a["name"].get<std::string>().empty() ||
            !a.contains("values") || !a["values"].is_array() || a["values"].empty())
            throw fail(line, "an axis needs a \"name\" and a list of \"values\"");
        for (const auto& v : a["values"])
            if (!v.is_string()) throw fail(line, "the values of axis " + a["name"].get<std::string>() + " must be texts");
        const std::string n = a["name"].get<std::string>();
        if (n == "point" || n == "status" || n == "folder" || !names.insert(n).second)
            throw fail(line, "axis name '" + n + "' is taken");
        total *= a["values"].size();
        if (total > kMaxPoints) throw fail(line, "more than 100000 points");
    }
    return total;
}

// One point's row: its index within the grid, every value a scalar of the
// type the writer gives it, every figure finite.
void CheckPoint(const json& p, size_t line, size_t total, const std::set<std::string>& axisNames,
                const std::string& name)
{
    auto fail = [&](const std::string& why) { return SweepTableError(name, line, why); };
    if (!p.is_object()) throw fail("a point must be an object");
    if (!p.contains("point") || !p["point"].is_number_unsigned() || p["point"].get<size_t>() >= total)
        throw fail("a point needs its \"point\" index, from 0 to " + std::to_string(total - 1));
    for (auto it = p.begin(); it != p.end(); ++it) {
        const std::string& k = it.key();
        const json& v = it.value();
        bool ok = v.is_null() || v.is_primitive();
        if (k == "status") ok = v.is_number_integer();
        else if (k == "folder" || axisNames.count(k)) ok = v.is_string();
        if (!ok) throw fail("point " + p["point"].dump() + ": \"" + k + "\" is not what a sweep writes there");
        if (v.is_number_float() && !std::isfinite(v.get<double>()))
            throw fail("point " + p["point"].dump() + ": \"" + k + "\" is not a finite number");
    }
}

// "I/N" with I < N <= 100000; N, or 0 when the text is no shard.
size_t ShardCount(const json& v)
{
    if (!v.is_string()) return 0;
    const std::string s = v.get<std::string>();
    const size_t slash = s.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 >= s.size() || slash > 6 || s.size() - slash > 7) return 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (i != slash && !std::isdigit(static_cast<unsigned char>(s[i]))) return 0;
    const size_t i = std::stoul(s.substr(0, slash)), n = std::stoul(s.substr(slash + 1));
    return i < n && n <= kMaxPoints ? n : 0;
}

// "shard": "I/N" (one shard) or "merged" with "merged_shards", a list of
// "I/N" of one N.
void CheckShards(const json& t, size_t shardLine, size_t listLine, const std::string& name)
{
    if (!t.contains("shard")) return;
    const json& shard = t["shard"];
    if (shard == "merged") {
        const json& list = t.contains("merged_shards") ? t["merged_shards"] : json();
        bool ok = list.is_array();
        for (size_t k = 0; ok && k < list.size(); ++k)
            ok = ShardCount(list[k]) != 0 && ShardCount(list[k]) == ShardCount(list[0]);
        if (!ok) throw SweepTableError(name, listLine, "\"merged_shards\" must list shards \"I/N\" of one N");
    } else if (ShardCount(shard) == 0) {
        throw SweepTableError(name, shardLine, "\"shard\" must be \"I/N\" with I < N, or \"merged\"");
    }
}

}  // namespace

SweepTableError::SweepTableError(const std::string& file, size_t line, const std::string& reason)
    : std::runtime_error(file + (line ? ":" + std::to_string(line) : std::string()) + ": " + reason)
{
}

const std::vector<const char*>& SweepColumns()
{
    static const std::vector<const char*> c = {
        "ber", "errors", "bits_compared", "ber_upper_95", "locked", "eye_height_v", "eye_width_ui",
        "stat_eye_height_v", "stat_eye_width_ui", "stat_ber_at_centre", "extrapolated_height_v",
        "extrapolated_width_ui", "tj_ui", "ctle_setting", "loss_db_at_nyquist"};
    return c;
}

json ParseSweepTable(const std::string& text, const std::string& name)
{
    if (text.size() > kMaxBytes) throw SweepTableError(name, 1, "larger than 256 MiB: not a sweep table");
    json t;
    size_t line = 0;
    TableSax sax(t, name, &line);
    const char* b = text.data();
    json::sax_parse(LineIterator(b, &line), LineIterator(b + text.size(), &line), &sax);
    if (!t.is_object() || !t.contains("axes") || !t.contains("points"))
        throw SweepTableError(name, 1, "not a sweep table (no axes or points)");
    const size_t total = CheckAxes(t, sax, name);
    auto lineOf = [&](const char* key) { return sax.keyLines.count(key) ? sax.keyLines.at(key) : 1; };
    if (t.contains("total_points") && (!t["total_points"].is_number_unsigned() || t["total_points"].get<size_t>() != total))
        throw SweepTableError(name, lineOf("total_points"), "\"total_points\" is not the size of the axes' grid, " +
                                                                 std::to_string(total));
    t["total_points"] = total;
    CheckShards(t, lineOf("shard"), lineOf("merged_shards"), name);
    if (t.contains("base_arguments")) {
        const json& a = t["base_arguments"];
        bool ok = a.is_array();
        for (size_t i = 0; ok && i < a.size(); ++i) ok = a[i].is_string();
        if (!ok) throw SweepTableError(name, lineOf("base_arguments"), "\"base_arguments\" must be a list of texts");
    }
    const json& points = t["points"];
    if (!points.is_array()) throw SweepTableError(name, lineOf("points"), "\"points\" must be a list");
    std::set<std::string> axisNames;
    for (const auto& a : t["axes"]) axisNames.insert(a["name"].get<std::string>());
    for (size_t i = 0; i < points.size(); ++i)
        CheckPoint(points[i], i < sax.pointLines.size() ? sax.pointLines[i] : lineOf("points"), total, axisNames, name);
    return t;
}

json ReadSweepTable(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SweepTableError(path, 0, "cannot read the file");
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxBytes) throw SweepTableError(path, 1, "larger than 256 MiB: not a sweep table");
    }
    return ParseSweepTable(text, path);
}

json MergeTables(const std::vector<std::pair<std::string, json>>& tables)
{
    if (tables.empty()) throw std::runtime_error("no sweep tables to merge");
    const std::string& first = tables.front().first;
    json merged = tables.front().second;
    const json noArgs = json::array();
    const json& baseArgs = merged.contains("base_arguments") ? merged["base_arguments"] : noArgs;
    std::map<size_t, json> rows;
    std::set<std::string> shards;
    size_t shardCount = 0;
    for (const auto& [name, t] : tables) {
        if (t["axes"] != merged["axes"])
            throw SweepTableError(name, 1, "its sweep's axes differ from those of " + first);
        const json& args = t.contains("base_arguments") ? t["base_arguments"] : noArgs;
        if (args != baseArgs)
            throw SweepTableError(name, 1, "its points ran with the arguments " + Join(args) + ", those of " + first +
                                               " with " + Join(baseArgs) + ": shards of one sweep run alike");
        json own = json::array({t.value("shard", std::string("0/1"))});
        if (own[0] == "merged") own = t["merged_shards"];
        for (const json& s : own) {
            const size_t n = ShardCount(s);
            if (shardCount && n != shardCount)
                throw SweepTableError(name, 1, "shard " + s.get<std::string>() + " is of another split than " +
                                                   std::to_string(shardCount) + " shards");
            shardCount = n;
            shards.insert(s.get<std::string>());
        }
        for (const auto& p : t["points"]) rows[p["point"].get<size_t>()] = p;
    }
    json points = json::array(), failed = json::array();
    for (auto& kv : rows) {
        const json& st = kv.second.contains("status") ? kv.second["status"] : json(-1);
        if (st != 0) failed.push_back(kv.first);
        points.push_back(kv.second);
    }
    json missingShards = json::array();
    for (size_t i = 0; i < shardCount; ++i) {
        const std::string s = std::to_string(i) + "/" + std::to_string(shardCount);
        if (!shards.count(s)) missingShards.push_back(s);
    }
    merged["points"] = points;
    merged["failed"] = failed.size();
    merged["failed_points"] = failed;
    merged["shard"] = "merged";
    merged["merged_shards"] = std::vector<std::string>(shards.begin(), shards.end());
    merged["missing_shards"] = missingShards;
    merged["missing_points"] = merged["total_points"].get<size_t>() - points.size();
    return merged;
}

std::string MergeShortfall(const json& merged)
{
    std::string s;
    auto list = [](const json& a) {
        std::string t;
        size_t k = 0;
        for (const auto& v : a) {
            if (++k > 20) return t + " and " + std::to_string(a.size() - 20) + " more";
            t += (t.empty() ? "" : ", ") + (v.is_string() ? v.get<std::string>() : v.dump());
        }
        return t;
    };
    const json failed = merged.value("failed_points", json::array());
    if (!failed.empty())
        s += failed.size() == 1 ? "1 point failed (" + list(failed) + "; its log is in its folder's amisim.log)"
                                : std::to_string(failed.size()) + " points failed (" + list(failed) +
                                      "; their logs are in their folders' amisim.log)";
    const size_t missing = merged.value("missing_points", size_t{0});
    if (missing) {
        s += std::string(s.empty() ? "" : "; ") +
             (missing == 1 ? "1 point is missing" : std::to_string(missing) + " points are missing");
        const json shards = merged.value("missing_shards", json::array());
        if (!shards.empty()) s += " (no table from shard " + list(shards) + ")";
    }
    return s;
}

std::string SweepCell(const json& v)
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

std::string SweepCsv(const json& table)
{
    const auto cell = SweepCell;
    std::vector<std::string> names;
    for (const auto& a : table["axes"]) names.push_back(a["name"].get<std::string>());
    std::ostringstream csv;
    csv << "point";
    for (const auto& n : names) csv << "," << n;
    csv << ",status";
    for (const char* c : SweepColumns()) csv << "," << c;
    csv << ",folder\n";
    for (const auto& p : table["points"]) {
        csv << cell(p.value("point", json()));
        for (const auto& n : names) csv << "," << cell(p.value(n, json()));
        csv << "," << cell(p.value("status", json()));
        for (const char* c : SweepColumns()) csv << "," << cell(p.value(c, json()));
        csv << "," << cell(p.value("folder", json())) << "\n";
    }
    return csv.str();
}

}  // namespace linksim

// The sweep table (sweep.json) as `amisim merge` reads it back: the reader
// that refuses anything but a table this program writes, and the merge of
// the shards of one sweep.
//
// Bounds on what a table file can make the reader take: at most 256 MiB of
// text, JSON nested at most 8 deep (a table needs 4), at most 100000 points
// (as a sweep), and every axis value, point index and figure of the type the
// writer gives it.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace linksim {

// A table the reader refuses: what() is "<file>:<line>: <reason>" (no line
// for a file that cannot be read).
class SweepTableError : public std::runtime_error {
public:
    SweepTableError(const std::string& file, size_t line, const std::string& reason);
};

// The figures of a point's row, in the order of the CSV columns.
const std::vector<const char*>& SweepColumns();

// Parses and checks a table's text ("axes", "points", "total_points",
// "shard", "base_arguments"); name is used in messages. Throws
// SweepTableError.
nlohmann::json ParseSweepTable(const std::string& text, const std::string& name);
nlohmann::json ReadSweepTable(const std::string& path);

// Joins checked tables (name, table) of one sweep: the axes, the point
// count and the base arguments of every table must be those of the first
// (else SweepTableError naming the file and what differs). The result has
// every point once, by index, and "failed_points" (indices whose run did
// not succeed), "missing_points" (a count), "missing_shards" ("I/N" of the
// shards none of the tables is) beside the first table's keys.
nlohmann::json MergeTables(const std::vector<std::pair<std::string, nlohmann::json>>& tables);

// What a merged table lacks, for the user: the failed points and the
// missing points and shards; empty when every point ran and succeeded.
std::string MergeShortfall(const nlohmann::json& merged);

// A table value as a CSV cell: empty for null, 1/0 for booleans, numbers
// to 8 significant digits.
std::string SweepCell(const nlohmann::json& v);

// The table as CSV text: point, the axes, status, SweepColumns(), folder.
std::string SweepCsv(const nlohmann::json& table);

}  // namespace linksim

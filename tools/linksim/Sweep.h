// Sweeps: a grid of amisim runs over model parameters and host quantities
// (loss, jitter, noise, bit rate), each point a separate amisim process in
// a folder of its own, as many at once as asked; the results gathered from
// each point's JSON summary into one table (CSV, JSON) and a picture of the
// BER and the eye height against the swept values. A grid can be split into
// shards (every N-th point) for a batch scheduler's job array, and the
// shards' tables merged afterwards.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace linksim {

struct SweepAxis {
    std::string name;                 // as given: "loss", "rj", "EQ_Level", "tx.DE_Level", ...
    std::vector<std::string> values;  // formatted as passed on
};

// "NAME=A:B" or "NAME=A:B:STEP": A, A+STEP, ... up to B (inclusive within
// rounding). STEP defaults to 1 when A and B are whole numbers, else to a
// quarter of B - A (five points). Throws std::invalid_argument.
SweepAxis ParseSweep(const std::string& text);

// The command-line words that set the axis to one of its values: host
// quantities by their option ("--loss", "3"), anything else as a model
// parameter ("--set", "EQ_Level=3").
std::vector<std::string> AxisArguments(const std::string& name, const std::string& value);
bool IsHostQuantity(const std::string& name);

// "I/N" with 0 <= I < N; throws std::invalid_argument.
void ParseShard(const std::string& text, size_t& index, size_t& count);

struct SweepRequest {
    std::vector<SweepAxis> axes;
    std::vector<std::string> baseArgs;  // the run's own arguments, sweep options and outputs left out
    // Given to every point after baseArgs but left out of the table's
    // "base_arguments": they do not change a point's result (--threads 1
    // when points run side by side), so shards run with other --jobs merge.
    std::vector<std::string> pointArgs;
    std::string program;                // amisim itself
    std::string outDir;                 // absolute
    size_t jobs = 1;
    size_t shardIndex = 0, shardCount = 1;
    bool progress = true;
    bool quiet = false;
};

// Runs the points of this shard, writes sweep.csv, sweep.json and
// sweep.png into outDir. Returns the number of points that failed (their
// exit status and log are in the table); throws std::runtime_error when the
// sweep cannot start.
size_t RunSweep(const SweepRequest& r);

// Writes the table of `table` (the JSON written by RunSweep: "axes",
// "points", ...) as sweep.csv, sweep.json and sweep.png into dir; returns
// the reasons of what could not be written (empty when all was).
std::string WriteSweepTable(const std::string& dir, const nlohmann::json& table);

// Joins shard tables: the points of all, by index, each once; the axes and
// the points' base arguments must agree (see MergeTables). Throws
// std::runtime_error (SweepTableError naming the file and line at fault).
nlohmann::json MergeSweepTables(const std::vector<std::string>& files);

// Points run at once when --jobs is not given: the CPUs this process may
// run on (its affinity mask, which a batch scheduler's --cpus-per-task
// sets), not the machine's cores; at least 1.
size_t DefaultJobs();

// One-sided 95 % upper bound of a bit error ratio after `errors` errors in
// `bits` bits (Clopper-Pearson): the p at which P(X <= errors) = 0.05 for
// X ~ Binomial(bits, p); 1 - 0.05^(1/bits) when no error was seen, 1 when
// every bit was wrong, NaN when no bit was compared.
double BerUpperBound95(unsigned long long errors, unsigned long long bits);

}  // namespace linksim

// libFuzzer target: arbitrary bytes as a shard's sweep.json through the
// table reader, then the merge of the table with itself and its CSV text. A
// table is either refused with a SweepTableError or merges whole.
//   fuzz_sweep_table tests/tools/fuzz/sweep_corpus -max_total_time=1800
#include <cstdint>
#include <string>

#include "linksim/SweepTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    nlohmann::json t;
    try {
        t = linksim::ParseSweepTable(text, "sweep.json");
    } catch (const linksim::SweepTableError&) {
        return 0;
    }
    const nlohmann::json merged = linksim::MergeTables({{"a.json", t}, {"b.json", t}});
    if (merged["points"].size() > merged["total_points"].get<size_t>()) __builtin_trap();
    (void)linksim::MergeShortfall(merged);
    (void)linksim::SweepCsv(merged);
    return 0;
}

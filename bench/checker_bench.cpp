// Speed of the IBIS file checker: a whole check (INIT, PARSE, TEST, FINI) of
// the largest file of the shared corpus, reported as lines per second.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "base/errlog.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

// The largest .ibs file of the corpus, or "" when the corpus is absent.
std::string LargestCorpusFile()
{
    const std::string dir = std::string(AMI_SHARED_DIR) + "/corpus/";
    std::string best;
    off_t bestSize = 0;
    FILE* m = std::fopen((dir + "MANIFEST.tsv").c_str(), "r");
    if (!m) return best;
    char line[8192];
    while (std::fgets(line, sizeof line, m)) {
        std::string name(line, std::string(line).find('\t'));
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".ibs") != 0) continue;
        struct stat st {};
        if (stat((dir + name).c_str(), &st) == 0 && st.st_size > bestSize) {
            bestSize = st.st_size;
            best = dir + name;
        }
    }
    std::fclose(m);
    return best;
}

void BM_CheckLargestCorpusFile(benchmark::State& state)
{
    const std::string path = LargestCorpusFile();
    if (path.empty()) {
        state.SkipWithError("no corpus");
        return;
    }
    FILE* devnull = std::fopen("/dev/null", "w");
    ERRLOG_SetOutputFile(devnull);
    PARSE_SuppressBanners(1);
    unsigned long lines = 0;
    for (auto _ : state) {
        INIT();
        if (PARSE(path.c_str(), FILE_TYPE_IBS)) (TEST)(FILE_TYPE_IBS, 0);
        lines = PARSE_GetLineNum();
        FINI();
    }
    ERRLOG_SetOutputFile(nullptr);
    std::fclose(devnull);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(lines));
    state.SetLabel(path.substr(path.rfind('/') + 1) + ", " + std::to_string(lines) + " lines; items = lines");
}
BENCHMARK(BM_CheckLargestCorpusFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

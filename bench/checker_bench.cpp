// Speed of the IBIS file checker: a whole check (INIT, PARSE, TEST, FINI) of
// the largest file of the shared corpus, and of a generated file whose
// [Rising Waveform] table has 10,000 to 100,000 rows (every row goes through
// the duplicate check of the table's first column), and of a generated
// component of 2,000 to 80,000 pins, reported as lines per second: the rate
// must not fall as the table or the component grows.
#include <benchmark/benchmark.h>

#include "BenchMain.h"
#include <sys/stat.h>

#include <unistd.h>

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

// Writes an IBIS 4.2 file with one Output model whose [Rising Waveform] has
// `rows` rows of increasing times (0p, 1p, ...) into a temporary folder; its
// path, or "" on failure. The table is over the row limit: one E2018.
std::string WaveformFile(int rows)
{
    char dir[] = "/tmp/ckbenchXXXXXX";
    if (!mkdtemp(dir)) return "";
    const std::string path = std::string(dir) + "/wave.ibs";
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return "";
    std::fprintf(f,
                 "[IBIS Ver] 4.2\n[File Name] wave.ibs\n[File Rev] 1.0\n[Component] c\n[Manufacturer] m\n"
                 "[Package]\nR_pkg 1 1 1\nL_pkg 1n 1n 1n\nC_pkg 1p 1p 1p\n[Pin] signal_name model_name\n1 a m1\n"
                 "[Model] m1\nModel_type Output\nVmeas = 0.9\nC_comp 1p 1p 1p\n[Voltage Range] 5 4.5 5.5\n"
                 "[Pulldown]\n0 0 0 0\n1 1 1 1\n[Pullup]\n0 0 0 0\n1 -1 -1 -1\n[Ramp]\n"
                 "dV/dt_r 1/1n 1/1n 1/1n\ndV/dt_f 1/1n 1/1n 1/1n\n"
                 "[Rising Waveform]\nR_fixture = 50\nV_fixture = 0\n");
    for (int i = 0; i < rows; ++i) std::fprintf(f, "%dp 1 1 1\n", i);
    std::fprintf(f, "[End]\n");
    std::fclose(f);
    return path;
}

void BM_CheckWaveformTable(benchmark::State& state)
{
    const std::string path = WaveformFile(static_cast<int>(state.range(0)));
    if (path.empty()) {
        state.SkipWithError("cannot write the file");
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
    std::remove(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(lines));
}
BENCHMARK(BM_CheckWaveformTable)->Arg(10000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Writes an IBIS 4.2 file with one component of `pins` pins (every third a
// supply pin), each in [Pin Mapping] on one of 50 bus pairs, and a [Diff Pin]
// pair for every tenth pin pair; its path, or "" on failure.
std::string ComponentFile(int pins)
{
    char dir[] = "/tmp/ckbenchXXXXXX";
    if (!mkdtemp(dir)) return "";
    const std::string path = std::string(dir) + "/pins.ibs";
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return "";
    std::fprintf(f, "[IBIS Ver] 4.2\n[File Name] pins.ibs\n[File Rev] 1.0\n[Component] c\n[Manufacturer] m\n"
                    "[Package]\nR_pkg 1 1 1\nL_pkg 1n 1n 1n\nC_pkg 1p 1p 1p\n[Pin] signal_name model_name\n");
    for (int i = 0; i < pins; ++i)
        std::fprintf(f, "%d s%d %s\n", i, i, i % 3 ? "in" : i % 2 ? "GND" : "POWER");
    std::fprintf(f, "[Pin Mapping] pulldown_ref pullup_ref\n");
    for (int i = 0; i < pins; ++i)
        std::fprintf(f, "%d G%d %s\n", i, i % 50, i % 6 == 3 ? "NC" : ("P" + std::to_string(i % 50)).c_str());
    std::fprintf(f, "[Diff Pin] inv_pin vdiff tdelay_typ\n");
    for (int i = 1; i + 1 < pins; i += 20) std::fprintf(f, "%d %d 0.1 0\n", i, i + 1);
    std::fprintf(f, "[Model] in\nModel_type Input\nVinl = 0.8\nVinh = 2.0\nC_comp 1p 1p 1p\n"
                    "[Voltage Range] 5 4.5 5.5\n[End]\n");
    std::fclose(f);
    return path;
}

// Checks the file at path over and over, as lines per second, then removes
// it, the files named in `beside` (in its folder) and the folder.
void CheckWholeFile(benchmark::State& state, const std::string& path, std::initializer_list<const char*> beside)
{
    if (path.empty()) {
        state.SkipWithError("cannot write the file");
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
    const std::string dir = path.substr(0, path.rfind('/'));
    std::remove(path.c_str());
    for (const char* f : beside) std::remove((dir + "/" + f).c_str());
    rmdir(dir.c_str());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(lines));
}

// A whole check of a component file of state.range(0) pins, as lines per
// second: pin, mapping and differential-pin look-ups go by name index, so the
// rate must not fall as the component grows.
void BM_CheckComponentPins(benchmark::State& state)
{
    CheckWholeFile(state, ComponentFile(static_cast<int>(state.range(0))), {});
}
BENCHMARK(BM_CheckComponentPins)->Arg(2000)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond);

// Writes an IBIS 7.1 file with one interconnect model of `rows` terminals and
// a component of `rows` pins with as many [Bus Label], [Repeater Pin] and
// [Clock Pins] rows; its path, or "" on failure. The Touchstone file the
// model names is written beside it.
std::string NewerTablesFile(int rows)
{
    char dir[] = "/tmp/ckbenchXXXXXX";
    if (!mkdtemp(dir)) return "";
    const std::string path = std::string(dir) + "/tables.ibs";
    FILE* ts = std::fopen((std::string(dir) + "/pkg.s4p").c_str(), "w");
    if (!ts) return "";
    std::fprintf(ts, "# GHz S MA R 50\n");
    std::fclose(ts);
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return "";
    std::fprintf(f, "[IBIS Ver] 7.1\n[File Name] tables.ibs\n[File Rev] 1.0\n[Interconnect Model Set] s\n"
                    "[Interconnect Model] a\nFile_TS pkg.s4p\nNumber_of_terminals = %d\n", rows);
    for (int i = 0; i < rows; ++i) std::fprintf(f, "%d Pin_I/O %d\n", i + 1, i);
    std::fprintf(f, "[End Interconnect Model]\n[End Interconnect Model Set]\n[Component] c\n[Manufacturer] m\n"
                    "[Package]\nR_pkg 1 1 1\nL_pkg 1n 1n 1n\nC_pkg 1p 1p 1p\n[Pin] signal_name model_name\n");
    for (int i = 0; i < rows; ++i) std::fprintf(f, "%d s%d in\n", i, i);
    std::fprintf(f, "[Repeater Pin] tx_non_inv_pin\n");
    for (int i = 0; i + 1 < rows; i += 2) std::fprintf(f, "%d %d\n", i, i + 1);
    std::fprintf(f, "[Clock Pins] clocked_pins relationship\n");
    for (int i = 1; i < rows; ++i) std::fprintf(f, "0 %d x\n", i);
    std::fprintf(f, "[Bus Label] signal_name\n");
    for (int i = 0; i < rows; ++i) std::fprintf(f, "B%d s%d\n", i, i);
    std::fprintf(f, "[Model] in\nModel_type Input\nVinl = 0.8\nVinh = 2.0\nC_comp 1p 1p 1p\n"
                    "[Voltage Range] 5 4.5 5.5\n[End]\n");
    std::fclose(f);
    return path;
}

// A whole check of a 7.1 file of state.range(0) interconnect terminals,
// bus labels, repeater and clock pins, as lines per second: the tables find
// pins by name index and keep names in hash sets, so the rate must not fall
// as the tables grow.
void BM_CheckNewerTables(benchmark::State& state)
{
    CheckWholeFile(state, NewerTablesFile(static_cast<int>(state.range(0))), {"pkg.s4p"});
}
BENCHMARK(BM_CheckNewerTables)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv); }

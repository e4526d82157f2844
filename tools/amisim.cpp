// amisim: a serial link simulated end to end through the two IBIS-AMI
// libraries, driven as a channel simulator drives them.
//
//   PRBS bits -> NRZ waveform -> tx_ami (AMI_GetWave) -> channel -> rx_ami
//
// The program turns its command line into a link configuration (models
// from their kits, --set values checked against their parameter files) and
// hands it to the link's stages (linksim/Link.h), or runs a sweep of such
// runs, one process per point, or merges the tables of a sweep's shards.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/version.h"
#include "linksim/Kit.h"
#include "linksim/Link.h"
#include "linksim/Measure.h"
#include "linksim/Reserved.h"
#include "linksim/Sweep.h"
#include "linksim/SweepTable.h"

namespace fs = std::filesystem;

namespace {

using linksim::Absolute;
using Clock = std::chrono::steady_clock;

// The command line: the link's configuration and what only the program
// itself acts on (kits to load, --set values, sweeps).
struct Options : linksim::LinkConfig {
    // Models chosen from their IBIS file, with --set values checked against
    // their parameter files (filled before the run).
    std::string txIbs, txModel, rxIbs, rxModel;
    std::vector<std::string> sets;
    bool listParams = false;
    // Sweeps.
    std::vector<std::string> sweeps;
    size_t jobs = 0;  // 0: the cores
    std::string shard;
    std::string modulationText;  // --modulation; empty: the receiver's, else NRZ
};

// The parameters of a built-in model from its parameter file beside the
// program (where the build puts the libraries and their files); null when
// the file is not there or cannot be read.
std::shared_ptr<linksim::ModelKit> BuiltinParameters(const std::string& file)
{
    const std::string path = linksim::ProgramDir() + "/" + file;
    std::error_code ec;
    if (!fs::exists(path, ec)) return nullptr;
    try {
        return std::make_shared<linksim::ModelKit>(linksim::LoadAmiFile(path));
    } catch (const std::exception&) {
        return nullptr;
    }
}

// Whole numbers written as 1e6 or 2.5e5 are taken as such; anything else
// is left to the option's own checks.
const CLI::Validator kWholeNumber(
    [](std::string& v) -> std::string {
        char* end = nullptr;
        const double x = std::strtod(v.c_str(), &end);
        if (end == v.c_str() || *end != '\0' || !std::isfinite(x) || std::fabs(x) > 9e15) return {};
        if (x != std::floor(x)) return v + " is not a whole number";
        v = std::to_string(static_cast<long long>(x));
        return {};
    },
    "", "whole number");

// An option that takes a value but is followed by nothing or by another
// option (which would otherwise be taken as its value): the reason, else
// empty.
std::string MissingValue(CLI::App& app, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.size() < 2 || a[0] != '-' || a.find('=') != std::string::npos) continue;
        const CLI::Option* opt = app.get_option_no_throw(a);
        if (!opt || opt->get_items_expected_min() == 0) continue;  // a flag
        if (i + 1 >= argc) return a + " needs a value";
        const std::string next = argv[i + 1];
        if (next.size() > 1 && next[0] == '-' && !std::isdigit(static_cast<unsigned char>(next[1])) && next[1] != '.')
            return a + " needs a value (found the option " + next + " after it)";
    }
    return {};
}

// Bad usage: the reason and where to find help; exit status 2.
int Usage(const std::string& why)
{
    std::fprintf(stderr, "amisim: %s\nRun with --help for more information.\n", why.c_str());
    return 2;
}

// One model's parameters as --set and the model options name them: a kit's
// parameter (checked against its format) or a built-in option.
struct ModelSide {
    const char* label;                       // "tx" or "rx"
    std::shared_ptr<linksim::ModelKit> kit;  // null: the built-in model
    CLI::App* group = nullptr;               // the built-in model's options
    std::map<std::string, std::string>* values = nullptr;
    // The built-in model's parameter file (beside its library), when there
    // is one: its values are checked against it as a kit's are.
    std::shared_ptr<linksim::ModelKit> builtin;

    // Empty when the built-in model's parameter file allows the value (or
    // there is no such file), else the reason.
    std::string CheckBuiltin(const std::string& name, const std::string& value) const
    {
        const linksim::AmiParameter* p = builtin ? builtin->Find(name) : nullptr;
        if (!p) return {};
        const std::string why = linksim::CheckParameterValue(*p, value);
        return why.empty() ? why : builtin->model + ": " + why;
    }

    bool Has(const std::string& name) const
    {
        if (kit) return kit->Find(name) != nullptr;
        return group && group->get_option_no_throw("--" + name) != nullptr;
    }
    std::string Names() const
    {
        std::string s;
        if (kit) {
            for (const auto& p : kit->params)
                if (p.Sent()) s += (s.empty() ? "" : " ") + p.name;
        } else if (group) {
            for (const CLI::Option* opt : group->get_options())
                if (!opt->get_lnames().empty() && std::isupper(static_cast<unsigned char>(opt->get_lnames()[0][0])))
                    s += (s.empty() ? "" : " ") + opt->get_lnames()[0];
        }
        return s;
    }
    // Empty on success, else the reason.
    std::string Set(const std::string& name, const std::string& value) const
    {
        if (kit) {
            const linksim::AmiParameter* p = kit->Find(name);
            if (!p->Sent())
                return name + " is not an input of " + kit->model + " (Usage " + p->usage +
                       (p->reserved ? ", a reserved parameter" : "") + ")";
            const std::string why = linksim::CheckParameterValue(*p, value);
            if (!why.empty()) return kit->model + ": " + why;
            (*values)[name] = value;
            return {};
        }
        const std::string why = CheckBuiltin(name, value);
        if (!why.empty()) return why;
        CLI::Option* opt = group->get_option_no_throw("--" + name);
        try {
            opt->clear();
            opt->add_result(value);
            opt->run_callback();
        } catch (const CLI::Error& e) {
            return name + "=" + value + ": " + e.what();
        }
        return {};
    }
};

// Applies the --set values, then the built-in model options given
// explicitly to a model chosen from its kit. Empty on success.
std::string ApplySettings(const std::vector<std::string>& sets, ModelSide& tx, ModelSide& rx)
{
    for (const std::string& s : sets) {
        const size_t eq = s.find('=');
        if (eq == std::string::npos || eq == 0) return "--set " + s + ": expected NAME=VALUE";
        std::string name = s.substr(0, eq);
        const std::string value = s.substr(eq + 1);
        ModelSide* side = nullptr;
        for (ModelSide* m : {&tx, &rx})
            if (name.rfind(std::string(m->label) + ".", 0) == 0) {
                side = m;
                name = name.substr(3);
            }
        if (!side) {
            const bool inTx = tx.Has(name), inRx = rx.Has(name);
            if (inTx && inRx) return "--set " + s + ": both models have " + name + "; write tx." + name + " or rx." + name;
            side = inTx ? &tx : inRx ? &rx : nullptr;
        }
        if (!side || !side->Has(name))
            return "--set " + s + ": no model parameter " + name + " (tx: " + tx.Names() + "; rx: " + rx.Names() + ")";
        const std::string why = side->Set(name, value);
        if (!why.empty()) return "--set " + s + ": " + why;
    }
    return {};
}

// The run's own arguments for the points of a sweep: the sweep options,
// the outputs (each point has its folder) and the options a sweep axis sets
// are left out.
std::vector<std::string> PointBaseArguments(int argc, char** argv, const std::vector<linksim::SweepAxis>& axes)
{
    std::set<std::string> withValue = {"--sweep", "--jobs", "--shard", "-o", "--out", "--json", "--eye-png",
                                       "--clock-png", "--stat-png", "--bathtub-png", "--channel-png", "--impulse-csv"};
    const std::set<std::string> flags = {"-q", "--quiet", "--no-progress"};
    for (const auto& a : axes)
        if (linksim::IsHostQuantity(a.name)) withValue.insert(linksim::AxisArguments(a.name, "").front());
    std::vector<std::string> out;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const std::string key = a.substr(0, a.find('='));
        if (flags.count(a)) continue;
        if (withValue.count(key)) {
            // "--opt value" (or "--opt=value"); --sweep may take several.
            if (key == a)
                while (i + 1 < argc && argv[i + 1][0] != '-') {
                    ++i;
                    if (key != "--sweep") break;
                }
            continue;
        }
        if (a.size() > 2 && a[0] == '-' && a[1] == 'o' && a[2] != '-') continue;  // -oDIR
        out.push_back(a);
    }
    return out;
}

// "amisim merge -o DIR SHARD.json...": the shards' tables joined.
int Merge(int argc, char** argv)
{
    CLI::App app{"amisim merge: joins the sweep tables (sweep.json) of the shards of one sweep"};
    std::string out = "out";
    std::vector<std::string> files;
    app.add_option("-o,--out", out, "folder of the merged sweep.csv, sweep.json and sweep.png");
    app.add_option("tables", files, "the shards' sweep.json files (or their folders)")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        return Usage(e.what());
    }
    for (auto& f : files)
        if (fs::is_directory(f)) f = (fs::path(f) / "sweep.json").string();
    try {
        const nlohmann::json merged = linksim::MergeSweepTables(files);
        std::error_code ec;
        fs::create_directories(out, ec);
        const std::string why = linksim::WriteSweepTable(Absolute(out), merged);
        if (!why.empty()) {
            std::fprintf(stderr, "amisim merge: %s\n", why.c_str());
            return 2;
        }
        std::printf("amisim merge: %zu points of %zu from %zu tables (%zu failed, %zu missing) in %s/sweep.csv, "
                    "sweep.json, sweep.png\n",
                    merged["points"].size(), merged.value("total_points", size_t{0}), files.size(),
                    merged.value("failed", size_t{0}), merged.value("missing_points", size_t{0}), Absolute(out).c_str());
        const std::string shortfall = linksim::MergeShortfall(merged);
        if (shortfall.empty()) return 0;
        std::fprintf(stderr, "amisim merge: %s\n", shortfall.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim merge: %s\n", e.what());
        return 2;
    }
}

// The command line's options, into o; the built-in models' option groups.
struct ModelGroups {
    CLI::App* tx = nullptr;
    CLI::App* rx = nullptr;
};
ModelGroups AddOptions(CLI::App& app, Options& o)
{
    app.option_defaults()->always_capture_default();
    app.set_version_flag("--version", "amisim " AMI_VERSION);
    // About 20 bytes per bit are kept for the analysis (bits, decisions,
    // decision instants, clock times of each receiver instance).
    app.add_option("-n,--bits", o.bits, "bits to simulate (1e6 is taken as 1000000)")
        ->transform(kWholeNumber)
        ->check(CLI::Range(1LL, 50000000LL));
    app.add_option("--modulation", o.modulationText,
                   "nrz, pam4 or pamN (N levels, a power of two up to 16; --bits then counts symbols); "
                   "default: the receiver parameter file's Modulation, else nrz");
    app.add_option("--prbs", o.prbs, "PRBS order: 7, 15, 23 or 31")->check(CLI::IsMember({7, 15, 23, 31}));
    app.add_option("--seed", o.seed, "PRBS start state (0: all ones)");
    app.add_option("--bit-rate", o.bitRate, "bit rate in bit/s")->check(CLI::Range(1e6, 1e12));
    app.add_option("--samples-per-bit", o.samplesPerBit, "samples per bit")->check(CLI::Range(4, 1024));
    app.add_option("--block-bits", o.blockBits, "bits per AMI_GetWave call")->check(CLI::Range(1, 1 << 20));
    auto* loss = app.add_option("--loss", o.lossDb, "built-in lossy line: loss at Nyquist in dB")
                     ->check(CLI::Range(0.0, 200.0));
    app.add_option("--channel-csv", o.channelCsv,
                   "impulse response instead of the built-in line: CSV rows of time (s), value (1/s)")
        ->check(CLI::ExistingFile)
        ->excludes(loss);
    auto* touchstone =
        app.add_option("--channel", o.channelTs,
                       "S-parameter channel, Touchstone 1.x (.s2p, .s4p) or 2.0: S21 of a 2-port, SDD21 of a 4-port")
            ->check(CLI::ExistingFile)
            ->excludes(loss);
    app.get_option("--channel-csv")->excludes(touchstone);
    app.add_option("--ports", o.ports,
                   "wiring of the Touchstone file, in-out of the positive line then of the negative line, e.g. "
                   "1-2,3-4 (default: found from the data)")
        ->needs(touchstone);
    app.add_option("--impulse-csv", o.impulseCsv, "write the channel's impulse response (time s, value 1/s) as CSV");
    app.add_option("--channel-png", o.channelPng,
                   "picture of the channel's frequency response beside the data, and its pulse response (default "
                   "<out>/channel.png with --channel)");
    auto* txLib = app.add_option("--tx-lib", o.txLib, "transmitter library (default: tx_ami.so beside amisim)");
    auto* rxLib = app.add_option("--rx-lib", o.rxLib, "receiver library (default: rx_ami.so beside amisim)");
    auto* txIbs = app.add_option("--tx-ibs", o.txIbs, "transmitter from its IBIS-AMI kit: the .ibs file")
                      ->check(CLI::ExistingFile)
                      ->excludes(txLib);
    auto* txModel = app.add_option("--tx-model", o.txModel, "the [Model] of --tx-ibs");
    txIbs->needs(txModel);
    txModel->needs(txIbs);
    auto* rxIbs = app.add_option("--rx-ibs", o.rxIbs, "receiver from its IBIS-AMI kit: the .ibs file")
                      ->check(CLI::ExistingFile)
                      ->excludes(rxLib);
    auto* rxModel = app.add_option("--rx-model", o.rxModel, "the [Model] of --rx-ibs");
    rxIbs->needs(rxModel);
    rxModel->needs(rxIbs);
    app.add_option("--set", o.sets,
                   "NAME=VALUE: a model parameter (tx.NAME or rx.NAME when both models have it); with a kit, "
                   "checked against its .ami Range or List")
        ->take_all();
    app.add_flag("--list-params", o.listParams, "print the parameters of the kit models and stop");
    auto* jg = app.add_option_group("Transmitter jitter, on the stimulus edges");
    jg->add_option("--rj", o.jitter.rjUi, "random jitter, UI rms")->check(CLI::Range(0.0, 0.15));
    jg->add_option("--sj", o.jitter.sjUi, "sinusoidal jitter amplitude, UI (peak)")->check(CLI::Range(0.0, 0.45));
    jg->add_option("--sj-freq", o.jitter.sjFrequency, "sinusoidal jitter frequency, Hz")->check(CLI::Range(0.0, 1e12));
    jg->add_option("--dcd", o.jitter.dcdUi, "duty-cycle distortion: rising less falling edge delay, UI")
        ->check(CLI::Range(-0.45, 0.45));
    jg->add_option("--jitter-seed", o.jitter.seed, "seed of the random jitter");
    auto* sg = app.add_option_group("Statistical analysis");
    sg->add_flag("!--no-stat", o.stat, "no statistical eye (it runs each model once more on a step)");
    sg->add_option("--stat-noise", o.statNoise, "Gaussian noise at the decision point, V rms")->check(CLI::Range(0.0, 10.0));
    sg->add_option("--ber", o.ber, "BER at which eye heights, widths and total jitter are given")
        ->check(CLI::Range(1e-30, 0.1));
    sg->add_option("--stat-png", o.statPng, "statistical eye picture (default <out>/stat_eye.png)");
    sg->add_option("--bathtub-png", o.bathtubPng, "bathtub picture (default <out>/bathtub.png)");
    auto* wg = app.add_option_group("Sweeps (each point a separate amisim process; see also: amisim merge --help)");
    wg->add_option("--sweep", o.sweeps,
                   "NAME=A:B[:STEP]: a model parameter, or loss, rj, sj, sj-freq, dcd, stat-noise, bit-rate, bits; "
                   "several make a grid")
        ->take_all();
    wg->add_option("--jobs", o.jobs, "points run at once (0, the default: as many as the CPUs this process may use)")
        ->check(CLI::Range(0, 1024));
    wg->add_option("--shard", o.shard, "I/N: run only the points I, I+N, I+2N, ... (for a job array)");
    app.add_option("-o,--out", o.outDir, "output folder (also where the receiver writes Adapt.txt, EOM.txt)");
    app.add_option("--json", o.json, "JSON summary (default <out>/amisim.json)");
    app.add_option("--eye-png", o.eyePng, "eye picture (default <out>/eye.png)");
    app.add_option("--clock-png", o.clockPng, "clock period picture (default <out>/clock_period.png)");
    app.add_option("--eye-bits", o.eyeBits, "last bits folded into the eye")->check(CLI::Range(4LL, 10000000LL));
    app.add_flag("!--no-eye-rx", o.eyeProbe,
                 "do not run the second receiver (RX_Config 2) that gives the eye when RX_Config is 0 or 1");
    app.add_option("--lock-window", o.lockWindow,
                   "lock: the phase stays within the tolerance of its mean over the next 4 x this many periods, "
                   "for at least this many periods")
        ->check(CLI::Range(8, 1 << 20));
    app.add_option("--lock-tolerance", o.lockToleranceUi, "lock: phase tolerance, UI")
        ->check(CLI::Range(0.001, 10.0));
    app.add_option("--ignore-bits", o.ignoreBits,
                   "bits left out of the BER and the eye at the start, besides those before lock")
        ->check(CLI::Range(0LL, 50000000LL));
    app.add_option("--max-latency", o.maxLag, "longest link latency searched when aligning, bits")
        ->check(CLI::Range(0, 1 << 20));
    app.add_flag("-q,--quiet", o.quiet, "no summary on standard output");
    app.add_flag("--no-progress", o.noProgress, "no progress bar");
    app.add_option("--threads", o.threads,
                   "1: every stage on one thread; 2: the transmitter and the channel make the next block on a "
                   "second thread while the receivers take the current one (blocks of 16384 samples and more)")
        ->check(CLI::Range(1, 2));

    auto* txg = app.add_option_group("Transmitter TX_model2");
    txg->add_option("--DE_Level,--de-level", o.tx.DE_Level, "de-emphasis filter, 0..3");
    txg->add_option("--VOD_Level,--vod-level", o.tx.VOD_Level, "output swing, 0..3");
    txg->add_option("--TX_bypass,--tx-bypass", o.tx.TX_bypass, "1 passes the stimulus through");
    auto* rxg = app.add_option_group("Receiver Vuraved_UV_IV");
    rxg->add_option("--RX_Config,--rx-config", o.rx.RX_Config,
                    "output: 0 decisions, 1 recovered clock, 2 equalised signal (default here: 2, the host "
                    "slices it at the recovered clock; the model's own default is 0)");
    rxg->add_option("--Factor,--factor", o.rx.Factor, "VCO free-running frequency in bit rates");
    rxg->add_option("--VCO_Sensitivity,--vco-sensitivity", o.rx.VCO_Sensitivity, "VCO gain, Hz per unit");
    rxg->add_option("--EQ_Level,--eq-level", o.rx.EQ_Level, "fixed CTLE setting 0..31 (CTLEAdapt 0)");
    rxg->add_option("--CTLEAdapt,--ctle-adapt", o.rx.CTLEAdapt, "1 adapts the CTLE setting, 0 uses EQ_Level");
    rxg->add_option("--EOMNbits,--eom-nbits", o.rx.EOMNbits, "clock periods per eye measurement");

    return {txg, rxg};
}

// Runs the grid of --sweep points, one process each (the model values of
// every point checked first); the exit status.
int RunSweepPoints(const Options& o, const CLI::App& app, int argc, char** argv, ModelSide& tx, ModelSide& rx)
{
    std::vector<linksim::SweepAxis> axes;
    linksim::SweepRequest req;
    try {
        for (const auto& sweepText : o.sweeps) axes.push_back(linksim::ParseSweep(sweepText));
        if (!o.shard.empty()) linksim::ParseShard(o.shard, req.shardIndex, req.shardCount);
    } catch (const std::exception& e) {
        return Usage(e.what());
    }
    size_t total = 1, mine = 0;
    for (const auto& a : axes) {
        total *= a.values.size();
        if (a.name == "loss" && (!o.channelTs.empty() || !o.channelCsv.empty()))
            return Usage("--sweep loss: the loss belongs to the built-in line, not to --channel or --channel-csv");
        if (linksim::IsHostQuantity(a.name)) continue;
        // Each value of a model parameter is checked now, not in the points.
        for (const auto& v : a.values) {
            const std::string why = ApplySettings({a.name + "=" + v}, tx, rx);
            if (!why.empty()) return Usage("--sweep " + a.name + ": " + why);
        }
    }
    for (size_t p = req.shardIndex; p < total; p += req.shardCount) ++mine;
    req.axes = axes;
    req.baseArgs = PointBaseArguments(argc, argv, axes);
    std::error_code ec;
    req.program = fs::read_symlink("/proc/self/exe", ec).string();
    if (ec) req.program = argv[0];
    req.outDir = Absolute(o.outDir);
    req.jobs = o.jobs ? o.jobs : linksim::DefaultJobs();
    // Points side by side: one thread each, unless told otherwise.
    if (req.jobs > 1 && app.count("--threads") == 0) req.pointArgs = {"--threads", "1"};
    req.progress = !o.noProgress;
    try {
        const auto t0 = Clock::now();
        const size_t failed = linksim::RunSweep(req);
        if (!o.quiet)
            std::printf("amisim: sweep of %zu points (shard %zu/%zu of %zu) in %.1f s, %zu at once: "
                        "%s/sweep.csv, sweep.json, sweep.png\n",
                        mine, req.shardIndex, req.shardCount, total,
                        std::chrono::duration<double>(Clock::now() - t0).count(), req.jobs, req.outDir.c_str());
        if (failed) {
            std::fprintf(stderr, "amisim: %zu sweep points failed; their logs are in %s/points/\n", failed,
                         req.outDir.c_str());
            return 2;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: %s\n", e.what());
        return 2;
    }
}

// What the host reads from a kit receiver's settings.
void ReceiverSettingsFromKit(Options& o)
{
    // The figures the host reads from the receiver's settings.
    auto value = [&](const char* name, int fallback) {
        const auto it = o.rxValues.find(name);
        const linksim::AmiParameter* p = o.rxKit->Find(name);
        const std::string v = it != o.rxValues.end() ? it->second : p ? p->Initial() : "";
        return v.empty() ? fallback : std::atoi(v.c_str());
    };
    // As with the built-in receiver, the host asks for the equalised
    // signal unless told otherwise (when the model offers it); a model
    // without RX_Config is taken to return its equalised signal.
    const linksim::AmiParameter* config = o.rxKit->Find("RX_Config");
    if (config && !o.rxValues.count("RX_Config") && linksim::CheckParameterValue(*config, "2").empty())
        o.rxValues["RX_Config"] = "2";
    o.rx.RX_Config = value("RX_Config", 2);
    o.rx.Factor = value("Factor", 1);
    o.rx.EQ_Level = value("EQ_Level", 0);
    o.rx.CTLEAdapt = value("CTLEAdapt", 0);
}

// The receiver's parameter file: its kit's, else the .ami beside a library
// given by path, else the built-in receiver's; null when there is none or
// it cannot be read.
std::shared_ptr<linksim::ModelKit> ReceiverParameters(const Options& o)
{
    if (o.rxKit) return o.rxKit;
    if (o.rxLib.empty()) return BuiltinParameters("rx_ami.ami");
    const std::string ami = fs::path(o.rxLib).replace_extension(".ami").string();
    std::error_code ec;
    if (!fs::exists(ami, ec)) return nullptr;
    try {
        return std::make_shared<linksim::ModelKit>(linksim::LoadAmiFile(ami));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: warning: %s: %s\n", ami.c_str(), e.what());
        return nullptr;
    }
}

// The decimal numbers of a text ("0.25 -0.1"); false when any is not one.
bool Numbers(const std::string& text, std::vector<double>& out)
{
    std::istringstream in(text);
    for (std::string w; in >> w;) {
        char* end = nullptr;
        const double v = std::strtod(w.c_str(), &end);
        if (*end != '\0' || !std::isfinite(v)) return false;
        out.push_back(v);
    }
    return true;
}

// The modulation: --modulation, else the receiver's Modulation or
// Modulation_Levels, else NRZ; the mapping from PAM4_Mapping; the
// thresholds the receiver declares (PAM4_*Threshold, PAM_Thresholds).
// Empty, or the reason the options are refused.
std::string ChooseModulation(Options& o)
{
    const auto kit = ReceiverParameters(o);
    auto initial = [&](const char* name) {
        const linksim::AmiParameter* p = kit ? kit->Find(name) : nullptr;
        std::string v = p ? p->Initial() : "";
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        return v;
    };
    linksim::Modulation& mod = o.modulation;
    std::string why;
    const std::string declared = !initial("Modulation_Levels").empty() ? "pam" + initial("Modulation_Levels")
                                                                         : initial("Modulation");
    if (!o.modulationText.empty()) {
        mod.levels = linksim::ParseModulation(o.modulationText, why);
        mod.source = "--modulation";
    } else if (!declared.empty() && !(declared == "pam2" || declared == "NRZ" || declared == "nrz")) {
        mod.levels = linksim::ParseModulation(declared, why);
        if (mod.levels == 0) return "the receiver's parameter file declares modulation " + declared + ", which amisim cannot run";
        mod.source = "the receiver's parameter file (" + kit->amiFile + ")";
    } else {
        mod.source = "default";
    }
    if (mod.levels == 0) return why;
    if (!mod.Multilevel()) return {};
    if (!o.txKit && o.txLib.empty() && o.tx.TX_bypass == 0)
        std::fprintf(stderr,
                     "amisim: warning: the built-in transmitter drives two levels (TX_bypass 0): the %s stimulus "
                     "leaves it as NRZ; --TX_bypass 1 passes the levels through\n",
                     mod.Name().c_str());
    const std::string mapping = initial("PAM4_Mapping");
    if (mod.levels == 4 && !mapping.empty()) {
        std::string lower;
        for (char c : mapping) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "binary" || lower == "natural") mod.gray = false;
        else if (lower != "gray")
            std::fprintf(stderr, "amisim: warning: PAM4_Mapping %s is not Gray or Binary; Gray mapping is used\n",
                         mapping.c_str());
    }
    std::vector<double> t;
    const std::string up = initial("PAM4_UpperThreshold"), centre = initial("PAM4_CenterThreshold"),
                      low = initial("PAM4_LowerThreshold"), pamT = initial("PAM_Thresholds");
    if (mod.levels == 4 && !up.empty() && !centre.empty() && !low.empty()) {
        if (!Numbers(low + " " + centre + " " + up, t) || t.size() != 3)
            return "the receiver's PAM4 thresholds are not numbers: " + low + ", " + centre + ", " + up;
        mod.thresholdSource = "the receiver's PAM4_LowerThreshold, PAM4_CenterThreshold, PAM4_UpperThreshold";
    } else if (!pamT.empty()) {
        if (!Numbers(pamT, t) || t.size() != static_cast<size_t>(mod.levels - 1))
            return "the receiver's PAM_Thresholds \"" + pamT + "\" are not " + std::to_string(mod.levels - 1) +
                   " numbers";
        mod.thresholdSource = "the receiver's PAM_Thresholds";
    }
    if (!std::is_sorted(t.begin(), t.end()) || std::adjacent_find(t.begin(), t.end()) != t.end())
        return "the receiver's thresholds do not rise from lowest to highest";
    mod.thresholds = t;
    return {};
}

// The models' Ignore_Bits, and what would stop the host itself: empty, or
// the reason (usage) or a failure (kit value, error set).
std::string CheckRun(Options& o, std::string& error)
{
    const linksim::IgnoreBits ib =
        linksim::ModelsIgnoreBits(o.txKit.get(), o.rxKit.get(), o.txLib.empty(), o.rxLib.empty());
    if (!ib.error.empty()) {
        error = ib.error;
        return {};
    }
    o.modelIgnoreBits = ib.bits;
    o.modelIgnoreSource = ib.source;
    // The models' reserved parameters: the transmitter's jitter joins the
    // stimulus; a model without AMI_GetWave is refused.
    for (const auto& [kit, who] : {std::pair{o.txKit.get(), "transmitter"}, std::pair{o.rxKit.get(), "receiver"}})
        if (std::string why = linksim::BitByBitRefusal(kit, who); !why.empty()) {
            error = why;
            return {};
        }
    o.reserved = linksim::ReadReservedParameters(o.txKit.get(), o.rxKit.get(), o.bitRate, ib.bits);
    linksim::CombineJitter(o.jitter, o.reserved);
    if (o.ignoreBits >= o.bits)
        return "--ignore-bits " + std::to_string(o.ignoreBits) + " leaves nothing of the " + std::to_string(o.bits) +
               " bits of the run (--bits) to measure";
    // A library given by path gets its parameters as given: it reports
    // them. Only what would stop the host itself is refused here.
    if (static_cast<long long>(o.blockBits) * o.samplesPerBit > (1LL << 24))
        return "--block-bits times --samples-per-bit must not exceed " + std::to_string(1LL << 24) + " samples";
    if (o.rx.Factor < 1) return "--Factor must be at least 1 for the clock analysis";
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "merge") return Merge(argc - 1, argv + 1);
    Options o;
    CLI::App app{"amisim: simulates a serial link through the IBIS-AMI libraries tx_ami.so and rx_ami.so"};
    const ModelGroups groups = AddOptions(app, o);
    CLI::App* txg = groups.tx;
    CLI::App* rxg = groups.rx;
    for (const char* name : {"--eye-bits", "--ignore-bits", "--block-bits"})
        app.get_option(name)->transform(kWholeNumber);
    if (const std::string why = MissingValue(app, argc, argv); !why.empty()) return Usage(why);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help
        return Usage(e.what());
    }
    // Edges come at most once a unit interval: a faster tone would alias.
    if (o.jitter.sjUi > 0.0 && o.jitter.sjFrequency > 0.5 * o.bitRate)
        return Usage("--sj-freq " + linksim::BerText(o.jitter.sjFrequency, 4) + " Hz is above half the bit rate (" +
                     linksim::BerText(0.5 * o.bitRate, 6) + " Hz): edges come at most once a unit interval");
    // Models from their kits, and the --set values.
    try {
        if (!o.txIbs.empty()) o.txKit = std::make_shared<linksim::ModelKit>(linksim::LoadModelKit(o.txIbs, o.txModel));
        if (!o.rxIbs.empty()) o.rxKit = std::make_shared<linksim::ModelKit>(linksim::LoadModelKit(o.rxIbs, o.rxModel));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: %s\n", e.what());
        return 2;
    }
    // The built-in models' parameter files, beside their libraries.
    std::shared_ptr<linksim::ModelKit> txBuiltin, rxBuiltin;
    if (!o.txKit && o.txLib.empty()) txBuiltin = BuiltinParameters("tx_ami.ami");
    if (!o.rxKit && o.rxLib.empty()) rxBuiltin = BuiltinParameters("rx_ami.ami");
    if (o.listParams) {
        bool any = false;
        for (const auto& k : {o.txKit ? o.txKit : txBuiltin, o.rxKit ? o.rxKit : rxBuiltin})
            if (k) std::printf("%s", linksim::DescribeParameters(*k).c_str()), any = true;
        if (!any) return Usage("--list-params: no parameter file for these models (give --tx-ibs/--rx-ibs)");
        return 0;
    }
    for (const auto& k : {o.txKit, o.rxKit})
        if (k && k->checkerErrors > 0)
            std::fprintf(stderr, "amisim: warning: the IBIS checker finds %lu error(s) in %s (ibis_checker tells which)\n",
                         k->checkerErrors, k->ibsPath.c_str());
    ModelSide tx{"tx", o.txKit, txg, &o.txValues, txBuiltin}, rx{"rx", o.rxKit, rxg, &o.rxValues, rxBuiltin};
    {
        std::vector<std::string> sets;
        // Model options given by name apply to a kit model as --set does,
        // and are checked against a built-in model's parameter file.
        for (ModelSide* m : {&tx, &rx})
            for (const CLI::Option* opt : m->group->get_options()) {
                if (opt->count() == 0 || opt->get_lnames().empty()) continue;
                const std::string name = opt->get_lnames()[0], value = opt->results().back();
                if (m->kit) sets.push_back(std::string(m->label) + "." + name + "=" + value);
                const std::string why = m->kit ? "" : m->CheckBuiltin(name, value);
                if (!why.empty()) return Usage("--" + name + ": " + why);
            }
        sets.insert(sets.end(), o.sets.begin(), o.sets.end());
        const std::string why = ApplySettings(sets, tx, rx);
        if (!why.empty()) return Usage(why);
    }
    if (const std::string why = ChooseModulation(o); !why.empty()) return Usage(why);
    if (!o.sweeps.empty()) return RunSweepPoints(o, app, argc, argv, tx, rx);
    if (o.rxKit) ReceiverSettingsFromKit(o);
    std::string error;
    if (const std::string why = CheckRun(o, error); !why.empty()) return Usage(why);
    if (!error.empty()) {
        std::fprintf(stderr, "amisim: %s\n", error.c_str());
        return 2;
    }
    try {
        return linksim::RunLink(o);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "amisim: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: %s\n", e.what());
    }
    return 2;
}

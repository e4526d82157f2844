#include "linksim/Link.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "linksim/BitByBit.h"
#include "linksim/LinkChannel.h"
#include "linksim/LinkModels.h"
#include "linksim/Measurement.h"
#include "linksim/Prbs.h"
#include "linksim/Report.h"
#include "linksim/Statistical.h"

namespace fs = std::filesystem;

namespace linksim {

std::string ProgramDir()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

std::string Absolute(const std::string& p)
{
    if (p.empty()) return p;
    std::error_code ec;
    const fs::path a = fs::absolute(p, ec);
    return ec ? p : a.lexically_normal().string();
}

namespace {

// "x/eye.png" -> "x/eye.csv"; another extension gets ".csv" added.
std::string CsvBeside(const std::string& png)
{
    const fs::path p(png);
    return p.extension() == ".png" ? fs::path(p).replace_extension(".csv").string() : png + ".csv";
}

}  // namespace

OutputPaths::OutputPaths(const LinkConfig& o)
    : outDir(Absolute(o.outDir)),
      json(Absolute(o.json.empty() ? outDir + "/amisim.json" : o.json)),
      eye(Absolute(o.eyePng.empty() ? outDir + "/eye.png" : o.eyePng)),
      clock(Absolute(o.clockPng.empty() ? outDir + "/clock_period.png" : o.clockPng)),
      stat(Absolute(o.statPng.empty() ? outDir + "/stat_eye.png" : o.statPng)),
      bathtub(Absolute(o.bathtubPng.empty() ? outDir + "/bathtub.png" : o.bathtubPng)),
      channelPng(o.channelTs.empty() ? Absolute(o.channelPng)
                                     : Absolute(o.channelPng.empty() ? outDir + "/channel.png" : o.channelPng)),
      impulseCsv(Absolute(o.impulseCsv)),
      eyeCsv(CsvBeside(eye)),
      statCsv(CsvBeside(stat)),
      bathtubCsv(CsvBeside(bathtub))
{
}

void OutputPaths::RemoveAll() const
{
    std::error_code ec;
    for (const std::string* p :
         {&json, &eye, &clock, &stat, &bathtub, &channelPng, &impulseCsv, &eyeCsv, &statCsv, &bathtubCsv})
        if (!p->empty()) fs::remove(*p, ec);
}

namespace {

std::string ReadFrom(const std::string& path, std::uintmax_t offset)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    in.seekg(static_cast<std::streamoff>(offset));
    std::ostringstream os;
    os << in.rdbuf();
    return os.str();
}

std::uintmax_t FileSize(const std::string& path)
{
    std::error_code ec;
    const auto s = fs::file_size(path, ec);
    return ec ? 0 : s;
}

// Every stage in order. The channel comes first, then the output folder (a
// channel that cannot be read leaves no folder behind); the run then works
// inside that folder, where the receiver writes its reports.
int RunStages(const LinkConfig& o, const OutputPaths& out)
{
    const auto tStart = Clock::now();
    const double bitTime = 1.0 / o.bitRate;
    const double dt = bitTime / o.samplesPerBit;
    LinkChannel ch;
    try {
        ch = MakeLinkChannel(o, dt, bitTime);
        for (const auto& w : ch.sparam.warnings) std::fprintf(stderr, "amisim: warning: %s\n", w.c_str());
    } catch (const PortsError& e) {
        std::fprintf(stderr, "amisim: %s\nRun with --help for more information.\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amisim: %s\n", e.what());
        return 2;
    }
    std::error_code ec;
    fs::create_directories(out.outDir, ec);
    if (ec) {
        std::fprintf(stderr, "amisim: cannot create %s: %s\n", out.outDir.c_str(), ec.message().c_str());
        return 2;
    }
    WriteChannelOutputs(ch, o, out, dt, bitTime);

    LinkModels m;
    std::string error = LoadLinkModels(o, out.outDir, m);
    if (!error.empty()) {
        std::fprintf(stderr, "amisim: %s\n", error.c_str());
        return 2;
    }
    if (!ChangeDir(out.outDir)) return 2;
    const std::string adaptPath = out.outDir + "/Adapt.txt";
    const std::uintmax_t adaptOffset = FileSize(adaptPath);
    error = InitLinkModels(m, ch.Impulse(dt), dt, bitTime);
    if (!error.empty()) {
        std::istringstream lines(error);
        for (std::string line; std::getline(lines, line);) std::fprintf(stderr, "amisim: %s\n", line.c_str());
        return 2;
    }

    // All bits first: a jittered edge at the end of a block needs the next bit.
    const bool pam = o.modulation.Multilevel();
    std::vector<uint8_t> txBits(static_cast<size_t>(o.bits) * static_cast<size_t>(pam ? o.modulation.BitsPerSymbol() : 1));
    Prbs(o.prbs, o.seed).Fill(txBits.data(), txBits.size());
    // Several levels: the symbols are sent, and each one's first bit (the
    // sign it should have) aligns the decisions.
    std::vector<uint8_t> symbols;
    if (pam) {
        symbols = SymbolsFromBits(txBits, o.modulation);
        txBits.resize(symbols.size());
        for (size_t s = 0; s < symbols.size(); ++s) txBits[s] = symbols[s] >= o.modulation.levels / 2 ? 1 : 0;
    }
    const BitByBitResult bb = RunBitByBit(o, m, m.pathTaps.empty() ? ch.taps : m.pathTaps, pam ? symbols : txBits);
    if (m.rxs.size() > 1) ChangeDir(out.outDir);
    bool closeOk = m.tx->Close();
    for (auto& r : m.rxs) {
        if (m.rxs.size() > 1) ChangeDir(r->workDir);
        closeOk = r->model->Close() && closeOk;
    }
    ChangeDir(out.outDir);
    if (!bb.ok) {
        if (!bb.error.empty()) std::fprintf(stderr, "amisim: %s\n", bb.error.c_str());
        return 2;
    }
    txBits.resize(static_cast<size_t>(bb.bitsDone));
    if (pam) symbols.resize(static_cast<size_t>(bb.bitsDone));

    const auto tAnalysis = Clock::now();
    const LinkMeasurement r =
        MeasureLink(o, m, txBits, bb.bitsDone, ReadFrom(adaptPath, adaptOffset), pam ? &symbols : nullptr);
    if (!r.toneWarning.empty()) std::fprintf(stderr, "amisim: warning: %s\n", r.toneWarning.c_str());
    LinkStatistics sa = AnalyseLink(o, m, ch.taps, r.ctleSetting, out.outDir);
    PlaceReceiverClock(sa, o.samplesPerBit, r.decRx && r.firstDecision < r.decRx->centres.size(), r.slots.phase);
    LinkReport report{o, out, ch, m, bb, r, sa};
    const ReportPictures pictures = WriteReportPictures(report);
    report.analysisSeconds = SecondsSince(tAnalysis);
    report.totalSeconds = SecondsSince(tStart);
    report.closeOk = closeOk;
    if (!WriteReportJson(report, pictures)) return 2;
    if (!o.quiet) PrintSummary(report, pictures);
    if (!closeOk) {
        std::fprintf(stderr, "amisim: AMI_Close of a model failed\n");
        return 2;
    }
    return 0;
}

}  // namespace

int RunLink(const LinkConfig& o)
{
    const OutputPaths out(o);
    std::error_code ec;
    const bool existed = fs::exists(out.outDir, ec);
    out.RemoveAll();
    int status = 2;
    try {
        status = RunStages(o, out);
    } catch (...) {
        out.RemoveAll();
        if (!existed) fs::remove(out.outDir, ec);
        throw;
    }
    if (status != 0) {
        out.RemoveAll();
        if (!existed) fs::remove(out.outDir, ec);  // only when empty
    }
    return status;
}

}  // namespace linksim

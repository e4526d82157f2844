// The models stage: the transmitter and the receiver instances loaded from
// their libraries and initialised with their parameter strings, and what
// the host gathers from each receiver while the run goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "linksim/AmiModel.h"
#include "linksim/Cost.h"
#include "linksim/WaveTail.h"

namespace linksim {

struct LinkConfig;

// One receiver instance and what the host gathers from it.
struct Receiver {
    std::unique_ptr<AmiModel> model;
    int config = 0;          // its RX_Config: what its output carries
    std::string workDir;     // where its report files go
    std::vector<double> edges;  // clock times, seconds
    size_t edgesSeen = 0;       // edges already turned into decisions
    std::vector<int8_t> decisions;
    // The signal at each decision's instant, kept when keepSamples is set
    // (several levels: the host slices them once the thresholds are known).
    bool keepSamples = false;
    std::vector<float> samples;
    std::vector<double> centres;  // decision instants, samples
    std::vector<double> periods;  // clock period of each decision, samples
    size_t restored = 0;          // clock times the interface dropped
    // The latest output: the current block and the one before it (decisions
    // look back across the block edge), or the last eyeBits bits of the
    // equalised signal (config 2).
    std::unique_ptr<WaveTail> tail;
    Cost cost;
};

// Turns the clock edges of the latest block into decisions and instants:
// the decision of the clock period [f_{k-1}, f_k] is the decision output at
// f_k (config 0) or the sign of the equalised signal at the instant
// (config 2). An interval of m > 1 periods is a clock time that the
// receiver dropped (ours carries a time that does not fit to the next call,
// but a receiver may instead drop the earliest when its clock ran fast): it
// is split into m equal periods. An interval far shorter than a period
// makes no decision of its own.
void CollectDecisions(Receiver& r, double dt, double periodSamples);

struct LinkModels {
    std::string txPath, rxPath;  // absolute library paths
    std::unique_ptr<AmiModel> tx;
    std::vector<std::unique_ptr<Receiver>> rxs;  // the primary first
    Receiver* primary = nullptr;  // the receiver as configured
    Receiver* eyeRx = nullptr;    // the instance with the equalised signal (may be the primary)
    std::string txString;         // the transmitter's parameter string
    std::string txMsg, rxMsg;     // what AMI_Init said (the primary's)
    // Models with AMI_Init only (no AMI_GetWave, or GetWave_Exists False in
    // their parameter file): the impulse response the last of them returned
    // from AMI_Init stands for the channel and them in the waveform path
    // (pathTaps, per sample), and an Init-only receiver's clock is ideal:
    // its decisions fall where that path's pulse response peaks.
    bool txInitOnly = false, rxInitOnly = false;
    std::vector<double> pathTaps;  // empty: the channel's taps
    double clockPeak = 0.0;        // samples after a pulse starts

    // The receiver's parameter string with RX_Config `config`.
    std::string RxString(int config) const;
    const LinkConfig* config = nullptr;
};

// Loads the libraries (a second receiver instance with RX_Config 2 for the
// eye when the primary gives no equalised signal and --no-eye-rx is not
// set; an Init-only receiver is one instance whose output is the path's
// signal) and sizes each receiver's output tail. Empty on success, else the
// reason.
std::string LoadLinkModels(const LinkConfig& c, const std::string& outDir, LinkModels& m);

// AMI_Init of every instance, each in its own folder, with the channel's
// impulse response (an Init-only transmitter's returned response goes on
// to the receiver; with an Init-only model the path's taps and the ideal
// clock's place are set). Empty on success, else the failures (one per line).
std::string InitLinkModels(LinkModels& m, const std::vector<double>& impulse, double dt, double bitTime);

// The ideal clock of an Init-only receiver: its edges (seconds) within
// samples [firstSample, firstSample + samples), half a bit before each
// decision instant.
void IdealClockEdges(const LinkModels& m, long long firstSample, long long samples, double dt, int spb,
                     std::vector<double>& edges);

struct ModelKit;
// The parameter file says GetWave_Exists False (null: no file).
bool NoGetWave(const ModelKit* kit);

// Changes the current folder; false with the reason on standard error.
bool ChangeDir(const std::string& dir);

}  // namespace linksim

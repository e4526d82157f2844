// A serial link simulated end to end through two IBIS-AMI libraries, driven
// as a channel simulator drives them, as a pipeline of stages:
//
//   channel      the channel's taps (built-in line, impulse CSV, Touchstone)
//   models       the libraries loaded, each AMI_Init'ed with its parameters
//   bit by bit   PRBS bits -> NRZ waveform (with jitter) -> tx AMI_GetWave ->
//                channel -> rx AMI_GetWave, one block at a time
//   measurement  lock, alignment and bit errors, the eye, the data jitter
//   statistical  the link's pulse response, the statistical eye, bathtubs
//   report       the JSON summary, the pictures and the printed summary
//
// Each stage is a unit of its own (one header each) with its inputs and
// outputs; RunLink runs them in order. The command line only fills a
// LinkConfig.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "linksim/Jitter.h"
#include "linksim/Pam.h"
#include "linksim/Reserved.h"

namespace linksim {

struct ModelKit;

// Run-time parameters of the two built-in models, defaults as their
// constructors set them, except RX_Config: the host asks for the equalised
// signal (2), which gives the eye, and slices it itself at the recovered
// clock's decision instants, where the receiver's own slicer samples it
// (within one sample). One receiver instance then gives decisions, clock
// and eye; with 0 or 1 a second instance with RX_Config 2 runs beside it
// for the eye.
struct TxParams {
    int DE_Level = 0;
    int VOD_Level = 2;
    int TX_bypass = 0;
};
struct RxParams {
    int RX_Config = 2;
    int Factor = 1;
    double VCO_Sensitivity = 8.0e8;
    int EQ_Level = 0;
    int CTLEAdapt = 1;
    int EOMNbits = 200;
};

struct LinkConfig {
    long long bits = 20000;
    int prbs = 31;
    unsigned seed = 0;  // 0: all ones
    double bitRate = 10.3125e9;
    int samplesPerBit = 64;
    int blockBits = 1024;
    double lossDb = 17.0;
    std::string channelCsv;
    std::string channelTs;   // Touchstone file
    std::string ports;       // its wiring, "1-2,3-4"; empty: found from the data
    std::string impulseCsv, channelPng;
    std::string txLib, rxLib;  // empty: the libraries beside the program
    // Jitter injected on the stimulus edges; the statistical analysis.
    JitterSpec jitter;
    bool stat = true;
    double statNoise = 0.0;
    double ber = 1e-12;
    std::string statPng, bathtubPng;
    // Models chosen from their kits (null: the built-in models), with the
    // values given for their parameters.
    std::shared_ptr<ModelKit> txKit, rxKit;
    std::map<std::string, std::string> txValues, rxValues;
    std::string outDir = "out";
    std::string json, eyePng, clockPng;
    bool eyeProbe = true;
    long long eyeBits = 10000;
    int lockWindow = 1024;
    double lockToleranceUi = 0.1;
    long long ignoreBits = 0;
    // The models' Ignore_Bits: the larger of the two, and which model gave it.
    long long modelIgnoreBits = 0;
    std::string modelIgnoreSource;
    // The models' reserved parameters: the transmitter's jitter is in
    // `jitter` already; the receiver's figures feed the statistical eye.
    ReservedEffects reserved;
    int maxLag = 4096;
    bool quiet = false;
    bool noProgress = false;
    int threads = 2;
    TxParams tx;
    RxParams rx;
    // NRZ, or PAMn: then `bits` counts symbols (unit intervals), each
    // carrying log2(n) PRBS bits.
    Modulation modulation;
};

// Where a run writes its results (absolute). Every one of them is removed
// before the run starts and again when it fails, so a script never reads
// the figures of an earlier run as this one's.
struct OutputPaths {
    std::string outDir, json, eye, clock, stat, bathtub, channelPng, impulseCsv;
    // The data of the eye, statistical eye and bathtub pictures as CSV,
    // beside them (their names with .csv for .png).
    std::string eyeCsv, statCsv, bathtubCsv;
    explicit OutputPaths(const LinkConfig& c);
    void RemoveAll() const;
};

// Runs the link and reports it; returns the exit status (0 done, 2 the run
// could not be done, the reason on standard error). A run that fails leaves
// none of its outputs behind, nor the output folder when it made that
// folder and left it empty.
int RunLink(const LinkConfig& c);

// The folder of the running program (where the built-in libraries lie), and
// a path made absolute.
std::string ProgramDir();
std::string Absolute(const std::string& p);

}  // namespace linksim

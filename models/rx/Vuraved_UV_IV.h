// Vuraved_UV_IV: the receiver's top-level model, a retiming serial-link
// receiver built as a fixed network of dataflow blocks.
//
// One Run() takes one input sample through:
//   CTLE bank       32 TimeResponseFIR filters; CtleSelect passes the output of
//                   the filter of the CTLE setting eq_code (0..31) -> ctle_out
//   DFE             eq_out = ctle_out - sum_k d_k 0.008 t_k (taps t_k fixed at
//                   0.0, so eq_out = ctle_out); five clocked decision delays
//   slicer          decision = +1.0 / -1.0 on rising edges of the CDR clock clk
//   clock recovery  PFD (VCO wave, its quadrature, eq_out) -> Add<int> ->
//                   charge-pump LoopFilter -> VCO -> vco_wave, clk
//   eye monitor     EOM histogram of eq_out on request of Adapt, which steps
//                   the CTLE setting when CTLEAdapt is 1
//   output          OutputSelect by RX_Config: 0 decisions, 1 clk as 0.0/1.0,
//                   2 eq_out; ClockTimes turns falling clk edges into the clock
//                   times of the clock port (-1.0 when there is none).
//
// Parameters (public, set before Setup): BitTime [s] > 0, SamplesPerBit > 0,
// SampleInterval [s] (the simulator's sample interval; 0.0, the default, or
// a value that gives a whole SamplesPerBit means BitTime / SamplesPerBit),
// RX_Config 0..2, Factor (VCO free-running frequency = Factor / BitTime),
// VCO_Sensitivity [Hz per unit of control], EQ_Level 0..31 (used when
// CTLEAdapt is 0), CTLEAdapt 0/1, EOMNbits (clock periods per eye measurement).
//
// Lifecycle: the network pattern of DFModel. Setup assigns every block's
// settings, copies the CTLE tables and sizes the buses; Initialize allocates
// the 310 connections (one item each; two for the one-sample-delayed start of
// the eye monitor), zeroes the feedback connections and initialises the
// blocks; Run fires every block once in a fixed schedule; Finalize finalises
// the blocks and frees connections and tables. Run allocates nothing.
//
// The CTLE bank runs in one of two ways with identical results: by default
// one shared input history serves all 32 filters and only the selected
// filter's output is computed (CtleSharedHistory); with
// SetAllCtleFilters(true), set before Initialize, every filter block runs on
// every sample, as a plain reading of the network would have it. Both sum
// each filter's taps with the FIR block's lane sum (PairwiseSum), which
// depends only on the taps and the inputs.
//
// Firing (by default, with the shared history): after a first Run that fires
// every block, Run fires only what can change what another block sees at
// this sample, and gives every block the same inputs at every sample as
// firing the whole schedule would:
//   - constants, the DFE tap selection (its control is the constant 0, so
//     the taps are the constant FixedTaps) and forks are not re-run; forks'
//     consumers get the value written straight into their connection;
//   - clocked blocks whose only state change happens at a clock edge
//     (slicer, clockdelay, NClockDelay) fire when the clock level changed, or
//     a start input changed; between such firings their Run would change
//     nothing. Adapt fires when start, ready or ack changed, likewise;
//   - the VCO's waveform is read only by the quadrature block, whose output
//     the phase detector reads only when the data level changes, and by the
//     eye monitor: the VCO decides its clock from its angle (VCO::RunClock)
//     and computes the cosine only for those samples (and the one before
//     them), and the quadrature block's asin and sine run only then;
//   - the eye monitor is left out while idle without a start edge, and its
//     64 phase outputs, which nobody reads, are not written
//     (EOM::PhaseOutputs false).
// A configuration whose constant selector controls are out of range
// (RX_Config, CTLEAdapt) or that would select the adapted DFE taps keeps
// firing the whole schedule. SetFastFiring(false), before Initialize, fires
// the whole schedule on every sample (the reference the tests compare with).
//
// Lookahead(p, n) announces that the next n input samples will be
// p[0 .. n-1]; while the inputs presented match them, the selected CTLE
// filter is computed a segment at a time by FFT (CtleLookahead) instead of
// one lane sum per sample. Such an output differs from the lane sum by at
// most CtleLookahead's error bound (FftConvolver::ErrorBound, 1.2e-10
// sum|h| max|x| at most for the default rates; rounding only); it
// is used only where that cannot change a decision: where it is further than
// the bound from 0.0 (the slicer's and the detector's threshold), and, while
// the eye monitor may sort it, further than the bound from every bin
// threshold of every window. Elsewhere the lane sum is taken. Decisions,
// clock times and the report files are therefore exactly those of the
// sample-by-sample computation; only the equalised waveform (RX_Config 2)
// may differ, by rounding, within that bound. The announced array must stay
// unchanged until the sample that presents its last element has run; earlier
// elements may be overwritten (AMI_GetWave writes the outputs over them).
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/ClockTimes.h"
#include "dataflow/ConnectionStorage.h"
#include "dataflow/ConstUnTimed.h"
#include "dataflow/DFModel.h"
#include "dataflow/Add.h"
#include "dataflow/Fork.h"
#include "dataflow/Gain.h"
#include "dataflow/Mpy.h"
#include "dataflow/Mux.h"
#include "dataflow/ScalarToScalar.h"
#include "dataflow/Sub.h"
#include "dataflow/TimeResponseFIR.h"
#include "dataflow/VCO.h"
#include "models/rx/Adapt.h"
#include "models/rx/CtleBank.h"
#include "models/rx/Delay.h"
#include "models/rx/EOM.h"
#include "models/rx/LoopFilter.h"
#include "models/rx/NClockDelay.h"
#include "models/rx/PFD.h"
#include "models/rx/clockdelay.h"
#include "models/rx/slicer.h"

class Vuraved_UV_IV : public Vantrel::DFModel {
public:
    using DoubleBuffer = Vantrel::CircularBuffer<double>;
    using IntBuffer = Vantrel::CircularBuffer<int>;
    using DoubleFork = Vantrel::Fork<DoubleBuffer>;
    using IntFork = Vantrel::Fork<IntBuffer>;
    using DoubleMux = Vantrel::Mux<DoubleBuffer>;
    using RoundToInt = Vantrel::ScalarToScalar<DoubleBuffer, IntBuffer, Vantrel::TypeConverterRound>;
    using IntToDouble = Vantrel::ScalarToScalar<IntBuffer, DoubleBuffer, Vantrel::TypeConverterAssign>;

    static constexpr int kCtleSettings = 32;
    static constexpr int kDfeTaps = 5;
    static constexpr int kConnections = 310;

    // External ports (storage attached by the entry points).
    DoubleBuffer InputPort;
    DoubleBuffer OutputPort;
    DoubleBuffer ClockPort;

    // Parameters.
    double BitTime = 9.696969696969696e-11;
    int SamplesPerBit = 64;
    // The time step of the VCO, the loop filter and the clock times
    // (TimeStep): this interval when it is not BitTime / SamplesPerBit (a bit
    // time that is not a whole number of samples), so that clock times and
    // the clock's frequency follow the simulator's own time base.
    double SampleInterval = 0.0;
    int RX_Config = 0;
    int Factor = 1;
    double VCO_Sensitivity = 8.0e8;
    int EQ_Level = 0;
    int CTLEAdapt = 1;
    int EOMNbits = 200;

    // CTLE bank.
    class Subnetwork_Subnetwork2 {
    public:
        // Filter k is built, initialised and finalised k-th; it serves the
        // setting kCtleBuildOrder[k] (models/rx/CtleTables.h).
        Vantrel::TimeResponseFIR Filters[kCtleSettings];
        DoubleMux CtleSelect;
        IntBuffer EqCode;  // control connection of CtleSelect
        DoubleFork CtleFanout;
        double BitTime = 0.0;
        double SamplesPerBit = 0.0;
        double SymbolRate = 0.0;
        double TimeStep = 0.0;

        Subnetwork_Subnetwork2();
        bool RunEquations();
        // Copies every table into new arrays held by its filter (freed by
        // DeleteArrayParameters) and sets up the filters and the selector.
        bool Setup();
        void DeleteArrayParameters();
        // The filter whose output feeds selector input m (0 <= m < 32).
        Vantrel::TimeResponseFIR& FilterOfSetting(int m) { return *m_pFilterOfSetting[m]; }

    private:
        Vantrel::TimeResponseFIR* m_pFilterOfSetting[kCtleSettings];
    };

    // DFE tap selection, with the DFE group nested.
    class Subnetwork_Subnetwork3 {
    public:
        class Subnetwork_Subnetwork3_Subnetwork3 {
        public:
            Vantrel::Sub<double> DfeSum;
            DoubleFork EqFanout;
            slicer DataSlicer;
            DoubleFork DecisionFanout0;
            clockdelay DecisionDelay[kDfeTaps];        // DecisionDelay1 .. 5
            DoubleFork DecisionFanout[kDfeTaps - 1];   // DecisionFanout1 .. 4
            Vantrel::Mpy<double> TapProduct[kDfeTaps]; // TapProduct1 .. 5
            Vantrel::Gain<double> TapGain[kDfeTaps];   // TapGain1 .. 5
            IntFork DfeClockFanout;
            // Connections of the plain-member ports.
            DoubleBuffer SlicerData, SlicerOut;
            IntBuffer SlicerClock;
            DoubleBuffer DelayData[kDfeTaps], DelayOut[kDfeTaps];
            IntBuffer DelayClock[kDfeTaps];

            bool Setup();
        };

        Subnetwork_Subnetwork3_Subnetwork3 Dfe;
        DoubleMux TapSelect[kDfeTaps];                    // TapSelect1 .. 5
        Vantrel::ConstUnTimed<double> FixedTap[kDfeTaps]; // FixedTap1 .. 5
        IntToDouble TapCodeConvert[kDfeTaps];             // TapCodeConvert1 .. 5
        RoundToInt TapSelectConvert;
        IntFork TapSelectFanout;
        IntBuffer TapSelectControl[kDfeTaps];             // control connections
        double FixedTaps[kDfeTaps] = {0.0, 0.0, 0.0, 0.0, 0.0};
        double BitTime = 0.0;
        double SamplesPerBit = 0.0;
        double SymbolRate = 0.0;
        double TimeStep = 0.0;

        bool RunEquations();
        bool Setup();
    };

    // Clock recovery, with the detector group nested.
    class Subnetwork_Subnetwork1 {
    public:
        class Subnetwork_Subnetwork1_Subnetwork1 {
        public:
            Delay QuadratureDelay;
            PFD PhaseDetector;
            Vantrel::Add<int> PumpSum;
            DoubleFork PdWaveFanout;
            // Connections of the plain-member ports.
            DoubleBuffer QuadratureOut;
            DoubleBuffer PdInPhase, PdQuadrature, PdData;
            IntBuffer PdInPhaseOut, PdQuadratureOut, PdErrorOut;

            bool Setup();
        };

        Subnetwork_Subnetwork1_Subnetwork1 Detector;
        Vantrel::VCO Vco;
        DoubleFork VcoWaveFanout;
        IntToDouble PumpConvert;
        LoopFilter CdrLoopFilter;
        DoubleFork ControlFanout;
        DoubleBuffer FilterCommand, FilterControl;  // connections of CdrLoopFilter
        double C1 = 2.2e-8;
        double C2 = 5e-11;
        double R = 100.0;
        double Ip = 2.5e-5;
        double SamplesPerBit = 0.0;
        double Factor = 0.0;
        double VCO_Sensitivity = 0.0;
        double InitialPhase = 0.0;
        double Amplitude = 1.0;
        double BitTime = 0.0;
        double SymbolRate = 0.0;
        double TimeStep = 0.0;
        double VcoFrequency = 0.0;
        double SampleInterval = 0.0;  // the model's TimeStep; 0.0: BitTime / SamplesPerBit

        bool RunEquations();
        bool Setup();
    };

    Subnetwork_Subnetwork2 Subnetwork2;
    Subnetwork_Subnetwork3 Subnetwork3;
    Subnetwork_Subnetwork1 Subnetwork1;

    // Top-level blocks.
    IntFork ClockFanout;
    Vantrel::ClockTimes ClockTimesBlock;
    NClockDelay AdaptStartDelay;
    NClockDelay EomStartDelay;
    clockdelay RequestRegister;
    EOM EyeMonitor;
    Adapt Adaptation;
    IntFork RequestFanout;
    DoubleMux EqSourceSelect;
    RoundToInt EqCodeRound;
    DoubleMux OutputSelect;
    DoubleFork EqDistribute;
    Vantrel::ConstUnTimed<double> RxConfigConst, OneConst, ZeroConst, CtleAdaptConst, EqLevelConst;
    RoundToInt RxConfigRound, OneRound, CtleAdaptRound, AckRound;
    IntToDouble ClockConvert, EqLevelConvert, RequestConvert;

    Vuraved_UV_IV();
    ~Vuraved_UV_IV() override;

    bool Setup() override;
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    bool RunEquations();
    void DeleteArrayParameters();
    void DeleteBuffers();

    // Chooses how the CTLE bank runs (see above); takes effect at the next
    // Initialize. Both ways give the same samples.
    void SetAllCtleFilters(bool bAll) { m_bAllCtleFilters = bAll; }
    bool AllCtleFilters() const { return m_bAllCtleFilters; }
    // Chooses how the network fires (see above); takes effect at the next
    // Initialize.
    void SetFastFiring(bool bFast) { m_bFastFiring = bFast; }
    // Announces the next iCount input samples (see above).
    void Lookahead(const double* pdInputs, size_t iCount) { m_CtleAhead.Announce(pdInputs, iCount); }
    // Segments of CTLE output computed ahead since Initialize.
    size_t CtleSegmentCount() const { return m_CtleAhead.SegmentCount(); }
    // Samples whose CTLE output was summed exactly although computed ahead,
    // because it lay within the error bound of a threshold.
    size_t CtleExactFallbackCount() const { return m_iExactFallbacks; }
    // Number of connection storage arrays held (310 after Initialize).
    size_t ConnectionCount() const { return m_Storage.Count(); }

    // Derived values.
    double SymbolRate = 0.0;
    double TimeStep = 0.0;

private:
    bool RunNetwork();
    bool RunFast();
    void PrepareFast();
    bool RunCtleFilters();
    bool ComputeSelectedCtle();
    double SelectedCtleOutput(int iSetting, bool bEomMaySample);

    // The model's own connection buffers: rx_in, rx_out and the clock time.
    DoubleBuffer m_RxIn;
    DoubleBuffer m_RxOut;
    DoubleBuffer m_ClockTime;
    // Connections of the plain-member ports of RequestRegister.
    DoubleBuffer m_RequestData, m_RequestOut;
    IntBuffer m_RequestClock;
    // Control connections of the top-level multiplexers.
    IntBuffer m_EqSourceControl, m_OutputControl;
    Vantrel::ConnectionStorage m_Storage;

    CtleSharedHistory m_CtleHistory;
    CtleLookahead m_CtleAhead;
    bool m_bAllCtleFilters = false;
    bool m_bFastFiring = true;
    // Fast firing: state and the connection items written directly.
    struct FastState {
        bool ready = false;      // PrepareFast accepted the configuration
        bool checked = false;    // PrepareFast has run since Initialize
        bool first = true;       // the next fast Run fires every clocked block
        int prevClock = 0;       // clk of the previous sample
        double prevDataLevel = 0.0;  // the detector's data level of the previous sample
        int prevRequest = 0;     // eom_request of the previous sample
        int prevEomStart = 0;    // the monitor's start input at the previous sample
        bool eomSkipped = false; // the monitor's Run was left out at the previous sample
        int adaptStart = 0, adaptReady = 0, adaptAck = 0;  // inputs of Adapt's last Run
        double tapTerm[kDfeTaps] = {};  // the products (1.0 d_k) g_k fed to DfeSum
        double tapGain[kDfeTaps] = {};  // g_k, constant
        double* vcoControl = nullptr;
        int* vcoClock = nullptr;
        int* clockTimesClock = nullptr;
        int* adaptStartClock = nullptr;
        int* eomStartClock = nullptr;
        int* eomClock = nullptr;
        int* eomStartStart = nullptr;
        int* adaptStartIn = nullptr;
        int* adaptReadyIn = nullptr;
        int* adaptAckIn = nullptr;
        int* request = nullptr;
        int* eqLevel = nullptr;
        int* eqCode = nullptr;
        double* ctleOut = nullptr;
        double* eomData = nullptr;
        double* eomVco = nullptr;
        double* clockTime = nullptr;
        int rxConfig = 0;
        int ctleAdapt = 0;
    } m_Fast;
    size_t m_iExactFallbacks = 0;
    bool m_bSharedCtle = false;   // the shared history is in use
    bool m_bBusesSized = false;   // Setup has sized every bus
    bool m_bWired = false;        // Initialize has attached every connection
};

// TX_model2: the transmitter's output stage, a fixed feed-forward network of
// dataflow blocks.
//
// Per sample x (the stimulus):
//
//   y = x                                        if TX_bypass = 1
//   y = g(VOD, DE) * (h_DE * (A(VOD) * sgn x))   if TX_bypass = 0
//
// with sgn x = 0 for |x| below the smallest normal double, A = 0.6, 0.5, 0.4,
// 0.3 for VOD_Level 0..3, h_DE the de-emphasis impulse response T(DE+1)
// (models/tx/TxFilterTables.h) resampled to the simulator's sample interval,
// and g the gain of the filter bank that VOD_Level selects (kLevelGains).
//
// Network (every block fires once per sample, in the order of Run, the
// constants and their rounding first; filters not selected only take their
// input, see below):
//
//   InputPort -> InputFanout -+-> SignDetect -> SwingFanout -> SwingGain0..3 -> SwingSelect
//                             |                       (SwingConst -> SwingRound: VOD_Level)
//                             |   SwingSelect -> EmphasisFanout -> Subnetwork_Data5, _Data2,
//                             |                                    _Data4, _Data3
//                             |   each subnetwork: TapFanout -> T1..T4 -> LevelGain1..4 -> LevelSelect
//                             |                       (LevelConst -> LevelRound: DE_Level)
//                             |   subnetworks -> EmphasisSelect (EmphasisConst -> EmphasisRound)
//                             +-> BypassSelect input 1; EmphasisSelect -> BypassSelect input 0
//                                 (BypassConst -> BypassRound: TX_bypass) -> OutputPort
//
// 85 connections of one item each: the two at the ports (m_InputSide,
// m_OutputSide), seven int control connections from the rounding blocks to
// the multiplexers, and 76 others.
//
// Filters that cannot matter. Of the sixteen filters at most one can reach
// OutputPort at a firing: filter DE_Level+1 of bank VOD_Level, and only when
// BypassSelect passes input 0 (TX_bypass 0). A multiplexer copies only the
// input its control selects, and one whose control is out of range copies
// nothing, so the output of any other filter (and of the gain after it) ends,
// at most, in a connection that no selected multiplexer input reads. Run
// therefore fires the control sources first (they depend on nothing else and
// post nothing), and in each bank computes only the filter that the controls
// of this firing let through, followed by its gain; the other filters and
// gains are left alone. Everything else fires as before, the multiplexers
// included, so their messages and results are unchanged. TX_bypass 1, a
// bypass or emphasis control out of range, or the selected bank's level out
// of range leave no filter to compute. The controls are constants set by
// Setup, the same at every firing of an initialised model. (Were they changed
// by a Setup between firings, a value that an unselected path left in a
// connection could still reach the port if a multiplexer after it later
// failed and so kept it; with unchanged controls, or changes that leave every
// multiplexer in range, that cannot happen.) SetAllFilters(true) fires all
// sixteen filters and gains at every sample instead, as a plain reading of
// the network has it.
//
// The shared input history. All sixteen filters receive the same sample at
// every firing (the one EmphasisFanout forwards), so their histories are
// always equal. The model keeps that history once (BankHistory, pushed at
// every firing in both modes), and the selected filter's output is its lane
// sum over that history: the same operations on the same inputs as the
// filter's own Run, hence the same bits. The filters' own histories are only
// brought up to date, by feeding them the shared history, when all sixteen
// are next fired, so a selection that changes later (a Setup between firings)
// computes from a history that saw every earlier sample.
//
// Whole blocks (RunBlock, which the entry points call for each AMI_GetWave).
// With every multiplexer control in range, every constant without initial
// delay (so a constant's output is its value at every firing and its firing
// count cannot matter), the selected filter only and the histories in step,
// a block of samples is computed straight from the network's equation: per
// sample, y = x when TX_bypass is 1, else g * lanesum(h, history) of the
// bank input A * sgn x pushed into the shared history, with A, g and h read
// from the swing gain, level gain and filter that the controls select. The
// arithmetic is that of the blocks (sign, the two products, the lane sum),
// so each output has the bits of the firing-by-firing network; only the
// connections between blocks are not rewritten, which nothing reads before
// the next firing writes them. Otherwise RunBlock fires the network sample
// by sample.
//
// Remembered lane sums (RunBlock). The bank input takes three values at
// most and a link's stimulus holds each for a bit or a good part of one, so
// the windows of the selected filter repeat (the same bits at the same
// phase). WindowMemo names each window exactly and keeps its lane sum: a
// window seen before costs a look-up, with the bits the lane sum gave it.
// The remembered sums belong to one tap array; a Setup (which may rebuild
// the taps) or another selected filter forgets them.
//
// Sample rate of the filters: FilterSamplesPerBit = SamplesPerBit, so the
// filters are resampled to the simulator's sample interval (BitTime /
// SamplesPerBit) and the de-emphasis lasts the same time at any rate. The
// filters sum their taps in sixteen lanes by tap index (FIR PairwiseSum):
// equal to the in-order sum within rounding, several times faster, and the
// same bits wherever the history window lies.
//
// Lifecycle (see DFModel.h): Setup rejects a BitTime that is not a finite
// number > 0 and a SamplesPerBit below 1, copies the tables into newly
// allocated arrays and sets up every block; Initialize allocates and wires the
// connections and resets the filters and constants; Run allocates nothing;
// Finalize and the destructor release everything and are safe whatever
// happened before. A level outside its range makes the multiplexers concerned
// post their control-range message and Run return false.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>

#include "dataflow/CMath.h"
#include "dataflow/CircularBuffer.h"
#include "dataflow/ConnectionStorage.h"
#include "dataflow/ConstUnTimed.h"
#include "dataflow/DFModel.h"
#include "dataflow/Fork.h"
#include "dataflow/Gain.h"
#include "dataflow/Mux.h"
#include "dataflow/ScalarToScalar.h"
#include "dataflow/TimeResponseFIR.h"
#include "models/tx/BankHistory.h"
#include "models/tx/WindowMemo.h"

class TX_model2 : public Vantrel::DFModel {
public:
    using DoubleBuffer = Vantrel::CircularBuffer<double>;
    using IntBuffer = Vantrel::CircularBuffer<int>;
    using RoundToInt = Vantrel::ScalarToScalar<DoubleBuffer, IntBuffer, Vantrel::TypeConverterRound>;
    using Select = Vantrel::Mux<DoubleBuffer>;
    using Fanout = Vantrel::Fork<DoubleBuffer>;
    using Constant = Vantrel::ConstUnTimed<double>;
    using Scale = Vantrel::Gain<double>;
    using Filter = Vantrel::TimeResponseFIR;

    // Gain after filter T1..T4, by subnetwork (Data5, Data2, Data4, Data3 =
    // VOD_Level 0..3).
    static const double kLevelGains[4][4];
    // Swing factor per VOD_Level 0..3 (inputs 0..3 of SwingSelect).
    static const double kSwingFactors[4];
    static constexpr int kConnections = 85;

    // One de-emphasis filter bank: TapFanout feeds T1..T4, each followed by
    // the gain of its number; LevelSelect passes path DE_Level (T1 for 0 up to
    // T4 for 3). A plain group of blocks: the model wires, initialises, runs
    // and finalises them.
    class FilterSubnetwork {
    public:
        FilterSubnetwork(const FilterSubnetwork&) = delete;
        FilterSubnetwork& operator=(const FilterSubnetwork&) = delete;

        Filter T3, T4, T1, T2;
        RoundToInt LevelRound;
        Select LevelSelect;
        IntBuffer LevelSelectControl;
        Constant LevelConst;
        Scale LevelGain1, LevelGain2, LevelGain3, LevelGain4;
        Fanout TapFanout;

        double BitTime = 9.696969696969696e-11;
        double FilterSamplesPerBit = 128.0;
        int DE_Level = 0;
        double SymbolRate = 0.0;

        bool RunEquations();
        // Copies the four tables, builds the filters at SymbolRate *
        // FilterSamplesPerBit, sizes the buses and sets the gains and the
        // level constant. Returns the AND of the filter and multiplexer results.
        bool Setup();
        void DeleteArrayParameters();

        // Filter Tn and the gain that follows it, n = 1..4.
        Filter& FilterNumber(int n);
        Scale& GainNumber(int n);
        // The filter numbers in declaration order (set-up order); the run
        // schedule visits them in reverse.
        const int* DeclarationOrder() const { return m_iDeclarationOrder; }

    protected:
        FilterSubnetwork(const double (&gains)[4], const int (&declarationOrder)[4]);
        ~FilterSubnetwork() = default;

    private:
        const double* m_pdGains;
        int m_iDeclarationOrder[4];
        std::unique_ptr<double[]> m_pdResponse[4];    // copy of table Tn at n-1
        std::unique_ptr<double[]> m_pdTimeStamps[4];
    };

    class Subnetwork_Data5 : public FilterSubnetwork {
    public:
        Subnetwork_Data5();
    };
    class Subnetwork_Data2 : public FilterSubnetwork {
    public:
        Subnetwork_Data2();
    };
    class Subnetwork_Data4 : public FilterSubnetwork {
    public:
        Subnetwork_Data4();
    };
    class Subnetwork_Data3 : public FilterSubnetwork {
    public:
        Subnetwork_Data3();
    };

    // External ports, attached by the entry points.
    DoubleBuffer InputPort;
    DoubleBuffer OutputPort;

    // Parameters.
    double BitTime = 9.696969696969696e-11;  // seconds; one bit at 10.3125 Gb/s
    int SamplesPerBit = 64;                   // filter samples per bit
    int DE_Level = 0;                         // de-emphasis filter, 0..3
    int VOD_Level = 2;                        // output swing and gain set, 0..3
    int TX_bypass = 0;                        // 0: shaped output; 1: stimulus

    Subnetwork_Data5 Data5;
    Subnetwork_Data2 Data2;
    Subnetwork_Data4 Data4;
    Subnetwork_Data3 Data3;

    RoundToInt BypassRound, EmphasisRound, SwingRound;
    Constant SwingConst;
    Scale SwingGain3, SwingGain2, SwingGain1, SwingGain0;
    Select EmphasisSelect;
    IntBuffer EmphasisSelectControl;
    Select SwingSelect;
    IntBuffer SwingSelectControl;
    Fanout EmphasisFanout;
    Vantrel::MathSgn SignDetect;
    Fanout SwingFanout;
    Select BypassSelect;
    IntBuffer BypassSelectControl;
    Constant EmphasisConst, BypassConst;
    Fanout InputFanout;

    TX_model2() = default;
    ~TX_model2() override;

    bool Setup() override;
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    // n firings on wave[0..n-1] in place, as the entry points do them: for
    // each i, InputPort[0] = wave[i], Run, wave[i] = OutputPort[0]. Stops at
    // the first firing that fails, leaving that sample and the later ones as
    // they were, and returns the number of firings that succeeded. Computes
    // the whole block at once where it can (see the header comment), with the
    // same output bits, messages and results as the firings.
    size_t RunBlock(double* wave, size_t n);

    bool RunEquations();
    void DeleteArrayParameters();
    void DeleteBuffers();

    // The subnetwork of VOD_Level v (0..3).
    FilterSubnetwork& Subnetwork(int v);
    // Number of connections currently allocated (85 after Initialize).
    size_t ConnectionCount() const { return m_Storage.Count(); }

    // false (default): at each firing only the filter whose output can reach
    // OutputPort computes its output (see the header comment). true: all
    // sixteen filters and their gains fire at every sample, as a plain reading
    // of the network has it. Both give the same output bits, messages and
    // results; may be changed at any time.
    void SetAllFilters(bool all) { m_bAllFilters = all; }
    bool AllFilters() const { return m_bAllFilters; }

    double SymbolRate = 0.0;

    // The remembered lane sums of RunBlock (see the header comment).
    const WindowMemo& Memo() const { return m_Memo; }

private:
    // Allocates one connection and attaches it to every buffer given.
    void ConnectDouble(std::initializer_list<DoubleBuffer*> ends);
    void ConnectInt(std::initializer_list<IntBuffer*> ends);
    void Attach(Vantrel::CircularBufferBase& buffer, void* storage);
    void WireSubnetwork(FilterSubnetwork& s, DoubleBuffer& in, DoubleBuffer& out);
    bool RunSubnetwork(FilterSubnetwork& s, int live);
    int LiveFilter(FilterSubnetwork& s, int v);
    bool CheckTiming();
    bool FireControls();
    // Window size that every filter has now (0 when they differ).
    size_t FilterWindow();
    // Brings the sixteen filters' own histories up to the shared one.
    bool CatchUpFilters();
    bool SelectedFromBank(Filter& f);
    // Whether RunBlock may compute the block at once; fires the control
    // sources and gives the live filter's bank and number (0: bypass).
    bool BlockPathOpen(FilterSubnetwork*& bank, int& live, double& swing);

    DoubleBuffer m_InputSide;
    DoubleBuffer m_OutputSide;
    Vantrel::ConnectionStorage m_Storage;
    // Every buffer attached by Initialize, detached again by DeleteBuffers so
    // that no block keeps a pointer to freed storage.
    static constexpr size_t kMaxAttached = 2 * kConnections + 16;
    Vantrel::CircularBufferBase* m_pAttached[kMaxAttached] = {};
    size_t m_iAttached = 0;
    bool m_bSetupOk = false;  // the last Setup succeeded
    bool m_bReady = false;    // Initialize succeeded and Finalize has not run
    bool m_bAllFilters = false;
    BankHistory m_Bank;            // the filters' shared input history
    // The selected filter's lane sums per window content (RunBlock), fed
    // every input the shared history takes; valid for m_pMemoTaps only.
    WindowMemo m_Memo;
    const double* m_pMemoTaps = nullptr;
    void PushBank(double x)
    {
        m_Bank.Push(x);
        m_Memo.Push(x);
    }
    bool m_bFiltersBehind = false; // the filters' own histories lag m_Bank
    bool m_bBankStale = false;     // a Setup changed the filters' length since Initialize
};

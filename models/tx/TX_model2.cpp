#include "models/tx/TX_model2.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dataflow/Assert.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/FIR.h"
#include "models/tx/TxFilterTables.h"

using Vantrel::DFErrorHandler;

const double TX_model2::kLevelGains[4][4] = {
    {0.16242555495397942, 0.26373626373626374, 0.23291925465838506, 0.21201413427561838},  // Data5
    {0.16241676, 0.2643055, 0.2330459, 0.211685},                                          // Data2
    {0.16240357287860333, 0.2638522427440633, 0.23296447291788003, 0.21164021164021166},   // Data4
    {0.16242555495397942, 0.26408450704225356, 0.23310023310023312, 0.21201413427561838},  // Data3
};

const double TX_model2::kSwingFactors[4] = {0.6, 0.5, 0.4, 0.3};

namespace {

// Filters in declaration order: T3, T4, then T2, T1 in Data5 and T1, T2 in the
// other three banks.
const int kOrderData5[4] = {3, 4, 2, 1};
const int kOrderOthers[4] = {3, 4, 1, 2};

}  // namespace

// ---------------------------------------------------------------------------
// Filter subnetworks

TX_model2::FilterSubnetwork::FilterSubnetwork(const double (&gains)[4],
                                              const int (&declarationOrder)[4])
    : m_pdGains(gains)
{
    std::memcpy(m_iDeclarationOrder, declarationOrder, sizeof m_iDeclarationOrder);
}

TX_model2::Subnetwork_Data5::Subnetwork_Data5() : FilterSubnetwork(kLevelGains[0], kOrderData5) {}
TX_model2::Subnetwork_Data2::Subnetwork_Data2() : FilterSubnetwork(kLevelGains[1], kOrderOthers) {}
TX_model2::Subnetwork_Data4::Subnetwork_Data4() : FilterSubnetwork(kLevelGains[2], kOrderOthers) {}
TX_model2::Subnetwork_Data3::Subnetwork_Data3() : FilterSubnetwork(kLevelGains[3], kOrderOthers) {}

TX_model2::Filter& TX_model2::FilterSubnetwork::FilterNumber(int n)
{
    switch (n) {
    case 1: return T1;
    case 2: return T2;
    case 3: return T3;
    default: VANTREL_REQUIRE(n == 4, "n >= 1 && n <= 4"); return T4;
    }
}

TX_model2::Scale& TX_model2::FilterSubnetwork::GainNumber(int n)
{
    switch (n) {
    case 1: return LevelGain1;
    case 2: return LevelGain2;
    case 3: return LevelGain3;
    default: VANTREL_REQUIRE(n == 4, "n >= 1 && n <= 4"); return LevelGain4;
    }
}

bool TX_model2::FilterSubnetwork::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    return true;
}

void TX_model2::FilterSubnetwork::DeleteArrayParameters()
{
    for (int n = 1; n <= 4; ++n) {
        Filter& f = FilterNumber(n);
        f.m_pdResponse = nullptr;
        f.m_pdTimeStamps = nullptr;
        f.m_iNumResponse = 0;
        f.m_iNumTimeStamps = 0;
        m_pdResponse[n - 1].reset();
        m_pdTimeStamps[n - 1].reset();
    }
}

bool TX_model2::FilterSubnetwork::Setup()
{
    DeleteArrayParameters();
    RunEquations();
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        const int n = m_iDeclarationOrder[i];
        Filter& f = FilterNumber(n);
        m_pdResponse[n - 1].reset(new double[kTxFilterPoints]);
        m_pdTimeStamps[n - 1].reset(new double[kTxFilterPoints]);
        std::memcpy(m_pdResponse[n - 1].get(), kTxFilterResponse[n - 1], sizeof(double) * kTxFilterPoints);
        std::memcpy(m_pdTimeStamps[n - 1].get(), kTxFilterTimeStamps, sizeof(double) * kTxFilterPoints);
        f.ResponseType = 0;  // impulse response
        f.m_pdResponse = m_pdResponse[n - 1].get();
        f.m_iNumResponse = kTxFilterPoints;
        f.m_pdTimeStamps = m_pdTimeStamps[n - 1].get();
        f.m_iNumTimeStamps = kTxFilterPoints;
        f.SampleRate = SymbolRate * FilterSamplesPerBit;
        // Lane sum: several times faster than the in-order sum of the taps,
        // equal to it within rounding (relative 1e-16 per tap).
        f.PairwiseSum = true;
        ok = f.Setup() && ok;
    }
    LevelSelect.BlockSize = 1;
    LevelSelect.Inputs.Initialize(4);
    ok = LevelSelect.Setup() && ok;
    for (int n = 1; n <= 4; ++n) GainNumber(n).GainFactor = m_pdGains[n - 1];
    LevelConst.InitialDelay = 0;
    LevelConst.Value = static_cast<double>(DE_Level);
    TapFanout.Outputs.Initialize(4);
    return ok;
}

// ---------------------------------------------------------------------------
// The model

TX_model2::~TX_model2()
{
    DeleteBuffers();
    DeleteArrayParameters();
}

TX_model2::FilterSubnetwork& TX_model2::Subnetwork(int v)
{
    switch (v) {
    case 0: return Data5;
    case 1: return Data2;
    case 2: return Data4;
    default: VANTREL_REQUIRE(v == 3, "v >= 0 && v <= 3"); return Data3;
    }
}

bool TX_model2::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    return true;
}

void TX_model2::DeleteArrayParameters()
{
    Data5.DeleteArrayParameters();
    Data2.DeleteArrayParameters();
    Data4.DeleteArrayParameters();
    Data3.DeleteArrayParameters();
}

void TX_model2::DeleteBuffers()
{
    m_bReady = false;
    for (size_t i = 0; i < m_iAttached; ++i) {
        m_pAttached[i]->SetBuffer(nullptr, 0, m_pAttached[i]->GetRate(), 0);
        m_pAttached[i] = nullptr;
    }
    m_iAttached = 0;
    m_Storage.DeleteBuffers();
}

// A bit time that is zero, negative or not finite would give the filters an
// infinite or undefined sample rate, and a SamplesPerBit below 1 no sample
// grid at all; both are refused before any filter is built.
bool TX_model2::CheckTiming()
{
    bool ok = true;
    char text[160];
    if (!(BitTime > 0.0) || !std::isfinite(BitTime)) {
        std::snprintf(text, sizeof text, "BitTime must be a finite number of seconds > 0.0 (BitTime = %g)",
                      BitTime);
        DFErrorHandler::PostError(this, text);
        ok = false;
    }
    if (SamplesPerBit < 1) {
        std::snprintf(text, sizeof text, "SamplesPerBit must be >= 1 (SamplesPerBit = %d)", SamplesPerBit);
        DFErrorHandler::PostError(this, text);
        ok = false;
    }
    return ok;
}

bool TX_model2::Setup()
{
    m_bSetupOk = false;
    DeleteArrayParameters();
    RunEquations();
    const bool timingOk = CheckTiming();
    bool ok = timingOk;

    FilterSubnetwork* banks[4] = {&Data5, &Data2, &Data4, &Data3};
    for (FilterSubnetwork* s : banks) {
        s->BitTime = 1.0 / SymbolRate;
        s->FilterSamplesPerBit = static_cast<double>(SamplesPerBit);
        s->DE_Level = DE_Level;
        if (timingOk) ok = s->Setup() && ok;
    }

    SwingConst.InitialDelay = 0;
    SwingConst.Value = static_cast<double>(VOD_Level);
    SwingGain3.GainFactor = kSwingFactors[3];
    SwingGain2.GainFactor = kSwingFactors[2];
    SwingGain1.GainFactor = kSwingFactors[1];
    SwingGain0.GainFactor = kSwingFactors[0];

    EmphasisSelect.BlockSize = 1;
    EmphasisSelect.Inputs.Initialize(4);
    ok = EmphasisSelect.Setup() && ok;
    SwingSelect.BlockSize = 1;
    SwingSelect.Inputs.Initialize(4);
    ok = SwingSelect.Setup() && ok;

    EmphasisFanout.Outputs.Initialize(4);
    ok = SignDetect.Setup() && ok;
    SwingFanout.Outputs.Initialize(4);

    BypassSelect.BlockSize = 1;
    BypassSelect.Inputs.Initialize(2);
    ok = BypassSelect.Setup() && ok;

    EmphasisConst.InitialDelay = 0;
    EmphasisConst.Value = static_cast<double>(VOD_Level);
    BypassConst.InitialDelay = 0;
    BypassConst.Value = static_cast<double>(TX_bypass);

    InputFanout.Outputs.Initialize(2);

    InputPort.SetRate(1);
    OutputPort.SetRate(1);
    // Filters of another length have dropped their histories (FIR Setup):
    // the shared history no longer fits them either, until Initialize.
    if (m_Bank.Allocated() && FilterWindow() != m_Bank.Depth()) m_bBankStale = true;
    // The taps may have been rebuilt (another rate or level): their sums go.
    m_Memo.Forget();
    m_pMemoTaps = nullptr;
    m_bSetupOk = ok;
    return ok;
}

size_t TX_model2::FilterWindow()
{
    const size_t w = Data5.T1.GetWindowSize();
    for (int v = 0; v < 4; ++v)
        for (int n = 1; n <= 4; ++n)
            if (Subnetwork(v).FilterNumber(n).GetWindowSize() != w) return 0;
    return w;
}

void TX_model2::Attach(Vantrel::CircularBufferBase& buffer, void* storage)
{
    VANTREL_REQUIRE(m_iAttached < kMaxAttached, "m_iAttached < kMaxAttached");
    buffer.SetBuffer(storage, 1, 1, 0);
    m_pAttached[m_iAttached++] = &buffer;
}

void TX_model2::ConnectDouble(std::initializer_list<DoubleBuffer*> ends)
{
    double* storage = m_Storage.NewDouble();
    for (DoubleBuffer* b : ends) Attach(*b, storage);
}

void TX_model2::ConnectInt(std::initializer_list<IntBuffer*> ends)
{
    int* storage = m_Storage.NewInt();
    for (IntBuffer* b : ends) Attach(*b, storage);
}

// 14 connections inside a bank, plus its input and its output.
void TX_model2::WireSubnetwork(FilterSubnetwork& s, DoubleBuffer& in, DoubleBuffer& out)
{
    ConnectDouble({&in, &s.TapFanout.Input});
    for (int n = 1; n <= 4; ++n) {
        ConnectDouble({&s.TapFanout.Outputs[n - 1], &s.FilterNumber(n).Input});
        ConnectDouble({&s.FilterNumber(n).Output, &s.GainNumber(n).Input});
        ConnectDouble({&s.GainNumber(n).Output, &s.LevelSelect.Inputs[n - 1]});
    }
    ConnectDouble({&s.LevelConst.Output, &s.LevelRound.Input});
    ConnectInt({&s.LevelRound.Output, &s.LevelSelectControl});
    ConnectDouble({&s.LevelSelect.Output, &out});
}

bool TX_model2::Initialize()
{
    DeleteBuffers();
    // The wiring needs the buses that a successful Setup sizes.
    if (!m_bSetupOk) {
        DFErrorHandler::PostError(this, "TX_model2 cannot be initialized before a successful Setup");
        return false;
    }
    m_Storage.Reserve(kConnections);

    ConnectDouble({&m_InputSide, &InputFanout.Input});
    ConnectDouble({&InputFanout.Outputs[0], &SignDetect.Input});
    ConnectDouble({&InputFanout.Outputs[1], &BypassSelect.Inputs[1]});
    ConnectDouble({&SignDetect.Output, &SwingFanout.Input});
    Scale* swingGains[4] = {&SwingGain0, &SwingGain1, &SwingGain2, &SwingGain3};
    for (size_t i = 0; i < 4; ++i) {
        ConnectDouble({&SwingFanout.Outputs[i], &swingGains[i]->Input});
        ConnectDouble({&swingGains[i]->Output, &SwingSelect.Inputs[i]});
    }
    ConnectDouble({&SwingConst.Output, &SwingRound.Input});
    ConnectInt({&SwingRound.Output, &SwingSelectControl});
    ConnectDouble({&SwingSelect.Output, &EmphasisFanout.Input});
    for (int v = 0; v < 4; ++v)
        WireSubnetwork(Subnetwork(v), EmphasisFanout.Outputs[static_cast<size_t>(v)],
                       EmphasisSelect.Inputs[static_cast<size_t>(v)]);
    ConnectDouble({&EmphasisConst.Output, &EmphasisRound.Input});
    ConnectInt({&EmphasisRound.Output, &EmphasisSelectControl});
    ConnectDouble({&EmphasisSelect.Output, &BypassSelect.Inputs[0]});
    ConnectDouble({&BypassConst.Output, &BypassRound.Input});
    ConnectInt({&BypassRound.Output, &BypassSelectControl});
    ConnectDouble({&BypassSelect.Output, &m_OutputSide});
    VANTREL_REQUIRE(m_Storage.Count() == static_cast<size_t>(kConnections),
                    "m_Storage.Count() == kConnections");

    bool ok = true;
    for (int v = 0; v < 4; ++v) {
        FilterSubnetwork& s = Subnetwork(v);
        for (int n = 1; n <= 4; ++n) ok = s.FilterNumber(n).Initialize() && ok;
    }
    for (int v = 0; v < 4; ++v) ok = Subnetwork(v).LevelConst.Initialize() && ok;
    ok = SwingConst.Initialize() && ok;
    ok = EmphasisConst.Initialize() && ok;
    ok = BypassConst.Initialize() && ok;
    // The shared history starts from rest like the filters; the spare room
    // makes its moves rare: one move of a window per window of samples (or
    // per 4096 samples) costs less than one sample's dot product.
    const size_t window = FilterWindow();
    if (window == 0) {
        ok = false;  // filters of different lengths cannot share one
    } else {
        m_Bank.Allocate(window, window > 4096 ? window : 4096);
        // 4 MiB: a few hundred bit patterns at every phase for the longest
        // filters a link uses (thousands of taps), thousands for the usual.
        m_Memo.Allocate(static_cast<size_t>(Data5.T1.m_iNumTaps), size_t(4) << 20);
        m_pMemoTaps = nullptr;
    }
    m_bFiltersBehind = false;
    m_bBankStale = false;
    m_bReady = ok;
    return ok;
}

// Fires one bank. Filter `live` (1..4; 0 for none) is computed from the
// shared history and its gain fired; the other filters and gains are left
// alone, unless every filter is to run.
bool TX_model2::RunSubnetwork(FilterSubnetwork& s, int live)
{
    bool ok = s.TapFanout.Run();
    const int* order = s.DeclarationOrder();
    for (int i = 3; i >= 0; --i) {
        const int n = order[i];
        if (m_bAllFilters) {
            ok = s.FilterNumber(n).Run() && ok;
            ok = s.GainNumber(n).Run() && ok;
        } else if (n == live) {
            ok = SelectedFromBank(s.FilterNumber(n)) && ok;
            ok = s.GainNumber(n).Run() && ok;
        }
    }
    s.LevelSelect.Control = s.LevelSelectControl[0];
    ok = s.LevelSelect.Run() && ok;
    return ok;
}

// The filter's output from the shared history: the lane sum its own Run
// forms (one phase, stride 1, all taps, newest input first).
bool TX_model2::SelectedFromBank(Filter& f)
{
    if (m_bBankStale) return false;  // as the filter itself, whose history is gone
    f.Output[0] = Vantrel::FirKernel::DotLanes(f.m_pdTaps, 1, m_Bank.Window(),
                                               static_cast<size_t>(f.m_iNumTaps));
    return true;
}

// Feeds every filter the shared history, oldest first: a window of H inputs
// then holds exactly the last H. The filters' input connections are written
// on the way; TapFanout writes them again before any filter reads them.
bool TX_model2::CatchUpFilters()
{
    if (m_bBankStale) return false;
    const double* x = m_Bank.Window();
    bool ok = true;
    for (int v = 0; v < 4; ++v)
        for (int n = 1; n <= 4; ++n) {
            Filter& f = Subnetwork(v).FilterNumber(n);
            for (size_t j = m_Bank.Depth(); j-- > 0;) {
                f.Input[0] = x[j];
                ok = f.Feed() && ok;
            }
        }
    m_bFiltersBehind = false;
    return ok;
}

// The filter whose output reaches OutputPort at this firing, given the
// control values of this firing: filter DE+1 of bank VOD when BypassSelect
// passes input 0 and EmphasisSelect and that bank's LevelSelect pass an
// input; 0 (none) otherwise. A multiplexer whose control is out of range
// writes nothing, so nothing upstream of it can reach the output.
int TX_model2::LiveFilter(FilterSubnetwork& s, int v)
{
    if (BypassSelectControl[0] != 0 || EmphasisSelectControl[0] != v) return 0;
    const int level = s.LevelSelectControl[0];
    return level >= 0 && level < 4 ? level + 1 : 0;
}

// The control sources: they read nothing but their own constants and post
// nothing, so firing them before the signal path changes no value, and it
// tells which filter the multiplexers will pass.
bool TX_model2::FireControls()
{
    bool ok = SwingConst.Run();
    ok = SwingRound.Run() && ok;
    for (int v = 0; v < 4; ++v) {
        FilterSubnetwork& s = Subnetwork(v);
        ok = s.LevelConst.Run() && ok;
        ok = s.LevelRound.Run() && ok;
    }
    ok = EmphasisConst.Run() && ok;
    ok = EmphasisRound.Run() && ok;
    ok = BypassConst.Run() && ok;
    ok = BypassRound.Run() && ok;
    return ok;
}

bool TX_model2::Run()
{
    if (!m_bReady) {
        DFErrorHandler::PostError(this, "TX_model2 cannot run before a successful Setup and Initialize");
        return false;
    }
    InputPort.Copy(0, &m_InputSide, 0, 1);
    bool ok = FireControls();
    // A Setup to another filter length left every filter without history:
    // no firing succeeds until Initialize.
    if (m_bBankStale) ok = false;
    if (m_bAllFilters && m_bFiltersBehind) ok = CatchUpFilters() && ok;

    ok = InputFanout.Run() && ok;
    ok = SignDetect.Run() && ok;
    ok = SwingFanout.Run() && ok;
    ok = SwingGain0.Run() && ok;
    ok = SwingGain1.Run() && ok;
    ok = SwingGain2.Run() && ok;
    ok = SwingGain3.Run() && ok;
    SwingSelect.Control = SwingSelectControl[0];
    ok = SwingSelect.Run() && ok;
    ok = EmphasisFanout.Run() && ok;
    // What every filter takes in at this firing.
    if (!m_bBankStale) PushBank(EmphasisFanout.Outputs[0][0]);
    if (!m_bAllFilters) m_bFiltersBehind = true;

    ok = RunSubnetwork(Data3, LiveFilter(Data3, 3)) && ok;
    ok = RunSubnetwork(Data4, LiveFilter(Data4, 2)) && ok;
    ok = RunSubnetwork(Data2, LiveFilter(Data2, 1)) && ok;
    ok = RunSubnetwork(Data5, LiveFilter(Data5, 0)) && ok;

    EmphasisSelect.Control = EmphasisSelectControl[0];
    ok = EmphasisSelect.Run() && ok;
    BypassSelect.Control = BypassSelectControl[0];
    ok = BypassSelect.Run() && ok;

    m_OutputSide.Copy(0, &OutputPort, 0, 1);
    return ok;
}

bool TX_model2::BlockPathOpen(FilterSubnetwork*& bank, int& live, double& swing)
{
    if (!m_bReady || m_bAllFilters || m_bBankStale) return false;
    const Constant* constants[7] = {&SwingConst, &EmphasisConst, &BypassConst, &Data5.LevelConst,
                                    &Data2.LevelConst, &Data4.LevelConst, &Data3.LevelConst};
    for (const Constant* c : constants)
        if (c->InitialDelay != 0) return false;
    if (!FireControls()) return false;
    const int vod = SwingSelectControl[0];
    const int emphasis = EmphasisSelectControl[0];
    const int bypass = BypassSelectControl[0];
    if (vod < 0 || vod > 3 || emphasis < 0 || emphasis > 3 || bypass < 0 || bypass > 1) return false;
    for (int v = 0; v < 4; ++v) {
        const int level = Subnetwork(v).LevelSelectControl[0];
        if (level < 0 || level > 3) return false;
    }
    const Scale* swingGains[4] = {&SwingGain0, &SwingGain1, &SwingGain2, &SwingGain3};
    swing = swingGains[vod]->GainFactor;
    bank = &Subnetwork(emphasis);
    live = bypass == 0 ? LiveFilter(*bank, emphasis) : 0;
    return true;
}

size_t TX_model2::RunBlock(double* wave, size_t n)
{
    FilterSubnetwork* bank = nullptr;
    int live = 0;
    double swing = 0.0;
    if (n == 0) return 0;
    if (!BlockPathOpen(bank, live, swing)) {
        for (size_t i = 0; i < n; ++i) {
            InputPort[0] = wave[i];
            if (!Run()) return i;
            wave[i] = OutputPort[0];
        }
        return n;
    }
    m_bFiltersBehind = true;
    if (live == 0) {  // bypass: the stimulus passes, the filters still take their input
        for (size_t i = 0; i < n; ++i) PushBank(swing * Vantrel::MathSign(wave[i]));
        return n;
    }
    const Filter& f = bank->FilterNumber(live);
    const double gain = bank->GainNumber(live).GainFactor;
    const double* taps = f.m_pdTaps;
    const size_t count = static_cast<size_t>(f.m_iNumTaps);
    if (m_Memo.Span() != count) {  // not the filters Initialize saw: no remembered sums
        for (size_t i = 0; i < n; ++i) {
            PushBank(swing * Vantrel::MathSign(wave[i]));
            wave[i] = gain * Vantrel::FirKernel::DotLanes(taps, 1, m_Bank.Window(), count);
        }
        return n;
    }
    if (taps != m_pMemoTaps) {
        m_Memo.Forget();
        m_pMemoTaps = taps;
    }
    for (size_t i = 0; i < n; ++i) {
        PushBank(swing * Vantrel::MathSign(wave[i]));
        bool known = false;
        double* slot = m_Memo.Slot(known);
        double sum;
        if (known) {
            sum = *slot;
        } else {
            sum = Vantrel::FirKernel::DotLanes(taps, 1, m_Bank.Window(), count);
            if (slot) {
                *slot = sum;
                m_Memo.Stored();
            }
        }
        wave[i] = gain * sum;
    }
    return n;
}

bool TX_model2::Finalize()
{
    bool ok = true;
    for (int v = 0; v < 4; ++v) {
        FilterSubnetwork& s = Subnetwork(v);
        for (int n = 1; n <= 4; ++n) ok = s.FilterNumber(n).Finalize() && ok;
    }
    ok = SignDetect.Finalize() && ok;
    m_Bank.Release();
    m_Memo.Release();
    m_pMemoTaps = nullptr;
    DeleteBuffers();
    DeleteArrayParameters();
    return ok;
}

#include "models/rx/Vuraved_UV_IV.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "dataflow/DFErrorHandler.h"
#include "models/rx/CtleTables.h"

namespace {

constexpr double kDfeTapGain = 0.008;
constexpr int kAdaptStartEdges = 500;
constexpr int kEomStartEdges = 100;

}  // namespace

// ---------------------------------------------------------------------------
// CTLE bank

Vuraved_UV_IV::Subnetwork_Subnetwork2::Subnetwork_Subnetwork2()
{
    for (int k = 0; k < kCtleSettings; ++k) m_pFilterOfSetting[kCtleBuildOrder[k]] = &Filters[k];
}

bool Vuraved_UV_IV::Subnetwork_Subnetwork2::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    TimeStep = 1.0 / (SymbolRate * SamplesPerBit);
    return true;
}

void Vuraved_UV_IV::Subnetwork_Subnetwork2::DeleteArrayParameters()
{
    for (Vantrel::TimeResponseFIR& f : Filters) {
        delete[] f.m_pdResponse;
        f.m_pdResponse = nullptr;
        delete[] f.m_pdTimeStamps;
        f.m_pdTimeStamps = nullptr;
    }
}

bool Vuraved_UV_IV::Subnetwork_Subnetwork2::Setup()
{
    DeleteArrayParameters();
    RunEquations();
    bool ok = true;
    for (int k = 0; k < kCtleSettings; ++k) {
        Vantrel::TimeResponseFIR& f = Filters[k];
        const CtleTable& table = kCtleTableOfSetting[kCtleBuildOrder[k]];
        f.ResponseType = 0;
        f.m_pdResponse = new double[table.count];
        f.m_pdTimeStamps = new double[table.count];
        std::memcpy(f.m_pdResponse, table.response, sizeof(double) * table.count);
        std::memcpy(f.m_pdTimeStamps, table.timeStamps, sizeof(double) * table.count);
        f.m_iNumResponse = table.count;
        f.m_iNumTimeStamps = table.count;
        f.SampleRate = SymbolRate * SamplesPerBit;
        // The lane sum: several times faster than the in-order sum, and the
        // sum CtleSharedHistory forms, so both ways of running the bank agree.
        f.PairwiseSum = true;
        ok &= f.Setup();
    }
    CtleSelect.BlockSize = 1;
    CtleSelect.Inputs.Initialize(kCtleSettings);
    ok &= CtleSelect.Setup();
    CtleFanout.Outputs.Initialize(kCtleSettings);
    return ok;
}

// ---------------------------------------------------------------------------
// DFE

bool Vuraved_UV_IV::Subnetwork_Subnetwork3::Subnetwork_Subnetwork3_Subnetwork3::Setup()
{
    bool ok = DataSlicer.Setup();
    for (clockdelay& d : DecisionDelay) ok &= d.Setup();
    DfeSum.Subtrahends.Initialize(kDfeTaps);
    EqFanout.Outputs.Initialize(2);
    DecisionFanout0.Outputs.Initialize(2);
    for (DoubleFork& f : DecisionFanout) f.Outputs.Initialize(2);
    for (Vantrel::Mpy<double>& p : TapProduct) p.Inputs.Initialize(2);
    DfeClockFanout.Outputs.Initialize(1 + kDfeTaps);
    for (Vantrel::Gain<double>& g : TapGain) g.GainFactor = kDfeTapGain;
    return ok;
}

bool Vuraved_UV_IV::Subnetwork_Subnetwork3::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    TimeStep = 1.0 / (SymbolRate * SamplesPerBit);
    return true;
}

bool Vuraved_UV_IV::Subnetwork_Subnetwork3::Setup()
{
    RunEquations();
    bool ok = Dfe.Setup();
    for (int k = 0; k < kDfeTaps; ++k) {
        TapSelect[k].BlockSize = 1;
        TapSelect[k].Inputs.Initialize(2);
        ok &= TapSelect[k].Setup();
    }
    for (int k = 0; k < kDfeTaps; ++k) {
        FixedTap[k].Value = FixedTaps[k];
        FixedTap[k].InitialDelay = 0;
    }
    TapSelectFanout.Outputs.Initialize(kDfeTaps);
    return ok;
}

// ---------------------------------------------------------------------------
// Clock recovery

bool Vuraved_UV_IV::Subnetwork_Subnetwork1::Subnetwork_Subnetwork1_Subnetwork1::Setup()
{
    bool ok = QuadratureDelay.Setup();
    ok &= PhaseDetector.Setup();
    PumpSum.Inputs.Initialize(2);
    PdWaveFanout.Outputs.Initialize(2);
    return ok;
}

bool Vuraved_UV_IV::Subnetwork_Subnetwork1::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    TimeStep = SampleInterval > 0.0 ? SampleInterval : 1.0 / (SymbolRate * SamplesPerBit);
    VcoFrequency = SymbolRate * Factor;
    return true;
}

bool Vuraved_UV_IV::Subnetwork_Subnetwork1::Setup()
{
    RunEquations();
    bool ok = Detector.Setup();
    Vco.SampleInterval = TimeStep;
    Vco.Amplitude = Amplitude;
    Vco.Frequency = VcoFrequency;
    Vco.Sensitivity = VCO_Sensitivity;
    Vco.InitialPhase = InitialPhase;
    CdrLoopFilter.C1 = C1;
    CdrLoopFilter.C2 = C2;
    CdrLoopFilter.R = R;
    CdrLoopFilter.Ip = Ip;
    CdrLoopFilter.SampleInterval = TimeStep;
    ok &= CdrLoopFilter.Setup();
    VcoWaveFanout.Outputs.Initialize(2);
    ControlFanout.Outputs.Initialize(2);
    return ok;
}

// ---------------------------------------------------------------------------
// The model

Vuraved_UV_IV::Vuraved_UV_IV() = default;

Vuraved_UV_IV::~Vuraved_UV_IV()
{
    DeleteBuffers();
    DeleteArrayParameters();
}

bool Vuraved_UV_IV::RunEquations()
{
    SymbolRate = 1.0 / BitTime;
    TimeStep = 1.0 / (SamplesPerBit * SymbolRate);
    // A sample interval that leaves a fraction of a sample per bit steps the
    // clock recovery instead of the rounded BitTime / SamplesPerBit. One that
    // gives whole samples per bit keeps the rounded form, so such runs give
    // the same samples whichever way the host computed its interval.
    if (SampleInterval > 0.0 && std::isfinite(SampleInterval) &&
        std::fabs(BitTime / SampleInterval - SamplesPerBit) > 1e-9 * SamplesPerBit)
        TimeStep = SampleInterval;
    return true;
}

void Vuraved_UV_IV::DeleteArrayParameters()
{
    Subnetwork2.DeleteArrayParameters();
}

void Vuraved_UV_IV::DeleteBuffers()
{
    m_bWired = false;
    m_bSharedCtle = false;
    m_CtleHistory.Free();
    m_CtleAhead.Free();
    m_Fast = FastState{};
    m_iExactFallbacks = 0;
    m_Storage.DeleteBuffers();
}

bool Vuraved_UV_IV::Setup()
{
    // New settings (tap counts, rates) need a new Initialize before the next
    // Run: the histories and connections were sized for the old ones.
    m_bWired = false;
    DeleteArrayParameters();
    RunEquations();
    bool ok = true;

    Subnetwork2.BitTime = BitTime;
    Subnetwork2.SamplesPerBit = SamplesPerBit;
    ok &= Subnetwork2.Setup();

    for (double& t : Subnetwork3.FixedTaps) t = 0.0;
    Subnetwork3.BitTime = BitTime;
    Subnetwork3.SamplesPerBit = SamplesPerBit;
    ok &= Subnetwork3.Setup();

    Subnetwork_Subnetwork1& cdr = Subnetwork1;
    cdr.C1 = 2.2e-8;
    cdr.C2 = 5e-11;
    cdr.R = 100.0;
    cdr.Ip = 2.5e-5;
    cdr.SamplesPerBit = SamplesPerBit;
    cdr.Factor = Factor;
    cdr.VCO_Sensitivity = VCO_Sensitivity;
    cdr.InitialPhase = 0.0;
    cdr.Amplitude = 1.0;
    cdr.BitTime = BitTime;
    cdr.SampleInterval = TimeStep;
    ok &= cdr.Setup();

    ClockTimesBlock.SampleInterval = TimeStep;
    ClockTimesBlock.TimeOffset = 0.0;
    ClockTimesBlock.EdgeSelect = 0;  // falling edges

    AdaptStartDelay.N = kAdaptStartEdges;
    ok &= AdaptStartDelay.Setup();
    EomStartDelay.N = kEomStartEdges;
    ok &= EomStartDelay.Setup();
    ok &= RequestRegister.Setup();

    EyeMonitor.Nbits = EOMNbits;
    EyeMonitor.phaseWave.Initialize(EOM::kPhases);
    EyeMonitor.phaseClock.Initialize(EOM::kPhases);
    ok &= EyeMonitor.Setup();

    Adaptation.DfeEnable = 0;
    Adaptation.CtleEnable = CTLEAdapt;
    Adaptation.taps.Initialize(kDfeTaps);
    ok &= Adaptation.Setup();

    OutputSelect.BlockSize = 1;
    OutputSelect.Inputs.Initialize(3);
    ok &= OutputSelect.Setup();
    RxConfigConst.InitialDelay = 0;
    RxConfigConst.Value = RX_Config;

    EqSourceSelect.BlockSize = 1;
    EqSourceSelect.Inputs.Initialize(2);
    ok &= EqSourceSelect.Setup();
    OneConst.Value = 1.0;
    OneConst.InitialDelay = 0;
    ZeroConst.Value = 0.0;
    ZeroConst.InitialDelay = 0;
    RequestFanout.Outputs.Initialize(2);
    CtleAdaptConst.Value = CTLEAdapt;
    CtleAdaptConst.InitialDelay = 0;
    EqLevelConst.Value = EQ_Level;
    EqLevelConst.InitialDelay = 0;
    EqDistribute.Outputs.Initialize(3);
    ClockFanout.Outputs.Initialize(7);

    for (DoubleBuffer* port : {&InputPort, &OutputPort, &ClockPort}) port->SetRate(1);
    m_bBusesSized = true;
    return ok;
}

namespace {

// Attaches one new item of storage to every buffer of a connection.
template <typename T>
void Wire(T* item, std::initializer_list<Vantrel::CircularBuffer<T>*> buffers)
{
    for (Vantrel::CircularBuffer<T>* b : buffers) b->SetBuffer(item, 1, 1, 0);
}

}  // namespace

bool Vuraved_UV_IV::Initialize()
{
    DeleteBuffers();
    if (!m_bBusesSized) {
        Vantrel::DFErrorHandler::PostError(this, "Vuraved_UV_IV::Setup must run before Initialize");
        return false;
    }
    m_Storage.Reserve(kConnections);
    auto D = [this](std::initializer_list<DoubleBuffer*> buffers) {
        Wire(m_Storage.NewDouble(), buffers);
    };
    auto I = [this](std::initializer_list<IntBuffer*> buffers) {
        Wire(m_Storage.NewInt(), buffers);
    };
    Subnetwork_Subnetwork2& ctle = Subnetwork2;
    Subnetwork_Subnetwork3& taps = Subnetwork3;
    Subnetwork_Subnetwork3::Subnetwork_Subnetwork3_Subnetwork3& dfe = Subnetwork3.Dfe;
    Subnetwork_Subnetwork1& cdr = Subnetwork1;
    Subnetwork_Subnetwork1::Subnetwork_Subnetwork1_Subnetwork1& pd = Subnetwork1.Detector;

    // CTLE bank: rx_in, fan-out, filters, selection (67 connections).
    D({&m_RxIn, &ctle.CtleFanout.Input});
    for (int m = 0; m < kCtleSettings; ++m) D({&ctle.CtleFanout.Outputs[m], &ctle.FilterOfSetting(m).Input});
    for (int m = 0; m < kCtleSettings; ++m) D({&ctle.FilterOfSetting(m).Output, &ctle.CtleSelect.Inputs[m]});
    D({&ctle.CtleSelect.Output, &dfe.DfeSum.Minuend});  // ctle_out
    I({&EqCodeRound.Output, &ctle.EqCode});             // eq_code

    // DFE group (35).
    D({&dfe.DfeSum.Output, &dfe.EqFanout.Input});  // eq_out
    D({&dfe.EqFanout.Outputs[0], &dfe.SlicerData});
    D({&dfe.EqFanout.Outputs[1], &EqDistribute.Input});
    D({&dfe.SlicerOut, &dfe.DecisionFanout0.Input});  // decision
    D({&dfe.DecisionFanout0.Outputs[0], &dfe.DelayData[0]});
    D({&dfe.DecisionFanout0.Outputs[1], &OutputSelect.Inputs[0]});
    for (int k = 0; k < kDfeTaps - 1; ++k) D({&dfe.DelayOut[k], &dfe.DecisionFanout[k].Input});
    D({&dfe.DelayOut[kDfeTaps - 1], &dfe.TapProduct[kDfeTaps - 1].Inputs[0]});
    for (int k = 0; k < kDfeTaps - 1; ++k) {
        D({&dfe.DecisionFanout[k].Outputs[0], &dfe.TapProduct[k].Inputs[0]});
        D({&dfe.DecisionFanout[k].Outputs[1], &dfe.DelayData[k + 1]});
    }
    for (int k = 0; k < kDfeTaps; ++k) D({&dfe.TapProduct[k].Output, &dfe.DfeSum.Subtrahends[k]});
    for (int k = 0; k < kDfeTaps; ++k) D({&dfe.TapGain[k].Output, &dfe.TapProduct[k].Inputs[1]});
    I({&dfe.DfeClockFanout.Outputs[0], &dfe.SlicerClock});
    for (int k = 0; k < kDfeTaps; ++k) I({&dfe.DfeClockFanout.Outputs[k + 1], &dfe.DelayClock[k]});

    // DFE tap selection (21).
    for (int k = 0; k < kDfeTaps; ++k) D({&taps.TapSelect[k].Output, &dfe.TapGain[k].Input});
    for (int k = 0; k < kDfeTaps; ++k) D({&taps.FixedTap[k].Output, &taps.TapSelect[k].Inputs[0]});
    for (int k = 0; k < kDfeTaps; ++k) D({&taps.TapCodeConvert[k].Output, &taps.TapSelect[k].Inputs[1]});
    I({&taps.TapSelectConvert.Output, &taps.TapSelectFanout.Input});
    // The fan-out's outputs feed the controls of TapSelect2, 3, 4, 5, 1.
    static const int kTapSelectOfOutput[kDfeTaps] = {1, 2, 3, 4, 0};
    for (int j = 0; j < kDfeTaps; ++j)
        I({&taps.TapSelectFanout.Outputs[j], &taps.TapSelectControl[kTapSelectOfOutput[j]]});

    // Clock recovery (16, with the detector's data input).
    D({&cdr.Vco.WaveOutput, &cdr.VcoWaveFanout.Input});  // vco_wave
    I({&cdr.Vco.ClockOutput, &ClockFanout.Input});       // clk
    D({&cdr.VcoWaveFanout.Outputs[0], &pd.PdWaveFanout.Input});
    D({&cdr.VcoWaveFanout.Outputs[1], &EyeMonitor.vcoWave});
    D({&pd.PdWaveFanout.Outputs[0], &pd.QuadratureDelay.Input});
    D({&pd.PdWaveFanout.Outputs[1], &pd.PdInPhase});
    D({&pd.QuadratureOut, &pd.PdQuadrature});
    I({&pd.PdInPhaseOut, &pd.PumpSum.Inputs[0]});
    I({&pd.PdQuadratureOut});
    I({&pd.PdErrorOut, &pd.PumpSum.Inputs[1]});
    I({&pd.PumpSum.Output, &cdr.PumpConvert.Input});
    D({&cdr.PumpConvert.Output, &cdr.FilterCommand});
    D({&cdr.FilterControl, &cdr.ControlFanout.Input});  // vco_ctrl
    D({&cdr.ControlFanout.Outputs[0], &cdr.Vco.ControlInput});
    D({&cdr.ControlFanout.Outputs[1]});

    // Top level.
    I({&ClockFanout.Outputs[0], &ClockConvert.Input});
    I({&ClockFanout.Outputs[1], &ClockTimesBlock.ClockInput});
    I({&ClockFanout.Outputs[2], &dfe.DfeClockFanout.Input});
    I({&ClockFanout.Outputs[3], &AdaptStartDelay.Clock});
    I({&ClockFanout.Outputs[4], &EomStartDelay.Clock});
    I({&ClockFanout.Outputs[5], &m_RequestClock});
    I({&ClockFanout.Outputs[6], &EyeMonitor.clock});
    D({&ClockTimesBlock.TimeOutput, &m_ClockTime});
    I({&AdaptStartDelay.Output, &Adaptation.start});
    {
        // eom_start reaches the monitor one sample late: two items, the
        // producer writing one ahead of the consumer.
        int* item = m_Storage.NewInt(2);
        EomStartDelay.Output.SetBuffer(item, 2, 1, 1);
        EyeMonitor.start.SetBuffer(item, 2, 1, 0);
    }
    D({&m_RequestOut, &AckRound.Input});
    I({&EyeMonitor.ready, &Adaptation.ready});
    I({&EyeMonitor.range, &Adaptation.range});
    I({&EyeMonitor.heo, &Adaptation.heo});
    I({&EyeMonitor.veo, &Adaptation.veo});
    I({&EyeMonitor.opening});
    for (int k = 0; k < EOM::kPhases; ++k) D({&EyeMonitor.phaseWave[k]});
    for (int k = 0; k < EOM::kPhases; ++k) I({&EyeMonitor.phaseClock[k]});
    for (int k = 0; k < kDfeTaps; ++k) I({&Adaptation.taps[k], &taps.TapCodeConvert[k].Input});
    I({&Adaptation.eqLevel, &EqLevelConvert.Input});
    I({&Adaptation.request, &RequestFanout.Input});  // eom_request
    I({&Adaptation.ctleDone});
    I({&Adaptation.dfeDone});
    I({&RequestFanout.Outputs[0], &RequestConvert.Input});
    I({&RequestFanout.Outputs[1], &EomStartDelay.Start});
    D({&EqSourceSelect.Output, &EqCodeRound.Input});
    D({&OutputSelect.Output, &m_RxOut});  // rx_out
    D({&RxConfigConst.Output, &RxConfigRound.Input});
    D({&OneConst.Output, &OneRound.Input});
    D({&ZeroConst.Output, &taps.TapSelectConvert.Input});
    D({&CtleAdaptConst.Output, &CtleAdaptRound.Input});
    D({&EqLevelConst.Output, &EqSourceSelect.Inputs[0]});
    I({&RxConfigRound.Output, &m_OutputControl});
    I({&OneRound.Output, &AdaptStartDelay.Start});
    I({&CtleAdaptRound.Output, &m_EqSourceControl});
    I({&AckRound.Output, &Adaptation.ack});
    D({&ClockConvert.Output, &OutputSelect.Inputs[1]});
    D({&EqLevelConvert.Output, &EqSourceSelect.Inputs[1]});
    D({&RequestConvert.Output, &m_RequestData});
    D({&EqDistribute.Outputs[0], &OutputSelect.Inputs[2]});
    D({&EqDistribute.Outputs[1], &EyeMonitor.data});
    D({&EqDistribute.Outputs[2], &pd.PdData});

    // Feedback connections read before they are written: 0 at the first Run.
    dfe.DelayData[0].Zero(0, 1);
    cdr.Vco.ControlInput.Zero(0, 1);
    Adaptation.ready.Zero(0, 1);
    Adaptation.heo.Zero(0, 1);
    Adaptation.veo.Zero(0, 1);
    Adaptation.range.Zero(0, 1);
    m_RequestData.Zero(0, 1);
    EyeMonitor.start.Zero(0, 1);

    bool ok = ClockTimesBlock.Initialize();
    for (Vantrel::TimeResponseFIR& f : ctle.Filters) ok &= f.Initialize();
    ok &= dfe.DataSlicer.Initialize();
    for (clockdelay& d : dfe.DecisionDelay) ok &= d.Initialize();
    for (Vantrel::ConstUnTimed<double>& c : taps.FixedTap) ok &= c.Initialize();
    ok &= AdaptStartDelay.Initialize();
    ok &= EomStartDelay.Initialize();
    ok &= RequestRegister.Initialize();
    ok &= pd.QuadratureDelay.Initialize();
    ok &= pd.PhaseDetector.Initialize();
    ok &= cdr.Vco.Initialize();
    ok &= cdr.CdrLoopFilter.Initialize();
    ok &= EyeMonitor.Initialize();
    ok &= Adaptation.Initialize();
    ok &= RxConfigConst.Initialize();
    ok &= OneConst.Initialize();
    ok &= ZeroConst.Initialize();
    ok &= CtleAdaptConst.Initialize();
    ok &= EqLevelConst.Initialize();

    if (!m_bAllCtleFilters) {
        // One window as long as the longest filter serves all of them; the
        // filters were all built if every one has taps.
        size_t window = 0;
        bool built = true;
        for (const Vantrel::TimeResponseFIR& f : ctle.Filters) {
            if (f.m_iNumTaps < 1 || !f.m_pdTaps) built = false;
            else if (static_cast<size_t>(f.m_iNumTaps) > window) window = static_cast<size_t>(f.m_iNumTaps);
        }
        if (built && m_CtleHistory.Allocate(window)) m_bSharedCtle = true;
        else ok = false;
        // Without the lookahead's storage every output is summed directly.
        if (m_bSharedCtle && m_bFastFiring) m_CtleAhead.Allocate(window);
    }
    // Nothing reads the monitor's phase outputs; the fast firing skips them.
    EyeMonitor.PhaseOutputs = !(m_bFastFiring && m_bSharedCtle);
    m_bWired = true;
    return ok;
}

bool Vuraved_UV_IV::RunCtleFilters()
{
    if (m_bSharedCtle) return true;  // Run has pushed the sample
    bool ok = true;
    for (Vantrel::TimeResponseFIR& f : Subnetwork2.Filters) ok &= f.Run();
    return ok;
}

// Shared history: the output of the selected filter only, written to the
// connection that the selector reads. An out-of-range setting computes
// nothing; the selector then reports it.
bool Vuraved_UV_IV::ComputeSelectedCtle()
{
    if (!m_bSharedCtle) return true;
    const int m = Subnetwork2.CtleSelect.Control;
    if (m < 0 || m >= kCtleSettings) return true;
    Vantrel::TimeResponseFIR& f = Subnetwork2.FilterOfSetting(m);
    f.Output[0] = m_CtleHistory.Output(f.m_pdTaps, static_cast<size_t>(f.m_iNumTaps));
    return true;
}

bool Vuraved_UV_IV::Run()
{
    if (!m_bWired) return false;
    if (m_bSharedCtle) {
        const double x = InputPort[0];
        m_CtleHistory.Push(x);
        m_CtleAhead.Take(x);
    }
    if (m_Fast.ready) return RunFast();
    const bool ok = RunNetwork();
    if (!m_Fast.checked) PrepareFast();
    return ok;
}

// The selected filter's output at this sample: computed ahead where that
// cannot change a decision (see the header), else the lane sum.
double Vuraved_UV_IV::SelectedCtleOutput(int iSetting, bool bEomMaySample)
{
    const Vantrel::TimeResponseFIR& f = Subnetwork2.FilterOfSetting(iSetting);
    const double* taps = f.m_pdTaps;
    const size_t n = static_cast<size_t>(f.m_iNumTaps);
    double y = 0.0, bound = 0.0;
    if (m_CtleAhead.Value(taps, n, m_CtleHistory, &y, &bound)) {
        bool safe = std::fabs(y) > bound;
        if (safe && bEomMaySample) safe = EyeMonitor.BinCertain(y, bound);
        if (safe) return y;
        ++m_iExactFallbacks;
    }
    return m_CtleHistory.Output(taps, n);
}

// After the first Run (which fires every block and so sets every constant
// connection): whether the fast firing can take over, and its starting state.
void Vuraved_UV_IV::PrepareFast()
{
    FastState& f = m_Fast;
    f.checked = true;
    f.ready = false;
    if (!m_bFastFiring || !m_bSharedCtle) return;
    Subnetwork_Subnetwork3& taps = Subnetwork3;
    Subnetwork_Subnetwork3::Subnetwork_Subnetwork3_Subnetwork3& dfe = Subnetwork3.Dfe;
    Subnetwork_Subnetwork1& cdr = Subnetwork1;
    const int rxConfig = m_OutputControl[0];
    const int ctleAdapt = m_EqSourceControl[0];
    if (rxConfig < 0 || rxConfig > 2 || ctleAdapt < 0 || ctleAdapt > 1) return;
    for (int k = 0; k < kDfeTaps; ++k)
        if (taps.TapSelectControl[k][0] != 0) return;
    for (int k = 0; k < kDfeTaps; ++k) {
        f.tapGain[k] = dfe.TapGain[k].Output[0];
        f.tapTerm[k] = dfe.TapProduct[k].Output[0];
    }
    auto item = [](auto& buffer) { return &buffer[0]; };
    f.vcoControl = item(cdr.Vco.ControlInput);
    f.vcoClock = item(cdr.Vco.ClockOutput);
    f.clockTimesClock = item(ClockTimesBlock.ClockInput);
    f.adaptStartClock = item(AdaptStartDelay.Clock);
    f.eomStartClock = item(EomStartDelay.Clock);
    f.eomClock = item(EyeMonitor.clock);
    f.eomStartStart = item(EomStartDelay.Start);
    f.adaptStartIn = item(Adaptation.start);
    f.adaptReadyIn = item(Adaptation.ready);
    f.adaptAckIn = item(Adaptation.ack);
    f.request = item(Adaptation.request);
    f.eqLevel = item(Adaptation.eqLevel);
    f.eqCode = item(Subnetwork2.EqCode);
    f.ctleOut = item(Subnetwork2.CtleSelect.Output);
    f.eomData = item(EyeMonitor.data);
    f.eomVco = item(EyeMonitor.vcoWave);
    f.clockTime = item(m_ClockTime);
    f.prevClock = *f.vcoClock;
    f.prevRequest = *f.request;
    f.prevDataLevel = 0.0;
    f.prevEomStart = 0;
    f.eomSkipped = false;
    f.rxConfig = rxConfig;
    f.ctleAdapt = ctleAdapt;
    f.first = true;
    f.ready = true;
}

// One sample, firing what can change what another block sees (see the
// header); the steps are numbered as in RunNetwork.
bool Vuraved_UV_IV::RunFast()
{
    FastState& f = m_Fast;
    Subnetwork_Subnetwork3::Subnetwork_Subnetwork3_Subnetwork3& dfe = Subnetwork3.Dfe;
    Subnetwork_Subnetwork1& cdr = Subnetwork1;
    Subnetwork_Subnetwork1::Subnetwork_Subnetwork1_Subnetwork1& pd = Subnetwork1.Detector;
    bool ok = true;

    // 4: oscillator: its clock now, its waveform when the quadrature block,
    // the detector or the eye monitor read it (Vco.Wave).
    ok &= cdr.Vco.RunClock();
    const int clk = *f.vcoClock;

    // 5, 6: the clock into the connections read by blocks; start of adaptation.
    *f.clockTimesClock = clk;
    *f.adaptStartClock = clk;
    *f.eomStartClock = clk;
    *f.eomClock = clk;
    const bool clockChanged = f.first || clk != f.prevClock;
    if (clockChanged) ok &= AdaptStartDelay.Run();

    // 7: decision delays (DecisionDelay1 reads the previous decision) and the
    // DFE products (1.0 d_k) g_k.
    if (clockChanged) {
        double data = dfe.DataSlicer.Output;
        for (int k = 0; k < kDfeTaps; ++k) {
            clockdelay& d = dfe.DecisionDelay[k];
            d.Data = data;
            d.Clock = clk;
            ok &= d.Run();
            data = d.Output;
            f.tapTerm[k] = (1.0 * d.Output) * f.tapGain[k];
        }
    }

    // 8: request register (previous request) and the acknowledge.
    if (clockChanged) {
        RequestRegister.Data = static_cast<double>(f.prevRequest);
        RequestRegister.Clock = clk;
        ok &= RequestRegister.Run();
        m_RequestOut[0] = RequestRegister.Output;
        ok &= AckRound.Run();
    }

    // 9: adaptation, when one of its inputs changed since its last Run.
    const int adaptStart = *f.adaptStartIn;
    const int adaptReady = *f.adaptReadyIn;
    const int adaptAck = *f.adaptAckIn;
    if (f.first || adaptStart != f.adaptStart || adaptReady != f.adaptReady || adaptAck != f.adaptAck) {
        ok &= Adaptation.Run();
        f.adaptStart = adaptStart;
        f.adaptReady = adaptReady;
        f.adaptAck = adaptAck;
    }
    const int request = *f.request;

    // 11: measurement request and the delayed start of the monitor.
    *f.eomStartStart = request;
    if (clockChanged || request != f.prevRequest) ok &= EomStartDelay.Run();
    else EomStartDelay.Output[0] = EomStartDelay.Level();
    EomStartDelay.Output.Advance();

    // 12: CTLE setting and output. The monitor sorts this sample's value only
    // while it measures or when it starts.
    const int eomStart = EyeMonitor.start[0];
    const bool eomStartEdge = eomStart == 1 && f.prevEomStart == 0;
    const bool eomMaySample = f.first || eomStartEdge || EyeMonitor.Measuring();
    const int setting = f.ctleAdapt == 1 ? *f.eqLevel : EQ_Level;
    *f.eqCode = setting;
    double ctleOut;
    if (setting >= 0 && setting < kCtleSettings) {
        ctleOut = SelectedCtleOutput(setting, eomMaySample);
        *f.ctleOut = ctleOut;
    } else {
        // The selector reports the setting and keeps its previous output.
        Subnetwork2.CtleSelect.Control = setting;
        ok &= Subnetwork2.CtleSelect.Run();
        ctleOut = *f.ctleOut;
    }

    // 13: equalised signal.
    double eq = ctleOut;
    for (int k = 0; k < kDfeTaps; ++k) eq = eq - f.tapTerm[k];

    // 14: eye monitor, left out while idle without a start edge (its Run
    // would only record its inputs, which Resume gives it afterwards).
    if (f.first || eomStartEdge || !EyeMonitor.IdleSteady()) {
        if (f.eomSkipped) EyeMonitor.Resume(cdr.Vco.Wave(1), f.prevEomStart, f.prevClock);
        *f.eomData = eq;
        *f.eomVco = cdr.Vco.Wave(0);
        ok &= EyeMonitor.Run();
        f.eomSkipped = false;
    } else {
        f.eomSkipped = true;
    }
    EyeMonitor.start.Advance();
    f.prevEomStart = eomStart;

    // 16: decision.
    if (clockChanged) {
        dfe.DataSlicer.Data = eq;
        dfe.DataSlicer.Clock = clk;
        ok &= dfe.DataSlicer.Run();
    }
    const double decision = dfe.DataSlicer.Output;

    // 17: detector (its quadrature input matters only when the data level
    // changes), pump sum, loop filter.
    PFD& detector = pd.PhaseDetector;
    const double dataLevel = eq > 0.0 ? 1.0 : 0.0;
    if (f.first || dataLevel != f.prevDataLevel) {
        const double wave = cdr.Vco.Wave(0);
        pd.QuadratureDelay.Output = Delay::Quadrature(wave, cdr.Vco.Wave(1));
        detector.InPhaseClock = wave;
        detector.QuadratureClock = pd.QuadratureDelay.Output;
    }
    detector.Data = eq;
    ok &= detector.Run();
    f.prevDataLevel = dataLevel;
    const int pump = 0 + detector.InPhaseSample + detector.FrequencyError;
    cdr.CdrLoopFilter.Command = static_cast<double>(pump);
    ok &= cdr.CdrLoopFilter.Run();
    *f.vcoControl = cdr.CdrLoopFilter.Control;

    // 18, 19, 20: clock time, output selection, external outputs.
    ok &= ClockTimesBlock.Run();
    OutputPort[0] = f.rxConfig == 0 ? decision : f.rxConfig == 1 ? static_cast<double>(clk) : eq;
    ClockPort[0] = *f.clockTime;

    f.prevClock = clk;
    f.prevRequest = request;
    f.first = false;
    return ok;
}

// Fires every block of the schedule once.
bool Vuraved_UV_IV::RunNetwork()
{
    Subnetwork_Subnetwork2& ctle = Subnetwork2;
    Subnetwork_Subnetwork3& taps = Subnetwork3;
    Subnetwork_Subnetwork3::Subnetwork_Subnetwork3_Subnetwork3& dfe = Subnetwork3.Dfe;
    Subnetwork_Subnetwork1& cdr = Subnetwork1;
    Subnetwork_Subnetwork1::Subnetwork_Subnetwork1_Subnetwork1& pd = Subnetwork1.Detector;
    bool ok = true;

    // 1, 2: the sample into the CTLE bank.
    m_RxIn[0] = InputPort[0];
    ok &= ctle.CtleFanout.Run();
    ok &= RunCtleFilters();

    // 3: constants.
    ok &= EqLevelConst.Run();
    for (int k = kDfeTaps - 1; k >= 0; --k) ok &= taps.FixedTap[k].Run();
    ok &= OneConst.Run();
    ok &= OneRound.Run();
    ok &= ZeroConst.Run();
    ok &= taps.TapSelectConvert.Run();
    ok &= taps.TapSelectFanout.Run();
    ok &= CtleAdaptConst.Run();
    ok &= CtleAdaptRound.Run();

    // 4: oscillator (control of the previous sample) and its quadrature.
    ok &= cdr.Vco.Run();
    ok &= cdr.VcoWaveFanout.Run();
    ok &= pd.PdWaveFanout.Run();
    ok &= pd.QuadratureDelay.Run();
    pd.QuadratureOut[0] = pd.QuadratureDelay.Output;

    // 5, 6: clock distribution, start of adaptation.
    ok &= ClockFanout.Run();
    ok &= dfe.DfeClockFanout.Run();
    ok &= AdaptStartDelay.Run();

    // 7: decision delays (DecisionDelay1 reads the previous decision).
    for (int k = 0; k < kDfeTaps; ++k) {
        clockdelay& d = dfe.DecisionDelay[k];
        d.Data = dfe.DelayData[k][0];
        d.Clock = dfe.DelayClock[k][0];
        ok &= d.Run();
        dfe.DelayOut[k][0] = d.Output;
        if (k < kDfeTaps - 1) ok &= dfe.DecisionFanout[k].Run();
    }

    // 8: request register (previous request) and the acknowledge.
    RequestRegister.Data = m_RequestData[0];
    RequestRegister.Clock = m_RequestClock[0];
    ok &= RequestRegister.Run();
    m_RequestOut[0] = RequestRegister.Output;
    ok &= AckRound.Run();

    // 9: adaptation (monitor outputs of the previous sample).
    ok &= Adaptation.Run();

    // 10: DFE taps.
    for (int k = kDfeTaps - 1; k >= 0; --k) {
        ok &= taps.TapCodeConvert[k].Run();
        taps.TapSelect[k].Control = taps.TapSelectControl[k][0];
        ok &= taps.TapSelect[k].Run();
        ok &= dfe.TapGain[k].Run();
        ok &= dfe.TapProduct[k].Run();
    }

    // 11: measurement request and the delayed start of the monitor.
    ok &= RequestFanout.Run();
    ok &= EomStartDelay.Run();
    EomStartDelay.Output.Advance();

    // 12: CTLE setting and selection.
    ok &= EqLevelConvert.Run();
    EqSourceSelect.Control = m_EqSourceControl[0];
    ok &= EqSourceSelect.Run();
    ok &= EqCodeRound.Run();
    ctle.CtleSelect.Control = ctle.EqCode[0];
    ok &= ComputeSelectedCtle();
    ok &= ctle.CtleSelect.Run();

    // 13: equalised signal.
    ok &= dfe.DfeSum.Run();
    ok &= dfe.EqFanout.Run();
    ok &= EqDistribute.Run();

    // 14, 15: eye monitor, request copy for the register.
    ok &= EyeMonitor.Run();
    EyeMonitor.start.Advance();
    ok &= RequestConvert.Run();

    // 16: decision.
    dfe.DataSlicer.Data = dfe.SlicerData[0];
    dfe.DataSlicer.Clock = dfe.SlicerClock[0];
    ok &= dfe.DataSlicer.Run();
    dfe.SlicerOut[0] = dfe.DataSlicer.Output;
    ok &= dfe.DecisionFanout0.Run();

    // 17: detector, pump and loop filter.
    pd.PhaseDetector.InPhaseClock = pd.PdInPhase[0];
    pd.PhaseDetector.QuadratureClock = pd.PdQuadrature[0];
    pd.PhaseDetector.Data = pd.PdData[0];
    ok &= pd.PhaseDetector.Run();
    pd.PdInPhaseOut[0] = pd.PhaseDetector.InPhaseSample;
    pd.PdQuadratureOut[0] = pd.PhaseDetector.QuadratureSample;
    pd.PdErrorOut[0] = pd.PhaseDetector.FrequencyError;
    ok &= pd.PumpSum.Run();
    ok &= cdr.PumpConvert.Run();
    cdr.CdrLoopFilter.Command = cdr.FilterCommand[0];
    ok &= cdr.CdrLoopFilter.Run();
    cdr.FilterControl[0] = cdr.CdrLoopFilter.Control;
    ok &= cdr.ControlFanout.Run();

    // 18, 19: clock time and output selection.
    ok &= ClockTimesBlock.Run();
    ok &= ClockConvert.Run();
    ok &= RxConfigConst.Run();
    ok &= RxConfigRound.Run();
    OutputSelect.Control = m_OutputControl[0];
    ok &= OutputSelect.Run();

    // 20: external outputs.
    OutputPort[0] = m_RxOut[0];
    ClockPort[0] = m_ClockTime[0];
    return ok;
}

bool Vuraved_UV_IV::Finalize()
{
    Subnetwork_Subnetwork3::Subnetwork_Subnetwork3_Subnetwork3& dfe = Subnetwork3.Dfe;
    Subnetwork_Subnetwork1& cdr = Subnetwork1;
    bool ok = ClockTimesBlock.Finalize();
    for (Vantrel::TimeResponseFIR& f : Subnetwork2.Filters) ok &= f.Finalize();
    ok &= dfe.DataSlicer.Finalize();
    for (clockdelay& d : dfe.DecisionDelay) ok &= d.Finalize();
    ok &= AdaptStartDelay.Finalize();
    ok &= EomStartDelay.Finalize();
    ok &= RequestRegister.Finalize();
    ok &= cdr.Detector.QuadratureDelay.Finalize();
    ok &= cdr.Detector.PhaseDetector.Finalize();
    ok &= cdr.Vco.Finalize();
    ok &= cdr.CdrLoopFilter.Finalize();
    ok &= EyeMonitor.Finalize();
    ok &= Adaptation.Finalize();
    DeleteBuffers();
    DeleteArrayParameters();
    return ok;
}

#include "models/rx/Adapt.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {
void SetUnitRate(Vantrel::CircularBufferBase& buffer)
{
    buffer.SetRate(1);
    if (buffer.GetHistoryDepth() == 0) buffer.SetHistoryDepth(1);
}

// (R + 1) H and (R + 1) V in 64 bits: the inputs are the monitor's small
// numbers, but no value on a connection may overflow them.
int64_t Scaled(int range, int value) { return (static_cast<int64_t>(range) + 1) * value; }
}  // namespace

Adapt::Adapt() : m_Report("Adapt.txt")
{
    std::memset(m_aiDirection, 0, sizeof m_aiDirection);
    std::memset(m_aiTapDone, 0, sizeof m_aiTapDone);
    std::memset(m_aiTapCode, 0, sizeof m_aiTapCode);
    std::memset(m_aiTapStarted, 0, sizeof m_aiTapStarted);
}

Adapt::~Adapt() { DeleteBuffers(); }

bool Adapt::Setup()
{
    taps.Initialize(kTaps);
    for (Vantrel::CircularBufferBase* b :
         {static_cast<Vantrel::CircularBufferBase*>(&start), static_cast<Vantrel::CircularBufferBase*>(&ready),
          static_cast<Vantrel::CircularBufferBase*>(&heo), static_cast<Vantrel::CircularBufferBase*>(&veo),
          static_cast<Vantrel::CircularBufferBase*>(&range), static_cast<Vantrel::CircularBufferBase*>(&ack),
          static_cast<Vantrel::CircularBufferBase*>(&eqLevel), static_cast<Vantrel::CircularBufferBase*>(&request),
          static_cast<Vantrel::CircularBufferBase*>(&ctleDone), static_cast<Vantrel::CircularBufferBase*>(&dfeDone)})
        SetUnitRate(*b);
    for (int i = 0; i < kTaps; ++i) SetUnitRate(taps[i]);
    return true;
}

bool Adapt::Initialize()
{
    std::memset(m_aiDirection, 0, sizeof m_aiDirection);
    std::memset(m_aiTapDone, 0, sizeof m_aiTapDone);
    std::memset(m_aiTapCode, 0, sizeof m_aiTapCode);
    std::memset(m_aiTapStarted, 0, sizeof m_aiTapStarted);
    m_iTapIndex = 0;
    m_iDfeDone = 0;
    m_iCtleDone = 0;
    m_iEqLevel = 0;
    m_Prev = {0, 0, 0};
    m_iGood = 0;
    m_iStarted = 0;
    m_iPrevStarted = 0;
    m_iPrevAck = 0;
    m_iPrevReady = 0;
    m_Cur = {0, 0, 0};
    m_Lock = {0, 0, 0};
    m_iLockPhase = 1;
    m_iRequestFlag = 0;
    m_iEyeCount = 0;
    return true;
}

void Adapt::Request()
{
    m_iRequestFlag = 1;
    if (m_iEyeCount < INT_MAX) ++m_iEyeCount;
}

void Adapt::WriteRow(const Measurement& m)
{
    m_Report.WriteInt(m_iEqLevel);
    m_Report.Write("\t\t");
    for (int i = 0; i < kTaps; ++i) {
        m_Report.WriteInt(m_aiTapCode[i]);
        m_Report.Write(" \t");
    }
    m_Report.WriteInt(m.heo);
    m_Report.Write(" \t ");
    m_Report.WriteInt(m.veo);
    m_Report.Write(" \t ");
    m_Report.WriteInt(m.range);
    m_Report.Write("\n");
}

bool Adapt::BetterInPhaseTwo(const Measurement& m) const
{
    const int64_t score = Scaled(m.range, m.heo);
    const int64_t prevScore = Scaled(m_Prev.range, m_Prev.heo);
    if (m_iGood) return score > prevScore || (m.heo == m_Prev.heo && m.veo > m_Prev.veo);
    return m.veo > m_Prev.veo || (m.veo == m_Prev.veo && score > prevScore);
}

bool Adapt::BetterInPhaseThree(const Measurement& m) const
{
    const int64_t score = Scaled(m.range, m.heo);
    const int64_t prevScore = Scaled(m_Prev.range, m_Prev.heo);
    if (m_iGood) return score > prevScore || (score == prevScore && m.veo > m_Prev.veo);
    return m.veo > m_Prev.veo || (m.veo == m_Prev.veo && score > prevScore);
}

void Adapt::PhaseOne(const Measurement& m)
{
    m_Lock = m;
    WriteRow(m_Lock);
    Request();
    if (m_Lock.heo > 5 || m_iEqLevel > 29) {
        m_iLockPhase = 0;
        m_Report.Write("End CTLE adapt till CDR lock \n");
    } else {
        m_iEqLevel += 2;
    }
    if (m_iLockPhase == 0) {
        if (DfeEnable == 1 && CtleEnable == 0) {
            m_aiTapCode[0] = 1;
            m_Report.Write("Begin DFE adapt \n");
        } else if (CtleEnable == 1) {
            m_Report.Write("Begin CTLE adapt till optimum \n");
        }
    }
}

void Adapt::FinishCtle()
{
    m_iCtleDone = 1;
    m_Report.Write("End CTLE adapt till optimum \n");
    if (DfeEnable == 1) {
        m_Report.Write("Begin DFE adapt \n");
        m_aiTapCode[0] = 1;
    }
    Request();
}

void Adapt::NextTap(int k)
{
    m_iTapIndex = k + 1;
    if (m_iTapIndex > kTaps - 1) {
        m_iDfeDone = 1;
        m_Report.Write("End DFE adapt \n");
        m_Report.Write(" Number of EYE computations = ");
        m_Report.WriteInt(m_iEyeCount);
        m_Report.Write("\n");
    } else {
        m_aiTapCode[k + 1] = 1;  // the next tap starts at 1
    }
}

void Adapt::PhasesTwoAndThree(const Measurement& m)
{
    m_Cur = m;
    m_iGood = Scaled(m.range, m.veo) >= m.heo ? 1 : 0;
    WriteRow(m_Cur);

    if (m.heo <= 3) {
        // Eye closed: back to phase 1 one setting higher.
        if (m_iEqLevel <= 29) {
            m_iEqLevel += 1;
            m_iLockPhase = 1;
        }
        Request();
        return;
    }

    if (CtleEnable == 1 && m_iCtleDone == 0) {
        if (BetterInPhaseTwo(m)) {
            if (m_iEqLevel <= kMaxLevel - 1) {
                m_iEqLevel += 1;
                Request();
            } else {
                FinishCtle();
            }
        } else {
            // Step back to the better setting, and compare what follows with
            // the measurement made there. At the ends of 1..30 the setting
            // stays where it is: 0 - 1 would select no filter.
            if (m_iEqLevel >= 1 && m_iEqLevel <= kMaxLevel - 1) {
                m_iEqLevel -= 1;
                Restore();
            }
            FinishCtle();
        }
        return;
    }

    if (DfeEnable == 1 && m_iDfeDone == 0) {
        const int k = m_iTapIndex;
        if (k > kTaps - 1) {
            Request();
            return;
        }
        if (m_aiTapStarted[k] == 0) {
            const int64_t score = Scaled(m.range, m.heo);
            const int64_t prevScore = Scaled(m_Prev.range, m_Prev.heo);
            const int byScore = score > prevScore ? 1 : (score < prevScore ? -1 : 0);
            const int byVeo = m.veo > m_Prev.veo ? 1 : (m.veo < m_Prev.veo ? -1 : 0);
            if (m_iGood)
                m_aiDirection[k] = byScore != 0 ? byScore : byVeo;
            else
                m_aiDirection[k] = byVeo != 0 ? byVeo : byScore;
            m_aiTapStarted[k] = 1;
            m_aiTapCode[k] += m_aiDirection[k];
            if (m_aiDirection[k] == 0) {
                m_aiTapDone[k] = 1;
                m_aiTapCode[k] = 0;
                Restore();
                NextTap(k);
            }
        } else if (BetterInPhaseThree(m)) {
            m_aiTapCode[k] += m_aiDirection[k];
        } else {
            m_aiTapCode[k] -= m_aiDirection[k];
            Restore();
            m_aiTapDone[k] = 1;
            NextTap(k);
        }
        Request();
    }
    // Otherwise both adaptations are finished or off: nothing more is asked.
}

bool Adapt::Run()
{
    const int a = ack[0];
    const int y = ready[0];

    m_Report.Touch();

    if (start[0] == 1) m_iStarted = 1;

    if (m_iStarted == 1 && m_iPrevStarted == 0 && (DfeEnable == 1 || CtleEnable == 1)) {
        Request();
        m_Report.Write("Begin CTLE adapt till CDR lock \n");
        m_Report.Write("EQ_level \t C1 \t C2 \t C3 \t C4 \t C5 \t HEO value \t VEO value \t Range \n");
    }

    if (y == 1 && m_iPrevReady == 0) {
        const Measurement m = {heo[0], veo[0], range[0]};
        if (m_iLockPhase != 0)
            PhaseOne(m);
        else
            PhasesTwoAndThree(m);
    }

    if (a == 1 && m_iPrevAck == 0) m_iRequestFlag = 0;

    for (int i = 0; i < kTaps; ++i) taps[i][0] = m_aiTapCode[i];
    eqLevel[0] = m_iEqLevel;
    request[0] = m_iRequestFlag;
    ctleDone[0] = m_iCtleDone;
    dfeDone[0] = m_iDfeDone;

    m_iPrevReady = y;
    m_iPrevAck = a;
    m_iPrevStarted = m_iStarted;
    m_Prev = m_Cur;

    m_Report.Flush();
    return true;
}

bool Adapt::Finalize()
{
    DeleteBuffers();
    m_Report.Close();
    return true;
}

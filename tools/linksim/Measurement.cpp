#include "linksim/Measurement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "linksim/Link.h"
#include "linksim/LinkModels.h"
#include "linksim/Measure.h"

namespace linksim {

namespace {


// Lock of the primary's clock and the jitter of its clock times.
void MeasureClock(const LinkConfig& o, const Receiver& primary, LinkMeasurement& r)
{
    const double bitTime = 1.0 / o.bitRate;
    r.refPeriod = bitTime / std::max(1, o.rx.Factor);
    r.lock = DetectLock(primary.edges, r.refPeriod, static_cast<size_t>(o.lockWindow),
                        o.lockToleranceUi * r.refPeriod, o.jitter.sjUi > 0.0 ? o.jitter.sjFrequency : 0.0);
    r.lockTime = r.lock.locked ? primary.edges[r.lock.edge] : 0.0;
    r.clock = MeasureJitter(primary.edges, r.refPeriod, r.lock.locked ? r.lock.edge : 0);
    for (size_t k = 1; k < primary.edges.size(); ++k)
        if (primary.edges[k] - primary.edges[k - 1] > 1.5 * r.refPeriod) ++r.gaps;
}

// Decisions from where measuring starts, aligned by their time to the
// transmitted bits, and counted.
void CountBitErrors(const LinkConfig& o, const std::vector<uint8_t>& txBits, long long bitsDone, LinkMeasurement& r)
{
    const int spb = o.samplesPerBit;
    Receiver* decRx = r.decRx;
    if (decRx && !decRx->centres.empty()) {
        r.firstDecision = static_cast<size_t>(
            std::lower_bound(decRx->centres.begin(), decRx->centres.end(), r.measureFrom) - decRx->centres.begin());
        r.slots = SlotsFromCentres(decRx->centres, spb, r.firstDecision);
        r.align = AlignDecisions(txBits, r.slots.slot, decRx->decisions, r.firstDecision, 8192, o.maxLag);
        r.errors = CountErrors(txBits, r.slots.slot, decRx->decisions, r.firstDecision, r.align);
        if (r.measureFrom >= static_cast<double>(bitsDone) * spb)
            r.align.why = "nothing to measure: the run's " + std::to_string(bitsDone) +
                          " bits end before the measurement starts " + r.scope + "; run more bits (--bits)";
    }
    if (decRx && r.align.found)
        for (size_t k = r.firstDecision; k < decRx->decisions.size() && r.errorBits.size() < 32; ++k) {
            const int e = ExpectedSign(txBits, r.slots.slot[k], r.align);
            if (e != 0 && e != decRx->decisions[k])
                r.errorBits.push_back(static_cast<long long>(r.slots.slot[k] - r.align.lag));
        }
}

// The eye of the equalised signal over the last eyeBits bits measured, the
// signal at the decision instants and the data's crossings.
void FoldEye(const LinkConfig& o, const Receiver& eyeRx, const std::vector<uint8_t>& txBits, LinkMeasurement& r)
{
    const int spb = o.samplesPerBit;
    const double dt = 1.0 / o.bitRate / spb;
    const int64_t from = std::max<int64_t>(eyeRx.tail->First(), static_cast<int64_t>(std::ceil(r.measureFrom)));
    const std::vector<float> w = eyeRx.tail->CopyFrom(from);
    const int64_t base = std::max(from, eyeRx.tail->First());
    if (w.size() <= static_cast<size_t>(4 * spb)) {
        r.eyeError = "too few samples for an eye " + r.scope;
        return;
    }
    const auto mm = std::minmax_element(w.begin(), w.end());
    const double span = std::max(1e-6, static_cast<double>(*mm.second - *mm.first));
    r.eye = std::make_unique<EyeDiagram>(640, 400, *mm.first - 0.08 * span, *mm.second + 0.08 * span);
    const Slots eyeSlots = SlotsFromCentres(eyeRx.centres, spb, 0);
    for (size_t k = 0; k < eyeRx.centres.size(); ++k) {
        const double c = eyeRx.centres[k];
        if (c - spb < base) continue;
        // Same clock as the primary when deterministic: the phase of the
        // primary's slots keeps both on the same bits.
        const int64_t slot =
            r.decRx ? static_cast<int64_t>(std::llround((c - r.slots.phase) / spb)) : eyeSlots.slot[k];
        const int expected = ExpectedSign(txBits, slot, r.align);
        r.eye->Fold(w.data(), w.size(), base, c, eyeRx.periods[k], expected);
        // The signal at the instant (linear between samples, sample i
        // standing for i + 1/2), by the sign it should have.
        const double x = c - 0.5 - static_cast<double>(base);
        const size_t i0 = static_cast<size_t>(std::max(0.0, std::floor(x)));
        if (expected != 0 && i0 + 1 < w.size()) {
            const double v = w[i0] + (x - static_cast<double>(i0)) * (w[i0 + 1] - w[i0]);
            (expected > 0 ? r.sampledOnes : r.sampledZeros).push_back(v);
        }
    }
    std::vector<double> cs, ps;
    for (size_t k = 0; k < eyeRx.centres.size(); ++k)
        if (eyeRx.centres[k] - spb >= base) {
            cs.push_back(eyeRx.centres[k]);
            ps.push_back(eyeRx.periods[k]);
        }
    r.crossings = FindCrossings(w.data(), w.size(), base, cs, ps, dt);
    r.opening = r.eye->Measure();
    r.eyeTraces = r.eye->Traces();
}

// The data jitter is measured over the eye's window: a tone slower than
// that window shows as drift, not as a line of its own.
std::string ToneWarning(const LinkConfig& o, long long bitsDone, double measureFrom)
{
    const double bitTime = 1.0 / o.bitRate;
    const double measured = std::max(0.0, static_cast<double>(bitsDone) - measureFrom / o.samplesPerBit);
    const double windowBits = std::min(measured, static_cast<double>(o.eyeBits));
    if (!(o.jitter.sjUi > 0.0 && o.jitter.sjFrequency > 0.0 && windowBits * bitTime * o.jitter.sjFrequency < 1.0))
        return {};
    return "the jitter is measured over " + Num(windowBits, 7) + " bits (" + Num(windowBits * bitTime * 1e6, 3) +
           " us), shorter than one period of the injected SJ (" + Num(1e6 / o.jitter.sjFrequency, 3) +
           " us): PJ and DJ miss part of the tone; run more bits (--bits, --eye-bits)";
}

// With the receiver's own decisions and the equalised signal of a second
// instance, how often the host's slicing agrees with the receiver's slicer
// (decision instants matched within a quarter period).
void CompareSlicing(const LinkConfig& o, const LinkModels& m, LinkMeasurement& r)
{
    const int spb = o.samplesPerBit;
    if (!(m.primary->config == 0 && m.eyeRx && m.eyeRx != m.primary)) return;
    size_t b = 0;
    for (size_t a = r.firstDecision; a < m.primary->centres.size(); ++a) {
        const double c = m.primary->centres[a];
        while (b < m.eyeRx->centres.size() && m.eyeRx->centres[b] < c - 0.25 * spb) ++b;
        if (b == m.eyeRx->centres.size()) break;
        if (std::fabs(m.eyeRx->centres[b] - c) > 0.25 * spb) continue;
        ++r.sliceCompared;
        r.sliceAgreed += m.eyeRx->decisions[b] == m.primary->decisions[a] ? 1 : 0;
    }
}

// The symbol sent for slot `slot` as the receiver should see it (mirrored
// when the link inverts), -1 when outside the run.
int SentSymbol(const std::vector<uint8_t>& symbols, int64_t slot, const Alignment& a, int levels)
{
    const int64_t b = slot - a.lag;
    if (!a.found || b < 0 || b >= static_cast<int64_t>(symbols.size())) return -1;
    const int s = symbols[static_cast<size_t>(b)];
    return a.inverted ? levels - 1 - s : s;
}

// Several levels: the thresholds (the receiver's, else halfway between the
// mean received levels), the symbols sliced against them and counted.
void CountSymbolErrors(const LinkConfig& o, const std::vector<uint8_t>& symbols, LinkMeasurement& r)
{
    const Modulation& mod = o.modulation;
    const Receiver* rx = r.decRx;
    auto& p = r.pam;
    if (!rx || !r.align.found || rx->samples.size() != rx->decisions.size()) return;
    p.thresholds = mod.thresholds;
    p.thresholdSource = mod.thresholdSource;
    if (p.thresholds.empty()) {
        std::vector<double> sum(static_cast<size_t>(mod.levels), 0.0);
        std::vector<size_t> count(sum.size(), 0);
        for (size_t k = r.firstDecision; k < rx->samples.size(); ++k) {
            const int s = SentSymbol(symbols, r.slots.slot[k], r.align, mod.levels);
            if (s < 0) continue;
            sum[static_cast<size_t>(s)] += rx->samples[k];
            ++count[static_cast<size_t>(s)];
        }
        for (size_t s = 0; s < sum.size(); ++s) sum[s] = count[s] ? sum[s] / static_cast<double>(count[s]) : 0.0;
        p.thresholds = MidThresholds(sum, count);
        p.thresholdSource = "measured: halfway between the mean received levels (the receiver gives none)";
    }
    if (p.thresholds.size() != static_cast<size_t>(mod.levels - 1)) return;
    for (size_t k = r.firstDecision; k < rx->samples.size(); ++k) {
        const int s = SentSymbol(symbols, r.slots.slot[k], r.align, mod.levels);
        if (s < 0) continue;
        const int d = Slice(rx->samples[k], p.thresholds);
        ++p.symbols;
        p.bits += static_cast<uint64_t>(mod.BitsPerSymbol());
        if (d != s) {
            if (p.firstErrorDecision < 0) p.firstErrorDecision = static_cast<int64_t>(k);
            if (p.errorSymbols.size() < 32)
                p.errorSymbols.push_back(static_cast<long long>(r.slots.slot[k] - r.align.lag));
            ++p.symbolErrors;
            p.bitErrors += static_cast<uint64_t>(BitErrors(mod, s, d));
        }
    }
    p.valid = true;
}

// Several levels: eye j lies between symbols j and j + 1; each is folded
// from the traces of those two symbols only, the upper as "ones".
void FoldMultilevelEyes(const LinkConfig& o, const Receiver& eyeRx, const std::vector<uint8_t>& symbols,
                        LinkMeasurement& r)
{
    const int spb = o.samplesPerBit;
    const int n = o.modulation.levels;
    const int64_t from = std::max<int64_t>(eyeRx.tail->First(), static_cast<int64_t>(std::ceil(r.measureFrom)));
    const std::vector<float> w = eyeRx.tail->CopyFrom(from);
    if (!r.eye || w.empty() || !r.align.found) return;
    std::vector<EyeDiagram> eyes;
    for (int j = 0; j + 1 < n; ++j) eyes.emplace_back(16, 16, r.eye->VMin(), r.eye->VMax());
    for (size_t k = 0; k < eyeRx.centres.size(); ++k) {
        const double c = eyeRx.centres[k];
        if (c - spb < from) continue;
        const int64_t slot = static_cast<int64_t>(std::llround((c - r.slots.phase) / spb));
        const int s = SentSymbol(symbols, slot, r.align, n);
        if (s < 0) continue;
        if (s > 0) eyes[static_cast<size_t>(s - 1)].Fold(w.data(), w.size(), from, c, eyeRx.periods[k], 1);
        if (s + 1 < n) eyes[static_cast<size_t>(s)].Fold(w.data(), w.size(), from, c, eyeRx.periods[k], -1);
    }
    for (const EyeDiagram& e : eyes) r.pam.eyes.push_back(e.Measure());
}

}  // namespace

LinkMeasurement MeasureLink(const LinkConfig& o, LinkModels& m, const std::vector<uint8_t>& txBits,
                            long long bitsDone, const std::string& adaptText,
                            const std::vector<uint8_t>* symbols)
{
    LinkMeasurement r;
    const double bitTime = 1.0 / o.bitRate;
    const int spb = o.samplesPerBit;
    const double dt = bitTime / spb;
    MeasureClock(o, *m.primary, r);

    // Measuring starts after lock (the second half of the run when the clock
    // never locked) and after the bits to ignore.
    const long long ignoreBits = o.modelIgnoreBits + o.ignoreBits;
    r.measureFrom = std::max(r.lock.locked ? r.lockTime / dt : 0.5 * bitsDone * spb,
                             static_cast<double>(ignoreBits) * spb);
    r.scope = MeasurementScope(r.lock.locked, r.lock.locked ? static_cast<long long>(r.lockTime / bitTime) : -1,
                               o.modelIgnoreBits, o.modelIgnoreSource, o.ignoreBits,
                               static_cast<long long>(r.measureFrom / spb));
    r.decRx = m.primary->config == 1 ? m.eyeRx : m.primary;
    CountBitErrors(o, txBits, bitsDone, r);
    if (symbols) CountSymbolErrors(o, *symbols, r);

    r.eyeError = "no equalised signal (RX_Config is not 2 and the eye receiver is off)";
    if (m.eyeRx && m.eyeRx->centres.empty()) {
        r.eyeError = "the receiver returned no clock times, so there is no decision instant to fold on";
    } else if (m.eyeRx && m.eyeRx->tail) {
        r.eyeError.clear();
        FoldEye(o, *m.eyeRx, txBits, r);
        if (symbols) FoldMultilevelEyes(o, *m.eyeRx, *symbols, r);
    }

    r.adapt = ParseAdaptLog(adaptText);
    r.ctleSetting = o.rx.CTLEAdapt == 1 ? r.adapt.finalSetting : o.rx.EQ_Level;
    r.dataJitter = MeasureJitter(r.crossings, bitTime, o.ber);
    r.toneWarning = ToneWarning(o, bitsDone, r.measureFrom);
    r.extrapolated = ExtrapolateEye(r.dataJitter, r.sampledOnes, r.sampledZeros, o.ber);
    CompareSlicing(o, m, r);
    return r;
}

}  // namespace linksim

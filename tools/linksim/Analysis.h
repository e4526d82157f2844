// What the host measures on the receiver's output: the alignment of the
// decisions to the transmitted bits and the bit errors, the lock of the
// recovered clock and its jitter, and the eye of the equalised signal folded
// on the recovered clock.
//
// Times are in samples of the simulation (sample 0 is the first sample given
// to the receiver) unless a name says seconds. The recovered clock is known
// by its falling edges, which is what the receiver reports as clock times;
// its decisions are taken on the rising edge between two falling edges, so
// the decision instant of clock period k is taken as the midpoint
// c_k = (f_k + f_{k+1}) / 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace linksim {

// ------------------------------------------------------------- alignment

// The bit slot of each decision: round((c_k - phase) / samplesPerBit), where
// phase is the circular mean of c_k modulo samplesPerBit over the centres
// from index `from` on, so that a decision instant jittering around the
// middle of a slot never rounds into the neighbouring one.
struct Slots {
    std::vector<int64_t> slot;
    double phase = 0.0;  // samples, in [0, samplesPerBit)
};
Slots SlotsFromCentres(const std::vector<double>& centres, double samplesPerBit, size_t from);

// Decision k (+1 or -1) is meant to be transmitted bit slot[k] - lag,
// inverted if `inverted` (a link may invert the polarity).
struct Alignment {
    bool found = false;
    int64_t lag = 0;
    bool inverted = false;
    double agreement = 0.0;  // share of agreeing decisions at the best lag
    double runnerUp = 0.0;   // the best agreement at any other lag
    size_t compared = 0;     // decisions used in the search
    std::string why;         // when not found: the reason
};

// Searches lag 0..maxLag and both polarities on up to `count` decisions from
// index `first` on, for the best agreement. A lag is a candidate only when
// at least minCompared decisions fall on transmitted bits under it (a few
// bits agree by chance). Found when the best agreement is at least
// minAgreement (random bits agree half of the time) and beats every other
// lag by minMargin (a link that agrees equally well at two lags is not
// aligned).
Alignment AlignDecisions(const std::vector<uint8_t>& txBits, const std::vector<int64_t>& slot,
                         const std::vector<int8_t>& decisions, size_t first, size_t count,
                         int64_t maxLag, double minAgreement = 0.75, size_t minCompared = 1000,
                         double minMargin = 0.1);

struct ErrorCount {
    uint64_t compared = 0;
    uint64_t errors = 0;
    int64_t firstErrorDecision = -1;
};

// Compares decisions from index `first` on with the transmitted bits under
// the alignment; decisions whose bit lies outside txBits are not counted.
ErrorCount CountErrors(const std::vector<uint8_t>& txBits, const std::vector<int64_t>& slot,
                       const std::vector<int8_t>& decisions, size_t first, const Alignment& a);

// The expected sign (+1/-1) of decision k under the alignment, 0 if unknown.
int ExpectedSign(const std::vector<uint8_t>& txBits, int64_t slot, const Alignment& a);

// ------------------------------------------------------------- the clock

// Phase of each edge against an ideal clock of period refPeriod, unwrapped
// from period to period (a missing or extra edge does not shift the rest):
// r_0 = 0, r_k = r_{k-1} + (p_k - refPeriod * round(p_k / refPeriod)), where
// p_k = edges[k] - edges[k-1].
std::vector<double> PhaseResidual(const std::vector<double>& edges, double refPeriod);

// Locked from edge k on when, for every edge j from k to the end, the
// residual phase r_j lies within tolerance (same unit as the edges) of the
// mean of r over the 4 * window edges from j on (fewer near the end): the
// phase has stopped moving towards where it settles, and only wanders
// around it. Not locked when fewer than `window` edges remain after k.
struct Lock {
    bool locked = false;
    size_t edge = 0;  // index into the edges
};
//
// toneHz > 0: jitter of that frequency was put on the data, and a loop
// follows it where it lies inside its bandwidth, so the phase that locked
// moves with it. The residual is then judged against the tracked phase: a
// sinusoid of that frequency (with an offset and a slope) is fitted to the
// residual over the second half of the edges, where the loop has settled,
// and taken from the residual of every edge before the test above.
Lock DetectLock(const std::vector<double>& edges, double refPeriod, size_t window, double tolerance,
                double toneHz = 0.0);

// The sinusoid of frequency toneHz fitted to r[k] at times t[k] over
// [from, end) by least squares, with an offset and a slope beside it, taken
// from every r[k]. Returns the fitted amplitude (0 when the fit is singular).
double RemoveTone(std::vector<double>& r, const std::vector<double>& t, double toneHz, size_t from);

struct Jitter {
    size_t periods = 0;
    size_t gaps = 0;  // intervals of two or more periods (clock times lost), left out
    double meanPeriod = 0.0;
    double periodStd = 0.0;
    double periodMin = 0.0;
    double periodMax = 0.0;
    double tieRms = 0.0;   // time interval error: residual phase less its mean
    double tiePkPk = 0.0;
    double frequencyOffsetPpm = 0.0;  // of the mean period against refPeriod
};
// Over edges[from..end); needs at least two edges there. Intervals that
// span more than one period (a clock time the interface dropped) are not
// periods: they are counted as gaps and left out of the period figures.
Jitter MeasureJitter(const std::vector<double>& edges, double refPeriod, size_t from);

// ------------------------------------------------------------- the eye

// Folds a waveform on the decision instants. Both the density and the
// opening trackers cover two unit intervals centred on the decision instant
// (x in [-1, 1) UI). The density spans voltages [vMin, vMax] and is drawn
// as the trace through the samples (linear between neighbours, so a clock
// locked to the sample grid still gives a continuous picture). The trackers
// keep, in phaseBins bins per UI, the lowest sample of the traces whose
// bit is a one and the highest of those whose bit is a zero; a trace is
// labelled with the bit decided at its instant, so the opening found around
// x = 0 is the eye of that bit, wherever it lies around the instant.
class EyeDiagram {
public:
    EyeDiagram(int width, int height, double vMin, double vMax, int phaseBins = 64);

    // Folds samples w[0..n), whose first sample is sample number base, on
    // one decision instant `centre` with clock period `period` (samples):
    // the samples in [centre - period, centre + period) that w holds.
    // expected: the sign the sample at the centre should have (+1/-1), or 0
    // when unknown, in which case the sign of the sample nearest the centre
    // is taken.
    void Fold(const float* w, size_t n, int64_t base, double centre, double period, int expected);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    double VMin() const { return m_vMin; }
    double VMax() const { return m_vMax; }
    uint64_t Count(int x, int y) const { return m_density[static_cast<size_t>(y) * m_width + x]; }
    uint64_t MaxCount() const;
    uint64_t Traces() const { return m_traces; }

    // Eye height at the decision instant (lowest "one" minus highest "zero",
    // negative when the eye is closed), the width of the run of phase bins
    // around it where the height is positive, in UI, and the largest height
    // within that run.
    struct Opening {
        bool valid = false;
        double height = 0.0;
        double widthUi = 0.0;
        double centreOffsetUi = 0.0;  // middle of the open run against the instant
        double bestHeight = 0.0;
        double bestOffsetUi = 0.0;    // where the best height lies
    };
    Opening Measure() const;

    // The trackers: phase bin b of [0, 2 PhaseBins()) lies at
    // (b - PhaseBins()) / PhaseBins() UI; the lowest "one" and the highest
    // "zero" seen there (+inf / -inf when none).
    int PhaseBins() const { return m_bins; }
    double OnesLowest(int b) const { return m_onesMin[static_cast<size_t>(b)]; }
    double ZerosHighest(int b) const { return m_zerosMax[static_cast<size_t>(b)]; }

private:
    int m_width, m_height;
    double m_vMin, m_vMax;
    int m_bins;
    std::vector<uint64_t> m_density;
    std::vector<double> m_onesMin, m_zerosMax;
    uint64_t m_traces = 0;
};

}  // namespace linksim

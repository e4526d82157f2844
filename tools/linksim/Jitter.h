// Jitter: injected at the transmitter on the stimulus edges, and measured
// on the received signal against the recovered clock; and the bathtub
// curves extrapolated from the distributions the bit-by-bit run measures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace linksim {

// Edge n (between bits n-1 and n) lies at (n + d_n) UI, with
//   d_n = rj g_n + sj sin(2 pi sjFrequency n T) + sj2 sin(2 pi sj2Frequency n T)
//         + (+dcd/2 rising, -dcd/2 falling) + dj s_n,
// g_n a standard normal number and s_n = +-1 (equally likely) drawn from
// (seed, n) alone, so a block split never changes the stimulus. d_n is held
// within +-0.45 UI.
struct JitterSpec {
    double rjUi = 0.0;        // random jitter, rms
    double sjUi = 0.0;        // sinusoidal jitter, amplitude (peak)
    double sjFrequency = 0.0; // Hz
    // A second tone (the transmitter model's Tx_Sj beside --sj).
    double sj2Ui = 0.0, sj2Frequency = 0.0;
    double dcdUi = 0.0;       // duty-cycle distortion: rising minus falling edge delay
    double djUi = 0.0;        // bounded jitter, dual-Dirac: each edge at +dj or -dj (half peak-to-peak)
    uint64_t seed = 1;
    bool Any() const { return rjUi != 0.0 || sjUi != 0.0 || sj2Ui != 0.0 || dcdUi != 0.0 || djUi != 0.0; }
    double EdgeOffset(int64_t n, bool rising, double bitTime) const;
};

// NRZ samples of bits [first, first + count) at +-0.5 V, spb (>= 4) samples
// per bit, into out[0 .. count*spb). Sample k is the waveform at time
// k + 1/2 (in samples); each edge is a straight ramp two samples long
// centred on its jittered time, so an edge between samples moves the
// samples' values in proportion and a crossing found by linear
// interpolation lies exactly on it. bits holds the whole stream from index
// 0 (the bits after the block are read when present, for its last edges).
void FillJitteredNrz(const JitterSpec& jitter, const std::vector<uint8_t>& bits, int64_t first, size_t count, int spb,
                     double bitTime, double* out);
// The same for symbols of several levels: symbol s at levels[s] V (a
// rising edge is one to a higher level); bits holds symbols.
void FillJitteredSymbols(const JitterSpec& jitter, const std::vector<uint8_t>& bits, const double* levels,
                         int64_t first, size_t count, int spb, double bitTime, double* out);

// The lower or upper tail of a sample, fitted as a Gaussian on the Q scale:
// with the empirical probability p_i of the i-th smallest value, the values
// x_i of the tail (p from 5/N to 0.02, or the mirror) against Q^-1(p_i) are
// a line whose slope is the rms and whose intercept the mean.
struct TailFit {
    bool ok = false;
    double mean = 0.0, sigma = 0.0;
    size_t points = 0;
};
TailFit FitTail(std::vector<double> values, bool lower);

// Data crossings against the recovered clock: the time of each zero
// crossing of the signal between two decision instants, as an offset in UI
// from the midpoint of the two (ideally 0), its direction and its time.
struct Crossings {
    std::vector<double> offsetUi;
    std::vector<uint8_t> rising;
    std::vector<double> timeS;
    size_t boundaries = 0;  // midpoints examined (for the transition density)
};
// w[0..n) holds samples from sample number base on; centres and periods are
// in samples (decision instants and clock periods).
Crossings FindCrossings(const float* w, size_t n, int64_t base, const std::vector<double>& centres,
                        const std::vector<double>& periods, double dt);

// Jitter figures from the crossings: the dual-Dirac model of the two tails
// (RJ the mean of their rms, DJ the distance of their means), TJ at the BER
// = DJ + 2 Q^-1(BER) RJ, the periodic jitter as the largest line of the
// spectrum of the offsets (gaps between transitions filled linearly), and
// the duty-cycle distortion as the mean offset of rising less falling edges.
struct JitterFigures {
    bool ok = false;
    std::string why;             // when not ok
    size_t crossings = 0;
    double transitionDensity = 0.0;
    double meanUi = 0.0, rmsUi = 0.0;
    double rjUi = 0.0, djUi = 0.0, tjUi = 0.0, ber = 1e-12;
    double pjUi = 0.0, pjFrequency = 0.0;   // amplitude (peak) and frequency of the largest line
    double dcdUi = 0.0;
    TailFit left, right;        // tails of the offsets
    // TJ of a unit interval or more: the eye is closed in time at the BER
    // (the summary says "closed", not a TJ beyond the interval).
    bool Closed() const { return ok && tjUi >= 1.0; }
};
JitterFigures MeasureJitter(const Crossings& c, double bitTime, double ber = 1e-12);

// Bathtubs extrapolated from the bit-by-bit run: horizontal from the tails
// of the crossings, BER(x) = rho [Q((x + 1/2 - mR) / sR) + Q((mL - x + 1/2) / sL)]
// at sampling offset x UI; vertical from the tails of the sampled values of
// ones (lower) and zeros (upper), BER(u) = [Q((m1 - u) / s1) + Q((u - m0) / s0)] / 2.
struct ExtrapolatedEye {
    bool timingOk = false, amplitudeOk = false;
    std::vector<double> phaseUi, phaseBer;      // horizontal bathtub
    std::vector<double> thresholdV, thresholdBer;  // vertical bathtub
    TailFit ones, zeros;
    double widthUi = 0.0;    // at the BER, 0 when closed
    double heightV = 0.0;    // at the BER, 0 when closed
    // Closed at the BER: the fitted edges meet or cross. heightFitV is the
    // fit's own figure (negative when closed); heightOutside: the fitted
    // edges lie beyond the range of the sampled values themselves, where the
    // fit has no data to stand on.
    bool widthClosed = false, heightClosed = false, heightOutside = false;
    double heightFitV = 0.0;
};
ExtrapolatedEye ExtrapolateEye(const JitterFigures& j, const std::vector<double>& ones, const std::vector<double>& zeros,
                               double ber = 1e-12);

}  // namespace linksim

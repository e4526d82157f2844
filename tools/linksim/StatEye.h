// Statistical eye of an NRZ or PAMn link from its pulse response, and the
// bathtub curves that go with it.
//
// Symbols take n equally spaced levels a u_s, u_s = -1 + 2 s / (n - 1)
// (a = half the stimulus swing; NRZ: +-a), independent and equally likely.
// At sampling phase tau the received sample is
//     y = a u_0 c_0 + sum_{k != 0} a u_k c_k + n,
// with cursors c_k = p(t_0 + tau + k T) of the pulse response p (the
// response to a pulse of one unit interval and unit height; t_0 is its
// peak) and Gaussian noise n. The density of the inter-symbol interference
// is the convolution of the n-point densities {a u_s c_k} (cursors smaller
// than a quarter of a voltage bin join a Gaussian of their summed variance,
// with the noise); the density of symbol s is that shifted by a u_s c_0.
// Eye e (n - 1 of them, from the bottom) lies between symbols e and e + 1;
// its bathtub and contours come from those two symbols' densities, as an
// NRZ eye's from the ones and zeros. Probabilities are carried in double
// precision, so the contours reach 1e-15 and below.
#pragma once

#include <cstddef>
#include <vector>

namespace linksim {

struct StatEyeOptions {
    double amplitude = 0.5;   // a, volts
    double noiseRms = 0.0;    // volts
    double uniformNoise = 0.0;  // volts: noise spread evenly over +-it
    int bins = 1025;          // voltage bins (odd: 0 V is a bin centre)
    // Timing jitter at the sampling instant, applied to the bathtub by
    // averaging it over the jitter's density (random: Gaussian rms,
    // sinusoidal: arcsine of this amplitude, a second tone likewise,
    // duty-cycle: +-half of it, bounded: +-dj), UI.
    double rjUi = 0.0, sjUi = 0.0, dcdUi = 0.0;
    double sj2Ui = 0.0, djUi = 0.0;
    // The receiver's clock: its sampling instant offset by clockOffsetUi[i]
    // with probability clockWeight[i] (weights summing to 1; none: no
    // offset), each spread by a Gaussian of clockSigmaUi rms.
    std::vector<double> clockOffsetUi, clockWeight;
    double clockSigmaUi = 0.0;
    // The receiver's sensitivity: a sample decides a one only above
    // +sensitivityV and a zero only below -sensitivityV (between them it
    // errs). The contours and the bathtub are those of that decision; the
    // density (the picture) is the signal's.
    double sensitivityV = 0.0;
    int levels = 2;           // symbol levels: 2 (NRZ) to 16
    // Decision thresholds (V, ascending, levels - 1 of them) for the
    // bathtubs; empty: midway between neighbouring symbols' main-cursor
    // levels (NRZ: 0 V).
    std::vector<double> thresholds;
    // The pulse's sample taken as phase 0 (-1: its peak, or the middle of
    // a flat top).
    long reference = -1;
};

// One eye: between symbols e and e + 1 (NRZ: the only one).
struct StatEyeOpening {
    double threshold = 0.0;          // V, where its bathtub decides
    std::vector<double> bathtub;     // per phase: BER at the threshold (with the jitter, if any)
    // Inner edges per contour BER L, per phase: the voltage below which the
    // upper symbol falls with probability 2L (upper edge) and above which
    // the lower symbol rises with probability 2L (lower edge): the decision
    // between the two errs with probability L on that side.
    std::vector<std::vector<double>> upper, lower;
};

// The bathtub (per phase, spb phases) averaged over the timing jitter and
// the receiver's clock density of `o`: beyond the unit interval the sample
// decides the neighbouring bit, wrong half of the time.
void AverageBathtubOverJitter(std::vector<double>& bathtub, int spb, const StatEyeOptions& o);

struct StatEye {
    int phases = 0;              // samples per unit interval: phase j is (j - phases/2) samples from t_0
    double vMin = 0.0, vMax = 0.0;
    int bins = 0;
    int levels = 2;
    std::vector<double> density; // phases x bins, probability per bin of the sample (all symbols)
    std::vector<double> contourBers;
    std::vector<StatEyeOpening> eyes;  // levels - 1, from the bottom
    bool thresholdsGiven = false;  // the bathtubs decide at the caller's thresholds
    double mainCursor = 0.0;      // c_0 at phase 0 (after the polarity is made positive)
    long t0 = 0;                  // the pulse's sample at phase 0 (its peak)
    bool inverted = false;        // the pulse's peak was negative: the link inverts

    // Eye e's height at BER L at the phase where it is largest, and at phase 0.
    double HeightAt(double ber, bool bestPhase = true, size_t eye = 0) const;
    // Width (UI) of the run of phases around phase 0 where eye e is open
    // at BER L (from the contours), and where its bathtub is below L.
    double WidthAt(double ber, size_t eye = 0) const;
    double BathtubWidthAt(double ber, size_t eye = 0) const;
    // Eye e's bathtub at phase 0.
    double CentreBer(size_t eye = 0) const;
};

// pulse: response to a unit pulse one UI long at spb samples per UI.
StatEye ComputeStatEye(const std::vector<double>& pulse, int spb, const StatEyeOptions& options);

// The pulse response of a unit step response: p[n] = s[n] - s[n - spb].
std::vector<double> PulseFromStep(const std::vector<double>& step, int spb);

// Standard normal tail Q(x) = P(N > x), and its inverse.
double NormalTail(double x);
double InverseNormalTail(double p);

}  // namespace linksim

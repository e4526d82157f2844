// Statistical eye of a binary NRZ link from its pulse response, and the
// bathtub curves that go with it.
//
// Symbols are +-a (a = half the stimulus swing) and independent, equally
// likely. At sampling phase tau the received sample is
//     y = a b_0 c_0 + sum_{k != 0} a b_k c_k + n,
// with cursors c_k = p(t_0 + tau + k T) of the pulse response p (the
// response to a pulse of one unit interval and unit height; t_0 is its
// peak) and Gaussian noise n. The density of the inter-symbol interference
// is the convolution of the two-point densities {+-a c_k} (cursors smaller
// than a quarter of a voltage bin join a Gaussian of their summed variance,
// with the noise); the densities of a one and a zero are that shifted by
// +-a c_0. Probabilities are carried in double precision, so the contours
// reach 1e-15 and below.
#pragma once

#include <cstddef>
#include <vector>

namespace linksim {

struct StatEyeOptions {
    double amplitude = 0.5;   // a, volts
    double noiseRms = 0.0;    // volts
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
};

// The bathtub (per phase, spb phases) averaged over the timing jitter and
// the receiver's clock density of `o`: beyond the unit interval the sample
// decides the neighbouring bit, wrong half of the time.
void AverageBathtubOverJitter(std::vector<double>& bathtub, int spb, const StatEyeOptions& o);

struct StatEye {
    int phases = 0;              // samples per unit interval: phase j is (j - phases/2) samples from t_0
    double vMin = 0.0, vMax = 0.0;
    int bins = 0;
    std::vector<double> density; // phases x bins, probability per bin of the sample (ones and zeros)
    std::vector<double> bathtub; // per phase: BER at the threshold 0 V (with the jitter, if any)
    // Inner edges of the eye per phase at each contour BER L: the voltage
    // below which a one falls with probability 2L (upper edge) and above
    // which a zero rises with probability 2L (lower edge): the decision
    // with that threshold errs with probability L on that side.
    std::vector<double> contourBers;
    std::vector<std::vector<double>> upper, lower;
    double mainCursor = 0.0;      // c_0 at phase 0 (after the polarity is made positive)
    bool inverted = false;        // the pulse's peak was negative: the link inverts

    // Eye height at BER L at the phase where it is largest, and at phase 0.
    double HeightAt(double ber, bool bestPhase = true) const;
    // Width (UI) of the run of phases around phase 0 where the eye is open
    // at BER L (from the contours), and where the bathtub is below L.
    double WidthAt(double ber) const;
    double BathtubWidthAt(double ber) const;
};

// pulse: response to a unit pulse one UI long at spb samples per UI.
StatEye ComputeStatEye(const std::vector<double>& pulse, int spb, const StatEyeOptions& options);

// The pulse response of a unit step response: p[n] = s[n] - s[n - spb].
std::vector<double> PulseFromStep(const std::vector<double>& step, int spb);

// Standard normal tail Q(x) = P(N > x), and its inverse.
double NormalTail(double x);
double InverseNormalTail(double p);

}  // namespace linksim

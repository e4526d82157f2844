// Channels between the transmitter and the receiver: a built-in lossy line,
// an impulse response read from a two-column CSV file, and the streaming
// convolution that applies either to the transmitted waveform.
//
// An impulse response here is a list of FIR taps at the simulation's sample
// interval dt: y[n] = sum_k h[k] x[n-k]. A continuous response h(t) in 1/s
// becomes the taps h(k dt) dt, so a lossless line is the single tap 1.0 and
// the sum of the taps is the gain at DC.
#pragma once

#include <complex>
#include <cstddef>
#include <string>
#include <vector>

namespace linksim {

// The lossy line's loss in dB at frequency f, for a line whose loss at the
// Nyquist frequency fN is lossDb: a skin-effect part growing as sqrt(f)
// (above a corner where the conductor's DC resistance stops mattering) and a
// dielectric part growing as f, in the proportion 35 : 65 at fN. 0 at DC.
double LossyLineLossDb(double f, double fNyquist, double lossDbAtNyquist);

struct LossyLine {
    std::vector<double> taps;   // causal FIR taps at dt
    size_t delaySamples = 0;    // index of the largest tap
    double truncatedEnergy = 0; // share of |h|^2 cut off by the truncation
};

// A causal (minimum-phase) lossy line whose magnitude follows LossyLineLossDb:
// the phase is derived from the log-magnitude through the real cepstrum,
// which makes the response causal by construction, with no bulk delay.
// The response is truncated where the remaining energy falls below 1e-9 of
// the total, at most maxBits unit intervals long (the skin effect's slow
// tail: after 256 UI of a 17 dB line the step response is within 0.5 % of
// its final value). lossDb = 0 gives the single tap 1.0.
// Throws std::invalid_argument for negative or non-finite figures.
LossyLine MakeLossyLine(double lossDbAtNyquist, double bitTime, int samplesPerBit, size_t maxBits = 256);

// Reads "time,value" rows (seconds, 1/s). Blank lines, lines starting with
// '#' and one header line of non-numbers are skipped; a ',' ';' tab or blank
// separates the columns. Times must increase strictly. The response is
// resampled at dt by linear interpolation (zero before the first and after
// the last time) and multiplied by dt; at most 2^22 taps. Throws
// std::runtime_error naming the file and line for anything else.
std::vector<double> ReadImpulseCsv(const std::string& path, double dt);

// Gain of FIR taps at frequency f (Hz) for sample interval dt.
std::complex<double> FirResponse(const std::vector<double>& taps, double f, double dt);

// Streaming convolution with fixed taps: short filters directly, long ones
// by overlap-save with FFTW. All memory is taken at construction; Process
// accepts any number of samples per call and keeps the history, so the
// output does not depend on how the input is split.
class Convolver {
public:
    explicit Convolver(std::vector<double> taps);
    ~Convolver();
    Convolver(const Convolver&) = delete;
    Convolver& operator=(const Convolver&) = delete;

    // y[i] = sum_k h[k] x[i-k] over the whole stream; in and out may alias.
    void Process(const double* in, double* out, size_t n);
    size_t Length() const { return m_taps.size(); }

private:
    void Release();
    void ProcessDirect(const double* in, double* out, size_t n);
    void ProcessFft(const double* in, double* out, size_t n);

    std::vector<double> m_taps;
    // Direct form: the last L-1 inputs, oldest first.
    std::vector<double> m_hist;
    // Overlap-save with FFT size N and M = N - L + 1 new samples per block.
    // m_time holds L-1 older inputs then the m_fill inputs of the block so
    // far; a block is transformed whenever a call ends inside it (the
    // missing inputs are zero, which does not change the outputs already
    // due) and again when it is complete.
    size_t m_fftSize = 0;
    size_t m_step = 0;
    size_t m_fill = 0;
    double* m_time = nullptr;   // N
    double* m_work = nullptr;   // N
    void* m_freq = nullptr;     // fftw_complex[N/2+1]
    void* m_kernel = nullptr;   // fftw_complex[N/2+1], scaled by 1/N
    void* m_forward = nullptr;  // fftw_plan
    void* m_inverse = nullptr;  // fftw_plan
};

}  // namespace linksim

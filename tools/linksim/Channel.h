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
// the last time) and multiplied by dt; at most 2^22 taps, values at most
// 1e200 in size, a gain (sum of |taps|) at most 1000. Throws
// std::runtime_error naming the file and line for anything else.
std::vector<double> ReadImpulseCsv(const std::string& path, double dt);

// Gain of FIR taps at frequency f (Hz) for sample interval dt.
std::complex<double> FirResponse(const std::vector<double>& taps, double f, double dt);

// Streaming convolution with fixed taps: short filters directly, long ones
// by uniformly partitioned overlap-save with FFTW. All memory is taken at
// construction; Process accepts any number of samples per call, keeps the
// history and returns every output at once (no latency), so the output does
// not depend on how the input is split (beyond FFT rounding).
//
// Partitioned overlap-save: the taps are cut into P partitions of B taps, the
// input into blocks of B samples. Each partition's spectrum (FFT size 2B) is
// kept, and so are the spectra of the last P-1 complete input blocks (each
// transformed with the block before it). The output of block k is
//     y_k = last B samples of IFFT( H_0 X_k + sum_{p=1}^{P-1} H_p X_{k-p} ).
// The sum over p >= 1 needs only complete blocks: it is formed once, when
// block k starts. A call that ends inside block k transforms the block so far
// (missing inputs are zero, which does not change the outputs already due)
// and multiplies by H_0 alone, so a call costs two FFTs of size 2B however
// long the filter is, and a block costs P spectrum products once.
class Convolver {
public:
    // partition: B, rounded up to a power of two; 0 chooses it from the tap
    // count (a quarter of it, within 1024 .. 65536). B >= the tap count gives
    // a single partition, i.e. plain overlap-save with blocks of B.
    explicit Convolver(std::vector<double> taps, size_t partition = 0);
    ~Convolver();
    Convolver(const Convolver&) = delete;
    Convolver& operator=(const Convolver&) = delete;

    // y[i] = sum_k h[k] x[i-k] over the whole stream; in and out may alias.
    void Process(const double* in, double* out, size_t n);
    size_t Length() const { return m_taps.size(); }
    // B and P (0 and 0 for the direct form of short filters).
    size_t PartitionSize() const { return m_part; }
    size_t Partitions() const { return m_parts; }

private:
    void Release();
    void ProcessDirect(const double* in, double* out, size_t n);
    void ProcessFft(const double* in, double* out, size_t n);
    void StartNextBlock();

    std::vector<double> m_taps;
    // Direct form: the last L-1 inputs, oldest first.
    std::vector<double> m_hist;
    // Partitioned overlap-save (see above). m_time holds the previous input
    // block then the m_fill inputs of the current one (zeros after them);
    // outputs up to m_emitted of the current block have been returned.
    size_t m_part = 0;     // B
    size_t m_parts = 0;    // P
    size_t m_fill = 0;
    size_t m_emitted = 0;
    size_t m_newest = 0;   // slot of the newest complete block's spectrum
    double* m_time = nullptr;    // 2B
    double* m_work = nullptr;    // 2B
    void* m_freq = nullptr;      // fftw_complex[B+1]
    void* m_tail = nullptr;      // fftw_complex[B+1]: sum_{p>=1} H_p X_{k-p}
    void* m_kernel = nullptr;    // fftw_complex[P][B+1]: H_p, scaled by 1/(2B)
    void* m_history = nullptr;   // fftw_complex[P-1][B+1]: X of the last blocks
    void* m_forward = nullptr;   // fftw_plan
    void* m_inverse = nullptr;   // fftw_plan
};

}  // namespace linksim

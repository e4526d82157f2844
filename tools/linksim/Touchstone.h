// S-parameter channels: the Touchstone reader (versions 1.x and 2.0), the
// renormalisation to a common reference impedance, the thru pairing and
// sides of a 4-port found from the data, the differential insertion loss
// SDD21 by mixed-mode conversion, and the impulse response at the
// simulation's sample interval.
//
// Conventions: ports are numbered from 1 as in the file; S(k, i, j) is the
// wave leaving port i for a wave entering port j at frequency k (S21 =
// S(k, 2, 1) is the transmission from port 1 to port 2).
#pragma once

#include <complex>
#include <cstddef>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace linksim {

using Complex = std::complex<double>;

// A file the reader refuses: what() is "<file>:<line>: <reason>" (line 0:
// no line to name, e.g. a file that cannot be opened).
class TouchstoneError : public std::runtime_error {
public:
    TouchstoneError(const std::string& file, size_t line, const std::string& reason);
    size_t Line() const { return m_line; }

private:
    size_t m_line;
};

struct Touchstone {
    std::string name;     // file name, for messages
    int version = 1;      // 1 (1.x) or 2 (2.0)
    int ports = 0;
    size_t portsLine = 0; // line that fixed the port count (0: the file name)
    std::string format;   // "RI", "MA" or "DB", as the option line says
    double unit = 1e9;    // Hz per frequency unit of the file
    std::vector<double> reference;  // ohms, one per port
    std::vector<double> freq;       // Hz, strictly increasing
    std::vector<size_t> lines;      // the line each frequency's record starts on
    std::vector<Complex> data;      // ports x ports per frequency, row-major

    Complex S(size_t k, int to, int from) const
    {
        const size_t n = static_cast<size_t>(ports);
        return data[k * n * n + static_cast<size_t>(to - 1) * n + static_cast<size_t>(from - 1)];
    }
    Complex& S(size_t k, int to, int from)
    {
        const size_t n = static_cast<size_t>(ports);
        return data[k * n * n + static_cast<size_t>(to - 1) * n + static_cast<size_t>(from - 1)];
    }
};

// The port count a Touchstone 1.x file name gives (".s4p" -> 4), 0 if none.
int PortsFromFileName(const std::string& path);

// Reads S-parameters. Version 1.x: the port count comes from the file name
// (portsHint when the name has none); option line "# <unit> S <format> R <z>"
// (defaults GHz S MA R 50); 2-port data in the order S11 S21 S12 S22, more
// ports row by row. Version 2.0: [Version], [Number of Ports],
// [Two-Port Data Order], [Number of Frequencies], [Reference],
// [Matrix Format] (Full, Lower, Upper), [Network Data], [Noise Data], [End];
// informational sections are skipped. '!' starts a comment anywhere.
// Every frequency's record must be laid out over its lines like the first
// one (a truncated or over-long line is named by its number), frequencies
// must increase strictly, every number must be finite and stay so when
// converted (|S| at most 1e6, angles at most 1e7 degrees, frequencies at most
// 1e15 Hz, at most 2^24 S-parameters in all); the keywords that set the
// layout may not follow [Network Data]. Noise data after the
// network data of a 2-port file is skipped. Throws TouchstoneError.
Touchstone ParseTouchstone(std::istream& in, const std::string& name, int portsHint = 0);
Touchstone ReadTouchstone(const std::string& path);

// Renormalises every port to the reference z0 (ohms): with p = (Z + Z') /
// (2 sqrt(Z Z')) and q = (Z - Z') / (2 sqrt(Z Z')) per port (old Z, new
// Z'), S' = (q + p S) (p + q S)^-1. No change where the references are z0.
void Renormalize(Touchstone& ts, double z0);

// How a channel file is wired: the positive line runs inP -> outP, the
// negative line inN -> outN (4 ports); a 2-port uses inP -> outP only.
// Text form "1-2,3-4" (4 ports) or "1-2" (2 ports).
struct PortMap {
    int inP = 1, outP = 2, inN = 0, outN = 0;
};
std::string PortMapText(const PortMap& m);
// Parses the text form for a file of `ports` ports; throws
// std::invalid_argument with the reason.
PortMap ParsePortMap(const std::string& text, int ports);

// What the data say about the wiring of a 4-port.
struct PortDetection {
    bool ok = false;        // a thru pairing was found
    std::string problem;    // why not, when !ok
    PortMap map;
    // Mean |S| of the thru pairs over the low-frequency band, and that of
    // the strongest other pairing (the margin is their ratio).
    double thruLow = 0.0, otherLow = 0.0;
    double lowBandHz = 0.0;
    // Sides: the crosstalk pair that sets in first is the near end (the
    // two ends on the same side); times of the first 10 % of its energy.
    bool sidesFromData = false;
    double nearOnset = 0.0, farOnset = 0.0, thruOnset = 0.0;  // seconds
    std::string sidesNote;  // how the sides were chosen
};
PortDetection DetectPorts(const Touchstone& ts);

// The transmission of the map at every frequency: S(outP, inP) for two
// ports; for four, the differential insertion loss
// SDD21 = (S(oP,iP) - S(oP,iN) - S(oN,iP) + S(oN,iN)) / 2.
std::vector<Complex> Transmission(const Touchstone& ts, const PortMap& m);

// From frequency data to FIR taps at dt (y[n] = sum h[k] x[n-k]):
//  1. magnitude and unwrapped phase interpolated linearly onto a uniform
//     grid df = 1 / (N dt), N a power of two covering 1 / (data step);
//  2. below the first frequency: the magnitude held flat, the phase
//     straight to 0 (or pi for an inverted channel, as the phase's linear
//     extrapolation to DC says), so H(0) is real;
//  3. above the last frequency: the loss extended with the slope of the top
//     fifth of the data, the phase with the mean group delay, and a raised
//     cosine taper to zero by min(1.5 fmax, fs/2) (starting lower when the
//     data reach beyond the simulation's band);
//  4. inverse FFT; the response starts where its step response first
//     reaches 0.1 % of its largest value, less a lead of 1/(2 fmax) over
//     which a half-Hann window rises: everything before (the acausal
//     leakage of band-limited data) is removed, and with it the bulk delay;
//  5. the tail is cut where the remaining energy is below 1e-10 of the
//     whole (with a half-Hann fall over its last 2 %);
//  6. passivity: if the gain of the taps exceeds 1 anywhere they are scaled
//     down to 1.
struct FrequencyFit {
    std::vector<double> taps;
    double dcGain = 0.0;          // sum of the taps
    double delayRemoved = 0.0;    // seconds cut before the response
    double passivityScale = 1.0;  // < 1 when the taps were scaled down
    double maxGain = 0.0;         // largest |H| of the taps before scaling
    size_t gridSize = 0;          // N
    // The response at 0 Hz the taps were made for: the data's own point
    // there, or, for data that start above 0 Hz, a least-squares line
    // through the magnitudes of the points from the first frequency f0 to
    // 2 f0 (at least two; capped at 1, a passive channel) with the phase
    // line of the lowest half gigahertz, evaluated at 0 Hz.
    double dcData = 0.0;          // signed: negative for a phase of pi at DC
    bool dcExtrapolated = false;
    double dcBandHz = 0.0;        // the top of the magnitude fit's band
};
FrequencyFit ImpulseFromFrequencyData(const std::vector<double>& freq, const std::vector<Complex>& h,
                                      double dt);

// Linear interpolation of magnitude and unwrapped phase at f (within the
// data; the end values outside).
Complex InterpolateResponse(const std::vector<double>& freq, const std::vector<Complex>& h, double f);

}  // namespace linksim

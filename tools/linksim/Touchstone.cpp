#include "linksim/Touchstone.h"

#include <fftw3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace linksim {

namespace {

constexpr double kPi = 3.141592653589793;

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

std::vector<std::string> Split(const std::string& s)
{
    std::istringstream in(s);
    std::vector<std::string> out;
    std::string t;
    while (in >> t) out.push_back(t);
    return out;
}

// The whole token must be the number: a NUL inside it (which strtod would
// take for the end) makes it no number.
bool ParseNumber(const std::string& t, double& v)
{
    if (t.empty()) return false;
    char* end = nullptr;
    v = std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size();
}

// A word of the file as a message shows it: control characters (a NUL
// would end the message) as '?'.
std::string Printable(std::string t)
{
    for (char& c : t)
        if (std::iscntrl(static_cast<unsigned char>(c))) c = '?';
    return t;
}

// Bounds on what a file may ask for. The reader keeps only what the file
// holds (every value costs the file at least two characters), so these
// bound the memory a file can make the run take: 2^24 values (S-parameters,
// 16 bytes each in memory) are 256 MiB, far beyond any channel's need.
constexpr size_t kMaxValues = size_t{1} << 24;
constexpr double kMaxFrequencies = 1e7;   // [Number of Frequencies]
constexpr double kMaxFrequencyHz = 1e15;  // 1 PHz: beyond any channel
constexpr double kMaxMagnitude = 1e6;     // |S| (120 dB of gain)
constexpr double kMaxAngleDeg = 1e7;      // unwrapped angles of a few thousand turns

// Gauss-Jordan inverse of an n x n complex matrix (row-major), partial
// pivoting; false when singular.
bool Invert(std::vector<Complex>& a, size_t n)
{
    std::vector<Complex> inv(n * n, 0.0);
    for (size_t i = 0; i < n; ++i) inv[i * n + i] = 1.0;
    for (size_t c = 0; c < n; ++c) {
        size_t piv = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::abs(a[r * n + c]) > std::abs(a[piv * n + c])) piv = r;
        if (std::abs(a[piv * n + c]) < 1e-300) return false;
        if (piv != c)
            for (size_t k = 0; k < n; ++k) {
                std::swap(a[c * n + k], a[piv * n + k]);
                std::swap(inv[c * n + k], inv[piv * n + k]);
            }
        const Complex d = 1.0 / a[c * n + c];
        for (size_t k = 0; k < n; ++k) {
            a[c * n + k] *= d;
            inv[c * n + k] *= d;
        }
        for (size_t r = 0; r < n; ++r) {
            if (r == c) continue;
            const Complex f = a[r * n + c];
            if (f == 0.0) continue;
            for (size_t k = 0; k < n; ++k) {
                a[r * n + k] -= f * a[c * n + k];
                inv[r * n + k] -= f * inv[c * n + k];
            }
        }
    }
    a.swap(inv);
    return true;
}

std::vector<double> UnwrappedPhase(const std::vector<Complex>& h)
{
    std::vector<double> ph(h.size());
    double offset = 0.0, prev = 0.0;
    for (size_t k = 0; k < h.size(); ++k) {
        const double a = std::arg(h[k]);
        if (k > 0) {
            double d = a - prev;
            while (d > kPi) {
                offset -= 2 * kPi;
                d -= 2 * kPi;
            }
            while (d < -kPi) {
                offset += 2 * kPi;
                d += 2 * kPi;
            }
        }
        prev = a;
        ph[k] = a + offset;
    }
    return ph;
}

// Least-squares line y = a + b x over [i0, i1).
void FitLine(const std::vector<double>& x, const std::vector<double>& y, size_t i0, size_t i1, double& a,
             double& b)
{
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = static_cast<double>(i1 - i0);
    for (size_t i = i0; i < i1; ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double den = n * sxx - sx * sx;
    b = den != 0.0 ? (n * sxy - sx * sy) / den : 0.0;
    a = n > 0 ? (sy - b * sx) / n : 0.0;
}

size_t NextPow2(size_t n)
{
    size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

struct Fftw {
    explicit Fftw(size_t n) : time(fftw_alloc_real(n)), freq(fftw_alloc_complex(n / 2 + 1)), n(n)
    {
        if (!time || !freq) {
            Free();
            throw std::bad_alloc();
        }
    }
    ~Fftw() { Free(); }
    void Free()
    {
        fftw_free(time);
        fftw_free(freq);
        time = nullptr;
        freq = nullptr;
    }
    void Inverse()  // freq -> time, scaled by 1/n
    {
        fftw_plan p = fftw_plan_dft_c2r_1d(static_cast<int>(n), freq, time, FFTW_ESTIMATE);
        fftw_execute(p);
        fftw_destroy_plan(p);
        for (size_t i = 0; i < n; ++i) time[i] /= static_cast<double>(n);
    }
    void Forward()  // time -> freq
    {
        fftw_plan p = fftw_plan_dft_r2c_1d(static_cast<int>(n), time, freq, FFTW_ESTIMATE);
        fftw_execute(p);
        fftw_destroy_plan(p);
    }
    double* time;
    fftw_complex* freq;
    size_t n;
};

double MedianStep(const std::vector<double>& f)
{
    std::vector<double> d;
    for (size_t k = 1; k < f.size(); ++k) d.push_back(f[k] - f[k - 1]);
    if (d.empty()) return 0.0;
    std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
    return d[d.size() / 2];
}

// Time at which a response's energy first reaches `share` of its total, from
// a Hann-tapered inverse transform on the data's own grid (a coarse look,
// enough to tell a near-end crosstalk from a far-end one).
double EnergyOnset(const std::vector<double>& freq, const std::vector<Complex>& h, double share)
{
    // The grid step is the data's (a time span of 1 / step), but at least
    // fmax / 2^18: a span of 2^18 samples at 1 / (2 fmax) holds any channel's
    // delay, and a file whose steps are tiny beside its last frequency
    // (0, 1, 2, 1e9 Hz) cannot make the transform take gigabytes; at most
    // 2^20 points, 24 MiB.
    const double fmax = freq.back();
    const double step = std::max(MedianStep(freq), fmax / 262144.0);
    if (!(step > 0.0) || !std::isfinite(step)) return 0.0;
    const size_t bins = static_cast<size_t>(std::ceil(fmax / step)) + 1;
    const size_t n = NextPow2(2 * bins);
    Fftw w(n);
    for (size_t k = 0; k <= n / 2; ++k) {
        const double f = k * step;
        Complex v = 0.0;
        if (f <= fmax) v = InterpolateResponse(freq, h, f) * (0.5 + 0.5 * std::cos(kPi * f / fmax));
        w.freq[k][0] = v.real();
        w.freq[k][1] = v.imag();
    }
    w.Inverse();
    double total = 0.0;
    for (size_t i = 0; i < n / 2; ++i) total += w.time[i] * w.time[i];
    double run = 0.0;
    const double dtc = 1.0 / (static_cast<double>(n) * step);
    for (size_t i = 0; i < n / 2; ++i) {
        run += w.time[i] * w.time[i];
        if (run >= share * total) return static_cast<double>(i) * dtc;
    }
    return static_cast<double>(n / 2) * dtc;
}

}  // namespace

TouchstoneError::TouchstoneError(const std::string& file, size_t line, const std::string& reason)
    : std::runtime_error(file + (line ? ":" + std::to_string(line) : std::string()) + ": " + reason), m_line(line)
{
}

int PortsFromFileName(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return 0;
    const std::string ext = Upper(path.substr(dot + 1));
    if (ext.size() < 3 || ext.front() != 'S' || ext.back() != 'P') return 0;
    const std::string digits = ext.substr(1, ext.size() - 2);
    if (digits.empty() || digits.size() > 3) return 0;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    return std::atoi(digits.c_str());
}

namespace {

// Reads a Touchstone file line by line: the option line, the 2.0 keywords,
// the network data (a record of one frequency may span lines, and every
// record must have the first one's line layout) and what may follow them.
class TouchstoneReader {
public:
    TouchstoneReader(const std::string& name, int portsHint)
    {
        ts.name = name;
        ts.ports = portsHint;
        ts.format = "MA";
    }
    void Line(const std::string& raw);
    Touchstone Finish();

private:
    TouchstoneError Fail(size_t line, const std::string& why) const { return TouchstoneError(ts.name, line, why); }
    void Setup(size_t line);
    Complex Value(const std::vector<double>& rec, size_t& idx) const;
    void StoreRecord();
    void Keyword(const std::string& line);
    void OptionLine(const std::string& line);
    void DataLine(const std::string& line);

    Touchstone ts;
    std::string unit = "GHZ", param = "S";
    double r = 50.0;
    bool optionSeen = false, versionSeen = false, inData = false, dataDone = false, inInfo = false;
    bool twoPort21First = true;  // 1.x order S11 S21 S12 S22
    std::string matrix = "FULL";
    long long expectFreqs = -1;
    size_t expectFreqsLine = 0;
    std::vector<double> refs;
    size_t refsWanted = 0;  // values of [Reference] still to read
    size_t refsLine = 0;
    // The record being read and the layout of the first one.
    std::vector<double> rec;
    std::vector<size_t> layout, curLayout;
    size_t recordLen = 0;
    size_t recLine = 0;
    bool noise = false;
    size_t lineNo = 0;
};

void TouchstoneReader::Setup(size_t line)
{
    if (ts.ports < 1) throw Fail(line, "the number of ports is unknown (a 1.x file is named .s<N>p)");
    if (ts.ports > 64) throw Fail(line, "more than 64 ports");
    const size_t n = static_cast<size_t>(ts.ports);
    const size_t pairs = matrix == "FULL" ? n * n : n * (n + 1) / 2;
    recordLen = 1 + 2 * pairs;
    if (refs.empty()) refs.assign(n, r);
    if (refs.size() != n)
        throw Fail(refsLine, "[Reference] gives " + std::to_string(refs.size()) + " impedances for " +
                                 std::to_string(n) + " ports");
    for (double z : refs)
        if (!(z > 0.0) || !std::isfinite(z)) throw Fail(refsLine ? refsLine : line, "reference impedance must be > 0");
    ts.reference = refs;
    const std::string u = Upper(unit);
    ts.unit = u == "HZ" ? 1.0 : u == "KHZ" ? 1e3 : u == "MHZ" ? 1e6 : 1e9;
}

// The next value of the record from idx. Finite numbers can still overflow
// when converted (a DB magnitude of 7000, an angle of 1e308): each value is
// bounded before use.
Complex TouchstoneReader::Value(const std::vector<double>& values, size_t& idx) const
{
    const double a = values[idx], b = values[idx + 1];
    idx += 2;
    Complex v(a, b);
    if (ts.format != "RI") {
        if (!(std::fabs(b) <= kMaxAngleDeg))
            throw Fail(recLine, "an angle of " + std::to_string(b) + " degrees (at most 1e7 in size)");
        const double mag = ts.format == "DB" ? std::pow(10.0, std::min(a, 400.0) / 20.0) : a;
        v = std::polar(mag, b * kPi / 180.0);
    }
    if (!(std::abs(v) <= kMaxMagnitude)) throw Fail(recLine, "a magnitude above 1e6 (120 dB): not a channel's S-parameter");
    return v;
}

void TouchstoneReader::StoreRecord()
{
    const size_t n = static_cast<size_t>(ts.ports);
    const double f = rec[0] * ts.unit;
    if (f < 0.0) throw Fail(recLine, "negative frequency");
    if (!(f <= kMaxFrequencyHz)) throw Fail(recLine, "a frequency above 1e15 Hz");
    if (ts.data.size() + n * n > kMaxValues)
        throw Fail(recLine, "more than " + std::to_string(kMaxValues) + " S-parameters in the file");
    if (!ts.freq.empty() && !(f > ts.freq.back()))
        throw Fail(recLine, "frequencies must increase: " + std::to_string(rec[0]) + " follows " +
                                std::to_string(ts.freq.back() / ts.unit));
    std::vector<Complex> m(n * n);
    size_t idx = 1;
    if (n == 2 && matrix == "FULL") {
        const Complex s11 = Value(rec, idx), x = Value(rec, idx), y = Value(rec, idx), s22 = Value(rec, idx);
        m[0] = s11;
        m[3] = s22;
        m[2] = twoPort21First ? x : y;  // S21
        m[1] = twoPort21First ? y : x;  // S12
    } else {
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j) {
                const bool stored = matrix == "FULL" || (matrix == "LOWER" ? j <= i : j >= i);
                if (stored) m[i * n + j] = Value(rec, idx);
            }
        if (matrix != "FULL")
            for (size_t i = 0; i < n; ++i)
                for (size_t j = 0; j < n; ++j)
                    if (matrix == "LOWER" ? j > i : j < i) m[i * n + j] = m[j * n + i];
    }
    ts.freq.push_back(f);
    ts.lines.push_back(recLine);
    ts.data.insert(ts.data.end(), m.begin(), m.end());
}

void TouchstoneReader::Keyword(const std::string& line)
{
    const size_t close = line.find(']');
    if (close == std::string::npos) throw Fail(lineNo, "keyword without ']'");
    const std::string kw = Upper(Trim(line.substr(1, close - 1)));
    const std::string rest = Trim(line.substr(close + 1));
    const std::vector<std::string> args = Split(rest);
    if (inInfo) {
        if (kw == "END INFORMATION") inInfo = false;
        return;
    }
    if (!rec.empty())
        throw Fail(lineNo, "the data of the frequency on line " + std::to_string(recLine) + " end after " +
                               std::to_string(rec.size()) + " of " + std::to_string(recordLen) + " values");
    // Once the data have begun, only what ends them may follow: a keyword
    // that changes their layout ([Number of Ports], [Matrix Format],
    // [Reference], ...) would reinterpret the records already read.
    if (inData && kw != "NOISE DATA" && kw != "END" && kw != "BEGIN INFORMATION")
        throw Fail(lineNo, "[" + Printable(Trim(line.substr(1, close - 1))) + "] after [Network Data]");
    auto wholeNumber = [&](double max, const char* what) {
        double v = 0;
        if (args.size() != 1 || !ParseNumber(args[0], v) || v < 1 || v != std::floor(v) || v > max)
            throw Fail(lineNo, what);
        return v;
    };
    if (kw == "VERSION") {
        if (versionSeen) throw Fail(lineNo, "a second [Version]");
        if (args.empty() || args[0].rfind("2.", 0) != 0)
            throw Fail(lineNo, "only Touchstone 1.x and 2.0 are read (version '" + Printable(rest) + "')");
        ts.version = 2;
        versionSeen = true;
        ts.ports = 0;
    } else if (!versionSeen) {
        throw Fail(lineNo, "keyword [" + Printable(kw) + "] in a file without [Version]");
    } else if (kw == "NUMBER OF PORTS") {
        ts.ports = static_cast<int>(wholeNumber(64, "[Number of Ports] needs one whole number from 1 to 64"));
        ts.portsLine = lineNo;
    } else if (kw == "TWO-PORT DATA ORDER") {
        const std::string o = args.empty() ? "" : Upper(args[0]);
        if (o != "12_21" && o != "21_12") throw Fail(lineNo, "[Two-Port Data Order] must be 12_21 or 21_12");
        twoPort21First = o == "21_12";
    } else if (kw == "NUMBER OF FREQUENCIES") {
        expectFreqs = static_cast<long long>(
            wholeNumber(kMaxFrequencies, "[Number of Frequencies] needs one whole number from 1 to 10000000"));
        expectFreqsLine = lineNo;
    } else if (kw == "NUMBER OF NOISE FREQUENCIES") {
    } else if (kw == "REFERENCE") {
        refs.clear();
        refsLine = lineNo;
        refsWanted = ts.ports > 0 ? static_cast<size_t>(ts.ports) : 0;
        for (const auto& a : args) {
            double z = 0;
            if (!ParseNumber(a, z)) throw Fail(lineNo, "[Reference]: '" + Printable(a) + "' is not a number");
            refs.push_back(z);
        }
        refsWanted = refsWanted > refs.size() ? refsWanted - refs.size() : 0;
    } else if (kw == "MATRIX FORMAT") {
        matrix = args.empty() ? "" : Upper(args[0]);
        if (matrix != "FULL" && matrix != "LOWER" && matrix != "UPPER")
            throw Fail(lineNo, "[Matrix Format] must be Full, Lower or Upper");
    } else if (kw == "MIXED-MODE ORDER") {
        throw Fail(lineNo, "mixed-mode data are not read; give the single-ended S-parameters");
    } else if (kw == "BEGIN INFORMATION") {
        inInfo = true;
    } else if (kw == "NETWORK DATA") {
        if (!optionSeen) throw Fail(lineNo, "[Network Data] before the option line");
        Setup(ts.portsLine ? ts.portsLine : lineNo);
        inData = true;
    } else if (kw == "NOISE DATA" || kw == "END") {
        inData = false;
        dataDone = true;
    } else {
        throw Fail(lineNo, "unknown keyword [" + Printable(kw) + "]");
    }
}

void TouchstoneReader::OptionLine(const std::string& line)
{
    if (optionSeen) {
        if (ts.version == 2) throw Fail(lineNo, "a second option line");
        return;  // 1.x: later option lines are ignored
    }
    optionSeen = true;
    const std::vector<std::string> t = Split(line.substr(1));
    for (size_t i = 0; i < t.size(); ++i) {
        const std::string u = Upper(t[i]);
        if (u == "HZ" || u == "KHZ" || u == "MHZ" || u == "GHZ") {
            unit = u;
        } else if (u == "S" || u == "Y" || u == "Z" || u == "H" || u == "G") {
            param = u;
        } else if (u == "DB" || u == "MA" || u == "RI") {
            ts.format = u;
        } else if (u == "R") {
            if (i + 1 >= t.size() || !ParseNumber(t[i + 1], r))
                throw Fail(lineNo, "option line: R needs the reference impedance");
            ++i;
        } else {
            throw Fail(lineNo, "option line: unknown item '" + Printable(t[i]) + "'");
        }
    }
    if (param != "S") throw Fail(lineNo, "only S-parameters are read (the option line says " + param + ")");
    if (ts.version == 1) {
        if (ts.ports < 1) throw Fail(lineNo, "the number of ports is unknown (a 1.x file is named .s<N>p)");
        Setup(lineNo);
        ts.portsLine = 0;
        inData = true;
    }
}

void TouchstoneReader::DataLine(const std::string& line)
{
    if (!inData) {
        if (ts.version == 1 && !optionSeen) {
            // Data without an option line: the defaults hold.
            optionSeen = true;
            Setup(lineNo);
            inData = true;
        } else {
            throw Fail(lineNo, "data before [Network Data]");
        }
    }
    // A data line: numbers only.
    std::vector<double> nums;
    for (const auto& t : Split(line)) {
        double v = 0;
        if (!ParseNumber(t, v)) throw Fail(lineNo, "'" + Printable(t) + "' is not a number");
        if (!std::isfinite(v)) throw Fail(lineNo, "'" + t + "' is not a finite number");
        nums.push_back(v);
    }
    if (noise) {
        if (nums.size() != 5) throw Fail(lineNo, "noise data need 5 values per line, found " + std::to_string(nums.size()));
        return;
    }
    if (rec.empty()) {
        // A 2-port 1.x file may end with noise data, whose first frequency
        // is not above the last one of the network data.
        if (ts.ports == 2 && ts.version == 1 && !ts.freq.empty() && nums.size() == 5 &&
            nums[0] * ts.unit <= ts.freq.back()) {
            noise = true;
            return;
        }
        recLine = lineNo;
        curLayout.clear();
    }
    const size_t lineIndex = curLayout.size();
    if (!layout.empty() && ts.freq.size() >= 1) {
        if (lineIndex >= layout.size() || nums.size() != layout[lineIndex])
            throw Fail(lineNo, "expected " +
                                   (lineIndex < layout.size() ? std::to_string(layout[lineIndex]) : std::string("no")) +
                                   " values on this line, as on line " + std::to_string(lineIndex + 1) +
                                   " of the first frequency's data, found " + std::to_string(nums.size()));
    }
    if (rec.size() + nums.size() > recordLen)
        throw Fail(lineNo, "too many values: the frequency on line " + std::to_string(recLine) + " needs " +
                               std::to_string(recordLen) + " (" + std::to_string(ts.ports) +
                               " ports), this line brings it to " + std::to_string(rec.size() + nums.size()));
    rec.insert(rec.end(), nums.begin(), nums.end());
    curLayout.push_back(nums.size());
    if (rec.size() == recordLen) {
        if (layout.empty()) layout = curLayout;
        StoreRecord();
        rec.clear();
    }
}

void TouchstoneReader::Line(const std::string& raw)
{
    ++lineNo;
    const size_t bang = raw.find('!');
    const std::string line = Trim(bang == std::string::npos ? raw : raw.substr(0, bang));
    if (line.empty() || dataDone) return;
    if (line[0] == '[') return Keyword(line);
    if (inInfo) return;
    if (refsWanted > 0) {  // [Reference] continued on the next lines
        for (const auto& a : Split(line)) {
            double z = 0;
            if (!ParseNumber(a, z)) throw Fail(lineNo, "[Reference]: '" + Printable(a) + "' is not a number");
            refs.push_back(z);
            if (refsWanted > 0) --refsWanted;
        }
        return;
    }
    if (line[0] == '#') return OptionLine(line);
    DataLine(line);
}

Touchstone TouchstoneReader::Finish()
{
    if (inInfo) throw Fail(lineNo, "[Begin Information] without [End Information]");
    if (!rec.empty())
        throw Fail(lineNo, "the file ends inside the data of the frequency on line " + std::to_string(recLine) + " (" +
                               std::to_string(rec.size()) + " of " + std::to_string(recordLen) + " values)");
    if (ts.version == 2 && !versionSeen) throw Fail(lineNo, "no [Version]");
    if (ts.freq.empty()) throw Fail(lineNo, "no network data");
    if (expectFreqs >= 0 && static_cast<long long>(ts.freq.size()) != expectFreqs)
        throw Fail(expectFreqsLine, "[Number of Frequencies] says " + std::to_string(expectFreqs) +
                                        ", the data hold " + std::to_string(ts.freq.size()));
    return std::move(ts);
}

}  // namespace

Touchstone ParseTouchstone(std::istream& in, const std::string& name, int portsHint)
{
    TouchstoneReader reader(name, portsHint);
    std::string raw;
    while (std::getline(in, raw)) reader.Line(raw);
    return reader.Finish();
}

Touchstone ReadTouchstone(const std::string& path)
{
    std::ifstream in(path);
    if (!in) throw TouchstoneError(path, 0, "cannot open the file");
    return ParseTouchstone(in, path, PortsFromFileName(path));
}

void Renormalize(Touchstone& ts, double z0)
{
    const size_t n = static_cast<size_t>(ts.ports);
    bool same = true;
    for (double z : ts.reference) same = same && std::fabs(z - z0) < 1e-12 * z0;
    if (same) return;
    std::vector<double> p(n), q(n);
    for (size_t i = 0; i < n; ++i) {
        const double z = ts.reference[i], s = 2.0 * std::sqrt(z * z0);
        p[i] = (z + z0) / s;
        q[i] = (z - z0) / s;
    }
    std::vector<Complex> num(n * n), den(n * n);
    for (size_t k = 0; k < ts.freq.size(); ++k) {
        Complex* s = &ts.data[k * n * n];
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j) {
                const double d = i == j ? 1.0 : 0.0;
                num[i * n + j] = q[i] * d + p[i] * s[i * n + j];
                den[i * n + j] = p[i] * d + q[i] * s[i * n + j];
            }
        if (!Invert(den, n)) throw TouchstoneError(ts.name, 0, "cannot renormalise the data at " +
                                                              std::to_string(ts.freq[k]) + " Hz");
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j) {
                Complex acc = 0.0;
                for (size_t m = 0; m < n; ++m) acc += num[i * n + m] * den[m * n + j];
                s[i * n + j] = acc;
            }
    }
    ts.reference.assign(n, z0);
}

std::string PortMapText(const PortMap& m)
{
    std::string s = std::to_string(m.inP) + "-" + std::to_string(m.outP);
    if (m.inN > 0) s += "," + std::to_string(m.inN) + "-" + std::to_string(m.outN);
    return s;
}

PortMap ParsePortMap(const std::string& text, int ports)
{
    const std::string want = ports == 4 ? "two pairs such as 1-2,3-4 (positive line in-out, negative line in-out)"
                                        : "one pair such as 1-2 (in-out)";
    std::vector<int> v;
    std::string cur;
    for (char c : text + ",") {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            cur += c;
        } else if (c == '-' || c == ',') {
            if (cur.empty() || cur.size() > 3) throw std::invalid_argument("'" + text + "': expected " + want);
            v.push_back(std::atoi(cur.c_str()));
            cur.clear();
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            throw std::invalid_argument("'" + text + "': expected " + want);
        }
    }
    const size_t need = ports == 4 ? 4 : 2;
    if (v.size() != need) throw std::invalid_argument("'" + text + "': expected " + want);
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] < 1 || v[i] > ports)
            throw std::invalid_argument("'" + text + "': port " + std::to_string(v[i]) + " is not a port of this " +
                                        std::to_string(ports) + "-port file");
        for (size_t j = 0; j < i; ++j)
            if (v[i] == v[j]) throw std::invalid_argument("'" + text + "': port " + std::to_string(v[i]) + " is named twice");
    }
    PortMap m;
    m.inP = v[0];
    m.outP = v[1];
    if (need == 4) {
        m.inN = v[2];
        m.outN = v[3];
    }
    return m;
}

std::vector<Complex> Transmission(const Touchstone& ts, const PortMap& m)
{
    std::vector<Complex> h(ts.freq.size());
    for (size_t k = 0; k < h.size(); ++k) {
        if (m.inN <= 0)
            h[k] = ts.S(k, m.outP, m.inP);
        else
            h[k] = 0.5 * (ts.S(k, m.outP, m.inP) - ts.S(k, m.outP, m.inN) - ts.S(k, m.outN, m.inP) +
                          ts.S(k, m.outN, m.inN));
    }
    return h;
}

PortDetection DetectPorts(const Touchstone& ts)
{
    PortDetection d;
    if (ts.ports != 4) {
        d.problem = "port detection needs a 4-port";
        return d;
    }
    // The low-frequency band: up to 1 GHz or 5 % of the data's span, and at
    // least three points.
    const double f0 = ts.freq.front();
    const double edge = std::min(f0 + 1e9, f0 + 0.05 * (ts.freq.back() - f0));
    size_t nLow = 0;
    while (nLow < ts.freq.size() && (ts.freq[nLow] <= edge || nLow < 3)) ++nLow;
    d.lowBandHz = ts.freq[nLow - 1];
    double t[5][5] = {};
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) {
            if (i == j) continue;
            double s = 0.0;
            for (size_t k = 0; k < nLow; ++k) s += 0.5 * (std::abs(ts.S(k, i, j)) + std::abs(ts.S(k, j, i)));
            t[i][j] = s / static_cast<double>(nLow);
        }
    // The three ways of pairing four ports into two thrus.
    const int pairings[3][4] = {{1, 2, 3, 4}, {1, 3, 2, 4}, {1, 4, 2, 3}};
    double score[3];
    int best = 0;
    for (int p = 0; p < 3; ++p) {
        const int* q = pairings[p];
        score[p] = std::min(t[q[0]][q[1]], t[q[2]][q[3]]);
        if (score[p] > score[best]) best = p;
    }
    double other = 0.0;
    for (int p = 0; p < 3; ++p)
        if (p != best) other = std::max(other, score[p]);
    d.thruLow = score[best];
    d.otherLow = other;
    const int* q = pairings[best];
    if (d.thruLow < 0.1) {
        d.problem = "no pair of ports transmits more than -20 dB below " + std::to_string(d.lowBandHz / 1e9) +
                    " GHz: this does not look like a thru channel";
        return d;
    }
    if (d.thruLow < 2.0 * other) {
        d.problem = "the thru pairing is ambiguous: the best pairing transmits " +
                    std::to_string(20 * std::log10(d.thruLow)) + " dB at low frequency, the next " +
                    std::to_string(20 * std::log10(std::max(other, 1e-12))) + " dB";
        return d;
    }
    // Thru lines a1 -> b1 and a2 -> b2. Coupling group G1 = {a1-a2, b1-b2}
    // (the ends on the same side if a1, a2 are one side), G2 = {a1-b2,
    // a2-b1}. The near-end group sets in first; the far-end one arrives with
    // the thru.
    const int a1 = q[0], b1 = q[1], a2 = q[2], b2 = q[3];
    auto column = [&](int i, int j) {
        std::vector<Complex> h(ts.freq.size());
        for (size_t k = 0; k < h.size(); ++k) h[k] = 0.5 * (ts.S(k, i, j) + ts.S(k, j, i));
        return h;
    };
    auto groupOnset = [&](int i1, int j1, int i2, int j2) {
        return std::min(EnergyOnset(ts.freq, column(i1, j1), 0.1), EnergyOnset(ts.freq, column(i2, j2), 0.1));
    };
    auto groupLevel = [&](int i1, int j1, int i2, int j2) {
        double m = 0.0;
        for (size_t k = 0; k < ts.freq.size(); ++k)
            m = std::max({m, std::abs(ts.S(k, i1, j1)), std::abs(ts.S(k, j1, i1)), std::abs(ts.S(k, i2, j2)),
                          std::abs(ts.S(k, j2, i2))});
        return m;
    };
    d.thruOnset = EnergyOnset(ts.freq, column(a1, b1), 0.1);
    const double on1 = groupOnset(a1, a2, b1, b2), on2 = groupOnset(a1, b2, a2, b1);
    const double lev1 = groupLevel(a1, a2, b1, b2), lev2 = groupLevel(a1, b2, a2, b1);
    const double step = MedianStep(ts.freq);
    const double resolution = step > 0 ? 4.0 / (2.0 * ts.freq.back()) : 0.0;
    bool sameSideA = true;  // a1, a2 on one side
    if (std::min(lev1, lev2) < 1e-4) {
        d.sidesNote = "the crosstalk is below -80 dB, so the sides make no difference; taken as " +
                      std::to_string(a1) + "," + std::to_string(a2) + " in";
    } else if (std::fabs(on1 - on2) < std::max(0.2 * d.thruOnset, resolution)) {
        d.sidesNote = "the sides could not be told from the crosstalk timing (near and far groups both set in at " +
                      std::to_string(on1 * 1e9) + " ns); taken as " + std::to_string(a1) + "," + std::to_string(a2) +
                      " in: check with --ports";
    } else {
        sameSideA = on1 < on2;
        d.sidesFromData = true;
        d.nearOnset = std::min(on1, on2);
        d.farOnset = std::max(on1, on2);
        d.sidesNote = "near-end crosstalk sets in at " + std::to_string(d.nearOnset * 1e9).substr(0, 5) +
                      " ns, far-end at " + std::to_string(d.farOnset * 1e9).substr(0, 5) + " ns, the thru at " +
                      std::to_string(d.thruOnset * 1e9).substr(0, 5) + " ns";
    }
    d.map.inP = a1;
    d.map.outP = b1;
    if (sameSideA) {
        d.map.inN = a2;
        d.map.outN = b2;
    } else {
        d.map.inN = b2;
        d.map.outN = a2;
    }
    d.ok = true;
    return d;
}

Complex InterpolateResponse(const std::vector<double>& freq, const std::vector<Complex>& h, double f)
{
    // Interpolation on magnitude and the phase unwrapped between the two
    // neighbours (data are assumed sampled finely enough for that).
    if (freq.empty()) return 0.0;
    if (f <= freq.front()) return h.front();
    if (f >= freq.back()) return h.back();
    const size_t j = static_cast<size_t>(std::upper_bound(freq.begin(), freq.end(), f) - freq.begin());
    const size_t i = j - 1;
    const double a = (f - freq[i]) / (freq[j] - freq[i]);
    const double m = std::abs(h[i]) + a * (std::abs(h[j]) - std::abs(h[i]));
    double d = std::arg(h[j]) - std::arg(h[i]);
    while (d > kPi) d -= 2 * kPi;
    while (d < -kPi) d += 2 * kPi;
    return std::polar(m, std::arg(h[i]) + a * d);
}

FrequencyFit ImpulseFromFrequencyData(const std::vector<double>& freq, const std::vector<Complex>& h, double dt)
{
    if (freq.size() < 2 || freq.size() != h.size())
        throw std::invalid_argument("a channel needs at least two frequencies");
    if (!(dt > 0.0) || !std::isfinite(dt)) throw std::invalid_argument("the sample interval must be positive");
    const size_t nf = freq.size();
    const double fmax = freq.back();
    const double fs2 = 0.5 / dt;
    const double step = std::max(MedianStep(freq), fmax * 1e-6);

    // Magnitude (dB) and unwrapped phase of the data, the phase shifted by
    // whole turns so that its extrapolation to DC lies in (-pi, pi].
    std::vector<double> mag(nf), db(nf);
    for (size_t k = 0; k < nf; ++k) {
        mag[k] = std::abs(h[k]);
        db[k] = 20.0 * std::log10(std::max(mag[k], 1e-15));
    }
    std::vector<double> ph = UnwrappedPhase(h);
    size_t nLow = 0;
    while (nLow < nf && (freq[nLow] <= freq[0] + 0.5e9 || nLow < 4)) ++nLow;
    nLow = std::min(nLow, nf);
    double ph0 = ph[0], slopeLow = 0.0;
    if (freq[0] > 0.0 && nLow >= 2) FitLine(freq, ph, 0, nLow, ph0, slopeLow);
    const double turns = std::round(ph0 / (2 * kPi));
    for (double& p : ph) p -= 2 * kPi * turns;
    ph0 -= 2 * kPi * turns;
    const double dcPhase = std::fabs(ph0) < kPi / 2 ? 0.0 : (ph0 > 0 ? kPi : -kPi);
    // Magnitude at DC: the data's own, or the trend of the lowest points
    // from f0 to 2 f0 extended to 0 Hz (holding the first point flat
    // would give the loss at f0 to DC).
    double dcMag = mag[0];
    double dcBand = 0.0;
    if (freq[0] > 0.0) {
        size_t nMag = 0;
        while (nMag < nf && (freq[nMag] <= 2.0 * freq[0] * (1.0 + 1e-9) || nMag < 2)) ++nMag;
        double a = mag[0], slope = 0.0;
        FitLine(freq, mag, 0, nMag, a, slope);
        if (std::isfinite(a)) dcMag = std::clamp(a, 0.0, std::max(1.0, mag[0]));
        dcBand = freq[nMag - 1];
    }

    // Above the data: loss slope of the top fifth, mean group delay of all.
    const size_t top = nf - std::max<size_t>(nf / 5, std::min<size_t>(nf, 5));
    double dbA = 0, dbSlope = 0, phA = 0, phSlope = 0;
    FitLine(freq, db, top, nf, dbA, dbSlope);
    FitLine(freq, ph, 0, nf, phA, phSlope);
    dbSlope = std::min(dbSlope, 0.0);
    phSlope = std::min(phSlope, 0.0);
    const double fb = std::min(1.5 * fmax, fs2);
    const double fa = std::max(0.5 * fb, std::min(fmax, fb - 0.2 * fmax));

    FrequencyFit fit;
    fit.dcData = dcPhase == 0.0 ? dcMag : -dcMag;
    fit.dcExtrapolated = freq[0] > 0.0;
    fit.dcBandHz = dcBand;
    // The period of the inverse transform is the time span the data's step
    // defines (the grid then falls on the data's own frequencies when they
    // start at a multiple of the step), even, at least 4096 samples.
    const size_t n = std::max<size_t>(2 * static_cast<size_t>(std::llround(0.5 / (step * dt))), 4096);
    if (n > (size_t{1} << 24)) throw std::invalid_argument("the frequency step is too fine for this sample interval");
    fit.gridSize = n;
    const double df = 1.0 / (static_cast<double>(n) * dt);
    Fftw w(n);
    size_t j = 0;
    for (size_t k = 0; k <= n / 2; ++k) {
        const double f = static_cast<double>(k) * df;
        double m = 0.0, p = 0.0;
        if (f < freq[0]) {
            const double a = freq[0] > 0 ? f / freq[0] : 1.0;
            m = dcMag + a * (mag[0] - dcMag);
            p = dcPhase + a * (ph[0] - dcPhase);
        } else if (f <= fmax) {
            while (j + 1 < nf && freq[j + 1] < f) ++j;
            const size_t i1 = std::min(j + 1, nf - 1);
            const double a = freq[i1] > freq[j] ? (f - freq[j]) / (freq[i1] - freq[j]) : 0.0;
            m = mag[j] + a * (mag[i1] - mag[j]);
            p = ph[j] + a * (ph[i1] - ph[j]);
        } else {
            m = mag[nf - 1] * std::pow(10.0, dbSlope * (f - fmax) / 20.0);
            p = ph[nf - 1] + phSlope * (f - fmax);
        }
        if (f > fa) m *= f >= fb ? 0.0 : 0.5 + 0.5 * std::cos(kPi * (f - fa) / (fb - fa));
        if (k == 0) p = dcPhase;                        // real at DC
        if (k == n / 2) p = std::round(p / kPi) * kPi;  // real at fs/2
        w.freq[k][0] = m * std::cos(p);
        w.freq[k][1] = m * std::sin(p);
    }
    w.Inverse();

    // The causal window. Scanning back from the peak, the onset is the first
    // sample before which |h| stays below 1e-3 of the peak for a whole lead
    // (the wrapped, acausal part lies before it); the window starts one lead
    // earlier and rises over it.
    size_t peak = 0;
    for (size_t i = 0; i < n; ++i)
        if (std::fabs(w.time[i]) > std::fabs(w.time[peak])) peak = i;
    const double level = 1e-3 * std::fabs(w.time[peak]);
    const size_t lead = std::max<size_t>(2, static_cast<size_t>(std::ceil(0.5 / (std::min(fmax, fs2) * dt))));
    auto at = [&](size_t back) { return w.time[(peak + n - back % n) % n]; };
    size_t back = 0, quiet = 0;
    while (back < n / 2 && quiet < lead) {
        ++back;
        quiet = std::fabs(at(back)) < level ? quiet + 1 : 0;
    }
    const size_t onsetBack = back - quiet;  // samples from onset to peak
    const size_t origin = (peak + n - (onsetBack + lead) % n) % n;
    // At most the time span that the data's frequency step defines.
    const size_t span = n;
    std::vector<double> taps(span);
    for (size_t i = 0; i < span; ++i) taps[i] = w.time[(origin + i) % n];
    for (size_t i = 0; i < std::min(lead, taps.size()); ++i)
        taps[i] *= 0.5 - 0.5 * std::cos(kPi * (static_cast<double>(i) + 0.5) / static_cast<double>(lead));
    double total = 0.0;
    for (double v : taps) total += v * v;
    size_t len = taps.size();
    double tail = 0.0;
    for (size_t i = taps.size(); i-- > 0;) {
        tail += taps[i] * taps[i];
        if (tail > 1e-9 * total) {
            len = i + 1;
            break;
        }
    }
    taps.resize(std::max<size_t>(len, 1));
    const size_t fall = std::max<size_t>(1, taps.size() / 50);
    for (size_t i = 0; i < fall && i < taps.size(); ++i)
        taps[taps.size() - 1 - i] *= 0.5 - 0.5 * std::cos(kPi * (static_cast<double>(i) + 0.5) / static_cast<double>(fall));
    const double startTime = static_cast<double>(origin) * dt;
    fit.delayRemoved = startTime > 0.5 * n * dt ? startTime - n * dt : startTime;

    // Passivity: the largest gain of the taps on a fine grid.
    const size_t m = NextPow2(std::max<size_t>(2 * taps.size(), 8192));
    Fftw g(m);
    std::fill(g.time, g.time + m, 0.0);
    std::copy(taps.begin(), taps.end(), g.time);
    g.Forward();
    double maxGain = 0.0;
    for (size_t k = 0; k <= m / 2; ++k) maxGain = std::max(maxGain, std::hypot(g.freq[k][0], g.freq[k][1]));
    fit.maxGain = maxGain;
    if (maxGain > 1.0) {
        fit.passivityScale = 1.0 / maxGain;
        for (double& v : taps) v *= fit.passivityScale;
    }
    double sum = 0.0;
    for (double v : taps) sum += v;
    fit.dcGain = sum;
    fit.taps = std::move(taps);
    return fit;
}

}  // namespace linksim

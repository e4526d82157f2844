#include "linksim/Pam.h"

#include <algorithm>
#include <cctype>

namespace linksim {

int Modulation::BitsPerSymbol() const
{
    int b = 0;
    while ((1 << b) < levels) ++b;
    return b;
}

unsigned Modulation::BitsOf(int symbol) const
{
    const unsigned s = static_cast<unsigned>(symbol);
    return gray ? s ^ (s >> 1) : s;
}

int Modulation::SymbolOf(unsigned bits) const
{
    if (!gray) return static_cast<int>(bits);
    unsigned s = bits;
    for (unsigned shift = bits >> 1; shift; shift >>= 1) s ^= shift;
    return static_cast<int>(s);
}

std::string Modulation::Name() const
{
    return levels == 2 ? "NRZ" : "PAM" + std::to_string(levels);
}

int ParseModulation(const std::string& text, std::string& why)
{
    std::string t;
    for (char c : text) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t == "nrz") return 2;
    if (t.size() > 3 && t.compare(0, 3, "pam") == 0 &&
        std::all_of(t.begin() + 3, t.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
        t.size() <= 5) {
        const int n = std::stoi(t.substr(3));
        if (n == 2 || n == 4 || n == 8 || n == 16) return n;
    }
    why = "--modulation " + text + ": not one of nrz, pam2, pam4, pam8, pam16 (levels a power of two up to 16)";
    return 0;
}

std::vector<uint8_t> SymbolsFromBits(const std::vector<uint8_t>& bits, const Modulation& m)
{
    const int k = m.BitsPerSymbol();
    std::vector<uint8_t> out(bits.size() / static_cast<size_t>(k));
    for (size_t s = 0; s < out.size(); ++s) {
        unsigned v = 0;
        for (int b = 0; b < k; ++b) v = (v << 1) | (bits[s * static_cast<size_t>(k) + static_cast<size_t>(b)] ? 1u : 0u);
        out[s] = static_cast<uint8_t>(m.SymbolOf(v));
    }
    return out;
}

int Slice(double v, const std::vector<double>& thresholds)
{
    int s = 0;
    for (double t : thresholds) s += v >= t ? 1 : 0;
    return s;
}

std::vector<double> MidThresholds(const std::vector<double>& means, const std::vector<size_t>& counts)
{
    const size_t n = means.size();
    // The levels seen give a straight line level = a + b * s (least
    // squares); an unseen symbol is placed on it.
    double sw = 0, ss = 0, sv = 0, sss = 0, ssv = 0;
    for (size_t s = 0; s < n; ++s)
        if (counts[s]) {
            sw += 1;
            ss += static_cast<double>(s);
            sv += means[s];
            sss += static_cast<double>(s * s);
            ssv += static_cast<double>(s) * means[s];
        }
    const double det = sw * sss - ss * ss;
    if (sw < 2 || det == 0.0) return {};
    const double b = (sw * ssv - ss * sv) / det, a = (sv - b * ss) / sw;
    std::vector<double> level(n), t;
    for (size_t s = 0; s < n; ++s) level[s] = counts[s] ? means[s] : a + b * static_cast<double>(s);
    for (size_t s = 1; s < n; ++s) t.push_back(0.5 * (level[s - 1] + level[s]));
    std::sort(t.begin(), t.end());
    return t;
}

int BitErrors(const Modulation& m, int sent, int decided)
{
    unsigned d = m.BitsOf(sent) ^ m.BitsOf(decided);
    int e = 0;
    for (; d; d &= d - 1) ++e;
    return e;
}

}  // namespace linksim

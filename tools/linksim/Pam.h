// Multilevel (PAMn) signalling: the symbols of a link with n = 2, 4, 8 or 16
// equally spaced levels, how bits map to them, and slicing against n - 1
// thresholds.
//
// Symbol s of n levels is sent at level(s) = -0.5 + s / (n - 1) V, the same
// +-0.5 V swing as NRZ (PAM4: -0.5, -1/6, 1/6, 0.5). Each symbol carries
// log2(n) bits, first bit most significant. Gray mapping gives symbol s the
// bits s ^ (s >> 1), so neighbouring levels differ in one bit; binary
// mapping gives it the bits of s. With either mapping the first bit is 1
// exactly on the upper half of the levels, so the sign of the signal is
// the first bit (what aligns the decisions to the transmitted symbols).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace linksim {

struct Modulation {
    int levels = 2;
    bool gray = true;
    // n - 1 ascending decision thresholds (V); empty: measured from the eye.
    std::vector<double> thresholds;
    std::string source;           // where the modulation came from
    std::string thresholdSource;  // where the thresholds came from

    bool Multilevel() const { return levels > 2; }
    int BitsPerSymbol() const;
    double Level(int symbol) const { return -0.5 + symbol / static_cast<double>(levels - 1); }
    unsigned BitsOf(int symbol) const;
    int SymbolOf(unsigned bits) const;
    // "NRZ", "PAM4", ...
    std::string Name() const;
};

// "nrz", "pam2" -> 2, "pam4" -> 4 ... "pam16" (case-insensitive); 0 with the
// reason in why for anything else.
int ParseModulation(const std::string& text, std::string& why);

// The symbols of bits taken BitsPerSymbol() at a time, first bit most
// significant: bits.size() / BitsPerSymbol() symbols.
std::vector<uint8_t> SymbolsFromBits(const std::vector<uint8_t>& bits, const Modulation& m);

// The symbol a value is decided as: how many thresholds lie below it
// (a value on a threshold goes to the upper symbol).
int Slice(double v, const std::vector<double>& thresholds);

// The thresholds halfway between the mean received values of neighbouring
// symbols (means[s] of symbol s); a symbol never seen gets its nominal level
// scaled like the others. Empty when fewer than two symbols were seen.
std::vector<double> MidThresholds(const std::vector<double>& means, const std::vector<size_t>& counts);

// The number of bits that differ between two symbols under the mapping.
int BitErrors(const Modulation& m, int sent, int decided);

}  // namespace linksim

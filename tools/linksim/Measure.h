// Where the host starts measuring a run: the bits the models ask to be
// ignored (their Ignore_Bits, while the receiver trains), the bits the user
// adds, and the lock of the recovered clock; whichever ends last.
#pragma once

#include <string>

namespace linksim {

struct ModelKit;

// Ignore_Bits of the two built-in models as their parameter files in kit/
// give them (a test keeps the two in step).
constexpr long long kBuiltinTxIgnoreBits = 16;
constexpr long long kBuiltinRxIgnoreBits = 4000;
// The longest Ignore_Bits a model may ask for (the longest run).
constexpr long long kMaxIgnoreBits = 50000000;

struct IgnoreBits {
    long long bits = 0;   // the larger of the two models' Ignore_Bits
    std::string source;   // "Ignore_Bits 4000 of the receiver (rx_ami.ami)", or "" when 0
    std::string error;    // a value that is not a whole number of bits in range
};

// The models' Ignore_Bits: a kit's from its parameter file (0 when it has
// none), a built-in model's (builtinTx/builtinRx: the library is the one
// beside amisim) from the constants above, any other library's 0.
IgnoreBits ModelsIgnoreBits(const ModelKit* tx, const ModelKit* rx, bool builtinTx = true, bool builtinRx = true);

// The text that says from which bit errors and the eye are counted and why:
// "from bit 4000 (Ignore_Bits 4000 of the receiver; clock locked at bit
// 1568)". lockBit < 0: not locked (the second half of the run is measured).
std::string MeasurementScope(bool locked, long long lockBit, long long modelIgnore, const std::string& modelSource,
                             long long userIgnore, long long fromBit);

}  // namespace linksim

namespace linksim {

// BER figures below this are printed as "< 1e-30" and stored as it: a
// statistical tail that far out says only that errors are not expected.
constexpr double kBerFloor = 1e-30;
// A figure to `prec` significant digits, as the summary writes numbers.
std::string Num(double v, int prec = 6);
// "< 1e-30" below the floor, else the figure to `digits` significant digits.
std::string BerText(double ber, int digits = 3);
// The figure for JSON: floored (a non-finite figure is kept: the caller
// stores null for it).
double BerFloored(double ber);
// An eye height in millivolts, or "closed" for an eye that is not open (a
// height of zero or less).
std::string HeightText(double volts);

}  // namespace linksim

#include "linksim/Measure.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "linksim/Kit.h"

namespace linksim {

namespace {

// A kit's Ignore_Bits: its default (or first format value), read as a whole
// number of bits.
bool KitIgnoreBits(const ModelKit& kit, long long& bits, std::string& error)
{
    bits = 0;
    const AmiParameter* p = kit.Find("Ignore_Bits");
    if (!p) return true;
    const std::string v = p->Initial();
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(v.c_str(), &end, 10);
    if (v.empty() || !end || *end != '\0' || errno == ERANGE || n < 0 || n > kMaxIgnoreBits) {
        error = kit.amiFile + ": Ignore_Bits \"" + v + "\" is not a whole number of bits from 0 to " +
                std::to_string(kMaxIgnoreBits);
        return false;
    }
    bits = n;
    return true;
}

}  // namespace

IgnoreBits ModelsIgnoreBits(const ModelKit* tx, const ModelKit* rx, bool builtinTx, bool builtinRx)
{
    IgnoreBits r;
    struct Side {
        const ModelKit* kit;
        bool builtin;
        long long builtinBits;
        const char* who;
        const char* builtinFile;
    };
    const Side sides[] = {{tx, builtinTx, kBuiltinTxIgnoreBits, "transmitter", "tx_ami.ami"},
                          {rx, builtinRx, kBuiltinRxIgnoreBits, "receiver", "rx_ami.ami"}};
    for (const Side& s : sides) {
        long long bits = 0;
        std::string file;
        if (s.kit) {
            if (!KitIgnoreBits(*s.kit, bits, r.error)) return r;
            file = s.kit->amiFile;
            const size_t slash = file.find_last_of('/');
            if (slash != std::string::npos) file = file.substr(slash + 1);
        } else if (s.builtin) {
            bits = s.builtinBits;
            file = s.builtinFile;
        }
        if (bits > r.bits) {
            r.bits = bits;
            r.source = "Ignore_Bits " + std::to_string(bits) + " of the " + s.who + " (" + file + ")";
        }
    }
    return r;
}

std::string MeasurementScope(bool locked, long long lockBit, long long modelIgnore, const std::string& modelSource,
                             long long userIgnore, long long fromBit)
{
    std::string why;
    auto add = [&](const std::string& t) { why += (why.empty() ? "" : "; ") + t; };
    if (modelIgnore > 0) add(modelSource);
    if (userIgnore > 0) add("--ignore-bits " + std::to_string(userIgnore) + (modelIgnore > 0 ? " on top" : ""));
    if (locked)
        add("clock locked at bit " + std::to_string(lockBit));
    else
        add("clock not locked: the second half of the run");
    return "from bit " + std::to_string(fromBit) + " (" + why + ")";
}

}  // namespace linksim

namespace linksim {

std::string Num(double v, int prec)
{
    std::ostringstream os;
    os.precision(prec);
    os << v;
    return os.str();
}

std::string BerText(double ber, int digits)
{
    if (!std::isfinite(ber)) return "n/a";
    if (ber < kBerFloor) return "< " + std::string("1e-30");
    char b[48];
    std::snprintf(b, sizeof b, "%.*g", digits, ber);
    return b;
}

double BerFloored(double ber) { return std::isfinite(ber) ? std::max(ber, kBerFloor) : ber; }

std::string HeightText(double volts)
{
    if (!std::isfinite(volts)) return "n/a";
    if (volts <= 0.0) return "closed";
    char b[48];
    std::snprintf(b, sizeof b, "%.1f mV", volts * 1e3);
    return b;
}

}  // namespace linksim

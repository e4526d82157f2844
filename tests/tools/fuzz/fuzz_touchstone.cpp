// libFuzzer target: arbitrary bytes as a Touchstone file (1.x as a .s2p or
// .s4p by the first byte, or 2.0 by its [Version]) through the reader and
// the whole channel set-up: renormalisation, wiring detection, the impulse
// response. A file is either refused with a TouchstoneError naming it or
// gives finite taps.
//   fuzz_touchstone tests/tools/fuzz/touchstone_corpus -max_total_time=1800
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "linksim/ChannelSetup.h"
#include "linksim/Touchstone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const int hint = (data[0] & 1) ? 4 : 2;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    const double bitTime = 1.0 / 10.3125e9;
    try {
        linksim::Touchstone ts = linksim::ParseTouchstone(in, hint == 4 ? "f.s4p" : "f.s2p", hint);
        if (ts.ports != 2 && ts.ports != 4) return 0;
        const linksim::SParamChannel ch = linksim::SParamChannelFrom(ts, "", bitTime / 16, bitTime);
        for (double v : ch.taps)
            if (!std::isfinite(v)) __builtin_trap();
    } catch (const linksim::TouchstoneError&) {
    } catch (const std::runtime_error&) {  // a wiring the data do not show
    }
    return 0;
}

// What the shared entry points need to know about TX_model2: its name in the
// messages, whether it has a clock port, and its run-time parameters in the
// order they are read (which is the order of the messages).
#pragma once

#include <cstddef>

#include "ami/AmiParameters.h"
#include "models/tx/TX_model2.h"

namespace Vantrel {
namespace AMI {

struct TxTraits {
    using Model = TX_model2;
    static constexpr const char* kName = "TX_model2";
    static constexpr bool kHasClock = false;

    // The order of the rows is the order of reading and of the messages.
    static size_t Parameters(Model& m, Vantrel::AMI::ParameterRow* rows)
    {
        const Vantrel::AMI::ParameterRow table[] = {
            // Ranges as kit/tx_ami.ami states them.
            {"TX_model2.DE_Level", "DE_Level", &m.DE_Level, nullptr, 0, 3},
            {"TX_model2.VOD_Level", "VOD_Level", &m.VOD_Level, nullptr, 0, 3},
            {"TX_model2.TX_bypass", "TX_bypass", &m.TX_bypass, nullptr, 0, 1},
        };
        const size_t n = sizeof table / sizeof table[0];
        static_assert(sizeof table / sizeof table[0] <= Vantrel::AMI::kMaxRows, "too many rows");
        for (size_t i = 0; i < n; ++i) rows[i] = table[i];
        return n;
    }
};

}  // namespace AMI
}  // namespace Vantrel

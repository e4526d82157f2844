// What the shared entry points need to know about Vuraved_UV_IV: its name in the
// messages, whether it has a clock port, and its run-time parameters in the
// order they are read (which is the order of the messages).
#pragma once

#include <cstddef>

#include "ami/AmiParameters.h"
#include "models/rx/Vuraved_UV_IV.h"

namespace Vantrel {
namespace AMI {

struct RxTraits {
    using Model = Vuraved_UV_IV;
    static constexpr const char* kName = "Vuraved_UV_IV";
    static constexpr bool kHasClock = true;

    // The order of the rows is the order of reading and of the messages.
    static size_t Parameters(Model& m, Vantrel::AMI::ParameterRow* rows)
    {
        const Vantrel::AMI::ParameterRow table[] = {
            // Ranges as kit/rx_ami.ami states them.
            {"Vuraved_UV_IV.RX_Config", "RX_Config", &m.RX_Config, nullptr, 0, 2},
            {"Vuraved_UV_IV.Factor", "Factor", &m.Factor, nullptr, 1, 4},
            {"Vuraved_UV_IV.VCO_Sensitivity", "VCO_Sensitivity", nullptr, &m.VCO_Sensitivity, 1.0e7, 1.0e10},
            {"Vuraved_UV_IV.EQ_Level", "EQ_Level", &m.EQ_Level, nullptr, 0, 31},
            {"Vuraved_UV_IV.CTLEAdapt", "CTLEAdapt", &m.CTLEAdapt, nullptr, 0, 1},
            {"Vuraved_UV_IV.EOMNbits", "EOMNbits", &m.EOMNbits, nullptr, 20, 10000},
        };
        const size_t n = sizeof table / sizeof table[0];
        static_assert(sizeof table / sizeof table[0] <= Vantrel::AMI::kMaxRows, "too many rows");
        for (size_t i = 0; i < n; ++i) rows[i] = table[i];
        return n;
    }
};

}  // namespace AMI
}  // namespace Vantrel

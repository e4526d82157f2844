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
            {"Vuraved_UV_IV.RX_Config", "RX_Config", &m.RX_Config, nullptr},
            {"Vuraved_UV_IV.Factor", "Factor", &m.Factor, nullptr},
            {"Vuraved_UV_IV.VCO_Sensitivity", "VCO_Sensitivity", nullptr, &m.VCO_Sensitivity},
            {"Vuraved_UV_IV.EQ_Level", "EQ_Level", &m.EQ_Level, nullptr},
            {"Vuraved_UV_IV.CTLEAdapt", "CTLEAdapt", &m.CTLEAdapt, nullptr},
            {"Vuraved_UV_IV.EOMNbits", "EOMNbits", &m.EOMNbits, nullptr},
        };
        const size_t n = sizeof table / sizeof table[0];
        static_assert(sizeof table / sizeof table[0] <= Vantrel::AMI::kMaxRows, "too many rows");
        for (size_t i = 0; i < n; ++i) rows[i] = table[i];
        return n;
    }
};

}  // namespace AMI
}  // namespace Vantrel

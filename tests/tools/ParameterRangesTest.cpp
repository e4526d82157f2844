// The built-in models name a parameter given outside the range their kit
// parameter file states, in AMI_Init's message, and are silent at its ends:
// for every Range and List parameter of both .ami files, through the
// libraries as a simulator loads them.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "linksim/AmiModel.h"
#include "linksim/Kit.h"

namespace {

std::string InitMessage(const std::string& library, const std::string& params)
{
    std::string error, message;
    auto model = linksim::AmiModel::Load(library, error);
    if (!model) return "cannot load: " + error;
    const double bitTime = 1.0 / 10.3125e9;
    std::vector<double> impulse(64, 0.0);
    impulse[0] = 64.0 / bitTime;
    model->Init(impulse, bitTime / 64, bitTime, params, message);
    model->Close();
    return message;
}

TEST(ParameterRanges, OutsideTheParameterFileIsNamed)
{
    for (const char* lib : {"rx_ami", "tx_ami"}) {
        const linksim::ModelKit kit =
            linksim::LoadAmiFile(std::string(AMI_SOURCE_DIR) + "/kit/" + lib + ".ami");
        const std::string library = std::string(AMI_BUILD_DIR) + "/" + lib + ".so";
        int checked = 0;
        for (const linksim::AmiParameter& p : kit.params) {
            if (!p.Sent() || (p.format != "Range" && p.format != "List")) continue;
            double lo = 1e300, hi = -1e300;
            const size_t first = p.format == "Range" ? 1 : 0;  // a Range's first value is its typical one
            for (size_t k = first; k < p.formatValues.size(); ++k) {
                lo = std::min(lo, std::stod(p.formatValues[k]));
                hi = std::max(hi, std::stod(p.formatValues[k]));
            }
            for (const auto& [value, named] :
                 {std::pair<double, bool>{lo, false}, {hi, false}, {hi + 1.0, true}, {lo - 1.0, true}}) {
                std::map<std::string, std::string> values;
                char text[64];
                std::snprintf(text, sizeof text, p.type == "Integer" ? "%.0f" : "%.17g", value);
                values[p.name] = text;
                const std::string message = InitMessage(library, linksim::KitParameterString(kit, values));
                const bool says = message.find("was given " + p.name + " = ") != std::string::npos;
                EXPECT_EQ(says, named) << lib << " " << p.name << " = " << text << ": " << message;
            }
            ++checked;
        }
        EXPECT_GE(checked, 3) << lib;
    }
}

}  // namespace

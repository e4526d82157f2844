// Reading a model's run-time parameters from the AMI parameter string.
#pragma once

#include <cstddef>
#include <string>

namespace Vantrel {
namespace AMI {

// The most rows a model may read.
constexpr size_t kMaxRows = 16;

// One run-time parameter: its dotted path, its own name (the last component)
// and where to write it. Exactly one of pInt / pDouble is set. [min, max]:
// the values its parameter file allows (the kit's .ami), which AMI_Init
// names a value outside of; max < min: no range.
struct ParameterRow {
    const char* pszPath;
    const char* pszName;
    int* pInt;
    double* pDouble;
    double min = 0.0;
    double max = -1.0;
};

// Reads each row, in order, from pszParams (null is read as an empty string).
// A row that cannot be read keeps its current value (the model's default) and
// appends
//   "The IBIS-AMI model, <model>, is unable to initialize the parameter <name>
//    from the AMI_Init arguments.  The model will use the default setting. "
// to message. Never fails.
void ReadAmiParameters(const char* pszParams, const char* pszModelName, const ParameterRow* rows,
                       size_t nRows, std::string& message);

}  // namespace AMI
}  // namespace Vantrel

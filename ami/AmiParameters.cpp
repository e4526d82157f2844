#include "ami/AmiParameters.h"

namespace Vantrel {
namespace AMI {

namespace {
void AppendUnreadable(std::string& message, const char* model, const char* name)
{
    message += "The IBIS-AMI model, ";
    message += model;
    message += ", is unable to initialize the parameter ";
    message += name;
    message += " from the AMI_Init arguments.  The model will use the default setting. ";
}
}  // namespace

// Transitional: until the parameter parser lands, no parameter can be read, so
// every row keeps its default and reports itself.
void ReadAmiParameters(const char* pszParams, const char* pszModelName, const ParameterRow* rows,
                       size_t nRows, std::string& message)
{
    (void)pszParams;
    for (size_t i = 0; i < nRows; ++i) AppendUnreadable(message, pszModelName, rows[i].pszName);
}

}  // namespace AMI
}  // namespace Vantrel

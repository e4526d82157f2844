#include "ami/AmiParameters.h"

#include "amiparam/AmiParamParser.h"

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

void ReadAmiParameters(const char* pszParams, const char* pszModelName, const ParameterRow* rows,
                       size_t nRows, std::string& message)
{
    // A null string reads as an empty one: it does not parse, so every row
    // keeps its default and reports itself.
    const ParamParser parser(pszParams != nullptr ? pszParams : "");
    for (size_t i = 0; i < nRows; ++i) {
        const ParameterRow& row = rows[i];
        bool found = false;
        if (row.pInt != nullptr)
            found = parser.GetValue(*row.pInt, row.pszPath);
        else if (row.pDouble != nullptr)
            found = parser.GetValue(*row.pDouble, row.pszPath);
        if (!found) AppendUnreadable(message, pszModelName, row.pszName);
    }
}

}  // namespace AMI
}  // namespace Vantrel

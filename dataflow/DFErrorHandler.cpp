#include "dataflow/DFErrorHandler.h"

#include <iostream>
#include <string>

namespace Vantrel {

namespace {
// One write per text so that the line reaches the stream whole.
void WriteLine(const char* text)
{
    std::string line = text ? text : "";
    line += '\n';
    std::cerr.write(line.data(), static_cast<std::streamsize>(line.size()));
    std::cerr.flush();
}
}  // namespace

void DFErrorHandler::PostError(DFModel*, const char* text) { WriteLine(text); }
void DFErrorHandler::PostWarning(DFModel*, const char* text) { WriteLine(text); }
void DFErrorHandler::PostInfo(DFModel*, const char* text) { WriteLine(text); }
void DFErrorHandler::PostLog(DFModel*, const char* text) { WriteLine(text); }
void DFErrorHandler::PostProgress(DFModel*, const char* text) { WriteLine(text); }

}  // namespace Vantrel

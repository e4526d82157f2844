// Precondition checks of the dataflow runtime.
//
// VANTREL_REQUIRE(cond, "text") stops the process with the fixed text when a
// precondition is violated. Preconditions guard against programming errors
// only: every index that data can influence is range-checked by its caller
// before it reaches a buffer or a bus.
#pragma once

namespace Vantrel {

// Writes "<file>:<line>: precondition failed: <text>" to standard error and
// aborts. Never returns.
[[noreturn]] void PreconditionFailed(const char* text, const char* file, int line);

}  // namespace Vantrel

#define VANTREL_REQUIRE(cond, text)                                  \
    do {                                                             \
        if (!(cond)) ::Vantrel::PreconditionFailed(text, __FILE__, __LINE__); \
    } while (0)

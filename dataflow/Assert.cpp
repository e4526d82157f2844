#include "dataflow/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace Vantrel {

void PreconditionFailed(const char* text, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: precondition failed: %s\n", file, line, text);
    std::fflush(stderr);
    std::abort();
}

}  // namespace Vantrel

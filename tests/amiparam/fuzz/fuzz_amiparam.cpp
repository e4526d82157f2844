// libFuzzer target: any byte string through GetParsedTree and ParamParser.
// A broken property traps, so the fuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/errlog.h"
#include "tests/amiparam/fuzz/ParseCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FILE* s_pNull = [] {
        FILE* f = std::fopen("/dev/null", "w");
        ERRLOG_SetOutputFile(f);
        return f;
    }();
    (void)s_pNull;
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (const char* problem = amiparamtest::CheckText(input)) {
        std::fprintf(stderr, "property broken: %s\n", problem);
        __builtin_trap();
    }
    return 0;
}

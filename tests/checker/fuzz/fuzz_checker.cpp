// libFuzzer target: arbitrary bytes as each of the four file types through
// INIT / PARSE / TEST / FINI.
//   fuzz_checker tests/checker/fuzz/corpus -max_total_time=600
#include "tests/checker/fuzz/fuzz_one.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return CheckerFuzzOne(data, size); }

// One fuzz input through the whole checker: the first byte chooses the file
// type (.ibs, .pkg, .ebd, .ami), the rest is the file. The bytes are written
// under all four names in a private folder, so that an [Algorithmic Model]
// line naming f.ami (or a .pkg lookup) finds a file; then INIT, PARSE, TEST
// and FINI run with the log sent to /dev/null. Shared by the libFuzzer target
// and the test that replays the corpus.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "base/errlog.h"
#include "checker/keywords.h"
#include "checker/parse.h"

inline const std::string& CheckerFuzzDir()
{
    static const std::string dir = [] {
        char tmpl[] = "/tmp/ckfuzzXXXXXX";
        const char* d = mkdtemp(tmpl);
        return std::string(d ? d : "/tmp");
    }();
    return dir;
}

inline int CheckerFuzzOne(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    static FILE* s_null = fopen("/dev/null", "w");
    static const char* const names[4] = {"/f.ibs", "/f.pkg", "/f.ebd", "/f.ami"};
    const int type = 1 + data[0] % 4;
    for (const char* n : names) {
        FILE* f = fopen((CheckerFuzzDir() + n).c_str(), "wb");
        if (!f) return 0;
        fwrite(data + 1, 1, size - 1, f);
        fclose(f);
    }
    if (s_null) ERRLOG_SetOutputFile(s_null);
    PARSE_SuppressBanners(1);
    gbSuppressCautions = 0;
    gbOldStyleErrors = data[0] & 4 ? 0 : 1;
    const std::string path = CheckerFuzzDir() + names[type - 1];
    if (INIT()) {
        if (PARSE(path.c_str(), type)) (TEST)(type, 0);
        FINI();
    }
    ERRLOG_SetOutputFile(nullptr);
    return 0;
}

// Replays the checker's fuzz corpus (seeds and the inputs that once found a
// fault) through the same path as the fuzz target: nothing may stop the
// process or leak; each input ends with a FINI.
#include <gtest/gtest.h>
#include <dirent.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/checker/fuzz/fuzz_one.h"

namespace {

TEST(CheckerFuzzCorpus, EveryInputRunsThrough)
{
    const std::string dir = std::string(AMI_SOURCE_DIR) + "/tests/checker/fuzz/corpus";
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr) << dir;
    std::vector<std::string> names;
    for (dirent* e = readdir(d); e; e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
    ASSERT_FALSE(names.empty());
    for (const std::string& n : names) {
        std::ifstream in(dir + "/" + n, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Each input as each of the four types.
        for (int t = 0; t < 4; ++t) {
            std::string input = bytes;
            if (input.empty()) input.push_back('\0');
            input[0] = static_cast<char>((static_cast<unsigned char>(input[0]) & ~3u) | static_cast<unsigned>(t));
            EXPECT_EQ(CheckerFuzzOne(reinterpret_cast<const uint8_t*>(input.data()), input.size()), 0) << n;
        }
    }
    PARSE_BeginFile(1);
    CMN_SetIbsPath("");
    PARSE_SuppressBanners(0);
    gbSuppressCautions = 1;
    gbOldStyleErrors = 1;
}

}  // namespace

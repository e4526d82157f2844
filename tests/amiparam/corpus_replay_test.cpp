// Replays the fuzzer's corpus (and the shared AMI parameter files, when
// present) through the parser and the lookups, checking the same properties
// the fuzz target checks.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/amiparam/fuzz/ParseCheck.h"

namespace {

std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix)
{
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            files.push_back(dir + "/" + name);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(CorpusReplay, EveryFuzzCorpusFileKeepsTheProperties)
{
    const auto files = FilesIn(std::string(AMI_SOURCE_DIR) + "/tests/amiparam/fuzz/corpus", "");
    ASSERT_GE(files.size(), 10u) << "fuzz corpus missing";
    for (const std::string& f : files) {
        const char* problem = amiparamtest::CheckText(ReadFile(f));
        EXPECT_EQ(problem, nullptr) << f << ": " << (problem ? problem : "");
    }
}

TEST(CorpusReplay, SharedAmiFilesKeepTheProperties)
{
    const auto files = FilesIn(std::string(AMI_SHARED_DIR) + "/corpus", ".ami");
    if (files.empty()) GTEST_SKIP() << "no shared AMI files";
    for (const std::string& f : files) {
        const char* problem = amiparamtest::CheckText(ReadFile(f));
        EXPECT_EQ(problem, nullptr) << f << ": " << (problem ? problem : "");
    }
}

}  // namespace

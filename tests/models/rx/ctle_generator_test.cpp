// The committed CTLE tables are exactly what their generator writes from its
// stored fit: models/rx/tables/gen_ctle_tables.cpp, compiled and run into a
// fresh folder, reproduces CtleTables.h and CtleTables.cpp byte for byte (and
// on the way re-checks every rule the tables keep; it writes nothing if one
// fails).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/ami/AmiLibrary.h"

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(CtleTableGenerator, RegeneratesTheCommittedTables)
{
    if (std::system("c++ --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no C++ compiler on the path";
    amitest::TempWorkDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string source = AMI_SOURCE_DIR;
    const std::string build = "c++ -O2 -std=c++17 -o gen_ctle_tables " + source +
                              "/models/rx/tables/gen_ctle_tables.cpp > build.log 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0) << ReadFile(dir.path() + "/build.log");
    const std::string run = "./gen_ctle_tables " + dir.path() + " > run.log 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << ReadFile(dir.path() + "/run.log");
    for (const char* name : {"CtleTables.h", "CtleTables.cpp"}) {
        const std::string committed = ReadFile(source + "/models/rx/" + name);
        ASSERT_FALSE(committed.empty()) << name;
        EXPECT_TRUE(ReadFile(dir.path() + "/" + name) == committed) << name << " differs from its generator's output";
    }
}

}  // namespace

// The committed tables are exactly what their generator produces: running
// models/tx/tables/gen_tx_tables.py into a fresh folder reproduces
// TxFilterTables.h and TxFilterTables.cpp byte for byte.
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

TEST(TxTableGenerator, RegeneratesTheCommittedTables)
{
    if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not available";
    amitest::TempWorkDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string source = AMI_SOURCE_DIR;
    const std::string cmd = "python3 " + source + "/models/tx/tables/gen_tx_tables.py " + dir.path() +
                            " > generator.log 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadFile(dir.path() + "/generator.log");
    for (const char* name : {"TxFilterTables.h", "TxFilterTables.cpp"}) {
        const std::string committed = ReadFile(source + "/models/tx/" + name);
        ASSERT_FALSE(committed.empty()) << name;
        EXPECT_TRUE(ReadFile(dir.path() + "/" + name) == committed) << name << " differs from its generator's output";
    }
}

}  // namespace

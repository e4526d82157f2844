// ReportFile: creation, appending, number formats, unopenable files.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "models/rx/ReportFile.h"
#include "tests/models/rx/blocks_report_dir.h"

namespace {

class ReportFileTest : public ReportDirTest {};

TEST_F(ReportFileTest, NumbersAsPrintfFormatsThem)
{
    const int ints[] = {0, 7, -7, 31, 12345678, INT_MAX, INT_MIN};
    const double doubles[] = {0.0,     -0.0,   1.0,    12.0,   200.0, 999999.0, 1000000.0,
                              1234567.0, 0.1,  2.5e-7, 1e300,  -3.25, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    std::string expected;
    char field[64];
    {
        ReportFile report("R.txt");
        report.Touch();
        for (int v : ints) {
            report.WriteInt(v);
            report.Write("|");
            std::snprintf(field, sizeof field, "%d|", v);
            expected += field;
        }
        for (double v : doubles) {
            report.WriteDouble(v);
            report.Write("|");
            std::snprintf(field, sizeof field, "%g|", v);
            expected += field;
        }
        report.Flush();
        EXPECT_EQ(ReadAll("R.txt"), expected);  // complete at Flush, file still open
    }
    EXPECT_EQ(ReadAll("R.txt"), expected);
}

TEST_F(ReportFileTest, CreatedByTouchAppendedNeverTruncated)
{
    WriteAll("R.txt", "first\n");
    ReportFile report("R.txt");
    EXPECT_FALSE(report.IsOpen());
    report.Touch();
    EXPECT_TRUE(report.IsOpen());
    report.Write("second\n");
    report.Flush();
    report.Close();
    ReportFile other("R.txt");
    other.Write("third\n");  // opens on demand, without Touch
    other.Flush();
    EXPECT_EQ(ReadAll("R.txt"), "first\nsecond\nthird\n");

    ReportFile fresh("New.txt");
    EXPECT_FALSE(Exists("New.txt"));
    fresh.Touch();
    EXPECT_TRUE(Exists("New.txt"));
    EXPECT_EQ(ReadAll("New.txt"), "");
}

// A firing's text, up to the buffer's size (the largest eye-monitor record
// fits), stays out of the file until Flush() and then arrives whole: one
// write, which no other instance's text can split.
TEST_F(ReportFileTest, AFiringsTextReachesTheFileInOneWrite)
{
    for (size_t size : {size_t{100}, size_t{20000}, size_t{49000}, ReportFile::kBufferBytes}) {
        std::remove("R.txt");
        ReportFile report("R.txt");
        report.Touch();
        std::string expected;
        while (expected.size() + 12 <= size) {
            report.WriteDouble(2.14748e9);
            report.Write("\t");
            expected += "2.14748e+09\t";
        }
        EXPECT_EQ(ReadAll("R.txt"), "") << size << " bytes reached the file before Flush";
        report.Flush();
        EXPECT_EQ(ReadAll("R.txt"), expected) << size;
    }
}

TEST_F(ReportFileTest, UnopenableFileDropsTextAndRetriesOncePerFiring)
{
    ASSERT_EQ(mkdir("R.txt", 0700), 0);
    ReportFile report("R.txt");
    report.Touch();
    EXPECT_FALSE(report.IsOpen());
    report.Write("lost\n");
    report.WriteInt(3);
    report.WriteDouble(1.5);
    report.Flush();
    ASSERT_EQ(rmdir("R.txt"), 0);
    report.Touch();  // tried once already: Touch alone does not retry
    EXPECT_FALSE(report.IsOpen());
    report.Write("kept\n");
    report.Flush();
    EXPECT_TRUE(report.IsOpen());
    EXPECT_EQ(ReadAll("R.txt"), "kept\n");
}

}  // namespace

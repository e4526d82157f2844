// Common helpers: comparisons, scanners and their length guard, memory
// helpers and their failure reports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/cmn.h"
#include "base/errlog.h"
#include "tests/base/errlog_capture.h"

namespace {

TEST(CmnStrings, CaseInsensitiveComparisons)
{
    const struct {
        const char *a, *b;
        bool same;
    } whole[] = {
        {"Model", "MODEL", true}, {"Model", "Model ", false}, {"", "", true},
        {"abc", "abd", false},    {"a", "", false},           {"pin_MAP", "PIN_map", true},
    };
    for (const auto& c : whole) EXPECT_EQ(CMN_StrSameIC(c.a, c.b) != 0, c.same) << c.a << "|" << c.b;

    const struct {
        const char *a, *b;
        unsigned n;
        bool same;
    } prefix[] = {
        {"Pin_Mapping", "PIN_MAP", 7, true}, {"Pin", "Pins", 5, false}, {"Pin", "PIN", 5, true},
        {"Pin", "Pins", 3, true},            {"abc", "abd", 2, true},   {"abc", "abd", 3, false},
    };
    for (const auto& c : prefix)
        EXPECT_EQ(CMN_StrSameICn(c.a, c.b, c.n) != 0, c.same) << c.a << "|" << c.b << " n=" << c.n;
}

TEST(CmnStrings, MatchKeywordTurnsBlanksIntoUnderscores)
{
    char text[] = "model selector";
    EXPECT_TRUE(CMN_MatchKeyword("MODEL_SELECTOR", text));
    EXPECT_STREQ(text, "model_selector");
    char other[] = "model  selector";
    EXPECT_FALSE(CMN_MatchKeyword("MODEL_SELECTOR", other));
}

TEST(CmnStrings, CaseConversionAndBasename)
{
    char text[] = "AbC-1z";
    EXPECT_TRUE(CMN_AnyUpper(text));
    CMN_ConvertToLower(text);
    EXPECT_STREQ(text, "abc-1z");
    EXPECT_FALSE(CMN_AnyUpper(text));
    CMN_ConvertToUpper(text);
    EXPECT_STREQ(text, "ABC-1Z");
    EXPECT_STREQ(CMN_getBasename("dir/sub/file.ibs"), "file.ibs");
    EXPECT_STREQ(CMN_getBasename("file.ibs"), "file.ibs");
    EXPECT_STREQ(CMN_getBasename("dir/"), "");
    EXPECT_STREQ(CMN_ultoa(0), "0");
    EXPECT_STREQ(CMN_ultoa(18446744073709551615UL), "18446744073709551615");
}

TEST(CmnStrings, TerminateEndCutsTrailingWhiteSpaceButNotTheFirstCharacter)
{
    const struct {
        const char *in, *out;
    } cases[] = {{"abc \t ", "abc"}, {"   ", " "}, {"", ""}, {"a", "a"}, {"a b\r\n", "a b"}, {"\t", "\t"}};
    for (const auto& c : cases) {
        std::string s = c.in;
        CMN_TerminateEnd(&s[0]);
        EXPECT_STREQ(s.c_str(), c.out) << '"' << c.in << '"';
    }
}

TEST(CmnStrings, CopiesAreTerminatedAndBounded)
{
    char* copy = CMN_StrMake("hello");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "hello");
    CMN_free(copy);
    EXPECT_EQ(CMN_StrMake(nullptr), nullptr);

    char* part = CMN_StrMakeN("hello", 3);
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(part, "hel");
    CMN_free(part);
    part = CMN_StrMakeN("hi", 5);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(std::memcmp(part, "hi\0\0\0\0", 6), 0);
    CMN_freeSetNull(reinterpret_cast<void**>(&part));
    EXPECT_EQ(part, nullptr);

    char dst[6];
    std::memset(dst, 'x', sizeof dst);
    EXPECT_EQ(CMN_strncpy(dst, "abcdefgh", 5), dst + 5);
    EXPECT_STREQ(dst, "abcde");
    std::memset(dst, 'x', sizeof dst);
    CMN_strncpy(dst, "ab", 5);
    EXPECT_EQ(std::memcmp(dst, "ab\0\0\0\0", 6), 0);
}

TEST(CmnScanning, EatersStopWhereTheyShould)
{
    char line[] = "[Model]   name rest";
    char* p = line;
    EXPECT_EQ(CMN_EatKeyword(&p), 1);
    EXPECT_STREQ(p, "name rest");
    CMN_EatNonWhitespace(&p);
    EXPECT_STREQ(p, " rest");
    CMN_EatWhitespace(&p);
    EXPECT_STREQ(p, "rest");

    char none[] = "no keyword here";
    p = none;
    EXPECT_EQ(CMN_EatKeyword(&p), 0);
    EXPECT_EQ(p, none + std::strlen(none));

    char ws[] = " \t\n\v\f\rx";
    p = ws;
    CMN_EatWhitespace(&p);
    EXPECT_EQ(*p, 'x');
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(CMN_IsWhitespace(c) != 0, c == ' ' || (c >= '\t' && c <= '\r')) << c;
}

TEST(CmnScanning, SkipsExactly120BlanksInOneCall)
{
    std::string s(120, ' ');
    s += "x";
    char* p = &s[0];
    CMN_EatWhitespace(&p);
    EXPECT_EQ(*p, 'x');
}

TEST(CmnScanningDeathTest, The121stSkippedCharacterStopsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string blanks(121, ' ');
    blanks += "x";
    EXPECT_DEATH(
        {
            char* p = &blanks[0];
            CMN_EatWhitespace(&p);
        },
        "");
    std::string word(121, 'w');
    EXPECT_DEATH(
        {
            char* p = &word[0];
            CMN_EatNonWhitespace(&p);
        },
        "");
    std::string longKeyword = "[" + std::string(130, 'k') + "]";
    EXPECT_DEATH(
        {
            char* p = &longKeyword[0];
            CMN_EatKeyword(&p);
        },
        "");
}

TEST(CmnScanning, AnyLineLengthLiftsTheGuard)
{
    std::string s(5000, ' ');
    s += "x";
    gbAllowAnyLineLength = 1;
    char* p = &s[0];
    CMN_EatWhitespace(&p);
    gbAllowAnyLineLength = 0;
    EXPECT_EQ(*p, 'x');
}

TEST(CmnDeathTest, PreconditionPrintsTheFixedLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The line goes to standard output; abort ends the process.
    EXPECT_EXIT(
        {
            void* p = nullptr;
            CMN_malloc(&p, 0);
        },
        ::testing::KilledBySignal(SIGABRT), "");
}

class CmnMemory : public ErrlogCapture {
protected:
    void TearDown() override
    {
        CMN_FailAllocationsAfter(-1);
        ErrlogCapture::TearDown();
    }
};

TEST_F(CmnMemory, AllocationIsZeroFilled)
{
    void* p = nullptr;
    ASSERT_EQ(CMN_malloc(&p, 64), 1);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(static_cast<unsigned char*>(p)[i], 0) << i;
    ASSERT_EQ(CMN_realloc(&p, 128), 1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(p)[63], 0);
    CMN_freeSetNull(&p);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(Take(), "");
}

TEST_F(CmnMemory, FailuresAreReportedAndGiveZero)
{
    gbOldStyleErrors = 0;
    const Counts before = Now();

    CMN_FailAllocationsAfter(0);
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CMN_malloc(&p, 40), 0);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(Take(), "E1906 - Memory allocation failed.  This request 40.\n\n");

    CMN_FailAllocationsAfter(1);  // the first allocation works, the resize fails
    ASSERT_EQ(CMN_malloc(&p, 8), 1);
    EXPECT_EQ(CMN_realloc(&p, 4000), 0);
    EXPECT_EQ(p, nullptr);  // the old block was released, not leaked
    EXPECT_EQ(Take(), "E1907 - Memory reallocation failed.  This request 4000.\n\n");

    CMN_FailAllocationsAfter(0);
    EXPECT_EQ(CMN_StrMake("abc"), nullptr);
    const std::string out = Take();
    EXPECT_EQ(out.rfind("E1906 - Memory allocation failed.  This request 4.\n\nB1908 - Unable to Allocate Memory: cmn.cpp ", 0),
              0u)
        << out;
    EXPECT_EQ(CMN_StrMakeN("abc", 2), nullptr);
    EXPECT_EQ(Take(), "");  // no message of its own

    const Counts after = Now();
    EXPECT_EQ(after.errors - before.errors, 3u);
    EXPECT_EQ(after.bugs - before.bugs, 1u);
}

}  // namespace

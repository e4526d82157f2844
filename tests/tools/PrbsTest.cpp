// The PRBS generator against the ITU-T O.150 sequences.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "linksim/Prbs.h"

namespace {

using linksim::Prbs;

std::vector<uint8_t> Bits(Prbs& p, size_t n)
{
    std::vector<uint8_t> b(n);
    p.Fill(b.data(), n);
    return b;
}

TEST(Prbs, Prbs7FromAllOnesIsThePublishedSequence)
{
    // One period of x^7 + x^6 + 1 from the all-ones state, as tabulated for
    // the PRBS7 test pattern.
    const std::string expected =
        "1111111000000100000110000101000111100100010110011101010011111010"
        "000111000100100110110101101111011000110100101110111001100101010";
    ASSERT_EQ(expected.size(), 127u);
    Prbs p(7);
    const auto b = Bits(p, 254);
    for (size_t i = 0; i < 254; ++i)
        ASSERT_EQ(b[i], expected[i % 127] - '0') << "bit " << i;
}

struct OrderCase {
    int order;
    int tap;
};

class PrbsOrder : public ::testing::TestWithParam<OrderCase> {};

// Every order: the seed gives the first bits, then b[k] = b[k-n] ^ b[k-t].
TEST_P(PrbsOrder, SeedThenRecurrence)
{
    const auto c = GetParam();
    const uint32_t seed = 0x5A5A5A5Au & ((1u << c.order) - 1u);
    Prbs p(c.order, seed);
    const auto b = Bits(p, 20000);
    for (int i = 0; i < c.order; ++i)
        ASSERT_EQ(b[i], (seed >> (c.order - 1 - i)) & 1u) << "seed bit " << i;
    for (size_t k = c.order; k < b.size(); ++k)
        ASSERT_EQ(b[k], b[k - c.order] ^ b[k - c.tap]) << "order " << c.order << " bit " << k;
}

INSTANTIATE_TEST_SUITE_P(AllOrders, PrbsOrder,
                         ::testing::Values(OrderCase{7, 6}, OrderCase{15, 14}, OrderCase{23, 18},
                                           OrderCase{31, 28}),
                         [](const ::testing::TestParamInfo<OrderCase>& info) {
                             return "Prbs" + std::to_string(info.param.order);
                         });

// Maximal length: period 2^n - 1, every non-zero n-bit word once per period,
// 2^(n-1) ones.
TEST(Prbs, MaximalLengthForSevenAndFifteen)
{
    for (int order : {7, 15}) {
        Prbs p(order, 1);
        const size_t period = (size_t{1} << order) - 1;
        EXPECT_EQ(p.Period(), period);
        const auto b = Bits(p, 2 * period + order);
        size_t ones = 0;
        std::set<uint32_t> words;
        for (size_t i = 0; i < period; ++i) {
            ones += b[i];
            uint32_t w = 0;
            for (int j = 0; j < order; ++j) w = (w << 1) | b[i + j];
            words.insert(w);
            ASSERT_EQ(b[i], b[i + period]) << "order " << order << " bit " << i;
        }
        EXPECT_EQ(ones, size_t{1} << (order - 1)) << "order " << order;
        EXPECT_EQ(words.size(), period) << "order " << order;
        EXPECT_EQ(words.count(0u), 0u);
    }
}

TEST(Prbs, ZeroSeedMeansAllOnesAndBadOrdersAreRefused)
{
    Prbs a(15, 0), b(15, 0x7FFF);
    EXPECT_EQ(Bits(a, 100), Bits(b, 100));
    for (int bad : {0, 8, 16, 32, -7}) EXPECT_THROW(Prbs p(bad), std::invalid_argument) << bad;
}

}  // namespace

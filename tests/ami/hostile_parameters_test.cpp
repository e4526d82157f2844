// Every run-time parameter of both models set to values a careless or hostile
// parameter string can carry (out of range, huge, negative, not finite), and
// timing at the edges of what AMI_Init accepts. Whatever the model makes of
// them, the host process must survive: the sanitizer build turns any overrun
// or undefined conversion into a failure here.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/ami/AmiLibrary.h"

using amitest::AmiLibrary;

namespace {

constexpr double kBitTime = 1.0 / 10.3125e9;

struct Param {
    const char* model;
    const char* name;
};

const Param kRxParams[] = {
    {"Vuraved_UV_IV", "RX_Config"}, {"Vuraved_UV_IV", "Factor"},   {"Vuraved_UV_IV", "VCO_Sensitivity"},
    {"Vuraved_UV_IV", "EQ_Level"},  {"Vuraved_UV_IV", "CTLEAdapt"}, {"Vuraved_UV_IV", "EOMNbits"},
};
const Param kTxParams[] = {
    {"TX_model2", "DE_Level"}, {"TX_model2", "VOD_Level"}, {"TX_model2", "TX_bypass"}};

const char* const kValues[] = {"-1", "0", "1", "2", "3", "4", "31", "32", "-2147483648",
                               "2147483647", "1e10", "-1e300", "2.6", "nan", "inf", "-inf",
                               "1e-310", "\"text\"", "True"};

// NRZ +/-1 of a fixed pseudo-random pattern.
std::vector<double> Stimulus(size_t bits, int spb)
{
    std::vector<double> w;
    unsigned x = 0x1234567u;
    for (size_t b = 0; b < bits; ++b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        for (int s = 0; s < spb; ++s) w.push_back((x & 1u) ? 1.0 : -1.0);
    }
    return w;
}

// Init, three blocks of samples, Close; fails the test on a broken contract
// (a wrong return code or a clock time list without its terminator).
void Drive(const AmiLibrary& lib, const std::string& params, double sampleInterval, int spb,
           const std::string& label)
{
    void* h = nullptr;
    char* msg = nullptr;
    const long init = lib.InitWith(params, sampleInterval, kBitTime, &h, &msg);
    ASSERT_TRUE(init == 0 || init == 1) << label;
    ASSERT_NE(h, nullptr) << label;
    std::vector<double> wave = Stimulus(48, spb);
    const long third = static_cast<long>(wave.size() / 3);
    for (int block = 0; block < 3; ++block) {
        std::vector<double> clocks(static_cast<size_t>(third / spb) + 1, 123.0);
        const long r = lib.GetWave(wave.data() + block * third, third, clocks.data(), nullptr, h);
        ASSERT_TRUE(r == 0 || r == 1) << label;
        if (init == 0) {
            // A model that failed AMI_Init (a non-finite VCO_Sensitivity)
            // neither runs nor touches the caller's clock times.
            EXPECT_EQ(r, 0) << label << ": a model that failed AMI_Init ran";
            EXPECT_EQ(clocks[0], 123.0) << label;
            continue;
        }
        bool terminated = false;
        for (double c : clocks) {
            if (c == -1.0) {
                terminated = true;
                break;
            }
            ASSERT_GE(c, 0.0) << label;
        }
        EXPECT_TRUE(terminated) << label;
    }
    const long closed = lib.Close(h);
    EXPECT_TRUE(closed == 0 || closed == 1) << label;
}

class HostileParameters : public testing::TestWithParam<bool> {};

TEST_P(HostileParameters, EveryParameterAtEveryOddValue)
{
    const bool rx = GetParam();
    AmiLibrary lib(rx ? amitest::RxPath() : amitest::TxPath());
    ASSERT_TRUE(lib.ok()) << lib.error();
    amitest::TempWorkDir dir;
    const int spb = 16;
    const Param* params = rx ? kRxParams : kTxParams;
    const size_t n = rx ? std::size(kRxParams) : std::size(kTxParams);
    for (size_t p = 0; p < n; ++p)
        for (const char* v : kValues) {
            const std::string s =
                std::string("(") + params[p].model + " (" + params[p].name + " " + v + "))";
            Drive(lib, s, kBitTime / spb, spb, s);
            if (HasFatalFailure()) return;
        }
}

TEST_P(HostileParameters, TimingAtTheEdges)
{
    AmiLibrary lib(GetParam() ? amitest::RxPath() : amitest::TxPath());
    ASSERT_TRUE(lib.ok()) << lib.error();
    amitest::TempWorkDir dir;
    for (int spb : {1, 2, 3, 5, 127}) {
        Drive(lib, "", kBitTime / spb, spb, "samples per bit " + std::to_string(spb));
        if (HasFatalFailure()) return;
    }
}

// A floating-point parameter read as NaN or infinity: AMI_Init fails and its
// message names the parameter and the value (the receiver took "nan" for its
// VCO without a word and then never gave a clock time).
TEST(NonFiniteParameters, FailInitNamingTheParameter)
{
    AmiLibrary lib(amitest::RxPath());
    ASSERT_TRUE(lib.ok()) << lib.error();
    amitest::TempWorkDir dir;
    struct Case {
        const char* value;
        long init;
        const char* says;  // "" for no such message
    };
    const Case cases[] = {
        {"nan", 0, "cannot run with VCO_Sensitivity = nan: it must be a finite number."},
        {"inf", 0, "cannot run with VCO_Sensitivity = inf: it must be a finite number."},
        {"-inf", 0, "cannot run with VCO_Sensitivity = -inf: it must be a finite number."},
        {"1e999", 0, "cannot run with VCO_Sensitivity = inf: it must be a finite number."},
        {"1e9", 1, ""},
    };
    for (const Case& c : cases) {
        const std::string params = std::string("(Vuraved_UV_IV (VCO_Sensitivity ") + c.value + "))";
        void* h = nullptr;
        char* msg = nullptr;
        const long init = lib.InitWith(params, kBitTime / 16, kBitTime, &h, &msg);
        const std::string text = msg ? msg : "";
        EXPECT_EQ(init, c.init) << c.value << ": " << text;
        if (*c.says)
            EXPECT_NE(text.find(std::string("The IBIS-AMI model, Vuraved_UV_IV, ") + c.says), std::string::npos)
                << c.value << ": " << text;
        else
            EXPECT_EQ(text.find("cannot run with VCO_Sensitivity"), std::string::npos) << text;
        if (h) lib.Close(h);
    }
}

INSTANTIATE_TEST_SUITE_P(Libraries, HostileParameters, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) {
                             return std::string(i.param ? "rx" : "tx");
                         });

}  // namespace

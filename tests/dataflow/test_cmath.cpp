// The maths blocks: results, domain limits (the limits themselves, subnormals,
// signed zeros), substitutes and message texts.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "dataflow/CMath.h"
#include "tests/dataflow/StderrCapture.h"

using namespace Vantrel;
using dftest::CaptureErr;

namespace {

const double kFIM = MathConstants::FloatIntegerMax;
const double kSub = 1e-309;  // subnormal
const double kTwo1022 = std::ldexp(1.0, 1022);

std::unique_ptr<CMath> Make(const std::string& name)
{
    if (name == "Abs") return std::make_unique<MathAbs>();
    if (name == "Ceil") return std::make_unique<MathCeil>();
    if (name == "Floor") return std::make_unique<MathFloor>();
    if (name == "Round") return std::make_unique<MathRound>();
    if (name == "Exp") return std::make_unique<MathExp>();
    if (name == "Pow10") return std::make_unique<MathPow10>();
    if (name == "Ln") return std::make_unique<MathLn>();
    if (name == "Log10") return std::make_unique<MathLog10>();
    if (name == "Recip") return std::make_unique<MathRecip>();
    if (name == "Sqr") return std::make_unique<MathSqr>();
    if (name == "Sqrt") return std::make_unique<MathSqrt>();
    if (name == "Sgn") return std::make_unique<MathSgn>();
    return nullptr;
}

struct Case {
    const char* block;
    double x;
    double y;         // expected output (compared bitwise for signed zeros)
    bool ok;          // Run's result
    const char* msg;  // expected stderr text without the line end ("" = none)
};

}  // namespace

TEST(CMath, ResultsLimitsAndMessages)
{
    const Case cases[] = {
        {"Abs", -3.5, 3.5, true, ""},
        {"Abs", -0.0, 0.0, true, ""},
        {"Abs", -DBL_MAX, DBL_MAX, true, ""},

        {"Ceil", 2.1, 3.0, true, ""},
        {"Ceil", -2.9, -2.0, true, ""},
        {"Ceil", kFIM, kFIM, true, ""},
        {"Ceil", -kFIM, -kFIM, true, ""},
        {"Ceil", 5e15, kFIM, false, "Ceil input 5e+15exceed 4.5036e+15 ."},
        {"Ceil", -5e15, -kFIM, false, "Ceil input -5e+15 is below -4.5036e+15 ."},

        {"Floor", 2.9, 2.0, true, ""},
        {"Floor", -0.5, -1.0, true, ""},
        {"Floor", kFIM, kFIM, true, ""},
        {"Floor", std::nextafter(kFIM, INFINITY), kFIM, false,
         "Floor input 4.5036e+15 exceed 4.5036e+15 ."},
        {"Floor", -1e300, -kFIM, false, "Floor input -1e+300 is below -4.5036e+15 ."},

        {"Round", 2.5, 3.0, true, ""},
        {"Round", -2.5, -3.0, true, ""},
        {"Round", -0.5, -1.0, true, ""},
        {"Round", std::nextafter(kFIM, 0.0), kFIM, true, ""},  // ...95.5 rounds up to the limit
        {"Round", kFIM, kFIM, false, "Round input 4.5036e+15 is greater than equal to 4.5036e+15 ."},
        {"Round", -kFIM, -kFIM, false,
         "Round input -4.5036e+15 is less than or equal to -4.5036e+15 ."},

        {"Exp", 0.0, 1.0, true, ""},
        {"Exp", MathConstants::ExpDomainMax, std::exp(MathConstants::ExpDomainMax), true, ""},
        {"Exp", 710.0, DBL_MAX, false, "Exp input 710 exceed 709.783 ."},
        {"Exp", -1000.0, 0.0, true, ""},

        {"Pow10", 2.0, 100.0, true, ""},
        // pow rounds 10^Pow10DomainMax beyond the largest double; the block
        // keeps its result finite at its own limit.
        {"Pow10", MathConstants::Pow10DomainMax, DBL_MAX, true, ""},
        {"Pow10", 309.0, DBL_MAX, false, "Pow10 input 309 exceed 308.255 ."},

        {"Ln", std::exp(1.0), 1.0, true, ""},
        {"Ln", DBL_MIN, std::log(DBL_MIN), true, ""},
        {"Ln", 0.0, MathConstants::MostNegativeLog, false, "Log input 0 is not positive."},
        {"Ln", -0.0, MathConstants::MostNegativeLog, false, "Log input -0 is not positive."},
        {"Ln", kSub, MathConstants::MostNegativeLog, false, "Log input 1e-309 is not positive."},
        {"Ln", -2.0, MathConstants::MostNegativeLog, false, "Log input -2 is not positive."},

        {"Log10", 1000.0, 3.0, true, ""},
        {"Log10", DBL_MIN, std::log10(DBL_MIN), true, ""},
        {"Log10", 0.0, MathConstants::MostNegativeLog10, false, "Log10 input 0 is not positive."},
        {"Log10", kSub, MathConstants::MostNegativeLog10, false, "Log10 input 1e-309 is not positive."},

        {"Recip", 4.0, 0.25, true, ""},
        {"Recip", DBL_MIN, 1.0 / DBL_MIN, true, ""},
        {"Recip", -DBL_MIN, -1.0 / DBL_MIN, true, ""},
        {"Recip", 0.0, kTwo1022, false, "Recip input magnitude |0| is below 2.22507e-308 ."},
        {"Recip", -0.0, kTwo1022, false, "Recip input magnitude |-0| is below 2.22507e-308 ."},
        {"Recip", -kSub, -kTwo1022, false, "Recip input magnitude |-1e-309| is below 2.22507e-308 ."},
        {"Recip", kSub, kTwo1022, false, "Recip input magnitude |1e-309| is below 2.22507e-308 ."},

        {"Sqr", -3.0, 9.0, true, ""},
        {"Sqr", MathConstants::SqrDomainMax, MathConstants::SqrDomainMax * MathConstants::SqrDomainMax, true, ""},
        {"Sqr", -1e155, DBL_MAX, false, "Sqr input magnitude |-1e+155| exceed 1.34078e+154 ."},

        {"Sqrt", 16.0, 4.0, true, ""},
        {"Sqrt", -0.0, -0.0, true, ""},
        {"Sqrt", -4.0, 0.0, false, "Sqrt input argument -4 is negative."},
        {"Sqrt", -kSub, 0.0, false, "Sqrt input argument -1e-309 is negative."},

        {"Sgn", 1e-309, 0.0, true, ""},
        {"Sgn", -1e-309, 0.0, true, ""},
        {"Sgn", -0.0, 0.0, true, ""},
        {"Sgn", DBL_MIN, 1.0, true, ""},
        {"Sgn", -3.0, -1.0, true, ""},
        {"Sgn", 0.2, 1.0, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.block) + " of " + std::to_string(c.x));
        std::unique_ptr<CMath> b = Make(c.block);
        ASSERT_TRUE(b);
        double in = c.x, out = 12345.0;
        b->Input.SetBuffer(&in, 1, 1, 0);
        b->Output.SetBuffer(&out, 1, 1, 0);
        EXPECT_TRUE(b->Setup());
        bool ok = !c.ok;
        std::string err = CaptureErr([&] { ok = b->Run(); });
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(err, *c.msg ? std::string(c.msg) + "\n" : std::string());
        EXPECT_EQ(out, c.y);
        EXPECT_EQ(std::signbit(out), std::signbit(c.y)) << "sign of zero";
        EXPECT_TRUE(b->Finalize());
    }
}

TEST(CMath, ConstantsAreTheNamedLimits)
{
    EXPECT_EQ(MathConstants::FloatIntegerMax, std::ldexp(1.0, 52));
    EXPECT_EQ(MathConstants::RecipDomainMagnitudeMin, DBL_MIN);
    EXPECT_NEAR(MathConstants::ExpDomainMax, std::log(DBL_MAX), 1e-12);
    EXPECT_NEAR(MathConstants::MostNegativeLog, std::log(DBL_MIN), 1e-12);
    EXPECT_NEAR(MathConstants::MostNegativeLog10, std::log10(DBL_MIN), 1e-12);
    EXPECT_NEAR(MathConstants::Pow10DomainMax, std::log10(DBL_MAX), 1e-12);
    EXPECT_NEAR(MathConstants::SqrDomainMax, std::sqrt(DBL_MAX), 1e140);
    // Every substitute is finite.
    EXPECT_TRUE(std::isfinite(std::exp(MathConstants::ExpDomainMax)));
    EXPECT_TRUE(std::isfinite(std::pow(10.0, std::nextafter(MathConstants::Pow10DomainMax, 0.0))));
    EXPECT_TRUE(std::isfinite(MathConstants::SqrDomainMax * MathConstants::SqrDomainMax));
}

TEST(CMath, NaNPropagates)
{
    for (const char* name : {"Ceil", "Floor", "Round", "Exp", "Pow10", "Ln", "Log10", "Recip", "Sqr", "Sqrt"}) {
        std::unique_ptr<CMath> b = Make(name);
        double in = std::numeric_limits<double>::quiet_NaN(), out = 0.0;
        b->Input.SetBuffer(&in, 1, 1, 0);
        b->Output.SetBuffer(&out, 1, 1, 0);
        std::string err = CaptureErr([&] { EXPECT_TRUE(b->Run()) << name; });
        EXPECT_TRUE(std::isnan(out)) << name;
        EXPECT_EQ(err, "") << name;
    }
}

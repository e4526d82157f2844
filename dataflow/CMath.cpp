#include "dataflow/CMath.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

#include "dataflow/DFErrorHandler.h"

namespace Vantrel {

namespace {

using K = MathConstants;

constexpr double kTwoTo1022 = 0x1p1022;

// The texts put x and the limit in the default formatting of doubles (six
// significant digits, as %g).

// Posts pre + x + post.
void PostValue(DFModel* block, const char* pre, double x, const char* post)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s%g%s", pre, x, post);
    DFErrorHandler::PostError(block, text);
}

// Posts pre + x + mid + limit + " .".
void PostLimit(DFModel* block, const char* pre, double x, const char* mid, double limit)
{
    char text[200];
    std::snprintf(text, sizeof text, "%s%g%s%g .", pre, x, mid, limit);
    DFErrorHandler::PostError(block, text);
}

// Ceil and floor share their limits; only the texts differ.
bool IntegerPart(DFModel* block, CircularBuffer<double>& in, CircularBuffer<double>& out,
                 double (*f)(double), const char* pre, const char* exceed)
{
    const double x = in[0];
    if (x > K::FloatIntegerMax) {
        PostLimit(block, pre, x, exceed, K::FloatIntegerMax);
        out[0] = K::FloatIntegerMax;
        return false;
    }
    if (x < -K::FloatIntegerMax) {
        PostLimit(block, pre, x, " is below ", -K::FloatIntegerMax);
        out[0] = -K::FloatIntegerMax;
        return false;
    }
    out[0] = f(x);
    return true;
}

double Ceil(double x) { return std::ceil(x); }
double Floor(double x) { return std::floor(x); }

}  // namespace

bool CMath::Setup() { return true; }
bool CMath::Finalize() { return true; }

bool MathAbs::Run()
{
    Output[0] = std::fabs(Input[0]);
    return true;
}

bool MathCeil::Run()
{
    // No blank before "exceed" in this block's message.
    return IntegerPart(this, Input, Output, Ceil, "Ceil input ", "exceed ");
}

bool MathFloor::Run()
{
    return IntegerPart(this, Input, Output, Floor, "Floor input ", " exceed ");
}

bool MathRound::Run()
{
    const double x = Input[0];
    if (x >= K::FloatIntegerMax) {
        PostLimit(this, "Round input ", x, " is greater than equal to ", K::FloatIntegerMax);
        Output[0] = K::FloatIntegerMax;
        return false;
    }
    if (x <= -K::FloatIntegerMax) {
        PostLimit(this, "Round input ", x, " is less than or equal to ", -K::FloatIntegerMax);
        Output[0] = -K::FloatIntegerMax;
        return false;
    }
    Output[0] = x < 0.0 ? std::ceil(x - 0.5) : std::floor(x + 0.5);
    return true;
}

bool MathExp::Run()
{
    const double x = Input[0];
    if (x > K::ExpDomainMax) {
        PostLimit(this, "Exp input ", x, " exceed ", K::ExpDomainMax);
        Output[0] = DBL_MAX;
        return false;
    }
    Output[0] = std::exp(x);
    return true;
}

bool MathPow10::Run()
{
    const double x = Input[0];
    if (x > K::Pow10DomainMax) {
        PostLimit(this, "Pow10 input ", x, " exceed ", K::Pow10DomainMax);
        Output[0] = DBL_MAX;
        return false;
    }
    // At the limit itself pow rounds beyond the largest double; keep the
    // result finite there, as the substitute above is.
    const double y = std::pow(10.0, x);
    Output[0] = y > DBL_MAX ? DBL_MAX : y;
    return true;
}

bool MathLn::Run()
{
    const double x = Input[0];
    if (x < K::RecipDomainMagnitudeMin) {
        PostValue(this, "Log input ", x, " is not positive.");
        Output[0] = K::MostNegativeLog;
        return false;
    }
    Output[0] = std::log(x);
    return true;
}

bool MathLog10::Run()
{
    const double x = Input[0];
    if (x < K::RecipDomainMagnitudeMin) {
        PostValue(this, "Log10 input ", x, " is not positive.");
        Output[0] = K::MostNegativeLog10;
        return false;
    }
    Output[0] = std::log10(x);
    return true;
}

bool MathRecip::Run()
{
    const double x = Input[0];
    if (std::fabs(x) < K::RecipDomainMagnitudeMin) {
        char text[160];
        std::snprintf(text, sizeof text, "Recip input magnitude |%g| is below %g .", x,
                      K::RecipDomainMagnitudeMin);
        DFErrorHandler::PostError(this, text);
        Output[0] = x < 0.0 ? -kTwoTo1022 : kTwoTo1022;
        return false;
    }
    Output[0] = 1.0 / x;
    return true;
}

bool MathSqr::Run()
{
    const double x = Input[0];
    if (std::fabs(x) > K::SqrDomainMax) {
        char text[160];
        std::snprintf(text, sizeof text, "Sqr input magnitude |%g| exceed %g .", x,
                      K::SqrDomainMax);
        DFErrorHandler::PostError(this, text);
        Output[0] = DBL_MAX;
        return false;
    }
    Output[0] = x * x;
    return true;
}

bool MathSqrt::Run()
{
    const double x = Input[0];
    if (x < 0.0) {
        PostValue(this, "Sqrt input argument ", x, " is negative.");
        Output[0] = 0.0;
        return false;
    }
    Output[0] = std::sqrt(x);
    return true;
}

bool MathSgn::Run()
{
    Output[0] = MathSign(Input[0]);
    return true;
}

}  // namespace Vantrel

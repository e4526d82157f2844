// DC consistency checks: the operating-point solver against hand-computed
// operating points, the curve arithmetic on degenerate tables, and the
// whole-file messages (waveform end points, test load, ISSO, clamp currents,
// open-ended tables, monotonicity) with their exact lines in both styles.
#include <gtest/gtest.h>

#include <array>

#include <cmath>
#include <string>
#include <vector>

#include "checker/acdc.h"
#include "checker/crv.h"
#include "checker/qry.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// A curve from "voltage typ min max" rows.
CRV_STRUCT* Curve(const std::vector<const char*>& rows)
{
    CRV_STRUCT* c = nullptr;
    CRV_New("[Pulldown]", "Pulldown", &c);
    for (const char* r : rows) CRV_ReceiveLine(r, c, "Pulldown");
    return c;
}

class CurveTest : public CheckerFixture {};

// Operating points computed by hand: the device takes f(V), the load drives
// (Vfix - V) / R into the pin.
TEST_F(CurveTest, OperatingPointsOfHandSolvedLoads)
{
    // I = V / 20 (a linear 20-ohm pull-down), a clamp that never conducts,
    // a table whose current never crosses zero, an N-shaped table with three
    // zero crossings (at 0, 1.5 and 2.5 V).
    const std::vector<const char*> linear = {"-1 -50m -50m -50m", "0 0 0 0", "2 0.1 0.1 0.1", "5 0.25 0.25 0.25"};
    const std::vector<const char*> off = {"-5 0 0 0", "0 0 0 0", "5 0 0 0"};
    const std::vector<const char*> negative = {"-5 -20m NA NA", "5 -20m NA NA"};
    const std::vector<const char*> nShape = {"0 0 0 0", "1 0.1 0.1 0.1", "2 -0.1 -0.1 -0.1", "3 0.1 0.1 0.1"};
    struct Case {
        const char* what;
        const std::vector<const char*>* rows;
        double vfix, r, preferred;
        double v, i;  // expected
    } cases[] = {
        {"20 ohms into 50 ohms to 1.8 V", &linear, 1.8, 50, 0, 1.8 * 20 / 70, 1.8 / 70},
        {"20 ohms into 25 ohms to 3.3 V", &linear, 3.3, 25, 0, 3.3 * 20 / 45, 3.3 / 45},
        {"20 ohms into 1 ohm to 10 V (beyond the last row)", &linear, 10, 1, 0, 10.0 * 20 / 21, 10.0 / 21},
        {"20 ohms into 1 ohm to -3 V (below the first row)", &linear, -3, 1, 0, -3.0 * 20 / 21, -3.0 / 21},
        {"20 ohms into no load", &linear, 1.8, 1e32, 0, 0, 0},
        {"20 ohms into a short to 1 V", &linear, 1, 0, 0, 1, 0.05},
        {"a clamp that never conducts, load 50 ohms to 1 V", &off, 1, 50, 0, 1, 0},
        {"a clamp that never conducts, load to 7 V beyond its rows", &off, 7, 50, 0, 7, 0},
        {"a current that never crosses zero: -20 mA through 50 ohms to 0 V", &negative, 0, 50, 0, 1.0, -0.02},
        {"three crossings, 1.4 V preferred", &nShape, 0, 1e32, 1.4, 1.5, 0},
        {"three crossings, 3 V preferred", &nShape, 0, 1e32, 3, 2.5, 0},
        {"three crossings, -1 V preferred", &nShape, 0, 1e32, -1, 0, 0},
    };
    for (const Case& c : cases) {
        CRV_STRUCT* curve = Curve(*c.rows);
        double v = -99, i = -99;
        ASSERT_EQ(acdc_VI_Given_VIC_VR(curve, QRY_TYP, &v, &i, c.vfix, c.r, c.preferred), 1) << c.what;
        // The solution is exact up to the rounding of one division.
        EXPECT_NEAR(v, c.v, 1e-12 * (1 + std::fabs(c.v))) << c.what;
        EXPECT_NEAR(i, c.i, 1e-12 * (1 + std::fabs(c.i))) << c.what;
        CRV_Free(&curve);
    }
    Take();
}

// Corners that cannot be solved give 0 and leave the outputs alone.
TEST_F(CurveTest, UnsolvableCornersFail)
{
    struct Case {
        const char* what;
        std::vector<const char*> rows;
        int corner;
        double r;
    } cases[] = {
        {"one point", {"0 1 1 1"}, QRY_TYP, 50},
        {"an NA-only minimum column", {"0 0 NA 0", "1 1 NA 1"}, QRY_MIN, 50},
        {"one point for the maximum corner", {"0 0 0 0", "1 1 1 NA"}, QRY_MAX, 50},
        {"first voltage above the second", {"1 0 0 0", "0 1 1 1"}, QRY_TYP, 50},
        {"a segment parallel to the load line (slope -1/100)", {"0 0 0 0", "1 -10m -10m -10m"}, QRY_TYP, 100},
    };
    for (const Case& c : cases) {
        CRV_STRUCT* curve = Curve(c.rows);
        double v = -99, i = -99;
        EXPECT_EQ(acdc_VI_Given_VIC_VR(curve, c.corner, &v, &i, 1.0, c.r, 0), 0) << c.what;
        EXPECT_EQ(v, -99) << c.what;
        EXPECT_EQ(i, -99) << c.what;
        CRV_Free(&curve);
    }
    EXPECT_EQ(acdc_VI_Given_VIC_VR(nullptr, QRY_TYP, nullptr, nullptr, 1, 50, 0), 0);
    Take();
}

// Evaluation and sums on one-point tables, repeated voltages, descending
// tables and NA-only columns.
TEST_F(CurveTest, ArithmeticOnDegenerateTables)
{
    struct Eval {
        const char* what;
        std::vector<const char*> rows;
        int corner;
        double at;
        int ok;
        double expected;
    } evals[] = {
        {"inside", {"0 0 0 0", "2 2 4 6"}, QRY_MAX, 1, 1, 3},
        {"extended below", {"0 0 0 0", "2 2 2 2"}, QRY_TYP, -1, 1, -1},
        {"extended above", {"0 0 0 0", "2 2 2 2"}, QRY_TYP, 5, 1, 5},
        {"descending voltages", {"2 4 4 4", "0 0 0 0", "-2 0 0 0"}, QRY_TYP, 1, 1, 2},
        {"descending, extended past the last row", {"2 4 4 4", "0 0 0 0"}, QRY_TYP, -1, 1, -2},
        {"a repeated voltage: the first row there answers", {"-5 -5 -5 -5", "0 0 0 0", "0 1 1 1", "5 6 6 6"},
         QRY_TYP, 0, 1, 0},
        {"a repeated voltage: beyond it the second row's segment", {"-5 -5 -5 -5", "0 0 0 0", "0 1 1 1", "5 6 6 6"},
         QRY_TYP, 2.5, 1, 3.5},
        {"only repeated voltages: the far row 1e-5 V on", {"1 0 0 0", "1 1e-5 0 0"}, QRY_TYP, 1, 1, 0},
        {"one point has no value", {"0 1 1 1"}, QRY_TYP, 0, 0, 0},
        {"NA-only column has no value", {"0 0 NA 0", "1 1 NA 1"}, QRY_MIN, 0.5, 0, 0},
        {"rows with an NA current are passed over", {"0 0 0 0", "1 NA 5 5", "2 2 2 2"}, QRY_TYP, 1, 1, 1},
    };
    for (const Eval& e : evals) {
        Take();
        CRV_STRUCT* c = Curve(e.rows);
        double y = -99;
        EXPECT_EQ(qry_Y(c, e.corner, &y, e.at), e.ok) << e.what;
        if (e.ok) {
            EXPECT_DOUBLE_EQ(y, e.expected) << e.what;
        }
        EXPECT_EQ(qry_RngpIsBad(c, e.corner), e.ok ? 0 : 1) << e.what;
        CRV_Free(&c);
    }

    // A sum: the union of the voltages (1e-5 apart count as one), each
    // column the sum of what each curve has there; a one-point or NA-only
    // column adds nothing, and a column neither curve has stays absent.
    CRV_STRUCT* a = Curve({"0 0 NA 1", "1 1 NA 1", "1.000001 1 NA 1"});
    CRV_STRUCT* b = Curve({"0.5 2 NA NA", "3 2 NA NA"});
    Take();  // the table reader's notes
    CRV_STRUCT* sum = qry_AddCrvsProcess(a, b, QRY_ALL);
    ASSERT_NE(sum, nullptr);
    struct Row {
        double v, typ;
        int minState;
        double max;
    } rows[] = {{0, 2, RNG_ABSENT, 1}, {0.5, 2.5, RNG_ABSENT, 1}, {1, 3, RNG_ABSENT, 1}, {3, 3, RNG_ABSENT, 1}};
    ASSERT_EQ(sum->rows.uCount, 4u);
    const RNGP_STRUCT* r = sum->rows.pHead;
    for (const Row& x : rows) {
        EXPECT_DOUBLE_EQ(r->first.dValue, x.v);
        EXPECT_DOUBLE_EQ(r->typ.dValue, x.typ) << "typ at " << x.v;
        EXPECT_EQ(r->min.iState, x.minState) << "min at " << x.v;
        EXPECT_DOUBLE_EQ(r->max.dValue, x.max) << "max at " << x.v;
        r = r->pNext;
    }
    // The null curve copies a curve onto its own voltages plus 0 V and 1 V.
    CRV_STRUCT* copy = qry_AddCrvsProcess(b, qry_NullYFriendlyCrv(), QRY_TYP);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->rows.uCount, 4u);
    EXPECT_DOUBLE_EQ(copy->rows.pHead->first.dValue, 0.0);
    EXPECT_DOUBLE_EQ(copy->rows.pHead->typ.dValue, 2.0);
    EXPECT_EQ(copy->rows.pHead->max.iState, RNG_ABSENT);
    for (CRV_STRUCT** p : {&a, &b, &sum, &copy}) CRV_Free(p);
    EXPECT_EQ(Take(), "");
}

// ---- whole files ----

// The 1.8 V Output model of the fixture with its 20/22.5/18-ohm tables and a
// rising waveform into 50 ohms to 0 V whose typical end is given; its DC
// ends are 0 V and 1.8 x 50/70 = 1.2857 V (min 1.1724 V, max 1.3971 V).
LineList Rising(const std::string& typEnd)
{
    return Cat({Output("m"), DriverTables(),
                {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0",
                 "1n " + typEnd + " 1.172 1.397"}});
}

// An open-drain model with a 20-ohm pull-down, a rising waveform into 50 ohms
// to 1.8 V from the given typical start to 1.5 V (far from 1.8 V, which the
// open drain never has to reach), and the given extra lines.
LineList OpenDrain(const std::string& typStart, const LineList& extra)
{
    return Cat({{"[Model] od", "Model_type Open_drain", "Vmeas = 0.9", "Vref = 1.8", "Rref = 50", "C_comp 2p 1.5p 2.5p",
                 "[Voltage Range] 1.8 1.7 1.9", "[Pulldown]", "-1.8 -90m -80m -100m", "0 0 0 0",
                 "3.6 180m 160m 200m"},
                extra, Ramp(),
                {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 1.8", "0 " + typStart + " 0.559 0.476",
                 "1n 1.5 1.5 1.5"}});
}

const char* const kW1503At3 =
    "W1503 - Model m: The [Rising Waveform] \n"
    "      with [R_fixture]=50 Ohms and [V_fixture]=0V\n"
    "      has TYP column DC endpoints of  0.00V and  1.25v, but\n"
    "      an equivalent load applied to the model's I-V tables yields\n"
    "      different voltages ( 0.00V and  1.29V),\n"
    "      a difference of  0.00% and  2.93%, respectively.\n";
const char* const kE1503At12 =
    "E1503 - Model m: The [Rising Waveform] \n"
    "      with [R_fixture]=50 Ohms and [V_fixture]=0V\n"
    "      has TYP column DC endpoints of  0.00V and  1.15v, but\n"
    "      an equivalent load applied to the model's I-V tables yields\n"
    "      different voltages ( 0.00V and  1.29V),\n"
    "      a difference of  0.00% and 10.71%, respectively.\n";

// E6500 for each corner: the end-point differences in volts.
std::string InVolts(const char* edge, const char* vFix, const std::vector<std::array<const char*, 6>>& corners)
{
    std::string out;
    for (const auto& c : corners)
        out += std::string("E6500 - Model m: The [") + edge + " Waveform] \n      with [R_fixture]=0 Ohms and [V_fixture]=" +
               vFix + "V\n      has " + c[0] + " column DC endpoints of " + c[1] + "V and " + c[2] +
               "v, but\n      an equivalent load applied to the model's I-V tables yields\n      different voltages (" +
               c[3] + "V and " + c[3] + "V),\n      a difference of " + c[4] + "V and " + c[5] + "V, respectively.\n";
    return out;
}

const std::string kVoltsRising = InVolts("Rising", "0", {{"TYP", " 0.00", " 1.29", " 0.00", " 0.00", " 1.29"},
                                                         {"MIN", " 0.00", " 1.17", " 0.00", " 0.00", " 1.17"},
                                                         {"MAX", " 0.00", " 1.40", " 0.00", " 0.00", " 1.40"}});
const std::string kVoltsFalling = InVolts("Falling", "1.8", {{"TYP", " 1.70", " 1.80", " 1.80", " 0.10", " 0.00"},
                                                             {"MIN", " 1.70", " 1.80", " 1.80", " 0.10", " 0.00"},
                                                             {"MAX", " 1.70", " 1.80", " 1.80", " 0.10", " 0.00"}});

const Case kWaveformCases[] = {
    {"a rising waveform ending at the DC solution", "4.2", Rising("1.286"), ""},
    {"ending 1.9% of the swing away", "4.2", Rising("1.262"), ""},
    {"ending 3% of the swing away", "4.2", Rising("1.248"), kW1503At3},
    {"ending 12% of the swing away", "4.2", Rising("1.148"), kE1503At12},
    {"an open drain is compared at its low end only: far high end", "4.2", OpenDrain("0.514", {}), ""},
    {"an open drain whose low end is 12% of the swing away", "4.2", OpenDrain("0.652", {}),
     "E1503 - Model od: The [Rising Waveform] \n"
     "      with [R_fixture]=50 Ohms and [V_fixture]=1.8V\n"
     "      has TYP column DC endpoints of  0.65V and  1.50v, but\n"
     "      an equivalent load applied to the model's I-V tables yields\n"
     "      different voltages ( 0.51V and  1.80V),\n"
     "      a difference of 10.71% and 23.33%, respectively.\n"},
    // A load that pins both DC ends to one voltage: the differences in volts.
    {"R_fixture 0 pins both DC ends to V_fixture", "4.2",
     Cat({Output("m"), DriverTables(), {"[Rising Waveform]", "R_fixture = 0", "V_fixture = 0", "0 0 0 0",
                                        "1n 1.286 1.172 1.397"}}),
     kVoltsRising.c_str()},
    {"R_fixture 0 to 1.8 V, falling", "4.2",
     Cat({Output("m"), DriverTables(), {"[Falling Waveform]", "R_fixture = 0", "V_fixture = 1.8", "0 1.8 1.8 1.8",
                                        "1n 1.7 1.7 1.7"}}),
     kVoltsFalling.c_str()},
    {"the minimum end is checked against V_fixture_min", "4.2",
     Cat({Output("m"), DriverTables(),
          {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "V_fixture_min = 0.5", "0 0 0 0",
           "1n 1.286 1.172 1.397"}}),
     "E1503 - Model m: The [Rising Waveform] \n"
     "      with [R_fixture]=50 Ohms and [V_fixture_min]=0.5V\n"
     "      has MIN column DC endpoints of  0.00V and  1.17v, but\n"
     "      an equivalent load applied to the model's I-V tables yields\n"
     "      different voltages ( 0.16V and  1.33V),\n"
     "      a difference of 13.24% and 13.27%, respectively.\n"},
};

const Case kCurrentCases[] = {
    {"an open drain with a pull-up current", "4.2", OpenDrain("0.514", {"[Pullup]", "-1 0 0 0", "1 0 1m 0"}),
     "E1507 -\n    Model 'od': Currents <> 0.0mA in 'Pullup' for Open_drain/Open_sink device\n"},
    {"an open drain with a zero pull-up and an ISSO PU current", "5.0",
     OpenDrain("0.514", {"[Pullup]", "-1 0 0 0", "1 0 0 0", "[ISSO PU]", "-1 0 NA NA", "1 2m NA NA"}),
     "E1510 -\n    Model 'od': Currents <> 0.0mA in 'ISSO PU' for Open_drain/Open_sink device\n"},
    {"an open source with a pull-down current", "4.2",
     {"[Model] os", "Model_type Open_source", "Vmeas = 0.9", "Vref = 0", "Rref = 50", "C_comp 2p 1.5p 2.5p",
      "[Voltage Range] 1.8 1.7 1.9", "[Pullup]", "-1.8 90m 80m 100m", "0 0 0 0", "3.6 -180m -160m -200m",
      "[Pulldown]", "0 0 0 0", "1 0 0 1m", "[Ramp]", "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n",
      "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n"},
     "E1508 - Model 'os': Currents <> 0.0mA in 'Pulldown' for Open_source device\n"},
    {"a GND clamp drawing 20 A at -1.5 V in its typical column", "4.2",
     Cat({Output("m"), DriverTables(), {"[GND Clamp]", "-2 -30 -8 -9", "-1 -10 -4 -4", "0 0 0 0", "3.6 0 0 0"}}),
     "W1506 - Model 'm': Extreme currents present in TYP GND_Clamp VI Curve (-20A @ -1.5V)\n"},
    {"a pull-down turning back down after rising, no clamps", "4.2",
     Cat({Output("m"),
          {"[Pulldown]", "-1.8 -90m -80m -100m", "0 0 0 0", "1 50m 40m 60m", "2 40m 60m 70m", "3.6 180m 160m 200m",
           "[Pullup]", "-1.8 90m 80m 100m", "0 0 0 0", "3.6 -180m -160m -200m"}}),
     "N1110 (line   18) - Pulldown Typical data is non-monotonic\n"
     "W1509 - Combined Pulldown for Model: m Typical data is non-monotonic\n"},
    {"Vmeas out of reach of the pull-down through Rref to Vref, each corner once", "4.2",
     {"[Model] m", "Model_type Open_drain", "Vmeas = 0.5", "Vref = 1.8", "Rref = 10", "C_comp 2p 1.5p 2.5p",
      "[Voltage Range] 1.8 1.7 1.9", "[Pulldown]", "-1.8 -90m -80m -100m", "0 0 0 0", "3.6 180m 160m 200m", "[Ramp]",
      "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n", "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n"},
     "W1500 - Model 'm': TYP VI curves cannot drive through Vmeas=0.5V\n"
     "          given load Rref=10 Ohms to Vref=1.8V\n"
     "W1500 - Model 'm': MIN VI curves cannot drive through Vmeas=0.5V\n"
     "          given load Rref=10 Ohms to Vref=1.8V\n"
     "W1500 - Model 'm': MAX VI curves cannot drive through Vmeas=0.5V\n"
     "          given load Rref=10 Ohms to Vref=1.8V\n"},
    {"the same model without Rref is not solved at all", "4.2",
     {"[Model] m", "Model_type Open_drain", "Vmeas = 0.5", "Vref = 1.8", "C_comp 2p 1.5p 2.5p",
      "[Voltage Range] 1.8 1.7 1.9", "[Pulldown]", "-1.8 -90m -80m -100m", "0 0 0 0", "3.6 180m 160m 200m", "[Ramp]",
      "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n", "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n"},
     "W0200 - Model 'm': Vmeas, Vref and Rref timing test load parameters should be specified\n"},
    {"ISSO tables that disagree with the driver tables (arguments in placeholder order)", "5.0",
     Cat({Output("m"), DriverTables(),
          {"[ISSO PU]", "-1 -36m -36m -36m", "2 -36m -36m -36m", "[ISSO PD]", "-1 40m 40m 40m", "0 36m 36m 36m",
           "1.8 0 0 0", "1.9 -2m -2m -2m"}}),
     "W1512 - Model m: Typical ISSO_PU current (-0.036A) at 0V does not match Pullup current (-0.090A) at reference "
     "( 0.000V)\n"
     "W1513 - Model m: Typical ISSO_PU current (-0.036A) at Pulldown reference ( 0.000V) - table value ( 1.800V) is "
     "non-zero\n"
     "W1512 - Model m: Typical ISSO_PD current ( 0.036A) at 0V does not match Pulldown current ( 0.090A) at reference "
     "( 1.800V)\n"
     "W1512 - Model m: Minimum ISSO_PU current (-0.036A) at 0V does not match Pullup current (-0.076A) at reference "
     "( 0.000V)\n"
     "W1513 - Model m: Minimum ISSO_PU current (-0.036A) at Pulldown reference ( 0.000V) - table value ( 1.700V) is "
     "non-zero\n"
     "W1512 - Model m: Minimum ISSO_PD current ( 0.036A) at 0V does not match Pulldown current ( 0.076A) at reference "
     "( 1.700V)\n"
     "W1513 - Model m: Minimum ISSO_PD current ( 0.002A) at Pullup reference ( 1.700V) - table value ( 1.700V) is "
     "non-zero\n"
     "W1512 - Model m: Maximum ISSO_PU current (-0.036A) at 0V does not match Pullup current (-0.106A) at reference "
     "( 0.000V)\n"
     "W1513 - Model m: Maximum ISSO_PU current (-0.036A) at Pulldown reference ( 0.000V) - table value ( 1.900V) is "
     "non-zero\n"
     "W1512 - Model m: Maximum ISSO_PD current ( 0.036A) at 0V does not match Pulldown current ( 0.106A) at reference "
     "( 1.900V)\n"
     "W1513 - Model m: Maximum ISSO_PD current (-0.002A) at Pullup reference ( 1.900V) - table value ( 1.900V) is "
     "non-zero\n"},
};

TEST_F(ModelKeywordTest, DcWaveformEndPoints) { Run(kWaveformCases, sizeof kWaveformCases / sizeof kWaveformCases[0], true); }
TEST_F(ModelKeywordTest, DcCurrentsAndTestLoad) { Run(kCurrentCases, sizeof kCurrentCases / sizeof kCurrentCases[0], true); }

// With the check switch off nothing of the DC checks is raised.
TEST_F(ModelKeywordTest, DcSwitchOff)
{
    PlausibilityAndDcChecks(true);
    EXPECT_EQ(acdc_SetCheckGate(0), 0);
    const Case* c = &kWaveformCases[3];  // E1503 when checked
    ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File(c->version, c->body))), FILE_TYPE_IBS, "",
                     "switch off");
    EXPECT_EQ(acdc_SetCheckGate(1), 1);
}

}  // namespace
}  // namespace model_test

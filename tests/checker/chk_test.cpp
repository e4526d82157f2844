// Plausibility checks of models and submodels: die capacitances, ramp
// times, the I-V tables each model type needs, composite currents; each case
// with its exact message lines in both styles, the checks on.
#include <gtest/gtest.h>

#include <string>

#include "checker/chk.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// A 1.8 V model of the given type with the given C_comp line, further
// sub-parameters, a ramp, no I-V tables, and the lines after.
LineList Model(const std::string& type, const std::string& ccomp, const LineList& subs = {},
               const LineList& after = {}, const std::string& rampR = "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n")
{
    return Cat({{"[Model] m", "Model_type " + type, "Vmeas = 0.9"}, subs,
                {ccomp, "[Voltage Range] 1.8 1.7 1.9", "[Ramp]", rampR, "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n"},
                after});
}

const char* const kNoPullup =
    "W1704 - [Model] m has no description of the buffer's high state\n"
    "         DC drive characteristics (no [Pullup] table).  This warning\n"
    "         can be silenced by using an open drain Model_type or by\n"
    "         adding a [Pullup] table.\n";
const char* const kNoPulldown =
    "W1705 - [Model] m has no description of the buffer's low state DC\n"
    "         drive characteristics (no [Pulldown] table).  This warning\n"
    "         can be silenced by using an open source Model_type or by\n"
    "         adding a [Pulldown] table.\n";

const std::string k3StateNoTables = std::string(kNoPullup) + kNoPulldown;

// A Bus_hold submodel with all it needs and the given falling ramp.
LineList BusHold(const std::string& rampF)
{
    return {"[Submodel] bh", "Submodel_type Bus_hold", "[Submodel Spec]", "V_trigger_r 1.2 1.1 1.3",
            "V_trigger_f 0.6 0.5 0.7", "[Pullup]", "-1.8 1m 1m 1m", "3.6 -2m -2m -2m", "[Ramp]",
            "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n", rampF};
}

const Case kCases[] = {
    {"C_comp with a maximum of 2 nF", "4.2", Cat({Model("Output", "C_comp 5p 0.5p 2n"), DriverTables()}),
     "W1716 -\n    Model 'm': C_comp MAX value 2000pF out of expected range (0pF, 1000pF)  \n"},
    {"a negative C_comp_pullup in every column, C_comp_gnd_clamp of 1.5 nF", "4.2",
     Cat({Model("Output", "C_comp_pullup -1p -1p -1p", {}, DriverTables()),
          {"[Model] n", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp_gnd_clamp 1.5n 1p 2n",
           "[Voltage Range] 1.8 1.7 1.9"}}),
     "W1720 - Model 'n': C_comp_gnd_clamp TYP value 1500pF out of expected range (0pF, 1000pF)  \n"
     "W1720 - Model 'n': C_comp_gnd_clamp MAX value 2000pF out of expected range (0pF, 1000pF)  \n"
     "W1717 - Model 'm': C_comp_pullup TYP value -1pF out of expected range (0pF, 1000pF)  \n"
     "W1717 - Model 'm': C_comp_pullup MIN value -1pF out of expected range (0pF, 1000pF)  \n"
     "W1717 - Model 'm': C_comp_pullup MAX value -1pF out of expected range (0pF, 1000pF)  \n"},
    {"a rising ramp whose typical dT is 2 ms", "4.2",
     Model("Output", "C_comp 2p 1.5p 2.5p", {}, DriverTables(), "dV/dt_r 1.2/2m 1.0/0.6n 1.4/0.4n"),
     "W1703 - Model 'm': TYP Rising Ramptime 2.000e+06nsec unusually large ( > 1.000e+06nsec )\n"},
    {"a 3-state model without tables", "4.2", Model("3-state", "C_comp 2p 1.5p 2.5p"), k3StateNoTables.c_str()},
    {"an Output_ECL model without a pull-down", "4.2",
     Model("Output_ECL", "C_comp 2p 1.5p 2.5p", {"Vref = 1.8"}, {"[Pullup]", "-1.8 90m 80m 100m", "3.6 -180m -160m -200m"}),
     "W0200 - Model 'm': Vmeas, Vref and Rref timing test load parameters should be specified\n"
     "W1705 - [Model] m has no description of the buffer's low state DC\n"
     "         drive characteristics (no [Pulldown] table).  This warning\n"
     "         can be silenced by using an open source Model_type or by\n"
     "         adding a [Pulldown] table.\n"},
    {"an Open_drain model without a pull-down", "4.2", Model("Open_drain", "C_comp 2p 1.5p 2.5p"),
     "W0200 - Model 'm': Vmeas, Vref and Rref timing test load parameters should be specified\n"
     "W1706 - [Model] m has no description of the buffer's low state DC\n"
     "         drive characteristics (no [Pulldown] table).  This warning\n"
     "         can be silenced by changing the Model_type or by adding a\n"
     "         [Pulldown] table.\n"},
    {"an I/O_open_source model without a pull-up", "4.2",
     Model("I/O_open_source", "C_comp 2p 1.5p 2.5p", {"Vinl = 0.8", "Vinh = 2.0"}, {"[Pulldown]", "0 0 0 0", "1 0 0 0"}),
     "W0200 - Model 'm': Vmeas, Vref and Rref timing test load parameters should be specified\n"
     "W1707 - [Model] m has no description of the buffer's high state\n"
     "         DC drive characteristics (no [Pullup] table).  This warning\n"
     "         can be silenced by changing the Model_type or by adding a\n"
     "         [Pullup] table.\n"},
    {"a 3-state model with [External Model] needs no tables", "5.0",
     Model("3-state", "C_comp 2p 1.5p 2.5p", {},
           {"[External Model]", "Language SPICE", "Corner Typ m_typ.sp m_typ", "Ports A_signal my_drive my_enable",
            "Ports A_puref A_pdref", "D_to_A my_drive A_puref A_pdref 0 1.8 50p 50p", "[End External Model]"}),
     ""},
    {"the second rising waveform's composite current has a time point fewer", "5.0",
     Cat({Output("m"), DriverTables(),
          {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "1n 1.286 1.172 1.397",
           "[Composite Current]", "0 0 0 0", "1n 1m 1m 1m", "[Rising Waveform]", "R_fixture = 50", "V_fixture = 0",
           "0 0 0 0", "0.5n 0.6 0.6 0.6", "1n 1.286 1.172 1.397", "[Composite Current]", "0 0 0 0", "1n 1m 1m 1m"}}),
     "E2021 - Model m: Rising Waveform [2] and its Composite Current don't have identical time points\n"},
    {"a submodel's falling ramp whose typical and maximum dT are 5 ms", "4.2",
     Cat({Output("m"), DriverTables(), BusHold("dV/dt_f 1.2/5m 1.0/0.6n 1.4/5m")}),
     "W1703 - Sub Model 'bh': TYP Falling Ramptime 5.000e+06nsec unusually large ( > 1.000e+06nsec )\n"
     "W1703 - Sub Model 'bh': MAX Falling Ramptime 5.000e+06nsec unusually large ( > 1.000e+06nsec )\n"},
};

// [Package] and [Pin] values of a component "d" (the fixture's own component
// "c", which ends the file, is plausible).
const Case kComponentCases[] = {
    {"package values out of range and minimum above maximum; pins above their limits", "4.2",
     Cat({{"[Component] d", "[Manufacturer] m", "[Package]", "R_pkg 0.3 0.2 60", "L_pkg 2u NA NA", "C_pkg 1p 2p 0.5p",
           "[Pin] signal_name model_name R_pin L_pin C_pin", "1 A in 51 5n 2p", "2 B in 0.1 2u 2n", "3 C in 50 1u 1n"},
          Input("in")}),
     "W1710 - CMPT 'd': Rpkg MAX value 60 Ohms not within expected range (0 Ohms, 50 Ohms)\n"
     "W1712 -\n    CMPT 'd': Lpkg TYP value 2000nH not within expected range (0nH, 1000nH)\n"
     "W1715 - CMPT 'd': Cpkg Max value < Min value\n"
     "W1700 - CMPT 'd', Pin '1': Pin Resistance 51 Ohms greater than 50 Ohms\n"
     "W1701 - CMPT 'd', Pin '2': Pin Inductance 2000nH greater than 1000nH\n"
     "W1702 - CMPT 'd', Pin '2': Pin Capacitance 2000pF greater than 1000pF\n"},
    {"R_pkg with its minimum above its maximum; values at their limits pass", "4.2",
     Cat({{"[Component] d", "[Manufacturer] m", "[Package]", "R_pkg 0.3 0.4 0.2", "L_pkg 1u 0 1u", "C_pkg 1n 0 1n",
           "[Pin] signal_name model_name", "1 A in"},
          Input("in")}),
     "W1711 - CMPT 'd': Rpkg Max value < Min value\n"},
    {"three node declarations of one name, one named as a pin", "5.0",
     Cat({{"[Component] d", "[Manufacturer] m", "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA", "C_pkg 1p NA NA",
           "[Pin] signal_name model_name", "1 A in", "2 B in", "[Node Declarations]", "n1 n2 n1", "2 n1",
           "[End Node Declarations]"},
          Input("in")}),
     "E1708 - Component <d>: Duplicate Node Name <n1>\n"
     "E1708 - Component <d>: Duplicate Node Name <n1>\n"
     "E1708 - Component <d>: Duplicate Node Name <n1>\n"
     "E1709 - Component <d>: Illegal Node: <2> same as pin <2>\n"},
};

TEST_F(ModelKeywordTest, PlausibilityOfComponents)
{
    Run(kComponentCases, sizeof kComponentCases / sizeof kComponentCases[0], true);
}

TEST_F(ModelKeywordTest, PlausibilityOfModels) { Run(kCases, sizeof kCases / sizeof kCases[0], true); }

// With the check switch off nothing of these checks is raised.
TEST_F(ModelKeywordTest, PlausibilitySwitchOff)
{
    PlausibilityAndDcChecks(true);
    EXPECT_EQ(chk_SetCheckGate(0), 0);
    for (const Case& c : {kCases[0], kCases[2], kCases[3], kCases[9]})
        ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File(c.version, c.body))), FILE_TYPE_IBS, "", c.what);
    EXPECT_EQ(chk_SetCheckGate(1), 1);
}

}  // namespace
}  // namespace model_test

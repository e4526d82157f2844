// [Submodel] and [Submodel Spec]: the Submodel_type line, the keyword order,
// the rules of each submodel type at the end of the submodel, the trigger
// voltages against the waveforms, and the clamps of models with
// Dynamic_clamp submodels; each case with its exact lines in both styles.
#include <gtest/gtest.h>

#include <string>

#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

const LineList kSpec = {"[Submodel Spec]", "V_trigger_r 1.2 1.1 1.3", "V_trigger_f 0.6 0.5 0.7"};
const LineList kPullup = {"[Pullup]", "-1.8 1m 1m 1m", "3.6 -2m -2m -2m"};
const LineList kPulldown = {"[Pulldown]", "-1.8 -1m -1m -1m", "3.6 2m 2m 2m"};
const LineList kRamp = {"[Ramp]", "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n", "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n"};

LineList Sub(const std::string& name, const std::string& type, const LineList& parts)
{
    return Cat({{"[Submodel] " + name, "Submodel_type " + type}, parts});
}

const Case kCases[] = {
    {"complete submodels of the three types", "4.2",
     Cat({Sub("bh", "Bus_hold", Cat({kSpec, kPullup, kRamp})), Sub("dc", "Dynamic_clamp", {"[GND Clamp]", "-1 -1m -1m -1m", "0 0 0 0"}),
          Sub("fb", "Fall_back", Cat({kSpec, kPulldown, kRamp}))}),
     ""},
    {"Bus_hold without ramp, table and trigger voltages; with Off_delay and both tables", "4.2",
     Cat({Sub("a", "Bus_hold", {}), Sub("b", "Bus_hold", {"[Submodel Spec]", "Off_delay 1n 1n 1n"}),
          Sub("c", "Bus_hold", Cat({kSpec, {"Off_delay 1n 1n 1n"}, kPullup, kPulldown, kRamp}))}),
     "E2424 - Submodel a: [Submodel Spec] is required when Submodel_type is Bus_hold\n"
     "E2428 - Submodel a: [Ramp] is required when Submodel_type is Bus_hold\n"
     "E2429 - Submodel a: Either [Pullup] or [Pulldown] is required when Submodel_type is Bus_hold\n"
     "E2425 - Submodel b: [Submodel Spec] V_trigger_r is required when Submodel_type is Bus_hold\n"
     "E2426 - Submodel b: [Submodel Spec] V_trigger_f is required when Submodel_type is Bus_hold\n"
     "E2428 - Submodel b: [Ramp] is required when Submodel_type is Bus_hold\n"
     "E2429 - Submodel b: Either [Pullup] or [Pulldown] is required when Submodel_type is Bus_hold\n"
     "E2427 - SubModel c: Both Pullup and Pulldown cannot be specified when Off_delay is specified.\n"},
    {"Dynamic_clamp rules", "4.2",
     Cat({Sub("a", "Dynamic_clamp", {}),
          Sub("b", "Dynamic_clamp",
              {"[Submodel Spec]", "V_trigger_r 1 1 1", "Off_delay 1n 1n 1n", "[GND Pulse Table]", "0 0 0 0", "1n 0 0 0",
               "[POWER Pulse Table]", "0 0 0 0", "1n 0 0 0"})}),
     "E2432 - Submodel a: GND Pulse Table or POWER Pulse Table or GND Clamp or POWER Clamp is required when "
     "Submodel_type is Dynamic_clamp\n"
     "E2430 - Submodel b: [Submodel Spec] V_trigger_f is required when GND_Pulse is specified\n"
     "E2433 - Submodel b: [Submodel Spec] Off_delay  cannot be specified with Dynamic_clamp submodels\n"},
    {"Fall_back rules", "4.2",
     Cat({Sub("a", "Fall_back", {}), Sub("b", "Fall_back", Cat({{"[Submodel Spec]", "Off_delay 1n 1n 1n"}, kPullup, kPulldown}))}),
     "E2434 - Submodel a: [Submodel Spec] is required when Submodel_type is Fall_back\n"
     "E2437 - Submodel a: Either [Pullup] or [Pulldown] is required when Submodel_type is Fall_back\n"
     "E2439 - Submodel a: [Ramp] is required when Submodel_type is Fall_back\n"
     "E2435 - Submodel b: [Submodel Spec] V_trigger_r is required when Submodel_type is Fall_back\n"
     "E2436 - Submodel b: [Submodel Spec] V_trigger_f is required when Submodel_type is Fall_back\n"
     "E2438 - Submodel b: Pullup and Pulldown  cannot both be specified with Fall_back submodels\n"
     "E2439 - Submodel b: [Ramp] is required when Submodel_type is Fall_back\n"
     "E2440 - Submodel b: [Submodel Spec] Off_delay  cannot be specified with Fall_back submodels\n"},
    {"Submodel_type by version: fall_back in 4.2", "4.2", Sub("a", "fall_back", Cat({kSpec, kPullup, kRamp})),
     "E2421 (line    7) - Invalid Submodel_type (\"fall_back\") (try \"Fall_back\")\n"},
    {"Submodel_type by version: Fall_back in 3.2", "3.2", Sub("a", "Fall_back", Cat({kSpec, kPullup, kRamp})),
     "E2422 (line    7) - Invalid Submodel_type (\"Fall_back\")\n"},
    {"the [Submodel] section's own lines", "4.2",
     {"[Submodel] " + std::string(21, 's'), "Model_type Input", "[Submodel] b", "Submodel_type Bus_hold",
      "Submodel_type Bus_hold", "[Submodel] GND", "[Pullup]", "-1.8 1m 1m 1m", "3.6 -2m -2m -2m"},
     "E2412 (line    6) - Sub Model Name Over 20 Characters Long\n"
     "E2416 (line    7) - Unknown Line Among Sub Model Data\n"
     "E2423 - Submodel 'ssssssssssssssssssss': Submodel_type Not Defined\n"
     "E2417 (line   10) - Submodel_type Already Defined For Submodel 'b'\n"
     "E2424 - Submodel b: [Submodel Spec] is required when Submodel_type is Bus_hold\n"
     "E2428 - Submodel b: [Ramp] is required when Submodel_type is Bus_hold\n"
     "E2429 - Submodel b: Either [Pullup] or [Pulldown] is required when Submodel_type is Bus_hold\n"
     "E2413 (line   11) - Invalid Sub Model Name (\"GND\"); Reserved Word.\n"
     "E2423 - Submodel 'GND': Submodel_type Not Defined\n"},
    {"[Submodel Spec] lines", "4.2",
     Sub("a", "Bus_hold",
         Cat({kPullup, {"[Submodel Spec] x", "V_trigger_r NA 1 1", "V_trigger_r 1 1 1", "V_trigger_x 1 1 1",
                        "V_trigger_f 0.6 0.5 0.7", "[Submodel Spec]"},
              kRamp})),
     "E2406 (line   11) -\n    [Submodel Spec] should be specified before other keywords for a model\n"
     "E2704 (line   11) -\n    Incorrect Number of Line Items (2) For Submodel Spec: Expecting 1\n"
     "E2708 (line   12) - 'NA' not allowed for Typical value\n"
     "E2707 (line   13) - V_trigger_r Already Defined For Submodel 'a'\n"
     "E2706 (line   14) - Unknown Line Among Sub Model Spec Data\n"
     "E2406 (line   16) -\n    [Submodel Spec] should be specified before other keywords for a model\n"
     "E2700 (line   16) - Sub Model Specification: Already Defined for this sub model\n"
     "E2705 - Submodel a: Empty Submodel Spec\n"
     "E2425 - Submodel a: [Submodel Spec] V_trigger_r is required when Submodel_type is Bus_hold\n"
     "E2426 - Submodel a: [Submodel Spec] V_trigger_f is required when Submodel_type is Bus_hold\n"},
    {"trigger voltages against the waveforms", "4.2",
     Sub("a", "Bus_hold",
         Cat({{"[Submodel Spec]", "V_trigger_r 0.3 0.6 NA", "V_trigger_f 1.5 1.5 1.5"}, kPullup, kRamp,
              {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0.5 0.5 0.5", "1n 1.0 0.5 0.2",
               "[Falling Waveform]", "R_fixture = 50", "V_fixture = 0", "0 1.0 1.8 1.0", "1n 0.2 0.2 1.6"}})),
     "W2441 -\n    Submodel a: V_trigger_r (Typ) is less than the start of Rising Waveform\n"
     "W2441 -\n    Submodel a: V_trigger_r (Max) is less than the start of Rising Waveform\n"
     "W2442 -\n    Submodel a: V_trigger_r (Min) is greater than the end of Rising Waveform\n"
     "W2442 -\n    Submodel a: V_trigger_r (Max) is greater than the end of Rising Waveform\n"
     "W2443 -\n    Submodel a: V_trigger_f (Typ) is greater than the start of Falling Waveform\n"
     "W2443 -\n    Submodel a: V_trigger_f (Max) is greater than the start of Falling Waveform\n"
     "W2444 -\n    Submodel a: V_trigger_f (Max) is less than the end of Falling Waveform\n"},
};

TEST_F(ModelKeywordTest, Submodels) { Run(kCases, sizeof kCases / sizeof kCases[0]); }

// The clamps of a model with its Dynamic_clamp submodels, by mode: a
// submodel's GND clamp that turns the sum back down is reported for the
// modes it is added in.
const Case kClampCases[] = {
    {"an I/O model with a dynamic clamp for all modes", "4.2",
     Cat({{"[Model] m", "Model_type I/O", "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 0.9", "C_comp 2p 1.5p 2.5p",
           "[Voltage Range] 1.8 1.7 1.9"},
          DriverTables(), Ramp(), {"[Add Submodel]", "dc All", "other Driving", "bh Non-Driving"},
          Sub("dc", "Dynamic_clamp", {"[GND Clamp]", "-1 -1 -1 -1", "0 0 0 0", "1 -1 0 0"}),
          Sub("bh", "Bus_hold", Cat({kSpec, kPullup, kRamp}))}),
     "N1110 (line   33) - GND Clamp Typical data is non-monotonic\n"
     "W1509 - Combined Clamp in Non Driving Mode for Model m Typical data is non-monotonic\n"
     "W1509 -\n    Combined Clamp in Driving Mode for Model m Typical data is non-monotonic\n"},
    {"the same clamp added to an Input model for driving only", "4.2",
     Cat({Input("in"), {"[Add Submodel]", "dc Driving"},
          Sub("dc", "Dynamic_clamp", {"[GND Clamp]", "-1 -1 -1 -1", "0 0 0 0", "1 -1 0 0"})}),
     "N1110 (line   19) - GND Clamp Typical data is non-monotonic\n"},
};

TEST_F(ModelKeywordTest, ClampsWithDynamicClampSubmodels)
{
    Run(kClampCases, sizeof kClampCases / sizeof kClampCases[0], true);
}

}  // namespace
}  // namespace model_test

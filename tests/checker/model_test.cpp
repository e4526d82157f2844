// [Model]: name rules, sub-parameters gated by type and version, range
// keywords, keyword order, the end of the sub-parameter section and the
// end-of-model rules; each case with its exact message lines in both print
// styles. Then complete model sections that must raise nothing, and what the
// model record keeps for later checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "checker/ibis.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "checker/wvfrm.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

const LineList kInputRest = {"Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p",
                          "[Voltage Range] 5 4.5 5.5"};

const Case kNameCases[] = {
    {"[Model] without a name", "4.2", Cat({{"[Model]"}, kInputRest}),
     "E0127 (line    6) - 'Model' Keyword Missing name\n"},
    {"[Model] a b keeps a, which a second model named a then repeats", "4.2",
     Cat({{"[Model] a b"}, kInputRest, Input("a")}),
     "E0128 (line    6) -\n    Incorrect Number of Line Items (2) For Keyword Model: Expecting 1\n"
     "E0131 (line   12) - Model Name Previously Defined (\"a\")\n"},
    {"25 characters are too many in version 3.2", "3.2", Input("abcdefghijklmnopqrstuvwxy"),
     "E0129 (line    6) - Model Name Over 20 Characters Long\n"},
    {"25 characters are fine in version 4.2", "4.2", Input("abcdefghijklmnopqrstuvwxy"), ""},
    {"41 characters are too many in version 4.2", "4.2", Input(std::string(41, 'n')),
     "E0129 (line    6) - Model Name Over 40 Characters Long\n"},
    {"a reserved word as name", "4.2", Input("GND"),
     "E0130 (line    6) - Invalid Model Name (\"GND\"); Reserved Word.\n"},
    {"names are compared with case", "4.2", Cat({Input("a"), Input("A")}), ""},
};

const Case kSubParameterCases[] = {
    {"Model_type in the wrong case", "4.2",
     Cat({{"[Model] m", "Model_type output", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}, Ramp()}),
     "E0136 (line    7) - Invalid Model_type (\"output\") (try \"Output\")\n"},
    {"I/O_diff is unknown to version 3.2", "3.2",
     Cat({{"[Model] m", "Model_type I/O_diff", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}, Ramp()}),
     "E0158 (line    7) - Invalid Model_type (\"I/O_diff\")\n"},
    {"Model_type = Output", "4.2",
     Cat({{"[Model] m", "Model_type = Output", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}, Ramp()}),
     "E0176 (line    7) - Invalid Model_type Line\n"},
    {"Model_type without a value", "4.2",
     Cat({{"[Model] m", "Model_type", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}, Ramp()}),
     "E0175 (line    7) - 'Model_type' Subparameter Missing Setting\n"},
    {"Model_type with two values", "4.2",
     Cat({{"[Model] m", "Model_type Output x", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}, Ramp()}),
     "E0137 (line    7) -\n    Incorrect Number of Line Items (3) For Model_type: Expecting 2\n"},
    {"Polarity and Enable values", "4.2",
     Cat({{"[Model] m", "Model_type Input", "Polarity inverting", "Enable Active-Middle", "Vinl = 0.8",
           "Vinh = 2.0", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}}),
     "E0136 (line    8) - Invalid Polarity (\"inverting\") (try \"Inverting\")\n"
     "E0158 (line    9) - Invalid Enable (\"Active-Middle\")\n"},
    {"unknown and repeated sub-parameters", "4.2",
     {"[Model] m", "Model_type Input", "Model_type Output", "Vinl = 0.8", "Vinh = 2.0", "vinh = 2.0",
      "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     "E0119 (line    8) - Model_type Already Defined For Model 'm'\n"
     "E0174 (line   11) - Unknown Line Among Model Data\n"},
    {"Vinl in an Output model", "4.2",
     Cat({{"[Model] m", "Model_type Output", "Vinl = 0.8V", "Vmeas = 0.9", "C_comp 1p 1p 1p",
           "[Voltage Range] 5 4.5 5.5"},
          Ramp()}),
     "W0159 (line    8) - Vinl should not be specified for model type Output\n"},
    {"Vinl before Model_type is dropped without a message", "4.2",
     {"[Model] m", "Vinl = 0.8", "Model_type Input", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     "W0184 - Model 'm': Model_type 'Input' must have Vinl set\n"},
    {"Vinl forms", "4.2",
     {"[Model] m", "Model_type Input", "Vinl 0.8", "Vinl = 0.8 V", "Vinl : 0.8", "Vinl = abc", "Vinh = 2.0",
      "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     "E0176 (line    8) - Invalid Vinl Line\n"
     "E0119 (line    9) - Vinl Already Defined For Model 'm'\n"
     "E0119 (line   10) - Vinl Already Defined For Model 'm'\n"
     "E0119 (line   11) - Vinl Already Defined For Model 'm'\n"
     "W0184 - Model 'm': Model_type 'Input' must have Vinl set\n"},
    {"Vinh with four items and with a bad value", "4.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0 V", "C_comp 1p 1p 1p",
      "[Voltage Range] 5 4.5 5.5", "[Model] n", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0.0", "C_comp 1p 1p 1p",
      "[Voltage Range] 5 4.5 5.5"},
     "E0137 (line    9) - Incorrect Number of Line Items (4) For Vinh: Expecting 3\n"
     "W0184 - Model 'm': Model_type 'Input' must have Vinh set\n"
     "E0149 (line   15) - Invalid Vinh Value (\"2.0.0\")\n"
     "W0184 - Model 'n': Model_type 'Input' must have Vinh set\n"},
    {"reference values of an Input model", "4.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 1", "Cref = 0", "Rref = 50",
      "Vref = 0", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     "W0166 (line   10) - Vmeas should not be specified for model type Input\n"
     "W0167 (line   11) - Cref should not be specified for model type Input\n"
     "W0168 (line   12) - Rref should not be specified for model type Input\n"
     "W0169 (line   13) - Vref should not be specified for model type Input\n"},
    {"Rref_diff and Cref_diff need version 4", "3.2",
     Cat({{"[Model] m", "Model_type Output", "Vmeas = 0.9", "Rref_diff = 100", "Cref_diff = 1p", "C_comp 1p 1p 1p",
           "[Voltage Range] 5 4.5 5.5"},
          Ramp()}),
     "E0164 (line    9) -\n    Sub Parameter Rref_diff is valid only for IBIS version >= 4.1\n"
     "E0162 (line   10) -\n    Sub Parameter Cref_diff is valid only for IBIS version >= 4.1\n"},
    {"Rref_diff of an Input model; Cref_diff before any type names a placeholder", "4.2",
     {"[Model] m", "Cref_diff = 1p", "Model_type Input", "Rref_diff = 100", "Vinl = 0.8", "Vinh = 2.0",
      "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     "W0163 (line    7) -\n    Creff_diff should not be specified for model type (not set)\n"
     "W0165 (line    9) - Rreff_diff should not be specified for model type Input\n"},
    {"Vmeas not between Vinl and Vinh of an I/O model (cautions shown)", "4.2",
     Cat({{"[Model] m", "Model_type I/O", "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 0.7", "C_comp 1p 1p 1p",
           "[Voltage Range] 5 4.5 5.5"},
          Ramp(),
          {"[Model] n", "Model_type I/O", "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 2.0", "C_comp 1p 1p 1p",
           "[Voltage Range] 5 4.5 5.5"},
          Ramp()}),
     "C0182 - Vmeas is <= Vinl for model m\n"
     "C0183 - Vmeas is >= Vinh for model n\n",
     true},
    {"the same, cautions suppressed", "4.2",
     Cat({{"[Model] m", "Model_type I/O", "Vinl = 0.8", "Vinh = 2.0", "Vmeas = 0.7", "C_comp 1p 1p 1p",
           "[Voltage Range] 5 4.5 5.5"},
          Ramp()}),
     ""},
    {"C_comp 5p 6p 4p: min above typical and typical above maximum", "4.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 5p 6p 4p", "[Voltage Range] 5 4.5 5.5"},
     "W0177 (line   10) -\n    Model m: C_comp min value is not the smallest value listed\n"
     "W0179 (line   10) - Model m: C_comp max value is not the largest value listed\n"},
    {"C_comp with a typical NA; C_comp_pullup in version 3.2", "3.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp NA 1p 2p", "C_comp_pullup 1p 1p 1p",
      "[Voltage Range] 5 4.5 5.5"},
     "E0178 (line   10) - 'NA' Not Allowed For Typical Value\n"
     "E0170 (line   11) -\n    Sub Parameter C_comp_pullup is valid only for IBIS version >= 4.0\n"},
    {"the C_comp variants of version 4 count as C_comp", "4.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp_pullup 1p 1p 1p",
      "C_comp_gnd_clamp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     ""},
};

const Case kKeywordCases[] = {
    {"only [Pullup Reference] without [Voltage Range]", "4.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Pullup Reference] 5 4.5 5.5"},
     "E0188 -\n    Model 'm': Pulldown Reference Required when No Voltage Range is Specified\n"
     "E0188 - Model 'm': POWER Clamp Reference Required when No Voltage Range is Specified\n"
     "E0188 -\n    Model 'm': GND Clamp Reference Required when No Voltage Range is Specified\n"},
    {"all four references without [Voltage Range]", "4.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Pullup Reference] 5 4.5 5.5",
      "[Pulldown Reference] 0 0 0", "[POWER Clamp Reference] 5 4.5 5.5", "[GND Clamp Reference] 0 0 0"},
     ""},
    {"a second [Voltage Range], a data line under it, a typical NA", "4.2",
     Cat({Input("m"), {"[Voltage Range] 5 4.5 5.5", "5", "[Temperature Range] NA 0 100"}}),
     "E0119 (line   12) - Voltage Range Already Defined For Model 'm'\n"
     "E0121 (line   13) - Expecting Keyword.  Invalid Line\n"
     "E0178 (line   14) - 'NA' Not Allowed For Typical Value\n"},
    {"negative TTgnd and TTpower values", "4.2",
     Cat({Output("m"), {"[TTgnd] -1n -2n 3n", "[TTpower] 1n 2n -3n"}}),
     "E0108 (line   14) - TTgnd Typical value should be > 0\n"
     "E0109 (line   14) - TTgnd Min value should be > 0\n"
     "E0114 (line   15) - TTpower Max value should be > 0\n"},
    {"an Output model without [Ramp]", "4.2",
     {"[Model] m", "Model_type Output", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     "E0190 - Model 'm': Ramp Not Defined\n"},
    {"a model without type needs a ramp too", "4.2",
     {"[Model] m", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"},
     "E0180 - Model 'm': Model_type Not Defined\nE0190 - Model 'm': Ramp Not Defined\n"},
    {"nothing but a name", "4.2", {"[Model] m"},
     "E0180 - Model 'm': Model_type Not Defined\n"
     "E0181 - Model m: One of C_comp, C_comp_pullup, C_comp_pulldown, C_comp_power_clamp, C_comp_gnd_clamp must "
     "be defined\n"
     "E0188 - Model 'm': Pullup Reference Required when No Voltage Range is Specified\n"
     "E0188 -\n    Model 'm': Pulldown Reference Required when No Voltage Range is Specified\n"
     "E0188 - Model 'm': POWER Clamp Reference Required when No Voltage Range is Specified\n"
     "E0188 -\n    Model 'm': GND Clamp Reference Required when No Voltage Range is Specified\n"
     "E0190 - Model 'm': Ramp Not Defined\n"},
    {"a Series model with [Pulldown] and [Ramp]", "4.2",
     {"[Model] s", "Model_type Series", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[Pulldown]", "-5 -1 -1 -1",
      "5 1 1 1", "[Ramp]", "dV/dt_r 1/1n 1/1n 1/1n", "dV/dt_f 1/1n 1/1n 1/1n"},
     "E0189 - Model 's': Ramp Not Allowed for Series and Series_switch\n"
     "E0191 - Model 's': Pulldown is not allowed when Model_type is Series\n"
     "E2901 - Series Model 's' describes no series element\n"},
    {"a Series model with [Model Spec]", "5.0",
     {"[Model] s", "Model_type Series", "C_comp 1p 1p 1p", "[Model Spec]", "D_overshoot_amp_h 1 1 1",
      "[Voltage Range] 5 4.5 5.5"},
     "W0191 - Model 's': Model Spec is not allowed when Model_type is Series\n"
     "E2901 - Series Model 's' describes no series element\n"},
    {"a Series_switch model: a range after [On], no [Off]", "4.2",
     {"[Model] sw", "Model_type Series_switch", "C_comp 1p 1p 1p", "[On]", "[R Series] 10 9 11",
      "[Voltage Range] 5 4.5 5.5"},
     "E0204 (line   11) - Model 'sw' is of type Series_switch. Voltage Range should be defined before the "
     "[On] and [Off] sections\n"
     "E0194 - Model sw is of type Series_switch. [Off] keyword is required\n"},
    {"a Series_switch model with [TTgnd] and neither state", "4.2",
     {"[Model] sw", "Model_type Series_switch", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[TTgnd] 1n 1n 1n"},
     "E0192 - Model 'sw': TTgnd is not allowed when Model_type is Series_switch\n"
     "E0193 - Model sw is of type Series_switch. [On] keyword is required\n"
     "E0194 - Model sw is of type Series_switch. [Off] keyword is required\n"},
    {"[On] in an Output model", "4.2", Cat({Output("m"), {"[On]", "[R Series] 10 9 11"}}),
     "E0205 (line   14) - Keyword is valid only for Series_switch models\n"
     "E2900 - Model 'm' of type Output holds [R Series]; series keywords belong to Series and Series_switch models\n"},
    {"terminator keywords", "3.2",
     Cat({{"[Model] t", "Model_type Terminator", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[Rac] 50 45 55"},
          Output("o"), {"[Rgnd] 100 90 110", "[Cac] 1p 1p 1p"}}),
     "E0187 - Model 't': Cac must be defined when Rac is\n"
     "E0185 - Model 'o': Rgnd is set when Model_type is not Terminator\n"
     "E0185 - Model 'o': Cac is set when Model_type is not Terminator\n"
     "E0186 - Model 'o': Rac must be defined when Cac is\n"},
    {"[Model Spec] and [Receiver Thresholds] after other keywords", "4.2",
     Cat({Input("m"), {"[Model Spec]", "[Receiver Thresholds]"}}),
     "E0116 (line   12) - [Model Spec] should be specified immediately after all the subparameters of a model "
     "and before the other keywords of a model\n"
     "E0120 (line   13) - [Receiver Thresholds] should be specified immediately after all the subparameters of a "
     "model and before the other keywords of a model except [Model Spec]\n"
     "W3219 - Model m Receiver Thresholds: Vth must be specified for single ended receivers\n"
     "W3220 - Model m Receiver Thresholds: Vinh_ac must be specified for single ended receivers\n"
     "W3221 - Model m Receiver Thresholds: Vinl_ac must be specified for single ended receivers\n"
     "W3222 - Model m Receiver Thresholds: Vinh_dc must be specified for single ended receivers\n"
     "W3223 - Model m Receiver Thresholds: Vinl_dc must be specified for single ended receivers\n"
     "W3224 - Model m Receiver Thresholds: Tslew_ac must be specified for single ended receivers\n"},
    {"[Receiver Thresholds] of a model without type", "4.2",
     Cat({{"[Model] m", "C_comp 1p 1p 1p", "[Receiver Thresholds]", "[Voltage Range] 5 4.5 5.5"}, Ramp()}),
     "E0180 - Model 'm': Model_type Not Defined\n"
     "W0117 (line    8) -\n    [Receiver Thresholds] should not be specified for model type (not set)\n"
     "W3219 - Model m Receiver Thresholds: Vth must be specified for single ended receivers\n"
     "W3220 - Model m Receiver Thresholds: Vinh_ac must be specified for single ended receivers\n"
     "W3221 - Model m Receiver Thresholds: Vinl_ac must be specified for single ended receivers\n"
     "W3222 - Model m Receiver Thresholds: Vinh_dc must be specified for single ended receivers\n"
     "W3223 - Model m Receiver Thresholds: Vinl_dc must be specified for single ended receivers\n"
     "W3224 - Model m Receiver Thresholds: Tslew_ac must be specified for single ended receivers\n"},
    {"[Receiver Thresholds] of an Output model", "4.2",
     {"[Model] m", "Model_type Output", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Receiver Thresholds]",
      "[Voltage Range] 5 4.5 5.5", "[Ramp]", "dV/dt_r 1/1n 1/1n 1/1n", "dV/dt_f 1/1n 1/1n 1/1n"},
     "W0117 (line   10) -\n    [Receiver Thresholds] should not be specified for model type Output\n"
     "W3219 - Model m Receiver Thresholds: Vth must be specified for single ended receivers\n"
     "W3220 - Model m Receiver Thresholds: Vinh_ac must be specified for single ended receivers\n"
     "W3221 - Model m Receiver Thresholds: Vinl_ac must be specified for single ended receivers\n"
     "W3222 - Model m Receiver Thresholds: Vinh_dc must be specified for single ended receivers\n"
     "W3223 - Model m Receiver Thresholds: Vinl_dc must be specified for single ended receivers\n"
     "W3224 - Model m Receiver Thresholds: Tslew_ac must be specified for single ended receivers\n"},
    {"[Receiver Thresholds] with a reference the model lacks", "4.2",
     {"[Model] m", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p", "[Receiver Thresholds]",
      "Reference_supply Ext_ref", "[Voltage Range] 5 4.5 5.5"},
     "E0199 - Model m: Receiver Thresholds use External Reference which is not defined in this Model\n"
     "W3219 - Model m Receiver Thresholds: Vth must be specified for single ended receivers\n"
     "W3220 - Model m Receiver Thresholds: Vinh_ac must be specified for single ended receivers\n"
     "W3221 - Model m Receiver Thresholds: Vinl_ac must be specified for single ended receivers\n"
     "W3222 - Model m Receiver Thresholds: Vinh_dc must be specified for single ended receivers\n"
     "W3223 - Model m Receiver Thresholds: Vinl_dc must be specified for single ended receivers\n"
     "W3224 - Model m Receiver Thresholds: Tslew_ac must be specified for single ended receivers\n"},
    {"an input model with [Receiver Thresholds] needs no Vinl or Vinh", "4.2",
     {"[Model] m", "Model_type Input", "C_comp 1p 1p 1p", "[Receiver Thresholds]", "Reference_supply Pullup_ref",
      "Vth = 1.5", "Vinh_ac = 1.8", "Vinl_ac = 1.2", "Vinh_dc = 1.7", "Vinl_dc = 1.3", "Tslew_ac=1n",
      "[Voltage Range] 5 4.5 5.5", "[Pullup Reference] 5 4.5 5.5"},
     ""},
    {"[End Algorithmic Model] without its section", "5.0", Cat({Input("m"), {"[End Algorithmic Model]"}}),
     "E0261 (line   12) - Orphan [End Algorithmic Model] keyword found\n"},
    {"[Composite Current] after [Ramp]; its rows are ignored", "5.0",
     Cat({Output("m"), {"[Composite Current]", "0 0 0 0", "1n 1m 1m 1m"}}),
     "E0257 (line   14) - [Composite Current] should be preceded by a [Rising Waveform] or [Falling "
     "Waveform] section\n"},
    {"model keywords without a model", "4.2", {"[Ramp]", "dV/dt_r 1/1n 1/1n 1/1n"},
     "E0102 (line    6) - Orphan Model keyword.\nE0107 (line    7) - Orphan data line keyword.\n"},
    {"timing test loads", "4.2",
     Cat({{"[Model] od", "Model_type Open_drain", "Vmeas = 0.9", "Vref = 1.8", "C_comp 1p 1p 1p",
           "[Voltage Range] 1.8 1.7 1.9"},
          Ramp(),
          {"[Model] o", "Model_type 3-state", "Enable Active-High", "C_comp 1p 1p 1p", "[Voltage Range] 1.8 1.7 1.9"},
          Ramp(),
          {"[Model] d", "Model_type Output_diff", "Vmeas = 0.9", "C_comp 1p 1p 1p", "[Voltage Range] 1.8 1.7 1.9"},
          Ramp(),
          {"[Model] e", "Model_type 3-state", "C_comp 1p 1p 1p", "[Model Spec]", "Vmeas 0.9 0.9 0.9",
           "[Voltage Range] 1.8 1.7 1.9"},
          Ramp()}),
     "W0200 - Model 'od': Vmeas, Vref and Rref timing test load parameters should be specified\n"
     "W0201 - Model 'o': Vmeas timing test load parameter should be specified\n"
     "W0202 - Model 'd': Rref_diff or Cref_diff timing test load parameters should be specified\n"},
};

TEST_F(ModelKeywordTest, NameRules) { Run(kNameCases, sizeof kNameCases / sizeof kNameCases[0]); }
TEST_F(ModelKeywordTest, SubParameters) { Run(kSubParameterCases, sizeof kSubParameterCases / sizeof kSubParameterCases[0]); }
TEST_F(ModelKeywordTest, KeywordsAndEndOfModel) { Run(kKeywordCases, sizeof kKeywordCases / sizeof kKeywordCases[0]); }

// Complete, valid model sections of several kinds: nothing is raised.
const Case kValidCases[] = {
    {"an Output and an Input model", "4.2", Cat({Output("out"), DriverTables(), Input("in")}), ""},
    {"an I/O model with [Model Spec], tables and waveforms", "4.2",
     {"[Model] io", "Model_type I/O", "Polarity Non-Inverting", "Enable Active-Low", "Vinl = 0.8", "Vinh = 2.0",
      "Vmeas = 1.4", "Cref = 0", "Rref = 50", "Vref = 0", "C_comp 3p 2.5p 3.5p", "[Model Spec]",
      "Vinh+ 2.0 1.9 2.1", "Vinh- 1.8 1.7 1.9", "Vinl+ 1.0 0.9 1.1", "Vinl- 0.8 0.7 0.9",
      "S_overshoot_high 5.5 5.0 6.0", "S_overshoot_low -0.5 -0.4 -0.6", "Pulse_high 3.0 3.0 3.0",
      "Pulse_low 0.5 0.5 0.5", "Pulse_time 1n 1n 1n", "[Temperature Range] 25 100 0", "[Voltage Range] 3.3 3.0 3.6",
      "[Pulldown]", "-3.3 -0.33 -0.33 -0.33", "0 0 0 0", "3.3 0.33 0.33 0.33", "[Pullup]", "-3.3 0.33 0.33 0.33",
      "0 0 0 0", "3.3 -0.33 -0.33 -0.33", "[GND Clamp]", "-3.3 -100m -90m -110m", "0 0 0 0", "6.6 0 0 0",
      "[POWER Clamp]", "-3.3 100m 90m 110m", "0 0 0 0", "6.6 0 0 0", "[Ramp]", "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n",
      "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n", "R_load = 50", "[Rising Waveform]", "R_fixture = 50", "V_fixture = 0",
      "V_fixture_min = 0", "V_fixture_max = 0", "C_fixture = 0", "0 0 0 0", "1n 1.6 1.5 1.7", "2n 2.75 2.5 3.0",
      "[Falling Waveform]", "R_fixture = 50", "V_fixture = 3.3", "0 3.3 3.05 3.55", "2n 0.55 0.55 0.55"},
     ""},
    {"a Series_switch model with both states", "4.2",
     {"[Model] sw", "Model_type Series_switch", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[On]",
      "[R Series] 10 9 11", "[Off]", "[R Series] 10M 9M 11M"},
     ""},
    {"a Series model with series keywords", "3.2",
     {"[Model] s", "Model_type Series", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[R Series] 10 9 11",
      "[L Series] 1n 1n 1n", "[Series Current]", "-5 -1 -1 -1", "5 1 1 1", "[Series MOSFET]", "Vds = 1.0",
      "0 0 0 0", "5 1 1 1"},
     ""},
    {"a Terminator model", "3.2",
     {"[Model] t", "Model_type Terminator", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[Rgnd] 100 90 110",
      "[Rpower] 100 90 110", "[Rac] 50 45 55", "[Cac] 1p 1p 1p"},
     ""},
    {"differential and ECL models", "4.2",
     Cat({{"[Model] d", "Model_type Output_diff", "Rref_diff = 100", "Cref_diff = 1p", "C_comp 1p 1p 1p",
           "[Voltage Range] 5 4.5 5.5"},
          Ramp(),
          {"[Model] e", "Model_type Output_ECL", "Vmeas = 3.9", "Vref = 3.3", "Rref = 50", "C_comp 1p 1p 1p",
           "[Voltage Range] 5 4.5 5.5", "[Pulldown]", "-5 0.7 0.7 0.7", "10 -0.8 -0.8 -0.8", "[Pullup]",
           "-5 0.5 0.5 0.5", "10 -1.0 -1.0 -1.0"},
          Ramp(),
          {"[Model] i", "Model_type Input_diff", "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5"}}),
     ""},
    {"a driver schedule of two output models", "4.2",
     Cat({Output("top"), DriverTables(), {"[Driver Schedule]", "a 1n NA 2n NA", "b 1n 2n 3n 4n"}, Output("a"),
          DriverTables(), Output("b"), DriverTables()}),
     ""},
    {"composite currents of both waveforms", "5.0",
     Cat({Output("m"), DriverTables(),
          {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "1n 1.286 1.172 1.397",
           "[Composite Current]", "0 0 0 0", "1n 1m 1m 1m", "[Falling Waveform]", "R_fixture = 50", "V_fixture = 1.8",
           "0 1.8 1.731 1.874", "1n 0.514 0.559 0.476", "[Composite Current]", "0 0 0 0", "1n 1m 1m 1m",
           "[Add Submodel]", "sub Driving"}}),
     ""},
};

// With the whole-file plausibility and DC checks on: complete models, their
// waveforms consistent with their I-V tables, raise nothing.
TEST_F(ModelKeywordTest, CompleteModelsRaiseNothing)
{
    Run(kValidCases, sizeof kValidCases / sizeof kValidCases[0], true);
}

// What the record keeps for later checks, read back after a whole file.
TEST_F(ModelKeywordTest, RecordKeepsWhatLaterChecksNeed)
{
    const LineList body = {"[Model] sw", "Model_type Series_switch", "Polarity Inverting", "Enable Active-High",
                        "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[R Series] 5 4 6", "[On]",
                        "[R Series] 10 9 11", "[Series Current]", "-5 -1 -1 -1", "5 1 1 1", "[Off]",
                        "[Series MOSFET]", "Vds = 1.5", "0 0 0 0", "5 1 1 1", "[Series MOSFET]", "Vds = 2.5",
                        "0 0 0 0", "5 2 2 2", "[Add Submodel]", "dyn All", "other Non-Driving"};
    const std::string path = Write("a.ibs", CheckerFixture::Lines(File("4.2", body)));
    Take();
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    MDL_STRUCT* models = nullptr;
    ASSERT_EQ(IBIS_GetMdls(&models), 1);
    MDL_STRUCT* m = MDL_FindModel(models, "sw");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->iType, MDL_TYPE_SERIES_SWITCH);
    EXPECT_EQ(m->iPolarity, MDL_POLARITY_INVERTING);
    EXPECT_EQ(m->iEnable, MDL_ENABLE_ACTIVE_HIGH);
    ASSERT_NE(m->apCcomp[0], nullptr);
    EXPECT_DOUBLE_EQ(m->apCcomp[0]->typ.dValue, 1e-12);
    ASSERT_NE(m->apRange[MDL_RNG_VOLTAGE_RANGE], nullptr);
    EXPECT_DOUBLE_EQ(m->apRange[MDL_RNG_VOLTAGE_RANGE]->min.dValue, 4.5);
    // The series keyword before [On] belongs to the model's own section.
    ASSERT_NE(m->pSeries, nullptr);
    ASSERT_NE(m->pSeries->apRlc[MDL_SER_R], nullptr);
    EXPECT_DOUBLE_EQ(m->pSeries->apRlc[MDL_SER_R]->typ.dValue, 5.0);
    ASSERT_NE(m->pOn, nullptr);
    ASSERT_NE(m->pOn->apRlc[MDL_SER_R], nullptr);
    EXPECT_DOUBLE_EQ(m->pOn->apRlc[MDL_SER_R]->max.dValue, 11.0);
    ASSERT_NE(m->pOn->pSeriesCurrent, nullptr);
    EXPECT_EQ(m->pOn->pSeriesCurrent->rows.uCount, 2u);
    EXPECT_EQ(m->pOn->pMosfets, nullptr);
    ASSERT_NE(m->pOff, nullptr);
    ASSERT_NE(m->pOff->pMosfets, nullptr);
    ASSERT_NE(m->pOff->pMosfets->pNext, nullptr);
    EXPECT_EQ(m->pOff->pMosfets->pNext->pNext, nullptr);
    EXPECT_TRUE(m->pOff->pMosfets->bVds);
    EXPECT_DOUBLE_EQ(m->pOff->pMosfets->dVds, 1.5);
    EXPECT_DOUBLE_EQ(m->pOff->pMosfets->pNext->dVds, 2.5);
    EXPECT_DOUBLE_EQ(m->pOff->pMosfets->pNext->pTable->rows.pTail->typ.dValue, 2.0);
    ASSERT_NE(m->pAddSubs, nullptr);
    EXPECT_STREQ(m->pAddSubs->szName, "dyn");
    EXPECT_STREQ(m->pAddSubs->szMode, "All");
    ASSERT_NE(m->pAddSubs->pNext, nullptr);
    EXPECT_STREQ(m->pAddSubs->pNext->szName, "other");
    EXPECT_STREQ(m->pAddSubs->pNext->szMode, "Non-Driving");
    EXPECT_EQ(m->pAddSubs->pNext->ulLine, 29u);
    (TEST)(FILE_TYPE_IBS, 0);
    EXPECT_EQ(Take(), "");
    FINI();
    Take();
}

TEST_F(ModelKeywordTest, CompositeCurrentIsAttachedToItsWaveform)
{
    const LineList body = Cat({Output("m"),
                            {"[Rising Waveform]", "R_fixture = 50", "V_fixture = 0", "0 0 0 0", "1n 0.9 0.8 1.0",
                             "[Rising Waveform]", "R_fixture = 50", "V_fixture = 1.8", "0 0 0 0", "2n 0.9 0.8 1.0",
                             "[Composite Current]", "0 0 0 0", "1n 1m 1m 1m", "2n 2m 2m 2m"}});
    const std::string path = Write("a.ibs", CheckerFixture::Lines(File("5.0", body)));
    Take();
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    MDL_STRUCT* models = nullptr;
    ASSERT_EQ(IBIS_GetMdls(&models), 1);
    const WVFRM_STRUCT* first = models->pRising;
    ASSERT_NE(first, nullptr);
    const WVFRM_STRUCT* second = first->pNext;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->pComposite, nullptr);
    ASSERT_NE(second->pComposite, nullptr);
    EXPECT_EQ(second->pComposite->rows.uCount, 3u);
    EXPECT_DOUBLE_EQ(second->abSub[WVFRM_V_FIXTURE] ? second->adSub[WVFRM_V_FIXTURE] : -1.0, 1.8);
    // The second waveform ends before its composite current's third point.
    EXPECT_EQ(WVFRM_Compare(second, second->pComposite, 2, "m", "Rising"), 0);
    EXPECT_EQ(Take(), "ERROR - Model m: Rising Waveform [2] and its Composite Current don't have identical time points\n");
    FINI();
    Take();
}

}  // namespace
}  // namespace model_test

// [Receiver Thresholds]: entry lines, the end of a section and the
// whole-file completeness check of differential and single-ended receivers,
// with the differential query's marks as the pin checks read them; exact
// message lines in both print styles.
#include <gtest/gtest.h>

#include "checker/cmpnt.h"
#include "checker/ibis.h"
#include "checker/mdl.h"
#include "checker/msel.h"
#include "tests/checker/model_fixture.h"

namespace model_test {
namespace {

// A receiver r whose [Receiver Thresholds] holds the given lines; the
// keyword stands at line offset + 5.
LineList Receiver(const std::string& name, const LineList& lines, const std::string& keyword = "")
{
    return Cat({{"[Model] " + name, "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p",
                 "[Receiver Thresholds]" + keyword},
                lines, {"[Voltage Range] 5 4.5 5.5", "[Pullup Reference] 5 4.5 5.5"}});
}

const LineList kSingle = {"Vth = 1.5", "Vinh_ac = 1.8", "Vinl_ac = 1.2", "Vinh_dc = 1.7", "Vinl_dc = 1.3",
                          "Tslew_ac=1n"};
const LineList kDiff = {"Vcross_low = 0.5", "Vcross_high = 0.7", "Vdiff_ac = 0.2", "Vdiff_dc = 0.1",
                        "Tdiffslew_ac = 1n"};

// Pins 1 and 2 form a pair on model r, pin 3 uses the selector s (lines 4 to
// 16); the models follow at line 17.
const LineList kComponent = Cmp({"[Pin] signal_name model_name", "1 A r", "2 B r", "3 C s", "4 D r",
                                 "[Diff Pin] inv_pin vdiff tdelay_typ", "1 2 0.2 0"});

const Case kCases[] = {
    {"complete single-ended and differential receivers: nothing", "4.2",
     Cat({Cmp({"[Pin] signal_name model_name", "1 A r", "2 B r", "3 C e",
               "[Diff Pin] inv_pin vdiff tdelay_typ", "1 2 0.2 0"}),
          Receiver("r", Cat({kDiff, {"Threshold_sensitivity = 0.1", "Reference_supply Pullup_ref"}})),
          Receiver("e", kSingle)}),
     ""},
    {"entry lines", "4.2",
     Cat({Cmp({"[Pin] signal_name model_name", "1 A r"}),
          Receiver("r", Cat({kSingle, {"vth = 1.5", "Vth = 1.5", "Vth_min 1.5", "Vth_max = abc", "Vth_max = 1",
                                       "Vinh = 1", "Vcross_low = 1 2", "Reference_supply = Pullup_ref",
                                       "Reference_supply Vdd", "Reference_supply Ext_ref",
                                       "Reference_supply Ext_ref"}}),
                   " x")}),
     "E3204 (line   17) -\n    Incorrect Number of Line Items (2) For Receiver Threshold: Expecting 1\n"
     "E3230 (line   24) - Unknown Line Among Receiver Threshold Data\n"
     "E3231 (line   25) - Vth Already Defined For Receiver Threshold\n"
     "E3232 (line   26) - Invalid Vth_min Line\n"
     "E3233 (line   27) - Invalid Vth_max Value (\"abc\")\n"
     "E3231 (line   28) - Vth_max Already Defined For Receiver Threshold\n"
     "E3230 (line   29) - Unknown Line Among Receiver Threshold Data\n"
     "E3204 (line   30) -\n    Incorrect Number of Line Items (4) For Vcross_low: Expecting 3\n"
     "E3232 (line   31) - Invalid Reference_supply Line\n"
     "E3234 (line   32) - Unknown Reference_supply Vdd specified\n"
     "E3231 (line   34) - Reference_supply Already Defined For Receiver Threshold\n"
     "E0199 - Model r: Receiver Thresholds use External Reference which is not defined in this Model\n"},
    {"a second section; sensitivity without a supply; incomplete single-ended entries", "4.2",
     Cat({Cmp({"[Pin] signal_name model_name", "1 A r"}),
          Receiver("r", {"Vth = 1", "Threshold_sensitivity = 0.1", "[Receiver Thresholds]", "Vth = 1"})}),
     "E3205 - Model r Receiver Thresholds: Reference Supply must be specified when Threshold Sensitivity is "
     "specified\n"
     "E0120 (line   20) - [Receiver Thresholds] should be specified immediately after all the subparameters of a "
     "model and before the other keywords of a model except [Model Spec]\n"
     "E3200 (line   20) - Receiver Threshold: Already Defined for this model\n"
     "W3220 - Model r Receiver Thresholds: Vinh_ac must be specified for single ended receivers\n"
     "W3221 - Model r Receiver Thresholds: Vinl_ac must be specified for single ended receivers\n"
     "W3222 - Model r Receiver Thresholds: Vinh_dc must be specified for single ended receivers\n"
     "W3223 - Model r Receiver Thresholds: Vinl_dc must be specified for single ended receivers\n"
     "W3224 - Model r Receiver Thresholds: Tslew_ac must be specified for single ended receivers\n"},
    {"a differential receiver with single-ended entries; pins of differential models outside [Diff Pin]",
     "4.2",
     Cat({kComponent, Receiver("r", kSingle), Input("i"), {"[Model Selector] s", "r a", "i b"}}),
     "W3206 - Model r Receiver Thresholds: Vcross_low must be specified for differential receivers (Pin 1)\n"
     "W3207 - Model r Receiver Thresholds: Vcross_high must be specified for differential receivers (Pin 1)\n"
     "W3208 - Model r Receiver Thresholds: Vdiff_ac must be specified for differential receivers (Pin 1)\n"
     "W3209 - Model r Receiver Thresholds: Vdiff_dc must be specified for differential receivers (Pin 1)\n"
     "W3210 - Model r Receiver Thresholds: Tdiffslew_ac must be specified for differential receivers (Pin 1)\n"
     "W4023 - Model i in Model Selector s is Single Ended, but this Model Selector contains Differential models too \n"
     "C0609 - Pin 3 is not defined as a Diff Pin though the associated Model Selector s was determined to be "
     "Differential\n"
     "C0611 - Pin 4 is not defined as a Diff Pin though the associated Model r was determined to be Differential\n",
     true},
};

class ReceiverThresholdsTest : public ModelKeywordTest {};

TEST_F(ReceiverThresholdsTest, MessagesOfEachCaseInBothStyles) { RunIbs(kCases, sizeof kCases / sizeof kCases[0]); }

TEST_F(ReceiverThresholdsTest, DifferentialQueryMarksModelsDirectlyAndThroughSelectors)
{
    // Pair 1/2 on model r; pair 3/4 on selector s, which lists i and j; k
    // stands alone. The query marks r, i and j (and s), never k.
    const std::string path = Write(
        "a.ibs", CheckerFixture::Lines(Ibs("4.2", Cat({Cmp({"[Pin] signal_name model_name", "1 A r", "2 B r",
                                                             "3 C POWER", "4 D s", "5 E j",
                                                             "[Diff Pin] inv_pin vdiff tdelay_typ", "1 2 0.2 0",
                                                             "3 4 0.2 0"}),
                                                        Input("r"), Input("i"), Input("j"), Input("k"),
                                                        {"[Model Selector] s", "i a", "j b"}}))));
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    MDL_STRUCT* models = nullptr;
    MSEL_STRUCT* msels = nullptr;
    ASSERT_EQ(IBIS_GetMdls(&models), 1);
    ASSERT_EQ(IBIS_GetMsels(&msels), 1);
    const struct {
        const char* model;
        int diff;
        const char* pin;
    } expect[] = {{"r", 1, "1"}, {"i", 1, "4"}, {"j", 1, "4"}, {"k", 0, ""}};
    for (const auto& e : expect) {
        MDL_STRUCT* m = MDL_FindModel(models, e.model);
        ASSERT_NE(m, nullptr);
        const char* pin = nullptr;
        EXPECT_EQ(CMPNT_DiffQuery(m, &pin), e.diff) << e.model;
        EXPECT_STREQ(pin, e.pin) << e.model;
        EXPECT_EQ(m->bDiff, e.diff) << e.model;
    }
    EXPECT_EQ(msels->iDiff, 0);
    EXPECT_EQ(CMPNT_DiffQuery(nullptr, nullptr), 0);
    FINI();
    Take();
}

}  // namespace
}  // namespace model_test

// Reading the models' run-time parameters: the step itself over a table of
// rows, and both libraries through AMI_Init as a simulator loads them. Only
// the parameter messages and the results are checked here; what the models
// do with the values belongs to their own tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ami/AmiParameters.h"
#include "tests/ami/AmiLibrary.h"

namespace {

using Vantrel::AMI::ParameterRow;
using Vantrel::AMI::ReadAmiParameters;

std::string Unreadable(const std::string& model, const std::string& name)
{
    return "The IBIS-AMI model, " + model + ", is unable to initialize the parameter " + name +
           " from the AMI_Init arguments.  The model will use the default setting. ";
}

std::string UnreadableAll(const std::string& model, const std::vector<std::string>& names)
{
    std::string s;
    for (const std::string& n : names) s += Unreadable(model, n);
    return s;
}

// The receiver's table, with its defaults.
struct RxValues {
    int RX_Config = 0, Factor = 1;
    double VCO_Sensitivity = 8.0e8;
    int EQ_Level = 0, CTLEAdapt = 1, EOMNbits = 200;
};

std::string ReadRx(const char* params, RxValues& v)
{
    const ParameterRow rows[] = {
        {"Vuraved_UV_IV.RX_Config", "RX_Config", &v.RX_Config, nullptr},
        {"Vuraved_UV_IV.Factor", "Factor", &v.Factor, nullptr},
        {"Vuraved_UV_IV.VCO_Sensitivity", "VCO_Sensitivity", nullptr, &v.VCO_Sensitivity},
        {"Vuraved_UV_IV.EQ_Level", "EQ_Level", &v.EQ_Level, nullptr},
        {"Vuraved_UV_IV.CTLEAdapt", "CTLEAdapt", &v.CTLEAdapt, nullptr},
        {"Vuraved_UV_IV.EOMNbits", "EOMNbits", &v.EOMNbits, nullptr},
    };
    std::string message;
    ReadAmiParameters(params, "Vuraved_UV_IV", rows, 6, message);
    return message;
}

TEST(ReadAmiParameters, EmptyNullAndBrokenStringsReportEveryRowInOrder)
{
    const std::string all = UnreadableAll(
        "Vuraved_UV_IV", {"RX_Config", "Factor", "VCO_Sensitivity", "EQ_Level", "CTLEAdapt", "EOMNbits"});
    for (const char* params : {"", static_cast<const char*>(nullptr), "(Vuraved_UV_IV (EQ_Level 3)",
                               "(Vuraved_UV_IV (EQ_Level 3)) (X (Y 1))", "garbage"}) {
        RxValues v;
        EXPECT_EQ(ReadRx(params, v), all) << (params ? params : "<null>");
        EXPECT_EQ(v.RX_Config, 0);
        EXPECT_EQ(v.Factor, 1);
        EXPECT_EQ(v.VCO_Sensitivity, 8.0e8);
        EXPECT_EQ(v.EQ_Level, 0);
        EXPECT_EQ(v.CTLEAdapt, 1);
        EXPECT_EQ(v.EOMNbits, 200);
    }
}

TEST(ReadAmiParameters, ReadableValuesLandAndOnlyTheOthersReport)
{
    RxValues v;
    EXPECT_EQ(ReadRx("(Vuraved_UV_IV (VCO_Sensitivity 1e9) (EQ_Level 12.9))", v),
              UnreadableAll("Vuraved_UV_IV", {"RX_Config", "Factor", "CTLEAdapt", "EOMNbits"}));
    EXPECT_EQ(v.VCO_Sensitivity, 1e9);
    EXPECT_EQ(v.EQ_Level, 12);
    EXPECT_EQ(v.RX_Config, 0);

    RxValues all;
    EXPECT_EQ(ReadRx("(Vuraved_UV_IV (RX_Config 2) (Factor 4) (VCO_Sensitivity 9e8) (EQ_Level -2.7) "
                     "(CTLEAdapt 0) (EOMNbits 64))",
                     all),
              "");
    EXPECT_EQ(all.RX_Config, 2);
    EXPECT_EQ(all.Factor, 4);
    EXPECT_EQ(all.VCO_Sensitivity, 9e8);
    EXPECT_EQ(all.EQ_Level, -2);
    EXPECT_EQ(all.CTLEAdapt, 0);
    EXPECT_EQ(all.EOMNbits, 64);
}

TEST(ReadAmiParameters, WrongTypesNestingAndRangeCountAsUnreadable)
{
    const std::string all = UnreadableAll(
        "Vuraved_UV_IV", {"RX_Config", "Factor", "VCO_Sensitivity", "EQ_Level", "CTLEAdapt", "EOMNbits"});
    // Each parameter unreadable for its own reason: a string, a number beyond
    // the int range, absent, nested one level deeper, a boolean, and a string
    // where the double is expected.
    RxValues v;
    EXPECT_EQ(ReadRx("(Vuraved_UV_IV (RX_Config one) (Factor 5e9) (Model (EQ_Level 3)) (CTLEAdapt True) "
                     "(VCO_Sensitivity fast))",
                     v),
              all);
    EXPECT_EQ(v.Factor, 1);
    EXPECT_EQ(v.EQ_Level, 0);
    EXPECT_EQ(v.VCO_Sensitivity, 8.0e8);
    // A list holding only its name spoils the whole string.
    RxValues w;
    EXPECT_EQ(ReadRx("(Vuraved_UV_IV (RX_Config 2) (EOMNbits))", w), all);
    EXPECT_EQ(w.RX_Config, 0);
}

TEST(ReadAmiParameters, TransmitterRowsReadTwoOfThree)
{
    int de = 0, vod = 2, bypass = 0;
    const ParameterRow rows[] = {
        {"TX_model2.DE_Level", "DE_Level", &de, nullptr},
        {"TX_model2.VOD_Level", "VOD_Level", &vod, nullptr},
        {"TX_model2.TX_bypass", "TX_bypass", &bypass, nullptr},
    };
    std::string message;
    ReadAmiParameters("(TX_model2 (DE_Level 3) (VOD_Level 1))", "TX_model2", rows, 3, message);
    EXPECT_EQ(de, 3);
    EXPECT_EQ(vod, 1);
    EXPECT_EQ(bypass, 0);
    EXPECT_EQ(message, Unreadable("TX_model2", "TX_bypass"));
}

TEST(ReadAmiParameters, AppendsToWhatTheMessageAlreadyHolds)
{
    int level = 7;
    const ParameterRow rows[] = {{"TX_model2.DE_Level", "DE_Level", &level, nullptr}};
    std::string message = "earlier. ";
    ReadAmiParameters("(TX_model2 (VOD_Level 1))", "TX_model2", rows, 1, message);
    EXPECT_EQ(message, "earlier. " + Unreadable("TX_model2", "DE_Level"));
    EXPECT_EQ(level, 7);
}

// Through the libraries, as a simulator calls them.
struct LibCase {
    const char* name;
    std::string (*path)();
    const char* model;
    const char* params;
    std::vector<std::string> unreadable;
};

std::string RxLib() { return amitest::RxPath(); }
std::string TxLib() { return amitest::TxPath(); }

TEST(ReadAmiParametersLibraries, MessagesOfAmiInit)
{
    const LibCase cases[] = {
        {"tx empty", TxLib, "TX_model2", "", {"DE_Level", "VOD_Level", "TX_bypass"}},
        {"tx two of three", TxLib, "TX_model2", "(TX_model2 (DE_Level 3) (VOD_Level 1))", {"TX_bypass"}},
        {"tx all", TxLib, "TX_model2", "(TX_model2 (DE_Level 1) (VOD_Level 1) (TX_bypass 1))", {}},
        {"tx other root", TxLib, "TX_model2", "(TX (DE_Level 1) (VOD_Level 1) (TX_bypass 1))",
         {"DE_Level", "VOD_Level", "TX_bypass"}},
        {"rx empty", RxLib, "Vuraved_UV_IV", "",
         {"RX_Config", "Factor", "VCO_Sensitivity", "EQ_Level", "CTLEAdapt", "EOMNbits"}},
        {"rx two", RxLib, "Vuraved_UV_IV", "(Vuraved_UV_IV (VCO_Sensitivity 1e9) (EQ_Level 12.9))",
         {"RX_Config", "Factor", "CTLEAdapt", "EOMNbits"}},
        {"rx all", RxLib, "Vuraved_UV_IV",
         "(Vuraved_UV_IV (RX_Config 0) (Factor 1) (VCO_Sensitivity 8e8) (EQ_Level 3) (CTLEAdapt 0) "
         "(EOMNbits 200))",
         {}},
        {"rx nested", RxLib, "Vuraved_UV_IV", "(Vuraved_UV_IV (Model (EQ_Level 3)))",
         {"RX_Config", "Factor", "VCO_Sensitivity", "EQ_Level", "CTLEAdapt", "EOMNbits"}},
    };
    amitest::TempWorkDir work;  // the receiver writes report files
    for (const LibCase& c : cases) {
        amitest::AmiLibrary lib(c.path());
        ASSERT_TRUE(lib.ok()) << lib.error();
        void* h = nullptr;
        char* msg = nullptr;
        EXPECT_EQ(lib.InitWith(c.params, 1e-12, 1e-10, &h, &msg), 1) << c.name;
        const std::string expected = UnreadableAll(c.model, c.unreadable);
        if (expected.empty()) {
            // Nothing appended: msg untouched, or (if the model added its own
            // text) free of parameter messages.
            if (msg != nullptr) {
                EXPECT_EQ(std::string(msg).find("unable to initialize"), std::string::npos) << c.name;
            }
        } else {
            ASSERT_NE(msg, nullptr) << c.name;
            EXPECT_EQ(std::string(msg).substr(0, expected.size()), expected) << c.name;
        }
        EXPECT_EQ(lib.Close(h), 1) << c.name;
    }
}

TEST(ReadAmiParametersLibraries, NullParameterStringIsAnEmptyOne)
{
    amitest::TempWorkDir work;
    amitest::AmiLibrary lib(amitest::TxPath());
    ASSERT_TRUE(lib.ok()) << lib.error();
    std::vector<double> impulse(16, 0.0);
    impulse[0] = 1.0;
    void* h = nullptr;
    char* msg = nullptr;
    char* out = nullptr;
    EXPECT_EQ(lib.Init(impulse.data(), 16, 0, 1e-12, 1e-10, nullptr, &out, &h, &msg), 1);
    ASSERT_NE(msg, nullptr);
    const std::string expected = UnreadableAll("TX_model2", {"DE_Level", "VOD_Level", "TX_bypass"});
    EXPECT_EQ(std::string(msg).substr(0, expected.size()), expected);
    EXPECT_EQ(lib.Close(h), 1);
}

}  // namespace

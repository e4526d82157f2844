// The transmitter's entry points instantiated in the test program, so that
// the instance they hand out can be inspected: the parameters read into the
// model and the messages kept in the instance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ami/AmiEntryPoints.h"
#include "ami/TxTraits.h"
#include "models/tx/TX_model2.h"
#include "tests/models/tx/TxHarness.h"

namespace {

using Traits = Vantrel::AMI::TxTraits;

using Entry = Vantrel::AMI::EntryPoints<Traits>;
using Instance = Vantrel::AMI::AmiInstance<TX_model2>;

Instance* Init(const char* params, int samplesPerBit, long* result)
{
    std::string copy(params);
    void* handle = nullptr;
    char* msg = nullptr;
    *result = Entry::Init(nullptr, 0, 0, txtest::kBitTime / samplesPerBit, txtest::kBitTime, &copy[0],
                          nullptr, &handle, &msg);
    return static_cast<Instance*>(handle);
}

TEST(TxInstance, ParametersReachTheModel)
{
    long r = 0;
    Instance* inst = Init("(TX_model2 (DE_Level 2.6) (VOD_Level 1) (TX_bypass 0))", 32, &r);
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(inst->model.DE_Level, 2);
    EXPECT_EQ(inst->model.VOD_Level, 1);
    EXPECT_EQ(inst->model.TX_bypass, 0);
    EXPECT_EQ(inst->model.SamplesPerBit, 32);
    EXPECT_EQ(inst->model.Subnetwork(1).T3.m_iNumTaps, 155);
    EXPECT_EQ(inst->message, "");
    EXPECT_EQ(Entry::Close(inst), 1);
}

// A level out of range fails the first sample of every call: the
// multiplexers post on standard error (two for the swing, four for the
// emphasis banks, one for the bypass), the instance keeps one message per
// failed call, and the samples keep their input values.
TEST(TxInstance, FailedRunLeavesItsMessageInTheInstance)
{
    const struct {
        const char* params;
        size_t lines;
        const char* named;  // AMI_Init names the value outside its range
    } cases[] = {
        {"(TX_model2 (VOD_Level 4) (DE_Level 0) (TX_bypass 0))", 2, "VOD_Level = 4, outside the range 0 to 3"},
        {"(TX_model2 (VOD_Level 2) (DE_Level -1) (TX_bypass 0))", 4, "DE_Level = -1, outside the range 0 to 3"},
        {"(TX_model2 (VOD_Level 2) (DE_Level 0) (TX_bypass -1))", 1, "TX_bypass = -1, outside the range 0 to 1"},
    };
    for (const auto& c : cases) {
        long r = 0;
        Instance* inst = Init(c.params, 16, &r);
        ASSERT_NE(inst, nullptr) << c.params;
        EXPECT_EQ(r, 1) << c.params;
        for (int call = 1; call <= 2; ++call) {
            std::vector<double> wave(20, 1.0), clocks(22);
            long g = -1;
            const std::string err = txtest::CaptureErr(
                [&] { g = Entry::GetWave(wave.data(), 20, clocks.data(), nullptr, inst); });
            EXPECT_EQ(g, 0) << c.params;
            EXPECT_EQ(txtest::Lines(err).size(), c.lines) << c.params << "\n" << err;
            EXPECT_EQ(wave, std::vector<double>(20, 1.0)) << c.params;
            EXPECT_EQ(clocks[0], -1.0) << c.params;
        }
        EXPECT_EQ(inst->message, std::string("The IBIS-AMI model, TX_model2, was given ") + c.named +
                                     " of its parameter file; the model may refuse it when it runs. "
                                     "Error occurred in TX_model2::Run(). Error occurred in TX_model2::Run(). ")
            << c.params;
        EXPECT_EQ(Entry::Close(inst), 1) << c.params;
    }
}

}  // namespace

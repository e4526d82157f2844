// The block lifecycle and the network pattern: every block is called after a
// failure, connection storage is freed before it is allocated again, feedback
// connections start at zero, and DFErrorHandler writes whole lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataflow/CircularBuffer.h"
#include "dataflow/ConnectionStorage.h"
#include "dataflow/DFErrorHandler.h"
#include "dataflow/DFModel.h"

using Vantrel::CircularBuffer;
using Vantrel::ConnectionStorage;
using Vantrel::DFErrorHandler;
using Vantrel::DFModel;

namespace {

// y = x + feedback; feedback = y (read before it is written).
class Accumulator : public DFModel {
public:
    CircularBuffer<double> In, Feedback, Out;
    bool Run() override
    {
        Out[0] = In[0] + Feedback[0];
        return true;
    }
};

class Rejecting : public DFModel {
public:
    explicit Rejecting(const char* text) : m_text(text) {}
    bool Setup() override
    {
        ++setups;
        if (m_text) DFErrorHandler::PostError(this, m_text);
        return m_text == nullptr;
    }
    int setups = 0;

private:
    const char* m_text;
};

class Network : public DFModel {
public:
    CircularBuffer<double> InputPort, OutputPort;
    Rejecting first{nullptr}, second{"Decimation must be > 0"}, third{"Gain must be finite"};
    Accumulator acc;
    ConnectionStorage storage;

    bool Setup() override
    {
        bool ok = first.Setup();
        ok = second.Setup() && ok;
        ok = third.Setup() && ok;
        return ok;
    }
    bool Initialize() override
    {
        storage.DeleteBuffers();
        double* in = storage.NewDouble();
        double* out = storage.NewDouble();
        acc.In.SetBuffer(in, 1, 1, 0);
        acc.Out.SetBuffer(out, 1, 1, 0);
        acc.Feedback.SetBuffer(out, 1, 1, 0);
        acc.Feedback.Zero(0, 1);
        return true;
    }
    bool Run() override
    {
        InputPort.Copy(0, &acc.In, 0, 1);
        bool ok = acc.Run();
        acc.Out.Copy(0, &OutputPort, 0, 1);
        return ok;
    }
};

TEST(DFModel, BlockThatOverridesNothingSucceeds)
{
    DFModel m;
    EXPECT_TRUE(m.Setup());
    EXPECT_TRUE(m.Initialize());
    EXPECT_TRUE(m.Run());
    EXPECT_TRUE(m.Finalize());
    EXPECT_TRUE(m.UpdateDynamicParameters());
}

TEST(DFModel, EveryBlockIsSetUpAfterAFailureAndEachFaultIsPosted)
{
    Network net;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(net.Setup());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Decimation must be > 0\nGain must be finite\n");
    EXPECT_EQ(net.third.setups, 1);
}

TEST(DFModel, FeedbackReadsZeroFirstAndRepeatedInitializeResets)
{
    Network net;
    double in = 0, out = 0;
    net.InputPort.SetBuffer(&in, 1, 1, 0);
    net.OutputPort.SetBuffer(&out, 1, 1, 0);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(net.Initialize());
        EXPECT_EQ(net.storage.Count(), 2u) << "previous connection arrays were not released";
        std::vector<double> got;
        for (double x : {1.0, 2.0, 3.0}) {
            in = x;
            ASSERT_TRUE(net.Run());
            got.push_back(out);
        }
        EXPECT_EQ(got, (std::vector<double>{1, 3, 6})) << "round " << round;
    }
}

TEST(DFErrorHandler, EveryPostWritesTheTextAndALineEnd)
{
    using Post = void (*)(DFModel*, const char*);
    const Post posts[] = {&DFErrorHandler::PostError, &DFErrorHandler::PostWarning,
                          &DFErrorHandler::PostInfo, &DFErrorHandler::PostLog,
                          &DFErrorHandler::PostProgress};
    for (Post post : posts) {
        testing::internal::CaptureStderr();
        post(nullptr, "Decimation must be > 0");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Decimation must be > 0\n");
    }
    EXPECT_FALSE(DFErrorHandler::StopRequested());
}

}  // namespace

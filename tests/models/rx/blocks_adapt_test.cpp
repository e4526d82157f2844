// Adaptation controller: phases, handshake, bounds of the setting, report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "models/rx/Adapt.h"
#include "tests/models/rx/blocks_report_dir.h"
#include "tests/models/rx/blocks_rigs.h"

namespace {

using rxblocks_test::AdaptRig;

const char kBegin[] =
    "Begin CTLE adapt till CDR lock \n"
    "EQ_level \t C1 \t C2 \t C3 \t C4 \t C5 \t HEO value \t VEO value \t Range \n";
const char kEndLock[] = "End CTLE adapt till CDR lock \n";
const char kBeginOpt[] = "Begin CTLE adapt till optimum \n";
const char kEndOpt[] = "End CTLE adapt till optimum \n";
const char kBeginDfe[] = "Begin DFE adapt \n";

std::string Row(int eq, std::vector<int> c, int h, int v, int r)
{
    std::string s = std::to_string(eq) + "\t\t";
    for (int code : c) s += std::to_string(code) + " \t";
    return s + std::to_string(h) + " \t " + std::to_string(v) + " \t " + std::to_string(r) + "\n";
}

class AdaptTest : public ReportDirTest {};

TEST_F(AdaptTest, RowFormat)
{
    // Setting 4, taps 0, H 12, V 30, R 0.
    EXPECT_EQ(Row(4, {0, 0, 0, 0, 0}, 12, 30, 0), "4\t\t0 \t0 \t0 \t0 \t0 \t12 \t 30 \t 0\n");
}

TEST_F(AdaptTest, DisabledAdaptationRequestsNothingButCreatesTheFile)
{
    for (int enable : {0, 2, -1}) {
        AdaptRig rig(enable, enable == 2 ? 0 : enable);
        EXPECT_FALSE(Exists("Adapt.txt"));
        rig.Step();
        EXPECT_TRUE(Exists("Adapt.txt"));
        rig.Start();
        for (int i = 0; i < 50; ++i) rig.Step();
        EXPECT_EQ(rig.request, 0);
        EXPECT_EQ(rig.eqLevel, 0);
        EXPECT_EQ(rig.Taps(), std::vector<int>(5, 0));
        EXPECT_EQ(rig.block.EyeCount(), 0);
        EXPECT_EQ(ReadAll("Adapt.txt"), "") << "enable " << enable;
        ASSERT_TRUE(rig.block.Finalize());
        ASSERT_EQ(std::remove("Adapt.txt"), 0);
    }
}

TEST_F(AdaptTest, CtleAdaptationThroughBothPhases)
{
    WriteAll("Adapt.txt", "previous run\n");
    AdaptRig rig(1, 0);
    rig.Step();
    EXPECT_EQ(rig.request, 0);
    rig.Start();
    EXPECT_EQ(rig.request, 1);
    EXPECT_EQ(ReadAll("Adapt.txt"), std::string("previous run\n") + kBegin);

    struct Step {
        int h, v, r;
        int eqAfter, ctleDoneAfter;
        bool requested;
    };
    const Step steps[] = {
        {2, 10, 0, 2, 0, true},   // phase 1: eye still closed horizontally
        {5, 20, 0, 4, 0, true},   // 5 is not > 5
        {6, 20, 0, 4, 0, true},   // locked: phase 1 ends, setting kept
        {12, 30, 0, 5, 0, true},  // phase 2: better than (0, 0, 0)
        {14, 28, 0, 6, 0, true},  // good, score 14 > 12
        {13, 31, 0, 5, 1, true},  // good, score 13 < 14 and H differs: step back
        {14, 28, 0, 5, 1, false}, // the measurement in flight; nothing more asked
    };
    std::string expected = std::string("previous run\n") + kBegin;
    int eq = 0;
    for (const Step& s : steps) {
        rig.Measure(s.h, s.v, s.r);
        expected += Row(eq, {0, 0, 0, 0, 0}, s.h, s.v, s.r);
        if (s.h == 6) expected += std::string(kEndLock) + kBeginOpt;
        if (s.h == 13) expected += kEndOpt;
        EXPECT_EQ(rig.eqLevel, s.eqAfter) << "after H = " << s.h;
        EXPECT_EQ(rig.ctleDone, s.ctleDoneAfter) << "after H = " << s.h;
        EXPECT_EQ(rig.request, s.requested ? 1 : 0) << "after H = " << s.h;
        EXPECT_EQ(rig.dfeDone, 0);
        eq = s.eqAfter;
    }
    EXPECT_EQ(ReadAll("Adapt.txt"), expected);
    EXPECT_EQ(rig.block.EyeCount(), 7);
}

TEST_F(AdaptTest, ComparisonsOfPhaseTwo)
{
    // Phase 2 from setting 10 against the previous measurement (12, 30, 1).
    struct Case {
        const char* name;
        int h, v, r;
        bool better;
    };
    const Case cases[] = {
        {"good, higher score", 13, 30, 1, true},
        {"good, score via range", 9, 30, 2, true},          // 27 > 24
        {"good, same H, higher V", 12, 31, 1, true},
        {"good, same H, lower V", 12, 29, 1, false},
        {"good, same score, other H", 8, 30, 2, false},      // 24 = 24, H 8 != 12
        {"good, lower score", 11, 40, 1, false},
        {"not good, higher V", 40, 31, 0, true},             // 40 > 31
        {"not good, same V, higher score", 40, 30, 0, true}, // 40 > 24
        {"not good, lower V, same H", 40, 29, 0, false},
        {"not good, lower V, higher score", 100, 29, 2, false},
    };
    for (const Case& c : cases) {
        AdaptRig rig(1, 0);
        rig.Start();
        for (int i = 0; i < 5; ++i) rig.Measure(1, 1, 0);  // phase 1: 0, 2, 4, 6, 8 -> 10
        rig.Measure(9, 40, 0);                              // locks at 10
        ASSERT_EQ(rig.eqLevel, 10);
        rig.Measure(12, 30, 1);                             // phase 2: better than zeros
        ASSERT_EQ(rig.eqLevel, 11) << c.name;
        rig.Measure(c.h, c.v, c.r);
        EXPECT_EQ(rig.eqLevel, c.better ? 12 : 10) << c.name;
        EXPECT_EQ(rig.ctleDone, c.better ? 0 : 1) << c.name;
    }
}

TEST_F(AdaptTest, StepBackComparesWithTheRestoredMeasurement)
{
    // After a step back the previous measurement is the one of the setting
    // stepped back to, which phase 3 then compares against.
    AdaptRig rig(1, 1);
    rig.Start();
    rig.Measure(20, 40, 0);  // locks at 0
    rig.Measure(20, 40, 0);  // better than zeros: 1
    rig.Measure(18, 40, 0);  // worse: back to 0, restore (20, 40, 0); DFE starts, C1 = 1
    EXPECT_EQ(rig.eqLevel, 0);
    EXPECT_EQ(rig.Taps(), (std::vector<int>{1, 0, 0, 0, 0}));
    // Equal to the restored (20, 40, 0): direction 0, tap 1 is done at 0.
    rig.Measure(20, 40, 0);
    EXPECT_EQ(rig.Taps(), (std::vector<int>{0, 1, 0, 0, 0}));
    const std::string text = ReadAll("Adapt.txt");
    EXPECT_EQ(text, std::string(kBegin) + Row(0, {0, 0, 0, 0, 0}, 20, 40, 0) + kEndLock + kBeginOpt +
                        Row(0, {0, 0, 0, 0, 0}, 20, 40, 0) + Row(1, {0, 0, 0, 0, 0}, 18, 40, 0) +
                        kEndOpt + kBeginDfe + Row(0, {1, 0, 0, 0, 0}, 20, 40, 0));
}

TEST_F(AdaptTest, SettingStaysWithinTheBank)
{
    struct Case {
        const char* name;
        std::vector<std::vector<int>> measurements;  // {H, V, R}
        int finalLevel;
        int ctleDone;
    };
    const std::vector<Case> cases = {
        // Phase 1 never locks: 0, 2, ..., 30, then 30 > 29 ends it; phase 2
        // climbs to 31, where a better eye ends phase 2 without a change.
        {"top of the bank",
         [] {
             std::vector<std::vector<int>> m(16, {1, 1, 0});
             m.push_back({10, 20, 0});
             m.push_back({11, 20, 0});
             return m;
         }(),
         31, 1},
        // Not better at setting 31: the setting stays, nothing to step back to.
        {"worse at the top",
         [] {
             std::vector<std::vector<int>> m(16, {1, 1, 0});
             m.push_back({10, 20, 0});
             m.push_back({9, 20, 0});
             return m;
         }(),
         31, 1},
        // A worse eye at setting 0 (range below the monitor's 0..3 makes the
        // score 0): the step back keeps 0 instead of selecting setting -1.
        {"worse at the bottom", {{10, 0, 0}, {10, 0, -1}}, 0, 1},
        // Eye closed in phase 2 at 30: no raise beyond 30, no return to phase 1.
        {"closed eye at 30",
         [] {
             std::vector<std::vector<int>> m(16, {1, 1, 0});
             m.push_back({3, 20, 0});
             return m;
         }(),
         30, 0},
    };
    for (const Case& c : cases) {
        AdaptRig rig(1, 0);
        rig.Start();
        for (const auto& m : c.measurements) {
            rig.Measure(m[0], m[1], m[2]);
            ASSERT_GE(rig.eqLevel, 0) << c.name;
            ASSERT_LE(rig.eqLevel, 31) << c.name;
        }
        EXPECT_EQ(rig.eqLevel, c.finalLevel) << c.name;
        EXPECT_EQ(rig.ctleDone, c.ctleDone) << c.name;
    }
}

TEST_F(AdaptTest, ClosedEyeInPhaseTwoReturnsToPhaseOne)
{
    AdaptRig rig(1, 0);
    rig.Start();
    rig.Measure(2, 5, 0);    // 0 -> 2
    rig.Measure(8, 20, 0);   // locks at 2
    rig.Measure(10, 20, 0);  // phase 2: 2 -> 3
    rig.Measure(3, 20, 0);   // closed: 3 -> 4, back to phase 1
    EXPECT_EQ(rig.eqLevel, 4);
    rig.Measure(5, 20, 0);   // phase 1 again: 4 -> 6
    rig.Measure(7, 20, 0);   // locks at 6
    rig.Measure(9, 20, 0);   // phase 2: compared with the closed (3, 20, 0): better
    EXPECT_EQ(rig.eqLevel, 7);
    EXPECT_EQ(ReadAll("Adapt.txt"),
              std::string(kBegin) + Row(0, {0, 0, 0, 0, 0}, 2, 5, 0) + Row(2, {0, 0, 0, 0, 0}, 8, 20, 0) +
                  kEndLock + kBeginOpt + Row(2, {0, 0, 0, 0, 0}, 10, 20, 0) +
                  Row(3, {0, 0, 0, 0, 0}, 3, 20, 0) + Row(4, {0, 0, 0, 0, 0}, 5, 20, 0) +
                  Row(6, {0, 0, 0, 0, 0}, 7, 20, 0) + kEndLock + kBeginOpt +
                  Row(6, {0, 0, 0, 0, 0}, 9, 20, 0));
}

TEST_F(AdaptTest, DfeAdaptationOverFiveTaps)
{
    AdaptRig rig(0, 1);
    rig.Start();
    struct Step {
        int h, v, r;
        std::vector<int> tapsAfter;
    };
    const std::vector<Step> steps = {
        {9, 20, 0, {1, 0, 0, 0, 0}},   // locks at 0: DFE starts with C1 = 1
        {12, 30, 0, {2, 0, 0, 0, 0}},  // tap 1: score up over (0, 0, 0): direction +1
        {13, 30, 0, {3, 0, 0, 0, 0}},  // better
        {12, 30, 0, {2, 1, 0, 0, 0}},  // worse: back, tap 1 done, C2 = 1
        {13, 30, 0, {2, 0, 1, 0, 0}},  // tap 2: equal to the restored (13, 30, 0): 0, done
        {13, 29, 0, {2, 0, 0, 0, 0}},  // tap 3: good, same score, lower V: -1, C3 = 0
        {40, 39, 0, {2, 0, -1, 0, 0}}, // not good (40 > 39), V up over 29: better, -1 again
        {40, 38, 0, {2, 0, 0, 1, 0}},  // V down: back to 0, tap 3 done, C4 = 1
        {50, 60, 0, {2, 0, 0, 2, 0}},  // tap 4: good, score up over the restored 40: +1
        {50, 60, 0, {2, 0, 0, 1, 1}},  // equal is not better: back, C5 = 1
        {50, 60, 0, {2, 0, 0, 1, 0}},  // tap 5: equal: direction 0, C5 = 0, all done
    };
    std::string expected = kBegin;
    std::vector<int> tapsBefore = {0, 0, 0, 0, 0};
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        rig.Measure(s.h, s.v, s.r);
        expected += Row(0, tapsBefore, s.h, s.v, s.r);
        if (i == 0) expected += std::string(kEndLock) + kBeginDfe;
        EXPECT_EQ(rig.Taps(), s.tapsAfter) << "measurement " << i;
        EXPECT_EQ(rig.eqLevel, 0);
        EXPECT_EQ(rig.ctleDone, 0);
        EXPECT_EQ(rig.dfeDone, i + 1 == steps.size() ? 1 : 0) << "measurement " << i;
        tapsBefore = s.tapsAfter;
    }
    // The count printed is the number of requests before the last one.
    expected += "End DFE adapt \n Number of EYE computations = 11\n";
    EXPECT_EQ(ReadAll("Adapt.txt"), expected);
    EXPECT_EQ(rig.block.EyeCount(), 12);
    EXPECT_EQ(rig.request, 1);

    // The last requested measurement is still logged, then nothing more.
    rig.Measure(50, 60, 0);
    EXPECT_EQ(rig.request, 0);
    EXPECT_EQ(ReadAll("Adapt.txt"), expected + Row(0, {2, 0, 0, 1, 0}, 50, 60, 0));
}

TEST_F(AdaptTest, CtleThenDfe)
{
    AdaptRig rig(1, 1);
    rig.Start();
    rig.Measure(9, 20, 0);   // locks at 0
    rig.Measure(10, 20, 0);  // better: 1
    rig.Measure(10, 20, 0);  // equal: not better: back to 0
    EXPECT_EQ(rig.eqLevel, 0);
    EXPECT_EQ(rig.ctleDone, 1);
    EXPECT_EQ(rig.Taps(), (std::vector<int>{1, 0, 0, 0, 0}));
    EXPECT_EQ(ReadAll("Adapt.txt"), std::string(kBegin) + Row(0, {0, 0, 0, 0, 0}, 9, 20, 0) + kEndLock +
                                        kBeginOpt + Row(0, {0, 0, 0, 0, 0}, 10, 20, 0) +
                                        Row(1, {0, 0, 0, 0, 0}, 10, 20, 0) + kEndOpt + kBeginDfe);
}

TEST_F(AdaptTest, RequestHandshake)
{
    AdaptRig rig(1, 0);
    rig.ack = 1;  // an ack edge with nothing requested is harmless
    rig.Step();
    EXPECT_EQ(rig.request, 0);
    rig.Start();  // ack still high: no edge, the request stands
    EXPECT_EQ(rig.request, 1);
    rig.Step();
    EXPECT_EQ(rig.request, 1);
    rig.ack = 0;
    rig.Step();
    EXPECT_EQ(rig.request, 1);
    rig.ack = 1;  // first Run with ack 1 after 0
    rig.Step();
    EXPECT_EQ(rig.request, 0);
    rig.Step();
    EXPECT_EQ(rig.request, 0);
    // ready high for many Runs is one measurement.
    rig.ack = 0;
    rig.ready = 1;
    rig.heo = 1;
    for (int i = 0; i < 4; ++i) rig.Step();
    EXPECT_EQ(rig.request, 1);
    EXPECT_EQ(rig.eqLevel, 2);
    EXPECT_EQ(rig.block.EyeCount(), 2);
}

TEST_F(AdaptTest, InitializeStartsOver)
{
    AdaptRig rig(1, 0);
    rig.Start();
    rig.Measure(1, 1, 0);
    rig.Measure(9, 20, 0);
    rig.Measure(10, 20, 0);
    ASSERT_EQ(rig.eqLevel, 3);
    const std::string before = ReadAll("Adapt.txt");
    ASSERT_TRUE(rig.block.Initialize());
    rig.Step();  // start still 1: a new beginning
    EXPECT_EQ(rig.eqLevel, 0);
    EXPECT_EQ(rig.request, 1);
    EXPECT_EQ(rig.ctleDone, 0);
    EXPECT_EQ(rig.block.EyeCount(), 1);
    rig.Measure(1, 1, 0);  // phase 1 again, from setting 0
    EXPECT_EQ(rig.eqLevel, 2);
    EXPECT_EQ(ReadAll("Adapt.txt"), before + kBegin + Row(0, {0, 0, 0, 0, 0}, 1, 1, 0));
}

TEST_F(AdaptTest, UnopenableFileDoesNotStopTheAdaptation)
{
    ASSERT_EQ(mkdir("Adapt.txt", 0700), 0);
    AdaptRig rig(1, 0);
    rig.Start();
    rig.Measure(1, 1, 0);
    rig.Measure(9, 20, 0);
    EXPECT_EQ(rig.eqLevel, 2);
    EXPECT_EQ(rig.request, 1);
    ASSERT_EQ(rmdir("Adapt.txt"), 0);
    rig.Measure(10, 20, 0);
    EXPECT_EQ(rig.eqLevel, 3);
    EXPECT_EQ(ReadAll("Adapt.txt"), Row(2, {0, 0, 0, 0, 0}, 10, 20, 0));
}

TEST_F(AdaptTest, InstancesAppendInRunOrder)
{
    AdaptRig a(1, 0), b(1, 0);
    a.Start();
    b.Start();
    a.Measure(1, 1, 0);
    b.Measure(2, 2, 0);
    a.Measure(3, 3, 0);
    EXPECT_EQ(ReadAll("Adapt.txt"), std::string(kBegin) + kBegin + Row(0, {0, 0, 0, 0, 0}, 1, 1, 0) +
                                        Row(0, {0, 0, 0, 0, 0}, 2, 2, 0) + Row(2, {0, 0, 0, 0, 0}, 3, 3, 0));
}

}  // namespace

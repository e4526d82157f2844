// One check with its findings as records (chkrun) and the call API over it
// (chkapi): the type from the name, each check counted alone and forgetting
// the last folder, each AMI file checked once per .ibs file, calls from
// several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "checker/chkapi.h"
#include "checker/chkrun.h"
#include "tests/checker/checker_fixture.h"

namespace {

class ChkApiTest : public CheckerFixture {
protected:
    // A passing 4.2 file, or one failing at line 2 when fileName differs.
    std::string Ibs(const std::string& name, const std::string& fileName)
    {
        return Write(name, Lines({"[IBIS Ver] 4.2", "[File Name] " + fileName, "[File Rev] 1.0", kComponent, "[End]"}));
    }
};

TEST_F(ChkApiTest, TypeFromTheExtensionWithoutRegardToCase)
{
    const std::pair<const char*, int> cases[] = {
        {"a.pkg", FILE_TYPE_PKG}, {"d/A.PKG", FILE_TYPE_PKG}, {"b.Ebd", FILE_TYPE_EBD}, {"c.AMI", FILE_TYPE_AMI},
        {"d.ibs", FILE_TYPE_IBS}, {"e", FILE_TYPE_IBS},       {"f.txt", FILE_TYPE_IBS}, {"g.ami/h", FILE_TYPE_IBS}};
    for (const auto& c : cases) EXPECT_EQ(CHKRUN_TypeFromName(c.first), c.second) << c.first;
}

TEST_F(ChkApiTest, EachCheckIsCountedAloneAndForgetsTheLastFolder)
{
    const std::string bad = Ibs("bad.ibs", "other.ibs");
    Ibs("near.ibs", "near.ibs");
    for (int round = 0; round < 3; ++round) {
        CHKRUN_RESULT r;
        EXPECT_EQ(CHKRUN_CheckCollected(bad.c_str(), CHKRUN_OPTIONS(), &r), CHKRUN_FAILED);
        ASSERT_EQ(r.findings.size(), 1u) << round;
        EXPECT_EQ(r.ulErrors, 1u) << round;
        const CHKRUN_FINDING& f = r.findings[0];
        EXPECT_EQ(f.iCode * 100 + f.ulLine, 101402u);
        EXPECT_EQ(f.file, bad);
        // A bare name is looked for in the working folder, not beside the
        // file checked before.
        EXPECT_EQ(CHKRUN_CheckCollected("near.ibs", CHKRUN_OPTIONS(), &r), CHKRUN_UNREADABLE) << round;
    }
    EXPECT_EQ(Take(), "") << "a collected check prints nothing";
}

TEST_F(ChkApiTest, EachAmiAndCodeFileIsCheckedOncePerIbsFile)
{
    Write("one.ami", "(m (Model_Specific (p (Usage In))))\n");  // one fault: E4622
    std::vector<std::string> l = {"[IBIS Ver] 5.0", "[File Name] twice.ibs", "[File Rev] 1.0"};
    for (const char* model : {"rx", "rx2"}) {
        l.push_back(std::string("[Model] ") + model);
        for (const char* s : {"Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p",
                              "[Voltage Range] 5 4.5 5.5", "[Algorithmic Model]",
                              "Executable Linux_gcc_64 nocode.so one.ami", "Executable Linux_gcc_32 nocode.so one.ami",
                              "Executable Windows_vc_64 nocode.dll one.ami", "[End Algorithmic Model]"})
            l.push_back(s);
    }
    l.push_back(kComponent);
    l.push_back("[End]");
    CHKRUN_RESULT r;
    CHKRUN_CheckCollected(Write("twice.ibs", Lines(l)).c_str(), CHKRUN_OPTIONS(), &r);
    int ami = 0, so = 0, dll = 0;
    for (const CHKRUN_FINDING& f : r.findings) {
        ami += f.iCode == 4622 && f.file == m_dir + "/one.ami";
        so += f.iCode == 4616 && f.text.find("nocode.so") != std::string::npos;
        dll += f.iCode == 4616 && f.text.find("nocode.dll") != std::string::npos;
    }
    EXPECT_EQ(ami * 100 + so * 10 + dll, 111);
}

TEST_F(ChkApiTest, CallApiGivesRecordsVerdictsAndRefusesBadArguments)
{
    const std::string good = Ibs("good.ibs", "good.ibs"), bad = Ibs("bad.ibs", "other.ibs");
    gbSuppressCautions = 1;
    gbOldStyleErrors = 0;
    const struct {
        std::string path;
        int status, code;  // code of the first finding, 0 for none
    } cases[] = {{good, IBISCHK_PASSED, 0}, {bad, IBISCHK_FAILED, 1014}, {m_dir + "/no.ibs", IBISCHK_UNREADABLE, 1905}};
    for (const auto& c : cases) {
        IBISCHK_RESULT* r = IBISCHK_CheckFile(c.path.c_str(), IBISCHK_TYPE_AUTO, IBISCHK_CAUTIONS);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(IBISCHK_Status(r), c.status) << c.path;
        IBISCHK_FINDING f = {};
        EXPECT_EQ(IBISCHK_GetFinding(r, 0, &f), c.code ? 1 : 0) << c.path;
        EXPECT_EQ(c.code ? f.iCode : 0, c.code);
        if (c.code) {
            EXPECT_EQ(f.pszFile + std::string(" ") + f.pszSeverity, c.path + " error");
        }
        EXPECT_EQ(IBISCHK_GetFinding(r, IBISCHK_FindingCount(r), &f), 0);
        unsigned long errors = 99;
        IBISCHK_GetCounts(r, nullptr, &errors, nullptr, nullptr, nullptr);
        EXPECT_EQ(errors, IBISCHK_FindingCount(r)) << c.path;
        IBISCHK_Free(r);
    }
    EXPECT_EQ(gbSuppressCautions * 10 + gbOldStyleErrors, 10) << "the host's switches are put back";
    EXPECT_EQ(IBISCHK_CheckFile(nullptr, 0, 0), nullptr);
    EXPECT_EQ(IBISCHK_CheckFile(good.c_str(), 5, 0), nullptr);
    EXPECT_EQ(IBISCHK_CheckText("x", 1, "a/b.ibs", 0, 0), nullptr);
    EXPECT_EQ(IBISCHK_Status(nullptr), -1);
    // A text from memory: named as given, its type from that name.
    const std::string text = Lines({"[IBIS Ver] 4.2", "[File Name] mem.ibs", "[File Rev] 1.0", kComponent, "[End]"});
    for (const auto& c : {std::make_pair("mem.ibs", IBISCHK_PASSED), std::make_pair("mem.pkg", IBISCHK_FAILED)}) {
        IBISCHK_RESULT* r = IBISCHK_CheckText(text.data(), text.size(), c.first, IBISCHK_TYPE_AUTO, 0);
        EXPECT_EQ(IBISCHK_Status(r), c.second) << c.first;
        IBISCHK_Free(r);
    }
}

TEST_F(ChkApiTest, CallsFromSeveralThreadsEachCountAlone)
{
    const std::string paths[2] = {Ibs("good.ibs", "good.ibs"), Ibs("bad.ibs", "other.ibs")};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                IBISCHK_RESULT* r = IBISCHK_CheckFile(paths[t % 2].c_str(), IBISCHK_TYPE_IBS, 0);
                unsigned long errors = 0;
                IBISCHK_GetCounts(r, nullptr, &errors, nullptr, nullptr, nullptr);
                if (IBISCHK_Status(r) != t % 2 || errors + IBISCHK_FindingCount(r) != 2u * (t % 2)) ++wrong;
                IBISCHK_Free(r);
            }
        });
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace

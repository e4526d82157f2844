// One check with its findings as records (chkrun) and the call API over it
// (chkapi): the type from the name, each check counted alone, the stored
// directory not carried from one check to the next, each AMI file checked
// once per .ibs file, and calls from several threads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "checker/chkapi.h"
#include "checker/chkrun.h"
#include "tests/checker/checker_fixture.h"

namespace {

const std::vector<std::string> kGood = {"[IBIS Ver] 4.2", "[File Name] good.ibs", "[File Rev] 1.0", kComponent,
                                        "[End]"};

class ChkApiTest : public CheckerFixture {
protected:
    std::string Good(const std::string& name, const std::string& fileNameLine)
    {
        std::vector<std::string> l = kGood;
        l[1] = "[File Name] " + fileNameLine;
        return Write(name, Lines(l));
    }
};

TEST_F(ChkApiTest, TypeFromTheExtensionWithoutRegardToCase)
{
    const struct {
        const char* path;
        int type;
    } cases[] = {{"a.pkg", FILE_TYPE_PKG}, {"dir/A.PKG", FILE_TYPE_PKG}, {"b.Ebd", FILE_TYPE_EBD},
                 {"c.AMI", FILE_TYPE_AMI}, {"d.ibs", FILE_TYPE_IBS},      {"e", FILE_TYPE_IBS},
                 {"f.txt", FILE_TYPE_IBS}, {"g.ami/h", FILE_TYPE_IBS},    {"x.ami.bak", FILE_TYPE_IBS}};
    for (const auto& c : cases) EXPECT_EQ(CHKRUN_TypeFromName(c.path), c.type) << c.path;
}

TEST_F(ChkApiTest, EachCheckIsCountedAloneAndForgetsTheLastFolder)
{
    const std::string bad = Good("bad.ibs", "other.ibs");
    Good("near.ibs", "near.ibs");
    for (int round = 0; round < 3; ++round) {
        CHKRUN_RESULT r;
        EXPECT_EQ(CHKRUN_CheckCollected(bad.c_str(), CHKRUN_OPTIONS(), &r), CHKRUN_FAILED);
        ASSERT_EQ(r.findings.size(), 1u) << round;
        EXPECT_EQ(r.ulErrors, 1u) << round;
        EXPECT_EQ(r.findings[0].iCode, 1014);
        EXPECT_EQ(r.findings[0].ulLine, 2u);
        EXPECT_EQ(r.findings[0].file, bad);
        // A bare name is looked for in the working folder, not in the folder
        // of the file checked before.
        EXPECT_EQ(CHKRUN_CheckCollected("near.ibs", CHKRUN_OPTIONS(), &r), CHKRUN_UNREADABLE) << round;
    }
    EXPECT_EQ(Take(), "") << "a collected check prints nothing";
}

TEST_F(ChkApiTest, EachAmiFileIsCheckedOncePerIbsFile)
{
    // Two models, five Executable lines, one AMI file with one fault.
    Write("one.ami", "(m (Model_Specific (p (Usage In))))\n");
    std::vector<std::string> l = {"[IBIS Ver] 5.0", "[File Name] twice.ibs", "[File Rev] 1.0"};
    for (const char* model : {"rx", "rx2"}) {
        for (const std::string& s : {std::string("[Model] ") + model, std::string("Model_type Input"),
                                     std::string("Vinl = 0.8"), std::string("Vinh = 2.0"), std::string("C_comp 1p 1p 1p"),
                                     std::string("[Voltage Range] 5 4.5 5.5"), std::string("[Algorithmic Model]"),
                                     std::string("Executable Linux_gcc_64 nocode.so one.ami"),
                                     std::string("Executable Linux_gcc_32 nocode.so one.ami"),
                                     std::string("Executable Windows_vc_64 nocode.dll one.ami"),
                                     std::string("[End Algorithmic Model]")})
            l.push_back(s);
    }
    l.push_back(kComponent);
    l.push_back("[End]");
    CHKRUN_RESULT r;
    CHKRUN_CheckCollected(Write("twice.ibs", Lines(l)).c_str(), CHKRUN_OPTIONS(), &r);
    int ami = 0, nocode = 0, nodll = 0;
    for (const CHKRUN_FINDING& f : r.findings) {
        ami += f.iCode == 4622;
        nocode += f.iCode == 4616 && f.text.find("nocode.so") != std::string::npos;
        nodll += f.iCode == 4616 && f.text.find("nocode.dll") != std::string::npos;
        if (f.iCode == 4622) EXPECT_EQ(f.file, m_dir + "/one.ami");
    }
    EXPECT_EQ(ami, 1);
    EXPECT_EQ(nocode, 1);
    EXPECT_EQ(nodll, 1);
}

TEST_F(ChkApiTest, CallApiRecordsVerdictsAndRefusals)
{
    const std::string good = Good("good.ibs", "good.ibs");
    const std::string bad = Good("bad.ibs", "other.ibs");
    gbSuppressCautions = 1;
    gbOldStyleErrors = 0;
    const struct {
        std::string path;
        int status;
        int code;
    } cases[] = {{good, IBISCHK_PASSED, -2}, {bad, IBISCHK_FAILED, 1014}, {m_dir + "/none.ibs", IBISCHK_UNREADABLE, 1905}};
    for (const auto& c : cases) {
        IBISCHK_RESULT* r = IBISCHK_CheckFile(c.path.c_str(), IBISCHK_TYPE_AUTO, IBISCHK_CAUTIONS);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(IBISCHK_Status(r), c.status) << c.path;
        IBISCHK_FINDING f;
        EXPECT_EQ(IBISCHK_GetFinding(r, 0, &f), c.code != -2 ? 1 : 0) << c.path;
        if (c.code != -2) {
            EXPECT_EQ(f.iCode, c.code);
            EXPECT_STREQ(f.pszSeverity, "error");
            EXPECT_EQ(f.pszFile, c.path);
        }
        EXPECT_EQ(IBISCHK_GetFinding(r, IBISCHK_FindingCount(r), &f), 0);
        unsigned long errors = 99;
        IBISCHK_GetCounts(r, nullptr, &errors, nullptr, nullptr, nullptr);
        EXPECT_EQ(errors, IBISCHK_FindingCount(r)) << c.path;
        IBISCHK_Free(r);
    }
    // The host's switches are put back after each call.
    EXPECT_EQ(gbSuppressCautions, 1);
    EXPECT_EQ(gbOldStyleErrors, 0);
    EXPECT_EQ(IBISCHK_CheckFile(nullptr, 0, 0), nullptr);
    EXPECT_EQ(IBISCHK_CheckFile(good.c_str(), 5, 0), nullptr);
    EXPECT_EQ(IBISCHK_CheckText("x", 1, "a/b.ibs", 0, 0), nullptr);
    EXPECT_EQ(IBISCHK_CheckText("x", 1, "", 0, 0), nullptr);
    EXPECT_EQ(IBISCHK_Status(nullptr), -1);
    IBISCHK_Free(nullptr);

    std::vector<std::string> l = kGood;
    l[1] = "[File Name] mem.ibs";
    const std::string text = Lines(l);
    IBISCHK_RESULT* r = IBISCHK_CheckText(text.data(), text.size(), "mem.ibs", IBISCHK_TYPE_AUTO, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(IBISCHK_Status(r), IBISCHK_PASSED);
    IBISCHK_Free(r);
    r = IBISCHK_CheckText(text.data(), text.size(), "mem.pkg", IBISCHK_TYPE_AUTO, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(IBISCHK_Status(r), IBISCHK_FAILED) << "checked as a .pkg file by its name";
    IBISCHK_Free(r);
    EXPECT_STRNE(IBISCHK_Version(), "");
}

TEST_F(ChkApiTest, CallsFromSeveralThreadsEachCountAlone)
{
    const std::string good = Good("good.ibs", "good.ibs");
    const std::string bad = Good("bad.ibs", "other.ibs");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::string& path = t % 2 ? bad : good;
            for (int i = 0; i < 40; ++i) {
                IBISCHK_RESULT* r = IBISCHK_CheckFile(path.c_str(), IBISCHK_TYPE_IBS, 0);
                unsigned long errors = 0;
                IBISCHK_GetCounts(r, nullptr, &errors, nullptr, nullptr, nullptr);
                if (!r || IBISCHK_Status(r) != t % 2 || errors != static_cast<unsigned long>(t % 2) ||
                    IBISCHK_FindingCount(r) != static_cast<size_t>(t % 2))
                    ++wrong;
                IBISCHK_Free(r);
            }
        });
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace

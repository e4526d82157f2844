// The command-line layer: results handed from a child to the parent, URIs and
// JSON texts of any bytes, folders walked; and ibis_checker over many files
// (argument order, worst status, --jobs, folders, missing paths), the type
// from the extension, --help and --version.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "checkcli/batch.h"
#include "checkcli/report.h"
#include "checker/chkapi.h"
#include "tests/checker/checker_fixture.h"
#include "tests/checker/run_program.h"

namespace {

const std::string kDriver = std::string(AMI_BUILD_DIR) + "/ibis_checker";

class CheckCliTest : public CheckerFixture {
protected:
    std::string Ibs(const std::string& name, const std::string& fileNameLine)
    {
        return Write(name, Lines({"[IBIS Ver] 4.2", "[File Name] " + fileNameLine, "[File Rev] 1.0", kComponent,
                                  "[End]"}));
    }
    std::string Dir(const std::string& name)
    {
        const std::string d = m_dir + "/" + name;
        EXPECT_EQ(mkdir(d.c_str(), 0700), 0) << d;
        m_dirs.insert(m_dirs.begin(), d);
        return d;
    }
    void TearDown() override
    {
        for (const std::string& f : m_files) std::remove(f.c_str());
        m_files.clear();
        for (const std::string& d : m_dirs) rmdir(d.c_str());  // deepest first
        CheckerFixture::TearDown();
    }
    std::vector<std::string> m_dirs;
};

CHKRUN_RESULT OddResult()
{
    CHKRUN_RESULT r;
    r.path = "dir/a b.ibs";
    r.iStatus = CHKRUN_FAILED;
    r.ulErrors = 2;
    r.ulNotes = 1;
    r.findings.push_back({'E', 1014, 2, "dir/a b.ibs", "quote \" back \\ tab\t nl\nend"});
    r.findings.push_back({'E', -1, 0, "dir/x.ami", std::string("bytes \x01\x7f\xe9\xff", 10)});
    r.findings.push_back({'N', 1110, 815, "dir/u.ibs", ""});
    return r;
}

TEST_F(CheckCliTest, ResultsSurviveTheTripFromChildToParentAndCutOnesAreRefused)
{
    const CHKRUN_RESULT r = OddResult();
    FILE* f = std::tmpfile();
    CHKCLI_WriteResult(f, r);
    const long size = std::ftell(f);
    for (long cut : {size, size - 1, size / 2, 0L}) {
        ASSERT_EQ(ftruncate(fileno(f), cut), 0);
        std::fflush(f);
        std::rewind(f);
        CHKRUN_RESULT back;
        ASSERT_EQ(CHKCLI_ReadResult(f, &back), cut == size) << cut;
        if (cut < size) continue;
        EXPECT_EQ(back.path + std::to_string(back.iStatus) + std::to_string(back.ulNotes), r.path + "11");
        ASSERT_EQ(back.findings.size(), r.findings.size());
        for (size_t i = 0; i < r.findings.size(); ++i) {
            const CHKRUN_FINDING &x = back.findings[i], &y = r.findings[i];
            EXPECT_TRUE(x.cKind == y.cKind && x.iCode == y.iCode && x.ulLine == y.ulLine && x.file == y.file &&
                        x.text == y.text)
                << i;
        }
    }
    std::fclose(f);
}

TEST_F(CheckCliTest, ReportsEscapeAnyBytesAndUrisAreEncoded)
{
    const CHKRUN_RESULT r = OddResult();
    const nlohmann::json doc = nlohmann::json::parse(CHKCLI_JsonReport({r}));
    const nlohmann::json& m = doc["files"][0]["messages"];
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0]["text"], r.findings[0].text);
    EXPECT_EQ(m[0]["line"], 2);
    EXPECT_TRUE(m[1]["code"].is_null());
    EXPECT_TRUE(m[1]["line"].is_null());
    EXPECT_EQ(m[1]["text"], "bytes \x01\x7f\xc3\xa9\xc3\xbf") << "bytes above 127 read as Latin-1";
    EXPECT_EQ(doc["files"][0]["verdict"], "Failed");
    EXPECT_EQ(doc["status"], 1);
    const struct {
        const char* path;
        const char* uri;
    } uris[] = {{"a.ibs", "a.ibs"}, {"/abs/x y.ibs", "file:///abs/x%20y.ibs"}, {"d/%#?.ibs", "d/%25%23%3F.ibs"},
                {"\xe9.ibs", "%E9.ibs"}};
    for (const auto& u : uris) EXPECT_EQ(CHKCLI_PathUri(u.path), u.uri) << u.path;
    EXPECT_EQ(CHKCLI_TextSummary({0, 1, 2, 1}), "\n4 files: 1 passed, 2 failed, 1 could not be read\n");
}

TEST_F(CheckCliTest, ManyFilesKeepArgumentOrderAndExitWithTheWorst)
{
    const std::string good = Ibs("good.ibs", "good.ibs");
    const std::string bad = Ibs("bad.ibs", "other.ibs");
    const std::string missing = m_dir + "/missing.ibs";
    // Each file's text is what it prints alone.
    std::string alone;
    for (const std::string& f : {bad, good, bad}) alone += RunProgram({kDriver, "-numbered", f}).out;
    const struct {
        std::vector<std::string> files;
        int status;
    } cases[] = {{{good, good}, 0}, {{bad, good, bad}, 1}, {{good, missing, bad}, 2}};
    for (const auto& c : cases) {
        std::string first;
        for (const char* jobs : {"1", "3"}) {
            std::vector<std::string> args = {kDriver, "-numbered", "--jobs", jobs};
            args.insert(args.end(), c.files.begin(), c.files.end());
            const ProgramResult r = RunProgram(args);
            EXPECT_EQ(r.status, c.status) << jobs << r.out;
            if (first.empty()) first = r.out;
            EXPECT_EQ(r.out, first) << "--jobs changes nothing but the speed";
            EXPECT_EQ(r.err.empty(), c.status != 2) << r.err;
        }
        if (c.status == 1) {
            EXPECT_EQ(first, alone + "\n3 files: 1 passed, 2 failed, 0 could not be read\n");
        }
    }
    ProgramResult r = RunProgram({kDriver, missing});
    EXPECT_NE(r.err.find("'" + missing + "': no such file or folder"), std::string::npos) << r.err;
    r = RunProgram({kDriver, good, "-numbered"});
    EXPECT_EQ(r.status, 2) << "flags come before the files";
}

TEST_F(CheckCliTest, AFolderIsCheckedFileByFileAndAnEmptyOneIsNamed)
{
    const std::string top = Dir("lib");
    Dir("lib/deep");
    Ibs("lib/good.IBS", "good.IBS");
    Ibs("lib/deep/bad.ibs", "other.ibs");
    Write("lib/notes.txt", "x\n");
    Write("lib/deep/old.ibs.orig", "x\n");
    ProgramResult r = RunProgram({kDriver, "--format", "json", top});
    EXPECT_EQ(r.status, 1);
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    ASSERT_EQ(doc["files"].size(), 2u) << r.out;
    EXPECT_EQ(doc["files"][0]["file"], top + "/deep/bad.ibs");
    EXPECT_EQ(doc["files"][1]["file"], top + "/good.IBS");
    const std::string empty = Dir("none");
    r = RunProgram({kDriver, empty});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("folder '" + empty + "' holds no"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Unable To Open File"), std::string::npos);
}

// The type follows the extension when no flag is given: the same output as
// with the flag; a flag that contradicts the extension keeps its message.
TEST_F(CheckCliTest, TypeFollowsTheExtensionUnlessAFlagSaysOtherwise)
{
    const std::string ami = Write("p.AMI", "(m (Model_Specific (p (Usage In))))\n");
    const std::string pkg = Write("p.pkg", Lines({"[IBIS Ver] 3.2", "[File Name] p.pkg", "[File Rev] 1",
                                                  "[Define Package Model] pm", "[Manufacturer] x", "[OEM] y",
                                                  "[Description] z", "[Number Of Pins] 1", "[Pin Numbers]", "1",
                                                  "[End Package Model]", "[End]"}));
    for (const auto& c : {std::make_pair(ami, "-ami"), std::make_pair(pkg, "-pkg")}) {
        const ProgramResult withFlag = RunProgram({kDriver, "-numbered", c.second, c.first});
        const ProgramResult without = RunProgram({kDriver, "-numbered", c.first});
        EXPECT_EQ(without.out, withFlag.out) << c.first;
        EXPECT_EQ(without.status, withFlag.status) << c.first;
        EXPECT_EQ(without.out.find("E1900"), std::string::npos) << without.out;
    }
    const ProgramResult r = RunProgram({kDriver, "-numbered", "-ebd", pkg});
    EXPECT_NE(r.out.find("E1902 - File Name Requires '.ebd' Extension."), std::string::npos) << r.out;
}

TEST_F(CheckCliTest, HelpNamesVersionsFlagsAndExitCodesAndEveryProgramHasAVersion)
{
    const ProgramResult r = RunProgram({kDriver, "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* s : {"2.0, 2.1, 3.0, 3.1, 3.2, 4.0, 4.1, 4.2, 5.0, 5.1, 6.0, 6.1, 7.0, 7.1, 7.2", "-caution", "-numbered", "-ebd", "--format F",
                          "--jobs N", "--version", "Exit status", "  0  every file passed", "  1  at least one",
                          "  2  bad usage"})
        EXPECT_NE(r.out.find(s), std::string::npos) << s;
    for (const char* prog : {"ibis_checker", "amisim", "ami_host"}) {
        const ProgramResult v = RunProgram({std::string(AMI_BUILD_DIR) + "/" + prog, "--version"});
        EXPECT_EQ(v.status, 0) << prog;
        EXPECT_EQ(v.out, std::string(prog) + " " + IBISCHK_Version() + "\n") << prog;
    }
}

}  // namespace

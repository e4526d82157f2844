// The ibis_checker program: usage, options in any order, exit status, print
// styles; the package-model lookup over a directory; and the run over every
// file of the shared corpus (skipped when the corpus is absent).
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "checker/pkgmdl.h"
#include "tests/checker/checker_fixture.h"
#include "tests/checker/run_program.h"

namespace {

const std::string kDriver = std::string(AMI_BUILD_DIR) + "/ibis_checker";

const std::vector<std::string> kGoodIbs = {"[IBIS Ver] 4.2", "[File Name] good.ibs", "[File Rev] 1.0",
                                           kComponent, "[End]"};

class DriverTest : public CheckerFixture {};

TEST_F(DriverTest, HelpAndBadUsage)
{
    ProgramResult r = RunProgram({kDriver, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nIBISfile validation:\n"), std::string::npos);
    EXPECT_NE(r.out.find("Usage: ibis_checker       <IBS filename>\n"), std::string::npos);
    EXPECT_NE(r.out.find("     : ibis_checker  -caution -numbered -ami <AMI filename>\n"), std::string::npos);
    EXPECT_NE(r.out.find("The flags prior to the file name can be in any order, and the -caution and/or -numbered "
                         "flags are optional."),
              std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {kDriver}, {kDriver, "-bogus", "x.ibs"}, {kDriver, "-pkg", "-ebd", "x.ebd"}, {kDriver, "a.ibs", "-pkg"},
             {kDriver, "-numbered"}}) {
        r = RunProgram(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    }
}

TEST_F(DriverTest, ExitStatusAndVerdict)
{
    const std::string good = Write("good.ibs", Lines(kGoodIbs));
    ProgramResult r = RunProgram({kDriver, good});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "\nChecking " + good + " for IBIS 4.2 Compatibility...\n\nErrors  : 0\n\nFile Passed\n");

    std::vector<std::string> bad = kGoodIbs;
    bad[1] = "[File Name] other.ibs";
    const std::string badPath = Write("bad.ibs", Lines(bad));
    r = RunProgram({kDriver, badPath});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("ERROR (line    2) -\n    File name opened 'bad.ibs' not the same as File_name 'other.ibs'.\n"
                         "\nErrors  : 1\n\nFile Failed\n"),
              std::string::npos)
        << r.out;
    r = RunProgram({kDriver, "-numbered", badPath});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("E1014 (line    2) -\n    File name opened 'bad.ibs' not the same as File_name 'other.ibs'.\n"),
              std::string::npos)
        << r.out;

    r = RunProgram({kDriver, m_dir + "/missing.ibs"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("Unable To Open File"), std::string::npos);

    // Files found under another case or without their extension are opened
    // and judged: 1 when they fail (here: no version), never 2. An upper-case
    // name keeps the extension as written ("NAME.ibs" for "name.ibs").
    const struct {
        const char* onDisk;
        const char* asked;
        bool versioned;
        int status;
    } found[] = {{"NOVER.IBS", "nover", false, 1}, {"nover2.ibs", "NOVER2.IBS", false, 1},
                 {"UPPER.ibs", "upper.ibs", true, 1}, {"UPPER2.ibs", "upper2", true, 1}};
    for (const auto& f : found) {
        std::vector<std::string> lines = kGoodIbs;
        if (!f.versioned) lines[0] = "| no version";
        Write(f.onDisk, Lines(lines));
        r = RunProgram({kDriver, m_dir + "/" + f.asked});
        EXPECT_EQ(r.status, f.status) << f.asked << "\n" << r.out;
        EXPECT_EQ(r.out.find("Unable To Open File"), std::string::npos) << f.asked << "\n" << r.out;
        EXPECT_NE(r.out.find("File Failed"), std::string::npos) << f.asked << "\n" << r.out;
    }
}

TEST_F(DriverTest, HostProgramsSetTheLibrarysSwitches)
{
    for (const char* lib : {"rx_ami", "tx_ami"}) {
        const ProgramResult r = RunProgram({std::string(AMI_BUILD_DIR) + "/switch_host_" + lib});
        EXPECT_EQ(r.status, 0) << lib;
        EXPECT_EQ(r.out, "E1923 - Numerical value expected\nC0182 - Vmeas is <= Vinl for model m\n") << lib;
    }
}

TEST_F(DriverTest, FlagsInAnyOrderSelectTypeAndStyle)
{
    const std::string ami = Write("p.ami", "(m (Model_Specific (p (Usage In))))\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{kDriver, "-numbered", "-caution", "-ami", ami},
          std::vector<std::string>{kDriver, "-ami", "-numbered", ami},
          std::vector<std::string>{kDriver, "-caution", "-ami", "-numbered", ami}}) {
        ProgramResult r = RunProgram(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find("for IBIS 5.0 Compatibility...\n\nE4622 - No Reserved_Parameters found\n"),
                  std::string::npos)
            << r.out;
    }
    const std::string pkg = Write("p.pkg", Lines({"[IBIS Ver] 3.2", "[File Name] p.pkg", "[File Rev] 1",
                                                  "[Define Package Model] pm", "[Manufacturer] x", "[OEM] y",
                                                  "[Description] z", "[Number Of Pins] 1", "[Pin Numbers]", "1",
                                                  "[End Package Model]", "[End]"}));
    ProgramResult r = RunProgram({kDriver, "-pkg", pkg});
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string ebd = Write("b.ebd", Lines({"[IBIS Ver] 3.2", "[File Name] b.ebd", "[File Rev] 1",
                                                  "[Begin Board Description] bd", "[Manufacturer] x",
                                                  "[Number Of Pins] 1", "[Pin List] signal_name", "A1 NC",
                                                  "[Reference Designator Map]", "[End Board Description]",
                                                  "[End]"}));
    r = RunProgram({kDriver, "-ebd", ebd});
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(DriverTest, PackageModelsAreFoundInTheDirectoryPkgFiles)
{
    Write("lib.PKG", Lines({"[IBIS Ver] 3.2", "| [Define Package Model] commented", "[Define Package Model]  found_pm |c",
                            "[End Package Model]", "[End]"}));
    Write("note.txt", "[Define Package Model] in_txt\n");
    EXPECT_EQ(PKGMDL_FindInDirectory((m_dir + "/").c_str(), "found_pm"), 1);
    EXPECT_EQ(PKGMDL_FindInDirectory(m_dir.c_str(), "found_pm"), 1);
    EXPECT_EQ(PKGMDL_FindInDirectory(m_dir.c_str(), "found"), 0);
    EXPECT_EQ(PKGMDL_FindInDirectory(m_dir.c_str(), "commented"), 0);
    EXPECT_EQ(PKGMDL_FindInDirectory(m_dir.c_str(), "in_txt"), 0);
    EXPECT_EQ(PKGMDL_FindInDirectory((m_dir + "/nowhere").c_str(), "found_pm"), 0);

    std::vector<std::string> lines = kGoodIbs;
    lines.insert(lines.begin() + 4, "[Package Model] found_pm");
    ExpectBothStyles(Write("good.ibs", Lines(lines)), FILE_TYPE_IBS, "", "package model of a .pkg file");
    lines[4] = "[Package Model] lost_pm";
    ExpectBothStyles(Write("good.ibs", Lines(lines)), FILE_TYPE_IBS,
                     "E0516 - Unable to find Package Model 'lost_pm' for Component 'c'\n", "package model nowhere");
}

// Every corpus file through the driver, as its type: under its stored name
// and, through a link in the private folder, under the name it has in its
// source repository (MANIFEST.tsv), which is the name its [File Name] and
// [Algorithmic Model] lines expect. Each run must end with a verdict that
// matches the exit status and print no sanitizer report.
TEST_F(DriverTest, CorpusEveryFileEndsWithAVerdict)
{
    const std::string dir = std::string(AMI_SHARED_DIR) + "/corpus";
    FILE* manifest = std::fopen((dir + "/MANIFEST.tsv").c_str(), "r");
    if (!manifest) GTEST_SKIP() << "no corpus at " << dir;
    std::vector<std::pair<std::string, std::string>> files;  // stored name, original name
    char line[8192];
    bool header = true;
    while (std::fgets(line, sizeof line, manifest)) {
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> cols;
        std::string cur;
        for (const char* p = line; *p && *p != '\n'; ++p) {
            if (*p == '\t') {
                cols.push_back(cur);
                cur.clear();
            } else {
                cur += *p;
            }
        }
        cols.push_back(cur);
        if (cols.size() < 3) continue;
        const size_t slash = cols[2].rfind('/');
        files.emplace_back(cols[0], slash == std::string::npos ? cols[2] : cols[2].substr(slash + 1));
    }
    std::fclose(manifest);
    ASSERT_FALSE(files.empty());
    for (const auto& f : files) {
        const std::string link = m_dir + "/" + f.second;
        ASSERT_EQ(symlink((dir + "/" + f.first).c_str(), link.c_str()), 0) << link;
        m_files.push_back(link);
    }
    for (const auto& f : files) {
        const char* dot = std::strrchr(f.first.c_str(), '.');
        std::string flag;
        if (dot && std::strcmp(dot, ".pkg") == 0) flag = "-pkg";
        else if (dot && std::strcmp(dot, ".ebd") == 0) flag = "-ebd";
        else if (dot && std::strcmp(dot, ".ami") == 0) flag = "-ami";
        for (const std::string& path : {dir + "/" + f.first, m_dir + "/" + f.second}) {
            std::vector<std::string> args = {kDriver, "-numbered", "-caution"};
            if (!flag.empty()) args.push_back(flag);
            args.push_back(path);
            ProgramResult r =
                RunProgram(args, {"ASAN_OPTIONS=detect_leaks=1:exitcode=86", "UBSAN_OPTIONS=exitcode=86"});
            EXPECT_TRUE(r.status == 0 || r.status == 1) << path << " exit " << r.status << "\n" << r.err;
            const bool passed = r.out.size() >= 13 && r.out.compare(r.out.size() - 13, 13, "\nFile Passed\n") == 0;
            const bool failed = r.out.size() >= 13 && r.out.compare(r.out.size() - 13, 13, "\nFile Failed\n") == 0;
            EXPECT_TRUE(passed || failed) << path;
            EXPECT_EQ(passed, r.status == 0) << path;
            EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << path << "\n" << r.err;
            EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << path << "\n" << r.err;
            std::printf("corpus: %-45s as %-30s %s\n", f.first.c_str(),
                        path.rfind(m_dir, 0) == 0 ? f.second.c_str() : "(stored name)", passed ? "Passed" : "Failed");
        }
    }
}

// The project's own IBIS-AMI kit, assembled as its installation does (the
// .ibs and .ami files beside the built libraries), passes with no error, no
// warning and no caution; each .ami file passes on its own too.
TEST_F(DriverTest, ProjectKitPassesCleanly)
{
    const std::string kit = std::string(AMI_SOURCE_DIR) + "/kit/";
    const std::string build = std::string(AMI_BUILD_DIR) + "/";
    const std::vector<std::pair<std::string, std::string>> links = {
        {kit + "vantrel_serdes.ibs", "vantrel_serdes.ibs"}, {kit + "rx_ami.ami", "rx_ami.ami"},
        {kit + "tx_ami.ami", "tx_ami.ami"},                 {build + "rx_ami.so", "rx_ami.so"},
        {build + "tx_ami.so", "tx_ami.so"}};
    for (const auto& l : links) {
        struct stat st {};
        ASSERT_EQ(stat(l.first.c_str(), &st), 0) << l.first << " is part of the project";
        const std::string to = m_dir + "/" + l.second;
        ASSERT_EQ(symlink(l.first.c_str(), to.c_str()), 0) << to;
        m_files.push_back(to);
    }
    const std::vector<std::vector<std::string>> runs = {
        {kDriver, "-caution", "-numbered", m_dir + "/vantrel_serdes.ibs"},
        {kDriver, "-caution", "-numbered", "-ami", m_dir + "/rx_ami.ami"},
        {kDriver, "-caution", "-numbered", "-ami", m_dir + "/tx_ami.ami"}};
    for (const auto& args : runs) {
        ProgramResult r = RunProgram(args);
        EXPECT_EQ(r.status, 0) << args.back() << "\n" << r.out;
        EXPECT_NE(r.out.find("\nErrors  : 0\n\nFile Passed\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("Warnings:"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("Cautions:"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("\nN"), std::string::npos) << r.out;  // no note (numbered: N....)
    }
}

}  // namespace

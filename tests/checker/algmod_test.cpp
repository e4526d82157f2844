// [Algorithmic Model]: Executable lines, the end of the group, and the file
// checks of the code and AMI parameter files it names (a nested check whose
// frame state is put back).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "checker/algmod.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"
#include "tests/checker/checker_fixture.h"

namespace {

const char* const kAmi =
    "(m (Reserved_Parameters (Init_Returns_Impulse (Usage Info) (Type Boolean) (Default False) (Description \"i\"))"
    " (GetWave_Exists (Usage Info) (Type Boolean) (Default True) (Description \"g\"))))\n";

// A version 5.0 file with one model whose [Algorithmic Model] section holds
// the given lines; `after` follows the section.
std::vector<std::string> ModelFile(const std::string& name, const std::vector<std::string>& algmod,
                                   const std::vector<std::string>& after = {"[End Algorithmic Model]"})
{
    std::vector<std::string> l = {"[IBIS Ver] 5.0", "[File Name] " + name, "[File Rev] 1.0", "[Date] d",
                                  "[Source] s", "[Model] rx", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0",
                                  "C_comp 1p 1p 1p", "[Voltage Range] 5 4.5 5.5", "[Algorithmic Model]"};
    l.insert(l.end(), algmod.begin(), algmod.end());
    l.insert(l.end(), after.begin(), after.end());
    l.push_back(kComponent);
    l.push_back("[End]");
    return l;
}

struct AlgCase {
    const char* what;
    std::vector<std::string> algmod;
    std::vector<std::string> after;
    const char* expected;  // numbered style
};

const AlgCase kAlgCases[] = {
    {"a good entry", {"Executable Linux_gcc_64 code.so good.ami"}, {"[End Algorithmic Model]"}, ""},
    {"bits 16", {"Executable Linux_gcc_16 code.so good.ami"}, {"[End Algorithmic Model]"},
     "E4606 - The Number of Bits should be 32 or 64 for Platform Linux and Compiler gcc for Algorithmic Model "
     "defined on line 12\n"},
    {"the same platform, compiler and bits twice (case aside)",
     {"Executable linux_GCC_64 code.so good.ami", "Executable Linux_gcc_64 code.so good.ami"},
     {"[End Algorithmic Model]"},
     "E4607 - Duplicate Sub-Parameter: Platform Linux Compiler gcc Bits 64 for Algorithmic Model defined on line 12\n"},
    {"three fields", {"Executable Linux_gcc_64 code.so"}, {"[End Algorithmic Model]"},
     "E4605 (line   13) -\n    Incorrect Number of Line Items (3) For Algorithmic Model: Expecting 4\n"
     "E4615 - Empty [Algorithmic Model] defined for Model rx\n"},
    {"an item on the keyword line and an unknown line",
     {"Executible Linux_gcc_64 code.so good.ami", "Executable Linux_gcc_64 code.so good.ami"},
     {"[End Algorithmic Model]"},
     "E4609 (line   13) - Unknown Line in Algorithmic Model\n"},
    {"platform, compiler, bits that do not split in three",
     {"Executable Linux_gcc code.so good.ami", "Executable Linux_gcc_64_x code.so good.ami",
      "Executable Linux_gcc_6x code.so good.ami"},
     {"[End Algorithmic Model]"},
     "E4610 (line   13) - Could not parse Platform, Compiler, Bits  for [Algorithmic Model] Executable Sub-parameter\n"
     "E4610 (line   14) - Could not parse Platform, Compiler, Bits  for [Algorithmic Model] Executable Sub-parameter\n"
     "E4613 (line   15) - Could not parse the Bits in Linux_gcc_6x for [Algorithmic Model] Executable Sub-parameter\n"
     "E4606 - The Number of Bits should be 32 or 64 for Platform Linux and Compiler gcc for Algorithmic Model "
     "defined on line 12\n"},
    {"a 45-character file name", {"Executable Linux_gcc_64 " + std::string(45, 'f') + " good.ami"},
     {"[End Algorithmic Model]"},
     "E4614 (line   13) -\n    Filename too long fffffffffffffffffffffffffffffffffffffffffffff\n"
     "E4616 - Code file ffffffffffffffffffffffffffffffffffffffffffff not found. It was defined in [Algorithmic Model] "
     "for Model rx\n"},
    {"[Model] follows without [End Algorithmic Model]; the entries are still checked",
     {"Executable Linux_gcc_16 code.so good.ami"}, {"[Model] tx", "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p",
      "[Voltage Range] 5 4.5 5.5"},
     "E0259 (line   14) - Missing [End Algorithmic Model] keyword\n"
     "E4606 - The Number of Bits should be 32 or 64 for Platform Linux and Compiler gcc for Algorithmic Model "
     "defined on line 12\n"},
    {"missing code file, AMI file without extension, missing AMI file",
     {"Executable Linux_gcc_64 nocode.so good.ami", "Executable Linux_gcc_32 code.so noext",
      "Executable Windows_gcc_32 code.so gone.ami"},
     {"[End Algorithmic Model]"},
     "E4618 - AMI parameter file gone.ami not found. It was defined in [Algorithmic Model] for Model rx\n"
     "E4617 - AMI Parameter file noext should have '.ami' extension. It was defined in [Algorithmic Model] for "
     "Model rx\n"
     "E4616 - Code file nocode.so not found. It was defined in [Algorithmic Model] for Model rx\n"},
    {"an AMI file with findings is checked as a nested file", {"Executable Linux_gcc_64 code.so bad.ami"},
     {"[End Algorithmic Model]"}, "E4622 - No Reserved_Parameters found\n"},
};

class AlgModTest : public CheckerFixture {
protected:
    void SetUp() override
    {
        CheckerFixture::SetUp();
        Write("code.so", "binary");
        Write("good.ami", kAmi);
        Write("bad.ami", "(m (Model_Specific (p (Usage In))))\n");
    }
};

TEST_F(AlgModTest, MessagesOfEachCaseInBothStyles)
{
    for (const AlgCase& c : kAlgCases)
        ExpectBothStyles(Write("a.ibs", Lines(ModelFile("a.ibs", c.algmod, c.after))), FILE_TYPE_IBS, c.expected,
                         c.what);
}

TEST_F(AlgModTest, TreeIsKeptAndFrameStateRestoredAfterTheNestedCheck)
{
    const std::string path = Write("k.ibs", Lines(ModelFile("k.ibs", {"Executable Linux_gcc_64 code.so good.ami"})));
    ASSERT_EQ(INIT(), 1);
    ASSERT_EQ(PARSE(path.c_str(), FILE_TYPE_IBS), 1);
    const unsigned long lines = PARSE_GetLineNum();
    ASSERT_EQ((TEST)(FILE_TYPE_IBS, 0), 1);
    char name[CMN_MAX_FILENAME + 1];
    PARSE_GetFileName(name);
    EXPECT_STREQ(name, "k.ibs");
    EXPECT_EQ(PARSE_GetLineNum(), lines);
    EXPECT_EQ(PARSE_GetFileType(), FILE_TYPE_IBS);
    EXPECT_EQ(PARSE_GetFileVersion(), 5);
    MDL_STRUCT* models = nullptr;
    ASSERT_EQ(IBIS_GetMdls(&models), 1);
    ASSERT_NE(models->pAlgMod, nullptr);
    ALGMOD_ENTRY* e = models->pAlgMod->pEntries;
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->szPlatform, "Linux");
    EXPECT_STREQ(e->szCompiler, "gcc");
    EXPECT_EQ(e->iBits, 64);
    EXPECT_STREQ(e->szCodeFile, "code.so");
    EXPECT_STREQ(e->szAmiFile, "good.ami");
    ASSERT_NE(e->pTree, nullptr);
    EXPECT_GE(e->pTree->iNumNodes, 1);
    FINI();
    Take();
}

TEST_F(AlgModTest, WithoutStoredDirectoryFilesAreLookedForInTheCurrentDirectory)
{
    // Records made by hand, checked with no stored directory from the
    // private folder as the current directory.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(m_dir.c_str()), 0);
    CMN_SetIbsPath("");
    MDL_STRUCT model{};
    strcpy(model.szName, "hand");
    ASSERT_EQ(ALGMOD_New("[Algorithmic Model]", &model.pAlgMod), 1);
    std::string line = "Executable Linux_gcc_64 code.so good.ami";
    ALGMOD_ReceiveLine(&line[0], model.pAlgMod);
    gbOldStyleErrors = 0;
    Take();
    ALGMOD_Test(&model);
    EXPECT_EQ(Take(), "");
    EXPECT_NE(model.pAlgMod->pEntries->pTree, nullptr);
    ALGMOD_Free(&model.pAlgMod);
    EXPECT_EQ(model.pAlgMod, nullptr);
    ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(AlgModTest, SecondKeywordReplacesTheRecord)
{
    ExpectBothStyles(Write("r.ibs", Lines(ModelFile("r.ibs", {"Executable Linux_gcc_64 code.so good.ami"},
                                                    {"[End Algorithmic Model]", "[Algorithmic Model] extra",
                                                     "Executable Linux_gcc_32 code.so good.ami",
                                                     "[End Algorithmic Model]"}))),
                     FILE_TYPE_IBS,
                     "E4601 (line   15) - Algorithmic Model: Already Defined for this model\n"
                     "E4605 (line   15) -\n    Incorrect Number of Line Items (2) For Algorithmic Model: Expecting 1\n",
                     "second [Algorithmic Model]");
}

}  // namespace

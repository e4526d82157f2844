// Both libraries export the parser, the error log and the common helpers
// under their plain names, and those work when reached through dlsym.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#include "amiparam/AmiParamTree.h"
#include "tests/ami/AmiLibrary.h"

namespace {

const char* const kExported[] = {
    "GetParsedTree", "FreeParsedTree", "ScanForNodes", "ISValidBuffer", "GetValueType", "s_setStringType",
    "ERRLOG_SetOutputFile", "ERRLOG_Bugx", "ERRLOG_LineBugx", "ERRLOG_Errorx", "ERRLOG_LineErrorx",
    "ERRLOG_Warnx", "ERRLOG_LineWarnx", "ERRLOG_Cautionx", "ERRLOG_LineCautionx", "ERRLOG_Notex",
    "ERRLOG_LineNotex", "ERRLOG_BugNew", "ERRLOG_LineBugNew", "ERRLOG_ErrorNew", "ERRLOG_LineErrorNew",
    "ERRLOG_WarnNew", "ERRLOG_LineWarnNew", "ERRLOG_CautionNew", "ERRLOG_NoteNew", "ERRLOG_LineNoteNew",
    "ERRLOG_Totals", "ERRLOG_GetCounts", "ERRLOG_SuppressBugs", "ERRLOG_SuppressErrors",
    "ERRLOG_SuppressWarns", "BSearchErrorLogTable", "gbOldStyleErrors", "gbSuppressCautions",
    "CMN_malloc", "CMN_realloc", "CMN_free", "CMN_freeSetNull", "CMN_StrMake", "CMN_StrMakeN",
    "CMN_strncpy", "CMN_StrSameIC", "CMN_StrSameICn", "CMN_MatchKeyword", "CMN_ConvertToLower",
    "CMN_ConvertToUpper", "CMN_AnyUpper", "CMN_getBasename", "CMN_ultoa", "CMN_fopen", "CMN_IsWhitespace",
    "CMN_EatWhitespace", "CMN_EatNonWhitespace", "CMN_EatKeyword", "CMN_TerminateEnd",
    "IBISCHK_CheckFile", "IBISCHK_CheckText", "IBISCHK_Status", "IBISCHK_FindingCount", "IBISCHK_GetFinding",
    "IBISCHK_GetCounts", "IBISCHK_Free", "IBISCHK_Version",
    "AMI_CheckParameterValue", "AMI_SetIbsVersion", "AMI_GetIbsVersion",
};

// Internal names that must stay hidden.
const char* const kHidden[] = {"CMN_FailAllocationsAfter", "gErrorLogTable", "giErrorLogTableSize",
                               "AMITREE_StrToDouble", "gbAllowAnyLineLength", "ERRLOG_SetRecordSink",
                               "ERRLOG_ResetCounts", "HDR_VersionList"};

TEST(Exports, BothLibrariesExportThePlainNames)
{
    for (const std::string& path : {amitest::RxPath(), amitest::TxPath()}) {
        amitest::AmiLibrary lib(path);
        ASSERT_TRUE(lib.ok()) << lib.error();
        for (const char* name : kExported) EXPECT_NE(dlsym(lib.handle(), name), nullptr) << path << ": " << name;
        for (const char* name : kHidden) EXPECT_EQ(dlsym(lib.handle(), name), nullptr) << path << ": " << name;

        // The exported parser works through its plain name.
        using GetFn = int (*)(char*, PARSED_TREE**);
        using FreeFn = void (*)(PARSED_TREE**);
        auto get = reinterpret_cast<GetFn>(dlsym(lib.handle(), "GetParsedTree"));
        auto release = reinterpret_cast<FreeFn>(dlsym(lib.handle(), "FreeParsedTree"));
        ASSERT_TRUE(get && release);
        char text[] = "(M (A 1) (B x))";
        PARSED_TREE* tree = nullptr;
        ASSERT_EQ(get(text, &tree), 0) << path;
        EXPECT_EQ(tree->iNumNodes, 3);
        release(&tree);
        EXPECT_EQ(tree, nullptr);
        // The switches start set.
        EXPECT_EQ(*static_cast<int*>(dlsym(lib.handle(), "gbOldStyleErrors")), 1) << path;
        EXPECT_EQ(*static_cast<int*>(dlsym(lib.handle(), "gbSuppressCautions")), 1) << path;
    }
}

}  // namespace

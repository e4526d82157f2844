// Findings as records: the record sink sees each message as the log prints
// it (kind, code, line, text), a silent sink leaves the stream empty but the
// counts as they would be, and ResetCounts starts the counting afresh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/base/errlog_capture.h"

namespace {

struct Seen {
    char kind;
    int code;
    int hasLine;
    std::string text;
};

void Collect(const ERRLOG_RECORD* r, void* ctx)
{
    static_cast<std::vector<Seen>*>(ctx)->push_back({r->cKind, r->iCode, r->bHasLine, r->pszText});
}

class ErrlogRecordsTest : public ErrlogCapture {
protected:
    void TearDown() override
    {
        ERRLOG_SetRecordSink(nullptr, nullptr, 1);
        ErrlogCapture::TearDown();
    }
};

TEST_F(ErrlogRecordsTest, RecordsMirrorThePrintedLinesInBothStylesAndSilenceKeepsCounts)
{
    struct Case {
        void (*raise)();
        Seen want;
    };
    const Case cases[] = {
        {[] { ERRLOG_ErrorNew(1923); }, {'E', 1923, 0, "Numerical value expected"}},
        {[] { ERRLOG_LineWarnNew(1910, "a", "b", "1k5"); }, {'W', 1910, 1, "Suspicious a b Value (\"1k5\"); Numeric in Scale"}},
        {[] { ERRLOG_NoteNew(1923); }, {'N', 1923, 0, "Numerical value expected"}},
        {[] { ERRLOG_Errorx("free %d", 7); }, {'E', -1, 0, "free 7"}},
        {[] { ERRLOG_LineBugx("bug"); }, {'B', -1, 1, "bug"}},
        {[] { ERRLOG_CautionNew(1923); }, {'C', 1923, 0, "Numerical value expected"}},
    };
    for (int style = 0; style < 2; ++style) {
        for (int print = 0; print < 2; ++print) {
            gbOldStyleErrors = style;
            gbSuppressCautions = 0;
            std::vector<Seen> seen;
            ERRLOG_SetRecordSink(Collect, &seen, print);
            ERRLOG_ResetCounts();
            Take();
            for (const Case& c : cases) c.raise();
            const std::string out = Take();
            ASSERT_EQ(seen.size(), std::size(cases)) << style << print;
            for (size_t i = 0; i < seen.size(); ++i) {
                EXPECT_EQ(seen[i].kind, cases[i].want.kind) << i;
                EXPECT_EQ(seen[i].code, cases[i].want.code) << i;
                EXPECT_EQ(seen[i].hasLine, cases[i].want.hasLine) << i;
                EXPECT_EQ(seen[i].text, cases[i].want.text) << i;
                if (print) EXPECT_NE(out.find(cases[i].want.text), std::string::npos) << i << out;
            }
            if (!print) EXPECT_EQ(out, "");
            unsigned long bugs = 0, errors = 0, warnings = 0;
            ERRLOG_GetCounts(&bugs, &errors, &warnings);
            EXPECT_EQ(bugs, 1u);
            EXPECT_EQ(errors, 2u);
            EXPECT_EQ(warnings, 1u);
            EXPECT_EQ(ERRLOG_GetCautionCount(), 1u);
            ERRLOG_Totals();
            EXPECT_EQ(Take().empty(), !print) << "totals follow the sink's print switch";
        }
    }
    // Without a sink the log prints again, and suppressed kinds give no record.
    ERRLOG_SetRecordSink(nullptr, nullptr, 0);
    ERRLOG_ErrorNew(1923);
    EXPECT_NE(Take().find("Numerical value expected"), std::string::npos);
    std::vector<Seen> seen;
    ERRLOG_SetRecordSink(Collect, &seen, 0);
    gbSuppressCautions = 1;
    ERRLOG_CautionNew(1923);
    EXPECT_TRUE(seen.empty());
    ERRLOG_ResetCounts();
    unsigned long errors = 9;
    ERRLOG_GetCounts(nullptr, &errors, nullptr);
    EXPECT_EQ(errors, 0u);
}

}  // namespace

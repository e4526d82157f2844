// Findings as records: the record sink sees each message as the log raises it
// (kind, code, line, text) in both styles; a silent sink leaves the stream
// empty, totals included, but counts; ResetCounts starts the counts afresh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/base/errlog_capture.h"

namespace {

struct Seen {
    char kind;
    int code, hasLine;
    std::string text;
    bool operator==(const Seen& o) const { return kind == o.kind && code == o.code && hasLine == o.hasLine && text == o.text; }
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

TEST_F(ErrlogRecordsTest, RecordsMirrorTheMessagesAndASilentSinkStillCounts)
{
    const std::vector<Seen> want = {{'E', 1923, 0, "Numerical value expected"},
                                    {'W', 1910, 1, "Suspicious a b Value (\"1k5\"); Numeric in Scale"},
                                    {'E', -1, 0, "free 7"},
                                    {'B', -1, 1, "bug"},
                                    {'C', 1923, 0, "Numerical value expected"}};
    for (int style = 0; style < 2; ++style)
        for (int print = 0; print < 2; ++print) {
            gbOldStyleErrors = style;
            gbSuppressCautions = 0;
            std::vector<Seen> seen;
            ERRLOG_SetRecordSink(Collect, &seen, print);
            ERRLOG_ResetCounts();
            Take();
            ERRLOG_ErrorNew(1923);
            ERRLOG_LineWarnNew(1910, "a", "b", "1k5");
            ERRLOG_Errorx("free %d", 7);
            ERRLOG_LineBugx("bug");
            ERRLOG_CautionNew(1923);
            ERRLOG_Totals();
            EXPECT_EQ(seen, want) << style << print;
            const std::string out = Take();
            EXPECT_EQ(out.find("Errors  : 2\n") != std::string::npos, print == 1) << out;
            EXPECT_TRUE(print || out.empty()) << out;
            unsigned long bugs = 0, errors = 0, warnings = 0;
            ERRLOG_GetCounts(&bugs, &errors, &warnings);
            EXPECT_EQ(bugs + 10 * errors + 100 * warnings, 121u);
            EXPECT_EQ(ERRLOG_GetCautionCount(), 1u);
        }
    // A suppressed kind gives no record; the reset clears every count.
    std::vector<Seen> seen;
    ERRLOG_SetRecordSink(Collect, &seen, 0);
    gbSuppressCautions = 1;
    ERRLOG_CautionNew(1923);
    EXPECT_TRUE(seen.empty());
    ERRLOG_ResetCounts();
    unsigned long errors = 9;
    ERRLOG_GetCounts(nullptr, &errors, nullptr);
    EXPECT_EQ(errors + ERRLOG_GetCautionCount(), 0u);
}

}  // namespace

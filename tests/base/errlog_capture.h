// Test fixture: sends the error log to a temporary stream and restores the
// log's switches afterwards. The counters are process-wide and never reset,
// so tests compare counts before and after.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/errlog.h"

class ErrlogCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pStream = std::tmpfile();
        ASSERT_NE(m_pStream, nullptr);
        ERRLOG_SetOutputFile(m_pStream);
        gbOldStyleErrors = 1;
        gbSuppressCautions = 1;
    }
    void TearDown() override
    {
        ERRLOG_SetOutputFile(nullptr);
        if (m_pStream) std::fclose(m_pStream);
        gbOldStyleErrors = 1;
        gbSuppressCautions = 1;
        ERRLOG_SuppressBugs(0);
        ERRLOG_SuppressErrors(0);
        ERRLOG_SuppressWarns(0);
    }
    // Everything written since the last call.
    std::string Take()
    {
        std::fflush(m_pStream);
        const long end = std::ftell(m_pStream);
        std::string text(static_cast<size_t>(end - m_lRead), '\0');
        std::fseek(m_pStream, m_lRead, SEEK_SET);
        const size_t n = std::fread(&text[0], 1, text.size(), m_pStream);
        text.resize(n);
        std::fseek(m_pStream, 0, SEEK_END);
        m_lRead = end;
        return text;
    }
    struct Counts {
        unsigned long bugs = 0, errors = 0, warnings = 0;
    };
    static Counts Now()
    {
        Counts c;
        ERRLOG_GetCounts(&c.bugs, &c.errors, &c.warnings);
        return c;
    }

    FILE* m_pStream = nullptr;
    long m_lRead = 0;
};

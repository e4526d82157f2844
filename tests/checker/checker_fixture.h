// Test fixture for whole checks: writes small files into a private temporary
// folder, runs INIT / PARSE / TEST / FINI on them with the log sent to a
// temporary stream, and gives back the message lines (the totals that FINI
// prints are taken apart). Expected lines are written in the numbered style;
// Worded() turns them into the worded style, so each case is checked in both.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/errlog.h"
#include "checker/acdc.h"
#include "checker/chk.h"
#include "checker/parse.h"
#include "tests/base/errlog_capture.h"

// A complete component that raises nothing by itself (8 lines, joined).
inline const char* const kComponent =
    "[Component] c\n[Manufacturer] m\n[Package]\nR_pkg 0.1 NA NA\nL_pkg 1n NA NA\nC_pkg 1p NA NA\n"
    "[Pin] signal_name model_name\n1 VDD POWER";

class CheckerFixture : public ErrlogCapture {
protected:
    void SetUp() override
    {
        ErrlogCapture::SetUp();
        char tmpl[] = "/tmp/ckXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        PARSE_SuppressBanners(1);
    }
    void TearDown() override
    {
        for (const std::string& f : m_files) std::remove(f.c_str());
        rmdir(m_dir.c_str());
        // Leave the frame as a fresh process has it (line 0, no stored
        // directory): other tests of this program print line numbers.
        PARSE_BeginFile(1);
        CMN_SetIbsPath("");
        PlausibilityAndDcChecks(true);
        ErrlogCapture::TearDown();
    }
    // Switches the whole-file plausibility checks (models, components,
    // submodels) and DC checks of models on or off (on at load); tests of one
    // keyword group's own rules may leave them off.
    static void PlausibilityAndDcChecks(bool on)
    {
        chk_SetCheckGate(on ? 1 : 0);
        acdc_SetCheckGate(on ? 1 : 0);
    }
    // Writes a file into the private folder and returns its path.
    std::string Write(const std::string& name, const std::string& content)
    {
        const std::string path = m_dir + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (!f) return path;
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        m_files.push_back(path);
        return path;
    }
    // One whole check; the messages without the totals. *pParsed gets
    // PARSE's result when given.
    std::string Check(const std::string& path, int type, int* pParsed = nullptr)
    {
        Take();
        EXPECT_EQ(INIT(), 1);
        const int parsed = PARSE(path.c_str(), type);
        if (parsed) (TEST)(type, 0);
        if (pParsed) *pParsed = parsed;
        const std::string messages = Take();
        FINI();
        Take();
        return messages;
    }
    // The same check in the numbered style and in the worded style: both must
    // give the expected lines (written numbered, {path} and {dir} replaced).
    void ExpectBothStyles(const std::string& path, int type, const std::string& numbered,
                          const std::string& what)
    {
        const std::string expected = Fill(numbered, path);
        gbOldStyleErrors = 0;
        EXPECT_EQ(Check(path, type), expected) << what << " (numbered)";
        gbOldStyleErrors = 1;
        EXPECT_EQ(Check(path, type), Worded(expected)) << what << " (worded)";
    }
    std::string Fill(std::string s, const std::string& path) const
    {
        for (size_t at; (at = s.find("{path}")) != std::string::npos;) s.replace(at, 6, path);
        for (size_t at; (at = s.find("{dir}")) != std::string::npos;) s.replace(at, 5, m_dir + "/");
        return s;
    }
    // Numbered line prefixes ("E0905 (line    3) - ") become worded ones
    // ("ERROR (line    3) - "); wrapped prefixes ("E0905 -\n") likewise.
    static std::string Worded(const std::string& numbered)
    {
        std::string out;
        size_t pos = 0;
        bool lineStart = true;
        while (pos < numbered.size()) {
            if (lineStart && pos + 5 <= numbered.size() && IsCodePrefix(numbered, pos)) {
                const char k = numbered[pos];
                out += k == 'E' ? "ERROR" : k == 'W' ? "WARNING" : k == 'N' ? "NOTE" : k == 'C' ? "CAUTION"
                                                                                     : "PROGRAM BUG";
                pos += 5;
                lineStart = false;
                continue;
            }
            lineStart = numbered[pos] == '\n';
            out += numbered[pos++];
        }
        return out;
    }
    static bool IsCodePrefix(const std::string& s, size_t pos)
    {
        if (std::string("EWNCB").find(s[pos]) == std::string::npos) return false;
        for (size_t i = 1; i <= 4; ++i)
            if (s[pos + i] < '0' || s[pos + i] > '9') return false;
        return pos + 5 < s.size() && s[pos + 5] == ' ';
    }
    // A file of lines joined by line feeds, with a final line feed.
    static std::string Lines(const std::vector<std::string>& lines)
    {
        std::string s;
        for (const std::string& l : lines) s += l + "\n";
        return s;
    }

    // The numbered message lines (with their wrapped continuation) whose code
    // starts with one of the prefixes ("43" keeps E4300 to W4399), so that a
    // test can leave aside what other modules and nested checks print.
    static std::string OnlyCodes(const std::string& out, std::initializer_list<const char*> prefixes)
    {
        std::string kept;
        size_t at = 0;
        while (at < out.size()) {
            size_t end = out.find('\n', at);
            if (end == std::string::npos) end = out.size();
            std::string line = out.substr(at, end - at);
            at = end + 1;
            while (at < out.size() && out.compare(at, 4, "    ") == 0) {
                size_t next = out.find('\n', at);
                if (next == std::string::npos) next = out.size();
                line += "\n" + out.substr(at, next - at);
                at = next + 1;
            }
            if (line.size() < 6 || !IsCodePrefix(line + " ", 0)) continue;
            for (const char* p : prefixes)
                if (line.compare(1, std::strlen(p), p) == 0) {
                    kept += line + "\n";
                    break;
                }
        }
        return kept;
    }

    std::string m_dir;
    std::vector<std::string> m_files;
};

// Helpers shared by the dataflow tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dftest {

// Runs f() with the standard error stream captured; returns the text that
// f() wrote there. The result of f() goes to *result when given.
template <typename F>
std::string CaptureErr(F&& f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

// The lines of a captured text (each posted message is one line).
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

}  // namespace dftest

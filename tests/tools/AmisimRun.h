// Runs the amisim program as a user runs it and reads back its JSON summary
// and what it printed.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct RunResult {
    int status = -1;
    nlohmann::json summary;
    std::string log;  // amisim's standard output and error
    // The exit status, -1 when the program did not exit normally.
    int Exit() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

RunResult Amisim(const std::string& name, const std::string& args)
{
    // One folder per process, so that builds tested side by side do not meet.
    const std::filesystem::path out = std::filesystem::path(::testing::TempDir()) / ("amisim_" + std::to_string(getpid()) + "_" + name);
    std::filesystem::remove_all(out);
    const std::string cmd = std::string(AMI_BUILD_DIR) + "/amisim --no-progress -q -o " + out.string() + " " + args +
                            " > " + (out.string() + ".log") + " 2>&1";
    RunResult r;
    r.status = std::system(cmd.c_str());
    {
        std::ifstream in(out / "amisim.json");
        if (in) in >> r.summary;
        std::ifstream log(out.string() + ".log");
        r.log.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove_all(out);
    std::filesystem::remove(out.string() + ".log");
    return r;
}

}  // namespace

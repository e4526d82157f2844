// Runs a program with arguments (no shell), capturing its standard output
// and standard error, for the tests of the command-line driver.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

struct ProgramResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

inline ProgramResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {})
{
    ProgramResult r;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return r;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&fa, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&fa, outPipe[0]);
    posix_spawn_file_actions_addclose(&fa, errPipe[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore(extraEnv);
    for (char** e = environ; *e; ++e) envStore.push_back(*e);
    std::vector<char*> env;
    for (std::string& e : envStore) env.push_back(&e[0]);
    env.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&fa);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return r;
    }
    // Drain both pipes without blocking on one while the other fills.
    fd_set fds;
    bool outOpen = true, errOpen = true;
    char buf[65536];
    while (outOpen || errOpen) {
        FD_ZERO(&fds);
        if (outOpen) FD_SET(outPipe[0], &fds);
        if (errOpen) FD_SET(errPipe[0], &fds);
        if (select((outPipe[0] > errPipe[0] ? outPipe[0] : errPipe[0]) + 1, &fds, nullptr, nullptr, nullptr) < 0)
            break;
        if (outOpen && FD_ISSET(outPipe[0], &fds)) {
            ssize_t n = read(outPipe[0], buf, sizeof buf);
            if (n <= 0) outOpen = false; else r.out.append(buf, (size_t)n);
        }
        if (errOpen && FD_ISSET(errPipe[0], &fds)) {
            ssize_t n = read(errPipe[0], buf, sizeof buf);
            if (n <= 0) errOpen = false; else r.err.append(buf, (size_t)n);
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

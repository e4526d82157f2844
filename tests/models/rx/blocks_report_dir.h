// A fresh temporary directory as the current directory for one test, so that
// the report files of the receiver blocks land there and can be read back.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

class ReportDirTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(m_acOld, sizeof m_acOld), nullptr);
        char tmpl[] = "/tmp/rxblocks-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(m_acOld), 0);
        RemoveTree(m_dir);
    }

    static bool Exists(const char* name)
    {
        struct stat st;
        return stat(name, &st) == 0;
    }
    static std::string ReadAll(const char* name)
    {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void WriteAll(const char* name, const std::string& text)
    {
        std::ofstream out(name, std::ios::binary);
        out << text;
    }

private:
    static void RemoveTree(const std::string& path)
    {
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name == "." || name == "..") continue;
                RemoveTree(path + "/" + name);
            }
            closedir(d);
            rmdir(path.c_str());
        } else {
            std::remove(path.c_str());
        }
    }

    char m_acOld[PATH_MAX];
    std::string m_dir;
};

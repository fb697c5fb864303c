// A host test that runs in a fresh temporary directory of its own, made the
// current directory for the test and removed afterwards, with the host
// platform reset; and small whole-file helpers.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/HostPlatform.h"

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetHostPlatform();
        saved_ = std::filesystem::current_path();
        char pattern[] = "/tmp/installer-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path saved_, dir_;
};

inline std::string readFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const char* name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

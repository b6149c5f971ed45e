// Small helpers the native suites share: a private folder per test and the project's own
// source files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

// A new, empty folder under the system's temporary folder, named after the running test.
inline std::filesystem::path MakeTestFolder(const std::string& prefix) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        (prefix + "_" + (test ? test->name() : "suite") + "_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    return folder;
}

// A file of the source tree, as bytes.
inline std::string ReadSourceFile(const std::string& relative) {
    std::ifstream in(std::string(KF_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

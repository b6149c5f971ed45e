// The version is set once, in the top-level CMakeLists.txt; everything that shows it must follow.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <string>

#include "kanjiforge_version.h"
#include "test_support.h"

namespace {

std::string ProjectVersion() {
    const std::string lists = ReadSourceFile("CMakeLists.txt");
    std::smatch match;
    if (!std::regex_search(lists, match,
                           std::regex(R"(project\(Kanjiforge VERSION ([0-9]+\.[0-9]+\.[0-9]+))")))
        return {};
    return match[1];
}

// Exit status and standard output of euftool with `args`.
std::pair<int, std::string> RunEuftool(const std::string& args) {
    const std::string command = std::string("'") + KF_EUFTOOL_PATH + "' " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, {}};
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int raw = pclose(pipe);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

TEST(Version, GeneratedHeaderAndEuftoolFollowTheProjectVersion) {
    const std::string version = ProjectVersion();
    ASSERT_FALSE(version.empty()) << "no project(Kanjiforge VERSION x.y.z) in CMakeLists.txt";
    EXPECT_EQ(KF_VERSION_TEXT, version);
    EXPECT_EQ(std::to_string(KF_VERSION_MAJOR) + "." + std::to_string(KF_VERSION_MINOR) + "." +
                  std::to_string(KF_VERSION_PATCH),
              version);

    EXPECT_EQ(RunEuftool("--version"), std::make_pair(0, "euftool " + version + "\n"));
    EXPECT_EQ(RunEuftool("--version extra").first, 2);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "fuzz_targets.h"

namespace fs = std::filesystem;

void FuzzCheckFailed(const char* file, int line, const char* condition) {
    ADD_FAILURE_AT(file, line) << "broken promise: " << condition;
}

// Test names show the target's name rather than its bytes.
void PrintTo(const FuzzTarget& target, std::ostream* out) { *out << target.name; }

namespace {

// A kept input: hexadecimal digits, blanks and line breaks ignored, '#' starts a comment line.
bool ParseHexCase(const std::string& text, FuzzBytes& bytes) {
    std::istringstream in(text);
    std::string line;
    std::string digits;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#') continue;
        for (char c : line) {
            if (std::isxdigit(static_cast<unsigned char>(c)))
                digits += c;
            else if (!std::isspace(static_cast<unsigned char>(c)))
                return false;
        }
    }
    if (digits.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return true;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class FuzzReplay : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzReplay, SeedsKeepEveryPromise) {
    const std::vector<FuzzBytes> seeds = GetParam().seeds();
    ASSERT_FALSE(seeds.empty());
    for (const FuzzBytes& seed : seeds) {
        ASSERT_FALSE(seed.empty());
        GetParam().run(seed.data(), seed.size());
    }
}

TEST_P(FuzzReplay, KeptRegressionInputs) {
    const fs::path folder = fs::path(KF_SOURCE_DIR) / "tests/fuzz/regressions" / GetParam().name;
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no regression inputs for " << GetParam().name;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".hex") continue;
        FuzzBytes bytes;
        ASSERT_TRUE(ParseHexCase(ReadAll(entry.path()), bytes)) << entry.path();
        SCOPED_TRACE(entry.path().string());
        GetParam().run(bytes.data(), bytes.size());
    }
}

// KF_FUZZ_CORPUS names the folder in which scripts/fuzz keeps one corpus folder per target.
TEST_P(FuzzReplay, CorpusOfEarlierRuns) {
    const char* root = std::getenv("KF_FUZZ_CORPUS");
    const fs::path folder = root ? fs::path(root) / GetParam().name : fs::path();
    if (!root || !fs::is_directory(folder)) GTEST_SKIP() << "no corpus";
    int replayed = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string data = ReadAll(entry.path());
        SCOPED_TRACE(entry.path().string());
        GetParam().run(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
        ++replayed;
    }
    RecordProperty("replayed", replayed);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(FuzzTargets()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FuzzReplayFormat, HexCases) {
    FuzzBytes bytes;
    ASSERT_TRUE(ParseHexCase("# found by fuzz_dib\n0aFF 10\n", bytes));
    EXPECT_EQ(bytes, (FuzzBytes{0x0A, 0xFF, 0x10}));
    FuzzBytes bad;
    EXPECT_FALSE(ParseHexCase("0g", bad));
    EXPECT_FALSE(ParseHexCase("abc", bad));
}

}  // namespace

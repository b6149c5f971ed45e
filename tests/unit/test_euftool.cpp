#include <gtest/gtest.h>

#include "test_support.h"
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Runs the built euftool in a private folder and collects its exit status and output.
class Euftool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeTestFolder("kf_euftool");
        ASSERT_TRUE(fs::is_directory(dir_));
    }
    void TearDown() override { fs::remove_all(dir_); }

    ToolRun Run(const std::string& args) const {
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        const std::string command = "cd '" + dir_.string() + "' && '" + KF_EUFTOOL_PATH + "' " + args +
                                    " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        ToolRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadText(out);
        run.err = ReadText(err);
        return run;
    }

    fs::path dir_;
};

// A 16 by 16 picture: a diagonal and the left column in PBM terms (1 = black).
std::string DiagonalRow(int y) {
    std::string row(16, '.');
    row[0] = row[y] = '#';
    return row;
}

std::string PlainPbm() {
    std::string text = "P1\n# diagonal\n16 16\n";
    for (int y = 0; y < 16; ++y) {
        for (char c : DiagonalRow(y)) text += c == '#' ? "1 " : "0 ";
        text += '\n';
    }
    return text;
}

TEST_F(Euftool, NewPutShowAndList) {
    ASSERT_EQ(Run("new a.euf 16").status, 0);
    ToolRun run = Run("info a.euf");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "result 0 width 16 height 16\n");

    WriteText(dir_ / "plain.pbm", PlainPbm());
    std::string raw = "P4\n16 16\n";
    for (int y = 0; y < 16; ++y)
        raw += std::string{static_cast<char>(0xFF), static_cast<char>(y == 3 ? 1 : 0)};
    WriteText(dir_ / "raw.pbm", raw);
    ASSERT_EQ(Run("put a.euf E000 plain.pbm").status, 0);
    ASSERT_EQ(Run("put a.euf f8ff raw.pbm").status, 0);

    std::string expected = "result 0 width 16 height 16\n";
    for (int y = 0; y < 16; ++y) expected += DiagonalRow(y) + "\n";
    run = Run("show a.euf E000");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected);

    run = Run("show a.euf F8FF");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(28 + 3 * 17, 17), "########.......#\n");  // row 3: 0xFF 0x01

    run = Run("list a.euf");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "E000\nF8FF\n");

    run = Run("show a.euf E001");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "result 20 width 0 height 0\n");
}

TEST_F(Euftool, UnreadableFilesGiveTheirResult) {
    ToolRun run = Run("info missing.euf");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "result 10 width 0 height 0\n");
    WriteText(dir_ / "junk.euf", std::string(300, 'j'));
    run = Run("info junk.euf");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "result 11 width 0 height 0\n");
    run = Run("list junk.euf");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("result 11"), std::string::npos);
}

TEST_F(Euftool, UsageErrors) {
    ASSERT_EQ(Run("new a.euf 8").status, 0);
    for (const char* args : {"", "info", "frob a.euf", "info a.euf extra", "show a.euf", "show a.euf E00",
                             "show a.euf DFFF", "show a.euf F900", "show a.euf 0xE0", "new b.euf 12",
                             "new b.euf 0", "new b.euf 264", "new b.euf x", "put a.euf E0000 p.pbm"}) {
        const ToolRun run = Run(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_NE(run.err.find("usage"), std::string::npos) << args;
        EXPECT_EQ(run.out, "") << args;
    }
    EXPECT_FALSE(fs::exists(dir_ / "b.euf"));
}

TEST_F(Euftool, BadPbmOrTargetFailsCleanly) {
    ASSERT_EQ(Run("new a.euf 16").status, 0);
    ASSERT_EQ(Run("put a.euf E000 good.pbm").status, 1);  // missing PBM
    const std::string before = ReadText(dir_ / "a.euf");

    WriteText(dir_ / "small.pbm", "P1 8 8\n" + std::string(64, '1'));
    WriteText(dir_ / "short.pbm", "P4 16 16\n" + std::string(31, '\0'));
    WriteText(dir_ / "bad.pbm", "P1 16 16\n" + std::string(255, '0') + "2");
    WriteText(dir_ / "text.pbm", "hello");
    WriteText(dir_ / "huge.pbm", "P4 99999999999 1\n");
    for (const char* pbm : {"small.pbm", "short.pbm", "bad.pbm", "text.pbm", "huge.pbm"}) {
        const ToolRun run = Run(std::string("put a.euf E000 ") + pbm);
        EXPECT_EQ(run.status, 1) << pbm;
        EXPECT_NE(run.err.find(pbm), std::string::npos) << pbm << ": " << run.err;
    }
    EXPECT_NE(Run("put a.euf E000 small.pbm").err.find("8 by 8"), std::string::npos);
    EXPECT_EQ(ReadText(dir_ / "a.euf"), before);

    EXPECT_EQ(Run("new a.euf 16").status, 1);  // never replaces a file
    EXPECT_EQ(ReadText(dir_ / "a.euf"), before);
    WriteText(dir_ / "p.pbm", PlainPbm());
    EXPECT_EQ(Run("put junk.euf E000 p.pbm").status, 1);
    EXPECT_FALSE(fs::exists(dir_ / "junk.euf"));
}

}  // namespace

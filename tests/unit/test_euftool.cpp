#include <gtest/gtest.h>

#include "test_support.h"
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "euftool/image_io.h"
#include "sample_images.h"

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

// ---- glyphs as images ----

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The ink of a picture file, as euftool's own readers see it.
class InkSet : public ImageSink {
  public:
    bool Begin(std::int64_t w, std::int64_t h, std::string&) override {
        width = w;
        height = h;
        return true;
    }
    void Ink(std::int64_t x, std::int64_t y) override { ink.insert({x, y}); }
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::set<std::pair<std::int64_t, std::int64_t>> ink;
};

InkSet ReadPicture(const fs::path& path) {
    const std::string text = ReadText(path);
    const std::vector<std::uint8_t> data(text.begin(), text.end());
    InkSet picture;
    std::string error;
    const bool ok = ImageFormatFromContent(data) == ImageFormat::kPng ? ReadPng(data, picture, error)
                                                                      : ReadPbm(data, picture, error);
    EXPECT_TRUE(ok) << path << ": " << error;
    return picture;
}

// A glyph-like picture: a frame, a diagonal and one stray dot.
bool Glyph(int x, int y, int size) {
    return x == 1 || y == 2 || x == size - 1 || y == size - 1 || x == y || (x == 5 && y == 9);
}

// The rows that "show" prints for a picture.
std::string ShowRows(int size, const std::function<bool(int, int)>& ink) {
    std::string rows = "result 0 width " + std::to_string(size) + " height " + std::to_string(size) + "\n";
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) rows += ink(x, y) ? '#' : '.';
        rows += '\n';
    }
    return rows;
}

TEST_F(Euftool, GetAndImportRoundTripPbmAndPngAt64And48) {
    for (int size : {64, 48}) {
        SCOPED_TRACE(size);
        const std::string file = "r" + std::to_string(size) + ".euf";
        ASSERT_EQ(Run("new " + file + " " + std::to_string(size)).status, 0);
        const auto ink = [size](int x, int y) { return Glyph(x, y, size); };
        WriteBytes(dir_ / "in.png", MakePng(PngKind::kGrey1, size, size, ink));
        ASSERT_EQ(Run("import " + file + " E000 in.png").status, 0);
        const std::string expected = ShowRows(size, ink);
        ASSERT_EQ(Run("show " + file + " E000").out, expected);

        for (const char* out : {"out.pbm", "out.png", "OUT.PNG"}) {
            ASSERT_EQ(Run("get " + file + " E000 " + out).status, 0) << out;
            const InkSet picture = ReadPicture(dir_ / out);
            EXPECT_EQ(picture.width, size);
            EXPECT_EQ(picture.height, size);
            ASSERT_EQ(Run("import " + file + " F8FF " + out).status, 0) << out;
            EXPECT_EQ(Run("show " + file + " F8FF").out, expected) << out;
        }
        EXPECT_EQ(ReadText(dir_ / "out.png").substr(1, 3), "PNG");
        EXPECT_EQ(ReadText(dir_ / "out.pbm").substr(0, 2), "P4");
    }
}

TEST_F(Euftool, PalettePng16BitGreyAndInterlacedPng) {
    ASSERT_EQ(Run("new a.euf 16").status, 0);
    // The palette holds a dark red, white and a near white (255, 255, 254) that is ink too; the 16-bit grey
    // picture's ink is 0xFFFE, one step below white.
    const auto ink = [](int x, int y) { return Glyph(x, y, 12); };
    const auto expected = ShowRows(16, [&](int x, int y) { return x < 12 && y < 10 && ink(x, y); });
    WriteBytes(dir_ / "palette.png", MakePng(PngKind::kPalette, 12, 10, ink));
    WriteBytes(dir_ / "grey16.png", MakePng(PngKind::kGrey16, 12, 10, ink));
    WriteBytes(dir_ / "rgba.png", MakePng(PngKind::kRgba8, 12, 10, ink));
    WriteBytes(dir_ / "interlaced.png", MakePng(PngKind::kGreyAlpha16, 12, 10, ink, true));
    for (const char* name : {"palette.png", "grey16.png", "rgba.png", "interlaced.png"}) {
        const ToolRun run = Run(std::string("import a.euf E000 ") + name);
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_EQ(Run("show a.euf E000").out, expected) << name;
    }
}

TEST_F(Euftool, LargerImageIsRefusedUnlessFitShrinksIt) {
    ASSERT_EQ(Run("new a.euf 64").status, 0);
    // 100 by 50: a full last column and one dot near the top left.
    const auto ink = [](int x, int y) { return x == 99 || (x == 2 && y == 3); };
    WriteBytes(dir_ / "wide.png", MakePng(PngKind::kRgb8, 100, 50, ink));
    GreyImage pbm{100, 50, {}};
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) pbm.pixels.push_back(ink(x, y) ? 0 : 255);
    WriteBytes(dir_ / "wide.pbm", EncodePbm(pbm));
    const std::string before = ReadText(dir_ / "a.euf");
    for (const char* name : {"wide.png", "wide.pbm"}) {
        const ToolRun run = Run(std::string("import a.euf E000 ") + name);
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_NE(run.err.find("100 by 50"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("--fit"), std::string::npos) << run.err;
        EXPECT_EQ(ReadText(dir_ / "a.euf"), before);
    }
    // Shrunk to 64 by 50 as the editor's paste does: x 2 -> 1, x 99 -> 63; the rest of the glyph white.
    const std::string expected =
        ShowRows(64, [](int x, int y) { return y < 50 && (x == 63 || (x == 1 && y == 3)); });
    EXPECT_EQ(Run("import --fit a.euf E000 wide.png").status, 0);
    EXPECT_EQ(Run("show a.euf E000").out, expected);
    EXPECT_EQ(Run("import a.euf E001 wide.pbm --fit").status, 0);
    EXPECT_EQ(Run("show a.euf E001").out, expected);
}

TEST_F(Euftool, TruncatedOrForeignImageLeavesTheFileUntouched) {
    ASSERT_EQ(Run("new a.euf 16").status, 0);
    WriteText(dir_ / "p.pbm", PlainPbm());
    ASSERT_EQ(Run("import a.euf E000 p.pbm").status, 0);
    const std::string before = ReadText(dir_ / "a.euf");
    const std::vector<std::uint8_t> png =
        MakePng(PngKind::kGrey8, 16, 16, [](int x, int y) { return x == y; });
    for (std::size_t cut : {png.size() - 1, png.size() - 13, std::size_t{40}, std::size_t{10}}) {
        WriteBytes(dir_ / "cut.png", std::vector<std::uint8_t>(png.begin(), png.begin() + cut));
        const ToolRun run = Run("import a.euf E000 cut.png");
        EXPECT_EQ(run.status, 1) << cut;
        EXPECT_NE(run.err.find("cut.png"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("cut short"), std::string::npos) << run.err;
    }
    WriteText(dir_ / "text.png", "hello");
    EXPECT_NE(Run("import a.euf E000 text.png").err.find("not a PBM or PNG file"), std::string::npos);
    EXPECT_EQ(Run("import a.euf E000 missing.png").status, 1);
    EXPECT_EQ(ReadText(dir_ / "a.euf"), before);
    EXPECT_FALSE(fs::exists(dir_ / "a.euf.kf-new"));
    EXPECT_EQ(Run("get a.euf E001 out.png").status, 1);  // no character stored
    EXPECT_EQ(Run("get a.euf E000 out.gif").status, 1);
    EXPECT_FALSE(fs::exists(dir_ / "out.png"));
}

TEST_F(Euftool, SheetAndExport) {
    ASSERT_EQ(Run("new a.euf 16").status, 0);
    WriteText(dir_ / "p.pbm", PlainPbm());
    // 17 characters: a full row of 16 and one in a second row.
    for (int i = 0; i < 17; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", 0xE010 + i * 3);
        ASSERT_EQ(Run(std::string("import a.euf ") + code + " p.pbm").status, 0);
    }
    ASSERT_EQ(Run("sheet a.euf sheet.png").status, 0);
    const InkSet sheet = ReadPicture(dir_ / "sheet.png");
    EXPECT_EQ(sheet.width, 16 * 17 + 1);
    EXPECT_EQ(sheet.height, 2 * 17 + 1);
    // The glyph's dots at each cell; the grey separators and unused cells count as ink too, white is the
    // glyphs' white only.
    for (int cell : {0, 15, 16}) {
        const int left = (cell % 16) * 17 + 1;
        const int top = (cell / 16) * 17 + 1;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(sheet.ink.count({left + x, top + y}) != 0, DiagonalRow(y)[x] == '#') << cell;
        EXPECT_EQ(sheet.ink.count({left - 1, top}), 1u);  // separator
    }
    EXPECT_EQ(sheet.ink.count({17 + 1, 17 + 1}), 1u);  // the unused second cell of the second row

    ASSERT_EQ(Run("export a.euf out").status, 0);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
        ++files;
        EXPECT_EQ(entry.path().extension(), ".png");
    }
    EXPECT_EQ(files, 17);
    ASSERT_TRUE(fs::exists(dir_ / "out" / "E040.png"));
    ASSERT_EQ(Run("import a.euf F000 out/E040.png").status, 0);
    EXPECT_EQ(Run("show a.euf F000").out, Run("show a.euf E040").out);

    ASSERT_EQ(Run("new empty.euf 16").status, 0);
    EXPECT_EQ(Run("sheet empty.euf s.png").status, 1);
    EXPECT_EQ(Run("import a.euf E000").status, 2);
    EXPECT_EQ(Run("get a.euf E000").status, 2);
}

}  // namespace

namespace {

// The pair doctor: a font made from the bitmap file agrees with it; a character added to one file only, one
// changed in the font, a font that is not one -- each is named; a lost bitmap file comes back from the font.
TEST_F(Euftool, FontCheckRebuildAndShowThePair) {
    ASSERT_EQ(Run("new EUDC.EUF 16").status, 0);
    WriteText(dir_ / "plain.pbm", PlainPbm());
    ASSERT_EQ(Run("put EUDC.EUF E000 plain.pbm").status, 0);
    ASSERT_EQ(Run("put EUDC.EUF E005 plain.pbm").status, 0);
    ToolRun run = Run("font EUDC.EUF EUDC.TTE");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");  // nothing to keep: the font was not there
    run = Run("check EUDC.EUF EUDC.TTE");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out,
              "summary: 16 dots, 2 characters in the bitmap file, 2 in the font, 2 agree, 0 listed\n");

    std::string expected = "result 0 size 16\n";
    for (int y = 0; y < 16; ++y) expected += DiagonalRow(y) + "\n";
    run = Run("tte-show EUDC.TTE E005");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected);  // the size from the bitmap file beside it
    run = Run("tte-show EUDC.TTE E001 16");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "result 20 size 16\n");

    // A character the font does not have, and one the font shows otherwise.
    std::string solid = "P1\n16 16\n";
    for (int y = 0; y < 16; ++y)
        solid += y < 3 ? std::string(32, '0') + "\n" : "1 1 1 1 1 1 1 1 1 1 1 1 0 0 0 0\n";
    WriteText(dir_ / "solid.pbm", solid);
    ASSERT_EQ(Run("put EUDC.EUF E002 solid.pbm").status, 0);
    ASSERT_EQ(Run("put EUDC.EUF E005 solid.pbm").status, 0);
    run = Run("check EUDC.EUF EUDC.TTE");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "E002 not in the font");
    EXPECT_EQ(run.out.find("E005 differs: disagrees overlap="), run.out.find('\n') + 1) << run.out;
    EXPECT_NE(
        run.out.find("summary: 16 dots, 3 characters in the bitmap file, 2 in the font, 1 agree, 2 listed\n"),
        std::string::npos);

    // A new font replaces the old one only after keeping a copy of it.
    run = Run("font EUDC.EUF EUDC.TTE");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("kept EUDC.TTE.", 0), 0u) << run.out;
    EXPECT_EQ(Run("check EUDC.EUF EUDC.TTE").status, 0);

    // The bitmap file lost: made again from the font, at another size too.
    run = Run("rebuild-bitmap EUDC.TTE NEW.EUF 16");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Run("list NEW.EUF").out, "E000\nE002\nE005\n");
    EXPECT_EQ(Run("show NEW.EUF E005").out, Run("show EUDC.EUF E005").out);
    EXPECT_EQ(Run("check NEW.EUF EUDC.TTE").status, 0);
    ASSERT_EQ(Run("rebuild-bitmap EUDC.TTE NEW.EUF 32").status, 0);
    EXPECT_EQ(Run("info NEW.EUF").out, "result 0 width 32 height 32\n");
    EXPECT_EQ(Run("check NEW.EUF EUDC.TTE").status, 0);

    // Bad input: a font that is not one, a size that is not one.
    WriteText(dir_ / "junk.tte", std::string(300, 'j'));
    run = Run("check EUDC.EUF junk.tte");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("not a usable font (result 11)"), std::string::npos) << run.err;
    EXPECT_EQ(Run("rebuild-bitmap junk.tte OTHER.EUF 16").status, 1);
    EXPECT_FALSE(fs::exists(dir_ / "OTHER.EUF"));
    EXPECT_EQ(Run("rebuild-bitmap EUDC.TTE OTHER.EUF 12").status, 2);
    EXPECT_EQ(Run("tte-show EUDC.TTE E000 300").status, 2);
    EXPECT_EQ(Run("font missing.euf OTHER.TTE").status, 1);
    EXPECT_FALSE(fs::exists(dir_ / "OTHER.TTE"));
}

}  // namespace

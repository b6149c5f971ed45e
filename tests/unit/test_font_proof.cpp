// The agreement of a font's glyph with drawn dots, the pair check built on it, and the save's proof of the
// font: every kind of glyph an editor may leave behind -- exact, smoothed, shifted, scaled, stale, empty,
// different -- against the rule, and the outcomes and texts the save reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "automation/direct_save.h"
#include "automation/font_proof.h"
#include "font_test_support.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/tte_outline.h"
#include "glyphstore/tte_raster.h"
#include "memory_profile_store.h"
#include "test_support.h"

namespace {

constexpr int kN = 32;

GlyphAgreement Against(const FontBytes& drawn, const FontBytes& written, const TteOutlineStyle& style = {}) {
    TteOutline outline;
    std::string error;
    const TteGrid grid{kTteUnitsPerDot * kN, kN,           NewFontBaselineRow(kN), style.scale,
                       style.offsetX,        style.offsetY};
    EXPECT_EQ(DotsToOutline(written, grid, style.corners, outline, error), kTteOk) << error;
    return CompareOutlineWithDots(outline, kTteUnitsPerDot * kN, NewFontBaselineRow(kN), drawn, kN);
}

// Drawings with the features that trouble a fit: thin strokes, diagonals, single dots, holes.
std::vector<FontBytes> Drawings() {
    std::vector<FontBytes> drawings;
    for (unsigned seed = 1; seed <= 12; ++seed) drawings.push_back(StrokeDots(kN, seed));
    drawings.push_back(DrawnDots(
        kN,
        {"##########", "#........#", "#..####..#", "#..#..#..#", "#..####..#", "#........#", "##########"},
        10, 12));
    drawings.push_back(
        DrawnDots(kN, {"#.....#", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "#.....#"}, 3, 20));
    return drawings;
}

TEST(GlyphAgreement, FaithfulOutlinesAgreeWhereverAndHoweverTheEditorPlacesThem) {
    const std::vector<TteOutlineStyle> styles = {
        {},                                    // exact
        {TteCorners::Rounded, 1.0, 0, 0},      // rounded corners
        {TteCorners::Square, 1.0, 16, -16},    // shifted half a dot
        {TteCorners::Square, 1.0, 100, 45},    // shifted by three and a bit
        {TteCorners::Square, 0.9, 0, 0},       // a smaller grid
        {TteCorners::Square, 1.1, -60, 30},    // a larger grid, shifted
        {TteCorners::Rounded, 0.95, 37, -71},  // all of it
    };
    for (const FontBytes& drawn : Drawings()) {
        for (const TteOutlineStyle& style : styles) {
            const GlyphAgreement a = Against(drawn, drawn, style);
            EXPECT_TRUE(a.agrees) << AgreementFigures(a) << " " << a.why << " corners "
                                  << static_cast<int>(style.corners) << " scale " << style.scale << " offset "
                                  << style.offsetX << "," << style.offsetY;
            EXPECT_EQ(a.runsMissed, 0);
        }
        EXPECT_TRUE(Against(drawn, drawn).exact);
    }
    // A spline through the middles of the dots' edges takes dots off the strokes: strokes two dots wide
    // keep enough to agree, lines one dot wide may not (FontProof=warn is for an editor that draws so).
    int lossy = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const FontBytes drawn = StrokeDots(kN, seed);
        for (const TteOutlineStyle& style : {TteOutlineStyle{TteCorners::Spline, 1.0, 0, 0},
                                             TteOutlineStyle{TteCorners::Spline, 0.9, 50, 20}}) {
            const GlyphAgreement a = Against(drawn, drawn, style);
            EXPECT_TRUE(a.agrees) << AgreementFigures(a) << " " << a.why;
            lossy += a.overlap < 1.0;
        }
    }
    EXPECT_GT(lossy, 12);  // most of them did lose dots
}

TEST(GlyphAgreement, StaleEmptyAndDifferentGlyphsDoNotAgree) {
    const auto drawings = Drawings();
    const FontBytes blank(static_cast<std::size_t>(kN) * kN / 8, 0xFF);
    for (std::size_t i = 0; i < drawings.size(); ++i) {
        const FontBytes& drawn = drawings[i];
        // Another character, shifted or not.
        const FontBytes& other = drawings[(i + 3) % drawings.size()];
        EXPECT_FALSE(Against(drawn, other).agrees);
        EXPECT_FALSE(Against(drawn, other, {TteCorners::Spline, 1.0, 20, 20}).agrees);
        // The character before a stroke was added to it, or after one was taken away: stale.
        FontBytes added = drawn;
        for (int x = 4; x < 28; ++x) SetDotInk(added, kN, x, 29);
        EXPECT_FALSE(Against(added, drawn).agrees) << "a stroke added";
        EXPECT_FALSE(Against(drawn, added).agrees) << "a stroke taken away";
        // No glyph at all.
        const GlyphAgreement empty =
            CompareOutlineWithDots({}, kTteUnitsPerDot * kN, NewFontBaselineRow(kN), drawn, kN);
        EXPECT_FALSE(empty.agrees);
        EXPECT_NE(empty.why.find("empty"), std::string::npos);
    }
    // An empty drawing agrees only with an empty glyph.
    EXPECT_TRUE(CompareOutlineWithDots({}, kTteUnitsPerDot * kN, NewFontBaselineRow(kN), blank, kN).exact);
    EXPECT_FALSE(Against(blank, drawings[0]).agrees);
    // A thin line fits any glyph's box only by stretching it out of shape: refused.
    FontBytes line = blank;
    for (int y = 4; y < 28; ++y) SetDotInk(line, kN, 15, y);
    EXPECT_FALSE(Against(line, drawings[12]).agrees);
    // A lost dot is a lost run of ink, however small.
    FontBytes dotted = drawings[12];
    SetDotInk(dotted, kN, 1, 1);
    EXPECT_FALSE(Against(dotted, drawings[12]).agrees);
}

TEST(PairCheck, EveryCodeInOneFileOnlyOrDifferingIsFoundOnce) {
    const auto folder = MakeTestFolder("pair");
    const auto euf = folder / "EUDC.EUF";
    ASSERT_TRUE(CreateEudcBitmapFile(euf, kN));
    const auto drawings = Drawings();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(PutEudcBitmapRecord(euf, 0xE000 + i, drawings[static_cast<std::size_t>(i)]));
    ASSERT_TRUE(PutEudcBitmapRecord(euf, 0xE010, FontBytes(kN * kN / 8, 0xFF)));  // a blank character
    // The font: E000 as drawn, E001 smoothed and shifted (agrees), E002 another character, E003 missing,
    // F000 only in the font.
    std::vector<std::uint8_t> bitmap, font;
    ASSERT_TRUE(ReadExclusiveFileBytes(euf, 1 << 20, bitmap));
    std::string error;
    ASSERT_EQ(BuildTteFont(kN, {{0xE000, drawings[0]}, {0xE002, drawings[7]}, {0xF000, drawings[5]}}, 0, font,
                           error),
              kTteOk);
    ASSERT_TRUE(WriteWholeFile(folder / "EUDC.TTE", font, error));
    ASSERT_TRUE(WriteCharacterToFontFile(folder / "EUDC.TTE", bitmap, 0xE001, kN, drawings[1],
                                         {TteCorners::Rounded, 1.0, 40, 10}, error))
        << error;
    TteFont reader;
    ASSERT_EQ(reader.Read(folder / "EUDC.TTE"), kTteOk);
    PairCheck check;
    ASSERT_TRUE(CheckEudcPair(bitmap, reader, check, error)) << error;
    EXPECT_EQ(check.glyphSize, kN);
    EXPECT_EQ(check.bitmapCodes, 5);
    EXPECT_EQ(check.fontCodes, 4);
    EXPECT_EQ(check.agreeing, 3);  // E000, E001 and the blank E010
    std::map<int, PairProblemKind> found;
    for (const PairProblem& problem : check.problems) found[problem.code] = problem.kind;
    EXPECT_EQ(found, (std::map<int, PairProblemKind>{{0xE002, PairProblemKind::Disagrees},
                                                     {0xE003, PairProblemKind::MissingInFont},
                                                     {0xF000, PairProblemKind::MissingInBitmap}}));
    EXPECT_FALSE(CheckEudcPair(std::vector<std::uint8_t>(50, 0), reader, check, error));
    EXPECT_NE(error.find("result 11"), std::string::npos);
    std::filesystem::remove_all(folder);
}

TEST(FontProof, SettingAndOutcomesOfEveryGlyphASaveMayLeave) {
    MemoryProfileStore settings;
    EXPECT_EQ(ReadFontProofMode(settings), FontProofMode::Strict);
    for (const auto& [text, mode] :
         std::map<std::wstring, FontProofMode>{{L"warn", FontProofMode::Warn},
                                               {L" OFF ", FontProofMode::Off},
                                               {L"Strict", FontProofMode::Strict},
                                               {L"maybe", FontProofMode::Strict}}) {
        settings.WriteProfileString(kEditorSection, kFontProofKey, text.c_str());
        EXPECT_EQ(ReadFontProofMode(settings), mode);
    }

    const auto folder = MakeTestFolder("proof");
    const auto tte = folder / "EUDC.TTE";
    const auto drawings = Drawings();
    DotPlane drawing(kN);
    std::copy(drawings[2].begin(), drawings[2].end(), drawing.Bytes().begin());
    std::string error;
    std::vector<std::uint8_t> font;
    ASSERT_EQ(BuildTteFont(kN, {{0xE000, drawings[0]}}, 0, font, error), kTteOk);
    ASSERT_TRUE(WriteWholeFile(tte, font, error));
    const std::vector<std::uint8_t> noBitmap;

    auto prove = [&](int code, const FontGlyphSnapshot& before) {
        return ProveFontGlyph(tte, code, drawing, before);
    };
    FontGlyphSnapshot before = SnapshotFontGlyph(tte, 0xE000);
    EXPECT_TRUE(before.readable && before.present && !before.glyph.empty());
    EXPECT_EQ(prove(0xE000, before).outcome, FontProofOutcome::Unchanged);  // the old glyph left as it was
    EXPECT_EQ(prove(0xE001, SnapshotFontGlyph(tte, 0xE001)).outcome, FontProofOutcome::Missing);
    // Written by this save, smoothed and placed its own way: proved.
    ASSERT_TRUE(WriteCharacterToFontFile(tte, noBitmap, 0xE000, kN, drawings[2],
                                         {TteCorners::Spline, 0.9, 30, -20}, error))
        << error;
    FontProof proof = prove(0xE000, before);
    EXPECT_EQ(proof.outcome, FontProofOutcome::Proved) << proof.detail;
    EXPECT_TRUE(proof.changed);
    EXPECT_TRUE(proof.agreement.fitted);
    // Unchanged since, but showing exactly the drawing: nothing was left to write.
    ASSERT_TRUE(WriteCharacterToFontFile(tte, noBitmap, 0xE000, kN, drawings[2], {}, error));
    EXPECT_EQ(prove(0xE000, SnapshotFontGlyph(tte, 0xE000)).outcome, FontProofOutcome::Proved);
    // Written, but another character.
    FontGlyphSnapshot snapshot = SnapshotFontGlyph(tte, 0xE000);
    ASSERT_TRUE(WriteCharacterToFontFile(tte, noBitmap, 0xE000, kN, drawings[9], {}, error));
    proof = prove(0xE000, snapshot);
    EXPECT_EQ(proof.outcome, FontProofOutcome::Disagrees);
    EXPECT_LT(proof.agreement.overlap, kMinInkOverlap);
    // A font that is not one, and one that is not there.
    ASSERT_TRUE(WriteWholeFile(tte, std::vector<std::uint8_t>(40, 7), error));
    proof = prove(0xE000, snapshot);
    EXPECT_EQ(proof.outcome, FontProofOutcome::Unreadable);
    EXPECT_EQ(proof.result, kTteNotFont);
    std::filesystem::remove(tte);
    EXPECT_EQ(prove(0xE000, snapshot).outcome, FontProofOutcome::Unreadable);
    std::filesystem::remove_all(folder);

    // The reasons name the code and the figures.
    proof = {};
    proof.outcome = FontProofOutcome::Disagrees;
    proof.agreement.overlap = 0.734;
    EXPECT_EQ(FontReasonText(DefaultFontText(FontReasonId(proof.outcome)), proof, 0xE00A),
              L"外字ﾌｫﾝﾄのｺｰﾄﾞE00Aの文字が編集内容と一致しません（一致率73%）。");
    proof.outcome = FontProofOutcome::Unreadable;
    proof.result = 12;
    EXPECT_EQ(FontReasonText(DefaultFontText(FontReasonId(proof.outcome)), proof, 0xE00A),
              L"外字ﾌｫﾝﾄが読めません。Err=[12]");
    EXPECT_EQ(FormatFontText(L"%s|%d|%%|%s", {L"a", L"1"}), L"a|1|%|");
}

// The program shows the string table's texts; the built-in ones must say the same.
TEST(FontProof, StringTableCarriesTheBuiltInTexts) {
    std::istringstream rc(ReadSourceFile("src/res/Kanjiforge.rc"));
    std::map<std::string, std::string> strings;
    const std::regex entry(R"re(\s*(IDS_\w+)\s+"(.*)"\s*)re");
    for (std::string line; std::getline(rc, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::smatch m;
        if (std::regex_match(line, m, entry)) strings[m[1]] = m[2];
    }
    // The save's texts: the font's proof, and the direct save's question and reasons.
    struct Text {
        const char* name;
        unsigned id;
        const wchar_t* builtIn;
    };
    std::vector<Text> texts;
    const std::vector<std::pair<const char*, unsigned>> proof = {
        {"IDS_ERR_FONT_NOT_PROVED", kMsgFontNotProved},  {"IDS_WARN_FONT_NOT_PROVED", kMsgFontProofWarning},
        {"IDS_FONT_REASON_HELD", kMsgFontHeld},          {"IDS_FONT_REASON_UNREADABLE", kMsgFontUnreadable},
        {"IDS_FONT_REASON_MISSING", kMsgFontMissing},    {"IDS_FONT_REASON_UNCHANGED", kMsgFontUnchanged},
        {"IDS_FONT_REASON_DISAGREES", kMsgFontDisagrees}};
    for (const auto& [name, id] : proof) texts.push_back({name, id, DefaultFontText(id)});
    const std::vector<std::pair<const char*, unsigned>> direct = {
        {"IDS_ASK_DIRECT_SAVE_FAILED", kMsgDirectSaveFailed},
        {"IDS_FILE_REASON_LOCKED", kMsgFileLocked},
        {"IDS_FILE_REASON_ACCESS_DENIED", kMsgFileAccessDenied},
        {"IDS_FILE_REASON_DISK_FULL", kMsgDiskFull},
        {"IDS_FILE_REASON_MISSING", kMsgFileMissing},
        {"IDS_FILE_REASON_UNVERIFIED", kMsgFileUnverified},
        {"IDS_FILE_REASON_FAILED", kMsgFileFailed}};
    for (const auto& [name, id] : direct) texts.push_back({name, id, DefaultDirectSaveText(id)});
    const std::string header = ReadSourceFile("src/res/resource.h");
    for (const auto& [name, id, text] : texts) {
        EXPECT_NE(header.find(std::string("#define ") + name + " " + std::to_string(id)), std::string::npos)
            << name;
        // The rc's escapes, then UTF-8 of the built-in text.
        std::string expected;
        for (const wchar_t* p = text; *p; ++p) {
            const unsigned c = static_cast<unsigned>(*p);
            if (c == L'\r') {
                expected += "\\r";
            } else if (c == L'\n') {
                expected += "\\n";
            } else if (c < 0x80) {
                expected += static_cast<char>(c);
            } else if (c < 0x800) {
                expected += static_cast<char>(0xC0 | c >> 6);
                expected += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                expected += static_cast<char>(0xE0 | c >> 12);
                expected += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                expected += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        EXPECT_EQ(strings[name], expected) << name;
    }
}

}  // namespace

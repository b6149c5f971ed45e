#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "base/dpi_scale.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/tte_writer.h"
#include "memory_profile_store.h"
#include "viewer/font_marks.h"
#include "viewer/glyph_sheet.h"
#include "viewer/viewer_grid.h"
#include "viewer/viewer_rules.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Every code's cell maps back to the code from each of its corners and its middle, and the pixel just
// outside a neighbouring edge belongs to the neighbour; for the whole EUDC range, at the smallest, the
// default and the largest size, scrolled anywhere.
TEST(ViewerGrid, EveryCellHitsItsOwnCodeAtEverySize) {
    for (int size : {kMinCellSize, kDefaultCellSize, kMaxCellSize}) {
        const ViewerGrid grid(kEudcFirst, kEudcLast, size);
        ASSERT_EQ(grid.RowCount(), 400);
        for (int topRow : {0, 17, 399}) {
            for (int code = kEudcFirst; code <= kEudcLast; ++code) {
                const GridRect cell = grid.CellBounds(code, topRow);
                ASSERT_EQ(cell.right - cell.left, size + 2 * kCellMargin);
                ASSERT_EQ(grid.HitTest(cell.left, cell.top, topRow), cell.top >= 0 ? code : -1);
                if (cell.top < 0) continue;
                ASSERT_EQ(grid.HitTest(cell.right - 1, cell.bottom - 1, topRow), code);
                ASSERT_EQ(grid.HitTest((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2, topRow),
                          code);
                const GridRect picture = grid.PictureBounds(code, topRow);
                ASSERT_EQ(picture.right - picture.left, size);
                ASSERT_EQ(picture.bottom - picture.top, size);
                ASSERT_GE(picture.top - cell.top, kCellLabelHeight);
                ASSERT_LE(picture.bottom, cell.bottom);
                if (code % 16 != 15 && code < kEudcLast) {
                    ASSERT_EQ(grid.HitTest(cell.right, cell.top, topRow), code + 1);
                }
            }
        }
        EXPECT_EQ(grid.HitTest(grid.GridWidth(), 0, 0), -1) << "right of the sixteenth column";
        EXPECT_EQ(grid.HitTest(-1, 0, 0), -1);
        EXPECT_EQ(grid.HitTest(0, grid.CellHeight(), 399), -1) << "below the last row";
    }
}

// At a higher DPI the pictures keep the user's size while the code band, the margins and the code's
// characters grow; the code is written inside its cell, above the picture, and hit testing still works.
TEST(ViewerGrid, CodeBandAndMarginsGrowWithTheDpi) {
    for (int dpi : {96, 120, 144, 192, 288}) {
        const ViewerGrid grid(kEudcFirst, kEudcLast, 64, dpi);
        EXPECT_EQ(grid.LabelHeight(), ScaleForDpi(kCellLabelHeight, dpi));
        EXPECT_EQ(grid.Margin(), ScaleForDpi(kCellMargin, dpi));
        EXPECT_LE(grid.LabelFontHeight(), grid.LabelHeight()) << "the code's characters fit their band";
        for (int code : {kEudcFirst, 0xE01F, 0xE123, kEudcLast}) {
            const GridRect cell = grid.CellBounds(code, 2);
            const GridRect label = grid.LabelBounds(code, 2);
            const GridRect picture = grid.PictureBounds(code, 2);
            EXPECT_EQ(picture.right - picture.left, 64) << "the picture is the user's size at " << dpi;
            EXPECT_EQ(cell.right - cell.left, 64 + 2 * grid.Margin());
            EXPECT_TRUE(label.left >= cell.left && label.right <= cell.right && label.top >= cell.top)
                << dpi << " DPI";
            EXPECT_LE(label.bottom, picture.top) << "the code stays above the picture at " << dpi << " DPI";
            EXPECT_LE(picture.bottom, cell.bottom);
            if (cell.top >= 0) {
                EXPECT_EQ(grid.HitTest(label.left, label.top, 2), code);
            }
        }
    }
}

// A file whose range does not start or end on a row: the columns still follow the low digit, and the
// positions of the first and last rows outside the range hit nothing.
TEST(ViewerGrid, PartialRowsKeepTheLowDigitAsColumn) {
    const ViewerGrid grid(0xE005, 0xE012, 32);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.ColumnOf(0xE005), 5);
    EXPECT_EQ(grid.RowOf(0xE012), 1);
    EXPECT_EQ(grid.HitTest(4 * grid.CellWidth() + 1, 1, 0), -1);
    EXPECT_EQ(grid.HitTest(5 * grid.CellWidth() + 1, 1, 0), 0xE005);
    EXPECT_EQ(grid.HitTest(3 * grid.CellWidth() + 1, grid.CellHeight() + 1, 0), -1);
    EXPECT_EQ(grid.Step(0xE005, -1, 0), 0xE005);
    EXPECT_EQ(grid.Step(0xE00F, 0, 1), 0xE012) << "a step below the last row stops at the last code";
    EXPECT_EQ(grid.Step(0xE007, 1, 0), 0xE008);
    const ViewerGrid empty(0xE010, 0xE00F, 32);
    EXPECT_EQ(empty.RowCount(), 0);
    EXPECT_EQ(empty.MaxTopRow(500), 0);
    EXPECT_GT(empty.CodesTouching({0, 0, 500, 500}, 0).first,
              empty.CodesTouching({0, 0, 500, 500}, 0).second);
}

TEST(ViewerGrid, ScrollRangeAndPagingAndSizeLimits) {
    EXPECT_EQ(ViewerGrid::ClampCellSize(8), kMinCellSize);
    EXPECT_EQ(ViewerGrid::ClampCellSize(500), kMaxCellSize);
    EXPECT_EQ(ViewerGrid(kEudcFirst, kEudcLast, 0).CellSize(), kMinCellSize);

    const ViewerGrid grid(kEudcFirst, kEudcLast, 48);
    const int h = grid.CellHeight();
    EXPECT_EQ(grid.PageRows(10 * h + h - 1), 10) << "only whole rows make a page";
    EXPECT_EQ(grid.PageRows(3), 1) << "a tiny window still pages by one row";
    EXPECT_EQ(grid.MaxTopRow(10 * h), 390);
    EXPECT_EQ(grid.ClampTopRow(-5, 10 * h), 0);
    EXPECT_EQ(grid.ClampTopRow(1000, 10 * h), 390);
    EXPECT_EQ(grid.MaxTopRow(1000 * h), 0) << "everything fits: no scrolling";
    // Showing a code scrolls as little as possible, in either direction, and not at all when it is in view.
    EXPECT_EQ(grid.TopRowShowing(0xE0A5, 0, 10 * h), 1);
    EXPECT_EQ(grid.TopRowShowing(0xE095, 0, 10 * h), 0);
    EXPECT_EQ(grid.TopRowShowing(0xE000, 50, 10 * h), 0);
    EXPECT_EQ(grid.TopRowShowing(kEudcLast, 0, 10 * h), 390);
    EXPECT_EQ(grid.TopRowShowing(0xE000 + 16 * 200, 195, 10 * h), 195);
}

// The painter redraws the codes between the first and last cell a rectangle touches; every cell the
// rectangle meets is among them, and the ends really touch it.
TEST(ViewerGrid, CodesTouchingCoverEveryCellARectangleMeets) {
    const ViewerGrid grid(kEudcFirst, kEudcLast, 24);
    const GridRect rects[] = {{0, 0, 1, 1},     {29, 35, 31, 200}, {100, 10, 300, 11},
                              {-50, -50, 5, 5}, {0, 0, 2000, 900}, {grid.GridWidth(), 0, 3000, 50}};
    for (const GridRect& rect : rects) {
        for (int topRow : {0, 3}) {
            const auto [first, last] = grid.CodesTouching(rect, topRow);
            for (int code = kEudcFirst; code < kEudcFirst + 16 * 60; ++code) {
                const bool meets = grid.CellBounds(code, topRow).Intersects(rect);
                if (meets) {
                    EXPECT_TRUE(code >= first && code <= last) << std::hex << code;
                }
            }
            if (first <= last) {
                EXPECT_TRUE(grid.CellBounds(first, topRow).Intersects(rect));
                EXPECT_TRUE(grid.CellBounds(last, topRow).Intersects(rect));
            }
        }
    }
}

class GlyphSheetTest : public ::testing::Test {
  protected:
    void SetUp() override { file_ = MakeEudcBitmapFileBytes(16); }
    Bytes Plane(std::uint8_t fill) const { return Bytes(16 * 16 / 8, fill); }
    void Put(int code, std::uint8_t fill) { ASSERT_TRUE(PutEudcBitmapRecordBytes(file_, code, Plane(fill))); }
    Bytes file_;
};

// One read keeps every stored character's dots at its code; empty codes and damaged records are told apart
// and counted; codes outside the range are simply empty.
TEST_F(GlyphSheetTest, ReadKeepsEachStoredCharacterAtItsCode) {
    Put(0xE000, 0x00);
    Put(0xE001, 0x5A);
    Put(0xF8FF, 0x0F);
    GlyphSheet sheet;
    ASSERT_EQ(sheet.Load(file_), kEudcOk);
    EXPECT_EQ(sheet.GlyphSize(), 16);
    EXPECT_EQ(sheet.FirstCode(), kEudcFirst);
    EXPECT_EQ(sheet.LastCode(), kEudcLast);
    EXPECT_EQ(sheet.StoredCount(), 3);
    EXPECT_EQ(sheet.DamagedCount(), 0);
    EXPECT_EQ(Bytes(sheet.Plane(0xE001).begin(), sheet.Plane(0xE001).end()), Plane(0x5A));
    EXPECT_EQ(Bytes(sheet.Plane(0xF8FF).begin(), sheet.Plane(0xF8FF).end()), Plane(0x0F));
    EXPECT_TRUE(sheet.Plane(0xE002).empty());
    EXPECT_EQ(sheet.RecordResult(0xE002), kEudcNoCharacter);
    EXPECT_EQ(sheet.RecordResult(0xDFFF), kEudcNoCharacter);

    // Point E002's index entry beyond the end of the file: a damaged record, not a stored character.
    const std::uint32_t base = U32At(file_, kEudcBaseFieldOffset);
    const std::size_t entry = base + kEudcIndexOffset + 4 * 2;
    const auto beyond = static_cast<std::uint32_t>(file_.size());
    for (int i = 0; i < 4; ++i) file_[entry + i] = static_cast<std::uint8_t>(beyond >> (8 * i));
    ASSERT_EQ(sheet.Load(file_), kEudcOk);
    EXPECT_EQ(sheet.RecordResult(0xE002), kEudcRecordBeyondEnd);
    EXPECT_EQ(sheet.DamagedCount(), 1);
    EXPECT_EQ(sheet.StoredCount(), 3);
}

// A file that cannot be shown gives the reader's result and a status line that names it; nothing of the
// file is kept.
TEST_F(GlyphSheetTest, UnreadableFilesGiveTheirReason) {
    Put(0xE000, 0x00);
    GlyphSheet sheet;
    Bytes truncated(file_.begin(), file_.begin() + 60);
    EXPECT_EQ(sheet.Load(truncated), kEudcBadHeader);
    EXPECT_EQ(sheet.StoredCount(), 0);
    EXPECT_EQ(SheetFailureText(sheet), L"外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙのﾍｯﾀﾞ情報が読めません。Err=[11]");

    Bytes odd = MakeEudcBitmapFileBytes(16);
    const std::uint32_t base = U32At(odd, kEudcBaseFieldOffset);
    odd[base + U32At(odd, base + kEudcIndexOffset) + 4] = 20;  // management width 20 by 16
    EXPECT_EQ(sheet.Load(odd), kSheetBadManagementSize);
    EXPECT_EQ(SheetFailureText(sheet), L"外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙの管理ﾋﾞｯﾄｻｲｽﾞが異常です。Size=[20,16]");

    EXPECT_EQ(sheet.Read("/nonexistent/folder/EUDC.EUF"), kEudcCannotOpen);
    EXPECT_EQ(SheetFailureText(sheet), L"外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙを開けません。Err=[10]");
}

// Between two reads only the codes whose cell would look different are redrawn: a new character, changed
// dots, a removed one; identical re-stores are not. A changed layout redraws everything.
TEST_F(GlyphSheetTest, ChangedCodesAreExactlyTheCellsThatLookDifferent) {
    Put(0xE000, 0x00);
    Put(0xE001, 0x11);
    Put(0xE002, 0x22);
    GlyphSheet before;
    ASSERT_EQ(before.Load(file_), kEudcOk);
    Put(0xE001, 0x11);  // same dots again
    Put(0xE002, 0x23);
    Put(0xE100, 0x44);
    GlyphSheet after;
    ASSERT_EQ(after.Load(file_), kEudcOk);
    EXPECT_EQ(ChangedCodes(before, after), (std::vector<int>{0xE002, 0xE100}));
    EXPECT_TRUE(ChangedCodes(after, after).empty());

    GlyphSheet bad;
    EXPECT_NE(bad.Load(Bytes(10, 0)), kEudcOk);
    EXPECT_TRUE(ChangedCodes(after, bad).empty()) << "an unreadable read changes no cell";
    EXPECT_EQ(ChangedCodes(bad, after).size(), 6400u) << "after a bad read everything is drawn again";

    GlyphSheet larger;
    ASSERT_EQ(larger.Load(MakeEudcBitmapFileBytes(24)), kEudcOk);
    EXPECT_EQ(ChangedCodes(after, larger).size(), 6400u);
}

TEST(ViewerRules, EditorTitlesGoToCodesAndCommandLine) {
    EXPECT_EQ(CodeFromEditorTitle(L"C:\\Windows\\Fonts\\EUDC.TTE　[ CODE= E000 ]"), 0xE000);
    EXPECT_EQ(CodeFromEditorTitle(L"C:\\EUDC.TTE　[ CODE= F8FF ]-<更新>"), 0xF8FF);
    EXPECT_EQ(CodeFromEditorTitle(L"C:\\[ CODE= E001 ]\\EUDC.TTE　[ CODE= E002 ]"), 0xE002)
        << "the code after the path, not one inside it";
    EXPECT_EQ(CodeFromEditorTitle(L"C:\\EUDC.TTE　[ CODE=  -  ]"), -1) << "no code open yet";
    EXPECT_EQ(CodeFromEditorTitle(L"C:\\EUDC.TTE　[ CODE= 0041 ]"), -1);
    EXPECT_EQ(CodeFromEditorTitle(L"C:\\EUDC.TTE　[ CODE= E000"), -1);
    EXPECT_EQ(CodeFromEditorTitle(L"Kanjiforge"), -1);

    EXPECT_EQ(ParseGoToCode(L"e00f", 0), 0xE00F);
    EXPECT_EQ(ParseGoToCode(L"  F8FF\u3000", 0), 0xF8FF);
    EXPECT_EQ(ParseGoToCode(L"F040", 1), 0xE000) << "Shift-JIS is converted";
    EXPECT_EQ(ParseGoToCode(L"F040", 0), 0xF040);
    EXPECT_EQ(ParseGoToCode(L"F07F", 1), -1);
    EXPECT_EQ(ParseGoToCode(L"F900", 0), -1);
    EXPECT_EQ(ParseGoToCode(L"E0 00", 0), -1);
    EXPECT_EQ(ParseGoToCode(L"   ", 0), -1);

    EXPECT_EQ(EditorCommandLine(L"C:\\Prog Files\\", 0xE00A), L"\"C:\\Prog Files\\Kanjiforge.exe\" E00A");
}

TEST(ViewerRules, SettingsKeepSizeAndPlaceInTheirOwnSection) {
    MemoryProfileStore store;
    ViewerSettings settings = LoadViewerSettings(store, 96);
    EXPECT_EQ(settings.cellSize, kDefaultCellSize);
    EXPECT_FALSE(settings.windowRect);
    EXPECT_EQ(store.writes, 0) << "reading writes nothing";

    SaveViewerCellSize(store, 72, 96);
    SaveViewerWindowRect(store, {10, 20, 810, 620}, 96);
    EXPECT_EQ(store.values.at({kViewerSection, L"CellSize"}), L"72");
    EXPECT_EQ(store.values.at({kViewerSection, L"ViewerWindowPos"}), L"10:20:810:620");
    EXPECT_FALSE(store.Has(L"CellSize")) << "nothing goes into the editor's section";
    settings = LoadViewerSettings(store, 96);
    EXPECT_EQ(settings.cellSize, 72);
    ASSERT_TRUE(settings.windowRect);
    EXPECT_EQ((*settings.windowRect)[2], 810);

    store.values[{kViewerSection, L"CellSize"}] = L"4000";
    store.values[{kViewerSection, L"ViewerWindowPos"}] = L"10:20:5:620";
    settings = LoadViewerSettings(store, 96);
    EXPECT_EQ(settings.cellSize, kMaxCellSize);
    EXPECT_FALSE(settings.windowRect) << "a rectangle without width is not used";
    store.values[{kViewerSection, L"ViewerWindowPos"}] = L"10:20";
    EXPECT_FALSE(LoadViewerSettings(store, 96).windowRect);
}

TEST(ViewerRules, SizesKeepTheirMeaningAcrossDpis) {
    MemoryProfileStore store;
    // A first start: the pictures grow with the DPI, in whole steps of the slider.
    EXPECT_EQ(LoadViewerSettings(store, 144).CellSizeAt(144), 72);
    EXPECT_EQ(LoadViewerSettings(store, 120).CellSizeAt(120), 64);  // 60 to the nearest step
    EXPECT_EQ(LoadViewerSettings(store, 192).CellSizeAt(192), 96);

    // Taken at 96 DPI (or by a version that wrote no DPI), shown at 192: twice the pixels.
    SaveViewerCellSize(store, 40, 96);
    SaveViewerWindowRect(store, {10, 20, 810, 620}, 96);
    EXPECT_EQ(store.values.at({kViewerSection, L"CellSizeDpi"}), L"96");
    EXPECT_EQ(store.values.at({kViewerSection, L"ViewerWindowDpi"}), L"96");
    ViewerSettings settings = LoadViewerSettings(store, 192);
    EXPECT_EQ(settings.CellSizeAt(192), 80);
    EXPECT_EQ(settings.WindowRectAt(192), (std::array<int, 4>{10, 20, 1610, 1220}))
        << "the place stays, the size grows";
    EXPECT_EQ(settings.CellSizeAt(96), 40);
    store.values.erase({kViewerSection, L"CellSizeDpi"});
    store.values.erase({kViewerSection, L"ViewerWindowDpi"});
    EXPECT_EQ(LoadViewerSettings(store, 144).CellSizeAt(144), 60);

    // Taken at 144, shown at 96; the result stays within the slider's range.
    SaveViewerCellSize(store, 128, 144);
    SaveViewerWindowRect(store, {-300, 0, 1200, 900}, 144);
    settings = LoadViewerSettings(store, 96);
    EXPECT_EQ(settings.CellSizeAt(96), 85);
    EXPECT_EQ(settings.CellSizeAt(288), kMaxCellSize);
    EXPECT_EQ(settings.WindowRectAt(96), (std::array<int, 4>{-300, 0, 700, 600}));
    store.values[{kViewerSection, L"CellSizeDpi"}] = L"99999";
    EXPECT_EQ(LoadViewerSettings(store, 96).CellSizeAt(96), 128) << "an unusable DPI counts as 96";
}

TEST(ViewerRules, StripAndStatusPartsAtEveryDpi) {
    // At 96 DPI the strip is laid out as it always was.
    ViewerBarLayout bar = LayoutViewerBar(96, 30);
    EXPECT_EQ(bar.height, 28);
    EXPECT_EQ(bar.label.left, 4);
    EXPECT_EQ(bar.label.right, 48);
    EXPECT_EQ(bar.slider.left, 52);
    EXPECT_EQ(bar.slider.right - bar.slider.left, 220);
    EXPECT_EQ(ViewerStatusParts(900, 96), (std::array<int, 2>{260, 750}));
    for (int dpi : {96, 120, 144, 168, 192, 288}) {
        // A label text wider than the room a 96-DPI layout gives it widens the label, never cuts it.
        for (int text : {0, 40, 70, 200}) {
            bar = LayoutViewerBar(dpi, text);
            EXPECT_GE(bar.label.right - bar.label.left, text) << dpi << " DPI, text " << text;
            EXPECT_GT(bar.slider.left, bar.label.right) << dpi << " DPI";
            EXPECT_GT(bar.slider.bottom, bar.slider.top);
            EXPECT_LE(bar.slider.bottom, bar.height);
        }
        const std::array<int, 2> parts = ViewerStatusParts(ViewerDefaultWidth(dpi), dpi);
        EXPECT_LT(parts[0], parts[1]) << dpi << " DPI";
        EXPECT_EQ(ViewerDefaultWidth(dpi) - parts[1], ScaleForDpi(150, dpi)) << "the code's part grows too";
        // The first start's window shows sixteen cells of the first start's size.
        EXPECT_GE(ViewerDefaultWidth(dpi),
                  ViewerGrid(0xE000, 0xE000, ViewerGrid::DefaultCellSize(dpi), dpi).GridWidth());
    }
}

}  // namespace

namespace {

// The browser's marks: a stored character the font lacks or shows otherwise is marked, with its figures;
// the rest, blank characters included, not; a changed pair changes exactly the marks it should.
TEST(FontMarks, MissingAndDifferingCharactersAreMarkedAndChangesFound) {
    std::vector<std::uint8_t> bitmap = MakeEudcBitmapFileBytes(16, 0xE000, 0xE00F);
    auto bar = [](int row) {
        std::vector<std::uint8_t> dots(32, 0xFF);
        dots[static_cast<std::size_t>(row) * 2] = 0x00;
        dots[static_cast<std::size_t>(row) * 2 + 1] = 0x0F;
        return dots;
    };
    for (int code : {0xE000, 0xE001, 0xE002})
        ASSERT_TRUE(PutEudcBitmapRecordBytes(bitmap, code, bar(code - 0xE000 + 4)));
    ASSERT_TRUE(PutEudcBitmapRecordBytes(bitmap, 0xE003, std::vector<std::uint8_t>(32, 0xFF)));  // blank
    GlyphSheet sheet;
    ASSERT_EQ(sheet.Load(bitmap), kEudcOk);
    // The font: E000 as stored, E001 a box instead of its bar, E002 missing.
    std::vector<std::uint8_t> box(32, 0xFF);
    for (int y = 2; y < 14; ++y) box[static_cast<std::size_t>(y) * 2] = y == 2 || y == 13 ? 0x3F : 0x7F;
    std::vector<std::uint8_t> fontBytes;
    std::string error;
    ASSERT_EQ(BuildTteFont(16, {{0xE000, bar(4)}, {0xE001, box}}, 0, fontBytes, error), kTteOk);
    TteFont font;
    ASSERT_EQ(font.Load(fontBytes), kTteOk);
    FontMarks marks;
    marks.Compare(sheet, font);
    EXPECT_EQ(marks.FontResult(), kTteOk);
    EXPECT_EQ(marks.Marks(),
              (std::map<int, FontMark>{{0xE001, FontMark::Differs}, {0xE002, FontMark::Missing}}));
    EXPECT_LT(marks.OverlapPercent(0xE001), 75);
    EXPECT_EQ(marks.Mark(0xE003), FontMark::None);

    // The missing character written into the font: only its mark goes.
    std::vector<std::uint8_t> updated;
    TteOutline outline;
    ASSERT_EQ(CharacterOutline(font, 16, bar(6), outline, error), kTteOk);
    ASSERT_EQ(UpdateTteGlyph(font, 0xE002, outline, 0, updated, error), kTteOk);
    TteFont after;
    ASSERT_EQ(after.Load(updated), kTteOk);
    FontMarks again;
    again.Compare(sheet, after);
    EXPECT_EQ(ChangedMarks(marks, again), std::vector<int>{0xE002});

    // A font that does not read marks nothing and says why.
    FontMarks none;
    none.Load(sheet, "/nonexistent/EUDC.TTE");
    EXPECT_EQ(none.FontResult(), kTteCannotOpen);
    EXPECT_EQ(none.MarkedCount(), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include "app/frame_rules.h"

namespace {

TEST(FrameGeometry, FrameSizeFollowsTheMatrixExtent) {
    EXPECT_EQ(MatrixExtent(6, 64), 461);
    EXPECT_EQ(MatrixExtent(4, 48), 253);
    FrameMetrics m;
    m.cxFrame = 4;
    m.cyFrame = 4;
    m.cyCaption = 19;
    m.cyMenu = 19;
    m.toolBarHeight = 34;
    m.statusBarHeight = 20;
    EXPECT_EQ(FrameSizeForExtent(461, m), (FrameSize{461 + 8 + 97, 461 + 19 + 12 + 19 + 34 + 20}));
    // The minimum tracking size is the frame at zoom 4.
    EXPECT_EQ(MinimumTrackSize(m, 64), FrameSizeForExtent(MatrixExtent(4, 64), m));

    // A column taller than the matrix keeps the client as tall as the column; the width still follows
    // the matrix, the column and the bar at the window's DPI.
    m.infoColumnHeight = 500;
    m.infoColumnWidth = 131;
    m.splitterBarWidth = 15;
    EXPECT_EQ(FrameSizeForExtent(461, m), (FrameSize{461 + 8 + 146, 500 + 19 + 12 + 19 + 34 + 20}));
    EXPECT_EQ(FrameSizeForExtent(501, m).cy, 501 + 19 + 12 + 19 + 34 + 20);
    // A tool bar wider than matrix, column and bar together widens the client to it.
    m.toolBarWidth = 700;
    EXPECT_EQ(FrameSizeForExtent(461, m).cx, 700 + 8);
    EXPECT_EQ(FrameSizeForExtent(600, m).cx, 600 + 146 + 8);
}

TEST(FrameGeometry, ZoomKeepsItsSizeOnTheScreenAcrossDpis) {
    EXPECT_EQ(DefaultZoomForDpi(96), 6);
    EXPECT_EQ(DefaultZoomForDpi(120), 8);  // 7.5 rounds up
    EXPECT_EQ(DefaultZoomForDpi(144), 9);
    EXPECT_EQ(DefaultZoomForDpi(192), 12);
    EXPECT_EQ(DefaultZoomForDpi(480), 20);  // within the command's range
    EXPECT_EQ(DefaultZoomForDpi(-1), 6);    // a DPI no screen has counts as 96
    EXPECT_EQ(ZoomAtDpi(6, 96, 192), 12);
    EXPECT_EQ(ZoomAtDpi(12, 192, 96), 6);
    EXPECT_EQ(ZoomAtDpi(7, 96, 144), 11);  // 10.5 rounds up, and back at 96 it is 7 again
    EXPECT_EQ(ZoomAtDpi(11, 144, 96), 7);
    EXPECT_EQ(ZoomAtDpi(5, 192, 96), 4);    // never below the smallest zoom
    EXPECT_EQ(ZoomAtDpi(30, 96, 144), 45);  // a zoom reached by resizing keeps its size too
    EXPECT_EQ(ZoomAtDpi(3, 96, 96), 3) << "the same DPI changes nothing";
    EXPECT_EQ(ZoomAtDpi(6, 0, 96), 6) << "an unusable stored DPI counts as 96";
}

TEST(FrameGeometry, ZoomCommandStaysWithinLimits) {
    EXPECT_EQ(ZoomAfterCommand(6, false), 7);
    EXPECT_EQ(ZoomAfterCommand(6, true), 5);
    EXPECT_EQ(ZoomAfterCommand(4, true), 4);
    EXPECT_EQ(ZoomAfterCommand(20, false), 20);
    EXPECT_EQ(ZoomAfterCommand(25, false), 20);  // above the limit after resizing by hand
    EXPECT_EQ(ZoomAfterCommand(25, true), 24);
}

TEST(FrameGeometry, ResizeSnapsInWholeGlyphSizes) {
    EXPECT_EQ(ZoomAfterResize(6, 64, 600, 500, 670, 500), 7);    // 70 wider
    EXPECT_EQ(ZoomAfterResize(6, 64, 600, 500, 663, 500), 6);    // 63 wider snaps back
    EXPECT_EQ(ZoomAfterResize(6, 64, 600, 500, 800, 510), 9);    // the larger change, 200, decides
    EXPECT_EQ(ZoomAfterResize(8, 64, 600, 500, 470, 360), 6);    // smaller: -130 / 64 truncates to -2
    EXPECT_EQ(ZoomAfterResize(8, 64, 600, 500, 470, 480), 8);    // the larger change is -20: 0 steps
    EXPECT_EQ(ZoomAfterResize(20, 64, 600, 500, 900, 500), 24);  // no upper bound
    EXPECT_EQ(ZoomAfterResize(5, 64, 600, 500, 100, 100), 4);    // never below the smallest zoom
    EXPECT_FALSE(ZoomAfterResize(6, 64, 600, 500, 600, 500));    // a pure move
}

TEST(FrameTitle, ModifiedMarkAppearsOnceAndGoesCompletely) {
    const std::wstring title = L"C:\\WINDOWS\\FONTS\\EUDC.TTE　[ CODE= E000 ]";
    const std::wstring marked = ApplyModifiedMark(title, true);
    EXPECT_EQ(marked, title + L"-<更新>");
    EXPECT_EQ(ApplyModifiedMark(marked, true), marked);
    EXPECT_EQ(ApplyModifiedMark(marked, false), title);
    EXPECT_EQ(ApplyModifiedMark(title + L"-<更新>-<更新>", false), title);
    EXPECT_EQ(ApplyModifiedMark(title, false), title);
}

TEST(FramePosition, SavedOnlyWhenNormalAndMoved) {
    const std::array<int, 4> stored{40, 40, -1, -1};
    EXPECT_EQ(WindowPosToSave(stored, false, false, 100, 200), (std::array<int, 4>{100, 200, -1, -1}));
    EXPECT_FALSE(WindowPosToSave(stored, false, false, 40, 40));
    EXPECT_EQ(WindowPosToSave(stored, false, false, 40, 41), (std::array<int, 4>{40, 41, -1, -1}));
    EXPECT_FALSE(WindowPosToSave(stored, true, false, 100, 200));
    EXPECT_FALSE(WindowPosToSave(stored, false, true, 100, 200));
    EXPECT_EQ(WindowPosToSave({1, 2, 3, 4}, false, false, 5, 6), (std::array<int, 4>{5, 6, 3, 4}));
}

TEST(CompanionCommandLines, QuotedPathsFromTheProgramFolder) {
    EXPECT_EQ(ListBrowserCommandLine(L"C:\\Tools\\", L"C:\\WINDOWS\\Fonts\\EUDC.TTE"),
              L"\"C:\\Tools\\Kanjiviewer.exe\" \"C:\\WINDOWS\\Fonts\\EUDC.TTE\"");
    EXPECT_EQ(NewEditorCommandLine(L"C:\\Program Files\\Kanjiforge.exe"),
              L"\"C:\\Program Files\\Kanjiforge.exe\"");
}

TEST(FrameKeys, MatrixViewTakesItsKeysBeforeTheAccelerators) {
    constexpr unsigned kReturn = 0x0D, kEscape = 0x1B, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28,
                       kDelete = 0x2E, kHome = 0x24;
    EXPECT_EQ(FrameKeyActionFor(kReturn, true, 1), FrameKeyAction::SwapPen);
    EXPECT_EQ(FrameKeyActionFor(kReturn, true, 7), FrameKeyAction::SwapPen);
    EXPECT_EQ(FrameKeyActionFor(kReturn, true, 0),
              FrameKeyAction::PassOn);  // move tool: the command, disabled
    for (unsigned arrow : {kLeft, kUp, kRight, kDown}) {
        EXPECT_EQ(FrameKeyActionFor(arrow, true, 0), FrameKeyAction::NudgeSelection);
    }
    EXPECT_EQ(FrameKeyActionFor(kDelete, true, 3), FrameKeyAction::CutSelection);
    EXPECT_EQ(FrameKeyActionFor(kEscape, true, 3), FrameKeyAction::CancelPendingPaste);
    EXPECT_EQ(FrameKeyActionFor(kHome, true, 3), FrameKeyAction::PassOn);
    for (unsigned key : {kReturn, kLeft, kDelete, kEscape}) {
        EXPECT_EQ(FrameKeyActionFor(key, false, 1), FrameKeyAction::PassOn) << "no view: key " << key;
    }
}

}  // namespace

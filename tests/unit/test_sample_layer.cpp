#include <gtest/gtest.h>

#include "editor/matrix_tool.h"
#include "editor/sample_layer.h"
#include "panes/info_rules.h"

TEST(SampleLayer, ToggleShowsOneLayerAloneOrHidesIt) {
    // Shift+F1 twice: shown, then hidden.
    std::uint8_t shown = ToggleSampleLayerBits(0, 0);
    EXPECT_EQ(shown, 0x80);
    EXPECT_EQ(ToggleSampleLayerBits(shown, 0), 0);
    // Shift+F1 then Shift+F2: only layer 2.
    EXPECT_EQ(ToggleSampleLayerBits(0x80, 1), 0x40);
    EXPECT_EQ(ToggleSampleLayerBits(0x40, 2), 0x20);
    // A stray byte with several bits still ends with at most one.
    EXPECT_EQ(ToggleSampleLayerBits(0xE0, 1), 0);
    EXPECT_EQ(ToggleSampleLayerBits(0x20, 0), 0x80);
    // Not a layer: nothing changes.
    EXPECT_EQ(ToggleSampleLayerBits(0x40, 3), 0x40);
    EXPECT_EQ(ToggleSampleLayerBits(0x40, -1), 0x40);
}

TEST(SampleLayer, ShownLayerIsTheFirstSetBit) {
    EXPECT_EQ(ShownSampleLayer(0), -1);
    EXPECT_EQ(ShownSampleLayer(0x80), 0);
    EXPECT_EQ(ShownSampleLayer(0x40), 1);
    EXPECT_EQ(ShownSampleLayer(0x20), 2);
    EXPECT_EQ(ShownSampleLayer(0x60), 1);
    EXPECT_EQ(ShownSampleLayer(0x1F), -1);  // bits below the three layers are no layer
}

TEST(SampleLayer, CharacterHeightIsGlyphSizePlusCorrectionAndNeverBelowOne) {
    EXPECT_EQ(SampleLayerCharHeight(64, 0), 64);
    EXPECT_EQ(SampleLayerCharHeight(64, 8), 72);
    EXPECT_EQ(SampleLayerCharHeight(64, -10), 54);
    // -N would ask GDI for a font of height 0, its "default size".
    EXPECT_EQ(SampleLayerCharHeight(64, -64), 1);
}

TEST(SampleLayer, OffsetsMoveTheInkAndLoseWhatLeavesTheCell) {
    DotPlane drawn(16);
    drawn.SetDot(0, 0, true);
    drawn.SetDot(15, 15, true);
    drawn.SetDot(7, 3, true);

    const DotPlane right = OffsetSampleLayer(drawn, 2, 1);
    EXPECT_TRUE(right.IsBlack(2, 1));
    EXPECT_TRUE(right.IsBlack(9, 4));
    EXPECT_FALSE(right.IsBlack(0, 0));  // uncovered: white
    int black = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) black += right.IsBlack(x, y) ? 1 : 0;
    EXPECT_EQ(black, 2);  // (15, 15) moved out

    const DotPlane left = OffsetSampleLayer(drawn, -7, -3);
    EXPECT_TRUE(left.IsBlack(0, 0));
    EXPECT_TRUE(left.IsBlack(8, 12));
    EXPECT_EQ(OffsetSampleLayer(drawn, 0, 0), drawn);
    EXPECT_EQ(OffsetSampleLayer(drawn, 16, 0), DotPlane(16));
}

TEST(InformationRules, CoordinateLinesFollowTheMouseAndTheDrag) {
    // No drag: the dot under the mouse, right-aligned in four characters.
    DotPositionLines lines = FormatDotPosition(-1, -1, 3, 5);
    EXPECT_EQ(lines.first, L"XY->   3,   5");
    EXPECT_EQ(lines.second, L"");
    // A drag from (2, 2) to (10, 4): the start and the extent.
    lines = FormatDotPosition(2, 2, 10, 4);
    EXPECT_EQ(lines.first, L"XY->   2,   2");
    EXPECT_EQ(lines.second, L"WH->   8,   2");
    lines = FormatDotPosition(10, 4, 2, 2);
    EXPECT_EQ(lines.second, L"WH->  -8,  -2");
    // Outside the matrix, or told to empty: nothing.
    lines = FormatDotPosition(-1, -1, -1, -1);
    EXPECT_EQ(lines.first, L"");
    EXPECT_EQ(lines.second, L"");
    EXPECT_EQ(FormatDotPosition(-1, -1, 4, -1).first, L"");
    EXPECT_EQ(FormatDotPosition(3, -1, 4, 4).first, L"XY->   4,   4");
}

TEST(InformationRules, LayerTooltipFormatsTheEntryAndIsCutAtEighty) {
    const std::wstring unset = L"ｻﾝﾌﾟﾙﾚｲﾔｰ未設定";
    const std::wstring format = L"[ %s ] ｵﾌｾｯﾄ（左右=%d 上下=%d ｻｲｽﾞ=%d） : %s";
    SampleLayer layer;
    EXPECT_EQ(FormatLayerTooltip(layer, unset, format), unset);
    layer.strFace = L"IPA明朝";  // a face without a character is still unset
    EXPECT_EQ(FormatLayerTooltip(layer, unset, format), unset);

    layer.strChar = L"永";
    layer.nOffsetX = -3;
    layer.nOffsetY = 2;
    layer.nSizeAdjust = 8;
    EXPECT_EQ(FormatLayerTooltip(layer, unset, format), L"[ 永 ] ｵﾌｾｯﾄ（左右=-3 上下=2 ｻｲｽﾞ=8） : IPA明朝");

    layer.strFace = std::wstring(100, L'F');
    const std::wstring cut = FormatLayerTooltip(layer, unset, format);
    EXPECT_EQ(cut.size(), kLayerTooltipMax);
    EXPECT_EQ(cut.substr(0, 6), L"[ 永 ] ");
    EXPECT_EQ(cut.back(), L'F');
}

TEST(InformationRules, OverlayClickOnTheMiddleChoosesTransparent) {
    EXPECT_EQ(OverlayModeAtClick(0, 86), 0);
    EXPECT_EQ(OverlayModeAtClick(43, 86), 0);
    EXPECT_EQ(OverlayModeAtClick(44, 86), 1);
    EXPECT_EQ(OverlayModeAtClick(85, 86), 1);
}

TEST(InformationRules, ToolPictureTable) {
    struct Row {
        int tool, picture;
        bool dotSize, penMark;
    };
    const Row rows[] = {
        {kMoveTool, 4, false, false},        {kPenTool, 5, true, true},          {kLineTool, 6, true, true},
        {kRectangleTool, 7, true, true},     {kCircleTool, 8, true, true},       {kFillTool, 9, false, true},
        {kRectSelectTool, 12, false, false}, {kAutoSelectTool, 13, false, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ToolPictureOf(row.tool).picture, row.picture) << row.tool;
        EXPECT_EQ(ToolPictureOf(row.tool).dotSize, row.dotSize) << row.tool;
        EXPECT_EQ(ToolShowsPenMark(row.tool), row.penMark) << row.tool;
    }
    EXPECT_EQ(ToolPictureOf(8).picture, -1);
    EXPECT_FALSE(ToolPictureOf(-1).dotSize);
}

#include <gtest/gtest.h>

#include <vector>

#include "editor/drawing.h"
#include "editor/drawing_gesture.h"

namespace {

using K = GestureEffectKind;
constexpr int kSize = 16;

std::vector<K> Kinds(const std::vector<GestureEffect>& effects) {
    std::vector<K> kinds;
    for (const GestureEffect& effect : effects) kinds.push_back(effect.kind);
    return kinds;
}

const GestureEffect* Find(const std::vector<GestureEffect>& effects, K kind) {
    for (const GestureEffect& effect : effects)
        if (effect.kind == kind) return &effect;
    return nullptr;
}

PressSituation With(int tool, bool penSwap = false, int dotSize = 1) {
    PressSituation at;
    at.tool = tool;
    at.penSwap = penSwap;
    at.dotSize = dotSize;
    return at;
}

}  // namespace

TEST(DrawingGesture, ToolColourAndWidthAreFixedAtThePress) {
    DrawingGesture gesture(kSize);
    // Right button with the pens swapped draws black; the line is 2 wide.
    EXPECT_EQ(Kinds(gesture.Press(2, {1, 1}, {1, 1}, With(kLineTool, true, 2))),
              (std::vector<K>{K::CaptureMouse, K::BeginDrawPreview}));
    EXPECT_EQ(gesture.DragTool(), kLineTool);
    const auto move = gesture.Move({9, 4}, {9, 4}, false);
    EXPECT_EQ(Kinds(move), (std::vector<K>{K::ShowPosition, K::ShowPreview}));
    EXPECT_EQ(Find(move, K::ShowPosition)->start, (DotPoint{1, 1}));
    EXPECT_EQ(*Find(move, K::ShowPreview)->mask, BuildShapeMask(kSize, kLineTool, 1, 1, 9, 4, 2));

    const auto release = gesture.Release(2, {12, 6}, {12, 6}, false);
    EXPECT_EQ(Kinds(release), (std::vector<K>{K::ReleaseMouse, K::CancelPaste, K::EndPreview, K::WriteMask,
                                              K::RecordHistory, K::ShowPosition}));
    const GestureEffect* write = Find(release, K::WriteMask);
    EXPECT_EQ(*write->mask, BuildShapeMask(kSize, kLineTool, 1, 1, 12, 6, 2));
    EXPECT_EQ(write->colour, kPenBlack);
    EXPECT_FALSE(gesture.Dragging());

    // The pen: every move writes a stamp of the press's width in the press's colour (left, unswapped: black;
    // right, unswapped: white).
    EXPECT_EQ(Find(gesture.Press(2, {3, 3}, {3, 3}, With(kPenTool, false, 3)), K::WriteMask)->colour,
              kPenWhite);
    const auto stroke = gesture.Move({5, 3}, {5, 3}, false);
    EXPECT_EQ(*Find(stroke, K::WriteMask)->mask, BuildPenMask(kSize, 5, 3, 3));
    EXPECT_EQ(Kinds(gesture.Release(2, {5, 3}, {5, 3}, false)),
              (std::vector<K>{K::ReleaseMouse, K::CancelPaste, K::RecordHistory, K::ShowPosition}));
}

TEST(DrawingGesture, EscapeHeldAtTheReleaseCancelsShapesSelectionsAndMovesButNotAStroke) {
    struct Case {
        int tool;
        std::vector<K> released;
    };
    const Case cases[] = {
        {kLineTool, {K::ReleaseMouse, K::CancelPaste, K::EndPreview, K::ShowPosition}},
        {kRectangleTool, {K::ReleaseMouse, K::CancelPaste, K::EndPreview, K::ShowPosition}},
        {kCircleTool, {K::ReleaseMouse, K::CancelPaste, K::EndPreview, K::ShowPosition}},
        {kRectSelectTool, {K::ReleaseMouse, K::CancelPaste, K::EndPreview, K::ShowPosition}},
        {kMoveTool, {K::ReleaseMouse, K::CancelPaste, K::FinishMove, K::ShowPosition}},
        {kPenTool, {K::ReleaseMouse, K::CancelPaste, K::RecordHistory, K::ShowPosition}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        DrawingGesture gesture(kSize);
        PressSituation at = With(c.tool);
        at.selectionContainsDot = true;
        gesture.Press(1, {2, 2}, {2, 2}, at);
        const auto release = gesture.Release(1, {7, 7}, {7, 7}, true);
        EXPECT_EQ(Kinds(release), c.released);
        if (c.tool == kMoveTool) {
            EXPECT_TRUE(Find(release, K::FinishMove)->cancelled);
            EXPECT_EQ(Find(release, K::FinishMove)->start, (DotPoint{2, 2}));
        }
    }
    // Without Escape the selection rectangle is taken, its far corner clamped to the glyph's edge.
    DrawingGesture gesture(kSize);
    gesture.Press(1, {2, 3}, {2, 3}, With(kRectSelectTool));
    const auto selected = gesture.Release(1, {-4, 40}, {-1, -1}, false);
    const GestureEffect* select = Find(selected, K::SelectRect);
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->start, (DotPoint{2, 3}));
    EXPECT_EQ(select->dot, (DotPoint{0, kSize}));
}

TEST(DrawingGesture, LosingTheCaptureEndsTheDragKeepingOnlyAStroke) {
    struct Case {
        int tool;
        std::vector<K> lost;
    };
    const Case cases[] = {
        {kPenTool, {K::EndPreview, K::RecordHistory}},
        {kLineTool, {K::EndPreview}},
        {kRectSelectTool, {K::EndPreview}},
        {kMoveTool, {K::EndPreview, K::AbortMove}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        DrawingGesture gesture(kSize);
        PressSituation at = With(c.tool);
        at.selectionContainsDot = true;
        gesture.Press(1, {4, 4}, {4, 4}, at);
        gesture.Move({6, 6}, {6, 6}, false);
        EXPECT_EQ(Kinds(gesture.CaptureLost()), c.lost);
        // The drag is over: its release does nothing, a second loss neither, and a new press starts afresh.
        EXPECT_TRUE(gesture.Release(1, {6, 6}, {6, 6}, false).empty());
        EXPECT_TRUE(gesture.CaptureLost().empty());
        EXPECT_FALSE(gesture.Press(1, {1, 1}, {1, 1}, With(kLineTool)).empty());
    }
}

TEST(DrawingGesture, ASecondPressOrDoubleClickDuringADragAndTheOtherButtonsReleaseAreIgnored) {
    DrawingGesture gesture(kSize);
    gesture.Press(1, {2, 2}, {2, 2}, With(kRectangleTool));
    // A double click (a press again) or the other button changes nothing: the drag keeps its tool.
    EXPECT_TRUE(gesture.Press(1, {3, 3}, {3, 3}, With(kPenTool)).empty());
    EXPECT_TRUE(gesture.Press(2, {3, 3}, {3, 3}, With(kPenTool)).empty());
    EXPECT_TRUE(gesture.Release(2, {5, 5}, {5, 5}, false).empty());
    EXPECT_TRUE(gesture.Dragging());
    const auto released = gesture.Release(1, {5, 6}, {5, 6}, false);
    const GestureEffect* write = Find(released, K::WriteMask);
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(*write->mask, BuildShapeMask(kSize, kRectangleTool, 2, 2, 5, 6, 1));
    // The drag's end: a double click's own press starts the next one.
    EXPECT_EQ(Kinds(gesture.Press(1, {5, 6}, {5, 6}, With(kPenTool))),
              (std::vector<K>{K::CaptureMouse, K::WriteMask}));
}

TEST(DrawingGesture, PressesThatStartNothingAndThePendingPaste) {
    // Outside the matrix on both axes, or with no edit bitmap: the mouse is captured, nothing drawn.
    DrawingGesture gesture(kSize);
    EXPECT_EQ(Kinds(gesture.Press(1, {-1, -1}, {0, 0}, With(kPenTool))), (std::vector<K>{K::CaptureMouse}));
    EXPECT_EQ(Kinds(gesture.Move({3, 3}, {3, 3}, false)), (std::vector<K>{K::ShowPosition}));
    EXPECT_EQ(Kinds(gesture.Release(1, {3, 3}, {3, 3}, false)),
              (std::vector<K>{K::ReleaseMouse, K::CancelPaste, K::ShowPosition}));
    PressSituation noImage = With(kPenTool);
    noImage.imageReady = false;
    EXPECT_EQ(Kinds(gesture.Press(1, {3, 3}, {3, 3}, noImage)), (std::vector<K>{K::CaptureMouse}));
    gesture.Release(1, {3, 3}, {3, 3}, false);

    // A pending paste takes the press before the tool: left places it at the clamped dot, right drops it.
    PressSituation paste = With(kPenTool);
    paste.pastePending = true;
    const auto placed = gesture.Press(1, {15, 2}, {17, 2}, paste);
    EXPECT_EQ(Kinds(placed), (std::vector<K>{K::CaptureMouse, K::PlacePaste}));
    EXPECT_EQ(Find(placed, K::PlacePaste)->dot, (DotPoint{kSize, 2}));
    gesture.Release(1, {3, 3}, {3, 3}, false);
    EXPECT_EQ(Kinds(gesture.Press(2, {5, 5}, {5, 5}, paste)),
              (std::vector<K>{K::CaptureMouse, K::DropPaste}));
    gesture.Release(2, {3, 3}, {3, 3}, false);
    // While a paste is pending a move only reports the dot under the mouse.
    gesture.Press(1, {-1, -1}, {0, 0}, paste);
    EXPECT_EQ(Kinds(gesture.Move({4, 4}, {4, 4}, true)), (std::vector<K>{K::ShowPosition}));
}

TEST(DrawingGesture, TheMoveToolLiftsOnlyASelectedDotWithTheLeftButtonAndFillsAreDoneAtThePress) {
    DrawingGesture gesture(kSize);
    PressSituation at = With(kMoveTool);
    EXPECT_EQ(Kinds(gesture.Press(1, {4, 4}, {4, 4}, at)), (std::vector<K>{K::CaptureMouse}));
    EXPECT_EQ(Kinds(gesture.Move({5, 5}, {5, 5}, false)), (std::vector<K>{K::ShowPosition}));
    gesture.Release(1, {5, 5}, {5, 5}, false);
    at.selectionContainsDot = true;
    EXPECT_EQ(Kinds(gesture.Press(2, {4, 4}, {4, 4}, at)), (std::vector<K>{K::CaptureMouse}));
    gesture.Release(2, {4, 4}, {4, 4}, false);
    EXPECT_EQ(Kinds(gesture.Press(1, {4, 4}, {4, 4}, at)), (std::vector<K>{K::CaptureMouse, K::StartMove}));
    EXPECT_EQ(Find(gesture.Move({7, 2}, {7, 2}, false), K::ShowMovePreview)->offset, (DotPoint{3, -2}));
    const auto dropped = gesture.Release(1, {8, 1}, {8, 1}, false);
    const GestureEffect* finish = Find(dropped, K::FinishMove);
    ASSERT_NE(finish, nullptr);
    EXPECT_FALSE(finish->cancelled);
    EXPECT_EQ(finish->dot, (DotPoint{8, 1}));

    for (int tool : {kFillTool, kAutoSelectTool}) {
        const auto pressed = gesture.Press(2, {6, 6}, {6, 6}, With(tool));
        const GestureEffect* action = Find(pressed, tool == kFillTool ? K::Fill : K::AutoSelect);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->colour, kPenWhite);
        EXPECT_EQ(action->dot, (DotPoint{6, 6}));
        // Nothing follows the mouse, and the release records no second step.
        EXPECT_EQ(Kinds(gesture.Move({7, 7}, {7, 7}, false)), (std::vector<K>{K::ShowPosition}));
        EXPECT_EQ(Kinds(gesture.Release(2, {7, 7}, {7, 7}, false)),
                  (std::vector<K>{K::ReleaseMouse, K::CancelPaste, K::ShowPosition}));
    }
}

TEST(DrawingGesture, ARectangleSelectionPressedOutsideTheGridOnOneAxisStartsAtThatEdge) {
    // Pressed right of the grid (the clamped dot is -1 across, the unclamped one beyond N) and dragged
    // to (10, 8): the selection is columns 10..N-1, as a release out there would give, not 0..9.
    DrawingGesture gesture(kSize);
    gesture.Press(1, {-1, 5}, {kSize + 3, 5}, With(kRectSelectTool));
    EXPECT_EQ(*Find(gesture.Move({10, 8}, {10, 8}, false), K::ShowPreview)->mask,
              BuildShapeMask(kSize, kRectSelectTool, kSize, 5, 10, 8, 1));
    const auto right = gesture.Release(1, {10, 8}, {10, 8}, false);
    ASSERT_NE(Find(right, K::SelectRect), nullptr);
    EXPECT_EQ(Find(right, K::SelectRect)->start, (DotPoint{kSize, 5}));
    EXPECT_EQ(Find(right, K::SelectRect)->dot, (DotPoint{10, 8}));

    // Above the grid: the top edge; left of it: the left edge.
    gesture.Press(1, {3, -1}, {3, -2}, With(kRectSelectTool));
    EXPECT_EQ(Find(gesture.Release(1, {6, 4}, {6, 4}, false), K::SelectRect)->start, (DotPoint{3, 0}));
    gesture.Press(1, {-1, 7}, {-4, 7}, With(kRectSelectTool));
    EXPECT_EQ(Find(gesture.Release(1, {6, 4}, {6, 4}, false), K::SelectRect)->start, (DotPoint{0, 7}));
}

TEST(DrawingGesture, APictureReplacedDuringADragEndsItWithoutTouchingTheNewPicture) {
    struct Case {
        int tool;
        std::vector<K> ended;
    };
    const Case cases[] = {
        {kMoveTool, {K::EndPreview, K::AbortMove, K::ReleaseMouse}},
        {kRectSelectTool, {K::EndPreview, K::ReleaseMouse}},
        {kCircleTool, {K::EndPreview, K::ReleaseMouse}},
        // The stroke's dots went with the picture: no step of the new one is recorded.
        {kPenTool, {K::ReleaseMouse}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        DrawingGesture gesture(kSize);
        PressSituation at = With(c.tool);
        at.selectionContainsDot = true;
        gesture.Press(1, {4, 4}, {4, 4}, at);
        gesture.Move({6, 6}, {6, 6}, false);
        EXPECT_EQ(Kinds(gesture.PictureReplaced()), c.ended);
        EXPECT_FALSE(gesture.Dragging());
        // The release that follows finishes nothing: no move, no selection, no shape, no step.
        EXPECT_TRUE(gesture.Release(1, {9, 9}, {9, 9}, false).empty());
        EXPECT_TRUE(gesture.CaptureLost().empty());
    }
    // Without a drag there is nothing to end; a press outside the grid only gives the capture back.
    DrawingGesture idle(kSize);
    EXPECT_TRUE(idle.PictureReplaced().empty());
    idle.Press(1, {-1, -1}, {-3, -3}, With(kMoveTool));
    EXPECT_EQ(Kinds(idle.PictureReplaced()), (std::vector<K>{K::ReleaseMouse}));
}

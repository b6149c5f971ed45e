#include "editor/drawing_gesture.h"

#include "editor/drawing.h"
#include "editor/selection_ops.h"

namespace {

GestureEffect Effect(GestureEffectKind kind) { return GestureEffect{kind}; }

GestureEffect MaskEffect(GestureEffectKind kind, DotPlane mask, int colour = 0) {
    GestureEffect effect{kind};
    effect.mask = std::move(mask);
    effect.colour = colour;
    return effect;
}

GestureEffect DotEffect(GestureEffectKind kind, DotPoint start, DotPoint dot) {
    GestureEffect effect{kind};
    effect.start = start;
    effect.dot = dot;
    return effect;
}

}  // namespace

DotPlane DrawingGesture::ShapeMask(MatrixTool tool, DotPoint to, int width) const {
    return BuildShapeMask(m_nGlyphSize, tool, m_start.x, m_start.y, to.x, to.y, width);
}

std::vector<GestureEffect> DrawingGesture::Press(int button, DotPoint dot, DotPoint clamped,
                                                 const PressSituation& at) {
    std::vector<GestureEffect> effects;
    if (m_nButton != 0) return effects;
    m_start = dot;
    m_nButton = button;
    // The whole drag keeps the tool, colour and dot size of its press, whatever keys say meanwhile.
    m_tool = static_cast<MatrixTool>(at.tool);
    m_nColour = PenColorOfButton(button, at.penSwap);
    m_nDotSize = at.dotSize;
    effects.push_back(Effect(GestureEffectKind::CaptureMouse));
    // A press outside the matrix on both axes starts nothing.
    m_bActionStarted = at.imageReady && !(dot.x == -1 && dot.y == -1);
    if (m_bActionStarted && at.pastePending) {
        // A pending paste takes the press before any tool: the left button places it where it is
        // shown, the right one drops it.
        m_bActionStarted = false;
        if (button == 1) {
            effects.push_back(
                DotEffect(GestureEffectKind::PlacePaste, {-1, -1}, ClampToGlyphEdge(clamped, m_nGlyphSize)));
        } else {
            effects.push_back(Effect(GestureEffectKind::DropPaste));
        }
    }
    if (!m_bActionStarted) return effects;
    switch (m_tool) {
        case kPenTool:
            effects.push_back(MaskEffect(GestureEffectKind::WriteMask,
                                         BuildPenMask(m_nGlyphSize, dot.x, dot.y, m_nDotSize), m_nColour));
            break;
        case kLineTool:
        case kRectangleTool:
        case kCircleTool:
            effects.push_back(Effect(GestureEffectKind::BeginDrawPreview));
            break;
        case kMoveTool:
            if (button == 1 && at.selectionContainsDot) {
                effects.push_back(Effect(GestureEffectKind::StartMove));
            } else {
                m_bActionStarted = false;
            }
            break;
        case kRectSelectTool:
            // Pressed outside the grid on one axis, the rectangle starts at that edge, as its release
            // out there would end at it.
            m_start = ClampToGlyphEdge(clamped, m_nGlyphSize);
            effects.push_back(Effect(GestureEffectKind::BeginSelectPreview));
            break;
        case kAutoSelectTool: {
            GestureEffect select = DotEffect(GestureEffectKind::AutoSelect, {-1, -1}, dot);
            select.colour = m_nColour;
            effects.push_back(select);
            m_bActionStarted = false;  // done at once
            break;
        }
        case kFillTool: {
            GestureEffect fill = DotEffect(GestureEffectKind::Fill, {-1, -1}, dot);
            fill.colour = m_nColour;
            effects.push_back(fill);
            m_bActionStarted = false;  // done at once
            break;
        }
        default:
            m_bActionStarted = false;
            break;
    }
    return effects;
}

std::vector<GestureEffect> DrawingGesture::Move(DotPoint clamped, DotPoint under, bool pastePending) {
    std::vector<GestureEffect> effects;
    if (pastePending || m_nButton == 0 || !m_bActionStarted) {
        // The dot under the mouse (nothing outside the matrix).
        effects.push_back(DotEffect(GestureEffectKind::ShowPosition, {-1, -1}, under));
        return effects;
    }
    const DotPoint dot = clamped;
    effects.push_back(DotEffect(GestureEffectKind::ShowPosition, m_start, dot));
    switch (m_tool) {
        case kPenTool:
            effects.push_back(MaskEffect(GestureEffectKind::WriteMask,
                                         BuildPenMask(m_nGlyphSize, dot.x, dot.y, m_nDotSize), m_nColour));
            break;
        case kLineTool:
        case kRectangleTool:
        case kCircleTool:
            effects.push_back(MaskEffect(GestureEffectKind::ShowPreview, ShapeMask(m_tool, dot, m_nDotSize)));
            break;
        case kMoveTool: {
            GestureEffect move{GestureEffectKind::ShowMovePreview};
            move.offset = {dot.x - m_start.x, dot.y - m_start.y};
            effects.push_back(move);
            break;
        }
        case kRectSelectTool:
            effects.push_back(MaskEffect(GestureEffectKind::ShowPreview,
                                         ShapeMask(kRectSelectTool, ClampToGlyphEdge(dot, m_nGlyphSize), 1)));
            break;
        default:
            break;
    }
    return effects;
}

std::vector<GestureEffect> DrawingGesture::Release(int button, DotPoint clamped, DotPoint under,
                                                   bool escapeHeld) {
    std::vector<GestureEffect> effects;
    // Only the release of the button that started the drag ends it.
    if (m_nButton == 0 || button != m_nButton) return effects;
    // The drag ends here, before the capture goes (losing the capture otherwise ends it too).
    const bool started = m_bActionStarted;
    const DotPoint start = m_start;
    m_start = {-1, -1};
    m_nButton = 0;
    m_bActionStarted = false;
    effects.push_back(Effect(GestureEffectKind::ReleaseMouse));
    // A press outside the matrix does not end a pending paste, but its release takes the paste's
    // marquee away, and the paste with it.
    effects.push_back(Effect(GestureEffectKind::CancelPaste));
    const DotPoint dot = clamped;
    if (started) {
        switch (m_tool) {
            case kPenTool:
                effects.push_back(Effect(GestureEffectKind::RecordHistory));
                break;
            case kLineTool:
            case kRectangleTool:
            case kCircleTool:
                effects.push_back(Effect(GestureEffectKind::EndPreview));
                if (!escapeHeld) {
                    effects.push_back(MaskEffect(
                        GestureEffectKind::WriteMask,
                        BuildShapeMask(m_nGlyphSize, m_tool, start.x, start.y, dot.x, dot.y, m_nDotSize),
                        m_nColour));
                    effects.push_back(Effect(GestureEffectKind::RecordHistory));
                }
                break;
            case kMoveTool: {
                GestureEffect finish = DotEffect(GestureEffectKind::FinishMove, start, dot);
                finish.cancelled = escapeHeld;
                effects.push_back(finish);
                break;
            }
            case kRectSelectTool:
                effects.push_back(Effect(GestureEffectKind::EndPreview));
                if (!escapeHeld)
                    effects.push_back(
                        DotEffect(GestureEffectKind::SelectRect, start, ClampToGlyphEdge(dot, m_nGlyphSize)));
                break;
            default:
                break;
        }
    }
    effects.push_back(DotEffect(GestureEffectKind::ShowPosition, {-1, -1}, under));
    return effects;
}

std::vector<GestureEffect> DrawingGesture::CaptureLost() {
    std::vector<GestureEffect> effects;
    if (m_nButton == 0) return effects;
    effects.push_back(Effect(GestureEffectKind::EndPreview));
    if (m_bActionStarted && m_tool == kMoveTool) effects.push_back(Effect(GestureEffectKind::AbortMove));
    if (m_bActionStarted && m_tool == kPenTool) effects.push_back(Effect(GestureEffectKind::RecordHistory));
    m_start = {-1, -1};
    m_nButton = 0;
    m_bActionStarted = false;
    return effects;
}

std::vector<GestureEffect> DrawingGesture::PictureReplaced() {
    std::vector<GestureEffect> effects;
    if (m_nButton == 0) return effects;
    if (m_bActionStarted) {
        switch (m_tool) {
            case kLineTool:
            case kRectangleTool:
            case kCircleTool:
            case kRectSelectTool:
                effects.push_back(Effect(GestureEffectKind::EndPreview));
                break;
            case kMoveTool:
                effects.push_back(Effect(GestureEffectKind::EndPreview));
                effects.push_back(Effect(GestureEffectKind::AbortMove));
                break;
            default:
                break;
        }
    }
    // Ended before the capture goes, so that losing it finds no drag.
    m_start = {-1, -1};
    m_nButton = 0;
    m_bActionStarted = false;
    effects.push_back(Effect(GestureEffectKind::ReleaseMouse));
    return effects;
}

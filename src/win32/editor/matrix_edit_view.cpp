#include "win32/editor/matrix_edit_view.h"

#include <algorithm>

#include "base/diag_log.h"
#include "editor/edit_history.h"
#include "editor/update_hints.h"
#include "editor/cursor_choice.h"
#include "editor/drawing.h"
#include "editor/drawing_gesture.h"
#include "editor/sample_layer.h"
#include "win32/editor/sample_layer_gdi.h"
#include "win32/platform/handles.h"
#include "resource.h"

namespace {}

CMatrixEditView::CMatrixEditView(const AppContext& context)
    : m_context(context),
      m_nGlyphSize(context.m_nGlyphSize),
      m_gesture(m_nGlyphSize),
      m_staging(m_nGlyphSize),
      m_selection(m_nGlyphSize) {
    m_nPixSize = context.Profile().GetProfileInt(kEditorSection, kPixSizeKey, 4);
    if (m_nPixSize < 1) m_nPixSize = 4;  // a zoom below one pixel per dot would draw nothing
    m_grid = InitGridPeriods(context.Profile(), m_nGlyphSize);
    const AppSettings& settings = context.m_settings;
    m_colors = {settings.crDot,         settings.crSelect, settings.crMoveMarquee, settings.crMoveOrigin,
                settings.crDrawMarquee, settings.crLayer,  settings.crGrid};
}

BOOL CMatrixEditView::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    using View = CMatrixEditView;
    static const CommandEntry<View> table[] = {
        {ID_TOOL_PEN, ID_TOOL_CIRCLE, nullptr, &View::OnUpdateTool, &View::OnTool},
        {ID_TOOL_RECT_SELECT, ID_TOOL_AUTO_SELECT, nullptr, &View::OnUpdateTool, &View::OnTool},
        {ID_TOOL_MOVE, ID_TOOL_MOVE, &View::OnToolMove, &View::OnUpdateNeedsSelection},
        {ID_SELECT_ALL, ID_SELECT_ALL, &View::OnSelectAll},
        {ID_SELECT_NONE, ID_SELECT_NONE, &View::OnDeselect, &View::OnUpdateNeedsSelection},
        {ID_SELECT_INVERT, ID_SELECT_INVERT, &View::OnInvertSelection, &View::OnUpdateNeedsSelection},
        {ID_IMAGE_INVERT, ID_IMAGE_ROTATE_90, nullptr, &View::OnUpdateNeedsSelection, &View::OnImageCommand},
        {ID_IMAGE_ROTATE_240, ID_IMAGE_ROTATE_240, nullptr, &View::OnUpdateNeedsSelection,
         &View::OnImageCommand},
        {ID_IMAGE_ROTATE_180, ID_IMAGE_ROTATE_180, nullptr, &View::OnUpdateNeedsSelection,
         &View::OnImageCommand},
        {ID_EDIT_CUT, ID_EDIT_CUT, &View::OnEditCut, &View::OnUpdateNeedsSelection},
        {ID_EDIT_COPY, ID_EDIT_COPY, &View::OnEditCopy, &View::OnUpdateNeedsSelection},
        {ID_EDIT_PASTE, ID_EDIT_PASTE, &View::OnEditPaste, &View::OnUpdateEditPaste},
        {ID_PEN_SWAP, ID_PEN_SWAP, &View::OnPenSwap, &View::OnUpdatePenSwap},
        {ID_DOT_SIZE_1, ID_DOT_SIZE_5, nullptr, &View::OnUpdateDotSize, &View::OnDotSize},
        {ID_LAYER_1, ID_LAYER_3, nullptr, &View::OnUpdateLayer, &View::OnLayer},
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

void CMatrixEditView::OnTool(UINT id) {
    // The drawing tools by command, with their trace lines.
    struct ToolCommand {
        UINT id;
        MatrixTool tool;
        const wchar_t* trace;
    };
    static const ToolCommand kTools[] = {
        {ID_TOOL_PEN, kPenTool, L"Command:ペン\n"},
        {ID_TOOL_LINE, kLineTool, L"Command:直線\n"},
        {ID_TOOL_RECT, kRectangleTool, L"Command:四角\n"},
        {ID_TOOL_CIRCLE, kCircleTool, L"Command:円\n"},
        {ID_TOOL_FILL, kFillTool, L"Command:塗りつぶし\n"},
        {ID_TOOL_RECT_SELECT, kRectSelectTool, L"Command:四角で選択\n"},
        {ID_TOOL_AUTO_SELECT, kAutoSelectTool, L"Command:自動選択\n"},
    };
    for (const ToolCommand& command : kTools) {
        if (command.id != id) continue;
        g_log.Write(command.trace);
        SetTool(command.tool);
    }
}

void CMatrixEditView::OnPenSwap() {
    if (m_nTool == kMoveTool) return;
    g_log.Write(L"Command:ペン入替\n");
    SetPenSwap(!m_bPenSwap);
}

void CMatrixEditView::OnDotSize(UINT id) {
    const int size = static_cast<int>(id - ID_DOT_SIZE_1) + 1;
    if (m_nDotSize != size) SetDotSize(size);
}

void CMatrixEditView::OnUpdateDotSize(CCmdUI* cmdUI) {
    cmdUI->Enable(TRUE);
    cmdUI->SetCheck(m_nDotSize == static_cast<int>(cmdUI->m_nID - ID_DOT_SIZE_1) + 1);
}

void CMatrixEditView::OnLayer(UINT id) {
    const int index = static_cast<int>(id - ID_LAYER_1);
    g_log.Write(L"Command:レイヤー(%d)表示切替\n", index);
    ToggleSampleLayer(index);
}

void CMatrixEditView::OnUpdateLayer(CCmdUI* cmdUI) {
    cmdUI->Enable(TRUE);
    cmdUI->SetCheck((m_byShownLayers & SampleLayerBit(static_cast<int>(cmdUI->m_nID - ID_LAYER_1))) != 0);
}

CMatrixEditView::~CMatrixEditView() = default;

int CMatrixEditView::SetTool(int tool) {
    const int previous = m_nTool;
    m_nTool = tool;
    RefreshPane(kPaneDrawTool);
    return previous;
}

int CMatrixEditView::SetDotSize(int size) {
    const int previous = m_nDotSize;
    m_nDotSize = size;
    RefreshPane(kPaneDrawTool);
    return previous;
}

BOOL CMatrixEditView::SetPenSwap(BOOL swap) {
    const BOOL previous = m_bPenSwap;
    m_bPenSwap = swap;
    RefreshPane(kPaneDrawTool);
    return previous;
}

void CMatrixEditView::SetOverlayMode(int mode) {
    m_nOverlayMode = mode;
    RefreshPane(kPaneOverlayMode);
}

void CMatrixEditView::ToggleSampleLayer(int index) {
    m_byShownLayers = ToggleSampleLayerBits(m_byShownLayers, index);
    RenderSampleLayer();
}

void CMatrixEditView::RenderSampleLayer() {
    const int shown = ShownSampleLayer(m_byShownLayers);
    if (shown < 0) {
        m_pLayer.reset();
    } else {
        m_pLayer = std::make_unique<DotPlane>(
            RenderSampleLayerPlane(g_aSampleLayers[static_cast<std::size_t>(shown)], m_nGlyphSize));
    }
    RedrawAll();
}

void CMatrixEditView::RefreshSampleLayer(int index) {
    if (ShownSampleLayer(m_byShownLayers) == index && index >= 0) RenderSampleLayer();
}

void CMatrixEditView::Attach(DotPlane* image, IEditHistory* store) {
    m_pImage = image;
    m_pHistory = store;
}

void CMatrixEditView::SetPixelSize(int pixelSize) {
    m_nPixSize = pixelSize;
    m_context.Profile().WriteProfileInt(kEditorSection, kPixSizeKey, pixelSize);
    m_context.Profile().WriteProfileInt(kEditorSection, kPixSizeDpiKey, m_nDpi);
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CMatrixEditView::ApplyGridSettings() {
    m_grid = ReadGridPeriods(m_context.Profile());
    RedrawAll();
}

void CMatrixEditView::RedrawAll() {
    if (m_hWnd) RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CMatrixEditView::InvalidateChanges(const DotChanges& changes) {
    if (m_hWnd == nullptr || changes.Empty()) return;
    // One region for the whole action: adding cells to the update region one by one would cost the
    // square of their number.
    const UniqueRegion region(CreateChangedCellsRegion(changes, Geometry()));
    if (region) {
        InvalidateRgn(m_hWnd, region.Get(), TRUE);
    } else {
        InvalidateRect(m_hWnd, nullptr, TRUE);  // no region to be had: repaint it all rather than nothing
    }
}

void CMatrixEditView::OnUpdate(CView* /*sender*/, LPARAM hint, void* hintObject) {
    switch (hint) {
        case kHintDocumentReady:
            if (const auto* planes = static_cast<const GlyphPlanes*>(hintObject)) {
                Attach(planes->image, planes->history);
            }
            RedrawAll();
            break;
        case kHintCharacterLoaded:
            RedrawAll();
            break;
        case kHintHistoryStep:
            // The history has loaded a stored state: repaint what differs and take it over.
            if (const auto* loaded = static_cast<const DotPlane*>(hintObject);
                loaded && m_pImage && m_pImage->ByteCount() == loaded->ByteCount()) {
                DotChanges changed;
                DifferingSpans(*loaded, *m_pImage, changed);
                InvalidateChanges(changed);
                std::copy(loaded->Bytes().begin(), loaded->Bytes().end(), m_pImage->Bytes().begin());
            }
            // The selection belonged to the image that was just replaced. Dropped whatever keys
            // are held: an undo is no selection change for Shift or Alt to modify.
            if (!m_context.m_settings.bSelectKeep && m_selection.Region() != nullptr) {
                InvalidateSelectionOutline();
                m_selection.Deselect(kSelectReplace);
            }
            break;
        case kHintGridChanged:
            ApplyGridSettings();
            break;
        case kHintDocumentGone:
            Attach(nullptr, nullptr);
            break;
        default:
            break;
    }
}

void CMatrixEditView::OnDraw(HDC dc) {
    // Only what needs repainting: the clip box is the update region's bounds during a paint.
    MatrixPlanes planes;
    planes.editBitmap = m_pHistory ? m_pImage : nullptr;  // nothing is painted without both
    planes.selectionOutline = &m_selection.Outline();
    planes.staging = &m_staging;
    planes.moving = m_bMoving;
    planes.layer = m_pLayer.get();
    m_painter.PaintClipBox(dc, Geometry(), planes, m_colors, m_grid);
}

void CMatrixEditView::PushUndoSnapshot() {
    if (!ImageReady()) return;
    m_pHistory->RecordEdit(m_pImage->Bytes());
    RefreshPane(kPaneGlyphSample);
}

void CMatrixEditView::WriteMask(const DotPlane& mask, int colour) {
    if (!ImageReady()) return;
    DotChanges changed;
    ApplyMask(*m_pImage, mask, colour, nullptr, changed);
    InvalidateChanges(changed);
}

PressSituation CMatrixEditView::SituationAt(DotPoint dot) const {
    PressSituation at;
    at.tool = m_nTool;
    at.penSwap = m_bPenSwap != FALSE;
    at.dotSize = m_nDotSize;
    at.imageReady = ImageReady();
    at.pastePending = IsPastePending();
    at.selectionContainsDot = m_selection.Contains(dot.x, dot.y);
    return at;
}

void CMatrixEditView::OnButtonDown(int button, POINT point) {
    const DotPoint dot = Geometry().ClientToDot(point.x, point.y, false);
    const DotPoint clamped = Geometry().ClientToDot(point.x, point.y, true);
    const std::vector<GestureEffect> effects = m_gesture.Press(button, dot, clamped, SituationAt(dot));
    if (effects.empty()) return;  // a press while a drag runs
    m_bEscapeDown = false;
    // The cursor follows the paste's end before the tool's action, as the user sees the press land.
    auto action = effects.begin();
    for (; action != effects.end(); ++action) {
        const GestureEffectKind kind = action->kind;
        if (kind != GestureEffectKind::CaptureMouse && kind != GestureEffectKind::PlacePaste &&
            kind != GestureEffectKind::DropPaste)
            break;
        CarryOut(*action);
    }
    ShowToolCursor();
    for (; action != effects.end(); ++action) CarryOut(*action);
}

void CMatrixEditView::OnMouseMove(UINT /*flags*/, POINT point) {
    ShowToolCursor();
    if (IsPastePending()) ShowPendingPaste(point);
    const DotPoint under = Geometry().ClientToDot(point.x, point.y, false);
    const DotPoint clamped = Geometry().ClientToDot(point.x, point.y, true);
    for (const GestureEffect& effect : m_gesture.Move(clamped, under, IsPastePending())) CarryOut(effect);
}

void CMatrixEditView::OnButtonUp(int button, POINT point) {
    const DotPoint under = Geometry().ClientToDot(point.x, point.y, false);
    const DotPoint clamped = Geometry().ClientToDot(point.x, point.y, true);
    // Holding Escape at the release cancels a shape. The key messages seen during the drag count
    // as well as the key state: a system that brings its key state in line with another input
    // source (a remote session, an X server) may report the key up before its key-up arrived.
    const bool escape = (GetKeyState(VK_ESCAPE) & 0x8000) != 0 || m_bEscapeDown;
    const std::vector<GestureEffect> effects = m_gesture.Release(button, clamped, under, escape);
    if (effects.empty()) return;  // not the button that started the drag
    for (const GestureEffect& effect : effects) CarryOut(effect);
    ShowToolCursor();
}

void CMatrixEditView::NoteEscapeKey(bool down) {
    if (!down) {
        m_bEscapeDown = false;
    } else if (m_gesture.Dragging()) {
        m_bEscapeDown = true;
    }
}

void CMatrixEditView::OnCaptureChanged(HWND /*newCapture*/) {
    // Capture taken away mid-drag (another window, a dialog): end the drag without writing a
    // shape; a pen stroke keeps what it drew as one step.
    for (const GestureEffect& effect : m_gesture.CaptureLost()) CarryOut(effect);
    Default();
}

void CMatrixEditView::CarryOut(const GestureEffect& effect) {
    switch (effect.kind) {
        case GestureEffectKind::CaptureMouse:
            SetCapture(m_hWnd);
            break;
        case GestureEffectKind::ReleaseMouse:
            if (GetCapture() == m_hWnd) ReleaseCapture();
            break;
        case GestureEffectKind::PlacePaste:
            PlacePaste(true, effect.dot);
            break;
        case GestureEffectKind::DropPaste:
            PlacePaste(false);
            break;
        case GestureEffectKind::CancelPaste:
            CancelPaste();
            break;
        case GestureEffectKind::WriteMask:
            if (effect.mask) WriteMask(*effect.mask, effect.colour);
            break;
        case GestureEffectKind::RecordHistory:
            PushUndoSnapshot();
            break;
        case GestureEffectKind::BeginDrawPreview:
        case GestureEffectKind::BeginSelectPreview:
            m_pMarquee.reset();
            m_pMarquee = std::make_unique<CMarquee>(m_hWnd, effect.kind == GestureEffectKind::BeginDrawPreview
                                                                ? m_colors.crDrawMarquee
                                                                : m_colors.crSelect);
            break;
        case GestureEffectKind::ShowPreview:
            if (m_pMarquee && effect.mask) m_pMarquee->Show(*effect.mask, Geometry());
            break;
        case GestureEffectKind::ShowMovePreview:
            if (m_pMarquee) m_pMarquee->Show(m_moveShape, Geometry(), effect.offset);
            break;
        case GestureEffectKind::EndPreview:
            m_pMarquee.reset();
            break;
        case GestureEffectKind::StartMove:
            StartMove();
            break;
        case GestureEffectKind::FinishMove:
            FinishMove(effect.start, effect.dot, effect.cancelled);
            break;
        case GestureEffectKind::AbortMove:
            if (m_bMoving) EndMoveDisplay();
            break;
        case GestureEffectKind::SelectRect:
            if (SelectRect(effect.start.x, effect.start.y, effect.dot.x, effect.dot.y)) AfterToolSelection();
            break;
        case GestureEffectKind::AutoSelect: {
            const WaitCursor wait;
            // By default the left button takes the black area under the dot, the right one the white.
            const FillResult fill =
                BuildFillMask(*m_pImage, effect.dot.x, effect.dot.y, effect.colour == kPenBlack);
            if (fill.succeeded && SelectMask(fill.mask)) AfterToolSelection();
            break;
        }
        case GestureEffectKind::Fill: {
            const WaitCursor wait;
            // With Shift and a layer shown, the fill follows the template: the black colour fills
            // the ink under the dot, the white one the template's blank area.
            const bool fromLayer = m_pLayer && (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            const DotPlane& source = fromLayer ? *m_pLayer : *m_pImage;
            const bool invert = (effect.colour == kPenWhite) != fromLayer;
            const FillResult fill = BuildFillMask(source, effect.dot.x, effect.dot.y, invert);
            if (fill.succeeded) {
                WriteMask(fill.mask, effect.colour);
                PushUndoSnapshot();
            }
            break;
        }
        case GestureEffectKind::ShowPosition:
            ShowDotPosition(effect.start.x, effect.start.y, effect.dot.x, effect.dot.y);
            break;
    }
}

bool CMatrixEditView::ShowToolCursor() {
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(m_hWnd, &point);
    RECT client;
    GetClientRect(m_hWnd, &client);
    InflateRect(&client, -kMatrixMargin, -kMatrixMargin);
    CursorSituation situation;
    situation.overMatrix = PtInRect(&client, point) != FALSE;
    situation.tool = m_nTool;
    situation.pastePending = IsPastePending();
    situation.hasSelection = m_selection.HasSelection();
    const DotPoint under = Geometry().ClientToDot(point.x, point.y, false);
    situation.overSelectedDot = m_selection.Contains(under.x, under.y);
    situation.moving = m_bMoving;
    situation.buttonDown = GetCapture() == m_hWnd;
    situation.shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    situation.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    const int id = ChooseMatrixCursor(situation);
    if (id == 0) return false;
    HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
    if (cursor == nullptr) return false;
    SetCursor(cursor);
    return true;
}

BOOL CMatrixEditView::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    using View = CMatrixEditView;
    static const MessageEntry table[] = {
        {WM_LBUTTONDOWN, msg::Mouse<&View::OnLButtonDown>},
        {WM_RBUTTONDOWN, msg::Mouse<&View::OnRButtonDown>},
        // A quick second click is a press like the first.
        {WM_LBUTTONDBLCLK, msg::Mouse<&View::OnLButtonDown>},
        {WM_RBUTTONDBLCLK, msg::Mouse<&View::OnRButtonDown>},
        {WM_MOUSEMOVE, msg::Mouse<&View::OnMouseMove>},
        {WM_LBUTTONUP, msg::Mouse<&View::OnLButtonUp>},
        {WM_RBUTTONUP, msg::Mouse<&View::OnRButtonUp>},
        {WM_CAPTURECHANGED, msg::Window<&View::OnCaptureChanged>},
        {WM_SETCURSOR, msg::SetCursor<&View::OnSetCursor>},
        {WM_ERASEBKGND, msg::Raw<&View::OnEraseBkgnd>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CView::OnWndMsg(m, result);
}

BOOL CMatrixEditView::OnSetCursor(HWND /*window*/, UINT hitTest, UINT /*mouseMessage*/) {
    if (hitTest == HTCLIENT && ShowToolCursor()) return TRUE;
    return static_cast<BOOL>(Default());
}

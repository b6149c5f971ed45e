// The matrix view's selection half: the selection commands, the image commands on the selected dots,
// the move tool's drop and the arrow keys, and the clipboard with the pending paste. The work on the
// dots is done on the platform-free side (editor/selection.h, editor/selection_ops.h); here the keys and
// the clipboard are read, questions asked, cells repainted and history steps recorded.
#include <utility>

#include "base/diag_log.h"
#include "editor/edit_history.h"
#include "win32/editor/clipboard_bitmap.h"
#include "win32/editor/matrix_edit_view.h"
#include "win32/framework/win_app.h"
#include "win32/platform/handles.h"
#include "win32/platform/window_utils.h"
#include "resource.h"

namespace {

// Whether the key was down when the message being handled was sent: a click with Shift or Alt is
// combined by the keys held at that click, however late the program gets to it.
bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

SelectionMode CMatrixEditView::KeyedSelectionMode() {
    return SelectionModeOfKeys(KeyHeld(VK_SHIFT), KeyHeld(VK_MENU));
}

void CMatrixEditView::InvalidatePlaneDots(const DotPlane& plane) {
    const int size = plane.Size();
    const std::size_t rowBytes = static_cast<std::size_t>(size / 8);
    if (rowBytes == 0 || plane.ByteCount() < rowBytes * static_cast<std::size_t>(size)) return;
    DotChanges ink;
    std::vector<std::uint8_t> row(rowBytes);
    const std::span<const std::uint8_t> bytes = plane.Bytes();
    for (int y = 0; y < size; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i)
            row[i] = static_cast<std::uint8_t>(~bytes[static_cast<std::size_t>(y) * rowBytes + i]);
        ink.AddRow(y, row, size);
    }
    InvalidateChanges(ink);
}

BOOL CMatrixEditView::SelectRect(int x0, int y0, int x1, int y1) {
    InvalidateSelectionOutline();
    if (!m_selection.SelectRect(x0, y0, x1, y1, KeyedSelectionMode())) return FALSE;
    InvalidateSelectionOutline();
    return TRUE;
}

BOOL CMatrixEditView::SelectMask(const DotPlane& mask) {
    InvalidateSelectionOutline();
    if (!m_selection.SelectMask(mask, KeyedSelectionMode())) return FALSE;
    InvalidateSelectionOutline();
    return TRUE;
}

BOOL CMatrixEditView::InvertSelection() {
    InvalidateSelectionOutline();
    if (!m_selection.InvertSelection()) return FALSE;
    InvalidateSelectionOutline();
    return TRUE;
}

void CMatrixEditView::Deselect() { SelectRect(0, 0, 0, 0); }

void CMatrixEditView::SelectAll() { SelectRect(0, 0, m_nGlyphSize, m_nGlyphSize); }

void CMatrixEditView::AfterToolSelection() {
    // Only a selection that holds a dot has something to move: after an empty one the tool stays.
    if (!m_context.m_settings.bSelectAfterMove || !HasSelection()) return;
    SetTool(kMoveTool);
    ShowToolCursor();
}

void CMatrixEditView::OnToolMove() {
    if (!HasSelection()) return;
    g_log.Write(L"Command:移動\n");
    SetTool(kMoveTool);
}

void CMatrixEditView::OnSelectAll() {
    g_log.Write(L"Command:全て選択\n");
    SelectAll();
}

void CMatrixEditView::OnDeselect() {
    g_log.Write(L"Command:選択解除\n");
    Deselect();
}

void CMatrixEditView::OnInvertSelection() {
    g_log.Write(L"Command:選択を反転\n");
    InvertSelection();
}

void CMatrixEditView::OnImageCommand(UINT id) {
    // The flips by their kinds; the quarter turns and the inversion after them.
    enum : int { kTurnClockwise = kFlipHalfTurn + 1, kTurnAnticlockwise, kInvertImage };
    struct ImageCommand {
        UINT id;
        int operation;
        const wchar_t* trace;
    };
    static const ImageCommand kCommands[] = {
        {ID_IMAGE_INVERT, kInvertImage, L"Command:白黒反転\n"},
        {ID_IMAGE_FLIP_VERTICAL, kFlipVertical, L"Command:上下反転\n"},
        {ID_IMAGE_FLIP_HORIZONTAL, kFlipHorizontal, L"Command:左右反転\n"},
        {ID_IMAGE_ROTATE_180, kFlipHalfTurn, L"Command:180度回転\n"},
        {ID_IMAGE_ROTATE_90, kTurnClockwise, L"Command:90度回転\n"},
        {ID_IMAGE_ROTATE_240, kTurnAnticlockwise, L"Command:270度回転\n"},
    };
    for (const ImageCommand& command : kCommands) {
        if (command.id != id) continue;
        g_log.Write(command.trace);
        if (command.operation == kInvertImage) {
            InvertSelectedImage();
        } else if (command.operation >= kTurnClockwise) {
            RotateSelection(command.operation == kTurnAnticlockwise);
        } else {
            FlipSelection(command.operation);
        }
    }
}

void CMatrixEditView::OnEditCut() { CopyToClipboard(TRUE); }

void CMatrixEditView::OnEditCopy() { CopyToClipboard(FALSE); }

void CMatrixEditView::OnEditPaste() { PasteFromClipboard(); }

bool CMatrixEditView::RequireRectSelection() {
    if (!HasSelection()) return false;
    if (m_selection.IsRectangular()) return true;
    if (AfxMessageBox(IDS_ASK_RECT_SELECTION, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    InvalidateSelectionOutline();
    m_selection.ExpandToBox();
    InvalidateSelectionOutline();
    return true;
}

void CMatrixEditView::InvertSelectedImage() {
    if (!ImageReady() || !HasSelection()) return;
    const WaitCursor wait;
    DotChanges written;
    if (::InvertSelectedImage(*m_pImage, m_selection, written) != SelectionOpResult::kDone) return;
    InvalidateChanges(written);
    PushUndoSnapshot();
}

void CMatrixEditView::FlipSelection(int kind) {
    if (!ImageReady() || !RequireRectSelection()) return;
    const WaitCursor wait;
    DotChanges written;
    if (::FlipSelection(*m_pImage, m_selection, static_cast<FlipKind>(kind), written) !=
        SelectionOpResult::kDone)
        return;
    InvalidateChanges(written);
    PushUndoSnapshot();
}

void CMatrixEditView::RotateSelection(bool anticlockwise) {
    if (!ImageReady() || !RequireRectSelection()) return;
    const WaitCursor wait;
    const DotPlane oldBorder = m_selection.Outline();
    DotChanges written;
    if (::RotateSelection(*m_pImage, m_selection, anticlockwise, written) != SelectionOpResult::kDone) return;
    // The selection became the turned box.
    InvalidatePlaneDots(oldBorder);
    InvalidateSelectionOutline();
    InvalidateChanges(written);
    PushUndoSnapshot();
}

void CMatrixEditView::StartMove() {
    m_pMarquee.reset();
    m_pMarquee = std::make_unique<CMarquee>(m_hWnd, m_colors.crMoveMarquee);
    // What follows the mouse: the selected black dots and the border. A selection without black dots
    // still shows it, though its drop will change nothing.
    m_moveShape = RenderSelection(*m_pImage, m_selection, 0, 0, false).plane;
    RenderedPlane origin = RenderSelection(*m_pImage, m_selection, 0, 0, true);
    if (!origin.anyQualified) return;
    m_staging = std::move(origin.plane);
    m_bMoving = true;
    // The lifted dots show their origin tint, and the border goes while they are carried.
    InvalidatePlaneDots(m_staging);
    InvalidateSelectionOutline();
}

void CMatrixEditView::EndMoveDisplay() {
    InvalidatePlaneDots(m_staging);
    InvalidateSelectionOutline();
    m_bMoving = false;
}

void CMatrixEditView::FinishMove(DotPoint start, DotPoint dot, bool cancelled) {
    m_pMarquee.reset();
    if (!m_bMoving) return;
    const int dx = dot.x - start.x;
    const int dy = dot.y - start.y;
    // Escape at the release, or a drop where the drag began, leaves everything as it was.
    if (cancelled || (dx == 0 && dy == 0) || !ImageReady()) {
        EndMoveDisplay();
        return;
    }
    const WaitCursor wait;
    InvalidateSelectionOutline();
    DotChanges written;
    const bool moved = ::MoveSelection(*m_pImage, m_selection, m_staging, dx, dy, m_nOverlayMode, written);
    EndMoveDisplay();
    if (!moved) return;
    InvalidateChanges(written);
    PushUndoSnapshot();
}

void CMatrixEditView::NudgeSelection(UINT key) {
    if (key < VK_LEFT || key > VK_DOWN || !ImageReady() || m_bMoving) return;
    const auto direction = static_cast<NudgeDirection>(key - VK_LEFT);
    const std::optional<DotPoint> step = m_selection.NudgeStep(direction);
    if (!step) return;
    if (m_nTool == kRectSelectTool || m_nTool == kAutoSelectTool) {
        // Only the selection moves.
        InvalidateSelectionOutline();
        m_selection.NudgeSelection(direction);
        InvalidateSelectionOutline();
    } else if (m_nTool == kMoveTool) {
        const WaitCursor wait;
        const RenderedPlane origin = RenderSelection(*m_pImage, m_selection, 0, 0, true);
        if (!origin.anyQualified) return;
        InvalidateSelectionOutline();
        DotChanges written;
        if (!::MoveSelection(*m_pImage, m_selection, origin.plane, step->x, step->y, m_nOverlayMode, written))
            return;
        InvalidateSelectionOutline();
        InvalidateChanges(written);
        PushUndoSnapshot();
    }
}

bool CMatrixEditView::HandOverPicture(const OneBitImage& picture) {
    HBITMAP bitmap = CreateOneBitBitmap(picture);
    if (bitmap == nullptr) return false;
    bool handedOver = false;
    // Opened for this window: a clipboard emptied without an owner refuses SetClipboardData.
    if (OpenClipboardPatiently(m_hWnd)) {
        EmptyClipboard();
        handedOver = SetClipboardData(CF_BITMAP, bitmap) != nullptr;  // the clipboard owns it now
        CloseClipboard();
    }
    if (!handedOver) DeleteObject(bitmap);
    return handedOver;
}

void CMatrixEditView::CopyToClipboard(BOOL cut) {
    if (!ImageReady() || !HasSelection()) return;
    g_log.Write(cut ? L"Command:切り取り\n" : L"Command:コピー\n");
    const RenderedImage picture = RenderSelectionForClipboard(*m_pImage, m_selection);
    // A selection without black dots leaves the clipboard as it was. A picture the clipboard did not take
    // is said so, and a cut then keeps its dots: clearing them would lose them.
    if (picture.anyQualified && !HandOverPicture(picture.image)) {
        AfxMessageBox(cut ? IDS_ERR_CLIPBOARD_CUT : IDS_ERR_CLIPBOARD_COPY, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (cut) {
        // One step even when nothing was black.
        DotChanges cleared;
        ClearSelectedDots(*m_pImage, m_selection, cleared);
        InvalidateChanges(cleared);
        PushUndoSnapshot();
    }
}

BOOL CMatrixEditView::CanPaste() const { return ClipboardHasPicture(); }

OneBitImageView CMatrixEditView::PastePicture() const {
    if (!m_paste) return {};
    return {m_paste->width, m_paste->height, m_paste->bytes, m_paste->RowBytes()};
}

void CMatrixEditView::PasteFromClipboard() {
    if (!ImageReady() || !CanPaste()) return;
    g_log.Write(L"Command:貼り付け\n");
    PasteBitmap picture;
    const bool opened = OpenClipboardPatiently(m_hWnd);
    const ClipboardReadResult read =
        opened ? ReadClipboardPicture(m_nGlyphSize, picture) : ClipboardReadResult::kNoPicture;
    if (opened) CloseClipboard();
    if (read != ClipboardReadResult::kRead) {
        // A paste already waiting keeps its picture.
        if (!opened) AfxMessageBox(IDS_ERR_CLIPBOARD_PASTE, MB_OK | MB_ICONEXCLAMATION);
        if (read == ClipboardReadResult::kUnreadable)
            AfxMessageBox(IDS_ERR_PASTE_UNREADABLE, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_paste = std::move(picture);
    m_pMarquee.reset();
    m_pMarquee = std::make_unique<CMarquee>(m_hWnd, m_colors.crDrawMarquee);
    // The pointer goes to the first cell, where the picture is shown first.
    const PixelPoint centre = Geometry().DotToCellCenter(0, 0);
    POINT screen = {centre.x, centre.y};
    ClientToScreen(m_hWnd, &screen);
    SetCursorPos(screen.x, screen.y);
    m_pMarquee->Show(PastedDots(PastePicture(), 0, 0, m_nGlyphSize), Geometry());
    SetTool(kMoveTool);
    ShowToolCursor();
}

void CMatrixEditView::ShowPendingPaste(POINT point) {
    const DotPoint at = ClampToGlyphEdge(Geometry().ClientToDot(point.x, point.y, true), m_nGlyphSize);
    m_pMarquee->Show(PastedDots(PastePicture(), at.x, at.y, m_nGlyphSize), Geometry());
}

void CMatrixEditView::PlacePaste(bool commit, DotPoint dot) {
    if (commit && IsPastePending() && ImageReady()) {
        DotChanges written;
        if (::PlacePaste(*m_pImage, PastePicture(), dot.x, dot.y, m_nOverlayMode, written)) {
            InvalidateChanges(written);
            PushUndoSnapshot();
        }
    }
    m_pMarquee.reset();
    m_paste.reset();
}

BOOL CMatrixEditView::CancelPaste() {
    if (!IsPastePending()) {
        m_paste.reset();
        return FALSE;
    }
    PlacePaste(false);
    ShowToolCursor();
    return TRUE;
}

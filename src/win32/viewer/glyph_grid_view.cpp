#include "win32/viewer/glyph_grid_view.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "base/dpi_scale.h"
#include "win32/platform/family_windows.h"
#include "win32/platform/window_utils.h"
#include "win32/platform/strings.h"
#include "win32/framework/win_app.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "resource.h"
#include "viewer/viewer_rules.h"
#include "win32/platform/plane_bitmaps.h"
#include "viewer_resource.h"

namespace {

// A bitmap file held open by the system character editor cannot be read for a moment: try again.
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMillis = 500;

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kCellLine = RGB(220, 220, 220);
constexpr COLORREF kStoredLabel = RGB(0, 0, 0);
constexpr COLORREF kEmptyLabel = RGB(176, 176, 176);
constexpr COLORREF kEmptyFrame = RGB(232, 232, 232);
constexpr COLORREF kSelectedFill = RGB(204, 228, 255);
constexpr COLORREF kSelectedFrame = RGB(0, 102, 204);
constexpr COLORREF kOpenMark = RGB(255, 128, 0);
constexpr COLORREF kDamaged = RGB(220, 0, 0);

RECT ToRect(const GridRect& r) { return {r.left, r.top, r.right, r.bottom}; }

void FillSolid(HDC dc, const RECT& rc, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

void FrameSolid(HDC dc, RECT rc, COLORREF color, int thickness) {
    for (int i = 0; i < thickness; ++i) {
        FillSolid(dc, {rc.left, rc.top, rc.right, rc.top + 1}, color);
        FillSolid(dc, {rc.left, rc.bottom - 1, rc.right, rc.bottom}, color);
        FillSolid(dc, {rc.left, rc.top, rc.left + 1, rc.bottom}, color);
        FillSolid(dc, {rc.right - 1, rc.top, rc.right, rc.bottom}, color);
        InflateRect(&rc, -1, -1);
    }
}

// The editors' main windows and the code each one's title shows.
std::vector<std::pair<HWND, int>> EditorCodes() {
    std::vector<std::pair<HWND, int>> editors;
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetPropW(window, kEditorTag) == nullptr) continue;
        editors.emplace_back(window, CodeFromEditorTitle(WindowTextOf(window)));
    }
    return editors;
}

void BringToFront(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace

CGlyphGridView::CGlyphGridView(std::wstring bitmapPath, std::wstring moduleFolder, int cellSize, int dpi,
                               Sink sink)
    : m_strBitmapPath(std::move(bitmapPath)),
      m_strFontPath(m_strBitmapPath.substr(0, m_strBitmapPath.size() >= 3 ? m_strBitmapPath.size() - 3 : 0) +
                    L"TTE"),
      m_strModuleFolder(std::move(moduleFolder)),
      m_sink(std::move(sink)),
      m_grid(kEudcFirst, kEudcLast, cellSize, dpi) {}

BOOL CGlyphGridView::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    using V = CGlyphGridView;
    static const CommandEntry<V> table[] = {
        {ID_VIEWER_OPEN_EDITOR, ID_VIEWER_OPEN_EDITOR, &V::OnOpenEditor, &V::OnUpdateNeedsCode},
        {ID_EDIT_COPY, ID_EDIT_COPY, &V::OnEditCopy, &V::OnUpdateNeedsStored},
        {ID_VIEWER_RELOAD, ID_VIEWER_RELOAD, &V::OnReload},
        {ID_VIEWER_ZOOM_IN, ID_VIEWER_ZOOM_IN, &V::OnZoomIn, &V::OnUpdateZoomIn},
        {ID_VIEWER_ZOOM_OUT, ID_VIEWER_ZOOM_OUT, &V::OnZoomOut, &V::OnUpdateZoomOut},
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

namespace {

std::wstring FailureText(const GlyphSheet& sheet) {
    return sheet.Result() == kSheetOutOfMemory ? LoadResString(IDS_VIEWER_NO_MEMORY)
                                               : SheetFailureText(sheet);
}

}  // namespace

void CGlyphGridView::SetSheet(GlyphSheet sheet) {
    m_sheet = std::move(sheet);
    // A file that changed between the start-up check and this read shows why, as an update would.
    m_strFailure = m_sheet.IsGood() ? std::wstring() : FailureText(m_sheet);
    m_marks.Load(m_sheet, std::filesystem::path(m_strFontPath));
    m_grid = ViewerGrid(m_sheet.FirstCode(), m_sheet.LastCode(), m_grid.CellSize(), m_grid.Dpi());
    if (!m_grid.Contains(m_nSelected)) m_nSelected = m_grid.FirstCode();
    if (m_hWnd) {
        m_nTopRow = m_grid.ClampTopRow(m_nTopRow, ClientHeight());
        UpdateScrollBar();
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    ReportStatus();
}

void CGlyphGridView::Reload(bool newRound) {
    KillTimer(m_hWnd, kRetryTimer);
    if (newRound) m_retries.NewRound();
    // The editor that sent the signal has gone: its code is no longer open, whatever the file says.
    RefreshOpenCodes();
    GlyphSheet fresh;
    fresh.Read(std::filesystem::path(m_strBitmapPath));
    if (!fresh.IsGood()) {
        m_strFailure = FailureText(fresh);
        ReportStatus();
        // The writer may still hold the file; anything else stays as it is until the next signal.
        if (m_retries.RetryAfter(fresh.Result())) SetTimer(m_hWnd, kRetryTimer, kRetryMillis, nullptr);
        return;
    }
    const bool sameRange = fresh.FirstCode() == m_sheet.FirstCode() && fresh.LastCode() == m_sheet.LastCode();
    const std::vector<int> changed = ChangedCodes(m_sheet, fresh);
    if (!sameRange) {
        SetSheet(std::move(fresh));
        return;
    }
    m_sheet = std::move(fresh);
    m_strFailure.clear();
    for (int code : changed) InvalidateCode(code);
    // The font may change without the bitmap file (or the other way round): its marks are looked at again.
    FontMarks marks;
    marks.Load(m_sheet, std::filesystem::path(m_strFontPath));
    for (int code : ChangedMarks(m_marks, marks)) InvalidateCode(code);
    m_marks = std::move(marks);
    ReportStatus();
}

void CGlyphGridView::RefreshOpenCodes() {
    std::set<int> open;
    for (const auto& [window, code] : EditorCodes()) {
        if (code >= 0) open.insert(code);
    }
    // An editor we started that shows its code now is found by its title from here on.
    std::erase_if(m_started, [&](const auto& entry) {
        return open.count(entry.first) != 0 ||
               WaitForSingleObject(entry.second.process.Get(), 0) != WAIT_TIMEOUT;
    });
    std::vector<int> changed;
    std::set_symmetric_difference(open.begin(), open.end(), m_openCodes.begin(), m_openCodes.end(),
                                  std::back_inserter(changed));
    m_openCodes = std::move(open);
    for (int code : changed) InvalidateCode(code);
}

void CGlyphGridView::SetCellSize(int cellSize) {
    const int size = ViewerGrid::ClampCellSize(cellSize);
    if (size == m_grid.CellSize()) return;
    // The row at the top stays at the top, as far as the new scroll range allows.
    m_grid = ViewerGrid(m_grid.FirstCode(), m_grid.LastCode(), size, m_grid.Dpi());
    m_nTopRow = m_grid.ClampTopRow(m_nTopRow, ClientHeight());
    UpdateScrollBar();
    InvalidateRect(m_hWnd, nullptr, FALSE);
    HoverAtCursor();
    if (m_sink.cellSizeChanged) m_sink.cellSizeChanged(size);
}

void CGlyphGridView::GoToCode(int code) {
    if (!m_grid.Contains(code)) return;
    Select(code);
}

void CGlyphGridView::OpenInEditor(int code) {
    if (!m_grid.Contains(code)) return;
    for (const auto& [window, shown] : EditorCodes()) {
        if (shown == code) {
            BringToFront(window);
            return;
        }
    }
    // An editor started for this code that has not put it into its title yet: do not start a second.
    if (auto it = m_started.find(code); it != m_started.end()) {
        if (WaitForSingleObject(it->second.process.Get(), 0) == WAIT_TIMEOUT) {
            if (HWND window = FindProcessMainWindow(it->second.processId)) BringToFront(window);
            return;
        }
        m_started.erase(it);
    }
    const std::wstring commandLine = EditorCommandLine(m_strModuleFolder, code);
    StartedProcess started;
    if (!StartProcess(commandLine, SW_SHOWDEFAULT, 0, started)) {
        AfxMessageBox(FormatText(LoadResString(IDS_ERR_RUN_FAILED).c_str(), commandLine.c_str()), MB_OK);
        return;
    }
    m_started[code] = std::move(started);
}

std::vector<std::uint8_t> CGlyphGridView::SelectedPlane(int& size) const {
    if (!m_sheet.IsStored(m_nSelected)) return {};
    size = m_sheet.GlyphSize();
    const auto plane = m_sheet.Plane(m_nSelected);
    return {plane.begin(), plane.end()};
}

void CGlyphGridView::CopySelected() {
    if (!m_sheet.IsStored(m_nSelected)) return;
    CopyPlaneToClipboard(m_hWnd, m_sheet.Plane(m_nSelected), m_sheet.GlyphSize());
}

void CGlyphGridView::OnOpenEditor() { OpenInEditor(m_nSelected); }
void CGlyphGridView::OnUpdateNeedsCode(CCmdUI* cmdUI) { cmdUI->Enable(m_grid.Contains(m_nSelected)); }
void CGlyphGridView::OnUpdateNeedsStored(CCmdUI* cmdUI) { cmdUI->Enable(m_sheet.IsStored(m_nSelected)); }
void CGlyphGridView::OnEditCopy() { CopySelected(); }
void CGlyphGridView::OnReload() { Reload(true); }
void CGlyphGridView::OnZoomIn() { SetCellSize(m_grid.CellSize() + kCellSizeStep); }
void CGlyphGridView::OnZoomOut() { SetCellSize(m_grid.CellSize() - kCellSizeStep); }
void CGlyphGridView::OnUpdateZoomIn(CCmdUI* cmdUI) { cmdUI->Enable(m_grid.CellSize() < kMaxCellSize); }
void CGlyphGridView::OnUpdateZoomOut(CCmdUI* cmdUI) { cmdUI->Enable(m_grid.CellSize() > kMinCellSize); }

int CGlyphGridView::ClientHeight() const {
    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    return rc.bottom;
}

void CGlyphGridView::UpdateScrollBar() {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = std::max(0, m_grid.RowCount() - 1);
    info.nPage = static_cast<UINT>(m_grid.PageRows(ClientHeight()));
    info.nPos = m_nTopRow;
    SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
}

void CGlyphGridView::ScrollTo(int topRow) {
    const int top = m_grid.ClampTopRow(topRow, ClientHeight());
    if (top == m_nTopRow) return;
    const int rows = m_nTopRow - top;
    m_nTopRow = top;
    UpdateScrollBar();
    // What stays in view moves on the screen; only the rows that come in are painted.
    ScrollWindowEx(m_hWnd, 0, rows * m_grid.CellHeight(), nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    UpdateWindow(m_hWnd);
    // Another code is under the mouse now.
    HoverAtCursor();
}

void CGlyphGridView::HoverAtCursor() {
    POINT point = {};
    if (!GetCursorPos(&point) || WindowFromPoint(point) != m_hWnd) {
        SetHover(-1);
        return;
    }
    ScreenToClient(m_hWnd, &point);
    SetHover(m_grid.HitTest(point.x, point.y, m_nTopRow));
}

void CGlyphGridView::InvalidateCode(int code) {
    if (!m_hWnd || !m_grid.Contains(code)) return;
    const RECT rc = ToRect(m_grid.CellBounds(code, m_nTopRow));
    InvalidateRect(m_hWnd, &rc, FALSE);
}

void CGlyphGridView::Select(int code) {
    if (!m_grid.Contains(code)) return;
    if (code != m_nSelected) {
        InvalidateCode(m_nSelected);
        m_nSelected = code;
        InvalidateCode(code);
    }
    ScrollTo(m_grid.TopRowShowing(code, m_nTopRow, ClientHeight()));
    ReportStatus();
}

void CGlyphGridView::SetHover(int code) {
    if (code == m_nHover) return;
    m_nHover = code;
    ReportStatus();
}

void CGlyphGridView::ReportStatus() {
    if (!m_sink.statusChanged) return;
    std::wstring fileText = m_strFailure;
    if (fileText.empty()) {
        fileText = m_sheet.DamagedCount() == 0
                       ? FormatText(LoadResString(IDS_VIEWER_COUNT).c_str(), m_sheet.StoredCount())
                       : FormatText(LoadResString(IDS_VIEWER_COUNT_DAMAGED).c_str(), m_sheet.StoredCount(),
                                    m_sheet.DamagedCount());
    }
    const int code = m_nHover >= 0 ? m_nHover : m_nSelected;
    if (m_strFailure.empty()) {
        // The font's side: why the character under the mouse is marked, or how many are.
        const std::wstring name = FormatCodeText(code);
        switch (m_marks.Mark(m_grid.Contains(code) ? code : -1)) {
            case FontMark::Missing:
                fileText = FormatText(LoadResString(IDS_VIEWER_FONT_MISSING).c_str(), name.c_str());
                break;
            case FontMark::Differs:
                fileText = FormatText(LoadResString(IDS_VIEWER_FONT_DIFFERS).c_str(), name.c_str(),
                                      m_marks.OverlapPercent(code));
                break;
            case FontMark::BadGlyph:
                fileText = FormatText(LoadResString(IDS_VIEWER_FONT_BAD_GLYPH).c_str(), name.c_str(),
                                      m_marks.GlyphResult(code));
                break;
            case FontMark::None:
                if (m_marks.FontResult() != kTteOk)
                    fileText += L"  " + FormatText(LoadResString(IDS_VIEWER_FONT_UNREADABLE).c_str(),
                                                   m_marks.FontResult());
                else if (m_marks.MarkedCount() > 0)
                    fileText += L"  " + FormatText(LoadResString(IDS_VIEWER_FONT_MARKED).c_str(),
                                                   m_marks.MarkedCount());
                break;
        }
    }
    std::wstring codeText;
    if (m_grid.Contains(code)) {
        const UINT format = m_openCodes.count(code) ? IDS_VIEWER_CODE_OPEN : IDS_VIEWER_CODE;
        codeText = FormatText(LoadResString(format).c_str(), FormatCodeText(code).c_str());
    }
    m_sink.statusChanged(fileText, codeText);
}

void CGlyphGridView::PaintCell(HDC dc, int code) {
    const RECT cell = ToRect(m_grid.CellBounds(code, m_nTopRow));
    const RECT picture = ToRect(m_grid.PictureBounds(code, m_nTopRow));
    const bool selected = code == m_nSelected;
    const int record = m_sheet.RecordResult(code);
    FillSolid(dc, cell, selected ? kSelectedFill : kBackground);
    // The cell's right and bottom edges separate it from its neighbours.
    FillSolid(dc, {cell.right - 1, cell.top, cell.right, cell.bottom}, kCellLine);
    FillSolid(dc, {cell.left, cell.bottom - 1, cell.right, cell.bottom}, kCellLine);

    const std::wstring label = FormatCodeText(code);
    SetTextColor(dc, record == kEudcNoCharacter ? kEmptyLabel : kStoredLabel);
    SetBkMode(dc, TRANSPARENT);
    const RECT labelRect = ToRect(m_grid.LabelBounds(code, m_nTopRow));
    ExtTextOutW(dc, labelRect.left, labelRect.top, ETO_CLIPPED, &labelRect, label.c_str(),
                static_cast<UINT>(label.size()), nullptr);

    if (record == kEudcOk) {
        DrawPlane(dc, picture, m_sheet.Plane(code), m_sheet.GlyphSize());
    } else if (record == kEudcNoCharacter) {
        FrameSolid(dc, picture, kEmptyFrame, 1);
    } else {
        // A record the reader refuses: a red cross where the character would be.
        FrameSolid(dc, picture, kDamaged, 1);
        HPEN pen = CreatePen(PS_SOLID, 1, kDamaged);
        const SelectedObject selectPen(dc, pen);
        MoveToEx(dc, picture.left, picture.top, nullptr);
        LineTo(dc, picture.right, picture.bottom);
        MoveToEx(dc, picture.right - 1, picture.top, nullptr);
        LineTo(dc, picture.left - 1, picture.bottom);
        DeleteObject(pen);
    }
    if (m_marks.Mark(code) != FontMark::None) {
        // The font does not show this character: a red corner at the top right of the cell.
        const int side = m_grid.LabelHeight() - ScaleForDpi(2, m_grid.Dpi());
        for (int row = 0; row < side; ++row)
            FillSolid(dc, {cell.right - 1 - side + row, cell.top + row, cell.right - 1, cell.top + row + 1},
                      kDamaged);
    }
    if (m_openCodes.count(code)) {
        RECT mark = picture;
        const int width = ScaleForDpi(2, m_grid.Dpi());
        InflateRect(&mark, width, width);
        FrameSolid(dc, mark, kOpenMark, width);
    }
    if (selected) FrameSolid(dc, cell, kSelectedFrame, 1);
}

void CGlyphGridView::OnDraw(HDC dc) {
    // Not used: WM_PAINT composes the update region off-screen (see OnPaint).
}

BOOL CGlyphGridView::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    using View = CGlyphGridView;
    static const MessageEntry table[] = {
        {WM_CREATE, msg::Raw<&View::OnCreate>},
        {WM_PAINT, msg::Plain<&View::OnPaint>},
        {WM_ERASEBKGND, msg::Raw<&View::OnEraseBkgnd>},
        {WM_SIZE, msg::Size<&View::OnSize>},
        {WM_VSCROLL, msg::Raw<&View::OnVScroll>},
        {WM_MOUSEWHEEL, msg::Raw<&View::OnMouseWheelMessage>},
        {WM_KEYDOWN, msg::Key<&View::OnKeyDown>},
        {WM_GETDLGCODE, msg::Raw<&View::OnGetDlgCode>},
        {WM_MOUSEMOVE, msg::Mouse<&View::OnMouseMove>},
        {WM_MOUSELEAVE, msg::Plain<&View::OnMouseLeave>},
        {WM_LBUTTONDOWN, msg::Mouse<&View::OnLButtonDown>},
        {WM_LBUTTONDBLCLK, msg::Mouse<&View::OnLButtonDblClk>},
        {WM_TIMER, msg::Timer<&View::OnTimer>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CView::OnWndMsg(m, result);
}

void CGlyphGridView::MakeLabelFont() {
    m_labelFont.Reset(CreateFontW(-m_grid.LabelFontHeight(), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック"));
}

void CGlyphGridView::SetDpi(int dpi) {
    if (dpi == m_grid.Dpi()) return;
    m_grid = ViewerGrid(m_grid.FirstCode(), m_grid.LastCode(), m_grid.CellSize(), dpi);
    MakeLabelFont();
    if (m_hWnd) {
        m_nTopRow = m_grid.ClampTopRow(m_nTopRow, ClientHeight());
        UpdateScrollBar();
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

LRESULT CGlyphGridView::OnCreate(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    MakeLabelFont();
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) | WS_VSCROLL | WS_TABSTOP);
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

void CGlyphGridView::OnPaint() {
    // The update region is composed off-screen and copied once.
    PaintDC paint(m_hWnd);
    HDC dc = paint.Get();
    const RECT& dirtyRect = paint.UpdateRect();
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (!m_memDC || m_memSize.cx < client.right || m_memSize.cy < client.bottom) {
        m_memDC.Reset(CreateCompatibleDC(dc));
        m_memSize = {std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)};
        m_memBitmap.Reset(CreateCompatibleBitmap(dc, m_memSize.cx, m_memSize.cy));
    }
    if (!m_memDC || !m_memBitmap) return;
    HDC mem = m_memDC.Get();
    const SelectedObject bitmap(mem, m_memBitmap.Get());
    const SelectedObject font(mem, m_labelFont.Get());
    FillSolid(mem, dirtyRect, kBackground);
    const GridRect dirty = {dirtyRect.left, dirtyRect.top, dirtyRect.right, dirtyRect.bottom};
    const auto [first, last] = m_grid.CodesTouching(dirty, m_nTopRow);
    for (int code = first; code <= last; ++code) {
        if (m_grid.CellBounds(code, m_nTopRow).Intersects(dirty)) PaintCell(mem, code);
    }
    BitBlt(dc, dirtyRect.left, dirtyRect.top, dirtyRect.right - dirtyRect.left,
           dirtyRect.bottom - dirtyRect.top, mem, dirtyRect.left, dirtyRect.top, SRCCOPY);
}

void CGlyphGridView::OnSize(UINT /*type*/, int /*width*/, int /*height*/) {
    // A taller window may show rows below the last one: the top row comes back into range.
    const int top = m_grid.ClampTopRow(m_nTopRow, ClientHeight());
    if (top != m_nTopRow) {
        m_nTopRow = top;
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    UpdateScrollBar();
}

LRESULT CGlyphGridView::OnVScroll(WPARAM wParam, LPARAM /*lParam*/) {
    const int page = m_grid.PageRows(ClientHeight());
    int top = m_nTopRow;
    switch (LOWORD(wParam)) {
        case SB_LINEUP:
            top -= 1;
            break;
        case SB_LINEDOWN:
            top += 1;
            break;
        case SB_PAGEUP:
            top -= page;
            break;
        case SB_PAGEDOWN:
            top += page;
            break;
        case SB_TOP:
            top = 0;
            break;
        case SB_BOTTOM:
            top = m_grid.RowCount();
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info = {};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(m_hWnd, SB_VERT, &info);
            top = info.nTrackPos;
            break;
        }
        default:
            return 0;
    }
    ScrollTo(top);
    return 0;
}

LRESULT CGlyphGridView::OnMouseWheelMessage(WPARAM wParam, LPARAM /*lParam*/) {
    OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
    return 0;
}

void CGlyphGridView::OnMouseMove(UINT /*flags*/, POINT point) {
    SetHover(m_grid.HitTest(point.x, point.y, m_nTopRow));
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
    TrackMouseEvent(&track);
}

void CGlyphGridView::OnLButtonDown(UINT /*flags*/, POINT point) {
    SetFocus(m_hWnd);
    const int code = m_grid.HitTest(point.x, point.y, m_nTopRow);
    if (code >= 0) Select(code);
}

void CGlyphGridView::OnLButtonDblClk(UINT /*flags*/, POINT point) {
    const int code = m_grid.HitTest(point.x, point.y, m_nTopRow);
    if (code < 0) return;
    Select(code);
    OpenInEditor(code);
}

void CGlyphGridView::OnTimer(UINT_PTR id) {
    if (id == kRetryTimer) Reload(false);
}

void CGlyphGridView::OnMouseWheel(short delta, UINT keys) {
    // Whole notches only; a fine-grained wheel adds up its parts.
    m_nWheelRemainder += delta;
    const int notches = m_nWheelRemainder / WHEEL_DELTA;
    m_nWheelRemainder %= WHEEL_DELTA;
    if (notches == 0) return;
    if (keys & MK_CONTROL) {
        SetCellSize(m_grid.CellSize() + notches * kCellSizeStep);
        return;
    }
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int rows = lines == WHEEL_PAGESCROLL ? m_grid.PageRows(ClientHeight()) : static_cast<int>(lines);
    ScrollTo(m_nTopRow - notches * rows);
}

void CGlyphGridView::OnKeyDown(UINT key) {
    const int page = m_grid.PageRows(ClientHeight());
    switch (key) {
        case VK_PRIOR:
            ScrollTo(m_nTopRow - page);
            Select(m_grid.Step(m_nSelected, 0, -page));
            break;
        case VK_NEXT:
            ScrollTo(m_nTopRow + page);
            Select(m_grid.Step(m_nSelected, 0, page));
            break;
        case VK_HOME:
            Select(m_grid.FirstCode());
            break;
        case VK_END:
            Select(m_grid.LastCode());
            break;
        case VK_LEFT:
            Select(m_grid.Step(m_nSelected, -1, 0));
            break;
        case VK_RIGHT:
            Select(m_grid.Step(m_nSelected, 1, 0));
            break;
        case VK_UP:
            Select(m_grid.Step(m_nSelected, 0, -1));
            break;
        case VK_DOWN:
            Select(m_grid.Step(m_nSelected, 0, 1));
            break;
    }
}

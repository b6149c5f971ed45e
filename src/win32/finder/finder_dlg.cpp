#include "win32/finder/finder_dlg.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/sample_layer.h"
#include "finder/finder_candidates.h"
#include "win32/finder/finder_font_data.h"
#include "win32/framework/win_app.h"
#include "win32/platform/dpi.h"
#include "win32/platform/handles.h"
#include "win32/platform/plane_bitmaps.h"
#include "win32/platform/strings.h"
#include "win32/platform/user_folders.h"
#include "win32/platform/window_utils.h"
#include "resource.h"

namespace {

// The worker has news (progress, a finished load, an answer): posted by its thread.
constexpr UINT kWorkerNews = WM_APP + 60;
constexpr UINT_PTR kGlyphTimer = 1;
// How often the glyph is looked at; a change is searched kFinderSettleTime after the last one.
constexpr UINT kGlyphPollMs = 100;
// A list item's height at 96 DPI: the picture and a margin around it.
constexpr int kItemHeight96 = 54;
constexpr int kItemMargin96 = 3;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring ItemText(const FinderResult& item) {
    // The code points, the font and the similarity, separated by tabs (the list draws them in columns).
    const int percent = static_cast<int>(std::lround(item.match.similarity * 100));
    return Wide(CandidateCodeText(item.match.code, item.match.selector)) + L"\t" + item.face + L"\t" +
           std::to_wstring(percent) + L"%";
}

}  // namespace

CFinderDlg::CFinderDlg(IProfileStore& profile, std::wstring programFolder, IMatrixViewState* view,
                       GlyphSource glyph, std::function<void()> layerShown)
    : CDialog(IDD_FINDER),
      m_profile(profile),
      m_strProgramFolder(std::move(programFolder)),
      m_pView(view),
      m_glyph(std::move(glyph)),
      m_layerShown(std::move(layerShown)) {}

CFinderDlg::~CFinderDlg() {
    // The worker's thread posts to the window: it ends first.
    m_worker.reset();
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CFinderDlg::Open(CWnd* owner) {
    if (m_hWnd == nullptr) {
        if (!Create(IDD_FINDER, owner)) return;
        // Beside the editor's window, on its right where the matrix stays in view, but on its screen.
        RECT ownerRect = {}, rect = {};
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        if (owner && GetWindowRect(owner->m_hWnd, &ownerRect) && GetWindowRect(m_hWnd, &rect) &&
            GetMonitorInfoW(MonitorFromWindow(owner->m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
            const RECT& work = monitor.rcWork;
            const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
            const LONG x = std::max(work.left, std::min(ownerRect.right, work.right - width));
            const LONG y = std::max(work.top, std::min(ownerRect.top, work.bottom - height));
            SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    ShowWindow(m_hWnd, SW_SHOW);
    SetForegroundWindow(m_hWnd);
    AskIfChanged(true);
}

BOOL CFinderDlg::PreTranslateMessage(MSG* msg) {
    // A modeless window: the dialog manager's keys (Tab, Enter, Escape, mnemonics) work here, and the
    // editor's accelerators do not take the keys typed into it.
    if (m_hWnd && (msg->hwnd == m_hWnd || IsChild(m_hWnd, msg->hwnd)))
        return IsDialogMessageW(m_hWnd, msg) ? TRUE : FALSE;
    return FALSE;
}

BOOL CFinderDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplyDialogLook(IDI_DIALOG_ICON, {}, 90, L"ＭＳ Ｐゴシック");
    ApplyItemHeight(WindowDpi(m_hWnd));
    std::wstring templateFace = m_profile.GetProfileString(kLayerSection, L"GaijiShowFont", L"");
    if (templateFace.empty()) templateFace = L"ＭＳ 明朝";
    const std::vector<std::wstring> faces = FinderFacesFromSetting(
        m_profile.GetProfileString(kLayerSection, kFinderFontsKey, L""), StandardFinderFaces(templateFace));
    HWND window = m_hWnd;
    m_worker = std::make_unique<FinderWorker>(faces, FetchFaceFontData,
                                              UserDataFolder(m_strProgramFolder) / L"finder",
                                              [window] { PostMessageW(window, kWorkerNews, 0, 0); });
    if (m_pView == nullptr) ShowWindow(GetDlgItem(IDC_FINDER_LAYER), SW_HIDE);
    SetTimer(m_hWnd, kGlyphTimer, kGlyphPollMs, nullptr);
    ShowLoadState();
    return TRUE;
}

void CFinderDlg::ApplyItemHeight(int dpi) {
    const int height = MulDiv(kItemHeight96, dpi, 96);
    // Whole bytes a row, as the planes are.
    m_nPictureSize = std::max(8, (height - 2 * MulDiv(kItemMargin96, dpi, 96)) / 8 * 8);
    SendDlgItemMessageW(m_hWnd, IDC_FINDER_LIST, LB_SETITEMHEIGHT, 0, height);
}

void CFinderDlg::OnDialogDpiChanged(int dpi) {
    ApplyItemHeight(dpi);
    // The pictures are drawn for the new size by the next search.
    m_asked.clear();
    AskIfChanged(true);
}

void CFinderDlg::OnOK() {
    // Enter copies the chosen result, as a double click does; the window stays.
    CopySelected();
}

void CFinderDlg::OnCancel() {
    // Closing only hides the window: the loaded fonts stay for the next time it is opened.
    ShowWindow(m_hWnd, SW_HIDE);
}

BOOL CFinderDlg::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_FINDER_LIST && code == LBN_DBLCLK) {
        CopySelected();
        return TRUE;
    }
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_FINDER_COPY:
            CopySelected();
            return TRUE;
        case IDC_FINDER_LAYER:
            ShowSelectedAsLayer();
            return TRUE;
        case IDC_FINDER_STOP:
            if (m_worker) m_worker->CancelLoading();
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL CFinderDlg::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {kWorkerNews, msg::Raw<&CFinderDlg::OnWorkerNews>},
        {WM_TIMER, msg::Timer<&CFinderDlg::OnTimer>},
        {WM_DRAWITEM, msg::Raw<&CFinderDlg::OnDrawItem>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CDialog::OnWndMsg(m, result);
}

LRESULT CFinderDlg::OnWorkerNews(WPARAM, LPARAM) {
    if (!m_worker) return TRUE;
    ShowLoadState();
    if (std::optional<FinderResults> results = m_worker->TakeResults()) {
        // An answer about a glyph that has changed since is dropped: a newer one is coming.
        if (results->generation == m_generation) ShowResults(std::move(*results));
    }
    return TRUE;
}

void CFinderDlg::OnTimer(UINT_PTR id) {
    if (id == kGlyphTimer) AskIfChanged(false);
}

void CFinderDlg::AskIfChanged(bool now) {
    if (!m_worker || !m_glyph || !IsWindowVisible(m_hWnd)) return;
    int size = 0;
    std::vector<std::uint8_t> dots = m_glyph(size);
    const auto clock = std::chrono::steady_clock::now();
    if (dots != m_seen) {
        m_seen = dots;
        m_seenSince = clock;
        if (!now) return;
    }
    if (dots == m_asked || (!now && clock - m_seenSince < kFinderSettleTime)) return;
    m_asked = dots;
    m_worker->Search(std::move(dots), size, m_nPictureSize, kFinderResultCount, ++m_generation);
}

void CFinderDlg::ShowLoadState() {
    const FinderLoadState state = m_worker->LoadState();
    std::wstring text;
    if (!state.finished) {
        text = state.building ? FormatText(LoadResString(IDS_FINDER_BUILDING).c_str(), state.face.c_str(),
                                           static_cast<int>(state.drawn), static_cast<int>(state.total))
                              : FormatText(LoadResString(IDS_FINDER_READING).c_str(), state.face.c_str());
    } else if (state.candidates == 0) {
        text = LoadResString(IDS_FINDER_NO_FONTS);
    } else {
        text = FormatText(LoadResString(state.cancelled ? IDS_FINDER_CANCELLED : IDS_FINDER_READY).c_str(),
                          static_cast<int>(state.candidates));
    }
    if (state.finished && !state.problems.empty()) {
        std::wstring faces;
        for (const std::wstring& problem : state.problems) faces += (faces.empty() ? L"" : L", ") + problem;
        text += L"\r\n" + FormatText(LoadResString(IDS_FINDER_PROBLEMS).c_str(), faces.c_str());
    }
    SetDlgItemTextW(m_hWnd, IDC_FINDER_STATUS, text.c_str());
    EnableWindow(GetDlgItem(IDC_FINDER_STOP), state.finished ? FALSE : TRUE);
}

void CFinderDlg::ShowResults(FinderResults&& results) {
    HWND list = GetDlgItem(IDC_FINDER_LIST);
    const std::wstring chosen = Selected() ? ItemText(*Selected()) : std::wstring();
    m_results = std::move(results);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    int keep = m_results.items.empty() ? -1 : 0;
    for (std::size_t i = 0; i < m_results.items.size(); ++i) {
        const std::wstring text = ItemText(m_results.items[i]);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (text == chosen) keep = static_cast<int>(i);
    }
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(keep), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

const FinderResult* CFinderDlg::Selected() const {
    if (m_hWnd == nullptr) return nullptr;
    const LRESULT index = SendDlgItemMessageW(m_hWnd, IDC_FINDER_LIST, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= m_results.items.size()) return nullptr;
    return &m_results.items[static_cast<std::size_t>(index)];
}

void CFinderDlg::CopySelected() {
    const FinderResult* item = Selected();
    if (item == nullptr) return;
    const std::u16string text = CandidateUtf16(item->match.code, item->match.selector);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) return;
    if (void* at = GlobalLock(memory)) {
        std::memcpy(at, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    bool taken = false;
    if (OpenClipboardPatiently(m_hWnd)) {
        EmptyClipboard();
        taken = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;  // the clipboard owns it now
        CloseClipboard();
    }
    if (!taken) {
        GlobalFree(memory);
        AfxMessageBox(IDS_FINDER_CLIPBOARD_BUSY, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CFinderDlg::ShowSelectedAsLayer() {
    const FinderResult* item = Selected();
    if (item == nullptr || m_pView == nullptr) return;
    const std::u16string text = CandidateUtf16(item->match.code, item->match.selector);
    SampleLayer& layer = g_aSampleLayers[0];
    layer.strChar.assign(text.begin(), text.end());
    layer.strFace = item->face;
    layer.nOffsetX = layer.nOffsetY = layer.nSizeAdjust = 0;
    m_pView->SetShownLayers(SampleLayerBit(0));
    m_pView->RenderSampleLayer();
    if (m_layerShown) m_layerShown();
}

LRESULT CFinderDlg::OnDrawItem(WPARAM /*wParam*/, LPARAM lParam) {
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw == nullptr || draw->CtlID != IDC_FINDER_LIST) return FALSE;
    HDC dc = draw->hDC;
    const RECT& rect = draw->rcItem;
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (draw->itemID == static_cast<UINT>(-1) || draw->itemID >= m_results.items.size()) {
        if (draw->itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
        return TRUE;
    }
    const FinderResult& item = m_results.items[draw->itemID];
    const int size = m_results.pictureSize;
    const int margin = (rect.bottom - rect.top - size) / 2;
    // The picture on a white square of its own, so that it reads the same on a highlighted row.
    RECT square = {rect.left + margin, rect.top + margin, rect.left + margin + size,
                   rect.top + margin + size};
    FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawPlane(dc, square, item.picture, size);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::wstring code = Wide(CandidateCodeText(item.match.code, item.match.selector));
    const std::wstring percent = std::to_wstring(std::lround(item.match.similarity * 100)) + L"%";
    const int textLeft = square.right + margin * 2;
    const int half = (rect.top + rect.bottom) / 2;
    RECT line = {textLeft, rect.top + margin, rect.right - margin, half};
    DrawTextW(dc, code.c_str(), -1, &line, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    DrawTextW(dc, percent.c_str(), -1, &line, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    line = {textLeft, half, rect.right - margin, rect.bottom - margin};
    DrawTextW(dc, item.face.c_str(), -1, &line, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (draw->itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
    return TRUE;
}

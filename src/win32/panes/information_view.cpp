#include "win32/panes/information_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <vector>

#include "base/diag_log.h"
#include "editor/sample_layer.h"
#include "win32/platform/dpi.h"
#include "win32/platform/handles.h"
#include "win32/platform/picture_sets.h"
#include "win32/platform/strings.h"
#include "panes/info_layout.h"
#include "panes/info_rules.h"
#include "win32/panes/layer_setting_dlg.h"
#include "resource.h"

namespace {
void FillWhite(HDC dc, const RECT& rect) {
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

// A monochrome bitmap of a plane's dots (GDI wants every row padded to a 16-bit word).
HBITMAP CreatePlaneBitmap(const DotPlane& plane) {
    const int size = plane.Size();
    const int rowBytes = size / 8;
    const int stride = ((size + 15) / 16) * 2;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * static_cast<std::size_t>(size), 0xFF);
    for (int y = 0; y < size; ++y) {
        for (int i = 0; i < rowBytes; ++i) {
            bits[static_cast<std::size_t>(y * stride + i)] =
                plane.Bytes()[static_cast<std::size_t>(y * rowBytes + i)];
        }
    }
    return CreateBitmap(size, size, 1, 1, bits.data());
}
}  // namespace

CBitMDraw::CBitMDraw(int x, int y, int width, int height, HDC target, UINT pictureId, UINT maskId) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    const UniqueBitmap picture(static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(pictureId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const UniqueBitmap mask(static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(maskId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const UniqueDC maskDc(CreateCompatibleDC(target));
    const UniqueDC pictureDc(CreateCompatibleDC(target));
    if (!picture || !mask || !maskDc || !pictureDc) return;
    BITMAP size = {};
    if (GetObjectW(picture.Get(), sizeof size, &size)) {
        width = std::min<int>(width, size.bmWidth);
        height = std::min<int>(height, size.bmHeight);
    }
    SelectedObject selectedMask(maskDc.Get(), mask.Get());
    SelectedObject selectedPicture(pictureDc.Get(), picture.Get());
    // mask OR background, then AND the picture, then onto the target.
    BitBlt(maskDc.Get(), 0, 0, width, height, target, x, y, NOTSRCERASE);
    BitBlt(maskDc.Get(), 0, 0, width, height, nullptr, 0, 0, DSTINVERT);
    BitBlt(maskDc.Get(), 0, 0, width, height, pictureDc.Get(), 0, 0, SRCAND);
    BitBlt(target, x, y, width, height, maskDc.Get(), 0, 0, SRCCOPY);
}

// ---- panes -------------------------------------------------------------------------------------

IMatrixViewState* CInfoPane::View() const { return m_pInfo ? m_pInfo->MatrixView() : nullptr; }

int CInfoPane::Dpi() const { return m_pInfo ? m_pInfo->Dpi() : kBaseDpi; }

BOOL CInfoPane::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_PAINT, msg::Plain<&CInfoPane::OnPaint>},
        {WM_ERASEBKGND, msg::Raw<&CInfoPane::OnEraseBkgnd>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CStatic::OnWndMsg(m, result);
}

void CInfoPane::OnPaint() {
    PaintDC dc(m_hWnd);
    if (!dc.Get()) return;
    RECT client;
    GetClientRect(m_hWnd, &client);
    Paint(dc.Get(), client);
}

void CGaijiSample::Paint(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    IMatrixViewState* view = View();
    const DotPlane* image = view ? view->GetEditBitmap() : nullptr;
    if (image == nullptr || image->Size() <= 0) return;
    const UniqueBitmap bitmap(CreatePlaneBitmap(*image));
    const UniqueDC memory(CreateCompatibleDC(dc));
    if (!bitmap || !memory) return;
    SelectedObject selected(memory.Get(), bitmap.Get());
    // Black dots in the text colour, white ones in the window colour.
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    const int size = image->Size();
    const DpiRect picture = GlyphSamplePicture(Dpi());
    const int x = client.left + picture.left, y = client.top + picture.top;
    if (size == picture.Width() && size == picture.Height()) {
        BitBlt(dc, x, y, size, size, memory.Get(), 0, 0, SRCCOPY);
    } else {
        StretchBlt(dc, x, y, picture.Width(), picture.Height(), memory.Get(), 0, 0, size, size, SRCCOPY);
    }
}

void CStaDrawMode::Paint(HDC dc, const RECT& client) {
    FillWhite(dc, client);
    IMatrixViewState* view = View();
    const int mode = view ? view->GetOverlayMode() : 1;
    const int dpi = Dpi();
    const DpiRect picture = OverlayModePicture(dpi);
    CBitMDraw(picture.left, picture.top, picture.Width(), picture.Height(), dc,
              PanePictureId(mode == 1 ? IDB_MODE_OPAQUE : IDB_MODE_TRANSPARENT, dpi),
              PanePictureId(IDB_MODE_MASK, dpi));
}

BOOL CStaDrawMode::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_LBUTTONUP, msg::Mouse<&CStaDrawMode::OnLButtonUp>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CInfoPane::OnWndMsg(m, result);
}

void CStaDrawMode::OnLButtonUp(UINT /*flags*/, POINT point) {
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int mode = OverlayModeAtClick(point.x, client.right - client.left);
    if (IMatrixViewState* view = View(); view && view->GetOverlayMode() != mode) view->SetOverlayMode(mode);
    Default();
}

RECT CStaDrawTool::ArrowRect() const {
    const DpiRect hit = LayoutToolPane(Dpi()).arrowHit;
    return {hit.left, hit.top, hit.right, hit.bottom};
}

void CStaDrawTool::Paint(HDC dc, const RECT& client) {
    SetBkMode(dc, TRANSPARENT);
    FillWhite(dc, client);
    IMatrixViewState* view = View();
    if (view == nullptr) return;
    const int tool = view->GetTool();
    const ToolPicture picture = ToolPictureOf(tool);
    m_bDotSizeTool = picture.dotSize;
    if (picture.picture < 0 || picture.picture > 15) return;
    const int dpi = Dpi();
    const ToolPaneLayout layout = LayoutToolPane(dpi);

    // The tool's picture: its button of the tool bar's strip, the strip's grey left out.
    if (HIMAGELIST images = LoadToolImages(dpi)) {
        ImageList_Draw(images, picture.picture, dc, client.left + layout.picture.left,
                       client.top + layout.picture.top, ILD_NORMAL);
        ImageList_Destroy(images);
    }
    // The pen colour mark: filled for black, a frame for white.
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (ToolShowsPenMark(tool)) {
        const RECT mark = {layout.penMark.left, layout.penMark.top, layout.penMark.right,
                           layout.penMark.bottom};
        if (view->GetPenSwap()) {
            FrameRect(dc, &mark, black);
        } else {
            FillRect(dc, &mark, black);
        }
    }
    if (!m_bDotSizeTool) return;
    // The drop-down arrow that opens the dot sizes.
    CBitMDraw(layout.arrow.left, layout.arrow.top, layout.arrow.Width(), layout.arrow.Height(), dc,
              PanePictureId(IDB_ARROW, dpi), PanePictureId(IDB_ARROW_MASK, dpi));
    // The dot size as a bar of that many lines, and as a number.
    const int size = view->GetDotSize();
    const DpiRect bar = DotSizeBar(size, dpi);
    const RECT barRect = {bar.left, bar.top, bar.right, bar.bottom};
    FillRect(dc, &barRect, black);
    CPointFont font;
    if (font.CreatePointFont(90, L"ＭＳ ゴシック", dpi)) {
        SelectedObject selectedFont(dc, font.GetSafeHandle());
        SetTextColor(dc, RGB(0, 0, 0));
        wchar_t text[16] = {};
        std::swprintf(text, std::size(text), L"%d．", size);
        RECT line = {layout.textLeft, 0, layout.textLeft, layout.textBottom};
        DrawTextW(dc, text, -1, &line, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
    }
}

BOOL CStaDrawTool::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_CONTEXTMENU, msg::Mouse<&CStaDrawTool::OnContextMenu>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CInfoPane::OnWndMsg(m, result);
}

void CStaDrawTool::OnContextMenu(UINT /*flags*/, POINT screen) {
    POINT point = screen;
    ScreenToClient(m_hWnd, &point);
    const RECT arrow = ArrowRect();
    if (!m_bDotSizeTool || !PtInRect(&arrow, point)) return;
    if (HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_DOT_CONTEXT))) {
        // Owned by the main frame, so the chosen size goes through the normal command route.
        HWND owner = GetForegroundWindow();
        if (owner == nullptr) owner = GetAncestor(m_hWnd, GA_ROOT);
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner,
                       nullptr);
        DestroyMenu(menu);
    }
}

void CStaSampleLayer::Paint(HDC dc, const RECT& client) {
    FillWhite(dc, client);
    const SampleLayer& layer = g_aSampleLayers[static_cast<std::size_t>(m_nLayer)];
    if (layer.strChar.empty()) return;
    const int dpi = Dpi();
    LOGFONTW logFont = {};
    logFont.lfHeight = -LayerPaneCharHeight(dpi);
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, layer.strFace.c_str(), LF_FACESIZE);
    const UniqueFont font(CreateFontIndirectW(&logFont));
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const UniqueBitmap bitmap(CreateBitmap(width, height, 1, 1, nullptr));
    const UniqueDC memory(CreateCompatibleDC(dc));
    if (!font || !bitmap || !memory) return;
    SelectedObject selectedBitmap(memory.Get(), bitmap.Get());
    SelectedObject selectedFont(memory.Get(), font.Get());
    PatBlt(memory.Get(), 0, 0, width, height, WHITENESS);
    SetBkMode(memory.Get(), TRANSPARENT);
    SetTextColor(memory.Get(), RGB(0, 0, 0));
    RECT rect = {0, 0, width, height};
    DrawTextW(memory.Get(), layer.strChar.c_str(), static_cast<int>(layer.strChar.size()), &rect,
              DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    // The ink ANDed onto the pane, 6 pixels (at 96 DPI) below its top.
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, 0, LayerPaneInkOffset(dpi), width, height, memory.Get(), 0, 0, SRCAND);
}

BOOL CStaSampleLayer::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_LBUTTONUP, msg::Mouse<&CStaSampleLayer::OnLButtonUp>},
        {WM_RBUTTONUP, msg::Mouse<&CStaSampleLayer::OnRButtonUp>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CInfoPane::OnWndMsg(m, result);
}

void CStaSampleLayer::OnLButtonUp(UINT /*flags*/, POINT /*point*/) {
    if (IMatrixViewState* view = View()) {
        view->ToggleSampleLayer(m_nLayer);
        g_log.Write(L"Command:レイヤー(%d)表示切替<by CTRL>\n", m_nLayer);
    }
    Default();
}

void CStaSampleLayer::OnRButtonUp(UINT /*flags*/, POINT /*point*/) {
    if (m_pInfo) {
        IMatrixViewState* view = View();
        CLayerSettingDlg dlg(m_pInfo->Context(), view, m_nLayer, m_pInfo);
        if (dlg.DoModal() == IDOK) {
            RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
            if (view) view->RefreshSampleLayer(m_nLayer);
        }
    }
    Default();
}

// ---- the form and the view ---------------------------------------------------------------------

CInformationForm::CInformationForm(CInformationView& owner) : CDialog(IDD_INFORMATION), m_owner(owner) {}

BOOL CInformationForm::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_NOTIFY, msg::Raw<&CInformationForm::OnNotify>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CDialog::OnWndMsg(m, result);
}

LRESULT CInformationForm::OnNotify(WPARAM /*wParam*/, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code != TTN_NEEDTEXTW) return FALSE;
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
    if ((info->uFlags & TTF_IDISHWND) == 0) return FALSE;
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom));
    UINT prompt = 0;
    const std::wstring text = m_owner.TooltipText(id, &prompt);
    if (prompt == 0) return FALSE;
    lstrcpynW(info->szText, text.c_str(), static_cast<int>(std::size(info->szText)));
    info->lpszText = info->szText;
    if (HWND frame = GetAncestor(m_hWnd, GA_ROOT)) SendMessageW(frame, WM_SETMESSAGESTRING, prompt, 0);
    return TRUE;
}

CInformationView::CInformationView(const AppContext& context) : m_context(context), m_form(*this) {}

CInformationView::~CInformationView() = default;

std::wstring CInformationView::TooltipText(int controlId, UINT* promptId) const {
    *promptId = 0;
    switch (controlId) {
        case IDC_INFO_GLYPH:
            *promptId = IDS_INFO_GLYPH_PROMPT;
            return LoadResString(IDS_INFO_GLYPH_TIP);
        case IDC_INFO_MODE:
            *promptId = IDS_INFO_MODE_PROMPT;
            return LoadResString(IDS_INFO_MODE_TIP);
        case IDC_INFO_TOOL:
            *promptId = IDS_INFO_TOOL_PROMPT;
            return LoadResString(IDS_INFO_TOOL_TIP);
        case IDC_INFO_LAYER1:
        case IDC_INFO_LAYER2:
        case IDC_INFO_LAYER3:
            *promptId = IDS_INFO_LAYER_PROMPT;
            return FormatLayerTooltip(g_aSampleLayers[static_cast<std::size_t>(controlId - IDC_INFO_LAYER1)],
                                      LoadResString(IDS_INFO_LAYER_UNSET),
                                      LoadResString(IDS_INFO_LAYER_FORMAT));
        default:
            return {};
    }
}

std::wstring CInformationView::PositionLine(int line) const {
    return (line == 0 ? m_wndPos1 : m_wndPos2).GetWindowText();
}

void CInformationView::CreateForm() {
    if (m_form.m_hWnd || !m_form.Create(IDD_INFORMATION, this)) return;
    struct Binding {
        int id;
        CStatic* control;
    };
    const Binding bindings[] = {
        {IDC_INFO_GLYPH, &m_wndGlyph},      {IDC_INFO_MODE, &m_wndMode},
        {IDC_INFO_TOOL, &m_wndTool},        {IDC_INFO_LAYER1, &m_wndLayers[0]},
        {IDC_INFO_LAYER2, &m_wndLayers[1]}, {IDC_INFO_LAYER3, &m_wndLayers[2]},
        {IDC_INFO_POS1, &m_wndPos1},        {IDC_INFO_POS2, &m_wndPos2},
    };
    for (const Binding& binding : bindings) binding.control->SubclassDlgItem(binding.id, &m_form);
    for (CInfoPane* pane : std::initializer_list<CInfoPane*>{
             &m_wndGlyph, &m_wndMode, &m_wndTool, &m_wndLayers[0], &m_wndLayers[1], &m_wndLayers[2]}) {
        pane->SetOwnerView(this);
    }
    for (int i = 0; i < 3; ++i) m_wndLayers[i].SetLayerIndex(i);

    // Tooltips for the panes, asked for their text when they show.
    m_hTooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_form.m_hWnd, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (m_hTooltip) {
        for (int id = IDC_INFO_GLYPH; id <= IDC_INFO_TOOL; ++id) {
            TTTOOLINFOW tool = {};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = m_form.m_hWnd;
            tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(m_form.m_hWnd, id));
            tool.lpszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(m_hTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    m_wndPos1.SetWindowText(L"");
    m_wndPos2.SetWindowText(L"");
    LayoutForm();
}

void CInformationView::SetDpi(int dpi) {
    dpi = SaneDpi(dpi);
    if (dpi == m_nDpi && m_form.m_hWnd) return;
    m_nDpi = dpi;
    LayoutForm();
}

void CInformationView::LayoutForm() {
    if (!m_form.m_hWnd) return;
    const InfoColumnLayout layout = LayoutInfoColumn(m_nDpi);
    RECT client = {};
    if (m_hWnd) GetClientRect(m_hWnd, &client);
    MoveWindow(m_form.m_hWnd, 0, 0, std::max<int>(layout.clientWidth, client.right),
               std::max<int>(layout.height, client.bottom), FALSE);
    auto place = [](HWND control, const DpiRect& r) {
        if (control) MoveWindow(control, r.left, r.top, r.Width(), r.Height(), FALSE);
    };
    place(m_wndGlyph.m_hWnd, layout.glyph);
    place(m_wndMode.m_hWnd, layout.mode);
    place(m_wndTool.m_hWnd, layout.tool);
    for (int i = 0; i < 3; ++i) place(m_wndLayers[i].m_hWnd, layout.layers[static_cast<std::size_t>(i)]);
    place(m_wndPos1.m_hWnd, layout.positions[0]);
    place(m_wndPos2.m_hWnd, layout.positions[1]);
    if (m_posFont.CreatePointFont(90, L"ＭＳ ゴシック", m_nDpi)) {
        m_wndPos1.SetFont(m_posFont.GetSafeHandle());
        m_wndPos2.SetFont(m_posFont.GetSafeHandle());
    }
    if (m_hTooltip) {
        SendMessageW(m_hTooltip, TTM_SETMAXTIPWIDTH, 0, InfoTooltipWidth(m_nDpi));
        if (UniqueFont font = CreateStatusFontForDpi(m_nDpi)) {
            SendMessageW(m_hTooltip, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
            m_tooltipFont = std::move(font);
        }
    }
    RedrawWindow(m_form.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CInformationView::OnInitialUpdate() {
    CView::OnInitialUpdate();
    CreateForm();
}

void CInformationView::OnUpdate(CView* /*sender*/, LPARAM hint, void* /*hintObject*/) {
    if ((hint == 1 || hint == 2) && m_wndGlyph.m_hWnd) Redraw(m_wndGlyph.m_hWnd);
}

void CInformationView::Redraw(HWND window) {
    if (window) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

void CInformationView::ShowDotPosition(int x1, int y1, int x2, int y2) {
    if (!m_wndPos1.m_hWnd) return;
    const DotPositionLines lines = FormatDotPosition(x1, y1, x2, y2);
    // Only a changed text is set: the mouse moves far more often than the dot under it changes.
    if (m_wndPos1.GetWindowText() != lines.first) m_wndPos1.SetWindowText(lines.first);
    if (m_wndPos2.GetWindowText() != lines.second) m_wndPos2.SetWindowText(lines.second);
}

void CInformationView::RefreshPane(int pane) {
    switch (pane) {
        case kPaneGlyphSample:
            Redraw(m_wndGlyph.m_hWnd);
            break;
        case kPaneOverlayMode:
            Redraw(m_wndMode.m_hWnd);
            break;
        case kPaneDrawTool:
            Redraw(m_wndTool.m_hWnd);
            break;
        default:
            break;
    }
}

BOOL CInformationView::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_CREATE, msg::Raw<&CInformationView::OnCreate>},
        {WM_SIZE, msg::Size<&CInformationView::OnSize>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CView::OnWndMsg(m, result);
}

LRESULT CInformationView::OnCreate(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    const LRESULT result = Default();
    m_nDpi = WindowDpi(m_hWnd);
    CreateForm();
    return result;
}

void CInformationView::OnSize(UINT /*type*/, int width, int height) {
    // The form covers the column, so the panes' white never meets an unpainted strip.
    if (m_form.m_hWnd) {
        const InfoColumnLayout layout = LayoutInfoColumn(m_nDpi);
        MoveWindow(m_form.m_hWnd, 0, 0, std::max(layout.clientWidth, width), std::max(layout.height, height),
                   TRUE);
    }
}

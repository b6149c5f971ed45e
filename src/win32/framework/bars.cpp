#include "win32/framework/bars.h"

#include "base/dpi_scale.h"
#include "win32/platform/dpi.h"
#include "win32/platform/handles.h"
#include "win32/platform/strings.h"

namespace {

// Applies a command's state to one tool bar button.
class CToolCmdUI : public CCmdUI {
  public:
    void Apply(HWND bar) const {
        const LRESULT state = SendMessageW(bar, TB_GETSTATE, m_nID, 0);
        if (state == -1) return;
        LRESULT newState = state & ~(TBSTATE_ENABLED | TBSTATE_CHECKED);
        if (m_bEnabled) newState |= TBSTATE_ENABLED;
        if (m_nCheck) newState |= TBSTATE_CHECKED;
        if (newState != state) SendMessageW(bar, TB_SETSTATE, m_nID, MAKELPARAM(newState, 0));
    }
};

std::wstring StringPart(UINT id, bool afterBreak) {
    const std::wstring text = LoadResString(id);
    const std::size_t cut = text.find(L'\n');
    if (afterBreak) return cut == std::wstring::npos ? std::wstring() : text.substr(cut + 1);
    return text.substr(0, cut);
}

}  // namespace

std::wstring CommandPrompt(UINT id) { return StringPart(id, false); }
std::wstring CommandToolTip(UINT id) { return StringPart(id, true); }

CToolBar::~CToolBar() {
    if (m_hWnd && IsWindow(m_hWnd)) SendMessageW(m_hWnd, TB_SETIMAGELIST, 0, 0);
    if (m_imageList) ImageList_Destroy(m_imageList);
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id) {
    HWND hWnd =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", style | ctrlStyle | CCS_NODIVIDER | CCS_NORESIZE, 0, 0, 0,
                        0, parent->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (hWnd == nullptr) return FALSE;
    m_hWnd = hWnd;
    SendMessageW(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT nIDResource) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(nIDResource), MAKEINTRESOURCEW(241));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    const DWORD bytes = found ? SizeofResource(instance, found) : 0;
    if (words == nullptr || bytes < 8 || words[0] != 1) return FALSE;
    const WORD count = words[3];
    if (bytes < 8u + 2u * count) return FALSE;
    m_buttonSize = {words[1], words[2]};

    m_ids.assign(words + 4, words + 4 + count);
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (UINT id : m_ids) {
        TBBUTTON button = {};
        if (id == 0) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = image++;
            button.idCommand = static_cast<int>(id);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        }
        buttons.push_back(button);
    }
    SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(m_buttonSize.cx, m_buttonSize.cy));
    TBADDBITMAP bitmap = {instance, nIDResource};
    if (SendMessageW(m_hWnd, TB_ADDBITMAP, image, reinterpret_cast<LPARAM>(&bitmap)) == -1) return FALSE;
    if (!SendMessageW(m_hWnd, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())))
        return FALSE;
    SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    return TRUE;
}

BOOL CToolBar::SetImageList(HIMAGELIST list, int dpi) {
    int width = 0, height = 0;
    if (list == nullptr || !ImageList_GetIconSize(list, &width, &height)) {
        if (list) ImageList_Destroy(list);
        return FALSE;
    }
    m_nDpi = SaneDpi(dpi);
    m_buttonSize = {width, height};
    SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    SendMessageW(m_hWnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
    if (m_imageList) ImageList_Destroy(m_imageList);
    m_imageList = list;
    // The classic padding around a button's picture (7 across, 6 down) and separators of 8, scaled.
    const int padX = ScaleForDpi(7, m_nDpi), padY = ScaleForDpi(6, m_nDpi);
    SendMessageW(m_hWnd, TB_SETPADDING, 0, MAKELPARAM(padX, padY));
    SendMessageW(m_hWnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(width + padX, height + padY));
    for (int index = 0; index < static_cast<int>(m_ids.size()); ++index) {
        if (m_ids[static_cast<std::size_t>(index)] != 0) continue;
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_SIZE;
        info.cx = static_cast<WORD>(ScaleForDpi(8, m_nDpi));
        SendMessageW(m_hWnd, TB_SETBUTTONINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return TRUE;
}

SIZE CToolBar::GetButtonSize() const {
    const DWORD size = static_cast<DWORD>(SendMessageW(m_hWnd, TB_GETBUTTONSIZE, 0, 0));
    return {LOWORD(size), HIWORD(size)};
}

int CToolBar::GetContentWidth() const {
    const LRESULT count = SendMessageW(m_hWnd, TB_BUTTONCOUNT, 0, 0);
    RECT last = {};
    if (count <= 0 || !SendMessageW(m_hWnd, TB_GETITEMRECT, static_cast<WPARAM>(count - 1),
                                    reinterpret_cast<LPARAM>(&last))) {
        return 0;
    }
    return last.right;
}

int CToolBar::GetHeight() const {
    // The flat bar adds a small border above and below its buttons.
    return GetButtonSize().cy + ScaleForDpi(4, m_nDpi);
}

void CToolBar::UpdateButtons(const std::function<void(UINT id, CCmdUI* ui)>& route) {
    for (UINT id : m_ids) {
        if (id == 0) continue;
        CToolCmdUI ui;
        ui.m_nID = id;
        route(id, &ui);
        if (!ui.m_bHandled) ui.Enable(FALSE);
        ui.Apply(m_hWnd);
    }
}

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
    m_hWnd = CreateWindowExW(0, STATUSCLASSNAMEW, L"", style, 0, 0, 0, 0, parent->m_hWnd,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr),
                             nullptr);
    return m_hWnd != nullptr;
}

void CStatusBar::SetPaneText(const std::wstring& text) {
    if (GetWindowText() != text) SendMessageW(m_hWnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CStatusBar::SetDpi(int dpi) {
    UniqueFont font = CreateStatusFontForDpi(dpi);
    if (!font) return;
    SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    m_font = std::move(font);
    // The bar takes its height from the font when it is laid out again.
    SendMessageW(m_hWnd, WM_SIZE, 0, 0);
}

int CStatusBar::GetHeight() const {
    RECT rc = {};
    GetWindowRect(m_hWnd, &rc);
    return rc.bottom - rc.top;
}

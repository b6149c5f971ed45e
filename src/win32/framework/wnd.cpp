#include "win32/framework/wnd.h"

#include <commctrl.h>

#include "win32/platform/strings.h"

namespace {
// The one property by which every framework object (window, dialog, subclassed control) is found
// from its window.
const wchar_t kObjectProperty[] = L"KanjiforgeFrameworkObject";
}  // namespace

CWnd::~CWnd() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        RemovePropW(m_hWnd, kObjectProperty);
        ::DestroyWindow(m_hWnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(GetPropW(hWnd, kObjectProperty)) : nullptr;
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    SetPropW(hWnd, kObjectProperty, this);
}

void CWnd::Detach() {
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) RemovePropW(m_hWnd, kObjectProperty);
    m_hWnd = nullptr;
}

const wchar_t* CWnd::RegisterFrameworkClass(UINT style, HICON icon, HBRUSH background, HCURSOR cursor) {
    // One class per distinct look; the name encodes the parameters, as the framework does.
    static thread_local wchar_t name[96];
    wsprintfW(name, L"KfWnd:%x:%p:%p:%p", style, static_cast<void*>(icon), static_cast<void*>(background),
              static_cast<void*>(cursor));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!GetClassInfoExW(instance, name, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.style = style;
        wc.lpfnWndProc = FrameworkWndProc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hCursor = cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = background;
        wc.lpszClassName = name;
        if (!RegisterClassExW(&wc)) return nullptr;
    }
    return name;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu) {
    HWND hWnd = CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                                GetModuleHandleW(nullptr), this);
    return hWnd != nullptr;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

std::wstring CWnd::GetWindowText() const { return WindowTextOf(m_hWnd); }

BOOL CWnd::PreTranslateMessage(MSG* /*msg*/) { return FALSE; }

BOOL CWnd::OnCommand(WPARAM /*wParam*/, LPARAM /*lParam*/) { return FALSE; }

LRESULT CWnd::OnCommandMessage(WPARAM wParam, LPARAM lParam) {
    return OnCommand(wParam, lParam) ? 0 : Default();
}

BOOL CWnd::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_COMMAND, msg::Raw<&CWnd::OnCommandMessage>},
    };
    return DispatchWindowMessage(*this, table, m, result);
}

LRESULT CWnd::Default() {
    return DefWindowProcW(m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg({message, wParam, lParam}, &result)) return result;
    return Default();
}

LRESULT CALLBACK CWnd::FrameworkWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (wnd == nullptr && message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        wnd = static_cast<CWnd*>(cs->lpCreateParams);
        if (wnd) wnd->Attach(hWnd);
    }
    if (wnd == nullptr) return DefWindowProcW(hWnd, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        LRESULT result;
        {
            CurrentMessageScope scope(*wnd, message, wParam, lParam);
            result = wnd->WindowProc(message, wParam, lParam);
        }
        wnd->Detach();
        wnd->PostNcDestroy();  // may delete the object
        return result;
    }
    CurrentMessageScope scope(*wnd, message, wParam, lParam);
    return wnd->WindowProc(message, wParam, lParam);
}

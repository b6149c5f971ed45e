// Window messages go through a table, as commands go through CommandEntry: every window class of
// the framework lists the messages it handles with a typed handler each and answers OnWndMsg with
// DispatchWindowMessage. The adapters below turn a message's parameters into the handler's
// (a point for the mouse, a key code, a size), so no handler unpacks WPARAM and LPARAM by hand.
#pragma once

#include <windows.h>

#include <cstddef>

class CWnd;

// The message being handled.
struct WindowMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// One row of a window class's message table.
struct MessageEntry {
    UINT message;
    LRESULT (*handler)(CWnd& self, const WindowMessage& m);
};

// The first row of the table for the message: TRUE, with the handler's result.
template <std::size_t N>
BOOL DispatchWindowMessage(CWnd& self, const MessageEntry (&table)[N], const WindowMessage& m,
                           LRESULT* result) {
    for (const MessageEntry& entry : table) {
        if (entry.message != m.message) continue;
        *result = entry.handler(self, m);
        return TRUE;
    }
    return FALSE;
}

// The client point packed into a mouse message's lParam (signed: a captured mouse may be left of
// or above the window).
inline POINT PointFromLParam(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

namespace msg {

template <class F>
struct Owner;
template <class C, class R, class... Args>
struct Owner<R (C::*)(Args...)> {
    using type = C;
};
template <auto F>
using OwnerOf = typename Owner<decltype(F)>::type;

template <auto F>
OwnerOf<F>& Self(CWnd& wnd) {
    return static_cast<OwnerOf<F>&>(wnd);
}

// void OnX(): the message's result is 0.
template <auto F>
LRESULT Plain(CWnd& wnd, const WindowMessage&) {
    (Self<F>(wnd).*F)();
    return 0;
}
// LRESULT OnX(WPARAM, LPARAM): for messages whose parameters are the handler's business.
template <auto F>
LRESULT Raw(CWnd& wnd, const WindowMessage& m) {
    return (Self<F>(wnd).*F)(m.wParam, m.lParam);
}
// void OnX(UINT keyFlags, POINT client): the mouse messages of the client area.
template <auto F>
LRESULT Mouse(CWnd& wnd, const WindowMessage& m) {
    (Self<F>(wnd).*F)(static_cast<UINT>(m.wParam), PointFromLParam(m.lParam));
    return 0;
}
// void OnX(UINT virtualKey): WM_KEYDOWN, WM_KEYUP, WM_CHAR.
template <auto F>
LRESULT Key(CWnd& wnd, const WindowMessage& m) {
    (Self<F>(wnd).*F)(static_cast<UINT>(m.wParam));
    return 0;
}
// void OnSize(UINT type, int width, int height).
template <auto F>
LRESULT Size(CWnd& wnd, const WindowMessage& m) {
    (Self<F>(wnd).*F)(static_cast<UINT>(m.wParam), static_cast<short>(LOWORD(m.lParam)),
                      static_cast<short>(HIWORD(m.lParam)));
    return 0;
}
// void OnX(HWND other): WM_SETFOCUS, WM_KILLFOCUS, WM_CAPTURECHANGED.
template <auto F>
LRESULT Window(CWnd& wnd, const WindowMessage& m) {
    HWND other =
        m.message == WM_CAPTURECHANGED ? reinterpret_cast<HWND>(m.lParam) : reinterpret_cast<HWND>(m.wParam);
    (Self<F>(wnd).*F)(other);
    return 0;
}
// BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage).
template <auto F>
LRESULT SetCursor(CWnd& wnd, const WindowMessage& m) {
    return (Self<F>(wnd).*F)(reinterpret_cast<HWND>(m.wParam), LOWORD(m.lParam), HIWORD(m.lParam));
}
// void OnTimer(UINT_PTR id).
template <auto F>
LRESULT Timer(CWnd& wnd, const WindowMessage& m) {
    (Self<F>(wnd).*F)(static_cast<UINT_PTR>(m.wParam));
    return 0;
}

}  // namespace msg

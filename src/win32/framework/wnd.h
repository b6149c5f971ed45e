// The window class of our small stand-in for the application framework: one window procedure
// binds each HWND to its C++ object at WM_NCCREATE and hands every message to the object's
// message table (OnWndMsg); what no table handles gets the default processing.
#pragma once

#include <windows.h>

#include <string>

#include "win32/framework/cmd_target.h"
#include "win32/framework/message_map.h"

// Id of the first (and only) view pane of a frame.
constexpr UINT AFX_IDW_PANE_FIRST_ID = 0xE900;

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandlePermanent(HWND hWnd);

    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x,
                  int y, int width, int height, HWND parent, HMENU menu);
    BOOL DestroyWindow();
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;

    // Registers (once) a window class that uses the framework's window procedure.
    static const wchar_t* RegisterFrameworkClass(UINT style, HICON icon, HBRUSH background, HCURSOR cursor);

    virtual BOOL PreTranslateMessage(MSG* msg);
    // The message table's handling of a message, else the default processing.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called after the window is gone; the default does nothing.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

  protected:
    // Each class answers with its own table, then its base class's: TRUE with *result when a handler
    // took the message.
    virtual BOOL OnWndMsg(const WindowMessage& m, LRESULT* result);
    // Default processing of the message being handled.
    virtual LRESULT Default();
    // Binds this object to a window (FromHandlePermanent finds it) and lets go of it again.
    void Attach(HWND hWnd);
    void Detach();

    // The message being handled, for Default(); nested messages save and restore it.
    class CurrentMessageScope {
      public:
        CurrentMessageScope(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam)
            : m_wnd(wnd), m_saved(wnd.m_current) {
            wnd.m_current = {message, wParam, lParam};
        }
        CurrentMessageScope(const CurrentMessageScope&) = delete;
        CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;
        ~CurrentMessageScope() { m_wnd.m_current = m_saved; }

      private:
        CWnd& m_wnd;
        WindowMessage m_saved;
    };
    WindowMessage m_current;

  private:
    LRESULT OnCommandMessage(WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FrameworkWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// BeginPaint and EndPaint around a scope: the one way our windows paint on WM_PAINT.
class PaintDC {
  public:
    explicit PaintDC(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { ::EndPaint(m_window, &m_paint); }
    HDC Get() const { return m_dc; }
    const RECT& UpdateRect() const { return m_paint.rcPaint; }
    bool Erase() const { return m_paint.fErase != FALSE; }

  private:
    HWND m_window;
    PAINTSTRUCT m_paint = {};
    HDC m_dc;
};

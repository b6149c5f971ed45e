// Ownership of Windows handles and GDI objects. Every handle the program opens, and every object
// it selects into a device context, is released by one of these on every path out of a scope:
// a save that fails half-way or a paint that returns early leaks nothing.
#pragma once

#include <windows.h>

#include <utility>

// A handle released by Close when the owner goes, unless it is "none".
template <class Handle, class Traits>
class UniqueResource {
  public:
    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : m_handle(handle) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_handle(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueResource() { Reset(); }

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return Traits::IsValid(m_handle); }
    // Gives the handle up without closing it.
    Handle Release() { return std::exchange(m_handle, Traits::None()); }
    void Reset(Handle handle = Traits::None()) {
        if (Traits::IsValid(m_handle)) Traits::Close(m_handle);
        m_handle = handle;
    }

  private:
    Handle m_handle = Traits::None();
};

struct KernelHandleTraits {
    static HANDLE None() { return nullptr; }
    // Some calls say "none" with null, others with INVALID_HANDLE_VALUE.
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

template <class Object>
struct GdiObjectTraits {
    static Object None() { return nullptr; }
    static bool IsValid(Object h) { return h != nullptr; }
    static void Close(Object h) { ::DeleteObject(h); }
};
template <class Object>
using UniqueGdiObject = UniqueResource<Object, GdiObjectTraits<Object>>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueRegion = UniqueGdiObject<HRGN>;

// A device context made by CreateCompatibleDC, CreateDC or CreateIC.
struct CreatedDcTraits {
    static HDC None() { return nullptr; }
    static bool IsValid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
using UniqueDC = UniqueResource<HDC, CreatedDcTraits>;

// The device context of a window (or of the screen, for a null window), given back on leaving.
class WindowDC {
  public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }
    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

  private:
    HWND m_window;
    HDC m_dc;
};

// An object selected into a device context for a scope; the previous one goes back on leaving.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_previous(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (m_previous) ::SelectObject(m_dc, m_previous);
    }

  private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// The wait cursor for an operation's length; the previous cursor comes back on leaving.
class WaitCursor {
  public:
    WaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { ::SetCursor(m_previous); }

  private:
    HCURSOR m_previous;
};

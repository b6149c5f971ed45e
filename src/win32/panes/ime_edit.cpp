#include "win32/panes/ime_edit.h"

namespace {

// What both field kinds do after the default handling of the focus messages.
void AfterSetFocus(HWND hWnd, int nImeMode) {
    if (hWnd && IsWindow(hWnd) && nImeMode != kImeModeNone) {
        CImeCtrl ime(hWnd);
        ime.SetImeMode(nImeMode);
    }
    SendMessageW(hWnd, EM_SETSEL, 0, -1);
    SendMessageW(hWnd, EM_SCROLLCARET, 0, 0);
}

void AfterKillFocus(HWND hWnd) {
    // The IME stays as the field set it.
    SendMessageW(hWnd, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(hWnd, EM_SCROLLCARET, 0, 0);
}

}  // namespace

CImeCtrl::CImeCtrl(HWND hWnd) : m_hWndTarget(hWnd), m_hIMC(hWnd ? ImmGetContext(hWnd) : nullptr) {}

CImeCtrl::~CImeCtrl() {
    if (m_hIMC) ImmReleaseContext(m_hWndTarget, m_hIMC);
}

void CImeCtrl::SetImeMode(int nMode) {
    if (m_hIMC == nullptr || nMode == kImeModeNone) return;
    const BOOL open = ImmGetOpenStatus(m_hIMC);
    if (nMode == kImeModeHankaku) {
        if (open) ImmSetOpenStatus(m_hIMC, FALSE);
        return;
    }
    if (!open) ImmSetOpenStatus(m_hIMC, TRUE);
    DWORD conversion = 0;
    DWORD sentence = 0;
    if (!ImmGetConversionStatus(m_hIMC, &conversion, &sentence)) return;
    if (nMode == kImeModeHiragana) {
        ImmSetConversionStatus(m_hIMC, HiraganaConversionMode(conversion), sentence);
    }
}

void CHankakuEdit::OnSetFocus(HWND oldWnd) {
    CEdit::OnSetFocus(oldWnd);
    AfterSetFocus(m_hWnd, m_nImeMode);
}

void CHankakuEdit::OnKillFocus(HWND newWnd) {
    CEdit::OnKillFocus(newWnd);
    AfterKillFocus(m_hWnd);
}

void CHirakanaEdit::OnSetFocus(HWND oldWnd) {
    CEdit::OnSetFocus(oldWnd);
    AfterSetFocus(m_hWnd, m_nImeMode);
}

void CHirakanaEdit::OnKillFocus(HWND newWnd) {
    CEdit::OnKillFocus(newWnd);
    AfterKillFocus(m_hWnd);
}

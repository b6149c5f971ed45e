// Japanese users type with the input method editor switched on; in a field that takes a code or
// a number that only gets in the way, and in the sample layers' character field they want
// hiragana. These edit fields set the IME to what they take whenever they get the focus, and
// select their whole text so that typing replaces it.
#pragma once

#include <windows.h>

#include <imm.h>

#include "win32/framework/dialog.h"
#include "panes/ime_mode.h"

// The input context of one window for the length of one focus change.
class CImeCtrl {
  public:
    explicit CImeCtrl(HWND hWnd);
    CImeCtrl(const CImeCtrl&) = delete;
    CImeCtrl& operator=(const CImeCtrl&) = delete;
    virtual ~CImeCtrl();

    // kImeModeHankaku closes the IME; kImeModeHiragana opens it in full-width hiragana;
    // kImeModeNone, or a window without an input context, changes nothing.
    void SetImeMode(int nMode);

    HWND m_hWndTarget;
    HIMC m_hIMC;
};

// Codes and numbers: direct half-width input.
class CHankakuEdit : public CEdit {
  public:
    int m_nImeMode = kImeModeHankaku;

  protected:
    void OnSetFocus(HWND oldWnd) override;
    void OnKillFocus(HWND newWnd) override;
};

// The character of a sample layer: full-width hiragana.
class CHirakanaEdit : public CEdit {
  public:
    int m_nImeMode = kImeModeHiragana;

  protected:
    void OnSetFocus(HWND oldWnd) override;
    void OnKillFocus(HWND newWnd) override;
};

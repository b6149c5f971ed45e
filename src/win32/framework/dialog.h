// Dialogs from templates of the resources, modal or modeless, bound to their C++ object like
// every other window of the framework. Modal dialogs run the framework's own message loop so that
// a dialog sees its keys first (PreTranslateMessage: the help key, for example) before the dialog
// manager does. Data exchange moves member values into the controls and back, validating what the
// user typed with the framework's standard prompts.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "win32/platform/handles.h"
#include "win32/framework/wnd.h"

class CDialog;

// One pass of data exchange: into the controls (load) or out of them with validation (save). A
// failed pass stops every later exchange of the same pass.
class CDataExchange {
  public:
    CDataExchange(CDialog* dialog, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(dialog) {}

    // The control that the following exchange and validation concern; a failure returns the focus
    // to it (an edit control also gets its text selected).
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Ends the pass as failed and puts the focus back into the last prepared control.
    void Fail();
    bool Failed() const { return m_bFailed; }
    HWND LastControl() const { return m_hWndLastControl; }

    BOOL m_bSaveAndValidate;
    CDialog* m_pDlgWnd;

  private:
    HWND m_hWndLastControl = nullptr;
    bool m_bEditLastControl = false;
    bool m_bFailed = false;
};

// A control of a dialog template that a C++ object takes over (subclassing): its messages reach
// its message table first, and Default() hands the current one on to the control's own procedure. The
// window belongs to its dialog; the object lets go of it when either ends.
class CControlWnd : public CWnd {
  public:
    ~CControlWnd() override;

    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(int id, CWnd* parent);
    HWND UnsubclassWindow();
    static CControlWnd* FromHandle(HWND hWnd);

    void SetFont(HFONT font, BOOL redraw = TRUE);
    void SetFocus() { ::SetFocus(m_hWnd); }

  protected:
    // Default processing of the message being handled: the control's own procedure.
    LRESULT Default() override;

  private:
    static LRESULT CALLBACK ControlProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;
};

class CEdit : public CControlWnd {
  public:
    void SetSel(int start, int end) { ::SendMessageW(m_hWnd, EM_SETSEL, static_cast<WPARAM>(start), end); }
    void LimitText(int maxChars) { ::SendMessageW(m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0); }

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    virtual void OnSetFocus(HWND oldWnd) { Default(); }
    virtual void OnKillFocus(HWND newWnd) { Default(); }
};

class CStatic : public CControlWnd {
  public:
    HICON SetIcon(HICON icon) {
        return reinterpret_cast<HICON>(
            ::SendMessageW(m_hWnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    }
};

// A font for a dialog's controls, owned by the dialog and deleted with it.
class CPointFont {
  public:
    // A font of pointSizeTenths tenths of a point on a screen of `dpi` (that of the window it is for).
    BOOL CreatePointFont(int pointSizeTenths, const wchar_t* faceName, int dpi);
    void DeleteObject() { m_font.Reset(); }
    HFONT GetSafeHandle() const { return m_font.Get(); }

  private:
    UniqueFont m_font;
};

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT nIDTemplate, CWnd* parent = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParent(parent) {}

    // Runs the dialog until it ends; the result given to EndDialog (IDCANCEL when the program is
    // told to quit meanwhile), or -1 when the dialog could not be created.
    INT_PTR DoModal();
    BOOL Create(UINT nIDTemplate, CWnd* parent = nullptr);
    void EndDialog(int result);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void CenterWindow(HWND alternateOwner = nullptr);
    // Moves the focus to a control as the dialog manager does (an edit gets its text selected).
    void GotoDlgCtrl(HWND control);
    void SetIcon(HICON icon, BOOL bigIcon);

    // Exchanges the members with the controls: TRUE moves the controls' contents into the
    // members with validation, FALSE fills the controls. FALSE when validation failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX) {}

    // The default fills the controls (UpdateData(FALSE)) and lets the dialog manager choose the focus.
    virtual BOOL OnInitDialog();
    // The default takes the controls' contents (staying open when they fail validation) and ends.
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // The help key as a dialog's PreTranslateMessage sees it.
    static bool IsHelpKey(const MSG* msg) { return msg->message == WM_KEYDOWN && msg->wParam == VK_F1; }
    // F1 in the dialog opens this topic of the help file; without a topic F1 does nothing special.
    void SetHelpTopic(std::wstring helpFile, UINT topic) {
        m_strHelpFile = std::move(helpFile);
        m_nHelpTopic = topic;
    }
    BOOL PreTranslateMessage(MSG* msg) override;

  protected:
    // The dialog's message table. A handler's result is the dialog procedure's: FALSE leaves the
    // message to the dialog manager, and so does every message without a handler.
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    LRESULT Default() override { return FALSE; }
    // The look the program's own dialogs share: the dialog icon of the resources, and a point
    // font (kept by the dialog) for the controls that show codes and numbers, made for the DPI of the
    // dialog's screen and made again when the dialog moves to a screen of another DPI.
    void ApplyDialogLook(UINT iconId, std::initializer_list<CControlWnd*> fontControls, int pointSizeTenths,
                         const wchar_t* faceName);
    // After the dialog's own point font was made again for a new DPI: the dialog's other fonts.
    virtual void OnDialogDpiChanged(int /*dpi*/) {}

    UINT m_nIDTemplate;
    CWnd* m_pParent;
    bool m_bModal = false;
    CPointFont m_font;

  private:
    LRESULT OnInitDialogMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChangedMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnDialogCommand(WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK FrameworkDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND ModalOwner() const;
    // The dialog's and its controls' PreTranslateMessage, then the dialog manager's keys.
    BOOL PreTranslateModalMessage(MSG* msg);

    bool m_bModalEnded = false;
    int m_nModalResult = IDCANCEL;
    std::wstring m_strHelpFile;
    UINT m_nHelpTopic = 0;
    std::vector<CControlWnd*> m_fontControls;
    int m_nFontTenths = 0;
    std::wstring m_strFontFace;
};

// Data exchange and validation of single controls. Text of an edit, numbers typed into an edit
// (refused with "整数を入力してください。" or "正の整数を入力してください。"), a check box, the
// index of the checked button of a radio group (-1 when none), and a C++ control object bound to
// its template control. A DDV call validates the value of the DDX call just before it.
void DDX_Control(CDataExchange* pDX, int id, CControlWnd& control);
void DDX_Text(CDataExchange* pDX, int id, std::wstring& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, UINT& value);
void DDX_Check(CDataExchange* pDX, int id, BOOL& value);
void DDX_Radio(CDataExchange* pDX, int firstId, int& value);
// The field takes no more than maxChars characters (set on the control when filling it).
void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int maxChars);
// Refused with "%1 から %2 までの整数を入力してください。".
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minValue, UINT maxValue);

// Asks for the code of the character to edit, or of the code to save a drawing without one
// under. The entry is typed as a Unicode or a Shift-JIS user-defined code; only a code that
// names an end-user-defined character gets through, as its Unicode code.
//
//     CAddrInputDlg dlg(context, CAddrInputDlg::Mode::Edit);   // or (context, TRUE, parent); Save / FALSE
//     if (dlg.DoModal() == IDOK) Open(FormatCodeText(dlg.m_nCode));   // m_nCode == GetUnicodeCode()
#pragma once

#include <windows.h>

#include "base/app_context.h"
#include "glyphstore/code_input.h"
#include "win32/framework/dialog.h"
#include "win32/panes/ime_edit.h"

class CAddrInputDlg : public CDialog, public CodeInputModel {
  public:
    enum class Mode { Edit, Save };

    CAddrInputDlg(const AppContext& context, BOOL bEditMode, CWnd* parent = nullptr);
    CAddrInputDlg(const AppContext& context, Mode mode, CWnd* parent = nullptr)
        : CAddrInputDlg(context, mode == Mode::Edit ? TRUE : FALSE, parent) {}

    // The accepted Unicode code after IDOK; -1 otherwise.
    int GetUnicodeCode() const { return m_nCode; }

    BOOL OnInitDialog() override;
    void OnOK() override;

    CHankakuEdit m_editCode;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

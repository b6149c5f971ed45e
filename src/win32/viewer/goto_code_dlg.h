// Asks for a code to go to, with the code dialog's rules: four hexadecimal digits, Unicode or Shift-JIS.
#pragma once

#include <string>

#include "win32/framework/dialog.h"

class CGoToCodeDlg : public CDialog {
  public:
    explicit CGoToCodeDlg(CWnd* parent);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    std::wstring m_strCode;
    int m_nCodeType = 0;
    int m_nCode = -1;  // the Unicode code after OK

  private:
    CEdit m_editCode;
    // The entry accepted last, for the next time the dialog opens in this process.
    static std::wstring s_strLastCode;
    static int s_nLastCodeType;
};

// Sets the periods of the emphasised grid lines of the matrix view (every n-th vertical and
// horizontal line, 0 for none), kept in the settings for every editor of the folder.
//
//     CGligSettingDlg dlg(parent);
//     if (dlg.DoModal() == IDOK) view->ApplyGridSettings();   // Grid_X, Grid_Y are written
#pragma once

#include "framework/dialog.h"
#include "panes/grid_setting.h"
#include "panes/win32/ime_edit.h"

class CGligSettingDlg : public CDialog, public GridSettingModel {
  public:
    // Reads Grid_X and Grid_Y, and the glyph size that bounds them, from the application.
    explicit CGligSettingDlg(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CHankakuEdit m_editGridX;
    CHankakuEdit m_editGridY;
    CPointFont m_font;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

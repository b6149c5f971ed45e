// Sets the periods of the emphasised grid lines of the matrix view (every n-th vertical and
// horizontal line, 0 for none), kept in the settings for every editor of the folder.
//
//     CGligSettingDlg dlg(context, parent);
//     if (dlg.DoModal() == IDOK) ...;   // Grid_X, Grid_Y are written
#pragma once

#include <windows.h>

#include "base/app_context.h"
#include "win32/framework/dialog.h"
#include "panes/grid_setting.h"
#include "win32/panes/ime_edit.h"

class CGligSettingDlg : public CDialog, public GridSettingModel {
  public:
    // Reads Grid_X and Grid_Y, and the glyph size that bounds them, from the settings.
    explicit CGligSettingDlg(const AppContext& context, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;

    CHankakuEdit m_editGridX;
    CHankakuEdit m_editGridY;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

  private:
    IProfileStore& m_store;
};

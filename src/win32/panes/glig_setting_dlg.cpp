#include "win32/panes/glig_setting_dlg.h"

#include "resource.h"

namespace {
constexpr UINT kHelpTopic = 54;
}

CGligSettingDlg::CGligSettingDlg(const AppContext& context, CWnd* parent)
    : CDialog(IDD_GRID_SETTING, parent),
      GridSettingModel(context.Profile(), context.m_nGlyphSize),
      m_store(context.Profile()) {
    SetHelpTopic(context.m_strHelpFile, kHelpTopic);
}

void CGligSettingDlg::DoDataExchange(CDataExchange* pDX) {
    const GridPeriodRange range = Range();
    DDX_Control(pDX, IDC_GRID_X, m_editGridX);
    DDX_Control(pDX, IDC_GRID_Y, m_editGridY);
    DDX_Text(pDX, IDC_GRID_X, m_nGridX);
    DDV_MinMaxUInt(pDX, m_nGridX, range.nMin, range.nMax);
    DDX_Text(pDX, IDC_GRID_Y, m_nGridY);
    DDV_MinMaxUInt(pDX, m_nGridY, range.nMin, range.nMax);
}

BOOL CGligSettingDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplyDialogLook(IDI_DIALOG_ICON, {&m_editGridX, &m_editGridY}, 90, L"ＭＳ ゴシック");
    return TRUE;
}

void CGligSettingDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    Save(m_store);
    EndDialog(IDOK);
}

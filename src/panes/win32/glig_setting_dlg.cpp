#include "panes/win32/glig_setting_dlg.h"

#include "app/win32/companions.h"
#include "app/win32/glyph_editor_app.h"
#include "resource.h"

namespace {

constexpr UINT kHelpTopic = 54;

IProfileStore& AppStore() { return GetGlyphoApp().ProfileStore(); }

}  // namespace

CGligSettingDlg::CGligSettingDlg(CWnd* parent)
    : CDialog(IDD_GRID_SETTING, parent), GridSettingModel(AppStore(), GetGlyphoApp().m_nGlyphSize) {}

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
    if (m_font.CreatePointFont(90, L"ＭＳ ゴシック")) {
        m_editGridX.SetFont(m_font.GetSafeHandle(), TRUE);
        m_editGridY.SetFont(m_font.GetSafeHandle(), TRUE);
    }
    SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DIALOG_ICON)), TRUE);
    return TRUE;
}

void CGligSettingDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    Save(AppStore());
    EndDialog(IDOK);
}

BOOL CGligSettingDlg::PreTranslateMessage(MSG* msg) {
    if (IsHelpKey(msg)) {
        ShowHelpTopic(m_hWnd, GetGlyphoApp().GetHelpFilePath(), kHelpTopic);
        return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}

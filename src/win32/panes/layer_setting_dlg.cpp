#include "win32/panes/layer_setting_dlg.h"

#include <cwchar>

#include "editor/sample_layer.h"
#include "win32/platform/dpi.h"
#include "win32/framework/win_app.h"
#include "resource.h"

namespace {
constexpr UINT kHelpTopic = 55;
constexpr wchar_t kShowFontKey[] = L"GaijiShowFont";
constexpr wchar_t kDefaultFace[] = L"ＭＳ 明朝";
constexpr BYTE kMacCharset = 77;

int CALLBACK EnumFaceProc(const LOGFONTW* font, const TEXTMETRICW* /*metric*/, DWORD fontType, LPARAM data) {
    if ((fontType & RASTER_FONTTYPE) == 0) {
        reinterpret_cast<CFontComboBox*>(data)->AddFont(*font, (fontType & TRUETYPE_FONTTYPE) != 0);
    }
    return 1;
}
}  // namespace

void CFontComboBox::FillFonts(BYTE charSet, BYTE pitchFilter, BOOL trueTypeOnly) {
    m_byPitchFilter = pitchFilter;
    m_bTrueTypeOnly = trueTypeOnly;
    LOGFONTW wanted = {};
    wanted.lfCharSet = charSet;
    HDC dc = GetDC(m_hWnd);
    if (dc == nullptr) return;
    EnumFontFamiliesExW(dc, &wanted, EnumFaceProc, reinterpret_cast<LPARAM>(this), 0);
    ReleaseDC(m_hWnd, dc);
}

void CFontComboBox::AddFont(const LOGFONTW& font, BOOL trueType) {
    if (font.lfCharSet == kMacCharset) return;
    if (GetSystemMetrics(SM_DBCSENABLED) && font.lfFaceName[0] == L'@') return;
    if (m_byPitchFilter != 0 && (font.lfPitchAndFamily & m_byPitchFilter) == 0) return;
    if (m_bTrueTypeOnly && !trueType) return;
    // A face enumerated once per script would be listed again otherwise.
    if (SendMessageW(m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(font.lfFaceName)) != CB_ERR) {
        return;
    }
    SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font.lfFaceName));
}

int CFontComboBox::FindString(const std::wstring& text) const {
    return static_cast<int>(
        SendMessageW(m_hWnd, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
}

int CFontComboBox::GetCurSel() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }

void CFontComboBox::SetCurSel(int index) {
    SendMessageW(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

CLayerSettingDlg::CLayerSettingDlg(const AppContext& context, IMatrixViewState* view, int layer, CWnd* parent)
    : CDialog(IDD_LAYER_SETTING, parent), m_nLayer(layer), m_context(context), m_pView(view) {
    // The stored face is not taken: the dialog opens on the default face.
    const SampleLayer& entry = g_aSampleLayers[static_cast<std::size_t>(layer)];
    m_strChar = entry.strChar;
    m_nSizeAdjust = entry.nSizeAdjust;
    m_nOffsetX = entry.nOffsetX;
    m_nOffsetY = entry.nOffsetY;
    SetHelpTopic(context.m_strHelpFile, kHelpTopic);
}

std::wstring CLayerSettingDlg::DefaultFace() const {
    std::wstring face = m_context.Profile().GetProfileString(kLayerSection, kShowFontKey, L"");
    return face.empty() ? kDefaultFace : face;
}

void CLayerSettingDlg::DoDataExchange(CDataExchange* pDX) {
    const int n = m_context.m_nGlyphSize;
    DDX_Control(pDX, IDC_LAYER_FONT, m_comboFont);
    DDX_Control(pDX, IDC_LAYER_CHAR, m_editChar);
    DDX_Control(pDX, IDC_LAYER_OFFSET_X, m_editOffsetX);
    DDX_Control(pDX, IDC_LAYER_OFFSET_Y, m_editOffsetY);
    DDX_Control(pDX, IDC_LAYER_SIZE, m_editSize);
    if (pDX->Failed()) return;
    if (pDX->m_bSaveAndValidate) {
        m_nFaceIndex = m_comboFont.GetCurSel();
    } else {
        m_comboFont.SetCurSel(m_nFaceIndex);
    }
    DDX_Text(pDX, IDC_LAYER_CHAR, m_strChar);
    DDV_MaxChars(pDX, m_strChar, 1);
    // A pasted or programmatically set text is not held back by the field's limit.
    if (!pDX->Failed() && pDX->m_bSaveAndValidate && m_strChar.size() > 1) {
        AfxMessageBox(L"1 文字以内で入力してください。", MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    DDX_Text(pDX, IDC_LAYER_OFFSET_X, m_nOffsetX);
    DDV_MinMaxInt(pDX, m_nOffsetX, -n, n);
    DDX_Text(pDX, IDC_LAYER_OFFSET_Y, m_nOffsetY);
    DDV_MinMaxInt(pDX, m_nOffsetY, -n, n);
    DDX_Text(pDX, IDC_LAYER_SIZE, m_nSizeAdjust);
    DDV_MinMaxInt(pDX, m_nSizeAdjust, -n, n);
}

BOOL CLayerSettingDlg::OnInitDialog() {
    const std::wstring face = DefaultFace();
    // Bound early: the list is filled before the fields go into the controls.
    m_comboFont.SubclassDlgItem(IDC_LAYER_FONT, this);
    m_comboFont.FillFonts(SHIFTJIS_CHARSET, 0, TRUE);
    m_nFaceIndex = m_comboFont.FindString(face);
    CDialog::OnInitDialog();
    ApplyDialogLook(IDI_DIALOG_ICON, {&m_editOffsetX, &m_editOffsetY, &m_editSize}, 90, L"ＭＳ ゴシック");
    SetCharFont(WindowDpi(m_hWnd));
    // The caption names the layer by its index (the first layer is 0).
    wchar_t caption[128] = {};
    const std::wstring format = GetWindowText();
    std::swprintf(caption, std::size(caption), format.c_str(), m_nLayer);
    SetWindowText(caption);
    return TRUE;
}

void CLayerSettingDlg::SetCharFont(int dpi) {
    if (m_charFont.CreatePointFont(140, DefaultFace().c_str(), dpi)) {
        m_editChar.SetFont(m_charFont.GetSafeHandle(), TRUE);
    }
}

void CLayerSettingDlg::Store() {
    SampleLayer& entry = g_aSampleLayers[static_cast<std::size_t>(m_nLayer)];
    entry.strFace = m_comboFont.GetWindowText();
    entry.strChar = m_strChar;
    entry.nOffsetX = m_nOffsetX;
    entry.nOffsetY = m_nOffsetY;
    entry.nSizeAdjust = m_nSizeAdjust;
}

void CLayerSettingDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    Store();
    EndDialog(IDOK);
}

void CLayerSettingDlg::OnPreview() {
    if (!UpdateData(TRUE)) return;
    Store();
    if (m_strChar.empty() || m_pView == nullptr) return;
    m_pView->SetShownLayers(SampleLayerBit(m_nLayer));
    m_pView->RenderSampleLayer();
}

void CLayerSettingDlg::OnClear() {
    m_nFaceIndex = m_comboFont.FindString(DefaultFace());
    m_strChar.clear();
    m_nOffsetX = m_nOffsetY = m_nSizeAdjust = 0;
    UpdateData(FALSE);
}

BOOL CLayerSettingDlg::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
    if (LOWORD(wParam) == IDC_LAYER_PREVIEW) {
        OnPreview();
        return TRUE;
    }
    if (LOWORD(wParam) == IDC_LAYER_CLEAR) {
        OnClear();
        return TRUE;
    }
    return FALSE;
}

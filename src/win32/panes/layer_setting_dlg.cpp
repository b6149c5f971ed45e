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

int CFontComboBox::GetCount() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }

std::wstring CFontComboBox::GetItemText(int index) const {
    const auto length = SendMessageW(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

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

int CLayerSettingDlg::DefaultFaceIndex() const {
    // A "GaijiShowFont" face that is not installed falls back to the standard face, then to the first one
    // listed: the dialog never opens with nothing chosen, which OK would store as an empty face.
    int index = m_comboFont.FindString(DefaultFace());
    if (index < 0) index = m_comboFont.FindString(kDefaultFace);
    if (index < 0 && m_comboFont.GetCount() > 0) index = 0;
    return index;
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
    // One character as the user counts it, one outside the basic plane included; a pasted or set text
    // that the field's limit did not hold back is refused here.
    DDV_MaxCharacters(pDX, m_strChar, 1);
    DDX_Text(pDX, IDC_LAYER_OFFSET_X, m_nOffsetX);
    DDV_MinMaxInt(pDX, m_nOffsetX, -n, n);
    DDX_Text(pDX, IDC_LAYER_OFFSET_Y, m_nOffsetY);
    DDV_MinMaxInt(pDX, m_nOffsetY, -n, n);
    DDX_Text(pDX, IDC_LAYER_SIZE, m_nSizeAdjust);
    DDV_MinMaxInt(pDX, m_nSizeAdjust, -n, n);
}

BOOL CLayerSettingDlg::OnInitDialog() {
    // Bound early: the list is filled before the fields go into the controls.
    m_comboFont.SubclassDlgItem(IDC_LAYER_FONT, this);
    m_comboFont.FillFonts(SHIFTJIS_CHARSET, 0, TRUE);
    m_nFaceIndex = DefaultFaceIndex();
    const std::wstring face = m_nFaceIndex >= 0 ? m_comboFont.GetItemText(m_nFaceIndex) : DefaultFace();
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
    m_bStored = true;
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
    m_nFaceIndex = DefaultFaceIndex();
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

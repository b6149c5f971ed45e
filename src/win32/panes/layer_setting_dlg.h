// The settings of one sample layer: the font face, the character, the offsets and the size
// correction. OK and Preview write the layer's entry; Preview also shows that layer at once.
//
//     CLayerSettingDlg dlg(context, view, 0, parent);
//     if (dlg.DoModal() == IDOK) view->RefreshSampleLayer(0);
#pragma once

#include <windows.h>

#include <string>

#include "base/app_context.h"
#include "editor/matrix_view_state.h"
#include "win32/framework/dialog.h"
#include "win32/panes/ime_edit.h"

// A sorted drop-down list of installed font faces.
class CFontComboBox : public CControlWnd {
  public:
    // Lists the faces of a character set: not raster fonts, not the Mac character set, not the
    // vertical (@) variants on a double-byte system, only those with a bit of the pitch filter
    // (0: any) and, when asked, only TrueType ones.
    void FillFonts(BYTE charSet, BYTE pitchFilter, BOOL trueTypeOnly);
    void AddFont(const LOGFONTW& font, BOOL trueType);
    // CB_FINDSTRING from the start of the list: the first face that begins with `text`.
    int FindString(const std::wstring& text) const;
    int GetCurSel() const;
    void SetCurSel(int index);

    BYTE m_byPitchFilter = 0;
    BOOL m_bTrueTypeOnly = TRUE;
};

class CLayerSettingDlg : public CDialog {
  public:
    // Edits entry `layer` of the layer table; `view` is the matrix view Preview shows it in.
    CLayerSettingDlg(const AppContext& context, IMatrixViewState* view, int layer, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnPreview();
    void OnClear();

    int m_nLayer;
    int m_nFaceIndex = -1;
    std::wstring m_strChar;
    int m_nOffsetX = 0;
    int m_nOffsetY = 0;
    int m_nSizeAdjust = 0;

    CFontComboBox m_comboFont;
    CHirakanaEdit m_editChar;
    CHankakuEdit m_editOffsetX;
    CHankakuEdit m_editOffsetY;
    CHankakuEdit m_editSize;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnDialogDpiChanged(int dpi) override { SetCharFont(dpi); }

  private:
    std::wstring DefaultFace() const;
    // The character field's 14-point font in the default face, for a screen of `dpi`.
    void SetCharFont(int dpi);
    // Writes the dialog's values into the layer's entry.
    void Store();

    const AppContext& m_context;
    IMatrixViewState* m_pView;
    CPointFont m_charFont;  // the character field's font, in the default face
};

// The application object of an editor process: start-up checks, the settings every part
// of the program reads, and the shutdown signal to the family's browser programs.
#pragma once

#include <string>

#include "app/kf_types.h"
#include "framework/win_app.h"

class CMatrixEditView;
class CInformationView;

class CGlyphoEditorApp : public CWinApp {
  public:
    BOOL InitInstance() override;
    int ExitInstance() override;

    BOOL LoadSetting();
    // Number of running editors: top-level windows carrying the editor tag.
    int CountRunningEditors() const;
    CMatrixEditView* GetMatrixEditView() const;
    CInformationView* GetInformationView() const;
    // The folder of the program file, ending with a backslash.
    std::wstring GetModuleFolder() const;
    std::wstring GetHelpFilePath() const;
    // The default EUDC font (bTte) or its bitmap file, from the registry value read at start-up.
    std::wstring GetEudcFilePath(BOOL bTte) const;

    std::wstring m_strDefaultFontPath;
    BOOL m_bWindowsXP = FALSE;
    int m_nGlyphSize = 64;
    BOOL m_bSelectAfterMove = FALSE;
    BOOL m_bSelectKeep = FALSE;
    std::wstring m_strTargetCode;
    std::wstring m_strEditorPath;
    std::wstring m_strEditorIniPath;
    ColorRef m_crDot = 0;
    ColorRef m_crSelect = 0;
    ColorRef m_crMoveMarquee = 0;
    ColorRef m_crMoveOrigin = 0;
    ColorRef m_crDrawMarquee = 0;
    ColorRef m_crLayer = 0;
    ColorRef m_crGrid = 0;

  private:
    BOOL CheckEudcFont();
    void RemoveToolsMenu();
    BOOL CheckCharEditor();
};

inline CGlyphoEditorApp& GetGlyphoApp() { return *static_cast<CGlyphoEditorApp*>(AfxGetApp()); }

// The window property by which editors, and the browsers, mark their main windows.
inline constexpr wchar_t kEditorTag[] = L"_KANJIFORGE_APPLICATION_TAG";
inline constexpr wchar_t kViewerTag[] = L"_KANJIVIEWER_APPLICATION_TAG";
inline constexpr wchar_t kOuterBrowserTag[] = L"__OUTERGLYPHBROWSER_APPLICATION_TAG";

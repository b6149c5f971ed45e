// The application object of an editor process: start-up checks, the settings every part
// of the program reads, and the shutdown signal to the family's browser programs.
#pragma once

#include <windows.h>

#include <string>

#include "base/app_context.h"
#include "base/kf_types.h"
#include "win32/framework/win_app.h"

class CMatrixEditView;
class CInformationView;

// The application is also the context its document, views and dialogs are handed: the settings
// holder that start-up fills.
class CGlyphoEditorApp : public CWinApp, public AppContext {
  public:
    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;
    // The first new document is this editor's; every later one (the new-editor command) is
    // another editor process.
    BOOL OnFileNew() override;
    // The WinHelp file when it is there and WinHelp takes it, otherwise the manual's page.
    void ShowHelp(HWND owner, const std::wstring& helpFile, UINT topic) override;

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

    BOOL m_bWindowsXP = FALSE;
    std::wstring m_strTargetCode;

  private:
    BOOL CheckEudcFont();
    void RemoveToolsMenu();
    BOOL CheckCharEditor();

    // The companion programs and the help file, from the tool bar and the help menu.
    void OnRunManager() {}
    void OnUpdateRunManager(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }
    void OnRunViewer();
    void OnUpdateRunViewer(CCmdUI* cmdUI);
    void OnHelp();
    void OnUpdateAppAbout(CCmdUI* cmdUI);
    void OnAppAbout();
};

inline CGlyphoEditorApp& GetGlyphoApp() { return *static_cast<CGlyphoEditorApp*>(AfxGetApp()); }

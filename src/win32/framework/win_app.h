// The application object of the framework stand-in: it runs InitInstance, the message loop
// and ExitInstance, owns the document template, names the application (the caption of
// every message box) and reads and writes the one settings file through the profile calls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/profile_store.h"
#include "win32/framework/cmd_target.h"
#include "win32/framework/doc_template.h"
#include "win32/framework/win_thread.h"
#include "framework/command_line_info.h"

class CWnd;

class CWinApp : public CWinThread {
  public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance();
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Called when the message queue has run empty; updates the main frame's bars.
    virtual BOOL OnIdle(LONG count);
    // The framework's own commands: a new document (57600) and closing the main window (57665).
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;

    // Profile calls on the settings file named by m_strProfileName.
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* key,
                                  const wchar_t* defaultValue) const;
    UINT GetProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue) const;
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* key, int value) const;
    IProfileStore& ProfileStore() { return *m_profileStore; }

    // Reads "PreviewPages" of section "Settings"; it is written back at exit when not 0.
    void LoadStdProfileSettings(UINT maxRecentFiles);
    void ParseCommandLine(CCommandLineInfo& info);
    void AddDocTemplate(CSingleDocTemplate* docTemplate);
    // The shell command of a new document: creates the document, frame and views.
    virtual BOOL OnFileNew();
    // Shows help topic `topic` for `owner`; the framework's help key and help command come here. The
    // default opens the help file with WinHelp.
    virtual void ShowHelp(HWND owner, const std::wstring& helpFile, UINT topic);
    CSingleDocTemplate* GetDocTemplate() const { return m_docTemplate.get(); }

    HINSTANCE m_hInstance = nullptr;
    int m_nCmdShow = SW_SHOWDEFAULT;
    std::wstring m_strAppName;       // caption of every message box
    std::wstring m_strProfileName;   // full path of the settings file
    std::wstring m_strHelpFilePath;  // module path with the extension .hlp
  private:
    std::unique_ptr<CSingleDocTemplate> m_docTemplate;
    std::unique_ptr<IProfileStore> m_profileStore;
    int m_nPreviewPages = 0;
};

CWinApp* AfxGetApp();
// A message box with the application name as caption; without an icon in nType the
// exclamation icon is used.
int AfxMessageBox(const std::wstring& text, UINT nType = MB_OK);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);

// Shows a help topic through the application (CWinApp::ShowHelp), or with WinHelp when there is none.
void ShowHelpTopic(HWND owner, const std::wstring& helpFile, UINT topic);

// Entry point shared by the framework's programs: runs the one application object.
int AfxWinMain(HINSTANCE instance, int cmdShow);

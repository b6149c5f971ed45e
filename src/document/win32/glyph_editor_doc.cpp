#include "document/win32/glyph_editor_doc.h"

#include "app/diag_log.h"
#include "app/frame_rules.h"
#include "app/win32/companions.h"
#include "app/win32/glyph_editor_app.h"
#include "automation/win32/process_utils.h"
#include "framework/strings.h"
#include "framework/wnd.h"
#include "resource.h"

namespace {

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Starts a companion program; a failure is the user's to know.
bool StartCompanion(const std::wstring& commandLine) {
    if (RunProgram(commandLine, SW_SHOWDEFAULT)) return true;
    const std::wstring format = LoadResString(IDS_ERR_RUN_FAILED);
    const std::wstring text = FormatText(format.c_str(), commandLine.c_str());
    g_log.Write(L"%s\n", text.c_str());
    AfxMessageBox(text, MB_OK);
    return false;
}

}  // namespace

BOOL CGlyphoEditorDoc::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    static const CommandEntry<CGlyphoEditorDoc> table[] = {
        {ID_RUN_MANAGER, ID_RUN_MANAGER, &CGlyphoEditorDoc::OnRunManager, &CGlyphoEditorDoc::OnUpdateRunManager},
        {ID_RUN_VIEWER, ID_RUN_VIEWER, &CGlyphoEditorDoc::OnRunViewer, &CGlyphoEditorDoc::OnUpdateRunViewer},
        {ID_HELP, ID_HELP, &CGlyphoEditorDoc::OnHelp},
        {ID_APP_ABOUT, ID_APP_ABOUT, nullptr, &CGlyphoEditorDoc::OnUpdateAppAbout},
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

BOOL CGlyphoEditorDoc::OnNewDocument() {
    if (m_bInitialised) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        StartCompanion(NewEditorCommandLine(self));
        return FALSE;
    }
    if (!CDocument::OnNewDocument()) return FALSE;
    m_bInitialised = TRUE;
    UpdateAllViews(nullptr, 1);
    return TRUE;
}

void CGlyphoEditorDoc::OnUpdateRunManager(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }

void CGlyphoEditorDoc::OnRunViewer() {
    CGlyphoEditorApp& app = GetGlyphoApp();
    if (StartCompanion(ListBrowserCommandLine(app.GetModuleFolder(), app.GetEudcFilePath(TRUE)))) {
        g_log.Write(L"Command:ﾕｰｻﾞｰ外字一覧を表示（外部ﾌﾟﾛｸﾞﾗﾑ起動）\n");
    }
}

void CGlyphoEditorDoc::OnUpdateRunViewer(CCmdUI* cmdUI) {
    cmdUI->Enable(FileExists(GetGlyphoApp().GetModuleFolder() + L"Kanjiviewer.exe"));
}

void CGlyphoEditorDoc::OnHelp() {
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || GetForegroundWindow() != main->m_hWnd) return;
    ShowHelpTopic(main->m_hWnd, GetGlyphoApp().GetHelpFilePath(), 53);
    g_log.Write(L"Command:ﾒｲﾝﾍﾙﾌﾟ表示\n");
}

void CGlyphoEditorDoc::OnUpdateAppAbout(CCmdUI* cmdUI) { cmdUI->SetText(L"Kanjiforge のﾊﾞｰｼﾞｮﾝ情報(&A)..."); }

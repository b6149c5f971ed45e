#include "document/win32/glyph_editor_doc.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "app/diag_log.h"
#include "app/frame_rules.h"
#include "app/settings.h"
#include "app/win32/companions.h"
#include "app/win32/glyph_editor_app.h"
#include "app/win32/main_frame.h"
#include "automation/save_sequence.h"
#include "automation/win32/save_runner.h"
#include "automation/win32/process_utils.h"
#include "automation/win32/window_utils.h"
#include "document/win32/addr_input_dlg.h"
#include "document/win32/save_ans_dlg.h"
#include "document/win32/wait_message.h"
#include "editor/win32/matrix_edit_view.h"
#include "framework/strings.h"
#include "framework/wnd.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "panes/win32/glig_setting_dlg.h"
#include "resource.h"

namespace {

// Starts a companion program; a failure is the user's to know.
bool StartCompanion(const std::wstring& commandLine) {
    if (RunProgram(commandLine, SW_SHOWDEFAULT)) return true;
    const std::wstring format = LoadResString(IDS_ERR_RUN_FAILED);
    const std::wstring text = FormatText(format.c_str(), commandLine.c_str());
    g_log.Write(L"%s\n", text.c_str());
    AfxMessageBox(text, MB_OK);
    return false;
}

CMainFrame* MainFrame() { return dynamic_cast<CMainFrame*>(AfxGetMainWnd()); }

// Shows the text of a string id after handing it to the log.
int ReportId(UINT id, UINT type = MB_OK) {
    g_log.WriteId(id);
    return AfxMessageBox(id, type);
}

}  // namespace

CGlyphoEditorDoc::CGlyphoEditorDoc() : m_image(GetGlyphoApp().m_nGlyphSize) {}

CGlyphoEditorDoc::~CGlyphoEditorDoc() {
    // The view may outlive us by a moment while the frame goes; it must not draw from freed planes.
    if (CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView()) view->Attach(nullptr, nullptr);
}

BOOL CGlyphoEditorDoc::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    using Doc = CGlyphoEditorDoc;
    static const CommandEntry<Doc> table[] = {
        {ID_FILE_OPEN, ID_FILE_OPEN, &Doc::OnCodeOpen},
        {ID_CODE_SAVE, ID_CODE_SAVE, &Doc::OnCodeSave, &Doc::OnUpdateCodeSave},
        {ID_NEXT_CODE, ID_NEXT_CODE, &Doc::OnNextCode, &Doc::OnUpdateNextCode},
        {ID_PREV_CODE, ID_PREV_CODE, &Doc::OnPrevCode, &Doc::OnUpdatePrevCode},
        {ID_EDIT_UNDO, ID_EDIT_UNDO, &Doc::OnUndo, &Doc::OnUpdateUndo},
        {ID_EDIT_REDO, ID_EDIT_REDO, &Doc::OnRedo, &Doc::OnUpdateRedo},
        {ID_GRID_SETTING, ID_GRID_SETTING, &Doc::OnGridSetting},
        {ID_TOOL_PEN, ID_TOOL_CIRCLE, nullptr, &Doc::OnUpdateTool, &Doc::OnTool},
        {ID_PEN_SWAP, ID_PEN_SWAP, &Doc::OnPenSwap, &Doc::OnUpdatePenSwap},
        {ID_DOT_SIZE_1, ID_DOT_SIZE_5, nullptr, &Doc::OnUpdateDotSize, &Doc::OnDotSize},
        {ID_RUN_MANAGER, ID_RUN_MANAGER, &Doc::OnRunManager, &Doc::OnUpdateRunManager},
        {ID_RUN_VIEWER, ID_RUN_VIEWER, &Doc::OnRunViewer, &Doc::OnUpdateRunViewer},
        {ID_HELP, ID_HELP, &Doc::OnHelp},
        {ID_APP_ABOUT, ID_APP_ABOUT, nullptr, &Doc::OnUpdateAppAbout},
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

BOOL CGlyphoEditorDoc::OnNewDocument() {
    if (m_pImgArray) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        StartCompanion(NewEditorCommandLine(self));
        return FALSE;
    }
    if (!CDocument::OnNewDocument()) return FALSE;
    m_image.Fill(false);
    m_strCode.clear();
    const std::filesystem::path temp(GetGlyphoApp().GetModuleFolder() + L"TEMP");
    IImgArrayHost* host = this;
    m_pImgArray = std::make_unique<CImgArray>(temp, GetGlyphoApp().m_nGlyphSize, host);
    g_log.Write(L"作画記録用Array作成\n");
    if (CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView()) view->Attach(&m_image, m_pImgArray.get());
    m_pImgArray->Store(m_image.Bytes(), TRUE);
    UpdateAllViews(nullptr, 1);
    return TRUE;
}

void CGlyphoEditorDoc::OnModifiedChanged(BOOL bModified) {
    if (CMainFrame* frame = MainFrame()) frame->SetModifiedMark(bModified);
}

void CGlyphoEditorDoc::OnStateLoaded() { UpdateAllViews(nullptr, 3); }

bool CGlyphoEditorDoc::HasCharacter() const { return IsUnicodeEudcCode(ParseCodeText(m_strCode)); }

BOOL CGlyphoEditorDoc::CheckCodeNotInUse(const std::wstring& code) {
    CWnd* main = AfxGetMainWnd();
    if (FindEditorWindowShowingCode(code, main ? main->m_hWnd : nullptr) == nullptr) return TRUE;
    AfxMessageBox(FormatText(L"ｺｰﾄﾞ'%s'は他のｳｨﾝﾄﾞｳで編集中です。", code.c_str()), MB_OK);
    return FALSE;
}

void CGlyphoEditorDoc::LoadCodeImage(const std::wstring& code) {
    if (!m_pImgArray || m_image.ByteCount() == 0) return;
    if (!CheckCodeNotInUse(code)) return;
    m_image.Fill(false);
    m_strCode.clear();
    m_pImgArray->ResetHistory(FALSE);

    const int value = ParseCodeText(code);
    if (!IsUnicodeEudcCode(value)) {
        g_log.Write(L"読込[Code=%s] Error!\n", code.c_str());
        return;
    }
    const std::wstring path = GetGlyphoApp().GetEudcFilePath(FALSE);
    const int size = GetGlyphoApp().m_nGlyphSize;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
    const int result = ReadEudcBitmap(std::filesystem::path(path), value, width, height, &bits);
    if (result == kEudcNoCharacter) {
        g_log.Write(L"読込[Code=%s] NoData\n", code.c_str());
    } else if (result == kEudcOk && width == size && height == size && bits.size() == m_image.ByteCount()) {
        std::copy(bits.begin(), bits.end(), m_image.Bytes().begin());
        g_log.Write(L"読込[Code=%s]\n", code.c_str());
    } else {
        const std::wstring text =
            FormatText(L"%s\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙ情報が読めません。Err=[%d] Size=[%d,%d]",
                       path.c_str(), result, width, height);
        g_log.Write(L"%s\n", text.c_str());
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_pImgArray->Store(m_image.Bytes(), TRUE);
    m_strCode = code;
    if (CMainFrame* frame = MainFrame()) frame->SetTitleCode(m_strCode);
    UpdateAllViews(nullptr, 2);
}

BOOL CGlyphoEditorDoc::ConfirmSaveModified() {
    if (!IsModified()) return TRUE;
    switch (AfxMessageBox(IDS_ASK_SAVE_MODIFIED, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            return SaveCodeImage();
        case IDNO:
            return TRUE;
        default:
            return FALSE;
    }
}

void CGlyphoEditorDoc::OnCodeOpen() {
    if (!m_pImgArray || m_image.ByteCount() == 0 || !ConfirmSaveModified()) return;
    CAddrInputDlg dialog(CAddrInputDlg::Mode::Edit);
    if (dialog.DoModal() != IDOK) return;
    g_log.Write(L"Command:コードオープン\n");
    LoadCodeImage(FormatCodeText(dialog.GetUnicodeCode()));
}

void CGlyphoEditorDoc::StepCode(bool forward) {
    const std::wstring next = forward ? NextCodeText(m_strCode) : PreviousCodeText(m_strCode);
    if (next.empty() || !ConfirmSaveModified()) return;
    g_log.Write(forward ? L"Command:次のコード表示\n" : L"Command:前のコード表示\n");
    LoadCodeImage(next);
}

void CGlyphoEditorDoc::OnUpdateNextCode(CCmdUI* cmdUI) { cmdUI->Enable(!NextCodeText(m_strCode).empty()); }

void CGlyphoEditorDoc::OnUpdatePrevCode(CCmdUI* cmdUI) {
    cmdUI->Enable(!PreviousCodeText(m_strCode).empty());
}

BOOL CGlyphoEditorDoc::CheckCharEditorNotRunning() {
    // Also an editor an earlier save left running without its minimise box.
    HWND editor = FindRunningCharEditorWindow();
    if (editor == nullptr) return TRUE;
    ReportId(IDS_ERR_EDITOR_RUNNING);
    SetForegroundWindow(editor);
    return FALSE;
}

BOOL CGlyphoEditorDoc::SaveCodeImage() {
    if (!m_pImgArray || m_image.ByteCount() == 0) return FALSE;
    if (!m_pImgArray->IsModified()) return TRUE;

    // A code chosen here becomes the document's code only once the character is saved under it.
    bool codeChosenHere = false;
    std::wstring code = m_strCode;
    if (!HasCharacter()) {
        // A drawing made before any code was opened: ask where to save it.
        CAddrInputDlg dialog(CAddrInputDlg::Mode::Save);
        if (dialog.DoModal() != IDOK) return FALSE;
        code = FormatCodeText(dialog.GetUnicodeCode());
        if (!CheckCodeNotInUse(code)) return FALSE;
        codeChosenHere = true;
    }
    CGlyphoEditorApp& app = GetGlyphoApp();
    if (ShouldAskBeforeSave(app.ProfileStore())) {
        CSaveAnsDlg confirm;
        if (confirm.DoModal() != IDOK) return FALSE;
    }

    // One save at a time across all editors: another one's editor must not be taken for ours.
    CSaveLock lock;
    if (!lock.Acquire(0)) {
        CWaitMessage wait(0, AfxGetMainWnd());
        if (!lock.Acquire(static_cast<DWORD>(ReadSaveTimeout(app.ProfileStore())))) {
            ReportId(IDS_ERR_SAVE_FAILED);
            g_log.Write(L"保存失敗[Code=%s]\n", code.c_str());
            return FALSE;
        }
    }
    if (!CheckCharEditorNotRunning()) return FALSE;

    SaveFiles files;
    files.bitmapFile = std::filesystem::path(app.GetEudcFilePath(FALSE));
    files.fontFile = std::filesystem::path(app.GetEudcFilePath(TRUE));
    files.backupFolder = std::filesystem::path(app.GetModuleFolder() + L"backup");
    CWnd* mainWindow = AfxGetMainWnd();
    const EditorSaveOutcome outcome =
        SaveThroughEditor(app.ProfileStore(), app.m_nGlyphSize, files, code, m_image,
                          mainWindow ? mainWindow->GetSafeHwnd() : nullptr);
    if (!outcome.launched) {
        if (outcome.launchProblem == LaunchProblem::BackupFailed) {
            const std::wstring text =
                FormatText(LoadResString(IDS_ERR_BACKUP_FAILED).c_str(), outcome.backupProblem.c_str());
            g_log.Write(L"%s\n", text.c_str());
            AfxMessageBox(text, MB_OK);
        } else {
            for (unsigned id : MessagesAfterLaunchFailure()) ReportId(id);
        }
        g_log.Write(L"保存失敗[Code=%s]\n", code.c_str());
        return FALSE;
    }
    if (!outcome.saved) {
        // The sequence has already logged the ids of the attachment failures it reports.
        const SaveResult result = outcome.result == SaveResult::Saved ? SaveResult::Failed : outcome.result;
        for (unsigned id : MessagesAfterSave(result)) {
            if (id == kMsgEditorNotSeen || id == kMsgCodeDialogNotSeen) {
                AfxMessageBox(id, MB_OK);
            } else {
                ReportId(id);
            }
        }
        g_log.Write(L"保存失敗[Code=%s]\n", code.c_str());
        return FALSE;
    }
    if (codeChosenHere) {
        m_strCode = code;
        if (CMainFrame* frame = MainFrame()) frame->SetTitleCode(m_strCode);
    }
    m_pImgArray->ResetHistory(TRUE);
    g_log.Write(L"保存[Code=%s]\n", code.c_str());
    return TRUE;
}

void CGlyphoEditorDoc::OnCodeSave() {
    if (!m_pImgArray || m_image.ByteCount() == 0 || !m_pImgArray->IsModified()) return;
    g_log.Write(L"Command:コード保存\n");
    SaveCodeImage();
}

void CGlyphoEditorDoc::OnUpdateCodeSave(CCmdUI* cmdUI) { cmdUI->Enable(IsModified()); }

void CGlyphoEditorDoc::StepHistory(bool back) {
    CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView();
    if (!m_pImgArray || view == nullptr) return;
    g_log.Write(back ? L"Command:元に戻す\n" : L"Command:元に戻すをやり直し\n");
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    if (back) {
        m_pImgArray->Undo(view->StagingPlane());
    } else {
        m_pImgArray->Redo(view->StagingPlane());
    }
    SetCursor(previous);
}

void CGlyphoEditorDoc::OnUpdateUndo(CCmdUI* cmdUI) { cmdUI->Enable(m_pImgArray && m_pImgArray->CanUndo()); }

void CGlyphoEditorDoc::OnUpdateRedo(CCmdUI* cmdUI) { cmdUI->Enable(m_pImgArray && m_pImgArray->CanRedo()); }

BOOL CGlyphoEditorDoc::CanCloseFrame(CFrameWnd* frame) {
    if (IsModified() && AfxMessageBox(IDS_ASK_DISCARD_MODIFIED, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return FALSE;
    g_log.Write(L"クローズ処理完了\n");
    if (HasCharacter()) m_strCode.clear();
    return CDocument::CanCloseFrame(frame);
}

void CGlyphoEditorDoc::OnGridSetting() {
    CGligSettingDlg dialog(AfxGetMainWnd());
    if (dialog.DoModal() != IDOK) return;
    g_log.Write(L"Command:ｸﾞﾘｯﾄﾞ設定\n");
    if (CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView()) view->ApplyGridSettings();
}

void CGlyphoEditorDoc::OnTool(UINT id) {
    CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView();
    if (view == nullptr) return;
    // The drawing tools by command, with their trace lines.
    struct ToolCommand {
        UINT id;
        int tool;
        const wchar_t* trace;
    };
    static const ToolCommand kTools[] = {
        {ID_TOOL_PEN, 1, L"Command:ペン\n"},        {ID_TOOL_LINE, 2, L"Command:直線\n"},
        {ID_TOOL_RECT, 3, L"Command:四角\n"},       {ID_TOOL_CIRCLE, 4, L"Command:円\n"},
        {ID_TOOL_FILL, 5, L"Command:塗りつぶし\n"},
    };
    for (const ToolCommand& command : kTools) {
        if (command.id != id) continue;
        g_log.Write(command.trace);
        view->SetTool(command.tool);
    }
}

void CGlyphoEditorDoc::OnUpdateTool(CCmdUI* cmdUI) {
    cmdUI->Enable(GetGlyphoApp().GetMatrixEditView() != nullptr);
}

void CGlyphoEditorDoc::OnPenSwap() {
    CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView();
    if (view == nullptr || view->GetTool() == 0) return;
    g_log.Write(L"Command:ペン入替\n");
    view->SetPenSwap(!view->GetPenSwap());
}

void CGlyphoEditorDoc::OnUpdatePenSwap(CCmdUI* cmdUI) {
    CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView();
    cmdUI->Enable(view != nullptr && view->GetTool() != 0);
}

void CGlyphoEditorDoc::OnDotSize(UINT id) {
    CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView();
    const int size = static_cast<int>(id - ID_DOT_SIZE_1) + 1;
    if (view && view->GetDotSize() != size) view->SetDotSize(size);
}

void CGlyphoEditorDoc::OnUpdateDotSize(CCmdUI* cmdUI) {
    CMatrixEditView* view = GetGlyphoApp().GetMatrixEditView();
    cmdUI->Enable(TRUE);
    cmdUI->SetCheck(view && view->GetDotSize() == static_cast<int>(cmdUI->m_nID - ID_DOT_SIZE_1) + 1);
}

void CGlyphoEditorDoc::OnUpdateRunManager(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }

void CGlyphoEditorDoc::OnRunViewer() {
    CGlyphoEditorApp& app = GetGlyphoApp();
    if (StartCompanion(ListBrowserCommandLine(app.GetModuleFolder(), app.GetEudcFilePath(TRUE)))) {
        g_log.Write(L"Command:ﾕｰｻﾞｰ外字一覧を表示（外部ﾌﾟﾛｸﾞﾗﾑ起動）\n");
    }
}

void CGlyphoEditorDoc::OnUpdateRunViewer(CCmdUI* cmdUI) {
    cmdUI->Enable(IsExistingFile(GetGlyphoApp().GetModuleFolder() + L"Kanjiviewer.exe"));
}

void CGlyphoEditorDoc::OnHelp() {
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || GetForegroundWindow() != main->m_hWnd) return;
    ShowHelpTopic(main->m_hWnd, GetGlyphoApp().GetHelpFilePath(), 53);
    g_log.Write(L"Command:ﾒｲﾝﾍﾙﾌﾟ表示\n");
}

void CGlyphoEditorDoc::OnUpdateAppAbout(CCmdUI* cmdUI) { cmdUI->SetText(L"Kanjiforge のﾊﾞｰｼﾞｮﾝ情報(&A)..."); }

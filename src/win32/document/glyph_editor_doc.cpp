#include "win32/document/glyph_editor_doc.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "automation/save_sequence.h"
#include "win32/platform/family_windows.h"
#include "win32/platform/process_utils.h"
#include "win32/automation/save_runner.h"
#include "win32/platform/window_utils.h"
#include "base/diag_log.h"
#include "document/save_answer.h"
#include "editor/update_hints.h"
#include "win32/document/addr_input_dlg.h"
#include "win32/document/save_ans_dlg.h"
#include "win32/document/wait_message.h"
#include "win32/platform/strings.h"
#include "win32/framework/win_app.h"
#include "win32/framework/frame_wnd.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "win32/panes/glig_setting_dlg.h"
#include "resource.h"

namespace {

// Shows the text of a string id after handing it to the log.
int ReportId(UINT id, UINT type = MB_OK) {
    g_log.WriteId(id);
    return AfxMessageBox(id, type);
}

}  // namespace

CGlyphoEditorDoc::CGlyphoEditorDoc(const AppContext& context)
    : m_context(context), m_image(context.m_nGlyphSize), m_loadedState(context.m_nGlyphSize) {}

CGlyphoEditorDoc::~CGlyphoEditorDoc() {
    // A view may outlive us by a moment while the frame goes; it must not draw from freed planes.
    UpdateAllViews(nullptr, kHintDocumentGone);
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
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

BOOL CGlyphoEditorDoc::OnNewDocument() {
    if (m_pImgArray) return FALSE;  // one document a process; a new editor is another process
    if (!CDocument::OnNewDocument()) return FALSE;
    m_image.Fill(false);
    m_strCode.clear();
    const std::filesystem::path temp(m_context.m_strModuleFolder + L"TEMP");
    IImgArrayHost* host = this;
    m_pImgArray = std::make_unique<CImgArray>(temp, m_context.m_nGlyphSize, host);
    g_log.Write(L"作画記録用Array作成\n");
    const GlyphPlanes planes{&m_image, m_pImgArray.get()};
    m_pImgArray->Store(m_image.Bytes(), TRUE);
    UpdateAllViews(nullptr, kHintDocumentReady, const_cast<GlyphPlanes*>(&planes));
    return TRUE;
}

void CGlyphoEditorDoc::OnModifiedChanged(BOOL bModified) {
    if (m_pFrame) m_pFrame->SetModifiedMark(bModified);
}

void CGlyphoEditorDoc::OnStateLoaded() { UpdateAllViews(nullptr, kHintHistoryStep, &m_loadedState); }

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
    // A failed open leaves the document blank without a code: the window shows exactly that, not
    // the character that was open before.
    const auto showBlank = [this] {
        if (m_pFrame) m_pFrame->SetTitleCode(kNoCodeTitle);
        UpdateAllViews(nullptr, kHintCharacterLoaded);
    };

    const int value = ParseCodeText(code);
    if (!IsUnicodeEudcCode(value)) {
        g_log.Write(L"読込[Code=%s] Error!\n", code.c_str());
        showBlank();
        return;
    }
    const std::wstring& path = m_context.m_strEudcBitmapPath;
    const int size = m_context.m_nGlyphSize;
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
        showBlank();
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_pImgArray->Store(m_image.Bytes(), TRUE);
    m_strCode = code;
    if (m_pFrame) m_pFrame->SetTitleCode(m_strCode);
    UpdateAllViews(nullptr, kHintCharacterLoaded);
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
    CAddrInputDlg dialog(m_context, CAddrInputDlg::Mode::Edit);
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
        CAddrInputDlg dialog(m_context, CAddrInputDlg::Mode::Save);
        if (dialog.DoModal() != IDOK) return FALSE;
        code = FormatCodeText(dialog.GetUnicodeCode());
        if (!CheckCodeNotInUse(code)) return FALSE;
        codeChosenHere = true;
    }
    if (ShouldAskBeforeSave(m_context.Profile())) {
        CSaveAnsDlg confirm(m_context.Profile());
        if (confirm.DoModal() != IDOK) return FALSE;
    }

    // One save at a time across all editors: another one's editor must not be taken for ours.
    CSaveLock lock;
    if (!lock.Acquire(0)) {
        CWaitMessage wait(0, AfxGetMainWnd());
        if (!lock.Acquire(static_cast<DWORD>(ReadSaveTimeout(m_context.Profile())))) {
            ReportId(IDS_ERR_SAVE_FAILED);
            g_log.Write(L"保存失敗[Code=%s]\n", code.c_str());
            return FALSE;
        }
    }
    if (!CheckCharEditorNotRunning()) return FALSE;

    SaveFiles files;
    files.bitmapFile = std::filesystem::path(m_context.m_strEudcBitmapPath);
    files.fontFile = std::filesystem::path(m_context.m_strEudcFontPath);
    files.backupFolder = std::filesystem::path(m_context.m_strModuleFolder + L"backup");
    CWnd* mainWindow = AfxGetMainWnd();
    const EditorSaveOutcome outcome =
        SaveThroughEditor(m_context.Profile(), m_context.m_nGlyphSize, files, code, m_image,
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
        if (m_pFrame) m_pFrame->SetTitleCode(m_strCode);
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
    if (!m_pImgArray) return;
    g_log.Write(back ? L"Command:元に戻す\n" : L"Command:元に戻すをやり直し\n");
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    if (back) {
        m_pImgArray->Undo(m_loadedState.Bytes());
    } else {
        m_pImgArray->Redo(m_loadedState.Bytes());
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
    CGligSettingDlg dialog(m_context, AfxGetMainWnd());
    if (dialog.DoModal() != IDOK) return;
    g_log.Write(L"Command:ｸﾞﾘｯﾄﾞ設定\n");
    UpdateAllViews(nullptr, kHintGridChanged);
}

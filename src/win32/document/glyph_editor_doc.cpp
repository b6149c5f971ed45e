#include "win32/document/glyph_editor_doc.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "automation/save_request.h"
#include "base/diag_log.h"
#include "editor/update_hints.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "win32/automation/editor_desktop.h"
#include "win32/automation/save_lock.h"
#include "win32/document/addr_input_dlg.h"
#include "win32/document/save_ans_dlg.h"
#include "win32/document/wait_message.h"
#include "win32/framework/frame_wnd.h"
#include "win32/framework/win_app.h"
#include "win32/panes/glig_setting_dlg.h"
#include "win32/platform/family_windows.h"
#include "win32/platform/strings.h"
#include "resource.h"

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

namespace {

// The save's questions and messages as this editor shows them.
class CDocumentSaveUi : public ISaveUi {
  public:
    CDocumentSaveUi(CGlyphoEditorDoc& doc, const AppContext& context) : m_doc(doc), m_context(context) {}

    std::optional<std::wstring> AskCode() override {
        CAddrInputDlg dialog(m_context, CAddrInputDlg::Mode::Save);
        if (dialog.DoModal() != IDOK) return std::nullopt;
        return FormatCodeText(dialog.GetUnicodeCode());
    }
    bool CheckCodeFree(const std::wstring& code) override { return m_doc.CheckCodeNotInUse(code) != FALSE; }
    bool ConfirmSave() override {
        CSaveAnsDlg confirm(m_context.Profile());
        return confirm.DoModal() == IDOK;
    }
    void ShowWaitNotice() override { m_wait = std::make_unique<CWaitMessage>(0, AfxGetMainWnd()); }
    void HideWaitNotice() override { m_wait.reset(); }
    void ShowMessage(unsigned stringId) override { AfxMessageBox(stringId, MB_OK); }
    void ShowText(const std::wstring& text) override { AfxMessageBox(text, MB_OK); }
    void StepAside() override {
        CWnd* main = AfxGetMainWnd();
        m_ownWindow = main ? main->GetSafeHwnd() : nullptr;
        if (m_ownWindow == nullptr) return;
        ::ShowWindow(m_ownWindow, SW_MINIMIZE);
        ::EnableWindow(m_ownWindow, FALSE);
    }
    void ComeBack() override {
        if (m_ownWindow == nullptr) return;
        ::EnableWindow(m_ownWindow, TRUE);
        ::ShowWindow(m_ownWindow, SW_SHOWNORMAL);
        ::SetForegroundWindow(m_ownWindow);
    }

  private:
    CGlyphoEditorDoc& m_doc;
    const AppContext& m_context;
    std::unique_ptr<CWaitMessage> m_wait;
    HWND m_ownWindow = nullptr;
};

}  // namespace

BOOL CGlyphoEditorDoc::SaveCodeImage() {
    if (!m_pImgArray || m_image.ByteCount() == 0) return FALSE;
    if (!m_pImgArray->IsModified()) return TRUE;

    SaveFiles files;
    files.bitmapFile = std::filesystem::path(m_context.m_strEudcBitmapPath);
    files.fontFile = std::filesystem::path(m_context.m_strEudcFontPath);
    files.backupFolder = std::filesystem::path(m_context.m_strModuleFolder + L"backup");
    CDocumentSaveUi ui(*this, m_context);
    CSaveLock lock;  // held until the save's end
    CWin32EditorDesktop& desktop = CWin32EditorDesktop::Instance();
    CSteeredCharacterWriter writer(desktop, m_context.Profile(), m_context.m_nGlyphSize, files, ui);
    CSaveRequest request(ui, lock, desktop, writer, m_context.Profile());
    const SaveRequestResult result = request.Run(m_strCode, m_image);
    if (!result.saved) return FALSE;
    if (result.codeChosen) {
        m_strCode = result.code;
        if (m_pFrame) m_pFrame->SetTitleCode(m_strCode);
    }
    m_pImgArray->ResetHistory(TRUE);
    g_log.Write(L"保存[Code=%s]\n", result.code.c_str());
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

#include "win32/document/glyph_editor_doc.h"

#include <knownfolders.h>
#include <process.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "automation/direct_save.h"
#include "automation/save_request.h"
#include "base/diag_log.h"
#include "editor/update_hints.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "win32/automation/direct_files.h"
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
#include "win32/platform/user_folders.h"
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
        {ID_DIRECT_SAVE, ID_DIRECT_SAVE, &Doc::OnDirectSave, &Doc::OnUpdateDirectSave},
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

// What the save is doing, as the progress window names it.
UINT SaveStepTextId(SaveStep step) {
    switch (step) {
        case SaveStep::WaitingForOtherSave:
            return IDS_SAVE_STEP_WAITING;
        case SaveStep::BackingUp:
            return IDS_SAVE_STEP_BACKING_UP;
        case SaveStep::StartingEditor:
            return IDS_SAVE_STEP_STARTING;
        case SaveStep::ChoosingCode:
            return IDS_SAVE_STEP_CHOOSING_CODE;
        case SaveStep::Pasting:
            return IDS_SAVE_STEP_PASTING;
        case SaveStep::Saving:
            return IDS_SAVE_STEP_SAVING;
        case SaveStep::ClosingEditor:
            return IDS_SAVE_STEP_CLOSING;
        case SaveStep::Checking:
            return IDS_SAVE_STEP_CHECKING;
    }
    return IDS_SAVE_STEP_WAITING;
}

// The window a running save shows: the step in progress and a Cancel. The save's thread hands the window's
// thread what must run there (RunOnUi) through a message-only window, so that the progress window itself
// is made only when it is shown: a save that ends sooner (a direct one) never shows it, where it would only
// flicker. While the save runs, the program's other windows take no input; each thing run for the save may
// re-enable them (a modal box enables its owner when it ends), so they are disabled again after it.
class CSaveProgress {
  public:
    static constexpr DWORD kShowAfterMs = 250;

    explicit CSaveProgress(SaveCancel& cancel) : m_cancel(cancel) {
        m_relay = ::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        if (m_relay != nullptr) {
            ::SetWindowLongPtrW(m_relay, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            ::SetWindowLongPtrW(m_relay, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RelayProc));
        }
        DisableOthers();
    }
    ~CSaveProgress() {
        for (HWND window : m_disabled) ::EnableWindow(window, TRUE);
        if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
        if (m_relay != nullptr) ::DestroyWindow(m_relay);
    }
    CSaveProgress(const CSaveProgress&) = delete;
    CSaveProgress& operator=(const CSaveProgress&) = delete;

    // From the save's thread: runs `work` on the window's thread and returns when it is done. Work that may
    // show a window of its own (a question, a message, the own window stepping aside) shows the progress
    // first, which then stands beneath it; the name of the next step alone does not.
    void RunOnUi(const std::function<void()>& work, bool showsWindow = true) {
        if (m_relay == nullptr) {
            work();
            return;
        }
        ::SendMessageW(m_relay, kMsgRunOnUi, showsWindow ? 1 : 0, reinterpret_cast<LPARAM>(&work));
    }
    void ShowStep(SaveStep step) {
        m_step = step;
        if (m_hWnd != nullptr && !m_cancel.Requested())
            ::SetDlgItemTextW(m_hWnd, IDC_SAVE_STEP, LoadResString(SaveStepTextId(step)).c_str());
    }
    // Pumps the window's messages until `thread` has ended.
    void WaitFor(HANDLE thread) {
        const ULONGLONG showAt = ::GetTickCount64() + kShowAfterMs;
        for (;;) {
            const ULONGLONG now = ::GetTickCount64();
            if (!m_shown && now >= showAt) Show();
            const DWORD timeout = m_shown ? INFINITE : static_cast<DWORD>(showAt - now);
            const DWORD woke = ::MsgWaitForMultipleObjects(1, &thread, FALSE, timeout, QS_ALLINPUT);
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                // A quit asked for meanwhile is handed back to the main loop once the save is over.
                if (message.message == WM_QUIT) {
                    m_quit = true;
                    m_quitCode = static_cast<int>(message.wParam);
                    continue;
                }
                if (m_hWnd != nullptr && ::IsDialogMessageW(m_hWnd, &message)) continue;
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            if (woke == WAIT_OBJECT_0) break;
        }
        if (m_quit) ::PostQuitMessage(m_quitCode);
    }

  private:
    static constexpr UINT kMsgRunOnUi = WM_APP + 0x51;

    void Show() {
        m_shown = true;
        m_hWnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SAVE_PROGRESS),
                                      nullptr, Proc, reinterpret_cast<LPARAM>(this));
        if (m_hWnd == nullptr) return;
        if (m_step) ShowStep(*m_step);
        // In a corner away from the system character editor, which starts at the top left: the click on
        // its code grid must never land here.
        RECT work = {};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        RECT own = {};
        ::GetWindowRect(m_hWnd, &own);
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, work.right - (own.right - own.left) - 8,
                       work.bottom - (own.bottom - own.top) - 8, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
        ::UpdateWindow(m_hWnd);
    }

    void DisableOthers() {
        ::EnumThreadWindows(::GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(this));
    }
    static BOOL CALLBACK DisableOne(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<CSaveProgress*>(param);
        if (window != self->m_hWnd && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
            ::EnableWindow(window, FALSE);
            if (std::find(self->m_disabled.begin(), self->m_disabled.end(), window) == self->m_disabled.end())
                self->m_disabled.push_back(window);
        }
        return TRUE;
    }
    static LRESULT CALLBACK RelayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kMsgRunOnUi) return ::DefWindowProcW(window, message, wParam, lParam);
        auto* self = reinterpret_cast<CSaveProgress*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (wParam != 0 && !self->m_shown) self->Show();
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        self->DisableOthers();
        return 0;
    }
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<CSaveProgress*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (message) {
            case WM_COMMAND:
                if (LOWORD(wParam) == IDCANCEL) {
                    g_log.Write(L"Command:保存中止\n");
                    self->m_cancel.Request();
                    ::SetDlgItemTextW(window, IDC_SAVE_STEP, LoadResString(IDS_SAVE_STEP_CANCELLING).c_str());
                    ::EnableWindow(::GetDlgItem(window, IDCANCEL), FALSE);
                }
                return TRUE;
            case WM_CLOSE:
                return TRUE;  // only the save's end closes it
            default:
                return FALSE;
        }
    }

    SaveCancel& m_cancel;
    HWND m_relay = nullptr;
    HWND m_hWnd = nullptr;
    std::optional<SaveStep> m_step;  // the last step named, for a window shown after it
    std::vector<HWND> m_disabled;
    bool m_shown = false;
    bool m_quit = false;
    int m_quitCode = 0;
};

// The save's questions and messages as this editor shows them, called from the save's thread and carried
// out on the window's.
class CDocumentSaveUi : public ISaveUi {
  public:
    CDocumentSaveUi(CGlyphoEditorDoc& doc, const AppContext& context, CSaveProgress& progress)
        : m_doc(doc), m_context(context), m_progress(progress) {}

    std::optional<std::wstring> AskCode() override {
        std::optional<std::wstring> code;
        m_progress.RunOnUi([&] {
            CAddrInputDlg dialog(m_context, CAddrInputDlg::Mode::Save);
            if (dialog.DoModal() == IDOK) code = FormatCodeText(dialog.GetUnicodeCode());
        });
        return code;
    }
    bool CheckCodeFree(const std::wstring& code) override {
        bool free = false;
        m_progress.RunOnUi([&] { free = m_doc.CheckCodeNotInUse(code) != FALSE; });
        return free;
    }
    bool ConfirmSave() override {
        bool yes = false;
        m_progress.RunOnUi([&] {
            CSaveAnsDlg confirm(m_context.Profile());
            yes = confirm.DoModal() == IDOK;
        });
        return yes;
    }
    void ShowProgress(SaveStep step) override {
        m_progress.RunOnUi([&] { m_progress.ShowStep(step); }, false);
    }
    void ShowMessage(unsigned stringId) override {
        m_progress.RunOnUi([&] { AfxMessageBox(stringId, MB_OK); });
    }
    void ShowText(const std::wstring& text) override {
        m_progress.RunOnUi([&] { AfxMessageBox(text, MB_OK); });
    }
    bool AskYesNo(const std::wstring& text) override {
        bool yes = false;
        m_progress.RunOnUi([&] { yes = AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES; });
        return yes;
    }
    void StepAside() override {
        m_progress.RunOnUi([&] {
            CWnd* main = AfxGetMainWnd();
            m_ownWindow = main ? main->GetSafeHwnd() : nullptr;
            if (m_ownWindow != nullptr) ::ShowWindow(m_ownWindow, SW_MINIMIZE);
        });
    }
    void ComeBack() override {
        m_progress.RunOnUi([&] {
            if (m_ownWindow == nullptr) return;
            ::ShowWindow(m_ownWindow, SW_SHOWNORMAL);
            ::SetForegroundWindow(m_ownWindow);
        });
    }

  private:
    CGlyphoEditorDoc& m_doc;
    const AppContext& m_context;
    CSaveProgress& m_progress;
    HWND m_ownWindow = nullptr;
};

// Everything the save's thread needs; it outlives the thread.
struct SaveJob {
    CDocumentSaveUi* ui;
    IProfileStore* settings;
    int glyphSize;
    SaveFiles files;
    SaveCancel* cancel;
    std::wstring code;
    DotPlane glyph;
    SaveMethod method;
    int stopAfterStep;  // the direct save's test hook
    SaveRequestResult result;
};

unsigned __stdcall SaveThread(void* param) {
    auto* job = static_cast<SaveJob*>(param);
    CWin32EditorDesktop& desktop = CWin32EditorDesktop::Instance();
    desktop.BeginSave(*job->cancel);
    {
        CSaveLock lock(desktop.CancelEvent());  // held by this thread until the save's end
        CSteeredCharacterWriter steered(desktop, *job->settings, job->glyphSize, job->files, *job->ui,
                                        job->cancel);
        if (job->method == SaveMethod::Direct) {
            // Written here; when that cannot be done the user may have the editor write them.
            CWin32DirectSavePlatform platform(job->stopAfterStep);
            CDirectCharacterWriter direct(platform, job->glyphSize, job->files, *job->ui, job->cancel);
            CSaveRequest request(*job->ui, lock, desktop, direct, *job->settings, job->cancel, &steered);
            job->result = request.Run(job->code, job->glyph);
        } else {
            CSaveRequest request(*job->ui, lock, desktop, steered, *job->settings, job->cancel);
            job->result = request.Run(job->code, job->glyph);
        }
    }
    desktop.EndSave();
    return 0;
}

}  // namespace

std::filesystem::path SaveBackupFolder(const std::wstring& programFolder) {
    // Each user's backups are theirs alone, so one user's saves never push another's copies out.
    return UserDataFolder(programFolder) / L"backup";
}

BOOL CGlyphoEditorDoc::SaveCodeImage() {
    if (!m_pImgArray || m_image.ByteCount() == 0) return FALSE;
    if (!m_pImgArray->IsModified()) return TRUE;
    const auto started = std::chrono::steady_clock::now();

    SaveFiles files;
    files.bitmapFile = std::filesystem::path(m_context.m_strEudcBitmapPath);
    files.fontFile = std::filesystem::path(m_context.m_strEudcFontPath);
    files.backupFolder = SaveBackupFolder(m_context.m_strModuleFolder);

    // The save runs on a thread of its own: this window's thread keeps its windows painted and the
    // progress window's Cancel answered; the drawing, its history and mark stay as they are until the
    // result is applied here.
    SaveCancel cancel;
    CSaveProgress progress(cancel);
    CDocumentSaveUi ui(*this, m_context, progress);
    IProfileStore& settings = m_context.Profile();
    const SaveMethod method = ReadSaveMethod(settings);
    g_log.Write(L"Save method: %s\n", method == SaveMethod::Direct ? L"direct" : L"editor");
    const int stopAfter = settings.GetProfileInt(kEditorSection, kDirectSaveStopKey, 0);
    SaveJob job{&ui,       &settings, m_context.m_nGlyphSize, files, &cancel, m_strCode, m_image, method,
                stopAfter, {}};
    const std::uintptr_t thread = _beginthreadex(nullptr, 0, SaveThread, &job, 0, nullptr);
    if (thread == 0) {
        AfxMessageBox(kMsgSaveFailed, MB_OK);
        return FALSE;
    }
    progress.WaitFor(reinterpret_cast<HANDLE>(thread));
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
    const SaveRequestResult& result = job.result;
    if (!result.saved) return FALSE;
    if (result.codeChosen) {
        m_strCode = result.code;
        if (m_pFrame) m_pFrame->SetTitleCode(m_strCode);
    }
    m_pImgArray->ResetHistory(TRUE);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    g_log.Write(L"Save to cleared mark: %.1f ms\n", static_cast<double>(elapsed.count()) / 1000.0);
    g_log.Write(L"保存[Code=%s]\n", result.code.c_str());
    return TRUE;
}

void CGlyphoEditorDoc::OnCodeSave() {
    if (!m_pImgArray || m_image.ByteCount() == 0 || !m_pImgArray->IsModified()) return;
    g_log.Write(L"Command:コード保存\n");
    SaveCodeImage();
}

void CGlyphoEditorDoc::OnUpdateCodeSave(CCmdUI* cmdUI) { cmdUI->Enable(IsModified()); }

void CGlyphoEditorDoc::OnDirectSave() {
    IProfileStore& settings = m_context.Profile();
    const SaveMethod method =
        ReadSaveMethod(settings) == SaveMethod::Direct ? SaveMethod::Editor : SaveMethod::Direct;
    WriteSaveMethod(settings, method);
    g_log.Write(L"Command:直接保存 %s\n", method == SaveMethod::Direct ? L"on" : L"off");
}

void CGlyphoEditorDoc::OnUpdateDirectSave(CCmdUI* cmdUI) {
    cmdUI->SetCheck(ReadSaveMethod(m_context.Profile()) == SaveMethod::Direct ? 1 : 0);
}

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

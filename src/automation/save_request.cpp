#include "automation/save_request.h"

#include <memory>

#include "automation/save_answer.h"
#include "base/diag_log.h"
#include "glyphstore/char_code.h"

namespace {

// The own window out of the way for a scope.
class SteppedAside {
  public:
    explicit SteppedAside(ISaveUi& ui) : m_ui(ui) { m_ui.StepAside(); }
    SteppedAside(const SteppedAside&) = delete;
    SteppedAside& operator=(const SteppedAside&) = delete;
    ~SteppedAside() { m_ui.ComeBack(); }

  private:
    ISaveUi& m_ui;
};

}  // namespace

WriteOutcome CSteeredCharacterWriter::Write(const std::wstring& code, const DotPlane& glyph) {
    WriteOutcome outcome;
    auto manipulater =
        std::make_unique<CEudcEditManipulater>(m_desktop, m_settings, m_nGlyphSize, m_files, m_cancel);
    manipulater->SetProgressSink([this](SaveStep step) { m_ui.ShowProgress(step); });
    outcome.started = manipulater->PrepareAndLaunch(code) != FALSE;
    outcome.problem = manipulater->GetLaunchProblem();
    outcome.backupProblem = manipulater->GetBackupProblem();
    outcome.backupFolder = m_files.backupFolder.wstring();
    outcome.cancelled = outcome.problem == LaunchProblem::Cancelled;
    if (!outcome.started) return outcome;

    // While the editor is steered by simulated input the own window stays out of the way; it comes
    // back once the editor is let go of.
    const SteppedAside aside(m_ui);
    outcome.result = manipulater->SaveCharacter(glyph);
    outcome.saved = manipulater->m_bSaved != FALSE;
    outcome.cancelled = outcome.result == SaveResult::Cancelled;
    outcome.fontMessage = manipulater->GetFontMessage();
    manipulater.reset();
    return outcome;
}

void CSaveRequest::Report(unsigned stringId) {
    g_log.WriteId(stringId);
    m_ui.ShowMessage(stringId);
}

SaveRequestResult CSaveRequest::Run(const std::wstring& currentCode, const DotPlane& glyph) {
    SaveRequestResult request;
    // A code chosen here becomes the document's code only once the character is saved under it.
    std::wstring code = currentCode;
    if (!IsUnicodeEudcCode(ParseCodeText(code))) {
        // A drawing made before any code was opened: ask where to save it.
        const std::optional<std::wstring> chosen = m_ui.AskCode();
        if (!chosen) return request;
        code = *chosen;
        if (!m_ui.CheckCodeFree(code)) return request;
        request.codeChosen = true;
    }
    if (ShouldAskBeforeSave(m_settings) && !m_ui.ConfirmSave()) return request;

    // One save at a time across all editors: another one's editor must not be taken for ours.
    if (!m_lock.Acquire(0)) {
        m_ui.ShowProgress(SaveStep::WaitingForOtherSave);
        if (!m_lock.Acquire(ReadSaveTimeout(m_settings))) {
            if (Cancelled()) return Cancel(request, code);
            Report(kMsgSaveFailed);
            g_log.Write(L"保存失敗[Code=%s]\n", code.c_str());
            return request;
        }
    }
    if (Cancelled()) return Cancel(request, code);
    // Also an editor an earlier save left running without its minimise box.
    if (const WindowId running = m_desktop.FindCharEditorWindow()) {
        Report(kMsgEditorRunning);
        m_desktop.SetForegroundWindow(running);
        return request;
    }

    WriteOutcome outcome = m_writer.Write(code, glyph);
    if (!outcome.saved && !outcome.cancelled && !outcome.writeProblem.empty()) {
        // The files are as they were: the user may have them written the other way.
        g_log.Write(L"%s\n", outcome.writeProblem.c_str());
        if (m_fallback == nullptr) m_ui.ShowText(outcome.writeProblem);
        if (m_fallback == nullptr || !m_ui.AskYesNo(outcome.writeProblem)) {
            g_log.Write(L"保存失敗[Code=%s]\n", code.c_str());
            return request;
        }
        g_log.Write(L"Saving through the system character editor instead\n");
        outcome = m_fallback->Write(code, glyph);
    }
    if (outcome.cancelled) return Cancel(request, code);
    if (!outcome.started || !outcome.saved) {
        ReportWriteFailure(outcome);
        g_log.Write(L"保存失敗[Code=%s]\n", code.c_str());
        return request;
    }
    request.saved = true;
    request.code = code;
    if (!outcome.fontMessage.empty()) {
        // Saved with FontProof=warn although the font does not show the character.
        g_log.Write(L"%s\n", outcome.fontMessage.c_str());
        m_ui.ShowText(outcome.fontMessage);
    }
    return request;
}

SaveRequestResult CSaveRequest::Cancel(SaveRequestResult request, const std::wstring& code) {
    // Asked for by the user: nothing to tell, nothing saved.
    g_log.Write(L"保存中止[Code=%s]\n", code.c_str());
    request.saved = false;
    request.cancelled = true;
    return request;
}

void CSaveRequest::ReportWriteFailure(const WriteOutcome& outcome) {
    if (!outcome.started) {
        if (outcome.problem == LaunchProblem::BackupFailed) {
            const std::wstring text = FormatFontText(m_desktop.LoadResourceString(kMsgBackupFailed),
                                                     {outcome.backupProblem, outcome.backupFolder});
            g_log.Write(L"%s\n", text.c_str());
            m_ui.ShowText(text);
        } else {
            for (unsigned id : MessagesAfterLaunchFailure()) Report(id);
        }
        return;
    }
    if (outcome.result == SaveResult::FontNotProved) {
        // The bitmap file holds the character but the font does not show it: one message, naming both.
        g_log.Write(L"%s\n", outcome.fontMessage.c_str());
        m_ui.ShowText(outcome.fontMessage);
        return;
    }
    // The sequence has already logged the ids of the attachment failures it reports.
    const SaveResult result = outcome.result == SaveResult::Saved ? SaveResult::Failed : outcome.result;
    for (unsigned id : MessagesAfterSave(result)) {
        if (id == kMsgEditorNotSeen || id == kMsgCodeDialogNotSeen) {
            m_ui.ShowMessage(id);
        } else {
            Report(id);
        }
    }
}

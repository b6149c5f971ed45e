#include "win32/automation/save_runner.h"

#include <memory>

#include "win32/automation/editor_desktop.h"

namespace {

// One name for every Kanjiforge process of the session.
constexpr wchar_t kSaveMutexName[] = L"Local\\Kanjiforge.EudcEditorSave";

}  // namespace

CSaveLock::CSaveLock() : m_mutex(::CreateMutexW(nullptr, FALSE, kSaveMutexName)) {}

CSaveLock::~CSaveLock() {
    if (m_bHeld) ::ReleaseMutex(m_mutex.Get());
}

bool CSaveLock::Acquire(DWORD milliseconds) {
    if (m_bHeld) return true;
    if (!m_mutex) return false;
    const DWORD wait = ::WaitForSingleObject(m_mutex.Get(), milliseconds);
    m_bHeld = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return m_bHeld;
}

EditorSaveOutcome SaveThroughEditor(IProfileStore& settings, int glyphSize, const SaveFiles& files,
                                    const std::wstring& code, const DotPlane& glyph, HWND ownWindow) {
    EditorSaveOutcome outcome;
    auto manipulater =
        std::make_unique<CEudcEditManipulater>(CWin32EditorDesktop::Instance(), settings, glyphSize, files);
    outcome.launched = manipulater->PrepareAndLaunch(code);
    outcome.launchProblem = manipulater->GetLaunchProblem();
    outcome.backupProblem = manipulater->GetBackupProblem();
    if (!outcome.launched) return outcome;

    // While the editor is steered by simulated input the own window stays out of the way.
    if (ownWindow != nullptr) {
        ::ShowWindow(ownWindow, SW_MINIMIZE);
        ::EnableWindow(ownWindow, FALSE);
    }
    outcome.result = manipulater->SaveCharacter(glyph);
    outcome.saved = manipulater->m_bSaved;
    manipulater.reset();
    if (ownWindow != nullptr) {
        ::EnableWindow(ownWindow, TRUE);
        ::ShowWindow(ownWindow, SW_SHOWNORMAL);
        ::SetForegroundWindow(ownWindow);
    }
    return outcome;
}

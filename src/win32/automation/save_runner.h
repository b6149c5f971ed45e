// The Win32 frame around one save through the system character editor: one save at a time across every
// Kanjiforge process, and the own window kept out of the way while the editor is steered.
#pragma once

#include <windows.h>

#include <string>

#include "base/profile_store.h"
#include "automation/save_sequence.h"
#include "win32/platform/handles.h"

// Serialises saves across processes with a named mutex, so that two editors saving at once never steer
// one system character editor between them. Released when destroyed.
class CSaveLock {
  public:
    CSaveLock();
    ~CSaveLock();
    CSaveLock(const CSaveLock&) = delete;
    CSaveLock& operator=(const CSaveLock&) = delete;

    // Waits up to `milliseconds` for the other processes' saves; true once this process holds the lock
    // (also when a process died holding it).
    bool Acquire(DWORD milliseconds);
    bool Held() const { return m_bHeld; }

  private:
    UniqueHandle m_mutex;
    bool m_bHeld = false;
};

struct EditorSaveOutcome {
    BOOL launched = FALSE;
    LaunchProblem launchProblem = LaunchProblem::None;
    std::wstring backupProblem;  // the file that could not be backed up
    SaveResult result = SaveResult::Failed;
    BOOL saved = FALSE;  // the bitmap file holds the glyph
};

// Launches the system character editor for `code`, and when it started: minimises and disables
// `ownWindow`, steers the editor to save `glyph`, then enables, restores and activates `ownWindow`.
EditorSaveOutcome SaveThroughEditor(IProfileStore& settings, int glyphSize, const SaveFiles& files,
                                    const std::wstring& code, const DotPlane& glyph, HWND ownWindow);

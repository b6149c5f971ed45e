// The save of the open character as one use case: asking for a code when the drawing has none,
// the confirmation, one save at a time across editors, the check for a running system character
// editor, the writing of the files, and every message of a failure -- free of windows, behind
// small ports. It runs on a thread of its own, so that the window stays alive and can offer a
// Cancel; the window side carries out the user-interface port on its own thread. The document only
// starts it and applies what it returns (the code, the history's saved state). How the files are
// written is a port of its own (ICharacterWriter): the system character editor steered to write them, or
// the files written directly (direct_save.h), which, when it cannot, offers the steered way.
#pragma once

#include <optional>
#include <string>

#include "automation/save_sequence.h"
#include "base/profile_store.h"
#include "editor/dot_plane.h"

// What the user sees and answers during a save. The document's window side implements it; every call comes
// from the save's thread and returns once the window's thread has done it.
class ISaveUi {
  public:
    virtual ~ISaveUi() = default;
    // The code dialog in its save mode, for a drawing made before any code was opened: the code
    // text chosen, or nothing when the user cancelled.
    virtual std::optional<std::wstring> AskCode() = 0;
    // FALSE, after telling the user, when another editor window shows `code`.
    virtual bool CheckCodeFree(const std::wstring& code) = 0;
    // The save confirmation (asked only while it is switched on): true to go on.
    virtual bool ConfirmSave() = 0;
    // The step the save is at, shown in the window that offers the Cancel.
    virtual void ShowProgress(SaveStep step) = 0;
    // A message box with a string resource's text, or with a text.
    virtual void ShowMessage(unsigned stringId) = 0;
    virtual void ShowText(const std::wstring& text) = 0;
    // A question with Yes and No: true for Yes.
    virtual bool AskYesNo(const std::wstring& text) = 0;
    // The own main window steps out of the way while another program is steered (minimised and
    // disabled), and comes back afterwards (enabled, restored and in front).
    virtual void StepAside() = 0;
    virtual void ComeBack() = 0;
};

// One save at a time across every editor process.
class ISaveLock {
  public:
    virtual ~ISaveLock() = default;
    // True once this save holds the lock, waiting up to `milliseconds` for another one's; a Cancel ends the
    // wait (false).
    virtual bool Acquire(int milliseconds) = 0;
};

// What writing the character's files came to.
struct WriteOutcome {
    bool started = false;    // the files were backed up and the writing began
    bool cancelled = false;  // the user cancelled it: nothing to tell
    LaunchProblem problem = LaunchProblem::None;
    std::wstring backupProblem;  // the file that could not be backed up
    std::wstring backupFolder;   // where it was to go
    SaveResult result = SaveResult::Failed;
    bool saved =
        false;  // the bitmap file, read back, holds the glyph (and the font shows it, as "FontProof" asks)
    // Why the font did not prove the save: the failure (SaveResult::FontNotProved), or with "FontProof" set
    // to warn the warning of a save that completed all the same.
    std::wstring fontMessage;
    // A writer that changed nothing and may be replaced by another way of writing: the question to ask,
    // naming the file and the reason (empty otherwise).
    std::wstring writeProblem;
};

// A way of writing the character's files.
class ICharacterWriter {
  public:
    virtual ~ICharacterWriter() = default;
    virtual WriteOutcome Write(const std::wstring& code, const DotPlane& glyph) = 0;
};

// The files written by the system character editor, steered through its windows (the save
// sequence); the own window steps aside for as long as the editor is steered.
class CSteeredCharacterWriter : public ICharacterWriter {
  public:
    CSteeredCharacterWriter(IEditorDesktop& desktop, IProfileStore& settings, int glyphSize, SaveFiles files,
                            ISaveUi& ui, const SaveCancel* cancel = nullptr)
        : m_desktop(desktop),
          m_settings(settings),
          m_nGlyphSize(glyphSize),
          m_files(std::move(files)),
          m_ui(ui),
          m_cancel(cancel) {}
    WriteOutcome Write(const std::wstring& code, const DotPlane& glyph) override;

  private:
    IEditorDesktop& m_desktop;
    IProfileStore& m_settings;
    int m_nGlyphSize;
    SaveFiles m_files;
    ISaveUi& m_ui;
    const SaveCancel* m_cancel;
};

struct SaveRequestResult {
    bool saved = false;
    bool cancelled = false;   // the user's Cancel ended it
    std::wstring code;        // the code the character was saved under
    bool codeChosen = false;  // asked for here: it becomes the document's code
};

class CSaveRequest {
  public:
    CSaveRequest(ISaveUi& ui, ISaveLock& lock, IEditorDesktop& desktop, ICharacterWriter& writer,
                 IProfileStore& settings, const SaveCancel* cancel = nullptr,
                 ICharacterWriter* fallback = nullptr)
        : m_ui(ui),
          m_lock(lock),
          m_desktop(desktop),
          m_writer(writer),
          m_settings(settings),
          m_cancel(cancel),
          m_fallback(fallback) {}

    // Saves `glyph`, the modified character of the document whose code text is `code` (not a
    // private-use code while none was opened). Every failure has been told and logged when it
    // returns.
    SaveRequestResult Run(const std::wstring& code, const DotPlane& glyph);

  private:
    // The message of a string id, after the log.
    void Report(unsigned stringId);
    void ReportWriteFailure(const WriteOutcome& outcome);
    SaveRequestResult Cancel(SaveRequestResult request, const std::wstring& code);
    bool Cancelled() const { return m_cancel != nullptr && m_cancel->Requested(); }

    ISaveUi& m_ui;
    ISaveLock& m_lock;
    IEditorDesktop& m_desktop;
    ICharacterWriter& m_writer;
    IProfileStore& m_settings;
    const SaveCancel* m_cancel;
    // Offered when the writer reports a problem that left the files as they were.
    ICharacterWriter* m_fallback;
};

// The message that a system character editor is already running.
inline constexpr unsigned kMsgEditorRunning = 2003;

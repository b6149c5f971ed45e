// The drawing history of the open character. Every finished edit is kept as one raw dot-plane file in a
// folder private to this editor process, so that a long history costs disk and not memory, and undo and redo
// are one small file read each. The store also owns the document's modified state, because every recorded
// edit, undo and redo is what makes the character modified.
//
// It knows nothing of windows: the document hands it the TEMP folder and a host that puts the modified mark
// into the title and tells the views that a state was loaded into the staging plane.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "base/kf_types.h"
#include "editor/edit_history.h"

// What the store needs from its surroundings. The document implements it.
class IImgArrayHost {
  public:
    virtual ~IImgArrayHost() = default;
    // The modified flag was set or cleared: add or remove the frame's modified mark.
    virtual void OnModifiedChanged(BOOL bModified) = 0;
    // Undo or redo has loaded a state into the plane the caller gave: broadcast update hint 3 so the view
    // takes the plane over as the edit bitmap, and drop the selection unless the settings keep it.
    virtual void OnStateLoaded() = 0;
};

// Makes a new folder "ud" and eight hexadecimal digits directly inside tempFolder. The folder is made
// exclusively, so a name in use (by a running editor or one left behind by a crashed one) is never taken
// over, only skipped for the next name drawn from seed. folder receives the last name tried; FALSE when no
// folder could be made.
BOOL CreateUdFolder(const std::filesystem::path& tempFolder, std::uint64_t seed,
                    std::filesystem::path& folder);

class CImgArray : public IEditHistory {
  public:
    // Makes a new folder "ud..." directly inside tempFolder (which must exist; the store does not create
    // it). When no folder can be made the store is disabled: it records no states but still tracks the
    // modified flag. host may be null; it is borrowed and must outlive the store's last call.
    CImgArray(const std::filesystem::path& tempFolder, int nGlyphSize, IImgArrayHost* host);
    // Deletes the state files and the folder. The host is not called: the surroundings are being torn down.
    ~CImgArray() override;

    CImgArray(const CImgArray&) = delete;
    CImgArray& operator=(const CImgArray&) = delete;

    // Records the first m_nImageBytes bytes of image as the next state and drops the redo states. bInitial
    // TRUE marks the first state after a new document or a load, which is not a modification. A state that
    // cannot be written (or a shorter image) still takes its position; undoing onto it later fails.
    void Store(std::span<const std::uint8_t> image, BOOL bInitial);
    // A finished edit of the view: the next state, a modification.
    void RecordEdit(std::span<const std::uint8_t> image) override { Store(image, FALSE); }

    // One state back or forward, read into plane (the view's staging plane, m_nImageBytes bytes). TRUE when
    // the state was loaded: the position moved, the document is modified and the host was told. FALSE when
    // there is nothing to undo or redo, or when the plane is missing or the state file cannot be read whole:
    // then the plane, the position and the modified flag are left as they were.
    BOOL Undo(std::span<std::uint8_t> plane);
    BOOL Redo(std::span<std::uint8_t> plane);

    BOOL CanUndo() const { return m_nPos > 0; }
    BOOL CanRedo() const { return m_nLastPos > 0 && m_nPos < m_nLastPos; }

    // Clears the modified flag; unless bKeepStates, also deletes every state (after a load) rather than
    // keeping them (after a save).
    void ResetHistory(BOOL bKeepStates);
    void SetModified(BOOL bModified);

    BOOL IsModified() const { return m_bModified; }
    BOOL IsDisabled() const { return m_bDisabled; }
    int GetPos() const { return m_nPos; }
    int GetLastPos() const { return m_nLastPos; }
    int GetImageBytes() const { return m_nImageBytes; }
    const std::wstring& GetTempPath() const { return m_strTempPath; }
    // The file that holds state nState.
    std::filesystem::path GetStatePath(int nState) const;

  private:
    BOOL LoadState(int nState, std::span<std::uint8_t> plane);
    void DeleteStates();

    std::int32_t m_nImageBytes = 0;
    std::int32_t m_nPos = -1;
    std::int32_t m_nLastPos = -1;
    BOOL m_bModified = FALSE;
    BOOL m_bDisabled = FALSE;
    std::wstring m_strTempPath;
    IImgArrayHost* m_pHost = nullptr;
};

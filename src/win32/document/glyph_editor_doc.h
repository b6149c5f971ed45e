// The one open character of an editor process: its code, its edit bitmap and the drawing
// history, with the questions that guard unsaved edits, and the commands that concern it.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/app_context.h"
#include "document/img_array.h"
#include "editor/dot_plane.h"
#include "win32/framework/doc_view.h"

class CFrameWnd;

// The code part of the title while no character is open.
inline constexpr wchar_t kNoCodeTitle[] = L" - ";

// What the document says to the window that shows it: the code in its title and the mark of
// unsaved edits.
class IGlyphDocumentFrame {
  public:
    virtual ~IGlyphDocumentFrame() = default;
    virtual void SetTitleCode(const std::wstring& code) = 0;
    virtual void SetModifiedMark(BOOL modified) = 0;
};

// Where a save keeps its copies of the EUDC files: "Kanjiforge\backup" in the user's local application data
// folder, or "backup" in `programFolder` (ending in a backslash) when the user has no such folder.
std::filesystem::path SaveBackupFolder(const std::wstring& programFolder);

class CGlyphoEditorDoc : public CDocument, private IImgArrayHost {
  public:
    explicit CGlyphoEditorDoc(const AppContext& context);
    ~CGlyphoEditorDoc() override;

    // The frame that shows this document (set by the frame when it is made; may stay null).
    void SetFrame(IGlyphDocumentFrame* frame) { m_pFrame = frame; }

    // Prepares the document once: the edit bitmap, its history and the first history state.
    BOOL OnNewDocument() override;
    BOOL CanCloseFrame(CFrameWnd* frame) override;
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;

    // Opens the character of a four-digit Unicode code text.
    void LoadCodeImage(const std::wstring& code);
    // Saves the open character; TRUE when saved or when there was nothing to save.
    BOOL SaveCodeImage();
    // The question before another code is opened; TRUE to go on.
    BOOL ConfirmSaveModified();
    // FALSE, after telling the user, when another editor window shows this code.
    BOOL CheckCodeNotInUse(const std::wstring& code);
    // The code-selection command; also what start-up asks for when no code was given.
    void OnCodeOpen();

    const std::wstring& GetCode() const { return m_strCode; }
    BOOL IsModified() const { return m_pImgArray && m_pImgArray->IsModified(); }

  private:
    // The history's surroundings.
    void OnModifiedChanged(BOOL bModified) override;
    void OnStateLoaded() override;

    bool HasCharacter() const;
    void StepCode(bool forward);

    void OnCodeSave();
    void OnUpdateCodeSave(CCmdUI* cmdUI);
    // The save method, switched between the system character editor and the direct save.
    void OnDirectSave();
    void OnUpdateDirectSave(CCmdUI* cmdUI);
    void OnNextCode() { StepCode(true); }
    void OnUpdateNextCode(CCmdUI* cmdUI);
    void OnPrevCode() { StepCode(false); }
    void OnUpdatePrevCode(CCmdUI* cmdUI);
    // One step back (undo) or forward (redo) in the history.
    void StepHistory(bool back);
    void OnUndo() { StepHistory(true); }
    void OnUpdateUndo(CCmdUI* cmdUI);
    void OnRedo() { StepHistory(false); }
    void OnUpdateRedo(CCmdUI* cmdUI);
    void OnGridSetting();

    const AppContext& m_context;
    IGlyphDocumentFrame* m_pFrame = nullptr;
    std::wstring m_strCode;
    std::unique_ptr<CImgArray> m_pImgArray;
    DotPlane m_image;
    DotPlane m_loadedState;  // where undo and redo load a stored state for the views to take over
};

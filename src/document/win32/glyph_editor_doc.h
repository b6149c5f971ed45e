// The one open character of an editor process: its code, its edit bitmap and the drawing
// history, with the questions that guard unsaved edits, and the commands that concern it.
#pragma once

#include <memory>
#include <string>

#include "document/img_array.h"
#include "editor/dot_plane.h"
#include "framework/document.h"

class CFrameWnd;

class CGlyphoEditorDoc : public CDocument, private IImgArrayHost {
  public:
    static CDocument* CreateObject() { return new CGlyphoEditorDoc; }
    CGlyphoEditorDoc();
    ~CGlyphoEditorDoc() override;

    // The first call prepares the document; every later one (the new-editor command) starts
    // another editor process instead and leaves this document as it is.
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
    // FALSE, after telling the user, when the system character editor already runs.
    BOOL CheckCharEditorNotRunning();
    // The code-selection command; also what start-up asks for when no code was given.
    void OnCodeOpen();

    const std::wstring& GetCode() const { return m_strCode; }
    DotPlane& GetImage() { return m_image; }
    CImgArray* GetImgArray() const { return m_pImgArray.get(); }
    BOOL IsModified() const { return m_pImgArray && m_pImgArray->IsModified(); }

  private:
    // The history's surroundings.
    void OnModifiedChanged(BOOL bModified) override;
    void OnStateLoaded() override;

    bool HasCharacter() const;
    void StepCode(bool forward);

    void OnCodeSave();
    void OnUpdateCodeSave(CCmdUI* cmdUI);
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
    void OnTool(UINT id);
    void OnUpdateTool(CCmdUI* cmdUI);
    void OnPenSwap();
    void OnUpdatePenSwap(CCmdUI* cmdUI);
    void OnDotSize(UINT id);
    void OnUpdateDotSize(CCmdUI* cmdUI);
    void OnRunManager() {}
    void OnUpdateRunManager(CCmdUI* cmdUI);
    void OnRunViewer();
    void OnUpdateRunViewer(CCmdUI* cmdUI);
    void OnHelp();
    void OnUpdateAppAbout(CCmdUI* cmdUI);

    std::wstring m_strCode;
    std::unique_ptr<CImgArray> m_pImgArray;
    DotPlane m_image;
};

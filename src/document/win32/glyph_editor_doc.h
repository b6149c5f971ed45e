// The one open character of an editor process, and the commands that concern it.
#pragma once

#include "framework/document.h"

class CGlyphoEditorDoc : public CDocument {
public:
    static CDocument* CreateObject() { return new CGlyphoEditorDoc; }

    // The first call prepares the document; every later one (the new-editor command) starts
    // another editor process instead and leaves this document as it is.
    BOOL OnNewDocument() override;
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;

private:
    void OnRunManager() {}
    void OnUpdateRunManager(CCmdUI* cmdUI);
    void OnRunViewer();
    void OnUpdateRunViewer(CCmdUI* cmdUI);
    void OnHelp();
    void OnUpdateAppAbout(CCmdUI* cmdUI);

    BOOL m_bInitialised = FALSE;
};

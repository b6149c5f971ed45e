// The view class the document template names. The frame lays out its own panes instead, so
// this view draws nothing and handles no command.
#pragma once

#include "win32/framework/doc_view.h"

class CGlyphoEditorView : public CView {
  public:
    static CView* CreateObject() { return new CGlyphoEditorView; }
    void OnDraw(HDC dc) override {}
};

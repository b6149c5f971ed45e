// The one open character of an editor process.
#pragma once

#include "framework/document.h"

class CGlyphoEditorDoc : public CDocument {
public:
    static CDocument* CreateObject() { return new CGlyphoEditorDoc; }
};

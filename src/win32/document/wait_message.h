// A small modeless window that asks the user to wait while the program works without a
// message loop (start-up). It appears when constructed and disappears when destroyed.
#pragma once

#include "win32/framework/dialog.h"

class CWaitMessage : public CDialog {
  public:
    // textId 0 keeps the template's own text.
    CWaitMessage(UINT textId, CWnd* parent);
    ~CWaitMessage() override;
};

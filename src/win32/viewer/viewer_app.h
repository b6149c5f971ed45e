// The list browser's application object: finds the EUDC font (the command line's path, or the registry's
// default), checks its files as the editor does, reads the bitmap file once and opens the browser window.
#pragma once

#include <string>

#include "win32/framework/win_app.h"

class CKanjiviewerApp : public CWinApp {
  public:
    BOOL InitInstance() override;

  private:
    // The folder of the program, with a trailing backslash.
    std::wstring m_strModuleFolder;
};

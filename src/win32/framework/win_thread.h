// The user-interface thread the frames belong to: the main window and the last stop of the
// command route. The application object is this thread's; frames and dialogs know only this much
// of it.
#pragma once

#include <windows.h>

#include "win32/framework/cmd_target.h"

class CWnd;

class CWinThread : public CCmdTarget {
  public:
    CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    ~CWinThread() override;

    CWnd* m_pMainWnd = nullptr;
};

// The program's user-interface thread object, or null before it is made.
CWinThread* AfxGetThread();
CWnd* AfxGetMainWnd();

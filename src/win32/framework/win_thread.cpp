#include "win32/framework/win_thread.h"

namespace {

CWinThread* g_pThread = nullptr;

}  // namespace

CWinThread::CWinThread() { g_pThread = this; }

CWinThread::~CWinThread() {
    if (g_pThread == this) g_pThread = nullptr;
}

CWinThread* AfxGetThread() { return g_pThread; }

CWnd* AfxGetMainWnd() { return g_pThread ? g_pThread->m_pMainWnd : nullptr; }

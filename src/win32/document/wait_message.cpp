#include "win32/document/wait_message.h"

#include "win32/platform/strings.h"
#include "resource.h"

CWaitMessage::CWaitMessage(UINT textId, CWnd* parent) : CDialog(IDD_WAIT_MESSAGE, parent) {
    const std::wstring text = textId != 0 ? LoadResString(textId) : std::wstring();
    if (!Create(IDD_WAIT_MESSAGE, parent)) return;
    if (!text.empty()) SetDlgItemTextW(m_hWnd, IDC_WAIT_TEXT, text.c_str());
    CenterWindow(parent ? parent->m_hWnd : GetDesktopWindow());
    ShowWindow(m_hWnd, SW_SHOW);
    UpdateWindow(m_hWnd);  // start-up goes on without a message loop
}

CWaitMessage::~CWaitMessage() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

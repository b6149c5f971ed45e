#include "win32/automation/save_lock.h"

namespace {

// One name for every Kanjiforge process of the session.
constexpr wchar_t kSaveMutexName[] = L"Local\\Kanjiforge.EudcEditorSave";

}  // namespace

CSaveLock::CSaveLock(HANDLE cancelEvent)
    : m_mutex(::CreateMutexW(nullptr, FALSE, kSaveMutexName)), m_cancelEvent(cancelEvent) {}

CSaveLock::~CSaveLock() {
    if (m_bHeld) ::ReleaseMutex(m_mutex.Get());
}

bool CSaveLock::Acquire(int milliseconds) {
    if (m_bHeld) return true;
    if (!m_mutex) return false;
    HANDLE handles[2] = {m_mutex.Get(), m_cancelEvent};
    const DWORD wait = ::WaitForMultipleObjects(m_cancelEvent != nullptr ? 2 : 1, handles, FALSE,
                                                static_cast<DWORD>(milliseconds));
    m_bHeld = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return m_bHeld;
}

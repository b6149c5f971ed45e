#include "win32/automation/save_lock.h"

namespace {

// One name for every Kanjiforge process of the session.
constexpr wchar_t kSaveMutexName[] = L"Local\\Kanjiforge.EudcEditorSave";

}  // namespace

CSaveLock::CSaveLock() : m_mutex(::CreateMutexW(nullptr, FALSE, kSaveMutexName)) {}

CSaveLock::~CSaveLock() {
    if (m_bHeld) ::ReleaseMutex(m_mutex.Get());
}

bool CSaveLock::Acquire(int milliseconds) {
    if (m_bHeld) return true;
    if (!m_mutex) return false;
    const DWORD wait = ::WaitForSingleObject(m_mutex.Get(), static_cast<DWORD>(milliseconds));
    m_bHeld = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return m_bHeld;
}

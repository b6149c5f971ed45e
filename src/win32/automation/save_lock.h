// One save at a time across every Kanjiforge process: two editors saving at once must never steer
// one system character editor between them.
#pragma once

#include <windows.h>

#include "automation/save_request.h"
#include "win32/platform/handles.h"

// A named mutex, released when the lock is destroyed.
class CSaveLock : public ISaveLock {
  public:
    // `cancelEvent` (when given) ends a wait for the lock as not acquired.
    explicit CSaveLock(HANDLE cancelEvent = nullptr);
    ~CSaveLock() override;
    CSaveLock(const CSaveLock&) = delete;
    CSaveLock& operator=(const CSaveLock&) = delete;

    // Waits up to `milliseconds` for the other processes' saves; true once this process holds the lock
    // (also when a process died holding it).
    bool Acquire(int milliseconds) override;
    bool Held() const { return m_bHeld; }

  private:
    UniqueHandle m_mutex;
    HANDLE m_cancelEvent;
    bool m_bHeld = false;
};

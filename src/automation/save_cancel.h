// The user may cancel a save while it runs: the window's thread asks, the save's own thread sees it
// between its steps, and every wait of the save (for the other editors' lock, for a window of the
// system character editor, for a command it is handling) ends at once instead of running to its bound.
// The Win32 side pairs it with an event those waits wait on; it registers the waking once, before the
// save starts.
#pragma once

#include <atomic>
#include <functional>

class SaveCancel {
  public:
    // Called on Request, from the requesting thread: ends the waits under way.
    void SetWake(std::function<void()> wake) { m_wake = std::move(wake); }
    void Request() {
        if (m_requested.exchange(true)) return;
        if (m_wake) m_wake();
    }
    bool Requested() const { return m_requested.load(); }

  private:
    std::atomic<bool> m_requested{false};
    std::function<void()> m_wake;
};

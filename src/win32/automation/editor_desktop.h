// The save sequence decides what to do with the system character editor; this carries each of its
// desktop operations out with the Windows service of the same name, on the save's own thread. Its only
// state is the running save's Cancel (an event every wait also waits on) and the watcher's stop event,
// so one process-wide instance serves every save and outlives any retry watcher thread it starts.
#pragma once

#include <windows.h>

#include "automation/save_sequence.h"

class CWin32EditorDesktop : public IEditorDesktop {
  public:
    // The instance every save uses; it lives until the process ends.
    static CWin32EditorDesktop& Instance();

    // Called on the save's thread around one save: `cancel` then ends every wait at once. EndSave also
    // stops listening to the editor's window events and logs how many arrived.
    void BeginSave(SaveCancel& cancel);
    void EndSave();
    // Set while the running save is cancelled: for other waits of the save (the lock's) to wait on.
    HANDLE CancelEvent() const { return m_cancelEvent; }

    WindowId FindCharEditorWindow() override;
    WindowId FindEditorMainWindow(std::uint32_t processId) override;
    WindowId FindEditorDialog(std::uint32_t processId, const std::wstring& title, WindowId except) override;
    WindowId FindErrorWindow(const WatcherTarget& target, const std::wstring& mark,
                             const std::atomic<int>* stopFlag) override;
    bool IsWindow(WindowId window) override;
    bool IsWindowShown(WindowId window) override;
    std::vector<ChildWindow> EnumChildWindows(WindowId parent) override;
    WindowId GetParent(WindowId window) override;
    int GetDlgCtrlID(WindowId window) override;
    WindowId GetForegroundWindow() override;

    void WatchProcessWindows(std::uint32_t processId) override;
    bool WaitUntil(const std::function<bool()>& ready, int timeoutMs) override;
    void Pause(int milliseconds, bool wakeOnWindows) override;

    std::wstring ReadWindowText(WindowId window) override;
    std::wstring ReadControlText(WindowId control) override;
    void WriteWindowText(WindowId window, const std::wstring& text) override;
    void PostCommand(WindowId window, std::uintptr_t wParam, WindowId lParam) override;
    bool SendCommand(WindowId window, std::uintptr_t wParam, int timeoutMs) override;
    int SelectComboString(WindowId combo, const std::wstring& text) override;
    void EnableWindow(WindowId window, bool enable) override;
    void SetForegroundWindow(WindowId window) override;
    void SetFocus(WindowId window) override;
    std::uint32_t ReadWindowStyle(WindowId window) override;
    void WriteWindowStyle(WindowId window, std::uint32_t style) override;
    bool HasMenu(WindowId window) override;
    void BlankMenuItem(WindowId window, int position) override;
    std::vector<std::wstring> ReadStatusBarParts(WindowId statusBar) override;

    MouseSettings GetMouseSettings() override;
    void SetMouseSettings(const MouseSettings& settings) override;
    ScreenRect GetVirtualScreen() override;
    ScreenPoint ClientToScreen(WindowId window, ScreenPoint client) override;
    WindowDpi GetWindowDpi(WindowId window) override;
    bool SendInputsTo(WindowId window, const std::vector<InputEvent>& events) override;

    bool PutBitmapOnClipboard(WindowId owner, const DotPlane& glyph) override;

    std::optional<std::vector<std::uint8_t>> ReadSharedFile(const std::filesystem::path& file) override;
    bool WriteIniEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value) override;
    std::pair<int, int> GetOsVersion() override;
    bool CreateEditorProcess(const std::wstring& commandLine, EditorProcess& started) override;
    void CloseEditorProcessHandles(const EditorProcess& process) override;
    std::uint32_t WaitForInputIdle(std::uintptr_t process, int milliseconds) override;
    bool WaitForProcessExit(std::uintptr_t process, int milliseconds) override;
    void TerminateEditorProcess(std::uintptr_t process) override;
    std::uintptr_t StartRetryWatcher(std::atomic<int>* state, const WatcherTarget& target) override;
    bool StopRetryWatcher(std::uintptr_t watcher, int timeoutMs) override;
    std::int64_t NowMs() override;
    LocalTime GetLocalTime() override;
    std::wstring LoadResourceString(unsigned id) override;

  private:
    CWin32EditorDesktop();
    bool Cancelled() const;
    // Waits up to `milliseconds` for `extra` (when given) or the Cancel, handling the thread's messages
    // (the window events and the replies of sent commands arrive as such); true when `extra` was set.
    bool WaitOn(HANDLE extra, DWORD milliseconds);

    HANDLE m_cancelEvent;  // manual reset: set by the running save's Cancel
    HANDLE m_watcherStop;  // manual reset: set when the watcher is asked to stop
    const SaveCancel* m_cancel = nullptr;
};

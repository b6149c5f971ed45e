// Command routing of the framework stand-in. A command id travels frame -> active view ->
// document -> frame itself -> application until an object handles it; the same route asks
// for the state of menu items and tool bar buttons (enabled, checked, text) through CCmdUI.
// Each class lists its commands in a static table of CommandEntry.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

class CCmdUI {
  public:
    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL on = TRUE) { m_bEnabled = on; }
    virtual void SetCheck(int check = 1) { m_nCheck = check; }
    virtual void SetText(const std::wstring& text) { m_strText = text; }

    UINT m_nID = 0;
    BOOL m_bEnabled = TRUE;
    int m_nCheck = 0;
    std::wstring m_strText;
    BOOL m_bHandled = FALSE;  // some object's update handler ran
};

enum class CmdCode { Command, UpdateUi };

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;
    // Handles the command or its state query; FALSE when this object has no entry for it.
    virtual BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) { return FALSE; }
};

// One row of a class's command table: the handler and/or the update handler of a command
// (or of a range of commands, whose handler receives the id).
template <class T>
struct CommandEntry {
    UINT first;
    UINT last;
    void (T::*onCommand)() = nullptr;
    void (T::*onUpdate)(CCmdUI*) = nullptr;
    void (T::*onCommandRange)(UINT) = nullptr;
};

template <class T, std::size_t N>
BOOL DispatchCommand(T* self, const CommandEntry<T> (&table)[N], UINT id, CmdCode code, CCmdUI* cmdUI) {
    for (const CommandEntry<T>& entry : table) {
        if (id < entry.first || id > entry.last) continue;
        if (code == CmdCode::Command) {
            if (entry.onCommand) {
                (self->*entry.onCommand)();
                return TRUE;
            }
            if (entry.onCommandRange) {
                (self->*entry.onCommandRange)(id);
                return TRUE;
            }
        } else {
            if (entry.onUpdate) {
                (self->*entry.onUpdate)(cmdUI);
                cmdUI->m_bHandled = TRUE;
                return TRUE;
            }
            if (entry.onCommand || entry.onCommandRange) {
                // A command with a handler and no update handler is simply enabled.
                cmdUI->Enable(TRUE);
                cmdUI->m_bHandled = TRUE;
                return TRUE;
            }
        }
    }
    return FALSE;
}

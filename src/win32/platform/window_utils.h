// Recognising other programs' windows and reading version resources. The save automation finds
// the system character editor and its dialogs and error windows through these; the start-up check,
// the document and the About box use the rest. All of them are stateless and may run on any
// thread; none reports errors: a failure gives an empty string or a null window and the caller
// decides what to say.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

// The executable file name (such as "eudcedit.exe", no folder) of the process that owns `window`,
// or "" when the window or its process cannot be found.
std::wstring GetWindowProcessName(HWND window);

// The first visible window below `parent` (all top-level windows when null) whose text equals
// `title` (`partial` zero) or contains it (`partial` non-zero), case-sensitive. Only the first 255
// characters of the title and of each window's text take part. Null for an empty title or no match.
HWND FindWindowByTitle(const std::wstring& title, int partial, HWND parent);

// The first top-level window, in Z order, with a minimise box and a border that belongs to a
// process whose name contains "eudcedit.exe" in any case: the system character editor's main
// window, never one of its dialogs. Null when none is found.
HWND FindCharEditorWindow();

// Any running system character editor: FindCharEditorWindow's window, or else a visible, unowned top-level
// window of an "eudcedit.exe" process -- the main window of an editor that a save left running after it
// took the minimise box away. Null when none is found.
HWND FindRunningCharEditorWindow();

// The first top-level window of process `processId`, in Z order, with a minimise box and a border.
HWND FindProcessMainWindow(DWORD processId);

// The first visible top-level window of process `processId` whose text equals `title` (first 255
// characters, case-sensitive), other than `except`.
HWND FindProcessWindowByTitle(DWORD processId, const std::wstring& title, HWND except);

// The first visible top-level window of process `processId` other than `mainWindow`, owned or not, whose
// text contains `text`. Stops with null as soon as *stopFlag
// is non-zero, like FindTopLevelWindowContaining.
HWND FindProcessErrorWindow(DWORD processId, HWND mainWindow, const std::wstring& text,
                            const std::atomic<int>* stopFlag);

// The first visible top-level window, in Z order, whose text contains `text` (case-sensitive).
// The search gives up with null as soon as `*stopFlag` is non-zero; the flag is read before every
// window, so another thread can end a search under way. A null `stopFlag` never stops it.
HWND FindTopLevelWindowContaining(const std::wstring& text, const std::atomic<int>* stopFlag);

// Reads the "ProductVersion" and "LegalCopyright" strings of a file's version resource (of the
// running program when `filePath` is empty), taking for each the first listed translation that
// has it. A string that cannot be read is left as it was.
void GetFileVersionStrings(std::wstring& productVersion, std::wstring& legalNotice,
                           const std::wstring& filePath = L"");

// Opens the clipboard for `owner`, trying again for a moment while another program holds it open (as a
// program does between emptying it and handing over its data). False when it stays busy.
bool OpenClipboardPatiently(HWND owner);

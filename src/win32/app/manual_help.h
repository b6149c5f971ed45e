// Help as the user gets it: the WinHelp file of old when it is beside the program and WinHelp opens
// it, otherwise the user's manual in the browser, at the heading that answers the topic.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Shows help topic `topic` (53..56) for `owner`: WinHelp with `helpFile` when that file exists and
// WinHelp takes it, otherwise the manual's page for the topic.
void ShowHelpOrManual(HWND owner, const std::wstring& helpFile, UINT topic, const std::wstring& moduleFolder);
// Opens a page of the manual beside the program (at `anchor`, when not empty) in the browser the
// system has for HTML pages. A manual that is not there, or no browser that starts, is told in a
// message box that names the page.
void OpenManualPage(HWND owner, const std::wstring& moduleFolder, std::wstring_view page,
                    std::wstring_view anchor);

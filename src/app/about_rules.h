// The About box's small decisions: where its link leads, and whether the update may end the editors.
#pragma once

#include <span>
#include <string>
#include <string_view>

// The link opens what it shows: a web address or a full path as it is, a file name as the file of that name
// beside the program (moduleFolder ends with a backslash).
std::wstring LinkTarget(std::wstring_view text, std::wstring_view moduleFolder);

// How many of the running editors' titles carry the modified mark: the update, which ends every editor,
// waits until none does.
int CountModifiedEditors(std::span<const std::wstring> titles);

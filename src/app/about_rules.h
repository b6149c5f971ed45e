// The About box's small decisions: whether the update may end the editors.
#pragma once

#include <span>
#include <string>

// How many of the running editors' titles carry the modified mark: the update, which ends every editor,
// waits until none does.
int CountModifiedEditors(std::span<const std::wstring> titles);

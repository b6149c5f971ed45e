// Where the user's default EUDC font is: Windows names it in the registry, as a path that
// is absolute or relative to the fonts folder.
#pragma once

#include <string>

inline constexpr int kQueryEudcKeyMissing = -2;
inline constexpr int kQueryEudcValueMissing = -5;

// Reads HKEY_CURRENT_USER\EUDC\932 "SystemDefaultEUDCFont" into value (emptied first).
// 0 on success, kQueryEudcKeyMissing or kQueryEudcValueMissing otherwise.
int QueryDefaultEudc(std::wstring& value);

#include "win32/glyphstore/default_eudc.h"

#include <windows.h>

#include "base/diag_log.h"

int QueryDefaultEudc(std::wstring& value) {
    value.clear();
    const std::wstring keyName = std::wstring(L"EUDC\\") + L"932";
    HKEY key = nullptr;
    int result = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyName.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        result = kQueryEudcKeyMissing;
    } else {
        // 260 characters and a zero-filled buffer, so the text always ends within it.
        wchar_t buffer[261] = {};
        DWORD size = 260 * sizeof(wchar_t);
        if (RegQueryValueExW(key, L"SystemDefaultEUDCFont", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                             &size) != ERROR_SUCCESS) {
            result = kQueryEudcValueMissing;
        } else {
            value = buffer;
        }
        RegCloseKey(key);
    }
    g_log.Write(L"QueryDefaultEudc(TTE=%s:result=%d)\n", value.c_str(), result);
    return result;
}

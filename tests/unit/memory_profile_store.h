// An in-memory settings file with the reading rules of the Windows private-profile calls,
// so the settings decisions can be checked without Windows.
#pragma once

#include <cwchar>
#include <map>
#include <string>
#include <utility>

#include "app/settings.h"

class MemoryProfileStore : public IProfileStore {
  public:
    using Key = std::pair<std::wstring, std::wstring>;

    std::wstring GetProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* def) override {
        auto it = values.find({section, key});
        return it == values.end() ? std::wstring(def) : it->second;
    }
    int GetProfileInt(const wchar_t* section, const wchar_t* key, int def) override {
        auto it = values.find({section, key});
        if (it == values.end()) return def;
        return static_cast<int>(std::wcstol(it->second.c_str(), nullptr, 10));
    }
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value) override {
        values[{section, key}] = value;
        ++writes;
        return TRUE;
    }
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* key, int value) override {
        return WriteProfileString(section, key, std::to_wstring(value).c_str());
    }

    bool Has(const wchar_t* key) const { return values.count({kEditorSection, key}) != 0; }
    std::wstring Get(const wchar_t* key) const { return values.at({kEditorSection, key}); }
    void Set(const wchar_t* key, const wchar_t* value) { values[{kEditorSection, key}] = value; }

    std::map<Key, std::wstring> values;
    int writes = 0;
};

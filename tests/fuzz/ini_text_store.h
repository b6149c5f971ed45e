// The settings file as text, read with the rules of the Windows private-profile calls, so that the settings
// reader can be fed any file a user might leave beside the program: the fuzz targets and the unit suite use
// it where the program uses GetPrivateProfileStringW.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/settings.h"

class IniTextProfileStore : public IProfileStore {
  public:
    // UTF-16LE with its byte-order mark, otherwise UTF-8 (a UTF-8 mark is dropped, bad bytes become U+FFFD).
    explicit IniTextProfileStore(std::span<const std::uint8_t> text);

    std::wstring GetProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* def) override;
    int GetProfileInt(const wchar_t* section, const wchar_t* key, int def) override;
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value) override;
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* key, int value) override;

    // The file as UTF-8 text, sections and keys in their order.
    std::string Serialize() const;
    int Writes() const { return m_nWrites; }

  private:
    struct Entry {
        std::wstring key;
        std::wstring value;
    };
    struct Section {
        std::wstring name;
        std::vector<Entry> entries;
    };
    const Entry* Find(const wchar_t* section, const wchar_t* key) const;

    std::vector<Section> m_sections;
    int m_nWrites = 0;
};

// UTF-8 encoding of a wide text (surrogates and out-of-range values become U+FFFD).
std::string ToUtf8(const std::wstring& text);

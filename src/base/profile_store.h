// The editor's settings live in one ini file beside the program, shared by every editor process
// started from that folder. Every level reads and writes it through this interface: the Win32
// side maps it onto the private-profile calls, the tests onto memory.
#pragma once

#include <string>

#include "base/kf_types.h"

// The four framework profile calls, on one settings file.
class IProfileStore {
  public:
    virtual ~IProfileStore() = default;
    virtual std::wstring GetProfileString(const wchar_t* section, const wchar_t* key,
                                          const wchar_t* defaultValue) = 0;
    // A decimal integer read as Windows reads it: absent key -> default, otherwise the
    // leading integer of the text (0 when there is none).
    virtual int GetProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue) = 0;
    virtual BOOL WriteProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value) = 0;
    virtual BOOL WriteProfileInt(const wchar_t* section, const wchar_t* key, int value) = 0;
};

inline constexpr wchar_t kSettingsFileName[] = L"Kanjiforge.ini";
inline constexpr wchar_t kEditorSection[] = L"GxmEditorSettings";
inline constexpr wchar_t kLayerSection[] = L"GxmSettings";
// The matrix's zoom (screen pixels per dot) and the DPI it was taken at.
inline constexpr wchar_t kPixSizeKey[] = L"PixSize";
inline constexpr wchar_t kPixSizeDpiKey[] = L"PixSizeDpi";

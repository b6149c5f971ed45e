// The editor's settings live in one ini file beside the program, shared by every editor
// process started from that folder. This is the platform-free half: the value forms of the
// file and the start-up decisions of which keys to read and which defaults to write back,
// over a small profile-store interface that the Win32 side maps onto the private-profile
// calls and the tests onto memory.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/kf_types.h"

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

// Value forms.
std::wstring ToLowerText(std::wstring_view text);
// "yes" (any case) is TRUE, any other text FALSE.
BOOL FlagFromText(std::wstring_view text);
// "%x:%x:%x" red:green:blue; leading blanks skipped, trailing text ignored, each field
// keeps its low eight bits. Empty when fewer than three fields parse.
std::optional<ColorRef> ParseColorText(std::wstring_view text);
std::wstring FormatColorText(ColorRef color);
// "%i:%i:%i:%i" (decimal, 0-octal or 0x-hexadecimal fields). Empty when fewer than four parse.
std::optional<std::array<int, 4>> ParseRectText(std::wstring_view text);
std::wstring FormatRectText(const std::array<int, 4>& rect);

// What start-up needs from the machine to build the defaults.
struct SettingsEnvironment {
    std::wstring systemFolder;              // GetSystemDirectory
    std::wstring windowsFolder;             // GetWindowsDirectory
    std::filesystem::path temporaryFolder;  // module folder + "TEMP\", made sure to exist
};

// The application-wide settings read once at start-up.
struct AppSettings {
    BOOL bSelectAfterMove = FALSE;
    BOOL bSelectKeep = FALSE;
    std::wstring strEditorPath;
    std::wstring strEditorIniPath;
    ColorRef crDot = MakeColorRef(0x00, 0x00, 0x00);
    ColorRef crSelect = MakeColorRef(0xe0, 0xe0, 0xff);
    ColorRef crMoveMarquee = MakeColorRef(0x80, 0x80, 0x80);
    ColorRef crMoveOrigin = MakeColorRef(0xe4, 0xe4, 0xf0);
    ColorRef crDrawMarquee = MakeColorRef(0x80, 0x80, 0x80);
    ColorRef crLayer = MakeColorRef(0xff, 0x80, 0x80);
    ColorRef crGrid = MakeColorRef(0xf0, 0x00, 0x00);
};

// Reads the application-wide keys, writing back the defaults of absent or unusable ones,
// and makes sure the temporary folder exists. Always TRUE: every read falls back to a default.
BOOL LoadSettings(IProfileStore& store, const SettingsEnvironment& env, AppSettings& out);

// "EditorWindowPos": the stored rectangle, or 40:40:-1:-1 when it does not parse.
std::array<int, 4> ReadEditorWindowPos(IProfileStore& store);
// "GaijiShowFont": the sample layers' face name, "ＭＳ 明朝" when empty; never written.
std::wstring ReadGaijiShowFont(IProfileStore& store);
// "SaveAns": FALSE when the save confirmation was switched off ("no", any case).
BOOL ShouldAskBeforeSave(IProfileStore& store);

// Start-up's reading of the settings file: the value forms of the file and the decisions of
// which keys to read and which defaults to write back, over the profile-store interface.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/app_context.h"
#include "base/kf_types.h"
#include "base/profile_store.h"

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

// Reads the application-wide keys, writing back the defaults of absent or unusable ones,
// and makes sure the temporary folder exists. Always TRUE: every read falls back to a default.
BOOL LoadSettings(IProfileStore& store, const SettingsEnvironment& env, AppSettings& out);

// "EditorWindowPos": the stored rectangle, or 40:40:-1:-1 when it does not parse.
std::array<int, 4> ReadEditorWindowPos(IProfileStore& store);
// "GaijiShowFont": the sample layers' face name, "ＭＳ 明朝" when empty; never written.
std::wstring ReadGaijiShowFont(IProfileStore& store);

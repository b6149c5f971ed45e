// Start-up's reading of the settings file: which keys to read and which defaults to write back,
// over the profile-store interface (the value forms themselves are base/value_forms.h).
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "base/app_context.h"
#include "base/kf_types.h"
#include "base/profile_store.h"
#include "base/value_forms.h"

// What start-up needs from the machine to build the defaults.
struct SettingsEnvironment {
    std::wstring systemFolder;              // GetSystemDirectory
    std::wstring windowsFolder;             // GetWindowsDirectory
    std::filesystem::path temporaryFolder;  // module folder + "TEMP\", made sure to exist
    int dpi = 96;                           // the screen's DPI at start-up, for a first start's zoom
};

// Reads the application-wide keys, writing back the defaults of absent or unusable ones,
// and makes sure the temporary folder exists. Always TRUE: every read falls back to a default.
BOOL LoadSettings(IProfileStore& store, const SettingsEnvironment& env, AppSettings& out);

// "EditorWindowPos": the stored rectangle, or 40:40:-1:-1 when it does not parse.
std::array<int, 4> ReadEditorWindowPos(IProfileStore& store);
// "GaijiShowFont": the sample layers' face name, "ＭＳ 明朝" when empty; never written.
std::wstring ReadGaijiShowFont(IProfileStore& store);

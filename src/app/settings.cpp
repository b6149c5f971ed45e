#include "app/settings.h"

#include <system_error>

#include "app/frame_rules.h"
#include "base/diag_log.h"
#include "base/dpi_scale.h"

namespace {

struct ColorSetting {
    const wchar_t* key;
    ColorRef AppSettings::*field;
    ColorRef defaultValue;
};

const ColorSetting kColorSettings[] = {
    {L"DotRGB", &AppSettings::crDot, MakeColorRef(0x00, 0x00, 0x00)},
    {L"SelectRGB", &AppSettings::crSelect, MakeColorRef(0xe0, 0xe0, 0xff)},
    {L"MoveMqRGB", &AppSettings::crMoveMarquee, MakeColorRef(0x80, 0x80, 0x80)},
    {L"MoveOrgRGB", &AppSettings::crMoveOrigin, MakeColorRef(0xe4, 0xe4, 0xf0)},
    {L"DrawMqRGB", &AppSettings::crDrawMarquee, MakeColorRef(0x80, 0x80, 0x80)},
    {L"LayerRGB", &AppSettings::crLayer, MakeColorRef(0xff, 0x80, 0x80)},
    {L"GridRGB", &AppSettings::crGrid, MakeColorRef(0xf0, 0x00, 0x00)},
};

BOOL ReadFlag(IProfileStore& store, const wchar_t* key) {
    const std::wstring text = ToLowerText(store.GetProfileString(kEditorSection, key, L""));
    if (text.empty()) {
        store.WriteProfileString(kEditorSection, key, L"no");
        return FALSE;
    }
    return FlagFromText(text);
}

std::wstring ReadPath(IProfileStore& store, const wchar_t* key, const std::wstring& folder,
                      const wchar_t* fileName) {
    std::wstring value = store.GetProfileString(kEditorSection, key, L"");
    if (value.empty()) {
        value = folder + L"\\" + fileName;
        store.WriteProfileString(kEditorSection, key, value.c_str());
    }
    return value;
}

void EnsureFolder(const std::filesystem::path& folder) {
    if (folder.empty()) return;
    std::error_code ec;
    if (!std::filesystem::exists(folder, ec)) std::filesystem::create_directory(folder, ec);
}

}  // namespace

BOOL LoadSettings(IProfileStore& store, const SettingsEnvironment& env, AppSettings& out) {
    g_log.Write(L"LoadSetting開始\n");
    EnsureFolder(env.temporaryFolder);

    // The zoom itself belongs to the matrix view; start-up only repairs an unusable value, with the
    // first start's zoom for the screen's DPI and that DPI beside it.
    if (store.GetProfileInt(kEditorSection, kPixSizeKey, 0) == 0) {
        const int dpi = SaneDpi(env.dpi);
        store.WriteProfileInt(kEditorSection, kPixSizeKey, DefaultZoomForDpi(dpi));
        store.WriteProfileInt(kEditorSection, kPixSizeDpiKey, dpi);
    }
    out.bSelectAfterMove = ReadFlag(store, L"SelectAfterMove");
    out.bSelectKeep = ReadFlag(store, L"SelectKeep");
    out.strEditorPath = ReadPath(store, L"GaijiEditorPath", env.systemFolder, L"eudcedit.exe");
    out.strEditorIniPath = ReadPath(store, L"GaijiEditorIniPath", env.windowsFolder, L"eudcedit.ini");
    g_log.Write(L"LoadSetting終了\n");

    for (const ColorSetting& setting : kColorSettings) {
        const std::wstring text = store.GetProfileString(kEditorSection, setting.key, L"");
        const std::optional<ColorRef> color = text.empty() ? std::nullopt : ParseColorText(text);
        if (color) {
            out.*setting.field = *color;
        } else {
            out.*setting.field = setting.defaultValue;
            store.WriteProfileString(kEditorSection, setting.key,
                                     FormatColorText(setting.defaultValue).c_str());
        }
    }
    return TRUE;
}

std::array<int, 4> ReadEditorWindowPos(IProfileStore& store) {
    const std::wstring text = store.GetProfileString(kEditorSection, L"EditorWindowPos", L"");
    return ParseRectText(text).value_or(std::array<int, 4>{40, 40, -1, -1});
}

std::wstring ReadGaijiShowFont(IProfileStore& store) {
    std::wstring face = store.GetProfileString(kLayerSection, L"GaijiShowFont", L"");
    return face.empty() ? L"ＭＳ 明朝" : face;
}

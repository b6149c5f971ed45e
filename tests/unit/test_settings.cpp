#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "app/command_line.h"
#include "app/settings.h"
#include "automation/save_answer.h"
#include "memory_profile_store.h"

namespace {

SettingsEnvironment Env() { return {L"C:\\WINDOWS\\system32", L"C:\\WINDOWS", {}}; }

TEST(SettingsValueForms, ColoursParseLenientlyAndKeepLowBytes) {
    EXPECT_EQ(ParseColorText(L"e0:e0:ff"), MakeColorRef(0xe0, 0xe0, 0xff));
    EXPECT_EQ(ParseColorText(L"FF:00:00"), MakeColorRef(0xff, 0, 0));
    EXPECT_EQ(ParseColorText(L"1ff:0:0"), MakeColorRef(0xff, 0, 0));
    EXPECT_EQ(ParseColorText(L" 10: 20:30 and more"), MakeColorRef(0x10, 0x20, 0x30));
    EXPECT_FALSE(ParseColorText(L"ff:0"));
    EXPECT_FALSE(ParseColorText(L"red"));
    EXPECT_FALSE(ParseColorText(L""));
    EXPECT_EQ(FormatColorText(MakeColorRef(0xf0, 0, 0)), L"f0:0:0");
    EXPECT_EQ(FormatColorText(MakeColorRef(0xe4, 0xe4, 0xf0)), L"e4:e4:f0");
}

TEST(SettingsValueForms, RectanglesNeedFourFieldsInAnyIntegerBase) {
    EXPECT_EQ(ParseRectText(L"40:40:-1:-1"), (std::array<int, 4>{40, 40, -1, -1}));
    EXPECT_EQ(ParseRectText(L"0x10:010:+3:-0"), (std::array<int, 4>{16, 8, 3, 0}));
    EXPECT_FALSE(ParseRectText(L"100:200"));
    EXPECT_EQ(FormatRectText({-5, 7, 1, 2}), L"-5:7:1:2");

    MemoryProfileStore store;
    EXPECT_EQ(ReadEditorWindowPos(store), (std::array<int, 4>{40, 40, -1, -1}));
    store.Set(L"EditorWindowPos", L"100:200");
    EXPECT_EQ(ReadEditorWindowPos(store), (std::array<int, 4>{40, 40, -1, -1}));
    store.Set(L"EditorWindowPos", L"100:200:3:4");
    EXPECT_EQ(ReadEditorWindowPos(store), (std::array<int, 4>{100, 200, 3, 4}));
}

TEST(LoadSettings, FirstStartWritesEveryDefault) {
    MemoryProfileStore store;
    AppSettings s;
    s.crDot = MakeColorRef(1, 2, 3);  // must be overwritten by the default
    EXPECT_TRUE(LoadSettings(store, Env(), s));

    EXPECT_EQ(store.Get(L"PixSize"), L"6");
    EXPECT_EQ(store.Get(L"PixSizeDpi"), L"96");
    EXPECT_EQ(store.Get(L"SelectAfterMove"), L"no");
    EXPECT_EQ(store.Get(L"SelectKeep"), L"no");
    EXPECT_EQ(store.Get(L"GaijiEditorPath"), L"C:\\WINDOWS\\system32\\eudcedit.exe");
    EXPECT_EQ(store.Get(L"GaijiEditorIniPath"), L"C:\\WINDOWS\\eudcedit.ini");
    EXPECT_EQ(store.Get(L"DotRGB"), L"0:0:0");
    EXPECT_EQ(store.Get(L"SelectRGB"), L"e0:e0:ff");
    EXPECT_EQ(store.Get(L"MoveMqRGB"), L"80:80:80");
    EXPECT_EQ(store.Get(L"MoveOrgRGB"), L"e4:e4:f0");
    EXPECT_EQ(store.Get(L"DrawMqRGB"), L"80:80:80");
    EXPECT_EQ(store.Get(L"LayerRGB"), L"ff:80:80");
    EXPECT_EQ(store.Get(L"GridRGB"), L"f0:0:0");
    EXPECT_EQ(store.values.size(), 13u);  // nothing else, in particular not GaijiShowFont or SaveAns

    EXPECT_FALSE(s.bSelectAfterMove);
    EXPECT_FALSE(s.bSelectKeep);
    EXPECT_EQ(s.strEditorPath, L"C:\\WINDOWS\\system32\\eudcedit.exe");
    EXPECT_EQ(s.crDot, MakeColorRef(0, 0, 0));
    EXPECT_EQ(s.crGrid, MakeColorRef(0xf0, 0, 0));
}

TEST(LoadSettings, KeepsUsableValuesAndRepairsOthers) {
    MemoryProfileStore store;
    store.Set(L"PixSize", L"12");
    store.Set(L"SelectAfterMove", L"YES");
    store.Set(L"SelectKeep", L"true");
    store.Set(L"GaijiEditorPath", L"D:\\tools\\eudcedit.exe");
    store.Set(L"GaijiEditorIniPath", L"D:\\tools\\eudcedit.ini");
    store.Set(L"DotRGB", L"ff:0");
    store.Set(L"SelectRGB", L"FF:00:00");
    store.Set(L"LayerRGB", L"nonsense");
    const int writesBefore = store.writes;
    AppSettings s;
    LoadSettings(store, Env(), s);

    EXPECT_EQ(store.Get(L"PixSize"), L"12");
    EXPECT_TRUE(s.bSelectAfterMove);
    EXPECT_FALSE(s.bSelectKeep);
    EXPECT_EQ(store.Get(L"SelectKeep"), L"true");  // not rewritten
    EXPECT_EQ(s.strEditorPath, L"D:\\tools\\eudcedit.exe");
    EXPECT_EQ(s.strEditorIniPath, L"D:\\tools\\eudcedit.ini");
    EXPECT_EQ(s.crDot, MakeColorRef(0, 0, 0));
    EXPECT_EQ(store.Get(L"DotRGB"), L"0:0:0");
    EXPECT_EQ(s.crSelect, MakeColorRef(0xff, 0, 0));
    EXPECT_EQ(store.Get(L"SelectRGB"), L"FF:00:00");  // kept as written
    EXPECT_EQ(s.crLayer, MakeColorRef(0xff, 0x80, 0x80));
    // DotRGB, LayerRGB and the four absent colours are written; nothing else.
    EXPECT_EQ(store.writes - writesBefore, 6);
}

TEST(LoadSettings, ZeroOrEmptyZoomIsRepaired) {
    for (const wchar_t* value : {L"0", L"", L"abc"}) {
        MemoryProfileStore store;
        store.Set(L"PixSize", value);
        AppSettings s;
        LoadSettings(store, Env(), s);
        EXPECT_EQ(store.Get(L"PixSize"), L"6") << "value " << value;
    }
}

TEST(LoadSettings, FirstStartZoomFollowsTheScreensDpi) {
    // The first start's zoom keeps the matrix as large on the screen as 6 pixels a dot at 100 %, and
    // says which DPI it was taken at; a zoom the user chose is left alone.
    for (const auto& [dpi, zoom, storedDpi] : {std::tuple{120, L"8", L"120"}, std::tuple{144, L"9", L"144"},
                                               std::tuple{192, L"12", L"192"}, std::tuple{0, L"6", L"96"}}) {
        MemoryProfileStore store;
        SettingsEnvironment env = Env();
        env.dpi = dpi;
        AppSettings s;
        LoadSettings(store, env, s);
        EXPECT_EQ(store.Get(L"PixSize"), zoom) << "at " << dpi << " DPI";
        EXPECT_EQ(store.Get(L"PixSizeDpi"), storedDpi) << "at " << dpi << " DPI";

        store.Set(L"PixSize", L"7");
        store.values.erase({kEditorSection, L"PixSizeDpi"});
        LoadSettings(store, env, s);
        EXPECT_EQ(store.Get(L"PixSize"), L"7");
        EXPECT_FALSE(store.Has(L"PixSizeDpi")) << "start-up converts nothing; the window does";
    }
}

TEST(LoadSettings, CreatesTheTemporaryFolder) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kf-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(folder);
    MemoryProfileStore store;
    AppSettings s;
    LoadSettings(store, {L"S", L"W", folder}, s);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    LoadSettings(store, {L"S", L"W", folder}, s);  // an existing folder is fine
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    std::filesystem::remove_all(folder);
}

TEST(SettingsOwnedElsewhere, ShowFontAndSaveAnswer) {
    MemoryProfileStore store;
    EXPECT_EQ(ReadGaijiShowFont(store), L"ＭＳ 明朝");
    EXPECT_TRUE(store.values.empty());  // the default is never written
    store.values[{kLayerSection, L"GaijiShowFont"}] = L"IPAmjMincho";
    EXPECT_EQ(ReadGaijiShowFont(store), L"IPAmjMincho");

    EXPECT_TRUE(ShouldAskBeforeSave(store));
    store.Set(L"SaveAns", L"NO");
    EXPECT_FALSE(ShouldAskBeforeSave(store));
    store.Set(L"SaveAns", L"yes");
    EXPECT_TRUE(ShouldAskBeforeSave(store));
}

std::wstring ParseArgs(std::vector<std::wstring> args) {
    CMyCommandLineInfo info;
    ParseCommandLineArgs(info, args);
    return info.m_strCode;
}

TEST(CommandLine, AcceptsOneEudcCodeWithOrWithoutSwitch) {
    EXPECT_EQ(ParseArgs({L"E000"}), L"E000");
    EXPECT_EQ(ParseArgs({L"/e000"}), L"E000");
    EXPECT_EQ(ParseArgs({L"-E000"}), L"E000");
    EXPECT_EQ(ParseArgs({L"f8ff"}), L"F8FF");
    EXPECT_EQ(ParseArgs({L"E001", L"E002"}), L"E002");
    EXPECT_EQ(ParseArgs({L"E001", L"bogus", L"F900"}), L"E001");
}

TEST(CommandLine, IgnoresEverythingElse) {
    for (const wchar_t* arg : {L"E00", L"E0000", L"G000", L"D800", L"F900", L"DFFF", L"", L"-", L"//E000",
                               L"C:\\file.tte", L"/p", L" E000"}) {
        EXPECT_EQ(ParseArgs({arg}), L"") << "argument " << arg;
    }
}

}  // namespace

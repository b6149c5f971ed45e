// The installer that scripts/package makes, run silently the way an administrator's script runs
// it: it installs, the installed editor reaches its normal start-up, and the uninstaller removes
// the program, its manual and their shortcuts but leaves the user's settings and history folder. KF_SETUP_EXE
// names the setup program (a Unix or Windows path; scripts/test sets it after packaging); without it the
// tests are skipped.
#include <shlobj.h>

#include <string>

#include "win32/platform/window_utils.h"
#include "editor_fixture.h"
#include "kanjiforge_version.h"

using namespace e2e;

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kanjiforge";

struct InstallMode {
    const char* name;
    const wchar_t* option;
    HKEY root;      // where the uninstall entry goes
    int startMenu;  // CSIDL of the Start menu's programs folder that gets the shortcut
};

std::ostream& operator<<(std::ostream& os, const InstallMode& mode) { return os << mode.name; }

std::optional<std::wstring> RegistryString(HKEY root, const wchar_t* key, const wchar_t* value) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return data;
}

bool KeyExists(HKEY root, const wchar_t* key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

class InstallerTest : public EditorTest, public ::testing::WithParamInterface<InstallMode> {
  protected:
    void SetUp() override {
        setup_ = SetupExePath();
        if (setup_.empty()) GTEST_SKIP() << "KF_SETUP_EXE is not set (scripts/test packages and sets it)";
        ASSERT_TRUE(FileExists(setup_)) << Narrow(setup_);
        EditorTest::SetUp();
        // A run that failed half-way may have left its entry behind; this prefix is the tests' own.
        RegDeleteKeyW(GetParam().root, kUninstallKey);
        wchar_t programs[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, GetParam().startMenu, nullptr, 0, programs);
        shortcut_ = std::wstring(programs) + L"\\Kanjiforge\\Kanjiforge.lnk";
        manualShortcut_ = std::wstring(programs) + L"\\Kanjiforge\\Kanjiforge 使い方の説明.lnk";
        DeleteFileW(shortcut_.c_str());
        DeleteFileW(manualShortcut_.c_str());
    }

    std::wstring setup_, shortcut_, manualShortcut_;
};

// The manual's pages that help opens, and one of its pictures, come with the programs.
const wchar_t* const kInstalledFiles[] = {L"Kanjiforge.exe",
                                          L"Kanjiviewer.exe",
                                          L"euftool.exe",
                                          L"README.txt",
                                          L"はじめにお読みください.txt",
                                          L"Uninstall.exe",
                                          L"manual\\index.html",
                                          L"manual\\editor.html",
                                          L"manual\\layers.html",
                                          L"manual\\images\\editor.png"};

TEST_P(InstallerTest, SilentInstallStartsTheEditorAndUninstallKeepsSettings) {
    const InstallMode& mode = GetParam();
    const std::wstring dir = folder_ / L"installed";

    // "/D=" must be last and unquoted.
    Process setup = Process::Start(setup_, std::wstring(mode.option) + L" /S /D=" + dir);
    ASSERT_EQ(setup.WaitForExit(Millis(120000)), 0u) << "the installer did not finish";

    for (const wchar_t* file : kInstalledFiles) EXPECT_TRUE(FileExists(dir + L"\\" + file)) << Narrow(file);
    EXPECT_TRUE(FileExists(shortcut_)) << Narrow(shortcut_);
    EXPECT_TRUE(FileExists(manualShortcut_)) << Narrow(manualShortcut_);
    EXPECT_EQ(RegistryString(mode.root, kUninstallKey, L"DisplayName"), L"Kanjiforge");
    EXPECT_EQ(RegistryString(mode.root, kUninstallKey, L"DisplayVersion"), KF_VERSION_WTEXT);
    EXPECT_EQ(RegistryString(mode.root, kUninstallKey, L"InstallLocation"), dir);
    EXPECT_NE(RegistryString(mode.root, kUninstallKey, L"UninstallString")
                  .value_or(L"")
                  .find(dir + L"\\Uninstall.exe"),
              std::wstring::npos)
        << "the entry must start the uninstaller";
    std::wstring productVersion, legalNotice;
    GetFileVersionStrings(productVersion, legalNotice, dir + L"\\Kanjiforge.exe");
    EXPECT_EQ(Narrow(productVersion), KF_VERSION_TEXT);

    // The installed program on a prepared EUDC environment: the fixture's font and stand-in
    // system editor, named in the settings file as a user would name them.
    const std::wstring settings = dir + L"\\Kanjiforge.ini";
    WriteFileBytes(settings, EncodeText(L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ +
                                            L"\r\nGaijiEditorIniPath=" + editorIni_ + L"\r\n",
                                        TextEncoding::Utf16Bom));
    {
        Process editor = Process::Start(dir + L"\\Kanjiforge.exe");
        HWND main = WaitForEditorWindow(editor);
        ASSERT_NE(main, nullptr) << "the installed editor did not reach its main window";
        EXPECT_EQ(Narrow(WindowText(main)), Narrow(tte_ + L"　[ CODE=  -  ]"));
        EXPECT_TRUE(FindMessageBoxes(editor.Id()).empty());
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(editor.WaitForExit(), 0u);
    }
    EXPECT_EQ(ReadIniValue(settings, L"GxmEditorSettings", L"PixSize"), L"6")
        << "the first start writes defaults";

    // The uninstaller copies itself away and runs from there: the job keeps that copy with the
    // started process, so wait for its work rather than for the first process.
    Process uninstall = Process::Start(dir + L"\\Uninstall.exe", L"/S");
    const bool removed = WaitUntil(
        [&] {
            for (const wchar_t* file : kInstalledFiles)
                if (FileExists(dir + L"\\" + file)) return false;
            return !KeyExists(mode.root, kUninstallKey) && !FileExists(shortcut_) &&
                   !FileExists(manualShortcut_) && !folder_.Exists(L"installed\\manual");
        },
        Millis(120000));
    EXPECT_TRUE(removed) << "the uninstaller left program files, the manual, the entry or a shortcut";
    EXPECT_FALSE(KeyExists(mode.root, kUninstallKey));
    EXPECT_FALSE(FileExists(shortcut_));
    EXPECT_FALSE(FileExists(manualShortcut_));
    EXPECT_TRUE(FileExists(settings)) << "the settings file must stay";
    EXPECT_EQ(ReadIniValue(settings, L"GxmEditorSettings", L"GaijiEditorPath"), editor_);
    EXPECT_TRUE(folder_.Exists(L"installed\\TEMP")) << "the history folder must stay";
    uninstall.WaitForExit(Millis(30000));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, InstallerTest,
    ::testing::Values(InstallMode{"CurrentUser", L"/CurrentUser", HKEY_CURRENT_USER, CSIDL_PROGRAMS},
                      InstallMode{"AllUsers", L"/AllUsers", HKEY_LOCAL_MACHINE, CSIDL_COMMON_PROGRAMS}),
    [](const ::testing::TestParamInfo<InstallMode>& info) { return info.param.name; });

}  // namespace

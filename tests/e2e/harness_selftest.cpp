// Checks of the harness itself, against small helper processes (this program started again in a
// child role) and against the Wine prefix the tests run in. If these fail, a failure of a program
// test says nothing about the program.
#include "harness.h"

#include <shellapi.h>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr wchar_t kBoxCaption[] = L"Kanjiforge";
constexpr wchar_t kBoxText[] = L"ﾃｽﾄの本文です。\r\n二行目: Z:\\tmp\\ﾌｧｲﾙ.ini";
constexpr wchar_t kWaitTitle[] = L"ﾃｽﾄ待機中";
constexpr wchar_t kTag[] = L"_KANJIFORGE_APPLICATION_TAG";

// --- child roles ------------------------------------------------------------------------------

// Shows one message box with the given style bits; its answer is the exit code.
int MessageBoxChild(const std::vector<std::wstring>& args) {
    const UINT style = args.empty() ? MB_OK : static_cast<UINT>(std::stoul(args[0]));
    return MessageBoxW(nullptr, kBoxText, kBoxCaption, style);
}

// Shows a wait window like the program's start-up one (a dialog with a static text of id 0xFFFF
// and no button), and a message box once the window receives WM_APP.
int WaitThenBoxChild(const std::vector<std::wstring>&) {
    HWND wait = CreateWindowExW(0, L"#32770", kWaitTitle, WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 300,
                                120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    CreateWindowExW(0, L"Static", L"しばらくお待ち下さい。", WS_CHILD | WS_VISIBLE, 10, 10, 250, 40, wait,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(0xFFFF)), GetModuleHandleW(nullptr),
                    nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_APP) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    const int answer = MessageBoxW(nullptr, kBoxText, kBoxCaption, MB_OK | MB_ICONEXCLAMATION);
    DestroyWindow(wait);
    return answer;
}

LRESULT CALLBACK TaggedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        RemovePropW(window, kTag);
        PostQuitMessage(42);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A main window titled args[0] that carries the application tag; exit code 42 after WM_CLOSE.
int TaggedWindowChild(const std::vector<std::wstring>& args) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TaggedWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KfE2eTaggedWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, args.empty() ? L"" : args[0].c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    SetPropW(window, kTag, reinterpret_cast<HANDLE>(1));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// Starts a tagged-window grandchild titled args[0] (outside the harness's Process) and waits.
int SpawnerChild(const std::vector<std::wstring>& args) {
    std::wstring commandLine =
        QuoteArgument(ThisExePath()) + L" --kf-e2e-child=tagged-window " + QuoteArgument(args.at(0));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return 1;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    Sleep(INFINITE);
    return 0;
}

const ChildRole kRoles[] = {{L"message-box", &MessageBoxChild},
                            {L"wait-then-box", &WaitThenBoxChild},
                            {L"tagged-window", &TaggedWindowChild},
                            {L"spawner", &SpawnerChild}};

// --- message boxes ----------------------------------------------------------------------------

struct BoxCase {
    const char* name;
    UINT style;
    MessageBoxIcon icon;
    std::vector<int> buttons;
    int answer;
};

class MessageBoxReading : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxReading, ReadsTheBoxAsShownAndAnswersIt) {
    const BoxCase& c = GetParam();
    Process child = StartChild(L"message-box", {std::to_wstring(c.style)});
    const auto box = WaitForMessageBox(child.Id());
    ASSERT_TRUE(box.has_value()) << "no message box appeared";
    EXPECT_EQ(Narrow(box->caption), Narrow(kBoxCaption));
    EXPECT_EQ(Narrow(box->text), Narrow(kBoxText));
    EXPECT_EQ(box->ButtonIds(), c.buttons);
    for (const MessageBoxButton& button : box->buttons) EXPECT_FALSE(button.text.empty()) << button.id;
    EXPECT_EQ(box->icon, c.icon);

    PressButton(*box, c.answer);
    EXPECT_EQ(child.WaitForExit(), std::optional<DWORD>(c.answer));
    EXPECT_TRUE(WaitForWindowGone(box->window));
}

INSTANTIATE_TEST_SUITE_P(
    Styles, MessageBoxReading,
    ::testing::Values(
        BoxCase{"HandYesNo", MB_YESNO | MB_ICONHAND, MessageBoxIcon::Hand, {IDYES, IDNO}, IDNO},
        BoxCase{"ExclamationOk", MB_OK | MB_ICONEXCLAMATION, MessageBoxIcon::Exclamation, {IDOK}, IDOK},
        BoxCase{"QuestionYesNo", MB_YESNO | MB_ICONQUESTION, MessageBoxIcon::Question, {IDYES, IDNO}, IDYES},
        BoxCase{"AsteriskOkCancel",
                MB_OKCANCEL | MB_ICONASTERISK,
                MessageBoxIcon::Asterisk,
                {IDOK, IDCANCEL},
                IDCANCEL},
        BoxCase{"NoIcon", MB_OK, MessageBoxIcon::None, {IDOK}, IDOK}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

TEST(MessageBoxSearch, DialogWithoutButtonsIsNotAMessageBox) {
    Process child = StartChild(L"wait-then-box");
    const HWND wait = WaitFor<HWND>([&]() -> std::optional<HWND> {
                          if (HWND w = FindTopLevelWindow(child.Id(), L"#32770", kWaitTitle)) return w;
                          return std::nullopt;
                      }).value_or(nullptr);
    ASSERT_NE(wait, nullptr) << "the wait window did not appear";
    EXPECT_TRUE(FindMessageBoxes(child.Id()).empty());

    PostMessageW(wait, WM_APP, 0, 0);
    const auto box = WaitForMessageBox(child.Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_NE(box->window, wait);
    EXPECT_EQ(Narrow(box->caption), Narrow(kBoxCaption));
    EXPECT_EQ(box->icon, MessageBoxIcon::Exclamation);
    EXPECT_EQ(FindMessageBoxes(child.Id()).size(), 1u);
    PressButton(*box, IDOK);
    EXPECT_EQ(child.WaitForExit(), std::optional<DWORD>(IDOK));
}

// --- windows and processes --------------------------------------------------------------------

TEST(Windows, ReadsTitleAndApplicationTagOfAnotherProcess) {
    const std::wstring title = L"ﾃｽﾄ窓　[ CODE= E000 ]";
    Process child = StartChild(L"tagged-window", {title});
    const HWND window = WaitFor<HWND>([&]() -> std::optional<HWND> {
                            if (HWND w = FindTopLevelWindow(child.Id(), {}, L"CODE= E000")) return w;
                            return std::nullopt;
                        }).value_or(nullptr);
    ASSERT_NE(window, nullptr);
    // A window can be seen before its owner has tagged it.
    EXPECT_TRUE(WaitUntil([&] { return WindowProperty(window, kTag).has_value(); }));
    EXPECT_EQ(Narrow(WindowText(window)), Narrow(title));
    EXPECT_EQ(WindowClass(window), L"KfE2eTaggedWindow");
    EXPECT_EQ(WindowProperty(window, kTag), std::optional<uintptr_t>(1));
    EXPECT_EQ(WindowProperty(window, L"_KANJIVIEWER_APPLICATION_TAG"), std::nullopt);
    EXPECT_FALSE(child.WaitForExit(Millis(100)).has_value());

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(child.WaitForExit(), std::optional<DWORD>(42));
    EXPECT_FALSE(child.IsRunning());
}

TEST(Processes, KillEndsEverythingTheProcessStarted) {
    const std::wstring title = L"kf-e2e grandchild " + std::to_wstring(GetCurrentProcessId());
    Process child = StartChild(L"spawner", {title});
    const HWND grandchildWindow = WaitFor<HWND>([&]() -> std::optional<HWND> {
                                      if (HWND w = FindWindowW(nullptr, title.c_str())) return w;
                                      return std::nullopt;
                                  }).value_or(nullptr);
    ASSERT_NE(grandchildWindow, nullptr) << "the grandchild did not start";
    DWORD grandchildId = 0;
    GetWindowThreadProcessId(grandchildWindow, &grandchildId);
    UniqueHandle grandchild(OpenProcess(SYNCHRONIZE, FALSE, grandchildId));
    ASSERT_TRUE(grandchild);

    child.Kill();
    EXPECT_FALSE(child.IsRunning());
    EXPECT_EQ(WaitForSingleObject(grandchild.Get(), 5000), WAIT_OBJECT_0);
}

TEST(Processes, QuotedArgumentsSurviveTheCommandLine) {
    const std::vector<std::wstring> args = {
        L"plain", L"with space", L"", L"C:\\dir with space\\", L"say \"hi\"", L"a\\\\\"b", L"ﾃｽﾄ　全角"};
    std::wstring commandLine = L"prog.exe";
    for (const auto& arg : args) commandLine += L" " + QuoteArgument(arg);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine.c_str(), &argc);
    ASSERT_NE(argv, nullptr);
    std::vector<std::wstring> parsed(argv + 1, argv + argc);
    LocalFree(argv);
    EXPECT_EQ(parsed, args);
}

// --- files and registry -----------------------------------------------------------------------

TEST(Files, FolderIsPrivateAndIniValuesReadInEitherEncoding) {
    std::wstring path;
    {
        TestFolder folder;
        path = folder.Path();
        EXPECT_NE(path.find(L"Files.FolderIsPrivateAndIniValuesReadInEitherEncoding"), std::wstring::npos);
        const std::wstring body = L"[Section]\r\nFace=ＭＳ 明朝\r\nEmpty=\r\n";
        folder.WriteText(L"unicode.ini", body, TextEncoding::Utf16Bom);
        folder.WriteText(L"sub\\ansi.ini", body, TextEncoding::ShiftJis);
        EXPECT_TRUE(folder.Exists(L"sub\\ansi.ini"));
        EXPECT_FALSE(folder.Exists(L"absent.ini"));
        for (const wchar_t* file : {L"unicode.ini", L"sub\\ansi.ini"}) {
            SCOPED_TRACE(Narrow(file));
            EXPECT_EQ(folder.ReadIni(file, L"Section", L"Face"), std::optional<std::wstring>(L"ＭＳ 明朝"));
            EXPECT_EQ(folder.ReadIni(file, L"Section", L"Empty"), std::optional<std::wstring>(L""));
            EXPECT_EQ(folder.ReadIni(file, L"Section", L"Missing"), std::nullopt);
        }
        EXPECT_EQ(folder.ReadBytes(L"unicode.ini").size(), 2 + body.size() * 2);
    }
    if (GetEnvironmentVariableW(L"KF_E2E_KEEP", nullptr, 0) == 0) {
        EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "folder not removed";
    }
}

TEST(Registry, GuardPutsBackTheValueOrItsAbsence) {
    const std::wstring key = L"Software\\Kanjiforge-e2e-selftest";
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    {
        RegistryValueGuard guard(HKEY_CURRENT_USER, key, L"Value");
        guard.SetString(L"during");
        EXPECT_EQ(guard.ReadString(), std::optional<std::wstring>(L"during"));
    }
    HKEY opened = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS)
        << "a key the guard created must go again";
    if (opened) RegCloseKey(opened);

    RegistryValueGuard outer(HKEY_CURRENT_USER, key, L"Value");
    outer.SetString(L"before");
    {
        RegistryValueGuard guard(HKEY_CURRENT_USER, key, L"Value");
        guard.Delete();
        EXPECT_EQ(guard.ReadString(), std::nullopt);
    }
    EXPECT_EQ(outer.ReadString(), std::optional<std::wstring>(L"before"));
    {
        RegistryValueGuard guard(HKEY_CURRENT_USER, key, L"Value");
        guard.SetString(L"ＭＳ 明朝.TTE");
    }
    EXPECT_EQ(outer.ReadString(), std::optional<std::wstring>(L"before"));
}

// --- the environment --------------------------------------------------------------------------

// The bytes of a font's 'name' table: equal for two faces only if they are the same font file.
std::vector<uint8_t> NameTableOf(const wchar_t* face) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    HGDIOBJ old = SelectObject(dc, font);
    constexpr DWORD kName = 'n' | 'a' << 8 | 'm' << 16 | static_cast<DWORD>('e') << 24;
    std::vector<uint8_t> table;
    const DWORD size = GetFontData(dc, kName, 0, nullptr, 0);
    if (size != GDI_ERROR && size > 0) {
        table.resize(size);
        GetFontData(dc, kName, 0, table.data(), size);
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return table;
}

TEST(Environment, RunsAsJapaneseWindowsWithTheIpaFontsStandingIn) {
    EXPECT_EQ(GetACP(), 932u);
    const std::pair<const wchar_t*, const wchar_t*> replacements[] = {
        {L"ＭＳ ゴシック", L"IPAGothic"}, {L"ＭＳ Ｐゴシック", L"IPAPGothic"}, {L"ＭＳ 明朝", L"IPAMincho"},
        {L"MS Gothic", L"IPAGothic"},     {L"MS PGothic", L"IPAPGothic"},      {L"MS Mincho", L"IPAMincho"},
        {L"MS UI Gothic", L"IPAPGothic"}};
    for (const auto& [face, ipa] : replacements) {
        SCOPED_TRACE(Narrow(face));
        const std::vector<uint8_t> expected = NameTableOf(ipa);
        ASSERT_FALSE(expected.empty()) << "IPA font missing: " << Narrow(ipa);
        EXPECT_EQ(NameTableOf(face), expected);
    }
    EXPECT_NE(NameTableOf(L"ＭＳ 明朝"), NameTableOf(L"IPAGothic"));
}

TEST(Environment, BuildPathsBecomeWindowsPaths) {
    EXPECT_EQ(WindowsPathFromBuildPath("C:/build/Kanjiforge.exe"), L"C:\\build\\Kanjiforge.exe");
    const std::wstring exe = KanjiforgeExePath();
    if (exe.empty()) GTEST_SKIP() << "Kanjiforge.exe is not part of this build";
    EXPECT_TRUE(FileExists(exe)) << Narrow(exe);
}

}  // namespace

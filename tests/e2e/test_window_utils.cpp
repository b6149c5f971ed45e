// The process and window utilities against real windows and processes: windows this program makes
// itself, helper processes started under the system character editor's file name, version
// resources written by the test, and the recording companion stand-in.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "win32/platform/process_utils.h"
#include "win32/platform/window_utils.h"
#include "harness.h"
#include "kanjiforge_version.h"

using namespace e2e;

namespace {

constexpr wchar_t kWindowClass[] = L"KfWindowUtilsTest";

// Titles unique to this run, so windows of other programs never match by accident.
std::wstring UniqueTitle(std::wstring_view what) {
    static int counter = 0;
    return L"KfWU-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
           std::wstring(what);
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// What a test window observes and does when its text is read.
struct TextProbe {
    int reads = 0;
    std::atomic<int>* flagToSet = nullptr;  // set to 1 on every read when not null
};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_GETTEXT) {
        if (auto* probe = reinterpret_cast<TextProbe*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            ++probe->reads;
            if (probe->flagToSet) probe->flagToSet->store(1);
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterTestClass() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly once registered
}

HWND CreateTestWindow(const std::wstring& text, DWORD style, HWND parent, TextProbe* probe) {
    RegisterTestClass();
    return CreateWindowExW(0, kWindowClass, text.c_str(), style, 40, 40, 320, 200, parent, nullptr,
                           GetModuleHandleW(nullptr), probe);
}

// A window of this thread, destroyed with the object.
class TestWindow {
  public:
    explicit TestWindow(const std::wstring& text, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        HWND parent = nullptr)
        : window_(CreateTestWindow(text, style, parent, &probe_)) {
        if (!window_) throw HarnessError("CreateWindowExW failed: " + std::to_string(GetLastError()));
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() {
        if (IsWindow(window_)) DestroyWindow(window_);
    }
    HWND Get() const { return window_; }
    TextProbe& Probe() { return probe_; }

  private:
    TextProbe probe_;
    HWND window_;
};

// Position of a top-level window in Z order, or -1.
int ZOrderIndex(HWND target) {
    int index = 0;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT), ++index) {
        if (w == target) return index;
    }
    return -1;
}

HWND FirstVisibleTopLevelWindow() {
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// --- helper processes ---------------------------------------------------------------------------

// Shows the windows the arguments ask for and runs until it is ended: "main=TITLE" a normal main
// window (minimise box and border), "dialog=TITLE" a dialog owned by the last main window (border,
// no minimise box).
int WindowsChild(const std::vector<std::wstring>& args) {
    HWND owner = nullptr;
    for (const std::wstring& arg : args) {
        const size_t equals = arg.find(L'=');
        const std::wstring kind = arg.substr(0, equals);
        const std::wstring title = equals == std::wstring::npos ? L"" : arg.substr(equals + 1);
        HWND window = nullptr;
        if (kind == L"main") {
            window = CreateTestWindow(title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, nullptr);
            owner = window;
        } else if (kind == L"dialog") {
            window = CreateWindowExW(WS_EX_DLGMODALFRAME, L"#32770", title.c_str(),
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 80, 80, 240, 140, owner,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
        }
        if (!window) return 2;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// Reads the running program's own version strings (started from "empty" defaults) into the file
// args[0], as UTF-8 "product\nnotice".
int VersionStringsChild(const std::vector<std::wstring>& args) {
    std::wstring productVersion = L"untouched", legalNotice = L"untouched";
    GetFileVersionStrings(productVersion, legalNotice);
    WriteFileBytes(args.at(0), EncodeText(productVersion + L"\n" + legalNotice, TextEncoding::Utf8));
    return 0;
}

const ChildRole kRoles[] = {{L"wu-windows", &WindowsChild}, {L"wu-version-strings", &VersionStringsChild}};

// Starts a copy of this program (under another name) in a child role, as StartChild does for the
// original.
Process StartCopyAsChild(const std::wstring& exePath, std::wstring_view role,
                         const std::vector<std::wstring>& args) {
    std::wstring arguments = L"--kf-e2e-child=" + std::wstring(role);
    for (const std::wstring& arg : args) arguments += L" " + QuoteArgument(arg);
    return Process::Start(exePath, arguments);
}

HWND WaitForProcessWindow(const Process& process, std::wstring_view title) {
    return WaitFor<HWND>([&]() -> std::optional<HWND> {
               for (HWND w : TopLevelWindows(process.Id())) {
                   if (WindowText(w) == title) return w;
               }
               return std::nullopt;
           })
        .value_or(nullptr);
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }

// --- title search -------------------------------------------------------------------------------

TEST(WindowUtilsTitleSearch, ExactOrPartialCaseSensitiveMatchOfVisibleWindows) {
    const std::wstring title = UniqueTitle(L"Alpha Beta");
    const std::wstring shorter = title.substr(0, title.size() - 1);
    TestWindow window(title);
    // Created later, so in front: a hidden window must not be found even when it matches.
    TestWindow hidden(title, WS_OVERLAPPEDWINDOW);

    EXPECT_EQ(FindWindowByTitle(title, 0, nullptr), window.Get());
    EXPECT_EQ(FindWindowByTitle(shorter, 0, nullptr), nullptr) << "exact match found extra trailing text";
    EXPECT_EQ(FindWindowByTitle(shorter, 1, nullptr), window.Get());
    EXPECT_EQ(FindWindowByTitle(title.substr(3), 1, nullptr), window.Get()) << "partial is not a prefix test";
    EXPECT_EQ(FindWindowByTitle(title.substr(3), 0, nullptr), nullptr);

    std::wstring otherCase = title;
    otherCase.replace(otherCase.find(L"Alpha"), 5, L"ALPHA");
    EXPECT_EQ(FindWindowByTitle(otherCase, 0, nullptr), nullptr);
    EXPECT_EQ(FindWindowByTitle(otherCase, 1, nullptr), nullptr);
    EXPECT_EQ(FindWindowByTitle(L"", 0, nullptr), nullptr);
    EXPECT_EQ(FindWindowByTitle(L"", 1, nullptr), nullptr);

    DestroyWindow(window.Get());
    EXPECT_EQ(FindWindowByTitle(title, 0, nullptr), nullptr) << "the hidden window was found";
    ShowWindow(hidden.Get(), SW_SHOWNA);
    EXPECT_EQ(FindWindowByTitle(title, 0, nullptr), hidden.Get());
}

TEST(WindowUtilsTitleSearch, OnlyTheFirst255CharactersTakePart) {
    std::wstring head = UniqueTitle(L"long-");
    head.resize(255, L'x');
    const std::wstring text = head + std::wstring(45, L'T');  // 300 characters
    TestWindow window(text);
    ASSERT_EQ(WindowText(window.Get()), text);

    EXPECT_EQ(FindWindowByTitle(text, 0, nullptr), window.Get());
    EXPECT_EQ(FindWindowByTitle(head, 0, nullptr), window.Get());
    EXPECT_EQ(FindWindowByTitle(head + L"different tail", 0, nullptr), window.Get());
    EXPECT_EQ(FindWindowByTitle(head.substr(0, 254), 0, nullptr), nullptr);
    // Text past the 255th character is never read.
    EXPECT_EQ(FindWindowByTitle(L"xxxxxTTT", 1, nullptr), nullptr);
}

TEST(WindowUtilsTitleSearch, ParentLimitsTheSearchToItsChildren) {
    TestWindow first(UniqueTitle(L"parent one"));
    TestWindow second(UniqueTitle(L"parent two"));
    const std::wstring title = UniqueTitle(L"child");
    TestWindow child(title, WS_CHILD | WS_VISIBLE, first.Get());

    EXPECT_EQ(FindWindowByTitle(title, 0, first.Get()), child.Get());
    EXPECT_EQ(FindWindowByTitle(title, 0, second.Get()), nullptr);
}

// --- top-level search with a stop flag -----------------------------------------------------------

// Runs the search on a worker thread, as the save watcher does, while this thread keeps answering
// its windows' messages.
HWND SearchOnWorker(const std::wstring& text, const std::atomic<int>* stopFlag) {
    std::atomic<bool> done{false};
    HWND found = nullptr;
    std::thread worker([&] {
        found = FindTopLevelWindowContaining(text, stopFlag);
        done = true;
    });
    const bool finished = WaitUntil([&] { return done.load(); });
    worker.join();
    EXPECT_TRUE(finished) << "the search did not end";
    return found;
}

TEST(WindowUtilsTopLevelSearch, FindsVisibleWindowsContainingTheText) {
    const std::wstring token = UniqueTitle(L"token");
    TestWindow hidden(L"hidden " + token + L" window", WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(FindTopLevelWindowContaining(token, nullptr), nullptr) << "a hidden window was found";

    std::wstring longText = L"visible " + token;
    longText.resize(300, L'-');
    longText += token + L"-tail";
    TestWindow shown(longText);
    EXPECT_EQ(FindTopLevelWindowContaining(token, nullptr), shown.Get());
    EXPECT_EQ(FindTopLevelWindowContaining(token + L"-tail", nullptr), shown.Get()) << "long text cut short";
    EXPECT_EQ(FindTopLevelWindowContaining(token + L"-tails", nullptr), nullptr);
    std::wstring upper = token;
    upper[1] = L'F';  // "KFWU-..."
    EXPECT_EQ(FindTopLevelWindowContaining(upper, nullptr), nullptr) << "the search ignores case";

    const std::atomic<int> running{0};
    EXPECT_EQ(FindTopLevelWindowContaining(token, &running), shown.Get());
}

TEST(WindowUtilsTopLevelSearch, StopFlagEndsTheSearch) {
    const std::wstring token = UniqueTitle(L"target");
    TestWindow target(token);
    // In front of the target: reading its text is the moment the other thread raises the flag.
    TestWindow tripwire(UniqueTitle(L"tripwire"), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetWindowPos(tripwire.Get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_LT(ZOrderIndex(tripwire.Get()), ZOrderIndex(target.Get()));
    ASSERT_EQ(FirstVisibleTopLevelWindow(), tripwire.Get());

    std::atomic<int> flag{0};
    EXPECT_EQ(SearchOnWorker(token, &flag), target.Get()) << "the target is not findable past the tripwire";
    EXPECT_GT(tripwire.Probe().reads, 0) << "the tripwire was not looked at";

    // Raised beforehand: not even the first window is looked at.
    flag = 1;
    tripwire.Probe().reads = 0;
    EXPECT_EQ(SearchOnWorker(token, &flag), nullptr);
    EXPECT_EQ(tripwire.Probe().reads, 0);

    // Raised by this thread while the worker's search is under way.
    flag = 0;
    tripwire.Probe().flagToSet = &flag;
    EXPECT_EQ(SearchOnWorker(token, &flag), nullptr) << "the search went on after the flag was raised";
    EXPECT_EQ(tripwire.Probe().reads, 1);
}

// --- process names and the system character editor --------------------------------------------

TEST(WindowUtilsProcessName, NamesTheProgramThatOwnsTheWindow) {
    TestWindow own(UniqueTitle(L"own"));
    EXPECT_EQ(Narrow(GetWindowProcessName(own.Get())), Narrow(FileName(ThisExePath())));
    const HWND gone = own.Get();
    DestroyWindow(gone);
    EXPECT_EQ(Narrow(GetWindowProcessName(gone)), "");
    EXPECT_EQ(Narrow(GetWindowProcessName(nullptr)), "");
}

class WindowUtilsCharEditor : public ::testing::Test {
  protected:
    // A copy of this program under `name` showing the windows `specs` asks for (see WindowsChild).
    Process StartFakeEditor(const std::wstring& name, const std::vector<std::wstring>& specs) {
        return StartCopyAsChild(folder_.CopyIn(ThisExePath(), name), L"wu-windows", specs);
    }

    TestFolder folder_;
    const std::wstring mainTitle_ = UniqueTitle(L"editor main");
    const std::wstring dialogTitle_ = UniqueTitle(L"editor dialog");
};

TEST_F(WindowUtilsCharEditor, FindsTheMainWindowNeverADialog) {
    Process editor = StartFakeEditor(L"eudcedit.exe", {L"main=" + mainTitle_, L"dialog=" + dialogTitle_});
    const HWND main = WaitForProcessWindow(editor, mainTitle_);
    const HWND dialog = WaitForProcessWindow(editor, dialogTitle_);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(dialog, nullptr);
    // The dialog has a border and is in front: only the missing minimise box rules it out.
    ASSERT_EQ(StyleOf(dialog) & (WS_BORDER | WS_MINIMIZEBOX), static_cast<DWORD>(WS_BORDER));
    // Wine may still be activating the main window when the owned dialog appears; put the dialog in
    // front, as the real editor's start-up dialog is, before the search.
    ASSERT_TRUE(WaitUntil([&] {
        if (ZOrderIndex(dialog) < ZOrderIndex(main)) return true;
        SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return false;
    })) << ZOrderIndex(dialog) << " vs " << ZOrderIndex(main);

    EXPECT_EQ(Narrow(GetWindowProcessName(main)), "eudcedit.exe");
    EXPECT_EQ(Narrow(GetWindowProcessName(dialog)), "eudcedit.exe");
    EXPECT_EQ(FindCharEditorWindow(), main);
}

TEST_F(WindowUtilsCharEditor, NameIsComparedInLowerCase) {
    Process editor = StartFakeEditor(L"EUDCEDIT.EXE", {L"main=" + mainTitle_});
    const HWND main = WaitForProcessWindow(editor, mainTitle_);
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(Narrow(GetWindowProcessName(main)), "EUDCEDIT.EXE");
    EXPECT_EQ(FindCharEditorWindow(), main);
}

TEST_F(WindowUtilsCharEditor, NeitherADialogNorAnotherProgramsMainWindowIsTheEditor) {
    Process editor = StartFakeEditor(L"eudcedit.exe", {L"dialog=" + dialogTitle_});
    Process other = StartCopyAsChild(ThisExePath(), L"wu-windows", {L"main=" + mainTitle_});
    const HWND dialog = WaitForProcessWindow(editor, dialogTitle_);
    const HWND main = WaitForProcessWindow(other, mainTitle_);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(Narrow(GetWindowProcessName(main)), Narrow(FileName(ThisExePath())));

    EXPECT_EQ(FindCharEditorWindow(), nullptr);
}

// --- version resources ----------------------------------------------------------------------------

// One node of a version resource: header, key, value and children, each 32-bit aligned.
std::vector<uint8_t> VersionNode(std::wstring_view key, bool text, const std::vector<uint8_t>& value,
                                 const std::vector<std::vector<uint8_t>>& children = {}) {
    std::vector<uint8_t> node(6, 0);
    auto append = [&node](const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        node.insert(node.end(), bytes, bytes + size);
    };
    auto align = [&node] { node.resize((node.size() + 3) & ~size_t{3}, 0); };
    append(key.data(), key.size() * 2);
    node.insert(node.end(), {0, 0});
    align();
    append(value.data(), value.size());
    for (const auto& child : children) {
        align();
        append(child.data(), child.size());
    }
    const auto word = [&node](size_t offset, size_t v) {
        node[offset] = static_cast<uint8_t>(v);
        node[offset + 1] = static_cast<uint8_t>(v >> 8);
    };
    word(0, node.size());
    word(2, text ? value.size() / 2 : value.size());  // text values count characters
    word(4, text ? 1 : 0);
    return node;
}

std::vector<uint8_t> VersionString(std::wstring_view name, std::wstring_view value) {
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(value.data()),
                               reinterpret_cast<const uint8_t*>(value.data() + value.size()));
    bytes.insert(bytes.end(), {0, 0});
    return VersionNode(name, true, bytes);
}

std::vector<uint8_t> StringTable(std::wstring_view key, const std::vector<std::vector<uint8_t>>& strings) {
    return VersionNode(key, true, {}, strings);
}

// Two translations, English first: ProductVersion exists only under the second, LegalCopyright
// under both.
std::vector<uint8_t> TwoTranslationVersionResource() {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    std::vector<uint8_t> fixedBytes(reinterpret_cast<const uint8_t*>(&fixed),
                                    reinterpret_cast<const uint8_t*>(&fixed) + sizeof fixed);
    const std::vector<uint8_t> translations = {0x09, 0x04, 0xe4, 0x04, 0x11, 0x04, 0xb0, 0x04};
    return VersionNode(
        L"VS_VERSION_INFO", false, fixedBytes,
        {VersionNode(L"StringFileInfo", true, {},
                     {StringTable(L"040904e4", {VersionString(L"LegalCopyright", L"Notice of the first")}),
                      StringTable(L"041104b0", {VersionString(L"ProductVersion", L"2.5.0.1"),
                                                VersionString(L"LegalCopyright", L"Notice of the second")})}),
         VersionNode(L"VarFileInfo", true, {}, {VersionNode(L"Translation", false, translations)})});
}

void WriteVersionResource(const std::wstring& exePath, const std::vector<uint8_t>& resource) {
    HANDLE update = BeginUpdateResourceW(exePath.c_str(), FALSE);
    if (!update) throw HarnessError("BeginUpdateResourceW failed");
    const BOOL added = UpdateResourceW(
        update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
        const_cast<uint8_t*>(resource.data()), static_cast<DWORD>(resource.size()));
    if (!EndUpdateResourceW(update, !added) || !added)
        throw HarnessError("cannot write the version resource");
}

TEST(WindowUtilsVersion, ReadsTheProgramsVersionStrings) {
    std::wstring productVersion = L"old", legalNotice = L"old";
    GetFileVersionStrings(productVersion, legalNotice, KanjiforgeExePath());
    EXPECT_EQ(Narrow(productVersion), KF_VERSION_TEXT);
    EXPECT_EQ(Narrow(legalNotice), "Copyright (C) 2026 Kanjiforge");
}

TEST(WindowUtilsVersion, WithoutAVersionResourceTheStringsStayAsTheyWere) {
    TestFolder folder;
    DWORD ignored = 0;
    ASSERT_EQ(GetFileVersionInfoSizeW(ThisExePath().c_str(), &ignored), 0u) << "this program has a version";
    for (const std::wstring& path : {ThisExePath(), folder / L"missing.exe", std::wstring()}) {
        std::wstring productVersion = L"kept", legalNotice = L"also kept";
        GetFileVersionStrings(productVersion, legalNotice, path);
        EXPECT_EQ(Narrow(productVersion), "kept") << Narrow(path);
        EXPECT_EQ(Narrow(legalNotice), "also kept") << Narrow(path);
    }
}

TEST(WindowUtilsVersion, EachStringComesFromTheFirstTranslationThatHasIt) {
    TestFolder folder;
    const std::wstring exe = folder.CopyIn(ThisExePath(), L"versioned.exe");
    WriteVersionResource(exe, TwoTranslationVersionResource());

    std::wstring productVersion, legalNotice;
    GetFileVersionStrings(productVersion, legalNotice, exe);
    EXPECT_EQ(Narrow(productVersion), "2.5.0.1");
    EXPECT_EQ(Narrow(legalNotice), "Notice of the first");

    // Without a path: the running program's own file.
    const std::wstring output = folder / L"strings.txt";
    Process child = StartCopyAsChild(exe, L"wu-version-strings", {output});
    ASSERT_EQ(child.WaitForExit(), std::optional<DWORD>(0));
    const std::vector<uint8_t> bytes = folder.ReadBytes(L"strings.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "2.5.0.1\nNotice of the first");
}

// --- starting programs ---------------------------------------------------------------------------

TEST(WindowUtilsRunProgram, StartsTheProgramWithItsCommandLineUnchanged) {
    TestFolder folder;
    const std::wstring recorder = folder.CopyIn(WindowsPathFromBuildPath(KF_CMDRECORD_EXE), L"recorder.exe");
    const std::wstring commandLine = QuoteArgument(recorder) + L" -open " + QuoteArgument(L"ﾌｧｲﾙ 1.txt");
    ASSERT_TRUE(RunProgram(commandLine, SW_SHOWNORMAL));
    ASSERT_TRUE(WaitUntil([&] { return folder.Exists(L"recorder.exe.cmdline"); }))
        << "the program did not run";
    std::vector<uint8_t> recorded;
    // Written in one call; wait until the line is complete.
    WaitUntil([&] {
        recorded = folder.ReadBytes(L"recorder.exe.cmdline");
        return !recorded.empty() && recorded.back() == '\n';
    });
    EXPECT_EQ(std::string(recorded.begin(), recorded.end()), Narrow(commandLine) + "\n");

    EXPECT_FALSE(RunProgram(QuoteArgument(folder / L"missing.exe") + L" -open", SW_SHOWNORMAL));
}

}  // namespace

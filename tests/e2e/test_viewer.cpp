// The list browser Kanjiviewer.exe, installed beside the editor: started from the editor's tool bar
// button, it shows the stored characters at their cells; the update signal of an exiting editor redraws
// what changed; a double-click opens (or brings forward) the editor of that code; a damaged file is
// reported, never a crash.
#include "editor_fixture.h"

#include <commctrl.h>
#include <winioctl.h>

#include <cstring>

#include "glyphstore/tte_writer.h"
#include "viewer/viewer_grid.h"

namespace e2e {
namespace {

constexpr UINT kListBrowserCommand = 32776;
constexpr int kCellSize = 32;
constexpr int kGlyph = 64;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

std::wstring ViewerExePath() { return WindowsPathFromBuildPath(KF_KANJIVIEWER_EXE); }

// A 64 by 64 plane with the dots for which ink(x, y) holds black.
template <class Ink>
std::vector<uint8_t> Glyph(Ink ink) {
    std::vector<uint8_t> bits(kGlyph * kGlyph / 8, 0xFF);
    for (int y = 0; y < kGlyph; ++y) {
        for (int x = 0; x < kGlyph; ++x) {
            if (ink(x, y)) bits[(y * kGlyph + x) / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
        }
    }
    return bits;
}

HWND FindTagged(const wchar_t* tag, DWORD processId = 0) {
    struct Search {
        const wchar_t* tag;
        DWORD processId;
        HWND found;
    } search = {tag, processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (GetPropW(window, s->tag) == nullptr || (s->processId != 0 && owner != s->processId))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> EditorWindows() {
    std::vector<HWND> editors;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            if (GetPropW(window, L"_KANJIFORGE_APPLICATION_TAG") != nullptr) {
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&editors));
    return editors;
}

// Runs f with a buffer of `size` bytes in the memory of window's process, then copies it back.
template <class F>
std::vector<uint8_t> WithRemoteBuffer(HWND window, std::size_t size, F f) {
    std::vector<uint8_t> local(size);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) return {};
    void* remote = VirtualAllocEx(process.Get(), nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return {};
    f(remote);
    ReadProcessMemory(process.Get(), remote, local.data(), size, nullptr);
    VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
    return local;
}

// One part of another process's status bar.
std::wstring StatusPart(HWND bar, int part) {
    const std::vector<uint8_t> text = WithRemoteBuffer(bar, 1024, [&](void* remote) {
        SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote));
    });
    if (text.empty()) return {};
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()));
}

class ViewerTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        viewerExe_ = folder_.CopyIn(ViewerExePath(), L"prog\\Kanjiviewer.exe");
        folder_.WriteText(L"prog\\Kanjiforge.ini", L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ +
                                                       L"\r\nGaijiEditorIniPath=" + editorIni_ +
                                                       L"\r\n[KanjiviewerSettings]\r\nCellSize=" +
                                                       std::to_wstring(kCellSize) + L"\r\n");
        // E000: the left half black; E011: the top half black; nothing else stored.
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(euf_), 0xE000,
                                        Glyph([](int x, int) { return x < 32; })));
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(euf_), 0xE011,
                                        Glyph([](int, int y) { return y < 32; })));
        ASSERT_NO_FATAL_FAILURE(WriteFontOfTheBitmapFile());
    }

    // The font as the system editor keeps it: the bitmap file's characters, made by our own writer.
    void WriteFontOfTheBitmapFile() {
        std::vector<uint8_t> font;
        std::string error;
        ASSERT_EQ(BuildTteFontFromEudc(ReadFileBytes(euf_), TteTimeNow(), font, error), kTteOk) << error;
        WriteFileBytes(tte_, font);
    }

    Process StartViewer() { return Process::Start(viewerExe_, QuoteArgument(tte_)); }

    HWND WaitForViewer(DWORD processId = 0) {
        HWND found = nullptr;
        WaitUntil(
            [&] { return (found = FindTagged(L"_KANJIVIEWER_APPLICATION_TAG", processId)) != nullptr; });
        return found;
    }

    // Moves an editor that opened over the browser below it, as a user would (without a window manager the
    // browser's activation does not restack the windows, and the screen would show the editor).
    static void MoveBelow(HWND editor, HWND viewer) {
        RECT viewerRect = {};
        GetWindowRect(viewer, &viewerRect);
        SetWindowPos(editor, nullptr, viewerRect.left, viewerRect.bottom, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitUntil([&] {
            RECT editorRect = {};
            GetWindowRect(editor, &editorRect);
            return editorRect.top >= viewerRect.bottom;
        }));
    }

    static HWND GridOf(HWND viewer) { return GetDlgItem(viewer, 0xE900); }
    static HWND StatusOf(HWND viewer) { return FindWindowExW(viewer, nullptr, STATUSCLASSNAMEW, nullptr); }

    // The screen pixel at (fx, fy) of the way across a code's picture (0..1 each), scrolled to topRow.
    static uint32_t PicturePixel(HWND viewer, int code, double fx, double fy, int topRow = 0) {
        const GridRect r = ViewerGrid(kEudcFirst, kEudcLast, kCellSize).PictureBounds(code, topRow);
        POINT p = {r.left + static_cast<int>(fx * (r.right - r.left)),
                   r.top + static_cast<int>(fy * (r.bottom - r.top))};
        ClientToScreen(GridOf(viewer), &p);
        return CaptureScreen({p.x, p.y, p.x + 1, p.y + 1}).At(0, 0);
    }

    // E000's left half and E011's top half black, their other halves white: each character at its cell,
    // the right way round.
    static bool ShowsTheTwoCharacters(HWND viewer) {
        return PicturePixel(viewer, 0xE000, 0.25, 0.5) == kBlack &&
               PicturePixel(viewer, 0xE000, 0.75, 0.5) == kWhite &&
               PicturePixel(viewer, 0xE011, 0.5, 0.25) == kBlack &&
               PicturePixel(viewer, 0xE011, 0.5, 0.75) == kWhite;
    }

    // The darkest pixel of the band above a code's picture, where its code is written.
    static uint32_t DarkestLabelPixel(HWND viewer, int code) {
        const ViewerGrid grid(kEudcFirst, kEudcLast, kCellSize);
        const GridRect cell = grid.CellBounds(code, 0);
        POINT a = {cell.left + 1, cell.top + 1};
        POINT b = {cell.right - 1, cell.top + kCellLabelHeight};
        ClientToScreen(GridOf(viewer), &a);
        ClientToScreen(GridOf(viewer), &b);
        const ScreenImage image = CaptureScreen({a.x, a.y, b.x, b.y});
        uint32_t darkest = kWhite;
        for (uint32_t pixel : image.pixels) {
            if ((pixel & 0xFF) < (darkest & 0xFF)) darkest = pixel;
        }
        return darkest;
    }

    // A real click on the editor's tool bar button of a command (the button's place read from the bar).
    static void ClickToolBarButton(HWND editorWindow, UINT command) {
        HWND bar = FindWindowExW(editorWindow, nullptr, TOOLBARCLASSNAMEW, nullptr);
        ASSERT_NE(bar, nullptr);
        const auto index = SendMessageW(bar, TB_COMMANDTOINDEX, command, 0);
        const std::vector<uint8_t> bytes = WithRemoteBuffer(bar, sizeof(RECT), [&](void* remote) {
            SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote));
        });
        ASSERT_EQ(bytes.size(), sizeof(RECT));
        RECT rc = {};
        std::memcpy(&rc, bytes.data(), sizeof rc);
        POINT p = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        ClientToScreen(bar, &p);
        ASSERT_TRUE(IsPointShownBy(bar, p)) << "the button is not covered";
        SendMouseAt(p, MOUSEEVENTF_LEFTDOWN);
        SendMouseAt(p, MOUSEEVENTF_LEFTUP);
        // Away from where the next tests' editors put their tool bars, whose prompts follow the mouse.
        SendMouseAt({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1}, 0);
    }

    // What a double-click on a code's cell sends the grid.
    static void DoubleClickCode(HWND viewer, int code) {
        const GridRect r = ViewerGrid(kEudcFirst, kEudcLast, kCellSize).PictureBounds(code, 0);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageW(GridOf(viewer), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(GridOf(viewer), WM_LBUTTONUP, 0, at);
        PostMessageW(GridOf(viewer), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(GridOf(viewer), WM_LBUTTONUP, 0, at);
    }

    std::wstring viewerExe_;
};

TEST_F(ViewerTest, StartsFromTheEditorsButtonAndShowsTheStoredCharactersAtTheirCells) {
    Process editor = Start(L"E005");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    ASSERT_TRUE(WaitUntil([&] {
        PostMessageW(main, WM_NULL, 0, 0);
        HWND bar = FindWindowExW(main, nullptr, TOOLBARCLASSNAMEW, nullptr);
        return (SendMessageW(bar, TB_GETSTATE, kListBrowserCommand, 0) & TBSTATE_ENABLED) != 0;
    })) << "the list button is enabled with Kanjiviewer.exe beside the editor";
    ClickToolBarButton(main, kListBrowserCommand);

    HWND viewer = WaitForViewer();
    ASSERT_NE(viewer, nullptr) << "a window with the browser's tag appeared";
    EXPECT_EQ(Narrow(WindowText(viewer)), Narrow(L"Kanjiviewer　[ " + tte_ + L" ]"));
    EXPECT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    EXPECT_EQ(PicturePixel(viewer, 0xE001, 0.5, 0.5), kWhite) << "an empty code shows no ink";
    // The code above a stored character is written in black, above an empty one faintly.
    EXPECT_EQ(DarkestLabelPixel(viewer, 0xE000) & 0xFF, 0u);
    const uint32_t faint = DarkestLabelPixel(viewer, 0xE001) & 0xFF;
    EXPECT_GT(faint, 0x60u);
    EXPECT_LT(faint, 0xFFu) << "the empty code's label is there, only faint";
    EXPECT_TRUE(WaitUntil([&] { return StatusPart(StatusOf(viewer), 1) == L"登録文字数: 2"; }))
        << Narrow(StatusPart(StatusOf(viewer), 1));
    // The editor that started it has E005 open: its cell is marked once the browser reads the titles.
    SendMessageW(viewer, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE005, -0.04, 0.5) == 0xFF8000u; }))
        << "the open code's cell is framed";
    EXPECT_EQ(PicturePixel(viewer, 0xE006, -0.04, 0.5), kWhite);
}

TEST_F(ViewerTest, UpdateSignalOfAnExitingEditorShowsTheNewCharacterAndKeepsTheScrollPosition) {
    Process viewerProcess = StartViewer();
    HWND viewer = WaitForViewer(viewerProcess.Id());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    SendMessageW(GridOf(viewer), WM_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE011, 0.5, 0.25, 1) == kBlack; }))
        << "scrolled one row: E011 is in the top row";

    Process editor = Start(L"E020");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    // The editor reads the file for its code once its window is up: the file is replaced only after that
    // read (the title shows the code), or the replacement may find the file still open.
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == tte_ + L"　[ CODE= E020 ]"; }))
        << Narrow(WindowText(main));
    // The character the editor's save would have written (the file as eudcedit leaves it), then the
    // editor ends and signals the browsers.
    ASSERT_TRUE(
        PutEudcBitmapRecord(std::filesystem::path(euf_), 0xE022, Glyph([](int, int) { return true; })));
    ASSERT_NO_FATAL_FAILURE(WriteFontOfTheBitmapFile());
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(editor.WaitForExit().has_value());

    EXPECT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE022, 0.5, 0.5, 1) == kBlack; }))
        << "the new character is shown, one row scrolled as before";
    EXPECT_TRUE(WaitUntil([&] { return StatusPart(StatusOf(viewer), 1) == L"登録文字数: 3"; }))
        << Narrow(StatusPart(StatusOf(viewer), 1));
    EXPECT_EQ(PicturePixel(viewer, 0xE011, 0.5, 0.75, 1), kWhite) << "the unchanged cell is as it was";
}

// A direct save signals the browsers itself: the new character shows while its editor stays open.
TEST_F(ViewerTest, ADirectSaveShowsTheNewCharacterWhileItsEditorStaysOpen) {
    constexpr UINT kSelectAll = 32784, kInvert = 32789, kSave = 32824;
    folder_.WriteText(L"prog\\Kanjiforge.ini", L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ +
                                                   L"\r\nGaijiEditorIniPath=" + editorIni_ +
                                                   L"\r\nSaveAns=no\r\nSaveMethod=direct\r\n"
                                                   L"[KanjiviewerSettings]\r\nCellSize=" +
                                                   std::to_wstring(kCellSize) + L"\r\n");
    Process viewerProcess = StartViewer();
    HWND viewer = WaitForViewer(viewerProcess.Id());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    EXPECT_EQ(PicturePixel(viewer, 0xE022, 0.5, 0.5), kWhite);

    Process editor = Start(L"E022");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    const std::wstring title = tte_ + L"　[ CODE= E022 ]";
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == title; })) << Narrow(WindowText(main));
    PostMessageW(main, WM_COMMAND, kSelectAll, 0);
    PostMessageW(main, WM_COMMAND, kInvert, 0);  // every dot black
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == title + L"-<更新>"; }))
        << Narrow(WindowText(main));
    PostMessageW(main, WM_COMMAND, kSave, 0);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == title; })) << Narrow(WindowText(main));

    ASSERT_NO_FATAL_FAILURE(MoveBelow(main, viewer));
    EXPECT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE022, 0.5, 0.5) == kBlack; }))
        << "the saved character is shown";
    EXPECT_TRUE(WaitUntil([&] { return StatusPart(StatusOf(viewer), 1) == L"登録文字数: 3"; }))
        << Narrow(StatusPart(StatusOf(viewer), 1));
    EXPECT_TRUE(IsWindow(main)) << "the editor is still open";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.WaitForExit().has_value());
}

TEST_F(ViewerTest, DoubleClickOpensAnEditorAtTheCodeAndASecondBringsTheSameEditorForward) {
    Process viewerProcess = StartViewer();
    HWND viewer = WaitForViewer(viewerProcess.Id());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));

    DoubleClickCode(viewer, 0xE011);
    HWND editor = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : EditorWindows()) {
            if (WindowText(window) == tte_ + L"　[ CODE= E011 ]") editor = window;
        }
        return editor != nullptr;
    })) << "an editor opened E011";

    // The editor goes to the task bar and the browser to the front; the second double-click must
    // restore the editor and bring it forward. (The test does not raise the browser and then wait for
    // the editor's own start-up focus change to settle: under Wine without a window manager a late
    // focus-out of one process can hand the foreground to the desktop. A minimised editor has no
    // focus change left in flight when the browser restores it.)
    ShowWindow(editor, SW_MINIMIZE);
    SetForegroundWindow(viewer);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(editor) && GetForegroundWindow() != editor; }))
        << DescribeDesktop();
    DoubleClickCode(viewer, 0xE011);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(editor) && GetForegroundWindow() == editor; }))
        << "the same editor came forward\n"
        << DescribeDesktop();
    EXPECT_FALSE(
        WaitUntil([] { return EditorWindows().size() > 1 || ProcessIdsByName(L"Kanjiforge.exe").size() > 1; },
                  Millis(1500)))
        << "no second editor was started";
    EXPECT_EQ(EditorWindows().size(), 1u);
}

// Ctrl+C puts the selected character on the clipboard as the editor's paste takes it; go-to scrolls to a
// typed code; Ctrl+wheel changes the cell size, which is kept, as is the window's place.
TEST_F(ViewerTest, CopyGoToAndCellSizeWork) {
    ASSERT_TRUE(
        PutEudcBitmapRecord(std::filesystem::path(euf_), kEudcLast, Glyph([](int, int) { return true; })));
    SendMouseAt({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1}, 0);
    Process viewerProcess = StartViewer();
    HWND viewer = WaitForViewer(viewerProcess.Id());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    HWND grid = GridOf(viewer);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    const GridRect cell = ViewerGrid(kEudcFirst, kEudcLast, kCellSize).PictureBounds(0xE011, 0);
    PostMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.left + 2, cell.top + 2));
    PostMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(cell.left + 2, cell.top + 2));
    PostMessageW(viewer, WM_COMMAND, 57634, 0);  // ｺﾋﾟｰ, as Ctrl+C gives it
    std::vector<uint8_t> copied(kGlyph * kGlyph / 8);
    EXPECT_TRUE(WaitUntil([&] {
        if (!OpenClipboard(nullptr)) return false;
        bool ok = false;
        if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
            BITMAP info = {};
            GetObjectW(bitmap, sizeof info, &info);
            ok = info.bmWidth == kGlyph && info.bmHeight == kGlyph && info.bmBitsPixel == 1 &&
                 GetBitmapBits(bitmap, static_cast<LONG>(copied.size()), copied.data()) ==
                     static_cast<LONG>(copied.size());
        }
        CloseClipboard();
        return ok;
    })) << "a 64 by 64 one-bit bitmap on the clipboard";
    EXPECT_EQ(copied, Glyph([](int, int y) { return y < 32; })) << "E011's dots, black as bit 0";

    PostMessageW(viewer, WM_COMMAND, 33002, 0);  // ｺｰﾄﾞへ移動
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(viewerProcess.Id())) {
            if (WindowClass(window) == L"#32770" && GetDlgItem(window, 1016)) dialog = window;
        }
        return dialog != nullptr;
    }));
    SendMessageW(GetDlgItem(dialog, 1016), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"f8ff"));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(WaitUntil([&] { return StatusPart(StatusOf(viewer), 2) == L"ｺｰﾄﾞ: F8FF"; }))
        << Narrow(StatusPart(StatusOf(viewer), 2));
    RECT client = {};
    GetClientRect(grid, &client);
    const int lastTop = ViewerGrid(kEudcFirst, kEudcLast, kCellSize).MaxTopRow(client.bottom);
    EXPECT_TRUE(WaitUntil([&] { return PicturePixel(viewer, kEudcLast, 0.5, 0.5, lastTop) == kBlack; }))
        << "scrolled to the end, where F8FF is";

    POINT inside = {10, 10};
    ClientToScreen(grid, &inside);
    PostMessageW(grid, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(inside.x, inside.y));
    EXPECT_TRUE(WaitUntil([&] {
        return folder_.ReadIni(L"prog\\Kanjiforge.ini", L"KanjiviewerSettings", L"CellSize") == L"40";
    })) << "one notch with Ctrl is one size step, kept in the browser's section";

    RECT placed = {};
    GetWindowRect(viewer, &placed);
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    ASSERT_TRUE(viewerProcess.WaitForExit().has_value());
    EXPECT_EQ(folder_.ReadIni(L"prog\\Kanjiforge.ini", L"KanjiviewerSettings", L"ViewerWindowPos"),
              std::to_wstring(placed.left) + L":" + std::to_wstring(placed.top) + L":" +
                  std::to_wstring(placed.right) + L":" + std::to_wstring(placed.bottom));
}

// The browser as a user drives it: Page Down, End, Home, the arrows, Ctrl+C and Enter from the keyboard, the
// wheel over the grid (the status bar then names the code now under the mouse); a stored place on the
// screen is restored, a place on no screen or past any screen's coordinates is not.
TEST_F(ViewerTest, KeysWheelAndAStoredPlaceWorkAsAUserMeetsThem) {
    const auto startWith = [&](const std::wstring& place) {
        folder_.WriteText(L"prog\\Kanjiforge.ini",
                          L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" +
                              editorIni_ + L"\r\n[KanjiviewerSettings]\r\nCellSize=" +
                              std::to_wstring(kCellSize) + L"\r\nViewerWindowPos=" + place + L"\r\n");
        return StartViewer();
    };
    SendMouseAt({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1}, 0);
    for (const wchar_t* elsewhere : {L"30000:30000:30700:30600", L"-2147483648:0:2147483647:600"}) {
        Process away = startWith(elsewhere);
        HWND window = WaitForViewer(away.Id());
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
        RECT rc = {};
        GetWindowRect(window, &rc);
        EXPECT_TRUE(rc.left > -2000 && rc.left < 1280 && rc.top > -2000 && rc.top < 1024 &&
                    rc.right > rc.left)
            << Narrow(elsewhere) << " was not taken: " << rc.left << "," << rc.top << "," << rc.right << ","
            << rc.bottom;
        away.Kill();
    }
    Process viewerProcess = startWith(L"60:50:760:650");
    HWND viewer = WaitForViewer(viewerProcess.Id());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    RECT placed = {};
    GetWindowRect(viewer, &placed);
    EXPECT_EQ(placed.left, 60);
    EXPECT_EQ(placed.top, 50);
    EXPECT_EQ(placed.right, 760);
    EXPECT_EQ(placed.bottom, 650);

    HWND grid = GridOf(viewer);
    RECT client = {};
    GetClientRect(grid, &client);
    const ViewerGrid layout(kEudcFirst, kEudcLast, kCellSize);
    const int page = layout.PageRows(client.bottom);
    const auto code = [&] { return StatusPart(StatusOf(viewer), 2); };
    const auto key = [&](BYTE k, bool control = false) {
        EXPECT_TRUE(BringForward(viewer)) << DescribeDesktop();
        if (control) keybd_event(VK_CONTROL, 0, 0, 0);
        keybd_event(k, 0, 0, 0);
        keybd_event(k, 0, KEYEVENTF_KEYUP, 0);
        if (control) keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    };
    const auto codeText = [](int c) {
        wchar_t text[16];
        swprintf(text, 16, L"ｺｰﾄﾞ: %04X", c);
        return std::wstring(text);
    };
    key(VK_NEXT);
    EXPECT_TRUE(WaitUntil([&] { return code() == codeText(kEudcFirst + page * 16); })) << Narrow(code());
    key(VK_END);
    EXPECT_TRUE(WaitUntil([&] { return code() == codeText(kEudcLast); })) << Narrow(code());
    key(VK_HOME);
    EXPECT_TRUE(WaitUntil([&] { return code() == codeText(kEudcFirst); })) << Narrow(code());
    key(VK_DOWN);
    key(VK_RIGHT);
    EXPECT_TRUE(WaitUntil([&] { return code() == codeText(0xE011); })) << Narrow(code());

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    key('C', true);
    EXPECT_TRUE(WaitUntil([&] {
        if (!OpenClipboard(nullptr)) return false;
        const bool there = IsClipboardFormatAvailable(CF_BITMAP) != FALSE;
        CloseClipboard();
        return there;
    })) << "Ctrl+C copied E011";

    // The wheel over E000's cell scrolls three rows: E030 is under the mouse now.
    const GridRect e000 = layout.PictureBounds(kEudcFirst, 0);
    POINT over = {(e000.left + e000.right) / 2, (e000.top + e000.bottom) / 2};
    ClientToScreen(grid, &over);
    SendMouseAt({over.x + 1, over.y}, 0);
    SendMouseAt(over, 0);
    EXPECT_TRUE(WaitUntil([&] { return code() == codeText(kEudcFirst); })) << Narrow(code());
    INPUT wheel = {};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    wheel.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
    SendInput(1, &wheel, sizeof wheel);
    // E011's place on the screen shows E041 now, which is empty.
    EXPECT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE011, 0.5, 0.25) == kWhite; }))
        << "scrolled down";
    EXPECT_TRUE(WaitUntil([&] { return code() == codeText(0xE030); })) << Narrow(code());

    // Enter opens the selected character in an editor.
    key(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND window : EditorWindows()) {
            if (WindowText(window) == tte_ + L"　[ CODE= E011 ]") return true;
        }
        return false;
    })) << "an editor opened E011\n"
        << DescribeDesktop();
}

TEST_F(ViewerTest, DamagedFilesShowTheirReasonAndNeverCrash) {
    // A record that cannot be read is counted apart from the stored ones.
    std::vector<uint8_t> data = ReadFileBytes(euf_);
    const uint32_t base = ReadU32(data, 98);
    PatchFile(euf_, base + 14 + 4 * 5, {0xFF, 0xFF, 0xFF, 0x00});
    Process viewerProcess = StartViewer();
    HWND viewer = WaitForViewer(viewerProcess.Id());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    EXPECT_TRUE(WaitUntil([&] {
        return StatusPart(StatusOf(viewer), 1) == L"登録文字数: 2 (読めない文字: 1)";
    })) << Narrow(StatusPart(StatusOf(viewer), 0))
        << "|" << Narrow(StatusPart(StatusOf(viewer), 1)) << "|" << Narrow(StatusPart(StatusOf(viewer), 2))
        << "|" << SendMessageW(StatusOf(viewer), SB_GETPARTS, 0, 0);

    // A file far larger than its characters (sparse here, whatever follows the last record): read without
    // holding it, no crash.
    const std::vector<uint8_t> good = ReadFileBytes(euf_);
    ASSERT_TRUE(
        PutEudcBitmapRecord(std::filesystem::path(euf_), 0xE022, Glyph([](int, int) { return true; })));
    {
        UniqueHandle file(CreateFileW(euf_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD ignored = 0;
        DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = (1LL << 40) + 4096;
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    PostMessageW(viewer, 0x80C8, 0, 0);
    // E022 is in the bitmap file only, which the font marks add after the count.
    EXPECT_TRUE(WaitUntil([&] {
        return StatusPart(StatusOf(viewer), 1).starts_with(L"登録文字数: 3 (読めない文字: 1)");
    })) << Narrow(StatusPart(StatusOf(viewer), 1));
    EXPECT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE022, 0.5, 0.5) == kBlack; }));
    EXPECT_TRUE(viewerProcess.IsRunning()) << "the huge file did not end the browser";
    WriteFileBytes(euf_, good);

    // An editor has E006 open (E005 is the damaged one): its cell is marked. The file's header broken and the
    // editor ended: the reason shows, the last good picture stays, and the mark of the editor that went goes
    // too.
    Process editor = Start(L"E006");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main).find(L"E006") != std::wstring::npos; }))
        << DescribeMessageBoxes(editor.Id()) << DescribeDesktop();
    // The editor opened over the browser: the user moves it aside and brings the browser forward, which reads
    // the titles again.
    ASSERT_NO_FATAL_FAILURE(MoveBelow(main, viewer));
    ASSERT_TRUE(BringForward(viewer)) << DescribeDesktop();
    ASSERT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE006, -0.04, 0.5) == 0xFF8000u; }))
        << "the open code's cell is framed" << DescribeDesktop();
    PatchFile(euf_, 0, {'X', 'X', 'X', 'X'});
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(editor.WaitForExit().has_value());
    EXPECT_TRUE(WaitUntil([&] {
        return StatusPart(StatusOf(viewer), 1) == L"外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙのﾍｯﾀﾞ情報が読めません。Err=[11]";
    })) << Narrow(StatusPart(StatusOf(viewer), 1));
    EXPECT_TRUE(WaitUntil([&] { return PicturePixel(viewer, 0xE006, -0.04, 0.5) != 0xFF8000u; }))
        << "the closed editor's mark is gone";
    InvalidateRect(GridOf(viewer), nullptr, FALSE);
    EXPECT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    EXPECT_TRUE(viewerProcess.IsRunning());

    // A second browser on the broken file says so at start, as the editor does, and ends.
    Process second = StartViewer();
    MessageBoxInfo box =
        ExpectBox(second, euf_ + L"\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙのﾍｯﾀﾞ情報が読めません。Err=[11]",
                  MessageBoxIcon::Hand, {IDOK}, L"Kanjiviewer");
    PressButton(box, IDOK);
    EXPECT_EQ(second.WaitForExit(), std::optional<DWORD>(0));

    // Without the bitmap file: the message about it says how the file comes to be.
    ASSERT_TRUE(DeleteFileW(euf_.c_str()));
    Process third = StartViewer();
    box = ExpectBox(third,
                    euf_ +
                        L"\r\n上記ﾃﾞﾌｫﾙﾄ外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙが存在しません。\r\nこのﾌｧｲﾙは、外字ｴﾃﾞｨﾀで"
                        L"外字を一文字保存すると作成されます。",
                    MessageBoxIcon::Hand, {IDOK}, L"Kanjiviewer");
    PressButton(box, IDOK);
    EXPECT_TRUE(third.WaitForExit().has_value());
}

TEST_F(ViewerTest, CharactersTheFontDoesNotShowAreMarkedAndTheMouseTellsWhy) {
    // The font: E000 as stored; E011 missing; E005 stored all black, in the font a quarter of that.
    ASSERT_TRUE(
        PutEudcBitmapRecord(std::filesystem::path(euf_), 0xE005, Glyph([](int, int) { return true; })));
    std::vector<uint8_t> font;
    std::string error;
    ASSERT_EQ(BuildTteFont(64,
                           {{0xE000, Glyph([](int x, int) { return x < 32; })},
                            {0xE005, Glyph([](int x, int) { return x < 16; })}},
                           0, font, error),
              kTteOk);
    WriteFileBytes(tte_, font);
    Process viewerProcess = StartViewer();
    HWND viewer = WaitForViewer(viewerProcess.Id());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsTheTwoCharacters(viewer); }));
    EXPECT_TRUE(WaitUntil([&] {
        return StatusPart(StatusOf(viewer), 1) == L"登録文字数: 3  外字ﾌｫﾝﾄと違う文字: 2";
    })) << Narrow(StatusPart(StatusOf(viewer), 1));
    // The sign: a red corner at the top right of a marked cell, none on the others.
    auto corner = [&](int code) {
        const GridRect cell = ViewerGrid(kEudcFirst, kEudcLast, kCellSize).CellBounds(code, 0);
        POINT p = {cell.right - 3, cell.top + 1};
        ClientToScreen(GridOf(viewer), &p);
        return CaptureScreen({p.x, p.y, p.x + 1, p.y + 1}).At(0, 0);
    };
    EXPECT_EQ(corner(0xE011), 0xDC0000u);
    EXPECT_EQ(corner(0xE005), 0xDC0000u);
    EXPECT_NE(corner(0xE000), 0xDC0000u);
    // The mouse over a marked cell: the reason in the status bar.
    SetForegroundWindow(viewer);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == viewer; }));
    auto hover = [&](int code) {
        const GridRect r = ViewerGrid(kEudcFirst, kEudcLast, kCellSize).PictureBounds(code, 0);
        POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(GridOf(viewer), &p);
        SendMouseAt(p, 0);
    };
    hover(0xE011);
    EXPECT_TRUE(WaitUntil([&] {
        return StatusPart(StatusOf(viewer), 1) == L"E011: 外字ﾌｫﾝﾄにこの文字がありません";
    })) << Narrow(StatusPart(StatusOf(viewer), 1));
    hover(0xE005);
    EXPECT_TRUE(WaitUntil([&] {
        return StatusPart(StatusOf(viewer), 1) == L"E005: 外字ﾌｫﾝﾄの文字がﾋﾞｯﾄﾃﾞｰﾀと違います（一致率25%）";
    })) << Narrow(StatusPart(StatusOf(viewer), 1));
    // The font made good and the browsers told: the marks go.
    ASSERT_NO_FATAL_FAILURE(WriteFontOfTheBitmapFile());
    PostMessageW(viewer, 0x80C8, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return corner(0xE011) != 0xDC0000u && corner(0xE005) != 0xDC0000u; }));
    SendMouseAt({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1}, 0);
    EXPECT_TRUE(WaitUntil([&] { return StatusPart(StatusOf(viewer), 1) == L"登録文字数: 3"; }))
        << Narrow(StatusPart(StatusOf(viewer), 1));
}

}  // namespace
}  // namespace e2e

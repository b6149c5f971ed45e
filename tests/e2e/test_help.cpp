// Help as a user gets it: F1 in the main window and in the code, grid and layer dialogs, and the About
// box's link, open the manual beside the program at the page and heading for what is on screen. The
// browser is a recording stand-in that the .html association names for the test, so a test reads the
// command line the browser got. Without the manual the user is told where it should be.
#include "editor_fixture.h"

#include <filesystem>

using namespace e2e;

namespace {

constexpr UINT kCodeOpenCommand = 57601, kGridCommand = 32778, kAboutCommand = 57664;
constexpr int kLayerPane1 = 1014, kAboutLink = 1003;
constexpr wchar_t kProgId[] = L"KanjiforgeTest.HtmlPage";

std::wstring ManualBuildFolder() { return WindowsPathFromBuildPath(KF_MANUAL_DIR); }

// The address a browser must get for a page of the manual in `programFolder`, as the program builds
// it: forward slashes, blanks and other letters as %XX (the test folders have none but '.' and '_').
std::wstring PageUrl(const std::wstring& programFolder, const std::wstring& pageAndAnchor) {
    std::wstring path = programFolder + L"\\manual\\" + pageAndAnchor;
    for (wchar_t& c : path) {
        if (c == L'\\') c = L'/';
    }
    return L"file:///" + path;
}

class HelpTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        // The manual as the packages carry it, beside the program.
        std::filesystem::copy(std::filesystem::path(ManualBuildFolder()),
                              std::filesystem::path(folder_ / L"prog\\manual"),
                              std::filesystem::copy_options::recursive);
        ASSERT_TRUE(FileExists(folder_ / L"prog\\manual\\editor.html"));
        // The system's browser for HTML pages: the recording stand-in.
        browser_ = folder_.CopyIn(CmdRecordExePath(), L"browser\\browser.exe");
        extension_.SetString(kProgId);
        command_.SetString(L"\"" + browser_ + L"\" \"%1\"");
    }
    void TearDown() override {
        if (editor_process) editor_process->Kill();
    }

    HWND OpenEditor() {
        editor_process.emplace(Start(L"E000"));
        HWND main = WaitForEditorWindow(*editor_process);
        if (main) WaitUntil([&] { return WindowText(main).find(L"E000") != std::wstring::npos; });
        return main;
    }

    // F1 pressed in `window` as the user presses it.
    void PressF1(HWND window) {
        ASSERT_TRUE(BringForward(window)) << DescribeDesktop();
        keybd_event(VK_F1, 0, 0, 0);
        keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
    }

    // The browser's command lines so far, once there are `count`.
    std::vector<std::string> BrowserStarts(std::size_t count) {
        std::vector<std::string> lines;
        WaitUntil([&] {
            lines.clear();
            const std::wstring record = browser_ + L".cmdline";
            if (!FileExists(record)) return false;
            const std::vector<uint8_t> bytes = ReadFileBytes(record);
            std::string text(bytes.begin(), bytes.end()), line;
            for (char c : text) {
                if (c == '\n') {
                    lines.push_back(line);
                    line.clear();
                } else if (c != '\r') {
                    line += c;
                }
            }
            return lines.size() >= count;
        });
        return lines;
    }

    // The page the browser was started with last: its command line holds the page's address.
    ::testing::AssertionResult OpenedAt(std::size_t starts, const std::wstring& pageAndAnchor) {
        const std::vector<std::string> lines = BrowserStarts(starts);
        if (lines.size() != starts) {
            return ::testing::AssertionFailure()
                   << "the browser was started " << lines.size() << " times, not " << starts << "\n"
                   << DescribeMessageBoxes(editor_process->Id()) << "\n"
                   << DescribeDesktop();
        }
        const std::string expected =
            Narrow(L"\"" + browser_ + L"\" \"" + PageUrl(folder_ / L"prog", pageAndAnchor) + L"\"");
        if (lines.back() != expected) {
            return ::testing::AssertionFailure()
                   << "the browser got\n  " << lines.back() << "\nnot\n  " << expected;
        }
        return ::testing::AssertionSuccess();
    }

    HWND Dialog(std::wstring_view title) {
        return WaitFor<HWND>([&]() -> std::optional<HWND> {
                   HWND found = FindTopLevelWindow(editor_process->Id(), L"#32770", title);
                   return found ? std::optional<HWND>(found) : std::nullopt;
               })
            .value_or(nullptr);
    }

    std::wstring browser_;
    // Through the classes root, which the system's association queries read (under Wine it is the
    // machine's; a prefix has no program for .html pages of its own).
    RegistryValueGuard extension_{HKEY_CLASSES_ROOT, L".html", L""};
    RegistryValueGuard command_{HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\shell\\open\\command", L""};
    std::optional<Process> editor_process;
};

// F1 in the main window and in each dialog that has a topic: the manual's page at that topic's heading.
TEST_F(HelpTest, F1OpensTheManualAtTheTopicOfTheWindow) {
    HWND main = OpenEditor();
    ASSERT_NE(main, nullptr);
    // The pages name these headings: the link the program builds lands on them.
    const std::vector<uint8_t> editorPage = ReadFileBytes(folder_ / L"prog\\manual\\editor.html");
    const std::string editorHtml(editorPage.begin(), editorPage.end());
    for (const char* id : {"id=\"main-window\"", "id=\"grid-dialog\"", "id=\"code-dialog\""}) {
        EXPECT_NE(editorHtml.find(id), std::string::npos) << id;
    }

    ASSERT_NO_FATAL_FAILURE(PressF1(main));
    EXPECT_TRUE(OpenedAt(1, L"editor.html#main-window"));

    PostMessageW(main, WM_COMMAND, kCodeOpenCommand, 0);
    HWND code = Dialog(L"編集する文字ｺｰﾄﾞを指定");
    ASSERT_NE(code, nullptr);
    ASSERT_NO_FATAL_FAILURE(PressF1(code));
    EXPECT_TRUE(OpenedAt(2, L"editor.html#code-dialog"));
    EXPECT_TRUE(IsWindow(code)) << "F1 leaves the dialog open";
    PostMessageW(code, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(code));

    PostMessageW(main, WM_COMMAND, kGridCommand, 0);
    HWND grid = Dialog(L"ｸﾞﾘｯﾄﾞの設定");
    ASSERT_NE(grid, nullptr);
    ASSERT_NO_FATAL_FAILURE(PressF1(grid));
    EXPECT_TRUE(OpenedAt(3, L"editor.html#grid-dialog"));
    PostMessageW(grid, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(grid));

    HWND splitter = GetDlgItem(main, 0xE900);
    HWND info = splitter ? GetDlgItem(splitter, 0xE900) : nullptr;
    HWND pane = nullptr;
    for (HWND child : ChildWindows(info)) {
        if (GetDlgCtrlID(child) == kLayerPane1 && WindowClass(GetParent(child)) == L"#32770") pane = child;
    }
    ASSERT_NE(pane, nullptr);
    PostMessageW(pane, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND layer = Dialog(L"ｻﾝﾌﾟﾙﾚｲﾔｰ 0 の設定");
    ASSERT_NE(layer, nullptr);
    ASSERT_NO_FATAL_FAILURE(PressF1(layer));
    EXPECT_TRUE(OpenedAt(4, L"layers.html#layer-dialog"));
    PostMessageW(layer, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(layer));

    // The About box's link: the manual's first page.
    PostMessageW(main, WM_COMMAND, kAboutCommand, 0);
    HWND about = Dialog(L"Kanjiforgeのﾊﾞｰｼﾞｮﾝ情報");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(Narrow(ControlText(GetDlgItem(about, kAboutLink))), "使い方の説明を開く");
    PostMessageW(GetDlgItem(about, kAboutLink), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(OpenedAt(5, L"index.html"));
    PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(about));
    EXPECT_TRUE(FindMessageBoxes(editor_process->Id()).empty());
}

// A program without its manual says where the manual should be, and starts no browser.
TEST_F(HelpTest, AMissingManualIsToldWithItsPath) {
    std::filesystem::remove_all(std::filesystem::path(folder_ / L"prog\\manual"));
    HWND main = OpenEditor();
    ASSERT_NE(main, nullptr);
    ASSERT_NO_FATAL_FAILURE(PressF1(main));
    const std::wstring page = folder_ / L"prog\\manual\\editor.html";
    ExpectBox(*editor_process,
              L"使い方の説明が見つかりません。\r\n" + page +
                  L"\r\nKanjiforgeをｲﾝｽﾄｰﾙし直すか、ﾌﾟﾛｸﾞﾗﾑのﾌｫﾙﾀﾞに「manual」ﾌｫﾙﾀﾞがあるか確認して下さい。",
              MessageBoxIcon::Exclamation);
    EXPECT_FALSE(FileExists(browser_ + L".cmdline")) << "no browser for a page that is not there";
}

}  // namespace

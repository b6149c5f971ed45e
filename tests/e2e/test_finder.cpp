// The standard-character finder as a user meets it: the editor holds the dots of a character of a CJK
// Extension B font at N = 64, the finder's window lists that character among its best, and a double click
// puts the character on the clipboard as text. The candidates are restricted to that one font through the
// settings, so the index is built at most once per Wine prefix (it is kept in the user's data folder).
#include "editor_fixture.h"

#include "glyphstore/eudc_writer.h"
#include "glyphstore/tte_font.h"
#include "glyphstore/tte_raster.h"

using namespace e2e;

namespace {

constexpr UINT kFindStandard = 32828, kViewerFindStandard = 33006, kSelectAll = 32784,
               kFlipHorizontal = 32791;
constexpr int kFinderList = 1072, kFinderStatus = 1070, kFinderLayer = 1074;
constexpr uint32_t kLayerInk = 0xFF8080;  // LayerRGB by default
constexpr wchar_t kFinderCaption[] = L"標準文字を検索";
// 𪚲, a character of Extension B that Hanazono Mincho B draws.
constexpr std::uint32_t kCode = 0x2A6B2;
constexpr wchar_t kFontPath[] = L"Z:\\usr\\share\\fonts\\truetype\\hanazono\\HanaMinB.ttf";
// Drawing every candidate of the font once may take a while on a slow or busy machine.
constexpr Millis kIndexTimeout = Millis(300000);

std::wstring ListText(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = std::wstring(chars);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

class FinderTest : public EditorTest {
  protected:
    void TearDown() override {
        if (editor) editor->Kill();
    }

    // The character's dots at N = 64, drawn from the font by our own rasteriser, as the glyph of E000; the
    // finder searches that font alone.
    void StoreTheCharacter() {
        TteFont font;
        ASSERT_EQ(font.Read(std::filesystem::path(kFontPath)), kTteOk)
            << "Hanazono Mincho B is not installed";
        std::vector<std::uint8_t> dots;
        ASSERT_EQ(RasterizeCode(font, static_cast<int>(kCode), 64, dots), kTteOk);
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(euf_), 0xE000, dots));
        folder_.WriteText(L"prog\\Kanjiforge.ini", L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ +
                                                       L"\r\nGaijiEditorIniPath=" + editorIni_ +
                                                       L"\r\n[GxmSettings]\r\nFinderFonts=HanaMinB\r\n");
    }

    // The finder's window once the program shows it.
    HWND WaitForFinder() {
        HWND finder = nullptr;
        WaitUntil([&] {
            finder = FindTopLevelWindow(editor->Id(), L"#32770", kFinderCaption);
            return finder != nullptr && IsWindowVisible(finder);
        });
        return finder;
    }

    // Where the character is listed among the first ten, best first, with its font and a similarity
    // figure, once the index is loaded (or built) and the glyph searched; -1 when it is not.
    static int WaitForListed(HWND finder) {
        HWND list = GetDlgItem(finder, kFinderList);
        const std::wstring wanted = L"U+2A6B2\tHanaMinB\t";
        int found = -1;
        WaitUntil(
            [&] {
                const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
                for (int i = 0; i < std::min<LRESULT>(count, 10); ++i)
                    if (ListText(list, i).starts_with(wanted)) found = i;
                return found >= 0;
            },
            kIndexTimeout, Millis(200));
        if (found < 0)
            ADD_FAILURE() << "status: " << Narrow(WindowText(GetDlgItem(finder, kFinderStatus)))
                          << "\nfirst: " << Narrow(ListText(list, 0));
        return found;
    }

    std::optional<Process> editor;
};

}  // namespace

TEST_F(FinderTest, DrawnExtensionBCharacterIsListedAndCopiedAsText) {
    ASSERT_NO_FATAL_FAILURE(StoreTheCharacter());
    editor.emplace(Start(L"E000"));
    HWND main = WaitForEditorWindow(*editor);
    ASSERT_NE(main, nullptr) << DescribeDesktop();
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main).find(L"E000") != std::wstring::npos; }));

    PostMessageW(main, WM_COMMAND, kFindStandard, 0);
    HWND finder = WaitForFinder();
    ASSERT_NE(finder, nullptr) << DescribeDesktop();
    HWND list = GetDlgItem(finder, kFinderList);
    const int found = WaitForListed(finder);
    ASSERT_GE(found, 0);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 20);
    EXPECT_TRUE(ListText(list, found).ends_with(L"%"));

    // A double click on it: the character, a surrogate pair, on the clipboard as text.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
    SendMessageW(finder, WM_COMMAND, MAKEWPARAM(kFinderList, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    std::optional<std::wstring> copied;
    EXPECT_TRUE(WaitUntil([&] { return (copied = ClipboardText()).has_value(); }));
    EXPECT_EQ(copied.value_or(L""), std::wstring(L"\xD869\xDEB2"));

    // The second button shows it as sample layer 1: the template's colour appears behind the dots.
    HWND splitter = GetDlgItem(main, 0xE900);
    HWND view = splitter ? GetDlgItem(splitter, 0xE901) : nullptr;
    ASSERT_NE(view, nullptr);
    const auto layerInk = [&] {
        RECT rect = {};
        GetWindowRect(view, &rect);
        const ScreenImage image = CaptureScreen(rect);
        int count = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) count += image.At(x, y) == kLayerInk ? 1 : 0;
        return count;
    };
    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    EXPECT_EQ(layerInk(), 0);
    SendMessageW(GetDlgItem(finder, kFinderLayer), BM_CLICK, 0, 0);
    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    EXPECT_TRUE(WaitUntil([&] { return layerInk() > 0; }));

    // The list follows the glyph: mirrored, it has another best match.
    const std::wstring best = ListText(list, 0);
    PostMessageW(main, WM_COMMAND, kSelectAll, 0);
    PostMessageW(main, WM_COMMAND, kFlipHorizontal, 0);
    EXPECT_TRUE(WaitUntil([&] {
        const std::wstring now = ListText(list, 0);
        return !now.empty() && now != best;
    })) << Narrow(best);
}

// The list browser searches its selected character the same way.
TEST_F(FinderTest, ListBrowserSearchesTheSelectedCharacter) {
    ASSERT_NO_FATAL_FAILURE(StoreTheCharacter());
    const std::wstring viewerExe =
        folder_.CopyIn(WindowsPathFromBuildPath(KF_KANJIVIEWER_EXE), L"prog\\Kanjiviewer.exe");
    editor.emplace(Process::Start(viewerExe, QuoteArgument(tte_)));
    HWND viewer = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(editor->Id()))
            if (WindowProperty(window, L"_KANJIVIEWER_APPLICATION_TAG").value_or(0) != 0) viewer = window;
        return viewer != nullptr;
    })) << DescribeDesktop();
    // E000, the first code, is selected from the start.
    PostMessageW(viewer, WM_COMMAND, kViewerFindStandard, 0);
    HWND finder = WaitForFinder();
    ASSERT_NE(finder, nullptr) << DescribeDesktop();
    EXPECT_GE(WaitForListed(finder), 0);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(finder, kFinderLayer)));  // no matrix to show a layer over
}

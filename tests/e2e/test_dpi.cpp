// Every window of ours at the DPI of the prefix the suite runs in: 96 in the usual prefix, and
// scripts/test runs DpiTest.* again in prefixes set to 144 and 192 DPI. The editor (a stored glyph, a
// selection and a sample layer shown), its dialogs and the browser lay themselves out for that DPI:
// no text of ours is cut (each static, button and status text measured with GetTextExtentPoint32 in
// the font it is drawn in, against its control), the tool pane shows its pen mark and its dot size, the
// menu bar is one line at the window size of a first start, and every pane of the information column
// is whole. Each test leaves a picture of what it checked (KF_SCREENSHOTS, else "screenshots" beside
// the test program), which scripts/test turns into PNG files in build/; the pictures at 96 DPI are the
// manual's. WM_DPICHANGED, which Wine never sends by itself, is sent to both programs at 96 DPI.
#include "editor_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <filesystem>

#include "app/frame_rules.h"
#include "base/dpi_scale.h"
#include "editor/matrix_tool.h"
#include "glyphstore/tte_writer.h"
#include "panes/info_layout.h"
#include "viewer/viewer_grid.h"
#include "viewer/viewer_rules.h"
#include "win32/platform/dpi.h"
#include "win32/platform/handles.h"

using namespace e2e;

namespace {

constexpr UINT kPenCommand = 32779, kRectSelectCommand = 32785, kLayer1Command = 32795,
               kCodeOpenCommand = 57601;
constexpr UINT kGridCommand = 32778, kAboutCommand = 57664, kFindStandardCommand = 32828;
constexpr int kInfoTool = 1017, kInfoLayer1 = 1014, kInfoPos1 = 1010, kInfoPos2 = 1011;
constexpr int kLayerChar = 1013;
constexpr uint32_t kBlack = 0x000000;

// A point size of the program's dialogs and panes, at the prefix's DPI.
UniqueFont PointFont(int tenths, const wchar_t* face) {
    return CreatePointFontForDpi(tenths, face, SystemDpi());
}

SIZE TextExtent(HFONT font, const std::wstring& text) {
    const WindowDC screen(nullptr);
    const SelectedObject selected(screen.Get(), font);
    SIZE size = {};
    GetTextExtentPoint32W(screen.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

// The text a control shows: "&" marks the next letter as a key and is not drawn.
std::wstring ShownText(const std::wstring& text) {
    std::wstring shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

RECT ClientOf(HWND window) {
    RECT rc = {};
    GetClientRect(window, &rc);
    return rc;
}

// Whether `text` drawn in `font` fits `box` (word-wrapped when `wrap`), and if not how it came out.
std::optional<std::string> Overflow(HFONT font, const std::wstring& text, RECT box, bool wrap) {
    const WindowDC screen(nullptr);
    const SelectedObject selected(screen.Get(), font);
    RECT need = {0, 0, box.right - box.left, 0};
    DrawTextW(screen.Get(), text.c_str(), -1, &need,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    if (need.right <= box.right - box.left && need.bottom <= box.bottom - box.top) return std::nullopt;
    return "needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) + " in " +
           std::to_string(box.right - box.left) + "x" + std::to_string(box.bottom - box.top);
}

// Every static text and button of a dialog, measured in the dialog's font (the template's 9-point
// "ＭＳ Ｐゴシック"): one line per control whose text does not fit.
std::string ClippedControls(HWND dialog) {
    const int dpi = SystemDpi();
    const UniqueFont font = PointFont(90, L"ＭＳ Ｐゴシック");
    std::string clipped;
    int measured = 0;
    for (HWND control : ChildWindows(dialog)) {
        if (!IsWindowVisible(control)) continue;
        const std::wstring className = WindowClass(control);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const std::wstring text = ShownText(ControlText(control));
        if (text.empty()) continue;
        RECT box = ClientOf(control);
        std::optional<std::string> problem;
        if (_wcsicmp(className.c_str(), L"Static") == 0) {
            const LONG kind = style & SS_TYPEMASK;
            if (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP)
                continue;
            problem = Overflow(font.Get(), text, box, kind != SS_LEFTNOWORDWRAP);
        } else if (_wcsicmp(className.c_str(), L"Button") == 0) {
            const LONG kind = style & BS_TYPEMASK;
            if (kind == BS_GROUPBOX) continue;
            const bool box_ = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                              kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE;
            // A push button's edges, or a check box's box and the gap after it.
            box.left +=
                box_ ? SystemMetricForDpi(SM_CXMENUCHECK, dpi) + ScaleForDpi(3, dpi) : ScaleForDpi(3, dpi);
            if (!box_) box.right -= ScaleForDpi(3, dpi);
            problem = Overflow(font.Get(), text, box, false);
        } else {
            continue;
        }
        ++measured;
        if (problem) clipped += "  \"" + Narrow(text) + "\" (" + Narrow(className) + "): " + *problem + "\n";
    }
    if (measured == 0) clipped += "  no text was measured\n";
    return clipped;
}

// Where the suite leaves its pictures.
std::wstring ScreenshotFolder() {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(L"KF_SCREENSHOTS", value, 1024);
    std::wstring folder =
        length > 0 && length < 1024 ? std::wstring(value, length) : ThisExeFolder() + L"\\screenshots";
    if (!folder.empty() && folder.front() == L'/') folder = WindowsPathFromBuildPath(Narrow(folder));
    std::filesystem::create_directories(std::filesystem::path(folder));
    return folder;
}

// Whether the screen shows a window whole: every visible control of it that has a text shows more than
// one colour (one not yet drawn is a plain area), and two readings of the window agree.
bool ShownWhole(HWND window) {
    for (HWND control : ChildWindows(window)) {
        if (!IsWindowVisible(control) || ControlText(control).empty()) continue;
        RECT r = {};
        GetWindowRect(control, &r);
        if (r.right - r.left < 2 || r.bottom - r.top < 2) continue;
        const ScreenImage image = CaptureScreen(r);
        if (std::all_of(image.pixels.begin(), image.pixels.end(),
                        [&](uint32_t pixel) { return pixel == image.pixels.front(); })) {
            return false;
        }
    }
    RECT rc = {};
    GetWindowRect(window, &rc);
    const ScreenImage first = CaptureScreen(rc);
    SendMessageW(window, WM_NULL, 0, 0);
    return CaptureScreen(rc).pixels == first.pixels;
}

// The window's picture, once it is drawn whole, into the suite's folder as NAME-DPI.bmp.
void Screenshot(HWND window, const std::wstring& name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_TRUE(WaitUntil([&] { return ShownWhole(window); }))
        << "the window was never drawn whole: " << Narrow(name);
    SaveScreenshotOf(window,
                     ScreenshotFolder() + L"\\" + name + L"-" + std::to_wstring(SystemDpi()) + L".bmp");
}

HWND DialogOf(DWORD processId, std::wstring_view title) {
    return WaitFor<HWND>([&]() -> std::optional<HWND> {
               HWND found = FindTopLevelWindow(processId, L"#32770", title);
               return found ? std::optional<HWND>(found) : std::nullopt;
           })
        .value_or(nullptr);
}

// The black pixels of a screen area.
int BlackPixels(const RECT& screenRect) {
    const ScreenImage image = CaptureScreen(screenRect);
    int count = 0;
    for (uint32_t pixel : image.pixels) count += pixel == kBlack;
    return count;
}

RECT Offset(const DpiRect& r, POINT origin) {
    return {origin.x + r.left, origin.y + r.top, origin.x + r.right, origin.y + r.bottom};
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

RECT ScreenClient(HWND window) {
    RECT rc = ClientOf(window);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + ")";
}

// A glyph that reads as something in a picture: a box with a cross and a dot.
DotPlane ManualGlyph() {
    DotPlane plane(64);
    for (int i = 8; i < 56; ++i) {
        for (int w = 0; w < 3; ++w) {
            plane.SetDot(i, 8 + w, true);
            plane.SetDot(i, 53 + w, true);
            plane.SetDot(8 + w, i, true);
            plane.SetDot(53 + w, i, true);
            plane.SetDot(i, 30 + w, true);
            plane.SetDot(30 + w, i, true);
        }
    }
    return plane;
}

class DpiTest : public EditorTest {
  protected:
    // The font and bitmap file in the system's fonts folder, where a user has them: the title then
    // names the same path on every machine, and the pictures come out the same.
    void SetUp() override {
        EditorTest::SetUp();
        dpi_ = SystemDpi();
        fontsTte_ = FontsFolder() + L"\\EUDC.TTE";
        fontsEuf_ = FontsFolder() + L"\\EUDC.EUF";
        // The prefix is the tests' own: a font left by an interrupted run goes.
        placedFont_ = true;
        ASSERT_TRUE(CreateEudcBitmapFile(std::filesystem::path(fontsEuf_), 64));
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(fontsEuf_), 0xE000, ManualGlyph().Bytes()));
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(fontsEuf_), 0xE001, ManualGlyph().Bytes()));
        // The font as the system editor keeps it beside the bitmap file, made by our own writer, so that
        // the browser shows the pair as a user has it.
        std::vector<uint8_t> font;
        std::string error;
        ASSERT_EQ(BuildTteFontFromEudc(ReadFileBytes(fontsEuf_), TteTimeNow(), font, error), kTteOk) << error;
        WriteFileBytes(fontsTte_, font);
        font_.SetString(fontsTte_);
    }
    void TearDown() override {
        if (placedFont_) {
            DeleteFileW(fontsTte_.c_str());
            DeleteFileW(fontsEuf_.c_str());
        }
    }

    struct Editor {
        std::optional<Process> process;
        HWND main = nullptr, view = nullptr, info = nullptr, form = nullptr;
    };

    void OpenEditor(Editor& e) {
        e.process.emplace(Start(L"E000"));
        e.main = WaitForEditorWindow(*e.process);
        ASSERT_NE(e.main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(e.main).find(L"E000") != std::wstring::npos; }));
        HWND splitter = GetDlgItem(e.main, 0xE900);
        ASSERT_NE(splitter, nullptr);
        e.view = GetDlgItem(splitter, 0xE901);
        e.info = GetDlgItem(splitter, 0xE900);
        ASSERT_TRUE(e.view && e.info);
        for (HWND child : ChildWindows(e.info)) {
            if (GetDlgItem(child, kInfoLayer1)) e.form = child;
        }
        ASSERT_NE(e.form, nullptr);
        ASSERT_TRUE(BringForward(e.main)) << DescribeDesktop();
        SetCursorPos(0, 0);
    }
    static void Settle(const Editor& e) {
        WaitForInputIdle(e.process->Handle(), 2000);
        SendMessageW(e.main, WM_NULL, 0, 0);
    }
    int Zoom() const { return std::stoi(Setting(L"PixSize").value_or(L"0")); }

    Process StartViewer() {
        const std::wstring exe =
            folder_.CopyIn(WindowsPathFromBuildPath(KF_KANJIVIEWER_EXE), L"prog\\Kanjiviewer.exe");
        return Process::Start(exe, QuoteArgument(fontsTte_));
    }
    static HWND WaitForViewer(const Process& viewer) {
        HWND frame = nullptr;
        WaitUntil([&] {
            for (HWND window : TopLevelWindows(viewer.Id())) {
                if (WindowProperty(window, L"_KANJIVIEWER_APPLICATION_TAG")) frame = window;
            }
            return frame != nullptr;
        });
        return frame;
    }

    int dpi_ = 96;
    std::wstring fontsTte_, fontsEuf_;
    bool placedFont_ = false;
};

// The editor as a first start shows it at this DPI, with a stored glyph, a selection and a layer.
TEST_F(DpiTest, EditorIsWholeAtThisDpi) {
    Editor e;
    ASSERT_NO_FATAL_FAILURE(OpenEditor(e));
    // A first start takes the zoom for this DPI, and says which DPI it is for.
    EXPECT_EQ(Zoom(), DefaultZoomForDpi(dpi_));
    EXPECT_EQ(Setting(L"PixSizeDpi"), std::to_wstring(dpi_));
    const int zoom = Zoom();

    // The frame: the matrix at the zoom, the column and the bar at this DPI beside it.
    const InfoColumnLayout column = LayoutInfoColumn(dpi_);
    RECT infoRect = {};
    GetWindowRect(e.info, &infoRect);
    EXPECT_EQ(infoRect.right - infoRect.left, column.width);
    // The matrix pane is the extent of the zoom, its sunken edge included: the matrix is whole.
    const RECT matrixClient = ClientOf(e.view);
    const int matrixNeeds = MatrixExtent(zoom, 64) - 2 * SystemMetricForDpi(SM_CXEDGE, dpi_);
    EXPECT_GE(matrixClient.right, matrixNeeds) << "the matrix is whole";
    EXPECT_GE(matrixClient.bottom, matrixNeeds);
    // The tool bar's pictures are the strip for this DPI.
    HWND toolBar = FindWindowExW(e.main, nullptr, TOOLBARCLASSNAMEW, nullptr);
    ASSERT_NE(toolBar, nullptr);
    const DWORD button = static_cast<DWORD>(SendMessageW(toolBar, TB_GETBUTTONSIZE, 0, 0));
    EXPECT_GE(LOWORD(button), ToolImageSize(dpi_) + ScaleForDpi(6, dpi_));
    EXPECT_LE(LOWORD(button), ToolImageSize(dpi_) + ScaleForDpi(8, dpi_));
    EXPECT_LE(ToolBarContentWidth(toolBar), static_cast<int>(ClientOf(toolBar).right))
        << "every button is whole";
    EXPECT_GT(ToolBarContentWidth(toolBar), 16 * ToolImageSize(dpi_));

    // The menu bar is one line: the client starts less than two menu lines below the caption.
    RECT window = {}, noMenu = {0, 0, 100, 100};
    GetWindowRect(e.main, &window);
    AdjustWindowRectForDpi(&noMenu, static_cast<DWORD>(GetWindowLongW(e.main, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(e.main, GWL_EXSTYLE)), dpi_);
    POINT clientOrigin = {0, 0};
    ClientToScreen(e.main, &clientOrigin);
    const int menuHeight = clientOrigin.y - window.top + noMenu.top;
    const int menuLine = SystemMetricForDpi(SM_CYMENU, dpi_);
    EXPECT_GT(menuHeight, 0);
    EXPECT_LT(menuHeight, 2 * menuLine - 1)
        << "the menu bar wraps: " << menuHeight << " pixels, a line is " << menuLine;

    // A selection, drawn as a user drags it.
    SendMessageW(e.main, WM_COMMAND, kRectSelectCommand, 0);
    ASSERT_TRUE(BringForward(e.main)) << DescribeDesktop();
    SendMouseAtDot(e.view, {12, 36}, MOUSEEVENTF_LEFTDOWN, zoom);
    Settle(e);
    SendMouseAtDot(e.view, {26, 48}, 0, zoom);
    Settle(e);
    SendMouseAtDot(e.view, {40, 60}, MOUSEEVENTF_LEFTUP, zoom);
    Settle(e);

    // Layer 1 set up in its dialog, whose texts are whole too; its preview shows the layer.
    PostMessageW(GetDlgItem(e.form, kInfoLayer1), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND layerDialog = DialogOf(e.process->Id(), L"ｻﾝﾌﾟﾙﾚｲﾔｰ 0 の設定");
    ASSERT_NE(layerDialog, nullptr);
    SendMessageW(GetDlgItem(layerDialog, kLayerChar), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"字"));
    EXPECT_EQ(ClippedControls(layerDialog), "") << "texts cut in the layer dialog";
    Screenshot(layerDialog, L"layer-dialog");
    SendMessageW(layerDialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(layerDialog));
    SendMessageW(e.main, WM_COMMAND, kLayer1Command, 0);
    Settle(e);

    // The coordinate lines with their widest text: the mouse over the last dot.
    SendMouseAtDot(e.view, {63, 63}, 0, zoom);
    Settle(e);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(GetDlgItem(e.form, kInfoPos1)) == L"XY->  63,  63"; }))
        << Narrow(ControlText(GetDlgItem(e.form, kInfoPos1)));
    const UniqueFont lineFont = PointFont(90, L"ＭＳ ゴシック");
    for (int id : {kInfoPos1, kInfoPos2}) {
        HWND line = GetDlgItem(e.form, id);
        const std::wstring widest = id == kInfoPos1 ? L"XY->  63,  63" : L"WH->  63,  63";
        EXPECT_EQ(Overflow(lineFont.Get(), widest, ClientOf(line), false), std::nullopt) << Narrow(widest);
    }
    // The mouse leaves the matrix, so that no tip covers the picture; the pen again, with its mark and
    // its dot size in the tool pane.
    SetCursorPos(0, 0);
    SendMessageW(e.main, WM_COMMAND, kPenCommand, 0);
    Settle(e);

    // Every pane of the column whole inside it; the tool pane shows its pen mark and its dot size.
    const RECT visibleColumn = ScreenClient(e.info);
    for (HWND pane : ChildWindows(e.form)) {
        RECT r = {};
        GetWindowRect(pane, &r);
        EXPECT_TRUE(Contains(visibleColumn, r))
            << "pane " << GetDlgCtrlID(pane) << " " << Describe(r) << " outside " << Describe(visibleColumn);
    }
    HWND toolPane = GetDlgItem(e.form, kInfoTool);
    RedrawWindow(toolPane, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Settle(e);
    POINT paneOrigin = {0, 0};
    ClientToScreen(toolPane, &paneOrigin);
    const ToolPaneLayout tool = LayoutToolPane(dpi_);
    const RECT mark = Offset(tool.penMark, paneOrigin);
    // The pane's pixels reach the screen when its process next waits for messages: wait for them.
    const int markArea = (mark.right - mark.left) * (mark.bottom - mark.top);
    EXPECT_TRUE(WaitUntil([&] { return BlackPixels(mark) == markArea; }))
        << "the pen mark of a black pen is filled " << Describe(mark) << ": " << BlackPixels(mark) << " of "
        << markArea << " pixels black";
    EXPECT_TRUE(IsPointShownBy(toolPane, {(mark.left + mark.right) / 2, (mark.top + mark.bottom) / 2}));
    const SIZE number = TextExtent(lineFont.Get(), L"1．");
    const RECT numberArea = {paneOrigin.x + tool.textLeft, paneOrigin.y + tool.textBottom - number.cy,
                             paneOrigin.x + tool.textLeft + number.cx, paneOrigin.y + tool.textBottom};
    EXPECT_TRUE(WaitUntil([&] { return BlackPixels(numberArea) > 0; }))
        << "the dot size's number " << Describe(numberArea);
    EXPECT_LE(numberArea.right, mark.left) << "the number is not covered by the pen mark";
    EXPECT_TRUE(Contains(ScreenClient(toolPane), numberArea)) << "the number is whole in its pane";

    // The status bar's text in the status font.
    HWND status = FindWindowExW(e.main, nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(status, nullptr);
    const NONCLIENTMETRICSW metrics = NonClientMetricsForDpi(dpi_);
    const UniqueFont statusFont(CreateFontIndirectW(&metrics.lfStatusFont));
    EXPECT_EQ(Overflow(statusFont.Get(), ControlText(status), ClientOf(status), false), std::nullopt);

    RedrawWindow(e.main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle(e);
    Screenshot(e.main, L"editor");
    e.process->Kill();
}

// The code, grid and About dialogs at this DPI: every text whole.
TEST_F(DpiTest, DialogTextsAreWholeAtThisDpi) {
    Editor e;
    ASSERT_NO_FATAL_FAILURE(OpenEditor(e));
    struct Case {
        UINT command;
        const wchar_t* title;
        const wchar_t* picture;
    };
    for (const Case& c : {Case{kCodeOpenCommand, L"編集する文字ｺｰﾄﾞを指定", L"code-dialog"},
                          Case{kGridCommand, L"ｸﾞﾘｯﾄﾞの設定", L"grid-dialog"},
                          Case{kAboutCommand, L"Kanjiforgeのﾊﾞｰｼﾞｮﾝ情報", L"about-box"}}) {
        PostMessageW(e.main, WM_COMMAND, c.command, 0);
        HWND dialog = DialogOf(e.process->Id(), c.title);
        ASSERT_NE(dialog, nullptr) << Narrow(c.title) << "\n" << DescribeDesktop();
        EXPECT_EQ(ClippedControls(dialog), "") << "texts cut in " << Narrow(c.title);
        Screenshot(dialog, c.picture);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitForWindowGone(dialog)) << Narrow(c.title);
    }
    e.process->Kill();
}

// The standard-character finder at this DPI: its texts whole and its list's rows, picture and all, as tall as
// this DPI makes them. It searches one font, whose index a prefix builds once.
TEST_F(DpiTest, FinderIsWholeAtThisDpi) {
    folder_.WriteText(L"prog\\Kanjiforge.ini", L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ +
                                                   L"\r\nGaijiEditorIniPath=" + editorIni_ +
                                                   L"\r\n[GxmSettings]\r\nFinderFonts=HanaMinB\r\n");
    Editor e;
    ASSERT_NO_FATAL_FAILURE(OpenEditor(e));
    PostMessageW(e.main, WM_COMMAND, kFindStandardCommand, 0);
    HWND finder = DialogOf(e.process->Id(), L"標準文字を検索");
    ASSERT_NE(finder, nullptr) << DescribeDesktop();
    HWND list = GetDlgItem(finder, 1072);
    ASSERT_TRUE(
        WaitUntil([&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 20; }, Millis(300000), Millis(200)))
        << Narrow(WindowText(GetDlgItem(finder, 1070)));
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), MulDiv(54, dpi_, 96));
    EXPECT_EQ(ClippedControls(finder), "") << "texts cut in the finder";
    Screenshot(finder, L"finder");
    e.process->Kill();
}

// The browser at this DPI: its size label, its status texts and the code above each picture whole.
TEST_F(DpiTest, BrowserIsWholeAtThisDpi) {
    Process viewer = StartViewer();
    HWND frame = WaitForViewer(viewer);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(BringForward(frame)) << DescribeDesktop();
    SetCursorPos(0, 0);
    WaitForInputIdle(viewer.Handle(), 2000);

    // The label in the message font, within its control.
    const NONCLIENTMETRICSW metrics = NonClientMetricsForDpi(dpi_);
    const UniqueFont labelFont(CreateFontIndirectW(&metrics.lfMessageFont));
    HWND label = nullptr;
    for (HWND child : ChildWindows(frame)) {
        if (WindowClass(child) == L"Static") label = child;
    }
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(Narrow(ControlText(label)), "ｻｲｽﾞ:");
    EXPECT_EQ(Overflow(labelFont.Get(), ControlText(label), ClientOf(label), false), std::nullopt);

    // The status bar's parts as the browser lays them out, with the texts they show here.
    HWND status = FindWindowExW(frame, nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(status, nullptr);
    const UniqueFont statusFont(CreateFontIndirectW(&metrics.lfStatusFont));
    const RECT bar = ClientOf(status);
    const std::array<int, 2> edges = ViewerStatusParts(bar.right, dpi_);
    const int edge = ScaleForDpi(4, dpi_);  // a part's border and gap
    // The file part's texts: the count, and the longest it shows, with the font's side.
    for (const wchar_t* text :
         {L"登録文字数: 2", L"登録文字数: 6400 (読めない文字: 6400)  外字ﾌｫﾝﾄと違う文字: 6400",
          L"E000: 外字ﾌｫﾝﾄの文字がﾋﾞｯﾄﾃﾞｰﾀと違います（一致率100%）"}) {
        EXPECT_EQ(Overflow(statusFont.Get(), text, {0, 0, edges[1] - edges[0] - edge, bar.bottom}, false),
                  std::nullopt)
            << Narrow(text);
    }
    EXPECT_EQ(Overflow(statusFont.Get(), L"ｺｰﾄﾞ: E000 (編集中)",
                       {0, 0, bar.right - edges[1] - 2 * edge, bar.bottom}, false),
              std::nullopt);
    EXPECT_GE(bar.bottom, TextExtent(statusFont.Get(), L"ｺｰﾄﾞ").cy)
        << "the status bar is as tall as its text";

    // The code above each picture, in the cell's band.
    const ViewerGrid grid(kEudcFirst, kEudcLast, ViewerGrid::DefaultCellSize(dpi_), dpi_);
    const GridRect band = grid.LabelBounds(0xE000, 0);
    LOGFONTW codeFont = {};
    codeFont.lfHeight = -grid.LabelFontHeight();
    codeFont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(codeFont.lfFaceName, L"ＭＳ ゴシック", LF_FACESIZE);
    const UniqueFont code(CreateFontIndirectW(&codeFont));
    EXPECT_EQ(Overflow(code.Get(), L"E000", {0, 0, band.right - band.left, band.bottom - band.top}, false),
              std::nullopt);
    HWND gridView = GetDlgItem(frame, 0xE900);
    ASSERT_NE(gridView, nullptr);
    POINT origin = {0, 0};
    ClientToScreen(gridView, &origin);
    const RECT codeBand = {origin.x + band.left, origin.y + band.top, origin.x + band.right,
                           origin.y + band.bottom};
    EXPECT_TRUE(WaitUntil([&] { return BlackPixels(codeBand) > 0; })) << "E000's code is drawn in its band";

    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    WaitForInputIdle(viewer.Handle(), 2000);
    Screenshot(frame, L"browser");
    viewer.Kill();
}

// Moved to a screen of twice the DPI and back: the editor takes the suggested place, lays its column,
// bars and matrix out again and keeps its matrix's size on the screen; so does the browser's grid.
TEST_F(DpiTest, WindowsFollowADpiChange) {
    if (dpi_ != 96) GTEST_SKIP() << "sent at 96 DPI only";
    Editor e;
    ASSERT_NO_FATAL_FAILURE(OpenEditor(e));
    ASSERT_EQ(Zoom(), 6);
    HWND toolBar = FindWindowExW(e.main, nullptr, TOOLBARCLASSNAMEW, nullptr);
    const auto send = [&](int dpi, RECT suggested) {
        RemoteRect remote(e.process->Handle(), suggested);
        ASSERT_TRUE(remote);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutW(e.main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), remote.Param(),
                                        SMTO_ABORTIFHUNG, 10000, &result));
    };
    ASSERT_NO_FATAL_FAILURE(send(192, {100, 80, 700, 600}));
    RECT window = {}, infoRect = {};
    GetWindowRect(e.main, &window);
    GetWindowRect(e.info, &infoRect);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.top, 80);
    EXPECT_EQ(infoRect.right - infoRect.left, LayoutInfoColumn(192).width);
    EXPECT_EQ(Setting(L"PixSize"), L"12") << "the matrix keeps its size on the screen";
    EXPECT_EQ(Setting(L"PixSizeDpi"), L"192");
    EXPECT_EQ(LOWORD(SendMessageW(toolBar, TB_GETBUTTONSIZE, 0, 0)), 48 + ScaleForDpi(7, 192));
    EXPECT_GE(ClientOf(e.view).right, MatrixExtent(12, 64) - 2 * SystemMetricForDpi(SM_CXEDGE, 192));
    HWND toolPane = GetDlgItem(e.form, kInfoTool);
    RECT pane = {};
    GetWindowRect(toolPane, &pane);
    EXPECT_EQ(pane.right - pane.left, LayoutInfoColumn(192).tool.Width());

    ASSERT_NO_FATAL_FAILURE(send(96, {120, 90, 500, 400}));
    GetWindowRect(e.info, &infoRect);
    EXPECT_EQ(infoRect.right - infoRect.left, 87);
    EXPECT_EQ(Setting(L"PixSize"), L"6");
    EXPECT_EQ(Setting(L"PixSizeDpi"), L"96");
    e.process->Kill();

    // The browser: the pictures keep their size on the screen, the label widens with its font.
    Process viewer = StartViewer();
    HWND frame = WaitForViewer(viewer);
    ASSERT_NE(frame, nullptr);
    WaitForInputIdle(viewer.Handle(), 2000);
    HWND slider = FindWindowExW(frame, nullptr, TRACKBAR_CLASSW, nullptr);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), kDefaultCellSize);
    {
        RemoteRect remote(viewer.Handle(), {50, 60, 1250, 1000});
        ASSERT_TRUE(remote);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutW(frame, WM_DPICHANGED, MAKEWPARAM(192, 192), remote.Param(),
                                        SMTO_ABORTIFHUNG, 10000, &result));
    }
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 2 * kDefaultCellSize);
    RECT frameRect = {};
    GetWindowRect(frame, &frameRect);
    EXPECT_EQ(frameRect.left, 50);
    EXPECT_EQ(frameRect.right - frameRect.left, 1200);
    RECT sliderRect = {};
    GetWindowRect(slider, &sliderRect);
    EXPECT_EQ(sliderRect.right - sliderRect.left, ScaleForDpi(220, 192));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(viewer.WaitForExit().has_value());
    EXPECT_EQ(folder_.ReadIni(L"prog\\Kanjiforge.ini", L"KanjiviewerSettings", L"CellSize"),
              std::to_wstring(2 * kDefaultCellSize));
    EXPECT_EQ(folder_.ReadIni(L"prog\\Kanjiforge.ini", L"KanjiviewerSettings", L"CellSizeDpi"), L"192");
    EXPECT_EQ(folder_.ReadIni(L"prog\\Kanjiforge.ini", L"KanjiviewerSettings", L"ViewerWindowDpi"), L"192");
}

}  // namespace

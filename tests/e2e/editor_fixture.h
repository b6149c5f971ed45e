// One editor installation per test, as the end-to-end suites need it: the program in its own
// folder with its settings file, an EUDC font and bitmap file, and a recording stand-in for the
// system character editor; the registry names the font by its full path.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>

#include "editor/dot_plane.h"
#include "editor/matrix_geometry.h"
#include "glyphstore/eudc_writer.h"
#include "harness.h"

namespace e2e {

inline constexpr wchar_t kCaption[] = L"Kanjiforge";
inline constexpr wchar_t kWaitText[] = L"ﾌﾟﾛｸﾞﾗﾑ起動中です。\r\nしばらくお待ち下さい。";

inline std::wstring CmdRecordExePath() { return WindowsPathFromBuildPath(KF_CMDRECORD_EXE); }

inline std::wstring FontsFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_FONTS, nullptr, 0, path);
    return path;
}

// What the recording stand-in wrote about how it was started: waits until a whole line is there
// (the file appears before its line is written). Empty when nothing came before the deadline.
inline std::string WaitForRecordedLines(const std::wstring& recordPath) {
    std::string text;
    WaitUntil([&] {
        if (!FileExists(recordPath)) return false;
        const std::vector<uint8_t> bytes = ReadFileBytes(recordPath);
        text.assign(bytes.begin(), bytes.end());
        return !text.empty() && text.back() == '\n';
    });
    return text;
}

// Writes what the screen shows of a window into a 24-bit BMP file.
inline void SaveScreenshotOf(HWND window, const std::wstring& path) {
    RECT rc = {};
    GetWindowRect(window, &rc);
    const ScreenImage image = CaptureScreen(rc);
    const int rowBytes = (image.width * 3 + 3) & ~3;
    std::vector<uint8_t> file(54 + static_cast<std::size_t>(rowBytes) * image.height);
    auto put32 = [&](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(image.width));
    put32(22, static_cast<uint32_t>(image.height));
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < image.height; ++y) {
        uint8_t* row = &file[54 + static_cast<std::size_t>(image.height - 1 - y) * rowBytes];
        for (int x = 0; x < image.width; ++x) {
            const uint32_t rgb = image.At(x, y);
            row[3 * x] = static_cast<uint8_t>(rgb);
            row[3 * x + 1] = static_cast<uint8_t>(rgb >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(rgb >> 16);
        }
    }
    WriteFileBytes(path, file);
}

// A rectangle in another process's memory, for the messages that carry a pointer to one and that the
// system does not copy between processes (WM_DPICHANGED, TB_GETITEMRECT): the receiving window reads
// and writes the program's own memory.
class RemoteRect {
  public:
    RemoteRect(HANDLE process, const RECT& rect = {}) : process_(process) {
        at_ = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (at_) WriteProcessMemory(process, at_, &rect, sizeof rect, nullptr);
    }
    RemoteRect(const RemoteRect&) = delete;
    RemoteRect& operator=(const RemoteRect&) = delete;
    ~RemoteRect() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    }
    LPARAM Param() const { return reinterpret_cast<LPARAM>(at_); }
    explicit operator bool() const { return at_ != nullptr; }
    RECT Read() const {
        RECT rect = {};
        if (at_) ReadProcessMemory(process_, at_, &rect, sizeof rect, nullptr);
        return rect;
    }

  private:
    HANDLE process_;
    void* at_ = nullptr;
};

// The right edge of a tool bar's last button, in its client pixels (0 when it cannot be read).
inline int ToolBarContentWidth(HWND toolBar) {
    DWORD processId = 0;
    GetWindowThreadProcessId(toolBar, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr) return 0;
    int width = 0;
    {
        const LRESULT count = SendMessageW(toolBar, TB_BUTTONCOUNT, 0, 0);
        RemoteRect last(process);
        if (count > 0 && last &&
            SendMessageW(toolBar, TB_GETITEMRECT, static_cast<WPARAM>(count - 1), last.Param())) {
            width = last.Read().right;
        }
    }
    CloseHandle(process);
    return width;
}

// The text of another process's control as the control itself answers WM_GETTEXT (GetWindowText
// would read only the window's own caption).
inline std::wstring ControlText(HWND control) {
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &length);
    return text;
}

// Real mouse input at a screen point: the position and the buttons go in one event, so no button is
// taken at a stale position.
inline void SendMouseAt(POINT p, DWORD buttonFlags) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((p.x * 65535 + (width - 1) / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((p.y * 65535 + (height - 1) / 2) / (height - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttonFlags;
    SendInput(1, &input, sizeof input);
}

// Real mouse input at the middle of a dot's cell of the matrix view.
inline void SendMouseAtDot(HWND view, DotPoint dot, DWORD buttonFlags, int pixelSize = 6,
                           int glyphSize = 64) {
    const PixelPoint c = MatrixGeometry{pixelSize, glyphSize}.DotToCellCenter(dot.x, dot.y);
    POINT p = {c.x, c.y};
    ClientToScreen(view, &p);
    SendMouseAt(p, buttonFlags);
}

// The history states ("ud..\\N.tmp" under the program's TEMP) of the editor installed in `programFolder`.
inline std::vector<std::filesystem::path> HistoryStateFiles(const std::filesystem::path& programFolder) {
    std::vector<std::filesystem::path> files;
    for (const auto& ud : std::filesystem::directory_iterator(programFolder / L"TEMP")) {
        for (const auto& file : std::filesystem::directory_iterator(ud.path())) {
            if (file.path().extension() == L".tmp") files.push_back(file.path());
        }
    }
    return files;
}
// ... of the editor installed in folder (in its subfolder `program`).
inline std::vector<std::filesystem::path> HistoryStateFiles(const TestFolder& folder,
                                                            std::wstring_view program = L"prog") {
    return HistoryStateFiles(std::filesystem::path(folder / program));
}

// The newest history state: the edit bitmap as the last finished action left it.
inline DotPlane LatestHistoryState(const std::filesystem::path& programFolder, int glyphSize = 64) {
    DotPlane plane(glyphSize);
    int newest = -1;
    std::filesystem::path newestPath;
    for (const auto& file : HistoryStateFiles(programFolder)) {
        const int number = std::stoi(file.stem().wstring());
        if (number > newest) {
            newest = number;
            newestPath = file;
        }
    }
    if (newest < 0) return plane;
    // The editor may still be writing the newest state: wait until it can be read whole.
    std::vector<uint8_t> bytes;
    WaitUntil([&] {
        try {
            bytes = ReadFileBytes(newestPath.wstring());
        } catch (...) {
            bytes.clear();
        }
        return bytes.size() == plane.ByteCount();
    });
    if (bytes.size() == plane.ByteCount()) std::copy(bytes.begin(), bytes.end(), plane.Bytes().begin());
    return plane;
}
inline DotPlane LatestHistoryState(const TestFolder& folder, int glyphSize = 64,
                                   std::wstring_view program = L"prog") {
    return LatestHistoryState(std::filesystem::path(folder / program), glyphSize);
}

// Overwrites bytes of a file at an offset.
// For failure messages: the dots where what the screen showed differs from what was expected.
inline std::string DotDifference(const DotPlane& shown, const DotPlane& expected) {
    std::string text;
    int count = 0;
    for (int y = 0; y < expected.Size(); ++y) {
        for (int x = 0; x < expected.Size(); ++x) {
            if (shown.IsBlack(x, y) == expected.IsBlack(x, y)) continue;
            if (++count <= 40) {
                text += "(" + std::to_string(x) + "," + std::to_string(y) + ")" +
                        (shown.IsBlack(x, y) ? " shown black, " : " shown white, ");
            }
        }
    }
    return count == 0 ? "no difference" : std::to_string(count) + " dots differ: " + text;
}

inline void PatchFile(const std::wstring& path, std::size_t offset, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> data = ReadFileBytes(path);
    if (data.size() < offset + bytes.size()) data.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
    WriteFileBytes(path, data);
}

inline uint32_t ReadU32(const std::vector<uint8_t>& data, std::size_t offset) {
    return data[offset] | data[offset + 1] << 8 | data[offset + 2] << 16 |
           static_cast<uint32_t>(data[offset + 3]) << 24;
}

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        exe_ = folder_.CopyIn(KanjiforgeExePath(), L"prog\\Kanjiforge.exe");
        editor_ = folder_.CopyIn(CmdRecordExePath(), L"editor\\eudcedit.exe");
        editorIni_ = folder_.WriteText(L"editor\\eudcedit.ini", L"[WindowSize]\r\nMinMaxFlag=0\r\n");
        tte_ = folder_.WriteBytes(L"fonts\\EUDC.TTE", {0});
        euf_ = folder_ / L"fonts\\EUDC.EUF";
        ASSERT_TRUE(CreateEudcBitmapFile(std::filesystem::path(euf_), 64));
        WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ + L"\r\n");
        font_.SetString(tte_);
    }

    void WriteSettings(const std::wstring& lines) {
        folder_.WriteText(L"prog\\Kanjiforge.ini", L"[GxmEditorSettings]\r\n" + lines);
    }
    std::optional<std::wstring> Setting(std::wstring_view key) const {
        return folder_.ReadIni(L"prog\\Kanjiforge.ini", L"GxmEditorSettings", key);
    }

    Process Start(std::wstring_view arguments = {}) { return Process::Start(exe_, arguments); }

    // Waits for the one message box of a refused start and checks it as the user sees it.
    MessageBoxInfo ExpectBox(Process& process, const std::wstring& text, MessageBoxIcon icon,
                             std::vector<int> buttons = {IDOK}, const wchar_t* caption = kCaption) {
        std::optional<MessageBoxInfo> box = WaitForMessageBoxWithText(process.Id(), text);
        if (!box) {
            ADD_FAILURE() << "no message box \"" << Narrow(text) << "\" appeared; "
                          << DescribeMessageBoxes(process.Id());
            return {};
        }
        EXPECT_EQ(Narrow(box->caption), Narrow(caption));
        EXPECT_EQ(Narrow(box->text), Narrow(text));
        EXPECT_EQ(ToString(box->icon), std::string(ToString(icon)));
        EXPECT_EQ(box->ButtonIds(), buttons);
        return *box;
    }

    // Answers the box and expects the process to end without a main window.
    void AnswerAndExpectExit(Process& process, const MessageBoxInfo& box, int button = IDOK) {
        if (box.window == nullptr) return;
        EXPECT_EQ(FindEditorWindow(process), nullptr);
        PressButton(box, button);
        EXPECT_TRUE(process.WaitForExit().has_value()) << "the program did not end after its message";
    }

    // The main window of a started editor: visible and carrying the editor tag.
    static HWND FindEditorWindow(const Process& process) {
        for (HWND window : TopLevelWindows(process.Id())) {
            if (WindowProperty(window, L"_KANJIFORGE_APPLICATION_TAG").value_or(0) != 0) return window;
        }
        return nullptr;
    }
    HWND WaitForEditorWindow(const Process& process) {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindEditorWindow(process)) != nullptr; });
        return found;
    }

    static bool WaitWindowShown(const Process& process) {
        for (HWND window : TopLevelWindows(process.Id())) {
            HWND text = GetDlgItem(window, 1034);
            if (WindowClass(window) == L"#32770" && text && WindowText(text) == kWaitText) return true;
        }
        return false;
    }

    TestFolder folder_;
    EudcFontSetting font_;
    std::wstring exe_, editor_, editorIni_, tte_, euf_;
};

}  // namespace e2e

// Our own stand-in for the system character editor, installed as "eudcedit.exe" so that Kanjiforge can save
// through it in tests and in the demo. It honours only what Kanjiforge sends and relies on: the ini entries,
// the main window with its status bar, "Unicode" combo box and tool bars, the start-up and code selection
// dialog "コードの選択" with its code grid, the copy dialog "文字のコピー", paste from the clipboard, save
// into the default font's EUDC bitmap file and its TrueType font (as the system editor does) and close. Its
// "[StandIn]" ini section makes it misbehave on purpose (error windows on chosen saves, a wrong code, no
// start-up dialog, a slow start), and it appends what it received to "<exe>.log" (UTF-8), so that tests can
// see both sides.
//
// The ini file is "eudcedit.ini" beside the program; Kanjiforge's "GaijiEditorIniPath" must name that file.
// [WindowSize] MainWindowSize = "left top right bottom" of the main window, MinMaxFlag (read, only logged)
// [Bitmap]     BitmapSize     = N, the glyph size (a multiple of 8 in 8..256; otherwise 64)
// [StandIn]    ErrorOnSaveAttempts=1,3   error window instead of saving on those save attempts (1-based)
//              ErrorOnEverySave=1        error window on every save attempt
//              WrongCodeAfterNavigation=1  the status bar shows the next code after the code grid's OK
//              NoStartupDialog=1         "コードの選択" does not open at start
//              StartDelayMs=N            wait N ms before the main window appears
//              SlowInputMs=N             the code grid handles each key N ms late
//              SlowDialogCloseMs=N       a dialog told to close stays on screen N ms longer
//              PasteFailsOnce=1          the first paste does nothing
//              IgnoreClose=1             the close command leaves the editor running
//              HangOnSaveMs=N            the save command stops answering for N ms before it saves
//              ErrorWindowTitle=TEXT     the error window's title (default: one with "Kanjiforge" in it)
//              FontWriteFails=1          the save writes the bitmap file but not the font
//              FontWriteStale=1          the save writes the character's previous dots into the font
//              FontLockedMs=N            after the save another process holds the font N ms (or until a
//                                        file "<exe>.release" appears), as a system holding the font would
//              SmoothOutlines=1          the font's outlines have rounded corners instead of square ones
//              SmoothOutlines=2          ... are splines through the middles of the dots' edges (thin strokes
//                                        lose dots)
//              GridOffsetUnits=DX,DY     the dot grid lies DX, DY font units off the em's usual place
//              GridScale=S               the dot grid is S times the em's usual size (0.5..2)
//              SlowDialogOpenMs=N        the code dialogs and the copy dialog appear N ms after their command
//              ModalDialogs=0            its dialogs leave the main window enabled (default 1: while one is
//                                        open the main window takes no input, as a modal dialog's owner)
//              UnownedErrorWindow=1      the error window has no owner (a top-level window of its own)
//              LateStatusMs=N            the status bar shows the chosen code N ms after the dialog's OK
//              EnterIgnored=1            the code grid keeps Enter for itself: only OK confirms the dialog
//              DpiUnaware=1              it declares itself unaware of the screen's DPI, as an old program
//                                        does; Windows then scales its windows and their coordinates
//
// A font that is missing, or a placeholder shorter than a font's header, is made anew from the bitmap file
// as it was before the save; any other font gets the one glyph updated, every other table kept.
// It is as strict as the contract: messages are handled in the order Windows delivers them (a posted OK
// is taken before keys still waiting); Page Down and Page Up only scroll, only the arrows and a click
// move the selection; the keys act only while the code grid has the focus; and the character set of the
// combo box really switches the grid and the status bar between Unicode and Shift-JIS codes.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_path.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/tte_writer.h"

namespace {

constexpr int kCmdSetup = 32771;
constexpr int kCmdCodeDialog = 32776;
constexpr int kCmdCopyDialog = 32797;
constexpr int kCmdPaste = 32779;
constexpr int kCmdSave = 32781;
constexpr int kCmdExit = 57665;
constexpr int kComboId = 1001;
constexpr int kStatusId = 1002;

constexpr int kFirstCode = kEudcFirst;
constexpr int kLastCode = kEudcLast;
constexpr int kColumns = 16;
constexpr int kVisibleRows = 6;
// The first visible cell is centred on client point (68, 43) of the code dialog.
constexpr int kGridLeft = 56;
constexpr int kGridTop = 33;
constexpr int kCellWidth = 24;
constexpr int kCellHeight = 20;

constexpr wchar_t kMainClass[] = L"KfEudceditStandIn";
constexpr wchar_t kCodeDialogClass[] = L"KfEudceditCodeDialog";
constexpr wchar_t kCopyDialogClass[] = L"KfEudceditCopyDialog";
constexpr wchar_t kGridClass[] = L"KfEudceditCodeGrid";
constexpr int kSjisCodes = 1880;  // F040..F9FC, in the same order as E000..E757
constexpr UINT_PTR kCloseTimer = 1;
// Timers of the main window: a dialog that opens late, a status bar that shows the code late.
constexpr UINT_PTR kOpenCodeDialogTimer = 2;
constexpr UINT_PTR kOpenCopyDialogTimer = 3;
constexpr UINT_PTR kLateStatusTimer = 4;
constexpr int kCodeFieldId = 1003;
// Never contains "Kanjiforge": a window with that name counts as an error report while a save runs.
constexpr wchar_t kMainTitle[] = L"外字エディタ";
constexpr wchar_t kCodeDialogTitle[] = L"コードの選択";
constexpr wchar_t kCopyDialogTitle[] = L"文字のコピー";

struct Settings {
    RECT mainRect{28, 24, 431, 235};
    int size = 64;
    std::set<int> errorAttempts;
    bool errorOnEverySave = false;
    bool wrongCode = false;
    bool noStartupDialog = false;
    int startDelayMs = 0;
    int slowInputMs = 0;
    int slowDialogCloseMs = 0;
    bool pasteFailsOnce = false;
    bool ignoreClose = false;
    int hangOnSaveMs = 0;
    std::wstring errorWindowTitle = L"Kanjiforge 外字保存エラー";
    bool fontWriteFails = false;
    bool fontWriteStale = false;
    int fontLockedMs = 0;
    TteCorners corners = TteCorners::Square;
    int gridOffsetX = 0;
    int gridOffsetY = 0;
    double gridScale = 1.0;
    int slowDialogOpenMs = 0;
    bool modalDialogs = true;
    bool unownedErrorWindow = false;
    int lateStatusMs = 0;
    bool enterIgnored = false;
    bool dpiUnaware = false;
};

struct State {
    std::wstring exePath;
    std::wstring iniPath;
    Settings settings;
    HWND main = nullptr;
    HWND status = nullptr;
    HWND combo = nullptr;
    HWND codeDialog = nullptr;
    HWND grid = nullptr;
    HWND codeField = nullptr;  // the code dialog's field that names the selected code
    HWND copyDialog = nullptr;
    int code = kFirstCode;
    int saveAttempts = 0;
    int pastes = 0;
    bool unicode = false;            // the combo box starts on Shift JIS
    std::vector<std::uint8_t> dots;  // N x N, one byte a dot, 1 = black
    // Code grid of the open dialog.
    int topRow = 0;
    int selected = kFirstCode;
};

State g;

void Log(const std::wstring& line) {
    const std::wstring text = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    HANDLE file =
        CreateFileW((g.exePath + L".log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring Hex4(int code) {
    wchar_t text[8] = {};
    swprintf(text, 8, L"%04X", code);
    return text;
}

std::wstring IniString(const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[512] = {};
    GetPrivateProfileStringW(section, key, L"", buffer, 512, g.iniPath.c_str());
    return buffer;
}

int IniInt(const wchar_t* section, const wchar_t* key, int fallback) {
    const std::wstring text = IniString(section, key);
    if (text.empty()) return fallback;
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    return (end == text.c_str() || *end != L'\0' || value < 0 || value > 600000) ? fallback
                                                                                 : static_cast<int>(value);
}

void LoadSettings() {
    if (GetFileAttributesW(g.iniPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // First run: the file Kanjiforge looks for at start-up appears, as the real editor's would.
        WritePrivateProfileStringW(L"WindowSize", L"MinMaxFlag", L"0", g.iniPath.c_str());
        WritePrivateProfileStringW(L"WindowSize", L"MainWindowSize", L"28 24 431 235", g.iniPath.c_str());
        WritePrivateProfileStringW(L"Bitmap", L"BitmapSize", L"64", g.iniPath.c_str());
        Log(L"ini created");
    }
    Settings& s = g.settings;
    const std::wstring rect = IniString(L"WindowSize", L"MainWindowSize");
    int l = 0, t = 0, r = 0, b = 0;
    wchar_t extra = 0;
    if (swscanf(rect.c_str(), L"%d %d %d %d %lc", &l, &t, &r, &b, &extra) == 4 && r > l && b > t) {
        s.mainRect = RECT{l, t, r, b};
    } else if (!rect.empty()) {
        Log(L"ini bad MainWindowSize \"" + rect + L"\"");
    }
    const int size = IniInt(L"Bitmap", L"BitmapSize", 64);
    if (size >= 8 && size <= 256 && size % 8 == 0) {
        s.size = size;
    } else {
        Log(L"ini bad BitmapSize \"" + IniString(L"Bitmap", L"BitmapSize") + L"\"");
    }
    const std::wstring attempts = IniString(L"StandIn", L"ErrorOnSaveAttempts");
    for (const wchar_t* p = attempts.c_str(); *p != L'\0';) {
        wchar_t* end = nullptr;
        const long n = std::wcstol(p, &end, 10);
        if (end == p) {
            ++p;
            continue;
        }
        s.errorAttempts.insert(static_cast<int>(n));
        p = end;
    }
    s.errorOnEverySave = IniInt(L"StandIn", L"ErrorOnEverySave", 0) != 0;
    s.wrongCode = IniInt(L"StandIn", L"WrongCodeAfterNavigation", 0) != 0;
    s.noStartupDialog = IniInt(L"StandIn", L"NoStartupDialog", 0) != 0;
    s.startDelayMs = IniInt(L"StandIn", L"StartDelayMs", 0);
    s.slowInputMs = IniInt(L"StandIn", L"SlowInputMs", 0);
    s.slowDialogCloseMs = IniInt(L"StandIn", L"SlowDialogCloseMs", 0);
    s.pasteFailsOnce = IniInt(L"StandIn", L"PasteFailsOnce", 0) != 0;
    s.ignoreClose = IniInt(L"StandIn", L"IgnoreClose", 0) != 0;
    s.hangOnSaveMs = IniInt(L"StandIn", L"HangOnSaveMs", 0);
    if (const std::wstring title = IniString(L"StandIn", L"ErrorWindowTitle"); !title.empty())
        s.errorWindowTitle = title;
    s.fontWriteFails = IniInt(L"StandIn", L"FontWriteFails", 0) != 0;
    s.fontWriteStale = IniInt(L"StandIn", L"FontWriteStale", 0) != 0;
    s.fontLockedMs = IniInt(L"StandIn", L"FontLockedMs", 0);
    s.slowDialogOpenMs = IniInt(L"StandIn", L"SlowDialogOpenMs", 0);
    s.modalDialogs = IniInt(L"StandIn", L"ModalDialogs", 1) != 0;
    s.unownedErrorWindow = IniInt(L"StandIn", L"UnownedErrorWindow", 0) != 0;
    s.lateStatusMs = IniInt(L"StandIn", L"LateStatusMs", 0);
    s.enterIgnored = IniInt(L"StandIn", L"EnterIgnored", 0) != 0;
    s.dpiUnaware = IniInt(L"StandIn", L"DpiUnaware", 0) != 0;
    const int smooth = IniInt(L"StandIn", L"SmoothOutlines", 0);
    s.corners = smooth == 1 ? TteCorners::Rounded : smooth == 2 ? TteCorners::Spline : TteCorners::Square;
    if (const std::wstring offset = IniString(L"StandIn", L"GridOffsetUnits"); !offset.empty()) {
        int dx = 0, dy = 0;
        wchar_t extra = 0;
        if (swscanf(offset.c_str(), L"%d , %d %lc", &dx, &dy, &extra) == 2 && std::abs(dx) < 4096 &&
            std::abs(dy) < 4096) {
            s.gridOffsetX = dx;
            s.gridOffsetY = dy;
        } else {
            Log(L"ini bad GridOffsetUnits \"" + offset + L"\"");
        }
    }
    if (const std::wstring scale = IniString(L"StandIn", L"GridScale"); !scale.empty()) {
        wchar_t* end = nullptr;
        const double value = std::wcstod(scale.c_str(), &end);
        if (end != scale.c_str() && *end == L'\0' && value >= 0.5 && value <= 2.0)
            s.gridScale = value;
        else
            Log(L"ini bad GridScale \"" + scale + L"\"");
    }
    Log(L"start size=" + std::to_wstring(s.size) + L" window=" + std::to_wstring(s.mainRect.left) + L"," +
        std::to_wstring(s.mainRect.top) + L"," + std::to_wstring(s.mainRect.right) + L"," +
        std::to_wstring(s.mainRect.bottom) + L" minmax=" + IniString(L"WindowSize", L"MinMaxFlag"));
}

// The code as the current character set writes it: the Unicode code, or the Shift-JIS one.
int DisplayCode(int unicodeCode) {
    if (g.unicode) return unicodeCode;
    const int index = unicodeCode - kFirstCode;
    return ((0xF0 + index / 188) << 8) | (index % 188 < 63 ? 0x40 + index % 188 : 0x41 + index % 188);
}

int CodeCount() { return g.unicode ? kLastCode - kFirstCode + 1 : kSjisCodes; }
int TotalRows() { return (CodeCount() + kColumns - 1) / kColumns; }

void ShowCode(int code) {
    // Part 0 alone holds the code, so that WM_GETTEXT (which reads part 0) sees it as well.
    const std::wstring part0 = L"コード: " + Hex4(DisplayCode(code));
    SendMessageW(g.status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(part0.c_str()));
}

// --- code selection dialog
// ----------------------------------------------------------------------------------
// The grid is a child control that takes the focus when the dialog is activated or clicked; the keys act
// only there. g.selected is a Unicode code; in Shift-JIS mode only the first 1880 codes exist.

int RowOf(int code) { return (code - kFirstCode) / kColumns; }

int LastCode() { return kFirstCode + CodeCount() - 1; }

void KeepSelectionVisible() {
    const int row = RowOf(g.selected);
    if (row < g.topRow) g.topRow = row;
    if (row >= g.topRow + kVisibleRows) g.topRow = row - kVisibleRows + 1;
    g.topRow = std::clamp(g.topRow, 0, TotalRows() - kVisibleRows);
}

// The field above the grid names the selected code in the current character set.
void ShowSelectedCode() {
    if (!g.codeField) return;
    const std::wstring chosen = (g.unicode ? L"Unicode " : L"Shift JIS ") + Hex4(DisplayCode(g.selected));
    SetWindowTextW(g.codeField, chosen.c_str());
}

void MoveSelection(int delta) {
    const int next = g.selected + delta;
    if (next < kFirstCode || next > LastCode()) return;
    g.selected = next;
    KeepSelectionVisible();
    ShowSelectedCode();
}

// A modal dialog's owner takes no input while the dialog is open, and gets it back as the dialog ends.
void DialogOpened() {
    if (g.settings.modalDialogs) EnableWindow(g.main, FALSE);
}
void DialogEnded() {
    if (g.settings.modalDialogs && !g.codeDialog && !g.copyDialog) EnableWindow(g.main, TRUE);
}

// Closes a dialog the way the editor does: at once, or after SlowDialogCloseMs on screen.
void CloseDialogWindow(HWND window) {
    if (g.settings.slowDialogCloseMs > 0) {
        SetTimer(window, kCloseTimer, static_cast<UINT>(g.settings.slowDialogCloseMs), nullptr);
    } else {
        DestroyWindow(window);
    }
}

void CloseCodeDialog(bool ok) {
    if (!g.codeDialog) return;
    HWND dialog = g.codeDialog;
    // From here on this dialog is closing: it no longer takes input, and a new one may open.
    g.codeDialog = nullptr;
    g.grid = nullptr;
    g.codeField = nullptr;
    if (ok) {
        g.code = g.selected;
        Log(L"code " + Hex4(g.code));
        if (g.settings.lateStatusMs > 0) {
            SendMessageW(g.status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
            SetTimer(g.main, kLateStatusTimer, static_cast<UINT>(g.settings.lateStatusMs), nullptr);
        } else {
            ShowCode(g.settings.wrongCode ? (g.code == kLastCode ? kFirstCode : g.code + 1) : g.code);
        }
    } else {
        Log(L"code dialog cancelled");
    }
    DialogEnded();
    CloseDialogWindow(dialog);
    SetForegroundWindow(g.main);
}

LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool live = window == g.grid;  // the grid of a closing dialog takes nothing
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (!live || GetFocus() != window) return 0;
            if (g.settings.slowInputMs > 0) Sleep(static_cast<DWORD>(g.settings.slowInputMs));
            switch (wParam) {
                case VK_NEXT:
                    g.topRow = std::clamp(g.topRow + kVisibleRows, 0, TotalRows() - kVisibleRows);
                    break;
                case VK_PRIOR:
                    g.topRow = std::max(0, g.topRow - kVisibleRows);
                    break;
                case VK_DOWN:
                    MoveSelection(kColumns);
                    break;
                case VK_UP:
                    MoveSelection(-kColumns);
                    break;
                case VK_RIGHT:
                    MoveSelection(1);
                    break;
                case VK_LEFT:
                    MoveSelection(-1);
                    break;
                case VK_RETURN:
                    if (g.settings.enterIgnored) {
                        Log(L"enter kept by the grid");
                        return 0;
                    }
                    PostMessageW(GetParent(window), WM_COMMAND, IDOK, 0);
                    return 0;
                case VK_ESCAPE:
                    PostMessageW(GetParent(window), WM_COMMAND, IDCANCEL, 0);
                    return 0;
                default:
                    return 0;
            }
            InvalidateRect(window, nullptr, TRUE);
            InvalidateRect(GetParent(window), nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN: {
            if (!live) return 0;
            SetFocus(window);
            const int x = static_cast<short>(LOWORD(lParam));
            const int y = static_cast<short>(HIWORD(lParam));
            if (x >= 0 && y >= 0 && x < kColumns * kCellWidth && y < kVisibleRows * kCellHeight) {
                const int code = kFirstCode + (g.topRow + y / kCellHeight) * kColumns + x / kCellWidth;
                if (code <= LastCode()) g.selected = code;
                ShowSelectedCode();
                Log(L"click " + Hex4(code));
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            for (int r = 0; r < kVisibleRows; ++r) {
                const int rowCode = kFirstCode + (g.topRow + r) * kColumns;
                for (int c = 0; c < kColumns; ++c) {
                    RECT cell{c * kCellWidth, r * kCellHeight, (c + 1) * kCellWidth + 1,
                              (r + 1) * kCellHeight + 1};
                    FrameRect(dc, &cell, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
                    if (live && rowCode + c == g.selected) {
                        InflateRect(&cell, -2, -2);
                        FillRect(dc, &cell, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
                    }
                }
            }
            EndPaint(window, &ps);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK CodeDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            // As a dialog does: activation gives the focus back to its control.
            if (LOWORD(wParam) != WA_INACTIVE && window == g.codeDialog && g.grid) SetFocus(g.grid);
            return 0;
        case WM_COMMAND:
            if (window == g.codeDialog && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
                CloseCodeDialog(LOWORD(wParam) == IDOK);
            return 0;
        case WM_CLOSE:
            if (window == g.codeDialog) CloseCodeDialog(false);
            return 0;
        case WM_TIMER:
            KillTimer(window, kCloseTimer);
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            if (window == g.codeDialog) {
                g.codeDialog = nullptr;
                g.grid = nullptr;
                g.codeField = nullptr;
                DialogEnded();
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            SetBkMode(dc, TRANSPARENT);
            SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            for (int r = 0; r < kVisibleRows; ++r) {
                const int rowCode = kFirstCode + (g.topRow + r) * kColumns;
                const std::wstring label = Hex4(DisplayCode(rowCode));
                TextOutW(dc, 8, kGridTop + r * kCellHeight + 3, label.c_str(),
                         static_cast<int>(label.size()));
            }
            EndPaint(window, &ps);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void OpenCodeDialogNow() {
    if (g.codeDialog) {
        SetForegroundWindow(g.codeDialog);
        return;
    }
    g.selected = std::min(g.code, LastCode());
    g.topRow = 0;
    KeepSelectionVisible();
    RECT rc{0, 0, kGridLeft + kColumns * kCellWidth + 16, kGridTop + kVisibleRows * kCellHeight + 16};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&rc, style, FALSE, WS_EX_DLGMODALFRAME);
    g.codeDialog =
        CreateWindowExW(WS_EX_DLGMODALFRAME, kCodeDialogClass, kCodeDialogTitle, style,
                        g.settings.mainRect.left + 20, g.settings.mainRect.top + 20, rc.right - rc.left,
                        rc.bottom - rc.top, g.main, nullptr, GetModuleHandleW(nullptr), nullptr);
    g.grid = CreateWindowExW(0, kGridClass, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, kGridLeft, kGridTop,
                             kColumns * kCellWidth + 1, kVisibleRows * kCellHeight + 1, g.codeDialog, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    g.codeField = CreateWindowExW(0, L"Static", nullptr, WS_CHILD | WS_VISIBLE, kGridLeft, 8, 200, 18,
                                  g.codeDialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCodeFieldId)),
                                  GetModuleHandleW(nullptr), nullptr);
    SendMessageW(g.codeField, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ShowSelectedCode();
    DialogOpened();
    ShowWindow(g.codeDialog, SW_SHOWNORMAL);
    SetForegroundWindow(g.codeDialog);
    SetFocus(g.grid);
    Log(L"code dialog");
}

// The command opens the dialog at once, or SlowDialogOpenMs later.
void OpenCodeDialog() {
    if (g.settings.slowDialogOpenMs > 0 && !g.codeDialog) {
        SetTimer(g.main, kOpenCodeDialogTimer, static_cast<UINT>(g.settings.slowDialogOpenMs), nullptr);
        return;
    }
    OpenCodeDialogNow();
}

// --- copy dialog
// --------------------------------------------------------------------------------------------

LRESULT CALLBACK CopyDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) PostMessageW(window, WM_COMMAND, IDOK, 0);
            if (wParam == VK_ESCAPE) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            return 0;
        case WM_COMMAND:
            if (window == g.copyDialog && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
                Log(LOWORD(wParam) == IDOK ? L"copy dialog ok" : L"copy dialog cancelled");
                g.copyDialog = nullptr;
                DialogEnded();
                CloseDialogWindow(window);
                SetForegroundWindow(g.main);
            }
            return 0;
        case WM_CLOSE:
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            return 0;
        case WM_TIMER:
            KillTimer(window, kCloseTimer);
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            if (window == g.copyDialog) {
                g.copyDialog = nullptr;
                DialogEnded();
            }
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void OpenCopyDialogNow() {
    if (g.copyDialog) return;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    g.copyDialog = CreateWindowExW(WS_EX_DLGMODALFRAME, kCopyDialogClass, kCopyDialogTitle, style,
                                   g.settings.mainRect.left + 30, g.settings.mainRect.top + 30, 260, 120,
                                   g.main, nullptr, GetModuleHandleW(nullptr), nullptr);
    DialogOpened();
    ShowWindow(g.copyDialog, SW_SHOWNORMAL);
    SetForegroundWindow(g.copyDialog);
    Log(L"copy dialog");
}

void OpenCopyDialog() {
    if (g.settings.slowDialogOpenMs > 0 && !g.copyDialog) {
        SetTimer(g.main, kOpenCopyDialogTimer, static_cast<UINT>(g.settings.slowDialogOpenMs), nullptr);
        return;
    }
    OpenCopyDialogNow();
}

// --- paste and save
// -----------------------------------------------------------------------------------------

void Paste() {
    if (g.settings.pasteFailsOnce && ++g.pastes == 1) {
        Log(L"paste failed (injected)");
        return;
    }
    if (!OpenClipboard(g.main)) {
        Log(L"paste: clipboard busy");
        return;
    }
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != sizeof info) {
        CloseClipboard();
        Log(L"paste: no bitmap");
        return;
    }
    const int n = g.settings.size;
    if (info.bmWidth != n || info.bmHeight != n) {
        CloseClipboard();
        Log(L"paste: rejected " + std::to_wstring(info.bmWidth) + L"x" + std::to_wstring(info.bmHeight));
        return;
    }
    // Read the dots as a top-down 1-bit DIB with black as colour 0, whatever the clipboard's format was.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } bi{};
    bi.header.biSize = sizeof bi.header;
    bi.header.biWidth = n;
    bi.header.biHeight = -n;
    bi.header.biPlanes = 1;
    bi.header.biBitCount = 1;
    bi.header.biCompression = BI_RGB;
    bi.colors[1] = RGBQUAD{255, 255, 255, 0};
    const int stride = ((n + 31) / 32) * 4;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * n);
    HDC dc = GetDC(nullptr);
    const int lines =
        GetDIBits(dc, bitmap, 0, n, bits.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    CloseClipboard();
    if (lines != n) {
        Log(L"paste: unreadable bitmap");
        return;
    }
    // GetDIBits may hand back its own colour table; colour 0 is black only when it is the darker one.
    const bool zeroIsBlack = bi.colors[0].rgbRed + bi.colors[0].rgbGreen + bi.colors[0].rgbBlue <=
                             bi.colors[1].rgbRed + bi.colors[1].rgbGreen + bi.colors[1].rgbBlue;
    g.dots.assign(static_cast<std::size_t>(n) * n, 0);
    int black = 0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const bool bit = (bits[static_cast<std::size_t>(y) * stride + x / 8] >> (7 - x % 8)) & 1;
            const bool isBlack = zeroIsBlack ? !bit : bit;
            g.dots[static_cast<std::size_t>(y) * n + x] = isBlack ? 1 : 0;
            black += isBlack ? 1 : 0;
        }
    }
    Log(L"paste " + std::to_wstring(n) + L"x" + std::to_wstring(n) + L" black=" + std::to_wstring(black));
    InvalidateRect(g.main, nullptr, TRUE);
}

std::wstring FontsFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_FONTS, nullptr, 0, path))) return {};
    return path;
}

std::wstring DefaultEudcFont() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"EUDC\\932", 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, L"SystemDefaultEUDCFont", nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    return buffer;
}

// Another process holds the font open without sharing, as a system that has the font loaded may: it
// starts before the save returns and has the file by then.
void HoldFont(const std::filesystem::path& font, int milliseconds) {
    std::wstring command =
        L"\"" + g.exePath + L"\" --hold-font \"" + font.wstring() + L"\" " + std::to_wstring(milliseconds);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        Log(L"font hold not started");
        return;
    }
    CloseHandle(process.hThread);
    // Until the holder has the file (an open without sharing fails), or it ended.
    for (int i = 0; i < 400; ++i) {
        HANDLE file = CreateFileW(font.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) break;
        CloseHandle(file);
        if (WaitForSingleObject(process.hProcess, 25) == WAIT_OBJECT_0) break;
    }
    CloseHandle(process.hProcess);
    Log(L"font held " + std::to_wstring(milliseconds) + L" ms");
}

// The body of "--hold-font PATH MS": holds the file until the time is up or "<exe>.release" appears.
int HoldFontProcess(const std::wstring& path, int milliseconds) {
    // The editor may be looking at the file at this moment: try again for a while.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 500 && file == INVALID_HANDLE_VALUE; ++i) {
        file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE) return 1;
    const std::wstring release = g.exePath + L".release";
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (GetFileAttributesW(release.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(50);
    }
    CloseHandle(file);
    return 0;
}

// Writes the character into the font beside the bitmap file; an empty text on success, else why not.
// `before` is the bitmap file as it was before this save (a new font is made of it), `previous` the
// character's dots before the save.
std::wstring WriteFontGlyph(const std::filesystem::path& font, const std::vector<std::uint8_t>& before,
                            const std::vector<std::uint8_t>& bits,
                            const std::vector<std::uint8_t>& previous) {
    const Settings& s = g.settings;
    const int n = s.size;
    if (s.fontWriteFails) {
        Log(L"font not written (injected)");
        return {};
    }
    const TteOutlineStyle style{s.corners, s.gridScale, s.gridOffsetX, s.gridOffsetY};
    std::string error;
    if (!WriteCharacterToFontFile(font, before, g.code, n, s.fontWriteStale ? previous : bits, style, error))
        return L"cannot write the font: " + std::wstring(error.begin(), error.end());
    Log(std::wstring(L"font ") + Hex4(g.code) + (s.fontWriteStale ? L" written stale" : L" written") +
        (s.corners == TteCorners::Rounded  ? L" rounded"
         : s.corners == TteCorners::Spline ? L" spline"
                                           : L""));
    if (s.fontLockedMs > 0) HoldFont(font, s.fontLockedMs);
    return {};
}

// Writes the grid into the bitmap file and the font; an empty text on success, else why not.
std::wstring WriteGlyph() {
    const std::wstring font = DefaultEudcFont();
    if (font.size() < 4) return L"no default EUDC font";
    const std::filesystem::path path = GetEudcFilePath(font, false, FontsFolder());
    const int n = g.settings.size;
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !CreateEudcBitmapFile(path, n))
        return L"cannot create " + path.wstring();
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(n) * n / 8, 0xFF);
    if (!g.dots.empty()) {
        for (int i = 0; i < n * n; ++i) {
            if (g.dots[static_cast<std::size_t>(i)])
                bits[static_cast<std::size_t>(i / 8)] &= ~(0x80 >> (i % 8));
        }
    }
    std::vector<std::uint8_t> before;
    std::vector<std::uint8_t> previous(bits.size(), 0xFF);
    if (ReadEudcFileBytes(path, before) == kEudcOk) {
        int width = 0, height = 0;
        std::vector<std::uint8_t> stored;
        if (ReadEudcBitmapBytes(before, g.code, width, height, &stored) == kEudcOk &&
            stored.size() == bits.size())
            previous = stored;
    }
    if (!PutEudcBitmapRecord(path, g.code, bits)) return L"cannot write " + path.wstring();
    // A font it cannot write leaves the bitmap file saved and no error window: the save's own proof of the
    // font has to find out.
    const std::wstring fontFailure =
        WriteFontGlyph(GetEudcFilePath(font, true, FontsFolder()), before, bits, previous);
    if (!fontFailure.empty()) Log(L"font not written: " + fontFailure);
    return {};
}

void ShowErrorWindow(const std::wstring& text) {
    // A message box closes on WM_COMMAND 2 and returns only then, so the save command is still running.
    MessageBoxW(g.settings.unownedErrorWindow ? nullptr : g.main, text.c_str(),
                g.settings.errorWindowTitle.c_str(), MB_OK | MB_ICONHAND);
}

void Save() {
    const int attempt = ++g.saveAttempts;
    const std::wstring head = L"save " + std::to_wstring(attempt) + L" " + Hex4(g.code);
    if (g.settings.hangOnSaveMs > 0) {
        Log(head + L" hanging");
        Sleep(static_cast<DWORD>(g.settings.hangOnSaveMs));
    }
    if (g.settings.errorOnEverySave || g.settings.errorAttempts.count(attempt)) {
        Log(head + L" error (injected)");
        ShowErrorWindow(L"外字を保存できませんでした。");
        Log(head + L" error dismissed");
        return;
    }
    const std::wstring failure = WriteGlyph();
    if (!failure.empty()) {
        Log(head + L" failed: " + failure);
        ShowErrorWindow(L"外字を保存できませんでした。\r\n" + failure);
        Log(head + L" error dismissed");
        return;
    }
    Log(head + L" ok");
}

// --- main window
// --------------------------------------------------------------------------------------------

void CreateChildren(HWND window) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (int i = 0; i < 2; ++i) {
        HWND toolbar = CreateWindowExW(
            0, TOOLBARCLASSNAMEW, nullptr,
            WS_CHILD | WS_VISIBLE | CCS_TOP | (i ? CCS_NODIVIDER : 0) | TBSTYLE_FLAT | TBSTYLE_LIST, 0, 0, 0,
            0, window, nullptr, instance, nullptr);
        SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        const wchar_t* labels[2][2] = {{L"コピー", L"貼り付け"}, {L"保存", L"終了"}};
        const int commands[2][2] = {{kCmdCopyDialog, kCmdPaste}, {kCmdSave, kCmdExit}};
        TBBUTTON buttons[2] = {};
        for (int b = 0; b < 2; ++b) {
            buttons[b].iBitmap = I_IMAGENONE;
            buttons[b].idCommand = commands[i][b];
            buttons[b].fsState = TBSTATE_ENABLED;
            buttons[b].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
            buttons[b].iString = reinterpret_cast<INT_PTR>(labels[i][b]);
        }
        SendMessageW(toolbar, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(buttons));
        SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    }
    g.combo = CreateWindowExW(0, L"ComboBox", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL,
                              4, 60, 120, 120, window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), instance, nullptr);
    SendMessageW(g.combo, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SendMessageW(g.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Shift JIS"));
    SendMessageW(g.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Unicode"));
    SendMessageW(g.combo, CB_SETCURSEL, 0, 0);
    g.status =
        CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), instance, nullptr);
    int parts[2] = {120, -1};
    SendMessageW(g.status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageW(g.status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"Shift JIS"));
    ShowCode(g.code);
}

void PaintGrid(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    RECT statusRect{};
    GetWindowRect(g.status, &statusRect);
    const int top = 90;
    const int bottom = client.bottom - (statusRect.bottom - statusRect.top) - 4;
    const int n = g.settings.size;
    const int side =
        std::max(n, std::min(static_cast<int>(client.right) - 140, static_cast<int>(bottom - top)));
    const int left = 134;
    for (int y = 0; y < n && !g.dots.empty(); ++y) {
        for (int x = 0; x < n; ++x) {
            if (!g.dots[static_cast<std::size_t>(y) * n + x]) continue;
            RECT dot{left + x * side / n, top + y * side / n, left + (x + 1) * side / n,
                     top + (y + 1) * side / n};
            FillRect(dc, &dot, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
    }
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 200, 200));
    HGDIOBJ old = SelectObject(dc, pen);
    for (int i = 0; i <= n; i += std::max(1, n / 16)) {
        MoveToEx(dc, left + i * side / n, top, nullptr);
        LineTo(dc, left + i * side / n, top + side);
        MoveToEx(dc, left, top + i * side / n, nullptr);
        LineTo(dc, left + side, top + i * side / n);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateChildren(window);
            return 0;
        case WM_SIZE:
            SendMessageW(g.status, WM_SIZE, 0, 0);
            return 0;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (reinterpret_cast<HWND>(lParam) == g.combo && lParam != 0) {
                if (HIWORD(wParam) == CBN_SELCHANGE) {
                    wchar_t text[64] = {};
                    const LRESULT index = SendMessageW(g.combo, CB_GETCURSEL, 0, 0);
                    if (index != CB_ERR)
                        SendMessageW(g.combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
                    SendMessageW(g.status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text));
                    g.unicode = std::wstring(text) == L"Unicode";
                    ShowCode(g.code);
                    Log(std::wstring(L"charset ") + text);
                }
                return 0;
            }
            switch (id) {
                case kCmdSetup:
                    Log(L"command 32771");
                    return 0;
                case kCmdCodeDialog:
                    Log(L"command 32776");
                    OpenCodeDialog();
                    return 0;
                case kCmdCopyDialog:
                    Log(L"command 32797");
                    OpenCopyDialog();
                    return 0;
                case kCmdPaste:
                    Log(L"command 32779");
                    Paste();
                    return 0;
                case kCmdSave:
                    Log(L"command 32781");
                    Save();
                    return 0;
                case kCmdExit:
                    Log(L"command 57665");
                    if (g.settings.ignoreClose) {
                        Log(L"close ignored");
                        return 0;
                    }
                    DestroyWindow(window);
                    return 0;
            }
            return DefWindowProcW(window, message, wParam, lParam);
        }
        case WM_TIMER:
            KillTimer(window, wParam);
            if (wParam == kOpenCodeDialogTimer) OpenCodeDialogNow();
            if (wParam == kOpenCopyDialogTimer) OpenCopyDialogNow();
            if (wParam == kLateStatusTimer) {
                ShowCode(g.settings.wrongCode ? (g.code == kLastCode ? kFirstCode : g.code + 1) : g.code);
                Log(L"status shows the code");
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            PaintGrid(window, dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_DESTROY:
            Log(L"end");
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = kMainClass;
    RegisterClassExW(&wc);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = CodeDialogProc;
    wc.lpszClassName = kCodeDialogClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = CopyDialogProc;
    wc.lpszClassName = kCopyDialogClass;
    RegisterClassExW(&wc);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = GridProc;
    wc.lpszClassName = kGridClass;
    RegisterClassExW(&wc);
}

// Looked up at run time: Windows 10 1607 and later (and Wine) have them, MinGW's import libraries may not.
template <typename Fn>
Fn User32Entry(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// For the process when it may still choose (a program without a manifest), else for its one window thread:
// either way every window it makes is unaware.
void DeclareDpiUnaware() {
    using SetProcessFn = BOOL(WINAPI*)(HANDLE);
    using SetThreadFn = HANDLE(WINAPI*)(HANDLE);
    const auto unaware = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));  // DPI_AWARENESS_CONTEXT_UNAWARE
    const auto process = User32Entry<SetProcessFn>("SetProcessDpiAwarenessContext");
    const auto thread = User32Entry<SetThreadFn>("SetThreadDpiAwarenessContext");
    const bool done = (process != nullptr && process(unaware)) || (thread != nullptr && thread(unaware));
    Log(done ? L"dpi unaware declared" : L"dpi unaware not declared");
}

// What the system makes of the main window: its awareness (0 unaware, 1 system, 2 per monitor) and DPI.
void LogDpi() {
    using ContextFn = HANDLE(WINAPI*)(HWND);
    using AwarenessFn = int(WINAPI*)(HANDLE);
    using DpiFn = UINT(WINAPI*)(HWND);
    const auto context = User32Entry<ContextFn>("GetWindowDpiAwarenessContext");
    const auto awareness = User32Entry<AwarenessFn>("GetAwarenessFromDpiAwarenessContext");
    const auto dpi = User32Entry<DpiFn>("GetDpiForWindow");
    if (context == nullptr || awareness == nullptr || dpi == nullptr) return;
    Log(L"dpi awareness " + std::to_wstring(awareness(context(g.main))) + L" window dpi " +
        std::to_wstring(dpi(g.main)));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    wchar_t self[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return 1;
    g.exePath = self;
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        const bool hold = argc == 4 && std::wstring(argv[1]) == L"--hold-font";
        const std::wstring font = hold ? argv[2] : L"";
        const int milliseconds = hold ? _wtoi(argv[3]) : 0;
        LocalFree(argv);
        if (hold) return HoldFontProcess(font, milliseconds);
    }
    g.iniPath = std::filesystem::path(g.exePath).replace_filename(L"eudcedit.ini").wstring();
    LoadSettings();
    if (g.settings.dpiUnaware) DeclareDpiUnaware();
    if (g.settings.startDelayMs > 0) Sleep(static_cast<DWORD>(g.settings.startDelayMs));

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterClasses(instance);
    const RECT& r = g.settings.mainRect;
    g.main = CreateWindowExW(0, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!g.main) return 1;
    ShowWindow(g.main, show == SW_HIDE ? SW_SHOWNORMAL : show);
    UpdateWindow(g.main);
    if (g.settings.dpiUnaware) LogDpi();
    if (!g.settings.noStartupDialog) OpenCodeDialog();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

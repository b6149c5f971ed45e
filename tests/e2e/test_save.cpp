// Saving a drawn character through the stand-in system character editor, as the user does it: the
// program steers the editor with real input and the character lands in the EUDC bitmap file; an
// error window on one attempt is dismissed and retried; errors on every attempt and a wrong code
// end in the failure message with the edits kept.
#include "editor_fixture.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <sstream>

#include "editor/matrix_geometry.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/tte_agreement.h"
#include "glyphstore/tte_raster.h"
#include "glyphstore/tte_writer.h"

using namespace e2e;

namespace {

constexpr UINT kSave = 32824;
constexpr char kSaveFailed[] =
    "保存に失敗しました。\r\n外字ｴﾃﾞｨﾀが起動している場合は終了して、もう一度試してみてください。";
// A save steers another program through dialogs, retries and idle waits: give it time.
constexpr Millis kSaveTimeout{120000};

// Where a test's save timeline goes (the diagnostic log of the program under test).
constexpr wchar_t kDiagLog[] = L"prog\\diag.log";

// Where the program keeps its backups: the user's own local application data folder.
std::filesystem::path UserBackupFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path);
    return std::filesystem::path(path) / L"Kanjiforge" / L"backup";
}

class SaveTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        // Only this test's backups are counted (a read-only one, as older builds made of a read-only font,
        // goes too).
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(UserBackupFolder(), error))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(UserBackupFolder(), error);
        prog_ = folder_ / L"prog";
    }

    // Installs the real stand-in with `standIn` lines in its ini section, makes the bitmap file's glyphs
    // `size` dots, opens `code` and draws on it. `settings` are more lines for Kanjiforge.ini.
    void StartAndDraw(const std::wstring& code, std::wstring_view standIn = {}, int size = 64,
                      std::wstring_view settings = {}) {
        code_ = code;
        size_ = size;
        drawn_ = DotPlane(size);
        if (size != 64) {
            std::filesystem::remove(std::filesystem::path(euf_));
            ASSERT_TRUE(CreateEudcBitmapFile(std::filesystem::path(euf_), size));
        }
        editor_ = folder_.CopyIn(WindowsPathFromBuildPath(KF_EUDCEDIT_EXE), L"editor\\eudcedit.exe");
        editorIni_ =
            folder_.WriteText(L"editor\\eudcedit.ini",
                              L"[WindowSize]\r\nMinMaxFlag=0\r\n[StandIn]\r\n" + std::wstring(standIn));
        WriteFileBytes(
            prog_ + L"\\Kanjiforge.ini",
            EncodeText(L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" +
                           editorIni_ + L"\r\nPixSize=6\r\nSaveAns=no\r\nDiagLogFile=" +
                           (folder_ / kDiagLog) + L"\r\n" + std::wstring(settings),
                       TextEncoding::Utf16Bom));
        app_.emplace(Process::Start(prog_ + L"\\Kanjiforge.exe", code));
        main_ = WaitForEditorWindow(*app_);
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(main_) == Title(); }));
        HWND splitter = GetDlgItem(main_, 0xE900);
        view_ = splitter ? GetDlgItem(splitter, 0xE901) : nullptr;
        ASSERT_NE(view_, nullptr);
        ASSERT_TRUE(BringForward(main_)) << DescribeDesktop();
        SetCursorPos(0, 0);  // Wine trusts its cursor position only after one of these

        ASSERT_NO_FATAL_FAILURE(Draw(3, 2));
        mouseBefore_ = MouseSettings();
    }

    // A stroke of the pen from dot (x, 3) down and right; one more history step, `states` in all.
    void Draw(int x, int states) {
        const std::vector<DotPoint> stroke = {{x, 3}, {x, 4}, {x, 5}, {x + 1, 5}, {x + 2, 5}};
        MouseAt(stroke.front(), MOUSEEVENTF_LEFTDOWN);
        for (std::size_t i = 1; i < stroke.size(); ++i) MouseAt(stroke[i], 0);
        MouseAt(stroke.back(), MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(WaitUntil([&] { return HistoryStates() == states; }));
        ASSERT_TRUE(WaitUntil([&] { return WindowText(main_) == Title() + L"-<更新>"; }));
        drawn_ = LatestState();
        // Moves may be merged under load, so only the pressed dot is certain; the save must store
        // whatever the history holds.
        ASSERT_TRUE(drawn_.IsBlack(x, 3));
    }

    void PressCtrlS() {
        INPUT keys[4] = {};
        const WORD order[4][2] = {
            {VK_CONTROL, 0}, {'S', 0}, {'S', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
        for (int i = 0; i < 4; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = order[i][0];
            keys[i].ki.dwFlags = order[i][1];
        }
        SendInput(4, keys, sizeof(INPUT));
    }

    // The save timeline lines the program wrote to its diagnostic log.
    std::string Timeline() const {
        const std::wstring path = folder_ / kDiagLog;
        if (!FileExists(path)) return {};
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        std::string lines;
        std::size_t start = 0;
        const std::string text(bytes.begin(), bytes.end());
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = text.substr(start, end + 1 - start);
            if (line.rfind("Save timeline", 0) == 0) lines += line;
        }
        return lines;
    }

    // Threshold one, threshold two, acceleration and speed: the save changes them for its click
    // and must put them back.
    static std::array<int, 4> MouseSettings() {
        int mouse[3] = {};
        int speed = 0;
        SystemParametersInfoW(SPI_GETMOUSE, 0, mouse, 0);
        SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed, 0);
        return {mouse[0], mouse[1], mouse[2], speed};
    }

    void TearDown() override {
        if (app_) app_->Kill();
        // A stand-in the save left running would make the next test's save refuse to start.
        std::vector<HWND> standIns;
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                if (WindowClass(window) == L"KfEudceditStandIn")
                    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&standIns));
        for (HWND window : standIns) {
            DWORD id = 0;
            GetWindowThreadProcessId(window, &id);
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
                TerminateProcess(process, 1);
                CloseHandle(process);
            }
        }
    }

    std::wstring Title() const { return tte_ + L"　[ CODE= " + code_ + L" ]"; }

    void MouseAt(DotPoint dot, DWORD buttonFlags) {
        SendMouseAtDot(view_, dot, buttonFlags, 6, size_);
        WaitForInputIdle(app_->Handle(), 2000);
        SendMessageW(main_, WM_NULL, 0, 0);
    }

    int HistoryStates() const { return static_cast<int>(HistoryStateFiles(prog_).size()); }

    // The newest history state: the edit bitmap as the stroke left it.
    // The program may still be writing the newest file; read it once it lets go.
    DotPlane LatestState() const {
        std::optional<DotPlane> plane = WaitFor<DotPlane>([&]() -> std::optional<DotPlane> {
            try {
                return LatestHistoryState(prog_, size_);
            } catch (const HarnessError&) {
                return std::nullopt;
            }
        });
        return plane.value_or(DotPlane(size_));
    }

    // Waits, without touching keyboard or mouse, until the save ends: the title loses its modified
    // mark, or a message box appears.
    // `poll`: how often to look (the benchmarks look often, so that their times are not rounded up to it).
    std::optional<MessageBoxInfo> WaitForSaveOutcome(Millis poll = Millis(200)) {
        std::optional<MessageBoxInfo> box;
        WaitUntil(
            [&] {
                if (WindowText(main_) == Title() && IsWindowEnabled(main_)) return true;
                box = WaitForMessageBox(app_->Id(), Millis(0));
                return box.has_value();
            },
            kSaveTimeout, poll);
        return box;
    }

    // Answers the message box the save ends with, expecting this text.
    void ExpectMessage(const std::string& text) {
        std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
        ASSERT_TRUE(box.has_value()) << "no message: " << text;
        EXPECT_EQ(Narrow(box->text), text);
        PressButton(*box, IDOK);
        ASSERT_TRUE(WaitForWindowGone(box->window));
    }

    // The save failed with the edits, their history and the mark kept; `fileUntouched` also checks that
    // nothing was stored for the code.
    void ExpectFailureKeepsTheEdits(bool fileUntouched = true, int states = 2) {
        ASSERT_NO_FATAL_FAILURE(ExpectMessage(kSaveFailed));
        EXPECT_EQ(MouseSettings(), mouseBefore_);
        EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
        // The window is given back once the save's thread has ended, just after its last message.
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
        EXPECT_EQ(HistoryStates(), states);
        if (!fileUntouched) return;
        int width = 0, height = 0;
        std::vector<uint8_t> bits;
        const int result = ReadEudcBitmap(std::filesystem::path(euf_), ParseCode(), width, height, &bits);
        EXPECT_FALSE(result == kEudcOk &&
                     std::equal(bits.begin(), bits.end(), drawn_.Bytes().begin(), drawn_.Bytes().end()))
            << "the drawing was stored";
    }

    void ExpectSaved(int states = 2) {
        std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
        ASSERT_FALSE(box.has_value()) << Narrow(box->text) << "\n" << EditorLog() << Timeline();
        EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title()));
        EXPECT_EQ(MouseSettings(), mouseBefore_);
        EXPECT_TRUE(IsWindowEnabled(main_));
        int width = 0, height = 0;
        std::vector<uint8_t> bits;
        ASSERT_EQ(ReadEudcBitmap(std::filesystem::path(euf_), ParseCode(), width, height, &bits), kEudcOk);
        EXPECT_EQ(width, size_);
        EXPECT_EQ(height, size_);
        EXPECT_TRUE(std::equal(bits.begin(), bits.end(), drawn_.Bytes().begin(), drawn_.Bytes().end()))
            << "the stored glyph is not the drawing";
        // The history stays; only the modified mark went.
        EXPECT_EQ(HistoryStates(), states);
        // The editor wrote the character into the font as well: its own outlines (square corners on the
        // dots' edges unless told otherwise) show exactly the dots, any other agrees with them.
        TteFont font;
        ASSERT_EQ(font.Read(std::filesystem::path(tte_)), kTteOk) << font.Error();
        std::vector<uint8_t> shown;
        ASSERT_EQ(RasterizeCode(font, ParseCode(), size_, shown), kTteOk) << font.Error();
        if (exactFont_) {
            EXPECT_TRUE(std::equal(shown.begin(), shown.end(), drawn_.Bytes().begin(), drawn_.Bytes().end()))
                << "the font's glyph is not the drawing";
        } else {
            const GlyphAgreement agreement =
                CompareGlyphWithDots(font, font.GlyphForCode(ParseCode()), drawn_.Bytes(), size_);
            EXPECT_TRUE(agreement.agrees) << AgreementFigures(agreement);
        }
    }

    static std::vector<std::wstring> Backups() {
        std::vector<std::wstring> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(UserBackupFolder(), error))
            names.push_back(entry.path().filename().wstring());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::wstring RepeatEnv(const wchar_t* name, const wchar_t* fallback) {
        wchar_t value[64] = {};
        return GetEnvironmentVariableW(name, value, 64) ? std::wstring(value) : std::wstring(fallback);
    }
    // Saves the open drawing KF_SAVE_REPEAT times (20 without it) with Ctrl+S, a stroke more before each
    // but the first, printing each time from the key to the cleared mark as seen from outside and as the
    // program measured it, then the median.
    void RepeatSaves(const char* each, const char* summary) {
        const int repeat = std::stoi(RepeatEnv(L"KF_SAVE_REPEAT", L"20"));
        std::vector<int> times;
        int saved = 0;
        for (int i = 0; i < repeat; ++i) {
            if (i > 0) {
                ASSERT_TRUE(BringForward(main_)) << DescribeDesktop();
                ASSERT_NO_FATAL_FAILURE(Draw(3 + 2 * (i % 25), 2 + i));
            }
            ASSERT_TRUE(BringForward(main_)) << DescribeDesktop();
            const auto start = std::chrono::steady_clock::now();
            PressCtrlS();
            std::optional<MessageBoxInfo> box = WaitForSaveOutcome(Millis(5));
            const int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now() - start)
                                                .count());
            int width = 0, height = 0;
            std::vector<uint8_t> bits;
            const bool stored =
                ReadEudcBitmap(std::filesystem::path(euf_), ParseCode(), width, height, &bits) == kEudcOk &&
                std::equal(bits.begin(), bits.end(), drawn_.Bytes().begin(), drawn_.Bytes().end());
            const bool ok = !box && stored && WindowText(main_) == Title();
            saved += ok ? 1 : 0;
            times.push_back(ms);
            std::printf("%s %d: %s %d ms (in the program %s)\n", each, i + 1, ok ? "saved" : "FAILED", ms,
                        LastSaveTime().c_str());
            if (box) {
                std::printf("  message: %s\n", Narrow(box->text).c_str());
                PressButton(*box, IDOK);
                WaitForWindowGone(box->window);
            }
            std::fflush(stdout);
        }
        std::sort(times.begin(), times.end());
        std::printf("%s %d of %d at %s; median %d ms, min %d ms, max %d ms\n", summary, saved, repeat,
                    Narrow(code_).c_str(), times[times.size() / 2], times.front(), times.back());
        RecordProperty("saved", saved);
        RecordProperty("median_ms", times[times.size() / 2]);
        EXPECT_EQ(saved, repeat);
    }

    // Where the time of the saves went: the median of the moment each step was reached, over the saves.
    void PrintStepMedians() {
        std::vector<std::string> steps;
        std::map<std::string, std::vector<int>> reached;
        std::istringstream lines(Timeline());
        for (std::string line; std::getline(lines, line);) {
            int ms = 0;
            char step[128] = {};
            if (std::sscanf(line.c_str(), "Save timeline %d ms %127[^\r\n]", &ms, step) != 2) continue;
            if (reached[step].empty()) steps.push_back(step);
            reached[step].push_back(ms);
        }
        for (const std::string& step : steps) {
            std::vector<int>& at = reached[step];
            std::sort(at.begin(), at.end());
            std::printf("step %-32s median %+6d ms (%zu saves)\n", step.c_str(), at[at.size() / 2],
                        at.size());
        }
    }

    int ParseCode() const { return std::stoi(code_, nullptr, 16); }

    // The program's own measure of its last save, from the command to the cleared mark ("?" before any).
    std::string LastSaveTime() const {
        const std::wstring path = folder_ / kDiagLog;
        if (!FileExists(path)) return "?";
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        const std::string log(bytes.begin(), bytes.end());
        const std::string key = "Save to cleared mark: ";
        const std::size_t at = log.rfind(key);
        if (at == std::string::npos) return "?";
        const std::size_t from = at + key.size();
        return log.substr(from, log.find('\n', from) - from);
    }

    std::string EditorLog() const {
        const std::wstring path = editor_ + L".log";
        if (!FileExists(path)) return {};
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }

    std::wstring prog_;  // the program's folder
    std::wstring code_;
    int size_ = 64;
    std::optional<Process> app_;
    HWND main_ = nullptr;
    HWND view_ = nullptr;
    DotPlane drawn_{64};
    std::array<int, 4> mouseBefore_{};
    bool exactFont_ = true;
};

TEST_F(SaveTest, SavesTheDrawingAtTheFirstCodeThroughTheMenuCommand) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    const auto start = std::chrono::steady_clock::now();
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    // How long a first-attempt save takes, from the command to the title losing its mark.
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("save_ms", static_cast<int>(ms.count()));
    std::printf("first-attempt save: %d ms\n", static_cast<int>(ms.count()));
    const std::string log = EditorLog();
    EXPECT_NE(log.find("save 1 E000 ok\n"), std::string::npos) << log;
    // Where the time went, step by step, in the diagnostic log.
    const std::string timeline = Timeline();
    std::printf("%s", timeline.c_str());
    EXPECT_NE(timeline.find(" ms editor started\n"), std::string::npos) << timeline;
    EXPECT_NE(timeline.find(" ms read-back match\n"), std::string::npos) << timeline;
    EXPECT_NE(timeline.find(" ms saved\n"), std::string::npos) << timeline;
    // The files as they were before the save, kept in the user's own folder.
    const std::vector<std::wstring> backups = Backups();
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[0].rfind(L"EUDC.EUF.", 0), 0u);
    EXPECT_EQ(backups[1].rfind(L"EUDC.TTE.", 0), 0u);
    int width = 0, height = 0;
    EXPECT_EQ(ReadEudcBitmap(UserBackupFolder() / backups[0], ParseCode(), width, height, nullptr),
              kEudcNoCharacter);
}

TEST_F(SaveTest, SavesTheDrawingAtACodeOnTheGridsLastPageWithCtrlS) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"F8C0"));
    PressCtrlS();
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    const std::string log = EditorLog();
    EXPECT_NE(log.find("save 1 F8C0 ok\n"), std::string::npos) << log;
}

TEST_F(SaveTest, AnErrorWindowOnTheFirstAttemptIsDismissedAndTheRetrySaves) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"ErrorOnSaveAttempts=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    const std::string log = EditorLog();
    EXPECT_NE(log.find("save 1 E000 error dismissed\n"), std::string::npos) << log;
    EXPECT_NE(log.find("save 2 E000 ok\n"), std::string::npos) << log;
}

TEST_F(SaveTest, ErrorsOnEveryAttemptEndInTheFailureMessageWithTheEditsKept) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"ErrorOnEverySave=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectFailureKeepsTheEdits());
    const std::string log = EditorLog();
    EXPECT_EQ(log.find("E000 ok\n"), std::string::npos) << log;
    EXPECT_NE(log.find("save 2 E000 error dismissed\n"), std::string::npos) << log;
}

TEST_F(SaveTest, AWrongCodeInTheEditorPastesNothingAndFails) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"WrongCodeAfterNavigation=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectFailureKeepsTheEdits());
    const std::string log = EditorLog();
    EXPECT_EQ(log.find("paste"), std::string::npos) << log;
    EXPECT_EQ(log.find("save "), std::string::npos) << log;
}

TEST_F(SaveTest, ARunningSystemEditorRefusesTheSave) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    Process running = Process::Start(editor_);
    ASSERT_TRUE(WaitUntil([&] { return FindTopLevelWindow(running.Id(), L"KfEudceditStandIn") != nullptr; }));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(
        ExpectMessage("外字ｴﾃﾞｨﾀが既に起動しています。\r\n外字ｴﾃﾞｨﾀの処理を完了後に処理して下さい。"));
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
    EXPECT_EQ(EditorLog().find("save "), std::string::npos);
}

TEST_F(SaveTest, AnEditorThatCannotStartIsReportedTwice) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    // Start-up found the editor; it is gone by the time of the save.
    ASSERT_TRUE(DeleteFileW(editor_.c_str()));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(
        "外字ｴﾃﾞｨﾀが起動できません。\r\n設定を確認し、外字ｴﾃﾞｨﾀのﾌﾟﾛｸﾞﾗﾑﾊﾟｽが正しいか確認して下さい。"));
    ASSERT_NO_FATAL_FAILURE(ExpectFailureKeepsTheEdits());
}

// --- Faults a save must not report as success, hang on, or steer into the wrong window ------------------

TEST_F(SaveTest, APasteTheEditorLostIsAFailedSaveNotASavedOne) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"PasteFailsOnce=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectFailureKeepsTheEdits());
    const std::string log = EditorLog();
    EXPECT_NE(log.find("paste failed (injected)\n"), std::string::npos) << log;
    EXPECT_NE(log.find("save 1 E000 ok\n"), std::string::npos) << log;  // the editor saved its empty grid
    EXPECT_NE(Timeline().find(" ms read-back mismatch\n"), std::string::npos) << Timeline();
}

TEST_F(SaveTest, AStartupDialogThatClosesSlowlyIsNotTakenForTheCodeGrid) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E123", L"SlowDialogCloseMs=1500\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    const std::string log = EditorLog();
    EXPECT_NE(log.find("save 1 E123 ok\n"), std::string::npos) << log;
}

TEST_F(SaveTest, SlowKeysAreAllHandledBeforeTheCodeDialogsOk) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E123", L"SlowInputMs=200\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_NE(EditorLog().find("code E123\n"), std::string::npos) << EditorLog();
}

TEST_F(SaveTest, AHungSaveCommandEndsAtItsTimeoutAsAFailure) {
    ASSERT_NO_FATAL_FAILURE(
        StartAndDraw(L"E000", L"HangOnSaveMs=30000\r\n", 64, L"EudcSaveTimeoutMSec=3000\r\n"));
    const auto start = std::chrono::steady_clock::now();
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    // The editor may still store the glyph once it wakes up; what counts is that the save is not reported.
    ASSERT_NO_FATAL_FAILURE(ExpectFailureKeepsTheEdits(false));
    EXPECT_LT(std::chrono::steady_clock::now() - start, Millis(25000)) << "waited for the hung editor";
    EXPECT_EQ(Setting(L"EudcSaveTimeoutMSec"), L"3000");
    EXPECT_NE(Timeline().find(" ms save command timed out\n"), std::string::npos) << Timeline();
}

TEST_F(SaveTest, AnErrorWindowWithoutTheProgramsNameIsLeftAloneAndTheTimeoutFailsTheSave) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"ErrorOnSaveAttempts=1\r\nErrorWindowTitle=保存エラー\r\n",
                                         64, L"EudcSaveTimeoutMSec=4000\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectFailureKeepsTheEdits());
    // The error window went only with the editor, when it was told to close.
    const std::string log = EditorLog();
    EXPECT_EQ(log.find("save 2 "), std::string::npos) << log;
    EXPECT_LT(log.find("command 57665"), log.find("save 1 E000 error dismissed")) << log;
}

TEST_F(SaveTest, AnotherProgramsWindowWithTheProgramsNameIsNeverTouched) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    // A window of another process (this test) whose title carries the name, like an Explorer window on the
    // install folder.
    HWND other = CreateWindowExW(0, L"STATIC", L"Kanjiforge - フォルダ", WS_OVERLAPPED | WS_VISIBLE, 600, 600,
                                 200, 80, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_TRUE(IsWindow(other));
    EXPECT_EQ(Narrow(WindowText(other)), "Kanjiforge - フォルダ");
    EXPECT_EQ(EditorLog().find("save 2 "), std::string::npos) << EditorLog();
    DestroyWindow(other);
}

TEST_F(SaveTest, AnEditorThatIgnoresItsCloseIsEndedSoTheNextSaveIsNotRefused) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"IgnoreClose=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_NE(EditorLog().find("close ignored\n"), std::string::npos) << EditorLog();
    EXPECT_NE(Timeline().find(" ms editor ended by force\n"), std::string::npos) << Timeline();
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"KfEudceditStandIn", nullptr) == nullptr; }));
    ASSERT_TRUE(BringForward(main_)) << DescribeDesktop();
    ASSERT_NO_FATAL_FAILURE(Draw(10, 3));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved(3));
}

// Editors that behave as the contract allows, all at once: dialogs that appear late and are modal, a status
// bar that shows the code late, a code grid that keeps Enter (the dialog is confirmed with OK once its field
// shows the code).
TEST_F(SaveTest, SlowModalDialogsALateStatusAndAGridThatKeepsEnterStillSave) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(
        L"E123", L"SlowDialogOpenMs=1500\r\nModalDialogs=1\r\nLateStatusMs=1500\r\nEnterIgnored=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    const std::string log = EditorLog();
    EXPECT_NE(log.find("code E123\n"), std::string::npos) << log;
    EXPECT_NE(log.find("status shows the code\n"), std::string::npos) << log;
    EXPECT_NE(log.find("save 1 E123 ok\n"), std::string::npos) << log;
    EXPECT_NE(Timeline().find(" ms code dialog confirmed with OK\n"), std::string::npos) << Timeline();
}

// An editor that declares itself unaware of the screen's DPI: on a screen of 150 % or 200 % (the prefixes of
// the DPI tests run this too) its grid lies where its own coordinates put it once scaled, and the click that
// picks the first cell must land there. The code's cell then comes from the keys after it.
TEST_F(SaveTest, AnEditorUnawareOfTheScreensDpiIsClickedOnItsOwnGrid) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E123", L"DpiUnaware=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    const std::string log = EditorLog();
    EXPECT_NE(log.find("dpi unaware declared\n"), std::string::npos) << log;
    EXPECT_NE(log.find("click E120\n"), std::string::npos) << log;  // the first cell shown
    // What the system made of it (awareness 0 is unaware; its DPI is 96 where its windows are scaled).
    const std::size_t dpi = log.find("dpi awareness");
    if (dpi != std::string::npos)
        std::printf("stand-in: %s\n", log.substr(dpi, log.find('\n', dpi) - dpi).c_str());
    EXPECT_NE(log.find("save 1 E123 ok\n"), std::string::npos) << log;
}

// An error window the editor does not own still counts as one: each attempt's is dismissed, and once the
// attempts are spent the save fails and the editor is ended -- the save command never waits out its timeout.
TEST_F(SaveTest, AnUnownedErrorWindowOnEveryAttemptFailsTheSaveWithoutATimeout) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"UnownedErrorWindow=1\r\nErrorOnEverySave=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectFailureKeepsTheEdits());
    const std::string log = EditorLog();
    EXPECT_NE(log.find("save 11 E000 error dismissed\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("save 12 "), std::string::npos) << log;
    EXPECT_EQ(Timeline().find("timed out"), std::string::npos) << Timeline();
    EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"KfEudceditStandIn", nullptr) == nullptr; }));
}

// The save runs off the window's thread: while the editor hangs in its save command the window answers,
// the progress window names the step and repaints, our windows take no input, and Cancel ends the save
// with the editor gone, nothing reported and the drawing, its history and mark kept.
TEST_F(SaveTest, DuringAHungSaveTheWindowAnswersAndCancelEndsTheSaveKeepingTheDrawing) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"HangOnSaveMs=30000\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    HWND progress = nullptr;
    auto stepText = [&] {
        wchar_t text[128] = {};
        GetDlgItemTextW(progress, 1047, text, 128);
        return std::wstring(text);
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            progress = FindWindowW(L"#32770", L"外字保存中");
            return progress != nullptr && stepText() == L"外字ｴﾃﾞｨﾀで保存しています…" &&
                   EditorLog().find("hanging") != std::string::npos;
        },
        Millis(60000), Millis(50)))
        << Narrow(stepText()) << "\n"
        << EditorLog() << Timeline();

    for (int i = 0; i < 5; ++i) {
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer), 0) << i;
        EXPECT_FALSE(IsWindowEnabled(main_));
        // The progress window repaints what is invalidated.
        RedrawWindow(progress, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        EXPECT_TRUE(WaitUntil([&] { return GetUpdateRect(progress, nullptr, FALSE) == FALSE; }, Millis(2000),
                              Millis(10)))
            << i;
    }

    const auto cancelled = std::chrono::steady_clock::now();
    PostMessageW(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(
        WaitUntil([&] { return !IsWindow(progress) && IsWindowEnabled(main_); }, Millis(10000), Millis(10)));
    const auto took = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - cancelled);
    std::printf("cancel ended the save after %lld ms\n", static_cast<long long>(took.count()));
    EXPECT_LT(took, Millis(5000)) << "the hung editor was waited for";
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"KfEudceditStandIn", nullptr) == nullptr; }));
    EXPECT_FALSE(WaitForMessageBox(app_->Id(), Millis(500)).has_value());
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
    EXPECT_EQ(HistoryStates(), 2);
    EXPECT_EQ(MouseSettings(), mouseBefore_);
    EXPECT_NE(Timeline().find(" ms cancelled\n"), std::string::npos) << Timeline();
    int width = 0, height = 0;
    std::vector<uint8_t> bits;
    const int result = ReadEudcBitmap(std::filesystem::path(euf_), ParseCode(), width, height, &bits);
    EXPECT_FALSE(result == kEudcOk &&
                 std::equal(bits.begin(), bits.end(), drawn_.Bytes().begin(), drawn_.Bytes().end()));
}

TEST_F(SaveTest, TwoEditorsSavingAtOnceTakeTurnsAndEachSteersItsOwnEditor) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    // A second editor of the same installation on another code, with its own drawing.
    Process second = Start(L"E001");
    HWND secondMain = WaitForEditorWindow(second);
    ASSERT_NE(secondMain, nullptr);
    const std::wstring secondTitle = tte_ + L"　[ CODE= E001 ]";
    ASSERT_TRUE(WaitUntil([&] { return WindowText(secondMain) == secondTitle; }));
    HWND splitter = GetDlgItem(secondMain, 0xE900);
    HWND secondView = splitter ? GetDlgItem(splitter, 0xE901) : nullptr;
    ASSERT_NE(secondView, nullptr);
    ASSERT_TRUE(BringForward(secondMain)) << DescribeDesktop();
    for (DWORD flags : {DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) {
        SendMouseAtDot(secondView, {20, 20}, flags);
        WaitForInputIdle(second.Handle(), 2000);
        SendMessageW(secondMain, WM_NULL, 0, 0);
    }
    ASSERT_TRUE(WaitUntil([&] { return WindowText(secondMain) == secondTitle + L"-<更新>"; }));

    PostMessageW(main_, WM_COMMAND, kSave, 0);
    PostMessageW(secondMain, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved(4));  // two history states of each editor
    ASSERT_TRUE(WaitUntil([&] { return WindowText(secondMain) == secondTitle; }, Millis(120000), Millis(200)))
        << "the second save did not end saved: " << Narrow(WindowText(secondMain)) << "\n"
        << EditorLog();
    EXPECT_FALSE(WaitForMessageBox(second.Id(), Millis(0)).has_value());
    int width = 0, height = 0;
    std::vector<uint8_t> bits;
    ASSERT_EQ(ReadEudcBitmap(std::filesystem::path(euf_), 0xE001, width, height, &bits), kEudcOk);
    EXPECT_TRUE(IsBlackDot(bits, 64, 20, 20));
    const std::string log = EditorLog();
    EXPECT_NE(log.find("save 1 E000 ok\n"), std::string::npos) << log;
    EXPECT_NE(log.find("save 1 E001 ok\n"), std::string::npos) << log;
    second.Kill();
}

TEST_F(SaveTest, ABackupThatCannotBeWrittenStopsTheSaveBeforeTheEditorStarts) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    const std::filesystem::path blocked = UserBackupFolder();
    std::filesystem::create_directories(blocked.parent_path());
    WriteFileBytes(blocked.wstring(), {'x'});  // a file where the backup folder goes
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
    std::filesystem::remove(blocked);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text),
              Narrow(L"外字ﾌｧｲﾙのﾊﾞｯｸｱｯﾌﾟが作成できないので保存を中止しました。\r\n" + euf_ +
                     L"\r\nﾊﾞｯｸｱｯﾌﾟ用のﾌｫﾙﾀﾞ「" + blocked.wstring() + L"」が作成できるか確認して下さい。"));
    PressButton(*box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    EXPECT_FALSE(WaitForMessageBox(app_->Id(), Millis(500)).has_value());
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
    EXPECT_EQ(EditorLog(), "");  // the editor never started
}

// An install for all users: its users can write only the settings file and TEMP\ in the program's folder.
// The save still backs the files up, into the user's own folder, and succeeds.
TEST_F(SaveTest, AnInstallForAllUsersSavesWithItsBackupsInTheUsersOwnFolder) {
    prog_ = WindowsPathFromBuildPath(KF_READONLY_INSTALL_DIR);
    const std::wstring probe = prog_ + L"\\backup";
    if (CreateDirectoryW(probe.c_str(), nullptr)) {
        RemoveDirectoryW(probe.c_str());
        GTEST_SKIP() << "the program's folder could not be made read-only here";
    }
    // History left by an earlier run of this test in the shared folder.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(prog_) / L"TEMP"))
        std::filesystem::remove_all(entry.path());
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E001"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(probe)));
    const std::vector<std::wstring> backups = Backups();
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[0].rfind(L"EUDC.EUF.", 0), 0u);
    EXPECT_EQ(backups[1].rfind(L"EUDC.TTE.", 0), 0u);
}

// The same through the installer's own install for all users (under Wine its user may write everywhere, so
// this shows where the backups go, not what is refused): they go to the user's folder, never beside the
// program.
TEST_F(SaveTest, TheInstallersInstallForAllUsersKeepsItsBackupsInTheUsersOwnFolder) {
    const std::wstring setup = SetupExePath();
    if (setup.empty()) GTEST_SKIP() << "KF_SETUP_EXE is not set (scripts/test packages and sets it)";
    constexpr wchar_t kUninstallKey[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kanjiforge";
    prog_ = folder_ / L"installed";
    Process install = Process::Start(setup, L"/AllUsers /S /D=" + prog_);
    ASSERT_EQ(install.WaitForExit(Millis(120000)), 0u) << "the installer did not finish";
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E001"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(prog_) / L"backup"));
    const std::vector<std::wstring> backups = Backups();
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[0].rfind(L"EUDC.EUF.", 0), 0u);
    EXPECT_EQ(backups[1].rfind(L"EUDC.TTE.", 0), 0u);

    PostMessageW(main_, WM_CLOSE, 0, 0);
    app_->WaitForExit();
    app_.reset();
    Process uninstall = Process::Start(prog_ + L"\\Uninstall.exe", L"/AllUsers /S");
    EXPECT_TRUE(WaitUntil(
        [&] {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
                return !FileExists(prog_ + L"\\Kanjiforge.exe");
            RegCloseKey(key);
            return false;
        },
        Millis(120000)));
    uninstall.WaitForExit(Millis(30000));
}

TEST_F(SaveTest, ACodeChosenAtSaveBecomesTheDocumentsCodeOnlyWhenTheSaveSucceeds) {
    constexpr int kCodeEdit = 1016;
    auto codeDialog = [&]() -> HWND {
        HWND found = nullptr;
        WaitUntil([&] {
            for (HWND window : TopLevelWindows(app_->Id()))
                if (WindowClass(window) == L"#32770" && GetDlgItem(window, kCodeEdit)) found = window;
            return found != nullptr;
        });
        return found;
    };
    code_ = L"E005";
    editor_ = folder_.CopyIn(WindowsPathFromBuildPath(KF_EUDCEDIT_EXE), L"editor\\eudcedit.exe");
    editorIni_ =
        folder_.WriteText(L"editor\\eudcedit.ini",
                          L"[WindowSize]\r\nMinMaxFlag=0\r\n[StandIn]\r\nWrongCodeAfterNavigation=1\r\n");
    WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                  L"\r\nPixSize=6\r\nSaveAns=no\r\n");
    app_.emplace(Start());
    main_ = WaitForEditorWindow(*app_);
    ASSERT_NE(main_, nullptr);
    // No code on the command line: the code dialog asks at start; without one the drawing has no code.
    HWND dialog = codeDialog();
    ASSERT_NE(dialog, nullptr);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    HWND splitter = GetDlgItem(main_, 0xE900);
    view_ = splitter ? GetDlgItem(splitter, 0xE901) : nullptr;
    ASSERT_NE(view_, nullptr);
    ASSERT_TRUE(BringForward(main_)) << DescribeDesktop();
    SetCursorPos(0, 0);
    const std::wstring blank = WindowText(main_);
    MouseAt({3, 3}, MOUSEEVENTF_LEFTDOWN);
    MouseAt({3, 3}, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitUntil([&] { return HistoryStates() == 2 && WindowText(main_) != blank; }));
    const std::wstring modified = WindowText(main_);

    // The save asks where to save; the editor then fails.
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    dialog = codeDialog();
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, kCodeEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"E005"));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(kSaveFailed));
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(modified));

    // The drawing still has no code: the next save asks again.
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    dialog = codeDialog();
    ASSERT_NE(dialog, nullptr) << "the failed save's code was kept";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
}

// --- Glyph sizes other than 64 -------------------------------------------------------------------------

// A saved character keeps its history: undo goes back past the save, and that is an edit again.
TEST_F(SaveTest, UndoStaysPossibleAfterASuccessfulSave) {
    constexpr UINT kUndo = 57643;
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    PostMessageW(main_, WM_COMMAND, kUndo, 0);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main_) == Title() + L"-<更新>"; }))
        << "undo after the save: " << Narrow(WindowText(main_));
    EXPECT_EQ(HistoryStates(), 2) << "undo keeps the states";
}

// Yes to the question before the next code saves the edits, then opens the next code.
TEST_F(SaveTest, YesBeforeTheNextCodeSavesThenOpens) {
    constexpr UINT kNextCode = 32798;
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000"));
    PostMessageW(main_, WM_COMMAND, kNextCode, 0);
    std::optional<MessageBoxInfo> box = WaitForMessageBox(app_->Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text), "現在のｺｰﾄﾞに編集が加えられています。\r\n保存しますか？");
    PressButton(*box, IDYES);
    const std::wstring next = tte_ + L"　[ CODE= E001 ]";
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main_) == next; }, kSaveTimeout, Millis(200)))
        << Narrow(WindowText(main_)) << "\n"
        << EditorLog();
    int width = 0, height = 0;
    std::vector<uint8_t> bits;
    ASSERT_EQ(ReadEudcBitmap(std::filesystem::path(euf_), 0xE000, width, height, &bits), kEudcOk);
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), drawn_.Bytes().begin(), drawn_.Bytes().end()))
        << "E000 was saved before E001 opened";
}

TEST_F(SaveTest, SavesAGlyphOf48Dots) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E0C5", {}, 48));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_NE(EditorLog().find("paste 48x48 "), std::string::npos) << EditorLog();
}

TEST_F(SaveTest, SavesAGlyphOf24DotsWhoseRowsAreThreeBytes) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", {}, 24));
    // Dots in every byte of a row, so that a wrong row stride shows.
    ASSERT_NO_FATAL_FAILURE(Draw(14, 3));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved(3));
    EXPECT_NE(EditorLog().find("paste 24x24 "), std::string::npos) << EditorLog();
}

// --- Repeated saves, for the benchmark and the reliability count (run on request) ----------------------
// KF_SAVE_REPEAT=N (default 20) saves, each after a new stroke, at KF_SAVE_CODE (default F8C0), started with
// Ctrl+S; prints the time of each from the key to the cleared mark, the median, and "saved K of N".
TEST_F(SaveTest, DISABLED_RepeatedSaves) {
    const std::wstring code = RepeatEnv(L"KF_SAVE_CODE", L"F8C0");
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(code));
    ASSERT_NO_FATAL_FAILURE(RepeatSaves("save", "saved"));
    PrintStepMedians();
}

// --- The font: the save proves the EUDC font as well, whatever the editor does with it ---------------------

class FontSaveTest : public SaveTest {
  protected:
    // The message of a save that the font did not prove, for this test's font and `reason`.
    std::string FontFailure(const std::wstring& reason) const {
        return Narrow(L"外字ﾌｫﾝﾄへの保存が確認できないので、保存に失敗しました。\r\n" + tte_ + L"\r\n" +
                      reason + L"\r\n編集内容はそのまま残っています。");
    }
    // A real font made from the bitmap file, with a character already at `code`.
    void FontWithCharacter(int code) {
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(euf_), code, DotPlane(64).Bytes()));
        DotPlane bar(64);
        for (int x = 10; x < 50; ++x) bar.SetDot(x, 40, true);
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(euf_), code, bar.Bytes()));
        const std::vector<uint8_t> bitmap = ReadFileBytes(euf_);
        std::vector<uint8_t> font;
        std::string error;
        ASSERT_EQ(BuildTteFontFromEudc(bitmap, TteTimeNow(), font, error), kTteOk) << error;
        WriteFileBytes(tte_, font);
    }
    std::string DiagLog() const {
        const std::wstring path = folder_ / kDiagLog;
        if (!FileExists(path)) return {};
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(FontSaveTest, AFontTheEditorDidNotWriteFailsTheSaveWithItsReasonAndKeepsTheEdits) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"FontWriteFails=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    // The placeholder font was left as it was: not a font.
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(FontFailure(L"外字ﾌｫﾝﾄが読めません。Err=[11]")));
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
    EXPECT_EQ(HistoryStates(), 2);
    EXPECT_NE(EditorLog().find("font not written (injected)"), std::string::npos);
    EXPECT_NE(DiagLog().find("Font proof E000: font unreadable result=11"), std::string::npos) << DiagLog();
}

TEST_F(FontSaveTest, AStaleGlyphIsNotTakenForTheNewOne) {
    ASSERT_NO_FATAL_FAILURE(FontWithCharacter(0xE005));
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E005", L"FontWriteStale=1\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(FontFailure(L"外字ﾌｫﾝﾄのｺｰﾄﾞE005の文字が保存前のままです。")));
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
    EXPECT_NE(EditorLog().find("font E005 written stale"), std::string::npos) << EditorLog();
}

TEST_F(FontSaveTest, OutlinesOfTheEditorsOwnPlacedItsOwnWayAreAccepted) {
    exactFont_ = false;
    ASSERT_NO_FATAL_FAILURE(FontWithCharacter(0xE010));
    ASSERT_NO_FATAL_FAILURE(
        StartAndDraw(L"E010", L"SmoothOutlines=1\r\nGridOffsetUnits=40,-25\r\nGridScale=0.9\r\n"));
    PressCtrlS();
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_NE(EditorLog().find("font E010 written rounded"), std::string::npos) << EditorLog();
    EXPECT_NE(DiagLog().find("Font proof E010: proved result=0 written agrees"), std::string::npos)
        << DiagLog();
    EXPECT_NE(DiagLog().find(" fitted scale="), std::string::npos) << DiagLog();
}

TEST_F(FontSaveTest, AFontTheSystemHoldsForAMomentIsReadOnceItIsLetGo) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"FontLockedMs=700\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    EXPECT_NE(EditorLog().find("font held 700 ms"), std::string::npos) << EditorLog();
}

TEST_F(FontSaveTest, AFontHeldPastTheWaitFailsTheSaveAsHeld) {
    // Held until the test lets it go: longer than any wait of the save.
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"FontLockedMs=600000\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    const std::string expected = FontFailure(L"外字ﾌｫﾝﾄが他のﾌﾟﾛｸﾞﾗﾑに使用されていて読めません。");
    std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
    folder_.WriteText(L"editor\\eudcedit.exe.release", L"");
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text), expected);
    PressButton(*box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
}

TEST_F(FontSaveTest, WarnCompletesTheSaveWithItsReasonAndOffDoesNotLook) {
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(L"E000", L"FontWriteFails=1\r\n", 64, L"FontProof=warn\r\n"));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text),
              Narrow(L"ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙへの保存は完了しましたが、外字ﾌｫﾝﾄへの保存は確認できませんでした。\r\n" +
                     tte_ + L"\r\n外字ﾌｫﾝﾄが読めません。Err=[11]"));
    EXPECT_EQ(ToString(box->icon), std::string(ToString(MessageBoxIcon::Exclamation)));
    PressButton(*box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main_) == Title(); }));  // saved: the mark went

    // Off: the next save does not look at the font at all.
    folder_.WriteText(L"prog\\Kanjiforge.ini", L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ +
                                                   L"\r\nGaijiEditorIniPath=" + editorIni_ +
                                                   L"\r\nPixSize=6\r\nSaveAns=no\r\nDiagLogFile=" +
                                                   (folder_ / kDiagLog) + L"\r\nFontProof=off\r\n");
    SetForegroundWindow(main_);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main_; }));
    ASSERT_NO_FATAL_FAILURE(Draw(20, 3));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    box = WaitForSaveOutcome();
    EXPECT_FALSE(box.has_value()) << Narrow(box ? box->text : L"");
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title()));
    EXPECT_NE(DiagLog().find("Font proof off (Code=E000)"), std::string::npos) << DiagLog();
}

}  // namespace

// --- The direct save: the program writes the pair itself -------------------------------------------------

class DirectSaveTest : public FontSaveTest {
  protected:
    // A real pair with a character at `code`, the direct save switched on, `code` opened and drawn on.
    void StartDirect(const std::wstring& code, std::wstring_view settings = {}) {
        ASSERT_NO_FATAL_FAILURE(FontWithCharacter(std::stoi(code, nullptr, 16)));
        before_ = {ReadFileBytes(euf_), ReadFileBytes(tte_)};
        ASSERT_NO_FATAL_FAILURE(
            StartAndDraw(code, {}, 64, L"SaveMethod=direct\r\n" + std::wstring(settings)));
    }
    // What `euftool check` reports of the pair: every character of the bitmap file shown by the font.
    void ExpectPairClean() const {
        TteFont font;
        ASSERT_EQ(font.Read(std::filesystem::path(tte_)), kTteOk) << font.Error();
        PairCheck check;
        std::string error;
        ASSERT_TRUE(CheckEudcPair(ReadFileBytes(euf_), font, check, error)) << error;
        EXPECT_TRUE(check.problems.empty()) << PairProblemName(check.problems.front().kind);
        EXPECT_EQ(check.agreeing, check.bitmapCodes);
        for (const std::wstring& left : {euf_ + L".kf-new", tte_ + L".kf-new", euf_ + L".kf-journal"})
            EXPECT_FALSE(FileExists(left)) << Narrow(left);
    }
    std::string DirectFailure(const std::wstring& file, const std::wstring& reason) const {
        return Narrow(L"外字ﾌｧｲﾙに直接保存できませんでした。ﾌｧｲﾙは変更されていません。\r\n" + file + L"\r\n" +
                      reason + L"\r\n外字ｴﾃﾞｨﾀを使って保存しますか?");
    }
    // The question of a direct save that could not be done, answered No: nothing saved, nothing changed.
    void ExpectRefusedUnchanged(const std::string& expected) {
        std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
        ASSERT_TRUE(box.has_value()) << DiagLog();
        EXPECT_EQ(Narrow(box->text), expected);
        EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDYES, IDNO}));
        PressButton(*box, IDNO);
        ASSERT_TRUE(WaitForWindowGone(box->window));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
        EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
        EXPECT_EQ(ReadFileBytes(euf_), before_[0]);
        EXPECT_EQ(ReadFileBytes(tte_), before_[1]);
        EXPECT_EQ(EditorLog(), "") << "the system character editor was started";
    }
    // The program ends after `step` of a direct save (the test hook), as a crash would leave the files, and
    // is started again: the pair agrees, holding the drawing only when the journal had named it.
    void StopAndRestart(int step) {
        ASSERT_NO_FATAL_FAILURE(
            StartDirect(L"E000", L"DirectSaveTestStop=" + std::to_wstring(step) + L"\r\n"));
        PostMessageW(main_, WM_COMMAND, kSave, 0);
        ASSERT_TRUE(app_->WaitForExit(kSaveTimeout).has_value()) << DiagLog();
        EXPECT_EQ(FileExists(euf_ + L".kf-journal"), step >= 4);

        WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                      L"\r\nDiagLogFile=" + (folder_ / kDiagLog) + L"\r\n");
        app_.emplace(Start(code_));
        main_ = WaitForEditorWindow(*app_);
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(main_) == Title(); }));
        ASSERT_NO_FATAL_FAILURE(ExpectPairClean());
        EXPECT_NE(DiagLog().find("Direct save recovery"), std::string::npos) << DiagLog();
        int width = 0, height = 0;
        std::vector<uint8_t> bits;
        ASSERT_EQ(ReadEudcBitmap(std::filesystem::path(euf_), ParseCode(), width, height, &bits), kEudcOk);
        const bool saved = std::equal(bits.begin(), bits.end(), drawn_.Bytes().begin(), drawn_.Bytes().end());
        EXPECT_EQ(saved, step >= 4);
        if (!saved) {
            EXPECT_EQ(ReadFileBytes(euf_), before_[0]);
        }
    }
    void TearDown() override {
        SaveTest::TearDown();
        SetFileAttributesW(tte_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::array<std::vector<uint8_t>, 2> before_;
};

constexpr UINT kDirectSave = 32827;

TEST_F(DirectSaveTest, SavesBothFilesWithoutTheEditorKeepsUndoAndTheMenuSwitchesTheMethod) {
    ASSERT_NO_FATAL_FAILURE(StartDirect(L"E000"));
    // Another program's top-level window, hidden as many are: the font change must reach it.
    static int fontChanges = 0;
    fontChanges = 0;
    WNDCLASSW listener = {};
    listener.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_FONTCHANGE) ++fontChanges;
        return DefWindowProcW(window, message, wParam, lParam);
    };
    listener.hInstance = GetModuleHandleW(nullptr);
    listener.lpszClassName = L"KfFontChangeListener";
    RegisterClassW(&listener);
    const HWND other = CreateWindowExW(0, listener.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                       nullptr, listener.hInstance, nullptr);
    ASSERT_NE(other, nullptr);
    const auto start = std::chrono::steady_clock::now();
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectSaved());
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("direct save: %d ms\n", static_cast<int>(ms.count()));
    ASSERT_NO_FATAL_FAILURE(ExpectPairClean());
    EXPECT_EQ(EditorLog(), "") << "the system character editor was started";
    EXPECT_EQ(Backups().size(), 2u);
    const std::string log = DiagLog();
    for (const char* step : {"bitmap file written beside and read back", "font written beside and read back",
                             "bitmap file replaced", "font replaced", "EnableEUDC(FALSE)", "EnableEUDC(TRUE)",
                             "WM_FONTCHANGE broadcast sent"})
        EXPECT_NE(log.find(step), std::string::npos) << step << "\n" << log;
    EXPECT_TRUE(WaitUntil([] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        return fontChanges == 1;
    })) << fontChanges;
    DestroyWindow(other);

    constexpr UINT kUndo = 57643;
    PostMessageW(main_, WM_COMMAND, kUndo, 0);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main_) == Title() + L"-<更新>"; }));
    EXPECT_EQ(HistoryStates(), 2);

    // The File menu's item switches the method and stores it.
    SendMessageW(main_, WM_COMMAND, kDirectSave, 0);
    EXPECT_EQ(Setting(L"SaveMethod").value_or(L""), L"editor");
    SendMessageW(main_, WM_COMMAND, kDirectSave, 0);
    EXPECT_EQ(Setting(L"SaveMethod").value_or(L""), L"direct");
}

TEST_F(DirectSaveTest, AFontHeldByAnotherProgramEndsWithItsQuestionAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartDirect(L"E000"));
    // This process holds the font as the system does: others may read it, nobody may replace it.
    HANDLE held =
        CreateFileW(tte_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
    CloseHandle(held);
    ASSERT_TRUE(box.has_value()) << DiagLog();
    EXPECT_EQ(Narrow(box->text), DirectFailure(tte_, L"ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑに使用されています。"));
    PressButton(*box, IDNO);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
    EXPECT_EQ(Narrow(WindowText(main_)), Narrow(Title() + L"-<更新>"));
    EXPECT_EQ(ReadFileBytes(euf_), before_[0]);
    EXPECT_EQ(ReadFileBytes(tte_), before_[1]);
    ASSERT_NO_FATAL_FAILURE(ExpectPairClean());
}

TEST_F(DirectSaveTest, AReadOnlyFontOrAWriteTheFileSystemRefusesChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartDirect(L"E000"));
    ASSERT_TRUE(SetFileAttributesW(tte_.c_str(), FILE_ATTRIBUTE_READONLY));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    ASSERT_NO_FATAL_FAILURE(
        ExpectRefusedUnchanged(DirectFailure(tte_, L"ﾌｧｲﾙまたはﾌｫﾙﾀﾞへの書き込みが許可されていません。")));
    // Its backup is an ordinary file, which the pruning of old backups can remove.
    ASSERT_FALSE(Backups().empty());
    for (const std::wstring& backup : Backups())
        EXPECT_EQ(GetFileAttributesW((UserBackupFolder() / backup).c_str()) & FILE_ATTRIBUTE_READONLY, 0u)
            << Narrow(backup);
    SetFileAttributesW(tte_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_NO_FATAL_FAILURE(ExpectPairClean());

    // The new bitmap file cannot be written: a folder stands where it would go.
    ASSERT_TRUE(CreateDirectoryW((euf_ + L".kf-new").c_str(), nullptr));
    PostMessageW(main_, WM_COMMAND, kSave, 0);
    std::optional<MessageBoxInfo> box = WaitForSaveOutcome();
    ASSERT_TRUE(box.has_value()) << DiagLog();
    EXPECT_EQ(Narrow(box->text), DirectFailure(euf_, L"ﾌｧｲﾙまたはﾌｫﾙﾀﾞへの書き込みが許可されていません。"));
    PressButton(*box, IDNO);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    RemoveDirectoryW((euf_ + L".kf-new").c_str());
    EXPECT_EQ(ReadFileBytes(euf_), before_[0]);
    EXPECT_EQ(ReadFileBytes(tte_), before_[1]);
}

TEST_F(DirectSaveTest, ASaveCutShortBeforeItNamedThePairLeavesTheOldPairAtTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(StopAndRestart(3));
}

TEST_F(DirectSaveTest, ASaveCutShortAfterTheBitmapFileWasReplacedIsFinishedAtTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(StopAndRestart(5));
}

// The direct save's time on a full pair (6,400 characters of 64 dots), from Ctrl+S to the cleared mark, as
// scripts/save-repeat measures the steered one (KF_SAVE_REPEAT saves at KF_SAVE_CODE).
TEST_F(DirectSaveTest, DISABLED_RepeatedDirectSaves) {
    const std::wstring code = RepeatEnv(L"KF_SAVE_CODE", L"F8C0");
    std::vector<uint8_t> bitmap = MakeEudcBitmapFileBytes(64);
    for (int c = kEudcFirst; c <= kEudcLast; ++c) {
        DotPlane glyph(64);
        for (int x = 4; x < 60; ++x) glyph.SetDot(x, 4 + (c % 56), true);
        for (int y = 4; y < 60; ++y) glyph.SetDot(4 + (c / 56) % 56, y, true);
        ASSERT_TRUE(PutEudcBitmapRecordBytes(bitmap, c, glyph.Bytes()));
    }
    std::vector<uint8_t> font;
    std::string error;
    ASSERT_EQ(BuildTteFontFromEudc(bitmap, TteTimeNow(), font, error), kTteOk) << error;
    WriteFileBytes(euf_, bitmap);
    WriteFileBytes(tte_, font);
    ASSERT_NO_FATAL_FAILURE(StartAndDraw(code, {}, 64, L"SaveMethod=direct\r\n"));
    ASSERT_NO_FATAL_FAILURE(RepeatSaves("direct save", "direct saved"));
    std::printf("%s", Timeline().c_str());
    ASSERT_NO_FATAL_FAILURE(ExpectPairClean());
}

#include <gtest/gtest.h>

#include "call_sequence.h"
#include "font_test_support.h"
#include "scripted_desktop.h"

namespace {

TEST(CodeGrid, PagesRowsAndColumnsWithTheLastPageCap) {
    const std::map<int, CodeGridMoves> cases = {
        {0xE000, {0, 0, 0}},   {0xE05F, {0, 5, 15}}, {0xE060, {1, 0, 0}},  {0xE123, {3, 0, 3}},
        {0xF85F, {64, 5, 15}}, {0xF860, {65, 0, 0}}, {0xF8C0, {65, 6, 0}}, {0xF8FF, {65, 9, 15}},
    };
    for (const auto& [code, moves] : cases) EXPECT_EQ(CodeGridMovesFor(code), moves) << std::hex << code;
    EXPECT_EQ(CodeGridMovesFor(0x41), CodeGridMoves{});
}

TEST(CodeGrid, OneInputStreamWithTheClickAndEnterLastBringsTheEditorToEachCode) {
    for (int code : {0xE000, 0xE05F, 0xE060, 0xE123, 0xF85F, 0xF860, 0xF8C0, 0xF8FF}) {
        SCOPED_TRACE(FormatCodeText(code).c_str());
        Scenario run;
        run.Save(FormatCodeText(code).c_str());
        const CodeGridMoves m = CodeGridMovesFor(code);
        std::vector<int> keys;
        auto press = [&](int vk, int times) { keys.insert(keys.end(), 2 * times, vk); };
        press(kVkPageDown, m.pages);
        press(kVkDown, m.rows);
        press(kVkRight, m.columns);
        press(kVkReturn, 1);
        std::vector<int> sentKeys;
        std::size_t mouseAt = SIZE_MAX;
        for (std::size_t i = 0; i < run.desktop.inputs.size(); ++i) {
            const InputEvent& e = run.desktop.inputs[i];
            if (e.key) sentKeys.push_back(e.virtualKey);
            if (!e.key && mouseAt == SIZE_MAX) mouseAt = i;
            if (!e.key) {
                EXPECT_TRUE(e.flags & kMouseEventAbsolute);
            }
        }
        EXPECT_EQ(sentKeys, keys);
        EXPECT_EQ(mouseAt, static_cast<std::size_t>(2 * m.pages));  // the click after the pages
        EXPECT_EQ(run.desktop.inputs.back(), Key(kVkReturn, kKeyEventKeyUp));
        EXPECT_EQ(run.desktop.Posted(kCodeDlg, kIdOk), 0);  // no posted OK to overtake the keys
        EXPECT_NEAR(run.desktop.click.x, 68 + kDialogOrigin.x, 1);
        EXPECT_NEAR(run.desktop.click.y, 43 + kDialogOrigin.y, 1);
        EXPECT_EQ(run.desktop.mouse, kUserMouse);
        EXPECT_EQ(run.desktop.inputsWithoutFront, 0);
        EXPECT_EQ(run.result, SaveResult::Saved);
        EXPECT_EQ(run.Stored(code), Glyph());
    }
    EXPECT_EQ(NormalizedMouseCoordinate(0, 0, 1280), 0);
    EXPECT_EQ(NormalizedMouseCoordinate(1279, 0, 1280), 65535);
    EXPECT_EQ(NormalizedMouseCoordinate(5000, 0, 1280), 65535);
    // A desktop whose left monitor lies at negative coordinates: the primary's origin is mid-way.
    EXPECT_EQ(NormalizedMouseCoordinate(-1920, -1920, 3841), 0);
    EXPECT_EQ(NormalizedMouseCoordinate(0, -1920, 3841), 32768);
    EXPECT_EQ(NormalizedMouseCoordinate(-5000, -1920, 3841), 0);
}

TEST(PrepareAndLaunch, WritesTheEditorIniAndStartsTheConfiguredProgram) {
    Scenario run;
    run.Save();
    auto ini = [&](const wchar_t* section, const wchar_t* key) {
        return run.desktop.ini[{L"C:\\W\\eudcedit.ini", section, key}];
    };
    EXPECT_EQ(ini(L"WindowSize", L"MinMaxFlag"), L"0");
    EXPECT_EQ(ini(L"WindowSize", L"MainWindowSize"), L"28 24 431 235");
    EXPECT_EQ(ini(L"Bitmap", L"BitmapSize"), L"16");
    EXPECT_EQ(run.settings.Get(L"GaijiEditorMainWindowMiniSize"), L"28 24 431 235");
    EXPECT_EQ(run.desktop.commandLine, L"C:\\W\\eudcedit.exe");
    EXPECT_EQ(run.desktop.handlesClosed, 1);
    EXPECT_EQ(run.settings.Get(L"EudcSaveTimeoutMSec"), L"60000");
    EXPECT_EQ(run.desktop.saveTimeouts, std::vector<int>{60000});

    Scenario blanks;  // a path with blanks is one program, not a program and its arguments
    blanks.settings.Set(L"GaijiEditorPath", L"C:\\Program Files\\eudcedit.exe");
    blanks.settings.Set(L"EudcSaveTimeoutMSec", L"9000");
    blanks.Save();
    EXPECT_EQ(blanks.desktop.commandLine, L"\"C:\\Program Files\\eudcedit.exe\"");
    EXPECT_EQ(blanks.desktop.saveTimeouts, std::vector<int>{9000});
    EXPECT_EQ(EditorCommandLine(L"\"C:\\A B\\e.exe\""), L"\"C:\\A B\\e.exe\"");

    Scenario xp;
    xp.desktop.osVersion = {5, 1};
    xp.Save();
    EXPECT_EQ(xp.settings.Get(L"GaijiEditorMainWindowMiniSize"), L"28 24 431 251");
    EXPECT_EQ((xp.desktop.ini[{L"C:\\W\\eudcedit.ini", L"WindowSize", L"MainWindowSize"}]), L"28 24 431 251");

    Scenario own;
    own.settings.Set(L"GaijiEditorMainWindowMiniSize", L"1 2 300 400");
    own.Save();
    EXPECT_EQ((own.desktop.ini[{L"C:\\W\\eudcedit.ini", L"WindowSize", L"MainWindowSize"}]), L"1 2 300 400");
}

TEST(PrepareAndLaunch, RefusesARunningEditorASecondLaunchAndABadCode) {
    Scenario running;
    running.desktop.editorAlreadyRunning = true;
    running.Save();
    EXPECT_FALSE(running.launched);
    EXPECT_TRUE(running.desktop.ini.empty());
    EXPECT_TRUE(running.desktop.commandLine.empty());

    Scenario twice;
    CEudcEditManipulater saver(twice.desktop, twice.settings, 16);
    EXPECT_TRUE(saver.PrepareAndLaunch(L"E000"));
    twice.desktop.commandLine.clear();
    twice.desktop.windows.clear();  // even with its window gone, the object launches once only
    EXPECT_FALSE(saver.PrepareAndLaunch(L"E000"));
    EXPECT_TRUE(twice.desktop.commandLine.empty());

    for (const wchar_t* code : {L"0041", L"F900", L"E0G0", L""}) {
        Scenario bad;
        bad.Save(code);
        EXPECT_FALSE(bad.launched);
        EXPECT_TRUE(bad.desktop.commandLine.empty());
    }

    Scenario broken;
    broken.desktop.processStarts = false;
    broken.Save();
    EXPECT_FALSE(broken.launched);
    EXPECT_EQ(broken.desktop.commandLine, L"C:\\W\\eudcedit.exe");
    EXPECT_EQ(MessagesAfterLaunchFailure(), (std::vector<unsigned>{2004, 2027}));
}

TEST(SaveCharacter, SetsUpTheEditorPastesSavesAndClosesIt) {
    Scenario run;
    run.Save(L"F123");
    const FakeDesktop& d = run.desktop;
    EXPECT_EQ(run.result, SaveResult::Saved);
    EXPECT_TRUE(run.savedFlag);
    EXPECT_TRUE(MessagesAfterSave(SaveResult::Saved).empty());
    EXPECT_EQ(d.Posted(kStartup, kIdCancel), 1);
    EXPECT_TRUE(d.unicode);
    EXPECT_EQ(d.disabled, (std::set<WindowId>{kCombo, kToolbar1, kToolbar2}));
    EXPECT_EQ(d.Posted(kMain, kEditorCmdSetup), 1);
    EXPECT_EQ(d.mainStyle, 0x16C00000u);
    EXPECT_EQ(d.blankedMenu, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(d.Posted(kCopyDlg, kIdOk), 1);
    EXPECT_EQ(d.pastes, 1);
    EXPECT_EQ(d.Posted(kMain, kEditorCmdPaste), 0);  // sent, so that it is handled before the save
    EXPECT_EQ(d.saveCommands, 1);
    EXPECT_EQ(std::get<1>(d.posts.back()), kEditorCmdExit);
    EXPECT_TRUE(d.windows.empty());
    EXPECT_EQ(d.watcherResult, 0u);
    EXPECT_EQ(g_nSaveWatchState.load(), kWatchEnded);
    EXPECT_EQ(run.settings.Get(L"EudcMakeErrWaitMSec"), L"300");
    EXPECT_EQ(g_nErrWaitMSec.load(), 300);

    // The title the editor shows while it is steered.
    EXPECT_EQ(FormatSavingTitle(kSavingTitleFormat, L"外字エディタ", L"F123"),
              L"外字エディタ [  'F123' 保存中：PC操作をしないで下さい ]");
    EXPECT_EQ(FormatSavingTitle(L"%s %% %s %s", L"a", L"b"), L"a % b ");
}

TEST(SaveCharacter, ErrorWaitSettingIsKeptOrRepaired) {
    const std::pair<const wchar_t*, int> cases[] = {{L"500", 500}, {L"0", 300}, {L"-5", 300}};
    for (auto [stored, used] : cases) {
        Scenario run;
        run.settings.Set(L"EudcMakeErrWaitMSec", stored);
        run.desktop.erringAttempts = {1};
        run.Save();
        EXPECT_EQ(g_nErrWaitMSec.load(), used);
        EXPECT_EQ(run.settings.Get(L"EudcMakeErrWaitMSec"), used == 500 ? L"500" : L"300");
        EXPECT_EQ(run.desktop.watcherSleeps, std::vector<int>{used});
    }
}

TEST(SaveCharacter, RetriesAfterDismissedErrorWindows) {
    Scenario always;
    always.desktop.erringAttempts = {0};
    always.Save();
    EXPECT_EQ(always.desktop.saveCommands, 11);
    EXPECT_EQ(always.desktop.dismissed, std::vector<std::wstring>(11, kRetryTitle));
    EXPECT_FALSE(always.desktop.hung);
    EXPECT_EQ(always.result, SaveResult::Failed);
    EXPECT_FALSE(always.savedFlag);
    EXPECT_EQ(always.desktop.Posted(kMain, kEditorCmdExit), 1);

    Scenario once;
    once.desktop.erringAttempts = {1};
    once.Save();
    EXPECT_EQ(once.desktop.saveCommands, 2);
    EXPECT_EQ(once.desktop.dismissed.size(), 1u);
    EXPECT_EQ(once.result, SaveResult::Saved);
    EXPECT_EQ(once.desktop.saved.at(0xE123), Glyph());
}

TEST(SaveCharacter, GoesOnWhenTheWatcherNeverAcknowledgesOrTheEditorIsNeverIdle) {
    Scenario run;
    run.desktop.watcherRuns = false;
    run.desktop.idle = false;
    run.Save();
    EXPECT_EQ(run.result, SaveResult::Saved);
    const std::vector<int> afterSave(run.desktop.sleeps.begin() + run.desktop.sleepsAtLastSave,
                                     run.desktop.sleeps.end());
    EXPECT_TRUE(afterSave.empty());  // the stop is awaited on the thread, not slept out
    EXPECT_EQ(g_nSaveWatchState.load(), kWatchStop);
    EXPECT_EQ(run.desktop.Posted(kMain, kEditorCmdExit), 1);
    // One idle wait before the save command, in slices a Cancel can end.
    EXPECT_EQ(run.desktop.idleWaits, std::vector<int>(50, 100));
}

TEST(RetryWatcher, DismissesErrorWindowsUntilAskedToStop) {
    FakeDesktop d;
    const WatcherTarget target{kEditorPid, kMain};
    EXPECT_EQ(RetryWatcherProc(d, nullptr, target), 1u);
    EXPECT_TRUE(d.sleeps.empty());

    std::atomic<int> state{0};
    g_nErrWaitMSec = 250;
    d.windows[kFirstError] = L"Kanjiforge - 保存エラー";
    int pauses = 0;
    d.onSleep = [&](int ms) {
        if (ms == 200 && ++pauses == 3) state = kWatchStop;
    };
    EXPECT_EQ(RetryWatcherProc(d, &state, target), 0u);
    EXPECT_EQ(state.load(), kWatchEnded);
    EXPECT_EQ(d.dismissed, std::vector<std::wstring>{kRetryTitle});
    EXPECT_EQ(d.sleeps, (std::vector<int>{250, 200, 200, 200}));  // a first look at once

    // While a retry is pending nothing is searched; a stop request during the wait is never overwritten.
    std::atomic<int> pending{kWatchRetry};
    d.windows[kFirstError] = L"Kanjiforge";
    EXPECT_FALSE(RetryWatcherCycle(d, pending, target));
    EXPECT_EQ(d.windows[kFirstError], L"Kanjiforge");
    std::atomic<int> racing{0};
    d.onSleep = [&](int) { racing = kWatchStop; };
    EXPECT_FALSE(RetryWatcherCycle(d, racing, target));
    EXPECT_EQ(racing.load(), kWatchStop);
    EXPECT_EQ(d.Posted(kFirstError, kIdCancel), 1);
}

TEST(SaveCharacter, EachFailureEndsWithItsResultAndTheEditorAsExpected) {
    struct Row {
        const char* name;
        std::function<void(FakeDesktop&)> script;
        SaveResult result;
        bool closed;       // the exit command was posted
        bool clickedGrid;  // the mouse settings were changed
    };
    const Row rows[] = {
        {"no main window", [](FakeDesktop& d) { d.mainWindowAfterPolls = -1; }, SaveResult::EditorNotSeen,
         false, false},
        {"main window one poll too late", [](FakeDesktop& d) { d.mainWindowAfterPolls = 251; },
         SaveResult::EditorNotSeen, false, false},
        {"no start-up dialog", [](FakeDesktop& d) { d.startupDialogAfterPolls = -1; },
         SaveResult::StartupDialogNotSeen, true, false},
        {"no code dialog", [](FakeDesktop& d) { d.codeDialogOpens = false; }, SaveResult::Failed, true,
         false},
        {"no foreground after code", [](FakeDesktop& d) { d.foregroundAfterCode = false; },
         SaveResult::Failed, true, true},
        {"no status bar", [](FakeDesktop& d) { d.hasStatusBar = false; }, SaveResult::Failed, true, true},
        {"wrong code shown", [](FakeDesktop& d) { d.statusCodeShift = 1; }, SaveResult::Failed, true, true},
        {"no copy dialog", [](FakeDesktop& d) { d.copyDialogOpens = false; }, SaveResult::Failed, true, true},
        {"no foreground after copy", [](FakeDesktop& d) { d.foregroundAfterCopy = false; },
         SaveResult::Failed, true, true},
        {"clipboard refused", [](FakeDesktop& d) { d.clipboardOpens = false; }, SaveResult::Failed, true,
         true},
        {"main window gone", [](FakeDesktop& d) { d.mainVanishesAtWatcherStart = true; }, SaveResult::Failed,
         false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scenario run;
        row.script(run.desktop);
        run.Save();
        const FakeDesktop& d = run.desktop;
        EXPECT_EQ(run.result, row.result);
        EXPECT_FALSE(run.savedFlag);
        EXPECT_EQ(d.Posted(kMain, kEditorCmdExit), row.closed ? 1 : 0);
        EXPECT_EQ(d.mouse, kUserMouse);
        EXPECT_EQ(!d.inputs.empty(), row.clickedGrid);
        EXPECT_EQ(d.saveCommands, 0);
        EXPECT_TRUE(d.saved.empty());
        EXPECT_EQ(run.Stored(0xE123), std::nullopt);
        // No editor is left running: one without a main window is ended at once, the others are closed.
        EXPECT_EQ(d.terminated, row.result == SaveResult::EditorNotSeen);
        if (row.result == SaveResult::EditorNotSeen) EXPECT_TRUE(d.posts.empty());
        EXPECT_EQ(d.pastes, std::string(row.name) == "main window gone" ? 1 : 0);
    }
    EXPECT_EQ(MessagesAfterSave(SaveResult::EditorNotSeen), (std::vector<unsigned>{2006, 2027}));
    EXPECT_EQ(MessagesAfterSave(SaveResult::StartupDialogNotSeen), (std::vector<unsigned>{2014, 2027}));
    EXPECT_EQ(MessagesAfterSave(SaveResult::Failed), std::vector<unsigned>{2027});

    Scenario clip;  // a clipboard refused for good is tried on the polling schedule, then nothing is pasted
    clip.desktop.clipboardOpens = false;
    clip.Save();
    EXPECT_EQ(clip.desktop.clipboardAttempts, 51);
    EXPECT_EQ(clip.desktop.pastes, 0);

    Scenario late;  // a window may take the whole wait ("EudcWindowWaitMSec", 10 s by default) to appear
    late.desktop.mainWindowAfterPolls = 250;
    late.Save();
    EXPECT_EQ(late.result, SaveResult::Saved);
    EXPECT_EQ(late.settings.Get(L"EudcWindowWaitMSec"), L"10000");
    Scenario shorter;
    shorter.settings.Set(L"EudcWindowWaitMSec", L"2000");
    shorter.desktop.mainWindowAfterPolls = 51;
    shorter.Save();
    EXPECT_EQ(shorter.result, SaveResult::EditorNotSeen);
}

TEST(SaveChecks, TheStatusBarMustShowTheCodeAsAWholeToken) {
    EXPECT_TRUE(TextShowsCode(L"コード: E000", L"E000"));
    EXPECT_TRUE(TextShowsCode(L"U+E000", L"E000"));
    EXPECT_TRUE(TextShowsCode(L"E000", L"E000"));
    EXPECT_TRUE(TextShowsCode(L"E0001 E000", L"E000"));  // a later whole token counts
    EXPECT_FALSE(TextShowsCode(L"E0001", L"E000"));
    EXPECT_FALSE(TextShowsCode(L"1E000", L"E000"));
    EXPECT_FALSE(TextShowsCode(L"0xE000", L"E000"));
    EXPECT_FALSE(TextShowsCode(L"", L"E000"));

    Scenario longer;  // the editor shows a longer number that contains the code
    longer.desktop.statusSuffix = L"1";
    longer.Save(L"E123");
    EXPECT_EQ(longer.result, SaveResult::Failed);
    EXPECT_EQ(longer.desktop.pastes, 0);
}

TEST(SaveChecks, ClipboardRowsArePaddedToTwoBytes) {
    DotPlane odd(24);  // three bytes a row
    odd.SetDot(0, 0, true);
    odd.SetDot(23, 1, true);
    const std::vector<std::uint8_t> bits = WordAlignedRows(odd);
    ASSERT_EQ(bits.size(), 24u * 4u);
    EXPECT_EQ(bits[0], 0x7F);
    EXPECT_EQ(bits[3], 0xFF);  // pad byte
    EXPECT_EQ(bits[4 + 2], 0xFE);
    DotPlane even(16);
    even.SetDot(9, 2, true);
    EXPECT_TRUE(std::equal(even.Bytes().begin(), even.Bytes().end(), WordAlignedRows(even).begin()));
    EXPECT_EQ(WordAlignedRows(even).size(), even.ByteCount());
    EXPECT_TRUE(WordAlignedRows(DotPlane()).empty());
}

TEST(SaveBackup, CopiesBothFilesBeforeLaunchAndKeepsTheNewestTen) {
    EXPECT_EQ(BackupFileName(L"EUDC.EUF", {2026, 1, 2, 3, 4, 5}), L"EUDC.EUF.20260102-030405");
    Scenario run;
    std::filesystem::create_directories(run.files.backupFolder);
    for (int i = 0; i < 12; ++i)  // older backups, and one of another file that must stay
        std::ofstream(run.files.backupFolder / BackupFileName(L"EUDC.EUF", {2025, 1, 1, 0, 0, i})) << i;
    std::ofstream(run.files.backupFolder / L"EUDC.EUF.note") << "not a backup";
    std::ofstream(run.files.backupFolder / L"OTHER.EUF.20200101-000000") << "other";
    const auto before = std::filesystem::file_size(run.files.bitmapFile);
    run.Save();
    EXPECT_EQ(run.result, SaveResult::Saved);
    const std::filesystem::path euf = run.files.backupFolder / L"EUDC.EUF.20261208-183005";
    ASSERT_TRUE(std::filesystem::exists(euf));
    EXPECT_EQ(std::filesystem::file_size(euf), before);  // the file as it was before the save
    EXPECT_TRUE(std::filesystem::exists(run.files.backupFolder / L"EUDC.TTE.20261208-183005"));
    EXPECT_EQ(BackupsToRemove(run.files.backupFolder, L"EUDC.EUF", 10).size(), 0u);
    EXPECT_EQ(BackupsToRemove(run.files.backupFolder, L"EUDC.EUF", 9).size(), 1u);
    EXPECT_FALSE(
        std::filesystem::exists(run.files.backupFolder / BackupFileName(L"EUDC.EUF", {2025, 1, 1, 0, 0, 2})));
    EXPECT_TRUE(
        std::filesystem::exists(run.files.backupFolder / BackupFileName(L"EUDC.EUF", {2025, 1, 1, 0, 0, 3})));
    EXPECT_TRUE(std::filesystem::exists(run.files.backupFolder / L"EUDC.EUF.note"));
    EXPECT_TRUE(std::filesystem::exists(run.files.backupFolder / L"OTHER.EUF.20200101-000000"));

    // A second save within the same second adds a backup instead of replacing the first.
    run.Save();
    EXPECT_TRUE(std::filesystem::exists(run.files.backupFolder / L"EUDC.EUF.20261208-183005_2"));
    const auto old = BackupsToRemove(run.files.backupFolder, L"EUDC.EUF", 1);
    EXPECT_EQ(old.back().filename().wstring(), L"EUDC.EUF.20261208-183005");
}

TEST(SaveBackup, ABackupThatCannotBeWrittenStopsTheSaveAndChangesNothing) {
    Scenario run;
    std::ofstream(run.files.backupFolder) << "a file where the folder should be";
    run.Save();
    EXPECT_FALSE(run.launched);
    EXPECT_EQ(run.problem, LaunchProblem::BackupFailed);
    EXPECT_TRUE(run.desktop.ini.empty());
    EXPECT_TRUE(run.desktop.commandLine.empty());

    Scenario missingFont;  // the bitmap file's copy is taken back when the font cannot be copied
    std::filesystem::remove(missingFont.files.fontFile);
    missingFont.Save();
    EXPECT_EQ(missingFont.problem, LaunchProblem::BackupFailed);
    std::size_t left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(missingFont.files.backupFolder))
        left += !entry.path().empty();
    EXPECT_EQ(left, 0u);
}

TEST(SaveProof, OnlyAMatchingReadBackAfterTheEditorLetGoCountsAsSaved) {
    Scenario lost;  // the paste never reached the editor; its save command returns all the same
    lost.desktop.pasteLost = true;
    lost.Save();
    EXPECT_EQ(lost.desktop.saveCommands, 1);
    EXPECT_EQ(lost.result, SaveResult::Failed);
    EXPECT_FALSE(lost.savedFlag);

    Scenario held;  // the file is held for a while after the editor closed
    held.desktop.fileHeldPolls = 5;
    held.Save();
    EXPECT_EQ(held.result, SaveResult::Saved);
    EXPECT_EQ(held.Stored(0xE123), Glyph());

    Scenario never;  // held beyond the polling limit
    never.desktop.fileHeldPolls = 1000;
    never.Save();
    EXPECT_EQ(never.result, SaveResult::Failed);

    Scenario noFile;
    noFile.files.bitmapFile.clear();
    noFile.Save();
    EXPECT_EQ(noFile.result, SaveResult::Failed);

    DotPlane glyph = Glyph();
    std::vector<std::uint8_t> bits(glyph.Bytes().begin(), glyph.Bytes().end());
    EXPECT_EQ(CompareReadBack(kEudcOk, 16, 16, bits, glyph), ReadBack::Match);
    EXPECT_EQ(CompareReadBack(kEudcCannotOpen, 0, 0, {}, glyph), ReadBack::Held);
    EXPECT_EQ(CompareReadBack(kEudcNoCharacter, 0, 0, {}, glyph), ReadBack::Unreadable);
    EXPECT_EQ(CompareReadBack(kEudcOk, 24, 24, bits, glyph), ReadBack::Unreadable);
    bits[0] ^= 0x80;
    EXPECT_EQ(CompareReadBack(kEudcOk, 16, 16, bits, glyph), ReadBack::Mismatch);
}

TEST(SaveTarget, OnlyTheStartedEditorAndItsOwnWindowsAreTouched) {
    Scenario other;  // another editor's main window comes first, and another program shows our name
    other.desktop.foreignEditor = true;
    other.desktop.foreignKanjiforgeBox = true;
    other.Save();
    EXPECT_EQ(other.result, SaveResult::Saved);
    EXPECT_EQ(other.desktop.Posted(kForeignMain, kEditorCmdSave), 0);
    for (const auto& post : other.desktop.posts) EXPECT_LT(std::get<0>(post), kForeignMain);
    EXPECT_EQ(other.desktop.windows.at(kForeignBox), L"Kanjiforge - 確認");
    EXPECT_TRUE(other.desktop.dismissed.empty());

    Scenario unnamed;  // an error window without our name is left alone; the save command's timeout ends it
    unnamed.desktop.erringAttempts = {1};
    unnamed.desktop.unnamedErrorWindow = true;
    unnamed.Save();
    EXPECT_EQ(unnamed.result, SaveResult::Failed);
    EXPECT_EQ(unnamed.desktop.saveCommands, 1);
    EXPECT_TRUE(unnamed.desktop.dismissed.empty());

    Scenario noWatcher;
    noWatcher.desktop.watcherStarts = false;
    noWatcher.Save();
    EXPECT_EQ(noWatcher.result, SaveResult::Failed);
    EXPECT_EQ(noWatcher.desktop.saveCommands, 0);
    EXPECT_EQ(noWatcher.desktop.Posted(kMain, kEditorCmdExit), 1);
}

TEST(SaveSafety, NoInputOutsideTheCodeDialogNoHangAndTheStartupDialogGoneFirst) {
    Scenario behind;
    behind.desktop.codeDialogComesToFront = false;
    behind.Save();
    EXPECT_EQ(behind.result, SaveResult::Failed);
    EXPECT_TRUE(behind.desktop.inputs.empty());
    EXPECT_EQ(behind.desktop.mouse, kUserMouse);

    Scenario hangs;
    hangs.desktop.saveHangs = true;
    hangs.Save();
    EXPECT_EQ(hangs.result, SaveResult::Failed);
    EXPECT_EQ(hangs.desktop.saveCommands, 1);
    EXPECT_EQ(hangs.desktop.Posted(kMain, kEditorCmdExit), 1);

    Scenario lingering;  // the start-up dialog stays on screen a while after its cancel
    lingering.desktop.startupClosesAfterPolls = 30;
    lingering.desktop.onSleep = [&](int) {
        // Until it has gone, the code dialog is not asked for.
        if (lingering.desktop.Open(kStartup)) {
            EXPECT_EQ(lingering.desktop.Posted(kMain, kEditorCmdSelectCode), 0);
        }
    };
    lingering.Save();
    EXPECT_EQ(lingering.result, SaveResult::Saved);
    EXPECT_EQ(lingering.Stored(0xE123), Glyph());

    Scenario stays;  // the start-up dialog never goes: no keys go anywhere
    stays.desktop.startupClosesAfterPolls = 100000;
    stays.Save();
    EXPECT_EQ(stays.result, SaveResult::Failed);
    EXPECT_TRUE(stays.desktop.inputs.empty());

    // An editor that ignores its close command is ended, so that it holds no file and refuses no later
    // save; the save is proved all the same. One that cannot even be ended is logged.
    auto logged = [](const Scenario& run, const wchar_t* step) {
        return std::find_if(run.timeline.begin(), run.timeline.end(), [&](const std::wstring& l) {
                   return l.find(step) != std::wstring::npos;
               }) != run.timeline.end();
    };
    Scenario leftover;
    leftover.desktop.exitsOnClose = false;
    leftover.Save();
    EXPECT_EQ(leftover.result, SaveResult::Saved);
    EXPECT_TRUE(leftover.desktop.terminated);
    EXPECT_TRUE(logged(leftover, L"editor ended by force"));
    Scenario stuck;
    stuck.desktop.exitsOnClose = stuck.desktop.terminateWorks = false;
    stuck.Save();
    EXPECT_TRUE(logged(stuck, L"editor still running"));
}

TEST(SaveTimeline, EveryStepWithItsTimeInOrder) {
    Scenario run;
    run.Save();
    const std::vector<std::wstring> steps = {L"editor started",
                                             L"main window",
                                             L"start-up dialog dismissed",
                                             L"editor set up",
                                             L"start-up dialog gone",
                                             L"code dialog",
                                             L"code input sent",
                                             L"code dialog closed",
                                             L"code verified",
                                             L"copy dialog closed",
                                             L"pasted",
                                             L"save command returned",
                                             L"editor ended",
                                             L"read-back match",
                                             L"font proved",
                                             L"saved"};
    ASSERT_EQ(run.timeline.size(), steps.size());
    long long previous = -1;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::wstring& line = run.timeline[i];
        EXPECT_EQ(line.substr(line.size() - steps[i].size()), steps[i]);
        const long long ms = std::stoll(line.substr(std::wstring(L"Save timeline ").size()));
        EXPECT_GE(ms, previous);
        previous = ms;
    }
    EXPECT_GT(previous, 0);

    std::vector<std::wstring> sunk;
    long long clock = 100;
    SaveTimeline timeline([&] { return clock; }, [&](const std::wstring& l) { sunk.push_back(l); });
    clock = 1334;
    timeline.Mark(L"step");
    EXPECT_EQ(sunk, std::vector<std::wstring>{L"Save timeline   +1234 ms step"});
}

TEST(SaveChecks, TheProgramIsPerMonitorDpiAwareSoTheClickIsInPhysicalPixels) {
    const std::string manifest = ReadSourceFile("src/res/Kanjiforge.manifest.in");
    EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "PerMonitorV2, PerMonitor</dpiAwareness>"),
              std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
}

}  // namespace

TEST(SaveSequence, TheEditorIsSteeredStepByStepInOrder) {
    const auto command = [](const char* how, unsigned id) {
        return std::string(how) + " " + std::to_string(id);
    };
    Scenario run;
    run.Save(L"E123");
    ASSERT_EQ(run.result, SaveResult::Saved);
    EXPECT_TRUE(MatchesSequence(run.desktop.calls, {{"FindCharEditorWindow"},
                                                    AnyNumber("WriteIniEntry"),
                                                    {"CreateEditorProcess"},
                                                    {command("PostCommand", kIdCancel)},
                                                    AnyNumber("DisableWindow"),
                                                    {command("PostCommand", kEditorCmdSetup)},
                                                    {"WriteWindowStyle"},
                                                    AnyNumber("BlankMenuItem"),
                                                    {command("PostCommand", kEditorCmdSelectCode)},
                                                    {"SendInputs"},
                                                    {command("PostCommand", kEditorCmdCopyChar)},
                                                    {command("PostCommand", kIdOk)},
                                                    {"PutBitmapOnClipboard"},
                                                    {command("SendCommand", kEditorCmdPaste)},
                                                    {"StartRetryWatcher"},
                                                    {command("SendCommand", kEditorCmdSave)},
                                                    {command("PostCommand", kEditorCmdExit)},
                                                    {"WaitForProcessExit"},
                                                    {"CloseEditorProcessHandles"}}));

    // A code the editor's status bar does not confirm: the copy, the paste and the save never come, and
    // the editor is still closed and let go of.
    Scenario misplaced;
    misplaced.desktop.statusCodeShift = 1;
    misplaced.Save(L"E123");
    EXPECT_EQ(misplaced.result, SaveResult::Failed);
    EXPECT_TRUE(MatchesSequence(misplaced.desktop.calls, {{"CreateEditorProcess"},
                                                          {command("PostCommand", kEditorCmdSelectCode)},
                                                          {"SendInputs"},
                                                          {command("PostCommand", kEditorCmdExit)},
                                                          {"CloseEditorProcessHandles"}}));
    EXPECT_EQ(std::count(misplaced.desktop.calls.begin(), misplaced.desktop.calls.end(),
                         command("SendCommand", kEditorCmdSave)),
              0);
    for (const std::string& never :
         {command("PostCommand", kEditorCmdCopyChar), std::string("PutBitmapOnClipboard")}) {
        EXPECT_EQ(std::count(misplaced.desktop.calls.begin(), misplaced.desktop.calls.end(), never), 0)
            << never;
    }
}

namespace {

// A save whose bitmap file is proved but whose font may not be: the "FontProof" setting decides.
TEST(SaveFontProof, TheFontMustShowTheGlyphUnlessTheSettingSaysOtherwise) {
    Scenario exact;  // the editor writes the glyph into the font as well: saved
    exact.Save();
    EXPECT_EQ(exact.result, SaveResult::Saved);
    EXPECT_EQ(exact.fontProof.outcome, FontProofOutcome::Proved);
    EXPECT_TRUE(exact.fontMessage.empty());
    EXPECT_NE(std::find_if(
                  exact.timeline.begin(), exact.timeline.end(),
                  [](const std::wstring& line) { return line.find(L"font proved") != std::wstring::npos; }),
              exact.timeline.end());

    Scenario own;  // its own outlines: rounded, the grid shifted and scaled
    own.desktop.fontStyle = {TteCorners::Spline, 0.9, 20, -12};
    own.Save();
    EXPECT_EQ(own.result, SaveResult::Saved) << own.fontMessage;

    Scenario lost;  // the font is not written: nothing in it shows the code, the edits stay unsaved
    lost.desktop.writesFont = false;
    lost.Save();
    EXPECT_EQ(lost.result, SaveResult::FontNotProved);
    EXPECT_FALSE(lost.savedFlag);
    EXPECT_EQ(lost.fontProof.outcome, FontProofOutcome::Unreadable);  // still the placeholder
    EXPECT_NE(lost.fontMessage.find(L"保存に失敗しました"), std::wstring::npos);
    EXPECT_NE(lost.fontMessage.find(lost.files.fontFile.wstring()), std::wstring::npos);
    EXPECT_NE(lost.fontMessage.find(L"Err=[11]"), std::wstring::npos);
    EXPECT_EQ(MessagesAfterSave(SaveResult::FontNotProved), std::vector<unsigned>{});

    Scenario stale;  // a real font that keeps the character's previous glyph
    ASSERT_TRUE(PutEudcBitmapRecord(stale.files.bitmapFile, 0xE123, DrawnDots(16, {"####", "####"})));
    std::vector<std::uint8_t> bitmap, font;
    ASSERT_TRUE(ReadExclusiveFileBytes(stale.files.bitmapFile, 1 << 20, bitmap));
    std::string error;
    ASSERT_EQ(BuildTteFontFromEudc(bitmap, 0, font, error), kTteOk);
    std::filesystem::remove(stale.files.fontFile);
    ASSERT_TRUE(WriteCharacterToFontFile(stale.files.fontFile, bitmap, 0xE123, 16,
                                         DrawnDots(16, {"####", "####"}), {}, error));
    stale.desktop.fontStale = true;
    stale.Save();
    EXPECT_EQ(stale.result, SaveResult::FontNotProved);
    EXPECT_EQ(stale.fontProof.outcome, FontProofOutcome::Unchanged);
    EXPECT_NE(stale.fontMessage.find(L"ｺｰﾄﾞE123の文字が保存前のままです"), std::wstring::npos);
    EXPECT_EQ(stale.Stored(0xE123), Glyph());  // the bitmap file has it all the same

    Scenario warned;  // warn: saved, with a message naming the reason
    warned.desktop.writesFont = false;
    warned.settings.WriteProfileString(kEditorSection, kFontProofKey, L"warn");
    warned.Save();
    EXPECT_EQ(warned.result, SaveResult::Saved);
    EXPECT_TRUE(warned.savedFlag);
    EXPECT_NE(warned.fontMessage.find(L"外字ﾌｫﾝﾄへの保存は確認できませんでした"), std::wstring::npos);
    EXPECT_NE(warned.fontMessage.find(L"Err=[11]"), std::wstring::npos);

    Scenario off;  // off: the font is not looked at
    off.desktop.writesFont = false;
    off.settings.WriteProfileString(kEditorSection, kFontProofKey, L"off");
    off.Save();
    EXPECT_EQ(off.result, SaveResult::Saved);
    EXPECT_TRUE(off.fontMessage.empty());
    EXPECT_NE(std::find_if(off.timeline.begin(), off.timeline.end(),
                           [](const std::wstring& line) {
                               return line.find(L"font proof off") != std::wstring::npos;
                           }),
              off.timeline.end());
}

}  // namespace

// A Cancel at any step ends the save within a second of simulated time: nothing is reported as saved,
// nothing new is in the file, the editor started is gone, the mouse and the watcher are back as they were.
TEST(SaveCancel, EndsEveryStepPromptlyWithTheEditorGoneAndNothingSaved) {
    const std::string select = "PostCommand " + std::to_string(kEditorCmdSelectCode);
    const std::string paste = "SendCommand " + std::to_string(kEditorCmdPaste);
    const std::string save = "SendCommand " + std::to_string(kEditorCmdSave);
    struct Row {
        std::string at;
        bool hangs = false;    // the save command does not answer
        bool launched = true;  // the editor was started before the Cancel
    };
    const Row rows[] = {{"WriteIniEntry", false, false},
                        {"CreateEditorProcess"},
                        {"WriteWindowText"},
                        {select},
                        {"SendInputs"},
                        {"PutBitmapOnClipboard"},
                        {paste},
                        {"StartRetryWatcher"},
                        {save, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.at);
        Scenario run;
        run.desktop.cancelAt = row.at;
        run.desktop.saveHangs = row.hangs;
        run.Save();
        const FakeDesktop& d = run.desktop;
        EXPECT_GE(d.cancelledAt, 0);
        EXPECT_EQ(run.launched != FALSE, row.launched);
        if (!row.launched) {
            EXPECT_EQ(run.problem, LaunchProblem::Cancelled);
            EXPECT_TRUE(d.commandLine.empty());
            continue;
        }
        EXPECT_EQ(run.result, SaveResult::Cancelled);
        EXPECT_FALSE(run.savedFlag);
        EXPECT_EQ(run.Stored(0xE123), std::nullopt);
        EXPECT_TRUE(d.exited || d.terminated);
        EXPECT_LT(d.now - d.cancelledAt, 1000);
        EXPECT_EQ(d.mouse, kUserMouse);
        if (d.watcherState != nullptr) EXPECT_EQ(g_nSaveWatchState.load(), kWatchEnded);
        EXPECT_LE(d.saveCommands, 1);
        EXPECT_EQ(run.steps.back(), SaveStep::ClosingEditor);
    }
    EXPECT_TRUE(MessagesAfterSave(SaveResult::Cancelled).empty());
}

// The edges of what the editor promises: a grid that keeps Enter for itself; a status bar that shows the code
// late is waited for; the click lands on the cell for an editor that sees another DPI than its monitor's; no
// key goes out while another window is in front.
TEST(SaveContract, EnterKeptByTheGridLateStatusOtherDpiAndNoInputBehindAnotherWindow) {
    // A dialog that Enter did not close is confirmed with one OK once its code field shows the code: the
    // input before it was handled.
    Scenario enter;
    enter.desktop.enterIgnored = true;
    enter.Save(L"E123");
    EXPECT_EQ(enter.result, SaveResult::Saved);
    EXPECT_EQ(enter.desktop.Posted(kCodeDlg, kIdOk), 1);
    EXPECT_EQ(enter.Stored(0xE123), Glyph());
    // Without such a field it is not confirmed blindly: a posted OK could overtake keys the editor has not
    // read yet and confirm another code. The save fails, and the editor is closed.
    Scenario blind;
    blind.desktop.enterIgnored = true;
    blind.desktop.codeField = false;
    blind.Save(L"E123");
    EXPECT_EQ(blind.result, SaveResult::Failed);
    EXPECT_EQ(blind.desktop.Posted(kCodeDlg, kIdOk), 0);
    EXPECT_EQ(blind.desktop.saveCommands, 0);
    EXPECT_TRUE(blind.desktop.exited);
    // A field that shows the code before any input (the editor's current code) proves nothing.
    Scenario already;
    already.desktop.enterIgnored = true;
    already.desktop.editorCode = 0xE123;
    already.desktop.selectedAtOpen = true;
    already.Save(L"E123");
    EXPECT_EQ(already.desktop.Posted(kCodeDlg, kIdOk), 0);
    EXPECT_EQ(already.result, SaveResult::Failed);
    // Enter that closes the dialog needs no OK.
    Scenario normal;
    normal.Save(L"E123");
    EXPECT_EQ(normal.result, SaveResult::Saved);
    EXPECT_EQ(normal.desktop.Posted(kCodeDlg, kIdOk), 0);

    Scenario late;
    late.desktop.statusLateMs = 1500;
    late.Save(L"E123");
    EXPECT_EQ(late.result, SaveResult::Saved);
    Scenario tooLate;
    tooLate.desktop.statusLateMs = 11000;
    tooLate.Save(L"E123");
    EXPECT_EQ(tooLate.result, SaveResult::Failed);
    EXPECT_EQ(tooLate.desktop.saveCommands, 0);

    for (const WindowDpi dpi :
         {WindowDpi{DpiAwareness::Unaware, 96, 144}, WindowDpi{DpiAwareness::Unaware, 96, 120},
          WindowDpi{DpiAwareness::PerMonitor, 192, 192}}) {
        SCOPED_TRACE(dpi.monitorDpi);
        Scenario scaled;
        scaled.desktop.dialogDpi = dpi;
        scaled.Save(L"E123");
        EXPECT_EQ(scaled.result, SaveResult::Saved);
        EXPECT_EQ(scaled.Stored(0xE123), Glyph());
    }
    EXPECT_EQ(PhysicalClientOffset({68, 43}, {DpiAwareness::Unaware, 96, 144}), (ScreenPoint{102, 65}));
    EXPECT_EQ(PhysicalClientOffset({68, 43}, {DpiAwareness::Unknown, 0, 144}), (ScreenPoint{68, 43}));

    // Something else comes to the front between the set-up and the keys: nothing is sent while it is.
    Scenario stolen;
    int looks = 0;
    stolen.desktop.onSleep = [&](int) {
        if (stolen.desktop.Open(kCodeDlg) && stolen.desktop.inputs.empty())
            stolen.desktop.foreground = ++looks < 5 ? kForeignMain : kCodeDlg;
    };
    stolen.Save(L"E123");
    EXPECT_EQ(stolen.result, SaveResult::Saved);
    EXPECT_EQ(stolen.desktop.inputsWithoutFront, 0);
}

// Backups are compared through digests remembered between saves; a copy changed behind our back with its
// size and time kept must still never be taken for the file it no longer holds, and a backup of a read-only
// file can be pruned.
TEST(SaveBackup, RememberedDigestsNeverRemoveACopyThatDiffers) {
    namespace fs = std::filesystem;
    const fs::path folder = MakeTestFolder("kf_backup_digests");
    const fs::path file = folder / "EUDC.EUF";
    const fs::path backups = folder / "backup";
    auto write = [](const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    };
    auto names = [&] {
        std::vector<std::string> read;
        for (const fs::path& backup : ListBackups(backups, L"EUDC.EUF")) {
            std::ifstream in(backup, std::ios::binary);
            read.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return read;
    };
    std::wstring problem;
    write(file, "PPPP");
    ASSERT_TRUE(BackUpFiles({file}, backups, LocalTime{2026, 1, 1, 0, 0, 1}, problem));
    write(file, "QQQQ");
    ASSERT_TRUE(BackUpFiles({file}, backups, LocalTime{2026, 1, 1, 0, 0, 2}, problem));
    ASSERT_EQ(names(), (std::vector<std::string>{"PPPP", "QQQQ"}));

    // The oldest copy now holds other bytes of the same length, written at the same time as before.
    const fs::path oldest = ListBackups(backups, L"EUDC.EUF").front();
    const auto stamp = fs::last_write_time(oldest);
    write(oldest, "pPPP");
    fs::last_write_time(oldest, stamp);
    write(file, "PPPP");
    ASSERT_TRUE(BackUpFiles({file}, backups, LocalTime{2026, 1, 1, 0, 0, 3}, problem));
    EXPECT_EQ(names(), (std::vector<std::string>{"pPPP", "QQQQ", "PPPP"}));

    // Back to Q: the older Q goes, as the kept copies all differ.
    write(file, "QQQQ");
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_TRUE(BackUpFiles({file}, backups, LocalTime{2026, 1, 1, 0, 0, 4}, problem));
    EXPECT_EQ(names(), (std::vector<std::string>{"pPPP", "PPPP", "QQQQ"}));
    const fs::path newest = ListBackups(backups, L"EUDC.EUF").back();
    EXPECT_NE(fs::status(newest).permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(folder);
}

// Failed saves change nothing, so they add no backup and cannot push the last good copy out; the kept
// backups all differ; names of any length are ordered without overflowing.
TEST(SaveBackup, ARunOfFailedSavesKeepsTheLastGoodCopyAndOddNamesNeverThrow) {
    Scenario run;
    std::filesystem::create_directories(run.files.backupFolder);
    const std::wstring huge = std::wstring(L"EUDC.EUF.20200101-000000_") + std::wstring(40, L'9');
    std::ofstream(run.files.backupFolder / huge) << "odd";
    std::ofstream(run.files.backupFolder / L"EUDC.EUF.20200101-000000_7") << "seven";
    std::ofstream(run.files.backupFolder / L"EUDC.EUF.20200101-000000_10") << "ten";
    const auto listed = ListBackups(run.files.backupFolder, L"EUDC.EUF");
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].filename().wstring(), L"EUDC.EUF.20200101-000000_7");
    EXPECT_EQ(listed[1].filename().wstring(), L"EUDC.EUF.20200101-000000_10");
    EXPECT_EQ(listed[2].filename().wstring(), huge);

    for (int i = 0; i < 12; ++i) {
        run.ResetDesktop();
        run.desktop.erringAttempts = {0};
        run.Save();
        EXPECT_EQ(run.result, SaveResult::Failed);
    }
    // The first failed save backed the untouched file up once; eleven more added nothing.
    EXPECT_EQ(ListBackups(run.files.backupFolder, L"EUDC.EUF").size(), 4u);
    EXPECT_EQ(ListBackups(run.files.backupFolder, L"EUDC.TTE").size(), 1u);

    // Twelve saves that each change the file: ten distinct backups stay, the newest ones.
    for (int i = 0; i < 12; ++i) {
        run.ResetDesktop();
        run.desktop.editorCode = 0xE000 + i;
        run.Save(FormatCodeText(0xE000 + i).c_str());
        EXPECT_EQ(run.result, SaveResult::Saved);
    }
    const auto kept = ListBackups(run.files.backupFolder, L"EUDC.EUF");
    ASSERT_EQ(kept.size(), kBackupsKept);
    for (std::size_t i = 0; i < kept.size(); ++i)
        for (std::size_t j = i + 1; j < kept.size(); ++j) {
            std::vector<std::uint8_t> a, b;
            ReadEudcFileBytes(kept[i], a);
            ReadEudcFileBytes(kept[j], b);
            EXPECT_NE(a, b) << i << " " << j;
        }
}

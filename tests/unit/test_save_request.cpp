#include <gtest/gtest.h>

#include "automation/save_request.h"
#include "call_sequence.h"
#include "scripted_desktop.h"

namespace {

// The user's answers, and what the save showed, in the desktop's call log ("ui ..." entries).
class FakeSaveUi : public ISaveUi {
  public:
    explicit FakeSaveUi(std::vector<std::string>& log) : m_log(log) {}

    std::optional<std::wstring> chosenCode = L"E456";
    bool codeFree = true;
    bool confirm = true;
    std::vector<std::wstring> texts;
    int asideDepth = 0;

    std::optional<std::wstring> AskCode() override {
        m_log.push_back("ui AskCode");
        return chosenCode;
    }
    bool CheckCodeFree(const std::wstring&) override {
        m_log.push_back("ui CheckCodeFree");
        return codeFree;
    }
    bool ConfirmSave() override {
        m_log.push_back("ui ConfirmSave");
        return confirm;
    }
    void ShowProgress(SaveStep step) override {
        if (step == SaveStep::WaitingForOtherSave) m_log.push_back("ui WaitingForOtherSave");
        progress.push_back(step);
    }
    std::vector<SaveStep> progress;
    void ShowMessage(unsigned id) override { m_log.push_back("ui ShowMessage " + std::to_string(id)); }
    void ShowText(const std::wstring& text) override {
        m_log.push_back("ui ShowText");
        texts.push_back(text);
    }
    bool AskYesNo(const std::wstring& text) override {
        m_log.push_back("ui AskYesNo");
        texts.push_back(text);
        return false;
    }
    void StepAside() override {
        m_log.push_back("ui StepAside");
        ++asideDepth;
    }
    void ComeBack() override {
        m_log.push_back("ui ComeBack");
        --asideDepth;
    }

  private:
    std::vector<std::string>& m_log;
};

class FakeLock : public ISaveLock {
  public:
    explicit FakeLock(std::vector<std::string>& log) : m_log(log) {}
    bool freeAtOnce = true, freeAfterWait = true;
    bool Acquire(int milliseconds) override {
        m_log.push_back("lock Acquire " + std::to_string(milliseconds));
        return milliseconds == 0 ? freeAtOnce : freeAfterWait;
    }

  private:
    std::vector<std::string>& m_log;
};

struct SaveRun : Scenario {
    FakeSaveUi ui{desktop.calls};
    FakeLock lock{desktop.calls};
    SaveRequestResult request;

    void Run(const std::wstring& code = L"E123") {
        g_nSaveWatchState = 0;
        CSteeredCharacterWriter writer(desktop, settings, 16, files, ui, &cancel);
        CSaveRequest save(ui, lock, desktop, writer, settings, &cancel);
        request = save.Run(code, Glyph());
    }
    // What the user saw and answered, and the lock, in order.
    std::vector<std::string> UserSide() const {
        std::vector<std::string> seen;
        for (const std::string& call : desktop.calls)
            if (call.rfind("ui ", 0) == 0 || call.rfind("lock ", 0) == 0) seen.push_back(call);
        return seen;
    }
    bool EditorStarted() const { return !desktop.commandLine.empty(); }
    long Count(const std::string& call) const {
        return std::count(desktop.calls.begin(), desktop.calls.end(), call);
    }
};

using Calls = std::vector<std::string>;
const std::string kSave = "SendCommand " + std::to_string(kEditorCmdSave);
const std::string kExit = "PostCommand " + std::to_string(kEditorCmdExit);

}  // namespace

TEST(SaveRequest, ASaveConfirmsLocksChecksAndSteersTheEditorWithTheWindowAside) {
    SaveRun run;
    run.Run(L"E123");
    EXPECT_TRUE(run.request.saved);
    EXPECT_FALSE(run.request.codeChosen);
    EXPECT_EQ(run.request.code, L"E123");
    EXPECT_EQ(run.Stored(0xE123), Glyph());
    EXPECT_EQ(run.UserSide(), (Calls{"ui ConfirmSave", "lock Acquire 0", "ui StepAside", "ui ComeBack"}));
    // The request looks for a running editor, and the steering looks once more before it starts one.
    EXPECT_TRUE(MatchesSequence(run.desktop.calls, {{"ui ConfirmSave"},
                                                    {"lock Acquire 0"},
                                                    {"FindCharEditorWindow"},
                                                    {"FindCharEditorWindow"},
                                                    AnyNumber("WriteIniEntry"),
                                                    {"CreateEditorProcess"},
                                                    {"ui StepAside"},
                                                    {"SendInputs"},
                                                    {"PutBitmapOnClipboard"},
                                                    {kSave},
                                                    {kExit},
                                                    {"WaitForProcessExit"},
                                                    {"ui ComeBack"}}));

    // Switched off for good, the confirmation is not asked.
    SaveRun quiet;
    quiet.settings.Set(L"SaveAns", L"NO");
    quiet.Run(L"E123");
    EXPECT_TRUE(quiet.request.saved);
    EXPECT_EQ(quiet.UserSide(), (Calls{"lock Acquire 0", "ui StepAside", "ui ComeBack"}));
}

TEST(SaveRequest, ADrawingWithoutACodeIsSavedUnderTheChosenOneAndEachQuestionCanStopIt) {
    SaveRun chosen;
    chosen.Run(L" - ");
    EXPECT_TRUE(chosen.request.saved);
    EXPECT_TRUE(chosen.request.codeChosen);
    EXPECT_EQ(chosen.request.code, L"E456");
    EXPECT_EQ(chosen.Stored(0xE456), Glyph());
    EXPECT_TRUE(MatchesSequence(chosen.desktop.calls, {{"ui AskCode"},
                                                       {"ui CheckCodeFree"},
                                                       {"ui ConfirmSave"},
                                                       {"lock Acquire 0"},
                                                       {"CreateEditorProcess"}}));

    struct Case {
        const char* name;
        std::function<void(SaveRun&)> answer;
        Calls seen;
    };
    const Case cases[] = {
        {"code dialog cancelled", [](SaveRun& r) { r.ui.chosenCode.reset(); }, {"ui AskCode"}},
        {"code in another window",
         [](SaveRun& r) { r.ui.codeFree = false; },
         {"ui AskCode", "ui CheckCodeFree"}},
        {"confirmation declined",
         [](SaveRun& r) { r.ui.confirm = false; },
         {"ui AskCode", "ui CheckCodeFree", "ui ConfirmSave"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveRun run;
        c.answer(run);
        run.Run(L"");
        EXPECT_FALSE(run.request.saved);
        EXPECT_EQ(run.UserSide(), c.seen);
        // Nothing was locked, looked for or started.
        EXPECT_EQ(run.Count("lock Acquire 0"), 0);
        EXPECT_EQ(run.Count("FindCharEditorWindow"), 0);
        EXPECT_FALSE(run.EditorStarted());
        EXPECT_EQ(run.Stored(0xE456), std::nullopt);
    }
}

TEST(SaveRequest, AnotherEditorsSaveIsAwaitedWithANoticeAndARunningEditorRefusesTheSave) {
    SaveRun waited;
    waited.lock.freeAtOnce = false;
    waited.settings.Set(L"EudcSaveTimeoutMSec", L"9000");
    waited.Run();
    EXPECT_TRUE(waited.request.saved);
    EXPECT_EQ(waited.UserSide(), (Calls{"ui ConfirmSave", "lock Acquire 0", "ui WaitingForOtherSave",
                                        "lock Acquire 9000", "ui StepAside", "ui ComeBack"}));

    // The lock never comes: the failure is shown while the notice still stands, and nothing starts.
    SaveRun timedOut;
    timedOut.lock.freeAtOnce = timedOut.lock.freeAfterWait = false;
    timedOut.Run();
    EXPECT_FALSE(timedOut.request.saved);
    EXPECT_EQ(timedOut.UserSide(), (Calls{"ui ConfirmSave", "lock Acquire 0", "ui WaitingForOtherSave",
                                          "lock Acquire 60000", "ui ShowMessage 2027"}));
    EXPECT_FALSE(timedOut.EditorStarted());

    // A system character editor already runs: the message, then that editor comes to the front.
    SaveRun running;
    running.desktop.editorAlreadyRunning = true;
    running.Run();
    EXPECT_FALSE(running.request.saved);
    EXPECT_TRUE(MatchesSequence(
        running.desktop.calls,
        {{"lock Acquire 0"}, {"FindCharEditorWindow"}, {"ui ShowMessage 2003"}, {"SetForegroundWindow"}}));
    EXPECT_FALSE(running.EditorStarted());
    EXPECT_EQ(running.Count("ui StepAside"), 0);
}

TEST(SaveRequest, EachWritingFailureShowsItsMessagesAndTheWindowAlwaysComesBack) {
    struct Case {
        const char* name;
        std::function<void(SaveRun&)> script;
        Calls messages;
        bool stepsAside;
    };
    const Case cases[] = {
        {"editor not started",
         [](SaveRun& r) { r.desktop.processStarts = false; },
         {"ui ShowMessage 2004", "ui ShowMessage 2027"},
         false},
        {"no main window",
         [](SaveRun& r) { r.desktop.mainWindowAfterPolls = -1; },
         {"ui ShowMessage 2006", "ui ShowMessage 2027"},
         true},
        {"no start-up dialog",
         [](SaveRun& r) { r.desktop.startupDialogAfterPolls = -1; },
         {"ui ShowMessage 2014", "ui ShowMessage 2027"},
         true},
        {"every save attempt errs",
         [](SaveRun& r) { r.desktop.erringAttempts = {0}; },
         {"ui ShowMessage 2027"},
         true},
        {"the paste is lost, so the file never holds the glyph",
         [](SaveRun& r) { r.desktop.pasteLost = true; },
         {"ui ShowMessage 2027"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveRun run;
        c.script(run);
        run.Run();
        EXPECT_FALSE(run.request.saved);
        Calls seen;
        for (const std::string& call : run.UserSide())
            if (call.rfind("ui ShowMessage", 0) == 0) seen.push_back(call);
        EXPECT_EQ(seen, c.messages);
        EXPECT_EQ(run.ui.asideDepth, 0);
        if (c.stepsAside) {
            // The messages come once the window is back.
            std::vector<Step> table{{"ui StepAside"}, {"ui ComeBack"}};
            for (const std::string& message : c.messages) table.push_back({message});
            EXPECT_TRUE(MatchesSequence(run.desktop.calls, table));
        } else {
            EXPECT_EQ(run.Count("ui StepAside"), 0);
        }
    }

    // Backups that cannot be made stop the save before the editor starts, naming the file and the folder.
    SaveRun noBackup;
    std::ofstream(noBackup.files.backupFolder) << "a file where the folder should be";
    noBackup.Run();
    EXPECT_FALSE(noBackup.request.saved);
    EXPECT_FALSE(noBackup.EditorStarted());
    ASSERT_EQ(noBackup.ui.texts.size(), 1u);
    const std::wstring& text = noBackup.ui.texts[0];
    EXPECT_EQ(text.rfind(L"ﾊﾞｯｸｱｯﾌﾟ失敗\r\n", 0), 0u);
    EXPECT_NE(text.find(L"EUDC."), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\n" + noBackup.files.backupFolder.wstring() + L"\r\n100%"), std::wstring::npos);
    EXPECT_EQ(noBackup.UserSide(), (Calls{"ui ConfirmSave", "lock Acquire 0", "ui ShowText"}));
}

// The font's proof reaches the user: a save the font does not prove fails with its one message; with
// FontProof=warn it is saved and the warning shown once the window is back.
TEST(SaveRequest, TheFontsVerdictIsToldOnceTheWindowIsBack) {
    SaveRun lost;
    lost.desktop.writesFont = false;
    lost.Run();
    EXPECT_FALSE(lost.request.saved);
    ASSERT_EQ(lost.ui.texts.size(), 1u);
    EXPECT_NE(lost.ui.texts[0].find(L"保存に失敗しました"), std::wstring::npos);
    EXPECT_EQ(lost.UserSide(),
              (Calls{"ui ConfirmSave", "lock Acquire 0", "ui StepAside", "ui ComeBack", "ui ShowText"}));

    SaveRun warned;
    warned.desktop.writesFont = false;
    warned.settings.Set(kFontProofKey, L"warn");
    warned.Run();
    EXPECT_TRUE(warned.request.saved);
    ASSERT_EQ(warned.ui.texts.size(), 1u);
    EXPECT_NE(warned.ui.texts[0].find(L"外字ﾌｫﾝﾄへの保存は確認できませんでした"), std::wstring::npos);
    EXPECT_EQ(warned.UserSide().back(), "ui ShowText");
}

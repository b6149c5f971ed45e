#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "automation/direct_save.h"
#include "font_test_support.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/tte_agreement.h"
#include "memory_profile_store.h"
#include "scripted_desktop.h"
#include "test_support.h"

namespace {

constexpr int kSize = 32;
constexpr int kCode = 0xE123;

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Stops the save where a crash would: the exception leaves the writer at once.
struct Crash {};

enum class Op { Write, Read, Replace, Remove };

// The real file system of a test folder, with faults where the test puts them and a crash after a chosen
// step.
class TestPlatform : public IDirectSavePlatform {
  public:
    std::map<std::pair<Op, std::filesystem::path>, std::vector<FileFault>> faults;  // consumed in order
    int crashAfter = 0;
    bool corruptReads = false;
    std::vector<std::string> events;
    int pauses = 0;

    FileFault Take(Op op, const std::filesystem::path& file) {
        auto found = faults.find({op, file});
        if (found == faults.end() || found->second.empty()) return FileFault::None;
        const FileFault fault = found->second.front();
        if (found->second.size() > 1) found->second.erase(found->second.begin());  // the last one stays
        return fault;
    }
    FileFault WriteNewFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) override {
        if (const FileFault fault = Take(Op::Write, file); fault != FileFault::None) return fault;
        std::string error;
        return WriteWholeFile(file, bytes, error) ? FileFault::None : FileFault::Other;
    }
    FileFault ReadWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) override {
        if (const FileFault fault = Take(Op::Read, file); fault != FileFault::None) return fault;
        if (!std::filesystem::exists(file)) return FileFault::Missing;
        bytes = ReadAll(file);
        if (corruptReads && file.string().ends_with(".kf-new") && !bytes.empty())
            bytes[bytes.size() / 2] ^= 0x5A;
        return FileFault::None;
    }
    FileFault PutInPlace(const std::filesystem::path& written, const std::filesystem::path& target) override {
        events.push_back("replace " + target.filename().string());
        if (const FileFault fault = Take(Op::Replace, target); fault != FileFault::None) return fault;
        std::string error;
        return PutFileInPlace(written, target, error) ? FileFault::None : FileFault::Other;
    }
    FileFault RemoveFile(const std::filesystem::path& file) override {
        std::error_code ignored;
        return std::filesystem::remove(file, ignored) ? FileFault::None : FileFault::Missing;
    }
    bool FileExists(const std::filesystem::path& file) override { return std::filesystem::exists(file); }
    void ReleaseSystemFont() override { events.push_back("release"); }
    void RestoreSystemFont() override { events.push_back("restore"); }
    void AnnounceFontChange() override { events.push_back("announce"); }
    void Pause(int) override { ++pauses; }
    LocalTime Now() override { return {2026, 12, 9, 17, 0, ++m_second}; }
    std::int64_t NowMs() override { return m_second * 1000; }
    std::wstring LoadText(unsigned) override { return L""; }
    void StepDone(DirectStep step) override {
        if (static_cast<int>(step) == crashAfter) throw Crash{};
    }

  private:
    int m_second = 0;
};

class SilentUi : public ISaveUi {
  public:
    std::optional<std::wstring> AskCode() override { return std::nullopt; }
    bool CheckCodeFree(const std::wstring&) override { return true; }
    bool ConfirmSave() override { return true; }
    void ShowProgress(SaveStep) override {}
    void ShowMessage(unsigned) override {}
    void ShowText(const std::wstring&) override {}
    bool AskYesNo(const std::wstring&) override { return false; }
    void StepAside() override {}
    void ComeBack() override {}
};

// A pair of files with two characters that agree, and a drawing to save over one of them.
struct DirectPair : ::testing::Test {
    std::filesystem::path folder = MakeTestFolder("direct");
    SaveFiles files{folder / "EUDC.EUF", folder / "EUDC.TTE", folder / "backup"};
    std::vector<std::uint8_t> oldRecord = StrokeDots(kSize, 3);
    DotPlane drawing{kSize};
    std::vector<std::uint8_t> bitmapBefore, fontBefore;
    TestPlatform platform;
    SilentUi ui;

    void SetUp() override {
        std::vector<std::uint8_t> bitmap = MakeEudcBitmapFileBytes(kSize);
        ASSERT_TRUE(PutEudcBitmapRecordBytes(bitmap, kCode, oldRecord));
        ASSERT_TRUE(PutEudcBitmapRecordBytes(bitmap, 0xE000, StrokeDots(kSize, 7)));
        std::string error;
        std::vector<std::uint8_t> font;
        ASSERT_EQ(BuildTteFontFromEudc(bitmap, 3'000'000'000LL, font, error), kTteOk) << error;
        ASSERT_TRUE(WriteWholeFile(files.bitmapFile, bitmap, error));
        ASSERT_TRUE(WriteWholeFile(files.fontFile, font, error));
        bitmapBefore = bitmap;
        fontBefore = font;
        const std::vector<std::uint8_t> drawn = StrokeDots(kSize, 11);
        std::copy(drawn.begin(), drawn.end(), drawing.Bytes().begin());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    WriteOutcome Save() {
        CDirectCharacterWriter writer(platform, kSize, files, ui);
        return writer.Write(L"E123", drawing);
    }
    std::vector<std::uint8_t> StoredRecord() {
        int width = 0, height = 0;
        std::vector<std::uint8_t> bits;
        EXPECT_EQ(ReadEudcBitmap(files.bitmapFile, kCode, width, height, &bits), kEudcOk);
        return bits;
    }
    // What `euftool check` reports: every code of the bitmap file has the glyph of its character.
    void ExpectPairClean() {
        TteFont font;
        ASSERT_EQ(font.Read(files.fontFile), kTteOk);
        PairCheck check;
        std::string error;
        ASSERT_TRUE(CheckEudcPair(ReadAll(files.bitmapFile), font, check, error)) << error;
        EXPECT_TRUE(check.problems.empty()) << PairProblemName(check.problems.front().kind);
        EXPECT_EQ(check.bitmapCodes, 2);
        EXPECT_EQ(check.agreeing, 2);
        const std::vector<std::uint8_t> record = StoredRecord();
        EXPECT_TRUE(VerifyTteGlyph(ReadAll(files.fontFile), kCode, kSize, record, error)) << error;
    }
    void ExpectNothingLeftOver() {
        EXPECT_FALSE(std::filesystem::exists(BesideFile(files.bitmapFile)));
        EXPECT_FALSE(std::filesystem::exists(BesideFile(files.fontFile)));
        EXPECT_FALSE(std::filesystem::exists(JournalFile(files.bitmapFile)));
    }
    void ExpectUnchanged() {
        EXPECT_EQ(ReadAll(files.bitmapFile), bitmapBefore);
        EXPECT_EQ(ReadAll(files.fontFile), fontBefore);
        ExpectNothingLeftOver();
    }
};

TEST_F(DirectPair, SavesBothFilesSoThatTheyShowTheDrawingAndAgree) {
    const WriteOutcome outcome = Save();
    ASSERT_TRUE(outcome.saved) << std::string(outcome.writeProblem.begin(), outcome.writeProblem.end());
    EXPECT_EQ(outcome.result, SaveResult::Saved);
    const std::vector<std::uint8_t> record = StoredRecord();
    EXPECT_TRUE(std::equal(record.begin(), record.end(), drawing.Bytes().begin(), drawing.Bytes().end()));
    ExpectPairClean();
    ExpectNothingLeftOver();
    // The bitmap file goes first, and the system lets go of its font only around the replacement.
    EXPECT_EQ(platform.events, (std::vector<std::string>{"release", "replace EUDC.EUF", "replace EUDC.TTE",
                                                         "restore", "announce"}));
    // Both files as they were before are in the backups.
    EXPECT_EQ(ListBackups(files.backupFolder, L"EUDC.EUF").size(), 1U);
    EXPECT_EQ(ListBackups(files.backupFolder, L"EUDC.TTE").size(), 1U);
}

TEST_F(DirectPair, ACrashAfterAnyStepIsFinishedOrUndoneAtTheNextStart) {
    for (int step = 1; step <= kDirectStepCount; ++step) {
        SCOPED_TRACE("crash after step " + std::to_string(step));
        std::string error;
        ASSERT_TRUE(WriteWholeFile(files.bitmapFile, bitmapBefore, error));
        ASSERT_TRUE(WriteWholeFile(files.fontFile, fontBefore, error));
        platform.crashAfter = step;
        EXPECT_THROW(Save(), Crash);

        TestPlatform restart;
        const DirectRecovery recovery = RecoverDirectSave(restart, files, kSize);
        // The journal is written at step 4: before it the old pair stands, from it on the new one.
        EXPECT_EQ(recovery.journalFound, step >= 4 && step < 7);
        if (recovery.journalFound) {
            EXPECT_TRUE(recovery.finished);
        }
        const std::vector<std::uint8_t> record = StoredRecord();
        const bool saved =
            std::equal(record.begin(), record.end(), drawing.Bytes().begin(), drawing.Bytes().end());
        EXPECT_EQ(saved, step >= 4);
        if (!saved) {
            EXPECT_EQ(record, oldRecord);
        }
        ExpectPairClean();
        ExpectNothingLeftOver();
    }
}

TEST_F(DirectPair, RecoveryMakesTheGlyphFromTheBitmapFileWhenTheNewFontIsDamaged) {
    platform.crashAfter = static_cast<int>(DirectStep::BitmapReplaced);
    EXPECT_THROW(Save(), Crash);
    // The new font beside the old one did not reach the disk whole.
    std::vector<std::uint8_t> damaged = ReadAll(BesideFile(files.fontFile));
    damaged.resize(damaged.size() / 2);
    std::string error;
    ASSERT_TRUE(WriteWholeFile(BesideFile(files.fontFile), damaged, error));

    TestPlatform restart;
    const DirectRecovery recovery = RecoverDirectSave(restart, files, kSize);
    EXPECT_TRUE(recovery.finished);
    EXPECT_NE(
        std::find(recovery.steps.begin(), recovery.steps.end(), L"font glyph made from the bitmap file"),
        recovery.steps.end());
    ExpectPairClean();
    ExpectNothingLeftOver();
}

TEST_F(DirectPair, RecoveryDropsADamagedNewBitmapFileAndLeavesForeignJournalsAlone) {
    platform.crashAfter = static_cast<int>(DirectStep::JournalWritten);
    EXPECT_THROW(Save(), Crash);
    std::vector<std::uint8_t> damaged = ReadAll(BesideFile(files.bitmapFile));
    damaged.resize(100);
    std::string error;
    ASSERT_TRUE(WriteWholeFile(BesideFile(files.bitmapFile), damaged, error));
    // The new font showing the drawing is dropped too: the bitmap file still holds the old character.
    TestPlatform restart;
    EXPECT_TRUE(RecoverDirectSave(restart, files, kSize).finished);
    ExpectUnchanged();

    // A journal of another pair, or one that is not a journal, is not acted on.
    for (const auto& bytes : {JournalBytes(kCode, folder / "OTHER.EUF", files.fontFile),
                              std::vector<std::uint8_t>{'x', '\n'}, std::vector<std::uint8_t>{}}) {
        ASSERT_TRUE(WriteWholeFile(JournalFile(files.bitmapFile), bytes, error));
        const DirectRecovery recovery = RecoverDirectSave(restart, files, kSize);
        EXPECT_TRUE(recovery.journalFound);
        EXPECT_FALSE(recovery.finished);
        EXPECT_TRUE(std::filesystem::exists(JournalFile(files.bitmapFile)));
        EXPECT_EQ(ReadAll(files.bitmapFile), bitmapBefore);
    }
    EXPECT_EQ(
        ParseJournal(JournalBytes(kCode, files.bitmapFile, files.fontFile), files.bitmapFile, files.fontFile),
        kCode);
}

struct FaultCase {
    const char* name;
    Op op;
    bool onFont;  // the font's file (or its new file), else the bitmap file's
    bool beside;  // the new file written beside, else the file itself
    std::vector<FileFault> faults;
    bool saved;
    unsigned reason;
};

TEST_F(DirectPair, AFaultEndsTheSaveWithTheFileAndReasonAndChangesNothing) {
    const FaultCase cases[] = {
        {"bitmap file locked for good",
         Op::Replace,
         false,
         false,
         {FileFault::Locked},
         false,
         kMsgFileLocked},
        {"font locked for good", Op::Replace, true, false, {FileFault::Locked}, false, kMsgFileLocked},
        {"font held for a moment", Op::Replace, true, false, {FileFault::Locked, FileFault::None}, true, 0},
        {"read-only font", Op::Replace, true, false, {FileFault::AccessDenied}, false, kMsgFileAccessDenied},
        {"folder read-only", Op::Write, false, true, {FileFault::AccessDenied}, false, kMsgFileAccessDenied},
        {"disk full", Op::Write, true, true, {FileFault::DiskFull}, false, kMsgDiskFull},
        {"font unreadable", Op::Read, true, false, {FileFault::Locked}, false, kMsgFileLocked},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        ASSERT_TRUE(WriteWholeFile(files.bitmapFile, bitmapBefore, error));
        ASSERT_TRUE(WriteWholeFile(files.fontFile, fontBefore, error));
        platform = TestPlatform();
        const std::filesystem::path& file = c.onFont ? files.fontFile : files.bitmapFile;
        platform.faults[{c.op, c.beside ? BesideFile(file) : file}] = c.faults;

        const WriteOutcome outcome = Save();
        EXPECT_EQ(outcome.saved, c.saved);
        EXPECT_TRUE(outcome.started);
        if (c.saved) {
            EXPECT_TRUE(outcome.writeProblem.empty());
            ExpectPairClean();
            ExpectNothingLeftOver();
            continue;
        }
        EXPECT_NE(outcome.writeProblem.find(file.wstring()), std::wstring::npos);
        EXPECT_NE(outcome.writeProblem.find(DefaultDirectSaveText(c.reason)), std::wstring::npos);
        ExpectUnchanged();
        if (c.op == Op::Replace) {
            // A held file is tried again, a little later each time; the system gets its font back.
            if (c.faults.front() == FileFault::Locked) {
                EXPECT_EQ(platform.pauses, kReplaceAttempts - 1);
            }
            EXPECT_EQ(platform.events.back(), "restore");
        }
    }
}

TEST_F(DirectPair, NewFilesThatDoNotReadBackAsWrittenAreNeverPutInPlace) {
    platform.corruptReads = true;
    const WriteOutcome outcome = Save();
    EXPECT_FALSE(outcome.saved);
    EXPECT_NE(outcome.writeProblem.find(DefaultDirectSaveText(kMsgFileUnverified)), std::wstring::npos);
    ExpectUnchanged();
    EXPECT_TRUE(platform.events.empty());
}

// A writer that records that it ran.
class RecordingWriter : public ICharacterWriter {
  public:
    int runs = 0;
    WriteOutcome Write(const std::wstring&, const DotPlane&) override {
        ++runs;
        WriteOutcome outcome;
        outcome.started = outcome.saved = true;
        outcome.result = SaveResult::Saved;
        return outcome;
    }
};

class AnsweringUi : public SilentUi {
  public:
    bool yes = false;
    std::vector<std::wstring> questions;
    bool AskYesNo(const std::wstring& text) override {
        questions.push_back(text);
        return yes;
    }
};

class FreeLock : public ISaveLock {
  public:
    bool Acquire(int) override { return true; }
};

TEST_F(DirectPair, AFailedDirectSaveOffersTheSteeredSave) {
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        platform = TestPlatform();
        platform.faults[{Op::Replace, files.fontFile}] = {FileFault::AccessDenied};
        AnsweringUi answers;
        answers.yes = yes;
        MemoryProfileStore settings;
        settings.WriteProfileString(kEditorSection, L"SaveAns", L"no");
        FakeDesktop desktop;
        CDirectCharacterWriter direct(platform, kSize, files, answers);
        RecordingWriter steered;
        FreeLock lock;
        CSaveRequest request(answers, lock, desktop, direct, settings, nullptr, &steered);
        const SaveRequestResult result = request.Run(L"E123", drawing);
        ASSERT_EQ(answers.questions.size(), 1U);
        EXPECT_NE(answers.questions[0].find(files.fontFile.wstring()), std::wstring::npos);
        EXPECT_EQ(steered.runs, yes ? 1 : 0);
        EXPECT_EQ(result.saved, yes);
        ExpectUnchanged();
    }
}

TEST(SaveMethodSetting, IsTheEditorUnlessSetToDirect) {
    MemoryProfileStore settings;
    EXPECT_EQ(ReadSaveMethod(settings), SaveMethod::Editor);
    EXPECT_EQ(settings.GetProfileString(kEditorSection, kSaveMethodKey, L""), L"editor");
    settings.WriteProfileString(kEditorSection, kSaveMethodKey, L"Direct");
    EXPECT_EQ(ReadSaveMethod(settings), SaveMethod::Direct);
    settings.WriteProfileString(kEditorSection, kSaveMethodKey, L"fast");
    EXPECT_EQ(ReadSaveMethod(settings), SaveMethod::Editor);
    EXPECT_EQ(settings.GetProfileString(kEditorSection, kSaveMethodKey, L""), L"editor");
}

}  // namespace

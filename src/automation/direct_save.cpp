#include "automation/direct_save.h"

#include <algorithm>
#include <mutex>
#include <string_view>

#include "automation/font_proof.h"
#include "automation/save_checks.h"
#include "base/diag_log.h"
#include "base/value_forms.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/tte_font.h"
#include "glyphstore/tte_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kJournalHead = "Kanjiforge direct save 1\n";

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The record of `code` in a bitmap file's bytes, when it reads and has the glyph size.
std::optional<Bytes> RecordOf(std::span<const std::uint8_t> bitmapFile, int code, int size) {
    int width = 0, height = 0;
    Bytes bits;
    if (ReadEudcBitmapBytes(bitmapFile, code, width, height, &bits) != kEudcOk) return std::nullopt;
    if (width != size || height != size) return std::nullopt;
    return bits;
}

// The font's bytes with the glyph of `code` showing `dots` exactly, checked.
bool FontWithGlyph(std::span<const std::uint8_t> fontBytes, int code, int size,
                   std::span<const std::uint8_t> dots, Bytes& updated, std::string& error) {
    TteFont font;
    if (const int result = font.Load(fontBytes); result != kTteOk) {
        error = "the font does not read (Err=" + std::to_string(result) + "): " + font.Error();
        return false;
    }
    return UpdateVerifiedTteGlyph(font, code, size, dots, updated, error);
}

// Undoes the system's release of its EUDC font on every way out.
class SystemFontReleased {
  public:
    explicit SystemFontReleased(IDirectSavePlatform& platform) : m_platform(platform) {
        m_platform.ReleaseSystemFont();
    }
    SystemFontReleased(const SystemFontReleased&) = delete;
    SystemFontReleased& operator=(const SystemFontReleased&) = delete;
    ~SystemFontReleased() { m_platform.RestoreSystemFont(); }

  private:
    IDirectSavePlatform& m_platform;
};

// The large buffers of a save, kept for the next one: a fresh block of a few megabytes can cost more to map
// in, page by page, than to fill. Saves run one at a time; the lock guards against a second writer anyway.
struct SaveBuffers {
    std::mutex mutex;
    Bytes oldBitmap, font, bitmap, readBack;
};

SaveBuffers& ReusedBuffers() {
    static SaveBuffers buffers;
    return buffers;
}

}  // namespace

const wchar_t* FileFaultName(FileFault fault) {
    switch (fault) {
        case FileFault::None:
            return L"none";
        case FileFault::Locked:
            return L"locked";
        case FileFault::AccessDenied:
            return L"access denied";
        case FileFault::DiskFull:
            return L"disk full";
        case FileFault::Missing:
            return L"missing";
        case FileFault::Unverified:
            return L"unverified";
        case FileFault::Other:
            break;
    }
    return L"failed";
}

unsigned FileFaultTextId(FileFault fault) {
    switch (fault) {
        case FileFault::Locked:
            return kMsgFileLocked;
        case FileFault::AccessDenied:
            return kMsgFileAccessDenied;
        case FileFault::DiskFull:
            return kMsgDiskFull;
        case FileFault::Missing:
            return kMsgFileMissing;
        case FileFault::Unverified:
            return kMsgFileUnverified;
        default:
            return kMsgFileFailed;
    }
}

const wchar_t* DefaultDirectSaveText(unsigned id) {
    switch (id) {
        case kMsgDirectSaveFailed:
            return L"外字ﾌｧｲﾙに直接保存できませんでした。ﾌｧｲﾙは変更されていません。\r\n%s\r\n%s\r\n"
                   L"外字ｴﾃﾞｨﾀを使って保存しますか?";
        case kMsgFileLocked:
            return L"ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑに使用されています。";
        case kMsgFileAccessDenied:
            return L"ﾌｧｲﾙまたはﾌｫﾙﾀﾞへの書き込みが許可されていません。";
        case kMsgDiskFull:
            return L"ﾃﾞｨｽｸの空き領域が足りません。";
        case kMsgFileMissing:
            return L"ﾌｧｲﾙが見つかりません。";
        case kMsgFileUnverified:
            return L"書き込んだﾌｧｲﾙの内容が確認できません。";
        default:
            return L"ﾌｧｲﾙが読み書きできません。";
    }
}

std::filesystem::path JournalFile(const std::filesystem::path& bitmapFile) {
    std::filesystem::path path = bitmapFile;
    path += ".kf-journal";
    return path;
}

std::vector<std::uint8_t> JournalBytes(int code, const std::filesystem::path& bitmapFile,
                                       const std::filesystem::path& fontFile) {
    const std::wstring codeText = FormatCodeText(code);
    std::string text(kJournalHead);
    text += "code " + std::string(codeText.begin(), codeText.end()) + "\n";
    text += "bitmap " + PathText(bitmapFile) + "\n";
    text += "font " + PathText(fontFile) + "\n";
    return Bytes(text.begin(), text.end());
}

std::optional<int> ParseJournal(std::span<const std::uint8_t> bytes, const std::filesystem::path& bitmapFile,
                                const std::filesystem::path& fontFile) {
    const std::string text(bytes.begin(), bytes.end());
    const std::string expectedTail = "bitmap " + PathText(bitmapFile) + "\nfont " + PathText(fontFile) + "\n";
    const std::size_t codeAt = kJournalHead.size() + 5;  // after "code "
    if (text.size() != codeAt + 5 + expectedTail.size() ||
        text.compare(0, kJournalHead.size(), kJournalHead) != 0 ||
        text.compare(kJournalHead.size(), 5, "code ") != 0 || text[codeAt + 4] != '\n' ||
        text.compare(codeAt + 5, std::string::npos, expectedTail) != 0)
        return std::nullopt;
    const std::string digits = text.substr(codeAt, 4);
    const int code = ParseCodeText(std::wstring(digits.begin(), digits.end()));
    if (!IsUnicodeEudcCode(code)) return std::nullopt;
    return code;
}

SaveMethod ReadSaveMethod(IProfileStore& settings) {
    const std::wstring value = ToLowerText(settings.GetProfileString(kEditorSection, kSaveMethodKey, L""));
    if (value == L"direct") return SaveMethod::Direct;
    if (value != L"editor") WriteSaveMethod(settings, SaveMethod::Editor);
    return SaveMethod::Editor;
}

void WriteSaveMethod(IProfileStore& settings, SaveMethod method) {
    settings.WriteProfileString(kEditorSection, kSaveMethodKey,
                                method == SaveMethod::Direct ? L"direct" : L"editor");
}

WriteOutcome CDirectCharacterWriter::Failed(WriteOutcome outcome, const std::filesystem::path& file,
                                            FileFault fault, const std::string& detail) {
    g_log.Write(L"Direct save: %s: %s %s\n", file.wstring().c_str(), FileFaultName(fault),
                Wide(detail).c_str());
    const auto text = [this](unsigned id) {
        std::wstring loaded = m_platform.LoadText(id);
        return loaded.empty() ? std::wstring(DefaultDirectSaveText(id)) : loaded;
    };
    outcome.writeProblem =
        FormatFontText(text(kMsgDirectSaveFailed), {file.wstring(), text(FileFaultTextId(fault))});
    return outcome;
}

FileFault CDirectCharacterWriter::ReplaceHeld(const std::filesystem::path& written,
                                              const std::filesystem::path& target) {
    // A reader (a font scanner, a browser) may hold the file for a moment: wait it out, not longer.
    FileFault fault = FileFault::None;
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (attempt > 0) m_platform.Pause(50 << attempt);
        fault = m_platform.PutInPlace(written, target);
        if (fault != FileFault::Locked) break;
        g_log.Write(L"Direct save: %s held, attempt %d\n", target.wstring().c_str(), attempt + 1);
    }
    return fault;
}

void CDirectCharacterWriter::RemoveBeside() {
    for (const auto& file : {m_files.bitmapFile, m_files.fontFile}) {
        const std::filesystem::path beside = BesideFile(file);
        if (m_platform.FileExists(beside)) m_platform.RemoveFile(beside);
    }
}

WriteOutcome CDirectCharacterWriter::Write(const std::wstring& codeText, const DotPlane& glyph) {
    WriteOutcome outcome;
    const int code = ParseCodeText(codeText);
    const int size = m_nGlyphSize;
    if (!IsUnicodeEudcCode(code)) {
        outcome.problem = LaunchProblem::BadCode;
        return outcome;
    }
    if (m_files.bitmapFile.empty() || m_files.fontFile.empty() || glyph.Size() != size) {
        outcome.started = true;
        return Failed(outcome, m_files.bitmapFile, FileFault::Missing, "no EUDC pair to write");
    }

    // Each step with its time since the command reached the writer, in the diagnostic log.
    SaveTimeline timeline([this] { return m_platform.NowMs(); },
                          [](const std::wstring& line) { g_log.Write(L"%s\n", line.c_str()); });
    timeline.Mark(L"direct: save of " + codeText);
    m_ui.ShowProgress(SaveStep::BackingUp);
    const std::filesystem::path& bitmapFile = m_files.bitmapFile;
    const std::filesystem::path& fontFile = m_files.fontFile;
    const std::filesystem::path bitmapBeside = BesideFile(bitmapFile);
    const std::filesystem::path fontBeside = BesideFile(fontFile);
    // The old pair is read once: it is backed up, and the new pair is made from it.
    SaveBuffers& buffers = ReusedBuffers();
    const std::lock_guard hold(buffers.mutex);
    Bytes& oldBitmap = buffers.oldBitmap;
    Bytes& font = buffers.font;
    for (const auto& [file, bytes] : {std::pair{&bitmapFile, &oldBitmap}, std::pair{&fontFile, &font}}) {
        if (const FileFault fault = m_platform.ReadWholeFile(*file, *bytes); fault != FileFault::None) {
            outcome.started = true;
            return Failed(outcome, *file, fault, "cannot read");
        }
    }
    if (!m_files.backupFolder.empty() &&
        !BackUpFiles({bitmapFile, fontFile}, m_files.backupFolder, m_platform.Now(), outcome.backupProblem,
                     {oldBitmap, font})) {
        outcome.problem = LaunchProblem::BackupFailed;
        outcome.backupFolder = m_files.backupFolder.wstring();
        g_log.Write(L"Backup failed: %s\n", outcome.backupProblem.c_str());
        return outcome;
    }
    outcome.started = true;
    m_platform.StepDone(DirectStep::BackedUp);
    timeline.Mark(L"direct: backed up");

    // The new bitmap file beside the old one, read back: it must hold exactly the drawing.
    m_ui.ShowProgress(SaveStep::Saving);
    Bytes& bitmap = buffers.bitmap;
    bitmap.assign(oldBitmap.begin(), oldBitmap.end());
    if (!PutEudcBitmapRecordBytes(bitmap, code, glyph.Bytes()))
        return Failed(outcome, bitmapFile, FileFault::Other, "does not take the character");
    if (const FileFault fault = m_platform.WriteNewFile(bitmapBeside, bitmap); fault != FileFault::None)
        return Failed(outcome, bitmapFile, fault, "cannot write " + PathText(bitmapBeside));
    Bytes& readBack = buffers.readBack;
    const FileFault bitmapRead = m_platform.ReadWholeFile(bitmapBeside, readBack);
    if (bitmapRead != FileFault::None || readBack != bitmap ||
        ReadBackGlyph(std::span<const std::uint8_t>(readBack), code, glyph) != ReadBack::Match) {
        RemoveBeside();
        return Failed(outcome, bitmapFile, FileFault::Unverified, "the new file does not read back");
    }
    m_platform.StepDone(DirectStep::BitmapWritten);
    timeline.Mark(L"direct: bitmap file written beside and read back");

    // The font with the glyph of the dots, beside the old one, read back: it must draw exactly the dots.
    Bytes updated;
    std::string error;
    if (!FontWithGlyph(font, code, size, glyph.Bytes(), updated, error)) {
        RemoveBeside();
        return Failed(outcome, fontFile, FileFault::Other, error);
    }
    if (const FileFault fault = m_platform.WriteNewFile(fontBeside, updated); fault != FileFault::None) {
        RemoveBeside();
        return Failed(outcome, fontFile, fault, "cannot write " + PathText(fontBeside));
    }
    m_ui.ShowProgress(SaveStep::Checking);
    readBack.clear();
    if (m_platform.ReadWholeFile(fontBeside, readBack) != FileFault::None || readBack != updated ||
        !VerifyTteGlyph(readBack, code, size, glyph.Bytes(), error)) {
        RemoveBeside();
        return Failed(outcome, fontFile, FileFault::Unverified, "the new font does not read back " + error);
    }
    m_platform.StepDone(DirectStep::FontWritten);
    timeline.Mark(L"direct: font written beside and read back");

    // The last moment a Cancel leaves nothing to undo.
    if (m_cancel != nullptr && m_cancel->Requested()) {
        RemoveBeside();
        outcome.cancelled = true;
        return outcome;
    }
    const std::filesystem::path journal = JournalFile(bitmapFile);
    if (const FileFault fault = m_platform.WriteNewFile(journal, JournalBytes(code, bitmapFile, fontFile));
        fault != FileFault::None) {
        RemoveBeside();
        return Failed(outcome, journal, fault, "cannot write the journal");
    }
    m_platform.StepDone(DirectStep::JournalWritten);

    {
        const SystemFontReleased released(m_platform);
        if (const FileFault fault = ReplaceHeld(bitmapBeside, bitmapFile); fault != FileFault::None) {
            RemoveBeside();
            m_platform.RemoveFile(journal);
            return Failed(outcome, bitmapFile, fault, "cannot replace");
        }
        m_platform.StepDone(DirectStep::BitmapReplaced);
        timeline.Mark(L"direct: bitmap file replaced");
        if (const FileFault fault = ReplaceHeld(fontBeside, fontFile); fault != FileFault::None) {
            // The old bitmap file goes back, so that the pair agrees as it did; should that fail too, the
            // journal stays and the next start makes the font's glyph from the new bitmap file.
            const bool restored = m_platform.WriteNewFile(bitmapBeside, oldBitmap) == FileFault::None &&
                                  ReplaceHeld(bitmapBeside, bitmapFile) == FileFault::None;
            RemoveBeside();
            if (restored) m_platform.RemoveFile(journal);
            g_log.Write(L"Direct save %s: old bitmap file %s\n", codeText.c_str(),
                        restored ? L"put back" : L"NOT put back, journal kept");
            return Failed(outcome, fontFile, fault, "cannot replace");
        }
        m_platform.StepDone(DirectStep::FontReplaced);
        timeline.Mark(L"direct: font replaced");
    }
    m_platform.AnnounceFontChange();
    timeline.Mark(L"direct: font change announced");
    if (m_platform.RemoveFile(journal) != FileFault::None)
        g_log.Write(L"Direct save %s: journal not removed (the next start checks the pair)\n",
                    codeText.c_str());
    m_platform.StepDone(DirectStep::JournalRemoved);
    timeline.Mark(L"direct: done");
    outcome.result = SaveResult::Saved;
    outcome.saved = true;
    return outcome;
}

DirectRecovery RecoverDirectSave(IDirectSavePlatform& platform, const SaveFiles& files, int glyphSize) {
    DirectRecovery recovery;
    const std::filesystem::path journal = JournalFile(files.bitmapFile);
    if (files.bitmapFile.empty() || files.fontFile.empty()) return recovery;
    const auto note = [&](std::wstring step) {
        g_log.Write(L"Direct save recovery: %s\n", step.c_str());
        recovery.steps.push_back(std::move(step));
    };
    const std::filesystem::path bitmapBeside = BesideFile(files.bitmapFile);
    const std::filesystem::path fontBeside = BesideFile(files.fontFile);
    if (!platform.FileExists(journal)) {
        // A save that ended before it named the pair changed nothing: what it wrote beside goes.
        for (const auto& beside : {bitmapBeside, fontBeside})
            if (platform.FileExists(beside) && platform.RemoveFile(beside) == FileFault::None)
                note(L"unused new file removed: " + beside.wstring());
        return recovery;
    }
    recovery.journalFound = true;
    Bytes journalBytes;
    std::optional<int> code;
    if (platform.ReadWholeFile(journal, journalBytes) == FileFault::None)
        code = ParseJournal(journalBytes, files.bitmapFile, files.fontFile);
    if (!code) {
        note(L"the journal does not name this pair; left alone");
        return recovery;
    }
    recovery.code = *code;

    // The bitmap file first: a new one that reads and holds the character goes in place.
    if (platform.FileExists(bitmapBeside)) {
        Bytes bytes;
        const bool sound = platform.ReadWholeFile(bitmapBeside, bytes) == FileFault::None &&
                           RecordOf(bytes, *code, glyphSize).has_value();
        if (sound && platform.PutInPlace(bitmapBeside, files.bitmapFile) == FileFault::None) {
            note(L"new bitmap file put in place");
        } else {
            platform.RemoveFile(bitmapBeside);
            note(sound ? L"new bitmap file could not be put in place; dropped"
                       : L"new bitmap file damaged; dropped");
        }
    }
    Bytes bitmap;
    if (const FileFault fault = platform.ReadWholeFile(files.bitmapFile, bitmap); fault != FileFault::None) {
        note(std::wstring(L"bitmap file not read: ") + FileFaultName(fault) + L"; journal kept");
        return recovery;
    }
    const std::optional<Bytes> dots = RecordOf(bitmap, *code, glyphSize);
    std::string error;
    if (platform.FileExists(fontBeside)) {
        Bytes bytes;
        const bool shows = dots && platform.ReadWholeFile(fontBeside, bytes) == FileFault::None &&
                           VerifyTteGlyph(bytes, *code, glyphSize, *dots, error);
        if (shows && platform.PutInPlace(fontBeside, files.fontFile) == FileFault::None) {
            note(L"new font put in place");
        } else {
            platform.RemoveFile(fontBeside);
            note(L"new font dropped");
        }
    }
    Bytes font;
    if (const FileFault fault = platform.ReadWholeFile(files.fontFile, font); fault != FileFault::None) {
        note(std::wstring(L"font not read: ") + FileFaultName(fault) + L"; journal kept");
        return recovery;
    }
    if (dots && !VerifyTteGlyph(font, *code, glyphSize, *dots, error)) {
        // The font does not show the bitmap file's character: its glyph is made again from the record.
        Bytes updated;
        if (!FontWithGlyph(font, *code, glyphSize, *dots, updated, error) ||
            platform.WriteNewFile(fontBeside, updated) != FileFault::None ||
            platform.PutInPlace(fontBeside, files.fontFile) != FileFault::None) {
            if (platform.FileExists(fontBeside)) platform.RemoveFile(fontBeside);
            note(L"font glyph could not be made from the bitmap file (" + Wide(error) + L"); journal kept");
            return recovery;
        }
        note(L"font glyph made from the bitmap file");
    } else if (!dots) {
        note(L"the bitmap file has no readable character for the code; font left as it is");
    }
    platform.RemoveFile(journal);
    note(L"journal removed");
    recovery.finished = true;
    platform.AnnounceFontChange();
    return recovery;
}

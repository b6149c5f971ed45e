// The character written straight into the EUDC bitmap file and font, without steering another program:
// the new files are written beside the old ones and read back, a small journal names the pair, the bitmap
// file takes its old one's place first and the font second, and the journal goes last. A journal that a
// crash left behind is finished or undone at the next start so that the pair agrees again; the bitmap file
// is the truth, as a font glyph can always be made again from its record. Free of Windows: the files, the
// system's hold on its EUDC font and the pauses are a port of their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "automation/save_request.h"
#include "base/profile_store.h"

// Why a file step failed.
enum class FileFault {
    None,
    Locked,        // another program holds the file
    AccessDenied,  // the file or its folder may not be written (read-only, no permission)
    DiskFull,      // the disk or a quota refused the bytes
    Missing,       // the file is not there
    Unverified,    // written, but did not read back as written
    Other,
};
const wchar_t* FileFaultName(FileFault fault);

// The steps of a direct save, in order; the port hears of each one as it is done.
enum class DirectStep {
    BackedUp = 1,
    BitmapWritten,   // the new bitmap file beside the old one, read back
    FontWritten,     // the new font beside the old one, read back
    JournalWritten,  // the pair to replace is named
    BitmapReplaced,
    FontReplaced,
    JournalRemoved,
};
inline constexpr int kDirectStepCount = 7;

// The file system and the system's EUDC font as a direct save needs them. Every call may fail with a fault;
// none throws on its own (a test's port may, to stop a save midway as a crash would).
class IDirectSavePlatform {
  public:
    virtual ~IDirectSavePlatform() = default;
    // Writes a new file (replacing one left by an earlier attempt) and flushes it to the disk; nothing is
    // left behind on failure.
    virtual FileFault WriteNewFile(const std::filesystem::path& file,
                                   std::span<const std::uint8_t> bytes) = 0;
    // A whole file, read letting other programs read it.
    virtual FileFault ReadWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) = 0;
    // Moves `written` over `target` in one step, through to the disk (not "ReplaceFile": a Windows macro).
    virtual FileFault PutInPlace(const std::filesystem::path& written,
                                 const std::filesystem::path& target) = 0;
    virtual FileFault RemoveFile(const std::filesystem::path& file) = 0;
    virtual bool FileExists(const std::filesystem::path& file) = 0;
    // The system lets go of its EUDC font while the files are replaced, and takes it up again after.
    virtual void ReleaseSystemFont() = 0;
    virtual void RestoreSystemFont() = 0;
    // Tells the programs that the font changed (and the family's browsers that a character did).
    virtual void AnnounceFontChange() = 0;
    virtual void Pause(int milliseconds) = 0;
    virtual LocalTime Now() = 0;
    // A monotonic clock in milliseconds, for the steps' times in the diagnostic log.
    virtual std::int64_t NowMs() = 0;
    // A string resource of the program, "" when it has none.
    virtual std::wstring LoadText(unsigned id) = 0;
    // Each step as it is done (a test build may end the process here to show what a crash leaves).
    virtual void StepDone(DirectStep step) = 0;
};

// The journal's name: the bitmap file's name with ".kf-journal" appended.
std::filesystem::path JournalFile(const std::filesystem::path& bitmapFile);
// The journal's bytes, and its reading: the code, or nothing when the bytes are not a journal of this pair.
std::vector<std::uint8_t> JournalBytes(int code, const std::filesystem::path& bitmapFile,
                                       const std::filesystem::path& fontFile);
std::optional<int> ParseJournal(std::span<const std::uint8_t> bytes, const std::filesystem::path& bitmapFile,
                                const std::filesystem::path& fontFile);

// The setting that chooses how a save writes the files: "editor" (the system character editor, steered)
// or "direct".
inline constexpr wchar_t kSaveMethodKey[] = L"SaveMethod";
enum class SaveMethod { Editor, Direct };
// A missing or unknown value is "editor", written back.
SaveMethod ReadSaveMethod(IProfileStore& settings);
void WriteSaveMethod(IProfileStore& settings, SaveMethod method);

// Messages of a direct save that could not be done: the question (%s the file, %s the reason) and the
// reasons.
inline constexpr unsigned kMsgDirectSaveFailed = 2040;
inline constexpr unsigned kMsgFileLocked = 2041;
inline constexpr unsigned kMsgFileAccessDenied = 2042;
inline constexpr unsigned kMsgDiskFull = 2043;
inline constexpr unsigned kMsgFileMissing = 2044;
inline constexpr unsigned kMsgFileUnverified = 2045;
inline constexpr unsigned kMsgFileFailed = 2046;
unsigned FileFaultTextId(FileFault fault);
// The texts used when the program's resources do not carry them.
const wchar_t* DefaultDirectSaveText(unsigned id);

// Tries to replace a held file this many times, pausing a little longer each time (about 1.5 s in all).
inline constexpr int kReplaceAttempts = 6;

class CDirectCharacterWriter : public ICharacterWriter {
  public:
    CDirectCharacterWriter(IDirectSavePlatform& platform, int glyphSize, SaveFiles files, ISaveUi& ui,
                           const SaveCancel* cancel = nullptr)
        : m_platform(platform),
          m_nGlyphSize(glyphSize),
          m_files(std::move(files)),
          m_ui(ui),
          m_cancel(cancel) {}
    WriteOutcome Write(const std::wstring& code, const DotPlane& glyph) override;

  private:
    // The failure of a step: the message naming the file and the reason, after the log.
    WriteOutcome Failed(WriteOutcome outcome, const std::filesystem::path& file, FileFault fault,
                        const std::string& detail);
    FileFault ReplaceHeld(const std::filesystem::path& written, const std::filesystem::path& target);
    void RemoveBeside();

    IDirectSavePlatform& m_platform;
    int m_nGlyphSize;
    SaveFiles m_files;
    ISaveUi& m_ui;
    const SaveCancel* m_cancel;
};

// What start-up found of an earlier direct save.
struct DirectRecovery {
    bool journalFound = false;
    bool finished = false;  // the journal is gone and the pair agrees for its code
    int code = 0;
    std::vector<std::wstring> steps;  // what was done, for the log
};
// Finishes or undoes the direct save a journal beside the bitmap file names: a new bitmap file that reads
// and holds the code's record is put in place, else dropped; the font then gets the glyph of the bitmap
// file's record (the new font when it shows exactly that, else the glyph made again from the record).
// A journal that does not name this pair is left alone; without a journal, new files left beside the pair
// (a save that ended before it named the pair) are removed. The caller holds the save lock.
DirectRecovery RecoverDirectSave(IDirectSavePlatform& platform, const SaveFiles& files, int glyphSize);

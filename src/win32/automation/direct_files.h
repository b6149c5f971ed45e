// The direct save's files and the system's EUDC font on Windows: files written and flushed, replaced with
// MoveFileExW in one step through to the disk, the system's link to its EUDC font let go of and taken up
// again (EnableEUDC, which MinGW's headers do not declare: looked up in gdi32 at run time), and the change
// announced to every window (WM_FONTCHANGE, sent without waiting) and to the family's browsers.
#pragma once

#include "automation/direct_save.h"

class CWin32DirectSavePlatform : public IDirectSavePlatform {
  public:
    // `stopAfterStep` (a test hook, 0 for none): the process ends at once after that step, as a crash would
    // leave the files.
    explicit CWin32DirectSavePlatform(int stopAfterStep = 0) : m_nStopAfterStep(stopAfterStep) {}

    FileFault WriteNewFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) override;
    FileFault ReadWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) override;
    FileFault PutInPlace(const std::filesystem::path& written, const std::filesystem::path& target) override;
    FileFault RemoveFile(const std::filesystem::path& file) override;
    bool FileExists(const std::filesystem::path& file) override;
    void ReleaseSystemFont() override;
    void RestoreSystemFont() override;
    void AnnounceFontChange() override;
    void Pause(int milliseconds) override;
    LocalTime Now() override;
    std::int64_t NowMs() override;
    std::wstring LoadText(unsigned id) override;
    void StepDone(DirectStep step) override;

  private:
    int m_nStopAfterStep;
    bool m_bReleased = false;
};

// The settings key of the test hook: the step after which the process ends during a direct save.
inline constexpr wchar_t kDirectSaveStopKey[] = L"DirectSaveTestStop";

// Finishes or undoes a direct save that a crash left unfinished, unless another editor is saving right now.
void RecoverDirectSaveAtStart(const SaveFiles& files, int glyphSize);

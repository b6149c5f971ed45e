// The standard-character finder's window: a modeless window beside the editor that lists the standard
// characters (Unicode ideographs and variation sequences of the chosen fonts) most like the glyph in the
// matrix, best first. It follows the glyph while the user draws, searching a moment after the last change,
// and never holds the matrix up: the fonts are loaded and searched on the finder's worker thread. A result
// can be copied as text (double click) or shown as sample layer 1 to compare it dot by dot.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/profile_store.h"
#include "editor/matrix_view_state.h"
#include "finder/finder_worker.h"
#include "win32/framework/dialog.h"

// The setting (section "GxmSettings") that lists the faces to search, separated by commas.
inline constexpr wchar_t kFinderFontsKey[] = L"FinderFonts";
// How many results the window lists, and how long the glyph must stay unchanged before it is searched.
inline constexpr std::size_t kFinderResultCount = 20;
inline constexpr auto kFinderSettleTime = std::chrono::milliseconds(300);

class CFinderDlg : public CDialog {
  public:
    // `glyph` gives the glyph to search (its dots in the planes' form and its size; empty when there is
    // none). `view` is the matrix that a result can be shown over as sample layer 1 (null where there is
    // none, as in the list browser); `layerShown` is called after that.
    using GlyphSource = std::function<std::vector<std::uint8_t>(int& size)>;
    CFinderDlg(IProfileStore& profile, std::wstring programFolder, IMatrixViewState* view, GlyphSource glyph,
               std::function<void()> layerShown = {});
    ~CFinderDlg() override;

    // Makes the window the first time, shows and activates it.
    void Open(CWnd* owner);
    BOOL PreTranslateMessage(MSG* msg) override;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    void OnDialogDpiChanged(int dpi) override;

  private:
    LRESULT OnWorkerNews(WPARAM, LPARAM);
    void OnTimer(UINT_PTR id);
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);
    void ShowLoadState();
    void ShowResults(FinderResults&& results);
    void AskIfChanged(bool now);
    void CopySelected();
    void ShowSelectedAsLayer();
    const FinderResult* Selected() const;
    void ApplyItemHeight(int dpi);

    IProfileStore& m_profile;
    std::wstring m_strProgramFolder;
    IMatrixViewState* m_pView;
    GlyphSource m_glyph;
    std::function<void()> m_layerShown;
    std::unique_ptr<FinderWorker> m_worker;
    std::uint64_t m_generation = 0;     // of the last search asked for
    std::vector<std::uint8_t> m_asked;  // the glyph it asked about
    std::vector<std::uint8_t> m_seen;   // the glyph as last seen, and since when
    std::chrono::steady_clock::time_point m_seenSince;
    FinderResults m_results;
    int m_nPictureSize = 0;
};

// The finder's work off the user-interface thread. Loading the fonts' indexes may mean drawing every
// candidate of a font (many seconds) and a search is a pass over every candidate: neither may hold up
// drawing in the matrix. One worker thread loads the chosen fonts (from their caches, or building them with
// progress and a cancel), then answers searches; only the newest request is served, and the window drops an
// answer whose generation is not the one it asked last. The window is woken through `wake` (called on the
// worker thread) and reads the state and the answers when it likes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "finder/finder_search.h"
#include "glyphstore/tte_font.h"

// The faces the finder looks in: the setting's list (faces separated by commas, blanks around them
// ignored, each face once), or the standard faces when the setting names none.
std::vector<std::wstring> FinderFacesFromSetting(const std::wstring& setting,
                                                 const std::vector<std::wstring>& standardFaces);

// Fetches a face's font file as bytes (a whole collection is not one font); `error` says why not.
using FinderFontFetch =
    std::function<bool(const std::wstring& face, std::vector<std::uint8_t>& bytes, std::string& error)>;

struct FinderLoadState {
    std::size_t fontsDone = 0;  // fonts dealt with, loaded or not
    std::size_t fontCount = 0;
    std::wstring face;      // the face being loaded
    bool building = false;  // its index is being drawn (not read from its cache)
    std::size_t drawn = 0;  // candidates drawn so far, while building
    std::size_t total = 0;  // of so many
    bool finished = false;  // every font dealt with (or loading cancelled)
    bool cancelled = false;
    std::size_t candidates = 0;          // in the catalog
    std::vector<std::wstring> problems;  // "face: why", one a font that gave no index
};

struct FinderResult {
    FinderMatch match;
    std::wstring face;                  // the font it was found in
    std::vector<std::uint8_t> picture;  // pictureSize dots a side, rows of (size + 7) / 8 bytes, bit 0 ink
};

struct FinderResults {
    std::uint64_t generation = 0;
    int pictureSize = 0;
    std::vector<FinderResult> items;  // best first
};

class FinderWorker {
  public:
    FinderWorker(std::vector<std::wstring> faces, FinderFontFetch fetch, std::filesystem::path cacheFolder,
                 std::function<void()> wake);
    // Stops loading and searching and waits for the thread.
    ~FinderWorker();
    FinderWorker(const FinderWorker&) = delete;
    FinderWorker& operator=(const FinderWorker&) = delete;

    // Asks for the `count` best matches of a size by size glyph (the dot planes' form) with pictures of
    // pictureSize dots; replaces a request not yet started. Served once the fonts are loaded.
    void Search(std::vector<std::uint8_t> dots, int size, int pictureSize, std::size_t count,
                std::uint64_t generation);
    // Stops loading: the fonts loaded so far are searched.
    void CancelLoading() { m_cancel = true; }

    FinderLoadState LoadState() const;
    // The newest answer not yet taken.
    std::optional<FinderResults> TakeResults();

  private:
    struct Request {
        std::vector<std::uint8_t> dots;
        int size = 0;
        int pictureSize = 0;
        std::size_t count = 0;
        std::uint64_t generation = 0;
    };
    struct LoadedFont {
        std::wstring face;
        std::unique_ptr<TteFont> font;
        std::vector<TteVariation> sequences;
    };

    void Run();
    void LoadFonts();
    FinderResults Answer(const Request& request) const;
    void Wake(bool always);

    std::vector<std::wstring> m_faces;
    FinderFontFetch m_fetch;
    std::filesystem::path m_cacheFolder;
    std::function<void()> m_wake;

    // Only the worker thread touches these.
    FinderCatalog m_catalog;
    std::vector<LoadedFont> m_fonts;  // in the catalog's order
    std::chrono::steady_clock::time_point m_lastWake;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    FinderLoadState m_state;
    std::optional<Request> m_request;
    std::optional<FinderResults> m_results;
    bool m_stop = false;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;  // last: started when everything above is ready
};

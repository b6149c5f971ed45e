#include "finder/finder_worker.h"

#include <algorithm>
#include <chrono>

#include "finder/finder_index.h"
#include "glyphstore/tte_raster.h"

namespace {

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t\u3000");
    if (first == std::wstring::npos) return {};
    const auto last = text.find_last_not_of(L" \t\u3000");
    return text.substr(first, last - first + 1);
}

// A face name as part of a file name: what a file system refuses becomes '_' (the cache's key still holds
// the real name, so two faces that come out alike never share a cache).
std::filesystem::path FaceFileName(const std::wstring& face) {
    std::wstring name = face;
    for (wchar_t& c : name)
        if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    return std::filesystem::path(name);
}

std::string KeyName(const std::wstring& face) {
    const auto u8 = FaceFileName(face).generic_u8string();
    return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

}  // namespace

std::vector<std::wstring> FinderFacesFromSetting(const std::wstring& setting,
                                                 const std::vector<std::wstring>& standardFaces) {
    std::vector<std::wstring> faces;
    std::size_t at = 0;
    while (at <= setting.size()) {
        const auto comma = std::min(setting.find(L',', at), setting.size());
        const std::wstring face = Trimmed(setting.substr(at, comma - at));
        if (!face.empty() && std::find(faces.begin(), faces.end(), face) == faces.end())
            faces.push_back(face);
        at = comma + 1;
    }
    return faces.empty() ? standardFaces : faces;
}

FinderWorker::FinderWorker(std::vector<std::wstring> faces, FinderFontFetch fetch,
                           std::filesystem::path cacheFolder, std::function<void()> wake)
    : m_faces(std::move(faces)),
      m_fetch(std::move(fetch)),
      m_cacheFolder(std::move(cacheFolder)),
      m_wake(std::move(wake)) {
    m_state.fontCount = m_faces.size();
    m_thread = std::thread([this] { Run(); });
}

FinderWorker::~FinderWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_cancel = true;
    m_changed.notify_all();
    m_thread.join();
}

void FinderWorker::Search(std::vector<std::uint8_t> dots, int size, int pictureSize, std::size_t count,
                          std::uint64_t generation) {
    {
        std::lock_guard lock(m_mutex);
        m_request = Request{std::move(dots), size, pictureSize, count, generation};
    }
    m_changed.notify_all();
}

FinderLoadState FinderWorker::LoadState() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

std::optional<FinderResults> FinderWorker::TakeResults() {
    std::lock_guard lock(m_mutex);
    std::optional<FinderResults> results = std::move(m_results);
    m_results.reset();
    return results;
}

void FinderWorker::Wake(bool always) {
    // Progress comes many times a second; the window needs to hear of it only now and then.
    const auto now = std::chrono::steady_clock::now();
    if (!always && now - m_lastWake < kProgressInterval) return;
    m_lastWake = now;
    if (m_wake) m_wake();
}

void FinderWorker::Run() {
    LoadFonts();
    for (;;) {
        Request request;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || m_request.has_value(); });
            if (m_stop) return;
            request = std::move(*m_request);
            m_request.reset();
        }
        FinderResults results = Answer(request);
        {
            std::lock_guard lock(m_mutex);
            if (m_stop) return;
            m_results = std::move(results);
        }
        Wake(true);
    }
}

void FinderWorker::LoadFonts() {
    std::vector<FontIndexKey> keys;
    for (const std::wstring& face : m_faces) {
        if (m_cancel) break;
        {
            std::lock_guard lock(m_mutex);
            m_state.face = face;
            m_state.building = false;
            m_state.drawn = m_state.total = 0;
        }
        Wake(true);
        std::string error;
        std::vector<std::uint8_t> bytes;
        auto font = std::make_unique<TteFont>();
        FontIndex index;
        FontIndexLoad load;
        bool loaded = false;
        if (m_fetch(face, bytes, error)) {
            FontIndexKey key = FontBytesKey(KeyName(face), bytes);
            // A face that only names a font already loaded (a substitute of another name) adds nothing.
            const bool again = std::any_of(keys.begin(), keys.end(), [&](const FontIndexKey& k) {
                return k.size == key.size && k.stamp == key.stamp;
            });
            if (!again && font->Load(bytes) != kTteOk) {
                error = font->Error();
            } else if (!again) {
                keys.push_back(key);
                bytes = {};
                const auto progress = [&](std::size_t done, std::size_t total) {
                    {
                        std::lock_guard lock(m_mutex);
                        m_state.building = true;
                        m_state.drawn = done;
                        m_state.total = total;
                    }
                    Wake(false);
                };
                loaded = LoadOrBuildFontIndex(*font, key,
                                              FontIndexPath(m_cacheFolder, FaceFileName(face) += L".ttf"),
                                              index, load, progress, &m_cancel);
                if (!loaded && !m_cancel) error = load.error;
            } else {
                error.clear();  // nothing to say: the font is searched under its first name
            }
        }
        std::lock_guard lock(m_mutex);
        ++m_state.fontsDone;
        if (loaded) {
            LoadedFont entry{face, std::move(font), {}};
            entry.font->VariationSequences(entry.sequences);
            m_catalog.AddFont(KeyName(face), std::move(index));
            m_fonts.push_back(std::move(entry));
            m_state.candidates = m_catalog.CandidateCount();
        } else if (!m_cancel && !error.empty()) {
            m_state.problems.push_back(face + L": " + std::wstring(error.begin(), error.end()));
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_state.fontsDone = m_faces.size();
        m_state.finished = true;
        m_state.cancelled = m_cancel;
        m_state.building = false;
        m_state.face.clear();
    }
    Wake(true);
}

FinderResults FinderWorker::Answer(const Request& request) const {
    FinderResults results;
    results.generation = request.generation;
    results.pictureSize = request.pictureSize;
    for (const FinderMatch& match : m_catalog.Search(request.dots, request.size, request.count)) {
        const LoadedFont& font = m_fonts[static_cast<std::size_t>(match.font)];
        FinderResult item{match, font.face, {}};
        int glyph = font.font->GlyphForCode(static_cast<int>(match.code));
        if (match.selector != 0) {
            const auto found = std::find_if(
                font.sequences.begin(), font.sequences.end(),
                [&](const TteVariation& v) { return v.base == match.code && v.selector == match.selector; });
            if (found != font.sequences.end() && !found->isDefault) glyph = found->glyph;
        }
        if (request.pictureSize > 0 && glyph > 0 &&
            RasterizeGlyph(*font.font, glyph, request.pictureSize, item.picture) != kTteOk)
            item.picture.clear();
        results.items.push_back(std::move(item));
    }
    return results;
}

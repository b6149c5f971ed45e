#include "document/img_array.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "base/diag_log.h"

#ifdef _WIN32
#include <share.h>
#endif

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// State files are opened without sharing on Windows, so nothing else can change a state while it is written
// or read.
FilePtr OpenExclusive(const fs::path& path, bool bWrite) {
#ifdef _WIN32
    return FilePtr(_wfsopen(path.c_str(), bWrite ? L"wb" : L"rb", _SH_DENYRW));
#else
    return FilePtr(std::fopen(path.c_str(), bWrite ? "wb" : "rb"));
#endif
}

// Several editor processes may share one TEMP folder, and a crashed one may have left its folder behind.
// The seed comes from several sources, since some runtimes' random_device is deterministic.
constexpr int kNameAttempts = 64;

std::uint64_t NameSeed(const void* self) {
    std::uint64_t seed = 0;
    try {
        std::random_device device;
        seed = (std::uint64_t{device()} << 32) ^ device();
    } catch (...) {
        // No entropy source: the clock, thread and address below still differ between processes.
    }
    seed ^= static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    seed ^= static_cast<std::uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id())) << 17;
    seed ^= static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(self)) << 7;
    return seed;
}

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// "ud" and eight lower-case hexadecimal digits.
std::wstring FolderName(std::uint64_t value) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring name = L"ud";
    for (int i = 0; i < 8; ++i) name += kDigits[(value >> (4 * (7 - i))) & 0xF];
    return name;
}

}  // namespace

BOOL CreateUdFolder(const fs::path& tempFolder, std::uint64_t seed, fs::path& folder) {
    std::uint64_t state = seed;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        folder = tempFolder / FolderName(SplitMix(state));
        std::error_code ec;
        if (fs::create_directory(folder, ec) && !ec) return TRUE;
        // Only a name that is taken is worth another try; any other failure (TEMP missing, no access)
        // would fail for every name.
        std::error_code existsError;
        if (!fs::exists(fs::symlink_status(folder, existsError))) return FALSE;
    }
    return FALSE;
}

CImgArray::CImgArray(const fs::path& tempFolder, int nGlyphSize, IImgArrayHost* host) : m_pHost(host) {
    m_nImageBytes = nGlyphSize > 0 ? nGlyphSize * nGlyphSize / 8 : 0;

    fs::path folder;
    const bool bCreated = CreateUdFolder(tempFolder, NameSeed(this), folder);
    m_strTempPath = folder.wstring();
    if (!bCreated) {
        m_bDisabled = TRUE;
        g_log.Write(L"StoreImage:Create Error !! TempPath(%s)\n", m_strTempPath.c_str());
    } else {
        g_log.Write(L"StoreImage:Create TempPath(%s)\n", m_strTempPath.c_str());
    }
}

CImgArray::~CImgArray() {
    DeleteStates();
    m_bModified = FALSE;
    if (!m_bDisabled) {
        std::error_code ec;
        fs::remove(fs::path(m_strTempPath), ec);
        g_log.Write(L"StoreImage:Delete TempPath\n");
    }
}

fs::path CImgArray::GetStatePath(int nState) const {
    return fs::path(m_strTempPath) / (std::to_wstring(nState) + L".tmp");
}

void CImgArray::Store(std::span<const std::uint8_t> image, BOOL bInitial) {
    if (!bInitial) SetModified(TRUE);
    if (m_bDisabled) return;

    ++m_nPos;
    const fs::path path = GetStatePath(m_nPos);
    bool bWritten = false;
    if (image.size() >= static_cast<std::size_t>(m_nImageBytes)) {
        if (FilePtr file = OpenExclusive(path, true)) {
            const std::size_t bytes = static_cast<std::size_t>(m_nImageBytes);
            bWritten = std::fwrite(image.data(), 1, bytes, file.get()) == bytes;
            bWritten = std::fclose(file.release()) == 0 && bWritten;
        }
    }
    if (bWritten) {
        g_log.Write(L"StoreImage:Store (LastPos=%d)\n", m_nPos);
    } else {
        // The position is taken all the same. A file of this number may survive from a dropped redo
        // branch or hold half a state; removing it makes a later undo onto this state fail cleanly
        // instead of showing a wrong drawing.
        std::error_code ec;
        fs::remove(path, ec);
        g_log.Write(L"StoreImage:Store Error !! (LastPos=%d)\n", m_nPos);
    }
    m_nLastPos = m_nPos;
}

BOOL CImgArray::Undo(std::span<std::uint8_t> plane) {
    if (!CanUndo()) return FALSE;
    return LoadState(m_nPos - 1, plane);
}

BOOL CImgArray::Redo(std::span<std::uint8_t> plane) {
    if (!CanRedo()) return FALSE;
    return LoadState(m_nPos + 1, plane);
}

// The state is read whole into a buffer first, and only then does anything change: a missing, short or
// overlong file leaves the plane, the position and the modified flag as they were, and the view is not told
// to take over a plane that holds no state.
BOOL CImgArray::LoadState(int nState, std::span<std::uint8_t> plane) {
    const std::size_t bytes = static_cast<std::size_t>(m_nImageBytes);
    if (plane.data() == nullptr || plane.size() != bytes) return FALSE;

    std::vector<std::uint8_t> buffer(bytes);
    bool bRead = false;
    if (FilePtr file = OpenExclusive(GetStatePath(nState), false)) {
        bRead = std::fread(buffer.data(), 1, bytes, file.get()) == bytes && std::fgetc(file.get()) == EOF &&
                !std::ferror(file.get());
    }
    if (!bRead) {
        g_log.Write(L"StoreImage:Load Error !! (Pos=%d)\n", nState);
        return FALSE;
    }

    std::copy(buffer.begin(), buffer.end(), plane.begin());
    m_nPos = nState;
    g_log.Write(L"StoreImage:Load (Pos=%d)\n", m_nPos);
    // Going back to the loaded or saved state still counts as a modification.
    SetModified(TRUE);
    if (m_pHost) m_pHost->OnStateLoaded();
    return TRUE;
}

void CImgArray::SetModified(BOOL bModified) {
    m_bModified = bModified;
    if (m_pHost) m_pHost->OnModifiedChanged(bModified);
}

void CImgArray::ResetHistory(BOOL bKeepStates) {
    if (!bKeepStates) DeleteStates();
    SetModified(FALSE);
}

// Deletes every file of the folder but those whose name begins with "."; the position goes back to "no
// state". A disabled store owns no folder, so it touches nothing on disk.
void CImgArray::DeleteStates() {
    if (!m_bDisabled) {
        std::vector<fs::path> files;
        std::error_code ec;
        for (fs::directory_iterator it(fs::path(m_strTempPath), ec), end; !ec && it != end;
             it.increment(ec)) {
            std::error_code typeError;
            const std::wstring name = it->path().filename().wstring();
            if (!it->is_directory(typeError) && !name.empty() && name[0] != L'.') files.push_back(it->path());
        }
        for (const fs::path& file : files) {
            std::error_code removeError;
            fs::remove(file, removeError);
        }
    }
    m_nPos = -1;
    m_nLastPos = -1;
}

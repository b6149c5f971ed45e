#include "glyphstore/file_steps.h"

#include <fstream>
#include <system_error>

std::filesystem::path BesideFile(const std::filesystem::path& target) {
    std::filesystem::path path = target;
    path += ".kf-new";
    return path;
}

bool WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                    std::string& error) {
    std::error_code ignored;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (file)
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file.fail()) return true;
    }
    std::filesystem::remove(path, ignored);
    error = "cannot write " + path.string();
    return false;
}

bool PutFileInPlace(const std::filesystem::path& written, const std::filesystem::path& target,
                    std::string& error) {
    std::error_code code;
    std::filesystem::rename(written, target, code);
    if (!code) return true;
    std::error_code ignored;
    std::filesystem::remove(written, ignored);
    error = "cannot replace " + target.string() + ": " + code.message();
    return false;
}

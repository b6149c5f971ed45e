#include "finder/font_collection.h"

#include <algorithm>

namespace {

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
           std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}
void PutU32At(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

bool CollectionMemberFont(std::span<const std::uint8_t> collection, std::span<const std::uint8_t> directory,
                          std::vector<std::uint8_t>& font, std::string& error) {
    font.clear();
    if (collection.size() < 12 || U32At(collection, 0) != 0x74746366u) {  // 'ttcf'
        error = "not a font collection";
        return false;
    }
    if (directory.size() < 12) {
        error = "the font's table directory is cut short";
        return false;
    }
    const std::size_t tables = std::size_t(directory[4]) << 8 | directory[5];
    const std::size_t directoryBytes = 12 + 16 * tables;
    if (directory.size() < directoryBytes) {
        error = "the font's table directory is cut short";
        return false;
    }
    const std::uint32_t fonts = U32At(collection, 8);
    if (fonts > (collection.size() - 12) / 4) {
        error = "the collection's font count runs past its end";
        return false;
    }
    for (std::uint32_t i = 0; i < fonts; ++i) {
        const std::size_t at = U32At(collection, 12 + 4 * std::size_t(i));
        if (at > collection.size() || collection.size() - at < directoryBytes ||
            !std::equal(directory.begin(), directory.begin() + std::ptrdiff_t(directoryBytes),
                        collection.begin() + std::ptrdiff_t(at)))
            continue;
        // The tables follow the new directory, each at a four-byte boundary, in the order they are listed.
        font.assign(directory.begin(), directory.begin() + std::ptrdiff_t(directoryBytes));
        for (std::size_t t = 0; t < tables; ++t) {
            const std::size_t record = 12 + 16 * t;
            const std::size_t offset = U32At(directory, record + 8);
            const std::size_t length = U32At(directory, record + 12);
            if (offset > collection.size() || collection.size() - offset < length) {
                error = "a table of the font runs past the collection's end";
                font.clear();
                return false;
            }
            font.resize((font.size() + 3) & ~std::size_t(3), 0);
            PutU32At(font, record + 8, static_cast<std::uint32_t>(font.size()));
            font.insert(font.end(), collection.begin() + std::ptrdiff_t(offset),
                        collection.begin() + std::ptrdiff_t(offset + length));
        }
        font.resize((font.size() + 3) & ~std::size_t(3), 0);
        return true;
    }
    error = "the collection holds no such font";
    return false;
}

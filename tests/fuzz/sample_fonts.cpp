#include "sample_fonts.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "glyphstore/tte_font.h"
#include "glyphstore/tte_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}
void Put24(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    Put16(out, value & 0xFFFF);
}
void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

Bytes Format12(const std::vector<std::pair<std::uint32_t, int>>& map) {
    Bytes out;
    Put16(out, 12);
    Put16(out, 0);
    Put32(out, static_cast<std::uint32_t>(16 + 12 * map.size()));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(map.size()));
    for (const auto& [code, glyph] : map) {
        Put32(out, code);
        Put32(out, code);
        Put32(out, static_cast<std::uint32_t>(glyph));
    }
    return out;
}

Bytes Format14(const std::map<std::uint32_t, std::vector<std::pair<std::uint32_t, int>>>& bySelector) {
    // Header and records first, then each selector's default and non-default lists.
    Bytes tables;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> offsets;
    const std::uint32_t headerBytes = static_cast<std::uint32_t>(10 + 11 * bySelector.size());
    for (const auto& [selector, list] : bySelector) {
        std::vector<std::uint32_t> defaults;
        std::vector<std::pair<std::uint32_t, int>> own;
        for (const auto& [base, glyph] : list) {
            if (glyph < 0)
                defaults.push_back(base);
            else
                own.emplace_back(base, glyph);
        }
        std::uint32_t defaultAt = 0, ownAt = 0;
        if (!defaults.empty()) {
            defaultAt = headerBytes + static_cast<std::uint32_t>(tables.size());
            Put32(tables, static_cast<std::uint32_t>(defaults.size()));
            for (std::uint32_t base : defaults) {
                Put24(tables, base);
                tables.push_back(0);
            }
        }
        if (!own.empty()) {
            ownAt = headerBytes + static_cast<std::uint32_t>(tables.size());
            Put32(tables, static_cast<std::uint32_t>(own.size()));
            for (const auto& [base, glyph] : own) {
                Put24(tables, base);
                Put16(tables, static_cast<unsigned>(glyph));
            }
        }
        offsets.emplace_back(defaultAt, ownAt);
    }
    Bytes out;
    Put16(out, 14);
    Put32(out, headerBytes + static_cast<std::uint32_t>(tables.size()));
    Put32(out, static_cast<std::uint32_t>(bySelector.size()));
    std::size_t i = 0;
    for (const auto& entry : bySelector) {
        Put24(out, entry.first);
        Put32(out, offsets[i].first);
        Put32(out, offsets[i].second);
        ++i;
    }
    out.insert(out.end(), tables.begin(), tables.end());
    return out;
}

}  // namespace

std::vector<std::uint8_t> MakeSampleFont(int size, const std::vector<std::vector<std::uint8_t>>& pictures,
                                         const std::vector<SampleFontCode>& codes,
                                         const std::vector<SampleSequence>& sequences) {
    std::vector<TteCharacter> characters;
    for (std::size_t i = 0; i < pictures.size(); ++i)
        characters.push_back({0xE000 + static_cast<int>(i), pictures[i]});
    Bytes built;
    std::string error;
    if (BuildTteFont(size, characters, 0, built, error) != kTteOk) return {};
    TteFont font;
    if (font.Load(built) != kTteOk) return {};
    auto glyphOf = [&](int character) { return font.GlyphForCode(0xE000 + character); };

    std::vector<std::pair<std::uint32_t, int>> map;
    for (const SampleFontCode& code : codes) map.emplace_back(code.code, glyphOf(code.character));
    std::sort(map.begin(), map.end());
    std::map<std::uint32_t, std::vector<std::pair<std::uint32_t, int>>> bySelector;
    for (const SampleSequence& sequence : sequences)
        bySelector[sequence.selector].emplace_back(sequence.base,
                                                   sequence.character < 0 ? -1 : glyphOf(sequence.character));
    for (auto& entry : bySelector) std::sort(entry.second.begin(), entry.second.end());

    const Bytes unicode = Format12(map);
    const Bytes variations = bySelector.empty() ? Bytes() : Format14(bySelector);
    Bytes cmap;
    const unsigned records = variations.empty() ? 1 : 2;
    Put16(cmap, 0);
    Put16(cmap, records);
    std::uint32_t at = 4 + 8 * records;
    if (!variations.empty()) {
        Put16(cmap, 0);
        Put16(cmap, 5);
        Put32(cmap, at);
        at += static_cast<std::uint32_t>(variations.size());
    }
    Put16(cmap, 3);
    Put16(cmap, 10);
    Put32(cmap, at);
    cmap.insert(cmap.end(), variations.begin(), variations.end());
    cmap.insert(cmap.end(), unicode.begin(), unicode.end());

    std::vector<std::pair<std::uint32_t, Bytes>> tables;
    for (const TteTable& table : font.Tables()) {
        if (table.tag == kTteCmap) {
            tables.emplace_back(table.tag, cmap);
        } else {
            const auto bytes = font.TableBytes(table.tag);
            tables.emplace_back(table.tag, Bytes(bytes.begin(), bytes.end()));
        }
    }
    return AssembleTteFont(0x00010000, tables);
}

std::vector<std::vector<std::uint8_t>> SampleStrokePictures(int size, int count) {
    std::vector<std::vector<std::uint8_t>> pictures;
    const int stroke = std::max(1, size / 16), margin = size / 8;
    for (int n = 0; n < count; ++n) {
        Bytes dots(static_cast<std::size_t>(size) * size / 8, 0xFF);
        auto ink = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= size || y >= size) return;
            dots[static_cast<std::size_t>(y) * (size / 8) + static_cast<std::size_t>(x / 8)] &=
                static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
        };
        // Character n: n + 1 horizontal bars (n % 4 + 1 of them), a vertical bar placed by n, and for odd n
        // a diagonal.
        const int bars = n % 4 + 1;
        for (int b = 0; b < bars; ++b) {
            const int y = margin + (size - 2 * margin) * (b + 1) / (bars + 1);
            for (int x = margin; x < size - margin; ++x)
                for (int t = 0; t < stroke; ++t) ink(x, y + t);
        }
        const int column = margin + (size - 2 * margin) * ((n / 4) % 3 + 1) / 4;
        for (int y = margin; y < size - margin; ++y)
            for (int t = 0; t < stroke; ++t) ink(column + t, y);
        if (n % 2 == 1)
            for (int i = 0; i < size - 2 * margin; ++i)
                for (int t = 0; t < stroke; ++t) ink(margin + i + t, size - margin - 1 - i);
        pictures.push_back(std::move(dots));
    }
    return pictures;
}

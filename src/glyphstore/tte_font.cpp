#include "glyphstore/tte_font.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "glyphstore/eudc_bitmap.h"

namespace {

bool Holds(std::size_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

// Composite glyph flags.
constexpr unsigned kArgsAreWords = 0x0001;
constexpr unsigned kArgsAreXy = 0x0002;
constexpr unsigned kHaveScale = 0x0008;
constexpr unsigned kMoreComponents = 0x0020;
constexpr unsigned kHaveXyScale = 0x0040;
constexpr unsigned kHaveTwoByTwo = 0x0080;
constexpr unsigned kScaledOffset = 0x0800;

// Simple glyph point flags.
constexpr unsigned kOnCurve = 0x01;
constexpr unsigned kXShort = 0x02;
constexpr unsigned kYShort = 0x04;
constexpr unsigned kRepeat = 0x08;
constexpr unsigned kXSame = 0x10;
constexpr unsigned kYSame = 0x20;

// Components may nest; real fonts stay within a few levels, so a deeper chain is a loop.
constexpr int kMaxComponentDepth = 8;
// Coordinates are kept far inside what the rasteriser's arithmetic holds, whatever a file claims.
constexpr double kMaxCoordinate = 1 << 28;

std::int32_t ClampCoordinate(double value) {
    return static_cast<std::int32_t>(std::llround(std::clamp(value, -kMaxCoordinate, kMaxCoordinate)));
}

}  // namespace

std::string TteCodeText(unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    while (text.size() < 4) text.insert(text.begin(), '0');
    return text;
}

std::string TteTagText(std::uint32_t tag) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((tag >> shift) & 0xFF);
        text += c >= 0x20 && c < 0x7F ? c : '?';
    }
    return text;
}

bool ReadTteFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
    return ReadUnwrittenFileBytes(path, kTteMaxFileBytes, bytes);
}

int TteFont::Fail(int result, std::string error) {
    m_error = std::move(error);
    return result;
}

int TteFont::Read(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadTteFileBytes(path, bytes)) {
        *this = TteFont();
        return Fail(kTteCannotOpen,
                    "the file cannot be opened for reading, is held by another program or is "
                    "larger than a font can be");
    }
    return Load(bytes);
}

int TteFont::Load(std::span<const std::uint8_t> bytes) {
    *this = TteFont();
    if (bytes.size() > kTteMaxFileBytes) return Fail(kTteNotFont, "the file is larger than a font can be");
    m_bytes.assign(bytes.begin(), bytes.end());
    if (const int result = ParseDirectory(); result != kTteOk) return result;
    if (const int result = ParseTables(); result != kTteOk) return result;
    return ParseCmap();
}

const TteTable* TteFont::FindTable(std::uint32_t tag) const {
    for (const TteTable& table : m_tables)
        if (table.tag == tag) return &table;
    return nullptr;
}

std::span<const std::uint8_t> TteFont::TableBytes(std::uint32_t tag) const {
    const TteTable* table = FindTable(tag);
    if (!table) return {};
    return std::span<const std::uint8_t>(m_bytes).subspan(table->offset, table->length);
}

int TteFont::ParseDirectory() {
    const std::size_t size = m_bytes.size();
    if (size < 12) return Fail(kTteNotFont, "the file is shorter than a font's header");
    const std::uint32_t version = TteU32(m_bytes.data());
    if (version == TteTag("ttcf")) return Fail(kTteNotFont, "a font collection, not one font");
    if (version == TteTag("OTTO")) return Fail(kTteNotFont, "a font with PostScript outlines, not TrueType");
    if (version != 0x00010000 && version != TteTag("true"))
        return Fail(kTteNotFont, "no TrueType signature at the start of the file");
    const unsigned count = TteU16(m_bytes.data() + 4);
    if (count == 0 || !Holds(size, 12, 16ull * count))
        return Fail(kTteNotFont, "the table directory does not fit in the file");
    for (unsigned i = 0; i < count; ++i) {
        const std::uint8_t* record = m_bytes.data() + 12 + 16 * i;
        TteTable table{TteU32(record), TteU32(record + 4), TteU32(record + 8), TteU32(record + 12)};
        if (!Holds(size, table.offset, table.length))
            return Fail(kTteNotFont, "table '" + TteTagText(table.tag) + "' lies outside the file");
        if (FindTable(table.tag))
            return Fail(kTteNotFont, "table '" + TteTagText(table.tag) + "' is listed twice");
        m_tables.push_back(table);
    }
    return kTteOk;
}

int TteFont::ParseTables() {
    auto need = [&](std::uint32_t tag, std::size_t minimum, std::span<const std::uint8_t>& bytes) {
        const TteTable* table = FindTable(tag);
        if (!table) return Fail(kTteBadTable, "table '" + TteTagText(tag) + "' is missing");
        if (table->length < minimum)
            return Fail(kTteBadTable, "table '" + TteTagText(tag) + "' is too short");
        bytes = TableBytes(tag);
        return kTteOk;
    };
    std::span<const std::uint8_t> head, maxp, hhea, hmtx, loca, glyf, cmap;
    if (int r = need(kTteHead, 54, head); r != kTteOk) return r;
    if (int r = need(kTteMaxp, 6, maxp); r != kTteOk) return r;
    if (int r = need(kTteHhea, 36, hhea); r != kTteOk) return r;
    if (int r = need(kTteHmtx, 0, hmtx); r != kTteOk) return r;
    if (int r = need(kTteLoca, 0, loca); r != kTteOk) return r;
    if (int r = need(kTteGlyf, 0, glyf); r != kTteOk) return r;
    if (int r = need(kTteCmap, 4, cmap); r != kTteOk) return r;
    if (TteU32(head.data() + 12) != 0x5F0F3CF5) return Fail(kTteBadTable, "table 'head' has no magic number");
    m_unitsPerEm = static_cast<int>(TteU16(head.data() + 18));
    if (m_unitsPerEm < 16 || m_unitsPerEm > 16384)
        return Fail(kTteBadTable, "units per em " + std::to_string(m_unitsPerEm) + " outside 16..16384");
    const int locaFormat = TteS16(head.data() + 50);
    if (locaFormat != 0 && locaFormat != 1)
        return Fail(kTteBadTable, "table 'head' names an unknown loca format");
    m_longLoca = locaFormat == 1;

    const std::uint32_t maxpVersion = TteU32(maxp.data());
    if (maxpVersion != 0x00010000 && maxpVersion != 0x00005000)
        return Fail(kTteBadTable, "table 'maxp' has an unknown version");
    m_glyphCount = static_cast<int>(TteU16(maxp.data() + 4));
    if (m_glyphCount == 0) return Fail(kTteBadTable, "the font has no glyphs");

    m_hMetricCount = static_cast<int>(TteU16(hhea.data() + 34));
    if (m_hMetricCount == 0 || m_hMetricCount > m_glyphCount)
        return Fail(kTteBadTable, "table 'hhea' counts " + std::to_string(m_hMetricCount) + " metrics for " +
                                      std::to_string(m_glyphCount) + " glyphs");
    if (hmtx.size() < 4ull * m_hMetricCount + 2ull * (m_glyphCount - m_hMetricCount))
        return Fail(kTteBadTable, "table 'hmtx' is shorter than its glyphs need");

    const std::size_t entry = m_longLoca ? 4 : 2;
    if (loca.size() < entry * (static_cast<std::size_t>(m_glyphCount) + 1))
        return Fail(kTteBadTable, "table 'loca' is shorter than its glyphs need");
    m_loca.resize(static_cast<std::size_t>(m_glyphCount) + 1);
    for (std::size_t i = 0; i < m_loca.size(); ++i) {
        m_loca[i] = m_longLoca ? TteU32(loca.data() + 4 * i) : 2 * TteU16(loca.data() + 2 * i);
        if (i > 0 && m_loca[i] < m_loca[i - 1])
            return Fail(kTteBadTable, "table 'loca' is out of order at glyph " + std::to_string(i - 1));
    }
    if (m_loca.back() > glyf.size()) return Fail(kTteBadTable, "table 'loca' points past the end of 'glyf'");

    m_ascent = TteS16(hhea.data() + 4);
    if (const TteTable* os2 = FindTable(kTteOs2)) {
        if (os2->length < 78) return Fail(kTteBadTable, "table 'OS/2' is too short");
        const int winAscent = static_cast<int>(TteU16(m_bytes.data() + os2->offset + 74));
        if (winAscent != 0) m_ascent = winAscent;
    }
    if (const TteTable* post = FindTable(kTtePost); post && post->length < 32)
        return Fail(kTteBadTable, "table 'post' is too short");
    if (const TteTable* name = FindTable(kTteName)) {
        if (name->length < 6 || name->length < 6ull + 12ull * TteU16(m_bytes.data() + name->offset + 2))
            return Fail(kTteBadTable, "table 'name' is shorter than its records");
    }
    return kTteOk;
}

int TteFont::ParseCmap() {
    const TteTable& cmap = *FindTable(kTteCmap);
    const std::uint8_t* base = m_bytes.data() + cmap.offset;
    const unsigned count = TteU16(base + 2);
    if (!Holds(cmap.length, 4, 8ull * count))
        return Fail(kTteBadCmap, "the character map's list is cut short");
    std::set<std::uint32_t> checkedOffsets;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint8_t* record = base + 4 + 8 * i;
        TteCmapSubtable sub;
        sub.platform = static_cast<int>(TteU16(record));
        sub.encoding = static_cast<int>(TteU16(record + 2));
        const std::uint32_t relative = TteU32(record + 4);
        if (!Holds(cmap.length, relative, 2)) return Fail(kTteBadCmap, "a character map lies outside 'cmap'");
        sub.offset = cmap.offset + relative;
        const std::uint8_t* p = m_bytes.data() + sub.offset;
        sub.format = static_cast<int>(TteU16(p));
        const std::uint32_t left = cmap.length - relative;
        if (sub.format >= 8 && sub.format != 14) {
            sub.length = left >= 8 ? TteU32(p + 4) : 0;
        } else if (sub.format == 14) {
            sub.length = left >= 6 ? TteU32(p + 2) : 0;
        } else {
            sub.length = left >= 4 ? TteU16(p + 2) : 0;
        }
        if (sub.length < 4 || sub.length > left)
            return Fail(kTteBadCmap, "a character map of format " + std::to_string(sub.format) +
                                         " does not fit in 'cmap'");
        // Checked whole, so that lookups and listings never meet a bad entry later; a subtable that several
        // records share is checked once.
        const bool checked = checkedOffsets.count(sub.offset) != 0;
        if ((sub.IsUnicode() || sub.IsShiftJis()) && (sub.format == 4 || sub.format == 12) && checked) {
            sub.parsed = true;
        } else if ((sub.IsUnicode() || sub.IsShiftJis()) && (sub.format == 4 || sub.format == 12)) {
            sub.parsed = true;
            checkedOffsets.insert(sub.offset);
            for (const auto& [code, glyph] : Mappings(sub)) {
                if (glyph < 0) return Fail(kTteBadCmap, m_error);
                if (glyph >= m_glyphCount)
                    return Fail(kTteBadCmap, "the character map sends " + TteCodeText(code) + " to glyph " +
                                                 std::to_string(glyph) + ", past the " +
                                                 std::to_string(m_glyphCount) + " glyphs");
            }
        }
        m_cmaps.push_back(sub);
    }
    int best = -1;
    auto rank = [](const TteCmapSubtable& s) {
        if (!s.parsed || !s.IsUnicode()) return 0;
        if (s.platform == 3 && s.encoding == 10) return 3;
        return s.platform == 3 ? 2 : 1;
    };
    for (std::size_t i = 0; i < m_cmaps.size(); ++i)
        if (rank(m_cmaps[i]) > 0 && (best < 0 || rank(m_cmaps[i]) > rank(m_cmaps[std::size_t(best)])))
            best = static_cast<int>(i);
    if (best < 0) return Fail(kTteBadCmap, "the font has no Unicode character map of format 4 or 12");
    m_unicodeCmap = best;
    return kTteOk;
}

std::vector<std::pair<std::uint32_t, int>> TteFont::Mappings(const TteCmapSubtable& sub) const {
    // A broken subtable gives one pair with glyph -1 and m_error saying why (only ParseCmap ever sees it).
    std::vector<std::pair<std::uint32_t, int>> pairs;
    auto broken = [&](std::string why) {
        m_error = std::move(why);
        pairs.assign(1, {0u, -1});
        return pairs;
    };
    const std::uint8_t* p = m_bytes.data() + sub.offset;
    if (sub.format == 4) {
        if (sub.length < 14) return broken("a character map of format 4 is too short");
        const unsigned segments = TteU16(p + 6) / 2;
        if (sub.length < 16ull + 8ull * segments) return broken("a character map of format 4 is cut short");
        const std::uint8_t* ends = p + 14;
        const std::uint8_t* starts = ends + 2 * segments + 2;
        const std::uint8_t* deltas = starts + 2 * segments;
        const std::uint8_t* ranges = deltas + 2 * segments;
        unsigned previousEnd = 0;
        for (unsigned s = 0; s < segments; ++s) {
            const unsigned start = TteU16(starts + 2 * s);
            const unsigned end = TteU16(ends + 2 * s);
            const unsigned delta = TteU16(deltas + 2 * s);
            const unsigned range = TteU16(ranges + 2 * s);
            if (start > end || (s > 0 && end <= previousEnd))
                return broken("a character map of format 4 has segments out of order");
            previousEnd = end;
            for (unsigned code = start; code <= end; ++code) {
                unsigned glyph;
                if (range == 0) {
                    glyph = (code + delta) & 0xFFFF;
                } else {
                    const std::uint64_t at =
                        static_cast<std::uint64_t>(ranges + 2 * s - p) + range + 2ull * (code - start);
                    if (at + 2 > sub.length)
                        return broken("a character map of format 4 points outside itself for " +
                                      TteCodeText(code));
                    glyph = TteU16(p + at);
                    if (glyph != 0) glyph = (glyph + delta) & 0xFFFF;
                }
                if (glyph != 0) pairs.emplace_back(code, static_cast<int>(glyph));
            }
        }
    } else if (sub.format == 12) {
        if (sub.length < 16) return broken("a character map of format 12 is too short");
        const std::uint32_t groups = TteU32(p + 12);
        if ((sub.length - 16) / 12 < groups) return broken("a character map of format 12 is cut short");
        std::uint32_t previousEnd = 0;
        for (std::uint32_t g = 0; g < groups; ++g) {
            const std::uint8_t* group = p + 16 + 12 * g;
            const std::uint32_t start = TteU32(group);
            const std::uint32_t end = TteU32(group + 4);
            const std::uint32_t glyph = TteU32(group + 8);
            if (start > end || end > 0x10FFFF || (g > 0 && start <= previousEnd))
                return broken("a character map of format 12 has groups out of order");
            previousEnd = end;
            // A group past the glyphs is reported as its first code's mapping past the count.
            if (glyph >= static_cast<std::uint32_t>(m_glyphCount) ||
                end - start >= static_cast<std::uint32_t>(m_glyphCount) - glyph)
                return {{end, static_cast<int>(std::min<std::uint64_t>(std::uint64_t(glyph) + (end - start),
                                                                       0x7FFFFFFF))}};
            for (std::uint32_t code = start; code <= end; ++code)
                if (glyph + (code - start) != 0)
                    pairs.emplace_back(code, static_cast<int>(glyph + (code - start)));
        }
    }
    return pairs;
}

int TteFont::GlyphInSubtable(const TteCmapSubtable& sub, int code) const {
    if (!sub.parsed || code < 0) return 0;
    const std::uint8_t* p = m_bytes.data() + sub.offset;
    if (sub.format == 4) {
        if (code > 0xFFFF) return 0;
        const unsigned segments = TteU16(p + 6) / 2;
        const std::uint8_t* ends = p + 14;
        const std::uint8_t* starts = ends + 2 * segments + 2;
        const std::uint8_t* deltas = starts + 2 * segments;
        const std::uint8_t* ranges = deltas + 2 * segments;
        unsigned low = 0, high = segments;
        while (low < high) {
            const unsigned mid = (low + high) / 2;
            if (TteU16(ends + 2 * mid) < static_cast<unsigned>(code))
                low = mid + 1;
            else
                high = mid;
        }
        if (low == segments || TteU16(starts + 2 * low) > static_cast<unsigned>(code)) return 0;
        const unsigned delta = TteU16(deltas + 2 * low);
        const unsigned range = TteU16(ranges + 2 * low);
        if (range == 0) return static_cast<int>((static_cast<unsigned>(code) + delta) & 0xFFFF);
        const std::size_t at = static_cast<std::size_t>(ranges + 2 * low - p) + range +
                               2u * (static_cast<unsigned>(code) - TteU16(starts + 2 * low));
        const unsigned glyph = TteU16(p + at);
        return glyph == 0 ? 0 : static_cast<int>((glyph + delta) & 0xFFFF);
    }
    const std::uint32_t groups = TteU32(p + 12);
    std::uint32_t low = 0, high = groups;
    while (low < high) {
        const std::uint32_t mid = low + (high - low) / 2;
        if (TteU32(p + 16 + 12 * mid + 4) < static_cast<std::uint32_t>(code))
            low = mid + 1;
        else
            high = mid;
    }
    if (low == groups) return 0;
    const std::uint8_t* group = p + 16 + 12 * low;
    if (TteU32(group) > static_cast<std::uint32_t>(code)) return 0;
    return static_cast<int>(TteU32(group + 8) + (static_cast<std::uint32_t>(code) - TteU32(group)));
}

int TteFont::GlyphForCode(int code) const {
    if (m_unicodeCmap < 0) return 0;
    return GlyphInSubtable(m_cmaps[static_cast<std::size_t>(m_unicodeCmap)], code);
}

int TteFont::VariationSequences(std::vector<TteVariation>& sequences) const {
    sequences.clear();
    const TteCmapSubtable* table = nullptr;
    for (const TteCmapSubtable& sub : m_cmaps)
        if (sub.platform == 0 && sub.encoding == 5 && sub.format == 14) table = &sub;
    if (!table) return kTteOk;
    auto broken = [&](std::string why) {
        sequences.clear();
        m_error = "the variation sequences' map " + std::move(why);
        return kTteBadCmap;
    };
    auto u24 = [](const std::uint8_t* p) { return std::uint32_t(p[0]) << 16 | std::uint32_t(TteU16(p + 1)); };
    const std::uint8_t* p = m_bytes.data() + table->offset;
    const std::uint32_t length = table->length;
    if (length < 10) return broken("is too short");
    const std::uint32_t records = TteU32(p + 6);
    if (!Holds(length, 10, 11ull * records)) return broken("lists more selectors than it holds");
    std::uint32_t previousSelector = 0;
    for (std::uint32_t r = 0; r < records; ++r) {
        const std::uint8_t* record = p + 10 + 11 * r;
        const std::uint32_t selector = u24(record);
        if (!((selector >= 0xFE00 && selector <= 0xFE0F) || (selector >= 0xE0100 && selector <= 0xE01EF)))
            return broken("names " + TteCodeText(selector) + ", which is not a variation selector");
        if (r > 0 && selector <= previousSelector) return broken("has its selectors out of order");
        previousSelector = selector;
        if (const std::uint32_t at = TteU32(record + 3); at != 0) {
            if (!Holds(length, at, 4) || !Holds(length, at + 4ull, 4ull * TteU32(p + at)))
                return broken("has default sequences outside itself");
            const std::uint32_t ranges = TteU32(p + at);
            for (std::uint32_t i = 0; i < ranges; ++i) {
                const std::uint8_t* range = p + at + 4 + 4 * i;
                const std::uint32_t first = u24(range);
                const std::uint32_t last = first + range[3];
                if (last > 0x10FFFF) return broken("has default sequences past the last code");
                for (std::uint32_t base = first; base <= last; ++base)
                    if (const int glyph = GlyphForCode(static_cast<int>(base)); glyph != 0)
                        sequences.push_back({base, selector, glyph, true});
            }
        }
        if (const std::uint32_t at = TteU32(record + 7); at != 0) {
            if (!Holds(length, at, 4) || !Holds(length, at + 4ull, 5ull * TteU32(p + at)))
                return broken("has sequences outside itself");
            const std::uint32_t mappings = TteU32(p + at);
            for (std::uint32_t i = 0; i < mappings; ++i) {
                const std::uint8_t* mapping = p + at + 4 + 5 * i;
                const std::uint32_t base = u24(mapping);
                const int glyph = static_cast<int>(TteU16(mapping + 3));
                if (base > 0x10FFFF) return broken("has a sequence past the last code");
                if (glyph >= m_glyphCount)
                    return broken("sends " + TteCodeText(base) + " " + TteCodeText(selector) + " to glyph " +
                                  std::to_string(glyph) + ", past the " + std::to_string(m_glyphCount) +
                                  " glyphs");
                sequences.push_back({base, selector, glyph, false});
            }
        }
    }
    std::sort(sequences.begin(), sequences.end(), [](const TteVariation& a, const TteVariation& b) {
        return a.selector != b.selector ? a.selector < b.selector : a.base < b.base;
    });
    return kTteOk;
}

std::vector<int> TteFont::Codes() const {
    std::vector<int> codes;
    if (m_unicodeCmap < 0) return codes;
    for (const auto& [code, glyph] : Mappings(m_cmaps[static_cast<std::size_t>(m_unicodeCmap)]))
        codes.push_back(static_cast<int>(code));
    return codes;
}

std::span<const std::uint8_t> TteFont::GlyphBytes(int glyph) const {
    if (glyph < 0 || glyph >= m_glyphCount) return {};
    const TteTable& glyf = *FindTable(kTteGlyf);
    const std::uint32_t start = m_loca[static_cast<std::size_t>(glyph)];
    const std::uint32_t end = m_loca[static_cast<std::size_t>(glyph) + 1];
    return std::span<const std::uint8_t>(m_bytes).subspan(glyf.offset + start, end - start);
}

int TteFont::GlyphXMin(int glyph) const {
    const std::span<const std::uint8_t> data = GlyphBytes(glyph);
    return data.size() >= 10 ? TteS16(data.data() + 2) : 0;
}

int TteFont::AdvanceWidth(int glyph) const {
    if (glyph < 0 || glyph >= m_glyphCount) return 0;
    const std::uint8_t* hmtx = m_bytes.data() + FindTable(kTteHmtx)->offset;
    return static_cast<int>(TteU16(hmtx + 4 * std::min(glyph, m_hMetricCount - 1)));
}

int TteFont::LeftSideBearing(int glyph) const {
    if (glyph < 0 || glyph >= m_glyphCount) return 0;
    const std::uint8_t* hmtx = m_bytes.data() + FindTable(kTteHmtx)->offset;
    if (glyph < m_hMetricCount) return TteS16(hmtx + 4 * glyph + 2);
    return TteS16(hmtx + 4 * m_hMetricCount + 2 * (glyph - m_hMetricCount));
}

int TteFont::LoadCodeOutline(int code, TteOutline& outline) const {
    outline = {};
    const int glyph = GlyphForCode(code);
    if (glyph == 0) {
        m_error = "the font has no glyph for " + TteCodeText(static_cast<unsigned>(code));
        return kTteNoGlyph;
    }
    return LoadOutline(glyph, outline);
}

int TteFont::LoadOutline(int glyph, TteOutline& outline) const {
    outline = {};
    if (glyph < 0 || glyph >= m_glyphCount) {
        m_error = "glyph " + std::to_string(glyph) + " is not in the font";
        return kTteBadGlyph;
    }
    const int result = LoadGlyph(glyph, 0, outline);
    if (result != kTteOk) outline = {};
    return result;
}

int TteFont::LoadGlyph(int glyph, int depth, TteOutline& outline) const {
    const std::span<const std::uint8_t> data = GlyphBytes(glyph);
    const std::string name = "glyph " + std::to_string(glyph);
    auto bad = [&](const std::string& why) {
        m_error = name + ": " + why;
        return kTteBadGlyph;
    };
    if (data.empty()) return kTteOk;
    if (data.size() < 10) return bad("shorter than its header");
    const std::uint8_t* p = data.data();
    const int contours = TteS16(p);
    std::size_t at = 10;
    if (contours >= 0) {
        if (!Holds(data.size(), at, 2ull * contours + 2)) return bad("its contour ends are cut short");
        std::vector<std::uint32_t> ends(static_cast<std::size_t>(contours));
        for (int c = 0; c < contours; ++c) {
            ends[static_cast<std::size_t>(c)] = TteU16(p + at + 2 * c);
            if (c > 0 && ends[static_cast<std::size_t>(c)] <= ends[static_cast<std::size_t>(c) - 1])
                return bad("its contour ends are out of order");
        }
        at += 2ull * contours;
        const unsigned instructions = TteU16(p + at);
        at += 2 + instructions;
        if (contours == 0) return kTteOk;
        const std::size_t count = ends.back() + 1;
        // The flags come first; each needs at least a byte for every 256 points, so a claim the data cannot
        // back fails here before the points are allocated.
        std::vector<std::uint8_t> flags;
        flags.reserve(std::min<std::size_t>(count, data.size() * 256));
        std::size_t xBytes = 0, yBytes = 0;
        while (flags.size() < count) {
            if (at >= data.size())
                return bad("claims " + std::to_string(count) + " points, its flags are cut short");
            const std::uint8_t flag = p[at++];
            std::size_t repeat = 1;
            if (flag & kRepeat) {
                if (at >= data.size()) return bad("its flags are cut short");
                repeat += p[at++];
            }
            if (repeat > count - flags.size()) return bad("its flags repeat past the last point");
            flags.insert(flags.end(), repeat, flag);
            xBytes += repeat * ((flag & kXShort) ? 1 : (flag & kXSame) ? 0 : 2);
            yBytes += repeat * ((flag & kYShort) ? 1 : (flag & kYSame) ? 0 : 2);
        }
        if (!Holds(data.size(), at, xBytes + yBytes)) return bad("its coordinates are cut short");
        const std::size_t first = outline.points.size();
        if (first + count > kTteMaxPoints) {
            m_error = name + ": more than " + std::to_string(kTteMaxPoints) + " points";
            return kTteTooComplex;
        }
        outline.points.resize(first + count);
        std::int64_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t flag = flags[i];
            if (flag & kXShort) {
                value += (flag & kXSame) ? p[at] : -int(p[at]);
                ++at;
            } else if (!(flag & kXSame)) {
                value += TteS16(p + at);
                at += 2;
            }
            outline.points[first + i].x = ClampCoordinate(static_cast<double>(value));
            outline.points[first + i].onCurve = (flag & kOnCurve) != 0;
        }
        value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t flag = flags[i];
            if (flag & kYShort) {
                value += (flag & kYSame) ? p[at] : -int(p[at]);
                ++at;
            } else if (!(flag & kYSame)) {
                value += TteS16(p + at);
                at += 2;
            }
            outline.points[first + i].y = ClampCoordinate(static_cast<double>(value));
        }
        for (std::uint32_t end : ends) outline.contourEnds.push_back(static_cast<std::uint32_t>(first) + end);
        if (outline.contourEnds.size() > kTteMaxContours) {
            m_error = name + ": more than " + std::to_string(kTteMaxContours) + " contours";
            return kTteTooComplex;
        }
        return kTteOk;
    }

    // A composite: components placed by offsets or by matching points, each with its own transform.
    if (depth >= kMaxComponentDepth) return bad("its components nest too deeply (a loop?)");
    for (;;) {
        if (!Holds(data.size(), at, 4)) return bad("a component is cut short");
        const unsigned flags = TteU16(p + at);
        const int component = static_cast<int>(TteU16(p + at + 2));
        at += 4;
        const std::size_t argBytes = (flags & kArgsAreWords) ? 4 : 2;
        std::size_t transformBytes = 0;
        if (flags & kHaveScale)
            transformBytes = 2;
        else if (flags & kHaveXyScale)
            transformBytes = 4;
        else if (flags & kHaveTwoByTwo)
            transformBytes = 8;
        if (!Holds(data.size(), at, argBytes + transformBytes)) return bad("a component is cut short");
        int arg1, arg2;
        if (flags & kArgsAreWords) {
            arg1 = (flags & kArgsAreXy) ? TteS16(p + at) : static_cast<int>(TteU16(p + at));
            arg2 = (flags & kArgsAreXy) ? TteS16(p + at + 2) : static_cast<int>(TteU16(p + at + 2));
        } else {
            arg1 = (flags & kArgsAreXy) ? static_cast<std::int8_t>(p[at]) : p[at];
            arg2 = (flags & kArgsAreXy) ? static_cast<std::int8_t>(p[at + 1]) : p[at + 1];
        }
        at += argBytes;
        double a = 1, b = 0, c = 0, d = 1;
        auto f2dot14 = [&](std::size_t offset) { return TteS16(p + at + offset) / 16384.0; };
        if (flags & kHaveScale) {
            a = d = f2dot14(0);
        } else if (flags & kHaveXyScale) {
            a = f2dot14(0);
            d = f2dot14(2);
        } else if (flags & kHaveTwoByTwo) {
            a = f2dot14(0);
            b = f2dot14(2);
            c = f2dot14(4);
            d = f2dot14(6);
        }
        at += transformBytes;
        if (component >= m_glyphCount) return bad("a component names glyph " + std::to_string(component));

        TteOutline part;
        if (const int result = LoadGlyph(component, depth + 1, part); result != kTteOk) return result;
        for (auto& point : part.points) {
            const double x = point.x, y = point.y;
            point.x = ClampCoordinate(a * x + c * y);
            point.y = ClampCoordinate(b * x + d * y);
        }
        double dx = 0, dy = 0;
        if (flags & kArgsAreXy) {
            dx = arg1;
            dy = arg2;
            if (flags & kScaledOffset) {
                dx = a * arg1 + c * arg2;
                dy = b * arg1 + d * arg2;
            }
        } else {
            // Point matching: the component's point arg2 lands on the glyph's point arg1 so far.
            if (static_cast<std::size_t>(arg1) >= outline.points.size() ||
                static_cast<std::size_t>(arg2) >= part.points.size())
                return bad("a component matches a point that does not exist");
            dx = outline.points[static_cast<std::size_t>(arg1)].x -
                 part.points[static_cast<std::size_t>(arg2)].x;
            dy = outline.points[static_cast<std::size_t>(arg1)].y -
                 part.points[static_cast<std::size_t>(arg2)].y;
        }
        if (outline.points.size() + part.points.size() > kTteMaxPoints) {
            m_error = name + ": more than " + std::to_string(kTteMaxPoints) + " points with its components";
            return kTteTooComplex;
        }
        const auto first = static_cast<std::uint32_t>(outline.points.size());
        for (auto point : part.points) {
            point.x = ClampCoordinate(point.x + dx);
            point.y = ClampCoordinate(point.y + dy);
            outline.points.push_back(point);
        }
        for (std::uint32_t end : part.contourEnds) outline.contourEnds.push_back(first + end);
        if (outline.contourEnds.size() > kTteMaxContours) {
            m_error =
                name + ": more than " + std::to_string(kTteMaxContours) + " contours with its components";
            return kTteTooComplex;
        }
        if (!(flags & kMoreComponents)) break;
    }
    return kTteOk;
}

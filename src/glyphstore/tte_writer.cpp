#include "glyphstore/tte_writer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <set>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/glyph_size.h"
#include "glyphstore/tte_outline.h"
#include "glyphstore/tte_raster.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, long value) {
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}
void Put32(Bytes& bytes, std::uint32_t value) {
    Put16(bytes, static_cast<long>(value >> 16));
    Put16(bytes, static_cast<long>(value & 0xFFFF));
}
void Put64(Bytes& bytes, std::int64_t value) {
    Put32(bytes, static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32));
    Put32(bytes, static_cast<std::uint32_t>(value));
}
void Set16(Bytes& bytes, std::size_t at, long value) {
    bytes[at] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}
void Set32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    Set16(bytes, at, static_cast<long>(value >> 16));
    Set16(bytes, at + 2, static_cast<long>(value & 0xFFFF));
}
void Set64(Bytes& bytes, std::size_t at, std::int64_t value) {
    Set32(bytes, at, static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32));
    Set32(bytes, at + 4, static_cast<std::uint32_t>(value));
}

// Tables that go stale when one glyph changes and that the update drops: the signature, and the embedded
// bitmap strikes, which would go on showing the old character at their sizes.
constexpr std::uint32_t kDroppedAlways[] = {TteTag("DSIG"), TteTag("EBLC"), TteTag("EBDT"),
                                            TteTag("EBSC"), TteTag("CBLC"), TteTag("CBDT"),
                                            TteTag("bloc"), TteTag("bdat"), TteTag("sbix")};
// Per-glyph caches whose size follows the glyph count; dropped when a glyph is added.
constexpr std::uint32_t kDroppedOnAdd[] = {TteTag("hdmx"), TteTag("LTSH")};

std::uint32_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < bytes.size() ? bytes[i + k] : 0);
        sum += word;
    }
    return sum;
}

}  // namespace

Bytes AssembleTteFont(std::uint32_t version, std::vector<std::pair<std::uint32_t, Bytes>> tables) {
    std::sort(tables.begin(), tables.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const unsigned count = static_cast<unsigned>(tables.size());
    unsigned power = 1, selector = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++selector;
    }
    Bytes font;
    Put32(font, version);
    Put16(font, count);
    Put16(font, 16 * power);
    Put16(font, selector);
    Put16(font, 16 * count - 16 * power);
    std::size_t offset = 12 + 16 * static_cast<std::size_t>(count);
    std::size_t headAt = 0;
    for (auto& [tag, data] : tables) {
        if (tag == kTteHead && data.size() >= 12) Set32(data, 8, 0);
        Put32(font, tag);
        Put32(font, Checksum(data));
        Put32(font, static_cast<std::uint32_t>(offset));
        Put32(font, static_cast<std::uint32_t>(data.size()));
        if (tag == kTteHead) headAt = offset;
        offset += (data.size() + 3) & ~std::size_t{3};
    }
    font.reserve(offset);
    for (const auto& [tag, data] : tables) {
        font.insert(font.end(), data.begin(), data.end());
        font.resize((font.size() + 3) & ~std::size_t{3}, 0);
    }
    if (headAt != 0) Set32(font, headAt + 8, 0xB1B0AFBAu - Checksum(font));
    return font;
}

namespace {

// A character map of format 4 for the (code, glyph) pairs, code ascending: one segment per run of codes,
// with a delta when the run's glyphs follow one another and a glyph array otherwise.
bool EncodeFormat4(const std::vector<std::pair<std::uint32_t, int>>& pairs, unsigned language, Bytes& table) {
    struct Segment {
        unsigned start, end;
        bool delta;
        std::size_t first;  // index into pairs
    };
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < pairs.size();) {
        if (pairs[i].first >= 0xFFFF) break;
        std::size_t end = i + 1;
        while (end < pairs.size() && pairs[end].first == pairs[end - 1].first + 1 &&
               pairs[end].first < 0xFFFF)
            ++end;
        bool delta = true;
        for (std::size_t k = i + 1; k < end; ++k) delta = delta && pairs[k].second == pairs[k - 1].second + 1;
        segments.push_back({pairs[i].first, pairs[end - 1].first, delta, i});
        i = end;
    }
    segments.push_back({0xFFFF, 0xFFFF, true, pairs.size()});
    const std::size_t count = segments.size();
    std::size_t arrayLength = 0;
    for (const Segment& s : segments)
        if (!s.delta) arrayLength += s.end - s.start + 1;
    const std::size_t length = 16 + 8 * count + 2 * arrayLength;
    if (length > 0xFFFF) return false;
    unsigned power = 1, selector = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++selector;
    }
    table.clear();
    Put16(table, 4);
    Put16(table, static_cast<long>(length));
    Put16(table, static_cast<long>(language));
    Put16(table, static_cast<long>(2 * count));
    Put16(table, 2 * power);
    Put16(table, selector);
    Put16(table, static_cast<long>(2 * count - 2 * power));
    for (const Segment& s : segments) Put16(table, s.end);
    Put16(table, 0);
    for (const Segment& s : segments) Put16(table, s.start);
    for (const Segment& s : segments) {
        const long delta = s.start == 0xFFFF ? 1
                           : s.delta         ? pairs[s.first].second - static_cast<long>(s.start)
                                             : 0;
        Put16(table, delta & 0xFFFF);
    }
    std::size_t arrayAt = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (segments[i].delta) {
            Put16(table, 0);
        } else {
            Put16(table, static_cast<long>(2 * (count - i) + 2 * arrayAt));
            arrayAt += segments[i].end - segments[i].start + 1;
        }
    }
    for (const Segment& s : segments) {
        if (s.delta) continue;
        for (unsigned code = s.start; code <= s.end; ++code)
            Put16(table, pairs[s.first + (code - s.start)].second);
    }
    return true;
}

// Format 12: one group per run of codes whose glyphs follow one another.
Bytes EncodeFormat12(const std::vector<std::pair<std::uint32_t, int>>& pairs, std::uint32_t language) {
    std::vector<std::array<std::uint32_t, 3>> groups;
    for (const auto& [code, glyph] : pairs) {
        if (!groups.empty() && groups.back()[1] + 1 == code &&
            groups.back()[2] + (groups.back()[1] - groups.back()[0]) + 1 ==
                static_cast<std::uint32_t>(glyph)) {
            groups.back()[1] = code;
        } else {
            groups.push_back({code, code, static_cast<std::uint32_t>(glyph)});
        }
    }
    Bytes table;
    Put16(table, 12);
    Put16(table, 0);
    Put32(table, static_cast<std::uint32_t>(16 + 12 * groups.size()));
    Put32(table, language);
    Put32(table, static_cast<std::uint32_t>(groups.size()));
    for (const auto& group : groups)
        for (std::uint32_t value : group) Put32(table, value);
    return table;
}

// The Windows names of our own fonts, UTF-16 big-endian.
Bytes MakeNameTable() {
    const std::wstring family = kTteFamilyName;
    const std::pair<int, std::wstring> names[] = {{1, family}, {2, L"Regular"},       {3, family + L" 1.000"},
                                                  {4, family}, {5, L"Version 1.000"}, {6, L"KanjiforgeEUDC"}};
    const std::size_t count = std::size(names);
    Bytes table, strings;
    Put16(table, 0);
    Put16(table, static_cast<long>(count));
    Put16(table, static_cast<long>(6 + 12 * count));
    for (const auto& [id, text] : names) {
        Put16(table, 3);
        Put16(table, 1);
        Put16(table, 0x0409);
        Put16(table, id);
        Put16(table, static_cast<long>(2 * text.size()));
        Put16(table, static_cast<long>(strings.size()));
        for (wchar_t c : text) Put16(strings, static_cast<long>(c));
    }
    table.insert(table.end(), strings.begin(), strings.end());
    return table;
}

struct Box {
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    bool any = false;
    void Add(int x0, int y0, int x1, int y1) {
        if (!any) {
            *this = {x0, y0, x1, y1, true};
            return;
        }
        xMin = std::min(xMin, x0);
        yMin = std::min(yMin, y0);
        xMax = std::max(xMax, x1);
        yMax = std::max(yMax, y1);
    }
};

Bytes MakeLoca(const std::vector<std::uint32_t>& offsets, bool longFormat) {
    Bytes loca;
    loca.reserve(offsets.size() * (longFormat ? 4 : 2));
    for (std::uint32_t offset : offsets) {
        if (longFormat)
            Put32(loca, offset);
        else
            Put16(loca, static_cast<long>(offset / 2));
    }
    return loca;
}

bool FitsShortLoca(const std::vector<std::uint32_t>& offsets) {
    return offsets.back() <= 0x1FFFE &&
           std::all_of(offsets.begin(), offsets.end(), [](std::uint32_t offset) { return offset % 2 == 0; });
}

}  // namespace

std::int64_t TteTimeNow() {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return static_cast<std::int64_t>(seconds) + 2082844800;  // 1904-01-01 to 1970-01-01
}

int EncodeGlyph(const TteOutline& outline, TteGlyphData& glyph, std::string& error) {
    glyph = {};
    if (outline.points.empty()) return kTteOk;
    const std::size_t count = outline.points.size();
    if (count > static_cast<std::size_t>(kTteMaxPoints) ||
        outline.contourEnds.size() > static_cast<std::size_t>(kTteMaxContours)) {
        error = "the glyph has " + std::to_string(count) + " points in " +
                std::to_string(outline.contourEnds.size()) + " contours; TrueType allows at most " +
                std::to_string(kTteMaxPoints) + " points and " + std::to_string(kTteMaxContours) +
                " contours";
        return kTteTooComplex;
    }
    if (outline.contourEnds.empty() || outline.contourEnds.back() + 1 != count) {
        error = "the glyph's contours do not cover its points";
        return kTteBadGlyph;
    }
    Box box;
    for (const auto& point : outline.points) {
        if (point.x < -32768 || point.x > 32767 || point.y < -32768 || point.y > 32767) {
            error = "a point of the glyph lies outside the font's coordinate range";
            return kTteTooComplex;
        }
        box.Add(point.x, point.y, point.x, point.y);
    }
    Bytes& b = glyph.bytes;
    Put16(b, static_cast<long>(outline.contourEnds.size()));
    Put16(b, box.xMin);
    Put16(b, box.yMin);
    Put16(b, box.xMax);
    Put16(b, box.yMax);
    std::uint32_t previous = 0;
    for (std::size_t c = 0; c < outline.contourEnds.size(); ++c) {
        if (c > 0 && outline.contourEnds[c] <= previous) {
            glyph = {};
            error = "the glyph's contours are out of order";
            return kTteBadGlyph;
        }
        previous = outline.contourEnds[c];
        Put16(b, static_cast<long>(previous));
    }
    Put16(b, 0);  // no instructions
    Bytes flags, xs, ys;
    int px = 0, py = 0;
    for (const auto& point : outline.points) {
        std::uint8_t flag = point.onCurve ? 0x01 : 0x00;
        const int dx = point.x - px, dy = point.y - py;
        px = point.x;
        py = point.y;
        if (dx == 0) {
            flag |= 0x10;
        } else if (dx >= -255 && dx <= 255) {
            flag |= 0x02 | (dx > 0 ? 0x10 : 0);
            xs.push_back(static_cast<std::uint8_t>(std::abs(dx)));
        } else {
            Put16(xs, dx);
        }
        if (dy == 0) {
            flag |= 0x20;
        } else if (dy >= -255 && dy <= 255) {
            flag |= 0x04 | (dy > 0 ? 0x20 : 0);
            ys.push_back(static_cast<std::uint8_t>(std::abs(dy)));
        } else {
            Put16(ys, dy);
        }
        flags.push_back(flag);
    }
    for (std::size_t i = 0; i < flags.size();) {
        std::size_t run = 1;
        while (i + run < flags.size() && flags[i + run] == flags[i] && run < 256) ++run;
        if (run > 1) {
            b.push_back(flags[i] | 0x08);
            b.push_back(static_cast<std::uint8_t>(run - 1));
        } else {
            b.push_back(flags[i]);
        }
        i += run;
    }
    b.insert(b.end(), xs.begin(), xs.end());
    b.insert(b.end(), ys.begin(), ys.end());
    if (b.size() % 2) b.push_back(0);
    glyph.xMin = box.xMin;
    glyph.yMin = box.yMin;
    glyph.xMax = box.xMax;
    glyph.yMax = box.yMax;
    glyph.points = static_cast<int>(count);
    glyph.contours = static_cast<int>(outline.contourEnds.size());
    return kTteOk;
}

int BuildTteFont(int size, const std::vector<TteCharacter>& characters, std::int64_t time, Bytes& font,
                 std::string& error) {
    font.clear();
    if (!IsUsableGlyphSize(size, size)) {
        error = "the character size " + std::to_string(size) + " is not a multiple of 8 in 8..256";
        return kTteBadGlyph;
    }
    const int upem = kTteUnitsPerDot * size;
    const int baselineRow = NewFontBaselineRow(size);
    const int ascent = baselineRow * kTteUnitsPerDot;
    const int descent = upem - ascent;
    const TteGrid grid{upem, size, baselineRow};

    std::vector<TteGlyphData> glyphs(1);  // glyph 0, .notdef, has no outline
    std::vector<std::pair<std::uint32_t, int>> pairs;
    int previousCode = -1;
    for (const TteCharacter& character : characters) {
        if (!IsUnicodeEudcCode(character.code) || character.code <= previousCode) {
            error = "character codes must be E000..F8FF, each once, ascending";
            return kTteBadGlyph;
        }
        previousCode = character.code;
        TteOutline outline;
        TteGlyphData glyph;
        if (int result = DotsToOutline(character.dots, grid, TteCorners::Square, outline, error);
            result != kTteOk) {
            error = TteCodeText(static_cast<unsigned>(character.code)) + ": " + error;
            return result;
        }
        if (int result = EncodeGlyph(outline, glyph, error); result != kTteOk) return result;
        pairs.emplace_back(static_cast<std::uint32_t>(character.code), static_cast<int>(glyphs.size()));
        glyphs.push_back(std::move(glyph));
    }
    const int glyphCount = static_cast<int>(glyphs.size());

    Bytes glyf;
    std::vector<std::uint32_t> offsets;
    Box box;
    int maxPoints = 0, maxContours = 0;
    int minLsb = 0, minRsb = 0, maxExtent = 0;
    bool anyOutline = false;
    for (const TteGlyphData& glyph : glyphs) {
        offsets.push_back(static_cast<std::uint32_t>(glyf.size()));
        glyf.insert(glyf.end(), glyph.bytes.begin(), glyph.bytes.end());
        if (glyph.bytes.empty()) continue;
        box.Add(glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax);
        maxPoints = std::max(maxPoints, glyph.points);
        maxContours = std::max(maxContours, glyph.contours);
        const int extent = glyph.xMax;  // lsb = xMin, so lsb + (xMax - xMin)
        minLsb = anyOutline ? std::min(minLsb, glyph.xMin) : glyph.xMin;
        minRsb = anyOutline ? std::min(minRsb, upem - glyph.xMax) : upem - glyph.xMax;
        maxExtent = anyOutline ? std::max(maxExtent, extent) : extent;
        anyOutline = true;
    }
    offsets.push_back(static_cast<std::uint32_t>(glyf.size()));
    const bool longLoca = !FitsShortLoca(offsets);

    Bytes head;
    Put32(head, 0x00010000);
    Put32(head, 0x00010000);
    Put32(head, 0);
    Put32(head, 0x5F0F3CF5);
    Put16(head, 0x000B);  // baseline at y = 0, left side bearing point at x = 0, whole ppem only
    Put16(head, upem);
    Put64(head, time);
    Put64(head, time);
    Put16(head, box.xMin);
    Put16(head, box.yMin);
    Put16(head, box.xMax);
    Put16(head, box.yMax);
    Put16(head, 0);  // macStyle
    Put16(head, 8);  // lowestRecPPEM
    Put16(head, 2);  // fontDirectionHint
    Put16(head, longLoca ? 1 : 0);
    Put16(head, 0);

    Bytes hhea;
    Put32(hhea, 0x00010000);
    Put16(hhea, ascent);
    Put16(hhea, -descent);
    Put16(hhea, 0);
    Put16(hhea, upem);
    Put16(hhea, minLsb);
    Put16(hhea, minRsb);
    Put16(hhea, maxExtent);
    Put16(hhea, 1);  // caret slope rise
    Put16(hhea, 0);
    Put16(hhea, 0);
    for (int i = 0; i < 5; ++i) Put16(hhea, 0);
    Put16(hhea, glyphCount);  // one metric a glyph: the side bearings differ

    Bytes hmtx;
    for (const TteGlyphData& glyph : glyphs) {
        Put16(hmtx, upem);
        Put16(hmtx, glyph.bytes.empty() ? 0 : glyph.xMin);
    }

    Bytes maxp;
    Put32(maxp, 0x00010000);
    Put16(maxp, glyphCount);
    Put16(maxp, maxPoints);
    Put16(maxp, maxContours);
    Put16(maxp, 0);  // composite points
    Put16(maxp, 0);  // composite contours
    Put16(maxp, 2);  // zones
    for (int i = 0; i < 8; ++i) Put16(maxp, 0);

    Bytes os2;
    Put16(os2, 4);
    Put16(os2, upem);  // average width
    Put16(os2, 400);
    Put16(os2, 5);
    Put16(os2, 0);  // installable
    Put16(os2, upem * 65 / 100);
    Put16(os2, upem * 60 / 100);
    Put16(os2, 0);
    Put16(os2, upem * 7 / 100);
    Put16(os2, upem * 65 / 100);
    Put16(os2, upem * 60 / 100);
    Put16(os2, 0);
    Put16(os2, upem * 35 / 100);
    Put16(os2, upem / 20);
    Put16(os2, upem * 26 / 100);
    Put16(os2, 0);
    for (int i = 0; i < 10; ++i) os2.push_back(0);  // panose
    Put32(os2, 0);
    Put32(os2, 1u << 28);  // Unicode range bit 60: the private use area
    Put32(os2, 0);
    Put32(os2, 0);
    for (char c : {'K', 'J', 'F', 'G'}) os2.push_back(static_cast<std::uint8_t>(c));
    Put16(os2, 0x0040);  // regular
    Put16(os2, pairs.empty() ? kEudcFirst : static_cast<long>(pairs.front().first));
    Put16(os2, pairs.empty() ? kEudcFirst : static_cast<long>(pairs.back().first));
    Put16(os2, ascent);
    Put16(os2, -descent);
    Put16(os2, 0);
    Put16(os2, ascent);
    Put16(os2, descent);
    Put32(os2, 1u << 17);  // code page 932, JIS/Japan
    Put32(os2, 0);
    Put16(os2, upem / 2);  // x height
    Put16(os2, ascent);    // cap height
    Put16(os2, 0);
    Put16(os2, 0x20);
    Put16(os2, 0);

    Bytes post;
    Put32(post, 0x00030000);
    Put32(post, 0);
    Put16(post, -upem / 16);
    Put16(post, upem / 20);
    Put32(post, 1);  // fixed pitch
    for (int i = 0; i < 4; ++i) Put32(post, 0);

    Bytes format4;
    if (!EncodeFormat4(pairs, 0, format4)) {
        error = "the character map does not fit in format 4";
        return kTteTooComplex;
    }
    Bytes cmap;
    Put16(cmap, 0);
    Put16(cmap, 1);
    Put16(cmap, 3);
    Put16(cmap, 1);
    Put32(cmap, 12);
    cmap.insert(cmap.end(), format4.begin(), format4.end());

    font = AssembleTteFont(0x00010000, {{kTteHead, head},
                                        {kTteHhea, hhea},
                                        {kTteHmtx, hmtx},
                                        {kTteMaxp, maxp},
                                        {kTteOs2, os2},
                                        {kTteCmap, cmap},
                                        {kTteLoca, MakeLoca(offsets, longLoca)},
                                        {kTteGlyf, std::move(glyf)},
                                        {kTteName, MakeNameTable()},
                                        {kTtePost, post}});
    return kTteOk;
}

int BuildTteFontFromEudc(std::span<const std::uint8_t> bitmapFile, std::int64_t time, Bytes& font,
                         std::string& error) {
    EudcIndex index;
    if (const int result = ReadEudcIndexBytes(bitmapFile, index); result != kEudcOk) {
        error = "the bitmap file does not read (result " + std::to_string(result) + ")";
        return kTteBadGlyph;
    }
    if (!IsUsableGlyphSize(index.width, index.height)) {
        error = "the bitmap file's character size " + std::to_string(index.width) + " by " +
                std::to_string(index.height) + " is not one a font can be made of";
        return kTteBadGlyph;
    }
    std::vector<int> codes;
    ListEudcCodesBytes(bitmapFile, codes);
    std::vector<TteCharacter> characters;
    for (int code : codes) {
        if (!IsUnicodeEudcCode(code)) continue;
        TteCharacter character{code, {}};
        int width = 0, height = 0;
        const int result = ReadEudcRecordBytes(bitmapFile, index, code, width, height, &character.dots);
        if (result != kEudcOk) {
            error = "the bitmap file's character " + TteCodeText(static_cast<unsigned>(code)) +
                    " does not read (result " + std::to_string(result) + ")";
            return kTteBadGlyph;
        }
        characters.push_back(std::move(character));
    }
    return BuildTteFont(index.width, characters, time, font, error);
}

int CharacterOutline(const TteFont& font, int size, std::span<const std::uint8_t> dots, TteOutline& outline,
                     std::string& error) {
    const TteGrid grid{font.UnitsPerEm(), size, StandardPlacement(font, size).baselineRow};
    return DotsToOutline(dots, grid, TteCorners::Square, outline, error);
}

int UpdateTteGlyph(const TteFont& font, int code, const TteOutline& outline, std::int64_t time,
                   Bytes& updated, std::string& error, TteUpdateReport* report) {
    updated.clear();
    TteUpdateReport local;
    TteUpdateReport& done = report ? *report : local;
    done = {};
    if (code < 0 || code > 0xFFFF) {
        error = "the code is outside the characters a font of this kind holds";
        return kTteNoGlyph;
    }
    TteGlyphData glyph;
    if (const int result = EncodeGlyph(outline, glyph, error); result != kTteOk) return result;
    const int count = font.GlyphCount();
    const int sjis = UnicodeEudcToSjis(code);
    const int old = font.GlyphForCode(code);

    // The glyph is changed in place only when it is this code's alone: no other code maps to it and no
    // composite glyph uses it; otherwise the code gets a glyph of its own.
    bool own = old != 0;
    // Every parsed map by its place in the file: several records may share one.
    std::map<std::uint32_t, std::vector<std::pair<std::uint32_t, int>>> maps;
    const auto& subtables = font.CmapSubtables();
    for (const TteCmapSubtable& sub : subtables) {
        if (!sub.parsed || maps.count(sub.offset)) continue;
        const auto& pairs = maps[sub.offset] = font.Mappings(sub);
        const int self = sub.IsShiftJis() ? sjis : code;
        for (const auto& [c, g] : pairs)
            if (g == old && static_cast<int>(c) != self) own = false;
    }
    for (int g = 0; own && g < count; ++g) {
        const auto data = font.GlyphBytes(g);
        if (data.size() < 10 || TteS16(data.data()) >= 0) continue;
        for (std::size_t at = 10; at + 4 <= data.size();) {
            const unsigned flags = TteU16(data.data() + at);
            if (static_cast<int>(TteU16(data.data() + at + 2)) == old) own = false;
            at += 4 + ((flags & 0x0001) ? 4 : 2) +
                  ((flags & 0x0008)   ? 2
                   : (flags & 0x0040) ? 4
                   : (flags & 0x0080) ? 8
                                      : 0);
            if (!(flags & 0x0020)) break;
        }
    }
    const bool add = !own;
    if (add && count >= 0xFFFF) {
        error = "the font holds 65,535 glyphs already";
        return kTteTooComplex;
    }
    const int target = add ? count : old;
    const int newCount = add ? count + 1 : count;
    done.added = add;

    // glyf and loca: the glyphs before the target as they are, the new glyph, the glyphs after it.
    const auto oldGlyf = font.TableBytes(kTteGlyf);
    Bytes glyf;
    std::vector<std::uint32_t> offsets(static_cast<std::size_t>(newCount) + 1);
    const std::uint32_t before = font.GlyphOffset(target < count ? target : count);
    const std::uint32_t after = target < count ? font.GlyphOffset(target + 1) : before;
    const std::uint32_t end = font.GlyphOffset(count);
    glyf.reserve(end + glyph.bytes.size());
    glyf.insert(glyf.end(), oldGlyf.begin(), oldGlyf.begin() + before);
    glyf.insert(glyf.end(), glyph.bytes.begin(), glyph.bytes.end());
    glyf.insert(glyf.end(), oldGlyf.begin() + after, oldGlyf.begin() + end);
    const std::int64_t shift = static_cast<std::int64_t>(glyph.bytes.size()) - (after - before);
    for (int g = 0; g <= newCount; ++g) {
        const auto i = static_cast<std::size_t>(g);
        if (g <= target)
            offsets[i] = font.GlyphOffset(std::min(g, count));
        else
            offsets[i] =
                static_cast<std::uint32_t>(font.GlyphOffset(std::min(g - (add ? 1 : 0), count)) + shift);
    }
    if (glyf.size() > 0xFFFFFFFFu) {
        error = "the glyphs no longer fit in one font";
        return kTteTooComplex;
    }
    const bool longLoca = font.LongLoca() || !FitsShortLoca(offsets);
    done.longLoca = longLoca;
    done.switchedToLongLoca = longLoca && !font.LongLoca();

    // hmtx and hhea: the glyph's advance stays (a new glyph takes that of the font's private-use glyphs),
    // its left side bearing becomes its xMin.
    int advance = font.UnitsPerEm();
    if (!add) {
        advance = font.AdvanceWidth(old);
    } else {
        for (int c = kEudcFirst; c <= kEudcLast; ++c)
            if (const int g = font.GlyphForCode(c); g != 0) {
                advance = font.AdvanceWidth(g);
                break;
            }
    }
    const int lsb = glyph.bytes.empty() ? 0 : glyph.xMin;
    std::vector<int> advances(static_cast<std::size_t>(newCount)),
        bearings(static_cast<std::size_t>(newCount));
    for (int g = 0; g < count; ++g) {
        advances[static_cast<std::size_t>(g)] = font.AdvanceWidth(g);
        bearings[static_cast<std::size_t>(g)] = font.LeftSideBearing(g);
    }
    advances[static_cast<std::size_t>(target)] = advance;
    bearings[static_cast<std::size_t>(target)] = lsb;
    int metrics = font.HMetricCount();
    if (target >= metrics && advance != advances[static_cast<std::size_t>(metrics) - 1]) metrics = target + 1;
    Bytes hmtx;
    for (int g = 0; g < newCount; ++g) {
        if (g < metrics) Put16(hmtx, advances[static_cast<std::size_t>(g)]);
        Put16(hmtx, bearings[static_cast<std::size_t>(g)]);
    }
    const auto oldHhea = font.TableBytes(kTteHhea);
    Bytes hhea(oldHhea.begin(), oldHhea.end());
    Set16(hhea, 34, metrics);
    if (!glyph.bytes.empty()) {
        // Only widened for the new glyph, so that the table stays as it was when the glyph fits.
        const int width = glyph.xMax - glyph.xMin;
        Set16(hhea, 10, std::max<int>(TteU16(hhea.data() + 10), advance));
        Set16(hhea, 12, std::min(TteS16(hhea.data() + 12), lsb));
        Set16(hhea, 14, std::min(TteS16(hhea.data() + 14), advance - (lsb + width)));
        Set16(hhea, 16, std::max(TteS16(hhea.data() + 16), lsb + width));
    }

    // maxp: the count and the maxima.
    const auto oldMaxp = font.TableBytes(kTteMaxp);
    Bytes maxp(oldMaxp.begin(), oldMaxp.end());
    Set16(maxp, 4, newCount);
    if (maxp.size() >= 10) {
        Set16(maxp, 6, std::max<int>(TteU16(maxp.data() + 6), glyph.points));
        Set16(maxp, 8, std::max<int>(TteU16(maxp.data() + 8), glyph.contours));
    }

    // head: the box of every glyph, the date, the glyph offsets' format.
    Box box;
    for (int g = 0; g < newCount; ++g) {
        const std::size_t i = static_cast<std::size_t>(g);
        if (offsets[i + 1] - offsets[i] < 10) continue;
        const std::uint8_t* p = glyf.data() + offsets[i];
        if (TteS16(p) == 0) continue;
        box.Add(TteS16(p + 2), TteS16(p + 4), TteS16(p + 6), TteS16(p + 8));
    }
    const auto oldHead = font.TableBytes(kTteHead);
    Bytes head(oldHead.begin(), oldHead.end());
    Set64(head, 28, time);
    Set16(head, 36, box.xMin);
    Set16(head, 38, box.yMin);
    Set16(head, 40, box.xMax);
    Set16(head, 42, box.yMax);
    Set16(head, 50, longLoca ? 1 : 0);

    // cmap: when the code gets a new glyph, every Unicode map of format 4 or 12 (and the Shift-JIS one)
    // is written again with it; maps of other formats stay as they are.
    std::vector<std::pair<std::uint32_t, Bytes>> tables;
    const auto oldCmap = font.TableBytes(kTteCmap);
    Bytes cmap(oldCmap.begin(), oldCmap.end());
    std::set<std::uint32_t> unicodeCodes;
    if (add) {
        Bytes body;
        std::map<std::uint32_t, std::uint32_t> placed;  // old subtable offset -> new offset in cmap
        const std::size_t headerLength = 4 + 8 * subtables.size();
        Bytes records;
        Put16(records, 0);
        Put16(records, static_cast<long>(subtables.size()));
        for (std::size_t i = 0; i < subtables.size(); ++i) {
            const TteCmapSubtable& sub = subtables[i];
            Put16(records, sub.platform);
            Put16(records, sub.encoding);
            auto found = placed.find(sub.offset);
            if (found == placed.end()) {
                const std::uint32_t at = static_cast<std::uint32_t>(headerLength + body.size());
                placed[sub.offset] = at;
                const int key = sub.IsShiftJis() ? sjis : code;
                if (sub.parsed && key >= 0) {
                    auto pairs = maps[sub.offset];
                    std::erase_if(pairs,
                                  [&](const auto& pair) { return static_cast<int>(pair.first) == key; });
                    pairs.emplace_back(static_cast<std::uint32_t>(key), target);
                    std::sort(pairs.begin(), pairs.end());
                    const std::uint8_t* p = font.Bytes().data() + sub.offset;
                    Bytes encoded;
                    if (sub.format == 4) {
                        if (!EncodeFormat4(pairs, TteU16(p + 4), encoded)) {
                            error = "the character map no longer fits in format 4";
                            return kTteTooComplex;
                        }
                    } else {
                        encoded = EncodeFormat12(pairs, TteU32(p + 8));
                    }
                    body.insert(body.end(), encoded.begin(), encoded.end());
                } else {
                    const auto bytes = font.Bytes().subspan(sub.offset, sub.length);
                    body.insert(body.end(), bytes.begin(), bytes.end());
                }
                while (body.size() % 4) body.push_back(0);
                found = placed.find(sub.offset);
            }
            Put32(records, found->second);
        }
        cmap = records;
        cmap.insert(cmap.end(), body.begin(), body.end());
    }
    for (const TteCmapSubtable& sub : subtables) {
        if (!sub.parsed || !sub.IsUnicode()) continue;
        const auto& pairs = maps[sub.offset];
        if (!pairs.empty()) {
            unicodeCodes.insert(pairs.front().first);
            unicodeCodes.insert(pairs.back().first);
        }
    }
    unicodeCodes.insert(static_cast<std::uint32_t>(code));

    // A vertical metrics table that cannot take one more glyph goes, with its header.
    bool keepVertical = true;
    if (add && font.FindTable(kTteVmtx)) {
        const auto vhea = font.TableBytes(kTteVhea);
        const std::size_t longMetrics = vhea.size() >= 36 ? TteU16(vhea.data() + 34) : 0;
        keepVertical = longMetrics > 0 && longMetrics <= static_cast<std::size_t>(count) &&
                       font.TableBytes(kTteVmtx).size() >= 4 * longMetrics + 2 * (count - longMetrics);
    }
    for (const TteTable& table : font.Tables()) {
        const std::uint32_t tag = table.tag;
        if (!keepVertical && (tag == kTteVmtx || tag == kTteVhea)) {
            done.dropped.push_back(TteTagText(tag));
            continue;
        }
        if (std::find(std::begin(kDroppedAlways), std::end(kDroppedAlways), tag) !=
                std::end(kDroppedAlways) ||
            (add &&
             std::find(std::begin(kDroppedOnAdd), std::end(kDroppedOnAdd), tag) != std::end(kDroppedOnAdd))) {
            done.dropped.push_back(TteTagText(tag));
            continue;
        }
        const auto original = font.TableBytes(tag);
        Bytes bytes(original.begin(), original.end());
        if (tag == kTteGlyf) {
            bytes = std::move(glyf);
        } else if (tag == kTteLoca) {
            bytes = MakeLoca(offsets, longLoca);
        } else if (tag == kTteHmtx) {
            bytes = std::move(hmtx);
        } else if (tag == kTteHhea) {
            bytes = hhea;
        } else if (tag == kTteMaxp) {
            bytes = maxp;
        } else if (tag == kTteHead) {
            bytes = head;
        } else if (tag == kTteCmap) {
            bytes = cmap;
        } else if (tag == kTteOs2 && bytes.size() >= 68) {
            Set16(bytes, 64, std::min<std::uint32_t>(*unicodeCodes.begin(), 0xFFFF));
            Set16(bytes, 66, std::min<std::uint32_t>(*unicodeCodes.rbegin(), 0xFFFF));
        } else if (add && tag == kTteVmtx) {
            // One more top side bearing: the new glyph takes the last vertical advance.
            const std::size_t longMetrics = TteU16(font.TableBytes(kTteVhea).data() + 34);
            bytes.resize(4 * longMetrics + 2 * (static_cast<std::size_t>(count) - longMetrics));
            Put16(bytes, glyph.bytes.empty() ? 0 : font.Ascent() - glyph.yMax);
        } else if (add && tag == kTtePost && bytes.size() >= 32) {
            const std::uint32_t version = TteU32(bytes.data());
            bool kept = false;
            if (version == 0x00020000 && bytes.size() >= 34 &&
                static_cast<int>(TteU16(bytes.data() + 32)) == count && bytes.size() >= 34 + 2ull * count) {
                // Glyph names: one more index, and a name of its own at the end of the names.
                std::set<std::string> names;
                std::size_t at = 34 + 2 * static_cast<std::size_t>(count);
                bool sound = true;
                while (at < bytes.size()) {
                    const std::size_t length = bytes[at];
                    if (at + 1 + length > bytes.size()) {
                        sound = false;
                        break;
                    }
                    names.emplace(bytes.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                                  bytes.begin() + static_cast<std::ptrdiff_t>(at + 1 + length));
                    at += 1 + length;
                }
                if (sound && 258 + names.size() <= 0xFFFF) {
                    std::string name = "uni" + TteCodeText(static_cast<unsigned>(code));
                    while (names.count(name)) name += ".kf";
                    Bytes post(bytes.begin(), bytes.begin() + 34 + 2 * static_cast<std::ptrdiff_t>(count));
                    Set16(post, 32, count + 1);
                    Put16(post, static_cast<long>(258 + names.size()));
                    post.insert(post.end(), bytes.begin() + 34 + 2 * static_cast<std::ptrdiff_t>(count),
                                bytes.end());
                    post.push_back(static_cast<std::uint8_t>(name.size()));
                    post.insert(post.end(), name.begin(), name.end());
                    bytes = std::move(post);
                    kept = true;
                }
            }
            if (!kept && version != 0x00010000 && version != 0x00030000) {
                // Names that cannot take one more glyph are left out: version 3 has none.
                bytes.resize(32);
                Set32(bytes, 0, 0x00030000);
                done.dropped.push_back("post glyph names");
            }
        }
        tables.emplace_back(tag, std::move(bytes));
    }
    updated = AssembleTteFont(TteU32(font.Bytes().data()), std::move(tables));
    return kTteOk;
}

bool VerifyTteGlyph(std::span<const std::uint8_t> bytes, int code, int size,
                    std::span<const std::uint8_t> dots, std::string& error) {
    TteFont font;
    if (font.Load(bytes) != kTteOk) {
        error = "the written font does not read: " + font.Error();
        return false;
    }
    std::vector<std::uint8_t> shown;
    const int result = RasterizeCode(font, code, size, shown);
    if (result != kTteOk &&
        !(result == kTteNoGlyph &&
          std::all_of(dots.begin(), dots.end(), [](std::uint8_t b) { return b == 0xFF; }))) {
        error = "the written font has no readable glyph for the code: " + font.Error();
        return false;
    }
    if (result == kTteOk && !std::equal(shown.begin(), shown.end(), dots.begin(), dots.end())) {
        error = "the written glyph does not show the character's dots";
        return false;
    }
    return true;
}

bool UpdateVerifiedTteGlyph(const TteFont& font, int code, int size, std::span<const std::uint8_t> dots,
                            Bytes& updated, std::string& error) {
    TteOutline outline;
    if (CharacterOutline(font, size, dots, outline, error) != kTteOk) return false;
    if (UpdateTteGlyph(font, code, outline, TteTimeNow(), updated, error) != kTteOk) return false;
    return VerifyTteGlyph(updated, code, size, dots, error);
}

bool UpdateTteFileGlyph(const std::filesystem::path& path, int code, int size,
                        std::span<const std::uint8_t> dots, std::string& error) {
    TteFont font;
    if (const int result = font.Read(path); result != kTteOk) {
        error = "the font does not read (Err=" + std::to_string(result) + "): " + font.Error();
        return false;
    }
    Bytes updated;
    if (!UpdateVerifiedTteGlyph(font, code, size, dots, updated, error)) return false;
    const std::filesystem::path beside = BesideFile(path);
    return WriteWholeFile(beside, updated, error) && PutFileInPlace(beside, path, error);
}

bool WriteCharacterToFontFile(const std::filesystem::path& path,
                              std::span<const std::uint8_t> bitmapFileBefore, int code, int size,
                              std::span<const std::uint8_t> dots, const TteOutlineStyle& style,
                              std::string& error) {
    Bytes bytes;
    std::error_code missing;
    const auto length = std::filesystem::file_size(path, missing);
    if (missing || length < 12) {
        if (BuildTteFontFromEudc(bitmapFileBefore, TteTimeNow(), bytes, error) != kTteOk) return false;
    } else if (!ReadTteFileBytes(path, bytes)) {
        error = "cannot read " + path.string();
        return false;
    }
    TteFont font;
    if (font.Load(bytes) != kTteOk) {
        error = "the font does not read: " + font.Error();
        return false;
    }
    const TteGrid grid{font.UnitsPerEm(), size,          StandardPlacement(font, size).baselineRow,
                       style.scale,       style.offsetX, style.offsetY};
    TteOutline outline;
    Bytes updated;
    if (DotsToOutline(dots, grid, style.corners, outline, error) != kTteOk ||
        UpdateTteGlyph(font, code, outline, TteTimeNow(), updated, error) != kTteOk)
        return false;
    const std::filesystem::path beside = BesideFile(path);
    return WriteWholeFile(beside, updated, error) && PutFileInPlace(beside, path, error);
}

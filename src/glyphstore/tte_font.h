// Reads the EUDC TrueType font (.TTE): the file every Windows program draws the user's characters from. The
// editor proves a save by reading the glyph of the saved code back, the browser and euftool compare it with
// the bitmap file, and the font writer starts from what this reader sees. The file may come from anywhere,
// so every offset, length and count is checked before it is used and nothing is allocated in proportion to
// a number the file claims without the bytes to back it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// Result codes of the font reader; the user sees the number.
inline constexpr int kTteOk = 0;
inline constexpr int kTteCannotOpen = 10;  // the file cannot be opened for reading (or is held by another)
inline constexpr int kTteNotFont = 11;     // not a TrueType file: header or table directory broken
inline constexpr int kTteBadTable = 12;    // a table the editor needs is missing or broken
inline constexpr int kTteBadCmap = 13;     // the character map is broken or points past the glyphs
inline constexpr int kTteNoGlyph = 20;     // no glyph for the code
inline constexpr int kTteBadGlyph = 30;    // the glyph's data is broken
inline constexpr int kTteTooComplex = 31;  // the glyph is past TrueType's limits

// Four-character table tags as TrueType stores them.
constexpr std::uint32_t TteTag(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}
std::string TteTagText(std::uint32_t tag);

// The tables the font code reads or writes.
inline constexpr std::uint32_t kTteHead = TteTag("head");
inline constexpr std::uint32_t kTteHhea = TteTag("hhea");
inline constexpr std::uint32_t kTteHmtx = TteTag("hmtx");
inline constexpr std::uint32_t kTteMaxp = TteTag("maxp");
inline constexpr std::uint32_t kTteLoca = TteTag("loca");
inline constexpr std::uint32_t kTteGlyf = TteTag("glyf");
inline constexpr std::uint32_t kTteCmap = TteTag("cmap");
inline constexpr std::uint32_t kTteOs2 = TteTag("OS/2");
inline constexpr std::uint32_t kTtePost = TteTag("post");
inline constexpr std::uint32_t kTteName = TteTag("name");
inline constexpr std::uint32_t kTteVhea = TteTag("vhea");
inline constexpr std::uint32_t kTteVmtx = TteTag("vmtx");

// Big-endian fields of a font's bytes; the caller checks the bounds first.
inline unsigned TteU16(const std::uint8_t* p) { return unsigned(p[0]) << 8 | p[1]; }
inline int TteS16(const std::uint8_t* p) { return static_cast<std::int16_t>(TteU16(p)); }
inline std::uint32_t TteU32(const std::uint8_t* p) { return std::uint32_t(TteU16(p)) << 16 | TteU16(p + 2); }
// A code as at least four upper-case hexadecimal digits, for messages.
std::string TteCodeText(unsigned code);

// A font larger than this is not an EUDC font (6,400 glyphs of 256 by 256 dots stay far below).
inline constexpr std::uint64_t kTteMaxFileBytes = 256ull * 1024 * 1024;
// TrueType's own limits on one glyph.
inline constexpr int kTteMaxPoints = 65535;
inline constexpr int kTteMaxContours = 32767;

// A glyph's outline in font units: quadratic contours of on-curve and off-curve points, TrueType's way.
struct TteOutline {
    struct Point {
        std::int32_t x = 0;
        std::int32_t y = 0;
        bool onCurve = true;
        bool operator==(const Point&) const = default;
    };
    std::vector<Point> points;
    std::vector<std::uint32_t> contourEnds;  // index of each contour's last point, ascending
    bool Empty() const { return points.empty(); }
    bool operator==(const TteOutline&) const = default;
};

struct TteTable {
    std::uint32_t tag = 0;
    std::uint32_t checksum = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// One subtable of the character map, where it lies and how it is read.
struct TteCmapSubtable {
    int platform = 0;
    int encoding = 0;
    int format = 0;
    std::uint32_t offset = 0;  // in the file
    std::uint32_t length = 0;
    bool parsed = false;  // format 4 or 12, checked whole: lookups and listings use it
    bool IsUnicode() const { return platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10)); }
    bool IsShiftJis() const { return platform == 3 && encoding == 2; }
};

// One ideographic (or standardised) variation sequence of a cmap format 14 table: the base character with
// its selector, and the glyph the font shows for the pair.
struct TteVariation {
    std::uint32_t base = 0;
    std::uint32_t selector = 0;  // U+FE00..U+FE0F or U+E0100..U+E01EF
    int glyph = 0;
    bool isDefault = false;  // the pair shows the base character's own glyph
    bool operator==(const TteVariation&) const = default;
};

class TteFont {
  public:
    // kTteOk, or kTteNotFont..kTteBadCmap with Error() saying what is wrong. The bytes are copied.
    int Load(std::span<const std::uint8_t> bytes);
    // The same on a file, opened letting others read it but not write it; kTteCannotOpen when it cannot be
    // read.
    int Read(const std::filesystem::path& path);
    const std::string& Error() const { return m_error; }

    std::span<const std::uint8_t> Bytes() const { return m_bytes; }
    const std::vector<TteTable>& Tables() const { return m_tables; }
    const TteTable* FindTable(std::uint32_t tag) const;
    std::span<const std::uint8_t> TableBytes(std::uint32_t tag) const;

    int UnitsPerEm() const { return m_unitsPerEm; }
    int GlyphCount() const { return m_glyphCount; }
    bool LongLoca() const { return m_longLoca; }
    // The top of the character cell: OS/2's Windows ascent when the font has one, else hhea's ascender.
    int Ascent() const { return m_ascent; }
    int HMetricCount() const { return m_hMetricCount; }
    const std::vector<TteCmapSubtable>& CmapSubtables() const { return m_cmaps; }

    // The glyph of a Unicode code through the preferred Unicode subtable (3,10), then (3,1), then (0,*);
    // 0 when none maps it.
    int GlyphForCode(int code) const;
    // The glyph that one parsed subtable maps `code` to (0 for none).
    int GlyphInSubtable(const TteCmapSubtable& subtable, int code) const;
    // Every code the preferred Unicode subtable maps to a glyph other than 0, ascending.
    std::vector<int> Codes() const;
    // Every (code, glyph) pair of a parsed subtable, code ascending.
    std::vector<std::pair<std::uint32_t, int>> Mappings(const TteCmapSubtable& subtable) const;

    // Every variation sequence of the font's (0,5) format 14 subtable, selector then base ascending, the
    // default ones with the glyph the Unicode map gives their base (left out when it gives none). kTteOk
    // (an empty list for a font without one) or kTteBadCmap with Error() saying what is wrong; the table is
    // read only when asked, so a font whose other tables are sound still opens.
    int VariationSequences(std::vector<TteVariation>& sequences) const;

    // The glyph's bytes in glyf (empty for a glyph without outline).
    std::span<const std::uint8_t> GlyphBytes(int glyph) const;
    std::uint32_t GlyphOffset(int glyph) const { return m_loca[static_cast<std::size_t>(glyph)]; }
    // kTteOk, kTteBadGlyph or kTteTooComplex (with Error() set); composites are resolved.
    int LoadOutline(int glyph, TteOutline& outline) const;
    // The same for a code: kTteNoGlyph when the font does not map it.
    int LoadCodeOutline(int code, TteOutline& outline) const;
    // The xMin of the glyph's header (0 for a glyph without outline): with the left side bearing it places
    // the outline horizontally.
    int GlyphXMin(int glyph) const;
    int AdvanceWidth(int glyph) const;
    int LeftSideBearing(int glyph) const;

  private:
    int Fail(int result, std::string error);
    int ParseDirectory();
    int ParseTables();
    int ParseCmap();
    int LoadGlyph(int glyph, int depth, TteOutline& outline) const;

    std::vector<std::uint8_t> m_bytes;
    std::vector<TteTable> m_tables;
    mutable std::string m_error;
    int m_unitsPerEm = 0;
    int m_glyphCount = 0;
    bool m_longLoca = false;
    int m_ascent = 0;
    int m_hMetricCount = 0;
    std::vector<std::uint32_t> m_loca;  // glyphCount + 1 offsets into glyf, checked ascending
    std::vector<TteCmapSubtable> m_cmaps;
    int m_unicodeCmap = -1;  // index of the preferred Unicode subtable
};

// Reads a whole file the way the font reader does (others may read it meanwhile, not write it; at most
// kTteMaxFileBytes); false when it cannot be opened or read.
bool ReadTteFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes);

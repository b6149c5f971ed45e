// The EUDC TrueType font: outlines from dots, the rasteriser's centre rule, the reader on hostile files and
// the writer's one-glyph update. FreeType and the validators check the same code in tests/font.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <filesystem>
#include <map>
#include <set>

#include "font_test_support.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/tte_outline.h"
#include "glyphstore/tte_raster.h"
#include "test_support.h"

namespace {

unsigned Get16(const FontBytes& b, std::size_t at) { return unsigned(b[at]) << 8 | b[at + 1]; }
void Put16At(FontBytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}
void Put32At(FontBytes& b, std::size_t at, std::uint32_t v) {
    Put16At(b, at, v >> 16);
    Put16At(b, at + 2, v & 0xFFFF);
}

std::uint32_t Tag4(const std::string& name) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint8_t(name[3]);
}

// Where the table directory's record of a table lies.
std::size_t RecordOf(const FontBytes& font, const std::string& tag) {
    for (std::size_t at = 12; at + 16 <= font.size(); at += 16)
        if ((std::uint32_t(Get16(font, at)) << 16 | Get16(font, at + 2)) == Tag4(tag)) return at;
    ADD_FAILURE() << "no " << tag;
    return 0;
}

std::uint32_t Offset(const FontBytes& font, const char (&tag)[5]) {
    TteFont reader;
    EXPECT_EQ(reader.Load(font), kTteOk) << reader.Error();
    const TteTable* table = reader.FindTable(TteTag(tag));
    EXPECT_NE(table, nullptr) << tag;
    return table ? table->offset : 0;
}

// Twice the signed area of a contour in font units; negative for a clockwise contour (y grows upwards).
long long Area(const TteOutline& outline, std::size_t contour) {
    const std::size_t first = contour == 0 ? 0 : outline.contourEnds[contour - 1] + 1;
    const std::size_t last = outline.contourEnds[contour];
    long long area = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const auto& a = outline.points[i];
        const auto& b = outline.points[i == last ? first : i + 1];
        area += static_cast<long long>(a.x) * b.y - static_cast<long long>(b.x) * a.y;
    }
    return area;
}

TteOutline Outline(const FontBytes& dots, int size) {
    TteOutline outline;
    std::string error;
    EXPECT_EQ(
        DotsToOutline(dots, TteGrid{32 * size, size, size - size / 8}, TteCorners::Square, outline, error),
        kTteOk)
        << error;
    return outline;
}

FontBytes Raster(const TteOutline& outline, int size) {
    return RasterizeOutline(outline, TtePlacement{32 * size, size, size - size / 8});
}

TEST(TteOutline, RegionsBecomeCornerOnlyContoursOuterClockwiseHolesCounterClockwise) {
    const FontBytes ring = DrawnDots(8, {"######", "#....#", "#....#", "######"}, 1, 2);
    const TteOutline outline = Outline(ring, 8);
    ASSERT_EQ(outline.contourEnds.size(), 2u);
    EXPECT_EQ(outline.points.size(), 8u);  // corners only: no point between two in line
    EXPECT_LT(Area(outline, 0), 0);
    EXPECT_GT(Area(outline, 1), 0);
    EXPECT_EQ(Area(outline, 0) + Area(outline, 1), -2LL * 16 * 32 * 32);  // 16 dots of 32 by 32 units
    EXPECT_TRUE(
        std::all_of(outline.points.begin(), outline.points.end(), [](const auto& p) { return p.onCurve; }));
    // The grid: x = 32 units a dot from the left, the cell's top 7 dots above the baseline.
    EXPECT_EQ(outline.points[0].x, 32);
    EXPECT_EQ(outline.points[0].y, (7 - 2) * 32);
}

TEST(TteOutline, DotsMeetingAtACornerStayApartAndNoContourTouchesItself) {
    // Two dots touching at a corner are two regions; a region closing on itself at a corner is an outline and
    // a hole that touch each other, each contour simple.
    const std::vector<FontBytes> pictures = {
        DrawnDots(8, {"#.", ".#"}),
        DrawnDots(8, {".####", "#...#", "#...#", "#####"}),
        DrawnDots(16, {"#.#.#.", ".#.#.#", "#.#.#.", "##..##", "#.##.#"}, 3, 4),
        NoiseDots(32, 0.5, 7),
    };
    for (const FontBytes& dots : pictures) {
        const int size = dots.size() == 8 ? 8 : dots.size() == 32 ? 16 : 32;
        const TteOutline outline = Outline(dots, size);
        std::size_t first = 0;
        for (std::uint32_t last : outline.contourEnds) {
            std::set<std::pair<int, int>> seen;
            for (std::size_t i = first; i <= last; ++i)
                EXPECT_TRUE(seen.insert({outline.points[i].x, outline.points[i].y}).second)
                    << "a contour touches itself";
            first = last + 1;
        }
        EXPECT_EQ(Raster(outline, size), dots);
    }
    EXPECT_EQ(Outline(DrawnDots(8, {"#.", ".#"}), 8).contourEnds.size(), 2u);
    const TteOutline closed = Outline(DrawnDots(8, {".####", "#...#", "#...#", "#####"}), 8);
    ASSERT_EQ(closed.contourEnds.size(), 2u);
    EXPECT_LT(Area(closed, 0) * Area(closed, 1), 0);  // one each way
}

TEST(TteOutline, GlyphsPastTrueTypesLimitsAreRefusedWithAReason) {
    auto checkerboard = [](int size) {
        FontBytes dots(static_cast<std::size_t>(size) * size / 8, 0xFF);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if ((x + y) % 2 == 0) SetDotInk(dots, size, x, y);
        return dots;
    };
    TteOutline outline;
    std::string error;
    EXPECT_EQ(DotsToOutline(checkerboard(176), TteGrid{2048, 176, 154}, TteCorners::Square, outline, error),
              kTteOk);
    EXPECT_EQ(outline.points.size(), 176u * 176 / 2 * 4);
    EXPECT_EQ(DotsToOutline(checkerboard(184), TteGrid{2048, 184, 161}, TteCorners::Square, outline, error),
              kTteTooComplex);
    EXPECT_NE(error.find("65535"), std::string::npos) << error;
    EXPECT_TRUE(outline.points.empty());
    // The writer refuses what it cannot encode too, and the font stays unwritten.
    TteOutline huge;
    for (int i = 0; i < kTteMaxPoints + 1; ++i) huge.points.push_back({i % 2, i / 2, true});
    huge.contourEnds.push_back(kTteMaxPoints);
    TteGlyphData glyph;
    EXPECT_EQ(EncodeGlyph(huge, glyph, error), kTteTooComplex);
    std::vector<std::uint8_t> font;
    EXPECT_EQ(BuildTteFont(184, {{0xE000, checkerboard(184)}}, 0, font, error), kTteTooComplex);
    EXPECT_TRUE(font.empty());
    EXPECT_NE(error.find("E000"), std::string::npos);
}

TEST(TteRaster, DotsComeBackExactlyAtEverySizeAndCentresOnTheOutlineAreInk) {
    for (int size : {8, 16, 24, 48, 64}) {
        for (unsigned seed = 1; seed <= 6; ++seed) {
            const FontBytes dots = seed % 2 ? NoiseDots(size, 0.15 * seed, seed) : StrokeDots(size, seed);
            EXPECT_EQ(Raster(Outline(dots, size), size), dots) << size << " " << seed;
        }
    }
    // A square whose edges run through the centres of dots 1 and 3 (in 1/64 dots: 96..224): centres on the
    // outline count, on every side.
    std::vector<TteRasterPoint> square = {{96, 96}, {224, 96}, {224, 224}, {96, 224}};
    EXPECT_EQ(RasterizePoints(square, {3}, 8), DrawnDots(8, {"", ".###", ".###", ".###"}));
    // Non-zero winding: two overlapping squares the same way round are their union; one inside the other the
    // other way round is a hole.
    std::vector<TteRasterPoint> two = {{0, 0},     {256, 0},   {256, 256}, {0, 256},
                                       {128, 128}, {384, 128}, {384, 384}, {128, 384}};
    EXPECT_EQ(RasterizePoints(two, {3, 7}, 8),
              DrawnDots(8, {"####", "####", "######", "######", "..####", "..####"}));
    std::vector<TteRasterPoint> holed = {{0, 0},     {384, 0},   {384, 384}, {0, 384},
                                         {128, 128}, {128, 256}, {256, 256}, {256, 128}};
    EXPECT_EQ(RasterizePoints(holed, {3, 7}, 8),
              DrawnDots(8, {"######", "######", "##..##", "##..##", "######", "######"}));
    // A curve: a circle of off-curve points only holds the centres well inside it and none outside.
    std::vector<TteRasterPoint> circle = {
        {256, 0, false}, {512, 256, false}, {256, 512, false}, {0, 256, false}};
    const FontBytes round = RasterizePoints(circle, {3}, 8);
    EXPECT_EQ(round, DrawnDots(8, {"", "...##", "..####", ".######", ".######", "..####", "...##"}));
}

TEST(TteFont, ReadsCodesGlyphsMetricsAndItsOwnNewFonts) {
    const FontBytes e000 = StrokeDots(24, 3), e123 = NoiseDots(24, 0.3, 9);
    const FontBytes font = BuiltFont(24, {{0xE000, e000}, {0xE001, FontBytes(72, 0xFF)}, {0xE123, e123}});
    TteFont reader;
    ASSERT_EQ(reader.Load(font), kTteOk) << reader.Error();
    EXPECT_EQ(reader.UnitsPerEm(), 768);
    EXPECT_EQ(reader.GlyphCount(), 4);
    EXPECT_EQ(reader.Ascent(), 21 * 32);
    EXPECT_EQ(reader.Codes(), (std::vector<int>{0xE000, 0xE001, 0xE123}));
    EXPECT_EQ(reader.GlyphForCode(0xE002), 0);
    FontBytes dots;
    EXPECT_EQ(RasterizeCode(reader, 0xE123, 24, dots), kTteOk);
    EXPECT_EQ(dots, e123);
    EXPECT_EQ(RasterizeCode(reader, 0xE001, 24, dots), kTteOk);
    EXPECT_EQ(dots, FontBytes(72, 0xFF));
    EXPECT_EQ(RasterizeCode(reader, 0xE002, 24, dots), kTteNoGlyph);
    // Every glyph's left side bearing is its xMin, its advance the em.
    for (int glyph = 1; glyph < 4; ++glyph) {
        EXPECT_EQ(reader.LeftSideBearing(glyph), reader.GlyphXMin(glyph));
        EXPECT_EQ(reader.AdvanceWidth(glyph), 768);
    }
    // A new font from a bitmap file holds every stored character.
    const auto folder = MakeTestFolder("tte");
    ASSERT_TRUE(CreateEudcBitmapFile(folder / "EUDC.EUF", 24));
    ASSERT_TRUE(PutEudcBitmapRecord(folder / "EUDC.EUF", 0xF8FF, e123));
    std::vector<std::uint8_t> bitmap, fromBitmap;
    ASSERT_TRUE(ReadExclusiveFileBytes(folder / "EUDC.EUF", 1 << 20, bitmap));
    std::string error;
    ASSERT_EQ(BuildTteFontFromEudc(bitmap, 0, fromBitmap, error), kTteOk) << error;
    ASSERT_EQ(reader.Load(fromBitmap), kTteOk);
    EXPECT_EQ(reader.Codes(), std::vector<int>{0xF8FF});
    std::filesystem::remove_all(folder);
}

TEST(TteFont, HostileFilesGetAClearResultAndNeverACrash) {
    const FontBytes good = BuiltFont(16, {{0xE000, StrokeDots(16, 1)}, {0xE001, StrokeDots(16, 2)}});
    const std::uint32_t head = Offset(good, "head"), loca = Offset(good, "loca"), cmap = Offset(good, "cmap"),
                        maxp = Offset(good, "maxp"), hhea = Offset(good, "hhea"), glyf = Offset(good, "glyf");
    ASSERT_EQ(Get16(good, head + 50), 0u);  // short glyph offsets: two bytes an entry
    struct Case {
        const char* name;
        std::function<void(FontBytes&)> spoil;
        int load;   // the reader's result
        int glyph;  // the result of loading glyph 1 when the font loads
    };
    const std::vector<Case> cases = {
        {"shorter than a header", [](FontBytes& f) { f.resize(11); }, kTteNotFont, 0},
        {"a collection", [](FontBytes& f) { Put32At(f, 0, TteTag("ttcf")); }, kTteNotFont, 0},
        {"a directory past the end", [](FontBytes& f) { Put16At(f, 4, 60000); }, kTteNotFont, 0},
        {"a table past the end", [](FontBytes& f) { Put32At(f, 12 + 8, 0x7FFFFFF0); }, kTteNotFont, 0},
        {"a table listed twice", [](FontBytes& f) { Put32At(f, RecordOf(f, "glyf"), TteTag("cmap")); },
         kTteNotFont, 0},
        {"no cmap", [](FontBytes& f) { Put32At(f, RecordOf(f, "cmap"), TteTag("zzzz")); }, kTteBadTable, 0},
        {"no head magic", [=](FontBytes& f) { Put32At(f, head + 12, 0); }, kTteBadTable, 0},
        {"zero units per em", [=](FontBytes& f) { Put16At(f, head + 18, 0); }, kTteBadTable, 0},
        {"loca out of order", [=](FontBytes& f) { Put16At(f, loca + 2, 0xFFFF); }, kTteBadTable, 0},
        {"loca past glyf", [=](FontBytes& f) { Put16At(f, loca + 6, 0xFFFF); }, kTteBadTable, 0},
        {"more glyphs than loca", [=](FontBytes& f) { Put16At(f, maxp + 4, 5000); }, kTteBadTable, 0},
        {"no metrics", [=](FontBytes& f) { Put16At(f, hhea + 34, 0); }, kTteBadTable, 0},
        {"a map past the glyph count",
         [=](FontBytes& f) {
             const std::size_t sub = cmap + 12, segments = Get16(f, sub + 6) / 2;
             Put16At(f, sub + 14 + 2 * segments + 2 + 2 * segments, 100);  // first segment's delta
         },
         kTteBadCmap, 0},
        {"a map cut short", [=](FontBytes& f) { Put16At(f, cmap + 12 + 6, 2000); }, kTteBadCmap, 0},
        {"a glyph claiming 65,535 points",
         [=](FontBytes& f) {
             // One contour ending at point 65,534, with the flags of a few points only.
             TteFont reader;
             reader.Load(f);
             const std::size_t g = glyf + reader.GlyphOffset(1);
             Put16At(f, g, 1);
             Put16At(f, g + 10, 65534);
         },
         kTteOk, kTteBadGlyph},
        {"a composite naming itself",
         [=](FontBytes& f) {
             TteFont reader;
             reader.Load(f);
             const std::size_t g = glyf + reader.GlyphOffset(1);
             Put16At(f, g, 0xFFFF);       // -1 contours: a composite
             Put16At(f, g + 10, 0x0002);  // offsets as x, y; no more components
             Put16At(f, g + 12, 1);       // itself
             f[g + 14] = 0;
             f[g + 15] = 0;
         },
         kTteOk, kTteBadGlyph},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FontBytes font = good;
        c.spoil(font);
        TteFont reader;
        const int result = reader.Load(font);
        EXPECT_EQ(result, c.load);
        if (result != kTteOk) {
            EXPECT_FALSE(reader.Error().empty());
            continue;
        }
        TteOutline outline;
        EXPECT_EQ(reader.LoadOutline(1, outline), c.glyph) << reader.Error();
        EXPECT_FALSE(reader.Error().empty());
        EXPECT_TRUE(outline.points.empty());
        FontBytes dots;
        EXPECT_NE(RasterizeGlyph(reader, 1, 16, dots), kTteOk);
        EXPECT_EQ(reader.LoadOutline(2, outline), kTteOk);  // the rest of the font still reads
    }
}

// A font of our own with the tables other tools add: unknown ones, a signature, bitmap strikes and caches.
FontBytes FontWithExtras(const FontBytes& base) {
    TteFont reader;
    EXPECT_EQ(reader.Load(base), kTteOk);
    std::vector<std::pair<std::uint32_t, FontBytes>> tables;
    for (const TteTable& table : reader.Tables()) {
        const auto data = reader.TableBytes(table.tag);
        tables.emplace_back(table.tag, FontBytes(data.begin(), data.end()));
    }
    for (const char* tag : {"KFzz", "DSIG", "EBLC", "EBDT", "hdmx", "gasp"})
        tables.emplace_back(Tag4(tag), FontBytes{1, 2, 3, static_cast<std::uint8_t>(tag[0])});
    return AssembleTteFont(0x00010000, tables);
}

TEST(TteWriter, ReplacingAGlyphKeepsEveryOtherTableByteForByteAndDropsStaleOnes) {
    const FontBytes before =
        FontWithExtras(BuiltFont(16, {{0xE000, StrokeDots(16, 1)}, {0xE001, StrokeDots(16, 2)}}));
    TteFont font;
    ASSERT_EQ(font.Load(before), kTteOk) << font.Error();
    const FontBytes dots = StrokeDots(16, 7);  // inside the old glyphs' extents: hhea stays as it is
    TteOutline outline;
    std::string error;
    ASSERT_EQ(CharacterOutline(font, 16, dots, outline, error), kTteOk);
    FontBytes after;
    TteUpdateReport report;
    ASSERT_EQ(UpdateTteGlyph(font, 0xE000, outline, 3'100'000'000LL, after, error, &report), kTteOk) << error;
    EXPECT_FALSE(report.added);
    EXPECT_EQ(report.dropped, (std::vector<std::string>{"DSIG", "EBDT", "EBLC"}));
    TteFont updated;
    ASSERT_EQ(updated.Load(after), kTteOk) << updated.Error();
    EXPECT_EQ(updated.GlyphCount(), 3);
    FontBytes shown;
    ASSERT_EQ(RasterizeCode(updated, 0xE000, 16, shown), kTteOk);
    EXPECT_EQ(shown, dots);
    ASSERT_EQ(RasterizeCode(updated, 0xE001, 16, shown), kTteOk);
    EXPECT_EQ(shown, StrokeDots(16, 2));
    for (const char* tag : {"KFzz", "hdmx", "gasp", "cmap", "name", "post", "OS/2", "hhea"}) {
        const auto a = font.TableBytes(Tag4(tag));
        const auto b = updated.TableBytes(Tag4(tag));
        EXPECT_TRUE(!a.empty() && std::equal(a.begin(), a.end(), b.begin(), b.end())) << tag;
    }
    // head: the new date, and a checksum adjustment that makes the file sum to TrueType's number.
    const auto head = updated.TableBytes(TteTag("head"));
    EXPECT_EQ((std::uint64_t(Get16(FontBytes(head.begin(), head.end()), 30)) << 32 |
               std::uint64_t(Get16(FontBytes(head.begin(), head.end()), 32)) << 16 |
               Get16(FontBytes(head.begin(), head.end()), 34)),
              3'100'000'000ULL);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 3 < after.size(); i += 4)
        sum += std::uint32_t(after[i]) << 24 | std::uint32_t(after[i + 1]) << 16 |
               std::uint32_t(after[i + 2]) << 8 | after[i + 3];
    EXPECT_EQ(sum, 0xB1B0AFBAu);
    // The file steps: written beside, put in place; a font that does not read is left alone.
    const auto folder = MakeTestFolder("tte");
    std::string writeError;
    ASSERT_TRUE(WriteWholeFile(folder / "EUDC.TTE", before, writeError));
    EXPECT_TRUE(UpdateTteFileGlyph(folder / "EUDC.TTE", 0xE001, 16, dots, error)) << error;
    ASSERT_EQ(updated.Read(folder / "EUDC.TTE"), kTteOk);
    ASSERT_EQ(RasterizeCode(updated, 0xE001, 16, shown), kTteOk);
    EXPECT_EQ(shown, dots);
    const FontBytes broken(100, 0);
    ASSERT_TRUE(WriteWholeFile(folder / "BAD.TTE", broken, writeError));
    EXPECT_FALSE(UpdateTteFileGlyph(folder / "BAD.TTE", 0xE001, 16, dots, error));
    EXPECT_NE(error.find("Err=11"), std::string::npos) << error;
    std::vector<std::uint8_t> left;
    ASSERT_TRUE(ReadTteFileBytes(folder / "BAD.TTE", left));
    EXPECT_EQ(left, broken);
    EXPECT_FALSE(std::filesystem::exists(BesideFile(folder / "BAD.TTE")));
    std::filesystem::remove_all(folder);
}

// A font as another tool might make it: Unicode maps of format 4 and 12, a Shift-JIS map, a Macintosh map
// of format 0, glyph names, vertical metrics, one shared horizontal metric, two codes on one glyph.
FontBytes ForeignFont() {
    const FontBytes base = BuiltFont(16, {{0xE000, StrokeDots(16, 4)}, {0xE001, StrokeDots(16, 5)}});
    TteFont reader;
    EXPECT_EQ(reader.Load(base), kTteOk);
    std::vector<std::pair<std::uint32_t, FontBytes>> tables;
    for (const TteTable& table : reader.Tables()) {
        if (table.tag == TteTag("cmap") || table.tag == TteTag("post") || table.tag == TteTag("hmtx"))
            continue;
        const auto data = reader.TableBytes(table.tag);
        FontBytes bytes(data.begin(), data.end());
        if (table.tag == TteTag("hhea")) Put16At(bytes, 34, 1);
        tables.emplace_back(table.tag, bytes);
    }
    // One advance (512) for all, then each glyph's left side bearing: its xMin.
    FontBytes hmtx = {0x02, 0x00, 0, 0, 0, 0, 0, 0};
    Put16At(hmtx, 4, static_cast<unsigned>(reader.GlyphXMin(1)));
    Put16At(hmtx, 6, static_cast<unsigned>(reader.GlyphXMin(2)));
    tables.emplace_back(TteTag("hmtx"), hmtx);
    // cmap: (1,0) format 0, (3,1) format 4, (3,2) format 4 (Shift-JIS), (3,10) format 12.
    FontBytes cmap;
    auto put16 = [](FontBytes& b, unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v >> 8));
        b.push_back(static_cast<std::uint8_t>(v));
    };
    auto put32 = [&](FontBytes& b, std::uint32_t v) {
        put16(b, v >> 16);
        put16(b, v & 0xFFFF);
    };
    FontBytes mac = {0, 0, 0x01, 0x06, 0, 0};
    mac.resize(262, 0);
    mac[6 + 'A'] = 1;
    auto format4 = [&](std::vector<std::pair<unsigned, unsigned>> pairs) {  // one segment a code
        FontBytes t;
        const unsigned segs = static_cast<unsigned>(pairs.size()) + 1;
        put16(t, 4);
        put16(t, 16 + 8 * segs);
        put16(t, 0);
        put16(t, 2 * segs);
        put16(t, 2);
        put16(t, 0);
        put16(t, 2 * segs - 2);
        for (auto [c, g] : pairs) put16(t, c);
        put16(t, 0xFFFF);
        put16(t, 0);
        for (auto [c, g] : pairs) put16(t, c);
        put16(t, 0xFFFF);
        for (auto [c, g] : pairs) put16(t, (g - c) & 0xFFFF);
        put16(t, 1);
        for (std::size_t i = 0; i < segs; ++i) put16(t, 0);
        return t;
    };
    FontBytes unicode = format4({{0xE000, 1}, {0xE001, 2}, {0xE002, 2}});
    FontBytes sjis = format4({{0xF040, 1}, {0xF041, 2}});
    FontBytes full;
    put16(full, 12);
    put16(full, 0);
    put32(full, 16 + 24);
    put32(full, 0);
    put32(full, 2);
    put32(full, 0xE000);
    put32(full, 0xE001);
    put32(full, 1);
    put32(full, 0xE002);
    put32(full, 0xE002);
    put32(full, 2);
    put16(cmap, 0);
    put16(cmap, 4);
    std::uint32_t at = 4 + 32;
    for (auto [platform, encoding, table] : {std::tuple{1, 0, &mac}, std::tuple{3, 1, &unicode},
                                             std::tuple{3, 2, &sjis}, std::tuple{3, 10, &full}}) {
        put16(cmap, static_cast<unsigned>(platform));
        put16(cmap, static_cast<unsigned>(encoding));
        put32(cmap, at);
        at += static_cast<std::uint32_t>(table->size());
    }
    for (const FontBytes* table : {&mac, &unicode, &sjis, &full})
        cmap.insert(cmap.end(), table->begin(), table->end());
    tables.emplace_back(TteTag("cmap"), cmap);
    FontBytes post(32, 0);
    Put32At(post, 0, 0x00020000);
    put16(post, 3);
    put16(post, 0);
    put16(post, 258);
    put16(post, 259);
    for (const char* name : {"uniE000", "shared"}) {
        post.push_back(static_cast<std::uint8_t>(std::string(name).size()));
        post.insert(post.end(), name, name + std::string(name).size());
    }
    tables.emplace_back(TteTag("post"), post);
    FontBytes vhea(36, 0);
    Put32At(vhea, 0, 0x00011000);
    Put16At(vhea, 34, 1);
    tables.emplace_back(TteTag("vhea"), vhea);
    tables.emplace_back(TteTag("vmtx"), FontBytes{0x02, 0x00, 0, 10, 0, 20, 0, 30});
    return AssembleTteFont(0x00010000, tables);
}

TEST(TteWriter, ANewCodeOrASharedGlyphGetsAGlyphOfItsOwnInEveryMapThatCoversIt) {
    TteFont font;
    ASSERT_EQ(font.Load(ForeignFont()), kTteOk) << font.Error();
    ASSERT_EQ(font.GlyphForCode(0xE002), 2);  // shares glyph 2 with E001
    const FontBytes dots = StrokeDots(16, 11);
    std::string error;
    for (int code : {0xE002, 0xE010}) {
        SCOPED_TRACE(FormatCodeText(code).c_str());
        TteOutline outline;
        ASSERT_EQ(CharacterOutline(font, 16, dots, outline, error), kTteOk);
        FontBytes after;
        TteUpdateReport report;
        ASSERT_EQ(UpdateTteGlyph(font, code, outline, 0, after, error, &report), kTteOk) << error;
        EXPECT_TRUE(report.added);
        TteFont updated;
        ASSERT_EQ(updated.Load(after), kTteOk) << updated.Error();
        EXPECT_EQ(updated.GlyphCount(), 4);
        FontBytes shown;
        ASSERT_EQ(RasterizeCode(updated, code, 16, shown), kTteOk);
        EXPECT_EQ(shown, dots);
        ASSERT_EQ(RasterizeCode(updated, 0xE001, 16, shown), kTteOk);
        EXPECT_EQ(shown, StrokeDots(16, 5));  // the glyph it shared is unchanged
        // Every Unicode map names the new glyph, the Shift-JIS map too where the code has one; the Macintosh
        // map of another format is kept as it was.
        const int sjis = UnicodeEudcToSjis(code);
        for (const TteCmapSubtable& sub : updated.CmapSubtables()) {
            if (sub.IsUnicode()) EXPECT_EQ(updated.GlyphInSubtable(sub, code), 3) << sub.encoding;
            if (sub.IsShiftJis()) EXPECT_EQ(updated.GlyphInSubtable(sub, sjis), 3);
            if (sub.platform == 1) {
                EXPECT_FALSE(sub.parsed);
                EXPECT_EQ(updated.Bytes()[sub.offset + 6 + 'A'], 1);
            }
        }
        // The metrics: one shared advance still serves (same width), the new bearing appended.
        EXPECT_EQ(updated.HMetricCount(), 1);
        EXPECT_EQ(updated.AdvanceWidth(3), 512);
        EXPECT_EQ(updated.LeftSideBearing(3), updated.GlyphXMin(3));
        // Glyph names and vertical metrics get an entry; OS/2 names the last code.
        const auto post = updated.TableBytes(TteTag("post"));
        EXPECT_EQ(Get16(FontBytes(post.begin(), post.end()), 32), 4u);
        EXPECT_NE(
            std::string(post.begin(), post.end()).find("uni" + std::string(code == 0xE002 ? "E002" : "E010")),
            std::string::npos);
        EXPECT_EQ(updated.TableBytes(TteTag("vmtx")).size(), 10u);
        const auto os2 = updated.TableBytes(TteTag("OS/2"));
        EXPECT_EQ(Get16(FontBytes(os2.begin(), os2.end()), 66),
                  static_cast<unsigned>(std::max(code, 0xE002)));
    }
}

TEST(TteWriter, ShortGlyphOffsetsBecomeLongWhenTheGlyphsOutgrowThem) {
    const FontBytes before = BuiltFont(8, {{0xE000, StrokeDots(8, 1)}});
    TteFont font;
    ASSERT_EQ(font.Load(before), kTteOk);
    ASSERT_FALSE(font.LongLoca());
    // 60,000 points, each two bytes away from the last: some 180 KB of glyph.
    TteOutline big;
    for (int i = 0; i < 60000; ++i) big.points.push_back({(i / 2 % 2) * 300, (i + 1) / 2 % 2 * 300, true});
    big.contourEnds.push_back(59999);
    FontBytes after;
    std::string error;
    TteUpdateReport report;
    ASSERT_EQ(UpdateTteGlyph(font, 0xE000, big, 0, after, error, &report), kTteOk) << error;
    EXPECT_TRUE(report.switchedToLongLoca);
    TteFont updated;
    ASSERT_EQ(updated.Load(after), kTteOk) << updated.Error();
    EXPECT_TRUE(updated.LongLoca());
    TteOutline back;
    ASSERT_EQ(updated.LoadCodeOutline(0xE000, back), kTteOk);
    EXPECT_EQ(back, big);
    const auto maxp = updated.TableBytes(TteTag("maxp"));
    EXPECT_EQ(Get16(FontBytes(maxp.begin(), maxp.end()), 6), 60000u);
}

}  // namespace

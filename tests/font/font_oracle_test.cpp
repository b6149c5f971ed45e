// The font code against oracles outside the project: FreeType's monochrome renderer for what a font shows,
// ots-sanitize and fontTools for whether a font we write is a sound font. Run by scripts/test with its own
// closing line ("font: N passed, M failed").
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "glyphstore/file_steps.h"
#include "glyphstore/tte_font.h"
#include "glyphstore/tte_outline.h"
#include "glyphstore/tte_raster.h"
#include "glyphstore/tte_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128};
const char kIpaGothic[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

class FreeType {
  public:
    FreeType() { FT_Init_FreeType(&m_library); }
    ~FreeType() {
        if (m_face) FT_Done_Face(m_face);
        FT_Done_FreeType(m_library);
    }
    // The face stays valid as long as the bytes given last.
    bool Open(const Bytes& font) {
        if (m_face) FT_Done_Face(m_face);
        m_face = nullptr;
        m_bytes = font;
        return FT_New_Memory_Face(m_library, m_bytes.data(), static_cast<FT_Long>(m_bytes.size()), 0,
                                  &m_face) == 0;
    }
    // The glyph in the monochrome renderer, unhinted, the em's left edge at the left and the baseline
    // `baselineRow` rows down: TrueType's centre rule when drop-out control is off.
    Bytes Dots(int glyph, int ppem, int baselineRow, bool dropouts = false) {
        const std::size_t pitch = (static_cast<std::size_t>(ppem) + 7) / 8;
        Bytes bits(pitch * static_cast<std::size_t>(ppem), 0);
        if (FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(ppem)) != 0 ||
            FT_Load_Glyph(m_face, static_cast<FT_UInt>(glyph), FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            return {};
        FT_Outline& outline = m_face->glyph->outline;
        FT_Outline_Translate(&outline, 0, static_cast<FT_Pos>(ppem - baselineRow) * 64);
        if (!dropouts) outline.flags |= FT_OUTLINE_IGNORE_DROPOUTS;
        FT_Bitmap bitmap{};
        bitmap.rows = static_cast<unsigned>(ppem);
        bitmap.width = static_cast<unsigned>(ppem);
        bitmap.pitch = static_cast<int>(pitch);
        bitmap.buffer = bits.data();
        bitmap.num_grays = 2;
        bitmap.pixel_mode = FT_PIXEL_MODE_MONO;
        if (FT_Outline_Get_Bitmap(m_library, &outline, &bitmap) != 0) return {};
        // FreeType marks ink with 1; our planes with 0.
        for (auto& byte : bits) byte = static_cast<std::uint8_t>(~byte);
        if (ppem % 8)
            for (int y = 0; y < ppem; ++y)
                bits[pitch * static_cast<std::size_t>(y) + pitch - 1] |= 0xFF >> (ppem % 8);
        return bits;
    }

  private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
    Bytes m_bytes;
};

Bytes ReadFile(const fs::path& path) {
    Bytes bytes;
    EXPECT_TRUE(ReadTteFileBytes(path, bytes)) << path;
    return bytes;
}

int DifferingDots(const Bytes& a, const Bytes& b, int size) {
    if (a.size() != b.size()) return size * size;
    const std::size_t pitch = (static_cast<std::size_t>(size) + 7) / 8;
    int count = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const std::size_t i = pitch * static_cast<std::size_t>(y) + static_cast<std::size_t>(x / 8);
            const int mask = 0x80 >> (x % 8);
            count += (a[i] & mask) != (b[i] & mask);
        }
    return count;
}

void SetInk(Bytes& dots, int size, int x, int y) {
    if (x < 0 || y < 0 || x >= size || y >= size) return;
    dots[static_cast<std::size_t>(y) * (static_cast<std::size_t>(size) / 8) +
         static_cast<std::size_t>(x / 8)] &= static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
}

// Pictures that stress the outline builder: noise of several densities, checkerboards, rings, diagonals,
// corner touches, a full cell, and real characters drawn by the IPA font.
std::vector<Bytes> Drawings(int size, int count, std::mt19937& random, const TteFont* ipa) {
    std::vector<Bytes> drawings;
    const std::size_t bytes = static_cast<std::size_t>(size) * size / 8;
    for (int i = 0; drawings.size() < static_cast<std::size_t>(count); ++i) {
        Bytes dots(bytes, 0xFF);
        switch (i % 8) {
            case 0: {
                std::bernoulli_distribution ink(0.1 + 0.1 * (i % 7));
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        if (ink(random)) SetInk(dots, size, x, y);
                break;
            }
            case 1:
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        if ((x + y + i) % 2 == 0) SetInk(dots, size, x, y);
                break;
            case 2: {
                const double cx = size / 2.0 + i % 5, cy = size / 2.0 - i % 3, r = size / 3.0;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x) {
                        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                        if (d < r && d > r - 1 - i % 4) SetInk(dots, size, x, y);
                    }
                break;
            }
            case 3:
                for (int k = 0; k < size; ++k) {
                    SetInk(dots, size, k, k);
                    SetInk(dots, size, size - 1 - k, k);
                    SetInk(dots, size, k, (k * 2 + i) % size);
                }
                break;
            case 4:
                // Regions meeting at corners only, and a ring whose ends touch at a corner.
                for (int y = 1; y + 1 < size; y += 2)
                    for (int x = 1 + (y / 2) % 2; x + 1 < size; x += 2) SetInk(dots, size, x, y);
                for (int k = 2; k < size - 2; ++k) {
                    SetInk(dots, size, k, 2);
                    SetInk(dots, size, 2, k);
                    SetInk(dots, size, k, size - 3);
                }
                SetInk(dots, size, size - 4, 3);
                break;
            case 5:
                std::fill(dots.begin(), dots.end(), i % 16 == 5 ? 0x00 : 0xFF);
                SetInk(dots, size, 0, 0);
                SetInk(dots, size, size - 1, size - 1);
                break;
            default: {
                if (!ipa) continue;
                std::uniform_int_distribution<int> pick(1, ipa->GlyphCount() - 1);
                RasterizeGlyph(*ipa, pick(random), size, dots);
                break;
            }
        }
        drawings.push_back(std::move(dots));
    }
    return drawings;
}

// How far (in dots) the centre of dot (x, y) lies from the glyph's outline as our rasteriser places it: the
// distance that decides whether two rasterisers may honestly disagree about the dot.
double DistanceToOutline(const TteFont& font, int glyph, int size, int x, int y) {
    TteOutline outline;
    font.LoadOutline(glyph, outline);
    const long scale = TteScale(font.UnitsPerEm(), size);
    const int baseline = StandardPlacement(font, size).baselineRow;
    std::vector<std::pair<double, double>> p;
    for (const auto& point : outline.points)
        p.emplace_back(TteScaleCoordinate(point.x, scale) / 64.0,
                       baseline - TteScaleCoordinate(point.y, scale) / 64.0);
    const double cx = x + 0.5, cy = y + 0.5;
    double best = 1e9;
    auto segment = [&](double x0, double y0, double x1, double y1) {
        const double dx = x1 - x0, dy = y1 - y0, length = dx * dx + dy * dy;
        const double t = length > 0 ? std::clamp(((cx - x0) * dx + (cy - y0) * dy) / length, 0.0, 1.0) : 0;
        best = std::min(best, std::hypot(x0 + t * dx - cx, y0 + t * dy - cy));
    };
    std::size_t start = 0;
    for (std::uint32_t last : outline.contourEnds) {
        const std::size_t n = last + 1 - start;
        for (std::size_t i = 0; i < n; ++i) {
            // Each point with its neighbours: a curve through the midpoints of off-curve pairs.
            const auto& a = outline.points[start + i];
            const auto& b = outline.points[start + (i + 1) % n];
            auto pa = p[start + i], pb = p[start + (i + 1) % n];
            if (a.onCurve && b.onCurve) {
                segment(pa.first, pa.second, pb.first, pb.second);
            } else if (!b.onCurve) {
                const auto& c = outline.points[start + (i + 2) % n];
                auto pc = p[start + (i + 2) % n];
                std::pair<double, double> from =
                    a.onCurve ? pa : std::pair{(pa.first + pb.first) / 2, (pa.second + pb.second) / 2};
                std::pair<double, double> to =
                    c.onCurve ? pc : std::pair{(pb.first + pc.first) / 2, (pb.second + pc.second) / 2};
                double px = from.first, py = from.second;
                for (int k = 1; k <= 64; ++k) {
                    const double t = k / 64.0, u = 1 - t;
                    const double qx = u * u * from.first + 2 * u * t * pb.first + t * t * to.first;
                    const double qy = u * u * from.second + 2 * u * t * pb.second + t * t * to.second;
                    segment(px, py, qx, qy);
                    px = qx;
                    py = qy;
                }
            }
        }
        start = last + 1;
    }
    return best;
}

fs::path Scratch() {
    fs::path dir =
        fs::temp_directory_path() /
        ("kf-font-oracle-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    return dir;
}

// ots-sanitize and a full fontTools decompile with its table checksums checked, on a written font.
void ExpectValidatorsAccept(const Bytes& font, const std::string& name) {
    static const fs::path dir = Scratch();
    const fs::path file = dir / (name + ".ttf");
    std::string error;
    ASSERT_TRUE(WriteWholeFile(file, font, error)) << error;
    const std::string ots = "ots-sanitize '" + file.string() + "' >'" + file.string() + ".ots' 2>&1";
    EXPECT_EQ(std::system(ots.c_str()), 0) << name << ": ots-sanitize refused it, see " << file << ".ots";
    const std::string tools =
        "/usr/bin/python3 -c \"import sys; from fontTools.ttLib import TTFont; "
        "f = TTFont(sys.argv[1], checkChecksums=2); f.ensureDecompiled(); "
        "[f[t] for t in f.keys() if t != 'GlyphOrder']; f['glyf'].compile(f)\" '" +
        file.string() + "' >'" + file.string() + ".fonttools' 2>&1";
    EXPECT_EQ(std::system(tools.c_str()), 0)
        << name << ": fontTools refused it, see " << file << ".fonttools";
    // The whole file sums to TrueType's magic number once head's adjustment is in.
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < font.size(); i += 4)
        sum += std::uint32_t(font[i]) << 24 | std::uint32_t(i + 1 < font.size() ? font[i + 1] : 0) << 16 |
               std::uint32_t(i + 2 < font.size() ? font[i + 2] : 0) << 8 |
               (i + 3 < font.size() ? font[i + 3] : 0);
    EXPECT_EQ(sum, 0xB1B0AFBAu) << name;
}

std::vector<TteCharacter> Characters(const std::vector<Bytes>& drawings) {
    std::vector<TteCharacter> characters;
    for (std::size_t i = 0; i < drawings.size(); ++i)
        characters.push_back({0xE000 + static_cast<int>(i), drawings[i]});
    return characters;
}

TEST(FontOracle, OwnFontsShowTheirDotsInFreeTypeAndOurRasteriser) {
    TteFont ipa;
    ASSERT_EQ(ipa.Read(kIpaGothic), kTteOk) << ipa.Error();
    std::mt19937 random(27);
    int glyphs = 0, freeTypeMisses = 0, ourMisses = 0, beyondFreeType = 0;
    for (int size : kSizes) {
        const auto drawings = Drawings(size, size > 64 ? 60 : 160, random, &ipa);
        Bytes bytes;
        std::string error;
        ASSERT_EQ(BuildTteFont(size, Characters(drawings), TteTimeNow(), bytes, error), kTteOk) << error;
        TteFont font;
        ASSERT_EQ(font.Load(bytes), kTteOk) << font.Error();
        FreeType freetype;
        ASSERT_TRUE(freetype.Open(bytes));
        const int baseline = StandardPlacement(font, size).baselineRow;
        for (std::size_t i = 0; i < drawings.size(); ++i) {
            const int code = 0xE000 + static_cast<int>(i);
            Bytes ours;
            ASSERT_EQ(RasterizeCode(font, code, size, ours), kTteOk) << font.Error();
            ourMisses += DifferingDots(ours, drawings[i], size);
            ++glyphs;
            // FreeType loads no glyph of 4,095 contours or more (TrueType allows 32,767).
            TteOutline outline;
            ASSERT_EQ(font.LoadCodeOutline(code, outline), kTteOk);
            const Bytes theirs = freetype.Dots(font.GlyphForCode(code), size, baseline);
            if (outline.contourEnds.size() >= 4095) {
                EXPECT_TRUE(theirs.empty()) << "size " << size << " character " << i;
                ++beyondFreeType;
                continue;
            }
            const int missed = DifferingDots(theirs, drawings[i], size);
            freeTypeMisses += missed;
            EXPECT_EQ(missed, 0) << "size " << size << " character " << i;
        }
        ExpectValidatorsAccept(bytes, "own-" + std::to_string(size));
    }
    std::printf(
        "own outlines: %d glyphs at 6 sizes, %d dots differ in FreeType (%d glyphs past its 4,094 "
        "contours not rendered), %d in ours\n",
        glyphs, freeTypeMisses, beyondFreeType, ourMisses);
    EXPECT_EQ(ourMisses, 0);
}

// A real Japanese font with curves: our rasteriser against FreeType's, glyph by glyph, at every size.
TEST(FontOracle, IpaGlyphsAgreeWithFreeType) {
    const Bytes bytes = ReadFile(kIpaGothic);
    TteFont font;
    ASSERT_EQ(font.Load(bytes), kTteOk) << font.Error();
    FreeType freetype;
    ASSERT_TRUE(freetype.Open(bytes));
    std::vector<int> glyphs;
    for (int g = 1; g < font.GlyphCount() && glyphs.size() < 5200; g += 2)
        if (!font.GlyphBytes(g).empty()) glyphs.push_back(g);
    ASSERT_GE(glyphs.size(), 5000u);
    long long dots = 0, differing = 0, differingWithDropouts = 0;
    int renders = 0, mismatched = 0;
    double farthest = 0;
    for (int size : kSizes) {
        const int baseline = StandardPlacement(font, size).baselineRow;
        for (int glyph : glyphs) {
            Bytes ours;
            ASSERT_EQ(RasterizeGlyph(font, glyph, size, ours), kTteOk) << font.Error();
            const Bytes theirs = freetype.Dots(glyph, size, baseline);
            const int missed = DifferingDots(ours, theirs, size);
            if (missed > 0) {
                const std::size_t pitch = (static_cast<std::size_t>(size) + 7) / 8;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x) {
                        const std::size_t i =
                            pitch * static_cast<std::size_t>(y) + static_cast<std::size_t>(x / 8);
                        if ((ours[i] ^ theirs[i]) & (0x80 >> (x % 8)))
                            farthest = std::max(farthest, DistanceToOutline(font, glyph, size, x, y));
                    }
            }
            differing += missed;
            differingWithDropouts += DifferingDots(ours, freetype.Dots(glyph, size, baseline, true), size);
            mismatched += missed != 0;
            dots += static_cast<long long>(size) * size;
            ++renders;
        }
    }
    std::printf(
        "IPA Gothic: %zu glyphs at 6 sizes (%d renders, %lld dots): %d renders differ in %lld dots "
        "(%.4f%%), each centre at most %.4f dots from the outline; against FreeType with drop-out "
        "control: %lld dots\n",
        glyphs.size(), renders, dots, mismatched, differing,
        100.0 * static_cast<double>(differing) / static_cast<double>(dots), farthest, differingWithDropouts);
    // Both flatten curves into straight pieces, not in exactly the same places: only a centre close to a
    // curve (within the sagitta of a piece, a fifth of a dot at most) may fall either way.
    EXPECT_LT(farthest, 0.25);
    EXPECT_LE(differing * 1000, dots);
}

TEST(FontOracle, FullFontOf6400CharactersRoundTrips) {
    TteFont ipa;
    ASSERT_EQ(ipa.Read(kIpaGothic), kTteOk);
    // Characters as people draw them: the IPA font's, at 64 dots.
    std::vector<Bytes> drawings;
    for (int i = 0; drawings.size() < 6400; ++i) {
        Bytes dots;
        ASSERT_EQ(RasterizeGlyph(ipa, 1 + i % (ipa.GlyphCount() - 1), 64, dots), kTteOk);
        drawings.push_back(std::move(dots));
    }
    Bytes bytes;
    std::string error;
    ASSERT_EQ(BuildTteFont(64, Characters(drawings), TteTimeNow(), bytes, error), kTteOk) << error;
    TteFont font;
    ASSERT_EQ(font.Load(bytes), kTteOk) << font.Error();
    EXPECT_EQ(font.Codes().size(), 6400u);
    EXPECT_TRUE(font.LongLoca());
    FreeType freetype;
    ASSERT_TRUE(freetype.Open(bytes));
    const int baseline = StandardPlacement(font, 64).baselineRow;
    int differing = 0;
    for (std::size_t i = 0; i < drawings.size(); ++i)
        differing += DifferingDots(
            freetype.Dots(font.GlyphForCode(0xE000 + static_cast<int>(i)), 64, baseline), drawings[i], 64);
    std::printf("6,400 characters at N = 64: %zu bytes, %d dots differ in FreeType\n", bytes.size(),
                differing);
    EXPECT_EQ(differing, 0);
    ExpectValidatorsAccept(bytes, "full-6400");
}

// One-glyph updates of our fonts and of a font we did not write, checked by the validators and FreeType.
TEST(FontOracle, UpdatedFontsStaySound) {
    std::mt19937 random(24);
    const auto drawings = Drawings(48, 40, random, nullptr);
    Bytes base;
    std::string error;
    ASSERT_EQ(
        BuildTteFont(48, Characters({drawings.begin(), drawings.begin() + 20}), TteTimeNow(), base, error),
        kTteOk);
    // An unknown table and a signature, as another tool might leave them.
    TteFont parsed;
    ASSERT_EQ(parsed.Load(base), kTteOk);
    std::vector<std::pair<std::uint32_t, Bytes>> tables;
    for (const TteTable& table : parsed.Tables()) {
        const auto data = parsed.TableBytes(table.tag);
        tables.emplace_back(table.tag, Bytes(data.begin(), data.end()));
    }
    const Bytes unknown{'k', 'e', 'p', 't', 0, 1, 2, 3, 4};
    tables.emplace_back(TteTag("KFzz"), unknown);
    tables.emplace_back(TteTag("DSIG"), Bytes{0, 0, 0, 1, 0, 0, 0, 0});
    const Bytes withExtras = AssembleTteFont(0x00010000, tables);

    struct Case {
        std::string name;
        Bytes font;
        int code;
        int size;
    };
    const Bytes ipaBytes = ReadFile(kIpaGothic);
    const std::vector<Case> cases = {{"own-replace", withExtras, 0xE003, 48},
                                     {"own-add", withExtras, 0xE100, 48},
                                     {"ipa-add", ipaBytes, 0xE000, 64},
                                     {"ipa-replace", ipaBytes, 0x3042, 64}};
    int n = 0;
    for (const Case& c : cases) {
        TteFont font;
        ASSERT_EQ(font.Load(c.font), kTteOk) << font.Error();
        const Bytes& dots = drawings[20 + static_cast<std::size_t>(n++)];
        Bytes picture = dots;
        if (c.size != 48) {
            picture.assign(static_cast<std::size_t>(c.size) * c.size / 8, 0xFF);
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 48; ++x)
                    if (!(dots[static_cast<std::size_t>(y) * 6 + x / 8] & (0x80 >> (x % 8))))
                        SetInk(picture, c.size, x + 5, y + 3);
        }
        TteOutline outline;
        ASSERT_EQ(CharacterOutline(font, c.size, picture, outline, error), kTteOk) << error;
        Bytes updated;
        TteUpdateReport report;
        ASSERT_EQ(UpdateTteGlyph(font, c.code, outline, TteTimeNow(), updated, error, &report), kTteOk)
            << error;
        ASSERT_TRUE(VerifyTteGlyph(updated, c.code, c.size, picture, error)) << c.name << ": " << error;
        TteFont after;
        ASSERT_EQ(after.Load(updated), kTteOk) << after.Error();
        FreeType freetype;
        ASSERT_TRUE(freetype.Open(updated));
        EXPECT_EQ(DifferingDots(freetype.Dots(after.GlyphForCode(c.code), c.size,
                                              StandardPlacement(after, c.size).baselineRow),
                                picture, c.size),
                  0)
            << c.name;
        if (c.name.rfind("own", 0) == 0) {
            const auto kept = after.TableBytes(TteTag("KFzz"));
            EXPECT_TRUE(std::equal(kept.begin(), kept.end(), unknown.begin(), unknown.end())) << c.name;
            EXPECT_EQ(after.FindTable(TteTag("DSIG")), nullptr) << c.name;
        }
        if (c.name.rfind("ipa", 0) == 0) {
            // Every table the update has no business with is byte for byte the same.
            for (std::uint32_t tag : {TteTag("GDEF"), TteTag("GSUB"), TteTag("cvt "), TteTag("fpgm"),
                                      TteTag("gasp"), TteTag("name"), TteTag("prep"), TteTag("vhea")}) {
                const auto a = font.TableBytes(tag);
                const auto b = after.TableBytes(tag);
                EXPECT_TRUE(!a.empty() && std::equal(a.begin(), a.end(), b.begin(), b.end()))
                    << c.name << " " << TteTagText(tag);
            }
        }
        ExpectValidatorsAccept(updated, c.name);
    }
    // An editor's own outlines (rounded corners or splines, its grid scaled and shifted) are written as
    // soundly, into our font and into IPA's.
    for (const auto& [name, base] :
         {std::pair{std::string("own"), withExtras}, std::pair{std::string("ipa"), ipaBytes}}) {
        TteFont font;
        ASSERT_EQ(font.Load(base), kTteOk);
        for (TteCorners corners : {TteCorners::Rounded, TteCorners::Spline}) {
            TteOutline outline;
            const TteGrid grid{font.UnitsPerEm(), 48, StandardPlacement(font, 48).baselineRow, 0.9, 40, -25};
            ASSERT_EQ(DotsToOutline(drawings[30], grid, corners, outline, error), kTteOk) << error;
            Bytes updated;
            ASSERT_EQ(UpdateTteGlyph(font, 0xE0F0, outline, TteTimeNow(), updated, error), kTteOk) << error;
            ExpectValidatorsAccept(updated, name + (corners == TteCorners::Rounded ? "-rounded" : "-spline"));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Its own report beside the unit suite's (the test command hands both the same GTEST_OUTPUT); set
    // before the flags are parsed, which is when the report is set up.
    if (const char* reports = std::getenv("KF_TEST_REPORTS"))
        testing::GTEST_FLAG(output) = std::string("xml:") + reports + "/font.xml";
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

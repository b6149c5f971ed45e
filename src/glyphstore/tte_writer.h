// Writes the EUDC TrueType font: a new font from the bitmap file's characters, and the update of one
// character in an existing font that changes only what that character needs -- its glyph, the glyph index,
// the metrics and maxima, the header's box, dates and checksums, and the character maps that must name it --
// and keeps every other table byte for byte. Used by euftool, the demo, the stand-in system character
// editor, and by saves that write the font themselves. The steps (new bytes, written beside, checked, put
// in place) are separate so that a caller can check or journal between them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "glyphstore/tte_font.h"
#include "glyphstore/tte_outline.h"

// One glyph as glyf stores it: the header with its box, contour ends, no instructions, packed flags and
// coordinates, padded to an even length.
struct TteGlyphData {
    std::vector<std::uint8_t> bytes;  // empty for a glyph without contours
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int points = 0;
    int contours = 0;
};
// kTteOk, or kTteTooComplex (past TrueType's limits on points, contours or coordinates) with `error` set.
int EncodeGlyph(const TteOutline& outline, TteGlyphData& glyph, std::string& error);

// The sfnt file around the tables: the directory sorted by tag, each table 4-byte aligned, the checksums and
// head's checkSumAdjustment (when there is a head table).
std::vector<std::uint8_t> AssembleTteFont(
    std::uint32_t version, std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> tables);

// TrueType's dates: seconds since 1904-01-01 (UTC).
std::int64_t TteTimeNow();

// One character for a new font: its code (E000..F8FF) and its dots (N / 8 bytes a row, bit 0 black).
struct TteCharacter {
    int code = 0;
    std::vector<std::uint8_t> dots;
};

// A new font of size by size dot characters with exact outlines, 32 font units a dot, the baseline one
// eighth of the cell above its bottom; its names, OS/2 ranges (the private use area, the Japanese code
// page) and post table are the project's own. kTteOk, or kTteTooComplex/kTteBadGlyph with `error` set.
int BuildTteFont(int size, const std::vector<TteCharacter>& characters, std::int64_t time,
                 std::vector<std::uint8_t>& font, std::string& error);
// The family name of the fonts BuildTteFont makes.
inline constexpr wchar_t kTteFamilyName[] = L"Kanjiforge EUDC";
// A new font holding every character of an EUDC bitmap file (given as its bytes). Fails with `error` set
// when the bitmap file does not read or holds a record that does not.
int BuildTteFontFromEudc(std::span<const std::uint8_t> bitmapFile, std::int64_t time,
                         std::vector<std::uint8_t>& font, std::string& error);

// What a one-glyph update did besides the glyph, for logs and tests.
struct TteUpdateReport {
    bool added = false;     // a new glyph (the code had none, or shared its glyph)
    bool longLoca = false;  // the font now has long glyph offsets
    bool switchedToLongLoca = false;
    std::vector<std::string> dropped;  // tables left out (DSIG, embedded bitmaps, per-glyph caches)
};
// The font's bytes with the glyph of `code` replaced by (or set to) `outline`. Embedded bitmap strikes are
// dropped (they would go on showing the old character at their sizes); when a glyph is added, hdmx and LTSH
// (per-glyph caches sized by the glyph count) are dropped too, vmtx and post get an entry for it. A glyph
// that other codes or composite glyphs use as well is not changed: the code gets a glyph of its own.
int UpdateTteGlyph(const TteFont& font, int code, const TteOutline& outline, std::int64_t time,
                   std::vector<std::uint8_t>& updated, std::string& error, TteUpdateReport* report = nullptr);

// The outline that stores a character of `size` dots in `font` exactly: the dots' grid on the font's em,
// from its ascent down.
int CharacterOutline(const TteFont& font, int size, std::span<const std::uint8_t> dots, TteOutline& outline,
                     std::string& error);

// The bytes of `font` with the glyph of `code` set to the outline of `dots`, checked to show exactly `dots`
// at `size` pixels per em. `error` says why when it fails.
bool UpdateVerifiedTteGlyph(const TteFont& font, int code, int size, std::span<const std::uint8_t> dots,
                            std::vector<std::uint8_t>& updated, std::string& error);

// The whole update of one character in a font file: read, update, check that the written font reads back
// and shows exactly `dots` at `size` pixels per em, write beside the file, put in place. Nothing changes on
// failure; `error` says why.
bool UpdateTteFileGlyph(const std::filesystem::path& path, int code, int size,
                        std::span<const std::uint8_t> dots, std::string& error);
// Checks the bytes of an updated font: they read as a font whose glyph for `code` shows `dots` at `size`.
bool VerifyTteGlyph(std::span<const std::uint8_t> font, int code, int size,
                    std::span<const std::uint8_t> dots, std::string& error);

// How a character editor may draw its own outline of the dots: rounded curves, and the dot grid placed with
// a scale and an offset of its own (TteGrid).
struct TteOutlineStyle {
    TteCorners corners = TteCorners::Square;
    double scale = 1.0;
    int offsetX = 0;
    int offsetY = 0;
};
// Puts a character into a font file the way a character editor does on save: a missing font, or a
// placeholder shorter than a font's header, is made anew from `bitmapFileBefore` (the bitmap file as it was
// before the save); any other font gets the one glyph updated. Written beside and put in place; false with
// `error` set when the font does not read or cannot be written.
bool WriteCharacterToFontFile(const std::filesystem::path& font,
                              std::span<const std::uint8_t> bitmapFileBefore, int code, int size,
                              std::span<const std::uint8_t> dots, const TteOutlineStyle& style,
                              std::string& error);

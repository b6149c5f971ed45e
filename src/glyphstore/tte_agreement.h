// Whether a glyph of the EUDC font shows the same character as a record of dots. Our own outlines show their
// dots exactly, but the system character editor draws outlines of its own: it may round them off, and it may
// place the dot grid in the em square with margins and a scale of its own. So the glyph is first fitted onto
// the dots' ink box (one scale for both directions, within what a placement can plausibly do) and then
// compared dot by dot: it agrees when the ink overlaps enough and no run of ink of the drawing is missed
// (a run counts as shown when the glyph has ink in it or next to it).
// The save's proof, euftool's pair check and the browser's marks all use this one rule.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "glyphstore/tte_font.h"

// The least intersection-over-union of the fitted glyph's ink with the drawing's for the glyph to agree.
// Measured over 800 characters of the IPA font drawn at 32 and 64 dots (tools/bench/font_bench prints the
// table): outlines with square or rounded corners, shifted and scaled, fit at 1.000; splines through the
// edges' middles, which take dots off thin strokes, at 0.53 and more (a tenth below 0.84); other
// characters at 0.61 and less. A stale glyph from before a small edit overlaps as much as a faithful one:
// the proof catches it as a glyph left unchanged, not by this rule.
inline constexpr double kMinInkOverlap = 0.75;

struct GlyphAgreement {
    bool agrees = false;
    bool exact = false;   // the glyph, as the font places it, shows exactly the drawn dots
    bool fitted = false;  // compared after fitting the glyph onto the drawing's ink box
    double overlap = 0;   // intersection over union of the ink (1 for two empty pictures)
    int drawnRuns = 0;    // rows' runs of ink in the drawing
    int runsMissed = 0;   // of those, the runs the glyph has no ink in or beside
    double scale = 1;     // fitted dots a dot of the font's own placement
    double shiftX = 0;    // fitted offset of the glyph's box from the font's own placement, in dots
    double shiftY = 0;
    std::string why;  // when it does not agree: what the comparison found, for logs
};

// The glyph of the font (0 for none: an empty glyph) against size by size dots (N / 8 bytes a row, bit 0
// black). An empty drawing agrees only with an empty or missing glyph.
GlyphAgreement CompareGlyphWithDots(const TteFont& font, int glyph, std::span<const std::uint8_t> dots,
                                    int size);

// The same for an outline already placed: dots per font unit and the em's top-left in dots.
GlyphAgreement CompareOutlineWithDots(const TteOutline& outline, int unitsPerEm, int baselineRow,
                                      std::span<const std::uint8_t> dots, int size);

// One line of figures for logs and euftool.
std::string AgreementFigures(const GlyphAgreement& agreement);

// What is wrong with one code of a font and bitmap file pair.
enum class PairProblemKind {
    MissingInFont,    // the bitmap file has the character, the font no glyph for it
    MissingInBitmap,  // the font has a glyph, the bitmap file no character
    Disagrees,        // both have it, but they show different characters
    DamagedRecord,    // the bitmap file's record does not read
    BadGlyph,         // the font's glyph does not read
};
struct PairProblem {
    int code = 0;
    PairProblemKind kind = PairProblemKind::Disagrees;
    GlyphAgreement agreement;
    int result = 0;  // the reader's result for DamagedRecord and BadGlyph
};
struct PairCheck {
    int glyphSize = 0;
    int bitmapCodes = 0;                // characters stored in the bitmap file (E000..F8FF)
    int fontCodes = 0;                  // codes E000..F8FF the font has a glyph for
    int agreeing = 0;                   // codes both have and that agree
    std::vector<PairProblem> problems;  // by code
};
// Compares every private-use code of a bitmap file (its bytes) with the font. False, with `error` set, when
// the bitmap file's header or index does not read or its character size is not one a font can be made of.
bool CheckEudcPair(std::span<const std::uint8_t> bitmapFile, const TteFont& font, PairCheck& check,
                   std::string& error);
const char* PairProblemName(PairProblemKind kind);

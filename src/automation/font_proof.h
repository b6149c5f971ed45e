// The save's proof of the font: every other program shows the user's characters from the EUDC font, so a
// save counts only when, after the system character editor let the files go, the font's glyph for the code
// is there, was written by this save (or already showed the drawing), and shows the drawn dots by the glyph
// store's agreement rule. Because no test here can run the real editor, the setting "FontProof" lets a
// user whose editor writes outlines the rule cannot match keep working: "warn" completes the save with a
// message naming the reason, "off" skips the check. The figures always go to the diagnostic log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/profile_store.h"
#include "editor/dot_plane.h"
#include "glyphstore/tte_agreement.h"

enum class FontProofMode { Strict, Warn, Off };
inline constexpr wchar_t kFontProofKey[] = L"FontProof";
// "strict" (the default, also for a value it does not know), "warn" or "off", in any letter case.
FontProofMode ReadFontProofMode(IProfileStore& settings);

// What the font held for the code before the save.
struct FontGlyphSnapshot {
    bool readable = false;
    bool present = false;
    std::vector<std::uint8_t> glyph;  // the glyph's bytes in glyf
};
FontGlyphSnapshot SnapshotFontGlyph(const std::filesystem::path& font, int code);

enum class FontProofOutcome {
    Proved,
    Held,        // the file exists but cannot be opened: another program holds it
    Unreadable,  // missing, not a font, or the glyph's data is broken
    Missing,     // the font has no glyph for the code
    Unchanged,   // the glyph is the one from before the save, and it does not show the drawing exactly
    Disagrees,   // the glyph shows another character
};

struct FontProof {
    FontProofOutcome outcome = FontProofOutcome::Unreadable;
    int result = 0;      // the font reader's result
    std::string detail;  // the reader's error or the comparison's findings
    GlyphAgreement agreement;
    bool changed = false;  // the glyph's bytes differ from those before the save, or it is new
};
FontProof ProveFontGlyph(const std::filesystem::path& font, int code, const DotPlane& drawing,
                         const FontGlyphSnapshot& before);
const wchar_t* FontProofOutcomeName(FontProofOutcome outcome);
// One line for the diagnostic log: the outcome, the reader's result and the comparison's figures.
std::wstring FontProofLogLine(const FontProof& proof, int code);

// String ids of the messages: the save failed on the font (strict) or completed with a warning (warn), each
// formatted with the font's path and the reason; and the reasons.
inline constexpr unsigned kMsgFontNotProved = 2029;
inline constexpr unsigned kMsgFontProofWarning = 2030;
inline constexpr unsigned kMsgFontHeld = 2031;
inline constexpr unsigned kMsgFontUnreadable = 2032;  // %d: the reader's result
inline constexpr unsigned kMsgFontMissing = 2033;     // %s: the code
inline constexpr unsigned kMsgFontUnchanged = 2034;   // %s: the code
inline constexpr unsigned kMsgFontDisagrees = 2035;   // %s: the code, %d: the overlap in percent
unsigned FontReasonId(FontProofOutcome outcome);
// The texts used when the program's resources do not carry them.
const wchar_t* DefaultFontText(unsigned id);
// printf-style %s and %d (and %%) filled from the arguments in order.
std::wstring FormatFontText(const std::wstring& format, const std::vector<std::wstring>& arguments);
// The reason of a proof that failed, from its format (the string of FontReasonId).
std::wstring FontReasonText(const std::wstring& format, const FontProof& proof, int code);

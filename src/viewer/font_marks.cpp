#include "viewer/font_marks.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "glyphstore/eudc_bitmap.h"

void FontMarks::Load(const GlyphSheet& sheet, const std::filesystem::path& font) {
    TteFont reader;
    m_marks.clear();
    m_fontResult = reader.Read(font);
    if (m_fontResult == kTteOk) Compare(sheet, reader);
}

void FontMarks::Compare(const GlyphSheet& sheet, const TteFont& font) {
    m_marks.clear();
    m_fontResult = kTteOk;
    if (!sheet.IsGood()) return;
    for (int code = sheet.FirstCode(); code <= sheet.LastCode(); ++code) {
        if (!sheet.IsStored(code)) continue;
        const auto plane = sheet.Plane(code);
        const int glyph = font.GlyphForCode(code);
        Entry entry;
        if (glyph == 0) {
            // A blank character needs no glyph.
            if (std::all_of(plane.begin(), plane.end(), [](std::uint8_t b) { return b == 0xFF; })) continue;
            entry.mark = FontMark::Missing;
        } else {
            TteOutline outline;
            entry.result = font.LoadOutline(glyph, outline);
            if (entry.result != kTteOk) {
                entry.mark = FontMark::BadGlyph;
            } else {
                const GlyphAgreement agreement = CompareGlyphWithDots(font, glyph, plane, sheet.GlyphSize());
                if (agreement.agrees) continue;
                entry.mark = FontMark::Differs;
                entry.percent = static_cast<int>(std::floor(agreement.overlap * 100));
            }
        }
        m_marks[code] = entry;
    }
}

FontMark FontMarks::Mark(int code) const {
    const auto it = m_marks.find(code);
    return it == m_marks.end() ? FontMark::None : it->second.mark;
}

int FontMarks::OverlapPercent(int code) const {
    const auto it = m_marks.find(code);
    return it == m_marks.end() ? 100 : it->second.percent;
}

int FontMarks::GlyphResult(int code) const {
    const auto it = m_marks.find(code);
    return it == m_marks.end() ? kTteOk : it->second.result;
}

std::map<int, FontMark> FontMarks::Marks() const {
    std::map<int, FontMark> marks;
    for (const auto& [code, entry] : m_marks) marks[code] = entry.mark;
    return marks;
}

std::vector<int> ChangedMarks(const FontMarks& before, const FontMarks& after) {
    std::set<int> codes;
    for (const auto& [code, mark] : before.Marks()) codes.insert(code);
    for (const auto& [code, mark] : after.Marks()) codes.insert(code);
    std::vector<int> changed;
    for (int code : codes)
        if (before.Mark(code) != after.Mark(code) ||
            before.OverlapPercent(code) != after.OverlapPercent(code))
            changed.push_back(code);
    return changed;
}

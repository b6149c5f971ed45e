#include "automation/font_proof.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <system_error>

#include "glyphstore/char_code.h"

namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

FontProofMode ReadFontProofMode(IProfileStore& settings) {
    std::wstring value = settings.GetProfileString(kEditorSection, kFontProofKey, L"strict");
    for (wchar_t& c : value) c = static_cast<wchar_t>(std::towlower(c));
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!value.empty() && blank(value.back())) value.pop_back();
    value.erase(value.begin(), std::find_if_not(value.begin(), value.end(), blank));
    if (value == L"warn") return FontProofMode::Warn;
    if (value == L"off") return FontProofMode::Off;
    return FontProofMode::Strict;
}

FontGlyphSnapshot SnapshotFontGlyph(const std::filesystem::path& font, int code) {
    FontGlyphSnapshot snapshot;
    TteFont reader;
    if (reader.Read(font) != kTteOk) return snapshot;
    snapshot.readable = true;
    const int glyph = reader.GlyphForCode(code);
    snapshot.present = glyph != 0;
    if (snapshot.present) {
        const auto bytes = reader.GlyphBytes(glyph);
        snapshot.glyph.assign(bytes.begin(), bytes.end());
    }
    return snapshot;
}

FontProof ProveFontGlyph(const std::filesystem::path& font, int code, const DotPlane& drawing,
                         const FontGlyphSnapshot& before) {
    FontProof proof;
    TteFont reader;
    proof.result = reader.Read(font);
    if (proof.result != kTteOk) {
        std::error_code error;
        const bool exists = std::filesystem::exists(font, error);
        proof.outcome =
            proof.result == kTteCannotOpen && exists ? FontProofOutcome::Held : FontProofOutcome::Unreadable;
        proof.detail = exists ? reader.Error() : "the file does not exist";
        return proof;
    }
    const int glyph = reader.GlyphForCode(code);
    const auto dots = drawing.Bytes();
    const bool blank = std::all_of(dots.begin(), dots.end(), [](std::uint8_t b) { return b == kWhiteByte; });
    if (glyph == 0 && !blank) {
        proof.outcome = FontProofOutcome::Missing;
        proof.result = kTteNoGlyph;
        proof.detail = "no glyph for the code";
        return proof;
    }
    if (glyph != 0) {
        TteOutline outline;
        proof.result = reader.LoadOutline(glyph, outline);
        if (proof.result != kTteOk) {
            proof.outcome = FontProofOutcome::Unreadable;
            proof.detail = reader.Error();
            return proof;
        }
        const auto bytes = reader.GlyphBytes(glyph);
        proof.changed = !before.present ||
                        !std::equal(bytes.begin(), bytes.end(), before.glyph.begin(), before.glyph.end());
    } else {
        proof.changed = before.present;
    }
    proof.agreement = CompareGlyphWithDots(reader, glyph, dots, drawing.Size());
    proof.detail = AgreementFigures(proof.agreement);
    if (!proof.changed && !proof.agreement.exact) {
        // Left as it was: a stale glyph can come close to a small edit, so only an exact match may stay.
        proof.outcome = FontProofOutcome::Unchanged;
    } else {
        proof.outcome = proof.agreement.agrees ? FontProofOutcome::Proved : FontProofOutcome::Disagrees;
    }
    return proof;
}

const wchar_t* FontProofOutcomeName(FontProofOutcome outcome) {
    switch (outcome) {
        case FontProofOutcome::Proved:
            return L"proved";
        case FontProofOutcome::Held:
            return L"font held";
        case FontProofOutcome::Unreadable:
            return L"font unreadable";
        case FontProofOutcome::Missing:
            return L"glyph missing";
        case FontProofOutcome::Unchanged:
            return L"glyph unchanged";
        case FontProofOutcome::Disagrees:
            break;
    }
    return L"glyph differs";
}

std::wstring FontProofLogLine(const FontProof& proof, int code) {
    return L"Font proof " + FormatCodeText(code) + L": " + FontProofOutcomeName(proof.outcome) + L" result=" +
           std::to_wstring(proof.result) + (proof.changed ? L" written" : L" not written") + L" " +
           Widen(proof.detail);
}

unsigned FontReasonId(FontProofOutcome outcome) {
    switch (outcome) {
        case FontProofOutcome::Held:
            return kMsgFontHeld;
        case FontProofOutcome::Unreadable:
            return kMsgFontUnreadable;
        case FontProofOutcome::Missing:
            return kMsgFontMissing;
        case FontProofOutcome::Unchanged:
            return kMsgFontUnchanged;
        case FontProofOutcome::Proved:
        case FontProofOutcome::Disagrees:
            break;
    }
    return kMsgFontDisagrees;
}

const wchar_t* DefaultFontText(unsigned id) {
    switch (id) {
        case kMsgFontNotProved:
            return L"外字ﾌｫﾝﾄへの保存が確認できないので、保存に失敗しました。\r\n%s\r\n%s\r\n"
                   L"編集内容はそのまま残っています。";
        case kMsgFontProofWarning:
            return L"ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙへの保存は完了しましたが、外字ﾌｫﾝﾄへの保存は確認できませんでした。\r\n%"
                   L"s\r\n%s";
        case kMsgFontHeld:
            return L"外字ﾌｫﾝﾄが他のﾌﾟﾛｸﾞﾗﾑに使用されていて読めません。";
        case kMsgFontUnreadable:
            return L"外字ﾌｫﾝﾄが読めません。Err=[%d]";
        case kMsgFontMissing:
            return L"外字ﾌｫﾝﾄにｺｰﾄﾞ%sの文字がありません。";
        case kMsgFontUnchanged:
            return L"外字ﾌｫﾝﾄのｺｰﾄﾞ%sの文字が保存前のままです。";
        case kMsgFontDisagrees:
            return L"外字ﾌｫﾝﾄのｺｰﾄﾞ%sの文字が編集内容と一致しません（一致率%d%%）。";
        default:
            return L"";
    }
}

std::wstring FormatFontText(const std::wstring& format, const std::vector<std::wstring>& arguments) {
    std::wstring out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            const wchar_t kind = format[i + 1];
            if (kind == L'%') {
                out += L'%';
                ++i;
                continue;
            }
            if (kind == L's' || kind == L'd') {
                if (next < arguments.size()) out += arguments[next++];
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::wstring FontReasonText(const std::wstring& format, const FontProof& proof, int code) {
    switch (proof.outcome) {
        case FontProofOutcome::Unreadable:
            return FormatFontText(format, {std::to_wstring(proof.result)});
        case FontProofOutcome::Disagrees:
            return FormatFontText(
                format, {FormatCodeText(code),
                         std::to_wstring(static_cast<int>(std::floor(proof.agreement.overlap * 100)))});
        default:
            return FormatFontText(format, {FormatCodeText(code)});
    }
}

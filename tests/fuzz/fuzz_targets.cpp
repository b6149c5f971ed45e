#include "fuzz_targets.h"

#include <algorithm>
#include <span>
#include <string>

#include "app/command_line.h"
#include "app/settings.h"
#include "glyphstore/code_input.h"
#include "automation/save_answer.h"
#include "editor/paste_convert.h"
#include "euftool/image_io.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/glyph_size.h"
#include "viewer/glyph_sheet.h"
#include "glyphstore/eudc_writer.h"
#include "finder/finder_index.h"
#include "glyphstore/tte_agreement.h"
#include "glyphstore/tte_font.h"
#include "glyphstore/tte_raster.h"
#include "glyphstore/tte_outline.h"
#include "glyphstore/tte_writer.h"
#include "ini_text_store.h"
#include "sample_fonts.h"
#include "sample_images.h"

namespace {

using Bytes = std::span<const std::uint8_t>;

FuzzBytes FromText(const std::string& text) { return FuzzBytes(text.begin(), text.end()); }

// A small glyph picture: a frame and a diagonal.
bool Sample(int x, int y, int size) { return x == 0 || y == 0 || x == size - 1 || y == size - 1 || x == y; }

std::vector<std::uint8_t> SamplePlane(int size) {
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(size) * size / 8, 0xFF);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (Sample(x, y, size))
                plane[static_cast<std::size_t>(y) * (size / 8) + x / 8] &= ~(0x80 >> (x % 8));
    return plane;
}

// ---- the bitmap file reader, the code listing and the fixture writer ----

void CheckRead(Bytes file, int code, const EudcIndex& index, int indexResult) {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bitmap{1, 2, 3};
    const int result = ReadEudcBitmapBytes(file, code, width, height, &bitmap);
    if (indexResult != kEudcOk) {
        KF_FUZZ_CHECK(result == indexResult && width == 0 && height == 0 && bitmap.empty());
        return;
    }
    if (code == 0) {
        // Only the management size, and no bitmap.
        KF_FUZZ_CHECK(result == kEudcOk && width == index.width && height == index.height && bitmap.empty());
    } else if (result == kEudcOk) {
        KF_FUZZ_CHECK(width == index.width && height == index.height);
        KF_FUZZ_CHECK(bitmap.size() == static_cast<std::size_t>(width) * height / 8);
        KF_FUZZ_CHECK(!bitmap.empty() && bitmap.size() <= kEudcMaxBitmapBytes);
    } else {
        KF_FUZZ_CHECK(result >= kEudcNoCharacter && result <= kEudcSizeMismatch);
        KF_FUZZ_CHECK(width == 0 && height == 0 && bitmap.empty());
    }
}

void RunEudcBitmap(const std::uint8_t* data, std::size_t size) {
    const Bytes file(data, size);
    EudcIndex index;
    const int indexResult = ReadEudcIndexBytes(file, index);
    KF_FUZZ_CHECK(indexResult == kEudcOk || (indexResult >= kEudcBadHeader && indexResult <= kEudcBadIndex));

    int width = 0;
    int height = 0;
    KF_FUZZ_CHECK(ReadEudcBitmapBytes(file, 0, width, height, nullptr) == indexResult);
    std::vector<int> codes;
    KF_FUZZ_CHECK(ListEudcCodesBytes(file, codes) == indexResult);
    KF_FUZZ_CHECK(std::is_sorted(codes.begin(), codes.end()));
    if (indexResult == kEudcOk) {
        KF_FUZZ_CHECK(index.first <= index.last &&
                      index.entries.size() == static_cast<std::size_t>(index.last - index.first + 1));
        KF_FUZZ_CHECK(codes.empty() || (codes.front() >= index.first && codes.back() <= index.last));
    }

    // The code is chosen by the input's last two bytes; a few listed codes are read too.
    const int chosen = size >= 2 ? data[size - 2] | data[size - 1] << 8 : 0xE000;
    CheckRead(file, chosen, index, indexResult);
    CheckRead(file, 0xE000 + chosen % 6400, index, indexResult);
    for (std::size_t i = 0; i < codes.size() && i < 4; ++i) CheckRead(file, codes[i], index, indexResult);

    // The browser's read of the whole file agrees with the reader, code by code.
    GlyphSheet sheet;
    const int sheetResult = sheet.Load(file);
    if (indexResult != kEudcOk) {
        KF_FUZZ_CHECK(sheetResult == indexResult && sheet.StoredCount() == 0);
    } else if (!IsUsableGlyphSize(index.width, index.height)) {
        KF_FUZZ_CHECK(sheetResult == kSheetBadManagementSize && !SheetFailureText(sheet).empty());
    } else {
        KF_FUZZ_CHECK(sheetResult == kEudcOk &&
                      sheet.StoredCount() + sheet.DamagedCount() <= static_cast<int>(codes.size()));
        std::vector<int> probes(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(
                                                                   std::min<std::size_t>(codes.size(), 4)));
        probes.push_back(0xE000 + chosen % 6400);
        for (int code : probes) {
            if (!IsUnicodeEudcCode(code)) continue;  // the browser shows the EUDC range only
            std::vector<std::uint8_t> bits;
            const int result = ReadEudcBitmapBytes(file, code, width, height, &bits);
            KF_FUZZ_CHECK(sheet.RecordResult(code) == result);
            const auto plane = sheet.Plane(code);
            KF_FUZZ_CHECK(std::equal(plane.begin(), plane.end(), bits.begin(), bits.end()));
        }
        KF_FUZZ_CHECK(ChangedCodes(sheet, sheet).empty());
    }

    // Storing a character either fails and leaves the bytes alone, or reads back exactly.
    if (indexResult == kEudcOk && index.hasManagementSize && index.width > 0 && index.width <= 256 &&
        index.width == index.height && index.width % 8 == 0) {
        FuzzBytes copy(file.begin(), file.end());
        const std::vector<std::uint8_t> plane = SamplePlane(index.width);
        const int code = codes.empty() ? index.first : codes.front();
        if (PutEudcBitmapRecordBytes(copy, code, plane)) {
            std::vector<std::uint8_t> stored;
            KF_FUZZ_CHECK(ReadEudcBitmapBytes(copy, code, width, height, &stored) == kEudcOk &&
                          stored == plane);
        } else {
            KF_FUZZ_CHECK(std::equal(copy.begin(), copy.end(), file.begin(), file.end()));
        }
    }
}

std::vector<FuzzBytes> EudcBitmapSeeds() {
    std::vector<FuzzBytes> seeds;
    for (int size : {8, 16, 64}) {
        FuzzBytes file = MakeEudcBitmapFileBytes(size, 0xE000, 0xE00F);
        seeds.push_back(file);
        PutEudcBitmapRecordBytes(file, 0xE001, SamplePlane(size));
        PutEudcBitmapRecordBytes(file, 0xE00F, SamplePlane(size));
        seeds.push_back(file);
        PutEudcBitmapRecordBytes(file, 0xE000, SamplePlane(size));
        seeds.push_back(file);
    }
    FuzzBytes full = MakeEudcBitmapFileBytes(16);
    PutEudcBitmapRecordBytes(full, 0xE000, SamplePlane(16));
    PutEudcBitmapRecordBytes(full, 0xF8FF, SamplePlane(16));
    seeds.push_back(full);
    return seeds;
}

// ---- the settings reader ----

void RunSettings(const std::uint8_t* data, std::size_t size) {
    IniTextProfileStore store(Bytes(data, size));
    const SettingsEnvironment env{L"C:\\WINDOWS\\system32", L"C:\\WINDOWS", {}};
    AppSettings first;
    KF_FUZZ_CHECK(LoadSettings(store, env, first) == TRUE);
    const std::array<int, 4> position = ReadEditorWindowPos(store);
    KF_FUZZ_CHECK(!ReadGaijiShowFont(store).empty());
    const BOOL ask = ShouldAskBeforeSave(store);
    KF_FUZZ_CHECK(ask == TRUE || ask == FALSE);
    KF_FUZZ_CHECK(first.bSelectAfterMove == TRUE || first.bSelectAfterMove == FALSE);
    KF_FUZZ_CHECK(!first.strEditorPath.empty() && !first.strEditorIniPath.empty());
    KF_FUZZ_CHECK(store.GetProfileInt(kEditorSection, L"PixSize", 0) != 0);

    // What start-up wrote back makes the next start read the same settings and write nothing.
    IniTextProfileStore again(FromText(store.Serialize()));
    AppSettings second;
    LoadSettings(again, env, second);
    KF_FUZZ_CHECK(again.Writes() == 0);
    KF_FUZZ_CHECK(second.bSelectAfterMove == first.bSelectAfterMove &&
                  second.bSelectKeep == first.bSelectKeep);
    KF_FUZZ_CHECK(second.crDot == first.crDot && second.crSelect == first.crSelect &&
                  second.crMoveMarquee == first.crMoveMarquee && second.crMoveOrigin == first.crMoveOrigin &&
                  second.crDrawMarquee == first.crDrawMarquee && second.crLayer == first.crLayer &&
                  second.crGrid == first.crGrid);
    KF_FUZZ_CHECK(ReadEditorWindowPos(again) == position);

    // Every colour reads back as written.
    for (ColorRef colour : {first.crDot, first.crSelect, first.crGrid}) {
        const std::optional<ColorRef> parsed = ParseColorText(FormatColorText(colour));
        KF_FUZZ_CHECK(parsed && *parsed == colour);
    }
}

std::vector<FuzzBytes> SettingsSeeds() {
    std::vector<FuzzBytes> seeds;
    // A first start: the file that the defaults make.
    IniTextProfileStore fresh({});
    AppSettings settings;
    LoadSettings(fresh, SettingsEnvironment{L"C:\\WINDOWS\\system32", L"C:\\WINDOWS", {}}, settings);
    fresh.WriteProfileString(kEditorSection, L"EditorWindowPos", FormatRectText({40, 40, -1, -1}).c_str());
    fresh.WriteProfileString(kEditorSection, L"SaveAns", L"no");
    fresh.WriteProfileString(kLayerSection, L"GaijiShowFont", L"ＭＳ 明朝");
    const std::string text = fresh.Serialize();
    seeds.push_back(FromText(text));
    // Hand edits: odd cases, partial colours, octal and hexadecimal rectangles, quotes, comments.
    seeds.push_back(FromText(
        "; edited\r\n[gxmeditorsettings]\r\nPixSize= 012\r\nSelectKeep=YES\r\nDotRGB=ff:0\r\n"
        "SelectRGB = 1ff:e0:ff trailing\r\nEditorWindowPos=0x10:-020:+3:4\r\n"
        "GaijiEditorPath=\"C:\\Program Files\\eudcedit.exe\"\r\n[GxmSettings]\r\nGaijiShowFont=\r\n"));
    // The same file in UTF-16 with its mark, as Notepad may save it.
    FuzzBytes wide{0xFF, 0xFE};
    for (unsigned char c : text) {
        wide.push_back(c);
        wide.push_back(0);
    }
    seeds.push_back(wide);
    return seeds;
}

// ---- code entry: the code dialog (Unicode and Shift-JIS) and the command line ----

void RunCodeInput(const std::uint8_t* data, std::size_t size) {
    // Two bytes a character (UTF-16LE), as the dialog's edit field hands text over.
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const int value = ParseCodeText(text);
    KF_FUZZ_CHECK(value >= -1 && value <= 0xFFFF);
    KF_FUZZ_CHECK(value < 0 || text.size() == 4);
    if (value >= 0) {
        std::wstring upper = text;
        for (wchar_t& c : upper)
            if (c >= L'a' && c <= L'f') c = static_cast<wchar_t>(c - L'a' + L'A');
        KF_FUZZ_CHECK(FormatCodeText(value) == upper);
    }

    const int unicode = AcceptCodeInput(text, kCodeTypeUnicode);
    KF_FUZZ_CHECK(unicode == -1 || (IsUnicodeEudcCode(unicode) && unicode == value));
    const int sjis = AcceptCodeInput(text, kCodeTypeSjis);
    KF_FUZZ_CHECK(sjis == -1 || (sjis >= 0xE000 && sjis <= 0xE757 && IsSjisEudcCode(value)));
    KF_FUZZ_CHECK(AcceptCodeInput(text, size > 0 ? data[0] : 2) == -1 || size == 0 || data[0] <= 1);

    const std::wstring next = NextCodeText(text);
    const std::wstring previous = PreviousCodeText(text);
    KF_FUZZ_CHECK(next.empty() || ParseCodeText(next) == value + 1);
    KF_FUZZ_CHECK(previous.empty() || ParseCodeText(previous) == value - 1);

    CodeInputModel model(TRUE);
    model.m_strCode = text;
    model.m_nCodeType = size % 2 == 0 ? kCodeTypeUnicode : kCodeTypeSjis;
    KF_FUZZ_CHECK(model.ConfirmCode() == (model.m_nCode >= 0));

    // The command line: every NUL-separated piece is one parameter.
    CMyCommandLineInfo commandLine;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'\0', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring parameter = text.substr(start, end - start);
        commandLine.ParseParam(parameter.c_str(), FALSE, end == text.size());
        start = end + 1;
    }
    KF_FUZZ_CHECK(commandLine.m_strCode.empty() || IsUnicodeEudcCode(ParseCodeText(commandLine.m_strCode)));
}

std::vector<FuzzBytes> CodeInputSeeds() {
    std::vector<FuzzBytes> seeds;
    for (int code : {0xE000, 0xF8FF, 0xF040, 0xF9FC, 0xF07F, 0xE757}) {
        for (const std::wstring& text : {FormatCodeText(code), std::wstring(L"e00f")}) {
            FuzzBytes bytes;
            for (wchar_t c : text) {
                bytes.push_back(static_cast<std::uint8_t>(c));
                bytes.push_back(static_cast<std::uint8_t>(c >> 8));
            }
            seeds.push_back(bytes);
        }
    }
    return seeds;
}

// ---- euftool's image readers ----

class CheckingSink : public ImageSink {
  public:
    bool Begin(std::int64_t width, std::int64_t height, std::string&) override {
        KF_FUZZ_CHECK(!m_begun && width > 0 && height > 0 && width * height <= kMaxImagePixels);
        m_begun = true;
        m_nWidth = width;
        m_nHeight = height;
        m_shrinker.emplace(width, height, 64);
        return true;
    }
    void Ink(std::int64_t x, std::int64_t y) override {
        KF_FUZZ_CHECK(m_begun && x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight);
        m_shrinker->MarkInk(x, y);
    }
    void CheckResult() const {
        if (!m_shrinker) return;
        const PasteBitmap& picture = m_shrinker->Result();
        KF_FUZZ_CHECK(picture.width == std::min<std::int64_t>(m_nWidth, 64) &&
                      picture.height == std::min<std::int64_t>(m_nHeight, 64));
    }

  private:
    bool m_begun = false;
    std::int64_t m_nWidth = 0;
    std::int64_t m_nHeight = 0;
    std::optional<PasteShrinker> m_shrinker;
};

void RunPbm(const std::uint8_t* data, std::size_t size) {
    CheckingSink sink;
    std::string error;
    const bool ok = ReadPbm(Bytes(data, size), sink, error);
    KF_FUZZ_CHECK(ok == error.empty());
    sink.CheckResult();
}

void RunPng(const std::uint8_t* data, std::size_t size) {
    CheckingSink sink;
    std::string error;
    const bool ok = ReadPng(Bytes(data, size), sink, error);
    KF_FUZZ_CHECK(ok == error.empty());
    sink.CheckResult();
}

std::vector<FuzzBytes> PbmSeeds() {
    std::vector<FuzzBytes> seeds;
    for (int size : {8, 13, 64}) {
        GreyImage image{size, size, {}};
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) image.pixels.push_back(Sample(x, y, size) ? 0 : 255);
        seeds.push_back(EncodePbm(image));
    }
    std::string plain = "P1\n# a plain one\n5 3\n";
    for (int i = 0; i < 15; ++i) plain += i % 3 ? "0 " : "1\n";
    seeds.push_back(FromText(plain));
    return seeds;
}

std::vector<FuzzBytes> PngSeeds() {
    std::vector<FuzzBytes> seeds;
    const auto ink = [](int x, int y) { return Sample(x, y, 11); };
    for (PngKind kind : {PngKind::kGrey1, PngKind::kGrey8, PngKind::kGrey16, PngKind::kPalette,
                         PngKind::kRgb8, PngKind::kRgba8, PngKind::kGreyAlpha16}) {
        seeds.push_back(MakePng(kind, 11, 9, ink));
    }
    seeds.push_back(MakePng(PngKind::kGrey8, 13, 10, ink, true));
    GreyImage image{9, 9, std::vector<std::uint8_t>(81, 255)};
    image.pixels[40] = 0;
    FuzzBytes encoded;
    std::string error;
    if (EncodePng(image, encoded, error)) seeds.push_back(encoded);
    return seeds;
}

// ---- the paste conversion of a device-independent bitmap ----

void RunDib(const std::uint8_t* data, std::size_t size) {
    for (int glyph : {64, 16}) {
        PasteBitmap out;
        const int result = ConvertPastedDib(Bytes(data, size), glyph, out);
        KF_FUZZ_CHECK(result >= kDibOk && result <= kDibPixelsShort);
        if (result == kDibOk) {
            KF_FUZZ_CHECK(out.width > 0 && out.height > 0 && out.width <= glyph && out.height <= glyph);
            KF_FUZZ_CHECK(out.bytes.size() == out.RowBytes() * static_cast<std::size_t>(out.height));
        } else {
            KF_FUZZ_CHECK(out.width == 0 && out.height == 0 && out.bytes.empty());
        }
    }
}

std::vector<FuzzBytes> DibSeeds() {
    std::vector<FuzzBytes> seeds;
    const auto ink = [](int x, int y) { return Sample(x, y, 12); };
    for (int bits : {1, 4, 8, 16, 24, 32}) seeds.push_back(MakeDib({12, 10, bits, 0, 40, false, false}, ink));
    seeds.push_back(MakeDib({9, 7, 8, 1, 40, false, true}, ink));
    seeds.push_back(MakeDib({9, 7, 4, 2, 40, false, false}, ink));
    seeds.push_back(MakeDib({9, 7, 16, 3, 40, true, false}, ink));
    seeds.push_back(MakeDib({9, 7, 32, 3, 124, true, true}, ink));
    seeds.push_back(MakeDib({9, 7, 24, 0, 108, false, false}, ink));
    seeds.push_back(MakeDib({9, 7, 8, 0, 12, false, false}, ink));
    seeds.push_back(MakeDib({70, 3, 1, 0, 40, false, false}, ink));
    return seeds;
}

}  // namespace

// ---- the EUDC font reader, its rasteriser, the one-glyph update and the pair check ----

constexpr int kFontResults[] = {kTteOk, kTteNotFont, kTteBadTable, kTteBadCmap};

void CheckOutline(const TteOutline& outline) {
    KF_FUZZ_CHECK(outline.points.size() <= static_cast<std::size_t>(kTteMaxPoints));
    KF_FUZZ_CHECK(outline.contourEnds.size() <= static_cast<std::size_t>(kTteMaxContours));
    KF_FUZZ_CHECK(std::is_sorted(outline.contourEnds.begin(), outline.contourEnds.end()));
    KF_FUZZ_CHECK(outline.points.empty() ? outline.contourEnds.empty()
                                         : !outline.contourEnds.empty() &&
                                               outline.contourEnds.back() + 1 == outline.points.size());
}

void RunTteFont(const std::uint8_t* data, std::size_t size) {
    TteFont font;
    const int result = font.Load(Bytes(data, size));
    KF_FUZZ_CHECK(std::find(std::begin(kFontResults), std::end(kFontResults), result) !=
                  std::end(kFontResults));
    if (result != kTteOk) {
        KF_FUZZ_CHECK(!font.Error().empty());
        return;
    }
    KF_FUZZ_CHECK(font.GlyphCount() > 0 && font.UnitsPerEm() >= 16 && font.UnitsPerEm() <= 16384);
    const std::vector<int> codes = font.Codes();
    KF_FUZZ_CHECK(std::is_sorted(codes.begin(), codes.end()));
    // The variation sequences are read only when asked: refused whole, or every one sound.
    std::vector<TteVariation> sequences;
    const int variations = font.VariationSequences(sequences);
    KF_FUZZ_CHECK(variations == kTteOk || (variations == kTteBadCmap && sequences.empty()));
    for (const TteVariation& sequence : sequences) {
        KF_FUZZ_CHECK(sequence.glyph >= 0 && sequence.glyph < font.GlyphCount());
        KF_FUZZ_CHECK(IsVariationSelector(sequence.selector) && sequence.base <= 0x10FFFF);
    }
    // A few glyphs: through the codes, and by number (the input's last byte picks one).
    std::vector<int> glyphs;
    for (std::size_t i = 0; i < codes.size() && i < 3; ++i) {
        const int glyph = font.GlyphForCode(codes[i]);
        KF_FUZZ_CHECK(glyph > 0 && glyph < font.GlyphCount());
        glyphs.push_back(glyph);
    }
    glyphs.push_back(size > 0 ? data[size - 1] % font.GlyphCount() : 0);
    for (int glyph : glyphs) {
        TteOutline outline;
        const int loaded = font.LoadOutline(glyph, outline);
        KF_FUZZ_CHECK(loaded == kTteOk || loaded == kTteBadGlyph || loaded == kTteTooComplex);
        KF_FUZZ_CHECK(loaded == kTteOk || (!font.Error().empty() && outline.points.empty()));
        CheckOutline(outline);
        std::vector<std::uint8_t> dots;
        if (RasterizeGlyph(font, glyph, 16, dots) == kTteOk) KF_FUZZ_CHECK(dots.size() == 32);
    }
    // The update of a code either refuses or gives a font that reads and shows exactly the new dots.
    const int code = codes.empty() ? 0xE000 : codes.front() <= 0xFFFF ? codes.front() : 0xE000;
    const std::vector<std::uint8_t> plane = SamplePlane(16);
    TteOutline outline;
    std::string error;
    if (CharacterOutline(font, 16, plane, outline, error) == kTteOk) {
        std::vector<std::uint8_t> updated;
        if (UpdateTteGlyph(font, code, outline, 0, updated, error) == kTteOk) {
            // The grid of a foreign font may not fall on whole dots: the glyph agrees, exactly or nearly.
            TteFont after;
            KF_FUZZ_CHECK(after.Load(updated) == kTteOk);
            KF_FUZZ_CHECK(after.GlyphForCode(code) != 0);
            TteOutline back;
            KF_FUZZ_CHECK(after.LoadCodeOutline(code, back) == kTteOk && back == outline);
        }
    }
    // The pair check against a small bitmap file.
    FuzzBytes bitmap = MakeEudcBitmapFileBytes(16, 0xE000, 0xE00F);
    PutEudcBitmapRecordBytes(bitmap, 0xE000, plane);
    PairCheck check;
    KF_FUZZ_CHECK(CheckEudcPair(bitmap, font, check, error));
    KF_FUZZ_CHECK(check.agreeing + static_cast<int>(check.problems.size()) >= check.bitmapCodes);
}

std::vector<FuzzBytes> TteFontSeeds() {
    std::vector<FuzzBytes> seeds;
    std::string error;
    for (int size : {8, 16}) {
        FuzzBytes font;
        BuildTteFont(size,
                     {{0xE000, SamplePlane(size)},
                      {0xE001, std::vector<std::uint8_t>(size * size / 8, 0xFF)},
                      {0xE7A5, SamplePlane(size)}},
                     0, font, error);
        seeds.push_back(font);
    }
    // An update that adds a glyph, a rounded and a spline outline, and tables other tools leave.
    TteFont base;
    base.Load(seeds.back());
    std::vector<std::pair<std::uint32_t, FuzzBytes>> tables;
    for (const TteTable& table : base.Tables()) {
        const auto bytes = base.TableBytes(table.tag);
        tables.emplace_back(table.tag, FuzzBytes(bytes.begin(), bytes.end()));
    }
    tables.emplace_back(TteTag("DSIG"), FuzzBytes{0, 0, 0, 1, 0, 0, 0, 0});
    tables.emplace_back(TteTag("hdmx"), FuzzBytes{0, 0, 0, 0});
    FuzzBytes withExtras = AssembleTteFont(0x00010000, tables);
    seeds.push_back(withExtras);
    TteFont extras;
    extras.Load(withExtras);
    for (TteCorners corners : {TteCorners::Rounded, TteCorners::Spline}) {
        TteOutline outline;
        DotsToOutline(SamplePlane(16), TteGrid{512, 16, 14, 0.9, 20, -10}, corners, outline, error);
        FuzzBytes updated;
        UpdateTteGlyph(extras, corners == TteCorners::Rounded ? 0xE100 : 0xE001, outline, 0, updated, error);
        seeds.push_back(updated);
    }
    // Ideographs beyond the basic plane and variation sequences, default and of their own.
    seeds.push_back(MakeSampleFont(16, SampleStrokePictures(16, 3), {{0x4E00, 0}, {0x20000, 1}},
                                   {{0x4E00, 0xFE00, 2}, {0x4E00, 0xE0100, -1}, {0x20000, 0xE0101, 1}}));
    return seeds;
}

// ---- the finder's index cache ----

void RunFinderIndex(const std::uint8_t* data, std::size_t size) {
    FontIndex index;
    std::string error;
    const std::span<const std::uint8_t> bytes(data, size);
    if (!ReadFontIndex(bytes, nullptr, index, error)) {
        KF_FUZZ_CHECK(!error.empty() && index.entries.empty() && index.features.empty());
        return;
    }
    // Only a whole file of this version is taken: it is exactly what writing the index gives back.
    KF_FUZZ_CHECK(index.entries.size() == index.features.size());
    for (const FontIndexEntry& entry : index.entries)
        KF_FUZZ_CHECK(IsFinderCode(entry.code) &&
                      (entry.selector == 0 || IsVariationSelector(entry.selector)));
    KF_FUZZ_CHECK(FontIndexBytes(index) == FuzzBytes(bytes.begin(), bytes.end()));
    FontIndex again;
    KF_FUZZ_CHECK(ReadFontIndex(bytes, &index.key, again, error) && again.entries == index.entries);
}

std::vector<FuzzBytes> FinderIndexSeeds() {
    const auto pictures = SampleStrokePictures(32, 3);
    const FuzzBytes fontBytes =
        MakeSampleFont(32, pictures, {{0x4E00, 0}, {0x20000, 1}}, {{0x4E00, 0xE0101, 2}});
    TteFont font;
    std::vector<FuzzBytes> seeds;
    if (font.Load(fontBytes) != kTteOk) return seeds;
    std::vector<FinderCandidate> candidates;
    std::string error;
    EnumerateCandidates(font, candidates, error);
    FontIndex index;
    BuildFontIndex(font, candidates, {"sample.ttf", fontBytes.size(), 1234}, index);
    seeds.push_back(FontIndexBytes(index));
    index.entries.resize(1);
    index.features.resize(1);
    index.key.name = "a longer name of another font file.ttf";
    seeds.push_back(FontIndexBytes(index));
    return seeds;
}

const std::vector<FuzzTarget>& FuzzTargets() {
    static const std::vector<FuzzTarget> targets = {
        {"eudc_bitmap", RunEudcBitmap, EudcBitmapSeeds},
        {"settings", RunSettings, SettingsSeeds},
        {"code_input", RunCodeInput, CodeInputSeeds},
        {"pbm", RunPbm, PbmSeeds},
        {"png", RunPng, PngSeeds},
        {"dib", RunDib, DibSeeds},
        {"tte_font", RunTteFont, TteFontSeeds},
        {"finder_index", RunFinderIndex, FinderIndexSeeds},
    };
    return targets;
}

const FuzzTarget* FindFuzzTarget(std::string_view name) {
    for (const FuzzTarget& target : FuzzTargets()) {
        if (name == target.name) return &target;
    }
    return nullptr;
}

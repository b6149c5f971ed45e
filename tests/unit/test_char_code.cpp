#include <gtest/gtest.h>

#include "glyphstore/char_code.h"

TEST(CharCode, ParsesExactlyFourHexDigitsOfEitherCase) {
    EXPECT_EQ(ParseCodeText(L"e000"), 0xE000);
    EXPECT_EQ(ParseCodeText(L"E000"), 0xE000);
    EXPECT_EQ(ParseCodeText(L"e00F"), 0xE00F);
    EXPECT_EQ(ParseCodeText(L"09aF"), 0x09AF);
    EXPECT_EQ(ParseCodeText(L"0000"), 0);
    for (const wchar_t* bad : {L"", L"E00", L"E0000", L"0xE0", L"GHIJ", L" E00", L"E00 ", L"E0g0", L"E:00"}) {
        EXPECT_EQ(ParseCodeText(bad), -1) << bad;
    }
}

TEST(CharCode, FormatsFourUpperCaseDigits) {
    EXPECT_EQ(FormatCodeText(0xE000), L"E000");
    EXPECT_EQ(FormatCodeText(0xe757), L"E757");
    EXPECT_EQ(FormatCodeText(0x41), L"0041");
    EXPECT_EQ(FormatCodeText(0x9), L"0009");
    EXPECT_EQ(FormatCodeText(0x12ABCD), L"ABCD");  // keeps the last four digits
}

TEST(CharCode, UnicodeRangeIsInclusive) {
    EXPECT_TRUE(IsUnicodeEudcCode(0xE000));
    EXPECT_TRUE(IsUnicodeEudcCode(0xF8FF));
    EXPECT_FALSE(IsUnicodeEudcCode(0xDFFF));
    EXPECT_FALSE(IsUnicodeEudcCode(0xF900));
    EXPECT_FALSE(IsUnicodeEudcCode(0));
    EXPECT_FALSE(IsUnicodeEudcCode(-1));
}

TEST(CharCode, ShiftJisAcceptanceAndConversion) {
    for (int bad : {0xF07F, 0xF0FD, 0xF13F, 0xFA40, 0xEFFC, 0xF03F, 0, -1}) {
        EXPECT_FALSE(IsSjisEudcCode(bad)) << std::hex << bad;
        EXPECT_EQ(SjisToUnicodeEudc(bad), -1) << std::hex << bad;
    }
    const std::pair<int, int> examples[] = {{0xF040, 0xE000}, {0xF07E, 0xE03E}, {0xF080, 0xE03F},
                                            {0xF0FC, 0xE0BB}, {0xF140, 0xE0BC}, {0xF540, 0xE3AC},
                                            {0xF9FC, 0xE757}};
    for (auto [sjis, unicode] : examples) EXPECT_EQ(SjisToUnicodeEudc(sjis), unicode) << std::hex << sjis;

    // Every accepted code maps to the next Unicode code in order: 1880 codes onto E000..E757.
    int expected = 0xE000;
    for (int value = 0xF000; value <= 0xFAFF; ++value) {
        if (!IsSjisEudcCode(value)) continue;
        ASSERT_EQ(SjisToUnicodeEudc(value), expected++) << std::hex << value;
    }
    EXPECT_EQ(expected, 0xE758);
}

TEST(CharCode, StepsWithinTheRangeWithoutWrapping) {
    EXPECT_EQ(NextCodeText(L"E000"), L"E001");
    EXPECT_EQ(NextCodeText(L"e0ff"), L"E100");
    EXPECT_EQ(PreviousCodeText(L"E100"), L"E0FF");
    EXPECT_EQ(PreviousCodeText(L"F8FF"), L"F8FE");
    EXPECT_EQ(NextCodeText(L"F8FF"), L"");
    EXPECT_EQ(PreviousCodeText(L"E000"), L"");
    for (const wchar_t* off : {L"", L"DFFF", L"F900", L"XYZW", L"E0000"}) {
        EXPECT_EQ(NextCodeText(off), L"") << off;
        EXPECT_EQ(PreviousCodeText(off), L"") << off;
    }
}

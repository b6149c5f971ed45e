#include <gtest/gtest.h>

#include "framework/dialog_data.h"
#include "panes/ime_mode.h"

TEST(DialogData, SignedFieldTakesOneDecimalNumberBetweenBlanks) {
    EXPECT_EQ(ParseFieldInt(L"42"), 42);
    EXPECT_EQ(ParseFieldInt(L"  -7\t"), -7);
    EXPECT_EQ(ParseFieldInt(L"+5"), 5);
    EXPECT_EQ(ParseFieldInt(L"007"), 7);
    EXPECT_EQ(ParseFieldInt(L"2147483647"), 2147483647);
    EXPECT_EQ(ParseFieldInt(L"-2147483648"), -2147483647 - 1);
    for (const wchar_t* bad : {L"", L"  ", L"-", L"+", L"4 2", L"42x", L"0x10", L"1.5", L"--1", L"2147483648",
                               L"-2147483649", L"99999999999999999999999"}) {
        EXPECT_FALSE(ParseFieldInt(bad).has_value()) << bad;
    }
}

TEST(DialogData, UnsignedFieldRefusesAnySignOfNegativity) {
    EXPECT_EQ(ParseFieldUInt(L" 63 "), 63u);
    EXPECT_EQ(ParseFieldUInt(L"4294967295"), 4294967295u);
    EXPECT_FALSE(ParseFieldUInt(L"-0").has_value());
    EXPECT_FALSE(ParseFieldUInt(L"-1").has_value());
    EXPECT_FALSE(ParseFieldUInt(L"4294967296").has_value());
}

TEST(DialogData, RangePromptNamesBothBounds) {
    EXPECT_FALSE(RangePromptIfOutside(0, 0, 63).has_value());
    EXPECT_FALSE(RangePromptIfOutside(63, 0, 63).has_value());
    EXPECT_EQ(RangePromptIfOutside(-1, 0, 63).value(), L"0 から 63 までの整数を入力してください。");
    EXPECT_EQ(RangePromptIfOutside(4294967295LL, 0, 15).value(), L"0 から 15 までの整数を入力してください。");
    EXPECT_EQ(FormatString2(L"%2-%1 100% %3", L"a", L"b"), L"b-a 100% %3");
}

TEST(DialogData, ACharacterOutsideTheBasicPlaneCountsAsOne) {
    EXPECT_EQ(CountCharacters(L""), 0u);
    EXPECT_EQ(CountCharacters(L"永"), 1u);
    EXPECT_EQ(CountCharacters(L"\xD842\xDF9F"), 1u);  // U+20B9F as a surrogate pair
    EXPECT_EQ(CountCharacters(L"\xD842\xDF9F永"), 2u);
    EXPECT_EQ(CountCharacters(L"\xD842"), 1u) << "a lone half is still something typed";
    EXPECT_EQ(CountCharacters(L"\xDF9F\xD842"), 2u) << "halves the wrong way round are two";
    EXPECT_FALSE(LengthPromptIfLonger(L"\xD842\xDF9F", 1).has_value());
    EXPECT_EQ(LengthPromptIfLonger(L"永久", 1).value(), L"1 文字以内で入力してください。");
}

TEST(ImeMode, HiraganaSetsNativeAndFullShapeAndKeepsOtherBits) {
    EXPECT_EQ(HiraganaConversionMode(0x00), 0x09u);
    // Katakana off, roman (0x10) and the high bits as the user had them.
    EXPECT_EQ(HiraganaConversionMode(0x13), 0x19u);
    EXPECT_EQ(HiraganaConversionMode(0x0B), 0x09u);
    EXPECT_EQ(HiraganaConversionMode(0x300 | 0x02), 0x309u);
}

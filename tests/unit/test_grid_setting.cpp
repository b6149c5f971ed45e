#include <gtest/gtest.h>

#include "framework/dialog_data.h"
#include "memory_profile_store.h"
#include "panes/grid_setting.h"

TEST(GridSetting, PeriodsRangeFromZeroToBelowTheGlyphSize) {
    EXPECT_EQ(GetGridPeriodRange(64).nMin, 0u);
    EXPECT_EQ(GetGridPeriodRange(64).nMax, 63u);
    EXPECT_EQ(GetGridPeriodRange(16).nMax, 15u);
    // A nonsensical size leaves only "no emphasised lines".
    EXPECT_EQ(GetGridPeriodRange(0).nMax, 0u);
    EXPECT_EQ(GetGridPeriodRange(-8).nMax, 0u);
}

TEST(GridSetting, ReadsBothPeriodsWithZeroWhenAbsent) {
    MemoryProfileStore store;
    GridSettingModel absent(store, 64);
    EXPECT_EQ(absent.m_nGridX, 0u);
    EXPECT_EQ(absent.m_nGridY, 0u);
    EXPECT_EQ(store.writes, 0);

    store.Set(L"Grid_X", L"8");
    store.Set(L"Grid_Y", L"16");
    GridSettingModel stored(store, 64);
    EXPECT_EQ(stored.m_nGridX, 8u);
    EXPECT_EQ(stored.m_nGridY, 16u);
    EXPECT_TRUE(stored.IsValid());
}

TEST(GridSetting, OutOfRangeStoredValueIsShownButNotValid) {
    MemoryProfileStore store;
    store.Set(L"Grid_X", L"255");
    GridSettingModel model(store, 64);
    EXPECT_EQ(model.m_nGridX, 255u);
    EXPECT_FALSE(model.IsValid());
    model.m_nGridX = 63;
    EXPECT_TRUE(model.IsValid());
    model.m_nGridY = 64;
    EXPECT_FALSE(model.IsValid());
}

TEST(GridSetting, SaveWritesBothPeriods) {
    MemoryProfileStore store;
    GridSettingModel model(store, 64);
    model.m_nGridX = 0;
    model.m_nGridY = 63;
    model.Save(store);
    EXPECT_EQ(store.Get(L"Grid_X"), L"0");
    EXPECT_EQ(store.Get(L"Grid_Y"), L"63");
    GridSettingModel reread(store, 64);
    EXPECT_EQ(reread.m_nGridY, 63u);
}

// What the dialog's fields let through, field text to value or prompt.
TEST(GridSetting, FieldValidationRefusesNegativeAndTooLargePeriods) {
    const GridPeriodRange range = GetGridPeriodRange(64);
    auto check = [&](const wchar_t* text) -> std::wstring {
        const auto value = ParseFieldUInt(text);
        if (!value) return kPromptParseUInt;
        if (auto prompt = RangePromptIfOutside(*value, range.nMin, range.nMax)) return *prompt;
        return L"ok " + std::to_wstring(*value);
    };
    EXPECT_EQ(check(L"0"), L"ok 0");
    EXPECT_EQ(check(L"63"), L"ok 63");
    EXPECT_EQ(check(L"64"), L"0 から 63 までの整数を入力してください。");
    EXPECT_EQ(check(L"-1"), L"正の整数を入力してください。");
    EXPECT_EQ(check(L""), L"正の整数を入力してください。");
    EXPECT_EQ(check(L"4294967296"), L"正の整数を入力してください。");
}

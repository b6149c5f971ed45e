#include <gtest/gtest.h>

#include "glyphstore/code_input.h"

namespace {

// The shared entry outlives every dialog; each test starts from a fresh process state.
class CodeInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CodeInputModel::s_strLastCode.clear();
        CodeInputModel::s_nLastCodeType = kCodeTypeUnicode;
    }
};

int ConfirmAs(const wchar_t* text, int codeType) {
    CodeInputModel dialog(TRUE);
    dialog.m_strCode = text;
    dialog.m_nCodeType = codeType;
    dialog.ConfirmCode();
    return dialog.m_nCode;
}

}  // namespace

TEST(CodeInput, UnicodeChoiceTakesTheUnicodeRangeOnly) {
    EXPECT_EQ(AcceptCodeInput(L"E000", kCodeTypeUnicode), 0xE000);
    EXPECT_EQ(AcceptCodeInput(L"e00f", kCodeTypeUnicode), 0xE00F);
    EXPECT_EQ(AcceptCodeInput(L"F8FF", kCodeTypeUnicode), 0xF8FF);
    EXPECT_EQ(AcceptCodeInput(L"F040", kCodeTypeUnicode), 0xF040);
    for (const wchar_t* bad : {L"F900", L"DFFF", L"0000", L"", L"E00", L"E0000", L" E00", L"GHIJ", L"0041"}) {
        EXPECT_EQ(AcceptCodeInput(bad, kCodeTypeUnicode), -1) << bad;
    }
}

TEST(CodeInput, SjisChoiceConvertsUserDefinedCodes) {
    EXPECT_EQ(AcceptCodeInput(L"F040", kCodeTypeSjis), 0xE000);
    EXPECT_EQ(AcceptCodeInput(L"f080", kCodeTypeSjis), 0xE03F);
    EXPECT_EQ(AcceptCodeInput(L"F9FC", kCodeTypeSjis), 0xE757);
    for (const wchar_t* bad : {L"F07F", L"F0FD", L"F13F", L"FA40", L"EFFC", L"E000", L"0000", L""}) {
        EXPECT_EQ(AcceptCodeInput(bad, kCodeTypeSjis), -1) << bad;
    }
}

TEST(CodeInput, UnknownCodeTypeIsRejected) {
    // The radio group reads -1 when no button is checked.
    EXPECT_EQ(AcceptCodeInput(L"E000", -1), -1);
    EXPECT_EQ(AcceptCodeInput(L"E000", 2), -1);
}

TEST_F(CodeInputTest, NewDialogStartsWithTheLastAcceptedEntry) {
    EXPECT_EQ(CodeInputModel(TRUE).m_strCode, L"");
    EXPECT_EQ(CodeInputModel(TRUE).m_nCodeType, kCodeTypeUnicode);

    EXPECT_EQ(ConfirmAs(L"F040", kCodeTypeSjis), 0xE000);
    // The text as typed and its type are remembered, not the converted code.
    CodeInputModel next(FALSE);
    EXPECT_EQ(next.m_strCode, L"F040");
    EXPECT_EQ(next.m_nCodeType, kCodeTypeSjis);
    EXPECT_EQ(next.m_nCode, -1);
    EXPECT_TRUE(next.ConfirmCode());
    EXPECT_EQ(next.m_nCode, 0xE000);
}

TEST_F(CodeInputTest, RejectedEntryKeepsTheTextAndChangesNothingShared) {
    EXPECT_EQ(ConfirmAs(L"e001", kCodeTypeUnicode), 0xE001);

    CodeInputModel dialog(TRUE);
    dialog.m_strCode = L"0000";
    dialog.m_nCodeType = kCodeTypeSjis;
    dialog.m_nCode = 0xE005;  // left from an earlier OK of the same dialog
    EXPECT_FALSE(dialog.ConfirmCode());
    EXPECT_EQ(dialog.m_nCode, -1);
    EXPECT_EQ(dialog.m_strCode, L"0000");
    EXPECT_EQ(CodeInputModel::s_strLastCode, L"e001");
    EXPECT_EQ(CodeInputModel::s_nLastCodeType, kCodeTypeUnicode);

    // A second OK in the same dialog, now with a good entry, is accepted.
    dialog.m_strCode = L"F140";
    EXPECT_TRUE(dialog.ConfirmCode());
    EXPECT_EQ(dialog.m_nCode, 0xE0BC);
    EXPECT_EQ(CodeInputModel::s_strLastCode, L"F140");
    EXPECT_EQ(CodeInputModel::s_nLastCodeType, kCodeTypeSjis);
}

TEST_F(CodeInputTest, CaptionAndLogNameThePurpose) {
    const std::wstring caption = L"%s文字ｺｰﾄﾞを指定";
    EXPECT_EQ(CodeInputModel(TRUE).MakeCaption(caption), L"編集する文字ｺｰﾄﾞを指定");
    EXPECT_EQ(CodeInputModel(FALSE).MakeCaption(caption), L"保存する文字ｺｰﾄﾞを指定");
    EXPECT_EQ(CodeInputModel(TRUE).MakeCaption(L"ｺｰﾄﾞ"), L"ｺｰﾄﾞ");
    EXPECT_STREQ(CodeInputModel(TRUE).PurposeWord(), L"編集");
    EXPECT_STREQ(CodeInputModel(FALSE).PurposeWord(), L"保存");
}

#include "glyphstore/code_input.h"

#include "glyphstore/char_code.h"

std::wstring CodeInputModel::s_strLastCode;
int CodeInputModel::s_nLastCodeType = kCodeTypeUnicode;

int AcceptCodeInput(std::wstring_view text, int codeType) {
    const int value = ParseCodeText(text);
    if (value <= 0) return -1;
    if (codeType == kCodeTypeUnicode) return IsUnicodeEudcCode(value) ? value : -1;
    if (codeType == kCodeTypeSjis) return IsSjisEudcCode(value) ? SjisToUnicodeEudc(value) : -1;
    return -1;
}

CodeInputModel::CodeInputModel(BOOL bEditMode)
    : m_strCode(s_strLastCode), m_nCodeType(s_nLastCodeType), m_bEditMode(bEditMode) {}

bool CodeInputModel::ConfirmCode() {
    m_nCode = AcceptCodeInput(m_strCode, m_nCodeType);
    if (m_nCode < 0) return false;
    s_strLastCode = m_strCode;
    s_nLastCodeType = m_nCodeType;
    return true;
}

std::wstring CodeInputModel::MakeCaption(std::wstring_view templateCaption) const {
    std::wstring caption(templateCaption);
    const std::size_t at = caption.find(L"%s");
    if (at != std::wstring::npos) caption.replace(at, 2, m_bEditMode ? L"編集する" : L"保存する");
    return caption;
}

const wchar_t* CodeInputModel::PurposeWord() const { return m_bEditMode ? L"編集" : L"保存"; }

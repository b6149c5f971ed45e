// The code dialog asks which character to edit, or under which code to save a drawing that has
// none. Users know their characters either by the Unicode private-use code or by the Shift-JIS
// user-defined code of older tools, so both are accepted and turned into the Unicode code at
// once. The dialog also remembers the entry it accepted last, for every later use in the
// process: this class is that state and the OK decision, without the window.
#pragma once

#include <string>
#include <string_view>

#include "base/kf_types.h"

inline constexpr int kCodeTypeUnicode = 0;
inline constexpr int kCodeTypeSjis = 1;
// The code field takes four hexadecimal digits and no more.
inline constexpr int kCodeTextMaxChars = 4;

// The Unicode EUDC code that a typed text names under the chosen code type, or -1 when the text
// is rejected (not four hexadecimal digits, outside the type's range, or an unknown type).
int AcceptCodeInput(std::wstring_view text, int codeType);

class CodeInputModel {
  public:
    // Starts with the entry accepted last in this process.
    explicit CodeInputModel(BOOL bEditMode);

    // The OK decision on m_strCode and m_nCodeType: m_nCode becomes the Unicode code, or -1 when
    // the entry is rejected. An accepted entry, as typed, is what the next dialog starts with.
    bool ConfirmCode();
    // The template caption with its "%s" replaced by what the code is asked for.
    std::wstring MakeCaption(std::wstring_view templateCaption) const;
    // The purpose as the diagnostic log names it ("編集" or "保存").
    const wchar_t* PurposeWord() const;

    std::wstring m_strCode;
    int m_nCodeType;
    BOOL m_bEditMode;
    int m_nCode = -1;

    // Shared by every code dialog of the process; they change only on an accepted OK.
    static std::wstring s_strLastCode;
    static int s_nLastCodeType;
};

#include "app/command_line.h"

#include "glyphstore/char_code.h"

void CMyCommandLineInfo::ParseParam(const wchar_t* pszParam, BOOL /*bFlag*/, BOOL /*bLast*/) {
    if (pszParam == nullptr) return;
    const int value = ParseCodeText(pszParam);
    // Kept in the upper-case form the rest of the program produces: other editors look for
    // this text in our title, and that search is case-sensitive.
    if (IsUnicodeEudcCode(value)) m_strCode = FormatCodeText(value);
}

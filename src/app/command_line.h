// The editor takes at most one thing from its command line: the code of the character
// to open. Anything else (file names, framework switches) is ignored without a word.
#pragma once

#include <string>

#include "framework/command_line_info.h"

class CMyCommandLineInfo : public CCommandLineInfo {
  public:
    // Accepts a parameter that is a Unicode EUDC code (four hexadecimal digits in
    // E000..F8FF); a later accepted parameter replaces an earlier one.
    void ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast) override;

    std::wstring m_strCode;  // the accepted code in upper case, or empty
};

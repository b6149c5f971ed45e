// The framework's command-line parsing, kept free of Windows so that what the program
// accepts on its command line can be tested anywhere. Each argument after the program
// name reaches ParseParam once, with a leading '-' or '/' removed and bFlag set.
#pragma once

#include <string>
#include <vector>

#include "base/kf_types.h"

class CCommandLineInfo {
  public:
    virtual ~CCommandLineInfo() = default;
    virtual void ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast) = 0;
};

// Feeds every argument (the program name excluded) to info.ParseParam.
void ParseCommandLineArgs(CCommandLineInfo& info, const std::vector<std::wstring>& args);

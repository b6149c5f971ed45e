#include "framework/command_line_info.h"

void ParseCommandLineArgs(CCommandLineInfo& info, const std::vector<std::wstring>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const BOOL bFlag = !arg.empty() && (arg[0] == L'-' || arg[0] == L'/');
        const BOOL bLast = i + 1 == args.size();
        info.ParseParam(bFlag ? arg.c_str() + 1 : arg.c_str(), bFlag, bLast);
    }
}

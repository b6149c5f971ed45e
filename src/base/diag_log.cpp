#include "base/diag_log.h"

CLog g_log;

CLog::~CLog() = default;

void CLog::Write(const wchar_t* /*format*/, ...) const {}

void CLog::WriteId(unsigned /*stringId*/) const {}

// The process-wide diagnostic log. The program hands it a line at start-up, at every
// command and around saves, as a record of what is worth tracing; the delivered log is a
// sink, so nothing may depend on it. A diagnostic build can give it a destination here.
#pragma once

class CLog {
  public:
    virtual ~CLog();

    // One line given as a format with its arguments ("...\n"). Writes nothing.
    void Write(const wchar_t* format, ...) const;
    // One line given by a string-resource id. Writes nothing.
    void WriteId(unsigned stringId) const;
};

// Created during static construction, before the application starts, and destroyed after it ends.
extern CLog g_log;

// The process-wide diagnostic log. The program hands it a line at start-up, at every
// command and around saves, as a record of what is worth tracing; by default it is a
// sink, so nothing may depend on it. Given a destination file (the setting "DiagLogFile"),
// it appends every line to that file as UTF-8, so that a save's timeline can be read.
#pragma once

#include <filesystem>

class CLog {
  public:
    virtual ~CLog();

    // One line given as a format with its arguments ("...\n"; %s takes a wide string).
    void Write(const wchar_t* format, ...) const;
    // One line given by a string-resource id.
    void WriteId(unsigned stringId) const;
    // Where lines go from now on; an empty path writes nothing again.
    void SetDestination(const std::filesystem::path& file);
};

// Created during static construction, before the application starts, and destroyed after it ends.
extern CLog g_log;

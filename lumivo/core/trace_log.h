// SPDX-License-Identifier: GPL-2.0-or-later
// The trace log: one line per step of the board commands, appended to
// "trace.log" in the current folder as "YYYY-MM-DD hh:mm:ss text" (UTC) and
// flushed at once, so the log survives a crash. A log that cannot be opened
// is not an error: tracing is then skipped. The GUI program holds one of
// these from start-up to exit; the command-line tool and tests hold their own.
#pragma once

#include "core/clock.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace lumivo {

inline constexpr const char* kTraceFileName = "trace.log";

class CTraceLog {
public:
    explicit CTraceLog(const IClock& clock = SystemClock()) : m_clock(&clock) {}
    ~CTraceLog() { Close(); }
    CTraceLog(const CTraceLog&) = delete;
    CTraceLog& operator=(const CTraceLog&) = delete;

    // Opens for appending; false (and no tracing) when it cannot be opened.
    bool Open(const std::filesystem::path& path = kTraceFileName);
    void Close();
    bool IsOpen() const;

    // Appends one line. A text that ends with its own line break is thus
    // followed by a blank line, as the log has always looked.
    void Trace(std::string_view text);

    // The line as written, without the file (tests, other sinks).
    static std::string FormatLine(const SYSTEMTIME& utc, std::string_view text);

private:
    const IClock* m_clock;
    mutable std::mutex m_lock;
    std::FILE* m_file = nullptr;
};

} // namespace lumivo

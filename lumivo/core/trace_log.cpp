// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/trace_log.h"

namespace lumivo {

bool CTraceLog::Open(const std::filesystem::path& path)
{
    std::lock_guard lk(m_lock);
    if (m_file)
        std::fclose(m_file);
    m_file = std::fopen(path.c_str(), "a+");
    return m_file != nullptr;
}

void CTraceLog::Close()
{
    std::lock_guard lk(m_lock);
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

bool CTraceLog::IsOpen() const
{
    std::lock_guard lk(m_lock);
    return m_file != nullptr;
}

std::string CTraceLog::FormatLine(const SYSTEMTIME& t, std::string_view text)
{
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    std::string line = stamp;
    line += text;
    line += '\n';
    return line;
}

void CTraceLog::Trace(std::string_view text)
{
    std::lock_guard lk(m_lock);
    if (!m_file)
        return;
    const std::string line = FormatLine(m_clock->UtcNow(), text);
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
}

} // namespace lumivo

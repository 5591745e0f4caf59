// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/recovery.h"

#include "core/atomic_file.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace lumivo {

namespace {

constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kInfo = ".info";
constexpr size_t kMaxInfoBytes = 64 * 1024;

// One "key=value" line; a newline inside a value would end it early.
void PutLine(std::string& out, std::string_view key, const std::string& value)
{
    out.append(key).append("=");
    for (char c : value)
        if (c != '\n' && c != '\r')
            out.push_back(c);
    out.push_back('\n');
}

bool ParseInfo(const std::vector<uint8_t>& bytes, RecoveryCopy& copy)
{
    const std::string text(bytes.begin(), bytes.end());
    bool haveTime = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        const std::string value(line.substr(eq + 1));
        if (key == "project")
            copy.project = value;
        else if (key == "title")
            copy.title = value;
        else if (key == "time") {
            char* stop = nullptr;
            copy.savedAt = std::strtoll(value.c_str(), &stop, 10);
            haveTime = stop && *stop == '\0' && !value.empty();
        }
    }
    return haveTime;
}

} // namespace

std::filesystem::path DefaultRecoveryFolder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::filesystem::path(state) / "lumivo";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "state" / "lumivo";
}

CRecoveryStore::CRecoveryStore(std::filesystem::path folder, std::string session)
    : m_folder(std::move(folder)), m_session(std::move(session))
{
}

Result CRecoveryStore::Write(const std::vector<uint8_t>& project, const std::string& projectPath,
                             const std::string& title, int64_t now)
{
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace,
                                 ec);
    const std::string base = std::string(kPrefix) + m_session;
    // The data first: an info without its data is never offered.
    Result r = WriteFileAtomic(m_folder / (base + ".qvndoc"), project);
    if (!r)
        return r;
    std::string info;
    PutLine(info, "project", projectPath);
    PutLine(info, "title", title);
    PutLine(info, "time", std::to_string(now));
    return WriteFileAtomic(m_folder / (base + std::string(kInfo)), std::vector<uint8_t>(info.begin(), info.end()));
}

void CRecoveryStore::Remove() const
{
    const std::string base = std::string(kPrefix) + m_session;
    std::error_code ec;
    // The info first, so a copy half removed is never offered.
    std::filesystem::remove(m_folder / (base + std::string(kInfo)), ec);
    std::filesystem::remove(m_folder / (base + ".qvndoc"), ec);
}

bool CRecoveryStore::HasCopy() const
{
    std::error_code ec;
    return std::filesystem::exists(m_folder / (std::string(kPrefix) + m_session + std::string(kInfo)), ec);
}

std::vector<RecoveryCopy> CRecoveryStore::Others() const
{
    std::vector<RecoveryCopy> copies;
    std::error_code ec;
    const std::string own = std::string(kPrefix) + m_session + std::string(kInfo);
    for (std::filesystem::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == own || name.size() <= kPrefix.size() + kInfo.size() || !name.starts_with(kPrefix) ||
            !name.ends_with(kInfo))
            continue;
        RecoveryCopy copy;
        copy.info = it->path();
        copy.data = it->path();
        copy.data.replace_extension(".qvndoc");
        std::vector<uint8_t> bytes;
        std::error_code dataError;
        if (!std::filesystem::is_regular_file(copy.data, dataError) ||
            !ReadFileLimited(copy.info, kMaxInfoBytes, bytes) || !ParseInfo(bytes, copy))
            continue;
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(),
              [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.savedAt > b.savedAt; });
    return copies;
}

void CRecoveryStore::Discard(const RecoveryCopy& copy)
{
    std::error_code ec;
    std::filesystem::remove(copy.info, ec);
    std::filesystem::remove(copy.data, ec);
}

} // namespace lumivo

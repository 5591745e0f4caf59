// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/companion.h"
#include "core/core_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace lumivo {

namespace {

bool Reserved(const std::string& name)
{
    return name == "format" || name == "version" || name == kScheduleSection;
}

} // namespace

std::filesystem::path CCompanion::PathFor(const std::filesystem::path& project)
{
    std::filesystem::path p = project;
    p.replace_extension(kCompanionExtension);
    return p;
}

void CCompanion::Clear()
{
    m_other = nlohmann::json::object();
    m_schedule = Schedule{};
    m_damaged.clear();
    m_keptAside.clear();
}

bool CCompanion::empty() const { return m_schedule.empty() && m_schedule.timeZone.empty() && m_other.empty(); }

std::string CCompanion::Text() const
{
    nlohmann::json root = m_other;
    root["format"] = kCompanionFormat;
    root["version"] = kCompanionVersion;
    if (!m_schedule.empty() || !m_schedule.timeZone.empty())
        root[kScheduleSection] = ScheduleToJson(m_schedule);
    return root.dump(2) + "\n";
}

Result CCompanion::Parse(const std::string& text, const std::string& name)
{
    nlohmann::json root;
    try {
        root = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& e) {
        // e.what() is "[json.exception.parse_error.101] parse error at line L, column C: ..."
        std::string what = e.what();
        if (auto at = what.find("] "); at != std::string::npos)
            what = what.substr(at + 2);
        return Result::Fail(CoreText("CompanionDamaged", "%s is damaged: %s", {name, what}));
    }
    if (!root.is_object())
        return Result::Fail(CoreText("CompanionDamaged", "%s is damaged: %s", {name, CoreText("NotJsonObject", "it is not a JSON object")}));
    auto format = root.find("format");
    if (format == root.end() || !format->is_string() || *format != kCompanionFormat)
        return Result::Fail(CoreText("CompanionDamaged", "%s is damaged: %s",
                                     {name, CoreText("BadFormatField", "\"format\" is not \"%s\"", {kCompanionFormat})}));
    auto version = root.find("version");
    if (version == root.end() || !version->is_number_integer() || *version < 1)
        return Result::Fail(CoreText("CompanionDamaged", "%s is damaged: %s",
                                     {name, CoreText("BadVersionField", "\"version\" is not a version number")}));
    if (*version > kCompanionVersion)
        return Result::Fail(CoreText("CompanionNewer", "%s was written by a newer Lumivo (version %s); this one reads version %s",
                                     {name, std::to_string(version->get<long long>()), std::to_string(kCompanionVersion)}));
    Schedule schedule;
    if (auto s = root.find(kScheduleSection); s != root.end()) {
        Result r = ScheduleFromJson(*s, schedule);
        if (!r) {
            Result out;
            for (const Message& m : r.messages())
                out.Error(CoreText("CompanionDamaged", "%s is damaged: %s", {name, m.text}));
            return out;
        }
    }
    root.erase("format");
    root.erase("version");
    root.erase(kScheduleSection);
    m_other = std::move(root);
    m_schedule = std::move(schedule);
    return {};
}

Result CCompanion::Read(const std::filesystem::path& project)
{
    Clear();
    const std::filesystem::path path = PathFor(project);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return {};
    std::vector<uint8_t> bytes;
    Result r = ReadFileLimited(path, kMaxCompanionBytes, bytes);
    if (r)
        r = Parse(std::string(bytes.begin(), bytes.end()), path.string());
    if (!r) {
        Clear();
        m_damaged = path;
        r.Error(CoreText("OpensWithoutSchedule",
                         "the project opens without its schedule; the damaged file is kept aside when the project is saved"));
    }
    return r;
}

Result CCompanion::Write(const std::filesystem::path& project, IFileOps* ops)
{
    const std::filesystem::path path = PathFor(project);
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    bool movedNow = false;
    if (!m_damaged.empty() && m_damaged == path && exists) {
        std::filesystem::path aside = path.string() + ".damaged";
        for (int n = 2; std::filesystem::exists(aside, ec) && n < 1000; ++n)
            aside = path.string() + ".damaged-" + std::to_string(n);
        if (std::rename(path.c_str(), aside.c_str()) != 0)
            return Result::Fail(CoreText("CannotKeepAside", "cannot keep the damaged %s aside as %s (%s); it was not overwritten",
                                         {path.string(), aside.string(), std::strerror(errno)}));
        m_keptAside = aside;
        m_damaged.clear();
        movedNow = true;
    } else if (empty() && !exists) {
        return {};
    }
    const std::string text = Text();
    Result r = WriteFileAtomic(path, std::vector<uint8_t>(text.begin(), text.end()), ops);
    if (r && movedNow)
        r.Warn(CoreText("KeptAside", "the damaged companion was kept as %s", {m_keptAside.string()}));
    return r;
}

std::optional<nlohmann::json> CCompanion::Section(const std::string& name) const
{
    if (Reserved(name))
        return std::nullopt;
    auto it = m_other.find(name);
    if (it == m_other.end())
        return std::nullopt;
    return *it;
}

Result CCompanion::SetSection(const std::string& name, nlohmann::json value)
{
    if (Reserved(name) || name.empty())
        return Result::Fail(CoreText("ReservedSection", "\"%s\" is not a companion section of its own", {name}));
    if (value.is_null())
        m_other.erase(name);
    else
        m_other[name] = std::move(value);
    return {};
}

} // namespace lumivo

// SPDX-License-Identifier: GPL-2.0-or-later
// The companion file: what a project needs beyond the .qvndoc format, kept
// beside it as NAME.lumivo.json ("shop.qvndoc" -> "shop.lumivo.json").
// It is one JSON object:
//   {"format": "lumivo-companion", "version": 1,
//    "schedule": {...}, <other sections>...}
// Each top-level key other than "format" and "version" is a section owned
// by one part of the program ("schedule" here, "textImages" for text
// rendered in the user's fonts). Sections this program does not know are
// kept as they were read and written back unchanged.
#pragma once

#include "core/atomic_file.h"
#include "core/result.h"
#include "core/schedule.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>

namespace lumivo {

constexpr int kCompanionVersion = 1;
constexpr const char* kCompanionFormat = "lumivo-companion";
constexpr const char* kCompanionExtension = ".lumivo.json";
constexpr const char* kScheduleSection = "schedule";
// The recipes of user images drawn from text in the computer's fonts.
constexpr const char* kTextImagesSection = "textImages";
// Companions are small; a larger file is refused as damaged.
constexpr size_t kMaxCompanionBytes = 16u * 1024u * 1024u;

class CCompanion {
public:
    // The companion of a project file.
    static std::filesystem::path PathFor(const std::filesystem::path& project);

    // Reads the companion of `project`. A missing file is an empty companion
    // (no schedule). A damaged one (unreadable, not JSON, a wrong format or
    // version, a schedule that does not pass its checks) fails with what is
    // wrong and where (line and column, or the key); the companion is then
    // empty and remembers the damage, so that Write moves the damaged file
    // aside instead of overwriting it.
    Result Read(const std::filesystem::path& project);
    // Writes the companion of `project` atomically. Nothing is written when
    // the companion is empty and no companion file exists there (a project
    // without a schedule gets no companion). A damaged file read before is
    // first renamed to NAME.lumivo.json.damaged (or .damaged-2, ...).
    Result Write(const std::filesystem::path& project, IFileOps* ops = nullptr);
    // Forgets everything (a new project).
    void Clear();

    bool empty() const;
    // The file as it would be written.
    std::string Text() const;
    // Reads the companion from text (what Read does after reading the file);
    // `name` goes in the messages.
    Result Parse(const std::string& text, const std::string& name);

    // ---- Sections.
    const Schedule& GetSchedule() const { return m_schedule; }
    Schedule& MutableSchedule() { return m_schedule; }
    void SetSchedule(Schedule schedule) { m_schedule = std::move(schedule); }
    // Any other top-level section by name; nullopt when absent. "schedule",
    // "format" and "version" are not sections of this interface.
    std::optional<nlohmann::json> Section(const std::string& name) const;
    // Sets a section; a null value removes it. Refused for the reserved names.
    Result SetSection(const std::string& name, nlohmann::json value);

    // Where the damaged file read last was put, empty when none was.
    const std::filesystem::path& KeptAside() const { return m_keptAside; }

private:
    nlohmann::json m_other = nlohmann::json::object(); // sections other than the schedule
    Schedule m_schedule;
    std::filesystem::path m_damaged; // the damaged file read, to move aside before writing
    std::filesystem::path m_keptAside;
};

} // namespace lumivo

// SPDX-License-Identifier: GPL-2.0-or-later
// Recovery copies of unsaved projects: each running program keeps at most
// one, under a session name of its own, in the user's state folder, never
// beside or over the project. A copy left by a program that did not end
// cleanly is what the next start offers to recover.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lumivo {

struct RecoveryCopy {
    std::filesystem::path data; // the project bytes, a .qvndoc file
    std::filesystem::path info; // what the copy is of and when it was made
    std::string project;        // the project's own path; empty when it had none
    std::string title;          // the name the window showed
    int64_t savedAt = 0;        // seconds since 1970 (UTC)
};

// $XDG_STATE_HOME/lumivo, else ~/.local/state/lumivo.
std::filesystem::path DefaultRecoveryFolder();

class CRecoveryStore {
public:
    // session: a name no other running program uses (the process id and
    // its start time).
    CRecoveryStore(std::filesystem::path folder, std::string session);

    // Writes this session's copy, each file atomically; the folder is made
    // (private to the user) when missing.
    Result Write(const std::vector<uint8_t>& project, const std::string& projectPath, const std::string& title,
                 int64_t now);
    // Removes this session's copy (a clean save or close).
    void Remove() const;
    bool HasCopy() const;
    const std::filesystem::path& Folder() const { return m_folder; }

    // The copies of other sessions, newest first. Damaged or half-written
    // ones (no data beside the info) are left out.
    std::vector<RecoveryCopy> Others() const;
    static void Discard(const RecoveryCopy& copy);

private:
    std::filesystem::path m_folder;
    std::string m_session;
};

} // namespace lumivo

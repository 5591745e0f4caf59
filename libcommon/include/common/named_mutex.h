// SPDX-License-Identifier: BSD-2-Clause
// A lock known by its name, like a desktop named mutex:
//  - the thread that holds it may take it again (it is freed after as many
//    unlocks as locks);
//  - every NamedMutex of the same name in the process is the same lock;
//  - processes of the same user share it through a lock file held with
//    flock(), which the kernel releases when a process ends, so a crashed
//    process never leaves the lock held.
// Lock files live in $LUMIVO_LOCK_DIR when set, else $XDG_RUNTIME_DIR/lumivo,
// else /tmp/lumivo-<uid> (made 0700 and checked to be ours). When no lock
// file can be made the lock still works inside the process.
// Usable with std::lock_guard / std::unique_lock.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace common {

class NamedMutex {
public:
    explicit NamedMutex(std::string_view name);
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    ~NamedMutex(); // a held lock stays held by its thread, as with the desktop

    void lock(); // waits without limit
    bool try_lock();
    bool try_lock_for(std::chrono::milliseconds timeout);
    void unlock(); // by a thread that does not hold it: nothing

    const std::string& name() const { return m_name; }
    // Whether another process can see this lock (its lock file is open).
    bool sharedAcrossProcesses() const;
    // The lock file used for a name.
    static std::filesystem::path LockFilePath(std::string_view name);
    // From now on this process makes no lock files: its named locks exclude
    // its own threads only. For a process whose engine shares nothing with
    // others (a service beside each of many boards), so that its renders
    // neither wait for nor hold up another process's. Call it before the
    // first NamedMutex is made.
    static void KeepInProcess();

    struct State;

private:
    // The process's state of this name, looked up once per process.
    State& Shared() const;

    std::string m_name;
    mutable State* m_state = nullptr;
    mutable unsigned m_forks = 0; // the process's fork count m_state belongs to
};

} // namespace common

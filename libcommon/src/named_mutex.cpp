// SPDX-License-Identifier: BSD-2-Clause
#include "common/named_mutex.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace common {

// One per name and process: the in-process owner and depth, and the lock
// file whose flock() excludes other processes while a thread here holds it.
struct NamedMutex::State {
    std::string name;
    std::mutex m;
    std::condition_variable freed;
    std::thread::id owner;
    unsigned depth = 0;
    int fd = -1;
};

namespace {

// The registry is per process: a child made by fork() must not inherit the
// parent's owners or share its open lock files (flock belongs to the open
// file, which fork shares), so a child starts a registry of its own.
struct Registry {
    pid_t pid = 0;
    std::mutex m;
    std::map<std::string, std::unique_ptr<NamedMutex::State>, std::less<>> states;
};

std::mutex g_registryLock;
Registry* g_registry = nullptr;
std::atomic<bool> g_inProcess{false};

// Counted up in every child fork() makes: a handle looks its state up again
// when the count moved, without asking the kernel for the pid at every lock.
std::atomic<unsigned> g_forks{0};

void CountFork() { g_forks.fetch_add(1, std::memory_order_relaxed); }

void WatchForks()
{
    static const bool watched = (::pthread_atfork(nullptr, nullptr, CountFork), true);
    (void)watched;
}

Registry& CurrentRegistry()
{
    std::lock_guard lock(g_registryLock);
    if (!g_registry || g_registry->pid != ::getpid()) {
        // The parent's registry is left alone in a child: its mutexes may
        // have been held by threads that do not exist here.
        g_registry = new Registry;
        g_registry->pid = ::getpid();
    }
    return *g_registry;
}

fs::path PrivateDir(const fs::path& dir)
{
    ::mkdir(dir.c_str(), 0700);
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()
        || (st.st_mode & 0077) != 0)
        return {};
    return dir;
}

fs::path LockDir()
{
    if (const char* dir = std::getenv("LUMIVO_LOCK_DIR"); dir && *dir) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        return dir;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const fs::path dir = PrivateDir(fs::path(runtime) / "lumivo");
        if (!dir.empty())
            return dir;
    }
    return PrivateDir(fs::path("/tmp") / ("lumivo-" + std::to_string(::getuid())));
}

// Any name maps to a safe file name: letters, digits, "-" and "_" stay,
// every other byte becomes "%XX".
std::string FileNameFor(std::string_view name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                           || c == '-' || c == '_';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out + ".lock";
}

int OpenLockFile(const std::string& name)
{
    if (g_inProcess.load())
        return -1;
    const fs::path file = NamedMutex::LockFilePath(name);
    return file.empty() ? -1 : ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

NamedMutex::State& StateFor(const std::string& name)
{
    Registry& registry = CurrentRegistry();
    std::lock_guard lock(registry.m);
    auto it = registry.states.find(name);
    if (it == registry.states.end()) {
        auto state = std::make_unique<NamedMutex::State>();
        state->name = name;
        state->fd = OpenLockFile(name);
        it = registry.states.emplace(name, std::move(state)).first;
    }
    return *it->second;
}

// Whether the locked file is still the one the name leads to. Someone may
// have removed it (a /tmp cleaner) or put another file in its place: a
// process opening the name now would get a new file and not see our lock.
// Either leaves the held file without a name (no links), which one fstat
// tells without resolving the folder again.
bool StillTheNamedFile(int fd)
{
    struct stat held {};
    return ::fstat(fd, &held) == 0 && held.st_nlink > 0;
}

// The cross-process part, taken by the in-process owner only.
bool LockFile(NamedMutex::State& s, const std::chrono::steady_clock::time_point* deadline)
{
    while (s.fd >= 0) {
        int rc;
        while ((rc = ::flock(s.fd, deadline ? LOCK_EX | LOCK_NB : LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (rc != 0 && errno != EWOULDBLOCK)
            return true; // the file cannot be locked: the process lock still holds
        if (rc == 0) {
            if (StillTheNamedFile(s.fd))
                return true;
            ::flock(s.fd, LOCK_UN);
            ::close(s.fd);
            s.fd = OpenLockFile(s.name);
            continue;
        }
        if (std::chrono::steady_clock::now() >= *deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Takes the in-process part and then the file lock; deadline empty = no limit.
bool Acquire(NamedMutex::State& s, const std::chrono::steady_clock::time_point* deadline)
{
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(s.m);
    if (s.owner == me) {
        ++s.depth;
        return true;
    }
    while (s.owner != std::thread::id()) {
        if (!deadline) {
            s.freed.wait(lock);
        } else if (s.freed.wait_until(lock, *deadline) == std::cv_status::timeout
                   && s.owner != std::thread::id()) {
            return false;
        }
    }
    s.owner = me;
    s.depth = 1;
    lock.unlock();
    // Only the owning thread reaches here, so the file lock is taken by at
    // most one thread of this process at a time.
    const bool got = LockFile(s, deadline);
    if (!got) {
        lock.lock();
        s.owner = std::thread::id();
        s.depth = 0;
        lock.unlock();
        s.freed.notify_one();
    }
    return got;
}

} // namespace

NamedMutex::NamedMutex(std::string_view name) : m_name(name)
{
    WatchForks();
    Shared(); // create (or open) the lock now, as the desktop call does
}

NamedMutex::~NamedMutex() = default;

NamedMutex::State& NamedMutex::Shared() const
{
    // A child made by fork() looks its name up again in a registry of its own.
    const unsigned forks = g_forks.load(std::memory_order_relaxed);
    if (!m_state || m_forks != forks) {
        m_state = &StateFor(m_name);
        m_forks = forks;
    }
    return *m_state;
}

void NamedMutex::lock()
{
    Acquire(Shared(), nullptr);
}

bool NamedMutex::try_lock()
{
    const auto now = std::chrono::steady_clock::now();
    return Acquire(Shared(), &now);
}

bool NamedMutex::try_lock_for(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    return Acquire(Shared(), &deadline);
}

void NamedMutex::unlock()
{
    State& s = Shared();
    std::unique_lock lock(s.m);
    if (s.owner != std::this_thread::get_id() || s.depth == 0)
        return;
    if (--s.depth != 0)
        return;
    if (s.fd >= 0)
        ::flock(s.fd, LOCK_UN);
    s.owner = std::thread::id();
    lock.unlock();
    s.freed.notify_one();
}

void NamedMutex::KeepInProcess() { g_inProcess = true; }

bool NamedMutex::sharedAcrossProcesses() const
{
    return Shared().fd >= 0;
}

fs::path NamedMutex::LockFilePath(std::string_view name)
{
    const fs::path dir = LockDir();
    return dir.empty() ? fs::path() : dir / FileNameFor(name);
}

} // namespace common

// SPDX-License-Identifier: BSD-2-Clause
#include "common/named_mutex.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using common::NamedMutex;
using namespace std::chrono_literals;

namespace {

// Test runs of other builds may share the lock folder: keep names apart,
// and take the lock files away after the test.
struct UniqueName {
    explicit UniqueName(const char* base)
        : name(std::string(base) + "-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial))
    {
    }
    static inline int serial = 0;
    ~UniqueName() { std::filesystem::remove(NamedMutex::LockFilePath(name)); }
    operator std::string_view() const { return name; }
    std::string name;
};

// Whether another thread can take the lock now (it gives it back at once).
bool FreeForAnotherThread(NamedMutex& lock)
{
    bool got = false;
    std::thread other([&] {
        got = lock.try_lock();
        if (got)
            lock.unlock();
    });
    other.join();
    return got;
}

} // namespace

TEST(NamedMutex, RecursiveForTheOwnerAndSharedByName)
{
    const UniqueName name("EffectMutex");
    NamedMutex first(name);
    NamedMutex second(name); // another handle to the same lock
    first.lock();
    second.lock(); // the owning thread may take it again
    bool waited = true;
    std::thread other([&] { waited = first.try_lock_for(20ms); });
    other.join();
    EXPECT_FALSE(waited);
    EXPECT_FALSE(FreeForAnotherThread(second));
    first.unlock();
    EXPECT_FALSE(FreeForAnotherThread(first)) << "one unlock of two locks must not free it";
    second.unlock();
    EXPECT_TRUE(FreeForAnotherThread(first));
    // A lock of another name is independent.
    const UniqueName otherName("LumivoViewerMutex");
    NamedMutex unrelated(otherName);
    std::lock_guard hold(first);
    EXPECT_TRUE(FreeForAnotherThread(unrelated));
}

TEST(NamedMutex, ExcludesBetweenThreads)
{
    const UniqueName name("counter");
    NamedMutex lock(name);
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 2000; ++i) {
            std::lock_guard guard(lock);
            std::lock_guard again(lock);
            const long seen = counter;
            if (i % 500 == 0)
                std::this_thread::yield();
            counter = seen + 1;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 4000);
}

TEST(NamedMutex, ExcludesBetweenProcessesAndDiesWithItsHolder)
{
    const UniqueName name("LumivoViewerMutex");
    NamedMutex lock(name);
    ASSERT_TRUE(lock.sharedAcrossProcesses()) << NamedMutex::LockFilePath(name);
    // A lock file removed behind our back (a /tmp cleaner) is made again.
    lock.lock();
    lock.unlock();
    std::filesystem::remove(NamedMutex::LockFilePath(name));
    int toParent[2];
    ASSERT_EQ(::pipe(toParent), 0);
    lock.lock();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child: the parent holds the lock, so it cannot be taken now;
        // then wait for it, hold it and end without unlocking.
        NamedMutex mine(name);
        char report = mine.try_lock() ? 'X' : 'T';
        (void)!::write(toParent[1], &report, 1);
        mine.lock();
        report = 'L';
        (void)!::write(toParent[1], &report, 1);
        ::usleep(100 * 1000);
        ::_exit(0);
    }
    char report = 0;
    ASSERT_EQ(::read(toParent[0], &report, 1), 1);
    EXPECT_EQ(report, 'T') << "the child took a lock the parent holds";
    lock.unlock();
    ASSERT_EQ(::read(toParent[0], &report, 1), 1);
    EXPECT_EQ(report, 'L');
    // The child holds it now.
    EXPECT_FALSE(lock.try_lock());
    // It ends while holding the lock: the lock must come free.
    EXPECT_TRUE(lock.try_lock_for(10s));
    lock.unlock();
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(toParent[0]);
    ::close(toParent[1]);
}

TEST(NamedMutex, KeptInProcessItNeitherWaitsForNorHoldsUpAnotherProcess)
{
    const UniqueName name("EffectMutex");
    NamedMutex lock(name);
    ASSERT_TRUE(lock.sharedAcrossProcesses());
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    lock.lock();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The inherited handle and a new one are both this process's own now.
        NamedMutex::KeepInProcess();
        NamedMutex mine(name);
        const bool own = !mine.sharedAcrossProcesses() && !lock.sharedAcrossProcesses();
        char report = own && mine.try_lock() ? 'L' : 'W';
        (void)!::write(toParent[1], &report, 1);
        (void)!::read(toChild[0], &report, 1); // held until the parent looked
        ::_exit(0);
    }
    char report = 0;
    ASSERT_EQ(::read(toParent[0], &report, 1), 1);
    EXPECT_EQ(report, 'L') << "the child waited for the parent's lock";
    lock.unlock();
    // The child still holds its own: the parent's is free.
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
    (void)!::write(toChild[1], &report, 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        ::close(fd);
}

TEST(NamedMutex, NamesBecomeSafeFileNames)
{
    const auto path = NamedMutex::LockFilePath("../a b/Mutex");
    EXPECT_EQ(path.filename().string(), "%2E%2E%2Fa%20b%2FMutex.lock");
}

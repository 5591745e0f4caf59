// SPDX-License-Identifier: BSD-2-Clause
// Shared pieces of the link tests: an in-memory profile, a bare
// pseudo-terminal whose far end the test drives itself, and polling helpers.
#pragma once

#include <common/profile.h>
#include <serio/serio.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace serio_test {

using Clock = std::chrono::steady_clock;

inline long MsSince(Clock::time_point t)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// Polls pred until it holds or timeoutMs passed; returns the last value.
// The default is only a safety net for a state that never comes: a loaded
// machine or the sanitizers may take seconds to bring one that does.
inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 30000)
{
    const auto start = Clock::now();
    while (!pred()) {
        if (MsSince(start) > timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Installs a fresh in-memory profile for the test's lifetime.
class ScopedProfile {
public:
    ScopedProfile() { common::SetAppProfile(&profile); }
    ~ScopedProfile() { common::SetAppProfile(nullptr); }
    common::CMemoryProfile profile;
};

// A pseudo-terminal: the test writes and reads the master, the code under
// test opens path.
class PtyPair {
public:
    PtyPair()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        EXPECT_GE(master, 0);
        char name[128] = {};
        EXPECT_EQ(0, ::grantpt(master));
        EXPECT_EQ(0, ::unlockpt(master));
        EXPECT_EQ(0, ::ptsname_r(master, name, sizeof name));
        path = name;
    }
    ~PtyPair() { CloseMaster(); }
    void CloseMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    void Send(const std::vector<BYTE>& bytes) const
    {
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(master, bytes.data(), bytes.size()));
    }
    // Reads what arrives until count bytes or timeoutMs (a safety net).
    std::vector<BYTE> Receive(size_t count, int timeoutMs = 30000) const
    {
        std::vector<BYTE> out;
        const auto start = Clock::now();
        while (out.size() < count && MsSince(start) < timeoutMs) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                BYTE buf[4096];
                const ssize_t n = ::read(master, buf, std::min(sizeof buf, count - out.size()));
                if (n > 0)
                    out.insert(out.end(), buf, buf + n);
            }
        }
        return out;
    }

    int master = -1;
    std::string path;
};

} // namespace serio_test

// SPDX-License-Identifier: BSD-2-Clause
#include "common/mmtimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class Listener : public CMMTimerListener {
public:
    explicit Listener(std::function<void(CMMTimer&)> body = {}) : m_body(std::move(body)) {}
    void OnMMTimer(CMMTimer& timer) override
    {
        ++calls;
        if (m_body)
            m_body(timer);
    }
    std::atomic<int> calls{0};

private:
    std::function<void(CMMTimer&)> m_body;
};

// Lets a test set the elapsed total directly.
class TestTimer : public CMMTimer {
public:
    void SetTotal(uint32_t ms) { m_nTotalMilliseconds = ms; }
};

// Waits (up to a generous limit) until the condition holds.
template <class F>
bool WaitFor(F condition, std::chrono::milliseconds limit = 10s)
{
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

TEST(MMTimer, StartStopAndRange)
{
    TIMECAPS caps {};
    CMMTimer::GetDevCaps(&caps);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(caps.wPeriodMax, 1000000u);
    CMMTimer timer;
    EXPECT_FALSE(timer.Start(0, 1));
    EXPECT_FALSE(timer.Start(1000001, 1));
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(timer.GetTimerID(), 0u);
    ASSERT_TRUE(timer.Start(1000000, 1)); // longest period: Stop must not wait for it
    const unsigned id = timer.GetTimerID();
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(timer.Start(5, 1)); // already running: keeps its first period
    EXPECT_EQ(timer.GetPeriod(), 1000000u);
    EXPECT_EQ(timer.GetTimerID(), id);
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    timer.Stop();
    ASSERT_TRUE(timer.Start(2, 1));
    EXPECT_NE(timer.GetTimerID(), id);
    ASSERT_TRUE(WaitFor([&] { return timer.GetCount() >= 3; }));
    timer.Stop();
    // No expiry starts once Stop has returned.
    const unsigned long count = timer.GetCount();
    EXPECT_EQ(timer.GetTotalMilliseconds(), count * 2);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(timer.GetCount(), count);
    // Count and total carry on from where they were.
    ASSERT_TRUE(timer.Start(1, 1));
    ASSERT_TRUE(WaitFor([&] { return timer.GetCount() > count; }));
}

TEST(MMTimer, ElapsedTimeParts)
{
    TestTimer t;
    t.SetTotal(3661001);
    EXPECT_EQ(t.GetCurrentHours(), 1u);
    EXPECT_EQ(t.GetCurrentMinutes(), 1u);
    EXPECT_EQ(t.GetCurrentSeconds(), 1u);
    EXPECT_EQ(t.GetCurrentMilliseconds(), 1u);
    EXPECT_EQ(t.GetTotalSeconds(), 3661u);
    EXPECT_EQ(t.GetTotalMinutes(), 61u);
    t.SetTotal(25u * 3600000u);
    EXPECT_EQ(t.GetCurrentHours(), 1u);
    EXPECT_EQ(t.GetTotalHours(), 25u);
}

TEST(MMTimer, ListenersAttachDetachAndReset)
{
    CMMTimer timer;
    Listener twice, once;
    timer.AttachListener(twice);
    timer.AttachListener(once);
    timer.AttachListener(twice);
    timer.NotifyListeners();
    EXPECT_EQ(twice.calls, 2);
    EXPECT_EQ(once.calls, 1);
    // Reset zeroes the counters and calls every entry once, stopped or not.
    ASSERT_TRUE(timer.Start(1, 1));
    ASSERT_TRUE(WaitFor([&] { return timer.GetCount() >= 2; }));
    timer.Stop();
    // An expiry begun before Stop may still be calling its listeners; every
    // counted expiry calls them, so wait until all of those calls are made.
    const int expiries = static_cast<int>(timer.GetCount());
    ASSERT_TRUE(WaitFor([&] { return once.calls == 1 + expiries && twice.calls == 2 * (1 + expiries); }));
    const int before = once.calls;
    timer.Reset();
    EXPECT_EQ(timer.GetCount(), 0u);
    EXPECT_EQ(timer.GetTotalMilliseconds(), 0u);
    EXPECT_EQ(once.calls, before + 1);
    EXPECT_EQ(twice.calls, 2 * once.calls) << "an entry listed twice is called twice per expiry";
    // One detach removes every entry of that listener.
    timer.DetachListener(twice);
    const int twiceBefore = twice.calls;
    timer.NotifyListeners();
    EXPECT_EQ(twice.calls, twiceBefore);
    EXPECT_EQ(once.calls, before + 2);
}

TEST(MMTimer, StopFromInsideAListener)
{
    CMMTimer timer;
    Listener stopper([](CMMTimer& t) {
        if (t.GetCount() == 3)
            t.Stop();
    });
    timer.AttachListener(stopper);
    ASSERT_TRUE(timer.Start(1, 1));
    ASSERT_TRUE(WaitFor([&] { return !timer.IsRunning(); }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(timer.GetCount(), 3u);
    EXPECT_EQ(stopper.calls, 3);
    // It starts again, and its listeners may attach others on the way.
    Listener added;
    Listener attacher([&](CMMTimer& t) {
        if (t.GetCount() == 5)
            t.AttachListener(added);
    });
    timer.AttachListener(attacher);
    ASSERT_TRUE(timer.Start(1, 1));
    ASSERT_TRUE(WaitFor([&] { return added.calls > 0; }));
    timer.Stop();
}

TEST(MMTimer, DestroyedFromInsideAListener)
{
    // The listener that ends the timer returns into a timer that is gone:
    // the listeners after it in that expiry are not called, and nothing
    // waits for the thread it runs on.
    std::atomic<bool> destroyed{false};
    std::atomic<int> callsAfter{0};
    auto* timer = new CMMTimer;
    Listener destroyer([&](CMMTimer& t) {
        if (t.GetCount() == 3) {
            destroyed = true;
            delete &t;
        }
    });
    Listener after([&](CMMTimer&) { callsAfter += destroyed ? 1 : 0; });
    timer->AttachListener(destroyer);
    timer->AttachListener(after);
    ASSERT_TRUE(timer->Start(1, 1));
    ASSERT_TRUE(WaitFor([&] { return destroyed.load(); }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(destroyer.calls, 3);
    EXPECT_EQ(callsAfter, 0);

    // The same from a call on another thread while the timer's own thread
    // waits to call the listeners: destroying it must not wait for that
    // thread, which waits for the call to end.
    destroyed = false;
    std::atomic<bool> done{false};
    std::thread caller([&] {
        const auto me = std::this_thread::get_id();
        auto* running = new CMMTimer;
        Listener slowDestroyer([&](CMMTimer& t) {
            if (std::this_thread::get_id() != me)
                return;
            std::this_thread::sleep_for(10ms); // the next expiry comes meanwhile
            destroyed = true;
            delete &t;
        });
        running->AttachListener(slowDestroyer);
        running->AttachListener(after);
        if (running->Start(1, 1) && WaitFor([&] { return running->GetCount() > 0; }))
            running->NotifyListeners();
        done = true;
    });
    const bool finished = WaitFor([&] { return done.load(); }, 5s);
    if (finished)
        caller.join();
    else
        caller.detach(); // stuck for good: report it rather than hang
    ASSERT_TRUE(finished) << "destroying the timer waited for its own thread";
    EXPECT_EQ(callsAfter, 0);
}

TEST(MMTimer, StopWhileAListenerWaitsForTheCaller)
{
    // The preview stops its timer while holding the lock its listener takes.
    std::mutex shared;
    std::atomic<bool> entered{false};
    CMMTimer timer;
    Listener locker([&](CMMTimer&) {
        entered = true;
        std::lock_guard hold(shared);
    });
    timer.AttachListener(locker);
    std::unique_lock hold(shared);
    ASSERT_TRUE(timer.Start(1, 1));
    ASSERT_TRUE(WaitFor([&] { return entered.load(); }));
    timer.Stop(); // must return although the listener is blocked on our lock
    EXPECT_FALSE(timer.IsRunning());
    hold.unlock();
    const int calls = locker.calls;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(locker.calls, calls);
}

TEST(MMTimer, PeriodHoldsOverTwoSecondsWithoutDrift)
{
    // Each call takes 1 ms; a timer that slept relative to its last call
    // would stretch every 5 ms period to 6 ms. The period is measured from
    // the timer's own count against the monotonic clock: the expiry k of a
    // drift-free timer started at t0 is due at t0 + 5k ms and runs late by
    // the scheduler's delay only, so the smallest (t_k - t0) / k over the
    // second half of the run is the period plus at most one late wake-up
    // spread over a whole second.
    CMMTimer timer;
    std::vector<std::pair<unsigned long, Clock::time_point>> expiries;
    expiries.reserve(1000);
    std::mutex lock;
    Listener recorder([&](CMMTimer& t) {
        {
            std::lock_guard guard(lock);
            expiries.emplace_back(t.GetCount(), Clock::now());
        }
        std::this_thread::sleep_for(1ms);
    });
    timer.AttachListener(recorder);
    const auto t0 = Clock::now();
    ASSERT_TRUE(timer.Start(5, 1));
    std::this_thread::sleep_for(2s);
    timer.Stop();
    std::lock_guard guard(lock);
    ASSERT_GT(expiries.size(), 100u) << "the machine gave the timer almost no time";
    double best = 1e9;
    for (std::size_t i = expiries.size() / 2; i < expiries.size(); ++i) {
        const double ms = std::chrono::duration<double, std::milli>(expiries[i].second - t0).count();
        best = std::min(best, ms / static_cast<double>(expiries[i].first));
    }
    EXPECT_NEAR(best, 5.0, 5.0 * 0.02);
}

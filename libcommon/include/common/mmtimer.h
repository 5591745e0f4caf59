// SPDX-License-Identifier: BSD-2-Clause
// A periodic high-resolution timer. Each period ends at an absolute deadline
// on the monotonic clock, so the periods do not drift by the time the
// listeners take: 1,000 periods of 5 ms take 5 s. Listeners are called on
// the timer's own thread, never on the thread that started it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CMMTimer;

class CMMTimerListener {
public:
    CMMTimerListener() = default;
    CMMTimerListener(const CMMTimerListener&) {}
    CMMTimerListener& operator=(const CMMTimerListener&) { return *this; }
    virtual ~CMMTimerListener() = default;
    virtual void OnMMTimer(CMMTimer& timer) = 0;
};

// The timer service's capabilities: the shortest and longest period, in ms.
struct TIMECAPS {
    uint32_t wPeriodMin;
    uint32_t wPeriodMax;
};
static_assert(sizeof(TIMECAPS) == 8);

class CMMTimer {
public:
    CMMTimer();
    CMMTimer(const CMMTimer&) = delete;
    CMMTimer& operator=(const CMMTimer&) = delete;
    // Stops the timer and waits for a listener call still in progress on
    // another thread (the listeners use this object), so do not destroy it
    // while holding a lock that a listener takes. Destroying it from inside
    // one of its listeners is safe: the listeners after that one are not
    // called, and its thread ends by itself.
    virtual ~CMMTimer();

    // Already running: true, nothing else. A delay outside GetDevCaps' range
    // fails (false, still stopped). The resolution is accepted and not
    // needed: deadlines are met as closely as the system allows.
    bool Start(unsigned delay, unsigned resolution);
    // No expiry starts after Stop returns; listener calls of an expiry that
    // had already started may still be finishing on the timer's thread (so a
    // listener waiting for a lock that the caller of Stop holds does not
    // deadlock it). Safe to call from inside a listener.
    void Stop();
    void Reset();
    void AttachListener(CMMTimerListener& listener);
    void DetachListener(CMMTimerListener& listener);
    void NotifyListeners();

    bool IsRunning() const { return m_bRunning.load(); }
    unsigned GetTimerID() const { return m_nTimerID.load(); }
    unsigned long GetCount() const { return m_nCount.load(); }
    unsigned long GetTotalMilliseconds() const { return m_nTotalMilliseconds.load(); }
    unsigned long GetTotalSeconds() const { return GetTotalMilliseconds() / 1000; }
    unsigned long GetTotalMinutes() const { return GetTotalMilliseconds() / 60000; }
    unsigned long GetTotalHours() const { return GetTotalMilliseconds() / 3600000; }
    unsigned long GetCurrentMilliseconds() const { return GetTotalMilliseconds() % 1000; }
    unsigned long GetCurrentSeconds() const { return (GetTotalMilliseconds() / 1000) % 60; }
    unsigned long GetCurrentMinutes() const { return (GetTotalMilliseconds() / 60000) % 60; }
    unsigned long GetCurrentHours() const { return (GetTotalMilliseconds() / 3600000) % 24; }
    unsigned GetPeriod() const { return m_nPeriod.load(); }

    static void GetDevCaps(TIMECAPS* caps);

protected:
    std::atomic<uint32_t> m_nPeriod{0};
    std::atomic<uint32_t> m_nTotalMilliseconds{0};
    std::atomic<uint32_t> m_nCount{0};

private:
    struct Run;
    struct Listeners;
    void ThreadMain(std::shared_ptr<Run> run, std::shared_ptr<Listeners> listeners);
    void ReapFinishedThreads(bool all);
    static void Notify(std::shared_ptr<Listeners> listeners, CMMTimer& timer);

    std::atomic<bool> m_bRunning{false};
    std::atomic<unsigned> m_nTimerID{0};
    // Shared with the timer's threads, so that a listener may destroy the
    // timer: what runs after it still finds the list and its lock.
    std::shared_ptr<Listeners> m_listeners;

    std::mutex m_runLock; // guards the runs below
    std::shared_ptr<Run> m_run;
    std::vector<std::pair<std::thread, std::shared_ptr<Run>>> m_threads;
};

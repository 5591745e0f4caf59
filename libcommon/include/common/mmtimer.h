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
    // Stops the timer and waits for a listener call still in progress (the
    // listeners use this object), so do not destroy it while holding a lock
    // that a listener takes.
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
    void ThreadMain(std::shared_ptr<Run> run);
    void ReapFinishedThreads(bool all);

    std::atomic<bool> m_bRunning{false};
    std::atomic<unsigned> m_nTimerID{0};
    std::vector<CMMTimerListener*> m_lstListeners; // attachment order, repeats allowed
    std::recursive_mutex m_lock;                   // guards the listener list

    std::mutex m_runLock; // guards the runs below and the start of each expiry
    std::shared_ptr<Run> m_run;
    std::vector<std::pair<std::thread, std::shared_ptr<Run>>> m_threads;
};

// SPDX-License-Identifier: BSD-2-Clause
#include "common/mmtimer.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace {

constexpr uint32_t kPeriodMin = 1;
constexpr uint32_t kPeriodMax = 1000000;
// A sleep is cut into slices so that Stop of a long period need not wait for it.
constexpr long long kSliceNs = 20'000'000;
// When the thread falls this far behind (a stopped debugger, an overloaded
// machine), it starts afresh from now instead of firing a burst of catch-up
// expiries.
constexpr long long kMaxLagNs = 1'000'000'000;

std::atomic<unsigned> g_nextTimerId{1};
// Listener calls in progress on this thread (of any timer).
thread_local int t_notifyDepth = 0;

long long NowNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void SleepUntilNs(long long deadline)
{
    timespec ts {};
    ts.tv_sec = static_cast<time_t>(deadline / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(deadline % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

} // namespace

struct CMMTimer::Run {
    uint32_t period = 0;
    long long start = 0;
    // Held while an expiry starts (the stop check and the counters), so
    // that once Stop has set stop under it the thread no longer touches the
    // timer.
    std::mutex expiry;
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
};

struct CMMTimer::Listeners {
    std::recursive_mutex lock;            // serialises calls, attaches and detaches
    std::vector<CMMTimerListener*> list; // attachment order, repeats allowed
    bool destroyed = false;               // the timer is gone: call nobody any more
};

CMMTimer::CMMTimer() : m_listeners(std::make_shared<Listeners>()) {}

CMMTimer::~CMMTimer()
{
    Stop();
    {
        // Waits for a call in progress on another thread; from inside a
        // listener (the lock is recursive) it only marks the end.
        std::lock_guard lock(m_listeners->lock);
        m_listeners->destroyed = true;
    }
    // Inside a listener call, a thread of this timer may be waiting for
    // the lock that call holds: joining it would never end. The threads no
    // longer touch the timer, so they may end by themselves.
    ReapFinishedThreads(t_notifyDepth == 0);
    for (auto& [thread, run] : m_threads)
        thread.detach();
}

void CMMTimer::GetDevCaps(TIMECAPS* caps)
{
    if (caps) {
        caps->wPeriodMin = kPeriodMin;
        caps->wPeriodMax = kPeriodMax;
    }
}

bool CMMTimer::Start(unsigned delay, unsigned resolution)
{
    std::lock_guard lock(m_runLock);
    if (m_bRunning)
        return true;
    if (delay < kPeriodMin || delay > kPeriodMax)
        return false;
    ReapFinishedThreads(false);
    auto run = std::make_shared<Run>();
    run->period = delay;
    run->start = NowNs();
    try {
        std::thread thread(&CMMTimer::ThreadMain, this, run, m_listeners);
        m_threads.emplace_back(std::move(thread), run);
    } catch (const std::system_error&) {
        return false; // no thread to be had: the timer stays stopped
    }
    m_run = run;
    m_nPeriod = delay;
    m_nTimerID = g_nextTimerId++;
    m_bRunning = true;
    return true;
}

void CMMTimer::Stop()
{
    std::lock_guard lock(m_runLock);
    if (!m_bRunning)
        return;
    // Expiries are started under the run's expiry lock, so once the flag is
    // set here no further one can begin. Waiting for the thread itself
    // happens later (next Start or the destructor): it may be inside a
    // listener that waits for something our caller holds, or it may be our
    // caller.
    {
        std::lock_guard expiry(m_run->expiry);
        m_run->stop = true;
    }
    m_run.reset();
    m_bRunning = false;
}

void CMMTimer::ReapFinishedThreads(bool all)
{
    // Called with m_runLock held (Start) or from the destructor.
    for (auto it = m_threads.begin(); it != m_threads.end();) {
        if (!all && !it->second->finished) {
            ++it;
            continue;
        }
        if (it->first.get_id() == std::this_thread::get_id())
            it->first.detach(); // destroyed from inside its own listener: it ends by itself
        else if (it->first.joinable())
            it->first.join();
        it = m_threads.erase(it);
    }
}

void CMMTimer::ThreadMain(std::shared_ptr<Run> run, std::shared_ptr<Listeners> listeners)
{
    const long long period = static_cast<long long>(run->period) * 1'000'000;
    long long deadline = run->start + period;
    while (!run->stop) {
        // Sleep to the deadline in slices, looking for Stop between them.
        long long now = NowNs();
        while (now < deadline && !run->stop) {
            SleepUntilNs(std::min(deadline, now + kSliceNs));
            now = NowNs();
        }
        {
            std::lock_guard lock(run->expiry);
            if (run->stop)
                break;
            m_nTotalMilliseconds += run->period;
            ++m_nCount;
        }
        // From here on the timer may be gone (destroyed by a listener or
        // another thread): only run and listeners are used.
        Notify(listeners, *this);
        deadline += period;
        if (NowNs() - deadline > kMaxLagNs)
            deadline = NowNs() + period;
    }
    run->finished = true;
}

void CMMTimer::Reset()
{
    m_nCount = 0;
    m_nTotalMilliseconds = 0;
    NotifyListeners();
}

void CMMTimer::AttachListener(CMMTimerListener& listener)
{
    std::lock_guard lock(m_listeners->lock);
    m_listeners->list.push_back(&listener);
}

void CMMTimer::DetachListener(CMMTimerListener& listener)
{
    std::lock_guard lock(m_listeners->lock);
    auto& list = m_listeners->list;
    list.erase(std::remove(list.begin(), list.end(), &listener), list.end());
}

void CMMTimer::NotifyListeners()
{
    Notify(m_listeners, *this);
}

void CMMTimer::Notify(std::shared_ptr<Listeners> listeners, CMMTimer& timer)
{
    std::lock_guard lock(listeners->lock);
    struct Depth {
        Depth() { ++t_notifyDepth; }
        ~Depth() { --t_notifyDepth; }
    } depth;
    // A listener may attach or detach listeners from inside its call (the
    // lock is recursive); walk a copy so the list can change under the walk.
    const std::vector<CMMTimerListener*> list = listeners->list;
    for (CMMTimerListener* listener : list) {
        if (listeners->destroyed)
            break;
        listener->OnMMTimer(timer);
    }
}

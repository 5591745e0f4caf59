// SPDX-License-Identifier: GPL-2.0-or-later
#include "agent.h"

#include "simulator.h"

#include <algorithm>

namespace agent {

namespace {
// The longest the loop sleeps: it looks at the simulator and feeds the
// watchdog at least this often.
constexpr Ms kMaxSleep = 1000;
} // namespace

CAgent::CAgent(const AgentConfig& config, std::unique_ptr<IBoardLink> link, std::unique_ptr<IScheduleSource> schedule)
    : m_config(config), m_store(config.stateDir), m_link(std::move(link)), m_schedule(std::move(schedule)),
      m_preview(config.stateDir)
{
    m_simulated = dynamic_cast<CSimulatedBoardLink*>(m_link.get());
    ReconcileOptions o;
    o.checkPeriod = Ms(config.checkSeconds) * kSecond;
    m_reconciler = std::make_unique<CReconciler>(m_store, *m_link, *m_schedule, o);
}

CAgent::~CAgent() { Stop(); }

lumivo::Result CAgent::Load()
{
    lumivo::Result r = m_store.Load();
    const DesiredState d = m_store.Snapshot();
    if (!d.schedule.empty())
        r.Append(m_schedule->Load(d.schedule, d.scheduleType), true);
    return r;
}

lumivo::Result CAgent::PutSchedule(const std::string& body, const std::string& type)
{
    if (lumivo::Result r = m_schedule->Load(body, type); !r)
        return r;
    lumivo::Result r = m_store.Change([&](DesiredState& s) {
        s.schedule = body;
        s.scheduleType = type;
        return lumivo::Result();
    });
    if (!r) {
        // The store keeps the previous body; so does the evaluator.
        const DesiredState d = m_store.Snapshot();
        m_schedule->Load(d.schedule, d.scheduleType);
    }
    Wake();
    return r;
}

void CAgent::Start(std::function<void()> onPass)
{
    m_onPass = std::move(onPass);
    m_thread = std::thread([this] { Run(); });
}

void CAgent::Stop()
{
    {
        std::lock_guard lk(m_wakeLock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CAgent::Wake()
{
    {
        std::lock_guard lk(m_wakeLock);
        m_woken = true;
    }
    m_wake.notify_all();
}

void CAgent::Run()
{
    for (;;) {
        if (m_simulated && m_simulated->Ended())
            m_reconciler->BoardLost("the simulated board ended; it is started again");
        const Ms now = WallNow();
        const Ms next = m_reconciler->Reconcile(now);
        if (m_onPass)
            m_onPass();
        std::unique_lock lk(m_wakeLock);
        const Ms sleep = std::clamp<Ms>(next - WallNow(), 0, kMaxSleep);
        m_wake.wait_for(lk, std::chrono::milliseconds(sleep), [this] { return m_woken || m_stop; });
        if (m_stop)
            return;
        m_woken = false;
    }
}

} // namespace agent

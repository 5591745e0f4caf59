// SPDX-License-Identifier: GPL-2.0-or-later
// One agent: the desired state, the board link, the schedule and the
// reconcile loop on a thread of its own. The interfaces (HTTP now, others
// beside it) only check requests, change the desired state and wake the
// loop; they never talk to the board, and they all read the same status.
#pragma once

#include "config.h"
#include "desired.h"
#include "preview.h"
#include "reconciler.h"
#include "schedule_source.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace agent {

class CSimulatedBoardLink;

class CAgent {
public:
    // link: the board (a serial or simulated link); schedule: the evaluator.
    CAgent(const AgentConfig& config, std::unique_ptr<IBoardLink> link, std::unique_ptr<IScheduleSource> schedule);
    ~CAgent();

    // Reads the stored state; a damaged one is reported and set aside.
    lumivo::Result Load();
    // Starts and stops the loop thread. onPass runs after every pass (the
    // service's watchdog), on the loop thread.
    void Start(std::function<void()> onPass = {});
    void Stop();
    void Wake();

    CDesiredStore& Store() { return m_store; }
    CReconciler& Loop() { return *m_reconciler; }
    IScheduleSource& Schedule() { return *m_schedule; }
    CPreview& Preview() { return m_preview; }
    const AgentConfig& Config() const { return m_config; }
    IBoardLink& Link() { return *m_link; }

    // The schedule body checked by the evaluator, then stored.
    lumivo::Result PutSchedule(const std::string& body, const std::string& type);

private:
    void Run();

    AgentConfig m_config;
    CDesiredStore m_store;
    std::unique_ptr<IBoardLink> m_link;
    std::unique_ptr<IScheduleSource> m_schedule;
    std::unique_ptr<CReconciler> m_reconciler;
    CPreview m_preview;
    CSimulatedBoardLink* m_simulated = nullptr;
    std::function<void()> m_onPass;

    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    bool m_woken = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace agent

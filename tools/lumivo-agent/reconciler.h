// SPDX-License-Identifier: GPL-2.0-or-later
// The agent's one loop: Reconcile(now) reads the desired state, works out
// what the board should hold at now (the schedule's pages, or the
// notification that wins), compares it with what the board was last seen to
// hold, and sends, reads back, checks or waits. It compares whole states on
// every call, whatever woke it, so a missed wake-up costs nothing but time.
// Reconcile runs on one thread (the loop's); Status and the requests may be
// called from any thread.
#pragma once

#include "agent_time.h"
#include "board_link.h"
#include "desired.h"
#include "schedule_source.h"

#include "core/project.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace agent {

struct ReconcileOptions {
    Ms checkPeriod = 30 * kSecond; // the light check of the module information
    unsigned readBackEvery = 10;   // every n-th check reads the Ads back whole
    Ms firstRetry = 500;           // backoff of a board that does not answer ...
    Ms maxRetry = 8 * kSecond;     // ... doubling up to this
    Ms clockPeriod = 24LL * 3600 * kSecond;
};

// One stretch of the play log: what the board held, from when to when.
struct PlayLogEntry {
    std::string hash;
    std::vector<unsigned> pages; // 1-based pages of the project
    uint64_t notification = 0;   // its id when one was shown, else 0
    Ms from = 0, to = 0;         // to 0: still on the board
    Ms verifiedAt = 0;           // 0: never read back equal
};

struct AgentStatus {
    std::string link = "unknown"; // "ok", "unreachable", "unknown" before the first exchange
    std::string device;
    bool boardKnown = false;
    BoardInfo board;
    std::string target; // the hash the board should hold; "" when there is nothing to show
    std::string applied;
    Ms appliedAt = 0;
    std::string verified;
    Ms verifiedAt = 0;
    bool drift = false;
    std::string driftWhat;
    Ms driftAt = 0;
    unsigned driftCount = 0;
    std::vector<unsigned> pages;
    std::string why;
    std::optional<Notification> notification;
    std::string lastError;
    Ms lastErrorAt = 0;
    unsigned failures = 0;
    Ms retryAt = 0;
    Ms lastCheck = 0;
    Ms lastClock = 0;
    Ms nextWake = 0;
    uint64_t revisionSeen = 0; // the desired state's revision of the last whole pass
    uint64_t passes = 0;
    // What was sent last, for the preview.
    std::vector<uint8_t> appliedBlob;
};

class CReconciler {
public:
    CReconciler(CDesiredStore& store, IBoardLink& link, IScheduleSource& schedule, ReconcileOptions options = {},
                lumivo::ContentLoader loader = lumivo::DefaultContentLoader());
    ~CReconciler();

    // One pass; returns the instant it next wants to run (a wake-up may
    // come sooner and costs nothing).
    Ms Reconcile(Ms now);

    AgentStatus Status() const;
    std::vector<PlayLogEntry> PlayLog() const;

    // Checks a notification against the board as it would be sent; the
    // reason when it is refused. Any thread.
    lumivo::Result CheckNotification(const Notification& n);
    // The board went away behind the link's back (the simulator ended):
    // what it holds is unknown until it answers again.
    void BoardLost(const std::string& why);
    // "Do it now" requests, served by the next pass.
    void RequestSend() { m_sendRequested = true; }
    void RequestVerify() { m_verifyRequested = true; }
    void RequestClock() { m_clockRequested = true; }

private:
    struct Target {
        std::string hash;
        std::vector<uint8_t> blob;
        std::vector<unsigned> pages;
        std::string why;
        std::optional<Notification> notification;
        Ms nextChange = kNever;
    };
    lumivo::Result BuildTarget(const DesiredState& d, const std::optional<Notification>& n, Ms now, Target& out);
    // The project on the board's values, cached; with its content library
    // only when glyphs are needed (a notification's text): packing and the
    // schedule do without, and the library is the larger part of an agent.
    lumivo::Result Core(const DesiredState& d, const BoardInfo* board, bool glyphs,
                        std::unique_ptr<lumivo::CProjectCore>& core, std::string& key);
    void Apply(const Target& t, Ms now);
    // afterSend: a mismatch right after sending backs off like a failure.
    void Verify(Ms now, bool afterSend = false);
    void LightCheck(Ms now);
    void Failed(const lumivo::Result& r, Ms now);
    void Succeeded(const BoardInfo& info, Ms now);
    void LogApplied(const Target& t, Ms now);
    void LogVerified(Ms now);
    std::string DescribeDrift(const std::vector<uint8_t>& readBack) const;

    CDesiredStore& m_store;
    IBoardLink& m_link;
    IScheduleSource& m_schedule;
    ReconcileOptions m_options;
    lumivo::ContentLoader m_loader;

    mutable std::mutex m_lock; // m_status and m_log
    AgentStatus m_status;
    std::deque<PlayLogEntry> m_log;

    // Loop thread only.
    std::unique_ptr<lumivo::CProjectCore> m_core;
    std::string m_coreKey;
    unsigned m_mismatches = 0;
    uint64_t m_appliedSettings = 0;
    bool m_needApply = true; // at start and after the board was lost
    unsigned m_checks = 0;
    BoardInfo m_expected; // the module information after the last verified send
    bool m_expectedKnown = false;

    std::mutex m_checkLock; // the checker's core, for other threads
    std::unique_ptr<lumivo::CProjectCore> m_checkCore;
    std::string m_checkKey;

    std::atomic<bool> m_sendRequested{false}, m_verifyRequested{false}, m_clockRequested{false};
};

// Expires and orders notifications at now: drops those whose time-to-live
// passed before they were shown and those shown for their duration, starts
// the one that wins (highest priority, then the earliest) and pauses the
// others. Returns whether anything changed; winner is the one to show.
bool HouseKeep(DesiredState& d, Ms now, std::optional<Notification>& winner, Ms& nextEvent);

} // namespace agent

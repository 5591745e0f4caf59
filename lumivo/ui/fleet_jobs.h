// SPDX-License-Identifier: GPL-2.0-or-later
// The window's side of head office on the broker, over fleet_core. The
// network and the waiting run off the GUI thread (the MQTT client's own
// thread, and one worker thread for a publish); what they learn reaches
// the GUI through queued signals.
#pragma once

#include "fleet_client.h"
#include "fleet_publish.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

// A live view of the signs: changed() (queued, at most one pending) after
// every retained message or connection change.
class CFleetWatch : public QObject {
    Q_OBJECT
public:
    CFleetWatch(fleet::Options options, QObject* parent);
    ~CFleetWatch() override;
    fleet::Signs Signs() const { return m_client->SignsNow(); }
    // kNone when connected; kNoAnswer while it keeps trying.
    fleet::ConnectError Status(std::string& detail) const;
    QString Describe() const { return QString::fromStdString(m_client->Describe()); }

signals:
    void changed();

private:
    std::unique_ptr<fleet::CFleetClient> m_client;
    fleet::ConnectError m_startError = fleet::ConnectError::kNone;
    std::string m_startDetail;
    std::atomic<bool> m_pending{false};
};

// One publish on a worker thread: connect, roll out, follow. Deleting it
// cancels and waits for the worker.
class CFleetPublishJob : public QObject {
    Q_OBJECT
public:
    CFleetPublishJob(fleet::Options options, fleet::PublishRequest request, QObject* parent);
    ~CFleetPublishJob() override;
    void Start();
    // The follow stops soon; finished() then says kCancelled (or what
    // happened first).
    void Cancel();

signals:
    // The broker could not be reached or refused the login (then no finished()).
    void connectFailed(int error, const QString& text);
    void progress(int kind, const QString& sign, const QString& detail);
    void finished(int result, quint64 revision, int signs, const QString& detail);

private:
    void Run();

    fleet::Options m_options;
    fleet::PublishRequest m_request;
    std::atomic<bool> m_cancel{false};
    std::mutex m_lock; // guards m_client, which lives on the worker's stack
    fleet::CFleetClient* m_client = nullptr;
    std::thread m_thread;
};

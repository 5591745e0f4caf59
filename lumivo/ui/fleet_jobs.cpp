// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/fleet_jobs.h"

#include "ui/fleet_broker.h"

CFleetWatch::CFleetWatch(fleet::Options options, QObject* parent)
    : QObject(parent), m_client(std::make_unique<fleet::CFleetClient>(std::move(options)))
{
    // Coalesced: a burst of retained messages is one refresh.
    m_client->OnChange([this] {
        if (!m_pending.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_pending = false;
                    emit changed();
                },
                Qt::QueuedConnection);
    });
    m_startError = m_client->Connect(0, m_startDetail);
}

CFleetWatch::~CFleetWatch() { m_client.reset(); }

fleet::ConnectError CFleetWatch::Status(std::string& detail) const
{
    if (m_startError != fleet::ConnectError::kNone) {
        detail = m_startDetail;
        return m_startError;
    }
    return m_client->Status(detail);
}

CFleetPublishJob::CFleetPublishJob(fleet::Options options, fleet::PublishRequest request, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_request(std::move(request))
{
}

CFleetPublishJob::~CFleetPublishJob()
{
    Cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void CFleetPublishJob::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void CFleetPublishJob::Cancel()
{
    m_cancel = true;
    std::lock_guard lk(m_lock);
    if (m_client)
        m_client->Wake();
}

void CFleetPublishJob::Run()
{
    fleet::CFleetClient client(m_options);
    std::string detail;
    const fleet::ConnectError e = client.Connect(10, detail);
    if (e != fleet::ConnectError::kNone) {
        emit connectFailed(int(e), FleetConnectText(e, detail, QString::fromStdString(client.Describe())));
        return;
    }
    if (m_cancel) {
        emit finished(fleet::PublishResult::kCancelled, 0, 0, {});
        return;
    }
    {
        std::lock_guard lk(m_lock);
        m_client = &client;
    }
    const fleet::PublishResult r = fleet::Publish(
        client, m_request,
        [this](const fleet::PublishEvent& ev) {
            emit progress(ev.kind, QString::fromStdString(ev.sign), QString::fromStdString(ev.detail));
        },
        [this] { return m_cancel.load(); });
    {
        std::lock_guard lk(m_lock);
        m_client = nullptr;
    }
    emit finished(r.kind, r.revision, int(r.signs), QString::fromStdString(r.detail));
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "single_instance.h"

#include <common/named_mutex.h>

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
const QByteArray kRaise = "raise\n";
}

CSingleInstance::CSingleInstance(QString key, QObject* parent) : QObject(parent), m_key(std::move(key)) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::KeyForTitle(const QString& title)
{
    return QStringLiteral("%1-%2").arg(title).arg(ulong(getuid()));
}

bool CSingleInstance::Acquire()
{
    if (m_primary)
        return true;
    // Two starts at the same moment must not both find no server and then
    // remove each other's socket: the check and the listen happen under a
    // lock shared by all processes of the user.
    common::NamedMutex guard(("instance-" + m_key).toStdString());
    std::lock_guard lock(guard);

    QLocalSocket probe;
    probe.connectToServer(m_key);
    if (probe.waitForConnected(1000)) {
        probe.write(kRaise);
        probe.waitForBytesWritten(1000);
        probe.disconnectFromServer();
        return false;
    }
    // Nobody answered: a socket file left by a crashed instance is stale.
    QLocalServer::removeServer(m_key);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_key)) {
        // Without the socket we cannot be found, but the program still runs.
        delete server;
        m_primary = true;
        return true;
    }
    m_server = server;
    m_primary = true;
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains(kRaise.trimmed()))
                    emit raiseRequested();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/single_instance.h"

#include <common/named_mutex.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kRaise = "raise";
const QByteArray kOpen = "open ";
// What one connection may send: a few paths, never an unbounded stream.
constexpr qsizetype kMaxRequest = 64 * 1024;

// dir, made when missing, when it is a real folder of this user that
// nobody else may enter; else empty.
QString PrivateFolder(const QString& dir)
{
    const QByteArray path = QFile::encodeName(dir);
    ::mkdir(path.constData(), 0700);
    struct stat st{};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 0077) != 0)
        return {};
    return dir;
}

} // namespace

CSingleInstance::CSingleInstance(QString key, QObject* parent) : QObject(parent), m_key(std::move(key)) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::KeyForTitle(const QString& title)
{
    return QStringLiteral("%1-%2").arg(title).arg(ulong(getuid()));
}

QString CSingleInstance::SocketFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')))
        if (QString dir = PrivateFolder(runtime + QStringLiteral("/lumivo")); !dir.isEmpty())
            return dir;
    return PrivateFolder(QStringLiteral("/tmp/lumivo-%1").arg(ulong(getuid())));
}

QString CSingleInstance::SocketPath() const
{
    const QString folder = SocketFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + m_key + QStringLiteral(".socket");
}

bool CSingleInstance::Acquire(const QStringList& files)
{
    if (m_primary)
        return true;
    const QString path = SocketPath();
    if (path.isEmpty()) {
        // Nowhere safe to listen: this start runs on its own.
        m_primary = true;
        return true;
    }
    // Two starts at the same moment must not both find no server and then
    // remove each other's socket: the check and the listen happen under a
    // lock shared by all processes of the user.
    common::NamedMutex guard(("instance-" + m_key).toStdString());
    std::lock_guard lock(guard);

    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000)) {
        QByteArray request;
        for (const QString& file : files)
            request += kOpen + QUrl::toPercentEncoding(file) + '\n';
        request += kRaise + '\n';
        probe.write(request);
        probe.waitForBytesWritten(1000);
        probe.disconnectFromServer();
        return false;
    }
    // Nobody answered: a socket file left by a crashed instance is stale.
    QLocalServer::removeServer(path);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        // Without the socket we cannot be found, but the program still runs.
        delete server;
        m_primary = true;
        return true;
    }
    m_server = server;
    m_primary = true;
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] { Read(s); });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}

void CSingleInstance::Read(QLocalSocket* s)
{
    QByteArray buffer = s->property("request").toByteArray() + s->readAll();
    if (buffer.size() > kMaxRequest) {
        s->abort();
        return;
    }
    // Whole lines only; the rest waits for the next read.
    qsizetype end;
    while ((end = buffer.indexOf('\n')) >= 0) {
        const QByteArray line = buffer.left(end);
        buffer.remove(0, end + 1);
        if (line == kRaise)
            emit raiseRequested();
        else if (line.startsWith(kOpen))
            if (const QString file = QUrl::fromPercentEncoding(line.mid(kOpen.size())); !file.isEmpty())
                emit openRequested(file);
    }
    s->setProperty("request", buffer);
}

// SPDX-License-Identifier: GPL-2.0-or-later
// One running program per user: the first start listens on a local socket
// named by the key; a later start connects, hands over the files it was
// given, asks the first to raise its window, and ends.
//
// The socket lives in a folder of the user's own ($XDG_RUNTIME_DIR/lumivo,
// else /tmp/lumivo-<uid>, made 0700 and checked to be the user's), so no
// other file can take its name.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(QString key, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this is the first instance (it now listens). False when
    // another one answered: it has been handed files (absolute paths) to
    // open and asked to raise itself.
    bool Acquire(const QStringList& files = {});
    bool IsPrimary() const { return m_primary; }
    bool IsListening() const { return m_server != nullptr; }
    const QString& Key() const { return m_key; }
    // Where the socket is; empty when no private folder could be had (the
    // program then runs without the one-instance check).
    QString SocketPath() const;

    // The key for a title: one per user, since local socket names are shared
    // by every user of the machine.
    static QString KeyForTitle(const QString& title);
    // The user's private folder for the socket; empty when there is none.
    static QString SocketFolder();

signals:
    void raiseRequested();
    void openRequested(const QString& path);

private:
    void Read(class QLocalSocket* s);

    QString m_key;
    QLocalServer* m_server = nullptr;
    bool m_primary = false;
};

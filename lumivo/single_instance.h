// SPDX-License-Identifier: GPL-2.0-or-later
// One running program per user: the first start listens on a local socket
// named by the title; a later start connects, asks the first to raise its
// window, and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(QString key, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this is the first instance (it now listens). False when
    // another one answered: it has been asked to raise itself.
    bool Acquire();
    bool IsPrimary() const { return m_primary; }
    const QString& Key() const { return m_key; }

    // The key for a title: one per user, since local socket names are shared
    // by every user of the machine.
    static QString KeyForTitle(const QString& title);

signals:
    void raiseRequested();

private:
    QString m_key;
    QLocalServer* m_server = nullptr;
    bool m_primary = false;
};

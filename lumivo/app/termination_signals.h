// SPDX-License-Identifier: GPL-2.0-or-later
// SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in a terminal) close
// the windows as the user would, so the save question and the orderly
// shut-down run instead of the process vanishing with the project.
#pragma once

#include <QObject>

class QSocketNotifier;

class CTerminationSignals : public QObject {
public:
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;
    bool IsInstalled() const { return m_notifier != nullptr; }

private:
    void OnSignal();
    QSocketNotifier* m_notifier = nullptr;
};

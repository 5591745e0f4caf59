// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated board: lumivo-boardsim (beside the program, or on the path)
// run on a pseudo-terminal for people without a controller. Its state
// folder lives under the user's data folder, so stored Ads, user images and
// settings survive between runs like a real controller's. The process ends
// with this object, and with the program should it die.
#pragma once

#include "core/project.h"

#include <QObject>
#include <QString>

class QProcess;

class CSimulatedBoard : public QObject {
    Q_OBJECT
public:
    // The port entry's device: choosing it connects to the simulator.
    static constexpr const char* kDevice = "simulated";

    struct Options {
        int moduleRows = 1;
        int moduleColumns = 6;
        char language = 'E'; // 'A' (code 10) or 'E' (code 14)
        int contentRows = 1;
        int contentColumns = 6;
        bool operator==(const Options&) const = default;
    };
    // The board size and language chosen in the set-up dialog ("Simulated
    // Board" settings); what is not stored comes from the project's board.
    static Options Stored(const lumivo::BoardValues& project);
    static void Store(const Options& options);
    static QString StateFolder();
    // The simulator's program; empty when it cannot be found.
    static QString Program();

    explicit CSimulatedBoard(QObject* parent = nullptr);
    ~CSimulatedBoard() override;

    // Starts the simulator (restarts it when the options changed) and
    // returns its device path; empty, with the reason in error, on failure.
    QString Start(const Options& options, QString* error);
    void Stop();
    bool IsRunning() const;
    QString Device() const { return m_device; }
    qint64 ProcessId() const;

private:
    QProcess* m_process = nullptr;
    Options m_running;
    QString m_device;
};

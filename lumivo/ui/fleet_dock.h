// SPDX-License-Identifier: GPL-2.0-or-later
// CFleetDock: the Fleet view, one row per sign on the broker from its
// retained status, board and state (online, board answering, desired
// revision, applied, verified, age, drift, last error), refreshed as they
// change. It also owns the File menu's Publish to signs… command.
#pragma once

#include <QDockWidget>

#include <memory>

class CCommandGroup;
class CFleetWatch;
class CLumivoDoc;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class QTreeWidget;

namespace lumivo::cmd {
inline constexpr int kFilePublishSigns = 32890;
inline constexpr int kViewFleet = 32891;
} // namespace lumivo::cmd

class CFleetDock : public QDockWidget {
    Q_OBJECT
public:
    CFleetDock(CLumivoDoc& doc, QMainWindow& frame);
    ~CFleetDock() override;

    // Docks it (hidden until View ▸ Fleet asks for it) and puts both
    // commands in `menu` before `before`; their keys work anywhere.
    void Install(QMenu* menu, QAction* before);
    void Relabel();
    // Watches the remembered broker afresh (after a publish changed it).
    void Reconnect();
    QTreeWidget* Rows() const { return m_rows; }
    QString StatusText() const;

private:
    void OpenPublish();
    void Refresh();

    CLumivoDoc& m_doc;
    QMainWindow& m_frame;
    CCommandGroup* m_commands;
    QTreeWidget* m_rows;
    QLabel* m_status;
    QTimer* m_ages;
    std::unique_ptr<CFleetWatch> m_watch;
};

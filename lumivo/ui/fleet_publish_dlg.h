// SPDX-License-Identifier: GPL-2.0-or-later
// CFleetPublishDlg: File ▸ Publish to signs… The broker (remembered), a
// group or a list of SITE/SIGN, an optional canary count; then one row per
// sign as it reports the project applied and verified, with Cancel. The
// project and its schedule are published as the window holds them; the
// document is not changed, so there is nothing to undo.
#pragma once

#include "ui/fleet_broker.h"

#include <QDialog>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <vector>

class CFleetPublishJob;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

class CFleetPublishDlg : public QDialog {
    Q_OBJECT
public:
    // schedule: the companion's JSON object the agent reads from `desired`.
    CFleetPublishDlg(std::vector<uint8_t> project, nlohmann::json schedule, QWidget* parent);
    ~CFleetPublishDlg() override;

    // What the dialog says now (progress, the outcome or the problem).
    QString StatusText() const;
    // The progress column of a sign's row; empty when it has none.
    QString SignText(const QString& sign) const;
    bool Running() const { return m_job != nullptr; }

protected:
    void reject() override;

private:
    void StartPublish();
    void OnProgress(int kind, const QString& sign, const QString& detail);
    void OnFinished(int result, quint64 revision, int signs, const QString& detail);
    void OnConnectFailed(const QString& text);
    void EndJob();
    void SetStatus(const QString& text);
    QTreeWidgetItem* Row(const QString& sign);

    std::vector<uint8_t> m_project;
    nlohmann::json m_schedule;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_ca;
    QLineEdit* m_prefix;
    QLineEdit* m_group;
    QLineEdit* m_signs;
    QSpinBox* m_canary;
    QTreeWidget* m_rows;
    QLabel* m_status;
    QDialogButtonBox* m_buttons;
    QPushButton* m_publish;
    CFleetPublishJob* m_job = nullptr;
    QString m_target;
};

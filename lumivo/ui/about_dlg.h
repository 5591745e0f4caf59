// SPDX-License-Identifier: GPL-2.0-or-later
// The about box: the program's title and version, and its licence.
#pragma once

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QString VersionText() const;
    QString NoticeText() const;

private:
    QLabel* m_version;
    QLabel* m_notice;
};

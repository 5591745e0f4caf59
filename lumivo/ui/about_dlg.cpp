// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/about_dlg.h"

#include "lumivo_app.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_version(new QLabel), m_notice(new QLabel)
{
    setWindowTitle(QStringLiteral("About %1").arg(CLumivoApp::Title()));
    m_version->setText(QStringLiteral("%1 %2").arg(CLumivoApp::Title(), QLatin1String(CLumivoApp::kVersion)));
    // The licence as the LICENSE file states it; legal texts stay in English.
    m_notice->setText(QStringLiteral("Copyright (C) Tessel.\n"
                                     "Free software under the GNU General Public License, version 2 or\n"
                                     "later (GPL-2.0-or-later), with NO WARRANTY. Its libraries are under\n"
                                     "the BSD 2-Clause licence; the fonts' licences: see the package's\n"
                                     "copyright file."));
    auto* icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/lumivo/lumivo.svg")).pixmap(48, 48));
    auto* texts = new QVBoxLayout;
    texts->addWidget(m_version);
    texts->addWidget(m_notice);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(buttons);
}

QString CAboutDlg::VersionText() const { return m_version->text(); }
QString CAboutDlg::NoticeText() const { return m_notice->text(); }

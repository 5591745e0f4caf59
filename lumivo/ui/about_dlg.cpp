// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/about_dlg.h"

#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_version(new QLabel), m_notice(new QLabel)
{
    setWindowTitle(lumivo::TrFormat("Program", "AboutTitle", {QCoreApplication::applicationName()}));
    m_version->setText(QStringLiteral("%1 %2").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
    // The licence as the LICENSE file states it, in the interface language.
    m_notice->setText(lumivo::Tr("Program", "AboutNotice"));
    m_notice->setWordWrap(true);
    m_notice->setMinimumWidth(360);
    auto* icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/lumivo/lumivo.svg")).pixmap(48, 48));
    auto* texts = new QVBoxLayout;
    texts->addWidget(m_version);
    texts->addWidget(m_notice);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setText(lumivo::Tr("DialogCommon", "btnOk"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(buttons);
}

QString CAboutDlg::VersionText() const { return m_version->text(); }
QString CAboutDlg::NoticeText() const { return m_notice->text(); }

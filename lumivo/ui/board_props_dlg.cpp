// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/board_props_dlg.h"

#include "core/board_check.h"
#include "lumivo_doc.h"
#include "ui/content_language.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using lumivo::Tr;

CBoardPropsDlg::CBoardPropsDlg(const lumivo::BoardValues& board, QWidget* parent)
    : QDialog(parent), m_board(board), m_rows(new QSpinBox), m_columns(new QSpinBox), m_language(new QComboBox),
      m_leds(new QLabel)
{
    setObjectName(QStringLiteral("BoardPropsDlg"));
    setWindowTitle(Tr("Content", "BoardTitle"));
    // The new-project dialog's ranges: what the controllers drive.
    m_rows->setRange(1, 4);
    m_rows->setValue(board.moduleRow);
    m_columns->setRange(2, 20);
    m_columns->setValue(board.moduleColumn);
    m_language->addItem(lumivo::ContentLanguageName('E'), int('E'));
    m_language->addItem(lumivo::ContentLanguageName('A'), int('A'));
    m_language->setCurrentIndex(board.language == 'A' ? 1 : 0);

    auto* modules = new QGroupBox(Tr("Content", "BoardModules"));
    auto* form = new QFormLayout(modules);
    form->addRow(Tr("NewDialog", "ModuleRow"), m_rows);
    form->addRow(Tr("NewDialog", "ModuleCol"), m_columns);
    form->addRow(QString(), m_leds);
    auto* languageForm = new QFormLayout;
    auto* languageLabel = new QLabel(Tr("Content", "BoardLanguage"));
    languageLabel->setBuddy(m_language);
    languageForm->addRow(languageLabel, m_language);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(Tr("DialogCommon", "btnOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr("DialogCommon", "btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(modules);
    column->addLayout(languageForm);
    column->addWidget(buttons);

    connect(m_rows, &QSpinBox::valueChanged, this, &CBoardPropsDlg::ShowLeds);
    connect(m_columns, &QSpinBox::valueChanged, this, &CBoardPropsDlg::ShowLeds);
    ShowLeds();
}

void CBoardPropsDlg::ShowLeds()
{
    const int rows = m_rows->value();
    const int columns = m_columns->value();
    m_leds->setText(lumivo::TrFormat("Content", "BoardSize",
                                     {QString::number(rows), QString::number(columns), QString::number(rows * 16),
                                      QString::number(columns * 16)}));
}

lumivo::BoardValues CBoardPropsDlg::Board() const
{
    lumivo::BoardValues b = m_board;
    b.moduleRow = uint8_t(m_rows->value());
    b.moduleColumn = uint8_t(m_columns->value());
    b.language = uint8_t(m_language->currentData().toInt());
    b.lumivoRow = b.moduleRow;
    return b;
}

QString BoardChangeNotice(const CLumivoDoc& doc)
{
    const lumivo::BoardValues& b = doc.Core().Board();
    QStringList paragraphs;
    if (const std::vector<lumivo::InexactAd> ads = lumivo::InexactAds(doc.Core()); !ads.empty()) {
        QStringList named;
        for (const lumivo::InexactAd& ad : ads) {
            QStringList chars;
            for (char16_t c : ad.chars)
                chars << QString(QChar(c));
            named << lumivo::TrFormat("Content", "BoardAdChars",
                                      {QString::number(ad.page + 1), chars.join(QLatin1Char(' '))});
        }
        paragraphs << lumivo::TrFormat("Content", "BoardUndrawable",
                                       {QStringLiteral("%1 × %2").arg(b.moduleRow).arg(b.moduleColumn),
                                        lumivo::ContentLanguageName(b.language), named.join(QStringLiteral(", "))});
    }
    if (const std::vector<unsigned> tall = lumivo::TallAds(doc.Core()); !tall.empty()) {
        QStringList named;
        for (unsigned page : tall)
            named << lumivo::TrFormat("Content", "BoardAd", {QString::number(page + 1)});
        paragraphs << lumivo::TrFormat("Content", "BoardTooHigh",
                                       {QString::number(b.moduleRow), named.join(QStringLiteral(", "))});
    }
    return paragraphs.join(QStringLiteral("\n\n"));
}

bool EditBoardProperties(CLumivoDoc& doc, QWidget* parent)
{
    CBoardPropsDlg dlg(doc.Core().Board(), parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    const lumivo::BoardValues before = doc.Core().Board();
    lumivo::BoardValues after = dlg.Board();
    if (after == before || !doc.ChangeBoard(after, Tr("Content", "BoardUndo")))
        return false;
    if (const QString notice = BoardChangeNotice(doc); !notice.isEmpty() && doc.Prompts().message)
        doc.Prompts().message(CPrompts::Icon::Warning, notice);
    return true;
}

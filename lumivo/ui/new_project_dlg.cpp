// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/new_project_dlg.h"

#include "core/item_text.h"
#include "app/project_places.h"
#include "ui/content_language.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include <common/profile.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

QString NewProjectResult::FilePath() const
{
    return QDir(folder).filePath(name + QStringLiteral(".qvndoc"));
}

QString CNewProjectDlg::ProposedName(const QString& folder, unsigned sequence)
{
    const QDir dir(folder);
    unsigned n = std::max(1u, sequence);
    // Bounded: a folder cannot hold that many projects of this name.
    for (unsigned tries = 0; tries < 100000; ++tries, ++n) {
        const QString name = QStringLiteral("Lumivo%1").arg(n);
        if (!dir.exists(name + QStringLiteral(".qvndoc")))
            return name;
    }
    return QStringLiteral("Lumivo%1").arg(n);
}

CNewProjectDlg::CNewProjectDlg(unsigned sequence, QWidget* parent)
    : QDialog(parent), m_projectBox(new QGroupBox(this)), m_moduleBox(new QGroupBox(this)),
      m_resBox(new QGroupBox(this)), m_folderLabel(new QLabel), m_nameLabel(new QLabel), m_rowsLabel(new QLabel),
      m_columnsLabel(new QLabel), m_languageLabel(new QLabel), m_resRowLabel(new QLabel),
      m_resColLabel(new QLabel), m_folder(new QLineEdit), m_name(new QLineEdit), m_rows(new QSpinBox),
      m_columns(new QSpinBox), m_resRows(new QLabel), m_language(new QComboBox), m_columnClass(new QComboBox)
{
    const common::IProfile& p = common::AppProfile();
    const QString folder = lumivo::ProposedFolder();

    m_folder->setMaxLength(kMaxFolder);
    m_folder->setText(folder.left(kMaxFolder));
    m_name->setMaxLength(kMaxName);
    m_name->setText(ProposedName(m_folder->text(), sequence));
    m_rows->setRange(1, 4);
    m_rows->setValue(p.GetProfileInt("Settings", "Module Row", 1));
    m_columns->setRange(2, 20);
    m_columns->setValue(p.GetProfileInt("Settings", "Module Column", 6));
    // The content is as many modules high as the board: a fact, shown as
    // selectable text that follows the module rows.
    m_resRows->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_resRows->setNum(m_rows->value());
    connect(m_rows, &QSpinBox::valueChanged, m_resRows, qOverload<int>(&QLabel::setNum));

    // Without a setting the desktop's language decides.
    m_language->addItem(QString(), 69);
    m_language->addItem(QString(), 65);
    const int lang = m_language->findData(p.GetProfileInt("Settings", "Language", lumivo::DesktopContentLanguage()));
    m_language->setCurrentIndex(lang < 0 ? 0 : lang);

    m_columnClass->addItem(QString(), 3);
    m_columnClass->addItem(QString(), 6);
    m_columnClass->setCurrentIndex(p.GetProfileInt("Settings", "Lumivo Column", 6) >= 6 ? 1 : 0);

    auto* browse = new QToolButton;
    browse->setText(lumivo::Tr("NewDialog", "Browse"));
    connect(browse, &QToolButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QString(), m_folder->text());
        if (!dir.isEmpty())
            m_folder->setText(dir.left(kMaxFolder));
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);

    auto* projectForm = new QFormLayout(m_projectBox);
    projectForm->addRow(m_nameLabel, m_name);
    projectForm->addRow(m_folderLabel, folderRow);
    auto* moduleForm = new QFormLayout(m_moduleBox);
    moduleForm->addRow(m_rowsLabel, m_rows);
    moduleForm->addRow(m_columnsLabel, m_columns);
    auto* resForm = new QFormLayout(m_resBox);
    resForm->addRow(m_languageLabel, m_language);
    resForm->addRow(m_resRowLabel, m_resRows);
    resForm->addRow(m_resColLabel, m_columnClass);

    auto* buttons = new QDialogButtonBox;
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewProjectDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewProjectDlg::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_projectBox);
    auto* boards = new QHBoxLayout;
    boards->addWidget(m_moduleBox);
    boards->addWidget(m_resBox);
    column->addLayout(boards);
    column->addWidget(buttons);

    refuse = [this](const QString& text) {
        QMessageBox::warning(this, QStringLiteral("Lumivo"), text);
    };
    confirmReplace = [this](const QString& path) {
        return QMessageBox::question(this, lumivo::Tr("rbApp", "rbAppSaveAs"),
                                     lumivo::TrFormat("Program", "ReplaceQuestion", {path}),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    Relabel();
}

void CNewProjectDlg::Relabel()
{
    using lumivo::Tr;
    setWindowTitle(Tr("NewDialog", "ProjectInfo"));
    m_projectBox->setTitle(Tr("NewDialog", "ProjectInfo"));
    m_folderLabel->setText(Tr("NewDialog", "ProjectPath"));
    m_nameLabel->setText(Tr("NewDialog", "ProjectName"));
    m_moduleBox->setTitle(Tr("NewDialog", "ModuleSetup"));
    m_rowsLabel->setText(Tr("NewDialog", "ModuleRow"));
    m_columnsLabel->setText(Tr("NewDialog", "ModuleCol"));
    m_resBox->setTitle(Tr("NewDialog", "LumivoRes"));
    m_languageLabel->setText(Tr("NewDialog", "ResLang"));
    m_resRowLabel->setText(Tr("NewDialog", "ResRow"));
    m_resColLabel->setText(Tr("NewDialog", "ResCol"));
    m_language->setItemText(0, lumivo::ContentLanguageName('E'));
    m_language->setItemText(1, lumivo::ContentLanguageName('A'));
    m_columnClass->setItemText(0, Tr("Content", "ColumnSmall"));
    m_columnClass->setItemText(1, Tr("Content", "ColumnLarge"));
    m_ok->setText(Tr("DialogCommon", "btnOk"));
    m_cancel->setText(Tr("DialogCommon", "btnCancel"));
}

void CNewProjectDlg::accept()
{
    NewProjectResult r;
    r.folder = m_folder->text().left(kMaxFolder);
    r.name = m_name->text().left(kMaxName);
    r.moduleRows = uint8_t(m_rows->value());
    r.moduleColumns = uint8_t(m_columns->value());
    r.language = uint8_t(m_language->currentData().toInt());
    r.contentColumns = uint8_t(m_columnClass->currentData().toInt());
    r.contentRows = r.moduleRows;
    // The first save must not fail on what can be checked here.
    const QString name = r.name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/'))) {
        if (refuse)
            refuse(lumivo::Tr("Document", name.isEmpty() ? "NameEmpty" : "NameInvalid"));
        m_name->setFocus();
        return;
    }
    r.name = name;
    if (r.folder.trimmed().isEmpty())
        r.folder = lumivo::ProposedFolder();
    if (!QDir().mkpath(r.folder)) {
        if (refuse)
            refuse(lumivo::FromU16(lumivo::FormatText(lumivo::LangText("Document", "FolderCreate"),
                                                      {QDir::toNativeSeparators(r.folder).toStdU16String()})));
        m_folder->setFocus();
        return;
    }
    if (QFileInfo::exists(r.FilePath()) && !(confirmReplace && confirmReplace(r.FilePath())))
        return; // stays open, values as they were
    m_result = r;
    QDialog::accept();
}

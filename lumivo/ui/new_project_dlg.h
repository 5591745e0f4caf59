// SPDX-License-Identifier: GPL-2.0-or-later
// The new-project dialog: project name and folder, the board's size in
// modules, the content language and the content column class.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

struct NewProjectResult {
    QString folder;
    QString name;
    uint8_t moduleRows = 1;
    uint8_t moduleColumns = 6;
    uint8_t language = 69;
    uint8_t contentRows = 1;
    uint8_t contentColumns = 6;

    QString FilePath() const; // folder/name.qvndoc
};

class CNewProjectDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxFolder = 260;
    static constexpr int kMaxName = 50;

    // sequence: the number in the proposed name "Lumivo<sequence>", from 1;
    // numbers whose project file is in the folder already are passed over.
    explicit CNewProjectDlg(unsigned sequence, QWidget* parent = nullptr);
    static QString ProposedName(const QString& folder, unsigned sequence);

    const NewProjectResult& Result() const { return m_result; }

    // Says why OK was refused (an empty name, a folder that cannot be
    // made); the dialog stays open. The default shows a message box.
    std::function<void(const QString& text)> refuse;
    // Asked when the project file exists already; true replaces it. Tests
    // answer in code; the default asks in a message box.
    std::function<bool(const QString& path)> confirmReplace;

    // For tests and callers that fill the fields.
    QLineEdit* FolderEdit() const { return m_folder; }
    QLineEdit* NameEdit() const { return m_name; }
    QSpinBox* ModuleRowsSpin() const { return m_rows; }
    QSpinBox* ModuleColumnsSpin() const { return m_columns; }
    QComboBox* LanguageCombo() const { return m_language; }
    QComboBox* ColumnClassCombo() const { return m_columnClass; }
    QLabel* ContentRowsLabel() const { return m_resRows; }

    void accept() override;

private:
    void Relabel();

    NewProjectResult m_result;
    QGroupBox* m_projectBox;
    QGroupBox* m_moduleBox;
    QGroupBox* m_resBox;
    QLabel* m_folderLabel;
    QLabel* m_nameLabel;
    QLabel* m_rowsLabel;
    QLabel* m_columnsLabel;
    QLabel* m_languageLabel;
    QLabel* m_resRowLabel;
    QLabel* m_resColLabel;
    QLineEdit* m_folder;
    QLineEdit* m_name;
    QSpinBox* m_rows;
    QSpinBox* m_columns;
    QLabel* m_resRows;
    QComboBox* m_language;
    QComboBox* m_columnClass;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

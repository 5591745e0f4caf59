// CLumivoDoc: the program's one document. It holds the project core (board,
// Ad list, content library, file formats) and adds what a window needs: the
// message boxes for the core's messages, the modified flag and title, the
// path, and signals for the views.
#pragma once

#include "core/project.h"
#include "prompts.h"

#include <QObject>
#include <QString>

#include <memory>

class CLumivoDoc : public QObject {
    Q_OBJECT
public:
    // Reads the board settings and opens the matching content library.
    CLumivoDoc(CPrompts& prompts, lumivo::ContentLoader loader = lumivo::DefaultContentLoader(),
               QObject* parent = nullptr);
    // Writes the board settings back.
    ~CLumivoDoc() override;

    lumivo::CProjectCore& Core() { return m_core; }
    const lumivo::CProjectCore& Core() const { return m_core; }

    // File New: an empty Ad list; the board stays.
    bool OnNewDocument();
    // Reads a project file; false (with the message shown) when it is refused.
    bool OnOpenDocument(const QString& path);
    // Writes "Project Path" and the board settings, then the file.
    bool OnSaveDocument(const QString& path);

    const QString& PathName() const { return m_path; }
    void SetPathName(const QString& path);
    // The file name, or "Untitled" before the project has one.
    QString Title() const;
    bool IsModified() const { return m_core.IsModified(); }
    void SetModifiedFlag(bool modified = true);

    // After the controller told its board, or from the new-project dialog.
    int SetBoard(uint8_t moduleRow, uint8_t moduleColumn, uint8_t language, uint8_t lumivoRow,
                 uint8_t lumivoColumn);
    // Folder and name of a new project: the path is composed, the folder
    // becomes the current directory and the document counts as modified.
    int SetProject(const QString& folder, const QString& name);

    unsigned ModuleColumns() const { return m_core.Board().moduleColumn; }
    unsigned ModuleRows() const { return m_core.Board().moduleRow; }

    // Shows the messages of a core result in message boxes; returns its outcome.
    bool Report(const lumivo::Result& result);

signals:
    void titleChanged();
    void modifiedChanged(bool modified);
    void listChanged();  // the Ad list changed
    void boardChanged(); // board values or content library changed

private:
    CPrompts& m_prompts;
    lumivo::CProjectCore m_core;
    QString m_path;
};

#include "lumivo_doc.h"

#include <common/profile.h>

#include <QDir>
#include <QFileInfo>

CLumivoDoc::CLumivoDoc(CPrompts& prompts, lumivo::ContentLoader loader, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_core(std::move(loader))
{
    Report(m_core.Start(common::AppProfile()));
}

CLumivoDoc::~CLumivoDoc() { m_core.WriteSettings(common::AppProfile()); }

bool CLumivoDoc::Report(const lumivo::Result& result)
{
    for (const lumivo::Message& m : result.messages()) {
        const auto icon = m.severity == lumivo::Severity::Error     ? CPrompts::Icon::Error
                          : m.severity == lumivo::Severity::Warning ? CPrompts::Icon::Warning
                                                                    : CPrompts::Icon::Information;
        if (m_prompts.message)
            m_prompts.message(icon, QString::fromStdString(m.text));
    }
    return result.ok();
}

bool CLumivoDoc::OnNewDocument()
{
    m_core.NewDocument();
    m_core.SetModified(false);
    SetPathName(QString());
    emit listChanged();
    emit modifiedChanged(false);
    return true;
}

bool CLumivoDoc::OnOpenDocument(const QString& path)
{
    const lumivo::BoardValues before = m_core.Board();
    if (!Report(m_core.LoadFile(path.toStdString())))
        return false;
    m_core.SetModified(false);
    SetPathName(path);
    // The board (and content) first: the list's views may start playing.
    if (!(before == m_core.Board()))
        emit boardChanged();
    emit listChanged();
    emit modifiedChanged(false);
    return true;
}

bool CLumivoDoc::OnSaveDocument(const QString& path)
{
    m_core.WriteSaveSettings(common::AppProfile());
    if (!Report(m_core.SaveFile(path.toStdString())))
        return false;
    m_core.SetModified(false);
    SetPathName(path);
    emit modifiedChanged(false);
    return true;
}

void CLumivoDoc::SetPathName(const QString& path)
{
    m_path = path;
    emit titleChanged();
}

QString CLumivoDoc::Title() const
{
    return m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
}

void CLumivoDoc::SetModifiedFlag(bool modified)
{
    if (m_core.IsModified() == modified)
        return;
    m_core.SetModified(modified);
    emit modifiedChanged(modified);
}

int CLumivoDoc::SetBoard(uint8_t moduleRow, uint8_t moduleColumn, uint8_t language, uint8_t lumivoRow,
                         uint8_t lumivoColumn)
{
    const bool ok = Report(m_core.SetBoard({moduleRow, moduleColumn, language, lumivoRow, lumivoColumn}));
    emit boardChanged();
    return ok ? 1 : 0;
}

int CLumivoDoc::SetProject(const QString& folder, const QString& name)
{
    const std::filesystem::path path = m_core.SetProject(folder.toStdString(), name.toStdString());
    QDir::setCurrent(folder);
    SetPathName(QString::fromStdString(path.string()));
    emit modifiedChanged(true);
    return 1;
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/project_places.h"

#include <common/profile.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace lumivo {

QString DocumentsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    return folder;
}

QString ProposedFolder()
{
    const QString last =
        QString::fromStdString(common::AppProfile().GetProfileString("Settings", "Project Path", ""));
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = DocumentsFolder();
    return documents.isEmpty() ? QDir::homePath() : documents;
}

bool IsWritableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return !folder.isEmpty() && info.isDir() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString WritableFolder(const QString& preferred)
{
    if (IsWritableFolder(preferred))
        return preferred;
    if (const QString documents = DocumentsFolder(); IsWritableFolder(documents))
        return documents;
    return QDir::homePath();
}

} // namespace lumivo

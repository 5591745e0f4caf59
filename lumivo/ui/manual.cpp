// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/manual.h"

#include "app/prompts.h"
#include "ui/qt_text.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace lumivo {

QStringList ManualAddresses(const QString& exeDir)
{
    const QDir dir(exeDir);
    QStringList out;
    // Installed: bin/ beside share/man; the viewer finds the page by name.
    if (QFileInfo::exists(dir.filePath(QStringLiteral("../share/man/man1/lumivo.1.gz"))))
        out << QStringLiteral("man:lumivo(1)");
    for (const char* readme : {"../share/doc/lumivo/README.md", "../../README.md"}) {
        const QString path = QDir::cleanPath(dir.filePath(QString::fromLatin1(readme)));
        if (QFileInfo(path).isFile())
            out << QUrl::fromLocalFile(path).toString();
    }
    return out;
}

bool OpenManual(const CPrompts& prompts, const QString& exeDir)
{
    for (const QString& address : ManualAddresses(exeDir))
        if (prompts.openUrl && prompts.openUrl(address))
            return true;
    if (prompts.message)
        prompts.message(CPrompts::Icon::Warning, Tr("Program", "HelpMissing"));
    return false;
}

} // namespace lumivo

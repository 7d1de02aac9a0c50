#include "gui/help_launcher.h"

#include "link/notifier.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace korvelo {

QString findManual(const QString& programDir, const QString& currentDir) {
    const QString file = QString::fromLatin1(kManualFile);
    const QStringList candidates = {
        programDir + "/manual/" + file,
        programDir + "/" + file,
        programDir + "/../share/korvelo/manual/" + file, // installed: bin/ beside share/
        currentDir + "/manual/" + file,
        currentDir + "/" + file,
    };
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

void openManual(Notifier& notifier, const QString& programDir, const QString& currentDir,
                const UrlOpener& open) {
    const QString path = findManual(programDir, currentDir);
    if (path.isEmpty() || open(QUrl::fromLocalFile(path)))
        return;
    notifier.notify(QStringLiteral("The manual could not be shown: no program to open it was "
                                   "found.\r\n\r\nOpen this file in a web browser:\r\n%1")
                        .arg(QDir::toNativeSeparators(path))
                        .toStdString(),
                    Icon::Exclamation);
}

void openManual(Notifier& notifier) {
    openManual(notifier, QCoreApplication::applicationDirPath(), QDir::currentPath(),
               [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

} // namespace korvelo

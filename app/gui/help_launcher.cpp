#include "app/gui/help_launcher.h"

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

void openManual() {
    const QString path = findManual(QCoreApplication::applicationDirPath(), QDir::currentPath());
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace korvelo

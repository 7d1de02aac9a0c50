#include "gui/help_launcher.h"

#include "link/notifier.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>
#include <QWidget>

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

QString manualPageFor(const QString& windowTitle) {
    static const std::pair<const char*, const char*> kPages[] = {
        {"Transmit Power", "tx-power.html"},
        {"Transmit Modulation", "tx-modulation.html"},
        {"Sub Audio Tx (CMX148 $CD)", "tx-sub-audio.html"},
        {"ZEL Siganling System Deviation", "tx-signaling.html"},
        {"Receive Squelch", "rx-squelch.html"},
        {"TX Mode", "service.html"},
        {"TX CMX148 SetUp", "service.html"},
        {"RX CMX148 SetUp", "service.html"},
        {"Country Code", "service.html"},
        {"FW Version", "fw-version.html"},
        {"Serial Number", "serial-number.html"},
        {"Auto Align", "auto-align.html"},
        {"Connection Doctor", "connection-doctor.html"},
        {"System Configuration", "system-setup.html"},
        {"Options", "options.html"},
        {"Radio History", "radio-history.html"},
        {"Restore Backup", "restore-backup.html"},
        {"Radio Setup", "radio-setup.html"},
        {"About Korvelo", "about.html"},
    };
    for (const auto& [title, page] : kPages)
        if (windowTitle == QLatin1String(title))
            return QString::fromLatin1(page);
    return QString::fromLatin1(kManualFile);
}

void openManual(Notifier& notifier, const QString& page, const UrlOpener& open) {
    openManual(notifier, QCoreApplication::applicationDirPath(), QDir::currentPath(),
               [&page, &open](const QUrl& first) {
                   const QString at = QFileInfo(first.toLocalFile()).dir().filePath(page);
                   return open(QFileInfo(at).isFile() ? QUrl::fromLocalFile(at) : first);
               });
}

HelpKey::HelpKey(Notifier& notifier, UrlOpener open, QObject* parent)
    : QObject(parent), notifier_(notifier), open_(std::move(open)) {}

bool HelpKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        // The key reaches the focus widget and then its parents; answer it once, for the
        // window it came in.
        const QWidget* window = QApplication::activeWindow();
        if (window && (watched == QApplication::focusWidget() ||
                       (!QApplication::focusWidget() && watched == window))) {
            openManual(notifier_, manualPageFor(window->windowTitle()), open_);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void openManual(Notifier& notifier) {
    openManual(notifier, QCoreApplication::applicationDirPath(), QDir::currentPath(),
               [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

} // namespace korvelo
